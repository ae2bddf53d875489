#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include <absl/container/inlined_vector.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/toolkit/modifier/common/mapping.hpp>
#include <orvane/toolkit/modifier/surface/vertices_modifier.hpp>

namespace orvane {

template <index_t dimension>
class TriangulatedSurfaceModifier;

// Local operations on a planar triangulated surface: splits, collapses, swaps, vertex
// moves, double-adjacency removal, split-collapses, vertex replacement, and the
// compaction that ends a run of them. Every operation returns a record of what it
// changed, in indices of the mesh after the operation, from which callers (the macro
// information store above all) bring their own data along.
//
// Rules every operation follows:
// 1. Triangles are append-only. An operation never reuses a triangle index: it
//    deactivates the triangles it replaces and appends the new ones, so the triangles
//    with an index at or above a remembered nb_polygons() are exactly the new ones.
// 2. A deactivated triangle is detached: no active triangle is adjacent to it, no
//    vertex's incident pointer names it, and its own adjacencies are cleared. Its
//    vertex list stays readable until clean().
// 3. The surface's edges are enabled by the constructor. Edges of new triangles enter
//    the edge set at once; an edge that no active triangle uses any more stays, with
//    its attribute values, until clean(). So every edge a record names resolves with
//    edges().edge_from_vertices after the operation.
// 4. Polygon attributes: a new triangle that is a piece of one replaced triangle gets
//    that triangle's values of the assignable polygon attributes (its "source" in the
//    record's (new, source) triangle pairs). The two triangles made by a swap both copy
//    the triangle ACROSS the swapped polygon edge (polygon_adjacent_edge(edge)'s
//    triangle), not the triangle of the polygon edge itself.
//    Edge attributes: an edge whose vertex pair survives keeps its index and values. A
//    new edge that continues exactly one old edge (the two halves of a split edge, an
//    edge renamed by a collapse) gets the old edge's values of the assignable edge
//    attributes; an edge merged into an existing one by a collapse keeps the existing
//    edge's values. Other new edges read the defaults.
//    Vertex attributes: a new vertex made by a split gets the interpolable vertex
//    attributes interpolated from the split element's corners (barycentric weights);
//    a collapse leaves the kept vertex's values as they are.
// 5. New vertices are appended. A collapse merges the removed vertex into the kept
//    one; the removed vertex becomes isolated and updated_vertex() forwards it.
// 6. clean() deletes the inactive triangles, the edges that no remaining triangle
//    uses and the isolated vertices, renumbers, returns the old-to-new mappings and
//    changes clean_stamp(). Attributes follow the renumbering.
// 7. Preconditions are checked before anything changes. A refused operation throws an
//    OrvaneCommonModifierCommonException ("[TriangulatedSurfaceModifier::operation]
//    ...") and leaves the mesh, its attributes and the modifier exactly as they were.
//    Geometric preconditions use exact orientation signs: every triangle an operation
//    creates or moves must be strictly counter-clockwise (no flat or inverted
//    triangle), and no operation makes an edge shorter than GLOBAL_EPSILON out of a
//    split.
//
// Orientation words assume counter-clockwise triangles. A polygon edge (t, e) runs
// from local vertex e to local vertex e + 1 of t; its apex is local vertex e + 2.
//
// Costs: every operation is O(sum of the valences of the vertices involved) and
// allocates nothing on the heap for ordinary valences (records use inlined vectors),
// apart from the amortised growth of the mesh arrays. clean() is linear in the mesh
// size; its edge step looks up only the edges that operations left unused.
template <>
class TriangulatedSurfaceModifier<2>
    : public VerticesModifier, public EdgesModifier, public TrianglesModifier {
public:
    // (new polygon edge, polygon edge it continues, or a default PolygonEdge whose
    // polygon_id is NO_ID when it continues none). The old polygon edge may belong to
    // a deactivated triangle; its vertex list is still readable.
    using PolygonEdgeMapping = Mapping<PolygonEdge>;
    using PolygonEdgeMappings = absl::InlinedVector<PolygonEdgeMapping, 3>;
    // (new triangle, triangle it copied its polygon attributes from).
    using TriangleMapping = Mapping<index_t>;
    // Ten inline: a collapse replaces valence - 2 triangles.
    using TriangleMappings = absl::InlinedVector<TriangleMapping, 10>;
    // (edge after the operation, edges it continues).
    using EdgeMultiMappings = absl::InlinedVector<MultiMapping<index_t>, 10>;

    // split_triangle(t, p): t = (v0, v1, v2) is replaced by the three triangles
    // (v0, v1, m), (v1, v2, m), (v2, v0, m), in this order, each copying t.
    struct SplitTriangleInfo {
        // m, the appended vertex at the split point.
        index_t new_vertex{NO_ID};
        // The three outer edges: (local edge 0 of each new triangle, local edge i of
        // t), same vertex pair, in the order of the new triangles.
        PolygonEdgeMappings outer_edges;
        // The three new edges from the corners to m: (local edge 1 of each new
        // triangle, none), i.e. (v1, m), (v2, m), (v0, m).
        PolygonEdgeMappings new_edges;
        // (new triangle, t), in the order above.
        TriangleMappings new_triangles;
    };

    // split_edge(edge, p) with edge = (t, e) from a to b, apex c, and, when the edge
    // is not on the border, q the triangle across it, with apex d. The first side
    // (t) becomes (a, m, c), (m, b, c); the second side (q = (b, a, d)) becomes
    // (b, m, d), (m, a, d). Each new triangle copies the triangle it is a piece of.
    struct SplitPolygonEdgeInfo {
        // m, the appended vertex at the split point.
        index_t new_vertex{NO_ID};
        // First side: the two halves (a -> m, m -> b) with the split polygon edge.
        PolygonEdgeMappings first_side_halves;
        // First side: the outer edges (b -> c, c -> a) of the new triangles with the
        // same edges of t.
        PolygonEdgeMappings first_side_outer_edges;
        // Second side (empty on the border): the halves (b -> m, m -> a) with the
        // polygon edge across.
        PolygonEdgeMappings second_side_halves;
        // Second side (empty on the border): the outer edges (a -> d, d -> b) with the
        // same edges of q.
        PolygonEdgeMappings second_side_outer_edges;
        // ((a, m, c), t), ((m, b, c), t).
        TriangleMappings first_side_triangles;
        // ((b, m, d), q), ((m, a, d), q); empty on the border.
        TriangleMappings second_side_triangles;
    };

    // collapse_edge: the edge's kept vertex k stays (moved to the given point) and
    // the removed vertex r is merged into it. The one or two triangles of the edge
    // disappear; every other triangle around r is replaced by a copy with k instead
    // of r (new index, same polygon attribute values); triangles around k keep their
    // index. r becomes isolated.
    struct CollapseEdgeInfo {
        // k <- [r].
        MultiMapping<index_t> vertex;
        // For every neighbour x of r other than k, in the order of
        // vertices_around_vertex(r) before the collapse: edge (k, x) <- [edge (r, x)].
        // For the apexes of the edge's triangles (k, x) existed before: a merge.
        // Otherwise (k, x) is new: a rename.
        EdgeMultiMappings edges;
        // The replacing triangles with their sources, in the order of
        // polygons_around_vertex(r) before the collapse.
        TriangleMappings new_triangles;
        // The one or two triangles of the edge, now inactive and not replaced.
        absl::InlinedVector<index_t, 2> removed_triangles;
        // The collapsed edge (k, r), now unused.
        index_t collapsed_edge{NO_ID};
    };

    // swap_edge(edge) with edge = (t, e) from a to b, apex c, q across with apex d:
    // t and q are replaced by (a, d, c) and (d, b, c), both copying q.
    struct SwapEdgeInfo {
        // (a, b): the swapped edge's index, still in the edge set, and its vertices in
        // the order of the polygon edge.
        index_t old_edge{NO_ID};
        std::array<index_t, 2> old_edge_vertices{{NO_ID, NO_ID}};
        // (c, d): the new edge's index and vertices (c the apex of the polygon edge's
        // triangle, d the apex across).
        index_t new_edge{NO_ID};
        std::array<index_t, 2> new_edge_vertices{{NO_ID, NO_ID}};
        // ((a, d, c), q), ((d, b, c), q).
        TriangleMappings new_triangles;
        // t, q (inactive now).
        std::array<index_t, 2> replaced_triangles{{NO_ID, NO_ID}};
    };

    // remove_double_adjacency(v): see the operation.
    struct RemoveMultipleAdjacencyInfo {
        // v, now isolated and gone for updated_vertex.
        index_t removed_vertex{NO_ID};
        // a, b: the far ends of v's two edges.
        std::array<index_t, 2> edge_vertices{{NO_ID, NO_ID}};
        // The edges (v, a), (v, b), now unused.
        std::array<index_t, 2> removed_edges{{NO_ID, NO_ID}};
        // The edge (a, b), which the triangles across the fold now share.
        index_t edge{NO_ID};
        // The two triangles around v (inactive now).
        std::array<index_t, 2> removed_triangles{{NO_ID, NO_ID}};
        // The triangles across the fold whose adjacency changed (zero to two).
        absl::InlinedVector<index_t, 2> touched_triangles;
    };

    // split_collapse_edge(edge[, p]) with edge = (t, e) from a to b and apex w: see
    // the operation.
    struct SplitCollapseInfo {
        // w, the apex vertex: it keeps its index (updated_vertex(w) == w).
        index_t apex_vertex{NO_ID};
        // (a, b): the re-routed edge's index (still in the edge set) and vertices in
        // the order of the polygon edge.
        index_t old_edge{NO_ID};
        std::array<index_t, 2> old_edge_vertices{{NO_ID, NO_ID}};
        // The edges (a, w), (w, b) that now carry the route, in this order.
        std::array<index_t, 2> new_route_edges{{NO_ID, NO_ID}};
        // Interior edge: the new edge (w, x) to the apex x across; NO_ID on the border.
        index_t new_edge{NO_ID};
        // Interior edge: ((b, w, x), q), ((w, a, x), q) with q the triangle across;
        // empty on the border.
        TriangleMappings new_triangles;
        // t (inactive now, not replaced) and q (inactive now; NO_ID on the border).
        std::array<index_t, 2> replaced_triangles{{NO_ID, NO_ID}};
    };

    // Old-to-new indices of a compaction (NO_ID for deleted elements).
    struct CleanMappings {
        std::vector<index_t> vertices;
        std::vector<index_t> edges;
        std::vector<index_t> triangles;
    };

    // Enables the surface's edges. Triangles of the surface are all active to begin
    // with. Both objects must outlive the modifier; the builder must be the surface's.
    TriangulatedSurfaceModifier(const TriangulatedSurface<2>& surface,
                                TriangulatedSurfaceBuilder<2>& builder);
    TriangulatedSurfaceModifier(TriangulatedSurfaceModifier&& other) noexcept;
    TriangulatedSurfaceModifier& operator=(TriangulatedSurfaceModifier&&) = delete;
    TriangulatedSurfaceModifier(const TriangulatedSurfaceModifier&) = delete;
    TriangulatedSurfaceModifier& operator=(const TriangulatedSurfaceModifier&) = delete;

    // ---- Virtual operations (this declaration order is part of the contract) -------

    ~TriangulatedSurfaceModifier() override;

    // Splits active triangle `triangle` at `point`, which must lie strictly inside it
    // (exact signs: a point on its border is refused; use split_edge) and farther than
    // GLOBAL_EPSILON from each of its vertices.
    virtual SplitTriangleInfo split_triangle(index_t triangle, const Point<2>& point);

    // Splits polygon edge `edge` (of an active triangle) at `point`: the point must lie
    // within GLOBAL_EPSILON of the segment, farther than GLOBAL_EPSILON from both ends,
    // and every new triangle must be strictly counter-clockwise. A point slightly off
    // the line is accepted (the new vertex is where the point is, so a border moves by
    // at most that distance).
    virtual SplitPolygonEdgeInfo split_edge(const PolygonEdge& edge,
                                            const Point<2>& point);

    // Collapses edge `edge` (an edge index used by an active triangle): keeps
    // edges().edge_vertices(edge)[0], moves it to `point`, removes [1]. Same checks as
    // the polygon-edge form.
    virtual CollapseEdgeInfo collapse_edge(index_t edge, const Point<2>& point);

    // Collapses polygon edge `edge` from k to r (its first and second vertex): k is
    // kept and moved to `point`, r is merged into k. Refused when
    // - the link condition fails: k and r have a common neighbour other than the apexes
    //   of the edge's triangles (the result would not be a manifold);
    // - the edge is interior but both k and r are on the border (the surface would be
    //   pinched at k);
    // - a remaining triangle around k or r would be flat or inverted with k at `point`.
    virtual CollapseEdgeInfo collapse_edge(const PolygonEdge& edge,
                                           const Point<2>& point);

    // Swaps the interior polygon edge `edge` (a, b) into (c, d). Refused on the border,
    // when the edge (c, d) exists already, or when (a, d, c) or (d, b, c) would be flat
    // or inverted (the quadrilateral is not strictly convex).
    virtual SwapEdgeInfo swap_edge(const PolygonEdge& edge);

    // Moves `vertex` (used by an active triangle) to `point`. No triangle is replaced.
    // Refused when a triangle around the vertex would become flat or inverted.
    virtual void move_point(index_t vertex, const Point<2>& point);

    // A double (multiple) adjacency is a fold: vertex v has exactly two triangles
    // around it, T1 = (v, a, b) and T2 = (v, b, a), adjacent to each other across both
    // of v's edges (v, a) and (v, b). Such a pair covers no area once the fold is
    // undone; in a valid planar mesh it cannot exist (one of the two is inverted or
    // both are flat), so this is a repair for meshes that come from elsewhere.
    // The operation removes v and both triangles (no triangle is created) and makes the
    // triangle across T1's edge (a, b) and the triangle across T2's edge (b, a)
    // adjacent to each other (either may be missing: the edge is then on the border).
    // v becomes isolated and updated_vertex(v) is empty afterwards. Refused when v is
    // not such a vertex.
    virtual RemoveMultipleAdjacencyInfo remove_double_adjacency(index_t vertex);

    // Re-routes polygon edge `edge` (a -> b, of triangle t with apex w) through its
    // apex, as if the edge were split at a new vertex and that vertex collapsed onto
    // w, with w kept and placed at `point`:
    // - t disappears (it is not replaced);
    // - interior edge, q = (b, a, x) across: q is replaced by (b, w, x) and
    //   (w, a, x), both copying q; the edge (w, x) is new (topologically a swap);
    // - border edge: the border now runs a -> w -> b. Requires both other edges of t
    //   to be interior and w not on the border (else w would pinch the surface).
    // Refused when (w, x) exists already, or when a triangle around w or a new
    // triangle would be flat or inverted with w at `point`. Meant for an apex that
    // lies (almost) on the edge: the route then moves by the apex's distance.
    virtual SplitCollapseInfo split_collapse_edge(const PolygonEdge& edge,
                                                  const Point<2>& point);
    // The same with w where it is.
    virtual SplitCollapseInfo split_collapse_edge(const PolygonEdge& edge);

    // Replaces vertex `old_vertex` by `new_vertex` in every active triangle around
    // `old_vertex` (each is replaced by a copy using `new_vertex`, rule 1, copying its
    // polygon attributes) and returns, for every edge (old_vertex, x), old edge index
    // -> edge (new_vertex, x), in the order of vertices_around_vertex(old_vertex); the
    // new edges copy the assignable edge attributes. `old_vertex` becomes isolated and
    // is forwarded to `new_vertex`. `new_vertex` must be isolated (a fresh vertex, say):
    // joining two fans at one vertex would pinch the surface. Refused as well when the
    // vertices are equal, when `old_vertex` is isolated, or when a triangle would be
    // flat or inverted at `new_vertex`'s point.
    virtual BijectiveMapping<index_t, index_t> replace_vertex(index_t old_vertex,
                                                              index_t new_vertex);

    // The three steps of clean(), each returning its old-to-new mapping. clean() runs
    // them as triangles, edges, vertices: the kernel deletes a vertex only once no
    // edge uses it. clean_vertices() called on its own while an unused edge still
    // uses an isolated vertex is refused.
    virtual std::vector<index_t> clean_triangles();
    virtual std::vector<index_t> clean_vertices();
    virtual std::vector<index_t> clean_edges();

    // ---- Non-virtual ------------------------------------------------------------

    bool is_triangle_active(index_t triangle) const;
    // True when an active triangle uses the edge. O(valence).
    bool is_edge_active(index_t edge) const;
    // Deactivates and detaches `triangle` (rule 2): its neighbours see a border, its
    // vertices point at another active triangle of their fan or become isolated.
    // Accepts an already inactive triangle (nothing happens).
    void inactive_triangle(index_t triangle);
    index_t nb_inactive_triangles() const;

    // clean_triangles, clean_edges, clean_vertices; then clean_stamp() changes when
    // anything was renumbered.
    CleanMappings clean();
    // Changes whenever clean() has renumbered the mesh.
    index_t clean_stamp() const;

    const TriangulatedSurface<2>& surface() const;
    TriangulatedSurfaceBuilder<2>& builder();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

using TriangulatedSurfaceModifier2D = TriangulatedSurfaceModifier<2>;

}  // namespace orvane
