// Timers on the headless backend's virtual clock: periods, ordering, enabling,
// interval changes, handlers that destroy timers or re-enter the loop.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/host/timer.h"

using namespace vel;

namespace {

using Fires = std::vector<std::pair<std::string, uint64_t>>;

class Timers : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Application().SelectBackend("headless"));  // a fresh clock at 0
    host = HeadlessBackend();
    ASSERT_NE(host, nullptr);
  }
  // A timer that logs its name and the clock at each tick.
  TTimer* Logged(const std::string& name, uint32_t interval) {
    auto* t = new TTimer(&owner);
    t->SetInterval(interval);
    t->OnTimer = [this, name, t](TObject* sender) {
      EXPECT_EQ(sender, t);
      fires.emplace_back(name, host->ClockMs());
    };
    return t;
  }
  THeadlessBackend* host = nullptr;
  TComponent owner{nullptr};
  Fires fires;
};

}  // namespace

TEST_F(Timers, DefaultsAndPeriod) {
  TTimer t(nullptr);
  EXPECT_EQ(t.Interval(), 1000u);
  EXPECT_TRUE(t.Enabled());
  EXPECT_TRUE(t.Running());
  Logged("a", 100);
  host->Advance(99);
  EXPECT_TRUE(fires.empty());
  host->Advance(251);
  EXPECT_EQ(fires, (Fires{{"a", 100}, {"a", 200}, {"a", 300}}));
  EXPECT_EQ(host->ClockMs(), 350u);
}

TEST_F(Timers, TwoTimersFireInDueOrderTiesByStartOrder) {
  Logged("a", 30);
  Logged("b", 50);
  host->Advance(150);
  EXPECT_EQ(fires, (Fires{{"a", 30}, {"b", 50}, {"a", 60}, {"a", 90}, {"b", 100}, {"a", 120},
                          {"a", 150}, {"b", 150}}));
}

TEST_F(Timers, DisablingStopsAndEnablingStartsAFullPeriod) {
  TTimer* t = Logged("a", 100);
  host->Advance(150);
  t->SetEnabled(false);
  EXPECT_FALSE(t->Running());
  host->Advance(500);
  EXPECT_EQ(fires.size(), 1u);
  t->SetEnabled(true);  // at 650
  host->Advance(120);
  EXPECT_EQ(fires, (Fires{{"a", 100}, {"a", 750}}));
}

TEST_F(Timers, IntervalChangeRestartsThePeriod) {
  TTimer* t = Logged("a", 100);
  host->Advance(130);
  t->SetInterval(250);  // at 130: next at 380
  host->Advance(500);
  EXPECT_EQ(fires, (Fires{{"a", 100}, {"a", 380}, {"a", 630}}));
  t->SetInterval(0);
  EXPECT_FALSE(t->Running());
  host->Advance(1000);
  EXPECT_EQ(fires.size(), 3u);
}

TEST_F(Timers, HandlerChangesItsOwnInterval) {
  TTimer* t = Logged("a", 100);
  t->OnTimer = [this, t](TObject*) {
    fires.emplace_back("a", host->ClockMs());
    t->SetInterval(t->Interval() + 100);
  };
  host->Advance(1000);
  EXPECT_EQ(fires, (Fires{{"a", 100}, {"a", 300}, {"a", 600}, {"a", 1000}}));
}

TEST_F(Timers, HandlerMayDestroyItsOwnTimer) {
  auto* t = new TTimer(nullptr);
  t->SetInterval(10);
  int calls = 0;
  t->OnTimer = [&calls, t](TObject*) {
    ++calls;
    delete t;
  };
  host->Advance(100);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Application().RunningTimerCount(), 0);
}

TEST_F(Timers, HandlerMayDestroyAnotherTimerDueAtTheSameTime) {
  TTimer* a = Logged("a", 50);
  TTimer* b = Logged("b", 50);
  a->OnTimer = [this, &b](TObject*) {
    fires.emplace_back("a", host->ClockMs());
    delete b;
    b = nullptr;
  };
  host->Advance(100);
  EXPECT_EQ(fires, (Fires{{"a", 50}, {"a", 100}}));
}

TEST_F(Timers, DestroyedWithTheirOwner) {
  auto* localOwner = new TComponent(nullptr);
  auto* t = new TTimer(localOwner);
  t->SetInterval(10);
  int calls = 0;
  t->OnTimer = [&calls](TObject*) { ++calls; };
  host->Advance(10);
  delete localOwner;
  host->Advance(100);
  EXPECT_EQ(calls, 1);
}

TEST_F(Timers, DesigningTimersDoNotRun) {
  owner.SetDesigning(true);
  TTimer* t = Logged("a", 10);
  EXPECT_FALSE(t->Running());
  host->Advance(100);
  EXPECT_TRUE(fires.empty());
}

// A handler that re-enters the loop does not get its own timer again while it
// runs; other timers keep firing at their due times.
TEST_F(Timers, HandlerReenteringTheLoop) {
  TTimer* slow = Logged("slow", 100);
  Logged("fast", 30);
  int depth = 0, maxDepth = 0;
  slow->OnTimer = [&, slow](TObject* sender) {
    EXPECT_EQ(sender, slow);
    maxDepth = std::max(maxDepth, ++depth);
    fires.emplace_back("slow", host->ClockMs());
    host->Advance(250);
    Application().ProcessMessages();
    --depth;
  };
  host->Advance(100);
  EXPECT_EQ(maxDepth, 1);
  // fast at 30, 60, 90; slow at 100 runs until 350 with fast inside it.
  EXPECT_EQ(fires, (Fires{{"fast", 30},
                          {"fast", 60},
                          {"fast", 90},
                          {"slow", 100},
                          {"fast", 120},
                          {"fast", 150},
                          {"fast", 180},
                          {"fast", 210},
                          {"fast", 240},
                          {"fast", 270},
                          {"fast", 300},
                          {"fast", 330}}));
  EXPECT_EQ(host->ClockMs(), 350u);
  fires.clear();
  slow->OnTimer = [this](TObject*) { fires.emplace_back("slow", host->ClockMs()); };
  host->Advance(0);
  // The ticks of slow due at 200 and 300, missed while it ran, come as one
  // tick now; its phase stays (next at 400).
  EXPECT_EQ(fires, (Fires{{"slow", 350}}));
  fires.clear();
  host->Advance(50);
  EXPECT_EQ(fires, (Fires{{"fast", 360}, {"fast", 390}, {"slow", 400}}));
}

TEST_F(Timers, RunLoopsUntilTerminate) {
  TForm form(nullptr);
  form.Show();
  TTimer* t = Logged("a", 40);
  t->OnTimer = [this](TObject*) {
    fires.emplace_back("a", host->ClockMs());
    if (fires.size() == 5) Application().Terminate();
  };
  Application().Run();
  EXPECT_EQ(fires.size(), 5u);
  EXPECT_EQ(host->ClockMs(), 200u);
  EXPECT_TRUE(Application().Terminated());
}

TEST_F(Timers, RunEndsWhenNoFormShowsOrNothingCanHappen) {
  TForm form(nullptr);
  form.Show();
  TTimer* t = Logged("a", 40);
  t->OnTimer = [&form](TObject*) { form.Close(); };
  Application().Run();
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(host->ClockMs(), 40u);
  // A shown form and no timer: the headless loop has nothing to wait for.
  t->SetEnabled(false);
  form.Show();
  Application().Run();
  EXPECT_EQ(host->ClockMs(), 40u);
}
