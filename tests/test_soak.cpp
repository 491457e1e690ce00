// A short soak of the busy scene through the timer: after warm-up the ticks
// allocate nothing, keep the raster objects constant and the display list sound.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "fuzz/busy_scene.h"
#include "fuzz/list_check.h"

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

// The list checker itself: a hand-broken view list is reported.
TEST(Soak, ListCheckerReportsAFigureVariableThatWasEmptied) {
  BusyScene scene;
  auto walkers = scene.Walkers();  // a copy: the view refers to the scene's own variables
  EXPECT_NE(vel::check::ListFault(scene.View(), walkers), "");
  EXPECT_EQ(vel::check::ListFault(scene.View(), scene.Walkers()), "");
}

}  // namespace
