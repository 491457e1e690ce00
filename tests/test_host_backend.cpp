// The backend seam: registry and "auto" choice, switching backends with live
// forms and timers, and what the application reports to a backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/host/timer.h"

using namespace vel;

namespace {

std::vector<std::string> g_calls;
uint64_t g_clock = 1000;

// A backend that records the window calls it gets, with a settable clock.
class Recorder : public THeadlessBackend {
 public:
  const char* Name() const override { return "recorder"; }
  uint64_t ClockMs() override { return g_clock; }
  void WindowCreated(TForm* f) override { g_calls.push_back("created " + f->Name()); }
  void WindowDestroyed(TForm* f) override { g_calls.push_back("destroyed " + f->Name()); }
  void WindowShown(TForm* f, bool v) override {
    g_calls.push_back((v ? "shown " : "hidden ") + f->Name());
  }
  void WindowMoved(TForm* f) override { g_calls.push_back("moved " + f->Name()); }
  void WindowResized(TForm* f) override { g_calls.push_back("resized " + f->Name()); }
  void WindowCaptionChanged(TForm* f) override { g_calls.push_back("caption " + f->Caption()); }
  void Present(TForm* f) override { g_calls.push_back("present " + f->Name()); }
};

std::unique_ptr<THostBackend> MakeRecorder() { return std::make_unique<Recorder>(); }
std::unique_ptr<THostBackend> MakeNothing() { return nullptr; }

class Backends : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Application().SelectBackend("headless"));
    g_calls.clear();
  }
};

}  // namespace

TEST_F(Backends, RegistryAndAutoChoice) {
  std::vector<std::string> names = BackendNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "headless"), names.end());
  EXPECT_EQ(CreateBackend("no-such-backend"), nullptr);
  EXPECT_FALSE(Application().SelectBackend("no-such-backend"));
  EXPECT_STREQ(Application().Backend().Name(), "headless");

  // A backend that cannot start is passed over by "auto".
  RegisterBackend("broken", &MakeNothing, 1000);
  RegisterBackend("recorder", &MakeRecorder, 500);
  EXPECT_FALSE(Application().SelectBackend("broken"));
  ASSERT_TRUE(Application().SelectBackend("auto"));
  EXPECT_STREQ(Application().Backend().Name(), "recorder");
  ASSERT_TRUE(Application().SelectBackend("headless"));
  EXPECT_NE(HeadlessBackend(), nullptr);
}

TEST_F(Backends, FormsAndTimersMoveToTheNewBackend) {
  RegisterBackend("recorder", &MakeRecorder, -1);
  TForm shown(nullptr), hidden(nullptr);
  shown.SetName("Shown");
  hidden.SetName("Hidden");
  shown.Show();
  TTimer timer(nullptr);
  timer.SetInterval(100);
  int ticks = 0;
  timer.OnTimer = [&ticks](TObject*) { ++ticks; };
  HeadlessBackend()->Advance(30);  // 70 ms left
  g_calls.clear();
  ASSERT_TRUE(Application().SelectBackend("recorder"));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"created Shown", "shown Shown", "created Hidden"}));
  g_calls.clear();

  Application().ProcessMessages();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"present Shown"}));
  g_clock += 69;
  Application().ProcessMessages();
  EXPECT_EQ(ticks, 0);
  g_clock += 1;
  Application().ProcessMessages();
  EXPECT_EQ(ticks, 1);

  g_calls.clear();
  shown.SetCaption("Scene");
  shown.SetPosition(5, 6);
  shown.SetClientSize(10, 10);
  shown.Close();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"caption Scene", "moved Shown", "resized Shown",
                                               "hidden Shown"}));
  g_calls.clear();
  {
    TForm temp(nullptr);
    temp.SetName("Temp");
  }
  EXPECT_EQ(g_calls, (std::vector<std::string>{"created ", "destroyed Temp"}));
}
