#include "ornament/about_box.h"

#include <cstring>

#include "ornament/base_layer.h"
#include "ornament/licence.h"
#include "platform/bitmap.h"

plat::TAboutBox AboutBoxFor(const std::string& page) {
  plat::TAboutBox about;
  about.name = "Fenwillow";
  about.version = FENWILLOW_VERSION;
  about.comments = "A decorated tree with a twinkling garland and falling stars on the desktop";
  about.copyright = kCopyrightText;
  about.licence = kLicenceText;
  about.page = page;
  // The base layer is the tree as the window shows it, without the
  // window's transparency level.
  if (BaseBitmap != nullptr) {
    const int w = BaseBitmap->Width(), h = BaseBitmap->Height();
    about.picture.resize(static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
      std::memcpy(&about.picture[static_cast<std::size_t>(y) * w * 4], BaseBitmap->ScanLine(y),
                  static_cast<std::size_t>(w) * 4);
    }
    about.pictureWidth = w;
    about.pictureHeight = h;
  }
  return about;
}
