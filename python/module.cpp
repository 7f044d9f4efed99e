// The Python module meshprobe: numpy arrays and mesh files in, roughness and the other per-vertex
// fields out, through measure_mesh_lists and measure_mesh_file as the programs call them. Faults
// become Python exceptions; facets left out become a FacetsLeftOutWarning.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <exception>
#include <ios>
#include <memory>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "measure/rules.h"
#include "meshprobe/version.h"
#include "outputs/atomic_file.h"
#include "outputs/report_index.h"
#include "outputs/statistics_output.h"
#include "python/array_input.h"
#include "python/output_request.h"
#include "python/results.h"
#include "python/tile_tasks.h"

namespace py = pybind11;

namespace meshprobe {
namespace {

// Rows of per-vertex values, one per epsilon, as a 1-D array for one epsilon given as a number
// and a 2-D one for a sequence.
py::array_t<float> stack(const std::vector<std::vector<float>>& rows, bool several) {
  if (!several) return to_numpy(rows.front());
  const std::size_t n = rows.front().size();
  py::array_t<float> array({static_cast<py::ssize_t>(rows.size()), static_cast<py::ssize_t>(n)});
  for (std::size_t e = 0; e < rows.size(); ++e) {
    if (n > 0) std::memcpy(array.mutable_data(e, 0), rows[e].data(), n * sizeof(float));
  }
  return array;
}

MeasureOptions options_from(const py::handle& epsilon, const py::handle& length, bool& several) {
  MeasureOptions options;
  options.epsilons = epsilons_from_python(epsilon, several);
  options.length = length_from_python(length);
  return options;
}

MeshMeasurement measure_arrays(const py::handle& vertices, const py::handle& faces,
                               MeasureOptions& options, const py::handle& threads,
                               const py::handle& progress) {
  const std::vector<Vec3f> points = vertices_from_python(vertices);
  const FacetList facets = faces_from_python(faces, points.size());
  const int thread_count = threads_from_python(threads);
  MeshMeasurement measurement = measure_released(
      thread_count, options, progress, [&] { return measure_mesh_lists(points, facets, options); });
  report(measurement, "");
  return measurement;
}

// With `warn_left_out` false, facets left out are not warned of: the caller returns every facet
// of the file, and measuring those lists warns instead (once for one mesh).
MeshMeasurement measure_file(const py::handle& path, MeasureOptions& options,
                             const py::handle& threads, const py::handle& progress,
                             bool warn_left_out = true) {
  const PathArgument file = path_from_python(path);
  const int thread_count = threads_from_python(threads);
  MeshMeasurement measurement = measure_released(
      thread_count, options, progress, [&] { return measure_mesh_file(file.bytes, options); });
  if (!warn_left_out) measurement.status.facets_left_out = 0;
  report_file(measurement, file);
  const std::string fewer = fewer_tiles_warning(options.tiles, measurement.tiles);
  if (!fewer.empty()) {
    warn_caller(PyExc_UserWarning, file.shown.cast<std::string>() + ": " + fewer);
  }
  return measurement;
}

py::array_t<float> roughness(const py::handle& vertices, const py::handle& faces,
                             const py::handle& epsilon, const py::handle& length,
                             const py::handle& threads, const py::handle& progress) {
  bool several = false;
  MeasureOptions options = options_from(epsilon, length, several);
  const MeshMeasurement measurement = measure_arrays(vertices, faces, options, threads, progress);
  // Every given vertex is in the mesh; the values are the value file's, NaN where no facet counts.
  std::vector<std::vector<float>> rows;
  for (const EpsilonMeasurement& result : measurement.epsilons)
    rows.push_back(measurement.in_file_order(result.roughness));
  return stack(rows, several);
}

py::dict fields(const py::handle& vertices, const py::handle& faces, const py::handle& epsilon,
                const py::handle& length, const py::handle& threads, const py::handle& progress) {
  bool several = false;
  MeasureOptions options = options_from(epsilon, length, several);
  options.keep_fields = true;
  const MeshMeasurement measurement = measure_arrays(vertices, faces, options, threads, progress);
  py::dict table;
  for (const FieldColumn& column : field_columns(measurement)) {
    switch (column.type) {
      case FieldColumn::Type::kIndex:
        table[column.name.c_str()] =
            to_numpy(std::vector<std::uint32_t>(column.values.begin(), column.values.end()));
        break;
      case FieldColumn::Type::kFloat:
        table[column.name.c_str()] =
            to_numpy(std::vector<float>(column.values.begin(), column.values.end()));
        break;
      case FieldColumn::Type::kDouble:
        table[column.name.c_str()] = to_numpy(column.values);
        break;
    }
  }
  return table;
}

py::array_t<float> file_roughness(const py::handle& path, const py::handle& epsilon,
                                  const py::handle& length, const py::handle& threads,
                                  const py::handle& tiles, const py::handle& progress) {
  bool several = false;
  MeasureOptions options = options_from(epsilon, length, several);
  options.tiles = tiles_from_python(tiles);
  const MeshMeasurement measurement = measure_file(path, options, threads, progress);
  std::vector<std::vector<float>> rows;
  for (const EpsilonMeasurement& result : measurement.epsilons) {
    rows.push_back(measurement.in_file_order(result.roughness));
  }
  return stack(rows, several);
}

py::object summary_of_file(const py::handle& path, const py::handle& epsilon,
                           const py::handle& length, const py::handle& threads,
                           const py::handle& tiles, const py::handle& progress,
                           const OutputArguments& arguments) {
  bool several = false;
  MeasureOptions options = options_from(epsilon, length, several);
  options.tiles = tiles_from_python(tiles);
  PythonOutputs outputs = outputs_from_python(path_bytes(path), true, options.epsilons, arguments);
  outputs.picture.tiles = options.tiles;  // the report lists them among the run's options
  keep_for(outputs, options);
  const MeshMeasurement measurement = measure_file(path, options, threads, progress);
  write_requested(measurement, outputs);
  return summaries_of(measurement, several);
}

py::object outputs_of_arrays(const py::handle& vertices, const py::handle& faces,
                             const py::handle& epsilon, const py::handle& length,
                             const py::handle& threads, const py::handle& progress,
                             const std::string& name, const OutputArguments& arguments) {
  bool several = false;
  MeasureOptions options = options_from(epsilon, length, several);
  const PythonOutputs outputs =
      outputs_from_python(name, !name.empty(), options.epsilons, arguments);
  keep_for(outputs, options);
  MeshMeasurement measurement = measure_arrays(vertices, faces, options, threads, progress);
  // Where the command line names the mesh's file (the picture's title, the PLY's comment, the
  // statistics), arrays have the name the caller gives them.
  measurement.path = name;
  write_requested(measurement, outputs);
  return summaries_of(measurement, several);
}

// The plan of a batch's outputs as a list of dicts, one per mesh.
py::list plan_of_batch(const py::handle& meshes, const py::handle& epsilons,
                       const py::handle& output_dir, const py::handle& values,
                       const py::handle& png, const py::handle& stats, const py::handle& ply,
                       const py::handle& csv, const py::handle& html, const py::handle& summary,
                       const py::handle& index, const py::handle& length, const py::handle& threads,
                       const py::handle& tiles, const py::handle& range, const py::handle& size,
                       const py::handle& dpi) {
  // The options are checked with the plan, so that a batch is refused whole before it starts.
  length_from_python(length);
  threads_from_python(threads);
  tiles_from_python(tiles);
  picture_from_python(range, size, dpi);
  OutputRequest request;
  for (const py::handle& mesh : meshes)
    request.meshes.push_back(path_bytes(mesh));
  for (const py::handle& text : epsilons)
    request.epsilons.push_back(py::str(text).cast<std::string>());
  if (request.epsilons.empty()) throw py::value_error("epsilons is an empty sequence");
  if (!output_dir.is_none()) request.output_dir = path_bytes(output_dir);
  request.values = choice_from_python(values, false);
  request.png = choice_from_python(png, false);
  request.stats = choice_from_python(stats, false);
  request.ply = choice_from_python(ply, false);
  request.csv = choice_from_python(csv, false);
  request.html = choice_from_python(html, false);
  if (!summary.is_none()) request.summary = path_bytes(summary);
  if (!index.is_none()) request.index = path_bytes(index);
  const OutputPlan plan = planned_or_raised(request);
  const py::object decode = py::module_::import("os").attr("fsdecode");
  const auto path = [&](const std::string& bytes) -> py::object {
    if (bytes.empty()) return py::none();
    return decode(py::bytes(bytes));
  };
  const auto paths = [&](const std::vector<std::string>& list) {
    py::list made;
    for (const std::string& bytes : list)
      made.append(path(bytes));
    return made;
  };
  py::list planned;
  for (const MeshOutputs& mesh : plan.meshes) {
    py::dict entry;
    entry["mesh"] = path(mesh.mesh);
    entry["values"] = paths(mesh.values);
    entry["png"] = paths(mesh.pngs);
    entry["stats"] = paths(mesh.stats);
    entry["ply"] = path(mesh.ply);
    entry["csv"] = path(mesh.csv);
    entry["html"] = path(mesh.html);
    planned.append(entry);
  }
  return planned;
}

// A path argument as the file system's bytes; None and "" are no path.
std::string optional_path(const py::dict& entry, const char* key) {
  if (!entry.contains(key) || entry[key].is_none()) return "";
  return py::module_::import("os").attr("fsencode")(entry[key]).cast<std::string>();
}

void write_index(const py::handle& path, const py::handle& epsilon_texts,
                 const py::handle& entries) {
  const std::string target = path_from_python(path).bytes;
  std::vector<std::string> epsilons;
  for (const py::handle& text : epsilon_texts)
    epsilons.push_back(py::str(text).cast<std::string>());
  const py::object dumps = py::module_::import("json").attr("dumps");
  std::vector<IndexEntry> rows;
  for (const py::handle& item : entries) {
    const py::dict entry = py::reinterpret_borrow<py::dict>(item);
    IndexEntry row;
    row.mesh = py::str(entry["mesh"]).cast<std::string>();
    if (entry.contains("error") && !entry["error"].is_none())
      row.error = py::str(entry["error"]).cast<std::string>();
    row.report = optional_path(entry, "report");
    row.picture = optional_path(entry, "png");
    if (entry.contains("statistics")) {
      for (const py::handle& statistics : entry["statistics"]) {
        // The numbers of --stats only: measure_file's dicts also carry the arrays.
        py::dict numbers;
        for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(statistics)) {
          if (!py::isinstance<py::array>(value)) numbers[key] = value;
        }
        row.statistics.push_back(dumps(numbers).cast<std::string>());
      }
    }
    rows.push_back(std::move(row));
  }
  bool written = false;
  {
    const py::gil_scoped_release released;
    written = write_report_index(epsilons, rows, target);
  }
  if (!written) {
    PyErr_SetObject(PyExc_OSError, py::str("cannot write " + target).ptr());
    throw py::error_already_set();
  }
}

py::tuple read_file(const py::handle& path) {
  MeasureOptions options;  // no epsilon: read, check and prepare only
  options.keep_file_lists = true;
  const MeshMeasurement measurement = measure_file(path, options, py::none(), py::none(), false);
  const std::vector<Vec3f>& points = measurement.file_points;
  py::array_t<float> vertices({static_cast<py::ssize_t>(points.size()), py::ssize_t{3}});
  for (std::size_t i = 0; i < points.size(); ++i) {
    float* row = vertices.mutable_data(static_cast<py::ssize_t>(i), 0);
    row[0] = points[i].x;
    row[1] = points[i].y;
    row[2] = points[i].z;
  }
  const FacetList& facets = measurement.file_facets;
  bool uniform = true;
  for (std::size_t f = 1; f < facets.size(); ++f)
    uniform = uniform && facets.degree(f) == facets.degree(0);
  auto corner = [&](std::size_t i) { return static_cast<std::int32_t>(facets.corners[i]); };
  if (uniform) {
    const std::size_t k = facets.size() == 0 ? 3 : facets.degree(0);
    py::array_t<std::int32_t> faces(
        {static_cast<py::ssize_t>(facets.size()), static_cast<py::ssize_t>(k)});
    std::int32_t* data = faces.mutable_data();
    for (std::size_t i = 0; i < facets.corners.size(); ++i)
      data[i] = corner(i);
    return py::make_tuple(vertices, faces);
  }
  py::list faces;
  for (std::size_t f = 0; f < facets.size(); ++f) {
    py::array_t<std::int32_t> row(static_cast<py::ssize_t>(facets.degree(f)));
    for (std::size_t c = 0; c < facets.degree(f); ++c)
      row.mutable_data()[c] = corner(facets.starts[f] + c);
    faces.append(row);
  }
  return py::make_tuple(vertices, faces);
}

}  // namespace
}  // namespace meshprobe

PYBIND11_MODULE(_core, module) {
  using namespace meshprobe;
  module.doc() =
      "Per-vertex roughness of polygon meshes, as the meshprobe command line measures it.\n\n"
      "Lengths are in normalised units: the mesh is centred and scaled so that the largest side\n"
      "of its bounding box is 1; epsilon 0.01 is recommended.";
  // Each docstring starts with its signature as Python users write it, with numpy's types.
  py::options options;
  options.disable_function_signatures();
  module.attr("__version__") = MESHPROBE_VERSION;
  module.attr("SUMMARY_HEADER") = summary_header();
  module.attr("MAX_TILES") = kMaxTiles;
  facets_left_out_warning =
      PyErr_NewExceptionWithDoc("meshprobe.FacetsLeftOutWarning",
                                "Facets the surface cannot hold were left out of the measurement.",
                                PyExc_UserWarning, nullptr);
  if (facets_left_out_warning == nullptr) throw py::error_already_set();
  module.attr("FacetsLeftOutWarning") = py::handle(facets_left_out_warning);
  add_tile_tasks(module);

  module.def(
      "parse_epsilons",
      [](const std::string& text) {
        std::vector<Epsilon> epsilons;
        std::string error;
        if (!parse_epsilons(text, epsilons, error)) throw py::value_error(error);
        py::list parsed;
        for (const Epsilon& epsilon : epsilons)
          parsed.append(py::make_tuple(epsilon.text, static_cast<double>(epsilon.value)));
        return parsed;
      },
      py::arg("text"),
      R"(parse_epsilons(text) -> list[tuple[str, float]]

The epsilons of a command-line argument ("0.01" or "0.005,0.01"), checked as the command line
checks them: each as written (output names carry it) and its single-precision value. Raises
ValueError with the command line's words for a text it refuses.)");
  module.def(
      "derived_name",
      [](const std::string& mesh, const std::string& folder, const std::string& epsilon,
         const std::string& ending) { return derived_name(mesh, folder, epsilon, ending); },
      py::arg("mesh"), py::arg("folder"), py::arg("epsilon"), py::arg("ending"),
      R"(derived_name(mesh, folder, epsilon, ending) -> str

The command line's name for an output of `mesh`: its path cut at the last '.' (with a folder, the
folder and the file's name cut so), then "_eps" and the epsilon as written when `epsilon` is not
empty (several epsilons), then `ending`, one of OUTPUT_ENDINGS' values.)");
  py::dict endings;
  endings["values"] = kValuesEnding;
  endings["png"] = kPictureEnding;
  endings["stats"] = kStatisticsEnding;
  endings["ply"] = kPlyEnding;
  endings["csv"] = kCsvEnding;
  endings["html"] = kReportEnding;
  module.attr("OUTPUT_ENDINGS") = endings;
  module.def(
      "summary_failure_row",
      [](const std::string& mesh, const std::string& epsilon, const std::string& status) {
        float value = 0.0f;
        if (!parse_epsilon(epsilon.c_str(), value)) {
          throw py::value_error(epsilon_refusal(epsilon));
        }
        SummaryTable table;
        table.add_failure(mesh, Epsilon{epsilon, value}, status);
        return table.rows().front();
      },
      py::arg("mesh"), py::arg("epsilon"), py::arg("status"),
      R"(summary_failure_row(mesh, epsilon, status) -> str

The summary's row for a mesh that was not measured at `epsilon` (as written), as the command
line's --summary writes it: the columns between the epsilon and the version empty, `status` the
error on one line.)");
  module.def("read", &read_file, py::arg("path"),
             R"(read(path) -> (vertices, faces)

The mesh file as the command line reads it (OBJ, PLY, STL or OFF, chosen as the command line
chooses), with the same refusals. vertices: float32 array (n, 3) in the file's coordinates, one
row per vertex of the file. faces: int32 array (m, k) when every facet has k corners, otherwise a
list of int32 arrays; every facet of the file in file order, corners counted from 0.
Raises OSError when the file cannot be opened, ValueError with the reader's message when it is
not a mesh it accepts. Facets the surface cannot hold are returned too, with no warning:
roughness() on these lists warns FacetsLeftOutWarning, once.)");
  module.def("roughness", &roughness, py::arg("vertices"), py::arg("faces"), py::arg("epsilon"),
             py::kw_only(), py::arg("length") = py::none(), py::arg("threads") = py::none(),
             py::arg("progress") = py::none(),
             R"(roughness(vertices, faces, epsilon, *, length=None, threads=None) -> numpy.ndarray

Roughness of every vertex of the mesh given as arrays: float32, one value per row of vertices,
bit for bit the numbers the value file holds for the same mesh read from OBJ. Vertices that no
facet uses are kept, count in the bounding box, and get NaN (the value file holds 0 there).

vertices: (n, 3) array of any integer or float dtype, rounded to float32.
faces: (m, k) integer array, or a sequence of 1-D integer arrays (facets of varying size),
corners counted from 0; each facet has >= 3 distinct corners.
epsilon: neighbourhood radius in normalised units (> 0); a sequence of them gives an array
(len(epsilon), n), the work that does not depend on epsilon done once.
length: the length unit in the vertices' units (default: the largest side of the bounding box);
epsilon and the curvature radius are fractions of it, as with --length.
threads: threads of the passes over the vertices (default: every core; at most one per
processor).

Raises ValueError naming the fault of a bad input; warns FacetsLeftOutWarning when facets the
surface cannot hold are left out. Runs without the GIL.)");
  module.def(
      "fields", &fields, py::arg("vertices"), py::arg("faces"), py::arg("epsilon"), py::kw_only(),
      py::arg("length") = py::none(), py::arg("threads") = py::none(),
      py::arg("progress") = py::none(),
      R"(fields(vertices, faces, epsilon, *, length=None, threads=None) -> dict[str, numpy.ndarray]

Every per-vertex column of meshprobe-fields' CSV output, under the same names (x, y, z, sx, ...,
roughness), for the mesh given as in roughness(); one value per row of vertices, NaN for a vertex
that no facet uses. With a sequence of epsilons the columns that depend on it are suffixed
"_eps" and the epsilon.)");
  module.def(
      "roughness_of_file", &file_roughness, py::arg("path"), py::arg("epsilon"), py::kw_only(),
      py::arg("length") = py::none(), py::arg("threads") = py::none(),
      py::arg("tiles") = py::none(), py::arg("progress") = py::none(),
      R"(roughness_of_file(path, epsilon, *, length=None, threads=None, tiles=None) -> numpy.ndarray

Exactly what the command line computes for the file: float32, one value per vertex of the file
in file order, NaN for a vertex that is not part of the measured surface (OFF and PLY drop the
vertices no facet uses before normalising; use this, not roughness(), to match the command line
on such files). A sequence of epsilons gives one row per epsilon. tiles: measure the mesh in that
many spatial tiles, one after the other, for less memory, with the same values (--tiles).)");
  module.def(
      "measure_file",
      [](const py::handle& path, const py::handle& epsilon, const py::handle& length,
         const py::handle& threads, const py::handle& tiles, const py::handle& values,
         const py::handle& ply, const py::handle& png, const py::handle& csv,
         const py::handle& stats, const py::handle& range, const py::handle& size,
         const py::handle& html, const py::handle& dpi, const py::handle& progress) {
        return summary_of_file(
            path, epsilon, length, threads, tiles, progress,
            OutputArguments{values, ply, png, csv, stats, html, range, size, dpi});
      },
      py::arg("path"), py::arg("epsilon"), py::kw_only(), py::arg("length") = py::none(),
      py::arg("threads") = py::none(), py::arg("tiles") = py::none(),
      py::arg("values") = py::none(), py::arg("ply") = py::none(), py::arg("png") = py::none(),
      py::arg("csv") = py::none(), py::arg("stats") = py::none(), py::arg("range") = py::none(),
      py::arg("size") = py::none(), py::arg("html") = py::none(), py::arg("dpi") = py::none(),
      py::arg("progress") = py::none(),
      R"(measure_file(path, epsilon, *, length=None, threads=None, tiles=None, values=None, ply=None, png=None, csv=None, stats=None, range=None, size=None, html=None, dpi=None, progress=None) -> dict | list[dict]

One mesh file, as `meshprobe --stats` and `--summary` report it: the statistics (mesh, format,
epsilon, vertices_in_file, vertices_measured, facets_in_file, facets_left_out, bbox_min,
bbox_max, length, roughness_min ... roughness_max, zero_share, seconds, version; None for a
number that is not finite), "status" ("ok"), plus "summary_row" (the row as the summary file
holds it; SUMMARY_HEADER is its header), "values" (the value file's numbers, float32) and
"roughness" (per vertex of the file, as roughness_of_file gives it). A sequence of epsilons
measures the mesh once for all of them and gives a list of such dicts, one per epsilon.

The outputs are written with the bytes the command line writes for the same file and options:
values (-o), ply (--ply), png (--png), csv (--csv), stats (--stats), html (--html, the report to
open in a browser, one for every epsilon). Each is a path, True for the name the command line
derives from the mesh's, or None; values, png and stats may also be a list of paths, one per
epsilon. range=(lo, hi) as --range LO:HI, size=(width, height) as --size WxH, dpi as --dpi.
The outputs are checked as the command line checks them, before the mesh is read: ValueError with its words for
an output that would replace the mesh (whatever the spelling or link), two outputs on one path,
or a folder, device or socket as a target; OSError for one that cannot be written. Each file
appears whole or not at all, all of them together. tiles: as --tiles (see measure_file_in_tiles
to spread them over a Dask cluster).)");
  module.def(
      "plan_outputs", &plan_of_batch, py::arg("meshes"), py::arg("epsilons"), py::kw_only(),
      py::arg("output_dir") = py::none(), py::arg("values") = true, py::arg("png") = py::none(),
      py::arg("stats") = py::none(), py::arg("ply") = py::none(), py::arg("csv") = py::none(),
      py::arg("html") = py::none(), py::arg("summary") = py::none(), py::arg("index") = py::none(),
      py::arg("length") = py::none(), py::arg("threads") = py::none(),
      py::arg("tiles") = py::none(), py::arg("range") = py::none(), py::arg("size") = py::none(),
      py::arg("dpi") = py::none(),
      R"(plan_outputs(meshes, epsilons, *, output_dir=None, values=True, png=None, stats=None, ply=None, csv=None, html=None, summary=None, index=None, length=None, threads=None, tiles=None, range=None, size=None, dpi=None) -> list[dict]

Where a batch writes, planned and checked as the command line plans it before measuring anything:
meshes (paths) at epsilons (texts as written; with several, derived names carry each), each
output a path, True for its derived name (placed in output_dir, which is created when missing)
or None; summary and index are the batch's own files. Returns one dict per mesh: "mesh",
"values", "png" and "stats" (lists, one path or None per epsilon), "ply", "csv" and "html" (a
path or None). Raises ValueError with the command line's words when two outputs would share a
path (a.off and a.obj of one folder both name a_labels.lb), an output would replace an input, or
a target is a folder, device or socket; OSError when an output cannot be written. length, threads,
tiles, range, size and dpi are checked as measure_file checks them (ValueError), so that a batch is
refused whole before any mesh is measured.)");
  module.def(
      "write_file",
      [](const py::handle& path, const py::bytes& data) {
        const std::string target = path_bytes(path);
        const std::string bytes = data;
        bool written = false;
        std::string error;
        {
          const py::gil_scoped_release released;
          AtomicFile file(target);
          written = file.is_open() &&
                    std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) == bytes.size();
          written = file.commit() && written;
          error = file.error();
        }
        if (!written) {
          PyErr_SetObject(PyExc_OSError,
                          py::str("cannot write " + (error.empty() ? target : error)).ptr());
          throw py::error_already_set();
        }
      },
      py::arg("path"), py::arg("data"),
      R"(write_file(path, data) -> None

Writes the bytes `data` to `path` as the command line writes its outputs: the file appears whole
or not at all, a new one with the permission bits 0666 less the umask, an existing one keeping
its own; a symbolic link keeps pointing where it did, a FIFO is written in place. Raises OSError
with the file and the system's reason.)");
  module.def(
      "write_outputs",
      [](const py::handle& vertices, const py::handle& faces, const py::handle& epsilon,
         const py::handle& length, const py::handle& threads, const py::handle& values,
         const py::handle& ply, const py::handle& png, const py::handle& csv,
         const py::handle& stats, const py::handle& range, const py::handle& size,
         const std::string& name, const py::handle& html, const py::handle& dpi,
         const py::handle& progress) {
        return outputs_of_arrays(
            vertices, faces, epsilon, length, threads, progress, name,
            OutputArguments{values, ply, png, csv, stats, html, range, size, dpi});
      },
      py::arg("vertices"), py::arg("faces"), py::arg("epsilon"), py::kw_only(),
      py::arg("length") = py::none(), py::arg("threads") = py::none(),
      py::arg("values") = py::none(), py::arg("ply") = py::none(), py::arg("png") = py::none(),
      py::arg("csv") = py::none(), py::arg("stats") = py::none(), py::arg("range") = py::none(),
      py::arg("size") = py::none(), py::arg("name") = "", py::arg("html") = py::none(),
      py::arg("dpi") = py::none(), py::arg("progress") = py::none(),
      R"(write_outputs(vertices, faces, epsilon, *, length=None, threads=None, values=None, ply=None, png=None, csv=None, stats=None, range=None, size=None, name='', html=None, dpi=None, progress=None) -> dict | list[dict]

measure_file for a mesh given as in roughness(): writes the outputs whose paths are given, with
the bytes the command line writes for the same mesh read from an OBJ file called `name` (the
picture's title, the PLY's comment and the statistics' "mesh" give it; "format" is "arrays"),
and returns the same dict. The outputs are checked as measure_file checks them, `name` taking
the input's place: no output may replace the file `name`, and True (a derived name) needs one.)");
  module.def("write_html_index", &write_index, py::arg("path"), py::arg("epsilons"),
             py::arg("entries"),
             R"(write_html_index(path, epsilons, entries) -> None

The index of a batch's reports, as the command line writes it with --html and several meshes:
one sortable row per mesh with its status, key statistics per epsilon (epsilons: the texts as
written, one group of columns each), a thumbnail and a link to its report. Each entry is a dict
with "mesh" (str), and either "error" (str: the mesh failed) or "statistics" (a list of
measure_file's dicts, one per epsilon), and optionally "report" and "png" (paths). Links are
relative to the index's folder. Raises OSError when the file cannot be written.)");
}
