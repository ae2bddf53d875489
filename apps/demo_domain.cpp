#include "demo_domain.hpp"

#include <array>
#include <cmath>
#include <random>

#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>

namespace orvane::demo {

bool DomainOptions::has_cell(index_t i, index_t j) const {
    if (i >= nx || j >= ny) {
        return false;
    }
    if (i >= notch_i && j >= notch_j) {
        return false;
    }
    return !(i >= hole_i0 && i < hole_i1 && j >= hole_j0 && j < hole_j1);
}

std::unique_ptr<TriangulatedSurface<2>> make_domain(const DomainOptions& options) {
    std::mt19937 rng{options.seed};
    std::uniform_real_distribution<double> jitter{-options.amplitude, options.amplitude};
    std::uniform_int_distribution<int> coin{0, 1};
    // The cell to the lower left (dx = dy = 1), lower right, upper left or upper right
    // of vertex (i, j).
    const auto cell_at = [&](index_t i, index_t j, index_t dx, index_t dy) {
        return i >= dx && j >= dy && options.has_cell(i - dx, j - dy);
    };
    std::vector<index_t> vertex_of((options.nx + 1) * (options.ny + 1), NO_ID);
    std::vector<Point<2>> points;
    for (index_t j = 0; j <= options.ny; ++j) {
        for (index_t i = 0; i <= options.nx; ++i) {
            int nb_cells = 0;
            for (index_t dy = 0; dy < 2; ++dy) {
                for (index_t dx = 0; dx < 2; ++dx) {
                    nb_cells += cell_at(i, j, dx, dy) ? 1 : 0;
                }
            }
            // Drawn for every grid point, so that the jitter of a vertex does not
            // depend on the cells left out elsewhere.
            const double dx = jitter(rng);
            const double dy = jitter(rng);
            if (nb_cells == 0) {
                continue;
            }
            Point<2> p{{static_cast<double>(i), static_cast<double>(j)}};
            if (nb_cells == 4) {
                p = Point<2>{{i + dx, j + dy}};
            }
            vertex_of[j * (options.nx + 1) + i] = static_cast<index_t>(points.size());
            points.push_back(p);
        }
    }
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*surface};
    builder.create_points(points);
    const auto vertex = [&](index_t i, index_t j) {
        return vertex_of[j * (options.nx + 1) + i];
    };
    std::vector<std::array<index_t, 3>> triangles;
    for (index_t j = 0; j < options.ny; ++j) {
        for (index_t i = 0; i < options.nx; ++i) {
            const bool flip = coin(rng) == 1;
            if (!options.has_cell(i, j)) {
                continue;
            }
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

double height(const Point<2>& p) {
    const double x = p.value(0);
    const double y = p.value(1);
    return std::sin(x / 11.) * std::cos(y / 8.) + 0.35 * std::sin((x + 2 * y) / 23.);
}

std::unique_ptr<PointSet<2>> make_point_set(const DomainOptions& options, index_t count,
                                            double overhang, unsigned seed) {
    std::mt19937 rng{seed};
    std::uniform_real_distribution<double> x{-overhang, options.nx + overhang};
    std::uniform_real_distribution<double> y{-overhang, options.ny + overhang};
    auto point_set = PointSet<2>::create();
    PointSetBuilder<2> builder{*point_set};
    for (index_t k = 0; k < count; ++k) {
        const double px = x(rng);
        const double py = y(rng);
        builder.create_point(Point<2>{{px, py}});
    }
    return point_set;
}

}  // namespace orvane::demo
