// The contents of the package's resources (palette icons, description, unit
// and option records, version), shared by the package and its resource modules.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "velscene/platform/design/modules.h"
#include "velscene/platform/design/version_info.h"
#include "velscene/design/icons.h"
#include "velscene/version.h"

#ifndef VELPACK1_BUILD_TYPE
#define VELPACK1_BUILD_TYPE "unknown"
#endif
#ifndef VELPACK1_COMPILER
#define VELPACK1_COMPILER "unknown"
#endif

namespace vel::package_resources {

// UTF-16 (little-endian, no terminator) of an ASCII or BMP literal.
template <size_t N>
constexpr std::array<unsigned char, 2 * (N - 1)> Utf16(const char16_t (&text)[N]) {
  std::array<unsigned char, 2 * (N - 1)> out{};
  for (size_t i = 0; i + 1 < N; ++i) {
    out[2 * i] = static_cast<unsigned char>(text[i] & 0xFF);
    out[2 * i + 1] = static_cast<unsigned char>(text[i] >> 8);
  }
  return out;
}

constexpr auto kDescription = Utf16(u"Velmark Tools");

// The unit record: the runtime package it needs and the units it contains.
constexpr char kPackageInfo[] =
    "requires velplatform_shared\n"
    "contains velpack1\n"
    "contains Velscene\n"
    "contains VelInit\n";

constexpr char kPackageOptions[] =
    "Description=Velmark Tools\n"
    "DesignTimeOnly=1\n"
    "RunTimeOnly=0\n"
    "ImplicitBuild=0\n"
    "Language=C++20\n"
    "BuildType=" VELPACK1_BUILD_TYPE "\n"
    "Compiler=" VELPACK1_COMPILER "\n";

// The project's version with a fourth part 0, then the "key\0value\0" pairs
// (the literal's own NUL ends the last value).
constexpr char kVersionStrings[] =
    "CompanyName\0Velmark Tools\0"
    "FileDescription\0Velscene design-time package\0"
    "FileVersion\0" VELSCENE_VERSION ".0\0"
    "InternalName\0velpack1\0"
    "LegalCopyright\0Copyright (c) 2026 Velmark Tools. MIT License.\0"
    "OriginalFilename\0libvelpack1.so\0"
    "ProductName\0Velscene\0"
    "ProductVersion\0" VELSCENE_VERSION ".0";

constexpr std::array<unsigned char, kVersionHeaderSize + sizeof kVersionStrings> MakeVersion() {
  std::array<unsigned char, kVersionHeaderSize + sizeof kVersionStrings> v{};
  for (int i = 0; i < 4; ++i) v[static_cast<size_t>(i)] = static_cast<unsigned char>(kVersionSignature >> (8 * i));
  constexpr uint16_t kVersion[8] = {VELSCENE_VERSION_MAJOR, VELSCENE_VERSION_MINOR, VELSCENE_VERSION_PATCH, 0,
                                    VELSCENE_VERSION_MAJOR, VELSCENE_VERSION_MINOR, VELSCENE_VERSION_PATCH, 0};
  for (size_t i = 0; i < 8; ++i) {
    v[4 + 2 * i] = static_cast<unsigned char>(kVersion[i] & 0xFF);
    v[5 + 2 * i] = static_cast<unsigned char>(kVersion[i] >> 8);
  }
  for (size_t i = 0; i < sizeof kVersionStrings; ++i)
    v[kVersionHeaderSize + i] = static_cast<unsigned char>(kVersionStrings[i]);
  return v;
}

constexpr auto kVersion = MakeVersion();

inline const unsigned char* Bytes(const char* text) {
  return reinterpret_cast<const unsigned char*>(text);
}

// The entries every table of this package holds; text records without their NUL.
#define VELPACK1_COMMON_RESOURCES                                                                 \
  {"TANIFIGURE", "BITMAP", ::vel::icons::kFigureBmp.data(), ::vel::icons::kFigureBmp.size()},                   \
      {"TANIMAP", "BITMAP", ::vel::icons::kMapBmp.data(), ::vel::icons::kMapBmp.size()},                        \
      {"TANIVIEW", "BITMAP", ::vel::icons::kViewBmp.data(), ::vel::icons::kViewBmp.size()},                     \
      {"DESCRIPTION", "DATA", ::vel::package_resources::kDescription.data(), ::vel::package_resources::kDescription.size()},                          \
      {"PACKAGEINFO", "DATA", ::vel::package_resources::Bytes(::vel::package_resources::kPackageInfo),     \
       sizeof ::vel::package_resources::kPackageInfo - 1},                      \
      {"PACKAGEOPTIONS", "DATA", ::vel::package_resources::Bytes(::vel::package_resources::kPackageOptions),    \
       sizeof ::vel::package_resources::kPackageOptions - 1},             \
      {"VERSION", "VERSION", ::vel::package_resources::kVersion.data(), ::vel::package_resources::kVersion.size()}

}  // namespace vel::package_resources
