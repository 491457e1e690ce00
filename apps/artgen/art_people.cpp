// People and the ghost: a chibi person facing front or back, standing and in
// a four-step walk, mirrored for the other directions; a see-through ghost.
#include <cmath>

#include "art.h"

namespace art {

namespace {

constexpr uint32_t kInk = 0x18141C;  // outline

struct Pose {
  bool Back = false;    // seen from behind (walking away)
  int Phase = 0;        // 0 standing, 1..4 walking
  bool Blink = false;
};

void Disc(Canvas& c, double cx, double cy, double r, uint32_t lit, uint32_t mid, uint32_t dark) {
  for (int y = int(cy - r) - 1; y <= int(cy + r) + 1; ++y)
    for (int x = int(cx - r) - 1; x <= int(cx + r) + 1; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      if (dx * dx + dy * dy > r * r) continue;
      const double l = -dx * 0.6 - dy * 0.8;  // light from the upper left
      c.Set(x, y, l > r * 0.35 ? lit : l < -r * 0.35 ? dark : mid);
    }
}

// A vertical limb from y0 to y1, three tones across its width.
void Limb(Canvas& c, int x0, int y0, int w, int y1, uint32_t col) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x < x0 + w; ++x) c.Set(x, y, x == x0 ? Shade(col, 1.15) : x == x0 + w - 1 ? Shade(col, 0.78) : col);
}

Canvas Person(const Look& k, const Pose& p) {
  Canvas c(32, 48);
  const int bob = (p.Phase == 2 || p.Phase == 4) ? -1 : 0;
  // Stride: in phase 1 the left leg leads, in phase 3 the right. A leading leg
  // reaches toward the direction of travel: down when facing us, up when not.
  const int reach = p.Back ? -1 : 1;
  int leftDy = 0, rightDy = 0, leftDx = 0, rightDx = 0;
  if (p.Phase == 1) leftDy = reach, rightDy = -reach, leftDx = -1, rightDx = 1;
  if (p.Phase == 3) leftDy = -reach, rightDy = reach, leftDx = -1, rightDx = 1;
  // Legs and shoes.
  Limb(c, 12 + leftDx, 35 + bob, 4, 42 + leftDy, k.Legs);
  Limb(c, 17 + rightDx, 35 + bob, 4, 42 + rightDy, k.Legs);
  c.FillRect(12 + leftDx, 43 + leftDy, 15 + leftDx + (p.Back ? 0 : 1), 44 + leftDy, k.Shoes);
  c.FillRect(17 + rightDx, 43 + rightDy, 20 + rightDx + (p.Back ? 0 : 1), 44 + rightDy, k.Shoes);
  // Cape behind the body (seen whole from the back, as edges from the front).
  if (k.Cape && !p.Back) {
    c.FillRect(9, 26 + bob, 22, 38 + bob, Shade(k.Accent, 0.7));
  }
  // Arms swing against the legs.
  const int swing = p.Phase == 1 ? 1 : p.Phase == 3 ? -1 : 0;
  Limb(c, 8, 25 + bob + swing, 3, 33 + bob + swing, k.Tunic);
  Limb(c, 21, 25 + bob - swing, 3, 33 + bob - swing, Shade(k.Tunic, 0.85));
  c.FillRect(8, 34 + bob + swing, 10, 35 + bob + swing, k.Skin);
  c.FillRect(21, 34 + bob - swing, 23, 35 + bob - swing, Shade(k.Skin, 0.85));
  // Torso: lit on the left, a belt, rounded shoulders.
  for (int y = 24 + bob; y <= 36 + bob; ++y)
    for (int x = 11; x <= 20; ++x) {
      if ((y == 24 + bob) && (x == 11 || x == 20)) continue;
      uint32_t col = x <= 12 ? Shade(k.Tunic, 1.18) : x >= 19 ? Shade(k.Tunic, 0.78) : k.Tunic;
      if (y == 33 + bob) col = Shade(k.Accent, x <= 12 ? 0.9 : 0.7);
      c.Set(x, y, col);
    }
  if (k.Cape && p.Back) {
    for (int y = 24 + bob; y <= 39 + bob; ++y)
      for (int x = 10; x <= 21; ++x) c.Set(x, y, x <= 12 ? Shade(k.Accent, 1.15) : x >= 19 ? Shade(k.Accent, 0.75) : k.Accent);
  }
  // Head: a lit disc of skin, then hair (or helmet) over it.
  const double hx = 16, hy = 15.5 + bob;
  Disc(c, hx, hy, 7.5, Shade(k.Skin, 1.1), k.Skin, Shade(k.Skin, 0.8));
  const uint32_t top = k.Helmet ? k.Accent : k.Hair;
  for (int y = int(hy) - 8; y <= int(hy) + 8; ++y)
    for (int x = 8; x <= 24; ++x) {
      if (!c.Opaque(x, y) || y > hy + 8) continue;
      const double dx = x + 0.5 - hx, dy = y + 0.5 - hy;
      if (dx * dx + dy * dy > 7.5 * 7.5) continue;
      bool covered;
      if (p.Back)
        covered = !k.Helmet ? dy < 5.5 : dy < 1.5;  // back of the head
      else
        covered = dy < -2.5 + (k.Helmet ? 0.5 : 0) || (!k.Helmet && dx < -5.0 && dy < 3.0);  // fringe and side
      if (!covered) continue;
      const double l = -dx * 0.6 - dy * 0.8;
      c.Set(x, y, l > 3.0 ? Shade(top, 1.25) : l < -2.5 ? Shade(top, 0.72) : top);
    }
  if (!p.Back) {
    // Eyes look toward the front-right; closed eyes are a line.
    const int ey = int(hy) + 1;
    for (int ex : {16, 20}) {
      if (p.Blink) {
        c.Set(ex, ey + 1, Shade(k.Skin, 0.55));
      } else {
        c.Set(ex, ey, 0x201820);
        c.Set(ex, ey + 1, 0x201820);
      }
    }
    c.Set(18, ey + 4, Shade(k.Skin, 0.7));  // mouth
    c.Set(21, ey + 3, Mix(k.Skin, 0xE07070, 0.35));  // cheek
  }
  c.Outline(kInk);
  return c;
}

}  // namespace

Canvas PersonSheet(const Look& look) {
  Canvas sheet(5 * 32, 4 * 48);
  for (int phase = 0; phase <= 4; ++phase) {
    const Canvas front = Person(look, {false, phase, false});
    const Canvas back = Person(look, {true, phase, false});
    sheet.Blit(front, phase * 32, 0);                 // SE
    sheet.Blit(front.Mirrored(), phase * 32, 48);     // SW
    sheet.Blit(back, phase * 32, 96);                 // NE
    sheet.Blit(back.Mirrored(), phase * 32, 144);     // NW
  }
  return sheet;
}

Canvas PersonIdleSheet(const Look& look) {
  Canvas sheet(2 * 32, 48);
  sheet.Blit(Person(look, {false, 0, false}), 0, 0);
  sheet.Blit(Person(look, {false, 0, true}), 32, 0);
  return sheet;
}

Canvas GhostSheet() {
  Canvas sheet(4 * 32, 40);
  for (int f = 0; f < 4; ++f) {
    Canvas g(32, 40);
    const double lift = std::sin(f * 1.5708) * 1.5;  // hovers up and down
    const double cy = 13 + lift;
    for (int y = 0; y < 40; ++y)
      for (int x = 5; x <= 26; ++x) {
        const double dx = x + 0.5 - 16, dy = y + 0.5 - cy;
        const bool dome = dy < 0 && dx * dx + dy * dy <= 10.5 * 10.5;
        const double hem = cy + 17 + 2.2 * std::sin((x + f * 2.75) * 0.9);
        const bool skirt = dy >= 0 && y <= hem && std::fabs(dx) <= 10.5 + dy * 0.12;
        if (!dome && !skirt) continue;
        // Drawn without a mask, so these colours brighten what lies beneath:
        // cool and dim at the edges, a pale glow in the middle.
        const double edge = std::min(1.0, std::fabs(dx) / 10.5);
        uint32_t col = Mix(Rgb(150, 170, 210), Rgb(70, 80, 120), edge * edge);
        if (dx < -3 && dy < -3) col = Rgb(190, 205, 235);  // sheen
        g.Set(x, y, col);
      }
    // Hollow eyes and mouth: black adds nothing, so the ground shows through.
    for (int ex : {12, 18})
      g.FillRect(ex, int(cy) - 1, ex + 2, int(cy) + 2, 0x000000);
    g.FillRect(15, int(cy) + 5, 16, int(cy) + 7, 0x000000);
    sheet.Blit(g, f * 32, 0);
  }
  return sheet;
}

}  // namespace art
