// Rendering, pixel-exact: a figure loaded from a PNG at its projected place,
// with its shadow checker, outline and see-through variant; hidden figures,
// missing frames, and Paint following the control's size.
#include <filesystem>
#include <string>

#include "velscene/imaging.h"
#include "view_fixture.h"

using namespace vel;
using vel::testing::ViewTest;

namespace {

constexpr uint32_t kKey = 0x00FF00;  // bottom-left: transparent
constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;
// 8 x 6 sprite: '.' key, 'r' red, 'b' blue. Bottom-left must be the key.
const char* kSprite[6] = {"..rr....", ".rrrr...", "rrbbrr..", ".rrrr...", "..rr..b.", "........"};

uint32_t SpritePixel(int i, int j) {
  const char c = kSprite[j][i];
  return c == 'r' ? kRed : c == 'b' ? kBlue : kKey;
}

class Render : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    view->SetColor(clWhite);
    form->PaintAll();  // the first paint sizes the back buffer
    // The sprite goes through a PNG file and back.
    TBitmap src;
    src.SetSize(8, 6);
    PixelView v = LockPixels(src.Handle());
    for (int j = 0; j < 6; ++j)
      for (int i = 0; i < 8; ++i) v.pixels[j * 8 + i] = SpritePixel(i, j);
    path = (std::filesystem::temp_directory_path() / ("velscene_sprite_" + std::to_string(::getpid()) + ".png")).string();
    src.SaveToFile(path);
    sprite.LoadFromFile(path);
    std::filesystem::remove(path);
    fig = &Place(3, 0, 0);  // projects to (96, 24): entry at (92, 18)
    TAniFigure* f = *fig;
    f->Width = 8;
    f->Height = 6;
    f->CenterX = 4;
    f->CenterY = 6;
    f->SetHighlightColor(clYellow);
    f->SetFrame(1, &sprite);
    view->SetFigurePos(*fig, 3, 0, 0);
  }

  uint32_t Buf(int x, int y) {
    PixelView v = LockPixels(view->Buffer()->Handle());
    return v.pixels[y * v.width + x];
  }
  uint32_t Screen(int x, int y) {
    PixelView v = LockPixels(form->Surface()->Handle());
    return v.pixels[y * v.width + x];
  }
  bool Opaque(int i, int j) { return i >= 0 && i < 8 && j >= 0 && j < 6 && SpritePixel(i, j) != kKey; }

  std::string path;
  TBitmap sprite;
  TAniFigure** fig = nullptr;
};

}  // namespace

TEST_F(Render, FigureAtItsProjectedPlaceAndPresented) {
  ASSERT_EQ(view->Entry((*fig)->Slot())->ScreenX, 92);
  ASSERT_EQ(view->Entry((*fig)->Slot())->ScreenY, 18);
  view->DrawFrame();
  for (int j = -2; j < 8; ++j)
    for (int i = -2; i < 10; ++i) {
      const uint32_t want = Opaque(i, j) ? SpritePixel(i, j) : 0xFFFFFF;
      ASSERT_EQ(Buf(92 + i, 18 + j), want) << i << "," << j;
      ASSERT_EQ(Screen(92 + i, 18 + j), want) << i << "," << j;
    }
}

TEST_F(Render, OutlineHugsTheShapeInTheHighlightColour) {
  (*fig)->Highlighted = true;
  view->DrawFrame();
  const uint32_t yellow = PixelFromColorRef(ColorToRGB(clYellow));
  for (int j = -2; j < 8; ++j)
    for (int i = -2; i < 10; ++i) {
      const bool outline = !Opaque(i, j) && (Opaque(i - 1, j) || Opaque(i + 1, j) || Opaque(i, j - 1) || Opaque(i, j + 1));
      const uint32_t want = Opaque(i, j) ? SpritePixel(i, j) : outline ? yellow : 0xFFFFFF;
      ASSERT_EQ(Buf(92 + i, 18 + j), want) << i << "," << j;
    }
  // A new colour rebuilds the outline of the loaded frame.
  (*fig)->SetHighlightColor(clRed);
  view->DrawFrame();
  EXPECT_EQ(Buf(92 + 1, 18 + 0), PixelFromColorRef(ColorToRGB(clRed)));
}

TEST_F(Render, ShadowIsACheckerUnderTheAnchor) {
  TAniFigure* f = *fig;
  f->Shadow = true;
  f->SetCurrentFrame(2);  // not loaded: only the shadow is drawn
  view->DrawFrame();
  const int cx = 92 + 4, cy = 18 + 6;  // radii 24 and 11
  for (int x = cx - 24; x < cx + 24; ++x) EXPECT_EQ(Buf(x, cy), ((x + cy) % 2 == 0) ? 0u : 0xFFFFFFu) << x;
  for (int y = cy - 11; y < cy + 11; ++y) EXPECT_EQ(Buf(cx, y), ((cx + y) % 2 == 0) ? 0u : 0xFFFFFFu) << y;
  for (int x = cx - 30; x < cx + 30; ++x) {
    EXPECT_EQ(Buf(x, cy - 12), 0xFFFFFFu);
    EXPECT_EQ(Buf(x, cy + 11), 0xFFFFFFu);
  }
  EXPECT_EQ(Buf(cx - 25, cy), 0xFFFFFFu);
  EXPECT_EQ(Buf(cx + 24, cy + (cx + 24 + cy) % 2), 0xFFFFFFu);
  // Z = 1.5 lifts the figure by 18 pixels; the shadow stays on the ground.
  view->SetFigurePos(*fig, 3, 0, 1.5f);
  view->DrawFrame();
  EXPECT_EQ(Buf(cx - 20, cy + ((cx - 20 + cy) % 2)), 0u);
  // Below the ground no shadow at all.
  view->SetFigurePos(*fig, 3, 0, -0.5f);
  view->DrawFrame();
  for (int x = cx - 24; x < cx + 24; ++x) EXPECT_EQ(Buf(x, cy + 6), 0xFFFFFFu);
}

TEST_F(Render, TransparentFigureIsOredIntoTheScene) {
  (*fig)->Transparent = true;
  view->DrawFrame();
  for (int j = 0; j < 6; ++j)
    for (int i = 0; i < 8; ++i) ASSERT_EQ(Buf(92 + i, 18 + j), 0xFFFFFFu);  // invisible over white
  view->SetColor(clBlack);
  view->DrawFrame();
  for (int j = 0; j < 6; ++j)
    for (int i = 0; i < 8; ++i) ASSERT_EQ(Buf(92 + i, 18 + j), Opaque(i, j) ? SpritePixel(i, j) : 0u);
}

TEST_F(Render, HiddenFigureDrawsNothing) {
  TAniFigure* f = *fig;
  f->Visible = false;
  f->Shadow = true;
  f->Highlighted = true;
  view->DrawFrame();
  for (int y = 0; y < 60; ++y)
    for (int x = 60; x < 130; ++x) ASSERT_EQ(Buf(x, y), 0xFFFFFFu);
}

TEST_F(Render, BlitsCoverTheFigureSizeNotTheBitmap) {
  (*fig)->Width = 4;  // only the left half of the frame is drawn
  view->DrawFrame();
  EXPECT_EQ(Buf(92 + 2, 18 + 0), kRed);
  EXPECT_EQ(Buf(92 + 6, 18 + 4), 0xFFFFFFu);  // the blue pixel at column 6 is cut off
}

TEST_F(Render, FramesLeftSelectedNowhere) {
  view->DrawFrame();
  const uint32_t before = LiveObjectCount();
  delete *fig;  // every frame bitmap can be deleted: none stayed selected
  *fig = nullptr;
  EXPECT_EQ(LiveObjectCount(), before - 4);
}

TEST_F(Render, PaintFollowsTheControlSize) {
  view->DrawFrame();
  view->SetBounds(0, 0, 420, 300);
  form->PaintAll();  // resizes and clears the buffer only
  EXPECT_EQ(view->Buffer()->Width(), 420);
  EXPECT_NE(Screen(410, 10), 0xFFFFFFu);  // the new strip is not the view's colour yet
  EXPECT_EQ(Buf(92 + 2, 18), 0xFFFFFFu);  // cleared
  form->PaintAll();  // a second paint shows the cleared buffer
  EXPECT_EQ(Screen(410, 10), 0xFFFFFFu);
  EXPECT_EQ(Screen(92 + 2, 18), 0xFFFFFFu);
  view->DrawFrame();
  EXPECT_EQ(Screen(92 + 2, 18), kRed);
}
