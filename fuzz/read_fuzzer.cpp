// Fuzzes reading as every program reads: the input's first byte picks the file's ending (.off,
// .obj, .ply or .stl), the rest becomes the file, which read_mesh_file opens, parses with the
// reader the name and bytes select, builds and checks. The result must keep every promise of
// read_checks.h. A PLY, OBJ or STL file is also read in passes, as a tiled run reads it: the
// same lists or the same refusal as reading it whole.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "input_file.h"
#include "io/mesh_file.h"
#include "read_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace meshprobe;
  const fuzzing::InputFile file(data, size);
  if (!file.exists()) return 0;
  // Bit 2 of the first byte asks for the file's lists, as the outputs that repeat the file do.
  const bool keep_lists = (data[0] & 4) != 0;
  Mesh mesh;
  FileLayout layout;
  const ReadStatus status = read_mesh_file(file.path(), mesh, layout, keep_lists);
  fuzzing::check_read(status, mesh, layout, keep_lists);

  StoredLists stored;
  FileLayout stored_layout;
  bool in_passes = false;
  const ReadStatus passes = read_mesh_in_passes(file.path(), stored, stored_layout, in_passes);
  if (!in_passes) return 0;
  FileLists whole;
  FileLayout whole_layout;
  const ReadStatus expected = read_mesh_lists(file.path(), whole, whole_layout, false);
  if (passes.ok != expected.ok || passes.error != expected.error) {
    fuzzing::fail("reading in passes and reading whole disagree about the file");
  }
  if (!passes.ok) return 0;
  FacetList facets;
  if (!stored.facets.load(facets).ok) fuzzing::fail("the stored facets cannot be read back");
  const bool same_points =
      stored.points.size() == whole.points.size() &&
      (whole.points.empty() || std::memcmp(stored.points.data(), whole.points.data(),
                                           whole.points.size() * sizeof(Vec3f)) == 0);
  if (!same_points || facets.corners != whole.facets.corners ||
      facets.starts != whole.facets.starts ||
      stored_layout.vertices_in_file != whole_layout.vertices_in_file ||
      stored_layout.facets_in_file != whole_layout.facets_in_file ||
      stored_layout.mesh_vertex != whole_layout.mesh_vertex) {
    fuzzing::fail("reading in passes gives other lists than reading whole");
  }
  for (std::size_t f = 0; f < whole.face_lines.size(); ++f) {
    std::uint64_t line = 0;
    if (!stored.face_lines.read(f * sizeof line, &line, sizeof line).ok ||
        line != whole.face_lines[f]) {
      fuzzing::fail("reading in passes gives other facet lines than reading whole");
    }
  }
  return 0;
}
