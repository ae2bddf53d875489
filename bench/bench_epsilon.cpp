// Epsilon optimisation: 10,000 near-degenerate configurations planted in a 500 x 500
// jittered background with macro vertices, macro edges and macro elements (new
// vertices within 1e-9 to 1e-7 of an edge of their triangle, of a corner, or of an end
// of a split edge, each in a triangle free of the others), then one epsilon
// optimisation over the triangles they created. Reports the bad triangles left among
// the given and the created ones (must be 0) and the time of the call.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include <bench_util.hpp>

#include <orvane/surface/common/surface_exception.hpp>
#include <orvane/surface/orchestrator/background_surface_epsilon_optimizer.hpp>

#include "support/jittered_background.hpp"
#include "support/near_degenerate.hpp"

int main() {
    using namespace orvane;
    test::JitteredBackgroundOptions options;
    options.n = 500;
    options.slivers = false;
    test::JitteredBackground b{options};
    std::mt19937 rng{42};
    const auto given =
        test::plant_separate_near_degenerates(b.surface(), b.modifier(), 10000, rng);
    const index_t nb_before = b.surface().nb_polygons();

    const internal::BackgroundSurfaceEpsilonOptimizerImprovementSimulator simulator;
    const auto count_bad = [&] {
        double bad = 0;
        std::vector<index_t> candidates = given;
        for (index_t t = nb_before; t < b.surface().nb_polygons(); ++t)
            candidates.push_back(t);
        for (const index_t t : candidates) {
            if (b.modifier().is_triangle_active(t) &&
                simulator.require_improvement(b.surface(), t))
                ++bad;
        }
        return bad;
    };
    std::fprintf(stderr, "planted triangles %zu, bad before %.0f\n", given.size(),
                 count_bad());

    const auto start = std::chrono::steady_clock::now();
    bool failed = false;
    try {
        internal::epsilon_optimize_background_surface_elements(b.constrained(), given);
    } catch (const VelmoraException& e) {
        failed = true;
        std::fprintf(stderr, "%s\n", e.chain_string().c_str());
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double bad_left = count_bad();
    // A failed call counts as the triangles it left.
    bench::report("epsilon_bad_left", failed ? std::max(bad_left, 1.) : bad_left,
                  "count");
    bench::report("epsilon_time_s", seconds, "s");
    return 0;
}
