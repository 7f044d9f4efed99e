#include "io/obj_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "io/file_window.h"
#include "io/text_lines.h"
#include "mesh/facet_list.h"
#include "mesh/tolerant_builder.h"

namespace meshprobe {

namespace {

// Longest piece of a faulty token quoted in a message; a corner may be megabytes long.
constexpr std::size_t kQuotedTokenLength = 40;

bool is_blank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The end of the line that begins at `from` and where the next one begins, as line_end finds
// them (text_lines.h).
std::size_t end_of_line(const FileWindow& text, std::size_t from, std::size_t& next) {
  std::size_t end = from;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n')
    ++end;
  next = end;
  if (end < text.size()) {
    next = end + 1;
    if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
  }
  return end;
}

// Hands out the lines of a text one by one, after a byte-order mark, without their ending (LF,
// CR LF or CR alone) and without a '#' comment. A last line without ending is a line too. A
// line handed out stays valid until the next.
class LineCursor {
 public:
  explicit LineCursor(const FileWindow& text) : text_(text), position_(text.mark_length()) {}

  bool next(std::string_view& line) {
    if (position_ >= text_.size()) return false;
    std::size_t following = 0;
    const std::size_t end = end_of_line(text_, position_, following);
    line = text_.view(position_, end - position_);
    line = line.substr(0, line.find('#'));
    position_ = following;
    ++number_;
    return true;
  }

  std::size_t number() const { return number_; }

 private:
  const FileWindow& text_;
  std::size_t position_;
  std::size_t number_ = 0;
};

// Splits a line into its white-space-separated tokens.
class TokenCursor {
 public:
  explicit TokenCursor(std::string_view line) : line_(line) {}

  bool next(std::string_view& token) {
    while (position_ < line_.size() && is_blank(line_[position_]))
      ++position_;
    if (position_ == line_.size()) return false;
    const std::size_t start = position_;
    while (position_ < line_.size() && !is_blank(line_[position_]))
      ++position_;
    token = line_.substr(start, position_ - start);
    return true;
  }

 private:
  std::string_view line_;
  std::size_t position_ = 0;
};

std::string_view keyword_of(std::string_view line) {
  std::string_view keyword;
  TokenCursor(line).next(keyword);
  return keyword;
}

std::string quoted(std::string_view token) {
  if (token.size() <= kQuotedTokenLength) return "\"" + std::string(token) + "\"";
  return "\"" + std::string(token.substr(0, kQuotedTokenLength)) + "...\"";
}

ReadStatus line_failure(std::size_t line, const std::string& why) {
  return ReadStatus::failure("line " + std::to_string(line) + ": " + why);
}

std::string not_an_index(std::string_view corner) {
  return "the vertex index of corner " + quoted(corner) + " is not a whole number";
}

std::string vertex_count_text(std::size_t count) {
  if (count == 0) return "no vertex";
  return count == 1 ? "1 vertex" : std::to_string(count) + " vertices";
}

// Reads the three coordinates of a vertex line as strtof reads them, each rounded to single
// precision; an optional fourth number and anything after the third are ignored. strtof needs
// a terminated string, and would run on into the next line of the file, so it reads a copy.
bool parse_vertex(std::string_view line, std::string& scratch, Vec3f& point) {
  scratch.assign(line);
  const char* cursor = scratch.c_str();
  // Skip the keyword itself: the line starts with blanks, then "v".
  while (is_blank(*cursor))
    ++cursor;
  ++cursor;
  float coordinates[3];
  for (float& coordinate : coordinates) {
    char* end = nullptr;
    coordinate = std::strtof(cursor, &end);
    if (end == cursor) return false;
    cursor = end;
  }
  point = Vec3f{coordinates[0], coordinates[1], coordinates[2]};
  return true;
}

// Checks a face line and puts its corners into the emptied `corners`, as vertex indices counted
// from 0. `vertices_before` is the number of vertex lines above this one, `vertices_in_file` the
// number in the whole file. `last_face_using` holds, per vertex, the number (from 1) of the last
// face that named it; it finds a vertex named twice in one face in time proportional to the
// face. `face_number` is this face's, from 1.
ReadStatus parse_face(std::string_view line, std::size_t line_number, std::size_t vertices_before,
                      std::size_t vertices_in_file, std::vector<std::size_t>& last_face_using,
                      std::size_t face_number, std::vector<VertexIndex>& corners) {
  corners.clear();
  TokenCursor tokens(line);
  std::string_view token;
  tokens.next(token);  // the keyword
  while (tokens.next(token)) {
    const std::string_view index_text = token.substr(0, token.find('/'));
    std::size_t i = 0;
    const bool negative = !index_text.empty() && index_text[0] == '-';
    if (!index_text.empty() && (index_text[0] == '-' || index_text[0] == '+')) ++i;
    if (i == index_text.size()) return line_failure(line_number, not_an_index(token));
    std::uint64_t magnitude = 0;
    for (; i < index_text.size(); ++i) {
      const char c = index_text[i];
      if (c < '0' || c > '9') return line_failure(line_number, not_an_index(token));
      const auto digit = static_cast<std::uint64_t>(c - '0');
      if (magnitude > (UINT64_MAX - digit) / 10) {
        return line_failure(line_number, "index " + quoted(index_text) + " is too large");
      }
      magnitude = magnitude * 10 + digit;
    }
    if (magnitude == 0) return line_failure(line_number, "index 0 is not a vertex");
    std::size_t vertex = 0;
    if (negative) {
      // Counted back from the last vertex read before this line: -1 is that vertex.
      if (magnitude > vertices_before) {
        return line_failure(line_number, "index " + std::string(index_text) +
                                             " is not a vertex (the lines above hold " +
                                             vertex_count_text(vertices_before) + ")");
      }
      vertex = vertices_before - static_cast<std::size_t>(magnitude);
    } else {
      if (magnitude > vertices_in_file) {
        return line_failure(line_number, "index " + std::string(index_text) +
                                             " is not a vertex (the file holds " +
                                             vertex_count_text(vertices_in_file) + ")");
      }
      vertex = static_cast<std::size_t>(magnitude) - 1;
    }
    // The builder does not notice a vertex met twice on one facet and would link a broken
    // surface, so such a face is refused here.
    if (last_face_using[vertex] == face_number) {
      return line_failure(line_number,
                          "the face names vertex " + std::to_string(vertex + 1) + " twice");
    }
    last_face_using[vertex] = face_number;
    corners.push_back(static_cast<VertexIndex>(vertex));
  }
  if (corners.size() < 3) {
    return line_failure(line_number, "a face needs at least 3 corners, this one has " +
                                         std::to_string(corners.size()));
  }
  return ReadStatus{};
}

// Both passes over the text: the vertex lines counted, then every vertex and face line parsed,
// the points into `points` and the faces to `faces`.
ReadStatus parse_lines(const FileWindow& content, std::vector<Vec3f>& points, FacetSink& faces) {
  // The vertex pass: positive indices may name any vertex of the file, so faces are checked
  // against the count of all vertex lines.
  std::size_t vertices_in_file = 0;
  {
    LineCursor lines(content);
    std::string_view line;
    while (lines.next(line)) {
      if (keyword_of(line) == "v") ++vertices_in_file;
    }
  }
  if (vertices_in_file > kMaxVertices) {
    return ReadStatus::failure("the file holds " + std::to_string(vertices_in_file) +
                               " vertex lines, more than a mesh can number");
  }
  // Both sizes are counts of lines present in the text, so memory follows the file's size.
  points.reserve(vertices_in_file);
  std::vector<std::size_t> last_face_using(vertices_in_file, 0);

  LineCursor lines(content);
  std::string_view line;
  std::string scratch;
  std::vector<VertexIndex> corners;
  while (lines.next(line)) {
    const std::string_view keyword = keyword_of(line);
    if (keyword == "v") {
      Vec3f point;
      if (!parse_vertex(line, scratch, point)) {
        return line_failure(lines.number(), "a vertex line needs three numbers");
      }
      points.push_back(point);
    } else if (keyword == "f") {
      ReadStatus status = parse_face(line, lines.number(), points.size(), vertices_in_file,
                                     last_face_using, faces.size() + 1, corners);
      if (!status.ok) return status;
      faces.add(corners.data(), corners.size(), lines.number());
    }
  }
  return ReadStatus{};
}

}  // namespace

ReadStatus read_obj(const FileWindow& file, std::vector<Vec3f>& points, FacetSink& facets) {
  ReadStatus status = parse_lines(file, points, facets);
  if (status.ok && points.empty()) status = ReadStatus::failure("the mesh holds no vertex");
  if (status.ok) status = facets.status();
  return file.unless_changed(status);
}

}  // namespace meshprobe
