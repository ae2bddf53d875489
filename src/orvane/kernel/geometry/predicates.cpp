#include <orvane/kernel/geometry/predicates.hpp>

#include <array>
#include <cmath>
#include <cstdint>

// The exact path of orient2d.
//
// Expansion arithmetic (a number as a sum of non-overlapping doubles, each operation
// exact) evaluates det(a - c, b - c) without any rounding when the inputs are of
// moderate magnitude. Outside that range a product's rounding error can underflow or
// a product overflow, so there the six products of the expanded determinant are summed
// as wide integers instead. Both rely on IEEE round-to-nearest doubles and on the
// compiler not contracting a * b + c into a fused operation: the project compiles in
// ISO mode, where GCC and Clang keep contraction off.

namespace orvane {
namespace {

// s + e == a + b exactly, |e| <= ulp(s) / 2.
inline void two_sum(double a, double b, double& s, double& e) {
    s = a + b;
    const double bv = s - a;
    const double av = s - bv;
    e = (a - av) + (b - bv);
}

// d + e == a - b exactly.
inline void two_diff(double a, double b, double& d, double& e) {
    d = a - b;
    const double bv = a - d;
    const double av = d + bv;
    e = (a - av) + (bv - b);
}

// Veltkamp splitting: a == hi + lo, both halves of at most 26 significant bits.
inline void split(double a, double& hi, double& lo) {
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    const double c = splitter * a;
    const double big = c - a;
    hi = c - big;
    lo = a - hi;
}

// p + e == a * b exactly (Dekker), given no overflow and no underflow of e.
inline void two_product(double a, double b, double& p, double& e) {
    p = a * b;
    double ahi, alo, bhi, blo;
    split(a, ahi, alo);
    split(b, bhi, blo);
    const double err1 = p - ahi * bhi;
    const double err2 = err1 - alo * bhi;
    const double err3 = err2 - ahi * blo;
    e = alo * blo - err3;
}

// An expansion: components of increasing magnitude, non-overlapping, no zeros.
template <std::size_t capacity>
struct Expansion {
    std::array<double, capacity> components;
    std::size_t size{0};

    // this += b, exactly (grow-expansion with zero elimination).
    void add(double b) {
        if (b == 0) {
            return;
        }
        double q = b;
        std::size_t out = 0;
        for (std::size_t i = 0; i < size; ++i) {
            double h;
            two_sum(q, components[i], q, h);
            if (h != 0) {
                components[out++] = h;
            }
        }
        if (q != 0) {
            components[out++] = q;
        }
        size = out;
    }
    void add_product(double a, double b) {
        double p, e;
        two_product(a, b, p, e);
        add(e);
        add(p);
    }
    void subtract_product(double a, double b) { add_product(-a, b); }
    // The sign of the sum is the sign of its largest component.
    SIDE sign() const {
        if (size == 0) {
            return SIDE::zero;
        }
        return components[size - 1] > 0 ? SIDE::positive : SIDE::negative;
    }
};

SIDE orient2d_by_expansions(const Point2D& a, const Point2D& b, const Point2D& c) {
    double acx, acx_t, bcx, bcx_t, acy, acy_t, bcy, bcy_t;
    two_diff(a.value(0), c.value(0), acx, acx_t);
    two_diff(b.value(0), c.value(0), bcx, bcx_t);
    two_diff(a.value(1), c.value(1), acy, acy_t);
    two_diff(b.value(1), c.value(1), bcy, bcy_t);
    // det = (acx + acx_t)(bcy + bcy_t) - (acy + acy_t)(bcx + bcx_t): eight products,
    // each exact as two doubles, so at most sixteen components.
    Expansion<17> det;
    det.add_product(acx, bcy);
    det.subtract_product(acy, bcx);
    if (acx_t == 0 && bcx_t == 0 && acy_t == 0 && bcy_t == 0) {
        return det.sign();
    }
    det.add_product(acx, bcy_t);
    det.add_product(acx_t, bcy);
    det.add_product(acx_t, bcy_t);
    det.subtract_product(acy, bcx_t);
    det.subtract_product(acy_t, bcx);
    det.subtract_product(acy_t, bcx_t);
    return det.sign();
}

// A double as mantissa * 2^exponent with an integer mantissa of at most 53 bits.
struct Scaled {
    std::int64_t mantissa{0};
    int exponent{0};
};

Scaled decompose(double x) {
    if (x == 0) {
        return {};
    }
    int e = 0;
    const double f = std::frexp(x, &e);  // x = f * 2^e, 0.5 <= |f| < 1
    return {static_cast<std::int64_t>(std::ldexp(f, 53)), e - 53};
}

// A non-negative integer of fixed width, little-endian 64-bit words. Wide enough for
// any product of two doubles taken relative to the smallest one: exponents span
// [-2 * 1127, 2 * 971] plus the 106 bits of a product and carries.
class WideUnsigned {
public:
    static constexpr int nb_words = 72;

    void add_shifted(unsigned __int128 value, int shift) {
        const int word = shift / 64;
        const int bit = shift % 64;
        // value << bit spans up to three words.
        const std::uint64_t lo = static_cast<std::uint64_t>(value);
        const std::uint64_t hi = static_cast<std::uint64_t>(value >> 64);
        std::uint64_t parts[3];
        if (bit == 0) {
            parts[0] = lo;
            parts[1] = hi;
            parts[2] = 0;
        } else {
            parts[0] = lo << bit;
            parts[1] = (hi << bit) | (lo >> (64 - bit));
            parts[2] = hi >> (64 - bit);
        }
        std::uint64_t carry = 0;
        for (int i = word; i < nb_words; ++i) {
            const std::uint64_t add = i - word < 3 ? parts[i - word] : 0;
            if (i - word >= 3 && carry == 0) {
                break;
            }
            const unsigned __int128 sum =
                static_cast<unsigned __int128>(words_[i]) + add + carry;
            words_[i] = static_cast<std::uint64_t>(sum);
            carry = static_cast<std::uint64_t>(sum >> 64);
        }
    }

    // -1, 0 or 1 as this is smaller than, equal to or larger than other.
    int compare(const WideUnsigned& other) const {
        for (int i = nb_words - 1; i >= 0; --i) {
            if (words_[i] != other.words_[i]) {
                return words_[i] < other.words_[i] ? -1 : 1;
            }
        }
        return 0;
    }

private:
    std::array<std::uint64_t, nb_words> words_{};
};

SIDE orient2d_by_wide_integers(const Point2D& a, const Point2D& b, const Point2D& c) {
    // det(a - c, b - c) = ax by - ax cy - ay bx + ay cx + bx cy - by cx
    const Scaled ax = decompose(a.value(0)), ay = decompose(a.value(1));
    const Scaled bx = decompose(b.value(0)), by = decompose(b.value(1));
    const Scaled cx = decompose(c.value(0)), cy = decompose(c.value(1));
    struct Term {
        __int128 mantissa;
        int exponent;
    };
    const auto product = [](const Scaled& u, const Scaled& v, int sign) {
        return Term{static_cast<__int128>(u.mantissa) * v.mantissa * sign,
                    u.exponent + v.exponent};
    };
    const std::array<Term, 6> terms{{product(ax, by, 1), product(ax, cy, -1),
                                     product(ay, bx, -1), product(ay, cx, 1),
                                     product(bx, cy, 1), product(by, cx, -1)}};
    int min_exponent = 0;
    bool any = false;
    for (const auto& t : terms) {
        if (t.mantissa != 0 && (!any || t.exponent < min_exponent)) {
            min_exponent = t.exponent;
            any = true;
        }
    }
    if (!any) {
        return SIDE::zero;
    }
    WideUnsigned positive, negative;
    for (const auto& t : terms) {
        if (t.mantissa == 0) {
            continue;
        }
        const int shift = t.exponent - min_exponent;
        if (t.mantissa > 0) {
            positive.add_shifted(static_cast<unsigned __int128>(t.mantissa), shift);
        } else {
            negative.add_shifted(static_cast<unsigned __int128>(-t.mantissa), shift);
        }
    }
    const int cmp = positive.compare(negative);
    return cmp > 0 ? SIDE::positive : cmp < 0 ? SIDE::negative : SIDE::zero;
}

// Expansions are exact when no product error term underflows and nothing overflows:
// every non-zero input between 2^-450 and 2^450 in magnitude guarantees it (the lowest
// bit of any input or difference is then at least 2^-503, of any product at least
// 2^-1006, and no sum exceeds 2^904).
bool in_expansion_range(double x) {
    const double m = std::fabs(x);
    return m == 0 || (m >= 0x1p-450 && m <= 0x1p450);
}

bool is_collinear_between(double lo_bound, double v, double hi_bound) {
    return (lo_bound < v && v < hi_bound) || (hi_bound < v && v < lo_bound);
}

}  // namespace

namespace internal {

SIDE orient2d_exact(const Point2D& a, const Point2D& b, const Point2D& c) {
    for (const auto* p : {&a, &b, &c}) {
        if (!p->is_finite()) {
            return SIDE::zero;
        }
    }
    for (const auto* p : {&a, &b, &c}) {
        if (!in_expansion_range(p->value(0)) || !in_expansion_range(p->value(1))) {
            return orient2d_by_wide_integers(a, b, c);
        }
    }
    return orient2d_by_expansions(a, b, c);
}

}  // namespace internal

POSITION point_segment_position(const Point2D& point, const Segment2D& segment) {
    const Point2D& v0 = segment.vertex(0);
    const Point2D& v1 = segment.vertex(1);
    if (!point.is_finite() || !v0.is_finite() || !v1.is_finite()) {
        return POSITION::outside;
    }
    if (point == v0) {
        return POSITION::vertex0;
    }
    if (v0 == v1) {
        return POSITION::outside;
    }
    if (point == v1) {
        return POSITION::vertex1;
    }
    if (orient2d(v0, v1, point) != SIDE::zero) {
        return POSITION::outside;
    }
    // On the line: along a non-vertical line x is strictly monotone, so comparing one
    // coordinate exactly decides "between".
    const index_t axis = v0.value(0) != v1.value(0) ? 0 : 1;
    return is_collinear_between(v0.value(axis), point.value(axis), v1.value(axis))
               ? POSITION::inside
               : POSITION::outside;
}

POSITION point_triangle_position(const Point2D& point, const Triangle2D& triangle) {
    if (!point.is_finite()) {
        return POSITION::outside;
    }
    for (local_index_t v = 0; v < 3; ++v) {
        if (!triangle.vertex(v).is_finite()) {
            return POSITION::outside;
        }
    }
    const SIDE orientation = triangle_area_sign(triangle);
    if (orientation == SIDE::zero) {
        for (local_index_t v = 0; v < 3; ++v) {
            if (point == triangle.vertex(v)) {
                return vertex_position(v);
            }
        }
        for (local_index_t e = 0; e < 3; ++e) {
            if (point_segment_position(point, triangle.edge(e)) == POSITION::inside) {
                return edge_position(e);
            }
        }
        return POSITION::outside;
    }
    std::array<SIDE, 3> sides;
    local_index_t nb_zeros = 0;
    for (local_index_t e = 0; e < 3; ++e) {
        sides[e] = orient2d(triangle.vertex(e), triangle.vertex((e + 1) % 3), point);
        if (sides[e] == SIDE::zero) {
            ++nb_zeros;
        } else if (sides[e] != orientation) {
            return POSITION::outside;
        }
    }
    if (nb_zeros == 0) {
        return POSITION::inside;
    }
    if (nb_zeros == 1) {
        for (local_index_t e = 0; e < 3; ++e) {
            if (sides[e] == SIDE::zero) {
                return edge_position(e);
            }
        }
    }
    // Two lines through the point: it is the vertex the two edges share, the end of
    // edge e when e and e + 1 both vanish.
    for (local_index_t e = 0; e < 3; ++e) {
        if (sides[e] == SIDE::zero && sides[(e + 1) % 3] == SIDE::zero) {
            return vertex_position((e + 1) % 3);
        }
    }
    return POSITION::outside;
}

}  // namespace orvane
