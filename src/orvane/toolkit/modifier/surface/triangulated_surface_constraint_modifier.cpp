#include <orvane/toolkit/modifier/surface/triangulated_surface_constraint_modifier.hpp>

#include <utility>

#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>
#include <orvane/toolkit/modifier/surface/surface_topology.hpp>

namespace orvane {

namespace {

using CommonConstraints = ConstraintModifier::CommonConstraints;

template <typename... Args>
[[noreturn]] void fail(const char* operation, const Args&... message) {
    throw OrvaneCommonModifierCommonException(
        nullptr, "[TriangulatedSurfaceConstraintModifier::", operation, "] ", message...);
}

void check_local_edge(const PolygonEdge& edge, const char* where) {
    if (edge.edge_id > 2) {
        throw OrvaneCommonModifierCommonException(
            nullptr, "[", where, "] Local edge ", static_cast<int>(edge.edge_id),
            " out of range in polygon edge ", edge.string());
    }
}

bool lies_on_edge(const TriangulatedSurface<2>& surface, index_t vertex, index_t a,
                  index_t b) {
    const auto [distance, nearest] = point_segment_distance(
        surface.point(vertex), Segment<2>{surface.point(a), surface.point(b)});
    return distance <= GLOBAL_EPSILON;
}

// The vertex `apex` names, which must be opposite the edge in one of its triangles
// (`own_only`: in the edge's own triangle); NO_ID when no apex is given.
index_t apex_vertex(const TriangulatedSurface<2>& surface, const detail::EdgeStar& star,
                    const PolygonEdge& edge, const std::optional<PolygonVertex>& apex,
                    bool own_only, const char* where) {
    if (!apex)
        return NO_ID;
    const index_t w = surface.polygon_vertex(*apex);
    if (w == star.c || (!own_only && star.across && w == star.d))
        return w;
    throw OrvaneCommonModifierCommonException(
        nullptr, "[", where, "] Apex ", apex->string(), " (vertex ", w,
        ") is not opposite polygon edge ", edge.string(),
        own_only ? " in its triangle" : " in either of its triangles");
}

std::vector<index_t> fan_triangles(const TriangulatedSurface<2>& surface,
                                   index_t vertex) {
    std::vector<index_t> triangles;
    if (surface.is_vertex_isolated(vertex))
        return triangles;
    for (const auto& pv : surface.polygons_around_vertex(vertex))
        triangles.push_back(pv.polygon_id);
    return triangles;
}

// `removed` lives on as `kept`: its immutability and its forbidden edges (to its
// neighbours `around_removed`, listed before the merge) follow it; the collapsed edge
// itself is gone.
void follow_merge(CommonConstraints& constraints, index_t removed, index_t kept,
                  const VerticesAroundVertex& around_removed) {
    if (constraints.immuable_vertices.contains(removed)) {
        constraints.immuable_vertices.remove(removed);
        constraints.immuable_vertices.add(kept);
    }
    auto& forbidden = constraints.forbidden_edges;
    if (forbidden.empty())
        return;
    forbidden.remove(removed, kept);
    for (const index_t x : around_removed) {
        if (x == kept || !forbidden.contains(removed, x))
            continue;
        forbidden.remove(removed, x);
        forbidden.add(kept, x);
    }
}

// The edge (a, b) now runs through w (NO_ID: it is simply gone).
void follow_reroute(CommonConstraints& constraints, index_t a, index_t b, index_t w) {
    auto& forbidden = constraints.forbidden_edges;
    if (!forbidden.contains(a, b))
        return;
    forbidden.remove(a, b);
    if (w != NO_ID) {
        forbidden.add(a, w);
        forbidden.add(w, b);
    }
}

// Both split-collapse forms: the edge is re-routed through the apex, so its constraints
// follow the reroute; the triangles reported are the apex's new fan.
template <typename SplitCollapse>
ConstraintModifier::SplitInfo split_collapse_following(
    const TriangulatedSurface<2>& surface, CommonConstraints& constraints,
    const PolygonEdge& edge, const std::optional<PolygonVertex>& apex,
    const SplitCollapse& split_collapse) {
    constexpr const char* where =
        "TriangulatedSurfaceConstraintModifier::split_collapse_edge";
    check_local_edge(edge, where);
    const auto star = detail::edge_star(surface, edge);
    const index_t w = apex_vertex(surface, star, edge, apex, true, where);
    const auto record = split_collapse();
    follow_reroute(constraints, star.a, star.b, w);
    ConstraintModifier::SplitInfo info;
    info.vertex = record.apex_vertex;
    info.triangles = fan_triangles(surface, record.apex_vertex);
    return info;
}

}  // namespace

struct TriangulatedSurfaceConstraintModifier<2>::Impl {
    explicit Impl(ModifiableObject<TriangulatedSurface<2>> modifiable_in)
        : modifiable(modifiable_in) {}

    const TriangulatedSurface<2>& surface() const { return modifiable.object; }
    TriangulatedSurfaceModifier<2>& modifier() { return modifiable.modifier; }

    // Runs `collapse` (a surface modifier collapse) and brings the constraints along.
    template <typename Collapse>
    CollapseEdgeInfo collapse(CommonConstraints& constraints, index_t a, index_t b,
                              Collapse&& do_collapse) {
        const auto around_a = surface().vertices_around_vertex(a);
        const auto around_b = surface().vertices_around_vertex(b);
        const auto record = do_collapse();
        const index_t kept = record.vertex.first;
        const index_t removed = record.vertex.second.front();
        follow_merge(constraints, removed, kept, removed == a ? around_a : around_b);
        CollapseEdgeInfo info;
        info.vertex = kept;
        info.triangles = fan_triangles(surface(), kept);
        return info;
    }

    ModifiableObject<TriangulatedSurface<2>> modifiable;
};

TriangulatedSurfaceConstraintModifier<2>::TriangulatedSurfaceConstraintModifier(
    ModifiableObject<TriangulatedSurface<2>> modifiable_surface,
    CommonConstraints constraints)
    : ConstraintModifier(std::move(constraints)),
      impl_(std::make_unique<Impl>(modifiable_surface)) {}

TriangulatedSurfaceConstraintModifier<2>::TriangulatedSurfaceConstraintModifier(
    TriangulatedSurfaceConstraintModifier&& other) noexcept = default;
TriangulatedSurfaceConstraintModifier<2>& TriangulatedSurfaceConstraintModifier<
    2>::operator=(TriangulatedSurfaceConstraintModifier&& other) noexcept = default;
TriangulatedSurfaceConstraintModifier<2>::~TriangulatedSurfaceConstraintModifier() =
    default;

ModifiableObject<TriangulatedSurface<2>>&
TriangulatedSurfaceConstraintModifier<2>::modifiable_surface() {
    return impl_->modifiable;
}
const ModifiableObject<TriangulatedSurface<2>>&
TriangulatedSurfaceConstraintModifier<2>::modifiable_surface() const {
    return impl_->modifiable;
}

ConstraintModifier::CollapseEdgeInfo
TriangulatedSurfaceConstraintModifier<2>::collapse_edge(const PolygonEdge& edge,
                                                        const Point<2>& point) {
    check_local_edge(edge, "TriangulatedSurfaceConstraintModifier::collapse_edge");
    auto& impl = *impl_;
    const auto star = detail::edge_star(impl.surface(), edge);
    return impl.collapse(constraints(), star.a, star.b,
                         [&] { return impl.modifier().collapse_edge(edge, point); });
}

ConstraintModifier::CollapseEdgeInfo TriangulatedSurfaceConstraintModifier<
    2>::collapse_edge(const PolygonEdge& edge, const OrientedEdgeVertices& vertices) {
    constexpr const char* op = "collapse_edge";
    check_local_edge(edge, "TriangulatedSurfaceConstraintModifier::collapse_edge");
    auto& impl = *impl_;
    const auto& surface = impl.surface();
    const auto star = detail::edge_star(surface, edge);
    if (!((vertices.removed == star.a && vertices.kept == star.b) ||
          (vertices.removed == star.b && vertices.kept == star.a))) {
        fail(op, "Vertices (removed ", vertices.removed, ", kept ", vertices.kept,
             ") are not the two vertices of polygon edge ", edge.string(), " (", star.a,
             " ", star.b, ")");
    }
    // A copy: the kept vertex's point is rewritten by the collapse.
    const Point<2> point = surface.point(vertices.kept);
    auto& modifier = impl.modifier();
    return impl.collapse(constraints(), star.a, star.b, [&] {
        if (vertices.kept == star.a)
            return modifier.collapse_edge(edge, point);
        if (star.across)
            return modifier.collapse_edge(*star.across, point);
        const index_t index =
            surface.edges().edge_from_vertices({{star.a, star.b}}).value();
        if (surface.edges().edge_vertices(index)[0] == vertices.kept)
            return modifier.collapse_edge(index, point);
        return modifier.collapse_edge(edge, point);
    });
}

ConstraintModifier::SplitInfo TriangulatedSurfaceConstraintModifier<2>::split_edge(
    const PolygonEdge& edge, const Point<2>& point) {
    check_local_edge(edge, "TriangulatedSurfaceConstraintModifier::split_edge");
    auto& impl = *impl_;
    const auto star = detail::edge_star(impl.surface(), edge);
    const auto record = impl.modifier().split_edge(edge, point);
    const index_t m = record.new_vertex;
    auto& forbidden = constraints().forbidden_edges;
    if (forbidden.contains(star.a, star.b)) {
        forbidden.remove(star.a, star.b);
        forbidden.add(star.a, m);
        forbidden.add(m, star.b);
    }
    SplitInfo info;
    info.vertex = m;
    for (const auto& pair : record.first_side_triangles)
        info.triangles.push_back(pair.first);
    for (const auto& pair : record.second_side_triangles)
        info.triangles.push_back(pair.first);
    return info;
}

std::vector<index_t> TriangulatedSurfaceConstraintModifier<2>::swap_edge(
    const PolygonEdge& edge, const std::optional<PolygonVertex>& apex) {
    constexpr const char* where = "TriangulatedSurfaceConstraintModifier::swap_edge";
    check_local_edge(edge, where);
    auto& impl = *impl_;
    const auto star = detail::edge_star(impl.surface(), edge);
    const index_t w = apex_vertex(impl.surface(), star, edge, apex, false, where);
    const auto record = impl.modifier().swap_edge(edge);
    follow_reroute(constraints(), star.a, star.b, w);
    std::vector<index_t> triangles;
    for (const auto& pair : record.new_triangles)
        triangles.push_back(pair.first);
    return triangles;
}

ConstraintModifier::SplitInfo TriangulatedSurfaceConstraintModifier<
    2>::split_collapse_edge(const PolygonEdge& edge, const Point<2>& point,
                            const std::optional<PolygonVertex>& apex) {
    auto& impl = *impl_;
    return split_collapse_following(impl.surface(), constraints(), edge, apex, [&] {
        return impl.modifier().split_collapse_edge(edge, point);
    });
}

ConstraintModifier::SplitInfo
TriangulatedSurfaceConstraintModifier<2>::split_collapse_edge(
    const PolygonEdge& edge, const std::optional<PolygonVertex>& apex) {
    auto& impl = *impl_;
    return split_collapse_following(impl.surface(), constraints(), edge, apex, [&] {
        return impl.modifier().split_collapse_edge(edge);
    });
}

ConstraintModifier::RemoveAdjacencyInfo
TriangulatedSurfaceConstraintModifier<2>::remove_double_adjacency(index_t vertex) {
    return do_remove_double_adjacency(vertex, false);
}

ConstraintModifier::RemoveAdjacencyInfo
TriangulatedSurfaceConstraintModifier<2>::do_remove_double_adjacency(index_t vertex,
                                                                     bool keep) {
    constexpr const char* op = "remove_double_adjacency";
    auto& impl = *impl_;
    const auto& surface = impl.surface();
    auto& modifier = impl.modifier();
    auto& common = constraints();
    keep = keep || common.immuable_vertices.contains(vertex);
    RemoveAdjacencyInfo info;
    if (!keep) {
        const auto record = modifier.remove_double_adjacency(vertex);
        const index_t a = record.edge_vertices[0];
        const index_t b = record.edge_vertices[1];
        auto& forbidden = common.forbidden_edges;
        if (forbidden.contains(vertex, a) || forbidden.contains(vertex, b)) {
            forbidden.remove(vertex, a);
            forbidden.remove(vertex, b);
            forbidden.add(a, b);
        }
        for (const index_t t : record.touched_triangles) {
            if (modifier.is_triangle_active(t))
                info.triangles.push_back(t);
        }
        return info;
    }

    // Everything the re-insertion needs is checked before the fold is removed.
    if (vertex >= surface.nb_vertices() ||
        !detail::is_double_adjacency(surface, vertex)) {
        fail(op, "Vertex ", vertex,
             " is not a double adjacency (exactly two triangles around it, adjacent "
             "across both of its edges)");
    }
    const auto fan = surface.polygons_around_vertex(vertex);
    const index_t t1 = fan[0].polygon_id;
    const index_t t2 = fan[1].polygon_id;
    const local_index_t lv = fan[0].vertex_id;
    const auto& v1 = surface.polygon_vertices(t1);
    const index_t a = v1[detail::next3(lv)];
    const index_t b = v1[detail::prev3(lv)];
    const Point<2> point = surface.point(vertex);
    const auto& pa = surface.point(a);
    const auto& pb = surface.point(b);
    const auto [distance, nearest] = point_segment_distance(point, Segment<2>{pa, pb});
    if (distance > GLOBAL_EPSILON || point_point_distance(point, pa) <= GLOBAL_EPSILON ||
        point_point_distance(point, pb) <= GLOBAL_EPSILON) {
        fail(op, "Vertex ", vertex, " must be kept but does not lie on edge (", a, " ", b,
             ") away from its ends: it cannot take the place of the fold");
    }
    const PolygonEdge fold1{t1, detail::next3(lv)};
    const PolygonEdge fold2{t2, detail::next3(fan[1].vertex_id)};
    index_t sides = 0;
    for (const auto& fold : {fold1, fold2}) {
        const auto across = surface.polygon_adjacent_edge(fold);
        if (!across || across->polygon_id == t1 || across->polygon_id == t2)
            continue;
        ++sides;
        const auto ends = surface.polygon_edge_vertices(*across);
        const index_t x = surface.polygon_vertex(
            PolygonVertex{across->polygon_id, detail::prev3(across->edge_id)});
        const auto& px = surface.point(x);
        if (orient2d(surface.point(ends[0]), point, px) != SIDE::positive ||
            orient2d(point, surface.point(ends[1]), px) != SIDE::positive) {
            fail(op, "Vertex ", vertex, " must be kept but splitting edge (", a, " ", b,
                 ") at it would make a flat or inverted triangle");
        }
    }
    if (sides == 0) {
        fail(op, "Vertex ", vertex,
             " must be kept but no triangle would be left on edge (", a, " ", b, ")");
    }

    modifier.remove_double_adjacency(vertex);
    const auto split_edges = surface.polygons_from_edge_vertices({{a, b}});
    const auto split = modifier.split_edge(split_edges.front(), point);
    const index_t u = split.new_vertex;
    auto& forbidden = common.forbidden_edges;
    const bool forbidden_a = forbidden.contains(vertex, a);
    const bool forbidden_b = forbidden.contains(vertex, b);
    forbidden.remove(vertex, a);
    forbidden.remove(vertex, b);
    if (forbidden_a)
        forbidden.add(u, a);
    if (forbidden_b)
        forbidden.add(u, b);
    if (forbidden.contains(a, b)) {
        forbidden.remove(a, b);
        forbidden.add(a, u);
        forbidden.add(u, b);
    }
    if (common.immuable_vertices.contains(vertex)) {
        common.immuable_vertices.remove(vertex);
        common.immuable_vertices.add(u);
    }
    info.vertex = u;
    for (const auto& pair : split.first_side_triangles)
        info.triangles.push_back(pair.first);
    for (const auto& pair : split.second_side_triangles)
        info.triangles.push_back(pair.first);
    return info;
}

TriangulatedSurfaceModifier<2>::CleanMappings
TriangulatedSurfaceConstraintModifier<2>::clean() {
    auto mappings = impl_->modifier().clean();
    constraints().renumber_vertices(mappings.vertices);
    return mappings;
}

// ---- Predicates -----------------------------------------------------------------------

ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge_by_constraints(
    const ModifiableObject<TriangulatedSurface<2>>& modifiable_surface,
    const PolygonEdge& edge, const CommonConstraints& constraints) {
    check_local_edge(edge, "allowed_collapse_edge_by_constraints");
    if (!modifiable_surface.modifier.is_triangle_active(edge.polygon_id))
        return ALLOWED_COLLAPSE_VERTEX_VERTEX::none;
    const auto& surface = modifiable_surface.object;
    if (!detail::is_collapse_topologically_valid(surface, edge))
        return ALLOWED_COLLAPSE_VERTEX_VERTEX::none;
    const auto star = detail::edge_star(surface, edge);
    const auto& forbidden = constraints.forbidden_edges;
    if (forbidden.contains(star.a, star.b))
        return ALLOWED_COLLAPSE_VERTEX_VERTEX::none;
    const auto removable = [&](index_t x) {
        if (constraints.immuable_vertices.contains(x))
            return false;
        const bool protect_border = constraints.is_border_protected();
        if (!protect_border && forbidden.empty())
            return true;
        const detail::VertexFan fan{surface, x};
        if (protect_border && fan.on_border)
            return false;
        for (const index_t y : fan.neighbours) {
            if (forbidden.contains(x, y))
                return false;
        }
        return true;
    };
    const std::uint8_t verdict =
        (removable(star.a) ? 1 : 0) | (removable(star.b) ? 2 : 0);
    return static_cast<ALLOWED_COLLAPSE_VERTEX_VERTEX>(verdict);
}

bool is_swap_edge_allowed_by_constraints(
    const ModifiableObject<TriangulatedSurface<2>>& modifiable_surface,
    const PolygonEdge& edge, const std::optional<PolygonVertex>& apex,
    const CommonConstraints& constraints) {
    constexpr const char* where = "is_swap_edge_allowed_by_constraints";
    check_local_edge(edge, where);
    if (!modifiable_surface.modifier.is_triangle_active(edge.polygon_id))
        return false;
    const auto& surface = modifiable_surface.object;
    const auto star = detail::edge_star(surface, edge);
    const index_t w = apex_vertex(surface, star, edge, apex, false, where);
    if (!detail::is_swap_topologically_valid(surface, edge))
        return false;
    if (constraints.forbidden_edges.contains(star.a, star.b))
        return w != NO_ID && lies_on_edge(surface, w, star.a, star.b);
    return true;
}

ALLOWED_COLLAPSE_EDGE_VERTEX allowed_split_collapse_edge_by_constraints(
    const ModifiableObject<TriangulatedSurface<2>>& modifiable_surface,
    const PolygonEdge& edge, const std::optional<PolygonVertex>& apex,
    const CommonConstraints& constraints) {
    constexpr const char* where = "allowed_split_collapse_edge_by_constraints";
    check_local_edge(edge, where);
    if (!modifiable_surface.modifier.is_triangle_active(edge.polygon_id))
        return ALLOWED_COLLAPSE_EDGE_VERTEX::none;
    const auto& surface = modifiable_surface.object;
    const auto star = detail::edge_star(surface, edge);
    const index_t w = apex_vertex(surface, star, edge, apex, true, where);
    if (!detail::is_split_collapse_topologically_valid(surface, edge))
        return ALLOWED_COLLAPSE_EDGE_VERTEX::none;
    const bool on_edge = lies_on_edge(surface, star.c, star.a, star.b);
    bool edge_may_go = true;
    if (constraints.forbidden_edges.contains(star.a, star.b) && !(w != NO_ID && on_edge))
        edge_may_go = false;
    if (!star.across &&
        constraints.border_constraint == ConstraintModifier::BORDER_CONSTRAINT::fixed &&
        !on_edge) {
        edge_may_go = false;
    }
    const bool vertex_may_move =
        !constraints.immuable_vertices.contains(star.c) &&
        !(constraints.is_border_protected() && surface.is_vertex_on_border(star.c));
    const std::uint8_t verdict = (edge_may_go ? 1 : 0) | (vertex_may_move ? 2 : 0);
    return static_cast<ALLOWED_COLLAPSE_EDGE_VERTEX>(verdict);
}

}  // namespace orvane
