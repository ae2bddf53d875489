// Optimisation and decimation of backgrounds.
//
// Optimisation: a 300 x 300 grid, interior vertices jittered by up to 0.2 of a cell and
// diagonals chosen at random, no macro information, fixed border; all triangles from
// 0 on are optimised (plain, then shift on a fresh copy). Compared with CGAL's
// constrained Delaunay triangulation of the same vertices and border, which maximises
// the smallest angle over all triangulations of those points.
//
// Decimation: the same grid with a digitised circle of about 400 macro vertices joined
// by macro edges (one background edge each) and a macro edge along the main diagonal;
// the ratio is the vertices left over the vertices that cannot go (macro vertices and
// the fixed border). Then the time at 100, 200, 400 and 800 cells a side, the circle
// scaled with the grid.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <bench_util.hpp>

#include <orvane/kernel/basic/uuid.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/macro/common/macro_entities.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>
#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>
#include <orvane/surface/orchestrator/background_surface_decimator.hpp>
#include <orvane/surface/orchestrator/background_surface_optimizer.hpp>

#include "support/input_entities.hpp"
#include "support/jittered_grid.hpp"

#ifdef ORVANE_HAVE_CGAL
#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#endif

namespace orvane {
namespace {

using internal::BackgroundSurface;
using internal::BackgroundSurfaceBuilder;
using internal::BackgroundSurfaceConstraintModifier;
using internal::BackgroundSurfaceModifier;

struct Background {
    explicit Background(std::unique_ptr<TriangulatedSurface<2>> surface_in)
        : surface(std::move(surface_in)),
          background(*surface),
          builder(background),
          surface_builder(*surface),
          modifier(background, builder, surface_builder),
          constrained(ModifiableObject<BackgroundSurface>{background, modifier}, builder,
                      ConstraintModifier::CommonConstraints{
                          ConstraintModifier::BORDER_CONSTRAINT::fixed}) {}

    std::unique_ptr<TriangulatedSurface<2>> surface;
    BackgroundSurface background;
    BackgroundSurfaceBuilder builder;
    TriangulatedSurfaceBuilder<2> surface_builder;
    BackgroundSurfaceModifier modifier;
    BackgroundSurfaceConstraintModifier constrained;
};

struct AngleStats {
    double smallest{180};
    double percentile1{180};
    double mean_quality{0};
};

AngleStats stats_of(std::vector<std::array<Point<2>, 3>> triangles) {
    AngleStats stats;
    std::vector<double> angles;
    angles.reserve(triangles.size());
    double quality = 0;
    for (const auto& t : triangles) {
        angles.push_back(test::smallest_angle_degrees(t[0], t[1], t[2]));
        quality += triangle_quality(Triangle<2>{t[0], t[1], t[2]});
    }
    if (angles.empty())
        return stats;
    std::sort(angles.begin(), angles.end());
    stats.smallest = angles.front();
    stats.percentile1 = angles[angles.size() / 100];
    stats.mean_quality = quality / static_cast<double>(angles.size());
    return stats;
}

AngleStats stats_of(const Background& b) {
    std::vector<std::array<Point<2>, 3>> triangles;
    for (index_t t = 0; t < b.surface->nb_polygons(); ++t) {
        if (!b.modifier.is_triangle_active(t))
            continue;
        const auto tri = b.surface->triangle(t);
        triangles.push_back({tri.vertex(0), tri.vertex(1), tri.vertex(2)});
    }
    return stats_of(std::move(triangles));
}

index_t nb_used_vertices(const TriangulatedSurface<2>& surface) {
    index_t count = 0;
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        if (!surface.is_vertex_isolated(v))
            ++count;
    }
    return count;
}

test::JitteredGridOptions optimize_grid_options() {
    test::JitteredGridOptions options;
    options.seed = 42;
    options.amplitude = 0.2;
    options.flip_probability = 0.5;
    return options;
}

#ifdef ORVANE_HAVE_CGAL
AngleStats cgal_stats(const TriangulatedSurface<2>& surface, index_t n) {
    using K = CGAL::Exact_predicates_inexact_constructions_kernel;
    using CDT = CGAL::Constrained_Delaunay_triangulation_2<K>;
    CDT cdt;
    std::vector<K::Point_2> points;
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        const auto& p = surface.point(v);
        points.emplace_back(p.value(0), p.value(1));
    }
    cdt.insert(points.begin(), points.end());
    // The square border, vertex by vertex.
    std::vector<K::Point_2> border;
    const auto at = [&](index_t i, index_t j) { return points[j * (n + 1) + i]; };
    for (index_t i = 0; i < n; ++i)
        border.push_back(at(i, 0));
    for (index_t j = 0; j < n; ++j)
        border.push_back(at(n, j));
    for (index_t i = n; i > 0; --i)
        border.push_back(at(i, n));
    for (index_t j = n; j > 0; --j)
        border.push_back(at(0, j));
    for (std::size_t k = 0; k < border.size(); ++k)
        cdt.insert_constraint(border[k], border[(k + 1) % border.size()]);
    std::vector<std::array<Point<2>, 3>> triangles;
    for (auto face = cdt.finite_faces_begin(); face != cdt.finite_faces_end(); ++face) {
        std::array<Point<2>, 3> t;
        for (int k = 0; k < 3; ++k) {
            const auto& p = face->vertex(k)->point();
            t[k] = Point<2>{{p.x(), p.y()}};
        }
        triangles.push_back(t);
    }
    return stats_of(std::move(triangles));
}
#endif

void bench_optimize() {
    constexpr index_t n = 300;
    const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    AngleStats input;
    AngleStats plain;
    AngleStats shifted;
    double plain_time = 0;
    {
        Background b{test::make_jittered_grid(n, n, optimize_grid_options())};
        input = stats_of(b);
        const bench::Stopwatch watch;
        internal::optimize_background_surface_elements(b.constrained, simulator, 0);
        plain_time = watch.seconds();
        plain = stats_of(b);
        auto table = test::record_input_entities(b.background, b.modifier);
        const auto problems = test::check_input_entities(b.background, b.modifier, table);
        for (const auto& problem : problems)
            std::fprintf(stderr, "optimisation: %s\n", problem.c_str());
    }
    double shift_time = 0;
    {
        Background b{test::make_jittered_grid(n, n, optimize_grid_options())};
        const bench::Stopwatch watch;
        internal::shift_optimize_background_surface_elements(b.constrained, simulator, 0);
        shift_time = watch.seconds();
        shifted = stats_of(b);
    }
    std::printf(
        "# input: smallest %.3f deg, 1st percentile %.3f deg, mean quality %.4f\n",
        input.smallest, input.percentile1, input.mean_quality);
#ifdef ORVANE_HAVE_CGAL
    const auto grid = test::make_jittered_grid(n, n, optimize_grid_options());
    const AngleStats cgal = cgal_stats(*grid, n);
    bench::report("optimize_min_angle_deg", plain.smallest, "deg", "cgal_cdt",
                  cgal.smallest);
    bench::report("optimize_p1_angle_deg", plain.percentile1, "deg", "cgal_cdt",
                  cgal.percentile1);
    bench::report("optimize_mean_quality", plain.mean_quality, "", "cgal_cdt",
                  cgal.mean_quality);
    bench::report("shift_optimize_min_angle_deg", shifted.smallest, "deg", "cgal_cdt",
                  cgal.smallest);
    bench::report("shift_optimize_p1_angle_deg", shifted.percentile1, "deg", "cgal_cdt",
                  cgal.percentile1);
    bench::report("shift_optimize_mean_quality", shifted.mean_quality, "", "cgal_cdt",
                  cgal.mean_quality);
#else
    bench::report("optimize_min_angle_deg", plain.smallest, "deg");
    bench::report("optimize_p1_angle_deg", plain.percentile1, "deg");
    bench::report("optimize_mean_quality", plain.mean_quality, "");
    bench::report("shift_optimize_min_angle_deg", shifted.smallest, "deg");
    bench::report("shift_optimize_p1_angle_deg", shifted.percentile1, "deg");
    bench::report("shift_optimize_mean_quality", shifted.mean_quality, "");
#endif
    bench::report("optimize_time_s", plain_time, "s");
    bench::report("shift_optimize_time_s", shift_time, "s");
}

// A closed 8-connected chain of grid vertices around a circle of the given radius; no
// step uses the anti-diagonal of a cell on the main diagonal (such a step goes round the
// cell's corner on the diagonal instead, so the two macro edges meet at a vertex).
std::vector<std::pair<index_t, index_t>> digital_circle(index_t n, double radius) {
    const double centre = n / 2.;
    std::vector<std::pair<index_t, index_t>> chain;
    const int steps = 64 * static_cast<int>(radius) + 64;
    for (int k = 0; k < steps; ++k) {
        const double angle = 2 * 3.14159265358979323846 * k / steps;
        const auto i =
            static_cast<index_t>(std::lround(centre + radius * std::cos(angle)));
        const auto j =
            static_cast<index_t>(std::lround(centre + radius * std::sin(angle)));
        if (chain.empty() || chain.back() != std::make_pair(i, j))
            chain.emplace_back(i, j);
    }
    while (chain.size() > 1 && chain.back() == chain.front())
        chain.pop_back();
    std::vector<std::pair<index_t, index_t>> fixed;
    for (std::size_t k = 0; k < chain.size(); ++k) {
        const auto [i0, j0] = chain[k];
        const auto [i1, j1] = chain[(k + 1) % chain.size()];
        fixed.emplace_back(i0, j0);
        const bool anti =
            (i1 == i0 + 1 && j1 + 1 == j0) || (i1 + 1 == i0 && j1 == j0 + 1);
        if (anti) {
            const index_t ci = std::min(i0, i1);
            const index_t cj = std::min(j0, j1);
            if (ci == cj)
                fixed.emplace_back(ci, cj);
        }
    }
    return fixed;
}

struct DecimationResult {
    double seconds{0};
    index_t vertices_after{0};
    index_t fixed_vertices{0};
    AngleStats stats;
    std::size_t nb_circle_vertices{0};
    std::size_t nb_problems{0};
};

DecimationResult decimate(index_t n, double radius, bool check) {
    const auto circle = digital_circle(n, radius);
    std::set<std::pair<index_t, index_t>> on_circle(circle.begin(), circle.end());
    test::JitteredGridOptions options;
    options.seed = 7;
    options.amplitude = 0.2;
    options.keep_in_place = [&](index_t i, index_t j) {
        return i == j || on_circle.count({i, j}) != 0;
    };
    options.keep_diagonal = [](index_t i, index_t j) { return i == j; };
    // Diagonal steps of the circle: lower-left to upper-right needs the kept diagonal,
    // the other one the flipped diagonal.
    std::set<std::pair<index_t, index_t>> keep_cells;
    std::set<std::pair<index_t, index_t>> flip_cells;
    for (std::size_t k = 0; k < circle.size(); ++k) {
        const auto [i0, j0] = circle[k];
        const auto [i1, j1] = circle[(k + 1) % circle.size()];
        if (i0 != i1 && j0 != j1) {
            const std::pair<index_t, index_t> cell{std::min(i0, i1), std::min(j0, j1)};
            const bool main = (i1 > i0) == (j1 > j0);
            (main ? keep_cells : flip_cells).insert(cell);
        }
    }
    options.keep_diagonal = [&](index_t i, index_t j) {
        return i == j || keep_cells.count({i, j}) != 0;
    };
    options.force_flip = [&](index_t i, index_t j) {
        return flip_cells.count({i, j}) != 0;
    };
    Background b{test::make_jittered_grid(n, n, options)};
    const auto vertex = [n](index_t i, index_t j) { return j * (n + 1) + i; };
    const uuid points;
    const uuid curves;
    const auto& edges = b.surface->edges();
    for (std::size_t k = 0; k < circle.size(); ++k) {
        const auto [i0, j0] = circle[k];
        const auto [i1, j1] = circle[(k + 1) % circle.size()];
        b.builder.add_macro_vertex_info(MeshVertex{points, static_cast<index_t>(k)},
                                        vertex(i0, j0));
        const index_t edge =
            edges.edge_from_vertices({vertex(i0, j0), vertex(i1, j1)}).value();
        b.builder.add_macro_edge_info(MeshEdge{curves, static_cast<index_t>(k)},
                                      std::vector<index_t>{edge});
    }
    std::vector<index_t> diagonal;
    for (index_t k = 0; k < n; ++k)
        diagonal.push_back(
            edges.edge_from_vertices({vertex(k, k), vertex(k + 1, k + 1)}).value());
    const auto diagonal_id = static_cast<index_t>(circle.size());
    b.builder.add_macro_edge_info(MeshEdge{curves, diagonal_id}, diagonal);
    b.builder.add_macro_vertex_info(MeshVertex{points, diagonal_id}, vertex(0, 0));
    b.builder.add_macro_vertex_info(MeshVertex{points, diagonal_id + 1}, vertex(n, n));

    DecimationResult result;
    result.nb_circle_vertices = circle.size();
    for (index_t v = 0; v < b.surface->nb_vertices(); ++v) {
        if (b.surface->is_vertex_on_border(v) || !b.background.macro_vertices(v).empty())
            ++result.fixed_vertices;
    }
    test::InputEntities table;
    if (check)
        table = test::record_input_entities(b.background, b.modifier);
    const bench::Stopwatch watch;
    internal::decimate_background_surface(
        b.constrained, internal::BackgroundSurfaceAllNonMacroVertex{b.background});
    result.seconds = watch.seconds();
    result.vertices_after = nb_used_vertices(*b.surface);
    result.stats = stats_of(b);
    if (check) {
        table.follow(b.modifier);
        const auto problems = test::check_input_entities(b.background, b.modifier, table);
        result.nb_problems = problems.size();
        for (std::size_t k = 0; k < std::min<std::size_t>(problems.size(), 10); ++k)
            std::fprintf(stderr, "decimation: %s\n", problems[k].c_str());
    }
    return result;
}

void bench_decimate() {
    constexpr index_t n = 300;
    // About 400 vertices on the digitised circle of this radius.
    const double radius_fraction = 0.1707;
    const auto main = decimate(n, radius_fraction * n, true);
    std::printf("# decimation: %zu circle vertices, %u fixed, %u left, %zu problems\n",
                main.nb_circle_vertices, main.fixed_vertices, main.vertices_after,
                main.nb_problems);
    bench::report("decimate_vertex_ratio",
                  static_cast<double>(main.vertices_after) / main.fixed_vertices, "");
    bench::report("decimate_min_angle_deg", main.stats.smallest, "deg");
    bench::report("decimate_time_s", main.seconds, "s");
    std::vector<double> times;
    for (const index_t size : {100u, 200u, 400u, 800u}) {
        const auto run = decimate(size, radius_fraction * size, false);
        times.push_back(run.seconds);
        bench::report(absl::StrCat("decimate_time_", size, "_s"), run.seconds, "s");
    }
    bench::report("decimate_scaling_4x", times[3] / times[2], "");
}

}  // namespace
}  // namespace orvane

// Arguments: "optimize" or "decimate" runs only that half; none runs both.
int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    if (only.empty() || only == "optimize")
        orvane::bench_optimize();
    if (only.empty() || only == "decimate")
        orvane::bench_decimate();
    return 0;
}
