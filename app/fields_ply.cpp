#include "app/fields_ply.h"

#include <cstdint>
#include <cstring>

#include "io/atomic_file.h"
#include "viz/color_scale.h"
#include "viz/scalar_surface.h"

namespace meshprobe {

namespace {

// Facets of more corners than a one-byte count can hold switch the count to a 4-byte integer.
constexpr std::size_t kMaxByteCount = 255;

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

void write_header(std::FILE* out, std::size_t vertices, std::size_t facets, double top,
                  bool wide_counts) {
  std::fprintf(out,
               "ply\n"
               "format binary_little_endian 1.0\n"
               "comment meshprobe-fields roughness map; colours: viridis over roughness 0 to "
               "%.9g (99th percentile), values above clamped\n"
               "element vertex %zu\n"
               "property float x\n"
               "property float y\n"
               "property float z\n"
               "property float roughness\n"
               "property float kmin\n"
               "property float kmax\n"
               "property float local_curvature\n"
               "property float quality\n"
               "property uchar red\n"
               "property uchar green\n"
               "property uchar blue\n"
               "element face %zu\n"
               "property list %s int vertex_indices\n"
               "end_header\n",
               top, vertices, facets, wide_counts ? "int" : "uchar");
}

}  // namespace

bool write_fields_ply(const Mesh& mesh, const std::vector<Vec3f>& input_points,
                      const RoughnessResult& result, const std::string& path) {
  if (input_points.size() != mesh.size_of_vertices()) return false;
  const ScalarSurface surface = roughness_surface(mesh, result.roughness);
  const RoughnessFields& fields = result.fields;
  const ValueRange range = roughness_range(surface.values);
  bool wide_counts = false;
  for (const Polygon& polygon : surface.polygons)
    wide_counts = wide_counts || polygon.size() > kMaxByteCount;

  AtomicFile file(path);
  if (!file.is_open()) return false;
  std::FILE* out = file.stream();
  write_header(out, input_points.size(), surface.polygons.size(), range.high, wide_counts);
  LittleEndian record;
  bool ok = true;
  // The curvature fields are doubles; the file holds them rounded to float.
  for (std::size_t i = 0; i < input_points.size(); ++i) {
    const Vec3f& p = input_points[i];
    const float roughness = result.roughness[i];
    record.f32(p.x);
    record.f32(p.y);
    record.f32(p.z);
    record.f32(roughness);
    record.f32(static_cast<float>(fields.kmin[i]));
    record.f32(static_cast<float>(fields.kmax[i]));
    record.f32(static_cast<float>(fields.local_curvature[i]));
    record.f32(roughness);
    const Rgb8 colour = colour_of(roughness, range);
    record.byte(colour.r);
    record.byte(colour.g);
    record.byte(colour.b);
    ok = record.flush(out) && ok;
  }
  for (const Polygon& polygon : surface.polygons) {
    const auto count = static_cast<std::uint32_t>(polygon.size());
    if (wide_counts) {
      record.u32(count);
    } else {
      record.byte(static_cast<std::uint8_t>(count));
    }
    for (std::uint32_t corner : polygon)
      record.u32(corner);
    ok = record.flush(out) && ok;
  }
  return ok && file.commit();
}

}  // namespace meshprobe
