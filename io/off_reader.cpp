#include "io/off_reader.h"

#include <CGAL/IO/Polyhedron_scan_OFF.h>

#include <cctype>
#include <climits>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "io/off_scan.h"
#include "mesh/facet_list.h"
#include "mesh/tolerant_builder.h"

namespace meshprobe {

namespace {

// The counts announced by an OFF header and where the data after them begins.
struct OffHeader {
  bool binary = false;
  std::uint64_t vertices = 0;
  std::uint64_t facets = 0;
  std::size_t data_offset = 0;
};

bool is_blank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Skips white space and '#' comments running to the end of their line.
std::size_t skip_blank_and_comments(const std::string& text, std::size_t i) {
  while (i < text.size()) {
    if (is_blank(text[i])) {
      ++i;
    } else if (text[i] == '#') {
      while (i < text.size() && text[i] != '\n')
        ++i;
    } else {
      break;
    }
  }
  return i;
}

// The keywords the scanner accepts for a surface: [ST][C][N][4]OFF. The n-dimensional and
// skeleton variants describe no surface in three dimensions.
bool is_surface_keyword(const std::string& keyword) {
  std::size_t i = 0;
  if (keyword.compare(i, 2, "ST") == 0) i += 2;
  if (i < keyword.size() && keyword[i] == 'C') ++i;
  if (i < keyword.size() && keyword[i] == 'N') ++i;
  if (i < keyword.size() && keyword[i] == '4') ++i;
  return keyword.compare(i, std::string::npos, "OFF") == 0;
}

// Reads a count written as decimal digits, as the scanner's integer extraction would, and
// refuses signs and values beyond the scanner's int.
bool parse_count(const std::string& text, std::size_t& i, std::uint64_t& value) {
  while (i < text.size() && is_blank(text[i]))
    ++i;
  const std::size_t first = i;
  value = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (value > static_cast<std::uint64_t>(INT_MAX)) return false;
    ++i;
  }
  return i > first && (i == text.size() || is_blank(text[i]) || text[i] == '#');
}

std::uint64_t big_endian_count(const std::string& text, std::size_t at) {
  std::uint64_t value = 0;
  for (std::size_t k = 0; k < 4; ++k)
    value = (value << 8) | static_cast<unsigned char>(text[at + k]);
  return value;
}

ReadStatus parse_header(const std::string& text, OffHeader& header) {
  std::size_t i = skip_blank_and_comments(text, 0);
  const std::size_t keyword_start = i;
  while (i < text.size() && std::isalnum(static_cast<unsigned char>(text[i])) != 0)
    ++i;
  if (!is_surface_keyword(text.substr(keyword_start, i - keyword_start))) {
    return ReadStatus::failure("not an OFF file (no OFF header)");
  }
  i = skip_blank_and_comments(text, i);
  if (text.compare(i, 6, "BINARY") == 0) {
    header.binary = true;
    i += 6;
    while (i < text.size() && text[i] != '\n')
      ++i;
    if (i < text.size()) ++i;
    if (text.size() - i < 12) return ReadStatus::failure("truncated OFF header");
    header.vertices = big_endian_count(text, i);
    header.facets = big_endian_count(text, i + 4);
    if (header.vertices > INT_MAX || header.facets > INT_MAX) {
      return ReadStatus::failure("negative or absurd counts in the OFF header");
    }
    header.data_offset = i + 12;
    return ReadStatus{};
  }
  std::uint64_t edges = 0;
  if (!parse_count(text, i, header.vertices) || !parse_count(text, i, header.facets) ||
      !parse_count(text, i, edges)) {
    return ReadStatus::failure(
        "the OFF header's counts of vertices, facets and edges are not three whole numbers");
  }
  header.data_offset = i;
  return ReadStatus{};
}

// Each ASCII number takes at least one character and one separator before it; each binary one
// four bytes. A vertex holds at least 3 numbers, a facet at least 4 (its size and 3 indices).
ReadStatus check_counts_fit(const std::string& text, const OffHeader& header) {
  const std::uint64_t numbers = 3 * header.vertices + 4 * header.facets;
  const std::uint64_t needed = numbers * (header.binary ? 4 : 2);
  const std::uint64_t available = text.size() - header.data_offset;
  if (needed > available) {
    std::ostringstream why;
    why << "the OFF header announces " << header.vertices << " vertices and " << header.facets
        << " facets, more than the file's " << text.size() << " bytes can hold";
    return ReadStatus::failure(why.str());
  }
  return ReadStatus{};
}

// The route every file that builds whole takes: CGAL's OFF scanner builds the surface in one go
// and removes the vertices that no facet uses. False when it could not, the mesh then being of no
// use.
bool build_whole_file(const std::string& content, Mesh& mesh) {
  std::istringstream in(content);
  CGAL::Polyhedron_scan_OFF<HDS> scanner(in, /*verbose=*/false);
  mesh.delegate(scanner);
  // The scanner rolls back most failures itself, but not an index out of range or a file that
  // ends inside a facet: its error state is the one reliable sign. And the builder links in
  // without complaint a facet that closes the fan of one sheet around a vertex that another
  // sheet also touches, leaving halfedges whose links disagree.
  return !in.fail() && mesh.is_valid(false, 0);
}

// The second reading of a file that did not build whole: its points and facets are scanned, a
// file that is faulty in itself is refused, and otherwise the facets the surface cannot hold are
// left out. As in the first reading, only the vertices that no facet of the file names are
// dropped, so a vertex whose facets were all left out keeps its place.
ReadStatus build_fitting_facets(const std::string& content, Mesh& mesh) {
  std::vector<Vec3f> points;
  FacetList facets;
  ReadStatus status = scan_off(content, points, facets);
  if (!status.ok) return status;
  std::size_t vertex = 0;
  const std::size_t repeating = find_facet_repeating_a_vertex(facets, points.size(), vertex);
  if (repeating < facets.size()) {
    return ReadStatus::failure("facet " + std::to_string(repeating) + " names vertex " +
                               std::to_string(vertex) + " twice");
  }
  drop_unused_vertices(points, facets);
  const LeftOutFacets left_out = build_leaving_out_unfit_facets(mesh, points, facets);
  status.facets_left_out = left_out.count;
  status.first_left_out = left_out.first;
  return status;
}

}  // namespace

ReadStatus read_off_content(const std::string& content, Mesh& mesh) {
  OffHeader header;
  ReadStatus status = parse_header(content, header);
  if (status.ok) status = check_counts_fit(content, header);
  if (!status.ok) return status;
  if (build_whole_file(content, mesh)) return ReadStatus{};
  mesh.clear();
  return build_fitting_facets(content, mesh);
}

ReadStatus read_off_file(const std::string& path, Mesh& mesh) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return ReadStatus::failure("cannot open the file");
  const std::string content((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
  if (file.bad()) return ReadStatus::failure("cannot read the file");
  return read_off_content(content, mesh);
}

}  // namespace meshprobe
