// Text in pictures: UTF-8 strings set in DejaVu Sans, whose bytes the binary carries, rasterised
// by FreeType with grey-level anti-aliasing. Goes in: a size in pixels, a text, a place. Comes out:
// the text's extent, or its pixels blended into an RgbImage, the same on every run and build.
//
// FreeType (Debian's libfreetype-dev) rather than hand-drawn glyphs: titles and labels need
// letters, symbols such as "≥" and sizes from a few to a few hundred pixels, which a well-kept
// rasteriser of a real font gives legibly at every size. The font is embedded (fonts-dejavu-core
// at build time) so a picture never depends on the fonts a machine happens to have. FreeType's
// rasteriser and hinter compute in integers, and the blending below too, so pictures are byte
// for byte the same from one run and one build (plain or instrumented) to the next.
#pragma once

#include <string>

#include "viz/rgb_image.h"

namespace meshprobe {

// The horizontal extent of a set line: `width` pixels from its left end, where the first glyph's
// ink or its pen position begins, whichever is further left.
struct TextExtent {
  int width = 0;
  // Pixels between the pen's start and the left end (0, or the first glyph's overhang).
  int overhang = 0;
};

class TextRenderer {
 public:
  // The font with its em square `pixel_size` pixels high (clamped to at least 4). ok() is false
  // when FreeType cannot load it; every drawing then draws nothing and every extent is 0.
  explicit TextRenderer(int pixel_size);
  ~TextRenderer();
  TextRenderer(const TextRenderer&) = delete;
  TextRenderer& operator=(const TextRenderer&) = delete;

  bool ok() const { return face_ != nullptr; }

  // Pixels from the baseline up and down that hold the ink of Latin letters (accented capitals
  // too), digits, brackets and symbols such as "≥": the font's line, widened where a glyph
  // reaches beyond it. Rarer glyphs (stacked accents) may overstep it by a little.
  int ascent() const { return ascent_; }
  int descent() const { return descent_; }
  int line_height() const { return ascent_ + descent_; }

  // Where `text` would be inked if drawn; characters the font lacks show as its empty box.
  // Bytes that are not valid UTF-8 count as U+FFFD.
  TextExtent extent(const std::string& text);

  // Draws `text` with its left end (see TextExtent) at `left` and its baseline on row `baseline`,
  // blending `ink` over the picture by each pixel's coverage; clipped to the picture.
  void draw(RgbImage& image, int left, int baseline, const std::string& text, Rgb8 ink);

 private:
  // FreeType's handles, kept opaque so that its headers stay in the .cpp.
  void* library_ = nullptr;
  void* face_ = nullptr;
  int ascent_ = 0;
  int descent_ = 0;
};

}  // namespace meshprobe
