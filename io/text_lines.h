// What every text format shares about its bytes: a UTF-8 byte-order mark that an editor may put
// before the first line, and the three ways a line may end (LF, CR LF, and CR alone, as older Mac
// editors write).
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace meshprobe {

// 3 when the text begins with the UTF-8 byte-order mark, which is not part of the first line;
// 0 otherwise.
inline std::size_t byte_order_mark_length(std::string_view text) {
  return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

// The end of the line that begins at `from` (the place of its CR or LF, or text.size()), and in
// `next` where the following line begins: CR LF is one ending.
inline std::size_t line_end(std::string_view text, std::size_t from, std::size_t& next) {
  const std::size_t end = std::min(text.find_first_of("\r\n", from), text.size());
  next = end;
  if (end < text.size()) {
    next = end + 1;
    if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
  }
  return end;
}

// True when the byte at `at` ends a line: an LF, or a CR that no LF follows (the LF of a CR LF
// ends it). Counting these counts lines in every convention.
inline bool ends_line(std::string_view text, std::size_t at) {
  return text[at] == '\n' || (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n'));
}

}  // namespace meshprobe
