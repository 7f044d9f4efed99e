#include "python/results.h"

#include <cerrno>
#include <chrono>
#include <memory>

#include "measure/rules.h"
#include "outputs/statistics_output.h"

namespace py = pybind11;

namespace meshprobe {

PyObject* facets_left_out_warning = nullptr;

namespace {

// How long a measurement may go without looking for a signal: Ctrl-C must take effect well
// within a second, and taking the GIL back costs little at this rate.
constexpr std::chrono::milliseconds kSignalCheckInterval{50};

}  // namespace

std::string path_bytes(const py::handle& path) {
  std::string bytes = py::module_::import("os").attr("fsencode")(path).cast<std::string>();
  // The system would end the path at a NUL and read or write another file: refused in the
  // words of Python's open().
  if (bytes.find('\0') != std::string::npos) throw py::value_error("embedded null byte");
  return bytes;
}

PathArgument path_from_python(const py::handle& path) {
  std::string bytes = path_bytes(path);
  return PathArgument{std::move(bytes), py::module_::import("os").attr("fsdecode")(path)};
}

ProgressReport signal_check() {
  using Clock = std::chrono::steady_clock;
  auto last = std::make_shared<Clock::time_point>(Clock::now());
  return [last](const char*, double) {
    const Clock::time_point now = Clock::now();
    if (now - *last < kSignalCheckInterval) return;
    *last = now;
    const py::gil_scoped_acquire held;
    if (PyErr_CheckSignals() != 0) throw Interrupted{};
  };
}

void warn_caller(PyObject* category, const std::string& words) {
  // The frames of the package's own Python files (mesh objects, tiles) are passed over, so that
  // the warning names the line that called the package.
  const py::object os_path = py::module_::import("os").attr("path");
  const std::string package =
      py::str(os_path.attr("dirname")(py::module_::import("meshprobe").attr("__file__")))
          .cast<std::string>() +
      "/";
  py::object frame = py::module_::import("sys").attr("_getframe")(0);
  Py_ssize_t level = 1;
  while (!frame.is_none()) {
    const std::string file = py::str(frame.attr("f_code").attr("co_filename")).cast<std::string>();
    if (file.compare(0, package.size(), package) != 0) break;
    frame = frame.attr("f_back");
    ++level;
  }
  if (PyErr_WarnEx(category, words.c_str(), level) != 0) throw py::error_already_set();
}

void report(const MeshMeasurement& measurement, const std::string& where) {
  if (!measurement.status.ok) throw py::value_error(where + measurement.status.error);
  if (measurement.status.facets_left_out == 0) return;
  warn_caller(facets_left_out_warning, where + left_out_warning(measurement.status));
}

void report_file(const MeshMeasurement& measurement, const PathArgument& file) {
  if (measurement.status.system_error != 0) {
    errno = measurement.status.system_error;
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, file.shown.ptr());
    throw py::error_already_set();
  }
  report(measurement, file.shown.cast<std::string>() + ": ");
}

py::dict summary_of(const MeshMeasurement& measurement, std::size_t e) {
  const EpsilonMeasurement& result = measurement.epsilons[e];
  py::dict row = py::module_::import("json").attr("loads")(statistics_json(measurement, e));
  row["status"] = "ok";
  SummaryTable table;
  table.add(measurement, e, "ok");
  row["summary_row"] = table.rows().front();
  row["values"] = to_numpy(result.roughness);
  row["roughness"] = to_numpy(measurement.in_file_order(result.roughness));
  return row;
}

}  // namespace meshprobe
