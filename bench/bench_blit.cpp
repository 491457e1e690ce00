// Blit benchmarks: the AND/OR pair of one 96 x 96 sprite and the copy of a
// full 1920 x 1080 frame, the inner loops of every frame the view composes.
#include <benchmark/benchmark.h>

#include <random>

#include "velscene/platform/raster/raster.h"

using namespace vel;

namespace {

struct Ctx {
  HDC dc{};
  HBITMAP bmp{};
  HGDIOBJ old{};
  Ctx(int w, int h, bool mono, uint32_t seed) {
    dc = CreateCompatibleDC(HDC{});
    bmp = CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
    old = SelectObject(dc, bmp);
    PixelView v = LockPixels(bmp);
    std::mt19937 rng(seed);
    for (int i = 0; i < w * h; ++i) v.pixels[i] = mono ? ((rng() & 1) ? kPixelWhite : kPixelBlack) : (rng() & 0xFFFFFF);
  }
  ~Ctx() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
};

void BM_SpriteAndOr96(benchmark::State& state) {
  Ctx target(1920, 1080, false, 1), mask(96, 96, true, 2), image(96, 96, false, 3);
  int i = 0;
  for (auto _ : state) {
    const int x = (i * 37) % 1800, y = (i * 53) % 960;
    BitBlt(target.dc, x, y, 96, 96, mask.dc, 0, 0, SRCAND);
    BitBlt(target.dc, x, y, 96, 96, image.dc, 0, 0, SRCPAINT);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * 96 * 96 * 4 * 2);
}
BENCHMARK(BM_SpriteAndOr96);

void BM_FrameCopy1080p(benchmark::State& state) {
  Ctx target(1920, 1080, false, 4), source(1920, 1080, false, 5);
  for (auto _ : state) BitBlt(target.dc, 0, 0, 1920, 1080, source.dc, 0, 0, SRCCOPY);
  state.SetBytesProcessed(state.iterations() * 1920 * 1080 * 4);
}
BENCHMARK(BM_FrameCopy1080p);

}  // namespace

BENCHMARK_MAIN();
