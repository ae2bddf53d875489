#pragma once

#include <memory>

#include <absl/types/span.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/macro/common/macro_entities.hpp>
#include <orvane/toolkit/modifier/common/mapping.hpp>

namespace orvane::internal {

class MacroEdges;

// Write access to a MacroEdges store. It refers to the store and owns nothing.
//
// Invariant kept by every operation: a macro edge carried by an edge is an incident
// macro edge of both vertices of that edge (`MacroEdges::edge_vertices`).
//
// Updates follow the same rule as MacroInfoBuilder's: `first` receives, in order and
// without duplicates, what the sources carry; NO_ID sources are ignored; sources keep
// their lists.
class MacroEdgesBuilder {
public:
    explicit MacroEdgesBuilder(MacroEdges& edges);
    MacroEdgesBuilder(MacroEdgesBuilder&& other) noexcept;
    MacroEdgesBuilder(const MacroEdgesBuilder&) = delete;
    MacroEdgesBuilder& operator=(const MacroEdgesBuilder&) = delete;
    ~MacroEdgesBuilder();

    // Gives `macro_edge` to every edge of `edges` and to both vertices of each.
    void add_macro_edge_info(const MeshEdge& macro_edge, absl::Span<const index_t> edges);
    // Lists `macro_edge` as incident on `vertex` alone (an end of an input edge whose
    // background edges are not there yet).
    void add_macro_edge_info_on_vertex(const MeshEdge& macro_edge, index_t vertex);
    // Takes `macro_edge` off `edge`, and off each vertex of `edge` unless another edge
    // at that vertex (MacroEdges::edges_around_vertex) still carries it: the vertex
    // still lies on the input edge then, and dropping it would break the invariant
    // above for that other edge.
    void remove_macro_edge_info(const MeshEdge& macro_edge, index_t edge);

    // Edge `mapping.first` takes over the macro edges of edge `mapping.second`, and its
    // vertices list them as incident.
    void update_edge(const Mapping<index_t>& mapping);
    // update_edge for each mapping, in order.
    void update_edges(absl::Span<const Mapping<index_t>> mappings);
    // Edge `first` takes over the macro edges of every edge of `second`, for each
    // mapping in order.
    void update_edges(absl::Span<const MultiMapping<index_t>> mappings);
    // Vertex `mapping.first` takes over the incident macro edges of every vertex of
    // `mapping.second`.
    void update_edge_vertex(const MultiMapping<index_t>& mapping);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::internal
