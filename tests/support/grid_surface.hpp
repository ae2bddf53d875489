#pragma once

// Small surfaces for tests and benchmarks: a regular grid of right triangles, and its
// one-row form, a strip whose bottom row is a straight chain of N edges.

#include <array>
#include <memory>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>

namespace orvane::test {

// A grid of nx by ny unit cells with lower-left corner at the origin, each cell cut
// along the diagonal from its lower-left to its upper-right corner.
//
// Vertex (i, j), 0 <= i <= nx, 0 <= j <= ny, has index j * (nx + 1) + i and point
// (i, j) * spacing. Cell (i, j) holds triangles 2 * (j * nx + i) (lower-right:
// (i, j), (i + 1, j), (i + 1, j + 1)) and 2 * (j * nx + i) + 1 (upper-left:
// (i, j), (i + 1, j + 1), (i, j + 1)), both counter-clockwise; adjacencies are set.
// Edges are not enabled.
class Grid {
public:
    Grid(index_t nx, index_t ny, double spacing = 1.) : nx_(nx), ny_(ny) {
        surface_ = TriangulatedSurface<2>::create();
        TriangulatedSurfaceBuilder<2> builder{*surface_};
        std::vector<Point<2>> points;
        points.reserve((nx + 1) * (ny + 1));
        for (index_t j = 0; j <= ny; ++j) {
            for (index_t i = 0; i <= nx; ++i) {
                points.push_back(Point<2>{{i * spacing, j * spacing}});
            }
        }
        builder.create_points(points);
        std::vector<std::array<index_t, 3>> triangles;
        triangles.reserve(2 * nx * ny);
        for (index_t j = 0; j < ny; ++j) {
            for (index_t i = 0; i < nx; ++i) {
                triangles.push_back(
                    {vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1)});
                triangles.push_back(
                    {vertex(i, j), vertex(i + 1, j + 1), vertex(i, j + 1)});
            }
        }
        builder.create_triangles(triangles);
        builder.compute_polygon_adjacencies();
    }

    index_t vertex(index_t i, index_t j) const { return j * (nx_ + 1) + i; }
    index_t lower_triangle(index_t i, index_t j) const { return 2 * (j * nx_ + i); }
    index_t upper_triangle(index_t i, index_t j) const { return 2 * (j * nx_ + i) + 1; }
    index_t nx() const { return nx_; }
    index_t ny() const { return ny_; }

    TriangulatedSurface<2>& surface() { return *surface_; }
    const TriangulatedSurface<2>& surface() const { return *surface_; }
    std::unique_ptr<TriangulatedSurface<2>> release() { return std::move(surface_); }

private:
    index_t nx_;
    index_t ny_;
    std::unique_ptr<TriangulatedSurface<2>> surface_;
};

// A strip of n cells: its bottom row, vertices 0 to n, is a straight chain of n edges.
inline Grid make_strip(index_t n) {
    return Grid{n, 1};
}

// The edge indices of the chain of vertices, one per consecutive pair (edges enabled).
inline std::vector<index_t> chain_edges(const TriangulatedSurface<2>& surface,
                                        const std::vector<index_t>& chain) {
    std::vector<index_t> edges;
    for (std::size_t i = 1; i < chain.size(); ++i) {
        edges.push_back(
            surface.edges().edge_from_vertices({chain[i - 1], chain[i]}).value());
    }
    return edges;
}

// Row j of a grid, vertices (0, j) to (nx, j) in order.
inline std::vector<index_t> row(const Grid& grid, index_t j) {
    std::vector<index_t> vertices;
    for (index_t i = 0; i <= grid.nx(); ++i) {
        vertices.push_back(grid.vertex(i, j));
    }
    return vertices;
}

}  // namespace orvane::test
