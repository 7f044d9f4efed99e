#include "roughness/sphere_walk.h"

#include <algorithm>
#include <cmath>

namespace meshprobe {

namespace {

// A guarded crossing at the very start of an edge is moved to one hundredth of its length.
constexpr double kGuardedMinimumT = 0.01;

}  // namespace

bool clip_edge_to_sphere(const Vec3f& centre, double r, const Vec3f& start_point, Vec3f& edge,
                         bool guarded) {
  const Vec3f w = difference(start_point, centre);
  const double a = dot(edge, edge);
  const double b = 2 * dot(edge, w);
  const double c = dot(w, w) - r * r;
  const double disc = b * b - 4 * a * c;
  // A zero-length edge has no direction to clip along. The guarded rule defines it as leaving;
  // the plain rule would divide zero by zero, so it is given the same answer here: the edge stays
  // the zero vector, which its only user sets aside.
  if (a == 0.0) return true;
  // Unreachable from inside the sphere but for rounding: the far end serves as crossing point.
  if (disc < 0.0) return true;
  double t = (std::sqrt(disc) - b) / (2 * a);  // the larger root: where the line leaves
  if (t < 0.0) return true;
  if (t >= 1.0) return false;  // the far end lies inside the sphere or on it
  if (guarded && t == 0.0) t = kGuardedMinimumT;
  edge = Vec3f{static_cast<float>(edge.x * t), static_cast<float>(edge.y * t),
               static_cast<float>(edge.z * t)};
  return true;
}

SphereWalker::SphereWalker(const SurfaceView& view)
    : view_(view), visit_mark_(view.vertex_count(), 0) {
  pending_.reserve(64);
}

void SphereWalker::begin_walk() {
  pending_.clear();
  if (++walk_ == 0) {
    // After 2^32 walks the marks start again from a clean slate.
    std::fill(visit_mark_.begin(), visit_mark_.end(), 0);
    walk_ = 1;
  }
}

}  // namespace meshprobe
