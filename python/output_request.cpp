#include "python/output_request.h"

#include <cmath>
#include <string>
#include <utility>

#include "python/results.h"

namespace py = pybind11;

namespace meshprobe {

namespace {

std::string path_or_empty(const py::handle& path) {
  if (path.is_none()) return "";
  const std::string bytes = path_bytes(path);
  // An empty path names no file; the command line refuses it too.
  if (bytes.empty()) throw py::value_error("an output path must not be empty");
  return bytes;
}

// Two numbers from a pair; false when it is not one.
bool pair_from_python(const py::handle& pair, double& first, double& second) {
  // A text is a sequence too, but "01" is no pair of numbers.
  if (!py::isinstance<py::sequence>(pair) || py::isinstance<py::str>(pair) ||
      py::isinstance<py::bytes>(pair) || py::len(pair) != 2) {
    return false;
  }
  const py::sequence items = py::reinterpret_borrow<py::sequence>(pair);
  try {
    first = py::float_(items[0]).cast<double>();
    second = py::float_(items[1]).cast<double>();
  } catch (const py::error_already_set&) {
    return false;
  }
  return true;
}

}  // namespace

OutputChoice choice_from_python(const py::handle& choice, bool per_epsilon) {
  if (choice.is_none() || (py::isinstance<py::bool_>(choice) && !choice.cast<bool>())) return {};
  if (py::isinstance<py::bool_>(choice)) return OutputChoice{true, "", {}};
  OutputChoice made{true, "", {}};
  if (per_epsilon && (py::isinstance<py::list>(choice) || py::isinstance<py::tuple>(choice))) {
    for (const py::handle& path : choice)
      made.per_epsilon.push_back(path.is_none() ? std::string() : path_or_empty(path));
    return made;
  }
  made.path = path_or_empty(choice);
  return made;
}

std::vector<std::string> epsilon_texts(const std::vector<Epsilon>& epsilons) {
  std::vector<std::string> texts;
  for (const Epsilon& epsilon : epsilons)
    texts.push_back(epsilon.text);
  return texts;
}

OutputPlan planned_or_raised(const OutputRequest& request) {
  OutputPlan plan;
  std::string error;
  PlanOutcome outcome = PlanOutcome::kPlanned;
  {
    const py::gil_scoped_release released;
    outcome = plan_outputs(request, plan, error);
  }
  if (outcome == PlanOutcome::kRefused) throw py::value_error(error);
  if (outcome == PlanOutcome::kCannotWrite) {
    PyErr_SetObject(PyExc_OSError, py::str(error).ptr());
    throw py::error_already_set();
  }
  return plan;
}

PictureSettings picture_from_python(const py::handle& range, const py::handle& size,
                                    const py::handle& dpi) {
  PictureSettings picture;
  if (!range.is_none()) {
    const std::string given = py::repr(range).cast<std::string>();
    double& low = picture.range.low;
    double& high = picture.range.high;
    if (!pair_from_python(range, low, high)) low = high = std::nan("");
    const std::string refusal = range_refusal("range", given, low, high);
    if (!refusal.empty()) throw py::value_error(refusal);
    picture.fixed_range = true;
  }
  if (!size.is_none()) {
    double width = std::nan("");
    double height = std::nan("");
    if (!pair_from_python(size, width, height)) width = height = std::nan("");
    const std::string refusal =
        size_refusal("size", py::repr(size).cast<std::string>(), width, height);
    if (!refusal.empty()) throw py::value_error(refusal);
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
  }
  if (!dpi.is_none()) {
    double value = std::nan("");
    if (!py::isinstance<py::bool_>(dpi) && !py::isinstance<py::str>(dpi)) {
      PyObject* number = PyNumber_Float(dpi.ptr());
      if (number == nullptr) {
        PyErr_Clear();
      } else {
        value = PyFloat_AsDouble(number);
        Py_DECREF(number);
      }
    }
    const std::string refusal = dpi_refusal("dpi", py::repr(dpi).cast<std::string>(), value);
    if (!refusal.empty()) throw py::value_error(refusal);
    picture.dpi = static_cast<int>(value);
  }
  return picture;
}

PythonOutputs outputs_from_python(const std::string& mesh, bool mesh_is_file,
                                  const std::vector<Epsilon>& epsilons,
                                  const OutputArguments& arguments) {
  OutputRequest request;
  request.meshes = {mesh};
  request.meshes_are_files = mesh_is_file;
  request.epsilons = epsilon_texts(epsilons);
  request.values = choice_from_python(arguments.values, true);
  request.ply = choice_from_python(arguments.ply, false);
  request.png = choice_from_python(arguments.png, true);
  request.csv = choice_from_python(arguments.csv, false);
  request.stats = choice_from_python(arguments.stats, true);
  request.html = choice_from_python(arguments.html, false);
  PythonOutputs outputs;
  outputs.picture = picture_from_python(arguments.range, arguments.size, arguments.dpi);
  outputs.paths = std::move(planned_or_raised(request).meshes.front());
  return outputs;
}

void keep_for(const PythonOutputs& outputs, MeasureOptions& options) {
  const MeshOutputs& paths = outputs.paths;
  options.keep_fields = options.keep_fields || !paths.csv.empty() || !paths.ply.empty();
  options.keep_file_lists = options.keep_file_lists || !paths.ply.empty() || !paths.html.empty();
  bool picture = false;
  for (const std::string& png : paths.pngs)
    picture = picture || !png.empty();
  options.keep_surface = options.keep_surface || picture || !paths.html.empty();
}

void write_requested(const MeshMeasurement& m, const PythonOutputs& outputs) {
  const std::string clamped = clamped_range_warning(m, outputs.picture);
  if (!clamped.empty()) {
    warn_caller(PyExc_UserWarning, (m.path.empty() ? "" : m.path + ": ") + clamped);
  }
  MeshOutputs paths = outputs.paths;
  paths.mesh = m.path;
  std::string failed;
  bool written = false;
  {
    const py::gil_scoped_release released;
    written = write_mesh_outputs(m, paths, outputs.picture, failed);
  }
  if (!written) {
    PyErr_SetObject(PyExc_OSError, py::str("cannot write " + failed).ptr());
    throw py::error_already_set();
  }
}

}  // namespace meshprobe
