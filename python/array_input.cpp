#include "python/array_input.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>

#include "measure/rules.h"

namespace py = pybind11;

namespace meshprobe {
namespace {

// numpy's view of `object`, or an invalid handle when numpy cannot make an array of it.
py::array as_array(const py::handle& object) {
  return py::array::ensure(object);
}

bool numeric(const py::array& array) {
  const char kind = array.dtype().kind();
  return kind == 'f' || kind == 'i' || kind == 'u';
}

std::string shape_text(const py::array& array) {
  std::string text = "(";
  for (py::ssize_t d = 0; d < array.ndim(); ++d) {
    text += (d > 0 ? ", " : "") + std::to_string(array.shape(d));
  }
  return text + (array.ndim() == 1 ? ",)" : ")");
}

// A vertex index as Python would print it.
std::string index_text(double index) {
  return py::repr(py::float_(index)).cast<std::string>();
}
std::string index_text(std::int64_t index) {
  return std::to_string(index);
}
std::string index_text(std::uint64_t index) {
  return std::to_string(index);
}

// The least magnitude that rounds to infinity in single precision: the largest float plus half
// its step (a tie rounds to the even neighbour, infinity).
constexpr double kRoundsToInfinity = 0x1.ffffffp+127;

// A double rounded to the nearest float as a cast rounds it; beyond the float's range, infinity
// of its sign, where a cast of C++ would be undefined.
float single(double value) {
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  if (std::fabs(value) >= kRoundsToInfinity) return value > 0 ? kInfinity : -kInfinity;
  return static_cast<float>(value);
}

// A whole number as Python indexes with (int, numpy's integers, anything with __index__), but
// not a bool. False when `object` is none; `overflow` is then as PyLong_AsLongLongAndOverflow
// sets it.
bool whole_number(const py::handle& object, long long& value, int& overflow) {
  overflow = 0;
  if (py::isinstance<py::bool_>(object) || !PyIndex_Check(object.ptr())) return false;
  PyObject* index = PyNumber_Index(object.ptr());
  if (index == nullptr) {
    PyErr_Clear();
    return false;
  }
  value = PyLong_AsLongLongAndOverflow(index, &overflow);
  Py_DECREF(index);
  return true;
}

// Appends the rows of `array` (1-D: one facet; 2-D: one facet per row), of any numeric dtype,
// to `facets`, the first being facet number `first`. An index of a float dtype must be a whole
// number. The array is converted once, to the widest type of its kind.
template <class T>
void append_rows(const py::array& array, std::size_t first, std::size_t vertex_count,
                 FacetList& facets) {
  const auto values = readable<T>(array);
  const bool one_facet = values.ndim() == 1;
  const std::size_t rows = one_facet ? 1 : static_cast<std::size_t>(values.shape(0));
  const std::size_t degree = static_cast<std::size_t>(values.shape(one_facet ? 0 : 1));
  const T* data = values.data();
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t facet = first + r;
    if (degree < 3) {
      refuse("facet " + std::to_string(facet) + " has " + std::to_string(degree) +
             " corners, fewer than 3");
    }
    for (std::size_t c = 0; c < degree; ++c) {
      const T index = data[r * degree + c];
      const std::string where =
          "facet " + std::to_string(facet) + ", corner " + std::to_string(c) + ": vertex index ";
      if constexpr (std::is_floating_point_v<T>) {
        if (!(index == std::floor(index))) {
          refuse(where + index_text(index) + " is not a whole number");
        }
      }
      if (index < 0) refuse(where + index_text(index) + " is negative");
      if (!(static_cast<double>(index) < static_cast<double>(vertex_count))) {
        refuse(where + index_text(index) + " is out of range (" + std::to_string(vertex_count) +
               " vertices)");
      }
      facets.corners.push_back(static_cast<std::size_t>(index));
    }
    facets.end_facet();
  }
}

void append_array(const py::array& array, std::size_t first, std::size_t vertex_count,
                  FacetList& facets) {
  switch (array.dtype().kind()) {
    case 'f':
      append_rows<double>(array, first, vertex_count, facets);
      break;
    case 'u':
      append_rows<std::uint64_t>(array, first, vertex_count, facets);
      break;
    default:
      append_rows<std::int64_t>(array, first, vertex_count, facets);
      break;
  }
}

bool is_text(const py::handle& object) {
  return py::isinstance<py::str>(object) || py::isinstance<py::bytes>(object);
}

Epsilon epsilon_from_python(const py::handle& number) {
  const std::string refusal = epsilon_refusal(py::repr(number).cast<std::string>());
  if (is_text(number) || py::isinstance<py::bool_>(number)) refuse(refusal);
  PyObject* as_float = PyNumber_Float(number.ptr());
  if (as_float == nullptr) {
    PyErr_Clear();
    refuse(refusal);
  }
  const py::object value = py::reinterpret_steal<py::object>(as_float);
  Epsilon epsilon;
  epsilon.text = py::repr(value).cast<std::string>();
  if (!parse_epsilon(epsilon.text.c_str(), epsilon.value)) refuse(refusal);
  return epsilon;
}

}  // namespace

std::vector<Vec3f> vertices_from_python(const py::handle& vertices) {
  const py::array array = as_array(vertices);
  if (!array || !numeric(array)) {
    refuse("vertices must be an array of numbers of shape (n, 3)");
  }
  if (array.ndim() != 2 || array.shape(1) != 3) {
    refuse("vertices must have shape (n, 3), not " + shape_text(array));
  }
  if (array.shape(0) == 0) refuse("vertices holds no vertex");
  std::vector<Vec3f> result(static_cast<std::size_t>(array.shape(0)));
  if (array.dtype().kind() == 'f' && array.dtype().itemsize() == sizeof(double)) {
    // Rounded here rather than by numpy, whose cast warns of overflow before the reader's own
    // refusal of a coordinate that is not a finite number can say which vertex it is.
    const auto points = readable<double>(array);
    const double* data = points.data();
    for (std::size_t i = 0; i < result.size(); ++i) {
      result[i] = Vec3f{single(data[3 * i]), single(data[3 * i + 1]), single(data[3 * i + 2])};
    }
    return result;
  }
  const auto points = readable<float>(array);
  const float* data = points.data();
  for (std::size_t i = 0; i < result.size(); ++i) {
    result[i] = Vec3f{data[3 * i], data[3 * i + 1], data[3 * i + 2]};
  }
  return result;
}

FacetList faces_from_python(const py::handle& faces, std::size_t vertex_count) {
  FacetList facets;
  const bool is_array = py::isinstance<py::array>(faces);
  if (is_array || !py::isinstance<py::sequence>(faces) || is_text(faces)) {
    const py::array array = as_array(faces);
    if (!array || !numeric(array) || array.ndim() != 2) {
      refuse("faces must be an integer array of shape (m, k) or a list of 1-D integer arrays");
    }
    append_array(array, 0, vertex_count, facets);
  } else {
    const py::sequence rows = py::reinterpret_borrow<py::sequence>(faces);
    for (std::size_t f = 0; f < rows.size(); ++f) {
      const py::array row = as_array(rows[f]);
      if (!row || !numeric(row) || row.ndim() != 1) {
        refuse("facet " + std::to_string(f) + " must be a 1-D array of integer vertex indices");
      }
      append_array(row, f, vertex_count, facets);
    }
  }
  const ReadStatus checked = check_facet_list(facets, vertex_count);
  if (!checked.ok) refuse(checked.error);
  return facets;
}

std::vector<Epsilon> epsilons_from_python(const py::handle& epsilon, bool& several) {
  // numpy arrays count as sequences only with one dimension; a 0-d array is a number.
  if (py::isinstance<py::array>(epsilon)) {
    const py::ssize_t dimensions = py::reinterpret_borrow<py::array>(epsilon).ndim();
    if (dimensions > 1) refuse("epsilon must be a number or a sequence of numbers");
    several = dimensions == 1;
  } else {
    several = py::isinstance<py::sequence>(epsilon) && !is_text(epsilon);
  }
  if (!several) return {epsilon_from_python(epsilon)};
  std::vector<Epsilon> epsilons;
  for (const py::handle number : py::iter(epsilon)) {
    const Epsilon next = epsilon_from_python(number);
    // Each epsilon names outputs and columns, as on the command line.
    const std::string repeated = repeated_epsilon(epsilons, next);
    if (!repeated.empty()) refuse(repeated);
    epsilons.push_back(next);
  }
  if (epsilons.empty()) refuse("epsilon is an empty sequence");
  return epsilons;
}

float length_from_python(const py::handle& length) {
  if (length.is_none()) return 0.0f;
  const std::string refusal = length_refusal("length", py::repr(length).cast<std::string>());
  if (is_text(length) || py::isinstance<py::bool_>(length)) refuse(refusal);
  PyObject* as_float = PyNumber_Float(length.ptr());
  if (as_float == nullptr) {
    PyErr_Clear();
    refuse(refusal);
  }
  const double value = PyFloat_AsDouble(as_float);
  Py_DECREF(as_float);
  if (!length_allowed(value)) refuse(refusal);
  return static_cast<float>(value);
}

int threads_from_python(const py::handle& threads) {
  if (threads.is_none()) return 0;
  int overflow = 0;
  long long count = 0;
  if (!whole_number(threads, count, overflow)) count = 0;
  if (overflow < 0 || (overflow == 0 && count < 1)) {
    refuse(threads_refusal("threads", py::repr(threads).cast<std::string>()));
  }
  constexpr long long kMost = std::numeric_limits<int>::max();
  return static_cast<int>(overflow > 0 ? kMost : std::min(count, kMost));
}

std::size_t tiles_from_python(const py::handle& tiles) {
  if (tiles.is_none()) return 1;
  int overflow = 0;
  long long count = 0;
  if (!whole_number(tiles, count, overflow)) count = 0;
  if (overflow != 0 || !tiles_allowed(static_cast<double>(count))) {
    refuse(tiles_refusal("tiles", py::repr(tiles).cast<std::string>()));
  }
  return static_cast<std::size_t>(count);
}

}  // namespace meshprobe
