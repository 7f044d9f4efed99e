// Builds a Mesh through CGAL's incremental builder from points and facets, leaving out each facet
// the surface cannot hold next to the facets before it (a third facet on an edge, two fans meeting
// at a vertex): points and facets in, the mesh and the count and first of the facets left out out.
#pragma once

#include <CGAL/Modifier_base.h>

#include <cstddef>
#include <vector>

#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

struct LeftOutFacets {
  std::size_t count = 0;
  std::size_t first = 0;  // the first facet left out, in list order; 0 when none was
};

// The modifier that appends every point to the empty halfedge data structure, in order, used or
// not, then each facet in order with its corners as listed, when the builder's facet test accepts
// it (add_facet alone would link some fans it cannot hold); if all fit, the builder sees exactly a
// plain build's calls. Facets marked in `excluded` are left out as well. The builder stays silent.
class FacetListBuilder : public CGAL::Modifier_base<HDS> {
 public:
  FacetListBuilder(const std::vector<Vec3f>& points, const FacetList& facets,
                   const std::vector<bool>& excluded)
      : points_(points), facets_(facets), excluded_(excluded) {}

  void operator()(HDS& hds) override;

  const LeftOutFacets& left_out() const { return left_out_; }
  // The facet whose add_facet failed although the facet test accepted it, or facets.size() after a
  // complete build.
  std::size_t refused() const { return refused_; }

 private:
  const std::vector<Vec3f>& points_;
  const FacetList& facets_;
  const std::vector<bool>& excluded_;
  LeftOutFacets left_out_;
  std::size_t refused_ = facets_.size();
};

// Builds the points and facets into the empty `mesh` with a `Builder` (FacetListBuilder or a
// reader's own kind of it). Corners must be below points.size(); facets of fewer than 3 corners
// or a repeated vertex are left out. A vertex whose facets were all left out stays, without
// halfedge.
template <class Builder = FacetListBuilder>
LeftOutFacets build_leaving_out_unfit_facets(Mesh& mesh, const std::vector<Vec3f>& points,
                                             const FacetList& facets) {
  // Facets that add_facet refused after the facet test accepted them. No input known to us gets
  // here; each round excludes one more facet, so the loop ends.
  std::vector<bool> excluded(facets.size(), false);
  for (;;) {
    Builder builder(points, facets, excluded);
    mesh.delegate(builder);
    if (builder.refused() == facets.size()) return builder.left_out();
    mesh.clear();
    excluded[builder.refused()] = true;
  }
}

}  // namespace meshprobe
