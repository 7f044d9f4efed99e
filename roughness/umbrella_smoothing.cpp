#include "roughness/umbrella_smoothing.h"

#include <vector>

namespace meshprobe {

namespace {

// Taubin's lambda (shrinking) and mu (inflating) factors of the umbrella step.
constexpr double kShrinkFactor = 0.6307;
constexpr double kInflateFactor = -0.6352;
// A pass costs a few nanoseconds per vertex and the step runs 140 of them: below this many
// vertices the threads would spend more time meeting at the end of each pass than working.
constexpr std::uint32_t kParallelVertices = 65536;

// Moves every vertex by factor * (umbrella mean - position). The new positions are kept in
// double until the pass is complete, then rounded to single precision into the view.
void umbrella_pass(SurfaceView& view, double factor, std::vector<double>& x, std::vector<double>& y,
                   std::vector<double>& z) {
  const std::uint32_t n = view.vertex_count();
#pragma omp parallel for schedule(static) if (n >= kParallelVertices)
  for (std::uint32_t v = 0; v < n; ++v) {
    const Vec3f& p = view.positions[v];
    const std::uint32_t first = view.first_incoming[v];
    const std::uint32_t end = view.first_incoming[v + 1];
    if (first == end) {
      x[v] = p.x;
      y[v] = p.y;
      z[v] = p.z;
      continue;
    }
    double sx = 0.0;
    double sy = 0.0;
    double sz = 0.0;
    for (std::uint32_t slot = first; slot < end; ++slot) {
      const Vec3f& q = view.positions[view.source[slot]];
      sx += q.x;
      sy += q.y;
      sz += q.z;
    }
    const double inverse_count = 1.0 / static_cast<double>(end - first);
    x[v] = p.x + factor * (sx * inverse_count - p.x);
    y[v] = p.y + factor * (sy * inverse_count - p.y);
    z[v] = p.z + factor * (sz * inverse_count - p.z);
  }
#pragma omp parallel for schedule(static) if (n >= kParallelVertices)
  for (std::uint32_t v = 0; v < n; ++v) {
    view.positions[v] =
        Vec3f{static_cast<float>(x[v]), static_cast<float>(y[v]), static_cast<float>(z[v])};
  }
}

}  // namespace

void umbrella_taubin_step(SurfaceView& view) {
  std::vector<double> x(view.vertex_count());
  std::vector<double> y(view.vertex_count());
  std::vector<double> z(view.vertex_count());
  umbrella_pass(view, kShrinkFactor, x, y, z);
  umbrella_pass(view, kInflateFactor, x, y, z);
}

}  // namespace meshprobe
