// Published-property metadata: property order of the host classes, get/set
// round trips with range checks, stored rules, events bound by name,
// factories and redeclared properties.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/host/controls.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/typinfo/host_typinfo.h"
#include "velscene/platform/typinfo/propbuild.h"
#include "velscene/platform/host/timer.h"

using namespace vel;

namespace {

std::vector<std::string> Names(const TClassInfo* info) {
  std::vector<std::string> out;
  for (const TPropInfo* p : GetPropList(info)) out.push_back(p->Name);
  return out;
}

// A descendant that redeclares Width with a default and adds a Single.
class Gauge : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  const char* ClassName() const override { return "TGauge"; }
  float Level() const { return level_; }
  void SetLevel(float v) { level_ = v; }
  void Handler(TObject* sender) { lastSender = sender; }
  void WrongHandler(TObject*, int) {}
  TObject* lastSender = nullptr;

 private:
  float level_ = 0.5f;
};

const TClassInfo* RegisterGauge() {
  TClassInfo info;
  info.ClassName = "TGauge";
  info.Parent = RegisterGraphicControlClass();
  info.Create = [](TComponent* owner) -> TComponent* { return new Gauge(owner); };
  info.Props = {
      WithDefault(MakeProp("Width", tkInteger, "Integer", &TControl::Width, &TControl::SetWidth),
                  int64_t{64}),
      MakeProp("Level", tkSingle, "Single", &Gauge::Level, &Gauge::SetLevel),
      ControlAlignProp(),
      ControlShowHintProp(),
      ControlOnClickProp(),
      MakePseudoClassProp("About", "TAbout"),
  };
  return RegisterClassInfo(std::move(info));
}

class TypInfo : public ::testing::Test {
 protected:
  void SetUp() override { RegisterHostClasses(); }
};

}  // namespace

TEST_F(TypInfo, HostClassesPublishTheirPropertiesInOrder) {
  EXPECT_EQ(Names(FindClassInfo("TComponent")), (std::vector<std::string>{"Name", "Tag"}));
  const std::vector<std::string> control{"Name", "Tag", "Left", "Top", "Width", "Height", "Cursor",
                                         "Hint"};
  EXPECT_EQ(Names(FindClassInfo("TControl")), control);
  EXPECT_EQ(Names(FindClassInfo("tgraphiccontrol")), control);
  EXPECT_EQ(Names(FindClassInfo("TTimer")),
            (std::vector<std::string>{"Name", "Tag", "Enabled", "Interval", "OnTimer"}));
  EXPECT_EQ(FindClassInfo("TForm")->Parent, FindClassInfo("TComponent"));
  EXPECT_EQ(FindClassInfo("TNoSuchClass"), nullptr);
  EXPECT_EQ(RegisterControlClass(), FindClassInfo("TControl"));  // registering twice is harmless
  EXPECT_TRUE(InheritsFrom(FindClassInfo("TGraphicControl"), FindClassInfo("TComponent")));
  EXPECT_FALSE(InheritsFrom(FindClassInfo("TTimer"), FindClassInfo("TControl")));
}

TEST_F(TypInfo, RoundTripsAndRangeChecks) {
  const TClassInfo* info = FindClassInfo("TControl");
  TControl c(nullptr);
  const TPropInfo* left = FindPropInfo(info, "left");
  ASSERT_NE(left, nullptr);
  EXPECT_TRUE(SetPropValue(&c, left, int64_t{-17}));
  EXPECT_EQ(c.Left(), -17);
  EXPECT_EQ(GetPropValue(&c, left), TPropValue(int64_t{-17}));
  EXPECT_FALSE(SetPropValue(&c, left, int64_t{1} << 40));  // beyond Integer
  EXPECT_FALSE(SetPropValue(&c, left, std::string("12")));
  EXPECT_FALSE(SetPropValue(&c, left, 1.5));
  EXPECT_TRUE(SetPropValue(&c, left, 3.0));
  EXPECT_EQ(c.Left(), 3);

  const TPropInfo* tag = FindPropInfo(info, "Tag");
  EXPECT_TRUE(SetPropValue(&c, tag, int64_t{1} << 40));
  EXPECT_EQ(c.Tag(), int64_t{1} << 40);
  const TPropInfo* hint = FindPropInfo(info, "Hint");
  EXPECT_TRUE(SetPropValue(&c, hint, std::string("tip")));
  EXPECT_EQ(std::get<std::string>(GetPropValue(&c, hint)), "tip");
  const TPropInfo* name = FindPropInfo(info, "Name");
  EXPECT_TRUE(SetPropValue(&c, name, std::string("View1")));
  EXPECT_FALSE(SetPropValue(&c, name, std::string("no good")));
  EXPECT_EQ(c.Name(), "View1");

  TTimer t(nullptr);
  const TClassInfo* timer = FindClassInfo("TTimer");
  const TPropInfo* interval = FindPropInfo(timer, "Interval");
  EXPECT_EQ(interval->Kind, tkCardinal);
  EXPECT_TRUE(SetPropValue(&t, interval, int64_t{4294967295}));
  EXPECT_EQ(t.Interval(), 4294967295u);
  EXPECT_FALSE(SetPropValue(&t, interval, int64_t{-1}));
  EXPECT_FALSE(SetPropValue(&t, interval, int64_t{4294967296}));
  EXPECT_TRUE(SetPropValue(&t, FindPropInfo(timer, "Enabled"), false));
  EXPECT_FALSE(t.Enabled());
  // A property of another class neither reads nor writes.
  EXPECT_FALSE(SetPropValue(&c, interval, int64_t{5}));
  EXPECT_EQ(GetPropValue(&c, interval), TPropValue(int64_t{0}));
  EXPECT_FALSE(SetPropValue(nullptr, interval, int64_t{5}));
  EXPECT_FALSE(SetPropValue(&t, nullptr, int64_t{5}));

  // Colours: system colours as signed or unsigned words.
  TForm f(nullptr);
  const TPropInfo* color = FindPropInfo(FindClassInfo("TForm"), "Color");
  EXPECT_TRUE(SetPropValue(&f, color, int64_t{0x80000005}));
  EXPECT_EQ(f.Color(), clWindow);
  EXPECT_TRUE(SetPropValue(&f, color, int64_t{clBtnFace}));
  EXPECT_EQ(f.Color(), clBtnFace);
  EXPECT_FALSE(SetPropValue(&f, color, int64_t{0x100000000}));
}

TEST_F(TypInfo, StoredRules) {
  const TClassInfo* info = FindClassInfo("TControl");
  TControl c(nullptr);
  EXPECT_FALSE(IsStoredProp(&c, FindPropInfo(info, "Tag")));
  c.SetTag(5);
  EXPECT_TRUE(IsStoredProp(&c, FindPropInfo(info, "Tag")));
  EXPECT_FALSE(IsStoredProp(&c, FindPropInfo(info, "Name")));
  EXPECT_TRUE(IsStoredProp(&c, FindPropInfo(info, "Left")));
  EXPECT_FALSE(IsStoredProp(&c, FindPropInfo(info, "Hint")));
  c.SetHint("x");
  EXPECT_TRUE(IsStoredProp(&c, FindPropInfo(info, "Hint")));

  const TClassInfo* gauge = RegisterGauge();
  Gauge g(nullptr);
  const TPropInfo* showHint = FindPropInfo(gauge, "ShowHint");
  EXPECT_FALSE(IsStoredProp(&g, showHint));  // follows the parent
  EXPECT_TRUE(SetPropValue(&g, showHint, false));
  EXPECT_TRUE(IsStoredProp(&g, showHint));
  EXPECT_FALSE(IsStoredProp(&g, FindPropInfo(gauge, "About")));
}

TEST_F(TypInfo, RedeclaredPropertyKeepsItsPlace) {
  const TClassInfo* gauge = RegisterGauge();
  EXPECT_EQ(Names(gauge),
            (std::vector<std::string>{"Name", "Tag", "Left", "Top", "Width", "Height", "Cursor",
                                      "Hint", "Level", "Align", "ShowHint", "OnClick", "About"}));
  Gauge g(nullptr);
  const TPropInfo* width = GetPropList(gauge)[4];
  g.SetWidth(64);
  EXPECT_FALSE(IsStoredProp(&g, width));  // the descendant's default applies
  const TPropInfo* level = FindPropInfo(gauge, "Level");
  EXPECT_TRUE(SetPropValue(&g, level, 0.25));
  EXPECT_EQ(g.Level(), 0.25f);
  EXPECT_FALSE(SetPropValue(&g, level, 1e300));
  EXPECT_EQ(GetPropValue(&g, level), TPropValue(0.25));
  const TPropInfo* about = FindPropInfo(gauge, "About");
  EXPECT_EQ(about->Kind, tkClass);
  EXPECT_EQ(about->TypeName, "TAbout");
  EXPECT_EQ(GetPropValue(&g, about), TPropValue(int64_t{0}));
  EXPECT_FALSE(SetPropValue(&g, about, int64_t{1}));
}

TEST_F(TypInfo, EnumerationsByNameAndOrdinal) {
  const TClassInfo* gauge = RegisterGauge();
  Gauge g(nullptr);
  const TPropInfo* align = FindPropInfo(gauge, "Align");
  EXPECT_EQ(align->Kind, tkEnum);
  EXPECT_EQ(GetEnumName(align, alClient), "alClient");
  EXPECT_EQ(GetEnumValue(align, "ALRIGHT"), alRight);
  EXPECT_EQ(GetEnumName(align, 6), "");
  EXPECT_TRUE(SetPropValue(&g, align, std::string("alTop")));
  EXPECT_EQ(g.Align(), alTop);
  EXPECT_TRUE(SetPropValue(&g, align, int64_t{alLeft}));
  EXPECT_EQ(g.Align(), alLeft);
  EXPECT_FALSE(SetPropValue(&g, align, int64_t{6}));
  EXPECT_FALSE(SetPropValue(&g, align, std::string("alMiddle")));
  EXPECT_EQ(GetPropValue(&g, align), TPropValue(int64_t{alLeft}));
  EXPECT_TRUE(IsStoredProp(&g, align));
}

TEST_F(TypInfo, EventsAreBoundAndReadByHandlerName) {
  const TClassInfo* gauge = RegisterGauge();
  Gauge g(nullptr), handlerObject(nullptr);
  TMethodTable table;
  table.Add("GaugeClick", TNotifyEvent(&handlerObject, &Gauge::Handler));
  table.Add("Wrong", TEvent<TObject*, int>(&handlerObject, &Gauge::WrongHandler));
  const TPropInfo* onClick = FindPropInfo(gauge, "OnClick");
  EXPECT_EQ(onClick->Kind, tkMethod);
  EXPECT_FALSE(IsStoredProp(&g, onClick));
  EXPECT_TRUE(SetMethodProp(&g, onClick, "gaugeclick", &table));
  EXPECT_EQ(GetMethodName(&g, onClick), "gaugeclick");
  EXPECT_TRUE(IsStoredProp(&g, onClick));
  EXPECT_EQ(g.OnClick.Data(), &handlerObject);
  g.Click();
  EXPECT_EQ(handlerObject.lastSender, &g);

  EXPECT_FALSE(SetMethodProp(&g, onClick, "Missing", &table));
  EXPECT_FALSE(SetMethodProp(&g, onClick, "Wrong", &table));  // another signature
  EXPECT_FALSE(SetMethodProp(&g, onClick, "GaugeClick", nullptr));
  EXPECT_EQ(GetMethodName(&g, onClick), "gaugeclick");
  EXPECT_TRUE(SetMethodProp(&g, onClick, "", nullptr));
  EXPECT_FALSE(g.OnClick.Assigned());
  EXPECT_FALSE(SetMethodProp(&g, FindPropInfo(gauge, "Left"), "GaugeClick", &table));
}

TEST_F(TypInfo, FactoriesCreateOwnedComponents) {
  TComponent owner(nullptr);
  TComponent* t = FindClassInfo("TTimer")->Create(&owner);
  ASSERT_NE(t, nullptr);
  EXPECT_STREQ(t->ClassName(), "TTimer");
  EXPECT_EQ(t->Owner(), &owner);
  TComponent* g = RegisterGauge()->Create(&owner);
  EXPECT_NE(dynamic_cast<Gauge*>(g), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 2);
}
