#include "png/inflate_text.h"

#include <zlib.h>

#include "png/pnglang.h"

TInflateTextResult InflateText(const std::uint8_t* input, std::size_t size) {
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
  for (;;) {
    zlib.next_out = step;
    zlib.avail_out = sizeof step;
    code = inflate(&zlib, Z_NO_FLUSH);
    result.bytes.append(reinterpret_cast<const char*>(step), sizeof step - zlib.avail_out);
    if (code == Z_STREAM_END) {
      result.ok = true;
      break;
    }
    // An error, a preset dictionary, or input that ends before the stream.
    if (code != Z_OK) {
      result.message = zlib.msg != nullptr ? zlib.msg : pnglang::ZlibErrorText(code);
      break;
    }
    if (result.bytes.size() > kInflatedTextLimit) {
      result.message = pnglang::ZlibErrorText(Z_MEM_ERROR);
      break;
    }
  }
  inflateEnd(&zlib);
  if (!result.ok) result.bytes.clear();
  return result;
}
