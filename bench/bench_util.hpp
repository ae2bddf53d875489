#pragma once

// Benchmark reporting: one JSON object per measurement on its own line, so that
// scripts can grep the figures out of whatever else a benchmark prints.

#include <chrono>
#include <cstdio>
#include <string>

namespace orvane::bench {

inline void report(const std::string& name, double value, const std::string& unit) {
    std::printf("{\"name\": \"%s\", \"value\": %.6g, \"unit\": \"%s\"}\n", name.c_str(),
                value, unit.c_str());
    std::fflush(stdout);
}

// A comparison with a peer run in the same process; ratio is ours over the peer's.
inline void report(const std::string& name, double value, const std::string& unit,
                   const std::string& peer, double peer_value) {
    const double ratio = peer_value != 0 ? value / peer_value : 0.0;
    std::printf(
        "{\"name\": \"%s\", \"value\": %.6g, \"unit\": \"%s\", \"peer\": \"%s\", "
        "\"peer_value\": %.6g, \"ratio\": %.6g}\n",
        name.c_str(), value, unit.c_str(), peer.c_str(), peer_value, ratio);
    std::fflush(stdout);
}

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    void restart() { start_ = std::chrono::steady_clock::now(); }
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_)
            .count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

// Keeps the optimiser from dropping a computation whose result is otherwise unused.
template <typename T>
inline void do_not_optimize(const T& value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

}  // namespace orvane::bench
