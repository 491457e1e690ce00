// The builder program driven by scripts: palette, inspector, About box,
// properties, form files saved and loaded, errors and the exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct RunResult {
  std::string out;
  int status = -1;
};

class BuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("velbuilder_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  void Write(const char* name, const std::string& text) const { std::ofstream(Path(name)) << text; }

  RunResult Builder(const std::string& script, const std::string& package = VELPACK1_PATH) const {
    Write("script.txt", script);
    const std::string cmd = std::string("cd '") + dir_.string() + "' && LANG=C '" + VELBUILDER_PATH +
                            "' --package '" + package + "' --script script.txt 2>&1";
    RunResult r;
    std::FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
  }

  // The lines that one command printed: from the line starting with `head` to
  // the next line that does not start with two spaces.
  static std::string Section(const std::string& out, const std::string& head, size_t from = 0) {
    const size_t start = out.find("\n" + head, from);
    if (start == std::string::npos) return {};
    size_t end = out.find('\n', start + 1);
    while (end != std::string::npos && out.compare(end + 1, 2, "  ") == 0) end = out.find('\n', end + 1);
    return out.substr(start + 1, end == std::string::npos ? std::string::npos : end - start);
  }

  fs::path dir_;
};

TEST_F(BuilderTest, PaletteShowsTheAnimationPageWithIcons) {
  const RunResult r = Builder("palette\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Page \"Animation\"\n"
                       "  TAniView     icon TANIVIEW 24x24, 4 bpp, 16 colours\n"
                       "  TAniFigure   icon TANIFIGURE 24x24, 4 bpp, 16 colours\n"
                       "  TAniMap      icon TANIMAP 24x24, 4 bpp, 16 colours\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Finalized and unloaded the package"), std::string::npos);
}

TEST_F(BuilderTest, DesignSessionInspectsEditsSavesAndLoadsTheForm) {
  const RunResult r = Builder(
      "new TAniView View1\n"
      "new TAniMap Map1\n"
      "new TAniFigure Hero\n"
      "new TAniFigure Ghost\n"
      "set View1 Interval 40\n"
      "set View1 Color clRed\n"
      "set Map1 Width 32\n"
      "set Hero X 2.5\n"
      "set Ghost Transparent True\n"
      "set Hero OnArrival HeroArrived\n"
      "! set View1 About x\n"
      "! set View1 Interval -1\n"
      "inspect View1\n"
      "about Hero\n"
      "paint\n"
      "pixel 20 20\n"
      "save form.json\n"
      "delete Ghost\n"
      "load form.json\n"
      "components\n"
      "inspect View1\n");
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string before = Section(r.out, "View1: TAniView");
  EXPECT_NE(before.find("  Interval         40\n"), std::string::npos) << before;
  EXPECT_NE(before.find("  Color            clRed\n"), std::string::npos);
  EXPECT_NE(before.find("  About            About [...] (read-only)\n"), std::string::npos);
  EXPECT_NE(r.out.find("error: About is read-only"), std::string::npos);
  EXPECT_NE(r.out.find("error: Interval: '-1' is out of range or refused"), std::string::npos) << r.out;
  // The About box, printed by the headless backend.
  EXPECT_NE(r.out.find("[message box] About\nTAniFigure\nTAniMap\nTAniView\n\nVersion 1.0\n"),
            std::string::npos);
  // A designer-time view paints its Color (red is $000000FF).
  EXPECT_NE(r.out.find("pixel 20 20 = $000000FF"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Loaded form.json: 4 components"), std::string::npos);
  EXPECT_NE(Section(r.out, "  Ghost: TAniFigure").size(), 0u) << "deleted, then loaded back";
  // The inspector shows the same rows after the round trip.
  const size_t second = r.out.find("View1: TAniView", r.out.find("Loaded form.json"));
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(Section(r.out, "View1: TAniView", second - 1), before);
  std::ifstream saved(Path("form.json"));
  const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\"OnArrival\": \"HeroArrived\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"Transparent\": true"), std::string::npos);
}

TEST_F(BuilderTest, BrokenFormFileIsReportedAndTheFormKept) {
  Write("bad.json", "{\"format\": \"velscene-form\", \"version\": 1, \"class\": \"TForm\",\n"
                    " \"components\": [{\"class\": \"TAniFigure\", \"name\": \"F\", "
                    "\"properties\": {\"Radius\": true}}]}");
  const RunResult r = Builder("new TAniMap Map1\n! load bad.json\ncomponents\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("error: bad.json: component 'F' (TAniFigure): property 'Radius': expected a "
                       "number, got boolean true"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("  Map1: TAniMap\n"), std::string::npos);
}

TEST_F(BuilderTest, FailuresSetTheExitStatus) {
  EXPECT_EQ(Builder("new TNothing X\n").status, 1);
  EXPECT_EQ(Builder("! palette\n").status, 1) << "a command that had to fail succeeded";
  const RunResult missing = Builder("palette\n", Path("libnothing.so"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("cannot load package"), std::string::npos) << missing.out;
}

}  // namespace
