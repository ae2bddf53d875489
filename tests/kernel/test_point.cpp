#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/geometry/point.hpp>

namespace orvane {
namespace {

TEST(Point, ArithmeticAndInexactEqual) {
    const Point2D a{{1.0, 2.0}};
    const Point2D b{{3.0, -1.0}};
    EXPECT_EQ(a + b, (Point2D{{4.0, 1.0}}));
    EXPECT_EQ(b - a, (Point2D{{2.0, -3.0}}));
    EXPECT_EQ(a * 2.0, (Point2D{{2.0, 4.0}}));
    EXPECT_EQ((a + b) / 2.0, (Point2D{{2.0, 0.5}}));
    EXPECT_TRUE(a.inexact_equal(Point2D{{1.0 + 5e-7, 2.0}}));
    EXPECT_FALSE(a.inexact_equal(Point2D{{1.0 + 2e-6, 2.0}}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(a.inexact_equal(Point2D{{nan, 2.0}}));
}

TEST(VelmoraException, MessageKindAndParentChain) {
    VelmoraBasicException e{"[Test] value ", 3, " of ", 4.5};
    EXPECT_STREQ(e.what(), "[Test] value 3 of 4.5");
    EXPECT_EQ(e.project(), "Velmora");
    EXPECT_EQ(e.library(), "Basic");
    EXPECT_FALSE(e.has_parent());
    e.set_parent(VelmoraBasicException{"inner"});
    ASSERT_NE(e.parent(), nullptr);
    EXPECT_STREQ(e.parent()->what(), "inner");
    const VelmoraBasicException copy = e;
    EXPECT_STREQ(copy.parent()->what(), "inner");
}

}  // namespace
}  // namespace orvane
