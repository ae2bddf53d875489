// Randomised insertions into jittered backgrounds that already carry input entities:
// point sets mixing uniform and clustered points, points on the border, on vertices and
// on edges, near-duplicates and points outside; then the inserter's destruction,
// decimation and optimisation. After each step every inside point is a vertex exactly
// at its input position carrying its macro vertex, every outside point was reported,
// nothing that the background carried before is lost and the mesh is valid. Isovalues
// of smooth random functions end on vertices that carry exactly their value, tagged once
// per isoline.

#include <orvane/surface/inserter/background_surface_inserter.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/kernel/mesh/point_set.hpp>
#include <orvane/surface/orchestrator/background_surface_decimator.hpp>
#include <orvane/surface/orchestrator/background_surface_optimizer.hpp>

#include "support/input_entities.hpp"
#include "support/jittered_background.hpp"

namespace orvane::internal {
namespace {

using test::JitteredBackground;
using test::JitteredBackgroundOptions;
using ::testing::IsEmpty;

struct RandomPoints {
    std::vector<Point<2>> points;
    std::vector<bool> inside;
    // Within the tolerance of another point or of a vertex of the background: such a
    // point may land on that vertex, not exactly at its own position.
    std::vector<bool> may_snap;
};

RandomPoints make_points(const JitteredBackground& b, double size, unsigned seed,
                         index_t nb) {
    std::mt19937 rng{seed};
    std::uniform_real_distribution<double> unit{0., 1.};
    std::normal_distribution<double> cluster{0., 0.05};
    const auto& surface = b.surface();
    std::vector<Point<2>> centres;
    for (int c = 0; c < 3; ++c)
        centres.push_back(
            Point<2>{{1 + unit(rng) * (size - 2), 1 + unit(rng) * (size - 2)}});
    RandomPoints result;
    const auto add = [&](const Point<2>& p, bool inside) {
        result.points.push_back(p);
        result.inside.push_back(inside);
    };
    while (result.points.size() < nb) {
        const double u = unit(rng) * size;
        switch (rng() % 8) {
            case 0:
            case 1:
                add(Point<2>{{unit(rng) * size, unit(rng) * size}}, true);
                break;
            case 2: {
                const auto& c = centres[rng() % centres.size()];
                add(Point<2>{{c.value(0) + cluster(rng), c.value(1) + cluster(rng)}},
                    true);
                break;
            }
            case 3: {
                // On a side, or just off it within the tolerance (inside), or beyond.
                const double off[] = {0., 0., 5e-7, -5e-7, 1e-3};
                const double o = off[rng() % 5];
                const bool in = o < 1e-6;
                switch (rng() % 4) {
                    case 0:
                        add(Point<2>{{u, -o}}, in);
                        break;
                    case 1:
                        add(Point<2>{{size + o, u}}, in);
                        break;
                    case 2:
                        add(Point<2>{{u, size + o}}, in);
                        break;
                    default:
                        add(Point<2>{{-o, u}}, in);
                        break;
                }
                break;
            }
            case 4:
                add(surface.point(rng() % surface.nb_vertices()), true);
                break;
            case 5: {
                const index_t t = rng() % surface.nb_polygons();
                const auto& v = surface.polygon_vertices(t);
                const local_index_t e = rng() % 3;
                const double s = 0.05 + 0.9 * unit(rng);
                add(surface.point(v[e]) * (1 - s) + surface.point(v[(e + 1) % 3]) * s,
                    true);
                break;
            }
            case 6:
                if (!result.points.empty()) {
                    const index_t k = rng() % result.points.size();
                    const double angle = unit(rng) * 6.283185307179586;
                    const Point<2> p =
                        result.points[k] +
                        Point<2>{{std::cos(angle), std::sin(angle)}} * 1e-7;
                    // Near an outside point it is outside too, unless near the border.
                    if (result.inside[k] && p.value(0) >= 0 && p.value(1) >= 0 &&
                        p.value(0) <= size && p.value(1) <= size)
                        add(p, true);
                }
                break;
            default: {
                const double far = 0.5 + unit(rng) * 3;
                add(rng() % 2 == 0 ? Point<2>{{-far, u}} : Point<2>{{u, size + far}},
                    false);
                break;
            }
        }
    }
    result.may_snap.assign(result.points.size(), false);
    for (std::size_t k = 0; k < result.points.size(); ++k) {
        const auto& p = result.points[k];
        for (std::size_t l = 0; l < result.points.size() && !result.may_snap[k]; ++l) {
            const double d = point_point_distance(p, result.points[l]);
            result.may_snap[k] = d > 0 && d <= GLOBAL_EPSILON;
        }
        for (index_t v = 0; v < surface.nb_vertices() && !result.may_snap[k]; ++v) {
            const double d = point_point_distance(p, surface.point(v));
            result.may_snap[k] = d > 0 && d <= GLOBAL_EPSILON;
        }
    }
    return result;
}

void expect_points_in_place(JitteredBackground& b, const PointSet<2>& point_set,
                            const RandomPoints& input, const std::string& step) {
    const auto& surface = b.surface();
    std::map<index_t, std::vector<index_t>> carriers;
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        for (const auto& macro_vertex : b.background().macro_vertices(v)) {
            if (macro_vertex.component_id == point_set.id())
                carriers[macro_vertex.index].push_back(v);
        }
    }
    for (index_t d = 0; d < input.points.size(); ++d) {
        const auto found = carriers.find(d);
        if (!input.inside[d]) {
            EXPECT_EQ(found, carriers.end()) << step << ": outside point " << d;
            continue;
        }
        ASSERT_NE(found, carriers.end()) << step << ": point " << d << " lost";
        ASSERT_EQ(found->second.size(), 1u) << step << ": point " << d;
        const index_t v = found->second.front();
        EXPECT_FALSE(surface.is_vertex_isolated(v)) << step << ": point " << d;
        if (input.may_snap[d]) {
            EXPECT_TRUE(surface.point(v).inexact_equal(input.points[d]))
                << step << ": point " << d;
        } else {
            EXPECT_EQ(surface.point(v), input.points[d])
                << step << ": point " << d << " at " << surface.point(v).string()
                << " instead of " << input.points[d].string();
        }
    }
}

class RandomPointSets : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomPointSets,
       EveryInsidePointIsAVertexAtItsPositionThroughDecimationAndOptimisation) {
    const ScopedLoggerLevel quiet{Logger::LEVEL::warn};
    JitteredBackgroundOptions options;
    options.seed = GetParam();
    options.slivers = GetParam() % 2 == 0;
    JitteredBackground b{options};
    const double size = options.n;
    auto table = test::record_input_entities(b.background(), b.modifier());
    for (auto& vertex : table.vertices)
        vertex.vertex = NO_ID;

    const auto input = make_points(b, size, GetParam() + 77, 300);
    // The mix holds each kind of hard case.
    ASSERT_GT(std::count(input.inside.begin(), input.inside.end(), false), 10);
    ASSERT_GT(std::count(input.may_snap.begin(), input.may_snap.end(), true), 5);
    auto point_set = PointSet<2>::create();
    {
        PointSetBuilder<2> builder{*point_set};
        builder.create_points(input.points);
    }
    for (index_t d = 0; d < input.points.size(); ++d) {
        if (input.inside[d])
            table.vertices.push_back(
                {MeshVertex{point_set->id(), d}, input.points[d], NO_ID});
    }

    {
        BackgroundSurfaceInserter inserter{
            ModifiableObject<BackgroundSurface>{b.background(), b.modifier()},
            b.builder()};
        // In two calls, the second after a clean: the element search is rebuilt.
        std::vector<unsigned int> first;
        std::vector<unsigned int> second;
        for (unsigned int d = 0; d < input.points.size(); ++d)
            (d % 2 == 0 ? first : second).push_back(d);
        const auto info = inserter.insert_point_set_points(*point_set, first);
        b.modifier().clean();
        const auto info2 = inserter.insert_point_set_points(*point_set, second);
        std::set<index_t> reported;
        for (const auto* i : {&info, &info2}) {
            for (const auto& entry : i->entries()) {
                EXPECT_EQ(entry.status, ElementInsertionInfo::OUTSIDE);
                reported.insert(entry.input_index);
            }
        }
        for (index_t d = 0; d < input.points.size(); ++d)
            EXPECT_EQ(reported.count(d) == 1, !input.inside[d]) << "point " << d;
        expect_points_in_place(b, *point_set, input, "insertion");
    }
    ASSERT_EQ(b.modifier().nb_inactive_triangles(), 0u);
    EXPECT_THAT(test::check_input_entities(b.background(), b.modifier(), table),
                IsEmpty())
        << "insertion";

    decimate_background_surface(b.constrained(),
                                BackgroundSurfaceAllNonMacroVertex{b.background()});
    expect_points_in_place(b, *point_set, input, "decimation");
    EXPECT_THAT(test::check_input_entities(b.background(), b.modifier(), table),
                IsEmpty())
        << "decimation";

    optimize_background_surface_elements(
        b.constrained(), TriangulatedSurfaceOptimizerImprovementSimulator<2>{}, 0);
    expect_points_in_place(b, *point_set, input, "optimisation");
    EXPECT_THAT(test::check_input_entities(b.background(), b.modifier(), table),
                IsEmpty())
        << "optimisation";
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomPointSets,
                         ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

class RandomIsovalues : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomIsovalues, IsolineVerticesCarryExactlyTheirValueAndOneTagPerIsoline) {
    const ScopedLoggerLevel quiet{Logger::LEVEL::warn};
    JitteredBackgroundOptions options;
    options.seed = GetParam();
    options.n = 10;
    options.macro_information = false;
    options.slivers = false;
    JitteredBackground b{options};
    std::mt19937 rng{GetParam() + 500};
    std::uniform_real_distribution<double> unit{0., 1.};
    const double a = 0.5 + unit(rng), kx = 0.2 + unit(rng) * 0.6, px = unit(rng) * 6;
    const double c = 0.5 + unit(rng), ky = 0.2 + unit(rng) * 0.6, py = unit(rng) * 6;
    const double slope = unit(rng) * 0.2;
    const auto f = [&](const Point<2>& p) {
        return a * std::sin(kx * p.value(0) + px) + c * std::cos(ky * p.value(1) + py) +
               slope * p.value(0);
    };
    const auto& surface = b.surface();
    auto attribute = surface.vertex_attribute_manager()
                         .find_or_create_attribute<VariableAttribute, double>(
                             "height", 0.0, AttributeProperties{false, false, true});
    double low = 1e300;
    double high = -1e300;
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        const double value = f(surface.point(v));
        attribute->set_value(v, value);
        low = std::min(low, value);
        high = std::max(high, value);
    }
    std::vector<double> isovalues;
    for (int k = 0; k < 3; ++k)
        isovalues.push_back(low + (high - low) * (0.15 + 0.7 * unit(rng)));
    // One isovalue exactly at a vertex's value, as an exact end case.
    isovalues.push_back(attribute->value(surface.nb_vertices() / 2));
    const index_t nb_original = surface.nb_vertices();

    BackgroundSurfaceInserter inserter{
        ModifiableObject<BackgroundSurface>{b.background(), b.modifier()}, b.builder()};
    inserter.insert_scalar_function_isovalues("height", isovalues);

    std::set<uuid> isolines;
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        for (const auto& macro_vertex : b.background().macro_vertices(v)) {
            EXPECT_EQ(macro_vertex.index, NO_ID);
            isolines.insert(macro_vertex.component_id);
        }
    }
    ASSERT_EQ(isolines.size(), isovalues.size());
    for (index_t v = 0; v < surface.nb_vertices(); ++v) {
        if (surface.is_vertex_isolated(v))
            continue;
        const auto& tags = b.background().macro_vertices(v);
        std::set<uuid> distinct;
        for (const auto& t : tags)
            distinct.insert(t.component_id);
        EXPECT_EQ(distinct.size(), tags.size()) << "vertex " << v << " tagged twice";
        if (tags.empty()) {
            EXPECT_LT(v, nb_original) << "new vertex " << v << " without a tag";
            EXPECT_EQ(attribute->value(v), f(surface.point(v)));
            continue;
        }
        // Its value is exactly one of the isovalues (the last isoline tagging it).
        EXPECT_NE(std::find(isovalues.begin(), isovalues.end(), attribute->value(v)),
                  isovalues.end())
            << "vertex " << v << " value " << attribute->value(v);
    }
    // No active edge is still crossed strictly by an isovalue.
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (!b.modifier().is_triangle_active(t))
            continue;
        for (local_index_t e = 0; e < 3; ++e) {
            const auto ends = surface.polygon_edge_vertices({t, e});
            const double u = attribute->value(ends[0]);
            const double w = attribute->value(ends[1]);
            for (const double x : isovalues)
                EXPECT_FALSE((u < x && x < w) || (w < x && x < u))
                    << "edge " << ends[0] << "-" << ends[1] << " crossed by " << x;
        }
    }
    // Isoline tags sit on many vertices each: only the mesh and the macro lists are
    // checked (an empty table).
    EXPECT_THAT(
        test::check_input_entities(b.background(), b.modifier(), test::InputEntities{}),
        IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomIsovalues,
                         ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

}  // namespace
}  // namespace orvane::internal
