// The trace of a small scene: collision, arrival, hover and click at the ticks
// worked out by hand, with positions, screen placement and display order.
#include <string>

#include "scene_test_files.h"

using namespace vel;
using nlohmann::json;
using vel::testing::SceneDir;
using vel::testing::TraceOf;

namespace {

// No map: the projection origin is (0, 0) and nothing scrolls. Every figure
// is 32 x 48 with its anchor at the middle of the bottom edge, radius and
// speed 0.5. walker (0,0) heads for (5,0) and meets block (3,0); runner (0,2)
// walks to (2,2); the pointer rests on lamp during ticks 2 and 3; block is
// clicked after tick 6 and the pointer stays on it.
constexpr const char* kScene = R"({
  "view": {"width": 400, "height": 300, "interval": 50, "color": "#102030"},
  "figures": [
    {"name": "walker", "X": 0, "Y": 0, "Width": 32, "Height": 48, "CenterX": 16, "CenterY": 48,
     "frames": [{"number": 1, "image": "f.png"}]},
    {"name": "block", "X": 3, "Y": 0, "Width": 32, "Height": 48, "CenterX": 16, "CenterY": 48,
     "frames": [{"number": 1, "image": "f.png"}]},
    {"name": "runner", "X": 0, "Y": 2, "Width": 32, "Height": 48, "CenterX": 16, "CenterY": 48,
     "frames": [{"number": 1, "image": "f.png"}]},
    {"name": "lamp", "X": 6, "Y": 6, "Width": 32, "Height": 48, "CenterX": 16, "CenterY": 48,
     "AutoHighlight": true, "HighlightColor": "#ffff00", "frames": [{"number": 1, "image": "f.png"}]}
  ],
  "place": ["walker", "block", "runner", "lamp"],
  "actions": [
    {"tick": 0, "move": "walker", "to": [5, 0, 0]},
    {"tick": 0, "move": "runner", "to": [2, 2, 0]},
    {"tick": 1, "cursor": [24, 96]},
    {"tick": 3, "cursor": [384, 288]},
    {"tick": 6, "mouseDown": [96, 12], "button": "left"},
    {"tick": 6, "mouseUp": [96, 12]}
  ]
})";

class SceneTrace : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Image("f.png", 32, 48, 0x808080);
    desc = LoadSceneFile(dir.Write("trace.json", kScene));
    lines = TraceOf(desc, 8);
  }
  SceneDir dir;
  SceneDesc desc;
  std::vector<json> lines;
};

}  // namespace

TEST_F(SceneTrace, OneLinePerTickFromZero) {
  ASSERT_EQ(lines.size(), 9u);
  for (size_t k = 0; k < lines.size(); ++k) {
    EXPECT_EQ(lines[k]["tick"], k);
    EXPECT_EQ(lines[k]["ScrollX"], 0);
    EXPECT_EQ(lines[k]["ScrollY"], 0);
  }
}

TEST_F(SceneTrace, EventsAtTheTicksWorkedOutByHand) {
  ASSERT_EQ(lines.size(), 9u);
  // Pixel (24, 96) is ground point (4.5, 4.5); (384, 288) is (20, 5); (96, 12)
  // is (2.5, -0.5): sx/48 + sy/24 and sy/24 - sx/48 + 1, all exact.
  const json expected[9] = {
      json::array(),
      json::parse(R"([{"event": "mousemove", "x": 24, "y": 96, "gridX": 4.5, "gridY": 4.5}])"),
      json::parse(R"([{"event": "mouseover", "figure": "lamp"}])"),
      json::parse(R"([{"event": "mouseover", "figure": "lamp"},
                      {"event": "mousemove", "x": 384, "y": 288, "gridX": 20, "gridY": 5}])"),
      json::parse(R"([{"event": "arrival", "figure": "runner"}])"),
      json::parse(R"([{"event": "collide", "figure": "walker", "collider": "block", "code": 1}])"),
      json::parse(R"([{"event": "mousedown", "x": 96, "y": 12, "gridX": 2.5, "gridY": -0.5, "button": "left"},
                      {"event": "click", "figure": "block"},
                      {"event": "mouseup", "x": 96, "y": 12, "gridX": 2.5, "gridY": -0.5, "button": "left"}])"),
      // The click left the pointer on block: it is hovered on every later tick.
      json::parse(R"([{"event": "mouseover", "figure": "block"}])"),
      json::parse(R"([{"event": "mouseover", "figure": "block"}])"),
  };
  for (size_t k = 0; k < 9; ++k) EXPECT_EQ(lines[k]["events"], expected[k]) << "tick " << k;
}

TEST_F(SceneTrace, WalkerStopsAtTwoOnTheFifthTick) {
  const float x[9] = {0, 0.5f, 1, 1.5f, 2, 2, 2, 2, 2};
  for (size_t k = 0; k < 9; ++k) {
    const json& w = lines[k]["figures"]["walker"];
    EXPECT_EQ(w["X"].get<float>(), x[k]) << "tick " << k;
    EXPECT_EQ(w["Y"], 0);
    EXPECT_EQ(w["Moving"], k < 5) << "tick " << k;
    EXPECT_EQ(w["Depth"].get<float>(), x[k]);
  }
  // (0.5, 0, 0): px = Round(1.5 * 24) = 36, py = Round(-0.5 * 12) = -6 (ties to even).
  EXPECT_EQ(lines[1]["figures"]["walker"]["ScreenX"], 36 - 16);
  EXPECT_EQ(lines[1]["figures"]["walker"]["ScreenY"], -6 - 48);
  // (2, 0, 0): px = 72, py = 12.
  EXPECT_EQ(lines[5]["figures"]["walker"]["ScreenX"], 72 - 16);
  EXPECT_EQ(lines[5]["figures"]["walker"]["ScreenY"], 12 - 48);
}

TEST_F(SceneTrace, RunnerArrivesOnTheFourthTick) {
  const float x[9] = {0, 0.5f, 1, 1.5f, 2, 2, 2, 2, 2};
  for (size_t k = 0; k < 9; ++k) {
    const json& r = lines[k]["figures"]["runner"];
    EXPECT_EQ(r["X"].get<float>(), x[k]) << "tick " << k;
    EXPECT_EQ(r["Y"], 2);
    EXPECT_EQ(r["Moving"], k < 4) << "tick " << k;
  }
  // Block and lamp never move.
  EXPECT_EQ(lines[8]["figures"]["block"]["X"], 3);
  EXPECT_EQ(lines[8]["figures"]["block"]["Moving"], false);
  EXPECT_EQ(lines[8]["figures"]["lamp"]["ScreenX"], 24 - 16);
  EXPECT_EQ(lines[8]["figures"]["lamp"]["ScreenY"], 132 - 48);
}

// Line 0 keeps the insertion order; from tick 1 the list is sorted by X + Y.
// At tick 2 runner (depth 3) ties with block and, the sort being stable,
// stays in front of it; at tick 3 (depth 3.5) it has passed it.
TEST_F(SceneTrace, OrderFollowsTheDepthSort) {
  const json insertion = {"walker", "block", "runner", "lamp"};
  const json runnerFirst = {"walker", "runner", "block", "lamp"};
  EXPECT_EQ(lines[0]["order"], insertion);
  EXPECT_EQ(lines[1]["order"], runnerFirst);
  EXPECT_EQ(lines[2]["order"], runnerFirst);
  EXPECT_EQ(lines[3]["order"], insertion);
  EXPECT_EQ(lines[8]["order"], insertion);
}

TEST_F(SceneTrace, SameSceneSameTrace) {
  EXPECT_EQ(TraceOf(desc, 8), lines);
}
