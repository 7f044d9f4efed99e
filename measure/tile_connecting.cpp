#include "measure/tile_connecting.h"

#include "mesh/tolerant_builder.h"
#include "roughness/surface_view.h"
#include "roughness/tile_analyzer.h"

namespace meshprobe {

bool build_tile(const TileLists& tile, Mesh& mesh) {
  std::vector<bool> excluded(tile.facets.size(), false);
  const FacetListBuilder built =
      detail::build_in_order<FacetListBuilder>(mesh, tile.points, tile.facets, nullptr, excluded);
  if (built.left_out().count == 0) return true;
  std::vector<std::uint32_t> listed(tile.points.size(), 0);
  for (const VertexIndex c : tile.facets.corners)
    ++listed[c];
  const std::vector<bool>& marks = built.left_out_marks();
  for (std::size_t f = 0; f < marks.size(); ++f) {
    if (!marks[f]) continue;
    bool inside = true;
    for (std::size_t c = tile.facets.starts[f]; c < tile.facets.starts[f + 1]; ++c) {
      const VertexIndex v = tile.facets.corners[c];
      if (listed[v] != tile.facets_in_whole[v]) inside = false;
    }
    if (inside) return false;
  }
  return true;
}

TileConnections connect_tile(const TileLists& tile) {
  TileConnections connections;
  connections.key = tile.key;
  Mesh mesh;
  connections.facets_fit = build_tile(tile, mesh);
  if (!connections.facets_fit) return connections;
  const SurfaceView view = make_surface_view(mesh, VertexOrder::kMesh);
  const ExactFlags complete = complete_vertices(view, tile.facets_in_whole);
  for (const std::uint32_t v : tile.core)
    if (complete[v] == 0) ++connections.incomplete;
  if (connections.incomplete > 0) return connections;
  connections.first_incoming.reserve(tile.core.size() + 1);
  connections.first_incoming.push_back(0);
  for (const std::uint32_t v : tile.core) {
    for (std::uint32_t slot = view.first_incoming[v]; slot < view.first_incoming[v + 1]; ++slot)
      connections.source.push_back(tile.mesh_vertex[view.source[slot]]);
    connections.first_incoming.push_back(static_cast<std::uint32_t>(connections.source.size()));
  }
  return connections;
}

bool connections_fit(const TileConnections& connections, std::size_t core_size,
                     std::size_t vertices) {
  const std::vector<std::uint32_t>& first = connections.first_incoming;
  bool fits = first.size() == core_size + 1 && first.front() == 0 &&
              first.back() == connections.source.size();
  for (std::size_t k = 1; fits && k < first.size(); ++k)
    fits = first[k] >= first[k - 1];
  for (const std::uint32_t v : connections.source)
    fits = fits && v < vertices;
  return fits;
}

ReadStatus HalfedgeOrders::start(std::size_t tiles) {
  at_.assign(tiles, 0);
  count_.assign(tiles, 0);
  return file_.create();
}

ReadStatus HalfedgeOrders::keep(std::size_t t, const TileConnections& connections) {
  at_[t] = file_.size();
  count_[t] = connections.source.size();
  const std::vector<std::uint32_t>& first = connections.first_incoming;
  const ReadStatus status = file_.append(first.data(), first.size() * sizeof(std::uint32_t));
  if (!status.ok) return status;
  return file_.append(connections.source.data(), connections.source.size() * sizeof(std::uint32_t));
}

ReadStatus HalfedgeOrders::read(std::size_t t, std::size_t core_size,
                                std::vector<std::uint32_t>& first_incoming,
                                std::vector<std::uint32_t>& source) const {
  first_incoming.resize(core_size + 1);
  source.resize(count_[t]);
  const std::uint64_t first_bytes = first_incoming.size() * sizeof(std::uint32_t);
  const ReadStatus status = file_.read(at_[t], first_incoming.data(), first_bytes);
  if (!status.ok) return status;
  return file_.read(at_[t] + first_bytes, source.data(), source.size() * sizeof(std::uint32_t));
}

}  // namespace meshprobe
