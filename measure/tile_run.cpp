#include "measure/tile_run.h"

#include <algorithm>
#include <random>
#include <utility>

#include "measure/tile_merging.h"

namespace meshprobe {

TileRun::TileRun(TilesRead&& read, const MeasureOptions& options)
    : result_(std::move(read.result)),
      options_(options),
      started_(read.started),
      choice_(std::move(read.choice)) {
  std::random_device seed;
  id_ = (static_cast<std::uint64_t>(seed()) << 32) ^ seed();
  if (ok()) start_connecting(std::move(read.surface));
}

TileRun TileRun::of_file(const std::string& path, const MeasureOptions& options) {
  return TileRun(read_tiles_of_file(path, options), options);
}

TileRun TileRun::of_lists(const std::vector<Vec3f>& points, const FacetList& facets,
                          const MeasureOptions& options) {
  return TileRun(read_tiles_of_lists(points, facets, options), options);
}

void TileRun::start_connecting(TilingSurface&& surface) {
  geometry_ = TileGeometry(std::move(surface), options_);
  const std::vector<std::uint32_t>& facets_at = geometry_.surface().facets_at;
  result_.measured.assign(facets_at.size(), false);
  result_.vertices_measured = 0;
  for (std::size_t v = 0; v < facets_at.size(); ++v) {
    result_.measured[v] = facets_at[v] > 0;
    if (result_.measured[v]) ++result_.vertices_measured;
  }
  result_.tiles = geometry_.tile_count();
  HalfedgeOrders orders;
  if (!holds(orders.start(geometry_.tile_count()))) return;
  handed_on_ = std::move(orders);
  stage_ = Stage::kConnecting;
  start_cuts();
}

void TileRun::start_cuts() {
  const std::size_t tiles = geometry_.tile_count();
  accepted_.assign(tiles, false);
  cut_.resize(tiles);
  tile_vertices_.assign(tiles, 0);
  for (std::uint64_t& cut : cut_)
    cut = ++cuts_;
}

bool TileRun::holds(const ReadStatus& status) {
  if (status.ok) return true;
  result_.status = status;
  result_.read = true;
  stage_ = Stage::kDone;
  return false;
}

bool TileRun::all_accepted() const {
  return std::find(accepted_.begin(), accepted_.end(), false) == accepted_.end();
}

std::vector<std::size_t> TileRun::tiles_to_do() const {
  std::vector<std::size_t> to_do;
  if (stage_ != Stage::kConnecting && stage_ != Stage::kMeasuring) return to_do;
  for (std::size_t t = 0; t < tile_count(); ++t)
    if (!accepted_[t]) to_do.push_back(t);
  return to_do;
}

TileLists TileRun::tile(std::size_t t) {
  static const std::vector<std::vector<Vec3f>> kNoCopies;
  TileLists tile;
  if (t >= tile_count() || (stage_ != Stage::kConnecting && stage_ != Stage::kMeasuring))
    return tile;
  // The copies exist from the smoothing on; while connecting, the tile carries none.
  const SmoothedCopies* smoothed = std::get_if<SmoothedCopies>(&handed_on_);
  if (!holds(geometry_.cut(t, smoothed ? smoothed->copies : kNoCopies, tile))) return tile;
  tile.key = TileKey{id_, t, cut_[t], tile.points.size()};
  tile_vertices_[t] = tile.points.size();
  return tile;
}

TileRun::Verdict TileRun::grow(std::size_t t, const char* what) {
  if (!geometry_.widen(t)) {
    holds(ReadStatus::failure(std::string("a tile that held the whole mesh ") + what));
    return Verdict::kFailed;
  }
  cut_[t] = ++cuts_;
  return Verdict::kCutAgain;
}

TileRun::Verdict TileRun::refuse_result(const std::string& why) {
  holds(ReadStatus::failure(why));
  return Verdict::kFailed;
}

std::string TileRun::key_misfit(std::size_t t, const TileKey& key) const {
  const std::string tile = "tile " + std::to_string(t);
  if (key.plan != id_) return "the result is of another plan, not of " + tile + " of this one";
  if (key.tile != t)
    return "the result is of tile " + std::to_string(key.tile) + ", not of " + tile;
  if (key.cut != cut_[t]) return "the result is of another stage or an earlier cut of " + tile;
  if (key.vertices != tile_vertices_[t]) {
    return "the result is of " + tile + " with " + std::to_string(key.vertices) +
           " vertices, not " + std::to_string(tile_vertices_[t]);
  }
  return "";
}

std::string TileRun::not_awaited(std::size_t t, Stage stage, const TileKey& key) const {
  if (stage_ != stage || t >= tile_count())
    return "the plan takes no result of tile " + std::to_string(t) + " now";
  if (accepted_[t]) return "tile " + std::to_string(t) + "'s result is already accepted";
  return key_misfit(t, key);
}

TileRun::Verdict TileRun::accept(std::size_t t, TileConnections&& connections) {
  if (!ok()) return Verdict::kFailed;
  const std::string why = not_awaited(t, Stage::kConnecting, connections.key);
  if (!why.empty()) return refuse_result(why);
  const bool complete = connections.facets_fit && connections.incomplete == 0;
  if (complete &&
      !connections_fit(connections, geometry_.core(t).size(), geometry_.surface().points.size()))
    return refuse_result();
  if (!connections.facets_fit) {
    if (choice_.decided) return refuse_result("a tile left out a facet the whole mesh keeps");
    TilingSurface surface = std::move(geometry_).take_surface();
    decide_facets_whole(surface, choice_, result_);
    if (!holds(result_.status)) return Verdict::kFailed;
    start_connecting(std::move(surface));
    return ok() ? Verdict::kAllAgain : Verdict::kFailed;
  }
  if (connections.incomplete > 0) return grow(t, "did not hold every facet of its core");
  HalfedgeOrders* orders = std::get_if<HalfedgeOrders>(&handed_on_);
  if (orders == nullptr) return refuse_result("the plan has no store of connections");
  if (!holds(orders->keep(t, connections))) return Verdict::kFailed;
  accepted_[t] = true;
  if (all_accepted()) {
    // Which facets the mesh keeps is settled: the file's points served only that.
    choice_.file_points = ScratchFile();
    if (!holds(orders->flush())) return Verdict::kFailed;
    stage_ = Stage::kSmoothing;
    start_cuts();
  }
  return Verdict::kAccepted;
}

void TileRun::smooth(const Progress& progress) {
  HalfedgeOrders* orders = std::get_if<HalfedgeOrders>(&handed_on_);
  if (stage_ != Stage::kSmoothing || orders == nullptr) return;
  SmoothedCopies smoothed;
  try {
    smoothed = smooth_copies(geometry_, std::move(*orders), options_.epsilons, progress);
  } catch (...) {
    // The halfedge orders went into the smoothing: an abandoned smoothing ends the run.
    result_.status = ReadStatus::failure("the smoothing was abandoned");
    result_.read = true;
    stage_ = Stage::kDone;
    throw;
  }
  if (!holds(smoothed.status)) return;
  start_values(result_, geometry_.surface(), options_, smoothed.copies);
  handed_on_ = std::move(smoothed);
  geometry_.use_measuring_halos();
  stage_ = Stage::kMeasuring;
  start_cuts();
}

TileRun::Verdict TileRun::accept(std::size_t t, TileMeasurement&& measured) {
  if (!ok()) return Verdict::kFailed;
  const std::string why = not_awaited(t, Stage::kMeasuring, measured.key);
  if (!why.empty()) return refuse_result(why);
  const bool complete = measured.facets_fit && measured.inexact == 0;
  if (complete && !measurement_fits(measured, geometry_.core(t).size(), options_.epsilons.size(),
                                    options_.keep_fields))
    return refuse_result();
  if (!measured.facets_fit) {
    return refuse_result("a tile left out a facet the whole mesh keeps");
  }
  if (measured.inexact > 0) return grow(t, "did not reproduce the whole mesh's values");
  merge_tile(result_, geometry_.core(t), measured, options_.keep_fields);
  accepted_[t] = true;
  if (all_accepted()) {
    stage_ = Stage::kDone;
    start_cuts();
    handed_on_ = std::monostate();
  }
  return Verdict::kAccepted;
}

MeshMeasurement TileRun::finish() {
  if (ok() && stage_ != Stage::kDone)
    holds(ReadStatus::failure("the plan was finished before every tile was measured"));
  finish_values(result_, geometry_.surface(), options_, started_);
  stage_ = Stage::kDone;
  return std::move(result_);
}

}  // namespace meshprobe
