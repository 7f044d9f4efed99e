#include "app/driver.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "io/obj_reader.h"
#include "io/off_reader.h"
#include "mesh/mesh_properties.h"
#include "mesh/normals.h"

namespace meshprobe {

void print_usage() {
  std::printf(
      "Utilization:\n\tMeshprobe.exe Name Epsilon\n\nName <Name of the file .OFF or .OBJ> "
      "\nEpsilon <Epsilon value> 0.01 is recommended\n\n");
  std::printf("\nFor instance: Meshprobe.exe dinosaur-10.obj 0.01\n\n");
  std::printf(
      "\nIf the Name is XXX.obj then the roughness values will be written in XXX_rough.lb (in the "
      "vertex order)");
}

bool parse_epsilon(const char* text, float& epsilon) {
  float value = 0.0f;
  if (std::sscanf(text, "%f", &value) != 1) return false;
  if (!(value > 0.0f) || !(value <= kLargestEpsilon)) return false;
  epsilon = value;
  return true;
}

std::string derive_output_name(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::string base = dot == std::string::npos ? std::string() : path.substr(0, dot);
  return base + "_labels.lb";
}

bool reads_as_obj(const std::string& path) {
  std::string ending = path.size() < 3 ? path : path.substr(path.size() - 3);
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ending == "obj";
}

namespace {

ReadStatus read_mesh(const std::string& path, Mesh& mesh) {
  if (reads_as_obj(path)) return read_obj(path, mesh);
  return read_off_file(path, mesh);
}

ReadStatus check_geometry(Mesh& mesh) {
  if (mesh.size_of_vertices() == 0) return ReadStatus::failure("the mesh holds no vertex");
  std::size_t index = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v, ++index) {
    const Point& p = v->point();
    if (!std::isfinite(p.x()) || !std::isfinite(p.y()) || !std::isfinite(p.z())) {
      return ReadStatus::failure("vertex " + std::to_string(index) +
                                 " has a coordinate that is not a finite number");
    }
  }
  const float extent = bounding_box_extent(mesh);
  if (!(extent > 0.0f)) {
    return ReadStatus::failure("all vertices lie at one point (the bounding box has no extent)");
  }
  // Normalisation divides by the extent and subtracts the box's centre, both in single
  // precision: an extent or a centre beyond its range would turn every point into infinities.
  const Vec3f& low = mesh.bbox_min;
  const Vec3f& high = mesh.bbox_max;
  if (!std::isfinite(extent) || !std::isfinite((low.x + high.x) * 0.5f) ||
      !std::isfinite((low.y + high.y) * 0.5f) || !std::isfinite((low.z + high.z) * 0.5f)) {
    return ReadStatus::failure(
        "the vertices lie too far apart for single precision (the bounding box's size or centre "
        "is not a finite number)");
  }
  return ReadStatus{};
}

}  // namespace

ReadStatus load_prepared_mesh(const std::string& path, Mesh& mesh) {
  ReadStatus status = read_mesh(path, mesh);
  if (status.ok) status = check_geometry(mesh);
  if (!status.ok) return status;
  normalize(mesh);
  mesh.is_quad_mesh = facets_have_degree(mesh, 4);
  mesh.is_triangle_mesh = facets_have_degree(mesh, 3);
  compute_normals(mesh);
  return status;
}

void measure_roughness(Mesh& mesh, float epsilon, RoughnessDetails* details) {
  SurfaceAnalyzer analyzer(&mesh);
  // Epsilon is widened before doubling, so the averaging radius is exactly twice it.
  const double smoothing_radius = static_cast<double>(epsilon);
  analyzer.compute_roughness(2.0 * smoothing_radius, smoothing_radius, details);
}

}  // namespace meshprobe
