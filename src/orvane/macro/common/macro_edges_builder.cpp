#include <orvane/macro/common/macro_edges_builder.hpp>

#include <orvane/macro/common/macro_edges.hpp>
#include <orvane/macro/common/macro_store_detail.hpp>

namespace orvane::internal {

struct MacroEdgesBuilder::Impl {
    explicit Impl(MacroEdges& edges_in) : edges(edges_in) {}

    // Gives `macro_edge` to `edge` and to both its vertices.
    void give_edge(const MeshEdge& macro_edge, index_t edge) {
        edges.edges_attribute().modify_value(
            edge, [&](MeshEdges& list) { macro_store::add_unique(list, macro_edge); });
        const auto vertices = edges.edge_vertices(edge);
        give_vertex(macro_edge, vertices[0]);
        give_vertex(macro_edge, vertices[1]);
    }

    void give_vertex(const MeshEdge& macro_edge, index_t vertex) {
        edges.incident_attribute().modify_value(
            vertex, [&](MeshEdges& list) { macro_store::add_unique(list, macro_edge); });
    }

    // Edge `target` receives every macro edge of edge `source`.
    void take_over_edge(index_t target, index_t source) {
        check_edge(target, "update_edge");
        if (source == NO_ID || source == target) {
            return;
        }
        const MeshEdges carried = edges.edges_attribute().value(source);
        for (const auto& macro_edge : carried) {
            give_edge(macro_edge, target);
        }
    }

    // A mapping must name an existing element after the operation, whatever its
    // sources carry.
    void check_edge(index_t edge, const char* operation) const {
        const index_t nb = edges.edges_attribute().nb_elements();
        if (edge >= nb) {
            macro_store::throw_store_exception("[MacroEdgesBuilder::", operation,
                                               "] Edge ", edge, " out of range (", nb,
                                               " edges)");
        }
    }

    void check_vertex(index_t vertex, const char* operation) const {
        const index_t nb = edges.incident_attribute().nb_elements();
        if (vertex >= nb) {
            macro_store::throw_store_exception("[MacroEdgesBuilder::", operation,
                                               "] Vertex ", vertex, " out of range (", nb,
                                               " vertices)");
        }
    }

    bool is_carried_elsewhere(const MeshEdge& macro_edge, index_t vertex,
                              index_t removed_edge) const {
        const auto& attribute = edges.edges_attribute();
        for (const index_t edge : edges.edges_around_vertex(vertex)) {
            if (edge != removed_edge &&
                macro_store::contains(attribute.value(edge), macro_edge)) {
                return true;
            }
        }
        return false;
    }

    MacroEdges& edges;
};

MacroEdgesBuilder::MacroEdgesBuilder(MacroEdges& edges)
    : impl_(std::make_unique<Impl>(edges)) {}
MacroEdgesBuilder::MacroEdgesBuilder(MacroEdgesBuilder&& other) noexcept = default;
MacroEdgesBuilder::~MacroEdgesBuilder() = default;

void MacroEdgesBuilder::add_macro_edge_info(const MeshEdge& macro_edge,
                                            absl::Span<const index_t> edges) {
    for (const index_t edge : edges) {
        impl_->give_edge(macro_edge, edge);
    }
}

void MacroEdgesBuilder::add_macro_edge_info_on_vertex(const MeshEdge& macro_edge,
                                                      index_t vertex) {
    impl_->give_vertex(macro_edge, vertex);
}

void MacroEdgesBuilder::remove_macro_edge_info(const MeshEdge& macro_edge, index_t edge) {
    bool removed = false;
    impl_->edges.edges_attribute().modify_value(edge, [&](MeshEdges& list) {
        removed = macro_store::remove_entity(list, macro_edge);
    });
    if (!removed) {
        // The vertices' lists were not made by this edge; leave them alone.
        return;
    }
    const auto vertices = impl_->edges.edge_vertices(edge);
    for (const index_t vertex : vertices) {
        if (impl_->is_carried_elsewhere(macro_edge, vertex, edge)) {
            continue;
        }
        impl_->edges.incident_attribute().modify_value(vertex, [&](MeshEdges& list) {
            macro_store::remove_entity(list, macro_edge);
        });
    }
}

void MacroEdgesBuilder::update_edge(const Mapping<index_t>& mapping) {
    impl_->take_over_edge(mapping.first, mapping.second);
}

void MacroEdgesBuilder::update_edges(absl::Span<const Mapping<index_t>> mappings) {
    for (const auto& mapping : mappings) {
        update_edge(mapping);
    }
}

void MacroEdgesBuilder::update_edges(absl::Span<const MultiMapping<index_t>> mappings) {
    for (const auto& mapping : mappings) {
        impl_->check_edge(mapping.first, "update_edges");
        for (const index_t source : mapping.second) {
            impl_->take_over_edge(mapping.first, source);
        }
    }
}

void MacroEdgesBuilder::update_edge_vertex(const MultiMapping<index_t>& mapping) {
    impl_->check_vertex(mapping.first, "update_edge_vertex");
    auto& attribute = impl_->edges.incident_attribute();
    for (const index_t source_vertex : mapping.second) {
        if (source_vertex == NO_ID || source_vertex == mapping.first) {
            continue;
        }
        const MeshEdges source = attribute.value(source_vertex);
        attribute.modify_value(mapping.first, [&](MeshEdges& list) {
            macro_store::merge_unique(list, source);
        });
    }
}

}  // namespace orvane::internal
