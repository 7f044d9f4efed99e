#include "tests/support/ply_file.h"

#include <cstdint>
#include <cstring>
#include <sstream>

namespace meshprobe::testing {

namespace {

int size_of(const std::string& type) {
  if (type == "char" || type == "uchar" || type == "int8" || type == "uint8") return 1;
  if (type == "short" || type == "ushort") return 2;
  if (type == "int" || type == "uint" || type == "float") return 4;
  if (type == "double") return 8;
  return 0;
}

// Reads one little-endian value of `type` at `at`, advancing it.
double read_value(const std::string& bytes, std::size_t& at, const std::string& type) {
  const int size = size_of(type);
  std::uint64_t bits = 0;
  for (int k = 0; k < size; ++k)
    bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + k])) << (8 * k);
  at += static_cast<std::size_t>(size);
  if (type == "float") {
    const auto narrow = static_cast<std::uint32_t>(bits);
    float value;
    std::memcpy(&value, &narrow, sizeof value);
    return value;
  }
  if (type == "double") {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  if (type == "char" || type == "int8") return static_cast<std::int8_t>(bits);
  if (type == "short") return static_cast<std::int16_t>(bits);
  if (type == "int") return static_cast<std::int32_t>(bits);
  return static_cast<double>(bits);
}

}  // namespace

int PlyElement::property(const std::string& property_name) const {
  for (std::size_t i = 0; i < properties.size(); ++i) {
    if (properties[i].name == property_name) return static_cast<int>(i);
  }
  return -1;
}

const PlyElement* PlyFile::element(const std::string& element_name) const {
  for (const PlyElement& e : elements) {
    if (e.name == element_name) return &e;
  }
  return nullptr;
}

bool read_binary_ply(const std::string& bytes, PlyFile& ply, std::string& error) {
  const std::string end = "end_header\n";
  const std::size_t end_at = bytes.find(end);
  if (bytes.rfind("ply\n", 0) != 0 || end_at == std::string::npos) {
    error = "no PLY header";
    return false;
  }
  ply = PlyFile{};
  ply.header = bytes.substr(0, end_at + end.size());
  std::istringstream lines(ply.header);
  bool format_seen = false;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string keyword;
    words >> keyword;
    if (keyword == "format") {
      std::string format, version;
      words >> format >> version;
      if (format != "binary_little_endian" || version != "1.0") {
        error = "unexpected format: " + line;
        return false;
      }
      format_seen = true;
    } else if (keyword == "element") {
      PlyElement element;
      words >> element.name >> element.count;
      ply.elements.push_back(element);
    } else if (keyword == "property") {
      if (ply.elements.empty()) {
        error = "property before any element";
        return false;
      }
      PlyProperty property;
      std::string type;
      words >> type;
      if (type == "list") {
        words >> property.count_type >> property.type;
        if (size_of(property.count_type) == 0) {
          error = "unknown type in: " + line;
          return false;
        }
      } else {
        property.type = type;
      }
      words >> property.name;
      if (size_of(property.type) == 0) {
        error = "unknown type in: " + line;
        return false;
      }
      ply.elements.back().properties.push_back(property);
    }
  }
  if (!format_seen) {
    error = "no format line";
    return false;
  }
  std::size_t at = ply.header.size();
  for (PlyElement& element : ply.elements) {
    for (std::size_t r = 0; r < element.count; ++r) {
      std::vector<std::vector<double>> record;
      for (const PlyProperty& property : element.properties) {
        std::size_t count = 1;
        if (!property.count_type.empty()) {
          if (at + size_of(property.count_type) > bytes.size()) {
            error = "data ends early in element " + element.name;
            return false;
          }
          count = static_cast<std::size_t>(read_value(bytes, at, property.count_type));
        }
        if (at + count * size_of(property.type) > bytes.size()) {
          error = "data ends early in element " + element.name;
          return false;
        }
        std::vector<double> values;
        for (std::size_t k = 0; k < count; ++k)
          values.push_back(read_value(bytes, at, property.type));
        record.push_back(std::move(values));
      }
      element.records.push_back(std::move(record));
    }
  }
  if (at != bytes.size()) {
    error = std::to_string(bytes.size() - at) + " bytes follow the last element";
    return false;
  }
  return true;
}

}  // namespace meshprobe::testing
