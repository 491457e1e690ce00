// The extended number type against the x87 unit, where the CPU has one:
// every operation on millions of seeded random operands (ties, both ends of
// the exponent range, denormals, signed zeros, NaN, infinities among them).
// A table of bit patterns for the edge cases and for projection and
// ScreenToGrid results runs on every CPU; on x87 machines it is checked
// against the hardware as well, so that it stays the hardware's answer.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

#include "velscene/internal/extended.h"
#include "velscene/internal/numeric.h"
#include "view_fixture.h"

using vel::Extended;
using vel::TAniFigure;
using Bits = Extended::Bits;

namespace {

#if LDBL_MANT_DIG == 64
constexpr bool kHaveX87 = true;
long double ToLd(Bits b) {
  unsigned char buf[sizeof(long double)] = {};
  std::memcpy(buf, &b.significand, 8);
  std::memcpy(buf + 8, &b.signExp, 2);
  long double v;
  std::memcpy(&v, buf, sizeof v);
  return v;
}
Bits FromLd(long double v) {
  unsigned char buf[sizeof(long double)];
  std::memcpy(buf, &v, sizeof v);
  Bits b;
  std::memcpy(&b.significand, buf, 8);
  std::memcpy(&b.signExp, buf + 8, 2);
  return b;
}
// The conversions as the library made them with long double before.
int64_t ClampLd(long double v) {
  if (!(v == v)) return 0;
  if (v >= 0x1p52L) return vel::kRoundLimit;
  if (v <= -0x1p52L) return -vel::kRoundLimit;
  return static_cast<int64_t>(v);
}
#else
constexpr bool kHaveX87 = false;
#endif

std::string Show(Bits b) {
  char s[40];
  std::snprintf(s, sizeof s, "{0x%04X, 0x%016llX}", b.signExp, static_cast<unsigned long long>(b.significand));
  return s;
}

Extended Apply(char op, Bits a, Bits b) {
  const Extended x = Extended::FromBits(a), y = Extended::FromBits(b);
  return op == '+' ? x + y : op == '-' ? x - y : x * y;
}

// Random x87 values: exponents over the whole range with both ends and the
// float range favoured; significands full, sparse (few bits, so that sums and
// products land on ties) or all ones; now and then a zero, infinity, NaN or
// denormal.
class Operands {
 public:
  explicit Operands(uint64_t seed) : rng_(seed) {}

  Bits Next(int centre = -1, int spread = 0) {
    const uint16_t sign = (rng_() & 1) ? 0x8000 : 0;
    switch (rng_() % 40) {
      case 0: return {sign, 0};
      case 1: return {uint16_t(sign | 0x7FFF), uint64_t(1) << 63};
      case 2: return {uint16_t(sign | 0x7FFF), (uint64_t(3) << 62) | (rng_() % 4)};
      case 3: return {sign, Significand() >> (1 + rng_() % 63)};  // denormal
      default: break;
    }
    int e;
    if (centre >= 0) e = centre + int(rng_() % (2 * spread + 1)) - spread;
    else switch (rng_() % 4) {
        case 0: e = 1 + int(rng_() % 32766); break;
        case 1: e = 1 + int(rng_() % 80); break;
        case 2: e = 32766 - int(rng_() % 80); break;
        default: e = 16383 - 160 + int(rng_() % 300); break;  // float and int64 range
      }
    e = e < 1 ? 1 : e > 32766 ? 32766 : e;
    return {uint16_t(sign | e), Significand()};
  }

  // A second operand close in exponent to the first most of the time, so
  // that sums round, cancel and carry.
  Bits Partner(Bits a) {
    const int e = a.signExp & 0x7FFF;
    if (e == 0 || e == 0x7FFF || rng_() % 4 == 0) return Next();
    if (rng_() % 8 == 0) return {uint16_t(a.signExp ^ 0x8000), a.significand ^ (rng_() & 0xFF)};
    return Next(e, 70);
  }

  uint64_t Raw() { return rng_(); }

 private:
  uint64_t Significand() {
    const uint64_t top = uint64_t(1) << 63;
    switch (rng_() % 4) {
      case 0: {
        uint64_t s = top;
        for (int n = int(rng_() % 3); n >= 0; --n) s |= uint64_t(1) << (rng_() % 63);
        return s;
      }
      case 1: return ~uint64_t(0) << (rng_() % 64);
      default: return top | rng_();
    }
  }
  std::mt19937_64 rng_;
};

constexpr int kRandomCount = 2'000'000;

TEST(ExtendedVsX87, AddSubtractMultiply) {
  if (!kHaveX87) GTEST_SKIP() << "long double is not the x87 format here";
#if LDBL_MANT_DIG == 64
  for (char op : {'+', '-', '*'}) {
    Operands gen(0x5EED0000u + uint8_t(op));
    int failures = 0;
    for (int i = 0; i < kRandomCount && failures < 5; ++i) {
      const Bits a = gen.Next(), b = gen.Partner(a);
      const volatile long double x = ToLd(a), y = ToLd(b);
      const Bits want = FromLd(op == '+' ? x + y : op == '-' ? x - y : x * y);
      const Bits got = Apply(op, a, b).ToBits();
      if (got != want) {
        ++failures;
        ADD_FAILURE() << Show(a) << ' ' << op << ' ' << Show(b) << " = " << Show(got) << ", x87 " << Show(want);
      }
    }
  }
#endif
}

TEST(ExtendedVsX87, Conversions) {
  if (!kHaveX87) GTEST_SKIP() << "long double is not the x87 format here";
#if LDBL_MANT_DIG == 64
  Operands gen(0xC0417);
  int failures = 0;
  for (int i = 0; i < kRandomCount && failures < 5; ++i) {
    const uint64_t r = gen.Raw();
    // From float, double and int64 (random bit patterns: subnormals, NaN
    // payloads, all magnitudes).
    const float f = std::bit_cast<float>(uint32_t(r));
    const double d = std::bit_cast<double>(r);
    const int64_t n = int64_t(r) >> (r % 64);
    const bool from = Extended::FromFloat(f).ToBits() == FromLd(f) &&
                      Extended::FromDouble(d).ToBits() == FromLd(d) && Extended::FromInt(n).ToBits() == FromLd(n);
    // To float, around the float range and beyond.
    const Bits a = gen.Next(16383 - 100 + int(r % 240), int(r % 4) == 0 ? 1000 : 40);
    const volatile long double x = ToLd(a);
    const bool toFloat = std::bit_cast<uint32_t>(Extended::FromBits(a).ToFloat()) ==
                         std::bit_cast<uint32_t>(static_cast<float>(x));
    // To integer: around the integers that matter and the clamp at 2^52.
    const Bits k = gen.Next(16383 - 3 + int(r % 60), 3);
    const Extended e = Extended::FromBits(k);
    const long double v = ToLd(k), w = static_cast<double>(v);  // and a double near it
    const bool toInt = vel::RoundEven(e) == ClampLd(std::nearbyint(v)) && vel::Trunc(e) == ClampLd(std::trunc(v)) &&
                       vel::RoundEven(double(w)) == ClampLd(std::nearbyint(w)) &&
                       vel::Trunc(double(w)) == ClampLd(std::trunc(w));
    // The nearest value of 1/n, against the hardware's division.
    const bool recip = n == 0 || Extended::Reciprocal(n).ToBits() == FromLd(1.0L / static_cast<long double>(n));
    if (!(from && toFloat && toInt && recip)) {
      ++failures;
      ADD_FAILURE() << "bits " << std::hex << r << std::dec << ": from " << from << " to float " << Show(a) << ' '
                    << toFloat << " to int " << Show(k) << ' ' << toInt << " 1/" << n << ' ' << recip;
    }
  }
#endif
}

// Edge cases, each with the x87 unit's answer.
struct ArithRow {
  char op;
  Bits a, b, want;
};
constexpr ArithRow kArith[] = {
    {'+', {0x3FFF, 0x8000000000000000}, {0x3FBF, 0x8000000000000000}, {0x3FFF, 0x8000000000000000}},  // 1 + 2^-64: tie, stays 1
    {'+', {0x3FFF, 0x8000000000000001}, {0x3FBF, 0x8000000000000000}, {0x3FFF, 0x8000000000000002}},  // (1 + 2^-63) + 2^-64: tie, up to even
    {'-', {0x3FFF, 0x8000000000000000}, {0x3FBE, 0x8000000000000000}, {0x3FFF, 0x8000000000000000}},  // 1 - 2^-65: tie across the binade, back to 1
    {'-', {0x3FFF, 0x8000000000000000}, {0x3FBE, 0xC000000000000000}, {0x3FFE, 0xFFFFFFFFFFFFFFFF}},  // 1 - 3 x 2^-66: up to 1 - 2^-64
    {'-', {0x3FFF, 0x8000000000000000}, {0x3FBE, 0x8000000000000001}, {0x3FFE, 0xFFFFFFFFFFFFFFFF}},  // 1 - 2^-65 - 2^-128: below the tie
    {'+', {0x4063, 0x8000000000000000}, {0xBF9B, 0x8000000000000000}, {0x4063, 0x8000000000000000}},  // 2^100 - 2^-100: only a sticky bit
    {'*', {0x3FFF, 0x8000000080000000}, {0x3FFF, 0x8000000080000000}, {0x3FFF, 0x8000000100000000}},  // (1 + 2^-32)^2: tie in the product
    {'*', {0x3FFF, 0x8000000080000000}, {0x3FFF, 0x8000000180000000}, {0x3FFF, 0x8000000200000002}},  // (1 + 2^-32)(1 + 3 x 2^-32)
    {'+', {0x7FFE, 0xFFFFFFFFFFFFFFFF}, {0x7FFE, 0xFFFFFFFFFFFFFFFF}, {0x7FFF, 0x8000000000000000}},  // max + max: inf
    {'*', {0x7FFE, 0xFFFFFFFFFFFFFFFF}, {0xC000, 0x8000000000000000}, {0xFFFF, 0x8000000000000000}},  // max x -2: -inf
    {'-', {0xFFFE, 0xFFFFFFFFFFFFFFFF}, {0x7FBE, 0x8000000000000000}, {0xFFFF, 0x8000000000000000}},  // -max - half an ulp: tie, to -inf
    {'*', {0x0001, 0x8000000000000000}, {0x3FFE, 0x8000000000000000}, {0x0000, 0x4000000000000000}},  // smallest normal / 2: denormal
    {'-', {0x0001, 0x8000000000000000}, {0x0000, 0x0000000000000001}, {0x0000, 0x7FFFFFFFFFFFFFFF}},  // smallest normal - 2^-16445
    {'*', {0x0000, 0x0000000000000001}, {0x3FFE, 0x8000000000000000}, {0x0000, 0x0000000000000000}},  // 2^-16445 / 2: tie to +0
    {'*', {0x0000, 0x0000000000000001}, {0xBFFE, 0xC000000000000000}, {0x8000, 0x0000000000000001}},  // 2^-16445 x -0.75: -2^-16445
    {'*', {0x0000, 0x0000000000000003}, {0x3FFE, 0x8000000000000000}, {0x0000, 0x0000000000000002}},  // 3 x 2^-16445 / 2: tie to even
    {'*', {0x1CD7, 0x8000000000000000}, {0x20BF, 0x8000000000000000}, {0x0000, 0x0000000000000000}},  // 2^-9000 x 2^-8000: +0
    {'*', {0x0001, 0xFFFFFFFFFFFFFFFF}, {0x3FFE, 0xFFFFFFFFFFFFFFFF}, {0x0001, 0xFFFFFFFFFFFFFFFE}},  // stays normal
    {'+', {0x8000, 0x0000000000000000}, {0x8000, 0x0000000000000000}, {0x8000, 0x0000000000000000}},  // -0 + -0 = -0
    {'+', {0x8000, 0x0000000000000000}, {0x0000, 0x0000000000000000}, {0x0000, 0x0000000000000000}},  // -0 + +0 = +0
    {'-', {0x8000, 0x0000000000000000}, {0x0000, 0x0000000000000000}, {0x8000, 0x0000000000000000}},  // -0 - +0 = -0
    {'-', {0x4001, 0xA000000000000000}, {0x4001, 0xA000000000000000}, {0x0000, 0x0000000000000000}},  // 5 - 5 = +0
    {'*', {0x8000, 0x0000000000000000}, {0x4001, 0xA000000000000000}, {0x8000, 0x0000000000000000}},  // -0 x 5 = -0
    {'-', {0x7FFF, 0x8000000000000000}, {0x7FFF, 0x8000000000000000}, {0xFFFF, 0xC000000000000000}},  // inf - inf: default NaN
    {'*', {0x0000, 0x0000000000000000}, {0xFFFF, 0x8000000000000000}, {0xFFFF, 0xC000000000000000}},  // 0 x -inf: default NaN
    {'+', {0xFFFF, 0x8000000000000000}, {0x3FFF, 0x8000000000000000}, {0xFFFF, 0x8000000000000000}},  // -inf + 1 = -inf
    {'-', {0x3FFF, 0x8000000000000000}, {0xFFFF, 0x8000000000000000}, {0x7FFF, 0x8000000000000000}},  // 1 - -inf = inf
    {'+', {0x7FFF, 0xC000000000000123}, {0x3FFF, 0x8000000000000000}, {0x7FFF, 0xC000000000000123}},  // NaN passed on
    {'-', {0x3FFF, 0x8000000000000000}, {0xFFFF, 0xC000000000000123}, {0xFFFF, 0xC000000000000123}},  // ... not negated
    {'*', {0xFFFF, 0xC000000000000123}, {0x7FFF, 0xC000000000000123}, {0x7FFF, 0xC000000000000123}},  // equal: the positive
    {'+', {0x7FFF, 0xC000000000000123}, {0xFFFF, 0xC000000000000456}, {0xFFFF, 0xC000000000000456}},  // the larger significand
};

struct RecipRow {
  int64_t n;
  Bits want;
};
constexpr RecipRow kRecip[] = {
    {1, {0x3FFF, 0x8000000000000000}},        {2, {0x3FFE, 0x8000000000000000}},
    {3, {0x3FFD, 0xAAAAAAAAAAAAAAAB}},        {7, {0x3FFC, 0x9249249249249249}},
    {12, {0x3FFB, 0xAAAAAAAAAAAAAAAB}},       {24, {0x3FFA, 0xAAAAAAAAAAAAAAAB}},
    {48, {0x3FF9, 0xAAAAAAAAAAAAAAAB}},       {96, {0x3FF8, 0xAAAAAAAAAAAAAAAB}},
    {-5, {0xBFFC, 0xCCCCCCCCCCCCCCCD}},       {1000003, {0x3FEB, 0x8637A2A24E5ACE34}},
    {(int64_t(1) << 62) + 1, {0x3FC0, 0xFFFFFFFFFFFFFFFC}},
    {INT64_MAX, {0x3FC0, 0x8000000000000001}}, {INT64_MIN, {0xBFC0, 0x8000000000000000}},
};

struct FloatRow {
  Bits a;
  uint32_t want;
};
constexpr FloatRow kToFloat[] = {
    {{0x407E, 0xFFFFFF8000000000}, 0x7F800000},  // float max + half an ulp: tie, to inf
    {{0x407E, 0xFFFFFF7FFFFFFFFF}, 0x7F7FFFFF},  // just below: float max
    {{0x3F69, 0x8000000000000000}, 0x00000000},  // 2^-150: tie to +0
    {{0xBF69, 0xC000000000000000}, 0x80000001},  // -0.75 x 2^-149: -2^-149
    {{0x3F80, 0xFFFFFF0000000000}, 0x00800000},  // 2^-126 - 2^-150: tie, up to the smallest normal
    {{0x3F6B, 0xA000000000000000}, 0x00000002},  // 2.5 x 2^-149: tie to even
    {{0x3FFF, 0x8000008000000000}, 0x3F800000},  // 1 + 2^-24: tie, stays 1
    {{0x3FFF, 0x8000018000000000}, 0x3F800002},  // 1 + 3 x 2^-24: tie, up to even
    {{0x3FFF, 0x8000008000000008}, 0x3F800001},  // 1 + 2^-24 + 2^-60: above the tie
    {{0xFFFF, 0xC000000000000456}, 0xFFC00000},  // NaN keeps its sign
    {{0x8000, 0x0000000000000000}, 0x80000000},  // -0
    {{0xFFFF, 0x8000000000000000}, 0xFF800000},  // -inf
    {{0x40C7, 0x8000000000000000}, 0x7F800000},  // 2^200: inf
    {{0x0000, 0x0000000000000001}, 0x00000000},  // 2^-16445: +0
};

struct IntRow {
  Bits a;
  int64_t round, trunc;
};
constexpr IntRow kToInt[] = {
    {{0x4000, 0xA000000000000000}, 2, 2},                                  // 2.5
    {{0x4000, 0xE000000000000000}, 4, 3},                                  // 3.5
    {{0xBFFE, 0x8000000000000000}, 0, 0},                                  // -0.5
    {{0xBFFF, 0xC000000000000000}, -2, -1},                                // -1.5
    {{0x3FFE, 0x8000000000000001}, 1, 0},                                  // just above 0.5
    {{0x4016, 0xBC614EC000000000}, 12345679, 12345678},                    // 12345678.75
    {{0x4032, 0xFFFFFFFFFFFFF800}, 4503599627370496, 4503599627370495},    // 2^52 - 0.5: tie to 2^52
    {{0x4033, 0x8000000000000400}, 4503599627370496, 4503599627370496},    // 2^52 + 0.5: clamped
    {{0xC03E, 0xC000000000000000}, -4503599627370496, -4503599627370496},  // -3 x 2^62: clamped
    {{0xFFFF, 0x8000000000000000}, -4503599627370496, -4503599627370496},  // -inf: clamped
    {{0xFFFF, 0xC000000000000123}, 0, 0},                                  // NaN: 0
    {{0x0000, 0x0000000000000001}, 0, 0},                                  // 2^-16445
};

TEST(ExtendedTable, EdgeCases) {
  for (const ArithRow& r : kArith) {
    EXPECT_EQ(Apply(r.op, r.a, r.b).ToBits(), r.want) << Show(r.a) << ' ' << r.op << ' ' << Show(r.b);
#if LDBL_MANT_DIG == 64
    const volatile long double x = ToLd(r.a), y = ToLd(r.b);
    EXPECT_EQ(FromLd(r.op == '+' ? x + y : r.op == '-' ? x - y : x * y), r.want) << "table row off the x87";
#endif
  }
  for (const RecipRow& r : kRecip) {
    EXPECT_EQ(Extended::Reciprocal(r.n).ToBits(), r.want) << "1/" << r.n;
#if LDBL_MANT_DIG == 64
    EXPECT_EQ(FromLd(1.0L / static_cast<long double>(r.n)), r.want) << "table row off the x87";
#endif
  }
  for (const FloatRow& r : kToFloat) {
    EXPECT_EQ(std::bit_cast<uint32_t>(Extended::FromBits(r.a).ToFloat()), r.want) << Show(r.a);
#if LDBL_MANT_DIG == 64
    const volatile long double x = ToLd(r.a);
    EXPECT_EQ(std::bit_cast<uint32_t>(static_cast<float>(x)), r.want) << "table row off the x87";
#endif
  }
  for (const IntRow& r : kToInt) {
    EXPECT_EQ(vel::RoundEven(Extended::FromBits(r.a)), r.round) << Show(r.a);
    EXPECT_EQ(vel::Trunc(Extended::FromBits(r.a)), r.trunc) << Show(r.a);
#if LDBL_MANT_DIG == 64
    EXPECT_EQ(ClampLd(std::nearbyint(ToLd(r.a))), r.round) << "table row off the x87";
    EXPECT_EQ(ClampLd(std::trunc(ToLd(r.a))), r.trunc) << "table row off the x87";
#endif
  }
  // The constants are worked out at compile time.
  static_assert(Extended::Reciprocal(24).ToBits() == Bits{0x3FFA, 0xAAAAAAAAAAAAAAAB});
}

// Projection and ScreenToGrid in a new view (origin and scroll 0), with the
// results the x87 gives. Some rows come out differently when the sums are
// exact or in double: a pixel (rows 6 and 7) or a float step (the large
// pixel offsets).
struct ProjectRow {
  float x, y, z;
  int32_t px, py;
  uint32_t depth;
};
constexpr ProjectRow kProject[] = {
    {0x1p-4f, 1, 0, 2, 1, 0x3F880000},  // 1.5: tie to 2
    {0x1.8p-3f, 1, 0, 4, 2, 0x3F980000},  // 4.5: tie to 4
    {0.125f, 0.5f, 0, 15, -4, 0x3F200000},
    {0x1p24f, 0.5f, 0, 402653196, 201326586, 0x4B800000},
    {2, 3, 1, 0, 36, 0x40A00000},
    {0x1p-4f, 0x1p-70f, 0, 26, -11, 0x3D800000},  // 25.5 less 2^-66: the sum rounds onto the tie
    {2, 0.125f, 0x1p-70f, 69, 14, 0x40080000},    // 13.5 less 12 x 2^-70: likewise
    {2, 0.125f, 0x1.8p-65f, 69, 14, 0x40080000},
    {1, 0x1p-24f, 0, 48, 0, 0x3F800000},  // depth 1 + 2^-24: tie, stays 1
    {-37.3125f, 12.71875f, 0.4375f, -1177, -312, 0xC1C4C000},
    {0x1.93e594p+99f, -0x1.93e594p+99f, 0, INT32_MAX, -12, 0x00000000},
    {0x1.c363ccp+127f, 0x1.c363ccp+127f, -0x1.c363ccp+127f, 24, INT32_MAX, 0x7F800000},
    {NAN, 1, 0, 0, 0, 0x7FC00000},
    {-INFINITY, 0, 0, INT32_MIN, INT32_MIN, 0xFF800000},
};

struct PickRow {
  int32_t x, y;
  uint32_t gridX, gridY;
};
constexpr PickRow kPick[] = {
    {24, -12, 0x00000000, 0x00000000},
    {24, 0, 0x3F000000, 0x3F000000},
    {0, 0, 0x00000000, 0x3F800000},
    {1, 0, 0x3CAAAAAB, 0x3F7AAAAB},
    {0, 1, 0x3D2AAAAB, 0x3F855555},
    {60759953, 11, 0x499A8547, 0xC99A8538},
    {-78257789, 16504, 0xC9C6EF98, 0x49C71A9B},
    {-704765, 28693162, 0x4990260F, 0x4993BBC0},
    {INT32_MAX, INT32_MIN, 0xCC2AAAAB, 0xCD000000},
    {INT32_MIN, INT32_MIN, 0xCD000000, 0xCC2AAAAA},
};

using ExtendedProjection = vel::testing::ViewTest;

TEST_F(ExtendedProjection, TableOfPixelsDepthsAndGridPoints) {
  TAniFigure*& f = Place();
  f->CenterX = 0;
  f->CenterY = 0;
  for (const ProjectRow& r : kProject) {
    int32_t px, py;
    view->GridToScreen(r.x, r.y, r.z, px, py);
    view->SetFigurePos(f, r.x, r.y, r.z);
    const vel::TAniEntry* e = view->Entry(f->Slot());
    EXPECT_EQ(px, r.px) << r.x << ' ' << r.y << ' ' << r.z;
    EXPECT_EQ(py, r.py) << r.x << ' ' << r.y << ' ' << r.z;
    EXPECT_EQ(e->ScreenX, r.px);
    EXPECT_EQ(e->ScreenY, r.py);
    EXPECT_EQ(std::bit_cast<uint32_t>(e->Depth), r.depth);
#if LDBL_MANT_DIG == 64
    const long double gx = ((static_cast<long double>(r.x) - r.y) + 1.0L) * 24.0L;
    const long double gy = (((static_cast<long double>(r.x) + r.y) - 1.0L) - r.z) * 12.0L;
    EXPECT_EQ(vel::SaturateInt32(ClampLd(std::nearbyint(gx))), r.px) << "table row off the x87";
    EXPECT_EQ(vel::SaturateInt32(ClampLd(std::nearbyint(gy))), r.py) << "table row off the x87";
    EXPECT_EQ(std::bit_cast<uint32_t>(static_cast<float>(static_cast<long double>(r.x) + r.y)), r.depth);
#endif
  }
  for (const PickRow& r : kPick) {
    float gx, gy;
    view->ScreenToGrid(r.x, r.y, gx, gy);
    EXPECT_EQ(std::bit_cast<uint32_t>(gx), r.gridX) << r.x << ' ' << r.y;
    EXPECT_EQ(std::bit_cast<uint32_t>(gy), r.gridY) << r.x << ' ' << r.y;
#if LDBL_MANT_DIG == 64
    const long double sx = r.x, sy = r.y, k24 = 1.0L / 24.0L, k12 = 1.0L / 12.0L;
    const float lx = static_cast<float>((sx * k24 + sy * k12) * 0.5L);
    EXPECT_EQ(std::bit_cast<uint32_t>(lx), r.gridX) << "table row off the x87";
    EXPECT_EQ(std::bit_cast<uint32_t>(static_cast<float>(sy * k12 - lx + 1.0L)), r.gridY) << "table row off the x87";
#endif
  }
}

}  // namespace
