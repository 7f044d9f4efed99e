// Sphere-bounded Taubin smoothing: every vertex is pulled towards the mean of the points where
// the surface's edges leave the sphere of radius r about it by 0.6307, then pushed away from that
// mean by 0.6732. Both passes measure the surface as it was before the step.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "roughness/progress.h"
#include "roughness/sphere_walk.h"
#include "roughness/surface_view.h"

namespace meshprobe {

using Position3d = std::array<double, 3>;

// The new position of `vertex` from `base`: base + factor * (crossing mean - base), the crossing
// mean taken over the crossing points of the vertex's sphere walk (guarded rule), each rounded to
// single precision. Without crossings the base is returned unchanged. Reads only the view.
Position3d sphere_displacement(SphereWalker& walker, const SurfaceView& view, std::uint32_t vertex,
                               double r, double factor, const Position3d& base);

// One step over every vertex: from p, each vertex with crossing mean m ends at
// p + 0.6307 (m - p), then moves by -0.6732 times the way to m from there. The view's positions
// change only once every vertex is done. Reports to `progress` as progress.h describes, the step
// counted as part `step` of `steps` equal parts.
void sphere_taubin_step(SurfaceView& view, double r, const Progress& progress = {},
                        std::size_t step = 0, std::size_t steps = 1);

}  // namespace meshprobe
