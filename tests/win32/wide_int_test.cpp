// WideInteger against the compiler's __int128: the operations the mixer's boundary search and
// ping-pong reflection use, on edge values and on a seeded random sweep.
#include "mixer/wide_int.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#ifdef __SIZEOF_INT128__

namespace {

using S = WideInteger<true>;
using U = WideInteger<false>;
using I128 = __int128;
using U128 = unsigned __int128;

void expect_same(S w, I128 ref, const char* what) {
    const U128 bits = U128(ref);
    EXPECT_EQ(w.high(), uint64_t(bits >> 64)) << what;
    EXPECT_EQ(w.low(), uint64_t(bits)) << what;
}

void expect_same(U w, U128 ref, const char* what) {
    EXPECT_EQ(w.high(), uint64_t(ref >> 64)) << what;
    EXPECT_EQ(w.low(), uint64_t(ref)) << what;
}

S wide(I128 v) {
    return (S(int64_t(v >> 64)) << 64) + S(uint64_t(v));
}
U wide(U128 v) {
    return (U(uint64_t(v >> 64)) << 64) + U(uint64_t(v));
}

std::vector<I128> signed_samples() {
    std::vector<I128> values = {0,
                                1,
                                -1,
                                2,
                                -2,
                                0x7FFFFFFF,
                                INT64_MAX,
                                INT64_MIN,
                                I128(UINT64_MAX),
                                -I128(UINT64_MAX),
                                I128(1) << 96,
                                -(I128(1) << 96),
                                (I128(1) << 126) + 12345};
    std::mt19937_64 rng(11);
    for (int i = 0; i < 200; ++i) {
        const int shift = int(rng() % 120);
        I128 v = I128(rng() >> 1) << (shift % 64);
        values.push_back(rng() & 1 ? -v : v);
    }
    return values;
}

TEST(WideInteger, ConvertsFromBuiltInsLikeTheCompiler) {
    expect_same(S(int64_t(-5)), I128(-5), "negative int64 sign-extends");
    expect_same(S(uint64_t(UINT64_MAX)), I128(UINT64_MAX), "uint64 zero-extends");
    expect_same(S(-1), I128(-1), "int");
    expect_same(U(uint32_t(0xFFFFFFFFu)) << 32, U128(0xFFFFFFFFu) << 32, "loop end << 32");
    EXPECT_EQ(uint64_t(S(int64_t(-3))), uint64_t(-3)) << "low word back, as a cast gives it";
}

// Two's-complement wrap, as both types give it; the reference wraps in unsigned arithmetic,
// where signed __int128 overflow would be undefined.
I128 wrap(U128 v) {
    return I128(v);
}

TEST(WideInteger, ArithmeticAndOrderMatchInt128) {
    const std::vector<I128> values = signed_samples();
    for (size_t i = 0; i < values.size(); ++i) {
        for (size_t j = i; j < values.size(); j += 7) {
            const I128 a = values[i], b = values[j];
            const U128 ua = U128(a), ub = U128(b);
            const S wa = wide(a), wb = wide(b);
            expect_same(wa + wb, wrap(ua + ub), "add");
            expect_same(wa - wb, wrap(ua - ub), "sub");
            expect_same(S(2) * wa, wrap(2 * ua), "double");
            expect_same(wa * S(int64_t(b)), wrap(ua * U128(I128(int64_t(b)))), "mul");
            EXPECT_EQ(wa < wb, a < b);
            EXPECT_EQ(wa >= wb, a >= b);
            EXPECT_EQ(wa == wb, a == b);
            if (b != 0) {
                const I128 q = a / b;
                expect_same(wa / wb, q, "signed division truncates toward zero");
                expect_same(wa - wa / wb * wb, wrap(ua - U128(q) * ub),
                            "remainder by multiply-back");
            }
        }
    }
}

TEST(WideInteger, UnsignedOrderAndDivisionUseTheTopBit) {
    const U128 big = (U128(1) << 127) + 99;
    const U wbig = wide(big);
    EXPECT_TRUE(U(1) < wbig) << "the top bit is magnitude, not sign";
    expect_same(wbig / U(uint64_t(3)), big / 3, "unsigned division");
    expect_same(wbig - U(uint64_t(100)), big - 100, "borrow across words");
    expect_same(U(UINT64_MAX) + U(uint64_t(1)), U128(UINT64_MAX) + 1, "carry into the high word");
}

} // namespace

#else
TEST(WideInteger, NeedsInt128ToCompareAgainst) {
    GTEST_SKIP() << "no __int128 on this target";
}
#endif
