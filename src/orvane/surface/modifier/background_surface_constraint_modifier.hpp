#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>
#include <orvane/toolkit/modifier/common/mapping.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_constraint_modifier.hpp>

namespace orvane::internal {

class BackgroundSurface;
class BackgroundSurfaceBuilder;

// The constrained modifier of a background: the toolkit's constrained operations on the
// background's surface through its BackgroundSurfaceModifier (so collapses and splits
// keep the macro information by themselves), plus the macro-information work of the
// three composite operations that replace edges and triangles by others lying along
// the same input entities: swap, split-collapse through the apex, and double-adjacency
// removal. After the toolkit's operation, the affected triangles, edges and vertices
// take over (through the builder) the macro information of what they replace.
//
// Which operations the macro information allows is asked beforehand, with the
// predicates of macro_info_predicates.hpp combined with the constraint predicates.
//
// Refers to the background, its modifier and its builder (caller-owned; they must
// outlive it). Movable, not copyable; a moved-from object keeps no private part.
class BackgroundSurfaceConstraintModifier
    : public TriangulatedSurfaceConstraintModifier<2> {
public:
    BackgroundSurfaceConstraintModifier(
        ModifiableObject<BackgroundSurface> modifiable_background,
        BackgroundSurfaceBuilder& builder,
        ConstraintModifier::CommonConstraints constraints);
    BackgroundSurfaceConstraintModifier(
        BackgroundSurfaceConstraintModifier&& other) noexcept;
    BackgroundSurfaceConstraintModifier& operator=(
        BackgroundSurfaceConstraintModifier&& other) noexcept;
    ~BackgroundSurfaceConstraintModifier() override;

    ModifiableObject<BackgroundSurface>& modifiable_background();
    const ModifiableObject<BackgroundSurface>& modifiable_background() const;
    BackgroundSurfaceBuilder& background_builder();

    using TriangulatedSurfaceConstraintModifier<2>::split_collapse_edge;

    // The toolkit's swap; both new triangles take over the macro elements of the
    // triangle across the edge, and with an apex w both edges from the swapped edge's
    // ends to w take over its macro edges (the edge is re-routed through w).
    std::vector<index_t> swap_edge(const PolygonEdge& edge,
                                   const std::optional<PolygonVertex>& apex) override;
    // The toolkit's split-collapse; with an apex, when the edge carries macro edges, both
    // edges from its ends to the apex take them over.
    SplitInfo split_collapse_edge(const PolygonEdge& edge,
                                  const std::optional<PolygonVertex>& apex) override;
    // The toolkit's removal, keeping the vertex exactly when it carries macro
    // information (a macro vertex or an incident macro edge); the vertex replacing it
    // takes over its macro information, and its edges those of the removed vertex's.
    RemoveAdjacencyInfo remove_double_adjacency(index_t vertex) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::internal
