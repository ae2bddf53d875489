#include <orvane/kernel/mesh/surface_mesh.hpp>

#include <algorithm>
#include <cmath>

#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/mesh/surface_mesh_impl.hpp>

namespace orvane {

// ---- SurfaceEdges ---------------------------------------------------------------

template <index_t dimension>
SurfaceEdges<dimension>::SurfaceEdges() : impl_(std::make_unique<Impl>()) {}
template <index_t dimension>
SurfaceEdges<dimension>::~SurfaceEdges() = default;
template <index_t dimension>
SurfaceEdges<dimension>::SurfaceEdges(SurfaceEdges&&) noexcept = default;
template <index_t dimension>
SurfaceEdges<dimension>& SurfaceEdges<dimension>::operator=(SurfaceEdges&&) noexcept =
    default;

template <index_t dimension>
index_t SurfaceEdges<dimension>::nb_edges() const {
    return static_cast<index_t>(impl_->vertices.size());
}

template <index_t dimension>
const std::array<index_t, 2>& SurfaceEdges<dimension>::edge_vertices(index_t edge) const {
    if (edge >= impl_->vertices.size()) {
        throw VelmoraBasicException("[SurfaceEdges::edge_vertices] Edge ", edge,
                                    " out of range (", impl_->vertices.size(), " edges)");
    }
    return impl_->vertices[edge];
}

template <index_t dimension>
index_t SurfaceEdges<dimension>::edge_vertex(const EdgeVertex& edge_vertex) const {
    return edge_vertices(edge_vertex.edge_id)[edge_vertex.vertex_id];
}

template <index_t dimension>
std::optional<index_t> SurfaceEdges<dimension>::edge_from_vertices(
    const std::array<index_t, 2>& vertices) const {
    return impl_->find(vertices);
}

template <index_t dimension>
void SurfaceEdges<dimension>::edges_from_vertices(
    absl::Span<const std::array<index_t, 2>> vertices, absl::Span<index_t> edges) const {
    if (vertices.size() != edges.size()) {
        throw VelmoraBasicException("[SurfaceEdges::edges_from_vertices] ",
                                    vertices.size(), " vertex pairs for ", edges.size(),
                                    " results");
    }
    for (const auto& pair : vertices)
        impl_->prefetch(pair);
    for (std::size_t i = 0; i < vertices.size(); ++i)
        edges[i] = impl_->find(vertices[i]).value_or(NO_ID);
}

template <index_t dimension>
AttributeManager& SurfaceEdges<dimension>::edge_attribute_manager() const {
    return impl_->edge_attributes;
}

template <index_t dimension>
std::size_t SurfaceEdges<dimension>::allocated_bytes() const {
    impl_->ensure_map();
    return impl_->vertices.capacity() * sizeof(std::array<index_t, 2>) +
           impl_->edge_of_vertices.capacity() * sizeof(internal::EdgeMap::Slot) +
           impl_->edge_attributes.allocated_bytes();
}

// ---- SurfaceMesh: construction ---------------------------------------------------

template <index_t dimension>
SurfaceMesh<dimension>::SurfaceMesh() : impl_(std::make_unique<Impl>()) {}
template <index_t dimension>
SurfaceMesh<dimension>::~SurfaceMesh() = default;
template <index_t dimension>
SurfaceMesh<dimension>::SurfaceMesh(SurfaceMesh&& other) noexcept
    : VertexSet(std::move(other)), impl_(std::move(other.impl_)) {
    other.impl_ = std::make_unique<Impl>();
}
template <index_t dimension>
SurfaceMesh<dimension>& SurfaceMesh<dimension>::operator=(SurfaceMesh&& other) noexcept {
    if (this != &other) {
        VertexSet::operator=(std::move(other));
        impl_ = std::move(other.impl_);
        other.impl_ = std::make_unique<Impl>();
    }
    return *this;
}

template <index_t dimension>
std::unique_ptr<SurfaceMesh<dimension>> SurfaceMesh<dimension>::create() {
    return std::make_unique<SurfaceMesh<dimension>>();
}

template <index_t dimension>
std::unique_ptr<SurfaceMesh<dimension>> SurfaceMesh<dimension>::clone() const {
    auto copy = std::make_unique<SurfaceMesh<dimension>>();
    copy->copy_surface(*this);
    return copy;
}

template <index_t dimension>
void SurfaceMesh<dimension>::copy_surface(const SurfaceMesh& from) {
    if (this == &from)
        return;
    copy_vertex_set(from);
    const auto& src = *from.impl_;
    auto& dst = *impl_;
    dst.points = src.points;
    dst.incident = src.incident;
    dst.polygon_vertices = src.polygon_vertices;
    dst.adjacents = src.adjacents;
    dst.polygon_attributes.copy(src.polygon_attributes);
    dst.edges.reset();
    if (src.edges) {
        dst.edges = std::make_unique<SurfaceEdges<dimension>>();
        dst.edges->impl_->copy_from(*src.edges->impl_);
    }
}

// ---- Checks --------------------------------------------------------------------

namespace {

[[noreturn]] void throw_out_of_range(const char* operation, const char* what, index_t i,
                                     std::size_t n) {
    throw VelmoraBasicException("[SurfaceMesh::", operation, "] ", what, " ", i,
                                " out of range (", n, ")");
}

inline local_index_t next3(local_index_t i) {
    return i == 2 ? 0 : i + 1;
}
inline local_index_t prev3(local_index_t i) {
    return i == 0 ? 2 : i - 1;
}

}  // namespace

#define ORVANE_CHECK_VERTEX(v, op)   \
    if ((v) >= impl_->points.size()) \
    throw_out_of_range(op, "Vertex", v, impl_->points.size())
#define ORVANE_CHECK_POLYGON(p, op)            \
    if ((p) >= impl_->polygon_vertices.size()) \
    throw_out_of_range(op, "Polygon", p, impl_->polygon_vertices.size())
#define ORVANE_CHECK_LOCAL(l, op) \
    if ((l) > 2)                  \
    throw_out_of_range(op, "Local index", l, 3)

// ---- Vertices --------------------------------------------------------------------

template <index_t dimension>
const Point<dimension>& SurfaceMesh<dimension>::point(index_t vertex) const {
    ORVANE_CHECK_VERTEX(vertex, "point");
    return impl_->points[vertex];
}

template <index_t dimension>
std::optional<PolygonVertex> SurfaceMesh<dimension>::polygon_around_vertex(
    index_t vertex) const {
    ORVANE_CHECK_VERTEX(vertex, "polygon_around_vertex");
    const auto& pv = impl_->incident[vertex];
    if (pv.polygon_id == NO_ID)
        return std::nullopt;
    return pv;
}

template <index_t dimension>
bool SurfaceMesh<dimension>::is_vertex_isolated(index_t vertex) const {
    ORVANE_CHECK_VERTEX(vertex, "is_vertex_isolated");
    return impl_->incident[vertex].polygon_id == NO_ID;
}

namespace {

// One step of a walk around a vertex: from polygon vertex `current`, cross polygon
// edge `edge` (one of the two edges of current.polygon_id touching the vertex). On
// success `current` becomes the polygon vertex of the vertex in the polygon across and
// `edge` the edge of that polygon touching the vertex on the far side. Fails on a
// border, or when the adjacency does not lead to a polygon using the vertex.
// Independent of the orientation of the polygons.
struct FanStep {
    const std::vector<std::array<index_t, 3>>& vertices;
    const std::vector<std::array<index_t, 3>>& adjacents;

    bool operator()(PolygonVertex& current, local_index_t& edge) const {
        const index_t polygon = current.polygon_id;
        const index_t q = adjacents[polygon][edge];
        if (q == NO_ID || q >= vertices.size())
            return false;
        const index_t v = vertices[polygon][current.vertex_id];
        // The other end of the crossed edge.
        const index_t w = edge == current.vertex_id ? vertices[polygon][next3(edge)]
                                                    : vertices[polygon][edge];
        const auto& qv = vertices[q];
        local_index_t lq = NO_LID;
        for (local_index_t i = 0; i < 3; ++i) {
            if (qv[i] == v)
                lq = i;
        }
        if (lq == NO_LID)
            return false;
        current = PolygonVertex{q, lq};
        edge = qv[next3(lq)] == w ? prev3(lq) : lq;
        return true;
    }
};

}  // namespace

namespace {

[[noreturn]] void throw_unclosed_fan(index_t vertex) {
    throw VelmoraBasicException(
        "[SurfaceMesh::polygons_around_vertex] Adjacencies around vertex ", vertex,
        " never close (broken mesh)");
}

// Fills `result` (empty on entry) with the fan of `start`, in the documented order.
void collect_fan(const FanStep& step, index_t vertex, const PolygonVertex& start,
                 index_t bound, PolygonsAroundVertex& result) {
    // Counter-clockwise: across the edge ending at the vertex.
    result.push_back(start);
    PolygonVertex current = start;
    local_index_t edge = prev3(start.vertex_id);
    for (index_t steps = 0;; ++steps) {
        if (steps > bound)
            throw_unclosed_fan(vertex);
        if (!step(current, edge))
            break;
        if (current == start)
            return;
        result.push_back(current);
    }
    // A border (or a break) was met: collect clockwise from the start and put that part
    // first, so that the whole fan reads counter-clockwise from border to border.
    PolygonsAroundVertex clockwise;
    current = start;
    edge = start.vertex_id;
    for (index_t steps = 0;; ++steps) {
        if (steps > bound)
            throw_unclosed_fan(vertex);
        if (!step(current, edge) || current == start)
            break;
        clockwise.push_back(current);
    }
    result.insert(result.begin(), clockwise.rbegin(), clockwise.rend());
}

}  // namespace

template <index_t dimension>
PolygonsAroundVertex SurfaceMesh<dimension>::polygons_around_vertex(
    index_t vertex) const {
    ORVANE_CHECK_VERTEX(vertex, "polygons_around_vertex");
    PolygonsAroundVertex result;
    const PolygonVertex start = impl_->incident[vertex];
    if (start.polygon_id != NO_ID) {
        collect_fan(FanStep{impl_->polygon_vertices, impl_->adjacents}, vertex, start,
                    impl_->nb_polygons(), result);
    }
    return result;
}

template <index_t dimension>
bool SurfaceMesh<dimension>::is_vertex_on_border(index_t vertex) const {
    ORVANE_CHECK_VERTEX(vertex, "is_vertex_on_border");
    const PolygonVertex start = impl_->incident[vertex];
    if (start.polygon_id == NO_ID)
        return false;
    const FanStep step{impl_->polygon_vertices, impl_->adjacents};
    PolygonVertex current = start;
    local_index_t edge = prev3(start.vertex_id);
    for (index_t steps = 0; steps <= impl_->nb_polygons(); ++steps) {
        if (!step(current, edge))
            return true;
        if (current == start)
            return false;
    }
    throw VelmoraBasicException(
        "[SurfaceMesh::is_vertex_on_border] Adjacencies around vertex ", vertex,
        " never close (broken mesh)");
}

template <index_t dimension>
VerticesAroundVertex SurfaceMesh<dimension>::vertices_around_vertex(
    index_t vertex) const {
    VerticesAroundVertex result;
    const auto add = [&result](index_t v) {
        if (std::find(result.begin(), result.end(), v) == result.end())
            result.push_back(v);
    };
    for (const auto& pv : polygons_around_vertex(vertex)) {
        const auto& pvs = impl_->polygon_vertices[pv.polygon_id];
        add(pvs[next3(pv.vertex_id)]);
        add(pvs[prev3(pv.vertex_id)]);
    }
    return result;
}

// ---- Polygons --------------------------------------------------------------------

template <index_t dimension>
index_t SurfaceMesh<dimension>::nb_polygons() const {
    return impl_->nb_polygons();
}

template <index_t dimension>
index_t SurfaceMesh<dimension>::polygon_vertex(
    const PolygonVertex& polygon_vertex) const {
    ORVANE_CHECK_POLYGON(polygon_vertex.polygon_id, "polygon_vertex");
    ORVANE_CHECK_LOCAL(polygon_vertex.vertex_id, "polygon_vertex");
    return impl_->polygon_vertices[polygon_vertex.polygon_id][polygon_vertex.vertex_id];
}

template <index_t dimension>
const std::array<index_t, 3>& SurfaceMesh<dimension>::polygon_vertices(
    index_t polygon) const {
    ORVANE_CHECK_POLYGON(polygon, "polygon_vertices");
    return impl_->polygon_vertices[polygon];
}

template <index_t dimension>
std::optional<local_index_t> SurfaceMesh<dimension>::vertex_in_polygon(
    index_t polygon, index_t vertex) const {
    const auto& pvs = polygon_vertices(polygon);
    for (local_index_t i = 0; i < 3; ++i) {
        if (pvs[i] == vertex)
            return i;
    }
    return std::nullopt;
}

template <index_t dimension>
index_t SurfaceMesh<dimension>::polygon_edge_vertex(const PolygonEdge& polygon_edge,
                                                    local_index_t vertex) const {
    ORVANE_CHECK_POLYGON(polygon_edge.polygon_id, "polygon_edge_vertex");
    ORVANE_CHECK_LOCAL(polygon_edge.edge_id, "polygon_edge_vertex");
    if (vertex > 1)
        throw_out_of_range("polygon_edge_vertex", "Edge vertex", vertex, 2);
    const auto& pvs = impl_->polygon_vertices[polygon_edge.polygon_id];
    return vertex == 0 ? pvs[polygon_edge.edge_id] : pvs[next3(polygon_edge.edge_id)];
}

template <index_t dimension>
std::array<index_t, 2> SurfaceMesh<dimension>::polygon_edge_vertices(
    const PolygonEdge& polygon_edge) const {
    ORVANE_CHECK_POLYGON(polygon_edge.polygon_id, "polygon_edge_vertices");
    ORVANE_CHECK_LOCAL(polygon_edge.edge_id, "polygon_edge_vertices");
    const auto& pvs = impl_->polygon_vertices[polygon_edge.polygon_id];
    return {{pvs[polygon_edge.edge_id], pvs[next3(polygon_edge.edge_id)]}};
}

template <index_t dimension>
PolygonVertex SurfaceMesh<dimension>::next_polygon_vertex(const PolygonVertex& pv) const {
    ORVANE_CHECK_LOCAL(pv.vertex_id, "next_polygon_vertex");
    return PolygonVertex{pv.polygon_id, next3(pv.vertex_id)};
}
template <index_t dimension>
PolygonVertex SurfaceMesh<dimension>::previous_polygon_vertex(
    const PolygonVertex& pv) const {
    ORVANE_CHECK_LOCAL(pv.vertex_id, "previous_polygon_vertex");
    return PolygonVertex{pv.polygon_id, prev3(pv.vertex_id)};
}
template <index_t dimension>
PolygonEdge SurfaceMesh<dimension>::next_polygon_edge(const PolygonEdge& pe) const {
    ORVANE_CHECK_LOCAL(pe.edge_id, "next_polygon_edge");
    return PolygonEdge{pe.polygon_id, next3(pe.edge_id)};
}
template <index_t dimension>
PolygonEdge SurfaceMesh<dimension>::previous_polygon_edge(const PolygonEdge& pe) const {
    ORVANE_CHECK_LOCAL(pe.edge_id, "previous_polygon_edge");
    return PolygonEdge{pe.polygon_id, prev3(pe.edge_id)};
}

template <index_t dimension>
std::optional<index_t> SurfaceMesh<dimension>::polygon_adjacent(
    const PolygonEdge& polygon_edge) const {
    ORVANE_CHECK_POLYGON(polygon_edge.polygon_id, "polygon_adjacent");
    ORVANE_CHECK_LOCAL(polygon_edge.edge_id, "polygon_adjacent");
    const index_t q = impl_->adjacents[polygon_edge.polygon_id][polygon_edge.edge_id];
    if (q == NO_ID)
        return std::nullopt;
    return q;
}

template <index_t dimension>
std::optional<PolygonEdge> SurfaceMesh<dimension>::polygon_adjacent_edge(
    const PolygonEdge& polygon_edge) const {
    const auto adjacent = polygon_adjacent(polygon_edge);
    if (!adjacent || *adjacent >= impl_->nb_polygons())
        return std::nullopt;
    const auto [a, b] = polygon_edge_vertices(polygon_edge);
    const auto& qv = impl_->polygon_vertices[*adjacent];
    local_index_t same_direction = NO_LID;
    for (local_index_t e = 0; e < 3; ++e) {
        if (qv[e] == b && qv[next3(e)] == a)
            return PolygonEdge{*adjacent, e};
        if (qv[e] == a && qv[next3(e)] == b)
            same_direction = e;
    }
    if (same_direction != NO_LID)
        return PolygonEdge{*adjacent, same_direction};
    return std::nullopt;
}

template <index_t dimension>
bool SurfaceMesh<dimension>::is_edge_on_border(const PolygonEdge& polygon_edge) const {
    return !polygon_adjacent(polygon_edge).has_value();
}

template <index_t dimension>
bool SurfaceMesh<dimension>::is_polygon_on_border(index_t polygon) const {
    ORVANE_CHECK_POLYGON(polygon, "is_polygon_on_border");
    const auto& adj = impl_->adjacents[polygon];
    return adj[0] == NO_ID || adj[1] == NO_ID || adj[2] == NO_ID;
}

namespace {

// Turns around the vertex `pv` from the polygon edge `edge` of pv's polygon (one of the
// two edges touching the vertex) until an edge without adjacent is found, and returns
// it. Bounded by `bound` steps.
template <typename Step>
PolygonEdge turn_to_border(const Step& step, PolygonVertex pv, local_index_t edge,
                           index_t bound, const char* operation) {
    for (index_t steps = 0; steps <= bound; ++steps) {
        if (step.adjacents[pv.polygon_id][edge] == NO_ID) {
            return PolygonEdge{pv.polygon_id, edge};
        }
        if (!step(pv, edge)) {
            // The adjacency leads to a polygon that does not use the vertex.
            break;
        }
    }
    throw VelmoraBasicException("[SurfaceMesh::", operation,
                                "] No border edge found around the vertex (broken mesh)");
}

}  // namespace

template <index_t dimension>
PolygonEdge SurfaceMesh<dimension>::next_on_border(const PolygonEdge& border_edge) const {
    if (!is_edge_on_border(border_edge)) {
        throw VelmoraBasicException("[SurfaceMesh::next_on_border] Polygon edge ",
                                    border_edge.string(), " is not on the border");
    }
    const FanStep step{impl_->polygon_vertices, impl_->adjacents};
    const local_index_t end = next3(border_edge.edge_id);
    return turn_to_border(step, PolygonVertex{border_edge.polygon_id, end}, end,
                          impl_->nb_polygons(), "next_on_border");
}

template <index_t dimension>
PolygonEdge SurfaceMesh<dimension>::previous_on_border(
    const PolygonEdge& border_edge) const {
    if (!is_edge_on_border(border_edge)) {
        throw VelmoraBasicException("[SurfaceMesh::previous_on_border] Polygon edge ",
                                    border_edge.string(), " is not on the border");
    }
    const FanStep step{impl_->polygon_vertices, impl_->adjacents};
    const local_index_t start = border_edge.edge_id;
    return turn_to_border(step, PolygonVertex{border_edge.polygon_id, start},
                          prev3(start), impl_->nb_polygons(), "previous_on_border");
}

template <index_t dimension>
PolygonEdgesAroundEdge SurfaceMesh<dimension>::polygons_from_edge_vertices(
    const std::array<index_t, 2>& vertices) const {
    ORVANE_CHECK_VERTEX(vertices[1], "polygons_from_edge_vertices");
    PolygonEdgesAroundEdge forward;
    PolygonEdgesAroundEdge backward;
    for (const auto& pv : polygons_around_vertex(vertices[0])) {
        const auto& pvs = impl_->polygon_vertices[pv.polygon_id];
        if (pvs[next3(pv.vertex_id)] == vertices[1]) {
            forward.emplace_back(pv.polygon_id, pv.vertex_id);
        }
        if (pvs[prev3(pv.vertex_id)] == vertices[1]) {
            backward.emplace_back(pv.polygon_id, prev3(pv.vertex_id));
        }
    }
    if (forward.empty() && backward.empty()) {
        // vertices[0] may be non-manifold with the edge in another fan than its
        // incident one: look from the other end.
        for (const auto& pv : polygons_around_vertex(vertices[1])) {
            const auto& pvs = impl_->polygon_vertices[pv.polygon_id];
            if (pvs[prev3(pv.vertex_id)] == vertices[0]) {
                forward.emplace_back(pv.polygon_id, prev3(pv.vertex_id));
            }
            if (pvs[next3(pv.vertex_id)] == vertices[0]) {
                backward.emplace_back(pv.polygon_id, pv.vertex_id);
            }
        }
    }
    forward.insert(forward.end(), backward.begin(), backward.end());
    return forward;
}

template <index_t dimension>
std::optional<PolygonEdge> SurfaceMesh<dimension>::polygon_edge_from_vertices(
    index_t from, index_t to) const {
    ORVANE_CHECK_VERTEX(to, "polygon_edge_from_vertices");
    for (const auto& pv : polygons_around_vertex(from)) {
        if (impl_->polygon_vertices[pv.polygon_id][next3(pv.vertex_id)] == to) {
            return PolygonEdge{pv.polygon_id, pv.vertex_id};
        }
    }
    // `from` may be non-manifold: look from the other end.
    for (const auto& pv : polygons_around_vertex(to)) {
        if (impl_->polygon_vertices[pv.polygon_id][prev3(pv.vertex_id)] == from) {
            return PolygonEdge{pv.polygon_id, prev3(pv.vertex_id)};
        }
    }
    return std::nullopt;
}

// ---- Geometry --------------------------------------------------------------------

template <index_t dimension>
Triangle<dimension> SurfaceMesh<dimension>::triangle(index_t polygon) const {
    const auto& pvs = polygon_vertices(polygon);
    return Triangle<dimension>{impl_->points[pvs[0]], impl_->points[pvs[1]],
                               impl_->points[pvs[2]]};
}

template <index_t dimension>
Segment<dimension> SurfaceMesh<dimension>::polygon_edge_segment(
    const PolygonEdge& polygon_edge) const {
    const auto v = polygon_edge_vertices(polygon_edge);
    return Segment<dimension>{impl_->points[v[0]], impl_->points[v[1]]};
}

template <index_t dimension>
double SurfaceMesh<dimension>::polygon_signed_area(index_t polygon) const {
    static_assert(dimension == 2, "signed area is defined in the plane");
    const auto& pvs = polygon_vertices(polygon);
    const auto& a = impl_->points[pvs[0]];
    const auto& b = impl_->points[pvs[1]];
    const auto& c = impl_->points[pvs[2]];
    return 0.5 * ((b.value(0) - a.value(0)) * (c.value(1) - a.value(1)) -
                  (b.value(1) - a.value(1)) * (c.value(0) - a.value(0)));
}

template <index_t dimension>
double SurfaceMesh<dimension>::polygon_area(index_t polygon) const {
    return std::abs(polygon_signed_area(polygon));
}

template <index_t dimension>
Point<dimension> SurfaceMesh<dimension>::polygon_barycenter(index_t polygon) const {
    const auto& pvs = polygon_vertices(polygon);
    return (impl_->points[pvs[0]] + impl_->points[pvs[1]] + impl_->points[pvs[2]]) / 3.;
}

template <index_t dimension>
double SurfaceMesh<dimension>::edge_length(const PolygonEdge& polygon_edge) const {
    return polygon_edge_segment(polygon_edge).length();
}

template <index_t dimension>
Point<dimension> SurfaceMesh<dimension>::edge_barycenter(
    const PolygonEdge& polygon_edge) const {
    return polygon_edge_segment(polygon_edge).barycenter();
}

template <index_t dimension>
bool SurfaceMesh<dimension>::is_polygon_degenerated(index_t polygon) const {
    double longest = 0;
    for (local_index_t e = 0; e < 3; ++e) {
        longest = std::max(longest, edge_length(PolygonEdge{polygon, e}));
    }
    if (!(longest > GLOBAL_EPSILON))
        return true;
    // The smallest height is the one onto the longest edge.
    return 2 * polygon_area(polygon) / longest <= GLOBAL_EPSILON;
}

template <index_t dimension>
BoundingBox<dimension> SurfaceMesh<dimension>::bounding_box() const {
    BoundingBox<dimension> box;
    for (const auto& p : impl_->points)
        box.add_point(p);
    return box;
}

template <index_t dimension>
AttributeManager& SurfaceMesh<dimension>::polygon_attribute_manager() const {
    return impl_->polygon_attributes;
}

// ---- Edges -----------------------------------------------------------------------

template <index_t dimension>
void SurfaceMesh<dimension>::enable_edges() const {
    if (impl_->edges)
        return;
    auto edges = std::make_unique<SurfaceEdges<dimension>>();
    auto& e = *edges->impl_;
    // Each interior edge is seen twice and each border edge once, so reserving
    // (3 F + B) / 2 entries is exact on a manifold surface with adjacencies computed.
    std::size_t nb_border = 0;
    for (const auto& adj : impl_->adjacents) {
        nb_border += (adj[0] == NO_ID) + (adj[1] == NO_ID) + (adj[2] == NO_ID);
    }
    const std::size_t expected = (3 * impl_->polygon_vertices.size() + nb_border) / 2;
    e.vertices.reserve(expected);
    e.edge_of_vertices.reserve(expected);
    const auto& polygons = impl_->polygon_vertices;
    // Each probe lands at a random place of the map: prefetch a few polygons ahead.
    constexpr index_t ahead = 8;
    for (index_t p = 0; p < polygons.size(); ++p) {
        if (p + ahead < polygons.size()) {
            const auto& next = polygons[p + ahead];
            for (local_index_t i = 0; i < 3; ++i)
                e.prefetch({{next[i], next[i == 2 ? 0 : i + 1]}});
        }
        const auto& pvs = polygons[p];
        for (local_index_t i = 0; i < 3; ++i) {
            const index_t a = pvs[i];
            const index_t b = pvs[i == 2 ? 0 : i + 1];
            // An adjacent polygon seen before that really has this edge created it
            // already: skipping it halves the map probes on a manifold surface.
            const index_t q = impl_->adjacents[p][i];
            if (q < p) {
                const auto& qv = polygons[q];
                const bool has_a = qv[0] == a || qv[1] == a || qv[2] == a;
                const bool has_b = qv[0] == b || qv[1] == b || qv[2] == b;
                if (has_a && has_b)
                    continue;
            }
            e.find_or_create({{a, b}});
        }
    }
    e.edge_attributes.resize(static_cast<index_t>(e.vertices.size()));
    impl_->edges = std::move(edges);
}

template <index_t dimension>
void SurfaceMesh<dimension>::disable_edges() const {
    impl_->edges.reset();
}

template <index_t dimension>
bool SurfaceMesh<dimension>::are_edges_enabled() const {
    return impl_->edges != nullptr;
}

template <index_t dimension>
const SurfaceEdges<dimension>& SurfaceMesh<dimension>::edges() const {
    if (!impl_->edges) {
        throw VelmoraBasicException(
            "[SurfaceMesh::edges] Edges are not enabled (call enable_edges first)");
    }
    return *impl_->edges;
}

template <index_t dimension>
std::size_t SurfaceMesh<dimension>::allocated_bytes() const {
    std::size_t bytes =
        impl_->points.capacity() * sizeof(Point<dimension>) +
        impl_->incident.capacity() * sizeof(PolygonVertex) +
        impl_->polygon_vertices.capacity() * sizeof(std::array<index_t, 3>) +
        impl_->adjacents.capacity() * sizeof(std::array<index_t, 3>) +
        vertex_attribute_manager().allocated_bytes() +
        impl_->polygon_attributes.allocated_bytes();
    if (impl_->edges)
        bytes += impl_->edges->allocated_bytes();
    return bytes;
}

template class SurfaceEdges<2>;
template class SurfaceMesh<2>;

}  // namespace orvane
