#pragma once

// Helpers shared by the macro-information store's sources; not part of its interface.

#include <algorithm>
#include <string_view>

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

}  // namespace orvane::internal::macro_store
