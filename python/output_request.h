// The outputs a Python call names by path (values=, ply=, png=, csv=, stats=, html=, range=,
// size=), written by the writers the command line calls, so that the same mesh and options give
// the same bytes.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "measure/measurement.h"
#include "outputs/mesh_outputs.h"

namespace meshprobe {

struct OutputRequest {
  std::string values;  // each empty when not wanted; in the file system's encoding
  std::string ply;
  std::string png;
  std::string csv;
  std::string stats;
  std::string html;
  PictureSettings picture;
};

// Reads the keyword arguments: paths as str, bytes or os.PathLike (None: not wanted), range as
// (lo, hi) with finite lo < hi, size as (width, height) within the picture's limits (None: the
// command line's defaults). Raises ValueError or TypeError naming the fault.
OutputRequest outputs_from_python(const pybind11::handle& values, const pybind11::handle& ply,
                                  const pybind11::handle& png, const pybind11::handle& csv,
                                  const pybind11::handle& stats, const pybind11::handle& range,
                                  const pybind11::handle& size,
                                  const pybind11::handle& html = pybind11::none());

// Asks the measurement to keep what the requested outputs need (fields, file lists, surface).
void keep_for(const OutputRequest& request, MeasureOptions& options);

// Writes every requested output of the measurement's first epsilon, together or not at all.
// Raises OSError naming the first file that could not be written.
void write_requested(const MeshMeasurement& measurement, const OutputRequest& request);

}  // namespace meshprobe
