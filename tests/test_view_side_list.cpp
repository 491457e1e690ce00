// Tall tiles beyond the free display-list slots: frames equal those of a list
// with unlimited slots, kept here as the plain list it would be (figures and
// every tall tile, appended and removed as the view's list is, sorted stably
// by depth every tick), while figures land on the tiles' depths, walk past
// them, leave and come back, and the map is bound again.
#include <algorithm>
#include <map>
#include <optional>
#include <random>

#include "map_reference.h"
#include "view_fixture.h"

using namespace vel;
using vel::testing::MapReference;
using vel::testing::RandomTile;
using vel::testing::ViewTest;

namespace {

class SideList : public ViewTest {
 protected:
  // One item of the unlimited list: a figure variable, or the tall tile of
  // cell (x, y).
  struct Item {
    TAniFigure** fig = nullptr;
    uint32_t x = 0, y = 0;
  };

  TAniFigure** NewSprite(std::mt19937& rng, float x, float y) {
    TAniFigure** f = &NewFigure(x, y);
    TBitmap b;
    const int w = 20 + int(rng() % 50), h = 20 + int(rng() % 50);
    RandomTile(rng, b, w, h);
    (*f)->SetFrame(1, &b);
    (*f)->Width = uint32_t(w);
    (*f)->Height = uint32_t(h);
    (*f)->CenterX = w / 2;
    (*f)->CenterY = h - 4;
    (*f)->Radius = 0.2f;
    const ConstPixelView v = ReadPixels(b.Handle());
    pixels[f] = std::vector<uint32_t>(v.pixels, v.pixels + size_t(w) * h);
    return f;
  }

  void Add(TAniFigure** f) {
    view->AddFigure(*f);
    if ((*f)->Slot() > 0) list.push_back({f, 0, 0});
  }
  void Remove(TAniFigure** f) {
    view->RemoveFigure(*f);
    list.erase(std::remove_if(list.begin(), list.end(), [&](const Item& i) { return i.fig == f; }), list.end());
  }
  void Bind(TAniMap* map) {
    view->SetMap(map);
    list.erase(std::remove_if(list.begin(), list.end(), [](const Item& i) { return !i.fig; }), list.end());
    ref.emplace(*map);
    for (uint32_t y = 0; y < map->Height(); ++y)
      for (uint32_t x = 0; x < map->Width(); ++x)
        if (ref->Tall(x, y)) list.push_back({nullptr, x, y});
  }

  // The tick's sort on the unlimited list, then its frame.
  std::vector<uint32_t> Expected() {
    auto depth = [&](const Item& i) {
      return i.fig ? view->Entry((*i.fig)->Slot())->Depth : static_cast<float>(i.x + i.y);
    };
    std::stable_sort(list.begin(), list.end(), [&](const Item& a, const Item& b) { return depth(a) < depth(b); });
    const int W = view->Width(), H = view->Height(), sx = view->ScrollX(), sy = view->ScrollY();
    std::vector<uint32_t> f = ref->Frame(W, H, sx, sy, PixelFromColorRef(ColorToRGB(view->Color())), false);
    for (const Item& i : list) {
      if (!i.fig) {
        ref->Draw(f, W, H, i.x, i.y, sx, sy);
        continue;
      }
      const TAniEntry& e = *view->Entry((*i.fig)->Slot());
      const std::vector<uint32_t>& px = pixels[i.fig];
      const int w = int((*i.fig)->Width), h = int((*i.fig)->Height);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const int fx = e.ScreenX + sx + x, fy = e.ScreenY + sy + y;
          const uint32_t p = px[size_t(y) * w + x];
          if (fx >= 0 && fy >= 0 && fx < W && fy < H && p != px[size_t(h - 1) * w]) f[size_t(fy) * W + fx] = p;
        }
    }
    return f;
  }

  std::vector<uint32_t> Shown() {
    const ConstPixelView v = ReadPixels(view->Buffer()->Handle());
    return std::vector<uint32_t>(v.pixels, v.pixels + size_t(v.width) * v.height);
  }

  TAniMap* TallMap(std::mt19937& rng) {
    auto* map = new TAniMap(form);
    map->SetWidth(36);
    map->SetHeight(36);
    const int sizes[][2] = {{48, 23}, {48, 40}, {60, 70}, {48, 24}};
    for (int t = 1; t <= 4; ++t) {
      TBitmap b;
      RandomTile(rng, b, sizes[t - 1][0], sizes[t - 1][1]);
      map->SetTile(t, &b);
    }
    for (int32_t y = 0; y < 36; ++y)
      for (int32_t x = 0; x < 36; ++x) map->SetGridTile(x, y, uint8_t(rng() % 5 < 2 ? 2 + rng() % 3 : 1));
    return map;
  }

  std::vector<Item> list;
  std::optional<MapReference> ref;
  std::map<TAniFigure**, std::vector<uint32_t>> pixels;
};

}  // namespace

TEST_F(SideList, FramesEqualAListWithUnlimitedSlots) {
  std::mt19937 rng(255);
  view->SetColor(clOlive);
  form->PaintAll();
  // The camera follows an invisible figure in the middle of the map.
  TAniFigure*& cam = NewFigure(17, 17);
  cam->Visible = false;
  view->AddFigure(cam);
  view->SetKeyFigure(cam);
  // Figures placed before the binding stand before every tall tile.
  std::vector<TAniFigure**> figs;
  for (int i = 0; i < 40; ++i) {
    figs.push_back(NewSprite(rng, float(10 + rng() % 14), float(10 + rng() % 14)));
    Add(figs.back());
  }
  TAniMap* map = TallMap(rng);
  Bind(map);
  view->SetFigurePos(cam, 17, 17, 0);  // placed before the binding's origin
  ASSERT_GT(view->SideTileCount(), 200);
  ASSERT_EQ(view->EntryCount(), kMaxEntries);
  // Half of them leave; new ones, placed after the binding, take their slots
  // and stand after every tall tile.
  for (int i = 0; i < 20; ++i) Remove(figs[size_t(i)]);
  for (int i = 0; i < 20; ++i) {
    figs[size_t(i)] = NewSprite(rng, float(10 + rng() % 14), float(10 + rng() % 14));
    Add(figs[size_t(i)]);
  }
  for (int tick = 0; tick < 60; ++tick) {
    for (TAniFigure** f : figs) {
      const uint32_t r = rng() % 8;
      // Whole cells give the depths of tiles; half cells depths between.
      const float x = float(8 + rng() % 18) + (r == 0 ? 0.5f : 0.0f), y = float(8 + rng() % 18);
      if (r < 3) view->SetFigurePos(*f, x, y, 0);
      else if (r < 5) view->MoveFigure(*f, x, y, 0);
    }
    if (tick % 10 == 9) {  // one leaves and comes back at the near end
      TAniFigure** f = figs[rng() % figs.size()];
      Remove(f);
      Add(f);
    }
    if (tick == 30) Bind(map);  // every figure now stands before every tile
    view->DrawFrame();
    ASSERT_EQ(Shown(), Expected()) << "tick " << tick;
  }
  // The list keeps its 255 slots and its order; the side list only adds.
  ExpectListSound();
}
