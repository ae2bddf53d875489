#include <orvane/macro/line/macro_edge_insertion_info.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/macro/common/element_insertion_info.hpp>
#include <orvane/macro/common/macro_entities.hpp>

#include <absl/hash/hash.h>

namespace orvane {
namespace {

using Info = MacroEdgeInsertionInfo<2>;
using Boundary = Info::SubSegmentBoundary;

Boundary endpoint(double x, index_t macro_vertex, std::optional<index_t> background) {
    Boundary b;
    b.point = Point2D{{x, 0}};
    b.macro_vertex = macro_vertex;
    b.background_vertex = background;
    return b;
}

Boundary on_skin(double x, index_t skin_edge) {
    Boundary b;
    b.point = Point2D{{x, 0}};
    b.skin_edge = skin_edge;
    return b;
}

const Segment<2> unit_segment{Point2D{{0, 0}}, Point2D{{1, 0}}};

TEST(MacroEdgeInsertionInfo, FreshBoundaryHasNoOptionalField) {
    const Boundary b;
    EXPECT_FALSE(b.background_vertex || b.macro_vertex || b.skin_edge);
    EXPECT_EQ(static_cast<std::uint32_t>(Info::undecided), 0u);
    EXPECT_EQ(static_cast<std::uint32_t>(Info::outside), 1u);
    EXPECT_EQ(static_cast<std::uint32_t>(Info::inserted), 2u);
    EXPECT_EQ(static_cast<std::uint32_t>(Info::on_skin), 3u);
}

TEST(MacroEdgeInsertionInfo, SortOrdersAlongTheSegment) {
    Info info;
    info.boundaries = {endpoint(0, 0, 4), endpoint(1, 1, 5), on_skin(0.75, 8),
                       on_skin(0.25, 6), on_skin(0.5, 7)};
    info.sort(unit_segment);
    ASSERT_EQ(info.boundaries.size(), 5u);
    const std::vector<std::optional<index_t>> skin{std::nullopt, 6, 7, 8, std::nullopt};
    for (std::size_t b = 0; b < 5; ++b) {
        EXPECT_DOUBLE_EQ(info.boundaries[b].point.value(0),
                         0.25 * static_cast<double>(b));
        EXPECT_EQ(info.boundaries[b].skin_edge, skin[b]) << b;
    }
    // Reversed segment: reversed order.
    info.sort(Segment<2>{Point2D{{1, 0}}, Point2D{{0, 0}}});
    EXPECT_EQ(info.boundaries.front().macro_vertex, std::optional<index_t>{1});
    EXPECT_EQ(info.boundaries.back().macro_vertex, std::optional<index_t>{0});
}

// Merge rules at one place (an endpoint meeting the border there), by what the endpoint
// already is and where the border meeting lies.
TEST(MacroEdgeInsertionInfo, SortMergesCloseBoundaries) {
    struct Case {
        const char* name;
        std::optional<index_t> endpoint_vertex;
        double meeting_offset;
        std::size_t expected_boundaries;
        std::optional<index_t> expected_background;
        std::optional<index_t> expected_skin;
    };
    const Case cases[] = {
        {"inserted endpoint on the border: no second vertex", 4, 0.0, 2, 4, std::nullopt},
        {"endpoint outside, border within tolerance: becomes border vertex", std::nullopt,
         0.5e-6, 2, std::nullopt, 9},
        {"border meeting beyond the tolerance stays apart", 4, 2e-6, 3, 4, std::nullopt},
    };
    for (const auto& c : cases) {
        Info info;
        info.boundaries = {endpoint(0, 0, c.endpoint_vertex), endpoint(1, 1, 5),
                           on_skin(c.meeting_offset, 9)};
        info.sort(unit_segment);
        ASSERT_EQ(info.boundaries.size(), c.expected_boundaries) << c.name;
        const auto& first = info.boundaries.front();
        EXPECT_EQ(first.macro_vertex, std::optional<index_t>{0}) << c.name;
        EXPECT_EQ(first.background_vertex, c.expected_background) << c.name;
        EXPECT_EQ(first.skin_edge, c.expected_skin) << c.name;
        // The endpoint's exact point wins over the border meeting's.
        EXPECT_EQ(first.point, (Point2D{{0, 0}})) << c.name;
    }
}

TEST(MacroEdgeInsertionInfo, MergedBoundaryGathersVertexFromAnyMember) {
    Info info;
    Boundary meeting = on_skin(0.5, 3);
    Boundary vertex;
    vertex.point = Point2D{{0.5 + 0.3e-6, 0}};
    vertex.background_vertex = 12;
    info.boundaries = {endpoint(0, 0, 1), endpoint(1, 1, 2), meeting, vertex};
    info.sort(unit_segment);
    ASSERT_EQ(info.boundaries.size(), 3u);
    const auto& middle = info.boundaries[1];
    EXPECT_EQ(middle.background_vertex, std::optional<index_t>{12});
    EXPECT_FALSE(middle.skin_edge.has_value());
    EXPECT_FALSE(middle.macro_vertex.has_value());
    // The background vertex's point is kept: it is where the vertex really is.
    EXPECT_EQ(middle.point, vertex.point);
}

TEST(MacroEdgeInsertionInfo, CrossingAtABorderVertexGivesOneBoundary) {
    // The segment crosses the border exactly where two skin edges meet: both report a
    // meeting there, and only the first (in recording order) stays.
    Info info;
    info.boundaries = {endpoint(0, 0, 1), endpoint(1, 1, 2), on_skin(0.5, 7),
                       on_skin(0.5, 8), on_skin(0.5 + 0.4e-6, 9)};
    info.sort(unit_segment);
    ASSERT_EQ(info.boundaries.size(), 3u);
    EXPECT_EQ(info.boundaries[1].skin_edge, std::optional<index_t>{7});
    EXPECT_FALSE(info.boundaries[1].background_vertex || info.boundaries[1].macro_vertex);
    EXPECT_EQ(info.boundaries[1].point, (Point2D{{0.5, 0}}));
}

TEST(MacroEdgeInsertionInfo, InsertionStatusTable) {
    using S = Info::SubSegmentStatus;
    struct Case {
        std::vector<std::uint32_t> statuses;
        ElementInsertionInfo::INSERTION_STATUS expected;
    };
    const Case cases[] = {
        {{S::inserted}, ElementInsertionInfo::INSERTED},
        {{S::inserted, S::on_skin, S::inserted}, ElementInsertionInfo::INSERTED},
        {{S::on_skin}, ElementInsertionInfo::INSERTED},
        {{S::outside}, ElementInsertionInfo::OUTSIDE},
        {{S::outside, S::outside}, ElementInsertionInfo::OUTSIDE},
        {{S::outside, S::inserted}, ElementInsertionInfo::PARTLY_OUTSIDE},
        {{S::on_skin, S::outside}, ElementInsertionInfo::PARTLY_OUTSIDE},
        {{S::inserted, S::undecided}, ElementInsertionInfo::NOT_INSERTED},
        {{S::outside, S::undecided}, ElementInsertionInfo::NOT_INSERTED},
        {{}, ElementInsertionInfo::NOT_INSERTED},
    };
    for (const auto& c : cases) {
        Info info;
        info.sub_segment_statuses = c.statuses;
        EXPECT_EQ(info.insertion_status(unit_segment), c.expected)
            << ::testing::PrintToString(c.statuses);
    }
}

TEST(ElementInsertionInfo, EntriesInRequestOrder) {
    ElementInsertionInfo info;
    EXPECT_TRUE(info.empty());
    info.add(ElementInsertionInfo::OUTSIDE, 4);
    info.add(ElementInsertionInfo::INSERTED, 2);
    info.add(ElementInsertionInfo::INSERTED, 4);
    ASSERT_EQ(info.nb_entries(), 3u);
    EXPECT_EQ(info.status(0), ElementInsertionInfo::OUTSIDE);
    EXPECT_EQ(info.input_index(1), 2u);
    EXPECT_EQ(info.entry(2),
              (ElementInsertionInfo::Entry{ElementInsertionInfo::INSERTED, 4}));
    EXPECT_EQ(info.nb_entries_with_status(ElementInsertionInfo::INSERTED), 2u);
    EXPECT_THROW(info.entry(3), std::out_of_range);
    EXPECT_EQ(static_cast<unsigned>(ElementInsertionInfo::PARTLY_OUTSIDE), 1u);
    EXPECT_EQ(static_cast<unsigned>(ElementInsertionInfo::NOT_INSERTED), 2u);
}

TEST(MacroEntities, EqualityAndHashUseComponentAndIndex) {
    const uuid a;
    const uuid b;
    EXPECT_EQ((MeshEdge{a, 3}), (MeshEdge{a, 3}));
    EXPECT_NE((MeshEdge{a, 3}), (MeshEdge{a, 4}));
    EXPECT_NE((MeshEdge{a, 3}), (MeshEdge{b, 3}));
    EXPECT_EQ(absl::Hash<MeshVertex>{}(MeshVertex{a, 1}),
              absl::Hash<MeshVertex>{}(MeshVertex{a, 1}));
    EXPECT_EQ(std::hash<MeshElement>{}(MeshElement{a, 1}),
              std::hash<MeshElement>{}(MeshElement{a, 1}));
    EXPECT_EQ((MeshElement{a, 7}).string(), a.string() + ":7");
}

}  // namespace
}  // namespace orvane
