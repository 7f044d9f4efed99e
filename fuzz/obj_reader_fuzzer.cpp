// Fuzzes the OBJ reader (parse and check, then the incremental builder) with arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "io/obj_reader.h"
#include "read_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return meshprobe::fuzzing::fuzz_read(data, size, meshprobe::read_obj_content);
}
