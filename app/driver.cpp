#include "app/driver.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>

#include "mesh/mesh_properties.h"
#include "mesh/normals.h"

namespace meshprobe {

void print_usage() {
  std::printf(
      "Utilization:\n\tmeshprobe Name Epsilon\n\nName <Name of the file .OFF, .OBJ, .PLY or "
      ".STL> \nEpsilon <Epsilon value> 0.01 is recommended\n\n");
  std::printf("\nFor instance: meshprobe dinosaur-10.obj 0.01\n\n");
  std::printf(
      "\nIf the Name is XXX.obj then the roughness values will be written in XXX_labels.lb (in "
      "the vertex order)");
  std::printf("\n\nmeshprobe --help lists every option and output\n");
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

bool input_exists(const std::string& path, std::FILE* messages) {
  struct stat about {};
  // Only a missing file is said to be missing; a link loop or a folder that cannot be searched is
  // the reader's to name, in the words of its open.
  if (stat(path.c_str(), &about) != 0 && errno == ENOENT) {
    std::fprintf(messages, "The file %s does not exist\n\n", path.c_str());
    return false;
  }
  return true;
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

float prepare_mesh(Mesh& mesh, float length) {
  const float used = normalize(mesh, length);
  mesh.is_quad_mesh = facets_have_degree(mesh, 4);
  mesh.is_triangle_mesh = facets_have_degree(mesh, 3);
  compute_normals(mesh);
  return used;
}

}  // namespace meshprobe
