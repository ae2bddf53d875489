#pragma once

// A background over a jittered grid with its builder, modifier and a constraint
// modifier under the fixed border, optionally seeded with input entities: macro
// vertices, straight macro edge chains (a row, a diagonal and the sides of a square,
// whose vertices keep their grid points), the cells of that square carrying two macro
// elements, and slivers (free
// vertices pushed almost onto the segment between two of their neighbours).

#include <array>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/basic/uuid.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/macro/common/macro_entities.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>
#include <orvane/surface/modifier/background_surface_constraint_modifier.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_improvement_simulator.hpp>

#include "support/jittered_grid.hpp"

namespace orvane::test {

struct JitteredBackgroundOptions {
    index_t n{16};
    unsigned seed{1};
    bool macro_information{true};
    bool slivers{true};
};

// Not movable: the members refer to each other.
class JitteredBackground {
public:
    explicit JitteredBackground(const JitteredBackgroundOptions& options)
        : options_(options),
          surface_(make_jittered_grid(options.n, options.n, grid_options(options))),
          background_(*surface_),
          builder_(background_),
          surface_builder_(*surface_),
          modifier_(background_, builder_, surface_builder_),
          constrained_(
              ModifiableObject<internal::BackgroundSurface>{background_, modifier_},
              builder_,
              ConstraintModifier::CommonConstraints{
                  ConstraintModifier::BORDER_CONSTRAINT::fixed}) {
        if (options.macro_information)
            add_macro_information();
        if (options.slivers)
            add_slivers();
    }
    JitteredBackground(const JitteredBackground&) = delete;
    JitteredBackground& operator=(const JitteredBackground&) = delete;

    index_t vertex(index_t i, index_t j) const { return j * (options_.n + 1) + i; }
    const TriangulatedSurface<2>& surface() const { return *surface_; }
    internal::BackgroundSurface& background() { return background_; }
    internal::BackgroundSurfaceBuilder& builder() { return builder_; }
    internal::BackgroundSurfaceModifier& modifier() { return modifier_; }
    internal::BackgroundSurfaceConstraintModifier& constrained() { return constrained_; }

    double worst_quality() const {
        double worst = 1;
        for (index_t t = 0; t < surface_->nb_polygons(); ++t) {
            if (modifier_.is_triangle_active(t))
                worst = std::min(worst, triangle_quality(surface_->triangle(t)));
        }
        return worst;
    }
    index_t nb_used_vertices() const {
        index_t count = 0;
        for (index_t v = 0; v < surface_->nb_vertices(); ++v) {
            if (!surface_->is_vertex_isolated(v))
                ++count;
        }
        return count;
    }
    // The vertices carrying a macro vertex or an incident macro edge, with their points.
    std::vector<std::pair<index_t, Point<2>>> carrying_vertices() const {
        std::vector<std::pair<index_t, Point<2>>> result;
        for (index_t v = 0; v < surface_->nb_vertices(); ++v) {
            if (surface_->is_vertex_isolated(v))
                continue;
            if (!background_.macro_vertices(v).empty() ||
                !background_.incident_macro_edges(v).empty())
                result.emplace_back(v, surface_->point(v));
        }
        return result;
    }

private:
    static bool on_row(index_t i, index_t j) { return j == 4 && i >= 2 && i <= 12; }
    // The border of the square of cells [9, 13) x [6, 10) carrying the macro elements.
    static bool on_square(index_t i, index_t j) {
        const bool side_i = (i == 9 || i == 13) && j >= 6 && j <= 10;
        const bool side_j = (j == 6 || j == 10) && i >= 9 && i <= 13;
        return side_i || side_j;
    }
    static bool on_diagonal(index_t i, index_t j) {
        return i >= 3 && i <= 10 && j == i + 4;
    }
    static JitteredGridOptions grid_options(const JitteredBackgroundOptions& options) {
        JitteredGridOptions grid;
        grid.seed = options.seed;
        grid.amplitude = 0.2;
        if (options.macro_information) {
            grid.keep_in_place = [](index_t i, index_t j) {
                return on_row(i, j) || on_diagonal(i, j) || on_square(i, j);
            };
            grid.keep_diagonal = [](index_t i, index_t j) {
                return on_diagonal(i, j) && on_diagonal(i + 1, j + 1);
            };
        }
        return grid;
    }

    std::vector<index_t> chain_edges(const std::vector<index_t>& chain) const {
        std::vector<index_t> edges;
        for (std::size_t k = 1; k < chain.size(); ++k) {
            edges.push_back(
                surface_->edges().edge_from_vertices({chain[k - 1], chain[k]}).value());
        }
        return edges;
    }

    void add_macro_information() {
        const uuid points;
        const uuid curves;
        const uuid surfaces;
        index_t next_vertex = 0;
        const auto macro_vertex = [&](index_t i, index_t j) {
            builder_.add_macro_vertex_info(MeshVertex{points, next_vertex++},
                                           vertex(i, j));
        };
        std::vector<index_t> row;
        for (index_t i = 2; i <= 12; ++i)
            row.push_back(vertex(i, 4));
        builder_.add_macro_edge_info(MeshEdge{curves, 0}, chain_edges(row));
        std::vector<index_t> diagonal;
        for (index_t i = 3; i <= 10; ++i)
            diagonal.push_back(vertex(i, i + 4));
        builder_.add_macro_edge_info(MeshEdge{curves, 1}, chain_edges(diagonal));
        // The square's four sides, as an inserted input triangle's edges would be: the
        // macro elements inside stay enclosed by macro edges.
        const std::array<std::array<index_t, 4>, 4> sides{
            {{{9, 6, 13, 6}}, {{13, 6, 13, 10}}, {{13, 10, 9, 10}}, {{9, 10, 9, 6}}}};
        index_t next_edge = 2;
        for (const auto& side : sides) {
            std::vector<index_t> chain;
            const int di = side[2] > side[0] ? 1 : (side[2] < side[0] ? -1 : 0);
            const int dj = side[3] > side[1] ? 1 : (side[3] < side[1] ? -1 : 0);
            for (int k = 0; k <= 4; ++k)
                chain.push_back(vertex(side[0] + k * di, side[1] + k * dj));
            builder_.add_macro_edge_info(MeshEdge{curves, next_edge++},
                                         chain_edges(chain));
            macro_vertex(side[0], side[1]);
        }
        macro_vertex(2, 4);
        macro_vertex(12, 4);
        macro_vertex(3, 7);
        macro_vertex(10, 14);
        macro_vertex(8, 9);
        macro_vertex(13, 2);
        // Cells [9, 13) x [6, 10): their two triangles each.
        for (index_t j = 6; j < 10; ++j) {
            for (index_t i = 9; i < 13; ++i) {
                const index_t first = 2 * (j * options_.n + i);
                for (const index_t t : {first, first + 1}) {
                    builder_.add_macro_element_info(MeshElement{surfaces, 0}, t);
                    builder_.add_macro_element_info(MeshElement{surfaces, 1}, t);
                }
            }
        }
    }

    void add_slivers() {
        std::mt19937 rng{options_.seed + 1000};
        const index_t n = options_.n;
        for (index_t j = 2; j + 2 < n; j += 3) {
            for (index_t i = 1 + (j % 2); i + 2 < n; i += 3) {
                const index_t v = vertex(i, j);
                if (!background_.macro_vertices(v).empty() ||
                    !background_.incident_macro_edges(v).empty())
                    continue;
                const auto neighbours = surface_->vertices_around_vertex(v);
                const auto& a = surface_->point(neighbours[rng() % neighbours.size()]);
                const auto& b = surface_->point(neighbours[rng() % neighbours.size()]);
                const Point<2> middle = (a + b) / 2.;
                const double keep = (rng() % 2 == 0) ? 1e-3 : 1e-7;
                try {
                    modifier_.move_point(v,
                                         middle + (surface_->point(v) - middle) * keep);
                } catch (const std::exception&) {
                    // It would invert a triangle: this vertex stays.
                }
            }
        }
    }

    JitteredBackgroundOptions options_;
    std::unique_ptr<TriangulatedSurface<2>> surface_;
    internal::BackgroundSurface background_;
    internal::BackgroundSurfaceBuilder builder_;
    TriangulatedSurfaceBuilder<2> surface_builder_;
    internal::BackgroundSurfaceModifier modifier_;
    internal::BackgroundSurfaceConstraintModifier constrained_;
};

}  // namespace orvane::test
