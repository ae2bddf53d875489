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
// Building costs O(n log n) time and two flat arrays: the node boxes (at most 4n) and
// the element of each leaf. Nothing is allocated per node or per query.
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
        return leaf_elements_.empty() ? BoundingBox<dimension>{} : node_boxes_[ROOT];
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
        struct Entry {
            std::array<double, dimension> center;
            index_t element;
        };
        std::vector<Entry> entries;
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
                entry.center[i] = c == c ? c : 0.;
            }
            entries.push_back(entry);
        }
        if (entries.empty()) {
            return;
        }
        const index_t n = static_cast<index_t>(entries.size());
        // The deepest node lies on the all-right path (right halves are the larger):
        // depth ceil(log2 n), index 2^(depth + 1) - 1.
        index_t depth = 0;
        while ((std::size_t{1} << depth) < n) {
            ++depth;
        }
        node_boxes_.resize(std::size_t{2} << depth);
        leaf_elements_.resize(n);
        build_node({ROOT, 0, n}, entries.data(), boxes);
    }

    template <typename Entry>
    void build_node(const Node& node, Entry* entries,
                    absl::Span<const BoundingBox<dimension>> boxes) {
        if (node.is_leaf()) {
            const index_t element = entries[node.begin].element;
            leaf_elements_[node.begin] = element;
            node_boxes_[node.index] = boxes[element];
            return;
        }
        std::array<double, dimension> lo, hi;
        lo.fill(std::numeric_limits<double>::infinity());
        hi.fill(-std::numeric_limits<double>::infinity());
        for (index_t k = node.begin; k < node.end; ++k) {
            for (index_t i = 0; i < dimension; ++i) {
                lo[i] = std::min(lo[i], entries[k].center[i]);
                hi[i] = std::max(hi[i], entries[k].center[i]);
            }
        }
        index_t axis = 0;
        for (index_t i = 1; i < dimension; ++i) {
            if (hi[i] - lo[i] > hi[axis] - lo[axis]) {
                axis = i;
            }
        }
        std::nth_element(entries + node.begin, entries + node.middle(),
                         entries + node.end, [axis](const Entry& a, const Entry& b) {
                             return a.center[axis] < b.center[axis];
                         });
        build_node(node.left(), entries, boxes);
        build_node(node.right(), entries, boxes);
        BoundingBox<dimension> box = node_boxes_[node.left().index];
        box.add_box(node_boxes_[node.right().index]);
        node_boxes_[node.index] = box;
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
        if (!filter(node_boxes_[node.index])) {
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
        if (!node_boxes_[a.index].intersects(other.node_boxes_[b.index])) {
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
        const double dl = node_boxes_[left.index].distance2(query);
        const double dr = node_boxes_[right.index].distance2(query);
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
    // Node boxes by node index (index 0 unused); leaves hold their element's box.
    std::vector<BoundingBox<dimension>> node_boxes_;
    // Element of each leaf position.
    std::vector<index_t> leaf_elements_;
};

using AABBTree2D = AABBTree<2>;

}  // namespace orvane
