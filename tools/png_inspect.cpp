// png-inspect: decodes PNG files with the codec and prints what it read, in
// a stable line format that checks from outside rely on.
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "png/pngimage.h"
#include "png/rgba_export.h"
#include "tools/sha256.h"

namespace {

constexpr char kUsage[] =
    "usage: png-inspect [--raw DIR] FILE...\n"
    "\n"
    "Decodes each FILE and prints, on success:\n"
    "  ok WIDTH HEIGHT BITDEPTH COLORTYPE INTERLACE\n"
    "  chunks TYPE:Class ...          (the chunk list in order)\n"
    "  kind trOpaque|trColorKey|trAlpha key 0xXXXXXXXX|unavailable\n"
    "  rgba-sha256 HEX                (SHA-256 of the image as top-down RGBA8)\n"
    "or, on failure, 'error CLASS: message' (line breaks shown as ' | ').\n"
    "With more than one FILE each file's lines follow a line 'file PATH'.\n"
    "Exit status 1 when any file failed.\n"
    "\n"
    "--raw DIR writes the buffers of each decoded file, NAME being the file\n"
    "name without its directory:\n"
    "  DIR/NAME.dibinfo    the bitmap description: 40-byte header, 256 colour entries\n"
    "  DIR/NAME.colorbits  the colour rows as stored (bottom-up, RowStride bytes each)\n"
    "  DIR/NAME.alpha      the alpha plane (top-down, WIDTH bytes a row), if any\n"
    "  DIR/NAME.rgba       the image as top-down RGBA8\n";

std::string OneLine(const std::string& message) {
  std::string line;
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') {
      line += " | ";
      ++i;
    } else if (message[i] == '\n' || message[i] == '\r') {
      line += " | ";
    } else {
      line += message[i];
    }
  }
  return line;
}

std::string ChunkTypeText(const TChunk& chunk) {
  std::string text;
  for (std::uint8_t c : chunk.ChunkType) {
    if (c > 32 && c < 127) {
      text += static_cast<char>(c);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text;
}

const char* KindName(TTransparencyKind kind) {
  switch (kind) {
    case trColorKey: return "trColorKey";
    case trAlpha: return "trAlpha";
    default: return "trOpaque";
  }
}

// A palette image whose transparent entry lies beyond its palette reads and
// draws, but has no key colour to give.
std::string KeyText(const TPNGObject& image) {
  try {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", image.KeyColor());
    return text;
  } catch (const EPngError&) {
    return "unavailable";
  }
}

void WriteFile(const std::string& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The buffers as stored; the RGBA rows follow as they are hashed.
void WriteRaw(const TPNGObject& image, const std::string& base) {
  const TChunkIHDR& h = image.RequireHeader();
  WriteFile(base + ".dibinfo", &h.DibInfo, sizeof h.DibInfo);
  WriteFile(base + ".colorbits", h.ColorBits, h.ColorBits ? static_cast<std::size_t>(h.ColorBytes()) : 0);
  if (h.AlphaPlane) WriteFile(base + ".alpha", h.AlphaPlane.get(), static_cast<std::size_t>(h.AlphaBytes()));
}

// The SHA-256 of the image as top-down RGBA8, made one row at a time, so
// that no image needs more than its decoded self and a row; each row also
// goes to `raw` when it is open.
std::string HashRgba(const TPNGObject& image, std::ofstream& raw) {
  const TChunkIHDR& h = image.RequireHeader();
  TSha256 hash;
  if (h.ColorBits == nullptr) return hash.HexDigest();
  std::vector<std::uint8_t> row(std::size_t{h.Width} * 4);
  for (std::uint32_t y = 0; y < h.Height; ++y) {
    ExportRGBARow(image, static_cast<int>(y), row.data());
    hash.Update(row.data(), row.size());
    if (raw.is_open()) raw.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
  }
  return hash.HexDigest();
}

// Prints the report of one file; false when it failed.
bool Inspect(const std::string& path, const char* rawDir) {
  try {
    TPNGObject image;
    {
      plat::TFileStream stream(path);
      image.ReadPng(stream);
    }
    const TChunkIHDR& h = image.RequireHeader();
    const TTransparencyKind kind = image.TransparencyKind();
    const std::string key = KeyText(image);
    std::ofstream raw;
    if (rawDir != nullptr) {
      const std::string base = std::string(rawDir) + "/" + BaseName(path);
      WriteRaw(image, base);
      raw.open(base + ".rgba", std::ios::binary);
      if (!raw) throw std::runtime_error("cannot write " + base + ".rgba");
    }
    const std::string hash = HashRgba(image, raw);
    if (raw.is_open() && !raw.flush()) throw std::runtime_error("cannot write the .rgba file of " + path);
    std::string chunks = "chunks";
    for (std::uint32_t i = 0; i < image.ChunkList.ItemCount(); ++i) {
      const TChunk& chunk = *image.ChunkList.ItemAt(i);
      chunks += " " + ChunkTypeText(chunk) + ":" + chunk.ChunkClass().ClassName;
    }
    std::printf("ok %u %u %u %u %u\n%s\nkind %s key %s\nrgba-sha256 %s\n", h.Width, h.Height, h.BitDepth,
                h.ColorType, h.InterlaceMethod, chunks.c_str(), KindName(kind), key.c_str(), hash.c_str());
    return true;
  } catch (const plat::Exception& e) {
    std::printf("error %s: %s\n", e.ClassName(), OneLine(e.Message()).c_str());
  } catch (const std::bad_alloc&) {
    std::printf("error EOutOfMemory: %s\n", pnglang::OutOfMemoryText);
  } catch (const std::exception& e) {
    std::printf("error Exception: %s\n", OneLine(e.what()).c_str());
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const char* rawDir = nullptr;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--raw") == 0) {
      if (i + 1 >= argc) {
        std::fputs(kUsage, stderr);
        return 2;
      }
      rawDir = argv[++i];
      continue;
    }
    files.emplace_back(argv[i]);
  }
  if (files.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  bool allOk = true;
  for (const std::string& file : files) {
    if (files.size() > 1) std::printf("file %s\n", file.c_str());
    allOk = Inspect(file, rawDir) && allOk;
    std::fflush(stdout);
  }
  return allOk ? 0 : 1;
}
