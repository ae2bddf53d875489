#include <orvane/kernel/basic/progress_logger.hpp>

#include <algorithm>
#include <limits>
#include <utility>

#include <orvane/kernel/basic/logger.hpp>

namespace orvane {

constexpr std::chrono::milliseconds ProgressLogger::DEFAULT_REPORT_PERIOD;

ProgressLogger::ProgressLogger(std::string message, index_t nb_steps,
                               Timer::clock::duration report_period)
    : message_(std::move(message)),
      nb_steps_(nb_steps),
      report_period_(report_period),
      last_report_(Timer::clock::now()) {
    Logger::info(message_, " started (", nb_steps_, " steps)");
}

ProgressLogger::~ProgressLogger() {
    try {
        finish();
    } catch (...) {
        // A sink that throws must not turn the end of a scope into std::terminate.
    }
}

void ProgressLogger::increment(index_t nb) {
    std::lock_guard<std::mutex> lock{mutex_};
    count_ += nb;
    if (finished_ || !Logger::is_enabled(Logger::LEVEL::info) || count_ >= nb_steps_) {
        return;
    }
    const auto now = Timer::clock::now();
    if (now - last_report_ < report_period_) {
        return;
    }
    last_report_ = now;
    report_progress_locked();
}

void ProgressLogger::report_progress_locked() {
    const double elapsed = timer_.elapsed_seconds();
    const double fraction =
        nb_steps_ == 0 ? 1.0 : std::min(1.0, static_cast<double>(count_) / nb_steps_);
    const auto percent = static_cast<int>(fraction * 100.0);
    if (count_ == 0) {
        Logger::info(message_, " ", count_, "/", nb_steps_, " (", percent, "%), elapsed ",
                     Timer::duration_text(elapsed));
        return;
    }
    const double remaining = elapsed * (1.0 - fraction) / fraction;
    Logger::info(message_, " ", count_, "/", nb_steps_, " (", percent, "%), elapsed ",
                 Timer::duration_text(elapsed), ", about ",
                 Timer::duration_text(remaining), " left");
}

void ProgressLogger::finish() {
    std::lock_guard<std::mutex> lock{mutex_};
    if (finished_) {
        return;
    }
    finished_ = true;
    Logger::info(message_, " done: ", count_, "/", nb_steps_, " in ",
                 timer_.elapsed_text());
}

index_t ProgressLogger::count() const {
    std::lock_guard<std::mutex> lock{mutex_};
    return static_cast<index_t>(
        std::min<std::uint64_t>(count_, std::numeric_limits<index_t>::max()));
}

}  // namespace orvane
