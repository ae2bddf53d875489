#pragma once

#include <memory>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/macro/common/macro_edges_builder.hpp>
#include <orvane/macro/common/macro_info_builder.hpp>
#include <orvane/toolkit/modifier/common/mapping.hpp>

namespace orvane::internal {

class BackgroundSurface;

// Write access to both macro-information stores of a background. Every vertex update
// reaches both stores (macro vertices, then incident macro edges), whichever way it
// comes in (update_vertex directly or through MacroInfoBuilder::update_vertices).
class MacroInfoBuilder2D : public MacroInfoBuilder, public MacroEdgesBuilder {
public:
    MacroInfoBuilder2D(MacroInfoBuilder2D&& other) noexcept;
    ~MacroInfoBuilder2D() override;

    void update_vertex(const MultiMapping<index_t>& mapping) override;

protected:
    explicit MacroInfoBuilder2D(BackgroundSurface& background);

    BackgroundSurface& background() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The builder of a BackgroundSurface. It refers to the background, which must outlive
// it.
class BackgroundSurfaceBuilder : public MacroInfoBuilder2D {
public:
    explicit BackgroundSurfaceBuilder(BackgroundSurface& background);
    BackgroundSurfaceBuilder(BackgroundSurfaceBuilder&& other) noexcept;
    ~BackgroundSurfaceBuilder() override;
};

}  // namespace orvane::internal
