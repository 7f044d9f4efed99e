// PLY files for tests, written here independently of the reader under test: ASCII or binary of
// either byte order, with a choice of types and of properties and elements the reader must skip.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mesh/mesh.h"

namespace meshprobe::testing {

enum class PlyEncoding { kAscii, kLittleEndian, kBigEndian };

struct PlyLayout {
  std::string coordinate_type = "float";  // float or double
  std::string count_type = "uchar";       // of the face lists
  std::string index_type = "int";         // of the face list entries
  std::string index_name = "vertex_indices";
  bool normals = false;         // float nx, ny, nz after the coordinates
  bool colours = false;         // uchar red, green, blue after the coordinates (and normals)
  bool extra_elements = false;  // an element before the faces and one after them
};

// Faces are lists of indices, written as given (negative ones too, for signed index types).
// Coordinates go out exactly: floats with 9 significant digits in ASCII, doubles with 17.
std::string ply_file(PlyEncoding encoding, const std::vector<Vec3f>& points,
                     const std::vector<std::vector<std::int64_t>>& faces,
                     const PlyLayout& layout = PlyLayout());

// The points and facets of a plain ASCII OFF text ("OFF", the three counts, then the numbers,
// no comments), each coordinate rounded to single precision through double as CGAL's OFF scanner
// rounds it. Fails the calling test when the text is not such a file.
void off_lists(const std::string& off, std::vector<Vec3f>& points,
               std::vector<std::vector<std::int64_t>>& faces);

}  // namespace meshprobe::testing
