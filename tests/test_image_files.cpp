// Tests of the PNG and BMP decoders and encoders: exact pixels for every
// supported layout, round trips, and clean errors on broken or hostile input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <random>

#include "velscene/platform/graphics/image_files.h"
#include "tests/image_test_files.h"

using namespace vel;
using namespace vel::testimg;
namespace fs = std::filesystem;

// The largest single operator-new request, to prove that hostile headers are
// refused before storage is sized from them.
static std::atomic<size_t> gLargestAlloc{0};
void* operator new(size_t n) {
  size_t seen = gLargestAlloc.load();
  while (n > seen && !gLargestAlloc.compare_exchange_weak(seen, n)) {
  }
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
// GCC flags free() on memory from operator new even when operator new itself
// is the malloc-based replacement above; the pairing here is correct.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------
std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EImageError& e) {
    return e.what();
  }
  return "(no error)";
}

void ExpectError(const std::string& message, const std::string& name, const std::string& problem) {
  EXPECT_EQ(message.rfind(name + ": ", 0), 0u) << message;
  EXPECT_NE(message.find(problem), std::string::npos) << message << "  (wanted: " << problem << ")";
}

std::vector<uint32_t> RandomPixels(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> px(n);
  for (uint32_t& p : px) p = rng() & 0xFFFFFF;
  if (n > 1) px[1] = 0xFF00FF;  // images without alpha keep even the key colour
  return px;
}

DecodedImage Png(const Bytes& b, const std::string& name = "t.png") { return DecodePng(b.data(), b.size(), name); }
DecodedImage Bmp(const Bytes& b, const std::string& name = "t.bmp") { return DecodeBmp(b.data(), b.size(), name); }

void ExpectPixels(const DecodedImage& img, int32_t w, int32_t h, const std::vector<uint32_t>& px) {
  ASSERT_EQ(img.width, w);
  ASSERT_EQ(img.height, h);
  ASSERT_EQ(img.pixels.size(), px.size());
  for (size_t i = 0; i < px.size(); ++i) EXPECT_EQ(img.pixels[i], px[i]) << "pixel " << i;
}

// ---------------------------------------------------------------------------
// Sample files (also the seed corpus)
// ---------------------------------------------------------------------------
Bytes PalettePngWithTrns() {  // 4-bit palette, interlaced, odd size
  PngParts s{5, 3, 4, 3, true, {0x11, 0x22, 0x33, 0xFF, 0x00, 0xFF, 0x10, 0x20, 0x30}, {0x00, 0xFF}, {}};
  for (int i = 0; i < 15; ++i) s.pixels.push_back({uint16_t(i % 3)});
  return BuildPng(s);
}
Bytes RgbaPng() {  // 8-bit RGBA: alpha 0, 127, 128, 255 (on the key colour)
  PngParts s{4, 1, 8, 6, false, {}, {}, {}};
  s.pixels = {{1, 2, 3, 0}, {4, 5, 6, 127}, {7, 8, 9, 128}, {255, 0, 255, 255}};
  return BuildPng(s);
}
Bytes Grey16Png() {  // 16-bit grey with alpha
  PngParts s{3, 1, 16, 4, false, {}, {}, {}};
  s.pixels = {{0xABAB, 0xFFFF}, {0x1212, 0x0000}, {0xFFFF, 0x8080}};
  return BuildPng(s);
}
Bytes Pal4Bmp() {  // 3x2, 3-entry table, rows padded
  return BuildBmp({40, 3, 2, 4, 0, 3, {0x112233, 0xFF0000, 0x00FF00}, {},
                   {PackIndices({0, 1, 2}, 4), PackIndices({2, 2, 1}, 4)}});
}
Bytes Pal8CoreBmp() {  // old 12-byte header, full 256-entry 3-byte table
  BmpParts s{12, 3, 2, 8, 0, 0, {}, {}, {PackIndices({0, 1, 255}, 8), PackIndices({128, 2, 3}, 8)}};
  for (uint32_t i = 0; i < 256; ++i) s.palette.push_back((i << 16) | ((255 - i) << 8) | (i / 2));
  return BuildBmp(s);
}
Bytes TopDown32Bmp() {  // BI_RGB, the 4th byte is noise and must be ignored
  return BuildBmp({40, 2, -2, 32, 0, 0, {}, {},
                   {PackWords({0xAA112233, 0x01445566}, 4), PackWords({0xFF778899, 0x00FF00FF}, 4)}});
}
Bytes AlphaV5Bmp() {  // V5, bit fields with an alpha mask
  return BuildBmp({124, 4, 1, 32, 3, 0, {}, {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                   {PackWords({0x00123456, 0x7F654321, 0x80ABCDEF, 0xFFFF00FF}, 4)}});
}
Bytes Rgb565Bmp() {  // 16 bits, 5-6-5 masks after a 40-byte header
  return BuildBmp({40, 3, 1, 16, 3, 0, {}, {0xF800, 0x07E0, 0x001F}, {PackWords({0xF800, 0x07E0, 0x0020}, 2)}});
}

// ---------------------------------------------------------------------------
// PNG
// ---------------------------------------------------------------------------
TEST(ImagePng, RoundTripKeepsEveryPixel) {
  for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {64, 33}, {300, 2}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const auto px = RandomPixels(size_t(w) * size_t(h), uint32_t(w * 1000 + h));
    ExpectPixels(Png(EncodePng(px.data(), w, h)), w, h, px);
  }
}

TEST(ImagePng, AlphaBelowHalfBecomesKeyAndOpaqueKeyMovesOff) {
  ExpectPixels(Png(RgbaPng()), 4, 1, {kAlphaKeyPixel, kAlphaKeyPixel, 0x070809, 0xFE00FE});
}

TEST(ImagePng, PaletteTrnsInterlacedAndSubByteDepth) {
  std::vector<uint32_t> want;
  for (int i = 0; i < 15; ++i) want.push_back(i % 3 == 0 ? kAlphaKeyPixel : i % 3 == 1 ? 0xFE00FE : 0x102030);
  ExpectPixels(Png(PalettePngWithTrns()), 5, 3, want);

  PngParts beyond{2, 1, 8, 3, false, {4, 5, 6}, {}, {{0}, {200}}};  // index 200 of a 1-entry PLTE
  ExpectPixels(Png(BuildPng(beyond)), 2, 1, {0x040506, 0x000000});
}

TEST(ImagePng, GreyDepthsAndGreyTrns) {
  ExpectPixels(Png(Grey16Png()), 3, 1, {0xABABAB, kAlphaKeyPixel, 0xFFFFFF});

  PngParts one{9, 1, 1, 0, false, {}, {}, {}};
  for (int i = 0; i < 9; ++i) one.pixels.push_back({uint16_t(i & 1)});
  std::vector<uint32_t> want;
  for (int i = 0; i < 9; ++i) want.push_back(i & 1 ? 0xFFFFFF : 0x000000);
  ExpectPixels(Png(BuildPng(one)), 9, 1, want);

  PngParts keyed{3, 1, 8, 0, false, {}, {0x00, 0x40}, {{0x40}, {0x41}, {0xFF}}};  // tRNS: grey 0x40
  ExpectPixels(Png(BuildPng(keyed)), 3, 1, {kAlphaKeyPixel, 0x414141, 0xFFFFFF});
}

TEST(ImagePng, InterlacedRgbMatchesSource) {
  const auto px = RandomPixels(9 * 10, 77);
  PngParts s{9, 10, 8, 2, true, {}, {}, {}};
  for (uint32_t p : px) s.pixels.push_back({uint16_t(p >> 16), uint16_t((p >> 8) & 0xFF), uint16_t(p & 0xFF)});
  ExpectPixels(Png(BuildPng(s)), 9, 10, px);
}

TEST(ImagePng, BrokenFilesNameTheProblem) {
  Bytes bad = RgbaPng();
  bad[1] = 'Q';
  ExpectError(ErrorOf([&] { Png(bad, "sig.png"); }), "sig.png", "not a PNG file");

  bad = RgbaPng();
  bad[20] ^= 0x01;  // inside IHDR: its CRC no longer matches
  ExpectError(ErrorOf([&] { Png(bad, "crc.png"); }), "crc.png", "bad PNG data");

  PngParts wide{20000, 1, 8, 0, false, {}, {}, {}};
  ExpectError(ErrorOf([&] { Png(BuildPngFromRaw(wide, Bytes(20001, 0)), "wide.png"); }), "wide.png",
              "image too large (20000x1");

  PngParts depth{1, 1, 3, 0, false, {}, {}, {}};
  ExpectError(ErrorOf([&] { Png(BuildPngFromRaw(depth, Bytes{0, 0}), "depth.png"); }), "depth.png",
              "bad PNG data");

  PngParts pal{2, 1, 8, 3, false, {}, {}, {}};  // palette image without PLTE
  ExpectError(ErrorOf([&] { Png(BuildPngFromRaw(pal, Bytes{0, 0, 0}), "pal.png"); }), "pal.png", "bad PNG data");

  PngParts rgb{2, 2, 8, 2, false, {}, {}, {}};
  bad = BuildPngFromRaw(rgb, Bytes(14, 0));
  const size_t idat = 8 + 25 + 21 + 8;  // signature, IHDR, tEXt; then IDAT length and type
  bad[idat + 2 + 3] ^= 0xFF;            // stored block NLEN no longer complements LEN
  FixPngCrcs(bad);
  ExpectError(ErrorOf([&] { Png(bad, "zlib.png"); }), "zlib.png", "bad PNG data");
}

// ---------------------------------------------------------------------------
// BMP
// ---------------------------------------------------------------------------
TEST(ImageBmp, Bmp24RoundTripAndLayout) {
  for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {5, 2}, {33, 17}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const auto px = RandomPixels(size_t(w) * size_t(h), uint32_t(w * 31 + h));
    const Bytes file = EncodeBmp24(px.data(), w, h);
    const size_t stride = (size_t(w) * 3 + 3) / 4 * 4;
    ASSERT_EQ(file.size(), 54 + stride * size_t(h));
    // Bottom-up: the first stored pixel is the bottom-left one, as B, G, R.
    const uint32_t bottomLeft = px[size_t(h - 1) * size_t(w)];
    EXPECT_EQ(file[54], bottomLeft & 0xFF);
    EXPECT_EQ(file[56], bottomLeft >> 16);
    for (size_t pad = size_t(w) * 3; pad < stride; ++pad) EXPECT_EQ(file[54 + pad], 0) << "padding";
    ExpectPixels(Bmp(file), w, h, px);
  }
}

TEST(ImageBmp, PalettisedFilesDecode) {
  ExpectPixels(Bmp(Pal4Bmp()), 3, 2, {0x00FF00, 0x00FF00, 0xFF0000, 0x112233, 0xFF0000, 0x00FF00});
  ExpectPixels(Bmp(Pal8CoreBmp()), 3, 2,
               {0x807F40, 0x02FD01, 0x03FC01, 0x00FF00, 0x01FE00, 0xFF007F});

  BmpParts one{40, 9, 1, 1, 0, 0, {0x000000, 0xFFFFFF}, {}, {PackIndices({1, 0, 0, 1, 1, 0, 1, 0, 1}, 1)}};
  ExpectPixels(Bmp(BuildBmp(one)), 9, 1,
               {0xFFFFFF, 0, 0, 0xFFFFFF, 0xFFFFFF, 0, 0xFFFFFF, 0, 0xFFFFFF});

  BmpParts eight{40, 2, 1, 8, 0, 2, {0x010203, 0x040506}, {}, {PackIndices({1, 0}, 8)}};
  ExpectPixels(Bmp(BuildBmp(eight)), 2, 1, {0x040506, 0x010203});
}

TEST(ImageBmp, DirectColourFiles) {
  ExpectPixels(Bmp(TopDown32Bmp()), 2, 2, {0x112233, 0x445566, 0x778899, 0xFF00FF});
  ExpectPixels(Bmp(AlphaV5Bmp()), 4, 1, {kAlphaKeyPixel, kAlphaKeyPixel, 0xABCDEF, 0xFE00FE});
  ExpectPixels(Bmp(Rgb565Bmp()), 3, 1, {0xFF0000, 0x00FF00, 0x000400});

  BmpParts rgb555{40, 4, 1, 16, 0, 0, {}, {}, {PackWords({0x7FFF, 0x001F, 0x7C00, 0x4210}, 2)}};
  ExpectPixels(Bmp(BuildBmp(rgb555)), 4, 1, {0xFFFFFF, 0x0000FF, 0xFF0000, 0x848484});

  // A V4 header with an alpha mask on BI_RGB: alpha is used...
  BmpParts v4{108, 2, 1, 32, 0, 0, {}, {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
             {PackWords({0x10FF00FF, 0xF0010203}, 4)}};
  ExpectPixels(Bmp(BuildBmp(v4)), 2, 1, {kAlphaKeyPixel, 0x010203});
  // ...unless every alpha byte is zero: then the image is opaque as written.
  v4.rows = {PackWords({0x00FF00FF, 0x00010203}, 4)};
  ExpectPixels(Bmp(BuildBmp(v4)), 2, 1, {0xFF00FF, 0x010203});

  BmpParts core24{12, 2, 1, 24, 0, 0, {}, {}, {Bytes{0x03, 0x02, 0x01, 0x06, 0x05, 0x04}}};
  ExpectPixels(Bmp(BuildBmp(core24)), 2, 1, {0x010203, 0x040506});
}

TEST(ImageBmp, LastRowMayLackItsPadding) {
  Bytes file = Pal4Bmp();
  file.resize(file.size() - 2);  // 3 pixels at 4 bits: 2 data bytes, 2 padding bytes
  ExpectPixels(Bmp(file), 3, 2, {0x00FF00, 0x00FF00, 0xFF0000, 0x112233, 0xFF0000, 0x00FF00});
}

TEST(ImageBmp, BrokenHeadersNameTheProblem) {
  struct Case {
    const char* what;
    std::function<Bytes()> make;
    const char* problem;
  };
  auto patched = [](Bytes (*base)(), size_t at, uint32_t v) {
    return [=] {
      Bytes b = base();
      SetLE32(b, at, v);
      return b;
    };
  };
  auto rgb24 = [] {
    const std::vector<uint32_t> px(12, 0x123456);
    return EncodeBmp24(px.data(), 4, 3);
  };
  const Case cases[] = {
      {"signature", [] { return Bytes{'X', 'M', 0, 0}; }, "not a BMP file"},
      {"rle8", patched(rgb24, kBmpCompressionAt, 1), "unsupported BMP compression 1 (RLE8)"},
      {"rle4", patched(rgb24, kBmpCompressionAt, 2), "unsupported BMP compression 2 (RLE4)"},
      {"jpeg", patched(rgb24, kBmpCompressionAt, 4), "unsupported BMP compression 4 (JPEG)"},
      {"png", patched(rgb24, kBmpCompressionAt, 5), "unsupported BMP compression 5 (PNG)"},
      {"header size", patched(rgb24, 14, 64), "unsupported BMP header size 64"},
      {"zero width", patched(rgb24, kBmpWidthAt, 0), "bad image size 0x3"},
      {"negative width", patched(rgb24, kBmpWidthAt, uint32_t(-5)), "bad image size -5x3"},
      {"zero height", patched(rgb24, kBmpHeightAt, 0), "bad image size"},
      {"min height", patched(rgb24, kBmpHeightAt, 0x80000000u), "image too large"},
      {"wide", patched(rgb24, kBmpWidthAt, 16385), "image too large (16385x3"},
      {"huge claim", patched(rgb24, kBmpWidthAt, 16384), "truncated BMP pixel data"},
      {"bit depth", patched(rgb24, kBmpBppAt, 7), "unsupported BMP bit depth 7"},
      {"bitfields 24", patched(rgb24, kBmpCompressionAt, 3), "bit depth 24 with bit-field compression"},
      {"offset past end", patched(rgb24, 10, 5000), "bad BMP pixel data offset 5000"},
      {"offset in header", patched(rgb24, 10, 20), "bad BMP pixel data offset 20"},
      {"colour count", patched(Pal4Bmp, kBmpColorsUsedAt, 17), "bad BMP colour count 17 for 4 bits"},
      {"short table",
       [] {
         return BuildBmp({40, 1, 1, 8, 0, 200, {0x010203}, {}, {Bytes{0}}});
       },
       "truncated BMP colour table"},
      {"index beyond table", [] { return BuildBmp({40, 2, 1, 8, 0, 3, {1, 2, 3}, {}, {Bytes{2, 3}}}); },
       "BMP palette index 3 beyond the 3-entry colour table"},
      {"gappy mask", [] { return BuildBmp({40, 1, 1, 32, 3, 0, {}, {0xFF00FF, 0xFF00, 0}, {Bytes(4, 0)}}); },
       "bad BMP colour mask 0x00FF00FF"},
      {"wide 16-bit mask",
       [] { return BuildBmp({40, 1, 1, 16, 3, 0, {}, {0x1F0000, 0x7E0, 0x1F}, {Bytes(2, 0)}}); },
       "bad BMP colour mask for 16 bits per pixel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes file = c.make();
    ExpectError(ErrorOf([&] { Bmp(file, "tiles/grass.bmp"); }), "tiles/grass.bmp", c.problem);
  }
}

// ---------------------------------------------------------------------------
// Hostile and damaged input (both decoders)
// ---------------------------------------------------------------------------
TEST(ImageInput, EveryTruncationIsReported) {
  const std::vector<uint32_t> px = RandomPixels(20, 5);
  const std::pair<const char*, Bytes> files[] = {
      {"a.png", EncodePng(px.data(), 5, 4)}, {"b.png", PalettePngWithTrns()}, {"c.png", Grey16Png()},
      {"d.bmp", EncodeBmp24(px.data(), 4, 5)}, {"e.bmp", TopDown32Bmp()},       {"f.bmp", AlphaV5Bmp()},
  };
  for (const auto& entry : files) {
    const std::string name = entry.first;
    const Bytes& file = entry.second;
    const bool png = name.ends_with(".png");
    for (size_t cut = 0; cut < file.size(); ++cut) {
      SCOPED_TRACE(name + " cut at " + std::to_string(cut));
      const Bytes part(file.begin(), file.begin() + long(cut));
      ExpectError(ErrorOf([&] { png ? Png(part, name) : Bmp(part, name); }), name, "truncated");
    }
  }
}

TEST(ImageInput, HugeClaimsAllocateNothingLarge) {
  PngParts png{16384, 16384, 8, 2, false, {}, {}, {}};
  const Bytes pngFile = BuildPngFromRaw(png, Bytes(64, 0));
  BmpParts bmp{40, 16384, -16384, 32, 0, 0, {}, {}, {Bytes(64, 0)}};
  const Bytes bmpFile = BuildBmp(bmp);
  gLargestAlloc = 0;
  const std::string pngError = ErrorOf([&] { Png(pngFile, "big.png"); });
  const std::string bmpError = ErrorOf([&] { Bmp(bmpFile, "big.bmp"); });
  EXPECT_LT(gLargestAlloc.load(), size_t(1) << 20);
  ExpectError(pngError, "big.png", "image too large for its data");
  ExpectError(bmpError, "big.bmp", "truncated BMP pixel data");
}

TEST(ImageInput, RandomDamageNeverCrashes) {
  const std::pair<bool, Bytes> seeds[] = {{true, PalettePngWithTrns()}, {true, Grey16Png()},
                                          {false, Pal4Bmp()},           {false, AlphaV5Bmp()},
                                          {false, Rgb565Bmp()},         {false, Pal8CoreBmp()}};
  std::mt19937 rng(2024);
  int decoded = 0, refused = 0;
  for (const auto& [png, seed] : seeds) {
    for (int round = 0; round < 1500; ++round) {
      Bytes file = seed;
      const int flips = 1 + int(rng() % 4);
      for (int i = 0; i < flips; ++i) file[rng() % file.size()] = uint8_t(rng());
      if (rng() % 4 == 0) file.resize(rng() % file.size());
      if (png) FixPngCrcs(file);
      try {
        const DecodedImage img = png ? Png(file) : Bmp(file);
        ASSERT_GT(img.width, 0);
        ASSERT_GT(img.height, 0);
        ASSERT_EQ(img.pixels.size(), size_t(img.width) * size_t(img.height));
        ++decoded;
      } catch (const EImageError& e) {
        ASSERT_EQ(std::string(e.what()).rfind(png ? "t.png: " : "t.bmp: ", 0), 0u) << e.what();
        ++refused;
      }
    }
  }
  // Both outcomes must occur, or the damage is not reaching the parsers.
  EXPECT_GT(decoded, 100);
  EXPECT_GT(refused, 100);
}

// ---------------------------------------------------------------------------
// Files on disk
// ---------------------------------------------------------------------------
class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("vel_image_files_" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(ImageFiles, SaveThenLoadByExtensionAndSignature) {
  const auto px = RandomPixels(7 * 3, 9);
  for (const char* name : {"a.png", "b.BMP", "c.bmp", "d.image"}) {
    SCOPED_TRACE(name);
    SaveImageFile(Path(name), px.data(), 7, 3);
    std::ifstream in(Path(name), std::ios::binary);
    char sig[2] = {};
    in.read(sig, 2);
    const bool bmp = std::string(name).find(".bmp") != std::string::npos ||
                     std::string(name).find(".BMP") != std::string::npos;
    EXPECT_EQ(sig[0], bmp ? 'B' : '\x89');
    ExpectPixels(LoadImageFile(Path(name)), 7, 3, px);
  }
  for (const auto& entry : fs::directory_iterator(dir_)) EXPECT_NE(entry.path().extension(), ".part");
}

TEST_F(ImageFiles, ErrorsNameThePath) {
  const std::string missing = Path("no/such/dir/hero.png");
  ExpectError(ErrorOf([&] { LoadImageFile(missing); }), missing, "cannot open file");
  ExpectError(ErrorOf([&] { LoadImageFile(dir_.string()); }), dir_.string(), "cannot read file");

  std::ofstream(Path("empty.png")).close();
  ExpectError(ErrorOf([&] { LoadImageFile(Path("empty.png")); }), Path("empty.png"), "empty file");
  std::ofstream(Path("text.png")) << "GIF89a, not really";
  ExpectError(ErrorOf([&] { LoadImageFile(Path("text.png")); }), Path("text.png"), "not a PNG or BMP image");

  Bytes broken = Pal4Bmp();
  broken[kBmpCompressionAt] = 1;
  std::ofstream(Path("hero.bmp"), std::ios::binary).write(reinterpret_cast<const char*>(broken.data()),
                                                          std::streamsize(broken.size()));
  EXPECT_EQ(ErrorOf([&] { LoadImageFile(Path("hero.bmp")); }),
            Path("hero.bmp") + ": unsupported BMP compression 1 (RLE8)");

  const uint32_t px[4] = {};
  ExpectError(ErrorOf([&] { SaveImageFile(missing, px, 2, 2); }), missing, "cannot write file");
  ExpectError(ErrorOf([&] { SaveImageFile(Path("zero.png"), px, 0, 2); }), Path("zero.png"), "bad image size");
  ExpectError(ErrorOf([&] { SaveImageFile(Path("null.bmp"), nullptr, 2, 2); }), Path("null.bmp"), "no pixels");
  EXPECT_FALSE(fs::exists(Path("zero.png")));
  EXPECT_FALSE(fs::exists(dir_ / "no"));
}

// The committed seed corpus (tests/data/images) holds these files; setting
// VELSCENE_WRITE_IMAGE_CORPUS=1 rewrites it from the builders above.
TEST(ImageCorpus, CommittedSeedsMatchTheirBuilders) {
  const auto rgb = RandomPixels(7 * 3, 3);
  const std::pair<const char*, Bytes> corpus[] = {
      {"rgb_7x3.png", EncodePng(rgb.data(), 7, 3)}, {"rgba.png", RgbaPng()},
      {"palette_trns_interlaced.png", PalettePngWithTrns()}, {"grey16_alpha.png", Grey16Png()},
      {"rgb24_7x3.bmp", EncodeBmp24(rgb.data(), 7, 3)},      {"pal4.bmp", Pal4Bmp()},
      {"pal8_core.bmp", Pal8CoreBmp()},                      {"topdown32.bmp", TopDown32Bmp()},
      {"alpha_v5.bmp", AlphaV5Bmp()},                        {"rgb565.bmp", Rgb565Bmp()},
  };
  const fs::path dir = fs::path(VELSCENE_TEST_DATA) / "images";
  const bool write = std::getenv("VELSCENE_WRITE_IMAGE_CORPUS") != nullptr;
  if (write) fs::create_directories(dir);
  for (const auto& [name, bytes] : corpus) {
    SCOPED_TRACE(name);
    const std::string path = (dir / name).string();
    if (write)
      std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                  std::streamsize(bytes.size()));
    const bool png = std::string(name).ends_with(".png");
    const DecodedImage want = png ? Png(bytes) : Bmp(bytes);
    const DecodedImage got = LoadImageFile(path);
    ExpectPixels(got, want.width, want.height, want.pixels);
  }
}

}  // namespace
