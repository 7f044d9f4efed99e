#include "io/off_reader.h"

#include <CGAL/IO/OFF/File_scanner_OFF.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "io/memory_stream.h"
#include "io/off_scan.h"
#include "io/text_lines.h"
#include "mesh/facet_list.h"

namespace meshprobe {

namespace {

// The counts announced by an OFF header and where the data after them begins.
struct OffHeader {
  bool binary = false;
  bool homogeneous = false;  // the keyword holds '4': a fourth coordinate divides the others
  std::size_t colour_tag = std::string::npos;  // place of the keyword's 'C', if it has one
  std::uint64_t vertices = 0;
  std::uint64_t facets = 0;
  std::size_t data_offset = 0;
};

bool is_blank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Skips white space and '#' comments running to the end of their line.
std::size_t skip_blank_and_comments(std::string_view text, std::size_t i) {
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
// skeleton variants describe no surface in three dimensions. Notes where 'C' (colours) is, counted
// from the keyword's start, and whether the points are homogeneous.
bool is_surface_keyword(std::string_view keyword, OffHeader& header) {
  std::size_t i = 0;
  if (keyword.compare(i, 2, "ST") == 0) i += 2;
  if (i < keyword.size() && keyword[i] == 'C') header.colour_tag = i++;
  if (i < keyword.size() && keyword[i] == 'N') ++i;
  if (i < keyword.size() && keyword[i] == '4') {
    header.homogeneous = true;
    ++i;
  }
  return keyword.compare(i, std::string::npos, "OFF") == 0;
}

// Reads a count written as decimal digits, as the scanner's integer extraction would, and
// refuses signs and values beyond the scanner's int.
bool parse_count(std::string_view text, std::size_t& i, std::uint64_t& value) {
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

std::uint64_t big_endian_count(std::string_view text, std::size_t at) {
  std::uint64_t value = 0;
  for (std::size_t k = 0; k < 4; ++k)
    value = (value << 8) | static_cast<unsigned char>(text[at + k]);
  return value;
}

// The scanner doubles the header's edge count in an int, and a binary file writes that count as
// a signed 32-bit integer; beyond half the int range the doubling would overflow. The count is
// otherwise only a hint, so refusing such values loses no surface.
bool edge_count_fits(std::int64_t edges) {
  return edges <= INT_MAX / 2 && edges >= INT_MIN / 2;
}

// Reads the header that begins at `start`.
ReadStatus parse_header(std::string_view text, OffHeader& header, std::size_t start = 0) {
  std::size_t i = skip_blank_and_comments(text, start);
  const std::size_t keyword_start = i;
  while (i < text.size() && std::isalnum(static_cast<unsigned char>(text[i])) != 0)
    ++i;
  if (!is_surface_keyword(text.substr(keyword_start, i - keyword_start), header)) {
    return ReadStatus::failure("not an OFF file (no OFF header)");
  }
  if (header.colour_tag != std::string::npos) header.colour_tag += keyword_start;
  // The scanner takes the character that ends the keyword along with it, whatever it is: after
  // "OFF#" the '#' opens no comment, and the counts may follow at once.
  if (i < text.size()) ++i;
  i = skip_blank_and_comments(text, i);
  const auto absurd_edges = [](auto edges) {
    return ReadStatus::failure("the OFF header's edge count " + std::to_string(edges) +
                               " is beyond any surface the reader can hold");
  };
  std::size_t word_end = i;
  while (word_end < text.size() && std::isalnum(static_cast<unsigned char>(text[word_end])) != 0)
    ++word_end;
  if (text.compare(i, word_end - i, "BINARY") == 0) {
    header.binary = true;
    i = word_end;
    while (i < text.size() && text[i] != '\n')
      ++i;
    if (i < text.size()) ++i;
    if (text.size() - i < 12) return ReadStatus::failure("truncated OFF header");
    header.vertices = big_endian_count(text, i);
    header.facets = big_endian_count(text, i + 4);
    if (header.vertices > INT_MAX || header.facets > INT_MAX) {
      return ReadStatus::failure("negative or absurd counts in the OFF header");
    }
    // Two's complement: the 32 bits of the count read as a signed number.
    const auto edges =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(big_endian_count(text, i + 8)));
    if (!edge_count_fits(edges)) return absurd_edges(edges);
    header.data_offset = i + 12;
    return ReadStatus{};
  }
  std::uint64_t edges = 0;
  if (!parse_count(text, i, header.vertices) || !parse_count(text, i, header.facets) ||
      !parse_count(text, i, edges)) {
    return ReadStatus::failure(
        "the OFF header's counts of vertices, facets and edges are not three whole numbers");
  }
  if (!edge_count_fits(static_cast<std::int64_t>(edges))) return absurd_edges(edges);
  header.data_offset = i;
  return ReadStatus{};
}

// Each ASCII number takes at least one character and one separator before it; each binary one
// four bytes. A vertex holds at least 3 numbers, a facet at least 4 (its size and 3 indices).
// Before that, the scanner's estimate of the halfedge count, 2.1 (V + F + 10), must fit in its int.
ReadStatus check_counts_fit(std::string_view text, const OffHeader& header) {
  if (2.1 * static_cast<double>(header.vertices + header.facets + 10) > INT_MAX) {
    std::ostringstream why;
    why << "the OFF header announces " << header.vertices << " vertices and " << header.facets
        << " facets, more than the reader can index";
    return ReadStatus::failure(why.str());
  }
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

// Hands out the data lines of a text OFF file as CGAL's scanner reads them, one line per vertex
// and then one per facet: white space and '#' comment lines are skipped, the line is cut at its
// first '#', and its numbers are read as doubles up to the first text that is not one. Knows the
// number of each line in the file, for messages.
class ScannerLines {
 public:
  ScannerLines(std::string_view text, std::size_t data_offset) : text_(text), in_(text) {
    in_.seekg(static_cast<std::streamoff>(data_offset));
  }

  // Reads the next line's numbers; at the end of the file there are none.
  void next(std::vector<double>& numbers) {
    in_ >> CGAL::skip_comment_OFF;
    const std::streamoff start = in_.tellg();
    at_end_ = start < 0;
    if (!at_end_) {
      const auto at = static_cast<std::size_t>(start);
      line_ += static_cast<std::size_t>(
          std::count(text_.begin() + static_cast<std::ptrdiff_t>(counted_),
                     text_.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
      counted_ = at;
    }
    raw_.clear();  // getline leaves it as it was when the stream has ended
    std::getline(in_, raw_);
    split_tokens();
    std::string line = raw_;
    const std::size_t comment = line.find('#');
    if (comment != std::string::npos) line.resize(comment);
    std::istringstream numbers_in(line);
    numbers.clear();
    for (double d; numbers_in >> d;)
      numbers.push_back(d);
  }

  // The k-th white-space-separated token of the line last read (from 0), as written; a token
  // that begins with '#' and those after it are a comment, and empty.
  std::string_view token(std::size_t k) const {
    return k < tokens_.size() ? std::string_view(raw_).substr(tokens_[k].first, tokens_[k].second)
                              : std::string_view();
  }

  // "line N" for the line last read, or "the end of the file".
  std::string where() const {
    if (at_end_) return "the end of the file";
    return "line " + std::to_string(line_);
  }

 private:
  // Notes where each token of raw_ begins and how long it is, once per line, so that reading
  // every token of a facet of n corners takes time in n, not n^2.
  void split_tokens() {
    tokens_.clear();
    std::size_t i = 0;
    for (;;) {
      while (i < raw_.size() && is_blank(raw_[i]))
        ++i;
      if (i == raw_.size() || raw_[i] == '#') return;
      const std::size_t start = i;
      while (i < raw_.size() && !is_blank(raw_[i]))
        ++i;
      tokens_.emplace_back(start, i - start);
    }
  }

  std::string_view text_;
  MemoryStream in_;
  std::string raw_;                                          // the line last read, as written
  std::vector<std::pair<std::size_t, std::size_t>> tokens_;  // raw_'s tokens: start, length
  std::size_t counted_ = 0;  // line feeds before this offset are counted in line_
  std::size_t line_ = 1;
  bool at_end_ = false;  // nothing but white space and comments followed the last line
};

// The scanner turns a facet's corner count and vertex indices into unsigned integers by plain
// conversion, which is undefined for a value whose whole part is negative or beyond 2^64.
bool converts_to_count(double value) {
  return value > -1.0 && value < 18446744073709551616.0;
}

// The scanner reads a count or an index as far as it is an integer: "2.7", "2x" and "2#c" would
// all give 2. Such a token is refused instead: [+]digits only.
bool is_whole_number(std::string_view token) {
  std::size_t i = token.empty() || token[0] != '+' ? 0 : 1;
  if (i == token.size()) return false;
  for (; i < token.size(); ++i) {
    if (token[i] < '0' || token[i] > '9') return false;
  }
  return true;
}

ReadStatus not_whole(const std::string& facet, std::string_view token) {
  constexpr std::size_t kQuoted = 40;  // a token may be megabytes long
  return ReadStatus::failure(facet + ": \"" + std::string(token.substr(0, kQuoted)) +
                             (token.size() > kQuoted ? "..." : "") + "\" is not a whole number");
}

// The place of the first CR that no LF follows, from `from` on, or text.size().
std::size_t first_lone_cr(std::string_view text, std::size_t from) {
  for (std::size_t i = text.find('\r', from); i != std::string::npos; i = text.find('\r', i + 1)) {
    if (i + 1 == text.size() || text[i + 1] != '\n') return i;
  }
  return text.size();
}

// Replays the scanner's reading of a text file's vertex and facet lines and refuses, naming the
// line, every file it would refuse there (too few numbers on a vertex line, a facet of fewer than
// 3 corners, a missing or out-of-range vertex index) and the facet lines whose numbers it would
// convert without a defined result. What remains for the scanner to refuse is the surface itself.
ReadStatus check_text_lines(std::string_view text, const OffHeader& header) {
  ScannerLines lines(text, header.data_offset);
  std::vector<double> numbers;
  const std::size_t coordinates = header.homogeneous ? 4 : 3;
  for (std::uint64_t v = 0; v < header.vertices; ++v) {
    lines.next(numbers);
    if (numbers.size() < coordinates) {
      // The numbers stop at the first token that is not one ("nan", "inf", "1e999", "x").
      const std::string_view stopped = lines.token(numbers.size());
      if (!stopped.empty()) {
        constexpr std::size_t kQuoted = 40;  // a token may be megabytes long
        return ReadStatus::failure(lines.where() + ": vertex " + std::to_string(v) +
                                   ": coordinate \"" + std::string(stopped.substr(0, kQuoted)) +
                                   (stopped.size() > kQuoted ? "..." : "") +
                                   "\" is not a finite number");
      }
      return ReadStatus::failure(lines.where() + ": vertex " + std::to_string(v) + " needs " +
                                 std::to_string(coordinates) + " coordinates");
    }
  }
  for (std::uint64_t f = 0; f < header.facets; ++f) {
    lines.next(numbers);
    const std::string facet = lines.where() + ": facet " + std::to_string(f);
    if (numbers.empty()) return ReadStatus::failure(facet + " is missing");
    if (!converts_to_count(numbers[0])) {
      return ReadStatus::failure(facet + " does not start with its number of corners");
    }
    if (!is_whole_number(lines.token(0))) return not_whole(facet, lines.token(0));
    const auto corners = static_cast<std::size_t>(numbers[0]);
    if (corners < 3) return ReadStatus::failure(facet + " has fewer than 3 corners");
    for (std::size_t j = 1; j <= corners; ++j) {
      if (j >= numbers.size()) {
        return ReadStatus::failure(facet + " lists fewer vertex indices than its " +
                                   std::to_string(corners) + " corners");
      }
      if (!converts_to_count(numbers[j]) ||
          static_cast<std::size_t>(numbers[j]) >= header.vertices) {
        std::ostringstream why;
        why << facet << ": vertex index " << numbers[j] << " is not one of the file's "
            << header.vertices << " vertices";
        return ReadStatus::failure(why.str());
      }
      if (!is_whole_number(lines.token(j))) return not_whole(facet, lines.token(j));
    }
  }
  return ReadStatus{};
}

}  // namespace

// The points and facets are scanned with CGAL's OFF scanner and a file that is faulty in itself
// is refused; the building step then builds the surface with every facet that it can hold, in
// file order. Only the vertices that no facet of the file names are dropped, so a vertex whose
// facets were all left out keeps its place. For a file whose facets all fit, the builder sees the
// calls that CGAL's own OFF reading makes. That reading is not used itself: it hands every facet
// to the builder untested, and a facet that closes a fan where another sheet meets the vertex
// leaves links that the next facets can send around a vertex forever.
ReadStatus read_off(const FileWindow& file, std::vector<Vec3f>& points, FacetSink& facets) {
  // The scanner reads a stream over the file's bytes in one piece.
  ReadStatus status = file.hold_everything();
  if (!status.ok) return status;
  const std::string_view content = file.view(0, file.size());
  // CGAL's scanner knows neither a byte-order mark nor a line ended by CR alone. The text is then
  // read from a copy without the mark, each lone CR an LF in its place (so that offsets and line
  // numbers hold); a binary file's data keeps its bytes, CRs included.
  std::string plain_text;
  const std::size_t mark = byte_order_mark_length(content);
  const std::size_t lone_cr = first_lone_cr(content, mark);
  if (mark > 0 || lone_cr < content.size()) plain_text = std::string(content.substr(mark));
  std::string with_cr = lone_cr < content.size() ? plain_text : std::string();
  for (std::size_t i = lone_cr < content.size() ? lone_cr - mark : plain_text.size();
       i < plain_text.size(); ++i) {
    if (plain_text[i] == '\r' && (i + 1 == plain_text.size() || plain_text[i + 1] != '\n')) {
      plain_text[i] = '\n';
    }
  }
  const auto text_of = [&] { return plain_text.empty() ? content : std::string_view(plain_text); };

  OffHeader header;
  status = parse_header(text_of(), header);
  if (status.ok && header.binary && !with_cr.empty()) {
    // The CRs were bytes of the data.
    plain_text = std::move(with_cr);
    status = parse_header(text_of(), header);
  }
  with_cr = std::string();
  const std::string_view text = text_of();
  if (status.ok) status = check_counts_fit(text, header);
  if (!status.ok) return status;

  // Colours in a text file are extra numbers on a line, which the scanner converts to bytes or
  // palette places without checking their range, and reads even where a line lacks them. The mesh
  // keeps no colour, so the scanner is shown the keyword without its 'C': every line then gives
  // the same points and facets, and its extra numbers are passed over.
  std::string without_colours;
  if (!header.binary && header.colour_tag != std::string::npos) {
    without_colours = std::string(text);
    without_colours.erase(header.colour_tag, 1);
    header.colour_tag = std::string::npos;
    --header.data_offset;
  }
  const std::string_view scanned =
      without_colours.empty() ? text : std::string_view(without_colours);
  if (!header.binary) {
    status = check_text_lines(scanned, header);
    if (!status.ok) return status;
  }

  status = scan_off(scanned, header.binary, points, facets);
  if (status.ok) status = facets.status();
  return file.unless_changed(status);
}

bool begins_with_off_keyword(std::string_view content) {
  OffHeader header;
  return parse_header(content, header, byte_order_mark_length(content)).error !=
         "not an OFF file (no OFF header)";
}

}  // namespace meshprobe
