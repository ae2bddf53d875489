#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

#include <algorithm>
#include <any>
#include <cmath>
#include <cstdint>

#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>

namespace orvane {

namespace {

inline local_index_t next3(local_index_t i) {
    return i == 2 ? 0 : i + 1;
}
inline local_index_t prev3(local_index_t i) {
    return i == 0 ? 2 : i - 1;
}

template <typename... Args>
[[noreturn]] void fail(const char* operation, std::any payload, const Args&... message) {
    throw OrvaneCommonModifierCommonException(std::move(payload),
                                              "[TriangulatedSurfaceModifier::", operation,
                                              "] ", message...);
}

bool ccw(const Point<2>& a, const Point<2>& b, const Point<2>& c) {
    return orient2d(a, b, c) == SIDE::positive;
}

// Twice the unsigned area, for interpolation weights only.
double area2(const Point<2>& a, const Point<2>& b, const Point<2>& c) {
    return std::abs((b.value(0) - a.value(0)) * (c.value(1) - a.value(1)) -
                    (b.value(1) - a.value(1)) * (c.value(0) - a.value(0)));
}

// A triangle to create: its vertices and the triangle whose polygon attributes it
// copies (NO_ID: none).
struct Fresh {
    std::array<index_t, 3> vertices;
    index_t source;
};

using OldTriangles = absl::InlinedVector<index_t, 16>;
using FreshTriangles = absl::InlinedVector<Fresh, 16>;

bool contains(absl::Span<const index_t> list, index_t value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

struct TriangulatedSurfaceModifier<2>::Impl {
    Impl(const TriangulatedSurface<2>& surface_in,
         TriangulatedSurfaceBuilder<2>& builder_in)
        : surface(surface_in), builder(builder_in) {}

    const TriangulatedSurface<2>& surface;
    TriangulatedSurfaceBuilder<2>& builder;
    // inactive[t] != 0 for a deactivated triangle; triangles beyond the end are active
    // (the flags grow only when a triangle is deactivated).
    std::vector<std::uint8_t> inactive;
    index_t nb_inactive{0};
    index_t clean_stamp{0};
    // Vertex pairs of the edges that an operation left without triangle since the last
    // clean: clean_edges checks these (a later operation may have used one again)
    // instead of looking up every polygon edge of the mesh.
    std::vector<std::array<index_t, 2>> released_edges;
    // Edge indices of the polygon edges of the triangles the last replace() created,
    // where it probed the edge set (NO_ID where the edge was known to exist).
    absl::InlinedVector<std::array<index_t, 3>, 16> fresh_edges;

    bool is_active(index_t t) const {
        return t < surface.nb_polygons() && (t >= inactive.size() || inactive[t] == 0);
    }

    void check_triangle(index_t t, const char* operation) const {
        if (t >= surface.nb_polygons()) {
            fail(operation, {}, "Triangle ", t, " out of range (", surface.nb_polygons(),
                 " triangles)");
        }
        if (!is_active(t)) {
            fail(operation, {}, "Triangle ", t, " is inactive");
        }
    }
    void check_polygon_edge(const PolygonEdge& edge, const char* operation) const {
        check_triangle(edge.polygon_id, operation);
        if (edge.edge_id > 2) {
            fail(operation, {}, "Local edge ", static_cast<int>(edge.edge_id),
                 " out of range in polygon edge ", edge.string());
        }
    }
    void check_vertex(index_t v, const char* operation) const {
        if (v >= surface.nb_vertices()) {
            fail(operation, {}, "Vertex ", v, " out of range (", surface.nb_vertices(),
                 " vertices)");
        }
    }

    index_t edge_index(index_t a, index_t b) const {
        return surface.edges().edge_from_vertices({{a, b}}).value();
    }
    // edge_index, reading the indices the last replace() got for the triangles
    // `fresh` first: new edges then need no second probe of the edge set.
    index_t fresh_edge_index(absl::Span<const Fresh> fresh, index_t a, index_t b) const {
        for (index_t j = 0; j < fresh.size() && j < fresh_edges.size(); ++j) {
            const auto& v = fresh[j].vertices;
            for (local_index_t l = 0; l < 3; ++l) {
                if (fresh_edges[j][l] == NO_ID)
                    continue;
                const index_t u = v[l];
                const index_t w = v[next3(l)];
                if ((u == a && w == b) || (u == b && w == a))
                    return fresh_edges[j][l];
            }
        }
        return edge_index(a, b);
    }

    // Whether an active triangle has an edge between a and b.
    bool has_active_edge(index_t a, index_t b) const {
        for (const auto& pv : surface.polygons_around_vertex(a)) {
            const auto& v = surface.polygon_vertices(pv.polygon_id);
            if (v[next3(pv.vertex_id)] == b || v[prev3(pv.vertex_id)] == b)
                return true;
        }
        return false;
    }

    static bool fresh_has_pair(absl::Span<const Fresh> fresh, index_t u, index_t v) {
        for (const auto& f : fresh) {
            for (local_index_t l = 0; l < 3; ++l) {
                const index_t a = f.vertices[l];
                const index_t b = f.vertices[next3(l)];
                if ((a == u && b == v) || (a == v && b == u))
                    return true;
            }
        }
        return false;
    }

    void copy_edge_values(index_t from, index_t to) {
        if (from != to)
            surface.edges().edge_attribute_manager().assign_attribute_value(from, to);
    }

    // Replaces the triangles `old` by `fresh` (appended in that order; returns the
    // index of the first). Adjacencies: a fresh edge u -> v is glued to a fresh edge
    // v -> u, else to the outer neighbour of an old triangle's edge u -> v (old
    // vertices read through the rename from -> to), else it is a border. Outer
    // neighbours that no fresh triangle takes see a border. Old triangles are flagged
    // inactive and detached. Incident pointers naming an old triangle move to a fresh
    // triangle using the vertex, else to another triangle of the vertex's fan, else
    // the vertex becomes isolated (always for `from`). Fresh triangles copy the
    // assignable polygon attributes of their source.
    //
    // The caller has checked everything: the kernel calls below cannot fail.
    index_t replace(absl::Span<const index_t> old, absl::Span<const Fresh> fresh,
                    index_t from = NO_ID, index_t to = NO_ID) {
        const auto rename = [from, to](index_t x) { return x == from ? to : x; };

        struct Outer {
            index_t u;
            index_t v;
            PolygonEdge neighbour;  // polygon NO_ID on the border
            bool taken;
        };
        // The neighbours and the incident pointers of the old triangles' vertices lie
        // at random places of a large mesh: start loading them all before the walk
        // below needs them one after the other.
        absl::InlinedVector<index_t, 24> adjacents;
        absl::InlinedVector<index_t, 24> corners;
        for (const index_t o : old) {
            for (local_index_t i = 0; i < 3; ++i) {
                const index_t adjacent =
                    surface.polygon_adjacent(PolygonEdge{o, i}).value_or(NO_ID);
                adjacents.push_back(adjacent);
                if (adjacent != NO_ID)
                    __builtin_prefetch(&surface.polygon_vertices(adjacent));
            }
            for (const index_t x : surface.polygon_vertices(o)) {
                if (!contains(corners, x))
                    corners.push_back(x);
            }
        }
        absl::InlinedVector<std::optional<PolygonVertex>, 24> incidents;
        for (const index_t x : corners)
            incidents.push_back(surface.polygon_around_vertex(x));

        absl::InlinedVector<Outer, 24> outers;
        for (index_t n = 0; n < old.size(); ++n) {
            const index_t o = old[n];
            const auto& pvs = surface.polygon_vertices(o);
            for (local_index_t i = 0; i < 3; ++i) {
                const PolygonEdge pe{o, i};
                const auto adjacent = adjacents[3 * n + i] == NO_ID
                                          ? std::nullopt
                                          : std::optional<index_t>{adjacents[3 * n + i]};
                const bool inner = adjacent && contains(old, *adjacent);
                // An edge between two old triangles or on the border loses its
                // triangles unless a fresh triangle has it again: remember it for
                // clean_edges (once per inner edge).
                if ((!adjacent || (inner && o < *adjacent)) &&
                    !fresh_has_pair(fresh, pvs[i], pvs[next3(i)])) {
                    released_edges.push_back({{pvs[i], pvs[next3(i)]}});
                }
                if (inner)
                    continue;
                Outer outer{rename(pvs[i]), rename(pvs[next3(i)]), PolygonEdge{}, false};
                if (adjacent) {
                    if (const auto back = surface.polygon_adjacent_edge(pe))
                        outer.neighbour = *back;
                }
                outers.push_back(outer);
            }
        }

        // Incident pointers to repair, decided before anything changes (the fan walks
        // need the old adjacencies).
        struct Repair {
            index_t vertex;
            index_t fresh;        // index in `fresh`, or NO_ID
            local_index_t local;  // in the fresh triangle
            PolygonVertex other;  // another triangle of the fan, or none
        };
        absl::InlinedVector<Repair, 16> repairs;
        for (index_t n = 0; n < corners.size(); ++n) {
            const index_t x = corners[n];
            const auto& incident = incidents[n];
            if (!incident || !contains(old, incident->polygon_id))
                continue;
            Repair repair{x, NO_ID, NO_LID, PolygonVertex{}};
            if (x != from) {
                for (index_t j = 0; j < fresh.size() && repair.fresh == NO_ID; ++j) {
                    for (local_index_t l = 0; l < 3; ++l) {
                        if (fresh[j].vertices[l] == x) {
                            repair.fresh = j;
                            repair.local = l;
                            break;
                        }
                    }
                }
                if (repair.fresh == NO_ID) {
                    for (const auto& pv : surface.polygons_around_vertex(x)) {
                        if (!contains(old, pv.polygon_id)) {
                            repair.other = pv;
                            break;
                        }
                    }
                }
            }
            repairs.push_back(repair);
        }

        index_t first = surface.nb_polygons();
        fresh_edges.clear();
        if (!fresh.empty()) {
            // A fresh edge that an old triangle has with the same vertices (none of
            // them renamed) is in the edge set already: only the others are probed.
            absl::InlinedVector<std::array<index_t, 3>, 16> triangles;
            absl::InlinedVector<std::uint8_t, 16> existing;
            for (const auto& f : fresh) {
                triangles.push_back(f.vertices);
                std::uint8_t bits = 0;
                for (local_index_t i = 0; i < 3; ++i) {
                    const index_t u = f.vertices[i];
                    const index_t v = f.vertices[next3(i)];
                    if (u == from || v == from || u == to || v == to)
                        continue;
                    for (const index_t o : old) {
                        const auto& pvs = surface.polygon_vertices(o);
                        if ((pvs[0] == u || pvs[1] == u || pvs[2] == u) &&
                            (pvs[0] == v || pvs[1] == v || pvs[2] == v)) {
                            bits |= static_cast<std::uint8_t>(1U << i);
                            break;
                        }
                    }
                }
                existing.push_back(bits);
            }
            fresh_edges.resize(fresh.size());
            first = builder.create_polygons_with_edges(triangles, existing,
                                                       absl::MakeSpan(fresh_edges));
        }

        for (index_t j = 0; j < fresh.size(); ++j) {
            const auto& vj = fresh[j].vertices;
            for (local_index_t i = 0; i < 3; ++i) {
                const index_t u = vj[i];
                const index_t v = vj[next3(i)];
                index_t adjacent = NO_ID;
                for (index_t m = 0; m < fresh.size() && adjacent == NO_ID; ++m) {
                    if (m == j)
                        continue;
                    const auto& vm = fresh[m].vertices;
                    for (local_index_t l = 0; l < 3; ++l) {
                        if (vm[l] == v && vm[next3(l)] == u) {
                            adjacent = first + m;
                            break;
                        }
                    }
                }
                if (adjacent == NO_ID) {
                    for (auto& outer : outers) {
                        if (!outer.taken && outer.u == u && outer.v == v) {
                            outer.taken = true;
                            if (outer.neighbour.polygon_id != NO_ID) {
                                adjacent = outer.neighbour.polygon_id;
                                builder.set_polygon_adjacent(outer.neighbour, first + j);
                            }
                            break;
                        }
                    }
                }
                if (adjacent != NO_ID)
                    builder.set_polygon_adjacent(PolygonEdge{first + j, i}, adjacent);
            }
        }
        for (const auto& outer : outers) {
            if (!outer.taken && outer.neighbour.polygon_id != NO_ID)
                builder.unset_polygon_adjacent(outer.neighbour);
        }

        const index_t nb_polygons = surface.nb_polygons();
        if (inactive.size() < nb_polygons)
            inactive.resize(nb_polygons, 0);
        for (const index_t o : old) {
            if (inactive[o] == 0) {
                inactive[o] = 1;
                ++nb_inactive;
            }

            for (local_index_t i = 0; i < 3; ++i)
                builder.unset_polygon_adjacent(PolygonEdge{o, i});
        }

        for (const auto& repair : repairs) {
            if (repair.fresh != NO_ID) {
                builder.associate_polygon_vertex_to_vertex(
                    PolygonVertex{first + repair.fresh, repair.local}, repair.vertex);
            } else if (repair.other.polygon_id != NO_ID) {
                builder.associate_polygon_vertex_to_vertex(repair.other, repair.vertex);
            } else {
                builder.disassociate_polygon_vertex_from_vertex(repair.vertex);
            }
        }

        auto& polygon_attributes = surface.polygon_attribute_manager();
        for (index_t j = 0; j < fresh.size(); ++j) {
            if (fresh[j].source != NO_ID)
                polygon_attributes.assign_attribute_value(fresh[j].source, first + j);
        }
        return first;
    }

    // Triangles of `fan` (around a vertex) other than those listed, with the vertex
    // placed at `point`: all strictly counter-clockwise?
    bool fan_stays_valid(const PolygonsAroundVertex& fan, const Point<2>& point,
                         absl::Span<const index_t> skipped) const {
        for (const auto& pv : fan) {
            if (contains(skipped, pv.polygon_id))
                continue;
            const auto& v = surface.polygon_vertices(pv.polygon_id);
            const auto& b = surface.point(v[next3(pv.vertex_id)]);
            const auto& c = surface.point(v[prev3(pv.vertex_id)]);
            if (!ccw(point, b, c))
                return false;
        }
        return true;
    }
    bool fan_stays_valid(index_t vertex, const Point<2>& point,
                         absl::Span<const index_t> skipped) const {
        return fan_stays_valid(surface.polygons_around_vertex(vertex), point, skipped);
    }
    // The neighbours of a fan's vertex, in the order of vertices_around_vertex.
    VerticesAroundVertex neighbours(const PolygonsAroundVertex& fan) const {
        VerticesAroundVertex result;
        const auto add = [&result](index_t x) {
            if (!contains(result, x))
                result.push_back(x);
        };
        for (const auto& pv : fan) {
            const auto& v = surface.polygon_vertices(pv.polygon_id);
            add(v[next3(pv.vertex_id)]);
            add(v[prev3(pv.vertex_id)]);
        }
        return result;
    }
    // Whether a border edge of the fan touches its vertex.
    bool fan_on_border(const PolygonsAroundVertex& fan) const {
        for (const auto& pv : fan) {
            if (surface.is_edge_on_border(PolygonEdge{pv.polygon_id, pv.vertex_id}) ||
                surface.is_edge_on_border(
                    PolygonEdge{pv.polygon_id, prev3(pv.vertex_id)}))
                return true;
        }
        return false;
    }

    CollapseEdgeInfo collapse(const PolygonEdge& edge, bool keep_first,
                              const Point<2>& point, const char* operation);
};

// ---- Construction -----------------------------------------------------------------

TriangulatedSurfaceModifier<2>::TriangulatedSurfaceModifier(
    const TriangulatedSurface<2>& surface, TriangulatedSurfaceBuilder<2>& builder)
    : VerticesModifier(surface), impl_(std::make_unique<Impl>(surface, builder)) {
    surface.enable_edges();
}

TriangulatedSurfaceModifier<2>::TriangulatedSurfaceModifier(
    TriangulatedSurfaceModifier&& other) noexcept = default;

TriangulatedSurfaceModifier<2>::~TriangulatedSurfaceModifier() = default;

const TriangulatedSurface<2>& TriangulatedSurfaceModifier<2>::surface() const {
    return impl_->surface;
}
TriangulatedSurfaceBuilder<2>& TriangulatedSurfaceModifier<2>::builder() {
    return impl_->builder;
}

// ---- Splits -----------------------------------------------------------------------

TriangulatedSurfaceModifier<2>::SplitTriangleInfo
TriangulatedSurfaceModifier<2>::split_triangle(index_t triangle,
                                               const Point<2>& point_in) {
    constexpr const char* op = "split_triangle";
    // A copy: the caller's point may live in the point array that the new vertex grows.
    const Point<2> point = point_in;
    auto& impl = *impl_;
    const auto& surface = impl.surface;
    impl.check_triangle(triangle, op);
    const auto v = surface.polygon_vertices(triangle);
    // Copies: creating the new vertex may move the point array.
    const Point<2> p0 = surface.point(v[0]);
    const Point<2> p1 = surface.point(v[1]);
    const Point<2> p2 = surface.point(v[2]);
    if (point_triangle_position(point, Triangle<2>{p0, p1, p2}) != POSITION::inside) {
        fail(op, point, "Point ", point.string(), " is not strictly inside triangle ",
             triangle);
    }
    for (local_index_t i = 0; i < 3; ++i) {
        if (point_point_distance(point, surface.point(v[i])) <= GLOBAL_EPSILON) {
            fail(op, point, "Point ", point.string(), " is within ", GLOBAL_EPSILON,
                 " of vertex ", v[i], " of triangle ", triangle);
        }
    }

    const index_t m = impl.builder.create_point(point);
    {
        // Barycentric weights from the sub-triangle areas.
        const double w0 = area2(point, p1, p2);
        const double w1 = area2(p0, point, p2);
        const double w2 = area2(p0, p1, point);
        const double sum = w0 + w1 + w2;
        if (sum > 0) {
            const std::array<double, 3> weights{{w0 / sum, w1 / sum, w2 / sum}};
            surface.vertex_attribute_manager().interpolate_attribute_value(
                absl::MakeConstSpan(v), weights, m);
        }
    }
    const std::array<Fresh, 3> fresh{{{{{v[0], v[1], m}}, triangle},
                                      {{{v[1], v[2], m}}, triangle},
                                      {{{v[2], v[0], m}}, triangle}}};
    const std::array<index_t, 1> old{{triangle}};
    const index_t first = impl.replace(old, fresh);

    SplitTriangleInfo info;
    info.new_vertex = m;
    for (local_index_t i = 0; i < 3; ++i) {
        info.outer_edges.push_back({PolygonEdge{first + i, 0}, PolygonEdge{triangle, i}});
        info.new_edges.push_back({PolygonEdge{first + i, 1}, PolygonEdge{}});
        info.new_triangles.push_back({first + i, triangle});
    }
    return info;
}

TriangulatedSurfaceModifier<2>::SplitPolygonEdgeInfo
TriangulatedSurfaceModifier<2>::split_edge(const PolygonEdge& edge,
                                           const Point<2>& point_in) {
    constexpr const char* op = "split_edge";
    // A copy: the caller's point may live in the point array that the new vertex grows.
    const Point<2> point = point_in;
    auto& impl = *impl_;
    const auto& surface = impl.surface;
    impl.check_polygon_edge(edge, op);
    const index_t t = edge.polygon_id;
    const auto& tv = surface.polygon_vertices(t);
    const index_t a = tv[edge.edge_id];
    const index_t b = tv[next3(edge.edge_id)];
    const index_t c = tv[prev3(edge.edge_id)];
    // Copies: creating the new vertex may move the point array.
    const Point<2> pa = surface.point(a);
    const Point<2> pb = surface.point(b);
    const auto across = surface.polygon_adjacent_edge(edge);

    const Segment<2> segment{pa, pb};
    const auto [distance, nearest] = point_segment_distance(point, segment);
    if (!(distance <= GLOBAL_EPSILON)) {
        fail(op, point, "Point ", point.string(), " is ", distance, " away from edge ",
             edge.string(), " (more than ", GLOBAL_EPSILON, ")");
    }
    if (!(point_point_distance(point, pa) > GLOBAL_EPSILON) ||
        !(point_point_distance(point, pb) > GLOBAL_EPSILON)) {
        fail(op, point, "Point ", point.string(), " is within ", GLOBAL_EPSILON,
             " of an end of edge ", edge.string(),
             " (the split would make a zero-length edge)");
    }
    const auto& pc = surface.point(c);
    if (!ccw(pa, point, pc) || !ccw(point, pb, pc)) {
        fail(op, point, "Splitting edge ", edge.string(), " at ", point.string(),
             " would make a flat or inverted triangle");
    }
    index_t q = NO_ID;
    index_t d = NO_ID;
    if (across) {
        q = across->polygon_id;
        d = surface.polygon_vertex(PolygonVertex{q, prev3(across->edge_id)});
        const auto& pd = surface.point(d);
        if (!ccw(pb, point, pd) || !ccw(point, pa, pd)) {
            fail(op, point, "Splitting edge ", edge.string(), " at ", point.string(),
                 " would make a flat or inverted triangle across it");
        }
    }

    const index_t old_edge = impl.edge_index(a, b);
    const index_t m = impl.builder.create_point(point);
    {
        const double length = segment.length();
        const double s =
            length > 0 ? std::clamp(point_point_distance(pa, nearest) / length, 0., 1.)
                       : 0.5;
        const std::array<index_t, 2> from{{a, b}};
        const std::array<double, 2> weights{{1 - s, s}};
        surface.vertex_attribute_manager().interpolate_attribute_value(from, weights, m);
    }
    FreshTriangles fresh{{{{a, m, c}}, t}, {{{m, b, c}}, t}};
    OldTriangles old{t};
    if (across) {
        fresh.push_back({{{b, m, d}}, q});
        fresh.push_back({{{m, a, d}}, q});
        old.push_back(q);
    }
    const index_t first = impl.replace(old, fresh);
    impl.copy_edge_values(old_edge, impl.fresh_edge_index(fresh, a, m));
    impl.copy_edge_values(old_edge, impl.fresh_edge_index(fresh, m, b));

    SplitPolygonEdgeInfo info;
    info.new_vertex = m;
    info.first_side_halves.push_back({PolygonEdge{first, 0}, edge});
    info.first_side_halves.push_back({PolygonEdge{first + 1, 0}, edge});
    info.first_side_outer_edges.push_back(
        {PolygonEdge{first + 1, 1}, PolygonEdge{t, next3(edge.edge_id)}});
    info.first_side_outer_edges.push_back(
        {PolygonEdge{first, 2}, PolygonEdge{t, prev3(edge.edge_id)}});
    info.first_side_triangles.push_back({first, t});
    info.first_side_triangles.push_back({first + 1, t});
    if (across) {
        const local_index_t qe = across->edge_id;
        info.second_side_halves.push_back({PolygonEdge{first + 2, 0}, *across});
        info.second_side_halves.push_back({PolygonEdge{first + 3, 0}, *across});
        info.second_side_outer_edges.push_back(
            {PolygonEdge{first + 3, 1}, PolygonEdge{q, next3(qe)}});
        info.second_side_outer_edges.push_back(
            {PolygonEdge{first + 2, 2}, PolygonEdge{q, prev3(qe)}});
        info.second_side_triangles.push_back({first + 2, q});
        info.second_side_triangles.push_back({first + 3, q});
    }
    return info;
}

// ---- Collapses --------------------------------------------------------------------

TriangulatedSurfaceModifier<2>::CollapseEdgeInfo
TriangulatedSurfaceModifier<2>::Impl::collapse(const PolygonEdge& edge, bool keep_first,
                                               const Point<2>& point,
                                               const char* operation) {
    const auto& tv = surface.polygon_vertices(edge.polygon_id);
    const index_t first_vertex = tv[edge.edge_id];
    const index_t second_vertex = tv[next3(edge.edge_id)];
    const index_t k = keep_first ? first_vertex : second_vertex;
    const index_t r = keep_first ? second_vertex : first_vertex;
    const index_t t = edge.polygon_id;
    const index_t c = tv[prev3(edge.edge_id)];
    const auto across = surface.polygon_adjacent_edge(edge);
    absl::InlinedVector<index_t, 2> removed{t};
    index_t d = NO_ID;
    if (across) {
        removed.push_back(across->polygon_id);
        d = surface.polygon_vertex(
            PolygonVertex{across->polygon_id, prev3(across->edge_id)});
    }

    const auto fan_k = surface.polygons_around_vertex(k);
    const auto fan_r = surface.polygons_around_vertex(r);
    const auto around_k = neighbours(fan_k);
    const auto around_r = neighbours(fan_r);
    // The orientation checks below read every neighbour's point.
    for (const auto& around : {&around_k, &around_r}) {
        for (const index_t x : *around)
            __builtin_prefetch(&surface.point(x));
    }
    for (const index_t x : around_r) {
        if (x == k || x == c || x == d)
            continue;
        if (contains(around_k, x)) {
            fail(operation, point, "Collapsing edge ", edge.string(), " (", k, " ", r,
                 ") would join vertex ", x,
                 " twice (link condition: the result would not be a manifold)");
        }
    }
    if (across && fan_on_border(fan_k) && fan_on_border(fan_r)) {
        fail(operation, point, "Collapsing interior edge ", edge.string(), " (", k, " ",
             r, ") between two border vertices would pinch the surface");
    }
    FreshTriangles fresh;
    OldTriangles old;
    for (const auto& pv : fan_r) {
        old.push_back(pv.polygon_id);
        if (contains(removed, pv.polygon_id))
            continue;
        auto vertices = surface.polygon_vertices(pv.polygon_id);
        vertices[pv.vertex_id] = k;
        if (!ccw(point, surface.point(vertices[next3(pv.vertex_id)]),
                 surface.point(vertices[prev3(pv.vertex_id)]))) {
            fail(operation, point, "Collapsing edge ", edge.string(), " at ",
                 point.string(), " would make triangle ", pv.polygon_id,
                 " flat or inverted");
        }
        fresh.push_back({vertices, pv.polygon_id});
    }
    if (!(point == surface.point(k)) && !fan_stays_valid(fan_k, point, removed)) {
        fail(operation, point, "Collapsing edge ", edge.string(), " at ", point.string(),
             " would make a triangle around vertex ", k, " flat or inverted");
    }

    CollapseEdgeInfo info;
    // (k, r) first, then (r, x) for every other neighbour x, in one batch.
    absl::InlinedVector<std::array<index_t, 2>, 11> old_pairs{{{k, r}}};
    absl::InlinedVector<bool, 10> existed;
    for (const index_t x : around_r) {
        if (x == k)
            continue;
        old_pairs.push_back({{r, x}});
        existed.push_back(x == c || x == d);
    }
    absl::InlinedVector<index_t, 11> old_edges(old_pairs.size());
    surface.edges().edges_from_vertices(old_pairs, absl::MakeSpan(old_edges));
    info.collapsed_edge = old_edges.front();
    old_edges.erase(old_edges.begin());

    const index_t first = replace(old, fresh, r, k);
    builder.set_point(k, point);

    info.vertex.first = k;
    info.vertex.second.push_back(r);
    index_t i = 0;
    for (const index_t x : around_r) {
        if (x == k)
            continue;
        const index_t new_edge = fresh_edge_index(fresh, k, x);
        if (!existed[i])
            copy_edge_values(old_edges[i], new_edge);
        MultiMapping<index_t> mapping;
        mapping.first = new_edge;
        mapping.second.push_back(old_edges[i]);
        info.edges.push_back(std::move(mapping));
        ++i;
    }
    for (index_t j = 0; j < fresh.size(); ++j)
        info.new_triangles.push_back({first + j, fresh[j].source});
    info.removed_triangles = removed;
    return info;
}

TriangulatedSurfaceModifier<2>::CollapseEdgeInfo
TriangulatedSurfaceModifier<2>::collapse_edge(index_t edge, const Point<2>& point) {
    constexpr const char* op = "collapse_edge";
    auto& impl = *impl_;
    const auto& edges = impl.surface.edges();
    if (edge >= edges.nb_edges()) {
        fail(op, point, "Edge ", edge, " out of range (", edges.nb_edges(), " edges)");
    }
    const auto vertices = edges.edge_vertices(edge);
    const auto polygon_edges = impl.surface.polygons_from_edge_vertices(vertices);
    if (polygon_edges.empty()) {
        fail(op, point, "Edge ", edge, " (", vertices[0], " ", vertices[1],
             ") is not used by any active triangle");
    }
    // The first polygon edge runs from vertices[0] when there is one.
    const auto& polygon_edge = polygon_edges.front();
    const bool keep_first =
        impl.surface.polygon_edge_vertex(polygon_edge, 0) == vertices[0];
    const auto info = impl.collapse(polygon_edge, keep_first, point, op);
    record_vertex_merge(info.vertex.second.front(), info.vertex.first);
    return info;
}

TriangulatedSurfaceModifier<2>::CollapseEdgeInfo
TriangulatedSurfaceModifier<2>::collapse_edge(const PolygonEdge& edge,
                                              const Point<2>& point) {
    constexpr const char* op = "collapse_edge";
    impl_->check_polygon_edge(edge, op);
    const auto info = impl_->collapse(edge, true, point, op);
    record_vertex_merge(info.vertex.second.front(), info.vertex.first);
    return info;
}

// ---- Swap and move ------------------------------------------------------------------

TriangulatedSurfaceModifier<2>::SwapEdgeInfo TriangulatedSurfaceModifier<2>::swap_edge(
    const PolygonEdge& edge) {
    constexpr const char* op = "swap_edge";
    auto& impl = *impl_;
    const auto& surface = impl.surface;
    impl.check_polygon_edge(edge, op);
    const index_t t = edge.polygon_id;
    const auto& tv = surface.polygon_vertices(t);
    const index_t a = tv[edge.edge_id];
    const index_t b = tv[next3(edge.edge_id)];
    const index_t c = tv[prev3(edge.edge_id)];
    const auto across = surface.polygon_adjacent_edge(edge);
    if (!across) {
        fail(op, {}, "Polygon edge ", edge.string(), " is on the border");
    }
    const index_t q = across->polygon_id;
    const index_t d = surface.polygon_vertex(PolygonVertex{q, prev3(across->edge_id)});
    if (impl.has_active_edge(c, d)) {
        fail(op, {}, "Swapping polygon edge ", edge.string(), " would create edge (", c,
             " ", d, "), which exists already");
    }
    const auto& pa = surface.point(a);
    const auto& pb = surface.point(b);
    const auto& pc = surface.point(c);
    const auto& pd = surface.point(d);
    if (!ccw(pa, pd, pc) || !ccw(pd, pb, pc)) {
        fail(op, {}, "Swapping polygon edge ", edge.string(),
             " would make a flat or inverted triangle (the quadrilateral is not strictly "
             "convex)");
    }
    const index_t old_edge = impl.edge_index(a, b);
    const std::array<Fresh, 2> fresh{{{{{a, d, c}}, q}, {{{d, b, c}}, q}}};
    const std::array<index_t, 2> old{{t, q}};
    const index_t first = impl.replace(old, fresh);

    SwapEdgeInfo info;
    info.old_edge = old_edge;
    info.old_edge_vertices = {{a, b}};
    info.new_edge = impl.fresh_edge_index(fresh, c, d);
    info.new_edge_vertices = {{c, d}};
    info.new_triangles.push_back({first, q});
    info.new_triangles.push_back({first + 1, q});
    info.replaced_triangles = {{t, q}};
    return info;
}

void TriangulatedSurfaceModifier<2>::move_point(index_t vertex, const Point<2>& point) {
    constexpr const char* op = "move_point";
    auto& impl = *impl_;
    impl.check_vertex(vertex, op);
    if (impl.surface.is_vertex_isolated(vertex)) {
        fail(op, point, "Vertex ", vertex, " is not used by any active triangle");
    }
    if (!impl.fan_stays_valid(vertex, point, {})) {
        fail(op, point, "Moving vertex ", vertex, " to ", point.string(),
             " would make a triangle flat or inverted");
    }
    impl.builder.set_point(vertex, point);
}

// ---- Double adjacency -----------------------------------------------------------------

TriangulatedSurfaceModifier<2>::RemoveMultipleAdjacencyInfo
TriangulatedSurfaceModifier<2>::remove_double_adjacency(index_t vertex) {
    constexpr const char* op = "remove_double_adjacency";
    auto& impl = *impl_;
    const auto& surface = impl.surface;
    impl.check_vertex(vertex, op);
    const auto fan = surface.polygons_around_vertex(vertex);
    const auto refuse = [&]() {
        fail(op, {}, "Vertex ", vertex,
             " is not a double adjacency (exactly two triangles around it, adjacent "
             "across both of its edges)");
    };
    if (fan.size() != 2 || surface.is_vertex_on_border(vertex))
        refuse();
    const auto& pv1 = fan[0];
    const auto& pv2 = fan[1];
    const index_t t1 = pv1.polygon_id;
    const index_t t2 = pv2.polygon_id;
    const auto& v1 = surface.polygon_vertices(t1);
    const auto& v2 = surface.polygon_vertices(t2);
    const index_t a = v1[next3(pv1.vertex_id)];
    const index_t b = v1[prev3(pv1.vertex_id)];
    if (t1 == t2 || v2[next3(pv2.vertex_id)] != b || v2[prev3(pv2.vertex_id)] != a)
        refuse();
    const auto adjacent1 = surface.polygon_adjacent(PolygonEdge{t1, pv1.vertex_id});
    const auto adjacent2 =
        surface.polygon_adjacent(PolygonEdge{t1, prev3(pv1.vertex_id)});
    if (adjacent1 != t2 || adjacent2 != t2)
        refuse();
    // Across the fold: T1's edge a -> b and T2's edge b -> a.
    const PolygonEdge fold1{t1, next3(pv1.vertex_id)};
    const PolygonEdge fold2{t2, next3(pv2.vertex_id)};
    auto across1 = surface.polygon_adjacent_edge(fold1);
    auto across2 = surface.polygon_adjacent_edge(fold2);
    if (across1 && (across1->polygon_id == t1 || across1->polygon_id == t2))
        across1.reset();
    if (across2 && (across2->polygon_id == t1 || across2->polygon_id == t2))
        across2.reset();

    RemoveMultipleAdjacencyInfo info;
    info.removed_vertex = vertex;
    info.edge_vertices = {{a, b}};
    info.removed_edges = {{impl.edge_index(vertex, a), impl.edge_index(vertex, b)}};
    info.edge = impl.edge_index(a, b);
    info.removed_triangles = {{t1, t2}};

    const std::array<index_t, 2> old{{t1, t2}};
    impl.replace(old, {});
    if (across1 && across2) {
        impl.builder.set_polygon_adjacent(*across1, across2->polygon_id);
        impl.builder.set_polygon_adjacent(*across2, across1->polygon_id);
    }
    // a and b may have been left isolated by the fan repair when the fold hid their
    // other triangles; point them at a triangle across the fold.
    for (const index_t x : {a, b}) {
        if (!surface.is_vertex_isolated(x))
            continue;
        for (const auto& across : {across1, across2}) {
            if (!across)
                continue;
            if (const auto local = surface.vertex_in_polygon(across->polygon_id, x)) {
                impl.builder.associate_polygon_vertex_to_vertex(
                    PolygonVertex{across->polygon_id, *local}, x);
                break;
            }
        }
    }
    if (across1)
        info.touched_triangles.push_back(across1->polygon_id);
    if (across2)
        info.touched_triangles.push_back(across2->polygon_id);
    record_vertex_removal(vertex);
    return info;
}

// ---- Split-collapse -----------------------------------------------------------------

TriangulatedSurfaceModifier<2>::SplitCollapseInfo
TriangulatedSurfaceModifier<2>::split_collapse_edge(const PolygonEdge& edge,
                                                    const Point<2>& point) {
    constexpr const char* op = "split_collapse_edge";
    auto& impl = *impl_;
    const auto& surface = impl.surface;
    impl.check_polygon_edge(edge, op);
    const index_t t = edge.polygon_id;
    const auto& tv = surface.polygon_vertices(t);
    const index_t a = tv[edge.edge_id];
    const index_t b = tv[next3(edge.edge_id)];
    const index_t w = tv[prev3(edge.edge_id)];
    const auto across = surface.polygon_adjacent_edge(edge);

    OldTriangles old{t};
    FreshTriangles fresh;
    index_t q = NO_ID;
    index_t x = NO_ID;
    if (across) {
        q = across->polygon_id;
        x = surface.polygon_vertex(PolygonVertex{q, prev3(across->edge_id)});
        if (impl.has_active_edge(w, x)) {
            fail(op, point, "Re-routing polygon edge ", edge.string(),
                 " through its apex would create edge (", w, " ", x,
                 "), which exists already");
        }
        const auto& pa = surface.point(a);
        const auto& pb = surface.point(b);
        const auto& px = surface.point(x);
        if (!ccw(pb, point, px) || !ccw(point, pa, px)) {
            fail(op, point, "Re-routing polygon edge ", edge.string(), " through ",
                 point.string(), " would make a flat or inverted triangle");
        }
        old.push_back(q);
        fresh.push_back({{{b, w, x}}, q});
        fresh.push_back({{{w, a, x}}, q});
    } else {
        if (surface.is_edge_on_border(PolygonEdge{t, next3(edge.edge_id)}) ||
            surface.is_edge_on_border(PolygonEdge{t, prev3(edge.edge_id)})) {
            fail(op, point, "Re-routing border edge ", edge.string(),
                 " through its apex needs the two other edges of its triangle inside "
                 "the surface");
        }
        if (surface.is_vertex_on_border(w)) {
            fail(op, point, "Re-routing border edge ", edge.string(), " through apex ", w,
                 ", which is on the border already, would pinch the surface");
        }
    }
    if (!(point == surface.point(w)) && !impl.fan_stays_valid(w, point, old)) {
        fail(op, point, "Moving apex ", w, " to ", point.string(),
             " would make a triangle around it flat or inverted");
    }

    SplitCollapseInfo info;
    info.apex_vertex = w;
    info.old_edge = impl.edge_index(a, b);
    info.old_edge_vertices = {{a, b}};
    const index_t first = impl.replace(old, fresh);
    impl.builder.set_point(w, point);
    info.new_route_edges = {{impl.edge_index(a, w), impl.edge_index(w, b)}};
    info.replaced_triangles = {{t, q}};
    if (across) {
        info.new_edge = impl.fresh_edge_index(fresh, w, x);
        info.new_triangles.push_back({first, q});
        info.new_triangles.push_back({first + 1, q});
    }
    return info;
}

TriangulatedSurfaceModifier<2>::SplitCollapseInfo
TriangulatedSurfaceModifier<2>::split_collapse_edge(const PolygonEdge& edge) {
    impl_->check_polygon_edge(edge, "split_collapse_edge");
    const index_t apex = impl_->surface.polygon_vertex(
        PolygonVertex{edge.polygon_id, prev3(edge.edge_id)});
    const Point<2> point = impl_->surface.point(apex);
    return TriangulatedSurfaceModifier<2>::split_collapse_edge(edge, point);
}

// ---- Vertex replacement ---------------------------------------------------------------

BijectiveMapping<index_t, index_t> TriangulatedSurfaceModifier<2>::replace_vertex(
    index_t old_vertex, index_t new_vertex) {
    constexpr const char* op = "replace_vertex";
    auto& impl = *impl_;
    const auto& surface = impl.surface;
    impl.check_vertex(old_vertex, op);
    impl.check_vertex(new_vertex, op);
    if (old_vertex == new_vertex) {
        fail(op, {}, "Vertex ", old_vertex, " cannot replace itself");
    }
    if (surface.is_vertex_isolated(old_vertex)) {
        fail(op, {}, "Vertex ", old_vertex, " is not used by any active triangle");
    }
    if (!surface.is_vertex_isolated(new_vertex)) {
        fail(op, {}, "Vertex ", new_vertex,
             " is used by active triangles (the two fans would share a vertex)");
    }
    const auto& point = surface.point(new_vertex);
    if (!impl.fan_stays_valid(old_vertex, point, {})) {
        fail(op, point, "Replacing vertex ", old_vertex, " by vertex ", new_vertex,
             " would make a triangle flat or inverted");
    }
    const auto fan = surface.polygons_around_vertex(old_vertex);
    const auto around = surface.vertices_around_vertex(old_vertex);
    OldTriangles old;
    FreshTriangles fresh;
    for (const auto& pv : fan) {
        old.push_back(pv.polygon_id);
        auto vertices = surface.polygon_vertices(pv.polygon_id);
        vertices[pv.vertex_id] = new_vertex;
        fresh.push_back({vertices, pv.polygon_id});
    }
    absl::InlinedVector<index_t, 10> old_edges;
    for (const index_t x : around)
        old_edges.push_back(impl.edge_index(old_vertex, x));

    impl.replace(old, fresh, old_vertex, new_vertex);
    BijectiveMapping<index_t, index_t> mapping;
    mapping.reserve(around.size());
    for (std::size_t i = 0; i < around.size(); ++i) {
        const index_t new_edge = impl.fresh_edge_index(fresh, new_vertex, around[i]);
        impl.copy_edge_values(old_edges[i], new_edge);
        mapping.map(old_edges[i], new_edge);
    }
    record_vertex_merge(old_vertex, new_vertex);
    return mapping;
}

// ---- Activity -------------------------------------------------------------------------

bool TriangulatedSurfaceModifier<2>::is_triangle_active(index_t triangle) const {
    return impl_->is_active(triangle);
}

bool TriangulatedSurfaceModifier<2>::is_edge_active(index_t edge) const {
    const auto& edges = impl_->surface.edges();
    if (edge >= edges.nb_edges())
        return false;
    const auto& v = edges.edge_vertices(edge);
    return impl_->has_active_edge(v[0], v[1]);
}

void TriangulatedSurfaceModifier<2>::inactive_triangle(index_t triangle) {
    auto& impl = *impl_;
    if (triangle >= impl.surface.nb_polygons()) {
        fail("inactive_triangle", {}, "Triangle ", triangle, " out of range (",
             impl.surface.nb_polygons(), " triangles)");
    }
    if (!impl.is_active(triangle))
        return;
    const std::array<index_t, 1> old{{triangle}};
    impl.replace(old, {});
}

index_t TriangulatedSurfaceModifier<2>::nb_inactive_triangles() const {
    return impl_->nb_inactive;
}

// ---- Clean
// ------------------------------------------------------------------------------

std::vector<index_t> TriangulatedSurfaceModifier<2>::clean_triangles() {
    auto& impl = *impl_;
    const index_t nb = impl.surface.nb_polygons();
    std::vector<bool> to_delete(nb, false);
    for (index_t t = 0; t < nb && t < impl.inactive.size(); ++t)
        to_delete[t] = impl.inactive[t] != 0;
    auto old2new = impl.builder.delete_polygons(to_delete);
    impl.inactive.clear();
    impl.nb_inactive = 0;
    return old2new;
}

std::vector<index_t> TriangulatedSurfaceModifier<2>::clean_edges() {
    auto& impl = *impl_;
    const auto& surface = impl.surface;
    const auto& edges = surface.edges();
    if (impl.nb_inactive == 0) {
        // Every triangle is active: only the released edges can be unused.
        std::vector<bool> unused(edges.nb_edges(), false);
        index_t nb_unused = 0;
        // Sorted and without repeats, the fan walks below visit the mesh in vertex
        // order rather than jumping about it.
        auto& released = impl.released_edges;
        for (auto& pair : released) {
            if (pair[1] < pair[0])
                std::swap(pair[0], pair[1]);
        }
        std::sort(released.begin(), released.end());
        released.erase(std::unique(released.begin(), released.end()), released.end());
        for (const auto& pair : released) {
            const auto edge = edges.edge_from_vertices(pair);
            if (!edge || unused[*edge])
                continue;
            if (!impl.has_active_edge(pair[0], pair[1])) {
                unused[*edge] = true;
                ++nb_unused;
            }
        }
        // On a manifold triangulation every interior edge has two polygon edges and
        // every border edge one. When the count does not match (edges made from
        // outside, non-manifold input), fall back to the full scan.
        std::size_t nb_border = 0;
        for (index_t t = 0; t < surface.nb_polygons(); ++t) {
            for (local_index_t e = 0; e < 3; ++e)
                nb_border += surface.is_edge_on_border(PolygonEdge{t, e}) ? 1 : 0;
        }
        const std::size_t nb_polygon_edges = 3 * std::size_t{surface.nb_polygons()};
        if ((nb_polygon_edges + nb_border) % 2 == 0 &&
            edges.nb_edges() - nb_unused == (nb_polygon_edges + nb_border) / 2) {
            impl.released_edges.clear();
            return impl.builder.delete_edges(unused);
        }
    }
    impl.released_edges.clear();
    return impl.builder.delete_isolated_edges();
}

std::vector<index_t> TriangulatedSurfaceModifier<2>::clean_vertices() {
    auto& impl = *impl_;
    std::vector<index_t> old2new;
    try {
        // The kernel checks, before changing anything, that no edge still uses a
        // vertex it would delete.
        old2new = impl.builder.delete_isolated_vertices();
    } catch (const VelmoraBasicException& e) {
        OrvaneCommonModifierCommonException error{
            {},
            "[TriangulatedSurfaceModifier::clean_vertices] An unused edge still uses ",
            "a vertex no triangle uses: clean the triangles and the edges first"};
        error.set_parent(VelmoraException{e});
        throw error;
    }
    impl.released_edges.clear();
    reset_vertex_history();
    return old2new;
}

namespace {
bool is_identity(const std::vector<index_t>& mapping) {
    for (index_t i = 0; i < mapping.size(); ++i) {
        if (mapping[i] != i)
            return false;
    }
    return true;
}
}  // namespace

TriangulatedSurfaceModifier<2>::CleanMappings TriangulatedSurfaceModifier<2>::clean() {
    CleanMappings mappings;
    mappings.triangles = clean_triangles();
    mappings.edges = clean_edges();
    mappings.vertices = clean_vertices();
    if (!is_identity(mappings.triangles) || !is_identity(mappings.edges) ||
        !is_identity(mappings.vertices)) {
        ++impl_->clean_stamp;
    }
    return mappings;
}

index_t TriangulatedSurfaceModifier<2>::clean_stamp() const {
    return impl_->clean_stamp;
}

}  // namespace orvane
