#include "io/surface_from_lists.h"

#include <cstddef>
#include <numeric>
#include <string>
#include <utility>

#include "mesh/tolerant_builder.h"

namespace meshprobe {

ReadStatus names_a_vertex_twice(std::uint64_t facet, std::uint64_t vertex) {
  return ReadStatus::failure("facet " + std::to_string(facet) + " names vertex " +
                             std::to_string(vertex) + " twice");
}

ReadStatus number_as_mesh(std::vector<Vec3f>& points, FacetList& facets, UnusedVertices unused,
                          FileLayout& layout, bool keep_lists) {
  if (unused == UnusedVertices::kDrop) {
    std::size_t vertex = 0;
    const std::size_t repeating = find_facet_repeating_a_vertex(facets, points.size(), vertex);
    if (repeating < facets.size()) {
      return names_a_vertex_twice(repeating, vertex);
    }
  }
  layout.vertices_in_file = points.size();
  layout.facets_in_file = facets.size();
  if (keep_lists) {
    layout.points = points;
    layout.facets = facets;
  }
  if (unused == UnusedVertices::kDrop) {
    layout.mesh_vertex = drop_unused_vertices(points, facets);
  } else {
    layout.mesh_vertex.resize(points.size());
    std::iota(layout.mesh_vertex.begin(), layout.mesh_vertex.end(), VertexIndex{0});
  }
  return ReadStatus{};
}

ReadStatus build_from_file_lists(std::vector<Vec3f>& points, FacetList& facets,
                                 UnusedVertices unused, Mesh& mesh, FileLayout& layout,
                                 bool keep_lists) {
  const ReadStatus numbered = number_as_mesh(points, facets, unused, layout, keep_lists);
  if (!numbered.ok) return numbered;
  const LeftOutFacets left_out = build_leaving_out_unfit_facets(mesh, points, facets);
  // The lists are in the mesh now; their memory goes back before the caller goes on.
  points = std::vector<Vec3f>();
  facets = FacetList();
  ReadStatus status;
  status.facets_left_out = left_out.count;
  status.first_left_out = left_out.first;
  return status;
}

}  // namespace meshprobe
