#include "tests/png_hostile_exercise.h"

#include <exception>
#include <set>

namespace pngtest {

namespace {

const std::set<std::string>& CodecErrorClasses() {
  static const std::set<std::string> names = {
      "EPNGInvalidFileHeader", "EPngUnexpectedEnd",      "EPNGIHDRNotFirst",
      "EPNGUnknownCriticalChunk", "EPngInvalidCRC",      "EPngInvalidIHDR",
      "EPNGSizeExceeds",       "EPNGUnknownCompression", "EPNGUnknownInterlace",
      "EPNGInvalidPalette",    "EPNGNoImageData",        "EPNGHeaderNotPresent",
      "EPngError",             "EPNGMissingMultipleIDAT", "EPNGZLIBError",
      "EPNGOutMemory"};
  return names;
}

void DrawAndConvert(TPNGObject& image) {
  // Smaller than most images and drawn off its corner, so that every edge
  // of the drawing is clipped somewhere.
  plat::TBitmap surface;
  surface.SetPixelFormat(plat::TPixelFormat::pf32bit);
  surface.SetSize(24, 20);
  surface.Canvas()->Draw(-3, -2, &image);
  image.Render(*surface.Canvas(), plat::RECT{5, 4, 5 + image.PixelWidth(), 4 + image.PixelHeight()});
  plat::TBitmap converted;
  image.CopyTo(&converted);
}

}  // namespace

bool IsCodecErrorClass(const std::string& name) { return CodecErrorClasses().count(name) != 0; }

std::string ExerciseDecode(const std::uint8_t* data, std::size_t size) {
  try {
    TPNGObject image;
    plat::TBufferStream stream(data, size);
    image.ReadPng(stream);
    DrawAndConvert(image);
    return {};
  } catch (const plat::Exception& e) {
    const std::string name = e.ClassName();
    return IsCodecErrorClass(name) ? name : "non-codec " + name + ": " + e.Message();
  } catch (const std::exception& e) {
    return std::string("non-codec ") + typeid(e).name() + ": " + e.what();
  } catch (...) {
    return "non-codec unknown exception";
  }
}

std::string TCampaignCounts::Table() const {
  std::string out = std::to_string(mutations) + " mutations\n";
  for (const auto& [outcome, count] : byOutcome) {
    out += "  " + outcome + " " + std::to_string(count) + "\n";
  }
  return out;
}

}  // namespace pngtest
