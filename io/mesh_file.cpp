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
#include "io/stl_reader.h"
#include "io/surface_from_lists.h"
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

ReadStatus read_lists(MeshFormat format, const std::string& content, FileLists& lists) {
  switch (format) {
    case MeshFormat::kObj:
      return read_obj_lists(content, lists.points, lists.facets, lists.face_lines);
    case MeshFormat::kPly:
      return read_ply_lists(content, lists.points, lists.facets);
    case MeshFormat::kStl:
      return read_stl_lists(content, lists.points, lists.facets);
    case MeshFormat::kOff:
      break;
  }
  return read_off_lists(content, lists.points, lists.facets);
}

// OBJ and STL keep every vertex at its place; OFF and PLY drop those no facet names.
UnusedVertices unused_vertices_of(MeshFormat format) {
  return format == MeshFormat::kObj || format == MeshFormat::kStl ? UnusedVertices::kKeep
                                                                  : UnusedVertices::kDrop;
}

ReadStatus build_and_check(MeshFormat format, FileLists& lists, Mesh& mesh, FileLayout& layout,
                           bool keep_lists) {
  const UnusedVertices unused = unused_vertices_of(format);
  ReadStatus status =
      build_from_file_lists(lists.points, lists.facets, unused, mesh, layout, keep_lists);
  if (status.ok && status.facets_left_out > 0 && !lists.face_lines.empty()) {
    status.first_left_out_line = lists.face_lines[status.first_left_out];
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

namespace {

// A file of vertices and no facet, such as a scanner's point cloud, has no surface to measure.
ReadStatus point_cloud(std::size_t vertices) {
  return ReadStatus::failure("the file holds " + std::to_string(vertices) +
                             (vertices == 1 ? " vertex" : " vertices") +
                             " and no facet: roughness needs a surface");
}

// The file's bytes, decompressed when it is gzip, and the format to read them as.
ReadStatus read_content(const std::string& path, std::string& content, MeshFormat& format) {
  ReadStatus status = read_file_bytes(path, content);
  if (!status.ok) return status;
  FormatChoice choice = choose_format(path, content, content.size(), false);
  if (choice.kind == FormatChoice::Kind::kGzip) {
    std::string inside;
    status = gunzip_into(content, inside);
    // The compressed bytes go back before the decompressed ones are parsed.
    content = std::move(inside);
    if (!status.ok) return status;
    choice = choose_format(without_gzip_ending(path), content, content.size(), true);
  }
  if (choice.kind == FormatChoice::Kind::kRefused) return ReadStatus::failure(choice.refusal);
  format = choice.format;
  return ReadStatus{};
}

// The file's lists, as its reader gives them: every vertex and facet in file order.
ReadStatus read_file_lists(const std::string& path, FileLists& lists, MeshFormat& format) {
  std::string content;
  ReadStatus status = read_content(path, content, format);
  if (status.ok) status = read_lists(format, content, lists);
  if (status.ok && lists.facets.size() == 0 && !lists.points.empty()) {
    status = point_cloud(lists.points.size());
  }
  if (!status.ok) lists = FileLists{};
  return status;
}

// Reads a regular file in passes once its format is known and numbers its lists as the mesh
// does; `in_passes` false leaves it to the whole reading.
ReadStatus read_window_in_passes(const FileWindow& file, MeshFormat format, StoredLists& lists,
                                 FileLayout& layout, bool& in_passes) {
  const bool obj = format == MeshFormat::kObj;
  ReadStatus status = lists.facets.create();
  if (status.ok && obj) status = lists.face_lines.create();
  if (!status.ok) return status;
  StoredFacets facets(lists.facets);
  if (obj) {
    status = read_obj_in_passes(file, lists.points, facets, lists.face_lines);
  } else if (format == MeshFormat::kStl) {
    status = read_stl_in_passes(file, lists.points, facets);
  } else {
    bool header_read = false;
    status = read_ply_in_passes(file, lists.points, facets, header_read);
    if (!header_read) {
      lists = StoredLists{};
      return ReadStatus{};
    }
  }
  in_passes = true;
  lists.facet_unfit_alone = facets.unfit_alone();
  if (status.ok && lists.facets.size() == 0 && !lists.points.empty()) {
    status = point_cloud(lists.points.size());
  }
  layout.format = format;
  if (status.ok) status = facets.number_as_mesh(lists, layout);
  return status;
}

// Whether reading in passes reads a file of this choice; the others are read whole.
bool read_in_passes(const FormatChoice& choice) {
  return choice.kind == FormatChoice::Kind::kMesh && choice.format != MeshFormat::kOff;
}

}  // namespace

ReadStatus read_mesh_lists(const std::string& path, FileLists& lists, FileLayout& layout,
                           bool keep_lists) {
  layout = FileLayout{};
  lists = FileLists{};
  ReadStatus status = read_file_lists(path, lists, layout.format);
  if (!status.ok) return status;
  status = number_as_mesh(lists.points, lists.facets, unused_vertices_of(layout.format), layout,
                          keep_lists);
  if (!status.ok) {
    lists = FileLists{};
    const MeshFormat format = layout.format;
    layout = FileLayout{};
    layout.format = format;
  }
  return status;
}

ReadStatus read_mesh_in_passes(const std::string& path, StoredLists& lists, FileLayout& layout,
                               bool& in_passes) {
  layout = FileLayout{};
  lists = StoredLists{};
  in_passes = false;
  FileWindow file;
  bool regular = false;
  ReadStatus status = file.open(path, regular);
  if (!status.ok || !regular) return status;
  FormatChoice choice = choose_format(path, file.view(0, std::min(file.size(), kFormatHeadBytes)),
                                      file.size(), false);
  FileWindow inside;
  const FileWindow* read = &file;
  if (choice.kind == FormatChoice::Kind::kGzip) {
    // Passes need the bytes at any offset: they are decompressed into a scratch file first.
    ScratchFile scratch;
    status = gunzip_into(file, scratch);
    if (status.ok) status = inside.open(scratch);
    if (!status.ok) {
      in_passes = true;
      return status;
    }
    choice = choose_format(without_gzip_ending(path),
                           inside.view(0, std::min(inside.size(), kFormatHeadBytes)), inside.size(),
                           true);
    read = &inside;
  }
  if (!read_in_passes(choice)) return ReadStatus{};
  status = read_window_in_passes(*read, choice.format, lists, layout, in_passes);
  if (!status.ok) {
    lists = StoredLists{};
    layout = FileLayout{};
    layout.format = choice.format;
  }
  return status;
}

ReadStatus read_mesh_file(const std::string& path, Mesh& mesh, FileLayout& layout,
                          bool keep_lists) {
  layout = FileLayout{};
  FileLists lists;
  const ReadStatus status = read_file_lists(path, lists, layout.format);
  if (!status.ok) return status;
  return build_and_check(layout.format, lists, mesh, layout, keep_lists);
}

}  // namespace meshprobe
