#include "measure/tiles.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <utility>

#include "io/mesh_file.h"
#include "measure/roughness_statistics.h"
#include "mesh/normals.h"
#include "roughness/copy_smoothing.h"
#include "roughness/curvature_tensor.h"
#include "roughness/roughness_steps.h"

namespace meshprobe {

namespace {

using Clock = std::chrono::steady_clock;

// Stage 1's halo, in mean facet sides: a core vertex's facets all come with the tile anyway; the
// margin keeps the builder from leaving one of them out for a neighbour's partial fan.
constexpr double kConnectingSides = 3.0;
// Stage 3's halo beyond the averaging and curvature radii, in mean facet sides: the walks' last
// edges reach one side past their spheres, and the facets read there one more.
constexpr double kMeasuringSides = 4.0;
// A tile that fell short is cut again with its halo this many times wider, and at least this
// wide (normalised units), so that a halo of 0 (a mesh whose facets' sides all have length 0)
// grows too.
constexpr double kHaloGrowth = 2.0;
// A tile pays for its margin when its core is at least this many times as wide as the measuring
// stage's halo: the tile then holds at most (1 + 2 / 2)^2 = 4 times its core's vertices on a
// surface. Asked for smaller tiles, the plan cuts fewer (a 23k-vertex mesh in 4096 tiles took a
// hundred times the untiled run, nearly all of it in the margins).
constexpr double kCoreWidthsPerHalo = 2.0;
constexpr double kNarrowestGrownHalo = 1.0 / 1024.0;

// Builds the tile's facets in their order into the empty mesh. False when the builder left out a
// facet although the tile holds every facet at each of its corners: the whole mesh's build would
// leave it out too, so the tile's choice cannot stand for the whole mesh's.
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

}  // namespace

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

TileMeasurement measure_tile(const TileLists& tile, const std::vector<Epsilon>& epsilons,
                             bool keep_fields, const StepProgress& progress) {
  TileMeasurement measured;
  measured.key = tile.key;
  std::unique_ptr<TileAnalyzer> analyzer;
  {
    // The surface goes once the analyser has its flat view: it is the larger part of a tile.
    auto mesh = std::make_unique<Mesh>();
    measured.facets_fit = build_tile(tile, *mesh);
    if (!measured.facets_fit) return measured;
    compute_normals(*mesh);
    analyzer = std::make_unique<TileAnalyzer>(*mesh, tile.facets_in_whole, tile.core, keep_fields);
  }
  for (std::size_t e = 0; e < epsilons.size(); ++e) {
    measured.epsilons.push_back(
        analyzer->measure(static_cast<double>(epsilons[e].value), tile.copies[e], progress));
    measured.inexact += measured.epsilons.back().inexact;
  }
  return measured;
}

TilePlan::TilePlan() {
  std::random_device seed;
  id_ = (static_cast<std::uint64_t>(seed()) << 32) ^ seed();
}

TilePlan TilePlan::of_file(const std::string& path, const MeasureOptions& options) {
  TilePlan plan;
  plan.started_ = Clock::now();
  plan.result_.path = path;
  FileLayout layout;
  const auto take_layout = [&] {
    plan.result_.format = format_name(layout.format);
    plan.result_.vertices_in_file = layout.vertices_in_file;
    plan.result_.facets_in_file = layout.facets_in_file;
    plan.result_.mesh_vertex = std::move(layout.mesh_vertex);
    plan.result_.file_points = std::move(layout.points);
    plan.result_.file_facets = std::move(layout.facets);
  };
  if (!options.keep_file_lists) {
    StoredLists stored;
    bool in_passes = false;
    plan.result_.status = read_mesh_in_passes(path, stored, layout, in_passes);
    if (!plan.ok() || in_passes) {
      take_layout();
      if (!plan.ok()) return plan;
      plan.face_lines_file_ = std::move(stored.face_lines);
      if (plan.plan_geometry(stored.points, stored.facets.size(), options))
        plan.plan_store(std::move(stored.points), std::move(stored.facets),
                        stored.facet_unfit_alone);
      return plan;
    }
  }
  FileLists lists;
  plan.result_.status = read_mesh_lists(path, lists, layout, options.keep_file_lists);
  take_layout();
  if (!plan.ok()) return plan;
  plan.face_lines_ = std::move(lists.face_lines);
  plan.plan(std::move(lists.points), std::move(lists.facets), options);
  return plan;
}

TilePlan TilePlan::of_lists(const std::vector<Vec3f>& points, const FacetList& facets,
                            const MeasureOptions& options) {
  TilePlan plan;
  plan.started_ = Clock::now();
  plan.result_.format = "arrays";
  plan.result_.status = check_facet_list(facets, points.size());
  if (!plan.ok()) return plan;
  plan.result_.vertices_in_file = points.size();
  plan.result_.facets_in_file = facets.size();
  plan.result_.mesh_vertex.resize(points.size());
  for (std::size_t i = 0; i < points.size(); ++i)
    plan.result_.mesh_vertex[i] = static_cast<std::uint32_t>(i);
  if (options.keep_file_lists) {
    plan.result_.file_points = points;
    plan.result_.file_facets = facets;
  }
  plan.plan(std::vector<Vec3f>(points), FacetList(facets), options);
  return plan;
}

void TilePlan::plan(std::vector<Vec3f>&& points, FacetList&& facets,
                    const MeasureOptions& options) {
  if (!plan_geometry(points, facets.size(), options)) return;
  FacetStore store;
  if (!holds(store.create())) return;
  StoredFacets stored(store);
  for (std::size_t f = 0; f < facets.size(); ++f) {
    for (std::size_t c = facets.starts[f]; c < facets.starts[f + 1]; ++c)
      stored.add_corner(facets.corners[c]);
    stored.end_facet();
  }
  if (!holds(stored.status()) || !holds(store.finish_adding())) return;
  facets = FacetList{};
  plan_store(std::move(points), std::move(store), stored.unfit_alone());
}

bool TilePlan::plan_geometry(const std::vector<Vec3f>& points, std::size_t facets,
                             const MeasureOptions& options) {
  options_ = options;
  result_.status = check_list_geometry(points, facets);
  if (!ok()) return false;
  normalisation_ = normalisation_of(points, 0.0f);
  if (options.length > 0.0f) {
    if (!holds(check_length(options.length, normalisation_.extent))) return false;
    normalisation_ = normalisation_of(points, options.length);
  }
  result_.length = normalisation_.length;
  result_.length_given = options.length > 0.0f;
  result_.bbox_min = normalisation_.bbox_min;
  result_.bbox_max = normalisation_.bbox_max;
  surface_.points.reserve(points.size());
  for (const Vec3f& p : points)
    surface_.points.push_back(normalised(p, normalisation_));
  return true;
}

void TilePlan::plan_store(std::vector<Vec3f>&& file_points, FacetStore&& facets,
                          bool facet_unfit_alone) {
  if (facet_unfit_alone) {
    // The whole mesh leaves facets out: which ones, a build of the whole mesh decides.
    FacetList all;
    if (holds(facets.load(all))) plan_facets(file_points, all);
    return;
  }
  // From here on, the file's points and the facets wait in scratch files, not in memory.
  if (!holds(file_points_.create())) return;
  if (!holds(file_points_.append(file_points.data(), file_points.size() * sizeof(Vec3f)))) return;
  if (!holds(file_points_.flush())) return;
  file_points = std::vector<Vec3f>();
  surface_.facets = std::move(facets);
  if (!holds(count_facets(surface_))) return;
  start_stage(Stage::kConnecting);
}

bool TilePlan::holds(const ReadStatus& status) {
  if (status.ok) return true;
  result_.status = status;
  result_.read = true;
  stage_ = Stage::kDone;
  return false;
}

void TilePlan::plan_stored_facets() {
  std::vector<Vec3f> file_points(surface_.points.size());
  FacetList facets;
  if (!holds(file_points_.read(0, file_points.data(), file_points.size() * sizeof(Vec3f)))) return;
  if (!holds(surface_.facets.load(facets))) return;
  plan_facets(file_points, facets);
}

void TilePlan::plan_facets(const std::vector<Vec3f>& file_points, const FacetList& all) {
  Mesh mesh;
  FacetPlan facet_plan;
  const LeftOutFacets left_out =
      build_leaving_out_unfit_facets(mesh, file_points, all, &facet_plan);
  const std::size_t kept = mesh.size_of_facets();
  mesh.clear();
  result_.status.facets_left_out = left_out.count;
  result_.status.first_left_out = left_out.first;
  if (left_out.count > 0 && !face_lines_.empty())
    result_.status.first_left_out_line = face_lines_[left_out.first];
  if (left_out.count > 0 && face_lines_file_.is_open()) {
    std::uint64_t line = 0;
    if (!holds(face_lines_file_.read(left_out.first * sizeof line, &line, sizeof line))) return;
    result_.status.first_left_out_line = static_cast<std::size_t>(line);
  }
  if (kept == 0) {
    result_.status = check_list_geometry(file_points, 0);
    stage_ = Stage::kDone;
    return;
  }
  facets_planned_ = true;
  file_points_ = ScratchFile();
  if (!holds(surface_.facets.create())) return;
  const auto keep = [&](std::size_t f) {
    if (facet_plan.left_out[f]) return ReadStatus{};
    return surface_.facets.add(all.corners.data() + all.starts[f], all.degree(f));
  };
  if (facet_plan.order.empty()) {
    for (std::size_t f = 0; f < all.size(); ++f)
      if (!holds(keep(f))) return;
  } else {
    for (const std::size_t f : facet_plan.order)
      if (!holds(keep(f))) return;
  }
  if (!holds(surface_.facets.finish_adding())) return;
  if (!holds(count_facets(surface_))) return;
  start_stage(Stage::kConnecting);
}

void TilePlan::start_stage(Stage stage) {
  stage_ = stage;
  if (stage == Stage::kConnecting) {
    const std::size_t n = surface_.points.size();
    result_.measured.assign(n, false);
    result_.vertices_measured = 0;
    for (std::size_t v = 0; v < n; ++v) {
      result_.measured[v] = surface_.facets_at[v] > 0;
      if (result_.measured[v]) ++result_.vertices_measured;
    }
    cores_ = split_into_cores(surface_, tiles_worth_cutting());
    result_.tiles = cores_.size();
    halos_.assign(cores_.size(), kConnectingSides * surface_.mean_edge);
    connections_at_.assign(cores_.size(), 0);
    connection_count_.assign(cores_.size(), 0);
    scratch_.assign(n, kNoTileVertex);
    if (!holds(connections_.create())) return;
  } else if (stage == Stage::kMeasuring) {
    halos_.assign(cores_.size(), measuring_halo());
  }
  accepted_.assign(cores_.size(), false);
  cut_.resize(cores_.size());
  tile_vertices_.assign(cores_.size(), 0);
  for (std::uint64_t& cut : cut_)
    cut = ++cuts_;
}

double TilePlan::measuring_halo() const {
  float largest = 0.0f;
  for (const Epsilon& epsilon : options_.epsilons)
    largest = std::max(largest, epsilon.value);
  return averaging_radius(largest) + kCurvatureRadius + kMeasuringSides * surface_.mean_edge;
}

std::size_t TilePlan::tiles_worth_cutting() const {
  const std::size_t asked = std::max<std::size_t>(1, options_.tiles);
  if (options_.every_tile_asked || !(surface_.mean_edge > 0.0)) return asked;
  std::size_t used = 0;
  for (const std::uint32_t facets : surface_.facets_at)
    used += facets > 0 ? 1 : 0;
  // A core of k vertices on a surface spans about sqrt(k) facet sides.
  const double sides = kCoreWidthsPerHalo * measuring_halo() / surface_.mean_edge;
  const double least = std::max(1.0, sides * sides);
  const double worth = std::floor(static_cast<double>(used) / least);
  return worth < static_cast<double>(asked)
             ? std::max<std::size_t>(1, static_cast<std::size_t>(worth))
             : asked;
}

std::vector<std::size_t> TilePlan::tiles_to_do() const {
  std::vector<std::size_t> to_do;
  if (stage_ != Stage::kConnecting && stage_ != Stage::kMeasuring) return to_do;
  for (std::size_t t = 0; t < cores_.size(); ++t)
    if (!accepted_[t]) to_do.push_back(t);
  return to_do;
}

TileLists TilePlan::tile(std::size_t t) {
  const std::vector<std::vector<Vec3f>> none;
  TileLists tile;
  if (t >= cores_.size() || (stage_ != Stage::kConnecting && stage_ != Stage::kMeasuring))
    return tile;
  if (!holds(cut_tile(surface_, cores_[t], halos_[t], scratch_, tile,
                      stage_ == Stage::kMeasuring ? copies_ : none)))
    return tile;
  tile.key = TileKey{id_, t, cut_[t], tile.points.size()};
  tile_vertices_[t] = tile.points.size();
  if (stage_ == Stage::kMeasuring) {
    for (const std::vector<Vec3f>& copy : copies_) {
      std::vector<Vec3f> at_tile;
      at_tile.reserve(tile.mesh_vertex.size());
      for (const std::uint32_t v : tile.mesh_vertex)
        at_tile.push_back(copy[v]);
      tile.copies.push_back(std::move(at_tile));
    }
  }
  return tile;
}

TilePlan::Verdict TilePlan::grow(std::size_t t, const char* what) {
  if (tile_holds_everything(surface_, cores_[t], halos_[t])) {
    holds(ReadStatus::failure(std::string("a tile that held the whole mesh ") + what));
    return Verdict::kFailed;
  }
  halos_[t] = std::max(halos_[t] * kHaloGrowth, kNarrowestGrownHalo);
  cut_[t] = ++cuts_;
  return Verdict::kCutAgain;
}

TilePlan::Verdict TilePlan::refuse_result(const std::string& why) {
  holds(ReadStatus::failure(why));
  return Verdict::kFailed;
}

std::string TilePlan::key_misfit(std::size_t t, const TileKey& key) const {
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

TilePlan::Verdict TilePlan::accept(std::size_t t, TileConnections&& connections) {
  if (!ok()) return Verdict::kFailed;
  if (stage_ != Stage::kConnecting || t >= cores_.size())
    return refuse_result("the plan takes no result of tile " + std::to_string(t) + " now");
  if (accepted_[t])
    return refuse_result("tile " + std::to_string(t) + "'s result is already accepted");
  const std::string misfit = key_misfit(t, connections.key);
  if (!misfit.empty()) return refuse_result(misfit);
  if (connections.facets_fit && connections.incomplete == 0) {
    // Results may come from elsewhere (a cluster's worker): they must fit the core they are for.
    const std::vector<std::uint32_t>& first = connections.first_incoming;
    bool fits = first.size() == cores_[t].size() + 1 && first.front() == 0 &&
                first.back() == connections.source.size();
    for (std::size_t k = 1; fits && k < first.size(); ++k)
      fits = first[k] >= first[k - 1];
    for (const std::uint32_t v : connections.source)
      fits = fits && v < surface_.points.size();
    if (!fits) return refuse_result();
  }
  if (!connections.facets_fit) {
    if (facets_planned_) {
      holds(ReadStatus::failure("a tile left out a facet the whole mesh keeps"));
      return Verdict::kFailed;
    }
    plan_stored_facets();
    return ok() ? Verdict::kAllAgain : Verdict::kFailed;
  }
  if (connections.incomplete > 0) return grow(t, "did not hold every facet of its core");
  if (!keep_connections(t, connections)) return Verdict::kFailed;
  accepted_[t] = true;
  if (std::find(accepted_.begin(), accepted_.end(), false) == accepted_.end()) {
    // Which facets the mesh keeps is settled: the file's points served only that.
    file_points_ = ScratchFile();
    if (!holds(connections_.flush())) return Verdict::kFailed;
    start_stage(Stage::kSmoothing);
  }
  return Verdict::kAccepted;
}

bool TilePlan::keep_connections(std::size_t t, const TileConnections& connections) {
  connections_at_[t] = connections_.size();
  connection_count_[t] = connections.source.size();
  const std::vector<std::uint32_t>& first = connections.first_incoming;
  return holds(connections_.append(first.data(), first.size() * sizeof(std::uint32_t))) &&
         holds(connections_.append(connections.source.data(),
                                   connections.source.size() * sizeof(std::uint32_t)));
}

bool TilePlan::read_connections(std::size_t t, std::vector<std::uint32_t>& first_incoming,
                                std::vector<std::uint32_t>& source) {
  first_incoming.resize(cores_[t].size() + 1);
  source.resize(connection_count_[t]);
  const std::uint64_t first_bytes = first_incoming.size() * sizeof(std::uint32_t);
  return holds(connections_.read(connections_at_[t], first_incoming.data(), first_bytes)) &&
         holds(connections_.read(connections_at_[t] + first_bytes, source.data(),
                                 source.size() * sizeof(std::uint32_t)));
}

void TilePlan::smooth(const Progress& progress) {
  if (stage_ != Stage::kSmoothing) return;
  try {
    smooth_copies(progress);
  } catch (...) {
    // The halfedge orders went into the smoothing: an abandoned smoothing ends the plan.
    result_.status = ReadStatus::failure("the smoothing was abandoned");
    result_.read = true;
    stage_ = Stage::kDone;
    throw;
  }
}

void TilePlan::smooth_copies(const Progress& progress) {
  const std::size_t n = surface_.points.size();
  // The whole mesh's halfedge orders, gathered from the tiles' cores into one flat view whose
  // vertices go along a space-filling curve, as the whole mesh's run numbers them: walks then
  // touch memory that lies close together. No result depends on the numbering.
  SurfaceView view;
  view.mesh_place = locality_order(surface_.points);
  view.view_place.resize(n);
  for (std::uint32_t v = 0; v < n; ++v)
    view.view_place[view.mesh_place[v]] = v;
  view.first_incoming.assign(n + 1, 0);
  std::vector<std::uint32_t> first;
  std::vector<std::uint32_t> source;
  for (std::size_t t = 0; t < cores_.size(); ++t) {
    if (!read_connections(t, first, source)) return;
    for (std::size_t k = 0; k < cores_[t].size(); ++k)
      view.first_incoming[view.view_place[cores_[t][k]] + 1] = first[k + 1] - first[k];
  }
  for (std::size_t v = 0; v < n; ++v)
    view.first_incoming[v + 1] += view.first_incoming[v];
  view.source.resize(view.first_incoming[n]);
  for (std::size_t t = 0; t < cores_.size(); ++t) {
    if (!read_connections(t, first, source)) return;
    for (std::size_t k = 0; k < cores_[t].size(); ++k) {
      std::uint32_t slot = view.first_incoming[view.view_place[cores_[t][k]]];
      for (std::uint32_t s = first[k]; s < first[k + 1]; ++s)
        view.source[slot++] = view.view_place[source[s]];
    }
  }
  connections_ = ScratchFile();
  first = std::vector<std::uint32_t>();
  source = std::vector<std::uint32_t>();
  copies_.clear();
  for (std::size_t e = 0; e < options_.epsilons.size(); ++e) {
    view.positions.resize(n);
    for (std::uint32_t v = 0; v < n; ++v)
      view.positions[v] = surface_.points[view.mesh_place[v]];
    const Progress part =
        !progress ? Progress() : Progress([&](std::size_t done, std::size_t total) {
          progress(e * total + done, options_.epsilons.size() * total);
        });
    smooth_copy(view, static_cast<double>(options_.epsilons[e].value), part);
    std::vector<Vec3f> copy(n);
    for (std::uint32_t v = 0; v < n; ++v)
      copy[view.mesh_place[v]] = view.positions[v];
    copies_.push_back(std::move(copy));
  }
  view = SurfaceView();

  // The measured values start as what a vertex without facets gets in the whole mesh's run: no
  // samples, so no average and a roughness of 0; it stays where it is and has no curvature.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (options_.keep_fields || options_.keep_surface) result_.positions = surface_.points;
  if (options_.keep_fields) {
    result_.kmin.assign(n, 0.0);
    result_.kmax.assign(n, 0.0);
  }
  result_.epsilons.clear();
  for (std::size_t e = 0; e < options_.epsilons.size(); ++e) {
    EpsilonMeasurement measured;
    measured.epsilon = options_.epsilons[e];
    measured.roughness.assign(n, 0.0f);
    if (options_.keep_fields) {
      measured.fields.local_curvature.assign(n, nan);
      measured.fields.smoothed_positions = copies_[e];
      measured.fields.smoothed_kmin.assign(n, 0.0);
      measured.fields.smoothed_kmax.assign(n, 0.0);
      measured.fields.smoothed_local_curvature.assign(n, nan);
    }
    result_.epsilons.push_back(std::move(measured));
  }
  start_stage(Stage::kMeasuring);
}

TilePlan::Verdict TilePlan::accept(std::size_t t, TileMeasurement&& measured) {
  if (!ok()) return Verdict::kFailed;
  if (stage_ != Stage::kMeasuring || t >= cores_.size())
    return refuse_result("the plan takes no result of tile " + std::to_string(t) + " now");
  if (accepted_[t])
    return refuse_result("tile " + std::to_string(t) + "'s result is already accepted");
  const std::string misfit = key_misfit(t, measured.key);
  if (!misfit.empty()) return refuse_result(misfit);
  if (measured.facets_fit && measured.inexact == 0) {
    const std::size_t core = cores_[t].size();
    bool fits = measured.epsilons.size() == options_.epsilons.size();
    for (const TileRoughness& r : measured.epsilons) {
      const RoughnessFields& f = r.fields;
      fits = fits && r.roughness.size() == core;
      if (options_.keep_fields) {
        for (const std::vector<double>* field :
             {&f.kmin, &f.kmax, &f.local_curvature, &f.smoothed_kmin, &f.smoothed_kmax,
              &f.smoothed_local_curvature})
          fits = fits && field->size() == core;
      }
    }
    if (!fits) return refuse_result();
  }
  if (!measured.facets_fit) {
    holds(ReadStatus::failure("a tile left out a facet the whole mesh keeps"));
    return Verdict::kFailed;
  }
  if (measured.inexact > 0) return grow(t, "did not reproduce the whole mesh's values");
  const std::vector<std::uint32_t>& core = cores_[t];
  for (std::size_t e = 0; e < measured.epsilons.size(); ++e) {
    const TileRoughness& tile = measured.epsilons[e];
    EpsilonMeasurement& whole = result_.epsilons[e];
    for (std::size_t k = 0; k < core.size(); ++k)
      whole.roughness[core[k]] = tile.roughness[k];
    if (!options_.keep_fields) continue;
    const RoughnessFields& from = tile.fields;
    RoughnessFields& to = whole.fields;
    for (std::size_t k = 0; k < core.size(); ++k) {
      const std::uint32_t v = core[k];
      if (e == 0) {
        result_.kmin[v] = from.kmin[k];
        result_.kmax[v] = from.kmax[k];
      }
      to.local_curvature[v] = from.local_curvature[k];
      to.smoothed_kmin[v] = from.smoothed_kmin[k];
      to.smoothed_kmax[v] = from.smoothed_kmax[k];
      to.smoothed_local_curvature[v] = from.smoothed_local_curvature[k];
    }
  }
  accepted_[t] = true;
  if (std::find(accepted_.begin(), accepted_.end(), false) == accepted_.end())
    start_stage(Stage::kDone);
  return Verdict::kAccepted;
}

MeshMeasurement TilePlan::finish() {
  if (ok() && stage_ != Stage::kDone)
    holds(ReadStatus::failure("the plan was finished before every tile was measured"));
  if (ok() && options_.keep_surface) {
    result_.surface_polygons.reserve(surface_.facets.size());
    holds(
        surface_.facets.for_each([&](std::size_t, const VertexIndex* corners, std::size_t degree) {
          result_.surface_polygons.emplace_back(corners, corners + degree);
        }));
  }
  // Reading and every stage, shared equally between the epsilons as an untiled run shares them.
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count() /
      static_cast<double>(std::max<std::size_t>(1, result_.epsilons.size()));
  for (EpsilonMeasurement& e : result_.epsilons) {
    e.statistics = roughness_statistics(e.roughness, result_.measured);
    e.seconds = seconds;
  }
  return std::move(result_);
}

}  // namespace meshprobe
