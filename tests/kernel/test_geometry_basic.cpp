#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include <orvane/kernel/geometry/bounding_box.hpp>
#include <orvane/kernel/geometry/predicates.hpp>
#include <orvane/kernel/geometry/segment.hpp>
#include <orvane/kernel/geometry/triangle.hpp>
#include <orvane/kernel/geometry/vector.hpp>
#include <orvane/kernel/geometry/velmora_geometry_exception.hpp>

namespace orvane {
namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Vector, ArithmeticWithPoints) {
    const Point2D p{{1, 2}};
    const Point2D q{{4, 6}};
    const Vector2D v{p, q};
    EXPECT_EQ(v, (Vector2D{{3, 4}}));
    EXPECT_EQ(p + v, q);
    EXPECT_EQ(q - v, p);
    EXPECT_DOUBLE_EQ(v.length(), 5);
    EXPECT_DOUBLE_EQ(v.length2(), 25);
    EXPECT_DOUBLE_EQ(v.dot(Vector2D{{1, 1}}), 7);
    EXPECT_DOUBLE_EQ(cross(Vector2D{{1, 0}}, Vector2D{{0, 1}}), 1);
    EXPECT_DOUBLE_EQ(cross(v, v), 0);
    EXPECT_TRUE(v.normalize().inexact_equal(Vector2D{{0.6, 0.8}}));
    EXPECT_EQ(-v + v * 2., v);
    EXPECT_EQ(2. * v / 2., v);
    Point2D r = p;
    r += v;
    EXPECT_EQ(r, q);
}

TEST(Vector, LengthSurvivesOverflowAndUnderflowOfSquares) {
    const Vector2D huge{{3e200, 4e200}};
    const Vector2D small{{3e-200, 4e-200}};
    const Vector3D huge3{{2e300, 3e300, 6e300}};
    EXPECT_DOUBLE_EQ(huge.length(), 5e200);
    EXPECT_DOUBLE_EQ(small.length(), 5e-200);
    EXPECT_DOUBLE_EQ(huge3.length(), 7e300);
    EXPECT_EQ(Vector2D{}.length(), 0);
    const Vector2D infinite{{HUGE_VAL, 1}};
    EXPECT_TRUE(std::isinf(infinite.length()));
}

TEST(Vector, NormalizeRefusesZeroAndKeepsNaN) {
    EXPECT_THROW(Vector2D{}.normalize(), VelmoraGeometryException);
    const Vector2D n = Vector2D{{nan, 1}}.normalize();
    EXPECT_TRUE(std::isnan(n.value(0)));
}

TEST(Segment, DirectionBarycenterLength) {
    const Segment2D s{Point2D{{0, 0}}, Point2D{{3, 4}}};
    EXPECT_EQ(s.vertices()[0], (Point2D{{0, 0}}));
    EXPECT_EQ(s.vertices()[1], (Point2D{{3, 4}}));
    EXPECT_EQ(s.direction(), (Vector2D{{3, 4}}));
    EXPECT_EQ(s.barycenter(), (Point2D{{1.5, 2}}));
    EXPECT_DOUBLE_EQ(s.length(), 5);
    EXPECT_FALSE(s.is_degenerated());
    EXPECT_THROW(Segment2D{}.normalized_direction(), VelmoraGeometryException);
}

TEST(Triangle, SmallestEdgeIndex) {
    struct Case {
        Point2D p0, p1, p2;
        local_index_t expected;
    };
    const Case cases[] = {
        // edge 0 = p0 p1, edge 1 = p1 p2, edge 2 = p2 p0
        {Point2D{{0, 0}}, Point2D{{1, 0}}, Point2D{{0, 3}}, 0},
        {Point2D{{0, 0}}, Point2D{{4, 0}}, Point2D{{4, 1}}, 1},
        {Point2D{{0, 0}}, Point2D{{4, 0}}, Point2D{{0.5, 0.5}}, 2},
        // Equilateral-like ties: lowest index wins.
        {Point2D{{0, 0}}, Point2D{{1, 0}}, Point2D{{1, 1}}, 0},
        // A NaN vertex makes two lengths NaN: the only finite one wins.
        {Point2D{{0, 0}}, Point2D{{1, 0}}, Point2D{{nan, 1}}, 0},
        {Point2D{{nan, 0}}, Point2D{{1, 0}}, Point2D{{2, 1}}, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Triangle2D(c.p0, c.p1, c.p2).smallest_edge_index(), c.expected)
            << c.p0.string() << " / " << c.p1.string() << " / " << c.p2.string();
    }
    const Triangle2D t{Point2D{{0, 0}}, Point2D{{3, 0}}, Point2D{{0, 3}}};
    EXPECT_EQ(t.edge(2).vertex(0), t.vertex(2));
    EXPECT_EQ(t.edge(2).vertex(1), t.vertex(0));
    EXPECT_EQ(t.barycenter(), (Point2D{{1, 1}}));
}

TEST(BoundingBox, AddContainIntersect) {
    BoundingBox2D box;
    EXPECT_FALSE(box.is_valid());
    EXPECT_FALSE(box.contains(Point2D{{0, 0}}));
    box.add_point(Point2D{{0, 0}});
    box.add_point(Point2D{{2, 1}});
    EXPECT_TRUE(box.is_valid());
    EXPECT_EQ(box.min(), (Point2D{{0, 0}}));
    EXPECT_EQ(box.max(), (Point2D{{2, 1}}));
    EXPECT_TRUE(box.contains(Point2D{{2, 1}}));
    EXPECT_FALSE(box.contains(Point2D{{2 + 1e-7, 1}}));
    EXPECT_TRUE(box.epsilon_contains(Point2D{{2 + 1e-7, 1}}));
    EXPECT_FALSE(box.epsilon_contains(Point2D{{2 + 1e-5, 1}}));

    BoundingBox2D other{Point2D{{2, 1}}, Point2D{{3, 3}}};
    EXPECT_TRUE(box.intersects(other));  // touching corner
    BoundingBox2D apart{Point2D{{2 + 1e-7, 0}}, Point2D{{3, 3}}};
    EXPECT_FALSE(box.intersects(apart));
    EXPECT_TRUE(box.epsilon_intersects(apart));
    EXPECT_FALSE(box.intersects(BoundingBox2D{}));

    box.add_box(other);
    EXPECT_EQ(box.max(), (Point2D{{3, 3}}));
    box.add_box(BoundingBox2D{});
    EXPECT_EQ(box.max(), (Point2D{{3, 3}}));
    EXPECT_DOUBLE_EQ(box.distance(Point2D{{6, 7}}), 5);
    EXPECT_DOUBLE_EQ(box.distance(Point2D{{1, 1}}), 0);
}

TEST(BoundingBox, EpsilonIntersectsSegment) {
    const BoundingBox2D box{Point2D{{0, 0}}, Point2D{{1, 1}}};
    struct Case {
        Point2D a, b;
        bool expected;
        const char* what;
    };
    const double e = GLOBAL_EPSILON;
    const Case cases[] = {
        {Point2D{{-1, 0.5}}, Point2D{{2, 0.5}}, true, "crossing"},
        {Point2D{{0.2, 0.2}}, Point2D{{0.3, 0.4}}, true, "inside"},
        {Point2D{{-1, -1}}, Point2D{{0, 0}}, true, "ending at a corner"},
        {Point2D{{-1, 1}}, Point2D{{1, -1}}, true, "touching a corner diagonally"},
        // Lines x + y = 2 + c pass the corner (1, 1) at c / sqrt(2); the grown box
        // reaches c = 2 epsilon.
        {Point2D{{-1, 3 + 3 * e}}, Point2D{{3 + 3 * e, -1}}, false,
         "passing the corner diagonally, beyond epsilon"},
        {Point2D{{-1, 3 + 0.5 * e}}, Point2D{{3 + 0.5 * e, -1}}, true,
         "passing the corner within epsilon"},
        {Point2D{{-1, 1 + 0.5 * e}}, Point2D{{2, 1 + 0.5 * e}}, true, "grazing the top"},
        {Point2D{{-1, 1 + 2 * e}}, Point2D{{2, 1 + 2 * e}}, false, "above the top"},
        {Point2D{{2, 2}}, Point2D{{3, 0}}, false, "disjoint, overlapping extents"},
        {Point2D{{-0.5, 1.5}}, Point2D{{0.5, 2.5}}, false, "near, line misses"},
        {Point2D{{0.5, 0.5}}, Point2D{{0.5, 0.5}}, true, "degenerate inside"},
        {Point2D{{1.5, 0.5}}, Point2D{{1.5, 0.5}}, false, "degenerate outside"},
        {Point2D{{nan, 0.5}}, Point2D{{0.5, 0.5}}, false, "NaN vertex"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(box.epsilon_intersects(Segment2D{c.a, c.b}), c.expected) << c.what;
        EXPECT_EQ(box.epsilon_intersects(Segment2D{c.b, c.a}), c.expected) << c.what;
    }
    EXPECT_FALSE(BoundingBox2D{}.epsilon_intersects(
        Segment2D{Point2D{{-1, -1}}, Point2D{{1, 1}}}));
    // Exact variant: a segment through the corner point only.
    EXPECT_TRUE(box.intersects(Segment2D{Point2D{{-1, 3}}, Point2D{{3, -1}}}));
    EXPECT_FALSE(box.intersects(Segment2D{Point2D{{-1, 3}}, Point2D{{3, -1 + 1e-12}}}));
    EXPECT_TRUE(
        box.epsilon_intersects(Segment2D{Point2D{{-1, 3}}, Point2D{{3, -1 + 1e-12}}}));
}

// Reference for the segment-box test: the separating-axis test with exact corner signs
// only, no floating-point shortcut.
bool reference_intersects(const BoundingBox2D& box, const Segment2D& s) {
    const Point2D& p = s.vertex(0);
    const Point2D& q = s.vertex(1);
    for (index_t i = 0; i < 2; ++i) {
        if (std::max(p.value(i), q.value(i)) < box.min().value(i) ||
            std::min(p.value(i), q.value(i)) > box.max().value(i)) {
            return false;
        }
    }
    const Point2D corners[4] = {
        box.min(), Point2D{{box.max().value(0), box.min().value(1)}}, box.max(),
        Point2D{{box.min().value(0), box.max().value(1)}}};
    bool positive = false, negative = false;
    for (const auto& c : corners) {
        const SIDE side = orient2d(p, q, c);
        if (side == SIDE::zero)
            return true;
        (side == SIDE::positive ? positive : negative) = true;
    }
    return positive && negative;
}

// Segments through a box corner, moved by a few ulps, at several scales: the quick
// floating-point decision must agree with the exact one.
TEST(BoundingBox, SegmentTestIsExactNearCorners) {
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> ulps(-2, 2);
    int touching = 0, missing = 0;
    for (const double scale : {1e-8, 1., 1e6, 1e12}) {
        for (int trial = 0; trial < 3000; ++trial) {
            const Point2D lo{{unit(rng) * scale, unit(rng) * scale}};
            const Point2D hi = lo + Vector2D{{(unit(rng) + 1.5) * scale * 1e-3,
                                              (unit(rng) + 1.5) * scale * 1e-3}};
            const BoundingBox2D box{lo, hi};
            // Through a corner from a far point, then beyond it to the other side.
            const Point2D corner = trial % 2 == 0 ? hi : lo;
            const Point2D from{{corner.value(0) + unit(rng) * scale,
                                corner.value(1) + unit(rng) * scale}};
            Point2D to = corner + Vector2D{from, corner} * (0.5 + unit(rng) * 0.25);
            for (index_t i = 0; i < 2; ++i) {
                double v = to.value(i);
                for (int k = ulps(rng); k != 0; k += k > 0 ? -1 : 1) {
                    v = std::nextafter(v, k > 0 ? HUGE_VAL : -HUGE_VAL);
                }
                to.set_value(i, v);
            }
            const Segment2D s{from, to};
            const bool expected = reference_intersects(box, s);
            ASSERT_EQ(box.intersects(s), expected) << scale << " " << trial;
            (expected ? touching : missing)++;
        }
    }
    // Both answers occur, so the inputs sit on the fence.
    EXPECT_GT(touching, 100);
    EXPECT_GT(missing, 100);
}

TEST(BoundingBox, NaNPoisonsTheBox) {
    BoundingBox2D box{Point2D{{0, 0}}, Point2D{{1, 1}}};
    box.add_point(Point2D{{nan, 0.5}});
    box.add_point(Point2D{{5, 5}});
    EXPECT_FALSE(box.is_valid());
    EXPECT_FALSE(box.contains(Point2D{{0.5, 0.5}}));
    EXPECT_FALSE(box.epsilon_contains(Point2D{{0.5, 0.5}}));
    const BoundingBox2D unit{Point2D{{0, 0}}, Point2D{{1, 1}}};
    EXPECT_FALSE(box.intersects(unit));
    EXPECT_FALSE(unit.intersects(box));
    EXPECT_FALSE(
        box.epsilon_intersects(Segment2D{Point2D{{-1, 0.5}}, Point2D{{2, 0.5}}}));
    EXPECT_TRUE(std::isinf(box.distance(Point2D{{0, 0}})));
    BoundingBox2D merged = unit;
    merged.add_box(box);
    EXPECT_FALSE(merged.is_valid());
    EXPECT_FALSE(unit.contains(Point2D{{nan, 0.5}}));
    EXPECT_TRUE(std::isnan(unit.distance(Point2D{{nan, 0.5}})));
}

}  // namespace
}  // namespace orvane
