#include "app/driver.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "io/obj_reader.h"
#include "io/off_reader.h"
#include "io/ply_reader.h"
#include "mesh/mesh_properties.h"
#include "mesh/normals.h"
#include "roughness/surface_analyzer.h"

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
  if (!std::isfinite(value) || !(value > 0.0f)) return false;
  epsilon = value;
  return true;
}

bool read_epsilon_argument(const char* program, const char* text, float& epsilon) {
  if (parse_epsilon(text, epsilon)) return true;
  std::fprintf(stderr, "%s: epsilon must be a number greater than 0, not \"%s\"\n", program, text);
  return false;
}

bool input_exists(const std::string& path) {
  std::FILE* probe = std::fopen(path.c_str(), "r");
  if (probe == nullptr) {
    std::printf("The file %s does not exist\n\n", path.c_str());
    return false;
  }
  std::fclose(probe);
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

MeshFormat choose_format(const std::string& path) {
  if (reads_as_obj(path)) return MeshFormat::kObj;
  if (file_begins_with_ply_magic(path)) return MeshFormat::kPly;
  return MeshFormat::kOff;
}

std::string left_out_warning(const ReadStatus& status) {
  if (status.facets_left_out == 0) return "";
  const std::string first =
      "facet " + std::to_string(status.first_left_out) +
      (status.first_left_out_line == 0 ? ""
                                       : ", line " + std::to_string(status.first_left_out_line));
  if (status.facets_left_out == 1) {
    return "1 facet the surface cannot hold was left out (" + first + ")";
  }
  return std::to_string(status.facets_left_out) +
         " facets the surface cannot hold were left out (the first is " + first + ")";
}

const char* format_name(MeshFormat format) {
  switch (format) {
    case MeshFormat::kObj:
      return "obj";
    case MeshFormat::kPly:
      return "ply";
    case MeshFormat::kOff:
      break;
  }
  return "off";
}

namespace {

ReadStatus read_mesh(const std::string& path, Mesh& mesh) {
  switch (choose_format(path)) {
    case MeshFormat::kObj:
      return read_obj(path, mesh);
    case MeshFormat::kPly:
      return read_ply_file(path, mesh);
    case MeshFormat::kOff:
      break;
  }
  return read_off_file(path, mesh);
}

}  // namespace

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

ReadStatus load_mesh(const std::string& path, Mesh& mesh) {
  const ReadStatus status = read_mesh(path, mesh);
  if (!status.ok) return status;
  const ReadStatus geometry = check_geometry(mesh);
  if (!geometry.ok) return geometry;
  return status;
}

void prepare_mesh(Mesh& mesh) {
  normalize(mesh);
  mesh.is_quad_mesh = facets_have_degree(mesh, 4);
  mesh.is_triangle_mesh = facets_have_degree(mesh, 3);
  compute_normals(mesh);
}

ReadStatus load_prepared_mesh(const std::string& path, Mesh& mesh) {
  const ReadStatus status = load_mesh(path, mesh);
  if (status.ok) prepare_mesh(mesh);
  return status;
}

void measure_roughness(Mesh& mesh, float epsilon, RoughnessDetails* details) {
  SurfaceAnalyzer analyzer(&mesh);
  // Epsilon is widened before doubling, so the averaging radius is exactly twice it.
  const double smoothing_radius = static_cast<double>(epsilon);
  analyzer.compute_roughness(2.0 * smoothing_radius, smoothing_radius, details);
}

}  // namespace meshprobe
