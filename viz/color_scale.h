// How roughness values become colours: the range the colour map spans, [0, the 99th percentile of
// the values], so that a few extreme vertices do not wash out the rest. Goes in: per-vertex
// values. Comes out: the range, and for any value its viridis colour with values outside clamped.
#pragma once

#include <vector>

#include "viz/viridis.h"

namespace meshprobe {

// The span of values the colour map covers: low maps to its first colour, high to its last.
struct ValueRange {
  double low = 0.0;
  double high = 0.0;
};

// The nearest-rank percentile: the smallest value v such that at least `percent` % of the values
// are <= v (percent in 1 .. 100, clamped). NaN values are ignored; 0 when no value is left.
double percentile(const std::vector<float>& values, int percent);

// [0, the 99th percentile of the values].
ValueRange roughness_range(const std::vector<float>& values);

// The viridis colour of `value` placed linearly in `range`. At or below low: the first colour;
// at or above high: the last. An empty range (high <= low) gives the last colour only to values
// above high.
Rgb8 colour_of(double value, const ValueRange& range);

// Position of `value` along the map, in [0, 1], as colour_of places it; NaN is placed at 0.
// Finite ends further apart than the largest double are served too.
double position_in(double value, const ValueRange& range);

// The value at `position` (0 at low, 1 at high) along a range whose ends are finite.
double value_at(double position, const ValueRange& range);

}  // namespace meshprobe
