// The SDL2 backend: presentation geometry and message box layout, and, against
// a real X server, restarts, SDL-driven timers, pixel-exact presentation,
// resizing both ways, mouse routing, closing and quitting, message boxes.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/sdl2/internal/sdl2_geometry.h"
#include "velscene/platform/backends/sdl2/internal/sdl2_message_box.h"
#include "velscene/platform/host/dialogs.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/host/timer.h"
#include "x_display.h"

#if defined(VELSCENE_HAVE_SDL2) && __has_include(<SDL.h>)
#include <SDL.h>
#define HAVE_SDL_EVENTS 1
#endif

using namespace vel;
using namespace vel::testing;

// ---------------------------------------------------------------------------
// Geometry and message box layout (no display needed)
// ---------------------------------------------------------------------------
TEST(Sdl2Geometry, SurfaceIsCopiedOneToOneAtNormalDpiAndScaledOnHiDpi) {
  auto size = [](TRect r) { return TPoint{r.Right - r.Left, r.Bottom - r.Top}; };
  // Normal DPI: the surface's own size, even when the window is momentarily
  // larger or smaller than the form.
  EXPECT_EQ(size(PresentRect({320, 240}, {320, 240}, {320, 240})), (TPoint{320, 240}));
  EXPECT_EQ(size(PresentRect({320, 240}, {500, 100}, {500, 100})), (TPoint{320, 240}));
  // Twice as many drawable pixels as window points: twice the size.
  EXPECT_EQ(size(PresentRect({320, 240}, {320, 240}, {640, 480})), (TPoint{640, 480}));
  EXPECT_EQ(size(PresentRect({101, 33}, {200, 100}, {300, 150})), (TPoint{151, 49}));
  // Degenerate sizes never divide by zero or go negative.
  EXPECT_EQ(size(PresentRect({0, 0}, {320, 240}, {640, 480})), (TPoint{0, 0}));
  EXPECT_EQ(size(PresentRect({-5, 7}, {0, 0}, {640, 480})), (TPoint{0, 7}));
  EXPECT_EQ(size(PresentRect({INT32_MAX, 1}, {1, 1}, {2, 2})).X, INT32_MAX);  // saturates
  const TRect r = PresentRect({10, 10}, {10, 10}, {20, 20});
  EXPECT_EQ(r.Left, 0);
  EXPECT_EQ(r.Top, 0);
}

TEST(Sdl2MessageBox, ButtonsIdsAndKeysFollowTheBoxType) {
  struct Case {
    unsigned flags;
    std::vector<int> ids;
    int dismiss;
  };
  const Case cases[] = {
      {MB_OK, {IDOK}, IDOK},
      {MB_OKCANCEL, {IDOK, IDCANCEL}, IDCANCEL},
      {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}, IDABORT},
      {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}, IDCANCEL},
      {MB_YESNO, {IDYES, IDNO}, IDNO},
      {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, IDCANCEL},
      {0xE, {IDOK}, IDOK},  // unknown type
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    const TBoxLayout box = MessageBoxLayout(c.flags | MB_ICONWARNING);
    ASSERT_EQ(box.Count, int(c.ids.size()));
    int returns = 0, escapes = 0;
    for (int i = 0; i < box.Count; ++i) {
      EXPECT_EQ(box.Buttons[i].Id, c.ids[size_t(i)]);
      returns += box.Buttons[i].ReturnKey;
      escapes += box.Buttons[i].EscapeKey;
      if (box.Buttons[i].EscapeKey) {
        EXPECT_EQ(box.Buttons[i].Id, c.dismiss);
      }
    }
    EXPECT_EQ(returns, 1);
    EXPECT_EQ(escapes, 1);
    EXPECT_TRUE(box.Buttons[0].ReturnKey);
    EXPECT_EQ(box.Buttons[0].Id, DefaultButtonId(c.flags));  // the headless answer
    EXPECT_EQ(box.DismissId, c.dismiss);
    EXPECT_EQ(box.Icon, TBoxIcon::Warning);
  }
  EXPECT_EQ(MessageBoxLayout(MB_OK).Icon, TBoxIcon::None);
  EXPECT_EQ(MessageBoxLayout(MB_OK | MB_ICONERROR).Icon, TBoxIcon::Error);
  EXPECT_EQ(MessageBoxLayout(MB_OKCANCEL | MB_ICONQUESTION).Icon, TBoxIcon::Information);
  EXPECT_EQ(MessageBoxLayout(MB_OK | MB_ICONINFORMATION).Icon, TBoxIcon::Information);
}

TEST(Sdl2MessageBox, LineBreaksBecomeNewlines) {
  EXPECT_EQ(MessageBoxText("one\rtwo\r\nthree\nfour\r"), "one\ntwo\nthree\nfour\n");
  EXPECT_EQ(MessageBoxText(""), "");
  EXPECT_EQ(MessageBoxText("\r\r\n"), "\n\n");
}

// ---------------------------------------------------------------------------
// The backend a process starts on
// ---------------------------------------------------------------------------
namespace {

// Runs in a child process, where the application is made anew.
void ExitNamingTheStartupBackend() {
  std::fprintf(stderr, "started on %s\n", Application().Backend().Name());
  std::exit(0);
}

void SetEnv(const char* name, const std::string& value) {
  if (value.empty())
    unsetenv(name);
  else
    setenv(name, value.c_str(), 1);
}

}  // namespace

TEST(Sdl2Startup, EnvironmentNamesTheBackendElseADisplayDecides) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process for each
  const char* display = std::getenv("DISPLAY");
  const std::string savedDisplay = display != nullptr ? display : "";
  // The body runs again in each child before its statement: the application
  // must not be made here.
  bool sdlStarts = false;
#if defined(VELSCENE_HAVE_SDL2)
  sdlStarts = !savedDisplay.empty() && TSdl2Backend::Create() != nullptr;
#endif

  SetEnv("VELSCENE_BACKEND", "headless");
  EXPECT_EXIT(ExitNamingTheStartupBackend(), ::testing::ExitedWithCode(0), "started on headless");
  // No display: whatever is asked for, the process runs headless.
  SetEnv("DISPLAY", "");
  SetEnv("WAYLAND_DISPLAY", "");
  SetEnv("VELSCENE_BACKEND", "sdl2");
  EXPECT_EXIT(ExitNamingTheStartupBackend(), ::testing::ExitedWithCode(0), "started on headless");
  SetEnv("VELSCENE_BACKEND", "");
  EXPECT_EXIT(ExitNamingTheStartupBackend(), ::testing::ExitedWithCode(0), "started on headless");
#if defined(VELSCENE_HAVE_SDL2)
  // SDL's window-less driver, when asked for by name, is taken.
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  const std::string savedDriver = driver != nullptr ? driver : "";
  SetEnv("SDL_VIDEODRIVER", "dummy");
  EXPECT_EXIT(ExitNamingTheStartupBackend(), ::testing::ExitedWithCode(0), "started on sdl2");
  SetEnv("SDL_VIDEODRIVER", savedDriver);
#endif
  SetEnv("DISPLAY", savedDisplay);
  if (!sdlStarts) GTEST_SKIP() << "no display where SDL2 starts";
  // A display: SDL2 unless the environment says otherwise; an unknown name
  // counts as not given.
  EXPECT_EXIT(ExitNamingTheStartupBackend(), ::testing::ExitedWithCode(0), "started on sdl2");
  SetEnv("VELSCENE_BACKEND", "no-such-backend");
  EXPECT_EXIT(ExitNamingTheStartupBackend(), ::testing::ExitedWithCode(0), "started on sdl2");
  SetEnv("VELSCENE_BACKEND", "headless");
  EXPECT_EXIT(ExitNamingTheStartupBackend(), ::testing::ExitedWithCode(0), "started on headless");
}

// ---------------------------------------------------------------------------
// Against a real X server
// ---------------------------------------------------------------------------
namespace {

// A control that fills itself with one colour and records what reaches it.
class Probe : public TGraphicControl {
 public:
  explicit Probe(TComponent* owner, TColor color) : TGraphicControl(owner), color_(color) {}
  struct Press {
    TMouseButton button;
    TShiftState shift;
    int32_t x, y;
    TPoint cursor;  // GetCursorPos() in client pixels at that moment
  };
  std::vector<Press> downs, ups;
  int moves = 0, clicks = 0, paints = 0;
  TPoint lastPaintSize;

  void MouseDown(TMouseButton b, TShiftState s, int32_t x, int32_t y) override {
    downs.push_back({b, s, x, y, ScreenToClient(GetCursorPos())});
  }
  void MouseUp(TMouseButton b, TShiftState s, int32_t x, int32_t y) override {
    ups.push_back({b, s, x, y, ScreenToClient(GetCursorPos())});
  }
  void MouseMove(TShiftState, int32_t, int32_t) override { ++moves; }
  void Click() override { ++clicks; }

 protected:
  void Paint() override {
    ++paints;
    lastPaintSize = {Width(), Height()};
    Canvas()->SetBrushColor(color_);
    Canvas()->FillRect({0, 0, Width(), Height()});
  }

 private:
  TColor color_;
};

class Sdl2OnX : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = StartSdl2OnX();
    if (!why.empty()) GTEST_SKIP() << why;
    RunCommand("xdotool mousemove --sync 1010 750");  // out of every window
  }
  void TearDown() override { Application().SelectBackend("headless"); }

#if defined(VELSCENE_HAVE_SDL2)
  TSdl2Backend* sdl() { return Sdl2Backend(); }
#endif

  // The X window id of the form's window, found by its (unique) caption.
  static std::string XWindowOf(const TForm& form) {
    return CommandOutput("xdotool search --sync --name '^" + form.Caption() + "$' | head -1");
  }
};

// Only the SDL2 tests use it; a build without SDL2 keeps it unused.
[[maybe_unused]] double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + 1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

}  // namespace

#if defined(VELSCENE_HAVE_SDL2)

TEST_F(Sdl2OnX, RestartsAndCarriesFormsAcross) {
  TForm form(nullptr);
  form.SetCaption("restarts");
  form.SetClientSize(120, 90);
  form.Show();
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(Application().SelectBackend("sdl2"));
    ASSERT_NE(sdl(), nullptr);
    EXPECT_NE(sdl()->WindowId(&form), 0u);
    Application().ProcessMessages();
    EXPECT_GE(sdl()->PresentCount(), 1u);
    EXPECT_EQ(form.ClientWidth(), 120);
    EXPECT_EQ(form.ClientHeight(), 90);
    ASSERT_TRUE(Application().SelectBackend("headless"));
  }
  // A form made while on SDL gets a window of its own.
  ASSERT_TRUE(Application().SelectBackend("sdl2"));
  {
    TForm second(nullptr);
    EXPECT_NE(sdl()->WindowId(&second), 0u);
    EXPECT_NE(sdl()->WindowId(&second), sdl()->WindowId(&form));
  }
  EXPECT_NE(sdl()->WindowId(&form), 0u);
}

TEST_F(Sdl2OnX, TimersFireOnTheGuiThreadWokenBySdlTimersWithoutBusyWaiting) {
  TForm form(nullptr);
  form.SetCaption("timers");
  form.Show();
  TTimer timer(nullptr);
  timer.SetInterval(40);
  const std::thread::id gui = std::this_thread::get_id();
  int ticks = 0, offThread = 0;
  timer.OnTimer = [&](TObject*) {
    if (std::this_thread::get_id() != gui) ++offThread;
    if (++ticks == 8) Application().Terminate();
  };
  const uint64_t wakesBefore = sdl()->TimerWakeCount();
  const double cpuBefore = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  Application().Run();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpuBefore;
  EXPECT_EQ(ticks, 8);
  EXPECT_EQ(offThread, 0);
  EXPECT_GE(wall, 8 * 0.040 - 0.005);
  EXPECT_LT(wall, 2.0);
  // Sleeping between ticks: a polling loop would burn a core for the whole run.
  EXPECT_LT(cpu, 0.5 * wall) << "cpu " << cpu << " s over " << wall << " s";
  EXPECT_GE(sdl()->TimerWakeCount() - wakesBefore, 7u);
}

TEST_F(Sdl2OnX, PresentsTheSurfacePixelExact) {
  TForm form(nullptr);
  form.SetCaption("pixels");
  form.SetPosition(37, 21);
  form.SetClientSize(97, 61);
  form.Show();
  Application().ProcessMessages();
  // A pattern where neighbouring pixels differ in every channel.
  TCanvas* c = form.Canvas();
  for (int32_t y = 0; y < 61; ++y)
    for (int32_t x = 0; x < 97; ++x) c->SetPixel(x, y, RGB(uint8_t(x * 37 + y), uint8_t(y * 91 + x * 3), uint8_t(x ^ y)));
  const uint64_t presents = sdl()->PresentCount();
  Application().UpdateForms();
  EXPECT_GT(sdl()->PresentCount(), presents);
  TBitmap screen;
  int diffs = -1;
  for (int attempt = 0; attempt < 5 && diffs != 0; ++attempt) {
    PumpFor(50);
    ASSERT_TRUE(Screenshot(screen, ::testing::TempDir() + "sdl2_pixels.png"));
    diffs = CountDifferences(screen, 37, 21, *form.Surface());
  }
  EXPECT_EQ(diffs, 0);
  // Just outside the window is not the window's.
  EXPECT_NE(PixelOf(screen, 37 + 97, 21), PixelOf(*form.Surface(), 96, 0));
}

TEST_F(Sdl2OnX, ResizingEitherWayKeepsFormWindowAndControlsInStep) {
  TForm form(nullptr);
  form.SetCaption("resizing");
  form.SetClientSize(200, 150);
  auto* probe = new Probe(&form, clRed);
  probe->SetParent(&form);
  probe->SetAlign(alClient);
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return probe->paints > 0; }));
  const std::string xid = XWindowOf(form);
  ASSERT_FALSE(xid.empty());

  // The window resized from outside: form, aligned control, paint.
  ASSERT_TRUE(RunCommand("xdotool windowsize --sync " + xid + " 260 170"));
  ASSERT_TRUE(PumpUntil([&] { return probe->lastPaintSize == TPoint{260, 170}; }));
  EXPECT_EQ(form.ClientWidth(), 260);
  EXPECT_EQ(form.ClientHeight(), 170);
  EXPECT_EQ(form.Surface()->Width(), 260);

  // The form resized in code: the window follows.
  form.SetClientSize(180, 120);
  PumpFor(100);
  EXPECT_EQ(CommandOutput("xdotool getwindowgeometry " + xid + " | sed -n 3p | tr -d ' '"),
            "Geometry:180x120");
  EXPECT_EQ(form.ClientWidth(), 180);
  EXPECT_EQ(probe->lastPaintSize, (TPoint{180, 120}));

  // A form of width 0 keeps a 1-pixel window and stays 0 wide.
  form.SetClientSize(0, 120);
  PumpFor(100);
  EXPECT_EQ(form.ClientWidth(), 0);
  EXPECT_EQ(probe->Width(), 0);
}

TEST_F(Sdl2OnX, MouseInputReachesTheControlUnderThePointer) {
  TForm form(nullptr);
  form.SetCaption("mouse");
  form.SetPosition(50, 40);
  form.SetClientSize(200, 100);
  auto* left = new Probe(&form, clRed);
  left->SetParent(&form);
  left->SetBounds(0, 0, 100, 100);
  auto* right = new Probe(&form, clBlue);
  right->SetParent(&form);
  right->SetBounds(100, 0, 100, 100);
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return right->paints > 0; }));

  // Left click at client (130, 25): the right control, at (30, 25) in it.
  ASSERT_TRUE(RunCommand("xdotool mousemove --sync 180 65 click 1"));
  ASSERT_TRUE(PumpUntil([&] { return right->ups.size() == 1; }));
  ASSERT_EQ(right->downs.size(), 1u);
  EXPECT_TRUE(left->downs.empty());
  const Probe::Press& down = right->downs[0];
  EXPECT_EQ(down.button, mbLeft);
  EXPECT_EQ(down.x, 30);
  EXPECT_EQ(down.y, 25);
  EXPECT_TRUE(down.shift.Contains(ssLeft));
  EXPECT_FALSE(down.shift.Contains(ssShift));
  EXPECT_EQ(down.cursor, (TPoint{30, 25}));  // GetCursorPos + ScreenToClient agree
  EXPECT_FALSE(right->ups[0].shift.Contains(ssLeft));
  EXPECT_EQ(right->clicks, 1);
  EXPECT_GE(right->moves, 1);

  // Shift + right button on the left control: no click (not the left button).
  // The modifiers come with the keyboard focus, as for a user typing there.
  const std::string xid = XWindowOf(form);
  ASSERT_FALSE(xid.empty());
  ASSERT_TRUE(RunCommand("xdotool windowfocus --sync " + xid +
                         " mousemove --sync 60 130 keydown shift click 3 keyup shift"));
  ASSERT_TRUE(PumpUntil([&] { return left->ups.size() == 1; }));
  ASSERT_EQ(left->downs.size(), 1u);
  EXPECT_EQ(left->downs[0].button, mbRight);
  EXPECT_EQ(left->downs[0].x, 10);
  EXPECT_EQ(left->downs[0].y, 90);
  EXPECT_TRUE(left->downs[0].shift.Contains(ssShift));
  EXPECT_TRUE(left->downs[0].shift.Contains(ssRight));
  EXPECT_EQ(left->clicks, 0);

  // Press on the left, release over the right: the capture keeps it left.
  ASSERT_TRUE(RunCommand("xdotool mousemove --sync 70 60 mousedown 1 mousemove --sync 190 60 mouseup 1"));
  ASSERT_TRUE(PumpUntil([&] { return left->ups.size() == 2; }));
  EXPECT_EQ(left->ups[1].x, 140);  // in the left control's pixels, outside it
  EXPECT_EQ(right->downs.size(), 1u);
  EXPECT_EQ(left->clicks, 0);  // released outside
}

#if defined(HAVE_SDL_EVENTS)
TEST_F(Sdl2OnX, ClosingTheWindowClosesTheFormAndQuitClosesAll) {
  TForm a(nullptr), b(nullptr);
  a.SetCaption("close a");
  b.SetCaption("close b");
  int closedA = 0, closedB = 0;
  a.OnClose = [&](TObject*) { ++closedA; };
  b.OnClose = [&](TObject*) { ++closedB; };
  a.Show();
  b.Show();
  Application().ProcessMessages();

  // The window manager's close request for one window.
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  close.window.windowID = sdl()->WindowId(&a);
  SDL_PushEvent(&close);
  Application().ProcessMessages();
  EXPECT_EQ(closedA, 1);
  EXPECT_FALSE(a.Visible());
  EXPECT_TRUE(b.Visible());
  EXPECT_EQ(CommandOutput("xdotool search --onlyvisible --name '^close a$' | head -1"), "");

  // Run ends once no form shows; a quit request closes the rest.
  a.Show();
  TTimer quitLater(nullptr);
  quitLater.SetInterval(30);
  quitLater.OnTimer = [](TObject*) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
  };
  Application().Run();
  EXPECT_EQ(closedA, 2);
  EXPECT_EQ(closedB, 1);
  EXPECT_FALSE(a.Visible());
  EXPECT_FALSE(b.Visible());
}
#endif

TEST_F(Sdl2OnX, MessageBoxAnswersWithTheKeyPressed) {
  TForm owner(nullptr);
  owner.SetCaption("owner");
  owner.Show();
  Application().ProcessMessages();
  const std::string ownerXid = XWindowOf(owner);
  ASSERT_FALSE(ownerXid.empty());
  // The box opens over its owner: with the pointer on the owner's centre, the
  // window under the pointer turns into the box once it is up.
  ASSERT_TRUE(RunCommand("xdotool mousemove --sync 160 120"));
  // Escape on an OK/Cancel box is Cancel, Return is OK; Escape on Yes/No is No.
  struct Case {
    unsigned buttons;
    const char* key;
    int answer;
  };
  for (const Case& c : {Case{MB_OKCANCEL, "Escape", IDCANCEL}, Case{MB_OKCANCEL, "Return", IDOK},
                        Case{MB_YESNO | MB_ICONQUESTION, "Escape", IDNO}}) {
    SCOPED_TRACE(c.key);
    const std::string title = ::testing::TempDir() + "sdl2_box_title.txt";
    std::remove(title.c_str());
    std::thread presser([&c, &ownerXid, &title] {
      RunCommand("for i in $(seq 250); do eval $(xdotool getmouselocation --shell); "
                 "[ \"$WINDOW\" != " + ownerXid + " ] && [ \"$WINDOW\" != 0 ] && break; sleep 0.02; done; "
                 "xdotool getwindowname $WINDOW > " + title + "; "
                 "xdotool windowfocus --sync $WINDOW key " + c.key + " >/dev/null 2>&1");
    });
    const int answer = MessageBox(&owner, "Line one\rLine two", "Velscene box", c.buttons);
    presser.join();
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(CommandOutput("cat " + title), "Velscene box");  // the caption is the box's title
  }
}

#endif  // VELSCENE_HAVE_SDL2
