#include "io/stl_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "io/text_lines.h"

namespace meshprobe {

namespace {

constexpr std::size_t kBinaryHeader = 84;    // 80 bytes of header, the 32-bit triangle count
constexpr std::size_t kBinaryTriangle = 50;  // normal, three corners, 16-bit attribute
constexpr std::uint32_t kEmpty = 0xffffffffu;

std::uint32_t little_endian_32(const char* bytes) {
  std::uint32_t value = 0;
  for (int k = 3; k >= 0; --k)
    value = (value << 8) | static_cast<unsigned char>(bytes[k]);
  return value;
}

// Numbers the distinct corner positions in order of first appearance. An open-addressing table
// of vertex numbers, kept at most half full, so no sort of the whole file and 8 bytes or less
// per vertex beside the points themselves.
class VertexMerger {
 public:
  VertexMerger(std::vector<Vec3f>& points, std::size_t expected) : points_(points) {
    std::size_t size = 16;
    while (size < 2 * expected)
      size *= 2;
    table_.assign(size, kEmpty);
  }

  // The number of the vertex at `p`, new or met before. False when a mesh could number no more.
  bool number(const Vec3f& p, VertexIndex& index) {
    std::size_t slot = hash(p) & (table_.size() - 1);
    while (table_[slot] != kEmpty) {
      // Coordinates compare as numbers: -0 and 0 are one position.
      if (points_[table_[slot]] == p) {
        index = table_[slot];
        return true;
      }
      slot = (slot + 1) & (table_.size() - 1);
    }
    if (points_.size() >= kMaxVertices) return false;
    index = static_cast<VertexIndex>(points_.size());
    table_[slot] = index;
    points_.push_back(p);
    if (2 * points_.size() > table_.size()) grow();
    return true;
  }

 private:
  static std::uint64_t bits(float value) {
    if (value == 0.0f) value = 0.0f;  // -0 hashes as 0
    std::uint32_t b = 0;
    std::memcpy(&b, &value, 4);
    return b;
  }

  static std::size_t hash(const Vec3f& p) {
    std::uint64_t h = bits(p.x) * 0x9e3779b97f4a7c15ull;
    h = (h ^ bits(p.y)) * 0xc2b2ae3d27d4eb4full;
    h = (h ^ bits(p.z)) * 0x165667b19e3779f9ull;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }

  void grow() {
    std::vector<std::uint32_t> old(2 * table_.size(), kEmpty);
    old.swap(table_);
    for (const std::uint32_t index : old) {
      if (index == kEmpty) continue;
      std::size_t slot = hash(points_[index]) & (table_.size() - 1);
      while (table_[slot] != kEmpty)
        slot = (slot + 1) & (table_.size() - 1);
      table_[slot] = index;
    }
  }

  std::vector<Vec3f>& points_;
  std::vector<std::uint32_t> table_;
};

ReadStatus too_many_vertices() {
  return ReadStatus::failure("the STL file holds more vertices than a mesh can number");
}

bool is_finite(const Vec3f& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

ReadStatus read_binary(const FileWindow& content, std::vector<Vec3f>& points, FacetSink& facets) {
  if (content.size() < kBinaryHeader) {
    return ReadStatus::failure("the binary STL file ends inside its 84-byte header");
  }
  const std::uint64_t count = little_endian_32(content.view(80, 4).data());
  const std::uint64_t needed = kBinaryHeader + kBinaryTriangle * count;
  if (needed != content.size()) {
    // Only a file named as STL, or one that holds a NUL byte where an ASCII one begins, is read
    // as binary STL without the size matching: the words say it is no other format either.
    return ReadStatus::failure(
        "not an OFF, PLY or ASCII STL file, and as binary STL its count of " +
        std::to_string(count) + " triangles needs " + std::to_string(needed) +
        " bytes where the file has " + std::to_string(content.size()));
  }
  if (3 * count > kMaxVertices) return too_many_vertices();
  facets.reserve(count, 3 * count);
  VertexMerger merger(points, static_cast<std::size_t>(count));
  for (std::uint64_t t = 0; t < count; ++t) {
    const char* triangle =
        content.view(static_cast<std::size_t>(kBinaryHeader + kBinaryTriangle * t), kBinaryTriangle)
            .data();
    VertexIndex corners[3];
    for (int corner = 0; corner < 3; ++corner) {
      float xyz[3];
      for (int k = 0; k < 3; ++k) {
        const std::uint32_t bits = little_endian_32(triangle + 12 + 12 * corner + 4 * k);
        std::memcpy(&xyz[k], &bits, 4);
      }
      const Vec3f p{xyz[0], xyz[1], xyz[2]};
      if (!is_finite(p)) {
        return ReadStatus::failure("STL triangle " + std::to_string(t) +
                                   " has a coordinate that is not a finite number");
      }
      if (!merger.number(p, corners[corner])) return too_many_vertices();
    }
    facets.add(corners, 3, 0);
  }
  return ReadStatus{};
}

// The words of an ASCII STL file, with the line each stands on. A word handed out stays valid
// until the next.
class Words {
 public:
  explicit Words(const FileWindow& text) : text_(text), position_(text.mark_length()) {}

  // The next word, empty at the end of the text.
  std::string_view next() {
    while (position_ < text_.size() && is_blank(text_[position_])) {
      if (text_.ends_line_at(position_)) ++line_;
      ++position_;
    }
    const std::size_t start = position_;
    while (position_ < text_.size() && !is_blank(text_[position_]))
      ++position_;
    word_line_ = line_;
    return text_.view(start, position_ - start);
  }

  // Passes over the rest of the current line (a solid's name).
  void skip_line() {
    while (position_ < text_.size() && text_[position_] != '\n' && text_[position_] != '\r')
      ++position_;
  }

  std::size_t line() const { return word_line_; }

 private:
  static bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

  const FileWindow& text_;
  std::size_t position_;
  std::size_t line_ = 1;
  std::size_t word_line_ = 1;
};

std::string shown(std::string_view word) {
  constexpr std::size_t kQuoted = 40;  // a word may be megabytes long
  return "\"" + std::string(word.substr(0, kQuoted)) + (word.size() > kQuoted ? "..." : "") + "\"";
}

class AsciiReader {
 public:
  AsciiReader(const FileWindow& text, std::vector<Vec3f>& points, FacetSink& facets)
      : words_(text), facets_(facets), merger_(points, 1024) {}

  ReadStatus read() {
    std::string_view word = words_.next();
    if (word != "solid") return fault(word, "\"solid\"");
    for (;;) {
      words_.skip_line();
      for (;;) {
        word = words_.next();
        if (word == "endsolid") break;
        if (word != "facet") return fault(word, "\"facet\" or \"endsolid\"");
        const ReadStatus status = read_facet();
        if (!status.ok) return status;
      }
      words_.skip_line();
      word = words_.next();
      if (word.empty()) return ReadStatus{};
      if (word != "solid") return fault(word, "\"solid\" or the end of the file");
    }
  }

 private:
  ReadStatus fault(std::string_view word, const std::string& expected) {
    if (word.empty())
      return ReadStatus::failure("the STL file ends where " + expected + " should be");
    return ReadStatus::failure("STL line " + std::to_string(words_.line()) + ": " + shown(word) +
                               " where " + expected + " should be");
  }

  ReadStatus expect(const char* keyword) {
    const std::string_view word = words_.next();
    if (word == keyword) return ReadStatus{};
    return fault(word, std::string("\"") + keyword + "\"");
  }

  // A number as strtof reads it, the whole word, finite unless `finite` is false.
  ReadStatus number(float& value, bool finite = true) {
    const std::string_view word = words_.next();
    scratch_.assign(word);
    char* end = nullptr;
    value = std::strtof(scratch_.c_str(), &end);
    if (word.empty()) return ReadStatus::failure("the STL file ends where a number should be");
    if (end != scratch_.c_str() + scratch_.size() || (finite && !std::isfinite(value))) {
      return ReadStatus::failure("STL line " + std::to_string(words_.line()) + ": " + shown(word) +
                                 " is not a finite number");
    }
    return ReadStatus{};
  }

  ReadStatus read_facet() {
    ReadStatus status = expect("normal");
    // The normal is not used, as in binary files: writers put NaN there for degenerate triangles.
    float ignored = 0.0f;
    for (int k = 0; k < 3 && status.ok; ++k)
      status = number(ignored, /*finite=*/false);
    if (status.ok) status = expect("outer");
    if (status.ok) status = expect("loop");
    VertexIndex corners[3];
    for (int corner = 0; corner < 3 && status.ok; ++corner) {
      status = expect("vertex");
      Vec3f p;
      if (status.ok) status = number(p.x);
      if (status.ok) status = number(p.y);
      if (status.ok) status = number(p.z);
      if (status.ok && !merger_.number(p, corners[corner])) return too_many_vertices();
    }
    if (status.ok) status = expect("endloop");
    if (status.ok) status = expect("endfacet");
    if (status.ok) facets_.add(corners, 3, 0);
    return status;
  }

  Words words_;
  FacetSink& facets_;
  VertexMerger merger_;
  std::string scratch_;
};

// The first bytes that tell binary STL from ASCII: the header and the triangle count.
std::string_view head_of(const FileWindow& content) {
  return content.view(0, std::min<std::size_t>(content.size(), kBinaryHeader));
}

ReadStatus read_either(const FileWindow& content, std::vector<Vec3f>& points, FacetSink& facets) {
  const std::string_view head = head_of(content);
  if (is_binary_stl(head, content.size()) || !begins_with_solid(head)) {
    return read_binary(content, points, facets);
  }
  // No ASCII file holds a NUL byte, and the triangle count of a binary file (below 2^24) ends
  // with one: a binary file whose header begins with "solid" and whose size is wrong is refused
  // as binary, for its size, not for its grammar. That refusal comes before any triangle is read.
  // (Decided before the reading, which moves a window's bytes from under `head`.)
  const bool binary_bytes =
      head.size() == kBinaryHeader && head.find('\0') != std::string_view::npos;
  const ReadStatus status = AsciiReader(content, points, facets).read();
  if (!status.ok && binary_bytes) return read_binary(content, points, facets);
  return status;
}

}  // namespace

bool is_binary_stl(std::string_view head, std::uint64_t size) {
  if (head.size() < kBinaryHeader) return false;
  const std::uint64_t count = little_endian_32(head.data() + 80);
  return size == kBinaryHeader + kBinaryTriangle * count;
}

bool begins_with_solid(std::string_view head) {
  const std::size_t at = byte_order_mark_length(head);
  return head.substr(at, 5) == "solid" && (head.size() == at + 5 || head[at + 5] == ' ' ||
                                           (head[at + 5] >= '\t' && head[at + 5] <= '\r'));
}

ReadStatus read_stl(const FileWindow& file, std::vector<Vec3f>& points, FacetSink& facets) {
  ReadStatus status = read_either(file, points, facets);
  if (status.ok) status = facets.status();
  return file.unless_changed(status);
}

}  // namespace meshprobe
