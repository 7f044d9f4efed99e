// Sphere-bounded Taubin smoothing: every vertex is pulled towards the mean of the points where
// the surface's edges leave the sphere of radius r about it by 0.6307, then pushed away from that
// mean by 0.6732. Both passes measure the surface as it was before the step.
#pragma once

#include <cstddef>

#include "roughness/progress.h"
#include "roughness/surface_view.h"

namespace meshprobe {

// One step over every vertex: from p, each vertex with crossing mean m ends at
// p + 0.6307 (m - p), then moves by -0.6732 times the way to m from there. The view's positions
// change only once every vertex is done. Reports to `progress` as progress.h describes, the step
// counted as part `step` of `steps` equal parts.
void sphere_taubin_step(SurfaceView& view, double r, const Progress& progress = {},
                        std::size_t step = 0, std::size_t steps = 1);

}  // namespace meshprobe
