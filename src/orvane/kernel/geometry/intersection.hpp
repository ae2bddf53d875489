#pragma once

#include <optional>
#include <utility>

#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/kernel/geometry/segment.hpp>

// Segment intersections. Detection is exact (it only uses orientation signs and exact
// coordinate comparisons); the intersection point itself is a floating-point
// construction, except when it is one of the input vertices, which is returned as is.
//
// NaN policy: a segment with a NaN or infinite coordinate meets nothing: detection
// answers (outside, outside) and the intersection has type `none`.

namespace orvane {

// What an intersection computation found. The numbers are stable.
enum struct INTERSECTION_TYPE : unsigned char {
    // The objects do not meet (or an input was not finite).
    none = 0,
    // They meet in exactly one point, held in `result`.
    intersect = 1,
    // They are collinear and share more than one point; no single point is given.
    parallel = 2
};

template <typename T>
struct IntersectionResult {
    IntersectionResult() = default;
    explicit IntersectionResult(INTERSECTION_TYPE intersection_type)
        : type(intersection_type) {}
    explicit IntersectionResult(T value)
        : result(std::move(value)), type(INTERSECTION_TYPE::intersect) {}

    bool has_intersection() const { return result.has_value(); }

    std::optional<T> result;
    INTERSECTION_TYPE type{INTERSECTION_TYPE::none};
};

// Where two closed segments meet: (position on s1, position on s2), each one of
//  - outside  (0): they do not meet (both values are then outside);
//  - inside   (1): the meeting point is strictly inside that segment;
//  - vertex0  (2) / vertex1 (3): the meeting point is that segment's first / second
//    vertex;
//  - parallel (19): the segments are collinear and overlap along more than a point
//    (both values are then parallel).
// Collinear segments that share exactly one endpoint answer the two vertex values;
// collinear disjoint segments answer outside. A degenerate segment (a point) is at its
// vertex0 when it lies on the other segment.
std::pair<POSITION, POSITION> segment_segment_intersection_detection(const Segment2D& s1,
                                                                     const Segment2D& s2);

// The meeting point of two segments: type `intersect` with the point when they meet in
// one point (an input vertex exactly when detection says so, otherwise the rounded
// crossing of the two lines, clamped onto the first segment), `parallel` without a
// point for collinear overlap, `none` when they do not meet.
IntersectionResult<Point2D> segment_segment_intersection(const Segment2D& s1,
                                                         const Segment2D& s2);

}  // namespace orvane
