// Image files on disk: reading a file and picking the decoder by signature,
// writing PNG or BMP by extension through a temporary file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "velscene/platform/graphics/internal/image_checks.h"
#include "velscene/platform/graphics/image_files.h"

namespace vel {

namespace {

// Largest file read: a 32-bit BMP at the size limit, plus room for headers.
constexpr uint64_t kMaxFileSize = uint64_t(kMaxImageSide) * kMaxImageSide * 4 + (16u << 20);

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string ErrnoText(int err) { return err ? std::strerror(err) : "unknown error"; }

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  FilePtr f(std::fopen(path.c_str(), "rb"));
  if (!f) ThrowImageError(path, "cannot open file (" + ErrnoText(errno) + ")");
  std::vector<uint8_t> bytes;
  uint8_t chunk[1 << 16];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, f.get());
    if (got > kMaxFileSize - bytes.size()) ThrowImageError(path, "file too large for an image");
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < sizeof chunk) break;
  }
  if (std::ferror(f.get())) ThrowImageError(path, "cannot read file (" + ErrnoText(errno) + ")");
  return bytes;
}

bool EndsWithBmp(const std::string& path) {
  if (path.size() < 4) return false;
  const char* ext = path.c_str() + path.size() - 4;
  return ext[0] == '.' && (ext[1] | 0x20) == 'b' && (ext[2] | 0x20) == 'm' && (ext[3] | 0x20) == 'p';
}

}  // namespace

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------
DecodedImage LoadImageFile(const std::string& path, DecodeAlpha alpha) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  static constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0)
    return DecodePng(bytes.data(), bytes.size(), path, alpha);
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return DecodeBmp(bytes.data(), bytes.size(), path, alpha);
  if (bytes.empty()) ThrowImageError(path, "empty file");
  ThrowImageError(path, "not a PNG or BMP image");
}

// ---------------------------------------------------------------------------
// Saving
// ---------------------------------------------------------------------------
// The image goes to "<path>.part" first and is renamed over the target only
// after every write and the close succeeded, so a failed save never leaves a
// half-written file under the real name.
void SaveImageFile(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height, bool alpha) {
  std::vector<uint8_t> bytes;
  try {
    bytes = EndsWithBmp(path) ? EncodeBmp24(pixels, width, height) : EncodePng(pixels, width, height, alpha);
  } catch (const EImageError& e) {
    ThrowImageError(path, e.what());
  }
  const std::string temp = path + ".part";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) ThrowImageError(path, "cannot write file (" + ErrnoText(errno) + ")");
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fflush(f) == 0) && ok;
  int err = ok ? 0 : errno;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    std::remove(temp.c_str());
    ThrowImageError(path, "cannot write file (" + ErrnoText(err) + ")");
  }
}

}  // namespace vel
