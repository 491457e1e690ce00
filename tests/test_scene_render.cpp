// Headless rendering of the demo scene: byte-identical runs, frames centred
// on the key figure, and a well-formed animated PNG.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "scene_test_files.h"
#include "velscene/platform/graphics/apng.h"

using namespace vel;
using vel::testing::SceneDir;

namespace {

std::string DemoScene() { return std::string(VELSCENE_SCENES_DIR) + "/demo/demo.json"; }

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

struct Chunk {
  std::string Type;
  std::vector<uint8_t> Data;
};

// Splits a PNG into chunks, checking every length and CRC.
std::vector<Chunk> Chunks(const std::vector<uint8_t>& png) {
  std::vector<Chunk> out;
  EXPECT_GE(png.size(), 8u);
  size_t pos = 8;
  while (pos + 12 <= png.size()) {
    const uint32_t len = Be32(&png[pos]);
    if (len > png.size() - pos - 12) {
      ADD_FAILURE() << "chunk runs past the end";
      break;
    }
    Chunk c{std::string(reinterpret_cast<const char*>(&png[pos + 4]), 4), {}};
    c.Data.assign(png.begin() + long(pos) + 8, png.begin() + long(pos) + 8 + long(len));
    EXPECT_EQ(PngCrc32(&png[pos + 4], len + 4), Be32(&png[pos + 8 + len])) << c.Type;
    out.push_back(std::move(c));
    pos += 12 + len;
  }
  EXPECT_EQ(pos, png.size());
  return out;
}

}  // namespace

TEST(SceneRender, DemoRendersTheSameBytesTwice) {
  const SceneDesc desc = LoadSceneFile(DemoScene());
  SceneDir dir;
  SceneRenderOptions o;
  o.Ticks = 30;
  o.OutDir = dir.Path("first");
  o.TracePath = dir.Path("first.jsonl");
  const SceneRenderResult a = RenderScene(desc, o);
  o.OutDir = dir.Path("second");
  o.TracePath = dir.Path("second.jsonl");
  const SceneRenderResult b = RenderScene(desc, o);
  ASSERT_EQ(a.FrameFiles.size(), 30u);
  ASSERT_EQ(b.FrameFiles.size(), 30u);
  for (size_t i = 0; i < 30; ++i) {
    const std::vector<uint8_t> fa = ReadFile(a.FrameFiles[i]), fb = ReadFile(b.FrameFiles[i]);
    ASSERT_FALSE(fa.empty());
    EXPECT_EQ(fa, fb) << a.FrameFiles[i];
  }
  EXPECT_EQ(ReadFile(a.AnimationFile), ReadFile(b.AnimationFile));
  EXPECT_EQ(ReadFile(a.TraceFile), ReadFile(b.TraceFile));
  // The camera follows the hero, so consecutive frames differ.
  EXPECT_NE(ReadFile(a.FrameFiles[0]), ReadFile(a.FrameFiles[1]));
}

TEST(SceneRender, FramesShowTheSceneCentredOnTheKeyFigure) {
  const SceneDesc desc = LoadSceneFile(DemoScene());
  std::vector<uint32_t> last;
  int frames = 0;
  RunSceneHeadless(desc, 3, nullptr, [&](const SceneFrame& f) {
    ++frames;
    EXPECT_EQ(f.Width, desc.View.Width);
    EXPECT_EQ(f.Height, desc.View.Height);
    last.assign(f.Pixels, f.Pixels + size_t(f.Width) * size_t(f.Height));
  });
  EXPECT_EQ(frames, 3);
  // The camera centres the hero's 32 x 48 frame: its blue tunic (0x3860C4 in
  // the art) shows there and nowhere else; the map covers the middle of the
  // view, so no pixel there has the bare background colour.
  const int32_t w = desc.View.Width, h = desc.View.Height;
  const int32_t left = (w - 32) / 2, top = (h - 48) / 2;
  const uint32_t background = ColorRefFromPixel(uint32_t(ColorToRGB(desc.View.Color)));
  int tunicInside = 0, tunicOutside = 0, bare = 0;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t p = last[size_t(y) * size_t(w) + size_t(x)];
      const bool inside = x >= left && x < left + 32 && y >= top && y < top + 48;
      if (p == 0x3860C4) ++(inside ? tunicInside : tunicOutside);
      if (p == background && std::abs(x - w / 2) < 40 && std::abs(y - h / 2) < 40) ++bare;
    }
  EXPECT_GT(tunicInside, 20);
  EXPECT_EQ(tunicOutside, 0);
  EXPECT_EQ(bare, 0);
  for (uint32_t p : last) ASSERT_NE(p, 0xFF00FFu);
}

TEST(SceneRender, AnimatedPngIsWellFormed) {
  const SceneDesc desc = LoadSceneFile(DemoScene());
  SceneDir dir;
  SceneRenderOptions o;
  o.Ticks = 4;
  o.OutDir = dir.Path("out");
  const SceneRenderResult r = RenderScene(desc, o);
  const std::vector<Chunk> chunks = Chunks(ReadFile(r.AnimationFile));
  ASSERT_GE(chunks.size(), 4u);
  EXPECT_EQ(chunks[0].Type, "IHDR");
  EXPECT_EQ(Be32(chunks[0].Data.data()), uint32_t(desc.View.Width));
  EXPECT_EQ(Be32(chunks[0].Data.data() + 4), uint32_t(desc.View.Height));
  ASSERT_EQ(chunks[1].Type, "acTL");
  EXPECT_EQ(Be32(chunks[1].Data.data()), 4u);      // frames
  EXPECT_EQ(Be32(chunks[1].Data.data() + 4), 0u);  // loops forever
  // fcTL, IDAT, then (fcTL, fdAT) x 3, with sequence numbers 0, 1, 2, ...
  std::vector<std::string> types;
  uint32_t sequence = 0;
  for (const Chunk& c : chunks) {
    types.push_back(c.Type);
    if (c.Type == "fcTL") {
      EXPECT_EQ(Be32(c.Data.data()), sequence++);
      EXPECT_EQ(c.Data[20] << 8 | c.Data[21], int(desc.View.Interval));  // delay numerator (ms)
      EXPECT_EQ(c.Data[22] << 8 | c.Data[23], 1000);
    }
    if (c.Type == "fdAT") {
      EXPECT_EQ(Be32(c.Data.data()), sequence++);
    }
  }
  const std::vector<std::string> expected = {"IHDR", "acTL", "fcTL", "IDAT", "fcTL", "fdAT", "fcTL",
                                             "fdAT", "fcTL", "fdAT", "IEND"};
  EXPECT_EQ(types, expected);
  // A viewer without animation support shows the first frame.
  const std::vector<uint8_t> anim = ReadFile(r.AnimationFile), first = ReadFile(r.FrameFiles[0]);
  EXPECT_EQ(DecodePng(anim.data(), anim.size(), "anim").pixels, DecodePng(first.data(), first.size(), "first").pixels);
}

TEST(SceneRender, ApngWriterRefusesMismatchedFrames) {
  TApngWriter w(4, 4, 100);
  EXPECT_THROW(w.Finish(), EImageError);
  const std::vector<uint32_t> small(4, 0x123456);
  EXPECT_THROW(w.AddPng(EncodePng(small.data(), 2, 2)), EImageError);
  EXPECT_THROW(w.AddPng({1, 2, 3}), EImageError);
  EXPECT_EQ(w.FrameCount(), 0);
}

// The generated world: far more tall tiles than slots, every figure placed,
// the camera on the hero, who walks on along its round.
TEST(SceneRender, WorldPlaysWithItsForests) {
  const SceneDesc desc = LoadSceneFile(std::string(VELSCENE_SCENES_DIR) + "/world/world.json");
  ASSERT_TRUE(desc.Map);
  EXPECT_GE(desc.Map->Width, 512u);
  const int32_t hero = desc.FindFigure("hero");
  EXPECT_EQ(desc.Key, hero);
  std::vector<uint32_t> first, last;
  std::vector<nlohmann::json> trace;
  RunSceneHeadless(
      desc, 40, [&](const std::string& l) { trace.push_back(nlohmann::json::parse(l)); },
      [&](const SceneFrame& f) {
        (f.Tick == 1 ? first : last).assign(f.Pixels, f.Pixels + size_t(f.Width) * size_t(f.Height));
      });
  ASSERT_EQ(trace.size(), 41u);
  for (const auto& [name, fig] : trace.back()["figures"].items()) EXPECT_FALSE(fig["Depth"].is_null()) << name;
  const auto& h0 = trace.front()["figures"]["hero"];
  const auto& h1 = trace.back()["figures"]["hero"];
  EXPECT_GT(std::hypot(double(h1["X"]) - double(h0["X"]), double(h1["Y"]) - double(h0["Y"])), 5.0);
  EXPECT_NE(first, last);  // the camera moved with the hero
}
