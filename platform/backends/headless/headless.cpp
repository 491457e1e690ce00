// The headless backend: virtual time, synthetic mouse, wheel and key input,
// surfaces read back and message boxes recorded and printed.
#include "velscene/platform/backends/headless/headless.h"

#include <cstdio>
#include <limits>

#include "velscene/platform/host/application.h"
#include "velscene/platform/host/dialogs.h"
#include "velscene/platform/host/forms.h"

namespace vel {

namespace {

std::unique_ptr<THostBackend> MakeHeadless() { return std::make_unique<THeadlessBackend>(); }

}  // namespace

void RegisterHeadlessBackend() { RegisterBackend("headless", &MakeHeadless, 0); }

THeadlessBackend* HeadlessBackend() {
  return dynamic_cast<THeadlessBackend*>(&Application().Backend());
}

void THeadlessBackend::Advance(uint64_t ms) {
  TApplication& app = Application();
  const uint64_t target =
      ms > std::numeric_limits<uint64_t>::max() - clock_ ? std::numeric_limits<uint64_t>::max()
                                                         : clock_ + ms;
  for (;;) {
    std::optional<uint64_t> due = app.NextTimerDue();
    if (!due || *due > target) break;
    if (*due > clock_) clock_ = *due;  // a nested Advance may have gone further
    app.FireDueTimers(clock_);
  }
  if (target > clock_) clock_ = target;
  app.UpdateForms();
}

bool THeadlessBackend::WaitEvents(int64_t timeoutMs) {
  if (timeoutMs < 0) return false;
  clock_ += static_cast<uint64_t>(timeoutMs);
  return true;
}

void THeadlessBackend::MouseDown(TForm* form, TMouseButton button, TShiftState shift, int32_t x,
                                 int32_t y) {
  if (form == nullptr || !form->Visible()) return;
  cursor_ = {SaturateInt32(int64_t{form->Left()} + x), SaturateInt32(int64_t{form->Top()} + y)};
  Application().MouseButtonChanged(button, true);
  form->DispatchMouseDown(button, shift, x, y);
}

void THeadlessBackend::MouseUp(TForm* form, TMouseButton button, TShiftState shift, int32_t x,
                               int32_t y) {
  if (form == nullptr || !form->Visible()) return;
  cursor_ = {SaturateInt32(int64_t{form->Left()} + x), SaturateInt32(int64_t{form->Top()} + y)};
  Application().MouseButtonChanged(button, false);
  form->DispatchMouseUp(button, shift, x, y);
}

void THeadlessBackend::MouseMove(TForm* form, TShiftState shift, int32_t x, int32_t y) {
  if (form == nullptr || !form->Visible()) return;
  cursor_ = {SaturateInt32(int64_t{form->Left()} + x), SaturateInt32(int64_t{form->Top()} + y)};
  form->DispatchMouseMove(shift, x, y);
}

void THeadlessBackend::MouseWheel(TForm* form, TShiftState shift, int32_t delta, int32_t x, int32_t y) {
  if (form == nullptr || !form->Visible()) return;
  cursor_ = {SaturateInt32(int64_t{form->Left()} + x), SaturateInt32(int64_t{form->Top()} + y)};
  form->DispatchMouseWheel(shift, delta, x, y);
}

void THeadlessBackend::KeyDown(TForm* form, TKeyCode key, char32_t ch, TShiftState shift) {
  if (form != nullptr && form->Visible()) form->DispatchKeyDown(key, ch, shift);
}

void THeadlessBackend::KeyUp(TForm* form, TKeyCode key, char32_t ch, TShiftState shift) {
  if (form != nullptr && form->Visible()) form->DispatchKeyUp(key, ch, shift);
}

COLORREF THeadlessBackend::Pixel(TForm* form, int32_t x, int32_t y) const {
  if (form == nullptr) return CLR_INVALID;
  const PixelView view = LockPixels(form->Surface()->Handle());
  if (!view.valid || x < 0 || y < 0 || x >= view.width || y >= view.height) return CLR_INVALID;
  return ColorRefFromPixel(view.pixels[static_cast<size_t>(y) * static_cast<size_t>(view.width) +
                                       static_cast<size_t>(x)]);
}

void THeadlessBackend::SaveWindow(TForm* form, const std::string& path) const {
  if (form != nullptr) form->Surface()->SaveToFile(path);
}

int THeadlessBackend::MessageBox(TForm* owner, const std::string& text, const std::string& caption,
                                 unsigned buttons) {
  boxes_.push_back({text, caption, buttons, owner != nullptr ? owner->Name() : std::string()});
  // Lines of a box may be separated by a lone carriage return; print them as lines.
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r')
      shown += text[i];
    else if (i + 1 >= text.size() || text[i + 1] != '\n')
      shown += '\n';
  }
  std::printf("[message box] %s\n%s\n", caption.c_str(), shown.c_str());
  std::fflush(stdout);
  return DefaultButtonId(buttons);
}

}  // namespace vel
