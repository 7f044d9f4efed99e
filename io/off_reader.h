// OFF input through CGAL's own OFF scanner, the header's counts checked first against the file's
// size. A file that builds whole takes the scanner's route alone; another is scanned again and
// refused for faults of its own, or else built without the facets the surface cannot hold. The
// vertices no facet of the file uses are removed; the others keep the file's order.
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
