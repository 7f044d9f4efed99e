// Numbers drawn into a picture without a font library: a built-in 5 x 7 bitmap font holding the
// digits, '.', 'e' and '-', enough for values such as 0.0123 or 1.5e-5. Goes in: a value or a
// text and a place. Comes out: the text's pixels in the image, or its printed form.
#pragma once

#include <string>

#include "viz/rgb_image.h"

namespace meshprobe {

// Height of a glyph in font pixels; every glyph is 5 wide and followed by one blank column.
constexpr int kGlyphHeight = 7;

// Width in image pixels of `text` drawn with each font pixel a `scale` x `scale` square (no
// trailing blank column).
int text_width(const std::string& text, int scale);

// Draws `text` with its top-left corner at (left, top), font pixels `scale` image pixels wide,
// clipped to the image. Returns false, drawing nothing, when a character has no glyph.
bool draw_text(RgbImage& image, int left, int top, const std::string& text, int scale, Rgb8 colour);

// `value` with 3 significant digits, as "%.3g" prints it but with the exponent written without
// '+' or leading zeros (1.23e5, 1.5e-5), so the font can draw it. "-" when it is not finite.
std::string format_value(double value);

}  // namespace meshprobe
