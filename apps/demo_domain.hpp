#pragma once

// The demonstration's embedded data: a jittered grid over an L-shaped domain with a
// rectangular hole, a smooth height function, and a point set scattered over and
// around the domain.

#include <memory>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/point_set.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>

namespace orvane::demo {

struct DomainOptions {
    // Unit cells of the enclosing grid.
    index_t nx{90};
    index_t ny{60};
    // The notch: cells (i, j) with i >= notch_i and j >= notch_j are left out.
    index_t notch_i{60};
    index_t notch_j{36};
    // The hole: cells in [hole_i0, hole_i1) x [hole_j0, hole_j1) are left out.
    index_t hole_i0{16};
    index_t hole_i1{30};
    index_t hole_j0{20};
    index_t hole_j1{32};
    // Interior vertices move by up to this much; border vertices stay on the grid, so
    // the border is made of straight runs.
    double amplitude{0.2};
    unsigned seed{2026};

    bool has_cell(index_t i, index_t j) const;
};

// The triangulation of the domain's cells, each cut along a random diagonal; only the
// vertices some cell uses are created. Adjacencies are computed.
std::unique_ptr<TriangulatedSurface<2>> make_domain(const DomainOptions& options);

// The demonstration's scalar function: a smooth mix of sines and cosines, in about
// [-1.3, 1.3] over the domain.
double height(const Point<2>& p);

// `count` uniform random points over the grid's rectangle grown by `overhang` on every
// side: some fall into the notch, the hole or beyond the grid, outside the background.
std::unique_ptr<PointSet<2>> make_point_set(const DomainOptions& options, index_t count,
                                            double overhang, unsigned seed);

}  // namespace orvane::demo
