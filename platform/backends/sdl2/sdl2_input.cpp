// The SDL2 backend's keyboard and wheel: SDL key codes turned into the host's
// key codes, the typed character taken from the text event SDL queues right
// after a key press, and wheel turns in notches of WHEEL_DELTA.
#include <SDL.h>

#include <cmath>

#include "velscene/platform/backends/sdl2/sdl2.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/host/keys.h"

namespace vel {

namespace {

static_assert(SDL_NUM_SCANCODES <= 512, "typed_ holds one character per scancode");

TKeyCode KeyCodeOf(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return TKeyCode('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return TKeyCode('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return TKeyCode(VK_F1 + (k - SDLK_F1));
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return TKeyCode(VK_NUMPAD0 + 1 + (k - SDLK_KP_1));
  switch (k) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS:
    case SDLK_PLUS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
  }
}

// The first code point of UTF-8 text; 0 for none or a malformed start.
char32_t FirstCodePoint(const char* text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  if (p[0] < 0x80) return p[0];
  int extra = p[0] >= 0xF0 ? 3 : p[0] >= 0xE0 ? 2 : p[0] >= 0xC0 ? 1 : -1;
  if (extra < 0 || p[0] >= 0xF8) return 0;
  char32_t c = p[0] & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (p[i] & 0x3F);
  }
  return c;
}

}  // namespace

void TSdl2Backend::HandleKeyEvent(const SDL_Event& event) {
  const SDL_Scancode scancode = event.key.keysym.scancode;
  const size_t slot = scancode >= 0 && size_t(scancode) < typed_.size() ? size_t(scancode) : 0;
  const TKeyCode key = KeyCodeOf(event.key.keysym.sym);
  char32_t ch = 0;
  if (event.type == SDL_KEYDOWN) {
    // SDL queues the text a press types right behind the press.
    SDL_Event next;
    if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 && next.type == SDL_TEXTINPUT) {
      SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT);
      ch = FirstCodePoint(next.text.text);
    } else if (!mods_.Contains(ssCtrl) && !mods_.Contains(ssAlt)) {
      ch = KeyChar(key, mods_.Contains(ssShift));  // Return, Escape, ... type no text event
    }
    if (slot != 0) typed_[slot] = ch;
  } else if (slot != 0) {
    ch = typed_[slot];
    typed_[slot] = 0;
  }
  TWindow* w = FindById(event.key.windowID);
  if (w == nullptr || !w->form->Visible()) return;
  if (event.type == SDL_KEYDOWN)
    w->form->DispatchKeyDown(key, ch, mods_);
  else
    w->form->DispatchKeyUp(key, ch, mods_);
}

void TSdl2Backend::HandleWheelEvent(const SDL_Event& event) {
  TWindow* w = FindById(event.wheel.windowID);
  if (w == nullptr || !w->form->Visible()) return;
#if SDL_VERSION_ATLEAST(2, 0, 18)
  float turned = event.wheel.preciseY;
#else
  float turned = float(event.wheel.y);
#endif
  if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) turned = -turned;
  const long delta = std::lround(double(turned) * WHEEL_DELTA);
  if (delta == 0 || std::abs(delta) > 1000000) return;  // sideways only, or nonsense
#if SDL_VERSION_ATLEAST(2, 26, 0)
  const int x = event.wheel.mouseX, y = event.wheel.mouseY;
#else
  int x = 0, y = 0;
  SDL_GetMouseState(&x, &y);
#endif
  w->form->DispatchMouseWheel(mods_, int32_t(delta), x, y);
}

}  // namespace vel
