#pragma once

#include <memory>
#include <optional>

#include <absl/container/inlined_vector.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/aabb.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>

namespace orvane {

template <typename Mesh>
class ElementSearch;

// A box tree over the triangles of a surface, giving a triangle near a point to start a
// containing-triangle walk from (detail::find_containing_triangle).
//
// The tree indexes the triangles 0 to n - 1 that exist when it is built, active or
// not: it knows nothing of a modifier's activity flags. It is built at construction
// and by reinitialize_elements_tree, which callers run after a clean() has renumbered
// the mesh. In between the mesh goes on changing (append-only triangles): triangles
// appended since the build are indexed lazily, on the first query that needs them, in
// a few small trees over consecutive index blocks (the logarithmic method: blocks of
// 256 triangles, merged pairwise when two have the same size), so a query costs
// O(log^2 n) even after many appends, and the appended triangles not yet in a block
// (fewer than 256) are scanned.
//
// Answers are hints, never facts: a triangle named here may have been deactivated,
// and a triangle's box is the one it had when it was indexed (vertex moves are not
// seen). find_containing_triangle checks everything it is given.
//
// Indices found here refer to the numbering of the last build: after a clean() the
// search must be rebuilt before it is queried again (the inserter does this whenever
// the modifier's clean_stamp() has changed). Queries stay memory safe on a stale
// search: an index beyond the surface is simply never returned.
//
// The lazy indexing of appended triangles is guarded by a mutex, so concurrent const
// queries are safe; the surface itself must not change during a query. The surface
// must outlive the search (or the next reinitialize_elements_tree). Movable, not
// copyable.
template <>
class ElementSearch<TriangulatedSurface<2>> {
public:
    // Triangles near a point, in no particular order.
    using Candidates = absl::InlinedVector<index_t, 16>;

    // An empty search: every query answers nothing until reinitialize_elements_tree.
    ElementSearch();
    // Indexes every triangle of `surface`. O(n log n).
    explicit ElementSearch(const TriangulatedSurface<2>& surface);
    ~ElementSearch();
    ElementSearch(ElementSearch&& other) noexcept;
    ElementSearch& operator=(ElementSearch&& other) noexcept;
    ElementSearch(const ElementSearch&) = delete;
    ElementSearch& operator=(const ElementSearch&) = delete;

    // Rebuilds the tree over every current triangle of `surface`, which becomes the
    // searched surface. O(n log n).
    void reinitialize_elements_tree(const TriangulatedSurface<2>& surface);
    // The same over the surface given last. Throws a VelmoraException
    // ("[ElementSearch::reinitialize_elements_tree] ...") when no surface was ever
    // given.
    void reinitialize_elements_tree();

    // A triangle near `point`, to start a walk from:
    // - the first triangle found whose box contains the point and whose triangle (its
    //   current vertices) contains it, exactly, as a closed set;
    // - else the first one found whose box contains the point;
    // - else, among the triangles whose box is within GLOBAL_EPSILON of the point
    //   (Euclidean distance), the one nearest to it;
    // - else nothing: no triangle comes within GLOBAL_EPSILON of the point, so the
    //   point lies outside the surface (as far as the indexed boxes know).
    // Triangles appended since the build are searched only when the tree has no box
    // containing the point. NaN or infinite points give nothing. The result may be an
    // inactive triangle. Cost: O(log n) for a point inside the tree's boxes.
    std::optional<index_t> initial_containing_element(const Point<2>& point) const;

    // Every indexed triangle, of the tree or appended since its build, whose box
    // contains `point` up to GLOBAL_EPSILON on each axis (active or not). Used to
    // confirm or refute a containment without scanning the mesh. Empty for NaN or
    // infinite points.
    Candidates elements_near(const Point<2>& point) const;

    // Number of triangles the tree was built over (the mesh's nb_polygons() then).
    index_t nb_indexed_elements() const;
    // The tree over the triangles of the last build (element i is triangle i).
    const AABBTree<2>& elements_tree() const;
    // The searched surface; nullptr for an empty search.
    const TriangulatedSurface<2>* surface() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

using ElementSearch2D = ElementSearch<TriangulatedSurface<2>>;

}  // namespace orvane
