// The German resource module libvelpack1.so.de: the package's resources plus
// its language tag, loaded in place of the package's own when LANG is German.
#include <iterator>

#include "velscene/design/resource_data.h"

namespace {
constexpr char kLanguage[] = "de";
}  // namespace

extern "C" const vel::TResourceEntry* VelResources(size_t* count) {
  static const vel::TResourceEntry kTable[] = {
      VELPACK1_COMMON_RESOURCES,
      {"LANGUAGE", "DATA", vel::package_resources::Bytes(kLanguage), sizeof kLanguage - 1},
  };
  if (count != nullptr) *count = std::size(kTable);
  return kTable;
}
