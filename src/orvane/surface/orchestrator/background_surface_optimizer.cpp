#include <orvane/surface/orchestrator/background_surface_optimizer.hpp>

#include <string_view>

#include <absl/container/inlined_vector.h>

#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/common/surface_exception.hpp>
#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>
#include <orvane/surface/modifier/macro_info_predicates.hpp>

namespace orvane::internal {
namespace {

bool swap_allowed(const BackgroundSurfaceConstraintModifier& modifier,
                  const PolygonEdge& edge) {
    // Both are asked, whatever the first says: neither has side effects.
    const bool by_constraints = is_swap_edge_allowed_by_constraints(
        modifier.modifiable_surface(), edge, std::nullopt, modifier.constraints());
    const bool by_macro_info = is_swap_edge_allowed_by_macro_info(
        modifier.modifiable_background().object, edge, std::nullopt);
    return by_constraints && by_macro_info;
}

ALLOWED_COLLAPSE_VERTEX_VERTEX collapse_allowed(
    const BackgroundSurfaceConstraintModifier& modifier, const PolygonEdge& edge) {
    const auto by_constraints = allowed_collapse_edge_by_constraints(
        modifier.modifiable_surface(), edge, modifier.constraints());
    const auto by_macro_info = allowed_collapse_edge_by_macro_info(
        modifier.modifiable_background().object, edge);
    return combined_allowed(by_constraints, by_macro_info);
}

template <typename Optimizer>
void run_optimizer(
    BackgroundSurfaceConstraintModifier& modifier,
    const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator,
    unsigned int first_polygon, std::string_view operation) {
    const unsigned int nb_polygons =
        modifier.modifiable_background().object.surface().nb_polygons();
    // The difference below would wrap around and queue billions of indices.
    if (first_polygon > nb_polygons) {
        throw OrvaneBackgroundSurfaceException(
            {}, "[", operation, "] First polygon ", first_polygon,
            " is beyond the number of triangles (", nb_polygons, ")");
    }
    Optimizer optimizer{modifier, simulator};
    const unsigned int nb_elements = nb_polygons - first_polygon;
    absl::InlinedVector<unsigned int, 64> triangles;
    triangles.reserve(nb_elements);
    for (unsigned int i = 0; i < nb_elements; ++i)
        triangles.push_back(first_polygon + i);
    optimizer.apply(triangles);
}

}  // namespace

struct BackgroundSurfaceOptimizer::Impl {
    explicit Impl(BackgroundSurfaceConstraintModifier& modifier_in)
        : modifier(modifier_in) {}
    BackgroundSurfaceConstraintModifier& modifier;
};

BackgroundSurfaceOptimizer::BackgroundSurfaceOptimizer(
    BackgroundSurfaceConstraintModifier& modifier,
    const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator)
    : TriangulatedSurfaceOptimizer<2>(modifier, simulator),
      impl_(std::make_unique<Impl>(modifier)) {}

BackgroundSurfaceOptimizer::BackgroundSurfaceOptimizer(
    BackgroundSurfaceOptimizer&& other) noexcept = default;

BackgroundSurfaceOptimizer::~BackgroundSurfaceOptimizer() = default;

bool BackgroundSurfaceOptimizer::is_swap_edge_allowed(const PolygonEdge& edge) const {
    return swap_allowed(impl_->modifier, edge);
}

ALLOWED_COLLAPSE_VERTEX_VERTEX BackgroundSurfaceOptimizer::allowed_collapse_edge(
    const PolygonEdge& edge) const {
    return collapse_allowed(impl_->modifier, edge);
}

struct BackgroundSurfaceShiftOptimizer::Impl {
    explicit Impl(BackgroundSurfaceConstraintModifier& modifier_in)
        : modifier(modifier_in) {}
    BackgroundSurfaceConstraintModifier& modifier;
};

BackgroundSurfaceShiftOptimizer::BackgroundSurfaceShiftOptimizer(
    BackgroundSurfaceConstraintModifier& modifier,
    const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator)
    : TriangulatedSurfaceShiftOptimizer<2>(modifier, simulator),
      impl_(std::make_unique<Impl>(modifier)) {}

BackgroundSurfaceShiftOptimizer::BackgroundSurfaceShiftOptimizer(
    BackgroundSurfaceShiftOptimizer&& other) noexcept = default;

BackgroundSurfaceShiftOptimizer::~BackgroundSurfaceShiftOptimizer() = default;

bool BackgroundSurfaceShiftOptimizer::is_swap_edge_allowed(
    const PolygonEdge& edge) const {
    return swap_allowed(impl_->modifier, edge);
}

ALLOWED_COLLAPSE_VERTEX_VERTEX BackgroundSurfaceShiftOptimizer::allowed_collapse_edge(
    const PolygonEdge& edge) const {
    return collapse_allowed(impl_->modifier, edge);
}

void optimize_background_surface_elements(
    BackgroundSurfaceConstraintModifier& modifier,
    const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator,
    unsigned int first_polygon) {
    run_optimizer<BackgroundSurfaceOptimizer>(modifier, simulator, first_polygon,
                                              "optimize_background_surface_elements");
}

void shift_optimize_background_surface_elements(
    BackgroundSurfaceConstraintModifier& modifier,
    const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator,
    unsigned int first_polygon) {
    run_optimizer<BackgroundSurfaceShiftOptimizer>(
        modifier, simulator, first_polygon, "shift_optimize_background_surface_elements");
}

}  // namespace orvane::internal
