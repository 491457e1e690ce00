// TAbout: the property editor of the About pseudo-property of the Velscene
// components; its button shows the about box.
#pragma once

#include <string>

#include "velscene/platform/design/design.h"

namespace vel {

class TAbout : public TPropertyEditor {
 public:
  const char* ClassName() const override { return "TAbout"; }
  // Shows the about box and returns when it is closed; changes nothing.
  void Edit() override;
  // {paDialog, paReadOnly}: a button, and no typing over the value.
  TPropertyAttributes GetAttributes() override;
  // "About"
  std::string GetValue() override;

  // The editor class that Register attaches to the About properties.
  static const TPropertyEditorClass EditorClass;
};

// The about box's lines, separated by single carriage returns.
std::string AboutText();

}  // namespace vel
