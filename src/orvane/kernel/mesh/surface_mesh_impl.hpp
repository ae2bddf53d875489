#pragma once

// Storage records of SurfaceMesh and SurfaceEdges, shared by the mesh and its builder.
// Not part of the public interface.

#include <array>
#include <memory>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include <orvane/kernel/basic/attribute_manager.hpp>
#include <orvane/kernel/mesh/surface_edges.hpp>
#include <orvane/kernel/mesh/surface_mesh.hpp>

namespace orvane {

template <index_t dimension>
struct SurfaceEdges<dimension>::Impl {
    // Sorted vertex pair of each edge.
    std::vector<std::array<index_t, 2>> vertices;
    absl::flat_hash_map<std::array<index_t, 2>, index_t> edge_of_vertices;
    mutable AttributeManager edge_attributes;

    static std::array<index_t, 2> sorted(const std::array<index_t, 2>& v) {
        return v[0] < v[1] ? v : std::array<index_t, 2>{{v[1], v[0]}};
    }
    // Returns the edge index; appends the edge when new (attributes are resized by the
    // caller, in bulk).
    index_t find_or_create(const std::array<index_t, 2>& v) {
        const auto key = sorted(v);
        const auto [it, inserted] =
            edge_of_vertices.try_emplace(key, static_cast<index_t>(vertices.size()));
        if (inserted)
            vertices.push_back(key);
        return it->second;
    }
    void rebuild_map() {
        edge_of_vertices.clear();
        edge_of_vertices.reserve(vertices.size());
        for (index_t e = 0; e < vertices.size(); ++e)
            edge_of_vertices.emplace(vertices[e], e);
    }
};

template <index_t dimension>
struct SurfaceMesh<dimension>::Impl {
    std::vector<Point<dimension>> points;
    // Per vertex: a polygon vertex at it, or {NO_ID, NO_LID} when isolated.
    std::vector<PolygonVertex> incident;
    std::vector<std::array<index_t, 3>> polygon_vertices;
    // Per polygon edge: the polygon across it, NO_ID on the border.
    std::vector<std::array<index_t, 3>> adjacents;
    mutable AttributeManager polygon_attributes;
    mutable std::unique_ptr<SurfaceEdges<dimension>> edges;

    index_t nb_polygons() const { return static_cast<index_t>(polygon_vertices.size()); }
};

}  // namespace orvane
