#pragma once

// Topological tests shared by the constraint predicates and the simulations: can a
// local operation be made without breaking the manifold (link condition, pinches),
// duplicating an edge, folding a vertex into a double adjacency, or leaving a vertex
// without triangles. Geometry is not looked at. Every test is O(valence).

#include <algorithm>
#include <optional>
#include <utility>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>

namespace orvane::detail {

inline local_index_t next3(local_index_t i) {
    return i == 2 ? 0 : i + 1;
}
inline local_index_t prev3(local_index_t i) {
    return i == 0 ? 2 : i - 1;
}

// A polygon edge (t, e) from a to b with apex c, and across it, when it is interior,
// the polygon edge of triangle q with apex d.
struct EdgeStar {
    index_t t{NO_ID};
    index_t a{NO_ID};
    index_t b{NO_ID};
    index_t c{NO_ID};
    std::optional<PolygonEdge> across;
    index_t q{NO_ID};
    index_t d{NO_ID};
};

inline EdgeStar edge_star(const TriangulatedSurface<2>& surface,
                          const PolygonEdge& edge) {
    EdgeStar star;
    star.t = edge.polygon_id;
    const auto& v = surface.polygon_vertices(edge.polygon_id);
    star.a = v[edge.edge_id];
    star.b = v[next3(edge.edge_id)];
    star.c = v[prev3(edge.edge_id)];
    star.across = surface.polygon_adjacent_edge(edge);
    if (star.across) {
        star.q = star.across->polygon_id;
        star.d =
            surface.polygon_vertex(PolygonVertex{star.q, prev3(star.across->edge_id)});
    }
    return star;
}

template <typename List>
bool list_contains(const List& list, index_t value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Whether a fan holds the triangle: false for a triangle a modifier has detached.
inline bool fan_holds(const PolygonsAroundVertex& fan, index_t triangle) {
    for (const auto& pv : fan) {
        if (pv.polygon_id == triangle)
            return true;
    }
    return false;
}

// Whether an interior vertex whose fan has `remaining` triangles after an operation
// is folded (two triangles sharing both edges) or a vertex is left without triangles.
inline bool is_broken_fan(index_t remaining, bool on_border) {
    return remaining == 0 || (!on_border && remaining <= 2);
}

// Whether the vertex is folded or left alone once one of its triangles goes. Past three
// triangles it is neither, wherever it lies: the border walk is skipped.
inline bool loses_fan(const TriangulatedSurface<2>& surface, index_t vertex) {
    const auto n = static_cast<index_t>(surface.polygons_around_vertex(vertex).size());
    return n <= 3 && is_broken_fan(n - 1, surface.is_vertex_on_border(vertex));
}

// A double adjacency: exactly two triangles around an interior vertex, adjacent to
// each other across both of the vertex's edges.
inline bool is_double_adjacency(const TriangulatedSurface<2>& surface, index_t vertex) {
    if (surface.is_vertex_isolated(vertex))
        return false;
    const auto fan = surface.polygons_around_vertex(vertex);
    if (fan.size() != 2 || surface.is_vertex_on_border(vertex))
        return false;
    const index_t t1 = fan[0].polygon_id;
    const index_t t2 = fan[1].polygon_id;
    if (t1 == t2)
        return false;
    const local_index_t lv = fan[0].vertex_id;
    return surface.polygon_adjacent(PolygonEdge{t1, lv}) == t2 &&
           surface.polygon_adjacent(PolygonEdge{t1, prev3(lv)}) == t2;
}

// One walk around a vertex, giving its fan, whether it is on the border and its
// neighbours in the order of vertices_around_vertex.
struct VertexFan {
    VertexFan(const TriangulatedSurface<2>& surface, index_t vertex) {
        if (surface.is_vertex_isolated(vertex))
            return;
        fan = surface.polygons_around_vertex(vertex);
        const auto& first = fan.front();
        on_border =
            !surface.polygon_adjacent(PolygonEdge{first.polygon_id, first.vertex_id});
        for (const auto& pv : fan) {
            neighbours.push_back(
                surface.polygon_vertices(pv.polygon_id)[next3(pv.vertex_id)]);
        }
        if (on_border) {
            const auto& last = fan.back();
            neighbours.push_back(
                surface.polygon_vertices(last.polygon_id)[prev3(last.vertex_id)]);
        }
    }
    index_t size() const { return static_cast<index_t>(fan.size()); }

    PolygonsAroundVertex fan;
    VerticesAroundVertex neighbours;
    bool on_border{false};
};

// Fan size and border flag of a vertex, without listing its neighbours.
inline std::pair<index_t, bool> fan_size(const TriangulatedSurface<2>& surface,
                                         index_t vertex) {
    if (surface.is_vertex_isolated(vertex))
        return {0, false};
    const auto fan = surface.polygons_around_vertex(vertex);
    const auto& first = fan.front();
    return {static_cast<index_t>(fan.size()),
            !surface.polygon_adjacent(PolygonEdge{first.polygon_id, first.vertex_id})};
}

// Collapse of the polygon edge (either way: the topology does not depend on which end
// stays): the triangle is attached, the link condition holds, an interior edge does
// not join two border vertices, and no vertex is folded or left alone. One walk around
// each of the four vertices involved.
inline bool is_collapse_topologically_valid(const TriangulatedSurface<2>& surface,
                                            const PolygonEdge& edge) {
    const auto star = edge_star(surface, edge);
    const VertexFan fan_a{surface, star.a};
    if (!fan_holds(fan_a.fan, star.t))
        return false;
    const VertexFan fan_b{surface, star.b};
    for (const index_t x : fan_b.neighbours) {
        if (x == star.a || x == star.c || x == star.d)
            continue;
        if (list_contains(fan_a.neighbours, x))
            return false;
    }
    if (star.across && fan_a.on_border && fan_b.on_border)
        return false;
    const index_t removed = star.across ? 2 : 1;
    const index_t merged = fan_a.size() + fan_b.size() - 2 * removed;
    if (is_broken_fan(merged, fan_a.on_border || fan_b.on_border))
        return false;
    for (const index_t apex : {star.c, star.d}) {
        if (apex == NO_ID)
            continue;
        const auto [n, on_border] = fan_size(surface, apex);
        if (is_broken_fan(n - 1, on_border))
            return false;
    }
    return true;
}

// Swap of an interior polygon edge (a, b) into (c, d): the edge (c, d) does not exist
// yet and neither a nor b is folded.
inline bool is_swap_topologically_valid(const TriangulatedSurface<2>& surface,
                                        const PolygonEdge& edge) {
    const auto star = edge_star(surface, edge);
    if (!star.across || star.c == star.d)
        return false;
    if (list_contains(surface.vertices_around_vertex(star.c), star.d))
        return false;
    for (const index_t end : {star.a, star.b}) {
        if (loses_fan(surface, end))
            return false;
    }
    return true;
}

// Re-routing of the polygon edge through its apex w: interior, the new edge (w, x) does
// not exist yet and neither end is folded; border, the two other edges of the triangle
// are interior and w is not on the border.
inline bool is_split_collapse_topologically_valid(const TriangulatedSurface<2>& surface,
                                                  const PolygonEdge& edge) {
    const auto star = edge_star(surface, edge);
    const auto fan_a = surface.polygons_around_vertex(star.a);
    if (!fan_holds(fan_a, star.t))
        return false;
    if (star.across) {
        if (star.c == star.d)
            return false;
        if (list_contains(surface.vertices_around_vertex(star.c), star.d))
            return false;
        for (const index_t end : {star.a, star.b}) {
            if (loses_fan(surface, end))
                return false;
        }
        return true;
    }
    if (surface.is_edge_on_border(PolygonEdge{star.t, next3(edge.edge_id)}) ||
        surface.is_edge_on_border(PolygonEdge{star.t, prev3(edge.edge_id)})) {
        return false;
    }
    return !surface.is_vertex_on_border(star.c);
}

}  // namespace orvane::detail
