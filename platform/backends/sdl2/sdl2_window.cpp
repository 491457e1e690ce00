// The SDL2 backend's windows: one SDL window, renderer and streaming texture
// per form, kept in step with the form and showing its surface.
#include <SDL.h>

#include "velscene/platform/backends/sdl2/sdl2.h"
#include "velscene/platform/backends/sdl2/internal/sdl2_geometry.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/raster/raster.h"

namespace vel {

TSdl2Backend::TWindow* TSdl2Backend::Find(const TForm* form) {
  for (TWindow& w : windows_)
    if (w.form == form) return &w;
  return nullptr;
}

const TSdl2Backend::TWindow* TSdl2Backend::Find(const TForm* form) const {
  for (const TWindow& w : windows_)
    if (w.form == form) return &w;
  return nullptr;
}

TSdl2Backend::TWindow* TSdl2Backend::FindById(uint32_t id) {
  if (id == 0) return nullptr;
  for (TWindow& w : windows_)
    if (w.id == id) return &w;
  return nullptr;
}

uint32_t TSdl2Backend::WindowId(const TForm* form) const {
  const TWindow* w = Find(form);
  return w != nullptr ? w->id : 0;
}

// A window that cannot be made (or gets no renderer) stays in the list
// without it: the form works on, nothing reaches the screen.
void TSdl2Backend::WindowCreated(TForm* form) {
  if (form == nullptr || Find(form) != nullptr) return;
  TWindow w;
  w.form = form;
  w.window = SDL_CreateWindow(form->Caption().c_str(), WindowCoordinate(form->Left()),
                              WindowCoordinate(form->Top()), WindowExtent(form->ClientWidth()),
                              WindowExtent(form->ClientHeight()),
                              SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (w.window != nullptr) {
    w.id = SDL_GetWindowID(w.window);
    w.renderer = SDL_CreateRenderer(w.window, -1, 0);
    if (w.renderer == nullptr) w.renderer = SDL_CreateRenderer(w.window, -1, SDL_RENDERER_SOFTWARE);
  }
  windows_.push_back(w);
}

void TSdl2Backend::DestroyWindow(TWindow& w) {
  if (w.texture != nullptr) SDL_DestroyTexture(w.texture);
  if (w.renderer != nullptr) SDL_DestroyRenderer(w.renderer);
  if (w.window != nullptr) SDL_DestroyWindow(w.window);
  w = TWindow{};
}

void TSdl2Backend::WindowDestroyed(TForm* form) {
  for (auto it = windows_.begin(); it != windows_.end(); ++it) {
    if (it->form != form) continue;
    DestroyWindow(*it);
    windows_.erase(it);
    return;
  }
}

void TSdl2Backend::WindowShown(TForm* form, bool visible) {
  TWindow* w = Find(form);
  if (w == nullptr || w->window == nullptr) return;
  if (!visible) {
    SDL_HideWindow(w->window);
    return;
  }
  SDL_ShowWindow(w->window);
  SyncFormGeometry(*w);  // a window manager may have placed it elsewhere
  Render(*w);
}

void TSdl2Backend::WindowMoved(TForm* form) {
  TWindow* w = Find(form);
  if (syncing_ || w == nullptr || w->window == nullptr) return;
  SDL_SetWindowPosition(w->window, WindowCoordinate(form->Left()), WindowCoordinate(form->Top()));
}

void TSdl2Backend::WindowResized(TForm* form) {
  TWindow* w = Find(form);
  if (syncing_ || w == nullptr || w->window == nullptr) return;
  SDL_SetWindowSize(w->window, WindowExtent(form->ClientWidth()), WindowExtent(form->ClientHeight()));
}

void TSdl2Backend::WindowCaptionChanged(TForm* form) {
  TWindow* w = Find(form);
  if (w == nullptr || w->window == nullptr) return;
  SDL_SetWindowTitle(w->window, form->Caption().c_str());
}

// What the user or the window manager did to the window becomes the form's
// position and client size (realigning its controls); a window that merely
// holds the clamped form size (a form of width 0 has a window 1 wide) changes
// nothing. The current window state is read rather than the event's, so a run
// of queued moves and resizes cannot replay stale sizes onto the form.
void TSdl2Backend::SyncFormGeometry(TWindow& w) {
  if (w.window == nullptr || syncing_) return;
  TForm* form = w.form;
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(w.window, &x, &y);
  SDL_GetWindowSize(w.window, &width, &height);
  syncing_ = true;
  if (x != WindowCoordinate(form->Left()) || y != WindowCoordinate(form->Top()))
    form->SetPosition(x, y);
  if (width != WindowExtent(form->ClientWidth()) || height != WindowExtent(form->ClientHeight()))
    form->SetClientSize(width, height);
  syncing_ = false;
}

// Copies the surface into the window's streaming texture (made again only
// when the surface's size changed) and shows it.
void TSdl2Backend::Present(TForm* form) {
  TWindow* w = Find(form);
  if (w == nullptr || w->renderer == nullptr) return;
  const PixelView view = LockPixels(form->Surface()->Handle());
  const bool usable = view.valid && view.width > 0 && view.height > 0 &&
                      view.width <= kMaxWindowExtent && view.height <= kMaxWindowExtent;
  if (!usable || view.width != w->textureWidth || view.height != w->textureHeight) {
    if (w->texture != nullptr) SDL_DestroyTexture(w->texture);
    w->texture = nullptr;
    w->textureWidth = w->textureHeight = 0;
    if (usable) {
      // Pixel words are 0x00RRGGBB.
      w->texture = SDL_CreateTexture(w->renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                     view.width, view.height);
      if (w->texture != nullptr) {
        SDL_SetTextureScaleMode(w->texture, SDL_ScaleModeNearest);
        SDL_SetTextureBlendMode(w->texture, SDL_BLENDMODE_NONE);
        w->textureWidth = view.width;
        w->textureHeight = view.height;
      }
    }
  }
  if (w->texture != nullptr) SDL_UpdateTexture(w->texture, nullptr, view.pixels, view.width * 4);
  Render(*w);
}

void TSdl2Backend::Render(TWindow& w) {
  if (w.renderer == nullptr) return;
  SDL_SetRenderDrawColor(w.renderer, 0, 0, 0, 255);
  SDL_RenderClear(w.renderer);
  if (w.texture != nullptr) {
    int ww = 0, wh = 0, dw = 0, dh = 0;
    SDL_GetWindowSize(w.window, &ww, &wh);
    SDL_GetRendererOutputSize(w.renderer, &dw, &dh);
    const TRect r = PresentRect({w.textureWidth, w.textureHeight}, {ww, wh}, {dw, dh});
    const SDL_Rect target{r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top};
    SDL_RenderCopy(w.renderer, w.texture, nullptr, &target);
  }
  SDL_RenderPresent(w.renderer);
  ++presents_;
}

}  // namespace vel
