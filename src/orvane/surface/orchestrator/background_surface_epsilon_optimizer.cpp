#include <orvane/surface/orchestrator/background_surface_epsilon_optimizer.hpp>

#include <optional>
#include <tuple>
#include <vector>

#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/segment.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/common/surface_exception.hpp>
#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>
#include <orvane/surface/modifier/macro_info_predicates.hpp>
#include <orvane/toolkit/modifier/surface/internal_distances.hpp>
#include <orvane/toolkit/modifier/surface/surface_simulations.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_optimizer.hpp>

namespace orvane::internal {
namespace {

// Below it a triangle is flagged, and a bisection point is too close to a segment.
constexpr double EPSILON_TOLERANCE = 1e-6;

// The bisection halves a non-degenerate interval; far more steps than a double's
// mantissa could ever need means the loop has stopped making progress.
constexpr unsigned int MAX_BISECTION_STEPS = 200;

using ProcessElementResult = Orchestrator<unsigned int>::ProcessElementResult;
using OrientedEdgeVertices = ConstraintModifier::OrientedEdgeVertices;

ProcessElementResult success(const std::vector<index_t>& triangles) {
    ProcessElementResult result;
    result.success = true;
    result.new_elements.assign(triangles.begin(), triangles.end());
    return result;
}

double distance_to(const Point<2>& point, const Segment<2>& segment) {
    return std::get<0>(point_segment_distance(point, segment));
}

// Levels: 0 collapse / swap / split-collapse that lowers the number of bad triangles,
// 1 the same without that requirement, 2 a split of the edge across followed by a
// split-collapse, 3 the shortest edge collapsed. Every change goes through the
// background's constraint modifier.
class BackgroundSurfaceEpsilonOptimizer final
    : public TriangulatedSurfaceInternalDistanceOptimizer<2> {
public:
    BackgroundSurfaceEpsilonOptimizer(
        BackgroundSurfaceConstraintModifier& modifier,
        const BackgroundSurfaceEpsilonOptimizerImprovementSimulator& simulator)
        : TriangulatedSurfaceInternalDistanceOptimizer<2>(modifier, simulator),
          background_modifier_(modifier) {}
    ~BackgroundSurfaceEpsilonOptimizer() override = default;

protected:
    bool skip_on_infinite_loop() const override { return false; }

    unsigned int nb_levels() const override { return 4; }

    std::optional<ProcessElementResult> process_vertex_vertex_configuration(
        const PolygonEdge& edge, unsigned int level) override {
        if (level != 0)
            return std::nullopt;
        // Both ends are within the tolerance of each other: either may go, the first
        // stays, whatever the predicates say. A collapse the modifier would refuse
        // (link condition, a flat or inverted triangle) would end the whole run: the
        // other way round is tried instead, and with neither the triangle waits for
        // its neighbours' repairs.
        const auto vertices = mesh().polygon_edge_vertices(edge);
        for (const auto& pair : {OrientedEdgeVertices{vertices[1], vertices[0]},
                                 OrientedEdgeVertices{vertices[0], vertices[1]}}) {
            if (collapse_feasible(edge, mesh().point(pair.kept)))
                return success(background_modifier_.collapse_edge(edge, pair).triangles);
        }
        return std::nullopt;
    }

    // Whether the modifier would accept the collapse of `edge` onto `point`.
    bool collapse_feasible(const PolygonEdge& edge, const Point<2>& point) const {
        const auto after = triangles_after_collapse_edge(mesh(), edge, point);
        return after && compute_number_of_negative_triangles(*after).has_value();
    }

    std::optional<ProcessElementResult> process_double_adjacency_configuration(
        unsigned int vertex, unsigned int level) override {
        if (level != 0)
            return std::nullopt;
        return success(background_modifier_.remove_double_adjacency(vertex).triangles);
    }

    std::optional<ProcessElementResult> process_edge_vertex_configuration(
        const PolygonEdge& edge, unsigned int level) override {
        switch (level) {
            case 0:
            case 1: {
                if (auto result =
                        try_collapse_edge(mesh().previous_polygon_edge(edge), level))
                    return result;
                if (auto result =
                        try_collapse_edge(mesh().next_polygon_edge(edge), level))
                    return result;
                if (mesh().is_edge_on_border(edge))
                    return try_split_collapse_edge(edge, level);
                return try_swap_edge(edge, level);
            }
            case 2:
                return split_adjacent_edge_and_split_collapse(edge);
            case 3:
                return collapse_smallest_edge(edge);
            default:
                return std::nullopt;
        }
    }

    ProcessElementResult default_failed_result(unsigned int triangle) const override {
        ProcessElementResult result;
        result.retry_elements.push_back(triangle);
        return result;
    }

private:
    const TriangulatedSurface<2>& mesh() const { return object(); }
    const BackgroundSurface& background() const {
        return background_modifier_.modifiable_background().object;
    }
    const ConstraintModifier::CommonConstraints& constraints() const {
        return background_modifier_.constraints();
    }

    std::optional<PolygonVertex> apex(const PolygonEdge& edge) const {
        return PolygonVertex{mesh().previous_polygon_edge(edge).polygon_id,
                             mesh().previous_polygon_edge(edge).edge_id};
    }

    // The number of bad triangles among the edge's one or two triangles.
    index_t nb_bad_triangles_of_edge(const PolygonEdge& edge) const {
        index_t count = 0;
        const auto count_triangle = [this, &count](index_t triangle) {
            if (triangle_status(mesh().triangle(triangle)) !=
                InternalDistance::ELEMENT_STATUS::good)
                ++count;
        };
        count_triangle(edge.polygon_id);
        if (const auto adjacent = mesh().polygon_adjacent(edge))
            count_triangle(*adjacent);
        return count;
    }

    std::optional<ProcessElementResult> try_collapse_edge(const PolygonEdge& edge,
                                                          unsigned int level) {
        const auto vertices = mesh().polygon_edge_vertices(edge);
        const auto verdict =
            combined_allowed(allowed_collapse_edge_by_constraints(modifiable_object(),
                                                                  edge, constraints()),
                             allowed_collapse_edge_by_macro_info(background(), edge));
        const OrientedEdgeVertices first_removed{vertices[0], vertices[1]};
        switch (verdict) {
            case ALLOWED_COLLAPSE_VERTEX_VERTEX::first:
                return try_collapse_oriented_edge(edge, first_removed, level);
            case ALLOWED_COLLAPSE_VERTEX_VERTEX::second:
                return try_collapse_oriented_edge(edge, first_removed.opposite(), level);
            case ALLOWED_COLLAPSE_VERTEX_VERTEX::both:
                if (auto result = try_collapse_oriented_edge(edge, first_removed, level))
                    return result;
                return try_collapse_oriented_edge(edge, first_removed.opposite(), level);
            case ALLOWED_COLLAPSE_VERTEX_VERTEX::none:
                break;
        }
        return std::nullopt;
    }

    std::optional<ProcessElementResult> try_collapse_oriented_edge(
        const PolygonEdge& edge, const OrientedEdgeVertices& vertices,
        unsigned int level) {
        const auto after =
            triangles_after_collapse_edge(mesh(), edge, mesh().point(vertices.kept));
        if (!after)
            return std::nullopt;
        const auto nb_bad_after = compute_number_of_negative_triangles(*after);
        if (!nb_bad_after)
            return std::nullopt;
        if (level != 0 || *nb_bad_after < nb_bad_triangles_of_edge(edge)) {
            return success(background_modifier_.collapse_edge(edge, vertices).triangles);
        }
        return std::nullopt;
    }

    // No value when the simulation says the operation is impossible or would invert a
    // triangle; otherwise whether it lowers the number of bad triangles of the edge.
    std::optional<bool> improves(const std::optional<SimulatedTriangles>& after,
                                 const PolygonEdge& edge) const {
        if (!after)
            return std::nullopt;
        const auto nb_bad_after = compute_number_of_negative_triangles(*after);
        if (!nb_bad_after)
            return std::nullopt;
        return *nb_bad_after < nb_bad_triangles_of_edge(edge);
    }

    std::optional<bool> swap_edge_improves(const PolygonEdge& edge) const {
        return improves(triangles_after_swap_edge(mesh(), edge), edge);
    }

    std::optional<bool> split_collapse_edge_improves(const PolygonEdge& edge) const {
        return improves(triangles_after_split_collapse_edge(mesh(), edge), edge);
    }

    std::optional<ProcessElementResult> try_swap_edge(const PolygonEdge& edge,
                                                      unsigned int level) {
        const auto vertex = apex(edge);
        if (!is_swap_edge_allowed_by_constraints(modifiable_object(), edge, vertex,
                                                 constraints()))
            return std::nullopt;
        const auto improvement = swap_edge_improves(edge);
        if (!improvement || (level == 0 && !*improvement))
            return std::nullopt;
        return success(background_modifier_.swap_edge(edge, vertex));
    }

    std::optional<ProcessElementResult> try_split_collapse_edge(const PolygonEdge& edge,
                                                                unsigned int level) {
        const auto vertex = apex(edge);
        if (allowed_split_collapse_edge_by_constraints(modifiable_object(), edge, vertex,
                                                       constraints()) ==
            ALLOWED_COLLAPSE_EDGE_VERTEX::none)
            return std::nullopt;
        const auto improvement = split_collapse_edge_improves(edge);
        if (!improvement || (level == 0 && !*improvement))
            return std::nullopt;
        return success(background_modifier_.split_collapse_edge(edge, vertex).triangles);
    }

    // The apex almost on an interior edge whose split-collapse alone would leave a bad
    // triangle (the vertex across projects near one end, `near`): the edge from the
    // vertex across (`far`) to the other end is split at a point m that leaves every
    // triangle of the two operations clear of the tolerance, then the edge is re-routed
    // through the apex.
    std::optional<ProcessElementResult> split_adjacent_edge_and_split_collapse(
        const PolygonEdge& edge) {
        const auto adjacent_edge = mesh().polygon_adjacent_edge(edge);
        if (!adjacent_edge)
            return std::nullopt;
        const index_t apex_vertex =
            mesh().polygon_edge_vertex(mesh().previous_polygon_edge(edge), 0);
        const index_t far_vertex =
            mesh().polygon_edge_vertex(mesh().previous_polygon_edge(*adjacent_edge), 0);
        const auto ends = mesh().polygon_edge_vertices(edge);
        const Point<2>& apex_point = mesh().point(apex_vertex);
        const Point<2>& far_point = mesh().point(far_vertex);
        const Point<2> projection = point_segment_projection(
            far_point, Segment<2>{mesh().point(ends[0]), mesh().point(ends[1])});
        const bool first_is_near =
            point_point_distance(mesh().point(ends[0]), projection) <
            point_point_distance(mesh().point(ends[1]), projection);
        const index_t near_vertex = first_is_near ? ends[0] : ends[1];
        const index_t other_vertex = first_is_near ? ends[1] : ends[0];
        const Point<2>& near_point = mesh().point(near_vertex);
        const Point<2>& other_point = mesh().point(other_vertex);

        const auto targets =
            mesh().polygons_from_edge_vertices({far_vertex, other_vertex});
        if (targets.empty())
            return std::nullopt;
        const PolygonEdge target = targets.front();
        Point<2> m = mesh().edge_barycenter(target);
        Point<2> far_bound = far_point;
        Point<2> other_bound = other_point;
        for (unsigned int step = 0; step < MAX_BISECTION_STEPS; ++step) {
            const Segment<2> from_apex{apex_point, m};
            const Segment<2> from_near{near_point, m};
            const bool apex_clear =
                distance_to(apex_point, from_near) >= EPSILON_TOLERANCE;
            if (apex_clear && distance_to(near_point, from_apex) >= EPSILON_TOLERANCE &&
                distance_to(other_point, from_apex) >= EPSILON_TOLERANCE &&
                distance_to(far_point, from_near) >= EPSILON_TOLERANCE) {
                if (m.inexact_equal(far_point) || m.inexact_equal(other_point))
                    return std::nullopt;
                return split_and_split_collapse(edge, target, far_vertex, m);
            }
            const Point<2> previous = m;
            if (apex_clear) {
                m = (m + other_bound) / 2.;
                far_bound = previous;
            } else {
                m = (m + far_bound) / 2.;
                other_bound = previous;
            }
            if (m.inexact_equal(previous))
                return std::nullopt;
        }
        return std::nullopt;
    }

    ProcessElementResult split_and_split_collapse(const PolygonEdge& edge,
                                                  const PolygonEdge& target,
                                                  index_t far_vertex,
                                                  const Point<2>& point) {
        const auto split = background_modifier_.split_edge(target, point);
        // The half from the vertex across to the new vertex must survive the
        // follow-up work, or a collapse could undo the split.
        background_modifier_.constraints().forbidden_edges.add(far_vertex, split.vertex);
        ProcessElementResult result;
        result.success = true;
        result.new_elements.assign(split.triangles.begin(), split.triangles.end());
        if (auto collapse = try_split_collapse_edge(edge, 0)) {
            result.new_elements.insert(result.new_elements.end(),
                                       collapse->new_elements.begin(),
                                       collapse->new_elements.end());
        } else {
            // The split stays; the triangle comes back at the next level.
            result.success = false;
            result.retry_elements.push_back(edge.polygon_id);
        }
        return result;
    }

    // The last resort: the triangle's shortest edge collapsed onto its midpoint. Ends
    // that carry input entities or lie on a protected border must not move, so only
    // the collapses the macro information and the constraints allow are candidates
    // (onto the end that must stay when only one may go), and a collapse the modifier
    // would refuse (link condition, a flat or inverted triangle) is not tried: the
    // triangle then fails, and the run with it.
    std::optional<ProcessElementResult> collapse_smallest_edge(const PolygonEdge& edge) {
        const Triangle<2> triangle = mesh().triangle(edge.polygon_id);
        const PolygonEdge smallest{edge.polygon_id, triangle.smallest_edge_index()};
        const auto vertices = mesh().polygon_edge_vertices(smallest);
        const auto verdict =
            combined_allowed(allowed_collapse_edge_by_constraints(
                                 modifiable_object(), smallest, constraints()),
                             allowed_collapse_edge_by_macro_info(background(), smallest));
        const auto feasible = [this, &smallest](const Point<2>& point) {
            return collapse_feasible(smallest, point);
        };
        if (verdict == ALLOWED_COLLAPSE_VERTEX_VERTEX::both) {
            const Point<2> middle = mesh().edge_barycenter(smallest);
            if (feasible(middle)) {
                return success(
                    background_modifier_.collapse_edge(smallest, middle).triangles);
            }
        }
        for (const auto& pair : {OrientedEdgeVertices{vertices[0], vertices[1]},
                                 OrientedEdgeVertices{vertices[1], vertices[0]}}) {
            const bool allowed = pair.removed == vertices[0] ? allows_first(verdict)
                                                             : allows_second(verdict);
            if (allowed && feasible(mesh().point(pair.kept))) {
                return success(
                    background_modifier_.collapse_edge(smallest, pair).triangles);
            }
        }
        return std::nullopt;
    }

    BackgroundSurfaceConstraintModifier& background_modifier_;
};

}  // namespace

BackgroundSurfaceEpsilonOptimizerImprovementSimulator::
    ~BackgroundSurfaceEpsilonOptimizerImprovementSimulator() = default;

bool BackgroundSurfaceEpsilonOptimizerImprovementSimulator::require_improvement(
    const TriangulatedSurface<2>& surface, unsigned int triangle) const {
    InternalDistance::Options options;
    options.tolerance = EPSILON_TOLERANCE;
    options.detect_double_adjacency = true;
    auto distances = fast_triangle_internal_distances(surface, triangle, options);
    const bool bad = !distances.empty();
    set_internal_distances(std::move(distances));
    return bad;
}

double BackgroundSurfaceEpsilonOptimizerImprovementSimulator::metric(
    const Triangle<2>& triangle) const {
    return minimal_triangle_internal_distance(triangle).distance;
}

void epsilon_optimize_background_surface_elements(
    BackgroundSurfaceConstraintModifier& modifier,
    absl::Span<const unsigned int> triangles) {
    try {
        const BackgroundSurfaceEpsilonOptimizerImprovementSimulator simulator;
        BackgroundSurfaceEpsilonOptimizer optimizer{modifier, simulator};
        optimizer.apply(triangles);
    } catch (...) {
        throw wrap_exception<OrvaneBackgroundSurfaceEpsilonOptimizerException>(
            std::current_exception());
    }
}

}  // namespace orvane::internal
