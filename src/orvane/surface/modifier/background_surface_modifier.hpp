#pragma once

#include <memory>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/toolkit/modifier/common/mapping.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

namespace orvane::internal {

class BackgroundSurface;
class BackgroundSurfaceBuilder;

// The toolkit's surface modifier over a background's surface, keeping the macro
// information attached: after each operation that re-creates edges or vertices, the
// operation's record goes to the background builder (MacroInfoBuilder2D), so that
// every algorithm working through this modifier (constraint modifier, orchestrators,
// inserter, carving) keeps input entities on the right elements without further help.
//
// Every override runs the toolkit's operation first and returns its result unchanged.
// A refused operation throws before any macro update, so it leaves the macro
// information as it was; a failure of the macro update itself propagates after the
// mesh change (the mesh and the macro information are then out of step).
//
// Not updated here: swaps, point moves, double-adjacency removals and split-collapses
// (the background constraint modifier does that work), and the cleans (the macro data
// are attributes and follow the kernel's renumbering).
//
// Refers to the background builder; the surface, the surface builder and the
// background builder must outlive the modifier.
class BackgroundSurfaceModifier : public TriangulatedSurfaceModifier<2> {
public:
    BackgroundSurfaceModifier(const BackgroundSurface& background,
                              BackgroundSurfaceBuilder& builder,
                              TriangulatedSurfaceBuilder<2>& surface_builder);
    BackgroundSurfaceModifier(BackgroundSurfaceModifier&& other) noexcept;
    ~BackgroundSurfaceModifier() override;

    // The outer edges keep their macro edges, the three edges to the new vertex start
    // with none.
    SplitTriangleInfo split_triangle(index_t triangle, const Point<2>& point) override;
    // Both halves carry what the split edge carried, and the new vertex lists it as
    // incident.
    SplitPolygonEdgeInfo split_edge(const PolygonEdge& edge,
                                    const Point<2>& point) override;
    // The kept vertex takes over the removed vertex's macro vertices and incident macro
    // edges, each renamed or merged edge what its predecessor carried. Whether the
    // collapse is acceptable for the macro information is the caller's question
    // (edge_configuration and the macro-information predicates).
    CollapseEdgeInfo collapse_edge(index_t edge, const Point<2>& point) override;
    CollapseEdgeInfo collapse_edge(const PolygonEdge& edge,
                                   const Point<2>& point) override;
    // Each new edge takes over the macro edges of the edge it replaces, in the order of
    // the returned mapping. Only edges are mapped: the macro vertices of the replaced
    // vertex stay where they are (the new vertex may lie elsewhere).
    BijectiveMapping<index_t, index_t> replace_vertex(index_t old_vertex,
                                                      index_t new_vertex) override;
    // The toolkit's, unchanged: the macro data follow the renumbering as attributes.
    std::vector<index_t> clean_triangles() override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::internal

namespace orvane {

// ModifiableObject<BackgroundSurface> pairs a background with this modifier.
template <>
struct ModifierOf<internal::BackgroundSurface> {
    using type = internal::BackgroundSurfaceModifier;
};

}  // namespace orvane
