#pragma once

#include <array>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include <absl/types/span.h>

#include <orvane/kernel/basic/attribute_manager.hpp>
#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/macro/common/macro_edges.hpp>
#include <orvane/macro/common/macro_entities.hpp>
#include <orvane/macro/common/macro_info.hpp>

namespace orvane::internal {

class BackgroundSurface;

// How the macro information of the two vertices of an edge relates, for callers that
// decide whether the edge may be collapsed and which end may go. One code per vertex,
// in the order of edge_vertices(edge):
// - 0: the vertex carries no macro information (no macro vertex, no incident macro
//   edge);
// - 1: both carry macro information and each may move onto the other;
// - 2: this vertex may move onto the other, not the reverse;
// - 3: both vertices carry at least one macro vertex;
// - 4: this vertex carries macro information and may not move onto the other, or the
//   other carries none.
// A vertex v "may move onto" w along edge e when its macro vertices (if any) are among
// w's, its incident macro edges are among w's and all run along e.
struct EdgeMacroInfoConfig {
    index_t edge{NO_ID};
    std::array<index_t, 2> vertex_configurations{{0, 0}};
};

// The two macro-information stores of a surface, read side: vertices and triangles
// (MacroInfo), edges and incident edges of vertices (MacroEdges). The derived class
// chooses the mesh and says which vertices an edge has.
class MacroInfo2D : public MacroInfo, public MacroEdges {
public:
    MacroInfo2D(const MacroInfo2D&) = delete;
    MacroInfo2D& operator=(const MacroInfo2D&) = delete;
    ~MacroInfo2D() override;

    // Classifies edge `edge` of `background`'s surface (see EdgeMacroInfoConfig), from
    // the background's lists. O(length of the lists of both vertices and the edge).
    EdgeMacroInfoConfig edge_configuration(index_t edge,
                                           const BackgroundSurface& background) const;

protected:
    MacroInfo2D();
    MacroInfo2D(MacroInfo2D&& other) noexcept;

    // Binds both stores: macro vertices and elements, then macro edges.
    void initialize_macro_info_surface_data_base(AttributeManager& vertices,
                                                 AttributeManager& edges,
                                                 AttributeManager& polygons);
    // Removes the data of both stores from the managers.
    void clean_background_surface_data_base(AttributeManager& vertices,
                                            AttributeManager& edges,
                                            AttributeManager& polygons);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A view over a caller's TriangulatedSurface<2> that attaches macro information to it:
// which input vertices sit on each vertex, which input edges run along each edge and
// pass through each vertex, which input elements cover each triangle.
//
// The background refers to the surface and owns nothing: the caller keeps the surface
// alive, and in place, for the background's whole life. The macro data are attributes
// of the surface while a background exists: the constructor creates them (or binds to
// same-named ones already there, as on a clone of a bound surface) and the destructor
// removes them. Writes go through a BackgroundSurfaceBuilder.
class BackgroundSurface : public MacroInfo2D {
public:
    // Enables the surface's edges when they are not yet, then binds the macro data.
    explicit BackgroundSurface(const TriangulatedSurface<2>& surface);
    // The source keeps no surface: its destructor touches nothing, and every query on it
    // throws.
    BackgroundSurface(BackgroundSurface&& other) noexcept;
    ~BackgroundSurface() override;

    const TriangulatedSurface<2>& surface() const;

    // A copy of the surface with its macro data, and a background bound to that copy.
    // The background refers to the returned surface: destroy it first.
    std::tuple<std::unique_ptr<TriangulatedSurface<2>>,
               std::unique_ptr<BackgroundSurface>>
    clone() const;
    // A copy of the surface's geometry and attributes without the macro data.
    std::unique_ptr<TriangulatedSurface<2>> clone_surface() const;

    // The first polygon edge on the border, in triangle-then-local-edge order, over every
    // stored triangle (including those a modifier has deactivated). Throws an
    // OrvaneBackgroundSurfaceException when there is none.
    PolygonEdge one_border_polygon_edge() const;

    const std::array<index_t, 2>& edge_vertices(index_t edge) const override;
    // The edges from `vertex` to each of its neighbours in the triangulation (so edges
    // that no triangle uses any more are not among them). O(valence).
    EdgesAroundVertex edges_around_vertex(index_t vertex) const override;

    // The chain of edges carrying `macro_edge` from vertices[0] to vertices[1], as
    // (edge, true when the walk goes from the smaller to the larger vertex index) in
    // walking order; nothing when the two vertices are equal or no chain is found. Each
    // edge leaving vertices[0] that carries the macro edge starts one walk, which
    // follows vertices with exactly two carrying edges. A walk is bounded to 1000 steps
    // (a chain of at most 1000 edges): reaching the bound throws an
    // OrvaneBackgroundSurfaceException whose payload is the Point<2> where the walk
    // stood. A missing edge between neighbours raises std::bad_optional_access.
    std::optional<std::vector<std::pair<index_t, bool>>> macro_edge_path(
        const std::array<index_t, 2>& vertices, const MeshEdge& macro_edge) const;

    // The triangles carrying `macro_element` reached from a carrying triangle of
    // edges[0] without crossing the given edges, the start triangle first, then in
    // discovery (breadth-first) order; nothing when `edges` is empty or no start
    // triangle gives a closed patch. A walk that meets a non-given edge without a new
    // carrying triangle across it fails. Bounded to 1000 triangles taken off the queue:
    // reaching the bound throws an OrvaneBackgroundSurfaceException whose payload is the
    // barycenter of the start triangle.
    std::optional<std::vector<index_t>> macro_element_patch(
        absl::Span<const index_t> edges, const MeshElement& macro_element) const;

    // The macro elements carried by triangles around all three vertices: those of the
    // triangles around vertices[2] that occur around vertices[1] and vertices[0]. An
    // element appears once per triangle around vertices[2] that carries it.
    std::vector<MeshElement> common_macro_facets(
        const std::array<index_t, 3>& vertices) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::internal
