#include <orvane/toolkit/orchestrator/surface/triangulated_surface_optimizer.hpp>

#include <array>

#include <orvane/kernel/geometry/point.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>
#include <orvane/toolkit/modifier/surface/surface_simulations.hpp>
#include <orvane/toolkit/modifier/surface/surface_topology.hpp>

namespace orvane {
namespace {

using ProcessElementResult = Orchestrator<unsigned int>::ProcessElementResult;

template <typename List>
std::vector<unsigned int> as_elements(const List& triangles) {
    return std::vector<unsigned int>(triangles.begin(), triangles.end());
}

ProcessElementResult success(std::vector<unsigned int> triangles) {
    ProcessElementResult result;
    result.success = true;
    result.new_elements = std::move(triangles);
    return result;
}

// The triangles not good by the internal distances.
index_t count_bad(absl::Span<const Triangle<2>> triangles) {
    index_t nb_bad = 0;
    for (const auto& triangle : triangles) {
        if (triangle_status(triangle) != InternalDistance::ELEMENT_STATUS::good)
            ++nb_bad;
    }
    return nb_bad;
}

}  // namespace

// ---- TriangulatedSurfaceInternalDistanceOptimizer<2> ---------------------------------

TriangulatedSurfaceInternalDistanceOptimizer<2>::
    TriangulatedSurfaceInternalDistanceOptimizer(
        TriangulatedSurfaceConstraintModifier<2>& modifier,
        const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator)
    : TriangulatedSurfaceOrchestrator<2, unsigned int>(modifier),
      simulator_(&simulator) {}

TriangulatedSurfaceInternalDistanceOptimizer<
    2>::~TriangulatedSurfaceInternalDistanceOptimizer() = default;

bool TriangulatedSurfaceInternalDistanceOptimizer<2>::skip_element(
    const unsigned int& triangle) const {
    if (triangle >= object().nb_polygons() || !modifier().is_triangle_active(triangle))
        return true;
    return !simulator_->require_improvement(object(), triangle);
}

TriangulatedSurfaceInternalDistanceOptimizer<2>::ProcessElementResult
TriangulatedSurfaceInternalDistanceOptimizer<2>::process_element(
    const unsigned int& triangle) {
    // The engine asked skip_element just before, but the simulator's scratch list may
    // have served another triangle since: refresh it.
    if (!simulator_->require_improvement(object(), triangle))
        return default_failed_result(triangle);
    const unsigned int current = level();
    std::optional<ProcessElementResult> result;
    const auto& distances = simulator_->internal_distances();
    InternalDistance distance;
    if (!distances.empty()) {
        distance = distances.front();
    } else {
        distance = minimal_triangle_internal_distance(object().triangle(triangle));
        distance.edge.polygon_id = triangle;
    }
    switch (distance.status) {
        case InternalDistance::ELEMENT_STATUS::double_adjacency:
            result = process_double_adjacency_configuration(distance.vertex, current);
            break;
        case InternalDistance::ELEMENT_STATUS::vertex_vertex:
            result = process_vertex_vertex_configuration(distance.edge, current);
            break;
        case InternalDistance::ELEMENT_STATUS::edge_vertex:
            result = process_edge_vertex_configuration(distance.edge, current);
            break;
        case InternalDistance::ELEMENT_STATUS::good:
            break;
    }
    if (result)
        return std::move(*result);
    return default_failed_result(triangle);
}

// ---- TriangulatedSurfaceOptimizer<2> -------------------------------------------------

TriangulatedSurfaceOptimizer<2>::TriangulatedSurfaceOptimizer(
    TriangulatedSurfaceConstraintModifier<2>& modifier,
    const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator)
    : TriangulatedSurfaceInternalDistanceOptimizer<2>(modifier, simulator) {}

TriangulatedSurfaceOptimizer<2>::~TriangulatedSurfaceOptimizer() = default;

bool TriangulatedSurfaceOptimizer<2>::skip_on_infinite_loop() const {
    return true;
}

unsigned int TriangulatedSurfaceOptimizer<2>::nb_levels() const {
    return 1;
}

bool TriangulatedSurfaceOptimizer<2>::is_swap_edge_allowed(
    const PolygonEdge& edge) const {
    return is_swap_edge_allowed_by_constraints(constraint_modifier().modifiable_surface(),
                                               edge, std::nullopt,
                                               constraint_modifier().constraints());
}

ALLOWED_COLLAPSE_VERTEX_VERTEX TriangulatedSurfaceOptimizer<2>::allowed_collapse_edge(
    const PolygonEdge& edge) const {
    return allowed_collapse_edge_by_constraints(
        constraint_modifier().modifiable_surface(), edge,
        constraint_modifier().constraints());
}

std::optional<TriangulatedSurfaceOptimizer<2>::Candidate>
TriangulatedSurfaceOptimizer<2>::evaluate_swap(const PolygonEdge& edge) const {
    const auto& surface = object();
    const auto star = detail::edge_star(surface, edge);
    if (!star.across)
        return std::nullopt;
    // Most swaps fold a triangle or do not improve: that costs two orientation tests
    // and four metrics, while the verdict and the topology walk fans; every test only
    // rejects, so their order is free.
    const auto& pa = surface.point(star.a);
    const auto& pb = surface.point(star.b);
    const auto& pc = surface.point(star.c);
    const auto& pd = surface.point(star.d);
    const std::array<Triangle<2>, 2> after{{{pa, pd, pc}, {pd, pb, pc}}};
    const auto nb_bad_after = compute_number_of_negative_triangles(after);
    if (!nb_bad_after)
        return std::nullopt;
    const std::array<Triangle<2>, 2> before{
        {surface.triangle(edge.polygon_id), surface.triangle(star.q)}};
    auto candidate =
        make_candidate(Candidate::KIND::swap, edge, {}, before, after, *nb_bad_after, 0);
    if (!candidate || !is_swap_edge_allowed(edge) ||
        !detail::is_swap_topologically_valid(surface, edge))
        return std::nullopt;
    return candidate;
}

std::optional<TriangulatedSurfaceOptimizer<2>::Candidate>
TriangulatedSurfaceOptimizer<2>::make_candidate(
    Candidate::KIND kind, const PolygonEdge& edge,
    const ConstraintModifier::OrientedEdgeVertices& vertices,
    absl::Span<const Triangle<2>> before, absl::Span<const Triangle<2>> after,
    index_t nb_bad_after, double empty_worst) const {
    const index_t nb_bad_before = count_bad(before);
    if (nb_bad_after > nb_bad_before)
        return std::nullopt;
    TriangulatedSurfaceImprovementSimulator<2>::TrianglesMetrics metrics;
    for (const auto& triangle : before)
        metrics.before.push_back(simulator().metric(triangle));
    for (const auto& triangle : after)
        metrics.after.push_back(simulator().metric(triangle));
    if (nb_bad_after == nb_bad_before && !simulator().is_better_after_simulation(metrics))
        return std::nullopt;
    Candidate candidate;
    candidate.kind = kind;
    candidate.edge = edge;
    candidate.vertices = vertices;
    candidate.nb_bad = nb_bad_after;
    // worst_metric of the triangles after, from the metrics already at hand.
    candidate.worst = empty_worst;
    if (!metrics.after.empty()) {
        candidate.worst = metrics.after.front();
        for (std::size_t i = 1; i < metrics.after.size(); ++i)
            candidate.worst = simulator().worst(candidate.worst, metrics.after[i]);
    }
    return candidate;
}

std::optional<TriangulatedSurfaceOptimizer<2>::Candidate>
TriangulatedSurfaceOptimizer<2>::evaluate_collapse(
    const PolygonEdge& edge,
    const ConstraintModifier::OrientedEdgeVertices& vertices) const {
    const auto& surface = object();
    const auto after =
        triangles_after_collapse_edge(surface, edge, surface.point(vertices.kept));
    if (!after)
        return std::nullopt;
    const auto nb_bad_after = compute_number_of_negative_triangles(*after);
    if (!nb_bad_after)
        return std::nullopt;
    // The triangles that change: those around the removed vertex (the edge's own among
    // them); the kept vertex's other triangles keep their shape.
    absl::InlinedVector<Triangle<2>, 10> before;
    for (const auto& around : surface.polygons_around_vertex(vertices.removed))
        before.push_back(surface.triangle(around.polygon_id));
    return make_candidate(Candidate::KIND::collapse, edge, vertices, before, *after,
                          *nb_bad_after, 1);
}

void TriangulatedSurfaceOptimizer<2>::keep_best(std::optional<Candidate> candidate,
                                                std::optional<Candidate>& best) const {
    if (!candidate)
        return;
    if (!best || candidate->nb_bad < best->nb_bad ||
        (candidate->nb_bad == best->nb_bad &&
         simulator().worst(candidate->worst, best->worst) == best->worst &&
         candidate->worst != best->worst)) {
        best = candidate;
    }
}

void TriangulatedSurfaceOptimizer<2>::add_collapse_candidates(
    const PolygonEdge& edge, std::optional<Candidate>& best) const {
    // What evaluate_collapse decides for both ends, with the fans of the edge walked
    // once and the tests in the cheapest order (all of them only reject): most
    // collapses fold a triangle, which needs neither the verdict nor the link condition.
    const auto& surface = object();
    const auto star = detail::edge_star(surface, edge);
    const auto fan_of = [&surface](index_t vertex) {
        return surface.is_vertex_isolated(vertex)
                   ? PolygonsAroundVertex{}
                   : surface.polygons_around_vertex(vertex);
    };
    const std::array<PolygonsAroundVertex, 2> fans{{fan_of(star.a), fan_of(star.b)}};
    const std::array<index_t, 2> ends{{star.a, star.b}};
    absl::InlinedVector<index_t, 2> removed_triangles{star.t};
    if (star.across)
        removed_triangles.push_back(star.q);
    // As triangles_after_collapse_edge: both fans but the edge's triangles, moved to the
    // kept vertex (a fan already there keeps its shape).
    std::array<SimulatedTriangles, 2> after;
    std::array<std::optional<index_t>, 2> nb_bad_after;
    for (local_index_t k = 0; k < 2; ++k) {
        const Point<2>& point = surface.point(ends[1 - k]);
        for (local_index_t f = 0; f < 2; ++f) {
            if (surface.point(ends[f]) == point)
                continue;
            for (const auto& pv : fans[f]) {
                if (detail::list_contains(removed_triangles, pv.polygon_id))
                    continue;
                auto triangle = surface.triangle(pv.polygon_id);
                triangle.set_vertex(pv.vertex_id, point);
                after[k].push_back(triangle);
            }
        }
        nb_bad_after[k] = compute_number_of_negative_triangles(after[k]);
    }
    std::array<std::optional<Candidate>, 2> candidates;
    for (local_index_t k = 0; k < 2; ++k) {
        if (!nb_bad_after[k])
            continue;
        // The triangles that change: those around the removed vertex (the edge's own
        // among them); the kept vertex's other triangles keep their shape.
        absl::InlinedVector<Triangle<2>, 10> before;
        for (const auto& pv : fans[k])
            before.push_back(surface.triangle(pv.polygon_id));
        candidates[k] =
            make_candidate(Candidate::KIND::collapse, edge, {ends[k], ends[1 - k]},
                           before, after[k], *nb_bad_after[k], 1);
    }
    if (!candidates[0] && !candidates[1])
        return;
    const auto verdict = allowed_collapse_edge(edge);
    const std::array<bool, 2> allowed{{allows_first(verdict), allows_second(verdict)}};
    std::optional<bool> valid;
    for (local_index_t k = 0; k < 2; ++k) {
        if (!allowed[k] || !candidates[k])
            continue;
        if (!valid)
            valid = detail::is_collapse_topologically_valid(surface, edge);
        if (!*valid)
            return;
        keep_best(std::move(candidates[k]), best);
    }
}

TriangulatedSurfaceOptimizer<2>::ProcessElementResult
TriangulatedSurfaceOptimizer<2>::apply_candidate(const Candidate& candidate) {
    if (candidate.kind == Candidate::KIND::swap) {
        return success(
            as_elements(constraint_modifier().swap_edge(candidate.edge, std::nullopt)));
    }
    const auto info =
        constraint_modifier().collapse_edge(candidate.edge, candidate.vertices);
    return success(as_elements(info.triangles));
}

std::optional<TriangulatedSurfaceOptimizer<2>::ProcessElementResult>
TriangulatedSurfaceOptimizer<2>::process_vertex_vertex_configuration(
    const PolygonEdge& edge, unsigned int) {
    std::optional<Candidate> best;
    add_collapse_candidates(edge, best);
    if (!best) {
        const PolygonEdge next{edge.polygon_id, detail::next3(edge.edge_id)};
        const PolygonEdge previous{edge.polygon_id, detail::prev3(edge.edge_id)};
        keep_best(evaluate_swap(edge), best);
        keep_best(evaluate_swap(next), best);
        keep_best(evaluate_swap(previous), best);
    }
    if (!best)
        return std::nullopt;
    return apply_candidate(*best);
}

std::optional<TriangulatedSurfaceOptimizer<2>::ProcessElementResult>
TriangulatedSurfaceOptimizer<2>::process_double_adjacency_configuration(
    unsigned int vertex, unsigned int) {
    if (!detail::is_double_adjacency(object(), vertex))
        return std::nullopt;
    try {
        auto info = constraint_modifier().remove_double_adjacency(vertex);
        return success(as_elements(info.triangles));
    } catch (const OrvaneCommonModifierCommonException&) {
        // Refused before anything changed (a kept vertex that cannot be placed on the
        // merged edge): the triangle stays as it is.
        return std::nullopt;
    }
}

std::optional<TriangulatedSurfaceOptimizer<2>::ProcessElementResult>
TriangulatedSurfaceOptimizer<2>::process_edge_vertex_configuration(
    const PolygonEdge& edge, unsigned int) {
    const PolygonEdge next{edge.polygon_id, detail::next3(edge.edge_id)};
    const PolygonEdge previous{edge.polygon_id, detail::prev3(edge.edge_id)};
    std::optional<Candidate> best;
    keep_best(evaluate_swap(edge), best);
    keep_best(evaluate_swap(next), best);
    keep_best(evaluate_swap(previous), best);
    if (!best) {
        add_collapse_candidates(previous, best);
        add_collapse_candidates(next, best);
    }
    if (!best)
        return std::nullopt;
    return apply_candidate(*best);
}

TriangulatedSurfaceOptimizer<2>::ProcessElementResult
TriangulatedSurfaceOptimizer<2>::default_failed_result(unsigned int triangle) const {
    ProcessElementResult result;
    result.success = false;
    result.retry_elements.push_back(triangle);
    return result;
}

// ---- TriangulatedSurfaceShiftOptimizer<2> --------------------------------------------

TriangulatedSurfaceShiftOptimizer<2>::TriangulatedSurfaceShiftOptimizer(
    TriangulatedSurfaceConstraintModifier<2>& modifier,
    const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator)
    : TriangulatedSurfaceOptimizer<2>(modifier, simulator) {}

TriangulatedSurfaceShiftOptimizer<2>::~TriangulatedSurfaceShiftOptimizer() = default;

bool TriangulatedSurfaceShiftOptimizer<2>::is_vertex_shift_allowed(index_t vertex) const {
    const auto& surface = object();
    if (surface.is_vertex_isolated(vertex) || surface.is_vertex_on_border(vertex))
        return false;
    if (constraint_modifier().constraints().immuable_vertices.contains(vertex))
        return false;
    // Each polygon edge starting at the vertex reaches one neighbour (the vertex is
    // interior): the vertex must be removable towards every one of them.
    for (const auto& around : surface.polygons_around_vertex(vertex)) {
        if (!allows_first(allowed_collapse_edge(PolygonEdge{around})))
            return false;
    }
    return true;
}

std::optional<TriangulatedSurfaceShiftOptimizer<2>::ProcessElementResult>
TriangulatedSurfaceShiftOptimizer<2>::try_shift_vertex(index_t vertex) {
    const auto& surface = object();
    // The cheap parts of is_vertex_shift_allowed first; its collapse verdicts around
    // the fan cost a link-condition check per edge, so they are asked only once a
    // target is found: the outcome is the same, as nothing changes in between.
    if (surface.is_vertex_isolated(vertex) || surface.is_vertex_on_border(vertex))
        return std::nullopt;
    if (constraint_modifier().constraints().immuable_vertices.contains(vertex))
        return std::nullopt;
    const auto fan = surface.polygons_around_vertex(vertex);
    // The neighbours in the order of vertices_around_vertex, which fixes the rounding
    // of the centroid.
    VerticesAroundVertex neighbours;
    for (const auto& around : fan) {
        const auto& v = surface.polygon_vertices(around.polygon_id);
        for (const index_t neighbour :
             {v[detail::next3(around.vertex_id)], v[detail::prev3(around.vertex_id)]}) {
            if (!detail::list_contains(neighbours, neighbour))
                neighbours.push_back(neighbour);
        }
    }
    if (neighbours.empty())
        return std::nullopt;
    Point<2> centroid{{0., 0.}};
    for (const index_t neighbour : neighbours)
        centroid = centroid + surface.point(neighbour);
    centroid = centroid / static_cast<double>(neighbours.size());
    const Point<2> origin = surface.point(vertex);
    absl::InlinedVector<Triangle<2>, 10> before;
    for (const auto& around : fan)
        before.push_back(surface.triangle(around.polygon_id));
    const index_t nb_bad_before = count_bad(before);
    TriangulatedSurfaceImprovementSimulator<2>::TrianglesMetrics metrics;
    for (const auto& triangle : before)
        metrics.before.push_back(simulator().metric(triangle));
    for (const Point<2>& target : {centroid, (origin + centroid) / 2.}) {
        absl::InlinedVector<Triangle<2>, 10> after;
        for (std::size_t i = 0; i < fan.size(); ++i) {
            auto triangle = before[i];
            triangle.set_vertex(fan[i].vertex_id, target);
            after.push_back(triangle);
        }
        const auto nb_bad_after = compute_number_of_negative_triangles(after);
        if (!nb_bad_after || *nb_bad_after > nb_bad_before)
            continue;
        metrics.after.clear();
        for (const auto& triangle : after)
            metrics.after.push_back(simulator().metric(triangle));
        if (*nb_bad_after == nb_bad_before &&
            !simulator().is_better_after_simulation(metrics))
            continue;
        if (!is_vertex_shift_allowed(vertex))
            return std::nullopt;
        modifier().move_point(vertex, target);
        std::vector<unsigned int> changed;
        for (const auto& around : fan)
            changed.push_back(around.polygon_id);
        return success(std::move(changed));
    }
    return std::nullopt;
}

std::optional<TriangulatedSurfaceShiftOptimizer<2>::ProcessElementResult>
TriangulatedSurfaceShiftOptimizer<2>::process_edge_vertex_configuration(
    const PolygonEdge& edge, unsigned int level) {
    if (auto result = TriangulatedSurfaceOptimizer<2>::process_edge_vertex_configuration(
            edge, level)) {
        return result;
    }
    const index_t apex = object().polygon_vertex(
        PolygonVertex{edge.polygon_id, detail::prev3(edge.edge_id)});
    return try_shift_vertex(apex);
}

}  // namespace orvane
