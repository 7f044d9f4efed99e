#include "mesh/surface_builder.h"

namespace meshprobe {

// The checks and their loops follow test_facet_indices of CGAL 5.5. Halfedges around a vertex
// are those pointing to it, visited by h -> h.next.opposite; a vertex without halfedge has no
// facet yet and constrains nothing.
bool SurfaceBuilder::can_take(const VertexIndex* first, const VertexIndex* last) {
  const auto n = static_cast<std::size_t>(last - first);
  if (n < 3) return false;
  const auto corner = [first, n](std::size_t i) { return first[i % n]; };

  // An edge of the facet that already borders a facet on this side.
  for (std::size_t i = 0; i < n; ++i) {
    Halfedge_handle h = edge_at(corner(i));
    const Vertex_handle w = vertex_at(corner(i + 1));
    if (h == Halfedge_handle() || edge_at(corner(i + 1)) == Halfedge_handle()) continue;
    const Halfedge_handle start = h;
    do {
      h = h->next()->opposite();
    } while (h->next()->vertex() != w && h != start);
    if (h->next()->vertex() == w && !h->next()->is_border()) return false;
  }

  // A corner whose vertex is surrounded by facets already.
  for (std::size_t i = 0; i < n; ++i) {
    Halfedge_handle h = edge_at(corner(i));
    if (h == Halfedge_handle()) continue;
    const Halfedge_handle start = h;
    do {
      h = h->next()->opposite();
    } while (!h->is_border() && h != start);
    if (!h->is_border()) return false;
  }

  // At each corner, the border halfedges from the previous corner and to the next one must be
  // able to become consecutive: no facet around the vertex may separate them.
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t previous_index = corner(i + n - 1);
    const std::size_t next_index = corner(i + 1);
    Halfedge_handle h = edge_at(corner(i));
    if (h == Halfedge_handle() || edge_at(previous_index) == Halfedge_handle() ||
        edge_at(next_index) == Halfedge_handle()) {
      continue;
    }
    const Vertex_handle previous_vertex = vertex_at(previous_index);
    const Vertex_handle next_vertex = vertex_at(next_index);
    const Halfedge_handle start = h;
    Halfedge_handle previous;
    do {
      if (h->opposite()->vertex() == previous_vertex) {
        previous = h;
        break;
      }
      h = h->next()->opposite();
    } while (h != start);
    if (previous == Halfedge_handle()) continue;
    h = h->next()->opposite();
    if (h->opposite()->vertex() == next_vertex) continue;
    Halfedge_handle next;
    do {
      if (h->opposite()->vertex() == next_vertex) {
        next = h->opposite();
        break;
      }
      h = h->next()->opposite();
    } while (h != previous);
    if (next == Halfedge_handle()) continue;
    do {
      h = h->next()->opposite();
      if (h->opposite()->is_border()) break;
    } while (h != previous);
    if (h == previous) return false;
  }
  return true;
}

}  // namespace meshprobe
