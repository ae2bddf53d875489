#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include <absl/types/span.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/bounding_box.hpp>
#include <orvane/kernel/geometry/large_array_allocator.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/segment.hpp>

namespace orvane {

// A static bounding-box tree over elements given by their boxes (element i has box i).
//
// Layout: implicit binary tree in flat arrays. Node 1 is the root and covers every leaf
// position; node n covering positions [b, e) has children 2n over [b, m) and 2n + 1
// over [m, e), with m = b + (e - b) / 2; a node covering one position is a leaf and
// holds one element. The leaves are sorted spatially at build time by recursive
// median splits along the longer axis of the element centers, using the same cut as
// the layout, so every node's box is the union of a compact group of elements.
// Building costs O(n log n) time and three flat arrays: the inner node boxes (by node
// index, fewer than 2n slots), and the element and box of each leaf position. Nothing is
// allocated per node or per query.
//
// Every query visits each node at most once (pair queries each node pair at most
// once), so its cost is bounded by the tree size.
//
// Actions: every query calls its action once per reported element (or pair). An
// action may return bool: true stops the query at once (the query then returns true);
// a void action never stops it.
//
// NaN policy: elements whose box is not valid (empty, or poisoned by a NaN) are left
// out of the tree and are never reported; `nb_bboxes` still counts them. A query with
// a NaN point or segment reports nothing (the closest-element query returns NO_ID and
// a NaN distance). A distance functor answering NaN for an element makes that element
// a non-candidate.
template <index_t dimension>
class AABBTree {
public:
    AABBTree() = default;
    explicit AABBTree(absl::Span<const BoundingBox<dimension>> boxes)
        : nb_bboxes_(static_cast<index_t>(boxes.size())) {
        build(boxes);
    }

    // Number of boxes given at construction, valid or not.
    index_t nb_bboxes() const { return nb_bboxes_; }
    // Number of elements stored in the tree (those with a valid box).
    index_t nb_leaves() const { return static_cast<index_t>(leaf_elements_.size()); }
    // Union of all valid boxes; an empty box for an empty tree.
    BoundingBox<dimension> bounding_box() const {
        return leaf_elements_.empty() ? BoundingBox<dimension>{} : box(root());
    }

    // Elements whose box contains `point` (closed boxes).
    template <typename Action>
    bool containing_boxes(const Point<dimension>& point, Action&& action) const {
        return visit(
            [&point](const BoundingBox<dimension>& box) { return box.contains(point); },
            action);
    }
    std::vector<index_t> containing_boxes(const Point<dimension>& point) const {
        std::vector<index_t> result;
        containing_boxes(point, [&result](index_t e) { result.push_back(e); });
        return result;
    }

    // Elements whose box contains `point` up to GLOBAL_EPSILON on every axis.
    template <typename Action>
    bool epsilon_containing_boxes(const Point<dimension>& point, Action&& action) const {
        return visit(
            [&point](const BoundingBox<dimension>& box) {
                return box.epsilon_contains(point);
            },
            action);
    }
    std::vector<index_t> epsilon_containing_boxes(const Point<dimension>& point) const {
        std::vector<index_t> result;
        epsilon_containing_boxes(point, [&result](index_t e) { result.push_back(e); });
        return result;
    }

    // Elements whose box comes within GLOBAL_EPSILON of the segment
    // (BoundingBox::epsilon_intersects): a node is entered only when its box does.
    template <typename Action>
    bool segment_intersecting_boxes(const Segment<dimension>& segment,
                                    Action&& action) const {
        return visit(
            [&segment](const BoundingBox<dimension>& box) {
                return box.epsilon_intersects(segment);
            },
            action);
    }
    std::vector<index_t> segment_intersecting_boxes(
        const Segment<dimension>& segment) const {
        std::vector<index_t> result;
        segment_intersecting_boxes(segment,
                                   [&result](index_t e) { result.push_back(e); });
        return result;
    }

    // Elements whose box intersects `box` (closed boxes: touching counts).
    template <typename Action>
    bool intersecting_boxes(const BoundingBox<dimension>& box, Action&& action) const {
        return visit(
            [&box](const BoundingBox<dimension>& node) { return node.intersects(box); },
            action);
    }
    std::vector<index_t> intersecting_boxes(const BoundingBox<dimension>& box) const {
        std::vector<index_t> result;
        intersecting_boxes(box, [&result](index_t e) { result.push_back(e); });
        return result;
    }

    // Every unordered pair of distinct elements of this tree whose boxes intersect,
    // once each: action(element, other_element).
    template <typename Action>
    bool intersecting_box_pairs(Action&& action) const {
        if (leaf_elements_.empty()) {
            return false;
        }
        return self_pairs({ROOT, 0, nb_leaves()}, action);
    }

    // Every pair (element of this tree, element of `other`) whose boxes intersect:
    // action(element, other_element).
    template <typename Action>
    bool intersecting_box_pairs(const AABBTree& other, Action&& action) const {
        if (leaf_elements_.empty() || other.leaf_elements_.empty()) {
            return false;
        }
        return cross_pairs(other, {ROOT, 0, nb_leaves()}, {ROOT, 0, other.nb_leaves()},
                           action);
    }

    // The element nearest to `query` according to `distance`, a functor
    // (const Point&, index_t element) -> (double distance, Point nearest point of the
    // element) returning a tuple or a pair. The distance must not be smaller than the
    // distance from the query to the element's box (true whenever the element lies in
    // its box), which lets the search prune. Returns (element, distance, nearest
    // point); (NO_ID, +infinity, query) for an empty tree, (NO_ID, NaN, query) for a
    // NaN query. Ties go to the first element found.
    template <typename DistanceFunctor>
    std::tuple<index_t, double, Point<dimension>> closest_element(
        const Point<dimension>& query, DistanceFunctor&& distance) const {
        Closest result{NO_ID, std::numeric_limits<double>::infinity(), query};
        for (index_t i = 0; i < dimension; ++i) {
            if (std::isnan(query.value(i))) {
                result.distance = std::numeric_limits<double>::quiet_NaN();
                return {result.element, result.distance, result.point};
            }
        }
        if (!leaf_elements_.empty()) {
            closest({ROOT, 0, nb_leaves()}, query, distance, result);
        }
        return {result.element, result.distance, result.point};
    }

private:
    static constexpr index_t ROOT = 1;

    struct Node {
        index_t index;
        index_t begin;
        index_t end;

        bool is_leaf() const { return end - begin == 1; }
        index_t middle() const { return begin + (end - begin) / 2; }
        Node left() const { return {2 * index, begin, middle()}; }
        Node right() const { return {2 * index + 1, middle(), end}; }
    };

    struct Closest {
        index_t element;
        double distance;
        Point<dimension> point;
    };

    template <typename Action, typename... Args>
    static bool call(Action& action, Args... args) {
        if constexpr (std::is_void_v<std::invoke_result_t<Action&, Args...>>) {
            action(args...);
            return false;
        } else {
            return static_cast<bool>(action(args...));
        }
    }

    void build(absl::Span<const BoundingBox<dimension>> boxes) {
        // Sort keys in single precision: they only order the leaves (the node boxes
        // are unions of the exact boxes), and small entries move fast.
        struct Entry {
            std::array<float, dimension> center;
            index_t element;
        };
        std::vector<Entry, internal::LargeArrayAllocator<Entry>> entries;
        entries.reserve(boxes.size());
        for (index_t e = 0; e < boxes.size(); ++e) {
            if (!boxes[e].is_valid()) {
                continue;
            }
            Entry entry{{}, e};
            for (index_t i = 0; i < dimension; ++i) {
                // Halves first: no overflow. An infinite box centers on its finite
                // side, a box infinite both ways on 0, so the sort keys are never NaN.
                const double c =
                    0.5 * boxes[e].min().value(i) + 0.5 * boxes[e].max().value(i);
                constexpr double largest = std::numeric_limits<float>::max();
                entry.center[i] =
                    c == c ? static_cast<float>(std::clamp(c, -largest, largest)) : 0.f;
            }
            entries.push_back(entry);
        }
        if (entries.empty()) {
            return;
        }
        const index_t n = static_cast<index_t>(entries.size());
        // Leaves lie at depth ceil(log2 n) at most (on the all-right path, right halves
        // being the larger), so inner nodes, one level up, have indices below
        // 2^ceil(log2 n).
        index_t depth = 0;
        while ((std::size_t{1} << depth) < n) {
            ++depth;
        }
        node_boxes_.resize(std::size_t{1} << depth);
        Cell cell;
        cell.lo.fill(std::numeric_limits<float>::infinity());
        cell.hi.fill(-std::numeric_limits<float>::infinity());
        for (const auto& entry : entries) {
            for (index_t i = 0; i < dimension; ++i) {
                cell.lo[i] = std::min(cell.lo[i], entry.center[i]);
                cell.hi[i] = std::max(cell.hi[i], entry.center[i]);
            }
        }
        sort_node({ROOT, 0, n}, cell, entries.data());
        // Gathering the leaf boxes in one plain loop lets the memory system overlap
        // the misses of a random input order.
        leaf_elements_.resize(n);
        leaf_boxes_.resize(n);
        for (index_t k = 0; k < n; ++k) {
            leaf_elements_[k] = entries[k].element;
        }
        for (index_t k = 0; k < n; ++k) {
            leaf_boxes_[k] = boxes[leaf_elements_[k]];
        }
        compute_node_box(root());
    }

    // The region of the sort keys of a node: the root's is their bounding box, a
    // child's is its parent's cut at the median key (the classic k-d cell), which saves
    // a scan of every node's keys.
    struct Cell {
        std::array<float, dimension> lo;
        std::array<float, dimension> hi;
    };

    template <typename Entry>
    void sort_node(const Node& node, const Cell& cell, Entry* entries) {
        if (node.is_leaf()) {
            return;
        }
        index_t axis = 0;
        for (index_t i = 1; i < dimension; ++i) {
            if (cell.hi[i] - cell.lo[i] > cell.hi[axis] - cell.lo[axis]) {
                axis = i;
            }
        }
        std::nth_element(entries + node.begin, entries + node.middle(),
                         entries + node.end, [axis](const Entry& a, const Entry& b) {
                             return a.center[axis] < b.center[axis];
                         });
        const float median = entries[node.middle()].center[axis];
        Cell left = cell;
        left.hi[axis] = median;
        Cell right = cell;
        right.lo[axis] = median;
        sort_node(node.left(), left, entries);
        sort_node(node.right(), right, entries);
    }

    const BoundingBox<dimension>& compute_node_box(const Node& node) {
        if (node.is_leaf()) {
            return leaf_boxes_[node.begin];
        }
        BoundingBox<dimension> box = compute_node_box(node.left());
        box.add_box(compute_node_box(node.right()));
        return node_boxes_[node.index] = box;
    }

    Node root() const { return {ROOT, 0, nb_leaves()}; }
    const BoundingBox<dimension>& box(const Node& node) const {
        return node.is_leaf() ? leaf_boxes_[node.begin] : node_boxes_[node.index];
    }

    template <typename Filter, typename Action>
    bool visit(const Filter& filter, Action& action) const {
        if (leaf_elements_.empty()) {
            return false;
        }
        return visit_node({ROOT, 0, nb_leaves()}, filter, action);
    }

    template <typename Filter, typename Action>
    bool visit_node(const Node& node, const Filter& filter, Action& action) const {
        if (!filter(box(node))) {
            return false;
        }
        if (node.is_leaf()) {
            return call(action, leaf_elements_[node.begin]);
        }
        return visit_node(node.left(), filter, action) ||
               visit_node(node.right(), filter, action);
    }

    template <typename Action>
    bool self_pairs(const Node& node, Action& action) const {
        if (node.is_leaf()) {
            return false;
        }
        return self_pairs(node.left(), action) || self_pairs(node.right(), action) ||
               cross_pairs(*this, node.left(), node.right(), action);
    }

    // Pairs between the subtree `a` of this tree and the subtree `b` of `other`.
    template <typename Action>
    bool cross_pairs(const AABBTree& other, const Node& a, const Node& b,
                     Action& action) const {
        if (!box(a).intersects(other.box(b))) {
            return false;
        }
        if (a.is_leaf() && b.is_leaf()) {
            return call(action, leaf_elements_[a.begin], other.leaf_elements_[b.begin]);
        }
        // Split the larger side, so that both descend together.
        if (a.is_leaf() || (!b.is_leaf() && b.end - b.begin > a.end - a.begin)) {
            return cross_pairs(other, a, b.left(), action) ||
                   cross_pairs(other, a, b.right(), action);
        }
        return cross_pairs(other, a.left(), b, action) ||
               cross_pairs(other, a.right(), b, action);
    }

    template <typename DistanceFunctor>
    void closest(const Node& node, const Point<dimension>& query,
                 DistanceFunctor& distance, Closest& best) const {
        if (node.is_leaf()) {
            const index_t element = leaf_elements_[node.begin];
            const auto [d, nearest] = distance(query, element);
            if (d < best.distance) {
                best = Closest{element, d, nearest};
            }
            return;
        }
        const Node left = node.left();
        const Node right = node.right();
        const double dl = box(left).distance2(query);
        const double dr = box(right).distance2(query);
        // Nearer child first; a child whose box is not nearer than the best found
        // cannot improve on it.
        const bool left_first = dl <= dr;
        const Node& first = left_first ? left : right;
        const Node& second = left_first ? right : left;
        const double d_first = left_first ? dl : dr;
        const double d_second = left_first ? dr : dl;
        if (d_first < best.distance * best.distance) {
            closest(first, query, distance, best);
        }
        if (d_second < best.distance * best.distance) {
            closest(second, query, distance, best);
        }
    }

    index_t nb_bboxes_{0};
    // Boxes of the inner nodes by node index (index 0 unused).
    template <typename T>
    using Array = std::vector<T, internal::LargeArrayAllocator<T>>;
    Array<BoundingBox<dimension>> node_boxes_;
    // Element and box of each leaf position.
    Array<index_t> leaf_elements_;
    Array<BoundingBox<dimension>> leaf_boxes_;
};

using AABBTree2D = AABBTree<2>;

}  // namespace orvane
