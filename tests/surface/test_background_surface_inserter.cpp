// The inserter's frame (border tags, skin, destruction), point-set insertion and its
// summary lines, single-vertex insertion (snapping, edge and triangle splits, border
// splits and the skin-outdated flag), the skin chain walk, and isovalue insertion.

#include <orvane/surface/inserter/background_surface_inserter.hpp>

#include <algorithm>
#include <any>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/mesh/point_set.hpp>
#include <orvane/kernel/mesh/surface_consistency.hpp>
#include <orvane/macro/common/point_location.hpp>
#include <orvane/surface/common/surface_exception.hpp>
#include <orvane/surface/inserter/background_surface_inserter_impl.hpp>

#include "support/background_fixture.hpp"
#include "support/input_entities.hpp"

namespace orvane::internal {

struct BackgroundSurfaceInserterTestAccess {
    static BackgroundSurfaceInserter::Impl& impl(BackgroundSurfaceInserter& inserter) {
        return *inserter.impl_;
    }
};

namespace {

using test::BackgroundOnGrid;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

using Access = BackgroundSurfaceInserterTestAccess;

// Collects the log lines at info level and above while it lives.
class LogCapture {
public:
    LogCapture()
        : level_(Logger::LEVEL::info),
          sink_([this](Logger::LEVEL level, std::string_view line) {
              lines.emplace_back(line);
              levels.push_back(level);
          }) {}
    std::vector<std::string> containing(std::string_view text) const {
        std::vector<std::string> result;
        for (const auto& line : lines) {
            if (line.find(text) != std::string::npos)
                result.push_back(line);
        }
        return result;
    }
    std::vector<std::string> lines;
    std::vector<Logger::LEVEL> levels;

private:
    ScopedLoggerLevel level_;
    ScopedLoggerSink sink_;
};

std::unique_ptr<PointSet<2>> make_point_set(const std::vector<Point<2>>& points) {
    auto point_set = PointSet<2>::create();
    PointSetBuilder<2> builder{*point_set};
    for (const auto& point : points)
        builder.create_point(point);
    return point_set;
}

// Tags on the edges of active triangles (an edge replaced by a split keeps its lists
// until clean()).
index_t nb_skin_tags(const BackgroundOnGrid& b, const uuid& skin_id) {
    std::set<index_t> used;
    for (index_t t = 0; t < b.surface().nb_polygons(); ++t) {
        if (!b.modifier.is_triangle_active(t))
            continue;
        for (local_index_t e = 0; e < 3; ++e) {
            used.insert(b.surface()
                            .edges()
                            .edge_from_vertices(b.surface().polygon_edge_vertices({t, e}))
                            .value());
        }
    }
    index_t count = 0;
    for (const index_t e : used) {
        for (const auto& macro_edge : b.background.macro_edges(e)) {
            if (macro_edge.component_id == skin_id)
                ++count;
        }
    }
    return count;
}

index_t nb_border_edges(const BackgroundOnGrid& b) {
    index_t count = 0;
    for (index_t t = 0; t < b.surface().nb_polygons(); ++t) {
        if (!b.modifier.is_triangle_active(t))
            continue;
        for (local_index_t e = 0; e < 3; ++e) {
            if (b.surface().is_edge_on_border({t, e}))
                ++count;
        }
    }
    return count;
}

std::vector<std::string> mesh_problems(const BackgroundOnGrid& b) {
    SurfaceConsistencyOptions options;
    options.is_polygon_active = [&b](index_t t) {
        return b.modifier.is_triangle_active(t);
    };
    return check_surface_consistency(b.surface(), options);
}

// The vertex carrying `macro_vertex`, among the used vertices; NO_ID if none.
std::vector<index_t> carriers(const BackgroundOnGrid& b, const MeshVertex& macro_vertex) {
    std::vector<index_t> result;
    for (index_t v = 0; v < b.surface().nb_vertices(); ++v) {
        const auto& list = b.background.macro_vertices(v);
        if (std::find(list.begin(), list.end(), macro_vertex) != list.end())
            result.push_back(v);
    }
    return result;
}

TEST(BackgroundSurfaceInserter,
     TagsEveryBorderEdgeOnceAndRemovesTheTagsAndCleansOnDestruction) {
    BackgroundOnGrid b{3, 2};
    uuid skin_id;
    {
        BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
        auto& impl = Access::impl(inserter);
        skin_id = impl.skin_id;
        EXPECT_FALSE(impl.skin_outdated);
        EXPECT_EQ(impl.clean_stamp, NO_ID);
        // 3 + 3 + 2 + 2 border edges, each tagged with its skin edge index.
        ASSERT_EQ(impl.skin.edges.size(), 10u);
        EXPECT_EQ(impl.skin.curve->nb_edges(), 10u);
        EXPECT_EQ(impl.skin.curve->nb_vertices(), 10u);
        EXPECT_EQ(nb_skin_tags(b, skin_id), 10u);
        for (index_t k = 0; k < impl.skin.edges.size(); ++k) {
            const auto& ends = impl.skin.edges[k];
            const index_t edge = b.edge_between(ends[0], ends[1]);
            EXPECT_THAT(b.background.macro_edges(edge),
                        ElementsAre(MeshEdge{skin_id, k}));
            const auto& curve_ends = impl.skin.curve->edge_vertices(k);
            EXPECT_EQ(impl.skin.curve->point(curve_ends[0]), b.surface().point(ends[0]));
            EXPECT_EQ(impl.skin.curve->point(curve_ends[1]), b.surface().point(ends[1]));
        }
        // Border splits carry the tags along; the destructor removes them all.
        const auto points = make_point_set(
            {Point<2>{{1.5, 0}}, Point<2>{{3, 0.5}}, Point<2>{{1.25, 1.5}}});
        EXPECT_TRUE(inserter.insert_point_set(*points).empty());
        EXPECT_TRUE(impl.skin_outdated);
        EXPECT_EQ(nb_skin_tags(b, skin_id), 12u);
        EXPECT_GT(b.modifier.nb_inactive_triangles(), 0u);
    }
    for (index_t e = 0; e < b.surface().edges().nb_edges(); ++e) {
        for (const auto& macro_edge : b.background.macro_edges(e))
            EXPECT_NE(macro_edge.component_id, skin_id) << "edge " << e;
    }
    for (index_t v = 0; v < b.surface().nb_vertices(); ++v) {
        for (const auto& macro_edge : b.background.incident_macro_edges(v))
            EXPECT_NE(macro_edge.component_id, skin_id) << "vertex " << v;
    }
    EXPECT_EQ(b.modifier.nb_inactive_triangles(), 0u);
    EXPECT_THAT(mesh_problems(b), IsEmpty());
}

// A triangle deactivated (and so detached) before the inserter exists must neither be
// copied into the skin nor have its edges tagged: they are interior edges of the mesh.
TEST(BackgroundSurfaceInserter, InactiveTrianglesAreNeitherSkinNorTagged) {
    BackgroundOnGrid b{2, 2};
    b.modifier.split_triangle(b.grid.lower_triangle(0, 0), Point<2>{{0.7, 0.3}});
    ASSERT_EQ(b.modifier.nb_inactive_triangles(), 1u);
    BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
    auto& impl = Access::impl(inserter);
    EXPECT_EQ(impl.skin.edges.size(), 8u);
    EXPECT_EQ(nb_skin_tags(b, impl.skin_id), 8u);
    EXPECT_THAT(b.background.macro_edges(b.edge(1, 0, 1, 1)), IsEmpty());
}

TEST(BackgroundSurfaceInserter, PointSetSummaryLine) {
    struct Case {
        std::vector<Point<2>> points;
        std::string expected;  // the summary line after the id, or empty for none
        std::vector<index_t> outside;
    };
    const std::vector<Case> cases{
        {{Point<2>{{0.5, 0.25}}, Point<2>{{1.5, 1.5}}}, "", {}},
        {{Point<2>{{0.5, 0.25}}, Point<2>{{5, 5}}},
         ": 1 point outside (not inserted)",
         {1}},
        {{Point<2>{{-1, 0}}, Point<2>{{0.5, 0.25}}, Point<2>{{2, -1e-3}}},
         ": 2 points outside (not inserted)",
         {0, 2}},
    };
    for (const auto& c : cases) {
        BackgroundOnGrid b{2, 2};
        const auto points = make_point_set(c.points);
        BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
        LogCapture log;
        const auto info = inserter.insert_point_set(*points);
        const std::string prefix = "Insertion of point set " + points->id().string();
        const auto summary = log.containing(" outside (not inserted)");
        if (c.expected.empty()) {
            EXPECT_THAT(summary, IsEmpty());
        } else {
            EXPECT_THAT(summary, ElementsAre(prefix + c.expected));
        }
        EXPECT_THAT(log.containing(prefix), Not(IsEmpty()));
        ASSERT_EQ(info.nb_entries(), c.outside.size());
        for (index_t i = 0; i < info.nb_entries(); ++i) {
            EXPECT_EQ(info.status(i), ElementInsertionInfo::OUTSIDE);
            EXPECT_EQ(info.input_index(i), c.outside[i]);
        }
        for (index_t d = 0; d < c.points.size(); ++d) {
            const auto on = carriers(b, MeshVertex{points->id(), d});
            const bool outside =
                std::find(c.outside.begin(), c.outside.end(), d) != c.outside.end();
            if (outside) {
                EXPECT_THAT(on, IsEmpty());
            } else {
                ASSERT_EQ(on.size(), 1u);
                EXPECT_EQ(b.surface().point(on[0]), c.points[d]);
            }
        }
    }
}

TEST(BackgroundSurfaceInserter, EmptySpanChangesNothingAndNonFinitePointsAreRefused) {
    BackgroundOnGrid b{2, 2};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto points = make_point_set(
        {Point<2>{{nan, 0.5}}, Point<2>{{0.5, 0.25}}, Point<2>{{0.5, inf}}});
    BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
    const auto before = test::macro_snapshot(b.background);
    const index_t nb_polygons = b.surface().nb_polygons();
    {
        LogCapture log;
        EXPECT_TRUE(inserter.insert_point_set_points(*points, {}).empty());
        EXPECT_EQ(b.surface().nb_polygons(), nb_polygons);
        EXPECT_EQ(test::macro_snapshot(b.background), before);
        // Only the progress logger's own lines.
        for (const auto& line : log.lines)
            EXPECT_THAT(line, HasSubstr("Insertion of point set "));
        EXPECT_THAT(log.containing("outside"), IsEmpty());
    }
    LogCapture log;
    const auto info = inserter.insert_point_set(*points);
    ASSERT_EQ(info.nb_entries(), 2u);
    EXPECT_EQ(info.entry(0),
              (ElementInsertionInfo::Entry{ElementInsertionInfo::NOT_INSERTED, 0}));
    EXPECT_EQ(info.entry(1),
              (ElementInsertionInfo::Entry{ElementInsertionInfo::NOT_INSERTED, 2}));
    EXPECT_THAT(
        log.containing("[BackgroundSurfaceInserter::insert_point_set_points] Point set " +
                       points->id().string() +
                       ": 2 points with a NaN or infinite coordinate (not inserted)"),
        ::testing::SizeIs(1));
    EXPECT_THAT(log.containing(" outside (not inserted)"), IsEmpty());
    for (index_t v = 0; v < b.surface().nb_vertices(); ++v)
        EXPECT_TRUE(b.surface().point(v).is_finite());
    EXPECT_EQ(carriers(b, MeshVertex{points->id(), 1}).size(), 1u);
}

TEST(BackgroundSurfaceInserter, ElementSearchIsRebuiltOnlyAfterAClean) {
    BackgroundOnGrid b{2, 2};
    BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
    auto& impl = Access::impl(inserter);
    const auto points = make_point_set({Point<2>{{0.5, 0.25}}, Point<2>{{1.6, 1.3}}});
    inserter.insert_point_set_points(*points, std::vector<unsigned int>{0});
    EXPECT_EQ(impl.clean_stamp, b.modifier.clean_stamp());
    const index_t indexed = impl.element_search.nb_indexed_elements();
    inserter.insert_point_set_points(*points, std::vector<unsigned int>{1});
    EXPECT_EQ(impl.element_search.nb_indexed_elements(), indexed);
    b.modifier.clean();
    const index_t nb_after_clean = b.surface().nb_polygons();
    const auto more = make_point_set({Point<2>{{0.25, 1.5}}});
    inserter.insert_point_set(*more);
    EXPECT_EQ(impl.clean_stamp, b.modifier.clean_stamp());
    EXPECT_EQ(impl.element_search.nb_indexed_elements(), nb_after_clean);
    ASSERT_EQ(carriers(b, MeshVertex{more->id(), 0}).size(), 1u);
}

TEST(BackgroundSurfaceInserterVertex, SnapToVertexChangesNothing) {
    BackgroundOnGrid b{2, 2};
    BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
    auto& impl = Access::impl(inserter);
    const auto before = test::macro_snapshot(b.background);
    const index_t nb_polygons = b.surface().nb_polygons();
    const index_t triangle = b.grid.lower_triangle(1, 0);
    // Vertex (2, 0) is local vertex 1 of the lower triangle of cell (1, 0).
    EXPECT_EQ(impl.insert_vertex(triangle, Point<2>{{2 - 4e-7, 3e-7}}), b.vertex(2, 0));
    EXPECT_EQ(b.surface().nb_polygons(), nb_polygons);
    EXPECT_EQ(test::macro_snapshot(b.background), before);
    EXPECT_FALSE(impl.skin_outdated);
    EXPECT_EQ(b.surface().point(b.vertex(2, 0)), (Point<2>{{2, 0}}));
}

TEST(BackgroundSurfaceInserterVertex, SplitsPutTheVertexExactlyAtThePoint) {
    struct Case {
        std::string name;
        Point<2> point;
        bool border;
        // Edge the point lies on, as grid vertex pairs, or none for a triangle split.
        std::optional<std::array<index_t, 4>> edge;
    };
    const std::vector<Case> cases{
        {"interior diagonal", Point<2>{{1.3, 0.3}}, false,
         std::array<index_t, 4>{1, 0, 2, 1}},
        {"border edge", Point<2>{{1.7, 0}}, true, std::array<index_t, 4>{1, 0, 2, 0}},
        {"near border edge", Point<2>{{2 - 1e-7, 0.6}}, true,
         std::array<index_t, 4>{2, 0, 2, 1}},
        {"inside", Point<2>{{1.7, 0.3}}, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BackgroundOnGrid b{2, 2};
        // A macro edge on the split edge must survive on both halves.
        std::optional<index_t> carried;
        const MeshEdge input{uuid{}, 0};
        if (c.edge) {
            carried = b.edge((*c.edge)[0], (*c.edge)[1], (*c.edge)[2], (*c.edge)[3]);
            const index_t edges[1] = {*carried};
            b.builder.add_macro_edge_info(input, edges);
        }
        BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
        auto& impl = Access::impl(inserter);
        impl.refresh_element_search();
        const auto triangle = impl.containing_triangle(c.point);
        ASSERT_TRUE(triangle.has_value());
        const index_t nb_vertices = b.surface().nb_vertices();
        const index_t v = impl.insert_vertex(*triangle, c.point);
        EXPECT_GE(v, nb_vertices);
        EXPECT_EQ(b.surface().point(v), c.point);
        EXPECT_EQ(impl.skin_outdated, c.border);
        if (carried) {
            index_t halves = 0;
            for (const auto& pv : b.surface().polygons_around_vertex(v)) {
                const auto ends = b.surface().polygon_edge_vertices(PolygonEdge{pv});
                const auto edge = b.surface().edges().edge_from_vertices(ends).value();
                const auto& list = b.background.macro_edges(edge);
                if (std::find(list.begin(), list.end(), input) != list.end())
                    ++halves;
            }
            // The border half has no second triangle around v to start from.
            EXPECT_GE(halves, c.border ? 1u : 2u);
        }
        EXPECT_THAT(mesh_problems(b), IsEmpty());
    }
}

// A background over the given triangles, with everything an inserter needs.
struct SmallBackground {
    SmallBackground(const std::vector<Point<2>>& points,
                    const std::vector<std::array<index_t, 3>>& triangles)
        : surface(make(points, triangles)),
          background(*surface),
          builder(background),
          surface_builder(*surface),
          modifier(background, builder, surface_builder) {}
    static std::unique_ptr<TriangulatedSurface<2>> make(
        const std::vector<Point<2>>& points,
        const std::vector<std::array<index_t, 3>>& triangles) {
        auto result = TriangulatedSurface<2>::create();
        TriangulatedSurfaceBuilder<2> builder{*result};
        builder.create_points(points);
        builder.create_triangles(triangles);
        builder.compute_polygon_adjacencies();
        return result;
    }
    ModifiableObject<BackgroundSurface> modifiable() { return {background, modifier}; }

    std::unique_ptr<TriangulatedSurface<2>> surface;
    BackgroundSurface background;
    BackgroundSurfaceBuilder builder;
    TriangulatedSurfaceBuilder<2> surface_builder;
    BackgroundSurfaceModifier modifier;
};

// A needle triangle 0 = (0, 1, 2) whose sides 1 (1 -> 2) and 2 (2 -> 0) both pass within
// the tolerance of a point half-way up, with a neighbour across one of the two sides
// only: whether the split made the border change tells which side was split. The flag
// is set before the split, so it is read even if the repair of the needle fails.
TEST(BackgroundSurfaceInserterVertex,
     FirstSnappingEdgeIsSplitAndBorderSplitFlagsTheSkin) {
    const std::vector<Point<2>> points{Point<2>{{0, 0}}, Point<2>{{2e-6, 0}},
                                       Point<2>{{1e-6, 1}}, Point<2>{{1, 0.5}},
                                       Point<2>{{-1, 0.5}}};
    const Point<2> point{{1e-6, 0.5}};
    struct Case {
        std::string name;
        std::array<index_t, 3> neighbour;
        bool border_split;
    };
    // Across edge 1 (vertex 3): edge 2 is on the border, but edge 1 is split.
    // Across edge 2 (vertex 4): edge 1 is on the border and split.
    for (const auto& c : {Case{"neighbour across edge 1", {2, 1, 3}, false},
                          Case{"neighbour across edge 2", {0, 2, 4}, true}}) {
        SCOPED_TRACE(c.name);
        SmallBackground b{points, {{0, 1, 2}, c.neighbour}};
        BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
        auto& impl = Access::impl(inserter);
        ASSERT_TRUE(
            detail::edge_snapping_detection(*b.surface, PolygonEdge{0, 1}, point));
        ASSERT_TRUE(
            detail::edge_snapping_detection(*b.surface, PolygonEdge{0, 2}, point));
        ASSERT_FALSE(detail::snapping_detection(*b.surface, 0, point));
        try {
            const index_t v = impl.insert_vertex(0, point);
            EXPECT_EQ(b.surface->point(v), point);
        } catch (const VelmoraException&) {
            // Only the flag matters here.
        }
        EXPECT_EQ(impl.skin_outdated, c.border_split);
    }
}

// Two border splits of the bottom edge of cell (0, 0) since the skin was built: its
// chain is the three pieces, from (0, 0) to (1, 0) in border order.
TEST(BackgroundSurfaceInserterSkin, SkinEdgeSplitTwiceGivesAChainOfThree) {
    BackgroundOnGrid b{2, 2};
    BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
    auto& impl = Access::impl(inserter);
    std::optional<index_t> k;
    for (index_t i = 0; i < impl.skin.edges.size(); ++i) {
        if (impl.skin.edges[i] == std::array<index_t, 2>{b.vertex(0, 0), b.vertex(1, 0)})
            k = i;
    }
    ASSERT_TRUE(k.has_value());
    const auto points = make_point_set({Point<2>{{0.6, 0}}, Point<2>{{0.3, 0}}});
    inserter.insert_point_set(*points);
    const auto chain = impl.skin_edge_chain(*k);
    ASSERT_EQ(chain.size(), 3u);
    std::vector<Point<2>> route;
    for (const auto& edge : chain) {
        const auto ends = b.surface().polygon_edge_vertices(edge);
        if (route.empty())
            route.push_back(b.surface().point(ends[0]));
        EXPECT_EQ(b.surface().point(ends[0]), route.back());
        route.push_back(b.surface().point(ends[1]));
    }
    EXPECT_THAT(route, ElementsAre(Point<2>{{0, 0}}, Point<2>{{0.3, 0}},
                                   Point<2>{{0.6, 0}}, Point<2>{{1, 0}}));
}

TEST(BackgroundSurfaceInserterSkin, ChainFailures) {
    BackgroundOnGrid b{2, 2};
    BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
    auto& impl = Access::impl(inserter);
    EXPECT_THROW(impl.skin_edge_chain(static_cast<index_t>(impl.skin.edges.size())),
                 std::out_of_range);
    const auto saved = impl.skin.edges[0];
    // An interior first vertex has no border edge.
    impl.skin.edges[0] = {b.vertex(1, 1), b.vertex(2, 2)};
    try {
        impl.skin_edge_chain(0);
        ADD_FAILURE() << "no exception";
    } catch (const OrvaneBackgroundSurfaceException& e) {
        EXPECT_STREQ(e.what(),
                     "[BackgroundSurfaceInserter::skin_starting_edge] Not found");
        EXPECT_EQ(std::any_cast<Point<2>>(e.payload()), (Point<2>{{1, 1}}));
    }
    // An end vertex off the border: the walk goes round the whole border and stops.
    impl.skin.edges[0] = {saved[0], b.vertex(1, 1)};
    try {
        impl.skin_edge_chain(0);
        ADD_FAILURE() << "no exception";
    } catch (const OrvaneBackgroundSurfaceException& e) {
        EXPECT_THAT(e.what(), HasSubstr("[BackgroundSurfaceInserter::skin_edge_chain]"));
    }
    impl.skin.edges[0] = saved;
    EXPECT_EQ(impl.skin_edge_chain(0).size(), 1u);
}

TEST(BackgroundSurfaceInserterSkin, InsertVertexOnSkin) {
    BackgroundOnGrid b{2, 2};
    BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
    auto& impl = Access::impl(inserter);
    std::optional<index_t> k;
    for (index_t i = 0; i < impl.skin.edges.size(); ++i) {
        if (impl.skin.edges[i] == std::array<index_t, 2>{b.vertex(2, 0), b.vertex(2, 1)})
            k = i;
    }
    ASSERT_TRUE(k.has_value());
    using Boundary = MacroEdgeInsertionInfo<2>::SubSegmentBoundary;

    Boundary unset;
    unset.point = Point<2>{{2, 0.5}};
    EXPECT_THROW(impl.insert_vertex_on_skin(unset), std::bad_optional_access);

    // On an end of the skin edge: that border vertex, nothing split.
    Boundary at_end;
    at_end.point = Point<2>{{2, 1 - 5e-7}};
    at_end.skin_edge = *k;
    const index_t nb_polygons = b.surface().nb_polygons();
    EXPECT_EQ(impl.insert_vertex_on_skin(at_end), b.vertex(2, 1));
    EXPECT_EQ(b.surface().nb_polygons(), nb_polygons);
    EXPECT_FALSE(impl.skin_outdated);

    Boundary far;
    far.point = Point<2>{{1.9, 0.5}};
    far.skin_edge = *k;
    try {
        impl.insert_vertex_on_skin(far);
        ADD_FAILURE() << "no exception";
    } catch (const OrvaneBackgroundSurfaceException& e) {
        EXPECT_STREQ(
            e.what(),
            "[BackgroundSurfaceInserter::insert_vertex_on_skin] Insertion skin edge "
            "not found");
        EXPECT_EQ(std::any_cast<Point<2>>(e.payload()), far.point);
    }

    Boundary on;
    on.point = Point<2>{{2, 0.25}};
    on.skin_edge = *k;
    const index_t v = impl.insert_vertex_on_skin(on);
    EXPECT_EQ(b.surface().point(v), on.point);
    EXPECT_TRUE(impl.skin_outdated);
    EXPECT_TRUE(b.surface().is_vertex_on_border(v));
    // The stale skin edge now maps to two border edges; a second crossing finds its half.
    on.point = Point<2>{{2, 0.75}};
    const index_t w = impl.insert_vertex_on_skin(on);
    EXPECT_EQ(b.surface().point(w), on.point);
    EXPECT_EQ(impl.skin_edge_chain(*k).size(), 3u);
    EXPECT_EQ(nb_skin_tags(b, impl.skin_id), nb_border_edges(b));
    EXPECT_THAT(mesh_problems(b), IsEmpty());
}

// Isovalues of f on a 2 x 2 grid (spacing 1); vertex (i, j) gets f(i, j).
struct IsoGrid {
    explicit IsoGrid(const std::function<double(double, double)>& f) : b(2, 2) {
        attribute = b.surface()
                        .vertex_attribute_manager()
                        .find_or_create_attribute<VariableAttribute, double>(
                            "f", 0.0, AttributeProperties{false, false, true});
        for (index_t v = 0; v < b.surface().nb_vertices(); ++v) {
            const auto& p = b.surface().point(v);
            attribute->set_value(v, f(p.value(0), p.value(1)));
        }
    }
    // Component ids of the macro vertices on `vertex`.
    std::vector<uuid> tags(index_t vertex) const {
        std::vector<uuid> ids;
        for (const auto& macro_vertex : b.background.macro_vertices(vertex)) {
            EXPECT_EQ(macro_vertex.index, NO_ID);
            ids.push_back(macro_vertex.component_id);
        }
        return ids;
    }
    BackgroundOnGrid b;
    std::shared_ptr<VariableAttribute<double>> attribute;
};

TEST(BackgroundSurfaceInserterIsovalues, ExactValueEndIsTaggedNotSplit) {
    // f = x: the isoline x = 1 runs along grid vertices (1, j).
    IsoGrid g{[](double x, double) { return x; }};
    const index_t nb_polygons = g.b.surface().nb_polygons();
    {
        BackgroundSurfaceInserter inserter{g.b.modifiable(), g.b.builder};
        LogCapture log;
        inserter.insert_scalar_function_isovalues("f", std::vector<double>{1.0});
        EXPECT_THAT(log.containing("Inserting isovalues in background mesh"),
                    ::testing::SizeIs(1));
        EXPECT_EQ(g.b.surface().nb_polygons(), nb_polygons);
    }
    std::optional<uuid> id;
    for (index_t j = 0; j <= 2; ++j) {
        for (index_t i = 0; i <= 2; ++i) {
            const auto tags = g.tags(g.b.vertex(i, j));
            if (i != 1) {
                EXPECT_THAT(tags, IsEmpty()) << i << " " << j;
                continue;
            }
            ASSERT_EQ(tags.size(), 1u);
            if (!id)
                id = tags[0];
            EXPECT_EQ(tags[0], *id);
            EXPECT_EQ(g.attribute->value(g.b.vertex(i, j)), 1.0);
        }
    }
}

TEST(BackgroundSurfaceInserterIsovalues, WithinToleranceTagsTheEndAndWritesTheValue) {
    // f = x, isovalue 1 + 5e-7: the crossing lies 5e-7 from the vertices (1, j).
    IsoGrid g{[](double x, double) { return x; }};
    const index_t nb_polygons = g.b.surface().nb_polygons();
    BackgroundSurfaceInserter inserter{g.b.modifiable(), g.b.builder};
    inserter.insert_scalar_function_isovalues("f", std::vector<double>{1 + 5e-7});
    EXPECT_EQ(g.b.surface().nb_polygons(), nb_polygons);
    for (index_t j = 0; j <= 2; ++j) {
        EXPECT_EQ(g.tags(g.b.vertex(1, j)).size(), 1u);
        EXPECT_EQ(g.attribute->value(g.b.vertex(1, j)), 1 + 5e-7);
        EXPECT_THAT(g.tags(g.b.vertex(0, j)), IsEmpty());
        EXPECT_EQ(g.attribute->value(g.b.vertex(2, j)), 2.0);
    }
}

TEST(BackgroundSurfaceInserterIsovalues,
     SplitsCrossedEdgesOverPassesAndTagsOncePerIsoline) {
    // f = x + 2 y: isovalues 0.5 and 1.5 cross edges away from vertices.
    IsoGrid g{[](double x, double y) { return x + 2 * y; }};
    BackgroundSurfaceInserter inserter{g.b.modifiable(), g.b.builder};
    const std::vector<double> values{0.5, 1.5};
    inserter.insert_scalar_function_isovalues("f", values);
    auto& modifier = g.b.modifier;
    const auto& surface = g.b.surface();
    // Grid edges crossed: 3 by 0.5 (those at (0, 0)), 5 by 1.5; 1.5 also crosses edges
    // that the splits of 0.5 created.
    EXPECT_GT(surface.nb_vertices(), 9u + 8u);
    // Each isoline tags its vertices once.
    std::map<uuid, std::vector<index_t>> by_isoline;
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        for (const auto& id : g.tags(v))
            by_isoline[id].push_back(v);
        const auto tags = g.tags(v);
        EXPECT_EQ(std::set<uuid>(tags.begin(), tags.end()).size(), tags.size());
    }
    ASSERT_EQ(by_isoline.size(), 2u);
    // No active edge is crossed strictly by an isovalue any more.
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (!modifier.is_triangle_active(t))
            continue;
        for (local_index_t e = 0; e < 3; ++e) {
            const auto [a, b] = surface.polygon_edge_vertices({t, e});
            const double c = g.attribute->value(a);
            const double d = g.attribute->value(b);
            for (const double x : {0.5, 1.5}) {
                EXPECT_FALSE((c < x && x < d) || (d < x && x < c))
                    << "edge " << a << "-" << b << " crossed by " << x;
            }
        }
    }
    // Every tagged vertex lies on its line x + 2 y = value.
    for (const auto& [id, vertices] : by_isoline) {
        for (const index_t v : vertices) {
            const auto& p = surface.point(v);
            const double value = g.attribute->value(v);
            EXPECT_TRUE(value == 0.5 || value == 1.5) << value;
            EXPECT_NEAR(p.value(0) + 2 * p.value(1), value, 3e-6);
        }
    }
    EXPECT_THAT(mesh_problems(g.b), IsEmpty());
}

TEST(BackgroundSurfaceInserterIsovalues,
     TwoIsolinesOnOneVertexAndAlreadyTaggedKeepsValue) {
    // f = x: isovalues 1 and 1 + 5e-7 both tag the vertices (1, j); the value written
    // last is the second's. Then isovalue 1 again: a fresh isoline, tagged again.
    IsoGrid g{[](double x, double) { return x; }};
    BackgroundSurfaceInserter inserter{g.b.modifiable(), g.b.builder};
    inserter.insert_scalar_function_isovalues("f", std::vector<double>{1.0, 1 + 5e-7});
    for (index_t j = 0; j <= 2; ++j) {
        const auto tags = g.tags(g.b.vertex(1, j));
        ASSERT_EQ(tags.size(), 2u);
        EXPECT_NE(tags[0], tags[1]);
        EXPECT_EQ(g.attribute->value(g.b.vertex(1, j)), 1 + 5e-7);
    }
    // A third isoline, 4e-7 above the vertices' values: the first edge of each vertex
    // tags it within the tolerance and writes the value; the later edges see the value
    // exactly and find the vertex already tagged.
    inserter.insert_scalar_function_isovalues("f", std::vector<double>{1 + 9e-7});
    EXPECT_EQ(g.tags(g.b.vertex(1, 1)).size(), 3u);
    EXPECT_EQ(g.attribute->value(g.b.vertex(1, 1)), 1 + 9e-7);
}

TEST(BackgroundSurfaceInserterIsovalues, EmptyListAndNoTrianglesAndStorageConflict) {
    {
        BackgroundOnGrid b{1, 1};
        BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
        LogCapture log;
        inserter.insert_scalar_function_isovalues("g", {});
        EXPECT_THAT(log.containing("Inserting isovalues in background mesh"),
                    ::testing::SizeIs(1));
        EXPECT_FALSE(b.surface().vertex_attribute_manager().attribute_exists("g"));
    }
    {
        SmallBackground b{{Point<2>{{0, 0}}}, {}};
        BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
        inserter.insert_scalar_function_isovalues("g", std::vector<double>{0.5});
        EXPECT_TRUE(b.surface->vertex_attribute_manager().attribute_exists("g"));
        EXPECT_EQ(b.surface->nb_vertices(), 1u);
        EXPECT_THAT(b.background.macro_vertices(0), IsEmpty());
    }
    {
        BackgroundOnGrid b{1, 1};
        const auto held =
            b.surface()
                .vertex_attribute_manager()
                .find_or_create_attribute<ConstantAttribute, double>("g", 1.0);
        BackgroundSurfaceInserter inserter{b.modifiable(), b.builder};
        try {
            inserter.insert_scalar_function_isovalues("g", std::vector<double>{0.5});
            ADD_FAILURE() << "no exception";
        } catch (const VelmoraBasicException& e) {
            EXPECT_STREQ(
                e.what(),
                "[AttributeManager::find_or_create_attribute] Do not instantiate an "
                "attribute if an instantiated attribute of the same name with "
                "different storage already exists.");
        }
    }
}

}  // namespace
}  // namespace orvane::internal
