// Gaussian-weighted averaging of the maximum curvature over sphere-bounded neighbourhoods: the
// smoother scalar field that the roughness compares between the input and its smoothed copy.
#pragma once

#include <vector>

#include "roughness/surface_view.h"

namespace meshprobe {

// For every vertex, the weighted mean of kmax sampled along the edges its sphere walk (radius
// `radius`, guarded rule) examines: an edge ending inside the sphere gives its far end's kmax at
// the far end, an edge leaving it gives kmax interpolated where it leaves. Weights are the normal
// density of the sample's distance from the vertex with standard deviation 0.008. A vertex
// without samples, or whose samples all lie so far (about 0.3) that the sum of their weights has
// no finite reciprocal, gets a value that is not a number. `local_curvature` gets one entry per
// vertex.
void average_curvature(const SurfaceView& view, const std::vector<double>& kmax, double radius,
                       std::vector<double>& local_curvature);

}  // namespace meshprobe
