#pragma once

#include <memory>

#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/toolkit/modifier/surface/constraint_modifier.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_decimator.hpp>

namespace orvane::internal {

class BackgroundSurface;
class BackgroundSurfaceConstraintModifier;

// The library's decimator operator: an edge is decimated only when one of its live
// ends (a vertex some triangle still uses) carries no macro vertex; an edge between two
// macro vertices, or between a macro vertex and an isolated vertex, is left alone.
// Refers to the background (caller-owned).
class BackgroundSurfaceAllNonMacroVertex
    : public TriangulatedSurfaceDecimatorOperator<2> {
public:
    explicit BackgroundSurfaceAllNonMacroVertex(const BackgroundSurface& background);
    BackgroundSurfaceAllNonMacroVertex(const BackgroundSurfaceAllNonMacroVertex&) =
        default;
    BackgroundSurfaceAllNonMacroVertex(BackgroundSurfaceAllNonMacroVertex&&) = default;
    ~BackgroundSurfaceAllNonMacroVertex() override;

    bool skip_edge(const TriangulatedSurface<2>& surface,
                   const PolygonEdge& edge) const override;

private:
    const BackgroundSurface& background_;
};

// The toolkit's decimator on a background: every collapse must be allowed both by the
// common constraints and by the macro information (allowed_collapse_edge_by_macro_info),
// and goes through the background's constraint modifier, which keeps the macro
// information in step. Refers to the modifier and the operator (caller-owned).
class BackgroundSurfaceDecimator : public TriangulatedSurfaceDecimator<2> {
public:
    BackgroundSurfaceDecimator(
        BackgroundSurfaceConstraintModifier& modifier,
        const TriangulatedSurfaceDecimatorOperator<2>& decimator_operator);
    BackgroundSurfaceDecimator(BackgroundSurfaceDecimator&& other) noexcept;
    ~BackgroundSurfaceDecimator() override;

protected:
    ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge(
        const PolygonEdge& edge) const override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Decimates the whole background: every edge of every triangle (inactive ones
// included, which the decimator then skips), three per triangle in triangle order, is
// handed to a BackgroundSurfaceDecimator. Logs "surface decimator: decimation done" at
// trace level when the run ends (quietly, also when a guard stopped it). A failure
// while processing an edge leaves as Orchestrator<SurfaceEdge<2>>::Exception; the
// background keeps the changes made until then.
void decimate_background_surface(
    BackgroundSurfaceConstraintModifier& modifier,
    const TriangulatedSurfaceDecimatorOperator<2>& decimator_operator);

}  // namespace orvane::internal
