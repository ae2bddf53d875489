#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/basic/str_cat.hpp>
#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/toolkit/modifier/surface/surface_edge.hpp>
#include <orvane/toolkit/orchestrator/common/orchestrator.hpp>

namespace orvane {
namespace {

using Ids = std::vector<index_t>;

// An orchestrator whose answers come from the test: it records every attempt and the
// level the engine was at when it made it.
template <typename T>
class ScriptedOrchestrator : public Orchestrator<T> {
public:
    using Result = typename Orchestrator<T>::ProcessElementResult;

    ScriptedOrchestrator(unsigned int nb_levels, bool skip_on_infinite_loop,
                         std::function<Result(const T&)> script,
                         std::function<bool(const T&)> skip)
        : nb_levels_(nb_levels),
          skip_on_infinite_loop_(skip_on_infinite_loop),
          script_(std::move(script)),
          skip_(std::move(skip)) {}

    const std::vector<T>& attempts() const { return attempts_; }
    const std::vector<unsigned int>& levels() const { return levels_; }

private:
    bool skip_element(const T& element) const override { return skip_(element); }
    Result process_element(const T& element) override {
        attempts_.push_back(element);
        levels_.push_back(this->level());
        return script_(element);
    }
    bool skip_on_infinite_loop() const override { return skip_on_infinite_loop_; }
    unsigned int nb_levels() const override { return nb_levels_; }

    unsigned int nb_levels_;
    bool skip_on_infinite_loop_;
    std::function<Result(const T&)> script_;
    std::function<bool(const T&)> skip_;
    std::vector<T> attempts_;
    std::vector<unsigned int> levels_;
};

// Concrete orchestrators are built over caller-owned objects: movable, never copied.
static_assert(!std::is_copy_constructible<ScriptedOrchestrator<unsigned int>>::value, "");
static_assert(std::is_move_constructible<ScriptedOrchestrator<unsigned int>>::value, "");

// Two triangles t0 = (0, 1, 2) and t1 = (2, 1, 3) sharing the edge {1, 2}, listed as a
// decimator lists them: every local edge of every triangle, so the shared edge comes
// twice (ids 1 and 3).
const std::vector<SurfaceEdge<2>>& two_triangle_edges() {
    static const std::vector<SurfaceEdge<2>> edges{
        SurfaceEdge<2>{PolygonEdge{0, 0}, 0, 1}, SurfaceEdge<2>{PolygonEdge{0, 1}, 1, 2},
        SurfaceEdge<2>{PolygonEdge{0, 2}, 2, 0}, SurfaceEdge<2>{PolygonEdge{1, 0}, 2, 1},
        SurfaceEdge<2>{PolygonEdge{1, 1}, 1, 3}, SurfaceEdge<2>{PolygonEdge{1, 2}, 3, 2}};
    return edges;
}

// Test ids to elements and back. Edges are told apart by their whole record
// (polygon edge included), which the engine's own identity ignores.
template <typename T>
struct Codec;

template <>
struct Codec<unsigned int> {
    static unsigned int element(index_t id) { return id; }
    static index_t id(unsigned int element) { return element; }
};

template <>
struct Codec<SurfaceEdge<2>> {
    static SurfaceEdge<2> element(index_t id) {
        const auto& edges = two_triangle_edges();
        if (id < edges.size()) {
            return edges[id];
        }
        return SurfaceEdge<2>{PolygonEdge{NO_ID, 0}, id + 100, id + 101};
    }
    static index_t id(const SurfaceEdge<2>& element) {
        const auto& edges = two_triangle_edges();
        for (index_t id = 0; id < edges.size(); ++id) {
            if (edges[id].polygon_edge == element.polygon_edge &&
                edges[id].vertices == element.vertices) {
                return id;
            }
        }
        return NO_ID;
    }
};

template <typename T>
Ids ids_of(const std::vector<T>& elements) {
    Ids ids;
    for (const auto& element : elements) {
        ids.push_back(Codec<T>::id(element));
    }
    return ids;
}

Ids iota(index_t n) {
    Ids ids(n);
    for (index_t i = 0; i < n; ++i) {
        ids[i] = i;
    }
    return ids;
}

Ids repeat(const Ids& ids, index_t times) {
    Ids result;
    for (index_t t = 0; t < times; ++t) {
        result.insert(result.end(), ids.begin(), ids.end());
    }
    return result;
}

Ids concat(Ids first, const Ids& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

enum struct Action {
    succeed,            // success, nothing handed back
    succeed_new,        // success, the element handed back as new
    fail,               // failure, nothing handed back
    fail_retry,         // failure, the element handed back as a retry
    throw_std,          // throws std::runtime_error
    throw_velmora,      // throws VelmoraBasicException
    throw_other,        // throws an int
    retry_unregistered  // success, retries an element that was never queued
};

constexpr index_t UNREGISTERED_ID = 1000;

std::string thrown_text(index_t id) {
    return str_cat("[ScriptedOrchestrator::process_element] Refused element ", id);
}

const std::string TOO_MANY_STEPS =
    "[Orchestrator::process_queue] Too many steps while orchestrating elements";
std::string too_many_skipped(index_t queue_length) {
    return str_cat("[Orchestrator::process_queue] Too many skipped elements (",
                   queue_length, ")");
}

struct Row {
    explicit Row(std::string row_name) : name(std::move(row_name)) {}

    Row& edges() {
        surface_edges = true;
        return *this;
    }
    Row& list(Ids ids) {
        elements = std::move(ids);
        return *this;
    }
    Row& levels(unsigned int n) {
        nb_levels = n;
        return *this;
    }
    Row& quiet(bool value) {
        skip_on_infinite_loop = value;
        return *this;
    }
    Row& all(Action value) {
        action = value;
        return *this;
    }
    Row& on(index_t id, Action value) {
        actions[id] = value;
        return *this;
    }
    Row& skip(std::set<index_t> ids) {
        skipped = std::move(ids);
        return *this;
    }
    Row& skip_once_attempted(std::set<index_t> ids) {
        skipped_once_attempted = std::move(ids);
        return *this;
    }
    Row& tried(Ids ids) {
        attempts = std::move(ids);
        return *this;
    }
    Row& at_levels(std::vector<unsigned int> values) {
        attempt_levels = std::move(values);
        return *this;
    }
    // The row ends in an exception with this element (or none), message and
    // remaining elements.
    Row& throws(std::optional<index_t> id, std::string text, Ids remaining) {
        throwing = true;
        element = id;
        message = std::move(text);
        remaining_elements = std::move(remaining);
        return *this;
    }
    // The exception replaced a caught VelmoraException with this text, kept as parent.
    Row& parent(std::string text) {
        parent_message = std::move(text);
        return *this;
    }

    std::string name;
    bool surface_edges{false};
    Ids elements;
    unsigned int nb_levels{1};
    bool skip_on_infinite_loop{false};
    Action action{Action::succeed};
    std::map<index_t, Action> actions;
    std::set<index_t> skipped;
    std::set<index_t> skipped_once_attempted;
    Ids attempts;
    std::vector<unsigned int> attempt_levels;
    bool throwing{false};
    std::optional<index_t> element;
    std::string message;
    Ids remaining_elements;
    std::optional<std::string> parent_message;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << row.name;
}

// Runs one row with T as element type and checks attempts, exception and trace line.
template <typename T>
void run_row(const Row& row) {
    using Result = typename ScriptedOrchestrator<T>::Result;
    std::set<index_t> attempted;
    auto script = [&row, &attempted](const T& element) {
        const auto id = Codec<T>::id(element);
        attempted.insert(id);
        const auto found = row.actions.find(id);
        const auto action = found == row.actions.end() ? row.action : found->second;
        Result result;
        switch (action) {
            case Action::succeed:
                result.success = true;
                break;
            case Action::succeed_new:
                result.success = true;
                result.new_elements.push_back(element);
                break;
            case Action::fail:
                break;
            case Action::fail_retry:
                result.retry_elements.push_back(element);
                break;
            case Action::throw_std:
                throw std::runtime_error(thrown_text(id));
            case Action::throw_velmora:
                throw VelmoraBasicException(thrown_text(id));
            case Action::throw_other:
                throw 42;
            case Action::retry_unregistered:
                result.success = true;
                result.retry_elements.push_back(Codec<T>::element(UNREGISTERED_ID));
                break;
        }
        return result;
    };
    auto skip = [&row, &attempted](const T& element) {
        const auto id = Codec<T>::id(element);
        return row.skipped.count(id) != 0 ||
               (row.skipped_once_attempted.count(id) != 0 && attempted.count(id) != 0);
    };
    ScriptedOrchestrator<T> orchestrator{row.nb_levels, row.skip_on_infinite_loop, script,
                                         skip};
    std::vector<T> elements;
    for (const auto id : row.elements) {
        elements.push_back(Codec<T>::element(id));
    }

    std::vector<std::string> trace_lines;
    const ScopedLoggerLevel level{Logger::LEVEL::trace};
    const ScopedLoggerSink sink{
        [&trace_lines](Logger::LEVEL level, std::string_view text) {
            if (level == Logger::LEVEL::trace) {
                trace_lines.emplace_back(text);
            }
        }};

    bool thrown = false;
    try {
        orchestrator.apply(elements);
    } catch (const typename Orchestrator<T>::Exception& exception) {
        thrown = true;
        ASSERT_TRUE(row.throwing) << "unexpected exception: " << exception.what();
        EXPECT_EQ(exception.what(), row.message);
        EXPECT_EQ(exception.project(), "OrvaneCommon");
        EXPECT_EQ(exception.library(), "ModifierCommon");
        EXPECT_EQ(exception.element().has_value(), row.element.has_value());
        if (exception.element() && row.element) {
            EXPECT_EQ(Codec<T>::id(*exception.element()), *row.element);
        }
        EXPECT_EQ(ids_of(exception.remaining_elements()), row.remaining_elements);
        if (row.parent_message) {
            ASSERT_TRUE(exception.has_parent());
            EXPECT_EQ(exception.parent()->what(), *row.parent_message);
        } else {
            EXPECT_FALSE(exception.has_parent());
        }
    }
    EXPECT_EQ(thrown, row.throwing);
    EXPECT_EQ(ids_of(orchestrator.attempts()), row.attempts);
    if (!row.attempt_levels.empty()) {
        EXPECT_EQ(orchestrator.levels(), row.attempt_levels);
    }

    // One statistics line, written before any processing.
    const auto queued =
        std::count_if(row.elements.begin(), row.elements.end(),
                      [&row](index_t id) { return !row.skipped.count(id); });
    const auto prefix = str_cat("[Orchestrator] Nb elements:", row.elements.size(),
                                ", Queue size: ", queued, " in ");
    ASSERT_EQ(trace_lines.size(), 1u);
    EXPECT_THAT(trace_lines.front(), ::testing::StartsWith(prefix));
    EXPECT_GT(trace_lines.front().size(), prefix.size()) << "no duration text";
}

std::vector<Row> engine_rows() {
    std::vector<Row> rows;
    rows.push_back(Row("empty list").list({}).all(Action::succeed_new).tried({}));
    rows.push_back(Row("every element skipped")
                       .list({0, 1, 2})
                       .skip({0, 1, 2})
                       .all(Action::succeed_new)
                       .tried({}));
    rows.push_back(Row("duplicates are processed once, from their last entry")
                       .list({0, 1, 0, 2, 1})
                       .tried({0, 2, 1}));
    rows.push_back(Row("duplicates count in the step limit")
                       .list({0, 0})
                       .all(Action::succeed_new)
                       .tried(repeat({0}, 60))
                       .throws(std::nullopt, TOO_MANY_STEPS, {0}));
    rows.push_back(Row("skipped elements do not count in the step limit")
                       .list(iota(3))
                       .skip({1})
                       .all(Action::succeed_new)
                       .tried(repeat({0, 2}, 30))
                       .throws(std::nullopt, TOO_MANY_STEPS, {0, 2}));
    rows.push_back(Row("an edge listed from both triangles is one element, the second "
                       "entry is valid")
                       .edges()
                       .list(iota(6))
                       .tried({0, 2, 3, 4, 5}));
    rows.push_back(Row("edges handed back as new run into the step limit")
                       .edges()
                       .list(iota(6))
                       .all(Action::succeed_new)
                       .tried(repeat({0, 2, 3, 4, 5}, 36))
                       .throws(std::nullopt, TOO_MANY_STEPS, {0, 2, 3, 4, 5}));

    // Failures that hand nothing back: the queue shrinks, so the level rises sooner.
    rows.push_back(Row("always fail, 1 element, 1 level")
                       .list(iota(1))
                       .quiet(true)
                       .all(Action::fail)
                       .tried({0}));
    rows.push_back(Row("always fail, 2 elements, 1 level")
                       .list(iota(2))
                       .quiet(true)
                       .all(Action::fail)
                       .tried({0}));
    rows.push_back(Row("always fail, 10 elements, 1 level")
                       .list(iota(10))
                       .quiet(true)
                       .all(Action::fail)
                       .tried(iota(5)));
    rows.push_back(Row("always fail, 10 elements, 1 level, throwing")
                       .list(iota(10))
                       .all(Action::fail)
                       .tried(iota(5))
                       .throws(5, too_many_skipped(4), {6, 7, 8, 9}));
    rows.push_back(Row("always fail, 10 elements, 4 levels, throwing")
                       .list(iota(10))
                       .levels(4)
                       .all(Action::fail)
                       .tried(iota(5))
                       .throws(5, too_many_skipped(4), {6, 7, 8, 9}));

    // Failures handed back as retries: every level is a full round, the first element
    // opens the round that exceeds the limit.
    for (const unsigned int nb_levels : {1u, 4u}) {
        for (const index_t n : {1u, 2u, 5u}) {
            for (const bool quiet : {true, false}) {
                Row row(str_cat("always fail and retry, ", n, " elements, ", nb_levels,
                                " levels", quiet ? ", quiet" : ", throwing"));
                row.list(iota(n))
                    .levels(nb_levels)
                    .quiet(quiet)
                    .all(Action::fail_retry)
                    .tried(concat(repeat(iota(n), nb_levels), {0}));
                std::vector<unsigned int> levels;
                for (unsigned int level = 0; level < nb_levels; ++level) {
                    levels.insert(levels.end(), n, level);
                }
                levels.push_back(nb_levels);
                row.at_levels(levels);
                if (!quiet) {
                    // Wrapped: the first exception drained the queue.
                    row.throws(0, too_many_skipped(n - 1), {})
                        .parent(too_many_skipped(n - 1));
                }
                rows.push_back(row);
            }
        }
    }

    for (const index_t n : {1u, 3u}) {
        for (const bool quiet : {true, false}) {
            Row row(str_cat("always succeed and hand back as new, ", n, " elements",
                            quiet ? ", quiet" : ", throwing"));
            row.list(iota(n))
                .quiet(quiet)
                .all(Action::succeed_new)
                .tried(repeat(iota(n), 30));
            if (!quiet) {
                row.throws(std::nullopt, TOO_MANY_STEPS, iota(n));
            }
            rows.push_back(row);
        }
    }

    rows.push_back(Row("a failed retry waits behind the others, then gets its turn at "
                       "level 1")
                       .list(iota(3))
                       .on(0, Action::fail_retry)
                       .tried({0, 1, 2, 0})
                       .at_levels({0, 0, 0, 1})
                       .throws(0, too_many_skipped(0), {})
                       .parent(too_many_skipped(0)));
    rows.push_back(Row("an element skipped when popped is dropped without counting")
                       .list(iota(3))
                       .all(Action::fail_retry)
                       .skip_once_attempted({0})
                       .tried({0, 1, 2, 1})
                       .throws(1, too_many_skipped(1), {})
                       .parent(too_many_skipped(1)));

    // Exceptions of process_element leave apply wrapped, even when guards are quiet;
    // the remaining elements are the valid entries in queue order.
    rows.push_back(Row("process_element throws a standard exception")
                       .list({0, 1, 2, 3, 2})
                       .quiet(true)
                       .on(0, Action::succeed_new)
                       .on(1, Action::throw_std)
                       .tried({0, 1})
                       .throws(1, thrown_text(1), {3, 2, 0}));
    rows.push_back(Row("process_element throws a kernel exception, kept as parent")
                       .list(iota(3))
                       .quiet(true)
                       .on(1, Action::throw_velmora)
                       .tried({0, 1})
                       .throws(1, thrown_text(1), {2})
                       .parent(thrown_text(1)));
    rows.push_back(Row("process_element throws something else: no message")
                       .list(iota(3))
                       .on(0, Action::throw_other)
                       .tried({0})
                       .throws(0, "", {1, 2}));
    rows.push_back(
        Row("a retry of an element never queued fails the strict lookup")
            .list(iota(3))
            .on(0, Action::retry_unregistered)
            .tried({0})
            .throws(0, "absl::container_internal::raw_hash_map<>::at", {1, 2}));
    return rows;
}

class OrchestratorRows : public ::testing::TestWithParam<Row> {};

TEST_P(OrchestratorRows, AttemptsAndOutcome) {
    const auto& row = GetParam();
    if (row.surface_edges) {
        run_row<SurfaceEdge<2>>(row);
    } else {
        run_row<unsigned int>(row);
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, OrchestratorRows, ::testing::ValuesIn(engine_rows()),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             std::string name = str_cat("row", info.index, "_");
                             for (const char c : info.param.name) {
                                 name += std::isalnum(static_cast<unsigned char>(c))
                                             ? c
                                             : '_';
                             }
                             return name;
                         });

// Random scripts: whatever the answers, the successes stay within the step limit, the
// engine only attempts an element at its own level, and an element gets at most
// nb_levels + 1 failed attempts since it was last pushed as new. When only successes
// hand elements back as new, that is also the bound between two successes.
TEST(Orchestrator, RandomScriptsKeepTheGuards) {
    using Result = ScriptedOrchestrator<unsigned int>::Result;
    std::mt19937 random{20261211};
    for (int run = 0; run < 400; ++run) {
        const index_t universe = 1 + random() % 12;
        const unsigned int nb_levels = 1 + random() % 4;
        const bool quiet = random() % 2 == 0;
        // Mode of the run: may failed attempts hand elements back as new?
        const bool failures_push_new = random() % 2 == 0;
        std::set<index_t> skipped;
        for (index_t id = 0; id < universe; ++id) {
            if (random() % 8 == 0) {
                skipped.insert(id);
            }
        }
        Ids list(random() % (2 * universe + 1));
        for (auto& id : list) {
            id = random() % universe;
        }

        std::map<index_t, unsigned int> failures_since_new;
        std::map<index_t, unsigned int> failures_since_success;
        std::set<index_t> registered;
        for (const auto id : list) {
            if (!skipped.count(id)) {
                registered.insert(id);
                failures_since_new[id] = 0;
            }
        }
        const auto queued = std::count_if(list.begin(), list.end(),
                                          [&](index_t id) { return !skipped.count(id); });
        unsigned int successes = 0;
        ScriptedOrchestrator<unsigned int>* self = nullptr;
        auto script = [&](const unsigned int& id) {
            // The engine attempts an element only at its own level.
            EXPECT_EQ(failures_since_new[id], self->level()) << "run " << run;
            Result result;
            result.success = random() % 3 == 0;
            if (random() % 2 == 0) {
                result.retry_elements.push_back(id);
            }
            if (random() % 4 == 0) {
                auto other = registered.begin();
                std::advance(other, random() % registered.size());
                result.retry_elements.push_back(*other);
            }
            if (result.success || failures_push_new) {
                const auto nb_new = random() % 3;
                for (unsigned int i = 0; i < nb_new; ++i) {
                    result.new_elements.push_back(random() % universe);
                }
            }
            if (result.success) {
                ++successes;
                failures_since_success.clear();
            } else {
                EXPECT_LE(++failures_since_new[id], nb_levels + 1) << "run " << run;
                if (!failures_push_new) {
                    EXPECT_LE(++failures_since_success[id], nb_levels + 1)
                        << "run " << run;
                }
            }
            for (const auto pushed : result.new_elements) {
                registered.insert(pushed);
                failures_since_new[pushed] = 0;
            }
            return result;
        };
        auto skip = [&](const unsigned int& id) { return skipped.count(id) != 0; };
        ScriptedOrchestrator<unsigned int> orchestrator{nb_levels, quiet, script, skip};
        self = &orchestrator;
        try {
            orchestrator.apply(list);
        } catch (const Orchestrator<unsigned int>::Exception& exception) {
            // The script never throws, so only a guard can end the run this way.
            EXPECT_FALSE(quiet) << "run " << run << ": " << exception.what();
        }
        EXPECT_LE(successes, 30u * queued) << "run " << run;
    }
}

}  // namespace
}  // namespace orvane
