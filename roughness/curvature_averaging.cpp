#include "roughness/curvature_averaging.h"

#include <cmath>
#include <limits>

#include "roughness/sphere_walk.h"

namespace meshprobe {

namespace {

// Normal density with standard deviation 0.008: 1 / (2 * 0.008^2) and 1 / 0.008. The
// normalisation takes 2 pi as 6.283184.
constexpr double kGaussianExponent = 7812.5;
constexpr double kInverseDeviation = 125.0;
constexpr double kTwoPi = 6.283184;

}  // namespace

void average_curvature(const SurfaceView& view, const std::vector<double>& kmax, double radius,
                       std::vector<double>& local_curvature) {
  local_curvature.assign(view.vertex_count(), 0.0);
  const double normalisation = 1 / std::sqrt(kTwoPi);
  SphereWalker walker(view);
  for (std::uint32_t v = 0; v < view.vertex_count(); ++v) {
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
        const double t = std::sqrt(dot(e.edge, e.edge)) / full_length;
        value = (1 - t) * kmax[e.near] + t * kmax[e.far];
        const Vec3f& near_point = view.positions[e.near];
        position = Vec3f{near_point.x + e.edge.x, near_point.y + e.edge.y, near_point.z + e.edge.z};
      }
      const Vec3f offset = difference(position, centre);
      const double d = std::sqrt(dot(offset, offset));
      const double w = std::exp(-kGaussianExponent * (d * d)) * normalisation * kInverseDeviation;
      weights += w;
      weighted_values += w * value;
    });
    // Without samples this is infinity times zero: not a number, which the roughness maps to 0.
    // Samples all about 0.3 or more from the vertex (37 deviations) have weights whose sum lies so
    // deep in the subnormal range that its reciprocal overflows; the mean would come out infinite
    // where it is bounded by the samples. Such a vertex counts as one without samples.
    const double inverse = 1 / weights;
    local_curvature[v] =
        std::isinf(inverse) ? std::numeric_limits<double>::quiet_NaN() : inverse * weighted_values;
  }
}

}  // namespace meshprobe
