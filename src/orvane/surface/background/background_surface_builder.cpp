#include <orvane/surface/background/background_surface_builder.hpp>

#include <orvane/surface/background/background_surface.hpp>

namespace orvane::internal {

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

BackgroundSurfaceBuilder::BackgroundSurfaceBuilder(BackgroundSurface& background)
    : MacroInfoBuilder2D(background) {}
BackgroundSurfaceBuilder::BackgroundSurfaceBuilder(
    BackgroundSurfaceBuilder&& other) noexcept = default;
BackgroundSurfaceBuilder::~BackgroundSurfaceBuilder() = default;

}  // namespace orvane::internal
