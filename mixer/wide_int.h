// 128-bit integers for the mixer's exact boundary arithmetic on 32.32 positions. The compiler's
// __int128 where it has one; 32-bit targets (the i686 Windows build) have none and get
// WideInteger, which does the same two's-complement arithmetic in two 64-bit words.
#pragma once

#include <cstdint>
#include <type_traits>

template <bool Signed> class WideInteger {
public:
    constexpr WideInteger() = default;
    template <typename T, typename = std::enable_if_t<std::is_integral<T>::value>>
    constexpr WideInteger(T v) // NOLINT: converts implicitly, as the built-in type does
        : hi_(std::is_signed<T>::value && v < 0 ? ~uint64_t(0) : 0), lo_(uint64_t(v)) {}
    template <bool S>
    constexpr explicit WideInteger(WideInteger<S> v) : hi_(v.high()), lo_(v.low()) {}

    constexpr uint64_t high() const { return hi_; }
    constexpr uint64_t low() const { return lo_; }
    // The low 64 bits, as a cast of the built-in type gives them.
    constexpr explicit operator uint64_t() const { return lo_; }
    constexpr explicit operator int64_t() const { return int64_t(lo_); }

    friend constexpr WideInteger operator+(WideInteger a, WideInteger b) {
        const uint64_t lo = a.lo_ + b.lo_;
        return make(a.hi_ + b.hi_ + (lo < a.lo_ ? 1 : 0), lo);
    }
    friend constexpr WideInteger operator-(WideInteger a, WideInteger b) {
        return make(a.hi_ - b.hi_ - (a.lo_ < b.lo_ ? 1 : 0), a.lo_ - b.lo_);
    }
    friend constexpr WideInteger operator*(WideInteger a, WideInteger b) {
        WideInteger p = mul64(a.lo_, b.lo_);
        p.hi_ += a.hi_ * b.lo_ + a.lo_ * b.hi_;
        return p;
    }
    // Truncates toward zero, as the built-in division does. The divisor must not be 0.
    friend constexpr WideInteger operator/(WideInteger a, WideInteger b) {
        const bool negA = a.negative(), negB = b.negative();
        WideInteger q = divideUnsigned(negA ? -a : a, negB ? -b : b);
        return negA != negB ? -q : q;
    }
    friend constexpr WideInteger operator-(WideInteger a) { return WideInteger() - a; }
    friend constexpr WideInteger operator<<(WideInteger a, int n) {
        if (n <= 0)
            return a;
        if (n >= 64)
            return make(n >= 128 ? 0 : a.lo_ << (n - 64), 0);
        return make(a.hi_ << n | a.lo_ >> (64 - n), a.lo_ << n);
    }

    friend constexpr bool operator<(WideInteger a, WideInteger b) {
        if (a.hi_ != b.hi_)
            return Signed ? int64_t(a.hi_) < int64_t(b.hi_) : a.hi_ < b.hi_;
        return a.lo_ < b.lo_;
    }
    friend constexpr bool operator>(WideInteger a, WideInteger b) { return b < a; }
    friend constexpr bool operator<=(WideInteger a, WideInteger b) { return !(b < a); }
    friend constexpr bool operator>=(WideInteger a, WideInteger b) { return !(a < b); }
    friend constexpr bool operator==(WideInteger a, WideInteger b) {
        return a.hi_ == b.hi_ && a.lo_ == b.lo_;
    }
    friend constexpr bool operator!=(WideInteger a, WideInteger b) { return !(a == b); }

    constexpr WideInteger& operator+=(WideInteger b) { return *this = *this + b; }
    constexpr WideInteger& operator-=(WideInteger b) { return *this = *this - b; }

private:
    uint64_t hi_ = 0;
    uint64_t lo_ = 0;

    static constexpr WideInteger make(uint64_t hi, uint64_t lo) {
        WideInteger w;
        w.hi_ = hi;
        w.lo_ = lo;
        return w;
    }
    constexpr bool negative() const { return Signed && int64_t(hi_) < 0; }

    // The full 128-bit product of two 64-bit words, from 32-bit halves.
    static constexpr WideInteger mul64(uint64_t a, uint64_t b) {
        const uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32, bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
        const uint64_t ll = aLo * bLo, lh = aLo * bHi, hl = aHi * bLo, hh = aHi * bHi;
        const uint64_t mid = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
        return make(hh + (lh >> 32) + (hl >> 32) + (mid >> 32), (mid << 32) | (ll & 0xFFFFFFFFu));
    }

    // Shift-and-subtract division of the two words as unsigned magnitudes.
    static constexpr WideInteger divideUnsigned(WideInteger a, WideInteger b) {
        WideInteger q, r;
        for (int bit = 127; bit >= 0; --bit) {
            r = make(r.hi_ << 1 | r.lo_ >> 63,
                     r.lo_ << 1 | ((bit >= 64 ? a.hi_ >> (bit - 64) : a.lo_ >> bit) & 1));
            if (!unsignedLess(r, b)) {
                r = r - b;
                if (bit >= 64)
                    q.hi_ |= uint64_t(1) << (bit - 64);
                else
                    q.lo_ |= uint64_t(1) << bit;
            }
        }
        return q;
    }
    static constexpr bool unsignedLess(WideInteger a, WideInteger b) {
        return a.hi_ != b.hi_ ? a.hi_ < b.hi_ : a.lo_ < b.lo_;
    }
};

// VORRU_WIDE_INTEGER_ONLY: the 32-bit path on a 64-bit host, so its tests run natively.
#if defined(__SIZEOF_INT128__) && !defined(VORRU_WIDE_INTEGER_ONLY)
using WideSigned = __int128;
using WideUnsigned = unsigned __int128;
#else
using WideSigned = WideInteger<true>;
using WideUnsigned = WideInteger<false>;
#endif
