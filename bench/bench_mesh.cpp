// Surface construction and query speed on a 1000 x 1000 vertex grid (two million
// triangles), with adjacencies and the edge set.
//
// grid_bytes_per_triangle counts what the surface allocates (capacities of its polygon
// and vertex arrays, of the edge pair array, slots plus control bytes of the edge hash
// map, and attribute values), divided by the number of triangles.

#include <array>
#include <cstdio>
#include <random>
#include <vector>

#include <bench_util.hpp>

#include <orvane/kernel/mesh/surface_consistency.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/kernel/mesh/triangulated_surface_builder.hpp>

#ifdef ORVANE_HAVE_CGAL
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#endif

namespace {

using namespace orvane;

constexpr index_t N = 1000;

std::vector<Point2D> grid_points() {
    std::vector<Point2D> points;
    points.reserve(N * N);
    for (index_t j = 0; j < N; ++j) {
        for (index_t i = 0; i < N; ++i)
            points.push_back(Point2D{{double(i), double(j)}});
    }
    return points;
}

// The input connectivity, prepared outside the timed build like CGAL's input points.
std::vector<std::array<index_t, 3>> grid_triangles() {
    std::vector<std::array<index_t, 3>> triangles;
    triangles.reserve(2 * (N - 1) * (N - 1));
    for (index_t j = 0; j + 1 < N; ++j) {
        for (index_t i = 0; i + 1 < N; ++i) {
            const index_t a = j * N + i;
            triangles.push_back({{a, a + 1, a + 1 + N}});
            triangles.push_back({{a, a + 1 + N, a + N}});
        }
    }
    return triangles;
}

std::unique_ptr<TriangulatedSurface<2>> build_grid(
    const std::vector<Point2D>& points,
    const std::vector<std::array<index_t, 3>>& triangles) {
    bench::Stopwatch phase;
    auto surface = TriangulatedSurface<2>::create();
    TriangulatedSurfaceBuilder<2> builder{*surface};
    builder.reserve_vertices(N * N);
    builder.create_points(points);
    std::printf("# points: %.3f s\n", phase.seconds());
    phase.restart();
    builder.reserve_polygons(static_cast<index_t>(triangles.size()));
    builder.create_triangles(triangles);
    std::printf("# triangles: %.3f s\n", phase.seconds());
    phase.restart();
    builder.compute_polygon_adjacencies();
    std::printf("# adjacencies: %.3f s\n", phase.seconds());
    phase.restart();
    surface->enable_edges();
    std::printf("# edges: %.3f s\n", phase.seconds());
    return surface;
}

#ifdef ORVANE_HAVE_CGAL
double cgal_build_seconds(const std::vector<Point2D>& points) {
    using K = CGAL::Exact_predicates_inexact_constructions_kernel;
    using DT = CGAL::Delaunay_triangulation_2<K>;
    std::vector<K::Point_2> cgal_points;
    cgal_points.reserve(points.size());
    for (const auto& p : points)
        cgal_points.emplace_back(p.value(0), p.value(1));
    bench::Stopwatch watch;
    DT dt;
    dt.insert(cgal_points.begin(), cgal_points.end());
    const double seconds = watch.seconds();
    bench::do_not_optimize(dt.number_of_faces());
    std::printf("# cgal faces: %zu\n", static_cast<std::size_t>(dt.number_of_faces()));
    return seconds;
}
#endif

}  // namespace

int main() {
    const auto points = grid_points();
    const auto triangles = grid_triangles();

    bench::Stopwatch watch;
    auto surface = build_grid(points, triangles);
    const double build_seconds = watch.seconds();
    std::printf("# triangles: %u, edges: %u\n", surface->nb_polygons(),
                surface->edges().nb_edges());

#ifdef ORVANE_HAVE_CGAL
    const double cgal_seconds = cgal_build_seconds(points);
    bench::report("grid_build_2m_s", build_seconds, "s", "cgal_delaunay", cgal_seconds);
#else
    bench::report("grid_build_2m_s", build_seconds, "s");
#endif

    bench::report(
        "grid_bytes_per_triangle",
        static_cast<double>(surface->allocated_bytes()) / surface->nb_polygons(),
        "bytes");

    constexpr index_t nb_queries = 2000000;
    std::mt19937 rng{12345};
    std::uniform_int_distribution<index_t> random_vertex(0, surface->nb_vertices() - 1);
    std::uniform_int_distribution<index_t> random_polygon(0, surface->nb_polygons() - 1);
    std::uniform_int_distribution<int> random_local(0, 2);

    {
        std::vector<index_t> vertices(nb_queries);
        for (auto& v : vertices)
            v = random_vertex(rng);
        std::size_t total = 0;
        watch.restart();
        for (const auto v : vertices)
            total += surface->polygons_around_vertex(v).size();
        const double seconds = watch.seconds();
        bench::do_not_optimize(total);
        bench::report("polygons_around_vertex_per_s", nb_queries / seconds, "1/s");
    }
    {
        std::vector<std::array<index_t, 2>> pairs(nb_queries);
        for (auto& pair : pairs) {
            pair = surface->polygon_edge_vertices(PolygonEdge{
                random_polygon(rng), static_cast<local_index_t>(random_local(rng))});
        }
        const auto& edges = surface->edges();
        index_t found = 0;
        watch.restart();
        for (const auto& pair : pairs)
            found += edges.edge_from_vertices(pair).has_value();
        const double seconds = watch.seconds();
        bench::do_not_optimize(found);
        if (found != nb_queries)
            std::printf("# missing edges: %u\n", nb_queries - found);
        bench::report("edge_from_vertices_per_s", nb_queries / seconds, "1/s");
    }
    {
        std::vector<PolygonEdge> polygon_edges(nb_queries);
        for (auto& pe : polygon_edges) {
            pe = PolygonEdge{random_polygon(rng),
                             static_cast<local_index_t>(random_local(rng))};
        }
        index_t nb_adjacent = 0;
        watch.restart();
        for (const auto& pe : polygon_edges) {
            nb_adjacent += surface->polygon_adjacent(pe).has_value();
        }
        const double seconds = watch.seconds();
        bench::do_not_optimize(nb_adjacent);
        bench::report("polygon_adjacent_per_s", nb_queries / seconds, "1/s");
    }

    const auto problems = check_surface_consistency(*surface);
    if (!problems.empty()) {
        std::printf("# INVALID SURFACE: %s\n", problems.front().c_str());
        return 1;
    }
    return 0;
}
