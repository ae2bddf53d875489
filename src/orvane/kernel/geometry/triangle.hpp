#pragma once

#include <array>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/segment.hpp>
#include <orvane/kernel/geometry/vector.hpp>

namespace orvane {

// A triangle given by three points, a plain value type holding copies of them. Local
// edge e runs from vertex e to vertex (e + 1) mod 3, as for mesh polygons.
template <index_t dimension>
class Triangle {
public:
    constexpr Triangle() = default;
    constexpr Triangle(const Point<dimension>& p0, const Point<dimension>& p1,
                       const Point<dimension>& p2)
        : vertices_{{p0, p1, p2}} {}

    constexpr const std::array<Point<dimension>, 3>& vertices() const {
        return vertices_;
    }
    constexpr const Point<dimension>& vertex(local_index_t v) const {
        return vertices_[v];
    }
    constexpr void set_vertex(local_index_t v, const Point<dimension>& p) {
        vertices_[v] = p;
    }

    // Local edge e, from vertex e to vertex e + 1 (mod 3).
    constexpr Segment<dimension> edge(local_index_t e) const {
        return Segment<dimension>{vertices_[e], vertices_[(e + 1) % 3]};
    }
    constexpr Point<dimension> barycenter() const {
        return (vertices_[0] + vertices_[1] + vertices_[2]) / 3.;
    }

    // Local index of the shortest edge. Ties go to the lowest index; an edge whose
    // length is NaN is never preferred, so a triangle whose three lengths are NaN
    // answers 0.
    local_index_t smallest_edge_index() const {
        local_index_t best = 0;
        double best_length2 = edge(0).direction().length2();
        for (local_index_t e = 1; e < 3; ++e) {
            const double l2 = edge(e).direction().length2();
            if (l2 < best_length2 || (best_length2 != best_length2 && l2 == l2)) {
                best = e;
                best_length2 = l2;
            }
        }
        return best;
    }

    bool operator==(const Triangle& other) const { return vertices_ == other.vertices_; }
    bool operator!=(const Triangle& other) const { return !(*this == other); }

private:
    std::array<Point<dimension>, 3> vertices_{};
};

using Triangle2D = Triangle<2>;
using Triangle3D = Triangle<3>;

}  // namespace orvane
