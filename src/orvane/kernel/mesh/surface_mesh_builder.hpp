#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include <absl/types/span.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/surface_mesh.hpp>
#include <orvane/kernel/mesh/vertex_set.hpp>

namespace orvane {

// Write access to a SurfaceMesh. The attribute managers follow every creation (new
// elements read the attribute defaults; call the manager's interpolate/assign for more)
// and every deletion (values are renumbered with the returned old-to-new mappings).
//
// When the surface's edges are enabled, the builder keeps them in step: every polygon
// edge created or changed (create_polygon, set_polygon_vertex) is added to the edge
// set at once; an edge no polygon uses any more stays, with its attribute values, until
// delete_edges / delete_isolated_edges removes it.
//
// Invalid indices and repeated vertices raise a VelmoraBasicException before anything
// is changed.
template <index_t dimension>
class SurfaceMeshBuilder : public VertexSetBuilder {
public:
    explicit SurfaceMeshBuilder(SurfaceMesh<dimension>& mesh);
    ~SurfaceMeshBuilder() override;
    SurfaceMeshBuilder(SurfaceMeshBuilder&&) noexcept = default;

    static std::unique_ptr<SurfaceMeshBuilder> create(SurfaceMesh<dimension>& mesh);

    // ---- Vertices ---------------------------------------------------------------
    index_t create_vertex();
    // Appends `nb` vertices at the origin; returns the first new index.
    index_t create_vertices(index_t nb);
    index_t create_point(const Point<dimension>& point);
    // Returns the first new index.
    index_t create_points(absl::Span<const Point<dimension>> points);
    void set_point(index_t vertex, const Point<dimension>& point);
    void reserve_vertices(index_t capacity);

    // ---- Polygons ---------------------------------------------------------------
    // Appends a triangle (no adjacencies). Vertices without incident polygon get this
    // one. Returns its index.
    index_t create_polygon(const std::array<index_t, 3>& vertices);
    // Returns the first new index; all triangles are checked before any is created.
    index_t create_polygons(absl::Span<const std::array<index_t, 3>> polygons);
    // create_polygons for callers that know which polygon edges have their edge in the
    // edge set already (an existing polygon has it, say): bit i of existing_edges[p]
    // set means the edge of polygon edge i of polygons[p] exists, and the edge set is
    // not probed for it (the caller's guarantee, not checked). The edges of the other
    // polygon edges are found or created and their indices written to edges[p][i];
    // skipped ones get NO_ID. Without edges enabled this is create_polygons (edges
    // all NO_ID). Both spans have one entry per polygon.
    index_t create_polygons_with_edges(absl::Span<const std::array<index_t, 3>> polygons,
                                       absl::Span<const std::uint8_t> existing_edges,
                                       absl::Span<std::array<index_t, 3>> edges);
    void reserve_polygons(index_t capacity);

    // Replaces one vertex of a polygon. Adjacencies are not changed. The replaced
    // vertex, if it pointed at this polygon vertex, is re-pointed at another polygon of
    // its fan (found before the change) or becomes isolated; the new vertex gets this
    // polygon vertex if it was isolated. With edges enabled, the two new polygon edges
    // are added to the edge set.
    void set_polygon_vertex(const PolygonVertex& polygon_vertex, index_t vertex);
    // One side only: the caller sets both sides of an edge.
    void set_polygon_adjacent(const PolygonEdge& polygon_edge, index_t adjacent);
    void unset_polygon_adjacent(const PolygonEdge& polygon_edge);
    // Recomputes every adjacency from the vertex indices. An edge shared by exactly two
    // polygons makes them adjacent (whatever their orientations); an edge shared by
    // three or more (non-manifold) gets no adjacency on any of its polygons, so it
    // behaves as a border. O(sum of valences); temporary memory of one index per
    // polygon vertex.
    void compute_polygon_adjacencies();

    // Points `vertex` at that polygon vertex (which must use the vertex).
    void associate_polygon_vertex_to_vertex(const PolygonVertex& polygon_vertex,
                                            index_t vertex);
    // Makes `vertex` isolated as far as its incident pointer goes.
    void disassociate_polygon_vertex_from_vertex(index_t vertex);

    // Removes the flagged polygons (to_delete.size() == nb_polygons()), keeping the
    // others in order; returns old-to-new (NO_ID for removed ones). Adjacencies towards
    // removed polygons become borders; vertices that pointed at a removed polygon are
    // re-pointed at a remaining polygon using them, or become isolated. Edges are not
    // touched. Polygon attributes follow.
    std::vector<index_t> delete_polygons(const std::vector<bool>& to_delete);
    // Removes the vertices no polygon uses; returns old-to-new (NO_ID for removed).
    // Vertex attributes follow, polygons and edges are renumbered. With edges enabled,
    // an edge still using such a vertex must have been deleted first
    // (delete_isolated_edges): otherwise a VelmoraBasicException is raised and nothing
    // changes, so no edge and no edge attribute value is lost silently.
    std::vector<index_t> delete_isolated_vertices();

    // ---- Edges (the surface's edges must be enabled) -----------------------------
    index_t find_or_create_edge(const std::array<index_t, 2>& vertices);
    // Removes the flagged edges (to_delete.size() == nb_edges()); returns old-to-new.
    std::vector<index_t> delete_edges(const std::vector<bool>& to_delete);
    // Removes the edges no polygon edge uses; returns old-to-new.
    std::vector<index_t> delete_isolated_edges();

protected:
    SurfaceMesh<dimension>& mesh_;

private:
    index_t append_polygons(absl::Span<const std::array<index_t, 3>> polygons,
                            absl::Span<const std::uint8_t> existing_edges,
                            absl::Span<std::array<index_t, 3>> edges);
};

}  // namespace orvane
