// Internal to the view: the background's chunk cache. A fixed number of
// equally sized bitmaps, found by chunk position through a small hash table
// and reused least recently used first, within a memory budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "velscene/platform/raster/raster.h"

namespace vel {

class TChunkCache {
 public:
  TChunkCache() = default;
  ~TChunkCache() { Release(); }
  TChunkCache(const TChunkCache&) = delete;
  TChunkCache& operator=(const TChunkCache&) = delete;

  // Chunk size in pixels and the budget in bytes; frees every bitmap. The
  // bookkeeping is allocated here, the bitmaps when first claimed.
  void Configure(int32_t width, int32_t height, uint64_t budget);
  int32_t Capacity() const { return int32_t(slots_.size()); }
  int32_t ChunkWidth() const { return width_; }
  int32_t ChunkHeight() const { return height_; }

  // Forgets what the chunks hold; the bitmaps stay for reuse.
  void Invalidate();
  // Frees every bitmap; the capacity stays.
  void Release();

  // The bitmap holding chunk (col, row), or 0; a hit marks it used at stamp.
  HBITMAP Find(int32_t col, int32_t row, uint64_t stamp);
  bool Has(int32_t col, int32_t row) const { return Lookup(Key(col, row)) >= 0; }
  bool HasFree() const { return !free_.empty(); }
  // A bitmap for chunk (col, row), for the caller to render at once: a free
  // one, a new one while under capacity, else the least recently used one
  // last used before keepFrom (none when keepFrom is 0). 0 when none may be
  // had.
  HBITMAP Claim(int32_t col, int32_t row, uint64_t stamp, uint64_t keepFrom);

  int32_t Count() const { return count_; }  // chunks with content
  uint64_t BytesHeld() const { return uint64_t(allocated_) * uint64_t(width_) * uint64_t(height_) * 4; }

 private:
  struct Slot {
    uint64_t Key = 0;
    uint64_t Stamp = 0;
    HBITMAP Bitmap{};
    bool Held = false;  // in the table, holding chunk Key
  };
  static uint64_t Key(int32_t col, int32_t row) { return (uint64_t(uint32_t(col)) << 32) | uint32_t(row); }
  size_t Home(uint64_t key) const { return size_t((key * 0x9E3779B97F4A7C15ull) >> shift_); }
  int32_t Lookup(uint64_t key) const;  // slot index or -1
  void Insert(int32_t slot);
  void Erase(int32_t slot);

  int32_t width_ = 0, height_ = 0;
  std::vector<Slot> slots_;
  std::vector<int32_t> table_;  // slot index or -1, linear probing
  std::vector<int32_t> free_;   // slots without content
  uint32_t shift_ = 63;
  int32_t count_ = 0;
  int32_t allocated_ = 0;
};

}  // namespace vel
