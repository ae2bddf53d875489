#include <orvane/surface/background/carve_background_surface.hpp>

#include <deque>
#include <vector>

#include <orvane/surface/common/surface_exception.hpp>

namespace orvane::internal {

namespace {

// The first border polygon edge of an active triangle, in triangle-then-local-edge
// order. Without deactivated triangles this is one_border_polygon_edge() itself.
PolygonEdge active_border_polygon_edge(const BackgroundSurface& background,
                                       const TriangulatedSurfaceModifier<2>& modifier) {
    if (modifier.nb_inactive_triangles() == 0) {
        return background.one_border_polygon_edge();
    }
    const auto& surface = background.surface();
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (!modifier.is_triangle_active(t)) {
            continue;
        }
        for (local_index_t e = 0; e < 3; ++e) {
            const PolygonEdge edge{t, e};
            if (surface.is_edge_on_border(edge)) {
                return edge;
            }
        }
    }
    throw OrvaneBackgroundSurfaceException(
        nullptr, "[BackgroundSurface::one_border_polygon_edge] No edge on border found");
}

}  // namespace

TriangulatedSurfaceModifier<2>::CleanMappings carve_background_surface(
    ModifiableObject<BackgroundSurface> modifiable_background) {
    const BackgroundSurface& background = modifiable_background.object;
    TriangulatedSurfaceModifier<2>& modifier = modifiable_background.modifier;
    const auto& surface = background.surface();
    const auto& edges = surface.edges();

    const PolygonEdge start = active_border_polygon_edge(background, modifier);

    // A triangle is queued once: the flood reaches the same triangles as one that
    // queues a triangle again each time another neighbour reaches it, but that one
    // re-expands every copy, and the copies multiply like the shortest paths to the
    // triangle (exponentially with the distance from the start).
    std::vector<bool> reached(surface.nb_polygons(), false);
    std::deque<index_t> queue{start.polygon_id};
    reached[start.polygon_id] = true;
    std::vector<index_t> removed;
    // Bounded: every triangle enters the queue at most once.
    while (!queue.empty()) {
        const index_t triangle = queue.front();
        queue.pop_front();
        removed.push_back(triangle);
        for (local_index_t e = 0; e < 3; ++e) {
            const PolygonEdge polygon_edge{triangle, e};
            const index_t edge =
                edges.edge_from_vertices(surface.polygon_edge_vertices(polygon_edge))
                    .value();
            if (!background.macro_edges(edge).empty()) {
                continue;
            }
            const auto across = surface.polygon_adjacent_edge(polygon_edge);
            if (across && !reached[across->polygon_id]) {
                reached[across->polygon_id] = true;
                queue.push_back(across->polygon_id);
            }
        }
    }
    // Deactivated only once the flood is over, so that a failure above changes nothing.
    for (const index_t triangle : removed) {
        modifier.inactive_triangle(triangle);
    }
    return modifier.clean();
}

}  // namespace orvane::internal
