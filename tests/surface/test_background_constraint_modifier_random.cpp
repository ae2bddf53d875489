// Random local operations on a background carrying macro vertices, edges and elements,
// each asked first of the combined predicates (constraints and macro information) and
// of the simulation, and made only when allowed. After every step: no input entity is
// lost, the mesh is valid, immutable vertices have neither moved nor disappeared, and
// every forbidden edge is still an edge of the mesh (re-routing only ever adds to them).

#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>

#include <random>
#include <string>
#include <vector>

#include <absl/strings/str_join.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/surface/modifier/macro_info_predicates.hpp>
#include <orvane/toolkit/modifier/surface/surface_simulations.hpp>

#include "support/background_fixture.hpp"
#include "support/input_entities.hpp"

namespace orvane::internal {
namespace {

using ::testing::IsEmpty;
using Constraints = ConstraintModifier::CommonConstraints;
using Border = ConstraintModifier::BORDER_CONSTRAINT;

class RandomConstrainedEdits {
public:
    explicit RandomConstrainedEdits(unsigned seed)
        : rng_(seed),
          grid_(8, 8),
          constrained_(grid_.modifiable(), grid_.builder, Constraints{Border::fixed}) {
        auto& b = grid_.builder;
        const uuid curves;
        const uuid points;
        const uuid surfaces;
        b.add_macro_edge_info(MeshEdge{curves, 0}, grid_.line_edges(1, 4, 7, 4));
        b.add_macro_edge_info(MeshEdge{curves, 1}, grid_.line_edges(3, 1, 3, 7));
        b.add_macro_edge_info(MeshEdge{curves, 2}, grid_.line_edges(0, 0, 8, 0));
        b.add_macro_edge_info(MeshEdge{curves, 3}, grid_.line_edges(5, 5, 7, 7));
        for (const auto& [i, j] : std::vector<std::array<index_t, 2>>{
                 {1, 4}, {7, 4}, {3, 1}, {3, 7}, {5, 5}, {7, 7}, {6, 2}}) {
            b.add_macro_vertex_info(MeshVertex{points, grid_.vertex(i, j)},
                                    grid_.vertex(i, j));
        }
        // Two input triangles over the square (5, 1) - (7, 3), split by its diagonal,
        // and one over the upper triangle of cell (1, 6). As surface insertion leaves
        // them: their edges are macro edges and their corners macro vertices.
        const auto& g = grid_.grid;
        for (const auto& [i, j] : std::vector<std::array<index_t, 2>>{{5, 1}, {6, 2}}) {
            b.add_macro_element_info(MeshElement{surfaces, 0}, g.lower_triangle(i, j));
            b.add_macro_element_info(MeshElement{surfaces, 1}, g.upper_triangle(i, j));
        }
        b.add_macro_element_info(MeshElement{surfaces, 0}, g.lower_triangle(6, 1));
        b.add_macro_element_info(MeshElement{surfaces, 0}, g.upper_triangle(6, 1));
        b.add_macro_element_info(MeshElement{surfaces, 1}, g.lower_triangle(5, 2));
        b.add_macro_element_info(MeshElement{surfaces, 1}, g.upper_triangle(5, 2));
        b.add_macro_element_info(MeshElement{surfaces, 2}, g.upper_triangle(1, 6));
        const std::vector<std::array<index_t, 4>> sides{
            {5, 1, 7, 1}, {7, 1, 7, 3}, {7, 3, 5, 3}, {5, 3, 5, 1},
            {5, 1, 7, 3}, {1, 6, 2, 7}, {2, 7, 1, 7}, {1, 7, 1, 6}};
        index_t side_index = 0;
        for (const auto& side : sides) {
            b.add_macro_edge_info(MeshEdge{sides_, side_index++},
                                  grid_.line_edges(side[0], side[1], side[2], side[3]));
        }
        for (const auto& [i, j] : std::vector<std::array<index_t, 2>>{
                 {5, 1}, {7, 1}, {7, 3}, {5, 3}, {1, 6}, {2, 7}, {1, 7}}) {
            b.add_macro_vertex_info(MeshVertex{corners_, grid_.vertex(i, j)},
                                    grid_.vertex(i, j));
        }
        // A few plain vertices and edges under constraints.
        for (const auto& [i, j] :
             std::vector<std::array<index_t, 2>>{{2, 2}, {5, 3}, {6, 6}}) {
            const index_t v = grid_.vertex(i, j);
            constraints().immuable_vertices.add(v);
            immutable_.push_back({v, grid_.surface().point(v)});
        }
        constraints().forbidden_edges.add(grid_.vertex(1, 2), grid_.vertex(2, 2));
        constraints().forbidden_edges.add(grid_.vertex(5, 6), grid_.vertex(6, 7));
        table_ = test::record_input_entities(grid_.background, grid_.modifier);
    }

    void run(int steps) {
        ASSERT_THAT(check(), IsEmpty());
        for (int step = 0; step < steps; ++step) {
            const std::string done = one_step();
            if (done.empty())
                continue;
            table_.follow(grid_.modifier);
            const auto found = check();
            ASSERT_THAT(found, IsEmpty()) << "step " << step << ": " << done;
        }
        EXPECT_GT(nb_done_, steps / 6) << "too few operations were allowed to test much";
    }

private:
    Constraints& constraints() { return constrained_.constraints(); }
    const TriangulatedSurface<2>& surface() const { return grid_.surface(); }
    const ModifiableObject<TriangulatedSurface<2>>& ms() const {
        return constrained_.modifiable_surface();
    }

    std::vector<std::string> check() {
        // Re-routing through an apex 5e-7 off an edge moves a macro element's border by
        // that much: areas and lengths are compared within 1e-5.
        test::InputEntityCheckOptions options;
        options.relative_tolerance = 1e-5;
        auto found =
            test::check_input_entities(grid_.background, grid_.modifier, table_, options);
        for (const auto& [v, point] : immutable_) {
            if (grid_.modifier.updated_vertex(v) != v ||
                surface().is_vertex_isolated(v) || !(surface().point(v) == point)) {
                found.push_back("immutable vertex " + std::to_string(v) +
                                " moved or gone");
            }
        }
        const auto forbidden = constraints().forbidden_edges.edges();
        if (forbidden.size() < nb_forbidden_)
            found.push_back("a forbidden edge was dropped");
        nb_forbidden_ = forbidden.size();
        for (const auto& e : forbidden) {
            const auto index = surface().edges().edge_from_vertices(e);
            if (!index || !grid_.modifier.is_edge_active(*index)) {
                found.push_back("forbidden edge (" + std::to_string(e[0]) + " " +
                                std::to_string(e[1]) + ") is no edge of the mesh");
            }
        }
        return found;
    }

    template <typename Simulation>
    static bool geometry_ok(const Simulation& simulated) {
        return simulated && compute_number_of_negative_triangles(*simulated).has_value();
    }

    std::string one_step() {
        const index_t nb = surface().nb_polygons();
        const index_t t = std::uniform_int_distribution<index_t>{0, nb - 1}(rng_);
        const PolygonEdge edge{t, static_cast<local_index_t>(
                                      std::uniform_int_distribution<int>{0, 2}(rng_))};
        const PolygonVertex apex{t, static_cast<local_index_t>((edge.edge_id + 2) % 3)};
        if (!grid_.modifier.is_triangle_active(t)) {
            // Defined answers on detached triangles.
            EXPECT_EQ(allowed_collapse_edge_by_constraints(ms(), edge, constraints()),
                      ALLOWED_COLLAPSE_VERTEX_VERTEX::none);
            EXPECT_FALSE(
                is_swap_edge_allowed_by_constraints(ms(), edge, apex, constraints()));
            EXPECT_EQ(allowed_split_collapse_edge_by_constraints(ms(), edge, apex,
                                                                 constraints()),
                      ALLOWED_COLLAPSE_EDGE_VERTEX::none);
            return {};
        }
        const auto& bg = grid_.background;
        const auto vertices = surface().polygon_edge_vertices(edge);
        const int kind = std::uniform_int_distribution<int>{0, 9}(rng_);
        std::string done;
        if (kind <= 3) {
            const auto verdict = combined_allowed(
                allowed_collapse_edge_by_constraints(ms(), edge, constraints()),
                allowed_collapse_edge_by_macro_info(bg, edge));
            for (const bool first : {true, false}) {
                if (first ? !allows_first(verdict) : !allows_second(verdict))
                    continue;
                const ConstraintModifier::OrientedEdgeVertices pair{
                    vertices[first ? 0 : 1], vertices[first ? 1 : 0]};
                if (!geometry_ok(triangles_after_collapse_edge(
                        surface(), edge, surface().point(pair.kept))))
                    continue;
                constrained_.collapse_edge(edge, pair);
                done = "collapse " + edge.string();
                break;
            }
        } else if (kind <= 5) {
            if (is_swap_edge_allowed_by_constraints(ms(), edge, std::nullopt,
                                                    constraints()) &&
                is_swap_edge_allowed_by_macro_info(bg, edge, std::nullopt) &&
                geometry_ok(triangles_after_swap_edge(surface(), edge))) {
                constrained_.swap_edge(edge, std::nullopt);
                done = "swap " + edge.string();
            }
        } else if (kind == 6) {
            const auto verdict = combined_allowed(
                allowed_split_collapse_edge_by_constraints(ms(), edge, std::nullopt,
                                                           constraints()),
                allowed_split_collapse_edge_by_macro_info(bg, edge, std::nullopt));
            if (allows_edge(verdict) &&
                geometry_ok(triangles_after_split_collapse_edge(surface(), edge))) {
                constrained_.split_collapse_edge(edge, std::nullopt);
                done = "split-collapse " + edge.string();
            }
        } else if (kind <= 8) {
            if (surface().edge_length(edge) > 0.05) {
                constrained_.split_edge(edge, surface().edge_barycenter(edge));
                done = "split " + edge.string();
            }
        } else {
            done = sliver_and_reroute(edge);
        }
        if (!done.empty())
            ++nb_done_;
        return done;
    }

    // An edge-vertex configuration as insertions make them: a vertex inserted 5e-7 from
    // the edge, then the edge re-routed through it, macro edges and forbidden status
    // included.
    std::string sliver_and_reroute(const PolygonEdge& edge) {
        const auto segment = surface().polygon_edge_segment(edge);
        if (segment.length() < 0.05)
            return {};
        const auto d = segment.direction();
        const double length = segment.length();
        const Point<2> normal{{-d.value(1) / length, d.value(0) / length}};
        const Point<2> point = segment.barycenter() + normal * 5e-7;
        const index_t t = edge.polygon_id;
        if (point_triangle_position(point, surface().triangle(t)) != POSITION::inside)
            return {};
        const auto vertices = surface().polygon_edge_vertices(edge);
        const index_t nb_before = surface().nb_polygons();
        grid_.modifier.split_triangle(t, point);
        // The piece on the edge: the first new triangle whose first edge is (a, b).
        std::optional<PolygonEdge> sliver;
        for (index_t n = nb_before; n < surface().nb_polygons(); ++n) {
            for (local_index_t e = 0; e < 3; ++e) {
                if (surface().polygon_edge_vertices(PolygonEdge{n, e}) == vertices)
                    sliver = PolygonEdge{n, e};
            }
        }
        if (!sliver)
            return "split triangle (no sliver found)";
        const PolygonVertex apex{sliver->polygon_id,
                                 static_cast<local_index_t>((sliver->edge_id + 2) % 3)};
        const auto verdict = combined_allowed(
            allowed_split_collapse_edge_by_constraints(ms(), *sliver, apex,
                                                       constraints()),
            allowed_split_collapse_edge_by_macro_info(grid_.background, *sliver, apex));
        if (!allows_edge(verdict) ||
            !geometry_ok(triangles_after_split_collapse_edge(surface(), *sliver)))
            return "split triangle near " + edge.string();
        constrained_.split_collapse_edge(*sliver, apex);
        return "split triangle and re-route " + edge.string();
    }

    uuid sides_;
    uuid corners_;
    std::mt19937 rng_;
    test::BackgroundOnGrid grid_;
    BackgroundSurfaceConstraintModifier constrained_;
    test::InputEntities table_;
    std::vector<std::pair<index_t, Point<2>>> immutable_;
    std::size_t nb_forbidden_{0};
    int nb_done_{0};
};

class RandomConstrained : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomConstrained, NothingLostNothingBroken) {
    RandomConstrainedEdits edits{GetParam()};
    edits.run(600);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomConstrained, ::testing::Values(1u, 7u, 2024u));

}  // namespace
}  // namespace orvane::internal
