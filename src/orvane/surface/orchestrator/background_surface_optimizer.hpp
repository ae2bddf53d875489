#pragma once

#include <memory>

#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/toolkit/modifier/surface/constraint_modifier.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_improvement_simulator.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_optimizer.hpp>

namespace orvane::internal {

class BackgroundSurfaceConstraintModifier;

// The toolkit's optimiser on a background: every swap must be allowed by the common
// constraints and by is_swap_edge_allowed_by_macro_info, every collapse by both the
// constraints and allowed_collapse_edge_by_macro_info; the operations go through the
// background's constraint modifier, which keeps the macro information in step. Refers
// to the modifier and the simulator (caller-owned).
class BackgroundSurfaceOptimizer : public TriangulatedSurfaceOptimizer<2> {
public:
    BackgroundSurfaceOptimizer(
        BackgroundSurfaceConstraintModifier& modifier,
        const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator);
    BackgroundSurfaceOptimizer(BackgroundSurfaceOptimizer&& other) noexcept;
    ~BackgroundSurfaceOptimizer() override;

protected:
    bool is_swap_edge_allowed(const PolygonEdge& edge) const override;
    ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge(
        const PolygonEdge& edge) const override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The same over the toolkit's shift optimiser. Since a vertex is shifted only when
// allowed_collapse_edge lets it go towards every neighbour, no vertex carrying a macro
// vertex or a macro edge moves, nor one on the border of a macro element region.
class BackgroundSurfaceShiftOptimizer : public TriangulatedSurfaceShiftOptimizer<2> {
public:
    BackgroundSurfaceShiftOptimizer(
        BackgroundSurfaceConstraintModifier& modifier,
        const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator);
    BackgroundSurfaceShiftOptimizer(BackgroundSurfaceShiftOptimizer&& other) noexcept;
    ~BackgroundSurfaceShiftOptimizer() override;

protected:
    bool is_swap_edge_allowed(const PolygonEdge& edge) const override;
    ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge(
        const PolygonEdge& edge) const override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Optimises the triangles first_polygon, first_polygon + 1, ... up to the last one of
// the background (those the simulator flags). `first_polygon` equal to the triangle
// count is an empty run; beyond it is refused with an OrvaneBackgroundSurfaceException
// before anything is done. A failure while processing a triangle leaves as
// Orchestrator<unsigned int>::Exception; the background keeps the changes made so far.
void optimize_background_surface_elements(
    BackgroundSurfaceConstraintModifier& modifier,
    const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator,
    unsigned int first_polygon);

// The same with the shift optimiser.
void shift_optimize_background_surface_elements(
    BackgroundSurfaceConstraintModifier& modifier,
    const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator,
    unsigned int first_polygon);

}  // namespace orvane::internal
