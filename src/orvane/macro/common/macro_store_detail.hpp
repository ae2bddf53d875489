#pragma once

// Helpers shared by the macro-information store's sources; not part of its interface.

#include <algorithm>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include <orvane/kernel/basic/attribute_manager.hpp>
#include <orvane/kernel/basic/velmora_exception.hpp>

namespace orvane::internal::macro_store {

// Failures of the store itself (project "OrvaneBackground", library "Common").
template <typename... Args>
[[noreturn]] void throw_store_exception(const Args&... message) {
    throw VelmoraException(1, "OrvaneBackground", "Common", nullptr, message...);
}

// Appends `entity` unless the list holds it already; true when it was appended. Lists
// are short (a handful of entities), so a linear search beats any index.
template <typename List, typename Entity>
bool add_unique(List& list, const Entity& entity) {
    if (std::find(list.begin(), list.end(), entity) != list.end()) {
        return false;
    }
    list.push_back(entity);
    return true;
}

// Appends every entity of `source` that `list` lacks, in `source` order.
template <typename List>
void merge_unique(List& list, const List& source) {
    for (const auto& entity : source) {
        add_unique(list, entity);
    }
}

// Removes `entity` from the list, keeping the order of the others; true when found.
template <typename List, typename Entity>
bool remove_entity(List& list, const Entity& entity) {
    const auto it = std::find(list.begin(), list.end(), entity);
    if (it == list.end()) {
        return false;
    }
    list.erase(it);
    return true;
}

template <typename List, typename Entity>
bool contains(const List& list, const Entity& entity) {
    return std::find(list.begin(), list.end(), entity) != list.end();
}

// Binds the attributes of a data-base initialisation and, unless dismissed, deletes on
// destruction those it created: a failure part way (a same-named attribute of another
// type) leaves the managers as they were. Attributes that existed before are never
// deleted, since they may hold another background's data.
class AttributeBinding {
public:
    AttributeBinding() = default;
    AttributeBinding(const AttributeBinding&) = delete;
    AttributeBinding& operator=(const AttributeBinding&) = delete;
    ~AttributeBinding() {
        for (const auto& [manager, name] : created_) {
            try {
                manager->delete_attribute(name);
            } catch (...) {
                // Unwinding already; a leftover empty attribute is harmless.
            }
        }
    }

    template <template <typename> class Storage, typename T>
    std::shared_ptr<Storage<T>> bind(AttributeManager& manager, std::string_view name,
                                     const T& default_value,
                                     AttributeProperties properties) {
        const bool existed = manager.attribute_exists(name);
        auto attribute =
            manager.find_or_create_attribute<Storage, T>(name, default_value, properties);
        if (!existed) {
            created_.emplace_back(&manager, name);
        }
        return attribute;
    }

    void dismiss() { created_.clear(); }

private:
    std::vector<std::pair<AttributeManager*, std::string_view>> created_;
};

}  // namespace orvane::internal::macro_store
