#include "mesh/mesh_properties.h"

#include <algorithm>
#include <cmath>

namespace meshprobe {

namespace {

void widen(float coordinate, float& low, float& high) {
  if (coordinate < low) low = coordinate;
  if (high < coordinate) high = coordinate;
}

void widen(const Vec3f& p, Vec3f& low, Vec3f& high) {
  widen(p.x, low.x, high.x);
  widen(p.y, low.y, high.y);
  widen(p.z, low.z, high.z);
}

float largest_side(const Vec3f& low, const Vec3f& high) {
  const float dx = high.x - low.x;
  const float dy = high.y - low.y;
  const float dz = high.z - low.z;
  return std::max(dx, std::max(dy, dz));
}

}  // namespace

void compute_bounding_box(Mesh& mesh) {
  if (mesh.size_of_vertices() == 0) return;
  mesh.bbox_min = to_vec3f(mesh.vertices_begin()->point());
  mesh.bbox_max = mesh.bbox_min;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    widen(to_vec3f(v->point()), mesh.bbox_min, mesh.bbox_max);
}

float bounding_box_extent(Mesh& mesh) {
  if (mesh.size_of_vertices() == 0) return 0.0f;
  compute_bounding_box(mesh);
  return largest_side(mesh.bbox_min, mesh.bbox_max);
}

Normalisation normalisation_of(const std::vector<Vec3f>& points, float length) {
  Normalisation n;
  if (points.empty()) return n;
  n.bbox_min = points.front();
  n.bbox_max = n.bbox_min;
  for (const Vec3f& p : points)
    widen(p, n.bbox_min, n.bbox_max);
  n.extent = largest_side(n.bbox_min, n.bbox_max);
  n.length = length > 0.0f ? length : n.extent;
  n.centre = bounding_box_centre(n.bbox_min, n.bbox_max);
  n.scale = 1.0 / static_cast<double>(n.length);
  return n;
}

Vec3f normalised(const Vec3f& p, const Normalisation& n) {
  // The centre is subtracted in single precision, like every stored position; then one double
  // reciprocal scales all points, each product rounded to single precision.
  const float x = p.x - n.centre.x;
  const float y = p.y - n.centre.y;
  const float z = p.z - n.centre.z;
  return Vec3f{static_cast<float>(x * n.scale), static_cast<float>(y * n.scale),
               static_cast<float>(z * n.scale)};
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
  Normalisation n;
  n.bbox_min = mesh.bbox_min;
  n.bbox_max = mesh.bbox_max;
  n.extent = extent;
  n.length = length > 0.0f ? length : extent;
  n.centre = bounding_box_centre(mesh.bbox_min, mesh.bbox_max);
  n.scale = 1.0 / static_cast<double>(n.length);
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const Vec3f p = normalised(to_vec3f(v->point()), n);
    v->point() = Point(p.x, p.y, p.z);
  }
  return n.length;
}

}  // namespace meshprobe
