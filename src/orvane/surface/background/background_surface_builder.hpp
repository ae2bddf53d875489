#pragma once

#include <memory>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/macro/common/macro_edges_builder.hpp>
#include <orvane/macro/common/macro_info_builder.hpp>
#include <orvane/toolkit/modifier/common/mapping.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

namespace orvane::internal {

class BackgroundSurface;

// Write access to both macro-information stores of a background. Every vertex update
// reaches both stores (macro vertices, then incident macro edges), whichever way it
// comes in (update_vertex directly or through MacroInfoBuilder::update_vertices).
class MacroInfoBuilder2D : public MacroInfoBuilder, public MacroEdgesBuilder {
public:
    MacroInfoBuilder2D(MacroInfoBuilder2D&& other) noexcept;
    ~MacroInfoBuilder2D() override;

    // Macro vertices of the vertices, then their incident macro edges.
    void update_vertex(const MultiMapping<index_t>& mapping) override;

    // Brings the macro information along a change the toolkit's modifier has just made
    // (every index of the record names the mesh after the change). Polygon-edge pairs
    // become edge mappings (edge of the new polygon edge <- edge of the one it
    // continues, or NO_ID), found in the edge set: a polygon edge without an edge there
    // raises std::bad_optional_access, after the lists before it have been applied.
    // Triangles are not mapped: their pieces copied their macro elements already.
    //
    // Triangle split: the outer edges, then the new edges.
    void update_information(
        const TriangulatedSurfaceModifier<2>::SplitTriangleInfo& info);
    // Edge split: both halves and the outer edges of the first side, then of the second.
    void update_information(
        const TriangulatedSurfaceModifier<2>::SplitPolygonEdgeInfo& info);
    // Collapse: the edges first, then the vertex (through update_vertex), so that the
    // kept vertex lists what the renamed and merged edges carry.
    void update_information(const TriangulatedSurfaceModifier<2>::CollapseEdgeInfo& info);

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
