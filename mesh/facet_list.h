// Facets as lists of vertex indices laid end to end, the form in which the readers hand a file's
// facets to the builder; the renumbering that drops the vertices no facet names; and the search
// for a facet that names one vertex twice, which no surface can hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "mesh/mesh.h"

namespace meshprobe {

// A vertex index as the lists and the mesh hold it (the mesh numbers its vertices in 32 bits).
using VertexIndex = std::uint32_t;
// Readers refuse files of more vertices; the largest value marks a vertex left out of a mesh.
constexpr std::size_t kMaxVertices = std::numeric_limits<VertexIndex>::max();

// Facet f has the corners corners[starts[f], starts[f + 1]), in the order written, which fixes
// its orientation. Corners are vertex indices counted from 0. Four bytes a corner, as in a
// binary file, so that the lists of a file take no more memory than its bytes.
struct FacetList {
  std::vector<VertexIndex> corners;
  std::vector<std::size_t> starts{0};

  std::size_t size() const { return starts.size() - 1; }
  std::size_t degree(std::size_t f) const { return starts[f + 1] - starts[f]; }
  // Closes the facet made of the corners appended since the last call.
  void end_facet() { starts.push_back(corners.size()); }
};

// Removes from `points` every vertex that no facet names, keeping the others in their order, and
// renumbers the corners to match. Every corner must be smaller than points.size(). Returns, per
// vertex of the old list, its place in the new one or kMaxVertices when it was removed.
std::vector<VertexIndex> drop_unused_vertices(std::vector<Vec3f>& points, FacetList& facets);

// Returns the first facet, in list order, that names some vertex more than once, and sets
// `vertex` to that vertex; returns facets.size() when there is none. Every corner must be smaller
// than vertex_count. Time is proportional to the number of corners.
std::size_t find_facet_repeating_a_vertex(const FacetList& facets, std::size_t vertex_count,
                                          std::size_t& vertex);

}  // namespace meshprobe
