// The queue engine alone: a concrete orchestrator whose every attempt succeeds and
// hands nothing back, so the figures are the engine's own cost per element (queueing,
// registration, one stamp lookup per pop, two virtual calls), initialisation included.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <absl/container/flat_hash_set.h>

#include <bench_util.hpp>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/toolkit/modifier/surface/surface_edge.hpp>
#include <orvane/toolkit/orchestrator/common/orchestrator.hpp>

namespace {

using orvane::index_t;

template <typename T>
class TrivialOrchestrator : public orvane::Orchestrator<T> {
public:
    using Result = typename orvane::Orchestrator<T>::ProcessElementResult;
    std::uint64_t nb_processed{0};

private:
    bool skip_element(const T&) const override { return false; }
    Result process_element(const T&) override {
        ++nb_processed;
        Result result;
        result.success = true;
        return result;
    }
    bool skip_on_infinite_loop() const override { return false; }
    unsigned int nb_levels() const override { return 1; }
};

// Best of a few runs, in elements per second: one fresh orchestrator per run, as the
// drivers use it.
template <typename T>
double elements_per_second(const std::vector<T>& elements, std::uint64_t expected) {
    double best = 0;
    for (int run = 0; run < 5; ++run) {
        TrivialOrchestrator<T> orchestrator;
        orvane::bench::Stopwatch stopwatch;
        orchestrator.apply(elements);
        const double seconds = stopwatch.seconds();
        orvane::bench::do_not_optimize(orchestrator.nb_processed);
        if (orchestrator.nb_processed != expected) {
            std::fprintf(stderr, "processed %llu elements, expected %llu\n",
                         static_cast<unsigned long long>(orchestrator.nb_processed),
                         static_cast<unsigned long long>(expected));
            std::exit(1);
        }
        best = std::max(best, static_cast<double>(elements.size()) / seconds);
    }
    return best;
}

// The edge list a decimator builds over a structured grid of triangles: the three local
// edges of every triangle, so every interior edge is listed twice.
std::vector<orvane::SurfaceEdge<2>> grid_edge_list(index_t nb_triangles) {
    const index_t columns = 1000;
    std::vector<orvane::SurfaceEdge<2>> edges;
    edges.reserve(3 * static_cast<std::size_t>(nb_triangles));
    for (index_t t = 0; t < nb_triangles; ++t) {
        // Cell (row, column) has corners v00, v10, v01, v11 and two triangles.
        const index_t cell = t / 2;
        const index_t v00 = (cell / columns) * (columns + 1) + cell % columns;
        const index_t v10 = v00 + 1;
        const index_t v01 = v00 + columns + 1;
        const index_t v11 = v01 + 1;
        const index_t corners[3] = {v00, t % 2 == 0 ? v10 : v11, t % 2 == 0 ? v11 : v01};
        for (orvane::local_index_t e = 0; e < 3; ++e) {
            edges.emplace_back(orvane::PolygonEdge{t, e}, corners[e],
                               corners[(e + 1) % 3]);
        }
    }
    return edges;
}

// The first `count` distinct edges of the grid, each listed once.
std::vector<orvane::SurfaceEdge<2>> distinct_grid_edges(index_t count) {
    std::vector<orvane::SurfaceEdge<2>> edges;
    edges.reserve(count);
    absl::flat_hash_set<orvane::SurfaceEdge<2>> seen;
    for (const auto& edge : grid_edge_list(count)) {
        if (edges.size() == count) {
            break;
        }
        if (seen.insert(edge).second) {
            edges.push_back(edge);
        }
    }
    return edges;
}

}  // namespace

int main() {
    const index_t n = 1000000;

    std::vector<unsigned int> triangles(n);
    for (index_t t = 0; t < n; ++t) {
        triangles[t] = t;
    }
    orvane::bench::report("engine_indices_per_s", elements_per_second(triangles, n),
                          "elements/s");

    // Each edge once: the same work per element as the indices above, with a bigger
    // record and a two-index hash.
    const auto edges = distinct_grid_edges(n);
    orvane::bench::report("engine_edges_per_s", elements_per_second(edges, edges.size()),
                          "elements/s");

    // As the decimator lists them: interior edges twice, the first entry dropped as
    // stale. Per list entry.
    const auto list = grid_edge_list(n / 3);
    absl::flat_hash_set<orvane::SurfaceEdge<2>> distinct(list.begin(), list.end());
    orvane::bench::report("engine_edge_list_entries_per_s",
                          elements_per_second(list, distinct.size()), "entries/s");
    return 0;
}
