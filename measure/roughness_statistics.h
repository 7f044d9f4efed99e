// The summary numbers of one roughness map: order statistics over the measured vertices.
// In: roughness per vertex of the mesh and which vertices were measured. Out: min, mean, median,
// 90th, 95th and 99th percentiles, max and the share of vertices whose roughness is 0.
#pragma once

#include <vector>

#include "measure/measurement.h"

namespace meshprobe {

// Percentiles are nearest-rank (the smallest value such that at least p % of the values are not
// larger), as the colour map's top is; the median is the 50th. The mean is summed in double in
// vertex order. Every number is NaN when no vertex was measured.
RoughnessStatistics roughness_statistics(const std::vector<float>& roughness,
                                         const std::vector<bool>& measured);

}  // namespace meshprobe
