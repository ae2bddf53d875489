#include <orvane/surface/modifier/background_surface_modifier.hpp>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>

#include "support/background_fixture.hpp"
#include "support/input_entities.hpp"

namespace orvane::internal {
namespace {

using test::BackgroundOnGrid;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Modifier = TriangulatedSurfaceModifier<2>;

static_assert(std::is_same_v<ModifiableObject<BackgroundSurface>::Modifier,
                             BackgroundSurfaceModifier>,
              "a modifiable background pairs the background with its own modifier");
static_assert(std::is_base_of_v<Modifier, BackgroundSurfaceModifier>);
static_assert(!std::is_copy_constructible_v<BackgroundSurfaceModifier>);
static_assert(std::is_nothrow_move_constructible_v<BackgroundSurfaceModifier>);

// Tags on a 4 x 4 grid: a macro edge along row 2, one along column 2 (crossing it at
// (2, 2)), a macro vertex at the end (0, 2) and an element on the cells left of column
// 2 below row 2.
struct Tags {
    uuid curve;
    uuid points;
    uuid surface;
    MeshEdge row{curve, 0};
    MeshEdge column{curve, 1};
    MeshVertex end{points, 0};
    MeshElement element{surface, 0};
};

void tag(BackgroundOnGrid& b, const Tags& tags) {
    b.builder.add_macro_edge_info(tags.row, b.line_edges(0, 2, 4, 2));
    b.builder.add_macro_edge_info(tags.column, b.line_edges(2, 0, 2, 4));
    b.builder.add_macro_vertex_info(tags.end, b.vertex(0, 2));
    for (index_t j = 0; j < 2; ++j) {
        for (index_t i = 0; i < 2; ++i) {
            b.builder.add_macro_element_info(tags.element, b.grid.lower_triangle(i, j));
            b.builder.add_macro_element_info(tags.element, b.grid.upper_triangle(i, j));
        }
    }
}

// The same grid and tags handled by the plain toolkit modifier, whose record the test
// hands to the builder itself: the background modifier must end in the same state and
// return the same record.
struct Twin {
    explicit Twin(const Tags& tags) : ours(4, 4), theirs(4, 4) {
        tag(ours, tags);
        tag(theirs, tags);
    }
    BackgroundOnGrid ours;
    BackgroundOnGrid theirs;
    // Plain modifier over the second grid (its BackgroundSurfaceModifier stays unused).
    Modifier plain{theirs.surface(), theirs.surface_builder};
};

bool same(const Modifier::SplitTriangleInfo& a, const Modifier::SplitTriangleInfo& b) {
    return a.new_vertex == b.new_vertex && a.outer_edges == b.outer_edges &&
           a.new_edges == b.new_edges && a.new_triangles == b.new_triangles;
}
bool same(const Modifier::SplitPolygonEdgeInfo& a,
          const Modifier::SplitPolygonEdgeInfo& b) {
    return a.new_vertex == b.new_vertex && a.first_side_halves == b.first_side_halves &&
           a.first_side_outer_edges == b.first_side_outer_edges &&
           a.second_side_halves == b.second_side_halves &&
           a.second_side_outer_edges == b.second_side_outer_edges &&
           a.first_side_triangles == b.first_side_triangles &&
           a.second_side_triangles == b.second_side_triangles;
}
bool same(const Modifier::CollapseEdgeInfo& a, const Modifier::CollapseEdgeInfo& b) {
    return a.vertex == b.vertex && a.edges == b.edges &&
           a.new_triangles == b.new_triangles &&
           a.removed_triangles == b.removed_triangles &&
           a.collapsed_edge == b.collapsed_edge;
}

struct OperationCase {
    std::string name;
    // Runs the operation on the background modifier of `ours` and on the plain modifier
    // of `theirs`, hands the plain record to theirs' builder, and says whether the two
    // records are equal.
    std::function<bool(Twin&)> run;
};

std::vector<OperationCase> operation_cases() {
    return {
        {"split_triangle_on_the_element",
         [](Twin& t) {
             const index_t triangle = t.ours.grid.upper_triangle(1, 1);
             const Point<2> point{{1.25, 1.6}};
             const auto a = t.ours.modifier.split_triangle(triangle, point);
             const auto b = t.plain.split_triangle(triangle, point);
             t.theirs.builder.update_information(b);
             return same(a, b);
         }},
        {"split_interior_edge_on_both_macro_edges_crossing",
         [](Twin& t) {
             const auto edge = t.ours.surface().polygon_edge_from_vertices(
                 t.ours.vertex(2, 2), t.ours.vertex(3, 2));
             const Point<2> point{{2.3, 2.}};
             const auto a = t.ours.modifier.split_edge(*edge, point);
             const auto b = t.plain.split_edge(*edge, point);
             t.theirs.builder.update_information(b);
             return same(a, b) && !a.second_side_halves.empty();
         }},
        {"split_border_edge_of_a_macro_edge",
         [](Twin& t) {
             const auto edge = t.ours.surface().polygon_edge_from_vertices(
                 t.ours.vertex(2, 0), t.ours.vertex(3, 0));
             const Point<2> point{{2.5, 0.}};
             const auto a = t.ours.modifier.split_edge(*edge, point);
             const auto b = t.plain.split_edge(*edge, point);
             t.theirs.builder.update_information(b);
             return same(a, b) && a.second_side_halves.empty();
         }},
        {"collapse_edge_index_along_the_row",
         [](Twin& t) {
             // (3, 2) into (4, 2)? edge_vertices keeps the smaller index: (3, 2).
             const index_t edge = t.ours.edge(3, 2, 4, 2);
             const Point<2> point = t.ours.surface().point(t.ours.vertex(3, 2));
             const auto a = t.ours.modifier.collapse_edge(edge, point);
             const auto b = t.plain.collapse_edge(edge, point);
             t.theirs.builder.update_information(b);
             return same(a, b);
         }},
        {"collapse_polygon_edge_along_the_row_into_the_end",
         [](Twin& t) {
             const auto edge = t.ours.surface().polygon_edge_from_vertices(
                 t.ours.vertex(0, 2), t.ours.vertex(1, 2));
             const Point<2> point = t.ours.surface().point(t.ours.vertex(0, 2));
             const auto a = t.ours.modifier.collapse_edge(*edge, point);
             const auto b = t.plain.collapse_edge(*edge, point);
             t.theirs.builder.update_information(b);
             return same(a, b);
         }},
    };
}

class ModifierOperationTest : public ::testing::TestWithParam<OperationCase> {};

TEST_P(ModifierOperationTest, ReturnsTheToolkitRecordAndAppliesIt) {
    const Tags tags;
    Twin twin{tags};
    const auto before = test::macro_snapshot(twin.ours.background);

    ASSERT_TRUE(GetParam().run(twin));

    const auto after = test::macro_snapshot(twin.ours.background);
    EXPECT_TRUE(after == test::macro_snapshot(twin.theirs.background));
    EXPECT_TRUE(after != before) << "the operation should have moved macro information";
    EXPECT_THAT(
        test::check_macro_information(twin.ours.background, {[&](index_t t) {
                                          return twin.ours.modifier.is_triangle_active(t);
                                      }}),
        IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Operations, ModifierOperationTest,
                         ::testing::ValuesIn(operation_cases()),
                         [](const auto& info) { return info.param.name; });

TEST(BackgroundSurfaceModifier, SplitEdgeOfAMacroEdgeGivesItToBothHalvesAndTheNewVertex) {
    const Tags tags;
    BackgroundOnGrid b{4, 4};
    tag(b, tags);
    const auto edge =
        b.surface().polygon_edge_from_vertices(b.vertex(1, 2), b.vertex(2, 2)).value();

    const auto info = b.modifier.split_edge(edge, Point<2>{{1.5, 2.}});

    const index_t m = info.new_vertex;
    EXPECT_THAT(b.background.macro_edges(b.edge_between(b.vertex(1, 2), m)),
                ElementsAre(tags.row));
    EXPECT_THAT(b.background.macro_edges(b.edge_between(m, b.vertex(2, 2))),
                ElementsAre(tags.row));
    EXPECT_THAT(b.background.incident_macro_edges(m), ElementsAre(tags.row));
    EXPECT_THAT(b.background.macro_vertices(m), IsEmpty());
    // The edges to the apexes cross the macro edge: they carry nothing.
    for (const index_t apex : {b.vertex(1, 1), b.vertex(2, 3)}) {
        if (const auto e = b.surface().edges().edge_from_vertices({m, apex})) {
            EXPECT_THAT(b.background.macro_edges(*e), IsEmpty());
        }
    }
    auto table = test::record_input_entities(b.background, b.modifier);
    EXPECT_THAT(test::check_input_entities(b.background, b.modifier, table), IsEmpty());
}

TEST(BackgroundSurfaceModifier, RefusedSplitLeavesTheMacroInformationUntouched) {
    const Tags tags;
    BackgroundOnGrid b{4, 4};
    tag(b, tags);
    const auto before = test::macro_snapshot(b.background);
    const index_t nb_polygons = b.surface().nb_polygons();
    const auto edge =
        b.surface().polygon_edge_from_vertices(b.vertex(1, 2), b.vertex(2, 2)).value();

    // Off the edge, then onto one of its ends.
    EXPECT_THROW(b.modifier.split_edge(edge, Point<2>{{1.5, 2.5}}),
                 OrvaneCommonModifierCommonException);
    EXPECT_THROW(b.modifier.split_edge(edge, Point<2>{{1., 2.}}),
                 OrvaneCommonModifierCommonException);

    EXPECT_TRUE(test::macro_snapshot(b.background) == before);
    EXPECT_EQ(b.surface().nb_polygons(), nb_polygons);
}

TEST(BackgroundSurfaceModifier, CollapseHandsOverMacroVerticesAndIncidentMacroEdges) {
    const Tags tags;
    BackgroundOnGrid b{4, 4};
    tag(b, tags);
    // (1, 2) lies on the row only and may move onto the end (0, 2), which holds the
    // macro vertex: the configuration says so, and the collapse keeps the end.
    const index_t kept = b.vertex(0, 2);
    const index_t removed = b.vertex(1, 2);
    const index_t edge = b.edge_between(kept, removed);
    const auto config = b.background.edge_configuration(edge, b.background);
    ASSERT_EQ(config.vertex_configurations, (std::array<index_t, 2>{{4, 2}}));
    auto table = test::record_input_entities(b.background, b.modifier);

    const auto info = b.modifier.collapse_edge(
        b.surface().polygon_edge_from_vertices(kept, removed).value(),
        b.surface().point(kept));

    ASSERT_EQ(info.vertex.first, kept);
    EXPECT_THAT(b.background.macro_vertices(kept), ElementsAre(tags.end));
    EXPECT_THAT(b.background.incident_macro_edges(kept), ElementsAre(tags.row));
    // The row now runs straight from the end to (2, 2).
    EXPECT_THAT(b.background.macro_edges(b.edge_between(kept, b.vertex(2, 2))),
                ElementsAre(tags.row));
    table.follow(b.modifier);
    EXPECT_THAT(test::check_input_entities(b.background, b.modifier, table), IsEmpty());
}

// Sees every vertex update the modifier's builder makes, and what the edges of the kept
// vertex carry at that moment.
class RecordingBuilder : public BackgroundSurfaceBuilder {
public:
    explicit RecordingBuilder(BackgroundSurface& background)
        : BackgroundSurfaceBuilder(background), background_(background) {}

    void update_vertex(const MultiMapping<index_t>& mapping) override {
        calls.push_back(mapping);
        const auto& surface = background_.surface();
        MeshEdges seen;
        for (const index_t x : surface.vertices_around_vertex(mapping.first)) {
            const index_t edge =
                surface.edges().edge_from_vertices({mapping.first, x}).value();
            for (const auto& macro_edge : background_.macro_edges(edge)) {
                if (std::find(seen.begin(), seen.end(), macro_edge) == seen.end())
                    seen.push_back(macro_edge);
            }
        }
        carried_at_call.push_back(seen);
        BackgroundSurfaceBuilder::update_vertex(mapping);
    }

    std::vector<MultiMapping<index_t>> calls;
    std::vector<MeshEdges> carried_at_call;

private:
    const BackgroundSurface& background_;
};

// Both collapse forms: one vertex update, with the record's vertex mapping, made after
// the edges (the renamed edge along the row already carries it).
TEST(BackgroundSurfaceModifier, CollapseUpdatesEdgesThenOneVertex) {
    const Tags tags;
    BackgroundOnGrid b{4, 4};
    tag(b, tags);
    RecordingBuilder recording{b.background};
    BackgroundSurfaceModifier modifier{b.background, recording, b.surface_builder};

    // Edge form: (3, 2) goes into the crossing (2, 2), the smaller index.
    const auto by_edge =
        modifier.collapse_edge(b.edge(2, 2, 3, 2), b.surface().point(b.vertex(2, 2)));
    ASSERT_EQ(recording.calls.size(), 1u);
    EXPECT_EQ(recording.calls[0], by_edge.vertex);
    EXPECT_EQ(by_edge.vertex.first, b.vertex(2, 2));
    EXPECT_THAT(b.background.macro_edges(b.edge(2, 2, 4, 2)), ElementsAre(tags.row));

    // Polygon-edge form: (1, 2) goes into the end (0, 2).
    const auto by_polygon_edge = modifier.collapse_edge(
        b.surface().polygon_edge_from_vertices(b.vertex(0, 2), b.vertex(1, 2)).value(),
        b.surface().point(b.vertex(0, 2)));
    ASSERT_EQ(recording.calls.size(), 2u);
    EXPECT_EQ(recording.calls[1], by_polygon_edge.vertex);
    // Before the vertex update (0, 2) had no edge along the row but the one collapsed:
    // the row on (0, 2)-(2, 2) came from the edge update.
    EXPECT_THAT(recording.carried_at_call[1], ::testing::Contains(tags.row));
    EXPECT_THAT(b.background.incident_macro_edges(b.vertex(0, 2)), ElementsAre(tags.row));
}

TEST(BackgroundSurfaceModifier, ReplaceVertexMapsEachEdgeInTheMappingOrder) {
    const Tags tags;
    BackgroundOnGrid b{4, 4};
    tag(b, tags);
    // The crossing (2, 2) is replaced by a fresh vertex at the same point.
    const index_t old_vertex = b.vertex(2, 2);
    const Point<2> point = b.surface().point(old_vertex);
    const index_t fresh = b.surface_builder.create_point(point);

    const auto mapping = b.modifier.replace_vertex(old_vertex, fresh);

    ASSERT_EQ(mapping.size(), 6u);
    MeshEdges expected_incident;
    for (const auto& [old_edge, new_edge] : mapping) {
        EXPECT_EQ(b.background.macro_edges(new_edge), b.background.macro_edges(old_edge))
            << old_edge << " -> " << new_edge;
        for (const auto& macro_edge : b.background.macro_edges(old_edge)) {
            if (std::find(expected_incident.begin(), expected_incident.end(),
                          macro_edge) == expected_incident.end()) {
                expected_incident.push_back(macro_edge);
            }
        }
    }
    // The fresh vertex received the macro edges edge by edge, in the mapping's order.
    EXPECT_EQ(b.background.incident_macro_edges(fresh), expected_incident);
    EXPECT_THAT(b.background.incident_macro_edges(fresh),
                ::testing::UnorderedElementsAre(tags.row, tags.column));
    EXPECT_THAT(test::check_macro_information(b.background, {[&](index_t t) {
                                                  return b.modifier.is_triangle_active(t);
                                              }}),
                IsEmpty());
}

// The toolkit never returns an empty mapping for a replacement it accepts (the replaced
// vertex has a fan); what it refuses must leave the macro information as it was.
TEST(BackgroundSurfaceModifier, RefusedReplaceVertexMakesNoEdgeUpdate) {
    const Tags tags;
    BackgroundOnGrid b{4, 4};
    tag(b, tags);
    const auto before = test::macro_snapshot(b.background);
    EXPECT_THROW(b.modifier.replace_vertex(b.vertex(2, 2), b.vertex(2, 2)),
                 OrvaneCommonModifierCommonException);
    EXPECT_THROW(b.modifier.replace_vertex(b.vertex(2, 2), b.vertex(3, 3)),
                 OrvaneCommonModifierCommonException);
    EXPECT_TRUE(test::macro_snapshot(b.background) == before);
}

TEST(BackgroundSurfaceModifier, CleanTrianglesReturnsWhatTheToolkitReturns) {
    const Tags tags;
    Twin twin{tags};
    for (auto* modifier : {static_cast<Modifier*>(&twin.ours.modifier), &twin.plain}) {
        modifier->inactive_triangle(0);
        modifier->inactive_triangle(5);
    }
    const auto ours = twin.ours.modifier.clean_triangles();
    const auto theirs = twin.plain.clean_triangles();

    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(ours[0], NO_ID);
    EXPECT_TRUE(test::macro_snapshot(twin.ours.background) ==
                test::macro_snapshot(twin.theirs.background));
}

TEST(BackgroundSurfaceModifier, MovedModifierKeepsUpdatingThroughTheSameBuilder) {
    const Tags tags;
    BackgroundOnGrid b{4, 4};
    tag(b, tags);
    BackgroundSurfaceModifier moved{std::move(b.modifier)};
    const auto edge =
        b.surface().polygon_edge_from_vertices(b.vertex(2, 3), b.vertex(2, 4)).value();

    const auto info = moved.split_edge(edge, Point<2>{{2., 3.5}});

    EXPECT_THAT(b.background.incident_macro_edges(info.new_vertex),
                ElementsAre(tags.column));
    EXPECT_THAT(b.background.macro_edges(b.edge_between(info.new_vertex, b.vertex(2, 4))),
                ElementsAre(tags.column));
}

// Operations without a macro update at this level leave every list as it was.
TEST(BackgroundSurfaceModifier, SwapAndMoveMakeNoMacroUpdate) {
    const Tags tags;
    BackgroundOnGrid b{4, 4};
    tag(b, tags);
    const auto before = test::macro_snapshot(b.background);
    const auto diagonal =
        b.surface().polygon_edge_from_vertices(b.vertex(0, 0), b.vertex(1, 1)).value();
    b.modifier.swap_edge(diagonal);
    b.modifier.move_point(b.vertex(3, 3), Point<2>{{3.1, 3.05}});
    auto after = test::macro_snapshot(b.background);
    // The swap appended two triangles (copying the one across) and the edge (c, d):
    // compare what existed before.
    after.elements.resize(before.elements.size());
    after.edges.resize(before.edges.size());
    EXPECT_TRUE(after == before);
}

}  // namespace
}  // namespace orvane::internal
