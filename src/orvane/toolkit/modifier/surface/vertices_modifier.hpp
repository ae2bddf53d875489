#pragma once

#include <memory>
#include <optional>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/mesh/vertex_set.hpp>

namespace orvane {

// The vertex side of a mesh modifier: where a vertex went.
//
// Operations that merge a vertex into another (an edge collapse) or remove it (a
// double-adjacency removal) record it here, so that anyone holding a vertex index from
// before can ask for its current index. The record is a forwarding table (one entry
// per vertex: itself while alive, the vertex it was merged into, or "gone"), read with
// path compression, so a chain of merges is followed once and then answered in O(1).
//
// Renumbering by clean(): clean() compacts the mesh and hands out old-to-new
// mappings (TriangulatedSurfaceModifier::CleanMappings). A vertex index alone cannot
// say whether it was taken before or after a clean, so after a clean the table starts
// afresh over the new numbering: updated_vertex(v) answers for indices of the current
// numbering. An index remembered from before a clean is translated in two steps:
// updated_vertex(v) as it was before the clean (follow the merges), then the clean's
// vertex mapping. The library's callers never hold vertex indices across a clean
// (cleans end an inserter's life and a carving).
class VerticesModifier {
public:
    virtual ~VerticesModifier();
    VerticesModifier(VerticesModifier&& other) noexcept;
    VerticesModifier& operator=(VerticesModifier&& other) noexcept;
    VerticesModifier(const VerticesModifier&) = delete;
    VerticesModifier& operator=(const VerticesModifier&) = delete;

    // The current index of `vertex`: itself while it exists, the vertex it was merged
    // into (followed through every later merge), or empty when it was removed or is
    // out of range. Amortised O(1). It compresses the table as it reads, so it must
    // not run concurrently with itself (the modifier belongs to one thread).
    std::optional<index_t> updated_vertex(index_t vertex) const;

protected:
    explicit VerticesModifier(const VertexSet& vertices);

    // `removed` now lives on as `kept` (both valid, different, `kept` alive).
    void record_vertex_merge(index_t removed, index_t kept);
    // `vertex` is gone: updated_vertex answers empty for it and for what was merged
    // into it.
    void record_vertex_removal(index_t vertex);
    // The vertices were renumbered by a compaction: forget the history.
    void reset_vertex_history();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The edge side of a mesh modifier. Edge bookkeeping lives in the surface modifier
// itself; this base exists so that edge-aware code can name the role.
class EdgesModifier {
public:
    virtual ~EdgesModifier();

protected:
    EdgesModifier() = default;
    EdgesModifier(EdgesModifier&&) noexcept = default;
    EdgesModifier& operator=(EdgesModifier&&) noexcept = default;
};

// The triangle side of a mesh modifier (activity flags live in the surface modifier).
class TrianglesModifier {
public:
    virtual ~TrianglesModifier();

protected:
    TrianglesModifier() = default;
    TrianglesModifier(TrianglesModifier&&) noexcept = default;
    TrianglesModifier& operator=(TrianglesModifier&&) noexcept = default;
};

}  // namespace orvane
