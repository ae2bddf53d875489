#include <orvane/toolkit/modifier/surface/internal_distances.hpp>

#include <array>
#include <cmath>
#include <limits>

#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/toolkit/modifier/surface/surface_topology.hpp>

namespace orvane {

namespace {

// The geometric part, for a triangle of the mesh (polygon `polygon`) or a free one
// (NO_ID).
void add_geometric_distances(const Triangle<2>& triangle, index_t polygon,
                             double tolerance, InternalDistances& distances) {
    const auto& p = triangle.vertices();
    std::array<double, 3> length{};
    for (local_index_t e = 0; e < 3; ++e) {
        length[e] = point_point_distance(p[e], p[detail::next3(e)]);
    }
    for (local_index_t e = 0; e < 3; ++e) {
        if (length[e] <= tolerance) {
            InternalDistance distance;
            distance.status = InternalDistance::ELEMENT_STATUS::vertex_vertex;
            distance.distance = length[e];
            distance.edge = PolygonEdge{polygon, e};
            distances.push_back(distance);
        }
    }
    // Twice the area; the height over edge e is that divided by its length, and the
    // distance to the closed edge is at least the height.
    const double area2 =
        std::abs((p[1].value(0) - p[0].value(0)) * (p[2].value(1) - p[0].value(1)) -
                 (p[1].value(1) - p[0].value(1)) * (p[2].value(0) - p[0].value(0)));
    for (local_index_t e = 0; e < 3; ++e) {
        const local_index_t apex = detail::prev3(e);
        // The two edges at the apex: previous (apex -> e) and next (e + 1 -> apex).
        if (length[apex] <= tolerance || length[detail::next3(e)] <= tolerance)
            continue;
        // Not a NaN-safe shortcut on purpose: a NaN area fails it and gets measured.
        if (area2 > 2 * tolerance * length[e])
            continue;
        const auto [d, nearest] =
            point_segment_distance(p[apex], Segment<2>{p[e], p[detail::next3(e)]});
        if (d <= tolerance) {
            InternalDistance distance;
            distance.status = InternalDistance::ELEMENT_STATUS::edge_vertex;
            distance.distance = d;
            distance.edge = PolygonEdge{polygon, e};
            distances.push_back(distance);
        }
    }
}

}  // namespace

InternalDistances fast_triangle_internal_distances(
    const TriangulatedSurface<2>& surface, index_t triangle,
    const InternalDistance::Options& options) {
    InternalDistances distances;
    if (options.detect_double_adjacency) {
        const auto& v = surface.polygon_vertices(triangle);
        for (local_index_t i = 0; i < 3; ++i) {
            if (detail::is_double_adjacency(surface, v[i])) {
                InternalDistance distance;
                distance.status = InternalDistance::ELEMENT_STATUS::double_adjacency;
                distance.edge = PolygonEdge{triangle, i};
                distance.vertex = v[i];
                distances.push_back(distance);
            }
        }
    }
    add_geometric_distances(surface.triangle(triangle), triangle, options.tolerance,
                            distances);
    return distances;
}

InternalDistances fast_triangle_internal_distances(const Triangle<2>& triangle,
                                                   double tolerance) {
    InternalDistances distances;
    add_geometric_distances(triangle, NO_ID, tolerance, distances);
    return distances;
}

InternalDistance minimal_triangle_internal_distance(const Triangle<2>& triangle) {
    const auto& p = triangle.vertices();
    InternalDistance best;
    best.distance = std::numeric_limits<double>::infinity();
    for (local_index_t e = 0; e < 3; ++e) {
        const double length = point_point_distance(p[e], p[detail::next3(e)]);
        if (length < best.distance) {
            best.status = InternalDistance::ELEMENT_STATUS::vertex_vertex;
            best.distance = length;
            best.edge = PolygonEdge{NO_ID, e};
        }
    }
    for (local_index_t e = 0; e < 3; ++e) {
        const auto& a = p[e];
        const auto& b = p[detail::next3(e)];
        const auto [d, nearest] =
            point_segment_distance(p[detail::prev3(e)], Segment<2>{a, b});
        // A nearest point at an end is the distance between two vertices, counted above.
        if (d < best.distance && !(nearest == a) && !(nearest == b)) {
            best.status = InternalDistance::ELEMENT_STATUS::edge_vertex;
            best.distance = d;
            best.edge = PolygonEdge{NO_ID, e};
        }
    }
    return best;
}

InternalDistance::ELEMENT_STATUS triangle_status(
    const TriangulatedSurface<2>& surface, index_t triangle,
    const InternalDistance::Options& options) {
    const auto distances = fast_triangle_internal_distances(surface, triangle, options);
    return distances.empty() ? InternalDistance::ELEMENT_STATUS::good
                             : distances.front().status;
}

InternalDistance::ELEMENT_STATUS triangle_status(const Triangle<2>& triangle,
                                                 double tolerance) {
    const auto distances = fast_triangle_internal_distances(triangle, tolerance);
    return distances.empty() ? InternalDistance::ELEMENT_STATUS::good
                             : distances.front().status;
}

}  // namespace orvane
