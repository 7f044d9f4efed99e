// The picture's parts seen from outside: round ticks for any range, text that lands where its
// extent says, a layout that keeps every part inside the picture, apart and legible at every
// supported size, the clamp mark only when asked for, and the title drawn where laid out.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "viz/picture_layout.h"
#include "viz/roughness_picture.h"
#include "viz/text_render.h"
#include "viz/ticks.h"

namespace meshprobe {
namespace {

constexpr Rgb8 kWhite{255, 255, 255};
constexpr Rgb8 kBlack{0, 0, 0};

// A pixel that text or frames inked: darker than any colour of the map's upper half.
bool inked(Rgb8 colour) {
  return colour.r < 128 && colour.g < 128 && colour.b < 128 && colour.r == colour.g;
}

int count_in(const RgbImage& image, const PixelBox& box, bool (*wanted)(Rgb8)) {
  int count = 0;
  for (int y = box.top; y < box.top + box.height; ++y) {
    for (int x = box.left; x < box.left + box.width; ++x)
      count += image.contains(x, y) && wanted(image.pixel(x, y));
  }
  return count;
}

// Rows of the ink, top and bottom inclusive; {-1, -1} when nothing is inked.
std::pair<int, int> inked_rows(const RgbImage& image) {
  int first = -1;
  int last = -1;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.pixel(x, y) == kWhite) continue;
      if (first < 0) first = y;
      last = y;
    }
  }
  return {first, last};
}

struct TickCase {
  double low;
  double high;
  std::vector<double> values;
  int decimals;
};

TEST(RoundTicks, FiveOrSixAtARoundStepWhereOneExists) {
  const std::vector<TickCase> cases = {
      {0.0, 0.0537, {0.0, 0.01, 0.02, 0.03, 0.04, 0.05}, 2},
      {0.0, 1.0, {0.0, 0.2, 0.4, 0.6, 0.8, 1.0}, 1},
      {0.0, 10.0, {0.0, 2.0, 4.0, 6.0, 8.0, 10.0}, 0},
      {-1.0, 1.0, {-1.0, -0.5, 0.0, 0.5, 1.0}, 1},
      {100.0, 350.0, {100.0, 150.0, 200.0, 250.0, 300.0, 350.0}, 0},
      {0.0, 2.5e-5, {0.0, 5e-6, 1e-5, 1.5e-5, 2e-5, 2.5e-5}, 6},
      {0.013, 0.061, {0.02, 0.03, 0.04, 0.05, 0.06}, 2},
      {0.0, 12.0, {0.0, 2.5, 5.0, 7.5, 10.0}, 1},
      // No round step gives 5 or 6: 7 ticks where a step gives 7, else 4.
      {0.0, 6.5, {0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0}, 0},
      {0.0, 0.15, {0.0, 0.025, 0.05, 0.075, 0.1, 0.125, 0.15}, 3},
      {0.0, 7.5, {0.0, 2.0, 4.0, 6.0}, 0},
      {0.12, 0.87, {0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8}, 1},
      // An empty range has one tick; a reversed or infinite one none.
      {2.0, 2.0, {2.0}, 0},
      {1.0, 0.0, {}, 0},
      {0.0, INFINITY, {}, 0},
  };
  for (const TickCase& c : cases) {
    const Ticks ticks = round_ticks(c.low, c.high);
    // Each value must be the double nearest the round decimal, so compare exactly.
    EXPECT_EQ(ticks.values, c.values) << c.low << " .. " << c.high;
    EXPECT_EQ(ticks.decimals, c.decimals) << c.low << " .. " << c.high;
  }
}

TEST(RoundTicks, AnyRangeGetsFourToSevenTicksInsideItAtOneRoundStep) {
  std::mt19937 random(14);
  std::uniform_real_distribution<double> exponent(-6.0, 6.0);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int i = 0; i < 2000; ++i) {
    const double span = std::pow(10.0, exponent(random));
    const double low = unit(random) * span * 3;
    const double high = low + span;
    const Ticks ticks = round_ticks(low, high);
    ASSERT_GE(ticks.values.size(), 4u) << low << " .. " << high;
    ASSERT_LE(ticks.values.size(), 7u) << low << " .. " << high;
    EXPECT_GE(ticks.values.front(), low - 1e-6 * span);
    EXPECT_LE(ticks.values.back(), high + 1e-6 * span);
    const double step = ticks.values[1] - ticks.values[0];
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 ||
                std::fabs(mantissa - 2.5) < 1e-6 || std::fabs(mantissa - 5) < 1e-6)
        << step;
    // Printed with the stated decimals, every label is the value itself.
    for (double value : ticks.values)
      EXPECT_NEAR(std::stod(tick_label(value, ticks.decimals)), value, 1e-9 * span) << value;
  }
}

TEST(TickLabels, FixedNotationWithoutNegativeZero) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {tick_label(0.075, 3), "0.075"},       {tick_label(10.0, 0), "10"},
      {tick_label(-0.0, 1), "0.0"},          {tick_label(-1e-12, 2), "0.00"},
      {three_digit_label(0.0537), "0.0537"}, {three_digit_label(49.27), "49.3"},
      {three_digit_label(1234.4), "1234"},   {three_digit_label(0.0), "0"},
      {three_digit_label(NAN), "-"}};
  for (const auto& [printed, expected] : cases)
    EXPECT_EQ(printed, expected);
}

TEST(TextRenderer, InkLiesWithinTheExtentAndLineOfTheText) {
  for (int size : {8, 30, 200}) {
    TextRenderer font(size);
    ASSERT_TRUE(font.ok());
    for (const std::string text : {"roughness", "≥ 0.0537", "jJ(gq)_1,839", "Å"}) {
      const TextExtent extent = font.extent(text);
      RgbImage image(extent.width + 40, font.line_height() + 40, kWhite);
      const int left = 20;
      const int baseline = 20 + font.ascent();
      font.draw(image, left, baseline, text, kBlack);
      int inked_pixels = 0;
      for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
          if (image.pixel(x, y) == kWhite) continue;
          ++inked_pixels;
          EXPECT_GE(x, left) << text << " at " << size;
          EXPECT_LT(x, left + extent.width) << text << " at " << size;
          EXPECT_GE(y, baseline - font.ascent()) << text << " at " << size;
          EXPECT_LT(y, baseline + font.descent()) << text << " at " << size;
        }
      }
      EXPECT_GT(inked_pixels, 0) << text;
    }
  }
}

TEST(TextRenderer, SymbolsHaveTheirOwnGlyphsAndBadBytesDrawTheReplacement) {
  // A character the font lacks draws its empty box; "≥" and "ε" must differ from it, and
  // broken UTF-8 must neither crash nor vanish.
  TextRenderer font(40);
  const auto picture = [&font](const std::string& text) {
    RgbImage image(120, 80, kWhite);
    font.draw(image, 10, 60, text, kBlack);
    return image.rgb;
  };
  const auto missing = picture("\xEE\x80\x80");  // U+E000, a private-use character
  EXPECT_NE(picture("≥"), missing);
  EXPECT_NE(picture("ε"), missing);
  EXPECT_NE(picture("\xE2\x89"), picture(""));  // a cut-off sequence
}

// A square grid in the plane z = 0 with values rising from 0 to 2 along x.
ScalarSurface ramp() {
  const int n = 6;
  ScalarSurface surface;
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) {
      surface.points.push_back({0.8f * i / n - 0.4f, 0.8f * j / n - 0.4f, 0.0f});
      surface.values.push_back(2.0f * i / n);
    }
  }
  for (std::uint32_t j = 0; j < n; ++j) {
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint32_t a = j * (n + 1) + i;
      surface.polygons.push_back({a, a + 1, a + n + 2, a + n + 1});
    }
  }
  return surface;
}

PixelBox box_of(const ViewBox& view) {
  return PixelBox{view.left, view.top, view.size, view.size};
}

bool inside(const PixelBox& box, int width, int height) {
  return box.left >= 0 && box.top >= 0 && box.left + box.width <= width &&
         box.top + box.height <= height;
}

bool apart(const PixelBox& a, const PixelBox& b) {
  return a.left + a.width <= b.left || b.left + b.width <= a.left || a.top + a.height <= b.top ||
         b.top + b.height <= a.top;
}

TEST(PictureLayout, EveryPartInsideApartAndDigitsLegibleAtEverySupportedSize) {
  const std::vector<std::pair<int, int>> sizes = {{400, 300},   {640, 480},  {1200, 800},
                                                  {1000, 1000}, {2400, 600}, {3000, 1000},
                                                  {8000, 8000}, {8000, 300}};
  for (const auto& [width, height] : sizes) {
    ASSERT_TRUE(picture_size_supported(width, height));
    PictureOptions options;
    options.width = width;
    options.height = height;
    options.range = ValueRange{0.0, 0.15};  // 7 ticks, the most the bar ever shows
    // Too long for one line at the smaller sizes: wrapped, not clipped.
    options.title =
        "a_rather_long_file_name_of_a_scanned_statue.off   epsilon 0.005   "
        "437,645 vertices";
    options.note = "3,080 facets left out";
    const PictureLayout layout = picture_layout(options);
    const std::string at = std::to_string(width) + " x " + std::to_string(height);
    ASSERT_EQ(layout.width, width);
    ASSERT_EQ(layout.height, height);
    ASSERT_FALSE(layout.title.empty()) << at;

    std::vector<PixelBox> parts = {box_of(layout.front), box_of(layout.side),
                                   box_of(layout.top),   layout.clamp_mark,
                                   layout.bar_label.box, layout.clamp_label.box};
    // The bar with its frame and ticks.
    parts.push_back(PixelBox{layout.bar.left - layout.line_width,
                             layout.bar.top - layout.line_width,
                             layout.bar.width + layout.line_width + layout.tick_length,
                             layout.bar.height + 2 * layout.line_width});
    for (const auto* texts : {&layout.title, &layout.view_names, &layout.tick_labels}) {
      for (const PlacedText& text : *texts)
        parts.push_back(text.box);
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
      EXPECT_TRUE(inside(parts[i], width, height)) << at << ", part " << i;
      for (std::size_t k = i + 1; k < parts.size(); ++k)
        EXPECT_TRUE(apart(parts[i], parts[k])) << at << ", parts " << i << " and " << k;
    }
    EXPECT_GT(layout.bar.height, 4 * layout.text_size) << at;
    EXPECT_GT(layout.top.size, 4 * layout.text_size) << at;

    // Digits as the picture draws them are at least 2.5 % of its height.
    TextRenderer font(layout.text_size);
    RgbImage digits(font.extent("0123456789").width + 4, font.line_height() + 4, kWhite);
    font.draw(digits, 2, 2 + font.ascent(), "0123456789", kBlack);
    const auto [first, last] = inked_rows(digits);
    EXPECT_GE(last - first + 1, 0.025 * height) << at;
  }
}

TEST(PictureLayout, UnsupportedSizesAreBroughtToTheNearestSupportedOne) {
  const std::vector<std::vector<int>> cases = {{100, 50, 400, 300},
                                               {1200, 1600, 1200, 1200},
                                               {9000, 9000, 8000, 8000},
                                               {500, 200, 500, 300},
                                               {-5, 0, 400, 300}};
  for (const auto& c : cases) {
    EXPECT_FALSE(picture_size_supported(c[0], c[1]));
    PictureOptions options;
    options.width = c[0];
    options.height = c[1];
    const PictureLayout layout = picture_layout(options);
    EXPECT_EQ(layout.width, c[2]) << c[0] << " x " << c[1];
    EXPECT_EQ(layout.height, c[3]) << c[0] << " x " << c[1];
  }
}

bool is_last_colour(Rgb8 colour) {
  return colour == viridis_entry(kViridisSize - 1);
}

TEST(RoughnessPicture, ClampMarkAppearsOnlyWhenValuesWereClampedAndChangesNothingElse) {
  for (const auto& [width, height] : {std::pair{1200, 800}, std::pair{400, 300}}) {
    PictureOptions options;
    options.width = width;
    options.height = height;
    options.range = ValueRange{0.0, 1.5};
    options.title = "ramp.off";
    const RgbImage plain = render_roughness_picture(ramp(), options);
    options.clamped_above = true;
    const RgbImage clamped = render_roughness_picture(ramp(), options);
    const PictureLayout layout = picture_layout(options);
    const PixelBox& mark = layout.clamp_mark;
    const PixelBox& label = layout.clamp_label.box;
    EXPECT_EQ(count_in(plain, mark, is_last_colour), 0);
    EXPECT_EQ(count_in(plain, label, inked), 0);
    EXPECT_GT(count_in(clamped, mark, is_last_colour), mark.width * mark.height / 5);
    EXPECT_GT(count_in(clamped, label, inked), 0);
    for (int y = 0; y < plain.height; ++y) {
      for (int x = 0; x < plain.width; ++x) {
        const bool in_mark = apart(PixelBox{x, y, 1, 1}, mark) == false;
        const bool in_label = apart(PixelBox{x, y, 1, 1}, label) == false;
        if (!in_mark && !in_label) {
          ASSERT_EQ(plain.pixel(x, y), clamped.pixel(x, y)) << x << ", " << y;
        }
      }
    }
  }
}

TEST(RoughnessPicture, TitleIsInkedAcrossItsLineCentredAndTheSameOnEveryRun) {
  PictureOptions options;
  options.range = ValueRange{0.0, 2.0};
  options.title = "bunny.off   epsilon 0.01   1,839 vertices";
  const RgbImage image = render_roughness_picture(ramp(), options);
  const PictureLayout layout = picture_layout(options);
  ASSERT_EQ(layout.title.size(), 1u);
  const PixelBox& title = layout.title[0].box;
  // Ink in the first, middle and last fifth of the line, and none above it.
  for (int fifth : {0, 2, 4}) {
    const PixelBox part{title.left + fifth * title.width / 5, title.top, title.width / 5,
                        title.height};
    EXPECT_GT(count_in(image, part, inked), 20) << fifth;
  }
  EXPECT_EQ(count_in(image, PixelBox{0, 0, image.width, title.top}, inked), 0);
  EXPECT_LE(std::abs(title.left - (image.width - title.left - title.width)), 2);
  EXPECT_EQ(render_roughness_picture(ramp(), options).rgb, image.rgb);
}

TEST(PictureTitle, NamesTheFileEpsilonGivenLengthAndVertexCount) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {picture_title("data/bunny.off", 0.01f, 0.0f, 1839),
       "bunny.off   epsilon 0.01   1,839 vertices"},
      {picture_title("scan.ply", 0.005f, 0.0f, 437645),
       "scan.ply   epsilon 0.005   437,645 vertices"},
      {picture_title("/a/b/c.obj", 1.0f, 0.0f, 1), "c.obj   epsilon 1   1 vertex"},
      {picture_title("x.off", 0.25f, 0.0f, 1234567), "x.off   epsilon 0.25   1,234,567 vertices"},
      {picture_title("x.off", 0.02f, 0.0f, 999), "x.off   epsilon 0.02   999 vertices"},
      {picture_title("data/bunny.off", 0.01f, 10.0f, 1839),
       "bunny.off   epsilon 0.01   length 10   1,839 vertices"},
      {picture_title("x.off", 0.02f, 0.125f, 1000),
       "x.off   epsilon 0.02   length 0.125   1,000 vertices"},
      {picture_title("x.off", 0.02f, 2.5e6f, 3),
       "x.off   epsilon 0.02   length 2.5e+06   3 vertices"}};
  for (const auto& [title, expected] : cases)
    EXPECT_EQ(title, expected);
}

TEST(PictureTitle, CountsFacetsLeftOutWithThousandsSeparated) {
  const std::vector<std::pair<std::size_t, std::string>> cases = {
      {0, ""},
      {1, "1 facet left out"},
      {2, "2 facets left out"},
      {999, "999 facets left out"},
      {3080, "3,080 facets left out"},
      {1234567, "1,234,567 facets left out"}};
  for (const auto& [facets, expected] : cases)
    EXPECT_EQ(left_out_note(facets), expected) << facets;
}

// The drawing serves every finite range, labelled or not: ticks inside it, every part inside
// the picture, the clamp mark's value short, and each row of the bar in the colour of its place
// along the bar, also where high - low is beyond the largest double.
TEST(ColourBar, AnyFiniteRangeIsDrawnWithinThePicture) {
  const double largest = std::numeric_limits<double>::max();
  const double tiny = std::numeric_limits<double>::denorm_min();
  struct Drawn {
    double low;
    double high;
    bool graded;  // false: so few doubles lie in the range that the bar cannot grade
  };
  const std::vector<Drawn> ranges = {
      {-1e308, 1e308, true},   {-largest, largest, true}, {0.0, 1e25, true},
      {0.0, largest, true},    {-largest, 0.0, true},     {1e300, 1.0000001e300, true},
      {1e15, 1e15 + 4, false}, {0.0, 1e-15, true},        {0.0, 1.05e-9, true},
      {0.0, tiny, false},      {-tiny, tiny, false}};
  for (const Drawn& r : ranges) {
    const std::string at = std::to_string(r.low) + " .. " + std::to_string(r.high);
    const Ticks ticks = round_ticks(r.low, r.high);
    for (double value : ticks.values) {
      EXPECT_GE(value, r.low) << at;
      EXPECT_LE(value, r.high) << at;
    }
    for (const auto& [width, height] : {std::pair{400, 300}, std::pair{1200, 800}}) {
      PictureOptions options;
      options.width = width;
      options.height = height;
      options.range = ValueRange{r.low, r.high};
      options.clamped_above = true;
      const PictureLayout layout = picture_layout(options);
      EXPECT_LE(layout.clamp_label.text.size(), std::string("≥ ").size() + kLongestBarLabel)
          << layout.clamp_label.text;
      std::vector<PixelBox> parts = {layout.bar, layout.clamp_mark, layout.clamp_label.box,
                                     box_of(layout.front), box_of(layout.top)};
      for (const PlacedText& label : layout.tick_labels)
        parts.push_back(label.box);
      for (const PixelBox& part : parts)
        EXPECT_TRUE(inside(part, width, height)) << at;
      EXPECT_GT(layout.front.size, height / 3) << at;
      for (double value : ticks.values) {
        const int row = bar_row(layout, value);
        EXPECT_GE(row, layout.bar.top);
        EXPECT_LT(row, layout.bar.top + layout.bar.height);
      }
      if (!r.graded) continue;
      const RgbImage image = render_roughness_picture(ramp(), options);
      const PixelBox& bar = layout.bar;
      // The value of a row is rounded once on its way to the map, which may tip it to the
      // neighbouring colour.
      int misplaced = 0;
      for (int row = 0; row < bar.height; ++row) {
        const double place = (bar.height - row - 0.5) / bar.height;
        const int entry = static_cast<int>(std::lround(place * (kViridisSize - 1)));
        const Rgb8 drawn = image.pixel(bar.left + bar.width / 2, bar.top + row);
        misplaced += drawn != viridis_entry(entry) && drawn != viridis_entry(entry - 1) &&
                     drawn != viridis_entry(entry + 1);
      }
      EXPECT_EQ(misplaced, 0) << at;
    }
  }
}

}  // namespace
}  // namespace meshprobe
