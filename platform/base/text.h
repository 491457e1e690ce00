// Small text helpers shared by the host and the file readers: case-insensitive
// comparison of component, class and property names, what an identifier is,
// and where in a text an offset lies.
#pragma once

#include <cctype>
#include <string>
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

// "line L, column C" (both from 1) of the byte at `offset` (0-based); an
// offset past the end gives the position just after the text.
inline std::string LineColumnAt(std::string_view text, size_t offset) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i < text.size() && i < offset; ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace vel
