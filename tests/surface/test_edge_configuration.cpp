#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/background_fixture.hpp"

namespace orvane::internal {
namespace {

using test::BackgroundOnGrid;

// On a strip of three cells the asked edge is bottom-row (1, 0)-(2, 0): p = vertex 1,
// q = vertex 2 (edge_vertices is sorted), between the neighbours 0 and 3 on the row.
struct Entities {
    uuid curve;
    uuid points;
    MeshEdge along{curve, 0};
    MeshEdge crossing{curve, 1};
    MeshVertex at_p{points, 0};
    MeshVertex at_q{points, 1};
};

struct ConfigurationCase {
    std::string name;
    std::function<void(BackgroundOnGrid&, const Entities&)> setup;
    std::array<index_t, 2> codes;
};

void along_the_row(BackgroundOnGrid& b, const Entities& e) {
    b.builder.add_macro_edge_info(e.along, b.line_edges(0, 0, 3, 0));
}

std::vector<ConfigurationCase> configuration_cases() {
    return {
        {"nothing_on_either_vertex", [](BackgroundOnGrid&, const Entities&) {}, {{0, 0}}},
        {"first_on_a_macro_edge_that_stops_there",
         [](BackgroundOnGrid& b, const Entities& e) {
             b.builder.add_macro_edge_info(e.along, b.line_edges(0, 0, 1, 0));
         },
         {{4, 0}}},
        {"second_on_a_macro_edge_that_stops_there",
         [](BackgroundOnGrid& b, const Entities& e) {
             b.builder.add_macro_edge_info(e.along, b.line_edges(2, 0, 3, 0));
         },
         {{0, 4}}},
        {"only_a_macro_vertex_on_the_first",
         [](BackgroundOnGrid& b, const Entities& e) {
             b.builder.add_macro_vertex_info(e.at_p, 1);
         },
         {{4, 0}}},
        {"both_inside_one_macro_edge_along_the_edge", along_the_row, {{1, 1}}},
        {"second_also_holds_a_macro_vertex",
         [](BackgroundOnGrid& b, const Entities& e) {
             along_the_row(b, e);
             b.builder.add_macro_vertex_info(e.at_q, 2);
         },
         {{2, 4}}},
        {"first_also_holds_a_macro_vertex",
         [](BackgroundOnGrid& b, const Entities& e) {
             along_the_row(b, e);
             b.builder.add_macro_vertex_info(e.at_p, 1);
         },
         {{4, 2}}},
        {"both_hold_macro_vertices",
         [](BackgroundOnGrid& b, const Entities& e) {
             b.builder.add_macro_vertex_info(e.at_p, 1);
             b.builder.add_macro_vertex_info(e.at_q, 2);
         },
         {{3, 3}}},
        {"both_hold_macro_vertices_on_a_macro_edge",
         [](BackgroundOnGrid& b, const Entities& e) {
             along_the_row(b, e);
             b.builder.add_macro_vertex_info(e.at_p, 1);
             b.builder.add_macro_vertex_info(e.at_q, 2);
         },
         {{3, 3}}},
        {"both_hold_the_same_macro_vertex",
         [](BackgroundOnGrid& b, const Entities& e) {
             b.builder.add_macro_vertex_info(e.at_p, 1);
             b.builder.add_macro_vertex_info(e.at_p, 2);
         },
         {{3, 3}}},
        {"a_second_macro_edge_crosses_at_the_first",
         [](BackgroundOnGrid& b, const Entities& e) {
             along_the_row(b, e);
             b.builder.add_macro_edge_info(e.crossing, b.line_edges(1, 0, 1, 1));
         },
         {{4, 2}}},
        {"a_second_macro_edge_crosses_at_the_second",
         [](BackgroundOnGrid& b, const Entities& e) {
             along_the_row(b, e);
             b.builder.add_macro_edge_info(e.crossing, b.line_edges(2, 0, 2, 1));
         },
         {{2, 4}}},
        // Both vertices lie on the macro edge but the edge between them does not carry
        // it: collapsing it would cut across the input edge.
        {"both_on_a_macro_edge_the_edge_does_not_carry",
         [](BackgroundOnGrid& b, const Entities& e) {
             b.builder.add_macro_edge_info_on_vertex(e.along, 1);
             b.builder.add_macro_edge_info_on_vertex(e.along, 2);
         },
         {{4, 4}}},
        {"on_two_different_macro_edges",
         [](BackgroundOnGrid& b, const Entities& e) {
             b.builder.add_macro_edge_info(e.along, b.line_edges(0, 0, 1, 0));
             b.builder.add_macro_edge_info(e.crossing, b.line_edges(2, 0, 3, 0));
         },
         {{4, 4}}},
        // A macro vertex cannot move onto a vertex without it, whatever the edges.
        {"macro_vertex_against_a_macro_edge",
         [](BackgroundOnGrid& b, const Entities& e) {
             b.builder.add_macro_vertex_info(e.at_p, 1);
             b.builder.add_macro_edge_info(e.along, b.line_edges(2, 0, 3, 0));
         },
         {{4, 4}}},
        // The macro edge stops at q, which also lies on a second one: q cannot go (the
        // second one does not pass through p); p's only macro edge runs along the edge
        // and through q, so p may go.
        {"macro_edge_ends_at_a_crossing",
         [](BackgroundOnGrid& b, const Entities& e) {
             b.builder.add_macro_edge_info(e.along, b.line_edges(0, 0, 2, 0));
             b.builder.add_macro_edge_info(e.crossing, b.line_edges(2, 0, 2, 1));
         },
         {{2, 4}}},
    };
}

class EdgeConfigurationTest : public ::testing::TestWithParam<ConfigurationCase> {};

TEST_P(EdgeConfigurationTest, CodesFollowTheMacroInformationOfBothVertices) {
    BackgroundOnGrid b{3, 1};
    const Entities entities;
    GetParam().setup(b, entities);
    const index_t edge = b.edge(1, 0, 2, 0);
    ASSERT_EQ(b.surface().edges().edge_vertices(edge), (std::array<index_t, 2>{{1, 2}}));

    const auto config = b.background.edge_configuration(edge, b.background);

    EXPECT_EQ(config.edge, edge);
    EXPECT_EQ(config.vertex_configurations, GetParam().codes);
}

INSTANTIATE_TEST_SUITE_P(Cases, EdgeConfigurationTest,
                         ::testing::ValuesIn(configuration_cases()),
                         [](const auto& info) { return info.param.name; });

// The query reads the lists and nothing else: asking changes no macro list.
TEST(EdgeConfiguration, IsReadOnly) {
    BackgroundOnGrid b{3, 1};
    const Entities entities;
    along_the_row(b, entities);
    b.builder.add_macro_vertex_info(entities.at_q, 2);
    const auto before = test::macro_snapshot(b.background);
    for (index_t e = 0; e < b.surface().edges().nb_edges(); ++e) {
        b.background.edge_configuration(e, b.background);
    }
    EXPECT_TRUE(test::macro_snapshot(b.background) == before);
}

}  // namespace
}  // namespace orvane::internal
