#include "io/mesh_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>
#include <vector>

#include "io/file_window.h"
#include "io/obj_reader.h"
#include "io/off_reader.h"
#include "io/ply_header.h"
#include "io/ply_reader.h"
#include "io/stl_reader.h"
#include "io/surface_from_lists.h"
#include "io/whole_file.h"
#include "mesh/mesh_properties.h"

namespace meshprobe {

namespace {
constexpr std::size_t kStlBinaryHeader = 84;
}  // namespace

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

bool reads_as_obj(const std::string& path) {
  std::string ending = path.size() < 3 ? path : path.substr(path.size() - 3);
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ending == "obj";
}

MeshFormat choose_format(const std::string& path, const std::string& content) {
  if (reads_as_obj(path)) return MeshFormat::kObj;
  if (begins_with_ply_magic(content)) return MeshFormat::kPly;
  if (looks_like_stl(content)) return MeshFormat::kStl;
  if (begins_with_off_keyword(content)) return MeshFormat::kOff;
  // Neither: a binary STL file whose size contradicts its count (cut short, say) is refused as
  // such; a file too short for the STL header as not an OFF file.
  return content.size() >= kStlBinaryHeader ? MeshFormat::kStl : MeshFormat::kOff;
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

ReadStatus read_mesh_content(MeshFormat format, const std::string& content, Mesh& mesh,
                             FileLayout& layout, bool keep_lists) {
  layout = FileLayout{};
  layout.format = format;
  FileLists lists;
  const ReadStatus status = read_lists(format, content, lists);
  if (!status.ok) return status;
  return build_and_check(format, lists, mesh, layout, keep_lists);
}

ReadStatus read_mesh_lists(const std::string& path, FileLists& lists, FileLayout& layout,
                           bool keep_lists) {
  layout = FileLayout{};
  lists = FileLists{};
  std::string content;
  ReadStatus status = read_file_bytes(path, content);
  if (!status.ok) return status;
  layout.format = choose_format(path, content);
  status = read_lists(layout.format, content, lists);
  if (!status.ok) return status;
  content = std::string();
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
  // The format as choose_format chooses it, as far as the first bytes tell it; a file that
  // would be read as OFF, or as STL for want of any other format, is left to the whole reading.
  MeshFormat format = MeshFormat::kOff;
  if (reads_as_obj(path)) {
    format = MeshFormat::kObj;
  } else if (begins_with_ply_magic(file.view(0, std::min<std::size_t>(file.size(), 8)))) {
    format = MeshFormat::kPly;
  } else if (looks_like_stl(file)) {
    format = MeshFormat::kStl;
  } else {
    return ReadStatus{};
  }
  const bool obj = format == MeshFormat::kObj;
  status = lists.facets.create();
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
  layout.format = format;
  lists.facet_unfit_alone = facets.unfit_alone();
  if (status.ok) status = facets.number_as_mesh(lists, layout);
  if (!status.ok) {
    lists = StoredLists{};
    layout = FileLayout{};
    layout.format = format;
  }
  return status;
}

ReadStatus read_mesh_file(const std::string& path, Mesh& mesh, FileLayout& layout,
                          bool keep_lists) {
  layout = FileLayout{};
  std::string content;
  ReadStatus status = read_file_bytes(path, content);
  if (!status.ok) return status;
  layout.format = choose_format(path, content);
  FileLists lists;
  status = read_lists(layout.format, content, lists);
  if (!status.ok) return status;
  // The bytes are parsed; their memory goes back before the surface is built.
  content = std::string();
  return build_and_check(layout.format, lists, mesh, layout, keep_lists);
}

}  // namespace meshprobe
