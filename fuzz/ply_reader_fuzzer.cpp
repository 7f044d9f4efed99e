// Fuzzes the PLY reader (header and layout checks, then the walk that reads the data) with
// arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "io/ply_reader.h"
#include "read_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return meshprobe::fuzzing::fuzz_read(data, size, meshprobe::read_ply_content);
}
