#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include <absl/container/inlined_vector.h>

#include <orvane/kernel/basic/attribute_manager.hpp>
#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/vertex_set.hpp>

namespace orvane {

using EdgesAroundVertex = absl::InlinedVector<EdgeVertex, 2>;

class GraphBuilder;

// Vertices joined by edges (two vertices each, in the given order). Each vertex keeps
// the list of its edge ends in creation order.
class Graph : public VertexSet {
public:
    Graph();
    ~Graph() override;
    Graph(Graph&& other) noexcept;
    Graph& operator=(Graph&& other) noexcept;

    static std::unique_ptr<Graph> create();

    index_t nb_edges() const;
    index_t edge_vertex(const EdgeVertex& edge_vertex) const;
    const std::array<index_t, 2>& edge_vertices(index_t edge) const;
    // The edge ends at `vertex`, in the order the edges were created (renumbering keeps
    // that relative order).
    const EdgesAroundVertex& edges_around_vertex(index_t vertex) const;
    // An edge joining the two vertices in either direction (the first one around
    // vertices[0]), empty when there is none. O(valence).
    std::optional<index_t> edge_from_vertices(
        const std::array<index_t, 2>& vertices) const;
    bool is_vertex_isolated(index_t vertex) const;
    AttributeManager& edge_attribute_manager() const;

protected:
    void copy_graph(const Graph& from);

private:
    friend class GraphBuilder;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Write access to a Graph. Attribute managers follow creations and deletions.
class GraphBuilder : public VertexSetBuilder {
public:
    explicit GraphBuilder(Graph& graph);
    ~GraphBuilder() override;

    static std::unique_ptr<GraphBuilder> create(Graph& graph);

    index_t create_vertex();
    index_t create_vertices(index_t nb);
    // Rejects out-of-range indices and a vertex joined to itself
    // (VelmoraBasicException).
    index_t create_edge(index_t vertex0, index_t vertex1);
    void set_edge_vertex(const EdgeVertex& edge_vertex, index_t vertex);
    // Returns old-to-new for the edges.
    std::vector<index_t> delete_edges(const std::vector<bool>& to_delete);
    // Removes vertices without edges; returns old-to-new.
    std::vector<index_t> delete_isolated_vertices();

protected:
    // Hooks for derived meshes with per-vertex arrays (points).
    virtual void do_create_vertices(index_t /*first*/, index_t /*nb*/) {}
    virtual void do_remap_vertices(absl::Span<const index_t> /*old2new*/,
                                   index_t /*new_size*/) {}

    Graph& graph_;
};

}  // namespace orvane
