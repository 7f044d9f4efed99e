// The header of a PLY file, parsed and checked before its data is read: content in, the format and
// the elements with their counts and properties out, or why the file is refused. The rules keep
// what files this tool has always read, and refuse before any data is read what the walk over
// the data (io/ply_layout.h) could not read safely or whose counts the file cannot hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/read_status.h"

namespace meshprobe {

enum class PlyFormat { kAscii, kBinaryLittleEndian, kBinaryBigEndian };

// The scalar types of the format, under either of their names (char or int8, uchar or uint8,
// short or int16, ushort or uint16, int or int32, uint or uint32, float or float32, double or
// float64).
enum class PlyType { kInt8, kUint8, kInt16, kUint16, kInt32, kUint32, kFloat32, kFloat64 };

struct PlyProperty {
  std::string name;
  PlyType type = PlyType::kFloat32;  // of the value, or of each entry of a list
  bool is_list = false;
  PlyType count_type = PlyType::kUint8;  // of a list's entry count, always an integer type
};

struct PlyElement {
  std::string name;
  std::uint64_t count = 0;
  std::vector<PlyProperty> properties;
};

struct PlyHeader {
  PlyFormat format = PlyFormat::kAscii;
  std::vector<PlyElement> elements;
  std::size_t data_offset = 0;  // where the data begins: just after the end_header line
  std::size_t data_line = 0;    // the number (from 1) of the line that begins there
};

// Bytes that one value of the type takes in a binary file.
std::size_t ply_type_size(PlyType type);

// The type's name as the header writes it (its short form), for messages.
const char* ply_type_name(PlyType type);

// True when `text` begins with the PLY magic line: "ply" followed by LF or CR LF.
bool begins_with_ply_magic(std::string_view text);

// The names under which an element is taken as the vertices or the faces.
bool is_vertex_element(const PlyElement& element);
bool is_face_element(const PlyElement& element);

// Parses the header of `content` (lines ending in LF or CR LF, up to end_header) and checks that
// the walk over the data can read the file safely: known types, no property before an element, one
// vertex element with float or double x, y, z, a face list of int or uint, colour channels of one
// type, uint halfedge ends, and counts whose smallest data (2 bytes per ASCII number, the types'
// sizes in binary) fits after the header. A refusal names the header line at fault where there is
// one. `beginning` holds the first bytes of a file of `file_size` bytes, the header among them (a
// header cut short by the end of `beginning` reads as cut short by the file's).
ReadStatus parse_ply_header(std::string_view beginning, std::uint64_t file_size, PlyHeader& header);

}  // namespace meshprobe
