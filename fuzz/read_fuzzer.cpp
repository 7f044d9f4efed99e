// Fuzzes reading as every program reads: the input's first byte picks the file's ending (.off,
// .obj, .ply or .stl), the rest becomes the file, which read_mesh_file opens, parses with the
// reader the name and bytes select, builds and checks. The result must keep every promise of
// read_checks.h.
#include <cstddef>
#include <cstdint>

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
  return 0;
}
