// Costs of the kernel basics that sit on hot paths: a disabled log call (engines log
// statistics at trace level inside their loops), an enabled one, new uuids and
// progress increments.

#include <cstdint>
#include <string>
#include <string_view>

#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/basic/progress_logger.hpp>
#include <orvane/kernel/basic/uuid.hpp>

#include "bench_util.hpp"

namespace {

using orvane::Logger;
using orvane::bench::do_not_optimize;
using orvane::bench::report;
using orvane::bench::Stopwatch;

constexpr int CALLS = 20'000'000;

double nanoseconds_per_call(const Stopwatch& watch, int calls) {
    return watch.seconds() * 1e9 / calls;
}

}  // namespace

int main() {
    std::uint64_t sink_bytes = 0;
    const orvane::ScopedLoggerSink sink{
        [&sink_bytes](Logger::LEVEL, std::string_view text) {
            sink_bytes += text.size();
        }};
    const std::string name = "element";

    // Disabled trace call with a string, an integer and a double to format.
    {
        const orvane::ScopedLoggerLevel level{Logger::LEVEL::info};
        Stopwatch watch;
        for (int i = 0; i < CALLS; ++i) {
            Logger::trace("[Orchestrator] Nb elements: ", name, " ", i, " ", 0.5 * i);
            do_not_optimize(i);
        }
        const double disabled = nanoseconds_per_call(watch, CALLS);
        // The same loop without the call, as the floor.
        watch.restart();
        for (int i = 0; i < CALLS; ++i) {
            do_not_optimize(i);
        }
        const double empty = nanoseconds_per_call(watch, CALLS);
        report("logger_disabled_trace_call", disabled, "ns/call", "empty_loop", empty);
    }

    // Enabled call into a sink that only counts bytes: formatting plus the sink lock.
    {
        const orvane::ScopedLoggerLevel level{Logger::LEVEL::trace};
        constexpr int enabled_calls = CALLS / 20;
        Stopwatch watch;
        for (int i = 0; i < enabled_calls; ++i) {
            Logger::trace("[Orchestrator] Nb elements: ", name, " ", i, " ", 0.5 * i);
        }
        report("logger_enabled_trace_call", nanoseconds_per_call(watch, enabled_calls),
               "ns/call");
    }

    {
        constexpr int ids = CALLS / 10;
        Stopwatch watch;
        for (int i = 0; i < ids; ++i) {
            const orvane::uuid id;
            do_not_optimize(id);
        }
        report("uuid_new", nanoseconds_per_call(watch, ids), "ns/id");
    }

    {
        const orvane::ScopedLoggerLevel level{Logger::LEVEL::info};
        constexpr int steps = CALLS / 4;
        Stopwatch watch;
        {
            orvane::ProgressLogger progress{"bench", steps};
            for (int i = 0; i < steps; ++i) {
                progress.increment();
            }
        }
        report("progress_logger_increment", nanoseconds_per_call(watch, steps),
               "ns/step");
    }
    do_not_optimize(sink_bytes);
    return 0;
}
