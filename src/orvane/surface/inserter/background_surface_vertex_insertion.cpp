#include <tuple>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/macro/common/point_location.hpp>
#include <orvane/surface/common/surface_exception.hpp>
#include <orvane/surface/inserter/background_surface_inserter_impl.hpp>
#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>
#include <orvane/surface/orchestrator/background_surface_epsilon_optimizer.hpp>
#include <orvane/surface/orchestrator/background_surface_optimizer.hpp>
#include <orvane/toolkit/modifier/surface/constraint_modifier.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_improvement_simulator.hpp>

namespace orvane::internal {

namespace {

constexpr double SKIN_TOLERANCE = 1e-6;

std::vector<index_t> split_triangles(
    const TriangulatedSurfaceModifier<2>::SplitTriangleInfo& info) {
    std::vector<index_t> triangles;
    triangles.reserve(info.new_triangles.size());
    for (const auto& mapping : info.new_triangles) {
        triangles.push_back(mapping.first);
    }
    return triangles;
}

std::vector<index_t> split_triangles(
    const TriangulatedSurfaceModifier<2>::SplitPolygonEdgeInfo& info) {
    std::vector<index_t> triangles;
    triangles.reserve(info.first_side_triangles.size() +
                      info.second_side_triangles.size());
    for (const auto& mapping : info.first_side_triangles) {
        triangles.push_back(mapping.first);
    }
    for (const auto& mapping : info.second_side_triangles) {
        triangles.push_back(mapping.first);
    }
    return triangles;
}

}  // namespace

std::optional<index_t> BackgroundSurfaceInserter::Impl::containing_triangle(
    const Point<2>& point) const {
    const auto start = element_search.initial_containing_element(point);
    if (!start) {
        return std::nullopt;
    }
    return detail::find_containing_triangle(point, surface, modifier, *start,
                                            element_search);
}

index_t BackgroundSurfaceInserter::Impl::optimize_around_new_vertex(
    index_t new_vertex, absl::Span<const index_t> triangles, index_t first_new_polygon) {
    ConstraintModifier::CommonConstraints constraints{
        ConstraintModifier::BORDER_CONSTRAINT::fixed};
    constraints.immuable_vertices.add(new_vertex);
    BackgroundSurfaceConstraintModifier constraint_modifier{
        ModifiableObject<BackgroundSurface>{background, modifier}, builder,
        std::move(constraints)};
    epsilon_optimize_background_surface_elements(constraint_modifier, triangles);
    shift_optimize_background_surface_elements(
        constraint_modifier, TriangulatedSurfaceOptimizerImprovementSimulator<2>{},
        first_new_polygon);
    return modifier.updated_vertex(new_vertex).value();
}

index_t BackgroundSurfaceInserter::Impl::insert_vertex(index_t triangle,
                                                       const Point<2>& point) {
    if (const auto vertex = detail::snapping_detection(surface, triangle, point)) {
        return surface.polygon_vertex(PolygonVertex{triangle, *vertex});
    }
    for (local_index_t e = 0; e < 3; ++e) {
        const PolygonEdge edge{triangle, e};
        if (!detail::edge_snapping_detection(surface, edge, point)) {
            continue;
        }
        // Set before the split: the border changes even if what follows fails.
        if (surface.is_edge_on_border(edge)) {
            skin_outdated = true;
        }
        const index_t nb_polygons = surface.nb_polygons();
        const auto info = modifier.split_edge(edge, point);
        const index_t vertex = optimize_around_new_vertex(
            info.new_vertex, split_triangles(info), nb_polygons);
        if (!surface.point(vertex).inexact_equal(point)) {
            throw OrvaneBackgroundSurfaceException(
                point, " Mesh vertex inserted too far from input location");
        }
        return vertex;
    }
    const index_t nb_polygons = surface.nb_polygons();
    const auto info = modifier.split_triangle(triangle, point);
    const index_t vertex =
        optimize_around_new_vertex(info.new_vertex, split_triangles(info), nb_polygons);
    if (!surface.point(vertex).inexact_equal(point)) {
        throw OrvaneBackgroundSurfaceException(
            point,
            "[BackgroundSurfaceInserter::insert_vertex] Mesh vertex inserted too far "
            "from "
            "input location");
    }
    return vertex;
}

index_t BackgroundSurfaceInserter::Impl::insert_vertex_on_skin(
    const SubSegmentBoundary& boundary) {
    const index_t skin_edge = boundary.skin_edge.value();
    const Point<2>& point = boundary.point;
    const auto chain = skin_edge_chain(skin_edge);
    for (const auto& edge : chain) {
        const auto vertices = surface.polygon_edge_vertices(edge);
        const double distance = std::get<0>(point_segment_distance(
            point, Segment<2>{surface.point(vertices[0]), surface.point(vertices[1])}));
        if (distance > SKIN_TOLERANCE) {
            continue;
        }
        // A point on a border vertex is that vertex: splitting there would make an edge
        // shorter than the tolerance (the modifier refuses it).
        const double d0 = point_point_distance(point, surface.point(vertices[0]));
        const double d1 = point_point_distance(point, surface.point(vertices[1]));
        if (d0 <= SKIN_TOLERANCE || d1 <= SKIN_TOLERANCE) {
            return d0 <= d1 ? vertices[0] : vertices[1];
        }
        const index_t nb_polygons = surface.nb_polygons();
        const auto info = modifier.split_edge(edge, point);
        // The border has changed, whatever the optimisations below do.
        skin_outdated = true;
        const index_t vertex = optimize_around_new_vertex(
            info.new_vertex, split_triangles(info), nb_polygons);
        if (!surface.point(vertex).inexact_equal(point)) {
            throw OrvaneBackgroundSurfaceException(
                point,
                "[BackgroundSurfaceInserter::insert_vertex_on_skin] Mesh vertex inserted "
                "too far from input location");
        }
        return vertex;
    }
    throw OrvaneBackgroundSurfaceException(point,
                                           "[BackgroundSurfaceInserter::insert_vertex_on_"
                                           "skin] Insertion skin edge not found");
}

PolygonEdge BackgroundSurfaceInserter::Impl::skin_starting_edge(index_t skin_edge) const {
    const index_t start = modifier.updated_vertex(skin.edges.at(skin_edge)[0]).value();
    for (const auto& polygon_vertex : surface.polygons_around_vertex(start)) {
        const PolygonEdge edge{polygon_vertex};
        if (surface.is_edge_on_border(edge)) {
            return edge;
        }
    }
    throw OrvaneBackgroundSurfaceException(
        surface.point(start),
        "[BackgroundSurfaceInserter::skin_starting_edge] Not found");
}

std::vector<PolygonEdge> BackgroundSurfaceInserter::Impl::skin_edge_chain(
    index_t skin_edge) const {
    const auto& skin_vertices = skin.edges.at(skin_edge);
    const PolygonEdge first = skin_starting_edge(skin_edge);
    const index_t end = modifier.updated_vertex(skin_vertices[1]).value();
    const auto edge_end = [this](const PolygonEdge& edge) {
        return surface.polygon_vertex(
            surface.next_polygon_vertex(PolygonVertex{edge.polygon_id, edge.edge_id}));
    };
    std::vector<PolygonEdge> chain{first};
    // A border loop has at most 3 * nb_polygons() edges; a walk that comes back to its
    // start, or runs longer, has missed the end vertex (the border was re-routed away
    // from it, or it now lies on another border loop).
    const std::size_t max_length = 3 * static_cast<std::size_t>(surface.nb_polygons());
    while (edge_end(chain.back()) != end) {
        const PolygonEdge next = surface.next_on_border(chain.back());
        if (next == first || chain.size() >= max_length) {
            throw OrvaneBackgroundSurfaceException(
                surface.point(end),
                "[BackgroundSurfaceInserter::skin_edge_chain] Border walk from skin "
                "edge ",
                skin_edge, " came back to its start without reaching its end vertex");
        }
        chain.push_back(next);
    }
    return chain;
}

}  // namespace orvane::internal
