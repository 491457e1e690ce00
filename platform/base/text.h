// Small text helpers shared by the host and the file readers: case-insensitive
// comparison of component, class and property names, and what an identifier is.
#pragma once

#include <cctype>
#include <string_view>

namespace vel {

inline bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// A letter or '_', then letters, digits or '_' (ASCII): a component name.
inline bool IsIdentifier(std::string_view s) {
  auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
  if (s.empty() || !letter(s[0])) return false;
  for (char c : s)
    if (!letter(c) && !std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace vel
