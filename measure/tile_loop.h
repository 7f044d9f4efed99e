// The one loop that takes a tiled run through its stages, whoever handles the tiles: the command
// line and measure_mesh_file handle them here, one after the other; the Python module hands them
// to a Dask cluster's workers, several at a time. In: a run fresh from TileRun::of_file or
// of_lists and a handler. Out: the run with every tile accepted (or failed), ready for finish().
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "measure/tile_run.h"

namespace meshprobe {

// Who works on the tiles of a stage. The loop sends a tile (as the run cut it) while room() is
// above 0, then collects one result, of any tile sent; results may come in any order.
class TileHandler {
 public:
  virtual ~TileHandler() = default;

  // How many more tiles it takes before a result must be collected.
  virtual std::size_t room() = 0;

  // Starts the stage's work on tile t: connect_tile in TileRun::Stage::kConnecting,
  // measure_tile in kMeasuring.
  virtual void send(TileRun::Stage stage, std::size_t t, TileLists&& tile) = 0;

  // Whether a tile sent has a result still to collect.
  virtual bool busy() = 0;

  // The next result of a tile sent, of the kind the stage's work gives; returns its tile. Called
  // only while busy().
  virtual std::size_t next_connections(TileConnections& result) = 0;
  virtual std::size_t next_measurement(TileMeasurement& result) = 0;

  // Forgets every tile sent and not collected: the run starts the stage over.
  virtual void cancel() = 0;
};

// The progress of a tiled run as its stages go.
struct TileRunProgress {
  // Told a stage ("connecting", "smoothing", "measuring") as it starts, with 0, and after each
  // accepted result the share of the stage's tiles accepted (1 once the run has moved on).
  ProgressReport stages;
  // The smoothing pass's own progress, as TileRun::smooth takes it.
  Progress smoothing;
};

// Takes `plan` through connecting, smoothing and measuring with `handler`. A tile cut again goes
// back to the end of the queue; when the run starts the stage over, the handler's tiles are
// cancelled and the stage's tiles sent afresh. Returns plan.ok(); after a failure the run's
// status says why. What a handler or a progress callback throws goes on to the caller.
bool run_tile_stages(TileRun& plan, TileHandler& handler, const TileRunProgress& progress = {});

// The tiles handled here, one at a time, each stage's work run on the calling thread's passes.
// `progress` (may be empty) is told "tile K/N connecting" at the start and end of each build, and
// "tile K/N curvature" and "tile K/N averaging" as each measurement goes.
class TilesHere : public TileHandler {
 public:
  TilesHere(const TileRun& plan, const MeasureOptions& options, ProgressReport progress);

  std::size_t room() override { return queued_ ? 0 : 1; }
  void send(TileRun::Stage stage, std::size_t t, TileLists&& tile) override;
  bool busy() override { return queued_; }
  std::size_t next_connections(TileConnections& result) override;
  std::size_t next_measurement(TileMeasurement& result) override;
  void cancel() override;

 private:
  std::string name_of_tile() const;

  const TileRun& plan_;
  std::vector<Epsilon> epsilons_;
  bool keep_fields_;
  ProgressReport progress_;
  bool queued_ = false;
  std::size_t t_ = 0;
  TileLists tile_;
};

// measure_mesh_file and measure_mesh_lists for options.tiles > 1: every tile here in turn, on
// options.threads threads.
MeshMeasurement measure_file_in_tiles(const std::string& path, const MeasureOptions& options);
MeshMeasurement measure_lists_in_tiles(const std::vector<Vec3f>& points, const FacetList& facets,
                                       const MeasureOptions& options);

}  // namespace meshprobe
