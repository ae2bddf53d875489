#include <orvane/toolkit/modifier/common/mapping.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(BijectiveMapping, IteratesInRecordingOrderAndAnswersBothWays) {
    BijectiveMapping<index_t, index_t> mapping;
    mapping.map(7, 1);
    mapping.map(2, 9);
    mapping.map(5, 0);
    EXPECT_THAT(mapping.pairs(), ElementsAre(Pair(7u, 1u), Pair(2u, 9u), Pair(5u, 0u)));
    std::vector<index_t> inputs;
    for (const auto& [input, output] : mapping) {
        inputs.push_back(input);
    }
    EXPECT_THAT(inputs, ElementsAre(7u, 2u, 5u));
    EXPECT_EQ(mapping.size(), 3u);
    EXPECT_TRUE(mapping.has_mapping_input(2));
    EXPECT_FALSE(mapping.has_mapping_input(9));
    EXPECT_TRUE(mapping.has_mapping_output(9));
    EXPECT_FALSE(mapping.has_mapping_output(2));
    EXPECT_EQ(mapping.in2out(2), std::optional<index_t>{9});
    EXPECT_EQ(mapping.out2in(0), std::optional<index_t>{5});
    EXPECT_FALSE(mapping.in2out(1).has_value());
    EXPECT_FALSE(mapping.out2in(7).has_value());
}

TEST(BijectiveMapping, RefusesPairsThatBreakTheBijectionAndKeepsTheTable) {
    BijectiveMapping<index_t, index_t> mapping;
    mapping.map(1, 10);
    mapping.map(1, 10);  // the same pair again is harmless
    EXPECT_THROW(mapping.map(1, 11), OrvaneCommonModifierCommonException);
    EXPECT_THROW(mapping.map(2, 10), OrvaneCommonModifierCommonException);
    EXPECT_THAT(mapping.pairs(), ElementsAre(Pair(1u, 10u)));
    EXPECT_FALSE(mapping.has_mapping_input(2));
    EXPECT_FALSE(mapping.has_mapping_output(11));
}

TEST(Mapping, MultiMappingComparesIndexAndSources) {
    const MultiMapping<index_t> a{3, {1, NO_ID}};
    MultiMapping<index_t> b{3, {1, NO_ID}};
    EXPECT_EQ(a, b);
    b.second.push_back(4);
    EXPECT_NE(a, b);
    EXPECT_EQ((Mapping<index_t>{1, NO_ID}), (Mapping<index_t>{1, NO_ID}));
    EXPECT_NE((Mapping<index_t>{1, 2}), (Mapping<index_t>{2, 1}));
}

struct Editor;
struct Edited {
    int value{0};
};
}  // namespace

template <>
struct ModifierOf<Edited> {
    using type = Editor;
};

namespace {
struct Editor {
    Edited& edited;
    void bump() { ++edited.value; }
};

TEST(ModifiableObject, RefersToTheCallersObjectAndModifier) {
    Edited edited;
    Editor editor{edited};
    ModifiableObject<Edited> pair{edited, editor};
    const auto copy = pair;  // passed by value, still the same objects
    copy.modifier.bump();
    EXPECT_EQ(&copy.object, &edited);
    EXPECT_EQ(edited.value, 1);
}

}  // namespace
}  // namespace orvane
