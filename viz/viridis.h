// The viridis colour map: 256 colours from dark purple through blue and green to yellow, with
// lightness rising along the map, so values read in order in colour and in grey alike. Goes in: a
// position in [0, 1]. Comes out: an 8-bit sRGB colour.
#pragma once

#include <cstdint>

namespace meshprobe {

struct Rgb8 {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

inline bool operator==(const Rgb8& a, const Rgb8& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}
inline bool operator!=(const Rgb8& a, const Rgb8& b) {
  return !(a == b);
}

// Number of colours in the map.
constexpr int kViridisSize = 256;

// The map's colour number `index`, clamped to 0 .. kViridisSize - 1.
Rgb8 viridis_entry(int index);

// The colour nearest to position t along the map: 0 (and below, and NaN) gives the first colour
// (68, 1, 84), 1 and above the last (253, 231, 37).
Rgb8 viridis(double t);

}  // namespace meshprobe
