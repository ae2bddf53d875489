#include <orvane/toolkit/orchestrator/surface/triangulated_surface_decimator.hpp>

#include <algorithm>

#include <absl/container/inlined_vector.h>

#include <orvane/toolkit/modifier/surface/internal_distances.hpp>
#include <orvane/toolkit/modifier/surface/surface_simulations.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_improvement_simulator.hpp>

namespace orvane {

TriangulatedSurfaceDecimatorOperator<2>::~TriangulatedSurfaceDecimatorOperator() =
    default;

TriangulatedSurfaceDecimator<2>::TriangulatedSurfaceDecimator(
    TriangulatedSurfaceConstraintModifier<2>& modifier,
    const TriangulatedSurfaceDecimatorOperator<2>& decimator_operator)
    : TriangulatedSurfaceOrchestrator<2, SurfaceEdge<2>>(modifier),
      operator_(&decimator_operator) {}

TriangulatedSurfaceDecimator<2>::~TriangulatedSurfaceDecimator() = default;

bool TriangulatedSurfaceDecimator<2>::skip_on_infinite_loop() const {
    return true;
}

unsigned int TriangulatedSurfaceDecimator<2>::nb_levels() const {
    return 1;
}

std::optional<PolygonEdge> TriangulatedSurfaceDecimator<2>::find_polygon_edge(
    const SurfaceEdge<2>& edge) const {
    const auto& surface = object();
    const auto [v0, v1] = edge.vertices;
    if (v0 >= surface.nb_vertices() || v1 >= surface.nb_vertices())
        return std::nullopt;
    const auto& queued = edge.polygon_edge;
    if (queued.polygon_id < surface.nb_polygons() && queued.edge_id < 3 &&
        modifier().is_triangle_active(queued.polygon_id)) {
        const auto ends = surface.polygon_edge_vertices(queued);
        if ((ends[0] == v0 && ends[1] == v1) || (ends[0] == v1 && ends[1] == v0))
            return queued;
    }
    if (surface.is_vertex_isolated(v0) || surface.is_vertex_isolated(v1))
        return std::nullopt;
    if (auto found = surface.polygon_edge_from_vertices(v0, v1))
        return found;
    return surface.polygon_edge_from_vertices(v1, v0);
}

bool TriangulatedSurfaceDecimator<2>::skip_element(const SurfaceEdge<2>& edge) const {
    const auto polygon_edge = find_polygon_edge(edge);
    if (!polygon_edge)
        return true;
    const auto& surface = object();
    if (surface.is_vertex_isolated(edge.vertices[0]) ||
        surface.is_vertex_isolated(edge.vertices[1]))
        return true;
    return operator_->skip_edge(surface, *polygon_edge);
}

ALLOWED_COLLAPSE_VERTEX_VERTEX TriangulatedSurfaceDecimator<2>::allowed_collapse_edge(
    const PolygonEdge& edge) const {
    return allowed_collapse_edge_by_constraints(
        constraint_modifier().modifiable_surface(), edge,
        constraint_modifier().constraints());
}

std::optional<double> TriangulatedSurfaceDecimator<2>::simulate_collapse(
    const OrientedEdge& edge) const {
    const auto& surface = object();
    const auto after = triangles_after_collapse_edge(surface, edge.polygon_edge,
                                                     surface.point(edge.vertices.kept));
    if (!after)
        return std::nullopt;
    const auto nb_bad = compute_number_of_negative_triangles(*after);
    if (!nb_bad || *nb_bad != 0)
        return std::nullopt;
    double worst_after = 1;
    for (const auto& triangle : *after)
        worst_after = std::min(worst_after, triangle_quality(triangle));
    if (worst_after >= quality_floor())
        return worst_after;
    // Already below the floor around the removed vertex: allowed when not worse.
    double worst_before = 1;
    for (const auto& around : surface.polygons_around_vertex(edge.vertices.removed))
        worst_before =
            std::min(worst_before, triangle_quality(surface.triangle(around.polygon_id)));
    if (worst_after >= worst_before)
        return worst_after;
    return std::nullopt;
}

std::optional<TriangulatedSurfaceDecimator<2>::ProcessElementResult>
TriangulatedSurfaceDecimator<2>::collapse_edge(const OrientedEdge& edge) {
    if (!simulate_collapse(edge))
        return std::nullopt;
    const auto info =
        constraint_modifier().collapse_edge(edge.polygon_edge, edge.vertices);
    const auto& surface = object();
    ProcessElementResult result;
    result.success = true;
    const index_t kept = info.vertex;
    // The edges around the kept vertex: each triangle of its fan gives the edge that
    // starts at it.
    for (const auto& around : surface.polygons_around_vertex(kept)) {
        const PolygonEdge from_kept{around};
        const auto ends = surface.polygon_edge_vertices(from_kept);
        result.new_elements.emplace_back(from_kept, ends[0], ends[1]);
        // On the border the last edge of the fan ends at the kept vertex.
        const PolygonEdge to_kept{around.polygon_id,
                                  static_cast<local_index_t>((around.vertex_id + 2) % 3)};
        if (!surface.polygon_adjacent_edge(to_kept)) {
            const auto border_ends = surface.polygon_edge_vertices(to_kept);
            result.new_elements.emplace_back(to_kept, border_ends[0], border_ends[1]);
        }
    }
    return result;
}

TriangulatedSurfaceDecimator<2>::ProcessElementResult
TriangulatedSurfaceDecimator<2>::process_element(const SurfaceEdge<2>& edge) {
    ProcessElementResult failed;
    const auto polygon_edge = find_polygon_edge(edge);
    if (!polygon_edge)
        return failed;
    const auto verdict = allowed_collapse_edge(*polygon_edge);
    const auto ends = object().polygon_edge_vertices(*polygon_edge);
    absl::InlinedVector<std::pair<double, OrientedEdge>, 2> candidates;
    if (allows_first(verdict)) {
        const OrientedEdge oriented{*polygon_edge, {ends[0], ends[1]}};
        if (const auto worst = simulate_collapse(oriented))
            candidates.emplace_back(*worst, oriented);
    }
    if (allows_second(verdict)) {
        const OrientedEdge oriented{*polygon_edge, {ends[1], ends[0]}};
        if (const auto worst = simulate_collapse(oriented))
            candidates.emplace_back(*worst, oriented);
    }
    if (candidates.size() == 2 && candidates[1].first > candidates[0].first)
        std::swap(candidates[0], candidates[1]);
    for (const auto& candidate : candidates) {
        if (auto result = collapse_edge(candidate.second))
            return std::move(*result);
    }
    return failed;
}

}  // namespace orvane
