#pragma once

// Storage records of SurfaceMesh and SurfaceEdges, shared by the mesh and its builder.
// Not part of the public interface.

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include <cstdint>
#include <optional>

#include <absl/container/flat_hash_set.h>
#include <absl/hash/hash.h>

#include <orvane/kernel/basic/attribute_manager.hpp>
#include <orvane/kernel/mesh/surface_edges.hpp>
#include <orvane/kernel/mesh/surface_mesh.hpp>

namespace orvane {

namespace internal {

using EdgePairs = std::vector<std::array<index_t, 2>>;

inline std::size_t hash_edge_pair(const std::array<index_t, 2>& pair) {
    return absl::Hash<std::uint64_t>{}((std::uint64_t{pair[0]} << 32) | pair[1]);
}

// The edge map stores only edge indices; hashing and comparing go through the pair
// array, and lookups take the (sorted) pair itself. This is a hash map from the sorted
// pair to the edge index in which the key lives once, in the pair array: a slot is 4
// bytes instead of 12, which keeps the map a third of the size.
struct EdgeIndexHash {
    using is_transparent = void;
    const EdgePairs* pairs;
    std::size_t operator()(index_t edge) const { return hash_edge_pair((*pairs)[edge]); }
    std::size_t operator()(const std::array<index_t, 2>& pair) const {
        return hash_edge_pair(pair);
    }
};
// Two integer compares: std::array's operator== goes through memcmp, which showed up
// as a tenth of the time of a split on large meshes.
struct EdgeIndexEq {
    using is_transparent = void;
    const EdgePairs* pairs;
    bool operator()(index_t a, index_t b) const { return a == b; }
    bool operator()(index_t edge, const std::array<index_t, 2>& pair) const {
        const auto& stored = (*pairs)[edge];
        return stored[0] == pair[0] && stored[1] == pair[1];
    }
    bool operator()(const std::array<index_t, 2>& pair, index_t edge) const {
        return (*this)(edge, pair);
    }
};
using EdgeIndexSet = absl::flat_hash_set<index_t, EdgeIndexHash, EdgeIndexEq>;

}  // namespace internal

template <index_t dimension>
struct SurfaceEdges<dimension>::Impl {
    Impl()
        : edge_of_vertices(0, internal::EdgeIndexHash{&vertices},
                           internal::EdgeIndexEq{&vertices}) {}
    // The map points at `vertices`: never copy or move it, rebuild it instead.
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    // Sorted vertex pair of each edge.
    internal::EdgePairs vertices;
    // Rebuilt from `vertices` on first use after a renumbering (see mark_map_stale).
    mutable internal::EdgeIndexSet edge_of_vertices;
    mutable std::atomic<bool> map_stale{false};
    mutable std::mutex map_mutex;
    mutable AttributeManager edge_attributes;

    static std::array<index_t, 2> sorted(const std::array<index_t, 2>& v) {
        return v[0] < v[1] ? v : std::array<index_t, 2>{{v[1], v[0]}};
    }
    // A compaction renumbers every edge after the first deleted one, so the map is
    // rebuilt; the deletions of one clean (edges, then vertices) would rebuild it
    // twice, so they only mark it and the first lookup rebuilds it, once. Lookups
    // are const and may run concurrently: the rebuild is serialised.
    void mark_map_stale() { map_stale.store(true, std::memory_order_release); }
    void ensure_map() const {
        if (!map_stale.load(std::memory_order_acquire))
            return;
        std::lock_guard<std::mutex> lock(map_mutex);
        if (!map_stale.load(std::memory_order_relaxed))
            return;
        fill_map();
        map_stale.store(false, std::memory_order_release);
    }
    std::optional<index_t> find(const std::array<index_t, 2>& v) const {
        ensure_map();
        const auto it = edge_of_vertices.find(sorted(v));
        if (it == edge_of_vertices.end())
            return std::nullopt;
        return *it;
    }
    void prefetch(const std::array<index_t, 2>& v) const {
        ensure_map();
        edge_of_vertices.prefetch(sorted(v));
    }
    // Returns the edge index; appends the edge when new (attributes are resized by the
    // caller, in bulk). One probe of the map.
    index_t find_or_create(const std::array<index_t, 2>& v) {
        ensure_map();
        const auto key = sorted(v);
        const auto it = edge_of_vertices.lazy_emplace(key, [&](const auto& construct) {
            const auto edge = static_cast<index_t>(vertices.size());
            vertices.push_back(key);
            construct(edge);
        });
        return *it;
    }
    void rebuild_map() {
        fill_map();
        map_stale.store(false, std::memory_order_release);
    }
    void fill_map() const {
        edge_of_vertices.clear();
        edge_of_vertices.reserve(vertices.size());
        // Inserts land at random places of the map: prefetch a few edges ahead.
        constexpr index_t ahead = 16;
        const auto nb = static_cast<index_t>(vertices.size());
        for (index_t e = 0; e < nb; ++e) {
            if (e + ahead < nb)
                edge_of_vertices.prefetch(e + ahead);
            edge_of_vertices.insert(e);
        }
    }
    void copy_from(const Impl& other) {
        vertices = other.vertices;
        rebuild_map();
        edge_attributes.copy(other.edge_attributes);
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
