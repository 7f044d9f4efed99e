// An 8-bit RGB picture held in memory, so that drawing can be checked without files. Goes in:
// a size and a fill colour, then pixels and rectangles. Comes out: rows top first, left to
// right, three bytes (red, green, blue) per pixel, the layout PNG encoders take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "viz/viridis.h"

namespace meshprobe {

struct RgbImage {
  RgbImage(int w, int h, Rgb8 fill)
      : width(w), height(h), rgb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3) {
    fill_rect(0, 0, w, h, fill);
  }

  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

  // The colour at (x, y), x counted from the left, y from the top; the pixel must exist.
  Rgb8 pixel(int x, int y) const {
    const std::size_t at = offset(x, y);
    return Rgb8{rgb[at], rgb[at + 1], rgb[at + 2]};
  }

  // Sets one pixel; a pixel outside the picture is ignored.
  void set(int x, int y, Rgb8 colour) {
    if (!contains(x, y)) return;
    const std::size_t at = offset(x, y);
    rgb[at] = colour.r;
    rgb[at + 1] = colour.g;
    rgb[at + 2] = colour.b;
  }

  // Fills the rectangle of w x h pixels whose top-left pixel is (left, top), clipped to the
  // picture.
  void fill_rect(int left, int top, int w, int h, Rgb8 colour) {
    for (int y = top; y < top + h; ++y) {
      for (int x = left; x < left + w; ++x)
        set(x, y, colour);
    }
  }

  int width;
  int height;
  std::vector<std::uint8_t> rgb;

 private:
  std::size_t offset(int x, int y) const {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
            static_cast<std::size_t>(x)) *
           3;
  }
};

}  // namespace meshprobe
