// The example maps that ship with Debian's tiled package, fetched into the
// build folder (apt-get download and dpkg -x, nothing installed): every map
// reads, the isometric and staggered ones convert with every editor cell in
// place, the others are refused as maps the view cannot show. Skipped with
// a message when the package cannot be fetched.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "velscene/tiled/tiled_reader.h"
#include "velscene/tiled/tiled_scene.h"

using namespace vel;
namespace fs = std::filesystem;

namespace {

class TiledExamples : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path work = fs::path(VELSCENE_TEST_WORK) / "tiled_package";
    examples_ = (work / "x/usr/share/doc/tiled/examples").string();
    if (fs::is_directory(examples_)) return;
    // Each test runs in its own process: fetch into a private folder and
    // move the result into place, so that parallel runs never collide.
    const fs::path tmp = work / ("fetch." + std::to_string(::getpid()));
    fs::create_directories(tmp);
    const std::string cmd = "cd '" + tmp.string() +
                            "' && apt-get download tiled >fetch.log 2>&1 && dpkg -x tiled_*.deb x >>fetch.log 2>&1";
    const bool fetched = std::system(cmd.c_str()) == 0;
    std::error_code ec;
    if (fetched) fs::rename(tmp / "x", work / "x", ec);
    if (!fs::is_directory(examples_)) {
      problem_ = "cannot fetch Debian's tiled package (offline?): see " + (tmp / "fetch.log").string();
      return;
    }
    fs::remove_all(tmp, ec);
  }
  void SetUp() override {
    if (!problem_.empty()) GTEST_SKIP() << problem_;
  }
  static std::string Example(const std::string& name) { return examples_ + "/" + name; }
  static inline std::string examples_, problem_;
};

// Cells that hold a tile, from the map's own layers.
size_t TilesInLayers(const TiledMap& m) {
  size_t n = 0;
  for (const TiledLayer& l : m.Layers)
    for (const TiledChunk& c : l.Chunks)
      for (uint32_t g : c.Gids) n += (g & kTiledGidMask) != 0;
  return n;
}

TEST_F(TiledExamples, IsometricAndStaggeredMapsConvertWithEveryCell) {
  struct Expect {
    const char* File;
    uint32_t Width, Height;
  };
  for (const Expect& e : {Expect{"isometric_grass_and_water.tmx", 25, 26},
                          Expect{"isometric_staggered_grass_and_water.tmx.gz", 64, 64}}) {
    SCOPED_TRACE(e.File);
    const TiledMap map = ReadTiledMap(Example(e.File));
    const TiledScene s = ConvertTiledMap(map);
    EXPECT_EQ(s.CellWidth, 64);
    EXPECT_EQ(std::make_pair(s.Width, s.Height), std::make_pair(e.Width, e.Height));
    size_t filled = 0;
    for (const TMapCell& c : s.Cells) filled += c.Tile != 0;
    EXPECT_EQ(filled, TilesInLayers(map));
    EXPECT_LE(s.Tiles.size(), 24u);
    // The tiles reach 16 pixels below their cells: the grid moved one cell
    // down to the left, and the images keep the editor's pixels.
    for (const auto& t : s.Tiles) EXPECT_EQ(std::make_pair(t->Width(), t->Height()), std::make_pair(96, 64));
  }
}

TEST_F(TiledExamples, EveryOtherMapReadsAndIsRefusedByOrientation) {
  size_t read = 0;
  for (const fs::directory_entry& f : fs::recursive_directory_iterator(examples_)) {
    const std::string name = f.path().filename().string();
    if (name.find(".tmx") == std::string::npos && name.find(".json") == std::string::npos) continue;
    if (name.find("isometric") != std::string::npos) continue;
    SCOPED_TRACE(f.path().string());
    const TiledMap map = ReadTiledMap(f.path().string());
    ++read;
    try {
      ConvertTiledMap(map);
      ADD_FAILURE() << "converted a " << map.Orientation << " map";
    } catch (const ETiledError& e) {
      EXPECT_NE(e.Problem.find(map.Orientation + " map cannot be shown"), std::string::npos) << e.what();
    }
  }
  EXPECT_GE(read, 10u);
}

}  // namespace
