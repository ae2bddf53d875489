#pragma once

#include <cstddef>
#include <vector>

#include <absl/types/span.h>

#include <orvane/kernel/basic/common.hpp>

namespace orvane {

// What happened to each requested input element (point, edge or triangle) of one
// insertion call: one entry per request, in request order, so a repeated request gets
// its own entry.
class ElementInsertionInfo {
public:
    enum INSERTION_STATUS : unsigned int {
        // The whole element is in the background.
        INSERTED = 0,
        // Only the part inside the background was inserted.
        PARTLY_OUTSIDE = 1,
        // Some part could not be decided or inserted.
        NOT_INSERTED = 2,
        // The element lies entirely outside the background; nothing was inserted.
        OUTSIDE = 3
    };

    struct Entry {
        INSERTION_STATUS status{NOT_INSERTED};
        // Index of the element in the input (vertex, edge or triangle index).
        index_t input_index{NO_ID};

        bool operator==(const Entry& other) const {
            return status == other.status && input_index == other.input_index;
        }
        bool operator!=(const Entry& other) const { return !(*this == other); }
    };

    ElementInsertionInfo() = default;

    void add(INSERTION_STATUS status, index_t input_index) {
        entries_.push_back(Entry{status, input_index});
    }

    index_t nb_entries() const { return static_cast<index_t>(entries_.size()); }
    bool empty() const { return entries_.empty(); }
    // Entry `i` in request order (bounds-checked: std::out_of_range beyond the end).
    const Entry& entry(index_t i) const { return entries_.at(i); }
    INSERTION_STATUS status(index_t i) const { return entry(i).status; }
    index_t input_index(index_t i) const { return entry(i).input_index; }
    absl::Span<const Entry> entries() const { return entries_; }

    // Number of entries that ended with `status`.
    index_t nb_entries_with_status(INSERTION_STATUS status) const {
        index_t count = 0;
        for (const auto& e : entries_) {
            if (e.status == status) {
                ++count;
            }
        }
        return count;
    }

private:
    std::vector<Entry> entries_;
};

}  // namespace orvane
