#pragma once

#include <array>
#include <memory>
#include <optional>

#include <absl/container/inlined_vector.h>

#include <orvane/kernel/basic/attribute_manager.hpp>
#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/bounding_box.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/segment.hpp>
#include <orvane/kernel/geometry/triangle.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/surface_edges.hpp>
#include <orvane/kernel/mesh/vertex_set.hpp>

namespace orvane {

using PolygonsAroundVertex = absl::InlinedVector<PolygonVertex, 10>;
using VerticesAroundVertex = absl::InlinedVector<index_t, 10>;
using PolygonEdgesAroundEdge = absl::InlinedVector<PolygonEdge, 2>;

template <index_t dimension>
class SurfaceMeshBuilder;

// A surface made of triangles (every polygon has three vertices).
//
// Storage is flat: per polygon three vertex indices and three adjacent polygons
// (NO_ID on the border), per vertex one point and one incident polygon vertex
// (NO_ID when isolated). Every query is O(1) or O(valence).
//
// Polygons are never "inactive" for the mesh: nb_polygons() counts every stored
// polygon; a modifier that deactivates polygons detaches them (no adjacency to them, no
// vertex pointing at them) and keeps its own activity flags.
//
// Walks around a vertex follow adjacencies only: a non-manifold vertex (two fans
// touching at one vertex) exposes only the fan of its incident polygon, and a
// non-manifold edge (no adjacency, see SurfaceMeshBuilder::compute_polygon_adjacencies)
// behaves as a border edge. Every walk is bounded by nb_polygons() steps and throws a
// VelmoraBasicException when adjacencies form a cycle that never returns (broken mesh).
//
// Orientation words below assume counter-clockwise polygons (positive area).
template <index_t dimension>
class SurfaceMesh : public VertexSet {
public:
    SurfaceMesh();
    ~SurfaceMesh() override;
    SurfaceMesh(SurfaceMesh&& other) noexcept;
    SurfaceMesh& operator=(SurfaceMesh&& other) noexcept;

    static std::unique_ptr<SurfaceMesh> create();
    // Geometry, polygons, adjacencies, incident pointers, the edge set when enabled, and
    // every vertex, polygon and edge attribute (deep copies, flags kept).
    std::unique_ptr<SurfaceMesh> clone() const;

    // ---- Vertices -------------------------------------------------------------
    const Point<dimension>& point(index_t vertex) const;
    // The polygon vertex the vertex points at; empty for an isolated vertex.
    std::optional<PolygonVertex> polygon_around_vertex(index_t vertex) const;
    bool is_vertex_isolated(index_t vertex) const;
    // True when a border edge (polygon edge without adjacent) of the incident fan
    // touches the vertex. False for an isolated vertex.
    bool is_vertex_on_border(index_t vertex) const;

    // Polygons of the fan of the incident polygon, as polygon vertices at `vertex`.
    // Order: interior vertex: counter-clockwise, starting at the incident polygon
    // (polygon_around_vertex). Border vertex: counter-clockwise from the polygon whose
    // edge starting at `vertex` is on the border to the polygon whose edge ending at
    // `vertex` is on the border. Empty for an isolated vertex. O(valence).
    PolygonsAroundVertex polygons_around_vertex(index_t vertex) const;
    // Vertices sharing a polygon edge with `vertex`, without repetition. Order: for each
    // polygon of polygons_around_vertex in its order, the far end of its edge starting
    // at `vertex`; then, for a border vertex, the far end of the last polygon's edge
    // ending at `vertex` (so a border vertex lists its two border neighbours first and
    // last). O(valence).
    VerticesAroundVertex vertices_around_vertex(index_t vertex) const;

    // ---- Polygons -------------------------------------------------------------
    // Every stored polygon, detached ones included.
    index_t nb_polygons() const;
    local_index_t nb_polygon_vertices(index_t /*polygon*/) const { return 3; }
    index_t polygon_vertex(const PolygonVertex& polygon_vertex) const;
    const std::array<index_t, 3>& polygon_vertices(index_t polygon) const;
    // Local index of `vertex` in `polygon`, empty when the polygon does not use it.
    std::optional<local_index_t> vertex_in_polygon(index_t polygon, index_t vertex) const;
    // vertex 0 is the start of the edge, vertex 1 its end.
    index_t polygon_edge_vertex(const PolygonEdge& polygon_edge,
                                local_index_t vertex) const;
    std::array<index_t, 2> polygon_edge_vertices(const PolygonEdge& polygon_edge) const;
    PolygonVertex next_polygon_vertex(const PolygonVertex& polygon_vertex) const;
    PolygonVertex previous_polygon_vertex(const PolygonVertex& polygon_vertex) const;
    PolygonEdge next_polygon_edge(const PolygonEdge& polygon_edge) const;
    PolygonEdge previous_polygon_edge(const PolygonEdge& polygon_edge) const;

    // The polygon across the edge; empty on the border.
    std::optional<index_t> polygon_adjacent(const PolygonEdge& polygon_edge) const;
    // The edge of the adjacent polygon joining the same two vertices; empty on the
    // border (and when the stored adjacent polygon does not share the edge: broken mesh).
    std::optional<PolygonEdge> polygon_adjacent_edge(
        const PolygonEdge& polygon_edge) const;
    bool is_edge_on_border(const PolygonEdge& polygon_edge) const;
    bool is_polygon_on_border(index_t polygon) const;
    // The border edge that follows `border_edge` along its border loop: it starts
    // where `border_edge` ends, and the polygons stay on the same side. Found by turning
    // around that vertex, O(valence). Throws a VelmoraBasicException when `border_edge`
    // is not on the border.
    PolygonEdge next_on_border(const PolygonEdge& border_edge) const;
    // The border edge that ends where `border_edge` starts (inverse of next_on_border).
    PolygonEdge previous_on_border(const PolygonEdge& border_edge) const;

    // Polygon edges joining the two vertices (either direction). Order: first those
    // running from vertices[0] to vertices[1], then those from vertices[1] to
    // vertices[0], each group in the order of polygons_around_vertex(vertices[0]). When
    // that fan holds none (vertices[0] non-manifold, the edge in another fan), the fan of
    // vertices[1] is searched instead, same grouping. At most one per direction on a
    // manifold surface. O(valence).
    PolygonEdgesAroundEdge polygons_from_edge_vertices(
        const std::array<index_t, 2>& vertices) const;
    // The polygon edge running from `from` to `to`, empty when there is none (searched
    // in the fan of `from`, then in the fan of `to`).
    std::optional<PolygonEdge> polygon_edge_from_vertices(index_t from, index_t to) const;

    // ---- Geometry ---------------------------------------------------------------
    Triangle<dimension> triangle(index_t polygon) const;
    Segment<dimension> polygon_edge_segment(const PolygonEdge& polygon_edge) const;
    // Unsigned area.
    double polygon_area(index_t polygon) const;
    // Signed area, positive for counter-clockwise polygons (dimension 2).
    double polygon_signed_area(index_t polygon) const;
    Point<dimension> polygon_barycenter(index_t polygon) const;
    double edge_length(const PolygonEdge& polygon_edge) const;
    Point<dimension> edge_barycenter(const PolygonEdge& polygon_edge) const;
    // True when the longest edge is shorter than GLOBAL_EPSILON or the opposite
    // vertex lies within GLOBAL_EPSILON of the line of the longest edge (smallest
    // height <= GLOBAL_EPSILON).
    bool is_polygon_degenerated(index_t polygon) const;
    // Box of every vertex (isolated ones included).
    BoundingBox<dimension> bounding_box() const;

    AttributeManager& polygon_attribute_manager() const;

    // ---- Edges ------------------------------------------------------------------
    // Creates the edge set from the polygons if it does not exist yet; the builder
    // keeps it in step afterwards. Const: the edge set is derived data.
    void enable_edges() const;
    void disable_edges() const;
    bool are_edges_enabled() const;
    // Throws a VelmoraBasicException when edges are not enabled.
    const SurfaceEdges<dimension>& edges() const;

    // Capacity-based bytes allocated by the surface: polygon and vertex arrays, edge
    // set, and the values of every attribute.
    std::size_t allocated_bytes() const;

protected:
    void copy_surface(const SurfaceMesh& from);

private:
    friend class SurfaceMeshBuilder<dimension>;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

using SurfaceMesh2D = SurfaceMesh<2>;

}  // namespace orvane
