// The built-in font: labels print in the characters it has, each glyph is its own, and drawing
// stays inside the box the layout reserves for it.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "viz/digit_font.h"

namespace meshprobe {
namespace {

constexpr Rgb8 kWhite{255, 255, 255};
constexpr Rgb8 kBlack{0, 0, 0};

std::vector<std::pair<int, int>> inked_pixels(const RgbImage& image) {
  std::vector<std::pair<int, int>> inked;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.pixel(x, y) != kWhite) inked.emplace_back(x, y);
    }
  }
  return inked;
}

TEST(FormatValue, ThreeSignificantDigitsWithAPlainExponent) {
  EXPECT_EQ(format_value(0.0), "0");
  EXPECT_EQ(format_value(49.2662582), "49.3");
  EXPECT_EQ(format_value(0.0123456), "0.0123");
  EXPECT_EQ(format_value(1.5e-5), "1.5e-5");
  EXPECT_EQ(format_value(123456.0), "1.23e5");
  EXPECT_EQ(format_value(-2.5), "-2.5");
  EXPECT_EQ(format_value(1.0 / 0.0), "-");
}

TEST(DigitFont, EveryLabelCharacterHasItsOwnGlyph) {
  std::set<std::vector<std::pair<int, int>>> shapes;
  for (char c : std::string("0123456789.-e")) {
    RgbImage image(12, 16, kWhite);
    ASSERT_TRUE(draw_text(image, 1, 1, std::string(1, c), 1, kBlack)) << c;
    const auto inked = inked_pixels(image);
    EXPECT_FALSE(inked.empty()) << c;
    shapes.insert(inked);
  }
  EXPECT_EQ(shapes.size(), 13u);
}

TEST(DigitFont, TextStaysInsideItsBoxAtAnyScale) {
  const std::string text = "-1.23e-45";
  for (int scale : {1, 2, 3}) {
    RgbImage image(200, 40, kWhite);
    const int left = 5;
    const int top = 4;
    ASSERT_TRUE(draw_text(image, left, top, text, scale, kBlack));
    int max_x = 0;
    int max_y = 0;
    for (const auto& [x, y] : inked_pixels(image)) {
      EXPECT_GE(x, left);
      EXPECT_GE(y, top);
      max_x = std::max(max_x, x);
      max_y = std::max(max_y, y);
    }
    // The last glyph ('5') reaches the box's right edge and its bottom row the box's bottom.
    EXPECT_EQ(max_x, left + text_width(text, scale) - 1) << scale;
    EXPECT_EQ(max_y, top + kGlyphHeight * scale - 1) << scale;
  }
}

TEST(DigitFont, RefusesCharactersItLacksWithoutDrawing) {
  RgbImage image(60, 12, kWhite);
  EXPECT_FALSE(draw_text(image, 0, 0, "1.5e+3", 1, kBlack));
  EXPECT_FALSE(draw_text(image, 0, 0, "nan", 1, kBlack));
  EXPECT_TRUE(inked_pixels(image).empty());
}

}  // namespace
}  // namespace meshprobe
