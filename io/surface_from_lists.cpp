#include "io/surface_from_lists.h"

#include <cstddef>
#include <string>

#include "mesh/tolerant_builder.h"

namespace meshprobe {

ReadStatus build_without_unused_vertices(std::vector<Vec3f>& points, FacetList& facets,
                                         Mesh& mesh) {
  std::size_t vertex = 0;
  const std::size_t repeating = find_facet_repeating_a_vertex(facets, points.size(), vertex);
  if (repeating < facets.size()) {
    return ReadStatus::failure("facet " + std::to_string(repeating) + " names vertex " +
                               std::to_string(vertex) + " twice");
  }
  drop_unused_vertices(points, facets);
  const LeftOutFacets left_out = build_leaving_out_unfit_facets(mesh, points, facets);
  ReadStatus status;
  status.facets_left_out = left_out.count;
  status.first_left_out = left_out.first;
  return status;
}

}  // namespace meshprobe
