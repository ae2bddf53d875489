#pragma once

#include <chrono>
#include <string>

namespace orvane {

// Measures wall time on the steady clock from its creation (or the last reset).
class Timer {
public:
    using clock = std::chrono::steady_clock;

    Timer() : start_(clock::now()) {}

    void reset() { start_ = clock::now(); }
    clock::duration elapsed() const { return clock::now() - start_; }
    double elapsed_seconds() const {
        return std::chrono::duration<double>(elapsed()).count();
    }
    // The elapsed time as text, see duration_text.
    std::string elapsed_text() const { return duration_text(elapsed()); }

    // A duration for people: "850 ns", "12 us", "12 ms", "1.23 s", "2 min 3 s",
    // "1 h 5 min". Each unit is used while the value is below the next one; negative
    // durations read as zero.
    static std::string duration_text(clock::duration duration);
    static std::string duration_text(double seconds);

private:
    clock::time_point start_;
};

}  // namespace orvane
