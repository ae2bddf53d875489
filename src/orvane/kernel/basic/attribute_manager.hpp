#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <absl/types/span.h>

#include <orvane/kernel/basic/attribute.hpp>
#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/basic/velmora_exception.hpp>

namespace orvane {

// The named attributes of one kind of mesh element (vertices, edges or polygons).
//
// Every attribute has nb_elements() values. The mesh builders call the element
// operations (resize, assign, interpolate, permute, delete) so that the values follow
// the elements; each operation runs one loop over all attributes.
//
// Attributes are shared: find_or_create_attribute hands out a shared_ptr to the
// storage, and delete_attribute only unregisters it (holders keep a detached copy
// that no longer follows the mesh).
//
// Lookup and registration are guarded by the manager's own mutex, so several readers
// may bind attributes concurrently. Element operations also take the lock, but values
// are not synchronised: writing values while another thread reads them is a race.
class AttributeManager {
public:
    AttributeManager();
    ~AttributeManager();
    AttributeManager(AttributeManager&& other) noexcept;
    AttributeManager& operator=(AttributeManager&& other) noexcept;
    AttributeManager(const AttributeManager&) = delete;
    AttributeManager& operator=(const AttributeManager&) = delete;

    // The attribute `name` with storage Storage<T>, created with `default_value` and
    // `properties` when no attribute of that name exists. An existing attribute of the
    // same storage and value type is returned as it is (its default value and
    // properties are kept). An existing attribute of another storage or value type
    // raises a VelmoraBasicException: nothing is replaced, so no holder loses its data.
    //   auto a = manager.find_or_create_attribute<VariableAttribute, double>(
    //       "height", 0.0, AttributeProperties{false, false, true});
    template <template <typename> class Storage, typename T>
    std::shared_ptr<Storage<T>> find_or_create_attribute(
        std::string_view name, T default_value, AttributeProperties properties = {}) {
        auto attribute = find_or_register(name, [&](index_t nb_elements) {
            return std::make_shared<Storage<T>>(
                std::string{name}, std::move(default_value), properties, nb_elements);
        });
        auto typed = std::dynamic_pointer_cast<Storage<T>>(attribute);
        if (!typed) {
            throw VelmoraBasicException(
                "[AttributeManager::find_or_create_attribute] Do not instantiate an "
                "attribute if an instantiated attribute of the same name with different "
                "storage already exists.");
        }
        return typed;
    }

    // Read access to the attribute `name` of value type T, whatever its storage.
    // Throws a VelmoraBasicException when it does not exist or has another value type.
    template <typename T>
    std::shared_ptr<const ReadOnlyAttribute<T>> find_attribute(
        std::string_view name) const {
        auto attribute = find_generic_attribute(name);
        auto typed = std::dynamic_pointer_cast<const ReadOnlyAttribute<T>>(attribute);
        if (!typed) {
            throw VelmoraBasicException(
                "[AttributeManager::find_attribute] Attribute ", name, " has value type ",
                attribute->value_type().name(), ", not the requested one");
        }
        return typed;
    }

    // Throws a VelmoraBasicException when `name` does not exist.
    std::shared_ptr<const AttributeBase> find_generic_attribute(
        std::string_view name) const;

    // Unregisters `name`; nothing happens when it does not exist.
    void delete_attribute(std::string_view name);
    bool attribute_exists(std::string_view name) const;
    // Sorted by name.
    std::vector<std::string> attribute_names() const;
    // Changes the property flags of `name`; throws when it does not exist.
    void set_attribute_properties(std::string_view name,
                                  const AttributeProperties& props);

    index_t nb_elements() const;

    // ---- Element operations, called by the mesh builders -------------------------

    // Grows (new elements read the default) or shrinks (the last elements are dropped).
    void resize(index_t nb_elements);
    void reserve(index_t capacity);
    // For every assignable attribute: value(to) = value(from).
    void assign_attribute_value(index_t from, index_t to);
    // For every interpolable attribute: value(to) = weighted combination of the values
    // of `from` (see AttributeProperties). `from` and `weights` have the same size;
    // nothing happens when they are empty.
    void interpolate_attribute_value(absl::Span<const index_t> from,
                                     absl::Span<const double> weights, index_t to);
    // Element i becomes element old2new[i]; old2new must be a permutation of
    // [0, nb_elements()) (checked, VelmoraBasicException otherwise).
    void permute_elements(absl::Span<const index_t> old2new);
    // Removes the elements whose flag is true, keeping the others in order; returns
    // old-to-new (NO_ID for removed elements). to_delete.size() must be nb_elements().
    std::vector<index_t> delete_elements(const std::vector<bool>& to_delete);
    // General renumbering: element i becomes old2new[i] (NO_ID removes it); the kept
    // elements must cover [0, new_size) exactly once (checked).
    void remap_elements(absl::Span<const index_t> old2new, index_t new_size);

    // Replaces every attribute of this manager by a deep copy of those of `from`
    // (values, defaults and properties), and takes its element count.
    void copy(const AttributeManager& from);
    // Unregisters every attribute; the element count stays.
    void delete_all_attributes();

    // Bytes allocated by the values of all attributes (see AttributeBase).
    std::size_t allocated_bytes() const;

private:
    std::shared_ptr<AttributeBase> find_or_register(
        std::string_view name,
        const std::function<std::shared_ptr<AttributeBase>(index_t)>& create);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane
