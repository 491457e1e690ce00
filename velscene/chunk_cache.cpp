// The background's chunk cache: slots of equal bitmaps, a linear-probing
// table from chunk position to slot, least-recently-used reuse. Allocates only
// when configured and when a slot gets its bitmap for the first time.
#include "velscene/internal/chunk_cache.h"

#include <algorithm>

namespace vel {

namespace {
constexpr uint64_t kMaxSlots = 1 << 16;
}

void TChunkCache::Configure(int32_t width, int32_t height, uint64_t budget) {
  Release();
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  const uint64_t capacity = std::min(budget / (uint64_t(width_) * uint64_t(height_) * 4), kMaxSlots);
  slots_.assign(size_t(capacity), Slot{});
  uint32_t bits = 3;
  while ((uint64_t(1) << bits) < 2 * capacity) ++bits;
  shift_ = 64 - bits;
  table_.assign(size_t(1) << bits, -1);
  free_.clear();
  for (int32_t s = int32_t(capacity) - 1; s >= 0; --s) free_.push_back(s);
  count_ = 0;
}

void TChunkCache::Invalidate() {
  std::fill(table_.begin(), table_.end(), -1);
  free_.clear();
  for (int32_t s = Capacity() - 1; s >= 0; --s) {
    slots_[size_t(s)].Held = false;
    free_.push_back(s);
  }
  count_ = 0;
}

void TChunkCache::Release() {
  Invalidate();
  for (Slot& s : slots_) {
    if (s.Bitmap) DeleteObject(s.Bitmap);
    s.Bitmap = HBITMAP{};
  }
  allocated_ = 0;
}

int32_t TChunkCache::Lookup(uint64_t key) const {
  if (table_.empty()) return -1;
  const size_t mask = table_.size() - 1;
  for (size_t i = Home(key);; i = (i + 1) & mask) {
    const int32_t s = table_[i];
    if (s < 0) return -1;
    if (slots_[size_t(s)].Key == key) return s;
  }
}

void TChunkCache::Insert(int32_t slot) {
  const size_t mask = table_.size() - 1;
  size_t i = Home(slots_[size_t(slot)].Key);
  while (table_[i] >= 0) i = (i + 1) & mask;
  table_[i] = slot;
}

// Removes a slot from the table, shifting later members of its probe run back
// so that every lookup still finds them.
void TChunkCache::Erase(int32_t slot) {
  const size_t mask = table_.size() - 1;
  size_t i = Home(slots_[size_t(slot)].Key);
  while (table_[i] != slot) i = (i + 1) & mask;
  for (size_t j = (i + 1) & mask; table_[j] >= 0; j = (j + 1) & mask) {
    const size_t home = Home(slots_[size_t(table_[j])].Key);
    // table_[j] may move to the hole at i when its home is not in (i, j].
    const bool between = i <= j ? (home > i && home <= j) : (home > i || home <= j);
    if (between) continue;
    table_[i] = table_[j];
    i = j;
  }
  table_[i] = -1;
}

HBITMAP TChunkCache::Find(int32_t col, int32_t row, uint64_t stamp) {
  const int32_t s = Lookup(Key(col, row));
  if (s < 0) return HBITMAP{};
  slots_[size_t(s)].Stamp = stamp;
  return slots_[size_t(s)].Bitmap;
}

HBITMAP TChunkCache::Claim(int32_t col, int32_t row, uint64_t stamp, uint64_t keepFrom) {
  int32_t s = -1;
  if (!free_.empty()) {
    s = free_.back();
    Slot& slot = slots_[size_t(s)];
    if (!slot.Bitmap) {
      slot.Bitmap = CreateBitmap(width_, height_, 1, 32, nullptr);
      if (!slot.Bitmap) return HBITMAP{};
      ++allocated_;
    }
    free_.pop_back();
  } else {
    for (int32_t k = 0; k < Capacity(); ++k) {
      const Slot& slot = slots_[size_t(k)];
      if (slot.Held && slot.Stamp < keepFrom && (s < 0 || slot.Stamp < slots_[size_t(s)].Stamp)) s = k;
    }
    if (s < 0) return HBITMAP{};
    Erase(s);
    --count_;
  }
  Slot& slot = slots_[size_t(s)];
  slot.Key = Key(col, row);
  slot.Stamp = stamp;
  slot.Held = true;
  Insert(s);
  ++count_;
  return slot.Bitmap;
}

}  // namespace vel
