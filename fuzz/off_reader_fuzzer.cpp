// Fuzzes the OFF route (header and line checks, then CGAL's scanner and the tested build) with
// arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "io/off_reader.h"
#include "read_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return meshprobe::fuzzing::fuzz_read(data, size, meshprobe::read_off_content);
}
