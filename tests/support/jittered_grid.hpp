#pragma once

// A grid of unit cells whose interior vertices are jittered and whose cell diagonals are
// chosen at random, for the optimiser and decimator tests and benchmarks. Vertex (i, j)
// has index j * (nx + 1) + i, as in Grid; the border is the straight square border.

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>

namespace orvane::test {

struct JitteredGridOptions {
    // Each interior coordinate moves by up to this much (below 0.25 every cell stays
    // convex, so either diagonal gives counter-clockwise triangles).
    double amplitude{0.2};
    // Chance that a cell takes the diagonal from its lower-right to its upper-left
    // corner instead of lower-left to upper-right.
    double flip_probability{0.5};
    unsigned seed{1};
    // Vertices (i, j) that keep their grid point (straight chains, say).
    std::function<bool(index_t, index_t)> keep_in_place;
    // Cells (i, j) that keep the lower-left to upper-right diagonal.
    std::function<bool(index_t, index_t)> keep_diagonal;
    // Cells (i, j) that take the lower-right to upper-left diagonal (keep_diagonal wins).
    std::function<bool(index_t, index_t)> force_flip;
};

inline std::unique_ptr<TriangulatedSurface<2>> make_jittered_grid(
    index_t nx, index_t ny, const JitteredGridOptions& options = {}) {
    std::mt19937 rng{options.seed};
    std::uniform_real_distribution<double> jitter{-options.amplitude, options.amplitude};
    std::uniform_real_distribution<double> unit{0., 1.};
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*surface};
    std::vector<Point<2>> points;
    points.reserve(static_cast<std::size_t>(nx + 1) * (ny + 1));
    for (index_t j = 0; j <= ny; ++j) {
        for (index_t i = 0; i <= nx; ++i) {
            double x = i;
            double y = j;
            const bool border = i == 0 || j == 0 || i == nx || j == ny;
            const double dx = jitter(rng);
            const double dy = jitter(rng);
            if (!border && !(options.keep_in_place && options.keep_in_place(i, j))) {
                x += dx;
                y += dy;
            }
            points.push_back(Point<2>{{x, y}});
        }
    }
    builder.create_points(points);
    const auto vertex = [nx](index_t i, index_t j) { return j * (nx + 1) + i; };
    std::vector<std::array<index_t, 3>> triangles;
    triangles.reserve(2 * static_cast<std::size_t>(nx) * ny);
    for (index_t j = 0; j < ny; ++j) {
        for (index_t i = 0; i < nx; ++i) {
            const bool random_flip = unit(rng) < options.flip_probability;
            const bool forced = options.force_flip && options.force_flip(i, j);
            const bool flip = (random_flip || forced) &&
                              !(options.keep_diagonal && options.keep_diagonal(i, j));
            const index_t a = vertex(i, j);
            const index_t b = vertex(i + 1, j);
            const index_t c = vertex(i + 1, j + 1);
            const index_t d = vertex(i, j + 1);
            if (flip) {
                triangles.push_back({a, b, d});
                triangles.push_back({b, c, d});
            } else {
                triangles.push_back({a, b, c});
                triangles.push_back({a, c, d});
            }
        }
    }
    builder.create_triangles(triangles);
    builder.compute_polygon_adjacencies();
    return surface;
}

// Smallest angle of a triangle, in degrees.
inline double smallest_angle_degrees(const Point<2>& a, const Point<2>& b,
                                     const Point<2>& c) {
    const std::array<const Point<2>*, 3> p{{&a, &b, &c}};
    double smallest = 180;
    for (int k = 0; k < 3; ++k) {
        const auto& o = *p[k];
        const auto& u = *p[(k + 1) % 3];
        const auto& v = *p[(k + 2) % 3];
        const double ux = u.value(0) - o.value(0);
        const double uy = u.value(1) - o.value(1);
        const double vx = v.value(0) - o.value(0);
        const double vy = v.value(1) - o.value(1);
        const double angle = std::atan2(std::abs(ux * vy - uy * vx), ux * vx + uy * vy);
        smallest = std::min(smallest, angle * 180. / 3.14159265358979323846);
    }
    return smallest;
}

}  // namespace orvane::test
