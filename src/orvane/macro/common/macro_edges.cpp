#include <orvane/macro/common/macro_edges.hpp>

#include <orvane/macro/common/macro_store_detail.hpp>

namespace orvane::internal {

namespace {

constexpr std::string_view MACRO_EDGES_NAME = "orvane_macro_edges";
constexpr std::string_view INCIDENT_MACRO_EDGES_NAME = "orvane_incident_macro_edges";

}  // namespace

struct MacroEdges::Impl {
    std::shared_ptr<VariableAttribute<MeshEdges>> edges;
    std::shared_ptr<VariableAttribute<MeshEdges>> incident;

    bool initialized() const { return edges != nullptr; }
};

MacroEdges::MacroEdges() : impl_(std::make_unique<Impl>()) {}
MacroEdges::MacroEdges(MacroEdges&& other) noexcept = default;
MacroEdges& MacroEdges::operator=(MacroEdges&& other) noexcept = default;
MacroEdges::~MacroEdges() = default;

bool MacroEdges::is_macro_edges_data_base_initialized() const {
    return impl_ && impl_->initialized();
}

VariableAttribute<MeshEdges>& MacroEdges::edges_attribute() const {
    if (!is_macro_edges_data_base_initialized()) {
        macro_store::throw_store_exception(
            "[MacroEdges::macro_edges] Macro edges data base is not initialized");
    }
    return *impl_->edges;
}

VariableAttribute<MeshEdges>& MacroEdges::incident_attribute() const {
    if (!is_macro_edges_data_base_initialized()) {
        macro_store::throw_store_exception(
            "[MacroEdges::incident_macro_edges] Macro edges data base is not "
            "initialized");
    }
    return *impl_->incident;
}

const MeshEdges& MacroEdges::macro_edges(index_t edge) const {
    return edges_attribute().value(edge);
}

const MeshEdges& MacroEdges::incident_macro_edges(index_t vertex) const {
    return incident_attribute().value(vertex);
}

MacroEdges::EdgesAroundVertex MacroEdges::edges_around_vertex(index_t vertex) const {
    EdgesAroundVertex result;
    const index_t nb_edges = edges_attribute().nb_elements();
    for (index_t e = 0; e < nb_edges; ++e) {
        const auto& vertices = edge_vertices(e);
        if (vertices[0] == vertex || vertices[1] == vertex) {
            result.push_back(e);
        }
    }
    return result;
}

void MacroEdges::initialize_macro_edges_data_base(AttributeManager& vertices,
                                                  AttributeManager& edges) {
    if (!impl_) {
        impl_ = std::make_unique<Impl>();
    }
    // As for MacroInfo: a conflict leaves this store and the managers as they were.
    macro_store::AttributeBinding binding;
    auto macro_edges = binding.bind<VariableAttribute, MeshEdges>(
        edges, MACRO_EDGES_NAME, MeshEdges{}, AttributeProperties{false, false, false});
    auto incident = binding.bind<VariableAttribute, MeshEdges>(
        vertices, INCIDENT_MACRO_EDGES_NAME, MeshEdges{},
        AttributeProperties{false, false, false});
    binding.dismiss();
    impl_->edges = std::move(macro_edges);
    impl_->incident = std::move(incident);
}

void MacroEdges::clean_macro_edges_data_base(AttributeManager& vertices,
                                             AttributeManager& edges) {
    edges.delete_attribute(MACRO_EDGES_NAME);
    vertices.delete_attribute(INCIDENT_MACRO_EDGES_NAME);
    if (impl_) {
        *impl_ = Impl{};
    }
}

}  // namespace orvane::internal
