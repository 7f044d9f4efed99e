// Builds a Mesh from points and facets through CGAL's incremental builder, leaving out every
// facet that the surface cannot hold next to the facets before it: one that would give an edge a
// third facet, close a vertex's fan while another sheet touches the vertex, or join two fans at a
// vertex. Real scans and crude decimations hold a few such facets; the rest still makes a surface.
#pragma once

#include <cstddef>
#include <vector>

#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

struct LeftOutFacets {
  std::size_t count = 0;
  std::size_t first = 0;  // the first facet left out, in list order; 0 when none was
};

// Appends to the empty `mesh` every point, in order and whether or not a facet uses it, then the
// facets in order, each with its corners as listed. A facet is added only when the builder's
// test_facet accepts it, so that add_facet never links a fan it cannot hold; when every facet
// fits, the builder sees exactly the calls of a plain build. Every corner must be smaller than
// points.size(); facets with fewer than 3 corners or a repeated vertex are left out. A vertex
// whose facets were all left out stays, without halfedge. The builder stays silent.
LeftOutFacets build_leaving_out_unfit_facets(Mesh& mesh, const std::vector<Vec3f>& points,
                                             const FacetList& facets);

}  // namespace meshprobe
