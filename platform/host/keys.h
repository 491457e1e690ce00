// Keys: the key codes of the host's key events (the virtual-key numbers of
// the GUI host it models), the wheel's notch size, and key names for files
// and logs.
#pragma once

#include <cstdint>
#include <string>

namespace vel {

// Letters and digits are their upper-case ASCII codes ('A', '7'); 0 is a key
// without a code of its own.
using TKeyCode = uint16_t;

constexpr TKeyCode VK_BACK = 0x08;
constexpr TKeyCode VK_TAB = 0x09;
constexpr TKeyCode VK_RETURN = 0x0D;
constexpr TKeyCode VK_SHIFT = 0x10;
constexpr TKeyCode VK_CONTROL = 0x11;
constexpr TKeyCode VK_MENU = 0x12;  // Alt
constexpr TKeyCode VK_PAUSE = 0x13;
constexpr TKeyCode VK_CAPITAL = 0x14;
constexpr TKeyCode VK_ESCAPE = 0x1B;
constexpr TKeyCode VK_SPACE = 0x20;
constexpr TKeyCode VK_PRIOR = 0x21;  // Page Up
constexpr TKeyCode VK_NEXT = 0x22;   // Page Down
constexpr TKeyCode VK_END = 0x23;
constexpr TKeyCode VK_HOME = 0x24;
constexpr TKeyCode VK_LEFT = 0x25;
constexpr TKeyCode VK_UP = 0x26;
constexpr TKeyCode VK_RIGHT = 0x27;
constexpr TKeyCode VK_DOWN = 0x28;
constexpr TKeyCode VK_INSERT = 0x2D;
constexpr TKeyCode VK_DELETE = 0x2E;
constexpr TKeyCode VK_NUMPAD0 = 0x60;  // to VK_NUMPAD0 + 9
constexpr TKeyCode VK_MULTIPLY = 0x6A;
constexpr TKeyCode VK_ADD = 0x6B;
constexpr TKeyCode VK_SUBTRACT = 0x6D;
constexpr TKeyCode VK_DECIMAL = 0x6E;
constexpr TKeyCode VK_DIVIDE = 0x6F;
constexpr TKeyCode VK_F1 = 0x70;  // to VK_F1 + 11 (F12)
constexpr TKeyCode VK_OEM_1 = 0xBA;  // ;
constexpr TKeyCode VK_OEM_PLUS = 0xBB;  // = and +
constexpr TKeyCode VK_OEM_COMMA = 0xBC;
constexpr TKeyCode VK_OEM_MINUS = 0xBD;
constexpr TKeyCode VK_OEM_PERIOD = 0xBE;
constexpr TKeyCode VK_OEM_2 = 0xBF;  // /
constexpr TKeyCode VK_OEM_3 = 0xC0;  // `
constexpr TKeyCode VK_OEM_4 = 0xDB;  // [
constexpr TKeyCode VK_OEM_5 = 0xDC;  // backslash
constexpr TKeyCode VK_OEM_6 = 0xDD;  // ]
constexpr TKeyCode VK_OEM_7 = 0xDE;  // '

// One notch of the wheel; a wheel event's delta is a multiple of it for a
// notched wheel, positive when turned away from the user.
constexpr int32_t WHEEL_DELTA = 120;

// "Left", "A", "7", "F1", "Escape", "Plus", "NumPlus", ...; "" for a code
// without a name.
std::string KeyName(TKeyCode key);
// The code of a name KeyName gives (letters in either case); 0 if none.
TKeyCode KeyFromName(const std::string& name);
// The character a key types without modifiers other than Shift, for keys
// whose character does not depend on the keyboard layout (letters, digits,
// space, the keypad's operators, Return, Tab, Backspace, Escape); 0 otherwise.
char32_t KeyChar(TKeyCode key, bool shift);

}  // namespace vel
