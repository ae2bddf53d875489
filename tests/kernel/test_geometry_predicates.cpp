#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include <orvane/kernel/geometry/predicates.hpp>

namespace orvane {
namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

// Reference: a plain signed big integer (sign and magnitude, 32-bit limbs). Every
// finite double is an integer multiple of a common power of two, so scaling all six
// coordinates by it turns the determinant into integer arithmetic, evaluated here in
// the difference form, independently of the library's code.
class BigInt {
public:
    BigInt() = default;
    // |mantissa| << shift, with the sign of mantissa.
    BigInt(std::int64_t mantissa, int shift) {
        negative_ = mantissa < 0;
        std::uint64_t m = mantissa < 0 ? static_cast<std::uint64_t>(-mantissa)
                                       : static_cast<std::uint64_t>(mantissa);
        limbs_.assign(static_cast<std::size_t>(shift / 32) + 3, 0);
        const int bit = shift % 32;
        const unsigned __int128 v = static_cast<unsigned __int128>(m) << bit;
        for (int i = 0; i < 3; ++i) {
            limbs_[shift / 32 + i] = static_cast<std::uint32_t>(v >> (32 * i));
        }
        trim();
    }
    int sign() const { return limbs_.empty() ? 0 : (negative_ ? -1 : 1); }

    friend BigInt operator-(const BigInt& a, const BigInt& b) {
        BigInt nb = b;
        nb.negative_ = !b.negative_;
        return a + nb;
    }
    friend BigInt operator+(const BigInt& a, const BigInt& b) {
        if (a.negative_ == b.negative_) {
            BigInt r = add_magnitudes(a, b);
            r.negative_ = a.negative_;
            r.trim();
            return r;
        }
        const int cmp = compare_magnitudes(a, b);
        if (cmp == 0) {
            return BigInt{};
        }
        BigInt r = cmp > 0 ? subtract_magnitudes(a, b) : subtract_magnitudes(b, a);
        r.negative_ = cmp > 0 ? a.negative_ : b.negative_;
        r.trim();
        return r;
    }
    friend BigInt operator*(const BigInt& a, const BigInt& b) {
        BigInt r;
        if (a.limbs_.empty() || b.limbs_.empty()) {
            return r;
        }
        r.limbs_.assign(a.limbs_.size() + b.limbs_.size(), 0);
        for (std::size_t i = 0; i < a.limbs_.size(); ++i) {
            std::uint64_t carry = 0;
            for (std::size_t j = 0; j < b.limbs_.size(); ++j) {
                const std::uint64_t cur =
                    r.limbs_[i + j] +
                    static_cast<std::uint64_t>(a.limbs_[i]) * b.limbs_[j] + carry;
                r.limbs_[i + j] = static_cast<std::uint32_t>(cur);
                carry = cur >> 32;
            }
            r.limbs_[i + b.limbs_.size()] += static_cast<std::uint32_t>(carry);
        }
        r.negative_ = a.negative_ != b.negative_;
        r.trim();
        return r;
    }

private:
    void trim() {
        while (!limbs_.empty() && limbs_.back() == 0)
            limbs_.pop_back();
        if (limbs_.empty())
            negative_ = false;
    }
    static int compare_magnitudes(const BigInt& a, const BigInt& b) {
        if (a.limbs_.size() != b.limbs_.size()) {
            return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
        }
        for (std::size_t i = a.limbs_.size(); i-- > 0;) {
            if (a.limbs_[i] != b.limbs_[i])
                return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
        }
        return 0;
    }
    static BigInt add_magnitudes(const BigInt& a, const BigInt& b) {
        BigInt r;
        r.limbs_.assign(std::max(a.limbs_.size(), b.limbs_.size()) + 1, 0);
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < r.limbs_.size(); ++i) {
            const std::uint64_t cur = carry + (i < a.limbs_.size() ? a.limbs_[i] : 0) +
                                      (i < b.limbs_.size() ? b.limbs_[i] : 0);
            r.limbs_[i] = static_cast<std::uint32_t>(cur);
            carry = cur >> 32;
        }
        return r;
    }
    // |a| - |b| for |a| > |b|.
    static BigInt subtract_magnitudes(const BigInt& a, const BigInt& b) {
        BigInt r;
        r.limbs_ = a.limbs_;
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < r.limbs_.size(); ++i) {
            std::int64_t cur = static_cast<std::int64_t>(r.limbs_[i]) - borrow -
                               (i < b.limbs_.size() ? b.limbs_[i] : 0);
            borrow = cur < 0 ? 1 : 0;
            if (cur < 0)
                cur += std::int64_t{1} << 32;
            r.limbs_[i] = static_cast<std::uint32_t>(cur);
        }
        return r;
    }

    bool negative_{false};
    std::vector<std::uint32_t> limbs_;
};

SIDE reference_orient2d(const Point2D& a, const Point2D& b, const Point2D& c) {
    const double coords[6] = {a.value(0), a.value(1), b.value(0),
                              b.value(1), c.value(0), c.value(1)};
    // x = m 2^e with an integer m of at most 53 bits.
    int min_exponent = std::numeric_limits<int>::max();
    std::int64_t mantissas[6];
    int exponents[6];
    for (int i = 0; i < 6; ++i) {
        int e = 0;
        const double f = std::frexp(coords[i], &e);
        mantissas[i] = static_cast<std::int64_t>(std::ldexp(f, 53));
        exponents[i] = e - 53;
        if (mantissas[i] != 0)
            min_exponent = std::min(min_exponent, exponents[i]);
    }
    BigInt v[6];
    for (int i = 0; i < 6; ++i) {
        v[i] = mantissas[i] == 0 ? BigInt{}
                                 : BigInt{mantissas[i], exponents[i] - min_exponent};
    }
    const BigInt det = (v[0] - v[4]) * (v[3] - v[5]) - (v[1] - v[5]) * (v[2] - v[4]);
    const int s = det.sign();
    return s > 0 ? SIDE::positive : s < 0 ? SIDE::negative : SIDE::zero;
}

SIDE naive_orient2d(const Point2D& a, const Point2D& b, const Point2D& c) {
    const double det = (a.value(0) - c.value(0)) * (b.value(1) - c.value(1)) -
                       (a.value(1) - c.value(1)) * (b.value(0) - c.value(0));
    return det > 0 ? SIDE::positive : det < 0 ? SIDE::negative : SIDE::zero;
}

void expect_exact(const Point2D& a, const Point2D& b, const Point2D& c) {
    const SIDE expected = reference_orient2d(a, b, c);
    ASSERT_EQ(orient2d(a, b, c), expected)
        << a.string() << " | " << b.string() << " | " << c.string();
    // Cyclic shifts keep the sign, a swap flips it.
    ASSERT_EQ(orient2d(b, c, a), expected);
    ASSERT_EQ(orient2d(b, a, c), opposite_side(expected));
}

TEST(Orient2d, ReferenceSanity) {
    const Point2D o{{0, 0}}, x{{1, 0}}, y{{0, 1}};
    EXPECT_EQ(reference_orient2d(o, x, y), SIDE::positive);
    EXPECT_EQ(reference_orient2d(o, y, x), SIDE::negative);
    EXPECT_EQ(reference_orient2d(o, x, Point2D{{2, 0}}), SIDE::zero);
    EXPECT_EQ(orient2d(o, x, y), SIDE::positive);
    EXPECT_EQ(triangle_area_sign(Triangle2D{o, y, x}), SIDE::negative);
    EXPECT_EQ(triangle_area_sign(Triangle2D{o, x, Point2D{{-3, 0}}}), SIDE::zero);
}

// The classic failure of the naive determinant: p = (0.5 + i u, 0.5 + j u) against
// the line through (12, 12) and (24, 24), for a grid of ulps u around 0.5.
TEST(Orient2d, GridOfUlpsAroundNearlyCollinearTriple) {
    const Point2D q{{12, 12}}, r{{24, 24}};
    const double u = std::ldexp(1.0, -53);
    int naive_mistakes = 0;
    for (int i = 0; i < 256; ++i) {
        for (int j = 0; j < 256; ++j) {
            const Point2D p{{0.5 + i * u, 0.5 + j * u}};
            const SIDE expected = reference_orient2d(p, q, r);
            ASSERT_EQ(orient2d(p, q, r), expected) << i << " " << j;
            ASSERT_EQ(orient2d(q, r, p), expected) << i << " " << j;
            if (naive_orient2d(p, q, r) != expected)
                ++naive_mistakes;
        }
    }
    // The inputs are adversarial only if plain doubles get them wrong.
    EXPECT_GT(naive_mistakes, 0);
}

// Points on y = x, exactly collinear, at magnitudes from denormal to huge, then moved
// by one ulp along one coordinate.
TEST(Orient2d, CollinearUpToTheLastBitAndOneUlpOff) {
    const double magnitudes[] = {1e-310, 1e-200, 1e-20, 0.1, 1, 3.7, 1e15, 1e200, 1e300};
    for (const double m : magnitudes) {
        const Point2D a{{-m, -m}}, b{{m / 3, m / 3}}, c{{m * 0.7, m * 0.7}};
        EXPECT_EQ(orient2d(a, b, c), SIDE::zero) << m;
        EXPECT_EQ(orient2d(a, c, b), SIDE::zero) << m;
        const double up = std::nextafter(c.value(1), inf);
        const double down = std::nextafter(c.value(1), -inf);
        // Above the line y = x is left of a -> c.
        EXPECT_EQ(orient2d(a, c, Point2D{{b.value(0), std::nextafter(b.value(1), inf)}}),
                  SIDE::positive)
            << m;
        EXPECT_EQ(orient2d(a, b, Point2D{{c.value(0), up}}), SIDE::positive) << m;
        EXPECT_EQ(orient2d(a, b, Point2D{{c.value(0), down}}), SIDE::negative) << m;
    }
}

// Lines of irrational-looking slope: c is the rounded point of the line at a
// parameter, then moved by a few ulps around it; the reference decides every sign.
TEST(Orient2d, NearlyCollinearAgainstReference) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> exponent(-60, 60);
    std::uniform_int_distribution<int> ulps(-3, 3);
    for (int trial = 0; trial < 4000; ++trial) {
        const double scale = std::ldexp(1.0, exponent(rng));
        const Point2D a{{unit(rng) * scale, unit(rng) * scale}};
        const Point2D b{{unit(rng) * scale, unit(rng) * scale}};
        const double t = unit(rng) * 3;
        Point2D c = a + (b - a) * t;
        for (index_t i = 0; i < 2; ++i) {
            double v = c.value(i);
            for (int k = ulps(rng); k != 0; k += k > 0 ? -1 : 1) {
                v = std::nextafter(v, k > 0 ? inf : -inf);
            }
            c.set_value(i, v);
        }
        expect_exact(a, b, c);
    }
}

// Integer inputs up to 2^52: the determinant fits in 128 bits, a second reference.
TEST(Orient2d, IntegerInputsAgainstInt128) {
    std::mt19937_64 rng(11);
    std::uniform_int_distribution<std::int64_t> coord(-(std::int64_t{1} << 52),
                                                      std::int64_t{1} << 52);
    std::uniform_int_distribution<int> offset(-2, 2);
    for (int trial = 0; trial < 4000; ++trial) {
        const std::int64_t ax = coord(rng), ay = coord(rng);
        const std::int64_t dx = coord(rng) / 1024, dy = coord(rng) / 1024;
        const std::int64_t k = 1 + trial % 7;
        // c = a + k (dx, dy) + small offset, b = a + (dx, dy): nearly collinear.
        const std::int64_t bx = ax + dx, by = ay + dy;
        const std::int64_t cx = ax + k * dx + offset(rng), cy = ay + k * dy + offset(rng);
        const __int128 det = static_cast<__int128>(ax - cx) * (by - cy) -
                             static_cast<__int128>(ay - cy) * (bx - cx);
        const SIDE expected = det > 0   ? SIDE::positive
                              : det < 0 ? SIDE::negative
                                        : SIDE::zero;
        const Point2D a{{static_cast<double>(ax), static_cast<double>(ay)}};
        const Point2D b{{static_cast<double>(bx), static_cast<double>(by)}};
        const Point2D c{{static_cast<double>(cx), static_cast<double>(cy)}};
        ASSERT_EQ(orient2d(a, b, c), expected) << trial;
    }
}

// Extreme and mixed exponents: products that overflow or whose rounding errors
// underflow, which only the wide-integer path gets right.
TEST(Orient2d, ExtremeMagnitudesAgainstReference) {
    const double big = std::numeric_limits<double>::max();
    const double tiny = std::numeric_limits<double>::denorm_min();
    const double small = std::numeric_limits<double>::min();
    struct Triple {
        Point2D a, b, c;
    };
    const Triple triples[] = {
        {Point2D{{big, big}}, Point2D{{-big, -big}}, Point2D{{0, 0}}},
        {Point2D{{big, big}}, Point2D{{-big, -big}}, Point2D{{0, tiny}}},
        {Point2D{{big, big / 2}}, Point2D{{-big, -big / 2}}, Point2D{{1, 0.5}}},
        {Point2D{{big, std::nextafter(big / 2, 0.)}}, Point2D{{-big, -big / 2}},
         Point2D{{0, 0}}},
        {Point2D{{tiny, 0}}, Point2D{{0, tiny}}, Point2D{{tiny, tiny}}},
        {Point2D{{tiny, tiny}}, Point2D{{2 * tiny, 2 * tiny}},
         Point2D{{3 * tiny, 3 * tiny}}},
        {Point2D{{small, small * 3}}, Point2D{{small * 5, small * 7}},
         Point2D{{small * 2, small * 4}}},
        {Point2D{{1e-300, 1e-300}}, Point2D{{1e300, 1e300}}, Point2D{{1, 1}}},
        {Point2D{{1e-300, 1e-300}}, Point2D{{1e300, 1e300}},
         Point2D{{1, std::nextafter(1., 2.)}}},
        {Point2D{{1e-320, 0}}, Point2D{{1e300, 1e-300}}, Point2D{{1, 1e-310}}},
        {Point2D{{0x1p-500, 0x1p-500}}, Point2D{{0x1p500, 0x1p500}},
         Point2D{{0x1p-500 + 0x1p-552, 0x1p-500}}},
    };
    for (const auto& t : triples) {
        expect_exact(t.a, t.b, t.c);
    }
    // Random exponents over the whole range, with collinear-ish third points.
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<int> exponent(-1070, 1020);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (int trial = 0; trial < 3000; ++trial) {
        Point2D p[3];
        for (auto& q : p) {
            q = Point2D{{std::ldexp(unit(rng), exponent(rng)),
                         std::ldexp(unit(rng), exponent(rng))}};
        }
        if (trial % 2 == 0) {
            p[2] = Point2D{{p[0].value(0) * 0.5 + p[1].value(0) * 0.5,
                            p[0].value(1) * 0.5 + p[1].value(1) * 0.5}};
        }
        expect_exact(p[0], p[1], p[2]);
    }
}

TEST(Orient2d, NaNAndInfinityAreDegenerate) {
    const Point2D o{{0, 0}}, x{{1, 0}};
    EXPECT_EQ(orient2d(o, x, Point2D{{nan, 1}}), SIDE::zero);
    EXPECT_EQ(orient2d(Point2D{{0, nan}}, x, Point2D{{0, 1}}), SIDE::zero);
    EXPECT_EQ(orient2d(o, x, Point2D{{0, inf}}), SIDE::zero);
    EXPECT_EQ(orient2d(o, Point2D{{-inf, 3}}, Point2D{{0, 1}}), SIDE::zero);
}

TEST(PointSegmentPosition, Table) {
    const Segment2D s{Point2D{{0, 0}}, Point2D{{3, 1}}};
    struct Case {
        Point2D p;
        POSITION expected;
    };
    const double third = 1.0 / 3.0;  // not representable: (1, 1/3) is off the line
    const Case cases[] = {
        {Point2D{{0, 0}}, POSITION::vertex0},
        {Point2D{{3, 1}}, POSITION::vertex1},
        {Point2D{{1.5, 0.5}}, POSITION::inside},
        {Point2D{{1, third}}, POSITION::outside},
        {Point2D{{6, 2}}, POSITION::outside},
        {Point2D{{-3, -1}}, POSITION::outside},
        {Point2D{{1.5, std::nextafter(0.5, 1.)}}, POSITION::outside},
        {Point2D{{nan, 0.5}}, POSITION::outside},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(point_segment_position(c.p, s), c.expected) << c.p.string();
    }
    const Segment2D vertical{Point2D{{1, 0}}, Point2D{{1, 2}}};
    EXPECT_EQ(point_segment_position(Point2D{{1, 1}}, vertical), POSITION::inside);
    EXPECT_EQ(point_segment_position(Point2D{{1, 3}}, vertical), POSITION::outside);
    const Segment2D point{Point2D{{1, 1}}, Point2D{{1, 1}}};
    EXPECT_EQ(point_segment_position(Point2D{{1, 1}}, point), POSITION::vertex0);
    EXPECT_EQ(point_segment_position(Point2D{{1, 2}}, point), POSITION::outside);
}

TEST(PointTrianglePosition, TableInBothOrientations) {
    const Point2D v0{{0, 0}}, v1{{4, 0}}, v2{{0, 4}};
    struct Case {
        Point2D p;
        POSITION ccw;  // for (v0, v1, v2)
        POSITION cw;   // for (v0, v2, v1): edges 0 = v0v2, 1 = v2v1, 2 = v1v0
    };
    const Case cases[] = {
        {Point2D{{1, 1}}, POSITION::inside, POSITION::inside},
        {Point2D{{2, 0}}, POSITION::edge0, POSITION::edge2},
        {Point2D{{2, 2}}, POSITION::edge1, POSITION::edge1},
        {Point2D{{0, 2}}, POSITION::edge2, POSITION::edge0},
        {v0, POSITION::vertex0, POSITION::vertex0},
        {v1, POSITION::vertex1, POSITION::vertex2},
        {v2, POSITION::vertex2, POSITION::vertex1},
        {Point2D{{2, -1e-300}}, POSITION::outside, POSITION::outside},
        {Point2D{{2, 1e-300}}, POSITION::inside, POSITION::inside},
        {Point2D{{2, std::nextafter(2., 3.)}}, POSITION::outside, POSITION::outside},
        {Point2D{{2, std::nextafter(2., 1.)}}, POSITION::inside, POSITION::inside},
        {Point2D{{5, 0}}, POSITION::outside, POSITION::outside},
        {Point2D{{3, 3}}, POSITION::outside, POSITION::outside},
        {Point2D{{nan, 1}}, POSITION::outside, POSITION::outside},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(point_triangle_position(c.p, Triangle2D{v0, v1, v2}), c.ccw)
            << c.p.string();
        EXPECT_EQ(point_triangle_position(c.p, Triangle2D{v0, v2, v1}), c.cw)
            << c.p.string();
    }
    EXPECT_EQ(
        point_triangle_position(Point2D{{1, 1}}, Triangle2D{v0, Point2D{{nan, 0}}, v2}),
        POSITION::outside);
}

TEST(PointTrianglePosition, DegenerateTriangleHasNoInterior) {
    // Flat triangle: v2 between v0 and v1. Edge 0 (v0 v1) covers everything, it is
    // the first edge whose open interior holds the point.
    const Triangle2D flat{Point2D{{0, 0}}, Point2D{{4, 4}}, Point2D{{1, 1}}};
    EXPECT_EQ(point_triangle_position(Point2D{{0.5, 0.5}}, flat), POSITION::edge0);
    EXPECT_EQ(point_triangle_position(Point2D{{1, 1}}, flat), POSITION::vertex2);
    EXPECT_EQ(point_triangle_position(Point2D{{4, 4}}, flat), POSITION::vertex1);
    EXPECT_EQ(point_triangle_position(Point2D{{5, 5}}, flat), POSITION::outside);
    EXPECT_EQ(point_triangle_position(Point2D{{1, 2}}, flat), POSITION::outside);
    // Two equal vertices: edge 0 is a point, edge 1 runs to v2.
    const Triangle2D pinched{Point2D{{0, 0}}, Point2D{{0, 0}}, Point2D{{2, 0}}};
    EXPECT_EQ(point_triangle_position(Point2D{{1, 0}}, pinched), POSITION::edge1);
    EXPECT_EQ(point_triangle_position(Point2D{{0, 0}}, pinched), POSITION::vertex0);
}

}  // namespace
}  // namespace orvane
