// The facets a tiled run keeps in a scratch file come back in every pass as they went in: facets
// spanning many of a pass's buffers, a facet larger than a buffer between small ones, none at all.
// A pass over facets not yet written out fails instead of handing out other bytes.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "io/facet_store.h"

namespace meshprobe {
namespace {

struct StoreCase {
  const char* name;
  std::size_t triangles_before;
  std::size_t large_degree;  // 0: no large facet
  std::size_t triangles_after;
};

void PrintTo(const StoreCase& c, std::ostream* os) {
  *os << c.name;
}

FacetList facets_of(const StoreCase& c) {
  FacetList facets;
  VertexIndex next = 0;
  const auto add = [&](std::size_t degree) {
    for (std::size_t k = 0; k < degree; ++k)
      facets.corners.push_back(next++ % 1000003);
    facets.end_facet();
  };
  for (std::size_t f = 0; f < c.triangles_before; ++f)
    add(3 + f % 3);
  if (c.large_degree > 0) add(c.large_degree);
  for (std::size_t f = 0; f < c.triangles_after; ++f)
    add(3);
  return facets;
}

class FacetStorePasses : public ::testing::TestWithParam<StoreCase> {};

TEST_P(FacetStorePasses, HandEveryFacetBackInOrder) {
  const FacetList facets = facets_of(GetParam());
  FacetStore store;
  ASSERT_TRUE(store.create().ok);
  for (std::size_t f = 0; f < facets.size(); ++f)
    ASSERT_TRUE(store.add(facets.corners.data() + facets.starts[f], facets.degree(f)).ok);
  ASSERT_TRUE(store.finish_adding().ok);
  ASSERT_EQ(store.size(), facets.size());
  // Twice: a pass leaves the store as it found it.
  for (int pass = 0; pass < 2; ++pass) {
    std::size_t seen = 0;
    bool same = true;
    const ReadStatus status =
        store.for_each([&](std::size_t f, const VertexIndex* corners, std::size_t degree) {
          same = same && f == seen && degree == facets.degree(f) &&
                 std::equal(corners, corners + degree, facets.corners.begin() + facets.starts[f]);
          ++seen;
        });
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_EQ(seen, facets.size());
    EXPECT_TRUE(same);
  }
  FacetList loaded;
  ASSERT_TRUE(store.load(loaded).ok);
  EXPECT_EQ(loaded.corners, facets.corners);
  EXPECT_EQ(loaded.starts, facets.starts);
}

INSTANTIATE_TEST_SUITE_P(
    Facets, FacetStorePasses,
    ::testing::Values(StoreCase{"none", 0, 0, 0}, StoreCase{"many_buffers", 300000, 0, 0},
                      StoreCase{"larger_than_a_buffer", 100000, 700000, 100000},
                      StoreCase{"large_alone", 0, 300000, 0}),
    [](const ::testing::TestParamInfo<StoreCase>& c) { return std::string(c.param.name); });

TEST(FacetStore, APassBeforeTheAddingEndsFails) {
  FacetStore store;
  ASSERT_TRUE(store.create().ok);
  const VertexIndex triangle[] = {0, 1, 2};
  ASSERT_TRUE(store.add(triangle, 3).ok);
  std::size_t seen = 0;
  const ReadStatus status =
      store.for_each([&](std::size_t, const VertexIndex*, std::size_t) { ++seen; });
  EXPECT_FALSE(status.ok);
  EXPECT_EQ(seen, 0u);
}

}  // namespace
}  // namespace meshprobe
