// The demo's pictures for other cell widths: each target pixel the exact
// average of the 48-pixel picture's area under it (integer arithmetic in
// units of 1/n source pixel for a scale n/d), alpha the covered share.
#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "art.h"
#include "velscene/platform/graphics/image_files.h"

namespace art {

namespace {

constexpr int kCell = 48;  // the cell width the demo's art is drawn for

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }
int RoundDiv(int64_t a, int64_t b) { return int(FloorDiv(2 * a + b, 2 * b)); }

struct Scale {
  int n, d;  // target pixels per source pixel, n / d
  explicit Scale(int cellWidth) {
    const int g = std::gcd(cellWidth, kCell);
    n = cellWidth / g;
    d = kCell / g;
  }
};

// A frame of the source: its top-left in the picture, size and anchor; and
// where it goes: size and anchor in the target.
struct Mapping {
  int sx, sy, sw, sh, ax, ay;
  int tw, th, tax, tay;
};

// The source area under target pixel (x, y) of a mapping, averaged: a
// straight-alpha word, or 0 where nothing opaque lies under it.
uint32_t Average(const Canvas& src, const Mapping& m, const Scale& s, int x, int y, bool& covered) {
  // Edges of the pixel in the source, in units of 1/n source pixel.
  const int64_t x0 = int64_t(x - m.tax) * s.d + int64_t(m.ax) * s.n, y0 = int64_t(y - m.tay) * s.d + int64_t(m.ay) * s.n;
  const int64_t x1 = x0 + s.d, y1 = y0 + s.d;
  uint64_t cov = 0, sum[3] = {0, 0, 0};
  for (int64_t j = std::max<int64_t>(0, FloorDiv(y0, s.n)); j < std::min<int64_t>(m.sh, CeilDiv(y1, s.n)); ++j)
    for (int64_t i = std::max<int64_t>(0, FloorDiv(x0, s.n)); i < std::min<int64_t>(m.sw, CeilDiv(x1, s.n)); ++i) {
      if (!src.Opaque(m.sx + int(i), m.sy + int(j))) continue;
      const int64_t ox = std::min(x1, (i + 1) * s.n) - std::max(x0, i * s.n);
      const int64_t oy = std::min(y1, (j + 1) * s.n) - std::max(y0, j * s.n);
      const uint64_t w = uint64_t(ox * oy);
      const uint32_t c = src.Get(m.sx + int(i), m.sy + int(j));
      cov += w;
      for (int k = 0; k < 3; ++k) sum[k] += w * ((c >> (16 - 8 * k)) & 0xFF);
    }
  covered = cov > 0;
  if (cov == 0) return 0;
  const int64_t area = int64_t(s.d) * s.d;
  const uint32_t a = uint32_t(RoundDiv(int64_t(cov) * 255, area));
  uint32_t word = a << 24;
  for (int k = 0; k < 3; ++k) word |= uint32_t(RoundDiv(int64_t(sum[k]), int64_t(cov))) << (16 - 8 * k);
  return word;
}

// The colour of the opaque source pixel nearest to target pixel (x, y).
uint32_t Nearest(const Canvas& src, const Mapping& m, const Scale& s, int x, int y) {
  const int cx = int(FloorDiv(int64_t(2 * (x - m.tax) + 1) * s.d + 2 * int64_t(m.ax) * s.n, 2 * int64_t(s.n)));
  const int cy = int(FloorDiv(int64_t(2 * (y - m.tay) + 1) * s.d + 2 * int64_t(m.ay) * s.n, 2 * int64_t(s.n)));
  for (int r = 0; r <= 4; ++r)
    for (int j = cy - r; j <= cy + r; ++j)
      for (int i = cx - r; i <= cx + r; ++i)
        if (i >= 0 && j >= 0 && i < m.sw && j < m.sh && src.Opaque(m.sx + i, m.sy + j)) return src.Get(m.sx + i, m.sy + j);
  return 0;
}

// Whether (x, r) lies in the ground diamond of a cell w wide and w / 2 high:
// the 2:1 staircase, two pixels wider per row to the middle.
bool InCell(int x, int r, int w) {
  const int h = w / 2;
  if (r < 0 || r >= h) return false;
  const int half = std::min(w / 2, r < h / 2 ? 2 * (r + 1) : 2 * (h - r));
  return x >= w / 2 - half && x < w / 2 + half;
}

}  // namespace

FrameScale ScaledFrame(const Piece& p, int cellWidth) {
  const Scale s(cellWidth);
  const int ax = RoundDiv(int64_t(p.AnchorX) * s.n, s.d), ay = RoundDiv(int64_t(p.AnchorY) * s.n, s.d);
  return {ax + int(CeilDiv(int64_t(p.FrameW - p.AnchorX) * s.n, s.d)),
          ay + int(CeilDiv(int64_t(p.FrameH - p.AnchorY) * s.n, s.d)), ax, ay};
}

RgbaPicture ScalePiece(const Piece& p, int cellWidth) {
  const Scale s(cellWidth);
  const Canvas& src = p.Picture;
  if (p.Kind == Piece::Sheet) {
    const FrameScale f = ScaledFrame(p, cellWidth);
    const int cols = src.W / p.FrameW, rows = src.H / p.FrameH;
    RgbaPicture out{cols * f.W, rows * f.H, std::vector<uint32_t>(size_t(cols * f.W) * size_t(rows * f.H), 0)};
    for (int fy = 0; fy < rows; ++fy)
      for (int fx = 0; fx < cols; ++fx) {
        const Mapping m{fx * p.FrameW, fy * p.FrameH, p.FrameW, p.FrameH, p.AnchorX, p.AnchorY, f.W, f.H, f.AnchorX, f.AnchorY};
        for (int y = 0; y < f.H; ++y)
          for (int x = 0; x < f.W; ++x) {
            bool covered;
            out.Px[size_t(fy * f.H + y) * size_t(out.W) + size_t(fx * f.W + x)] = Average(src, m, s, x, y, covered);
          }
      }
    return out;
  }
  // Tiles: the bottom corner of the picture on the bottom corner of the cell.
  // A flat tile is the new cell's diamond without its top row; a tall tile
  // stands on the new cell's whole diamond.
  const bool flat = p.Kind == Piece::Flat;
  const int th = flat ? cellWidth / 2 - 1 : int(CeilDiv(int64_t(src.H) * s.n, s.d));
  const Mapping m{0, 0, src.W, src.H, src.W / 2, src.H, cellWidth, th, cellWidth / 2, th};
  RgbaPicture out{cellWidth, th, std::vector<uint32_t>(size_t(cellWidth) * size_t(th), 0)};
  const int diamondTop = flat ? -1 : th - cellWidth / 2;  // target row of the diamond's top
  for (int y = 0; y < th; ++y)
    for (int x = 0; x < cellWidth; ++x) {
      bool covered;
      uint32_t word = Average(src, m, s, x, y, covered);
      if (InCell(x, y - diamondTop, cellWidth)) word = 0xFF000000u | (covered ? word : Nearest(src, m, s, x, y));
      else if (flat) word = 0;
      out.Px[size_t(y) * size_t(cellWidth) + size_t(x)] = word;
    }
  return out;
}

void RgbaPicture::Save(const std::string& path) const { vel::SaveImageFile(path, Px.data(), W, H, true); }

}  // namespace art
