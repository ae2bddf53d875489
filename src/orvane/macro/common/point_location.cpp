#include <orvane/macro/common/point_location.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <tuple>

#include <absl/container/inlined_vector.h>

#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/kernel/geometry/segment.hpp>

namespace orvane::detail {

namespace {

using STATUS = PointLocationWalk::STATUS;

// Confirmation walks of the search-backed location, at most.
constexpr std::size_t MAX_CONFIRMATION_WALKS = 16;

template <typename... Args>
[[noreturn]] void fail(const Args&... message) {
    throw VelmoraException(1, "OrvaneBackground", "Common", nullptr, message...);
}

void check_triangle(const TriangulatedSurface<2>& surface, index_t triangle,
                    const char* operation) {
    if (triangle >= surface.nb_polygons()) {
        fail("[", operation, "] Triangle ", triangle, " out of range (",
             surface.nb_polygons(), " triangles)");
    }
}

// Small xorshift generator: the walk only needs to break ties between two edges
// unpredictably enough that no fixed cycle survives.
struct TieBreaker {
    std::uint32_t state;
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// An active triangle to walk from: `start` itself, or one around a vertex of it.
index_t active_start(const Point<2>& point, const TriangulatedSurface<2>& surface,
                     const TriangulatedSurfaceModifier<2>& modifier, index_t start) {
    if (modifier.is_triangle_active(start)) {
        return start;
    }
    if (start >= surface.nb_polygons()) {
        return NO_ID;
    }
    const auto& vertices = surface.polygon_vertices(start);
    std::array<std::pair<double, index_t>, 3> by_distance;
    for (local_index_t v = 0; v < 3; ++v) {
        by_distance[v] = {point_point_distance(point, surface.point(vertices[v])),
                          vertices[v]};
    }
    std::sort(by_distance.begin(), by_distance.end());
    for (const auto& entry : by_distance) {
        const auto current = modifier.updated_vertex(entry.second);
        if (!current || *current >= surface.nb_vertices()) {
            continue;
        }
        const auto around = surface.polygon_around_vertex(*current);
        if (around && modifier.is_triangle_active(around->polygon_id)) {
            return around->polygon_id;
        }
    }
    return NO_ID;
}

double triangle_distance(const Point<2>& point, const TriangulatedSurface<2>& surface,
                         index_t triangle) {
    return std::get<0>(point_triangle_distance(point, surface.triangle(triangle)));
}

bool contains(const Point<2>& point, const TriangulatedSurface<2>& surface,
              index_t triangle) {
    return point_triangle_position(point, surface.triangle(triangle)) !=
           POSITION::outside;
}

// The best answer so far when no triangle contains the point exactly.
struct NearestTriangle {
    index_t triangle{NO_ID};
    double distance{std::numeric_limits<double>::infinity()};

    void consider(index_t t, double d) {
        if (d <= GLOBAL_EPSILON && d < distance) {
            triangle = t;
            distance = d;
        }
    }
    std::optional<index_t> result() const {
        if (triangle == NO_ID) {
            return std::nullopt;
        }
        return triangle;
    }
};

// Every active triangle: the first that contains the point exactly, else the nearest
// within the tolerance. O(n), with a box test before any exact sign.
std::optional<index_t> scan_active_triangles(
    const Point<2>& point, const TriangulatedSurface<2>& surface,
    const TriangulatedSurfaceModifier<2>& modifier) {
    NearestTriangle nearest;
    const index_t n = surface.nb_polygons();
    for (index_t t = 0; t < n; ++t) {
        if (!modifier.is_triangle_active(t)) {
            continue;
        }
        const auto& v = surface.polygon_vertices(t);
        BoundingBox<2> box{surface.point(v[0]), surface.point(v[1])};
        box.add_point(surface.point(v[2]));
        if (!box.epsilon_contains(point)) {
            continue;
        }
        if (contains(point, surface, t)) {
            return t;
        }
        nearest.consider(t, triangle_distance(point, surface, t));
    }
    return nearest.result();
}

}  // namespace

PointLocationWalk walk_to_point(const Point<2>& point,
                                const TriangulatedSurface<2>& surface,
                                const TriangulatedSurfaceModifier<2>& modifier,
                                index_t start) {
    PointLocationWalk walk;
    if (!point.is_finite()) {
        walk.status = STATUS::invalid_point;
        return walk;
    }
    index_t t = active_start(point, surface, modifier, start);
    if (t == NO_ID) {
        walk.status = STATUS::no_start;
        return walk;
    }
    // Never zero: xorshift would stay at zero for good.
    TieBreaker tie{(0x9e3779b9u ^ t) | 1u};
    // The edge the walk came in by; its sign is known (the point lies on this side).
    local_index_t entry = NO_LID;
    const index_t bound = surface.nb_polygons();
    for (;;) {
        walk.triangle = t;
        const auto& v = surface.polygon_vertices(t);
        const std::array<const Point<2>*, 3> p{
            {&surface.point(v[0]), &surface.point(v[1]), &surface.point(v[2])}};
        std::array<local_index_t, 3> order;
        local_index_t nb_edges = 3;
        if (entry == NO_LID) {
            const auto r = static_cast<local_index_t>(tie.next() % 3);
            order = {{r, static_cast<local_index_t>((r + 1) % 3),
                      static_cast<local_index_t>((r + 2) % 3)}};
        } else {
            nb_edges = 2;
            const bool swap = (tie.next() & 1U) != 0;
            const auto a = static_cast<local_index_t>((entry + 1) % 3);
            const auto b = static_cast<local_index_t>((entry + 2) % 3);
            order = {{swap ? b : a, swap ? a : b, entry}};
        }
        bool on_border = false;
        bool moved = false;
        for (local_index_t k = 0; k < nb_edges; ++k) {
            const local_index_t e = order[k];
            if (orient2d(*p[e], *p[(e + 1) % 3], point) != SIDE::negative) {
                continue;
            }
            const auto across = surface.polygon_adjacent_edge(PolygonEdge{t, e});
            if (!across || !modifier.is_triangle_active(across->polygon_id)) {
                on_border = true;
                continue;
            }
            if (walk.nb_steps >= bound) {
                walk.status = STATUS::exhausted;
                return walk;
            }
            ++walk.nb_steps;
            // Consistently oriented neighbours run the shared edge the other way; only
            // then is the point's side of it known without asking again.
            const bool consistent =
                surface.polygon_edge_vertex(*across, 0) == v[(e + 1) % 3];
            t = across->polygon_id;
            entry = consistent ? across->edge_id : NO_LID;
            moved = true;
            break;
        }
        if (moved) {
            continue;
        }
        if (on_border) {
            walk.status = STATUS::border;
            return walk;
        }
        // No edge separates the triangle from the point: it holds the point if it is
        // counter-clockwise; anything else is decided by the full classification.
        if (orient2d(*p[0], *p[1], *p[2]) == SIDE::positive ||
            contains(point, surface, t)) {
            walk.status = STATUS::found;
        } else {
            walk.status = STATUS::degenerate;
        }
        return walk;
    }
}

std::optional<index_t> find_containing_triangle(
    const Point<2>& point, const TriangulatedSurface<2>& surface,
    const TriangulatedSurfaceModifier<2>& modifier, index_t start) {
    const auto walk = walk_to_point(point, surface, modifier, start);
    switch (walk.status) {
        case STATUS::found:
            return walk.triangle;
        case STATUS::invalid_point:
            return std::nullopt;
        case STATUS::border:
            if (triangle_distance(point, surface, walk.triangle) <= GLOBAL_EPSILON) {
                return walk.triangle;
            }
            break;
        case STATUS::degenerate:
        case STATUS::exhausted:
        case STATUS::no_start:
            break;
    }
    return scan_active_triangles(point, surface, modifier);
}

std::optional<index_t> find_containing_triangle(
    const Point<2>& point, const TriangulatedSurface<2>& surface,
    const TriangulatedSurfaceModifier<2>& modifier, index_t start,
    const ElementSearch<TriangulatedSurface<2>>& search) {
    const auto walk = walk_to_point(point, surface, modifier, start);
    if (walk.status == STATUS::found) {
        return walk.triangle;
    }
    if (walk.status == STATUS::invalid_point) {
        return std::nullopt;
    }
    NearestTriangle nearest;
    if (walk.triangle != NO_ID) {
        nearest.consider(walk.triangle, triangle_distance(point, surface, walk.triangle));
    }
    // The triangles near the point: test the active ones, and start walks from them
    // and from the fans of the inactive ones' vertices.
    const index_t n = surface.nb_polygons();
    absl::InlinedVector<index_t, 16> seeds;
    const auto add_seed = [&seeds](index_t t) {
        if (std::find(seeds.begin(), seeds.end(), t) == seeds.end()) {
            seeds.push_back(t);
        }
    };
    for (const index_t c : search.elements_near(point)) {
        if (c >= n) {
            continue;
        }
        if (modifier.is_triangle_active(c)) {
            if (contains(point, surface, c)) {
                return c;
            }
            nearest.consider(c, triangle_distance(point, surface, c));
            add_seed(c);
            continue;
        }
        const index_t fan = active_start(point, surface, modifier, c);
        if (fan != NO_ID) {
            add_seed(fan);
        }
    }
    std::size_t nb_walks = 0;
    for (const index_t seed : seeds) {
        if (seed == walk.triangle) {
            continue;
        }
        if (nb_walks++ == MAX_CONFIRMATION_WALKS) {
            break;
        }
        const auto other = walk_to_point(point, surface, modifier, seed);
        if (other.status == STATUS::found) {
            return other.triangle;
        }
        if (other.triangle != NO_ID) {
            nearest.consider(other.triangle,
                             triangle_distance(point, surface, other.triangle));
        }
    }
    return nearest.result();
}

std::optional<local_index_t> snapping_detection(const TriangulatedSurface<2>& surface,
                                                index_t triangle, const Point<2>& point) {
    check_triangle(surface, triangle, "snapping_detection");
    if (!point.is_finite()) {
        return std::nullopt;
    }
    const auto& vertices = surface.polygon_vertices(triangle);
    std::optional<local_index_t> best;
    double best_distance = std::numeric_limits<double>::infinity();
    for (local_index_t v = 0; v < 3; ++v) {
        const double d = point_point_distance(point, surface.point(vertices[v]));
        if (d <= GLOBAL_EPSILON && d < best_distance) {
            best = v;
            best_distance = d;
        }
    }
    return best;
}

std::optional<double> edge_snapping_detection(const TriangulatedSurface<2>& surface,
                                              const PolygonEdge& edge,
                                              const Point<2>& point) {
    check_triangle(surface, edge.polygon_id, "edge_snapping_detection");
    if (edge.edge_id > 2) {
        fail("[edge_snapping_detection] Local edge ", static_cast<int>(edge.edge_id),
             " out of range (0 to 2)");
    }
    if (!point.is_finite()) {
        return std::nullopt;
    }
    const auto vertices = surface.polygon_edge_vertices(edge);
    const Point<2>& a = surface.point(vertices[0]);
    const Point<2>& b = surface.point(vertices[1]);
    const auto [distance, nearest] = point_segment_distance(point, Segment<2>{a, b});
    if (!(distance <= GLOBAL_EPSILON)) {
        return std::nullopt;
    }
    if (!(point_point_distance(point, a) > GLOBAL_EPSILON) ||
        !(point_point_distance(point, b) > GLOBAL_EPSILON)) {
        return std::nullopt;
    }
    // Implied by the two distances above (the nearest point of the segment is an end
    // only when the point is as near that end as to the segment), kept as the
    // statement of the rule.
    if (nearest == a || nearest == b) {
        return std::nullopt;
    }
    return distance;
}

std::optional<local_index_t> edge_snapping_detection(
    const TriangulatedSurface<2>& surface, index_t triangle, const Point<2>& point) {
    check_triangle(surface, triangle, "edge_snapping_detection");
    for (local_index_t e = 0; e < 3; ++e) {
        if (edge_snapping_detection(surface, PolygonEdge{triangle, e}, point)) {
            return e;
        }
    }
    return std::nullopt;
}

}  // namespace orvane::detail
