// Fuzzes the OFF route (header checks, then CGAL's scanner) with arbitrary bytes, text or binary.
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/off_reader.h"
#include "read_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  meshprobe::Mesh mesh;
  const meshprobe::ReadStatus status = meshprobe::read_off_content(content, mesh);
  meshprobe::fuzzing::check_read(status, mesh);
  return 0;
}
