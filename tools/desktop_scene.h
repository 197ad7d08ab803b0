// Desktop pictures for the headless renderer: a winter-night scene drawn
// here, or a PNG file (decoded by the program's own codec) stretched to the
// screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Top-down B, G, R, A rows of width × height, alpha 255.
std::vector<std::uint8_t> WinterNightDesktop(int width, int height);
std::vector<std::uint8_t> DesktopFromFile(const std::string& path, int width, int height);
