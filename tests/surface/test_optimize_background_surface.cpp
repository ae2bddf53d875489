// Decimation, optimisation and shift optimisation of randomised backgrounds seeded with
// macro vertices, straight macro edge chains, macro elements and slivers: after every
// step the mesh is valid, no input entity is lost, no vertex carrying macro information
// has moved, and the optimisers never lower the worst quality. Then the drivers' edge
// cases: the triangle range, and swaps and collapses the macro information refuses.

#include <orvane/surface/orchestrator/background_surface_optimizer.hpp>

#include <string>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/logger.hpp>
#include <orvane/surface/common/surface_exception.hpp>
#include <orvane/surface/orchestrator/background_surface_decimator.hpp>

#include "support/grid_surface.hpp"
#include "support/input_entities.hpp"
#include "support/jittered_background.hpp"

namespace orvane::internal {
namespace {

using test::JitteredBackground;
using test::JitteredBackgroundOptions;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Collects the log lines while it lives, at trace level.
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
    std::vector<std::string> matching(std::string_view start) const {
        std::vector<std::string> result;
        for (const auto& line : lines) {
            if (line.find(start) != std::string::npos)
                result.push_back(line);
        }
        return result;
    }
    std::vector<std::string> lines;

private:
    Logger::LEVEL level_;
    Logger::Sink previous_;
};

void expect_nothing_lost(JitteredBackground& b, test::InputEntities& table,
                         const std::vector<std::pair<index_t, Point<2>>>& carrying,
                         const std::string& step) {
    table.follow(b.modifier());
    EXPECT_THAT(test::check_input_entities(b.background(), b.modifier(), table),
                IsEmpty())
        << step;
    // A carrying vertex either is where it was, or was merged into another carrying
    // vertex (along a macro edge), which is where that one was.
    absl::flat_hash_map<index_t, Point<2>> recorded(carrying.begin(), carrying.end());
    for (const auto& [v, point] : carrying) {
        const auto now = b.modifier().updated_vertex(v);
        ASSERT_TRUE(now.has_value()) << step << ": vertex " << v << " gone";
        const auto found = recorded.find(*now);
        ASSERT_NE(found, recorded.end())
            << step << ": vertex " << v << " merged into " << *now;
        EXPECT_TRUE(b.surface().point(*now).inexact_equal(found->second))
            << step << ": vertex " << *now << " moved to "
            << b.surface().point(*now).string();
    }
}

class RandomBackgrounds : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomBackgrounds, DecimateOptimizeShiftLoseNothingAndMoveNoMacroVertex) {
    JitteredBackgroundOptions options;
    options.seed = GetParam();
    JitteredBackground b{options};
    auto table = test::record_input_entities(b.background(), b.modifier());
    ASSERT_FALSE(table.vertices.empty());
    ASSERT_EQ(table.edges.size(), 6u);
    ASSERT_EQ(table.elements.size(), 2u);
    const auto carrying = b.carrying_vertices();
    ASSERT_THAT(test::check_input_entities(b.background(), b.modifier(), table),
                IsEmpty());

    const double worst_input = b.worst_quality();
    const index_t vertices_before = b.nb_used_vertices();
    decimate_background_surface(b.constrained(),
                                BackgroundSurfaceAllNonMacroVertex{b.background()});
    expect_nothing_lost(b, table, carrying, "decimation");
    EXPECT_LT(b.nb_used_vertices(), vertices_before);
    EXPECT_GE(b.worst_quality(),
              std::min(worst_input, TriangulatedSurfaceDecimator<2>::quality_floor()));

    const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    const double worst_decimated = b.worst_quality();
    optimize_background_surface_elements(b.constrained(), simulator, 0);
    expect_nothing_lost(b, table, carrying, "optimisation");
    const double worst_optimized = b.worst_quality();
    EXPECT_GE(worst_optimized, worst_decimated);

    shift_optimize_background_surface_elements(b.constrained(), simulator, 0);
    expect_nothing_lost(b, table, carrying, "shift optimisation");
    EXPECT_GE(b.worst_quality(), worst_optimized);
}

TEST_P(RandomBackgrounds, OptimisationRepairsSliversAwayFromInputEntities) {
    JitteredBackgroundOptions options;
    options.seed = GetParam();
    options.macro_information = false;
    JitteredBackground b{options};
    const double before = b.worst_quality();
    ASSERT_LT(before, 0.01);
    const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    optimize_background_surface_elements(b.constrained(), simulator, 0);
    auto table = test::record_input_entities(b.background(), b.modifier());
    EXPECT_THAT(test::check_input_entities(b.background(), b.modifier(), table),
                IsEmpty());
    EXPECT_GT(b.worst_quality(), 0.1);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomBackgrounds, ::testing::Values(1u, 2u, 3u, 4u));

TEST(OptimizeBackgroundSurfaceElements, FirstPolygonAtTheEndQueuesNothing) {
    JitteredBackgroundOptions options;
    options.n = 4;
    options.macro_information = false;
    JitteredBackground b{options};
    const index_t nb = b.surface().nb_polygons();
    const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    LogCapture log;
    optimize_background_surface_elements(b.constrained(), simulator, nb);
    shift_optimize_background_surface_elements(b.constrained(), simulator, nb);
    const auto lines = log.matching("[Orchestrator] Nb elements:");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_THAT(lines[0], HasSubstr("Nb elements:0, Queue size: 0 in "));
    EXPECT_THAT(lines[1], HasSubstr("Nb elements:0, Queue size: 0 in "));
    EXPECT_EQ(b.modifier().nb_inactive_triangles(), 0u);
}

TEST(OptimizeBackgroundSurfaceElements, FirstPolygonBeyondTheEndIsRefused) {
    JitteredBackgroundOptions options;
    options.n = 4;
    options.macro_information = false;
    JitteredBackground b{options};
    const index_t nb = b.surface().nb_polygons();
    const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    for (const bool shift : {false, true}) {
        try {
            if (shift)
                shift_optimize_background_surface_elements(b.constrained(), simulator,
                                                           nb + 1);
            else
                optimize_background_surface_elements(b.constrained(), simulator, nb + 1);
            ADD_FAILURE() << "no exception";
        } catch (const OrvaneBackgroundSurfaceException& e) {
            EXPECT_THAT(std::string{e.what()},
                        HasSubstr(shift ? "[shift_optimize_background_surface_elements] "
                                        : "[optimize_background_surface_elements] "));
        }
    }
    EXPECT_EQ(b.modifier().nb_inactive_triangles(), 0u);
}

TEST(OptimizeBackgroundSurfaceElements, PlainAndShiftQueueTheSameTriangles) {
    std::vector<std::string> queued;
    for (const bool shift : {false, true}) {
        JitteredBackgroundOptions options;
        options.n = 8;
        options.macro_information = false;
        JitteredBackground b{options};
        const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
        LogCapture log;
        if (shift)
            shift_optimize_background_surface_elements(b.constrained(), simulator, 5);
        else
            optimize_background_surface_elements(b.constrained(), simulator, 5);
        const auto lines = log.matching("[Orchestrator] Nb elements:");
        ASSERT_EQ(lines.size(), 1u);
        queued.push_back(lines[0].substr(0, lines[0].find(" in ")));
    }
    EXPECT_EQ(queued[0], queued[1]);
    EXPECT_THAT(queued[0], HasSubstr(absl::StrCat("Nb elements:", 2 * 8 * 8 - 5, ",")));
}

// a = 0, b = 1 on the border, c = 2 just above the middle of (a, b), d = 3 below: the
// sliver (a, b, c) is cured by swapping (a, b), which no other operation can do under
// the fixed border.
struct FlatQuad {
    FlatQuad() {
        auto made = TriangulatedSurface<2>::create();
        TriangulatedSurfaceBuilder<2> builder{*made};
        builder.create_points(std::vector<Point<2>>{
            Point<2>{{0, 0}}, Point<2>{{2, 0}}, Point<2>{{1, 1e-3}}, Point<2>{{1, -1}}});
        builder.create_triangles(
            std::vector<std::array<index_t, 3>>{{0, 1, 2}, {1, 0, 3}});
        builder.compute_polygon_adjacencies();
        surface = std::move(made);
    }
    std::unique_ptr<TriangulatedSurface<2>> surface;
};

TEST(OptimizeBackgroundSurfaceElements, SwapNeedsTheMacroInformationToo) {
    for (const bool macro_edge : {false, true}) {
        for (const bool shift : {false, true}) {
            FlatQuad quad;
            BackgroundSurface background{*quad.surface};
            BackgroundSurfaceBuilder builder{background};
            TriangulatedSurfaceBuilder<2> surface_builder{*quad.surface};
            BackgroundSurfaceModifier modifier{background, builder, surface_builder};
            BackgroundSurfaceConstraintModifier constrained{
                ModifiableObject<BackgroundSurface>{background, modifier}, builder,
                ConstraintModifier::CommonConstraints{
                    ConstraintModifier::BORDER_CONSTRAINT::fixed}};
            if (macro_edge) {
                const index_t edge =
                    quad.surface->edges().edge_from_vertices({0, 1}).value();
                builder.add_macro_edge_info(MeshEdge{uuid{}, 0},
                                            std::vector<index_t>{edge});
            }
            const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
            if (shift)
                shift_optimize_background_surface_elements(constrained, simulator, 0);
            else
                optimize_background_surface_elements(constrained, simulator, 0);
            const bool swapped = !modifier.is_triangle_active(0);
            EXPECT_EQ(swapped, !macro_edge)
                << "macro edge " << macro_edge << " shift " << shift;
            EXPECT_EQ(quad.surface->edges().edge_from_vertices({2, 3}).has_value(),
                      swapped);
        }
    }
}

// A fan of six border vertices around v = 6, v just inside the border edge (0, 1): the
// sliver (0, 1, v) is the worst triangle. The fan is far from convex, so no collapse of
// v and no swap raises the worst quality (the border is fixed); moving v towards its
// neighbours does.
struct SliverFan {
    SliverFan() {
        auto made = TriangulatedSurface<2>::create();
        TriangulatedSurfaceBuilder<2> builder{*made};
        builder.create_points(
            std::vector<Point<2>>{Point<2>{{-0.05, 0.55}}, Point<2>{{-1.3, 0.05}},
                                  Point<2>{{-0.15, -0.4}}, Point<2>{{0.65, -0.85}},
                                  Point<2>{{0.3, -0.15}}, Point<2>{{1.3, -0.2}}, start});
        std::vector<std::array<index_t, 3>> triangles;
        for (index_t k = 0; k < v; ++k)
            triangles.push_back({k, (k + 1) % v, v});
        builder.create_triangles(triangles);
        builder.compute_polygon_adjacencies();
        surface = std::move(made);
    }
    double worst_quality(const BackgroundSurfaceModifier& modifier) const {
        double worst = 1;
        for (index_t t = 0; t < surface->nb_polygons(); ++t) {
            if (modifier.is_triangle_active(t))
                worst = std::min(worst, triangle_quality(surface->triangle(t)));
        }
        return worst;
    }
    static constexpr index_t v = 6;
    const Point<2> start{{-0.77008, 0.260891}};
    std::unique_ptr<TriangulatedSurface<2>> surface;
};

TEST(OptimizeBackgroundSurfaceElements, OnlyShiftingCuresAndNeverMovesMacroVertices) {
    struct Case {
        const char* name;
        bool shift;
        bool macro_vertex;
        bool cured;
    };
    for (const Case& c :
         {Case{"plain", false, false, false}, Case{"shift", true, false, true},
          Case{"shift, macro vertex", true, true, false}}) {
        SliverFan fan;
        BackgroundSurface background{*fan.surface};
        BackgroundSurfaceBuilder builder{background};
        TriangulatedSurfaceBuilder<2> surface_builder{*fan.surface};
        BackgroundSurfaceModifier modifier{background, builder, surface_builder};
        BackgroundSurfaceConstraintModifier constrained{
            ModifiableObject<BackgroundSurface>{background, modifier}, builder,
            ConstraintModifier::CommonConstraints{
                ConstraintModifier::BORDER_CONSTRAINT::fixed}};
        if (c.macro_vertex)
            builder.add_macro_vertex_info(MeshVertex{uuid{}, 0}, SliverFan::v);
        auto table = test::record_input_entities(background, modifier);
        const double before = fan.worst_quality(modifier);
        ASSERT_LT(before, 0.01);
        const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
        if (c.shift)
            shift_optimize_background_surface_elements(constrained, simulator, 0);
        else
            optimize_background_surface_elements(constrained, simulator, 0);
        table.follow(modifier);
        EXPECT_THAT(test::check_input_entities(background, modifier, table), IsEmpty())
            << c.name;
        const bool moved = !fan.surface->point(SliverFan::v).inexact_equal(fan.start);
        EXPECT_EQ(moved, c.cured) << c.name;
        if (c.cured)
            EXPECT_GT(fan.worst_quality(modifier), 0.1) << c.name;
        else
            EXPECT_EQ(fan.worst_quality(modifier), before) << c.name;
    }
}

// A free interior vertex v of a 4 x 4 grid close to the edge between two neighbours,
// every other interior vertex immutable: only collapses of v can cure it.
TEST(OptimizeBackgroundSurfaceElements, CollapseNeedsConstraintsAndMacroInformation) {
    struct Case {
        const char* name;
        bool macro_vertex;
        bool immutable;
        bool collapsed;
    };
    for (const Case& c :
         {Case{"free", false, false, true}, Case{"macro vertex", true, false, false},
          Case{"immutable", false, true, false}}) {
        test::Grid grid{4, 4};
        BackgroundSurface background{grid.surface()};
        BackgroundSurfaceBuilder builder{background};
        TriangulatedSurfaceBuilder<2> surface_builder{grid.surface()};
        BackgroundSurfaceModifier modifier{background, builder, surface_builder};
        BackgroundSurfaceConstraintModifier constrained{
            ModifiableObject<BackgroundSurface>{background, modifier}, builder,
            ConstraintModifier::CommonConstraints{
                ConstraintModifier::BORDER_CONSTRAINT::fixed}};
        const index_t v = grid.vertex(2, 2);
        for (index_t j = 1; j < 4; ++j) {
            for (index_t i = 1; i < 4; ++i) {
                if (grid.vertex(i, j) != v || c.immutable)
                    constrained.constraints().immuable_vertices.add(grid.vertex(i, j));
            }
        }
        if (c.macro_vertex)
            builder.add_macro_vertex_info(MeshVertex{uuid{}, 0}, v);
        // Almost on the segment between its neighbours (3, 2) and (3, 3).
        modifier.move_point(v, Point<2>{{3 - 1e-4, 2.5}});
        const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
        optimize_background_surface_elements(constrained, simulator, 0);
        EXPECT_EQ(grid.surface().is_vertex_isolated(v), c.collapsed) << c.name;
        if (!c.collapsed) {
            EXPECT_TRUE(grid.surface().point(v).inexact_equal(Point<2>{{3 - 1e-4, 2.5}}))
                << c.name;
        }
    }
}

}  // namespace
}  // namespace orvane::internal
