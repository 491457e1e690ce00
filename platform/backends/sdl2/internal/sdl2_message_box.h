// What a host message box shows in an SDL2 window: its buttons with their ids,
// the Return and Escape buttons, the icon, and the text with its line breaks.
#pragma once

#include <string>

#include "velscene/platform/host/dialogs.h"

namespace vel {

struct TBoxButton {
  int Id = IDOK;
  const char* Label = "OK";
  bool ReturnKey = false;  // Return presses it
  bool EscapeKey = false;  // Escape presses it
};

enum class TBoxIcon { None, Error, Warning, Information };

struct TBoxLayout {
  TBoxButton Buttons[3];
  int Count = 0;
  // The answer when the box is closed without a button (Escape or its close
  // box): Cancel, else No, else Abort, else OK.
  int DismissId = IDOK;
  TBoxIcon Icon = TBoxIcon::None;
};

// Buttons left to right; the first is the Return button, as DefaultButtonId
// has it. Unknown button types show a lone OK. No icon unless one is asked for
// (a question shows the information icon: SDL has none of its own).
constexpr TBoxLayout MessageBoxLayout(unsigned flags) {
  TBoxLayout box;
  auto add = [&box](int id, const char* label) { box.Buttons[box.Count++] = {id, label, false, false}; };
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
      add(IDOK, "OK");
      add(IDCANCEL, "Cancel");
      break;
    case MB_ABORTRETRYIGNORE:
      add(IDABORT, "Abort");
      add(IDRETRY, "Retry");
      add(IDIGNORE, "Ignore");
      break;
    case MB_YESNOCANCEL:
      add(IDYES, "Yes");
      add(IDNO, "No");
      add(IDCANCEL, "Cancel");
      break;
    case MB_YESNO:
      add(IDYES, "Yes");
      add(IDNO, "No");
      break;
    case MB_RETRYCANCEL:
      add(IDRETRY, "Retry");
      add(IDCANCEL, "Cancel");
      break;
    default:
      add(IDOK, "OK");
      break;
  }
  box.Buttons[0].ReturnKey = true;
  int dismiss = -1;
  for (int wanted : {IDCANCEL, IDNO, IDABORT, IDOK}) {
    for (int i = 0; i < box.Count && dismiss < 0; ++i)
      if (box.Buttons[i].Id == wanted) dismiss = i;
  }
  box.Buttons[dismiss].EscapeKey = true;
  box.DismissId = box.Buttons[dismiss].Id;
  switch (flags & MB_ICONMASK) {
    case MB_ICONHAND:
      box.Icon = TBoxIcon::Error;
      break;
    case MB_ICONEXCLAMATION:
      box.Icon = TBoxIcon::Warning;
      break;
    case MB_ICONQUESTION:
    case MB_ICONASTERISK:
      box.Icon = TBoxIcon::Information;
      break;
    default:
      break;
  }
  return box;
}

// Lines may be separated by "\r\n", "\n" or a lone "\r"; the box wants "\n".
inline std::string MessageBoxText(const std::string& text) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r')
      shown += text[i];
    else if (i + 1 >= text.size() || text[i + 1] != '\n')
      shown += '\n';
  }
  return shown;
}

}  // namespace vel
