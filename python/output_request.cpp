#include "python/output_request.h"

#include <cmath>
#include <string>

#include "app/colour_range.h"
#include "app/command_line.h"
#include "app/fields_csv.h"
#include "app/fields_picture.h"
#include "app/fields_ply.h"
#include "app/statistics_output.h"
#include "io/value_file.h"
#include "viz/picture_layout.h"

namespace py = pybind11;

namespace meshprobe {

namespace {

std::string path_or_empty(const py::handle& path) {
  if (path.is_none()) return "";
  const std::string bytes = py::module_::import("os").attr("fsencode")(path).cast<std::string>();
  // An empty path names no file; the command line refuses it too.
  if (bytes.empty()) throw py::value_error("an output path must not be empty");
  return bytes;
}

// Two numbers from a pair, or ValueError with `what`.
void pair_from_python(const py::handle& pair, double& first, double& second, const char* what) {
  // A text is a sequence too, but "01" is no pair of numbers.
  if (!py::isinstance<py::sequence>(pair) || py::isinstance<py::str>(pair) ||
      py::isinstance<py::bytes>(pair) || py::len(pair) != 2) {
    throw py::value_error(what);
  }
  const py::sequence items = py::reinterpret_borrow<py::sequence>(pair);
  try {
    first = py::float_(items[0]).cast<double>();
    second = py::float_(items[1]).cast<double>();
  } catch (const py::error_already_set&) {
    throw py::value_error(what);
  }
}

}  // namespace

OutputRequest outputs_from_python(const py::handle& values, const py::handle& ply,
                                  const py::handle& png, const py::handle& csv,
                                  const py::handle& stats, const py::handle& range,
                                  const py::handle& size) {
  OutputRequest request;
  request.values = path_or_empty(values);
  request.ply = path_or_empty(ply);
  request.png = path_or_empty(png);
  request.csv = path_or_empty(csv);
  request.stats = path_or_empty(stats);
  const CommandLine defaults;
  request.width = defaults.width;
  request.height = defaults.height;
  if (!range.is_none()) {
    const char* what = "range must be (lo, hi) with finite numbers lo < hi";
    pair_from_python(range, request.range.low, request.range.high, what);
    if (!std::isfinite(request.range.low) || !std::isfinite(request.range.high) ||
        !(request.range.high > request.range.low)) {
      throw py::value_error(what);
    }
    request.fixed_range = true;
  }
  if (!size.is_none()) {
    const std::string what =
        "size must be (width, height) in pixels, from " + std::to_string(kMinPictureWidth) + "x" +
        std::to_string(kMinPictureHeight) + " to " + std::to_string(kMaxPictureSide) + "x" +
        std::to_string(kMaxPictureSide) + " and no taller than wide";
    double width = 0.0;
    double height = 0.0;
    pair_from_python(size, width, height, what.c_str());
    const auto whole = [](double v) { return v == std::floor(v) && v >= 1 && v <= 1e6; };
    if (!whole(width) || !whole(height) ||
        !picture_size_supported(static_cast<int>(width), static_cast<int>(height))) {
      throw py::value_error(what);
    }
    request.width = static_cast<int>(width);
    request.height = static_cast<int>(height);
  }
  return request;
}

void keep_for(const OutputRequest& request, MeasureOptions& options) {
  options.keep_fields = options.keep_fields || !request.csv.empty() || !request.ply.empty();
  options.keep_file_lists = options.keep_file_lists || !request.ply.empty();
  options.keep_surface = options.keep_surface || !request.png.empty();
}

void write_requested(const MeshMeasurement& m, const OutputRequest& request) {
  const EpsilonMeasurement& first = m.epsilons.front();
  const ValueRange colours = colour_range(first, request.fixed_range ? &request.range : nullptr);
  std::string failed;
  {
    const py::gil_scoped_release released;
    const auto check = [&](bool written, const std::string& path) {
      if (!written && failed.empty()) failed = path;
    };
    if (!request.values.empty()) {
      check(write_value_file(first.roughness, request.values), request.values);
    }
    if (!request.png.empty()) {
      check(write_fields_png(m, 0, colours, request.width, request.height, request.png),
            request.png);
    }
    if (!request.stats.empty()) check(write_statistics_json(m, 0, request.stats), request.stats);
    if (!request.ply.empty()) check(write_fields_ply(m, colours, request.ply), request.ply);
    if (!request.csv.empty()) check(write_fields_csv(m, request.csv), request.csv);
  }
  if (!failed.empty()) {
    PyErr_SetObject(PyExc_OSError,
                    py::str("cannot write " + failed).ptr());  // the writers say no more
    throw py::error_already_set();
  }
}

}  // namespace meshprobe
