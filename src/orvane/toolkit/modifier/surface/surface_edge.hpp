#pragma once

#include <array>
#include <string>
#include <utility>

#include <absl/hash/hash.h>
#include <absl/strings/str_cat.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>

namespace orvane {

// An edge of a triangulated surface as the decimator queues it: the polygon edge it was
// reached from, and its two vertex indices in ascending order.
//
// Identity (equality and hashing) is the vertex pair alone, so the same edge reached
// from either of its triangles is one element; the polygon edge only says where to
// start working on it. Compare `polygon_edge` explicitly when that matters.
template <index_t dimension>
struct SurfaceEdge {
    SurfaceEdge() = default;
    SurfaceEdge(const PolygonEdge& edge, index_t vertex0, index_t vertex1)
        : polygon_edge(edge),
          vertices{vertex0 < vertex1 ? vertex0 : vertex1,
                   vertex0 < vertex1 ? vertex1 : vertex0} {}

    // Compared field by field: std::array's operator== goes through memcmp, a call per
    // comparison in the engine's hottest lookup.
    bool operator==(const SurfaceEdge& other) const {
        return vertices[0] == other.vertices[0] && vertices[1] == other.vertices[1];
    }
    bool operator!=(const SurfaceEdge& other) const { return !(*this == other); }

    std::string string() const {
        return absl::StrCat("{", vertices[0], ", ", vertices[1], "} from ",
                            polygon_edge.string());
    }

    template <typename H>
    friend H AbslHashValue(H h, const SurfaceEdge& edge) {
        return H::combine(std::move(h), edge.vertices[0], edge.vertices[1]);
    }

    PolygonEdge polygon_edge;
    // Ascending.
    std::array<index_t, 2> vertices{{NO_ID, NO_ID}};
};

}  // namespace orvane
