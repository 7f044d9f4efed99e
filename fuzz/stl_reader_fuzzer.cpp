// Fuzzes the STL reader (binary or ASCII by content, corners merged, the tested build) with
// arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "io/stl_reader.h"
#include "read_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return meshprobe::fuzzing::fuzz_read(data, size, meshprobe::read_stl_content);
}
