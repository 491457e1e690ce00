// Converting Tiled maps: cells land where the editor draws them for the
// isometric and all four staggered layouts, infinite chunks, flips as the
// editor's rotations, stacks and their numbers, passability, figures from
// tile objects, and maps the view cannot show.
#include <gtest/gtest.h>

#include "tiled_test_files.h"
#include "velscene/figure.h"
#include "velscene/map.h"
#include "velscene/tiled/tiled_reader.h"
#include "velscene/tiled/tiled_scene.h"

using namespace vel;
using namespace vel::testing;

namespace {

uint32_t PixelAt(const TBitmap& b, int x, int y) {
  const ConstPixelView v = ReadPixels(b.Handle());
  return v.pixels[size_t(y) * v.width + x] & 0xFFFFFF;
}

std::string MapHead(const std::string& orientation, int w, int h, int tw, const std::string& extra = "") {
  return "<map orientation=\"" + orientation + "\" width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) +
         "\" tilewidth=\"" + std::to_string(tw) + "\" tileheight=\"" + std::to_string(tw / 2) + "\" " + extra + ">\n";
}

std::string Atlas(int tw, int th, const std::string& inner = "") {
  return "<tileset firstgid=\"1\" name=\"a\" tilewidth=\"" + std::to_string(tw) + "\" tileheight=\"" +
         std::to_string(th) + "\" columns=\"4\"><image source=\"a.png\" trans=\"ff00ff\"/>" + inner + "</tileset>\n";
}

std::string Layer(const std::vector<uint32_t>& gids, int w, int h, const std::string& attrs = "") {
  return "<layer width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) + "\" " + attrs + ">" +
         TmxData(gids, "csv") + "</layer>\n";
}

// Where the editor puts the bottom-left corner of cell (c, r)'s tile, from
// the format's description of the layouts (up to a shift of the whole map).
void EditorCorner(const std::string& layout, int c, int r, int tw, int& x, int& y) {
  const int th = tw / 2;
  const bool oddShifted = layout.find("odd") != std::string::npos;
  if (layout == "isometric") {
    x = (c - r) * tw / 2, y = (c + r) * th / 2 + th;
  } else if (layout[0] == 'y') {  // rows staggered: shifted rows move right by half a tile
    const bool shifted = (r % 2 == 1) == oddShifted;
    x = c * tw + (shifted ? tw / 2 : 0), y = r * th / 2 + th;
  } else {  // columns staggered: shifted columns move down by half a tile
    const bool shifted = (c % 2 == 1) == oddShifted;
    x = c * tw / 2, y = r * th + (shifted ? th / 2 : 0) + th;
  }
}

TEST(TiledConvert, CellsLandWhereTheEditorDrawsThem) {
  TiledDir dir;
  constexpr int kW = 4, kH = 5, kTw = 8;
  WriteTileAtlas(dir / "a.png", kW * kH, 4, kTw, kTw);
  std::vector<uint32_t> gids(kW * kH);
  for (int i = 0; i < kW * kH; ++i) gids[size_t(i)] = uint32_t(i + 1);
  for (const std::string layout : {"isometric", "y odd", "y even", "x odd", "x even"}) {
    SCOPED_TRACE(layout);
    const std::string extra = layout == "isometric" ? ""
                                                    : "staggeraxis=\"" + layout.substr(0, 1) + "\" staggerindex=\"" +
                                                          layout.substr(2) + "\"";
    const std::string text = MapHead(layout == "isometric" ? "isometric" : "staggered", kW, kH, kTw, extra) +
                             Atlas(kTw, kTw) + Layer(gids, kW, kH) + "</map>";
    const TiledScene s = ConvertTiledMap(ReadTiledMap(dir.Write("m.tmx", text)));
    EXPECT_EQ(s.CellWidth, kTw);
    ASSERT_EQ(s.Tiles.size(), size_t(kW * kH));
    int found = 0, dx = 0, dy = 0;
    for (uint32_t gy = 0; gy < s.Height; ++gy)
      for (uint32_t gx = 0; gx < s.Width; ++gx) {
        const TMapCell cell = s.Cells[gy * s.Width + gx];
        if (cell.Tile == 0) {
          EXPECT_EQ(cell.Blocked, 1) << "a cell outside the editor's map is blocked";
          continue;
        }
        EXPECT_EQ(cell.Blocked, 0);
        const TBitmap& img = *s.Tiles[cell.Tile - 1];
        ASSERT_EQ(img.Width(), kTw);
        int gid = 0;
        for (int g = 1; g <= kW * kH; ++g)
          if (PixelAt(img, 4, 4) == TileColor(g)) gid = g;
        ASSERT_GT(gid, 0);
        int ex, ey;
        EditorCorner(layout, (gid - 1) % kW, (gid - 1) / kW, kTw, ex, ey);
        // The view's corner of cell (gx, gy), up to its origin.
        const int vx = (int(gx) - int(gy)) * kTw / 2, vy = (int(gx) + int(gy)) * kTw / 4 + kTw / 2;
        if (found++ == 0) dx = ex - vx, dy = ey - vy;
        EXPECT_EQ(ex - vx, dx) << "cell " << gx << "," << gy;
        EXPECT_EQ(ey - vy, dy) << "cell " << gx << "," << gy;
        // The editor cell's grid position is this cell.
        double tx, ty;
        s.TileToGrid((gid - 1) % kW, (gid - 1) / kW, tx, ty);
        EXPECT_EQ(tx, double(gx));
        EXPECT_EQ(ty, double(gy));
      }
    EXPECT_EQ(found, kW * kH);
  }
}

TEST(TiledConvert, InfiniteChunksFlattenIntoTheirBoundingBox) {
  TiledDir dir;
  WriteTileAtlas(dir / "a.png", 4, 4, 16, 8);
  std::vector<uint32_t> a(16, 0), b(8, 0);
  a[0] = 1;   // cell (-4, -2)
  b[7] = 2;   // cell (3, 5): chunk (0, 4) 4 x 2
  const std::string text = MapHead("isometric", 0, 0, 16, "infinite=\"1\"") + Atlas(16, 8) +
                           "<layer><data encoding=\"csv\"><chunk x=\"-4\" y=\"-2\" width=\"4\" height=\"4\">" + Csv(a) +
                           "</chunk><chunk x=\"0\" y=\"4\" width=\"4\" height=\"2\">" + Csv(b) + "</chunk></data></layer></map>";
  const TiledScene s = ConvertTiledMap(ReadTiledMap(dir.Write("m.tmx", text)));
  EXPECT_EQ(s.Width, 8u);
  EXPECT_EQ(s.Height, 8u);
  EXPECT_EQ(s.Cells[0].Tile, 1);
  EXPECT_EQ(s.Cells[7 * 8 + 7].Tile, 2);
  EXPECT_EQ(s.Cells[7 * 8 + 7].Blocked, 0);
  double gx, gy;
  s.TileToGrid(3, 5, gx, gy);
  EXPECT_EQ(std::make_pair(gx, gy), std::make_pair(7.0, 7.0));
}

TEST(TiledConvert, FlipsAreTheEditorsMirrorsAndRotations) {
  TiledDir dir;
  WritePixelTile(dir / "p.png", 8);
  struct Case {
    uint32_t Bits;
    int (*SrcX)(int x, int y);
    int (*SrcY)(int x, int y);
  };
  const Case cases[] = {
      {0, [](int x, int) { return x; }, [](int, int y) { return y; }},
      {kTiledFlipH, [](int x, int) { return 7 - x; }, [](int, int y) { return y; }},
      {kTiledFlipV, [](int x, int) { return x; }, [](int, int y) { return 7 - y; }},
      {kTiledFlipH | kTiledFlipV, [](int x, int) { return 7 - x; }, [](int, int y) { return 7 - y; }},
      {kTiledFlipD, [](int, int y) { return y; }, [](int x, int) { return x; }},                   // transposed
      {kTiledFlipH | kTiledFlipD, [](int, int y) { return y; }, [](int x, int) { return 7 - x; }},  // turned right
      {kTiledFlipV | kTiledFlipD, [](int, int y) { return 7 - y; }, [](int x, int) { return x; }},  // turned left
      {kTiledFlipH | kTiledFlipV | kTiledFlipD, [](int, int y) { return 7 - y; }, [](int x, int) { return 7 - x; }},
  };
  std::vector<uint32_t> gids;
  for (const Case& c : cases) gids.push_back(1 | c.Bits);
  gids.push_back(1 | 0x10000000u);  // the hexagonal bit is masked
  const std::string text = MapHead("isometric", 9, 1, 8) +
                           "<tileset firstgid=\"1\" name=\"p\" tilewidth=\"8\" tileheight=\"8\"><image source=\"p.png\"/></tileset>" +
                           Layer(gids, 9, 1) + "</map>";
  const TiledScene s = ConvertTiledMap(ReadTiledMap(dir.Write("m.tmx", text)));
  ASSERT_EQ(s.Tiles.size(), 8u);
  EXPECT_EQ(s.Cells[8].Tile, s.Cells[0].Tile);
  for (size_t k = 0; k < 8; ++k) {
    const TBitmap& img = *s.Tiles[s.Cells[k].Tile - 1];
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(PixelAt(img, x, y), PixelColor(cases[k].SrcX(x, y), cases[k].SrcY(x, y))) << "case " << k << " at " << x << "," << y;
  }
}

TEST(TiledConvert, StacksLayersAndPassability) {
  TiledDir dir;
  WriteTileAtlas(dir / "a.png", 8, 4, 16, 8);
  const std::vector<uint32_t> ground(16, 1);
  std::vector<uint32_t> deco(16, 0), hidden(16, 4), walls(16, 0);
  deco[1] = 2, deco[6] = 2, deco[9] = 3;  // tile 3 is not passable
  walls[15] = 5;
  const std::string text =
      MapHead("isometric", 4, 4, 16) +
      Atlas(16, 8, R"(<tile id="2"><properties><property name="passable" type="bool" value="false"/></properties></tile>)") +
      Layer(ground, 4, 4) + "<group offsetx=\"1\"><layer offsetx=\"1\" offsety=\"-3\">" + TmxData(deco, "csv") +
      "</layer></group>" + Layer(hidden, 4, 4, "visible=\"0\"") + "<group visible=\"0\">" + Layer(hidden, 4, 4) +
      "</group>" +
      Layer(walls, 4, 4, R"(visible="0"><properties><property name="collision" type="bool" value="true"/></properties)") +
      "</map>";
  const TiledScene s = ConvertTiledMap(ReadTiledMap(dir.Write("m.tmx", text)));
  // Stacks [1], [1 2], [1 3]: numbered as the cells first show them.
  ASSERT_EQ(s.Tiles.size(), 3u);
  const uint8_t expect[16] = {1, 2, 1, 1, 1, 1, 2, 1, 1, 3, 1, 1, 1, 1, 1, 1};
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(s.Cells[size_t(i)].Tile, expect[i]) << i;
    EXPECT_EQ(s.Cells[size_t(i)].Blocked, i == 9 || i == 15 ? 1 : 0) << i;
  }
  // The decoration stands 2 pixels right and 3 up of the ground.
  const TBitmap& two = *s.Tiles[1];
  EXPECT_EQ(std::make_pair(two.Width(), two.Height()), std::make_pair(18, 11));
  EXPECT_EQ(PixelAt(two, 0, 10), TileColor(1));
  EXPECT_EQ(PixelAt(two, 17, 0), TileColor(2));
  // Its bottom-left pixel is not clear, so it cannot draw through the key
  // colour: it keeps its alpha, clear above the ground.
  EXPECT_EQ(two.AlphaFormat(), afPremultiplied);
  EXPECT_EQ(ReadPixels(two.Handle()).pixels[0], 0u);
  TAniMap map(nullptr);
  s.FillMap(map);
  EXPECT_EQ(map.Width(), 4u);
  EXPECT_EQ(map.GetGridTile(1, 2), 3);
  EXPECT_FALSE(map.GetPassable(1, 2));
  EXPECT_EQ(map.Tile(2)->Width(), 18);
  EXPECT_EQ(map.Tile(4), nullptr);
}

// Soft tiles and layer opacity: source-over in premultiplied alpha, checked
// against the blend worked out in floating point.
TEST(TiledConvert, SoftTilesAndOpacityCompositeWithAlpha) {
  TiledDir dir;
  // Tile 1 opaque (200, 100, 0), tile 2 blue at alpha 128 (straight).
  std::vector<uint32_t> px(16 * 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) px[size_t(y) * 16 + x] = x < 8 ? 0xFFC86400u : 0x800000FFu;
  SaveImageFile(dir / "a.png", px.data(), 16, 8, true);
  const std::string text = MapHead("isometric", 3, 1, 8) +
                           "<tileset firstgid=\"1\" name=\"a\" tilewidth=\"8\" tileheight=\"8\" columns=\"2\">"
                           "<image source=\"a.png\"/></tileset>\n" +
                           Layer({1, 0, 0}, 3, 1) + Layer({2, 2, 0}, 3, 1) + Layer({0, 0, 1}, 3, 1, "opacity=\"0.5\"") +
                           "</map>";
  const TiledScene s = ConvertTiledMap(ReadTiledMap(dir.Write("m.tmx", text)));
  ASSERT_EQ(s.Tiles.size(), 3u);
  struct Expect {
    double R, G, B, A;  // premultiplied
  };
  const double a = 128 / 255.0;
  const Expect expect[3] = {{200 * (1 - a), 100 * (1 - a), 255 * a, 255},  // blue over orange
                            {0, 0, 255 * a, 128},                          // blue alone
                            {200 * 0.5, 100 * 0.5, 0, 127.5}};             // orange at half opacity
  for (int t = 0; t < 3; ++t) {
    SCOPED_TRACE(t + 1);
    EXPECT_EQ(s.Tiles[size_t(t)]->AlphaFormat(), afPremultiplied);
    const ConstPixelView v = ReadPixels(s.Tiles[size_t(t)]->Handle());
    const uint32_t w = v.pixels[size_t(4) * v.width + 4];
    EXPECT_NEAR(double((w >> 16) & 0xFF), expect[t].R, 1.0);
    EXPECT_NEAR(double((w >> 8) & 0xFF), expect[t].G, 1.0);
    EXPECT_NEAR(double(w & 0xFF), expect[t].B, 1.0);
    EXPECT_NEAR(double(w >> 24), expect[t].A, 1.0);
  }
}

TEST(TiledConvert, MoreThan255StacksIsAnErrorThatCountsThem) {
  TiledDir dir;
  WriteTileAtlas(dir / "a.png", 16, 4, 16, 8);
  std::vector<uint32_t> a(256), b(256);
  for (uint32_t i = 0; i < 256; ++i) a[i] = 1 + i % 16, b[i] = 1 + i / 16;
  const std::string text = MapHead("isometric", 16, 16, 16) + Atlas(16, 8) + Layer(a, 16, 16) + Layer(b, 16, 16) + "</map>";
  const std::string path = dir.Write("m.tmx", text);
  try {
    ConvertTiledMap(ReadTiledMap(path));
    ADD_FAILURE() << "no error";
  } catch (const ETiledError& e) {
    EXPECT_EQ(e.File, path);
    EXPECT_NE(e.Problem.find("256 different stacks"), std::string::npos) << e.what();
  }
}

TEST(TiledConvert, TileObjectsBecomeFiguresWhereTheEditorDrawsThem) {
  TiledDir dir;
  WriteTileAtlas(dir / "a.png", 4, 4, 16, 24);
  const std::string tiles = R"(<tileoffset x="1" y="-2"/><tile id="0"><animation><frame tileid="0" duration="250"/>
      <frame tileid="1" duration="100"/><frame tileid="2" duration="50"/></animation></tile>)";
  const std::string objects = R"(<objectgroup name="people" offsetx="3" offsety="4">
    <object id="7" name="Guard" gid="1" x="24" y="8" width="16" height="24"><properties>
      <property name="Speed" type="float" value="0.25"/><property name="Shadow" type="bool" value="true"/>
      <property name="HighlightColor" type="color" value="#ff00ff00"/><property name="loot" value="gold"/></properties></object>
    <object id="8" name="Flag" gid="2147483650" x="8" y="40"/>
    <object id="9" name="zone" x="16" y="16" width="8" height="8"/><object id="10" name="spot" x="0" y="0"><point/></object>
  </objectgroup>)";
  const std::string text = MapHead("isometric", 4, 4, 16) + Atlas(16, 24, tiles) + objects + "</map>";
  for (uint32_t interval : {100u, 50u}) {
    const TiledScene s = ConvertTiledMap(ReadTiledMap(dir.Write("m.tmx", text)), interval);
    ASSERT_EQ(s.Figures.size(), 2u);
    ASSERT_EQ(s.Objects.size(), 2u);
    const TiledFigureDesc& guard = s.Figures[0];
    EXPECT_EQ(guard.Name, "Guard");
    EXPECT_EQ(guard.Frames.size(), 3u);
    const std::vector<int32_t> script =
        interval == 100 ? std::vector<int32_t>{1, 1, 1, 2, 3} : std::vector<int32_t>{1, 1, 1, 1, 1, 2, 2, 3};
    EXPECT_EQ(guard.Script, script);
    for (const TiledFigureDesc& f : s.Figures) {
      // The editor draws the image's bottom centre on the object's point,
      // moved by the tile offset and the layer offset.
      const double px = f.Name == "Guard" ? 24 : 8, py = f.Name == "Guard" ? 8 : 40;
      const double editorX = (px - py) - 8 + 1 + 3, editorY = (px + py) / 2 - 24 - 2 + 4;
      double gx, gy;
      s.PixelToGrid(px, py, gx, gy);
      EXPECT_EQ(std::make_pair(double(f.X), double(f.Y)), std::make_pair(gx, gy));
      const double viewX = (f.X - f.Y) * 8 - f.CenterX, viewY = (f.X + f.Y) * 4 + 4 - f.CenterY;
      EXPECT_EQ(viewX, editorX) << f.Name;
      EXPECT_EQ(viewY, editorY) << f.Name;
    }
    EXPECT_EQ(std::make_pair(guard.X, guard.Y), std::make_pair(2.5f, 0.5f));
    // The flag is tile 1 mirrored.
    EXPECT_EQ(PixelAt(*s.Figures[1].Frames[0], 0, 0), TileColor(2));
    ASSERT_EQ(guard.Props.size(), 3u);
    TAniFigure fig(nullptr);
    s.ApplyFigure(guard, fig);
    EXPECT_EQ(fig.Speed, 0.25f);
    EXPECT_TRUE(fig.Shadow);
    EXPECT_EQ(fig.HighlightColor(), TColor(0x00FF00));
    EXPECT_EQ(fig.Width, 16u);
    EXPECT_EQ(fig.PlayingScript(), 1);
    EXPECT_TRUE(fig.FrameLoaded(3));
    EXPECT_EQ(FindTiledProperty(guard.Properties, "loot")->Value, "gold");
    EXPECT_EQ(s.Objects[0].Object.Name, "zone");
    EXPECT_EQ(s.Objects[0].Layer, "people");
    EXPECT_EQ(std::make_pair(s.Objects[0].X, s.Objects[0].Y), std::make_pair(1.5f, 1.5f));
    EXPECT_EQ(s.Objects[1].Object.Shape, TiledObjectShape::Point);
  }
}

struct Refused {
  std::string Text;
  const char* Where;
  const char* Problem;
};

TEST(TiledConvert, MapsTheViewCannotShowAreRefusedClearly) {
  TiledDir dir;
  WriteTileAtlas(dir / "a.png", 4, 4, 16, 8);
  const std::string atlas = Atlas(16, 8);
  const std::string tooLong = R"(<tile id="0"><animation><frame tileid="1" duration="6000"/><frame tileid="2" duration="1000"/></animation></tile>)";
  const Refused cases[] = {
      {MapHead("orthogonal", 2, 2, 16) + "</map>", "/map (line 1)", "an orthogonal map cannot be shown"},
      {MapHead("hexagonal", 2, 2, 16) + "</map>", "/map (line 1)", "a hexagonal map cannot be shown"},
      {"<map orientation=\"isometric\" width=\"2\" height=\"2\" tilewidth=\"16\" tileheight=\"16\"/>", "/map (line 1)",
       "the tile height must be half the tile width (8), found 16"},
      {MapHead("isometric", 2, 2, 6) + "</map>", "/map (line 1)", "the tile width must be even and from 8 to 1024, found 6"},
      {MapHead("isometric", 2, 1, 16) + atlas + "<layer id=\"3\">" + TmxData({1, 9}, "csv") + "</layer></map>",
       "/map/layer[1] (line 3)", "tile id 9 (tile 8 of tileset \"a\") lies outside the tileset's image (4 tiles)"},
      {MapHead("isometric", 2, 1, 16) + "<layer>" + TmxData({0, 1}, "csv") + "</layer></map>", "/map/layer[1] (line 2)",
       "tile id 1 belongs to no tileset"},
      {MapHead("isometric", 2, 1, 16) + Atlas(16, 8, tooLong) + "<objectgroup><object gid=\"1\"/></objectgroup></map>",
       "/map/tileset[1]/tile[1] (line 2)", "the animation lasts 70 or more ticks"},
      {MapHead("isometric", 2, 1, 16) + atlas +
           R"(<objectgroup><object gid="1"><properties><property name="Speed" value="fast"/></properties></object></objectgroup></map>)",
       "/map/objectgroup[1]/object[1] (line 3)", "property \"Speed\": expected a number, found a string property"},
      {MapHead("isometric", 2, 1, 16) + atlas +
           R"(<objectgroup><object gid="1"><properties><property name="x" type="int" value="1"/></properties></object></objectgroup></map>)",
       "/map/objectgroup[1]/object[1] (line 3)", "the figure's position is the object's"},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.Text);
    const std::string path = dir.Write("m.tmx", c.Text);
    try {
      ConvertTiledMap(ReadTiledMap(path));
      ADD_FAILURE() << "no error";
    } catch (const ETiledError& e) {
      EXPECT_EQ(e.File, path);
      EXPECT_EQ(e.Where, c.Where);
      EXPECT_NE(e.Problem.find(c.Problem), std::string::npos) << e.what();
    }
  }
}

}  // namespace
