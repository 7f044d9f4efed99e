// The report page and the batch index as the writers produce them: the data element decodes to
// the measurement's own numbers in the value file's order, the page is the same bytes for the
// same input, no path can break out of its element, and the index lists every mesh with links
// relative to its folder.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "measure/rules.h"
#include "outputs/colour_range.h"
#include "outputs/html_report.h"
#include "outputs/report_index.h"
#include "outputs/statistics_output.h"
#include "tests/support/shapes.h"
#include "viz/viridis.h"

namespace meshprobe {
namespace {

using json = nlohmann::json;

std::vector<unsigned char> from_base64(const std::string& text) {
  static const std::string digits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<unsigned char> bytes;
  std::uint32_t group = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    group = group << 6 | static_cast<std::uint32_t>(digits.find(c));
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<unsigned char>(group >> bits & 0xff));
    }
  }
  return bytes;
}

// Little-endian 4-byte numbers, read byte by byte so the test holds on any host.
template <class T>
std::vector<T> numbers_of(const std::string& text) {
  const std::vector<unsigned char> bytes = from_base64(text);
  EXPECT_EQ(bytes.size() % 4, 0u);
  std::vector<T> numbers(bytes.size() / 4);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    std::uint32_t word = 0;
    for (int b = 0; b < 4; ++b)
      word |= static_cast<std::uint32_t>(bytes[4 * i + static_cast<std::size_t>(b)]) << (8 * b);
    std::memcpy(&numbers[i], &word, 4);
  }
  return numbers;
}

// The data element's JSON, found as a browser finds it: from its opening tag to the next
// "</script".
json data_of(const std::string& page) {
  const std::string open = "<script type=\"application/json\" id=\"meshprobe-data\">";
  const std::size_t start = page.find(open);
  EXPECT_NE(start, std::string::npos);
  const std::size_t begin = start + open.size();
  return json::parse(page.substr(begin, page.find("</script", begin) - begin));
}

MeshMeasurement measure(const std::string& path, const std::vector<Epsilon>& epsilons) {
  MeasureOptions options;
  options.epsilons = epsilons;
  options.keep_file_lists = true;
  options.keep_surface = true;
  return measure_mesh_file(path, options);
}

TEST(Base64, EncodesTheStandardVectors) {
  const std::pair<const char*, const char*> cases[] = {{"", ""},
                                                       {"f", "Zg=="},
                                                       {"fo", "Zm8="},
                                                       {"foo", "Zm9v"},
                                                       {"foob", "Zm9vYg=="},
                                                       {"fooba", "Zm9vYmE="},
                                                       {"foobar", "Zm9vYmFy"},
                                                       {"\xff\xfe", "//4="}};
  for (const auto& [bytes, text] : cases)
    EXPECT_EQ(base64(bytes, std::strlen(bytes)), text) << bytes;
}

// Meshes whose value file and file differ: a vertex no facet uses (OBJ keeps it, unmeasured;
// OFF drops it, so rows shift), a quadrilateral to fan, and the bundled bunny.
struct DataCase {
  const char* name;
  const char* file;
  std::string text;  // empty: the bunny from the data folder
};

std::string bumpy_obj() {
  std::string obj = "v 9 9 9\n";  // used by no facet
  for (int j = 0; j < 6; ++j) {
    for (int i = 0; i < 6; ++i) {
      obj += "v " + std::to_string(i) + " " + std::to_string(j) + " " +
             std::to_string(0.3 * std::sin(i * 1.3 + j * 0.7)) + "\n";
    }
  }
  for (int j = 0; j < 5; ++j) {
    for (int i = 0; i < 5; ++i) {
      const int a = 2 + 6 * j + i;
      obj += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + 7) +
             " " + std::to_string(a + 6) + "\n";
    }
  }
  return obj;
}

std::string bumpy_off() {
  std::string off = "OFF\n37 25 0\n9 9 9\n";
  for (int j = 0; j < 6; ++j) {
    for (int i = 0; i < 6; ++i) {
      off += std::to_string(i) + " " + std::to_string(j) + " " +
             std::to_string(0.3 * std::cos(i * 0.9 + j * 1.1)) + "\n";
    }
  }
  for (int j = 0; j < 5; ++j) {
    for (int i = 0; i < 5; ++i) {
      const int a = 1 + 6 * j + i;
      off += "4 " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + 7) +
             " " + std::to_string(a + 6) + "\n";
    }
  }
  return off;
}

class ReportData : public ::testing::TestWithParam<DataCase> {};

TEST_P(ReportData, DecodesToTheMeasurementsNumbersInTheValueFilesOrder) {
  const DataCase& c = GetParam();
  std::string path = std::string(MESHPROBE_DATA_DIR) + "/bunny.off";
  if (!c.text.empty()) {
    path = testing::scratch_folder(std::string("report-data-") + c.name) + "/" + c.file;
    testing::write_file(path, c.text);
  }
  const std::vector<Epsilon> epsilons = {{"0.02", 0.02f}, {"0.05", 0.05f}};
  const MeshMeasurement m = measure(path, epsilons);
  ASSERT_TRUE(m.status.ok) << m.status.error;
  const json data = data_of(html_report(m, ReportSettings{}));

  const std::size_t n = m.measured.size();
  const auto points = numbers_of<float>(data["vertices"]);
  const auto rows = numbers_of<std::uint32_t>(data["rows"]);
  ASSERT_EQ(points.size(), 3 * n);
  ASSERT_EQ(rows.size(), n);
  for (std::size_t v = 0; v < n; ++v) {
    // The row is a vertex of the file that became this vertex, and its coordinates are shown.
    ASSERT_LT(rows[v], m.mesh_vertex.size());
    EXPECT_EQ(m.mesh_vertex[rows[v]], v);
    EXPECT_EQ(points[3 * v], m.file_points[rows[v]].x);
    EXPECT_EQ(points[3 * v + 2], m.file_points[rows[v]].z);
  }
  std::size_t triangles = 0;
  for (const Polygon& facet : m.surface_polygons)
    triangles += facet.size() - 2;
  const auto faces = numbers_of<std::uint32_t>(data["faces"]);
  ASSERT_EQ(faces.size(), 3 * triangles);
  for (std::uint32_t corner : faces)
    EXPECT_LT(corner, n);

  ASSERT_EQ(data["values"].size(), epsilons.size());
  for (std::size_t e = 0; e < epsilons.size(); ++e) {
    const auto values = numbers_of<float>(data["values"][e]);
    ASSERT_EQ(values.size(), n);
    std::size_t unmeasured = 0;
    for (std::size_t v = 0; v < n; ++v) {
      if (!m.measured[v]) {
        EXPECT_TRUE(std::isnan(values[v])) << v;
        ++unmeasured;
        continue;
      }
      // Bit for bit what the value file prints from.
      EXPECT_EQ(std::memcmp(&values[v], &m.epsilons[e].roughness[v], 4), 0) << v;
    }
    EXPECT_EQ(unmeasured, n - m.vertices_measured);
    // The picture's default range, and the --stats numbers without the run's seconds.
    EXPECT_EQ(data["ranges"][e][1].get<double>(), colour_range(m.epsilons[e], nullptr).high);
    json stats = json::parse(statistics_json(m, e));
    stats.erase("seconds");
    EXPECT_EQ(data["statistics"][e], stats);
    EXPECT_EQ(data["epsilon_texts"][e], epsilons[e].text);
  }
  const auto table = from_base64(data["colours"]);
  ASSERT_EQ(table.size(), 3u * kViridisSize);
  EXPECT_EQ(table[3 * 128 + 1], viridis_entry(128).g);
}

INSTANTIATE_TEST_SUITE_P(
    Meshes, ReportData,
    ::testing::Values(DataCase{"obj_with_unused_vertex", "bumpy.obj", bumpy_obj()},
                      DataCase{"off_with_unused_vertex", "bumpy.off", bumpy_off()},
                      DataCase{"bunny", "bunny.off", ""}),
    [](const ::testing::TestParamInfo<DataCase>& test) { return std::string(test.param.name); });

TEST(HtmlReport, IsTheSameBytesForTheSameInputAndHoldsNoDate) {
  const std::string path = std::string(MESHPROBE_DATA_DIR) + "/bunny.off";
  const std::string first = html_report(measure(path, {{"0.01", 0.01f}}), ReportSettings{});
  const std::string second = html_report(measure(path, {{"0.01", 0.01f}}), ReportSettings{});
  EXPECT_EQ(first, second);
  EXPECT_EQ(first.find("\"seconds\""), std::string::npos);
}

TEST(HtmlReport, SettingsReachThePage) {
  const std::string path = std::string(MESHPROBE_DATA_DIR) + "/bunny.off";
  const MeshMeasurement m = measure(path, {{"0.01", 0.01f}, {"0.02", 0.02f}});
  const ValueRange asked{0.0, 2.0};
  struct Case {
    ReportSettings settings;
    double high;      // of every epsilon's range
    unsigned stride;  // every stride-th facet drawn
    std::string tiles;
  } cases[] = {
      {ReportSettings{&asked, 1, 0}, 2.0, 1, "1"},
      {ReportSettings{nullptr, 3, 500}, -1.0, (1839 + 499) / 500, "3"},
      {ReportSettings{nullptr, 1, 1839}, -1.0, 1, "1"},
  };
  for (const Case& c : cases) {
    const json data = data_of(html_report(m, c.settings));
    for (std::size_t e = 0; e < 2; ++e) {
      const double high = c.high >= 0 ? c.high : colour_range(m.epsilons[e], nullptr).high;
      EXPECT_EQ(data["ranges"][e][1].get<double>(), high);
    }
    EXPECT_EQ(data["fixed_range"].get<bool>(), c.settings.range != nullptr);
    EXPECT_EQ(data["view_stride"].get<unsigned>(), c.stride);
    EXPECT_EQ(data["run"][2][1], c.tiles);
  }
}

TEST(HtmlReport, APathCannotEndTheDataElementOrOpenACommentInIt) {
  // The folder "x<" makes the path hold "x</script>".
  const std::string folder = testing::scratch_folder("report-odd-path") + "/x<";
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/script><!--<script>&\"b.obj";
  testing::write_file(path, bumpy_obj());
  const MeshMeasurement m = measure(path, {{"0.05", 0.05f}});
  ASSERT_TRUE(m.status.ok) << m.status.error;
  const std::string page = html_report(m, ReportSettings{});
  EXPECT_EQ(page.find("x</script>"), std::string::npos);
  EXPECT_EQ(page.find("<!--<script>"), std::string::npos);
  EXPECT_EQ(data_of(page)["mesh"], path);
  // The title is text, the path's markup escaped.
  EXPECT_NE(page.find("<title>" + html_escaped(path)), std::string::npos);
}

TEST(HtmlReport, IsWrittenWholeOrNotAtAll) {
  const std::string path = std::string(MESHPROBE_DATA_DIR) + "/bunny.off";
  const MeshMeasurement m = measure(path, {{"0.01", 0.01f}});
  const std::string target = testing::scratch_folder("report-write") + "/bunny_report.html";
  ASSERT_TRUE(write_html_report(m, ReportSettings{}, target));
  EXPECT_EQ(testing::read_file(target), html_report(m, ReportSettings{}));
  EXPECT_FALSE(write_html_report(m, ReportSettings{}, "/nonexistent/folder/r.html"));
}

TEST(ReportIndex, ListsEveryMeshWithItsStatisticsErrorAndRelativeLinks) {
  const std::string folder = testing::scratch_folder("report-index");
  const std::string bunny = std::string(MESHPROBE_DATA_DIR) + "/bunny.off";
  const MeshMeasurement m = measure(bunny, {{"0.01", 0.01f}});
  std::vector<IndexEntry> entries;
  entries.push_back(index_entry(m, folder + "/out/bunny report.html", folder + "/out/b.png"));
  IndexEntry failed;
  failed.mesh = "broken<1>.off";
  failed.error = "cannot read broken<1>.off: line 3: a vertex needs 3 coordinates";
  entries.push_back(failed);
  entries.push_back(index_entry(m, folder + "/other/bunny_report.html", ""));
  const std::string page = report_index({"0.01"}, entries, folder + "/out/index.html");

  std::size_t rows = 0;
  for (std::size_t at = page.find("<tr>"); at != std::string::npos; at = page.find("<tr>", at + 1))
    ++rows;
  EXPECT_EQ(rows, 1 + entries.size());  // the head's row, then one per mesh
  const struct {
    const char* text;
    bool present;
  } expected[] = {
      {"<a href=\"bunny%20report.html\">", true},
      {"<a href=\"../other/bunny_report.html\">", true},
      {"<img src=\"b.png\"", true},
      {"cannot read broken&lt;1&gt;.off: line 3", true},
      {"broken<1>", false},
      {"<th>median (0.01)</th>", true},
  };
  for (const auto& e : expected)
    EXPECT_EQ(page.find(e.text) != std::string::npos, e.present) << e.text;
  // The statistics' own numbers, as --stats gives them.
  const json stats = json::parse(statistics_json(m, 0));
  const float median = static_cast<float>(stats["roughness_median"].get<double>());
  EXPECT_NE(page.find(">" + shortest_float_text(median) + "</td>"), std::string::npos);
  EXPECT_NE(page.find(">1839</td>"), std::string::npos);
  EXPECT_EQ(report_index({"0.01"}, entries, folder + "/out/index.html"), page);
}

}  // namespace
}  // namespace meshprobe
