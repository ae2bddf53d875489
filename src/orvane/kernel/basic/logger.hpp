#pragma once

#include <atomic>
#include <functional>
#include <string_view>
#include <utility>

#include <orvane/kernel/basic/str_cat.hpp>

namespace orvane {

// The one logging channel of the kernel, the toolkit and the library.
//
// A message is the concatenation of the arguments of the call, as str_cat joins them
// (absl::StrCat rules, plus std::string_view and types with an AbslStringify hook). The
// level check is an inline read of an atomic, made before any argument is converted: a
// disabled call costs a load and a branch, which is why engine statistics can be logged
// at trace level in hot loops.
//
// Every enabled message goes to one sink, a callable that receives the level and the
// text. Calls into the sink are serialised, so a sink sees one message at a time from
// any number of threads and needs no lock of its own. A sink that logs itself does not
// deadlock: such nested messages go to the default sink.
//
// The default sink writes one line per message, "[level] text", to standard output for
// trace, debug and info, and to standard error for warn and above.
class Logger {
public:
    enum struct LEVEL : int { trace = 0, debug, info, warn, error, critical, off };
    using Sink = std::function<void(LEVEL, std::string_view)>;

    // The level below which messages are dropped; `off` drops everything. Default info.
    static void set_level(LEVEL level) {
        level_.store(static_cast<int>(level), std::memory_order_relaxed);
    }
    static LEVEL level() {
        return static_cast<LEVEL>(level_.load(std::memory_order_relaxed));
    }
    static bool is_enabled(LEVEL level) {
        return level != LEVEL::off &&
               static_cast<int>(level) >= level_.load(std::memory_order_relaxed);
    }

    template <typename... Args>
    static void trace(const Args&... args) {
        log_if_enabled(LEVEL::trace, args...);
    }
    template <typename... Args>
    static void debug(const Args&... args) {
        log_if_enabled(LEVEL::debug, args...);
    }
    template <typename... Args>
    static void info(const Args&... args) {
        log_if_enabled(LEVEL::info, args...);
    }
    template <typename... Args>
    static void warn(const Args&... args) {
        log_if_enabled(LEVEL::warn, args...);
    }
    template <typename... Args>
    static void error(const Args&... args) {
        log_if_enabled(LEVEL::error, args...);
    }
    template <typename... Args>
    static void critical(const Args&... args) {
        log_if_enabled(LEVEL::critical, args...);
    }

    // Sends an already built message, if its level is enabled.
    static void log(LEVEL level, std::string_view message);

    // Installs `sink` (an empty function restores the default) and returns the sink it
    // replaces, so that a caller can put it back.
    static Sink set_sink(Sink sink);
    static void reset_sink() { set_sink(nullptr); }
    // The sink that writes "[level] text" lines to standard output or error.
    static void default_sink(LEVEL level, std::string_view message);

    // "trace", "debug", "info", "warn", "error", "critical", "off".
    static std::string_view level_name(LEVEL level);

private:
    template <typename... Args>
    static void log_if_enabled(LEVEL level, const Args&... args) {
        if (is_enabled(level)) {
            log(level, str_cat(args...));
        }
    }

    static std::atomic<int> level_;
};

// Redirects the logger to a sink for the lifetime of the object, then puts the previous
// sink back. Tests use it to read what was logged.
class ScopedLoggerSink {
public:
    explicit ScopedLoggerSink(Logger::Sink sink)
        : previous_(Logger::set_sink(std::move(sink))) {}
    ~ScopedLoggerSink() { Logger::set_sink(std::move(previous_)); }
    ScopedLoggerSink(const ScopedLoggerSink&) = delete;
    ScopedLoggerSink& operator=(const ScopedLoggerSink&) = delete;

private:
    Logger::Sink previous_;
};

// Sets the logger level for the lifetime of the object, then restores the previous one.
class ScopedLoggerLevel {
public:
    explicit ScopedLoggerLevel(Logger::LEVEL level) : previous_(Logger::level()) {
        Logger::set_level(level);
    }
    ~ScopedLoggerLevel() { Logger::set_level(previous_); }
    ScopedLoggerLevel(const ScopedLoggerLevel&) = delete;
    ScopedLoggerLevel& operator=(const ScopedLoggerLevel&) = delete;

private:
    Logger::LEVEL previous_;
};

}  // namespace orvane
