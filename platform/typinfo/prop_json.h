// Property values from JSON: the one reading of a published property's value
// shared by form files and scene files. Header-only over any nlohmann JSON
// type (the readers keep their own: form files plain, scene files ordered),
// so including it needs nlohmann-json.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "velscene/platform/graphics/graphics.h"
#include "velscene/platform/typinfo/prop_text.h"
#include "velscene/platform/typinfo/typinfo.h"

namespace vel {

// The value of `prop` from its JSON form, by the property's kind:
//   Integer   an integer (or a number without fraction, 3.0) in int32 range
//   Cardinal  the same, from 0 to 4294967295
//   Single    a finite number within float range
//   Boolean   true or false
//   TColor    an integer, a colour name ("clRed") or "#RRGGBB"
//   enum      one of its names (any case)
//   String    a string; an event: a handler name
// On failure returns nothing and sets `problem`; where the JSON has the wrong
// type, the problem ends with describe(j), the reader's own words for what
// it found ("found a string", "got number 2.5").
template <class Json, class Describe>
std::optional<TPropValue> PropValueFromJson(const TPropInfo& prop, const Json& j, Describe describe,
                                            std::string& problem) {
  auto expected = [&](const std::string& what) {
    problem = "expected " + what + ", " + describe(j);
    return std::nullopt;
  };
  // A whole number within [lo, hi].
  auto whole = [&](int64_t lo, int64_t hi, const char* what) -> std::optional<TPropValue> {
    int64_t v = 0;
    if (j.is_number_unsigned() && j.template get<uint64_t>() > uint64_t(std::numeric_limits<int64_t>::max())) {
      problem = "out of range: must be from " + std::to_string(lo) + " to " + std::to_string(hi);
      return std::nullopt;
    }
    if (j.is_number_integer()) {
      v = j.template get<int64_t>();
    } else if (j.is_number_float()) {
      const double d = j.template get<double>();
      if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > 9.0e15) return expected(what);
      v = static_cast<int64_t>(d);
    } else {
      return expected(what);
    }
    if (v < lo || v > hi) {
      problem = "out of range: must be from " + std::to_string(lo) + " to " + std::to_string(hi) + ", found " +
                std::to_string(v);
      return std::nullopt;
    }
    return TPropValue{v};
  };
  switch (prop.Kind) {
    case tkInteger:
      return whole(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), "an integer");
    case tkCardinal:
      return whole(0, std::numeric_limits<uint32_t>::max(), "an unsigned integer");
    case tkSingle: {
      if (!j.is_number()) return expected("a number");
      const double d = j.template get<double>();
      if (!std::isfinite(d)) {
        problem = "expected a finite number";
        return std::nullopt;
      }
      if (std::fabs(d) > double(std::numeric_limits<float>::max())) {
        problem = "number too large for a float";
        return std::nullopt;
      }
      return TPropValue{d};
    }
    case tkBoolean:
      if (!j.is_boolean()) return expected("true or false");
      return TPropValue{j.template get<bool>()};
    case tkColor: {
      const char* what = "a colour (a number, a cl name or \"#RRGGBB\")";
      if (j.is_string()) {
        const std::string s = j.template get<std::string>();
        TColor c = 0;
        if (IdentToColor(s, c)) return TPropValue{int64_t{c}};
        const bool hex = s.size() == 7 && s[0] == '#' &&
                         s.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos;
        if (!hex) return expected(what);
        const uint32_t v = static_cast<uint32_t>(std::stoul(s.substr(1), nullptr, 16));
        return TPropValue{int64_t{RGB(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v))}};
      }
      if (!j.is_number_integer() && !j.is_number_float()) return expected(what);
      return whole(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), what);
    }
    case tkEnum: {
      if (!j.is_string()) return expected("a name of " + prop.TypeName);
      const int64_t i = EnumIndexOf(prop.EnumNames, j.template get<std::string>());
      if (i < 0) {
        problem = "\"" + j.template get<std::string>() + "\" is not a value of " + prop.TypeName;
        return std::nullopt;
      }
      return TPropValue{i};
    }
    case tkString:
      if (!j.is_string()) return expected("a string");
      return TPropValue{j.template get<std::string>()};
    case tkMethod:
      if (!j.is_string()) return expected("a handler name");
      return TPropValue{j.template get<std::string>()};
    case tkClass:
      break;
  }
  problem = "cannot be read from JSON";
  return std::nullopt;
}

}  // namespace vel
