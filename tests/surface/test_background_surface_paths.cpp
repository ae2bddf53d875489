#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>

#include <optional>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/surface/common/surface_exception.hpp>

#include "support/grid_surface.hpp"

namespace orvane::internal {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Pair;
using Path = std::vector<std::pair<index_t, bool>>;

// The path along consecutive vertices of `chain`.
Path expected_path(const TriangulatedSurface<2>& surface,
                   const std::vector<index_t>& chain) {
    Path path;
    const auto edges = test::chain_edges(surface, chain);
    for (std::size_t i = 0; i < edges.size(); ++i) {
        path.emplace_back(edges[i], chain[i + 1] > chain[i]);
    }
    return path;
}

std::vector<index_t> reversed(std::vector<index_t> chain) {
    std::reverse(chain.begin(), chain.end());
    return chain;
}

class MacroEdgePath : public ::testing::Test {
protected:
    // A 4 x 4 grid: rows 0 to 4, columns 0 to 4.
    test::Grid grid{4, 4};
    BackgroundSurface background{grid.surface()};
    BackgroundSurfaceBuilder builder{background};
    uuid curve;
    MeshEdge m{curve, 0};
    MeshEdge other{curve, 1};

    void tag(const MeshEdge& macro_edge, const std::vector<index_t>& chain) {
        builder.add_macro_edge_info(macro_edge, test::chain_edges(grid.surface(), chain));
    }
    std::vector<index_t> row(index_t j, index_t from, index_t to) const {
        std::vector<index_t> r;
        for (index_t i = from; i <= to; ++i)
            r.push_back(grid.vertex(i, j));
        return r;
    }
};

TEST_F(MacroEdgePath, EqualVerticesGiveNoPath) {
    tag(m, row(2, 0, 4));
    EXPECT_FALSE(background.macro_edge_path({grid.vertex(1, 2), grid.vertex(1, 2)}, m));
}

TEST_F(MacroEdgePath, NeighbourGivesOneEdgeWithItsDirection) {
    tag(m, row(2, 0, 4));
    const index_t a = grid.vertex(1, 2);
    const index_t b = grid.vertex(2, 2);
    const index_t edge = grid.surface().edges().edge_from_vertices({a, b}).value();
    EXPECT_THAT(*background.macro_edge_path({a, b}, m), ElementsAre(Pair(edge, true)));
    EXPECT_THAT(*background.macro_edge_path({b, a}, m), ElementsAre(Pair(edge, false)));
}

TEST_F(MacroEdgePath, FollowsOnlyTheAskedMacroEdge) {
    // `other` runs along row 1 and up column 4; `m` along row 1 only.
    auto l_shape = row(1, 0, 4);
    l_shape.push_back(grid.vertex(4, 2));
    l_shape.push_back(grid.vertex(4, 3));
    tag(other, l_shape);
    tag(m, row(1, 0, 4));
    const index_t start = grid.vertex(0, 1);
    EXPECT_EQ(background.macro_edge_path({start, grid.vertex(4, 3)}, other),
              expected_path(grid.surface(), l_shape));
    EXPECT_FALSE(background.macro_edge_path({start, grid.vertex(4, 3)}, m));
    EXPECT_FALSE(
        background.macro_edge_path({start, grid.vertex(4, 3)}, MeshEdge{uuid{}, 0}));
}

TEST_F(MacroEdgePath, TriesTheOtherStartEdgeWhenTheFirstLeadsAway) {
    // From the middle of a chain, one start edge leads to the asked end and the other to
    // a dead end; whichever the mesh lists first, both ends are found.
    tag(m, row(2, 0, 4));
    const index_t middle = grid.vertex(2, 2);
    EXPECT_EQ(background.macro_edge_path({middle, grid.vertex(4, 2)}, m),
              expected_path(grid.surface(), row(2, 2, 4)));
    EXPECT_EQ(background.macro_edge_path({middle, grid.vertex(0, 2)}, m),
              expected_path(grid.surface(), reversed(row(2, 0, 2))));
    // An end off the chain: both walks reach a chain end and fail.
    EXPECT_FALSE(background.macro_edge_path({middle, grid.vertex(2, 3)}, m));
}

TEST_F(MacroEdgePath, ForkStopsTheWalks) {
    // m: row 2 from column 0 to 4, plus a branch from (2, 2) up to (2, 4).
    tag(m, row(2, 0, 4));
    tag(m, {grid.vertex(2, 2), grid.vertex(2, 3), grid.vertex(2, 4)});
    EXPECT_FALSE(background.macro_edge_path({grid.vertex(0, 2), grid.vertex(4, 2)}, m));
    EXPECT_FALSE(background.macro_edge_path({grid.vertex(0, 2), grid.vertex(2, 4)}, m));
    // The fork vertex itself as an end is reached before its neighbours are counted.
    EXPECT_EQ(background.macro_edge_path({grid.vertex(0, 2), grid.vertex(2, 2)}, m),
              expected_path(grid.surface(), row(2, 0, 2)));
    // Starting at the fork: each of its three start edges leads to one chain end.
    EXPECT_EQ(background.macro_edge_path({grid.vertex(2, 2), grid.vertex(2, 4)}, m),
              expected_path(grid.surface(),
                            {grid.vertex(2, 2), grid.vertex(2, 3), grid.vertex(2, 4)}));
}

TEST_F(MacroEdgePath, ClosedMacroEdge) {
    // The ring around the centre cell block: (1,1) (2,1) (3,1) (3,2) (3,3) (2,3) (1,3)
    // (1,2) back to (1,1).
    const std::vector<index_t> ring{
        grid.vertex(1, 1), grid.vertex(2, 1), grid.vertex(3, 1),
        grid.vertex(3, 2), grid.vertex(3, 3), grid.vertex(2, 3),
        grid.vertex(1, 3), grid.vertex(1, 2), grid.vertex(1, 1)};
    tag(m, ring);
    const index_t start = grid.vertex(2, 1);
    const index_t end = grid.vertex(3, 3);
    const auto path = background.macro_edge_path({start, end}, m);
    ASSERT_TRUE(path);
    // One of the two ways round, whichever start edge the mesh lists first.
    const Path forward =
        expected_path(grid.surface(), {ring[1], ring[2], ring[3], ring[4]});
    const Path backward = expected_path(
        grid.surface(), {ring[1], ring[0], ring[7], ring[6], ring[5], ring[4]});
    EXPECT_TRUE(*path == forward || *path == backward);

    // An end off the ring: both walks come back to the start and fail there.
    EXPECT_FALSE(background.macro_edge_path({start, grid.vertex(2, 2)}, m));
}

TEST(MacroEdgePathLimit, ThousandEdgesAreReturnedOneMoreThrows) {
    const auto strip = test::make_strip(1001);
    BackgroundSurface background{strip.surface()};
    const MeshEdge m{uuid{}, 0};
    const auto chain = test::row(strip, 0);  // 1002 vertices, 1001 edges
    BackgroundSurfaceBuilder{background}.add_macro_edge_info(
        m, test::chain_edges(strip.surface(), chain));

    const auto path = background.macro_edge_path({0, 1000}, m);
    ASSERT_TRUE(path);
    EXPECT_EQ(path->size(), 1000u);
    EXPECT_EQ(*path,
              expected_path(strip.surface(), {chain.begin(), chain.begin() + 1001}));

    try {
        background.macro_edge_path({0, 1001}, m);
        ADD_FAILURE() << "no exception";
    } catch (const OrvaneBackgroundSurfaceException& e) {
        EXPECT_STREQ(e.what(),
                     "[BackgroundSurface::macro_edge_path] Too many steps while tracking "
                     "inserted edges.");
        // The walk stood on the asked end when the bound was reached.
        EXPECT_EQ(std::any_cast<Point2D>(e.payload()), (Point2D{{1001, 0}}));
    }
    // The other way round, the same bound.
    EXPECT_EQ(background.macro_edge_path({1001, 1}, m)->size(), 1000u);
    EXPECT_THROW(background.macro_edge_path({1001, 0}, m),
                 OrvaneBackgroundSurfaceException);
}

class MacroElementPatch : public ::testing::Test {
protected:
    test::Grid grid{2, 2};
    BackgroundSurface background{grid.surface()};
    BackgroundSurfaceBuilder builder{background};
    MeshElement x{uuid{}, 0};

    index_t edge(index_t a, index_t b) const {
        return grid.surface().edges().edge_from_vertices({a, b}).value();
    }
    // The edges of triangle t, local order.
    std::vector<index_t> triangle_edges(index_t t) const {
        const auto& v = grid.surface().polygon_vertices(t);
        return {edge(v[0], v[1]), edge(v[1], v[2]), edge(v[2], v[0])};
    }
};

TEST_F(MacroElementPatch, EmptyEdgeListGivesNoPatch) {
    builder.add_macro_element_info(x, 0);
    EXPECT_FALSE(background.macro_element_patch({}, x));
}

TEST_F(MacroElementPatch, SingleTriangleBoundedByItsEdges) {
    const index_t t = grid.lower_triangle(1, 1);
    builder.add_macro_element_info(x, t);
    // Its neighbours carry another element only.
    builder.add_macro_element_info(MeshElement{uuid{}, 0}, grid.upper_triangle(1, 1));
    EXPECT_THAT(*background.macro_element_patch(triangle_edges(t), x), ElementsAre(t));
}

TEST_F(MacroElementPatch, TwoTrianglesStartFirst) {
    // The two triangles of cell (1, 0), bounded by the cell's four sides; edges[0] is
    // the bottom side, which only the lower triangle touches.
    const index_t lower = grid.lower_triangle(1, 0);
    const index_t upper = grid.upper_triangle(1, 0);
    builder.add_macro_element_info(x, lower);
    builder.add_macro_element_info(x, upper);
    const std::vector<index_t> sides{edge(grid.vertex(1, 0), grid.vertex(2, 0)),
                                     edge(grid.vertex(2, 0), grid.vertex(2, 1)),
                                     edge(grid.vertex(2, 1), grid.vertex(1, 1)),
                                     edge(grid.vertex(1, 1), grid.vertex(1, 0))};
    EXPECT_THAT(*background.macro_element_patch(sides, x), ElementsAre(lower, upper));
    // Starting from the top side: the upper triangle first.
    const std::vector<index_t> from_top{sides[2], sides[3], sides[0], sides[1]};
    EXPECT_THAT(*background.macro_element_patch(from_top, x), ElementsAre(upper, lower));
}

TEST_F(MacroElementPatch, LeakingPatchGivesNoPatch) {
    const index_t lower = grid.lower_triangle(1, 0);
    builder.add_macro_element_info(x, lower);
    const auto edges = triangle_edges(lower);
    // Across the missing third edge there is no carrying triangle.
    EXPECT_FALSE(background.macro_element_patch({edges[0], edges[1]}, x));
    // A given edge that no carrying triangle touches: no start.
    EXPECT_FALSE(
        background.macro_element_patch(triangle_edges(grid.upper_triangle(0, 1)), x));
}

TEST(MacroElementPatchFan, ThreeTrianglesAroundAnInteriorVertexGiveNoPatch) {
    // One triangle split at its centre into three.
    auto surface = TriangulatedSurface<2>::create();
    {
        TriangulatedSurfaceBuilder<2> b{*surface};
        b.create_point(Point2D{{0, 0}});
        b.create_point(Point2D{{3, 0}});
        b.create_point(Point2D{{0, 3}});
        b.create_point(Point2D{{1, 1}});
        b.create_triangles(
            std::vector<std::array<index_t, 3>>{{0, 1, 3}, {1, 2, 3}, {2, 0, 3}});
        b.compute_polygon_adjacencies();
    }
    BackgroundSurface background{*surface};
    const MeshElement x{uuid{}, 0};
    BackgroundSurfaceBuilder builder{background};
    for (index_t t = 0; t < 3; ++t)
        builder.add_macro_element_info(x, t);
    const auto& edges = surface->edges();
    const std::vector<index_t> outer{edges.edge_from_vertices({0, 1}).value(),
                                     edges.edge_from_vertices({1, 2}).value(),
                                     edges.edge_from_vertices({2, 0}).value()};
    EXPECT_FALSE(background.macro_element_patch(outer, x));
}

// The strip's border, starting with the bottom side of cell 0.
std::vector<index_t> strip_border(const test::Grid& strip) {
    const auto& s = strip.surface();
    auto border = test::chain_edges(s, test::row(strip, 0));
    const auto top = test::chain_edges(s, test::row(strip, 1));
    border.insert(border.end(), top.begin(), top.end());
    border.push_back(
        s.edges().edge_from_vertices({strip.vertex(0, 0), strip.vertex(0, 1)}).value());
    border.push_back(s.edges()
                         .edge_from_vertices(
                             {strip.vertex(strip.nx(), 0), strip.vertex(strip.nx(), 1)})
                         .value());
    return border;
}

TEST(MacroElementPatchLimit, NineHundredNinetyEightTrianglesAreReturned) {
    const auto strip = test::make_strip(499);
    BackgroundSurface background{strip.surface()};
    const MeshElement x{uuid{}, 0};
    BackgroundSurfaceBuilder builder{background};
    for (index_t t = 0; t < strip.surface().nb_polygons(); ++t) {
        builder.add_macro_element_info(x, t);
    }
    const auto patch = background.macro_element_patch(strip_border(strip), x);
    ASSERT_TRUE(patch);
    EXPECT_EQ(patch->size(), 998u);
    EXPECT_EQ(patch->front(), strip.lower_triangle(0, 0));
    std::vector<index_t> sorted = *patch;
    std::sort(sorted.begin(), sorted.end());
    for (index_t t = 0; t < 998; ++t)
        EXPECT_EQ(sorted[t], t);
}

TEST(MacroElementPatchLimit, AThousandTrianglesThrowWithTheStartTriangle) {
    const auto strip = test::make_strip(500);
    BackgroundSurface background{strip.surface()};
    const MeshElement x{uuid{}, 0};
    BackgroundSurfaceBuilder builder{background};
    for (index_t t = 0; t < strip.surface().nb_polygons(); ++t) {
        builder.add_macro_element_info(x, t);
    }
    try {
        background.macro_element_patch(strip_border(strip), x);
        ADD_FAILURE() << "no exception";
    } catch (const OrvaneBackgroundSurfaceException& e) {
        EXPECT_STREQ(e.what(),
                     "[BackgroundSurface::macro_element_patch] Too many steps while "
                     "propagating on macro element.");
        const auto point = std::any_cast<Point2D>(e.payload());
        EXPECT_TRUE(point.inexact_equal(Point2D{{2. / 3., 1. / 3.}})) << point.string();
    }
}

TEST(CommonMacroFacets, ElementOncePerCarryingTriangleAroundTheLastVertex) {
    test::Grid grid{2, 2};
    BackgroundSurface background{grid.surface()};
    BackgroundSurfaceBuilder builder{background};
    const uuid surface_id;
    const MeshElement x{surface_id, 0};
    const MeshElement near_corner{surface_id, 1};
    const MeshElement far{surface_id, 2};
    for (index_t t = 0; t < grid.surface().nb_polygons(); ++t) {
        builder.add_macro_element_info(x, t);
    }
    // Only around the corner (0, 0), and only in the far cell.
    builder.add_macro_element_info(near_corner, grid.upper_triangle(0, 0));
    builder.add_macro_element_info(far, grid.upper_triangle(1, 1));

    // Corners of the lower triangle of cell (0, 0); the last one, (1, 1), is interior
    // with six triangles around it.
    const index_t u = grid.vertex(0, 0);
    const index_t v = grid.vertex(1, 0);
    const index_t w = grid.vertex(1, 1);
    EXPECT_THAT(background.common_macro_facets({u, v, w}),
                ElementsAreArray(std::vector<MeshElement>(6, x)));
    // With the corner (0, 0) last: its two triangles.
    EXPECT_THAT(background.common_macro_facets({w, v, u}), ElementsAre(x, x));
    // No element in common when one vertex lies outside it.
    BackgroundSurfaceBuilder{background}.remove_macro_element_info(
        x, grid.lower_triangle(0, 0));
    BackgroundSurfaceBuilder{background}.remove_macro_element_info(
        x, grid.upper_triangle(0, 0));
    EXPECT_TRUE(background.common_macro_facets({u, v, w}).empty());
}

}  // namespace
}  // namespace orvane::internal
