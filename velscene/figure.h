// TAniFigure: an animated figure with up to 255 frames (image, mask and
// outline pair each), 64 frame scripts, a grid position, flags and events.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

#include "velscene/platform/host/classes.h"
#include "velscene/platform/host/events.h"
#include "velscene/platform/graphics/graphics.h"

namespace vel {

class TAniView;
class TAbout;

// Raised by the view after it stopped a moving figure: Sender is the view,
// Collider the other figure (code 1) or nullptr (codes 2 and 3).
using TCollideEvent = TEvent<TObject* /*Sender*/, TObject* /*Collider*/, int32_t /*CollisionTye*/>;

constexpr int32_t kMaxFrames = 255;       // frame numbers 1..255
constexpr int32_t kScriptCount = 64;       // script numbers 1..64
constexpr uint32_t kScriptLength = 64;  // frames per script

// One frame script: Count frame numbers in playing order. Frames[0] holds
// position 1; positions above Count keep stale values and are never read.
struct TAniScript {
  uint32_t Count = 0;
  uint8_t Frames[kScriptLength] = {};
};

class TAniFigure : public TComponent {
  // The view places, moves, animates and hovers figures by writing FSlot,
  // FView, FX/FY/FZ, FFrame, FScript, FScriptPos and FHover directly.
  friend class TAniView;

 public:
  explicit TAniFigure(TComponent* AOwner);
  ~TAniFigure() override;
  const char* ClassName() const override { return "TAniFigure"; }

  // Loads frame FrameNumber (1..255) from a copy of Bitmap's image: the image
  // with its transparent pixels black, its mask and the outline pair in the
  // colour in force. A bitmap with its alpha in use also gives the frame its
  // premultiplied image, which draws it by compositing; its image is then the
  // premultiplied colour and its mask is opaque where alpha is 128 or more. The old surfaces of that frame are released first. A
  // null Bitmap or a number out of range changes nothing; an empty Bitmap
  // leaves the frame unloaded. Bitmap is neither changed nor kept.
  void SetFrame(int32_t FrameNumber, TBitmap* Bitmap);
  // Defines script ScriptNumber (1..64, others ignored) from the frame numbers
  // in 1..255 of the list, the first 64 of them; the rest are skipped. The
  // playing state is left alone.
  void SetScript(int32_t ScriptNumber, std::span<const int32_t> Frames);
  void SetScript(int32_t ScriptNumber, std::initializer_list<int32_t> Frames) {
    SetScript(ScriptNumber, std::span<const int32_t>(Frames.begin(), Frames.size()));
  }
  // Starts a script from its beginning at the next advancing tick. A number
  // below 1 stops playback; one above 64 stops it too (stored as 0).
  void PlayScript(int32_t ScriptNumber, bool Loop);

  // Published properties with setters.
  uint32_t Frame() const { return FFrame; }
  void SetCurrentFrame(uint32_t Value);  // 1..255: shows it and stops the script
  float X() const { return FX; }
  float Y() const { return FY; }
  float Z() const { return FZ; }
  void SetX(float Value);  // refused while placed in a view
  void SetY(float Value);
  void SetZ(float Value);
  TColor HighlightColor() const { return FHighlightColor; }
  void SetHighlightColor(TColor Value);  // rebuilds the outlines of loaded frames

  // Read-only state for tools and tests.
  int32_t Slot() const { return FSlot; }
  TAniView* View() const { return FView; }
  bool Hover() const { return FHover; }
  int32_t PlayingScript() const { return FScript; }
  uint32_t ScriptPos() const { return FScriptPos; }
  bool Looping() const { return FLoop; }
  const TAniScript* Script(int32_t n) const;  // nullptr outside 1..64
  // The frame surfaces; a null handle outside 1..255 or for an unloaded frame.
  HBITMAP Image(int32_t n) const;
  HBITMAP Mask(int32_t n) const;
  HBITMAP Highlight(int32_t n) const;
  HBITMAP HighlightMask(int32_t n) const;
  // The premultiplied image of a frame loaded from a bitmap with alpha, else null.
  HBITMAP Alpha(int32_t n) const;
  bool FrameLoaded(int32_t n) const { return bool(Image(n)); }

 private:
  void ReleaseFrame(int32_t n);

  // Fields in declaration order of the figure's data model.
  int32_t FSlot = 0;
  TAniView* FView = nullptr;
  float FX = 0.0f;
  float FY = 0.0f;
  float FZ = 0.0f;

 public:
  uint32_t Width = 0;
  uint32_t Height = 0;
  int32_t CenterX = 0;
  int32_t CenterY = 0;
  float Speed = 0.0f;

 private:
  HBITMAP FImages[kMaxFrames + 1] = {};  // index 0 unused
  HBITMAP FMasks[kMaxFrames + 1] = {};
  HBITMAP FHighlights[kMaxFrames + 1] = {};
  HBITMAP FHighlightMasks[kMaxFrames + 1] = {};
  HBITMAP FAlphas[kMaxFrames + 1] = {};  // premultiplied images of frames with alpha
  TAniScript FScripts[kScriptCount + 1] = {};  // index 0 unused
  int32_t FScript = 0;
  uint32_t FScriptPos = 0;
  bool FLoop = false;
  uint32_t FFrame = 0;

 public:
  bool Shadow = false;
  float ShadowRadius = 0.0f;
  bool Enabled = false;
  bool Visible = false;
  TAbout* About = nullptr;  // design-time pseudo-property; never set

 private:
  TColor FHighlightColor = 0;

 public:
  bool Highlighted = false;
  bool AutoHighlight = false;

 private:
  bool FHover = false;

 public:
  bool Passable = false;
  float Radius = 0.0f;
  bool Transparent = false;
  TNotifyEvent OnClick;
  TNotifyEvent OnMouseOver;
  TCollideEvent OnCollide;
  TNotifyEvent OnArrival;
};

// Registers TAniFigure's published properties with the host's class metadata.
void RegisterAniFigureClass();

}  // namespace vel
