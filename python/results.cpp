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
// A progress bar moves smoothly at ten reports a second, and the callable costs little.
constexpr std::chrono::milliseconds kReportInterval{100};

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

ProgressReport signal_check(const py::handle& progress) {
  using Clock = std::chrono::steady_clock;
  struct Last {
    Clock::time_point check = Clock::now();
    Clock::time_point report = Clock::now();
    std::string stage;
  };
  auto last = std::make_shared<Last>();
  // Held for the callback's lifetime, which may outlast the call's own reference.
  auto callable = std::make_shared<py::object>(py::reinterpret_borrow<py::object>(progress));
  return [last, callable](const char* stage, double fraction) {
    const Clock::time_point now = Clock::now();
    const bool new_stage = !callable->is_none() && last->stage != stage;
    const bool report =
        new_stage || (!callable->is_none() && now - last->report >= kReportInterval);
    if (!report && now - last->check < kSignalCheckInterval) return;
    last->check = now;
    const py::gil_scoped_acquire held;
    if (PyErr_CheckSignals() != 0) throw Interrupted{};
    if (!report) return;
    last->report = now;
    last->stage = stage;
    PyObject* returned = PyObject_CallFunction(callable->ptr(), "sd", stage, fraction);
    if (returned == nullptr) throw Interrupted{};
    Py_DECREF(returned);
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

py::object summaries_of(const MeshMeasurement& measurement, bool several) {
  if (!several) return summary_of(measurement);
  py::list summaries;
  for (std::size_t e = 0; e < measurement.epsilons.size(); ++e)
    summaries.append(summary_of(measurement, e));
  return std::move(summaries);
}

}  // namespace meshprobe
