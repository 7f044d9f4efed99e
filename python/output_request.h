// The outputs a Python call names by path (values=, ply=, png=, csv=, stats=, html=, range=,
// size=), planned and checked by the command line's own plan before anything is read, and written
// by the writers the command line calls, so that the same mesh and options give the same bytes
// and meet the same refusals.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "measure/measurement.h"
#include "outputs/mesh_outputs.h"
#include "outputs/output_plan.h"

namespace meshprobe {

// The planned outputs of one mesh at one epsilon; every path in the file system's encoding,
// empty when not wanted.
struct PythonOutputs {
  MeshOutputs paths;
  PictureSettings picture;
};

// An output argument: None or False not wanted, True under its derived name, a path (str, bytes
// or os.PathLike), or with `per_epsilon` a list or tuple of paths, one per epsilon.
OutputChoice choice_from_python(const pybind11::handle& choice, bool per_epsilon);

// The picture's settings from range=(lo, hi), size=(width, height) and dpi (None: the command
// line's defaults); ValueError with the picture rules' words for a value they refuse.
PictureSettings picture_from_python(const pybind11::handle& range, const pybind11::handle& size,
                                    const pybind11::handle& dpi);

// The epsilons as their outputs' names carry them.
std::vector<std::string> epsilon_texts(const std::vector<Epsilon>& epsilons);

// The plan of `request`, or ValueError (a request refused) or OSError (an output that cannot be
// written) with the plan's words.
OutputPlan planned_or_raised(const OutputRequest& request);

// The output keywords of a Python call, as given.
struct OutputArguments {
  pybind11::handle values;
  pybind11::handle ply;
  pybind11::handle png;
  pybind11::handle csv;
  pybind11::handle stats;
  pybind11::handle html;
  pybind11::handle range;
  pybind11::handle size;
  pybind11::handle dpi;
};

// Reads the output keywords, the paths as choice_from_python reads them and the picture's
// settings as picture_from_python, and plans them as outputs of `mesh` at `epsilons` (a file's
// path in the file system's encoding, or with `mesh_is_file` false the name of measured arrays).
// Raises ValueError or TypeError naming a fault of the arguments, ValueError with the command
// line's words for a plan it refuses (an output that is the mesh, two outputs on one path, a
// target no output may replace), OSError for an output that cannot be written.
PythonOutputs outputs_from_python(const std::string& mesh, bool mesh_is_file,
                                  const std::vector<Epsilon>& epsilons,
                                  const OutputArguments& arguments);

// Asks the measurement to keep what the requested outputs need (fields, file lists, surface).
void keep_for(const PythonOutputs& outputs, MeasureOptions& options);

// Writes every requested output of the measurement, together or not at all.
// Raises OSError naming the first file that could not be written.
void write_requested(const MeshMeasurement& measurement, const PythonOutputs& outputs);

}  // namespace meshprobe
