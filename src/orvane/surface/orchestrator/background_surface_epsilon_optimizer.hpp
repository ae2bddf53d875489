#pragma once

#include <absl/types/span.h>

#include <orvane/kernel/geometry/triangle.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_improvement_simulator.hpp>

namespace orvane::internal {

class BackgroundSurfaceConstraintModifier;

// Flags the triangles that epsilon optimisation repairs: those with an internal
// distance (a short edge, a vertex almost on its opposite edge, a double adjacency)
// under 1e-6. The distances found are stored for the optimiser's classification. Metric:
// the triangle's smallest internal distance.
class BackgroundSurfaceEpsilonOptimizerImprovementSimulator
    : public TriangulatedSurfaceInternalDistanceImprovementSimulator<2> {
public:
    BackgroundSurfaceEpsilonOptimizerImprovementSimulator() = default;
    BackgroundSurfaceEpsilonOptimizerImprovementSimulator(
        const BackgroundSurfaceEpsilonOptimizerImprovementSimulator&) = default;
    BackgroundSurfaceEpsilonOptimizerImprovementSimulator(
        BackgroundSurfaceEpsilonOptimizerImprovementSimulator&&) noexcept = default;
    BackgroundSurfaceEpsilonOptimizerImprovementSimulator& operator=(
        const BackgroundSurfaceEpsilonOptimizerImprovementSimulator&) = default;
    BackgroundSurfaceEpsilonOptimizerImprovementSimulator& operator=(
        BackgroundSurfaceEpsilonOptimizerImprovementSimulator&&) noexcept = default;
    ~BackgroundSurfaceEpsilonOptimizerImprovementSimulator() override;

    bool require_improvement(const TriangulatedSurface<2>& surface,
                             unsigned int triangle) const override;
    double metric(const Triangle<2>& triangle) const override;
};

// Repairs the almost flat triangles among `triangles` (and among those the repairs
// create): vertices almost on top of each other, a vertex almost on its opposite edge,
// double adjacencies. Every change goes through `modifier`, so the macro information
// and the common constraints stay consistent; a split it needs forbids the collapse of
// the edge it created (in the modifier's constraints). Strict: when a triangle cannot be
// repaired the call throws OrvaneBackgroundSurfaceEpsilonOptimizerException ("Failed to
// epsilon optimize the surface", with the failure as its parent), and any other failure
// leaves as that exception too. Changes made before a failure stay.
void epsilon_optimize_background_surface_elements(
    BackgroundSurfaceConstraintModifier& modifier,
    absl::Span<const unsigned int> triangles);

}  // namespace orvane::internal
