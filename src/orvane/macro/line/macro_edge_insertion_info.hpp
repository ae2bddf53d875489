#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/segment.hpp>
#include <orvane/kernel/geometry/vector.hpp>
#include <orvane/macro/common/element_insertion_info.hpp>

namespace orvane {

// Working record of the insertion of one input edge: where the input segment starts,
// ends and meets the background border (the boundaries), and what became of each piece
// between two consecutive boundaries (the sub-segment statuses).
template <index_t dimension>
struct MacroEdgeInsertionInfo {
    struct SubSegmentBoundary {
        Point<dimension> point;
        // The background vertex at this boundary, once known.
        std::optional<index_t> background_vertex;
        // The input vertex, for the two endpoints of the input edge only.
        std::optional<index_t> macro_vertex;
        // The skin (border) edge the boundary lies on, for meetings with the border.
        std::optional<index_t> skin_edge;
    };

    // Stored as 32-bit unsigned values in `sub_segment_statuses`.
    enum SubSegmentStatus : std::uint32_t {
        undecided = 0,
        outside = 1,
        inserted = 2,
        on_skin = 3
    };

    std::vector<SubSegmentBoundary> boundaries;
    // Entry i for the sub-segment between boundaries i and i + 1.
    std::vector<std::uint32_t> sub_segment_statuses;

    // Orders the boundaries by their position along `segment`, from its first point to
    // its second (boundaries at the same position keep their order, so the input
    // endpoints, recorded first, come before border meetings), then merges each run of
    // boundaries closer than GLOBAL_EPSILON to the run's kept boundary into one.
    //
    // A merged boundary keeps every background vertex and macro vertex found in its run
    // (the first one when the run has several), and its point is that of the input
    // endpoint if the run holds one, else that of the first boundary with a background
    // vertex, else the first point: those are the points the background already has.
    // It keeps a skin edge only when it has no background vertex, so that a border
    // meeting at an endpoint that is already a background vertex does not make a second
    // vertex there.
    //
    // Meant to run before the sub-segments are classified: `sub_segment_statuses` is
    // left as it is.
    void sort(const Segment<dimension>& segment) {
        const Vector<dimension> direction = segment.direction();
        const double length2 = direction.length2();
        const auto position = [&](const SubSegmentBoundary& boundary) {
            if (length2 == 0) {
                return 0.;
            }
            return Vector<dimension>{segment.vertex(0), boundary.point}.dot(direction) /
                   length2;
        };
        std::vector<std::pair<double, std::size_t>> order;
        order.reserve(boundaries.size());
        for (std::size_t b = 0; b < boundaries.size(); ++b) {
            order.emplace_back(position(boundaries[b]), b);
        }
        std::stable_sort(
            order.begin(), order.end(),
            [](const auto& lhs, const auto& rhs) { return lhs.first < rhs.first; });

        std::vector<SubSegmentBoundary> merged;
        merged.reserve(boundaries.size());
        bool last_is_merged = false;
        const auto close_merge = [&] {
            if (last_is_merged && merged.back().background_vertex) {
                merged.back().skin_edge.reset();
            }
        };
        for (const auto& [t, b] : order) {
            const SubSegmentBoundary& boundary = boundaries[b];
            if (merged.empty() || !is_close(merged.back().point, boundary.point)) {
                close_merge();
                merged.push_back(boundary);
                last_is_merged = false;
                continue;
            }
            merge_into(merged.back(), boundary);
            last_is_merged = true;
        }
        close_merge();
        boundaries = std::move(merged);
    }

    // The status of the whole input edge from its sub-segments: NOT_INSERTED when any
    // sub-segment stayed undecided (or there is none at all), else OUTSIDE when all
    // are outside, PARTLY_OUTSIDE when some are, INSERTED when every one is inserted or
    // runs along the border. Only the statuses decide; the segment is not needed.
    ElementInsertionInfo::INSERTION_STATUS insertion_status(
        const Segment<dimension>& /*segment*/) const {
        if (sub_segment_statuses.empty()) {
            return ElementInsertionInfo::NOT_INSERTED;
        }
        std::size_t nb_outside = 0;
        for (const auto status : sub_segment_statuses) {
            if (status == outside) {
                ++nb_outside;
            } else if (status != inserted && status != on_skin) {
                return ElementInsertionInfo::NOT_INSERTED;
            }
        }
        if (nb_outside == sub_segment_statuses.size()) {
            return ElementInsertionInfo::OUTSIDE;
        }
        if (nb_outside > 0) {
            return ElementInsertionInfo::PARTLY_OUTSIDE;
        }
        return ElementInsertionInfo::INSERTED;
    }

private:
    static bool is_close(const Point<dimension>& lhs, const Point<dimension>& rhs) {
        return Vector<dimension>{lhs, rhs}.length2() < GLOBAL_EPSILON * GLOBAL_EPSILON;
    }

    static void merge_into(SubSegmentBoundary& kept, const SubSegmentBoundary& other) {
        if (other.macro_vertex && !kept.macro_vertex) {
            kept.point = other.point;
        } else if (other.background_vertex && !kept.background_vertex &&
                   !kept.macro_vertex) {
            kept.point = other.point;
        }
        if (!kept.background_vertex) {
            kept.background_vertex = other.background_vertex;
        }
        if (!kept.macro_vertex) {
            kept.macro_vertex = other.macro_vertex;
        }
        if (!kept.skin_edge) {
            kept.skin_edge = other.skin_edge;
        }
    }
};

}  // namespace orvane
