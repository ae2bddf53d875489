// The constrained modifier: common constraints, the constraint predicates (table of
// cases on a grid and on small hand-made surfaces), and the operations keeping the
// constraints in step with the mesh.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/kernel/mesh/surface_consistency.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_constraint_modifier.hpp>

#include "support/grid_surface.hpp"
#include "test_constraint_support.hpp"

namespace orvane::test {
namespace {

using VV = ALLOWED_COLLAPSE_VERTEX_VERTEX;
using EV = ALLOWED_COLLAPSE_EDGE_VERTEX;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> problems(const ConstrainedSurface& s) {
    SurfaceConsistencyOptions options;
    options.is_polygon_active = [&s](index_t t) {
        return s.modifier.is_triangle_active(t);
    };
    return check_surface_consistency(*s.surface, options);
}

std::unique_ptr<TriangulatedSurface<2>> grid4() {
    return Grid{4, 4}.release();
}
index_t gv(index_t i, index_t j) {
    return j * 5 + i;
}

TEST(CommonConstraints, UnionKeepsTheStrongerBorderAndRenumberingDropsDeletedVertices) {
    Constraints a{Border::none};
    a.immuable_vertices.add(3);
    a.forbidden_edges.add(5, 2);
    Constraints b{Border::fixed};
    b.immuable_vertices.add(7);
    b.forbidden_edges.add(2, 5);
    b.forbidden_edges.add(1, 7);
    a.add_constraints(b);
    EXPECT_EQ(a.border_constraint, Border::fixed);
    EXPECT_THAT(a.immuable_vertices.vertices(), ElementsAre(3, 7));
    EXPECT_TRUE(a.forbidden_edges.contains(5, 2));
    EXPECT_TRUE(a.forbidden_edges.contains(7, 1));
    EXPECT_EQ(a.forbidden_edges.size(), 2u);
    // Weaker border does not weaken.
    a.add_constraints(Constraints{Border::vertices});
    EXPECT_EQ(a.border_constraint, Border::fixed);

    // 0 1 2 3 4 5 6 7 -> 3 and 7 survive as 1 and 4; 2 is deleted.
    a.renumber_vertices(std::vector<index_t>{NO_ID, 0, NO_ID, 1, 2, 3, NO_ID, 4});
    EXPECT_THAT(a.immuable_vertices.vertices(), ElementsAre(1, 4));
    EXPECT_EQ(a.forbidden_edges.edges(),
              (std::vector<std::array<index_t, 2>>{{0, 4}}));  // (1, 7); (2, 5) dropped
}

TEST(CombinedAllowed, IsTheBitwiseAndOfBothVerdicts) {
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 4; ++b) {
            EXPECT_EQ(static_cast<int>(
                          combined_allowed(static_cast<VV>(a), static_cast<VV>(b))),
                      a & b);
            EXPECT_EQ(static_cast<int>(
                          combined_allowed(static_cast<EV>(a), static_cast<EV>(b))),
                      a & b);
        }
    }
    const ConstraintModifier::OrientedEdgeVertices pair{4, 9};
    EXPECT_EQ(pair.opposite(), (ConstraintModifier::OrientedEdgeVertices{9, 4}));
}

// ---- Collapse predicate --------------------------------------------------------------

struct CollapseCase {
    const char* name;
    Border border;
    std::array<index_t, 2> edge;  // polygon edge from -> to
    std::vector<index_t> immutable;
    std::vector<std::array<index_t, 2>> forbidden;
    VV expected;
};

class CollapseByConstraints : public ::testing::TestWithParam<CollapseCase> {};

TEST_P(CollapseByConstraints, Verdict) {
    const auto& c = GetParam();
    ConstrainedSurface s{grid4(), c.border};
    for (const index_t v : c.immutable)
        s.constraints().immuable_vertices.add(v);
    for (const auto& e : c.forbidden)
        s.constraints().forbidden_edges.add(e);
    EXPECT_EQ(allowed_collapse_edge_by_constraints(
                  s.modifiable(), s.edge(c.edge[0], c.edge[1]), s.constraints()),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CollapseByConstraints,
    ::testing::Values(
        CollapseCase{
            "free_interior", Border::fixed, {gv(1, 1), gv(2, 1)}, {}, {}, VV::both},
        CollapseCase{"first_immutable",
                     Border::fixed,
                     {gv(1, 1), gv(2, 1)},
                     {gv(1, 1)},
                     {},
                     VV::second},
        CollapseCase{"second_immutable",
                     Border::fixed,
                     {gv(1, 1), gv(2, 1)},
                     {gv(2, 1)},
                     {},
                     VV::first},
        CollapseCase{"both_immutable",
                     Border::none,
                     {gv(1, 1), gv(2, 1)},
                     {gv(1, 1), gv(2, 1)},
                     {},
                     VV::none},
        CollapseCase{"edge_forbidden",
                     Border::none,
                     {gv(1, 1), gv(2, 1)},
                     {},
                     {{gv(2, 1), gv(1, 1)}},
                     VV::none},
        // A forbidden edge at the first vertex would move with it.
        CollapseCase{"other_forbidden_edge_at_first",
                     Border::none,
                     {gv(1, 1), gv(2, 1)},
                     {},
                     {{gv(1, 1), gv(1, 2)}},
                     VV::second},
        CollapseCase{"border_vertex_fixed",
                     Border::fixed,
                     {gv(0, 1), gv(1, 1)},
                     {},
                     {},
                     VV::second},
        CollapseCase{"border_vertex_protected",
                     Border::vertices,
                     {gv(1, 1), gv(0, 1)},
                     {},
                     {},
                     VV::first},
        CollapseCase{
            "border_vertex_free", Border::none, {gv(0, 1), gv(1, 1)}, {}, {}, VV::both},
        CollapseCase{
            "border_edge_fixed", Border::fixed, {gv(0, 0), gv(1, 0)}, {}, {}, VV::none},
        CollapseCase{
            "border_edge_free", Border::none, {gv(0, 0), gv(1, 0)}, {}, {}, VV::both},
        // Interior edge joining two border vertices: the surface would be pinched.
        CollapseCase{"pinch", Border::none, {gv(0, 3), gv(1, 4)}, {}, {}, VV::none},
        // The corner (4, 0) has one triangle: it would vanish with it.
        CollapseCase{
            "apex_left_alone", Border::none, {gv(4, 1), gv(3, 0)}, {}, {}, VV::none}),
    [](const auto& info) { return std::string{info.param.name}; });

TEST(CollapseByConstraints, LinkConditionAndFoldsAreRefused) {
    ConstrainedSurface ring{make_ring()};
    // Hole edge (b, a): a and b also share x.
    EXPECT_EQ(allowed_collapse_edge_by_constraints(ring.modifiable(), ring.edge(4, 3),
                                                   ring.constraints()),
              VV::none);
    // Both ends of valence three: the merged vertex would be a fold.
    ConstrainedSurface s{grid4()};
    const auto split =
        s.constrained.split_edge(s.edge(gv(1, 1), gv(2, 2)), Point<2>{{1.5, 1.5}});
    const index_t m = split.vertex;
    // m has four triangles; collapsing one of its edges keeps a valid fan.
    EXPECT_EQ(allowed_collapse_edge_by_constraints(s.modifiable(), s.edge(m, gv(2, 1)),
                                                   s.constraints()),
              VV::both);
}

TEST(Predicates, InactiveTrianglesAllowNothingAndBadLocalEdgesThrow) {
    ConstrainedSurface s{grid4()};
    const PolygonEdge edge = s.edge(gv(1, 1), gv(2, 1));
    s.constrained.split_edge(edge, Point<2>{{1.5, 1}});
    ASSERT_FALSE(s.modifier.is_triangle_active(edge.polygon_id));
    EXPECT_EQ(allowed_collapse_edge_by_constraints(s.modifiable(), edge, s.constraints()),
              VV::none);
    EXPECT_FALSE(is_swap_edge_allowed_by_constraints(s.modifiable(), edge, std::nullopt,
                                                     s.constraints()));
    EXPECT_EQ(allowed_split_collapse_edge_by_constraints(s.modifiable(), edge,
                                                         std::nullopt, s.constraints()),
              EV::none);
    // Beyond the mesh: nothing allowed either.
    const PolygonEdge beyond{s.surface->nb_polygons() + 5, 0};
    EXPECT_EQ(
        allowed_collapse_edge_by_constraints(s.modifiable(), beyond, s.constraints()),
        VV::none);
    EXPECT_THROW(allowed_collapse_edge_by_constraints(s.modifiable(), PolygonEdge{0, 3},
                                                      s.constraints()),
                 OrvaneCommonModifierCommonException);
}

// ---- Swap predicate ------------------------------------------------------------------

TEST(SwapByConstraints, TopologyForbiddenEdgesAndApexes) {
    ConstrainedSurface s{grid4(), Border::fixed};
    const auto& ms = s.modifiable();
    auto& constraints = s.constraints();
    EXPECT_TRUE(is_swap_edge_allowed_by_constraints(ms, s.edge(gv(1, 1), gv(2, 2)),
                                                    std::nullopt, constraints));
    EXPECT_FALSE(is_swap_edge_allowed_by_constraints(ms, s.edge(gv(0, 0), gv(1, 0)),
                                                     std::nullopt, constraints));
    constraints.forbidden_edges.add(gv(1, 1), gv(2, 2));
    const PolygonEdge diagonal = s.edge(gv(1, 1), gv(2, 2));
    EXPECT_FALSE(
        is_swap_edge_allowed_by_constraints(ms, diagonal, std::nullopt, constraints));
    // An apex far from the forbidden edge does not carry it.
    const PolygonVertex apex{diagonal.polygon_id,
                             static_cast<local_index_t>((diagonal.edge_id + 2) % 3)};
    EXPECT_FALSE(is_swap_edge_allowed_by_constraints(ms, diagonal, apex, constraints));
    // A vertex that is not opposite the edge is bad input.
    const PolygonVertex on_edge{diagonal.polygon_id, diagonal.edge_id};
    EXPECT_THROW(is_swap_edge_allowed_by_constraints(ms, diagonal, on_edge, constraints),
                 OrvaneCommonModifierCommonException);

    // A valence-three vertex would be folded by a swap of one of its edges.
    ConstrainedSurface t{grid4()};
    const auto split = t.modifier.split_triangle(0, Point<2>{{0.7, 0.3}});
    EXPECT_FALSE(is_swap_edge_allowed_by_constraints(t.modifiable(),
                                                     t.edge(split.new_vertex, gv(1, 0)),
                                                     std::nullopt, t.constraints()));
}

TEST(SwapByConstraints, ForbiddenEdgeReRoutedThroughAnApexLyingOnIt) {
    ConstrainedSurface s{make_flat_quad()};
    s.constraints().forbidden_edges.add(0, 1);
    const PolygonEdge edge = s.edge(0, 1);
    const PolygonVertex apex{edge.polygon_id,
                             static_cast<local_index_t>((edge.edge_id + 2) % 3)};
    ASSERT_EQ(s.surface->polygon_vertex(apex), 2u);
    EXPECT_TRUE(
        is_swap_edge_allowed_by_constraints(s.modifiable(), edge, apex, s.constraints()));
    // The apex across (far below) does not.
    const auto across = s.surface->polygon_adjacent_edge(edge).value();
    const PolygonVertex far{across.polygon_id,
                            static_cast<local_index_t>((across.edge_id + 2) % 3)};
    EXPECT_FALSE(
        is_swap_edge_allowed_by_constraints(s.modifiable(), edge, far, s.constraints()));

    const auto triangles = s.constrained.swap_edge(edge, apex);
    EXPECT_EQ(triangles.size(), 2u);
    EXPECT_FALSE(s.constraints().forbidden_edges.contains(0, 1));
    EXPECT_TRUE(s.constraints().forbidden_edges.contains(0, 2));
    EXPECT_TRUE(s.constraints().forbidden_edges.contains(2, 1));
    EXPECT_THAT(problems(s), IsEmpty());
}

// ---- Split-collapse predicate
// ----------------------------------------------------------

struct SplitCollapseCase {
    const char* name;
    Border border;
    std::array<index_t, 2> edge;
    bool with_apex;
    std::vector<index_t> immutable;
    std::vector<std::array<index_t, 2>> forbidden;
    EV expected;
};

class SplitCollapseByConstraints : public ::testing::TestWithParam<SplitCollapseCase> {};

TEST_P(SplitCollapseByConstraints, OnGrid) {
    const auto& c = GetParam();
    ConstrainedSurface s{grid4(), c.border};
    for (const index_t v : c.immutable)
        s.constraints().immuable_vertices.add(v);
    for (const auto& e : c.forbidden)
        s.constraints().forbidden_edges.add(e);
    const PolygonEdge edge = s.edge(c.edge[0], c.edge[1]);
    std::optional<PolygonVertex> apex;
    if (c.with_apex)
        apex = PolygonVertex{edge.polygon_id,
                             static_cast<local_index_t>((edge.edge_id + 2) % 3)};
    EXPECT_EQ(allowed_split_collapse_edge_by_constraints(s.modifiable(), edge, apex,
                                                         s.constraints()),
              c.expected);
}

// Edge (1, 1) -> (2, 1) has apex (2, 2); border edge (1, 0) -> (2, 0) has apex (2, 1).
INSTANTIATE_TEST_SUITE_P(
    Table, SplitCollapseByConstraints,
    ::testing::Values(
        SplitCollapseCase{
            "free", Border::fixed, {gv(1, 1), gv(2, 1)}, false, {}, {}, EV::both},
        SplitCollapseCase{"apex_immutable",
                          Border::fixed,
                          {gv(1, 1), gv(2, 1)},
                          false,
                          {gv(2, 2)},
                          {},
                          EV::edge},
        SplitCollapseCase{"forbidden",
                          Border::none,
                          {gv(1, 1), gv(2, 1)},
                          false,
                          {},
                          {{gv(1, 1), gv(2, 1)}},
                          EV::vertex},
        // The apex is far from the edge: the forbidden edge cannot follow it.
        SplitCollapseCase{"forbidden_far_apex",
                          Border::none,
                          {gv(1, 1), gv(2, 1)},
                          true,
                          {},
                          {{gv(1, 1), gv(2, 1)}},
                          EV::vertex},
        SplitCollapseCase{"border_fixed",
                          Border::fixed,
                          {gv(1, 0), gv(2, 0)},
                          false,
                          {},
                          {},
                          EV::vertex},
        SplitCollapseCase{"border_vertices",
                          Border::vertices,
                          {gv(1, 0), gv(2, 0)},
                          false,
                          {},
                          {},
                          EV::both},
        SplitCollapseCase{
            "border_free", Border::none, {gv(1, 0), gv(2, 0)}, false, {}, {}, EV::both},
        // Border edge whose triangle has another border edge: impossible.
        SplitCollapseCase{
            "corner", Border::none, {gv(3, 0), gv(4, 0)}, false, {}, {}, EV::none}),
    [](const auto& info) { return std::string{info.param.name}; });

TEST(SplitCollapseByConstraints, FixedBorderReRoutedThroughAnApexWithinTheTolerance) {
    ConstrainedSurface s{make_border_sliver(), Border::fixed};
    s.constraints().forbidden_edges.add(0, 1);
    const PolygonEdge edge = s.edge(0, 1);
    const PolygonVertex apex{edge.polygon_id,
                             static_cast<local_index_t>((edge.edge_id + 2) % 3)};
    EXPECT_EQ(allowed_split_collapse_edge_by_constraints(s.modifiable(), edge, apex,
                                                         s.constraints()),
              EV::both);
    // Without the apex the forbidden edge could not follow.
    EXPECT_EQ(allowed_split_collapse_edge_by_constraints(s.modifiable(), edge,
                                                         std::nullopt, s.constraints()),
              EV::vertex);
    const auto info = s.constrained.split_collapse_edge(edge, apex);
    EXPECT_EQ(info.vertex, 2u);
    EXPECT_THAT(info.triangles, ::testing::UnorderedElementsAre(1, 2));
    EXPECT_EQ(s.constraints().forbidden_edges.edges(),
              (std::vector<std::array<index_t, 2>>{{0, 2}, {1, 2}}));
    EXPECT_THAT(problems(s), IsEmpty());
    // An apex that is not the edge's own is bad input.
    ConstrainedSurface q{make_flat_quad()};
    const PolygonEdge quad_edge = q.edge(0, 1);
    const auto across = q.surface->polygon_adjacent_edge(quad_edge).value();
    EXPECT_THROW(q.constrained.split_collapse_edge(
                     quad_edge,
                     PolygonVertex{across.polygon_id,
                                   static_cast<local_index_t>((across.edge_id + 2) % 3)}),
                 OrvaneCommonModifierCommonException);
}

// ---- Operations keep the constraints in step ----------------------------------------

bool fan_of(const TriangulatedSurface<2>& surface,
            const TriangulatedSurfaceModifier<2>& modifier,
            const std::vector<index_t>& triangles, index_t vertex) {
    if (triangles.empty())
        return false;
    for (const index_t t : triangles) {
        if (!modifier.is_triangle_active(t) || !surface.vertex_in_polygon(t, vertex))
            return false;
    }
    return triangles.size() == surface.polygons_around_vertex(vertex).size();
}

TEST(ConstrainedCollapse, ImmutabilityAndForbiddenEdgesFollowTheMerge) {
    ConstrainedSurface s{grid4()};
    const index_t k = gv(1, 1);
    const index_t r = gv(2, 1);
    s.constraints().immuable_vertices.add(r);
    s.constraints().forbidden_edges.add(r, gv(3, 1));
    s.constraints().forbidden_edges.add(k, r);
    const auto info = s.constrained.collapse_edge(s.edge(k, r), s.surface->point(k));
    EXPECT_EQ(info.vertex, k);
    EXPECT_TRUE(fan_of(*s.surface, s.modifier, info.triangles, k));
    EXPECT_TRUE(s.constraints().immuable_vertices.contains(k));
    EXPECT_FALSE(s.constraints().immuable_vertices.contains(r));
    EXPECT_EQ(s.constraints().forbidden_edges.edges(),
              (std::vector<std::array<index_t, 2>>{{k, gv(3, 1)}}));
    EXPECT_THAT(problems(s), IsEmpty());
}

TEST(ConstrainedCollapse, OrientedPairKeepsTheKeptVertexWhereItIs) {
    struct Case {
        const char* name;
        std::array<index_t, 2> edge;
        ConstraintModifier::OrientedEdgeVertices pair;
        index_t survivor;
    };
    const std::vector<Case> cases{
        {"interior_keep_second", {gv(1, 1), gv(2, 1)}, {gv(1, 1), gv(2, 1)}, gv(2, 1)},
        {"interior_keep_first", {gv(1, 1), gv(2, 1)}, {gv(2, 1), gv(1, 1)}, gv(1, 1)},
        // Border edge (4, 4) -> (3, 4) keeping its second, smaller vertex.
        {"border_keep_smaller", {gv(4, 4), gv(3, 4)}, {gv(4, 4), gv(3, 4)}, gv(3, 4)},
        // Border edge (0, 0) -> (1, 0) keeping its second, larger vertex: the removed
        // index survives at the kept vertex's point.
        {"border_keep_larger", {gv(0, 0), gv(1, 0)}, {gv(0, 0), gv(1, 0)}, gv(0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConstrainedSurface s{grid4()};
        const Point<2> kept_point = s.surface->point(c.pair.kept);
        s.constraints().immuable_vertices.add(c.pair.kept);
        const auto info =
            s.constrained.collapse_edge(s.edge(c.edge[0], c.edge[1]), c.pair);
        EXPECT_EQ(info.vertex, c.survivor);
        EXPECT_EQ(s.surface->point(info.vertex), kept_point);
        EXPECT_EQ(s.modifier.updated_vertex(c.pair.kept), c.survivor);
        EXPECT_EQ(s.modifier.updated_vertex(c.pair.removed), c.survivor);
        EXPECT_THAT(s.constraints().immuable_vertices.vertices(),
                    ElementsAre(c.survivor));
        EXPECT_TRUE(fan_of(*s.surface, s.modifier, info.triangles, c.survivor));
        EXPECT_THAT(problems(s), IsEmpty());
    }
    ConstrainedSurface s{grid4()};
    EXPECT_THROW(
        s.constrained.collapse_edge(s.edge(gv(1, 1), gv(2, 1)), {gv(1, 1), gv(3, 3)}),
        OrvaneCommonModifierCommonException);
}

TEST(ConstrainedSplit, ForbiddenEdgeBecomesItsTwoHalves) {
    for (const bool border : {false, true}) {
        SCOPED_TRACE(border ? "border" : "interior");
        ConstrainedSurface s{grid4(), Border::fixed};
        const index_t a = gv(1, border ? 0 : 1);
        const index_t b = gv(2, border ? 0 : 1);
        s.constraints().forbidden_edges.add(a, b);
        const auto info =
            s.constrained.split_edge(s.edge(a, b), Point<2>{{1.5, border ? 0. : 1.}});
        EXPECT_EQ(info.triangles.size(), border ? 2u : 4u);
        for (const index_t t : info.triangles) {
            EXPECT_TRUE(s.modifier.is_triangle_active(t));
            EXPECT_TRUE(s.surface->vertex_in_polygon(t, info.vertex));
        }
        EXPECT_FALSE(s.constraints().forbidden_edges.contains(a, b));
        EXPECT_TRUE(s.constraints().forbidden_edges.contains(a, info.vertex));
        EXPECT_TRUE(s.constraints().forbidden_edges.contains(info.vertex, b));
        EXPECT_THAT(problems(s), IsEmpty());
    }
}

TEST(ConstrainedSwap, WithoutApexAForbiddenEdgeIsGone) {
    ConstrainedSurface s{grid4()};
    s.constraints().forbidden_edges.add(gv(1, 1), gv(2, 2));
    const auto triangles =
        s.constrained.swap_edge(s.edge(gv(1, 1), gv(2, 2)), std::nullopt);
    ASSERT_EQ(triangles.size(), 2u);
    for (const index_t t : triangles) {
        EXPECT_TRUE(s.surface->vertex_in_polygon(t, gv(2, 1)));
        EXPECT_TRUE(s.surface->vertex_in_polygon(t, gv(1, 2)));
    }
    EXPECT_TRUE(s.constraints().forbidden_edges.empty());
}

TEST(ConstrainedClean, ConstraintsFollowTheRenumbering) {
    ConstrainedSurface s{grid4()};
    const index_t watched = gv(3, 3);
    const Point<2> watched_point = s.surface->point(watched);
    s.constraints().immuable_vertices.add(watched);
    s.constraints().forbidden_edges.add(watched, gv(4, 4));
    s.constrained.collapse_edge(s.edge(gv(1, 1), gv(2, 1)), s.surface->point(gv(1, 1)));
    const auto mappings = s.constrained.clean();
    const index_t now = mappings.vertices[watched];
    ASSERT_NE(now, watched);  // a vertex before it was deleted
    EXPECT_THAT(s.constraints().immuable_vertices.vertices(), ElementsAre(now));
    EXPECT_EQ(s.surface->point(now), watched_point);
    EXPECT_TRUE(
        s.constraints().forbidden_edges.contains(now, mappings.vertices[gv(4, 4)]));
    EXPECT_EQ(s.constraints().forbidden_edges.size(), 1u);
}

// ---- Double adjacency ----------------------------------------------------------------

TEST(ConstrainedDoubleAdjacency, PlainRemovalJoinsTheTrianglesAcrossTheFold) {
    ConstrainedSurface s{make_fold(Point<2>{{1, 0}})};
    s.constraints().forbidden_edges.add(0, 1);
    const auto info = s.constrained.remove_double_adjacency(0);
    EXPECT_FALSE(info.vertex.has_value());
    EXPECT_THAT(info.triangles, ::testing::UnorderedElementsAre(2, 3));
    EXPECT_EQ(s.surface->polygon_adjacent(PolygonEdge{2, 0}), 3u);
    // The forbidden route through the removed vertex passes to the edge left.
    EXPECT_EQ(s.constraints().forbidden_edges.edges(),
              (std::vector<std::array<index_t, 2>>{{1, 2}}));
    EXPECT_THAT(problems(s), IsEmpty());
}

TEST(ConstrainedDoubleAdjacency, ImmutableVertexIsReplacedAtItsPoint) {
    ConstrainedSurface s{make_fold(Point<2>{{1, 0}})};
    s.constraints().immuable_vertices.add(0);
    s.constraints().forbidden_edges.add(0, 2);
    const auto info = s.constrained.remove_double_adjacency(0);
    ASSERT_TRUE(info.vertex.has_value());
    const index_t u = *info.vertex;
    EXPECT_EQ(s.surface->point(u), (Point<2>{{1, 0}}));
    EXPECT_EQ(info.triangles.size(), 4u);
    EXPECT_THAT(s.constraints().immuable_vertices.vertices(), ElementsAre(u));
    EXPECT_EQ(s.constraints().forbidden_edges.edges(),
              (std::vector<std::array<index_t, 2>>{{2, u}}));
    EXPECT_THAT(problems(s), IsEmpty());
}

TEST(ConstrainedDoubleAdjacency, VertexThatCannotBeKeptIsRefusedBeforeAnyChange) {
    ConstrainedSurface s{make_fold(Point<2>{{1, 0.5}})};
    s.constraints().immuable_vertices.add(0);
    const index_t before = s.surface->nb_polygons();
    EXPECT_THROW(s.constrained.remove_double_adjacency(0),
                 OrvaneCommonModifierCommonException);
    EXPECT_EQ(s.surface->nb_polygons(), before);
    EXPECT_EQ(s.modifier.nb_inactive_triangles(), 0u);
    EXPECT_TRUE(s.constraints().immuable_vertices.contains(0));
    // Not a fold at all.
    ConstrainedSurface g{grid4()};
    g.constraints().immuable_vertices.add(gv(1, 1));
    EXPECT_THROW(g.constrained.remove_double_adjacency(gv(1, 1)),
                 OrvaneCommonModifierCommonException);
}

TEST(ConstrainedModifier, MovesTakeOverTheConstraints) {
    ConstrainedSurface s{grid4()};
    s.constraints().immuable_vertices.add(7);
    TriangulatedSurfaceConstraintModifier<2> moved{std::move(s.constrained)};
    EXPECT_TRUE(moved.constraints().immuable_vertices.contains(7));
    EXPECT_EQ(&moved.modifiable_surface().modifier, &s.modifier);
}

}  // namespace
}  // namespace orvane::test
