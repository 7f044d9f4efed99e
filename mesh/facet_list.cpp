#include "mesh/facet_list.h"

#include <limits>

namespace meshprobe {

std::vector<VertexIndex> drop_unused_vertices(std::vector<Vec3f>& points, FacetList& facets) {
  constexpr auto kUnused = static_cast<VertexIndex>(kMaxVertices);
  std::vector<VertexIndex> new_index(points.size(), kUnused);
  for (VertexIndex corner : facets.corners)
    new_index[corner] = 0;
  // Kept vertices are numbered in their old order, so the survivors keep the file's order.
  VertexIndex kept = 0;
  for (std::size_t v = 0; v < points.size(); ++v) {
    if (new_index[v] == kUnused) continue;
    new_index[v] = kept;
    points[kept++] = points[v];
  }
  points.resize(kept);
  points.shrink_to_fit();
  for (VertexIndex& corner : facets.corners)
    corner = new_index[corner];
  return new_index;
}

std::size_t find_facet_repeating_a_vertex(const FacetList& facets, std::size_t vertex_count,
                                          std::size_t& vertex) {
  // Per vertex, 1 + the last facet that named it: a second naming within one facet finds its own
  // number there.
  std::vector<std::size_t> last_facet_naming(vertex_count, 0);
  for (std::size_t f = 0; f < facets.size(); ++f) {
    for (std::size_t i = facets.starts[f]; i < facets.starts[f + 1]; ++i) {
      const std::size_t v = facets.corners[i];
      if (last_facet_naming[v] == f + 1) {
        vertex = v;
        return f;
      }
      last_facet_naming[v] = f + 1;
    }
  }
  return facets.size();
}

}  // namespace meshprobe
