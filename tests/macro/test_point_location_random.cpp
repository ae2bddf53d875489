// Point location against a scan of every active triangle, over thousands of points of
// every kind (inside, on edges and vertices, within 1e-7 of edges, just outside, far
// outside, NaN), on convex, non-convex and holed surfaces, before and after random
// modifications that leave the element search stale.

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <orvane/kernel/geometry/vector.hpp>
#include <orvane/kernel/mesh/surface_consistency.hpp>
#include <orvane/macro/common/element_search.hpp>
#include <orvane/macro/common/point_location.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

#include "support/point_location_support.hpp"

namespace orvane {
namespace {

constexpr index_t N = 24;

struct Scenario {
    std::string name;
    std::function<bool(index_t, index_t)> keep;
    bool jitter;
};

void PrintTo(const Scenario& scenario, std::ostream* os) {
    *os << scenario.name;
}

// Cells of a comb: a solid band at the bottom and teeth two cells wide, two apart.
bool comb(index_t i, index_t j) {
    return j < 4 || i % 4 < 2;
}
// Square holes of 2 by 2 cells, and one of 5 by 5.
bool holes(index_t i, index_t j) {
    if (i >= 12 && i < 17 && j >= 12 && j < 17) {
        return false;
    }
    return !(i % 6 >= 2 && i % 6 < 4 && j % 6 >= 2 && j % 6 < 4);
}

std::vector<Scenario> scenarios() {
    return {{"convex_jittered", [](index_t, index_t) { return true; }, true},
            {"comb", comb, true},
            {"holes", holes, true},
            {"holes_regular", holes, false}};
}

class Fixture {
public:
    explicit Fixture(const Scenario& scenario, unsigned seed) : rng(seed) {
        surface = test::make_cells_surface(N, N, scenario.keep);
        if (scenario.jitter) {
            test::jitter_interior(*surface, 0.2, rng);
        }
        builder = std::make_unique<TriangulatedSurfaceBuilder<2>>(*surface);
        modifier = std::make_unique<TriangulatedSurfaceModifier<2>>(*surface, *builder);
        search.reinitialize_elements_tree(*surface);
    }

    index_t random_active() {
        std::uniform_int_distribution<index_t> pick(0, surface->nb_polygons() - 1);
        for (;;) {
            const index_t t = pick(rng);
            if (modifier->is_triangle_active(t)) {
                return t;
            }
        }
    }

    // Random splits, swaps, collapses, interior moves and deactivations (holes), each
    // refused one skipped; nothing rebuilds the search.
    void modify(index_t nb_operations) {
        std::uniform_int_distribution<int> kind(0, 9);
        std::uniform_int_distribution<int> local(0, 2);
        std::uniform_real_distribution<double> unit(0.1, 0.8);
        for (index_t k = 0; k < nb_operations; ++k) {
            const index_t t = random_active();
            const PolygonEdge edge{t, static_cast<local_index_t>(local(rng))};
            try {
                switch (kind(rng)) {
                    case 0:
                    case 1:
                    case 2: {
                        const auto tri = surface->triangle(t);
                        const double a = unit(rng);
                        const double b = unit(rng) * (1 - a);
                        const Point<2> p = tri.vertex(0) * a + tri.vertex(1) * b +
                                           tri.vertex(2) * (1 - a - b);
                        modifier->split_triangle(t, p);
                        break;
                    }
                    case 3:
                    case 4:
                        modifier->split_edge(edge, surface->edge_barycenter(edge));
                        break;
                    case 5:
                        modifier->swap_edge(edge);
                        break;
                    case 6: {
                        const index_t kept = surface->polygon_edge_vertex(edge, 0);
                        modifier->collapse_edge(edge, surface->point(kept));
                        break;
                    }
                    case 7: {
                        const index_t v = surface->polygon_edge_vertex(edge, 0);
                        if (!surface->is_vertex_on_border(v)) {
                            const auto& p = surface->point(v);
                            std::uniform_real_distribution<double> shift(-0.05, 0.05);
                            modifier->move_point(v, Point<2>{{p.value(0) + shift(rng),
                                                              p.value(1) + shift(rng)}});
                        }
                        break;
                    }
                    case 8:
                        if (k % 4 == 0) {
                            modifier->inactive_triangle(t);
                        }
                        break;
                    default:
                        break;
                }
            } catch (const OrvaneCommonModifierCommonException&) {
                // Refused (inversion, link condition, border swap): nothing changed.
            }
        }
    }

    // Points of every kind the insertion meets.
    std::vector<Point<2>> sample_points(index_t count) {
        std::vector<Point<2>> points;
        std::uniform_real_distribution<double> box(-1.5, N + 1.5);
        std::uniform_real_distribution<double> unit(0., 1.);
        std::uniform_int_distribution<int> local(0, 2);
        const double offsets[] = {1e-7, -1e-7, 5e-7, -9e-7, 1.1e-6, -3e-6, 1e-3};
        std::uniform_int_distribution<int> pick_offset(0, 6);
        for (index_t k = 0; k < count; ++k) {
            const index_t t = random_active();
            const PolygonEdge edge{t, static_cast<local_index_t>(local(rng))};
            const auto segment = surface->polygon_edge_segment(edge);
            const Point<2>& a = segment.vertex(0);
            const Point<2>& b = segment.vertex(1);
            switch (k % 6) {
                case 0:
                case 1:
                    points.push_back(Point<2>{{box(rng), box(rng)}});
                    break;
                case 2:
                    points.push_back(a + (b - a) * (k % 12 == 2 ? 0.5 : unit(rng)));
                    break;
                case 3:
                    points.push_back(a);
                    break;
                default: {
                    // Off an edge along its normal: both sides, inside and beyond the
                    // tolerance.
                    const Vector<2> d{a, b};
                    const double length = d.length();
                    const Point<2> normal{{-d.value(1) / length, d.value(0) / length}};
                    points.push_back(a + (b - a) * unit(rng) +
                                     normal * offsets[pick_offset(rng)]);
                    break;
                }
            }
        }
        points.push_back(Point<2>{{1e6, 1e6}});
        points.push_back(Point<2>{{-50., 3.}});
        points.push_back(Point<2>{{1e300, -1e300}});
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        points.push_back(Point<2>{{nan, 1.}});
        points.push_back(Point<2>{{1., inf}});
        points.push_back(Point<2>{{-inf, -inf}});
        return points;
    }

    // Checks both overloads, from the search's start and (every few points) from an
    // arbitrary start, against the scan.
    void check_points(const std::vector<Point<2>>& points, const std::string& context) {
        std::uniform_int_distribution<index_t> any(0, surface->nb_polygons() - 1);
        index_t index = 0;
        for (const auto& p : points) {
            const auto reference = test::reference_location(p, *surface, *modifier);
            const auto start = search.initial_containing_element(p);
            if (!reference.near.empty()) {
                ASSERT_TRUE(start.has_value())
                    << context << ": no start for " << p.string()
                    << " although a triangle is within the tolerance";
            }
            if (start && !modifier->is_triangle_active(*start)) {
                ++nb_inactive_starts;
            }
            if (start && !reference.containing.empty() &&
                detail::walk_to_point(p, *surface, *modifier, *start).status !=
                    detail::PointLocationWalk::STATUS::found) {
                ++nb_walks_not_enough;
            }
            std::optional<index_t> with_search;
            std::optional<index_t> scanned;
            if (start) {
                with_search = detail::find_containing_triangle(p, *surface, *modifier,
                                                               *start, search);
                scanned =
                    detail::find_containing_triangle(p, *surface, *modifier, *start);
            }
            EXPECT_TRUE(reference.accepts(with_search))
                << context << " (with search): point " << p.string() << " start "
                << start.value_or(NO_ID) << " answer " << with_search.value_or(NO_ID)
                << ", " << reference.containing.size() << " containing, "
                << reference.near.size() << " near";
            EXPECT_TRUE(reference.accepts(scanned))
                << context << " (scan fallback): point " << p.string() << " answer "
                << scanned.value_or(NO_ID);
            if (index++ % 8 == 0) {
                const index_t arbitrary = any(rng);
                const auto from_anywhere =
                    detail::find_containing_triangle(p, *surface, *modifier, arbitrary);
                EXPECT_TRUE(reference.accepts(from_anywhere))
                    << context << " (arbitrary start " << arbitrary << "): point "
                    << p.string() << " answer " << from_anywhere.value_or(NO_ID);
            }
            if (reference.containing.empty() && !reference.near.empty()) {
                ++nb_tolerance_only;
            }
            if (reference.near.empty()) {
                ++nb_outside;
            }
            if (!reference.containing.empty()) {
                ++nb_inside;
            }
        }
    }

    std::mt19937 rng;
    std::unique_ptr<TriangulatedSurface<2>> surface;
    std::unique_ptr<TriangulatedSurfaceBuilder<2>> builder;
    std::unique_ptr<TriangulatedSurfaceModifier<2>> modifier;
    ElementSearch<TriangulatedSurface<2>> search;
    index_t nb_tolerance_only{0};
    index_t nb_outside{0};
    index_t nb_inside{0};
    index_t nb_inactive_starts{0};
    // Points inside the surface that the first walk did not reach.
    index_t nb_walks_not_enough{0};
};

class PointLocationRandom : public ::testing::TestWithParam<Scenario> {};

TEST_P(PointLocationRandom, MatchesScanOnFreshSurface) {
    Fixture fixture{GetParam(), 11};
    fixture.check_points(fixture.sample_points(2000), GetParam().name);
    // Every kind of answer was exercised, not just the easy one.
    EXPECT_GT(fixture.nb_inside, 0u);
    EXPECT_GT(fixture.nb_outside, 0u);
    EXPECT_GT(fixture.nb_tolerance_only, 0u);
}

TEST_P(PointLocationRandom, MatchesScanWithStaleSearchAfterModifications) {
    Fixture fixture{GetParam(), 23};
    const index_t indexed = fixture.surface->nb_polygons();
    for (int round = 0; round < 3; ++round) {
        fixture.modify(300);
        SurfaceConsistencyOptions options;
        options.is_polygon_active = [&fixture](index_t t) {
            return fixture.modifier->is_triangle_active(t);
        };
        ASSERT_TRUE(check_surface_consistency(*fixture.surface, options).empty());
        fixture.check_points(fixture.sample_points(1000),
                             GetParam().name + " round " + std::to_string(round));
    }
    // The search was never rebuilt: the surface grew well past it, and many of the
    // starts it gave were inactive.
    EXPECT_EQ(fixture.search.nb_indexed_elements(), indexed);
    EXPECT_GT(fixture.surface->nb_polygons(), indexed + 512);
    EXPECT_GT(fixture.modifier->nb_inactive_triangles(), 300u);
    EXPECT_GT(fixture.nb_tolerance_only, 0u);
    EXPECT_GT(fixture.nb_inactive_starts, 100u);
    // Holes cut by the deactivations stop some walks: the confirmation was needed.
    EXPECT_GT(fixture.nb_walks_not_enough, 0u);
}

TEST_P(PointLocationRandom, MatchesScanAfterCleanAndRebuild) {
    Fixture fixture{GetParam(), 37};
    fixture.modify(400);
    fixture.modifier->clean();
    fixture.search.reinitialize_elements_tree();
    fixture.check_points(fixture.sample_points(1000), GetParam().name + " cleaned");
}

INSTANTIATE_TEST_SUITE_P(Surfaces, PointLocationRandom, ::testing::ValuesIn(scenarios()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace orvane
