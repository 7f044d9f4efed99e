// Building with the facets that fit: which facets are left out, what stays of the others and of
// their vertices, and the renumbering and checks the readers apply before building.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "mesh/facet_list.h"
#include "mesh/polygon_builder.h"
#include "mesh/tolerant_builder.h"
#include "tests/support/mesh_checks.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

using testing::canonical;
using testing::canonical_cycles;
using testing::Cycle;

FacetList facet_list(const std::vector<Cycle>& cycles) {
  FacetList facets;
  for (const Cycle& cycle : cycles) {
    facets.corners.insert(facets.corners.end(), cycle.begin(), cycle.end());
    facets.end_facet();
  }
  return facets;
}

const std::vector<Vec3f> kSevenPoints = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1},
                                         {1, 1, 0}, {1, 0, 1}, {0, 1, 1}};

std::size_t vertices_without_neighbours(const Mesh& mesh) {
  std::size_t count = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    count += v->halfedge() == Mesh::Halfedge_const_handle();
  return count;
}

TEST(TolerantBuilder, FacetsThatAllFitGiveTheSameMeshAsAPlainBuild) {
  const std::vector<Cycle> cube = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                   {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
  const std::vector<Vec3f> points = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                     {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
  Mesh tolerant;
  const LeftOutFacets left_out = build_leaving_out_unfit_facets(tolerant, points, facet_list(cube));
  EXPECT_EQ(left_out.count, 0u);
  const auto plain = testing::cube();
  EXPECT_EQ(testing::facet_cycles(tolerant), testing::facet_cycles(*plain));
  EXPECT_EQ(testing::points_of(tolerant), testing::points_of(*plain));
  EXPECT_TRUE(tolerant.is_closed());
}

TEST(TolerantBuilder, LeavesOutFacetsTheSurfaceCannotHoldAndKeepsTheirVertices) {
  struct Case {
    const char* what;
    std::vector<Cycle> facets;
    std::vector<Cycle> kept;
    std::size_t left_out;
    std::size_t first;
    std::size_t without_neighbours;
  };
  const std::vector<Case> cases = {
      // Tried by their corners' positions: 1 0 3, then 1 0 2 (its halfedge 1-0 is taken),
      // 0 1 3 (closing a pillow), 0 1 2 (a third facet on the edge 0-1).
      {"a third facet on the edge 0-1, and a facet using the halfedge 1-0 again",
       {{0, 1, 2}, {1, 0, 3}, {0, 1, 3}, {1, 0, 2}},
       {{0, 3, 1}, {0, 1, 3}},
       2,
       0,
       4},
      {"a facet touching a closed fan from outside",
       {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}, {0, 4, 5}},
       {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}},
       1,
       4,
       3},
      {"a facet closing the fan of vertex 5 that another sheet touches",
       {{2, 0, 1, 5}, {6, 4, 2}, {1, 2, 4, 5, 6}, {5, 4, 6}},
       {{0, 1, 5, 2}, {2, 6, 4}, {1, 2, 4, 5, 6}},
       1,
       3,
       1},
      {"a facet of two corners and one naming a vertex twice",
       {{0, 1}, {0, 1, 2}, {2, 1, 3, 1}},
       {{0, 1, 2}},
       2,
       0,
       4},
  };
  for (const Case& c : cases) {
    Mesh mesh;
    const LeftOutFacets left_out =
        build_leaving_out_unfit_facets(mesh, kSevenPoints, facet_list(c.facets));
    EXPECT_EQ(left_out.count, c.left_out) << c.what;
    EXPECT_EQ(left_out.first, c.first) << c.what;
    EXPECT_EQ(canonical_cycles(mesh), c.kept) << c.what;
    EXPECT_EQ(testing::points_of(mesh), kSevenPoints) << c.what;
    EXPECT_EQ(vertices_without_neighbours(mesh), c.without_neighbours) << c.what;
    EXPECT_EQ(testing::broken_link(mesh), "") << c.what;
  }
}

TEST(TolerantBuilder, RandomFacetsKeepTheirOrderAndWhatIsKeptBuildsByItself) {
  // Facets of 3 to 5 distinct random corners over 7 vertices. Whatever the builder keeps must be
  // the facets given, in order and orientation, less those it reports; the kept ones given alone
  // must build whole; and a facet it left out, added back to the kept ones, must not fit there.
  std::mt19937 random(7);
  std::uniform_int_distribution<int> facet_count(1, 8);
  std::uniform_int_distribution<std::size_t> degree(3, 5);
  int with_left_out = 0;
  for (int round = 0; round < 2000; ++round) {
    std::vector<Cycle> given;
    const int count = facet_count(random);
    for (int f = 0; f < count; ++f) {
      Cycle facet = {0, 1, 2, 3, 4, 5, 6};
      std::shuffle(facet.begin(), facet.end(), random);
      facet.resize(degree(random));
      given.push_back(facet);
    }
    Mesh mesh;
    const LeftOutFacets left_out =
        build_leaving_out_unfit_facets(mesh, kSevenPoints, facet_list(given));
    ASSERT_EQ(testing::broken_link(mesh), "");
    ASSERT_EQ(mesh.size_of_vertices(), 7u);
    const std::vector<Cycle> built = canonical_cycles(mesh);
    std::vector<Cycle> kept;
    std::vector<std::size_t> missing;
    for (std::size_t f = 0; f < given.size(); ++f) {
      if (kept.size() < built.size() && built[kept.size()] == canonical(given[f])) {
        kept.push_back(given[f]);
      } else {
        missing.push_back(f);
      }
    }
    ASSERT_EQ(kept.size(), built.size()) << "the mesh holds a facet not given in that order";
    ASSERT_EQ(left_out.count, missing.size());
    std::vector<Polygon> polygons;
    for (const Cycle& facet : kept)
      polygons.emplace_back(facet.begin(), facet.end());
    Mesh alone;
    ASSERT_TRUE(build_from_polygons(alone, kSevenPoints, polygons));
    if (missing.empty()) continue;
    ++with_left_out;
    ASSERT_EQ(left_out.first, missing[0]);
    polygons.emplace_back(given[missing[0]].begin(), given[missing[0]].end());
    // The first facet left out did not fit after the facets kept before it, so it cannot fit
    // after all kept facets either.
    Mesh with_first;
    EXPECT_FALSE(build_from_polygons(with_first, kSevenPoints, polygons));
  }
  EXPECT_GT(with_left_out, 500);
}

TEST(FacetList, DroppingUnusedVerticesKeepsTheOrderOfTheOthers) {
  std::vector<Vec3f> points = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}};
  FacetList facets = facet_list({{5, 1, 3}, {3, 1, 4}});
  drop_unused_vertices(points, facets);
  EXPECT_EQ(points, (std::vector<Vec3f>{{1, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}}));
  EXPECT_EQ(facets.corners, (std::vector<VertexIndex>{3, 0, 1, 1, 0, 2}));
  EXPECT_EQ(facets.starts, (std::vector<std::size_t>{0, 3, 6}));

  std::vector<Vec3f> no_facets = {{1, 2, 3}};
  FacetList none;
  drop_unused_vertices(no_facets, none);
  EXPECT_TRUE(no_facets.empty());
}

TEST(FacetList, FindsTheFirstFacetNamingAVertexTwice) {
  std::size_t vertex = 99;
  EXPECT_EQ(find_facet_repeating_a_vertex(facet_list({{0, 1, 2}, {2, 1, 0}}), 3, vertex), 2u);
  EXPECT_EQ(vertex, 99u);
  EXPECT_EQ(
      find_facet_repeating_a_vertex(facet_list({{0, 1, 2}, {1, 2, 3, 2}, {0, 0, 1}}), 4, vertex),
      1u);
  EXPECT_EQ(vertex, 2u);
  EXPECT_EQ(find_facet_repeating_a_vertex(facet_list({{0, 1, 2}, {3, 1, 2}, {2, 3, 3}}), 4, vertex),
            2u);
  EXPECT_EQ(vertex, 3u);
}

}  // namespace
}  // namespace meshprobe
