#pragma once

// Invariants of the macro information of a background, for tests: call after any step.

#include <functional>
#include <string>
#include <vector>

#include <absl/container/flat_hash_set.h>
#include <absl/strings/str_cat.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/surface/background/background_surface.hpp>

namespace orvane::test {

struct MacroInvariantOptions {
    // Triangles for which it answers false (detached by a modifier) are ignored, and so
    // are the edges only they use. Empty: every triangle is active.
    std::function<bool(index_t)> is_polygon_active;
};

namespace detail {

template <typename List>
bool has_duplicates(const List& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t j = i + 1; j < list.size(); ++j) {
            if (list[i] == list[j])
                return true;
        }
    }
    return false;
}

}  // namespace detail

// One readable line per problem (empty: all hold):
// - no list holds the same entity twice;
// - every macro edge of an edge of an active triangle is an incident macro edge of
//   both vertices of that edge.
inline std::vector<std::string> check_macro_information(
    const internal::BackgroundSurface& background,
    const MacroInvariantOptions& options = {}) {
    std::vector<std::string> problems;
    const auto& surface = background.surface();
    const auto& edges = surface.edges();
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        if (detail::has_duplicates(background.macro_vertices(v))) {
            problems.push_back(absl::StrCat("vertex ", v, ": repeated macro vertex"));
        }
        if (detail::has_duplicates(background.incident_macro_edges(v))) {
            problems.push_back(
                absl::StrCat("vertex ", v, ": repeated incident macro edge"));
        }
    }
    absl::flat_hash_set<index_t> used_edges;
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (detail::has_duplicates(background.macro_elements(t))) {
            problems.push_back(absl::StrCat("triangle ", t, ": repeated macro element"));
        }
        if (options.is_polygon_active && !options.is_polygon_active(t))
            continue;
        for (local_index_t e = 0; e < 3; ++e) {
            if (const auto edge =
                    edges.edge_from_vertices(surface.polygon_edge_vertices({t, e}))) {
                used_edges.insert(*edge);
            } else {
                problems.push_back(absl::StrCat("triangle ", t, ": edge ", int{e},
                                                " missing from the edge set"));
            }
        }
    }
    for (index_t e = 0; e < edges.nb_edges(); ++e) {
        const auto& carried = background.macro_edges(e);
        if (detail::has_duplicates(carried)) {
            problems.push_back(absl::StrCat("edge ", e, ": repeated macro edge"));
        }
        if (!used_edges.contains(e))
            continue;
        for (const index_t v : edges.edge_vertices(e)) {
            const auto& incident = background.incident_macro_edges(v);
            for (const auto& macro_edge : carried) {
                if (std::find(incident.begin(), incident.end(), macro_edge) ==
                    incident.end()) {
                    problems.push_back(absl::StrCat("edge ", e, ": macro edge ",
                                                    macro_edge.string(),
                                                    " not incident on its vertex ", v));
                }
            }
        }
    }
    return problems;
}

}  // namespace orvane::test
