#include "io/mesh_file.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "io/file_window.h"
#include "io/gzip_input.h"
#include "io/obj_reader.h"
#include "io/off_reader.h"
#include "io/ply_reader.h"
#include "io/scratch_file.h"
#include "io/stl_reader.h"
#include "io/whole_file.h"
#include "mesh/mesh_properties.h"

namespace meshprobe {

const char* format_name(MeshFormat format) {
  switch (format) {
    case MeshFormat::kObj:
      return "obj";
    case MeshFormat::kPly:
      return "ply";
    case MeshFormat::kStl:
      return "stl";
    case MeshFormat::kOff:
      break;
  }
  return "off";
}

namespace {

ReadStatus no_facet() {
  // Only vertices of facets are measured: without a facet every value would be a bare zero.
  return ReadStatus::failure(
      "no facet could be measured (the mesh holds none, or the surface could hold none of them)");
}

ReadStatus not_finite(std::size_t index) {
  return ReadStatus::failure("vertex " + std::to_string(index) +
                             " has a coordinate that is not a finite number");
}

ReadStatus check_extent(float extent) {
  if (!(extent > 0.0f)) {
    return ReadStatus::failure("all vertices lie at one point (the bounding box has no extent)");
  }
  // Normalisation divides by the extent. The centre of a box of finite bounds is always finite
  // (bounding_box_centre halves before adding where the sum would overflow).
  if (!std::isfinite(extent)) {
    return ReadStatus::failure(
        "the vertices lie too far apart for single precision (the bounding box's size is not a "
        "finite number)");
  }
  return ReadStatus{};
}

bool is_finite(const Vec3f& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

ReadStatus check_geometry(Mesh& mesh) {
  if (mesh.size_of_vertices() == 0) return ReadStatus::failure("the mesh holds no vertex");
  if (mesh.size_of_facets() == 0) return no_facet();
  std::size_t index = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v, ++index) {
    if (!is_finite(to_vec3f(v->point()))) return not_finite(index);
  }
  return check_extent(bounding_box_extent(mesh));
}

ReadStatus check_list_geometry(const std::vector<Vec3f>& points, std::size_t facets) {
  if (points.empty()) return ReadStatus::failure("the mesh holds no vertex");
  if (facets == 0) return no_facet();
  for (std::size_t index = 0; index < points.size(); ++index) {
    if (!is_finite(points[index])) return not_finite(index);
  }
  return check_extent(normalisation_of(points, 0.0f).extent);
}

namespace {

// A file of vertices and no facet, such as a scanner's point cloud, has no surface to measure.
ReadStatus point_cloud(std::size_t vertices) {
  return ReadStatus::failure("the file holds " + std::to_string(vertices) +
                             (vertices == 1 ? " vertex" : " vertices") +
                             " and no facet: roughness needs a surface");
}

// The choice for the bytes of `file`, from its first bytes, or from all of them where those do
// not tell (an OFF keyword after long comments, or no format at all).
ReadStatus choose(const std::string& name, const FileWindow& file, bool inside_gzip,
                  FormatChoice& choice) {
  choice = choose_format(name, file.view(0, std::min(file.size(), kFormatHeadBytes)), file.size(),
                         inside_gzip);
  if (choice.kind != FormatChoice::Kind::kUndecided) return ReadStatus{};
  const ReadStatus held = file.hold_everything();
  if (!held.ok) return held;
  choice = choose_format(name, file.view(0, file.size()), file.size(), inside_gzip);
  return ReadStatus{};
}

ReadStatus read_format(MeshFormat format, const FileWindow& file, std::vector<Vec3f>& points,
                       FacetSink& facets) {
  switch (format) {
    case MeshFormat::kObj:
      return read_obj(file, points, facets);
    case MeshFormat::kPly:
      return read_ply(file, points, facets);
    case MeshFormat::kStl:
      return read_stl(file, points, facets);
    case MeshFormat::kOff:
      break;
  }
  return read_off(file, points, facets);
}

ReadStatus read_opened(const std::string& path, FileWindow& file, std::vector<Vec3f>& points,
                       FacetSink& facets, MeshFormat& format) {
  FormatChoice choice;
  ReadStatus status = choose(path, file, false, choice);
  if (!status.ok) return status;
  FileWindow inside;
  const FileWindow* read = &file;
  if (choice.kind == FormatChoice::Kind::kGzip) {
    if (facets.in_memory()) {
      std::string bytes;
      status = gunzip_into(file, bytes);
      inside.hold(std::move(bytes));
    } else {
      // Passes need the bytes at any offset, and memory may not hold them.
      ScratchFile scratch;
      status = gunzip_into(file, scratch);
      if (status.ok) status = inside.open(scratch);
    }
    if (!status.ok) return status;
    status = choose(without_gzip_ending(path), inside, true, choice);
    if (!status.ok) return status;
    read = &inside;
  }
  if (choice.kind == FormatChoice::Kind::kRefused) return ReadStatus::failure(choice.refusal);
  format = choice.format;
  status = read_format(format, *read, points, facets);
  if (status.ok && facets.size() == 0 && !points.empty()) status = point_cloud(points.size());
  return status;
}

ReadStatus build_and_check(MeshFormat format, std::vector<Vec3f>& points, FacetsInMemory& facets,
                           Mesh& mesh, FileLayout& layout, bool keep_lists) {
  ReadStatus status = build_from_file_lists(points, facets.list, unused_vertices_of(format), mesh,
                                            layout, keep_lists);
  if (status.ok && status.facets_left_out > 0 && !facets.lines.empty()) {
    status.first_left_out_line = facets.lines[status.first_left_out];
  }
  if (status.ok) {
    const ReadStatus geometry = check_geometry(mesh);
    if (!geometry.ok) status = geometry;
  }
  if (!status.ok) {
    mesh.clear();
    layout = FileLayout{};
    layout.format = format;
  }
  return status;
}

}  // namespace

UnusedVertices unused_vertices_of(MeshFormat format) {
  return format == MeshFormat::kObj || format == MeshFormat::kStl ? UnusedVertices::kKeep
                                                                  : UnusedVertices::kDrop;
}

ReadStatus read_mesh_lists(const std::string& path, std::vector<Vec3f>& points, FacetSink& facets,
                           MeshFormat& format) {
  points = std::vector<Vec3f>();
  // A sink that cannot keep a facet (no scratch file) is said so before the file is read.
  ReadStatus status = facets.status();
  if (!status.ok) return status;
  FileWindow file;
  bool regular = false;
  status = file.open(path, regular);
  if (status.ok && !regular) {
    // A FIFO or a pipe is read once, so its bytes are held whole; a folder or a device is
    // refused by that reading.
    std::string bytes;
    status = read_file_bytes(path, bytes);
    file.hold(std::move(bytes));
  }
  if (status.ok) status = read_opened(path, file, points, facets, format);
  if (!status.ok) points = std::vector<Vec3f>();
  return status;
}

ReadStatus read_mesh_file(const std::string& path, Mesh& mesh, FileLayout& layout,
                          bool keep_lists) {
  layout = FileLayout{};
  std::vector<Vec3f> points;
  FacetsInMemory facets;
  const ReadStatus status = read_mesh_lists(path, points, facets, layout.format);
  if (!status.ok) return status;
  return build_and_check(layout.format, points, facets, mesh, layout, keep_lists);
}

}  // namespace meshprobe
