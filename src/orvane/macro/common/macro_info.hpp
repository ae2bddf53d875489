#pragma once

#include <memory>

#include <absl/container/flat_hash_set.h>

#include <orvane/kernel/basic/attribute.hpp>
#include <orvane/kernel/basic/attribute_manager.hpp>
#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/basic/uuid.hpp>
#include <orvane/macro/common/macro_entities.hpp>

namespace orvane::internal {

class MacroInfoBuilder;

// Read side of the macro information of vertices and triangles: the input vertices
// located at each background vertex, the input elements covering each background
// triangle, and the set of mandatory components (inputs whose entities must never be
// lost, see the "mandatory" macro-information predicates).
//
// The data live in attributes of the caller's mesh, so they follow the mesh's own
// renumbering and its clones:
// - vertices: "orvane_macro_vertices" (VariableAttribute<MeshVertices>) and
//   "orvane_macro_mandatory_components" (ConstantAttribute of a uuid set);
// - polygons: "orvane_macro_elements" (VariableAttribute<MeshElements>, assignable, so
//   that a triangle piece made from a replaced triangle keeps its macro elements).
// Lists keep insertion order and never hold the same entity twice.
//
// Not polymorphic, and only usable as a base (the derived class binds the data base):
// the destructor is protected so that nobody deletes a derived object through it.
class MacroInfo {
public:
    using MandatoryComponents = absl::flat_hash_set<uuid>;

    MacroInfo(const MacroInfo&) = delete;
    MacroInfo& operator=(const MacroInfo&) = delete;

    // The input vertices at `vertex`, in the order they were recorded (possibly empty).
    // Throws when the data base is not bound, VelmoraBasicException for an index
    // beyond the mesh.
    const MeshVertices& macro_vertices(index_t vertex) const;
    // The input elements covering `triangle`, in the order they were recorded.
    const MeshElements& macro_elements(index_t triangle) const;
    bool is_macro_info_mandatory(const uuid& component) const;

    // True between initialize_macro_info_data_base and clean_macro_info_data_base.
    bool is_macro_info_data_base_initialized() const;

protected:
    MacroInfo();
    MacroInfo(MacroInfo&& other) noexcept;
    MacroInfo& operator=(MacroInfo&& other) noexcept;
    ~MacroInfo();

    // Creates the attributes in the given managers, or binds to the attributes of the
    // same names already there (as on a clone of a bound mesh). An attribute of one of
    // those names with another storage or type raises the manager's exception.
    void initialize_macro_info_data_base(AttributeManager& vertices,
                                         AttributeManager& polygons);
    // Removes the attributes from the managers and unbinds this store.
    void clean_macro_info_data_base(AttributeManager& vertices,
                                    AttributeManager& polygons);

private:
    friend class MacroInfoBuilder;

    VariableAttribute<MeshVertices>& vertices_attribute() const;
    VariableAttribute<MeshElements>& elements_attribute() const;
    ConstantAttribute<MandatoryComponents>& mandatory_attribute() const;

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::internal
