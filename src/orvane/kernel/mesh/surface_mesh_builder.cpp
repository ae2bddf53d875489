#include <orvane/kernel/mesh/surface_mesh_builder.hpp>

#include <algorithm>

#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/mesh/surface_mesh_impl.hpp>

namespace orvane {

namespace {

inline local_index_t next3(local_index_t i) {
    return i == 2 ? 0 : i + 1;
}
inline local_index_t prev3(local_index_t i) {
    return i == 0 ? 2 : i - 1;
}

}  // namespace

template <index_t dimension>
SurfaceMeshBuilder<dimension>::SurfaceMeshBuilder(SurfaceMesh<dimension>& mesh)
    : VertexSetBuilder(mesh), mesh_(mesh) {}
template <index_t dimension>
SurfaceMeshBuilder<dimension>::~SurfaceMeshBuilder() = default;

template <index_t dimension>
std::unique_ptr<SurfaceMeshBuilder<dimension>> SurfaceMeshBuilder<dimension>::create(
    SurfaceMesh<dimension>& mesh) {
    return std::make_unique<SurfaceMeshBuilder<dimension>>(mesh);
}

// ---- Vertices --------------------------------------------------------------------

template <index_t dimension>
index_t SurfaceMeshBuilder<dimension>::create_vertex() {
    return create_vertices(1);
}

template <index_t dimension>
index_t SurfaceMeshBuilder<dimension>::create_vertices(index_t nb) {
    auto& impl = *mesh_.impl_;
    const index_t first = create_vertex_entries(nb);
    impl.points.resize(first + nb);
    impl.incident.resize(first + nb);
    return first;
}

template <index_t dimension>
index_t SurfaceMeshBuilder<dimension>::create_point(const Point<dimension>& point) {
    const index_t v = create_vertices(1);
    mesh_.impl_->points[v] = point;
    return v;
}

template <index_t dimension>
index_t SurfaceMeshBuilder<dimension>::create_points(
    absl::Span<const Point<dimension>> points) {
    const index_t first = create_vertices(static_cast<index_t>(points.size()));
    std::copy(points.begin(), points.end(), mesh_.impl_->points.begin() + first);
    return first;
}

template <index_t dimension>
void SurfaceMeshBuilder<dimension>::set_point(index_t vertex,
                                              const Point<dimension>& point) {
    if (vertex >= mesh_.nb_vertices()) {
        throw VelmoraBasicException("[SurfaceMeshBuilder::set_point] Vertex ", vertex,
                                    " out of range (", mesh_.nb_vertices(), " vertices)");
    }
    mesh_.impl_->points[vertex] = point;
}

template <index_t dimension>
void SurfaceMeshBuilder<dimension>::reserve_vertices(index_t capacity) {
    mesh_.impl_->points.reserve(capacity);
    mesh_.impl_->incident.reserve(capacity);
    reserve_vertex_entries(capacity);
}

// ---- Polygons --------------------------------------------------------------------

namespace {

void check_polygon(const std::array<index_t, 3>& v, index_t nb_vertices, const char* op) {
    for (local_index_t i = 0; i < 3; ++i) {
        if (v[i] >= nb_vertices) {
            throw VelmoraBasicException("[SurfaceMeshBuilder::", op, "] Vertex ", v[i],
                                        " out of range (", nb_vertices, " vertices)");
        }
    }
    if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) {
        throw VelmoraBasicException("[SurfaceMeshBuilder::", op,
                                    "] A triangle needs three different vertices, got ",
                                    v[0], " ", v[1], " ", v[2]);
    }
}

}  // namespace

template <index_t dimension>
index_t SurfaceMeshBuilder<dimension>::create_polygon(
    const std::array<index_t, 3>& vertices) {
    return create_polygons(absl::MakeConstSpan(&vertices, 1));
}

template <index_t dimension>
index_t SurfaceMeshBuilder<dimension>::create_polygons(
    absl::Span<const std::array<index_t, 3>> polygons) {
    return append_polygons(polygons, {}, {});
}

template <index_t dimension>
index_t SurfaceMeshBuilder<dimension>::create_polygons_with_edges(
    absl::Span<const std::array<index_t, 3>> polygons,
    absl::Span<const std::uint8_t> existing_edges,
    absl::Span<std::array<index_t, 3>> edges) {
    if (existing_edges.size() != polygons.size() || edges.size() != polygons.size()) {
        throw VelmoraBasicException("[SurfaceMeshBuilder::create_polygons_with_edges] ",
                                    polygons.size(), " polygons with ",
                                    existing_edges.size(), " edge flags and ",
                                    edges.size(), " edge entries");
    }
    return append_polygons(polygons, existing_edges, edges);
}

template <index_t dimension>
index_t SurfaceMeshBuilder<dimension>::append_polygons(
    absl::Span<const std::array<index_t, 3>> polygons,
    absl::Span<const std::uint8_t> existing_edges,
    absl::Span<std::array<index_t, 3>> edges) {
    auto& impl = *mesh_.impl_;
    const index_t nb_vertices = mesh_.nb_vertices();
    for (const auto& p : polygons)
        check_polygon(p, nb_vertices, "create_polygons");
    if (polygons.size() > NO_ID - 1 - impl.polygon_vertices.size()) {
        throw VelmoraBasicException(
            "[SurfaceMeshBuilder::create_polygons] Too many polygons");
    }
    const index_t first = impl.nb_polygons();
    impl.polygon_vertices.insert(impl.polygon_vertices.end(), polygons.begin(),
                                 polygons.end());
    impl.adjacents.resize(impl.polygon_vertices.size(), {{NO_ID, NO_ID, NO_ID}});
    for (index_t p = first; p < impl.nb_polygons(); ++p) {
        const auto& pvs = impl.polygon_vertices[p];
        for (local_index_t i = 0; i < 3; ++i) {
            auto& incident = impl.incident[pvs[i]];
            if (incident.polygon_id == NO_ID)
                incident = PolygonVertex{p, i};
        }
    }
    impl.polygon_attributes.resize(impl.nb_polygons());
    if (impl.edges) {
        auto& e = *impl.edges->impl_;
        // The probes land at random places of a large map: issue them all first so
        // that their cache misses overlap instead of queueing one after the other.
        for (index_t p = 0; p < polygons.size(); ++p) {
            const auto& pvs = impl.polygon_vertices[first + p];
            const std::uint8_t skip = existing_edges.empty() ? 0 : existing_edges[p];
            for (local_index_t i = 0; i < 3; ++i) {
                if (((skip >> i) & 1) == 0)
                    e.prefetch({{pvs[i], pvs[next3(i)]}});
            }
        }
        for (index_t p = 0; p < polygons.size(); ++p) {
            const auto& pvs = impl.polygon_vertices[first + p];
            const std::uint8_t skip = existing_edges.empty() ? 0 : existing_edges[p];
            for (local_index_t i = 0; i < 3; ++i) {
                const index_t edge =
                    (skip >> i) & 1 ? NO_ID : e.find_or_create({{pvs[i], pvs[next3(i)]}});
                if (!edges.empty())
                    edges[p][i] = edge;
            }
        }
        e.edge_attributes.resize(static_cast<index_t>(e.vertices.size()));
    } else {
        for (auto& entry : edges)
            entry = {{NO_ID, NO_ID, NO_ID}};
    }
    return first;
}

template <index_t dimension>
void SurfaceMeshBuilder<dimension>::reserve_polygons(index_t capacity) {
    auto& impl = *mesh_.impl_;
    impl.polygon_vertices.reserve(capacity);
    impl.adjacents.reserve(capacity);
    impl.polygon_attributes.reserve(capacity);
}

namespace {

void check_polygon_index(index_t polygon, index_t nb_polygons, const char* op) {
    if (polygon >= nb_polygons) {
        throw VelmoraBasicException("[SurfaceMeshBuilder::", op, "] Polygon ", polygon,
                                    " out of range (", nb_polygons, " polygons)");
    }
}
void check_local(local_index_t local, const char* op) {
    if (local > 2) {
        throw VelmoraBasicException("[SurfaceMeshBuilder::", op, "] Local index ",
                                    static_cast<int>(local), " out of range");
    }
}

}  // namespace

template <index_t dimension>
void SurfaceMeshBuilder<dimension>::set_polygon_vertex(
    const PolygonVertex& polygon_vertex, index_t vertex) {
    auto& impl = *mesh_.impl_;
    check_polygon_index(polygon_vertex.polygon_id, impl.nb_polygons(),
                        "set_polygon_vertex");
    check_local(polygon_vertex.vertex_id, "set_polygon_vertex");
    auto pvs = impl.polygon_vertices[polygon_vertex.polygon_id];
    const index_t old = pvs[polygon_vertex.vertex_id];
    if (old == vertex)
        return;
    pvs[polygon_vertex.vertex_id] = vertex;
    check_polygon(pvs, mesh_.nb_vertices(), "set_polygon_vertex");

    if (impl.incident[old] == polygon_vertex) {
        PolygonVertex replacement;
        for (const auto& pv : mesh_.polygons_around_vertex(old)) {
            if (pv.polygon_id != polygon_vertex.polygon_id) {
                replacement = pv;
                break;
            }
        }
        impl.incident[old] = replacement;
    }
    impl.polygon_vertices[polygon_vertex.polygon_id] = pvs;
    if (impl.incident[vertex].polygon_id == NO_ID)
        impl.incident[vertex] = polygon_vertex;
    if (impl.edges) {
        auto& e = *impl.edges->impl_;
        e.find_or_create({{vertex, pvs[next3(polygon_vertex.vertex_id)]}});
        e.find_or_create({{pvs[prev3(polygon_vertex.vertex_id)], vertex}});
        e.edge_attributes.resize(static_cast<index_t>(e.vertices.size()));
    }
}

template <index_t dimension>
void SurfaceMeshBuilder<dimension>::set_polygon_adjacent(const PolygonEdge& polygon_edge,
                                                         index_t adjacent) {
    auto& impl = *mesh_.impl_;
    check_polygon_index(polygon_edge.polygon_id, impl.nb_polygons(),
                        "set_polygon_adjacent");
    check_local(polygon_edge.edge_id, "set_polygon_adjacent");
    if (adjacent != NO_ID) {
        check_polygon_index(adjacent, impl.nb_polygons(), "set_polygon_adjacent");
    }
    impl.adjacents[polygon_edge.polygon_id][polygon_edge.edge_id] = adjacent;
}

template <index_t dimension>
void SurfaceMeshBuilder<dimension>::unset_polygon_adjacent(
    const PolygonEdge& polygon_edge) {
    set_polygon_adjacent(polygon_edge, NO_ID);
}

template <index_t dimension>
void SurfaceMeshBuilder<dimension>::compute_polygon_adjacencies() {
    auto& impl = *mesh_.impl_;
    const index_t nb_vertices = mesh_.nb_vertices();
    const index_t nb_polygons = impl.nb_polygons();
    // Polygons around each vertex in compressed rows.
    std::vector<index_t> offsets(static_cast<std::size_t>(nb_vertices) + 1, 0);
    for (const auto& pvs : impl.polygon_vertices) {
        ++offsets[pvs[0] + 1];
        ++offsets[pvs[1] + 1];
        ++offsets[pvs[2] + 1];
    }
    for (index_t v = 0; v < nb_vertices; ++v)
        offsets[v + 1] += offsets[v];
    std::vector<index_t> star(offsets[nb_vertices]);
    {
        std::vector<index_t> fill(offsets.begin(), offsets.end() - 1);
        for (index_t p = 0; p < nb_polygons; ++p) {
            for (const auto v : impl.polygon_vertices[p])
                star[fill[v]++] = p;
        }
    }
    for (index_t p = 0; p < nb_polygons; ++p) {
        const auto& pvs = impl.polygon_vertices[p];
        for (local_index_t e = 0; e < 3; ++e) {
            const index_t a = pvs[e];
            const index_t b = pvs[next3(e)];
            // Scan the smaller star of the two ends.
            const bool use_a = offsets[a + 1] - offsets[a] <= offsets[b + 1] - offsets[b];
            const index_t center = use_a ? a : b;
            const index_t other = use_a ? b : a;
            index_t found = NO_ID;
            index_t nb_found = 0;
            for (index_t k = offsets[center]; k < offsets[center + 1]; ++k) {
                const index_t q = star[k];
                if (q == p)
                    continue;
                const auto& qv = impl.polygon_vertices[q];
                if (qv[0] == other || qv[1] == other || qv[2] == other) {
                    found = q;
                    ++nb_found;
                }
            }
            impl.adjacents[p][e] = nb_found == 1 ? found : NO_ID;
        }
    }
}

template <index_t dimension>
void SurfaceMeshBuilder<dimension>::associate_polygon_vertex_to_vertex(
    const PolygonVertex& polygon_vertex, index_t vertex) {
    auto& impl = *mesh_.impl_;
    if (vertex >= mesh_.nb_vertices()) {
        throw VelmoraBasicException(
            "[SurfaceMeshBuilder::associate_polygon_vertex_to_vertex] Vertex ", vertex,
            " out of range (", mesh_.nb_vertices(), " vertices)");
    }
    check_polygon_index(polygon_vertex.polygon_id, impl.nb_polygons(),
                        "associate_polygon_vertex_to_vertex");
    check_local(polygon_vertex.vertex_id, "associate_polygon_vertex_to_vertex");
    if (impl.polygon_vertices[polygon_vertex.polygon_id][polygon_vertex.vertex_id] !=
        vertex) {
        throw VelmoraBasicException(
            "[SurfaceMeshBuilder::associate_polygon_vertex_to_vertex] Polygon vertex ",
            polygon_vertex.string(), " is not vertex ", vertex);
    }
    impl.incident[vertex] = polygon_vertex;
}

template <index_t dimension>
void SurfaceMeshBuilder<dimension>::disassociate_polygon_vertex_from_vertex(
    index_t vertex) {
    if (vertex >= mesh_.nb_vertices()) {
        throw VelmoraBasicException(
            "[SurfaceMeshBuilder::disassociate_polygon_vertex_from_vertex] Vertex ",
            vertex, " out of range (", mesh_.nb_vertices(), " vertices)");
    }
    mesh_.impl_->incident[vertex] = PolygonVertex{};
}

// ---- Deletions -------------------------------------------------------------------

template <index_t dimension>
std::vector<index_t> SurfaceMeshBuilder<dimension>::delete_polygons(
    const std::vector<bool>& to_delete) {
    auto& impl = *mesh_.impl_;
    const index_t nb_polygons = impl.nb_polygons();
    if (to_delete.size() != nb_polygons) {
        throw VelmoraBasicException("[SurfaceMeshBuilder::delete_polygons] Mask has ",
                                    to_delete.size(), " entries for ", nb_polygons,
                                    " polygons");
    }
    std::vector<index_t> old2new(nb_polygons, NO_ID);
    index_t nb_kept = 0;
    for (index_t p = 0; p < nb_polygons; ++p) {
        if (!to_delete[p])
            old2new[p] = nb_kept++;
    }
    if (nb_kept == nb_polygons)
        return old2new;
    // Attributes first: they check the mapping before anything else changes.
    impl.polygon_attributes.remap_elements(old2new, nb_kept);
    for (index_t p = 0; p < nb_polygons; ++p) {
        const index_t np = old2new[p];
        if (np == NO_ID)
            continue;
        impl.polygon_vertices[np] = impl.polygon_vertices[p];
        auto adj = impl.adjacents[p];
        for (auto& a : adj) {
            if (a != NO_ID)
                a = a < nb_polygons ? old2new[a] : NO_ID;
        }
        impl.adjacents[np] = adj;
    }
    impl.polygon_vertices.resize(nb_kept);
    impl.adjacents.resize(nb_kept);
    impl.polygon_vertices.shrink_to_fit();
    impl.adjacents.shrink_to_fit();
    // Incident pointers: renumber, and re-point those that named a removed polygon.
    bool needs_repair = false;
    std::vector<bool> repair(impl.incident.size(), false);
    for (index_t v = 0; v < impl.incident.size(); ++v) {
        auto& pv = impl.incident[v];
        if (pv.polygon_id == NO_ID)
            continue;
        const index_t np = pv.polygon_id < nb_polygons ? old2new[pv.polygon_id] : NO_ID;
        if (np == NO_ID) {
            pv = PolygonVertex{};
            repair[v] = true;
            needs_repair = true;
        } else {
            pv.polygon_id = np;
        }
    }
    if (needs_repair) {
        for (index_t p = 0; p < nb_kept; ++p) {
            const auto& pvs = impl.polygon_vertices[p];
            for (local_index_t i = 0; i < 3; ++i) {
                if (repair[pvs[i]]) {
                    impl.incident[pvs[i]] = PolygonVertex{p, i};
                    repair[pvs[i]] = false;
                }
            }
        }
    }
    return old2new;
}

template <index_t dimension>
std::vector<index_t> SurfaceMeshBuilder<dimension>::delete_isolated_vertices() {
    auto& impl = *mesh_.impl_;
    const index_t nb_vertices = mesh_.nb_vertices();
    std::vector<bool> used(nb_vertices, false);
    for (const auto& pvs : impl.polygon_vertices) {
        used[pvs[0]] = used[pvs[1]] = used[pvs[2]] = true;
    }
    if (impl.edges) {
        const auto& edge_vertices = impl.edges->impl_->vertices;
        for (index_t e = 0; e < edge_vertices.size(); ++e) {
            for (const auto v : edge_vertices[e]) {
                if (!used[v]) {
                    throw VelmoraBasicException(
                        "[SurfaceMeshBuilder::delete_isolated_vertices] Edge ", e,
                        " still uses isolated vertex ", v,
                        ": delete the unused edges first (delete_isolated_edges)");
                }
            }
        }
    }
    std::vector<index_t> old2new(nb_vertices, NO_ID);
    index_t nb_kept = 0;
    for (index_t v = 0; v < nb_vertices; ++v) {
        if (used[v])
            old2new[v] = nb_kept++;
    }
    if (nb_kept == nb_vertices)
        return old2new;
    remap_vertex_entries(old2new, nb_kept);
    for (index_t v = 0; v < nb_vertices; ++v) {
        const index_t nv = old2new[v];
        if (nv == NO_ID)
            continue;
        impl.points[nv] = impl.points[v];
        impl.incident[nv] = impl.incident[v];
    }
    impl.points.resize(nb_kept);
    impl.incident.resize(nb_kept);
    impl.points.shrink_to_fit();
    impl.incident.shrink_to_fit();
    for (auto& pvs : impl.polygon_vertices) {
        for (auto& v : pvs)
            v = old2new[v];
    }
    if (impl.edges) {
        auto& e = *impl.edges->impl_;
        for (auto& ev : e.vertices) {
            ev = e.sorted({{old2new[ev[0]], old2new[ev[1]]}});
        }
        e.mark_map_stale();
    }
    return old2new;
}

// ---- Edges -----------------------------------------------------------------------

template <index_t dimension>
index_t SurfaceMeshBuilder<dimension>::find_or_create_edge(
    const std::array<index_t, 2>& vertices) {
    auto& impl = *mesh_.impl_;
    if (!impl.edges) {
        throw VelmoraBasicException(
            "[SurfaceMeshBuilder::find_or_create_edge] Edges are not enabled");
    }
    for (const auto v : vertices) {
        if (v >= mesh_.nb_vertices()) {
            throw VelmoraBasicException(
                "[SurfaceMeshBuilder::find_or_create_edge] Vertex ", v, " out of range (",
                mesh_.nb_vertices(), " vertices)");
        }
    }
    if (vertices[0] == vertices[1]) {
        throw VelmoraBasicException(
            "[SurfaceMeshBuilder::find_or_create_edge] An edge needs two different "
            "vertices, got ",
            vertices[0], " twice");
    }
    auto& e = *impl.edges->impl_;
    const index_t edge = e.find_or_create(vertices);
    if (edge + 1 > e.edge_attributes.nb_elements()) {
        e.edge_attributes.resize(static_cast<index_t>(e.vertices.size()));
    }
    return edge;
}

template <index_t dimension>
std::vector<index_t> SurfaceMeshBuilder<dimension>::delete_edges(
    const std::vector<bool>& to_delete) {
    auto& impl = *mesh_.impl_;
    if (!impl.edges) {
        throw VelmoraBasicException(
            "[SurfaceMeshBuilder::delete_edges] Edges are not enabled");
    }
    auto& e = *impl.edges->impl_;
    const index_t nb_edges = static_cast<index_t>(e.vertices.size());
    if (to_delete.size() != nb_edges) {
        throw VelmoraBasicException("[SurfaceMeshBuilder::delete_edges] Mask has ",
                                    to_delete.size(), " entries for ", nb_edges,
                                    " edges");
    }
    std::vector<index_t> old2new(nb_edges, NO_ID);
    index_t nb_kept = 0;
    for (index_t i = 0; i < nb_edges; ++i) {
        if (!to_delete[i])
            old2new[i] = nb_kept++;
    }
    if (nb_kept == nb_edges)
        return old2new;
    e.edge_attributes.remap_elements(old2new, nb_kept);
    for (index_t i = 0; i < nb_edges; ++i) {
        if (old2new[i] != NO_ID)
            e.vertices[old2new[i]] = e.vertices[i];
    }
    e.vertices.resize(nb_kept);
    e.vertices.shrink_to_fit();
    e.mark_map_stale();
    return old2new;
}

template <index_t dimension>
std::vector<index_t> SurfaceMeshBuilder<dimension>::delete_isolated_edges() {
    auto& impl = *mesh_.impl_;
    if (!impl.edges) {
        throw VelmoraBasicException(
            "[SurfaceMeshBuilder::delete_isolated_edges] Edges are not enabled");
    }
    const auto& edges = *impl.edges;
    std::vector<bool> unused(edges.nb_edges(), true);
    for (const auto& pvs : impl.polygon_vertices) {
        for (local_index_t i = 0; i < 3; ++i) {
            const auto edge = edges.edge_from_vertices({{pvs[i], pvs[next3(i)]}});
            if (edge)
                unused[*edge] = false;
        }
    }
    return delete_edges(unused);
}

template class SurfaceMeshBuilder<2>;

}  // namespace orvane
