#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/surface/common/surface_exception.hpp>

#include <random>

#include "support/grid_surface.hpp"
#include "support/macro_invariants.hpp"

namespace orvane::internal {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> all_attribute_names(const TriangulatedSurface<2>& surface) {
    std::vector<std::string> names;
    for (const auto& n : surface.vertex_attribute_manager().attribute_names()) {
        names.push_back("vertex:" + n);
    }
    for (const auto& n : surface.polygon_attribute_manager().attribute_names()) {
        names.push_back("polygon:" + n);
    }
    if (surface.are_edges_enabled()) {
        for (const auto& n : surface.edges().edge_attribute_manager().attribute_names()) {
            names.push_back("edge:" + n);
        }
    }
    return names;
}

void expect_no_macro_information(const BackgroundSurface& background) {
    const auto& surface = background.surface();
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        EXPECT_THAT(background.macro_vertices(v), IsEmpty()) << v;
        EXPECT_THAT(background.incident_macro_edges(v), IsEmpty()) << v;
    }
    for (index_t e = 0; e < surface.edges().nb_edges(); ++e) {
        EXPECT_THAT(background.macro_edges(e), IsEmpty()) << e;
    }
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        EXPECT_THAT(background.macro_elements(t), IsEmpty()) << t;
    }
}

// A few entities of every kind on a 2 x 2 grid.
struct Tagged {
    uuid component;
    MeshVertex corner{component, 0};
    MeshEdge line{component, 1};
    MeshElement cell{component, 2};
};

void tag(BackgroundSurface& background, const test::Grid& grid, const Tagged& t) {
    BackgroundSurfaceBuilder builder{background};
    builder.add_macro_vertex_info(t.corner, grid.vertex(0, 0));
    builder.add_macro_edge_info(
        t.line, test::chain_edges(background.surface(), test::row(grid, 1)));
    builder.add_macro_element_info(t.cell, grid.upper_triangle(1, 1));
    builder.add_mandatory_macro_info(t.component);
}

TEST(BackgroundSurface, ConstructionEnablesEdgesAndStartsEmpty) {
    test::Grid grid{2, 2};
    ASSERT_FALSE(grid.surface().are_edges_enabled());
    const BackgroundSurface background{grid.surface()};
    ASSERT_TRUE(grid.surface().are_edges_enabled());
    EXPECT_EQ(grid.surface().edges().nb_edges(), 16u);
    EXPECT_EQ(&background.surface(), &grid.surface());
    expect_no_macro_information(background);
}

TEST(BackgroundSurface, DestructionRemovesTheMacroData) {
    test::Grid grid{2, 2};
    grid.surface().enable_edges();
    const auto before = all_attribute_names(grid.surface());
    const Tagged t;
    {
        BackgroundSurface background{grid.surface()};
        EXPECT_NE(all_attribute_names(grid.surface()), before);
        tag(background, grid, t);
    }
    EXPECT_EQ(all_attribute_names(grid.surface()), before);
    const BackgroundSurface fresh{grid.surface()};
    expect_no_macro_information(fresh);
    EXPECT_FALSE(fresh.is_macro_info_mandatory(t.component));
}

TEST(BackgroundSurface, TwoBackgroundsShareTheDataAndEitherCleansThem) {
    test::Grid grid{2, 2};
    grid.surface().enable_edges();
    const auto bare = all_attribute_names(grid.surface());
    const Tagged t;
    auto first = std::make_unique<BackgroundSurface>(grid.surface());
    tag(*first, grid, t);
    {
        const BackgroundSurface second{grid.surface()};
        EXPECT_THAT(second.macro_vertices(grid.vertex(0, 0)), ElementsAre(t.corner));
        EXPECT_TRUE(second.is_macro_info_mandatory(t.component));
    }
    EXPECT_EQ(all_attribute_names(grid.surface()), bare);
    // The first one still reads what it had (its own detached copy), safely.
    EXPECT_THAT(first->macro_vertices(grid.vertex(0, 0)), ElementsAre(t.corner));
    first.reset();
    EXPECT_EQ(all_attribute_names(grid.surface()), bare);
}

TEST(BackgroundSurface, CloneCarriesTheDataAndStaysIndependent) {
    test::Grid grid{2, 2};
    BackgroundSurface background{grid.surface()};
    const Tagged t;
    tag(background, grid, t);

    auto [surface_clone, background_clone] = background.clone();
    ASSERT_NE(surface_clone.get(), &grid.surface());
    EXPECT_EQ(&background_clone->surface(), surface_clone.get());
    const auto& surface = grid.surface();
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        EXPECT_EQ(background_clone->macro_vertices(v), background.macro_vertices(v));
        EXPECT_EQ(background_clone->incident_macro_edges(v),
                  background.incident_macro_edges(v));
    }
    for (index_t e = 0; e < surface.edges().nb_edges(); ++e) {
        EXPECT_EQ(background_clone->macro_edges(e), background.macro_edges(e));
    }
    for (index_t p = 0; p < surface.nb_polygons(); ++p) {
        EXPECT_EQ(background_clone->macro_elements(p), background.macro_elements(p));
    }
    EXPECT_TRUE(background_clone->is_macro_info_mandatory(t.component));
    EXPECT_THAT(background_clone->macro_vertices(grid.vertex(0, 0)),
                ElementsAre(t.corner));

    // Later changes on one side do not reach the other.
    const MeshVertex other{t.component, 9};
    BackgroundSurfaceBuilder{*background_clone}.add_macro_vertex_info(other, 1);
    BackgroundSurfaceBuilder{background}.add_macro_vertex_info(other, 2);
    EXPECT_THAT(background.macro_vertices(1), IsEmpty());
    EXPECT_THAT(background_clone->macro_vertices(2), IsEmpty());

    background_clone.reset();
    // Destroying the clone's background cleaned the clone only.
    EXPECT_THAT(background.macro_vertices(grid.vertex(0, 0)), ElementsAre(t.corner));
}

TEST(BackgroundSurface, CloneSurfaceHasTheGeometryWithoutMacroData) {
    test::Grid grid{2, 2};
    const auto bare = all_attribute_names(grid.surface());
    BackgroundSurface background{grid.surface()};
    const Tagged t;
    tag(background, grid, t);
    const auto bound = all_attribute_names(grid.surface());

    const auto copy = background.clone_surface();
    ASSERT_EQ(copy->nb_vertices(), grid.surface().nb_vertices());
    ASSERT_EQ(copy->nb_polygons(), grid.surface().nb_polygons());
    for (index_t v = 0; v < copy->nb_vertices(); ++v) {
        EXPECT_EQ(copy->point(v), grid.surface().point(v));
    }
    for (index_t p = 0; p < copy->nb_polygons(); ++p) {
        EXPECT_EQ(copy->polygon_vertices(p), grid.surface().polygon_vertices(p));
    }
    // Edges are enabled on the copy: its only difference with the bare surface.
    EXPECT_EQ(all_attribute_names(*copy), bare);
    // The original is untouched.
    EXPECT_EQ(all_attribute_names(grid.surface()), bound);
    EXPECT_THAT(background.macro_vertices(grid.vertex(0, 0)), ElementsAre(t.corner));
    EXPECT_THAT(background.macro_elements(grid.upper_triangle(1, 1)),
                ElementsAre(t.cell));
}

TEST(BackgroundSurface, MoveTransfersTheBinding) {
    test::Grid grid{1, 1};
    const MeshVertex corner{uuid{}, 0};
    auto source = std::make_unique<BackgroundSurface>(grid.surface());
    BackgroundSurfaceBuilder{*source}.add_macro_vertex_info(corner, 2);
    BackgroundSurface moved{std::move(*source)};
    EXPECT_THROW(source->surface(), OrvaneBackgroundSurfaceException);
    source.reset();  // must not clean the data the moved-to background uses
    EXPECT_THAT(moved.macro_vertices(2), ElementsAre(corner));
    EXPECT_EQ(&moved.surface(), &grid.surface());
}

TEST(BackgroundSurface, OneBorderPolygonEdgeOnASingleTriangle) {
    auto surface = TriangulatedSurface<2>::create();
    {
        TriangulatedSurfaceBuilder<2> builder{*surface};
        builder.create_point(Point2D{{0, 0}});
        builder.create_point(Point2D{{1, 0}});
        builder.create_point(Point2D{{0, 1}});
        builder.create_triangle({0, 1, 2});
        builder.compute_polygon_adjacencies();
    }
    const BackgroundSurface background{*surface};
    EXPECT_EQ(background.one_border_polygon_edge(), (PolygonEdge{0, 0}));
}

TEST(BackgroundSurface, OneBorderPolygonEdgeSkipsInteriorTriangles) {
    // A 3 x 3 grid whose first two triangles are those of the centre cell (interior),
    // then the upper-left triangle of cell (0, 0), whose only border edge is edge 2.
    const test::Grid grid{3, 3};
    std::vector<index_t> order{grid.lower_triangle(1, 1), grid.upper_triangle(1, 1),
                               grid.upper_triangle(0, 0)};
    for (index_t t = 0; t < grid.surface().nb_polygons(); ++t) {
        if (std::find(order.begin(), order.end(), t) == order.end()) {
            order.push_back(t);
        }
    }
    auto surface = TriangulatedSurface<2>::create();
    {
        TriangulatedSurfaceBuilder<2> builder{*surface};
        for (index_t v = 0; v < grid.surface().nb_vertices(); ++v) {
            builder.create_point(grid.surface().point(v));
        }
        for (const index_t t : order) {
            builder.create_triangle(grid.surface().polygon_vertices(t));
        }
        builder.compute_polygon_adjacencies();
    }
    const BackgroundSurface background{*surface};
    EXPECT_EQ(background.one_border_polygon_edge(), (PolygonEdge{2, 2}));
}

TEST(BackgroundSurface, OneBorderPolygonEdgeWithoutBorderThrows) {
    auto closed = TriangulatedSurface<2>::create();
    {
        // A tetrahedron's combinatorics over plane points: every edge has two sides.
        TriangulatedSurfaceBuilder<2> builder{*closed};
        for (const auto& p :
             {Point2D{{0, 0}}, Point2D{{1, 0}}, Point2D{{0, 1}}, Point2D{{0.3, 0.3}}}) {
            builder.create_point(p);
        }
        builder.create_triangles(std::vector<std::array<index_t, 3>>{
            {0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {0, 2, 3}});
        builder.compute_polygon_adjacencies();
    }
    const auto empty = TriangulatedSurface<2>::create();
    for (const auto* surface : {closed.get(), empty.get()}) {
        const BackgroundSurface background{*surface};
        try {
            background.one_border_polygon_edge();
            ADD_FAILURE() << "no exception";
        } catch (const OrvaneBackgroundSurfaceException& e) {
            EXPECT_STREQ(e.what(),
                         "[BackgroundSurface::one_border_polygon_edge] No edge on border "
                         "found");
            EXPECT_EQ(std::any_cast<std::nullptr_t>(e.payload()), nullptr);
        }
    }
}

TEST(BackgroundSurface, EdgeVerticesComeFromTheSurfaceEdges) {
    test::Grid grid{2, 1};
    const BackgroundSurface background{grid.surface()};
    const auto& edges = grid.surface().edges();
    for (index_t e = 0; e < edges.nb_edges(); ++e) {
        EXPECT_EQ(&background.edge_vertices(e), &edges.edge_vertices(e));
    }
}

TEST(BackgroundSurfaceBuilder, VertexUpdateReachesBothStores) {
    test::Grid grid{2, 1};
    BackgroundSurface background{grid.surface()};
    BackgroundSurfaceBuilder builder{background};
    const uuid input;
    const MeshVertex a{input, 0};
    const MeshEdge m{input, 0};
    builder.add_macro_vertex_info(a, 1);
    builder.add_macro_edge_info_on_vertex(m, 2);

    builder.update_vertex(MultiMapping<index_t>{4, {1, NO_ID}});
    EXPECT_THAT(background.macro_vertices(4), ElementsAre(a));
    // A collapse record reaches the builder as a span through the base class.
    MacroInfoBuilder& base = builder;
    const std::vector<MultiMapping<index_t>> collapse{{5, {2}}};
    base.update_vertices(collapse);
    EXPECT_THAT(background.incident_macro_edges(5), ElementsAre(m));
    EXPECT_THAT(background.macro_vertices(5), IsEmpty());
    // Sources keep theirs.
    EXPECT_THAT(background.macro_vertices(1), ElementsAre(a));
    EXPECT_THAT(background.incident_macro_edges(2), ElementsAre(m));
}

TEST(BackgroundSurfaceBuilder, RemovalKeepsVerticesOnTheRestOfTheChain) {
    const auto grid = test::make_strip(3);
    BackgroundSurface background{grid.surface()};
    BackgroundSurfaceBuilder builder{background};
    const MeshEdge m{uuid{}, 0};
    const auto chain = test::chain_edges(grid.surface(), {0, 1, 2, 3});
    builder.add_macro_edge_info(m, chain);

    builder.remove_macro_edge_info(m, chain[0]);
    EXPECT_THAT(background.macro_edges(chain[0]), IsEmpty());
    EXPECT_THAT(background.incident_macro_edges(0), IsEmpty());
    EXPECT_THAT(background.incident_macro_edges(1), ElementsAre(m));
    builder.remove_macro_edge_info(m, chain[1]);
    EXPECT_THAT(background.incident_macro_edges(1), IsEmpty());
    EXPECT_THAT(background.incident_macro_edges(2), ElementsAre(m));
    EXPECT_THAT(background.macro_edges(chain[2]), ElementsAre(m));
}

TEST(BackgroundSurface, EdgesAroundVertexAreThoseOfItsNeighbours) {
    const test::Grid grid{2, 2};
    const BackgroundSurface background{grid.surface()};
    const index_t centre = grid.vertex(1, 1);
    auto around = background.edges_around_vertex(centre);
    std::sort(around.begin(), around.end());
    std::vector<index_t> expected;
    const auto& edges = grid.surface().edges();
    for (index_t e = 0; e < edges.nb_edges(); ++e) {
        const auto& v = edges.edge_vertices(e);
        if (v[0] == centre || v[1] == centre) {
            expected.push_back(e);
        }
    }
    EXPECT_EQ(std::vector<index_t>(around.begin(), around.end()), expected);
    EXPECT_EQ(expected.size(), 6u);
}

TEST(BackgroundSurface, ConflictingAttributeOnTheSurfacePropagates) {
    test::Grid grid{1, 1};
    grid.surface().enable_edges();
    grid.surface()
        .edges()
        .edge_attribute_manager()
        .find_or_create_attribute<VariableAttribute, int>("orvane_macro_edges", 0);
    const auto vertex_names = grid.surface().vertex_attribute_manager().attribute_names();
    const auto polygon_names = grid.surface().polygon_attribute_manager().attribute_names();
    EXPECT_THROW(BackgroundSurface{grid.surface()}, VelmoraBasicException);
    // The failed bind leaves no macro data behind on the other managers.
    EXPECT_EQ(grid.surface().vertex_attribute_manager().attribute_names(), vertex_names);
    EXPECT_EQ(grid.surface().polygon_attribute_manager().attribute_names(), polygon_names);
}

// Random writes of every kind on a small grid; after each one, no list holds a
// duplicate and every macro edge of an edge is incident on both its vertices, removals
// included (a vertex keeps a macro edge another of its edges still carries).
TEST(BackgroundSurfaceBuilder, RandomWritesKeepTheInvariants) {
    test::Grid grid{3, 3};
    BackgroundSurface background{grid.surface()};
    BackgroundSurfaceBuilder builder{background};
    const auto& surface = grid.surface();
    const index_t nb_edges = surface.edges().nb_edges();
    const index_t nb_vertices = surface.nb_vertices();
    const uuid input;
    std::mt19937 random{12345};
    const auto pick = [&](index_t n) {
        return std::uniform_int_distribution<index_t>{0, n - 1}(random);
    };
    for (int step = 0; step < 400; ++step) {
        const MeshEdge macro_edge{input, pick(3)};
        switch (pick(6)) {
            case 0: {
                const std::vector<index_t> some{pick(nb_edges), pick(nb_edges)};
                builder.add_macro_edge_info(macro_edge, some);
                break;
            }
            case 1:
                builder.remove_macro_edge_info(macro_edge, pick(nb_edges));
                break;
            case 2:
                builder.update_edge(Mapping<index_t>{pick(nb_edges), pick(nb_edges)});
                break;
            case 3: {
                const std::vector<MultiMapping<index_t>> merge{
                    {pick(nb_edges), {pick(nb_edges), NO_ID, pick(nb_edges)}}};
                builder.update_edges(merge);
                break;
            }
            case 4:
                builder.update_vertex(
                    MultiMapping<index_t>{pick(nb_vertices), {pick(nb_vertices)}});
                break;
            default:
                builder.add_macro_vertex_info(MeshVertex{input, pick(4)},
                                              pick(nb_vertices));
                break;
        }
        const auto problems = test::check_macro_information(background);
        ASSERT_TRUE(problems.empty()) << "step " << step << ": " << problems.front();
    }
}

}  // namespace
}  // namespace orvane::internal
