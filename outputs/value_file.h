// The per-vertex value file: one line per value (per vertex of the mesh, in vertex-list order),
// holding the vertex's roughness printed with "%f \n" (six decimals, a space, a line feed). No
// header.
#pragma once

#include <string>
#include <vector>

#include <vector>

namespace meshprobe {

// Writes the value file to `path`, replacing an existing file only once the new one is complete.
// Returns false (and leaves any existing file untouched) when it cannot be created or written.
bool write_value_file(const std::vector<float>& roughness, const std::string& path);

}  // namespace meshprobe
