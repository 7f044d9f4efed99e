#include "roughness/curvature_averaging.h"

#include <cmath>

#include "roughness/sphere_walk.h"

namespace meshprobe {

namespace {

// Normal density with standard deviation 0.008: 1 / (2 * 0.008^2) and 1 / 0.008. The
// normalisation takes 2 pi as 6.283184.
constexpr double kGaussianExponent = 7812.5;
constexpr double kInverseDeviation = 125.0;
constexpr double kTwoPi = 6.283184;
// Vertices handed to a thread at a time: walks differ in size, so work is dealt out as it goes.
constexpr int kVerticesPerTask = 256;

}  // namespace

void average_curvature(const SurfaceView& view, const std::vector<double>& kmax, double radius,
                       std::vector<double>& local_curvature) {
  const std::uint32_t n = view.vertex_count();
  local_curvature.assign(n, 0.0);
  const double normalisation = 1 / std::sqrt(kTwoPi);
  // Each vertex's mean depends only on the points and kmax values, which the pass does not
  // change: the vertices can be shared among threads, each walking with its own walker.
#pragma omp parallel
  {
    SphereWalker walker(view);
#pragma omp for schedule(dynamic, kVerticesPerTask)
    for (std::uint32_t v = 0; v < n; ++v) {
      const Vec3f centre = view.positions[v];
      // Samples are weighted as the walk produces them; the sums run in sample order.
      double weights = 0.0;
      double weighted_values = 0.0;
      walker.walk_sphere(v, radius, /*guarded=*/true, [&](const SphereEdge& e) {
        double value;
        Vec3f position;
        const double full_length = std::sqrt(dot(e.full_edge, e.full_edge));
        if (full_length == 0.0) {
          value = kmax[e.far];
          position = view.positions[e.far];
        } else {
          // An edge ending inside the sphere is not clipped, and the ratio of two equal lengths is
          // exactly 1: no need to form it.
          const double t = e.crosses ? std::sqrt(dot(e.edge, e.edge)) / full_length : 1.0;
          value = (1 - t) * kmax[e.near] + t * kmax[e.far];
          const Vec3f& near_point = view.positions[e.near];
          position =
              Vec3f{near_point.x + e.edge.x, near_point.y + e.edge.y, near_point.z + e.edge.z};
        }
        const Vec3f offset = difference(position, centre);
        const double d = std::sqrt(dot(offset, offset));
        const double w = std::exp(-kGaussianExponent * (d * d)) * normalisation * kInverseDeviation;
        weights += w;
        weighted_values += w * value;
      });
      // Without samples this is infinity times zero: not a number, which the roughness maps to 0.
      local_curvature[v] = (1 / weights) * weighted_values;
    }
  }
}

}  // namespace meshprobe
