// Large maps: binding 1024 x 1024 and 4096 x 4096 maps with one tall tile in
// ten (time, and peak memory beyond the cell copy), the reference frame with
// its 50 x 50 map inside a 1024 x 1024 one (cached, and the first frame after
// a jump of the camera), and a pan of 20 000 ticks across a 2048 x 2048 map
// (every tick's time, memory after warm-up). Prints a table at the end.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "bench/frame_scene.h"

using namespace velbench;

namespace {

// Resident and peak resident memory of this process, in bytes.
int64_t StatusBytes(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::stoll(line.substr(std::strlen(key))) * 1024;
  return -1;
}
int64_t Rss() { return StatusBytes("VmRSS:"); }
int64_t PeakRss() { return StatusBytes("VmHWM:"); }
// Starts the peak over from the current resident size.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// This thread's processor time in milliseconds: a tick's own work, without
// the time other processes on a busy machine take from it.
double ThreadMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct TickStats {
  double median = 0, worst = 0, p999 = 0, over = 0;
};
TickStats Stats(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  TickStats s;
  s.median = v[v.size() / 2];
  s.worst = v.back();
  s.p999 = v[v.size() * 999 / 1000];
  s.over = double(std::count_if(v.begin(), v.end(), [&](double x) { return x >= 2 * s.median; }));
  return s;
}

// A map of side n: the reference scene's ground and one tall tile in ten.
TAniMap* TallMap(FrameScene& s, uint32_t n) {
  auto* map = new TAniMap(s.form);
  s.FillMap(*map, n);
  std::mt19937 rng(n);
  for (uint64_t k = 0; k < uint64_t(n) * n / 10; ++k) map->SetGridTile(int32_t(rng() % n), int32_t(rng() % n), kTallTile);
  return map;
}

std::map<std::string, double> g_results;  // name -> value for the table

FrameScene* g_scene = nullptr;  // the 50 x 50 reference

// Binding: cell copy, tile masks, tall tiles into slots and the side list.
void Bind(benchmark::State& state, uint32_t n) {
  FrameScene& s = *g_scene;
  TAniMap* map = TallMap(s, n);
  auto* view = new TAniView(s.form);
  const int64_t before = Rss();
  ResetPeak();
  view->SetMap(map);
  const int64_t beyond = PeakRss() - before - int64_t(map->CellBytes());
  for (auto _ : state) view->SetMap(map);
  state.counters["peak_MB_beyond_cells"] = double(beyond) / (1 << 20);
  state.counters["side_tiles"] = view->SideTileCount();
  g_results["bind" + std::to_string(n) + "_peak_mb"] = double(beyond) / (1 << 20);
  delete view;
  delete map;
}
void BM_Bind1024(benchmark::State& state) { Bind(state, 1024); }
BENCHMARK(BM_Bind1024)->Unit(benchmark::kMillisecond);
void BM_Bind4096(benchmark::State& state) { Bind(state, 4096); }
BENCHMARK(BM_Bind4096)->Unit(benchmark::kMillisecond)->Iterations(3);

// The reference frame (compose + present of standing figures) on its own map
// and inside a 1024 x 1024 one, once the chunks it shows are cached.
void BM_Frame50(benchmark::State& state) {
  g_scene->Rest();
  for (auto _ : state) g_scene->view->DrawFrame();
}
BENCHMARK(BM_Frame50)->Unit(benchmark::kMillisecond);

std::unique_ptr<FrameScene> g_embedded;
void BM_Frame1024(benchmark::State& state) {
  if (!g_embedded) g_embedded = std::make_unique<FrameScene>(false, 1024, 488);
  g_embedded->Rest();
  for (int k = 0; k < 4; ++k) g_embedded->view->DrawFrame();  // chunks cached
  for (auto _ : state) g_embedded->view->DrawFrame();
}
BENCHMARK(BM_Frame1024)->Unit(benchmark::kMillisecond);

// The first frame after the camera jumps to a place never shown before:
// every chunk it shows is rendered.
void BM_FrameAfterJump(benchmark::State& state) {
  if (!g_embedded) g_embedded = std::make_unique<FrameScene>(false, 1024, 488);
  FrameScene& s = *g_embedded;
  TAniFigure* cam = new TAniFigure(s.form);
  cam->Visible = false;
  std::mt19937 rng(9);
  for (auto _ : state) {
    state.PauseTiming();
    s.view->RemoveFigure(cam);
    cam->SetX(float(40 + rng() % 944));
    cam->SetY(float(40 + rng() % 944));
    s.view->AddFigure(cam);
    s.view->SetKeyFigure(cam);
    state.ResumeTiming();
    s.view->DrawFrame();
  }
  TAniFigure* none = nullptr;
  s.view->SetKeyFigure(none);
  s.view->RemoveFigure(cam);
  delete cam;
  s.view->ClearKeyFigure();
}
BENCHMARK(BM_FrameAfterJump)->Unit(benchmark::kMillisecond)->Iterations(40);

// A pan of 20 000 ticks, 8 pixels each, to and fro along the middle of a
// 2048 x 2048 map with one tall tile in ten; each tick timed on its own.
void BM_Pan2048(benchmark::State& state) {
  FrameScene& s = *g_scene;
  TAniMap* map = TallMap(s, 2048);
  auto* view = new TAniView(s.form);
  view->SetParent(s.form);
  view->SetBounds(0, 0, kViewW, kViewH);
  view->SetColor(kViewColor);
  s.form->PaintAll();
  // The camera's figure is placed before the binding: the tall tiles take
  // every slot left.
  TAniFigure* cam = new TAniFigure(s.form);
  cam->Visible = false;
  view->AddFigure(cam);
  view->SetKeyFigure(cam);
  view->SetMap(map);
  constexpr int kTicks = 20000, kWarm = 1000;
  std::vector<double> wall(kTicks - kWarm), cpu(kTicks - kWarm);
  int64_t rssWarm = 0, rssMax = 0;
  for (auto _ : state) {
    // u = X - Y runs from -1960 to 1960 and back; X + Y stays 2047.
    double u = -1960;
    int dir = 1;
    for (int k = 0; k < kTicks; ++k) {
      u += dir / 3.0;  // 24 / 3 = 8 pixels
      if (u > 1960 || u < -1960) dir = -dir;
      view->SetFigurePos(cam, float((2047 + u) / 2), float((2047 - u) / 2), 0);
      const double c0 = ThreadMs();
      const auto t0 = std::chrono::steady_clock::now();
      view->DrawFrame();
      const double w = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
      const double c = ThreadMs() - c0;
      if (k < kWarm) continue;
      wall[size_t(k - kWarm)] = w;
      cpu[size_t(k - kWarm)] = c;
      if (k == kWarm) rssWarm = Rss();
      if (k % 100 == 0) rssMax = std::max(rssMax, Rss());
    }
  }
  const TickStats ws = Stats(wall), cs = Stats(cpu);
  state.counters["median_ms"] = ws.median;
  state.counters["max_ms"] = ws.worst;
  state.counters["cpu_max_ms"] = cs.worst;
  state.counters["rss_growth_MB"] = double(rssMax - rssWarm) / (1 << 20);
  g_results["pan_median"] = ws.median;
  g_results["pan_max"] = ws.worst;
  g_results["pan_p999"] = ws.p999;
  g_results["pan_over"] = ws.over;
  g_results["pan_cpu_median"] = cs.median;
  g_results["pan_cpu_max"] = cs.worst;
  g_results["pan_cpu_p999"] = cs.p999;
  g_results["pan_cpu_over"] = cs.over;
  g_results["pan_rss_warm"] = double(rssWarm) / (1 << 20);
  g_results["pan_rss_growth"] = double(rssMax - rssWarm) / (1 << 20);
  g_results["pan_cache"] = double(view->BackgroundCacheUsed()) / (1 << 20);
  delete view;
  delete cam;
  delete map;
}
BENCHMARK(BM_Pan2048)->Unit(benchmark::kSecond)->Iterations(1);

// Keeps the median (or the single run) of every benchmark, in milliseconds.
class Reporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if (!median && r.run_type != Run::RT_Iteration) continue;
      const double ms = r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit) * 1e3;
      if (median || !medians_.count(r.run_name.function_name)) ms_[r.run_name.function_name] = ms;
      if (median) medians_.insert(r.run_name.function_name);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Get(const std::string& name) const {
    auto it = ms_.find(name);
    return it == ms_.end() ? -1 : it->second;
  }

 private:
  std::map<std::string, double> ms_;
  std::set<std::string> medians_;
};

void PrintTable(const Reporter& rep) {
  auto get = [](const char* k) { return g_results.count(k) ? g_results[k] : -1.0; };
  const double f50 = rep.Get("BM_Frame50"), f1024 = rep.Get("BM_Frame1024");
  std::printf("\nLarge maps (view 1920 x 1080)%38s %10s\n", "result", "target");
  std::printf("%-52s %9.1f ms %10s\n", "bind 1024 x 1024, 10 % tall", rep.Get("BM_Bind1024"), "<= 50 ms");
  std::printf("%-52s %9.1f MB %10s\n", "  peak memory beyond the cell copy", get("bind1024_peak_mb"), "<= 64 MB");
  std::printf("%-52s %9.1f ms %10s\n", "bind 4096 x 4096, 10 % tall", rep.Get("BM_Bind4096"), "<= 1000 ms");
  std::printf("%-52s %9.1f MB\n", "  peak memory beyond the cell copy", get("bind4096_peak_mb"));
  std::printf("%-52s %9.3f ms\n", "reference frame, 50 x 50 map", f50);
  std::printf("%-52s %9.3f ms\n", "reference frame inside 1024 x 1024, chunks cached", f1024);
  std::printf("%-52s %9.3f    %10s\n", "  ratio", f1024 / f50, "<= 1.05");
  std::printf("%-52s %9.3f ms\n", "first frame after a camera jump", rep.Get("BM_FrameAfterJump"));
  std::printf("%-52s %9s %10s\n", "pan 2048 x 2048, 19 000 ticks after warm-up:", "wall / cpu", "");
  std::printf("%-52s %6.3f / %6.3f ms\n", "  tick median", get("pan_median"), get("pan_cpu_median"));
  std::printf("%-52s %6.3f / %6.3f ms  < 2 x median\n", "  slowest tick", get("pan_max"), get("pan_cpu_max"));
  std::printf("%-52s %6.3f / %6.3f ms\n", "  99.9th percentile", get("pan_p999"), get("pan_cpu_p999"));
  std::printf("%-52s %6.0f / %6.0f\n", "  ticks at 2 x median or more", get("pan_over"), get("pan_cpu_over"));
  std::printf("%-52s %9.1f MB\n", "  resident after warm-up", get("pan_rss_warm"));
  std::printf("%-52s %9.1f MB %10s\n", "  growth after warm-up", get("pan_rss_growth"), "flat");
  std::printf("%-52s %9.1f MB\n", "  chunk cache held", get("pan_cache"));
}

}  // namespace

int main(int argc, char** argv) {
  // Blocks of 128 KiB and more are mapped and unmapped on their own, so that
  // the resident size follows what is allocated (the allocator's adaptive
  // threshold would otherwise serve a binding from memory freed earlier).
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  auto scene = std::make_unique<FrameScene>();
  g_scene = scene.get();
  Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintTable(reporter);
  g_embedded.reset();
  benchmark::Shutdown();
  return 0;
}
