// The three composite operations of the background constraint modifier: which macro
// information the new triangles, edges and vertices take over, in which order, and what
// is left alone.

#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>

#include <memory>
#include <optional>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>

#include "support/background_fixture.hpp"
#include "support/macro_invariants.hpp"

namespace orvane::internal {
namespace {

using test::BackgroundOnGrid;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Constraints = ConstraintModifier::CommonConstraints;
using Border = ConstraintModifier::BORDER_CONSTRAINT;

// Records every vertex update (the builder's one virtual update) before applying it.
class RecordingBuilder : public BackgroundSurfaceBuilder {
public:
    using BackgroundSurfaceBuilder::BackgroundSurfaceBuilder;
    void update_vertex(const MultiMapping<index_t>& mapping) override {
        vertex_updates.push_back(mapping);
        BackgroundSurfaceBuilder::update_vertex(mapping);
    }
    std::vector<MultiMapping<index_t>> vertex_updates;
};

void expect_macro_invariants(const BackgroundOnGrid& g) {
    test::MacroInvariantOptions options;
    options.is_polygon_active = [&g](index_t t) {
        return g.modifier.is_triangle_active(t);
    };
    EXPECT_THAT(test::check_macro_information(g.background, options), IsEmpty());
}

PolygonVertex apex_of(const PolygonEdge& edge) {
    return PolygonVertex{edge.polygon_id,
                         static_cast<local_index_t>((edge.edge_id + 2) % 3)};
}

struct GridScene {
    GridScene()
        : grid(4, 4),
          constrained(grid.modifiable(), grid.builder, Constraints{Border::fixed}) {}
    index_t edge_index(index_t a, index_t b) const { return grid.edge_between(a, b); }
    PolygonEdge edge(index_t a, index_t b) const {
        return grid.surface().polygon_edge_from_vertices(a, b).value();
    }
    BackgroundOnGrid grid;
    BackgroundSurfaceConstraintModifier constrained;
    uuid curves;
    uuid surfaces;
};

TEST(BackgroundConstraintSwap,
     NewTrianglesTakeTheElementsAcrossAndTheApexRouteTheMacroEdges) {
    GridScene s;
    auto& g = s.grid;
    const index_t a = g.vertex(1, 1);
    const index_t b = g.vertex(2, 2);
    const PolygonEdge edge = s.edge(a, b);  // upper triangle of cell (1, 1), apex (1, 2)
    const index_t across = g.grid.lower_triangle(1, 1);
    g.builder.add_macro_element_info(MeshElement{s.surfaces, 1}, across);
    g.builder.add_macro_element_info(MeshElement{s.surfaces, 2}, edge.polygon_id);
    const MeshEdge m{s.curves, 0};
    g.builder.add_macro_edge_info(m, std::vector<index_t>{s.edge_index(a, b)});
    const index_t w = g.vertex(1, 2);

    const auto triangles = s.constrained.swap_edge(edge, apex_of(edge));
    ASSERT_EQ(triangles.size(), 2u);
    for (const index_t t : triangles)
        EXPECT_THAT(g.background.macro_elements(t),
                    ElementsAre(MeshElement{s.surfaces, 1}));
    EXPECT_THAT(g.background.macro_edges(s.edge_index(a, w)), ElementsAre(m));
    EXPECT_THAT(g.background.macro_edges(s.edge_index(b, w)), ElementsAre(m));
    EXPECT_THAT(g.background.incident_macro_edges(w), ElementsAre(m));
    expect_macro_invariants(g);
}

TEST(BackgroundConstraintSwap, WithoutApexOnlyTheTrianglesAreUpdated) {
    GridScene s;
    auto& g = s.grid;
    const index_t a = g.vertex(1, 1);
    const index_t b = g.vertex(2, 2);
    const PolygonEdge edge = s.edge(a, b);
    const MeshEdge other{s.curves, 7};
    // The edges to the apex carry nothing; an unrelated macro edge elsewhere stays put.
    g.builder.add_macro_edge_info(other, g.line_edges(0, 4, 4, 4));
    const auto before = test::macro_snapshot(g.background);
    const auto triangles = s.constrained.swap_edge(edge, std::nullopt);
    ASSERT_EQ(triangles.size(), 2u);
    auto after = test::macro_snapshot(g.background);
    // Only the two appended triangles are new in the snapshot.
    ASSERT_EQ(after.elements.size(), before.elements.size() + 2);
    after.elements.resize(before.elements.size());
    after.edges.resize(before.edges.size());
    EXPECT_TRUE(after == before);
}

TEST(BackgroundConstraintSplitCollapse, RouteThroughTheApexTakesTheMacroEdges) {
    // A sliver: the apex m of the border edge (1, 0) -> (2, 0) lies 5e-7 above it.
    for (const bool carries : {true, false}) {
        SCOPED_TRACE(carries ? "edge with a macro edge" : "edge without");
        GridScene s;
        auto& g = s.grid;
        const index_t a = g.vertex(1, 0);
        const index_t b = g.vertex(2, 0);
        const MeshEdge m{s.curves, 3};
        if (carries)
            g.builder.add_macro_edge_info(m, g.line_edges(0, 0, 4, 0));
        const auto split =
            g.modifier.split_triangle(g.grid.lower_triangle(1, 0), Point<2>{{1.5, 5e-7}});
        const index_t w = split.new_vertex;
        const PolygonEdge edge = s.edge(a, b);
        const auto info = s.constrained.split_collapse_edge(edge, apex_of(edge));
        EXPECT_EQ(info.vertex, w);
        const auto& aw = g.background.macro_edges(s.edge_index(a, w));
        const auto& wb = g.background.macro_edges(s.edge_index(w, b));
        if (carries) {
            EXPECT_THAT(aw, ElementsAre(m));
            EXPECT_THAT(wb, ElementsAre(m));
            EXPECT_THAT(g.background.incident_macro_edges(w), ElementsAre(m));
        } else {
            EXPECT_THAT(aw, IsEmpty());
            EXPECT_THAT(wb, IsEmpty());
        }
        expect_macro_invariants(g);
    }
}

TEST(BackgroundConstraintSplitCollapse, WithoutApexNothingIsUpdated) {
    GridScene s;
    auto& g = s.grid;
    const MeshEdge m{s.curves, 3};
    g.builder.add_macro_edge_info(m, g.line_edges(0, 0, 4, 0));
    const auto split =
        g.modifier.split_triangle(g.grid.lower_triangle(1, 0), Point<2>{{1.5, 5e-7}});
    const PolygonEdge edge = s.edge(g.vertex(1, 0), g.vertex(2, 0));
    s.constrained.split_collapse_edge(edge, std::nullopt);
    EXPECT_THAT(g.background.macro_edges(s.edge_index(g.vertex(1, 0), split.new_vertex)),
                IsEmpty());
    EXPECT_THAT(g.background.incident_macro_edges(split.new_vertex), IsEmpty());
}

// A fold at v = 0 between a = 1 and b = 2 (see make_fold in the toolkit tests), wrapped
// in a background.
struct FoldScene {
    FoldScene() {
        surface = TriangulatedSurface<2>::create();
        TriangulatedSurfaceBuilder<2> b{*surface};
        b.create_points(std::vector<Point<2>>{Point<2>{{1, 0}}, Point<2>{{0, 0}},
                                              Point<2>{{2, 0}}, Point<2>{{1, -1}},
                                              Point<2>{{1, 1}}});
        b.create_triangles(std::vector<std::array<index_t, 3>>{
            {0, 1, 2}, {0, 2, 1}, {2, 1, 3}, {1, 2, 4}});
        b.compute_polygon_adjacencies();
        b.set_polygon_adjacent(PolygonEdge{0, 1}, 2);
        b.set_polygon_adjacent(PolygonEdge{2, 0}, 0);
        b.set_polygon_adjacent(PolygonEdge{1, 1}, 3);
        b.set_polygon_adjacent(PolygonEdge{3, 0}, 1);
        background = std::make_unique<BackgroundSurface>(*surface);
        builder = std::make_unique<RecordingBuilder>(*background);
        surface_builder = std::make_unique<TriangulatedSurfaceBuilder<2>>(*surface);
        modifier = std::make_unique<BackgroundSurfaceModifier>(*background, *builder,
                                                               *surface_builder);
        constrained = std::make_unique<BackgroundSurfaceConstraintModifier>(
            ModifiableObject<BackgroundSurface>{*background, *modifier}, *builder,
            Constraints{Border::fixed});
    }
    index_t edge_index(index_t x, index_t y) const {
        return surface->edges().edge_from_vertices({{x, y}}).value();
    }

    std::unique_ptr<TriangulatedSurface<2>> surface;
    std::unique_ptr<BackgroundSurface> background;
    std::unique_ptr<RecordingBuilder> builder;
    std::unique_ptr<TriangulatedSurfaceBuilder<2>> surface_builder;
    std::unique_ptr<BackgroundSurfaceModifier> modifier;
    std::unique_ptr<BackgroundSurfaceConstraintModifier> constrained;
    uuid points;
    uuid curves;
};

TEST(BackgroundConstraintDoubleAdjacency, VertexOnAMacroEdgeIsKeptWithItsInformation) {
    FoldScene s;
    const MeshEdge m{s.curves, 0};
    const MeshVertex p{s.points, 4};
    s.builder->add_macro_edge_info(m, std::vector<index_t>{s.edge_index(0, 1)});
    s.builder->add_macro_vertex_info(p, 0);
    const auto info = s.constrained->remove_double_adjacency(0);
    ASSERT_TRUE(info.vertex.has_value());
    const index_t u = *info.vertex;
    EXPECT_EQ(s.surface->point(u), (Point<2>{{1, 0}}));
    // One vertex update, u <- [v], after the split's own edge updates.
    ASSERT_EQ(s.builder->vertex_updates.size(), 1u);
    EXPECT_EQ(s.builder->vertex_updates[0].first, u);
    EXPECT_THAT(s.builder->vertex_updates[0].second, ElementsAre(0u));
    EXPECT_THAT(s.background->macro_vertices(u), ElementsAre(p));
    EXPECT_THAT(s.background->macro_edges(s.edge_index(1, u)), ElementsAre(m));
    EXPECT_THAT(s.background->macro_edges(s.edge_index(2, u)), IsEmpty());
    EXPECT_THAT(s.background->incident_macro_edges(u), ElementsAre(m));
}

TEST(BackgroundConstraintDoubleAdjacency, BareVertexIsRemovedWithoutUpdates) {
    FoldScene s;
    const auto info = s.constrained->remove_double_adjacency(0);
    EXPECT_FALSE(info.vertex.has_value());
    EXPECT_TRUE(s.builder->vertex_updates.empty());
    EXPECT_EQ(s.surface->polygon_adjacent(PolygonEdge{2, 0}), 3u);
}

TEST(BackgroundConstraintModifier, MoveLeavesTheSourceWithoutPrivatePart) {
    GridScene s;
    BackgroundSurfaceConstraintModifier moved{std::move(s.constrained)};
    EXPECT_EQ(&moved.modifiable_background().object, &s.grid.background);
    EXPECT_EQ(&moved.background_builder(), &s.grid.builder);
    EXPECT_EQ(moved.constraints().border_constraint, Border::fixed);
}

}  // namespace
}  // namespace orvane::internal
