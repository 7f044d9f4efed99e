// What every call of the Python module shares: paths as Python gives them, measurements run
// without the GIL and abandoned on Ctrl-C, refusals turned into Python's exceptions and warnings,
// and results turned into numpy arrays and the summary dict.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "measure/measurement.h"

namespace meshprobe {

// The warning category of facets left out; a subclass of UserWarning, created with the module.
extern PyObject* facets_left_out_warning;

// A path as str, bytes or os.PathLike, in the file system's encoding.
struct PathArgument {
  std::string bytes;
  pybind11::object shown;  // as the caller gave it, for messages
};

PathArgument path_from_python(const pybind11::handle& path);
// The bytes of a path given as str, bytes or os.PathLike; ValueError when it holds a NUL.
std::string path_bytes(const pybind11::handle& path);

// Warns `words` in `category`, attributed to the line outside the package that called it.
void warn_caller(PyObject* category, const std::string& words);

// Thrown by the progress callback when a signal handler raised (Ctrl-C's KeyboardInterrupt):
// the Python error is already set, and the work unwinds to run_released.
struct Interrupted {};

// A progress callback that runs Python's signal handlers now and then (often enough for Ctrl-C
// to take effect well within a second), and passes the progress to `progress` (a Python
// callable taking the stage and the fraction done, or None) at each new stage and at most ten
// times a second within one. Called on the thread that released the GIL only; an exception the
// callable raises abandons the work and reaches the caller as Ctrl-C's does.
ProgressReport signal_check(const pybind11::handle& progress = pybind11::none());

// Runs `work` without the GIL, so that other Python threads go on meanwhile; a signal handler
// that raises (through signal_check) abandons the work and its exception reaches the caller.
template <class Work>
auto run_released(Work work) -> decltype(work()) {
  // A Ctrl-C while the input was converted, with the GIL held, is answered before any work.
  if (PyErr_CheckSignals() != 0) throw pybind11::error_already_set();
  try {
    const pybind11::gil_scoped_release released;
    return work();
  } catch (const Interrupted&) {
    throw pybind11::error_already_set();
  }
}

// run_released for a measurement whose passes use `threads` threads (0: OpenMP's default), its
// progress passed to the Python callable `progress` (None: none).
template <class Measure>
MeshMeasurement measure_released(int threads, MeasureOptions& options,
                                 const pybind11::handle& progress, Measure measure) {
  options.progress = signal_check(progress);
  options.threads = threads;
  return run_released(measure);
}

// Raises ValueError with the reader's or the checks' words (after `where`) when the mesh was
// refused; warns FacetsLeftOutWarning when facets were left out.
void report(const MeshMeasurement& measurement, const std::string& where);

// report for a mesh file: an OSError of the subclass the reading's errno names (as open() would
// raise it; the path was opened once, and a FIFO gives its bytes only once), else as report.
void report_file(const MeshMeasurement& measurement, const PathArgument& file);

template <class T>
pybind11::array_t<T> to_numpy(const std::vector<T>& values) {
  pybind11::array_t<T> array(static_cast<pybind11::ssize_t>(values.size()));
  if (!values.empty()) std::memcpy(array.mutable_data(), values.data(), values.size() * sizeof(T));
  return array;
}

// The statistics of epsilon `e` (an index of measurement.epsilons) as --stats writes them, then
// what a batch needs beside them: "status", "summary_row", "values" (the value file's numbers)
// and "roughness" (per vertex of the file).
pybind11::dict summary_of(const MeshMeasurement& measurement, std::size_t e = 0);

// summary_of every epsilon as a list, for epsilons given as a sequence (`several`); the dict
// alone for one given as a number.
pybind11::object summaries_of(const MeshMeasurement& measurement, bool several);

}  // namespace meshprobe
