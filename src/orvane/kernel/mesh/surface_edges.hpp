#pragma once

#include <array>
#include <memory>
#include <optional>

#include <absl/types/span.h>

#include <orvane/kernel/basic/attribute_manager.hpp>
#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>

namespace orvane {

template <index_t dimension>
class SurfaceMesh;
template <index_t dimension>
class SurfaceMeshBuilder;

// The edge set of a surface: one edge per unordered pair of vertices joined by a polygon
// edge. Stored as an array of vertex pairs plus a hash map from the sorted pair to the
// edge index. The pair of an edge is kept sorted (edge_vertices(e)[0] <
// edge_vertices(e)[1]).
//
// Owned by its SurfaceMesh, which creates it on `enable_edges()`; the surface builder
// keeps it in step: edges of new polygons are created at once, edges no polygon uses
// any more stay (with their attribute values) until they are deleted explicitly.
template <index_t dimension>
class SurfaceEdges {
public:
    SurfaceEdges();
    ~SurfaceEdges();
    SurfaceEdges(SurfaceEdges&&) noexcept;
    SurfaceEdges& operator=(SurfaceEdges&&) noexcept;
    SurfaceEdges(const SurfaceEdges&) = delete;
    SurfaceEdges& operator=(const SurfaceEdges&) = delete;

    index_t nb_edges() const;
    // Sorted pair. Throws a VelmoraBasicException for an index out of range.
    const std::array<index_t, 2>& edge_vertices(index_t edge) const;
    index_t edge_vertex(const EdgeVertex& edge_vertex) const;
    // The edge joining the two vertices, in either order; empty when there is none.
    // O(1).
    std::optional<index_t> edge_from_vertices(
        const std::array<index_t, 2>& vertices) const;
    // edge_from_vertices for several pairs, NO_ID where there is no edge; edges has
    // one entry per pair. Faster than one by one for pairs spread over a large
    // surface: their cache misses overlap.
    void edges_from_vertices(absl::Span<const std::array<index_t, 2>> vertices,
                             absl::Span<index_t> edges) const;
    AttributeManager& edge_attribute_manager() const;

    // Capacity-based bytes of the pair array, the hash map and the edge attributes.
    std::size_t allocated_bytes() const;

private:
    friend class SurfaceMesh<dimension>;
    friend class SurfaceMeshBuilder<dimension>;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane
