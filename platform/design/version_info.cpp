// Reading a module's version resource.
#include "velscene/platform/design/version_info.h"

namespace vel {

namespace {

uint16_t Read16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

std::string VersionText(const uint16_t (&v)[4]) {
  return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
         std::to_string(v[3]);
}

}  // namespace

std::string TVersionInfo::FileVersionText() const { return VersionText(FileVersion); }
std::string TVersionInfo::ProductVersionText() const { return VersionText(ProductVersion); }

std::string TVersionInfo::Value(const std::string& key) const {
  for (const auto& [k, v] : Strings) {
    if (k == key) return v;
  }
  return {};
}

bool ParseVersionInfo(const unsigned char* data, size_t size, TVersionInfo& out) {
  out = TVersionInfo{};
  if (data == nullptr || size < kVersionHeaderSize) return false;
  const uint32_t signature = static_cast<uint32_t>(Read16(data)) |
                             (static_cast<uint32_t>(Read16(data + 2)) << 16);
  if (signature != kVersionSignature) return false;
  for (int i = 0; i < 4; ++i) {
    out.FileVersion[i] = Read16(data + 4 + 2 * i);
    out.ProductVersion[i] = Read16(data + 12 + 2 * i);
  }
  std::vector<std::string> strings;
  size_t pos = kVersionHeaderSize;
  while (pos < size) {
    size_t end = pos;
    while (end < size && data[end] != 0) ++end;
    if (end == size) return false;  // unterminated
    strings.emplace_back(reinterpret_cast<const char*>(data + pos), end - pos);
    pos = end + 1;
  }
  if (strings.size() % 2 != 0) return false;
  for (size_t i = 0; i < strings.size(); i += 2) out.Strings.emplace_back(strings[i], strings[i + 1]);
  return true;
}

}  // namespace vel
