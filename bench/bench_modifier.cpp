// Triangulated surface modifier on a 1000 x 1000 grid (two million triangles).
//
// split_edge_per_s, split_triangle_per_s, collapse_edge_per_s: operations per second at
// random places (random active triangle, random local edge; splits at the edge's or
// triangle's centre, collapses onto the edge's midpoint). A refused collapse (link
// condition, inversion) counts as an attempt, not as an operation: the figure is
// successful collapses per second of total time, and the refusal share is printed.
// Each figure is measured on a fresh grid with a polygon attribute (assignable, the
// way the macro store's triangle data is) and an edge attribute.
//
// clean_after_100k_s: clean() after 100,000 mixed operations (splits and collapses)
// on a fresh grid, with the first edge lookup after it (which rebuilds the edge map).
//
// Each figure is the best of three runs (the machine is shared: the worst runs measure
// the neighbours).
//
// Usage: bench_modifier [NAME ...] runs only the named measurements (for profiling).

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <orvane/kernel/basic/attribute.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

#include "bench_util.hpp"
#include "support/grid_surface.hpp"

namespace {

using namespace orvane;

constexpr index_t grid_size = 1000;

struct Setup {
    Setup() : grid(grid_size, grid_size) {
        builder = std::make_unique<TriangulatedSurfaceBuilder<2>>(grid.surface());
        modifier =
            std::make_unique<TriangulatedSurfaceModifier<2>>(grid.surface(), *builder);
        grid.surface()
            .polygon_attribute_manager()
            .find_or_create_attribute<VariableAttribute, index_t>(
                "tag", 0, AttributeProperties{true, false, false});
        grid.surface()
            .edges()
            .edge_attribute_manager()
            .find_or_create_attribute<VariableAttribute, index_t>(
                "macro", 0, AttributeProperties{false, false, false});
    }

    index_t random_active(std::mt19937& rng) const {
        const auto& s = grid.surface();
        std::uniform_int_distribution<index_t> pick(0, s.nb_polygons() - 1);
        for (;;) {
            const index_t t = pick(rng);
            if (modifier->is_triangle_active(t))
                return t;
        }
    }

    test::Grid grid;
    std::unique_ptr<TriangulatedSurfaceBuilder<2>> builder;
    std::unique_ptr<TriangulatedSurfaceModifier<2>> modifier;
};

constexpr index_t nb_operations = 300000;

double bench_split_edge() {
    Setup setup;
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> local(0, 2);
    bench::Stopwatch watch;
    for (index_t i = 0; i < nb_operations; ++i) {
        const PolygonEdge edge{setup.random_active(rng),
                               static_cast<local_index_t>(local(rng))};
        const auto info =
            setup.modifier->split_edge(edge, setup.grid.surface().edge_barycenter(edge));
        bench::do_not_optimize(info.new_vertex);
    }
    return nb_operations / watch.seconds();
}

double bench_split_triangle() {
    Setup setup;
    std::mt19937 rng(2);
    bench::Stopwatch watch;
    for (index_t i = 0; i < nb_operations; ++i) {
        const index_t t = setup.random_active(rng);
        const auto info =
            setup.modifier->split_triangle(t, setup.grid.surface().polygon_barycenter(t));
        bench::do_not_optimize(info.new_vertex);
    }
    return nb_operations / watch.seconds();
}

double bench_collapse_edge() {
    Setup setup;
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> local(0, 2);
    index_t done = 0;
    index_t refused = 0;
    bench::Stopwatch watch;
    for (index_t i = 0; i < nb_operations; ++i) {
        const PolygonEdge edge{setup.random_active(rng),
                               static_cast<local_index_t>(local(rng))};
        try {
            const auto info = setup.modifier->collapse_edge(
                edge, setup.grid.surface().edge_barycenter(edge));
            bench::do_not_optimize(info.vertex.first);
            ++done;
        } catch (const OrvaneCommonModifierCommonException&) {
            ++refused;
        }
    }
    const double seconds = watch.seconds();
    std::printf("collapse_edge: %u done, %u refused (%.1f %%)\n", done, refused,
                100. * refused / nb_operations);
    return done / seconds;
}

double bench_clean() {
    Setup setup;
    std::mt19937 rng(4);
    std::uniform_int_distribution<int> local(0, 2);
    std::uniform_int_distribution<int> kind(0, 2);
    auto& surface = setup.grid.surface();
    for (index_t i = 0; i < 100000; ++i) {
        const index_t t = setup.random_active(rng);
        const PolygonEdge edge{t, static_cast<local_index_t>(local(rng))};
        try {
            switch (kind(rng)) {
                case 0:
                    setup.modifier->split_edge(edge, surface.edge_barycenter(edge));
                    break;
                case 1:
                    setup.modifier->split_triangle(t, surface.polygon_barycenter(t));
                    break;
                default:
                    setup.modifier->collapse_edge(edge, surface.edge_barycenter(edge));
                    break;
            }
        } catch (const OrvaneCommonModifierCommonException&) {
        }
    }
    bench::Stopwatch watch;
    const auto mappings = setup.modifier->clean();
    // The edge map is rebuilt on the first lookup after a clean: count it.
    bench::do_not_optimize(surface.edges().edge_from_vertices({{0, 1}}));
    const double seconds = watch.seconds();
    bench::do_not_optimize(mappings.triangles.size());
    std::printf("clean: %zu -> %u triangles\n", mappings.triangles.size(),
                surface.nb_polygons());
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> wanted(argv + 1, argv + argc);
    const auto run = [&wanted](const std::string& name, const std::string& unit,
                               const std::function<double()>& measure) {
        if (!wanted.empty() &&
            std::find(wanted.begin(), wanted.end(), name) == wanted.end())
            return;
        // Rates: the highest; durations: the shortest.
        const bool rate = unit == "1/s";
        double best = measure();
        for (int round = 1; round < 3; ++round) {
            const double value = measure();
            best = rate ? std::max(best, value) : std::min(best, value);
        }
        orvane::bench::report(name, best, unit);
    };
    run("split_edge_per_s", "1/s", bench_split_edge);
    run("split_triangle_per_s", "1/s", bench_split_triangle);
    run("collapse_edge_per_s", "1/s", bench_collapse_edge);
    run("clean_after_100k_s", "s", bench_clean);
    return 0;
}
