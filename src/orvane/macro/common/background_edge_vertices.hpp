#pragma once

#include <array>
#include <optional>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/toolkit/modifier/surface/vertices_modifier.hpp>

namespace orvane {

// One input edge as edge insertion sees it: its two vertices in the input mesh, in the
// order of the edge, and for each the background vertex it was inserted as (empty when
// it was not inserted, e.g. outside the background).
struct BackgroundEdgeVertices {
    BackgroundEdgeVertices() = default;
    BackgroundEdgeVertices(const std::array<index_t, 2>& input_vertices_in,
                           const std::array<std::optional<index_t>, 2>& background_in)
        : input_vertices(input_vertices_in), background_vertices(background_in) {}

    // Background vertices are taken while the background changes (every insertion
    // splits, collapses and optimises): bring them to their current indices. A vertex
    // that no longer exists leaves its entry empty.
    void update_vertices(const VerticesModifier& modifier) {
        for (auto& vertex : background_vertices) {
            if (vertex)
                vertex = modifier.updated_vertex(*vertex);
        }
    }

    bool operator==(const BackgroundEdgeVertices& other) const {
        return input_vertices == other.input_vertices &&
               background_vertices == other.background_vertices;
    }
    bool operator!=(const BackgroundEdgeVertices& other) const {
        return !(*this == other);
    }

    std::array<index_t, 2> input_vertices{{NO_ID, NO_ID}};
    std::array<std::optional<index_t>, 2> background_vertices;
};

// The two background vertices that an inside sub-segment of an input edge must join.
struct MacroEdgeBackgroundVertices {
    MacroEdgeBackgroundVertices() = default;
    MacroEdgeBackgroundVertices(index_t first, index_t second)
        : vertices{{first, second}} {}

    // Brings both vertices to their current indices. Both must still exist: the
    // standard bad-optional-access exception otherwise, before anything is changed.
    void update_vertices(const VerticesModifier& modifier) {
        const index_t first = modifier.updated_vertex(vertices[0]).value();
        const index_t second = modifier.updated_vertex(vertices[1]).value();
        vertices = {{first, second}};
    }

    bool operator==(const MacroEdgeBackgroundVertices& other) const {
        return vertices == other.vertices;
    }
    bool operator!=(const MacroEdgeBackgroundVertices& other) const {
        return !(*this == other);
    }

    std::array<index_t, 2> vertices{{NO_ID, NO_ID}};
};

}  // namespace orvane
