#include "tests/support/ply_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>

namespace meshprobe::testing {

namespace {

class PlyWriter {
 public:
  explicit PlyWriter(PlyEncoding encoding) : encoding_(encoding) {}

  // Appends one value of a PLY type: as text, each value followed by a space, or as bytes.
  void put(const std::string& type, double value) {
    if (encoding_ == PlyEncoding::kAscii) {
      char text[64];
      if (type == "float") {
        std::snprintf(text, sizeof text, "%.9g ", static_cast<double>(static_cast<float>(value)));
      } else if (type == "double") {
        std::snprintf(text, sizeof text, "%.17g ", value);
      } else {
        std::snprintf(text, sizeof text, "%lld ", static_cast<long long>(value));
      }
      data_ += text;
      return;
    }
    if (type == "float") {
      const float f = static_cast<float>(value);
      std::uint32_t bits;
      std::memcpy(&bits, &f, 4);
      put_bytes(bits, 4);
    } else if (type == "double") {
      std::uint64_t bits;
      std::memcpy(&bits, &value, 8);
      put_bytes(bits, 8);
    } else if (type == "uchar" || type == "char") {
      put_bytes(static_cast<std::uint64_t>(static_cast<std::int64_t>(value)), 1);
    } else if (type == "ushort" || type == "short") {
      put_bytes(static_cast<std::uint64_t>(static_cast<std::int64_t>(value)), 2);
    } else if (type == "uint" || type == "int") {
      put_bytes(static_cast<std::uint64_t>(static_cast<std::int64_t>(value)), 4);
    } else {
      ADD_FAILURE() << "no such PLY type in the test writer: " << type;
    }
  }

  void end_item() {
    if (encoding_ == PlyEncoding::kAscii) data_.back() = '\n';
  }

  const std::string& data() const { return data_; }

 private:
  void put_bytes(std::uint64_t bits, int size) {
    for (int k = 0; k < size; ++k) {
      const int shift = encoding_ == PlyEncoding::kBigEndian ? 8 * (size - 1 - k) : 8 * k;
      data_.push_back(static_cast<char>((bits >> shift) & 0xff));
    }
  }

  PlyEncoding encoding_;
  std::string data_;
};

const char* format_name(PlyEncoding encoding) {
  switch (encoding) {
    case PlyEncoding::kAscii:
      return "ascii";
    case PlyEncoding::kLittleEndian:
      return "binary_little_endian";
    case PlyEncoding::kBigEndian:
      return "binary_big_endian";
  }
  return "";
}

}  // namespace

std::string ply_file(PlyEncoding encoding, const std::vector<Vec3f>& points,
                     const std::vector<std::vector<std::int64_t>>& faces, const PlyLayout& layout) {
  std::string header = "ply\nformat " + std::string(format_name(encoding)) + " 1.0\n";
  header += "comment written by the meshprobe tests\n";
  header += "element vertex " + std::to_string(points.size()) + "\n";
  const std::string& ct = layout.coordinate_type;
  header += "property " + ct + " x\nproperty " + ct + " y\nproperty " + ct + " z\n";
  if (layout.normals) header += "property float nx\nproperty float ny\nproperty float nz\n";
  if (layout.colours) header += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
  if (layout.extra_elements) {
    header += "element material 2\nproperty float shininess\nproperty list uchar ushort name\n";
  }
  header += "element face " + std::to_string(faces.size()) + "\n";
  header += "property list " + layout.count_type + " " + layout.index_type + " " +
            layout.index_name + "\n";
  if (layout.extra_elements)
    header += "element edge 1\nproperty int vertex1\nproperty int vertex2\n";
  header += "end_header\n";

  PlyWriter writer(encoding);
  for (std::size_t v = 0; v < points.size(); ++v) {
    writer.put(ct, points[v].x);
    writer.put(ct, points[v].y);
    writer.put(ct, points[v].z);
    if (layout.normals) {
      for (double n : {0.0, 0.6, 0.8})
        writer.put("float", n);
    }
    if (layout.colours) {
      for (double c : {255.0, 128.0, static_cast<double>(v % 256)})
        writer.put("uchar", c);
    }
    writer.end_item();
  }
  if (layout.extra_elements) {
    for (int m = 0; m < 2; ++m) {
      writer.put("float", 0.25 * m);
      writer.put("uchar", 3);
      for (double letter : {'m', 'a', 't'})
        writer.put("ushort", letter);
      writer.end_item();
    }
  }
  for (const auto& face : faces) {
    writer.put(layout.count_type, static_cast<double>(face.size()));
    for (std::int64_t index : face)
      writer.put(layout.index_type, static_cast<double>(index));
    writer.end_item();
  }
  if (layout.extra_elements) {
    writer.put("int", 0);
    writer.put("int", 1);
    writer.end_item();
  }
  return header + writer.data();
}

void off_lists(const std::string& off, std::vector<Vec3f>& points,
               std::vector<std::vector<std::int64_t>>& faces) {
  std::istringstream in(off);
  std::string keyword;
  std::size_t vertex_count = 0;
  std::size_t face_count = 0;
  std::size_t edge_count = 0;
  in >> keyword >> vertex_count >> face_count >> edge_count;
  ASSERT_EQ(keyword, "OFF");
  points.clear();
  faces.clear();
  for (std::size_t v = 0; v < vertex_count; ++v) {
    double x, y, z;
    in >> x >> y >> z;
    points.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
  }
  for (std::size_t f = 0; f < face_count; ++f) {
    std::size_t corners = 0;
    in >> corners;
    std::vector<std::int64_t> face(corners);
    for (std::int64_t& index : face)
      in >> index;
    faces.push_back(face);
  }
  ASSERT_FALSE(in.fail()) << "not a plain ASCII OFF text";
}

}  // namespace meshprobe::testing
