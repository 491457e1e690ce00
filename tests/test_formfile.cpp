// Form files: the stored rules, events by handler name, owners and parents,
// and a table of broken files that are refused whole with a clear message.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/typinfo/formfile.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/typinfo/host_typinfo.h"
#include "velscene/platform/typinfo/prop_text.h"
#include "velscene/platform/host/timer.h"
#include "velscene/figure.h"
#include "velscene/map.h"
#include "velscene/view.h"

namespace vel {
namespace {

class FormFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterHostClasses();
    RegisterAniViewClass();
    RegisterAniFigureClass();
    RegisterAniMapClass();
    form.SetName("Form1");
  }

  std::string Header() const {
    return R"("format": "velscene-form", "version": 1, "class": "TForm", "name": "Form1")";
  }

  TForm form{nullptr};
};

TEST_F(FormFileTest, WritesHeaderOwnerParentAndStoredPropertiesInDeclarationOrder) {
  auto* view = new TAniView(&form);
  view->SetName("View1");
  view->SetParent(&form);
  view->SetBounds(4, 5, 64, 32);
  auto* timer = new TTimer(&form);
  timer->SetName("Clock");
  timer->SetInterval(250);
  new TTimer(&form);  // no name: not stored
  const auto doc = nlohmann::ordered_json::parse(FormToText(&form));
  EXPECT_EQ(doc["format"], "velscene-form");
  EXPECT_EQ(doc["class"], "TForm");
  ASSERT_EQ(doc["components"].size(), 2u);
  const auto& v = doc["components"][0];
  EXPECT_EQ(v["class"], "TAniView");
  EXPECT_EQ(v["owner"], "Form1");
  EXPECT_EQ(v["parent"], "Form1");
  std::vector<std::string> keys;
  for (const auto& [k, val] : v["properties"].items()) keys.push_back(k);
  EXPECT_EQ(keys, (std::vector<std::string>{"Left", "Top", "Width", "Height", "Interval", "Color"}));
  const auto& t = doc["components"][1];
  EXPECT_FALSE(t.contains("parent"));
  EXPECT_EQ(t["properties"]["Interval"], 250);
  EXPECT_FALSE(t["properties"].contains("Enabled")) << "default true is not written";
}

TEST_F(FormFileTest, FloatsColoursAndEnumsReadBackExactly) {
  auto* fig = new TAniFigure(&form);
  fig->SetName("Hero");
  fig->SetX(0.1f);
  fig->SetY(-1234.5678f);
  fig->Speed = 3.0e-7f;
  fig->SetHighlightColor(clBtnFace);
  auto* view = new TAniView(&form);
  view->SetName("View1");
  view->SetColor(0x00123456);
  view->SetAlign(alClient);
  const std::string text = FormToText(&form);
  EXPECT_NE(text.find("\"X\": 0.1,"), std::string::npos) << "shortest float text";
  EXPECT_NE(text.find("\"HighlightColor\": \"clBtnFace\""), std::string::npos);
  EXPECT_NE(text.find("\"Align\": \"alClient\""), std::string::npos);
  TForm copy(nullptr);
  ReadFormFromText(&copy, text, "mem.json", nullptr);
  auto* f2 = dynamic_cast<TAniFigure*>(copy.FindComponent("Hero"));
  ASSERT_NE(f2, nullptr);
  EXPECT_EQ(f2->X(), 0.1f);
  EXPECT_EQ(f2->Y(), -1234.5678f);
  EXPECT_EQ(f2->Speed, 3.0e-7f);
  EXPECT_EQ(f2->HighlightColor(), clBtnFace);
  auto* v2 = dynamic_cast<TAniView*>(copy.FindComponent("View1"));
  ASSERT_NE(v2, nullptr);
  EXPECT_EQ(v2->Color(), 0x00123456);
  EXPECT_EQ(v2->Align(), alClient);
}

TEST_F(FormFileTest, EventsAreStoredByNameAndBoundToTheLoadingFormsHandlers) {
  int clicks = 0;
  TMethodTable handlers;
  handlers.Add("HeroClick", TNotifyEvent([&](TObject*) { ++clicks; }));
  auto* fig = new TAniFigure(&form);
  fig->SetName("Hero");
  ASSERT_TRUE(SetMethodProp(fig, FindPropInfo(FindClassInfo("TAniFigure"), "OnClick"), "HeroClick",
                            &handlers));
  fig->OnArrival = TNotifyEvent([](TObject*) {});  // bound in code: no name, not stored
  const std::string text = FormToText(&form);
  EXPECT_NE(text.find("\"OnClick\": \"HeroClick\""), std::string::npos);
  EXPECT_EQ(text.find("OnArrival"), std::string::npos);

  TForm copy(nullptr);
  ReadFormFromText(&copy, text, "mem.json", &handlers);
  auto* f2 = dynamic_cast<TAniFigure*>(copy.FindComponent("Hero"));
  ASSERT_NE(f2, nullptr);
  f2->OnClick(f2);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(f2->OnClick.Name(), "HeroClick");
}

TEST_F(FormFileTest, LoadingReplacesTheComponentsAndEndsTheLoadingState) {
  (new TAniMap(&form))->SetName("Old");
  const std::string text = "{" + Header() + R"(, "properties": {"Caption": "Loaded"},
      "components": [{"class": "TAniMap", "name": "Map1", "owner": "Form1",
                      "properties": {"Width": 3, "Height": 2}}]})";
  ReadFormFromText(&form, text, "mem.json", nullptr);
  EXPECT_EQ(form.FindComponent("Old"), nullptr);
  EXPECT_EQ(form.Caption(), "Loaded");
  auto* map = dynamic_cast<TAniMap*>(form.FindComponent("Map1"));
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->Width(), 3u);
  EXPECT_EQ(map->CellBytes(), 12u);
  EXPECT_FALSE(map->ComponentState().Contains(csLoading));
  EXPECT_FALSE(map->ComponentState().Contains(csReading));
}

TEST_F(FormFileTest, BrokenFilesAreRefusedWholeWithFileComponentAndProperty) {
  auto* keep = new TAniView(&form);
  keep->SetName("Keep");
  keep->SetInterval(77);
  const std::string before = FormToText(&form);
  const std::string h = "{" + Header();
  auto comp = [&](const std::string& body) { return h + R"(, "components": [)" + body + "]}"; };
  struct Case {
    std::string text;
    std::vector<std::string> mentions;
  };
  const std::vector<Case> cases = {
      {"", {"malformed JSON"}},
      {"[1, 2]", {"must hold a JSON object"}},
      {h + "}x", {"malformed JSON"}},
      {R"({"format": "other", "version": 1, "class": "TForm"})", {"\"format\""}},
      {R"({"format": "velscene-form", "version": 2, "class": "TForm"})", {"\"version\""}},
      {R"({"format": "velscene-form", "version": 1, "class": "TTimer"})", {"does not match"}},
      {h + R"(, "extra": 1})", {"unknown key \"extra\""}},
      {h + R"(, "components": {}})", {"\"components\" must be an array"}},
      {comp("5"), {"#1", "must be an object"}},
      {comp(R"({"class": "TAniMap"})"), {"#1", "missing \"name\""}},
      {comp(R"({"class": "TNope", "name": "N"})"), {"'N' (TNope)", "unknown class 'TNope'"}},
      {comp(R"({"class": "TAniMap", "name": "M", "owner": "Ghost"})"), {"'M' (TAniMap)", "unknown owner"}},
      {comp(R"({"class": "TAniMap", "name": "M", "parent": "Form2"})"), {"unknown parent"}},
      {comp(R"({"class": "TAniMap", "name": "M", "parent": "Form1"})"), {"'M' (TAniMap)", "only controls"}},
      {comp(R"({"class": "TAniMap", "name": "M", "colour": 1})"), {"unknown key \"colour\""}},
      {comp(R"({"class": "TAniMap", "name": "M", "properties": []})"), {"\"properties\" must be an object"}},
      {comp(R"({"class": "TAniMap", "name": "M", "properties": {"Depth": 1}})"),
       {"'M' (TAniMap)", "property 'Depth'", "unknown property of TAniMap"}},
      {comp(R"({"class": "TAniMap", "name": "M", "properties": {"About": 0}})"),
       {"property 'About'", "not stored"}},
      {comp(R"({"class": "TAniMap", "name": "M", "properties": {"Name": "X"}})"), {"property 'Name'"}},
      {comp(R"({"class": "TAniMap", "name": "M", "properties": {"Width": 2.5}})"),
       {"property 'Width'", "expected an unsigned integer, got number 2.5"}},
      {comp(R"({"class": "TAniMap", "name": "M", "properties": {"Width": -1}})"),
       {"property 'Width'", "out of range"}},
      {comp(R"({"class": "TAniView", "name": "V", "properties": {"Interval": 4294967296}})"),
       {"'V' (TAniView)", "property 'Interval'", "out of range"}},
      {comp(R"({"class": "TAniView", "name": "V", "properties": {"Align": "alMiddle"}})"),
       {"property 'Align'", "not a value of TAlign"}},
      {comp(R"({"class": "TAniView", "name": "V", "properties": {"Color": "clPlaid"}})"),
       {"property 'Color'", "expected a colour"}},
      {comp(R"({"class": "TAniView", "name": "V", "properties": {"Visible": 1}})"),
       {"property 'Visible'", "expected true or false"}},
      {comp(R"({"class": "TAniFigure", "name": "F", "properties": {"OnClick": "Missing"}})"),
       {"'F' (TAniFigure)", "property 'OnClick'", "no handler 'Missing'"}},
      {comp(R"({"class": "TAniMap", "name": "1st"})"), {"'1st' (TAniMap)", "property 'Name'"}},
      {comp(R"({"class": "TAniMap", "name": "Twin"}, {"class": "TAniMap", "name": "Twin"})"),
       {"'Twin' (TAniMap)", "already exists"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ReadFormFromText(&form, c.text, "level.json", nullptr);
      ADD_FAILURE() << "accepted";
    } catch (const EFormFileError& e) {
      const std::string msg = e.what();
      EXPECT_EQ(msg.rfind("level.json: ", 0), 0u) << msg;
      EXPECT_EQ(e.File(), "level.json");
      for (const std::string& m : c.mentions) EXPECT_NE(msg.find(m), std::string::npos) << msg;
    }
    EXPECT_EQ(FormToText(&form), before) << "nothing of the form changed";
  }
  EXPECT_EQ(form.FindComponent("Keep"), keep) << "the very same component is still there";
}

TEST_F(FormFileTest, MissingAndUnwritableFilesNameThePath) {
  try {
    ReadFormFile(&form, "/nonexistent/dir/form.json", nullptr);
    ADD_FAILURE();
  } catch (const EFormFileError& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/dir/form.json: cannot open"), std::string::npos);
  }
  EXPECT_THROW(WriteFormFile(&form, "/nonexistent/dir/form.json"), EFormFileError);
}

TEST(PropText, ValuesRoundTripThroughInspectorText) {
  RegisterAniViewClass();
  RegisterAniFigureClass();
  const TClassInfo* view = FindClassInfo("TAniView");
  const TClassInfo* fig = FindClassInfo("TAniFigure");
  struct Case {
    const TPropInfo* prop;
    const char* text;
    TPropValue value;
    const char* shown;
  };
  const Case cases[] = {
      {FindPropInfo(view, "Interval"), " 40 ", int64_t{40}, "40"},
      {FindPropInfo(view, "Interval"), "$10", int64_t{16}, "16"},
      {FindPropInfo(view, "Color"), "clred", int64_t{clRed}, "clRed"},
      {FindPropInfo(view, "Color"), "$00123456", int64_t{0x123456}, "$00123456"},
      {FindPropInfo(view, "Align"), "alclient", int64_t{alClient}, "alClient"},
      {FindPropInfo(view, "Enabled"), "FALSE", false, "False"},
      {FindPropInfo(fig, "X"), "0.1", 0.1, "0.1"},
      {FindPropInfo(view, "Hint"), "a b", std::string("a b"), "a b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TPropValue v;
    std::string error;
    ASSERT_TRUE(PropValueFromText(c.prop, c.text, v, error)) << error;
    EXPECT_EQ(v, c.value);
    EXPECT_EQ(PropValueToText(c.prop, v), c.shown);
  }
  for (const auto& [prop, text] : std::vector<std::pair<const TPropInfo*, const char*>>{
           {FindPropInfo(view, "Interval"), "forty"},
           {FindPropInfo(view, "Interval"), "99999999999999999999"},
           {FindPropInfo(view, "Enabled"), "yes"},
           {FindPropInfo(view, "Align"), "alMiddle"},
           {FindPropInfo(fig, "X"), "nan"},
           {FindPropInfo(view, "OnMouseDown"), "Handler"},
           {nullptr, "1"}}) {
    TPropValue v;
    std::string error;
    EXPECT_FALSE(PropValueFromText(prop, text, v, error)) << text;
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace vel
