#include <orvane/surface/orchestrator/background_surface_decimator.hpp>

#include <vector>

#include <orvane/kernel/basic/logger.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>
#include <orvane/surface/modifier/macro_info_predicates.hpp>
#include <orvane/toolkit/modifier/surface/surface_edge.hpp>

namespace orvane::internal {

BackgroundSurfaceAllNonMacroVertex::BackgroundSurfaceAllNonMacroVertex(
    const BackgroundSurface& background)
    : TriangulatedSurfaceDecimatorOperator<2>(background.surface()),
      background_(background) {}

BackgroundSurfaceAllNonMacroVertex::~BackgroundSurfaceAllNonMacroVertex() = default;

bool BackgroundSurfaceAllNonMacroVertex::skip_edge(const TriangulatedSurface<2>& surface,
                                                   const PolygonEdge& edge) const {
    for (const index_t vertex : surface.polygon_edge_vertices(edge)) {
        if (surface.is_vertex_isolated(vertex))
            continue;
        if (background_.macro_vertices(vertex).empty())
            return false;
    }
    return true;
}

struct BackgroundSurfaceDecimator::Impl {
    explicit Impl(BackgroundSurfaceConstraintModifier& modifier_in)
        : modifier(modifier_in) {}
    BackgroundSurfaceConstraintModifier& modifier;
};

BackgroundSurfaceDecimator::BackgroundSurfaceDecimator(
    BackgroundSurfaceConstraintModifier& modifier,
    const TriangulatedSurfaceDecimatorOperator<2>& decimator_operator)
    : TriangulatedSurfaceDecimator<2>(modifier, decimator_operator),
      impl_(std::make_unique<Impl>(modifier)) {}

BackgroundSurfaceDecimator::BackgroundSurfaceDecimator(
    BackgroundSurfaceDecimator&& other) noexcept = default;

BackgroundSurfaceDecimator::~BackgroundSurfaceDecimator() = default;

ALLOWED_COLLAPSE_VERTEX_VERTEX BackgroundSurfaceDecimator::allowed_collapse_edge(
    const PolygonEdge& edge) const {
    const auto& modifier = impl_->modifier;
    const auto by_constraints = allowed_collapse_edge_by_constraints(
        modifier.modifiable_surface(), edge, modifier.constraints());
    const auto by_macro_info = allowed_collapse_edge_by_macro_info(
        modifier.modifiable_background().object, edge);
    return combined_allowed(by_constraints, by_macro_info);
}

void decimate_background_surface(
    BackgroundSurfaceConstraintModifier& modifier,
    const TriangulatedSurfaceDecimatorOperator<2>& decimator_operator) {
    BackgroundSurfaceDecimator decimator{modifier, decimator_operator};
    const auto& surface = modifier.modifiable_surface().object;
    std::vector<SurfaceEdge<2>> edges;
    edges.reserve(3 * static_cast<std::size_t>(surface.nb_polygons()));
    for (index_t triangle = 0; triangle < surface.nb_polygons(); ++triangle) {
        for (local_index_t e = 0; e < 3; ++e) {
            const PolygonEdge edge{triangle, e};
            const auto vertices = surface.polygon_edge_vertices(edge);
            edges.emplace_back(edge, vertices[0], vertices[1]);
        }
    }
    decimator.apply(edges);
    Logger::trace("surface decimator: decimation done");
}

}  // namespace orvane::internal
