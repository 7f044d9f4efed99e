#include "mesh/mesh_properties.h"

#include <algorithm>
#include <cmath>

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

Vec3f bounding_box_centre(const Vec3f& low, const Vec3f& high) {
  // The plain formula wherever it is finite, so that no result that fitted before changes by a
  // bit. Halving first can round where the plain sum would not (subnormal halves), so it serves
  // only where the sum overflows: bounds beyond half the float range, where halving is exact.
  const auto middle = [](float a, float b) {
    const float sum_half = (a + b) * 0.5f;
    return std::isfinite(sum_half) ? sum_half : a * 0.5f + b * 0.5f;
  };
  return Vec3f{middle(low.x, high.x), middle(low.y, high.y), middle(low.z, high.z)};
}

float normalize(Mesh& mesh, float length) {
  if (mesh.size_of_vertices() == 0) return 0.0f;
  const float extent = bounding_box_extent(mesh);
  if (!(length > 0.0f)) length = extent;
  // The centre is formed in single precision, like every stored position.
  const Vec3f centre = bounding_box_centre(mesh.bbox_min, mesh.bbox_max);
  const float cx = centre.x;
  const float cy = centre.y;
  const float cz = centre.z;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const Point& p = v->point();
    v->point() = Point(p.x() - cx, p.y() - cy, p.z() - cz);
  }
  // One double reciprocal for all points; each product is rounded to single precision.
  const double scale = 1.0 / static_cast<double>(length);
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const Point& p = v->point();
    v->point() = Point(static_cast<float>(p.x() * scale), static_cast<float>(p.y() * scale),
                       static_cast<float>(p.z() * scale));
  }
  return length;
}

}  // namespace meshprobe
