#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <absl/container/flat_hash_set.h>
#include <absl/types/span.h>

#include <orvane/kernel/basic/common.hpp>

namespace orvane {

// Which end of an edge a collapse may remove: 0 neither, 1 the first vertex of the
// polygon edge (merged into the second), 2 the second (merged into the first), 3 either.
enum struct ALLOWED_COLLAPSE_VERTEX_VERTEX : std::uint8_t {
    none = 0,
    first = 1,
    second = 2,
    both = 3
};

// What an operation between an edge and the vertex opposite it may do, as two bits:
// bit 0 (value 1) the edge may disappear, bit 1 (value 2) the opposite vertex may move.
enum struct ALLOWED_COLLAPSE_EDGE_VERTEX : std::uint8_t {
    none = 0,
    edge = 1,
    vertex = 2,
    both = 3
};

// Two verdicts on the same operation (the constraints', the macro information's, ...)
// combined: what both allow, the bitwise and.
inline ALLOWED_COLLAPSE_VERTEX_VERTEX combined_allowed(ALLOWED_COLLAPSE_VERTEX_VERTEX a,
                                                       ALLOWED_COLLAPSE_VERTEX_VERTEX b) {
    return static_cast<ALLOWED_COLLAPSE_VERTEX_VERTEX>(static_cast<std::uint8_t>(a) &
                                                       static_cast<std::uint8_t>(b));
}
inline ALLOWED_COLLAPSE_EDGE_VERTEX combined_allowed(ALLOWED_COLLAPSE_EDGE_VERTEX a,
                                                     ALLOWED_COLLAPSE_EDGE_VERTEX b) {
    return static_cast<ALLOWED_COLLAPSE_EDGE_VERTEX>(static_cast<std::uint8_t>(a) &
                                                     static_cast<std::uint8_t>(b));
}

// True when the verdict lets the first (resp. second) vertex go, or the edge disappear
// (resp. the opposite vertex move).
inline bool allows_first(ALLOWED_COLLAPSE_VERTEX_VERTEX v) {
    return (static_cast<std::uint8_t>(v) & 1) != 0;
}
inline bool allows_second(ALLOWED_COLLAPSE_VERTEX_VERTEX v) {
    return (static_cast<std::uint8_t>(v) & 2) != 0;
}
inline bool allows_edge(ALLOWED_COLLAPSE_EDGE_VERTEX v) {
    return (static_cast<std::uint8_t>(v) & 1) != 0;
}
inline bool allows_vertex(ALLOWED_COLLAPSE_EDGE_VERTEX v) {
    return (static_cast<std::uint8_t>(v) & 2) != 0;
}

// The constraints side of a constrained modifier: what must not change (vertices that
// may neither move nor disappear, edges that may be neither collapsed nor swapped away,
// the border), and the records of the constrained operations.
//
// Constraints name vertices by index. The constrained operations keep them in step with
// the mesh (merges, splits, re-routing, compaction through the constrained modifier's
// clean()); an operation made directly on the underlying surface modifier is not seen.
class ConstraintModifier {
public:
    // How much of the border is protected.
    enum struct BORDER_CONSTRAINT : std::uint8_t {
        // The border is not protected.
        none = 0,
        // No border vertex is removed or moved; a border edge may be split and
        // re-routed through any apex.
        vertices = 1,
        // No border vertex is removed or moved and no border edge is collapsed or
        // swapped; a border edge may be split, and re-routed through an apex lying
        // within the tolerance of it (the border then moves by less than the
        // tolerance). The value every insertion uses.
        fixed = 2
    };

    // Vertices that may neither move nor disappear.
    class ImmuableVertices {
    public:
        void add(index_t vertex) { vertices_.insert(vertex); }
        void remove(index_t vertex) { vertices_.erase(vertex); }
        bool contains(index_t vertex) const { return vertices_.contains(vertex); }
        std::size_t size() const { return vertices_.size(); }
        bool empty() const { return vertices_.empty(); }
        // Ascending, for reports and tests.
        std::vector<index_t> vertices() const;

    private:
        absl::flat_hash_set<index_t> vertices_;
    };

    // Edges, as vertex pairs in either order, that may be neither collapsed nor swapped
    // away; they may be split (both halves stay forbidden) and re-routed through an apex
    // lying on them (both edges through the apex become forbidden).
    class ForbiddenEdges {
    public:
        void add(index_t vertex0, index_t vertex1);
        void add(const std::array<index_t, 2>& vertices) {
            add(vertices[0], vertices[1]);
        }
        void remove(index_t vertex0, index_t vertex1);
        bool contains(index_t vertex0, index_t vertex1) const;
        bool contains(const std::array<index_t, 2>& vertices) const {
            return contains(vertices[0], vertices[1]);
        }
        std::size_t size() const { return edges_.size(); }
        bool empty() const { return edges_.empty(); }
        // Sorted pairs, ascending, for reports and tests.
        std::vector<std::array<index_t, 2>> edges() const;

    private:
        absl::flat_hash_set<std::array<index_t, 2>> edges_;
    };

    struct CommonConstraints {
        explicit CommonConstraints(BORDER_CONSTRAINT border = BORDER_CONSTRAINT::none)
            : border_constraint(border) {}

        // Adds the other's immutable vertices and forbidden edges; the border keeps the
        // stronger of the two protections.
        void add_constraints(const CommonConstraints& other);
        // Follows a compaction: old-to-new vertex indices (NO_ID for deleted vertices,
        // whose constraints are dropped).
        void renumber_vertices(absl::Span<const index_t> old2new);

        bool is_border_protected() const {
            return border_constraint != BORDER_CONSTRAINT::none;
        }

        BORDER_CONSTRAINT border_constraint;
        ImmuableVertices immuable_vertices;
        ForbiddenEdges forbidden_edges;
    };

    // The two ends of an edge to collapse: `removed` is merged into `kept`, which stays
    // where it is.
    struct OrientedEdgeVertices {
        OrientedEdgeVertices() = default;
        OrientedEdgeVertices(index_t removed_vertex, index_t kept_vertex)
            : removed(removed_vertex), kept(kept_vertex) {}
        OrientedEdgeVertices opposite() const { return {kept, removed}; }
        bool operator==(const OrientedEdgeVertices& o) const {
            return removed == o.removed && kept == o.kept;
        }
        bool operator!=(const OrientedEdgeVertices& o) const { return !(*this == o); }

        index_t removed{NO_ID};
        index_t kept{NO_ID};
    };

    struct CollapseEdgeInfo {
        // The vertex that stays (the removed one is merged into it).
        index_t vertex{NO_ID};
        // The active triangles around that vertex after the collapse (the replaced
        // ones and those whose shape changed), counter-clockwise.
        std::vector<index_t> triangles;
    };

    struct SplitInfo {
        // A split: the new vertex. A split-collapse: the apex the edge now runs through.
        index_t vertex{NO_ID};
        // A split: the new triangles, first side then second. A split-collapse: the
        // active triangles around the apex afterwards (the new ones among them).
        std::vector<index_t> triangles;
    };

    struct RemoveAdjacencyInfo {
        // The vertex that takes the place of the removed one, when it had to be kept.
        std::optional<index_t> vertex;
        // The active triangles whose adjacency or shape changed.
        std::vector<index_t> triangles;
    };

    virtual ~ConstraintModifier();

    CommonConstraints& constraints();
    const CommonConstraints& constraints() const;

protected:
    explicit ConstraintModifier(CommonConstraints constraints);
    ConstraintModifier(ConstraintModifier&& other) noexcept;
    ConstraintModifier& operator=(ConstraintModifier&& other) noexcept;
    ConstraintModifier(const ConstraintModifier&) = delete;
    ConstraintModifier& operator=(const ConstraintModifier&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane
