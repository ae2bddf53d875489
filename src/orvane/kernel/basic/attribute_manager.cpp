#include <orvane/kernel/basic/attribute_manager.hpp>

#include <algorithm>
#include <mutex>

#include <absl/container/flat_hash_map.h>

namespace orvane {

namespace internal {

void check_interpolation_arguments(absl::Span<const index_t> from,
                                   absl::Span<const double> weights, index_t to,
                                   index_t nb_elements) {
    if (from.size() != weights.size()) {
        throw VelmoraBasicException("[AttributeManager::interpolate_attribute_value] ",
                                    from.size(), " source elements but ", weights.size(),
                                    " weights");
    }
    if (to >= nb_elements) {
        throw VelmoraBasicException(
            "[AttributeManager::interpolate_attribute_value] Element ", to,
            " out of range (", nb_elements, " elements)");
    }
    for (const auto e : from) {
        if (e >= nb_elements) {
            throw VelmoraBasicException(
                "[AttributeManager::interpolate_attribute_value] Source element ", e,
                " out of range (", nb_elements, " elements)");
        }
    }
}

}  // namespace internal

struct AttributeManager::Impl {
    mutable std::mutex mutex;
    index_t nb_elements{0};
    absl::flat_hash_map<std::string, std::shared_ptr<AttributeBase>> attributes;

    void check_element(index_t e, const char* operation) const {
        if (e >= nb_elements) {
            throw VelmoraBasicException("[AttributeManager::", operation, "] Element ", e,
                                        " out of range (", nb_elements, " elements)");
        }
    }
};

AttributeManager::AttributeManager() : impl_(std::make_unique<Impl>()) {}
AttributeManager::~AttributeManager() = default;
AttributeManager::AttributeManager(AttributeManager&& other) noexcept
    : impl_(std::move(other.impl_)) {
    other.impl_ = std::make_unique<Impl>();
}
AttributeManager& AttributeManager::operator=(AttributeManager&& other) noexcept {
    if (this != &other) {
        impl_ = std::move(other.impl_);
        other.impl_ = std::make_unique<Impl>();
    }
    return *this;
}

std::shared_ptr<AttributeBase> AttributeManager::find_or_register(
    std::string_view name,
    const std::function<std::shared_ptr<AttributeBase>(index_t)>& create) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    const auto it = impl_->attributes.find(std::string{name});
    if (it != impl_->attributes.end()) {
        return it->second;
    }
    auto attribute = create(impl_->nb_elements);
    impl_->attributes.emplace(std::string{name}, attribute);
    return attribute;
}

std::shared_ptr<const AttributeBase> AttributeManager::find_generic_attribute(
    std::string_view name) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    const auto it = impl_->attributes.find(std::string{name});
    if (it == impl_->attributes.end()) {
        throw VelmoraBasicException("[AttributeManager::find_attribute] Attribute ", name,
                                    " does not exist");
    }
    return it->second;
}

void AttributeManager::delete_attribute(std::string_view name) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    const auto it = impl_->attributes.find(std::string{name});
    if (it != impl_->attributes.end()) {
        impl_->attributes.erase(it);
    }
}

bool AttributeManager::attribute_exists(std::string_view name) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->attributes.contains(std::string{name});
}

std::vector<std::string> AttributeManager::attribute_names() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    std::vector<std::string> names;
    names.reserve(impl_->attributes.size());
    for (const auto& [name, attribute] : impl_->attributes)
        names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

void AttributeManager::set_attribute_properties(std::string_view name,
                                                const AttributeProperties& props) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    const auto it = impl_->attributes.find(std::string{name});
    if (it == impl_->attributes.end()) {
        throw VelmoraBasicException(
            "[AttributeManager::set_attribute_properties] Attribute ", name,
            " does not exist");
    }
    it->second->set_properties(props);
}

index_t AttributeManager::nb_elements() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->nb_elements;
}

void AttributeManager::resize(index_t nb_elements) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    for (auto& [name, attribute] : impl_->attributes)
        attribute->resize(nb_elements);
    impl_->nb_elements = nb_elements;
}

void AttributeManager::reserve(index_t capacity) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    for (auto& [name, attribute] : impl_->attributes)
        attribute->reserve(capacity);
}

void AttributeManager::assign_attribute_value(index_t from, index_t to) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->check_element(from, "assign_attribute_value");
    impl_->check_element(to, "assign_attribute_value");
    if (from == to)
        return;
    for (auto& [name, attribute] : impl_->attributes) {
        if (attribute->properties().assignable)
            attribute->copy_value(from, to);
    }
}

void AttributeManager::interpolate_attribute_value(absl::Span<const index_t> from,
                                                   absl::Span<const double> weights,
                                                   index_t to) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    internal::check_interpolation_arguments(from, weights, to, impl_->nb_elements);
    if (from.empty())
        return;
    for (auto& [name, attribute] : impl_->attributes) {
        if (attribute->properties().interpolable) {
            attribute->interpolate_value(from, weights, to);
        }
    }
}

void AttributeManager::remap_elements(absl::Span<const index_t> old2new,
                                      index_t new_size) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (old2new.size() != impl_->nb_elements) {
        throw VelmoraBasicException("[AttributeManager::remap_elements] Mapping has ",
                                    old2new.size(), " entries for ", impl_->nb_elements,
                                    " elements");
    }
    // Each new index must receive exactly one element: a value is never lost or
    // silently overwritten by another.
    std::vector<bool> hit(new_size, false);
    index_t nb_kept = 0;
    for (const auto target : old2new) {
        if (target == NO_ID)
            continue;
        if (target >= new_size || hit[target]) {
            throw VelmoraBasicException(
                "[AttributeManager::remap_elements] Mapping is not one-to-one onto ",
                new_size, " elements (target ", target, ")");
        }
        hit[target] = true;
        ++nb_kept;
    }
    if (nb_kept != new_size) {
        throw VelmoraBasicException("[AttributeManager::remap_elements] Mapping fills ",
                                    nb_kept, " of ", new_size, " elements");
    }
    for (auto& [name, attribute] : impl_->attributes)
        attribute->remap(old2new, new_size);
    impl_->nb_elements = new_size;
}

void AttributeManager::permute_elements(absl::Span<const index_t> old2new) {
    remap_elements(old2new, static_cast<index_t>(old2new.size()));
}

std::vector<index_t> AttributeManager::delete_elements(
    const std::vector<bool>& to_delete) {
    std::vector<index_t> old2new(to_delete.size(), NO_ID);
    index_t nb_kept = 0;
    for (std::size_t i = 0; i < to_delete.size(); ++i) {
        if (!to_delete[i])
            old2new[i] = nb_kept++;
    }
    remap_elements(old2new, nb_kept);
    return old2new;
}

void AttributeManager::copy(const AttributeManager& from) {
    if (this == &from)
        return;
    std::scoped_lock lock(impl_->mutex, from.impl_->mutex);
    impl_->attributes.clear();
    for (const auto& [name, attribute] : from.impl_->attributes) {
        impl_->attributes.emplace(name, attribute->clone());
    }
    impl_->nb_elements = from.impl_->nb_elements;
}

void AttributeManager::delete_all_attributes() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->attributes.clear();
}

std::size_t AttributeManager::allocated_bytes() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    std::size_t bytes =
        impl_->attributes.capacity() *
        (sizeof(std::pair<const std::string, std::shared_ptr<AttributeBase>>) + 1);
    for (const auto& [name, attribute] : impl_->attributes) {
        bytes += attribute->allocated_bytes();
    }
    return bytes;
}

}  // namespace orvane
