// Cost of keeping macro information in step with the mesh.
//
// Two identical 1000 x 1000 grid backgrounds (two million triangles), each with the
// macro-information store bound and nine macro edges along the rows y = 100, ..., 900
// (1000 background edges each). The same random workload of split_edge, split_triangle
// and collapse_edge runs on one through the plain TriangulatedSurfaceModifier<2> and on
// the other through the BackgroundSurfaceModifier. Choices depend only on geometry and
// topology, which both runs share, so both make exactly the same edits (checked). A
// collapse never removes a border vertex, nor a vertex of a macro row unless it moves
// along its row.
//
// background_modifier_overhead: background modifier time over plain modifier time,
// best of two runs each.
// plain_modifier_ops_per_s, background_modifier_ops_per_s: edits per second.
// After the run the background is checked: no input entity lost (outside the timing).

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>

#include "bench_util.hpp"
#include "support/grid_surface.hpp"
#include "support/input_entities.hpp"

namespace {

using namespace orvane;

constexpr index_t GRID = 1000;
constexpr index_t NB_OPERATIONS = 300000;
constexpr unsigned SEED = 20261211;

bool on_macro_row(const Point<2>& point) {
    const double y = point.value(1);
    return y > 0 && y < GRID && std::fmod(y, 100.) == 0.;
}

struct Outcome {
    double seconds{0};
    index_t done{0};
    index_t refused{0};
};

// The workload; `modifier` is either the plain or the background modifier.
Outcome run(const TriangulatedSurface<2>& surface,
            TriangulatedSurfaceModifier<2>& modifier) {
    std::mt19937 rng{SEED};
    std::uniform_real_distribution<double> unit{0., 1.};
    Outcome outcome;
    const auto random_active = [&]() -> index_t {
        // Bounded: few stored triangles are inactive.
        for (int attempt = 0; attempt < 100; ++attempt) {
            const index_t t =
                std::uniform_int_distribution<index_t>{0, surface.nb_polygons() - 1}(rng);
            if (modifier.is_triangle_active(t))
                return t;
        }
        return NO_ID;
    };
    bench::Stopwatch watch;
    for (index_t op = 0; op < NB_OPERATIONS; ++op) {
        const index_t t = random_active();
        if (t == NO_ID)
            continue;
        const auto e =
            static_cast<local_index_t>(std::uniform_int_distribution<int>{0, 2}(rng));
        const int kind = std::uniform_int_distribution<int>{0, 2}(rng);
        const double s = 0.2 + 0.6 * unit(rng);
        const double w1 = 0.1 + unit(rng);
        const double w2 = 0.1 + unit(rng);
        try {
            const PolygonEdge edge{t, e};
            const auto [a, b] = surface.polygon_edge_vertices(edge);
            if (kind == 0) {
                modifier.split_edge(
                    edge, surface.point(a) + (surface.point(b) - surface.point(a)) * s);
            } else if (kind == 1) {
                const auto& v = surface.polygon_vertices(t);
                const double sum = 1 + w1 + w2;
                modifier.split_triangle(t, surface.point(v[0]) * (1 / sum) +
                                               surface.point(v[1]) * (w1 / sum) +
                                               surface.point(v[2]) * (w2 / sum));
            } else {
                // Remove b into a.
                const auto& pa = surface.point(a);
                const auto& pb = surface.point(b);
                if (surface.is_vertex_on_border(b) ||
                    (on_macro_row(pb) && pa.value(1) != pb.value(1))) {
                    ++outcome.refused;
                    continue;
                }
                modifier.collapse_edge(edge, Point<2>{pa});
            }
            ++outcome.done;
        } catch (const OrvaneCommonModifierCommonException&) {
            ++outcome.refused;
        }
    }
    outcome.seconds = watch.seconds();
    return outcome;
}

struct TaggedGrid {
    TaggedGrid()
        : grid(GRID, GRID),
          background(grid.surface()),
          builder(background),
          surface_builder(grid.surface()) {
        for (index_t j = 100; j < GRID; j += 100) {
            builder.add_macro_edge_info(
                MeshEdge{curve, j / 100},
                test::chain_edges(grid.surface(), test::row(grid, j)));
            builder.add_macro_vertex_info(MeshVertex{curve, 2 * j}, grid.vertex(0, j));
            builder.add_macro_vertex_info(MeshVertex{curve, 2 * j + 1},
                                          grid.vertex(GRID, j));
        }
    }
    test::Grid grid;
    internal::BackgroundSurface background;
    internal::BackgroundSurfaceBuilder builder;
    TriangulatedSurfaceBuilder<2> surface_builder;
    uuid curve;
};

Outcome run_plain() {
    TaggedGrid tagged;
    TriangulatedSurfaceModifier<2> modifier{tagged.grid.surface(),
                                            tagged.surface_builder};
    return run(tagged.grid.surface(), modifier);
}

// Fails (nothing returned) when an input entity was lost.
std::optional<Outcome> run_background() {
    TaggedGrid tagged;
    internal::BackgroundSurfaceModifier modifier{tagged.background, tagged.builder,
                                                 tagged.surface_builder};
    const auto table = test::record_input_entities(tagged.background, modifier);
    const auto outcome = run(tagged.grid.surface(), modifier);
    test::InputEntityCheckOptions options;
    options.check_mesh = false;
    const auto problems =
        test::check_input_entities(tagged.background, modifier, table, options);
    if (!problems.empty()) {
        std::fprintf(stderr, "input entities lost: %s\n", problems.front().c_str());
        return std::nullopt;
    }
    return outcome;
}

}  // namespace

int main() {
    // Two rounds in the order plain, background, background, plain, best of each, so
    // that neither side always runs on a cold or a warm process.
    Outcome plain;
    Outcome ours;
    plain.seconds = ours.seconds = std::numeric_limits<double>::max();
    for (int round = 0; round < 2; ++round) {
        for (int side = 0; side < 2; ++side) {
            const bool background_side = (side == 0) != (round == 0);
            Outcome outcome;
            if (background_side) {
                const auto checked = run_background();
                if (!checked)
                    return 1;
                outcome = *checked;
            } else {
                outcome = run_plain();
            }
            auto& best = background_side ? ours : plain;
            if (outcome.seconds < best.seconds)
                best = outcome;
        }
    }
    if (plain.done != ours.done || plain.refused != ours.refused) {
        std::fprintf(stderr, "the two runs differ: %u/%u edits, %u/%u refused\n",
                     plain.done, ours.done, plain.refused, ours.refused);
        return 1;
    }
    std::printf("edits: %u done, %u refused or skipped\n", ours.done, ours.refused);
    bench::report("background_modifier_overhead", ours.seconds / plain.seconds, "ratio",
                  "plain_modifier", 1.0);
    bench::report("plain_modifier_ops_per_s", plain.done / plain.seconds, "1/s");
    bench::report("background_modifier_ops_per_s", ours.done / ours.seconds, "1/s");
    return 0;
}
