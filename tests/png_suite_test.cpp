// The PngSuite: every image decodes or fails as it should, and every decoded
// image equals libpng's reading of it. Also the png-inspect tool's format.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "png/pngimage.h"
#include "png/rgba_export.h"
#include "tests/png_builder.h"

namespace {

const std::string kSuite = std::string(FENWILLOW_TESTDATA) + "/pngsuite/";

std::vector<std::string> SuiteImages() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(kSuite.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) {
        names.push_back(name);
      }
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::unique_ptr<TPNGObject> ReadFile(const std::string& name) {
  auto image = std::make_unique<TPNGObject>();
  plat::TFileStream stream(kSuite + name);
  image->ReadPng(stream);
  return image;
}

// libpng's top-down RGBA8 with the transforms that match ours: 16 bits cut to
// their high byte, palette and low-depth grey expanded, grey to RGB, no
// gamma. libpng turns palette tRNS into alpha; `hasTrns` says so.
struct Reference {
  int width = 0, height = 0;
  bool hasTrns = false;
  std::vector<std::uint8_t> rgba;
};

Reference ReadWithLibpng(const std::string& path) {
  Reference ref;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return ref;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    ref.rgba.clear();
    return ref;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  ref.width = static_cast<int>(png_get_image_width(png, info));
  ref.height = static_cast<int>(png_get_image_height(png, info));
  ref.hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  const int colorType = png_get_color_type(png, info);
  png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  ref.rgba.resize(static_cast<std::size_t>(ref.width) * ref.height * 4);
  std::vector<png_bytep> rows(static_cast<std::size_t>(ref.height));
  for (int y = 0; y < ref.height; ++y) rows[y] = ref.rgba.data() + static_cast<std::size_t>(y) * ref.width * 4;
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return ref;
}

// The class each corrupt image must fail with, from what it breaks.
const std::map<std::string, std::string> kCorrupt = {
    {"xc1n0g08.png", "EPngInvalidIHDR"},        // colour type 1: no layout to decode into
    {"xc9n2c08.png", "EPngInvalidIHDR"},        // colour type 9
    {"xcrn0g04.png", "EPNGInvalidFileHeader"},  // signature with added CR bytes
    {"xcsn0g01.png", "EPngInvalidCRC"},         // image data CRC wrong
    {"xd0n2c08.png", "EPngInvalidIHDR"},        // bit depth 0
    {"xd3n2c08.png", "EPngInvalidIHDR"},        // bit depth 3
    {"xd9n2c08.png", "EPngInvalidIHDR"},        // bit depth 99
    {"xdtn0g01.png", "EPNGNoImageData"},        // no image data chunk
    {"xhdn0g08.png", "EPngInvalidCRC"},         // header CRC wrong
    {"xlfn0g04.png", "EPNGInvalidFileHeader"},  // signature with added LF bytes
    {"xs1n0g01.png", "EPNGInvalidFileHeader"},  // signature bytes changed
    {"xs2n0g01.png", "EPNGInvalidFileHeader"},
    {"xs4n0g01.png", "EPNGInvalidFileHeader"},
    {"xs7n0g01.png", "EPNGInvalidFileHeader"},
};

}  // namespace

TEST(PngSuite, CorruptImagesFailWithTheirClass) {
  int seen = 0;
  for (const std::string& name : SuiteImages()) {
    if (name[0] != 'x') continue;
    ++seen;
    std::string errorClass;
    try {
      ReadFile(name);
    } catch (const plat::Exception& e) {
      errorClass = e.ClassName();
    }
    const auto expected = kCorrupt.find(name);
    ASSERT_NE(expected, kCorrupt.end()) << name << " is not in the table";
    EXPECT_EQ(errorClass, expected->second) << name;
  }
  EXPECT_EQ(seen, static_cast<int>(kCorrupt.size()));
}

TEST(PngSuite, EveryOtherImageEqualsLibpngsReading) {
  int compared = 0;
  for (const std::string& name : SuiteImages()) {
    if (name[0] == 'x') continue;
    std::unique_ptr<TPNGObject> image;
    ASSERT_NO_THROW(image = ReadFile(name)) << name;
    const std::vector<std::uint8_t> ours = ExportRGBA(*image);
    const Reference ref = ReadWithLibpng(kSuite + name);
    ASSERT_EQ(ref.rgba.size(), ours.size()) << name;
    ASSERT_EQ(image->PixelWidth(), ref.width) << name;
    // Our gamma table applied to libpng's colour samples; alpha only where
    // libpng did not make it from tRNS.
    const std::uint8_t* gamma = image->ForwardGamma;
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < ours.size(); ++i) {
      const bool alpha = i % 4 == 3;
      if (alpha && ref.hasTrns) continue;
      const std::uint8_t expected = alpha ? ref.rgba[i] : gamma[ref.rgba[i]];
      if (ours[i] != expected) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0u) << name;
    ++compared;
  }
  EXPECT_EQ(compared, 161);
}

namespace {

std::string RunShell(const std::string& command, int* status) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int raw = pclose(pipe);
#ifdef _WIN32
    *status = raw;
#else
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  }
  return output;
}

std::string RunInspect(const std::string& arguments, int* status) {
  return RunShell(std::string(PNG_INSPECT_PATH) + " " + arguments, status);
}

}  // namespace

TEST(PngInspect, ReportsDecodedImagesAndErrorsInItsFormat) {
  int status = -1;
  const std::string one = RunInspect(kSuite + "tbbn3p08.png", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(one.substr(0, one.find("rgba-sha256")),
            "ok 32 32 8 3 0\n"
            "chunks IHDR:TChunkIHDR gAMA:TChunkgAMA PLTE:TChunkPLTE tRNS:TChunktRNS bKGD:TChunk "
            "IDAT:TChunkIDAT IEND:TChunkIEND\n"
            "kind trColorKey key 0x00FFFFFF\n");
  EXPECT_EQ(one.size(), one.find("rgba-sha256") + 12 + 64 + 1);

  const std::string many =
      RunInspect(kSuite + "xc1n0g08.png " + kSuite + "basn0g01.png " + kSuite + "missing.png", &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(many.find("file " + kSuite + "xc1n0g08.png\nerror EPngInvalidIHDR: The \"Portable"), 0u);
  EXPECT_NE(many.find("file " + kSuite + "basn0g01.png\nok 32 32 1 0 0\n"), std::string::npos);
  EXPECT_NE(many.find("file " + kSuite + "missing.png\nerror Exception: "), std::string::npos);

  // The transparent entry lies beyond the palette: the image reads and
  // draws, only its key colour is unavailable.
  const std::string beyond = std::string(FENWILLOW_BINARY_DIR) + "/key_beyond_palette.png";
  const pngtest::Bytes png = pngtest::PngBuilder()
                                 .Header(1, 1, 8, 3)
                                 .Add("PLTE", {1, 2, 3})
                                 .Add("tRNS", {255, 0})
                                 .Data(pngtest::UnfilteredRows({{0}}))
                                 .End();
  std::ofstream(beyond, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());
  const std::string keyless = RunInspect(beyond, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(keyless.find("\nkind trColorKey key unavailable\nrgba-sha256 "), std::string::npos) << keyless;
}

TEST(PngInspect, HashIsTheSha256OfTheRgbaDumpAndRawFilesAreWritten) {
  const std::string dir = std::string(FENWILLOW_BINARY_DIR) + "/png_inspect_raw";
  ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
  // Rows of 128, 140 and 4 bytes: the hash is made row by row, and rows
  // need not fill its 64-byte blocks.
  for (const std::string name : {"basn6a08.png", "s35n3p04.png", "s01n3p01.png"}) {
    SCOPED_TRACE(name);
    int status = -1;
    const std::string out = RunInspect("--raw " + dir + " " + kSuite + name, &status);
    ASSERT_EQ(status, 0);
    const auto image = ReadFile(name);
    const std::vector<std::uint8_t> rgba = ExportRGBA(*image);
    std::ifstream dumped(dir + "/" + name + ".rgba", std::ios::binary);
    const std::vector<std::uint8_t> fromTool((std::istreambuf_iterator<char>(dumped)), {});
    EXPECT_EQ(fromTool, rgba);
    // The printed hash is the SHA-256 of exactly those bytes.
    int sumStatus = -1;
    const std::string sum = RunShell("sha256sum " + dir + "/" + name + ".rgba", &sumStatus);
    ASSERT_EQ(sumStatus, 0);
    EXPECT_NE(out.find("rgba-sha256 " + sum.substr(0, 64) + "\n"), std::string::npos);
  }
  std::ifstream alpha(dir + "/basn6a08.png.alpha", std::ios::binary);
  EXPECT_EQ(std::vector<std::uint8_t>((std::istreambuf_iterator<char>(alpha)), {}).size(), 32u * 32u);
  int helpStatus = -1;
  EXPECT_NE(RunInspect("--help", &helpStatus).find(".colorbits"), std::string::npos);
  EXPECT_EQ(helpStatus, 0);
}
