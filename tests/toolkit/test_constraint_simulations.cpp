// Simulations of local operations and the internal distances that judge their result.

#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/toolkit/modifier/surface/internal_distances.hpp>
#include <orvane/toolkit/modifier/surface/surface_simulations.hpp>

#include "support/grid_surface.hpp"
#include "test_constraint_support.hpp"

namespace orvane::test {
namespace {

using Status = InternalDistance::ELEMENT_STATUS;

index_t gv(index_t i, index_t j) {
    return j * 5 + i;
}

bool uses(const Triangle<2>& triangle, const Point<2>& point) {
    for (const auto& p : triangle.vertices()) {
        if (p == point)
            return true;
    }
    return false;
}

// ---- Internal distances
// ----------------------------------------------------------------

struct DistanceCase {
    const char* name;
    std::array<Point<2>, 3> points;
    Status status;
    local_index_t edge;  // of the first configuration
};

class InternalDistances : public ::testing::TestWithParam<DistanceCase> {};

TEST_P(InternalDistances, StatusAndFirstConfiguration) {
    const auto& c = GetParam();
    const Triangle<2> triangle{c.points[0], c.points[1], c.points[2]};
    EXPECT_EQ(triangle_status(triangle), c.status);
    const auto distances = fast_triangle_internal_distances(triangle);
    if (c.status == Status::good) {
        EXPECT_TRUE(distances.empty());
        return;
    }
    ASSERT_FALSE(distances.empty());
    EXPECT_EQ(distances.front().status, c.status);
    EXPECT_EQ(distances.front().edge.edge_id, c.edge);
    EXPECT_LE(distances.front().distance, GLOBAL_EPSILON);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InternalDistances,
    ::testing::Values(
        DistanceCase{"good",
                     {{Point<2>{{0, 0}}, Point<2>{{1, 0}}, Point<2>{{0, 1}}}},
                     Status::good,
                     0},
        // A height of 2e-6: just above the tolerance.
        DistanceCase{"thin_but_good",
                     {{Point<2>{{0, 0}}, Point<2>{{1, 0}}, Point<2>{{0.5, 2e-6}}}},
                     Status::good,
                     0},
        DistanceCase{"short_edge",
                     {{Point<2>{{0, 0}}, Point<2>{{1, 0}}, Point<2>{{1, 5e-7}}}},
                     Status::vertex_vertex,
                     1},
        DistanceCase{"vertex_on_edge",
                     {{Point<2>{{0, 0}}, Point<2>{{1, 0}}, Point<2>{{0.5, 5e-7}}}},
                     Status::edge_vertex,
                     0},
        // Orientation does not matter for the distances.
        DistanceCase{"inverted_sliver",
                     {{Point<2>{{0, 0}}, Point<2>{{0.5, -5e-7}}, Point<2>{{1, 0}}}},
                     Status::edge_vertex,
                     2},
        DistanceCase{"coincident",
                     {{Point<2>{{2, 2}}, Point<2>{{2, 2}}, Point<2>{{3, 2}}}},
                     Status::vertex_vertex,
                     0}),
    [](const auto& info) { return std::string{info.param.name}; });

TEST(InternalDistances, DoubleAdjacencyNeedsTheSwitchAndComesFirst) {
    const auto surface = make_fold(Point<2>{{1, 0}});
    InternalDistance::Options options;
    EXPECT_EQ(triangle_status(*surface, 0, options), Status::edge_vertex);
    options.detect_double_adjacency = true;
    const auto distances = fast_triangle_internal_distances(*surface, 0, options);
    ASSERT_FALSE(distances.empty());
    EXPECT_EQ(distances.front().status, Status::double_adjacency);
    EXPECT_EQ(distances.front().vertex, 0u);
    EXPECT_EQ(distances.front().edge, (PolygonEdge{0, 0}));
    // The triangles across the fold are good.
    EXPECT_EQ(triangle_status(*surface, 2, options), Status::good);
}

TEST(InternalDistances, MinimalDistanceAndItsKind) {
    const auto right = minimal_triangle_internal_distance(
        Triangle<2>{Point<2>{{0, 0}}, Point<2>{{1, 0}}, Point<2>{{0, 1}}});
    EXPECT_EQ(right.status, Status::edge_vertex);
    EXPECT_NEAR(right.distance, std::sqrt(0.5), 1e-12);
    EXPECT_EQ(right.edge.edge_id, 1);  // (1, 0) -> (0, 1), opposite the right angle
    const auto coincident = minimal_triangle_internal_distance(
        Triangle<2>{Point<2>{{0, 0}}, Point<2>{{0, 0}}, Point<2>{{1, 0}}});
    EXPECT_EQ(coincident.status, Status::vertex_vertex);
    EXPECT_EQ(coincident.distance, 0.);
}

// ---- Simulations
// ------------------------------------------------------------------------

TEST(Simulations, CollapseGivesTheReshapedFansOfBothEnds) {
    const auto surface = Grid{4, 4}.release();
    surface->enable_edges();
    const PolygonEdge edge =
        surface->polygon_edge_from_vertices(gv(1, 1), gv(2, 1)).value();
    const Point<2> middle{{1.5, 1}};
    const auto both = triangles_after_collapse_edge(*surface, edge, middle);
    ASSERT_TRUE(both.has_value());
    EXPECT_EQ(both->size(), 8u);  // 6 + 6 around the ends, minus the edge's 2 twice
    for (const auto& triangle : *both)
        EXPECT_TRUE(uses(triangle, middle));
    // At the first vertex's point only the second vertex's fan changes.
    const auto first =
        triangles_after_collapse_edge(*surface, edge, surface->point(gv(1, 1)));
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->size(), 4u);
    EXPECT_EQ(compute_number_of_negative_triangles(*first), 0u);

    // Link condition.
    const auto ring = make_ring();
    EXPECT_FALSE(
        triangles_after_collapse_edge(
            *ring, ring->polygon_edge_from_vertices(4, 3).value(), Point<2>{{2, 1}})
            .has_value());
}

TEST(Simulations, SwapAndSplitCollapse) {
    const auto surface = Grid{4, 4}.release();
    const PolygonEdge diagonal =
        surface->polygon_edge_from_vertices(gv(1, 1), gv(2, 2)).value();
    const auto swapped = triangles_after_swap_edge(*surface, diagonal);
    ASSERT_TRUE(swapped.has_value());
    ASSERT_EQ(swapped->size(), 2u);
    for (const auto& triangle : *swapped) {
        EXPECT_EQ(triangle_area_sign(triangle), SIDE::positive);
        EXPECT_TRUE(uses(triangle, surface->point(gv(2, 1))));
        EXPECT_TRUE(uses(triangle, surface->point(gv(1, 2))));
    }
    const PolygonEdge border =
        surface->polygon_edge_from_vertices(gv(1, 0), gv(2, 0)).value();
    EXPECT_FALSE(triangles_after_swap_edge(*surface, border).has_value());

    // Border re-routing removes the triangle and replaces it by nothing.
    const auto rerouted = triangles_after_split_collapse_edge(*surface, border);
    ASSERT_TRUE(rerouted.has_value());
    EXPECT_TRUE(rerouted->empty());
    // Interior: the triangle across is cut in two; moving the apex reshapes its fan too.
    const auto interior = triangles_after_split_collapse_edge(*surface, diagonal);
    ASSERT_TRUE(interior.has_value());
    EXPECT_EQ(interior->size(), 2u);
    // (1, 1) -> (2, 2) runs in the upper triangle, apex (1, 2) of valence 6: the two new
    // triangles and the five others around the apex.
    const auto moved =
        triangles_after_split_collapse_edge(*surface, diagonal, Point<2>{{1.6, 1.4}});
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(moved->size(), 7u);
    // A corner triangle cannot be re-routed.
    const PolygonEdge corner =
        surface->polygon_edge_from_vertices(gv(3, 0), gv(4, 0)).value();
    EXPECT_FALSE(triangles_after_split_collapse_edge(*surface, corner).has_value());
}

TEST(Simulations, DetachedTrianglesAreTopologicallyImpossible) {
    ConstrainedSurface s{Grid{4, 4}.release()};
    const PolygonEdge edge = s.edge(gv(1, 1), gv(2, 1));
    s.constrained.split_edge(edge, Point<2>{{1.5, 1}});
    EXPECT_FALSE(
        triangles_after_collapse_edge(*s.surface, edge, Point<2>{{1, 1}}).has_value());
    EXPECT_FALSE(triangles_after_swap_edge(*s.surface, edge).has_value());
    EXPECT_FALSE(triangles_after_split_collapse_edge(*s.surface, edge).has_value());
}

TEST(Simulations, NegativeTrianglesCountBadOnesAndRefuseInvertedOrFlat) {
    const Triangle<2> good{Point<2>{{0, 0}}, Point<2>{{1, 0}}, Point<2>{{0, 1}}};
    const Triangle<2> sliver{Point<2>{{0, 0}}, Point<2>{{1, 0}}, Point<2>{{0.5, 5e-7}}};
    const Triangle<2> inverted{Point<2>{{0, 0}}, Point<2>{{0, 1}}, Point<2>{{1, 0}}};
    const Triangle<2> flat{Point<2>{{0, 0}}, Point<2>{{1, 0}}, Point<2>{{2, 0}}};
    EXPECT_EQ(compute_number_of_negative_triangles(std::vector<Triangle<2>>{}), 0u);
    EXPECT_EQ(
        compute_number_of_negative_triangles(std::vector<Triangle<2>>{good, sliver}), 1u);
    EXPECT_FALSE(
        compute_number_of_negative_triangles(std::vector<Triangle<2>>{good, inverted})
            .has_value());
    EXPECT_FALSE(
        compute_number_of_negative_triangles(std::vector<Triangle<2>>{flat}).has_value());
}

}  // namespace
}  // namespace orvane::test
