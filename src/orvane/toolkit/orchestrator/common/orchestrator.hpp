#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/hash/hash.h>
#include <absl/types/span.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/basic/str_cat.hpp>
#include <orvane/kernel/basic/timer.hpp>
#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>
#include <orvane/toolkit/modifier/surface/surface_edge.hpp>

namespace orvane {
namespace internal {

// Hash of the engine's stamp map. Elements are mesh indices, and element lists are
// mostly dense runs in index order (all triangles from an index on, the triangles an
// operation appended, all edges triangle by triangle). A Swiss table starts its probe at
// the hash bits above the low seven and takes the control byte from the low seven, so
// putting the index itself above the low seven lays a dense run out in index order:
// registering and looking up a million elements then walks memory almost sequentially
// instead of missing the cache once per element. The low seven bits are scrambled, so
// neighbours in a probe group have distinct control bytes.
//
// The cost of that choice: keys that share their residue modulo a large power of two
// (a list of every 4096th triangle, say) crowd the same probe starts and make longer
// probes. Lookups stay correct; only their speed degrades, and such lists do not come
// from mesh operations.
template <typename T>
struct OrchestratorHash : absl::Hash<T> {};

inline std::size_t scrambled_low_bits(std::uint64_t value) {
    return static_cast<std::size_t>((value * 0x9E3779B97F4A7C15ull) >> 57);
}

template <>
struct OrchestratorHash<unsigned int> {
    std::size_t operator()(unsigned int index) const {
        return (static_cast<std::size_t>(index) << 7) | scrambled_low_bits(index);
    }
};

// An edge starts its probe at the sum of its two vertices: edges of neighbouring
// vertices stay close in memory, so the queue, which visits them in mesh order, mostly
// hits the cache, while the edges of one vertex spread with their other ends. Laying
// edges out by their smaller vertex crowded the probe starts under decimation: stamps are
// never removed, so a vertex that keeps absorbing collapses collects every edge it ever
// had at the same few starts. The low bits of the smaller vertex separate pairs of equal
// sum; the control byte is scrambled from the whole pair.
template <index_t dimension>
struct OrchestratorHash<SurfaceEdge<dimension>> {
    std::size_t operator()(const SurfaceEdge<dimension>& edge) const {
        const std::uint64_t pair =
            (static_cast<std::uint64_t>(edge.vertices[0]) << 32) | edge.vertices[1];
        const std::size_t start =
            ((static_cast<std::size_t>(edge.vertices[0]) + edge.vertices[1]) << 2) |
            (edge.vertices[0] & 3);
        return (start << 7) | scrambled_low_bits(pair);
    }
};

}  // namespace internal

// The queue engine under every optimiser and decimator: a first-in first-out work list
// of mesh elements that a concrete orchestrator processes one at a time.
//
// A concrete orchestrator says whether an element is worth looking at
// (`skip_element`), tries its local operation (`process_element`), and answers two
// questions about the guards (`nb_levels`, `skip_on_infinite_loop`). The engine owns
// everything around that call:
// - Staleness: every registered element has a stamp; pushing an element as new raises
//   it, so older queue entries of that element are recognised as stale when popped and
//   dropped for one hash lookup. Nothing is ever searched or removed inside the queue.
// - Levels: an element's level counts its failed attempts since it was last pushed as
//   new. The current level is (failures since the last success) / (queue length), so
//   a failed element handed back as a retry waits until every other element had its
//   turn; coming up too early it is postponed, which counts as a failure.
// - Guards: with `nb_levels()` = L the failures since the last success may not exceed
//   L x (queue length), so an element gets at most L + 1 attempts since it was last
//   pushed as new; and the successes of one run are bounded by 30 x (initial queue
//   length). A tripped guard throws `Exception`, or ends quietly when
//   `skip_on_infinite_loop()` is true.
//
// Bound of the loop: each turn succeeds (at most 30 x initial queue length in all),
// fails or postpones (at most L x queue length between two successes), or drops a
// stale entry (at most one per entry pushed). The failure limit follows the queue
// length, so a concrete orchestrator whose failed attempts hand back new elements
// grows the limit with the queue: such a result must stand for real progress (the
// operation changed the mesh), or the run is bounded by the concrete orchestrator
// alone. Failed attempts that hand back only retries keep every bound above.
//
// Cost: one hash lookup per popped entry and per pushed retry, one insertion or lookup
// per pushed new element; the stamp map only grows during a run.
//
// Concrete orchestrators are built over caller-owned objects, applied once and
// destroyed; they are movable, not copyable. Not thread-safe: one thread at a time.
template <typename T>
class Orchestrator {
public:
    // The answer of `process_element`.
    struct ProcessElementResult {
        // The operation was carried out.
        bool success{false};
        // Queued again with their current stamp: a retry keeps an element's level and
        // leaves its other queue entries valid.
        std::vector<T> retry_elements;
        // New or changed elements, queued with a fresh stamp at level 0: their older
        // queue entries become stale.
        std::vector<T> new_elements;
    };

    // One per registered element.
    struct Stamp {
        // Version of the element's valid queue entries, raised on every push as new.
        std::uint32_t value{0};
        // Failed attempts since the element was last pushed as new.
        std::uint32_t level{0};
    };

    // One queue entry: valid while `stamp` equals the element's current Stamp::value.
    struct ElementStamp {
        T element;
        std::uint32_t stamp{0};
    };

    // Thrown when a guard trips with `skip_on_infinite_loop()` false, and for every
    // failure inside the processing of an element (wrapped, see `do_process_element`).
    //
    // Building it drains the orchestrator's queue: `remaining_elements` gets one
    // element per entry that was still valid, in queue order (an element with two valid
    // entries occurs twice), and the queue is left empty.
    class Exception : public OrvaneCommonModifierCommonException {
    public:
        Exception(Orchestrator& orchestrator, std::optional<T> element,
                  std::string_view message)
            : OrvaneCommonModifierCommonException(nullptr, std::string{message}),
              remaining_elements_(orchestrator.drain_valid_entries()),
              element_(std::move(element)) {}

        // An exception without message, for failures that carried no text.
        Exception(Orchestrator& orchestrator, std::optional<T> element)
            : Exception(orchestrator, std::move(element), std::string_view{}) {}

        // The elements still validly queued when the exception was built.
        const std::vector<T>& remaining_elements() const { return remaining_elements_; }
        // The element being processed; absent for the step-limit failure.
        const std::optional<T>& element() const { return element_; }

    private:
        std::vector<T> remaining_elements_;
        std::optional<T> element_;
    };

    virtual ~Orchestrator() = default;

    Orchestrator(const Orchestrator&) = delete;
    Orchestrator& operator=(const Orchestrator&) = delete;

    // Queues the elements that are not skipped, in list order, and processes the
    // queue until it is empty or a guard trips. The list is not referenced afterwards.
    // Throws Exception (see the class comment); with `skip_on_infinite_loop()` true
    // only failures inside `process_element` and the pushes escape, wrapped.
    void apply(absl::Span<const T> elements) {
        initialize_queue(elements);
        process_queue();
    }

    // The current level; concrete orchestrators read it while processing an element
    // to choose how hard to try.
    unsigned int level() const { return level_; }

protected:
    Orchestrator() = default;
    Orchestrator(Orchestrator&&) = default;
    Orchestrator& operator=(Orchestrator&&) = default;

private:
    // true: the element is neither queued at initialisation nor processed when popped.
    virtual bool skip_element(const T& element) const = 0;
    // Tries the local operation on the element.
    virtual ProcessElementResult process_element(const T& element) = 0;
    // true: a tripped guard ends processing quietly; false: it throws.
    virtual bool skip_on_infinite_loop() const = 0;
    // Number of levels; the failure limit is nb_levels() x queue length.
    virtual unsigned int nb_levels() const = 0;

    void initialize_queue(absl::Span<const T> elements) {
        const Timer timer;
        stamps_.reserve(stamps_.size() + elements.size());
        for (const auto& element : elements) {
            if (skip_element(element)) {
                continue;
            }
            push_new_element(element);
        }
        // The duration text is built only when the line is written: short runs (a few
        // triangles around each inserted vertex) are the common case.
        if (Logger::is_enabled(Logger::LEVEL::trace)) {
            Logger::trace("[Orchestrator] Nb elements:", elements.size(),
                          ", Queue size: ", queue_.size(), " in ", timer.elapsed_text());
        }
        max_nb_steps_ = 30u * queue_length();
    }

    void process_queue() {
        while (!queue_.empty() && nb_steps_ < max_nb_steps_) {
            update_level();
            update_nb_failure_limit();
            const ElementStamp entry = std::move(queue_.front());
            queue_.pop_front();
            Stamp& stamp = stamps_.at(entry.element);
            if (entry.stamp != stamp.value || skip_element(entry.element)) {
                continue;
            }
            if (stamp.level == level_) {
                if (!do_process_element(entry, stamp)) {
                    break;
                }
                continue;
            }
            // Too early for this element: it waits for its level.
            ++nb_failures_;
            if (nb_failures_ > nb_failure_limit_) {
                return_or_throw_exception(entry.element, too_many_skipped_message());
                break;
            }
            queue_.push_back(entry);
        }
        post_process();
    }

    // Processes one element and queues what its result names; false stops the queue.
    // Whatever escapes (from process_element, the failure accounting or the pushes) is
    // replaced by an Exception for the element, with the caught text as message.
    bool do_process_element(const ElementStamp& entry, Stamp& stamp) {
        try {
            auto result = process_element(entry.element);
            if (result.success) {
                nb_failures_ = 0;
                ++nb_steps_;
            } else {
                // `stamp` points into stamps_: use it before the pushes below, which
                // may insert into the map and move its entries.
                ++stamp.level;
                if (failed(entry.element)) {
                    return false;
                }
            }
            for (const auto& element : result.retry_elements) {
                push_retry_element(element);
            }
            for (const auto& element : result.new_elements) {
                push_new_element(element);
            }
            return true;
        } catch (const VelmoraException& caught) {
            Exception wrapped{*this, entry.element, caught.what()};
            // Keeps the original kind, project, library and payload reachable.
            VelmoraException parent{caught};
            wrapped.set_parent(std::move(parent));
            throw wrapped;
        } catch (const std::exception& caught) {
            throw Exception{*this, entry.element, caught.what()};
        } catch (...) {
            throw Exception{*this, entry.element};
        }
    }

    // Counts a failed attempt; true when it exceeds the limit and processing is to end
    // quietly. Throws when it exceeds the limit and quiet ending is not allowed.
    bool failed(T element) {
        ++nb_failures_;
        if (nb_failures_ <= nb_failure_limit_) {
            return false;
        }
        const auto message = too_many_skipped_message();
        if (skip_on_infinite_loop()) {
            return true;
        }
        throw Exception{*this, std::move(element), message};
    }

    void push_new_element(const T& element) {
        const auto inserted = stamps_.try_emplace(element);
        Stamp& stamp = inserted.first->second;
        if (!inserted.second) {
            ++stamp.value;
            stamp.level = 0;
        }
        queue_.push_back(ElementStamp{element, stamp.value});
    }

    // The element must be registered; otherwise the strict lookup throws
    // std::out_of_range.
    void push_retry_element(const T& element) {
        queue_.push_back(ElementStamp{element, stamps_.at(element).value});
    }

    void post_process() {
        if (max_nb_steps_ != 0 && nb_steps_ >= max_nb_steps_) {
            return_or_throw_exception(std::nullopt,
                                      "[Orchestrator::process_queue] Too many steps "
                                      "while orchestrating elements");
        }
    }

    void return_or_throw_exception(std::optional<T> element, std::string_view message) {
        if (skip_on_infinite_loop()) {
            return;
        }
        throw Exception{*this, std::move(element), message};
    }

    // Queue length is never 0 here: both run before a pop.
    void update_level() { level_ = nb_failures_ / queue_length(); }
    void update_nb_failure_limit() { nb_failure_limit_ = nb_levels() * queue_length(); }

    std::uint32_t queue_length() const {
        return static_cast<std::uint32_t>(queue_.size());
    }

    std::string too_many_skipped_message() const {
        return str_cat("[Orchestrator::process_queue] Too many skipped elements (",
                       queue_.size(), ")");
    }

    // Empties the queue, keeping the elements of the entries that are still valid.
    std::vector<T> drain_valid_entries() {
        std::vector<T> remaining;
        while (!queue_.empty()) {
            ElementStamp entry = std::move(queue_.front());
            queue_.pop_front();
            if (stamps_.at(entry.element).value == entry.stamp) {
                remaining.push_back(std::move(entry.element));
            }
        }
        return remaining;
    }

    std::deque<ElementStamp> queue_;
    absl::flat_hash_map<T, Stamp, internal::OrchestratorHash<T>> stamps_;
    std::uint32_t nb_failures_{0};
    std::uint32_t nb_steps_{0};
    std::uint32_t max_nb_steps_{0};
    std::uint32_t level_{0};
    std::uint32_t nb_failure_limit_{0};
};

extern template class Orchestrator<unsigned int>;
extern template class Orchestrator<SurfaceEdge<2>>;

}  // namespace orvane
