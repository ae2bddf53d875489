#pragma once

#include <cmath>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/segment.hpp>
#include <orvane/kernel/geometry/triangle.hpp>

// Exact geometric signs. Every topological decision of the kernel and of the layers
// above (which side of an edge, is this point in that triangle, do two segments
// cross) goes through this module, so that exact and inexact versions never mix.
//
// The answers are exact for every finite double input: a floating-point filter decides
// the easy cases, and an exact evaluation (expansion arithmetic, or wide integers when
// the exponents are extreme) decides the rest.
//
// NaN policy: an input with a NaN or infinite coordinate is degenerate. Its orientation
// is SIDE::zero, and the classifications built on it answer POSITION::outside, so a
// NaN never reaches topology as "inside" or as a crossing.

namespace orvane {

// Sign of an oriented area or of a side test. `positive` means counter-clockwise, or
// "to the left of" a directed line.
enum struct SIDE : unsigned char { positive, negative, zero };

// Where a point lies on a segment or triangle, or where two segments meet. Values are
// stable: callers may compare numbers (0 outside, 1 inside, 2 and 3 the segment's or
// triangle's first and second vertex, 19 parallel).
enum struct POSITION : unsigned char {
    outside = 0,
    // Strictly inside: the open segment, or the open triangle.
    inside = 1,
    vertex0 = 2,
    vertex1 = 3,
    vertex2 = 4,
    // In the open interior of local edge 0, 1 or 2 of a triangle.
    edge0 = 5,
    edge1 = 6,
    edge2 = 7,
    // Collinear segments sharing more than one point.
    parallel = 19
};

inline constexpr POSITION vertex_position(local_index_t v) {
    return static_cast<POSITION>(static_cast<unsigned char>(POSITION::vertex0) + v);
}
inline constexpr POSITION edge_position(local_index_t e) {
    return static_cast<POSITION>(static_cast<unsigned char>(POSITION::edge0) + e);
}

inline constexpr SIDE opposite_side(SIDE side) {
    return side == SIDE::positive   ? SIDE::negative
           : side == SIDE::negative ? SIDE::positive
                                    : SIDE::zero;
}

namespace internal {
// The exact evaluation behind orient2d, for the inputs the filter cannot decide.
SIDE orient2d_exact(const Point2D& a, const Point2D& b, const Point2D& c);
}  // namespace internal

// Sign of det(a - c, b - c) = twice the signed area of triangle (a, b, c): positive
// when a, b, c turn counter-clockwise, zero when they are collinear (exactly).
//
// The filter is the classic static-relative error bound of the two-product
// determinant, plus an absolute term that covers underflow, so it never answers a
// sign that rounding could have flipped. Overflow and NaN fail the filter (the
// comparison is false) and go to the exact path.
inline SIDE orient2d(const Point2D& a, const Point2D& b, const Point2D& c) {
    // (3 + 16 u) u with u = 2^-53, rounded up.
    constexpr double relative_bound = 3.3306690738754716e-16;
    constexpr double underflow_slack = 0x1p-1060;
    const double detleft = (a.value(0) - c.value(0)) * (b.value(1) - c.value(1));
    const double detright = (a.value(1) - c.value(1)) * (b.value(0) - c.value(0));
    const double det = detleft - detright;
    const double errbound =
        relative_bound * (std::fabs(detleft) + std::fabs(detright)) + underflow_slack;
    // One well-predicted branch: the sign itself is selected without branching, so
    // random signs cost no mispredictions.
    if (std::fabs(det) > errbound) {
        return det > 0 ? SIDE::positive : SIDE::negative;
    }
    return internal::orient2d_exact(a, b, c);
}

// Exact sign of the triangle's area (orient2d of its three vertices).
inline SIDE triangle_area_sign(const Triangle2D& triangle) {
    return orient2d(triangle.vertex(0), triangle.vertex(1), triangle.vertex(2));
}

// Exact side of `point` with respect to the directed line through the segment: positive
// on its left. Zero on the line, and for a degenerate segment.
inline SIDE point_side_to_segment(const Point2D& point, const Segment2D& segment) {
    return orient2d(segment.vertex(0), segment.vertex(1), point);
}

// Exact position of `point` on the closed segment: vertex0, vertex1, inside (the open
// segment) or outside. A degenerate segment is a point: vertex0 when `point` is that
// point, outside otherwise.
POSITION point_segment_position(const Point2D& point, const Segment2D& segment);

// Exact position of `point` in the closed triangle: inside (open triangle), edge0..2
// (open edge e, from vertex e to vertex e + 1), vertex0..2, or outside. Both
// orientations of the triangle are accepted. A degenerate (flat) triangle has no
// interior: the answer is one of its vertices, the first non-degenerate edge whose
// open interior holds the point, or outside.
POSITION point_triangle_position(const Point2D& point, const Triangle2D& triangle);

}  // namespace orvane
