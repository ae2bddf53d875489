#include <orvane/kernel/mesh/surface_consistency.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// Square 0 (0,0) 1 (1,0) 2 (1,1) 3 (0,1) cut into triangles 0 = (0,1,2), 1 = (0,2,3),
// plus a third triangle 2 = (1,4,2) on the right; edges enabled.
std::unique_ptr<TriangulatedSurface<2>> make_fixture() {
    auto s = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*s};
    builder.create_points(std::vector<Point2D>{Point2D{{0, 0}}, Point2D{{1, 0}},
                                               Point2D{{1, 1}}, Point2D{{0, 1}},
                                               Point2D{{2, 0.5}}});
    builder.create_triangles(
        std::vector<std::array<index_t, 3>>{{{0, 1, 2}}, {{0, 2, 3}}, {{1, 4, 2}}});
    builder.compute_polygon_adjacencies();
    s->enable_edges();
    return s;
}

bool mentions(const std::vector<std::string>& problems, const std::string& word) {
    for (const auto& p : problems) {
        if (p.find(word) != std::string::npos)
            return true;
    }
    return false;
}

struct Fault {
    const char* name;
    std::function<void(TriangulatedSurface<2>&, TriangulatedSurfaceBuilder<2>&)> break_it;
    const char* expected_word;
};

TEST(SurfaceConsistency, ValidFixturePasses) {
    const auto s = make_fixture();
    EXPECT_TRUE(check_surface_consistency(*s).empty());
}

TEST(SurfaceConsistency, DetectsEachFaultKind) {
    const Fault faults[] = {
        {"asymmetric adjacency",
         [](auto&, auto& b) {
             b.unset_polygon_adjacent({1, 0});
         },
         "not symmetric"},
        {"adjacent without the edge",
         [](auto&, auto& b) {
             b.set_polygon_adjacent({1, 1}, 2);
         },
         "does not have that edge"},
        {"self adjacency",
         [](auto&, auto& b) {
             b.set_polygon_adjacent({0, 0}, 0);
         },
         "its own polygon"},
        {"isolated but used",
         [](auto&, auto& b) { b.disassociate_polygon_vertex_from_vertex(3); },
         "isolated"},
        {"inverted triangle",
         [](auto&, auto& b) {
             b.set_point(4, Point2D{{0.5, 0.5}});
         },
         "inverted"},
        {"flat triangle",
         [](auto&, auto& b) {
             b.set_point(3, Point2D{{0.5, 0.5}});
         },
         "flat"},
        {"edge missing from the edge set",
         [](auto& s, auto& b) {
             std::vector<bool> mask(s.edges().nb_edges(), false);
             mask[*s.edges().edge_from_vertices({{1, 4}})] = true;
             b.delete_edges(mask);
         },
         "missing from the edge set"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        auto s = make_fixture();
        TriangulatedSurfaceBuilder<2> builder{*s};
        fault.break_it(*s, builder);
        const auto problems = check_surface_consistency(*s);
        EXPECT_TRUE(mentions(problems, fault.expected_word))
            << fault.name << ": "
            << (problems.empty() ? "no problem found" : problems[0]);
    }
}

TEST(SurfaceConsistency, DetectsAWalkAroundAVertexThatNeverCloses) {
    // Fan around vertex 0: T0 (0,1,2), T1 (0,2,3), T2 (0,3,4). Corrupted adjacencies make
    // T1 and T2 point at each other across both their edges at vertex 0, so a walk that
    // enters them never gets back to T0.
    auto s = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*s};
    builder.create_points(std::vector<Point2D>{Point2D{{0, 0}}, Point2D{{1, 0}},
                                               Point2D{{1, 1}}, Point2D{{0, 1}},
                                               Point2D{{-1, 1}}});
    builder.create_triangles(
        std::vector<std::array<index_t, 3>>{{{0, 1, 2}}, {{0, 2, 3}}, {{0, 3, 4}}});
    builder.compute_polygon_adjacencies();
    ASSERT_TRUE(check_surface_consistency(*s).empty());
    builder.set_polygon_adjacent({1, 0}, 2);
    builder.set_polygon_adjacent({2, 2}, 1);
    EXPECT_THROW(s->polygons_around_vertex(0), VelmoraBasicException);
    EXPECT_TRUE(mentions(check_surface_consistency(*s), "never close"));
}

TEST(SurfaceConsistency, InactivePolygonsAreExcludedButMustBeDetached) {
    auto s = make_fixture();
    TriangulatedSurfaceBuilder<2> builder{*s};
    SurfaceConsistencyOptions options;
    options.is_polygon_active = [](index_t p) { return p != 2; };
    // Triangle 2 is still attached: its neighbour and vertex 4 name it.
    const auto attached = check_surface_consistency(*s, options);
    EXPECT_TRUE(mentions(attached, "inactive polygon 2")) << attached.size();

    // Detach it as a modifier does: no adjacency towards it, vertex 4 no longer names it.
    builder.unset_polygon_adjacent({0, 1});
    builder.disassociate_polygon_vertex_from_vertex(4);
    builder.associate_polygon_vertex_to_vertex({0, 1}, 1);
    builder.associate_polygon_vertex_to_vertex({0, 2}, 2);
    // An inactive triangle may even be inverted.
    builder.set_point(4, Point2D{{0.5, 0.4}});
    EXPECT_TRUE(check_surface_consistency(*s, options).empty());
}

TEST(SurfaceConsistency, StopsAtTheProblemLimit) {
    auto s = make_fixture();
    TriangulatedSurfaceBuilder<2> builder{*s};
    for (index_t v = 0; v < 5; ++v)
        builder.disassociate_polygon_vertex_from_vertex(v);
    SurfaceConsistencyOptions options;
    options.max_problems = 2;
    EXPECT_EQ(check_surface_consistency(*s, options).size(), 2u);
}

}  // namespace
}  // namespace orvane
