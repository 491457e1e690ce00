// Forms and controls on the headless backend: repaint scheduling, canvas
// offset and clipping, alignment, mouse routing with capture and clicks, keys
// to the focused control, the wheel, screen coordinates, presentation and
// resource cleanup.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/host/dialogs.h"
#include "velscene/platform/host/forms.h"

using namespace vel;

namespace {

constexpr TColor kFormColor = clWhite;

// A control that fills itself (and far beyond) with its colour and logs mouse
// notifications.
class Box : public TGraphicControl {
 public:
  Box(TComponent* owner, TForm* parent, TRect r, TColor c, std::vector<std::string>* log = nullptr)
      : TGraphicControl(owner), color(c), log_(log) {
    SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    SetParent(parent);
  }
  TColor color;
  int paints = 0;
  bool leftHalfOnly = false;
  std::function<void()> onMouseDown, onMouseUp;

  void MouseDown(TMouseButton b, TShiftState s, int32_t x, int32_t y) override {
    Log("down", b, s, x, y);
    if (auto f = onMouseDown) f();  // a copy: the handler may delete this box
  }
  void MouseUp(TMouseButton b, TShiftState s, int32_t x, int32_t y) override {
    Log("up", b, s, x, y);
    if (auto f = onMouseUp) f();
  }
  void MouseMove(TShiftState s, int32_t x, int32_t y) override { Log("move", mbLeft, s, x, y); }
  void MouseWheel(TShiftState s, int32_t delta, int32_t x, int32_t y) override {
    Log(("wheel " + std::to_string(delta)).c_str(), mbLeft, s, x, y);
  }
  void KeyDown(TKeyCode key, char32_t ch, TShiftState s) override { LogKey("keydown", key, ch, s); }
  void KeyUp(TKeyCode key, char32_t ch, TShiftState s) override { LogKey("keyup", key, ch, s); }

 protected:
  void Paint() override {
    ++paints;
    TCanvas* c = Canvas();
    c->SetBrushColor(color);
    c->FillRect({-1000, -1000, leftHalfOnly ? Width() / 2 : 1000, 1000});
  }

 private:
  void Log(const char* what, TMouseButton b, TShiftState s, int32_t x, int32_t y) {
    if (log_ == nullptr) return;
    std::string line = std::string(Name()) + " " + what;
    if (std::string(what) == "down" || std::string(what) == "up") line += b == mbLeft ? " L" : b == mbRight ? " R" : " M";
    if (s.Contains(ssLeft)) line += " +left";
    line += " " + std::to_string(x) + "," + std::to_string(y);
    log_->push_back(line);
  }
  void LogKey(const char* what, TKeyCode key, char32_t ch, TShiftState s) {
    if (log_ == nullptr) return;
    std::string line = std::string(Name()) + " " + what + " " + KeyName(key) + " " + std::to_string(uint32_t(ch));
    if (s.Contains(ssShift)) line += " +shift";
    if (s.Contains(ssLeft)) line += " +left";
    log_->push_back(line);
  }
  std::vector<std::string>* log_;
};

class Forms : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Application().SelectBackend("headless"));
    host = HeadlessBackend();
    form = new TForm(nullptr);
    form->SetName("MainForm");
    form->SetColor(kFormColor);
    form->SetClientSize(120, 80);
  }
  void TearDown() override { delete form; }

  COLORREF At(int x, int y) { return host->Pixel(form, x, y); }
  // Every surface pixel is `inside` within r and the form colour outside it.
  void ExpectOnlyRect(const TRect& r, TColor inside) {
    for (int y = 0; y < form->ClientHeight(); ++y)
      for (int x = 0; x < form->ClientWidth(); ++x) {
        const bool in = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
        ASSERT_EQ(At(x, y), ColorToRGB(in ? inside : kFormColor)) << "at " << x << "," << y;
      }
  }
  Box* MakeBox(const char* name, TRect r, TColor c) {
    auto* b = new Box(form, form, r, c, &log);
    b->SetName(name);
    return b;
  }

  THeadlessBackend* host = nullptr;
  TForm* form = nullptr;
  std::vector<std::string> log;
};

}  // namespace

TEST_F(Forms, InvalidatePaintsOnTheNextPassOnlyWhileShowing) {
  Box* a = MakeBox("A", {0, 0, 20, 20}, clRed);
  Box* b = MakeBox("B", {50, 0, 70, 20}, clBlue);
  Application().ProcessMessages();
  EXPECT_EQ(a->paints, 0);  // hidden forms do not paint
  form->Show();
  Application().ProcessMessages();
  EXPECT_EQ(a->paints, 1);
  EXPECT_EQ(b->paints, 1);
  a->Invalidate();
  a->Invalidate();
  EXPECT_EQ(a->paints, 1);
  Application().ProcessMessages();
  EXPECT_EQ(a->paints, 2);
  EXPECT_EQ(b->paints, 1);
  b->Invalidate();
  host->Advance(0);
  EXPECT_EQ(b->paints, 2);
  form->Hide();
  a->Invalidate();
  Application().ProcessMessages();
  EXPECT_EQ(a->paints, 2);
  form->Show();
  Application().ProcessMessages();
  EXPECT_EQ(a->paints, 3);
}

TEST_F(Forms, ControlCanvasDrawsAtItsOffsetAndNeverOutsideIt) {
  Box* box = MakeBox("A", {10, 20, 40, 60}, clRed);
  form->Show();
  Application().ProcessMessages();
  ExpectOnlyRect({10, 20, 40, 60}, clRed);

  // Blits, pixels and fills far outside the control through its canvas.
  TBitmap big;
  big.SetSize(300, 300);
  big.Canvas()->SetBrushColor(clLime);
  big.Canvas()->FillRect({0, 0, 300, 300});
  HDC dc = box->Canvas()->Handle();
  BitBlt(dc, -100, -100, 300, 300, big.Canvas()->Handle(), 0, 0, SRCCOPY);
  SetPixelV(dc, -1, 0, RGB(0, 0, 255));
  SetPixelV(dc, 30, 0, RGB(0, 0, 255));
  SetPixelV(dc, 0, 40, RGB(0, 0, 255));
  ExpectOnlyRect({10, 20, 40, 60}, clLime);
  SetPixelV(dc, 29, 39, RGB(0, 0, 255));
  EXPECT_EQ(At(39, 59), RGB(0, 0, 255));
}

TEST_F(Forms, CanvasFollowsMovesAndParentChanges) {
  Box* box = MakeBox("A", {10, 20, 40, 60}, clRed);
  form->Show();
  Application().ProcessMessages();
  box->SetBounds(70, 10, 20, 30);
  Application().ProcessMessages();  // the old place shows the form again
  ExpectOnlyRect({70, 10, 90, 40}, clRed);

  // Without a parent the canvas draws nowhere.
  box->SetParent(nullptr);
  Application().ProcessMessages();
  box->color = clBlue;
  box->Canvas()->SetBrushColor(clBlue);
  box->Canvas()->FillRect({-1000, -1000, 1000, 1000});
  ExpectOnlyRect({0, 0, 0, 0}, clBlue);
  box->SetParent(form);
  Application().ProcessMessages();
  ExpectOnlyRect({70, 10, 90, 40}, clBlue);
}

TEST_F(Forms, RepaintFillsBackgroundAndRepaintsOverlappingControlsAbove) {
  Box* lower = MakeBox("Lower", {0, 0, 50, 50}, clRed);
  Box* upper = MakeBox("Upper", {25, 25, 75, 75}, clBlue);
  form->Show();
  Application().ProcessMessages();
  lower->leftHalfOnly = true;
  lower->Invalidate();
  Application().ProcessMessages();
  EXPECT_EQ(upper->paints, 2);
  EXPECT_EQ(At(10, 10), ColorToRGB(clRed));
  EXPECT_EQ(At(40, 10), ColorToRGB(kFormColor));  // background under the control
  EXPECT_EQ(At(30, 30), ColorToRGB(clBlue));      // the upper control stays on top
}

TEST_F(Forms, MouseGoesToTopmostVisibleEnabledControl) {
  Box* lower = MakeBox("Lower", {0, 0, 50, 50}, clRed);
  Box* upper = MakeBox("Upper", {25, 25, 75, 75}, clBlue);
  form->Show();
  host->MouseMove(form, {}, 30, 30);
  host->MouseMove(form, {}, 10, 10);
  host->MouseMove(form, {}, 100, 70);  // over no control
  upper->SetEnabled(false);
  host->MouseMove(form, {}, 30, 31);
  upper->SetEnabled(true);
  upper->SetVisible(false);
  host->MouseMove(form, {}, 31, 30);
  upper->SetVisible(true);
  upper->SendToBack();
  host->MouseMove(form, {}, 32, 32);
  lower->SetVisible(false);
  host->MouseMove(form, {}, 33, 33);
  EXPECT_EQ(log, (std::vector<std::string>{"Upper move 5,5", "Lower move 10,10", "Lower move 30,31",
                                           "Lower move 31,30", "Lower move 32,32",
                                           "Upper move 8,8"}));
}

TEST_F(Forms, PressCapturesUntilReleaseAndReleaseInsideClicks) {
  Box* a = MakeBox("A", {0, 0, 50, 50}, clRed);
  MakeBox("B", {60, 0, 110, 50}, clBlue);
  int clicks = 0;
  a->OnClick = [&clicks, a](TObject* sender) {
    EXPECT_EQ(sender, a);
    ++clicks;
  };
  form->Show();
  // Press in A, drag over B and out of the form, release over B: all to A, no click.
  host->MouseDown(form, mbLeft, {}, 10, 10);
  EXPECT_EQ(form->CaptureControl(), a);
  host->MouseMove(form, {}, 70, 10);
  host->MouseUp(form, mbLeft, {}, 200, -5);
  EXPECT_EQ(form->CaptureControl(), nullptr);
  EXPECT_EQ(clicks, 0);
  host->MouseMove(form, {}, 70, 10);  // capture is over
  // Press and release inside: one click. The right button does not click.
  host->MouseDown(form, mbLeft, {}, 10, 10);
  host->MouseUp(form, mbLeft, {}, 49, 49);
  EXPECT_EQ(clicks, 1);
  host->MouseDown(form, mbRight, {}, 10, 10);
  host->MouseUp(form, mbRight, {}, 10, 10);
  EXPECT_EQ(clicks, 1);
  // Release on the edge pixel just outside: no click.
  host->MouseDown(form, mbLeft, {}, 10, 10);
  host->MouseUp(form, mbLeft, {}, 50, 10);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(log, (std::vector<std::string>{
                     "A down L +left 10,10", "A move +left 70,10", "A up L 200,-5", "B move 10,10",
                     "A down L +left 10,10", "A up L 49,49", "A down R 10,10", "A up R 10,10",
                     "A down L +left 10,10", "A up L 50,10"}));
}

TEST_F(Forms, KeysGoToTheFocusedControlAndTheWheelUnderThePointer) {
  Box* a = MakeBox("A", {0, 0, 50, 50}, clRed);
  Box* b = MakeBox("B", {60, 0, 110, 50}, clBlue);
  std::vector<std::string> formLog;
  form->OnKeyDown = [&](TObject* s, TKeyCode k, char32_t, TShiftState) {
    EXPECT_EQ(s, form);
    formLog.push_back("form " + KeyName(k));
  };
  form->OnMouseWheel = [&](TObject*, TShiftState, int32_t d, int32_t x, int32_t y) {
    formLog.push_back("form wheel " + std::to_string(d) + " " + std::to_string(x) + "," + std::to_string(y));
  };
  form->Show();
  host->KeyDown(form, 'Q', U'q', {});  // nothing focused: the form's own event
  host->MouseDown(form, mbLeft, {}, 70, 10);  // a press focuses B
  EXPECT_TRUE(b->Focused());
  host->KeyDown(form, VK_UP, 0, ssShift);  // with the button still held
  host->MouseUp(form, mbLeft, {}, 70, 10);
  host->MouseWheel(form, {}, -WHEEL_DELTA, 20, 30);  // the wheel goes under the pointer
  host->MouseWheel(form, {}, WHEEL_DELTA, 115, 70);  // over no control
  a->SetFocus();
  host->KeyUp(form, VK_UP, 0, {});
  a->SetEnabled(false);  // a disabled focused control passes keys to the form
  host->KeyDown(form, VK_ESCAPE, U'\x1B', {});
  a->SetEnabled(true);
  TForm other(nullptr);
  other.SetActiveControl(a);  // not its control
  EXPECT_EQ(other.ActiveControl(), nullptr);
  delete a;  // the focus goes with it
  EXPECT_EQ(form->ActiveControl(), nullptr);
  host->KeyDown(form, 'W', U'w', {});
  EXPECT_EQ(log, (std::vector<std::string>{"B down L +left 10,10", "B keydown Up 0 +shift +left", "B up L 10,10",
                                           "A wheel -120 20,30", "A keyup Up 0"}));
  EXPECT_EQ(formLog, (std::vector<std::string>{"form Q", "form wheel 120 115,70", "form Escape", "form W"}));
}

TEST(Keys, NamesAndCharactersOfKeyCodes) {
  for (TKeyCode k = 1; k < 0x100; ++k) {
    const std::string name = KeyName(k);
    if (name.empty()) continue;
    EXPECT_EQ(KeyFromName(name), k) << name;
    std::string lower = name;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(KeyFromName(lower), k) << lower;
  }
  EXPECT_EQ(KeyFromName("F12"), VK_F1 + 11);
  EXPECT_EQ(KeyFromName("Lef"), 0);
  EXPECT_EQ(std::u32string({KeyChar('A', false), KeyChar('A', true), KeyChar('5', false), KeyChar(VK_ADD, false),
                            KeyChar(VK_LEFT, false)}),
            std::u32string({U'a', U'A', U'5', U'+', 0}));
}

TEST_F(Forms, HandlersMayDestroyThePressedControlOrTheForm) {
  Box* a = MakeBox("A", {0, 0, 50, 50}, clRed);
  form->Show();
  a->onMouseDown = [a] { delete a; };
  host->MouseDown(form, mbLeft, {}, 10, 10);
  EXPECT_EQ(form->CaptureControl(), nullptr);
  host->MouseMove(form, {}, 12, 12);
  host->MouseUp(form, mbLeft, {}, 12, 12);

  Box* b = MakeBox("B", {0, 0, 50, 50}, clRed);
  int clicks = 0;
  b->OnClick = [&clicks](TObject*) { ++clicks; };
  b->onMouseUp = [b] { delete b; };
  host->MouseDown(form, mbLeft, {}, 10, 10);
  host->MouseUp(form, mbLeft, {}, 10, 10);
  EXPECT_EQ(clicks, 0);

  Box* c = MakeBox("C", {0, 0, 50, 50}, clRed);
  c->OnClick = [this](TObject*) {
    delete form;
    form = nullptr;
  };
  TForm* f = form;
  host->MouseDown(f, mbLeft, {}, 10, 10);
  host->MouseUp(f, mbLeft, {}, 10, 10);
  EXPECT_EQ(form, nullptr);
  EXPECT_EQ(Application().FormCount(), 0);
}

TEST_F(Forms, AlignFillsTheClientAreaAndFollowsResizes) {
  auto* client = MakeBox("Client", {0, 0, 5, 5}, clRed);
  client->SetAlign(alClient);
  EXPECT_EQ(client->BoundsRect().Right, 120);
  EXPECT_EQ(client->BoundsRect().Bottom, 80);
  form->SetClientSize(200, 150);
  EXPECT_EQ(client->Width(), 200);
  EXPECT_EQ(client->Height(), 150);
  client->SetBounds(5, 5, 10, 10);  // an aligned control keeps its place
  EXPECT_EQ(client->Width(), 200);

  auto* top = MakeBox("Top", {0, 0, 10, 20}, clBlue);
  top->SetAlign(alTop);
  auto* left = MakeBox("Left", {0, 0, 30, 10}, clBlue);
  left->SetAlign(alLeft);
  auto* bottom = MakeBox("Bottom", {0, 0, 10, 25}, clBlue);
  bottom->SetAlign(alBottom);
  auto* right = MakeBox("Right", {0, 0, 15, 10}, clBlue);
  right->SetAlign(alRight);
  auto expect = [](TControl* c, int l, int t, int w, int h) {
    EXPECT_EQ(c->Left(), l) << c->Name();
    EXPECT_EQ(c->Top(), t) << c->Name();
    EXPECT_EQ(c->Width(), w) << c->Name();
    EXPECT_EQ(c->Height(), h) << c->Name();
  };
  expect(top, 0, 0, 200, 20);
  expect(bottom, 0, 125, 200, 25);
  expect(left, 0, 20, 30, 105);
  expect(right, 185, 20, 15, 105);
  expect(client, 30, 20, 155, 105);
  top->SetVisible(false);  // hidden controls take no room
  expect(client, 30, 0, 155, 125);
  form->SetClientSize(20, 10);  // too small: sizes stay non-negative
  EXPECT_GE(client->Width(), 0);
  EXPECT_GE(client->Height(), 0);
}

TEST_F(Forms, ScreenAndClientCoordinatesAndTheCursor) {
  form->SetPosition(100, 50);
  Box* box = MakeBox("A", {10, 20, 40, 60}, clRed);
  EXPECT_EQ(box->ScreenToClient({115, 75}), (TPoint{5, 5}));
  EXPECT_EQ(box->ClientToScreen({5, 5}), (TPoint{115, 75}));
  form->Show();
  host->MouseMove(form, {}, 13, 24);
  EXPECT_EQ(GetCursorPos(), (TPoint{113, 74}));
  EXPECT_EQ(box->ScreenToClient(GetCursorPos()), (TPoint{3, 4}));
  host->SetCursorPos({0, 0});
  EXPECT_EQ(box->ScreenToClient(GetCursorPos()), (TPoint{-110, -70}));
}

TEST_F(Forms, MessageBoxIsRecordedPrintedAndAnswered) {
  Box* box = MakeBox("A", {0, 0, 10, 10}, clRed);
  host->ClearMessageBoxes();
  testing::internal::CaptureStdout();
  EXPECT_EQ(MessageBox(box, "TAniFigure\rTAniMap", "About", MB_OK), IDOK);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("About"), std::string::npos);
  EXPECT_NE(out.find("TAniFigure\nTAniMap"), std::string::npos);
  EXPECT_EQ(MessageBox(nullptr, "Quit?", "Question", MB_YESNO | MB_ICONQUESTION), IDYES);
  ASSERT_EQ(host->MessageBoxes().size(), 2u);
  const TMessageBoxRecord& first = host->MessageBoxes()[0];
  EXPECT_EQ(first.Text, "TAniFigure\rTAniMap");
  EXPECT_EQ(first.Caption, "About");
  EXPECT_EQ(first.Buttons, MB_OK);
  EXPECT_EQ(first.OwnerName, "MainForm");
  EXPECT_EQ(host->MessageBoxes()[1].OwnerName, "");
  EXPECT_EQ(host->MessageBoxes()[1].Buttons, MB_YESNO | MB_ICONQUESTION);
}

TEST_F(Forms, ChangedSurfacesArePresentedOnce) {
  MakeBox("A", {0, 0, 10, 10}, clRed);
  form->Show();
  const uint64_t before = host->PresentCount();
  host->Advance(10);
  EXPECT_EQ(host->PresentCount(), before + 1);
  host->Advance(10);
  EXPECT_EQ(host->PresentCount(), before + 1);
  form->Controls(0)->Invalidate();
  Application().ProcessMessages();
  EXPECT_EQ(host->PresentCount(), before + 2);
}

TEST_F(Forms, ShowHintFollowsTheParentUntilSet) {
  Box* box = MakeBox("A", {0, 0, 10, 10}, clRed);
  EXPECT_TRUE(box->ParentShowHint());
  EXPECT_FALSE(box->IsShowHintStored());
  form->SetShowHint(true);
  EXPECT_TRUE(box->ShowHint());
  box->SetShowHint(false);
  EXPECT_FALSE(box->ShowHint());
  EXPECT_TRUE(box->IsShowHintStored());
}

TEST_F(Forms, DestroyingFormsReleasesEveryRasterObject) {
  const uint32_t objects = LiveObjectCount(), contexts = LiveContextCount();
  TComponent elsewhere(nullptr);
  {
    auto* f = new TForm(nullptr);
    f->SetClientSize(64, 48);
    auto* own = new Box(f, f, {0, 0, 10, 10}, clRed);
    auto* foreign = new Box(&elsewhere, f, {5, 5, 15, 15}, clBlue);
    own->Canvas();
    foreign->Canvas();
    f->Show();
    Application().ProcessMessages();
    f->SetClientSize(0, 0);
    f->SetClientSize(30, 30);
    Application().ProcessMessages();
    delete f;
    // A control owned elsewhere outlives its form without a parent.
    EXPECT_EQ(foreign->Parent(), nullptr);
    foreign->Canvas()->FillRect({0, 0, 10, 10});
    delete foreign;
  }
  EXPECT_EQ(LiveObjectCount(), objects);
  EXPECT_EQ(LiveContextCount(), contexts);
}

TEST_F(Forms, WindowSavesToAnImageFile) {
  MakeBox("A", {10, 20, 40, 60}, clRed);
  form->Show();
  host->Advance(0);
  const std::string path = ::testing::TempDir() + "velscene_host_window.png";
  host->SaveWindow(form, path);
  TBitmap loaded;
  loaded.LoadFromFile(path);
  std::remove(path.c_str());
  ASSERT_EQ(loaded.Width(), 120);
  ASSERT_EQ(loaded.Height(), 80);
  EXPECT_EQ(loaded.Canvas()->GetPixel(10, 20), ColorToRGB(clRed));
  EXPECT_EQ(loaded.Canvas()->GetPixel(9, 20), ColorToRGB(kFormColor));
}

// Extreme positions and sizes saturate instead of overflowing (UBSan checks).
TEST_F(Forms, ExtremeCoordinatesStaySafe) {
  constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;
  form->SetPosition(kMax - 3, kMin + 3);
  Box* far = MakeBox("Far", {0, 0, 10, 10}, clRed);
  far->SetBounds(kMax - 5, kMin, kMax, kMax);
  EXPECT_EQ(far->BoundsRect().Right, kMax);
  EXPECT_EQ(far->ClientToScreen({kMax, kMin}), (TPoint{kMax, kMin}));
  EXPECT_EQ(far->ScreenToClient({kMin, kMax}), (TPoint{kMin, kMax}));
  form->Show();
  host->MouseDown(form, mbLeft, {}, kMax, kMin);
  host->MouseMove(form, {}, kMin, kMax);
  host->MouseUp(form, mbLeft, {}, kMax, kMax);
  Box* tall1 = MakeBox("Tall1", {0, 0, 10, kMax}, clBlue);
  Box* tall2 = MakeBox("Tall2", {0, 0, 10, kMax}, clBlue);
  tall1->SetAlign(alTop);
  tall2->SetAlign(alTop);
  tall2->Canvas()->FillRect({kMin, kMin, kMax, kMax});
  Application().ProcessMessages();
  EXPECT_EQ(tall2->Top(), kMax);
  EXPECT_EQ(far->ContainsPoint(kMax - 5, kMin), true);
  EXPECT_EQ(far->ContainsPoint(kMax - 6, kMin), false);
}
