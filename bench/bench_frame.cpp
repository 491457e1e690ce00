// Frame benchmark on the reference scene: compose + present, the full tick
// with every figure walking, SetMap of a 128 x 128 map and SetFrame, against
// SDL2 software surfaces and the memcpy floor, with a table of ratios; and
// compose + present of the soft variant (RGBA frames) against SDL2 blending.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "bench/frame_floor.h"
#include "bench/frame_scene.h"
#include "bench/frame_sdl.h"

using namespace velbench;

namespace {

FrameScene* g_scene = nullptr;
SdlFrame* g_sdl = nullptr;
FrameScene* g_soft = nullptr;
SdlFrame* g_softSdl = nullptr;
MemcpyFloor* g_floor = nullptr;

// (a) The frame of standing figures: clear, hover, sort, background, 254
// entries, present.
void BM_ComposePresent(benchmark::State& state) {
  FrameScene& s = *g_scene;
  s.Rest();
  for (auto _ : state) s.view->DrawFrame();
}
BENCHMARK(BM_ComposePresent)->Unit(benchmark::kMillisecond);

void BM_ComposePresent_SDL2(benchmark::State& state) {
  for (auto _ : state) {
    g_sdl->Compose();
    g_sdl->Present();
  }
}
BENCHMARK(BM_ComposePresent_SDL2)->Unit(benchmark::kMillisecond);

// (e) The soft variant's frame: 240 anti-aliased RGBA figures composited.
void BM_ComposePresentSoft(benchmark::State& state) {
  FrameScene& s = *g_soft;
  s.Rest();
  for (auto _ : state) s.view->DrawFrame();
}
BENCHMARK(BM_ComposePresentSoft)->Unit(benchmark::kMillisecond);

void BM_ComposePresentSoft_SDL2(benchmark::State& state) {
  for (auto _ : state) {
    g_softSdl->Compose();
    g_softSdl->Present();
  }
}
BENCHMARK(BM_ComposePresentSoft_SDL2)->Unit(benchmark::kMillisecond);

// SDL2's compose alone, the yardstick of the full tick.
void BM_Compose_SDL2(benchmark::State& state) {
  for (auto _ : state) g_sdl->Compose();
}
BENCHMARK(BM_Compose_SDL2)->Unit(benchmark::kMillisecond);

void BM_ComposePresent_Memcpy(benchmark::State& state) {
  for (auto _ : state) g_floor->Run();
  state.SetBytesProcessed(state.iterations() * g_floor->Bytes());
}
BENCHMARK(BM_ComposePresent_Memcpy)->Unit(benchmark::kMillisecond);

// (b) The full tick with every figure walking and colliding.
void BM_TickWalking(benchmark::State& state) {
  FrameScene& s = *g_scene;
  s.Rest();
  int64_t stops = 0;
  for (auto _ : state) {
    s.Walk();
    s.view->DrawFrame();
    // Every walking figure is set against every other one, 240 x 239 pairs
    // per tick; count the figures that stopped.
    int moving = 0;
    for (int i = 0; i < kFigureCount; ++i) moving += s.view->Entry(s.vars[i]->Slot())->Moving != 0;
    stops += kFigureCount - moving;
  }
  state.counters["stops_per_tick"] = benchmark::Counter(double(stops), benchmark::Counter::kAvgIterations);
  s.Rest();
}
BENCHMARK(BM_TickWalking)->Unit(benchmark::kMillisecond);

// (c) Binding a 128 x 128 map: cell copy, tile masks, a 6144 x 3209 background.
void BM_SetMap128(benchmark::State& state) {
  FrameScene& s = *g_scene;
  auto* view = new TAniView(s.form);
  auto* map = new TAniMap(s.form);
  s.FillMap(*map, 128);
  for (int32_t i = 0; i < 90; ++i) map->SetGridTile(3 + (i * 37) % 120, 3 + (i * 53) % 120, kTallTile);
  for (auto _ : state) view->SetMap(map);
  delete view;
  delete map;
}
BENCHMARK(BM_SetMap128)->Unit(benchmark::kMillisecond);

// (d) Loading one 96 x 96 frame: image, mask and outline pair.
void BM_SetFrame96(benchmark::State& state) {
  FrameScene& s = *g_scene;
  auto* f = new TAniFigure(s.form);
  f->SetHighlightColor(kOutlineColor);
  int k = 0;
  for (auto _ : state) f->SetFrame(1, s.frames[size_t(k++ % kFrameImages)].get());
  delete f;
}
BENCHMARK(BM_SetFrame96)->Unit(benchmark::kMicrosecond);

// Keeps the median (or the single run) of every benchmark, in milliseconds.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if (!median && r.run_type != Run::RT_Iteration) continue;
      const double ms = r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit) * 1e3;
      std::string& how = kind[r.run_name.function_name];
      if (median || how != "median") {
        ms_[r.run_name.function_name] = ms;
        how = median ? "median" : "single run";
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Get(const std::string& name) const {
    auto it = ms_.find(name);
    return it == ms_.end() ? -1 : it->second;
  }
  std::map<std::string, std::string> kind;

 private:
  std::map<std::string, double> ms_;
};

void PrintTable(const MedianReporter& rep) {
  const double ours = rep.Get("BM_ComposePresent"), sdl = rep.Get("BM_ComposePresent_SDL2"),
               sdlCompose = rep.Get("BM_Compose_SDL2"),
               floor = rep.Get("BM_ComposePresent_Memcpy"), tick = rep.Get("BM_TickWalking"),
               setMap = rep.Get("BM_SetMap128"), setFrame = rep.Get("BM_SetFrame96"),
               soft = rep.Get("BM_ComposePresentSoft"), softSdl = rep.Get("BM_ComposePresentSoft_SDL2");
  auto ms = [](double v) {
    static char buf[8][32];
    static int i = 0;
    char* b = buf[i++ & 7];
    if (v < 0) std::snprintf(b, 32, "%9s", "-");
    else std::snprintf(b, 32, "%9.3f", v);
    return b;
  };
  auto ratio = [](double a, double b, double target) {
    static char buf[4][48];
    static int i = 0;
    char* s = buf[i++ & 3];
    if (a < 0 || b <= 0) std::snprintf(s, 48, "%8s          ", "-");
    else std::snprintf(s, 48, "%8.2f (%s %.2f)", a / b, a / b <= target ? "<=" : "> ", target);
    return s;
  };
  std::printf("\nFrame benchmark, 1920 x 1080, 254 entries; median times in ms\n");
  std::printf("%-28s %9s %9s %9s   %-19s %-19s\n", "", "ours", "SDL2", "memcpy", "ours/SDL2 (target)", "ours/memcpy (target)");
  std::printf("%-28s %s %s %s   %s %s\n", "(a) compose + present", ms(ours), ms(sdl), ms(floor), ratio(ours, sdl, 0.85),
              ratio(ours, floor, 1.10));
  std::printf("%-28s %s %s %9s   %s  (SDL2: compose only)\n", "(b) tick, all walking", ms(tick), ms(sdlCompose), "",
              ratio(tick, sdlCompose, 1.00));
  std::printf("%-28s %s %s %9s   %s\n", "(e) soft RGBA, compose+pres.", ms(soft), ms(softSdl), "",
              ratio(soft, softSdl, 0.90));
  std::printf("%-28s %s\n", "(c) SetMap 128 x 128", ms(setMap));
  std::printf("%-28s %s\n", "(d) SetFrame 96 x 96", ms(setFrame));
}

// How far one blended pixel lands from the exact (C x A + D x (255 - A)) / 255
// on each side, over every alpha and colour and 16 colours beneath: ours
// (premultiplied to the nearest, blended to the nearest) and SDL2's blit of
// an ARGB surface with RLE, as the soft frame draws them.
void PrintBlendAccuracy() {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 256, 256, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_Surface* d = NewSurface(256, 256);
  HBITMAP src = CreateBitmap(256, 256, 1, 32, nullptr), dst = CreateBitmap(256, 256, 1, 32, nullptr);
  HDC sdc = CreateCompatibleDC(HDC{}), ddc = CreateCompatibleDC(HDC{});
  HGDIOBJ so = SelectObject(sdc, src), dso = SelectObject(ddc, dst);
  {
    const PixelView v = LockPixels(src);
    for (uint32_t a = 0; a < 256; ++a)
      for (uint32_t c = 0; c < 256; ++c) {
        Row(s, int32_t(a))[c] = (a << 24) | (c << 16) | (c << 8) | c;
        const uint32_t p = (c * a * 2 + 255) / 510;
        v.pixels[a * 256 + c] = (a << 24) | (p << 16) | (p << 8) | p;
      }
  }
  SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
  SDL_SetSurfaceRLE(s, 1);
  double worstOurs = 0, worstSdl = 0;
  for (uint32_t below = 0; below < 256; below += 17) {
    SDL_FillRect(d, nullptr, below * 0x010101u);
    SDL_BlitSurface(s, nullptr, d, nullptr);
    const PixelView under = LockPixels(dst);
    std::fill(under.pixels, under.pixels + 65536, below * 0x010101u);
    AlphaBlt(ddc, 0, 0, 256, 256, sdc, 0, 0);
    const ConstPixelView ours = ReadPixels(dst);
    for (uint32_t a = 0; a < 256; ++a)
      for (uint32_t c = 0; c < 256; ++c) {
        const double exact = (double(c) * a + double(below) * (255 - a)) / 255;
        worstSdl = std::max(worstSdl, std::abs(double(Row(d, int32_t(a))[c] & 0xFF) - exact));
        worstOurs = std::max(worstOurs, std::abs(double(ours.pixels[a * 256 + c] & 0xFF) - exact));
      }
  }
  std::printf("One blended pixel off the exact value by at most: ours %.3f, SDL2 %.3f\n", worstOurs, worstSdl);
  SelectObject(sdc, so);
  SelectObject(ddc, dso);
  DeleteDC(sdc);
  DeleteDC(ddc);
  DeleteObject(src);
  DeleteObject(dst);
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
}

// The SDL2 frame must show our picture. SDL2 has no OR blit, so both sides
// draw the see-through figures as ordinary sprites for the comparison. The
// soft frames blend with another rounding on each side; the differences are
// counted by size. SDL2's blend strays up to 1.9 below the exact value (see
// PrintBlendAccuracy), ours up to 1 either way, and where translucent edges
// overlap the strays add up; a difference above 4 is a wrong picture.
bool CheckPicture(FrameScene& s, SdlFrame& sdl, bool soft) {
  std::vector<bool> transparent;
  for (TAniFigure* f : s.vars) {
    transparent.push_back(f->Transparent);
    f->Transparent = false;
  }
  s.view->DrawFrame();
  sdl.Record();
  sdl.Compose();
  sdl.Present();
  int64_t diff[5];
  sdl.Differences(diff);
  for (int i = 0; i < kFigureCount; ++i) s.vars[i]->Transparent = transparent[size_t(i)];
  s.view->DrawFrame();
  sdl.Record();
  std::printf("SDL2 picture check%s (see-through figures drawn opaque on both sides): %lld of %d pixels differ "
              "(largest channel difference 1: %lld, 2: %lld, 3 or 4: %lld, more: %lld)\n",
              soft ? ", soft frames" : "", static_cast<long long>(diff[0]), kViewW * kViewH,
              static_cast<long long>(diff[1]), static_cast<long long>(diff[2]), static_cast<long long>(diff[3]),
              static_cast<long long>(diff[4]));
  return soft ? diff[4] == 0 : diff[0] == 0;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  auto scene = std::make_unique<FrameScene>();
  g_scene = scene.get();
  auto sdl = std::make_unique<SdlFrame>(*scene);
  g_sdl = sdl.get();
  auto floor = std::make_unique<MemcpyFloor>(*scene);
  g_floor = floor.get();
  auto soft = std::make_unique<FrameScene>(true);
  g_soft = soft.get();
  auto softSdl = std::make_unique<SdlFrame>(*soft);
  g_softSdl = softSdl.get();
  PrintBlendAccuracy();
  if (!CheckPicture(*scene, *sdl, false) || !CheckPicture(*soft, *softSdl, true)) return 1;
  int entries = 0;
  for (int32_t e = scene->view->First(); e > 0; e = scene->view->Entry(e)->Next) ++entries;
  std::printf("Scene: %d entries, background %d x %d\n", entries, scene->view->BackgroundWidth(),
              scene->view->BackgroundHeight());

  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintTable(reporter);
  benchmark::Shutdown();
  return 0;
}
