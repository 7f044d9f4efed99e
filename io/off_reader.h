// OFF input through CGAL's own OFF scanner. The header is checked first, so that counts the file
// cannot hold are refused before anything is reserved for them; after the scan the scanner's
// error state decides, and a rejected file leaves the mesh empty. As the scanner does, vertices
// that no facet uses are removed; the others keep the file's order.
#pragma once

#include <string>

#include "io/read_status.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Reads the OFF file at `path` into the empty `mesh`.
ReadStatus read_off_file(const std::string& path, Mesh& mesh);

// Reads OFF text (or binary OFF bytes) held in memory into the empty `mesh`.
ReadStatus read_off_content(const std::string& content, Mesh& mesh);

}  // namespace meshprobe
