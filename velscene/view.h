// TAniView: the scene view control. It keeps a fixed 255-slot display list of
// placed figures and tall tiles, runs the frame tick (scripts, motion and
// collision, hover, depth sort, camera, compose, present), binds tile maps as
// snapshots and turns pointer input into grid-aware events.
//
// [SECTION] index: entry and tile records | view class: published interface,
// display list, projection, map binding, tick, rendering, pointer input.
#pragma once

#include <cstdint>
#include <vector>

#include "velscene/platform/host/controls.h"
#include "velscene/platform/host/events.h"
#include "velscene/platform/graphics/graphics.h"
#include "velscene/platform/host/timer.h"
#include "velscene/figure.h"

namespace vel {

class TAniMap;
class TAbout;
class TChunkCache;
struct TSideList;

// View pixels and the ground-plane grid position under them.
using TExtMouseEvent = TEvent<TObject* /*Sender*/, TMouseButton /*Button*/, TShiftState /*Shift*/,
                              int32_t /*X*/, int32_t /*Y*/, float /*GridX*/, float /*GridY*/>;
using TExtMouseMoveEvent =
    TEvent<TObject* /*Sender*/, TShiftState /*Shift*/, int32_t /*X*/, int32_t /*Y*/, float /*GridX*/, float /*GridY*/>;

// [SECTION] Entry and tile records
// The view's image of one tile number: mask and image built at binding.
// A tile whose bitmap has its alpha in use also gets Alpha, its premultiplied
// image, which draws it instead of the mask/image pair.
struct TTileImage {
  HBITMAP Mask{};
  HBITMAP Image{};
  int32_t Width = 0;
  int32_t Height = 0;
  HBITMAP Alpha{};
};

// One display-list slot. Flags are stored as -1 (true) or 0 (false).
struct TAniEntry {
  int32_t Prev = 0;    // farther neighbour, 0 = first
  int32_t Next = 0;    // nearer neighbour, 0 = last
  float Depth = 0.0f;  // X + Y of a figure, column + row of a tile
  int32_t ScreenX = 0;  // top-left of the image, background pixels
  int32_t ScreenY = 0;
  // Tile entry: the TTileImage of its tile number. Figure entry: the address
  // of the application's variable that holds the figure.
  void* Item = nullptr;
  float TargetX = 0.0f;
  float TargetY = 0.0f;
  float TargetZ = 0.0f;
  int32_t Moving = 0;
  int32_t IsFigure = 0;
  int32_t Free = 0;
};

constexpr int32_t kMaxEntries = 255;
constexpr int32_t kMaxTiles = 255;
constexpr uint64_t kDefaultBackgroundCache = uint64_t(64) << 20;  // bytes

// The grid cell is a CellWidth x CellWidth / 2 diamond; CellWidth is even.
constexpr int32_t kDefaultCellWidth = 48;
constexpr int32_t kMinCellWidth = 8;
constexpr int32_t kMaxCellWidth = 1024;

class TAniView : public TGraphicControl {
 public:
  // [SECTION] Component
  explicit TAniView(TComponent* AOwner);
  ~TAniView() override;
  const char* ClassName() const override { return "TAniView"; }

  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  void Show();
  HPALETTE ReadPalette() const { return FPalette; }
  void WritePalette(HPALETTE Value);
  HPALETTE GetPalette() override { return FPalette; }
  // Width of a grid cell in pixels (its height is half of it). Odd values and
  // values outside 8..1024 are ignored. A change re-binds the bound map from
  // the view's snapshot and re-places every placed figure.
  int32_t CellWidth() const { return FCellWidth; }
  void SetCellWidth(int32_t Value);

  TAbout* About = nullptr;  // design-time pseudo-property; never set
  TNotifyEvent OnBeforeUpdate;
  TNotifyEvent OnAfterUpdate;
  TNotifyEvent OnAfterDisplay;
  TExtMouseEvent OnMouseDown;
  TExtMouseEvent OnMouseUp;
  TExtMouseMoveEvent OnMouseMove;

  // [SECTION] Display list. Figures are passed as the application's variable;
  // the entry keeps the variable's address, so the variable must stay alive
  // and hold the figure while it is placed.
  void AddFigure(TAniFigure*& Figure);
  void RemoveFigure(TAniFigure*& Figure);

  // [SECTION] Projection and placement
  void SetFigurePos(TAniFigure*& Figure, float X, float Y, float Z);
  void MoveFigure(TAniFigure*& Figure, float X, float Y, float Z);
  void ScreenToGrid(int32_t X, int32_t Y, float& GridX, float& GridY) const;
  void GridToScreen(float X, float Y, float Z, int32_t& SX, int32_t& SY) const;
  void SetKeyFigure(TAniFigure*& Figure);
  void ClearKeyFigure();

  // [SECTION] Map binding
  void SetMap(TAniMap* Map);

  // [SECTION] Background. It is never held whole: the parts a frame shows are
  // rendered on demand from the bound cells and tile images, in chunks kept in
  // a cache of at most BackgroundCache bytes (least recently used go first).
  // A few chunks a tick are rendered ahead around the view; the cache fills
  // up to its budget (or the whole background, when smaller) in the first
  // ticks after a binding, and later ticks allocate nothing.
  // Size of the background in pixels; 0 x 0 while no map is bound.
  int32_t BackgroundWidth() const;
  int32_t BackgroundHeight() const;
  // Draws the background with its top-left corner at (X, Y) of Target, as a
  // copy of the whole background bitmap would, rendering only what Target
  // can show (its bitmap within its clip rectangle). Nothing without a map.
  void DrawBackground(HDC Target, int32_t X, int32_t Y);
  uint64_t BackgroundCache() const { return FBackgroundCache; }
  // A new budget empties the cache; below one chunk the background is drawn
  // straight into the frame.
  void SetBackgroundCache(uint64_t Bytes);
  uint64_t BackgroundCacheUsed() const;  // bytes of chunk bitmaps held now
  // Tall tiles that found no free display-list slot at binding; they are
  // drawn from a side list ordered by depth, each where an entry of its own
  // would be drawn.
  int32_t SideTileCount() const;

  // [SECTION] Frame tick
  void DrawFrame();

  // [SECTION] Pointer input (called by the host)
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;

  // [SECTION] Read access for tools, tests and applications
  int32_t EntryCount() const { return FEntryCount; }
  int32_t First() const { return FFirst; }
  int32_t Last() const { return FLast; }
  // Slot 1..255; slot 0 and numbers out of range give nullptr.
  const TAniEntry* Entry(int32_t Slot) const;
  // The figure of an in-use figure entry, else nullptr.
  TAniFigure* FigureAt(int32_t Slot) const;
  int32_t KeyFigure() const { return FKeyFigure; }
  int32_t ScrollX() const { return FScrollX; }
  int32_t ScrollY() const { return FScrollY; }
  int32_t OriginX() const { return FOriginX; }
  int32_t OriginY() const { return FOriginY; }
  uint32_t MapWidth() const { return FMapWidth; }
  uint32_t MapHeight() const { return FMapHeight; }
  bool MapBound() const { return FGrid != nullptr; }
  // The bound map's cell snapshot (MapWidth x MapHeight two-byte cells, row
  // by row, as TAniMap stores them), or nullptr while no map is bound.
  const uint8_t* MapCells() const { return FGrid; }
  // The whole background in one bitmap, built on first use after a binding
  // or a colour change and kept until the next: for tools and tests on maps
  // whose background fits the raster layer's bitmap limit (beyond it the
  // bitmap is empty). nullptr while no map is bound. Frames never use it;
  // DrawBackground draws any part of any map.
  TBitmap* Background() const;
  TBitmap* Buffer() const { return FBuffer; }
  const TTileImage& TileImage(int32_t Tile) const;
  bool Busy() const { return FBusy; }
  TTimer* Timer() const { return FTimer; }

 protected:
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // A walk over the display list that event handlers may change under it.
  // Walks register on the view; UnlinkEntry moves any walk standing on (or
  // about to continue through) an unlinked slot to that slot's neighbour, so a
  // walk never reaches a freed or reused slot.
  struct Walk;
  friend struct Walk;

  // Display list internals.
  int32_t AllocEntry();
  void AppendEntry(int32_t S);
  void UnlinkEntry(int32_t S);
  void PurgeTileEntries();
  void SortEntries();
  void SortList();
  TAniFigure* FigureOfEntry(const TAniEntry& E) const;
  bool OwnsFigure(const TAniFigure* F) const;

  // Projection internals.
  void ProjectPoint(float X, float Y, float Z, int32_t& PX, int32_t& PY) const;
  void PlaceEntry(TAniEntry& E, const TAniFigure& F, float X, float Y, float Z) const;

  // Map binding internals.
  void ReleaseMap();
  void BindBackground();
  void BindTallTiles();
  void TilePosition(uint32_t GX, uint32_t GY, int32_t Height, int32_t& X, int32_t& Y) const;
  void DrawTile(HDC Target, int32_t X, int32_t Y, const TTileImage& T);
  void EnsureBackBrush();

  // Background internals.
  void PaintBackgroundArea(HDC Dc, int64_t L, int64_t T, int64_t R, int64_t B, int64_t OffX, int64_t OffY);
  void ConfigureChunks();
  HBITMAP BackgroundChunk(int32_t Col, int32_t Row, uint64_t Stamp, uint64_t KeepFrom);
  void PrefetchBackground();
  void InvalidateBackground();

  // Side list internals.
  void BuildSideList(uint64_t FirstCell);
  void UpdateSideKeys();
  void StartSideTiles();
  void CollectSideTiles(float Depth, bool After);

  // Tick internals.
  void FrameTick(TObject* Sender);
  void RunTick();
  void ScriptStep(TAniFigure& F);
  void MotionStep(int32_t S, Walk& W);
  void GatherColliders();
  void MoveCollider(int32_t S, float X, float Y);
  void HoverPass();
  void CameraStep();
  void SettleClear();
  void FillClear(HDC Target, bool AroundBackground);
  void Compose();
  void CollectDrawOps();
  void DrawEntries();
  void DrawOps(HDC Buffer, int64_t Top, int64_t Bottom);
  void DrawFigure(const TAniEntry& E, const TAniFigure& F);
  bool FigureUnder(const TAniEntry& E, const TAniFigure& F, int32_t X, int32_t Y) const;
  void ClickTest(int32_t X, int32_t Y);

  // Fields in the order of the component's data model.
  HDC FMemDC{};
  HBITMAP FMemDCBitmap{};
  uint32_t FMapWidth = 0;
  uint32_t FMapHeight = 0;
  int32_t FOriginX = 0;
  int32_t FOriginY = 0;
  int32_t FScrollX = 0;
  int32_t FScrollY = 0;
  uint8_t* FGrid = nullptr;
  TAniEntry FEntries[kMaxEntries + 1];  // slot 0 unused
  int32_t FEntryCount = 0;
  int32_t FFirst = 0;
  int32_t FLast = 0;
  HBRUSH FShadowBrush{};
  TTimer* FTimer = nullptr;
  bool FBusy = false;
  uint32_t FInterval = 100;
  int32_t FKeyFigure = 0;
  TColor FColor = 0;
  HBRUSH FBackBrush{};
  bool FActive = false;
  HPALETTE FPalette{};
  mutable TBitmap* FBackground = nullptr;  // the whole background, built by Background()
  TBitmap* FBuffer = nullptr;
  TTileImage FTileImages[kMaxTiles + 1];  // tile 0 unused
  Walk* FWalks = nullptr;  // innermost active walk
  bool FClearPending = false;  // the tick's clear is still to be made
  int32_t FCellWidth = kDefaultCellWidth;
  // One blit of a frame, collected from the display list before the frame
  // is drawn band by band. A shadow keeps its ellipse's box in X, Y, W, H as
  // left, top, right, bottom.
  struct TDrawOp {
    enum TKind : int32_t { Sprite, Shadow, Blend };  // Blend: Image drawn by AlphaBlt
    TKind Kind = Sprite;
    int32_t X = 0, Y = 0, W = 0, H = 0;
    HBITMAP Mask{}, Image{};
  };
  std::vector<TDrawOp> FOps;  // the frame's blits, farthest first
  int32_t FOpCount = 0;
  void AddDrawOp(TDrawOp::TKind Kind, int64_t X, int64_t Y, int64_t W, int64_t H, HBITMAP Mask, HBITMAP Image);
  // The background as bound: its size, whether tall tiles are drawn into it
  // (after a colour change), the largest tile, the chunk cache.
  bool FBackgroundBound = false;
  bool FTallInBackground = false;
  int64_t FBackgroundWidth = 0;
  int64_t FBackgroundHeight = 0;
  int32_t FTileMaxWidth = 0;
  int32_t FTileMaxHeight = 0;
  uint64_t FBackgroundCache = kDefaultBackgroundCache;
  TChunkCache* FChunks = nullptr;
  HDC FChunkDC{};             // holds a chunk while it is rendered or copied
  uint64_t FChunkClock = 0;   // use stamps of the chunks
  uint64_t FFrameStamp = 0;   // first stamp of the frame being composed
  TSideList* FSide = nullptr;  // tall tiles beyond the slots; none when all fit
  // The figure stage's view of the other figures during one update pass, one
  // array per field so that the reach bound runs over them in vectors.
  struct TColliders {
    float X[kMaxEntries], Y[kMaxEntries], Radius[kMaxEntries];
    int32_t Slot[kMaxEntries];
    uint8_t Bounded[kMaxEntries];  // small enough for the reach bound
    int32_t Index[kMaxEntries + 1];  // slot -> collider, -1 none
    int32_t Count = 0;
    bool Valid = false;
  } FColliders;
};

// Registers TAniView's published properties with the host's class metadata.
void RegisterAniViewClass();

}  // namespace vel
