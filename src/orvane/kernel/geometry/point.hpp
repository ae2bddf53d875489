#pragma once

#include <array>
#include <cmath>
#include <string>

#include <absl/strings/str_cat.h>

#include <orvane/kernel/basic/common.hpp>

namespace orvane {

// A point of the plane (or of space for dimension 3), a plain value type.
template <index_t dimension>
class Point {
public:
    constexpr Point() = default;
    constexpr explicit Point(const std::array<double, dimension>& values)
        : values_(values) {}

    constexpr double value(index_t i) const { return values_[i]; }
    constexpr void set_value(index_t i, double v) { values_[i] = v; }
    constexpr const std::array<double, dimension>& values() const { return values_; }

    constexpr bool operator==(const Point& other) const {
        for (index_t i = 0; i < dimension; ++i) {
            if (values_[i] != other.values_[i]) {
                return false;
            }
        }
        return true;
    }
    constexpr bool operator!=(const Point& other) const { return !(*this == other); }
    // Lexicographic order, for sorting and ordered containers.
    constexpr bool operator<(const Point& other) const {
        for (index_t i = 0; i < dimension; ++i) {
            if (values_[i] != other.values_[i]) {
                return values_[i] < other.values_[i];
            }
        }
        return false;
    }

    constexpr Point operator+(const Point& other) const {
        Point r;
        for (index_t i = 0; i < dimension; ++i) r.values_[i] = values_[i] + other.values_[i];
        return r;
    }
    constexpr Point operator-(const Point& other) const {
        Point r;
        for (index_t i = 0; i < dimension; ++i) r.values_[i] = values_[i] - other.values_[i];
        return r;
    }
    constexpr Point operator*(double s) const {
        Point r;
        for (index_t i = 0; i < dimension; ++i) r.values_[i] = values_[i] * s;
        return r;
    }
    constexpr Point operator/(double s) const {
        Point r;
        for (index_t i = 0; i < dimension; ++i) r.values_[i] = values_[i] / s;
        return r;
    }
    constexpr Point& operator+=(const Point& other) { return *this = *this + other; }
    constexpr Point& operator-=(const Point& other) { return *this = *this - other; }
    constexpr Point& operator*=(double s) { return *this = *this * s; }
    constexpr Point& operator/=(double s) { return *this = *this / s; }

    // True when the two points are within GLOBAL_EPSILON of each other (Euclidean).
    // A NaN coordinate makes the answer false.
    bool inexact_equal(const Point& other) const {
        double d2 = 0;
        for (index_t i = 0; i < dimension; ++i) {
            const double d = values_[i] - other.values_[i];
            d2 += d * d;
        }
        return d2 <= GLOBAL_EPSILON * GLOBAL_EPSILON;
    }

    bool is_finite() const {
        for (index_t i = 0; i < dimension; ++i) {
            if (!std::isfinite(values_[i])) return false;
        }
        return true;
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
constexpr Point<dimension> operator*(double s, const Point<dimension>& p) {
    return p * s;
}

using Point2D = Point<2>;
using Point3D = Point<3>;

}  // namespace orvane
