// Background surface queries.
//
// macro_edge_path_1000_s: time per call of BackgroundSurface::macro_edge_path along a
// straight macro edge of 1000 background edges (the bottom row of a 1000-cell strip),
// the longest chain the walk accepts. Best of several rounds, each the mean of many
// calls.

#include <algorithm>
#include <cstdio>
#include <limits>

#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>

#include "bench_util.hpp"
#include "support/grid_surface.hpp"

int main() {
    using namespace orvane;
    const auto strip = test::make_strip(1000);
    internal::BackgroundSurface background{strip.surface()};
    const MeshEdge macro_edge{uuid{}, 0};
    internal::BackgroundSurfaceBuilder{background}.add_macro_edge_info(
        macro_edge, test::chain_edges(strip.surface(), test::row(strip, 0)));

    const std::array<index_t, 2> ends{strip.vertex(0, 0), strip.vertex(1000, 0)};
    const auto check = background.macro_edge_path(ends, macro_edge);
    if (!check || check->size() != 1000) {
        std::fprintf(stderr, "macro_edge_path did not find the 1000-edge chain\n");
        return 1;
    }

    constexpr int rounds = 7;
    constexpr int calls = 200;
    double best = std::numeric_limits<double>::max();
    for (int r = 0; r < rounds; ++r) {
        bench::Stopwatch watch;
        for (int c = 0; c < calls; ++c) {
            const auto path = background.macro_edge_path(ends, macro_edge);
            bench::do_not_optimize(path);
        }
        best = std::min(best, watch.seconds() / calls);
    }
    bench::report("macro_edge_path_1000_s", best, "s");
    return 0;
}
