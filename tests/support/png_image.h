// Decodes PNG files with libpng for tests. Goes in: a path. Comes out: the picture as 8-bit RGB,
// rows top first, three bytes per pixel, whatever colour type the file stores.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace meshprobe::testing {

struct DecodedPng {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  // The colour at (x, y) as {r, g, b}.
  std::vector<int> at(int x, int y) const;
};

// False, with `error` set, when the file is missing or not a PNG libpng can decode.
bool decode_png(const std::string& path, DecodedPng& picture, std::string& error);

// What a PNG's pHYs chunk states: pixels per unit along x and y, and whether the unit is the
// metre (else the chunk gives the pixels' aspect ratio only).
struct PngResolution {
  unsigned long x = 0;
  unsigned long y = 0;
  bool per_metre = false;
};

// False when the file cannot be read as a PNG or has no pHYs chunk.
bool read_png_resolution(const std::string& path, PngResolution& resolution);

}  // namespace meshprobe::testing
