#include "io/ply_reader.h"

#include <CGAL/IO/PLY.h>
#include <CGAL/Simple_cartesian.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <vector>

#include "io/ply_header.h"
#include "io/ply_layout.h"
#include "io/surface_from_lists.h"
#include "io/whole_file.h"
#include "mesh/facet_list.h"

namespace meshprobe {

namespace {

// Points are read in double precision: CGAL's reader then takes coordinates declared float or
// double alike, where single-precision points would make it dereference a null pointer on a
// double coordinate. A float widened to double and narrowed back is unchanged.
using ReadPoint = CGAL::Simple_cartesian<double>::Point_3;
using ReadPolygon = std::vector<std::size_t>;

// The longest magic line, "ply" and CR LF.
constexpr std::size_t kMagicLength = 5;

// A corner as written: CGAL's reader widens a negative int index to a huge unsigned value.
std::string index_text(std::size_t index) {
  if (index > SIZE_MAX / 2) return std::to_string(static_cast<std::int64_t>(index));
  return std::to_string(index);
}

// Checks every facet's corners and lays the facets end to end.
ReadStatus collect_facets(const std::vector<ReadPolygon>& polygons, std::size_t vertex_count,
                          FacetList& facets) {
  for (std::size_t f = 0; f < polygons.size(); ++f) {
    const ReadPolygon& polygon = polygons[f];
    if (polygon.size() < 3) {
      return ReadStatus::failure("facet " + std::to_string(f) + " has " +
                                 std::to_string(polygon.size()) +
                                 " corners, at least 3 are needed");
    }
    for (std::size_t index : polygon) {
      if (index >= vertex_count) {
        return ReadStatus::failure("facet " + std::to_string(f) + " names vertex " +
                                   index_text(index) + ", but the file holds " +
                                   std::to_string(vertex_count) + " vertices");
      }
    }
    facets.corners.insert(facets.corners.end(), polygon.begin(), polygon.end());
    facets.end_facet();
  }
  return ReadStatus{};
}

}  // namespace

ReadStatus read_ply_content(const std::string& content, Mesh& mesh) {
  PlyHeader header;
  ReadStatus status = parse_ply_header(content, header);
  if (status.ok) status = check_ply_data(content, header);
  if (!status.ok) return status;

  std::vector<ReadPoint> read_points;
  std::vector<ReadPolygon> polygons;
  {
    std::istringstream in(content);
    // With the checks above passed, the reader fails only on a number its stream extraction
    // cannot represent, such as 1e39 for a float.
    if (!CGAL::IO::read_PLY(in, read_points, polygons, CGAL::parameters::verbose(false))) {
      return ReadStatus::failure(
          "invalid PLY data (a number beyond the range of its type, such as 1e39 for a float)");
    }
  }
  FacetList facets;
  status = collect_facets(polygons, read_points.size(), facets);
  if (!status.ok) return status;
  polygons = std::vector<ReadPolygon>();

  std::vector<Vec3f> points;
  points.reserve(read_points.size());
  for (const ReadPoint& p : read_points) {
    points.push_back(
        Vec3f{static_cast<float>(p.x()), static_cast<float>(p.y()), static_cast<float>(p.z())});
  }
  read_points = std::vector<ReadPoint>();
  return build_without_unused_vertices(points, facets, mesh);
}

ReadStatus read_ply_file(const std::string& path, Mesh& mesh) {
  return read_whole_file(path, mesh, read_ply_content);
}

bool file_begins_with_ply_magic(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  char start[kMagicLength] = {};
  file.read(start, kMagicLength);
  return begins_with_ply_magic(std::string(start, static_cast<std::size_t>(file.gcount())));
}

}  // namespace meshprobe
