// Pointer input: the view's mouse events with grid coordinates, and the
// click test that picks the nearest visible, enabled figure.
#include <string>

#include "view_fixture.h"

using namespace vel;
using vel::testing::ViewTest;

using PointerInput = ViewTest;

TEST_F(PointerInput, MouseEventsCarryGridCoordinates) {
  std::string log;
  float gx = -1, gy = -1;
  view->OnMouseDown = [&](TObject* s, TMouseButton b, TShiftState sh, int32_t x, int32_t y, float g1, float g2) {
    EXPECT_EQ(s, view);
    EXPECT_EQ(b, mbRight);
    EXPECT_TRUE(sh.Contains(ssShift));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    gx = g1;
    gy = g2;
    log += "D";
  };
  view->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t, float, float) { log += "U"; };
  view->OnMouseMove = [&](TObject*, TShiftState, int32_t x, int32_t y, float g1, float g2) {
    float wx, wy;
    view->ScreenToGrid(x, y, wx, wy);
    EXPECT_EQ(g1, wx);
    EXPECT_EQ(g2, wy);
    log += "M";
  };
  view->MouseDown(mbRight, ssShift, 0, 0);
  EXPECT_EQ(gx, 0.0f);
  EXPECT_EQ(gy, 1.0f);
  view->MouseMove(TShiftState(), 30, 40);
  view->MouseUp(mbRight, TShiftState(), 30, 40);
  EXPECT_EQ(log, "DMU");
}

TEST_F(PointerInput, NearestFigureIsClickedAndShieldsTheOthers) {
  TAniFigure*& far = Place(0, 0);
  TAniFigure*& near = Place(0.25f, 0.25f);
  std::string log;
  far->OnClick = [&](TObject* s) {
    EXPECT_EQ(s, far);
    log += "far ";
  };
  near->OnClick = [&](TObject*) { log += "near "; };
  view->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t, float, float) { log += "view "; };
  const TAniEntry* e = view->Entry(near->Slot());
  const int x = e->ScreenX + 40, y = e->ScreenY + 50;
  view->MouseDown(mbLeft, TShiftState(), x, y);
  EXPECT_EQ(log, "view near ");
  log.clear();
  view->MouseDown(mbRight, TShiftState(), x, y);  // every button clicks
  EXPECT_EQ(log, "view near ");
  near->OnClick = nullptr;  // hit without a handler: nothing, and far is shielded
  log.clear();
  view->MouseDown(mbLeft, TShiftState(), x, y);
  EXPECT_EQ(log, "view ");
  near->Visible = false;  // hidden or disabled lets the click through
  log.clear();
  view->MouseDown(mbLeft, TShiftState(), x, y);
  EXPECT_EQ(log, "view far ");
  near->Visible = true;
  near->Enabled = false;
  log.clear();
  view->MouseDown(mbLeft, TShiftState(), x, y);
  EXPECT_EQ(log, "view far ");
}

TEST_F(PointerInput, ClickBoxEdgesFollowTheScroll) {
  TAniFigure*& f = Place(4, 4);
  int clicks = 0;
  f->OnClick = [&](TObject*) { ++clicks; };
  view->SetKeyFigure(f);
  view->DrawFrame();
  const TAniEntry* e = view->Entry(f->Slot());
  const int L = e->ScreenX + view->ScrollX(), T = e->ScreenY + view->ScrollY();
  view->MouseDown(mbLeft, TShiftState(), L, T);
  EXPECT_EQ(clicks, 1);
  view->MouseDown(mbLeft, TShiftState(), L + 96, T);
  view->MouseDown(mbLeft, TShiftState(), L, T + 96);
  view->MouseDown(mbLeft, TShiftState(), L - 1, T);
  EXPECT_EQ(clicks, 1);
  view->MouseDown(mbLeft, TShiftState(), L + 95, T + 95);
  EXPECT_EQ(clicks, 2);
}

// Input through the form: the host routes presses to the view.
TEST_F(PointerInput, HostDeliversPressesToTheView) {
  TAniFigure*& f = Place(6, 4);  // entry at (24, 12)
  int clicks = 0;
  f->OnClick = [&](TObject*) { ++clicks; };
  const TAniEntry* e = view->Entry(f->Slot());
  HeadlessBackend()->MouseDown(form, mbLeft, TShiftState(), e->ScreenX + 10, e->ScreenY + 10);
  HeadlessBackend()->MouseUp(form, mbLeft, TShiftState(), e->ScreenX + 10, e->ScreenY + 10);
  EXPECT_EQ(clicks, 1);
}

TEST_F(PointerInput, HandlersMayRemoveOrDestroyFigures) {
  TAniFigure*& a = Place(0, 0);
  TAniFigure*& b = Place(0.25f, 0.25f);
  b->OnClick = [&](TObject*) {
    delete a;
    a = nullptr;
    delete b;
    b = nullptr;
  };
  view->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t, float, float) {};
  const TAniEntry* e = view->Entry(b->Slot());
  view->MouseDown(mbLeft, TShiftState(), e->ScreenX + 40, e->ScreenY + 50);
  EXPECT_EQ(view->First(), 0);
  ExpectListSound();
}
