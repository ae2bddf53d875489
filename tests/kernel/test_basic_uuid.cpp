#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include <absl/container/flat_hash_set.h>
#include <absl/hash/hash_testing.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/identifier.hpp>
#include <orvane/kernel/basic/uuid.hpp>
#include <orvane/kernel/mesh/point_set.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>

namespace orvane {
namespace {

bool is_lower_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

TEST(Uuid, TextFormIsLowerCaseEightFourFourFourTwelve) {
    for (int i = 0; i < 100; ++i) {
        const std::string text = uuid{}.string();
        ASSERT_EQ(text.size(), 36u) << text;
        for (std::size_t c = 0; c < text.size(); ++c) {
            if (c == 8 || c == 13 || c == 18 || c == 23) {
                EXPECT_EQ(text[c], '-') << text;
            } else {
                EXPECT_TRUE(is_lower_hex(text[c])) << text;
            }
        }
    }
}

TEST(Uuid, TextRoundTripsAndRejectsMalformedText) {
    const uuid id;
    const auto parsed = uuid::from_string(id.string());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, id);

    const auto upper = uuid::from_string("0123ABCD-4567-89ab-CDEF-0123456789AB");
    ASSERT_TRUE(upper.has_value());
    EXPECT_EQ(upper->string(), "0123abcd-4567-89ab-cdef-0123456789ab");
    EXPECT_EQ(upper->high(), 0x0123abcd456789abULL);
    EXPECT_EQ(upper->low(), 0xcdef0123456789abULL);

    for (const char* bad :
         {"", "0123abcd-4567-89ab-cdef-0123456789a",
          "0123abcd-4567-89ab-cdef-0123456789abc", "0123abcd04567-89ab-cdef-0123456789ab",
          "0123abcd-4567-89ab-cdef-0123456789ag",
          "{123abcd-4567-89ab-cdef-0123456789ab"}) {
        EXPECT_FALSE(uuid::from_string(bad).has_value()) << bad;
    }
}

TEST(Uuid, NewIdsAreDistinctAcrossThreads) {
    constexpr int per_thread = 2000;
    std::vector<std::vector<uuid>> made(4);
    std::vector<std::thread> threads;
    for (auto& ids : made) {
        threads.emplace_back([&ids] {
            for (int i = 0; i < per_thread; ++i) {
                ids.emplace_back();
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    absl::flat_hash_set<uuid> seen;
    std::unordered_set<uuid> seen_std;
    for (const auto& ids : made) {
        for (const auto& id : ids) {
            EXPECT_TRUE(seen.insert(id).second) << id.string();
            seen_std.insert(id);
        }
    }
    EXPECT_EQ(seen.size(), seen_std.size());
    EXPECT_EQ(seen.size(), 4u * per_thread);
}

TEST(Uuid, BitsAreNotStuck) {
    // Every one of the 128 bits takes both values over a few hundred ids: a generator
    // that leaves a half or a word constant would fail here.
    std::uint64_t high_or = 0, low_or = 0;
    std::uint64_t high_and = ~0ULL, low_and = ~0ULL;
    for (int i = 0; i < 256; ++i) {
        const uuid id;
        high_or |= id.high();
        low_or |= id.low();
        high_and &= id.high();
        low_and &= id.low();
    }
    EXPECT_EQ(high_or, ~0ULL);
    EXPECT_EQ(low_or, ~0ULL);
    EXPECT_EQ(high_and, 0ULL);
    EXPECT_EQ(low_and, 0ULL);
}

TEST(Uuid, OrderEqualityAndHashAgree) {
    std::vector<uuid> ids(50);
    ids.push_back(ids.front());
    std::vector<uuid> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    // The order of values is the order of their text forms.
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        EXPECT_LE(sorted[i - 1].string(), sorted[i].string());
        EXPECT_TRUE(sorted[i - 1] <= sorted[i]);
    }
    EXPECT_EQ(std::set<uuid>(ids.begin(), ids.end()).size(), 50u);
    const uuid copy = ids.front();
    EXPECT_EQ(copy, ids.front());
    EXPECT_FALSE(copy != ids.front());
    EXPECT_EQ(std::hash<uuid>{}(copy), std::hash<uuid>{}(ids.front()));
    EXPECT_EQ(absl::Hash<uuid>{}(copy), absl::Hash<uuid>{}(ids.front()));
    EXPECT_TRUE(absl::VerifyTypeImplementsAbslHashCorrectly(
        {ids[0], ids[1], ids[2],
         *uuid::from_string("00000000-0000-0000-0000-000000000000")}));
}

TEST(Identifier, IdAndOptionalName) {
    Identifier anonymous;
    EXPECT_FALSE(anonymous.name().has_value());
    Identifier named{"curve"};
    ASSERT_TRUE(named.name().has_value());
    EXPECT_EQ(*named.name(), "curve");
    EXPECT_NE(anonymous.id(), named.id());

    const uuid chosen;
    named.set_id(chosen);
    named.set_name("border");
    EXPECT_EQ(named.id(), chosen);
    EXPECT_EQ(*named.name(), "border");

    const Identifier copy = named;
    EXPECT_EQ(copy.id(), chosen);
    EXPECT_EQ(*copy.name(), "border");
    named.clear_name();
    EXPECT_FALSE(named.name().has_value());

    const Identifier given{chosen, std::string{"given"}};
    EXPECT_EQ(given.id(), chosen);
    EXPECT_EQ(given.name(), std::optional<std::string_view>{"given"});
    EXPECT_FALSE((Identifier{chosen, std::nullopt}.name().has_value()));
}

// Meshes are the input components whose uuid names their macro entities: each has its
// own id, a clone and a move keep it.
TEST(Identifier, MeshesCarryTheirIdThroughCloneAndMove) {
    PointSet<2> points;
    points.set_name("wells");
    const PointSet<2> other;
    EXPECT_NE(points.id(), other.id());
    const auto clone = points.clone();
    EXPECT_EQ(clone->id(), points.id());
    EXPECT_EQ(clone->name(), std::optional<std::string_view>{"wells"});
    const uuid id = points.id();
    PointSet<2> moved{std::move(points)};
    EXPECT_EQ(moved.id(), id);

    const auto surface = TriangulatedSurface<2>::create();
    EXPECT_EQ(surface->clone()->id(), surface->id());
}

}  // namespace
}  // namespace orvane
