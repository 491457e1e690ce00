// Host hot paths: an event call, a timer tick on the virtual clock, and mouse
// routing through a form with a dozen controls.
#include <benchmark/benchmark.h>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/host/timer.h"

using namespace vel;

namespace {

struct Counter : TObject {
  int64_t n = 0;
  void Tick(TObject*) { ++n; }
};

void BM_EventCall(benchmark::State& state) {
  Counter c;
  TNotifyEvent e(&c, &Counter::Tick);
  for (auto _ : state) e(&c);
  benchmark::DoNotOptimize(c.n);
}
BENCHMARK(BM_EventCall);

void BM_TimerTick(benchmark::State& state) {
  Application().SelectBackend("headless");
  THeadlessBackend* host = HeadlessBackend();
  Counter c;
  TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.OnTimer = TNotifyEvent(&c, &Counter::Tick);
  for (auto _ : state) host->Advance(10);
  if (c.n != static_cast<int64_t>(state.iterations())) state.SkipWithError("ticks lost");
}
BENCHMARK(BM_TimerTick);

void BM_MouseMoveRouting(benchmark::State& state) {
  Application().SelectBackend("headless");
  THeadlessBackend* host = HeadlessBackend();
  TForm form(nullptr);
  form.SetClientSize(640, 480);
  for (int i = 0; i < 12; ++i) {
    auto* c = new TGraphicControl(&form);
    c->SetBounds(i * 40, i * 30, 100, 100);
    c->SetParent(&form);
  }
  form.Show();
  int32_t x = 0;
  for (auto _ : state) {
    host->MouseMove(&form, {}, x, x);
    x = (x + 7) % 480;
  }
}
BENCHMARK(BM_MouseMoveRouting);

}  // namespace

BENCHMARK_MAIN();
