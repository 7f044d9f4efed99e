// The sphere-bounded neighbourhood walk: from a start vertex, visits the part of the surface that
// lies inside a sphere about it and is reached by walking outward along edges. Each examined
// incoming halfedge is handed to the caller as a SphereEdge, clipped where it leaves the sphere.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "roughness/surface_view.h"

namespace meshprobe {

// One examined halfedge: it runs from `far` into `near`, the vertex being walked from.
struct SphereEdge {
  std::uint32_t halfedge;  // slot of the halfedge in the view's incoming lists
  std::uint32_t near;
  std::uint32_t far;
  Vec3f full_edge;  // far - near, rounded to single precision
  Vec3f edge;       // full_edge, shortened to where it leaves the sphere when crosses is true
  bool crosses;
};

// Intersects the ray start_point + t * edge with the sphere of radius |r| about `centre` and
// returns whether the edge is taken to leave the sphere (true) or to end inside it (false). When
// it leaves at 0 <= t < 1, `edge` is scaled by t. The guarded rule treats a zero-length edge as
// leaving without clipping and moves a crossing at t = 0 to t = 0.01; the plain rule does
// neither (a zero-length edge is then returned unchanged as crossing).
inline bool clip_edge_to_sphere(const Vec3f& centre, double r, const Vec3f& start_point,
                                Vec3f& edge, bool guarded);

// Walks sphere-bounded neighbourhoods of one view. Holds the pending stack and the visit marks,
// so that a walk allocates nothing and needs no clearing; one walker per thread.
class SphereWalker {
 public:
  explicit SphereWalker(const SurfaceView& view);

  // Calls step(const SphereEdge&) for every examined halfedge, in walk order: vertices are popped
  // from a stack (the start first), and each popped vertex's incoming halfedges are examined in
  // circulator order; away from the start only those pointing away from the centre (radial
  // offset . edge > 0). A far end inside the sphere is pushed once.
  template <class Step>
  void walk_sphere(std::uint32_t start_vertex, double r, bool guarded, Step&& step);

 private:
  void begin_walk();

  const SurfaceView& view_;
  std::vector<std::uint32_t> pending_;
  std::vector<std::uint32_t> visit_mark_;  // equals walk_ for vertices visited by this walk
  std::uint32_t walk_ = 0;
};

inline Vec3f difference(const Vec3f& a, const Vec3f& b) {
  return Vec3f{a.x - b.x, a.y - b.y, a.z - b.z};
}

inline double dot(const Vec3f& a, const Vec3f& b) {
  return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y +
         static_cast<double>(a.z) * b.z;
}

// The parameter at which the line start_point + t * edge leaves the sphere: the larger root of
// a t^2 + b t + c = 0, with a = edge . edge, b = 2 edge . w, c = w . w - r^2 and
// w = start_point - centre. Not a number when the line misses the sphere.
inline double exit_parameter(double a, double b, double c) {
  return (std::sqrt(b * b - 4 * a * c) - b) / (2 * a);
}

// True only when the far end (t = 1) lies so clearly inside the sphere that exit_parameter is
// certain to come out at 1 or more, rounding included: a + b + c, the quadratic at t = 1, is
// negative by far more than its rounding could explain. Then t - 1 >= -q / (a + |c|), while the
// rounding error of the computed root stays below a few units in the last place of
// 1 + |b| / a; the margin below is thousands of times that. Saves the root and the division for
// most edges of a walk; whatever this cannot decide is left to the exact computation.
inline bool ends_clearly_inside(double a, double b, double c) {
  constexpr double kMargin = 0x1p-40;
  const double q = a + b + c;
  return q < 0.0 && -q * a > kMargin * ((a + std::fabs(c)) * (a + std::fabs(b)));
}

// The clipping of clip_edge_to_sphere from the coefficients a, b and c of exit_parameter.
inline bool clip_with_coefficients(double a, double b, double c, Vec3f& edge, bool guarded) {
  // A guarded crossing at the very start of an edge is moved to one hundredth of its length.
  constexpr double kGuardedMinimumT = 0.01;
  // A zero-length edge has no direction to clip along. The guarded rule defines it as leaving;
  // the plain rule would divide zero by zero, so it is given the same answer here: the edge stays
  // the zero vector, which its only user sets aside.
  if (a == 0.0) return true;
  if (ends_clearly_inside(a, b, c)) return false;
  // Unreachable from inside the sphere but for rounding: the far end serves as crossing point.
  if (b * b - 4 * a * c < 0.0) return true;
  double t = exit_parameter(a, b, c);
  if (t < 0.0) return true;
  if (t >= 1.0) return false;  // the far end lies inside the sphere or on it
  if (guarded && t == 0.0) t = kGuardedMinimumT;
  edge = Vec3f{static_cast<float>(edge.x * t), static_cast<float>(edge.y * t),
               static_cast<float>(edge.z * t)};
  return true;
}

inline bool clip_edge_to_sphere(const Vec3f& centre, double r, const Vec3f& start_point,
                                Vec3f& edge, bool guarded) {
  const Vec3f w = difference(start_point, centre);
  return clip_with_coefficients(dot(edge, edge), 2 * dot(edge, w), dot(w, w) - r * r, edge,
                                guarded);
}

template <class Step>
void SphereWalker::walk_sphere(std::uint32_t start_vertex, double r, bool guarded, Step&& step) {
  begin_walk();
  const Vec3f* const positions = view_.positions.data();
  const std::uint32_t* const first_incoming = view_.first_incoming.data();
  const std::uint32_t* const source = view_.source.data();
  std::uint32_t* const mark = visit_mark_.data();
  const std::uint32_t walk = walk_;
  const Vec3f centre = positions[start_vertex];
  const double r_squared = r * r;
  pending_.push_back(start_vertex);
  mark[start_vertex] = walk;
  while (!pending_.empty()) {
    const std::uint32_t near = pending_.back();
    pending_.pop_back();
    const Vec3f near_point = positions[near];
    // The radial offset of the popped vertex serves both the direction test and the clipping,
    // whose coefficient c it fixes for every edge out of this vertex.
    const Vec3f radial = difference(near_point, centre);
    const double c = dot(radial, radial) - r_squared;
    const bool at_start = near == start_vertex;
    const std::uint32_t end = first_incoming[near + 1];
    for (std::uint32_t slot = first_incoming[near]; slot < end; ++slot) {
      const std::uint32_t far = source[slot];
      const Vec3f full_edge = difference(positions[far], near_point);
      const double outward = dot(full_edge, radial);
      // Edges leading back towards the centre are left out; a zero or undefined product too.
      if (!at_start && !(outward > 0.0)) continue;
      SphereEdge e{slot, near, far, full_edge, full_edge, false};
      e.crosses =
          clip_with_coefficients(dot(full_edge, full_edge), 2 * outward, c, e.edge, guarded);
      step(static_cast<const SphereEdge&>(e));
      if (!e.crosses && mark[far] != walk) {
        mark[far] = walk;
        pending_.push_back(far);
      }
    }
  }
}

}  // namespace meshprobe
