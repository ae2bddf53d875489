#include <orvane/macro/common/macro_edges.hpp>
#include <orvane/macro/common/macro_edges_builder.hpp>
#include <orvane/macro/common/macro_info.hpp>
#include <orvane/macro/common/macro_info_builder.hpp>

#include <array>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/attribute_manager.hpp>

namespace orvane::internal {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A store over plain managers and an edge table, standing in for a mesh. The edge
// table is the graph  0-1-2-3 (edges 0, 1, 2) plus 1-4 (edge 3) plus 4-5 (edge 4).
class TableStore : public MacroInfo, public MacroEdges {
public:
    TableStore(AttributeManager& vertices, AttributeManager& edges,
               AttributeManager& polygons, std::vector<std::array<index_t, 2>> edge_table)
        : vertices_(vertices),
          edges_(edges),
          polygons_(polygons),
          table_(std::move(edge_table)) {
        initialize_macro_info_data_base(vertices_, polygons_);
        initialize_macro_edges_data_base(vertices_, edges_);
    }

    const std::array<index_t, 2>& edge_vertices(index_t edge) const override {
        return table_.at(edge);
    }

    void clean() {
        clean_macro_info_data_base(vertices_, polygons_);
        clean_macro_edges_data_base(vertices_, edges_);
    }

private:
    AttributeManager& vertices_;
    AttributeManager& edges_;
    AttributeManager& polygons_;
    std::vector<std::array<index_t, 2>> table_;
};

class TableBuilder : public MacroInfoBuilder, public MacroEdgesBuilder {
public:
    explicit TableBuilder(TableStore& store)
        : MacroInfoBuilder(store), MacroEdgesBuilder(store) {}
};

class MacroStore : public ::testing::Test {
protected:
    MacroStore() {
        vertices.resize(6);
        edges.resize(5);
        polygons.resize(4);
    }

    AttributeManager vertices;
    AttributeManager edges;
    AttributeManager polygons;
    std::vector<std::array<index_t, 2>> table{{0, 1}, {1, 2}, {2, 3}, {1, 4}, {4, 5}};
    TableStore store{vertices, edges, polygons, table};
    TableBuilder builder{store};
    uuid curve;
    uuid other_curve;
    MeshEdge m{curve, 0};
    MeshEdge n{curve, 1};
    MeshEdge p{other_curve, 0};
};

TEST_F(MacroStore, ListsStartEmpty) {
    for (index_t v = 0; v < 6; ++v) {
        EXPECT_THAT(store.macro_vertices(v), IsEmpty());
        EXPECT_THAT(store.incident_macro_edges(v), IsEmpty());
    }
    for (index_t e = 0; e < 5; ++e) {
        EXPECT_THAT(store.macro_edges(e), IsEmpty());
    }
    for (index_t t = 0; t < 4; ++t) {
        EXPECT_THAT(store.macro_elements(t), IsEmpty());
    }
    EXPECT_FALSE(store.is_macro_info_mandatory(curve));
}

TEST_F(MacroStore, ListsKeepInsertionOrderWithoutDuplicates) {
    const MeshVertex a{curve, 3};
    const MeshVertex b{other_curve, 3};
    builder.add_macro_vertex_info(a, 2);
    builder.add_macro_vertex_info(b, 2);
    builder.add_macro_vertex_info(a, 2);
    EXPECT_THAT(store.macro_vertices(2), ElementsAre(a, b));

    const MeshElement x{curve, 1};
    const MeshElement y{curve, 0};
    builder.add_macro_element_info(x, 1);
    builder.add_macro_element_info(y, 1);
    builder.add_macro_element_info(x, 1);
    EXPECT_THAT(store.macro_elements(1), ElementsAre(x, y));

    builder.remove_macro_vertex_info(a, 2);
    builder.remove_macro_element_info(y, 1);
    EXPECT_THAT(store.macro_vertices(2), ElementsAre(b));
    EXPECT_THAT(store.macro_elements(1), ElementsAre(x));
    // Only the named elements changed.
    EXPECT_THAT(store.macro_vertices(1), IsEmpty());
    EXPECT_THAT(store.macro_elements(0), IsEmpty());
}

TEST_F(MacroStore, EdgeInfoIsIncidentOnBothVertices) {
    const std::vector<index_t> path{0, 1};
    builder.add_macro_edge_info(n, path);
    builder.add_macro_edge_info(m, path);
    builder.add_macro_edge_info(n, path);
    EXPECT_THAT(store.macro_edges(0), ElementsAre(n, m));
    EXPECT_THAT(store.macro_edges(1), ElementsAre(n, m));
    EXPECT_THAT(store.macro_edges(2), IsEmpty());
    for (const index_t v : {0u, 1u, 2u}) {
        EXPECT_THAT(store.incident_macro_edges(v), ElementsAre(n, m)) << v;
    }
    EXPECT_THAT(store.incident_macro_edges(3), IsEmpty());

    builder.add_macro_edge_info_on_vertex(p, 5);
    EXPECT_THAT(store.incident_macro_edges(5), ElementsAre(p));
    EXPECT_THAT(store.macro_edges(4), IsEmpty());
}

TEST_F(MacroStore, RemovalKeepsVerticesStillOnTheMacroEdge) {
    const std::vector<index_t> path{0, 1, 2};
    builder.add_macro_edge_info(m, path);
    builder.add_macro_edge_info(n, std::vector<index_t>{1});

    // Vertex 1 still lies on m through edge 0, vertex 2 through edge 2.
    builder.remove_macro_edge_info(m, 1);
    EXPECT_THAT(store.macro_edges(1), ElementsAre(n));
    EXPECT_THAT(store.incident_macro_edges(1), ElementsAre(m, n));
    EXPECT_THAT(store.incident_macro_edges(2), ElementsAre(m, n));

    // Now vertex 0 and vertex 1 lose m; vertex 1 keeps n.
    builder.remove_macro_edge_info(m, 0);
    EXPECT_THAT(store.macro_edges(0), IsEmpty());
    EXPECT_THAT(store.incident_macro_edges(0), IsEmpty());
    EXPECT_THAT(store.incident_macro_edges(1), ElementsAre(n));

    builder.remove_macro_edge_info(m, 2);
    EXPECT_THAT(store.incident_macro_edges(2), ElementsAre(n));
    EXPECT_THAT(store.incident_macro_edges(3), IsEmpty());
}

TEST_F(MacroStore, RemovingAMacroEdgeTheEdgeLacksLeavesVerticesAlone) {
    builder.add_macro_edge_info_on_vertex(m, 0);
    builder.remove_macro_edge_info(m, 0);
    EXPECT_THAT(store.incident_macro_edges(0), ElementsAre(m));
}

TEST_F(MacroStore, EdgeUpdateTakesOverSourcesWhichKeepTheirs) {
    builder.add_macro_edge_info(m, std::vector<index_t>{0});
    builder.add_macro_edge_info(p, std::vector<index_t>{0});
    builder.add_macro_edge_info(n, std::vector<index_t>{4});
    builder.add_macro_edge_info(m, std::vector<index_t>{4});

    builder.update_edge(Mapping<index_t>{4, 0});
    EXPECT_THAT(store.macro_edges(4), ElementsAre(n, m, p));
    EXPECT_THAT(store.macro_edges(0), ElementsAre(m, p));
    EXPECT_THAT(store.incident_macro_edges(4), ElementsAre(n, m, p));
    EXPECT_THAT(store.incident_macro_edges(5), ElementsAre(n, m, p));

    builder.update_edge(Mapping<index_t>{2, NO_ID});
    builder.update_edge(Mapping<index_t>{3, 3});
    EXPECT_THAT(store.macro_edges(2), IsEmpty());
    EXPECT_THAT(store.incident_macro_edges(3), IsEmpty());
    EXPECT_THAT(store.macro_edges(3), IsEmpty());
}

TEST_F(MacroStore, EdgeMappingsApplyInOrder) {
    builder.add_macro_edge_info(m, std::vector<index_t>{0});
    // 1 takes over 0, then 2 takes over 1: m reaches 2 through 1.
    const std::vector<Mapping<index_t>> chain{{1, 0}, {2, 1}, {3, NO_ID}};
    builder.update_edges(chain);
    EXPECT_THAT(store.macro_edges(1), ElementsAre(m));
    EXPECT_THAT(store.macro_edges(2), ElementsAre(m));
    EXPECT_THAT(store.macro_edges(3), IsEmpty());
    EXPECT_THAT(store.incident_macro_edges(3), ElementsAre(m));
    EXPECT_THAT(store.incident_macro_edges(4), IsEmpty());
}

TEST_F(MacroStore, EdgeMultiMappingsMergeEverySource) {
    builder.add_macro_edge_info(m, std::vector<index_t>{0});
    builder.add_macro_edge_info(n, std::vector<index_t>{1});
    builder.add_macro_edge_info(m, std::vector<index_t>{1});
    const std::vector<MultiMapping<index_t>> merges{{4, {1, NO_ID, 0}}, {3, {}}};
    builder.update_edges(merges);
    EXPECT_THAT(store.macro_edges(4), ElementsAre(n, m));
    EXPECT_THAT(store.macro_edges(1), ElementsAre(n, m));
    EXPECT_THAT(store.macro_edges(3), IsEmpty());
    EXPECT_THAT(store.incident_macro_edges(5), ElementsAre(n, m));
}

TEST_F(MacroStore, VertexUpdatesMergeEachStoreSeparately) {
    const MeshVertex a{curve, 0};
    const MeshVertex b{curve, 1};
    builder.add_macro_vertex_info(a, 0);
    builder.add_macro_vertex_info(b, 3);
    builder.add_macro_vertex_info(a, 3);
    builder.add_macro_edge_info_on_vertex(m, 0);
    builder.add_macro_edge_info_on_vertex(n, 3);

    builder.update_vertex(MultiMapping<index_t>{5, {3, NO_ID, 0}});
    EXPECT_THAT(store.macro_vertices(5), ElementsAre(b, a));
    EXPECT_THAT(store.macro_vertices(3), ElementsAre(b, a));
    // Macro vertices and incident macro edges are separate updates.
    EXPECT_THAT(store.incident_macro_edges(5), IsEmpty());
    builder.update_edge_vertex(MultiMapping<index_t>{5, {0, 3}});
    EXPECT_THAT(store.incident_macro_edges(5), ElementsAre(m, n));
    EXPECT_THAT(store.incident_macro_edges(0), ElementsAre(m));
}

TEST_F(MacroStore, ElementUpdate) {
    const MeshElement x{curve, 0};
    const MeshElement y{other_curve, 0};
    builder.add_macro_element_info(x, 0);
    builder.add_macro_element_info(y, 1);
    builder.add_macro_element_info(x, 1);
    builder.update_element(Mapping<index_t>{0, 1});
    builder.update_element(Mapping<index_t>{2, NO_ID});
    EXPECT_THAT(store.macro_elements(0), ElementsAre(x, y));
    EXPECT_THAT(store.macro_elements(1), ElementsAre(y, x));
    EXPECT_THAT(store.macro_elements(2), IsEmpty());
}

// A builder that keeps a second per-vertex record in step, as the background's
// builder does with incident macro edges.
class RecordingBuilder : public TableBuilder {
public:
    using TableBuilder::TableBuilder;
    void update_vertex(const MultiMapping<index_t>& mapping) override {
        seen.push_back(mapping.first);
        MacroInfoBuilder::update_vertex(mapping);
        update_edge_vertex(mapping);
    }
    std::vector<index_t> seen;
};

TEST_F(MacroStore, UpdateVerticesGoesThroughTheVirtualSlot) {
    RecordingBuilder recording{store};
    const MeshVertex a{curve, 0};
    recording.add_macro_vertex_info(a, 0);
    recording.add_macro_edge_info_on_vertex(m, 1);
    const std::vector<MultiMapping<index_t>> mappings{{4, {0}}, {5, {1}}};
    MacroInfoBuilder& base = recording;
    base.update_vertices(mappings);
    EXPECT_THAT(recording.seen, ElementsAre(4u, 5u));
    EXPECT_THAT(store.macro_vertices(4), ElementsAre(a));
    EXPECT_THAT(store.incident_macro_edges(5), ElementsAre(m));
}

TEST_F(MacroStore, MandatoryComponents) {
    builder.add_mandatory_macro_info(curve);
    EXPECT_TRUE(store.is_macro_info_mandatory(curve));
    EXPECT_FALSE(store.is_macro_info_mandatory(other_curve));
    builder.remove_mandatory_macro_info(curve);
    EXPECT_FALSE(store.is_macro_info_mandatory(curve));
}

TEST_F(MacroStore, ASecondStoreBindsToTheSameData) {
    const MeshVertex a{curve, 0};
    builder.add_macro_vertex_info(a, 1);
    builder.add_macro_edge_info(m, std::vector<index_t>{2});
    builder.add_macro_element_info(MeshElement{curve, 0}, 3);
    builder.add_mandatory_macro_info(curve);

    TableStore second{vertices, edges, polygons, table};
    EXPECT_THAT(second.macro_vertices(1), ElementsAre(a));
    EXPECT_THAT(second.macro_edges(2), ElementsAre(m));
    EXPECT_THAT(second.incident_macro_edges(3), ElementsAre(m));
    EXPECT_THAT(second.macro_elements(3), ElementsAre(MeshElement{curve, 0}));
    EXPECT_TRUE(second.is_macro_info_mandatory(curve));

    // Writes through either are seen by both.
    TableBuilder second_builder{second};
    second_builder.add_macro_vertex_info(a, 0);
    EXPECT_THAT(store.macro_vertices(0), ElementsAre(a));
}

TEST_F(MacroStore, CleanRemovesTheAttributes) {
    const auto before_vertices = vertices.attribute_names();
    EXPECT_EQ(before_vertices.size(), 3u);
    EXPECT_EQ(edges.attribute_names().size(), 1u);
    EXPECT_EQ(polygons.attribute_names().size(), 1u);
    builder.add_macro_vertex_info(MeshVertex{curve, 0}, 1);

    store.clean();
    EXPECT_THAT(vertices.attribute_names(), IsEmpty());
    EXPECT_THAT(edges.attribute_names(), IsEmpty());
    EXPECT_THAT(polygons.attribute_names(), IsEmpty());
    EXPECT_FALSE(store.is_macro_info_data_base_initialized());
    EXPECT_FALSE(store.is_macro_edges_data_base_initialized());
    EXPECT_THROW(store.macro_vertices(1), VelmoraException);
    EXPECT_THROW(store.macro_edges(0), VelmoraException);
    EXPECT_THROW(builder.add_macro_edge_info(m, std::vector<index_t>{0}),
                 VelmoraException);

    // A new store starts empty.
    TableStore fresh{vertices, edges, polygons, table};
    EXPECT_THAT(fresh.macro_vertices(1), IsEmpty());
}

TEST_F(MacroStore, OnlyTriangleMacroElementsAreCopiedByAssignment) {
    builder.add_macro_element_info(MeshElement{curve, 0}, 0);
    polygons.assign_attribute_value(0, 2);
    EXPECT_THAT(store.macro_elements(2), ElementsAre(MeshElement{curve, 0}));

    builder.add_macro_vertex_info(MeshVertex{curve, 0}, 0);
    builder.add_macro_edge_info_on_vertex(m, 0);
    vertices.assign_attribute_value(0, 2);
    EXPECT_THAT(store.macro_vertices(2), IsEmpty());
    EXPECT_THAT(store.incident_macro_edges(2), IsEmpty());
}

TEST_F(MacroStore, DataFollowsTheMeshRenumbering) {
    builder.add_macro_vertex_info(MeshVertex{curve, 7}, 5);
    builder.add_macro_edge_info(m, std::vector<index_t>{4});
    vertices.permute_elements(std::vector<index_t>{5, 4, 3, 2, 1, 0});
    EXPECT_THAT(store.macro_vertices(0), ElementsAre(MeshVertex{curve, 7}));
    EXPECT_THAT(store.incident_macro_edges(1), ElementsAre(m));
    vertices.resize(8);
    EXPECT_THAT(store.macro_vertices(7), IsEmpty());
}

TEST_F(MacroStore, OutOfRangeIndicesAreRefused) {
    EXPECT_THROW(store.macro_vertices(6), VelmoraException);
    EXPECT_THROW(builder.add_macro_vertex_info(MeshVertex{curve, 0}, NO_ID),
                 VelmoraException);
    // A mapping onto nothing is refused even when its source carries nothing.
    EXPECT_THROW(builder.update_edge(Mapping<index_t>{NO_ID, 0}), VelmoraException);
    EXPECT_THROW(builder.update_edges(std::vector<MultiMapping<index_t>>{{5, {0}}}),
                 VelmoraException);
    EXPECT_THROW(builder.update_edge_vertex(MultiMapping<index_t>{6, {}}),
                 VelmoraException);
    EXPECT_THROW(builder.update_vertex(MultiMapping<index_t>{NO_ID, {NO_ID}}),
                 VelmoraException);
    EXPECT_THROW(builder.update_element(Mapping<index_t>{4, NO_ID}), VelmoraException);
}

TEST(MacroStoreBinding, ConflictingAttributeIsReportedAndNothingIsLeftBehind) {
    AttributeManager vertices;
    AttributeManager edges;
    AttributeManager polygons;
    vertices.resize(2);
    edges.resize(1);
    polygons.find_or_create_attribute<VariableAttribute, double>("orvane_macro_elements",
                                                                 0.);
    EXPECT_THROW((TableStore{vertices, edges, polygons, {{0, 1}}}),
                 VelmoraBasicException);
    // The vertex attributes made before the conflict are gone, the caller's one stays.
    EXPECT_THAT(vertices.attribute_names(), IsEmpty());
    EXPECT_THAT(polygons.attribute_names(), ElementsAre("orvane_macro_elements"));
}

TEST(MacroStoreBinding, ConflictKeepsAttributesThatExistedBefore) {
    AttributeManager vertices;
    AttributeManager edges;
    AttributeManager polygons;
    vertices.resize(2);
    edges.resize(1);
    // Another store's data are there already; the edge attribute name is taken.
    TableStore first{vertices, edges, polygons, {{0, 1}}};
    TableBuilder{first}.add_macro_edge_info_on_vertex(MeshEdge{uuid{}, 0}, 1);
    AttributeManager other_edges;
    other_edges.resize(1);
    other_edges.find_or_create_attribute<VariableAttribute, int>("orvane_macro_edges", 0);
    EXPECT_THROW((TableStore{vertices, other_edges, polygons, {{0, 1}}}),
                 VelmoraBasicException);
    EXPECT_EQ(first.incident_macro_edges(1).size(), 1u);
    EXPECT_TRUE(vertices.attribute_exists("orvane_incident_macro_edges"));
}

}  // namespace
}  // namespace orvane::internal
