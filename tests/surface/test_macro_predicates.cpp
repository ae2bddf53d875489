// The macro-information predicates, case by case: each row sets up a few macro entities
// on a 4 x 4 grid background and asks one predicate about one polygon edge.

#include <orvane/surface/modifier/macro_info_predicates.hpp>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/background_fixture.hpp"

namespace orvane::internal {
namespace {

using test::BackgroundOnGrid;
using VV = ALLOWED_COLLAPSE_VERTEX_VERTEX;
using EV = ALLOWED_COLLAPSE_EDGE_VERTEX;

// Components: `kept` is mandatory, `loose` is not.
struct Components {
    uuid kept;
    uuid loose;
};

using Setup = std::function<void(BackgroundOnGrid&, const Components&)>;

struct Scene {
    explicit Scene(const Setup& setup) : grid(4, 4) {
        grid.builder.add_mandatory_macro_info(components.kept);
        if (setup)
            setup(grid, components);
    }
    PolygonEdge edge(index_t i0, index_t j0, index_t i1, index_t j1) const {
        return grid.surface()
            .polygon_edge_from_vertices(grid.vertex(i0, j0), grid.vertex(i1, j1))
            .value();
    }
    // The vertex opposite `edge` in its triangle.
    static PolygonVertex apex_of(const PolygonEdge& edge) {
        return PolygonVertex{edge.polygon_id,
                             static_cast<local_index_t>((edge.edge_id + 2) % 3)};
    }

    Components components;
    BackgroundOnGrid grid;
};

void macro_vertex(BackgroundOnGrid& g, const uuid& component, index_t i, index_t j,
                  index_t index = 0) {
    g.builder.add_macro_vertex_info(MeshVertex{component, index}, g.vertex(i, j));
}
void macro_edge(BackgroundOnGrid& g, const uuid& component, index_t i0, index_t j0,
                index_t i1, index_t j1, index_t index = 0) {
    g.builder.add_macro_edge_info(MeshEdge{component, index},
                                  g.line_edges(i0, j0, i1, j1));
}
void macro_element(BackgroundOnGrid& g, const uuid& component,
                   const std::vector<index_t>& triangles, index_t index = 0) {
    for (const index_t t : triangles)
        g.builder.add_macro_element_info(MeshElement{component, index}, t);
}

// ---- Collapse
// --------------------------------------------------------------------------

struct CollapseCase {
    const char* name;
    Setup setup;
    std::array<index_t, 4> edge;  // (i0, j0) -> (i1, j1)
    VV all;
    VV mandatory;
};

class CollapseByMacroInfo : public ::testing::TestWithParam<CollapseCase> {};

TEST_P(CollapseByMacroInfo, Verdict) {
    const auto& c = GetParam();
    Scene scene{c.setup};
    const auto edge = scene.edge(c.edge[0], c.edge[1], c.edge[2], c.edge[3]);
    EXPECT_EQ(allowed_collapse_edge_by_macro_info(scene.grid.background, edge), c.all);
    EXPECT_EQ(allowed_collapse_edge_by_mandatory_macro_info(scene.grid.background, edge),
              c.mandatory);
}

// The edge (1, 1) -> (2, 1): p = (1, 1), q = (2, 1); its triangles are the lower one of
// cell (1, 1) and the upper one of cell (1, 0).
INSTANTIATE_TEST_SUITE_P(
    Table, CollapseByMacroInfo,
    ::testing::Values(
        CollapseCase{"nothing", nullptr, {1, 1, 2, 1}, VV::both, VV::both},
        CollapseCase{"bare_second",
                     [](auto& g, const auto& c) { macro_vertex(g, c.kept, 1, 1); },
                     {1, 1, 2, 1},
                     VV::second,
                     VV::second},
        CollapseCase{"bare_first",
                     [](auto& g, const auto& c) { macro_vertex(g, c.kept, 2, 1); },
                     {1, 1, 2, 1},
                     VV::first,
                     VV::first},
        // Loose entities count only for the all form.
        CollapseCase{"loose_vertex",
                     [](auto& g, const auto& c) { macro_vertex(g, c.loose, 1, 1); },
                     {1, 1, 2, 1},
                     VV::second,
                     VV::both},
        CollapseCase{"same_macro_vertex",
                     [](auto& g, const auto& c) {
                         macro_vertex(g, c.kept, 1, 1);
                         macro_vertex(g, c.kept, 2, 1);
                     },
                     {1, 1, 2, 1},
                     VV::both,
                     VV::both},
        CollapseCase{"different_macro_vertices",
                     [](auto& g, const auto& c) {
                         macro_vertex(g, c.kept, 1, 1, 0);
                         macro_vertex(g, c.kept, 2, 1, 1);
                     },
                     {1, 1, 2, 1},
                     VV::none,
                     VV::none},
        // Both on the macro edge that runs along the edge: either may go.
        CollapseCase{"along_macro_edge",
                     [](auto& g, const auto& c) { macro_edge(g, c.kept, 0, 1, 4, 1); },
                     {1, 1, 2, 1},
                     VV::both,
                     VV::both},
        // Both list the macro edge, the edge does not carry it: test (c) fails twice.
        CollapseCase{"macro_edge_not_on_edge",
                     [](auto& g, const auto& c) {
                         g.builder.add_macro_edge_info_on_vertex(MeshEdge{c.kept, 0},
                                                                 g.vertex(1, 1));
                         g.builder.add_macro_edge_info_on_vertex(MeshEdge{c.kept, 0},
                                                                 g.vertex(2, 1));
                     },
                     {1, 1, 2, 1},
                     VV::none,
                     VV::none},
        // A macro edge through p crossing the edge: (b) keeps p, q may go onto p.
        CollapseCase{"crossing_macro_edge",
                     [](auto& g, const auto& c) { macro_edge(g, c.kept, 1, 0, 1, 4); },
                     {1, 1, 2, 1},
                     VV::second,
                     VV::second},
        CollapseCase{"loose_crossing_macro_edge",
                     [](auto& g, const auto& c) { macro_edge(g, c.loose, 1, 0, 1, 4); },
                     {1, 1, 2, 1},
                     VV::second,
                     VV::both},
        // An element on a triangle around p that neither triangle of the edge carries.
        CollapseCase{"element_around_first",
                     [](auto& g, const auto& c) {
                         macro_element(g, c.kept, {g.grid.lower_triangle(0, 0)});
                     },
                     {1, 1, 2, 1},
                     VV::second,
                     VV::second},
        // The same element on the edge's triangles too: test (d) passes.
        CollapseCase{"element_everywhere",
                     [](auto& g, const auto& c) {
                         std::vector<index_t> all;
                         for (index_t t = 0; t < g.surface().nb_polygons(); ++t)
                             all.push_back(t);
                         macro_element(g, c.kept, all);
                     },
                     {1, 1, 2, 1},
                     VV::both,
                     VV::both}),
    [](const auto& info) { return std::string{info.param.name}; });

TEST(CollapseByMacroInfo, DegenerateEdgeMayAlwaysGo) {
    BackgroundOnGrid g{4, 4};
    const uuid component;
    g.builder.add_mandatory_macro_info(component);
    macro_vertex(g, component, 1, 1, 0);
    macro_vertex(g, component, 2, 1, 1);
    g.surface_builder.set_point(g.vertex(2, 1), Point<2>{{1 + 1e-6, 1}});
    const auto edge =
        g.surface().polygon_edge_from_vertices(g.vertex(1, 1), g.vertex(2, 1)).value();
    EXPECT_EQ(allowed_collapse_edge_by_macro_info(g.background, edge), VV::both);
    EXPECT_EQ(allowed_collapse_edge_by_mandatory_macro_info(g.background, edge),
              VV::both);
}

// ---- Edge and opposite vertex, split-collapse, swap, edge removal
// ----------------------

struct EdgeVertexCase {
    const char* name;
    Setup setup;
    std::array<index_t, 4> edge;
    bool with_apex;
    EV edge_vertex;
    EV split_collapse;
    EV split_collapse_mandatory;
    bool swap;
    bool swap_mandatory;
    bool removal_mandatory;
};

class EdgeVertexByMacroInfo : public ::testing::TestWithParam<EdgeVertexCase> {};

TEST_P(EdgeVertexByMacroInfo, Verdicts) {
    const auto& c = GetParam();
    Scene scene{c.setup};
    const auto& bg = scene.grid.background;
    const auto edge = scene.edge(c.edge[0], c.edge[1], c.edge[2], c.edge[3]);
    std::optional<PolygonVertex> apex;
    if (c.with_apex)
        apex = Scene::apex_of(edge);
    EXPECT_EQ(allowed_collapse_edge_vertex_by_macro_info(bg, edge, apex), c.edge_vertex);
    EXPECT_EQ(allowed_split_collapse_edge_by_macro_info(bg, edge, apex),
              c.split_collapse);
    EXPECT_EQ(allowed_split_collapse_edge_by_mandatory_macro_info(bg, edge, apex),
              c.split_collapse_mandatory);
    EXPECT_EQ(is_swap_edge_allowed_by_macro_info(bg, edge, apex), c.swap);
    EXPECT_EQ(is_swap_edge_allowed_by_mandatory_macro_info(bg, edge, apex),
              c.swap_mandatory);
    EXPECT_EQ(is_edge_removal_allowed_by_mandatory_macro_info(bg, edge, apex),
              c.removal_mandatory);
}

// Interior edge (1, 1) -> (2, 2) runs in the upper triangle of cell (1, 1), apex (1, 2);
// the triangle across is the lower one of the same cell. Border edge (1, 0) -> (2, 0)
// has apex (2, 1).
INSTANTIATE_TEST_SUITE_P(
    Table, EdgeVertexByMacroInfo,
    ::testing::Values(
        EdgeVertexCase{"nothing",
                       nullptr,
                       {1, 1, 2, 2},
                       false,
                       EV::both,
                       EV::both,
                       EV::both,
                       true,
                       true,
                       true},
        EdgeVertexCase{"border",
                       nullptr,
                       {1, 0, 2, 0},
                       false,
                       EV::both,
                       EV::both,
                       EV::both,
                       false,
                       false,
                       false},
        EdgeVertexCase{"edge_carries_macro_edge",
                       [](auto& g, const auto& c) { macro_edge(g, c.kept, 0, 0, 4, 4); },
                       {1, 1, 2, 2},
                       false,
                       EV::vertex,
                       EV::vertex,
                       EV::vertex,
                       false,
                       false,
                       false},
        EdgeVertexCase{"edge_carries_loose_macro_edge",
                       [](auto& g, const auto& c) { macro_edge(g, c.loose, 0, 0, 4, 4); },
                       {1, 1, 2, 2},
                       false,
                       EV::vertex,
                       EV::vertex,
                       EV::both,
                       false,
                       true,
                       true},
        EdgeVertexCase{"apex_carries_macro_vertex",
                       [](auto& g, const auto& c) { macro_vertex(g, c.kept, 1, 2); },
                       {1, 1, 2, 2},
                       false,
                       EV::edge,
                       EV::edge,
                       EV::edge,
                       true,
                       true,
                       true},
        EdgeVertexCase{"apex_on_macro_edge",
                       [](auto& g, const auto& c) { macro_edge(g, c.kept, 0, 2, 4, 2); },
                       {1, 1, 2, 2},
                       false,
                       EV::edge,
                       EV::edge,
                       EV::edge,
                       true,
                       true,
                       true},
        // The two triangles disagree: nothing, whatever the bits.
        EdgeVertexCase{"different_elements",
                       [](auto& g, const auto& c) {
                           macro_element(g, c.kept, {g.grid.upper_triangle(1, 1)});
                       },
                       {1, 1, 2, 2},
                       false,
                       EV::both,
                       EV::none,
                       EV::none,
                       false,
                       false,
                       true},
        EdgeVertexCase{"different_loose_elements",
                       [](auto& g, const auto& c) {
                           macro_element(g, c.loose, {g.grid.upper_triangle(1, 1)});
                       },
                       {1, 1, 2, 2},
                       false,
                       EV::both,
                       EV::none,
                       EV::both,
                       false,
                       true,
                       true},
        EdgeVertexCase{"same_elements",
                       [](auto& g, const auto& c) {
                           macro_element(g, c.kept,
                                         {g.grid.upper_triangle(1, 1),
                                          g.grid.lower_triangle(1, 1)});
                       },
                       {1, 1, 2, 2},
                       false,
                       EV::both,
                       EV::both,
                       EV::both,
                       true,
                       true,
                       true},
        // A given apex allows everything but a border swap.
        EdgeVertexCase{"apex_given",
                       [](auto& g, const auto& c) {
                           macro_edge(g, c.kept, 0, 0, 4, 4);
                           macro_vertex(g, c.kept, 1, 2);
                           macro_element(g, c.kept, {g.grid.upper_triangle(1, 1)});
                       },
                       {1, 1, 2, 2},
                       true,
                       EV::both,
                       EV::both,
                       EV::both,
                       true,
                       true,
                       true},
        EdgeVertexCase{"apex_given_border",
                       [](auto& g, const auto& c) { macro_edge(g, c.kept, 0, 0, 4, 0); },
                       {1, 0, 2, 0},
                       true,
                       EV::both,
                       EV::both,
                       EV::both,
                       false,
                       false,
                       true}),
    [](const auto& info) { return std::string{info.param.name}; });

TEST(MacroPredicates, DetachedTriangleAnswersOrRaisesTheStandardException) {
    BackgroundOnGrid g{4, 4};
    const auto edge =
        g.surface().polygon_edge_from_vertices(g.vertex(1, 1), g.vertex(2, 1)).value();
    const uuid component;
    macro_element(g, component, {edge.polygon_id});
    g.modifier.split_edge(edge, Point<2>{{1.5, 1}});
    ASSERT_FALSE(g.modifier.is_triangle_active(edge.polygon_id));
    // The edge (p, q) is still in the edge set but no active triangle runs from p to q:
    // the element test needs that polygon edge.
    EXPECT_THROW(allowed_collapse_edge_by_macro_info(g.background, edge),
                 std::bad_optional_access);
    // The others read the detached triangle's vertices and the edge set, which stay.
    EXPECT_EQ(
        allowed_collapse_edge_vertex_by_macro_info(g.background, edge, std::nullopt),
        EV::both);
    EXPECT_FALSE(is_edge_removal_allowed_by_mandatory_macro_info(g.background, edge,
                                                                 std::nullopt));
    // Beyond the mesh: the kernel's range check.
    EXPECT_ANY_THROW(allowed_split_collapse_edge_by_macro_info(
        g.background, PolygonEdge{g.surface().nb_polygons() + 3, 0}, std::nullopt));
}

}  // namespace
}  // namespace orvane::internal
