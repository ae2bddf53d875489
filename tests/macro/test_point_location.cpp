// Element search, containing-triangle search and snapping: the cases that decide the
// contract (borders, holes, non-convex walks, inactive and stale starts, appended
// triangles, tolerance edges), and the agreement of snapping with the modifier's
// splits.

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/macro/common/element_search.hpp>
#include <orvane/macro/common/point_location.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

#include "support/point_location_support.hpp"

namespace orvane {
namespace {

using STATUS = detail::PointLocationWalk::STATUS;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

Point<2> pt(double x, double y) {
    return Point<2>{{x, y}};
}

bool all_cells(index_t, index_t) {
    return true;
}

struct Mesh {
    explicit Mesh(std::unique_ptr<TriangulatedSurface<2>> s) : surface(std::move(s)) {
        builder = std::make_unique<TriangulatedSurfaceBuilder<2>>(*surface);
        modifier = std::make_unique<TriangulatedSurfaceModifier<2>>(*surface, *builder);
        search.reinitialize_elements_tree(*surface);
    }
    Mesh(index_t nx, index_t ny, const std::function<bool(index_t, index_t)>& keep)
        : Mesh(test::make_cells_surface(nx, ny, keep)) {}

    bool contains(index_t t, const Point<2>& p) const {
        return point_triangle_position(p, surface->triangle(t)) != POSITION::outside;
    }
    // The lower-right triangle of cell (i, j) when every cell of an nx-wide grid is kept.
    static index_t lower(index_t nx, index_t i, index_t j) { return 2 * (j * nx + i); }

    std::unique_ptr<TriangulatedSurface<2>> surface;
    std::unique_ptr<TriangulatedSurfaceBuilder<2>> builder;
    std::unique_ptr<TriangulatedSurfaceModifier<2>> modifier;
    ElementSearch<TriangulatedSurface<2>> search;
};

// ---- ElementSearch ----------------------------------------------------------------

TEST(ElementSearch, EmptySearchAnswersNothingAndCannotRebuildItself) {
    ElementSearch<TriangulatedSurface<2>> search;
    EXPECT_FALSE(search.initial_containing_element(pt(0, 0)).has_value());
    EXPECT_TRUE(search.elements_near(pt(0, 0)).empty());
    EXPECT_EQ(search.surface(), nullptr);
    EXPECT_THROW(search.reinitialize_elements_tree(), VelmoraException);
}

TEST(ElementSearch, StartsAtATriangleThatHoldsThePoint) {
    Mesh mesh{4, 4, all_cells};
    for (const auto& p : {pt(1.25, 0.5), pt(2, 2), pt(0, 0), pt(4, 4), pt(3.5, 1e-9)}) {
        const auto start = mesh.search.initial_containing_element(p);
        ASSERT_TRUE(start.has_value()) << p.string();
        EXPECT_TRUE(mesh.contains(*start, p)) << p.string();
    }
}

TEST(ElementSearch, NothingBeyondTheToleranceOfEveryBox) {
    Mesh mesh{4, 4, all_cells};
    struct Case {
        Point<2> point;
        bool expected;
    };
    const Case cases[] = {
        {pt(4 + 5e-7, 2), true},
        {pt(-9e-7, 1.5), true},
        {pt(4 + 2e-6, 2), false},
        // Within the tolerance on each axis, but 1.27e-6 away from the corner.
        {pt(4 + 9e-7, 4 + 9e-7), false},
        {pt(4 + 6e-7, 4 + 6e-7), true},
        {pt(1e6, 1e6), false},
        {pt(nan, 1), false},
        {pt(1, inf), false},
        {pt(-inf, -inf), false},
    };
    for (const auto& c : cases) {
        const auto start = mesh.search.initial_containing_element(c.point);
        EXPECT_EQ(start.has_value(), c.expected) << c.point.string();
        if (start) {
            EXPECT_LE(std::get<0>(point_triangle_distance(
                          c.point, mesh.surface->triangle(*start))),
                      GLOBAL_EPSILON)
                << c.point.string();
        }
    }
}

// Triangles appended after the build (here far from the tree's boxes, so only the
// lazy indexing can see them): through full blocks, and through the unindexed rest.
TEST(ElementSearch, FindsTrianglesAppendedSinceTheBuild) {
    Mesh mesh{2, 2, all_cells};
    const index_t indexed = mesh.surface->nb_polygons();
    constexpr index_t nb_appended = 700;
    for (index_t k = 0; k < nb_appended; ++k) {
        const double x = 100. + 2. * k;
        const index_t a = mesh.builder->create_point(pt(x, 0));
        const index_t b = mesh.builder->create_point(pt(x + 1, 0));
        const index_t c = mesh.builder->create_point(pt(x, 1));
        mesh.builder->create_triangle({a, b, c});
    }
    for (const index_t k : {index_t{0}, index_t{300}, index_t{511}, index_t{699}}) {
        const auto p = pt(100. + 2. * k + 0.25, 0.25);
        const auto start = mesh.search.initial_containing_element(p);
        ASSERT_TRUE(start.has_value()) << k;
        EXPECT_EQ(*start, indexed + k);
        EXPECT_EQ(detail::find_containing_triangle(p, *mesh.surface, *mesh.modifier,
                                                   *start, mesh.search),
                  indexed + k);
        // Just beyond the appended triangle's border, within the tolerance.
        const auto beside = pt(100. + 2. * k - 5e-7, 0.5);
        EXPECT_EQ(mesh.search.initial_containing_element(beside), indexed + k);
    }
    // Between two appended triangles: nothing.
    EXPECT_FALSE(mesh.search.initial_containing_element(pt(100. + 1.5, 0.9)).has_value());
    EXPECT_EQ(mesh.search.nb_indexed_elements(), indexed);
}

TEST(ElementSearch, StaleSearchAfterACleanStaysInRange) {
    Mesh mesh{6, 6, all_cells};
    for (index_t t = 0; t < 40; ++t) {
        mesh.modifier->inactive_triangle(t);
    }
    mesh.modifier->clean();
    std::mt19937 rng{3};
    std::uniform_real_distribution<double> coordinate(-1, 7);
    for (int k = 0; k < 500; ++k) {
        const auto p = pt(coordinate(rng), coordinate(rng));
        const auto start = mesh.search.initial_containing_element(p);
        if (start) {
            EXPECT_LT(*start, mesh.surface->nb_polygons());
        }
        for (const index_t t : mesh.search.elements_near(p)) {
            EXPECT_LT(t, mesh.surface->nb_polygons());
        }
    }
    mesh.search.reinitialize_elements_tree();
    EXPECT_EQ(mesh.search.nb_indexed_elements(), mesh.surface->nb_polygons());
}

// ---- find_containing_triangle -------------------------------------------------------

// The straight walk from one tooth of a comb to another leaves the surface; the point
// is found all the same.
TEST(FindContainingTriangle, WalkThatLeavesANonConvexSurfaceDoesNotConcludeOutside) {
    const auto comb = [](index_t i, index_t j) { return j < 1 || i % 4 < 2; };
    Mesh mesh{10, 8, comb};
    // The top of the first tooth, and a point at the top of the third.
    index_t start = NO_ID;
    for (index_t t = 0; t < mesh.surface->nb_polygons(); ++t) {
        if (mesh.contains(t, pt(0.5, 7.8))) {
            start = t;
        }
    }
    ASSERT_NE(start, NO_ID);
    const auto p = pt(8.5, 7.5);
    EXPECT_EQ(detail::walk_to_point(p, *mesh.surface, *mesh.modifier, start).status,
              STATUS::border);
    const auto scanned =
        detail::find_containing_triangle(p, *mesh.surface, *mesh.modifier, start);
    ASSERT_TRUE(scanned.has_value());
    EXPECT_TRUE(mesh.contains(*scanned, p));
    // The search-backed form starts its confirmation walks near the point.
    const auto confirmed = detail::find_containing_triangle(
        p, *mesh.surface, *mesh.modifier, start, mesh.search);
    ASSERT_TRUE(confirmed.has_value());
    EXPECT_TRUE(mesh.contains(*confirmed, p));
    // Between the teeth: outside, though the walk from the first tooth and the tree's
    // boxes come close.
    for (const auto& outside : {pt(2.5, 5.), pt(3. - 2e-6, 7.), pt(6.5, 1. + 2e-6)}) {
        EXPECT_FALSE(detail::find_containing_triangle(outside, *mesh.surface,
                                                      *mesh.modifier, start)
                         .has_value())
            << outside.string();
        EXPECT_FALSE(detail::find_containing_triangle(outside, *mesh.surface,
                                                      *mesh.modifier, start, mesh.search)
                         .has_value())
            << outside.string();
    }
}

TEST(FindContainingTriangle, PointInAHoleIsOutsideAndItsRimIsInside) {
    // The hole is the upper-left triangle of cell (2, 2): the box of the lower-right
    // one covers it, so the search does start near the point.
    Mesh mesh{5, 5, all_cells};
    mesh.modifier->inactive_triangle(Mesh::lower(5, 2, 2) + 1);
    const auto in_hole = pt(2.3, 2.7);
    const auto start = mesh.search.initial_containing_element(in_hole);
    ASSERT_TRUE(start.has_value());
    EXPECT_FALSE(detail::find_containing_triangle(in_hole, *mesh.surface, *mesh.modifier,
                                                  *start, mesh.search)
                     .has_value());
    EXPECT_FALSE(
        detail::find_containing_triangle(in_hole, *mesh.surface, *mesh.modifier, *start)
            .has_value());
    // On the rim, and within the tolerance inside the hole: a rim triangle.
    for (const auto& p :
         {pt(2.5, 2.5), pt(2.5, 2.5 + 7e-7), pt(2. + 9e-7, 2.5), pt(2.5, 3. - 9e-7)}) {
        const auto s = mesh.search.initial_containing_element(p);
        ASSERT_TRUE(s.has_value());
        for (const bool with_search : {true, false}) {
            const auto found =
                with_search ? detail::find_containing_triangle(
                                  p, *mesh.surface, *mesh.modifier, *s, mesh.search)
                            : detail::find_containing_triangle(p, *mesh.surface,
                                                               *mesh.modifier, *s);
            ASSERT_TRUE(found.has_value()) << p.string();
            EXPECT_TRUE(mesh.modifier->is_triangle_active(*found));
            EXPECT_LE(
                std::get<0>(point_triangle_distance(p, mesh.surface->triangle(*found))),
                GLOBAL_EPSILON);
        }
    }
}

TEST(FindContainingTriangle, InactiveStartWalksFromTheFanOfItsVertices) {
    Mesh mesh{4, 4, all_cells};
    const index_t t = Mesh::lower(4, 1, 1);
    const auto p = pt(1.75, 1.25);
    ASSERT_TRUE(mesh.contains(t, p));
    const auto info = mesh.modifier->split_triangle(t, pt(1.7, 1.2));
    ASSERT_FALSE(mesh.modifier->is_triangle_active(t));
    const auto found = detail::find_containing_triangle(p, *mesh.surface, *mesh.modifier,
                                                        t, mesh.search);
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(mesh.modifier->is_triangle_active(*found));
    EXPECT_TRUE(mesh.contains(*found, p));
    bool among_new = false;
    for (const auto& mapping : info.new_triangles) {
        among_new = among_new || mapping.first == *found;
    }
    EXPECT_TRUE(among_new);
    // The walk from the dead start did not need a fallback.
    EXPECT_EQ(detail::walk_to_point(p, *mesh.surface, *mesh.modifier, t).status,
              STATUS::found);
}

TEST(FindContainingTriangle, StartBeyondTheMeshOrUnusableFallsBack) {
    Mesh mesh{3, 3, all_cells};
    const auto p = pt(2.2, 0.3);
    for (const index_t start : {mesh.surface->nb_polygons(), NO_ID}) {
        EXPECT_EQ(detail::walk_to_point(p, *mesh.surface, *mesh.modifier, start).status,
                  STATUS::no_start);
        const auto scanned =
            detail::find_containing_triangle(p, *mesh.surface, *mesh.modifier, start);
        ASSERT_TRUE(scanned.has_value());
        EXPECT_TRUE(mesh.contains(*scanned, p));
        const auto confirmed = detail::find_containing_triangle(
            p, *mesh.surface, *mesh.modifier, start, mesh.search);
        ASSERT_TRUE(confirmed.has_value());
        EXPECT_TRUE(mesh.contains(*confirmed, p));
    }
}

TEST(FindContainingTriangle, NonFinitePointsGiveNothing) {
    Mesh mesh{3, 3, all_cells};
    for (const auto& p : {pt(nan, 1), pt(1, nan), pt(inf, 1), pt(-inf, inf)}) {
        EXPECT_EQ(detail::walk_to_point(p, *mesh.surface, *mesh.modifier, 0).status,
                  STATUS::invalid_point);
        EXPECT_FALSE(detail::find_containing_triangle(p, *mesh.surface, *mesh.modifier, 0)
                         .has_value());
        EXPECT_FALSE(detail::find_containing_triangle(p, *mesh.surface, *mesh.modifier, 0,
                                                      mesh.search)
                         .has_value());
    }
}

TEST(FindContainingTriangle, VertexAndEdgePointsAreContainedFromAnyStart) {
    Mesh mesh{5, 5, all_cells};
    for (const auto& p : {pt(2, 3), pt(0, 0), pt(5, 2.5), pt(2.5, 2.5), pt(1, 4.25)}) {
        for (index_t start = 0; start < mesh.surface->nb_polygons(); start += 7) {
            const auto found =
                detail::find_containing_triangle(p, *mesh.surface, *mesh.modifier, start);
            ASSERT_TRUE(found.has_value()) << p.string();
            EXPECT_TRUE(mesh.contains(*found, p)) << p.string();
        }
    }
}

// ---- snapping ---------------------------------------------------------------------

TEST(Snapping, VertexAndEdgeTable) {
    Mesh mesh{test::make_cells_surface(1, 1, all_cells)};
    // Triangle 1 is (0, 0), (1, 1), (0, 1): edge 0 the diagonal, edge 1 the top, edge
    // 2 the left side.
    const index_t t = 1;
    constexpr auto none = std::nullopt;
    struct Case {
        Point<2> point;
        std::optional<local_index_t> vertex;
        std::optional<local_index_t> edge;
    };
    const Case cases[] = {
        {pt(0, 0), 0, none},
        {pt(0, 9e-7), 0, none},
        // Near the diagonal and the left side: the first edge in order wins.
        {pt(0, 1.1e-6), none, 0},
        {pt(0, 2e-6), none, 2},
        {pt(0.5, 0.5), none, 0},
        {pt(0.5 - 4e-7, 0.5 + 4e-7), none, 0},
        {pt(0.5 + 6e-7, 0.5 - 6e-7), none, 0},
        {pt(0.5 + 8e-7, 0.5 - 8e-7), none, none},
        {pt(0.5, 1 + 9e-7), none, 1},
        {pt(0.5, 1 - 2e-6), none, none},
        {pt(-5e-7, 0.5), none, 2},
        {pt(1 + 5e-7, 1), 1, none},
        // Beyond the end of the top edge, on its line: the projection is the end.
        {pt(1 + 2e-6, 1), none, none},
        {pt(0.2, 0.6), none, none},
        {pt(nan, 0.5), none, none},
        {pt(inf, 1), none, none},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(detail::snapping_detection(*mesh.surface, t, c.point), c.vertex)
            << c.point.string();
        EXPECT_EQ(detail::edge_snapping_detection(*mesh.surface, t, c.point), c.edge)
            << c.point.string();
    }
    // The polygon-edge form gives the distance.
    const auto d = detail::edge_snapping_detection(*mesh.surface, PolygonEdge{t, 1},
                                                   pt(0.5, 1 + 5e-7));
    ASSERT_TRUE(d.has_value());
    EXPECT_NEAR(*d, 5e-7, 1e-12);
}

TEST(Snapping, NearestOfTwoVerticesWithinTheTolerance) {
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*surface};
    builder.create_points(std::vector<Point<2>>{pt(0, 0), pt(8e-7, 0), pt(0, 1)});
    builder.create_triangle({0, 1, 2});
    EXPECT_EQ(detail::snapping_detection(*surface, 0, pt(7e-7, 0)), local_index_t{1});
    EXPECT_EQ(detail::snapping_detection(*surface, 0, pt(1e-7, 0)), local_index_t{0});
    // Both ends of the short edge are within the tolerance: never an edge snap.
    EXPECT_FALSE(
        detail::edge_snapping_detection(*surface, 0, pt(4e-7, 1e-8)).has_value());
}

TEST(Snapping, UnknownTriangleOrEdgeIsAnError) {
    Mesh mesh{1, 1, all_cells};
    EXPECT_THROW(detail::snapping_detection(*mesh.surface, 2, pt(0, 0)),
                 VelmoraException);
    EXPECT_THROW(detail::edge_snapping_detection(*mesh.surface, 2, pt(0, 0)),
                 VelmoraException);
    EXPECT_THROW(
        detail::edge_snapping_detection(*mesh.surface, PolygonEdge{0, 3}, pt(0, 0)),
        VelmoraException);
}

// Locate, snap, split, as the vertex insertion does: a point that snaps to no vertex
// is always accepted by split_edge (edge snap) or split_triangle (otherwise), and the
// new vertex sits at the point.
TEST(Snapping, AgreesWithTheModifierSplits) {
    std::mt19937 rng{5};
    std::uniform_real_distribution<double> unit(0, 1);
    const double offsets[] = {0., 3e-7, -3e-7, 9.9e-7, -9.9e-7, 1.01e-6, -2e-6, 1e-3};
    std::uniform_int_distribution<int> pick_offset(0, 7);
    std::uniform_int_distribution<int> local(0, 2);
    index_t nb_vertex = 0;
    index_t nb_edge = 0;
    index_t nb_triangle = 0;
    for (int k = 0; k < 400; ++k) {
        Mesh mesh{4, 4, all_cells};
        test::jitter_interior(*mesh.surface, 0.2, rng);
        mesh.search.reinitialize_elements_tree();
        std::uniform_int_distribution<index_t> pick(0, mesh.surface->nb_polygons() - 1);
        const PolygonEdge edge{pick(rng), static_cast<local_index_t>(local(rng))};
        const auto segment = mesh.surface->polygon_edge_segment(edge);
        const Point<2>& a = segment.vertex(0);
        const Point<2>& b = segment.vertex(1);
        const double length = segment.length();
        const Point<2> normal{
            {-(b.value(1) - a.value(1)) / length, (b.value(0) - a.value(0)) / length}};
        // Near an end (vertex snaps and their limit), or anywhere along the edge.
        const double along = k % 4 == 0   ? unit(rng) * 1.5e-6 / length
                             : k % 4 == 1 ? unit(rng) * 4e-6 / length
                                          : unit(rng);
        const Point<2> p = a + (b - a) * along + normal * offsets[pick_offset(rng)];
        const auto start = mesh.search.initial_containing_element(p);
        if (!start) {
            continue;
        }
        const auto t = detail::find_containing_triangle(p, *mesh.surface, *mesh.modifier,
                                                        *start, mesh.search);
        if (!t) {
            continue;
        }
        if (detail::snapping_detection(*mesh.surface, *t, p)) {
            ++nb_vertex;
            continue;
        }
        index_t vertex = NO_ID;
        if (const auto e = detail::edge_snapping_detection(*mesh.surface, *t, p)) {
            ++nb_edge;
            ASSERT_NO_THROW(
                vertex = mesh.modifier->split_edge(PolygonEdge{*t, *e}, p).new_vertex)
                << p.string();
        } else {
            ++nb_triangle;
            ASSERT_NO_THROW(vertex = mesh.modifier->split_triangle(*t, p).new_vertex)
                << p.string();
        }
        EXPECT_EQ(mesh.surface->point(vertex), p);
    }
    EXPECT_GT(nb_vertex, 20u);
    EXPECT_GT(nb_edge, 50u);
    EXPECT_GT(nb_triangle, 20u);
}

}  // namespace
}  // namespace orvane
