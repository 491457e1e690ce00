// Key names and the layout-independent characters of keys.
#include "velscene/platform/host/keys.h"

#include <cctype>

namespace vel {

namespace {

struct TNamedKey {
  TKeyCode Key;
  const char* Name;
};

constexpr TNamedKey kNames[] = {
    {VK_BACK, "Backspace"}, {VK_TAB, "Tab"},          {VK_RETURN, "Return"},    {VK_SHIFT, "Shift"},
    {VK_CONTROL, "Ctrl"},   {VK_MENU, "Alt"},         {VK_PAUSE, "Pause"},      {VK_CAPITAL, "CapsLock"},
    {VK_ESCAPE, "Escape"},  {VK_SPACE, "Space"},      {VK_PRIOR, "PageUp"},     {VK_NEXT, "PageDown"},
    {VK_END, "End"},        {VK_HOME, "Home"},        {VK_LEFT, "Left"},        {VK_UP, "Up"},
    {VK_RIGHT, "Right"},    {VK_DOWN, "Down"},        {VK_INSERT, "Insert"},    {VK_DELETE, "Delete"},
    {VK_MULTIPLY, "NumMultiply"}, {VK_ADD, "NumPlus"}, {VK_SUBTRACT, "NumMinus"}, {VK_DECIMAL, "NumDecimal"},
    {VK_DIVIDE, "NumDivide"}, {VK_OEM_1, "Semicolon"}, {VK_OEM_PLUS, "Plus"},   {VK_OEM_COMMA, "Comma"},
    {VK_OEM_MINUS, "Minus"}, {VK_OEM_PERIOD, "Period"}, {VK_OEM_2, "Slash"},    {VK_OEM_3, "Backquote"},
    {VK_OEM_4, "LeftBracket"}, {VK_OEM_5, "Backslash"}, {VK_OEM_6, "RightBracket"}, {VK_OEM_7, "Quote"},
};

bool SameText(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return i == a.size() && b[i] == '\0';
}

}  // namespace

std::string KeyName(TKeyCode key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
  // Appended rather than concatenated: GCC 12 at -O3 warns falsely about
  // `"F" + std::to_string(n)` (-Wrestrict).
  std::string name;
  if (key >= VK_F1 && key < VK_F1 + 12) return name.append("F").append(std::to_string(key - VK_F1 + 1));
  if (key >= VK_NUMPAD0 && key < VK_NUMPAD0 + 10) return name.append("Num").append(std::to_string(key - VK_NUMPAD0));
  for (const TNamedKey& k : kNames)
    if (k.Key == key) return k.Name;
  return "";
}

TKeyCode KeyFromName(const std::string& name) {
  if (name.empty()) return 0;
  for (TKeyCode key = 1; key < 0x100; ++key) {
    const std::string n = KeyName(key);
    if (!n.empty() && SameText(name, n.c_str())) return key;
  }
  return 0;
}

char32_t KeyChar(TKeyCode key, bool shift) {
  if (key >= 'A' && key <= 'Z') return shift ? char32_t(key) : char32_t(key - 'A' + 'a');
  if (key >= '0' && key <= '9') return shift ? 0 : char32_t(key);  // shifted digits depend on the layout
  if (key >= VK_NUMPAD0 && key < VK_NUMPAD0 + 10) return char32_t('0' + (key - VK_NUMPAD0));
  switch (key) {
    case VK_SPACE: return U' ';
    case VK_RETURN: return U'\r';
    case VK_TAB: return U'\t';
    case VK_BACK: return U'\b';
    case VK_ESCAPE: return U'\x1B';
    case VK_ADD: return U'+';
    case VK_SUBTRACT: return U'-';
    case VK_MULTIPLY: return U'*';
    case VK_DIVIDE: return U'/';
    case VK_DECIMAL: return U'.';
    default: return 0;
  }
}

}  // namespace vel
