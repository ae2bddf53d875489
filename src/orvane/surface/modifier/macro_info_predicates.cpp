#include <orvane/surface/modifier/macro_info_predicates.hpp>

#include <algorithm>
#include <cstdint>

#include <absl/container/inlined_vector.h>

#include <orvane/surface/background/background_surface.hpp>

namespace orvane::internal {

namespace {

// One call's view: which entities count, and the inclusion tests over them.
class Filter {
public:
    Filter(const BackgroundSurface& background, bool mandatory_only)
        : background_(background), mandatory_only_(mandatory_only) {}

    template <typename Entity>
    bool considered(const Entity& entity) const {
        return !mandatory_only_ ||
               background_.is_macro_info_mandatory(entity.component_id);
    }

    // Every considered entity of `a` occurs in `b` (searched whole).
    template <typename A, typename B>
    bool included(const A& a, const B& b) const {
        for (const auto& entity : a) {
            if (!considered(entity))
                continue;
            if (std::find(b.begin(), b.end(), entity) == b.end())
                return false;
        }
        return true;
    }

    template <typename A>
    bool clear(const A& a) const {
        for (const auto& entity : a) {
            if (considered(entity))
                return false;
        }
        return true;
    }

private:
    const BackgroundSurface& background_;
    bool mandatory_only_;
};

ALLOWED_COLLAPSE_VERTEX_VERTEX collapse_verdict(const BackgroundSurface& background,
                                                const PolygonEdge& edge,
                                                bool mandatory_only) {
    const auto& surface = background.surface();
    if (surface.edge_length(edge) <= GLOBAL_EPSILON)
        return ALLOWED_COLLAPSE_VERTEX_VERTEX::both;
    const Filter filter{background, mandatory_only};
    const auto vertices = surface.polygon_edge_vertices(edge);
    std::array<bool, 2> removable{};
    for (local_index_t i = 0; i < 2; ++i) {
        const index_t x = vertices[i];
        const index_t y = vertices[1 - i];
        removable[i] =
            filter.included(background.macro_vertices(x), background.macro_vertices(y)) &&
            filter.included(background.incident_macro_edges(x),
                            background.incident_macro_edges(y));
    }
    if (const auto e = surface.edges().edge_from_vertices(vertices)) {
        const auto& edge_macro_edges = background.macro_edges(*e);
        // The macro elements of the edge's one or two triangles, built once when a
        // vertex first needs them.
        std::optional<absl::InlinedVector<MeshElement, 4>> elements;
        const auto edge_elements = [&]() -> const absl::InlinedVector<MeshElement, 4>& {
            if (!elements) {
                elements.emplace();
                const auto polygon_edge =
                    surface.polygon_edge_from_vertices(vertices[0], vertices[1]).value();
                const auto& first = background.macro_elements(polygon_edge.polygon_id);
                elements->insert(elements->end(), first.begin(), first.end());
                if (const auto across = surface.polygon_adjacent(polygon_edge)) {
                    const auto& second = background.macro_elements(*across);
                    elements->insert(elements->end(), second.begin(), second.end());
                }
            }
            return *elements;
        };
        for (local_index_t i = 0; i < 2; ++i) {
            if (!removable[i])
                continue;
            const index_t x = vertices[i];
            if (!filter.included(background.incident_macro_edges(x), edge_macro_edges)) {
                removable[i] = false;
                continue;
            }
            if (surface.is_vertex_isolated(x))
                continue;
            for (const auto& pv : surface.polygons_around_vertex(x)) {
                const auto& around = background.macro_elements(pv.polygon_id);
                if (around.empty())
                    continue;
                if (!filter.included(around, edge_elements())) {
                    removable[i] = false;
                    break;
                }
            }
        }
    }
    const std::uint8_t verdict = (removable[0] ? 1 : 0) | (removable[1] ? 2 : 0);
    return static_cast<ALLOWED_COLLAPSE_VERTEX_VERTEX>(verdict);
}

ALLOWED_COLLAPSE_EDGE_VERTEX edge_vertex_verdict(const BackgroundSurface& background,
                                                 const PolygonEdge& edge,
                                                 const std::optional<PolygonVertex>& apex,
                                                 bool mandatory_only) {
    if (apex)
        return ALLOWED_COLLAPSE_EDGE_VERTEX::both;
    const auto& surface = background.surface();
    const Filter filter{background, mandatory_only};
    const index_t opposite =
        surface.polygon_edge_vertex(surface.next_polygon_edge(edge), 1);
    const bool vertex_may_move = filter.clear(background.macro_vertices(opposite)) &&
                                 filter.clear(background.incident_macro_edges(opposite));
    const index_t e =
        surface.edges().edge_from_vertices(surface.polygon_edge_vertices(edge)).value();
    const bool edge_may_go = filter.clear(background.macro_edges(e));
    const std::uint8_t verdict = (edge_may_go ? 1 : 0) | (vertex_may_move ? 2 : 0);
    return static_cast<ALLOWED_COLLAPSE_EDGE_VERTEX>(verdict);
}

ALLOWED_COLLAPSE_EDGE_VERTEX split_collapse_verdict(
    const BackgroundSurface& background, const PolygonEdge& edge,
    const std::optional<PolygonVertex>& apex, bool mandatory_only) {
    const auto verdict = edge_vertex_verdict(background, edge, apex, mandatory_only);
    if (apex)
        return verdict;
    const auto& surface = background.surface();
    const auto across = surface.polygon_adjacent_edge(edge);
    if (!across)
        return verdict;
    const Filter filter{background, mandatory_only};
    const auto& mine = background.macro_elements(edge.polygon_id);
    const auto& theirs = background.macro_elements(across->polygon_id);
    if (filter.included(mine, theirs) && filter.included(theirs, mine))
        return verdict;
    return ALLOWED_COLLAPSE_EDGE_VERTEX::none;
}

bool swap_verdict(const BackgroundSurface& background, const PolygonEdge& edge,
                  const std::optional<PolygonVertex>& apex, bool mandatory_only) {
    if (background.surface().is_edge_on_border(edge))
        return false;
    return allows_edge(split_collapse_verdict(background, edge, apex, mandatory_only));
}

}  // namespace

ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge_by_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge) {
    return collapse_verdict(background, edge, false);
}

ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge_by_mandatory_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge) {
    return collapse_verdict(background, edge, true);
}

ALLOWED_COLLAPSE_EDGE_VERTEX allowed_collapse_edge_vertex_by_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge,
    const std::optional<PolygonVertex>& apex) {
    return edge_vertex_verdict(background, edge, apex, false);
}

ALLOWED_COLLAPSE_EDGE_VERTEX allowed_split_collapse_edge_by_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge,
    const std::optional<PolygonVertex>& apex) {
    return split_collapse_verdict(background, edge, apex, false);
}

ALLOWED_COLLAPSE_EDGE_VERTEX allowed_split_collapse_edge_by_mandatory_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge,
    const std::optional<PolygonVertex>& apex) {
    return split_collapse_verdict(background, edge, apex, true);
}

bool is_swap_edge_allowed_by_macro_info(const BackgroundSurface& background,
                                        const PolygonEdge& edge,
                                        const std::optional<PolygonVertex>& apex) {
    return swap_verdict(background, edge, apex, false);
}

bool is_swap_edge_allowed_by_mandatory_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge,
    const std::optional<PolygonVertex>& apex) {
    return swap_verdict(background, edge, apex, true);
}

bool is_edge_removal_allowed_by_mandatory_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge,
    const std::optional<PolygonVertex>& apex) {
    if (apex)
        return true;
    const auto& surface = background.surface();
    if (surface.is_edge_on_border(edge))
        return false;
    const index_t e =
        surface.edges().edge_from_vertices(surface.polygon_edge_vertices(edge)).value();
    for (const auto& macro_edge : background.macro_edges(e)) {
        if (background.is_macro_info_mandatory(macro_edge.component_id))
            return false;
    }
    return true;
}

}  // namespace orvane::internal
