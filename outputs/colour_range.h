// The colour range of a measured epsilon's picture and PLY colours, shared by every front end so
// that the same options colour the same mesh alike.
#pragma once

#include "measure/measurement.h"
#include "viz/color_scale.h"

namespace meshprobe {

// `asked` when given (--range), otherwise from 0 to the 99th percentile of the measured
// roughness, so that a few extreme vertices do not wash out the rest.
inline ValueRange colour_range(const EpsilonMeasurement& epsilon, const ValueRange* asked) {
  return asked != nullptr ? *asked : ValueRange{0.0, epsilon.statistics.p99};
}

}  // namespace meshprobe
