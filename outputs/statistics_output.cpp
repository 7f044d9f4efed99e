#include "outputs/statistics_output.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "measure/rules.h"
#include "outputs/atomic_file.h"

namespace meshprobe {

namespace {

// Keys stay in the order written, which is the order of the summary's columns.
using json = nlohmann::ordered_json;

// JSON has no NaN or infinity: such a number is null.
json number(double value) {
  return std::isfinite(value) ? json(value) : json(nullptr);
}

// A CSV cell: quoted, inner quotes doubled, when it holds a separator, a quote or a line end.
std::string cell(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text)
    quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// The shortest text that reads back as the value: roughness values are single precision, and
// printed as such they keep the digits the value file shows.
template <class T>
std::string number_text(T value) {
  if (std::isnan(value)) return "nan";
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

// A single-precision statistic as a JSON number of the same shortest digits.
json float_number(double value) {
  if (!std::isfinite(value)) return json(nullptr);
  return json(std::strtod(number_text(static_cast<float>(value)).c_str(), nullptr));
}

json triple(const Vec3f& v) {
  return json::array({float_number(v.x), float_number(v.y), float_number(v.z)});
}

std::string float_triple(const Vec3f& v) {
  return shortest_float_text(v.x) + " " + shortest_float_text(v.y) + " " + shortest_float_text(v.z);
}

}  // namespace

std::string statistics_json(const MeshMeasurement& m, std::size_t epsilon) {
  const EpsilonMeasurement& e = m.epsilons[epsilon];
  const RoughnessStatistics& s = e.statistics;
  json object;
  object["mesh"] = m.path;
  object["format"] = m.format;
  object["epsilon"] = std::strtod(shortest_float_text(e.epsilon.value).c_str(), nullptr);
  object["vertices_in_file"] = m.vertices_in_file;
  object["vertices_measured"] = m.vertices_measured;
  object["facets_in_file"] = m.facets_in_file;
  object["facets_left_out"] = m.status.facets_left_out;
  object["bbox_min"] = triple(m.bbox_min);
  object["bbox_max"] = triple(m.bbox_max);
  object["length"] = float_number(m.length);
  object["roughness_min"] = float_number(s.min);
  object["roughness_mean"] = number(s.mean);
  object["roughness_median"] = float_number(s.median);
  object["roughness_p90"] = float_number(s.p90);
  object["roughness_p95"] = float_number(s.p95);
  object["roughness_p99"] = float_number(s.p99);
  object["roughness_max"] = float_number(s.max);
  object["zero_share"] = number(s.zero_share);
  object["seconds"] = number(e.seconds);
  object["version"] = meshprobe_version();
  // Paths need not be valid UTF-8; such bytes are replaced rather than refused.
  return object.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool write_statistics_json(const MeshMeasurement& m, std::size_t epsilon, const std::string& path) {
  const std::string text = statistics_json(m, epsilon);
  AtomicFile file(path);
  if (!file.is_open()) return false;
  std::fwrite(text.data(), 1, text.size(), file.stream());
  return file.commit();
}

void SummaryTable::add(const MeshMeasurement& m, std::size_t epsilon, const std::string& status) {
  const EpsilonMeasurement& e = m.epsilons[epsilon];
  const RoughnessStatistics& s = e.statistics;
  std::string row = cell(m.path) + "," + m.format + "," + shortest_float_text(e.epsilon.value);
  for (std::size_t count :
       {m.vertices_in_file, m.vertices_measured, m.facets_in_file, m.status.facets_left_out}) {
    row += "," + std::to_string(count);
  }
  row += "," + float_triple(m.bbox_min) + "," + float_triple(m.bbox_max) + "," +
         shortest_float_text(m.length);
  row += "," + number_text(static_cast<float>(s.min)) + "," + number_text(s.mean);
  for (double value : {s.median, s.p90, s.p95, s.p99, s.max})
    row += "," + number_text(static_cast<float>(value));
  row += "," + number_text(s.zero_share) + "," + number_text(e.seconds);
  rows_.push_back(row + "," + meshprobe_version() + "," + cell(status));
}

void SummaryTable::add_failure(const std::string& mesh, const Epsilon& epsilon,
                               const std::string& status) {
  // Every column between the epsilon and the version is empty: nothing was measured.
  rows_.push_back(cell(mesh) + ",," + shortest_float_text(epsilon.value) + std::string(16, ',') +
                  "," + meshprobe_version() + "," + cell(status));
}

bool SummaryTable::write(const std::string& path) const {
  AtomicFile file(path);
  if (!file.is_open()) return false;
  std::fprintf(file.stream(), "%s\n", summary_header());
  for (const std::string& row : rows_)
    std::fprintf(file.stream(), "%s\n", row.c_str());
  return file.commit();
}

}  // namespace meshprobe
