// The background, rendered on demand: the pixels of any area (the brush, then
// every flat tile reaching it in storage order), chunks of it kept in the
// chunk cache, DrawBackground for frames and callers, chunks around the view
// rendered ahead a few per tick, and the whole bitmap for tools. Every pixel
// equals that of the one pre-rendered bitmap of earlier versions, clipped to
// its rectangle.
#include <algorithm>
#include <new>

#include "velscene/internal/chunk_cache.h"
#include "velscene/internal/numeric.h"
#include "velscene/internal/view_cells.h"

namespace vel {

namespace {
// Chunk size: 128 KiB each, so that a 64 MiB budget keeps 512 of them; a
// full-HD frame shows about 90. Wide rows keep the copy into the frame a few
// long runs per band; rendering one costs about 60 tile blits.
constexpr int32_t kChunkWidth = 256;
constexpr int32_t kChunkHeight = 128;
// Chunks rendered ahead per tick around the view, beyond those it shows.
constexpr int32_t kPrefetchPerTick = 2;
constexpr uint64_t kChunkBytes = uint64_t(kChunkWidth) * kChunkHeight * 4;

RECT Rect(int64_t l, int64_t t, int64_t r, int64_t b) {
  return RECT{SaturateInt32(l), SaturateInt32(t), SaturateInt32(r), SaturateInt32(b)};
}
}  // namespace

int32_t TAniView::BackgroundWidth() const { return FBackgroundBound ? SaturateInt32(FBackgroundWidth) : 0; }
int32_t TAniView::BackgroundHeight() const { return FBackgroundBound ? SaturateInt32(FBackgroundHeight) : 0; }

uint64_t TAniView::BackgroundCacheUsed() const { return FChunks ? FChunks->BytesHeld() : 0; }

void TAniView::SetBackgroundCache(uint64_t Bytes) {
  FBackgroundCache = Bytes;
  if (FBackgroundBound) ConfigureChunks();
}

// A cache for the bound background: as many chunks as the budget holds, and
// no more than the background has. Frees the chunk bitmaps held so far.
void TAniView::ConfigureChunks() {
  if (!FChunks) FChunks = new (std::nothrow) TChunkCache;
  if (!FChunks) return;
  if (FChunkDC) SelectObject(FChunkDC, GetStockObject(DEFAULT_BITMAP));
  const uint64_t cols = uint64_t(std::max<int64_t>(FBackgroundWidth, 0) + kChunkWidth - 1) / kChunkWidth;
  const uint64_t rows = uint64_t(std::max<int64_t>(FBackgroundHeight, 0) + kChunkHeight - 1) / kChunkHeight;
  const uint64_t all = cols > UINT64_MAX / kChunkBytes / std::max<uint64_t>(rows, 1) ? UINT64_MAX : cols * rows * kChunkBytes;
  FChunks->Configure(kChunkWidth, kChunkHeight, std::min(FBackgroundCache, all));
}

// Drops what was rendered: the chunks' contents and the whole bitmap.
void TAniView::InvalidateBackground() {
  if (FChunks) FChunks->Invalidate();
  if (FBackground) {
    FBackground->ReleasePalette();
    delete FBackground;
    FBackground = nullptr;
  }
}

// The background's pixels of the area [L, R) x [T, B) drawn into Dc with the
// background's (0, 0) at (OffX, OffY): the brush, then the tiles that reach
// the area, in storage order. Tiles may draw past the area; callers clip.
void TAniView::PaintBackgroundArea(HDC Dc, int64_t L, int64_t T, int64_t R, int64_t B, int64_t OffX, int64_t OffY) {
  EnsureBackBrush();
  const RECT area = Rect(L + OffX, T + OffY, R + OffX, B + OffY);
  FillRect(Dc, &area, FBackBrush);
  if (!FGrid) return;
  const cells::TCellWindow w =
      cells::CellsReaching(L, T, R, B, FOriginX, FOriginY, FTileMaxWidth, FTileMaxHeight, FCellWidth);
  cells::ForEachCell(w, FMapWidth, FMapHeight, [&](int64_t gx, int64_t gy) {
    const uint8_t t = FGrid[(uint64_t(gy) * FMapWidth + uint64_t(gx)) * 2];
    if (t == 0) return;
    const TTileImage& ti = FTileImages[t];
    if (!FTallInBackground && cells::IsTall(ti, gx, gy, FCellWidth)) return;
    int32_t x, y;
    TilePosition(uint32_t(gx), uint32_t(gy), ti.Height, x, y);
    DrawTile(Dc, SaturateInt32(x + OffX), SaturateInt32(y + OffY), ti);
  });
  SelectObject(FMemDC, FMemDCBitmap);
}

// The bitmap of chunk (Col, Row), rendered now if it is not cached; 0 when
// the cache can give no bitmap (the caller then draws straight).
HBITMAP TAniView::BackgroundChunk(int32_t Col, int32_t Row, uint64_t Stamp, uint64_t KeepFrom) {
  if (!FChunks) return HBITMAP{};
  if (!FChunkDC) FChunkDC = CreateCompatibleDC(HDC{});
  if (HBITMAP hit = FChunks->Find(Col, Row, Stamp)) return hit;
  HBITMAP chunk = FChunks->Claim(Col, Row, Stamp, KeepFrom);
  if (!chunk) return chunk;
  const int64_t l = int64_t(Col) * kChunkWidth, t = int64_t(Row) * kChunkHeight;
  SelectObject(FChunkDC, chunk);
  PaintBackgroundArea(FChunkDC, l, t, l + kChunkWidth, t + kChunkHeight, -l, -t);
  SelectObject(FChunkDC, GetStockObject(DEFAULT_BITMAP));
  return chunk;
}

void TAniView::DrawBackground(HDC Target, int32_t X, int32_t Y) {
  if (!FBackgroundBound || FBackgroundWidth <= 0 || FBackgroundHeight <= 0) return;
  // What the target can show, and the part of the background that lands there.
  int64_t l, t, r, b;
  if (!cells::ShownArea(Target, l, t, r, b)) return;
  const int64_t al = std::max<int64_t>(l - X, 0), at = std::max<int64_t>(t - Y, 0);
  const int64_t ar = std::min<int64_t>(r - X, FBackgroundWidth), ab = std::min<int64_t>(b - Y, FBackgroundHeight);
  if (al >= ar || at >= ab) return;
  const uint64_t stamp = ++FChunkClock;
  for (int64_t row = at / kChunkHeight; row * kChunkHeight < ab; ++row)
    for (int64_t col = al / kChunkWidth; col * kChunkWidth < ar; ++col) {
      const int64_t cl = col * kChunkWidth, ct = row * kChunkHeight;
      const int64_t pl = std::max(al, cl), pt = std::max(at, ct);
      const int64_t pr = std::min(ar, cl + kChunkWidth), pb = std::min(ab, ct + kChunkHeight);
      const int32_t dx = SaturateInt32(X + pl), dy = SaturateInt32(Y + pt);
      const int32_t w = int32_t(pr - pl), h = int32_t(pb - pt);
      if (HBITMAP chunk = BackgroundChunk(int32_t(col), int32_t(row), stamp, UINT64_MAX)) {
        SelectObject(FChunkDC, chunk);
        BitBlt(Target, dx, dy, w, h, FChunkDC, int32_t(pl - cl), int32_t(pt - ct), SRCCOPY);
        SelectObject(FChunkDC, GetStockObject(DEFAULT_BITMAP));
        continue;
      }
      // No chunk to be had: the part is drawn straight into the target,
      // clipped to it.
      RECT old;
      const bool hadClip = GetClipRect(Target, &old);
      const RECT part = Rect(pl + X, pt + Y, pr + X, pb + Y);
      SetClipRect(Target, &part);
      PaintBackgroundArea(Target, pl, pt, pr, pb, X, Y);
      SetClipRect(Target, hadClip ? &old : nullptr);
    }
}

// Renders up to kPrefetchPerTick chunks a tick ahead of need. First the ring
// of chunks around those the view shows, giving up only chunks not used in
// this frame (the ring's cached chunks count as used, so that they stay).
// Then, while the cache has room, rings further out, nearest first: the cache
// fills up in the first ticks after a binding, so that later ticks allocate
// nothing. Chunks rendered that way are the first to go when room is needed.
void TAniView::PrefetchBackground() {
  // A buffer the raster layer refused keeps its asked-for size but shows nothing.
  if (!FBackgroundBound || !FChunks || FChunks->Capacity() == 0 || !FBuffer || FBuffer->Empty()) return;
  if (FBackgroundWidth <= 0 || FBackgroundHeight <= 0) return;
  const int64_t lastCol = (FBackgroundWidth - 1) / kChunkWidth, lastRow = (FBackgroundHeight - 1) / kChunkHeight;
  // The chunks the view shows (or the nearest ones, when it shows none).
  const int64_t l = -int64_t(FScrollX), t = -int64_t(FScrollY);
  const int64_t vc0 = std::clamp<int64_t>(cells::FloorDiv(l, kChunkWidth), 0, lastCol);
  const int64_t vr0 = std::clamp<int64_t>(cells::FloorDiv(t, kChunkHeight), 0, lastRow);
  const int64_t vc1 = std::clamp<int64_t>(cells::FloorDiv(l + FBuffer->Width() - 1, kChunkWidth), vc0, lastCol);
  const int64_t vr1 = std::clamp<int64_t>(cells::FloorDiv(t + FBuffer->Height() - 1, kChunkHeight), vr0, lastRow);
  const uint64_t stamp = ++FChunkClock;
  int32_t budget = kPrefetchPerTick;
  for (int64_t d = 1; budget > 0; ++d) {
    if (d > 1 && !FChunks->HasFree()) return;
    if (vc0 - d < 0 && vr0 - d < 0 && vc1 + d > lastCol && vr1 + d > lastRow) return;  // past every edge
    auto visit = [&](int64_t col, int64_t row) {
      if (col < 0 || col > lastCol || budget == 0) return;
      if (d == 1) {
        if (FChunks->Find(int32_t(col), int32_t(row), stamp)) return;
        if (BackgroundChunk(int32_t(col), int32_t(row), stamp, FFrameStamp)) --budget;
      } else if (!FChunks->Has(int32_t(col), int32_t(row))) {
        if (BackgroundChunk(int32_t(col), int32_t(row), 0, 0)) --budget;
      }
    };
    // The ring d chunks out: its top and bottom rows whole, its sides between.
    for (int64_t row = std::max<int64_t>(vr0 - d, 0); row <= std::min(vr1 + d, lastRow); ++row) {
      if (row == vr0 - d || row == vr1 + d) {
        for (int64_t col = std::max<int64_t>(vc0 - d, 0); col <= std::min(vc1 + d, lastCol); ++col) visit(col, row);
      } else {
        visit(vc0 - d, row);
        visit(vc1 + d, row);
      }
    }
  }
}

TBitmap* TAniView::Background() const {
  if (!FBackgroundBound) return nullptr;
  if (!FBackground) {
    TAniView& self = const_cast<TAniView&>(*this);
    FBackground = new TBitmap();
    FBackground->SetPalette(FPalette);
    FBackground->SetSize(BackgroundWidth(), BackgroundHeight());
    if (!FBackground->Empty())
      self.PaintBackgroundArea(FBackground->Canvas()->Handle(), 0, 0, FBackgroundWidth, FBackgroundHeight, 0, 0);
  }
  return FBackground;
}

}  // namespace vel
