// TAniView as a component: construction of the run-time objects, the
// destructor's release order, timer settings, palette and repaint requests.
#include "velscene/view.h"

#include "velscene/imaging.h"
#include "velscene/internal/chunk_cache.h"
#include "velscene/internal/view_walk.h"

namespace vel {

TAniView::TAniView(TComponent* AOwner) : TGraphicControl(AOwner) {
  FInterval = 100;
  // A view inside the builder gets no timer, back buffer, context or brush.
  if (ComponentState() == csDesigning) return;
  // The timer belongs to the view's owner but the view destroys it; the free
  // notification clears FTimer if the owner destroys the timer first.
  FTimer = new TTimer(Owner());
  FTimer->FreeNotification(this);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(FInterval);
  FTimer->OnTimer = TNotifyEvent(this, &TAniView::FrameTick);
  FBuffer = new TBitmap();
  FMemDC = CreateCompatibleDC(FBuffer->Canvas()->Handle());
  // Remember the context's own bitmap: select a 1 x 1 bitmap in, take what it
  // replaced, put that back.
  HBITMAP probe = CreateCompatibleBitmap(FMemDC, 1, 1);
  FMemDCBitmap = HBITMAP{SelectObject(FMemDC, probe)};
  SelectObject(FMemDC, FMemDCBitmap);
  DeleteObject(probe);
  FShadowBrush = CreateShadowBrush();
  FOps.resize(3 * kMaxEntries);
}

TAniView::~TAniView() {
  ReleaseMap();
  delete FChunks;
  FChunks = nullptr;
  if (FChunkDC) {
    DeleteDC(FChunkDC);
    FChunkDC = HDC{};
  }
  if (FTimer) {
    TTimer* timer = FTimer;
    timer->RemoveFreeNotification(this);
    FTimer = nullptr;
    delete timer;
  }
  if (FBuffer) {
    FBuffer->ReleasePalette();
    delete FBuffer;
    FBuffer = nullptr;
  }
  if (FMemDC) {
    DeleteDC(FMemDC);
    FMemDC = HDC{};
  }
  if (FBackBrush) {
    DeleteObject(FBackBrush);
    FBackBrush = HBRUSH{};
  }
  if (FShadowBrush) {
    DeleteObject(FShadowBrush);
    FShadowBrush = HBRUSH{};
  }
  // Unplace every figure still in the list; each may outlive the view.
  for (Walk w(*this, false); w.Current > 0; w.Advance()) {
    TAniEntry& e = FEntries[w.Current];
    if (!e.IsFigure) continue;
    if (TAniFigure* F = FigureOfEntry(e); F && F->FView == this && F->FSlot == w.Current) {
      F->FSlot = 0;
      F->FView = nullptr;
    }
    UnlinkEntry(w.Current);
  }
  FEntryCount = 0;
}

void TAniView::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FTimer) FTimer = nullptr;
}

void TAniView::SetInterval(uint32_t Value) {
  FInterval = Value;
  if (FTimer) FTimer->SetInterval(Value);
}

void TAniView::SetActive(bool Value) {
  FActive = Value;
  if (FTimer) FTimer->SetEnabled(Value);
}

void TAniView::Show() { Invalidate(); }

void TAniView::WritePalette(HPALETTE Value) {
  // The palette stays the application's: detach it before handing it on, so
  // that no bitmap ever deletes it.
  if (FBuffer) {
    FBuffer->ReleasePalette();
    FBuffer->SetPalette(Value);
  }
  if (FBackground) {
    FBackground->ReleasePalette();
    FBackground->SetPalette(Value);
  }
  FPalette = Value;
}

void TAniView::EnsureBackBrush() {
  if (!FBackBrush) FBackBrush = CreateSolidBrush(ColorToRGB(FColor));
}

}  // namespace vel
