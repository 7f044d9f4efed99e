#include "outputs/html_report.h"

#include <cstddef>
#include <cstdio>
#include <utility>

#include "outputs/atomic_file.h"

namespace meshprobe {

// The page's parts, embedded at build time (CMakeLists.txt): the template, three.js and its orbit
// controls from Debian's libjs-three, and the page's own wiring.
extern const unsigned char kReportPage[];
extern const std::size_t kReportPage_size;
extern const unsigned char kThreeJs[];
extern const std::size_t kThreeJs_size;
extern const unsigned char kOrbitControlsJs[];
extern const std::size_t kOrbitControlsJs_size;
extern const unsigned char kReportWiring[];
extern const std::size_t kReportWiring_size;

namespace {

std::string text_of(const unsigned char* bytes, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(bytes), size);
}

}  // namespace

std::string html_escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string html_report(const MeshMeasurement& m, const ReportSettings& settings) {
  const std::string page = text_of(kReportPage, kReportPage_size);
  const std::pair<const char*, std::string> parts[] = {
      {"@TITLE@", html_escaped(m.path) + " \u2013 roughness"},
      {"@THREE@", text_of(kThreeJs, kThreeJs_size)},
      {"@ORBIT@", text_of(kOrbitControlsJs, kOrbitControlsJs_size)},
      {"@DATA@", report_data_json(m, settings)},
      {"@WIRING@", text_of(kReportWiring, kReportWiring_size)},
  };
  // Only the template is searched for the markers, never what replaces them.
  std::string text;
  std::size_t from = 0;
  for (const auto& [marker, content] : parts) {
    const std::size_t at = page.find(marker, from);
    if (at == std::string::npos) continue;
    text.append(page, from, at - from);
    text += content;
    from = at + std::char_traits<char>::length(marker);
  }
  text.append(page, from, std::string::npos);
  return text;
}

bool write_html_report(const MeshMeasurement& m, const ReportSettings& settings,
                       const std::string& path) {
  const std::string text = html_report(m, settings);
  AtomicFile file(path);
  if (!file.is_open()) return false;
  std::fwrite(text.data(), 1, text.size(), file.stream());
  return file.commit();
}

}  // namespace meshprobe
