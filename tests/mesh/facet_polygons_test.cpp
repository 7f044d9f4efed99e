// Listing a mesh's facets as index polygons gives back what it was built from: facet order,
// corner order and the starting corner, for triangles, quadrilaterals and mixed meshes.
#include <gtest/gtest.h>

#include "mesh/facet_polygons.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

TEST(FacetPolygons, ReturnThePolygonsTheMeshWasBuiltFrom) {
  const std::vector<std::vector<Polygon>> cases = {
      {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}},
      {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}},
  };
  const std::vector<std::vector<Vec3f>> points = {
      {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}},
      {{-1, -1, -1},
       {1, -1, -1},
       {1, 1, -1},
       {-1, 1, -1},
       {-1, -1, 1},
       {1, -1, 1},
       {1, 1, 1},
       {-1, 1, 1}},
  };
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const auto mesh = testing::make_mesh(points[k], cases[k]);
    EXPECT_EQ(facet_polygons(*mesh), cases[k]) << k;
  }
}

TEST(FacetPolygons, NumberVerticesByListPlaceIncludingUnusedOnes) {
  // Vertex 1 belongs to no facet; a pentagon next to a triangle, starting at various corners.
  const std::vector<Polygon> polygons = {{3, 5, 4, 2, 0}, {6, 4, 5}};
  const auto mesh = testing::make_mesh(
      {{0, 0, 0}, {9, 9, 9}, {2, 0, 0}, {0, 2, 0}, {2, 2, 0}, {1, 3, 0}, {3, 3, 0}}, polygons);
  EXPECT_EQ(facet_polygons(*mesh), polygons);
  EXPECT_TRUE(facet_polygons(Mesh()).empty());
}

}  // namespace
}  // namespace meshprobe
