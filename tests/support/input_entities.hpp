#pragma once

// "No input entity lost", for tests and benchmarks: a table of the input entities a
// background carries (where each macro vertex is, the segment of each macro edge, the
// region of each macro element), recorded before a run of operations, and a checker
// that compares the background with it after any step:
// - every macro vertex sits on exactly one vertex used by an active triangle, at its
//   recorded point (and on the vertex the table tracks, when it tracks one);
// - every macro edge is one chain of active edges between its segment's end points,
//   every chain vertex within the tolerance of the segment and the chain as long as
//   the segment (no detour, no fold);
// - every macro element covers its region: the active triangles carrying it lie inside
//   the recorded region and their areas add up to the region's;
// - the macro lists keep their invariants (check_macro_information) and the mesh is
//   valid (the kernel's consistency check with the modifier's activity flags).
//
// Usage: record_input_entities(background, modifier) before; after each operation
// table.follow(modifier) (merges move tracked vertices) and, after a clean,
// table.follow(mappings); then EXPECT_THAT(check_input_entities(...), IsEmpty()).

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>
#include <absl/strings/str_cat.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/bounding_box.hpp>
#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/segment.hpp>
#include <orvane/kernel/geometry/triangle.hpp>
#include <orvane/kernel/mesh/surface_consistency.hpp>
#include <orvane/macro/common/macro_entities.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

#include "support/macro_invariants.hpp"

namespace orvane::test {

struct InputEntities {
    struct Vertex {
        MeshVertex entity;
        Point<2> point;
        // The background vertex expected to carry it, NO_ID when not tracked.
        index_t vertex{NO_ID};
    };
    struct Edge {
        MeshEdge entity;
        Segment<2> segment;
    };
    struct Element {
        MeshElement entity;
        std::vector<Triangle<2>> region;
        double area{0};
    };

    std::vector<Vertex> vertices;
    std::vector<Edge> edges;
    std::vector<Element> elements;

    // Tracked vertices follow the merges the modifier recorded since the last clean.
    void follow(const VerticesModifier& modifier) {
        for (auto& vertex : vertices) {
            if (vertex.vertex != NO_ID) {
                vertex.vertex = modifier.updated_vertex(vertex.vertex).value_or(NO_ID);
            }
        }
    }
    // Tracked vertices follow a clean's renumbering.
    void follow(const TriangulatedSurfaceModifier<2>::CleanMappings& mappings) {
        for (auto& vertex : vertices) {
            if (vertex.vertex != NO_ID) {
                vertex.vertex = vertex.vertex < mappings.vertices.size()
                                    ? mappings.vertices[vertex.vertex]
                                    : NO_ID;
            }
        }
    }
};

namespace detail {

inline std::vector<index_t> used_vertices(
    const TriangulatedSurface<2>& surface,
    const TriangulatedSurfaceModifier<2>& modifier) {
    std::vector<bool> used(surface.nb_vertices(), false);
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (!modifier.is_triangle_active(t))
            continue;
        for (const index_t v : surface.polygon_vertices(t))
            used[v] = true;
    }
    std::vector<index_t> result;
    for (index_t v = 0; v < used.size(); ++v) {
        if (used[v])
            result.push_back(v);
    }
    return result;
}

// The edges used by an active triangle, each once, in ascending order.
inline std::vector<index_t> used_edges(const TriangulatedSurface<2>& surface,
                                       const TriangulatedSurfaceModifier<2>& modifier) {
    const auto& edges = surface.edges();
    std::vector<bool> used(edges.nb_edges(), false);
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (!modifier.is_triangle_active(t))
            continue;
        for (local_index_t e = 0; e < 3; ++e) {
            if (const auto edge =
                    edges.edge_from_vertices(surface.polygon_edge_vertices({t, e}))) {
                used[*edge] = true;
            }
        }
    }
    std::vector<index_t> result;
    for (index_t e = 0; e < used.size(); ++e) {
        if (used[e])
            result.push_back(e);
    }
    return result;
}

inline bool same_point(const Point<2>& a, const Point<2>& b) {
    return point_point_distance(a, b) <= GLOBAL_EPSILON;
}

}  // namespace detail

// Everything the background carries on its active part, as the table to check against
// later. A macro edge's segment joins the two ends of its chain, so each must be one
// simple open chain now (a problem is reported through the checker otherwise: its
// segment is then degenerate). Macro vertices are tracked by their current vertex.
inline InputEntities record_input_entities(
    const internal::BackgroundSurface& background,
    const TriangulatedSurfaceModifier<2>& modifier) {
    const auto& surface = background.surface();
    InputEntities table;
    for (const index_t v : detail::used_vertices(surface, modifier)) {
        for (const auto& macro_vertex : background.macro_vertices(v)) {
            table.vertices.push_back({macro_vertex, surface.point(v), v});
        }
    }
    // Chain ends: vertices where exactly one carrying edge of the macro edge meets.
    absl::flat_hash_map<MeshEdge, absl::flat_hash_map<index_t, index_t>> degrees;
    std::vector<MeshEdge> order;
    const auto& edges = surface.edges();
    for (const index_t e : detail::used_edges(surface, modifier)) {
        for (const auto& macro_edge : background.macro_edges(e)) {
            auto [it, inserted] = degrees.try_emplace(macro_edge);
            if (inserted)
                order.push_back(macro_edge);
            for (const index_t v : edges.edge_vertices(e))
                ++it->second[v];
        }
    }
    for (const auto& macro_edge : order) {
        std::vector<index_t> ends;
        for (const auto& [v, degree] : degrees[macro_edge]) {
            if (degree == 1)
                ends.push_back(v);
        }
        std::sort(ends.begin(), ends.end());
        const Point<2> from = ends.empty() ? Point<2>{} : surface.point(ends.front());
        const Point<2> to = ends.size() < 2 ? from : surface.point(ends.back());
        table.edges.push_back({macro_edge, Segment<2>{from, to}});
    }
    absl::flat_hash_map<MeshElement, index_t> element_positions;
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (!modifier.is_triangle_active(t))
            continue;
        for (const auto& macro_element : background.macro_elements(t)) {
            auto [it, inserted] =
                element_positions.try_emplace(macro_element, table.elements.size());
            if (inserted)
                table.elements.push_back({macro_element, {}, 0});
            auto& element = table.elements[it->second];
            element.region.push_back(surface.triangle(t));
            element.area += surface.polygon_area(t);
        }
    }
    return table;
}

struct InputEntityCheckOptions {
    // Also run the kernel's consistency check and check_macro_information.
    bool check_mesh{true};
    // Relative tolerance on areas and lengths (plus GLOBAL_EPSILON-scaled absolute
    // slack for the points moved within the tolerance by splits).
    double relative_tolerance{1e-9};
};

// One readable line per problem; empty when nothing was lost.
inline std::vector<std::string> check_input_entities(
    const internal::BackgroundSurface& background,
    const TriangulatedSurfaceModifier<2>& modifier, const InputEntities& table,
    const InputEntityCheckOptions& options = {}) {
    const auto& surface = background.surface();
    const auto& edges = surface.edges();
    std::vector<std::string> problems;
    const auto is_active = [&modifier](index_t t) {
        return modifier.is_triangle_active(t);
    };
    if (options.check_mesh) {
        SurfaceConsistencyOptions consistency;
        consistency.is_polygon_active = is_active;
        for (auto& problem : check_surface_consistency(surface, consistency))
            problems.push_back(absl::StrCat("mesh: ", problem));
        MacroInvariantOptions invariants;
        invariants.is_polygon_active = is_active;
        for (auto& problem : check_macro_information(background, invariants))
            problems.push_back(absl::StrCat("macro information: ", problem));
    }

    // Macro vertices.
    const auto vertices = detail::used_vertices(surface, modifier);
    for (const auto& input : table.vertices) {
        std::vector<index_t> carriers;
        for (const index_t v : vertices) {
            const auto& list = background.macro_vertices(v);
            if (std::find(list.begin(), list.end(), input.entity) != list.end())
                carriers.push_back(v);
        }
        if (carriers.size() != 1) {
            problems.push_back(absl::StrCat("macro vertex ", input.entity.string(),
                                            " on ", carriers.size(),
                                            " active vertices instead of one"));
            continue;
        }
        if (!detail::same_point(surface.point(carriers.front()), input.point)) {
            problems.push_back(absl::StrCat("macro vertex ", input.entity.string(),
                                            " on vertex ", carriers.front(), " at ",
                                            surface.point(carriers.front()).string(),
                                            " instead of ", input.point.string()));
        }
        if (input.vertex != NO_ID && input.vertex != carriers.front()) {
            problems.push_back(absl::StrCat(
                "macro vertex ", input.entity.string(), " on vertex ", carriers.front(),
                " instead of the tracked vertex ", input.vertex));
        }
    }

    // Macro edges: the carrying active edges form one chain along the segment.
    if (!table.edges.empty()) {
        absl::flat_hash_map<MeshEdge, std::vector<index_t>> carrying;
        for (const index_t e : detail::used_edges(surface, modifier)) {
            for (const auto& macro_edge : background.macro_edges(e))
                carrying[macro_edge].push_back(e);
        }
        for (const auto& input : table.edges) {
            const std::string name = absl::StrCat("macro edge ", input.entity.string());
            const auto found = carrying.find(input.entity);
            if (found == carrying.end()) {
                problems.push_back(absl::StrCat(name, " carried by no active edge"));
                continue;
            }
            const auto& chain = found->second;
            absl::flat_hash_map<index_t, absl::InlinedVector<index_t, 2>> around;
            double length = 0;
            for (const index_t e : chain) {
                const auto& ends = edges.edge_vertices(e);
                around[ends[0]].push_back(e);
                around[ends[1]].push_back(e);
                length +=
                    point_point_distance(surface.point(ends[0]), surface.point(ends[1]));
            }
            std::vector<index_t> chain_ends;
            bool broken = false;
            for (const auto& [v, incident] : around) {
                if (incident.size() == 1) {
                    chain_ends.push_back(v);
                } else if (incident.size() > 2) {
                    problems.push_back(absl::StrCat(name, " forks at vertex ", v));
                    broken = true;
                }
                const auto [distance, nearest] =
                    point_segment_distance(surface.point(v), input.segment);
                if (distance > GLOBAL_EPSILON) {
                    problems.push_back(absl::StrCat(name, " passes through vertex ", v,
                                                    " at ", distance,
                                                    " from its segment"));
                    broken = true;
                }
            }
            if (broken)
                continue;
            if (chain_ends.size() != 2) {
                problems.push_back(absl::StrCat(name, " has ", chain_ends.size(),
                                                " chain ends instead of two"));
                continue;
            }
            const auto& p = surface.point(chain_ends[0]);
            const auto& q = surface.point(chain_ends[1]);
            const auto& a = input.segment.vertices()[0];
            const auto& b = input.segment.vertices()[1];
            if (!((detail::same_point(p, a) && detail::same_point(q, b)) ||
                  (detail::same_point(p, b) && detail::same_point(q, a)))) {
                problems.push_back(absl::StrCat(name, " ends at ", p.string(), " and ",
                                                q.string(), " instead of its segment's ",
                                                a.string(), " and ", b.string()));
                continue;
            }
            // One walk from an end must take every edge: no separate closed loop.
            absl::flat_hash_set<index_t> walked;
            index_t current = chain_ends[0];
            index_t previous_edge = NO_ID;
            // Bounded by the number of carrying edges.
            for (std::size_t step = 0; step <= chain.size(); ++step) {
                index_t next_edge = NO_ID;
                for (const index_t e : around[current]) {
                    if (e != previous_edge)
                        next_edge = e;
                }
                if (next_edge == NO_ID || !walked.insert(next_edge).second)
                    break;
                const auto& ends = edges.edge_vertices(next_edge);
                current = ends[0] == current ? ends[1] : ends[0];
                previous_edge = next_edge;
            }
            if (walked.size() != chain.size()) {
                problems.push_back(absl::StrCat(name, " is not one chain (",
                                                walked.size(), " of ", chain.size(),
                                                " edges reached from an end)"));
            }
            const double expected = input.segment.length();
            if (std::abs(length - expected) >
                options.relative_tolerance * std::max(1., expected) +
                    chain.size() * GLOBAL_EPSILON * 1e-3) {
                problems.push_back(absl::StrCat(name, " chain length ", length,
                                                " instead of ", expected));
            }
        }
    }

    // Macro elements: inside the region, same area.
    if (!table.elements.empty()) {
        absl::flat_hash_map<MeshElement, std::vector<index_t>> carriers;
        for (index_t t = 0; t < surface.nb_polygons(); ++t) {
            if (!modifier.is_triangle_active(t))
                continue;
            for (const auto& macro_element : background.macro_elements(t))
                carriers[macro_element].push_back(t);
        }
        for (const auto& input : table.elements) {
            const std::string name =
                absl::StrCat("macro element ", input.entity.string());
            std::vector<BoundingBox<2>> boxes;
            for (const auto& triangle : input.region) {
                BoundingBox<2> box;
                for (const auto& point : triangle.vertices())
                    box.add_point(point);
                boxes.push_back(box);
            }
            double area = 0;
            for (const index_t t : carriers[input.entity]) {
                area += surface.polygon_area(t);
                const auto barycenter = surface.polygon_barycenter(t);
                bool inside = false;
                for (std::size_t r = 0; r < input.region.size() && !inside; ++r) {
                    if (!boxes[r].epsilon_contains(barycenter))
                        continue;
                    inside = std::get<0>(point_triangle_distance(
                                 barycenter, input.region[r])) <= GLOBAL_EPSILON;
                }
                if (!inside) {
                    problems.push_back(absl::StrCat(name, " on triangle ", t,
                                                    " outside its region (barycenter ",
                                                    barycenter.string(), ")"));
                }
            }
            if (std::abs(area - input.area) >
                options.relative_tolerance * std::max(1., input.area)) {
                problems.push_back(absl::StrCat(name, " covers an area of ", area,
                                                " instead of ", input.area));
            }
        }
    }
    return problems;
}

}  // namespace orvane::test
