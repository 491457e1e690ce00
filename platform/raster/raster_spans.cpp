// Span tables: built by one scan of a sprite's words, reused while the
// bitmaps keep their version and lock counts (and the pair its serial), and
// shared between bitmaps that hold the same sprite, so that many copies of
// one frame draw from one small table that stays in cache.
#include "velscene/platform/raster/internal/raster_spans.h"

#include <algorithm>
#include <new>
#include <unordered_map>
#include <utility>

namespace vel::raster {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

// Live tables by content hash. Entries of tables no bitmap holds any more are
// dropped as they are met, and all at once whenever the registry has doubled.
struct Registry {
  std::unordered_map<uint64_t, std::vector<std::weak_ptr<const SpanTable>>> byHash;
  size_t entries = 0, sweepAt = 1024;
};

Registry& Tables() {
  static Registry* r = new Registry();  // never destroyed: bitmaps may outlive static destructors
  return *r;
}

bool Same(const SpanTable& a, const SpanTable& b) {
  if (a.hash != b.hash || a.clean != b.clean || a.rows != b.rows || a.words != b.words) return false;
  if (a.spans.size() != b.spans.size()) return false;
  for (size_t k = 0; k < a.spans.size(); ++k) {
    const Span &x = a.spans[k], &y = b.spans[k];
    if (x.x0 != y.x0 || x.x1 != y.x1 || x.copy != y.copy || x.at != y.at) return false;
  }
  return true;
}

uint64_t Hash(const SpanTable& t) {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
  for (uint32_t r : t.rows) mix(r);
  for (const Span& s : t.spans) mix((uint64_t(s.x0) << 32) ^ (uint64_t(s.x1) << 1) ^ s.copy);
  for (uint32_t w : t.words) mix(w);
  return h;
}

// The registered table equal to t, or t itself once registered.
std::shared_ptr<const SpanTable> Share(std::shared_ptr<const SpanTable> t) {
  Registry& reg = Tables();
  auto& bucket = reg.byHash[t->hash];
  for (size_t k = 0; k < bucket.size();) {
    if (std::shared_ptr<const SpanTable> other = bucket[k].lock()) {
      if (Same(*other, *t)) return other;
      ++k;
    } else {
      bucket[k] = bucket.back();
      bucket.pop_back();
      --reg.entries;
    }
  }
  bucket.push_back(t);
  if (++reg.entries >= reg.sweepAt) {
    reg.entries = 0;
    for (auto it = reg.byHash.begin(); it != reg.byHash.end();) {
      std::erase_if(it->second, [](const std::weak_ptr<const SpanTable>& w) { return w.expired(); });
      reg.entries += it->second.size();
      it = it->second.empty() ? reg.byHash.erase(it) : std::next(it);
    }
    reg.sweepAt = 2 * reg.entries + 1024;
  }
  return t;
}

// Scans every row of a w x h sprite. kind(k) gives 0 for a word to skip, 1
// for Copy, 2 for Merge; pack(span, k0, k1) appends the words of a span.
// Adjacent columns of one kind share a span.
template <class Kind, class Pack>
std::shared_ptr<const SpanTable> Build(int32_t w, int32_t h, Kind kind, Pack pack) {
  try {
    auto t = std::make_shared<SpanTable>();
    t->rows.assign(size_t(h) + 1, 0);
    for (int32_t y = 0; y < h; ++y) {
      t->rows[size_t(y)] = uint32_t(t->spans.size());
      const size_t base = size_t(y) * size_t(w);
      uint32_t x = 0;
      while (x < uint32_t(w)) {
        const int k = kind(base + x);
        uint32_t e = x + 1;
        while (e < uint32_t(w) && kind(base + e) == k) ++e;
        if (k != 0) {
          t->spans.push_back(Span{x, e, k == 1 ? 1u : 0u, uint32_t(t->words.size())});
          pack(*t, k, base + x, base + e);
        }
        x = e;
      }
    }
    t->rows[size_t(h)] = uint32_t(t->spans.size());
    t->hash = Hash(*t);
    return Share(std::move(t));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

const SpanTable* MaskSpans(BitmapObj& mask, const BitmapObj& image) {
  if (mask.width != image.width || mask.height != image.height) return nullptr;
  const SpanKey key{mask.version, mask.locks, image.serial, image.version, image.locks};
  if (mask.pairSpans && mask.pairKey == key) return mask.pairSpans.get();
  const uint32_t* m = mask.pixels.data();
  const uint32_t* i = image.pixels.data();
  auto kind = [m, i](size_t k) {
    if (m[k] == 0) return 1;
    return (m[k] == kWhite && i[k] == 0) ? 0 : 2;
  };
  auto pack = [m, i](SpanTable& t, int k, size_t k0, size_t k1) {
    if (k == 2) t.words.insert(t.words.end(), m + k0, m + k1);
    for (size_t n = k0; n < k1; ++n) {
      t.words.push_back(i[n]);
      t.clean = t.clean && i[n] <= kWhite;
    }
  };
  mask.pairSpans = Build(mask.width, mask.height, kind, pack);
  mask.pairKey = key;
  return mask.pairSpans.get();
}

const SpanTable* ImageSpans(BitmapObj& image) {
  const SpanKey key{image.version, image.locks, image.serial, image.version, image.locks};
  if (image.orSpans && image.orKey == key) return image.orSpans.get();
  const uint32_t* i = image.pixels.data();
  auto kind = [i](size_t k) { return i[k] != 0 ? 2 : 0; };
  auto pack = [i](SpanTable& t, int, size_t k0, size_t k1) {
    for (size_t n = k0; n < k1; ++n) {
      t.words.push_back(i[n]);
      t.clean = t.clean && i[n] <= kWhite;
    }
  };
  image.orSpans = Build(image.width, image.height, kind, pack);
  image.orKey = key;
  return image.orSpans.get();
}

const SpanTable* AlphaSpans(BitmapObj& image) {
  const SpanKey key{image.version, image.locks, image.serial, image.version, image.locks};
  if (image.alphaSpans && image.alphaKey == key) return image.alphaSpans.get();
  constexpr uint32_t kMinBlend = 8;  // one vector of words
  const uint32_t w = uint32_t(image.width);
  try {
    auto t = std::make_shared<SpanTable>();
    t->clean = false;
    t->rows.assign(size_t(image.height) + 1, 0);
    std::vector<std::pair<uint32_t, uint32_t>> raw, blends;
    for (int32_t y = 0; y < image.height; ++y) {
      t->rows[size_t(y)] = uint32_t(t->spans.size());
      const uint32_t* row = image.pixels.data() + size_t(y) * w;
      auto opaque = [row](uint32_t x) { return row[x] >= 0xFF000000u; };
      auto translucent = [row](uint32_t x) { return row[x] != 0 && row[x] < 0xFF000000u; };
      // Runs of translucent words, widened to a vector (right first, then
      // left) and merged when they overlap or less than a vector lies between.
      raw.clear();
      for (uint32_t x = 0; x < w;) {
        if (!translucent(x)) {
          ++x;
          continue;
        }
        uint32_t e = x + 1;
        while (e < w && translucent(e)) ++e;
        uint32_t a = x, b = e;
        if (b - a < kMinBlend) b = std::min(w, a + kMinBlend);
        if (b - a < kMinBlend) a = b > kMinBlend ? b - kMinBlend : 0;
        raw.emplace_back(a, b);
        x = e;
      }
      std::sort(raw.begin(), raw.end());  // only runs widened leftward at the row's end move
      blends.clear();
      for (const auto& [a, b] : raw) {
        if (!blends.empty() && a < blends.back().second + kMinBlend)
          blends.back().second = std::max(blends.back().second, b);
        else
          blends.emplace_back(a, b);
      }
      auto emit = [&](uint32_t a, uint32_t b, bool copy) {
        t->spans.push_back(Span{a, b, copy ? 1u : 0u, uint32_t(t->words.size())});
        t->words.insert(t->words.end(), row + a, row + b);
      };
      // Opaque runs in the gaps between the blend spans, in column order.
      uint32_t x = 0;
      for (size_t k = 0; k <= blends.size(); ++k) {
        const uint32_t gapEnd = k < blends.size() ? blends[k].first : w;
        while (x < gapEnd) {
          if (!opaque(x)) {
            ++x;
            continue;
          }
          uint32_t e = x + 1;
          while (e < gapEnd && opaque(e)) ++e;
          emit(x, e, true);
          x = e;
        }
        if (k < blends.size()) {
          emit(blends[k].first, blends[k].second, false);
          x = blends[k].second;
        }
      }
    }
    t->rows[size_t(image.height)] = uint32_t(t->spans.size());
    t->hash = Hash(*t);
    image.alphaSpans = Share(std::move(t));
  } catch (const std::bad_alloc&) {
    image.alphaSpans.reset();
  }
  image.alphaKey = key;
  return image.alphaSpans.get();
}

}  // namespace vel::raster
