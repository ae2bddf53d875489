#include <orvane/kernel/basic/timer.hpp>

#include <cmath>
#include <cstdint>

#include <absl/strings/str_cat.h>
#include <absl/strings/str_format.h>

namespace orvane {

std::string Timer::duration_text(clock::duration duration) {
    return duration_text(std::chrono::duration<double>(duration).count());
}

std::string Timer::duration_text(double seconds) {
    if (!(seconds > 0.0)) {
        // Also NaN: an estimate from no data reads as nothing spent.
        return "0 ns";
    }
    if (!std::isfinite(seconds) || seconds > 1e15) {
        return "a very long time";
    }
    // Each unit is chosen on the rounded value, so that 999.7 ms reads "1.00 s" and
    // not "1000 ms".
    const auto rounded = [seconds](double scale) {
        return static_cast<std::int64_t>(std::llround(seconds * scale));
    };
    if (const auto ns = rounded(1e9); ns < 1000) {
        return absl::StrCat(ns, " ns");
    }
    if (const auto us = rounded(1e6); us < 1000) {
        return absl::StrCat(us, " us");
    }
    if (const auto ms = rounded(1e3); ms < 1000) {
        return absl::StrCat(ms, " ms");
    }
    if (const auto cs = rounded(1e2); cs < 6000) {
        return absl::StrFormat("%d.%02d s", cs / 100, cs % 100);
    }
    const auto whole = rounded(1.0);
    if (whole < 3600) {
        return absl::StrCat(whole / 60, " min ", whole % 60, " s");
    }
    const auto minutes = rounded(1.0 / 60.0);
    return absl::StrCat(minutes / 60, " h ", minutes % 60, " min");
}

}  // namespace orvane
