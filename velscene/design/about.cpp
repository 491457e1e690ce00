// TAbout: the about box text, its message box and the editor's attributes.
#include "velscene/design/about.h"

#include <iterator>

#include "velscene/platform/host/dialogs.h"

namespace vel {

namespace {

TPropertyEditor* CreateAbout() { return new TAbout(); }

}  // namespace

const TPropertyEditorClass TAbout::EditorClass = {"TAbout", &CreateAbout};

std::string AboutText() {
  constexpr const char* kLines[] = {
      "TAniFigure", "TAniMap", "TAniView", "", "Version 1.0", "", "Copyright (c) 2026 Velmark Tools.",
      "All rights reserved.",
  };
  std::string text;
  for (size_t i = 0; i < std::size(kLines); ++i) {
    if (i > 0) text += '\r';
    text += kLines[i];
  }
  return text;
}

void TAbout::Edit() { MessageBox(nullptr, AboutText(), "About", MB_OK); }

TPropertyAttributes TAbout::GetAttributes() { return TPropertyAttributes(paDialog) | paReadOnly; }

std::string TAbout::GetValue() { return "About"; }

}  // namespace vel
