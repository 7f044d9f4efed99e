#include "mesh/mesh_properties.h"

#include <algorithm>

namespace meshprobe {

namespace {

void widen(float coordinate, float& low, float& high) {
  if (coordinate < low) low = coordinate;
  if (high < coordinate) high = coordinate;
}

}  // namespace

void compute_bounding_box(Mesh& mesh) {
  if (mesh.size_of_vertices() == 0) return;
  mesh.bbox_min = to_vec3f(mesh.vertices_begin()->point());
  mesh.bbox_max = mesh.bbox_min;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const Point& p = v->point();
    widen(p.x(), mesh.bbox_min.x, mesh.bbox_max.x);
    widen(p.y(), mesh.bbox_min.y, mesh.bbox_max.y);
    widen(p.z(), mesh.bbox_min.z, mesh.bbox_max.z);
  }
}

float bounding_box_extent(Mesh& mesh) {
  if (mesh.size_of_vertices() == 0) return 0.0f;
  compute_bounding_box(mesh);
  const float dx = mesh.bbox_max.x - mesh.bbox_min.x;
  const float dy = mesh.bbox_max.y - mesh.bbox_min.y;
  const float dz = mesh.bbox_max.z - mesh.bbox_min.z;
  return std::max(dx, std::max(dy, dz));
}

void normalize(Mesh& mesh) {
  if (mesh.size_of_vertices() == 0) return;
  const float extent = bounding_box_extent(mesh);
  // The centre is formed in single precision, like every stored position.
  const float cx = (mesh.bbox_min.x + mesh.bbox_max.x) * 0.5f;
  const float cy = (mesh.bbox_min.y + mesh.bbox_max.y) * 0.5f;
  const float cz = (mesh.bbox_min.z + mesh.bbox_max.z) * 0.5f;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const Point& p = v->point();
    v->point() = Point(p.x() - cx, p.y() - cy, p.z() - cz);
  }
  // One double reciprocal for all points; each product is rounded to single precision.
  const double scale = 1.0 / static_cast<double>(extent);
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const Point& p = v->point();
    v->point() = Point(static_cast<float>(p.x() * scale), static_cast<float>(p.y() * scale),
                       static_cast<float>(p.z() * scale));
  }
}

bool facets_have_degree(const Mesh& mesh, int corners) {
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f) {
    int count = 0;
    auto h = f->halfedge();
    do {
      ++count;
      h = h->next();
    } while (h != f->halfedge());
    if (count != corners) return false;
  }
  return true;
}

}  // namespace meshprobe
