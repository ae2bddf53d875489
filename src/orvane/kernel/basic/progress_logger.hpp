#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/basic/timer.hpp>

namespace orvane {

// Reports the progress of a long task through the Logger, at info level.
//
// Lines, with the message given at construction:
//   "<message> started (<n> steps)"
//   "<message> <done>/<n> (<p>%), elapsed <time>, about <time> left"
//   "<message> done: <done>/<n> in <time>"
// Progress lines are throttled to at most four a second by default (the last step is not
// reported on its own: the closing line covers it), and cost nothing but a counter
// update when info logging is off. The closing line is written by `finish()` or, if
// that was not called, by the destructor. A count beyond the step count is reported as
// it is, with the percentage capped at 100.
//
// Safe to increment from several threads; not copyable or movable.
class ProgressLogger {
public:
    ProgressLogger(std::string message, index_t nb_steps)
        : ProgressLogger(std::move(message), nb_steps, DEFAULT_REPORT_PERIOD) {}
    // With another shortest time between two progress lines (zero: a line per step).
    ProgressLogger(std::string message, index_t nb_steps,
                   Timer::clock::duration report_period);
    ~ProgressLogger();
    ProgressLogger(const ProgressLogger&) = delete;
    ProgressLogger& operator=(const ProgressLogger&) = delete;

    // Records `nb` more steps done.
    void increment(index_t nb = 1);
    // Writes the closing line; later calls, and the destructor, write nothing more.
    void finish();

    index_t count() const;
    index_t nb_steps() const { return nb_steps_; }

    // Shortest time between two progress lines, by default.
    static constexpr std::chrono::milliseconds DEFAULT_REPORT_PERIOD{250};

private:
    void report_progress_locked();

    const std::string message_;
    const index_t nb_steps_;
    const Timer::clock::duration report_period_;
    const Timer timer_;
    mutable std::mutex mutex_;
    std::uint64_t count_{0};
    Timer::clock::time_point last_report_;
    bool finished_{false};
};

}  // namespace orvane
