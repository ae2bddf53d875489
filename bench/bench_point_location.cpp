// Point location on a 1000 x 1000 grid (two million triangles), the way the inserter
// locates a point: ElementSearch::initial_containing_element, then
// detail::find_containing_triangle with the search.
//
// element_search_build_s: building the search over the fresh grid.
// point_location_per_s: uniform random points in the grid's square, located one by one;
// point_location_walk_length: the average number of triangles the walk crossed after
// its start (measured in a separate pass, with detail::walk_to_point from the same
// starts).
// point_location_stale_per_s, point_location_stale_walk_length: the same after
// 200,000 random splits with the search left as it was (stale tree, inactive starts,
// 600,000 appended triangles reached through the lazily indexed blocks).
// Every located triangle of the first 10,000 points of each run is checked to be
// active and to contain its point.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/macro/common/element_search.hpp>
#include <orvane/macro/common/point_location.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

#include "bench_util.hpp"
#include "support/grid_surface.hpp"

namespace {

using namespace orvane;

constexpr index_t grid_size = 1000;
constexpr index_t nb_queries = 1000000;
constexpr index_t nb_checked = 10000;

std::vector<Point<2>> random_points(index_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coordinate(0., double(grid_size));
    std::vector<Point<2>> points;
    points.reserve(count);
    for (index_t i = 0; i < count; ++i) {
        points.push_back(Point<2>{{coordinate(rng), coordinate(rng)}});
    }
    return points;
}

struct Run {
    double per_second;
    double walk_length;
};

Run locate_all(const TriangulatedSurface<2>& surface,
               const TriangulatedSurfaceModifier<2>& modifier,
               const ElementSearch<TriangulatedSurface<2>>& search,
               const std::vector<Point<2>>& points) {
    index_t nb_found = 0;
    bench::Stopwatch watch;
    for (const auto& p : points) {
        const auto start = search.initial_containing_element(p);
        if (!start) {
            continue;
        }
        const auto t =
            detail::find_containing_triangle(p, surface, modifier, *start, search);
        nb_found += t.has_value() ? 1 : 0;
        bench::do_not_optimize(t);
    }
    const double seconds = watch.seconds();
    if (nb_found != points.size()) {
        std::fprintf(stderr, "located %u of %zu points inside the grid\n", nb_found,
                     points.size());
        std::exit(1);
    }
    double steps = 0;
    for (index_t i = 0; i < points.size(); ++i) {
        const auto& p = points[i];
        const auto start = search.initial_containing_element(p);
        const auto walk = detail::walk_to_point(p, surface, modifier, *start);
        steps += walk.nb_steps;
        if (i < nb_checked) {
            const auto t =
                detail::find_containing_triangle(p, surface, modifier, *start, search);
            if (!t || !modifier.is_triangle_active(*t) ||
                point_triangle_position(p, surface.triangle(*t)) == POSITION::outside) {
                std::fprintf(stderr, "wrong triangle for point %s\n", p.string().c_str());
                std::exit(1);
            }
        }
    }
    return {points.size() / seconds, steps / points.size()};
}

}  // namespace

int main() {
    test::Grid grid(grid_size, grid_size);
    TriangulatedSurfaceBuilder<2> builder(grid.surface());
    TriangulatedSurfaceModifier<2> modifier(grid.surface(), builder);

    bench::Stopwatch build_watch;
    ElementSearch<TriangulatedSurface<2>> search(grid.surface());
    bench::report("element_search_build_s", build_watch.seconds(), "s");

    const auto points = random_points(nb_queries, 7);
    const Run fresh = locate_all(grid.surface(), modifier, search, points);
    bench::report("point_location_per_s", fresh.per_second, "1/s");
    bench::report("point_location_walk_length", fresh.walk_length, "triangles");

    // Random splits at triangle centres, leaving the search as it was.
    std::mt19937 rng(3);
    for (index_t k = 0; k < 200000; ++k) {
        std::uniform_int_distribution<index_t> pick(0, grid.surface().nb_polygons() - 1);
        index_t t = pick(rng);
        while (!modifier.is_triangle_active(t)) {
            t = pick(rng);
        }
        try {
            modifier.split_triangle(t, grid.surface().polygon_barycenter(t));
        } catch (const VelmoraException&) {
            // A centre within the tolerance of a corner (a deeply nested split).
        }
    }
    const auto stale_points = random_points(nb_queries, 8);
    const Run stale = locate_all(grid.surface(), modifier, search, stale_points);
    bench::report("point_location_stale_per_s", stale.per_second, "1/s");
    bench::report("point_location_stale_walk_length", stale.walk_length, "triangles");
    return 0;
}
