#include <orvane/macro/common/element_search.hpp>

#include <algorithm>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/geometry/bounding_box.hpp>
#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/kernel/mesh/mesh_aabb.hpp>

namespace orvane {

namespace {

// Appended triangles are indexed in blocks of this many; fewer are scanned.
constexpr index_t BLOCK_SIZE = 256;

BoundingBox<2> triangle_box(const TriangulatedSurface<2>& surface, index_t triangle) {
    const auto& v = surface.polygon_vertices(triangle);
    BoundingBox<2> box{surface.point(v[0]), surface.point(v[1])};
    box.add_point(surface.point(v[2]));
    return box;
}

// A tree over the consecutive triangles [begin, end); tree element i is triangle
// begin + i.
struct Level {
    index_t begin;
    index_t end;
    AABBTree<2> tree;
};

Level make_level(const TriangulatedSurface<2>& surface, index_t begin, index_t end) {
    std::vector<BoundingBox<2>> boxes;
    boxes.reserve(end - begin);
    for (index_t t = begin; t < end; ++t) {
        boxes.push_back(triangle_box(surface, t));
    }
    return Level{begin, end, AABBTree<2>{boxes}};
}

}  // namespace

struct ElementSearch<TriangulatedSurface<2>>::Impl {
    void build(const TriangulatedSurface<2>& s) {
        surface = &s;
        tree = create_aabb_tree(s);
        nb_indexed = s.nb_polygons();
        std::lock_guard<std::mutex> lock{mutex};
        levels.clear();
        levels_end = nb_indexed;
    }

    // Brings the levels in step with the surface's triangle count and calls
    // action(triangle) for every appended triangle whose box contains the point up to
    // GLOBAL_EPSILON per axis (the tree's epsilon_contains). Blocks are built as they
    // fill; two levels of one size merge into one, so there are O(log n) levels.
    template <typename Action>
    void visit_appended(const Point<2>& point, Action&& action) const {
        std::lock_guard<std::mutex> lock{mutex};
        const index_t n = surface->nb_polygons();
        if (n < levels_end) {
            // The mesh shrank (a clean the search has not been told about): what the
            // levels hold no longer exists.
            levels.clear();
            levels_end = nb_indexed;
        }
        while (levels_end <= n && n - levels_end >= BLOCK_SIZE) {
            levels.push_back(make_level(*surface, levels_end, levels_end + BLOCK_SIZE));
            levels_end += BLOCK_SIZE;
            while (levels.size() >= 2 &&
                   levels.back().end - levels.back().begin ==
                       levels[levels.size() - 2].end - levels[levels.size() - 2].begin) {
                const index_t begin = levels[levels.size() - 2].begin;
                const index_t end = levels.back().end;
                levels.pop_back();
                levels.back() = make_level(*surface, begin, end);
            }
        }
        for (const auto& level : levels) {
            level.tree.epsilon_containing_boxes(point, [&](index_t i) {
                const index_t t = level.begin + i;
                if (t < n) {
                    action(t);
                }
            });
        }
        for (index_t t = levels_end; t < n; ++t) {
            if (triangle_box(*surface, t).epsilon_contains(point)) {
                action(t);
            }
        }
    }

    const TriangulatedSurface<2>* surface{nullptr};
    AABBTree<2> tree;
    index_t nb_indexed{0};

    mutable std::mutex mutex;
    // Trees over the triangles appended since the build, in index order: level k
    // covers [levels[k].begin, levels[k].end), the first begins at nb_indexed, and
    // sizes are decreasing powers of two times BLOCK_SIZE. Triangles from levels_end
    // on are in no level yet.
    mutable std::vector<Level> levels;
    mutable index_t levels_end{0};
};

ElementSearch<TriangulatedSurface<2>>::ElementSearch()
    : impl_(std::make_unique<Impl>()) {}

ElementSearch<TriangulatedSurface<2>>::ElementSearch(
    const TriangulatedSurface<2>& surface)
    : ElementSearch() {
    impl_->build(surface);
}

ElementSearch<TriangulatedSurface<2>>::~ElementSearch() = default;
ElementSearch<TriangulatedSurface<2>>::ElementSearch(ElementSearch&& other) noexcept =
    default;
ElementSearch<TriangulatedSurface<2>>& ElementSearch<TriangulatedSurface<2>>::operator=(
    ElementSearch&& other) noexcept = default;

void ElementSearch<TriangulatedSurface<2>>::reinitialize_elements_tree(
    const TriangulatedSurface<2>& surface) {
    if (!impl_) {
        impl_ = std::make_unique<Impl>();
    }
    impl_->build(surface);
}

void ElementSearch<TriangulatedSurface<2>>::reinitialize_elements_tree() {
    if (!impl_ || impl_->surface == nullptr) {
        throw VelmoraException(
            1, "OrvaneBackground", "Common", nullptr,
            "[ElementSearch::reinitialize_elements_tree] No surface to "
            "index: the search was built empty");
    }
    impl_->build(*impl_->surface);
}

std::optional<index_t> ElementSearch<TriangulatedSurface<2>>::initial_containing_element(
    const Point<2>& point) const {
    if (!impl_ || impl_->surface == nullptr || !point.is_finite()) {
        return std::nullopt;
    }
    const auto& surface = *impl_->surface;
    const index_t n = surface.nb_polygons();
    std::optional<index_t> first_box;
    std::optional<index_t> containing;
    impl_->tree.containing_boxes(point, [&](index_t t) {
        if (t >= n) {
            return false;
        }
        if (!first_box) {
            first_box = t;
        }
        if (point_triangle_position(point, surface.triangle(t)) != POSITION::outside) {
            containing = t;
            return true;
        }
        return false;
    });
    if (containing) {
        return containing;
    }
    if (first_box) {
        return first_box;
    }
    // Near the border, or beyond the tree's boxes: the nearest triangle within the
    // tolerance, appended ones included.
    std::optional<index_t> nearest;
    double best = std::numeric_limits<double>::infinity();
    for (const index_t t : elements_near(point)) {
        if (!(triangle_box(surface, t).distance(point) <= GLOBAL_EPSILON)) {
            continue;
        }
        const double d = std::get<0>(point_triangle_distance(point, surface.triangle(t)));
        if (!nearest || d < best) {
            nearest = t;
            best = d;
        }
    }
    return nearest;
}

ElementSearch<TriangulatedSurface<2>>::Candidates
ElementSearch<TriangulatedSurface<2>>::elements_near(const Point<2>& point) const {
    Candidates result;
    if (!impl_ || impl_->surface == nullptr || !point.is_finite()) {
        return result;
    }
    const index_t n = impl_->surface->nb_polygons();
    impl_->tree.epsilon_containing_boxes(point, [&](index_t t) {
        if (t < n) {
            result.push_back(t);
        }
    });
    impl_->visit_appended(point, [&](index_t t) { result.push_back(t); });
    return result;
}

index_t ElementSearch<TriangulatedSurface<2>>::nb_indexed_elements() const {
    return impl_ ? impl_->nb_indexed : 0;
}

const AABBTree<2>& ElementSearch<TriangulatedSurface<2>>::elements_tree() const {
    static const AABBTree<2> empty;
    return impl_ ? impl_->tree : empty;
}

const TriangulatedSurface<2>* ElementSearch<TriangulatedSurface<2>>::surface() const {
    return impl_ ? impl_->surface : nullptr;
}

}  // namespace orvane
