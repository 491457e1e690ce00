// MessageBox: finds the form a component belongs to and lets the backend show
// the box.
#include "velscene/platform/host/dialogs.h"

#include "velscene/platform/host/application.h"
#include "velscene/platform/host/controls.h"
#include "velscene/platform/host/forms.h"

namespace vel {

int DefaultButtonId(unsigned buttons) {
  switch (buttons & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
      return IDYES;
    case MB_RETRYCANCEL:
      return IDRETRY;
    default:
      return IDOK;
  }
}

namespace {

// The form a control sits on, or the nearest form up the owner chain.
TForm* FormOf(TComponent* c) {
  for (; c != nullptr; c = c->Owner()) {
    if (auto* form = dynamic_cast<TForm*>(c)) return form;
    if (auto* control = dynamic_cast<TControl*>(c); control && control->Parent())
      return control->Parent();
  }
  return nullptr;
}

}  // namespace

int MessageBox(TComponent* owner, const std::string& text, const std::string& caption,
               unsigned buttons) {
  return Application().Backend().MessageBox(FormOf(owner), text, caption, buttons);
}

}  // namespace vel
