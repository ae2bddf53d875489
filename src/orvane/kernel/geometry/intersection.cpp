#include <orvane/kernel/geometry/intersection.hpp>

#include <algorithm>
#include <cmath>

#include <orvane/kernel/geometry/vector.hpp>

namespace orvane {
namespace {

bool is_finite(const Segment2D& s) {
    return s.vertex(0).is_finite() && s.vertex(1).is_finite();
}

// Collinear, non-degenerate s1 and s2: along the common line one coordinate orders
// the points exactly.
std::pair<POSITION, POSITION> collinear_detection(const Segment2D& s1,
                                                  const Segment2D& s2) {
    const index_t axis = s1.vertex(0).value(0) != s1.vertex(1).value(0) ? 0 : 1;
    const double a0 = s1.vertex(0).value(axis), a1 = s1.vertex(1).value(axis);
    const double b0 = s2.vertex(0).value(axis), b1 = s2.vertex(1).value(axis);
    const double lo1 = std::min(a0, a1), hi1 = std::max(a0, a1);
    const double lo2 = std::min(b0, b1), hi2 = std::max(b0, b1);
    if (hi1 < lo2 || hi2 < lo1) {
        return {POSITION::outside, POSITION::outside};
    }
    if (hi1 > lo2 && hi2 > lo1) {
        return {POSITION::parallel, POSITION::parallel};
    }
    // Touching at one end: on the line, equal coordinates mean equal points.
    const double shared = hi1 == lo2 ? hi1 : lo1;
    return {a0 == shared ? POSITION::vertex0 : POSITION::vertex1,
            b0 == shared ? POSITION::vertex0 : POSITION::vertex1};
}

}  // namespace

std::pair<POSITION, POSITION> segment_segment_intersection_detection(
    const Segment2D& s1, const Segment2D& s2) {
    constexpr std::pair<POSITION, POSITION> disjoint{POSITION::outside,
                                                     POSITION::outside};
    if (!is_finite(s1) || !is_finite(s2)) {
        return disjoint;
    }
    const bool point1 = s1.is_degenerated();
    const bool point2 = s2.is_degenerated();
    if (point1 || point2) {
        if (point1 && point2) {
            return s1.vertex(0) == s2.vertex(0)
                       ? std::pair{POSITION::vertex0, POSITION::vertex0}
                       : disjoint;
        }
        if (point1) {
            const POSITION on2 = point_segment_position(s1.vertex(0), s2);
            return on2 == POSITION::outside ? disjoint
                                            : std::pair{POSITION::vertex0, on2};
        }
        const POSITION on1 = point_segment_position(s2.vertex(0), s1);
        return on1 == POSITION::outside ? disjoint : std::pair{on1, POSITION::vertex0};
    }
    // Sides of s2's vertices with respect to s1's line, and conversely.
    const SIDE b0 = orient2d(s1.vertex(0), s1.vertex(1), s2.vertex(0));
    const SIDE b1 = orient2d(s1.vertex(0), s1.vertex(1), s2.vertex(1));
    if (b0 == SIDE::zero && b1 == SIDE::zero) {
        return collinear_detection(s1, s2);
    }
    if (b0 == b1) {
        return disjoint;
    }
    const SIDE a0 = orient2d(s2.vertex(0), s2.vertex(1), s1.vertex(0));
    const SIDE a1 = orient2d(s2.vertex(0), s2.vertex(1), s1.vertex(1));
    if (a0 == a1) {
        return disjoint;
    }
    // Each segment reaches the other's line, the lines are not parallel: they meet in
    // one point. A vertex on the other line is that point.
    const POSITION on1 = a0 == SIDE::zero   ? POSITION::vertex0
                         : a1 == SIDE::zero ? POSITION::vertex1
                                            : POSITION::inside;
    const POSITION on2 = b0 == SIDE::zero   ? POSITION::vertex0
                         : b1 == SIDE::zero ? POSITION::vertex1
                                            : POSITION::inside;
    return {on1, on2};
}

IntersectionResult<Point2D> segment_segment_intersection(const Segment2D& s1,
                                                         const Segment2D& s2) {
    const auto [on1, on2] = segment_segment_intersection_detection(s1, s2);
    if (on1 == POSITION::outside) {
        return IntersectionResult<Point2D>{INTERSECTION_TYPE::none};
    }
    if (on1 == POSITION::parallel) {
        return IntersectionResult<Point2D>{INTERSECTION_TYPE::parallel};
    }
    if (on1 == POSITION::vertex0 || on1 == POSITION::vertex1) {
        return IntersectionResult<Point2D>{s1.vertex(on1 == POSITION::vertex0 ? 0 : 1)};
    }
    if (on2 == POSITION::vertex0 || on2 == POSITION::vertex1) {
        return IntersectionResult<Point2D>{s2.vertex(on2 == POSITION::vertex0 ? 0 : 1)};
    }
    // A proper crossing: the lines are not parallel, so the exact denominator is
    // non-zero; rounding may still push t a hair out of [0, 1]. The points are first
    // scaled by a power of two (exact) to magnitudes near 1: with very small or very
    // large coordinates the products below would underflow to 0 / 0 or overflow to
    // inf / inf and give a NaN point.
    double largest = 0;
    for (const auto* segment : {&s1, &s2}) {
        for (local_index_t v = 0; v < 2; ++v) {
            for (index_t i = 0; i < 2; ++i) {
                largest = std::max(largest, std::fabs(segment->vertex(v).value(i)));
            }
        }
    }
    int exponent = 0;
    std::frexp(largest, &exponent);
    const auto scaled = [exponent](const Point2D& p) {
        return Point2D{
            {std::ldexp(p.value(0), -exponent), std::ldexp(p.value(1), -exponent)}};
    };
    const Point2D a0 = scaled(s1.vertex(0));
    const Vector2D d1{a0, scaled(s1.vertex(1))};
    const Point2D b0 = scaled(s2.vertex(0));
    const Vector2D d2{b0, scaled(s2.vertex(1))};
    const double t = cross(Vector2D{a0, b0}, d2) / cross(d1, d2);
    const Point2D crossing = a0 + d1 * std::clamp(t, 0., 1.);
    return IntersectionResult<Point2D>{
        Point2D{{std::ldexp(crossing.value(0), exponent),
                 std::ldexp(crossing.value(1), exponent)}}};
}

}  // namespace orvane
