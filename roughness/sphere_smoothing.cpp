#include "roughness/sphere_smoothing.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "roughness/parallel_failure.h"
#include "roughness/sphere_walk.h"

namespace meshprobe {

namespace {

// Taubin's lambda (shrinking) and mu (inflating) factors of the sphere-bounded step.
constexpr double kShrinkFactor = 0.6307;
constexpr double kInflateFactor = -0.6732;
// Vertices handed to a thread at a time: walks differ in size, so work is dealt out as it goes.
constexpr std::uint32_t kVerticesPerTask = 256;

using Position3d = std::array<double, 3>;

// Sum and count of the points where the vertex's walk leaves the sphere.
struct Crossings {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  int count = 0;
};

Crossings sphere_crossings(SphereWalker& walker, const SurfaceView& view, std::uint32_t vertex,
                           double r) {
  Crossings sum;
  walker.walk_sphere(vertex, r, /*guarded=*/true, [&](const SphereEdge& e) {
    if (!e.crosses) return;
    const Vec3f& p = view.positions[e.near];
    // The crossing point is a position: rounded to single precision as it is formed.
    const float x = p.x + e.edge.x;
    const float y = p.y + e.edge.y;
    const float z = p.z + e.edge.z;
    sum.x += x;
    sum.y += y;
    sum.z += z;
    ++sum.count;
  });
  return sum;
}

// base + factor * (crossing mean - base); without crossings the base itself.
Position3d displace(const Crossings& crossings, double factor, const Position3d& base) {
  if (crossings.count == 0) return base;
  const double inverse_count = 1.0 / crossings.count;
  return Position3d{base[0] + factor * (crossings.x * inverse_count - base[0]),
                    base[1] + factor * (crossings.y * inverse_count - base[1]),
                    base[2] + factor * (crossings.z * inverse_count - base[2])};
}

}  // namespace

void sphere_taubin_step(SurfaceView& view, double r, const Progress& progress, std::size_t step,
                        std::size_t steps) {
  const std::uint32_t n = view.vertex_count();
  std::vector<Vec3f> moved(n);
  const std::uint32_t tasks = (n + kVerticesPerTask - 1) / kVerticesPerTask;
  ProgressCounter counter(progress, n, step, steps);
  // Every vertex's result depends only on the surface before the step: the vertices can be
  // shared among threads in any way, each thread walking with its own walker.
  ParallelFailure failure;
#pragma omp parallel
  {
    std::optional<SphereWalker> walker;
    failure.capture([&] { walker.emplace(view); });
#pragma omp for schedule(dynamic, 1)
    for (std::uint32_t task = 0; task < tasks; ++task) {
      if (counter.stopped()) continue;  // the run is abandoned
      failure.capture([&] {
        const std::uint32_t first = task * kVerticesPerTask;
        const std::uint32_t end = std::min(n, first + kVerticesPerTask);
        for (std::uint32_t v = first; v < end; ++v) {
          // Both passes walk the unchanged surface and find the same crossings, so one walk
          // serves both; the second pass starts from the first pass's result for the same vertex.
          const Crossings crossings = sphere_crossings(*walker, view, v, r);
          const Vec3f& p = view.positions[v];
          const Position3d base{p.x, p.y, p.z};
          const Position3d shrunk = displace(crossings, kShrinkFactor, base);
          const Position3d result = displace(crossings, kInflateFactor, shrunk);
          moved[v] = Vec3f{static_cast<float>(result[0]), static_cast<float>(result[1]),
                           static_cast<float>(result[2])};
        }
        counter.add(end - first);
      });
    }
  }
  failure.rethrow();
  counter.finish();
  view.positions.swap(moved);
}

}  // namespace meshprobe
