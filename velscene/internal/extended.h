// Internal header, no API guarantee: Extended, the library's own extended-
// precision number (sign, 64-bit significand, 15-bit exponent range, the
// infinities and NaN), with exactly the operations the projection needs:
// exact conversion from float, double and int64, add, subtract and multiply
// rounded to nearest-even at 64 bits, conversion to float, rounding to an
// integer, and the nearest value of 1/n. Every result is bit-identical to the
// x87 unit at 64-bit precision control, on any CPU and in any rounding mode.
//
// Extremes behave as on the x87: results at or above 2^16384 become infinity,
// results below 2^-16382 are rounded to the denormal grid 2^-16445 (a single
// rounding of the exact result) and to a signed zero below half of it.
// Float and double operands never come near either end in a few operations.
// NaN follows the x87 too: one NaN operand is passed on, of two the one with
// the larger significand (the positive one on a tie); invalid operations
// (inf - inf, 0 x inf) give the negative default NaN.
#pragma once

#include <bit>
#include <cstdint>

namespace vel {

class Extended {
 public:
  // The x87 layout: sign and biased exponent in 16 bits, explicit significand.
  struct Bits {
    uint16_t signExp;
    uint64_t significand;
    friend constexpr bool operator==(const Bits&, const Bits&) = default;
  };

  constexpr Extended() = default;  // +0

  static constexpr Extended FromFloat(float v) {
    const uint32_t b = std::bit_cast<uint32_t>(v);
    const uint32_t e = (b >> 23) & 0xFF, f = b & 0x7FFFFF;
    return Decode(b >> 31, e == 0xFF, int32_t(e) - 127, e != 0, uint64_t(f) << 40, f);
  }

  static constexpr Extended FromDouble(double v) {
    const uint64_t b = std::bit_cast<uint64_t>(v);
    const uint64_t e = (b >> 52) & 0x7FF, f = b & ((uint64_t(1) << 52) - 1);
    return Decode(b >> 63, e == 0x7FF, int32_t(e) - 1023, e != 0, f << 11, f);
  }

  static constexpr Extended FromInt(int64_t v) {
    if (v == 0) return Extended();
    const uint64_t m = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    const int z = std::countl_zero(m);
    return Finite(v < 0, 63 - z, m << z);
  }

  // The nearest value of 1/n (one correctly rounded division); n = 0 gives +inf.
  static constexpr Extended Reciprocal(int64_t n) {
    if (n == 0) return Special(false, kInf, kIntBit);
    const uint64_t m = n < 0 ? uint64_t(0) - uint64_t(n) : uint64_t(n);
    // Long division of 1 by m, one quotient bit per step; rem < m <= 2^63, so
    // doubling it never overflows.
    uint64_t rem = 1;
    int32_t exp = 0;
    while (rem < m) rem <<= 1, --exp;
    uint64_t hi = 0, roundBit = 0;
    for (int i = 0; i < 65; ++i) {
      const uint64_t bit = rem >= m;
      if (bit) rem -= m;
      rem <<= 1;
      if (i < 64) hi = (hi << 1) | bit;
      else roundBit = bit;
    }
    return Round(n < 0, exp, hi, (roundBit << 63) | (rem != 0));
  }

  // Unnormal encodings (an exponent without the integer bit) are taken as
  // their value; the x87 refuses them, and nothing here makes them.
  static constexpr Extended FromBits(Bits b) {
    const bool neg = b.signExp >> 15;
    const int32_t e = b.signExp & 0x7FFF;
    if (e == 0x7FFF)
      return (b.significand << 1) == 0 ? Special(neg, kInf, kIntBit) : Special(neg, kNaN, b.significand | kQuietBits);
    if (b.significand == 0) return Special(neg, kZero, 0);
    const int z = std::countl_zero(b.significand);
    return Finite(neg, (e == 0 ? 1 : e) - kBias - z, b.significand << z);
  }

  constexpr Bits ToBits() const {
    const uint16_t sign = neg_ ? 0x8000 : 0;
    switch (kind_) {
      case kZero: return {sign, 0};
      case kInf: return {uint16_t(sign | 0x7FFF), kIntBit};
      case kNaN: return {uint16_t(sign | 0x7FFF), sig_};
      default: break;
    }
    if (exp_ >= kMinExp) return {uint16_t(sign | (exp_ + kBias)), sig_};
    return {sign, sig_ >> (kMinExp - exp_)};  // denormal: exact by construction
  }

  friend constexpr Extended operator+(const Extended& a, const Extended& b) { return Add(a, b, false); }
  friend constexpr Extended operator-(const Extended& a, const Extended& b) { return Add(a, b, true); }

  friend constexpr Extended operator*(const Extended& a, const Extended& b) {
    const bool neg = a.neg_ != b.neg_;
    if (a.kind_ != kFinite || b.kind_ != kFinite) [[unlikely]] {
      if (a.kind_ == kNaN || b.kind_ == kNaN) return PickNaN(a, b);
      if (a.kind_ == kInf || b.kind_ == kInf)
        return (a.kind_ == kZero || b.kind_ == kZero) ? DefaultNaN() : Special(neg, kInf, kIntBit);
      return Special(neg, kZero, 0);
    }
    // 64 x 64 -> 128 bits from 32-bit halves: portable and exact.
    const uint64_t a0 = a.sig_ & 0xFFFFFFFF, a1 = a.sig_ >> 32, b0 = b.sig_ & 0xFFFFFFFF, b1 = b.sig_ >> 32;
    const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const uint64_t mid = (p00 >> 32) + (p01 & 0xFFFFFFFF) + (p10 & 0xFFFFFFFF);
    uint64_t hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
    uint64_t lo = (mid << 32) | (p00 & 0xFFFFFFFF);
    int32_t exp = a.exp_ + b.exp_ + 1;
    if (!(hi >> 63)) hi = (hi << 1) | (lo >> 63), lo <<= 1, --exp;
    return Round(neg, exp, hi, lo);
  }

  // Nearest float, ties to even, with subnormals and overflow to infinity.
  constexpr float ToFloat() const {
    const uint32_t sign = neg_ ? 0x80000000u : 0;
    if (kind_ == kZero) return std::bit_cast<float>(sign);
    if (kind_ == kInf || (kind_ == kFinite && exp_ > 127)) return std::bit_cast<float>(sign | 0x7F800000u);
    if (kind_ == kNaN) return std::bit_cast<float>(sign | 0x7F800000u | uint32_t((sig_ >> 40) & 0x7FFFFF));
    if (exp_ >= -126) {
      // A carry out of the 24 bits lands in the exponent field, as it should.
      const uint64_t m = RoundShift(sig_, 0, 40);
      const uint32_t bits = (uint32_t(exp_ + 126) << 23) + uint32_t(m);
      return std::bit_cast<float>(sign | (bits >= 0x7F800000u ? 0x7F800000u : bits));
    }
    // Subnormal: the grid is 2^-149; rounding up to 2^-126 gives its bits too.
    return std::bit_cast<float>(sign | uint32_t(RoundShift(sig_, 0, 40 + (-126 - exp_))));
  }

  // The integer nearest (ties to even) or toward zero, clamped to
  // [-limit, limit]; NaN gives 0. limit < 2^63.
  constexpr int64_t ToInt(bool truncate, int64_t limit) const {
    if (kind_ == kNaN || kind_ == kZero) return 0;
    if (kind_ == kInf || exp_ >= 63) return neg_ ? -limit : limit;
    uint64_t m;
    if (exp_ < 0 && truncate) m = 0;
    else if (truncate) m = sig_ >> (63 - exp_);
    else m = RoundShift(sig_, 0, 63 - exp_);
    const int64_t v = m > uint64_t(limit) ? limit : int64_t(m);
    return neg_ ? -v : v;
  }

 private:
  enum Kind : uint8_t { kZero, kFinite, kInf, kNaN };
  static constexpr uint64_t kIntBit = uint64_t(1) << 63;
  static constexpr uint64_t kQuietBits = uint64_t(3) << 62;
  static constexpr int32_t kBias = 16383;
  static constexpr int32_t kMinExp = -16382;  // smallest normal exponent
  static constexpr int32_t kMaxExp = 16383;
  static constexpr int32_t kGridExp = -16445;  // the denormal grid

  // Finite values keep the significand normalised (bit 63 set) at any
  // exponent, denormal ones included; exp_ is the exponent of bit 63.
  uint64_t sig_ = 0;
  int32_t exp_ = 0;
  bool neg_ = false;
  Kind kind_ = kZero;

  static constexpr Extended Special(bool neg, Kind kind, uint64_t sig) {
    Extended r;
    r.neg_ = neg;
    r.kind_ = kind;
    r.sig_ = sig;
    return r;
  }
  static constexpr Extended Finite(bool neg, int32_t exp, uint64_t sig) {
    Extended r = Special(neg, kFinite, sig);
    r.exp_ = exp;
    return r;
  }
  static constexpr Extended DefaultNaN() { return Special(true, kNaN, kQuietBits); }

  // A float or double as (sign, all-ones exponent, unbiased exponent, normal,
  // fraction at bits 62 down, raw fraction). Loading quiets a signalling NaN.
  static constexpr Extended Decode(bool neg, bool special, int32_t exp, bool normal, uint64_t frac, uint64_t raw) {
    if (special) return raw == 0 ? Special(neg, kInf, kIntBit) : Special(neg, kNaN, kQuietBits | frac);
    if (normal) return Finite(neg, exp, kIntBit | frac);
    if (raw == 0) return Special(neg, kZero, 0);
    const int z = std::countl_zero(frac);  // subnormal: normalise
    return Finite(neg, exp + 1 - z, frac << z);
  }

  static constexpr Extended PickNaN(const Extended& a, const Extended& b) {
    if (a.kind_ != kNaN) return b;
    if (b.kind_ != kNaN) return a;
    if (a.sig_ != b.sig_) return a.sig_ > b.sig_ ? a : b;
    return a.neg_ ? b : a;
  }

  // hi:lo (bit 127 set) shifted right by s + 64 and rounded to nearest even;
  // s = 1..64, larger s gives 0.
  static constexpr uint64_t RoundShift(uint64_t hi, uint64_t lo, int s) {
    if (s > 64) return 0;
    uint64_t q = 0, roundBit = 1, sticky = (hi << 1) | lo;
    if (s < 64) q = hi >> s, roundBit = (hi >> (s - 1)) & 1, sticky = (hi & ((uint64_t(1) << (s - 1)) - 1)) | lo;
    return q + (roundBit & ((sticky != 0) | (q & 1)));
  }

  // The exact magnitude hi:lo x 2^(exp - 127) (bit 127 set; lo may carry a
  // sticky 1 in bit 0) rounded to 64 bits, or to the denormal grid.
  static constexpr Extended Round(bool neg, int32_t exp, uint64_t hi, uint64_t lo) {
    if (exp >= kMinExp) [[likely]] {
      hi += (lo >> 63) & (((lo << 1) != 0) | (hi & 1));
      if (hi == 0) hi = kIntBit, ++exp;  // carry out of 64 bits
      return exp > kMaxExp ? Special(neg, kInf, kIntBit) : Finite(neg, exp, hi);
    }
    // Below the normal range the grid is 2^-16445; renormalise the result (a
    // carry may have made it normal again).
    uint64_t m = RoundShift(hi, lo, kMinExp - exp > 65 ? 65 : kMinExp - exp);
    if (m == 0) return Special(neg, kZero, 0);
    const int z = std::countl_zero(m);
    return Finite(neg, kGridExp + 63 - z, m << z);
  }

  // Sums with a zero, an infinity or a NaN.
  static constexpr Extended AddSpecial(const Extended& a, const Extended& b, bool bneg) {
    if (a.kind_ == kNaN || b.kind_ == kNaN) return PickNaN(a, b);
    if (a.kind_ == kInf) return (b.kind_ == kInf && bneg != a.neg_) ? DefaultNaN() : a;
    if (b.kind_ == kInf) return Special(bneg, kInf, kIntBit);
    if (b.kind_ == kZero) return a.kind_ == kZero ? Special(a.neg_ && bneg, kZero, 0) : a;
    return Finite(bneg, b.exp_, b.sig_);  // a is zero
  }

  static constexpr Extended Add(const Extended& a, const Extended& b, bool subtract) {
    const bool bneg = b.neg_ != subtract;
    if (a.kind_ != kFinite || b.kind_ != kFinite) [[unlikely]]
      return AddSpecial(a, b, bneg);
    // Big is the operand of larger magnitude; small is aligned to it in 128
    // bits, with what falls off beyond them kept as a sticky bit.
    const bool aBig = a.exp_ > b.exp_ || (a.exp_ == b.exp_ && a.sig_ >= b.sig_);
    const Extended& big = aBig ? a : b;
    const Extended& small = aBig ? b : a;
    const bool bigNeg = aBig ? a.neg_ : bneg, smallNeg = aBig ? bneg : a.neg_;
    const uint32_t d = uint32_t(big.exp_ - small.exp_);
    uint64_t shi = 0, slo = 0;
    if (d == 0) shi = small.sig_;
    else if (d < 64) shi = small.sig_ >> d, slo = small.sig_ << (64 - d);
    else if (d == 64) slo = small.sig_;
    else if (d < 128) slo = (small.sig_ >> (d - 64)) | ((small.sig_ << (128 - d)) != 0);
    else slo = 1;  // cannot change a sum rounded to nearest, kept for clarity
    int32_t exp = big.exp_;
    uint64_t hi, lo;
    if (bigNeg == smallNeg) {
      lo = slo;
      hi = big.sig_ + shi;
      if (hi < big.sig_) {  // carry: one more bit in front
        lo = (lo >> 1) | (hi << 63) | (lo & 1);
        hi = (hi >> 1) | kIntBit;
        ++exp;
      }
    } else {
      lo = uint64_t(0) - slo;
      hi = big.sig_ - shi - (slo != 0);
      if (hi == 0 && lo == 0) return Special(false, kZero, 0);
      const int z = hi ? std::countl_zero(hi) : 64 + std::countl_zero(lo);
      if (z >= 64) hi = lo << (z - 64), lo = 0;
      else if (z > 0) hi = (hi << z) | (lo >> (64 - z)), lo <<= z;
      exp -= z;
    }
    return Round(bigNeg, exp, hi, lo);
  }
};

}  // namespace vel
