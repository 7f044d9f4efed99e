// A small reader of binary little-endian PLY files for tests, written apart from the writer so
// that a fault in one is not mirrored in the other. Goes in: the file's bytes. Comes out: the
// header's elements and properties, and every record's values widened to double.
#pragma once

#include <string>
#include <vector>

namespace meshprobe::testing {

struct PlyProperty {
  std::string name;
  std::string type;        // value type: char, uchar, short, ushort, int, uint, float, double
  std::string count_type;  // for a list, the type of its count; empty for a scalar
};

struct PlyElement {
  std::string name;
  std::size_t count = 0;
  std::vector<PlyProperty> properties;
  // records[r][p]: the values of property p of record r (one value for a scalar).
  std::vector<std::vector<std::vector<double>>> records;

  // Index of the named property, or -1.
  int property(const std::string& property_name) const;
};

struct PlyFile {
  std::string header;  // everything up to and including "end_header\n"
  std::vector<PlyElement> elements;

  const PlyElement* element(const std::string& element_name) const;
};

// Parses `bytes`; false, with `error` set, when the header is malformed, the format is not
// binary_little_endian 1.0, a type is unknown, or the data is shorter or longer than declared.
bool read_binary_ply(const std::string& bytes, PlyFile& ply, std::string& error);

}  // namespace meshprobe::testing
