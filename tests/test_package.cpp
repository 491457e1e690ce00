// The design-time package velpack1 loaded with dlopen: registration, the About
// editor, resources, the unit table, unloading, and form files of its components.
#include <dlfcn.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/design/design.h"
#include "velscene/platform/host/dialogs.h"
#include "velscene/platform/typinfo/formfile.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/design/modules.h"
#include "velscene/platform/design/packages.h"
#include "velscene/platform/design/version_info.h"
#include "velscene/view.h"  // event types only: the code comes from the package

namespace vel {
namespace {

// The user's language as the package's load notification sees it.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(const char* lang) {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* v = std::getenv(var);
      saved_.emplace_back(var, v ? std::optional<std::string>(v) : std::nullopt);
    }
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", lang, 1);
  }
  ~ScopedLanguage() {
    for (const auto& [var, value] : saved_) {
      if (value)
        setenv(var.c_str(), value->c_str(), 1);
      else
        unsetenv(var.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

bool IsLoaded(const std::string& path) {
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h == nullptr) return false;
  dlclose(h);
  return true;
}

// The package, loaded (load notification, Initialize, Register) for one test.
class Package {
 public:
  Package() {
    handle_ = dlopen(VELPACK1_PATH, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
      ADD_FAILURE() << "dlopen: " << dlerror();
      return;
    }
    initialize_ = Sym<void (*)()>("Initialize");
    finalize_ = Sym<void (*)()>("Finalize");
    register_ = Sym<void (*)()>("Register");
    table_ = Sym<const TPackageInfoTable* (*)()>("GetPackageInfoTable");
    runs_ = Sym<void (*)(int*, int*)>("VelsceneUnitRuns");
    initialize_();
    register_();
  }
  ~Package() { Unload(); }

  void Unload() {
    if (handle_ == nullptr) return;
    finalize_();
    dlclose(handle_);
    handle_ = nullptr;
  }

  void Initialize() { initialize_(); }
  void Finalize() { finalize_(); }
  const TPackageInfoTable* Table() { return table_(); }
  std::pair<int, int> VelsceneRuns() {
    int i = -1, f = -1;
    runs_(&i, &f);
    return {i, f};
  }
  // The package's entry in the host's module list.
  const TLibModule* Module() const { return FindModule(reinterpret_cast<const void*>(initialize_)); }

 private:
  template <class F>
  F Sym(const char* name) {
    F f = reinterpret_cast<F>(dlsym(handle_, name));
    EXPECT_NE(f, nullptr) << name;
    return f;
  }

  void* handle_ = nullptr;
  void (*initialize_)() = nullptr;
  void (*finalize_)() = nullptr;
  void (*register_)() = nullptr;
  const TPackageInfoTable* (*table_)() = nullptr;
  void (*runs_)(int*, int*) = nullptr;
};

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (HeadlessBackend() == nullptr) Application().SelectBackend("headless");
    HeadlessBackend()->ClearMessageBoxes();
    package_ = std::make_unique<Package>();
  }
  void TearDown() override {
    form_.reset();  // the components' code goes with the package
    package_.reset();
  }

  TForm* DesignForm() {
    if (!form_) {
      form_ = std::make_unique<TForm>(nullptr);
      form_->SetDesigning(true);
      form_->SetName("Form1");
    }
    return form_.get();
  }

  TComponent* Create(const char* className, const char* name, TForm* form) {
    const TClassInfo* info = FindClassInfo(className);
    EXPECT_NE(info, nullptr) << className;
    if (info == nullptr) return nullptr;
    TComponent* c = info->Create(form);
    c->SetName(name);
    if (auto* control = dynamic_cast<TControl*>(c)) control->SetParent(form);
    return c;
  }

  std::unique_ptr<Package> package_;
  std::unique_ptr<TForm> form_;
};

std::vector<std::string> SplitCr(const std::string& s) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == '\r')
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

// ---------------------------------------------------------------------------
// Registration
// ---------------------------------------------------------------------------
TEST_F(PackageTest, RegisterPutsViewFigureMapOnAnimationPageThenAttachesTAbout) {
  std::vector<TPalettePage> pages = PalettePages();
  auto page = std::find_if(pages.begin(), pages.end(),
                           [](const TPalettePage& p) { return p.Name == "Animation"; });
  ASSERT_NE(page, pages.end());
  std::vector<std::string> classes;
  for (const TClassInfo* c : page->Classes) classes.push_back(c->ClassName);
  EXPECT_EQ(classes, (std::vector<std::string>{"TAniView", "TAniFigure", "TAniMap"}));

  std::vector<TPropertyEditorRegistration> regs;
  for (const TPropertyEditorRegistration& r : PropertyEditorRegistrations())
    if (r.PropertyType == "TAbout") regs.push_back(r);
  ASSERT_EQ(regs.size(), 3u);
  const char* order[] = {"TAniFigure", "TAniMap", "TAniView"};
  uint64_t last = page->Serial;
  for (size_t i = 0; i < 3; ++i) {
    ASSERT_NE(regs[i].ComponentClass, nullptr);
    EXPECT_EQ(regs[i].ComponentClass->ClassName, order[i]);
    EXPECT_EQ(regs[i].PropertyName, "About");
    ASSERT_NE(regs[i].EditorClass, nullptr);
    EXPECT_STREQ(regs[i].EditorClass->ClassName, "TAbout");
    EXPECT_GT(regs[i].Serial, last) << "registered after the palette and the previous editor";
    last = regs[i].Serial;
  }
}

TEST_F(PackageTest, AboutRowOfEachComponentShowsAboutReadOnlyWithDialog) {
  TForm* form = DesignForm();
  for (const char* cls : {"TAniView", "TAniFigure", "TAniMap"}) {
    SCOPED_TRACE(cls);
    TComponent* c = Create(cls, (std::string(cls + 1) + "1").c_str(), form);
    const TPropInfo* about = FindPropInfo(ClassInfoOf(c), "About");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->Kind, tkClass);
    EXPECT_EQ(about->TypeName, "TAbout");
    EXPECT_FALSE(IsStoredProp(c, about));
    std::unique_ptr<TPropertyEditor> editor = CreatePropertyEditor(c, about);
    ASSERT_NE(editor, nullptr);
    EXPECT_STREQ(editor->ClassName(), "TAbout");
    EXPECT_EQ(editor->GetAttributes().Bits(), 68u);
    EXPECT_TRUE(editor->GetAttributes().Contains(paDialog));
    EXPECT_TRUE(editor->GetAttributes().Contains(paReadOnly));
    EXPECT_EQ(editor->GetValue(), "About");
    EXPECT_EQ(editor->GetName(), "About");
    // Other rows keep the generic editor.
    std::unique_ptr<TPropertyEditor> name = CreatePropertyEditor(c, FindPropInfo(ClassInfoOf(c), "Tag"));
    EXPECT_STREQ(name->ClassName(), "TPropertyEditor");
    EXPECT_FALSE(name->GetAttributes().Contains(paDialog));
  }
}

TEST_F(PackageTest, AboutBoxIsAnOwnerlessOkBoxWithCarriageReturnLines) {
  TComponent* figure = Create("TAniFigure", "Figure1", DesignForm());
  std::unique_ptr<TPropertyEditor> editor =
      CreatePropertyEditor(figure, FindPropInfo(ClassInfoOf(figure), "About"));
  editor->Edit();
  const auto& boxes = HeadlessBackend()->MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  const TMessageBoxRecord& box = boxes[0];
  EXPECT_EQ(box.Caption, "About");
  EXPECT_EQ(box.Buttons, MB_OK);
  EXPECT_EQ(box.Buttons & MB_ICONMASK, 0u);
  EXPECT_EQ(box.OwnerName, "");
  EXPECT_EQ(box.Text.rfind("TAniFigure\rTAniMap\rTAniView\r", 0), 0u) << box.Text;
  EXPECT_EQ(box.Text.find('\n'), std::string::npos);
  EXPECT_EQ(box.Text.find("\r\r\r"), std::string::npos);
  const std::vector<std::string> lines = SplitCr(box.Text);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "Version 1.0");
  EXPECT_EQ(lines[5], "");
  EXPECT_FALSE(lines[6].empty());
  EXPECT_FALSE(lines[7].empty());
}

TEST_F(PackageTest, ClosingTheAboutBoxChangesNoProperty) {
  TForm* form = DesignForm();
  Create("TAniView", "View1", form);
  Create("TAniFigure", "Figure1", form);
  Create("TAniMap", "Map1", form);
  SetPropValue(form->FindComponent("View1"), FindPropInfo(FindClassInfo("TAniView"), "Interval"),
               int64_t{40});
  const std::string before = FormToText(form);
  for (const char* name : {"View1", "Figure1", "Map1"}) {
    TComponent* c = form->FindComponent(name);
    CreatePropertyEditor(c, FindPropInfo(ClassInfoOf(c), "About"))->Edit();
  }
  EXPECT_EQ(HeadlessBackend()->MessageBoxes().size(), 3u);
  EXPECT_EQ(FormToText(form), before);
}

// ---------------------------------------------------------------------------
// Resources
// ---------------------------------------------------------------------------
uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

TEST_F(PackageTest, PaletteIconsAre24By24With16Colours) {
  const TLibModule* module = package_->Module();
  ASSERT_NE(module, nullptr);
  std::set<std::vector<unsigned char>> pictures;
  for (const char* name : {"TANIFIGURE", "TANIMAP", "TANIVIEW"}) {
    SCOPED_TRACE(name);
    const TResourceEntry* r = FindResource(module, name);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r->Type, "BITMAP");
    ASSERT_GE(r->Size, 118u);
    const unsigned char* b = r->Data;
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Le32(b + 2), r->Size);
    const uint32_t offBits = Le32(b + 10);
    EXPECT_EQ(Le32(b + 14), 40u);  // info header
    EXPECT_EQ(Le32(b + 18), 24u);  // width
    EXPECT_EQ(Le32(b + 22), 24u);  // height
    EXPECT_EQ(Le16(b + 26), 1u);   // planes
    EXPECT_EQ(Le16(b + 28), 4u);   // bits per pixel
    EXPECT_EQ(Le32(b + 30), 0u);   // uncompressed
    EXPECT_EQ(Le32(b + 46), 16u);  // colour table entries
    EXPECT_EQ(offBits, 14u + 40u + 16u * 4u);
    EXPECT_EQ(r->Size, offBits + 12u * 24u);
    // A picture, not a blank: several colours, and the key colour in the corner.
    std::set<int> used;
    for (size_t i = offBits; i < r->Size; ++i) {
      used.insert(b[i] >> 4);
      used.insert(b[i] & 15);
    }
    EXPECT_GE(used.size(), 4u);
    pictures.insert(std::vector<unsigned char>(b + offBits, b + r->Size));
  }
  EXPECT_EQ(pictures.size(), 3u) << "three different icons";
}

TEST_F(PackageTest, DescriptionVersionAndUnitRecords) {
  const TLibModule* module = package_->Module();
  ASSERT_NE(module, nullptr);
  const TResourceEntry* d = FindResource(module, "DESCRIPTION");
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d->Size % 2, 0u);
  std::u16string text;
  for (size_t i = 0; i < d->Size; i += 2) text += static_cast<char16_t>(Le16(d->Data + i));
  EXPECT_EQ(text, u"Velmark Tools");

  const TResourceEntry* v = FindResource(module, "VERSION");
  ASSERT_NE(v, nullptr);
  TVersionInfo info;
  ASSERT_TRUE(ParseVersionInfo(v->Data, v->Size, info));
  EXPECT_EQ(info.FileVersionText(), "1.0.0.0");
  EXPECT_EQ(info.ProductVersionText(), "1.0.0.0");
  EXPECT_EQ(info.Value("CompanyName"), "Velmark Tools");
  EXPECT_FALSE(info.Value("LegalCopyright").empty());

  const TResourceEntry* p = FindResource(module, "PACKAGEINFO");
  ASSERT_NE(p, nullptr);
  const std::string pi(reinterpret_cast<const char*>(p->Data), p->Size);
  EXPECT_NE(pi.find("requires velplatform_shared\n"), std::string::npos);
  for (const char* unit : {"velpack1", "Velscene", "VelInit"})
    EXPECT_NE(pi.find(std::string("contains ") + unit + "\n"), std::string::npos) << unit;

  const TResourceEntry* o = FindResource(module, "PACKAGEOPTIONS");
  ASSERT_NE(o, nullptr);
  const std::string po(reinterpret_cast<const char*>(o->Data), o->Size);
  EXPECT_NE(po.find("Description=Velmark Tools\n"), std::string::npos);
  EXPECT_EQ(FindResource(module, "NOSUCHRESOURCE"), nullptr);
  EXPECT_EQ(FindResource(module, ""), nullptr);
}

// ---------------------------------------------------------------------------
// Load, unit table, unload
// ---------------------------------------------------------------------------
// The host unit of a platform header: "host_typinfo.h" -> "HostTypInfo".
std::string UnitOfHeader(const std::string& header) {
  // Helpers split out of a unit's header stay part of that unit.
  static const std::map<std::string, std::string> odd = {
      {"raster_objects", "raster"}, {"image_checks", "imageio"}, {"image_files", "imageio"},
      {"context_canvas", "controls"}, {"geometry", "raster"},     {"saturate", "controls"},
      {"image_error", "graphics"}};
  const std::string name = header.substr(header.rfind('/') + 1);
  std::string base = name.substr(0, name.size() - 2);
  if (auto it = odd.find(base); it != odd.end()) return it->second;
  std::string out;
  for (char c : base)
    if (c != '_') out += c;
  return out;
}

// Lower-case names of the host units whose headers the package's sources
// include, directly or through other host headers.
std::set<std::string> IncludedHostUnits() {
  namespace fs = std::filesystem;
  const fs::path root = VELSCENE_SOURCE_DIR;
  std::vector<fs::path> todo = {root / "platform/design/startup/velinit.cpp"};
  for (const char* dir : {"velscene", "velscene/internal", "velscene/design"})
    for (const auto& e : fs::directory_iterator(root / dir))
      if (e.path().extension() == ".cpp" || e.path().extension() == ".h") todo.push_back(e.path());
  std::set<std::string> headers, units;
  const std::string include = "#include \"velscene/platform/";
  while (!todo.empty()) {
    const fs::path file = todo.back();
    todo.pop_back();
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t at = text.find(include); at != std::string::npos; at = text.find(include, at + 1)) {
      const size_t start = at + include.size();
      const size_t end = text.find('"', start);
      const std::string h = text.substr(start, end - start);
      // Headers of the host layers only (backends are not units).
      if (h.rfind("backends/", 0) != 0 && headers.insert(h).second) todo.push_back(root / "platform" / h);
    }
  }
  for (const std::string& h : headers) units.insert(UnitOfHeader(h));
  return units;
}

TEST_F(PackageTest, UnitTableListsTheIncludedHostUnitsThenVelscene) {
  const TPackageInfoTable* table = package_->Table();
  ASSERT_NE(table, nullptr);
  ASSERT_GT(table->UnitCount, 1);
  std::set<std::string> listed;
  for (int32_t i = 0; i + 1 < table->UnitCount; ++i) {
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<const void*>(table->UnitInfo[i].Init), &info), 0);
    ASSERT_NE(info.dli_sname, nullptr);
    // _ZN3vel4unit<len>Name_InitializeEv
    const std::string sym = info.dli_sname;
    const std::string prefix = "_ZN3vel4unit", suffix = "_InitializeEv";
    ASSERT_EQ(sym.rfind(prefix, 0), 0u) << sym;
    ASSERT_GT(sym.size(), prefix.size() + suffix.size());
    ASSERT_EQ(sym.compare(sym.size() - suffix.size(), suffix.size(), suffix), 0) << sym;
    size_t at = prefix.size();
    while (at < sym.size() && std::isdigit(static_cast<unsigned char>(sym[at]))) ++at;
    std::string unit = sym.substr(at, sym.size() - suffix.size() - at);
    for (char& c : unit) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(listed.insert(unit).second) << unit << " twice";
    EXPECT_EQ(ModuleBaseOf(reinterpret_cast<const void*>(table->UnitInfo[i].FInit)),
              ModuleBaseOf(reinterpret_cast<const void*>(&HostUnitUseCount)));
  }
  EXPECT_EQ(listed, IncludedHostUnits());
  EXPECT_EQ(static_cast<size_t>(table->UnitCount), listed.size() + 1);
  // The last pair is Velscene's own, inside the package.
  const TPackageUnitEntry& last = table->UnitInfo[table->UnitCount - 1];
  EXPECT_EQ(ModuleBaseOf(reinterpret_cast<const void*>(last.Init)), package_->Module()->Instance);
}

TEST_F(PackageTest, InitializeAndFinalizeRunVelsceneOnceEachAndCountHostUnitUsers) {
  EXPECT_EQ(package_->VelsceneRuns(), std::make_pair(1, 0));
  EXPECT_EQ(HostUnitUseCount("Classes"), 1);
  EXPECT_EQ(HostUnitUseCount("Forms"), 0) << "not used by the package";
  EXPECT_EQ(HostUnitUseCount("NoSuchUnit"), -1);
  const int starts = HostUnitStartCount("HostTypInfo");
  package_->Initialize();
  EXPECT_EQ(package_->VelsceneRuns(), std::make_pair(2, 0));
  EXPECT_EQ(HostUnitUseCount("Classes"), 2);
  EXPECT_EQ(HostUnitStartCount("HostTypInfo"), starts) << "started once while in use";
  package_->Finalize();
  EXPECT_EQ(package_->VelsceneRuns(), std::make_pair(2, 1));
  package_->Finalize();
  EXPECT_EQ(package_->VelsceneRuns(), std::make_pair(2, 2));
  EXPECT_EQ(HostUnitUseCount("Classes"), 0);
  package_->Initialize();  // the fixture finalises once more
}

TEST_F(PackageTest, UnloadLeavesTheModuleListAndTakesItsRegistrations) {
  const std::string file = package_->Module()->FileName;
  EXPECT_TRUE(IsLoaded(VELPACK1_PATH));
  package_->Unload();
  EXPECT_FALSE(IsLoaded(VELPACK1_PATH)) << "the module really went away";
  for (const TLibModule* m : Modules()) EXPECT_NE(m->FileName, file);
  EXPECT_EQ(FindClassInfo("TAniView"), nullptr);
  EXPECT_EQ(FindClassInfo("TAniFigure"), nullptr);
  EXPECT_NE(FindClassInfo("TGraphicControl"), nullptr) << "host classes stay";
  for (const TPalettePage& p : PalettePages()) EXPECT_NE(p.Name, "Animation");
  for (const TPropertyEditorRegistration& r : PropertyEditorRegistrations())
    EXPECT_NE(r.PropertyType, "TAbout");
  // Loading again starts afresh.
  package_ = std::make_unique<Package>();
  EXPECT_EQ(package_->VelsceneRuns(), std::make_pair(1, 0));
  EXPECT_NE(FindClassInfo("TAniView"), nullptr);
  EXPECT_EQ(PropertyEditorRegistrations().size(), 3u);
}

TEST(PackageLanguage, GermanUserGetsTheResourceModuleAndLosesItOnUnload) {
  std::string resFile;
  {
    ScopedLanguage lang("de_DE.UTF-8");
    Package package;
    const TLibModule* module = package.Module();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->ResFileName, std::string(VELPACK1_PATH) + ".de");
    EXPECT_NE(module->ResHandle, nullptr);
    const TResourceEntry* tag = FindResource(module, "LANGUAGE");
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag->Data), tag->Size), "de");
    EXPECT_NE(FindResource(module, "TANIVIEW"), nullptr);
    resFile = module->ResFileName;
    EXPECT_TRUE(IsLoaded(resFile));
  }
  EXPECT_FALSE(IsLoaded(resFile)) << "resource module unloaded with the package";
}

TEST(PackageLanguage, OtherLanguagesUseThePackagesOwnResources) {
  for (const char* lang : {"C", "en_US.UTF-8", "fr_FR", ""}) {
    SCOPED_TRACE(lang);
    ScopedLanguage scoped(lang);
    Package package;
    const TLibModule* module = package.Module();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->ResHandle, nullptr);
    EXPECT_EQ(module->ResFileName, "");
    EXPECT_EQ(FindResource(module, "LANGUAGE"), nullptr);
    EXPECT_NE(FindResource(module, "DESCRIPTION"), nullptr);
  }
}

TEST(PackageLanguage, CandidatesGoFromFullLocaleToLanguage) {
  EXPECT_EQ(ResourceModuleCandidates("/x/libp.so", "de_AT"),
            (std::vector<std::string>{"/x/libp.so.de_AT", "/x/libp.so.de"}));
  EXPECT_EQ(ResourceModuleCandidates("/x/libp.so", "de"), (std::vector<std::string>{"/x/libp.so.de"}));
  EXPECT_TRUE(ResourceModuleCandidates("/x/libp.so", "").empty());
  ScopedLanguage slash("../../etc/passwd");
  EXPECT_EQ(UserLanguage(), "") << "a language never leaves the module's directory";
}

// ---------------------------------------------------------------------------
// Form files with the package's components
// ---------------------------------------------------------------------------
struct Handlers {
  int calls = 0;
  TMethodTable table;
  Handlers() {
    table.Add("Notify", TNotifyEvent([this](TObject*) { ++calls; }));
    table.Add("Collide", TCollideEvent([this](TObject*, TObject*, int32_t) { ++calls; }));
    table.Add("Mouse", TExtMouseEvent(
                           [this](TObject*, TMouseButton, TShiftState, int32_t, int32_t, float, float) { ++calls; }));
    table.Add("Move", TExtMouseMoveEvent([this](TObject*, TShiftState, int32_t, int32_t, float, float) { ++calls; }));
    table.Add("Key", TKeyEvent([this](TObject*, TKeyCode, char32_t, TShiftState) { ++calls; }));
    table.Add("Wheel", TExtMouseWheelEvent(
                           [this](TObject*, TShiftState, int32_t, int32_t, int32_t, float, float) { ++calls; }));
  }
};

// A distinct, valid value for every published property that can be set.
void SetEverything(TComponent* c, int seed, TMethodResolver* handlers) {
  for (const TPropInfo* p : GetPropList(ClassInfoOf(c))) {
    if (p->Name == "Name" || p->Kind == tkClass) continue;
    bool ok = true;
    switch (p->Kind) {
      case tkInteger: ok = SetPropValue(c, p, int64_t{seed * 7 + 3}); break;
      case tkCardinal: ok = SetPropValue(c, p, int64_t{seed * 5 + 11}); break;
      case tkSingle: ok = SetPropValue(c, p, 0.1 * seed + 1.7); break;
      case tkBoolean: ok = SetPropValue(c, p, seed % 2 == 0); break;
      case tkColor: ok = SetPropValue(c, p, int64_t{0x123456 + seed}); break;
      case tkEnum: ok = SetPropValue(c, p, int64_t{1}); break;
      case tkString: ok = SetPropValue(c, p, std::string("text ") + std::to_string(seed)); break;
      case tkMethod: {
        const std::string type = p->TypeName;
        const char* h = type == "TCollideEvent" ? "Collide" : type == "TExtMouseEvent" ? "Mouse"
                        : type == "TExtMouseMoveEvent" ? "Move" : type == "TKeyEvent" ? "Key"
                        : type == "TExtMouseWheelEvent" ? "Wheel" : "Notify";
        ok = SetMethodProp(c, p, h, handlers);
        break;
      }
      case tkClass: break;
    }
    EXPECT_TRUE(ok) << c->Name() << "." << p->Name;
  }
}

std::map<std::string, TPropValue> Snapshot(const TComponent* c) {
  std::map<std::string, TPropValue> out;
  for (const TPropInfo* p : GetPropList(ClassInfoOf(c))) out[p->Name] = GetPropValue(c, p);
  return out;
}

std::string TempFile(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name)).string();
}

TEST_F(PackageTest, FormWithViewMapAndTwoFiguresLoadsBackEqual) {
  for (bool designing : {false, true}) {
    SCOPED_TRACE(designing ? "designing" : "running");
    Handlers handlers;
    TForm source(nullptr);
    source.SetDesigning(designing);
    source.SetName("Scene");
    source.SetCaption("Scene");
    TComponent* view = Create("TAniView", "View1", &source);
    TComponent* map = Create("TAniMap", "Map1", &source);
    TComponent* f1 = Create("TAniFigure", "Hero", &source);
    TComponent* f2 = Create("TAniFigure", "Ghost", &source);
    int seed = 1;
    for (TComponent* c : {view, map, f1, f2}) SetEverything(c, seed++, &handlers.table);
    const std::string path = TempFile("scene.json");
    WriteFormFile(&source, path);

    TForm loaded(nullptr);
    loaded.SetDesigning(designing);
    ReadFormFile(&loaded, path, &handlers.table);
    std::remove(path.c_str());
    EXPECT_EQ(loaded.Name(), "Scene");
    EXPECT_EQ(loaded.Caption(), "Scene");
    ASSERT_EQ(loaded.ComponentCount(), source.ComponentCount());
    for (const char* name : {"View1", "Map1", "Hero", "Ghost"}) {
      SCOPED_TRACE(name);
      TComponent* a = source.FindComponent(name);
      TComponent* b = loaded.FindComponent(name);
      ASSERT_NE(b, nullptr);
      EXPECT_STREQ(a->ClassName(), b->ClassName());
      EXPECT_EQ(b->ComponentState().Contains(csDesigning), designing);
      EXPECT_EQ(Snapshot(a), Snapshot(b));
    }
    auto* v = dynamic_cast<TControl*>(loaded.FindComponent("View1"));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Parent(), &loaded);
    // The handlers were bound, not just named.
    auto* hero = loaded.FindComponent("Hero");
    const TPropInfo* onClick = FindPropInfo(ClassInfoOf(hero), "OnArrival");
    EXPECT_EQ(GetMethodName(hero, onClick), "Notify");
    EXPECT_EQ(FormToText(&loaded), FormToText(&source));
  }
}

TEST_F(PackageTest, ViewWritesIntervalAndColorAlwaysAndSkipsOtherDefaults) {
  TForm* form = DesignForm();
  TComponent* view = Create("TAniView", "View1", form);
  const std::string text = FormToText(form);
  EXPECT_NE(text.find("\"Interval\": 100"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Color\""), std::string::npos);
  for (const char* absent : {"\"Enabled\"", "\"Visible\"", "\"Align\"", "\"ShowHint\"", "\"About\"",
                             "\"OnMouseDown\"", "\"Tag\""})
    EXPECT_EQ(text.find(absent), std::string::npos) << absent;
  SetPropValue(view, FindPropInfo(ClassInfoOf(view), "ShowHint"), false);
  EXPECT_NE(FormToText(form).find("\"ShowHint\": false"), std::string::npos)
      << "stored once set, as the host's stored test says";
}

TEST_F(PackageTest, MalformedFormIsRejectedAndNothingIsLoaded) {
  TForm* form = DesignForm();
  Create("TAniView", "View1", form);
  Create("TAniFigure", "Hero", form);
  const std::string before = FormToText(form);
  const std::string path = TempFile("bad.json");
  struct Case {
    std::string text;
    std::vector<std::string> mentions;
  };
  const std::vector<Case> cases = {
      {"{\"format\": \"velscene-form\", \"version\": 1, \"class\": \"TForm\", \"components\": [",
       {"malformed JSON"}},
      {R"({"format": "velscene-form", "version": 1, "class": "TForm", "name": "Form1",
           "components": [{"class": "TAniMap", "name": "Map1", "properties": {"Width": 5}},
                          {"class": "TAniFigure", "name": "Hero", "properties": {"Speed": "fast"}}]})",
       {"'Hero' (TAniFigure)", "'Speed'", "expected a number"}},
      {R"({"format": "velscene-form", "version": 1, "class": "TForm", "name": "Form1",
           "components": [{"class": "TAniSprite", "name": "S"}]})",
       {"'S' (TAniSprite)", "unknown class"}},
      {R"({"format": "velscene-form", "version": 1, "class": "TForm", "name": "Form1",
           "components": [{"class": "TAniView", "name": "View1", "properties": {"Speed": 1}}]})",
       {"'View1' (TAniView)", "'Speed'", "unknown property"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    { std::ofstream(path) << c.text; }
    try {
      ReadFormFile(form, path, nullptr);
      ADD_FAILURE() << "accepted";
    } catch (const EFormFileError& e) {
      const std::string msg = e.what();
      EXPECT_EQ(msg.rfind(path + ": ", 0), 0u) << msg;
      for (const std::string& m : c.mentions) EXPECT_NE(msg.find(m), std::string::npos) << msg;
    }
    EXPECT_EQ(FormToText(form), before) << "nothing loaded";
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace vel
