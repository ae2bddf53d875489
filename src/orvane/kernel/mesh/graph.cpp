#include <orvane/kernel/mesh/graph.hpp>

#include <algorithm>

#include <orvane/kernel/basic/velmora_exception.hpp>

namespace orvane {

struct Graph::Impl {
    std::vector<std::array<index_t, 2>> edge_vertices;
    std::vector<EdgesAroundVertex> edges_around;
    mutable AttributeManager edge_attributes;
};

Graph::Graph() : impl_(std::make_unique<Impl>()) {}
Graph::~Graph() = default;
Graph::Graph(Graph&& other) noexcept
    : VertexSet(std::move(other)), impl_(std::move(other.impl_)) {
    other.impl_ = std::make_unique<Impl>();
}
Graph& Graph::operator=(Graph&& other) noexcept {
    if (this != &other) {
        VertexSet::operator=(std::move(other));
        impl_ = std::move(other.impl_);
        other.impl_ = std::make_unique<Impl>();
    }
    return *this;
}

std::unique_ptr<Graph> Graph::create() {
    return std::make_unique<Graph>();
}

void Graph::copy_graph(const Graph& from) {
    if (this == &from)
        return;
    copy_vertex_set(from);
    impl_->edge_vertices = from.impl_->edge_vertices;
    impl_->edges_around = from.impl_->edges_around;
    impl_->edge_attributes.copy(from.impl_->edge_attributes);
}

index_t Graph::nb_edges() const {
    return static_cast<index_t>(impl_->edge_vertices.size());
}

const std::array<index_t, 2>& Graph::edge_vertices(index_t edge) const {
    if (edge >= impl_->edge_vertices.size()) {
        throw VelmoraBasicException("[Graph::edge_vertices] Edge ", edge,
                                    " out of range (", impl_->edge_vertices.size(),
                                    " edges)");
    }
    return impl_->edge_vertices[edge];
}

index_t Graph::edge_vertex(const EdgeVertex& edge_vertex) const {
    if (edge_vertex.vertex_id > 1) {
        throw VelmoraBasicException("[Graph::edge_vertex] Local vertex ",
                                    static_cast<int>(edge_vertex.vertex_id),
                                    " out of range");
    }
    return edge_vertices(edge_vertex.edge_id)[edge_vertex.vertex_id];
}

const EdgesAroundVertex& Graph::edges_around_vertex(index_t vertex) const {
    if (vertex >= impl_->edges_around.size()) {
        throw VelmoraBasicException("[Graph::edges_around_vertex] Vertex ", vertex,
                                    " out of range (", impl_->edges_around.size(),
                                    " vertices)");
    }
    return impl_->edges_around[vertex];
}

std::optional<index_t> Graph::edge_from_vertices(
    const std::array<index_t, 2>& vertices) const {
    for (const auto& ev : edges_around_vertex(vertices[0])) {
        if (impl_->edge_vertices[ev.edge_id][1 - ev.vertex_id] == vertices[1]) {
            return ev.edge_id;
        }
    }
    return std::nullopt;
}

bool Graph::is_vertex_isolated(index_t vertex) const {
    return edges_around_vertex(vertex).empty();
}

AttributeManager& Graph::edge_attribute_manager() const {
    return impl_->edge_attributes;
}

// ---- GraphBuilder ----------------------------------------------------------------

GraphBuilder::GraphBuilder(Graph& graph) : VertexSetBuilder(graph), graph_(graph) {}
GraphBuilder::~GraphBuilder() = default;

std::unique_ptr<GraphBuilder> GraphBuilder::create(Graph& graph) {
    return std::make_unique<GraphBuilder>(graph);
}

index_t GraphBuilder::create_vertex() {
    return create_vertices(1);
}

index_t GraphBuilder::create_vertices(index_t nb) {
    const index_t first = create_vertex_entries(nb);
    graph_.impl_->edges_around.resize(first + nb);
    do_create_vertices(first, nb);
    return first;
}

index_t GraphBuilder::create_edge(index_t vertex0, index_t vertex1) {
    auto& impl = *graph_.impl_;
    const index_t nb_vertices = graph_.nb_vertices();
    if (vertex0 >= nb_vertices || vertex1 >= nb_vertices) {
        throw VelmoraBasicException("[GraphBuilder::create_edge] Vertex ",
                                    vertex0 >= nb_vertices ? vertex0 : vertex1,
                                    " out of range (", nb_vertices, " vertices)");
    }
    if (vertex0 == vertex1) {
        throw VelmoraBasicException(
            "[GraphBuilder::create_edge] An edge needs two different vertices, got ",
            vertex0, " twice");
    }
    const index_t edge = static_cast<index_t>(impl.edge_vertices.size());
    impl.edge_vertices.push_back({{vertex0, vertex1}});
    impl.edges_around[vertex0].emplace_back(edge, 0);
    impl.edges_around[vertex1].emplace_back(edge, 1);
    impl.edge_attributes.resize(edge + 1);
    return edge;
}

void GraphBuilder::set_edge_vertex(const EdgeVertex& edge_vertex, index_t vertex) {
    auto& impl = *graph_.impl_;
    const index_t old = graph_.edge_vertex(edge_vertex);
    if (vertex >= graph_.nb_vertices()) {
        throw VelmoraBasicException("[GraphBuilder::set_edge_vertex] Vertex ", vertex,
                                    " out of range (", graph_.nb_vertices(),
                                    " vertices)");
    }
    if (impl.edge_vertices[edge_vertex.edge_id][1 - edge_vertex.vertex_id] == vertex) {
        throw VelmoraBasicException(
            "[GraphBuilder::set_edge_vertex] An edge needs two different vertices, got ",
            vertex, " twice");
    }
    if (old == vertex)
        return;
    auto& around_old = impl.edges_around[old];
    around_old.erase(std::remove(around_old.begin(), around_old.end(), edge_vertex),
                     around_old.end());
    impl.edges_around[vertex].push_back(edge_vertex);
    impl.edge_vertices[edge_vertex.edge_id][edge_vertex.vertex_id] = vertex;
}

std::vector<index_t> GraphBuilder::delete_edges(const std::vector<bool>& to_delete) {
    auto& impl = *graph_.impl_;
    const index_t nb_edges = graph_.nb_edges();
    if (to_delete.size() != nb_edges) {
        throw VelmoraBasicException("[GraphBuilder::delete_edges] Mask has ",
                                    to_delete.size(), " entries for ", nb_edges,
                                    " edges");
    }
    std::vector<index_t> old2new(nb_edges, NO_ID);
    index_t nb_kept = 0;
    for (index_t e = 0; e < nb_edges; ++e) {
        if (!to_delete[e])
            old2new[e] = nb_kept++;
    }
    if (nb_kept == nb_edges)
        return old2new;
    impl.edge_attributes.remap_elements(old2new, nb_kept);
    for (index_t e = 0; e < nb_edges; ++e) {
        if (old2new[e] != NO_ID)
            impl.edge_vertices[old2new[e]] = impl.edge_vertices[e];
    }
    impl.edge_vertices.resize(nb_kept);
    for (auto& around : impl.edges_around) {
        EdgesAroundVertex kept;
        for (const auto& ev : around) {
            if (old2new[ev.edge_id] != NO_ID)
                kept.emplace_back(old2new[ev.edge_id], ev.vertex_id);
        }
        around = std::move(kept);
    }
    return old2new;
}

std::vector<index_t> GraphBuilder::delete_isolated_vertices() {
    auto& impl = *graph_.impl_;
    const index_t nb_vertices = graph_.nb_vertices();
    std::vector<index_t> old2new(nb_vertices, NO_ID);
    index_t nb_kept = 0;
    for (index_t v = 0; v < nb_vertices; ++v) {
        if (!impl.edges_around[v].empty())
            old2new[v] = nb_kept++;
    }
    if (nb_kept == nb_vertices)
        return old2new;
    remap_vertex_entries(old2new, nb_kept);
    for (index_t v = 0; v < nb_vertices; ++v) {
        if (old2new[v] != NO_ID)
            impl.edges_around[old2new[v]] = std::move(impl.edges_around[v]);
    }
    impl.edges_around.resize(nb_kept);
    for (auto& ev : impl.edge_vertices) {
        ev = {{old2new[ev[0]], old2new[ev[1]]}};
    }
    do_remap_vertices(old2new, nb_kept);
    return old2new;
}

}  // namespace orvane
