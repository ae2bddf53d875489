#pragma once

#include <array>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/vector.hpp>

namespace orvane {

// A segment between two points, a plain value type holding copies of its vertices.
// Vertex 0 is the segment's first point, vertex 1 its second.
template <index_t dimension>
class Segment {
public:
    constexpr Segment() = default;
    constexpr Segment(const Point<dimension>& p0, const Point<dimension>& p1)
        : vertices_{{p0, p1}} {}

    constexpr const std::array<Point<dimension>, 2>& vertices() const {
        return vertices_;
    }
    constexpr const Point<dimension>& vertex(local_index_t v) const {
        return vertices_[v];
    }
    constexpr void set_vertex(local_index_t v, const Point<dimension>& p) {
        vertices_[v] = p;
    }

    // From vertex 0 to vertex 1, not normalised.
    constexpr Vector<dimension> direction() const {
        return Vector<dimension>{vertices_[0], vertices_[1]};
    }
    // Unit direction; throws VelmoraGeometryException for a segment of length zero.
    Vector<dimension> normalized_direction() const { return direction().normalize(); }
    constexpr Point<dimension> barycenter() const {
        return (vertices_[0] + vertices_[1]) / 2.;
    }
    double length() const { return direction().length(); }
    // True when both vertices are the same point (exactly).
    constexpr bool is_degenerated() const { return vertices_[0] == vertices_[1]; }

    constexpr bool operator==(const Segment& other) const {
        return vertices_[0] == other.vertices_[0] && vertices_[1] == other.vertices_[1];
    }
    constexpr bool operator!=(const Segment& other) const { return !(*this == other); }

private:
    std::array<Point<dimension>, 2> vertices_{};
};

using Segment2D = Segment<2>;
using Segment3D = Segment<3>;

}  // namespace orvane
