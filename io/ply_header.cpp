#include "io/ply_header.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string_view>

#include "io/text_lines.h"

namespace meshprobe {

namespace {

struct TypeNames {
  const char* short_name;
  const char* sized_name;
  PlyType type;
  std::size_t size;
};

constexpr TypeNames kTypes[] = {
    {"char", "int8", PlyType::kInt8, 1},        {"uchar", "uint8", PlyType::kUint8, 1},
    {"short", "int16", PlyType::kInt16, 2},     {"ushort", "uint16", PlyType::kUint16, 2},
    {"int", "int32", PlyType::kInt32, 4},       {"uint", "uint32", PlyType::kUint32, 4},
    {"float", "float32", PlyType::kFloat32, 4}, {"double", "float64", PlyType::kFloat64, 8},
};

const TypeNames& names_of(PlyType type) {
  return kTypes[static_cast<std::size_t>(type)];
}

bool parse_type(const std::string& word, PlyType& type) {
  for (const TypeNames& names : kTypes) {
    if (word == names.short_name || word == names.sized_name) {
      type = names.type;
      return true;
    }
  }
  return false;
}

bool is_integer_type(PlyType type) {
  return type != PlyType::kFloat32 && type != PlyType::kFloat64;
}

std::vector<std::string> words_of(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])) != 0)
      ++i;
    const std::size_t start = i;
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])) == 0)
      ++i;
    if (i > start) words.emplace_back(line.substr(start, i - start));
  }
  return words;
}

ReadStatus line_failure(std::size_t line, const std::string& why) {
  return ReadStatus::failure("PLY header line " + std::to_string(line) + ": " + why);
}

// A count of decimal digits only; refuses signs and values beyond 64 bits.
bool parse_count(const std::string& word, std::uint64_t& count) {
  if (word.empty()) return false;
  count = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (count > (UINT64_MAX - digit) / 10) return false;
    count = count * 10 + digit;
  }
  return true;
}

ReadStatus parse_property(const std::vector<std::string>& words, std::size_t line,
                          PlyHeader& header) {
  if (header.elements.empty()) return line_failure(line, "a property before any element");
  PlyProperty property;
  if (words.size() == 5 && words[1] == "list") {
    property.is_list = true;
    if (!parse_type(words[2], property.count_type) || !is_integer_type(property.count_type)) {
      return line_failure(
          line, "the count type of a list must be an integer type, not \"" + words[2] + "\"");
    }
    if (!parse_type(words[3], property.type)) {
      return line_failure(line, "unknown type \"" + words[3] + "\"");
    }
    property.name = words[4];
  } else if (words.size() == 3 && words[1] != "list") {
    if (!parse_type(words[1], property.type)) {
      return line_failure(line, "unknown type \"" + words[1] + "\"");
    }
    property.name = words[2];
  } else {
    return line_failure(line,
                        "a property line is \"property TYPE NAME\" or \"property list "
                        "COUNT_TYPE ENTRY_TYPE NAME\"");
  }
  header.elements.back().properties.push_back(property);
  return ReadStatus{};
}

ReadStatus parse_lines(std::string_view content, PlyHeader& header) {
  std::size_t position = byte_order_mark_length(content);
  for (std::size_t line = 1;; ++line) {
    if (position >= content.size()) return ReadStatus::failure("the PLY header has no end_header");
    std::size_t following = 0;
    const std::size_t end = line_end(content, position, following);
    const std::string_view text = content.substr(position, end - position);
    position = following;
    const std::vector<std::string> words = words_of(text);

    if (line == 1) continue;  // the magic line, checked by the caller
    if (line == 2) {
      if (words.size() != 3 || words[0] != "format") {
        return line_failure(line, "the second line must be \"format FORMAT VERSION\"");
      }
      if (words[1] == "ascii") {
        header.format = PlyFormat::kAscii;
      } else if (words[1] == "binary_little_endian") {
        header.format = PlyFormat::kBinaryLittleEndian;
      } else if (words[1] == "binary_big_endian") {
        header.format = PlyFormat::kBinaryBigEndian;
      } else {
        return line_failure(line, "unknown format \"" + words[1] + "\"");
      }
      continue;
    }
    if (words.empty()) return line_failure(line, "a blank line");
    const std::string& keyword = words[0];
    if (keyword == "comment" || keyword == "obj_info") continue;
    if (keyword == "end_header") {
      if (words.size() != 1) return line_failure(line, "text after end_header");
      header.data_offset = std::min(position, content.size());
      header.data_line = line + 1;
      return ReadStatus{};
    }
    if (keyword == "element") {
      PlyElement element;
      if (words.size() != 3 || !parse_count(words[2], element.count)) {
        return line_failure(line,
                            "an element line is \"element NAME COUNT\", with COUNT a "
                            "whole number");
      }
      element.name = words[1];
      header.elements.push_back(element);
      continue;
    }
    if (keyword == "property") {
      const ReadStatus status = parse_property(words, line, header);
      if (!status.ok) return status;
      continue;
    }
    return line_failure(line, "unknown keyword \"" + keyword + "\"");
  }
}

// A property is looked up by name, the first of that name counting, as PLY files have always been
// read here.
const PlyProperty* find_property(const PlyElement& element, const char* name) {
  for (const PlyProperty& property : element.properties) {
    if (property.name == name) return &property;
  }
  return nullptr;
}

bool is_scalar_of_type(const PlyElement& element, const char* name, PlyType type) {
  const PlyProperty* property = find_property(element, name);
  return property != nullptr && !property->is_list && property->type == type;
}

ReadStatus check_coordinates(const PlyElement& vertex) {
  for (const char* name : {"x", "y", "z"}) {
    const PlyProperty* property = find_property(vertex, name);
    if (property == nullptr) {
      return ReadStatus::failure("the PLY " + vertex.name + " element has no property " + name);
    }
    if (property->is_list ||
        (property->type != PlyType::kFloat32 && property->type != PlyType::kFloat64)) {
      return ReadStatus::failure("the PLY vertex coordinate " + std::string(name) +
                                 " must be a float or a double");
    }
  }
  return ReadStatus{};
}

// The reader's order of preference: vertex_indices before vertex_index, int before uint.
ReadStatus check_face_indices(const PlyElement& face) {
  for (const char* name : {"vertex_indices", "vertex_index"}) {
    const PlyProperty* property = find_property(face, name);
    if (property != nullptr && property->is_list &&
        (property->type == PlyType::kInt32 || property->type == PlyType::kUint32)) {
      return ReadStatus{};
    }
  }
  return ReadStatus::failure("the PLY " + face.name +
                             " element has no list of int or uint named vertex_indices or "
                             "vertex_index");
}

// An element is coloured when it holds uchar channels red (or r), green (or g) and blue (or b);
// its channels red, green, blue (r, g, b when red is not a uchar) must then all be uchar. The
// colours are not read, but such a file has always been refused here, and stays refused.
ReadStatus check_colours(const PlyElement& element) {
  const auto is_uchar = [&element](const char* name) {
    return is_scalar_of_type(element, name, PlyType::kUint8);
  };
  const bool coloured = (is_uchar("red") || is_uchar("r")) &&
                        (is_uchar("green") || is_uchar("g")) && (is_uchar("blue") || is_uchar("b"));
  if (!coloured) return ReadStatus{};
  const bool long_names = is_uchar("red");
  const char* const channels[3] = {long_names ? "red" : "r", long_names ? "green" : "g",
                                   long_names ? "blue" : "b"};
  for (const char* channel : channels) {
    if (find_property(element, channel) != nullptr && !is_uchar(channel)) {
      return ReadStatus::failure("the PLY " + element.name +
                                 " element mixes colour channel types: " + channel +
                                 " must be a uchar like the others");
    }
  }
  return ReadStatus{};
}

// The ends of a halfedge element must be uint: they are not read, but a file with other ends has
// always been refused here, and stays refused.
ReadStatus check_halfedge_ends(const PlyElement& element) {
  for (const char* name : {"source", "target"}) {
    if (find_property(element, name) != nullptr &&
        !is_scalar_of_type(element, name, PlyType::kUint32)) {
      return ReadStatus::failure(std::string("the PLY halfedge property ") + name +
                                 " must be a uint");
    }
  }
  return ReadStatus{};
}

ReadStatus check_elements(const PlyHeader& header) {
  const PlyElement* vertex = nullptr;
  const PlyElement* face = nullptr;
  for (const PlyElement& element : header.elements) {
    if (is_vertex_element(element)) {
      if (vertex != nullptr) return ReadStatus::failure("the PLY file has two vertex elements");
      vertex = &element;
    } else if (is_face_element(element)) {
      if (face != nullptr) return ReadStatus::failure("the PLY file has two face elements");
      face = &element;
    } else if (element.name == "halfedge") {
      const ReadStatus status = check_halfedge_ends(element);
      if (!status.ok) return status;
    }
  }
  if (vertex == nullptr) return ReadStatus::failure("the PLY file has no vertex element");
  ReadStatus status = check_coordinates(*vertex);
  if (status.ok) status = check_colours(*vertex);
  if (status.ok && face != nullptr) status = check_face_indices(*face);
  if (status.ok && face != nullptr) status = check_colours(*face);
  return status;
}

// The fewest bytes an item of the element can take: in ASCII one character and one separator
// per number (a list at least its count), in binary the sizes of its values (a list at least its
// count). An item is taken as one byte at least, so that no count exceeds the file's size.
std::uint64_t smallest_item(const PlyElement& element, PlyFormat format) {
  std::uint64_t bytes = 0;
  for (const PlyProperty& property : element.properties) {
    if (format == PlyFormat::kAscii) {
      bytes += 2;
    } else {
      bytes += ply_type_size(property.is_list ? property.count_type : property.type);
    }
  }
  return bytes == 0 ? 1 : bytes;
}

ReadStatus check_counts_fit(std::uint64_t file_size, const PlyHeader& header) {
  // The last ASCII number of the file needs no separator after it.
  const std::uint64_t available =
      file_size - header.data_offset + (header.format == PlyFormat::kAscii ? 1 : 0);
  std::uint64_t needed = 0;
  for (const PlyElement& element : header.elements) {
    const std::uint64_t item = smallest_item(element, header.format);
    if (element.count > (available - needed) / item) {
      std::ostringstream why;
      why << "the PLY header announces";
      const char* separator = " ";
      for (const PlyElement& announced : header.elements) {
        why << separator << announced.count << " \"" << announced.name << "\"";
        separator = ", ";
      }
      why << ", more than the file's " << file_size << " bytes can hold";
      return ReadStatus::failure(why.str());
    }
    needed += element.count * item;
  }
  return ReadStatus{};
}

}  // namespace

std::size_t ply_type_size(PlyType type) {
  return names_of(type).size;
}

const char* ply_type_name(PlyType type) {
  return names_of(type).short_name;
}

bool begins_with_ply_magic(std::string_view text) {
  const std::size_t mark = byte_order_mark_length(text);
  return text.compare(mark, 4, "ply\n") == 0 || text.compare(mark, 4, "ply\r") == 0;
}

bool is_vertex_element(const PlyElement& element) {
  return element.name == "vertex" || element.name == "vertices";
}

bool is_face_element(const PlyElement& element) {
  return element.name == "face" || element.name == "faces";
}

ReadStatus parse_ply_header(std::string_view beginning, std::uint64_t file_size,
                            PlyHeader& header) {
  header = PlyHeader{};
  if (!begins_with_ply_magic(beginning)) {
    return ReadStatus::failure("not a PLY file (no ply line)");
  }
  ReadStatus status = parse_lines(beginning, header);
  if (status.ok) status = check_elements(header);
  if (status.ok) status = check_counts_fit(file_size, header);
  return status;
}

}  // namespace meshprobe
