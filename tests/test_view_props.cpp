// The view's published properties: order, stored rules and setters reached
// through the host's metadata.
#include <string>
#include <vector>

#include "velscene/platform/typinfo/typinfo.h"
#include "view_fixture.h"

using namespace vel;
using vel::testing::ViewTest;

using ViewProperties = ViewTest;

TEST_F(ViewProperties, PublishedInOrderAfterTheControlsEight) {
  RegisterAniViewClass();
  const TClassInfo* info = FindClassInfo("TAniView");
  ASSERT_NE(info, nullptr);
  std::vector<std::string> names;
  for (const TPropInfo* p : GetPropList(info)) names.push_back(p->Name);
  const std::vector<std::string> want = {
      "Name", "Tag", "Left", "Top", "Width", "Height", "Cursor", "Hint", "Interval", "Enabled", "Align",
      "ShowHint", "Visible", "Color", "CellWidth", "About", "OnBeforeUpdate", "OnAfterUpdate", "OnAfterDisplay",
      "OnMouseDown", "OnMouseUp", "OnMouseMove", "OnClick"};
  EXPECT_EQ(names, want);
}

TEST_F(ViewProperties, SettersRunThroughTheMetadata) {
  RegisterAniViewClass();
  const TClassInfo* info = FindClassInfo("TAniView");
  const TPropInfo* interval = FindPropInfo(info, "Interval");
  const TPropInfo* color = FindPropInfo(info, "Color");
  ASSERT_TRUE(interval && color);
  // Interval and Color are written even at their initial values.
  EXPECT_TRUE(IsStoredProp(view, interval));
  EXPECT_TRUE(IsStoredProp(view, color));
  EXPECT_TRUE(SetPropValue(view, interval, int64_t{40}));
  EXPECT_EQ(view->Interval(), 40u);
  EXPECT_EQ(view->Timer()->Interval(), 40u);
  EXPECT_FALSE(SetPropValue(view, interval, int64_t{-1}));
  EXPECT_TRUE(SetPropValue(view, color, int64_t{0x0000FF}));
  EXPECT_EQ(view->Color(), clRed);
  // The new colour reaches the back buffer with the next tick.
  form->PaintAll();
  view->DrawFrame();
  EXPECT_EQ(LockPixels(view->Buffer()->Handle()).pixels[0], 0xFF0000u);
  const TAniView* fresh = view;
  EXPECT_EQ(std::get<int64_t>(GetPropValue(fresh, interval)), 40);
}
