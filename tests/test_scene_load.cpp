// A good scene file builds what it says: properties by name, sheet frames,
// scripts, map, placement, key figure, walk scripts and timed figure actions.
#include <random>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "scene_test_files.h"
#include "runner/scene_runner.h"

using namespace vel;
using nlohmann::json;
using vel::testing::SceneDir;
using vel::testing::TraceOf;

namespace {

constexpr uint32_t kCell[6] = {0xC00000, 0x00C000, 0x0000C0, 0xC0C000, 0x00C0C0, 0xC000C0};

class SceneLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SelectBackend("headless");
    // A 3 x 2 sheet of 8 x 8 cells, one colour each, bottom-left pixel of
    // every cell magenta.
    std::vector<uint32_t> px(24 * 16);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 24; ++x) px[size_t(y * 24 + x)] = (y % 8 == 7 && x % 8 == 0) ? 0xFF00FF : kCell[(y / 8) * 3 + x / 8];
    SaveImageFile(dir.Path("sheet.png"), px.data(), 24, 16);
    dir.Image("tiles/ground.png", 48, 23, 0x406020);
    dir.Image("tiles/tall.png", 48, 30, 0x808080);
    dir.Image("one.png", 8, 8, 0x102030);
  }
  SceneDir dir;
};

uint32_t FramePixel(const TAniFigure* f, int32_t frame, int32_t x, int32_t y) {
  const PixelView v = LockPixels(f->Image(frame));
  return v.valid ? v.pixels[size_t(y) * size_t(v.width) + size_t(x)] : 0xFFFFFFFF;
}

}  // namespace

TEST_F(SceneLoad, BuildsFiguresMapAndPlacement) {
  const SceneDesc desc = LoadSceneFile(dir.Write("good.json", R"({
    "view": {"width": 320, "height": 200, "interval": 40, "color": "#203040"},
    "tiles": [{"number": 1, "image": "tiles/ground.png"}, {"number": 9, "image": "tiles/tall.png"}],
    "map": {"width": 6, "height": 5,
            "ranges": [{"x1": -3, "y1": 0, "x2": 9, "y2": 4, "tile": 1}, {"x1": 2, "y1": 2, "x2": 3, "y2": 2, "tile": 9, "passable": false}],
            "cells": [{"x": 5, "y": 4, "passable": false}, {"x": 0, "y": 0, "tile": 0}]},
    "figures": [
      {"name": "spare", "frames": [{"number": 1, "image": "one.png"}]},
      {"name": "hero", "X": 1, "Y": 3, "Z": 0.5, "Speed": 0.25, "Radius": 0.3, "Width": 8, "Height": 8, "CenterX": 4,
       "CenterY": 7, "Shadow": true, "ShadowRadius": 0.2, "HighlightColor": "#ff8000", "Highlighted": true,
       "Transparent": true, "Passable": true, "AutoHighlight": true,
       "frames": {"sheet": "sheet.png", "width": 8, "height": 8, "first": 10},
       "scripts": [{"number": 2, "frames": [15, 10, 11]}], "play": {"script": 2, "loop": true}},
      {"name": "other", "X": 4, "Y": 1, "frames": [{"number": 1, "image": "one.png"}]}
    ],
    "place": ["other", "hero"],
    "key": "hero"})"));
  TSceneRunner run(desc);
  run.Start();
  ASSERT_EQ(run.FigureCount(), 3u);
  TAniFigure* hero = run.Figure(1);
  EXPECT_EQ(hero->Name(), "hero");
  EXPECT_EQ(hero->X(), 1.0f);
  EXPECT_EQ(hero->Y(), 3.0f);
  EXPECT_EQ(hero->Z(), 0.5f);
  EXPECT_EQ(hero->Speed, 0.25f);
  EXPECT_EQ(hero->Radius, 0.3f);
  EXPECT_EQ(hero->Width, 8u);
  EXPECT_EQ(hero->CenterY, 7);
  EXPECT_TRUE(hero->Shadow && hero->Highlighted && hero->Transparent && hero->Passable && hero->AutoHighlight);
  EXPECT_EQ(hero->ShadowRadius, 0.2f);
  EXPECT_EQ(hero->HighlightColor(), TColor(RGB(255, 128, 0)));
  // Sheet cells become frames 10..15 in reading order; their transparent
  // bottom-left pixel is black in the figure's image.
  for (int32_t n = 10; n <= 15; ++n) {
    EXPECT_EQ(FramePixel(hero, n, 3, 3), kCell[n - 10]) << n;
    EXPECT_EQ(FramePixel(hero, n, 0, 7), 0u) << n;
  }
  EXPECT_FALSE(hero->FrameLoaded(9));
  EXPECT_FALSE(hero->FrameLoaded(16));
  ASSERT_NE(hero->Script(2), nullptr);
  EXPECT_EQ(hero->Script(2)->Count, 3u);
  EXPECT_EQ(hero->PlayingScript(), 2);
  EXPECT_TRUE(hero->Looping());
  // The map is bound first, so its two tall tiles hold slots 1 and 2; then
  // the figures take slots in placement order; "spare" is not placed; the
  // camera follows hero.
  EXPECT_EQ(run.Figure(2)->Slot(), 3);
  EXPECT_EQ(hero->Slot(), 4);
  EXPECT_EQ(run.Figure(0)->Slot(), 0);
  EXPECT_EQ(run.View()->KeyFigure(), 4);
  // View and map.
  EXPECT_EQ(run.View()->Width(), 320);
  EXPECT_EQ(run.View()->Interval(), 40u);
  EXPECT_EQ(run.View()->Color(), TColor(RGB(0x20, 0x30, 0x40)));
  TAniMap* map = run.Map();
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->Width(), 6u);
  EXPECT_EQ(map->GetGridTile(0, 0), 0);  // the cell overrides the range
  EXPECT_EQ(map->GetGridTile(5, 4), 1);
  EXPECT_FALSE(map->GetPassable(5, 4));
  EXPECT_EQ(map->GetGridTile(3, 2), 9);
  EXPECT_FALSE(map->GetPassable(2, 2));
  EXPECT_TRUE(map->GetPassable(1, 1));
  EXPECT_TRUE(run.View()->MapBound());
  // The two tall tiles (cells (2,2) and (3,2)) are display-list entries.
  int tall = 0;
  for (int32_t s = run.View()->First(); s > 0; s = run.View()->Entry(s)->Next) tall += !run.View()->Entry(s)->IsFigure;
  EXPECT_EQ(tall, 2);
}

TEST_F(SceneLoad, FigureActionsRunAtTheirTicks) {
  const SceneDesc desc = LoadSceneFile(dir.Write("actions.json", R"({
    "figures": [
      {"name": "a", "X": 1, "Y": 1, "frames": {"sheet": "sheet.png", "width": 8, "height": 8},
       "scripts": [{"number": 1, "frames": [4, 5]}]},
      {"name": "b", "X": 5, "Y": 5, "frames": [{"number": 1, "image": "one.png"}],
       "route": {"waypoints": [[5, 7, 0]]}}
    ],
    "place": ["a"],
    "actions": [
      {"tick": 1, "setPos": "a", "to": [3, 2, 1]},
      {"tick": 2, "remove": "a"},
      {"tick": 2, "add": "b"},
      {"tick": 3, "add": "a"},
      {"tick": 3, "playScript": "a", "script": 1, "loop": false}
    ]})"));
  const std::vector<json> t = TraceOf(desc, 6);
  EXPECT_EQ(t[0]["figures"]["a"]["X"], 1);
  EXPECT_EQ(t[1]["figures"]["a"]["X"], 3);
  EXPECT_EQ(t[1]["figures"]["a"]["Z"], 1);
  EXPECT_EQ(t[1]["figures"]["a"]["Depth"], 5);
  EXPECT_TRUE(t[2]["figures"]["a"]["ScreenX"].is_null());  // removed
  EXPECT_EQ(t[2]["order"], json({"b"}));
  EXPECT_EQ(t[3]["order"], json({"b", "a"}));  // added again at the near end
  // b was not placed at set-up; added, it starts its route: (5,5) to (5,7).
  EXPECT_TRUE(t[1]["figures"]["b"]["ScreenX"].is_null());
  EXPECT_EQ(t[2]["figures"]["b"]["Moving"], true);
  EXPECT_EQ(t[3]["figures"]["b"]["Y"], 5.5);
  // The script plays frames 4 and 5 on ticks 4 and 5, then stops on frame 5.
  EXPECT_EQ(t[3]["figures"]["a"]["Frame"], 1);
  EXPECT_EQ(t[4]["figures"]["a"]["Frame"], 4);
  EXPECT_EQ(t[5]["figures"]["a"]["Frame"], 5);
  EXPECT_EQ(t[6]["figures"]["a"]["Frame"], 5);
}

// Walk scripts follow the direction of each move the runner starts: +X is
// SE, +Y SW, -X NW, -Y NE; idle plays when the walk ends.
TEST_F(SceneLoad, WalkScriptsFollowTheDirection) {
  const SceneDesc desc = LoadSceneFile(dir.Write("walk.json", R"({
    "view": {"interval": 10},
    "figures": [
      {"name": "w", "X": 0, "Y": 0, "Speed": 1, "frames": {"sheet": "sheet.png", "width": 8, "height": 8},
       "scripts": [{"number": 1, "frames": [1]}, {"number": 2, "frames": [2]}, {"number": 3, "frames": [3]},
                   {"number": 4, "frames": [4]}, {"number": 5, "frames": [5]}],
       "walk": {"SE": 1, "SW": 2, "NW": 3, "NE": 4, "idle": 5},
       "route": {"waypoints": [[2, 0, 0], [2, 2, 0], [0, 2, 0], [0, 0, 0]]}}
    ]})"));
  TSceneRunner run(desc);
  std::vector<int32_t> playing;
  run.OnStep = [&](int64_t) { playing.push_back(run.Figure(0)->PlayingScript()); };
  run.Start();
  run.SetActive(true);
  for (int i = 0; i < 9; ++i) HeadlessBackend()->Advance(10);
  // Each leg takes two ticks at speed 1; the arrival turns the figure.
  const std::vector<int32_t> expected = {1, 1, 2, 2, 3, 3, 4, 4, 5, 5};
  EXPECT_EQ(playing, expected);
  EXPECT_EQ(run.Figure(0)->X(), 0.0f);
  EXPECT_EQ(run.Figure(0)->Y(), 0.0f);
}

// A desc made in code is not checked by the loader: out-of-range figure
// indices are skipped, and a name the host refuses throws without leaking.
TEST_F(SceneLoad, HandMadeDescriptionsAreSafe) {
  SceneDesc desc;
  desc.Figures.push_back({});
  desc.Figures[0].Name = "only";
  desc.Place = {0, 5, -2};
  desc.Key = 7;
  SceneActionDesc act;
  act.Tick = 0;
  act.Kind = SceneActionKind::Move;
  act.Figure = 9;
  desc.Actions.push_back(act);
  {
    TSceneRunner run(desc);
    run.Start();
    EXPECT_EQ(run.Figure(0)->Slot(), 1);
    EXPECT_EQ(run.View()->KeyFigure(), 0);
  }
  desc.Figures[0].Name = "not a name";
  const int forms = Application().FormCount();
  EXPECT_THROW(TSceneRunner run(desc), EComponentError);
  EXPECT_EQ(Application().FormCount(), forms);
}

// The same random grid written as rows through a legend, as cell lists and as
// ranges (objects and short lists) builds the same map; rows go first, then
// ranges, then cells.
TEST_F(SceneLoad, MapFormsBuildTheSameCells) {
  std::mt19937 rng(16);
  const int W = 37, H = 23;
  std::vector<int> tile(W * H), pass(W * H);
  const char* chars = ".gT~";  // tile 0, 1 and 9 passable, 9 blocked
  const int tiles[] = {0, 1, 9, 9}, passable[] = {1, 1, 1, 0};
  json rows = json::array(), cellLists = json::array(), cellObjects = json::array(), ranges = json::array();
  for (int y = 0; y < H; ++y) {
    std::string row;
    for (int x = 0; x < W; ++x) {
      const int k = int(rng() % 4);
      row += chars[k];
      tile[y * W + x] = tiles[k];
      pass[y * W + x] = passable[k];
      cellLists.push_back({x, y, tiles[k], passable[k] != 0});
      cellObjects.push_back({{"x", x}, {"y", y}, {"tile", tiles[k]}, {"passable", passable[k] != 0}});
      ranges.push_back({x, y, x, y, tiles[k], passable[k] != 0});
    }
    rows.push_back(row);
  }
  const json legend = {{".", 0}, {"g", 1}, {"T", 9}, {"~", {{"tile", 9}, {"passable", false}}}};
  const json base = {{"tiles", {{{"number", 1}, {"image", "tiles/ground.png"}}, {{"number", 9}, {"image", "tiles/tall.png"}}}}};
  const json maps[] = {
      {{"width", W}, {"height", H}, {"legend", legend}, {"rows", rows}},
      {{"width", W}, {"height", H}, {"cells", cellLists}},
      {{"width", W}, {"height", H}, {"cells", cellObjects}},
      {{"width", W}, {"height", H}, {"ranges", ranges}},
      // Rows under a range under a cell: the cell wins, then the range.
      {{"width", W}, {"height", H}, {"legend", legend}, {"rows", rows},
       {"ranges", {{0, 0, 1, 0, 1, false}}}, {"cells", {{0, 0, 9}}}},
  };
  for (size_t k = 0; k < std::size(maps); ++k) {
    json scene = base;
    scene["map"] = maps[k];
    const SceneDesc desc = LoadSceneFile(dir.Write("map" + std::to_string(k) + ".json", scene.dump()));
    TSceneRunner run(desc);
    run.Start();
    const TAniMap* map = run.Map();
    if (k == 4) {
      tile[0] = 9, pass[0] = 0;
      tile[1] = 1, pass[1] = 0;
    }
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        ASSERT_EQ(map->GetGridTile(x, y), tile[y * W + x]) << k << ": " << x << ", " << y;
        ASSERT_EQ(map->GetPassable(x, y), pass[y * W + x] != 0) << k << ": " << x << ", " << y;
      }
  }
}

// A map whose tall tiles would take every slot: the figures are placed first
// (one added later by an action keeps its slot too), stand where the map's
// projection puts them, and the tall tiles beyond the slots are in the side list.
TEST_F(SceneLoad, TallTilesLeaveTheFiguresTheirSlots) {
  const SceneDesc desc = LoadSceneFile(dir.Write("forest.json", R"({
    "tiles": [{"number": 9, "image": "tiles/tall.png"}],
    "map": {"width": 20, "height": 20, "ranges": [[0, 0, 19, 19, 9]]},
    "figures": [{"name": "a", "X": 3, "Y": 4, "frames": [{"number": 1, "image": "one.png"}]},
                {"name": "b", "X": 5, "Y": 5, "frames": [{"number": 1, "image": "one.png"}]},
                {"name": "late", "X": 6, "Y": 2, "frames": [{"number": 1, "image": "one.png"}]}],
    "place": ["a", "b"],
    "actions": [{"tick": 2, "add": "late"}]})"));
  TSceneRunner run(desc);
  run.Start();
  TAniView* view = run.View();
  EXPECT_EQ(view->SideTileCount(), 361 - (255 - 3));
  EXPECT_EQ(run.Figure(2)->Slot(), 0);
  for (int i = 0; i < 2; ++i) {
    TAniFigure* f = run.Figure(size_t(i));
    ASSERT_GT(f->Slot(), 0);
    int32_t sx, sy;
    view->GridToScreen(f->X(), f->Y(), f->Z(), sx, sy);
    EXPECT_EQ(view->Entry(f->Slot())->ScreenX, sx - f->CenterX);
    EXPECT_EQ(view->Entry(f->Slot())->ScreenY, sy - f->CenterY);
  }
  THeadlessBackend* clock = HeadlessBackend();
  run.SetActive(true);
  clock->Advance(3 * desc.View.Interval);
  EXPECT_GT(run.Figure(2)->Slot(), 0);
}
