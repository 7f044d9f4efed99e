#include "roughness/copy_smoothing.h"

#include <cstddef>

#include "roughness/sphere_smoothing.h"
#include "roughness/umbrella_smoothing.h"

namespace meshprobe {

namespace {

// How hard the copy is smoothed: sphere-bounded steps first, then umbrella steps.
constexpr int kSphereSteps = 5;
constexpr int kUmbrellaSteps = 70;

}  // namespace

void smooth_copy(SurfaceView& view, double r, const Progress& progress) {
  for (int step = 0; step < kSphereSteps; ++step)
    sphere_taubin_step(view, r, progress, static_cast<std::size_t>(step), kSphereSteps);
  // The umbrella steps are short, but together as long as a sphere step on a large mesh.
  const std::size_t n = view.vertex_count();
  for (int step = 0; step < kUmbrellaSteps; ++step) {
    umbrella_taubin_step(view);
    if (progress) progress(kSphereSteps * n, kSphereSteps * n);
  }
}

}  // namespace meshprobe
