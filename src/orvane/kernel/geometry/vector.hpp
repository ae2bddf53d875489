#pragma once

#include <array>
#include <cmath>
#include <string>

#include <absl/strings/str_cat.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/velmora_geometry_exception.hpp>

namespace orvane {

// A displacement of the plane (or of space), a plain value type. Points and vectors
// mix as one expects: `p + v` and `p - v` are points, `Vector{p, q}` runs from p to q.
// (Point has its own `p - q`, which stays a point for backward compatibility; write
// `Vector<2>{q, p}` when a vector is meant.)
//
// NaN policy: arithmetic propagates NaN like plain doubles; `normalize` of a NaN
// vector returns a NaN vector; only a vector of length exactly zero is refused.
template <index_t dimension>
class Vector {
public:
    constexpr Vector() = default;
    constexpr explicit Vector(const std::array<double, dimension>& values)
        : values_(values) {}
    // The vector from `from` to `to`.
    constexpr Vector(const Point<dimension>& from, const Point<dimension>& to) {
        for (index_t i = 0; i < dimension; ++i) {
            values_[i] = to.value(i) - from.value(i);
        }
    }
    // The position vector of a point (from the origin).
    constexpr explicit Vector(const Point<dimension>& point) : values_(point.values()) {}

    constexpr double value(index_t i) const { return values_[i]; }
    constexpr void set_value(index_t i, double v) { values_[i] = v; }
    constexpr const std::array<double, dimension>& values() const { return values_; }

    constexpr double dot(const Vector& other) const {
        double result = 0;
        for (index_t i = 0; i < dimension; ++i)
            result += values_[i] * other.values_[i];
        return result;
    }
    constexpr double length2() const { return dot(*this); }
    double length() const {
        const double l2 = length2();
        // The plain square root is exact enough unless the squares overflowed or
        // lost their precision to underflow; only then pay for hypot's rescaling.
        if (l2 > 0x1p-900 && l2 < 0x1p900) {
            return std::sqrt(l2);
        }
        if constexpr (dimension == 2) {
            return std::hypot(values_[0], values_[1]);
        } else if constexpr (dimension == 3) {
            return std::hypot(values_[0], values_[1], values_[2]);
        } else {
            return std::sqrt(l2);
        }
    }
    // The unit vector of the same direction. Throws VelmoraGeometryException for a
    // vector of length zero, whose direction is undefined.
    Vector normalize() const {
        const double l = length();
        if (l == 0) {
            throw VelmoraGeometryException{
                "[Vector::normalize] Cannot normalize a "
                "vector of length zero"};
        }
        return *this / l;
    }

    constexpr bool operator==(const Vector& other) const {
        for (index_t i = 0; i < dimension; ++i) {
            if (values_[i] != other.values_[i])
                return false;
        }
        return true;
    }
    constexpr bool operator!=(const Vector& other) const { return !(*this == other); }

    constexpr Vector operator+(const Vector& other) const {
        Vector r;
        for (index_t i = 0; i < dimension; ++i)
            r.values_[i] = values_[i] + other.values_[i];
        return r;
    }
    constexpr Vector operator-(const Vector& other) const {
        Vector r;
        for (index_t i = 0; i < dimension; ++i)
            r.values_[i] = values_[i] - other.values_[i];
        return r;
    }
    constexpr Vector operator-() const {
        Vector r;
        for (index_t i = 0; i < dimension; ++i)
            r.values_[i] = -values_[i];
        return r;
    }
    constexpr Vector operator*(double s) const {
        Vector r;
        for (index_t i = 0; i < dimension; ++i)
            r.values_[i] = values_[i] * s;
        return r;
    }
    constexpr Vector operator/(double s) const {
        Vector r;
        for (index_t i = 0; i < dimension; ++i)
            r.values_[i] = values_[i] / s;
        return r;
    }
    constexpr Vector& operator+=(const Vector& other) { return *this = *this + other; }
    constexpr Vector& operator-=(const Vector& other) { return *this = *this - other; }
    constexpr Vector& operator*=(double s) { return *this = *this * s; }
    constexpr Vector& operator/=(double s) { return *this = *this / s; }

    // True when the two vectors differ by at most GLOBAL_EPSILON (Euclidean); false
    // with a NaN coordinate.
    bool inexact_equal(const Vector& other) const {
        return (*this - other).length2() <= GLOBAL_EPSILON * GLOBAL_EPSILON;
    }

    std::string string() const {
        std::string s;
        for (index_t i = 0; i < dimension; ++i) {
            absl::StrAppend(&s, i == 0 ? "" : " ", values_[i]);
        }
        return s;
    }

private:
    std::array<double, dimension> values_{};
};

template <index_t dimension>
constexpr Vector<dimension> operator*(double s, const Vector<dimension>& v) {
    return v * s;
}

template <index_t dimension>
constexpr double dot(const Vector<dimension>& a, const Vector<dimension>& b) {
    return a.dot(b);
}

// The z component of the 3D cross product: twice the signed area of (a, b). Floating
// point; use the predicates of predicates.hpp when only the sign matters.
constexpr double cross(const Vector<2>& a, const Vector<2>& b) {
    return a.value(0) * b.value(1) - a.value(1) * b.value(0);
}

template <index_t dimension>
constexpr Point<dimension> operator+(const Point<dimension>& p,
                                     const Vector<dimension>& v) {
    Point<dimension> r;
    for (index_t i = 0; i < dimension; ++i)
        r.set_value(i, p.value(i) + v.value(i));
    return r;
}
template <index_t dimension>
constexpr Point<dimension> operator-(const Point<dimension>& p,
                                     const Vector<dimension>& v) {
    Point<dimension> r;
    for (index_t i = 0; i < dimension; ++i)
        r.set_value(i, p.value(i) - v.value(i));
    return r;
}
template <index_t dimension>
constexpr Point<dimension>& operator+=(Point<dimension>& p, const Vector<dimension>& v) {
    return p = p + v;
}
template <index_t dimension>
constexpr Point<dimension>& operator-=(Point<dimension>& p, const Vector<dimension>& v) {
    return p = p - v;
}

using Vector2D = Vector<2>;
using Vector3D = Vector<3>;

}  // namespace orvane
