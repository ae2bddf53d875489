#include <orvane/kernel/mesh/surface_consistency.hpp>

#include <absl/strings/str_cat.h>

#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/geometry/predicates.hpp>

namespace orvane {

namespace {

class Checker {
public:
    Checker(const SurfaceMesh<2>& surface, const SurfaceConsistencyOptions& options)
        : surface_(surface), options_(options) {}

    std::vector<std::string> run() {
        check_polygons();
        check_vertices();
        if (surface_.are_edges_enabled())
            check_edges();
        return std::move(problems_);
    }

private:
    bool full() const { return problems_.size() >= options_.max_problems; }
    template <typename... Args>
    void report(const Args&... args) {
        if (!full())
            problems_.push_back(absl::StrCat(args...));
    }
    bool active(index_t p) const {
        return !options_.is_polygon_active || options_.is_polygon_active(p);
    }
    bool valid_polygon(index_t p) const {
        const auto& v = surface_.polygon_vertices(p);
        const index_t n = surface_.nb_vertices();
        return v[0] < n && v[1] < n && v[2] < n;
    }

    void check_polygons() {
        const index_t nb_polygons = surface_.nb_polygons();
        const index_t nb_vertices = surface_.nb_vertices();
        for (index_t p = 0; p < nb_polygons && !full(); ++p) {
            const auto& v = surface_.polygon_vertices(p);
            if (!valid_polygon(p)) {
                report("Polygon ", p, " has a vertex out of range (", v[0], " ", v[1],
                       " ", v[2], "; ", nb_vertices, " vertices)");
                continue;
            }
            if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) {
                report("Polygon ", p, " repeats a vertex (", v[0], " ", v[1], " ", v[2],
                       ")");
            }
            if (!active(p))
                continue;
            for (local_index_t e = 0; e < 3; ++e)
                check_adjacency(PolygonEdge{p, e});
            if (options_.check_orientation) {
                const auto side = orient2d(surface_.point(v[0]), surface_.point(v[1]),
                                           surface_.point(v[2]));
                if (side != SIDE::positive) {
                    report("Polygon ", p,
                           side == SIDE::zero ? " is flat" : " is inverted",
                           " (vertices ", v[0], " ", v[1], " ", v[2], ")");
                }
            }
        }
    }

    void check_adjacency(const PolygonEdge& pe) {
        const auto adjacent = surface_.polygon_adjacent(pe);
        if (!adjacent)
            return;
        const index_t q = *adjacent;
        if (q >= surface_.nb_polygons()) {
            report("Polygon edge ", pe.string(), " has adjacent ", q, " out of range");
            return;
        }
        if (q == pe.polygon_id) {
            report("Polygon edge ", pe.string(), " is adjacent to its own polygon");
            return;
        }
        if (!active(q)) {
            report("Active polygon edge ", pe.string(),
                   " is adjacent to inactive polygon ", q);
            return;
        }
        if (!valid_polygon(q))
            return;
        const auto [a, b] = surface_.polygon_edge_vertices(pe);
        const auto back = surface_.polygon_adjacent_edge(pe);
        if (!back) {
            report("Polygon edge ", pe.string(), " (", a, " ", b,
                   ") is adjacent to polygon ", q, ", which does not have that edge");
            return;
        }
        const auto [c, d] = surface_.polygon_edge_vertices(*back);
        if (!(c == b && d == a)) {
            report("Polygon edge ", pe.string(), " and its adjacent ", back->string(),
                   " run in the same direction (inconsistent orientation)");
        }
        const auto reverse = surface_.polygon_adjacent(*back);
        if (!reverse || *reverse != pe.polygon_id) {
            report("Adjacency is not symmetric: ", pe.string(), " -> ", q, " but ",
                   back->string(), " -> ", reverse ? absl::StrCat(*reverse) : "border");
        }
    }

    void check_vertices() {
        const index_t nb_vertices = surface_.nb_vertices();
        const index_t nb_polygons = surface_.nb_polygons();
        std::vector<bool> used(nb_vertices, false);
        for (index_t p = 0; p < nb_polygons; ++p) {
            if (!active(p) || !valid_polygon(p))
                continue;
            for (const auto v : surface_.polygon_vertices(p))
                used[v] = true;
        }
        for (index_t v = 0; v < nb_vertices && !full(); ++v) {
            const auto pv = surface_.polygon_around_vertex(v);
            if (!pv) {
                if (used[v])
                    report("Vertex ", v, " is used by an active polygon but isolated");
                continue;
            }
            if (pv->polygon_id >= nb_polygons || pv->vertex_id > 2) {
                report("Vertex ", v, " points at polygon vertex ", pv->string(),
                       " out of range");
                continue;
            }
            if (!active(pv->polygon_id)) {
                report("Vertex ", v, " points at inactive polygon ", pv->polygon_id);
                continue;
            }
            if (surface_.polygon_vertex(*pv) != v) {
                report("Vertex ", v, " points at polygon vertex ", pv->string(),
                       ", which is vertex ", surface_.polygon_vertex(*pv));
                continue;
            }
            try {
                surface_.polygons_around_vertex(v);
            } catch (const VelmoraBasicException&) {
                report("Vertex ", v, ": the adjacencies around it never close");
            }
        }
    }

    void check_edges() {
        const auto& edges = surface_.edges();
        const index_t nb_vertices = surface_.nb_vertices();
        for (index_t e = 0; e < edges.nb_edges() && !full(); ++e) {
            const auto& v = edges.edge_vertices(e);
            if (v[0] >= nb_vertices || v[1] >= nb_vertices) {
                report("Edge ", e, " has a vertex out of range (", v[0], " ", v[1], ")");
                continue;
            }
            if (!(v[0] < v[1])) {
                report("Edge ", e, " vertices are not sorted (", v[0], " ", v[1], ")");
            }
            const auto found = edges.edge_from_vertices(v);
            if (!found || *found != e) {
                report("Edge ", e, " (", v[0], " ", v[1],
                       ") is not found from its vertices");
            }
        }
        for (index_t p = 0; p < surface_.nb_polygons() && !full(); ++p) {
            if (!active(p) || !valid_polygon(p))
                continue;
            for (local_index_t i = 0; i < 3; ++i) {
                const auto v = surface_.polygon_edge_vertices(PolygonEdge{p, i});
                if (!edges.edge_from_vertices(v)) {
                    report("Polygon edge ", PolygonEdge{p, i}.string(), " (", v[0], " ",
                           v[1], ") is missing from the edge set");
                }
            }
        }
    }

    const SurfaceMesh<2>& surface_;
    const SurfaceConsistencyOptions& options_;
    std::vector<std::string> problems_;
};

}  // namespace

std::vector<std::string> check_surface_consistency(
    const SurfaceMesh<2>& surface, const SurfaceConsistencyOptions& options) {
    return Checker{surface, options}.run();
}

}  // namespace orvane
