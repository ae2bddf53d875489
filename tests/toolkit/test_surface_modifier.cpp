// TriangulatedSurfaceModifier<2>: each operation on a small fixture, its effect on the
// mesh and its record; each refused precondition leaves everything as it was.

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/attribute.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/macro/common/background_edge_vertices.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

#include "support/grid_surface.hpp"
#include "test_surface_modifier_support.hpp"

namespace orvane {
namespace {

using test::consistency_problems;
using test::edge_of;
using Modifier = TriangulatedSurfaceModifier<2>;

Point<2> P(double x, double y) {
    return Point<2>{{x, y}};
}

// A surface, its builder and modifier, with a polygon tag (assignable), two edge
// attributes (one assignable, one not, as the macro store's) and an interpolable
// vertex height.
class Fixture {
public:
    explicit Fixture(std::unique_ptr<TriangulatedSurface<2>> surface)
        : surface_(std::move(surface)),
          builder_(*surface_),
          modifier_(*surface_, builder_) {
        tag_ = surface_->polygon_attribute_manager()
                   .find_or_create_attribute<VariableAttribute, index_t>(
                       "tag", NO_ID, AttributeProperties{true, false, false});
        for (index_t t = 0; t < surface_->nb_polygons(); ++t)
            tag_->set_value(t, 10 * t + 1);
        auto& edges = surface_->edges().edge_attribute_manager();
        macro_ = edges.find_or_create_attribute<VariableAttribute, index_t>(
            "macro", 0, AttributeProperties{false, false, false});
        assigned_ = edges.find_or_create_attribute<VariableAttribute, index_t>(
            "assigned", 0, AttributeProperties{true, false, false});
        for (index_t e = 0; e < surface_->edges().nb_edges(); ++e) {
            macro_->set_value(e, 1000 + e);
            assigned_->set_value(e, 5000 + e);
        }
        height_ = surface_->vertex_attribute_manager()
                      .find_or_create_attribute<VariableAttribute, double>(
                          "height", 0., AttributeProperties{false, true, false});
        for (index_t v = 0; v < surface_->nb_vertices(); ++v) {
            const auto& p = surface_->point(v);
            height_->set_value(v, p.value(0) + 2 * p.value(1));
        }
    }
    explicit Fixture(test::Grid grid) : Fixture(grid.release()) {}

    TriangulatedSurface<2>& surface() { return *surface_; }
    TriangulatedSurfaceBuilder<2>& builder() { return builder_; }
    Modifier& modifier() { return modifier_; }
    index_t tag(index_t t) const { return tag_->value(t); }
    index_t macro(index_t e) const { return macro_->value(e); }
    index_t assigned(index_t e) const { return assigned_->value(e); }
    double height(index_t v) const { return height_->value(v); }
    std::string problems() const { return consistency_problems(*surface_, modifier_); }
    test::ModifierSnapshot snapshot() const {
        return test::snapshot(*surface_, modifier_);
    }
    index_t edge(index_t a, index_t b) const { return edge_of(*surface_, a, b); }
    index_t edge(const PolygonEdge& pe) const { return edge_of(*surface_, pe); }

private:
    std::unique_ptr<TriangulatedSurface<2>> surface_;
    TriangulatedSurfaceBuilder<2> builder_;
    Modifier modifier_;
    std::shared_ptr<VariableAttribute<index_t>> tag_;
    std::shared_ptr<VariableAttribute<index_t>> macro_;
    std::shared_ptr<VariableAttribute<index_t>> assigned_;
    std::shared_ptr<VariableAttribute<double>> height_;
};

std::unique_ptr<TriangulatedSurface<2>> make_surface(
    const std::vector<Point<2>>& points,
    const std::vector<std::array<index_t, 3>>& triangles, bool adjacencies = true) {
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*surface};
    builder.create_points(points);
    builder.create_triangles(triangles);
    if (adjacencies)
        builder.compute_polygon_adjacencies();
    return surface;
}

// Triangle (0, 1, 2) split at its centre 3: triangles 1 (0, 1, 3), 2 (1, 2, 3),
// 3 (2, 0, 3); vertex 3 has three neighbours that are all joined to each other.
Fixture split_centre_fixture() {
    Fixture f{make_surface({P(0, 0), P(3, 0), P(0, 3)}, {{0, 1, 2}})};
    f.modifier().split_triangle(0, P(1, 1));
    return f;
}

// Runs `operation`, expects the toolkit exception with `message` in it, and checks that
// nothing changed.
void expect_refused(Fixture& f, const std::function<void()>& operation,
                    const std::string& message) {
    const auto before = f.snapshot();
    try {
        operation();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const OrvaneCommonModifierCommonException& e) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr(message));
        EXPECT_THAT(e.what(), ::testing::StartsWith("[TriangulatedSurfaceModifier::"));
    }
    EXPECT_TRUE(f.snapshot() == before) << "a refused operation changed the mesh";
}

// ---- split_triangle ---------------------------------------------------------------

TEST(SurfaceModifierSplitTriangle, ReplacesTheTriangleByThreeAndRecordsIt) {
    Fixture f{test::Grid{2, 2}};
    // Triangle 0 is (0, 1, 4): (0, 0), (1, 0), (1, 1). Across its edge 1 (1 -> 4) is
    // triangle 3, across its edge 2 (4 -> 0) triangle 1; edge 0 is on the border.
    const index_t edge_14 = f.edge(1, 4);
    const auto info = f.modifier().split_triangle(0, P(0.7, 0.3));

    EXPECT_EQ(info.new_vertex, 9u);
    EXPECT_EQ(f.surface().point(9), P(0.7, 0.3));
    EXPECT_NEAR(f.height(9), 0.7 + 0.6, 1e-12);
    ASSERT_EQ(f.surface().nb_polygons(), 11u);
    EXPECT_FALSE(f.modifier().is_triangle_active(0));
    EXPECT_EQ(f.modifier().nb_inactive_triangles(), 1u);
    EXPECT_EQ(f.surface().polygon_vertices(0), (std::array<index_t, 3>{{0, 1, 4}}));
    EXPECT_EQ(f.surface().polygon_vertices(8), (std::array<index_t, 3>{{0, 1, 9}}));
    EXPECT_EQ(f.surface().polygon_vertices(9), (std::array<index_t, 3>{{1, 4, 9}}));
    EXPECT_EQ(f.surface().polygon_vertices(10), (std::array<index_t, 3>{{4, 0, 9}}));
    for (index_t t = 8; t <= 10; ++t)
        EXPECT_EQ(f.tag(t), f.tag(0));
    EXPECT_FALSE(f.surface().polygon_adjacent(PolygonEdge{8, 0}));
    EXPECT_EQ(f.surface().polygon_adjacent(PolygonEdge{9, 0}), 3u);
    EXPECT_EQ(f.surface().polygon_adjacent(PolygonEdge{3, 2}), 9u);
    EXPECT_EQ(f.surface().polygon_adjacent(PolygonEdge{10, 0}), 1u);
    EXPECT_EQ(f.surface().polygon_adjacent(PolygonEdge{8, 1}), 9u);
    for (local_index_t e = 0; e < 3; ++e)
        EXPECT_FALSE(f.surface().polygon_adjacent(PolygonEdge{0, e}));
    // The outer edge keeps its index and values.
    EXPECT_EQ(f.edge(PolygonEdge{9, 0}), edge_14);
    EXPECT_EQ(f.macro(edge_14), 1000 + edge_14);

    ASSERT_EQ(info.outer_edges.size(), 3u);
    ASSERT_EQ(info.new_edges.size(), 3u);
    ASSERT_EQ(info.new_triangles.size(), 3u);
    const std::array<index_t, 3> corners{{1, 4, 0}};
    for (index_t i = 0; i < 3; ++i) {
        EXPECT_EQ(info.outer_edges[i].first, (PolygonEdge{8 + i, 0}));
        EXPECT_EQ(info.outer_edges[i].second,
                  (PolygonEdge{0, static_cast<local_index_t>(i)}));
        EXPECT_EQ(f.edge(info.outer_edges[i].first), f.edge(info.outer_edges[i].second));
        EXPECT_EQ(info.new_edges[i].second.polygon_id, NO_ID);
        EXPECT_EQ(f.edge(info.new_edges[i].first), f.edge(corners[i], 9));
        EXPECT_EQ(info.new_triangles[i], (Mapping<index_t>{8 + i, 0}));
    }
    EXPECT_EQ(f.problems(), "");
}

TEST(SurfaceModifierSplitTriangle, RefusesBadArguments) {
    Fixture f{test::Grid{2, 2}};
    f.modifier().inactive_triangle(5);
    struct Case {
        index_t triangle;
        Point<2> point;
        std::string message;
    };
    const std::vector<Case> cases{
        {0, P(0.5, 0), "not strictly inside"},    // on the border edge
        {0, P(0.5, 0.5), "not strictly inside"},  // on the diagonal
        {0, P(0.2, 0.6), "not strictly inside"},  // outside
        {0, P(1 - 4e-7, 3e-7), "within"},         // next to vertex 1
        {5, P(1.7, 0.5), "inactive"},
        {99, P(0.7, 0.3), "out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        expect_refused(
            f, [&] { f.modifier().split_triangle(c.triangle, c.point); }, c.message);
    }
    // Close to (but not on) an edge is accepted: no zero-length edge comes of it.
    EXPECT_NO_THROW(f.modifier().split_triangle(0, P(1 - 5e-7, 0.5)));
    EXPECT_EQ(f.problems(), "");
}

// ---- split_edge -------------------------------------------------------------------

TEST(SurfaceModifierSplitEdge, InteriorEdgeFourTrianglesAndFourLists) {
    Fixture f{test::Grid{2, 2}};
    // Diagonal (0, 4): polygon edge {1, 0} of (0, 4, 3), across it {0, 2} of (0, 1, 4).
    const index_t old_edge = f.edge(0, 4);
    const auto info = f.modifier().split_edge(PolygonEdge{1, 0}, P(0.5, 0.5));

    EXPECT_EQ(info.new_vertex, 9u);
    EXPECT_NEAR(f.height(9), 1.5, 1e-12);
    EXPECT_FALSE(f.modifier().is_triangle_active(0));
    EXPECT_FALSE(f.modifier().is_triangle_active(1));
    ASSERT_EQ(f.surface().nb_polygons(), 12u);
    EXPECT_EQ(f.surface().polygon_vertices(8), (std::array<index_t, 3>{{0, 9, 3}}));
    EXPECT_EQ(f.surface().polygon_vertices(9), (std::array<index_t, 3>{{9, 4, 3}}));
    EXPECT_EQ(f.surface().polygon_vertices(10), (std::array<index_t, 3>{{4, 9, 1}}));
    EXPECT_EQ(f.surface().polygon_vertices(11), (std::array<index_t, 3>{{9, 0, 1}}));
    EXPECT_EQ(f.tag(8), f.tag(1));
    EXPECT_EQ(f.tag(9), f.tag(1));
    EXPECT_EQ(f.tag(10), f.tag(0));
    EXPECT_EQ(f.tag(11), f.tag(0));

    using PE = PolygonEdge;
    using M = Mapping<PolygonEdge>;
    EXPECT_THAT(info.first_side_halves,
                ::testing::ElementsAre(M{PE{8, 0}, PE{1, 0}}, M{PE{9, 0}, PE{1, 0}}));
    EXPECT_THAT(info.first_side_outer_edges,
                ::testing::ElementsAre(M{PE{9, 1}, PE{1, 1}}, M{PE{8, 2}, PE{1, 2}}));
    EXPECT_THAT(info.second_side_halves,
                ::testing::ElementsAre(M{PE{10, 0}, PE{0, 2}}, M{PE{11, 0}, PE{0, 2}}));
    EXPECT_THAT(info.second_side_outer_edges,
                ::testing::ElementsAre(M{PE{11, 1}, PE{0, 0}}, M{PE{10, 2}, PE{0, 1}}));
    EXPECT_THAT(info.first_side_triangles,
                ::testing::ElementsAre(Mapping<index_t>{8, 1}, Mapping<index_t>{9, 1}));
    EXPECT_THAT(info.second_side_triangles,
                ::testing::ElementsAre(Mapping<index_t>{10, 0}, Mapping<index_t>{11, 0}));
    for (const auto* list :
         {&info.first_side_outer_edges, &info.second_side_outer_edges}) {
        for (const auto& pair : *list)
            EXPECT_EQ(f.edge(pair.first), f.edge(pair.second));
    }
    // Halves: the old edge still resolves from the record and keeps its values; the
    // halves copied the assignable values only.
    for (const auto* list : {&info.first_side_halves, &info.second_side_halves}) {
        for (const auto& pair : *list) {
            EXPECT_EQ(f.edge(pair.second), old_edge);
            EXPECT_EQ(f.macro(f.edge(pair.second)), 1000 + old_edge);
            EXPECT_EQ(f.assigned(f.edge(pair.first)), 5000 + old_edge);
            EXPECT_EQ(f.macro(f.edge(pair.first)), 0u);
        }
    }
    EXPECT_FALSE(f.modifier().is_edge_active(old_edge));
    EXPECT_TRUE(f.modifier().is_edge_active(f.edge(0, 9)));
    EXPECT_EQ(f.problems(), "");
}

TEST(SurfaceModifierSplitEdge, BorderEdgeHasOneSide) {
    Fixture f{test::Grid{2, 2}};
    // Slightly outside the border, within the tolerance: the border moves that much.
    const Point<2> point = P(0.5, -5e-7);
    const auto info = f.modifier().split_edge(PolygonEdge{0, 0}, point);
    EXPECT_EQ(f.surface().point(info.new_vertex), point);
    EXPECT_EQ(f.surface().polygon_vertices(8), (std::array<index_t, 3>{{0, 9, 4}}));
    EXPECT_EQ(f.surface().polygon_vertices(9), (std::array<index_t, 3>{{9, 1, 4}}));
    EXPECT_EQ(info.first_side_halves.size(), 2u);
    EXPECT_EQ(info.first_side_outer_edges.size(), 2u);
    EXPECT_TRUE(info.second_side_halves.empty());
    EXPECT_TRUE(info.second_side_outer_edges.empty());
    EXPECT_TRUE(info.second_side_triangles.empty());
    EXPECT_TRUE(f.surface().is_edge_on_border(PolygonEdge{8, 0}));
    EXPECT_TRUE(f.surface().is_edge_on_border(PolygonEdge{9, 0}));
    EXPECT_EQ(f.problems(), "");
}

TEST(SurfaceModifierSplitEdge, RefusesBadArguments) {
    Fixture f{test::Grid{2, 2}};
    f.modifier().inactive_triangle(5);
    struct Case {
        PolygonEdge edge;
        Point<2> point;
        std::string message;
    };
    const std::vector<Case> cases{
        {PolygonEdge{0, 0}, P(0.5, 1e-5), "away from edge"},
        {PolygonEdge{0, 0}, P(0.5, -1e-5), "away from edge"},
        {PolygonEdge{0, 0}, P(1.5, 0), "away from edge"},
        {PolygonEdge{0, 0}, P(5e-7, 0), "zero-length"},
        {PolygonEdge{0, 0}, P(1 - 9e-7, 0), "zero-length"},
        {PolygonEdge{5, 0}, P(1.5, 0.5), "inactive"},
        {PolygonEdge{50, 0}, P(0.5, 0), "out of range"},
        {PolygonEdge{0, 3}, P(0.5, 0), "out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        expect_refused(
            f, [&] { f.modifier().split_edge(c.edge, c.point); }, c.message);
    }
}

TEST(SurfaceModifierSplitEdge, RefusesAPointThatInvertsATriangle) {
    // A sliver: the apex lies 1e-7 above the middle of the edge, so a point 3e-7 above
    // the edge (within the tolerance) would put the new vertex above the apex.
    Fixture f{make_surface({P(0, 0), P(1, 0), P(0.5, 1e-7), P(0.5, -1)},
                           {{0, 1, 2}, {1, 0, 3}})};
    expect_refused(
        f,
        [&] {
            f.modifier().split_edge(PolygonEdge{0, 0}, P(0.5, 3e-7));
        },
        "flat or inverted");
}

// ---- collapse_edge ----------------------------------------------------------------

TEST(SurfaceModifierCollapseEdge, MergesTheSecondVertexIntoTheFirst) {
    Fixture f{test::Grid{3, 3}};
    // Triangle 8 is lower(1, 1) = (5, 6, 10); across its edge 5 -> 6 is (1, 6, 5).
    // Vertex 6 = (2, 1) has neighbours 5, 7, 2, 10, 11, 1 and six triangles.
    const auto neighbours = f.surface().vertices_around_vertex(6);
    const auto fan = f.surface().polygons_around_vertex(6);
    std::vector<index_t> old_edges;
    for (const index_t x : neighbours) {
        if (x != 5)
            old_edges.push_back(f.edge(6, x));
    }
    const index_t nb_before = f.surface().nb_polygons();
    const auto info = f.modifier().collapse_edge(PolygonEdge{8, 0}, P(1.5, 1));

    EXPECT_EQ(info.vertex.first, 5u);
    EXPECT_THAT(info.vertex.second, ::testing::ElementsAre(6u));
    EXPECT_EQ(f.surface().point(5), P(1.5, 1));
    EXPECT_TRUE(f.surface().is_vertex_isolated(6));
    EXPECT_EQ(f.modifier().updated_vertex(6), 5u);
    EXPECT_EQ(f.modifier().updated_vertex(5), 5u);
    EXPECT_EQ(info.collapsed_edge, f.edge(5, 6));
    EXPECT_THAT(info.removed_triangles, ::testing::UnorderedElementsAre(8u, 3u));

    ASSERT_EQ(info.edges.size(), old_edges.size());
    index_t i = 0;
    for (const index_t x : neighbours) {
        if (x == 5)
            continue;
        SCOPED_TRACE(x);
        EXPECT_EQ(info.edges[i].first, f.edge(5, x));
        EXPECT_THAT(info.edges[i].second, ::testing::ElementsAre(old_edges[i]));
        const bool merged = x == 10 || x == 1;
        // A renamed edge copies the assignable values; a merged one keeps its own.
        EXPECT_EQ(f.assigned(info.edges[i].first),
                  merged ? 5000 + info.edges[i].first : 5000 + old_edges[i]);
        EXPECT_EQ(f.macro(old_edges[i]), 1000 + old_edges[i]);
        ++i;
    }
    ASSERT_EQ(info.new_triangles.size(), fan.size() - 2);
    for (index_t j = 0; j < info.new_triangles.size(); ++j) {
        const auto& [fresh, source] = info.new_triangles[j];
        EXPECT_EQ(fresh, nb_before + j);
        EXPECT_FALSE(f.modifier().is_triangle_active(source));
        EXPECT_EQ(f.tag(fresh), f.tag(source));
        auto expected = f.surface().polygon_vertices(source);
        std::replace(expected.begin(), expected.end(), index_t{6}, index_t{5});
        EXPECT_EQ(f.surface().polygon_vertices(fresh), expected);
    }
    for (const auto& pv : fan)
        EXPECT_FALSE(f.modifier().is_triangle_active(pv.polygon_id));
    EXPECT_EQ(f.problems(), "");
}

TEST(SurfaceModifierCollapseEdge, EdgeIndexFormKeepsTheSmallerIndex) {
    Fixture f{test::Grid{3, 3}};
    const auto info = f.modifier().collapse_edge(f.edge(6, 5), P(2, 1));
    EXPECT_EQ(info.vertex.first, 5u);
    EXPECT_THAT(info.vertex.second, ::testing::ElementsAre(6u));
    EXPECT_EQ(f.surface().point(5), P(2, 1));
    EXPECT_EQ(f.problems(), "");
}

TEST(SurfaceModifierCollapseEdge, RefusesWhatWouldBreakTheMesh) {
    {
        // Border edge 0 -> 1 of (0, 1, 3): 0 and 1 also share vertex 2.
        Fixture f = split_centre_fixture();
        expect_refused(
            f,
            [&] {
                f.modifier().collapse_edge(PolygonEdge{1, 0}, P(0, 0));
            },
            "link condition");
    }
    {
        // Interior edge 1 -> 4 of a 2 x 1 grid: both ends on the border.
        Fixture f{test::Grid{2, 1}};
        expect_refused(
            f,
            [&] {
                f.modifier().collapse_edge(PolygonEdge{0, 1}, P(1, 0));
            },
            "pinch");
    }
    {
        Fixture f{test::Grid{3, 3}};
        f.modifier().inactive_triangle(0);
        expect_refused(
            f,
            [&] {
                f.modifier().collapse_edge(PolygonEdge{8, 0}, P(3, 3));
            },
            "flat or inverted");
        // Kept vertex 5 moved to the left: its own triangle (0, 5, 4) inverts.
        expect_refused(
            f,
            [&] {
                f.modifier().collapse_edge(PolygonEdge{8, 0}, P(-0.5, 1));
            },
            "around vertex 5");
        expect_refused(
            f,
            [&] {
                f.modifier().collapse_edge(PolygonEdge{0, 0}, P(0, 0));
            },
            "inactive");
        expect_refused(
            f, [&] { f.modifier().collapse_edge(index_t{5000}, P(0, 0)); },
            "out of range");
    }
}

// ---- swap_edge --------------------------------------------------------------------

TEST(SurfaceModifierSwapEdge, BothTrianglesCopyTheTriangleAcross) {
    Fixture f{test::Grid{1, 1}};
    // (0, 1, 3) and (0, 3, 2); polygon edge {0, 2} runs 3 -> 0, apex 1, across apex 2.
    const index_t old_edge = f.edge(0, 3);
    const auto info = f.modifier().swap_edge(PolygonEdge{0, 2});
    EXPECT_EQ(info.old_edge, old_edge);
    EXPECT_EQ(info.old_edge_vertices, (std::array<index_t, 2>{{3, 0}}));
    EXPECT_EQ(info.new_edge_vertices, (std::array<index_t, 2>{{1, 2}}));
    EXPECT_EQ(info.new_edge, f.edge(1, 2));
    EXPECT_THAT(info.new_triangles,
                ::testing::ElementsAre(Mapping<index_t>{2, 1}, Mapping<index_t>{3, 1}));
    EXPECT_EQ(info.replaced_triangles, (std::array<index_t, 2>{{0, 1}}));
    EXPECT_EQ(f.surface().polygon_vertices(2), (std::array<index_t, 3>{{3, 2, 1}}));
    EXPECT_EQ(f.surface().polygon_vertices(3), (std::array<index_t, 3>{{2, 0, 1}}));
    EXPECT_EQ(f.tag(2), f.tag(1));
    EXPECT_EQ(f.tag(3), f.tag(1));
    EXPECT_NE(f.tag(2), f.tag(0));
    EXPECT_EQ(f.surface().polygon_adjacent(PolygonEdge{2, 1}), 3u);
    EXPECT_FALSE(f.modifier().is_edge_active(old_edge));
    EXPECT_EQ(f.macro(old_edge), 1000 + old_edge);
    EXPECT_EQ(f.problems(), "");
}

TEST(SurfaceModifierSwapEdge, RefusesBorderNonConvexAndExistingEdge) {
    {
        Fixture f{test::Grid{1, 1}};
        expect_refused(
            f,
            [&] {
                f.modifier().swap_edge(PolygonEdge{0, 0});
            },
            "border");
    }
    {
        // Vertex 2 is inside triangle (0, 1, 3): the quadrilateral is not convex.
        Fixture f{make_surface({P(0, 0), P(1, 0), P(0.3, 0.3), P(0, 1)},
                               {{0, 1, 2}, {0, 2, 3}})};
        expect_refused(
            f,
            [&] {
                f.modifier().swap_edge(PolygonEdge{0, 2});
            },
            "not strictly convex");
    }
    {
        // Edge 1 -> 3 of (0, 1, 3) would become (0, 2), which is an edge already.
        Fixture f = split_centre_fixture();
        expect_refused(
            f,
            [&] {
                f.modifier().swap_edge(PolygonEdge{1, 1});
            },
            "exists already");
    }
}

// ---- move_point -------------------------------------------------------------------

TEST(SurfaceModifierMovePoint, MovesOrRefuses) {
    Fixture f{test::Grid{2, 2}};
    const index_t nb = f.surface().nb_polygons();
    f.modifier().move_point(4, P(1.1, 0.9));
    EXPECT_EQ(f.surface().point(4), P(1.1, 0.9));
    EXPECT_EQ(f.surface().nb_polygons(), nb);
    EXPECT_EQ(f.problems(), "");
    expect_refused(
        f, [&] { f.modifier().move_point(4, P(2.5, 1)); }, "flat or inverted");
    // Exactly onto the line of the edge 3 -> 0 of (0, 4, 3): flat.
    expect_refused(
        f, [&] { f.modifier().move_point(4, P(0, 0.5)); }, "flat or inverted");
    const index_t isolated = f.builder().create_point(P(5, 5));
    expect_refused(
        f, [&] { f.modifier().move_point(isolated, P(5, 6)); },
        "not used by any active triangle");
    expect_refused(
        f, [&] { f.modifier().move_point(100, P(5, 6)); }, "out of range");
}

// ---- split_collapse_edge ------------------------------------------------------------

TEST(SurfaceModifierSplitCollapse, InteriorEdgeIsRoutedThroughTheApex) {
    Fixture f{test::Grid{1, 1}};
    // {0, 2}: 3 -> 0 in (0, 1, 3), apex w = 1; across (0, 3, 2), apex x = 2.
    const index_t old_edge = f.edge(0, 3);
    const auto info = f.modifier().split_collapse_edge(PolygonEdge{0, 2}, P(0.9, 0.05));
    EXPECT_EQ(info.apex_vertex, 1u);
    EXPECT_EQ(f.modifier().updated_vertex(1), 1u);
    EXPECT_EQ(f.surface().point(1), P(0.9, 0.05));
    EXPECT_EQ(info.old_edge, old_edge);
    EXPECT_EQ(info.old_edge_vertices, (std::array<index_t, 2>{{3, 0}}));
    EXPECT_EQ(info.new_route_edges,
              (std::array<index_t, 2>{{f.edge(3, 1), f.edge(1, 0)}}));
    EXPECT_EQ(info.new_edge, f.edge(1, 2));
    EXPECT_THAT(info.new_triangles,
                ::testing::ElementsAre(Mapping<index_t>{2, 1}, Mapping<index_t>{3, 1}));
    EXPECT_EQ(info.replaced_triangles, (std::array<index_t, 2>{{0, 1}}));
    EXPECT_EQ(f.surface().polygon_vertices(2), (std::array<index_t, 3>{{0, 1, 2}}));
    EXPECT_EQ(f.surface().polygon_vertices(3), (std::array<index_t, 3>{{1, 3, 2}}));
    EXPECT_EQ(f.tag(2), f.tag(1));
    EXPECT_EQ(f.tag(3), f.tag(1));
    EXPECT_EQ(f.problems(), "");
}

TEST(SurfaceModifierSplitCollapse, BorderEdgeIsRoutedThroughTheApex) {
    Fixture f{test::Grid{2, 2}};
    // (0, 1, 4): border edge 0 -> 1, interior apex 4.
    const index_t old_edge = f.edge(0, 1);
    const index_t nb = f.surface().nb_polygons();
    const auto info = f.modifier().split_collapse_edge(PolygonEdge{0, 0}, P(0.5, 0.1));
    EXPECT_EQ(info.apex_vertex, 4u);
    EXPECT_EQ(f.surface().point(4), P(0.5, 0.1));
    EXPECT_EQ(f.surface().nb_polygons(), nb);
    EXPECT_TRUE(info.new_triangles.empty());
    EXPECT_EQ(info.new_edge, NO_ID);
    EXPECT_EQ(info.replaced_triangles, (std::array<index_t, 2>{{0, NO_ID}}));
    EXPECT_FALSE(f.modifier().is_triangle_active(0));
    EXPECT_EQ(info.old_edge, old_edge);
    EXPECT_EQ(info.new_route_edges,
              (std::array<index_t, 2>{{f.edge(0, 4), f.edge(4, 1)}}));
    // Triangles 1 = (0, 4, 3) and 3 = (1, 5, 4) now carry the border.
    EXPECT_TRUE(f.surface().is_edge_on_border(PolygonEdge{1, 0}));
    EXPECT_TRUE(f.surface().is_edge_on_border(PolygonEdge{3, 2}));
    EXPECT_TRUE(f.surface().is_vertex_on_border(4));
    EXPECT_FALSE(f.modifier().is_edge_active(old_edge));
    EXPECT_EQ(f.problems(), "");
}

TEST(SurfaceModifierSplitCollapse, ApexStaysWhereItIsWithoutAPoint) {
    Fixture f{test::Grid{2, 2}};
    f.modifier().split_collapse_edge(PolygonEdge{0, 0});
    EXPECT_EQ(f.surface().point(4), P(1, 1));
    EXPECT_EQ(f.problems(), "");
}

TEST(SurfaceModifierSplitCollapse, RefusesWhatWouldBreakTheMesh) {
    {
        // (1, 2, 6): border edge 1 -> 2, interior edges 2 -> 6 and 6 -> 1, but the
        // apex 6 is on the top border.
        Fixture f{test::Grid{3, 1}};
        expect_refused(
            f,
            [&] {
                f.modifier().split_collapse_edge(PolygonEdge{2, 0});
            },
            "pinch");
    }
    {
        // Edge 1 -> 3 of (0, 1, 3), apex 0, across apex 2: (0, 2) exists.
        Fixture f = split_centre_fixture();
        expect_refused(
            f,
            [&] {
                f.modifier().split_collapse_edge(PolygonEdge{1, 1});
            },
            "exists already");
        // Border edge 0 -> 1 of (0, 1, 3): its apex 3 is interior but moving it onto
        // (5, 5) inverts its other triangles.
        expect_refused(
            f,
            [&] {
                f.modifier().split_collapse_edge(PolygonEdge{1, 0}, P(5, 5));
            },
            "flat or inverted");
    }
    {
        // A border triangle whose other edges are not both interior.
        Fixture f{test::Grid{2, 2}};
        expect_refused(
            f,
            [&] {
                f.modifier().split_collapse_edge(PolygonEdge{2, 0});
            },
            "inside the surface");
    }
}

// ---- remove_double_adjacency
// ------------------------------------------------------------

// A fold: v = 2 has the two triangles (2, 0, 1) and (2, 1, 0), adjacent across both of
// its edges; (0, 1, 3) above and (1, 0, 4) below are glued to the fold's far sides.
std::unique_ptr<TriangulatedSurface<2>> make_fold() {
    auto surface = make_surface({P(0, 0), P(1, 0), P(0.5, 0.2), P(0.5, 1), P(0.5, -1)},
                                {{0, 1, 3}, {1, 0, 4}, {2, 0, 1}, {2, 1, 0}}, false);
    TriangulatedSurfaceBuilder<2> builder{*surface};
    const auto glue = [&builder](PolygonEdge a, PolygonEdge b) {
        builder.set_polygon_adjacent(a, b.polygon_id);
        builder.set_polygon_adjacent(b, a.polygon_id);
    };
    glue(PolygonEdge{2, 0}, PolygonEdge{3, 2});  // 2 -> 0 / 0 -> 2
    glue(PolygonEdge{2, 2}, PolygonEdge{3, 0});  // 1 -> 2 / 2 -> 1
    glue(PolygonEdge{2, 1}, PolygonEdge{1, 0});  // 0 -> 1 / 1 -> 0
    glue(PolygonEdge{3, 1}, PolygonEdge{0, 0});  // 1 -> 0 / 0 -> 1
    return surface;
}

TEST(SurfaceModifierDoubleAdjacency, RemovesTheFold) {
    Fixture f{make_fold()};
    const auto info = f.modifier().remove_double_adjacency(2);
    EXPECT_EQ(info.removed_vertex, 2u);
    EXPECT_EQ(info.edge_vertices, (std::array<index_t, 2>{{0, 1}}));
    EXPECT_EQ(info.edge, f.edge(0, 1));
    EXPECT_EQ(info.removed_edges, (std::array<index_t, 2>{{f.edge(2, 0), f.edge(2, 1)}}));
    EXPECT_EQ(info.removed_triangles, (std::array<index_t, 2>{{2, 3}}));
    EXPECT_THAT(info.touched_triangles, ::testing::ElementsAre(1u, 0u));
    EXPECT_EQ(f.surface().polygon_adjacent(PolygonEdge{0, 0}), 1u);
    EXPECT_EQ(f.surface().polygon_adjacent(PolygonEdge{1, 0}), 0u);
    EXPECT_TRUE(f.surface().is_vertex_isolated(2));
    EXPECT_FALSE(f.modifier().updated_vertex(2));
    EXPECT_EQ(f.surface().nb_polygons(), 4u);
    EXPECT_EQ(f.problems(), "");
}

TEST(SurfaceModifierDoubleAdjacency, RefusesOtherVertices) {
    Fixture f{test::Grid{2, 2}};
    for (const index_t v : {index_t{4}, index_t{0}, index_t{1}}) {
        SCOPED_TRACE(v);
        expect_refused(
            f, [&] { f.modifier().remove_double_adjacency(v); },
            "not a double adjacency");
    }
    expect_refused(
        f, [&] { f.modifier().remove_double_adjacency(9); }, "out of range");
}

// ---- replace_vertex -----------------------------------------------------------------

TEST(SurfaceModifierReplaceVertex, MovesTheFanOntoAnIsolatedVertex) {
    Fixture f{test::Grid{2, 2}};
    const index_t fresh_vertex = f.builder().create_point(P(1.1, 0.9));
    const auto neighbours = f.surface().vertices_around_vertex(4);
    std::vector<index_t> old_edges;
    for (const index_t x : neighbours)
        old_edges.push_back(f.edge(4, x));
    const auto mapping = f.modifier().replace_vertex(4, fresh_vertex);
    ASSERT_EQ(mapping.size(), neighbours.size());
    for (std::size_t i = 0; i < neighbours.size(); ++i) {
        EXPECT_EQ(mapping.pairs()[i].first, old_edges[i]);
        EXPECT_EQ(mapping.pairs()[i].second, f.edge(fresh_vertex, neighbours[i]));
        EXPECT_EQ(f.assigned(mapping.pairs()[i].second), 5000 + old_edges[i]);
    }
    EXPECT_TRUE(f.surface().is_vertex_isolated(4));
    EXPECT_EQ(f.modifier().updated_vertex(4), fresh_vertex);
    EXPECT_EQ(f.modifier().nb_inactive_triangles(), 6u);
    EXPECT_EQ(f.surface().polygons_around_vertex(fresh_vertex).size(), 6u);
    EXPECT_EQ(f.problems(), "");
}

TEST(SurfaceModifierReplaceVertex, RefusesBadVertices) {
    Fixture f{test::Grid{2, 2}};
    const index_t far = f.builder().create_point(P(5, 5));
    expect_refused(
        f, [&] { f.modifier().replace_vertex(4, 4); }, "itself");
    expect_refused(
        f, [&] { f.modifier().replace_vertex(4, 0); }, "used by active");
    expect_refused(
        f, [&] { f.modifier().replace_vertex(4, far); }, "flat or inverted");
    expect_refused(
        f, [&] { f.modifier().replace_vertex(far, 4); },
        "not used by any active triangle");
    expect_refused(
        f, [&] { f.modifier().replace_vertex(4, 77); }, "out of range");
}

// ---- inactive_triangle and clean
// ----------------------------------------------------------

TEST(SurfaceModifierInactiveTriangle, DetachesAndAcceptsRepeats) {
    Fixture f{test::Grid{2, 2}};
    f.modifier().inactive_triangle(0);
    const auto after_first = f.snapshot();
    f.modifier().inactive_triangle(0);
    EXPECT_TRUE(f.snapshot() == after_first);
    EXPECT_EQ(f.modifier().nb_inactive_triangles(), 1u);
    EXPECT_FALSE(f.surface().polygon_adjacent(PolygonEdge{1, 0}));
    EXPECT_FALSE(f.surface().polygon_adjacent(PolygonEdge{3, 2}));
    EXPECT_NE(f.surface().polygon_around_vertex(1)->polygon_id, 0u);
    EXPECT_EQ(f.problems(), "");
    EXPECT_THROW(f.modifier().inactive_triangle(8), OrvaneCommonModifierCommonException);
}

TEST(SurfaceModifierClean, CompactsAndAttributesFollow) {
    Fixture f{test::Grid{3, 3}};
    f.modifier().split_edge(PolygonEdge{1, 0}, P(0.5, 0.5));
    f.modifier().collapse_edge(PolygonEdge{8, 0}, P(1.5, 1));
    const auto before = f.snapshot();
    std::vector<index_t> tags;
    std::vector<index_t> macros;
    for (index_t t = 0; t < f.surface().nb_polygons(); ++t)
        tags.push_back(f.tag(t));
    for (index_t e = 0; e < f.surface().edges().nb_edges(); ++e)
        macros.push_back(f.macro(e));
    const index_t stamp = f.modifier().clean_stamp();

    const auto mappings = f.modifier().clean();

    EXPECT_NE(f.modifier().clean_stamp(), stamp);
    EXPECT_EQ(f.modifier().nb_inactive_triangles(), 0u);
    ASSERT_EQ(mappings.triangles.size(), before.polygons.size());
    index_t nb_kept = 0;
    for (index_t t = 0; t < mappings.triangles.size(); ++t) {
        const index_t n = mappings.triangles[t];
        EXPECT_EQ(n == NO_ID, !before.active[t]);
        if (n == NO_ID)
            continue;
        EXPECT_EQ(n, nb_kept++);
        EXPECT_EQ(f.tag(n), tags[t]);
        for (local_index_t i = 0; i < 3; ++i) {
            EXPECT_EQ(f.surface().polygon_vertices(n)[i],
                      mappings.vertices[before.polygons[t][i]]);
        }
    }
    EXPECT_EQ(f.surface().nb_polygons(), nb_kept);
    ASSERT_EQ(mappings.vertices.size(), before.points.size());
    EXPECT_EQ(mappings.vertices[6], NO_ID);  // merged into 5
    for (index_t v = 0; v < mappings.vertices.size(); ++v) {
        if (mappings.vertices[v] != NO_ID) {
            EXPECT_EQ(f.surface().point(mappings.vertices[v]), before.points[v]);
        }
    }
    ASSERT_EQ(mappings.edges.size(), before.edges.size());
    for (index_t e = 0; e < mappings.edges.size(); ++e) {
        const index_t n = mappings.edges[e];
        if (n == NO_ID)
            continue;
        EXPECT_EQ(f.macro(n), macros[e]);
        const auto& old_pair = before.edges[e];
        EXPECT_EQ(f.surface().edges().edge_vertices(n),
                  (std::array<index_t, 2>{
                      {mappings.vertices[old_pair[0]], mappings.vertices[old_pair[1]]}}));
    }
    for (index_t e = 0; e < f.surface().edges().nb_edges(); ++e)
        EXPECT_TRUE(f.modifier().is_edge_active(e));
    for (index_t v = 0; v < f.surface().nb_vertices(); ++v)
        EXPECT_EQ(f.modifier().updated_vertex(v), v);
    EXPECT_EQ(f.problems(), "");

    // Nothing left to do: same numbering, same stamp.
    const index_t stamp_after = f.modifier().clean_stamp();
    const auto again = f.modifier().clean();
    EXPECT_EQ(f.modifier().clean_stamp(), stamp_after);
    for (index_t t = 0; t < again.triangles.size(); ++t)
        EXPECT_EQ(again.triangles[t], t);
}

TEST(SurfaceModifierClean, VerticesAloneWaitForTheEdges) {
    Fixture f{test::Grid{3, 3}};
    f.modifier().collapse_edge(PolygonEdge{8, 0}, P(1.5, 1));
    f.modifier().clean_triangles();
    expect_refused(
        f, [&] { f.modifier().clean_vertices(); }, "clean the triangles");
}

// ---- updated_vertex
// ---------------------------------------------------------------------

class ExposedVertices : public VerticesModifier {
public:
    explicit ExposedVertices(const VertexSet& vertices) : VerticesModifier(vertices) {}
    using VerticesModifier::record_vertex_merge;
    using VerticesModifier::record_vertex_removal;
    using VerticesModifier::reset_vertex_history;
};

TEST(SurfaceModifierUpdatedVertex, FollowsChainsOfMergesAndRemovals) {
    test::Grid grid{3, 3};
    ExposedVertices vertices{grid.surface()};
    EXPECT_EQ(vertices.updated_vertex(7), 7u);
    EXPECT_FALSE(vertices.updated_vertex(16));
    vertices.record_vertex_merge(3, 2);
    vertices.record_vertex_merge(2, 1);
    vertices.record_vertex_merge(1, 9);
    EXPECT_EQ(vertices.updated_vertex(3), 9u);
    EXPECT_EQ(vertices.updated_vertex(2), 9u);
    EXPECT_EQ(vertices.updated_vertex(3), 9u);  // after compression
    vertices.record_vertex_merge(9, 15);
    EXPECT_EQ(vertices.updated_vertex(3), 15u);
    vertices.record_vertex_removal(15);
    EXPECT_FALSE(vertices.updated_vertex(3));
    EXPECT_FALSE(vertices.updated_vertex(1));
    EXPECT_EQ(vertices.updated_vertex(4), 4u);
    vertices.reset_vertex_history();
    EXPECT_EQ(vertices.updated_vertex(3), 3u);
}

// ---- Edge-insertion records passed through updated_vertex --------------------------

TEST(SurfaceModifierBackgroundEdgeVertices, FollowMergesAndRemovals) {
    Fixture f{make_fold()};
    f.modifier().remove_double_adjacency(2);  // vertex 2 is gone
    BackgroundEdgeVertices edge{{{7, 8}}, {{index_t{2}, std::nullopt}}};
    edge.update_vertices(f.modifier());
    EXPECT_EQ(edge.input_vertices, (std::array<index_t, 2>{{7, 8}}));
    EXPECT_FALSE(edge.background_vertices[0]);
    EXPECT_FALSE(edge.background_vertices[1]);

    MacroEdgeBackgroundVertices gone{0, 2};
    EXPECT_THROW(gone.update_vertices(f.modifier()), std::bad_optional_access);
    EXPECT_EQ(gone, (MacroEdgeBackgroundVertices{0, 2}));

    Fixture g{test::Grid{3, 3}};
    g.modifier().collapse_edge(PolygonEdge{8, 0}, P(1.5, 1));  // 6 merged into 5
    BackgroundEdgeVertices merged{{{0, 1}}, {{index_t{9}, index_t{6}}}};
    merged.update_vertices(g.modifier());
    EXPECT_EQ(merged.background_vertices[0], 9u);
    EXPECT_EQ(merged.background_vertices[1], 5u);
    MacroEdgeBackgroundVertices pair{6, 10};
    pair.update_vertices(g.modifier());
    EXPECT_EQ(pair, (MacroEdgeBackgroundVertices{5, 10}));
}

}  // namespace
}  // namespace orvane
