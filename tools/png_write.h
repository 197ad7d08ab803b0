// A small PNG and animated-PNG writer for the tools' output (frames and
// previews). The codec itself only reads; writing lives here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // top-down rows of R, G, B, A
};

// Writes an 8-bit RGBA PNG; throws std::runtime_error on failure.
void WritePng(const std::string& path, const RgbaImage& image);

// Writes an animated PNG of equally sized frames, each shown for
// `delayMs`, looping forever. Viewers without animation show the first.
void WriteAnimatedPng(const std::string& path, const std::vector<RgbaImage>& frames, int delayMs);
