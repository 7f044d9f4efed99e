// Facet normals, from the positions of the facet's corners. Degenerate input yields the zero
// vector.
#pragma once

#include <cmath>
#include <cstddef>

#include "mesh/mesh.h"

namespace meshprobe {

namespace normal_arithmetic {

// Cross product of two single-precision vectors, formed in double and rounded to single.
inline Vec3f cross(const Vec3f& u, const Vec3f& v) {
  const double x = static_cast<double>(u.y) * v.z - static_cast<double>(u.z) * v.y;
  const double y = static_cast<double>(u.z) * v.x - static_cast<double>(u.x) * v.z;
  const double z = static_cast<double>(u.x) * v.y - static_cast<double>(u.y) * v.x;
  return Vec3f{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

// Unit vector along v, or v itself (the zero vector) when its squared length is exactly zero.
// The squared length and the reciprocal of its root are double; the result is single.
inline Vec3f unit_or_zero(const Vec3f& v) {
  const double squared = static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                         static_cast<double>(v.z) * v.z;
  if (squared == 0.0) return v;
  const double inverse = 1.0 / std::sqrt(squared);
  return Vec3f{static_cast<float>(v.x * inverse), static_cast<float>(v.y * inverse),
               static_cast<float>(v.z * inverse)};
}

inline Vec3f minus(const Vec3f& to, const Vec3f& from) {
  return Vec3f{to.x - from.x, to.y - from.y, to.z - from.z};
}

}  // namespace normal_arithmetic

// The facet's unit normal with its corners placed at position_of(vertex handle) (a Vec3f): the
// normalised sum of its unit corner normals, each corner weighted alike whatever its angle or
// edge lengths. Points to the side from which the corners run counter-clockwise; zero when the
// corners are degenerate. The surface's points serve for the facet's own normal; a smoothed copy
// that shares the facet lists passes its positions instead.
template <class PositionOf>
Vec3f facet_normal(Mesh::Facet_const_handle facet, PositionOf&& position_of) {
  using namespace normal_arithmetic;
  Vec3f sum;
  auto h = facet->halfedge();
  do {
    const Vec3f a = position_of(h->vertex());
    const Vec3f b = position_of(h->next()->vertex());
    const Vec3f c = position_of(h->next()->next()->vertex());
    const Vec3f n = unit_or_zero(cross(minus(b, a), minus(c, b)));
    sum.x += n.x;
    sum.y += n.y;
    sum.z += n.z;
    h = h->next();
  } while (h != facet->halfedge());
  return unit_or_zero(sum);
}

// facet_normal of a polygon given as its corners' positions, listed from the corner at which the
// facet's halfedge ends: corner(k) is the k-th, for k below `corners`. The same sum in the same
// order, so that a surface kept as corner lists gets the very normals its mesh would.
template <class CornerAt>
Vec3f polygon_normal(std::size_t corners, CornerAt&& corner) {
  using namespace normal_arithmetic;
  Vec3f sum;
  for (std::size_t k = 0; k < corners; ++k) {
    const Vec3f a = corner(k);
    const Vec3f b = corner((k + 1) % corners);
    const Vec3f c = corner((k + 2) % corners);
    const Vec3f n = unit_or_zero(cross(minus(b, a), minus(c, b)));
    sum.x += n.x;
    sum.y += n.y;
    sum.z += n.z;
  }
  return unit_or_zero(sum);
}

// Sets the facet's unit normal from its corners' points, as facet_normal computes it.
void compute_facet_normal(Mesh::Facet_handle facet);

// Every facet normal, in facet-list order.
void compute_normals(Mesh& mesh);

}  // namespace meshprobe
