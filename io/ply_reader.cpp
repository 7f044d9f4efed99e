#include "io/ply_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "io/ply_header.h"
#include "io/ply_layout.h"

namespace meshprobe {

namespace {

// Hands out the values of the data in file order. The layout check has passed, so every value is
// present and, in ASCII, one token written as a number of its type.
class PlyValues {
 public:
  PlyValues(const FileWindow& content, const PlyHeader& header)
      : content_(content),
        position_(header.data_offset),
        ascii_(header.format == PlyFormat::kAscii),
        big_endian_(header.format == PlyFormat::kBinaryBigEndian) {}

  // An integer value of an integer type.
  std::int64_t integer(PlyType type) {
    if (ascii_) return std::strtoll(token(), nullptr, 10);
    const std::uint64_t bits = take_bits(ply_type_size(type));
    switch (type) {
      case PlyType::kInt8:
        return static_cast<std::int8_t>(bits);
      case PlyType::kInt16:
        return static_cast<std::int16_t>(bits);
      case PlyType::kInt32:
        return static_cast<std::int32_t>(bits);
      default:
        return static_cast<std::int64_t>(bits);
    }
  }

  // A coordinate: a float as written, a double rounded to float. False when the text is beyond
  // its type's range (strtof or strtod gives an infinity), which has always refused the file.
  bool coordinate(PlyType type, float& value) {
    if (type == PlyType::kFloat32) {
      if (ascii_) {
        value = std::strtof(token(), nullptr);
        return value != HUGE_VALF && value != -HUGE_VALF;
      }
      const auto bits = static_cast<std::uint32_t>(take_bits(4));
      std::memcpy(&value, &bits, 4);
      return true;
    }
    double wide = 0.0;
    if (ascii_) {
      wide = std::strtod(token(), nullptr);
      if (wide == HUGE_VAL || wide == -HUGE_VAL) return false;
    } else {
      const std::uint64_t bits = take_bits(8);
      std::memcpy(&wide, &bits, 8);
    }
    value = static_cast<float>(wide);
    return true;
  }

  // Whether a list of `entries` values of the type can lie in what is left of the data: the
  // layout check made sure of it, unless the file has changed since.
  bool holds(std::uint64_t entries, PlyType type) const {
    const std::uint64_t left = position_ < content_.size() ? content_.size() - position_ : 0;
    return ascii_ ? entries <= (left + 1) / 2 : entries <= left / ply_type_size(type);
  }

  void skip(PlyType type) {
    if (ascii_) {
      token();
    } else {
      position_ += ply_type_size(type);
    }
  }

 private:
  static bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

  // The next token, terminated in a scratch copy for strtof and its kin.
  const char* token() {
    while (is_blank(content_[position_]))
      ++position_;
    const std::size_t start = position_;
    while (position_ < content_.size() && !is_blank(content_[position_]))
      ++position_;
    scratch_.assign(content_.view(start, position_ - start));
    return scratch_.c_str();
  }

  std::uint64_t take_bits(std::size_t size) {
    std::uint64_t bits = 0;
    for (std::size_t k = 0; k < size; ++k) {
      const std::size_t byte = big_endian_ ? k : size - 1 - k;
      bits = (bits << 8) | static_cast<unsigned char>(content_[position_ + byte]);
    }
    position_ += size;
    return bits;
  }

  const FileWindow& content_;
  std::size_t position_;
  bool ascii_;
  bool big_endian_;
  std::string scratch_;
};

// The property named `name` first, as the header check looks properties up.
int property_place(const PlyElement& element, const char* name) {
  for (std::size_t k = 0; k < element.properties.size(); ++k) {
    if (element.properties[k].name == name) return static_cast<int>(k);
  }
  return -1;
}

// The face list the header check accepted: vertex_indices before vertex_index, of int or uint.
int index_list_place(const PlyElement& face) {
  for (const char* name : {"vertex_indices", "vertex_index"}) {
    const int k = property_place(face, name);
    if (k >= 0 && face.properties[static_cast<std::size_t>(k)].is_list &&
        (face.properties[static_cast<std::size_t>(k)].type == PlyType::kInt32 ||
         face.properties[static_cast<std::size_t>(k)].type == PlyType::kUint32)) {
      return k;
    }
  }
  return -1;
}

std::uint64_t vertex_count(const PlyHeader& header) {
  for (const PlyElement& element : header.elements) {
    if (is_vertex_element(element)) return element.count;
  }
  return 0;
}

// One walk over the data. With `facets` null only the face lists' lengths are summed into
// `corners`, so that the lists can be sized exactly before the walk that fills them.
ReadStatus walk_data(const FileWindow& content, const PlyHeader& header, std::vector<Vec3f>* points,
                     FacetSink* facets, std::uint64_t& corners) {
  const std::uint64_t vertices = vertex_count(header);
  PlyValues values(content, header);
  std::vector<VertexIndex> facet_corners;
  corners = 0;
  std::uint64_t facet = 0;
  for (const PlyElement& element : header.elements) {
    const bool is_vertex = is_vertex_element(element) && points != nullptr;
    const bool is_face = is_face_element(element);
    const int xyz[3] = {property_place(element, "x"), property_place(element, "y"),
                        property_place(element, "z")};
    const int list = is_face ? index_list_place(element) : -1;
    for (std::uint64_t item = 0; item < element.count; ++item) {
      Vec3f point;
      for (std::size_t k = 0; k < element.properties.size(); ++k) {
        const PlyProperty& property = element.properties[k];
        if (!property.is_list) {
          float* target = !is_vertex                      ? nullptr
                          : static_cast<int>(k) == xyz[0] ? &point.x
                          : static_cast<int>(k) == xyz[1] ? &point.y
                          : static_cast<int>(k) == xyz[2] ? &point.z
                                                          : nullptr;
          if (target == nullptr) {
            values.skip(property.type);
          } else if (!values.coordinate(property.type, *target)) {
            return ReadStatus::failure("PLY " + element.name + " " + std::to_string(item) +
                                       ", property " + property.name +
                                       ": a number beyond the range of its type");
          }
          continue;
        }
        const auto entries = static_cast<std::uint64_t>(values.integer(property.count_type));
        if (!values.holds(entries, property.type)) {
          return ReadStatus::failure("the file changed while it was read");
        }
        if (static_cast<int>(k) != list) {
          for (std::uint64_t e = 0; e < entries; ++e)
            values.skip(property.type);
          continue;
        }
        corners += entries;
        if (facets == nullptr) {
          for (std::uint64_t e = 0; e < entries; ++e)
            values.skip(property.type);
          continue;
        }
        if (entries < 3) {
          return ReadStatus::failure("facet " + std::to_string(facet) + " has " +
                                     std::to_string(entries) + " corners, at least 3 are needed");
        }
        facet_corners.clear();
        for (std::uint64_t e = 0; e < entries; ++e) {
          const std::int64_t index = values.integer(property.type);
          if (index < 0 || static_cast<std::uint64_t>(index) >= vertices) {
            return ReadStatus::failure("facet " + std::to_string(facet) + " names vertex " +
                                       std::to_string(index) + ", but the file holds " +
                                       std::to_string(vertices) + " vertices");
          }
          facet_corners.push_back(static_cast<VertexIndex>(index));
        }
        facets->add(facet_corners.data(), facet_corners.size(), 0);
        ++facet;
      }
      if (is_vertex) points->push_back(point);
    }
  }
  return ReadStatus{};
}

}  // namespace

ReadStatus read_ply(const FileWindow& file, std::vector<Vec3f>& points, FacetSink& facets) {
  // The header is looked for in the file's first megabyte, and only a header longer than that
  // has the whole file held to be read.
  constexpr std::size_t kHeaderBytes = std::size_t{1} << 20;
  const std::string_view beginning = file.view(0, std::min(file.size(), kHeaderBytes));
  PlyHeader header;
  ReadStatus status = parse_ply_header(beginning, file.size(), header);
  if (beginning.size() < file.size() && (!status.ok || header.data_offset >= beginning.size())) {
    status = file.hold_everything();
    if (status.ok) status = parse_ply_header(file.view(0, file.size()), file.size(), header);
  }
  if (status.ok) status = check_ply_data(file, header);
  if (!status.ok) return file.unless_changed(status);
  const std::uint64_t vertices = vertex_count(header);
  if (vertices > kMaxVertices) {
    return ReadStatus::failure("the PLY file holds " + std::to_string(vertices) +
                               " vertices, more than a mesh can number");
  }
  std::uint64_t corners = 0;
  if (facets.in_memory()) {
    walk_data(file, header, nullptr, nullptr, corners);
    std::uint64_t face_count = 0;
    for (const PlyElement& element : header.elements) {
      if (is_face_element(element) && index_list_place(element) >= 0) face_count = element.count;
    }
    // Both sizes are bounded by the file's size, which the checks above have compared them with.
    facets.reserve(face_count, corners);
  }
  points.reserve(static_cast<std::size_t>(vertices));
  facets.expect_vertices(static_cast<std::size_t>(vertices));
  status = walk_data(file, header, &points, &facets, corners);
  if (status.ok) status = facets.status();
  return file.unless_changed(status);
}

}  // namespace meshprobe
