#include <orvane/toolkit/modifier/surface/surface_simulations.hpp>

#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/toolkit/modifier/surface/internal_distances.hpp>
#include <orvane/toolkit/modifier/surface/surface_topology.hpp>

namespace orvane {

namespace {

// The triangles of the fan of `vertex` other than those in `skip`, with `vertex` at
// `point`; nothing when `vertex` is already at `point` (no shape changes).
void add_moved_fan(const TriangulatedSurface<2>& mesh, index_t vertex,
                   const Point<2>& point, absl::Span<const index_t> skip,
                   SimulatedTriangles& result) {
    if (mesh.point(vertex) == point)
        return;
    for (const auto& pv : mesh.polygons_around_vertex(vertex)) {
        if (detail::list_contains(skip, pv.polygon_id))
            continue;
        const auto& v = mesh.polygon_vertices(pv.polygon_id);
        std::array<Point<2>, 3> points{
            {mesh.point(v[0]), mesh.point(v[1]), mesh.point(v[2])}};
        points[pv.vertex_id] = point;
        result.emplace_back(points[0], points[1], points[2]);
    }
}

}  // namespace

std::optional<SimulatedTriangles> triangles_after_collapse_edge(
    const TriangulatedSurface<2>& mesh, const PolygonEdge& edge, const Point<2>& point) {
    if (!detail::is_collapse_topologically_valid(mesh, edge))
        return std::nullopt;
    const auto star = detail::edge_star(mesh, edge);
    absl::InlinedVector<index_t, 2> removed{star.t};
    if (star.across)
        removed.push_back(star.q);
    SimulatedTriangles result;
    add_moved_fan(mesh, star.a, point, removed, result);
    // Triangles around b that are not around a (the link condition leaves none shared
    // except the removed ones).
    add_moved_fan(mesh, star.b, point, removed, result);
    return result;
}

std::optional<SimulatedTriangles> triangles_after_swap_edge(
    const TriangulatedSurface<2>& mesh, const PolygonEdge& edge) {
    if (!detail::is_swap_topologically_valid(mesh, edge))
        return std::nullopt;
    const auto star = detail::edge_star(mesh, edge);
    const auto& pa = mesh.point(star.a);
    const auto& pb = mesh.point(star.b);
    const auto& pc = mesh.point(star.c);
    const auto& pd = mesh.point(star.d);
    SimulatedTriangles result;
    result.emplace_back(pa, pd, pc);
    result.emplace_back(pd, pb, pc);
    return result;
}

std::optional<SimulatedTriangles> triangles_after_split_collapse_edge(
    const TriangulatedSurface<2>& mesh, const PolygonEdge& edge) {
    if (!detail::is_split_collapse_topologically_valid(mesh, edge))
        return std::nullopt;
    const auto star = detail::edge_star(mesh, edge);
    return triangles_after_split_collapse_edge(mesh, edge, mesh.point(star.c));
}

std::optional<SimulatedTriangles> triangles_after_split_collapse_edge(
    const TriangulatedSurface<2>& mesh, const PolygonEdge& edge, const Point<2>& point) {
    if (!detail::is_split_collapse_topologically_valid(mesh, edge))
        return std::nullopt;
    const auto star = detail::edge_star(mesh, edge);
    SimulatedTriangles result;
    absl::InlinedVector<index_t, 2> removed{star.t};
    if (star.across) {
        removed.push_back(star.q);
        const auto& pa = mesh.point(star.a);
        const auto& pb = mesh.point(star.b);
        const auto& px = mesh.point(star.d);
        result.emplace_back(pb, point, px);
        result.emplace_back(point, pa, px);
    }
    add_moved_fan(mesh, star.c, point, removed, result);
    return result;
}

std::optional<index_t> compute_number_of_negative_triangles(
    absl::Span<const Triangle<2>> triangles, double tolerance) {
    index_t bad = 0;
    for (const auto& triangle : triangles) {
        if (triangle_area_sign(triangle) != SIDE::positive)
            return std::nullopt;
        if (triangle_status(triangle, tolerance) !=
            InternalDistance::ELEMENT_STATUS::good)
            ++bad;
    }
    return bad;
}

}  // namespace orvane
