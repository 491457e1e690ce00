// The version resource of a module: a fixed little-endian header with file and
// product version, followed by NUL-terminated key/value string pairs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vel {

// Layout: uint32 signature 0xFEEF04BD; uint16 file version [4] (major, minor,
// release, build); uint16 product version [4]; then "key\0value\0" pairs.
inline constexpr uint32_t kVersionSignature = 0xFEEF04BDu;
inline constexpr size_t kVersionHeaderSize = 4 + 8 + 8;

struct TVersionInfo {
  uint16_t FileVersion[4] = {};
  uint16_t ProductVersion[4] = {};
  std::vector<std::pair<std::string, std::string>> Strings;

  // "1.0.0.0"
  std::string FileVersionText() const;
  std::string ProductVersionText() const;
  // The value of a key, "" when absent.
  std::string Value(const std::string& key) const;
};

// False for data too short, with another signature or with an unterminated
// string.
bool ParseVersionInfo(const unsigned char* data, size_t size, TVersionInfo& out);

}  // namespace vel
