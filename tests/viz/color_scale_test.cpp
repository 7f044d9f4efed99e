// The viridis map against its published anchor colours, and the roughness range and clamping
// that turn values into colours.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "viz/color_scale.h"
#include "viz/viridis.h"

namespace meshprobe {
namespace {

void expect_colour(Rgb8 actual, int r, int g, int b) {
  EXPECT_EQ(actual.r, r);
  EXPECT_EQ(actual.g, g);
  EXPECT_EQ(actual.b, b);
}

TEST(Viridis, MatchesThePublishedAnchorColours) {
  // #440154, #3b528b, #21918c, #5ec962, #fde725: the map at 0, 1/4, 1/2, 3/4 and 1 as its
  // authors list them (entries 0, 64, 128, 192, 255).
  expect_colour(viridis_entry(0), 0x44, 0x01, 0x54);
  expect_colour(viridis_entry(64), 0x3b, 0x52, 0x8b);
  expect_colour(viridis_entry(128), 0x21, 0x91, 0x8c);
  expect_colour(viridis_entry(192), 0x5e, 0xc9, 0x62);
  expect_colour(viridis_entry(255), 0xfd, 0xe7, 0x25);
}

TEST(Viridis, EndsClampAndPositionsPickTheNearestEntry) {
  expect_colour(viridis(0.0), 68, 1, 84);
  expect_colour(viridis(-3.0), 68, 1, 84);
  expect_colour(viridis(std::numeric_limits<double>::quiet_NaN()), 68, 1, 84);
  expect_colour(viridis(1.0), 253, 231, 37);
  expect_colour(viridis(7.5), 253, 231, 37);
  EXPECT_EQ(viridis(128.0 / 255.0), viridis_entry(128));
  EXPECT_EQ(viridis(128.4 / 255.0), viridis_entry(128));
  EXPECT_EQ(viridis(128.6 / 255.0), viridis_entry(129));
  EXPECT_EQ(viridis_entry(-1), viridis_entry(0));
  EXPECT_EQ(viridis_entry(256), viridis_entry(255));
}

TEST(Viridis, NeighbouringEntriesDifferByLittle) {
  // A typo in the table shows as a jump: consecutive published colours differ by at most a few
  // units per channel. Rounded to 8 bits, two pairs of neighbours coincide (112 and 113, 129
  // and 130); no other entries do.
  for (int i = 1; i < kViridisSize; ++i) {
    const Rgb8 a = viridis_entry(i - 1);
    const Rgb8 b = viridis_entry(i);
    EXPECT_LE(std::abs(a.r - b.r), 3) << i;
    EXPECT_LE(std::abs(a.g - b.g), 3) << i;
    EXPECT_LE(std::abs(a.b - b.b), 3) << i;
    EXPECT_EQ(a == b, i == 113 || i == 130) << i;
  }
}

TEST(Percentile, NearestRankOverTheValuesIgnoringNan) {
  std::vector<float> values;
  for (int i = 100; i >= 1; --i)
    values.push_back(static_cast<float>(i));
  EXPECT_EQ(percentile(values, 99), 99.0);
  EXPECT_EQ(percentile(values, 100), 100.0);
  EXPECT_EQ(percentile(values, 50), 50.0);
  EXPECT_EQ(percentile(values, 1), 1.0);
  // Rank ceil(0.99 * 10) = 10: with ten values the 99th percentile is the largest.
  EXPECT_EQ(percentile({3, 1, 4, 1, 5, 9, 2, 6, 5, 3}, 99), 9.0);
  // With 201 values, rank ceil(198.99) = 199.
  std::vector<float> more;
  for (int i = 1; i <= 201; ++i)
    more.push_back(static_cast<float>(i));
  EXPECT_EQ(percentile(more, 99), 199.0);
  values.push_back(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(percentile(values, 99), 99.0);
  EXPECT_EQ(percentile({}, 99), 0.0);
}

TEST(RoughnessRange, RunsFromZeroToThe99thPercentile) {
  // In order: 0, 196 times 0.5, 2, 1000, 1000. The 99th percentile of 200 values is the 198th.
  std::vector<float> values(200, 0.5f);
  values[6] = 1000.0f;
  values[7] = 1000.0f;
  values[8] = 2.0f;
  values[9] = 0.0f;
  const ValueRange range = roughness_range(values);
  EXPECT_EQ(range.low, 0.0);
  EXPECT_EQ(range.high, 2.0);
}

TEST(ColourOf, PlacesValuesLinearlyAndClampsOutsideTheRange) {
  const ValueRange range{0.0, 2.0};
  EXPECT_EQ(colour_of(0.0, range), viridis_entry(0));
  EXPECT_EQ(colour_of(-1.0, range), viridis_entry(0));
  EXPECT_EQ(colour_of(2.0, range), viridis_entry(255));
  EXPECT_EQ(colour_of(1000.0, range), viridis_entry(255));
  EXPECT_EQ(colour_of(1.0, range), viridis(0.5));
  EXPECT_DOUBLE_EQ(position_in(0.5, range), 0.25);
  EXPECT_DOUBLE_EQ(position_in(0.5, ValueRange{0.25, 1.25}), 0.25);
  // An empty range, as for a perfectly smooth surface: its value gets the first colour.
  const ValueRange empty{0.0, 0.0};
  EXPECT_EQ(colour_of(0.0, empty), viridis_entry(0));
  EXPECT_EQ(colour_of(0.1, empty), viridis_entry(255));
}

}  // namespace
}  // namespace meshprobe
