// The builder session: package lifetime, the design form and the commands.
#include "apps/builder/session.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "apps/builder/listings.h"
#include "velscene/platform/host/application.h"
#include "velscene/platform/design/design.h"
#include "velscene/platform/host/events.h"
#include "velscene/platform/typinfo/formfile.h"
#include "velscene/platform/host/forms.h"

namespace vel {

namespace {

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The text after the first `n` words (for values that contain spaces).
std::string RestAfter(const std::string& line, size_t n) {
  size_t pos = 0;
  for (size_t i = 0; i < n; ++i) {
    pos = line.find_first_not_of(" \t", pos);
    if (pos == std::string::npos) return {};
    pos = line.find_first_of(" \t", pos);
    if (pos == std::string::npos) return {};
  }
  pos = line.find_first_not_of(" \t", pos);
  return pos == std::string::npos ? std::string() : line.substr(pos);
}

constexpr const char* kHelp =
    "commands:\n"
    "  palette | package | components | help\n"
    "  new CLASS NAME          put a component on the form\n"
    "  delete NAME\n"
    "  set NAME PROP VALUE     through the property's editor (NAME may be the form)\n"
    "  inspect NAME            the inspector rows\n"
    "  edit NAME PROP          press the row's button\n"
    "  about NAME              = edit NAME About\n"
    "  save FILE | load FILE   form files\n"
    "  paint | pixel X Y       paint the form, read one of its pixels\n"
    "  show | run              show the form; run the message loop until it closes\n"
    "  echo TEXT\n";

}  // namespace

bool TDesignerMethods::Resolve(const std::string& name, const std::type_info& eventType,
                               void* event) {
  if (event == nullptr || eventType != typeid(TNotifyEvent)) return false;
  *static_cast<TNotifyEvent*>(event) = TNotifyEvent([name](TObject*) {
    std::printf("[handler] %s\n", name.c_str());
    std::fflush(stdout);
  });
  return true;
}

TBuilderSession::~TBuilderSession() { Stop(); }

bool TBuilderSession::Start(const std::string& packagePath) {
  std::string error;
  if (!LoadPackage(packagePath, package_, error)) {
    std::fprintf(out_, "error: %s\n", error.c_str());
    return false;
  }
  std::fprintf(out_, "Loaded %s\n", packagePath.c_str());
  if (package_.Register == nullptr) {
    std::fprintf(out_, "error: %s has no Register\n", packagePath.c_str());
    Stop();
    return false;
  }
  package_.Register();
  form_ = std::make_unique<TForm>(nullptr);
  form_->SetDesigning(true);
  form_->SetName("Form1");
  form_->SetCaption("Form1");
  form_->SetClientSize(480, 320);
  return true;
}

void TBuilderSession::Stop() {
  form_.reset();
  if (package_.Handle == nullptr) return;
  UnloadPackage(package_);
  std::fprintf(out_, "Finalized and unloaded the package\n");
}

bool TBuilderSession::Fail(const std::string& message) {
  std::fprintf(out_, "error: %s\n", message.c_str());
  return false;
}

TComponent* TBuilderSession::Find(const std::string& name) {
  if (!form_) return nullptr;
  if (name == form_->Name()) return form_.get();
  return form_->FindComponent(name);
}

bool TBuilderSession::New(const std::vector<std::string>& args) {
  if (args.size() != 3) return Fail("usage: new CLASS NAME");
  const TClassInfo* info = FindClassInfo(args[1]);
  if (info == nullptr || info->Create == nullptr) return Fail("unknown class " + args[1]);
  TComponent* c = info->Create(form_.get());
  try {
    c->SetName(args[2]);
  } catch (const std::exception& e) {
    delete c;
    return Fail(e.what());
  }
  if (auto* control = dynamic_cast<TControl*>(c)) {
    control->SetParent(form_.get());
    if (control->Width() == 0 && control->Height() == 0) control->SetBounds(8, 8, 200, 150);
  }
  std::fprintf(out_, "Created %s: %s\n", args[2].c_str(), info->ClassName.c_str());
  return true;
}

bool TBuilderSession::Set(const std::vector<std::string>& args, const std::string& value) {
  if (args.size() < 3) return Fail("usage: set NAME PROP VALUE");
  TComponent* c = Find(args[1]);
  if (c == nullptr) return Fail("no component " + args[1]);
  const TPropInfo* prop = FindPropInfo(ClassInfoOf(c), args[2]);
  if (prop == nullptr) return Fail(args[1] + " has no property " + args[2]);
  if (prop->Kind == tkMethod) {
    if (!SetMethodProp(c, prop, value, &methods_))
      return Fail(prop->Name + ": the designer has no stub for " + prop->TypeName + " handlers");
  } else {
    std::unique_ptr<TPropertyEditor> editor = CreatePropertyEditor(c, prop);
    if (editor->GetAttributes().Contains(paReadOnly)) return Fail(prop->Name + " is read-only");
    try {
      editor->SetValue(value);
    } catch (const std::exception& e) {
      return Fail(e.what());
    }
  }
  std::fprintf(out_, "%s.%s = %s\n", args[1].c_str(), prop->Name.c_str(),
               CreatePropertyEditor(c, prop)->GetValue().c_str());
  return true;
}

bool TBuilderSession::Edit(const std::string& name, const std::string& propName) {
  TComponent* c = Find(name);
  if (c == nullptr) return Fail("no component " + name);
  const TPropInfo* prop = FindPropInfo(ClassInfoOf(c), propName);
  if (prop == nullptr) return Fail(name + " has no property " + propName);
  std::unique_ptr<TPropertyEditor> editor = CreatePropertyEditor(c, prop);
  if (!editor->GetAttributes().Contains(paDialog)) return Fail(prop->Name + " has no button");
  editor->Activate();
  editor->Edit();
  return true;
}

bool TBuilderSession::Pixel(const std::vector<std::string>& args) {
  if (args.size() != 3) return Fail("usage: pixel X Y");
  char* end1 = nullptr;
  char* end2 = nullptr;
  const long x = std::strtol(args[1].c_str(), &end1, 10);
  const long y = std::strtol(args[2].c_str(), &end2, 10);
  if (*end1 != '\0' || *end2 != '\0' || x < 0 || y < 0 || x >= form_->ClientWidth() ||
      y >= form_->ClientHeight())
    return Fail("pixel: coordinates outside the form");
  const COLORREF c = form_->Canvas()->GetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
  std::fprintf(out_, "pixel %ld %ld = $%08X\n", x, y, static_cast<unsigned>(c));
  return true;
}

bool TBuilderSession::Execute(const std::string& line) {
  const std::vector<std::string> w = Words(line);
  if (w.empty() || w[0][0] == '#') return true;
  if (!form_) return Fail("no package loaded");
  const std::string& cmd = w[0];
  if (cmd == "help") {
    std::fputs(kHelp, out_);
  } else if (cmd == "echo") {
    std::fprintf(out_, "%s\n", RestAfter(line, 1).c_str());
  } else if (cmd == "palette") {
    PrintPalette(out_);
  } else if (cmd == "package") {
    PrintPackage(out_, package_);
  } else if (cmd == "new") {
    return New(w);
  } else if (cmd == "delete" && w.size() == 2) {
    TComponent* c = form_->FindComponent(w[1]);
    if (c == nullptr) return Fail("no component " + w[1]);
    delete c;
    std::fprintf(out_, "Deleted %s\n", w[1].c_str());
  } else if (cmd == "components") {
    for (int i = 0; i < form_->ComponentCount(); ++i) {
      TComponent* c = form_->Components(i);
      const auto* control = dynamic_cast<TControl*>(c);
      std::fprintf(out_, "  %s: %s%s\n", c->Name().c_str(), c->ClassName(),
                   control && control->Parent() ? " (on the form)" : "");
    }
  } else if (cmd == "set") {
    return Set(w, RestAfter(line, 3));
  } else if (cmd == "inspect" && w.size() == 2) {
    TComponent* c = Find(w[1]);
    if (c == nullptr) return Fail("no component " + w[1]);
    PrintInspector(out_, c);
  } else if (cmd == "edit" && w.size() == 3) {
    return Edit(w[1], w[2]);
  } else if (cmd == "about" && w.size() == 2) {
    return Edit(w[1], "About");
  } else if ((cmd == "save" || cmd == "load") && w.size() == 2) {
    try {
      if (cmd == "save") {
        WriteFormFile(form_.get(), w[1]);
        std::fprintf(out_, "Saved %s\n", w[1].c_str());
      } else {
        ReadFormFile(form_.get(), w[1], &methods_);
        std::fprintf(out_, "Loaded %s: %d components\n", w[1].c_str(), form_->ComponentCount());
      }
    } catch (const std::exception& e) {
      return Fail(e.what());
    }
  } else if (cmd == "paint") {
    form_->PaintAll();
    std::fprintf(out_, "Painted %s\n", form_->Name().c_str());
  } else if (cmd == "pixel") {
    return Pixel(w);
  } else if (cmd == "show") {
    form_->Show();
  } else if (cmd == "run") {
    form_->Show();
    Application().Run();
  } else {
    return Fail("unknown command or wrong arguments: " + line + " (try help)");
  }
  return true;
}

int TBuilderSession::RunScript(std::FILE* in, bool prompt) {
  int failures = 0;
  std::string line;
  for (;;) {
    if (prompt) {
      std::fputs("> ", out_);
      std::fflush(out_);
    }
    line.clear();
    int ch;
    while ((ch = std::fgetc(in)) != EOF && ch != '\n') line += static_cast<char>(ch);
    if (ch == EOF && line.empty()) break;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find_first_not_of(" \t");
    const bool mustFail = first != std::string::npos && line[first] == '!';
    if (mustFail) line = line.substr(first + 1);
    const bool ok = Execute(line);
    if (ok == mustFail) {
      ++failures;
      if (mustFail) std::fprintf(out_, "error: expected to fail: %s\n", line.c_str());
    }
    std::fflush(out_);
  }
  return failures;
}

}  // namespace vel
