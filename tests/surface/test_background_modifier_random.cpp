// Random mixed edits through the BackgroundSurfaceModifier on a tagged grid, checking
// after every step that no input entity is lost and that the step moved the macro
// information it touched the way it should; then the same after each compaction, with
// the tracked indices translated through the clean mappings.

#include <orvane/surface/modifier/background_surface_modifier.hpp>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <absl/strings/str_join.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>

#include "support/background_fixture.hpp"
#include "support/input_entities.hpp"

namespace orvane::internal {
namespace {

using test::BackgroundOnGrid;
using ::testing::IsEmpty;

template <typename List>
bool includes_all(const List& list, const List& subset) {
    return std::all_of(subset.begin(), subset.end(), [&list](const auto& entity) {
        return std::find(list.begin(), list.end(), entity) != list.end();
    });
}

class RandomEdits {
public:
    explicit RandomEdits(unsigned seed) : rng_(seed) {
        const uuid points;
        const uuid curves;
        const uuid surfaces;
        index_t next_vertex = 0;
        const auto macro_vertex = [&](index_t i, index_t j) {
            b_.builder.add_macro_vertex_info(MeshVertex{points, next_vertex++},
                                             b_.vertex(i, j));
        };
        index_t next_edge = 0;
        const auto macro_edge = [&](index_t i0, index_t j0, index_t i1, index_t j1) {
            b_.builder.add_macro_edge_info(MeshEdge{curves, next_edge++},
                                           b_.line_edges(i0, j0, i1, j1));
            macro_vertex(i0, j0);
            macro_vertex(i1, j1);
        };
        // A row and a column crossing at (5, 3), a diagonal, a piece of the outer
        // border, and the four sides of the square [1, 4] x [5, 8], which carries two
        // macro elements.
        macro_edge(1, 3, 8, 3);
        macro_edge(3, 0, 7, 0);
        macro_edge(5, 1, 5, 8);
        macro_edge(6, 4, 9, 7);
        b_.builder.add_macro_edge_info(MeshEdge{curves, next_edge++},
                                       b_.line_edges(1, 5, 4, 5));
        b_.builder.add_macro_edge_info(MeshEdge{curves, next_edge++},
                                       b_.line_edges(4, 5, 4, 8));
        b_.builder.add_macro_edge_info(MeshEdge{curves, next_edge++},
                                       b_.line_edges(4, 8, 1, 8));
        b_.builder.add_macro_edge_info(MeshEdge{curves, next_edge++},
                                       b_.line_edges(1, 8, 1, 5));
        macro_vertex(1, 5);
        macro_vertex(4, 5);
        macro_vertex(4, 8);
        macro_vertex(1, 8);
        macro_vertex(7, 1);
        macro_vertex(2, 1);
        for (index_t j = 5; j < 8; ++j) {
            for (index_t i = 1; i < 4; ++i) {
                for (const index_t t :
                     {b_.grid.lower_triangle(i, j), b_.grid.upper_triangle(i, j)}) {
                    b_.builder.add_macro_element_info(MeshElement{surfaces, 0}, t);
                    b_.builder.add_macro_element_info(MeshElement{surfaces, 1}, t);
                }
            }
        }
        table_ = test::record_input_entities(b_.background, b_.modifier);
    }

    // Runs `nb_steps` edits; false (after reporting) at the first broken invariant.
    bool run(index_t nb_steps) {
        for (index_t step = 0; step < nb_steps; ++step) {
            std::string operation;
            std::vector<std::string> problems;
            const index_t nb_active =
                b_.surface().nb_polygons() - b_.modifier.nb_inactive_triangles();
            const int dice = std::uniform_int_distribution<int>{0, 99}(rng_);
            const int collapse_share = nb_active > 500 ? 70 : 45;
            if (dice < collapse_share) {
                operation = collapse(problems);
            } else if (dice < collapse_share + (100 - collapse_share) * 3 / 5) {
                operation = split_edge(problems);
            } else {
                operation = split_triangle(problems);
            }
            if (operation.empty())
                continue;
            table_.follow(b_.modifier);
            for (auto& problem :
                 test::check_input_entities(b_.background, b_.modifier, table_)) {
                problems.push_back(std::move(problem));
            }
            if (!problems.empty()) {
                ADD_FAILURE() << "step " << steps_ << " (" << operation << "):\n  "
                              << absl::StrJoin(problems, "\n  ");
                return false;
            }
            ++steps_;
        }
        return true;
    }

    // Compacts the mesh and checks the entities at their new indices.
    bool clean() {
        const auto mappings = b_.modifier.clean();
        table_.follow(mappings);
        const auto problems =
            test::check_input_entities(b_.background, b_.modifier, table_);
        EXPECT_EQ(b_.modifier.nb_inactive_triangles(), 0u);
        EXPECT_THAT(problems, IsEmpty()) << "after clean at step " << steps_;
        return problems.empty();
    }

    index_t nb_macro_edge_splits() const { return macro_edge_splits_; }
    index_t nb_collapses_along_macro_edges() const { return collapses_along_; }
    index_t nb_free_collapses() const { return free_collapses_; }
    index_t nb_triangle_splits() const { return triangle_splits_; }

private:
    // A polygon edge of an active triangle; half of the time one whose edge carries a
    // macro edge, when one is found (they are a small part of all edges, and the edits
    // along them are the interesting ones).
    PolygonEdge random_polygon_edge() {
        const auto& surface = b_.surface();
        const bool on_macro_edge = std::bernoulli_distribution{0.5}(rng_);
        PolygonEdge found;
        // Bounded: most stored triangles are active between cleans.
        for (int attempt = 0; attempt < 300; ++attempt) {
            const index_t t = std::uniform_int_distribution<index_t>{
                0, surface.nb_polygons() - 1}(rng_);
            if (!b_.modifier.is_triangle_active(t))
                continue;
            found = PolygonEdge{t, static_cast<local_index_t>(
                                       std::uniform_int_distribution<int>{0, 2}(rng_))};
            if (!on_macro_edge || !b_.background.macro_edges(edge_of(found)).empty())
                return found;
        }
        return found;
    }

    index_t edge_of(const PolygonEdge& polygon_edge) const {
        const auto& surface = b_.surface();
        return surface.edges()
            .edge_from_vertices(surface.polygon_edge_vertices(polygon_edge))
            .value();
    }

    std::string split_edge(std::vector<std::string>& problems) {
        const auto polygon_edge = random_polygon_edge();
        if (polygon_edge.polygon_id == NO_ID)
            return {};
        const auto& surface = b_.surface();
        const auto [a, c] = surface.polygon_edge_vertices(polygon_edge);
        const double s = std::uniform_real_distribution<double>{0.15, 0.85}(rng_);
        const Point<2> point =
            surface.point(a) + (surface.point(c) - surface.point(a)) * s;
        const MeshEdges carried = b_.background.macro_edges(edge_of(polygon_edge));
        Modifier::SplitPolygonEdgeInfo info;
        try {
            info = b_.modifier.split_edge(polygon_edge, point);
        } catch (const OrvaneCommonModifierCommonException&) {
            return {};
        }
        const index_t m = info.new_vertex;
        for (const index_t end : {a, c}) {
            const index_t half = b_.edge_between(end, m);
            if (b_.background.macro_edges(half) != carried) {
                problems.push_back(absl::StrCat("half ", half, " of the split edge lost ",
                                                "or gained macro edges"));
            }
        }
        if (b_.background.incident_macro_edges(m) != carried)
            problems.push_back(
                "the new vertex does not list the split edge's macro edges");
        if (!b_.background.macro_vertices(m).empty())
            problems.push_back("the new vertex received a macro vertex");
        if (!carried.empty())
            ++macro_edge_splits_;
        return absl::StrCat("split_edge ", polygon_edge.string(), " at ", point.string());
    }

    std::string split_triangle(std::vector<std::string>& problems) {
        const auto polygon_edge = random_polygon_edge();
        if (polygon_edge.polygon_id == NO_ID)
            return {};
        const auto& surface = b_.surface();
        const index_t t = polygon_edge.polygon_id;
        const auto corners = surface.polygon_vertices(t);
        std::uniform_real_distribution<double> weight{0.1, 1.};
        const double w0 = weight(rng_);
        const double w1 = weight(rng_);
        const double w2 = weight(rng_);
        const double sum = w0 + w1 + w2;
        const Point<2> point = surface.point(corners[0]) * (w0 / sum) +
                               surface.point(corners[1]) * (w1 / sum) +
                               surface.point(corners[2]) * (w2 / sum);
        Modifier::SplitTriangleInfo info;
        try {
            info = b_.modifier.split_triangle(t, point);
        } catch (const OrvaneCommonModifierCommonException&) {
            return {};
        }
        const index_t m = info.new_vertex;
        if (!b_.background.incident_macro_edges(m).empty() ||
            !b_.background.macro_vertices(m).empty()) {
            problems.push_back("the vertex inside a triangle received macro information");
        }
        for (const index_t corner : corners) {
            if (!b_.background.macro_edges(b_.edge_between(corner, m)).empty())
                problems.push_back("an edge to the new vertex received a macro edge");
        }
        ++triangle_splits_;
        return absl::StrCat("split_triangle ", t, " at ", point.string());
    }

    // A collapse that the macro information allows: the removed vertex carries nothing
    // (code 0), or moves along its own macro edge onto a vertex of it (codes 1 and 2;
    // never 3 or 4, so no macro vertex goes and no collapse cuts across a macro edge).
    // Border vertices stay, so the domain keeps its shape; the kept vertex stays where
    // it is, so straight macro edges stay straight.
    std::string collapse(std::vector<std::string>& problems) {
        const auto polygon_edge = random_polygon_edge();
        if (polygon_edge.polygon_id == NO_ID)
            return {};
        const auto& surface = b_.surface();
        const index_t edge = edge_of(polygon_edge);
        const auto ends = surface.edges().edge_vertices(edge);
        const auto config = b_.background.edge_configuration(edge, b_.background);
        absl::InlinedVector<int, 2> removable;
        for (int i = 0; i < 2; ++i) {
            const index_t code = config.vertex_configurations[i];
            if (code <= 2 && !surface.is_vertex_on_border(ends[i]))
                removable.push_back(i);
        }
        if (removable.empty())
            return {};
        const int r_side = removable[std::uniform_int_distribution<std::size_t>{
            0, removable.size() - 1}(rng_)];
        const index_t r = ends[r_side];
        const index_t k = ends[1 - r_side];
        const bool along = config.vertex_configurations[r_side] != 0;

        const MeshVertices vertices_r = b_.background.macro_vertices(r);
        const MeshEdges incident_r = b_.background.incident_macro_edges(r);
        std::vector<std::pair<index_t, MeshEdges>> edges_r;
        for (const index_t x : surface.vertices_around_vertex(r)) {
            if (x != k)
                edges_r.emplace_back(x, b_.background.macro_edges(b_.edge_between(r, x)));
        }
        const Point<2> point = surface.point(k);
        const bool by_index = r_side == 1 && std::bernoulli_distribution{0.5}(rng_);
        try {
            if (by_index) {
                // The edge form keeps edge_vertices(edge)[0].
                b_.modifier.collapse_edge(edge, point);
            } else {
                b_.modifier.collapse_edge(
                    surface.polygon_edge_from_vertices(k, r).value(), point);
            }
        } catch (const OrvaneCommonModifierCommonException&) {
            return {};
        }
        if (b_.modifier.updated_vertex(r) != k)
            problems.push_back("the removed vertex is not forwarded to the kept one");
        if (!includes_all(b_.background.macro_vertices(k), vertices_r))
            problems.push_back("the kept vertex lacks macro vertices of the removed one");
        if (!includes_all(b_.background.incident_macro_edges(k), incident_r))
            problems.push_back(
                "the kept vertex lacks incident macro edges of the removed one");
        for (const auto& [x, carried] : edges_r) {
            if (!includes_all(b_.background.macro_edges(b_.edge_between(k, x)), carried))
                problems.push_back(absl::StrCat(
                    "edge (", k, ", ", x, ") lacks macro edges of (", r, ", ", x, ")"));
        }
        ++(along ? collapses_along_ : free_collapses_);
        return absl::StrCat("collapse ", r, " into ", k,
                            along ? " along a macro edge" : "",
                            by_index ? " (edge form)" : " (polygon edge form)");
    }

    using Modifier = TriangulatedSurfaceModifier<2>;

    BackgroundOnGrid b_{10, 10};
    std::mt19937 rng_;
    test::InputEntities table_;
    index_t steps_{0};
    index_t macro_edge_splits_{0};
    index_t collapses_along_{0};
    index_t free_collapses_{0};
    index_t triangle_splits_{0};
};

TEST(BackgroundModifierRandom, NoInputEntityLostAcrossEditsAndCleans) {
    for (const unsigned seed : {1u, 2u}) {
        SCOPED_TRACE(seed);
        RandomEdits edits{seed};
        // Four runs, each followed by a compaction, so that later runs work on renumbered
        // indices.
        for (int phase = 0; phase < 4; ++phase) {
            ASSERT_TRUE(edits.run(400)) << "phase " << phase;
            ASSERT_TRUE(edits.clean()) << "phase " << phase;
        }
        // The runs exercised every kind of edit the invariants are about.
        EXPECT_GT(edits.nb_macro_edge_splits(), 50u);
        EXPECT_GT(edits.nb_collapses_along_macro_edges(), 20u);
        EXPECT_GT(edits.nb_free_collapses(), 50u);
        EXPECT_GT(edits.nb_triangle_splits(), 50u);
    }
}

}  // namespace
}  // namespace orvane::internal
