#include <orvane/kernel/basic/logger.hpp>

#include <cstdio>
#include <mutex>

namespace orvane {

std::atomic<int> Logger::level_{static_cast<int>(Logger::LEVEL::info)};

namespace {

struct SinkState {
    std::mutex mutex;
    Logger::Sink sink;
};

// Never destroyed: singletons and static objects may still log while the process
// exits, after function-local statics of this file would have gone.
SinkState& sink_state() {
    static auto* state = new SinkState;
    return *state;
}

// Set while this thread is inside a sink; a message logged from there bypasses the
// (locked) sink instead of deadlocking.
thread_local bool inside_sink = false;

}  // namespace

std::string_view Logger::level_name(LEVEL level) {
    switch (level) {
        case LEVEL::trace:
            return "trace";
        case LEVEL::debug:
            return "debug";
        case LEVEL::info:
            return "info";
        case LEVEL::warn:
            return "warn";
        case LEVEL::error:
            return "error";
        case LEVEL::critical:
            return "critical";
        case LEVEL::off:
            return "off";
    }
    return "unknown";
}

void Logger::default_sink(LEVEL level, std::string_view message) {
    // One write per line, so that lines of several processes sharing a terminal do not
    // interleave mid-line.
    const std::string line = str_cat("[", level_name(level), "] ", message, "\n");
    std::FILE* stream =
        static_cast<int>(level) >= static_cast<int>(LEVEL::warn) ? stderr : stdout;
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fflush(stream);
}

void Logger::log(LEVEL level, std::string_view message) {
    if (!is_enabled(level)) {
        return;
    }
    if (inside_sink) {
        default_sink(level, message);
        return;
    }
    auto& state = sink_state();
    std::lock_guard<std::mutex> lock{state.mutex};
    if (!state.sink) {
        default_sink(level, message);
        return;
    }
    struct Reset {
        ~Reset() { inside_sink = false; }
    } reset;
    inside_sink = true;
    state.sink(level, message);
}

Logger::Sink Logger::set_sink(Sink sink) {
    auto& state = sink_state();
    std::lock_guard<std::mutex> lock{state.mutex};
    Sink previous = std::move(state.sink);
    state.sink = std::move(sink);
    return previous;
}

}  // namespace orvane
