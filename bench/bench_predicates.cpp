// The combined collapse verdict, as the decimator and the optimisers ask it before every
// collapse: the constraints' verdict (topology, immutable vertices, forbidden edges,
// fixed border) and the macro information's, combined. On a grid background whose
// rows and columns every fourth line carry macro edges, with macro vertices at their
// crossings and a macro element over a quarter of the triangles.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <bench_util.hpp>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>
#include <orvane/surface/modifier/macro_info_predicates.hpp>

#include "support/background_fixture.hpp"

namespace {

using orvane::index_t;
using orvane::PolygonEdge;

}  // namespace

int main() {
    using namespace orvane;
    constexpr index_t n = 200;
    test::BackgroundOnGrid grid{n, n};
    auto& builder = grid.builder;
    const uuid curves;
    const uuid points;
    const uuid surfaces;
    index_t macro_edge = 0;
    for (index_t k = 4; k < n; k += 4) {
        builder.add_macro_edge_info(MeshEdge{curves, macro_edge++},
                                    grid.line_edges(0, k, n, k));
        builder.add_macro_edge_info(MeshEdge{curves, macro_edge++},
                                    grid.line_edges(k, 0, k, n));
        for (index_t l = 4; l < n; l += 4) {
            builder.add_macro_vertex_info(MeshVertex{points, grid.vertex(k, l)},
                                          grid.vertex(k, l));
        }
    }
    for (index_t j = 0; j < n / 2; ++j) {
        for (index_t i = 0; i < n / 2; ++i) {
            builder.add_macro_element_info(MeshElement{surfaces, 0},
                                           grid.grid.lower_triangle(i, j));
            builder.add_macro_element_info(MeshElement{surfaces, 0},
                                           grid.grid.upper_triangle(i, j));
        }
    }
    internal::BackgroundSurfaceConstraintModifier modifier{
        grid.modifiable(), grid.builder,
        ConstraintModifier::CommonConstraints{
            ConstraintModifier::BORDER_CONSTRAINT::fixed}};
    // A few protections, as an insertion leaves them.
    for (index_t k = 2; k < n; k += 16) {
        modifier.constraints().immuable_vertices.add(grid.vertex(k, k));
        modifier.constraints().forbidden_edges.add(grid.vertex(k, k + 1),
                                                   grid.vertex(k + 1, k + 1));
    }

    std::vector<PolygonEdge> edges;
    const index_t nb_triangles = grid.surface().nb_polygons();
    edges.reserve(3 * nb_triangles);
    for (index_t t = 0; t < nb_triangles; ++t) {
        for (local_index_t e = 0; e < 3; ++e)
            edges.emplace_back(t, e);
    }

    const auto& background = modifier.modifiable_background().object;
    double best = 0;
    std::uint64_t allowed = 0;
    for (int run = 0; run < 5; ++run) {
        std::uint64_t count = 0;
        bench::Stopwatch stopwatch;
        for (const auto& edge : edges) {
            const auto verdict = combined_allowed(
                allowed_collapse_edge_by_constraints(modifier.modifiable_surface(), edge,
                                                     modifier.constraints()),
                internal::allowed_collapse_edge_by_macro_info(background, edge));
            count += static_cast<std::uint8_t>(verdict) != 0;
        }
        const double seconds = stopwatch.seconds();
        bench::do_not_optimize(count);
        allowed = count;
        best = std::max(best, edges.size() / seconds);
    }
    std::printf("# %zu polygon edges, %llu with a collapse allowed\n", edges.size(),
                static_cast<unsigned long long>(allowed));
    bench::report("collapse_verdict_per_s", best, "verdicts/s");
    return 0;
}
