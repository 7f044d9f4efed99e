// The sphere-bounded neighbourhood walk: from a start vertex, visits the part of the surface that
// lies inside a sphere about it and is reached by walking outward along edges. Each examined
// incoming halfedge is handed to the caller as a SphereEdge, clipped where it leaves the sphere.
#pragma once

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
bool clip_edge_to_sphere(const Vec3f& centre, double r, const Vec3f& start_point, Vec3f& edge,
                         bool guarded);

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

template <class Step>
void SphereWalker::walk_sphere(std::uint32_t start_vertex, double r, bool guarded, Step&& step) {
  begin_walk();
  const Vec3f* positions = view_.positions.data();
  const Vec3f centre = positions[start_vertex];
  pending_.push_back(start_vertex);
  visit_mark_[start_vertex] = walk_;
  while (!pending_.empty()) {
    const std::uint32_t near = pending_.back();
    pending_.pop_back();
    const Vec3f near_point = positions[near];
    const Vec3f radial = difference(near_point, centre);
    const std::uint32_t end = view_.first_incoming[near + 1];
    for (std::uint32_t slot = view_.first_incoming[near]; slot < end; ++slot) {
      const std::uint32_t far = view_.source[slot];
      SphereEdge e;
      e.halfedge = slot;
      e.near = near;
      e.far = far;
      e.full_edge = difference(positions[far], near_point);
      e.edge = e.full_edge;
      // Edges leading back towards the centre are left out; a zero or undefined product too.
      if (near != start_vertex && !(dot(radial, e.edge) > 0.0)) continue;
      e.crosses = clip_edge_to_sphere(centre, r, near_point, e.edge, guarded);
      step(static_cast<const SphereEdge&>(e));
      if (!e.crosses && visit_mark_[far] != walk_) {
        visit_mark_[far] = walk_;
        pending_.push_back(far);
      }
    }
  }
}

}  // namespace meshprobe
