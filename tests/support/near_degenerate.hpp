#pragma once

// Almost flat triangles planted in a surface through its modifier, the way insertions
// leave them: a new vertex within a tiny distance of an edge of its triangle, within a
// tiny distance of a corner, or a split edge's new vertex within a tiny distance of an
// end. Each plant splits at a safe point and then moves the new vertex (along the
// split edge, or inside the split triangle), so no triangle is ever inverted.

#include <array>
#include <exception>
#include <random>
#include <vector>

#include <absl/container/flat_hash_set.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/vector.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/toolkit/modifier/surface/internal_distances.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

namespace orvane::test {

struct NearDegenerateOptions {
    // The planted distances are drawn in [min_distance, max_distance].
    double min_distance{1e-9};
    double max_distance{1e-7};
};

enum struct NEAR_DEGENERATE_KIND { vertex_near_edge, vertex_near_corner, split_near_end };

// Plants one configuration of `kind` in active triangle `triangle`; returns the
// triangles it created (empty when the modifier refused, which changes nothing).
inline std::vector<index_t> plant_near_degenerate(
    const TriangulatedSurface<2>& surface, TriangulatedSurfaceModifier<2>& modifier,
    index_t triangle, NEAR_DEGENERATE_KIND kind, std::mt19937& rng,
    const NearDegenerateOptions& options = {}) {
    std::uniform_real_distribution<double> distance_draw{options.min_distance,
                                                         options.max_distance};
    std::uniform_real_distribution<double> along{0.2, 0.8};
    const local_index_t local = static_cast<local_index_t>(rng() % 3);
    const double distance = distance_draw(rng);
    const auto corners = surface.triangle(triangle).vertices();
    std::vector<index_t> created;
    try {
        if (kind == NEAR_DEGENERATE_KIND::split_near_end) {
            const PolygonEdge edge{triangle, local};
            const auto ends = surface.polygon_edge_vertices(edge);
            const Point<2> a = surface.point(ends[0]);
            const Point<2> b = surface.point(ends[1]);
            const auto info = modifier.split_edge(edge, (a + b) / 2.);
            for (const auto& pair : info.first_side_triangles)
                created.push_back(pair.first);
            for (const auto& pair : info.second_side_triangles)
                created.push_back(pair.first);
            const Vector<2> direction{a, b};
            modifier.move_point(info.new_vertex,
                                a + direction * (distance / direction.length()));
            return created;
        }
        const Point<2> center = (corners[0] + corners[1] + corners[2]) / 3.;
        const auto info = modifier.split_triangle(triangle, center);
        for (const auto& pair : info.new_triangles)
            created.push_back(pair.first);
        Point<2> target;
        if (kind == NEAR_DEGENERATE_KIND::vertex_near_corner) {
            const Point<2>& corner = corners[local];
            const Vector<2> towards{corner, center};
            target = corner + towards * (distance / towards.length());
        } else {
            const Point<2>& a = corners[local];
            const Point<2>& b = corners[(local + 1) % 3];
            const Point<2> on_edge = a + Vector<2>{a, b} * along(rng);
            const Vector<2> inwards{on_edge, center};
            target = on_edge + inwards * (distance / inwards.length());
        }
        modifier.move_point(info.new_vertex, target);
    } catch (const std::exception&) {
        // A refused move leaves a good split: still a valid mesh to optimise.
    }
    return created;
}

// Up to `count` configurations, the three kinds in turn, in random active triangles of
// which no vertex belongs to an earlier configuration, as separate insertions would
// leave them (a configuration inside another is a harder case: its repair may have
// to undo the outer one). Returns the created triangles.
inline std::vector<index_t> plant_separate_near_degenerates(
    const TriangulatedSurface<2>& surface, TriangulatedSurfaceModifier<2>& modifier,
    index_t count, std::mt19937& rng, const NearDegenerateOptions& options = {}) {
    constexpr NEAR_DEGENERATE_KIND kinds[] = {NEAR_DEGENERATE_KIND::vertex_near_edge,
                                              NEAR_DEGENERATE_KIND::vertex_near_corner,
                                              NEAR_DEGENERATE_KIND::split_near_end};
    absl::flat_hash_set<index_t> touched;
    std::vector<index_t> created;
    index_t planted = 0;
    // Bounded: a few draws per configuration, most triangles being free at first.
    for (index_t draw = 0; draw < 20 * count && planted < count; ++draw) {
        const index_t t = static_cast<index_t>(rng() % surface.nb_polygons());
        if (!modifier.is_triangle_active(t))
            continue;
        bool free = true;
        for (const index_t v : surface.polygon_vertices(t))
            free = free && !touched.contains(v);
        free = free && triangle_status(surface.triangle(t)) ==
                           InternalDistance::ELEMENT_STATUS::good;
        // The far vertex of a split edge must be free too, and no neighbour bad already.
        for (local_index_t e = 0; e < 3 && free; ++e) {
            if (const auto across = surface.polygon_adjacent_edge({t, e})) {
                const auto far = surface.polygon_edge_vertex(
                    surface.previous_polygon_edge(*across), 0);
                free = !touched.contains(far) &&
                       triangle_status(surface.triangle(across->polygon_id)) ==
                           InternalDistance::ELEMENT_STATUS::good;
            }
        }
        if (!free)
            continue;
        const auto triangles =
            plant_near_degenerate(surface, modifier, t, kinds[planted % 3], rng, options);
        if (triangles.empty())
            continue;
        ++planted;
        for (const index_t triangle : triangles) {
            created.push_back(triangle);
            for (const index_t v : surface.polygon_vertices(triangle))
                touched.insert(v);
        }
    }
    return created;
}

}  // namespace orvane::test
