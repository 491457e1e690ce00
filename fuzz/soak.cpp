// Soak run: the busy scene for many ticks headless, sampling resident memory,
// live raster objects and tick time; fails on growth after warm-up or slow-down.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/busy_scene.h"
#include "fuzz/list_check.h"

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

}  // namespace

int main(int argc, char** argv) {
  uint64_t ticks = 100000;
  for (int a = 1; a + 1 < argc; a += 2) {
    if (std::strcmp(argv[a], "--ticks") == 0) ticks = std::strtoull(argv[a + 1], nullptr, 10);
  }
  if (ticks < 20) ticks = 20;
  const uint64_t every = ticks / 20;  // 20 samples; the first two are the warm-up
  const uint64_t warmUp = every * 2;
  // RSS may settle a little after warm-up (allocator pages, lazily touched
  // buffers); anything beyond this is growth.
  constexpr long kRssSlackKiB = 1024;
  constexpr double kSlowDown = 1.5;

  vel::soak::BusyScene scene;
  Sample samples[21];
  int n = 0;
  auto start = std::chrono::steady_clock::now();
  for (uint64_t t = 1; t <= ticks; ++t) {
    scene.Tick();
    if (t % every != 0) continue;
    const auto now = std::chrono::steady_clock::now();
    const double us = std::chrono::duration<double, std::micro>(now - start).count() / double(every);
    start = now;
    if (n < 21) samples[n++] = {t, ResidentKiB(), vel::LiveObjectCount(), us};
    const std::string fault = vel::check::ListFault(scene.View(), scene.Walkers());
    if (!fault.empty()) {
      std::printf("FAIL: display list after tick %llu: %s\n", static_cast<unsigned long long>(t), fault.c_str());
      return 1;
    }
  }

  std::printf("%10s %10s %10s %12s\n", "tick", "RSS KiB", "objects", "us/tick");
  for (int k = 0; k < n; ++k)
    std::printf("%10llu %10ld %10u %12.1f\n", static_cast<unsigned long long>(samples[k].tick), samples[k].rssKiB,
                samples[k].objects, samples[k].usPerTick);
  std::printf("arrivals %llu, collisions %llu, hovers %llu\n", static_cast<unsigned long long>(scene.Arrivals()),
              static_cast<unsigned long long>(scene.Collisions()), static_cast<unsigned long long>(scene.Hovers()));

  bool ok = scene.Arrivals() > 0 && scene.Collisions() > 0;
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
    std::printf("tick time: %.1f us at the start, %.1f us at the end\n", first, last);
    if (last > first * kSlowDown) {
      std::printf("FAIL: ticks slowed down\n");
      ok = false;
    }
  }
  std::printf("%s\n", ok ? "soak passed" : "soak FAILED");
  return ok ? 0 : 1;
}
