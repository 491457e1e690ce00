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
         "\"><image source=\"d.png\" trans=\"ff00ff\"/>\n" + "  <tile id=\"" + std::to_string(n) + "\"><animation><frame tileid=\"" +
         std::to_string(n + 1) + "\" duration=\"100\"/><frame tileid=\"" + std::to_string(n + 2) +
         "\" duration=\"50\"/></animation></tile>\n" + " </tileset>\n <layer name=\"g\"><data encoding=\"csv\">" + gids +
         "</data></layer>\n" + extra + "</map>";
}

TEST(TiledScene, WholeMapPictureKeepsTheEditorsCellLayout) {
  struct Case {
    const char* Orientation;
    const char* Stagger;
    int W, H;
  };
  for (const Case& c : {Case{"isometric", "", 4, 3}, Case{"isometric", "", 2, 5},
                        Case{"staggered", "staggeraxis=\"y\" staggerindex=\"odd\"", 3, 4},
                        Case{"staggered", "staggeraxis=\"y\" staggerindex=\"even\"", 3, 4},
                        Case{"staggered", "staggeraxis=\"x\" staggerindex=\"odd\"", 4, 3},
                        Case{"staggered", "staggeraxis=\"x\" staggerindex=\"even\"", 4, 3}}) {
    SCOPED_TRACE(std::string(c.Orientation) + " " + c.Stagger);
    TiledDir dir;
    WriteDiamondAtlas(dir / "d.png", c.W * c.H + 3, 32, 16);
    const std::string map = dir.Write("m.tmx", Map(c.Orientation, c.Stagger, c.W, c.H, ""));
    const std::string png = dir / "m.png";
    WriteSceneImage(LoadSceneFile(map), 1, png);
    const DecodedImage img = LoadImageFile(png);

    // Each tile's pixels: count and centroid.
    std::map<uint32_t, std::array<double, 3>> seen;
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x) {
        auto& s = seen[img.pixels[size_t(y) * img.width + x]];
        s[0] += 1, s[1] += x, s[2] += y;
      }
    const bool stagger = std::string(c.Orientation) == "staggered";
    const bool axisX = std::string(c.Stagger).find("\"x\"") != std::string::npos;
    const bool even = std::string(c.Stagger).find("even") != std::string::npos;
    auto editorCentre = [&](int col, int row, double& x, double& y) {
      if (!stagger) {
        x = (col - row) * 16.0, y = (col + row) * 8.0;
      } else if (!axisX) {
        x = col * 32.0 + ((row % 2 == 1) != even ? 16.0 : 0.0), y = row * 8.0;
      } else {
        x = col * 16.0, y = row * 16.0 + ((col % 2 == 1) != even ? 8.0 : 0.0);
      }
    };
    const auto& first = seen[TileColor(1)];
    ASSERT_GT(first[0], 0) << "tile 1 not drawn";
    double x0, y0;
    editorCentre(0, 0, x0, y0);
    for (int row = 0; row < c.H; ++row)
      for (int col = 0; col < c.W; ++col) {
        const int t = row * c.W + col + 1;
        const auto& s = seen[TileColor(t)];
        ASSERT_EQ(s[0], first[0]) << "tile " << t << " is cut or covered";
        double ex, ey;
        editorCentre(col, row, ex, ey);
        EXPECT_DOUBLE_EQ(s[1] / s[0] - first[1] / first[0], ex - x0) << "tile " << t;
        EXPECT_DOUBLE_EQ(s[2] / s[0] - first[2] / first[0], ey - y0) << "tile " << t;
      }
  }
}

// More tall tiles than the display list has slots: every one is drawn (the
// 32 x 16 diamonds are as high as a 32-pixel cell, so each stands among the
// figures). 320 cells share 200 tiles; each colour covers its cells' diamonds.
TEST(TiledScene, ManyTallTilesAreAllDrawn) {
  TiledDir dir;
  constexpr int kW = 20, kH = 16, kTiles = 200;
  WriteDiamondAtlas(dir / "d.png", kTiles, 32, 16);
  std::string gids;
  for (int i = 0; i < kW * kH; ++i) gids += std::to_string(i % kTiles + 1) + (i + 1 < kW * kH ? "," : "");
  const std::string map = dir.Write(
      "m.tmx", "<map orientation=\"isometric\" width=\"20\" height=\"16\" tilewidth=\"32\" tileheight=\"16\">"
               "<tileset firstgid=\"1\" name=\"d\" tilewidth=\"32\" tileheight=\"16\" columns=\"200\">"
               "<image source=\"d.png\" trans=\"ff00ff\"/></tileset><layer name=\"g\"><data encoding=\"csv\">" +
               gids + "</data></layer></map>");
  const std::string png = dir / "m.png";
  WriteSceneImage(LoadSceneFile(map), 1, png);
  const DecodedImage img = LoadImageFile(png);
  std::map<uint32_t, int> count;
  for (uint32_t p : img.pixels) ++count[p];
  int diamond = 0;  // pixels of one diamond
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) diamond += std::abs(2 * x + 1 - 32) * 16 + std::abs(2 * y + 1 - 16) * 32 <= 32 * 16;
  for (int t = 1; t <= kTiles; ++t) {
    const int cells = (kW * kH) / kTiles + (t <= (kW * kH) % kTiles ? 1 : 0);
    EXPECT_EQ(count[TileColor(t)], cells * diamond) << "tile " << t;
  }
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
  EXPECT_EQ(d.View.CellWidth, 32);
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
  EXPECT_EQ(own.View.CellWidth, 32);
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
           Bad{R"({"view": {"cellWidth": 48}, "map": {"tiled": "m.tmx"}})", "view.cellWidth", "32 pixels wide"},
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
