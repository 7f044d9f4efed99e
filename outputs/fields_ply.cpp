#include "outputs/fields_ply.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "outputs/atomic_file.h"
#include "outputs/statistics_output.h"

namespace meshprobe {

namespace {

// Facets of more corners than a one-byte count can hold switch the count to a 4-byte integer.
constexpr std::size_t kMaxByteCount = 255;
// The colour of a vertex that no facet of the surface uses: it has no roughness.
constexpr Rgb8 kNotMeasured{160, 160, 160};
// The quality of such a vertex. MeshLab's quality filters stop on NaN, so it gets the bottom of
// every default colour range instead; its scalar_ fields keep NaN, which CloudCompare reads as
// "no value", and its grey colour tells it apart.
constexpr float kQualityNotMeasured = 0.0f;

// Appends values in little-endian byte order, whatever the host's order.
class LittleEndian {
 public:
  void byte(std::uint8_t value) { bytes_.push_back(value); }
  void u32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
      bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  void f32(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    u32(bits);
  }
  // Writes what was appended and starts over; false when the stream refused it.
  bool flush(std::FILE* out) {
    const bool ok = std::fwrite(bytes_.data(), 1, bytes_.size(), out) == bytes_.size();
    bytes_.clear();
    return ok;
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

// One float property per vertex of the file.
struct Property {
  std::string name;
  std::vector<float> values;
};

template <class T>
std::vector<float> as_floats(const std::vector<T>& values) {
  return std::vector<float>(values.begin(), values.end());
}

std::vector<Property> properties_of(const MeshMeasurement& m) {
  const bool several = m.epsilons.size() > 1;
  const auto name = [&](const char* field, const EpsilonMeasurement& e) {
    return std::string("scalar_") + field + (several ? "_eps" + e.epsilon.text : "");
  };
  std::vector<Property> properties;
  for (const EpsilonMeasurement& e : m.epsilons)
    properties.push_back({name("roughness", e), m.in_file_order(e.roughness)});
  // The curvature fields are doubles; the file holds them rounded to float.
  properties.push_back({"scalar_kmin", as_floats(m.in_file_order(m.kmin))});
  properties.push_back({"scalar_kmax", as_floats(m.in_file_order(m.kmax))});
  for (const EpsilonMeasurement& e : m.epsilons) {
    properties.push_back(
        {name("local_curvature", e), as_floats(m.in_file_order(e.fields.local_curvature))});
  }
  std::vector<float> quality = properties.front().values;
  for (float& value : quality) {
    if (std::isnan(value)) value = kQualityNotMeasured;
  }
  properties.push_back({"quality", std::move(quality)});
  return properties;
}

// The mesh's name as a header comment holds it: a header is read line by line, so a line end in
// a name would end the comment and start a line of the header's own (a forged element, say).
// Control characters are written as C escapes (\n, \t, \x1b); every other byte is kept.
std::string header_text(const std::string& name) {
  std::string text;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      text += c;
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == '\r') {
      text += "\\r";
    } else if (c == '\t') {
      text += "\\t";
    } else {
      static const char kDigits[] = "0123456789abcdef";
      text += "\\x";
      text += kDigits[byte >> 4];
      text += kDigits[byte & 0xf];
    }
  }
  return text;
}

}  // namespace

bool write_fields_ply(const MeshMeasurement& m, const ValueRange& range, const std::string& path) {
  const std::vector<Property> properties = properties_of(m);
  const FacetList& facets = m.file_facets;
  bool wide_counts = false;
  for (std::size_t f = 0; f < facets.size(); ++f)
    wide_counts = wide_counts || facets.degree(f) > kMaxByteCount;

  AtomicFile file(path);
  if (!file.is_open()) return false;
  std::FILE* out = file.stream();
  const std::string length = m.length_given ? ", length " + shortest_float_text(m.length) : "";
  std::fprintf(out,
               "ply\nformat binary_little_endian 1.0\n"
               "comment meshprobe roughness map of %s, epsilon %s%s\n"
               "comment colours: viridis over roughness %.9g to %.9g, values outside clamped, "
               "grey where not measured\n"
               "element vertex %zu\nproperty float x\nproperty float y\nproperty float z\n",
               header_text(m.path).c_str(), m.epsilons.front().epsilon.text.c_str(), length.c_str(),
               range.low, range.high, m.file_points.size());
  for (const Property& property : properties)
    std::fprintf(out, "property float %s\n", property.name.c_str());
  std::fprintf(out,
               "property uchar red\nproperty uchar green\nproperty uchar blue\n"
               "element face %zu\nproperty list %s int vertex_indices\nend_header\n",
               facets.size(), wide_counts ? "int" : "uchar");

  LittleEndian record;
  bool ok = true;
  // Colours follow the first epsilon's roughness, NaN (grey) where not measured.
  const std::vector<float>& roughness = properties.front().values;
  for (std::size_t i = 0; i < m.file_points.size(); ++i) {
    const Vec3f& p = m.file_points[i];
    record.f32(p.x);
    record.f32(p.y);
    record.f32(p.z);
    for (const Property& property : properties)
      record.f32(property.values[i]);
    const Rgb8 colour = std::isnan(roughness[i]) ? kNotMeasured : colour_of(roughness[i], range);
    record.byte(colour.r);
    record.byte(colour.g);
    record.byte(colour.b);
    ok = record.flush(out) && ok;
  }
  for (std::size_t f = 0; f < facets.size(); ++f) {
    const auto count = static_cast<std::uint32_t>(facets.degree(f));
    if (wide_counts) {
      record.u32(count);
    } else {
      record.byte(static_cast<std::uint8_t>(count));
    }
    for (std::size_t k = facets.starts[f]; k < facets.starts[f + 1]; ++k)
      record.u32(static_cast<std::uint32_t>(facets.corners[k]));
    ok = record.flush(out) && ok;
  }
  return ok && file.commit();
}

}  // namespace meshprobe
