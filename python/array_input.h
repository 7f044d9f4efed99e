// What the Python module accepts, turned into what measure_mesh_lists takes: numpy arrays (or
// anything numpy turns into one) of any integer or float dtype and layout, converted once. Every
// fault of the input raises ValueError naming it, before any measuring starts.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "measure/measurement.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Ends the call with ValueError saying `why`.
[[noreturn]] inline void refuse(const std::string& why) {
  throw pybind11::value_error(why);
}

// `object` as a C-contiguous numpy array of T, aligned for T: numpy may hand over an array in a
// buffer at any address (np.frombuffer at an odd offset, an array unpickled from another
// process), which cannot be read as T in place; such an array is copied once.
template <class T>
pybind11::array_t<T, pybind11::array::c_style | pybind11::array::forcecast> readable(
    const pybind11::handle& object) {
  using Array = pybind11::array_t<T, pybind11::array::c_style | pybind11::array::forcecast>;
  Array values = Array::ensure(object);
  if (values && (values.flags() & pybind11::detail::npy_api::NPY_ARRAY_ALIGNED_) == 0)
    values = Array::ensure(values.attr("copy")());
  return values;
}

// An array of shape (n, 3), n >= 1, rounded to single precision as the readers round.
std::vector<Vec3f> vertices_from_python(const pybind11::handle& vertices);

// An array of shape (m, k) or a sequence of 1-D arrays, one per facet, each corner a whole number
// in [0, vertex_count); every facet has at least 3 corners, none of them twice.
FacetList faces_from_python(const pybind11::handle& faces, std::size_t vertex_count);

// A number (a 0-d array too) or a non-empty sequence of numbers, each finite and > 0. Each
// epsilon's text is Python's repr of it and its value that text read as the command line reads its
// argument, so that the same number gives the same single-precision epsilon in both. `several`
// tells whether a sequence was given.
std::vector<Epsilon> epsilons_from_python(const pybind11::handle& epsilon, bool& several);

// A length unit given as None (the largest bounding-box side) or a finite number > 0; 0 for None.
float length_from_python(const pybind11::handle& length);

// None, or an int >= 1: the number of threads of the passes over the vertices (0 for every core).
// Counts beyond int's range become its largest value.
int threads_from_python(const pybind11::handle& threads);

// None (1: the whole mesh at once), or an int from 1 to kMaxTiles: the spatial tiles of a mesh.
std::size_t tiles_from_python(const pybind11::handle& tiles);

}  // namespace meshprobe
