#pragma once

// A background over a grid with everything needed to edit it (builder, surface
// builder, BackgroundSurfaceModifier), and a snapshot of every macro list to prove that
// a step changed nothing, or exactly what it should.

#include <array>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/macro/common/macro_entities.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>

#include "support/grid_surface.hpp"

namespace orvane::test {

// Not movable: the members refer to each other.
struct BackgroundOnGrid {
    BackgroundOnGrid(index_t nx, index_t ny, double spacing = 1.)
        : grid(nx, ny, spacing),
          background(grid.surface()),
          builder(background),
          surface_builder(grid.surface()),
          modifier(background, builder, surface_builder) {}
    BackgroundOnGrid(const BackgroundOnGrid&) = delete;
    BackgroundOnGrid& operator=(const BackgroundOnGrid&) = delete;

    const TriangulatedSurface<2>& surface() const { return grid.surface(); }
    index_t vertex(index_t i, index_t j) const { return grid.vertex(i, j); }
    // The edge between grid vertices (i0, j0) and (i1, j1); it must exist.
    index_t edge(index_t i0, index_t j0, index_t i1, index_t j1) const {
        return edge_between(vertex(i0, j0), vertex(i1, j1));
    }
    index_t edge_between(index_t a, index_t b) const {
        return surface().edges().edge_from_vertices({a, b}).value();
    }
    // Edges along the straight grid chain from (i0, j0) to (i1, j1), unit steps
    // (horizontal, vertical or along the cell diagonals).
    std::vector<index_t> line_edges(index_t i0, index_t j0, index_t i1,
                                    index_t j1) const {
        std::vector<index_t> chain;
        const int di = i1 > i0 ? 1 : (i1 < i0 ? -1 : 0);
        const int dj = j1 > j0 ? 1 : (j1 < j0 ? -1 : 0);
        int i = static_cast<int>(i0);
        int j = static_cast<int>(j0);
        while (i != static_cast<int>(i1) || j != static_cast<int>(j1)) {
            chain.push_back(edge(i, j, i + di, j + dj));
            i += di;
            j += dj;
        }
        return chain;
    }
    ModifiableObject<internal::BackgroundSurface> modifiable() {
        return {background, modifier};
    }

    Grid grid;
    internal::BackgroundSurface background;
    internal::BackgroundSurfaceBuilder builder;
    TriangulatedSurfaceBuilder<2> surface_builder;
    internal::BackgroundSurfaceModifier modifier;
};

// Every macro list of a background, element by element.
struct MacroSnapshot {
    std::vector<MeshVertices> vertices;
    std::vector<MeshEdges> incident;
    std::vector<MeshEdges> edges;
    std::vector<MeshElements> elements;

    bool operator==(const MacroSnapshot& other) const {
        return vertices == other.vertices && incident == other.incident &&
               edges == other.edges && elements == other.elements;
    }
    bool operator!=(const MacroSnapshot& other) const { return !(*this == other); }
};

inline MacroSnapshot macro_snapshot(const internal::BackgroundSurface& background) {
    const auto& surface = background.surface();
    MacroSnapshot snapshot;
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        snapshot.vertices.push_back(background.macro_vertices(v));
        snapshot.incident.push_back(background.incident_macro_edges(v));
    }
    for (index_t e = 0; e < surface.edges().nb_edges(); ++e) {
        snapshot.edges.push_back(background.macro_edges(e));
    }
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        snapshot.elements.push_back(background.macro_elements(t));
    }
    return snapshot;
}

}  // namespace orvane::test
