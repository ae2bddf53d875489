// Epsilon optimisation of background triangles: on randomised backgrounds seeded with
// macro vertices, straight macro edge chains, macro elements and planted almost flat
// triangles, the mesh stays valid, no input entity is lost, no vertex carrying macro
// information moves, and either no bad triangle is left or the call fails with its one
// exception. Then the handlers' choices on small fixtures.

#include <orvane/surface/orchestrator/background_surface_epsilon_optimizer.hpp>

#include <array>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/uuid.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>
#include <orvane/surface/common/surface_exception.hpp>
#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>
#include <orvane/toolkit/modifier/surface/internal_distances.hpp>

#include "support/background_fixture.hpp"
#include "support/input_entities.hpp"
#include "support/jittered_background.hpp"
#include "support/near_degenerate.hpp"

namespace orvane::internal {
namespace {

using test::JitteredBackground;
using test::JitteredBackgroundOptions;
using test::NEAR_DEGENERATE_KIND;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The triangles the optimiser would still flag among the active ones from `first` on
// and among `given`.
std::vector<index_t> bad_triangles(const TriangulatedSurface<2>& surface,
                                   const TriangulatedSurfaceModifier<2>& modifier,
                                   const std::vector<index_t>& given, index_t first) {
    const BackgroundSurfaceEpsilonOptimizerImprovementSimulator simulator;
    std::vector<index_t> candidates = given;
    for (index_t t = first; t < surface.nb_polygons(); ++t)
        candidates.push_back(t);
    std::vector<index_t> bad;
    for (const index_t t : candidates) {
        if (modifier.is_triangle_active(t) && simulator.require_improvement(surface, t))
            bad.push_back(t);
    }
    return bad;
}

// Separate configurations must all be repaired; configurations planted inside each
// other may make the call fail, but never lose anything.
void repair_planted_triangles(unsigned seed, bool separate) {
    JitteredBackgroundOptions options;
    options.seed = seed;
    JitteredBackground b{options};
    std::mt19937 rng{seed * 7919u};
    const auto& surface = b.surface();
    std::vector<index_t> given;
    if (separate) {
        given = test::plant_separate_near_degenerates(surface, b.modifier(), 40, rng);
    } else {
        constexpr NEAR_DEGENERATE_KIND kinds[] = {
            NEAR_DEGENERATE_KIND::vertex_near_edge,
            NEAR_DEGENERATE_KIND::vertex_near_corner,
            NEAR_DEGENERATE_KIND::split_near_end};
        for (unsigned k = 0; k < 60; ++k) {
            const index_t t = rng() % surface.nb_polygons();
            if (!b.modifier().is_triangle_active(t))
                continue;
            for (const index_t created :
                 test::plant_near_degenerate(surface, b.modifier(), t, kinds[k % 3], rng))
                given.push_back(created);
        }
    }
    // The slivers of the fixture are among the given triangles too.
    for (index_t t = 0; t < surface.nb_polygons(); ++t)
        given.push_back(t);
    const index_t nb_before = surface.nb_polygons();
    ASSERT_GT(bad_triangles(surface, b.modifier(), given, nb_before).size(), 20u);

    auto table = test::record_input_entities(b.background(), b.modifier());
    ASSERT_EQ(table.edges.size(), 6u);
    ASSERT_EQ(table.elements.size(), 2u);
    const auto carrying = b.carrying_vertices();
    // Near-degenerate triangles at a macro element's border make its area exact only up
    // to the tolerance times the border length.
    test::InputEntityCheckOptions check;
    check.relative_tolerance = 1e-7;
    ASSERT_THAT(test::check_input_entities(b.background(), b.modifier(), table, check),
                IsEmpty());

    bool failed = false;
    try {
        epsilon_optimize_background_surface_elements(b.constrained(), given);
    } catch (const OrvaneBackgroundSurfaceEpsilonOptimizerException& e) {
        failed = true;
        EXPECT_THAT(std::string{e.what()}, HasSubstr("Failed to epsilon optimize"));
    }

    table.follow(b.modifier());
    EXPECT_THAT(test::check_input_entities(b.background(), b.modifier(), table, check),
                IsEmpty());
    // A carrying vertex stays where it was, or was merged into a vertex at its point
    // (within the tolerance: the two were one point for the background).
    for (const auto& [v, point] : carrying) {
        const auto now = b.modifier().updated_vertex(v);
        ASSERT_TRUE(now.has_value()) << "vertex " << v << " gone";
        if (*now == v) {
            EXPECT_EQ(surface.point(v), point) << "vertex " << v << " moved";
        } else {
            EXPECT_TRUE(surface.point(*now).inexact_equal(point))
                << "vertex " << v << " merged into " << *now << " at "
                << surface.point(*now).string();
        }
    }
    EXPECT_FALSE(failed && separate);
    if (!failed) {
        EXPECT_THAT(bad_triangles(surface, b.modifier(), given, nb_before), IsEmpty());
    }
}

class RandomBackgrounds : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomBackgrounds, RepairsSeparateConfigurationsWithoutLosingInputEntities) {
    repair_planted_triangles(GetParam(), true);
}

TEST_P(RandomBackgrounds, NestedConfigurationsLoseNothingEvenWhenTheCallFails) {
    repair_planted_triangles(GetParam(), false);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomBackgrounds, ::testing::Range(1u, 17u));

TEST(EpsilonOptimizeBackgroundSurfaceElements, EmptySpanChangesNothing) {
    JitteredBackground b{JitteredBackgroundOptions{}};
    const auto before = test::macro_snapshot(b.background());
    const index_t nb = b.surface().nb_polygons();
    EXPECT_NO_THROW(epsilon_optimize_background_surface_elements(b.constrained(), {}));
    EXPECT_EQ(b.surface().nb_polygons(), nb);
    EXPECT_EQ(b.modifier().nb_inactive_triangles(), 0u);
    EXPECT_TRUE(test::macro_snapshot(b.background()) == before);
}

// A 2 x 2 grid whose interior edge from the centre (1, 1) to (2, 1) is split, the new
// vertex m moved to 1e-8 from the centre: the two triangles of the short edge are
// vertex-vertex configurations, one with the polygon edge centre -> m, one with
// m -> centre.
struct ShortEdge {
    ShortEdge() {
        const index_t centre = b.vertex(1, 1);
        const auto edge = b.surface().polygon_edge_from_vertices(centre, b.vertex(2, 1));
        const auto info = b.modifier.split_edge(*edge, Point<2>{{1.5, 1}});
        m = info.new_vertex;
        b.modifier.move_point(m, Point<2>{{1 + 1e-8, 1}});
        from_centre = *b.surface().polygon_edge_from_vertices(centre, m);
        to_centre = *b.surface().polygon_edge_from_vertices(m, centre);
    }
    test::BackgroundOnGrid b{2, 2};
    index_t m{NO_ID};
    PolygonEdge from_centre;
    PolygonEdge to_centre;
};

// Fails every collapse, with an exception of the given kind.
template <typename Failure>
class FailingCollapses : public BackgroundSurfaceConstraintModifier {
public:
    using BackgroundSurfaceConstraintModifier::BackgroundSurfaceConstraintModifier;
    CollapseEdgeInfo collapse_edge(const PolygonEdge&,
                                   const OrientedEdgeVertices&) override {
        throw Failure{"collapse refused by the test"};
    }
};

TEST(EpsilonOptimizeBackgroundSurfaceElements, VertexVertexRemovesTheSecondVertex) {
    // The vertex that goes is immutable and carries a macro vertex, the one that stays
    // is free: no predicate is asked, the two are one point.
    for (const bool centre_first : {true, false}) {
        ShortEdge fixture;
        auto& b = fixture.b;
        const index_t centre = b.vertex(1, 1);
        const PolygonEdge edge = centre_first ? fixture.from_centre : fixture.to_centre;
        const index_t removed = centre_first ? fixture.m : centre;
        const index_t kept = centre_first ? centre : fixture.m;
        const Point<2> kept_point = b.surface().point(kept);
        BackgroundSurfaceConstraintModifier constrained{
            b.modifiable(), b.builder,
            ConstraintModifier::CommonConstraints{
                ConstraintModifier::BORDER_CONSTRAINT::fixed}};
        constrained.constraints().immuable_vertices.add(removed);
        b.builder.add_macro_vertex_info(MeshVertex{uuid{}, 0}, removed);
        const std::vector<index_t> triangles{edge.polygon_id};
        epsilon_optimize_background_surface_elements(constrained, triangles);
        EXPECT_TRUE(b.surface().is_vertex_isolated(removed)) << centre_first;
        EXPECT_EQ(b.modifier.updated_vertex(removed), kept) << centre_first;
        EXPECT_EQ(b.surface().point(kept), kept_point) << centre_first;
        EXPECT_EQ(b.background.macro_vertices(kept).size(), 1u) << centre_first;
    }
}

TEST(EpsilonOptimizeBackgroundSurfaceElements, FailuresLeaveAsTheOneException) {
    ShortEdge fixture;
    auto& b = fixture.b;
    FailingCollapses<std::runtime_error> constrained{
        b.modifiable(), b.builder,
        ConstraintModifier::CommonConstraints{
            ConstraintModifier::BORDER_CONSTRAINT::fixed}};
    const std::vector<index_t> triangles{fixture.from_centre.polygon_id};
    try {
        epsilon_optimize_background_surface_elements(constrained, triangles);
        ADD_FAILURE() << "no exception";
    } catch (const OrvaneBackgroundSurfaceEpsilonOptimizerException& e) {
        EXPECT_EQ(std::string{e.what()}, "Failed to epsilon optimize the surface");
        ASSERT_TRUE(e.has_parent());
        // The engine's exception for the triangle, carrying the modifier's text.
        EXPECT_THAT(std::string{e.parent()->what()},
                    HasSubstr("collapse refused by the test"));
    }
}

// Two slivers back to back on the grid edge e0 = (1, 2) -> e1 = (2, 2): new vertices
// at 1e-7 above and below its middle. With the four vertices immutable only the swap
// of (e0, e1) is left, which makes a short edge of two bad triangles out of two bad
// triangles: not at level 0, but at level 1 (before the split of level 2, which would
// add a vertex). The short edge is then collapsed.
TEST(EpsilonOptimizeBackgroundSurfaceElements, SwapWithoutImprovementAtLevelOne) {
    test::BackgroundOnGrid b{4, 4};
    const index_t e0 = b.vertex(1, 2);
    const index_t e1 = b.vertex(2, 2);
    std::array<index_t, 2> apexes{};
    for (const int side : {0, 1}) {
        const auto edge = side == 0 ? b.surface().polygon_edge_from_vertices(e0, e1)
                                    : b.surface().polygon_edge_from_vertices(e1, e0);
        ASSERT_TRUE(edge.has_value());
        const auto info = b.modifier.split_triangle(
            edge->polygon_id, b.surface().polygon_barycenter(edge->polygon_id));
        apexes[side] = info.new_vertex;
        b.modifier.move_point(info.new_vertex,
                              Point<2>{{1.5, side == 0 ? 2 + 1e-7 : 2 - 1e-7}});
    }
    BackgroundSurfaceConstraintModifier constrained{
        b.modifiable(), b.builder,
        ConstraintModifier::CommonConstraints{
            ConstraintModifier::BORDER_CONSTRAINT::fixed}};
    for (const index_t v : {e0, e1, apexes[0], apexes[1]})
        constrained.constraints().immuable_vertices.add(v);
    const index_t nb_vertices = b.surface().nb_vertices();
    std::vector<index_t> all;
    for (index_t t = 0; t < b.surface().nb_polygons(); ++t)
        all.push_back(t);
    epsilon_optimize_background_surface_elements(constrained, all);
    EXPECT_EQ(b.surface().nb_vertices(), nb_vertices);
    EXPECT_FALSE(b.surface().polygon_edge_from_vertices(e0, e1).has_value());
    EXPECT_FALSE(b.surface().polygon_edge_from_vertices(e1, e0).has_value());
    EXPECT_NE(b.surface().is_vertex_isolated(apexes[0]),
              b.surface().is_vertex_isolated(apexes[1]));
    EXPECT_THAT(bad_triangles(b.surface(), b.modifier, {}, 0), IsEmpty());
}

// A lone sliver under the fixed border: every vertex is a border vertex, so no level
// may repair it. The last level must not collapse its shortest edge (about 1 long)
// onto the midpoint, which would move two fixed border vertices by half a unit: the
// call fails and nothing moves.
TEST(EpsilonOptimizeBackgroundSurfaceElements,
     LoneBorderSliverFailsWithoutMovingTheBorder) {
    auto made = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> surface_builder{*made};
    const std::vector<Point<2>> points{Point<2>{{0, 0}}, Point<2>{{2, 0}},
                                       Point<2>{{1, 1e-7}}};
    surface_builder.create_points(points);
    surface_builder.create_triangles(std::vector<std::array<index_t, 3>>{{0, 1, 2}});
    surface_builder.compute_polygon_adjacencies();
    BackgroundSurface background{*made};
    BackgroundSurfaceBuilder builder{background};
    BackgroundSurfaceModifier modifier{background, builder, surface_builder};
    BackgroundSurfaceConstraintModifier constrained{
        ModifiableObject<BackgroundSurface>{background, modifier}, builder,
        ConstraintModifier::CommonConstraints{
            ConstraintModifier::BORDER_CONSTRAINT::fixed}};
    const std::vector<index_t> triangles{0};
    EXPECT_THROW(epsilon_optimize_background_surface_elements(constrained, triangles),
                 OrvaneBackgroundSurfaceEpsilonOptimizerException);
    EXPECT_TRUE(modifier.is_triangle_active(0));
    for (index_t v = 0; v < 3; ++v)
        EXPECT_EQ(made->point(v), points[v]) << v;
}

}  // namespace
}  // namespace orvane::internal
