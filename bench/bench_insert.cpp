// Insertion into backgrounds.
//
// Points: uniform random points in a 300 x 300 grid of unit cells (each cut along its
// lower-left to upper-right diagonal), inserted with insert_point_set; the inserter is
// built before the clock starts. The peer is CGAL's constrained Delaunay triangulation
// of the same grid vertices with the square border as constraints, built untimed; only
// the insertion of the same points is timed, as a range (CGAL sorts it spatially) and,
// for reference, one point at a time with the last vertex as the hint. The smallest
// angles of both results are reported too: ours keeps the grid's triangles and repairs
// only around each new vertex, CGAL's is Delaunay.
//
// Scaling: 10,000, 100,000 and 1,000,000 points into a fresh 300 x 300 grid, time per
// point.
//
// Isovalues: 10 isovalues of a smooth function on a 708 x 708 grid (about a million
// triangles), with insert_scalar_function_isovalues; time and vertices added.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <bench_util.hpp>

#include <orvane/kernel/basic/attribute.hpp>
#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/mesh/point_set.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/macro/common/element_insertion_info.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>
#include <orvane/surface/common/surface_library.hpp>
#include <orvane/surface/inserter/background_surface_inserter.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>

#include "support/grid_surface.hpp"
#include "support/jittered_grid.hpp"

#ifdef ORVANE_HAVE_CGAL
#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#endif

namespace orvane {
namespace {

using internal::BackgroundSurface;
using internal::BackgroundSurfaceBuilder;
using internal::BackgroundSurfaceInserter;
using internal::BackgroundSurfaceModifier;

constexpr index_t grid_size = 300;

struct Background {
    explicit Background(std::unique_ptr<TriangulatedSurface<2>> surface_in)
        : surface(std::move(surface_in)),
          background(*surface),
          builder(background),
          surface_builder(*surface),
          modifier(background, builder, surface_builder) {}

    ModifiableObject<BackgroundSurface> modifiable() {
        return ModifiableObject<BackgroundSurface>{background, modifier};
    }

    std::unique_ptr<TriangulatedSurface<2>> surface;
    BackgroundSurface background;
    BackgroundSurfaceBuilder builder;
    TriangulatedSurfaceBuilder<2> surface_builder;
    BackgroundSurfaceModifier modifier;
};

std::vector<Point<2>> random_points(index_t count, double extent, unsigned seed) {
    std::mt19937 rng{seed};
    std::uniform_real_distribution<double> coordinate{0., extent};
    std::vector<Point<2>> points;
    points.reserve(count);
    for (index_t k = 0; k < count; ++k) {
        const double x = coordinate(rng);
        const double y = coordinate(rng);
        points.push_back(Point<2>{{x, y}});
    }
    return points;
}

double smallest_angle(const Background& b) {
    double smallest = 180;
    for (index_t t = 0; t < b.surface->nb_polygons(); ++t) {
        if (!b.modifier.is_triangle_active(t)) {
            continue;
        }
        const auto tri = b.surface->triangle(t);
        smallest = std::min(smallest, test::smallest_angle_degrees(
                                          tri.vertex(0), tri.vertex(1), tri.vertex(2)));
    }
    return smallest;
}

struct OurRun {
    double seconds{0};
    double smallest_angle{0};
    index_t nb_outside{0};
};

OurRun insert_ours(const std::vector<Point<2>>& points, bool measure_angle) {
    test::Grid grid{grid_size, grid_size};
    Background b{grid.release()};
    auto point_set = PointSet<2>::create();
    PointSetBuilder<2>{*point_set}.create_points(points);
    OurRun run;
    {
        BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
        const bench::Stopwatch watch;
        const auto info = inserter.insert_point_set(*point_set);
        run.seconds = watch.seconds();
        run.nb_outside = info.nb_entries_with_status(ElementInsertionInfo::OUTSIDE);
        if (measure_angle) {
            run.smallest_angle = smallest_angle(b);
        }
    }
    if (run.nb_outside != 0) {
        std::fprintf(stderr, "insertion: %u of %zu points reported outside\n",
                     run.nb_outside, points.size());
    }
    return run;
}

#ifdef ORVANE_HAVE_CGAL
using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using CDT = CGAL::Constrained_Delaunay_triangulation_2<K>;

// The grid's vertices and its square border as constraints, vertex to vertex.
void build_cgal_grid(CDT& cdt) {
    std::vector<K::Point_2> points;
    for (index_t j = 0; j <= grid_size; ++j) {
        for (index_t i = 0; i <= grid_size; ++i) {
            points.emplace_back(i, j);
        }
    }
    cdt.insert(points.begin(), points.end());
    std::vector<K::Point_2> border;
    const index_t n = grid_size;
    for (index_t i = 0; i < n; ++i)
        border.emplace_back(i, 0);
    for (index_t j = 0; j < n; ++j)
        border.emplace_back(n, j);
    for (index_t i = n; i > 0; --i)
        border.emplace_back(i, n);
    for (index_t j = n; j > 0; --j)
        border.emplace_back(0, j);
    for (std::size_t k = 0; k < border.size(); ++k) {
        cdt.insert_constraint(border[k], border[(k + 1) % border.size()]);
    }
}

double cgal_smallest_angle(const CDT& cdt) {
    double smallest = 180;
    for (auto face = cdt.finite_faces_begin(); face != cdt.finite_faces_end(); ++face) {
        std::array<Point<2>, 3> t;
        for (int k = 0; k < 3; ++k) {
            const auto& p = face->vertex(k)->point();
            t[k] = Point<2>{{p.x(), p.y()}};
        }
        smallest = std::min(smallest, test::smallest_angle_degrees(t[0], t[1], t[2]));
    }
    return smallest;
}

struct CgalRun {
    double range_seconds{0};
    double sequential_seconds{0};
    double smallest_angle{0};
};

CgalRun insert_cgal(const std::vector<Point<2>>& points) {
    std::vector<K::Point_2> cgal_points;
    cgal_points.reserve(points.size());
    for (const auto& p : points) {
        cgal_points.emplace_back(p.value(0), p.value(1));
    }
    CgalRun run;
    {
        CDT cdt;
        build_cgal_grid(cdt);
        const bench::Stopwatch watch;
        cdt.insert(cgal_points.begin(), cgal_points.end());
        run.range_seconds = watch.seconds();
        run.smallest_angle = cgal_smallest_angle(cdt);
        bench::do_not_optimize(cdt.number_of_vertices());
    }
    {
        CDT cdt;
        build_cgal_grid(cdt);
        const bench::Stopwatch watch;
        CDT::Vertex_handle hint;
        for (const auto& p : cgal_points) {
            hint = hint == CDT::Vertex_handle{} ? cdt.insert(p)
                                                : cdt.insert(p, hint->face());
        }
        run.sequential_seconds = watch.seconds();
        bench::do_not_optimize(cdt.number_of_vertices());
    }
    return run;
}
#endif

constexpr index_t main_count = 100000;

void bench_points() {
    const auto points = random_points(main_count, grid_size, 11);
    const OurRun ours = insert_ours(points, true);
#ifdef ORVANE_HAVE_CGAL
    const CgalRun cgal = insert_cgal(points);
    bench::report("insert_points_100k_s", ours.seconds, "s", "cgal_cdt",
                  cgal.range_seconds);
    bench::report("insert_points_100k_vs_sequential_s", ours.seconds, "s",
                  "cgal_cdt_sequential", cgal.sequential_seconds);
    bench::report("insert_points_min_angle_deg", ours.smallest_angle, "deg", "cgal_cdt",
                  cgal.smallest_angle);
#else
    bench::report("insert_points_100k_s", ours.seconds, "s");
    bench::report("insert_points_min_angle_deg", ours.smallest_angle, "deg");
#endif
}

void bench_scaling() {
    const std::vector<std::pair<index_t, std::string>> sizes{
        {10000, "10k"}, {100000, "100k"}, {1000000, "1m"}};
    for (const auto& [count, label] : sizes) {
        const auto points = random_points(count, grid_size, 12);
        const OurRun run = insert_ours(points, false);
        bench::report("insert_points_per_point_us_" + label, 1e6 * run.seconds / count,
                      "us");
    }
}

double smooth_function(const Point<2>& p) {
    const double x = p.value(0);
    const double y = p.value(1);
    return std::sin(x / 53.) * std::cos(y / 41.) + 0.3 * std::sin((x + 2 * y) / 97.);
}

void bench_isovalues() {
    constexpr index_t n = 708;
    test::JitteredGridOptions options;
    options.seed = 5;
    Background b{test::make_jittered_grid(n, n, options)};
    std::printf("# isovalues: %u triangles, %u vertices\n", b.surface->nb_polygons(),
                b.surface->nb_vertices());
    auto attribute =
        b.surface->vertex_attribute_manager().find_or_create_attribute<VariableAttribute>(
            "height", 0., AttributeProperties{false, false, true});
    for (index_t v = 0; v < b.surface->nb_vertices(); ++v) {
        attribute->set_value(v, smooth_function(b.surface->point(v)));
    }
    attribute.reset();
    std::vector<double> isovalues;
    for (int k = 0; k < 10; ++k) {
        isovalues.push_back(-0.9 + 1.8 * (k + 0.5) / 10);
    }
    const index_t before = b.surface->nb_vertices();
    BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
    const bench::Stopwatch watch;
    inserter.insert_scalar_function_isovalues("height", isovalues);
    const double seconds = watch.seconds();
    bench::report("isovalues_10_1m_s", seconds, "s");
    bench::report("isovalues_10_1m_vertices_added", b.surface->nb_vertices() - before,
                  "vertices");
}

}  // namespace
}  // namespace orvane

// Arguments: "points", "scaling" or "isovalues" runs only that part; none runs all.
int main(int argc, char** argv) {
    orvane::OrvaneBackgroundSurfaceLibrary::initialize();
    // The progress lines of the inserter would interleave with the figures.
    orvane::Logger::set_level(orvane::Logger::LEVEL::warn);
    const std::string only = argc > 1 ? argv[1] : "";
    if (only.empty() || only == "points")
        orvane::bench_points();
    if (only.empty() || only == "scaling")
        orvane::bench_scaling();
    if (only.empty() || only == "isovalues")
        orvane::bench_isovalues();
    return 0;
}
