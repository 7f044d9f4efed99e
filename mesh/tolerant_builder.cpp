#include "mesh/tolerant_builder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <tuple>

#include "mesh/surface_builder.h"

namespace meshprobe {

namespace {

// True when the corners [first, last) of facet `f` name some vertex twice. `marks` holds, per
// vertex, the last facet that named it, so the search is linear in the corners.
bool names_a_vertex_twice(const VertexIndex* first, const VertexIndex* last, std::size_t f,
                          std::vector<std::size_t>& marks) {
  for (const VertexIndex* c = first; c != last; ++c) {
    if (marks[*c] == f) return true;
    marks[*c] = f;
  }
  return false;
}

// The bits of a float as an unsigned number that orders every float, NaNs and both zeros
// included: positives above negatives, larger magnitudes further out.
std::uint32_t ordered_bits(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

// A corner compared by its position, then by its vertex index.
class CornerOrder {
 public:
  explicit CornerOrder(const std::vector<Vec3f>& points) : points_(points) {}

  bool position_less(VertexIndex a, VertexIndex b) const { return key(a) < key(b); }
  bool position_equal(VertexIndex a, VertexIndex b) const { return key(a) == key(b); }
  bool less(VertexIndex a, VertexIndex b) const {
    return std::make_tuple(key(a), a) < std::make_tuple(key(b), b);
  }

 private:
  std::tuple<std::uint32_t, std::uint32_t, std::uint32_t> key(VertexIndex v) const {
    const Vec3f& p = points_[v];
    return std::make_tuple(ordered_bits(p.x), ordered_bits(p.y), ordered_bits(p.z));
  }

  const std::vector<Vec3f>& points_;
};

}  // namespace

std::vector<std::size_t> facets_by_geometry(const std::vector<Vec3f>& points,
                                            const FacetList& facets) {
  const CornerOrder corners(points);
  // Where each facet's reading begins: its smallest corner.
  std::vector<std::size_t> first(facets.size(), 0);
  for (std::size_t f = 0; f < facets.size(); ++f) {
    const VertexIndex* c = facets.corners.data() + facets.starts[f];
    for (std::size_t k = 1; k < facets.degree(f); ++k) {
      if (corners.less(c[k], c[first[f]])) first[f] = k;
    }
  }
  const auto corner = [&](std::size_t f, std::size_t k) {
    return facets.corners[facets.starts[f] + (first[f] + k) % facets.degree(f)];
  };
  const auto geometry_less = [&](std::size_t a, std::size_t b) {
    const std::size_t shared = std::min(facets.degree(a), facets.degree(b));
    for (std::size_t k = 0; k < shared; ++k) {
      if (!corners.position_equal(corner(a, k), corner(b, k))) {
        return corners.position_less(corner(a, k), corner(b, k));
      }
    }
    if (facets.degree(a) != facets.degree(b)) return facets.degree(a) < facets.degree(b);
    for (std::size_t k = 0; k < shared; ++k) {
      if (corner(a, k) != corner(b, k)) return corner(a, k) < corner(b, k);
    }
    return false;
  };
  std::vector<std::size_t> order(facets.size());
  for (std::size_t f = 0; f < order.size(); ++f)
    order[f] = f;
  std::stable_sort(order.begin(), order.end(), geometry_less);
  return order;
}

void FacetListBuilder::operator()(HDS& hds) {
  SurfaceBuilder builder(hds, /*verbose=*/false);
  builder.begin_surface(points_.size(), facets_.size());
  for (const Vec3f& p : points_)
    builder.add_vertex(Point(p.x, p.y, p.z));
  std::vector<std::size_t> marks(points_.size(), std::numeric_limits<std::size_t>::max());
  marks_.assign(facets_.size(), false);
  for (std::size_t place = 0; place < facets_.size(); ++place) {
    const std::size_t f = order_ == nullptr ? place : (*order_)[place];
    const VertexIndex* first = facets_.corners.data() + facets_.starts[f];
    const VertexIndex* last = facets_.corners.data() + facets_.starts[f + 1];
    // can_take answers as the builder's test_facet does for facets that name no vertex twice,
    // in time linear in the corners rather than quadratic in them.
    if (excluded_[f] || names_a_vertex_twice(first, last, f, marks) ||
        !builder.can_take(first, last)) {
      if (left_out_.count++ == 0 || f < left_out_.first) left_out_.first = f;
      marks_[f] = true;
      continue;
    }
    builder.add_facet(first, last);
    if (builder.error()) {
      // add_facet refused a facet that can_take had accepted. Its partial links cannot be
      // undone one facet at a time, so the whole build is discarded and the caller builds
      // again without this facet.
      builder.rollback();
      refused_ = f;
      return;
    }
  }
  builder.end_surface();
}

}  // namespace meshprobe
