// Values drawn from fuzzer input: mostly ordinary ones, often the extremes
// (NaN, infinities, the largest and smallest numbers, raw bit patterns).
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cstdint>
#include <limits>

namespace vel::fuzz {

class Values {
 public:
  explicit Values(FuzzedDataProvider& in) : in_(in) {}

  bool Empty() const { return in_.remaining_bytes() == 0; }
  uint8_t Byte() { return in_.ConsumeIntegral<uint8_t>(); }
  bool Bool() { return in_.ConsumeBool(); }
  int32_t Range(int32_t lo, int32_t hi) { return in_.ConsumeIntegralInRange<int32_t>(lo, hi); }

  // Grid coordinates, speeds and radii: quarter steps near the map, or extremes.
  float Float() {
    using L = std::numeric_limits<float>;
    switch (Byte() % 16) {
      case 0: return L::quiet_NaN();
      case 1: return L::infinity();
      case 2: return -L::infinity();
      case 3: return L::max();
      case 4: return L::lowest();
      case 5: return L::denorm_min();
      case 6: return -0.0f;
      case 7: return std::bit_cast<float>(in_.ConsumeIntegral<uint32_t>());
      case 8: return float(Range(-1000000, 1000000)) / 8.0f;
      default: return float(Range(-40, 200)) / 4.0f;
    }
  }

  // Pixel coordinates, sizes and numbers: small ones, or the int32 extremes.
  int32_t Int(int32_t lo, int32_t hi) {
    using L = std::numeric_limits<int32_t>;
    switch (Byte() % 10) {
      case 0: return L::min();
      case 1: return L::max();
      case 2: return -1;
      case 3: return in_.ConsumeIntegral<int32_t>();
      default: return Range(lo, hi);
    }
  }

  uint32_t Unsigned(uint32_t hi) {
    switch (Byte() % 8) {
      case 0: return std::numeric_limits<uint32_t>::max();
      case 1: return 0x80000000u;
      case 2: return in_.ConsumeIntegral<uint32_t>();
      default: return in_.ConsumeIntegralInRange<uint32_t>(0, hi);
    }
  }

 private:
  FuzzedDataProvider& in_;
};

}  // namespace vel::fuzz
