#include "outputs/report_index.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "measure/rules.h"
#include "outputs/atomic_file.h"
#include "outputs/html_report.h"
#include "outputs/statistics_output.h"

namespace meshprobe {

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

// The statistics each epsilon shows, as --stats names them, and their column heads.
constexpr const char* kShown[][2] = {
    {"roughness_median", "median"}, {"roughness_p95", "p95"}, {"roughness_max", "max"}};

// Sorting on a click: numbers by value, text by its characters; a second click reverses.
constexpr const char* kSortScript = R"(<script>
document.querySelectorAll('th').forEach(function (head, column) {
  head.addEventListener('click', function () {
    var body = document.querySelector('tbody');
    var down = head.getAttribute('data-order') !== 'up';
    document.querySelectorAll('th').forEach(function (h) { h.removeAttribute('data-order'); });
    head.setAttribute('data-order', down ? 'up' : 'down');
    var rows = Array.prototype.slice.call(body.rows);
    function key(row) {
      var cell = row.cells[column];
      var sort = cell.getAttribute('data-sort');
      return sort === null ? cell.textContent : sort === '' ? NaN : Number(sort);
    }
    rows.sort(function (a, b) {
      var x = key(a), y = key(b);
      var order = typeof x === 'number' && typeof y === 'number'
          ? (x !== x) - (y !== y) || x - y || 0 : String(x).localeCompare(String(y));
      return down ? order : -order;
    });
    rows.forEach(function (row) { body.appendChild(row); });
  });
});
</script>
)";

// A path as a link relative to `folder` (absolute), each byte that is not plain in a URL
// percent-encoded; "/" separates the segments.
std::string link_to(const std::string& path, const fs::path& folder) {
  std::error_code ignored;
  fs::path relative = fs::absolute(path, ignored).lexically_normal().lexically_relative(folder);
  if (relative.empty()) relative = fs::absolute(path, ignored);
  std::string link;
  for (unsigned char c : relative.generic_string()) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.' || c == '~' || c == '/';
    if (plain) {
      link += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      link += hex;
    }
  }
  return link;
}

// A cell sorted by number: `value` shown as the single-precision number it was measured as,
// empty for a number that is not finite (null in the statistics).
std::string number_cell(const json& value) {
  if (!value.is_number()) return "<td data-sort=\"\"></td>";
  const std::string text = value.is_number_float()
                               ? shortest_float_text(static_cast<float>(value.get<double>()))
                               : std::to_string(value.get<unsigned long long>());
  return "<td data-sort=\"" + text + "\">" + text + "</td>";
}

// The statistics' JSON object; text that is not one gives an empty object, whose cells are empty.
json object_of(const std::string& text) {
  json object = json::parse(text, nullptr, false);
  return object.is_object() ? object : json::object();
}

}  // namespace

IndexEntry index_entry(const MeshMeasurement& m, const std::string& report,
                       const std::string& picture) {
  IndexEntry entry;
  entry.mesh = m.path;
  entry.report = report;
  entry.picture = picture;
  for (std::size_t e = 0; e < m.epsilons.size(); ++e)
    entry.statistics.push_back(statistics_json(m, e));
  return entry;
}

std::string report_index(const std::vector<std::string>& epsilons,
                         const std::vector<IndexEntry>& entries, const std::string& index_path) {
  std::error_code ignored;
  const fs::path folder = fs::absolute(index_path, ignored).lexically_normal().parent_path();
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"generator\" content=\"meshprobe\">\n<title>Roughness reports</title>\n"
      "<style>\nbody { font: 14px/1.4 sans-serif; margin: 16px; color: #222; }\n"
      "table { border-collapse: collapse; }\n"
      "th, td { border-bottom: 1px solid #ddd; padding: 4px 8px; text-align: left; "
      "vertical-align: middle; }\n"
      "th { cursor: pointer; background: #f4f4f4; user-select: none; }\n"
      "th[data-order=up]::after { content: ' \\25B2'; }\n"
      "th[data-order=down]::after { content: ' \\25BC'; }\n"
      "td[data-sort] { text-align: right; font-variant-numeric: tabular-nums; }\n"
      ".failed { color: #b00020; min-width: 20em; }\n"
      "img { height: 72px; display: block; }\n</style>\n</head>\n"
      "<body>\n<h1>Roughness reports</h1>\n<p>" +
      std::to_string(entries.size()) + " meshes, meshprobe " + meshprobe_version() +
      ". Click a column's head to sort by it.</p>\n<table>\n<thead>\n<tr><th>mesh</th>"
      "<th>status</th><th>format</th><th>vertices</th><th>measured</th><th>facets left out</th>";
  for (const std::string& epsilon : epsilons) {
    for (const auto& shown : kShown)
      page += "<th>" + std::string(shown[1]) + " (" + html_escaped(epsilon) + ")</th>";
  }
  page += "<th>picture</th></tr>\n</thead>\n<tbody>\n";
  for (const IndexEntry& entry : entries) {
    const std::string mesh = html_escaped(entry.mesh);
    page += "<tr><td>";
    page += entry.report.empty()
                ? mesh
                : "<a href=\"" + link_to(entry.report, folder) + "\">" + mesh + "</a>";
    page += "</td>";
    if (!entry.error.empty()) {
      // No format and no numbers: empty cells, which sort after every number.
      page += "<td class=\"failed\">" + html_escaped(entry.error) + "</td><td></td>";
      for (std::size_t k = 0; k < 3 + std::size(kShown) * epsilons.size(); ++k)
        page += "<td data-sort=\"\"></td>";
      page += "<td></td></tr>\n";
      continue;
    }
    const json first = entry.statistics.empty() ? json::object() : object_of(entry.statistics[0]);
    page += "<td>ok</td><td>" + html_escaped(first.value("format", std::string())) + "</td>";
    for (const char* key : {"vertices_in_file", "vertices_measured", "facets_left_out"})
      page += number_cell(first.contains(key) ? first[key] : json());
    for (std::size_t e = 0; e < epsilons.size(); ++e) {
      const json s = e < entry.statistics.size() ? object_of(entry.statistics[e]) : json::object();
      for (const auto& shown : kShown)
        page += number_cell(s.contains(shown[0]) ? s[shown[0]] : json());
    }
    page += "<td>";
    if (!entry.picture.empty()) {
      const std::string link = link_to(entry.picture, folder);
      page +=
          "<a href=\"" + link + "\"><img src=\"" + link + "\" alt=\"picture of " + mesh + "\"></a>";
    }
    page += "</td></tr>\n";
  }
  page += "</tbody>\n</table>\n";
  page += kSortScript;
  page += "</body>\n</html>\n";
  return page;
}

bool write_report_index(const std::vector<std::string>& epsilons,
                        const std::vector<IndexEntry>& entries, const std::string& path) {
  const std::string text = report_index(epsilons, entries, path);
  AtomicFile file(path);
  if (!file.is_open()) return false;
  std::fwrite(text.data(), 1, text.size(), file.stream());
  return file.commit();
}

std::string default_index_path(const std::string& output_dir) {
  return output_dir.empty() ? std::string("index.html")
                            : (fs::path(output_dir) / "index.html").string();
}

}  // namespace meshprobe
