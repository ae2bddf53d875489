#include <orvane/surface/modifier/background_surface_modifier.hpp>

#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>

namespace orvane::internal {

struct BackgroundSurfaceModifier::Impl {
    explicit Impl(BackgroundSurfaceBuilder& builder_in) : builder(builder_in) {}
    BackgroundSurfaceBuilder& builder;
};

BackgroundSurfaceModifier::BackgroundSurfaceModifier(
    const BackgroundSurface& background, BackgroundSurfaceBuilder& builder,
    TriangulatedSurfaceBuilder<2>& surface_builder)
    : TriangulatedSurfaceModifier<2>(background.surface(), surface_builder),
      impl_(std::make_unique<Impl>(builder)) {}

BackgroundSurfaceModifier::BackgroundSurfaceModifier(
    BackgroundSurfaceModifier&& other) noexcept = default;

BackgroundSurfaceModifier::~BackgroundSurfaceModifier() = default;

TriangulatedSurfaceModifier<2>::SplitTriangleInfo
BackgroundSurfaceModifier::split_triangle(index_t triangle, const Point<2>& point) {
    auto info = TriangulatedSurfaceModifier<2>::split_triangle(triangle, point);
    impl_->builder.update_information(info);
    return info;
}

TriangulatedSurfaceModifier<2>::SplitPolygonEdgeInfo
BackgroundSurfaceModifier::split_edge(const PolygonEdge& edge, const Point<2>& point) {
    auto info = TriangulatedSurfaceModifier<2>::split_edge(edge, point);
    impl_->builder.update_information(info);
    return info;
}

TriangulatedSurfaceModifier<2>::CollapseEdgeInfo BackgroundSurfaceModifier::collapse_edge(
    index_t edge, const Point<2>& point) {
    auto info = TriangulatedSurfaceModifier<2>::collapse_edge(edge, point);
    impl_->builder.update_information(info);
    return info;
}

TriangulatedSurfaceModifier<2>::CollapseEdgeInfo BackgroundSurfaceModifier::collapse_edge(
    const PolygonEdge& edge, const Point<2>& point) {
    auto info = TriangulatedSurfaceModifier<2>::collapse_edge(edge, point);
    impl_->builder.update_information(info);
    return info;
}

BijectiveMapping<index_t, index_t> BackgroundSurfaceModifier::replace_vertex(
    index_t old_vertex, index_t new_vertex) {
    auto mapping = TriangulatedSurfaceModifier<2>::replace_vertex(old_vertex, new_vertex);
    auto& edges_builder = static_cast<MacroEdgesBuilder&>(impl_->builder);
    for (const auto& [old_edge, new_edge] : mapping) {
        edges_builder.update_edge(Mapping<index_t>{new_edge, old_edge});
    }
    return mapping;
}

std::vector<index_t> BackgroundSurfaceModifier::clean_triangles() {
    return TriangulatedSurfaceModifier<2>::clean_triangles();
}

}  // namespace orvane::internal
