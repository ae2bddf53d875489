#include <orvane/toolkit/modifier/surface/vertices_modifier.hpp>

#include <vector>

namespace orvane {

struct VerticesModifier::Impl {
    explicit Impl(const VertexSet& vertex_set) : vertices(&vertex_set) {}

    const VertexSet* vertices;
    // forward[v]: v while alive, the vertex it was merged into, or NO_ID when gone.
    // Vertices at or beyond the table's end were never touched: alive. Mutable for the
    // path compression of the const query (the modifier is used by one thread).
    mutable std::vector<index_t> forward;

    void ensure(index_t vertex) {
        if (vertex >= forward.size()) {
            const auto old_size = static_cast<index_t>(forward.size());
            forward.resize(static_cast<std::size_t>(vertex) + 1);
            for (index_t v = old_size; v <= vertex; ++v)
                forward[v] = v;
        }
    }
};

VerticesModifier::VerticesModifier(const VertexSet& vertices)
    : impl_(std::make_unique<Impl>(vertices)) {}
VerticesModifier::~VerticesModifier() = default;
VerticesModifier::VerticesModifier(VerticesModifier&& other) noexcept = default;
VerticesModifier& VerticesModifier::operator=(VerticesModifier&& other) noexcept =
    default;

std::optional<index_t> VerticesModifier::updated_vertex(index_t vertex) const {
    if (!impl_ || vertex >= impl_->vertices->nb_vertices())
        return std::nullopt;
    auto& forward = impl_->forward;
    if (vertex >= forward.size())
        return vertex;
    // Find the end of the chain; every merge points at a vertex alive at the time, so
    // the chain is at most as long as the number of merges and has no cycle.
    index_t current = vertex;
    while (current != NO_ID && current < forward.size() && forward[current] != current)
        current = forward[current];
    // Compress: every vertex on the way now points at the end.
    index_t step = vertex;
    while (step != current && step < forward.size()) {
        const index_t next = forward[step];
        forward[step] = current;
        if (next == NO_ID)
            break;
        step = next;
    }
    if (current == NO_ID)
        return std::nullopt;
    return current;
}

void VerticesModifier::record_vertex_merge(index_t removed, index_t kept) {
    impl_->ensure(removed > kept ? removed : kept);
    impl_->forward[removed] = kept;
}

void VerticesModifier::record_vertex_removal(index_t vertex) {
    impl_->ensure(vertex);
    impl_->forward[vertex] = NO_ID;
}

void VerticesModifier::reset_vertex_history() {
    impl_->forward.clear();
}

EdgesModifier::~EdgesModifier() = default;
TrianglesModifier::~TrianglesModifier() = default;

}  // namespace orvane
