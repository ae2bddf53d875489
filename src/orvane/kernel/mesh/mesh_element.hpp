#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include <absl/hash/hash.h>
#include <absl/strings/str_cat.h>

#include <orvane/kernel/basic/common.hpp>

namespace orvane {

// Local vertex `vertex_id` (0 to 2) of polygon `polygon_id`.
struct PolygonVertex {
    PolygonVertex() = default;
    PolygonVertex(index_t polygon, local_index_t vertex)
        : polygon_id(polygon), vertex_id(vertex) {}

    bool operator==(const PolygonVertex& o) const {
        return polygon_id == o.polygon_id && vertex_id == o.vertex_id;
    }
    bool operator!=(const PolygonVertex& o) const { return !(*this == o); }
    bool operator<(const PolygonVertex& o) const {
        return polygon_id != o.polygon_id ? polygon_id < o.polygon_id
                                          : vertex_id < o.vertex_id;
    }
    std::string string() const {
        return absl::StrCat("(", polygon_id, ", ", vertex_id, ")");
    }
    template <typename H>
    friend H AbslHashValue(H h, const PolygonVertex& pv) {
        return H::combine(std::move(h), pv.polygon_id, pv.vertex_id);
    }

    index_t polygon_id{NO_ID};
    local_index_t vertex_id{NO_LID};
};

// Local edge `edge_id` of polygon `polygon_id`. Local edge e runs from local vertex e
// to local vertex (e + 1) mod 3, so the vertex opposite edge e is local vertex
// (e + 2) mod 3, the first vertex of the previous edge.
struct PolygonEdge {
    PolygonEdge() = default;
    PolygonEdge(index_t polygon, local_index_t edge)
        : polygon_id(polygon), edge_id(edge) {}
    // The edge starting at that polygon vertex.
    explicit PolygonEdge(const PolygonVertex& pv)
        : polygon_id(pv.polygon_id), edge_id(pv.vertex_id) {}

    bool operator==(const PolygonEdge& o) const {
        return polygon_id == o.polygon_id && edge_id == o.edge_id;
    }
    bool operator!=(const PolygonEdge& o) const { return !(*this == o); }
    bool operator<(const PolygonEdge& o) const {
        return polygon_id != o.polygon_id ? polygon_id < o.polygon_id
                                          : edge_id < o.edge_id;
    }
    std::string string() const {
        return absl::StrCat("(", polygon_id, ", ", edge_id, ")");
    }
    template <typename H>
    friend H AbslHashValue(H h, const PolygonEdge& pe) {
        return H::combine(std::move(h), pe.polygon_id, pe.edge_id);
    }

    index_t polygon_id{NO_ID};
    local_index_t edge_id{NO_LID};
};

// End `vertex_id` (0 or 1) of edge `edge_id` of a curve (graph).
struct EdgeVertex {
    EdgeVertex() = default;
    EdgeVertex(index_t edge, local_index_t vertex) : edge_id(edge), vertex_id(vertex) {}

    // The other end of the same edge.
    EdgeVertex opposite() const {
        return EdgeVertex{edge_id, static_cast<local_index_t>(1 - vertex_id)};
    }
    bool operator==(const EdgeVertex& o) const {
        return edge_id == o.edge_id && vertex_id == o.vertex_id;
    }
    bool operator!=(const EdgeVertex& o) const { return !(*this == o); }
    bool operator<(const EdgeVertex& o) const {
        return edge_id != o.edge_id ? edge_id < o.edge_id : vertex_id < o.vertex_id;
    }
    std::string string() const {
        return absl::StrCat("(", edge_id, ", ", vertex_id, ")");
    }
    template <typename H>
    friend H AbslHashValue(H h, const EdgeVertex& ev) {
        return H::combine(std::move(h), ev.edge_id, ev.vertex_id);
    }

    index_t edge_id{NO_ID};
    local_index_t vertex_id{NO_LID};
};

}  // namespace orvane

namespace std {
template <>
struct hash<orvane::PolygonVertex> {
    std::size_t operator()(const orvane::PolygonVertex& v) const {
        return absl::Hash<orvane::PolygonVertex>{}(v);
    }
};
template <>
struct hash<orvane::PolygonEdge> {
    std::size_t operator()(const orvane::PolygonEdge& v) const {
        return absl::Hash<orvane::PolygonEdge>{}(v);
    }
};
template <>
struct hash<orvane::EdgeVertex> {
    std::size_t operator()(const orvane::EdgeVertex& v) const {
        return absl::Hash<orvane::EdgeVertex>{}(v);
    }
};
}  // namespace std
