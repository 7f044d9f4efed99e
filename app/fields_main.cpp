// meshprobe-fields MESH EPSILON OUT [--timings]: runs exactly what meshprobe runs and writes the
// result in the form OUT's ending names: .csv every intermediate field per vertex, for those who
// study the method; .ply the mesh in its input coordinates with the fields and a colour per
// vertex; .png a rendered picture of the roughness map. With --timings, the time of each stage
// goes to standard output.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/driver.h"
#include "app/fields_csv.h"
#include "app/fields_picture.h"
#include "app/fields_ply.h"

namespace {

using namespace meshprobe;

enum class OutputKind { kUnknown, kCsv, kPly, kPng };

void print_fields_usage() {
  std::printf(
      "Usage: meshprobe-fields MESH EPSILON OUT [--timings]\n"
      "OUT's ending chooses what is written:\n"
      "  .csv  per vertex of MESH in vertex order, the normalised position, the smoothed copy's\n"
      "        position, both surfaces' curvatures and averaged curvatures, and the roughness;\n"
      "  .ply  MESH in its own coordinates with roughness, kmin, kmax, local_curvature, quality\n"
      "        and a viridis colour per vertex;\n"
      "  .png  a picture of the roughness map from the front, side and top, with a colour bar.\n");
}

// The kind named by the path's ending, in any letter case.
OutputKind output_kind(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos) return OutputKind::kUnknown;
  std::string ending = path.substr(dot);
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ending == ".csv") return OutputKind::kCsv;
  if (ending == ".ply") return OutputKind::kPly;
  if (ending == ".png") return OutputKind::kPng;
  return OutputKind::kUnknown;
}

std::vector<Vec3f> points_in_order(const Mesh& mesh) {
  std::vector<Vec3f> points;
  points.reserve(mesh.size_of_vertices());
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    points.push_back(to_vec3f(v->point()));
  return points;
}

}  // namespace

int main(int argc, char** argv) {
  const bool timings = argc == 5 && std::strcmp(argv[4], "--timings") == 0;
  if (argc != 4 && !timings) {
    print_fields_usage();
    return kExitUsage;
  }
  float epsilon = 0.0f;
  if (!read_epsilon_argument("meshprobe-fields", argv[2], epsilon)) return kExitUsage;
  const std::string path = argv[1];
  const std::string output = argv[3];
  const OutputKind kind = output_kind(output);
  if (kind == OutputKind::kUnknown) {
    std::fprintf(stderr,
                 "meshprobe-fields: cannot tell the format of %s (use .csv, .ply or .png)\n",
                 output.c_str());
    return kExitFailure;
  }
  if (!input_exists(path)) return kExitFailure;

  using Clock = std::chrono::steady_clock;
  const auto seconds_since = [](Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
  };
  const Clock::time_point reading = Clock::now();
  auto mesh = std::make_unique<Mesh>();
  const ReadStatus status = load_mesh(path, *mesh);
  if (!status.ok) {
    std::fprintf(stderr, "meshprobe-fields: cannot read %s: %s\n", path.c_str(),
                 status.error.c_str());
    return kExitFailure;
  }
  if (status.facets_left_out > 0) {
    std::fprintf(stderr, "meshprobe-fields: warning: %s: %s\n", path.c_str(),
                 left_out_warning(status).c_str());
  }
  // The PLY repeats the input's own coordinates, which normalisation is about to replace.
  const std::vector<Vec3f> input_points =
      kind == OutputKind::kPly ? points_in_order(*mesh) : std::vector<Vec3f>();
  prepare_mesh(*mesh);
  RoughnessDetails details;
  details.stage_seconds.emplace_back("reading", seconds_since(reading));
  measure_roughness(*mesh, epsilon, &details);
  const Clock::time_point writing = Clock::now();
  bool written = false;
  switch (kind) {
    case OutputKind::kCsv:
      written = write_fields_csv(*mesh, details, output);
      break;
    case OutputKind::kPly:
      written = write_fields_ply(*mesh, input_points, output);
      break;
    case OutputKind::kPng:
      written = write_fields_png(*mesh, path, epsilon, output);
      break;
    case OutputKind::kUnknown:
      break;
  }
  if (!written) {
    std::fprintf(stderr, "meshprobe-fields: cannot write %s\n", output.c_str());
    return kExitFailure;
  }
  details.stage_seconds.emplace_back("output", seconds_since(writing));
  if (timings) {
    for (const auto& [stage, seconds] : details.stage_seconds) {
      std::printf("%-20s %9.3f s\n", stage.c_str(), seconds);
    }
  }
  return kExitSuccess;
}
