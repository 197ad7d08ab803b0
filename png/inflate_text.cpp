#include "png/inflate_text.h"

#include <zlib.h>

#include "png/pnglang.h"

TInflateTextResult InflateText(const std::uint8_t* input, std::size_t size, std::size_t limit) {
  TInflateTextResult result;
  z_stream zlib{};
  int code = inflateInit(&zlib);
  if (code != Z_OK) {
    result.message = pnglang::ZlibErrorText(code);
    return result;
  }
  zlib.next_in = const_cast<Bytef*>(input);
  zlib.avail_in = static_cast<uInt>(size);
  std::uint8_t step[256];
  do {
    zlib.next_out = step;
    zlib.avail_out = sizeof step;
    code = inflate(&zlib, Z_NO_FLUSH);
    result.bytes.append(reinterpret_cast<const char*>(step), sizeof step - zlib.avail_out);
  } while (code == Z_OK && result.bytes.size() <= limit);
  result.produced = result.bytes.size();
  if (result.bytes.size() > limit) {
    result.message = pnglang::ZlibErrorText(Z_MEM_ERROR);
  } else if (code == Z_STREAM_END) {
    result.ok = true;
  } else {
    // An error, a preset dictionary, or input that ends before the stream.
    result.message = zlib.msg != nullptr ? zlib.msg : pnglang::ZlibErrorText(code);
  }
  inflateEnd(&zlib);
  if (!result.ok) result.bytes.clear();
  return result;
}
