// Reading Tiled maps: every layer encoding and compression in both formats
// against the ids written, whole gzipped files, external tilesets relative
// to the file naming them, and broken files, each refused with the file, the
// place and the problem.
#include <gtest/gtest.h>

#include <random>

#include "tiled_test_files.h"
#include "velscene/tiled/tiled_reader.h"
#include "velscene/tiled/tiled_scene.h"

using namespace vel;
using namespace vel::testing;

namespace {

constexpr int kW = 5, kH = 3;

// Random ids with flip bits and the masked hexagonal bit mixed in.
std::vector<uint32_t> RandomGids(uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> gids(kW * kH);
  for (uint32_t& g : gids) g = (rng() % 4 == 0) ? 0 : (1 + rng() % 6) | (rng() & 0xF0000000u);
  return gids;
}

std::string Tmx(const std::string& data, const std::string& tileset) {
  return "<?xml version=\"1.0\"?>\n<map orientation=\"isometric\" width=\"" + std::to_string(kW) + "\" height=\"" +
         std::to_string(kH) + "\" tilewidth=\"16\" tileheight=\"8\">\n" + tileset +
         "\n <layer id=\"1\" name=\"L\" width=\"5\" height=\"3\">\n  " + data + "\n </layer>\n</map>\n";
}

std::string Tmj(const std::string& data, const std::string& tileset) {
  return R"({"orientation": "isometric", "width": 5, "height": 3, "tilewidth": 16, "tileheight": 8, "tilesets": [)" +
         tileset + R"(], "layers": [{"type": "tilelayer", "name": "L", "width": 5, "height": 3, )" + data + "}]}";
}

const char* kEmbeddedTsx =
    R"(<tileset firstgid="1" name="t" tilewidth="16" tileheight="16" tilecount="6" columns="3"><image source="a.png" width="48" height="32"/></tileset>)";
const char* kEmbeddedTsj =
    R"({"firstgid": 1, "name": "t", "tilewidth": 16, "tileheight": 16, "tilecount": 6, "columns": 3, "image": "a.png", "imagewidth": 48, "imageheight": 32})";

TEST(TiledRead, EveryEncodingGivesTheIdsWritten) {
  TiledDir dir;
  for (const char* how : {"csv", "xml", "base64", "zlib", "gzip", "zstd"}) {
    for (int format = 0; format < 2; ++format) {
      if (format == 1 && std::string(how) == "xml") continue;
      SCOPED_TRACE(std::string(how) + (format ? " json" : " xml"));
      const std::vector<uint32_t> gids = RandomGids(uint32_t(std::hash<std::string>()(how)) + format);
      const std::string text = format ? Tmj(TmjData(gids, how), kEmbeddedTsj) : Tmx(TmxData(gids, how), kEmbeddedTsx);
      const TiledMap map = ReadTiledMap(dir.Write(format ? "m.tmj" : "m.tmx", text));
      ASSERT_EQ(map.Layers.size(), 1u);
      ASSERT_EQ(map.Layers[0].Chunks.size(), 1u);
      EXPECT_EQ(map.Layers[0].Chunks[0].Gids, gids);
      EXPECT_EQ(map.Tilesets[0].Image, dir / "a.png");
      // The same file gzipped whole opens too.
      const TiledMap gz = ReadTiledMap(dir.Write("m.tmx.gz", Deflate(text, 31)));
      EXPECT_EQ(gz.Layers[0].Chunks[0].Gids, gids);
    }
  }
}

TEST(TiledRead, ExternalTilesetsResolveAgainstTheirOwnFile) {
  TiledDir dir;
  std::filesystem::create_directories(dir / "sets/art");
  dir.Write("sets/t.tsx", R"(<?xml version="1.0"?><tileset name="x" tilewidth="16" tileheight="24" spacing="1" margin="2">
     <tileoffset x="3" y="-4"/><image source="art/a.png" trans="ff00ff" width="10" height="10"/>
     <tile id="7" type="door"><properties><property name="passable" type="bool" value="false"/>
       <property name="note">two
lines</property></properties>
       <animation><frame tileid="7" duration="100"/><frame tileid="2" duration="250"/></animation></tile>
     <tile id="2"/></tileset>)");
  dir.Write("sets/t.tsj", R"({"name": "y", "tilewidth": 16, "tileheight": 8, "tiles": [
     {"id": 4, "image": "art/b.png", "imagewidth": 16, "imageheight": 30, "properties": [{"name": "n", "type": "int", "value": 3}]},
     {"id": 1, "image": "../c.png"}]})");
  const std::vector<uint32_t> gids(kW * kH, 0);
  for (int format = 0; format < 2; ++format) {
    const std::string text =
        format ? Tmj(TmjData(gids, "csv"), R"({"firstgid": 100, "source": "sets/t.tsj"}, {"firstgid": 1, "source": "sets/t.tsx"})")
               : Tmx(TmxData(gids, "csv"), R"(<tileset firstgid="100" source="sets/t.tsj"/><tileset firstgid="1" source="sets/t.tsx"/>)");
    const TiledMap map = ReadTiledMap(dir.Write(format ? "m.tmj" : "m.tmx", text));
    ASSERT_EQ(map.Tilesets.size(), 2u);
    const TiledTileset& x = map.Tilesets[0];  // sorted by firstgid
    EXPECT_EQ(x.FirstGid, 1u);
    EXPECT_EQ(x.Source, dir / "sets/t.tsx");
    EXPECT_EQ(x.Image, dir / "sets/art/a.png");
    EXPECT_EQ(std::make_tuple(x.Spacing, x.Margin, x.OffsetX, x.OffsetY, x.Trans.value_or(0)),
              std::make_tuple(1, 2, 3, -4, 0xFF00FFu));
    ASSERT_EQ(x.Tiles.size(), 2u);
    const TiledTile* door = x.FindTile(7);
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->Properties.size(), 2u);
    EXPECT_EQ(FindTiledProperty(door->Properties, "note")->Value, "two\nlines");
    ASSERT_EQ(door->Animation.size(), 2u);
    EXPECT_EQ(door->Animation[1].TileId, 2u);
    EXPECT_EQ(door->Animation[1].Duration, 250u);
    const TiledTileset& y = map.Tilesets[1];
    EXPECT_EQ(y.FirstGid, 100u);
    EXPECT_EQ(y.FindTile(4)->Image, dir / "sets/art/b.png");
    EXPECT_EQ(y.FindTile(1)->Image, dir / "c.png");
    EXPECT_EQ(FindTiledProperty(y.FindTile(4)->Properties, "n")->Value, "3");
  }
}

// One map with groups, offsets, opacity, hidden layers, properties of every
// type and objects of every shape, once in each format.
const char* kRichTmx = R"(<map orientation="isometric" width="3" height="2" tilewidth="16" tileheight="8">
 <properties><property name="i" type="int" value="-3"/><property name="f" type="float" value="0.5"/>
  <property name="b" type="bool" value="true"/><property name="c" type="color" value="#80112233"/>
  <property name="file" type="file" value="x/y.txt"/><property name="s" value="hi"/></properties>
 <tileset firstgid="1" name="t" tilewidth="16" tileheight="16" columns="3"><tileoffset x="0" y="2"/><image source="a.png" trans="ff00ff"/>
  <tile id="4"><properties><property name="passable" type="bool" value="false"/></properties></tile></tileset>
 <layer name="g"><data encoding="csv">1,2,3,4,5,6</data></layer>
 <group name="grp" offsetx="2" offsety="-1" opacity="0.5"><layer name="h" visible="0"><data encoding="csv">6,6,6,6,6,6</data></layer>
  <layer name="d" offsetx="-1"><data encoding="csv">0,0,2147483650,0,0,3</data></layer></group>
 <objectgroup name="o" draworder="index"><object id="1" name="A" type="guard" gid="2" x="8" y="8" width="16" height="16" rotation="0">
   <properties><property name="Speed" type="float" value="0.75"/></properties></object>
  <object id="2" name="E" x="1" y="2" width="3" height="4"><ellipse/></object>
  <object id="3" name="P" x="1" y="2"><polygon points="0,0 4,0 4,4"/></object>
  <object id="4" name="T" x="1" y="2" width="30" height="9"><text>Hello</text></object></objectgroup>
</map>)";
const char* kRichTmj = R"({"orientation": "isometric", "width": 3, "height": 2, "tilewidth": 16, "tileheight": 8,
 "properties": [{"name": "i", "type": "int", "value": -3}, {"name": "f", "type": "float", "value": 0.5},
  {"name": "b", "type": "bool", "value": true}, {"name": "c", "type": "color", "value": "#80112233"},
  {"name": "file", "type": "file", "value": "x/y.txt"}, {"name": "s", "type": "string", "value": "hi"}],
 "tilesets": [{"firstgid": 1, "name": "t", "tilewidth": 16, "tileheight": 16, "columns": 3, "image": "a.png",
  "transparentcolor": "#ff00ff", "tileoffset": {"x": 0, "y": 2},
  "tiles": [{"id": 4, "properties": [{"name": "passable", "type": "bool", "value": false}]}]}],
 "layers": [{"type": "tilelayer", "name": "g", "data": [1, 2, 3, 4, 5, 6]},
  {"type": "group", "name": "grp", "offsetx": 2, "offsety": -1, "opacity": 0.5, "layers": [
   {"type": "tilelayer", "name": "h", "visible": false, "data": [6, 6, 6, 6, 6, 6]},
   {"type": "tilelayer", "name": "d", "offsetx": -1, "data": [0, 0, 2147483650, 0, 0, 3]}]},
  {"type": "objectgroup", "name": "o", "draworder": "index", "objects": [
   {"id": 1, "name": "A", "type": "guard", "gid": 2, "x": 8, "y": 8, "width": 16, "height": 16,
    "properties": [{"name": "Speed", "type": "float", "value": 0.75}]},
   {"id": 2, "name": "E", "x": 1, "y": 2, "width": 3, "height": 4, "ellipse": true},
   {"id": 3, "name": "P", "x": 1, "y": 2, "polygon": [{"x": 0, "y": 0}, {"x": 4, "y": 0}, {"x": 4, "y": 4}]},
   {"id": 4, "name": "T", "x": 1, "y": 2, "width": 30, "height": 9, "text": {"text": "Hello"}}]}]})";

TEST(TiledRead, BothFormatsGiveTheSameMap) {
  TiledDir dir;
  WriteTileAtlas(dir / "a.png", 6, 3, 16, 16);
  const TiledScene x = ConvertTiledMap(ReadTiledMap(dir.Write("m.tmx", kRichTmx)));
  const TiledScene j = ConvertTiledMap(ReadTiledMap(dir.Write("m.tmj", kRichTmj)));
  for (const TiledScene* s : {&x, &j}) {
    ASSERT_EQ(s->Properties.size(), 6u);
    EXPECT_EQ(FindTiledProperty(s->Properties, "c")->Value, "#80112233");
    EXPECT_EQ(FindTiledProperty(s->Properties, "file")->Value, dir / "x/y.txt");
    EXPECT_EQ(FindTiledProperty(s->Properties, "i")->Value, "-3");
    ASSERT_EQ(s->Figures.size(), 1u);
    EXPECT_EQ(s->Figures[0].Type, "guard");
    ASSERT_EQ(s->Objects.size(), 3u);
    EXPECT_EQ(s->Objects[0].Object.Shape, TiledObjectShape::Ellipse);
    EXPECT_EQ(s->Objects[1].Object.Points.size(), 3u);
    EXPECT_EQ(s->Objects[2].Object.Text, "Hello");
  }
  ASSERT_EQ(x.Width, j.Width);
  ASSERT_EQ(x.Height, j.Height);
  for (size_t i = 0; i < x.Cells.size(); ++i) {
    EXPECT_EQ(x.Cells[i].Tile, j.Cells[i].Tile);
    EXPECT_EQ(x.Cells[i].Blocked, j.Cells[i].Blocked);
  }
  ASSERT_EQ(x.Tiles.size(), j.Tiles.size());
  for (size_t t = 0; t < x.Tiles.size(); ++t) {
    const ConstPixelView a = ReadPixels(x.Tiles[t]->Handle()), b = ReadPixels(j.Tiles[t]->Handle());
    ASSERT_EQ(std::make_pair(a.width, a.height), std::make_pair(b.width, b.height));
    EXPECT_TRUE(std::equal(a.pixels, a.pixels + size_t(a.width) * a.height, b.pixels)) << "tile " << t + 1;
  }
  EXPECT_EQ(std::make_tuple(x.Figures[0].X, x.Figures[0].Y, x.Figures[0].CenterX, x.Figures[0].CenterY),
            std::make_tuple(j.Figures[0].X, j.Figures[0].Y, j.Figures[0].CenterX, j.Figures[0].CenterY));
  EXPECT_EQ(x.Figures[0].Props.size(), 1u);
  EXPECT_EQ(j.Figures[0].Props.size(), 1u);
}

struct BadFile {
  const char* Text;  // a whole map, or "@" + layer data and tileset for the TMX skeleton
  const char* Where;
  const char* Problem;
};

const BadFile kBad[] = {
    {"<map", "line 1, column 4", "invalid XML"},
    {"<level/>", "/level (line 1)", "expected a <map> element"},
    {R"(<map orientation="isometric" width="0" height="2" tilewidth="16" tileheight="8"/>)", "/map (line 1)",
     "attribute width: out of range: must be from 1 to 4096, found 0"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16"/>)", "/map (line 1)", "attribute tileheight is missing"},
    {R"(<map orientation="staggered" staggeraxis="z" width="2" height="2" tilewidth="16" tileheight="8"/>)", "/map (line 1)",
     "attribute staggeraxis: expected x or y"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8"><tileset firstgid="1" source="gone.tsx"/></map>)",
     "/map/tileset[1] (line 1)", "no such file"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8"><layer><data encoding="csv">1,2,3</data></layer></map>)",
     "/map/layer[1]/data[1] (line 1)", "holds 3 tile ids, the layer needs 4"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8"><layer><data encoding="csv">1,x,3,4</data></layer></map>)",
     "/map/layer[1]/data[1] (line 1)", "expected a tile id in the CSV data, found 'x'"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8"><layer><data encoding="base64">AAAA</data></layer></map>)",
     "/map/layer[1]/data[1] (line 1)", "holds 3 bytes, the layer needs 16"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8"><layer><data encoding="base64" compression="zlib">AAAA</data></layer></map>)",
     "/map/layer[1]/data[1] (line 1)", "corrupt compressed data"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8"><layer><data encoding="base64" compression="zstd">AAAA</data></layer></map>)",
     "/map/layer[1]/data[1] (line 1)", "corrupt zstd data"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8"><layer><data encoding="base64" compression="lz4">AAAA</data></layer></map>)",
     "/map/layer[1]/data[1] (line 1)", "unknown compression \"lz4\""},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8">
<layer opacity="2"/></map>)", "/map/layer[1] (line 2)", "opacity: must be from 0 to 1"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8"><objectgroup><object gid="-1"/></objectgroup></map>)",
     "/map/objectgroup[1]/object[1] (line 1)", "attribute gid: out of range"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8"><properties><property name="p" type="int" value="1.5"/></properties></map>)",
     "/map/properties[1]/property[1] (line 1)", "property \"p\": expected a whole number"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8"><tileset firstgid="1" tilewidth="8" tileheight="8"><tile id="1"><animation><frame tileid="1"/></animation></tile></tileset></map>)",
     "/map/tileset[1]/tile[1]/animation[1]/frame[1] (line 1)", "attribute duration is missing"},
    {R"(<map orientation="isometric" width="2" height="2" tilewidth="16" tileheight="8"><tileset firstgid="1" tilewidth="8" tileheight="8"/><tileset firstgid="1" tilewidth="8" tileheight="8"/></map>)",
     "/map/tileset[2] (line 1)", "firstgid 1 is used by another tileset too"},
    {R"({"orientation": "isometric", "width": 2, "height": 2, "tilewidth": 16})", "", "\"tileheight\" is missing"},
    {R"({"orientation": "isometric", "width": 2, "height": 2, "tilewidth": 16, "tileheight": 8,)", "line 1, column 88",
     "invalid JSON"},
    {R"({"orientation": "isometric", "width": 2, "height": 2, "tilewidth": 16, "tileheight": 8, "layers": [{"type": "tilelayer", "data": [1, 2, 3, -4]}]})",
     "layers[0].data[3]", "out of range: must be from 0 to 4294967295, found -4"},
    {R"({"orientation": "isometric", "width": 2, "height": 2, "tilewidth": 16, "tileheight": 8, "layers": [{"type": "strange"}]})",
     "layers[0].type", "unknown layer type \"strange\""},
    {R"({"orientation": "isometric", "width": 2, "height": 2, "tilewidth": 16, "tileheight": 8, "tilesets": [{"firstgid": 1, "tilewidth": 8, "tileheight": 8, "tiles": [{"id": 0, "properties": [{"name": "q", "type": "bool", "value": 1}]}]}]})",
     "tilesets[0].tiles[0].properties[0].value", "expected true or false, found a number"},
    {R"({"orientation": "isometric", "width": 2, "height": 2, "tilewidth": 16, "tileheight": 8, "infinite": true, "layers": [{"type": "tilelayer", "chunks": [{"x": 0, "y": 0, "width": 2, "height": 1, "data": [1]}]}]})",
     "layers[0].chunks[0].data", "the layer needs 2 tile ids, found 1"},
};

TEST(TiledRead, BrokenFilesNameFilePlaceAndProblem) {
  TiledDir dir;
  for (const BadFile& bad : kBad) {
    SCOPED_TRACE(bad.Text);
    const std::string path = dir.Write(bad.Text[0] == '<' ? "bad.tmx" : "bad.tmj", bad.Text);
    try {
      ReadTiledMap(path);
      ADD_FAILURE() << "no error";
    } catch (const ETiledError& e) {
      EXPECT_EQ(e.File, path);
      EXPECT_EQ(e.Where, bad.Where);
      EXPECT_NE(e.Problem.find(bad.Problem), std::string::npos) << e.what();
    }
  }
}

TEST(TiledRead, AnErrorInAnExternalTilesetNamesThatFile) {
  TiledDir dir;
  const std::string tsx = dir.Write("t.tsx", "<tileset name=\"t\" tilewidth=\"8\">\n</tileset>");
  try {
    ReadTiledMap(dir.Write("m.tmx", Tmx("", R"(<tileset firstgid="1" source="t.tsx"/>)")));
    ADD_FAILURE() << "no error";
  } catch (const ETiledError& e) {
    EXPECT_EQ(e.File, tsx);
    EXPECT_EQ(e.Where, "/tileset (line 1)");
    EXPECT_EQ(e.Problem, "attribute tileheight is missing");
  }
}

}  // namespace
