// Property values to and from inspector text, and the colour constant names.
#include "velscene/platform/typinfo/prop_text.h"
#include "velscene/platform/base/text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vel {

namespace {

struct TColorIdent {
  TColor color;
  const char* name;
};

constexpr TColorIdent kColorIdents[] = {
    {clBlack, "clBlack"},     {clMaroon, "clMaroon"},   {clGreen, "clGreen"},
    {clOlive, "clOlive"},     {clNavy, "clNavy"},       {clPurple, "clPurple"},
    {clTeal, "clTeal"},       {clGray, "clGray"},       {clSilver, "clSilver"},
    {clRed, "clRed"},         {clLime, "clLime"},       {clYellow, "clYellow"},
    {clBlue, "clBlue"},       {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"},
    {clWhite, "clWhite"},     {clNone, "clNone"},       {clDefault, "clDefault"},
    {clBtnFace, "clBtnFace"}, {clWindow, "clWindow"},   {clWindowText, "clWindowText"},
};


std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Decimal with an optional sign, or "$" / "0x" hexadecimal (64-bit).
bool ParseInt(std::string_view s, int64_t& out) {
  s = Trim(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  if (negative) {
    if (magnitude > uint64_t{1} << 63) return false;
    out = magnitude == uint64_t{1} << 63 ? INT64_MIN : -static_cast<int64_t>(magnitude);
  } else {
    // Hexadecimal may spell a negative 64-bit word; decimal may not overflow.
    if (base == 10 && magnitude > static_cast<uint64_t>(INT64_MAX)) return false;
    out = static_cast<int64_t>(magnitude);
  }
  return true;
}

}  // namespace

bool ColorToIdent(TColor color, std::string& ident) {
  for (const TColorIdent& c : kColorIdents) {
    if (c.color == color) {
      ident = c.name;
      return true;
    }
  }
  return false;
}

bool IdentToColor(std::string_view ident, TColor& color) {
  for (const TColorIdent& c : kColorIdents) {
    if (SameText(c.name, ident)) {
      color = c.color;
      return true;
    }
  }
  return false;
}

std::string PropValueToText(const TPropInfo* prop, const TPropValue& value) {
  if (prop == nullptr) return {};
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  int64_t i = 0;
  switch (prop->Kind) {
    case tkSingle: {
      double d = 0;
      if (!PropValueToDouble(value, d)) return {};
      char buf[64];
      auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<float>(d));
      return ec == std::errc() ? std::string(buf, end) : std::string();
    }
    case tkBoolean: {
      bool b = false;
      return PropValueToBool(value, b) ? (b ? "True" : "False") : "";
    }
    case tkColor: {
      if (!PropValueToInt(value, i)) return {};
      std::string ident;
      if (ColorToIdent(static_cast<TColor>(i), ident)) return ident;
      char buf[16];
      std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(static_cast<uint32_t>(i)));
      return buf;
    }
    case tkEnum:
      return PropValueToInt(value, i) ? GetEnumName(prop, i) : "";
    case tkClass:
      return PropValueToInt(value, i) && i != 0 ? "(" + prop->TypeName + ")" : "";
    case tkMethod:
    case tkString:
      return {};
    case tkInteger:
    case tkCardinal:
      break;
  }
  return PropValueToInt(value, i) ? std::to_string(i) : "";
}

bool PropValueFromText(const TPropInfo* prop, std::string_view text, TPropValue& value,
                       std::string& error) {
  if (prop == nullptr) {
    error = "no such property";
    return false;
  }
  const std::string quoted = "'" + std::string(text) + "'";
  const std::string_view t = Trim(text);
  switch (prop->Kind) {
    case tkInteger:
    case tkCardinal: {
      int64_t i = 0;
      if (!ParseInt(t, i)) {
        error = quoted + " is not a valid integer value";
        return false;
      }
      value = i;
      return true;
    }
    case tkSingle: {
      double d = 0;
      auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
      if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(d)) {
        error = quoted + " is not a valid floating-point value";
        return false;
      }
      value = d;
      return true;
    }
    case tkBoolean:
      if (SameText(t, "True")) {
        value = true;
        return true;
      }
      if (SameText(t, "False")) {
        value = false;
        return true;
      }
      error = quoted + " is not a valid Boolean value (True or False)";
      return false;
    case tkColor: {
      TColor c = 0;
      int64_t i = 0;
      if (IdentToColor(t, c)) {
        value = int64_t{c};
        return true;
      }
      if (ParseInt(t, i)) {
        value = i;
        return true;
      }
      error = quoted + " is not a valid colour (a cl name or a number)";
      return false;
    }
    case tkEnum: {
      const int64_t i = EnumIndexOf(prop->EnumNames, t);
      if (i < 0) {
        error = quoted + " is not a value of " + prop->TypeName;
        return false;
      }
      value = i;
      return true;
    }
    case tkString:
      value = std::string(text);
      return true;
    case tkClass:
    case tkMethod:
      break;
  }
  error = prop->Name + " cannot be set from text";
  return false;
}

}  // namespace vel
