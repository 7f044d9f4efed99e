// Builds a Mesh through CGAL's incremental builder from points and facets, leaving out each facet
// the surface cannot hold (a third facet on an edge, two fans meeting at a vertex): points and
// facets in, the mesh and the count and first of the facets left out out. Which facets are left
// out does not depend on the order of the facets in the list.
#pragma once

#include <CGAL/Modifier_base.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

struct LeftOutFacets {
  std::size_t count = 0;
  std::size_t first = 0;  // the first facet left out, in list order; 0 when none was
};

// The modifier that appends every point to the empty halfedge data structure, in order, used or
// not, then each facet with its corners as listed, in list order or in the order given, when the
// builder's facet test accepts it next to the facets before it (add_facet alone would link some
// fans it cannot hold); if all fit in list order, the builder sees exactly a plain build's calls.
// Facets marked in `excluded` are left out as well. The builder stays silent.
class FacetListBuilder : public CGAL::Modifier_base<HDS> {
 public:
  FacetListBuilder(const std::vector<Vec3f>& points, const FacetList& facets,
                   const std::vector<bool>& excluded, const std::vector<std::size_t>* order)
      : points_(points), facets_(facets), excluded_(excluded), order_(order) {}

  void operator()(HDS& hds) override;

  const LeftOutFacets& left_out() const { return left_out_; }
  // Per facet, whether it was left out.
  const std::vector<bool>& left_out_marks() const { return marks_; }
  // The facet whose add_facet failed although the facet test accepted it, or facets.size() after a
  // complete build.
  std::size_t refused() const { return refused_; }

 private:
  const std::vector<Vec3f>& points_;
  const FacetList& facets_;
  const std::vector<bool>& excluded_;
  const std::vector<std::size_t>* order_;
  LeftOutFacets left_out_;
  std::vector<bool> marks_;
  std::size_t refused_ = facets_.size();
};

// The facets sorted by their geometry alone: each facet's corners are read from its smallest
// corner on (by position, then vertex index) in their written order, and facets compare by those
// positions, then by their number of corners, then by those vertex indices. Facets still equal
// name the same vertices in the same cycle and keep their list order.
std::vector<std::size_t> facets_by_geometry(const std::vector<Vec3f>& points,
                                            const FacetList& facets);

namespace detail {

// Builds with the facets in `order` (list order when null), leaving out the excluded ones and
// those the surface cannot hold; marks in `excluded` the facets that add_facet refused.
template <class Builder>
Builder build_in_order(Mesh& mesh, const std::vector<Vec3f>& points, const FacetList& facets,
                       const std::vector<std::size_t>* order, std::vector<bool>& excluded) {
  // Facets that add_facet refused after the facet test accepted them. No input known to us gets
  // here; each round excludes one more facet, so the loop ends.
  for (;;) {
    Builder builder(points, facets, excluded, order);
    mesh.delegate(builder);
    if (builder.refused() == facets.size()) return builder;
    mesh.clear();
    excluded[builder.refused()] = true;
  }
}

}  // namespace detail

// How the facets went into a mesh: per facet whether it was left out, and the order in which the
// others were added (empty: list order). A part of the mesh built from its facets in that order,
// without those left out, gets the same halfedges around every vertex whose facets it all has.
struct FacetPlan {
  std::vector<bool> left_out;
  std::vector<std::size_t> order;
};

// Builds the points and facets into the empty `mesh` with a `Builder` (FacetListBuilder or a
// reader's own kind of it). Corners must be below points.size(); facets of fewer than 3 corners
// or a repeated vertex are left out. A vertex whose facets were all left out stays, without
// halfedge.
//
// When every facet fits, they are built in list order. Otherwise the facets to leave out are
// those that a build in the order of facets_by_geometry leaves out, so that the same facets in
// another order lose the same ones; the others are then built in list order, or, should that
// order not take them all, in the geometric order. With `plan`, says which way that was.
template <class Builder = FacetListBuilder>
LeftOutFacets build_leaving_out_unfit_facets(Mesh& mesh, const std::vector<Vec3f>& points,
                                             const FacetList& facets, FacetPlan* plan = nullptr) {
  std::vector<bool> excluded(facets.size(), false);
  const auto planned = [plan](const Builder& builder, std::vector<std::size_t> order) {
    if (plan != nullptr) {
      plan->left_out = builder.left_out_marks();
      plan->order = std::move(order);
    }
    return builder.left_out();
  };
  const Builder whole = detail::build_in_order<Builder>(mesh, points, facets, nullptr, excluded);
  if (whole.left_out().count == 0) return planned(whole, {});
  mesh.clear();

  const std::vector<std::size_t> order = facets_by_geometry(points, facets);
  excluded.assign(facets.size(), false);
  std::vector<bool> unfit =
      detail::build_in_order<Builder>(mesh, points, facets, &order, excluded).left_out_marks();
  mesh.clear();
  std::vector<bool> kept_in_list_order = unfit;
  const Builder kept =
      detail::build_in_order<Builder>(mesh, points, facets, nullptr, kept_in_list_order);
  if (kept_in_list_order == unfit &&
      kept.left_out().count ==
          static_cast<std::size_t>(std::count(unfit.begin(), unfit.end(), true))) {
    return planned(kept, {});
  }
  mesh.clear();
  return planned(detail::build_in_order<Builder>(mesh, points, facets, &order, unfit), order);
}

}  // namespace meshprobe
