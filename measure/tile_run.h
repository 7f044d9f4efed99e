// The run of a tiled measurement's stages: one mesh measured in spatial tiles, every vertex's
// value bit for bit what the whole mesh's run gives it, with a part of the mesh in memory at a
// time. In: a mesh file (or lists) and the options. Out: the MeshMeasurement that
// measure_mesh_file gives.
//
// Each stage makes what the next one needs, in its own file:
//   reading (tile_reading.h): the whole surface, from which the geometry (tile_geometry.h) cuts
//     the tiles: which vertices each owns, and each one's halo;
//   connecting (tile_connecting.h), per tile: its core's halfedge orders, kept in a store;
//   smoothing (tile_smoothing.h), over the whole mesh at once, from that store: the copies;
//   measuring (tile_measuring.h), per tile carrying the copies: its core's values, which
//     merging (tile_merging.h) places in the whole mesh's measurement.
// Tiles can be handled anywhere (here, or as tasks of a cluster from the Python module); the
// run hands them out, takes their results back and refuses one that is not the awaited one.
// tile_loop.h drives it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "measure/measurement.h"
#include "measure/tile_connecting.h"
#include "measure/tile_geometry.h"
#include "measure/tile_measuring.h"
#include "measure/tile_partition.h"
#include "measure/tile_reading.h"
#include "measure/tile_smoothing.h"

namespace meshprobe {

class TileRun {
 public:
  enum class Stage { kConnecting, kSmoothing, kMeasuring, kDone };

  // Reads the mesh file and cuts it into at most options.tiles cores, fewer where smaller cores
  // would be narrower than twice the margin they are measured with (measurement().tiles says
  // how many). The status of measurement() says whether that succeeded.
  static TileRun of_file(const std::string& path, const MeasureOptions& options);
  // The same for points (input units) and facets, as measure_mesh_lists takes them.
  static TileRun of_lists(const std::vector<Vec3f>& points, const FacetList& facets,
                          const MeasureOptions& options);

  const MeshMeasurement& measurement() const { return result_; }
  bool ok() const { return result_.status.ok; }
  Stage stage() const { return stage_; }
  std::size_t tile_count() const { return geometry_.tile_count(); }
  // Tiles of the current stage not accepted yet, in order.
  std::vector<std::size_t> tiles_to_do() const;

  // Tile t for the current stage (connecting or measuring), at its current halo. Empty when the
  // facets cannot be read back; the run has then failed, and accept() says so.
  TileLists tile(std::size_t t);

  enum class Verdict {
    kAccepted,  // the tile's results are kept
    kCutAgain,  // some result was not exact: the tile's halo has grown, cut and handle it again
    kAllAgain,  // the whole mesh's facets have been decided: connecting starts again for every tile
    kFailed     // the run has ended: a tile held the whole mesh and still fell short, its
                // scratch files failed, or the result was not tile t's as last cut in this run
                // and stage or did not fit its core (the status says so)
  };
  Verdict accept(std::size_t t, TileConnections&& connections);
  Verdict accept(std::size_t t, TileMeasurement&& measured);

  // The smoothing, once every tile is connected: the smoothed copy of every epsilon. When the
  // progress callback throws, the run ends (failed) and the exception goes on to the caller;
  // when the connecting stage's results cannot be read back, it ends with that status.
  void smooth(const Progress& progress = {});

  // The measurement with every tile's values in place, once every tile is measured (or at once
  // after a failure, with its status; before every tile is measured, it fails so).
  MeshMeasurement finish();

 private:
  explicit TileRun(TilesRead&& read, const MeasureOptions& options);
  // The geometry cut from the surface and every tile's connecting anew.
  void start_connecting(TilingSurface&& surface);
  // A new cut for every tile, none accepted.
  void start_cuts();
  // False, the run ended with `status` as its own, when it failed.
  bool holds(const ReadStatus& status);
  // Whether every tile of the stage has its result accepted.
  bool all_accepted() const;
  Verdict refuse_result(const std::string& why = "a tile's result does not match the tile");
  // Empty when `key` is tile t's as last cut, in the current stage; otherwise why not.
  std::string key_misfit(std::size_t t, const TileKey& key) const;
  // Why a result for tile t cannot be taken in `stage` now; empty when it can.
  std::string not_awaited(std::size_t t, Stage stage, const TileKey& key) const;
  Verdict grow(std::size_t t, const char* what);

  MeshMeasurement result_;
  MeasureOptions options_;
  std::chrono::steady_clock::time_point started_;
  FacetChoice choice_;
  TileGeometry geometry_;
  Stage stage_ = Stage::kDone;
  // What the stage at work needs, made by the one before it: the connecting stage's store of
  // orders until the smoothing takes it, then the smoothing's copies for the measuring.
  std::variant<std::monostate, HalfedgeOrders, SmoothedCopies> handed_on_;
  std::uint64_t id_ = 0;  // drawn at random: results of another run are told apart
  std::uint64_t cuts_ = 0;
  std::vector<std::uint64_t> cut_;            // per tile: the cut its results must carry
  std::vector<std::uint64_t> tile_vertices_;  // per tile: its vertices at that cut
  std::vector<bool> accepted_;
};

}  // namespace meshprobe
