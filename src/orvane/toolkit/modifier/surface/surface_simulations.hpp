#pragma once

#include <optional>

#include <absl/container/inlined_vector.h>
#include <absl/types/span.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/triangle.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>

namespace orvane {

// What a local operation would make of the triangles it changes, computed without
// touching the mesh, so that a caller can judge the operation before doing it. Each
// gives the triangles that would replace (or reshape) the affected ones, in the
// orientation they would have: empty optional when the operation is topologically
// impossible (see surface_topology.hpp: link condition, duplicate edge, double
// adjacency, a triangle a modifier has detached). Geometry is not judged here; see
// compute_number_of_negative_triangles.
using SimulatedTriangles = absl::InlinedVector<Triangle<2>, 10>;

// Collapse of `edge` with the merged vertex at `point`: every triangle around either
// end except the edge's one or two, with both ends replaced by `point`; triangles
// whose shape does not change (around an end already at `point`) are left out.
std::optional<SimulatedTriangles> triangles_after_collapse_edge(
    const TriangulatedSurface<2>& mesh, const PolygonEdge& edge, const Point<2>& point);

// Swap of the interior polygon edge (a, b) with apexes c and d: (a, d, c), (d, b, c).
std::optional<SimulatedTriangles> triangles_after_swap_edge(
    const TriangulatedSurface<2>& mesh, const PolygonEdge& edge);

// Re-routing of `edge` through its apex w, w staying where it is: for an interior edge
// the two triangles (b, w, x), (w, a, x) replacing the triangle across; for a border
// edge nothing replaces the removed triangle (an empty list).
std::optional<SimulatedTriangles> triangles_after_split_collapse_edge(
    const TriangulatedSurface<2>& mesh, const PolygonEdge& edge);
// The same with w moved to `point`: the triangles around w also take their new shape.
std::optional<SimulatedTriangles> triangles_after_split_collapse_edge(
    const TriangulatedSurface<2>& mesh, const PolygonEdge& edge, const Point<2>& point);

// No value when a simulated triangle is flat or inverted (exact sign: the modifier
// refuses such triangles), otherwise the number of bad triangles among them (status not
// good at `tolerance`, see triangle_status).
std::optional<index_t> compute_number_of_negative_triangles(
    absl::Span<const Triangle<2>> triangles, double tolerance = GLOBAL_EPSILON);

}  // namespace orvane
