// Message boxes: the GDI-style button and icon flags, the ids of the buttons
// and MessageBox, shown modally by the application's backend.
#pragma once

#include <string>

namespace vel {

class TComponent;

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONASTERISK = 0x40;
constexpr unsigned MB_ICONERROR = MB_ICONHAND;
constexpr unsigned MB_ICONSTOP = MB_ICONHAND;
constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr unsigned MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr unsigned MB_ICONMASK = 0xF0;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The button a box of these flags answers with when accepted as it stands:
// its first button (IDOK for MB_OK and MB_OKCANCEL, IDYES for MB_YESNO, ...).
int DefaultButtonId(unsigned buttons);

// Shows a modal message box and returns the id of the button that closed it.
// `owner` (may be null) places it over the form that owns or parents it.
int MessageBox(TComponent* owner, const std::string& text, const std::string& caption,
               unsigned buttons);

}  // namespace vel
