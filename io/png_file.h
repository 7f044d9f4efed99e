// PNG output through libpng. Goes in: an 8-bit RGB picture as rows top first, three bytes per
// pixel, and a path. Comes out: the PNG file, which appears only once completely written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace meshprobe {

// Writes the width x height picture held in `rgb` (width * height * 3 bytes) as an 8-bit RGB
// PNG. False, leaving any existing file untouched, when the sizes disagree or the file cannot be
// created or written.
bool write_png(const std::string& path, int width, int height,
               const std::vector<std::uint8_t>& rgb);

}  // namespace meshprobe
