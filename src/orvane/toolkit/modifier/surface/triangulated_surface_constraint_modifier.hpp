#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/toolkit/modifier/surface/constraint_modifier.hpp>
#include <orvane/toolkit/modifier/surface/modifiable_surface.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

namespace orvane {

template <index_t dimension>
class TriangulatedSurfaceConstraintModifier;

// Local operations of a triangulated surface under a set of common constraints
// (immutable vertices, forbidden edges, border protection).
//
// Callers ask first: the predicates below say what the constraints and the topology
// allow, the simulations (surface_simulations.hpp) what the geometry would become. The
// operations themselves do not check the predicates again; they run the surface
// modifier's operation (which refuses geometrically or topologically invalid changes
// with an exception, before changing anything) and then keep the constraints in step
// with the mesh:
// - a collapse passes the removed vertex's immutability and forbidden edges to the kept
//   vertex, and forgets the collapsed edge;
// - a split replaces a forbidden edge by its two halves;
// - a swap or split-collapse given an apex re-routes a forbidden edge through the apex
//   (both edges through it become forbidden); without an apex the edge is just gone;
// - a double-adjacency removal that keeps the vertex passes its constraints to the
//   vertex replacing it;
// - clean() renumbers the constraints with the compaction.
//
// Refers to the surface and its modifier (caller-owned, they must outlive it) and owns
// its constraints. Movable, not copyable.
template <>
class TriangulatedSurfaceConstraintModifier<2> : public ConstraintModifier {
public:
    TriangulatedSurfaceConstraintModifier(
        ModifiableObject<TriangulatedSurface<2>> modifiable_surface,
        CommonConstraints constraints);
    TriangulatedSurfaceConstraintModifier(
        TriangulatedSurfaceConstraintModifier&& other) noexcept;
    TriangulatedSurfaceConstraintModifier& operator=(
        TriangulatedSurfaceConstraintModifier&& other) noexcept;

    // ---- Virtual operations (this declaration order is part of the contract) -------

    ~TriangulatedSurfaceConstraintModifier() override;

    // Collapses `edge` (a -> b): a stays and moves to `point`, b is merged into it.
    virtual CollapseEdgeInfo collapse_edge(const PolygonEdge& edge,
                                           const Point<2>& point);
    // Collapses `edge` with `vertices.removed` merged into `vertices.kept`, which stays
    // where it is; the pair must be the edge's two vertices.
    //
    // Which index survives: `vertices.kept`, except on a border edge whose kept end is
    // its second vertex and has the larger index. The surface modifier keeps only the
    // first vertex of a polygon edge or the smaller index of an edge, so there the
    // removed index survives at the kept vertex's point: same geometry, and
    // updated_vertex(kept) names it; the kept vertex's immutability and forbidden edges
    // pass to it. The info's vertex is the surviving index.
    virtual CollapseEdgeInfo collapse_edge(const PolygonEdge& edge,
                                           const OrientedEdgeVertices& vertices);
    // Splits `edge` at `point`.
    virtual SplitInfo split_edge(const PolygonEdge& edge, const Point<2>& point);
    // Swaps the interior `edge`; returns the two new triangles. `apex`, when given, is a
    // vertex of one of the edge's triangles opposite the edge, through which the edge
    // is re-routed (for a forbidden edge).
    virtual std::vector<index_t> swap_edge(const PolygonEdge& edge,
                                           const std::optional<PolygonVertex>& apex);
    // Re-routes `edge` through its apex, moved to `point`. `apex`, when given, must be
    // the edge's own apex (the vertex of its triangle opposite it).
    virtual SplitInfo split_collapse_edge(const PolygonEdge& edge, const Point<2>& point,
                                          const std::optional<PolygonVertex>& apex);
    // The same with the apex where it is.
    virtual SplitInfo split_collapse_edge(const PolygonEdge& edge,
                                          const std::optional<PolygonVertex>& apex);
    // Removes the double adjacency at `vertex`, keeping it (see
    // do_remove_double_adjacency) when it is immutable.
    virtual RemoveAdjacencyInfo remove_double_adjacency(index_t vertex);

    // ---- Non-virtual ------------------------------------------------------------

    ModifiableObject<TriangulatedSurface<2>>& modifiable_surface();
    const ModifiableObject<TriangulatedSurface<2>>& modifiable_surface() const;

    // The surface modifier's clean(), with the constraints renumbered to follow it.
    TriangulatedSurfaceModifier<2>::CleanMappings clean();

protected:
    // Removes the double adjacency at `vertex` (see
    // TriangulatedSurfaceModifier<2>::remove_double_adjacency). With `keep` (or when the
    // vertex is immutable) the vertex must survive: the fold is removed and the merged
    // edge (a, b) is split at the vertex's point, so a new vertex u takes its place
    // there, joined to a and b; the info's vertex is u. That needs the point to lie
    // within the tolerance of the segment (a, b), farther than it from a and b, with a
    // triangle on at least one side of (a, b) and every new triangle strictly
    // counter-clockwise; otherwise the call is refused before anything changes. Without
    // `keep` the vertex is simply removed and the info has no vertex.
    RemoveAdjacencyInfo do_remove_double_adjacency(index_t vertex, bool keep);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

using TriangulatedSurfaceConstraintModifier2D = TriangulatedSurfaceConstraintModifier<2>;

// ---- Predicates: constraints and topology (geometry is the simulations' part) -------
//
// Triangles the modifier has deactivated (or indices beyond the mesh) get the answer
// "nothing allowed"; a local edge above 2 is a clear exception.

// Which end of `edge` may be removed (merged into the other): the collapse must be
// topologically valid (link condition, no pinch, no fold, no vertex left alone), the
// edge not forbidden; the removed end not immutable, not on a protected border, and
// without other forbidden edges (they would move).
ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge_by_constraints(
    const ModifiableObject<TriangulatedSurface<2>>& modifiable_surface,
    const PolygonEdge& edge, const ConstraintModifier::CommonConstraints& constraints);

// Whether the interior `edge` may be swapped: topologically valid (the new edge does not
// exist, no vertex folded), and the edge not forbidden unless it is re-routed through a
// given `apex` lying within the tolerance of it.
bool is_swap_edge_allowed_by_constraints(
    const ModifiableObject<TriangulatedSurface<2>>& modifiable_surface,
    const PolygonEdge& edge, const std::optional<PolygonVertex>& apex,
    const ConstraintModifier::CommonConstraints& constraints);

// Re-routing of `edge` through its apex w; 0 when topologically impossible. Bit 0: the
// edge may disappear (not forbidden, unless re-routed through a given apex lying
// within the tolerance of it; a border edge under a protected border only through
// an apex within the tolerance when the border is fixed). Bit 1: w may move (not
// immutable, not on a protected border).
ALLOWED_COLLAPSE_EDGE_VERTEX allowed_split_collapse_edge_by_constraints(
    const ModifiableObject<TriangulatedSurface<2>>& modifiable_surface,
    const PolygonEdge& edge, const std::optional<PolygonVertex>& apex,
    const ConstraintModifier::CommonConstraints& constraints);

}  // namespace orvane
