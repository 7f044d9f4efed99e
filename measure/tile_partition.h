// One mesh cut into spatial tiles. In: the whole surface (normalised points in memory, the facets
// in a scratch file in the order the whole mesh is built). Out: each tile's core (the vertices it
// measures), and a tile's lists: its core with a margin (the halo) of every facet that has a
// corner near the core's bounding box, and, per vertex, its count of facets in the whole mesh.
// Every facet is read in one pass over the scratch file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/facet_store.h"
#include "io/read_status.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

// The whole surface, as the tiles are cut from it.
struct TilingSurface {
  std::vector<Vec3f> points;             // normalised, per vertex of the mesh
  FacetStore facets;                     // the facets the surface holds, in the order it is built
  std::vector<std::uint32_t> facets_at;  // per vertex, the facets that use it
  double mean_edge = 0.0;                // over the facets' sides, normalised units
};

// Counts the facets at each vertex and the mean length of the facets' sides.
ReadStatus count_facets(TilingSurface& surface);

// Splits the vertices that some facet uses into at most `tiles` cores of nearly equal counts by
// halving boxes across their longest side, each core ascending. Fewer cores when there are fewer
// such vertices than tiles.
std::vector<std::vector<std::uint32_t>> split_into_cores(const TilingSurface& surface,
                                                         std::size_t tiles);

// Which plan, tile and cut a tile is, handed back with its result: results may come from
// elsewhere (a cluster's worker), and one of another tile, an earlier cut or another stage
// must be refused, not taken for this one. `vertices` is the tile's count of vertices.
struct TileKey {
  std::uint64_t plan = 0;
  std::uint64_t tile = 0;
  std::uint64_t cut = 0;  // counts every cut of the plan: a stage's start, a wider halo
  std::uint64_t vertices = 0;
  bool operator==(const TileKey& other) const {
    return plan == other.plan && tile == other.tile && cut == other.cut &&
           vertices == other.vertices;
  }
};

// A tile's surface: its vertices ascending by their place in the mesh.
struct TileLists {
  TileKey key;
  std::vector<Vec3f> points;
  FacetList facets;                            // corners count over the tile's vertices
  std::vector<std::uint32_t> mesh_vertex;      // per vertex: its place in the mesh
  std::vector<std::uint32_t> facets_in_whole;  // per vertex: the facets at it in the whole mesh
  std::vector<std::uint32_t> core;             // the core's vertices, as tile vertices
  // Per epsilon, per vertex: the smoothed copy's position (only once the copies are smoothed).
  std::vector<std::vector<Vec3f>> copies;
};

// The tile of `core`: the core's facets and every facet with a corner within `halo` (normalised
// units) of the core's box, in the points or in any of `copies` (other positions of every
// vertex, such as the smoothed copies, whose walks go about the core's positions there).
// `scratch` is one entry per vertex of the mesh, all kNoTileVertex; it is left so. Fails only
// when the facets cannot be read back.
constexpr std::uint32_t kNoTileVertex = 0xffffffff;
ReadStatus cut_tile(const TilingSurface& surface, const std::vector<std::uint32_t>& core,
                    double halo, std::vector<std::uint32_t>& scratch, TileLists& tile,
                    const std::vector<std::vector<Vec3f>>& copies = {});

// Whether the tile reaches every vertex's whole neighbourhood: a halo past the mesh's box.
bool tile_holds_everything(const TilingSurface& surface, const std::vector<std::uint32_t>& core,
                           double halo);

}  // namespace meshprobe
