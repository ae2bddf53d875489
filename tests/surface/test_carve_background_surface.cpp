#include <orvane/surface/background/carve_background_surface.hpp>

#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/mesh/surface_consistency.hpp>
#include <orvane/surface/common/surface_exception.hpp>

#include "support/background_fixture.hpp"

namespace orvane::internal {
namespace {

using test::BackgroundOnGrid;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* NO_BORDER_MESSAGE =
    "[BackgroundSurface::one_border_polygon_edge] No edge on border found";

bool inside_box(const Point<2>& p, double min, double max) {
    return p.value(0) > min && p.value(0) < max && p.value(1) > min && p.value(1) < max;
}

// The macro edges of the boundary of the square [lo, hi]^2 of grid cells; `skip` names
// one boundary edge (by its lower-left grid vertex on the bottom side) left untagged.
void tag_ring(BackgroundOnGrid& b, const MeshEdge& wall, index_t lo, index_t hi,
              std::optional<index_t> bottom_gap = std::nullopt) {
    std::vector<index_t> edges;
    for (index_t i = lo; i < hi; ++i) {
        if (bottom_gap != i)
            edges.push_back(b.edge(i, lo, i + 1, lo));
        edges.push_back(b.edge(i, hi, i + 1, hi));
        edges.push_back(b.edge(lo, i, lo, i + 1));
        edges.push_back(b.edge(hi, i, hi, i + 1));
    }
    b.builder.add_macro_edge_info(wall, edges);
}

TEST(CarveBackgroundSurface, WithoutMacroEdgesEverythingConnectedGoes) {
    // Large enough that a flood re-expanding every duplicate of a queued triangle (their
    // number grows like the count of shortest paths) would never end.
    BackgroundOnGrid b{50, 50};
    const auto mappings = carve_background_surface(b.modifiable());
    EXPECT_EQ(b.surface().nb_polygons(), 0u);
    EXPECT_EQ(b.surface().nb_vertices(), 0u);
    EXPECT_EQ(b.surface().edges().nb_edges(), 0u);
    EXPECT_EQ(mappings.triangles.size(), 5000u);
    EXPECT_THAT(mappings.triangles, Each(NO_ID));
}

TEST(CarveBackgroundSurface, ClosedRingKeepsItsInsideWithItsMacroInformation) {
    BackgroundOnGrid b{8, 8};
    const uuid curve;
    const uuid surface;
    const MeshEdge wall{curve, 0};
    const MeshElement inside{surface, 3};
    tag_ring(b, wall, 2, 6);
    std::vector<index_t> inner;
    for (index_t j = 2; j < 6; ++j) {
        for (index_t i = 2; i < 6; ++i) {
            inner.push_back(b.grid.lower_triangle(i, j));
            inner.push_back(b.grid.upper_triangle(i, j));
        }
    }
    for (const index_t t : inner)
        b.builder.add_macro_element_info(inside, t);
    const index_t stamp = b.modifier.clean_stamp();

    const auto mappings = carve_background_surface(b.modifiable());

    const auto& mesh = b.surface();
    ASSERT_EQ(mesh.nb_polygons(), inner.size());
    EXPECT_NE(b.modifier.clean_stamp(), stamp);
    for (index_t t = 0; t < mappings.triangles.size(); ++t) {
        const bool kept = std::find(inner.begin(), inner.end(), t) != inner.end();
        EXPECT_EQ(mappings.triangles[t] != NO_ID, kept) << t;
    }
    for (index_t t = 0; t < mesh.nb_polygons(); ++t) {
        EXPECT_TRUE(inside_box(mesh.polygon_barycenter(t), 2, 6)) << t;
        EXPECT_THAT(b.background.macro_elements(t), ElementsAre(inside)) << t;
    }
    // The ring is now the border, and still carries its macro edge.
    index_t border_edges = 0;
    for (index_t t = 0; t < mesh.nb_polygons(); ++t) {
        for (local_index_t e = 0; e < 3; ++e) {
            if (!mesh.is_edge_on_border({t, e}))
                continue;
            ++border_edges;
            const index_t edge =
                mesh.edges()
                    .edge_from_vertices(mesh.polygon_edge_vertices({t, e}))
                    .value();
            EXPECT_THAT(b.background.macro_edges(edge), ElementsAre(wall));
        }
    }
    EXPECT_EQ(border_edges, 16u);
    EXPECT_THAT(check_surface_consistency(mesh), IsEmpty());
}

TEST(CarveBackgroundSurface, RingWithAGapLetsTheFloodIn) {
    BackgroundOnGrid b{8, 8};
    const uuid curve;
    tag_ring(b, MeshEdge{curve, 0}, 2, 6, index_t{4});
    carve_background_surface(b.modifiable());
    EXPECT_EQ(b.surface().nb_polygons(), 0u);
}

// The start triangle is removed without looking at its edges; from there no wall is
// crossed.
TEST(CarveBackgroundSurface, StartTriangleWalledInGoesAlone) {
    BackgroundOnGrid b{4, 4};
    const uuid curve;
    const auto start = b.background.one_border_polygon_edge();
    ASSERT_EQ(start.polygon_id, 0u);
    const auto& corners = b.surface().polygon_vertices(0);
    b.builder.add_macro_edge_info(
        MeshEdge{curve, 0},
        {b.edge_between(corners[0], corners[1]), b.edge_between(corners[1], corners[2]),
         b.edge_between(corners[2], corners[0])});

    const auto mappings = carve_background_surface(b.modifiable());

    EXPECT_EQ(b.surface().nb_polygons(), 31u);
    EXPECT_EQ(mappings.triangles[0], NO_ID);
    for (index_t t = 1; t < 32; ++t)
        EXPECT_EQ(mappings.triangles[t], t - 1);
}

TEST(CarveBackgroundSurface, MacroEdgeOnTheOuterBorderStopsNothing) {
    BackgroundOnGrid b{4, 4};
    const uuid curve;
    b.builder.add_macro_edge_info(MeshEdge{curve, 0}, b.line_edges(0, 0, 4, 0));
    carve_background_surface(b.modifiable());
    EXPECT_EQ(b.surface().nb_polygons(), 0u);
}

// Two 2 x 2 grids touching at one corner: the flood cannot pass through a vertex.
TEST(CarveBackgroundSurface, PieceTouchingAtAVertexSurvives) {
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> surface_builder{*surface};
    std::vector<std::array<index_t, 3>> triangles;
    // Vertex (i, j) of the 5 x 5 lattice: j * 5 + i; the pieces are the cells of
    // [0, 2]^2 and of [2, 4]^2.
    std::vector<Point<2>> points;
    for (index_t j = 0; j <= 4; ++j) {
        for (index_t i = 0; i <= 4; ++i)
            points.push_back(Point<2>{{double(i), double(j)}});
    }
    surface_builder.create_points(points);
    const auto v = [](index_t i, index_t j) { return j * 5 + i; };
    for (const index_t offset : {0u, 2u}) {
        for (index_t j = offset; j < offset + 2; ++j) {
            for (index_t i = offset; i < offset + 2; ++i) {
                triangles.push_back({v(i, j), v(i + 1, j), v(i + 1, j + 1)});
                triangles.push_back({v(i, j), v(i + 1, j + 1), v(i, j + 1)});
            }
        }
    }
    surface_builder.create_triangles(triangles);
    surface_builder.compute_polygon_adjacencies();
    BackgroundSurface background{*surface};
    BackgroundSurfaceBuilder builder{background};
    BackgroundSurfaceModifier modifier{background, builder, surface_builder};

    carve_background_surface({background, modifier});

    ASSERT_EQ(surface->nb_polygons(), 8u);
    for (index_t t = 0; t < 8; ++t) {
        const auto p = surface->polygon_barycenter(t);
        EXPECT_GT(p.value(0), 2.);
        EXPECT_GT(p.value(1), 2.);
    }
}

// Deactivated triangles are detached and look like border triangles; the first of them
// would start a flood that reaches nothing. The flood starts from an active one.
TEST(CarveBackgroundSurface, InactiveFirstBorderTriangleIsNotTheStart) {
    BackgroundOnGrid b{4, 4};
    b.modifier.inactive_triangle(0);
    ASSERT_EQ(b.background.one_border_polygon_edge().polygon_id, 0u);

    carve_background_surface(b.modifiable());

    EXPECT_EQ(b.surface().nb_polygons(), 0u);
}

TEST(CarveBackgroundSurface, InactiveTrianglesAheadOfAWalledPiece) {
    BackgroundOnGrid b{8, 8};
    const uuid curve;
    tag_ring(b, MeshEdge{curve, 0}, 2, 6);
    // The bottom row of cells is gone already; the flood must still start outside the
    // ring and stop at it.
    for (index_t i = 0; i < 8; ++i) {
        b.modifier.inactive_triangle(b.grid.lower_triangle(i, 0));
        b.modifier.inactive_triangle(b.grid.upper_triangle(i, 0));
    }
    carve_background_surface(b.modifiable());
    ASSERT_EQ(b.surface().nb_polygons(), 32u);
    for (index_t t = 0; t < 32; ++t)
        EXPECT_TRUE(inside_box(b.surface().polygon_barycenter(t), 2, 6)) << t;
}

void expect_no_border_failure(BackgroundOnGrid& b) {
    const index_t nb_polygons = b.surface().nb_polygons();
    const index_t nb_inactive = b.modifier.nb_inactive_triangles();
    const index_t stamp = b.modifier.clean_stamp();
    try {
        carve_background_surface(b.modifiable());
        ADD_FAILURE() << "no exception";
    } catch (const OrvaneBackgroundSurfaceException& error) {
        EXPECT_STREQ(error.what(), NO_BORDER_MESSAGE);
    }
    EXPECT_EQ(b.surface().nb_polygons(), nb_polygons);
    EXPECT_EQ(b.modifier.nb_inactive_triangles(), nb_inactive);
    EXPECT_EQ(b.modifier.clean_stamp(), stamp);
}

TEST(CarveBackgroundSurface, OnlyInactiveTrianglesHaveBorderEdges) {
    BackgroundOnGrid b{1, 1};
    b.modifier.inactive_triangle(0);
    b.modifier.inactive_triangle(1);
    expect_no_border_failure(b);
}

TEST(CarveBackgroundSurface, ClosedSurfaceThrowsBeforeAnyChange) {
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> surface_builder{*surface};
    // The four faces of a tetrahedron, flattened: closed, no border edge.
    surface_builder.create_points(
        {Point<2>{{0., 0.}}, Point<2>{{4., 0.}}, Point<2>{{0., 4.}}, Point<2>{{1., 1.}}});
    surface_builder.create_triangles(std::vector<std::array<index_t, 3>>{
        {{0, 1, 2}}, {{0, 3, 1}}, {{1, 3, 2}}, {{0, 2, 3}}});
    surface_builder.compute_polygon_adjacencies();
    BackgroundSurface background{*surface};
    BackgroundSurfaceBuilder builder{background};
    BackgroundSurfaceModifier modifier{background, builder, surface_builder};
    for (local_index_t e = 0; e < 3; ++e)
        ASSERT_FALSE(surface->is_edge_on_border({0, e}));

    try {
        carve_background_surface({background, modifier});
        ADD_FAILURE() << "no exception";
    } catch (const OrvaneBackgroundSurfaceException& error) {
        EXPECT_STREQ(error.what(), NO_BORDER_MESSAGE);
    }
    EXPECT_EQ(surface->nb_polygons(), 4u);
    EXPECT_EQ(modifier.nb_inactive_triangles(), 0u);
}

TEST(CarveBackgroundSurface, MissingEdgeRaisesBadOptionalAccessBeforeAnyChange) {
    BackgroundOnGrid b{3, 3};
    std::vector<bool> to_delete(b.surface().edges().nb_edges(), false);
    to_delete[b.edge(1, 1, 2, 2)] = true;
    b.surface_builder.delete_edges(to_delete);

    EXPECT_THROW(carve_background_surface(b.modifiable()), std::bad_optional_access);
    EXPECT_EQ(b.modifier.nb_inactive_triangles(), 0u);
    EXPECT_EQ(b.surface().nb_polygons(), 18u);
}

}  // namespace
}  // namespace orvane::internal
