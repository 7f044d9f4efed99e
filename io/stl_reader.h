// STL input, binary or ASCII: a file's bytes in, its vertices and triangles out. STL stores every
// triangle with its own three corners; corners whose coordinates are exactly equal once rounded to
// single precision are one vertex, numbered in order of first appearance. Triangles keep file order
// and corner order; the stored normals are ignored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/facet_sink.h"
#include "io/file_window.h"
#include "io/read_status.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

// True when a file of `size` bytes whose first bytes are `head` (its first 84 at least, or all of
// them) is a binary STL file: exactly 84 + 50 x the little-endian 32-bit triangle count at byte
// 80 (whatever the 80-byte header says, "solid" included).
bool is_binary_stl(std::string_view head, std::uint64_t size);

// True when `head` begins with the word "solid" (after a byte-order mark): read as ASCII STL
// unless is_binary_stl says otherwise.
bool begins_with_solid(std::string_view head);

// Reads an STL file into the empty `points` and its triangles to `facets`: binary when
// is_binary_stl says so, otherwise ASCII. Every triangle becomes a facet of three corners, also
// one whose corners merge (it then names a vertex twice and is left out when built). Refused,
// with nothing reserved before the counts are checked: a binary file whose size contradicts its
// triangle count (read as binary when it does not begin with "solid", or does but is no ASCII STL
// and holds a NUL byte in its first 84), an ASCII file that breaks the grammar (naming the line),
// a coordinate that is not a finite number, more vertices than a mesh can number, and a file that
// changed while it was read. Memory: the points and the table that merges them (8 to 16 bytes a
// vertex), and the facets where `facets` keeps them.
ReadStatus read_stl(const FileWindow& file, std::vector<Vec3f>& points, FacetSink& facets);

}  // namespace meshprobe
