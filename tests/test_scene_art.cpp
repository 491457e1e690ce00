// Scene files for other art: view.cellWidth reaches the view (and decides
// which tiles are tall), images keep their alpha unless the scene or the
// image asks for the key, and bad values are refused.
#include "velscene/platform/host/application.h"
#include "runner/scene_runner.h"
#include "scene_test_files.h"

using namespace vel;
using vel::testing::SceneDir;

namespace {

class SceneArt : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SelectBackend("headless");
    dir.Image("ground.png", 48, 23, 0x406020);
    dir.Image("post.png", 48, 30, 0x808080);
    // 8 x 8, alpha 0 in the bottom-left half, 200 elsewhere.
    std::vector<uint32_t> px(64);
    for (int i = 0; i < 64; ++i) px[size_t(i)] = (i % 8 < i / 8 ? 0u : 200u << 24) | 0x305070;
    SaveImageFile(dir.Path("soft.png"), px.data(), 8, 8, true);
  }
  std::string Problem(const std::string& text) {
    try {
      LoadSceneFile(dir.Write("s.json", text));
    } catch (const ESceneError& e) {
      return e.Problem;
    }
    return "(loaded)";
  }
  SceneDir dir;
};

}  // namespace

TEST_F(SceneArt, CellWidthReachesTheViewAndTheTallTest) {
  for (const int width : {48, 64}) {
    SCOPED_TRACE(width);
    const SceneDesc desc = LoadSceneFile(dir.Write("s.json", R"({
      "view": {"cellWidth": )" + std::to_string(width) + R"(},
      "tiles": [{"number": 1, "image": "ground.png"}, {"number": 2, "image": "post.png"}],
      "map": {"width": 4, "height": 4, "ranges": [{"x1": 0, "y1": 0, "x2": 3, "y2": 3, "tile": 1}],
              "cells": [{"x": 2, "y": 2, "tile": 2}]}})"));
    TSceneRunner runner(desc);
    TAniView* view = runner.View();
    EXPECT_EQ(view->CellWidth(), width);
    EXPECT_EQ(view->OriginX(), 3 * (width / 2));
    int tiles = 0;
    for (int32_t s = view->First(); s > 0; s = view->Entry(s)->Next) tiles += !view->Entry(s)->IsFigure;
    EXPECT_EQ(tiles, width == 48 ? 1 : 0);  // 30 pixels: tall in a 24-high cell, flat in a 32-high one
  }
  EXPECT_NE(Problem(R"({"view": {"cellWidth": 63}})").find("must be even"), std::string::npos);
  EXPECT_NE(Problem(R"({"view": {"cellWidth": 6}})"), "(loaded)");
  EXPECT_NE(Problem(R"({"view": {"cellWidth": 1026}})"), "(loaded)");
}

TEST_F(SceneArt, ImagesKeepAlphaUnlessKeyed) {
  auto formats = [&](const std::string& scene, const std::string& tile) {
    const SceneDesc desc = LoadSceneFile(dir.Write("s.json", "{" + scene + R"("tiles": [{"number": 1, "image": "soft.png")" +
                                                              tile + R"(}, {"number": 2, "image": "ground.png"}],
      "figures": [{"name": "a", "frames": {"sheet": "soft.png", "width": 4, "height": 4}}]})"));
    return std::vector<TAlphaFormat>{desc.Tiles[0].Image->AlphaFormat(), desc.Tiles[1].Image->AlphaFormat(),
                                     desc.Figures[0].Frames[0].Image->AlphaFormat()};
  };
  EXPECT_EQ(formats("", ""), (std::vector<TAlphaFormat>{afDefined, afIgnored, afDefined}));
  EXPECT_EQ(formats(R"("alpha": "key",)", ""), (std::vector<TAlphaFormat>{afIgnored, afIgnored, afIgnored}));
  EXPECT_EQ(formats(R"("alpha": "key",)", R"(, "alpha": "keep")"),
            (std::vector<TAlphaFormat>{afDefined, afIgnored, afIgnored}));
  EXPECT_NE(Problem(R"({"alpha": "yes"})").find("expected \"keep\" or \"key\""), std::string::npos);
}

// The demo's pictures in docs/ are what the scenes render at tick 21: the
// 48-pixel demo as it was first committed, and the same demo at 64-pixel
// cells with its scaled RGBA art.
TEST(SceneArtDemo, DocsPicturesAreTheRenderedFrames) {
  Application().SelectBackend("headless");
  const std::string scenes = VELSCENE_SCENES_DIR;
  for (const auto& [scene, picture] : {std::pair{"/demo/demo.json", "/../docs/demo.png"},
                                       std::pair{"/demo64/demo.json", "/../docs/demo64.png"}}) {
    SCOPED_TRACE(scene);
    const SceneDesc desc = LoadSceneFile(scenes + scene);
    std::vector<uint32_t> last;
    RunSceneHeadless(desc, 21, nullptr, [&](const SceneFrame& f) {
      last.assign(f.Pixels, f.Pixels + size_t(f.Width) * size_t(f.Height));
    });
    const DecodedImage want = LoadImageFile(scenes + picture);
    EXPECT_EQ(want.width, desc.View.Width);
    EXPECT_EQ(last, want.pixels);
  }
}
