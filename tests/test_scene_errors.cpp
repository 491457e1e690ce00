// Broken scene files: each gives an ESceneError naming the file, the JSON
// path inside it and the problem, and nothing is built.
#include <ostream>
#include <string>

#include "velscene/platform/host/application.h"
#include "scene_test_files.h"

using namespace vel;
using vel::testing::SceneDir;

namespace {

struct BadScene {
  const char* Text;
  const char* Where;    // expected JSON path ("" = the top level)
  const char* Problem;  // expected part of the problem text
};

// One figure that loads cleanly, to build broken variants around.
#define FIG R"({"name": "a", "frames": [{"number": 1, "image": "f.png"}]})"

const BadScene kBad[] = {
    {R"([1, 2])", "", "expected an object, found a list"},
    {R"({"veiw": {}})", "veiw", "unknown key \"veiw\""},
    {R"({"view": {"width": -5}})", "view.width", "must be from 1 to 4096, found -5"},
    {R"({"view": {"height": 2.5}})", "view.height", "expected a whole number"},
    {R"({"view": {"interval": "fast"}})", "view.interval", "expected a whole number, found a string"},
    {R"({"view": {"color": "blue"}})", "view.color", "expected a colour \"#RRGGBB\""},
    {R"({"tiles": [{"number": 1, "image": "missing.png"}]})", "tiles[0].image", "no such image file"},
    {R"({"tiles": [{"number": 1, "image": "bad.png"}]})", "tiles[0].image", "cannot load image"},
    {R"({"tiles": [{"number": 1, "image": "f.png"}, {"number": 1, "image": "f.png"}]})", "tiles[1].number",
     "tile 1 is defined twice"},
    {R"({"tiles": [{"number": 256, "image": "f.png"}]})", "tiles[0].number", "must be from 1 to 255"},
    {R"({"map": {"height": 4}})", "map.width", "missing"},
    {R"({"map": {"width": 4, "height": 4, "cells": [{"x": 4, "y": 0, "tile": 1}]}})", "map.cells[0].x",
     "must be from 0 to 3"},
    {R"({"map": {"width": 4, "height": 4, "cells": [{"x": 1, "y": 1}]}})", "map.cells[0]",
     "needs \"tile\" or \"passable\""},
    {R"({"map": {"width": 4, "height": 4, "ranges": [{"x1": 0, "y1": 0, "x2": 3, "y2": 3}]}})", "map.ranges[0].tile",
     "missing"},
    {R"({"map": {"width": 4, "height": 4, "ranges": [{"x1": 0, "y1": 0, "x2": 3, "y2": 3, "tile": 1, "passable": 1}]}})",
     "map.ranges[0].passable", "expected true or false"},
    {R"({"figures": [)" FIG "," FIG R"(]})", "figures[1].name", "the name \"a\" is already used"},
    {R"({"figures": [{"name": "two words"}]})", "figures[0].name", "a figure name is a letter"},
    {R"({"figures": [)" FIG "," R"({"name": "b"}, {"name": "c", "frames": [{"number": 1, "image": "gone.png"}]}]})",
     "figures[2].frames[0].image", "no such image file"},
    {R"({"figures": [{"name": "a", "Sped": 1}]})", "figures[0].Sped", "unknown key \"Sped\""},
    {R"({"figures": [{"name": "a", "Speed": "fast"}]})", "figures[0].Speed", "expected a number, found a string"},
    {R"({"figures": [{"name": "a", "Width": -1}]})", "figures[0].Width", "must be from 0 to 4294967295"},
    {R"({"figures": [{"name": "a", "Shadow": "yes"}]})", "figures[0].Shadow", "expected true or false"},
    {R"({"figures": [{"name": "a", "OnClick": "Handler"}]})", "figures[0].OnClick", "cannot be set from a scene file"},
    {R"({"figures": [{"name": "a", "frames": [{"number": 0, "image": "f.png"}]}]})", "figures[0].frames[0].number",
     "must be from 1 to 255"},
    {R"({"figures": [{"name": "a", "frames": {"sheet": "f.png", "width": 32, "height": 8}}]})",
     "figures[0].frames.width", "smaller than one 32 x 8 cell"},
    {R"({"figures": [{"name": "a", "frames": {"sheet": "f.png", "width": 8, "height": 8, "count": 5}}]})",
     "figures[0].frames.count", "holds only 4 cells"},
    {R"({"figures": [{"name": "a", "frames": [{"number": 1, "image": "f.png"}],
        "scripts": [{"number": 1, "frames": [1, 9]}]}]})",
     "figures[0].scripts[0].frames[1]", "frame 9 is not loaded"},
    {R"({"figures": [{"name": "a", "frames": [{"number": 1, "image": "f.png"}],
        "scripts": [{"number": 65, "frames": [1]}]}]})",
     "figures[0].scripts[0].number", "must be from 1 to 64"},
    {R"({"figures": [{"name": "a", "play": {"script": 3}}]})", "figures[0].play.script", "no script 3"},
    {R"({"figures": [{"name": "a", "route": {"waypoints": [[1, 2]]}}]})", "figures[0].route.waypoints[0]",
     "a waypoint is a list of three numbers [X, Y, Z]"},
    {R"({"figures": [{"name": "a", "route": {"waypoints": [5]}}]})", "figures[0].route.waypoints[0]",
     "a waypoint is a list of three numbers"},
    {R"({"figures": [{"name": "a", "route": {"waypoints": [[1, "x", 0]]}}]})", "figures[0].route.waypoints[0][1]",
     "expected a number, found a string"},
    {R"({"figures": [{"name": "a", "route": {"waypoints": [], "retries": -1}}]})", "figures[0].route.retries",
     "retries must not be negative"},
    {R"({"figures": [{"name": "a", "route": {"waypoints": "none"}}]})", "figures[0].route.waypoints",
     "expected a list, found a string"},
    {R"({"figures": [{"name": "a", "route": {"wayponts": []}}]})", "figures[0].route.wayponts", "unknown key"},
    {R"({"figures": [{"name": "a", "route": {"waypoints": [{"to": [1, 2, 0], "pth": true}]}}]})",
     "figures[0].route.waypoints[0].pth", "unknown key"},
    {R"({"figures": [{"name": "a", "route": {"waypoints": [{"to": [1, 2, 0], "path": 1}]}}]})",
     "figures[0].route.waypoints[0].path", "expected true or false"},
    {R"({"figures": [{"name": "a", "route": {"waypoints": [{"path": true}]}}]})", "figures[0].route.waypoints[0].to",
     "missing"},
    {R"({"figures": [)" FIG R"(], "place": ["b"]})", "place[0]", "no figure named \"b\""},
    {R"({"figures": [)" FIG R"(], "place": ["a", "a"]})", "place[1]", "placed twice"},
    {R"({"figures": [)" FIG R"(], "place": [], "key": "a"})", "key", "not placed"},
    {R"({"figures": [)" FIG R"(], "actions": [{"tick": 1}]})", "actions[0]", "an action needs one of"},
    {R"({"figures": [)" FIG R"(], "actions": [{"tick": 1, "add": "a", "remove": "a"}]})", "actions[0]",
     "an action does one thing"},
    {R"({"figures": [)" FIG R"(], "actions": [{"tick": -1, "add": "a"}]})", "actions[0].tick", "must be from 0"},
    {R"({"figures": [)" FIG R"(], "actions": [{"tick": 1, "move": "a"}]})", "actions[0].to", "missing"},
    {R"({"figures": [)" FIG R"(], "actions": [{"tick": 1, "setPos": "a", "to": [1, 2, 0], "path": true}]})",
     "actions[0].path", "unknown key"},
    {R"({"figures": [)" FIG R"(], "actions": [{"tick": 1, "setPos": "a", "to": [1, 2, 3, 4]}]})", "actions[0].to",
     "three numbers"},
    {R"({"actions": [{"tick": 1, "mouseDown": [5, 5], "button": "thumb"}]})", "actions[0].button",
     "expected \"left\", \"right\" or \"middle\""},
    {R"({"actions": [{"tick": 1, "cursor": [5]}]})", "actions[0].cursor", "two whole numbers"},
    {R"({"figures": [)" FIG R"(], "actions": [{"tick": 1, "playScript": "a", "script": 2}]})", "actions[0].script",
     "has no script 2"},
    {R"({"map": {"width": 4097, "height": 4}})", "map.width", "must be from 1 to 4096"},
    {R"({"map": {"width": 3, "height": 2, "rows": ["abc", "abc"]}})", "map.legend", "missing"},
    {R"({"map": {"width": 3, "height": 2, "legend": {"a": 1}}})", "map.rows", "missing"},
    {R"({"map": {"width": 3, "height": 2, "legend": {"ab": 1}, "rows": ["aaa", "aaa"]}})", "map.legend.ab",
     "one character"},
    {R"({"map": {"width": 3, "height": 2, "legend": {"a": 256}, "rows": ["aaa", "aaa"]}})", "map.legend.a",
     "must be from 0 to 255"},
    {R"({"map": {"width": 3, "height": 2, "legend": {"a": {"tile": 1, "pass": true}}, "rows": ["aaa", "aaa"]}})",
     "map.legend.a.pass", "unknown key"},
    {R"({"map": {"width": 3, "height": 2, "legend": {"a": 1}, "rows": ["aaa"]}})", "map.rows",
     "expected 2 rows (the map's height), found 1"},
    {R"({"map": {"width": 3, "height": 2, "legend": {"a": 1}, "rows": ["aaa", "aa"]}})", "map.rows[1]",
     "expected 3 characters (the map's width), found 2"},
    {R"({"map": {"width": 3, "height": 2, "legend": {"a": 1}, "rows": ["aaa", "aba"]}})", "map.rows[1]",
     "character 'b' at column 1 is not in the legend"},
    {R"({"map": {"width": 4, "height": 4, "cells": [[1, 4, 2]]}})", "map.cells[0][1]", "must be from 0 to 3"},
    {R"({"map": {"width": 4, "height": 4, "cells": [[1, 2]]}})", "map.cells[0]", "expected [x, y, tile]"},
    {R"({"map": {"width": 4, "height": 4, "ranges": [[0, 0, 3, 3, 1, 0]]}})", "map.ranges[0][5]",
     "expected true or false"},
};

// Test names show the broken input rather than its bytes.
void PrintTo(const BadScene& bad, std::ostream* os) { *os << bad.Where << ": " << bad.Problem; }

class SceneErrors : public ::testing::TestWithParam<BadScene> {
 protected:
  void SetUp() override {
    dir.Image("f.png", 16, 16, 0x336699);
    dir.Image("tall.png", 48, 40, 0x777777);
    dir.Write("bad.png", "\x89PNG\r\n\x1a\nthis is not a picture");
  }
  SceneDir dir;
};

}  // namespace

TEST_P(SceneErrors, NamesFilePathAndProblem) {
  const BadScene& bad = GetParam();
  const std::string file = dir.Write("broken.json", bad.Text);
  const int forms = Application().FormCount();
  try {
    LoadSceneFile(file);
    ADD_FAILURE() << "loaded without error: " << bad.Text;
  } catch (const ESceneError& e) {
    EXPECT_EQ(e.File, file);
    EXPECT_EQ(e.Where, bad.Where);
    EXPECT_NE(e.Problem.find(bad.Problem), std::string::npos) << "problem: " << e.Problem;
    // The message a user sees carries all three.
    const std::string what = e.what();
    EXPECT_EQ(what.rfind(file + ": ", 0), 0u) << what;
    EXPECT_NE(what.find(std::string(*bad.Where ? bad.Where : "(top level)") + ": "), std::string::npos) << what;
    EXPECT_NE(what.find(bad.Problem), std::string::npos) << what;
  }
  EXPECT_EQ(Application().FormCount(), forms);  // nothing was built
}

INSTANTIATE_TEST_SUITE_P(Table, SceneErrors, ::testing::ValuesIn(kBad));

TEST(SceneFileErrors, SyntaxErrorGivesLineAndColumn) {
  SceneDir dir;
  const std::string file = dir.Write("syntax.json", "{\n  \"view\": {\"width\": 10,}\n}\n");
  try {
    LoadSceneFile(file);
    ADD_FAILURE() << "loaded a file with a syntax error";
  } catch (const ESceneError& e) {
    EXPECT_EQ(e.File, file);
    EXPECT_EQ(e.Where.rfind("line 2, column ", 0), 0u) << e.Where;
    EXPECT_NE(e.Problem.find("invalid JSON"), std::string::npos) << e.Problem;
  }
}

TEST(SceneFileErrors, MissingFile) {
  SceneDir dir;
  const std::string file = dir.Path("nowhere.json");
  try {
    LoadSceneFile(file);
    ADD_FAILURE();
  } catch (const ESceneError& e) {
    EXPECT_EQ(e.File, file);
    EXPECT_NE(e.Problem.find("cannot open"), std::string::npos);
  }
}
