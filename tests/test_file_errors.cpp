// Bad image files given to TBitmap::LoadFromFile and through it to figures and
// maps: a clear error naming the file and the problem, and nothing loaded lost.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "velscene/platform/graphics/graphics.h"
#include "velscene/platform/graphics/image_files.h"
#include "velscene/figure.h"
#include "velscene/map.h"

using namespace vel;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

class FileErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("vel_file_errors_" + std::to_string(getpid()));
    fs::create_directories(dir_);
    // A good 5 x 4 picture, saved both ways.
    good_.SetSize(5, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) good_.Canvas()->SetPixel(x, y, COLORREF(0x010203 * (x + 5 * y + 1)));
    good_.SaveToFile(Path("good.png"));
    good_.SaveToFile(Path("good.bmp"));
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  Bytes Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return Path(name);
  }

  // Broken files of every kind, each with a word its message must contain.
  std::vector<std::pair<std::string, std::string>> BrokenFiles() const {
    std::vector<std::pair<std::string, std::string>> out;
    const Bytes png = Read("good.png"), bmp = Read("good.bmp");
    out.push_back({Path("missing.png"), "cannot open file"});
    out.push_back({dir_.string(), "cannot read file"});
    out.push_back({Write("empty.png", {}), "empty file"});
    out.push_back({Write("text.png", Bytes{'h', 'e', 'l', 'l', 'o'}), "not a PNG or BMP image"});
    out.push_back({Write("half.png", Bytes(png.begin(), png.begin() + long(png.size() / 2))), "PNG"});
    Bytes crc = png;
    crc[20] ^= 0x40;  // inside IHDR
    out.push_back({Write("crc.png", crc), "IHDR"});
    out.push_back({Write("half.bmp", Bytes(bmp.begin(), bmp.begin() + long(bmp.size() / 2))),
                   "truncated BMP pixel data"});
    Bytes depth = bmp;
    depth[28] = 7;  // bits per pixel
    out.push_back({Write("depth.bmp", depth), "unsupported BMP bit depth 7"});
    Bytes wide = bmp;
    wide[18] = 0xFF, wide[19] = 0xFF, wide[20] = 0xFF, wide[21] = 0x00;  // width 16777215
    out.push_back({Write("wide.bmp", wide), "image too large"});
    return out;
  }

  fs::path dir_;
  TBitmap good_;
};

void ExpectSamePixels(TBitmap& a, TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) ASSERT_EQ(a.Canvas()->GetPixel(x, y), b.Canvas()->GetPixel(x, y));
}

TEST_F(FileErrors, EachBrokenFileNamesItselfAndTheProblemAndChangesNothing) {
  TBitmap bitmap;
  bitmap.LoadFromFile(Path("good.png"));
  bitmap.SetTransparent(true);
  const HBITMAP handle = bitmap.Handle();
  for (const auto& [path, problem] : BrokenFiles()) {
    SCOPED_TRACE(path);
    std::string message;
    try {
      bitmap.LoadFromFile(path);
    } catch (const EImageError& e) {
      message = e.what();
    }
    EXPECT_EQ(message.rfind(path + ": ", 0), 0u) << message;
    EXPECT_NE(message.find(problem), std::string::npos) << message;
    EXPECT_EQ(bitmap.Handle(), handle);
    EXPECT_TRUE(bitmap.Transparent());
    ExpectSamePixels(bitmap, good_);
  }
}

// A failed load between two good ones: the figure's frames and the map's
// tiles made from the good picture stay as they were.
TEST_F(FileErrors, FiguresAndMapsKeepWhatWasLoadedBeforeAFailure) {
  TAniFigure figure(nullptr);
  TAniMap map(nullptr);
  TBitmap bitmap;
  bitmap.LoadFromFile(Path("good.bmp"));
  figure.SetFrame(1, &bitmap);
  map.SetTile(1, &bitmap);
  const HBITMAP frame = figure.Image(1);
  TBitmap* tile = map.Tile(1);
  for (const auto& [path, problem] : BrokenFiles()) {
    EXPECT_THROW(bitmap.LoadFromFile(path), EImageError) << path;
    // The application hands the untouched bitmap on again.
    figure.SetFrame(2, &bitmap);
    map.SetTile(2, &bitmap);
  }
  EXPECT_EQ(figure.Image(1), frame);
  EXPECT_EQ(map.Tile(1), tile);
  ExpectSamePixels(*map.Tile(1), good_);
  ExpectSamePixels(*map.Tile(2), good_);
  EXPECT_TRUE(figure.FrameLoaded(2));
}

}  // namespace
