#pragma once

// Storage records of SurfaceMesh and SurfaceEdges, shared by the mesh and its builder.
// Not part of the public interface.

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include <cstdint>
#include <optional>

#include <orvane/kernel/basic/attribute_manager.hpp>
#include <orvane/kernel/mesh/surface_edges.hpp>
#include <orvane/kernel/mesh/surface_mesh.hpp>

namespace orvane {

namespace internal {

using EdgePairs = std::vector<std::array<index_t, 2>>;

// Map from a sorted vertex pair to its edge index. The slots hold the pair itself, so
// a lookup of an existing edge costs one cache miss (the slot) instead of three (control
// byte, index slot, pair array). Open addressing with linear probing: entries are only
// ever added, a deletion renumbers the edges and rebuilds the whole map, so no
// tombstones are needed. The load stays at or below 3/4, which keeps the probes of
// absent pairs (every new edge) to a line or two.
class EdgeMap {
public:
    struct Slot {
        index_t v0;  // NO_ID: empty (a sorted pair never starts with NO_ID)
        index_t v1;
        index_t edge;
    };

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return slots_.size(); }

    // Empties the map and sizes it for nb entries (shrinking it too).
    void reset(std::size_t nb) {
        const std::size_t capacity = capacity_for(nb);
        if (capacity == slots_.size()) {
            std::fill(slots_.begin(), slots_.end(), empty_slot());
        } else {
            slots_.assign(capacity, empty_slot());
            slots_.shrink_to_fit();
            set_capacity(capacity);
        }
        size_ = 0;
    }
    void reserve(std::size_t nb) {
        if (nb * 4 > slots_.size() * 3)
            rehash(capacity_for(nb));
    }

    const Slot* find(index_t v0, index_t v1) const {
        if (slots_.empty())
            return nullptr;
        for (std::size_t i = bucket(v0, v1);; i = (i + 1) & mask_) {
            const Slot& slot = slots_[i];
            if (slot.v0 == v0 && slot.v1 == v1)
                return &slot;
            if (slot.v0 == NO_ID)
                return nullptr;
        }
    }
    void prefetch(index_t v0, index_t v1) const {
        if (!slots_.empty())
            __builtin_prefetch(&slots_[bucket(v0, v1)]);
    }
    // The edge of the pair; when absent, stores make() as its edge.
    template <typename Make>
    index_t find_or_insert(index_t v0, index_t v1, const Make& make) {
        reserve(size_ + 1);
        for (std::size_t i = bucket(v0, v1);; i = (i + 1) & mask_) {
            Slot& slot = slots_[i];
            if (slot.v0 == v0 && slot.v1 == v1)
                return slot.edge;
            if (slot.v0 == NO_ID) {
                slot = Slot{v0, v1, make()};
                ++size_;
                return slot.edge;
            }
        }
    }
    // For a pair known to be absent, with room reserved.
    void insert_new(index_t v0, index_t v1, index_t edge) {
        std::size_t i = bucket(v0, v1);
        while (slots_[i].v0 != NO_ID)
            i = (i + 1) & mask_;
        slots_[i] = Slot{v0, v1, edge};
        ++size_;
    }

private:
    static constexpr Slot empty_slot() { return Slot{NO_ID, NO_ID, NO_ID}; }
    static std::size_t capacity_for(std::size_t nb) {
        std::size_t capacity = 16;
        while (nb * 4 > capacity * 3)
            capacity *= 2;
        return capacity;
    }
    // Multiplicative mix of the whole pair; the top bits pick the bucket.
    std::size_t bucket(index_t v0, index_t v1) const {
        std::uint64_t x = (std::uint64_t{v0} << 32) | v1;
        x ^= x >> 33;
        x *= 0xff51afd7ed558ccdULL;
        x ^= x >> 29;
        x *= 0x9e3779b97f4a7c15ULL;
        return static_cast<std::size_t>(x >> shift_);
    }
    void set_capacity(std::size_t capacity) {
        mask_ = capacity - 1;
        shift_ = 64 - static_cast<unsigned>(__builtin_ctzll(capacity));
    }
    void rehash(std::size_t capacity) {
        std::vector<Slot> old(capacity, empty_slot());
        old.swap(slots_);
        set_capacity(capacity);
        size_ = 0;
        // Reinserts land at random places: prefetch a few ahead.
        constexpr std::size_t ahead = 16;
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (i + ahead < old.size() && old[i + ahead].v0 != NO_ID)
                prefetch(old[i + ahead].v0, old[i + ahead].v1);
            if (old[i].v0 != NO_ID)
                insert_new(old[i].v0, old[i].v1, old[i].edge);
        }
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    unsigned shift_ = 64;
    std::size_t size_ = 0;
};

}  // namespace internal

template <index_t dimension>
struct SurfaceEdges<dimension>::Impl {
    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    // Sorted vertex pair of each edge.
    internal::EdgePairs vertices;
    // Rebuilt from `vertices` on first use after a renumbering (see mark_map_stale).
    mutable internal::EdgeMap edge_of_vertices;
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
        const auto key = sorted(v);
        const auto* slot = edge_of_vertices.find(key[0], key[1]);
        if (slot == nullptr)
            return std::nullopt;
        return slot->edge;
    }
    void prefetch(const std::array<index_t, 2>& v) const {
        ensure_map();
        const auto key = sorted(v);
        edge_of_vertices.prefetch(key[0], key[1]);
    }
    // Returns the edge index; appends the edge when new (attributes are resized by the
    // caller, in bulk). One probe of the map.
    index_t find_or_create(const std::array<index_t, 2>& v) {
        ensure_map();
        const auto key = sorted(v);
        return edge_of_vertices.find_or_insert(key[0], key[1], [&] {
            const auto edge = static_cast<index_t>(vertices.size());
            vertices.push_back(key);
            return edge;
        });
    }
    void rebuild_map() {
        fill_map();
        map_stale.store(false, std::memory_order_release);
    }
    void fill_map() const {
        edge_of_vertices.reset(vertices.size());
        // Inserts land at random places of the map: prefetch a few edges ahead.
        constexpr index_t ahead = 16;
        const auto nb = static_cast<index_t>(vertices.size());
        for (index_t e = 0; e < nb; ++e) {
            if (e + ahead < nb)
                edge_of_vertices.prefetch(vertices[e + ahead][0], vertices[e + ahead][1]);
            edge_of_vertices.insert_new(vertices[e][0], vertices[e][1], e);
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
