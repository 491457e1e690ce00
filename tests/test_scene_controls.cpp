// The camera controls of a running scene, driven by key and wheel actions and
// read back from the trace: a pan key releases the follow and pans, a held
// key pans every tick, the wheel and Minus zoom around the pointer, F follows
// again, Escape ends the run.
#include <string>

#include "scene_test_files.h"

using namespace vel;
using nlohmann::json;
using vel::testing::SceneDir;
using vel::testing::TraceOf;

namespace {

constexpr const char* kScene = R"({
  "view": {"width": 400, "height": 300, "interval": 50, "zoom": 2},
  "tiles": [{"number": 1, "image": "ground.png"}],
  "map": {"width": 10, "height": 10, "ranges": [{"x1": 0, "y1": 0, "x2": 9, "y2": 9, "tile": 1}]},
  "figures": [{"name": "hero", "X": 5, "Y": 5, "Width": 32, "Height": 48, "CenterX": 16, "CenterY": 48,
               "frames": [{"number": 1, "image": "hero.png"}]}],
  "key": "hero",
  "actions": [
    {"tick": 1, "key": "Left"},
    {"tick": 3, "keyDown": "D"},
    {"tick": 5, "keyUp": "d"},
    {"tick": 6, "wheel": 1, "at": [200, 150]},
    {"tick": 7, "key": "Minus"},
    {"tick": 8, "key": "F"},
    {"tick": 9, "key": "Escape"}
  ]
})";

class SceneControls : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Image("ground.png", 48, 23, 0x3C7A2E);
    dir.Image("hero.png", 32, 48, 0xC04020);
    desc = LoadSceneFile(dir.Write("controls.json", kScene));
  }
  SceneDir dir;
  SceneDesc desc;
};

std::string Events(const json& line) {
  std::string s;
  for (const json& e : line["events"]) {
    s += e["event"].get<std::string>();
    if (e.contains("key")) s += " " + e["key"].get<std::string>() + " " + std::to_string(e["char"].get<int>());
    if (e.contains("delta"))
      s += " " + std::to_string(e["delta"].get<int>()) + " at " + std::to_string(e["x"].get<int>()) + "," +
           std::to_string(e["y"].get<int>());
    s += "; ";
  }
  return s;
}

}  // namespace

TEST_F(SceneControls, KeysAndWheelDriveTheCameraTickByTick) {
  EXPECT_EQ(desc.View.Zoom, 2);
  const std::vector<json> lines = TraceOf(desc, 20);
  ASSERT_EQ(lines.size(), 10u);  // Escape after tick 9 ends the run
  // Tick 1: the camera rule centres hero in the 200 x 150 composed frame.
  const json& hero = lines[1]["figures"]["hero"];
  const int x1 = (200 - 32) / 2 - hero["ScreenX"].get<int>(), y1 = (150 - 48) / 2 - hero["ScreenY"].get<int>();
  // Composed pixels a pan moves per tick at zoom 2 (32 screen pixels).
  const int pan = 16;
  struct Want {
    int X, Y, Zoom;
    bool Following;
    const char* Events;
  };
  const Want want[10] = {
      {0, 0, 2, true, ""},
      {x1, y1, 2, false, "keydown Left 0; keyup Left 0; "},  // the tap releases the follow
      {x1 + pan, y1, 2, false, ""},                           // and pans on the next tick
      {x1 + pan, y1, 2, false, "keydown D 100; "},
      {x1, y1, 2, false, ""},  // D held: a pan every tick
      {x1 - pan, y1, 2, false, "keyup D 100; "},
      // The wheel at window pixel (200, 150) = composed (100, 75): zoom 3
      // keeps background pixel (100 - x, 75 - y) under composed (66, 50).
      {x1 - pan + 66 - 100, y1 + 50 - 75, 3, false, "wheel 120 at 100,75; "},
      {x1 - pan, y1, 2, false, "keydown Minus 0; keyup Minus 0; "},
      {x1 - pan, y1, 2, true, "keydown F 102; keyup F 102; "},
      {x1, y1, 2, true, "keydown Escape 27; "},  // the window closed before the release
  };
  for (size_t k = 0; k < 10; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(lines[k]["ScrollX"], want[k].X);
    EXPECT_EQ(lines[k]["ScrollY"], want[k].Y);
    EXPECT_EQ(lines[k]["Zoom"], want[k].Zoom);
    EXPECT_EQ(lines[k]["Following"], want[k].Following);
    EXPECT_EQ(Events(lines[k]), want[k].Events);
  }
  // The wheel's grid position is that of its composed pixel before the zoom:
  // origin (9 * 24, 23 + 96) for a 10-row map of 23-pixel tiles.
  const json& wheel = lines[6]["events"][0];
  const double sx = 100 - 216 - (x1 - pan), sy = 75 - 119 - y1;
  EXPECT_NEAR(wheel["gridX"].get<double>(), sx / 48 + sy / 24, 1e-5);
  EXPECT_NEAR(wheel["gridY"].get<double>(), sy / 24 - sx / 48 + 1, 1e-5);
}
