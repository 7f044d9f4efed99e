#include "measure/roughness_statistics.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace meshprobe {

namespace {

// Rank ceil(percent * n / 100), counted from 1, in integers so that no rounding moves it.
double nearest_rank(const std::vector<float>& sorted, std::size_t percent) {
  const std::size_t rank = (percent * sorted.size() + 99) / 100;
  return sorted[std::max<std::size_t>(rank, 1) - 1];
}

}  // namespace

RoughnessStatistics roughness_statistics(const std::vector<float>& roughness,
                                         const std::vector<bool>& measured) {
  std::vector<float> sorted;
  double sum = 0.0;
  std::size_t zeros = 0;
  for (std::size_t v = 0; v < roughness.size(); ++v) {
    if (!measured[v]) continue;
    sorted.push_back(roughness[v]);
    sum += roughness[v];
    if (roughness[v] == 0.0f) ++zeros;
  }
  RoughnessStatistics s;
  if (sorted.empty()) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return RoughnessStatistics{nan, nan, nan, nan, nan, nan, nan, nan};
  }
  std::sort(sorted.begin(), sorted.end());
  const double n = static_cast<double>(sorted.size());
  s.min = sorted.front();
  s.max = sorted.back();
  s.mean = sum / n;
  s.median = nearest_rank(sorted, 50);
  s.p90 = nearest_rank(sorted, 90);
  s.p95 = nearest_rank(sorted, 95);
  s.p99 = nearest_rank(sorted, 99);
  s.zero_share = static_cast<double>(zeros) / n;
  return s;
}

}  // namespace meshprobe
