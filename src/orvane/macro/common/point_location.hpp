#pragma once

#include <optional>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/macro/common/element_search.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

// Point location on a planar triangulated surface under modification: which active
// triangle holds a point, and whether the point snaps to a vertex or an edge of it.
//
// Containment is closed and tolerant. A point contains in a triangle when it lies in
// the closed triangle (exact orientation signs: a point on an edge or at a vertex
// counts), and, failing any such triangle, when it lies within GLOBAL_EPSILON of the
// triangle (Euclidean distance). Every snapping answer agrees with the preconditions of
// TriangulatedSurfaceModifier<2>::split_triangle and split_edge (same distances, same
// comparisons), so a point within GLOBAL_EPSILON of a triangle that snaps to nothing
// lies strictly inside it and can be split there.

namespace orvane::detail {

// How a walk towards a point ended.
struct PointLocationWalk {
    enum struct STATUS : unsigned char {
        // `triangle` is active and contains the point (closed, exact).
        found,
        // The point lies beyond a border edge of `triangle` (active): the walk cannot
        // go on. The point may still lie in another part of a non-convex surface.
        border,
        // The walk met a flat or inverted triangle that it cannot get past.
        degenerate,
        // The step bound was reached (a cycle among badly shaped triangles).
        exhausted,
        // No active triangle to start from: the start is out of range, and none of
        // its vertices (followed through updated_vertex) has an active triangle.
        no_start,
        // The point has a NaN or infinite coordinate.
        invalid_point
    };

    STATUS status{STATUS::no_start};
    // The last triangle visited (NO_ID for no_start and invalid_point).
    index_t triangle{NO_ID};
    // Triangles entered after the first one.
    index_t nb_steps{0};
};

// Walks from `start` towards `point` across active triangles.
//
// An inactive start (or one whose index is beyond the mesh) is replaced by an active
// triangle around one of its vertices, taken through modifier.updated_vertex, the
// vertex nearest to the point first; the start's vertex list stays readable until
// clean(), and a deactivated triangle's vertices keep active triangles as long as
// they are used at all.
//
// Each step crosses an edge whose line separates the triangle from the point (exact
// signs), never the edge it came in by, choosing at random (a fixed-seed generator, so
// results are reproducible) between two such edges: a walk that always took the first
// could cycle forever in a mesh that is not Delaunay. Bound: at most nb_polygons()
// steps; a walk that needs more is going round in circles and ends `exhausted`.
// Cost: O(number of triangles crossed).
PointLocationWalk walk_to_point(const Point<2>& point,
                                const TriangulatedSurface<2>& surface,
                                const TriangulatedSurfaceModifier<2>& modifier,
                                index_t start);

// The active triangle that contains `point` (closed, with the tolerance), or nothing
// when the point lies outside the surface (no active triangle within GLOBAL_EPSILON).
//
// `start` is a triangle near the point, as ElementSearch::initial_containing_element
// gives it; it may be inactive or stale (see walk_to_point). The walk from it settles
// most points at once. When it cannot (it meets the border, which on a non-convex
// surface or around a hole proves nothing, or it finds no active start, or its bound
// is reached), every active triangle is scanned: exact, but O(n). A walk that meets
// the border within GLOBAL_EPSILON of the point answers that border triangle without
// the scan. Prefer the overload with the element search, whose confirmation is
// bounded. NaN or infinite points give nothing.
std::optional<index_t> find_containing_triangle(
    const Point<2>& point, const TriangulatedSurface<2>& surface,
    const TriangulatedSurfaceModifier<2>& modifier, index_t start);

// The same, confirming with `search` (built over `surface` since its last clean())
// instead of scanning the mesh: when the walk does not find the point, the triangles
// whose boxes are near the point (the tree's, and those appended since its build) are
// tested, and walks are run from them and from the active triangles around the
// vertices of the inactive ones (at most 16 walks). A triangle that exactly contains
// the point is preferred over one within GLOBAL_EPSILON of it, even when the first walk
// stopped near the point at a border. Cost: the walk, plus O(log^2 n) and a few short
// walks when the point is outside or near the border.
//
// The answer is exact when the indexed boxes are current. A triangle whose vertex was
// moved since it was indexed is found when a walk from a triangle near the point
// reaches it, which holds unless the border lies between them.
std::optional<index_t> find_containing_triangle(
    const Point<2>& point, const TriangulatedSurface<2>& surface,
    const TriangulatedSurfaceModifier<2>& modifier, index_t start,
    const ElementSearch<TriangulatedSurface<2>>& search);

// The local vertex (0, 1 or 2) of `triangle` within GLOBAL_EPSILON of `point`
// (point_point_distance <= GLOBAL_EPSILON, the distance at which split_triangle and
// split_edge refuse a point); the nearest one when several are, the lowest index on a
// tie. Nothing when no vertex is that near, and for a NaN or infinite point. Throws a
// VelmoraException ("[snapping_detection] ...") when the triangle does not exist.
std::optional<local_index_t> snapping_detection(const TriangulatedSurface<2>& surface,
                                                index_t triangle, const Point<2>& point);

// Whether `point` snaps to the interior of polygon edge `edge`: it lies within
// GLOBAL_EPSILON of the edge's segment (point_segment_distance <= GLOBAL_EPSILON), its
// projection lies strictly between the ends, and it is farther than GLOBAL_EPSILON
// from both ends (a point that near an end snaps to the vertex instead). These are the
// distance conditions of split_edge, so the edge can be split at `point` itself. The
// value is the point's distance to the segment; only its presence matters to the
// vertex insertion. Nothing for a NaN or infinite point. Throws a VelmoraException
// ("[edge_snapping_detection] ...") when the edge does not exist.
std::optional<double> edge_snapping_detection(const TriangulatedSurface<2>& surface,
                                              const PolygonEdge& edge,
                                              const Point<2>& point);

// The first local edge of `triangle`, in the order 0, 1, 2, to which `point` snaps
// (as above), or nothing.
std::optional<local_index_t> edge_snapping_detection(
    const TriangulatedSurface<2>& surface, index_t triangle, const Point<2>& point);

}  // namespace orvane::detail
