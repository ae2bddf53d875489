#pragma once

#include <array>
#include <memory>

#include <absl/container/inlined_vector.h>

#include <orvane/kernel/basic/attribute.hpp>
#include <orvane/kernel/basic/attribute_manager.hpp>
#include <orvane/kernel/basic/common.hpp>
#include <orvane/macro/common/macro_entities.hpp>

namespace orvane::internal {

class MacroEdgesBuilder;

// Read side of the macro information of edges: the input edges running along each
// background edge, and for each background vertex the input edges passing through it
// (its incident macro edges).
//
// The data live in attributes of the caller's mesh: "orvane_macro_edges" on the edges
// and "orvane_incident_macro_edges" on the vertices (both VariableAttribute<MeshEdges>).
// Lists keep insertion order and never hold the same entity twice. Every macro edge of
// an edge is also an incident macro edge of both its vertices; the derived class tells
// the store which vertices those are (`edge_vertices`).
class MacroEdges {
public:
    MacroEdges(const MacroEdges&) = delete;
    MacroEdges& operator=(const MacroEdges&) = delete;
    virtual ~MacroEdges();

    // The two vertices of background edge `edge`.
    virtual const std::array<index_t, 2>& edge_vertices(index_t edge) const = 0;

    // The input edges along `edge`, in the order they were recorded (possibly empty).
    // Throws when the data base is not bound, VelmoraBasicException for an index
    // beyond the mesh.
    const MeshEdges& macro_edges(index_t edge) const;
    // The input edges passing through `vertex`, in the order they were recorded.
    const MeshEdges& incident_macro_edges(index_t vertex) const;

    bool is_macro_edges_data_base_initialized() const;

    using EdgesAroundVertex = absl::InlinedVector<index_t, 10>;
    // The edges of the mesh that have `vertex` at one end. A vertex keeps an incident
    // macro edge while any of these still carries it (see
    // MacroEdgesBuilder::remove_macro_edge_info). This default scans every edge through
    // `edge_vertices`, which is linear in the number of edges; a derived class with
    // adjacency answers from the vertex's neighbourhood instead.
    virtual EdgesAroundVertex edges_around_vertex(index_t vertex) const;

protected:
    MacroEdges();
    MacroEdges(MacroEdges&& other) noexcept;
    MacroEdges& operator=(MacroEdges&& other) noexcept;

    // Creates the attributes in the given managers, or binds to the attributes of the
    // same names already there. A same-named attribute of another storage or type
    // raises the manager's exception.
    void initialize_macro_edges_data_base(AttributeManager& vertices,
                                          AttributeManager& edges);
    // Removes the attributes from the managers and unbinds this store.
    void clean_macro_edges_data_base(AttributeManager& vertices, AttributeManager& edges);

private:
    friend class MacroEdgesBuilder;

    VariableAttribute<MeshEdges>& edges_attribute() const;
    VariableAttribute<MeshEdges>& incident_attribute() const;

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::internal
