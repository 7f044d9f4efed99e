#include "io/ply_layout.h"

#include <cctype>
#include <cstdint>
#include <string_view>

namespace meshprobe {

namespace {

std::string place(const PlyElement& element, std::uint64_t item, const PlyProperty& property) {
  return "PLY " + element.name + " " + std::to_string(item) + ", property " + property.name + ": ";
}

ReadStatus ends_early(const PlyElement& element, std::uint64_t item) {
  return ReadStatus::failure("the PLY data ends inside " + element.name + " " +
                             std::to_string(item) + " (the header announces " +
                             std::to_string(element.count) + ")");
}

ReadStatus list_too_long(const std::string& where, std::uint64_t entries) {
  return ReadStatus::failure(where + "a list of " + std::to_string(entries) +
                             " entries, more than the rest of the file holds");
}

// The range of each integer type, in the order of PlyType.
struct Range {
  std::int64_t lowest;
  std::int64_t highest;
};
constexpr Range kRanges[] = {{INT8_MIN, INT8_MAX}, {0, UINT8_MAX},         {INT16_MIN, INT16_MAX},
                             {0, UINT16_MAX},      {INT32_MIN, INT32_MAX}, {0, UINT32_MAX}};

// An integer token as the reader's stream extraction reads it whole: an optional sign (a minus
// only for signed types) and decimal digits, within the type's range.
bool read_integer(std::string_view token, PlyType type, std::int64_t& value) {
  const Range range = kRanges[static_cast<std::size_t>(type)];
  std::size_t i = 0;
  const bool negative = !token.empty() && token[0] == '-';
  if (negative && range.lowest == 0) return false;
  if (!token.empty() && (token[0] == '-' || token[0] == '+')) ++i;
  if (i == token.size()) return false;
  std::int64_t magnitude = 0;
  for (; i < token.size(); ++i) {
    if (token[i] < '0' || token[i] > '9') return false;
    magnitude = magnitude * 10 + (token[i] - '0');
    if (magnitude > range.highest + 1) return false;  // no type reaches beyond 2^32
  }
  value = negative ? -magnitude : magnitude;
  return value >= range.lowest && value <= range.highest;
}

bool skip_digits(std::string_view token, std::size_t& i) {
  const std::size_t start = i;
  while (i < token.size() && token[i] >= '0' && token[i] <= '9')
    ++i;
  return i > start;
}

// A decimal number as the stream reads a float or a double whole: [sign] digits [. [digits]] or
// [sign] . digits, then optionally e or E, [sign], digits.
bool is_decimal(std::string_view token) {
  std::size_t i = 0;
  if (i < token.size() && (token[i] == '-' || token[i] == '+')) ++i;
  bool digits = skip_digits(token, i);
  if (i < token.size() && token[i] == '.') {
    ++i;
    digits = skip_digits(token, i) || digits;
  }
  if (!digits) return false;
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
    ++i;
    if (i < token.size() && (token[i] == '-' || token[i] == '+')) ++i;
    if (!skip_digits(token, i)) return false;
  }
  return i == token.size();
}

bool is_value_of_type(std::string_view token, PlyType type) {
  if (type == PlyType::kFloat32 || type == PlyType::kFloat64) return is_decimal(token);
  std::int64_t value = 0;
  return read_integer(token, type, value);
}

ReadStatus not_of_type(const std::string& where, std::string_view token, PlyType type) {
  constexpr std::size_t kQuoted = 40;  // a token may be megabytes long
  const std::string shown(token.substr(0, kQuoted));
  return ReadStatus::failure(where + "\"" + shown + (token.size() > kQuoted ? "..." : "") +
                             "\" is not a value of type " + ply_type_name(type));
}

// The tokens of ASCII data line by line: an item is one line.
class Tokens {
 public:
  Tokens(const FileWindow& text, std::size_t position, std::size_t line)
      : text_(text), position_(position), line_(line) {}

  // Moves to the next line that holds a token; false when none does. The rest of the current line
  // must have been read.
  bool next_line() {
    while (position_ < text_.size() && is_blank(text_[position_])) {
      if (text_.ends_line_at(position_)) ++line_;
      ++position_;
    }
    return position_ < text_.size();
  }

  // The next token of the current line; false at its end.
  bool next(std::string_view& token) {
    while (position_ < text_.size() && is_blank(text_[position_]) && !is_break(text_[position_]))
      ++position_;
    if (position_ == text_.size() || is_break(text_[position_])) return false;
    const std::size_t start = position_;
    while (position_ < text_.size() && !is_blank(text_[position_]))
      ++position_;
    token = text_.view(start, position_ - start);
    return true;
  }

  std::size_t remaining() const { return text_.size() - position_; }
  std::size_t line() const { return line_; }
  bool rest_is_blank() const {
    for (std::size_t i = position_; i < text_.size(); ++i) {
      if (!is_blank(text_[i])) return false;
    }
    return true;
  }

 private:
  static bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
  static bool is_break(char c) { return c == '\n' || c == '\r'; }

  const FileWindow& text_;
  std::size_t position_;
  std::size_t line_;
};

ReadStatus wrong_token_count(const Tokens& tokens, const PlyElement& element, std::uint64_t item,
                             const char* fewer_or_more) {
  // A file cut short is said to be so, whichever line it was cut in.
  if (tokens.rest_is_blank()) return ends_early(element, item);
  return ReadStatus::failure("PLY line " + std::to_string(tokens.line()) + ": " + element.name +
                             " " + std::to_string(item) + " has " + fewer_or_more +
                             " values than its properties (one line per " + element.name + ")");
}

ReadStatus walk_ascii(const FileWindow& content, const PlyHeader& header) {
  Tokens tokens(content, header.data_offset, header.data_line);
  std::string_view token;
  for (const PlyElement& element : header.elements) {
    if (element.properties.empty()) continue;
    for (std::uint64_t item = 0; item < element.count; ++item) {
      if (!tokens.next_line()) return ends_early(element, item);
      for (const PlyProperty& property : element.properties) {
        if (!tokens.next(token)) return wrong_token_count(tokens, element, item, "fewer");
        if (!property.is_list) {
          if (!is_value_of_type(token, property.type)) {
            return not_of_type(place(element, item, property), token, property.type);
          }
          continue;
        }
        std::int64_t entries = 0;
        if (!read_integer(token, property.count_type, entries)) {
          return not_of_type(place(element, item, property), token, property.count_type);
        }
        if (entries < 0) {
          return ReadStatus::failure(place(element, item, property) + "a negative list count");
        }
        // Each entry takes a character and a separator, the file's last one no separator.
        if (static_cast<std::uint64_t>(entries) > (tokens.remaining() + 1) / 2) {
          return list_too_long(place(element, item, property), static_cast<std::uint64_t>(entries));
        }
        for (std::int64_t k = 0; k < entries; ++k) {
          if (!tokens.next(token)) return wrong_token_count(tokens, element, item, "fewer");
          if (!is_value_of_type(token, property.type)) {
            return not_of_type(place(element, item, property), token, property.type);
          }
        }
      }
      if (tokens.next(token)) return wrong_token_count(tokens, element, item, "more");
    }
  }
  return ReadStatus{};
}

// A list count read in the file's byte order; false for a negative count of a signed type.
bool read_count(const FileWindow& content, std::size_t at, PlyType type, bool big_endian,
                std::uint64_t& count) {
  const std::size_t size = ply_type_size(type);
  count = 0;
  for (std::size_t k = 0; k < size; ++k) {
    const std::size_t byte = big_endian ? k : size - 1 - k;
    count = (count << 8) | static_cast<unsigned char>(content[at + byte]);
  }
  const bool is_signed =
      type == PlyType::kInt8 || type == PlyType::kInt16 || type == PlyType::kInt32;
  return !(is_signed && (count >> (8 * size - 1)) != 0);
}

ReadStatus walk_binary(const FileWindow& content, const PlyHeader& header) {
  const bool big_endian = header.format == PlyFormat::kBinaryBigEndian;
  std::size_t position = header.data_offset;
  for (const PlyElement& element : header.elements) {
    bool has_list = false;
    std::uint64_t item_size = 0;
    for (const PlyProperty& property : element.properties) {
      has_list = has_list || property.is_list;
      item_size += ply_type_size(property.type);
    }
    if (!has_list) {
      // Items of fixed size: one check for the whole element.
      if (item_size == 0) continue;
      const std::uint64_t room = (content.size() - position) / item_size;
      if (element.count > room) return ends_early(element, room);
      position += static_cast<std::size_t>(element.count * item_size);
      continue;
    }
    for (std::uint64_t item = 0; item < element.count; ++item) {
      for (const PlyProperty& property : element.properties) {
        if (!property.is_list) {
          const std::size_t size = ply_type_size(property.type);
          if (content.size() - position < size) return ends_early(element, item);
          position += size;
          continue;
        }
        const std::size_t count_size = ply_type_size(property.count_type);
        if (content.size() - position < count_size) return ends_early(element, item);
        std::uint64_t entries = 0;
        if (!read_count(content, position, property.count_type, big_endian, entries)) {
          return ReadStatus::failure(place(element, item, property) + "a negative list count");
        }
        position += count_size;
        const std::size_t entry_size = ply_type_size(property.type);
        if (entries > (content.size() - position) / entry_size) {
          return list_too_long(place(element, item, property), entries);
        }
        position += static_cast<std::size_t>(entries * entry_size);
      }
    }
  }
  return ReadStatus{};
}

}  // namespace

ReadStatus check_ply_data(const FileWindow& content, const PlyHeader& header) {
  if (header.format == PlyFormat::kAscii) return walk_ascii(content, header);
  return walk_binary(content, header);
}

}  // namespace meshprobe
