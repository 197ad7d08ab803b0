#include <array>
#include <cmath>

#include "png/pngimage.h"

PNG_DEFINE_CHUNK_CLASS(TChunkgAMA, TChunk)

namespace {

// Nearest integer, ties to even, whatever the floating-point rounding mode.
long double RoundHalfEven(long double v) {
  const long double lower = std::floor(v);
  const long double fraction = v - lower;
  if (fraction > 0.5L) return lower + 1;
  if (fraction < 0.5L) return lower;
  return std::fmod(lower, 2.0L) == 0 ? lower : lower + 1;
}

}  // namespace

const std::uint8_t* IdentityGamma() {
  static const auto identity = [] {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
    return table;
  }();
  return identity.data();
}

void BuildGammaTables(std::uint32_t value, std::uint8_t (&forward)[256], std::uint8_t (&reverse)[256]) {
  if (value == 0) return;
  // Extended precision throughout, so the tables match to the byte.
  const long double exponent = 1.0L / ((static_cast<long double>(value) / 100000.0L) * 2.2L);
  for (int i = 0; i < 256; ++i) {
    const long double x = static_cast<long double>(i) / 255.0L;
    const long double power = i == 0 ? 0.0L : std::exp(exponent * std::log(x));
    const auto f = static_cast<std::uint8_t>(RoundHalfEven(255.0L * power));
    forward[i] = f;
    reverse[f] = static_cast<std::uint8_t>(i);
  }
}

TChunkgAMA::TChunkgAMA(TPNGObject& image) : TChunk(image, Class()) { SetGammaValue(1); }

std::uint32_t TChunkgAMA::StoredGammaValue() const {
  if (PayloadSize != 4) return 1;
  const std::uint8_t* p = Payload.data();
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::uint32_t TChunkgAMA::GammaValue() {
  const std::uint32_t value = StoredGammaValue();
  if (PayloadSize != 4) ResizePayload(4);
  return value;
}

void TChunkgAMA::SetGammaValue(std::uint32_t value) {
  if (PayloadSize != 4) ResizePayload(4);
  Payload[0] = static_cast<std::uint8_t>(value >> 24);
  Payload[1] = static_cast<std::uint8_t>(value >> 16);
  Payload[2] = static_cast<std::uint8_t>(value >> 8);
  Payload[3] = static_cast<std::uint8_t>(value);
}

bool TChunkgAMA::ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) {
  TChunk::ReadChunk(stream, chunkType, length);
  // A payload of any other length holds no gamma value: the tables stay as
  // they are, instead of those of the value 1, which would turn the image black.
  if (PayloadSize == 4) BuildGammaTables(GammaValue(), Image.ForwardGamma, Image.ReverseGamma);
  return true;
}

void TChunkgAMA::CopyChunk(const TChunk& source) {
  if (!source.IsOfClass(Class())) TPNGObject::SignalError<EPngError>(pnglang::EPngErrorIncompatibleChunkText);
  SetGammaValue(static_cast<const TChunkgAMA&>(source).StoredGammaValue());
}
