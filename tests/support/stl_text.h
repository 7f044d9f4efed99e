// STL files for tests, written here independently of the reader under test: binary (with a
// chosen header and, to spoil it, a chosen triangle count) and ASCII (with a chosen line end).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mesh/mesh.h"

namespace meshprobe::testing {

// A triangle's three corners.
using Triangle = std::vector<Vec3f>;

// A count below 0 writes the count of `triangles`.
std::string binary_stl(const std::vector<Triangle>& triangles, const std::string& header = "",
                       std::int64_t count = -1);
std::string ascii_stl(const std::vector<Triangle>& triangles, const std::string& end = "\n");

}  // namespace meshprobe::testing
