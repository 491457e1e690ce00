// Compares a map picture from the editor's rasteriser with ours: the
// editor's picture (RGBA, clear where nothing is drawn) is laid over the
// background colour, the two canvases are aligned (first by the box of what
// is drawn, then by the offset nearby that makes the most pixels equal), and
// over the editor's canvas the shares of pixels equal, within +-2 on every
// channel and different are printed with the offset used. The difference
// image shows equal pixels dimmed, near ones yellow and different ones red.
//
// usage: interop_compare EDITOR.png OURS.png DIFF.png [RRGGBB background]
// Built and run by scripts/interop.sh (libpng only).
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Picture {
  int W = 0, H = 0;
  std::vector<uint32_t> Px;  // 0xAARRGGBB, straight alpha
  uint32_t At(int x, int y) const { return Px[size_t(y) * size_t(W) + size_t(x)]; }
};

Picture Load(const char* path) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path)) {
    std::fprintf(stderr, "%s: %s\n", path, img.message);
    std::exit(2);
  }
  img.format = PNG_FORMAT_BGRA;  // little-endian words read as 0xAARRGGBB
  Picture p;
  p.W = int(img.width), p.H = int(img.height);
  p.Px.resize(size_t(p.W) * size_t(p.H));
  if (!png_image_finish_read(&img, nullptr, p.Px.data(), 0, nullptr)) {
    std::fprintf(stderr, "%s: %s\n", path, img.message);
    std::exit(2);
  }
  return p;
}

void Save(const char* path, const Picture& p) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  img.width = png_uint_32(p.W), img.height = png_uint_32(p.H);
  img.format = PNG_FORMAT_BGRA;
  if (!png_image_write_to_file(&img, path, 0, p.Px.data(), 0, nullptr)) {
    std::fprintf(stderr, "%s: %s\n", path, img.message);
    std::exit(2);
  }
}

// Straight alpha over an opaque colour, rounded to the nearest.
uint32_t Over(uint32_t s, uint32_t bg) {
  const uint32_t a = s >> 24;
  uint32_t out = 0xFF000000u;
  for (int sh = 0; sh <= 16; sh += 8) {
    const uint32_t c = ((s >> sh) & 0xFF) * a + ((bg >> sh) & 0xFF) * (255 - a);
    out |= ((c + 127) / 255) << sh;
  }
  return out;
}

int MaxChannelDiff(uint32_t a, uint32_t b) {
  int d = 0;
  for (int sh = 0; sh <= 16; sh += 8) d = std::max(d, std::abs(int((a >> sh) & 0xFF) - int((b >> sh) & 0xFF)));
  return d;
}

// The box of pixels unlike the background.
bool DrawnBox(const Picture& p, uint32_t bg, int& x0, int& y0) {
  x0 = p.W, y0 = p.H;
  for (int y = 0; y < p.H; ++y)
    for (int x = 0; x < p.W; ++x)
      if ((p.At(x, y) & 0xFFFFFF) != (bg & 0xFFFFFF)) x0 = std::min(x0, x), y0 = std::min(y0, y);
  return x0 < p.W;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s EDITOR.png OURS.png DIFF.png [RRGGBB]\n", argv[0]);
    return 2;
  }
  const uint32_t bg = 0xFF000000u | (argc > 4 ? uint32_t(std::strtoul(argv[4], nullptr, 16)) : 0u);
  Picture a = Load(argv[1]);
  Picture b = Load(argv[2]);
  for (uint32_t& w : a.Px) w = Over(w, bg);
  for (uint32_t& w : b.Px) w = Over(w, bg);
  // Outside our canvas: 0, unlike any opaque pixel.
  auto b_at = [&](int x, int y) { return x >= 0 && y >= 0 && x < b.W && y < b.H ? b.At(x, y) : 0u; };

  int ax = 0, ay = 0, bx = 0, by = 0;
  int dx = 0, dy = 0;
  if (DrawnBox(a, bg, ax, ay) && DrawnBox(b, bg, bx, by)) dx = bx - ax, dy = by - ay;
  // Equal pixels at an offset, on every third row and column.
  auto score = [&](int ox, int oy) {
    long n = 0;
    for (int y = 0; y < a.H; y += 3)
      for (int x = 0; x < a.W; x += 3) n += a.At(x, y) == b_at(x + ox, y + oy);
    return n;
  };
  int bestX = dx, bestY = dy;
  long best = score(dx, dy);
  // Tall tiles cut off by one canvas and not the other move the boxes apart.
  for (int oy = dy - 24; oy <= dy + 24; ++oy)
    for (int ox = dx - 24; ox <= dx + 24; ++ox)
      if (long s = score(ox, oy); s > best) best = s, bestX = ox, bestY = oy;

  long equal = 0, near = 0, far = 0;
  Picture diff{a.W, a.H, std::vector<uint32_t>(a.Px.size())};
  for (int y = 0; y < a.H; ++y)
    for (int x = 0; x < a.W; ++x) {
      const uint32_t pa = a.At(x, y), pb = b_at(x + bestX, y + bestY);
      const int d = pb == 0 ? 256 : MaxChannelDiff(pa, pb);
      uint32_t& out = diff.Px[size_t(y) * size_t(a.W) + size_t(x)];
      if (d == 0) {
        ++equal;
        out = 0xFF000000u | ((pa >> 2) & 0x3F3F3Fu);
      } else if (d <= 2) {
        ++near;
        out = 0xFFFFFF00u;
      } else {
        ++far;
        out = 0xFFFF0000u;
      }
    }
  Save(argv[3], diff);
  const double all = double(a.W) * a.H;
  std::printf("%dx%d offset %+d %+d (drawn boxes %+d %+d)  equal %.3f%%  within2 %.3f%%  different %.3f%%\n", a.W, a.H,
              bestX, bestY, dx, dy, 100.0 * equal / all, 100.0 * (equal + near) / all, 100.0 * far / all);
  return 0;
}
