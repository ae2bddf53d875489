#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/logger.hpp>

namespace orvane {
namespace {

using Entry = std::pair<Logger::LEVEL, std::string>;

// Counts how often it is turned into text, to prove that disabled calls do no
// formatting at all.
struct CountingValue {
    int* conversions;
    template <typename Sink>
    friend void AbslStringify(Sink& sink, const CountingValue& value) {
        ++*value.conversions;
        sink.Append("counted");
    }
};

class LoggerTest : public ::testing::Test {
protected:
    std::vector<Entry> entries;
    ScopedLoggerLevel level_guard{Logger::LEVEL::trace};
    ScopedLoggerSink sink_guard{[this](Logger::LEVEL level, std::string_view text) {
        entries.emplace_back(level, std::string{text});
    }};
};

TEST_F(LoggerTest, EachLevelReachesTheSinkWithConcatenatedText) {
    Logger::trace("t", 1);
    Logger::debug("d", 2.5);
    Logger::info("Insertion of curve ", 3, " of ", 4u, std::string_view{"."});
    Logger::warn("w");
    Logger::error("e", -7);
    Logger::critical("c", absl::Hex(255));
    EXPECT_THAT(
        entries,
        ::testing::ElementsAre(
            Entry{Logger::LEVEL::trace, "t1"}, Entry{Logger::LEVEL::debug, "d2.5"},
            Entry{Logger::LEVEL::info, "Insertion of curve 3 of 4."},
            Entry{Logger::LEVEL::warn, "w"}, Entry{Logger::LEVEL::error, "e-7"},
            Entry{Logger::LEVEL::critical, "cff"}));
}

TEST(StrCat, JoinsStdStringViewsAndStringifiableTypes) {
    int conversions = 0;
    const std::string_view view{"view"};
    EXPECT_EQ(str_cat("a", view, 1, 2.5), "aview12.5");
    EXPECT_EQ(str_cat(view, CountingValue{&conversions}, -3), "viewcounted-3");
    EXPECT_EQ(conversions, 1);
    std::string out = "x";
    str_append(out, view, CountingValue{&conversions}, 7u);
    EXPECT_EQ(out, "xviewcounted7");
}

TEST_F(LoggerTest, LevelFiltersEverythingBelowIt) {
    struct Case {
        Logger::LEVEL level;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {Logger::LEVEL::trace, {"t", "d", "i", "w", "e", "c"}},
        {Logger::LEVEL::info, {"i", "w", "e", "c"}},
        {Logger::LEVEL::error, {"e", "c"}},
        {Logger::LEVEL::critical, {"c"}},
        {Logger::LEVEL::off, {}},
    };
    for (const auto& c : cases) {
        entries.clear();
        Logger::set_level(c.level);
        EXPECT_EQ(Logger::level(), c.level);
        Logger::trace("t");
        Logger::debug("d");
        Logger::info("i");
        Logger::warn("w");
        Logger::error("e");
        Logger::critical("c");
        std::vector<std::string> texts;
        for (const auto& e : entries) {
            texts.push_back(e.second);
        }
        EXPECT_EQ(texts, c.expected) << Logger::level_name(c.level);
    }
}

TEST_F(LoggerTest, DisabledCallsDoNotFormatTheirArguments) {
    int conversions = 0;
    const CountingValue value{&conversions};
    Logger::set_level(Logger::LEVEL::info);
    Logger::trace("value ", value);
    Logger::debug("value ", value);
    EXPECT_EQ(conversions, 0);
    EXPECT_TRUE(entries.empty());

    Logger::info("value ", value, " ", 3);
    EXPECT_EQ(conversions, 1);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.front().second, "value counted 3");
}

TEST_F(LoggerTest, ScopedSinkPutsThePreviousSinkBack) {
    std::vector<std::string> inner;
    {
        ScopedLoggerSink scoped{
            [&inner](Logger::LEVEL, std::string_view text) { inner.emplace_back(text); }};
        Logger::info("inner");
    }
    Logger::info("outer");
    EXPECT_EQ(inner, std::vector<std::string>{"inner"});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.front().second, "outer");
}

TEST_F(LoggerTest, SinkThatLogsDoesNotDeadlock) {
    std::vector<std::string> seen;
    ScopedLoggerSink scoped{[&seen](Logger::LEVEL, std::string_view text) {
        seen.emplace_back(text);
        // Goes to the default sink instead of coming back here.
        Logger::trace("nested");
    }};
    ::testing::internal::CaptureStdout();
    Logger::info("outer");
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(seen, std::vector<std::string>{"outer"});
    EXPECT_EQ(out, "[trace] nested\n");
}

TEST(LoggerDefaultSink, WritesTaggedLinesToStdoutOrStderr) {
    ScopedLoggerLevel level{Logger::LEVEL::trace};
    Logger::reset_sink();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    Logger::info("hello ", 42);
    Logger::error("broken");
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "[info] hello 42\n");
    EXPECT_EQ(err, "[error] broken\n");
}

TEST_F(LoggerTest, ConcurrentMessagesArriveWhole) {
    constexpr int per_thread = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < per_thread; ++i) {
                Logger::info("thread ", t, " message ", i);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    // The sink appends to a plain vector: serialised calls are what keeps it intact.
    ASSERT_EQ(entries.size(), 4u * per_thread);
    std::vector<int> next(4, 0);
    for (const auto& e : entries) {
        const int t = e.second[7] - '0';
        ASSERT_GE(t, 0);
        ASSERT_LT(t, 4);
        EXPECT_EQ(e.second, absl::StrCat("thread ", t, " message ", next[t]));
        ++next[t];
    }
}

}  // namespace
}  // namespace orvane
