// The installed entry points over the measurement API.
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "measure/installed_api.h"
#include "measure/measurement.h"
#include "measure/rules.h"

namespace meshprobe {

namespace {

// The table's columns of one epsilon: the shared ones, and this epsilon's under their plain
// names (the table names them with "_eps" and the epsilon when there are several).
std::map<std::string, std::vector<double>> fields_of(std::vector<FieldColumn>& columns,
                                                     const std::string& suffix) {
  std::map<std::string, std::vector<double>> fields;
  for (FieldColumn& column : columns) {
    const std::string& name = column.name;
    if (suffix.empty() || name.find("_eps") == std::string::npos) {
      fields[name] = column.values;
    } else if (name.size() > suffix.size() &&
               name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      fields[name.substr(0, name.size() - suffix.size())] = column.values;
    }
  }
  return fields;
}

}  // namespace

Result result_of(MeshMeasurement& m, const Options& options, const std::string& what) {
  Result result;
  if (!m.status.ok) {
    result.error = what.empty() ? m.status.error : "cannot read " + what + ": " + m.status.error;
    return result;
  }
  result.vertices_in_file = m.vertices_in_file;
  result.vertices_measured = m.vertices_measured;
  result.facets_left_out = m.status.facets_left_out;
  std::vector<FieldColumn> columns;
  if (options.fields) columns = field_columns(m);
  for (EpsilonMeasurement& e : m.epsilons) {
    EpsilonResult r;
    r.epsilon = e.epsilon.value;
    r.roughness = m.in_file_order(e.roughness);
    r.values = std::move(e.roughness);
    r.statistics = e.statistics;
    if (options.fields)
      r.fields = fields_of(columns, m.epsilons.size() > 1 ? "_eps" + e.epsilon.text : "");
    result.epsilons.push_back(std::move(r));
  }
  return result;
}

// Options in the measurement's terms; false with `error` set when an epsilon or the length
// cannot be measured with.
bool measure_options(const Options& options, MeasureOptions& measure, std::string& error) {
  if (options.epsilons.empty()) {
    error = "no epsilon given";
    return false;
  }
  for (const float epsilon : options.epsilons) {
    if (!valid_epsilon(epsilon)) {
      error = epsilon_refusal(shortest_float_text(epsilon));
      return false;
    }
    const Epsilon next{shortest_float_text(epsilon), epsilon};
    error = repeated_epsilon(measure.epsilons, next);
    if (!error.empty()) return false;
    measure.epsilons.push_back(next);
  }
  // 0 leaves the length and the threads to the measurement: the bounding box, every core.
  if (options.length != 0.0f && !length_allowed(options.length)) {
    error = length_refusal("length", shortest_float_text(options.length));
    return false;
  }
  if (options.threads != 0 && !threads_allowed(options.threads)) {
    error = threads_refusal("threads", std::to_string(options.threads));
    return false;
  }
  if (!tiles_allowed(static_cast<double>(options.tiles))) {
    error = tiles_refusal("tiles", std::to_string(options.tiles));
    return false;
  }
  measure.length = options.length;
  measure.threads = options.threads;
  measure.tiles = options.tiles;
  measure.keep_fields = options.fields;
  return true;
}

Result measure_file(const std::string& path, const Options& options) {
  return guarded(
      options, path,
      [&](const MeasureOptions& measure) { return measure_mesh_file(path, measure); },
      [](const MeshMeasurement&, std::string&) {});
}

Result measure(const std::vector<std::array<float, 3>>& points,
               const std::vector<std::vector<std::uint32_t>>& facets, const Options& options) {
  return guarded(
      options, "",
      [&](const MeasureOptions& measure) {
        std::vector<Vec3f> vertices;
        vertices.reserve(points.size());
        for (const auto& p : points)
          vertices.push_back(Vec3f{p[0], p[1], p[2]});
        FacetList list;
        for (const auto& facet : facets) {
          for (const std::uint32_t corner : facet)
            list.corners.push_back(corner);
          list.end_facet();
        }
        return measure_mesh_lists(vertices, list, measure);
      },
      [](const MeshMeasurement&, std::string&) {});
}

FileRoughness roughness_of_file(const std::string& path, float epsilon) {
  Options options;
  options.epsilons = {epsilon};
  Result result = measure_file(path, options);
  FileRoughness file;
  file.error = std::move(result.error);
  if (!file.ok()) return file;
  file.facets_left_out = result.facets_left_out;
  file.values = std::move(result.epsilons.front().values);
  file.file_values = std::move(result.epsilons.front().roughness);
  return file;
}

}  // namespace meshprobe
