#include "outputs/report_data.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "measure/rules.h"
#include "outputs/colour_range.h"
#include "outputs/statistics_output.h"
#include "viz/ticks.h"
#include "viz/viridis.h"

namespace meshprobe {

namespace {

using json = nlohmann::ordered_json;

// The grey of vertices that were not measured, on a scale of 0 to 255: lighter than the map's
// darkest colours and darker than its yellow, so it reads as neither end.
constexpr int kUnmeasuredGrey = 153;

// The bytes of a list of 4-byte numbers in little-endian order, whatever the host's order.
template <class T>
std::string little_endian_base64(const std::vector<T>& numbers) {
  static_assert(sizeof(T) == 4, "the page reads 4-byte numbers");
  std::vector<unsigned char> bytes(numbers.size() * 4);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    std::uint32_t word = 0;
    std::memcpy(&word, &numbers[i], 4);
    for (int b = 0; b < 4; ++b)
      bytes[4 * i + static_cast<std::size_t>(b)] = static_cast<unsigned char>(word >> (8 * b));
  }
  return base64(bytes.data(), bytes.size());
}

// A JSON number for a value that may not be finite (null then), as the statistics write it.
json finite_or_null(double value) {
  return std::isfinite(value) ? json(value) : json(nullptr);
}

}  // namespace

std::string base64(const void* data, std::size_t size) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::string text;
  text.reserve((size + 2) / 3 * 4);
  for (std::size_t i = 0; i < size; i += 3) {
    const std::size_t left = size - i;
    const std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16 |
                                (left > 1 ? static_cast<std::uint32_t>(bytes[i + 1]) << 8 : 0) |
                                (left > 2 ? static_cast<std::uint32_t>(bytes[i + 2]) : 0);
    text += kDigits[group >> 18 & 63];
    text += kDigits[group >> 12 & 63];
    text += left > 1 ? kDigits[group >> 6 & 63] : '=';
    text += left > 2 ? kDigits[group & 63] : '=';
  }
  return text;
}

std::string report_data_json(const MeshMeasurement& m, const ReportSettings& settings) {
  // Each vertex of the value file takes the coordinates of the first vertex of the file that
  // became it, so the page shows the input's own numbers.
  const std::size_t n = m.measured.size();
  std::vector<std::uint32_t> rows(n, kNotInMesh);
  for (std::size_t i = m.mesh_vertex.size(); i-- > 0;) {
    if (m.mesh_vertex[i] != kNotInMesh) rows[m.mesh_vertex[i]] = static_cast<std::uint32_t>(i);
  }
  std::vector<float> points(3 * n);
  for (std::size_t v = 0; v < n; ++v) {
    if (rows[v] >= m.file_points.size()) continue;  // every vertex comes from the file's
    const Vec3f& p = m.file_points[rows[v]];
    points[3 * v] = p.x;
    points[3 * v + 1] = p.y;
    points[3 * v + 2] = p.z;
  }
  std::vector<std::uint32_t> triangles;
  for (const Polygon& facet : m.surface_polygons) {
    for (std::size_t c = 2; c < facet.size(); ++c)
      triangles.insert(triangles.end(), {facet[0], facet[c - 1], facet[c]});
  }

  json data;
  data["mesh"] = m.path;
  data["format"] = m.format;
  data["version"] = meshprobe_version();
  data["vertices"] = little_endian_base64(points);
  data["faces"] = little_endian_base64(triangles);
  data["rows"] = little_endian_base64(rows);
  json epsilons = json::array();
  json texts = json::array();
  json values = json::array();
  json ranges = json::array();
  json ticks = json::array();
  json statistics = json::array();
  for (std::size_t e = 0; e < m.epsilons.size(); ++e) {
    const EpsilonMeasurement& measured = m.epsilons[e];
    epsilons.push_back(std::strtod(shortest_float_text(measured.epsilon.value).c_str(), nullptr));
    texts.push_back(measured.epsilon.text);
    std::vector<float> per_vertex(n, std::numeric_limits<float>::quiet_NaN());
    for (std::size_t v = 0; v < n; ++v) {
      if (m.measured[v]) per_vertex[v] = measured.roughness[v];
    }
    values.push_back(little_endian_base64(per_vertex));
    const ValueRange range = colour_range(measured, settings.range);
    ranges.push_back({finite_or_null(range.low), finite_or_null(range.high)});
    json marks = json::array();
    for (double tick : round_ticks(range.low, range.high).values)
      marks.push_back(tick);
    ticks.push_back(marks);
    // The same numbers as --stats; the seconds differ from run to run, and a report does not.
    json object = json::parse(statistics_json(m, e));
    object.erase("seconds");
    statistics.push_back(object);
  }
  data["epsilons"] = epsilons;
  data["epsilon_texts"] = texts;
  data["values"] = values;
  data["ranges"] = ranges;
  data["fixed_range"] = settings.range != nullptr;
  data["ticks"] = ticks;
  std::vector<unsigned char> table;
  for (int i = 0; i < kViridisSize; ++i) {
    const Rgb8 colour = viridis_entry(i);
    table.insert(table.end(), {colour.r, colour.g, colour.b});
  }
  data["colours"] = base64(table.data(), table.size());
  data["unmeasured_grey"] = kUnmeasuredGrey;
  data["statistics"] = statistics;
  std::string epsilon_list;
  for (const EpsilonMeasurement& measured : m.epsilons)
    epsilon_list += (epsilon_list.empty() ? "" : ", ") + measured.epsilon.text;
  data["run"] = json::array({
      json::array({"epsilon", epsilon_list}),
      json::array({"length", shortest_float_text(m.length) +
                                 (m.length_given ? " (given)" : " (largest side of the box)")}),
      json::array({"tiles", std::to_string(settings.tiles)}),
      json::array({"format", m.format}),
      json::array({"version", meshprobe_version()}),
  });
  data["warning"] = m.status.facets_left_out > 0 ? left_out_warning(m.status) : "";
  const std::size_t limit =
      settings.view_vertex_limit > 0 ? settings.view_vertex_limit : kViewVertexLimit;
  // Every stride-th facet: the fewest strides that bring the vertices drawn near the limit.
  data["view_stride"] = n > limit ? (n + limit - 1) / limit : 1;
  // Paths need not be valid UTF-8; such bytes are replaced rather than refused.
  std::string text = data.dump(-1, ' ', false, json::error_handler_t::replace);
  // '<' only occurs inside strings, where \u003c is the same character; written so, no text of
  // a path can end the script element or open a comment in it.
  std::string safe;
  safe.reserve(text.size());
  for (char c : text) {
    if (c == '<') {
      safe += "\\u003c";
    } else {
      safe += c;
    }
  }
  return safe;
}

}  // namespace meshprobe
