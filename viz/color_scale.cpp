#include "viz/color_scale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace meshprobe {

namespace {

// The share of vertices, in percent, whose roughness the colour map resolves; the rest share its
// last colour.
constexpr int kRangePercent = 99;

}  // namespace

double percentile(const std::vector<float>& values, int percent) {
  std::vector<float> sorted;
  sorted.reserve(values.size());
  for (float v : values) {
    if (!std::isnan(v)) sorted.push_back(v);
  }
  if (sorted.empty()) return 0.0;
  // Rank ceil(percent * n / 100), counted from 1, in integers so that no rounding moves it;
  // nth_element finds it without a full sort.
  const std::size_t share = static_cast<std::size_t>(std::clamp(percent, 1, 100));
  const std::size_t rank = (share * sorted.size() + 99) / 100;
  const std::size_t index = std::max<std::size_t>(rank, 1) - 1;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(index),
                   sorted.end());
  return static_cast<double>(sorted[index]);
}

ValueRange roughness_range(const std::vector<float>& values) {
  return ValueRange{0.0, percentile(values, kRangePercent)};
}

double position_in(double value, const ValueRange& range) {
  if (!(range.high > range.low)) return value > range.high ? 1.0 : 0.0;
  double t = (value - range.low) / (range.high - range.low);
  // Ends further apart than the largest double: the halves of every term are apart by less,
  // and halving is exact above the subnormals, so the ratio is as good.
  if (!std::isfinite(range.high - range.low))
    t = (value / 2 - range.low / 2) / (range.high / 2 - range.low / 2);
  // NaN fails both tests and lands on 0.
  if (!(t > 0.0)) return 0.0;
  return t < 1.0 ? t : 1.0;
}

double value_at(double position, const ValueRange& range) {
  const double span = range.high - range.low;
  if (std::isfinite(span)) return range.low + position * span;
  // Half the value lies within the halved range, which no overflow can leave.
  return 2 * (range.low / 2 + position * (range.high / 2 - range.low / 2));
}

Rgb8 colour_of(double value, const ValueRange& range) {
  return viridis(position_in(value, range));
}

}  // namespace meshprobe
