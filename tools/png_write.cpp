#include "tools/png_write.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

namespace {

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
  PutBigEndian(out, static_cast<std::uint32_t>(crc));
}

// Rows with the Sub filter, deflated.
std::vector<std::uint8_t> CompressRows(const RgbaImage& image) {
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  std::vector<std::uint8_t> filtered;
  filtered.reserve((rowBytes + 1) * image.height);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row = image.pixels.data() + y * rowBytes;
    filtered.push_back(1);
    for (std::size_t i = 0; i < rowBytes; ++i) {
      filtered.push_back(static_cast<std::uint8_t>(row[i] - (i >= 4 ? row[i - 4] : 0)));
    }
  }
  uLongf size = compressBound(static_cast<uLong>(filtered.size()));
  std::vector<std::uint8_t> compressed(size);
  if (compress2(compressed.data(), &size, filtered.data(), static_cast<uLong>(filtered.size()), 6) != Z_OK) {
    throw std::runtime_error("cannot compress image data");
  }
  compressed.resize(size);
  return compressed;
}

std::vector<std::uint8_t> Header(const RgbaImage& image) {
  std::vector<std::uint8_t> ihdr;
  PutBigEndian(ihdr, static_cast<std::uint32_t>(image.width));
  PutBigEndian(ihdr, static_cast<std::uint32_t>(image.height));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  return ihdr;
}

std::vector<std::uint8_t> Signature() { return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}; }

void Save(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + path);
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace

void WritePng(const std::string& path, const RgbaImage& image) {
  std::vector<std::uint8_t> out = Signature();
  PutChunk(out, "IHDR", Header(image));
  PutChunk(out, "IDAT", CompressRows(image));
  PutChunk(out, "IEND", {});
  Save(path, out);
}

void WriteAnimatedPng(const std::string& path, const std::vector<RgbaImage>& frames, int delayMs) {
  if (frames.empty()) throw std::runtime_error("no frames to write");
  std::vector<std::uint8_t> out = Signature();
  PutChunk(out, "IHDR", Header(frames.front()));
  std::vector<std::uint8_t> actl;
  PutBigEndian(actl, static_cast<std::uint32_t>(frames.size()));
  PutBigEndian(actl, 0);  // loop forever
  PutChunk(out, "acTL", actl);
  std::uint32_t sequence = 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    std::vector<std::uint8_t> fctl;
    PutBigEndian(fctl, sequence++);
    PutBigEndian(fctl, static_cast<std::uint32_t>(frames[i].width));
    PutBigEndian(fctl, static_cast<std::uint32_t>(frames[i].height));
    PutBigEndian(fctl, 0);
    PutBigEndian(fctl, 0);
    fctl.push_back(static_cast<std::uint8_t>(delayMs >> 8));
    fctl.push_back(static_cast<std::uint8_t>(delayMs));
    fctl.push_back(0x03);  // delay denominator 1000
    fctl.push_back(0xE8);
    fctl.push_back(0);  // dispose: none
    fctl.push_back(0);  // blend: source
    PutChunk(out, "fcTL", fctl);
    std::vector<std::uint8_t> data = CompressRows(frames[i]);
    if (i == 0) {
      PutChunk(out, "IDAT", data);
    } else {
      std::vector<std::uint8_t> fdat;
      PutBigEndian(fdat, sequence++);
      fdat.insert(fdat.end(), data.begin(), data.end());
      PutChunk(out, "fdAT", fdat);
    }
  }
  PutChunk(out, "IEND", {});
  Save(path, out);
}
