// The toolkit's improvement simulators, optimisers and decimator on plain surfaces under
// common constraints: every run leaves a valid mesh, never lowers the worst quality,
// keeps immutable and border vertices where they are, and asks the overridable
// predicates before it swaps or collapses.

#include <orvane/toolkit/orchestrator/surface/triangulated_surface_decimator.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_improvement_simulator.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_optimizer.hpp>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/mesh/surface_consistency.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_constraint_modifier.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

#include "support/jittered_grid.hpp"

namespace orvane {
namespace {

using ::testing::IsEmpty;
using Border = ConstraintModifier::BORDER_CONSTRAINT;

struct Constrained {
    explicit Constrained(std::unique_ptr<TriangulatedSurface<2>> surface_in,
                         Border border = Border::fixed)
        : surface(std::move(surface_in)),
          builder(*surface),
          modifier(*surface, builder),
          constrained(ModifiableObject<TriangulatedSurface<2>>{modifier},
                      ConstraintModifier::CommonConstraints{border}) {}

    std::vector<std::string> problems() const {
        SurfaceConsistencyOptions options;
        options.is_polygon_active = [this](index_t t) {
            return modifier.is_triangle_active(t);
        };
        return check_surface_consistency(*surface, options);
    }
    double worst_quality() const {
        double worst = 1;
        for (index_t t = 0; t < surface->nb_polygons(); ++t) {
            if (modifier.is_triangle_active(t))
                worst = std::min(worst, triangle_quality(surface->triangle(t)));
        }
        return worst;
    }
    index_t nb_active_triangles() const {
        return surface->nb_polygons() - modifier.nb_inactive_triangles();
    }
    index_t nb_used_vertices() const {
        index_t count = 0;
        for (index_t v = 0; v < surface->nb_vertices(); ++v) {
            if (!surface->is_vertex_isolated(v))
                ++count;
        }
        return count;
    }
    std::vector<unsigned int> all_triangles() const {
        std::vector<unsigned int> all(surface->nb_polygons());
        for (unsigned int t = 0; t < all.size(); ++t)
            all[t] = t;
        return all;
    }

    std::unique_ptr<TriangulatedSurface<2>> surface;
    TriangulatedSurfaceBuilder<2> builder;
    TriangulatedSurfaceModifier<2> modifier;
    TriangulatedSurfaceConstraintModifier<2> constrained;
};

bool same_point(const Point<2>& a, const Point<2>& b) {
    return a.inexact_equal(b);
}

std::unique_ptr<TriangulatedSurface<2>> make_surface(
    const std::vector<Point<2>>& points,
    const std::vector<std::array<index_t, 3>>& triangles) {
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*surface};
    builder.create_points(points);
    builder.create_triangles(triangles);
    builder.compute_polygon_adjacencies();
    return surface;
}

// A jittered grid where every fourth interior vertex (not on a neighbour's ring) is
// pushed almost onto an edge of its ring, so that slivers within 1e-3 of flat exist.
std::unique_ptr<TriangulatedSurface<2>> make_rough_grid(index_t n, unsigned seed) {
    test::JitteredGridOptions options;
    options.seed = seed;
    options.amplitude = 0.22;
    return test::make_jittered_grid(n, n, options);
}

void add_slivers(Constrained& c, index_t n, unsigned seed) {
    std::mt19937 rng{seed};
    for (index_t j = 2; j + 2 < n; j += 3) {
        for (index_t i = 2; i + 2 < n; i += 3) {
            const index_t v = j * (n + 1) + i;
            const auto neighbours = c.surface->vertices_around_vertex(v);
            const auto& a = c.surface->point(neighbours[rng() % neighbours.size()]);
            const auto& b = c.surface->point(neighbours[rng() % neighbours.size()]);
            // Almost at the midpoint of two neighbours: flat triangles or short edges.
            const Point<2> target =
                (a + b) / 2. + (c.surface->point(v) - (a + b) / 2.) * 1e-3;
            try {
                c.modifier.move_point(v, target);
            } catch (const std::exception&) {
                // Would invert a triangle: leave this one.
            }
        }
    }
}

TEST(ImprovementSimulator, QualityIsOneForEquilateralAndZeroWhenFlatOrInverted) {
    const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    const Triangle<2> equilateral{Point<2>{{0, 0}}, Point<2>{{1, 0}},
                                  Point<2>{{0.5, std::sqrt(3.) / 2}}};
    EXPECT_NEAR(simulator.metric(equilateral), 1., 1e-12);
    const Triangle<2> right{Point<2>{{0, 0}}, Point<2>{{1, 0}}, Point<2>{{0, 1}}};
    EXPECT_NEAR(simulator.metric(right), 45. / 60., 1e-12);
    EXPECT_NEAR(triangle_quality(right), std::sqrt(3.) / 2, 1e-12);
    EXPECT_NEAR(triangle_quality(equilateral), 1., 1e-12);
    const Triangle<2> flat{Point<2>{{0, 0}}, Point<2>{{1, 0}}, Point<2>{{2, 0}}};
    EXPECT_EQ(simulator.metric(flat), 0.);
    EXPECT_EQ(triangle_quality(flat), 0.);
    const Triangle<2> inverted{Point<2>{{0, 0}}, Point<2>{{0, 1}}, Point<2>{{1, 0}}};
    EXPECT_EQ(simulator.metric(inverted), 0.);
    EXPECT_LT(simulator.metric(right), 1.);
}

TEST(ImprovementSimulator, StoresDistancesAndMovesThemOut) {
    Constrained c{make_surface({Point<2>{{0, 0}}, Point<2>{{2, 0}}, Point<2>{{1, 1e-7}}},
                               {{0, 1, 2}})};
    TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    EXPECT_TRUE(simulator.internal_distances().empty());
    ASSERT_TRUE(simulator.require_improvement(*c.surface, 0));
    ASSERT_EQ(simulator.internal_distances().size(), 1u);
    EXPECT_EQ(simulator.internal_distances().front().status,
              InternalDistance::ELEMENT_STATUS::edge_vertex);
    const auto copy = simulator;
    EXPECT_EQ(copy.internal_distances().size(), 1u);
    TriangulatedSurfaceOptimizerImprovementSimulator<2> target;
    target = std::move(simulator);
    EXPECT_EQ(target.internal_distances().size(), 1u);
    EXPECT_TRUE(simulator.internal_distances().empty());  // NOLINT: moved-from is empty
}

TEST(ImprovementSimulator, BetterMeansAStrictlyBetterWorst) {
    const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    TriangulatedSurfaceImprovementSimulator<2>::TrianglesMetrics metrics;
    metrics.before = {0.2, 0.9};
    metrics.after = {0.3, 0.25};
    EXPECT_TRUE(simulator.is_better_after_simulation(metrics));
    metrics.after = {0.2, 0.95};
    EXPECT_FALSE(simulator.is_better_after_simulation(metrics));
    metrics.after = {0.1, 1.};
    EXPECT_FALSE(simulator.is_better_after_simulation(metrics));
}

class OptimizerOnRoughGrids : public ::testing::TestWithParam<unsigned> {};

TEST_P(OptimizerOnRoughGrids, ValidBetterAndBorderAndImmutableVerticesStay) {
    constexpr index_t n = 14;
    for (const bool shift : {false, true}) {
        Constrained c{make_rough_grid(n, GetParam())};
        add_slivers(c, n, GetParam());
        ASSERT_THAT(c.problems(), IsEmpty());
        const index_t immutable = 5 * (n + 1) + 6;
        c.constrained.constraints().immuable_vertices.add(immutable);
        std::vector<Point<2>> fixed_points;
        std::vector<index_t> fixed;
        for (index_t v = 0; v < c.surface->nb_vertices(); ++v) {
            if (c.surface->is_vertex_on_border(v) || v == immutable) {
                fixed.push_back(v);
                fixed_points.push_back(c.surface->point(v));
            }
        }
        const double worst_before = c.worst_quality();
        const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
        if (shift) {
            TriangulatedSurfaceShiftOptimizer<2> optimizer{c.constrained, simulator};
            optimizer.apply(c.all_triangles());
        } else {
            TriangulatedSurfaceOptimizer<2> optimizer{c.constrained, simulator};
            optimizer.apply(c.all_triangles());
        }
        EXPECT_THAT(c.problems(), IsEmpty());
        EXPECT_GT(c.worst_quality(), worst_before) << "shift " << shift;
        EXPECT_GT(c.worst_quality(), 0.2) << "shift " << shift;
        for (std::size_t k = 0; k < fixed.size(); ++k) {
            const auto now = c.modifier.updated_vertex(fixed[k]);
            ASSERT_TRUE(now.has_value()) << fixed[k];
            EXPECT_FALSE(c.surface->is_vertex_isolated(*now));
            EXPECT_TRUE(same_point(c.surface->point(*now), fixed_points[k]));
        }
        for (index_t t = 0; t < c.surface->nb_polygons(); ++t) {
            if (c.modifier.is_triangle_active(t)) {
                EXPECT_EQ(triangle_status(c.surface->triangle(t)),
                          InternalDistance::ELEMENT_STATUS::good);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, OptimizerOnRoughGrids, ::testing::Values(1u, 2u, 3u));

// Refuses everything and counts the questions.
template <typename Base>
class RefusingOptimizer : public Base {
public:
    using Base::Base;
    mutable int nb_swap_questions{0};
    mutable int nb_collapse_questions{0};

protected:
    bool is_swap_edge_allowed(const PolygonEdge&) const override {
        ++nb_swap_questions;
        return false;
    }
    ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge(
        const PolygonEdge&) const override {
        ++nb_collapse_questions;
        return ALLOWED_COLLAPSE_VERTEX_VERTEX::none;
    }
};

// Quad (0, 0) (2, 0) (2, 1) (0, 1) cut along (0, 0)-(2, 1), with a flat sliver inside:
// a vertex at (1, 0.5 + 1e-4) splits the diagonal's upper triangle.
TEST(Optimizer, OverridesAreAskedAndTheirRefusalIsFinal) {
    const auto build = [] {
        return make_surface({Point<2>{{0, 0}}, Point<2>{{2, 0}}, Point<2>{{2, 1}},
                             Point<2>{{0, 1}}, Point<2>{{1, 0.5 + 1e-4}}},
                            {{0, 1, 2}, {0, 2, 4}, {2, 3, 4}, {3, 0, 4}});
    };
    const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    {
        Constrained c{build(), Border::none};
        RefusingOptimizer<TriangulatedSurfaceOptimizer<2>> optimizer{c.constrained,
                                                                     simulator};
        optimizer.apply(c.all_triangles());
        EXPECT_GT(optimizer.nb_swap_questions, 0);
        EXPECT_GT(optimizer.nb_collapse_questions, 0);
        EXPECT_EQ(c.modifier.nb_inactive_triangles(), 0u);
        EXPECT_TRUE(same_point(c.surface->point(4), Point<2>{{1, 0.5 + 1e-4}}));
    }
    {
        // The shift optimiser would move vertex 4, but not with collapses refused.
        Constrained c{build(), Border::none};
        RefusingOptimizer<TriangulatedSurfaceShiftOptimizer<2>> optimizer{c.constrained,
                                                                          simulator};
        optimizer.apply(c.all_triangles());
        EXPECT_EQ(c.modifier.nb_inactive_triangles(), 0u);
        EXPECT_TRUE(same_point(c.surface->point(4), Point<2>{{1, 0.5 + 1e-4}}));
    }
    {
        // Without the refusal the sliver goes.
        Constrained c{build(), Border::none};
        const double before = c.worst_quality();
        TriangulatedSurfaceOptimizer<2> optimizer{c.constrained, simulator};
        optimizer.apply(c.all_triangles());
        EXPECT_THAT(c.problems(), IsEmpty());
        EXPECT_GT(c.worst_quality(), before);
    }
}

// A vertex almost on the border edge of its ring: an immutable one stays where it is
// (neither shifted nor collapsed), a free one is dealt with.
TEST(ShiftOptimizer, LeavesAnImmutableVertexWhereItIs) {
    const auto build = [] {
        std::vector<Point<2>> points;
        for (int k = 0; k < 6; ++k) {
            const double angle = k * 3.14159265358979323846 / 3;
            points.push_back(Point<2>{{std::cos(angle), std::sin(angle)}});
        }
        points.push_back((points[0] + points[1]) / 2. * 0.999);
        return make_surface(
            points, {{0, 1, 6}, {1, 2, 6}, {2, 3, 6}, {3, 4, 6}, {4, 5, 6}, {5, 0, 6}});
    };
    const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    for (const bool immutable : {false, true}) {
        Constrained c{build(), Border::fixed};
        if (immutable)
            c.constrained.constraints().immuable_vertices.add(6);
        const Point<2> start = c.surface->point(6);
        const double before = c.worst_quality();
        TriangulatedSurfaceShiftOptimizer<2> optimizer{c.constrained, simulator};
        optimizer.apply(c.all_triangles());
        EXPECT_THAT(c.problems(), IsEmpty());
        if (immutable) {
            EXPECT_FALSE(c.surface->is_vertex_isolated(6));
            EXPECT_TRUE(same_point(c.surface->point(6), start));
        } else {
            EXPECT_GT(c.worst_quality(), std::max(before, 0.5));
        }
    }
}

// A fold (vertex 0 with two triangles sharing both its edges) is removed.
TEST(Optimizer, RemovesADoubleAdjacency) {
    auto surface = TriangulatedSurface<2>::create();
    {
        TriangulatedSurfaceBuilder<2> builder{*surface};
        builder.create_points(std::vector<Point<2>>{Point<2>{{1, 0}}, Point<2>{{0, 0}},
                                                    Point<2>{{2, 0}}, Point<2>{{1, -1}},
                                                    Point<2>{{1, 1}}});
        builder.create_triangles(std::vector<std::array<index_t, 3>>{
            {0, 1, 2}, {0, 2, 1}, {2, 1, 3}, {1, 2, 4}});
        builder.compute_polygon_adjacencies();
        builder.set_polygon_adjacent(PolygonEdge{0, 1}, 2);
        builder.set_polygon_adjacent(PolygonEdge{2, 0}, 0);
        builder.set_polygon_adjacent(PolygonEdge{1, 1}, 3);
        builder.set_polygon_adjacent(PolygonEdge{3, 0}, 1);
    }
    Constrained c{std::move(surface), Border::fixed};
    const TriangulatedSurfaceOptimizerImprovementSimulator<2> simulator;
    TriangulatedSurfaceOptimizer<2> optimizer{c.constrained, simulator};
    optimizer.apply(c.all_triangles());
    EXPECT_FALSE(c.modifier.is_triangle_active(0));
    EXPECT_FALSE(c.modifier.is_triangle_active(1));
    EXPECT_TRUE(c.surface->is_vertex_isolated(0));
    EXPECT_THAT(c.problems(), IsEmpty());
}

class EveryEdge : public TriangulatedSurfaceDecimatorOperator<2> {
public:
    EveryEdge(const TriangulatedSurface<2>& surface, bool skip_all)
        : TriangulatedSurfaceDecimatorOperator<2>(surface), skip_all_(skip_all) {}
    bool skip_edge(const TriangulatedSurface<2>&, const PolygonEdge&) const override {
        return skip_all_;
    }

private:
    bool skip_all_;
};

std::vector<SurfaceEdge<2>> all_edges(const TriangulatedSurface<2>& surface) {
    std::vector<SurfaceEdge<2>> edges;
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        for (local_index_t e = 0; e < 3; ++e) {
            const auto ends = surface.polygon_edge_vertices({t, e});
            edges.emplace_back(PolygonEdge{t, e}, ends[0], ends[1]);
        }
    }
    return edges;
}

TEST(Decimator, RemovesFreeVerticesKeepsBorderImmutableAndQualityFloor) {
    constexpr index_t n = 16;
    test::JitteredGridOptions options;
    options.seed = 7;
    Constrained c{test::make_jittered_grid(n, n, options), Border::fixed};
    const index_t immutable = 8 * (n + 1) + 8;
    c.constrained.constraints().immuable_vertices.add(immutable);
    std::vector<std::pair<index_t, Point<2>>> fixed;
    for (index_t v = 0; v < c.surface->nb_vertices(); ++v) {
        if (c.surface->is_vertex_on_border(v) || v == immutable)
            fixed.emplace_back(v, c.surface->point(v));
    }
    const double worst_before = c.worst_quality();
    const index_t vertices_before = c.nb_used_vertices();
    const EveryEdge every{*c.surface, false};
    TriangulatedSurfaceDecimator<2> decimator{c.constrained, every};
    decimator.apply(all_edges(*c.surface));
    EXPECT_THAT(c.problems(), IsEmpty());
    EXPECT_LT(c.nb_used_vertices(), vertices_before / 2);
    EXPECT_GE(c.worst_quality(),
              std::min(worst_before, TriangulatedSurfaceDecimator<2>::quality_floor()));
    for (const auto& [v, point] : fixed) {
        const auto now = c.modifier.updated_vertex(v);
        ASSERT_TRUE(now.has_value());
        EXPECT_FALSE(c.surface->is_vertex_isolated(*now));
        EXPECT_TRUE(same_point(c.surface->point(*now), point));
    }
    // Kept vertices stay where they are: every used vertex is at one of the input points.
    for (index_t v = 0; v < c.surface->nb_vertices(); ++v) {
        if (c.surface->is_vertex_isolated(v))
            continue;
        EXPECT_LT(v, (n + 1) * (n + 1));
    }
}

TEST(Decimator, OperatorSkippingEverythingChangesNothing) {
    Constrained c{test::make_jittered_grid(6, 6), Border::none};
    const EveryEdge none{*c.surface, true};
    TriangulatedSurfaceDecimator<2> decimator{c.constrained, none};
    decimator.apply(all_edges(*c.surface));
    EXPECT_EQ(c.modifier.nb_inactive_triangles(), 0u);
}

// Asked before every collapse: a refusing override stops the whole decimation.
TEST(Decimator, RefusedCollapsesAreNotDone) {
    class Refusing : public TriangulatedSurfaceDecimator<2> {
    public:
        using TriangulatedSurfaceDecimator<2>::TriangulatedSurfaceDecimator;
        mutable int nb_questions{0};

    protected:
        ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge(
            const PolygonEdge&) const override {
            ++nb_questions;
            return ALLOWED_COLLAPSE_VERTEX_VERTEX::none;
        }
    };
    Constrained c{test::make_jittered_grid(6, 6), Border::none};
    const EveryEdge every{*c.surface, false};
    Refusing decimator{c.constrained, every};
    decimator.apply(all_edges(*c.surface));
    EXPECT_GT(decimator.nb_questions, 0);
    EXPECT_EQ(c.modifier.nb_inactive_triangles(), 0u);
}

}  // namespace
}  // namespace orvane
