#pragma once

// Surfaces and the brute-force reference of the point location tests and benchmark:
// grids with chosen cells (combs, holes), interior jitter, and the answer a scan of
// every active triangle gives.

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/bounding_box.hpp>
#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

namespace orvane::test {

// An nx by ny grid of unit cells (vertex (i, j) at (i, j), index j * (nx + 1) + i)
// where only the cells with keep(i, j) get their two counter-clockwise triangles
// (lower-right then upper-left, cut along the rising diagonal). Vertices of dropped
// cells that no kept cell uses stay isolated. Adjacencies are computed.
inline std::unique_ptr<TriangulatedSurface<2>> make_cells_surface(
    index_t nx, index_t ny, const std::function<bool(index_t, index_t)>& keep) {
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*surface};
    std::vector<Point<2>> points;
    for (index_t j = 0; j <= ny; ++j) {
        for (index_t i = 0; i <= nx; ++i) {
            points.push_back(Point<2>{{double(i), double(j)}});
        }
    }
    builder.create_points(points);
    const auto vertex = [nx](index_t i, index_t j) { return j * (nx + 1) + i; };
    std::vector<std::array<index_t, 3>> triangles;
    for (index_t j = 0; j < ny; ++j) {
        for (index_t i = 0; i < nx; ++i) {
            if (!keep(i, j)) {
                continue;
            }
            triangles.push_back({vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1)});
            triangles.push_back({vertex(i, j), vertex(i + 1, j + 1), vertex(i, j + 1)});
        }
    }
    builder.create_triangles(triangles);
    builder.compute_polygon_adjacencies();
    return surface;
}

// Moves every vertex not on the border (isolated ones stay) by a uniform offset of at
// most `amount` on each axis. With amount < 0.25 on unit cells no triangle turns over.
inline void jitter_interior(TriangulatedSurface<2>& surface, double amount,
                            std::mt19937& rng) {
    TriangulatedSurfaceBuilder<2> builder{surface};
    std::uniform_real_distribution<double> offset(-amount, amount);
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        if (surface.is_vertex_isolated(v) || surface.is_vertex_on_border(v)) {
            continue;
        }
        const auto& p = surface.point(v);
        builder.set_point(v,
                          Point<2>{{p.value(0) + offset(rng), p.value(1) + offset(rng)}});
    }
}

// What a scan of every active triangle says about a point: the triangles that contain
// it exactly (closed), and those within GLOBAL_EPSILON of it.
struct ReferenceLocation {
    std::vector<index_t> containing;
    std::vector<index_t> near;

    bool contains(index_t t) const {
        for (const index_t c : containing) {
            if (c == t) {
                return true;
            }
        }
        return false;
    }
    bool is_near(index_t t) const {
        for (const index_t c : near) {
            if (c == t) {
                return true;
            }
        }
        return false;
    }
    // Whether `answer` is one the contract allows: a containing triangle when there is
    // one, else a triangle within the tolerance when there is one, else nothing.
    bool accepts(const std::optional<index_t>& answer) const {
        if (!containing.empty()) {
            return answer && contains(*answer);
        }
        if (!near.empty()) {
            return answer && is_near(*answer);
        }
        return !answer;
    }
};

inline ReferenceLocation reference_location(
    const Point<2>& point, const TriangulatedSurface<2>& surface,
    const TriangulatedSurfaceModifier<2>& modifier) {
    ReferenceLocation result;
    if (!point.is_finite()) {
        return result;
    }
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (!modifier.is_triangle_active(t)) {
            continue;
        }
        const auto triangle = surface.triangle(t);
        BoundingBox<2> box{triangle.vertex(0), triangle.vertex(1)};
        box.add_point(triangle.vertex(2));
        if (!box.epsilon_contains(point)) {
            continue;
        }
        if (point_triangle_position(point, triangle) != POSITION::outside) {
            result.containing.push_back(t);
        }
        if (std::get<0>(point_triangle_distance(point, triangle)) <= GLOBAL_EPSILON) {
            result.near.push_back(t);
        }
    }
    return result;
}

}  // namespace orvane::test
