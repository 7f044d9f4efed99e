// The plan of a tiled run's geometry, on surfaces read as the runs read them: the cores share out
// the used vertices, a tile holds every facet of each core vertex, and a halo widened often
// enough reaches the whole mesh and then says it can grow no further.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "measure/tile_geometry.h"
#include "measure/tile_reading.h"
#include "tests/support/random_meshes.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

struct GeometryCase {
  const char* name;
  int columns;
  int rows;
  std::size_t tiles;
  bool every_tile_asked;
  float epsilon;
  std::size_t expected_tiles;  // 0: fewer than asked, at least 1
};

class TileGeometryOf : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(TileGeometryOf, SharesOutTheVerticesAndHoldsEachCoresFacets) {
  const GeometryCase& c = GetParam();
  std::mt19937 random(31);
  const std::string path = testing::scratch_folder("tile_geometry") + "/" + c.name + ".obj";
  // Two vertices no facet uses: they belong to no core.
  testing::write_file(path, testing::to_obj(random,
                                            testing::perturbed_grid(random, c.columns, c.rows,
                                                                    /*mixed_polygons=*/true),
                                            2));
  MeasureOptions options;
  options.epsilons = {Epsilon{"e", c.epsilon}};
  options.tiles = c.tiles;
  options.every_tile_asked = c.every_tile_asked;
  TilesRead read = read_tiles_of_file(path, options);
  ASSERT_TRUE(read.result.status.ok) << read.result.status.error;
  const std::vector<std::uint32_t> facets_at = read.surface.facets_at;
  TileGeometry geometry(std::move(read.surface), options);
  if (c.expected_tiles > 0) {
    EXPECT_EQ(geometry.tile_count(), c.expected_tiles);
  } else {
    EXPECT_GE(geometry.tile_count(), 1u);
    EXPECT_LT(geometry.tile_count(), c.tiles);
  }

  std::vector<int> owners(facets_at.size(), 0);
  for (std::size_t t = 0; t < geometry.tile_count(); ++t)
    for (const std::uint32_t v : geometry.core(t))
      ++owners[v];
  for (std::size_t v = 0; v < owners.size(); ++v)
    ASSERT_EQ(owners[v], facets_at[v] > 0 ? 1 : 0) << "vertex " << v;

  for (const bool measuring : {false, true}) {
    if (measuring) geometry.use_measuring_halos();
    for (std::size_t t = 0; t < geometry.tile_count(); ++t) {
      TileLists tile;
      ASSERT_TRUE(geometry.cut(t, {}, tile).ok);
      ASSERT_EQ(tile.core.size(), geometry.core(t).size());
      std::vector<std::uint32_t> listed(tile.points.size(), 0);
      for (const VertexIndex corner : tile.facets.corners)
        ++listed[corner];
      for (std::size_t k = 0; k < tile.core.size(); ++k) {
        const std::uint32_t v = tile.core[k];
        ASSERT_EQ(tile.mesh_vertex[v], geometry.core(t)[k]);
        ASSERT_EQ(listed[v], facets_at[tile.mesh_vertex[v]]) << "tile " << t << " vertex " << k;
      }
    }
  }

  // Widened often enough, tile 0 holds every facet, and then no wider halo is offered.
  int widenings = 0;
  while (geometry.widen(0) && widenings < 64)
    ++widenings;
  ASSERT_LT(widenings, 64);
  TileLists whole;
  ASSERT_TRUE(geometry.cut(0, {}, whole).ok);
  EXPECT_EQ(whole.facets.size(), geometry.surface().facets.size());
}

INSTANTIATE_TEST_SUITE_P(
    Grids, TileGeometryOf,
    ::testing::Values(GeometryCase{"one", 30, 24, 1, false, 0.01f, 1},
                      GeometryCase{"four", 40, 40, 4, true, 0.01f, 4},
                      GeometryCase{"seven_long", 70, 12, 7, true, 0.005f, 7},
                      GeometryCase{"fewer_where_small", 30, 30, 64, false, 0.05f, 0},
                      GeometryCase{"every_one_asked", 30, 30, 64, true, 0.05f, 64}),
    [](const ::testing::TestParamInfo<GeometryCase>& geometry_case) {
      return std::string(geometry_case.param.name);
    });

}  // namespace
}  // namespace meshprobe
