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
    if (seconds < 1e-6) {
        return absl::StrCat(static_cast<std::int64_t>(std::llround(seconds * 1e9)),
                            " ns");
    }
    if (seconds < 1e-3) {
        return absl::StrCat(static_cast<std::int64_t>(std::llround(seconds * 1e6)),
                            " us");
    }
    if (seconds < 1.0) {
        return absl::StrCat(static_cast<std::int64_t>(std::llround(seconds * 1e3)),
                            " ms");
    }
    if (seconds < 60.0) {
        // Truncated rather than rounded so that 59.999 s does not read "60.00 s".
        return absl::StrFormat("%.2f s", std::floor(seconds * 100.0) / 100.0);
    }
    if (!std::isfinite(seconds) || seconds > 1e15) {
        return "a very long time";
    }
    const auto whole = static_cast<std::int64_t>(seconds);
    if (whole < 3600) {
        return absl::StrCat(whole / 60, " min ", whole % 60, " s");
    }
    return absl::StrCat(whole / 3600, " h ", (whole % 3600) / 60, " min");
}

}  // namespace orvane
