#include "io/off_scan.h"

#include <CGAL/IO/OFF/File_scanner_OFF.h>

#include "io/memory_stream.h"

namespace meshprobe {

// The steps and checks follow CGAL's Polyhedron_scan_OFF one for one, so that a file gives the
// same points and corners here as in a build, and fails here where it fails there.
ReadStatus scan_off(std::string_view content, bool binary, std::vector<Vec3f>& points,
                    FacetSink& facets) {
  MemoryStream in(content);
  CGAL::File_scanner_OFF scanner(in, /*verbose=*/false);
  if (!in) return ReadStatus::failure("not an OFF file (no OFF header)");
  // The scanner finds BINARY in places the header check does not look (after a comment line);
  // the lines checked as text must not be scanned as binary numbers, nor the reverse.
  if (scanner.binary() != binary) {
    return ReadStatus::failure("the OFF header is ambiguous: BINARY stands apart from the keyword");
  }

  points.reserve(scanner.size_of_vertices());
  facets.expect_vertices(scanner.size_of_vertices());
  for (std::size_t i = 0; i < scanner.size_of_vertices(); ++i) {
    Point p;
    CGAL::file_scan_vertex(scanner, p);
    if (scanner.has_vcolors()) {
      CGAL::IO::Color color;
      CGAL::file_scan_color(scanner, color);
    }
    scanner.skip_to_next_vertex(i);
    if (!in) {
      return ReadStatus::failure("invalid OFF data at vertex " + std::to_string(i) +
                                 " (a number that does not parse or a truncated file)");
    }
    points.push_back(to_vec3f(p));
  }

  std::vector<VertexIndex> facet;
  for (std::size_t i = 0; i < scanner.size_of_facets(); ++i) {
    std::size_t corners = 0;
    scanner.scan_facet(corners, i);
    if (!in || corners < 3) {
      return ReadStatus::failure("invalid OFF data at facet " + std::to_string(i) +
                                 " (fewer than 3 corners, a number that does not parse or a "
                                 "truncated file)");
    }
    // The corner count is not trusted for memory: a binary file may claim billions, and the
    // stream fails at its end long before.
    facet.clear();
    for (std::size_t j = 0; j < corners; ++j) {
      std::size_t index = 0;
      scanner.scan_facet_vertex_index(index, j + 1, i);
      if (!in) {
        return ReadStatus::failure("invalid OFF data at facet " + std::to_string(i) +
                                   " (an index out of range, a number that does not parse or "
                                   "a truncated file)");
      }
      facet.push_back(static_cast<VertexIndex>(index));
    }
    facets.add(facet.data(), facet.size(), 0);
    scanner.skip_to_next_facet(i);
    if (!in) {
      return ReadStatus::failure("invalid OFF data after facet " + std::to_string(i) +
                                 " (a truncated file)");
    }
  }
  return ReadStatus{};
}

}  // namespace meshprobe
