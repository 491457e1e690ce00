// Scene files for tests: a fresh temporary directory per test with scene
// text and small generated images (bottom-left pixel magenta = transparent).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "velscene/platform/graphics/image_files.h"
#include "velscene/scene/scene_loader.h"
#include "runner/scene_render.h"

namespace vel::testing {

class SceneDir {
 public:
  SceneDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("velscene_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~SceneDir() { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories((dir_ / name).parent_path());
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return Path(name);
  }
  // A w x h image of one colour (0x00RRGGBB) whose bottom-left pixel is magenta.
  std::string Image(const std::string& name, int32_t w, int32_t h, uint32_t rgb) const {
    std::vector<uint32_t> px(size_t(w) * size_t(h), rgb);
    px[size_t(h - 1) * size_t(w)] = 0xFF00FF;
    std::filesystem::create_directories((dir_ / name).parent_path());
    SaveImageFile(Path(name), px.data(), w, h);
    return Path(name);
  }

 private:
  std::filesystem::path dir_;
};

// Runs a scene headless and returns its trace lines, parsed.
inline std::vector<nlohmann::json> TraceOf(const SceneDesc& desc, int64_t ticks) {
  std::vector<nlohmann::json> lines;
  RunSceneHeadless(desc, ticks, [&](const std::string& l) { lines.push_back(nlohmann::json::parse(l)); }, nullptr);
  return lines;
}

}  // namespace vel::testing
