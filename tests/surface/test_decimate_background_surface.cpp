// Decimation of a background: the element list and its trace line, the operator's skip
// rule, and collapses that need both the constraints and the macro information.

#include <orvane/surface/orchestrator/background_surface_decimator.hpp>

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>
#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>

#include "support/grid_surface.hpp"
#include "support/input_entities.hpp"

namespace orvane::internal {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class LogCapture {
public:
    LogCapture() : level_(Logger::level()) {
        Logger::set_level(Logger::LEVEL::trace);
        previous_ = Logger::set_sink(
            [this](Logger::LEVEL, std::string_view line) { lines.emplace_back(line); });
    }
    ~LogCapture() {
        Logger::set_sink(previous_);
        Logger::set_level(level_);
    }
    std::vector<std::string> lines;

private:
    Logger::LEVEL level_;
    Logger::Sink previous_;
};

// Everything needed to decimate a background over a caller's surface.
struct Decimation {
    explicit Decimation(TriangulatedSurface<2>& surface_in)
        : surface(surface_in),
          background(surface),
          builder(background),
          surface_builder(surface),
          modifier(background, builder, surface_builder),
          constrained(ModifiableObject<BackgroundSurface>{background, modifier}, builder,
                      ConstraintModifier::CommonConstraints{
                          ConstraintModifier::BORDER_CONSTRAINT::fixed}) {}

    void run() {
        decimate_background_surface(constrained,
                                    BackgroundSurfaceAllNonMacroVertex{background});
    }

    TriangulatedSurface<2>& surface;
    BackgroundSurface background;
    BackgroundSurfaceBuilder builder;
    TriangulatedSurfaceBuilder<2> surface_builder;
    BackgroundSurfaceModifier modifier;
    BackgroundSurfaceConstraintModifier constrained;
};

TEST(DecimateBackgroundSurface, EmptyBackgroundQueuesNothingAndSaysDone) {
    auto surface = TriangulatedSurface<2>::create();
    Decimation d{*surface};
    LogCapture log;
    d.run();
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_THAT(log.lines[0],
                HasSubstr("[Orchestrator] Nb elements:0, Queue size: 0 in "));
    EXPECT_EQ(log.lines[1], "surface decimator: decimation done");
}

TEST(DecimateBackgroundSurface, EveryVertexAMacroVertexLeavesTheSurfaceAlone) {
    test::Grid grid{4, 4};
    Decimation d{grid.surface()};
    const uuid points;
    for (index_t v = 0; v < grid.surface().nb_vertices(); ++v)
        d.builder.add_macro_vertex_info(MeshVertex{points, v}, v);
    LogCapture log;
    d.run();
    EXPECT_THAT(log.lines[0],
                HasSubstr(absl::StrCat("Nb elements:", 3 * 32, ", Queue size: 0 in ")));
    EXPECT_EQ(d.modifier.nb_inactive_triangles(), 0u);
}

TEST(DecimateBackgroundSurface, OperatorLooksAtLiveEndsWithoutMacroVertex) {
    test::Grid grid{3, 3};
    Decimation d{grid.surface()};
    const uuid points;
    const index_t macro = grid.vertex(1, 1);
    const index_t other_macro = grid.vertex(2, 1);
    d.builder.add_macro_vertex_info(MeshVertex{points, 0}, macro);
    d.builder.add_macro_vertex_info(MeshVertex{points, 1}, other_macro);
    const BackgroundSurfaceAllNonMacroVertex op{d.background};
    const auto& surface = grid.surface();
    const auto edge = [&](index_t a, index_t b) {
        return surface.polygon_edge_from_vertices(a, b).value();
    };
    EXPECT_TRUE(op.skip_edge(surface, edge(macro, other_macro)));
    EXPECT_FALSE(op.skip_edge(surface, edge(macro, grid.vertex(1, 2))));
    EXPECT_FALSE(op.skip_edge(surface, edge(grid.vertex(1, 2), macro)));
    EXPECT_FALSE(op.skip_edge(surface, edge(grid.vertex(1, 2), grid.vertex(2, 2))));
    // Merge (1, 2) into the macro vertex: the old triangle's edge (macro, (1, 2)) now
    // joins the macro vertex to an isolated vertex.
    const index_t removed = grid.vertex(1, 2);
    const auto polygon_edge = edge(macro, removed);
    d.modifier.collapse_edge(polygon_edge, surface.point(macro));
    ASSERT_TRUE(surface.is_vertex_isolated(removed));
    EXPECT_TRUE(op.skip_edge(surface, polygon_edge));
}

// A free interior vertex v of a 4 x 4 grid, every other interior vertex immutable: v can
// only go by a collapse onto a neighbour.
TEST(DecimateBackgroundSurface, CollapseNeedsConstraintsAndMacroInformation) {
    struct Case {
        const char* name;
        bool macro_vertex;
        bool immutable;
        bool removed;
    };
    for (const Case& c :
         {Case{"free", false, false, true}, Case{"macro vertex", true, false, false},
          Case{"immutable", false, true, false}}) {
        test::Grid grid{4, 4};
        Decimation d{grid.surface()};
        const index_t v = grid.vertex(2, 2);
        for (index_t j = 1; j < 4; ++j) {
            for (index_t i = 1; i < 4; ++i) {
                if (grid.vertex(i, j) != v || c.immutable)
                    d.constrained.constraints().immuable_vertices.add(grid.vertex(i, j));
            }
        }
        // A macro vertex on a neighbour lets the operator queue edges of v in every case.
        const uuid points;
        d.builder.add_macro_vertex_info(MeshVertex{points, 0}, grid.vertex(1, 1));
        if (c.macro_vertex)
            d.builder.add_macro_vertex_info(MeshVertex{points, 1}, v);
        const Point<2> start = grid.surface().point(v);
        d.run();
        EXPECT_EQ(grid.surface().is_vertex_isolated(v), c.removed) << c.name;
        for (index_t u = 0; u < grid.surface().nb_vertices(); ++u) {
            if (u != v) {
                EXPECT_FALSE(grid.surface().is_vertex_isolated(u)) << c.name << " " << u;
            }
        }
        if (!c.removed) {
            EXPECT_TRUE(grid.surface().point(v).inexact_equal(start)) << c.name;
        }
        auto table = test::record_input_entities(d.background, d.modifier);
        EXPECT_THAT(test::check_input_entities(d.background, d.modifier, table),
                    IsEmpty());
    }
}

// Along a straight macro edge chain the inner vertices may go, its ends may not.
TEST(DecimateBackgroundSurface, StraightChainKeepsItsEnds) {
    test::Grid grid{8, 3};
    Decimation d{grid.surface()};
    const uuid curves;
    const uuid points;
    std::vector<index_t> chain;
    for (index_t i = 1; i <= 7; ++i)
        chain.push_back(grid.vertex(i, 1));
    d.builder.add_macro_edge_info(MeshEdge{curves, 0},
                                  test::chain_edges(grid.surface(), chain));
    d.builder.add_macro_vertex_info(MeshVertex{points, 0}, chain.front());
    d.builder.add_macro_vertex_info(MeshVertex{points, 1}, chain.back());
    auto table = test::record_input_entities(d.background, d.modifier);
    d.run();
    table.follow(d.modifier);
    EXPECT_THAT(test::check_input_entities(d.background, d.modifier, table), IsEmpty());
    EXPECT_FALSE(grid.surface().is_vertex_isolated(chain.front()));
    EXPECT_FALSE(grid.surface().is_vertex_isolated(chain.back()));
    index_t inner_left = 0;
    for (std::size_t k = 1; k + 1 < chain.size(); ++k) {
        if (!grid.surface().is_vertex_isolated(chain[k]))
            ++inner_left;
    }
    EXPECT_LT(inner_left, chain.size() - 2);
}

}  // namespace
}  // namespace orvane::internal
