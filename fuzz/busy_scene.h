// A busy scene built in code for soak runs: a 32 x 32 map with water, walls
// and trees, 30 walkers with looping scripts, shadows and highlights.
#pragma once

#include <array>
#include <cstdint>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/host/forms.h"
#include "velscene/figure.h"
#include "velscene/map.h"
#include "velscene/view.h"

namespace vel::soak {

class BusyScene {
 public:
  static constexpr int kWalkers = 30;
  static constexpr uint32_t kSide = 32;

  BusyScene() {
    Application().SelectBackend("headless");
    form_ = new TForm(nullptr);
    form_->SetClientSize(480, 320);
    view_ = new TAniView(form_);
    view_->SetParent(form_);
    view_->SetBounds(0, 0, 480, 320);
    view_->SetInterval(40);
    BuildMap();
    view_->SetMap(map_);
    for (int i = 0; i < kWalkers; ++i) AddWalker(i);
    view_->SetKeyFigure(walkers_[0]);
    form_->Show();
    view_->SetActive(true);
  }
  ~BusyScene() { delete form_; }  // owns the view, the map and the walkers
  BusyScene(const BusyScene&) = delete;
  BusyScene& operator=(const BusyScene&) = delete;

  // One frame tick through the view's timer, with the pointer sweeping the view.
  void Tick() {
    ++ticks_;
    HeadlessBackend()->SetCursorPos(view_->ClientToScreen({int32_t(ticks_ * 7 % 480), int32_t(ticks_ * 3 % 320)}));
    HeadlessBackend()->Advance(view_->Interval());
  }

  TAniView& View() const { return *view_; }
  const std::array<TAniFigure*, kWalkers>& Walkers() const { return walkers_; }
  uint64_t Ticks() const { return ticks_; }
  uint64_t Arrivals() const { return arrivals_; }
  uint64_t Collisions() const { return collisions_; }
  uint64_t Hovers() const { return hovers_; }

 private:
  static bool Water(uint32_t x, uint32_t y) { return x >= 12 && x <= 17 && y >= 5 && y <= 9; }
  static bool Tree(uint32_t x, uint32_t y) { return (x * 7 + y * 3) % 23 == 0 && x > 0 && y > 0; }
  static bool Wall(uint32_t x, uint32_t y) { return y == 20 && x >= 4 && x <= 26 && x % 6 != 0; }

  // A diamond-ish picture: `colour` on a magenta key (the bottom-left pixel).
  static void Paint(TBitmap& b, int32_t w, int32_t h, TColor colour) {
    b.SetSize(w, h);
    b.Canvas()->SetBrushColor(clFuchsia);
    b.Canvas()->FillRect({0, 0, w, h});
    b.Canvas()->SetBrushColor(colour);
    b.Canvas()->FillRect({w / 4, 1, w - w / 4, h - 1});
  }

  void BuildMap() {
    map_ = new TAniMap(form_);
    map_->SetWidth(kSide);
    map_->SetHeight(kSide);
    TBitmap b;
    const TColor flat[] = {0x3C9A3C, 0x6AA0C8, 0xB06A20};  // grass, path, water
    for (int t = 0; t < 3; ++t) {
      Paint(b, 48, 23, flat[t]);
      map_->SetTile(t + 1, &b);
    }
    Paint(b, 48, 64, 0x205020);  // tree
    map_->SetTile(4, &b);
    Paint(b, 48, 40, 0x707070);  // wall
    map_->SetTile(5, &b);
    map_->SetGridRange(0, 0, kSide - 1, kSide - 1, 1, true);
    map_->SetGridRange(0, 14, kSide - 1, 15, 2, true);
    for (uint32_t y = 0; y < kSide; ++y)
      for (uint32_t x = 0; x < kSide; ++x) {
        if (Water(x, y)) map_->SetGridRange(x, y, x, y, 3, false);
        if (Tree(x, y)) map_->SetGridRange(x, y, x, y, 4, false);
        if (Wall(x, y)) map_->SetGridRange(x, y, x, y, 5, false);
      }
  }

  void AddWalker(int i) {
    TAniFigure*& f = walkers_[i];
    f = new TAniFigure(form_);
    f->Width = 32;
    f->Height = 48;
    f->CenterX = 16;
    f->CenterY = 44;
    f->Speed = 0.1f + 0.01f * float(i % 7);
    f->Radius = 0.35f;
    f->Shadow = true;
    f->Highlighted = i % 9 == 0;
    f->AutoHighlight = i % 3 == 0;
    f->Transparent = i == 5;
    f->SetHighlightColor(clYellow);
    TBitmap b;
    for (int frame = 1; frame <= 8; ++frame) {
      Paint(b, 32, 48, TColor(0x101010 * (i % 12 + 1) + frame * 0x10));
      f->SetFrame(frame, &b);
    }
    for (int dir = 0; dir < 4; ++dir) f->SetScript(dir + 1, {dir * 2 + 1, dir * 2 + 2});
    f->PlayScript(i % 4 + 1, true);
    f->OnArrival = [this, i](TObject*) {
      ++arrivals_;
      Retarget(i);
    };
    f->OnCollide = [this, i](TObject*, TObject*, int32_t) {
      ++collisions_;
      Retarget(i);
    };
    f->OnMouseOver = [this](TObject*) { ++hovers_; };
    view_->AddFigure(f);
    float x = float(i % 6) * 5 + 1, y = float(i / 6) * 5 + 2;
    while (Water(uint32_t(x), uint32_t(y)) || Tree(uint32_t(x), uint32_t(y)) || Wall(uint32_t(x), uint32_t(y))) x += 1;
    view_->SetFigurePos(f, x, y, 0);
    Retarget(i);
  }

  // The next target: a pseudo-random cell, the same sequence on every run.
  void Retarget(int i) {
    seed_ = seed_ * 6364136223846793005ull + 1442695040888963407ull;
    const float x = float((seed_ >> 33) % kSide), y = float((seed_ >> 45) % kSide);
    view_->MoveFigure(walkers_[i], x, y, 0);
    walkers_[i]->PlayScript(int32_t((seed_ >> 20) % 4) + 1, true);
  }

  TForm* form_ = nullptr;
  TAniView* view_ = nullptr;
  TAniMap* map_ = nullptr;
  std::array<TAniFigure*, kWalkers> walkers_{};  // the view keeps these addresses
  uint64_t seed_ = 0x5EED;
  uint64_t ticks_ = 0, arrivals_ = 0, collisions_ = 0, hovers_ = 0;
};

}  // namespace vel::soak
