#include "viz/digit_font.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace meshprobe {

namespace {

constexpr int kGlyphWidth = 5;
constexpr int kAdvance = kGlyphWidth + 1;  // one blank column between glyphs

struct Glyph {
  char character;
  // One row per entry, top first; bit 4 is the leftmost column.
  std::array<std::uint8_t, kGlyphHeight> rows;
};

constexpr std::array<Glyph, 13> kGlyphs = {{
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'e', {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E}},
}};

const Glyph* glyph_of(char c) {
  for (const Glyph& glyph : kGlyphs) {
    if (glyph.character == c) return &glyph;
  }
  return nullptr;
}

}  // namespace

int text_width(const std::string& text, int scale) {
  if (text.empty()) return 0;
  return (static_cast<int>(text.size()) * kAdvance - 1) * scale;
}

bool draw_text(RgbImage& image, int left, int top, const std::string& text, int scale,
               Rgb8 colour) {
  for (char c : text) {
    if (glyph_of(c) == nullptr) return false;
  }
  int x = left;
  for (char c : text) {
    const Glyph& glyph = *glyph_of(c);
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int column = 0; column < kGlyphWidth; ++column) {
        if ((glyph.rows[static_cast<std::size_t>(row)] >> (kGlyphWidth - 1 - column)) & 1) {
          image.fill_rect(x + column * scale, top + row * scale, scale, scale, colour);
        }
      }
    }
    x += kAdvance * scale;
  }
  return true;
}

std::string format_value(double value) {
  if (!std::isfinite(value)) return "-";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3g", value);
  std::string text = buffer;
  const std::size_t e = text.find('e');
  if (e == std::string::npos) return text;
  // "%.3g" writes the exponent as e+05 or e-05; the number after 'e' is rewritten plainly.
  const long exponent = std::strtol(text.c_str() + e + 1, nullptr, 10);
  return text.substr(0, e + 1) + std::to_string(exponent);
}

}  // namespace meshprobe
