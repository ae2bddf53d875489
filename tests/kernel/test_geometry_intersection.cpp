#include <cmath>
#include <limits>
#include <random>
#include <utility>

#include <gtest/gtest.h>

#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/kernel/geometry/intersection.hpp>

namespace orvane {
namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();
const double tiny = std::numeric_limits<double>::denorm_min();

Segment2D seg(double x0, double y0, double x1, double y1) {
    return Segment2D{Point2D{{x0, y0}}, Point2D{{x1, y1}}};
}

Segment2D reversed(const Segment2D& s) {
    return Segment2D{s.vertex(1), s.vertex(0)};
}

POSITION flipped(POSITION p) {
    return p == POSITION::vertex0   ? POSITION::vertex1
           : p == POSITION::vertex1 ? POSITION::vertex0
                                    : p;
}

using Positions = std::pair<POSITION, POSITION>;
constexpr POSITION OUT = POSITION::outside;
constexpr POSITION IN = POSITION::inside;
constexpr POSITION V0 = POSITION::vertex0;
constexpr POSITION V1 = POSITION::vertex1;
constexpr POSITION PAR = POSITION::parallel;

TEST(SegmentSegmentIntersectionDetection, Table) {
    struct Case {
        const char* what;
        Segment2D s1, s2;
        Positions expected;
    };
    const Case cases[] = {
        {"crossing", seg(0, 0, 2, 2), seg(0, 2, 2, 0), {IN, IN}},
        {"touching at endpoints", seg(0, 0, 1, 1), seg(1, 1, 2, 0), {V1, V0}},
        {"sharing the first vertex", seg(0, 0, 1, 0), seg(0, 0, 0, 1), {V0, V0}},
        {"T-junction", seg(0, 0, 2, 0), seg(1, 0, 1, 1), {IN, V0}},
        {"T-junction, stem first", seg(1, 1, 1, 0), seg(0, 0, 2, 0), {V1, IN}},
        {"collinear overlap", seg(0, 0, 2, 0), seg(1, 0, 3, 0), {PAR, PAR}},
        {"collinear containment", seg(0, 0, 3, 0), seg(1, 0, 2, 0), {PAR, PAR}},
        {"identical", seg(0, 0, 3, 1), seg(0, 0, 3, 1), {PAR, PAR}},
        {"collinear vertical overlap", seg(0, 0, 0, 2), seg(0, 1, 0, 3), {PAR, PAR}},
        {"collinear touching at one end", seg(0, 0, 1, 1), seg(1, 1, 2, 2), {V1, V0}},
        {"collinear disjoint", seg(0, 0, 1, 0), seg(2, 0, 3, 0), {OUT, OUT}},
        {"parallel", seg(0, 0, 1, 0), seg(0, 1, 1, 1), {OUT, OUT}},
        {"lines cross beyond both", seg(0, 0, 1, 0), seg(2, 1, 3, -1), {OUT, OUT}},
        {"falls short of the other", seg(0, 0, 2, 0), seg(1, 1, 1, 0.5), {OUT, OUT}},
        {"one ulp above", seg(0, 0, 2, 0), seg(1, tiny, 1, 1), {OUT, OUT}},
        {"one ulp below", seg(0, 0, 2, 0), seg(1, -tiny, 1, 1), {IN, IN}},
        {"point inside", seg(1, 0, 1, 0), seg(0, 0, 2, 0), {V0, IN}},
        {"point on a vertex", seg(2, 0, 2, 0), seg(0, 0, 2, 0), {V0, V1}},
        {"point off", seg(1, 1e-300, 1, 1e-300), seg(0, 0, 2, 0), {OUT, OUT}},
        {"two equal points", seg(1, 1, 1, 1), seg(1, 1, 1, 1), {V0, V0}},
        {"NaN", seg(nan, 0, 2, 2), seg(0, 2, 2, 0), {OUT, OUT}},
        {"infinite", seg(-HUGE_VAL, 1, 2, 1), seg(0, 2, 0, 0), {OUT, OUT}},
    };
    for (const auto& c : cases) {
        const Positions swapped{c.expected.second, c.expected.first};
        EXPECT_EQ(segment_segment_intersection_detection(c.s1, c.s2), c.expected)
            << c.what;
        EXPECT_EQ(segment_segment_intersection_detection(c.s2, c.s1), swapped) << c.what;
        const Positions reversed_first{
            c.s1.is_degenerated() ? c.expected.first : flipped(c.expected.first),
            c.expected.second};
        EXPECT_EQ(segment_segment_intersection_detection(reversed(c.s1), c.s2),
                  reversed_first)
            << c.what;
    }
}

TEST(SegmentSegmentIntersection, PointAndType) {
    const auto crossing = segment_segment_intersection(seg(0, 0, 3, 1), seg(0, 1, 3, 0));
    EXPECT_EQ(crossing.type, INTERSECTION_TYPE::intersect);
    ASSERT_TRUE(crossing.has_intersection());
    EXPECT_NEAR(crossing.result->value(0), 1.5, 1e-15);
    EXPECT_NEAR(crossing.result->value(1), 0.5, 1e-15);

    // A vertex on the other segment comes back exactly.
    const double x = 0.1 + 0.2;
    const auto t_junction =
        segment_segment_intersection(seg(0, 0, 1, 0), seg(x, 0, 0.7, 3));
    EXPECT_EQ(t_junction.type, INTERSECTION_TYPE::intersect);
    EXPECT_EQ(t_junction.result.value(), (Point2D{{x, 0}}));

    const auto overlap = segment_segment_intersection(seg(0, 0, 2, 0), seg(1, 0, 3, 0));
    EXPECT_EQ(overlap.type, INTERSECTION_TYPE::parallel);
    EXPECT_FALSE(overlap.has_intersection());

    const auto none = segment_segment_intersection(seg(0, 0, 1, 0), seg(0, 1, 1, 1));
    EXPECT_EQ(none.type, INTERSECTION_TYPE::none);
    EXPECT_FALSE(none.has_intersection());

    const auto with_nan =
        segment_segment_intersection(seg(0, 0, nan, 1), seg(0, 1, 1, 0));
    EXPECT_EQ(with_nan.type, INTERSECTION_TYPE::none);

    // A shallow crossing still yields a point on the first segment's box.
    const auto shallow =
        segment_segment_intersection(seg(0, 0, 1e6, 1), seg(0, 1e-12, 1e6, 1 - 1e-12));
    ASSERT_EQ(shallow.type, INTERSECTION_TYPE::intersect);
    EXPECT_GE(shallow.result->value(0), 0);
    EXPECT_LE(shallow.result->value(0), 1e6);
}

// A proper crossing of segments whose coordinates are very small or very large: the
// plain line-crossing formula underflows (0 / 0) or overflows (inf / inf) there, and
// the point must still be the crossing, not NaN.
TEST(SegmentSegmentIntersection, CrossingPointAtExtremeScales) {
    for (const double scale : {1e-170, 1e-300, 1e170, 1e300}) {
        const auto crossing = segment_segment_intersection(
            seg(-scale, 0, scale, 0), seg(0.5 * scale, -scale, 0.5 * scale, scale));
        ASSERT_EQ(crossing.type, INTERSECTION_TYPE::intersect) << scale;
        ASSERT_TRUE(crossing.has_intersection()) << scale;
        EXPECT_NEAR(crossing.result->value(0), 0.5 * scale, 1e-14 * scale) << scale;
        EXPECT_EQ(crossing.result->value(1), 0) << scale;
    }
}

TEST(PointSegmentDistance, ProjectionClampsToTheSegment) {
    const Segment2D s = seg(0, 0, 4, 0);
    struct Case {
        Point2D p, nearest;
        double distance;
    };
    const Case cases[] = {
        {Point2D{{1, 2}}, Point2D{{1, 0}}, 2},
        {Point2D{{-3, 4}}, Point2D{{0, 0}}, 5},
        {Point2D{{7, -4}}, Point2D{{4, 0}}, 5},
        {Point2D{{2, 0}}, Point2D{{2, 0}}, 0},
    };
    for (const auto& c : cases) {
        const auto [d, nearest] = point_segment_distance(c.p, s);
        EXPECT_DOUBLE_EQ(d, c.distance) << c.p.string();
        EXPECT_EQ(nearest, c.nearest) << c.p.string();
        EXPECT_EQ(point_segment_projection(c.p, s), c.nearest);
    }
    const auto [d, nearest] = point_segment_distance(Point2D{{3, 4}}, seg(0, 0, 0, 0));
    EXPECT_DOUBLE_EQ(d, 5);
    EXPECT_EQ(nearest, (Point2D{{0, 0}}));
    EXPECT_DOUBLE_EQ(point_point_distance(Point2D{{0, 0}}, Point2D{{3, 4}}), 5);

    const auto [dn, pn] = point_segment_distance(Point2D{{nan, 1}}, s);
    EXPECT_TRUE(std::isnan(dn));
    EXPECT_TRUE(std::isnan(pn.value(0)));
    const auto [dd, pd] = point_segment_distance(Point2D{{nan, 1}}, seg(1, 1, 1, 1));
    EXPECT_TRUE(std::isnan(dd));
    EXPECT_TRUE(std::isnan(
        std::get<0>(point_segment_distance(Point2D{{0, 1}}, seg(nan, 0, 1, 1)))));
}

TEST(SegmentSegmentDistance, Table) {
    struct Case {
        const char* what;
        Segment2D s1, s2;
        double distance;
        Point2D p1, p2;
    };
    const Case cases[] = {
        {"crossing", seg(0, 0, 2, 2), seg(0, 2, 2, 0), 0, Point2D{{1, 1}},
         Point2D{{1, 1}}},
        {"parallel", seg(0, 0, 2, 0), seg(1, 1, 3, 1), 1, Point2D{{1, 0}},
         Point2D{{1, 1}}},
        {"endpoint to endpoint", seg(0, 0, 1, 0), seg(2, 1, 2, 3), std::sqrt(2.),
         Point2D{{1, 0}}, Point2D{{2, 1}}},
        {"endpoint to interior", seg(0, 0, 4, 0), seg(2, 3, 5, 9), 3, Point2D{{2, 0}},
         Point2D{{2, 3}}},
        {"interior to endpoint", seg(2, 3, 5, 9), seg(0, 0, 4, 0), 3, Point2D{{2, 3}},
         Point2D{{2, 0}}},
        {"collinear overlap", seg(0, 0, 2, 0), seg(1, 0, 3, 0), 0, Point2D{{1, 0}},
         Point2D{{1, 0}}},
        {"collinear apart", seg(0, 0, 1, 0), seg(3, 0, 4, 0), 2, Point2D{{1, 0}},
         Point2D{{3, 0}}},
    };
    for (const auto& c : cases) {
        const auto [d, p1, p2] = segment_segment_distance(c.s1, c.s2);
        EXPECT_DOUBLE_EQ(d, c.distance) << c.what;
        EXPECT_TRUE(p1.inexact_equal(c.p1)) << c.what << ": " << p1.string();
        EXPECT_TRUE(p2.inexact_equal(c.p2)) << c.what << ": " << p2.string();
    }
    const auto [d, p1, p2] = segment_segment_distance(seg(0, 0, 1, nan), seg(0, 2, 2, 0));
    EXPECT_TRUE(std::isnan(d));
    EXPECT_TRUE(std::isnan(p1.value(0)));
    EXPECT_TRUE(std::isnan(p2.value(0)));
}

// Random pairs: the answer's points lie on their segments, are that far apart, and no
// sampled pair of points is closer.
TEST(SegmentSegmentDistance, InvariantsOnRandomPairs) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> coord(-10, 10);
    const auto random_segment = [&] {
        return seg(coord(rng), coord(rng), coord(rng), coord(rng));
    };
    for (int trial = 0; trial < 500; ++trial) {
        const Segment2D s1 = random_segment();
        const Segment2D s2 = random_segment();
        const auto [d, p1, p2] = segment_segment_distance(s1, s2);
        EXPECT_LT(std::get<0>(point_segment_distance(p1, s1)), 1e-12);
        EXPECT_LT(std::get<0>(point_segment_distance(p2, s2)), 1e-12);
        EXPECT_NEAR(point_point_distance(p1, p2), d, 1e-12);
        double sampled = std::numeric_limits<double>::infinity();
        for (int i = 0; i <= 20; ++i) {
            for (int j = 0; j <= 20; ++j) {
                const Point2D a = s1.vertex(0) + s1.direction() * (i / 20.);
                const Point2D b = s2.vertex(0) + s2.direction() * (j / 20.);
                sampled = std::min(sampled, point_point_distance(a, b));
            }
        }
        EXPECT_LE(d, sampled + 1e-12);
        if (segment_segment_intersection_detection(s1, s2).first == POSITION::outside) {
            EXPECT_GT(d, 0);
        } else {
            EXPECT_EQ(d, 0);
        }
    }
}

TEST(PointTriangleDistance, InsideBorderOutside) {
    const Triangle2D t{Point2D{{0, 0}}, Point2D{{4, 0}}, Point2D{{0, 4}}};
    struct Case {
        Point2D p, nearest;
        double distance;
    };
    const Case cases[] = {
        {Point2D{{1, 1}}, Point2D{{1, 1}}, 0},
        {Point2D{{2, 0}}, Point2D{{2, 0}}, 0},
        {Point2D{{2, -3}}, Point2D{{2, 0}}, 3},
        {Point2D{{-3, -4}}, Point2D{{0, 0}}, 5},
        {Point2D{{3, 3}}, Point2D{{2, 2}}, std::sqrt(2.)},
    };
    for (const auto& c : cases) {
        const auto [d, nearest] = point_triangle_distance(c.p, t);
        EXPECT_DOUBLE_EQ(d, c.distance) << c.p.string();
        EXPECT_TRUE(nearest.inexact_equal(c.nearest)) << c.p.string();
    }
    EXPECT_TRUE(std::isnan(std::get<0>(point_triangle_distance(Point2D{{nan, 0}}, t))));
}

}  // namespace
}  // namespace orvane
