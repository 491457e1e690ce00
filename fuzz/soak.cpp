// Soak run: the demo scene through the scene runner (or the busy scene) for many
// ticks headless, sampling memory, live raster objects and tick time; fails on growth or slow-down.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "fuzz/busy_scene.h"
#include "fuzz/list_check.h"
#ifdef VELSCENE_DEMO_SCENE
#include "fuzz/demo_scene.h"
#endif

namespace {

// Resident set size in KiB, from /proc/self/statm (second field, in pages).
long ResidentKiB() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1;
  long size = 0, resident = 0;
  const int got = std::fscanf(f, "%ld %ld", &size, &resident);
  std::fclose(f);
  return got == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

struct Sample {
  uint64_t tick;
  long rssKiB;
  uint32_t objects;
  double usPerTick;  // over the interval ending at this sample
};

// Runs `ticks` ticks of the scene and judges the samples. The scene offers
// Tick(), Arrivals(), Collisions(), Hovers(); `fault` checks its display list.
template <class Scene, class Fault>
bool Soak(Scene& scene, Fault fault, uint64_t ticks, bool needCollisions) {
  const uint64_t every = ticks / 20;  // 20 samples; the first two are the warm-up
  const uint64_t warmUp = every * 2;
  // RSS may settle a little after warm-up (allocator pages, lazily touched
  // buffers); anything beyond this is growth.
  constexpr long kRssSlackKiB = 1024;
  constexpr double kSlowDown = 1.5;

  Sample samples[21];
  int n = 0;
  auto start = std::chrono::steady_clock::now();
  for (uint64_t t = 1; t <= ticks; ++t) {
    scene.Tick();
    if (t % every != 0) continue;
    const auto now = std::chrono::steady_clock::now();
    const double us = std::chrono::duration<double, std::micro>(now - start).count() / double(every);
    if (n < 21) samples[n++] = {t, ResidentKiB(), vel::LiveObjectCount(), us};
    const std::string problem = fault();
    if (!problem.empty()) {
      std::printf("FAIL: display list after tick %llu: %s\n", static_cast<unsigned long long>(t), problem.c_str());
      return false;
    }
    start = std::chrono::steady_clock::now();  // the checks above are not tick time
  }

  std::printf("%10s %10s %10s %12s\n", "tick", "RSS KiB", "objects", "us/tick");
  for (int k = 0; k < n; ++k)
    std::printf("%10llu %10ld %10u %12.1f\n", static_cast<unsigned long long>(samples[k].tick), samples[k].rssKiB,
                samples[k].objects, samples[k].usPerTick);
  std::printf("arrivals %llu, collisions %llu, hovers %llu\n", static_cast<unsigned long long>(scene.Arrivals()),
              static_cast<unsigned long long>(scene.Collisions()), static_cast<unsigned long long>(scene.Hovers()));

  bool ok = scene.Arrivals() > 0 && (!needCollisions || scene.Collisions() > 0);
  if (!ok) std::printf("FAIL: the scene did not walk (no arrivals or no collisions)\n");
  // Baseline: the first sample after warm-up.
  int base = 0;
  while (base < n && samples[base].tick <= warmUp) ++base;
  for (int k = base + 1; k < n; ++k) {
    if (samples[k].objects != samples[base].objects) {
      std::printf("FAIL: raster objects %u at tick %llu, %u after warm-up\n", samples[k].objects,
                  static_cast<unsigned long long>(samples[k].tick), samples[base].objects);
      ok = false;
    }
    if (samples[k].rssKiB > samples[base].rssKiB + kRssSlackKiB) {
      std::printf("FAIL: RSS %ld KiB at tick %llu, %ld KiB after warm-up\n", samples[k].rssKiB,
                  static_cast<unsigned long long>(samples[k].tick), samples[base].rssKiB);
      ok = false;
    }
  }
  if (base < n) {
    // Tick time at the start and the end, each the best of three intervals so
    // that a busy machine does not pass for a slow-down.
    auto best = [&](int from) {
      double b = samples[from].usPerTick;
      for (int k = from; k < from + 3 && k < n; ++k) b = std::min(b, samples[k].usPerTick);
      return b;
    };
    const double first = best(base), last = best(n - 3 > base ? n - 3 : base);
    std::printf("RSS %ld KiB and %u raster objects after warm-up, %ld KiB and %u at the end\n", samples[base].rssKiB,
                samples[base].objects, samples[n - 1].rssKiB, samples[n - 1].objects);
    std::printf("tick time: %.1f us at the start, %.1f us at the end\n", first, last);
    if (last > first * kSlowDown) {
      std::printf("FAIL: ticks slowed down\n");
      ok = false;
    }
  }
  return ok;
}

}  // namespace

// velscene_soak [--ticks N] [--scene FILE | --busy]
// Without --scene or --busy it runs the demo scene.
int main(int argc, char** argv) {
  uint64_t ticks = 100000;
  std::string scenePath;
  bool busy = false;
  for (int a = 1; a < argc; ++a) {
    if (std::strcmp(argv[a], "--ticks") == 0 && a + 1 < argc) {
      ticks = std::strtoull(argv[++a], nullptr, 10);
    } else if (std::strcmp(argv[a], "--scene") == 0 && a + 1 < argc) {
      scenePath = argv[++a];
    } else if (std::strcmp(argv[a], "--busy") == 0) {
      busy = true;
    } else {
      std::fprintf(stderr, "usage: velscene_soak [--ticks N] [--scene FILE | --busy]\n");
      return 2;
    }
  }
  if (ticks < 20) ticks = 20;
#ifdef VELSCENE_DEMO_SCENE
  if (scenePath.empty()) scenePath = VELSCENE_DEMO_SCENE;
#endif
  if (scenePath.empty()) busy = true;  // built without scene files

  bool ok = false;
  if (busy) {
    std::printf("busy scene, %llu ticks\n", static_cast<unsigned long long>(ticks));
    vel::soak::BusyScene scene;
    ok = Soak(scene, [&] { return vel::check::ListFault(scene.View(), scene.Walkers()); }, ticks, true);
  } else {
#ifdef VELSCENE_DEMO_SCENE
    try {
      std::printf("%s, %llu ticks\n", scenePath.c_str(), static_cast<unsigned long long>(ticks));
      vel::soak::SceneSoak scene(scenePath);
      ok = Soak(scene, [&] { return scene.ListFault(); }, ticks, false);
    } catch (const std::exception& e) {
      std::printf("FAIL: %s\n", e.what());
      ok = false;
    }
#else
    std::printf("FAIL: built without scene files\n");
#endif
  }
  std::printf("%s\n", ok ? "soak passed" : "soak FAILED");
  return ok ? 0 : 1;
}
