// Long random runs of mixed modifier operations on a jittered grid. After every step:
// the kernel's consistency check passes; a refused operation changed nothing; the new
// triangles are exactly those from the remembered count on, each listed in the record
// and carrying its source's polygon attribute; the value of a split edge's attribute is
// reachable from the record's pairs; updated_vertex agrees with a model fed only by
// the records. Every few hundred steps, clean() and the returned mappings are checked
// against what was remembered.

#include <algorithm>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <orvane/kernel/basic/attribute.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

#include "support/grid_surface.hpp"
#include "test_surface_modifier_support.hpp"

namespace orvane {
namespace {

using Modifier = TriangulatedSurfaceModifier<2>;

class RandomRun {
public:
    RandomRun(unsigned seed, index_t size) : rng_(seed) {
        test::Grid grid{size, size};
        surface_ = grid.release();
        builder_ = std::make_unique<TriangulatedSurfaceBuilder<2>>(*surface_);
        std::uniform_real_distribution<double> jitter(-0.2, 0.2);
        for (index_t v = 0; v < surface_->nb_vertices(); ++v) {
            const auto& p = surface_->point(v);
            const bool border_x = p.value(0) == 0 || p.value(0) == size;
            const bool border_y = p.value(1) == 0 || p.value(1) == size;
            builder_->set_point(v,
                                Point<2>{{p.value(0) + (border_x ? 0 : jitter(rng_)),
                                          p.value(1) + (border_y ? 0 : jitter(rng_))}});
        }
        modifier_ = std::make_unique<Modifier>(*surface_, *builder_);
        source_ = surface_->polygon_attribute_manager()
                      .find_or_create_attribute<VariableAttribute, index_t>(
                          "source", NO_ID, AttributeProperties{true, false, false});
        for (index_t t = 0; t < surface_->nb_polygons(); ++t)
            source_->set_value(t, t);
        macro_ = surface_->edges()
                     .edge_attribute_manager()
                     .find_or_create_attribute<VariableAttribute, index_t>(
                         "macro", NO_ID, AttributeProperties{false, false, false});
        for (index_t e = 0; e < surface_->edges().nb_edges(); ++e)
            macro_->set_value(e, 1000000 + e);
        for (index_t v = 0; v < surface_->nb_vertices(); ++v)
            tracked_.push_back({v, v});
    }

    void run(index_t nb_steps, index_t clean_every) {
        ASSERT_EQ(problems(), "");
        for (index_t step = 0; step < nb_steps; ++step) {
            SCOPED_TRACE(::testing::Message() << "step " << step);
            one_step();
            if (::testing::Test::HasFatalFailure() || ::testing::Test::HasFailure())
                return;
            if ((step + 1) % clean_every == 0) {
                check_clean();
                if (::testing::Test::HasFailure())
                    return;
            }
        }
        check_clean();
        // Both kinds of outcome were exercised.
        EXPECT_GT(nb_done_, nb_steps / 4);
        EXPECT_GT(nb_refused_, 0u);
    }

private:
    struct Tracked {
        index_t query;
        index_t expected;  // NO_ID: gone
        // A fresh vertex made for replace_vertex stays isolated if the replacement is
        // refused.
        bool may_be_isolated{false};
    };

    std::string problems() const {
        return test::consistency_problems(*surface_, *modifier_);
    }

    index_t random_index(index_t n) {
        return std::uniform_int_distribution<index_t>(0, n - 1)(rng_);
    }
    double uniform(double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(rng_);
    }
    index_t random_active_triangle() {
        std::vector<index_t> active;
        for (index_t t = 0; t < surface_->nb_polygons(); ++t) {
            if (modifier_->is_triangle_active(t))
                active.push_back(t);
        }
        return active[random_index(static_cast<index_t>(active.size()))];
    }
    PolygonEdge random_polygon_edge() {
        return PolygonEdge{random_active_triangle(),
                           static_cast<local_index_t>(random_index(3))};
    }
    index_t random_used_vertex() {
        const auto t = random_active_triangle();
        return surface_->polygon_vertices(t)[random_index(3)];
    }

    void check_new_triangles(index_t nb_before, const Modifier::TriangleMappings& pairs) {
        std::vector<index_t> listed;
        for (const auto& pair : pairs) {
            listed.push_back(pair.first);
            EXPECT_TRUE(modifier_->is_triangle_active(pair.first));
            EXPECT_FALSE(modifier_->is_triangle_active(pair.second));
            EXPECT_EQ(source_->value(pair.first), source_->value(pair.second))
                << "triangle " << pair.first << " did not copy " << pair.second;
        }
        collect_unlisted(nb_before, listed);
    }
    // The triangles from nb_before on are exactly the listed ones.
    void collect_unlisted(index_t nb_before, std::vector<index_t> listed) {
        std::sort(listed.begin(), listed.end());
        std::vector<index_t> created;
        for (index_t t = nb_before; t < surface_->nb_polygons(); ++t)
            created.push_back(t);
        EXPECT_EQ(listed, created);
    }
    void merge(index_t removed, index_t kept) {
        for (auto& t : tracked_) {
            if (t.expected == removed)
                t.expected = kept;
        }
    }

    void one_step() {
        // replace_vertex needs a fresh vertex, made outside the modifier first.
        const index_t kind = random_index(100);
        index_t fresh_vertex = NO_ID;
        index_t replaced = NO_ID;
        if (kind >= 95) {
            replaced = random_used_vertex();
            const auto& p = surface_->point(replaced);
            fresh_vertex = builder_->create_point(Point<2>{
                {p.value(0) + uniform(-0.05, 0.05), p.value(1) + uniform(-0.05, 0.05)}});
            tracked_.push_back({fresh_vertex, fresh_vertex, true});
        }
        const auto before = test::snapshot(*surface_, *modifier_);
        const index_t nb_before = surface_->nb_polygons();
        const index_t nb_vertices_before = surface_->nb_vertices();
        try {
            if (kind < 15) {
                const index_t t = random_active_triangle();
                const auto tri = surface_->triangle(t);
                double w[3] = {uniform(0.05, 1), uniform(0.05, 1), uniform(0.05, 1)};
                const double sum = w[0] + w[1] + w[2];
                const Point<2> point = tri.vertex(0) * (w[0] / sum) +
                                       tri.vertex(1) * (w[1] / sum) +
                                       tri.vertex(2) * (w[2] / sum);
                const auto info = modifier_->split_triangle(t, point);
                EXPECT_EQ(info.new_vertex, nb_vertices_before);
                EXPECT_EQ(surface_->point(info.new_vertex), point);
                tracked_.push_back({info.new_vertex, info.new_vertex});
                check_new_triangles(nb_before, info.new_triangles);
                for (const auto& pair : info.outer_edges) {
                    EXPECT_EQ(test::edge_of(*surface_, pair.first),
                              test::edge_of(*surface_, pair.second));
                }
            } else if (kind < 32) {
                const auto edge = random_polygon_edge();
                const auto segment = surface_->polygon_edge_segment(edge);
                const double s = uniform(0.1, 0.9);
                const Point<2> point =
                    segment.vertex(0) * (1 - s) + segment.vertex(1) * s;
                const index_t old_edge = test::edge_of(*surface_, edge);
                const index_t value = macro_->value(old_edge);
                const auto info = modifier_->split_edge(edge, point);
                tracked_.push_back({info.new_vertex, info.new_vertex});
                Modifier::TriangleMappings all = info.first_side_triangles;
                all.insert(all.end(), info.second_side_triangles.begin(),
                           info.second_side_triangles.end());
                check_new_triangles(nb_before, all);
                EXPECT_EQ(info.first_side_halves.size(), 2u);
                EXPECT_EQ(info.second_side_halves.size(),
                          surface_->is_edge_on_border(info.first_side_halves[0].first)
                              ? 0u
                              : 2u);
                for (const auto* list :
                     {&info.first_side_halves, &info.second_side_halves}) {
                    for (const auto& pair : *list) {
                        EXPECT_EQ(macro_->value(test::edge_of(*surface_, pair.second)),
                                  value);
                        const auto half = surface_->polygon_edge_vertices(pair.first);
                        EXPECT_TRUE(half[0] == info.new_vertex ||
                                    half[1] == info.new_vertex);
                    }
                }
                for (const auto* list :
                     {&info.first_side_outer_edges, &info.second_side_outer_edges}) {
                    for (const auto& pair : *list) {
                        EXPECT_EQ(test::edge_of(*surface_, pair.first),
                                  test::edge_of(*surface_, pair.second));
                    }
                }
            } else if (kind < 55) {
                Modifier::CollapseEdgeInfo info;
                if (kind < 48) {
                    const auto edge = random_polygon_edge();
                    const auto v = surface_->polygon_edge_vertices(edge);
                    const index_t choice = random_index(3);
                    const Point<2> point = choice == 0 ? surface_->point(v[0])
                                           : choice == 1
                                               ? surface_->point(v[1])
                                               : surface_->edge_barycenter(edge);
                    info = modifier_->collapse_edge(edge, point);
                    EXPECT_EQ(info.vertex.first, v[0]);
                    EXPECT_EQ(surface_->point(v[0]), point);
                } else {
                    const index_t edge = random_index(surface_->edges().nb_edges());
                    const auto v = surface_->edges().edge_vertices(edge);
                    info = modifier_->collapse_edge(edge, surface_->point(v[0]));
                    EXPECT_EQ(info.vertex.first, v[0]);
                }
                ASSERT_EQ(info.vertex.second.size(), 1u);
                const index_t r = info.vertex.second[0];
                EXPECT_TRUE(surface_->is_vertex_isolated(r));
                merge(r, info.vertex.first);
                check_new_triangles(nb_before, info.new_triangles);
                for (const auto& mapping : info.edges) {
                    const auto& kept = surface_->edges().edge_vertices(mapping.first);
                    EXPECT_TRUE(kept[0] == info.vertex.first ||
                                kept[1] == info.vertex.first);
                    ASSERT_EQ(mapping.second.size(), 1u);
                    const auto& old = surface_->edges().edge_vertices(mapping.second[0]);
                    EXPECT_TRUE(old[0] == r || old[1] == r);
                }
            } else if (kind < 70) {
                const auto info = modifier_->swap_edge(random_polygon_edge());
                check_new_triangles(nb_before, info.new_triangles);
                for (const auto& pair : info.new_triangles)
                    EXPECT_EQ(pair.second, info.replaced_triangles[1]);
                EXPECT_FALSE(modifier_->is_edge_active(info.old_edge));
                EXPECT_TRUE(modifier_->is_edge_active(info.new_edge));
            } else if (kind < 80) {
                const auto edge = random_polygon_edge();
                const auto info =
                    random_index(2) == 0
                        ? modifier_->split_collapse_edge(edge)
                        : modifier_->split_collapse_edge(
                              edge,
                              surface_->point(surface_->polygon_vertex(PolygonVertex{
                                  edge.polygon_id,
                                  static_cast<local_index_t>((edge.edge_id + 2) % 3)})) *
                                      0.98 +
                                  surface_->edge_barycenter(edge) * 0.02);
                check_new_triangles(nb_before, info.new_triangles);
                EXPECT_EQ(modifier_->updated_vertex(info.apex_vertex), info.apex_vertex);
                for (const index_t e : info.new_route_edges)
                    EXPECT_TRUE(modifier_->is_edge_active(e));
                EXPECT_FALSE(modifier_->is_edge_active(info.old_edge));
            } else if (kind < 83) {
                modifier_->remove_double_adjacency(random_used_vertex());
                ADD_FAILURE() << "a valid planar mesh has no fold";
            } else if (kind < 95) {
                const index_t v = random_used_vertex();
                const auto& p = surface_->point(v);
                const bool on_border = surface_->is_vertex_on_border(v);
                const double d = on_border ? 0 : 0.1;
                const Point<2> point{
                    {p.value(0) + uniform(-d, d), p.value(1) + uniform(-d, d)}};
                modifier_->move_point(v, point);
                EXPECT_EQ(surface_->point(v), point);
                collect_unlisted(nb_before, {});
            } else {
                const auto fan = surface_->polygons_around_vertex(replaced);
                const auto mapping = modifier_->replace_vertex(replaced, fresh_vertex);
                merge(replaced, fresh_vertex);
                Modifier::TriangleMappings pairs;
                for (index_t j = 0; j < fan.size(); ++j)
                    pairs.push_back({nb_before + j, fan[j].polygon_id});
                check_new_triangles(nb_before, pairs);
                for (const auto& [old_edge, new_edge] : mapping) {
                    const auto& v = surface_->edges().edge_vertices(new_edge);
                    EXPECT_TRUE(v[0] == fresh_vertex || v[1] == fresh_vertex);
                    EXPECT_FALSE(modifier_->is_edge_active(old_edge));
                }
            }
            ++nb_done_;
            EXPECT_EQ(problems(), "");
        } catch (const OrvaneCommonModifierCommonException& e) {
            ++nb_refused_;
            const auto after = test::snapshot(*surface_, *modifier_);
            EXPECT_TRUE(after == before)
                << "refused operation changed the mesh: " << e.what();
        }
        for (const auto& t : tracked_) {
            const auto updated = modifier_->updated_vertex(t.query);
            if (t.expected == NO_ID) {
                EXPECT_FALSE(updated);
            } else {
                ASSERT_EQ(updated, t.expected) << "vertex " << t.query;
                EXPECT_TRUE(!surface_->is_vertex_isolated(t.expected) ||
                            t.may_be_isolated)
                    << "vertex " << t.query << " forwards to isolated " << t.expected;
            }
        }
    }

    void check_clean() {
        // Remember what must survive, by old index.
        struct Kept {
            index_t triangle;
            index_t source;
            std::array<Point<2>, 3> points;
        };
        std::vector<Kept> triangles;
        for (index_t t = 0; t < surface_->nb_polygons(); ++t) {
            if (!modifier_->is_triangle_active(t))
                continue;
            const auto tri = surface_->triangle(t);
            triangles.push_back({t, source_->value(t), tri.vertices()});
        }
        std::vector<std::pair<std::array<Point<2>, 2>, index_t>> edges;
        for (index_t e = 0; e < surface_->edges().nb_edges(); ++e) {
            if (!modifier_->is_edge_active(e))
                continue;
            const auto& v = surface_->edges().edge_vertices(e);
            edges.push_back({{{surface_->point(v[0]), surface_->point(v[1])}}, e});
        }
        std::vector<index_t> edge_values;
        for (index_t e = 0; e < surface_->edges().nb_edges(); ++e)
            edge_values.push_back(macro_->value(e));
        std::vector<Point<2>> tracked_points;
        for (const auto& t : tracked_)
            tracked_points.push_back(t.expected == NO_ID ? Point<2>{}
                                                         : surface_->point(t.expected));
        const index_t stamp = modifier_->clean_stamp();
        const bool had_inactive = modifier_->nb_inactive_triangles() > 0;

        const auto mappings = modifier_->clean();

        if (had_inactive) {
            EXPECT_NE(modifier_->clean_stamp(), stamp);
        }
        EXPECT_EQ(modifier_->nb_inactive_triangles(), 0u);
        EXPECT_EQ(surface_->nb_polygons(), triangles.size());
        for (const auto& kept : triangles) {
            const index_t n = mappings.triangles[kept.triangle];
            ASSERT_NE(n, NO_ID);
            EXPECT_EQ(source_->value(n), kept.source);
            EXPECT_EQ(surface_->triangle(n).vertices(), kept.points);
        }
        EXPECT_EQ(surface_->edges().nb_edges(), edges.size());
        for (const auto& [points, e] : edges) {
            const index_t n = mappings.edges[e];
            ASSERT_NE(n, NO_ID);
            EXPECT_EQ(macro_->value(n), edge_values[e]);
            const auto& v = surface_->edges().edge_vertices(n);
            EXPECT_TRUE((surface_->point(v[0]) == points[0] &&
                         surface_->point(v[1]) == points[1]) ||
                        (surface_->point(v[0]) == points[1] &&
                         surface_->point(v[1]) == points[0]));
        }
        std::vector<Tracked> renumbered;
        for (std::size_t i = 0; i < tracked_.size(); ++i) {
            const auto& t = tracked_[i];
            if (t.expected == NO_ID)
                continue;
            const index_t n = mappings.vertices[t.expected];
            if (n == NO_ID) {
                // Only a fresh vertex that was never used may disappear.
                EXPECT_TRUE(t.may_be_isolated) << "vertex " << t.query << " was lost";
                continue;
            }
            EXPECT_EQ(surface_->point(n), tracked_points[i]);
            renumbered.push_back({n, n});
        }
        tracked_ = std::move(renumbered);
        for (index_t v = 0; v < surface_->nb_vertices(); ++v) {
            EXPECT_FALSE(surface_->is_vertex_isolated(v));
            EXPECT_EQ(modifier_->updated_vertex(v), v);
        }
        EXPECT_EQ(problems(), "");
    }

    std::mt19937 rng_;
    std::unique_ptr<TriangulatedSurface<2>> surface_;
    std::unique_ptr<TriangulatedSurfaceBuilder<2>> builder_;
    std::unique_ptr<Modifier> modifier_;
    std::shared_ptr<VariableAttribute<index_t>> source_;
    std::shared_ptr<VariableAttribute<index_t>> macro_;
    std::vector<Tracked> tracked_;
    index_t nb_done_{0};
    index_t nb_refused_{0};
};

class SurfaceModifierRandom : public ::testing::TestWithParam<unsigned> {};

TEST_P(SurfaceModifierRandom, MixedOperationsKeepEveryInvariant) {
    RandomRun run{GetParam(), 8};
    run.run(2000, 400);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SurfaceModifierRandom, ::testing::Values(1u, 2u, 3u));

}  // namespace
}  // namespace orvane
