#include "measure/tile_loop.h"

#include <deque>
#include <utility>

#include "measure/threads.h"

namespace meshprobe {

namespace {

const char* stage_name(TileRun::Stage stage) {
  return stage == TileRun::Stage::kConnecting ? "connecting" : "measuring";
}

// The share of the stage's tiles accepted so far; all of them once the plan has moved on.
void report_share(const TileRun& plan, TileRun::Stage stage, const ProgressReport& stages) {
  if (!stages || plan.tile_count() == 0) return;
  const double left = plan.stage() != stage ? 0.0
                                            : static_cast<double>(plan.tiles_to_do().size()) /
                                                  static_cast<double>(plan.tile_count());
  stages(stage_name(stage), 1.0 - left);
}

// Every tile of the current stage until each is accepted; false once the plan has failed.
bool run_stage(TileRun& plan, TileHandler& handler, const ProgressReport& stages) {
  const TileRun::Stage stage = plan.stage();
  report_share(plan, stage, stages);
  std::deque<std::size_t> waiting;
  while (plan.ok() && plan.stage() == stage) {
    const std::vector<std::size_t> to_do = plan.tiles_to_do();
    if (to_do.empty()) break;
    waiting.assign(to_do.begin(), to_do.end());
    while (!waiting.empty() || handler.busy()) {
      while (!waiting.empty() && handler.room() > 0) {
        const std::size_t t = waiting.front();
        waiting.pop_front();
        TileLists tile = plan.tile(t);
        if (!plan.ok()) return false;
        handler.send(stage, t, std::move(tile));
      }
      TileRun::Verdict verdict;
      std::size_t t = 0;
      if (stage == TileRun::Stage::kConnecting) {
        TileConnections result;
        t = handler.next_connections(result);
        verdict = plan.accept(t, std::move(result));
      } else {
        TileMeasurement result;
        t = handler.next_measurement(result);
        verdict = plan.accept(t, std::move(result));
      }
      if (verdict == TileRun::Verdict::kFailed) return false;
      report_share(plan, stage, stages);
      if (verdict == TileRun::Verdict::kAllAgain) {
        // The plan has decided the facets for the whole mesh: every tile's cut is new.
        handler.cancel();
        waiting.clear();
        break;
      }
      if (verdict == TileRun::Verdict::kCutAgain) waiting.push_back(t);
    }
  }
  return plan.ok();
}

}  // namespace

bool run_tile_stages(TileRun& plan, TileHandler& handler, const TileRunProgress& progress) {
  if (!plan.ok() || plan.stage() != TileRun::Stage::kConnecting) return plan.ok();
  if (!run_stage(plan, handler, progress.stages)) return false;
  if (progress.stages) progress.stages("smoothing", 0.0);
  plan.smooth(progress.smoothing);
  if (!plan.ok()) return false;
  return run_stage(plan, handler, progress.stages);
}

TilesHere::TilesHere(const TileRun& plan, const MeasureOptions& options, ProgressReport progress)
    : plan_(plan),
      epsilons_(options.epsilons),
      keep_fields_(options.keep_fields),
      progress_(std::move(progress)) {}

std::string TilesHere::name_of_tile() const {
  return "tile " + std::to_string(t_ + 1) + "/" + std::to_string(plan_.tile_count());
}

void TilesHere::send(TileRun::Stage, std::size_t t, TileLists&& tile) {
  t_ = t;
  tile_ = std::move(tile);
  queued_ = true;
}

std::size_t TilesHere::next_connections(TileConnections& result) {
  // A build shows no progress of its own: its start and its end are reported, and a line that
  // shows 100% is always drawn.
  const std::string what = name_of_tile() + " connecting";
  if (progress_) progress_(what.c_str(), 0.0);
  result = connect_tile(tile_);
  if (progress_) progress_(what.c_str(), 1.0);
  cancel();
  return t_;
}

std::size_t TilesHere::next_measurement(TileMeasurement& result) {
  StepProgress show;
  const std::string tile = name_of_tile() + " ";
  if (progress_) {
    show = [&](const char* step, std::size_t done, std::size_t total) {
      const std::string text = tile + step;
      progress_(text.c_str(), total == 0 ? 1.0 : static_cast<double>(done) / total);
    };
  }
  result = measure_tile(tile_, epsilons_, keep_fields_, show);
  cancel();
  return t_;
}

void TilesHere::cancel() {
  queued_ = false;
  tile_ = TileLists();
}

namespace {

// Every tile here in turn, as the command line and measure_mesh_file run them.
MeshMeasurement measure_planned(TileRun& plan, const MeasureOptions& options) {
  if (!plan.ok() || options.epsilons.empty()) return plan.finish();
  std::string thread_error;
  const int threads = startable_threads(options.threads, thread_error);
  if (threads == 0) {
    MeshMeasurement failed = plan.finish();
    failed.status = ReadStatus::failure(thread_error);
    failed.read = true;
    return failed;
  }
  const ThreadScope thread_scope(threads);
  TilesHere here(plan, options, options.progress);
  TileRunProgress progress;
  if (options.progress) {
    progress.smoothing = [&options](std::size_t done, std::size_t total) {
      options.progress("smoothing", total == 0 ? 1.0 : static_cast<double>(done) / total);
    };
  }
  // A failure is in the plan's status, which finish() hands on.
  run_tile_stages(plan, here, progress);
  return plan.finish();
}

}  // namespace

MeshMeasurement measure_file_in_tiles(const std::string& path, const MeasureOptions& options) {
  if (options.progress) options.progress("reading", 0.0);
  TileRun plan = TileRun::of_file(path, options);
  if (options.progress && plan.ok()) options.progress("reading", 1.0);
  return measure_planned(plan, options);
}

MeshMeasurement measure_lists_in_tiles(const std::vector<Vec3f>& points, const FacetList& facets,
                                       const MeasureOptions& options) {
  TileRun plan = TileRun::of_lists(points, facets, options);
  return measure_planned(plan, options);
}

}  // namespace meshprobe
