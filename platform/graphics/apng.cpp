// TApngWriter: splitting encoded PNGs into chunks and writing acTL, fcTL and
// fdAT around them.
#include "velscene/platform/graphics/apng.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

#include "velscene/platform/graphics/graphics.h"
#include "velscene/platform/graphics/image_files.h"

namespace vel {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t ReadBe32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v >> 24));
  out.push_back(uint8_t(v >> 16));
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}

void PutBe16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  PutBe32(out, uint32_t(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBe32(out, PngCrc32(out.data() + start, out.size() - start));
}

}  // namespace

uint32_t PngCrc32(const uint8_t* data, size_t size, uint32_t crc) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

TApngWriter::TApngWriter(int32_t width, int32_t height, uint32_t delayMs)
    : width_(width), height_(height), delayMs_(delayMs) {}

void TApngWriter::AddFrame(const uint32_t* pixels) { AddPng(EncodePng(pixels, width_, height_)); }

void TApngWriter::AddPng(const std::vector<uint8_t>& png) {
  if (png.size() < 8 || std::memcmp(png.data(), kSignature, 8) != 0) throw EImageError("APNG: encoder gave no PNG");
  std::vector<uint8_t> header, stream;
  for (size_t pos = 8; pos + 12 <= png.size();) {
    const uint32_t length = ReadBe32(png.data() + pos);
    if (length > png.size() - pos - 12) throw EImageError("APNG: truncated chunk from the encoder");
    const uint8_t* type = png.data() + pos + 4;
    const uint8_t* data = type + 4;
    if (std::memcmp(type, "IHDR", 4) == 0) header.assign(data, data + length);
    if (std::memcmp(type, "IDAT", 4) == 0) stream.insert(stream.end(), data, data + length);
    pos += 12 + size_t(length);
  }
  if (header.size() != 13 || stream.empty()) throw EImageError("APNG: encoder output lacks IHDR or IDAT");
  if (ReadBe32(header.data()) != uint32_t(width_) || ReadBe32(header.data() + 4) != uint32_t(height_))
    throw EImageError("APNG: frame size differs from the animation's");
  // Every frame shares the first frame's header (size, depth, colour type).
  if (!frames_.empty() && header != header_) throw EImageError("APNG: frames differ in format");
  header_ = std::move(header);
  frames_.push_back(std::move(stream));
}

std::vector<uint8_t> TApngWriter::Finish() const {
  if (frames_.empty()) throw EImageError("APNG: no frames");
  std::vector<uint8_t> out(kSignature, kSignature + 8);
  PutChunk(out, "IHDR", header_);
  std::vector<uint8_t> actl;
  PutBe32(actl, uint32_t(frames_.size()));
  PutBe32(actl, 0);  // plays forever
  PutChunk(out, "acTL", actl);
  uint32_t sequence = 0;
  // Delays above 65535 ms are given in hundredths of a second.
  const bool coarse = delayMs_ > 65535;
  const uint16_t delayNum = uint16_t(coarse ? std::min<uint32_t>(delayMs_ / 10, 65535) : delayMs_);
  const uint16_t delayDen = coarse ? 100 : 1000;
  for (size_t i = 0; i < frames_.size(); ++i) {
    std::vector<uint8_t> fctl;
    PutBe32(fctl, sequence++);
    PutBe32(fctl, uint32_t(width_));
    PutBe32(fctl, uint32_t(height_));
    PutBe32(fctl, 0);  // x offset
    PutBe32(fctl, 0);  // y offset
    PutBe16(fctl, delayNum);
    PutBe16(fctl, delayDen);
    fctl.push_back(0);  // dispose: none
    fctl.push_back(0);  // blend: source (frames are opaque and whole)
    PutChunk(out, "fcTL", fctl);
    if (i == 0) {
      PutChunk(out, "IDAT", frames_[0]);
    } else {
      std::vector<uint8_t> fdat;
      PutBe32(fdat, sequence++);
      fdat.insert(fdat.end(), frames_[i].begin(), frames_[i].end());
      PutChunk(out, "fdAT", fdat);
    }
  }
  PutChunk(out, "IEND", {});
  return out;
}

void TApngWriter::SaveToFile(const std::string& path) const {
  const std::vector<uint8_t> bytes = Finish();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) throw EImageError(path + ": cannot write the animation");
}

}  // namespace vel
