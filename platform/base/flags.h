// Small bit sets over enumerations (component state, shift state): each
// enumerator is a bit index, the set holds up to 32 of them.
#pragma once

#include <cstdint>
#include <type_traits>

namespace vel {

// Opt-in trait: specialise for an enumeration to allow `a | b` on its values.
template <class E>
struct TIsFlagEnum : std::false_type {};

template <class E>
class TFlags {
  static_assert(std::is_enum_v<E>, "TFlags holds enumerators");

 public:
  constexpr TFlags() = default;
  constexpr TFlags(E e) : bits_(Bit(e)) {}  // NOLINT: a single flag reads as a set
  static constexpr TFlags FromBits(uint32_t bits) {
    TFlags f;
    f.bits_ = bits;
    return f;
  }

  constexpr bool Contains(E e) const { return Bit(e) != 0 && (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint32_t Bits() const { return bits_; }
  constexpr TFlags& Include(E e) {
    bits_ |= Bit(e);
    return *this;
  }
  constexpr TFlags& Exclude(E e) {
    bits_ &= ~Bit(e);
    return *this;
  }

  constexpr TFlags operator|(TFlags o) const { return FromBits(bits_ | o.bits_); }
  constexpr TFlags operator&(TFlags o) const { return FromBits(bits_ & o.bits_); }
  constexpr TFlags operator-(TFlags o) const { return FromBits(bits_ & ~o.bits_); }
  constexpr TFlags& operator|=(TFlags o) {
    bits_ |= o.bits_;
    return *this;
  }
  constexpr TFlags& operator-=(TFlags o) {
    bits_ &= ~o.bits_;
    return *this;
  }
  constexpr bool operator==(const TFlags&) const = default;

 private:
  // Enumerators outside 0..31 map to no bit at all.
  static constexpr uint32_t Bit(E e) {
    auto i = static_cast<std::underlying_type_t<E>>(e);
    return (i >= 0 && i < 32) ? (uint32_t(1) << i) : 0u;
  }
  uint32_t bits_ = 0;
};

template <class E>
  requires TIsFlagEnum<E>::value
constexpr TFlags<E> operator|(E a, E b) {
  return TFlags<E>(a) | TFlags<E>(b);
}

}  // namespace vel
