#include <orvane/kernel/geometry/distance.hpp>

#include <orvane/kernel/geometry/intersection.hpp>
#include <orvane/kernel/geometry/predicates.hpp>

namespace orvane {
namespace {

bool has_nan(const Point2D& p) {
    return std::isnan(p.value(0)) || std::isnan(p.value(1));
}

Point2D nan_point() {
    const double n = std::numeric_limits<double>::quiet_NaN();
    return Point2D{{n, n}};
}

}  // namespace

std::tuple<double, Point2D, Point2D> segment_segment_distance(const Segment2D& s1,
                                                              const Segment2D& s2) {
    if (has_nan(s1.vertex(0)) || has_nan(s1.vertex(1)) || has_nan(s2.vertex(0)) ||
        has_nan(s2.vertex(1))) {
        return {std::numeric_limits<double>::quiet_NaN(), nan_point(), nan_point()};
    }
    const auto [on1, on2] = segment_segment_intersection_detection(s1, s2);
    if (on1 == POSITION::parallel) {
        // Collinear overlap: some endpoint lies on the other segment.
        for (local_index_t v = 0; v < 2; ++v) {
            if (point_segment_position(s1.vertex(v), s2) != POSITION::outside) {
                return {0., s1.vertex(v), s1.vertex(v)};
            }
            if (point_segment_position(s2.vertex(v), s1) != POSITION::outside) {
                return {0., s2.vertex(v), s2.vertex(v)};
            }
        }
    } else if (on1 != POSITION::outside) {
        const auto intersection = segment_segment_intersection(s1, s2);
        if (intersection.has_intersection()) {
            return {0., intersection.result.value(), intersection.result.value()};
        }
    }
    // Disjoint segments: the minimum is reached at an endpoint of one of them.
    double best = std::numeric_limits<double>::infinity();
    Point2D best1 = s1.vertex(0), best2 = s2.vertex(0);
    for (local_index_t v = 0; v < 2; ++v) {
        const auto [d2, p2] = point_segment_distance(s1.vertex(v), s2);
        if (d2 < best) {
            best = d2;
            best1 = s1.vertex(v);
            best2 = p2;
        }
        const auto [d1, p1] = point_segment_distance(s2.vertex(v), s1);
        if (d1 < best) {
            best = d1;
            best1 = p1;
            best2 = s2.vertex(v);
        }
    }
    return {best, best1, best2};
}

std::tuple<double, Point2D> point_triangle_distance(const Point2D& point,
                                                    const Triangle2D& triangle) {
    if (has_nan(point) || has_nan(triangle.vertex(0)) || has_nan(triangle.vertex(1)) ||
        has_nan(triangle.vertex(2))) {
        return {std::numeric_limits<double>::quiet_NaN(), nan_point()};
    }
    if (point_triangle_position(point, triangle) != POSITION::outside) {
        return {0., point};
    }
    double best = std::numeric_limits<double>::infinity();
    Point2D nearest = triangle.vertex(0);
    for (local_index_t e = 0; e < 3; ++e) {
        const auto [d, p] = point_segment_distance(point, triangle.edge(e));
        if (d < best) {
            best = d;
            nearest = p;
        }
    }
    return {best, nearest};
}

}  // namespace orvane
