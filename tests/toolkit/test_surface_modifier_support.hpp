#pragma once

// Helpers of the surface modifier tests: a full snapshot of a surface and its modifier
// (to prove that a refused operation changed nothing), and the consistency check with
// the modifier's activity flags.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <absl/strings/str_join.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/attribute.hpp>
#include <orvane/kernel/mesh/surface_consistency.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

namespace orvane::test {

// Everything observable of the surface and the modifier, compared field by field.
struct ModifierSnapshot {
    std::vector<Point<2>> points;
    std::vector<std::optional<PolygonVertex>> incident;
    std::vector<std::array<index_t, 3>> polygons;
    std::vector<std::array<index_t, 3>> adjacents;
    std::vector<bool> active;
    std::vector<std::array<index_t, 2>> edges;
    std::vector<std::optional<index_t>> updated;
    index_t nb_vertex_attribute_elements{0};
    index_t nb_polygon_attribute_elements{0};
    index_t nb_edge_attribute_elements{0};
    index_t clean_stamp{0};

    bool operator==(const ModifierSnapshot& o) const {
        return points == o.points && incident == o.incident && polygons == o.polygons &&
               adjacents == o.adjacents && active == o.active && edges == o.edges &&
               updated == o.updated &&
               nb_vertex_attribute_elements == o.nb_vertex_attribute_elements &&
               nb_polygon_attribute_elements == o.nb_polygon_attribute_elements &&
               nb_edge_attribute_elements == o.nb_edge_attribute_elements &&
               clean_stamp == o.clean_stamp;
    }
};

inline ModifierSnapshot snapshot(const TriangulatedSurface<2>& surface,
                                 const TriangulatedSurfaceModifier<2>& modifier) {
    ModifierSnapshot s;
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        s.points.push_back(surface.point(v));
        s.incident.push_back(surface.polygon_around_vertex(v));
        s.updated.push_back(modifier.updated_vertex(v));
    }
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        s.polygons.push_back(surface.polygon_vertices(t));
        std::array<index_t, 3> adjacent{};
        for (local_index_t e = 0; e < 3; ++e) {
            adjacent[e] = surface.polygon_adjacent(PolygonEdge{t, e}).value_or(NO_ID);
        }
        s.adjacents.push_back(adjacent);
        s.active.push_back(modifier.is_triangle_active(t));
    }
    for (index_t e = 0; e < surface.edges().nb_edges(); ++e) {
        s.edges.push_back(surface.edges().edge_vertices(e));
    }
    s.nb_vertex_attribute_elements = surface.vertex_attribute_manager().nb_elements();
    s.nb_polygon_attribute_elements = surface.polygon_attribute_manager().nb_elements();
    s.nb_edge_attribute_elements = surface.edges().edge_attribute_manager().nb_elements();
    s.clean_stamp = modifier.clean_stamp();
    return s;
}

// Kernel consistency check with the modifier's activity flags; empty when valid.
inline std::string consistency_problems(const TriangulatedSurface<2>& surface,
                                        const TriangulatedSurfaceModifier<2>& modifier) {
    SurfaceConsistencyOptions options;
    options.is_polygon_active = [&modifier](index_t t) {
        return modifier.is_triangle_active(t);
    };
    return absl::StrJoin(check_surface_consistency(surface, options), "\n");
}

inline index_t edge_of(const TriangulatedSurface<2>& surface, const PolygonEdge& edge) {
    return surface.edges()
        .edge_from_vertices(surface.polygon_edge_vertices(edge))
        .value();
}

inline index_t edge_of(const TriangulatedSurface<2>& surface, index_t a, index_t b) {
    return surface.edges().edge_from_vertices({{a, b}}).value();
}

}  // namespace orvane::test
