#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/kernel/geometry/segment.hpp>
#include <orvane/kernel/geometry/vector.hpp>

namespace orvane {

// An axis-aligned box, closed on every side. A default box is empty (it has received no
// point) and contains nothing.
//
// NaN policy: a NaN coordinate poisons the box. `add_point` or `add_box` with a NaN
// makes the affected bounds NaN for good; a poisoned box is not valid, contains no
// point, intersects nothing, and is at infinite distance. The box tree leaves such
// boxes out. Infinite coordinates are ordinary bounds.
template <index_t dimension>
class BoundingBox {
public:
    BoundingBox() {
        for (index_t i = 0; i < dimension; ++i) {
            min_.set_value(i, std::numeric_limits<double>::infinity());
            max_.set_value(i, -std::numeric_limits<double>::infinity());
        }
    }
    // The smallest box holding both points.
    BoundingBox(const Point<dimension>& a, const Point<dimension>& b) : BoundingBox() {
        add_point(a);
        add_point(b);
    }

    const Point<dimension>& min() const { return min_; }
    const Point<dimension>& max() const { return max_; }

    void add_point(const Point<dimension>& point) {
        for (index_t i = 0; i < dimension; ++i) {
            const double v = point.value(i);
            // A NaN bound stays NaN: both comparisons below fail against it.
            if (v < min_.value(i) || v != v) {
                min_.set_value(i, v);
            }
            if (v > max_.value(i) || v != v) {
                max_.set_value(i, v);
            }
        }
    }
    void add_box(const BoundingBox& box) {
        for (index_t i = 0; i < dimension; ++i) {
            const double lo = box.min_.value(i);
            const double hi = box.max_.value(i);
            if (lo < min_.value(i) || lo != lo) {
                min_.set_value(i, lo);
            }
            if (hi > max_.value(i) || hi != hi) {
                max_.set_value(i, hi);
            }
        }
    }

    // True when the box holds at least one point and no NaN.
    bool is_valid() const {
        for (index_t i = 0; i < dimension; ++i) {
            if (!(min_.value(i) <= max_.value(i))) {
                return false;
            }
        }
        return true;
    }

    // Center and diagonal; meaningless (NaN or infinite) for an invalid box.
    Point<dimension> center() const {
        Point<dimension> c;
        for (index_t i = 0; i < dimension; ++i) {
            c.set_value(i, 0.5 * min_.value(i) + 0.5 * max_.value(i));
        }
        return c;
    }
    Vector<dimension> diagonal() const { return Vector<dimension>{min_, max_}; }

    bool contains(const Point<dimension>& point) const { return contains(point, 0); }
    // Contains the point up to GLOBAL_EPSILON on every axis.
    bool epsilon_contains(const Point<dimension>& point) const {
        return contains(point, GLOBAL_EPSILON);
    }
    bool intersects(const BoundingBox& box) const { return intersects(box, 0); }
    // The boxes come within GLOBAL_EPSILON of each other on every axis.
    bool epsilon_intersects(const BoundingBox& box) const {
        return intersects(box, GLOBAL_EPSILON);
    }

    // True when the closed segment meets the closed box. Exact for dimension 2.
    bool intersects(const Segment<dimension>& segment) const {
        return intersects(segment, 0);
    }
    // True when the segment comes within GLOBAL_EPSILON of the box: it meets the box
    // grown by GLOBAL_EPSILON on every side (near a corner that reaches up to
    // GLOBAL_EPSILON * sqrt(2) away, which suits a search filter). The test against
    // the grown box is exact, so a segment that really touches the box is never
    // missed.
    bool epsilon_intersects(const Segment<dimension>& segment) const {
        return intersects(segment, GLOBAL_EPSILON);
    }

    // Euclidean distance from the point to the box, 0 inside. +infinity for an invalid
    // box, NaN for a NaN point.
    double distance(const Point<dimension>& point) const {
        return std::sqrt(distance2(point));
    }
    double distance2(const Point<dimension>& point) const {
        if (!is_valid()) {
            return std::numeric_limits<double>::infinity();
        }
        double d2 = 0;
        for (index_t i = 0; i < dimension; ++i) {
            const double v = point.value(i);
            if (v != v) {
                return v;
            }
            double d = 0;
            if (v < min_.value(i)) {
                d = min_.value(i) - v;
            } else if (v > max_.value(i)) {
                d = v - max_.value(i);
            }
            d2 += d * d;
        }
        return d2;
    }

    bool operator==(const BoundingBox& other) const {
        return min_ == other.min_ && max_ == other.max_;
    }
    bool operator!=(const BoundingBox& other) const { return !(*this == other); }

private:
    // Bounds grown by `margin`. Rounding is monotonic, so the grown box always holds
    // the original one, however large the coordinates.
    double low(index_t i, double margin) const { return min_.value(i) - margin; }
    double high(index_t i, double margin) const { return max_.value(i) + margin; }

    bool contains(const Point<dimension>& point, double margin) const {
        for (index_t i = 0; i < dimension; ++i) {
            const double v = point.value(i);
            if (!(v >= low(i, margin) && v <= high(i, margin))) {
                return false;
            }
        }
        return true;
    }
    bool intersects(const BoundingBox& box, double margin) const {
        if (!box.is_valid()) {
            return false;
        }
        for (index_t i = 0; i < dimension; ++i) {
            if (!(box.min_.value(i) <= high(i, margin) &&
                  box.max_.value(i) >= low(i, margin))) {
                return false;
            }
        }
        return true;
    }

    bool intersects(const Segment<dimension>& segment, double margin) const {
        const Point<dimension>& p = segment.vertex(0);
        const Point<dimension>& q = segment.vertex(1);
        // Separating axes of the box: the segment's extent on each axis.
        for (index_t i = 0; i < dimension; ++i) {
            const double a = p.value(i);
            const double b = q.value(i);
            if (a != a || b != b) {
                return false;
            }
            const double lo = low(i, margin);
            const double hi = high(i, margin);
            if (!(lo <= hi) || (a < lo && b < lo) || (a > hi && b > hi)) {
                return false;
            }
        }
        if constexpr (dimension == 2) {
            // Last separating axis: the segment's normal. The box is missed when all
            // four corners lie strictly on one side of the segment's line. A floating
            // point filter compares the distance of the box center to the line with
            // the box's half width along the normal; only a near tie goes to the exact
            // corner signs.
            const double dx = q.value(0) - p.value(0);
            const double dy = q.value(1) - p.value(1);
            const double cx = 0.5 * low(0, margin) + 0.5 * high(0, margin);
            const double cy = 0.5 * low(1, margin) + 0.5 * high(1, margin);
            const double hx = 0.5 * high(0, margin) - 0.5 * low(0, margin);
            const double hy = 0.5 * high(1, margin) - 0.5 * low(1, margin);
            const double side =
                std::fabs(dx * (cy - p.value(1)) - dy * (cx - p.value(0)));
            const double reach = std::fabs(dx) * hy + std::fabs(dy) * hx;
            // Far above the rounding error of the few operations above (a dozen ulps of
            // the magnitudes involved); the absolute term covers underflow.
            const double tolerance =
                1e-12 * (std::fabs(dx) * (std::fabs(cy) + std::fabs(p.value(1)) + hy) +
                         std::fabs(dy) * (std::fabs(cx) + std::fabs(p.value(0)) + hx)) +
                0x1p-1000;
            if (side - reach > tolerance) {
                return false;
            }
            if (reach - side > tolerance) {
                return true;
            }
            const Point2D corners[4] = {Point2D{{low(0, margin), low(1, margin)}},
                                        Point2D{{high(0, margin), low(1, margin)}},
                                        Point2D{{high(0, margin), high(1, margin)}},
                                        Point2D{{low(0, margin), high(1, margin)}}};
            const SIDE first = orient2d(p, q, corners[0]);
            if (first == SIDE::zero) {
                return true;
            }
            for (int c = 1; c < 4; ++c) {
                if (orient2d(p, q, corners[c]) != first) {
                    return true;
                }
            }
            return false;
        } else {
            // Slab test in higher dimension (floating point, with the margin as slack).
            double t0 = 0;
            double t1 = 1;
            for (index_t i = 0; i < dimension; ++i) {
                const double d = q.value(i) - p.value(i);
                if (d == 0) {
                    continue;
                }
                double ta = (low(i, margin) - p.value(i)) / d;
                double tb = (high(i, margin) - p.value(i)) / d;
                if (ta > tb) {
                    std::swap(ta, tb);
                }
                t0 = std::max(t0, ta);
                t1 = std::min(t1, tb);
                if (t0 > t1) {
                    return false;
                }
            }
            return true;
        }
    }

    Point<dimension> min_;
    Point<dimension> max_;
};

using BoundingBox2D = BoundingBox<2>;
using BoundingBox3D = BoundingBox<3>;

}  // namespace orvane
