// The read-only walks of BackgroundSurface over macro information: chains of edges
// carrying one macro edge, patches of triangles carrying one macro element, and macro
// elements shared around three vertices.

#include <algorithm>
#include <deque>

#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>

#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/common/surface_exception.hpp>

namespace orvane::internal {

namespace {

// Both walks stop after this many steps: a macro edge chain holds at most this many
// background edges, a macro element patch at most this many triangles taken off the
// queue.
constexpr index_t MAX_WALK_STEPS = 1000;

template <typename List, typename Entity>
bool contains(const List& list, const Entity& entity) {
    return std::find(list.begin(), list.end(), entity) != list.end();
}

struct CarryingNeighbour {
    index_t edge;
    index_t vertex;
};
using CarryingNeighbours = absl::InlinedVector<CarryingNeighbour, 3>;

// The (edge, neighbour) pairs around `vertex` whose edge carries `macro_edge`, in the
// mesh's order of vertices around `vertex`.
CarryingNeighbours carrying_neighbours(const BackgroundSurface& background,
                                       index_t vertex, const MeshEdge& macro_edge) {
    const auto& mesh = background.surface();
    const auto& edges = mesh.edges();
    CarryingNeighbours result;
    for (const index_t neighbour : mesh.vertices_around_vertex(vertex)) {
        const index_t edge = edges.edge_from_vertices({vertex, neighbour}).value();
        if (contains(background.macro_edges(edge), macro_edge)) {
            result.push_back({edge, neighbour});
        }
    }
    return result;
}

// The triangles on either side of `edge` that carry `macro_element`, in the mesh's
// order of polygons along an edge.
absl::InlinedVector<index_t, 2> carrying_triangles(const BackgroundSurface& background,
                                                   index_t edge,
                                                   const MeshElement& macro_element) {
    const auto& mesh = background.surface();
    absl::InlinedVector<index_t, 2> result;
    for (const auto& polygon_edge :
         mesh.polygons_from_edge_vertices(background.edge_vertices(edge))) {
        if (contains(background.macro_elements(polygon_edge.polygon_id), macro_element)) {
            result.push_back(polygon_edge.polygon_id);
        }
    }
    return result;
}

}  // namespace

std::optional<std::vector<std::pair<index_t, bool>>> BackgroundSurface::macro_edge_path(
    const std::array<index_t, 2>& vertices, const MeshEdge& macro_edge) const {
    const index_t start = vertices[0];
    const index_t end = vertices[1];
    if (start == end) {
        return std::nullopt;
    }
    for (const auto& first : carrying_neighbours(*this, start, macro_edge)) {
        std::vector<std::pair<index_t, bool>> path{{first.edge, first.vertex > start}};
        absl::flat_hash_set<index_t> visited{start};
        index_t current = first.vertex;
        index_t steps = 0;
        bool failed = false;
        while (current != end) {
            if (steps == MAX_WALK_STEPS) {
                break;
            }
            ++steps;
            if (!visited.insert(current).second) {
                // Back at a vertex of this walk: the macro edge loops without `end`.
                failed = true;
                break;
            }
            const auto next = carrying_neighbours(*this, current, macro_edge);
            if (next.size() != 2) {
                // An end or a fork of the macro edge.
                failed = true;
                break;
            }
            const auto& step = next[0].edge == path.back().first ? next[1] : next[0];
            path.emplace_back(step.edge, step.vertex > current);
            current = step.vertex;
        }
        if (steps == MAX_WALK_STEPS) {
            throw OrvaneBackgroundSurfaceException(
                surface().point(current),
                "[BackgroundSurface::macro_edge_path] Too many steps while tracking "
                "inserted edges.");
        }
        if (!failed) {
            return path;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<index_t>> BackgroundSurface::macro_element_patch(
    absl::Span<const index_t> edges, const MeshElement& macro_element) const {
    if (edges.empty()) {
        return std::nullopt;
    }
    const auto& mesh = surface();
    const auto& edge_set = mesh.edges();
    for (const index_t start : carrying_triangles(*this, edges[0], macro_element)) {
        absl::flat_hash_set<index_t> visited(edges.begin(), edges.end());
        std::vector<index_t> patch{start};
        std::deque<index_t> queue{start};
        index_t steps = 0;
        bool failed = false;
        while (steps < MAX_WALK_STEPS) {
            ++steps;
            const index_t triangle = queue.front();
            queue.pop_front();
            for (local_index_t e = 0; e < 3 && !failed; ++e) {
                const index_t edge =
                    edge_set.edge_from_vertices(mesh.polygon_edge_vertices({triangle, e}))
                        .value();
                if (!visited.insert(edge).second) {
                    continue;
                }
                bool appended = false;
                for (const index_t across :
                     carrying_triangles(*this, edge, macro_element)) {
                    if (!contains(patch, across)) {
                        patch.push_back(across);
                        queue.push_back(across);
                        appended = true;
                    }
                }
                // A non-given edge with nothing new behind it: the patch leaks or
                // closes on itself there.
                failed = !appended;
            }
            if (failed || queue.empty()) {
                break;
            }
        }
        if (steps == MAX_WALK_STEPS) {
            // The start triangle's barycenter: the walk's only fixed place.
            throw OrvaneBackgroundSurfaceException(
                mesh.polygon_barycenter(start),
                "[BackgroundSurface::macro_element_patch] Too many steps while "
                "propagating on macro element.");
        }
        if (!failed) {
            return patch;
        }
    }
    return std::nullopt;
}

std::vector<MeshElement> BackgroundSurface::common_macro_facets(
    const std::array<index_t, 3>& vertices) const {
    const auto& mesh = surface();
    std::vector<MeshElement> around_first;
    for (const auto& corner : mesh.polygons_around_vertex(vertices[0])) {
        const auto& elements = macro_elements(corner.polygon_id);
        around_first.insert(around_first.end(), elements.begin(), elements.end());
    }
    const auto keep_common = [&](index_t vertex, const std::vector<MeshElement>& among) {
        std::vector<MeshElement> kept;
        for (const auto& corner : mesh.polygons_around_vertex(vertex)) {
            for (const auto& element : macro_elements(corner.polygon_id)) {
                if (contains(among, element)) {
                    kept.push_back(element);
                }
            }
        }
        return kept;
    };
    const auto around_second = keep_common(vertices[1], around_first);
    return keep_common(vertices[2], around_second);
}

}  // namespace orvane::internal
