#include "python/tile_tasks.h"

#include <pybind11/numpy.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "measure/threads.h"
#include "measure/tile_loop.h"
#include "measure/tile_run.h"
#include "python/array_input.h"
#include "python/output_request.h"
#include "python/results.h"

namespace py = pybind11;

namespace meshprobe {

namespace {

template <class T>
std::vector<T> vector_of(const py::dict& from, const char* key) {
  if (!from.contains(key)) refuse(std::string("the tile has no \"") + key + "\"");
  const auto array = readable<T>(from[key]);
  return std::vector<T>(array.data(), array.data() + array.size());
}

// A tile's key as four unsigned 64-bit numbers: plan, tile, cut, vertices.
py::array_t<std::uint64_t> key_array(const TileKey& key) {
  return to_numpy(std::vector<std::uint64_t>{key.plan, key.tile, key.cut, key.vertices});
}

TileKey key_of(const py::dict& from, const char* what) {
  if (!from.contains("key")) refuse(std::string("the ") + what + " has no \"key\"");
  const auto array = readable<std::uint64_t>(from["key"]);
  if (!array || array.size() != 4) refuse(std::string("the ") + what + "'s key is not 4 numbers");
  const std::uint64_t* k = array.data();
  return TileKey{k[0], k[1], k[2], k[3]};
}

// An entry that must be there, refused as the other entries are when it is not.
py::object entry(const py::dict& from, const char* key, const char* what) {
  if (!from.contains(key)) refuse(std::string("the ") + what + " has no \"" + key + "\"");
  return from[key];
}

py::array_t<float> points_array(const std::vector<Vec3f>& points) {
  py::array_t<float> array({static_cast<py::ssize_t>(points.size()), py::ssize_t{3}});
  float* data = array.mutable_data();
  for (std::size_t i = 0; i < points.size(); ++i) {
    data[3 * i] = points[i].x;
    data[3 * i + 1] = points[i].y;
    data[3 * i + 2] = points[i].z;
  }
  return array;
}

std::vector<Vec3f> points_of(const py::handle& object, std::size_t count, const char* what) {
  const auto array = readable<float>(object);
  if (array.size() != static_cast<py::ssize_t>(3 * count))
    refuse(std::string("the tile's ") + what + " do not have one row per vertex");
  const float* xyz = array.data();
  std::vector<Vec3f> points(count);
  for (std::size_t i = 0; i < count; ++i)
    points[i] = Vec3f{xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]};
  return points;
}

// What a tile needs besides its lists: the epsilons and whether the fields are kept.
struct TileTask {
  std::vector<Epsilon> epsilons;
  bool keep_fields = false;
};

py::dict tile_to_python(const TileLists& tile, const TileTask& task) {
  py::dict d;
  d["key"] = key_array(tile.key);
  d["points"] = points_array(tile.points);
  d["corners"] = to_numpy(tile.facets.corners);
  std::vector<std::uint64_t> starts(tile.facets.starts.begin(), tile.facets.starts.end());
  d["starts"] = to_numpy(starts);
  d["mesh_vertex"] = to_numpy(tile.mesh_vertex);
  d["facets_in_whole"] = to_numpy(tile.facets_in_whole);
  d["core"] = to_numpy(tile.core);
  py::list copies;
  for (const std::vector<Vec3f>& copy : tile.copies)
    copies.append(points_array(copy));
  d["copies"] = copies;
  py::list epsilons;
  for (const Epsilon& epsilon : task.epsilons)
    epsilons.append(py::make_tuple(epsilon.text, static_cast<double>(epsilon.value)));
  d["epsilons"] = epsilons;
  d["keep_fields"] = task.keep_fields;
  return d;
}

// A tile as tile_to_python gave it, every index checked against its lists.
TileLists tile_from_python(const py::dict& d, TileTask& task) {
  TileLists tile;
  tile.key = key_of(d, "tile");
  if (!d.contains("points")) refuse("the tile has no \"points\"");
  const std::size_t n = static_cast<std::size_t>(readable<float>(d["points"]).size() / 3);
  tile.points = points_of(d["points"], n, "points");
  tile.facets.corners = vector_of<std::uint32_t>(d, "corners");
  const std::vector<std::uint64_t> starts = vector_of<std::uint64_t>(d, "starts");
  tile.facets.starts.assign(starts.begin(), starts.end());
  tile.mesh_vertex = vector_of<std::uint32_t>(d, "mesh_vertex");
  tile.facets_in_whole = vector_of<std::uint32_t>(d, "facets_in_whole");
  tile.core = vector_of<std::uint32_t>(d, "core");
  if (tile.facets.starts.empty() || tile.facets.starts.front() != 0 ||
      tile.facets.starts.back() != tile.facets.corners.size())
    refuse("the tile's facet starts do not match its corners");
  for (std::size_t f = 1; f < tile.facets.starts.size(); ++f)
    if (tile.facets.starts[f] < tile.facets.starts[f - 1]) refuse("the tile's facet starts fall");
  for (const std::uint32_t c : tile.facets.corners)
    if (c >= n) refuse("a corner of the tile is not one of its vertices");
  for (const std::uint32_t c : tile.core)
    if (c >= n) refuse("a core vertex of the tile is not one of its vertices");
  if (tile.mesh_vertex.size() != n || tile.facets_in_whole.size() != n)
    refuse("the tile's vertex lists do not have one entry per vertex");
  task.epsilons.clear();
  for (const py::handle item : py::cast<py::list>(entry(d, "epsilons", "tile"))) {
    const py::tuple pair = py::cast<py::tuple>(item);
    const double value = py::cast<double>(pair[1]);
    if (!(value > 0.0)) refuse("an epsilon of the tile is not greater than 0");
    task.epsilons.push_back(Epsilon{py::cast<std::string>(pair[0]), static_cast<float>(value)});
  }
  task.keep_fields = py::cast<bool>(entry(d, "keep_fields", "tile"));
  for (const py::handle copy : py::cast<py::list>(entry(d, "copies", "tile")))
    tile.copies.push_back(points_of(copy, n, "copies"));
  return tile;
}

py::dict connections_to_python(const TileConnections& c) {
  py::dict d;
  d["key"] = key_array(c.key);
  d["facets_fit"] = c.facets_fit;
  d["incomplete"] = c.incomplete;
  d["first_incoming"] = to_numpy(c.first_incoming);
  d["source"] = to_numpy(c.source);
  return d;
}

TileConnections connections_from_python(const py::dict& d) {
  TileConnections c;
  c.key = key_of(d, "result");
  c.facets_fit = py::cast<bool>(entry(d, "facets_fit", "result"));
  c.incomplete = py::cast<std::size_t>(entry(d, "incomplete", "result"));
  c.first_incoming = vector_of<std::uint32_t>(d, "first_incoming");
  c.source = vector_of<std::uint32_t>(d, "source");
  return c;
}

const char* const kFieldNames[] = {"kmin",          "kmax",          "local_curvature",
                                   "smoothed_kmin", "smoothed_kmax", "smoothed_local_curvature"};

std::vector<double>* field_of(RoughnessFields& fields, std::size_t k) {
  std::vector<double>* all[] = {
      &fields.kmin,          &fields.kmax,          &fields.local_curvature,
      &fields.smoothed_kmin, &fields.smoothed_kmax, &fields.smoothed_local_curvature};
  return all[k];
}

py::dict measurement_to_python(TileMeasurement& m) {
  py::dict d;
  d["key"] = key_array(m.key);
  d["facets_fit"] = m.facets_fit;
  d["inexact"] = m.inexact;
  py::list epsilons;
  for (TileRoughness& r : m.epsilons) {
    py::dict e;
    e["roughness"] = to_numpy(r.roughness);
    for (std::size_t k = 0; k < 6; ++k) {
      if (!field_of(r.fields, k)->empty()) e[kFieldNames[k]] = to_numpy(*field_of(r.fields, k));
    }
    epsilons.append(e);
  }
  d["epsilons"] = epsilons;
  return d;
}

TileMeasurement measurement_from_python(const py::dict& d) {
  TileMeasurement m;
  m.key = key_of(d, "result");
  m.facets_fit = py::cast<bool>(entry(d, "facets_fit", "result"));
  m.inexact = py::cast<std::size_t>(entry(d, "inexact", "result"));
  for (const py::handle item : py::cast<py::list>(entry(d, "epsilons", "result"))) {
    const py::dict e = py::cast<py::dict>(item);
    TileRoughness r;
    r.roughness = vector_of<float>(e, "roughness");
    for (std::size_t k = 0; k < 6; ++k) {
      if (e.contains(kFieldNames[k])) *field_of(r.fields, k) = vector_of<double>(e, kFieldNames[k]);
    }
    m.epsilons.push_back(std::move(r));
  }
  return m;
}

const char* work_name(TileRun::Stage stage) {
  return stage == TileRun::Stage::kConnecting ? "connecting" : "measuring";
}

// The tiles handed to a Python object (the package's Dask handler): room(), send(t, tile, stage),
// busy(), next_result() -> (t, result) and cancel(), as TileHandler's. The loop that calls it runs
// without the GIL; each call takes it.
class TilesInPython : public TileHandler {
 public:
  TilesInPython(const py::handle& handler, const TileTask& task)
      : handler_(py::reinterpret_borrow<py::object>(handler)), task_(task) {}

  std::size_t room() override {
    const py::gil_scoped_acquire held;
    const long room = py::cast<long>(handler_.attr("room")());
    return room > 0 ? static_cast<std::size_t>(room) : 0;
  }
  void send(TileRun::Stage stage, std::size_t t, TileLists&& tile) override {
    const py::gil_scoped_acquire held;
    handler_.attr("send")(t, tile_to_python(tile, task_), work_name(stage));
  }
  bool busy() override {
    const py::gil_scoped_acquire held;
    return py::cast<bool>(handler_.attr("busy")());
  }
  std::size_t next_connections(TileConnections& result) override {
    const py::gil_scoped_acquire held;
    const py::tuple next = next_result();
    result = connections_from_python(py::cast<py::dict>(next[1]));
    return py::cast<std::size_t>(next[0]);
  }
  std::size_t next_measurement(TileMeasurement& result) override {
    const py::gil_scoped_acquire held;
    const py::tuple next = next_result();
    result = measurement_from_python(py::cast<py::dict>(next[1]));
    return py::cast<std::size_t>(next[0]);
  }
  void cancel() override {
    const py::gil_scoped_acquire held;
    handler_.attr("cancel")();
  }

 private:
  py::tuple next_result() {
    const py::tuple next = py::cast<py::tuple>(handler_.attr("next_result")());
    if (next.size() != 2) refuse("a tile handler's next_result() is not (tile, result)");
    return next;
  }

  py::object handler_;
  TileTask task_;
};

// The tiles handled in this process, each on `threads` threads.
class TilesHereOnThreads : public TilesHere {
 public:
  TilesHereOnThreads(const TileRun& plan, const MeasureOptions& options, ProgressReport check,
                     int threads)
      : TilesHere(plan, options, std::move(check)), threads_(threads) {}

  std::size_t next_connections(TileConnections& result) override {
    const ThreadScope scope(threads_);
    return TilesHere::next_connections(result);
  }
  std::size_t next_measurement(TileMeasurement& result) override {
    const ThreadScope scope(threads_);
    return TilesHere::next_measurement(result);
  }

 private:
  int threads_;
};

// The client's side: the plan, the outputs asked for and the path as the caller gave it.
class PythonTilePlan {
 public:
  // `outputs` makes the outputs' plan once the epsilon is read.
  template <class Outputs>
  PythonTilePlan(const py::handle& path, const py::handle& epsilon, const py::handle& tiles,
                 const py::handle& length, const py::handle& threads, Outputs outputs)
      : file_(path_from_python(path)) {
    options_.epsilons = epsilons_from_python(epsilon, several_);
    outputs_ = outputs(options_.epsilons);
    options_.length = length_from_python(length);
    options_.tiles = tiles_from_python(tiles);
    outputs_.picture.tiles = options_.tiles;
    threads_ = threads_from_python(threads);
    keep_for(outputs_, options_);
    task_.epsilons = options_.epsilons;
    task_.keep_fields = options_.keep_fields;
    options_.progress = signal_check();
    plan_ = std::make_unique<TileRun>(
        run_released([&] { return TileRun::of_file(file_.bytes, options_); }));
    if (!plan_->ok()) {
      MeshMeasurement failed = plan_->finish();
      report_file(failed, file_);
    }
  }

  std::string stage() const {
    switch (plan_->stage()) {
      case TileRun::Stage::kConnecting:
        return "connecting";
      case TileRun::Stage::kSmoothing:
        return "smoothing";
      case TileRun::Stage::kMeasuring:
        return "measuring";
      case TileRun::Stage::kDone:
        break;
    }
    return "done";
  }

  std::size_t tile_count() const { return plan_->tile_count(); }
  py::list tiles_to_do() const {
    py::list to_do;
    for (const std::size_t t : plan_->tiles_to_do())
      to_do.append(t);
    return to_do;
  }

  py::dict tile(std::size_t t) {
    check_tile(t);
    return tile_to_python(plan_->tile(t), task_);
  }

  std::string accept(std::size_t t, const py::dict& result) {
    check_tile(t);
    TileRun::Verdict verdict = TileRun::Verdict::kFailed;
    if (plan_->stage() == TileRun::Stage::kConnecting) {
      verdict = plan_->accept(t, connections_from_python(result));
    } else if (plan_->stage() == TileRun::Stage::kMeasuring) {
      verdict = plan_->accept(t, measurement_from_python(result));
    } else {
      refuse("the plan takes no tile's results while " + stage());
    }
    switch (verdict) {
      case TileRun::Verdict::kAccepted:
        return "accepted";
      case TileRun::Verdict::kCutAgain:
        return "cut again";
      case TileRun::Verdict::kAllAgain:
        return "all again";
      case TileRun::Verdict::kFailed:
        break;
    }
    report(plan_->measurement(), file_.shown.cast<std::string>() + ": ");
    return "failed";
  }

  void smooth() {
    // A plan that failed has nothing to smooth; finish() reports why.
    if (plan_->stage() == TileRun::Stage::kDone && !plan_->ok()) return;
    if (plan_->stage() != TileRun::Stage::kSmoothing)
      refuse("the plan smooths once every tile is connected, not while " + stage());
    const ThreadScope scope(usable_threads(threads_));
    const ProgressReport check = signal_check();
    run_released(
        [&] { plan_->smooth([&](std::size_t, std::size_t) { check("smoothing", 0.0); }); });
  }

  // Takes the plan through every stage (measure/tile_loop.h): the tiles handled by `handler`, or
  // here on `threads` threads when it is None; returns finish().
  py::object run(const py::handle& handler, const py::handle& threads, const py::handle& progress) {
    if (plan_->stage() != TileRun::Stage::kConnecting)
      refuse("the plan's tiles are run from its first stage, not while " + stage());
    std::unique_ptr<TileHandler> tiles;
    if (handler.is_none()) {
      std::string error;
      const int count = startable_threads(threads_from_python(threads), error);
      if (count == 0) refuse(error);
      tiles = std::make_unique<TilesHereOnThreads>(*plan_, options_, signal_check(), count);
    } else {
      tiles = std::make_unique<TilesInPython>(handler, task_);
    }
    TileRunProgress shown;
    shown.stages = signal_check(progress);
    const ProgressReport check = signal_check();
    shown.smoothing = [&check](std::size_t, std::size_t) { check("smoothing", 0.0); };
    {
      // The smoothing's passes on the plan's threads.
      const ThreadScope scope(usable_threads(threads_));
      run_released([&] { run_tile_stages(*plan_, *tiles, shown); });
    }
    // A failure is in the plan's status, which finish() raises.
    return finish();
  }

  py::object finish() {
    if (plan_->stage() != TileRun::Stage::kDone)
      refuse("the plan finishes once every tile is measured, not while " + stage());
    MeshMeasurement measurement = plan_->finish();
    measurement.path = file_.shown.cast<std::string>();
    report_file(measurement, file_);
    write_requested(measurement, outputs_);
    return summaries_of(measurement, several_);
  }

 private:
  void check_tile(std::size_t t) const {
    if (t >= plan_->tile_count()) refuse("the plan has no tile " + std::to_string(t));
  }

  PythonOutputs outputs_;
  bool several_ = false;  // epsilons given as a sequence: one summary each
  PathArgument file_;
  MeasureOptions options_;
  TileTask task_;
  int threads_ = 0;
  std::unique_ptr<TileRun> plan_;
};

// Runs `work` on a tile without the GIL, its passes on `threads` threads.
template <class Work>
auto on_threads(const py::handle& threads, Work work) {
  std::string error;
  const int count = startable_threads(threads_from_python(threads), error);
  if (count == 0) refuse(error);
  return run_released([&] {
    const ThreadScope scope(count);
    return work();
  });
}

}  // namespace

void add_tile_tasks(py::module_& module) {
  py::class_<PythonTilePlan>(
      module, "TilePlan",
      R"(TilePlan(path, epsilon, *, tiles, length=None, threads=None, values=None, ply=None, png=None, csv=None, stats=None, range=None, size=None, dpi=None, html=None)

One mesh file measured in spatial tiles whose results are exactly the untiled run's, the tiles
handled wherever the caller sends them (measure_file_in_tiles sends them to a Dask cluster). The
plan reads and cuts the mesh here; each tile of the current stage (tile(t)) goes to
connect_tile (stage "connecting") or measure_tile (stage "measuring"), and its result comes back
through accept(t, result), which says "accepted", "cut again" (the tile's halo grew: send
tile(t) again), or "all again" (every tile of stage 1 again: the mesh leaves facets out, now
decided for it whole). Between the stages, smooth() smooths the copy over the whole mesh; once
every tile is measured, finish() writes the outputs asked for and returns what measure_file
returns.)")
      .def(py::init([](const py::handle& path, const py::handle& epsilon, const py::handle& tiles,
                       const py::handle& length, const py::handle& threads,
                       const py::handle& values, const py::handle& ply, const py::handle& png,
                       const py::handle& csv, const py::handle& stats, const py::handle& range,
                       const py::handle& size, const py::handle& dpi, const py::handle& html) {
             return std::make_unique<PythonTilePlan>(
                 path, epsilon, tiles, length, threads, [&](const std::vector<Epsilon>& epsilons) {
                   return outputs_from_python(
                       path_bytes(path), true, epsilons,
                       OutputArguments{values, ply, png, csv, stats, html, range, size, dpi});
                 });
           }),
           py::arg("path"), py::arg("epsilon"), py::kw_only(), py::arg("tiles"),
           py::arg("length") = py::none(), py::arg("threads") = py::none(),
           py::arg("values") = py::none(), py::arg("ply") = py::none(), py::arg("png") = py::none(),
           py::arg("csv") = py::none(), py::arg("stats") = py::none(),
           py::arg("range") = py::none(), py::arg("size") = py::none(), py::arg("dpi") = py::none(),
           py::arg("html") = py::none())
      .def_property_readonly("stage", &PythonTilePlan::stage,
                             "\"connecting\", \"smoothing\", \"measuring\" or \"done\".")
      .def_property_readonly("tile_count", &PythonTilePlan::tile_count)
      .def("tiles_to_do", &PythonTilePlan::tiles_to_do,
           "tiles_to_do() -> list[int]\n\nThe tiles of the current stage not accepted yet.")
      .def("tile", &PythonTilePlan::tile, py::arg("t"),
           "tile(t) -> dict\n\nTile t of the current stage at its current halo, as numpy arrays.")
      .def("accept", &PythonTilePlan::accept, py::arg("t"), py::arg("result"),
           "accept(t, result) -> str\n\nTakes tile t's result; see the class.")
      .def("smooth", &PythonTilePlan::smooth,
           "smooth() -> None\n\nThe smoothed copy over the whole mesh, between the stages.")
      .def("finish", &PythonTilePlan::finish,
           "finish() -> dict\n\nWrites the outputs asked for; returns what measure_file returns.");
  module.def(
      "_run_tile_stages",
      [](PythonTilePlan& plan, const py::handle& handler, const py::handle& threads,
         const py::handle& progress) { return plan.run(handler, threads, progress); },
      py::arg("plan"), py::arg("handler"), py::kw_only(), py::arg("threads") = py::none(),
      py::arg("progress") = py::none(),
      "_run_tile_stages(plan, handler, *, threads=None, progress=None)\n\nrun_tile_plan's loop.");
  module.def(
      "connect_tile",
      [](const py::dict& tile, const py::handle& threads) {
        TileTask task;
        const TileLists lists = tile_from_python(tile, task);
        return connections_to_python(on_threads(threads, [&] { return connect_tile(lists); }));
      },
      py::arg("tile"), py::kw_only(), py::arg("threads") = py::none(),
      "connect_tile(tile, *, threads=None) -> dict\n\nStage 1 of a TilePlan's tile.");
  module.def(
      "measure_tile",
      [](const py::dict& tile, const py::handle& threads) {
        TileTask task;
        const TileLists lists = tile_from_python(tile, task);
        if (lists.copies.size() != task.epsilons.size())
          refuse("the tile does not carry one smoothed copy per epsilon");
        TileMeasurement measured = on_threads(
            threads, [&] { return measure_tile(lists, task.epsilons, task.keep_fields); });
        return measurement_to_python(measured);
      },
      py::arg("tile"), py::kw_only(), py::arg("threads") = py::none(),
      "measure_tile(tile, *, threads=None) -> dict\n\nStage 3 of a TilePlan's tile.");
}

}  // namespace meshprobe
