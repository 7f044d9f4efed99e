// Bytes made in a test, read as the programs read a mesh: written to a file of a given name and
// read through the one reading entry (read_mesh_lists, or read_mesh_file over it), so that the
// format is chosen as for any run; and gzip's compression of bytes, for the inputs that come
// compressed.
#pragma once

#include <string>
#include <vector>

#include "io/mesh_file.h"

namespace meshprobe::testing {

// Writes `content` to a file called `name` in a fresh folder and reads it with read_mesh_file.
ReadStatus read_as_file(const std::string& name, const std::string& content, Mesh& mesh,
                        FileLayout& layout, bool keep_lists = false);

// The same file's lists, as read_mesh_lists hands them to memory, in file order.
ReadStatus read_lists_as_file(const std::string& name, const std::string& content,
                              std::vector<Vec3f>& points, FacetsInMemory& facets);

// `bytes` as a gzip file of one member, as gzip -9 writes it; fails the calling test when zlib
// cannot compress.
std::string gzip(const std::string& bytes);

}  // namespace meshprobe::testing
