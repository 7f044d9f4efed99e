// Fuzzes a whole run of the tool on tiny meshes: the bytes become a mesh file in a private
// folder, read by the reader its name selects, checked, normalised, measured with a fuzzed
// epsilon and written as a value file, which must hold one finite, non-negative value per vertex.
//
// Input layout: byte 0 picks the format (odd: OBJ, even: OFF), bytes 1-2 (big-endian) pick
// epsilon in [0.001, 0.2], the rest is the file. Inputs shorter than 3 bytes are skipped.
#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "app/driver.h"
#include "io/value_file.h"
#include "read_checks.h"

namespace {

using meshprobe::fuzzing::fail;

// The roughness step walks every vertex's neighbourhood; beyond this many vertices a run would
// spend the fuzzer's time on arithmetic rather than on new paths.
constexpr std::size_t kLargestMeasuredMesh = 200;
constexpr double kFuzzedEpsilonLow = 0.001;
constexpr double kFuzzedEpsilonHigh = 0.2;

// One private folder per fuzzing process, removed when the process ends.
const std::string& work_folder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/meshprobe-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) fail("cannot create the work folder");
    return pattern;
  }();
  static const int removed_at_exit = std::atexit([] { rmdir(work_folder().c_str()); });
  (void)removed_at_exit;
  return folder;
}

bool write_bytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

// Reads the value file back and checks its shape: one "%f \n" line per vertex, each value a
// finite number >= 0 that matches the vertex's roughness as printed.
void check_value_file(const std::string& path, const meshprobe::Mesh& mesh,
                      const std::vector<float>& roughness) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) fail("the value file is missing");
  if (roughness.size() != mesh.size_of_vertices()) fail("not one roughness per vertex");
  for (const float value : roughness) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%f \n", static_cast<double>(value));
    char line[64];
    if (std::fgets(line, sizeof line, file) == nullptr) fail("the value file has too few lines");
    if (std::string(line) != expected) fail("a value line differs from the vertex's roughness");
    if (!std::isfinite(value) || !(value >= 0.0f)) {
      fail("a roughness that is not a finite number >= 0");
    }
  }
  char extra[8];
  if (std::fgets(extra, sizeof extra, file) != nullptr) fail("the value file has too many lines");
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace meshprobe;
  if (size < 3) return 0;
  const bool as_obj = (data[0] & 1) != 0;
  const unsigned fraction = (static_cast<unsigned>(data[1]) << 8) | data[2];
  char epsilon_text[32];
  std::snprintf(epsilon_text, sizeof epsilon_text, "%.6f",
                kFuzzedEpsilonLow + (kFuzzedEpsilonHigh - kFuzzedEpsilonLow) * fraction / 65535.0);
  float epsilon = 0.0f;
  if (!parse_epsilon(epsilon_text, epsilon)) fail("an epsilon in range was refused");

  const std::string mesh_path = work_folder() + (as_obj ? "/mesh.obj" : "/mesh.off");
  if (!write_bytes(mesh_path, data + 3, size - 3)) fail("cannot write the mesh file");
  const std::string value_path = derive_output_name(mesh_path);

  auto mesh = std::make_unique<Mesh>();
  const ReadStatus status = load_prepared_mesh(mesh_path, *mesh);
  std::remove(mesh_path.c_str());
  if (!status.ok) {
    if (status.error.empty()) fail("a refusal without a reason");
    return 0;
  }
  if (mesh->size_of_vertices() == 0) fail("an accepted mesh without vertices");
  // Normalisation puts every point in the unit box about the origin, up to the rounding of the
  // box's centre and of each point's offset from it, which are single precision: a few units in
  // the last place of the file's coordinates, measured against the box's size. A small model far
  // from the origin may so reach a little beyond the box.
  const Vec3f& low = mesh->bbox_min;
  const Vec3f& high = mesh->bbox_max;
  const double extent = std::max({high.x - low.x, high.y - low.y, high.z - low.z});
  const double largest = std::max({std::fabs(low.x), std::fabs(low.y), std::fabs(low.z),
                                   std::fabs(high.x), std::fabs(high.y), std::fabs(high.z)});
  const double bound = 0.5 + 1e-6 + 4 * FLT_EPSILON * largest / extent;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    const Point& p = v->point();
    for (float c : {p.x(), p.y(), p.z()}) {
      if (!(std::fabs(c) <= bound)) fail("a normalised point outside the unit box");
    }
  }
  if (mesh->size_of_vertices() > kLargestMeasuredMesh) return 0;

  const meshprobe::RoughnessResult result = measure_roughness(*mesh, epsilon);
  if (!write_value_file(result.roughness, value_path)) fail("cannot write the value file");
  check_value_file(value_path, *mesh, result.roughness);
  std::remove(value_path.c_str());
  return 0;
}
