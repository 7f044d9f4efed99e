// The connecting stage of a tiled run: per tile, with a small halo, the circulator order of the
// halfedges about each core vertex, which only a build of the vertex's facets fixes; and the
// store that keeps every tile's orders until the smoothing gathers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/read_status.h"
#include "io/scratch_file.h"
#include "measure/tile_partition.h"
#include "mesh/mesh.h"

namespace meshprobe {

// One tile's orders: per core vertex (in the core's order) its incoming halfedges' source
// vertices as mesh places, in circulator order.
struct TileConnections {
  TileKey key;  // the tile's, as it came
  // False when the tile's builder left out a facet whose corners had all their facets in the
  // tile: the whole mesh then leaves facets out, and which ones must be decided for it whole.
  bool facets_fit = true;
  std::size_t incomplete = 0;  // core vertices without all their facets (a wider halo is needed)
  std::vector<std::uint32_t> first_incoming;  // per core vertex, and one past the last
  std::vector<std::uint32_t> source;
};

// Builds the tile's facets in their order into the empty mesh. False when the builder left out a
// facet although the tile holds every facet at each of its corners: the whole mesh's build would
// leave it out too, so the tile's choice cannot stand for the whole mesh's.
bool build_tile(const TileLists& tile, Mesh& mesh);

// Builds the tile's surface and reads off its core's halfedge orders.
TileConnections connect_tile(const TileLists& tile);

// Whether a complete result (facets fit, no vertex incomplete) has one list per vertex of a core
// of `core_size`, rising starts and sources among the mesh's `vertices`: results may come from
// elsewhere (a cluster's worker).
bool connections_fit(const TileConnections& connections, std::size_t core_size,
                     std::size_t vertices);

// Every tile's accepted orders, in a scratch file tile after tile.
class HalfedgeOrders {
 public:
  // Empty, for `tiles` tiles; fails when no scratch file can be made.
  ReadStatus start(std::size_t tiles);
  ReadStatus keep(std::size_t t, const TileConnections& connections);
  // Once every tile is kept: the file's bytes are written out.
  ReadStatus flush() { return file_.flush(); }
  // Tile t's orders as keep took them, for a core of `core_size` vertices.
  ReadStatus read(std::size_t t, std::size_t core_size, std::vector<std::uint32_t>& first_incoming,
                  std::vector<std::uint32_t>& source) const;

 private:
  ScratchFile file_;
  std::vector<std::uint64_t> at_;     // per tile: where its results begin
  std::vector<std::uint64_t> count_;  // per tile: its count of incoming halfedges
};

}  // namespace meshprobe
