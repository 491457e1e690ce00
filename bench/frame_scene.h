// The reference scene of the frame benchmark, built through the public API: a
// 1920 x 1080 view over a 50 x 50 map with 14 tall tiles and 240 figures,
// whose frames are colour-keyed or, in the soft variant, anti-aliased RGBA.
// The same 50 x 50 cells and figures can sit inside a larger map (at an even
// offset, where the larger map's ground pattern lines up with them).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/host/forms.h"
#include "velscene/figure.h"
#include "velscene/map.h"
#include "velscene/view.h"

namespace velbench {

using namespace vel;

constexpr int32_t kViewW = 1920, kViewH = 1080;
constexpr int32_t kMapSide = 50;
constexpr int kFigureCount = 240;
constexpr int kFrameImages = 16;
constexpr int kFlatTiles = 4;                  // tile numbers 1..4
constexpr uint8_t kTallTile = kFlatTiles + 1;  // tile number 5
constexpr uint32_t kKey = 0xFF00FF;            // transparent colour of every source bitmap
constexpr TColor kViewColor = clNavy;
constexpr TColor kOutlineColor = clYellow;

// A bitmap of the given size filled by f(x, y) -> pixel word.
template <class F>
std::unique_ptr<TBitmap> Paint(int32_t w, int32_t h, F f) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(w, h);
  PixelView v = LockPixels(b->Handle());
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) v.pixels[size_t(y) * size_t(w) + size_t(x)] = f(x, y);
  TouchBitmap(b->Handle());
  return b;
}

// Figure frame k: an ellipse-like body (about 60 % of the 96 x 96 square is
// opaque), shaded, with a few opaque black pixels.
inline std::unique_ptr<TBitmap> FrameImage(int k) {
  const double rx = 38 + 2 * (k % 4), ry = 39 + 2 * (k / 4);
  const uint32_t base = 0x402010u + uint32_t(k) * 0x0B0915u;
  return Paint(96, 96, [&](int32_t x, int32_t y) -> uint32_t {
    const double u = (x + 0.5 - 48) / rx, v = (y + 0.5 - 50) / ry;
    if (u * u + v * v > 1.0) return kKey;
    if (std::abs(x - 40) < 3 && std::abs(y - 30) < 2) return 0x000000;
    return (base + uint32_t(x) * 0x010203u + uint32_t(y) * 0x020101u) & 0x7F7F7Fu;
  });
}

// The soft variant of frame k: the same body and colours with straight alpha,
// the edge blended over 2.5 pixels (distance to the ellipse's rim measured
// along the radius), about 60 % of the square opaque.
inline std::unique_ptr<TBitmap> SoftFrameImage(int k) {
  const double rx = 38 + 2 * (k % 4), ry = 39 + 2 * (k / 4);
  const uint32_t base = 0x402010u + uint32_t(k) * 0x0B0915u;
  auto b = Paint(96, 96, [&](int32_t x, int32_t y) -> uint32_t {
    const double u = (x + 0.5 - 48) / rx, v = (y + 0.5 - 50) / ry, rho = std::sqrt(u * u + v * v);
    const double inside = (1.0 - rho) * (rx + ry) / 2;  // pixels inside the rim, about
    const uint32_t a = uint32_t(std::lround(std::clamp(inside / 2.5 + 0.5, 0.0, 1.0) * 255));
    if (a == 0) return 0;
    if (std::abs(x - 40) < 3 && std::abs(y - 30) < 2) return a << 24;
    return (a << 24) | ((base + uint32_t(x) * 0x010203u + uint32_t(y) * 0x020101u) & 0x7F7F7Fu);
  });
  b->SetAlphaFormat(afDefined);
  return b;
}

// A 48 x 23 diamond; a tall tile stands a 32-pixel pillar on it (48 x 64).
inline bool InDiamond(int32_t x, int32_t y) { return std::abs(x - 23.5) / 24 + std::abs(y - 11) / 11.5 <= 1.0; }
inline std::unique_ptr<TBitmap> FlatTile(int t) {
  return Paint(48, 23, [&](int32_t x, int32_t y) -> uint32_t {
    return InDiamond(x, y) ? 0x206020u + uint32_t(t) * 0x101004u + uint32_t((x ^ y) & 7) : kKey;
  });
}
inline std::unique_ptr<TBitmap> TallTile() {
  return Paint(48, 64, [](int32_t x, int32_t y) -> uint32_t {
    if (y >= 41 && InDiamond(x, y - 41)) return 0x605040;
    return (x >= 8 && x < 40 && y < 52) ? 0x8080A0u - uint32_t(x & 3) : kKey;
  });
}

struct Walker {
  float homeX = 0, homeY = 0, dirX = 0, dirY = 0;
  bool far = false;
};

class FrameScene {
 public:
  explicit FrameScene(bool soft = false, uint32_t side = kMapSide, int32_t offset = 0)
      : side_(side), offset_(offset) {
    Application().SelectBackend("headless");
    for (int k = 0; k < kFrameImages; ++k) frames.push_back(soft ? SoftFrameImage(k) : FrameImage(k));
    for (int t = 1; t <= kFlatTiles; ++t) tiles.push_back(FlatTile(t));
    tiles.push_back(TallTile());

    form = new TForm(nullptr);
    form->SetClientSize(kViewW, kViewH);
    view = new TAniView(form);
    view->SetParent(form);
    view->SetBounds(0, 0, kViewW, kViewH);
    view->SetColor(kViewColor);
    form->Show();
    form->PaintAll();  // sizes the back buffer

    map = new TAniMap(form);
    FillMap(*map, side_);
    PlaceTallTiles();
    view->SetMap(map);
    CentreCamera();
    PlaceFigures();
    // The pointer rests in the middle of the view: the hover pass finds figures.
    HeadlessBackend()->MouseMove(form, TShiftState(), kViewW / 2, kViewH / 2);
    Rest();
  }
  ~FrameScene() { delete form; }
  FrameScene(const FrameScene&) = delete;
  FrameScene& operator=(const FrameScene&) = delete;

  // Every figure at home and standing, the list sorted.
  void Rest() {
    for (int i = 0; i < kFigureCount; ++i) view->SetFigurePos(vars[i], walkers[i].homeX, walkers[i].homeY, 0);
    view->DrawFrame();
  }

  // Figures pace to and fro about their homes; one that arrived or was
  // stopped turns round, so every figure walks in every tick.
  void Walk() {
    for (int i = 0; i < kFigureCount; ++i) {
      TAniFigure*& f = vars[i];
      Walker& w = walkers[i];
      if (!view->Entry(f->Slot())->Moving) {
        w.far = !w.far;
        const float s = w.far ? 1.0f : -1.0f;
        view->MoveFigure(f, w.homeX + s * w.dirX, w.homeY + s * w.dirY, 0);
      }
    }
  }

  // Fills a map of side n with the four flat tiles and the tall tile's bitmap.
  void FillMap(TAniMap& m, uint32_t n) const {
    m.SetWidth(n);
    m.SetHeight(n);
    for (int t = 1; t <= kFlatTiles + 1; ++t) m.SetTile(t, tiles[size_t(t - 1)].get());
    for (int32_t gy = 0; gy < int32_t(n); ++gy)
      for (int32_t gx = 0; gx < int32_t(n); ++gx) m.SetGridTile(gx, gy, uint8_t(1 + (gx * 7 + gy * 3) % kFlatTiles));
  }

  TForm* form = nullptr;
  TAniView* view = nullptr;
  TAniMap* map = nullptr;
  std::vector<std::unique_ptr<TBitmap>> frames;  // the 16 source frame images
  std::vector<std::unique_ptr<TBitmap>> tiles;   // tile numbers 1..5
  std::array<TAniFigure*, kFigureCount> vars{};  // the application's figure variables
  std::array<int, kFigureCount> image{};         // frame image of each figure
  std::array<Walker, kFigureCount> walkers{};

 private:
  uint32_t side_;
  int32_t offset_;

  // 14 tall tiles on a spread of cells in the middle of the map, each blocked.
  void PlaceTallTiles() {
    for (int i = 0; i < 14; ++i) {
      const int32_t gx = 14 + (i % 5) * 5 + (i / 5), gy = 12 + (i / 5) * 9 + (i % 3) * 2;
      map->SetGridTile(gx + offset_, gy + offset_, kTallTile);
      map->SetPassable(gx + offset_, gy + offset_, false);
    }
  }

  // The camera centres the middle of the map once and then stands still.
  void CentreCamera() {
    TAniFigure* cam = new TAniFigure(form);
    cam->SetX(24.5f + float(offset_));
    cam->SetY(24.5f + float(offset_));
    view->AddFigure(cam);
    view->SetKeyFigure(cam);
    view->DrawFrame();
    TAniFigure* none = nullptr;
    view->SetKeyFigure(none);
    view->RemoveFigure(cam);
    delete cam;
  }

  // A 16 x 15 jittered grid over the whole view, kept on the map.
  void PlaceFigures() {
    uint32_t seed = 12345;
    auto jitter = [&seed](int32_t span) {
      seed = seed * 1664525u + 1013904223u;
      return int32_t((seed >> 8) % uint32_t(2 * span + 1)) - span;
    };
    for (int i = 0; i < kFigureCount; ++i) {
      const int32_t vx = (i % 16) * 120 - 12 + jitter(12), vy = (i / 16) * 72 - 24 + jitter(10);
      float gx, gy;
      view->ScreenToGrid(vx + 48, vy + 96, gx, gy);
      Walker& w = walkers[i];
      const float lo = 1.0f + float(offset_), hi = kMapSide - 2.0f + float(offset_);
      w.homeX = std::clamp(gx, lo, hi);
      w.homeY = std::clamp(gy, lo, hi);
      const float dirs[4][2] = {{1, 0}, {0, 1}, {0.7f, -0.7f}, {0.7f, 0.7f}};
      w.dirX = dirs[i % 4][0];
      w.dirY = dirs[i % 4][1];

      TAniFigure*& f = vars[i];
      f = new TAniFigure(form);
      image[i] = i % kFrameImages;
      f->SetHighlightColor(kOutlineColor);
      f->SetFrame(1, frames[size_t(image[i])].get());
      f->Speed = 0.2f;
      f->Shadow = i % 3 == 0;
      f->Highlighted = i % 7 == 0;
      f->AutoHighlight = i % 5 == 1;
      f->Transparent = i % 11 == 5;
      f->SetX(w.homeX);
      f->SetY(w.homeY);
      view->AddFigure(f);
    }
  }
};

}  // namespace velbench
