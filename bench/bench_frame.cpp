// Frame benchmark on the reference scene: compose + present (also zoomed 2x),
// the full tick with every figure walking, SetMap of a 128 x 128 map and
// SetFrame, against SDL2 software surfaces and the memcpy floor, with a table
// of ratios.
#include <benchmark/benchmark.h>

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
MemcpyFloor* g_floor = nullptr;

// (a) The frame of standing figures: clear, hover, sort, background, 254
// entries, present.
void BM_ComposePresent(benchmark::State& state) {
  FrameScene& s = *g_scene;
  s.Rest();
  for (auto _ : state) s.view->DrawFrame();
}
BENCHMARK(BM_ComposePresent)->Unit(benchmark::kMillisecond);

// (a) at zoom 2 around the view's centre: a quarter of the pixels composed,
// all of them presented.
void BM_ComposePresent_Zoom2(benchmark::State& state) {
  FrameScene& s = *g_scene;
  const int32_t scrollX = s.view->ScrollX(), scrollY = s.view->ScrollY();
  s.view->ZoomAt(2, kViewW / 2, kViewH / 2);
  s.Rest();
  for (auto _ : state) s.view->DrawFrame();
  s.view->SetZoom(1);
  s.view->ScrollTo(scrollX, scrollY);
  s.Rest();
}
BENCHMARK(BM_ComposePresent_Zoom2)->Unit(benchmark::kMillisecond);

void BM_ComposePresent_SDL2(benchmark::State& state) {
  for (auto _ : state) {
    g_sdl->Compose();
    g_sdl->Present();
  }
}
BENCHMARK(BM_ComposePresent_SDL2)->Unit(benchmark::kMillisecond);

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
  const double ours = rep.Get("BM_ComposePresent"), zoom2 = rep.Get("BM_ComposePresent_Zoom2"),
               sdl = rep.Get("BM_ComposePresent_SDL2"),
               sdlCompose = rep.Get("BM_Compose_SDL2"),
               floor = rep.Get("BM_ComposePresent_Memcpy"), tick = rep.Get("BM_TickWalking"),
               setMap = rep.Get("BM_SetMap128"), setFrame = rep.Get("BM_SetFrame96");
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
  std::printf("%-28s %s %9s %9s   %s  (ours at zoom 1)\n", "(a) at zoom 2", ms(zoom2), "", "",
              ratio(zoom2, ours, 0.50));
  std::printf("%-28s %s %s %9s   %s  (SDL2: compose only)\n", "(b) tick, all walking", ms(tick), ms(sdlCompose), "",
              ratio(tick, sdlCompose, 1.00));
  std::printf("%-28s %s\n", "(c) SetMap 128 x 128", ms(setMap));
  std::printf("%-28s %s\n", "(d) SetFrame 96 x 96", ms(setFrame));
}

// The SDL2 frame must show our picture. SDL2 has no OR blit, so both sides
// draw the see-through figures as ordinary sprites for the comparison.
bool CheckPicture() {
  FrameScene& s = *g_scene;
  std::vector<bool> transparent;
  for (TAniFigure* f : s.vars) {
    transparent.push_back(f->Transparent);
    f->Transparent = false;
  }
  s.view->DrawFrame();
  g_sdl->Record();
  g_sdl->Compose();
  g_sdl->Present();
  const int64_t diff = g_sdl->Differences();
  for (int i = 0; i < kFigureCount; ++i) s.vars[i]->Transparent = transparent[size_t(i)];
  s.view->DrawFrame();
  g_sdl->Record();
  std::printf("SDL2 picture check (see-through figures drawn opaque on both sides): %lld of %d pixels differ\n",
              static_cast<long long>(diff), kViewW * kViewH);
  return diff == 0;
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
  if (!CheckPicture()) return 1;
  int entries = 0;
  for (int32_t e = scene->view->First(); e > 0; e = scene->view->Entry(e)->Next) ++entries;
  std::printf("Scene: %d entries, background %d x %d\n", entries, scene->view->Background()->Width(),
              scene->view->Background()->Height());

  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintTable(reporter);
  benchmark::Shutdown();
  return 0;
}
