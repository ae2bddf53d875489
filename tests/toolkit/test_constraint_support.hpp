#pragma once

// Small surfaces for the constraint modifier tests, each with its builder, modifier and
// constrained modifier.

#include <array>
#include <memory>
#include <vector>

#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_constraint_modifier.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

#include "support/grid_surface.hpp"

namespace orvane::test {

using Constraints = ConstraintModifier::CommonConstraints;
using Border = ConstraintModifier::BORDER_CONSTRAINT;

// A surface with everything needed to edit it under constraints. Not movable.
struct ConstrainedSurface {
    explicit ConstrainedSurface(std::unique_ptr<TriangulatedSurface<2>> surface_in,
                                Border border = Border::none)
        : surface(std::move(surface_in)),
          builder(*surface),
          modifier(*surface, builder),
          constrained(ModifiableObject<TriangulatedSurface<2>>{modifier},
                      Constraints{border}) {}
    ConstrainedSurface(const ConstrainedSurface&) = delete;

    Constraints& constraints() { return constrained.constraints(); }
    const ModifiableObject<TriangulatedSurface<2>>& modifiable() const {
        return constrained.modifiable_surface();
    }
    PolygonEdge edge(index_t from, index_t to) const {
        return surface->polygon_edge_from_vertices(from, to).value();
    }

    std::unique_ptr<TriangulatedSurface<2>> surface;
    TriangulatedSurfaceBuilder<2> builder;
    TriangulatedSurfaceModifier<2> modifier;
    TriangulatedSurfaceConstraintModifier<2> constrained;
};

inline std::unique_ptr<TriangulatedSurface<2>> make_surface(
    const std::vector<Point<2>>& points,
    const std::vector<std::array<index_t, 3>>& triangles) {
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*surface};
    builder.create_points(points);
    builder.create_triangles(triangles);
    builder.compute_polygon_adjacencies();
    return surface;
}

// Vertices a = 0, b = 1, c = 2 (within 1e-7 of the segment ab, above it), d = 3 below:
// triangles (a, b, c) and (b, a, d) share the interior edge (a, b).
inline std::unique_ptr<TriangulatedSurface<2>> make_flat_quad() {
    return make_surface(
        {Point<2>{{0, 0}}, Point<2>{{2, 0}}, Point<2>{{1, 1e-7}}, Point<2>{{1, -1}}},
        {{0, 1, 2}, {1, 0, 3}});
}

// The border edge a = 0 -> b = 1 has its apex c = 2 within 1e-7 of it; c is interior,
// surrounded by (a, b, c), (b, e, c), (e, a, c) with e = 3 on top.
inline std::unique_ptr<TriangulatedSurface<2>> make_border_sliver() {
    return make_surface(
        {Point<2>{{0, 0}}, Point<2>{{2, 0}}, Point<2>{{1, 1e-7}}, Point<2>{{1, 1}}},
        {{0, 1, 2}, {1, 3, 2}, {3, 0, 2}});
}

// A triangle A = 0, B = 1, C = 2 with a triangular hole a = 3, b = 4, x = 5: the hole's
// edge (a, b) fails the link condition (a and b share x besides the apex A).
inline std::unique_ptr<TriangulatedSurface<2>> make_ring() {
    return make_surface(
        {Point<2>{{0, 0}}, Point<2>{{4, 0}}, Point<2>{{2, 4}}, Point<2>{{1.5, 1}},
         Point<2>{{2.5, 1}}, Point<2>{{2, 2}}},
        {{0, 1, 4}, {0, 4, 3}, {1, 2, 5}, {1, 5, 4}, {2, 0, 3}, {2, 3, 5}});
}

// A fold: v = 0 at `v_point` with T1 = (v, a, b), T2 = (v, b, a) adjacent across both
// of v's edges, a = 1 at (0, 0), b = 2 at (2, 0); X1 = (b, a, x1) below across T1's edge
// (a, b), X2 = (a, b, x2) above across T2's, x1 = 3 at (1, -1), x2 = 4 at (1, 1).
// Triangles: T1 = 0, T2 = 1, X1 = 2, X2 = 3.
inline std::unique_ptr<TriangulatedSurface<2>> make_fold(const Point<2>& v_point) {
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*surface};
    builder.create_points(std::vector<Point<2>>{v_point, Point<2>{{0, 0}},
                                                Point<2>{{2, 0}}, Point<2>{{1, -1}},
                                                Point<2>{{1, 1}}});
    builder.create_triangles(
        std::vector<std::array<index_t, 3>>{{0, 1, 2}, {0, 2, 1}, {2, 1, 3}, {1, 2, 4}});
    // (v, a) and (v, b) are shared by two triangles each; (a, b) by four, so it is
    // glued by hand: T1 with X1, T2 with X2.
    builder.compute_polygon_adjacencies();
    builder.set_polygon_adjacent(PolygonEdge{0, 1}, 2);
    builder.set_polygon_adjacent(PolygonEdge{2, 0}, 0);
    builder.set_polygon_adjacent(PolygonEdge{1, 1}, 3);
    builder.set_polygon_adjacent(PolygonEdge{3, 0}, 1);
    return surface;
}

}  // namespace orvane::test
