// Builds a Mesh through CGAL's incremental builder from points and facets, leaving out each facet
// the surface cannot hold next to the facets before it (a third facet on an edge, two fans meeting
// at a vertex): points and facets in, the mesh and the count and first of the facets left out out.
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

// Appends every point to the empty `mesh`, in order, used or not, then each facet in order with
// its corners as listed, when the builder's test_facet accepts it (add_facet alone would link some
// fans it cannot hold); if all fit, the builder sees exactly a plain build's calls. Corners must
// be below points.size(); facets of fewer than 3 corners or a repeated vertex are left out. A
// vertex whose facets were all left out stays, without halfedge. The builder stays silent.
LeftOutFacets build_leaving_out_unfit_facets(Mesh& mesh, const std::vector<Vec3f>& points,
                                             const FacetList& facets);

}  // namespace meshprobe
