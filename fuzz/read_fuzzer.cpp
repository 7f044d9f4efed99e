// Fuzzes reading as every program reads: the input's first byte picks the file's ending (.off,
// .obj, .ply or .stl), the rest becomes the file, which read_mesh_file opens, parses with the
// reader the name and bytes select, builds and checks. The result must keep every promise of
// read_checks.h. The file is also read into a scratch store, as a tiled run reads it: the same
// lists or the same refusal as reading it into memory.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "input_file.h"
#include "io/mesh_file.h"
#include "io/stored_lists.h"
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

  // The same file read into a scratch store, as a tiled run reads it, and into memory.
  StoredLists stored;
  StoredFacets stored_facets(stored);
  FileLayout stored_layout;
  ReadStatus passes =
      read_mesh_lists(file.path(), stored.points, stored_facets, stored_layout.format);
  if (passes.ok) passes = stored_facets.number_as_mesh(stored_layout);
  std::vector<Vec3f> points;
  FacetsInMemory whole;
  FileLayout whole_layout;
  ReadStatus expected = read_mesh_lists(file.path(), points, whole, whole_layout.format);
  if (expected.ok) {
    expected = number_as_mesh(points, whole.list, unused_vertices_of(whole_layout.format),
                              whole_layout, false);
  }
  if (passes.ok != expected.ok || passes.error != expected.error) {
    fuzzing::fail("reading into a store and reading into memory disagree about the file");
  }
  if (!passes.ok) return 0;
  FacetList facets;
  if (!stored.facets.load(facets).ok) fuzzing::fail("the stored facets cannot be read back");
  const bool same_points = stored.points.size() == points.size() &&
                           (points.empty() || std::memcmp(stored.points.data(), points.data(),
                                                          points.size() * sizeof(Vec3f)) == 0);
  if (!same_points || facets.corners != whole.list.corners || facets.starts != whole.list.starts ||
      stored_layout.vertices_in_file != whole_layout.vertices_in_file ||
      stored_layout.facets_in_file != whole_layout.facets_in_file ||
      stored_layout.mesh_vertex != whole_layout.mesh_vertex) {
    fuzzing::fail("reading into a store gives other lists than reading into memory");
  }
  for (std::size_t f = 0; f < whole.lines.size(); ++f) {
    std::uint64_t line = 0;
    if (!stored.face_lines.read(f * sizeof line, &line, sizeof line).ok || line != whole.lines[f]) {
      fuzzing::fail("reading into a store gives other facet lines than reading into memory");
    }
  }
  return 0;
}
