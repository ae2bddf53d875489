#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/basic/progress_logger.hpp>
#include <orvane/kernel/basic/timer.hpp>

namespace orvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

class ProgressLoggerTest : public ::testing::Test {
protected:
    std::vector<std::string> lines;
    ScopedLoggerLevel level_guard{Logger::LEVEL::info};
    ScopedLoggerSink sink_guard{[this](Logger::LEVEL level, std::string_view text) {
        EXPECT_EQ(level, Logger::LEVEL::info);
        lines.emplace_back(text);
    }};
};

TEST_F(ProgressLoggerTest, ReportsEveryStepWithoutThrottleAndClosesOnce) {
    {
        ProgressLogger progress{"Insertion of curve 7", 4, std::chrono::nanoseconds{0}};
        progress.increment();
        progress.increment(2);
        progress.increment();  // the last step: the closing line covers it
        EXPECT_EQ(progress.count(), 4u);
        progress.finish();
        progress.finish();
    }
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Insertion of curve 7 started (4 steps)");
    EXPECT_THAT(lines[1], MatchesRegex("Insertion of curve 7 1/4 \\(25%\\), elapsed "
                                       "[0-9.]+ [a-z]+, about [0-9.]+ [a-z]+ left"));
    EXPECT_THAT(lines[2], StartsWith("Insertion of curve 7 3/4 (75%), elapsed "));
    EXPECT_THAT(lines[3],
                MatchesRegex("Insertion of curve 7 done: 4/4 in [0-9.]+ [a-z]+"));
}

TEST_F(ProgressLoggerTest, DestructorWritesTheClosingLineWithTheCountReached) {
    {
        ProgressLogger progress{"Insertion of point set", 10};
        progress.increment(3);
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Insertion of point set started (10 steps)");
    EXPECT_THAT(lines.back(), StartsWith("Insertion of point set done: 3/10 in "));
}

TEST_F(ProgressLoggerTest, DefaultThrottleKeepsLinesFewAndCountsExact) {
    const Timer timer;
    {
        ProgressLogger progress{"Insertion of surface", 200000};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&progress] {
                for (int i = 0; i < 50000; ++i) {
                    progress.increment();
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(progress.count(), 200000u);
    }
    // At most one progress line per period, whatever the speed of the machine.
    const auto bound = 2 + static_cast<std::size_t>(
                               timer.elapsed() / ProgressLogger::DEFAULT_REPORT_PERIOD);
    EXPECT_LE(lines.size(), bound + 1);
    EXPECT_THAT(lines.back(), StartsWith("Insertion of surface done: 200000/200000 in "));
}

TEST_F(ProgressLoggerTest, OvershootAndZeroStepsStayReadable) {
    {
        ProgressLogger progress{"Empty", 0, std::chrono::nanoseconds{0}};
        progress.increment();
    }
    {
        ProgressLogger progress{"Over", 2, std::chrono::nanoseconds{0}};
        progress.increment(1);
        progress.increment(5);
    }
    EXPECT_THAT(
        lines,
        ElementsAre("Empty started (0 steps)", StartsWith("Empty done: 1/0 in "),
                    "Over started (2 steps)", StartsWith("Over 1/2 (50%), elapsed "),
                    StartsWith("Over done: 6/2 in ")));
}

TEST_F(ProgressLoggerTest, SilentWhenInfoIsOff) {
    Logger::set_level(Logger::LEVEL::warn);
    {
        ProgressLogger progress{"Quiet", 3, std::chrono::nanoseconds{0}};
        progress.increment();
        EXPECT_EQ(progress.count(), 1u);
    }
    EXPECT_TRUE(lines.empty());
}

TEST(Timer, DurationTextPicksAReadableUnit) {
    struct Case {
        double seconds;
        const char* text;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& c : std::vector<Case>{
             {0.0, "0 ns"},
             {-1.0, "0 ns"},
             {nan, "0 ns"},
             {850e-9, "850 ns"},
             {12.4e-6, "12 us"},
             {0.012, "12 ms"},
             {0.9996, "1.00 s"},
             {1.234, "1.23 s"},
             {59.999, "1 min 0 s"},
             {59.994, "59.99 s"},
             {0.0004996, "500 us"},
             {999.6e-9, "1 us"},
             {123.0, "2 min 3 s"},
             {3599.4, "59 min 59 s"},
             {3599.9, "1 h 0 min"},
             {7199.0, "2 h 0 min"},
             {3900.0, "1 h 5 min"},
             {std::numeric_limits<double>::infinity(), "a very long time"}}) {
        EXPECT_EQ(Timer::duration_text(c.seconds), c.text) << c.seconds;
    }
    EXPECT_EQ(Timer::duration_text(std::chrono::milliseconds{1500}), "1.50 s");
}

TEST(Timer, ElapsedGrowsAndResets) {
    Timer timer;
    const auto first = timer.elapsed();
    EXPECT_GE(first.count(), 0);
    EXPECT_GE(timer.elapsed(), first);
    timer.reset();
    EXPECT_GE(timer.elapsed_seconds(), 0.0);
    EXPECT_THAT(timer.elapsed_text(), MatchesRegex("[0-9.]+ [a-z]+"));
}

}  // namespace
}  // namespace orvane
