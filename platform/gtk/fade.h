// A premultiplied frame at one constant opacity, for the upload of a window
// that is not fully opaque.
#pragma once

#include <cstdint>

namespace plat::gtk {

// Writes `bytes` bytes of `from`, each one (alpha too) times opacity / 255,
// rounded as cairo rounds when it paints with a constant alpha, so that an
// upload shows the pixels an exposure paints. Done for every frame, hence
// not through cairo, whose general path for it costs about ten times as
// much.
void FadeRow(const std::uint8_t* from, std::uint8_t* to, int bytes, std::uint8_t opacity);

}  // namespace plat::gtk
