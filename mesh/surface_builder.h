// CGAL's incremental builder with a facet test whose time does not grow with the square of the
// facet's corner count. The builder's own test_facet first compares every pair of corners, which
// took 15 s for one face of 300,000 corners; can_take leaves that search out and keeps the
// remaining checks of test_facet, in its order and with its answers.
#pragma once

#include <CGAL/Polyhedron_incremental_builder_3.h>

#include <cstddef>

#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

class SurfaceBuilder : public CGAL::Polyhedron_incremental_builder_3<HDS> {
 public:
  using Base = CGAL::Polyhedron_incremental_builder_3<HDS>;
  using Base::Base;

  // test_facet for the corners [first, last) (vertex indices of this build), which must be at
  // least 3 and name no vertex twice: false when adding the facet would give an edge a third
  // facet, join a vertex whose fan of facets is already closed, or leave a vertex's fans in an
  // order the surface cannot hold. Takes time proportional to the corners and to the number of
  // halfedges around each corner's vertex.
  bool can_take(const VertexIndex* first, const VertexIndex* last);

 private:
  Halfedge_handle edge_at(std::size_t index) { return get_vertex_to_edge_map(index); }
  Vertex_handle vertex_at(std::size_t index) { return index_to_vertex_map[index]; }
};

}  // namespace meshprobe
