// The decoded image as top-down RGBA8, the form the inspection tool hashes
// and the tests compare: colour from ColorBits (through the colour table of
// DibInfo for 1, 4 and 8 bits per pixel), alpha from the alpha plane or 255.
#pragma once

#include <cstdint>
#include <vector>

class TPNGObject;

// Raises EPNGHeaderNotPresent without a header; empty when the image holds
// no colour data.
std::vector<std::uint8_t> ExportRGBA(const TPNGObject& image);

// Row y (from the top) of that form: Width × 4 bytes into `out`. The image
// must hold colour data.
void ExportRGBARow(const TPNGObject& image, int y, std::uint8_t* out);
