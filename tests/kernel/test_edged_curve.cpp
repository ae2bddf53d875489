#include <orvane/kernel/mesh/edged_curve.hpp>
#include <orvane/kernel/mesh/mesh_aabb.hpp>
#include <orvane/kernel/mesh/point_set.hpp>

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(EdgedCurve, EdgesAroundVerticesAndGeometry) {
    auto curve = EdgedCurve<2>::create();
    auto builder = EdgedCurveBuilder<2>::create(*curve);
    builder->create_point(Point2D{{0, 0}});
    builder->create_points(std::vector<Point2D>{Point2D{{3, 0}}, Point2D{{3, 4}}});
    const index_t e0 = builder->create_edge(0, 1);
    const index_t e1 = builder->create_edge(1, 2);
    const index_t e2 = builder->create_edge(2, 0);
    EXPECT_EQ(curve->nb_vertices(), 3u);
    EXPECT_EQ(curve->nb_edges(), 3u);
    EXPECT_EQ(curve->edge_vertex({e1, 0}), 1u);
    EXPECT_EQ(curve->edge_vertices(e2), (std::array<index_t, 2>{{2, 0}}));
    EXPECT_EQ(curve->edges_around_vertex(0),
              (EdgesAroundVertex{EdgeVertex{e0, 0}, EdgeVertex{e2, 1}}));
    EXPECT_EQ(curve->edge_from_vertices({{0, 2}}), e2);
    EXPECT_FALSE(curve->edge_from_vertices({{0, 0}}).has_value());
    EXPECT_DOUBLE_EQ(curve->edge_length(e2), 5.0);
    EXPECT_EQ(curve->segment(e1).vertex(1), (Point2D{{3, 4}}));
    EXPECT_EQ(curve->edge_barycenter(e0), (Point2D{{1.5, 0}}));
    EXPECT_EQ(curve->bounding_box().max(), (Point2D{{3, 4}}));
    EXPECT_THROW(builder->create_edge(1, 1), VelmoraBasicException);
    EXPECT_THROW(builder->create_edge(1, 3), VelmoraBasicException);
    EXPECT_THROW(curve->segment(3), VelmoraBasicException);
    EXPECT_EQ(curve->nb_edges(), 3u);
}

TEST(EdgedCurve, DeletionsRenumberEdgesVerticesPointsAndAttributes) {
    auto curve = EdgedCurve<2>::create();
    EdgedCurveBuilder<2> builder{*curve};
    for (int i = 0; i < 5; ++i)
        builder.create_point(Point2D{{double(i), 0}});
    for (index_t i = 0; i + 1 < 5; ++i)
        builder.create_edge(i, i + 1);
    auto id =
        curve->edge_attribute_manager().find_or_create_attribute<VariableAttribute, int>(
            "id", -1);
    auto x = curve->vertex_attribute_manager()
                 .find_or_create_attribute<VariableAttribute, double>("x", -1);
    for (index_t e = 0; e < 4; ++e)
        id->set_value(e, static_cast<int>(e));
    for (index_t v = 0; v < 5; ++v)
        x->set_value(v, curve->point(v).value(0));
    // Remove the first edge: vertex 0 becomes isolated.
    const auto edge_map = builder.delete_edges({true, false, false, false});
    EXPECT_EQ(edge_map, (std::vector<index_t>{NO_ID, 0, 1, 2}));
    EXPECT_EQ(id->value(0), 1);
    EXPECT_TRUE(curve->is_vertex_isolated(0));
    EXPECT_EQ(curve->edges_around_vertex(1), (EdgesAroundVertex{EdgeVertex{0, 0}}));
    const auto vertex_map = builder.delete_isolated_vertices();
    EXPECT_EQ(vertex_map, (std::vector<index_t>{NO_ID, 0, 1, 2, 3}));
    EXPECT_EQ(curve->nb_vertices(), 4u);
    for (index_t v = 0; v < 4; ++v)
        EXPECT_EQ(x->value(v), curve->point(v).value(0));
    EXPECT_EQ(curve->edge_vertices(0), (std::array<index_t, 2>{{0, 1}}));
    EXPECT_EQ(curve->point(0), (Point2D{{1, 0}}));
}

TEST(EdgedCurve, CloneIsIndependent) {
    auto curve = EdgedCurve<2>::create();
    EdgedCurveBuilder<2> builder{*curve};
    builder.create_point(Point2D{{0, 0}});
    builder.create_point(Point2D{{1, 0}});
    builder.create_edge(0, 1);
    curve->edge_attribute_manager().find_or_create_attribute<VariableAttribute, int>("a",
                                                                                     4);
    auto copy = curve->clone();
    EdgedCurveBuilder<2> copy_builder{*copy};
    copy_builder.set_point(0, Point2D{{5, 5}});
    copy_builder.create_point(Point2D{{2, 0}});
    copy_builder.create_edge(1, 2);
    EXPECT_EQ(curve->point(0), (Point2D{{0, 0}}));
    EXPECT_EQ(curve->nb_edges(), 1u);
    EXPECT_EQ(copy->nb_edges(), 2u);
    EXPECT_EQ(copy->edge_attribute_manager().find_attribute<int>("a")->value(1), 4);
    EXPECT_EQ(curve->edge_attribute_manager().find_attribute<int>("a")->nb_elements(),
              1u);
}

TEST(EdgedCurve, BoxTreeHasOneElementPerEdge) {
    auto curve = EdgedCurve<2>::create();
    EdgedCurveBuilder<2> builder{*curve};
    for (int i = 0; i < 4; ++i)
        builder.create_point(Point2D{{double(i), double(i % 2)}});
    for (index_t i = 0; i + 1 < 4; ++i)
        builder.create_edge(i, i + 1);
    const auto tree = create_aabb_tree(*curve);
    EXPECT_EQ(tree.nb_bboxes(), 3u);
    // (2.5, 0.5) lies in the box of edge 2 only ((2,0)-(3,1)).
    EXPECT_EQ(tree.containing_boxes(Point2D{{2.5, 0.5}}), (std::vector<index_t>{2}));
    // (1, 0.5) lies on the common side of the boxes of edges 0 and 1.
    auto both = tree.containing_boxes(Point2D{{1, 0.5}});
    std::sort(both.begin(), both.end());
    EXPECT_EQ(both, (std::vector<index_t>{0, 1}));
}

TEST(PointSet, PointsAttributesAndDeletion) {
    auto points = PointSet<2>::create();
    auto builder = PointSetBuilder<2>::create(*points);
    builder->create_points(
        std::vector<Point2D>{Point2D{{0, 0}}, Point2D{{1, 1}}, Point2D{{2, 2}}});
    auto a = points->vertex_attribute_manager()
                 .find_or_create_attribute<VariableAttribute, int>("a", 0);
    a->set_value(2, 5);
    const auto map = builder->delete_vertices({false, true, false});
    EXPECT_EQ(map, (std::vector<index_t>{0, NO_ID, 1}));
    EXPECT_EQ(points->nb_vertices(), 2u);
    EXPECT_EQ(points->point(1), (Point2D{{2, 2}}));
    EXPECT_EQ(a->value(1), 5);
    auto copy = points->clone();
    EXPECT_EQ(copy->point(1), (Point2D{{2, 2}}));
    EXPECT_EQ(copy->bounding_box().min(), (Point2D{{0, 0}}));
}

}  // namespace
}  // namespace orvane
