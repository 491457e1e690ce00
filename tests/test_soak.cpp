// Short soaks of the busy scene and the demo scene through the timer: after
// warm-up the ticks allocate nothing, keep the raster objects constant and the display list sound.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "fuzz/busy_scene.h"
#include "fuzz/list_check.h"
#ifdef VELSCENE_SCENES_DIR
#include "fuzz/demo_scene.h"
#endif

namespace {
std::atomic<uint64_t> gAllocations{0};
}  // namespace

// Every allocation of the test program is counted. GCC takes malloc/free
// inside replaced operators for a mismatch once they are inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
// The nothrow forms are replaced too, so that every delete frees what the
// replaced operators allocated (sanitizers check that the pairs match).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return ::operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using vel::soak::BusyScene;

TEST(Soak, ThreeThousandTicksHoldSteady) {
  BusyScene scene;
  for (int t = 0; t < 500; ++t) scene.Tick();  // warm-up
  const uint32_t objects = vel::LiveObjectCount();
  const uint64_t allocations = gAllocations.load();
  for (int t = 0; t < 2500; ++t) {
    scene.Tick();
    if (t % 100 == 0) {
      const std::string fault = vel::check::ListFault(scene.View(), scene.Walkers());
      ASSERT_EQ(fault, "") << "after tick " << scene.Ticks();
      ASSERT_EQ(vel::LiveObjectCount(), objects) << "after tick " << scene.Ticks();
    }
  }
  EXPECT_EQ(gAllocations.load() - allocations, 0u) << "ticks allocated";
  EXPECT_EQ(vel::LiveObjectCount(), objects);
  // The scene really walked, bumped and hovered.
  EXPECT_GT(scene.Arrivals(), 50u);
  EXPECT_GT(scene.Collisions(), 50u);
  EXPECT_GT(scene.Hovers(), 0u);
}

#ifdef VELSCENE_SCENES_DIR
// The demo scene run by the scene runner, its routes and walk scripts included.
TEST(Soak, DemoSceneThroughTheRunnerHoldsSteady) {
  vel::soak::SceneSoak scene(VELSCENE_SCENES_DIR "/demo/demo.json");
  for (int t = 0; t < 500; ++t) scene.Tick();  // warm-up, past the scene's own pointer actions
  const uint32_t objects = vel::LiveObjectCount();
  const uint64_t allocations = gAllocations.load();
  const uint64_t arrivals = scene.Arrivals();
  for (int t = 0; t < 2500; ++t) {
    scene.Tick();
    if (t % 100 == 0) {
      ASSERT_EQ(scene.ListFault(), "") << "after tick " << scene.Ticks();
      ASSERT_EQ(vel::LiveObjectCount(), objects) << "after tick " << scene.Ticks();
    }
  }
  EXPECT_EQ(gAllocations.load() - allocations, 0u) << "ticks allocated";
  EXPECT_EQ(vel::LiveObjectCount(), objects);
  EXPECT_EQ(scene.Ticks(), 3000u);  // one tick per interval advanced
  // The figures kept walking their routes after warm-up, and the pointer hovered.
  EXPECT_GT(scene.Arrivals(), arrivals);
  EXPECT_GT(scene.Hovers(), 0u);
}
#endif

// The list checker itself: a hand-broken view list is reported.
TEST(Soak, ListCheckerReportsAFigureVariableThatWasEmptied) {
  BusyScene scene;
  auto walkers = scene.Walkers();  // a copy: the view refers to the scene's own variables
  EXPECT_NE(vel::check::ListFault(scene.View(), walkers), "");
  EXPECT_EQ(vel::check::ListFault(scene.View(), scene.Walkers()), "");
}

#ifdef VELSCENE_SCENES_DIR
// The same for the runner's figure variables, which do not lie side by side:
// a figure whose slot no longer matches its entry is reported.
TEST(Soak, ListCheckerOverTheRunnersVariables) {
  vel::soak::SceneSoak scene(VELSCENE_SCENES_DIR "/demo/demo.json");
  EXPECT_EQ(scene.ListFault(), "");
  vel::TAniFigure* hero = scene.Runner().Figure(0);
  ASSERT_GT(hero->Slot(), 0);
  vel::TAniFigure* other = scene.Runner().Figure(1);
  ASSERT_GT(other->Slot(), 0);
  // Checked against the variables without the hero's: its entry refers to none.
  EXPECT_NE(vel::check::ListFaultOf(scene.View(), 1, [&](size_t) { return scene.Runner().FigureVar(1); }), "");
}
#endif

}  // namespace
