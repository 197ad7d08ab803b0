// The codec's fixed English texts. Two-line texts are joined by "\r\n".
#pragma once

namespace pnglang {

inline constexpr char EPNGInvalidFileHeaderText[] =
    "The file being readed is not a valid \"Portable Network Graphics\" image because it "
    "contains an invalid header. This file may be corruped, try obtaining it again.";
inline constexpr char EPngUnexpectedEndText[] =
    "This \"Portable Network Graphics\" image is invalid because the decoder found an "
    "unexpected end of the file.";
inline constexpr char EPNGIHDRNotFirstText[] =
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
    "(IHDR chunk is not the first)";
inline constexpr char EPNGUnknownCriticalChunkText[] =
    "This \"Portable Network Graphics\" image contains an unknown critical part which could "
    "not be decoded.";
inline constexpr char EPngInvalidCRCText[] =
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces "
    "of data (crc error)";
inline constexpr char EPngInvalidIHDRText[] =
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece "
    "of data (ihdr) might be corrupted";
inline constexpr char EPNGSizeExceedsText[] =
    "This \"Portable Network Graphics\" image is not supported because either it's width or "
    "height exceeds the maximum size, which is 65535 pixels length.";
inline constexpr char EPNGUnknownCompressionText[] =
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme "
    "which could not be decoded.";
inline constexpr char EPNGUnknownInterlaceText[] =
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not "
    "be decoded.";
inline constexpr char EPNGInvalidPaletteText[] =
    "The \"Portable Network Graphics\" image contains an invalid palette.";
inline constexpr char EPNGNoImageDataText[] =
    "This \"Portable Network Graphics\" image contains no data.";
inline constexpr char EPNGHeaderNotPresentText[] =
    "This operation is not valid because the current image contains no valid header.";
inline constexpr char EPngErrorIncompatibleChunkText[] =
    "The chunks must be compatible to be assigned.";
inline constexpr char EPngErrorNoPaletteEntryText[] = "There is no such palette entry.";
inline constexpr char EPngErrorResizeText[] =
    "The \"Portable Network Graphics\" image can not be resize by changing width and height "
    "properties. Try assigning the image from a bitmap.";
inline constexpr char EPNGMissingMultipleIDATText[] =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
// The text of the platform's out-of-memory error (plat::EOutOfMemory), which
// ReadPng raises when memory for what it reads cannot be had.
inline constexpr char OutOfMemoryText[] = "Out of memory";
// Followed directly by the zlib result's text (ZlibErrorText).
inline constexpr char EPNGZLIBErrorText[] =
    "Could not decompress the image because it contains invalid compressed data.\r\n"
    " Description: ";
inline constexpr char EPNGOutMemoryText[] =
    "Some operation could not be performed because the system is out of resources. Close some "
    "windows and try again.";

// The text for a zlib result code, "(n)" for a code zlib does not define.
inline const char* ZlibErrorText(int code) {
  switch (code) {
    case -6: return "incompatible version (-6)";
    case -5: return "buffer error (-5)";
    case -4: return "insufficient memory (-4)";
    case -3: return "data error (-3)";
    case -2: return "stream error (-2)";
    case -1: return "file error (-1)";
    case 0: return "(0)";
    case 1: return "stream end (1)";
    case 2: return "need dictionary (2)";
    default: return "(?)";
  }
}

}  // namespace pnglang
