#include <orvane/surface/background/background_surface_builder.hpp>

#include <array>

#include <absl/container/inlined_vector.h>
#include <absl/types/span.h>

#include <orvane/surface/background/background_surface.hpp>

namespace orvane::internal {

namespace {

using EdgeMappings = absl::InlinedVector<Mapping<index_t>, 3>;

index_t edge_of(const TriangulatedSurface<2>& surface, const PolygonEdge& polygon_edge) {
    // The record promises the edge exists; a missing one is a broken record, reported
    // by the optional's own exception.
    return surface.edges()
        .edge_from_vertices(surface.polygon_edge_vertices(polygon_edge))
        .value();
}

EdgeMappings to_edge_mappings(
    const TriangulatedSurface<2>& surface,
    const TriangulatedSurfaceModifier<2>::PolygonEdgeMappings& pairs) {
    EdgeMappings mappings;
    mappings.reserve(pairs.size());
    for (const auto& pair : pairs) {
        const index_t first = edge_of(surface, pair.first);
        const index_t second =
            pair.second.polygon_id == NO_ID ? NO_ID : edge_of(surface, pair.second);
        mappings.push_back({first, second});
    }
    return mappings;
}

}  // namespace

struct MacroInfoBuilder2D::Impl {
    explicit Impl(BackgroundSurface& background_in) : background(background_in) {}
    BackgroundSurface& background;
};

MacroInfoBuilder2D::MacroInfoBuilder2D(BackgroundSurface& background)
    : MacroInfoBuilder(background),
      MacroEdgesBuilder(background),
      impl_(std::make_unique<Impl>(background)) {}
MacroInfoBuilder2D::MacroInfoBuilder2D(MacroInfoBuilder2D&& other) noexcept = default;
MacroInfoBuilder2D::~MacroInfoBuilder2D() = default;

BackgroundSurface& MacroInfoBuilder2D::background() const {
    return impl_->background;
}

void MacroInfoBuilder2D::update_vertex(const MultiMapping<index_t>& mapping) {
    MacroInfoBuilder::update_vertex(mapping);
    MacroEdgesBuilder::update_edge_vertex(mapping);
}

void MacroInfoBuilder2D::update_information(
    const TriangulatedSurfaceModifier<2>::SplitTriangleInfo& info) {
    const auto& surface = background().surface();
    // Each list is applied before the next is converted, so a broken entry leaves the
    // lists before it applied, as for any store update.
    update_edges(absl::MakeConstSpan(to_edge_mappings(surface, info.outer_edges)));
    update_edges(absl::MakeConstSpan(to_edge_mappings(surface, info.new_edges)));
}

void MacroInfoBuilder2D::update_information(
    const TriangulatedSurfaceModifier<2>::SplitPolygonEdgeInfo& info) {
    const auto& surface = background().surface();
    update_edges(absl::MakeConstSpan(to_edge_mappings(surface, info.first_side_halves)));
    update_edges(
        absl::MakeConstSpan(to_edge_mappings(surface, info.first_side_outer_edges)));
    update_edges(absl::MakeConstSpan(to_edge_mappings(surface, info.second_side_halves)));
    update_edges(
        absl::MakeConstSpan(to_edge_mappings(surface, info.second_side_outer_edges)));
}

void MacroInfoBuilder2D::update_information(
    const TriangulatedSurfaceModifier<2>::CollapseEdgeInfo& info) {
    update_edges(absl::MakeConstSpan(info.edges));
    const std::array<MultiMapping<index_t>, 1> vertex{{info.vertex}};
    update_vertices(vertex);
}

BackgroundSurfaceBuilder::BackgroundSurfaceBuilder(BackgroundSurface& background)
    : MacroInfoBuilder2D(background) {}
BackgroundSurfaceBuilder::BackgroundSurfaceBuilder(
    BackgroundSurfaceBuilder&& other) noexcept = default;
BackgroundSurfaceBuilder::~BackgroundSurfaceBuilder() = default;

}  // namespace orvane::internal
