#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>

#include <utility>

#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>

namespace orvane::internal {

struct BackgroundSurfaceConstraintModifier::Impl {
    Impl(ModifiableObject<BackgroundSurface> modifiable_in,
         BackgroundSurfaceBuilder& builder_in)
        : modifiable(modifiable_in), builder(builder_in) {}

    ModifiableObject<BackgroundSurface> modifiable;
    BackgroundSurfaceBuilder& builder;
};

BackgroundSurfaceConstraintModifier::BackgroundSurfaceConstraintModifier(
    ModifiableObject<BackgroundSurface> modifiable_background,
    BackgroundSurfaceBuilder& builder, ConstraintModifier::CommonConstraints constraints)
    : TriangulatedSurfaceConstraintModifier<2>(
          ModifiableObject<TriangulatedSurface<2>>{modifiable_background.object.surface(),
                                                   modifiable_background.modifier},
          std::move(constraints)),
      impl_(std::make_unique<Impl>(modifiable_background, builder)) {}

BackgroundSurfaceConstraintModifier::BackgroundSurfaceConstraintModifier(
    BackgroundSurfaceConstraintModifier&& other) noexcept = default;
BackgroundSurfaceConstraintModifier& BackgroundSurfaceConstraintModifier::operator=(
    BackgroundSurfaceConstraintModifier&& other) noexcept = default;
BackgroundSurfaceConstraintModifier::~BackgroundSurfaceConstraintModifier() = default;

ModifiableObject<BackgroundSurface>&
BackgroundSurfaceConstraintModifier::modifiable_background() {
    return impl_->modifiable;
}
const ModifiableObject<BackgroundSurface>&
BackgroundSurfaceConstraintModifier::modifiable_background() const {
    return impl_->modifiable;
}
BackgroundSurfaceBuilder& BackgroundSurfaceConstraintModifier::background_builder() {
    return impl_->builder;
}

std::vector<index_t> BackgroundSurfaceConstraintModifier::swap_edge(
    const PolygonEdge& edge, const std::optional<PolygonVertex>& apex) {
    const auto& surface = impl_->modifiable.object.surface();
    auto& builder = impl_->builder;
    const auto vertices = surface.polygon_edge_vertices(edge);
    const auto across = surface.polygon_adjacent_edge(edge);
    const index_t old_edge = surface.edges().edge_from_vertices(vertices).value();

    auto triangles = TriangulatedSurfaceConstraintModifier<2>::swap_edge(edge, apex);
    for (const index_t t : triangles)
        builder.update_element(Mapping<index_t>{t, across.value().polygon_id});
    if (apex) {
        const index_t w = surface.polygon_vertex(*apex);
        for (const index_t end : vertices) {
            const index_t route = surface.edges().edge_from_vertices({{end, w}}).value();
            builder.update_edge(Mapping<index_t>{route, old_edge});
        }
    }
    return triangles;
}

ConstraintModifier::SplitInfo BackgroundSurfaceConstraintModifier::split_collapse_edge(
    const PolygonEdge& edge, const std::optional<PolygonVertex>& apex) {
    const auto& background = impl_->modifiable.object;
    const auto& surface = background.surface();
    auto& builder = impl_->builder;
    const auto vertices = surface.polygon_edge_vertices(edge);

    auto info = TriangulatedSurfaceConstraintModifier<2>::split_collapse_edge(edge, apex);
    if (apex) {
        const index_t w =
            impl_->modifiable.modifier.updated_vertex(surface.polygon_vertex(*apex))
                .value();
        const index_t old_edge = surface.edges().edge_from_vertices(vertices).value();
        if (!background.macro_edges(old_edge).empty()) {
            for (const index_t end : vertices) {
                const index_t route =
                    surface.edges().edge_from_vertices({{end, w}}).value();
                builder.update_edge(Mapping<index_t>{route, old_edge});
            }
        }
    }
    return info;
}

ConstraintModifier::RemoveAdjacencyInfo
BackgroundSurfaceConstraintModifier::remove_double_adjacency(index_t vertex) {
    const auto& background = impl_->modifiable.object;
    const auto& surface = background.surface();
    auto& builder = impl_->builder;
    const auto around = surface.vertices_around_vertex(vertex);
    const bool keep = !background.macro_vertices(vertex).empty() ||
                      !background.incident_macro_edges(vertex).empty();

    auto info = do_remove_double_adjacency(vertex, keep);
    if (info.vertex) {
        const index_t u = *info.vertex;
        builder.update_vertex(MultiMapping<index_t>{u, {vertex}});
        for (const index_t d : around) {
            const index_t old_edge =
                surface.edges().edge_from_vertices({{d, vertex}}).value();
            const index_t new_edge = surface.edges().edge_from_vertices({{d, u}}).value();
            builder.update_edge(Mapping<index_t>{new_edge, old_edge});
        }
    }
    return info;
}

}  // namespace orvane::internal
