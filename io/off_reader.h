// OFF input through CGAL's own OFF scanner. The header is checked first, so that counts the file
// cannot hold are refused before anything is reserved for them. A file that builds whole takes
// the scanner's route and nothing else. One that does not is scanned again into points and
// facets: a fault of the file itself (a number that does not parse, an index out of range, a
// truncated file, a facet of fewer than 3 corners or naming a vertex twice) refuses it and leaves
// the mesh empty; otherwise the facets the surface cannot hold are left out and counted in the
// status. Either way the vertices that no facet of the file uses are removed; the others keep
// the file's order, also those whose facets were all left out.
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
