// Fuzzes the PLY reader (header and layout checks, then CGAL's PLY reading) with arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/ply_reader.h"
#include "read_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  meshprobe::Mesh mesh;
  const meshprobe::ReadStatus status = meshprobe::read_ply_content(content, mesh);
  meshprobe::fuzzing::check_read(status, mesh);
  return 0;
}
