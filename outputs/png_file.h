// PNG output through libpng. Goes in: an 8-bit RGB picture as rows top first, three bytes per
// pixel, and a path. Comes out: the PNG file, which appears only once completely written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace meshprobe {

// The print resolution a picture carries unless told otherwise, and the most it may state.
constexpr int kDefaultDotsPerInch = 300;
constexpr int kMaxDotsPerInch = 10000;

// Writes the width x height picture held in `rgb` (width * height * 3 bytes) as an 8-bit RGB
// PNG whose pHYs chunk states `dots_per_inch` (1 to kMaxDotsPerInch), so that layout programs
// print it at that size. False, leaving any existing file untouched, when the sizes disagree,
// the resolution is out of bounds or the file cannot be created or written.
bool write_png(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb,
               int dots_per_inch = kDefaultDotsPerInch);

}  // namespace meshprobe
