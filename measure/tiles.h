// One mesh measured in spatial tiles, every vertex's value bit for bit what the whole mesh's run
// gives it, with a part of the mesh in memory at a time. In: a mesh file (or lists) and the
// options. Out: the MeshMeasurement that measure_mesh_file gives.
//
// Three stages, so that tiles can be handled anywhere (one after the other here, as tasks of a
// cluster from the Python module):
//   1. connect_tile, per tile with a small halo: the circulator order of the halfedges about each
//      core vertex, which only a build of the vertex's facets fixes;
//   2. TilePlan::smooth, over the whole mesh at once: the smoothed copy needs nothing but those
//      orders and the positions (about 80 bytes a vertex), and a tile could hold it exactly only
//      with a margin of some 150 rings (an umbrella pass reads one ring, and there are 140);
//   3. measure_tile, per tile with a halo of what the curvature and averaging walks reach: the
//      values of the core, each proven exact or the tile cut again with a wider halo.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "io/scratch_file.h"
#include "measure/measurement.h"
#include "measure/tile_partition.h"
#include "mesh/mesh_properties.h"
#include "mesh/tolerant_builder.h"
#include "roughness/tile_analyzer.h"

namespace meshprobe {

// Stage 1's result for one tile: per core vertex (in the core's order) its incoming halfedges'
// source vertices as mesh places, in circulator order.
struct TileConnections {
  TileKey key;  // the tile's, as it came
  // False when the tile's builder left out a facet whose corners had all their facets in the
  // tile: the whole mesh then leaves facets out, and which ones must be decided for it whole.
  bool facets_fit = true;
  std::size_t incomplete = 0;  // core vertices without all their facets (a wider halo is needed)
  std::vector<std::uint32_t> first_incoming;  // per core vertex, and one past the last
  std::vector<std::uint32_t> source;
};

// Stage 3's result for one tile: its core at every epsilon, in their order.
struct TileMeasurement {
  TileKey key;  // the tile's, as it came
  bool facets_fit = true;
  std::vector<TileRoughness> epsilons;
  std::size_t inexact = 0;  // core values, over all epsilons, that may not be the whole mesh's
};

// Stage 1: builds the tile's surface and reads off its core's halfedge orders.
TileConnections connect_tile(const TileLists& tile);

// Stage 3: builds the tile's surface and measures its core at every epsilon (the tile carries
// the copies). Reports as SurfaceAnalyzer::measure does.
TileMeasurement measure_tile(const TileLists& tile, const std::vector<Epsilon>& epsilons,
                             bool keep_fields, const StepProgress& progress = {});

class TilePlan {
 public:
  enum class Stage { kConnecting, kSmoothing, kMeasuring, kDone };

  // Reads the mesh file and cuts it into at most options.tiles cores, fewer where smaller cores
  // would be narrower than twice the margin they are measured with (measurement().tiles says
  // how many). The status of measurement() says whether that succeeded.
  static TilePlan of_file(const std::string& path, const MeasureOptions& options);
  // The same for points (input units) and facets, as measure_mesh_lists takes them.
  static TilePlan of_lists(const std::vector<Vec3f>& points, const FacetList& facets,
                           const MeasureOptions& options);

  const MeshMeasurement& measurement() const { return result_; }
  bool ok() const { return result_.status.ok; }
  Stage stage() const { return stage_; }
  std::size_t tile_count() const { return cores_.size(); }
  // Tiles of the current stage not accepted yet, in order.
  std::vector<std::size_t> tiles_to_do() const;

  // Tile t for the current stage (1 or 3), at its current halo. Empty when the facets cannot be
  // read back; the plan has then failed, and accept() says so.
  TileLists tile(std::size_t t);

  enum class Verdict {
    kAccepted,  // the tile's results are kept
    kCutAgain,  // some result was not exact: the tile's halo has grown, cut and handle it again
    kAllAgain,  // the whole mesh's facets have been planned: stage 1 starts again for every tile
    kFailed     // the plan has ended: a tile held the whole mesh and still fell short, its
                // scratch files failed, or the result was not tile t's as last cut in this plan
                // and stage or did not fit its core (the status says so)
  };
  Verdict accept(std::size_t t, TileConnections&& connections);
  Verdict accept(std::size_t t, TileMeasurement&& measured);

  // Stage 2, once every tile is connected: the smoothed copy of every epsilon. When the progress
  // callback throws, the plan ends (failed) and the exception goes on to the caller; when stage
  // 1's results cannot be read back, it ends with that status.
  void smooth(const Progress& progress = {});

  // The measurement with every tile's values in place, once every tile is measured (or at once
  // after a failure, with its status; before every tile is measured, it fails so).
  MeshMeasurement finish();

 private:
  TilePlan();
  // Everything after the lists are read: geometry, length, normalisation, cores.
  void plan(std::vector<Vec3f>&& points, FacetList&& facets, const MeasureOptions& options);
  // The geometry's checks, the length and the normalised points; false when refused.
  bool plan_geometry(const std::vector<Vec3f>& points, std::size_t facets,
                     const MeasureOptions& options);
  // The rest once the facets are in a store: the file's points to their scratch file, the
  // counts of facets, stage 1; or, when some facet no surface holds (fewer than 3 corners, a
  // vertex named twice), the whole mesh's choice of facets first.
  void plan_store(std::vector<Vec3f>&& file_points, FacetStore&& facets, bool facet_unfit_alone);
  // Decides with a build of the whole mesh which facets it leaves out and in which order it adds
  // the others; the plan then starts stage 1 afresh. Takes the file's points and its facets.
  void plan_facets(const std::vector<Vec3f>& file_points, const FacetList& facets);
  // The same once the facets are in the store and the file's points in their scratch file.
  void plan_stored_facets();
  void start_stage(Stage stage);
  // The halo of the measuring stage: what the averaging and curvature walks reach, normalised.
  double measuring_halo() const;
  // options.tiles, or fewer where the cores would be too small to pay for their margins.
  std::size_t tiles_worth_cutting() const;
  // False, the plan ended with `status` as its own, when it failed.
  bool holds(const ReadStatus& status);
  Verdict grow(std::size_t t, const char* what);
  Verdict refuse_result(const std::string& why = "a tile's result does not match the tile");
  // Empty when `key` is tile t's as last cut, in the current stage; otherwise why not.
  std::string key_misfit(std::size_t t, const TileKey& key) const;
  void smooth_copies(const Progress& progress);
  // Stage 1's accepted results go to a scratch file; stage 2 reads them back tile by tile.
  bool keep_connections(std::size_t t, const TileConnections& connections);
  bool read_connections(std::size_t t, std::vector<std::uint32_t>& first_incoming,
                        std::vector<std::uint32_t>& source);

  MeshMeasurement result_;
  std::uint64_t id_ = 0;  // drawn at random: results of another plan are told apart
  std::uint64_t cuts_ = 0;
  std::vector<std::uint64_t> cut_;            // per tile: the cut its results must carry
  std::vector<std::uint64_t> tile_vertices_;  // per tile: its vertices at that cut
  std::chrono::steady_clock::time_point started_;
  MeasureOptions options_;
  Stage stage_ = Stage::kConnecting;
  std::vector<std::size_t> face_lines_;  // OBJ: each facet's line
  ScratchFile face_lines_file_;          // the same for an OBJ file read in passes
  // Per mesh vertex, in input units, until stage 1 is done; read back only when facets must be
  // planned for the whole mesh.
  ScratchFile file_points_;
  bool facets_planned_ = false;
  Normalisation normalisation_;
  TilingSurface surface_;
  std::vector<std::vector<std::uint32_t>> cores_;
  std::vector<double> halos_;
  std::vector<bool> accepted_;
  ScratchFile connections_;                      // stage 1's results, tile after tile
  std::vector<std::uint64_t> connections_at_;    // per tile: where its results begin
  std::vector<std::uint64_t> connection_count_;  // per tile: its count of incoming halfedges
  std::vector<std::vector<Vec3f>> copies_;       // per epsilon, per vertex
  std::vector<std::uint32_t> scratch_;
};

}  // namespace meshprobe
