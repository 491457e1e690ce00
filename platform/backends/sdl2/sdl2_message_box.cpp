// The SDL2 backend's message box: SDL_ShowMessageBox with the host's buttons,
// modal over the owning form's window.
#include <SDL.h>

#include "velscene/platform/backends/sdl2/sdl2.h"
#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/sdl2/internal/sdl2_message_box.h"

namespace vel {

int TSdl2Backend::MessageBox(TForm* owner, const std::string& text, const std::string& caption,
                             unsigned buttons) {
  const TBoxLayout layout = MessageBoxLayout(buttons);
  SDL_MessageBoxButtonData data[3]{};
  for (int i = 0; i < layout.Count; ++i) {
    const TBoxButton& b = layout.Buttons[i];
    Uint32 flags = 0;
    if (b.ReturnKey) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (b.EscapeKey) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    data[i] = {flags, b.Id, b.Label};
  }
  Uint32 flags = SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  switch (layout.Icon) {
    case TBoxIcon::Error:
      flags |= SDL_MESSAGEBOX_ERROR;
      break;
    case TBoxIcon::Warning:
      flags |= SDL_MESSAGEBOX_WARNING;
      break;
    case TBoxIcon::Information:
      flags |= SDL_MESSAGEBOX_INFORMATION;
      break;
    case TBoxIcon::None:
      break;
  }
  const std::string shown = MessageBoxText(text);
  const TWindow* w = Find(owner);
  const SDL_MessageBoxData box{flags,         w != nullptr ? w->window : nullptr,
                               caption.c_str(), shown.c_str(),
                               layout.Count,  data,
                               nullptr};
  int answer = -1;
  if (SDL_ShowMessageBox(&box, &answer) != 0) return layout.DismissId;
  // The box took the pointer: a release it swallowed must not leave a button
  // held.
  Application().ReleaseMouseButtons();
  return answer < 0 ? layout.DismissId : answer;
}

}  // namespace vel
