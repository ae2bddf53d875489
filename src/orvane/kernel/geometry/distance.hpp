#pragma once

#include <cmath>
#include <limits>
#include <tuple>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/segment.hpp>
#include <orvane/kernel/geometry/triangle.hpp>
#include <orvane/kernel/geometry/vector.hpp>

// Euclidean distances and projections, in floating point.
//
// NaN policy: a NaN coordinate in any input gives a NaN distance and NaN closest
// points; nothing throws.

namespace orvane {

template <index_t dimension>
double point_point_distance(const Point<dimension>& a, const Point<dimension>& b) {
    return Vector<dimension>{a, b}.length();
}

// The point of the closed segment nearest to `point` (vertex 0 for a degenerate
// segment).
template <index_t dimension>
Point<dimension> point_segment_projection(const Point<dimension>& point,
                                          const Segment<dimension>& segment) {
    const Vector<dimension> d = segment.direction();
    const double l2 = d.length2();
    if (l2 == 0) {
        if (!point.is_finite()) {
            return point;
        }
        return segment.vertex(0);
    }
    const double t = Vector<dimension>{segment.vertex(0), point}.dot(d) / l2;
    if (t <= 0) {
        return segment.vertex(0);
    }
    if (t >= 1) {
        return segment.vertex(1);
    }
    // Also reached for a NaN t, which makes the result NaN.
    return segment.vertex(0) + d * t;
}

// Distance from `point` to the closed segment, and the nearest point of the segment.
template <index_t dimension>
std::tuple<double, Point<dimension>> point_segment_distance(
    const Point<dimension>& point, const Segment<dimension>& segment) {
    const Point<dimension> nearest = point_segment_projection(point, segment);
    return {point_point_distance(point, nearest), nearest};
}

// Distance between two closed segments and a pair of nearest points, the first on s1,
// the second on s2. Segments that meet are at distance 0 with the meeting point twice
// (for a collinear overlap, an endpoint of one lying on the other).
std::tuple<double, Point2D, Point2D> segment_segment_distance(const Segment2D& s1,
                                                              const Segment2D& s2);

// Distance from `point` to the closed triangle (0 inside or on its border, decided
// exactly), and the nearest point of the triangle.
std::tuple<double, Point2D> point_triangle_distance(const Point2D& point,
                                                    const Triangle2D& triangle);

}  // namespace orvane
