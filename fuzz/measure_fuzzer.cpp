// Fuzzes a whole run on small inputs as the command line makes it with every output asked for:
// the input's first byte picks the file's ending (its two low bits, as for read_fuzzer) and the
// epsilon (its six high bits), the rest becomes the file, which measure_mesh_file reads, prepares
// and measures keeping the fields, the file's lists and the surface. The measurement must agree
// with what read_mesh_file makes of the same file, and its values must be what the outputs can
// print: one finite roughness >= 0 per measured vertex, NaN in file order for the others. The
// same file measured in tiles must give the same bits.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "input_file.h"
#include "io/mesh_file.h"
#include "measure/measurement.h"
#include "read_checks.h"

namespace {

using meshprobe::fuzzing::fail;

// The roughness step walks every vertex's neighbourhood; beyond this many vertices a run would
// spend the fuzzer's time on arithmetic rather than on new paths.
constexpr std::size_t kLargestMeasuredMesh = 200;
// Epsilon is (k + 1) times this for the first byte's six high bits k: 0.003125 to 0.2.
constexpr float kEpsilonStep = 0.003125f;
// The tiled run cuts the mesh into 2 to 9 tiles, by the input's size.
constexpr std::size_t kFewestTiles = 2;
constexpr std::size_t kTileChoices = 8;

// The normalised points: in the unit box about the origin, up to the rounding of the box's centre
// and of each point's offset from it, which are single precision: a few units in the last place
// of the file's coordinates, measured against the box's size. A small model far from the origin
// may so reach a little beyond the box, and so may one whose coordinates are subnormal, where a
// unit in the last place is FLT_TRUE_MIN however small the number.
void check_normalised(const meshprobe::MeshMeasurement& m) {
  const meshprobe::Vec3f& low = m.bbox_min;
  const meshprobe::Vec3f& high = m.bbox_max;
  const double extent = std::max({high.x - low.x, high.y - low.y, high.z - low.z});
  const double largest = std::max({std::fabs(low.x), std::fabs(low.y), std::fabs(low.z),
                                   std::fabs(high.x), std::fabs(high.y), std::fabs(high.z)});
  const double last_place = std::max<double>(FLT_EPSILON * largest, FLT_TRUE_MIN);
  const double bound = 0.5 + 1e-6 + 4 * last_place / extent;
  for (const meshprobe::Vec3f& p : m.positions) {
    for (const float c : {p.x, p.y, p.z}) {
      if (!(std::fabs(c) <= bound)) fail("a normalised point outside the unit box");
    }
  }
}

void check_measurement(const meshprobe::MeshMeasurement& m, std::size_t mesh_vertices) {
  using namespace meshprobe;
  if (m.epsilons.size() != 1) fail("not one result per epsilon");
  if (m.positions.size() != mesh_vertices || m.measured.size() != mesh_vertices) {
    fail("not one position per vertex of the mesh");
  }
  if (m.file_points.size() != m.vertices_in_file || m.file_facets.size() != m.facets_in_file) {
    fail("file lists that differ from the file's counts");
  }
  const std::size_t measured =
      static_cast<std::size_t>(std::count(m.measured.begin(), m.measured.end(), true));
  if (measured != m.vertices_measured) fail("a count of measured vertices that is not theirs");
  const std::vector<float>& roughness = m.epsilons[0].roughness;
  if (roughness.size() != mesh_vertices) fail("not one roughness per vertex of the mesh");
  for (std::size_t v = 0; v < mesh_vertices; ++v) {
    if (m.measured[v] && !(std::isfinite(roughness[v]) && roughness[v] >= 0.0f)) {
      fail("a measured roughness that is not a finite number >= 0");
    }
  }
  const std::vector<float> in_file = m.in_file_order(roughness);
  for (std::size_t i = 0; i < in_file.size(); ++i) {
    const std::uint32_t v = m.mesh_vertex[i];
    const bool shown = v != kNotInMesh && m.measured[v];
    if (shown != !std::isnan(in_file[i])) fail("a file vertex's roughness misplaced");
  }
  // The CSV's table: every column one value per vertex of the file.
  for (const FieldColumn& column : field_columns(m)) {
    if (column.values.size() != m.vertices_in_file) fail("a field column of the wrong length");
  }
  check_normalised(m);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace meshprobe;
  const fuzzing::InputFile file(data, size);
  if (!file.exists()) return 0;
  // Read first through the reading entry alone: its verdict is the measurement's, and its count
  // of vertices decides whether measuring is worth the fuzzer's time.
  Mesh mesh;
  FileLayout layout;
  const ReadStatus read = read_mesh_file(file.path(), mesh, layout, /*keep_lists=*/true);
  fuzzing::check_read(read, mesh, layout, /*keep_lists=*/true);
  if (read.ok && mesh.size_of_vertices() > kLargestMeasuredMesh) return 0;

  MeasureOptions options;
  const float epsilon = kEpsilonStep * static_cast<float>((data[0] >> 2) + 1);
  options.epsilons = {{std::to_string(epsilon), epsilon}};
  options.keep_fields = true;
  options.keep_file_lists = true;
  options.keep_surface = true;
  const MeshMeasurement m = measure_mesh_file(file.path(), options);
  if (m.status.ok != read.ok || m.status.error != read.error) {
    fail("measuring and reading disagree about the file");
  }
  if (!m.status.ok) return 0;
  if (m.vertices_in_file != layout.vertices_in_file || m.facets_in_file != layout.facets_in_file ||
      m.mesh_vertex != layout.mesh_vertex || m.status.facets_left_out != read.facets_left_out) {
    fail("measuring and reading disagree about the layout");
  }
  check_measurement(m, mesh.size_of_vertices());

  // The same file in tiles must give every vertex the very same bits, and the same verdicts.
  options.tiles = kFewestTiles + size % kTileChoices;
  // Small meshes in small tiles: the plan would merge them, and exactness is what is checked.
  options.every_tile_asked = true;
  const MeshMeasurement tiled = measure_mesh_file(file.path(), options);
  if (!tiled.status.ok || tiled.status.facets_left_out != m.status.facets_left_out ||
      tiled.status.first_left_out != m.status.first_left_out || tiled.measured != m.measured) {
    fail("tiles and the whole mesh disagree about the file");
  }
  const std::vector<float>& whole = m.epsilons[0].roughness;
  const std::vector<float>& parts = tiled.epsilons[0].roughness;
  if (parts.size() != whole.size() ||
      !std::equal(whole.begin(), whole.end(), parts.begin(),
                  [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; })) {
    fail("tiles give other values than the whole mesh");
  }
  return 0;
}
