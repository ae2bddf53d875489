// The builder's conversion of modifier records into store updates, on hand-made records
// so that the order of the updates shows in the order of the resulting lists (a list
// keeps insertion order): one target edge receives a different macro edge from each
// list of the record.

#include <orvane/surface/background/background_surface_builder.hpp>

#include <optional>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/background_fixture.hpp"

namespace orvane::internal {
namespace {

using test::BackgroundOnGrid;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Modifier = TriangulatedSurfaceModifier<2>;

struct MaintenanceTest : public ::testing::Test {
    MaintenanceTest() {
        // Four source edges, each with its own macro edge, and an untagged target.
        b.builder.add_macro_edge_info(m[0], {b.edge(0, 0, 1, 0)});
        b.builder.add_macro_edge_info(m[1], {b.edge(1, 0, 2, 0)});
        b.builder.add_macro_edge_info(m[2], {b.edge(2, 0, 3, 0)});
        b.builder.add_macro_edge_info(m[3], {b.edge(0, 0, 0, 1)});
    }

    // A polygon edge joining the two grid vertices, in either direction.
    PolygonEdge polygon_edge(index_t i0, index_t j0, index_t i1, index_t j1) const {
        const index_t a = b.vertex(i0, j0);
        const index_t c = b.vertex(i1, j1);
        if (const auto edge = b.surface().polygon_edge_from_vertices(a, c))
            return *edge;
        return b.surface().polygon_edge_from_vertices(c, a).value();
    }
    PolygonEdge source(int k) const {
        switch (k) {
            case 0:
                return polygon_edge(0, 0, 1, 0);
            case 1:
                return polygon_edge(1, 0, 2, 0);
            case 2:
                return polygon_edge(2, 0, 3, 0);
            default:
                return polygon_edge(0, 0, 0, 1);
        }
    }
    PolygonEdge target() const { return polygon_edge(1, 1, 2, 1); }
    index_t target_edge() const { return b.edge(1, 1, 2, 1); }

    BackgroundOnGrid b{3, 1};
    uuid curve;
    std::array<MeshEdge, 4> m{{{curve, 0}, {curve, 1}, {curve, 2}, {curve, 3}}};
};

TEST_F(MaintenanceTest, TriangleSplitAppliesOuterEdgesThenNewEdges) {
    Modifier::SplitTriangleInfo info;
    info.outer_edges.push_back({target(), source(1)});
    info.new_edges.push_back({target(), source(0)});

    b.builder.update_information(info);

    EXPECT_THAT(b.background.macro_edges(target_edge()), ElementsAre(m[1], m[0]));
    // The target's vertices list what it received, in the same order.
    EXPECT_THAT(b.background.incident_macro_edges(b.vertex(1, 1)),
                ElementsAre(m[1], m[0]));
    // Sources keep theirs.
    EXPECT_THAT(b.background.macro_edges(b.edge(0, 0, 1, 0)), ElementsAre(m[0]));
}

TEST_F(MaintenanceTest, EdgeSplitAppliesItsFourListsInRecordOrder) {
    Modifier::SplitPolygonEdgeInfo info;
    info.first_side_halves.push_back({target(), source(2)});
    info.first_side_outer_edges.push_back({target(), source(0)});
    info.second_side_halves.push_back({target(), source(3)});
    info.second_side_outer_edges.push_back({target(), source(1)});

    b.builder.update_information(info);

    EXPECT_THAT(b.background.macro_edges(target_edge()),
                ElementsAre(m[2], m[0], m[3], m[1]));
}

TEST_F(MaintenanceTest, PairsOfOneListApplyInOrder) {
    Modifier::SplitPolygonEdgeInfo info;
    info.first_side_halves.push_back({target(), source(3)});
    info.first_side_halves.push_back({target(), source(1)});

    b.builder.update_information(info);

    EXPECT_THAT(b.background.macro_edges(target_edge()), ElementsAre(m[3], m[1]));
}

TEST_F(MaintenanceTest, EmptyRecordsChangeNothing) {
    const auto before = test::macro_snapshot(b.background);
    b.builder.update_information(Modifier::SplitTriangleInfo{});
    b.builder.update_information(Modifier::SplitPolygonEdgeInfo{});
    b.builder.update_information(
        Modifier::CollapseEdgeInfo{MultiMapping<index_t>{0, {}}, {}, {}, {}, NO_ID});
    EXPECT_TRUE(test::macro_snapshot(b.background) == before);
}

// A polygon edge that continues nothing has the no-index polygon: the pair maps to
// (edge, NO_ID), which the store ignores, and the missing polygon is never looked up.
TEST_F(MaintenanceTest, PairWithoutSecondPolygonMapsToNoIndex) {
    const auto before = test::macro_snapshot(b.background);
    Modifier::SplitTriangleInfo info;
    info.new_edges.push_back({target(), PolygonEdge{}});
    info.new_edges.push_back({source(0), PolygonEdge{NO_ID, 1}});

    EXPECT_NO_THROW(b.builder.update_information(info));
    EXPECT_TRUE(test::macro_snapshot(b.background) == before);
}

// A record naming a polygon edge whose edge is missing from the edge set is broken:
// the optional's own exception, after the lists before it have been applied.
TEST_F(MaintenanceTest, MissingEdgeRaisesBadOptionalAccessAfterEarlierLists) {
    // Drop the edge of the bottom-right border edge while its triangle still uses it.
    const index_t dropped = b.edge(2, 0, 3, 0);
    std::vector<bool> to_delete(b.surface().edges().nb_edges(), false);
    to_delete[dropped] = true;
    b.surface_builder.delete_edges(to_delete);
    const PolygonEdge orphan = polygon_edge(2, 0, 3, 0);
    ASSERT_FALSE(b.surface()
                     .edges()
                     .edge_from_vertices(b.surface().polygon_edge_vertices(orphan))
                     .has_value());

    {
        Modifier::SplitPolygonEdgeInfo info;
        info.first_side_halves.push_back({target(), source(0)});
        info.first_side_outer_edges.push_back({orphan, source(1)});
        EXPECT_THROW(b.builder.update_information(info), std::bad_optional_access);
        EXPECT_THAT(b.background.macro_edges(target_edge()), ElementsAre(m[0]));
    }
    {
        Modifier::SplitTriangleInfo info;
        info.outer_edges.push_back({target(), source(1)});
        info.new_edges.push_back({target(), orphan});
        EXPECT_THROW(b.builder.update_information(info), std::bad_optional_access);
        EXPECT_THAT(b.background.macro_edges(target_edge()), ElementsAre(m[0], m[1]));
    }
}

// Edges before vertices: the vertex update (through the virtual update_vertex) sees
// the edge updates done.
class RecordingBuilder : public BackgroundSurfaceBuilder {
public:
    RecordingBuilder(BackgroundSurface& background, index_t watched_edge)
        : BackgroundSurfaceBuilder(background),
          background_(background),
          watched_edge_(watched_edge) {}

    void update_vertex(const MultiMapping<index_t>& mapping) override {
        vertex_updates.push_back(mapping);
        watched_at_vertex_update.push_back(background_.macro_edges(watched_edge_));
        BackgroundSurfaceBuilder::update_vertex(mapping);
    }

    std::vector<MultiMapping<index_t>> vertex_updates;
    std::vector<MeshEdges> watched_at_vertex_update;

private:
    const BackgroundSurface& background_;
    index_t watched_edge_;
};

TEST_F(MaintenanceTest, CollapseUpdatesEdgesThenTheVertexThroughBothStores) {
    const uuid points;
    const MeshVertex corner{points, 7};
    const index_t removed = b.vertex(2, 1);
    const index_t kept = b.vertex(1, 1);
    b.builder.add_macro_vertex_info(corner, removed);
    b.builder.add_macro_edge_info_on_vertex(m[2], removed);
    RecordingBuilder recording{b.background, target_edge()};
    Modifier::CollapseEdgeInfo info;
    info.vertex = MultiMapping<index_t>{kept, {removed}};
    MultiMapping<index_t> edge_mapping;
    edge_mapping.first = target_edge();
    edge_mapping.second = {b.edge(1, 0, 2, 0), b.edge(0, 0, 1, 0)};
    info.edges.push_back(edge_mapping);

    recording.update_information(info);

    ASSERT_EQ(recording.vertex_updates.size(), 1u);
    EXPECT_EQ(recording.vertex_updates[0], info.vertex);
    EXPECT_THAT(recording.watched_at_vertex_update[0], ElementsAre(m[1], m[0]));
    // Both stores received the vertex: macro vertices and incident macro edges.
    EXPECT_THAT(b.background.macro_vertices(kept), ElementsAre(corner));
    EXPECT_THAT(b.background.incident_macro_edges(kept), ElementsAre(m[1], m[0], m[2]));
    EXPECT_THAT(b.background.macro_vertices(removed), ElementsAre(corner));
}

}  // namespace
}  // namespace orvane::internal
