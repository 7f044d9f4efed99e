#include "mesh/normals.h"

#include <cmath>

namespace meshprobe {

namespace {

Vec3f difference(const Point& to, const Point& from) {
  return Vec3f{to.x() - from.x(), to.y() - from.y(), to.z() - from.z()};
}

// Cross product of two single-precision vectors, formed in double and rounded to single.
Vec3f cross(const Vec3f& u, const Vec3f& v) {
  const double x = static_cast<double>(u.y) * v.z - static_cast<double>(u.z) * v.y;
  const double y = static_cast<double>(u.z) * v.x - static_cast<double>(u.x) * v.z;
  const double z = static_cast<double>(u.x) * v.y - static_cast<double>(u.y) * v.x;
  return Vec3f{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

// Unit vector along v, or v itself (the zero vector) when its squared length is exactly zero.
// The squared length and the reciprocal of its root are double; the result is single.
Vec3f unit_or_zero(const Vec3f& v) {
  const double squared = static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                         static_cast<double>(v.z) * v.z;
  if (squared == 0.0) return v;
  const double inverse = 1.0 / std::sqrt(squared);
  return Vec3f{static_cast<float>(v.x * inverse), static_cast<float>(v.y * inverse),
               static_cast<float>(v.z * inverse)};
}

void accumulate(Vec3f& sum, const Vec3f& v) {
  sum.x += v.x;
  sum.y += v.y;
  sum.z += v.z;
}

}  // namespace

void compute_facet_normal(Mesh::Facet_handle facet) {
  Vec3f sum;
  auto h = facet->halfedge();
  do {
    const Point& a = h->vertex()->point();
    const Point& b = h->next()->vertex()->point();
    const Point& c = h->next()->next()->vertex()->point();
    accumulate(sum, unit_or_zero(cross(difference(b, a), difference(c, b))));
    h = h->next();
  } while (h != facet->halfedge());
  facet->normal = unit_or_zero(sum);
}

void compute_vertex_normal(Mesh::Vertex_handle vertex) {
  Vec3f sum;
  const auto start = vertex->halfedge();
  if (start != Mesh::Halfedge_handle()) {
    auto h = start;
    do {
      if (!h->is_border()) accumulate(sum, h->facet()->normal);
      h = h->next()->opposite();
    } while (h != start);
  }
  vertex->normal = unit_or_zero(sum);
}

void compute_normals(Mesh& mesh) {
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f)
    compute_facet_normal(f);
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    compute_vertex_normal(v);
}

}  // namespace meshprobe
