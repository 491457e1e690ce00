// Tiled maps as scenes: a scene file's {"tiled": ...} map with the scene's
// own figures, a map opened on its own, the errors, and the whole-map
// picture checked against the editor's cell layout from the format's
// documentation (cell centres per orientation and stagger setting).
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <map>

#include "runner/scene_render.h"
#include "tiled_test_files.h"
#include "velscene/scene/scene_loader.h"
#include "velscene/tiled/tiled_scene.h"

using namespace vel;
using namespace vel::testing;

namespace {

// `count` diamond tiles w x h in one row, tile t in TileColor(t), clear
// (magenta) outside its diamond.
void WriteDiamondAtlas(const std::string& path, int count, int w, int h) {
  std::vector<uint32_t> px(size_t(count) * w * h, 0xFF00FF);
  for (int t = 0; t < count; ++t)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (std::abs(2 * x + 1 - w) * h + std::abs(2 * y + 1 - h) * w <= w * h)
          px[size_t(y) * count * w + size_t(t * w + x)] = TileColor(t + 1);
  SaveImageFile(path, px.data(), count * w, h);
}

// A w x h map whose cell i (row by row) holds tile i + 1, over a diamond
// atlas of w * h + 3 tiles; tile w * h + 1 is animated (the next two tiles,
// 100 and 50 ms).
std::string Map(const std::string& orientation, const std::string& stagger, int w, int h, const std::string& extra) {
  const int n = w * h;
  std::string gids;
  for (int i = 1; i <= n; ++i) gids += std::to_string(i) + (i < n ? "," : "");
  return "<map orientation=\"" + orientation + "\" " + stagger + " width=\"" + std::to_string(w) + "\" height=\"" +
         std::to_string(h) + "\" tilewidth=\"32\" tileheight=\"16\">\n" +
         " <tileset firstgid=\"1\" name=\"d\" tilewidth=\"32\" tileheight=\"16\" columns=\"" + std::to_string(n + 3) +
         "\"><image source=\"d.png\"/>\n" + "  <tile id=\"" + std::to_string(n) + "\"><animation><frame tileid=\"" +
         std::to_string(n + 1) + "\" duration=\"100\"/><frame tileid=\"" + std::to_string(n + 2) +
         "\" duration=\"50\"/></animation></tile>\n" + " </tileset>\n <layer name=\"g\"><data encoding=\"csv\">" + gids +
         "</data></layer>\n" + extra + "</map>";
}

const char* kObjects = R"( <objectgroup name="o">
  <object id="7" name="Guard" gid="13" x="24" y="24"><properties><property name="Speed" type="float" value="2"/></properties></object>
  <object id="8" name="not a name" gid="2" x="40" y="24"/>
  <object id="9" gid="3" x="40" y="40"/>
 </objectgroup>
)";

TEST(TiledScene, SceneFileTakesTheMapsTilesCellsAndFiguresBeforeItsOwn) {
  TiledDir dir;
  WriteDiamondAtlas(dir / "d.png", 15, 32, 16);
  const std::string tmx = dir.Write("m.tmx", Map("isometric", "", 4, 3, kObjects));
  const std::string scene = dir.Write("s.json", R"({"view": {"interval": 50}, "map": {"tiled": "m.tmx"},
    "figures": [{"name": "Extra"}], "key": "Guard"})");
  const SceneDesc d = LoadSceneFile(scene);
  const TiledScene t = LoadTiledScene(tmx, 50);
  ASSERT_TRUE(d.Map);
  EXPECT_EQ(std::make_pair(d.Map->Width, d.Map->Height), std::make_pair(t.Width, t.Height));
  ASSERT_EQ(d.Map->Cells.size(), t.Cells.size());
  for (size_t i = 0; i < t.Cells.size(); ++i) {
    EXPECT_EQ(d.Map->Cells[i].Tile, t.Cells[i].Tile) << i;
    EXPECT_EQ(d.Map->Cells[i].Passable, t.Cells[i].Blocked == 0) << i;
  }
  ASSERT_EQ(d.Tiles.size(), t.Tiles.size());
  ASSERT_EQ(d.Figures.size(), 4u);
  EXPECT_EQ(d.Figures[0].Name, "Guard");
  EXPECT_EQ(d.Figures[1].Name, "Object8");
  EXPECT_EQ(d.Figures[2].Name, "Object9");
  EXPECT_EQ(d.Figures[3].Name, "Extra");
  EXPECT_EQ(d.Key, 0);
  // The animated tile at 50 ms: 100 ms is two ticks, 50 ms one.
  ASSERT_EQ(d.Figures[0].Scripts.size(), 1u);
  EXPECT_EQ(d.Figures[0].Scripts[0].Frames, (std::vector<int32_t>{1, 1, 2}));
  ASSERT_TRUE(d.Figures[0].Play);
  EXPECT_TRUE(d.Figures[0].Play->Loop);
  // The object's own Speed comes after its place.
  EXPECT_EQ(d.Figures[0].Props.back().Info->Name, "Speed");
  EXPECT_EQ(std::get<double>(d.Figures[0].Props.back().Value), 2.0);

  // On its own the map is a scene following its first figure.
  const SceneDesc own = LoadSceneFile(tmx);
  EXPECT_EQ(own.Figures.size(), 3u);
  EXPECT_EQ(own.Key, 0);
  const SceneDesc bare = LoadSceneFile(dir.Write("bare.tmx", Map("isometric", "", 4, 3, "")));
  ASSERT_EQ(bare.Figures.size(), 1u);
  EXPECT_EQ(bare.Key, 0);
}

TEST(TiledScene, ProblemsNameTheSceneAndTheMap) {
  TiledDir dir;
  WriteDiamondAtlas(dir / "d.png", 15, 32, 16);
  dir.Write("m.tmx", Map("isometric", "", 4, 3, kObjects));
  dir.Write("bad.tmx", "<map orientation=\"isometric\" width=\"2\" height=\"2\" tilewidth=\"32\" tileheight=\"20\"/>");
  struct Bad {
    const char* Scene;
    const char* Where;
    const char* Problem;
  };
  for (const Bad& b : {
           Bad{R"({"map": {"tiled": "bad.tmx"}})", "map.tiled", "bad.tmx"},
           Bad{R"({"map": {"tiled": "none.tmx"}})", "map.tiled", "none.tmx"},
           Bad{R"({"map": {"tiled": "m.tmx", "width": 3}})", "map", "width"},
           Bad{R"({"tiles": [], "map": {"tiled": "m.tmx"}})", "map", "own tiles"},
           Bad{R"({"map": {"tiled": "m.tmx"}, "figures": [{"name": "guard"}]})", "figures[0].name", "Tiled map"},
       }) {
    SCOPED_TRACE(b.Scene);
    try {
      LoadSceneFile(dir.Write("s.json", b.Scene));
      ADD_FAILURE() << "loaded";
    } catch (const ESceneError& e) {
      EXPECT_EQ(e.File, dir / "s.json");
      EXPECT_NE(e.Where.find(b.Where), std::string::npos) << e.what();
      EXPECT_NE(e.Problem.find(b.Problem), std::string::npos) << e.what();
    }
  }
  // Opened on its own, the error names the map file.
  try {
    LoadSceneFile(dir / "bad.tmx");
    ADD_FAILURE() << "loaded";
  } catch (const ESceneError& e) {
    EXPECT_EQ(e.File, dir / "bad.tmx");
    EXPECT_NE(e.Problem.find("half the tile width"), std::string::npos) << e.what();
  }
}

}  // namespace
