#include "tools/png_bench_decoders.h"

#include <png.h>
#include <spng.h>
#include <zlib.h>

#include <cstring>
#include <memory>

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#ifdef FENWILLOW_HAVE_LIBDEFLATE
#include <libdeflate.h>

#include "png/zlib_inflate.h"
#endif

#include "platform/exception.h"
#include "platform/stream.h"
#include "png/pngimage.h"

namespace pngbench {

bool DecodeWithCodec(const Bytes& file) {
  TPNGObject image;
  plat::TBufferStream stream(file.data(), file.size());
  try {
    image.ReadPng(stream);
  } catch (const plat::Exception&) {
    return false;
  }
  return true;
}

bool DecodeWithLibpng(const Bytes& file) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return false;
  image.format = PNG_FORMAT_RGBA;
  Bytes out(PNG_IMAGE_SIZE(image));
  const bool ok = png_image_finish_read(&image, nullptr, out.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

bool DecodeWithSpng(const Bytes& file) {
  std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(0), spng_ctx_free);
  if (!ctx || spng_set_png_buffer(ctx.get(), file.data(), file.size()) != 0) return false;
  std::size_t size = 0;
  if (spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &size) != 0) return false;
  Bytes out(size);
  return spng_decode_image(ctx.get(), out.data(), size, SPNG_FMT_RGBA8, 0) == 0;
}

bool DecodeWithStb(const Bytes& file) {
  int w = 0, h = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &channels, 4);
  if (pixels == nullptr) return false;
  stbi_image_free(pixels);
  return true;
}

namespace {

std::uint32_t BigEndian32(const std::uint8_t* b) {
  return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

// Inflates without knowing the size, to learn it.
std::size_t InflatedSize(const Bytes& compressed) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return 0;
  z.next_in = const_cast<Bytef*>(compressed.data());
  z.avail_in = static_cast<uInt>(compressed.size());
  Bytes block(1 << 16);
  std::size_t total = 0;
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = block.data();
    z.avail_out = static_cast<uInt>(block.size());
    result = inflate(&z, Z_NO_FLUSH);
    total += block.size() - z.avail_out;
    if (result == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  inflateEnd(&z);
  return result == Z_STREAM_END ? total : 0;
}

}  // namespace

TImageData ExtractImageData(const Bytes& file) {
  TImageData data;
  bool inRun = false;
  for (std::size_t p = 8; p + 12 <= file.size();) {
    const std::uint32_t length = BigEndian32(&file[p]);
    if (length > file.size() - p - 12) break;
    const bool idat = std::memcmp(&file[p + 4], "IDAT", 4) == 0;
    if (idat) {
      data.compressed.insert(data.compressed.end(), file.begin() + static_cast<std::ptrdiff_t>(p + 8),
                             file.begin() + static_cast<std::ptrdiff_t>(p + 8 + length));
    } else if (inRun) {
      break;
    }
    inRun = idat;
    p += 12 + std::size_t{length};
  }
  data.inflatedSize = InflatedSize(data.compressed);
  return data;
}

bool InflateWithZlib(const TImageData& data, Bytes& out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(data.compressed.data());
  z.avail_in = static_cast<uInt>(data.compressed.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(data.inflatedSize);
  const int result = inflate(&z, Z_NO_FLUSH);
  inflateEnd(&z);
  return result == Z_STREAM_END;
}

#ifdef FENWILLOW_HAVE_LIBDEFLATE
bool InflateWithLibdeflate(const TImageData& data, Bytes& out) {
  static libdeflate_decompressor* const decompressor = libdeflate_alloc_decompressor();
  std::size_t produced = 0;
  return libdeflate_zlib_decompress(decompressor, data.compressed.data(), data.compressed.size(), out.data(),
                                    data.inflatedSize, &produced) == LIBDEFLATE_SUCCESS;
}

bool InflateWithCodec(const TImageData& data, Bytes& out) {
  return InflateWholeZlibStream(data.compressed.data(), data.compressed.size(), out.data(), data.inflatedSize).ok;
}
#endif

}  // namespace pngbench
