// TAniFigure: defaults, scripts and playback bookkeeping, the frame set with
// its ownership and release, outline colour rebuilds and position setters.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <variant>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/graphics/graphics.h"
#include "velscene/platform/typinfo/typinfo.h"
#include "velscene/figure.h"
#include "velscene/view.h"

using namespace vel;

namespace {

// A w x h colour bitmap: bottom-left pixel (the transparent key) is `key`,
// the pixel at (fx, fy) is `fill`, everything else `key`.
void Paint(TBitmap& b, int32_t w, int32_t h, uint32_t key, int32_t fx, int32_t fy, uint32_t fill) {
  b.SetSize(w, h);
  PixelView v = LockPixels(b.Handle());
  for (int32_t i = 0; i < w * h; ++i) v.pixels[i] = key;
  v.pixels[fy * w + fx] = fill;
  TouchBitmap(b.Handle());
}

std::vector<uint32_t> Pixels(HBITMAP h) {
  PixelView v = LockPixels(h);
  if (!v.valid) return {};
  return std::vector<uint32_t>(v.pixels, v.pixels + size_t(v.width) * size_t(v.height));
}

// Pixels of an outline image that are not black.
int CountColoured(HBITMAP h, uint32_t* colour) {
  int n = 0;
  for (uint32_t p : Pixels(h))
    if (p != kPixelBlack) {
      ++n;
      *colour = p;
    }
  return n;
}

}  // namespace

// ---------------------------------------------------------------------------
// Defaults
// ---------------------------------------------------------------------------
TEST(FigureDefaults, NewFigure) {
  TAniFigure f(nullptr);
  EXPECT_STREQ(f.ClassName(), "TAniFigure");
  EXPECT_EQ(f.Frame(), 1u);
  EXPECT_EQ(f.Width, 96u);
  EXPECT_EQ(f.Height, 96u);
  EXPECT_EQ(f.CenterX, 48);
  EXPECT_EQ(f.CenterY, 96);
  EXPECT_FLOAT_EQ(f.Speed, 0.5f);
  EXPECT_FLOAT_EQ(f.Radius, 0.5f);
  EXPECT_FLOAT_EQ(f.ShadowRadius, 0.5f);
  EXPECT_TRUE(f.Visible);
  EXPECT_TRUE(f.Enabled);
  EXPECT_FALSE(f.Shadow);
  EXPECT_FALSE(f.Highlighted);
  EXPECT_FALSE(f.AutoHighlight);
  EXPECT_FALSE(f.Passable);
  EXPECT_FALSE(f.Transparent);
  EXPECT_FALSE(f.Hover());
  EXPECT_EQ(f.HighlightColor(), 0);
  EXPECT_EQ(f.X(), 0.0f);
  EXPECT_EQ(f.Y(), 0.0f);
  EXPECT_EQ(f.Z(), 0.0f);
  EXPECT_EQ(f.Slot(), 0);
  EXPECT_EQ(f.View(), nullptr);
  EXPECT_EQ(f.About, nullptr);
  EXPECT_EQ(f.PlayingScript(), 0);
  EXPECT_EQ(f.ScriptPos(), 0u);
  EXPECT_FALSE(f.Looping());
  EXPECT_FALSE(f.OnClick.Assigned());
  EXPECT_FALSE(f.OnMouseOver.Assigned());
  EXPECT_FALSE(f.OnCollide.Assigned());
  EXPECT_FALSE(f.OnArrival.Assigned());
  for (int n = 1; n <= 255; ++n) {
    ASSERT_FALSE(f.FrameLoaded(n)) << n;
    ASSERT_FALSE(f.Mask(n) || f.Highlight(n) || f.HighlightMask(n)) << n;
  }
  for (int s = 1; s <= 64; ++s) ASSERT_EQ(f.Script(s)->Count, 0u) << s;
}

TEST(FigureDefaults, CentreIsNotRecomputedFromSize) {
  TAniFigure f(nullptr);
  f.Width = 64;
  f.Height = 32;
  EXPECT_EQ(f.CenterX, 48);
  EXPECT_EQ(f.CenterY, 96);
}

TEST(FigureDefaults, OwnerDestroysFigureAndItsFrames) {
  const uint32_t base = LiveObjectCount();
  TBitmap bmp;
  Paint(bmp, 4, 4, 0x00FF00, 1, 1, 0x112233);
  const uint32_t withBitmap = LiveObjectCount();
  {
    TComponent owner(nullptr);
    auto* f = new TAniFigure(&owner);
    f->SetFrame(1, &bmp);
    f->SetFrame(2, &bmp);
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(LiveObjectCount(), withBitmap + 8);
  }
  EXPECT_EQ(LiveObjectCount(), withBitmap);
  bmp.SetSize(0, 0);
  EXPECT_EQ(LiveObjectCount(), base);
}

// ---------------------------------------------------------------------------
// Scripts
// ---------------------------------------------------------------------------
TEST(FigureScripts, InvalidFrameNumbersAreSkipped) {
  TAniFigure f(nullptr);
  f.SetScript(3, {5, 0, 300, 7, -1, 9});
  const TAniScript* s = f.Script(3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Count, 3u);
  EXPECT_EQ(s->Frames[0], 5);
  EXPECT_EQ(s->Frames[1], 7);
  EXPECT_EQ(s->Frames[2], 9);
  // Only script 3 changed.
  for (int n = 1; n <= 64; ++n)
    if (n != 3) {
      EXPECT_EQ(f.Script(n)->Count, 0u) << n;
    }
  // Bounds of the frame range: 1 and 255 kept, 256 and INT_MIN skipped.
  f.SetScript(4, {INT_MIN, 1, 256, 255, INT_MAX});
  EXPECT_EQ(f.Script(4)->Count, 2u);
  EXPECT_EQ(f.Script(4)->Frames[0], 1);
  EXPECT_EQ(f.Script(4)->Frames[1], 255);
}

TEST(FigureScripts, SixtyFourFillAndMoreKeepTheFirstSixtyFour) {
  TAniFigure f(nullptr);
  std::vector<int32_t> list;
  for (int i = 1; i <= 64; ++i) list.push_back(i + 100);
  f.SetScript(1, list);
  EXPECT_EQ(f.Script(1)->Count, 64u);
  EXPECT_EQ(f.Script(1)->Frames[63], 164);

  std::vector<int32_t> seventy;
  for (int i = 1; i <= 70; ++i) seventy.push_back(i);
  f.SetScript(64, seventy);
  EXPECT_EQ(f.Script(64)->Count, 64u);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(f.Script(64)->Frames[i], i + 1);

  // Invalid entries take no position: 64 valid numbers among 80 still fit.
  std::vector<int32_t> mixed;
  for (int i = 1; i <= 80; ++i) mixed.push_back(i % 5 == 0 ? 0 : i);
  f.SetScript(2, mixed);
  EXPECT_EQ(f.Script(2)->Count, 64u);
  EXPECT_EQ(f.Script(2)->Frames[3], 4);
  EXPECT_EQ(f.Script(2)->Frames[4], 6);
  EXPECT_EQ(f.Script(2)->Frames[63], 79);
}

TEST(FigureScripts, ShorterListKeepsStalePositionsAndEmptyListClears) {
  TAniFigure f(nullptr);
  f.SetScript(5, {10, 11, 12, 13});
  f.SetScript(5, {20});
  EXPECT_EQ(f.Script(5)->Count, 1u);
  EXPECT_EQ(f.Script(5)->Frames[0], 20);
  EXPECT_EQ(f.Script(5)->Frames[1], 11);  // stale, never read by playback
  f.SetScript(5, std::span<const int32_t>());
  EXPECT_EQ(f.Script(5)->Count, 0u);
}

TEST(FigureScripts, OutOfRangeScriptNumbersTouchNothing) {
  TAniFigure f(nullptr);
  f.SetScript(1, {1, 2});
  f.SetScript(64, {3});
  for (int32_t s : {0, -1, 65, 66, 1000, INT_MIN, INT_MAX}) f.SetScript(s, {7, 8, 9});
  EXPECT_EQ(f.Script(1)->Count, 2u);
  EXPECT_EQ(f.Script(64)->Count, 1u);
  for (int n = 2; n <= 63; ++n) ASSERT_EQ(f.Script(n)->Count, 0u) << n;
  EXPECT_EQ(f.Script(0), nullptr);
  EXPECT_EQ(f.Script(65), nullptr);
  EXPECT_EQ(f.Script(INT_MIN), nullptr);
  // The neighbouring fields are intact.
  EXPECT_EQ(f.PlayingScript(), 0);
  EXPECT_EQ(f.Frame(), 1u);
}

TEST(FigurePlayback, PlayScriptSetsStateAndSetScriptLeavesIt) {
  TAniFigure f(nullptr);
  f.SetScript(3, {5, 7, 9});
  f.PlayScript(3, true);
  EXPECT_EQ(f.PlayingScript(), 3);
  EXPECT_EQ(f.ScriptPos(), 0u);
  EXPECT_TRUE(f.Looping());
  f.SetScript(3, {1});
  f.SetScript(4, {2});
  EXPECT_EQ(f.PlayingScript(), 3);
  EXPECT_TRUE(f.Looping());
  // Restarting goes back to position 0 with the new loop flag.
  f.PlayScript(3, false);
  EXPECT_EQ(f.PlayingScript(), 3);
  EXPECT_FALSE(f.Looping());
}

TEST(FigurePlayback, NumbersOutsideTheTableStopPlayback) {
  TAniFigure f(nullptr);
  f.PlayScript(64, false);
  EXPECT_EQ(f.PlayingScript(), 64);
  f.PlayScript(65, true);
  EXPECT_EQ(f.PlayingScript(), 0);
  EXPECT_EQ(f.ScriptPos(), 0u);
  EXPECT_TRUE(f.Looping());
  f.PlayScript(2, false);
  f.PlayScript(INT_MAX, false);
  EXPECT_EQ(f.PlayingScript(), 0);
  f.PlayScript(2, false);
  f.PlayScript(-4, false);
  EXPECT_LT(f.PlayingScript(), 1);
  f.PlayScript(2, false);
  f.PlayScript(0, false);
  EXPECT_EQ(f.PlayingScript(), 0);
}

TEST(FigurePlayback, SetCurrentFrame) {
  TAniFigure f(nullptr);
  f.SetScript(1, {4, 5});
  f.PlayScript(1, true);
  f.SetCurrentFrame(0);
  f.SetCurrentFrame(256);
  f.SetCurrentFrame(UINT32_MAX);
  EXPECT_EQ(f.Frame(), 1u);
  EXPECT_EQ(f.PlayingScript(), 1);  // still playing
  f.SetCurrentFrame(12);
  EXPECT_EQ(f.Frame(), 12u);
  EXPECT_EQ(f.PlayingScript(), 0);
  EXPECT_TRUE(f.Looping());  // the loop flag is left alone
  f.SetCurrentFrame(255);
  EXPECT_EQ(f.Frame(), 255u);
  f.SetCurrentFrame(1);
  EXPECT_EQ(f.Frame(), 1u);
}

// ---------------------------------------------------------------------------
// Frames
// ---------------------------------------------------------------------------
TEST(FigureFrames, LoadBuildsFourSurfacesOfTheRightShape) {
  TBitmap bmp;
  Paint(bmp, 5, 3, 0x00FF00, 2, 1, 0x123456);
  TAniFigure f(nullptr);
  f.SetFrame(4, &bmp);
  ASSERT_TRUE(f.FrameLoaded(4));
  PixelView im = LockPixels(f.Image(4)), m = LockPixels(f.Mask(4));
  PixelView hi = LockPixels(f.Highlight(4)), hm = LockPixels(f.HighlightMask(4));
  ASSERT_TRUE(im.valid && m.valid && hi.valid && hm.valid);
  EXPECT_EQ(im.width, 5);
  EXPECT_EQ(im.height, 3);
  EXPECT_FALSE(im.monochrome);
  EXPECT_TRUE(m.monochrome);
  EXPECT_EQ(m.width, 5);
  EXPECT_EQ(hi.width, 7);
  EXPECT_EQ(hi.height, 5);
  EXPECT_FALSE(hi.monochrome);
  EXPECT_TRUE(hm.monochrome);
  // Image black where transparent, the colour where opaque; mask the reverse.
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const bool opaque = x == 2 && y == 1;
      EXPECT_EQ(im.pixels[y * 5 + x], opaque ? 0x123456u : kPixelBlack) << x << "," << y;
      EXPECT_EQ(m.pixels[y * 5 + x], opaque ? kPixelBlack : kPixelWhite) << x << "," << y;
    }
  // The single opaque pixel has a four-pixel outline in black (the default colour),
  // so the outline image stays all black while its mask has four black pixels.
  int marked = 0;
  for (uint32_t p : Pixels(f.HighlightMask(4))) marked += p == kPixelBlack;
  EXPECT_EQ(marked, 4);
  // Other frames stay empty.
  EXPECT_FALSE(f.FrameLoaded(3));
  EXPECT_FALSE(f.FrameLoaded(5));
}

TEST(FigureFrames, ReloadReleasesTheOldSet) {
  TBitmap a, b;
  Paint(a, 4, 4, 0x00FF00, 0, 0, 0xFF0000);
  Paint(b, 6, 2, 0x0000FF, 5, 0, 0x00FF00);
  TAniFigure f(nullptr);
  const uint32_t base = LiveObjectCount();
  f.SetFrame(7, &a);
  EXPECT_EQ(LiveObjectCount(), base + 4);
  const HBITMAP old[4] = {f.Image(7), f.Mask(7), f.Highlight(7), f.HighlightMask(7)};
  f.SetFrame(7, &b);
  EXPECT_EQ(LiveObjectCount(), base + 4);
  for (HBITMAP h : old) EXPECT_FALSE(IsBitmap(h));
  EXPECT_EQ(LockPixels(f.Image(7)).width, 6);
  EXPECT_EQ(LockPixels(f.Image(7)).pixels[5], 0x00FF00u);
}

TEST(FigureFrames, OutOfRangeNumbersAndNullBitmapChangeNothing) {
  TBitmap bmp;
  Paint(bmp, 3, 3, 0x00FF00, 1, 1, 0xFF0000);
  TAniFigure f(nullptr);
  f.SetFrame(9, &bmp);
  const HBITMAP loaded = f.Image(9);
  const uint32_t base = LiveObjectCount();
  for (int32_t n : {0, 256, -1, INT_MIN, INT_MAX}) f.SetFrame(n, &bmp);
  f.SetFrame(9, nullptr);
  f.SetFrame(10, nullptr);
  EXPECT_EQ(LiveObjectCount(), base);
  EXPECT_EQ(f.Image(9), loaded);
  EXPECT_FALSE(f.FrameLoaded(10));
  for (int32_t n : {0, 256, -1, INT_MIN, INT_MAX}) {
    EXPECT_FALSE(f.Image(n));
    EXPECT_FALSE(f.Mask(n));
    EXPECT_FALSE(f.Highlight(n));
    EXPECT_FALSE(f.HighlightMask(n));
  }
  f.SetFrame(255, &bmp);
  EXPECT_TRUE(f.FrameLoaded(255));
  f.SetFrame(1, &bmp);
  EXPECT_TRUE(f.FrameLoaded(1));
  EXPECT_EQ(LiveObjectCount(), base + 8);
}

TEST(FigureFrames, EmptyBitmapLeavesTheFrameUnloaded) {
  TBitmap bmp, empty;
  Paint(bmp, 3, 3, 0x00FF00, 1, 1, 0xFF0000);
  TAniFigure f(nullptr);
  const uint32_t base = LiveObjectCount();
  f.SetFrame(6, &empty);
  EXPECT_FALSE(f.FrameLoaded(6));
  EXPECT_EQ(LiveObjectCount(), base);
  f.SetFrame(6, &bmp);
  ASSERT_TRUE(f.FrameLoaded(6));
  f.SetFrame(6, &empty);  // replaces the loaded frame with nothing
  EXPECT_FALSE(f.Image(6) || f.Mask(6) || f.Highlight(6) || f.HighlightMask(6));
  EXPECT_EQ(LiveObjectCount(), base);
  f.SetHighlightColor(clRed);  // an unloaded frame gets no outline either
  EXPECT_FALSE(f.Highlight(6));
  EXPECT_EQ(LiveObjectCount(), base);
}

TEST(FigureFrames, CallerBitmapIsNeitherChangedNorKept) {
  auto* bmp = new TBitmap;
  Paint(*bmp, 4, 3, 0x00FF00, 3, 0, 0xABCDEF);
  bmp->SetTransparent(false);
  const HBITMAP handle = bmp->Handle();
  const std::vector<uint32_t> before = Pixels(handle);
  TAniFigure f(nullptr);
  f.SetFrame(2, bmp);
  EXPECT_EQ(bmp->Handle(), handle);
  EXPECT_EQ(Pixels(handle), before);
  EXPECT_EQ(bmp->Width(), 4);
  EXPECT_FALSE(bmp->Transparent());
  EXPECT_TRUE(IsBitmap(handle));
  for (HBITMAP h : {f.Image(2), f.Mask(2), f.Highlight(2), f.HighlightMask(2)}) EXPECT_NE(h, handle);
  // The caller draws on and then frees its bitmap: the frame is unaffected.
  LockPixels(handle).pixels[0] = 0x777777;
  TouchBitmap(handle);
  const std::vector<uint32_t> image = Pixels(f.Image(2));
  delete bmp;
  EXPECT_FALSE(IsBitmap(handle));
  EXPECT_EQ(Pixels(f.Image(2)), image);
  EXPECT_EQ(image[3], 0xABCDEFu);
  EXPECT_EQ(image[0], kPixelBlack);
}

TEST(FigureFrames, DestroyReleasesEverySurface) {
  TBitmap bmp;
  Paint(bmp, 3, 3, 0x00FF00, 1, 1, 0xFF0000);
  const uint32_t base = LiveObjectCount();
  {
    TAniFigure empty(nullptr);  // no frames: nothing to release
  }
  EXPECT_EQ(LiveObjectCount(), base);
  auto* f = new TAniFigure(nullptr);
  for (int n : {1, 2, 128, 255}) f->SetFrame(n, &bmp);
  f->SetHighlightColor(clBlue);
  EXPECT_EQ(LiveObjectCount(), base + 16);
  delete f;
  EXPECT_EQ(LiveObjectCount(), base);
}

// ---------------------------------------------------------------------------
// Outline colour
// ---------------------------------------------------------------------------
TEST(FigureHighlight, ColourRebuildsLoadedFramesOnly) {
  TBitmap bmp;
  Paint(bmp, 3, 3, 0x00FF00, 1, 1, 0xFF0000);
  TAniFigure f(nullptr);
  f.SetFrame(1, &bmp);
  f.SetFrame(2, &bmp);
  uint32_t colour = 0;
  EXPECT_EQ(CountColoured(f.Highlight(1), &colour), 0);  // black outline by default
  const HBITMAP oldHighlight = f.Highlight(1), oldImage = f.Image(1), oldMask = f.Mask(1);
  const uint32_t base = LiveObjectCount();

  f.SetHighlightColor(clRed);  // 0x0000FF as a host colour: pure red
  EXPECT_EQ(f.HighlightColor(), clRed);
  EXPECT_EQ(LiveObjectCount(), base);
  EXPECT_FALSE(IsBitmap(oldHighlight));
  EXPECT_EQ(f.Image(1), oldImage);  // image and mask are kept
  EXPECT_EQ(f.Mask(1), oldMask);
  for (int n : {1, 2}) {
    EXPECT_EQ(CountColoured(f.Highlight(n), &colour), 4) << n;
    EXPECT_EQ(colour, 0xFF0000u) << n;  // pixel words are 0x00RRGGBB
  }
  for (int n = 3; n <= 255; ++n) ASSERT_FALSE(f.Highlight(n) || f.HighlightMask(n)) << n;

  // A frame loaded later takes the colour in force.
  f.SetFrame(3, &bmp);
  EXPECT_EQ(CountColoured(f.Highlight(3), &colour), 4);
  EXPECT_EQ(colour, 0xFF0000u);
}

TEST(FigureHighlight, SystemColoursAreConverted) {
  TBitmap bmp;
  Paint(bmp, 3, 3, 0x00FF00, 1, 1, 0xFF0000);
  TAniFigure f(nullptr);
  f.SetHighlightColor(clBtnFace);
  f.SetFrame(1, &bmp);
  uint32_t colour = 0;
  ASSERT_EQ(CountColoured(f.Highlight(1), &colour), 4);
  EXPECT_EQ(colour, PixelFromColorRef(ColorToRGB(clBtnFace)));
}

// ---------------------------------------------------------------------------
// Position
// ---------------------------------------------------------------------------
TEST(FigurePosition, SettersStoreWhileUnplaced) {
  TAniFigure f(nullptr);
  f.SetX(3.5f);
  f.SetY(-2.25f);
  f.SetZ(1.0f);
  EXPECT_EQ(f.X(), 3.5f);
  EXPECT_EQ(f.Y(), -2.25f);
  EXPECT_EQ(f.Z(), 1.0f);
}

namespace {

// A headless form holding a view, for figures that need placing.
class PlacedFigure : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SelectBackend("headless");
    form = new TForm(nullptr);
    form->SetClientSize(200, 150);
    view = new TAniView(form);
    view->SetParent(form);
    view->SetBounds(0, 0, 200, 150);
  }
  void TearDown() override { delete form; }
  TForm* form = nullptr;
  TAniView* view = nullptr;
};

}  // namespace

TEST_F(PlacedFigure, PositionSettersAreRefusedWhilePlaced) {
  TAniFigure* fig = new TAniFigure(form);
  fig->SetX(2.0f);
  fig->SetY(3.0f);
  fig->SetZ(0.5f);
  view->AddFigure(fig);
  ASSERT_GT(fig->Slot(), 0);
  EXPECT_EQ(fig->View(), view);
  fig->SetX(7.0f);
  fig->SetY(8.0f);
  fig->SetZ(9.0f);
  EXPECT_EQ(fig->X(), 2.0f);
  EXPECT_EQ(fig->Y(), 3.0f);
  EXPECT_EQ(fig->Z(), 0.5f);
  // Through the metadata too: the setter is the same.
  RegisterAniFigureClass();
  const TClassInfo* info = FindClassInfo("TAniFigure");
  SetPropValue(fig, FindPropInfo(info, "X"), 5.0);
  EXPECT_EQ(fig->X(), 2.0f);
  view->RemoveFigure(fig);
  EXPECT_EQ(fig->Slot(), 0);
  EXPECT_EQ(fig->X(), 2.0f);  // keeps its last position
  fig->SetX(7.0f);
  EXPECT_EQ(fig->X(), 7.0f);
}

TEST_F(PlacedFigure, DestroyingAPlacedFigureUnlinksItFirst) {
  TBitmap bmp;
  Paint(bmp, 3, 3, 0x00FF00, 1, 1, 0xFF0000);
  const uint32_t base = LiveObjectCount();
  TAniFigure* a = new TAniFigure(form);
  TAniFigure* b = new TAniFigure(form);
  a->SetFrame(1, &bmp);
  view->AddFigure(a);
  view->AddFigure(b);
  const int32_t slotA = a->Slot();
  ASSERT_GT(slotA, 0);
  ASSERT_EQ(view->FigureAt(slotA), a);
  delete a;
  EXPECT_EQ(view->FigureAt(slotA), nullptr);
  EXPECT_EQ(view->First(), b->Slot());
  EXPECT_EQ(view->Last(), b->Slot());
  EXPECT_EQ(LiveObjectCount(), base);
  view->DrawFrame();  // the view never reaches the destroyed figure
  // The owner's teardown of the view and the remaining figure, in either
  // order, leaves nothing dangling (checked under ASan).
}

// ---------------------------------------------------------------------------
// Published properties
// ---------------------------------------------------------------------------
namespace {

const TClassInfo* FigureInfo() {
  RegisterAniFigureClass();
  return FindClassInfo("TAniFigure");
}

}  // namespace

TEST(FigureProperties, NamesInDeclarationOrderAfterTheBase) {
  const TClassInfo* info = FigureInfo();
  ASSERT_NE(info, nullptr);
  std::vector<std::string> names;
  for (const TPropInfo* p : GetPropList(info)) names.push_back(p->Name);
  const std::vector<std::string> expected = {
      "Name",        "Tag",          "Frame",    "X",          "Y",              "Z",
      "Width",       "Height",       "CenterX",  "CenterY",    "Speed",          "Shadow",
      "ShadowRadius", "Enabled",     "Visible",  "About",      "HighlightColor", "Highlighted",
      "AutoHighlight", "Passable",   "Radius",   "Transparent", "OnClick",       "OnMouseOver",
      "OnCollide",   "OnArrival"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(FindPropInfo(info, "OnCollide")->TypeName, "TCollideEvent");
  EXPECT_EQ(FindPropInfo(info, "OnCollide")->Kind, tkMethod);
  EXPECT_EQ(FindPropInfo(info, "About")->Kind, tkClass);
  EXPECT_EQ(FindPropInfo(info, "HighlightColor")->Kind, tkColor);
  EXPECT_EQ(FindPropInfo(info, "X")->Kind, tkSingle);
  // No stream defaults: every data property of a new figure is written.
  TAniFigure f(nullptr);
  for (const char* n : {"Frame", "X", "Width", "Speed", "Shadow", "HighlightColor", "Transparent"})
    EXPECT_TRUE(IsStoredProp(&f, FindPropInfo(info, n))) << n;
  EXPECT_FALSE(IsStoredProp(&f, FindPropInfo(info, "About")));
}

TEST(FigureProperties, FactoryMakesAnOwnedFigure) {
  const TClassInfo* info = FigureInfo();
  TComponent owner(nullptr);
  TComponent* c = info->Create(&owner);
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c->ClassName(), "TAniFigure");
  EXPECT_EQ(c->Owner(), &owner);
  EXPECT_EQ(std::get<int64_t>(GetPropValue(c, FindPropInfo(info, "Width"))), 96);
}

TEST(FigureProperties, SettersRunThroughTheMetadata) {
  const TClassInfo* info = FigureInfo();
  TAniFigure f(nullptr);
  auto set = [&](const char* n, TPropValue v) { return SetPropValue(&f, FindPropInfo(info, n), v); };
  auto get = [&](const char* n) { return GetPropValue(&f, FindPropInfo(info, n)); };

  EXPECT_TRUE(set("X", 2.5));
  EXPECT_TRUE(set("Y", int64_t{-3}));
  EXPECT_TRUE(set("Z", 0.75));
  EXPECT_EQ(f.X(), 2.5f);
  EXPECT_EQ(f.Y(), -3.0f);
  EXPECT_EQ(f.Z(), 0.75f);
  EXPECT_DOUBLE_EQ(std::get<double>(get("X")), 2.5);

  // Frame goes through SetCurrentFrame: a valid number stops the script,
  // 300 is refused by the setter, a negative number by the conversion.
  f.SetScript(1, {3, 4});
  f.PlayScript(1, true);
  EXPECT_TRUE(set("Frame", int64_t{300}));
  EXPECT_EQ(f.Frame(), 1u);
  EXPECT_EQ(f.PlayingScript(), 1);
  EXPECT_FALSE(set("Frame", int64_t{-1}));
  EXPECT_TRUE(set("Frame", int64_t{12}));
  EXPECT_EQ(f.Frame(), 12u);
  EXPECT_EQ(f.PlayingScript(), 0);
  EXPECT_EQ(std::get<int64_t>(get("Frame")), 12);

  // Plain fields are written directly, with range checks on the way in.
  EXPECT_TRUE(set("Width", int64_t{64}));
  EXPECT_EQ(f.Width, 64u);
  EXPECT_EQ(f.CenterX, 48);
  EXPECT_FALSE(set("Width", int64_t{-1}));
  EXPECT_EQ(f.Width, 64u);
  EXPECT_TRUE(set("CenterY", int64_t{-7}));
  EXPECT_EQ(f.CenterY, -7);
  EXPECT_TRUE(set("Speed", 0.125));
  EXPECT_EQ(f.Speed, 0.125f);
  EXPECT_TRUE(set("Transparent", true));
  EXPECT_TRUE(f.Transparent);
  EXPECT_FALSE(set("Shadow", std::string("yes")));
  EXPECT_FALSE(f.Shadow);
  // The About pseudo-property holds nothing.
  EXPECT_FALSE(set("About", int64_t{1}));
  EXPECT_EQ(f.About, nullptr);
}

TEST(FigureProperties, HighlightColorThroughTheMetadataRebuildsOutlines) {
  const TClassInfo* info = FigureInfo();
  TBitmap bmp;
  Paint(bmp, 3, 3, 0x00FF00, 1, 1, 0xFF0000);
  TAniFigure f(nullptr);
  f.SetFrame(1, &bmp);
  ASSERT_TRUE(SetPropValue(&f, FindPropInfo(info, "HighlightColor"), int64_t{clLime}));
  EXPECT_EQ(f.HighlightColor(), clLime);
  uint32_t colour = 0;
  EXPECT_EQ(CountColoured(f.Highlight(1), &colour), 4);
  EXPECT_EQ(colour, 0x00FF00u);
}

TEST(FigureProperties, EventsBindByHandlerName) {
  const TClassInfo* info = FigureInfo();
  TAniFigure f(nullptr);
  TObject* clicked = nullptr;
  int code = 0;
  TMethodTable table;
  table.Add("FigureClick", TNotifyEvent([&](TObject* s) { clicked = s; }));
  table.Add("FigureCollide", TCollideEvent([&](TObject*, TObject*, int32_t c) { code = c; }));
  EXPECT_TRUE(SetMethodProp(&f, FindPropInfo(info, "OnClick"), "FigureClick", &table));
  EXPECT_TRUE(SetMethodProp(&f, FindPropInfo(info, "OnCollide"), "FigureCollide", &table));
  // A handler of another event type is not bound.
  EXPECT_FALSE(SetMethodProp(&f, FindPropInfo(info, "OnArrival"), "FigureCollide", &table));
  EXPECT_FALSE(f.OnArrival.Assigned());
  EXPECT_EQ(GetMethodName(&f, FindPropInfo(info, "OnClick")), "FigureClick");
  f.OnClick(&f);
  f.OnCollide(nullptr, nullptr, 2);
  EXPECT_EQ(clicked, &f);
  EXPECT_EQ(code, 2);
  EXPECT_TRUE(SetMethodProp(&f, FindPropInfo(info, "OnClick"), "", &table));
  EXPECT_FALSE(f.OnClick.Assigned());
}
