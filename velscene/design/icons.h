// The palette icons of the three components, drawn by code at compile time
// and encoded as 24 x 24 BMP files with 4 bits per pixel and 16 colours.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vel::icons {

constexpr int kSize = 24;
constexpr size_t kRowBytes = 12;  // 24 pixels of 4 bits; already a multiple of 4
constexpr size_t kPaletteOffset = 14 + 40;
constexpr size_t kPixelOffset = kPaletteOffset + 16 * 4;
constexpr size_t kBmpSize = kPixelOffset + kRowBytes * kSize;

using TPixels = std::array<std::array<uint8_t, kSize>, kSize>;  // [row][column], top row first

// Colour indices of the 16-entry table.
enum : uint8_t {
  cBlack, cMaroon, cGreen, cOlive, cNavy, cPurple, cTeal, cGray,
  cSilver, cRed, cLime, cYellow, cBlue, cKey, cAqua, cWhite,
};
// RGB of each index; cKey (magenta) is the background that palettes leave transparent.
constexpr uint8_t kPalette[16][3] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255},   {255, 255, 255},
};

constexpr void Put16(std::array<uint8_t, kBmpSize>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
constexpr void Put32(std::array<uint8_t, kBmpSize>& b, size_t at, uint32_t v) {
  Put16(b, at, v);
  Put16(b, at + 2, v >> 16);
}

// A bottom-up BMP: file header, BITMAPINFOHEADER, colour table, pixel rows.
constexpr std::array<uint8_t, kBmpSize> EncodeBmp(const TPixels& px) {
  std::array<uint8_t, kBmpSize> b{};
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, kBmpSize);
  Put32(b, 10, kPixelOffset);
  Put32(b, 14, 40);
  Put32(b, 18, kSize);
  Put32(b, 22, kSize);
  Put16(b, 26, 1);   // planes
  Put16(b, 28, 4);   // bits per pixel
  Put32(b, 30, 0);   // no compression
  Put32(b, 34, kRowBytes * kSize);
  Put32(b, 38, 2835);  // 72 dpi
  Put32(b, 42, 2835);
  Put32(b, 46, 16);  // colours used
  for (size_t i = 0; i < 16; ++i) {
    b[kPaletteOffset + 4 * i] = kPalette[i][2];
    b[kPaletteOffset + 4 * i + 1] = kPalette[i][1];
    b[kPaletteOffset + 4 * i + 2] = kPalette[i][0];
  }
  for (int row = 0; row < kSize; ++row) {
    const size_t line = kPixelOffset + kRowBytes * static_cast<size_t>(kSize - 1 - row);
    for (int x = 0; x < kSize; x += 2)
      b[line + static_cast<size_t>(x / 2)] =
          static_cast<uint8_t>((px[row][x] & 15) << 4 | (px[row][x + 1] & 15));
  }
  return b;
}

constexpr int Abs(int v) { return v < 0 ? -v : v; }

constexpr TPixels Blank() {
  TPixels p{};
  for (auto& row : p) row.fill(cKey);
  return p;
}

// A 2:1 diamond centred at (cx, cy) with half-width w, outlined in black;
// `fill(u, v)` colours the inside by its position along the two diamond axes.
template <class Fill>
constexpr void Diamond(TPixels& p, int cx, int cy, int w, Fill fill) {
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      // Twice the pixel centre's offset, so the diamond is symmetric.
      const int dx = 2 * x + 1 - 2 * cx, dy = 2 * y + 1 - 2 * cy;
      const int d = Abs(dx) + 2 * Abs(dy);
      if (d > 2 * w) continue;
      if (d > 2 * w - 4) {
        p[y][x] = cBlack;
        continue;
      }
      fill(p[y][x], dx + 2 * dy, 2 * dy - dx);
    }
  }
}

// TAniMap: a diamond of 3 x 3 grass cells with a water cell and grid lines.
constexpr TPixels MapPicture() {
  TPixels p = Blank();
  Diamond(p, 12, 12, 12, [](uint8_t& c, int u, int v) {
    const int cu = (u + 24) / 16, cv = (v + 24) / 16;  // cell 0..2 along each axis
    if ((u + 24) % 16 == 0 || (v + 24) % 16 == 0) {
      c = cGreen;
    } else if (cu == 2 && cv == 0) {
      c = (u + v) % 6 == 0 ? cAqua : cBlue;
    } else {
      c = (cu + cv) % 2 == 0 ? cLime : cGreen;
      if (c == cGreen && (u * 3 + v) % 7 == 0) c = cLime;
    }
  });
  return p;
}

// TAniFigure: a walker with a yellow head, red coat and blue legs over its
// grey ground shadow.
constexpr TPixels FigurePicture() {
  constexpr const char* kArt[kSize] = {
      "........................",
      "..........kkkk..........",
      ".........kYYYYk.........",
      ".........kYkYkk.........",
      ".........kYYYYk.........",
      "..........kYYk..........",
      "........kkRRRRkk........",
      ".......kRRRRRRRRk.......",
      "......kRRkRRRRkRRk......",
      "......kRkkRRRRkkRk......",
      "......kYk.kRRk..kYk.....",
      ".......k..kBBk...k......",
      ".........kBBBBk.........",
      ".........kBkkBk.........",
      "........kBk..kBk........",
      "........kBk..kBk........",
      ".......kBk....kBk.......",
      "......kkkk....kkkk......",
      ".....aaaaaaaaaaaaaa.....",
      "...aaaaaaaaaaaaaaaaaa...",
      ".....aaaaaaaaaaaaaa.....",
      "........................",
      "........................",
      "........................",
  };
  TPixels p = Blank();
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const char ch = kArt[y][x];
      if (ch == '\0') throw "icon rows must be 24 wide";
      p[y][x] = ch == 'k' ? cBlack : ch == 'Y' ? cYellow : ch == 'R' ? cRed
              : ch == 'B' ? cBlue : ch == 'a' ? cGray : cKey;
    }
    if (kArt[y][kSize] != '\0') throw "icon rows must be 24 wide";
  }
  return p;
}

// TAniView: a framed scene window with a small tile diamond and a figure on it.
constexpr TPixels ViewPicture() {
  TPixels p = Blank();
  for (int y = 1; y <= 19; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool edge = y == 1 || y == 19 || x == 0 || x == kSize - 1;
      p[y][x] = edge ? cBlack : y == 2 || x == 1 ? cWhite : y < 9 ? cAqua : cTeal;
    }
  }
  Diamond(p, 12, 13, 9, [](uint8_t& c, int u, int v) { c = ((u + 18) / 9 + (v + 18) / 9) % 2 ? cGreen : cLime; });
  p[8][12] = cYellow;  // the figure: head, coat, legs
  p[9][11] = p[9][12] = p[9][13] = cRed;
  p[10][11] = p[10][12] = p[10][13] = cRed;
  p[11][11] = p[11][13] = cBlue;
  for (int x = 9; x <= 14; ++x) p[20][x] = cGray;  // the stand
  for (int x = 6; x <= 17; ++x) p[21][x] = cBlack;
  return p;
}

constexpr std::array<uint8_t, kBmpSize> kFigureBmp = EncodeBmp(FigurePicture());
constexpr std::array<uint8_t, kBmpSize> kMapBmp = EncodeBmp(MapPicture());
constexpr std::array<uint8_t, kBmpSize> kViewBmp = EncodeBmp(ViewPicture());

}  // namespace vel::icons
