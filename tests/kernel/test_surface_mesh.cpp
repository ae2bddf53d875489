#include <orvane/kernel/mesh/surface_consistency.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using Triangles = std::vector<std::array<index_t, 3>>;

std::unique_ptr<TriangulatedSurface<2>> make_surface(const std::vector<Point2D>& points,
                                                     const Triangles& triangles) {
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*surface};
    builder.create_points(points);
    builder.create_triangles(triangles);
    builder.compute_polygon_adjacencies();
    return surface;
}

// nx x ny vertices; vertex (i, j) is j * nx + i at point (i, j); two counter-clockwise
// triangles per cell.
std::unique_ptr<TriangulatedSurface<2>> make_grid(index_t nx, index_t ny) {
    std::vector<Point2D> points;
    for (index_t j = 0; j < ny; ++j) {
        for (index_t i = 0; i < nx; ++i)
            points.push_back(Point2D{{double(i), double(j)}});
    }
    Triangles triangles;
    for (index_t j = 0; j + 1 < ny; ++j) {
        for (index_t i = 0; i + 1 < nx; ++i) {
            const index_t a = j * nx + i;
            triangles.push_back({{a, a + 1, a + 1 + nx}});
            triangles.push_back({{a, a + 1 + nx, a + nx}});
        }
    }
    return make_surface(points, triangles);
}

void expect_valid(const SurfaceMesh<2>& surface) {
    const auto problems = check_surface_consistency(surface);
    EXPECT_TRUE(problems.empty()) << problems.front();
}

double angle_of(const SurfaceMesh<2>& s, index_t center, index_t other) {
    const auto d = s.point(other) - s.point(center);
    return std::atan2(d.value(1), d.value(0));
}

// The fan's polygons in order must chain: each next polygon shares with the previous
// one the edge that ends at... i.e. the edge "previous vertex -> center" of polygon k is
// the edge "center -> next vertex" of polygon k + 1 (counter-clockwise turning).
void expect_counter_clockwise_chain(const SurfaceMesh<2>& s, index_t v,
                                    const PolygonsAroundVertex& fan, bool closed) {
    for (std::size_t k = 0; k + 1 < fan.size() + (closed ? 1 : 0); ++k) {
        const auto& a = fan[k];
        const auto& b = fan[(k + 1) % fan.size()];
        EXPECT_EQ(s.polygon_vertex(a), v);
        const index_t a_prev = s.polygon_vertex(s.previous_polygon_vertex(a));
        const index_t b_next = s.polygon_vertex(s.next_polygon_vertex(b));
        EXPECT_EQ(a_prev, b_next)
            << "polygons " << a.polygon_id << " and " << b.polygon_id;
    }
}

TEST(SurfaceMesh, SingleTriangleQueries) {
    auto s =
        make_surface({Point2D{{0, 0}}, Point2D{{2, 0}}, Point2D{{0, 1}}}, {{{0, 1, 2}}});
    expect_valid(*s);
    EXPECT_EQ(s->nb_vertices(), 3u);
    EXPECT_EQ(s->nb_polygons(), 1u);
    EXPECT_EQ(s->polygon_vertex({0, 2}), 2u);
    EXPECT_EQ(s->polygon_edge_vertices({0, 2}), (std::array<index_t, 2>{{2, 0}}));
    EXPECT_EQ(s->polygon_edge_vertex({0, 1}, 1), 2u);
    EXPECT_EQ(s->next_polygon_edge({0, 2}), (PolygonEdge{0, 0}));
    EXPECT_EQ(s->previous_polygon_edge({0, 0}), (PolygonEdge{0, 2}));
    EXPECT_EQ(s->previous_polygon_vertex({0, 0}), (PolygonVertex{0, 2}));
    for (local_index_t e = 0; e < 3; ++e) {
        EXPECT_TRUE(s->is_edge_on_border({0, e}));
        EXPECT_FALSE(s->polygon_adjacent({0, e}).has_value());
        EXPECT_FALSE(s->polygon_adjacent_edge({0, e}).has_value());
        EXPECT_EQ(s->next_on_border({0, e}),
                  (PolygonEdge{0, static_cast<local_index_t>((e + 1) % 3)}));
        EXPECT_EQ(s->previous_on_border({0, e}),
                  (PolygonEdge{0, static_cast<local_index_t>((e + 2) % 3)}));
    }
    EXPECT_EQ(s->polygons_around_vertex(1), (PolygonsAroundVertex{PolygonVertex{0, 1}}));
    EXPECT_EQ(s->vertices_around_vertex(0), (VerticesAroundVertex{1, 2}));
    EXPECT_TRUE(s->is_vertex_on_border(0));
    EXPECT_DOUBLE_EQ(s->polygon_area(0), 1.0);
    EXPECT_DOUBLE_EQ(s->polygon_signed_area(0), 1.0);
    EXPECT_DOUBLE_EQ(s->edge_length({0, 0}), 2.0);
    EXPECT_EQ(s->edge_barycenter({0, 0}), (Point2D{{1, 0}}));
    EXPECT_EQ(s->polygon_barycenter(0), (Point2D{{2. / 3., 1. / 3.}}));
    EXPECT_EQ(s->triangle(0).vertex(1), (Point2D{{2, 0}}));
    EXPECT_FALSE(s->is_polygon_degenerated(0));
    const auto box = s->bounding_box();
    EXPECT_EQ(box.min(), (Point2D{{0, 0}}));
    EXPECT_EQ(box.max(), (Point2D{{2, 1}}));
    EXPECT_EQ(s->polygon_edge_from_vertices(2, 0), (PolygonEdge{0, 2}));
    EXPECT_FALSE(s->polygon_edge_from_vertices(0, 2).has_value());
    EXPECT_THROW(s->point(3), VelmoraBasicException);
    EXPECT_THROW(s->polygon_vertices(1), VelmoraBasicException);
}

TEST(SurfaceMesh, InteriorVertexFanIsCounterClockwiseFromIncidentPolygon) {
    auto s = make_grid(3, 3);
    expect_valid(*s);
    const index_t center = 4;
    const auto fan = s->polygons_around_vertex(center);
    ASSERT_EQ(fan.size(), 6u);
    EXPECT_EQ(fan.front(), *s->polygon_around_vertex(center));
    expect_counter_clockwise_chain(*s, center, fan, true);
    EXPECT_FALSE(s->is_vertex_on_border(center));
    // Neighbours in strictly increasing angle (modulo one wrap).
    const auto around = s->vertices_around_vertex(center);
    ASSERT_EQ(around.size(), 6u);
    int wraps = 0;
    for (std::size_t k = 0; k < around.size(); ++k) {
        const double a = angle_of(*s, center, around[k]);
        const double b = angle_of(*s, center, around[(k + 1) % around.size()]);
        if (b < a)
            ++wraps;
    }
    EXPECT_EQ(wraps, 1);
}

TEST(SurfaceMesh, BorderVertexFanRunsFromBorderToBorder) {
    auto s = make_grid(3, 3);
    // Bottom middle vertex 1: polygons 0 (cell 0 upper... ) whatever the incident one,
    // the first polygon's edge starting at the vertex and the last polygon's edge ending
    // at it are on the border.
    for (const index_t v : {0u, 1u, 2u, 3u, 5u, 6u, 7u, 8u}) {
        const auto fan = s->polygons_around_vertex(v);
        ASSERT_FALSE(fan.empty());
        EXPECT_TRUE(s->is_edge_on_border(PolygonEdge{fan.front()})) << v;
        EXPECT_TRUE(
            s->is_edge_on_border(s->previous_polygon_edge(PolygonEdge{fan.back()})))
            << v;
        expect_counter_clockwise_chain(*s, v, fan, false);
        EXPECT_TRUE(s->is_vertex_on_border(v));
        const auto around = s->vertices_around_vertex(v);
        EXPECT_EQ(around.size(), fan.size() + 1);
        // First and last neighbours are the two border neighbours.
        EXPECT_EQ(around.front(), s->polygon_vertex(s->next_polygon_vertex(fan.front())));
        EXPECT_EQ(around.back(),
                  s->polygon_vertex(s->previous_polygon_vertex(fan.back())));
    }
    // Starting from any incident polygon gives the same order.
    TriangulatedSurfaceBuilder<2> builder{*s};
    const auto reference = s->polygons_around_vertex(1);
    for (const auto& pv : reference) {
        builder.associate_polygon_vertex_to_vertex(pv, 1);
        EXPECT_EQ(s->polygons_around_vertex(1), reference);
    }
}

TEST(SurfaceMesh, BorderWalksCloseTheLoop) {
    auto s = make_grid(5, 4);
    // Find a border edge.
    PolygonEdge start;
    for (index_t p = 0; p < s->nb_polygons() && start.polygon_id == NO_ID; ++p) {
        for (local_index_t e = 0; e < 3; ++e) {
            if (s->is_edge_on_border({p, e})) {
                start = PolygonEdge{p, e};
                break;
            }
        }
    }
    const index_t nb_border_edges = 2 * (5 - 1) + 2 * (4 - 1);
    PolygonEdge current = start;
    std::set<index_t> visited_vertices;
    for (index_t k = 0; k < nb_border_edges; ++k) {
        const auto next = s->next_on_border(current);
        EXPECT_TRUE(s->is_edge_on_border(next));
        EXPECT_EQ(s->polygon_edge_vertex(next, 0), s->polygon_edge_vertex(current, 1));
        EXPECT_EQ(s->previous_on_border(next), current);
        visited_vertices.insert(s->polygon_edge_vertex(current, 0));
        current = next;
        if (k + 1 < nb_border_edges) {
            EXPECT_NE(current, start);
        }
    }
    EXPECT_EQ(current, start);
    EXPECT_EQ(visited_vertices.size(), nb_border_edges);
    EXPECT_THROW(s->next_on_border(PolygonEdge{0, 1}),
                 VelmoraBasicException);  // interior
}

TEST(SurfaceMesh, AdjacencyAndEdgeVertexQueriesOnAGrid) {
    auto s = make_grid(4, 4);
    // Interior diagonal of cell 0: triangles 0 and 1 share vertices 0 and 5.
    EXPECT_EQ(s->polygon_adjacent({0, 2}), 1u);
    EXPECT_EQ(s->polygon_adjacent_edge({0, 2}), (PolygonEdge{1, 0}));
    const auto both = s->polygons_from_edge_vertices({{0, 5}});
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(s->polygon_edge_vertices(both[0]), (std::array<index_t, 2>{{0, 5}}));
    EXPECT_EQ(s->polygon_edge_vertices(both[1]), (std::array<index_t, 2>{{5, 0}}));
    const auto reversed = s->polygons_from_edge_vertices({{5, 0}});
    ASSERT_EQ(reversed.size(), 2u);
    EXPECT_EQ(reversed[0], both[1]);
    EXPECT_EQ(s->polygons_from_edge_vertices({{0, 1}}).size(), 1u);  // border edge
    EXPECT_TRUE(s->polygons_from_edge_vertices({{0, 6}}).empty());   // not an edge
    for (index_t p = 0; p < s->nb_polygons(); ++p) {
        for (local_index_t e = 0; e < 3; ++e) {
            const auto back = s->polygon_adjacent_edge({p, e});
            if (!back)
                continue;
            EXPECT_EQ(s->polygon_adjacent(*back), p);
            EXPECT_EQ(s->polygon_adjacent_edge(*back), (PolygonEdge{p, e}));
        }
    }
}

TEST(SurfaceMesh, FanWithABorderAroundACenterVertex) {
    // Center 0 with four triangles over a half disc: a border vertex of valence 4.
    auto s = make_surface({Point2D{{0, 0}}, Point2D{{1, 0}}, Point2D{{0.7, 0.7}},
                           Point2D{{0, 1}}, Point2D{{-0.7, 0.7}}, Point2D{{-1, 0}}},
                          {{{0, 1, 2}}, {{0, 3, 4}}, {{0, 2, 3}}, {{0, 4, 5}}});
    expect_valid(*s);
    const auto fan = s->polygons_around_vertex(0);
    std::vector<index_t> order;
    for (const auto& pv : fan)
        order.push_back(pv.polygon_id);
    EXPECT_EQ(order, (std::vector<index_t>{0, 2, 1, 3}));
    EXPECT_EQ(s->vertices_around_vertex(0), (VerticesAroundVertex{1, 2, 3, 4, 5}));
    EXPECT_EQ(s->next_on_border(PolygonEdge{3, 2}), (PolygonEdge{0, 0}));
}

TEST(SurfaceMesh, NonManifoldVertexExposesTheFanOfItsIncidentPolygon) {
    // Two triangles touching only at vertex 0 (a bow tie).
    auto s = make_surface({Point2D{{0, 0}}, Point2D{{1, 0}}, Point2D{{1, 1}},
                           Point2D{{-1, 0}}, Point2D{{-1, -1}}},
                          {{{0, 1, 2}}, {{0, 3, 4}}});
    expect_valid(*s);
    const auto fan = s->polygons_around_vertex(0);
    ASSERT_EQ(fan.size(), 1u);
    EXPECT_EQ(fan[0], *s->polygon_around_vertex(0));
    EXPECT_TRUE(s->is_vertex_on_border(0));
    EXPECT_EQ(s->next_on_border(PolygonEdge{0, 2}), (PolygonEdge{0, 0}));
    // Edges of the other fan are still found, from their other end.
    EXPECT_EQ(s->polygons_from_edge_vertices({{0, 3}}),
              (PolygonEdgesAroundEdge{PolygonEdge{1, 0}}));
    EXPECT_EQ(s->polygons_from_edge_vertices({{4, 0}}),
              (PolygonEdgesAroundEdge{PolygonEdge{1, 2}}));
    EXPECT_EQ(s->polygon_edge_from_vertices(0, 3), (PolygonEdge{1, 0}));
    EXPECT_FALSE(s->polygon_edge_from_vertices(3, 0).has_value());
}

TEST(SurfaceMesh, NonManifoldEdgeGetsNoAdjacency) {
    // Three triangles on edge (0, 1): no pair is adjacent across it.
    auto s = make_surface({Point2D{{0, 0}}, Point2D{{1, 0}}, Point2D{{0.5, 1}},
                           Point2D{{0.5, -1}}, Point2D{{0.5, 2}}, Point2D{{2, 0}}},
                          {{{0, 1, 2}}, {{1, 0, 3}}, {{0, 1, 4}}, {{1, 5, 2}}});
    EXPECT_FALSE(s->polygon_adjacent({0, 0}).has_value());
    EXPECT_FALSE(s->polygon_adjacent({1, 0}).has_value());
    EXPECT_FALSE(s->polygon_adjacent({2, 0}).has_value());
    // The manifold edge (1, 2) still pairs triangles 0 and 3.
    EXPECT_EQ(s->polygon_adjacent({0, 1}), 3u);
    EXPECT_EQ(s->polygon_adjacent({3, 2}), 0u);
    SurfaceConsistencyOptions no_orientation;
    no_orientation.check_orientation = false;
    EXPECT_TRUE(check_surface_consistency(*s, no_orientation).empty());
    EXPECT_NO_THROW(s->polygons_around_vertex(0));
}

TEST(SurfaceMesh, IsolatedVertexAndEmptySurface) {
    auto empty = TriangulatedSurface<2>::create();
    EXPECT_EQ(empty->nb_polygons(), 0u);
    EXPECT_FALSE(empty->bounding_box().is_valid());
    empty->enable_edges();
    EXPECT_EQ(empty->edges().nb_edges(), 0u);
    expect_valid(*empty);

    auto s =
        make_surface({Point2D{{0, 0}}, Point2D{{1, 0}}, Point2D{{0, 1}}, Point2D{{5, 5}}},
                     {{{0, 1, 2}}});
    EXPECT_TRUE(s->is_vertex_isolated(3));
    EXPECT_FALSE(s->polygon_around_vertex(3).has_value());
    EXPECT_TRUE(s->polygons_around_vertex(3).empty());
    EXPECT_TRUE(s->vertices_around_vertex(3).empty());
    EXPECT_FALSE(s->is_vertex_on_border(3));
    EXPECT_TRUE(s->polygons_from_edge_vertices({{3, 0}}).empty());
    EXPECT_EQ(s->bounding_box().max(), (Point2D{{5, 5}}));
    expect_valid(*s);
}

TEST(SurfaceMesh, DegeneratedPolygons) {
    auto s = make_surface({Point2D{{0, 0}}, Point2D{{1, 0}}, Point2D{{0.5, 5e-7}},
                           Point2D{{0.5, 1e-3}}, Point2D{{1e-7, 0}}, Point2D{{0, 1e-7}}},
                          {{{0, 1, 2}}, {{0, 1, 3}}, {{0, 4, 5}}});
    EXPECT_TRUE(s->is_polygon_degenerated(0));
    EXPECT_FALSE(s->is_polygon_degenerated(1));
    EXPECT_TRUE(s->is_polygon_degenerated(2));
}

TEST(SurfaceEdges, EnabledLazilyAndKeptInStepByTheBuilder) {
    auto s = make_grid(4, 3);
    EXPECT_FALSE(s->are_edges_enabled());
    EXPECT_THROW(s->edges(), VelmoraBasicException);
    s->enable_edges();
    const auto& edges = s->edges();
    EXPECT_EQ(edges.nb_edges(), 3u * 3 + 4u * 2 + 3u * 2);
    expect_valid(*s);
    const auto e = edges.edge_from_vertices({{5, 0}});
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(edges.edge_from_vertices({{0, 5}}), e);
    EXPECT_EQ(edges.edge_vertices(*e), (std::array<index_t, 2>{{0, 5}}));
    EXPECT_FALSE(edges.edge_from_vertices({{0, 6}}).has_value());
    const std::array<std::array<index_t, 2>, 3> pairs{{{{5, 0}}, {{0, 6}}, {{1, 0}}}};
    std::array<index_t, 3> found{};
    edges.edges_from_vertices(pairs, absl::MakeSpan(found));
    EXPECT_EQ(found,
              (std::array<index_t, 3>{{*e, NO_ID, *edges.edge_from_vertices({{0, 1}})}}));
    EXPECT_THROW(edges.edges_from_vertices(pairs, absl::MakeSpan(found).subspan(1)),
                 VelmoraBasicException);

    TriangulatedSurfaceBuilder<2> builder{*s};
    auto attribute =
        edges.edge_attribute_manager().find_or_create_attribute<VariableAttribute, int>(
            "mark", 0);
    attribute->set_value(*e, 7);
    const index_t before = edges.nb_edges();
    const index_t v = builder.create_point(Point2D{{-1, 0}});
    builder.create_triangle({{v, 0, 4}});
    EXPECT_EQ(edges.nb_edges(), before + 2);
    EXPECT_EQ(attribute->nb_elements(), before + 2);
    EXPECT_EQ(builder.find_or_create_edge({{4, 0}}), *edges.edge_from_vertices({{0, 4}}));
    EXPECT_EQ(edges.nb_edges(), before + 2);
    EXPECT_EQ(attribute->value(*e), 7);
    EXPECT_THROW(builder.find_or_create_edge({{1, 1}}), VelmoraBasicException);
}

TEST(SurfaceMeshBuilder, CreatePolygonsWithEdgesReportsTheProbedEdges) {
    auto s = make_grid(3, 3);
    s->enable_edges();
    const auto& edges = s->edges();
    TriangulatedSurfaceBuilder<2> builder{*s};
    auto attribute =
        edges.edge_attribute_manager().find_or_create_attribute<VariableAttribute, int>(
            "mark", 0);
    const index_t before = edges.nb_edges();
    const index_t v = builder.create_point(Point2D{{-1, 0}});
    // (v, 0, 3) and (v, 3, 6): edge (0, 3) exists and is skipped, (v, 3) is shared.
    const Triangles triangles{{{v, 0, 3}}, {{v, 3, 6}}};
    const std::array<std::uint8_t, 2> existing{{0b010, 0b010}};
    std::array<std::array<index_t, 3>, 2> created{};
    const index_t first =
        builder.create_polygons_with_edges(triangles, existing, absl::MakeSpan(created));
    EXPECT_EQ(first, s->nb_polygons() - 2);
    EXPECT_EQ(edges.nb_edges(), before + 3);
    EXPECT_EQ(attribute->nb_elements(), before + 3);
    for (index_t p = 0; p < 2; ++p) {
        for (local_index_t i = 0; i < 3; ++i) {
            const std::array<index_t, 2> pair{
                {triangles[p][i], triangles[p][i == 2 ? 0 : i + 1]}};
            if (i == 1) {
                EXPECT_EQ(created[p][i], NO_ID);
            } else {
                EXPECT_EQ(created[p][i], edges.edge_from_vertices(pair));
            }
        }
    }
    EXPECT_EQ(created[0][2], created[1][0]);
    const std::array<std::uint8_t, 1> one_flag{{0}};
    EXPECT_THROW(
        builder.create_polygons_with_edges(triangles, one_flag, absl::MakeSpan(created)),
        VelmoraBasicException);
    EXPECT_EQ(first, s->nb_polygons() - 2);
}

TEST(SurfaceMeshBuilder, RejectsRepeatedOrOutOfRangeVerticesWithoutChange) {
    auto s = make_grid(2, 2);
    TriangulatedSurfaceBuilder<2> builder{*s};
    const Triangles bad_cases[] = {{{{0, 0, 1}}},
                                   {{{0, 1, 1}}},
                                   {{{2, 1, 2}}},
                                   {{{0, 1, 4}}},
                                   {{{0, 1, 3}}, {{0, 1, 9}}}};
    for (const auto& triangles : bad_cases) {
        EXPECT_THROW(builder.create_triangles(triangles), VelmoraBasicException);
        EXPECT_EQ(s->nb_polygons(), 2u);
        EXPECT_EQ(s->polygon_attribute_manager().nb_elements(), 2u);
    }
    EXPECT_THROW(builder.set_polygon_vertex({0, 0}, 1), VelmoraBasicException);
    EXPECT_EQ(s->polygon_vertices(0), (std::array<index_t, 3>{{0, 1, 3}}));
    EXPECT_THROW(builder.set_point(9, Point2D{}), VelmoraBasicException);
    EXPECT_THROW(builder.set_polygon_adjacent({0, 0}, 5), VelmoraBasicException);
    EXPECT_THROW(builder.associate_polygon_vertex_to_vertex({0, 0}, 3),
                 VelmoraBasicException);
    expect_valid(*s);
}

TEST(SurfaceMeshBuilder, SetPolygonVertexKeepsIncidentPointersAndEdges) {
    auto s = make_grid(3, 2);  // vertices 0..5, triangles 0..3
    s->enable_edges();
    TriangulatedSurfaceBuilder<2> builder{*s};
    const index_t v = builder.create_point(Point2D{{1, -1}});
    // Move vertex 1 of triangle 0 (0, 1, 4) to the new vertex: (0, v, 4).
    builder.associate_polygon_vertex_to_vertex({0, 1}, 1);
    builder.set_polygon_vertex({0, 1}, v);
    EXPECT_EQ(s->polygon_around_vertex(v), (PolygonVertex{0, 1}));
    const auto incident = s->polygon_around_vertex(1);
    ASSERT_TRUE(incident.has_value());
    EXPECT_EQ(s->polygon_vertex(*incident), 1u);
    EXPECT_TRUE(s->edges().edge_from_vertices({{0, v}}).has_value());
    EXPECT_TRUE(s->edges().edge_from_vertices({{v, 4}}).has_value());
    // The old edge stays until it is cleaned.
    EXPECT_TRUE(s->edges().edge_from_vertices({{0, 1}}).has_value());
    builder.compute_polygon_adjacencies();
    SurfaceConsistencyOptions options;
    options.check_orientation = false;
    EXPECT_TRUE(check_surface_consistency(*s, options).empty());
}

TEST(SurfaceMeshBuilder, DeletionsRenumberEverythingAndAttributesFollow) {
    auto s = make_grid(4, 3);  // 12 vertices, 12 triangles
    s->enable_edges();
    auto& vertex_attributes = s->vertex_attribute_manager();
    auto& polygon_attributes = s->polygon_attribute_manager();
    auto& edge_attributes = s->edges().edge_attribute_manager();
    auto vx =
        vertex_attributes.find_or_create_attribute<VariableAttribute, double>("x", 0.0);
    auto py = polygon_attributes.find_or_create_attribute<SparseAttribute, index_t>(
        "id", NO_ID);
    auto ez = edge_attributes
                  .find_or_create_attribute<VariableAttribute, std::array<index_t, 2>>(
                      "ends", {});
    for (index_t v = 0; v < s->nb_vertices(); ++v)
        vx->set_value(v, s->point(v).value(0));
    for (index_t p = 0; p < s->nb_polygons(); ++p)
        py->set_value(p, p);
    for (index_t e = 0; e < s->edges().nb_edges(); ++e) {
        const auto& ends = s->edges().edge_vertices(e);
        ez->set_value(e, {{vx->value(ends[0]) == 0 ? ends[0] : ends[0], ends[1]}});
    }
    // Remove the triangles of the first column of cells: vertices 0, 4, 8 become
    // isolated.
    TriangulatedSurfaceBuilder<2> builder{*s};
    std::vector<bool> to_delete(s->nb_polygons(), false);
    for (const index_t p : {0u, 1u, 6u, 7u})
        to_delete[p] = true;
    const auto polygon_map = builder.delete_polygons(to_delete);
    EXPECT_EQ(s->nb_polygons(), 8u);
    EXPECT_EQ(polygon_map[0], NO_ID);
    EXPECT_EQ(polygon_map[2], 0u);
    for (index_t p = 0; p < 12; ++p) {
        if (polygon_map[p] != NO_ID) {
            EXPECT_EQ(py->value(polygon_map[p]), p);
        }
    }
    EXPECT_TRUE(s->is_vertex_isolated(0));
    EXPECT_FALSE(s->is_vertex_isolated(1));
    EXPECT_FALSE(s->is_vertex_isolated(5));

    // Edges of the isolated vertices remain, so vertices cannot go first.
    EXPECT_THROW(builder.delete_isolated_vertices(), VelmoraBasicException);
    EXPECT_EQ(s->nb_vertices(), 12u);
    const index_t nb_edges_before = s->edges().nb_edges();
    const auto edge_map = builder.delete_isolated_edges();
    // Edges (0,1) (0,4) (0,5) (4,5) (4,8) (4,9) (8,9) lose their last triangle; (1,5) and
    // (5,9) are still used.
    EXPECT_EQ(s->edges().nb_edges(), nb_edges_before - 7);
    for (index_t e = 0; e < nb_edges_before; ++e) {
        if (edge_map[e] == NO_ID)
            continue;
        EXPECT_EQ(ez->value(edge_map[e]), s->edges().edge_vertices(edge_map[e]));
    }
    const auto vertex_map = builder.delete_isolated_vertices();
    EXPECT_EQ(s->nb_vertices(), 9u);
    EXPECT_EQ(vertex_map[0], NO_ID);
    EXPECT_EQ(vertex_map[1], 0u);
    for (index_t v = 0; v < 12; ++v) {
        if (vertex_map[v] == NO_ID)
            continue;
        EXPECT_EQ(vx->value(vertex_map[v]), s->point(vertex_map[v]).value(0));
    }
    // Edge pairs are renumbered (and still sorted).
    EXPECT_TRUE(
        s->edges().edge_from_vertices({{vertex_map[1], vertex_map[5]}}).has_value());
    expect_valid(*s);
}

// Deletions leave the edge map to be rebuilt by the first lookup; lookups are const and
// may come from several threads at once.
TEST(SurfaceMeshBuilder, ConcurrentLookupsAfterDeletionsAgree) {
    auto s = make_grid(30, 30);
    s->enable_edges();
    TriangulatedSurfaceBuilder<2> builder{*s};
    std::vector<bool> to_delete(s->nb_polygons(), false);
    for (index_t p = 0; p < s->nb_polygons(); p += 7)
        to_delete[p] = true;
    builder.delete_polygons(to_delete);
    builder.delete_isolated_edges();
    builder.delete_isolated_vertices();
    const auto& edges = s->edges();
    std::vector<std::thread> threads;
    std::vector<index_t> nb_wrong(4, 0);
    for (index_t k = 0; k < 4; ++k) {
        threads.emplace_back([&edges, &nb_wrong, k]() {
            for (index_t e = 0; e < edges.nb_edges(); ++e) {
                if (edges.edge_from_vertices(edges.edge_vertices(e)) != e)
                    ++nb_wrong[k];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(nb_wrong, std::vector<index_t>(4, 0));
    expect_valid(*s);
}

// The edge map grows from empty through many rehashes, shrinks on deletions and grows
// again; every lookup, present or absent, must agree with a plain set of pairs.
TEST(SurfaceEdges, LookupsAgreeWithAReferenceThroughGrowthAndDeletions) {
    constexpr index_t nb_vertices = 3000;
    for (unsigned seed = 0; seed < 4; ++seed) {
        std::mt19937 rng{seed};
        std::uniform_int_distribution<index_t> random_vertex(0, nb_vertices - 1);
        auto s = TriangulatedSurface<2>::create();
        TriangulatedSurfaceBuilder<2> builder{*s};
        builder.create_points(std::vector<Point2D>(nb_vertices, Point2D{{0, 0}}));
        s->enable_edges();
        const auto& edges = s->edges();
        std::map<std::array<index_t, 2>, index_t> reference;
        const auto random_pair = [&]() {
            index_t a = random_vertex(rng);
            index_t b = random_vertex(rng);
            while (b == a)
                b = random_vertex(rng);
            return std::array<index_t, 2>{{a, b}};
        };
        const auto sorted = [](std::array<index_t, 2> v) {
            if (v[1] < v[0])
                std::swap(v[0], v[1]);
            return v;
        };
        const auto create = [&](index_t nb) {
            for (index_t k = 0; k < nb; ++k) {
                const auto pair = random_pair();
                const auto it = reference.find(sorted(pair));
                const index_t edge = builder.find_or_create_edge(pair);
                if (it == reference.end())
                    reference.emplace(sorted(pair), edge);
                else
                    ASSERT_EQ(edge, it->second);
            }
        };
        const auto check = [&]() {
            ASSERT_EQ(edges.nb_edges(), reference.size());
            for (const auto& [pair, edge] : reference) {
                ASSERT_EQ(edges.edge_vertices(edge), pair);
                ASSERT_EQ(edges.edge_from_vertices({{pair[1], pair[0]}}), edge);
            }
            std::vector<std::array<index_t, 2>> probes(2000);
            for (auto& probe : probes)
                probe = random_pair();
            std::vector<index_t> found(probes.size());
            edges.edges_from_vertices(probes, absl::MakeSpan(found));
            for (std::size_t k = 0; k < probes.size(); ++k) {
                const auto it = reference.find(sorted(probes[k]));
                ASSERT_EQ(found[k], it == reference.end() ? NO_ID : it->second);
            }
        };
        check();
        create(6000);
        check();
        std::vector<bool> to_delete(edges.nb_edges());
        for (index_t e = 0; e < to_delete.size(); ++e)
            to_delete[e] = rng() % 4 != 0;
        const auto old2new = builder.delete_edges(to_delete);
        std::map<std::array<index_t, 2>, index_t> kept;
        for (const auto& [pair, edge] : reference) {
            if (old2new[edge] != NO_ID)
                kept.emplace(pair, old2new[edge]);
        }
        reference = std::move(kept);
        check();
        create(3000);
        check();
    }
}

TEST(SurfaceMesh, CloneCopiesEverythingAndIsIndependent) {
    auto s = make_grid(3, 3);
    s->enable_edges();
    auto h =
        s->vertex_attribute_manager().find_or_create_attribute<VariableAttribute, double>(
            "h", 0.0, {false, false, true});
    h->set_value(4, 2.5);
    s->polygon_attribute_manager().find_or_create_attribute<ConstantAttribute, int>("c",
                                                                                    3);
    s->edges()
        .edge_attribute_manager()
        .find_or_create_attribute<SparseAttribute, int>("m", 0)
        ->set_value(2, 9);

    auto copy = s->clone();
    expect_valid(*copy);
    ASSERT_EQ(copy->nb_vertices(), s->nb_vertices());
    ASSERT_EQ(copy->nb_polygons(), s->nb_polygons());
    for (index_t p = 0; p < s->nb_polygons(); ++p) {
        EXPECT_EQ(copy->polygon_vertices(p), s->polygon_vertices(p));
        for (local_index_t e = 0; e < 3; ++e) {
            EXPECT_EQ(copy->polygon_adjacent({p, e}), s->polygon_adjacent({p, e}));
        }
    }
    ASSERT_TRUE(copy->are_edges_enabled());
    EXPECT_EQ(copy->edges().nb_edges(), s->edges().nb_edges());
    auto copied_h = copy->vertex_attribute_manager().find_attribute<double>("h");
    EXPECT_EQ(copied_h->value(4), 2.5);
    EXPECT_TRUE(copied_h->properties().transferable);
    EXPECT_EQ(copy->polygon_attribute_manager().find_attribute<int>("c")->value(0), 3);
    EXPECT_EQ(copy->edges().edge_attribute_manager().find_attribute<int>("m")->value(2),
              9);

    // Changes on either side stay there.
    TriangulatedSurfaceBuilder<2> builder{*copy};
    builder.set_point(0, Point2D{{-3, -3}});
    builder.create_point(Point2D{{9, 9}});
    h->set_value(4, 7.0);
    EXPECT_EQ(s->point(0), (Point2D{{0, 0}}));
    EXPECT_EQ(s->nb_vertices(), 9u);
    EXPECT_EQ(copied_h->value(4), 2.5);
    EXPECT_EQ(copied_h->nb_elements(), 10u);
    EXPECT_EQ(h->nb_elements(), 9u);
}

TEST(SurfaceMesh, MoveKeepsDataAndAttributes) {
    auto s = make_grid(2, 2);
    s->vertex_attribute_manager().find_or_create_attribute<VariableAttribute, int>("a",
                                                                                   1);
    TriangulatedSurface<2> moved{std::move(*s)};
    EXPECT_EQ(moved.nb_polygons(), 2u);
    EXPECT_TRUE(moved.vertex_attribute_manager().attribute_exists("a"));
    expect_valid(moved);
}

}  // namespace
}  // namespace orvane
