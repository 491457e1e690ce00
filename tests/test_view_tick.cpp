// The frame tick: event order and re-entry, the designer view, scripts, the
// hover pass, timers, exceptions, and handlers that change the list mid-walk.
#include <stdexcept>
#include <string>

#include "view_fixture.h"

using namespace vel;
using vel::testing::ViewTest;

using FrameTick = ViewTest;

namespace {
void Cursor(int x, int y) { HeadlessBackend()->SetCursorPos({x, y}); }
}  // namespace

TEST_F(FrameTick, EventOrderAndReentryFromAHandler) {
  std::string log;
  view->OnBeforeUpdate = [&](TObject* s) {
    EXPECT_EQ(s, view);
    log += "B";
    view->DrawFrame();  // returns at once
  };
  view->OnAfterUpdate = [&](TObject*) { log += "U"; };
  view->OnAfterDisplay = [&](TObject*) { log += "D"; };
  view->DrawFrame();
  EXPECT_EQ(log, "BUD");
  EXPECT_FALSE(view->Busy());
}

TEST_F(FrameTick, DesignerViewRaisesEventsAndDrawsNothing) {
  TForm* designer = new TForm(nullptr);
  designer->SetDesigning(true);
  TAniView* v = new TAniView(designer);
  EXPECT_EQ(v->Timer(), nullptr);
  EXPECT_EQ(v->Buffer(), nullptr);
  std::string log;
  v->OnBeforeUpdate = [&](TObject*) { log += "B"; };
  v->OnAfterUpdate = [&](TObject*) { log += "U"; };
  v->OnAfterDisplay = [&](TObject*) { log += "D"; };
  v->DrawFrame();
  EXPECT_EQ(log, "BUD");
  v->SetInterval(40);
  v->SetActive(true);
  EXPECT_EQ(v->Interval(), 40u);
  EXPECT_TRUE(v->Active());
  delete designer;
}

TEST_F(FrameTick, ScriptsLoopOrStop) {
  TAniFigure*& f = Place();
  f->SetScript(1, {1, 2, 3});
  f->PlayScript(1, true);
  std::vector<uint32_t> shown;
  for (int i = 0; i < 7; ++i) {
    view->DrawFrame();
    shown.push_back(f->Frame());
  }
  EXPECT_EQ(shown, (std::vector<uint32_t>{1, 2, 3, 1, 2, 3, 1}));
  f->PlayScript(1, false);
  shown.clear();
  for (int i = 0; i < 4; ++i) {
    view->DrawFrame();
    shown.push_back(f->Frame());
  }
  EXPECT_EQ(shown, (std::vector<uint32_t>{1, 2, 3, 3}));
  EXPECT_EQ(f->PlayingScript(), 0);
}

TEST_F(FrameTick, HiddenFigureFreezesItsScriptButStillMoves) {
  TAniFigure*& f = Place();
  f->SetScript(2, {4, 5, 6});
  f->PlayScript(2, true);
  view->DrawFrame();
  f->Visible = false;
  view->MoveFigure(f, 3, 0, 0);
  view->DrawFrame();
  view->DrawFrame();
  EXPECT_EQ(f->ScriptPos(), 1u);
  EXPECT_EQ(f->Frame(), 4u);
  EXPECT_EQ(f->X(), 1.0f);
  f->Visible = true;
  view->DrawFrame();
  EXPECT_EQ(f->Frame(), 5u);
}

TEST_F(FrameTick, ScriptNumbersBeyondTheTableStopPlayback) {
  TAniFigure*& f = Place();
  f->SetCurrentFrame(9);
  f->PlayScript(65, true);
  view->DrawFrame();
  EXPECT_EQ(f->PlayingScript(), 0);
  EXPECT_EQ(f->Frame(), 9u);
  f->SetScript(64, {});
  f->PlayScript(64, true);  // looping without frames: Frame stays valid
  view->DrawFrame();
  view->DrawFrame();
  EXPECT_EQ(f->Frame(), 9u);
}

// The nearer figure has no AutoHighlight: its OnMouseOver fires, the farther
// one takes the highlight without its OnMouseOver.
TEST_F(FrameTick, HoverPassNearestFiresFartherHighlights) {
  TAniFigure*& far = Place(0, 0);
  TAniFigure*& near = Place(0.25f, 0.25f);
  int nearOver = 0, farOver = 0;
  near->OnMouseOver = [&](TObject* s) {
    EXPECT_EQ(s, near);
    ++nearOver;
  };
  far->OnMouseOver = [&](TObject*) { ++farOver; };
  far->AutoHighlight = true;
  const TAniEntry* e = view->Entry(near->Slot());
  Cursor(e->ScreenX + 50, e->ScreenY + 60);
  view->DrawFrame();
  EXPECT_EQ(nearOver, 1);
  EXPECT_EQ(farOver, 0);
  EXPECT_TRUE(far->Hover());
  EXPECT_FALSE(near->Hover());
  view->DrawFrame();
  EXPECT_EQ(nearOver, 2);  // again on every tick while the pointer rests
  near->AutoHighlight = true;
  view->DrawFrame();
  EXPECT_TRUE(near->Hover());
  EXPECT_FALSE(far->Hover());
}

TEST_F(FrameTick, HoverBoxEdges) {
  TAniFigure*& f = Place(5, 5);
  f->AutoHighlight = true;
  const TAniEntry* e = view->Entry(f->Slot());
  const int L = e->ScreenX, T = e->ScreenY;
  struct {
    int x, y;
    bool hit;
  } cases[] = {{L, T, true}, {L + 95, T + 95, true}, {L + 96, T, false}, {L, T + 96, false}, {L - 1, T, false}};
  for (auto c : cases) {
    Cursor(c.x, c.y);
    view->DrawFrame();
    EXPECT_EQ(f->Hover(), c.hit) << c.x << "," << c.y;
  }
}

TEST_F(FrameTick, HoverOutsideTheViewCounts) {
  TAniFigure*& f = Place(-1, 1);  // sticks out to the left of the view
  f->AutoHighlight = true;
  const TAniEntry* e = view->Entry(f->Slot());
  ASSERT_LT(e->ScreenX, 0);
  Cursor(e->ScreenX + 1, e->ScreenY + 1);
  view->DrawFrame();
  EXPECT_TRUE(f->Hover());
}

TEST_F(FrameTick, DisabledViewOrFigureKeepsTheHighlight) {
  TAniFigure*& f = Place(5, 5);
  f->AutoHighlight = true;
  int over = 0;
  f->OnMouseOver = [&](TObject*) { ++over; };
  const TAniEntry* e = view->Entry(f->Slot());
  Cursor(e->ScreenX + 10, e->ScreenY + 10);
  view->DrawFrame();
  ASSERT_TRUE(f->Hover());
  Cursor(-500, -500);
  view->SetEnabled(false);
  view->DrawFrame();
  EXPECT_TRUE(f->Hover());
  EXPECT_EQ(over, 1);
  view->SetEnabled(true);
  f->Enabled = false;
  view->DrawFrame();
  EXPECT_TRUE(f->Hover());
  f->Enabled = true;
  view->DrawFrame();
  EXPECT_FALSE(f->Hover());
}

TEST_F(FrameTick, ExceptionFromAHandlerReleasesTheGuard) {
  int after = 0;
  view->OnBeforeUpdate = [&](TObject*) { throw std::runtime_error("boom"); };
  view->OnAfterDisplay = [&](TObject*) { ++after; };
  EXPECT_THROW(view->DrawFrame(), std::runtime_error);
  EXPECT_FALSE(view->Busy());
  EXPECT_EQ(after, 0);
  view->OnBeforeUpdate = nullptr;
  view->DrawFrame();
  EXPECT_EQ(after, 1);
}

TEST_F(FrameTick, TimerDrivesTicks) {
  int ticks = 0;
  view->OnAfterDisplay = [&](TObject*) { ++ticks; };
  HeadlessBackend()->Advance(1000);
  EXPECT_EQ(ticks, 0);  // created stopped
  view->SetActive(true);
  HeadlessBackend()->Advance(350);
  EXPECT_EQ(ticks, 3);
  view->SetInterval(40);
  HeadlessBackend()->Advance(200);
  EXPECT_EQ(ticks, 8);
  view->SetActive(false);
  HeadlessBackend()->Advance(500);
  EXPECT_EQ(ticks, 8);
}

// The timer belongs to the view's owner; whichever goes first, it is freed once.
TEST_F(FrameTick, TimerFreedOnceWhateverTheOrder) {
  TAniView* v = new TAniView(form);
  TTimer* t = v->Timer();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Owner(), form);
  delete v;  // frees the timer and takes it out of the form's list
  for (int i = 0; i < form->ComponentCount(); ++i) EXPECT_NE(form->Components(i), t);
  TForm* other = new TForm(nullptr);
  TAniView* w = new TAniView(other);
  w->SetActive(true);
  delete other;  // the form frees the timer first, then the view
  HeadlessBackend()->Advance(500);
}

// Handlers remove or destroy the handled figure and its neighbours while the
// update and hover walks stand on them.
TEST_F(FrameTick, HandlersChangingTheListMidWalk) {
  TAniFigure*& a = Place(0, 0);
  TAniFigure*& b = Place(1, 0);
  TAniFigure*& c = Place(2, 0);
  TAniFigure*& d = Place(3, 0);
  for (TAniFigure* f : {a, b, c, d}) f->Passable = true;
  // d (nearest) arrives first and destroys itself and its farther neighbour c.
  d->OnArrival = [&](TObject*) {
    delete c;
    c = nullptr;
    delete d;
    d = nullptr;
  };
  // b removes itself, then a new figure takes the freed slot at once.
  TAniFigure*& late = NewFigure(5, 5);
  b->OnArrival = [&](TObject*) {
    view->RemoveFigure(b);
    view->AddFigure(late);
  };
  int aArrivals = 0;
  a->OnArrival = [&](TObject*) { ++aArrivals; };
  view->MoveFigure(a, 0, 0, 0);
  view->MoveFigure(b, 1, 0, 0);
  view->MoveFigure(c, 2, 0, 0);
  view->MoveFigure(d, 3, 0, 0);
  view->DrawFrame();
  EXPECT_EQ(aArrivals, 1);
  EXPECT_EQ(b->Slot(), 0);
  EXPECT_GT(late->Slot(), 0);
  ExpectListSound();
  EXPECT_EQ(Forward().size(), 2u);
  // Hover: the handled figure destroys itself and the figure behind it.
  late->AutoHighlight = true;
  TAniFigure*& back = Place(5, 5);
  view->DrawFrame();  // sort: back and late share depth; late was placed first
  const TAniEntry* e = view->Entry(back->Slot());
  Cursor(e->ScreenX + 5, e->ScreenY + 5);
  back->OnMouseOver = [&](TObject*) {
    delete late;
    late = nullptr;
    delete back;
    back = nullptr;
  };
  view->DrawFrame();
  EXPECT_EQ(back, nullptr);
  ExpectListSound();
  EXPECT_EQ(Forward().size(), 1u);
}
