// A regular file read front to back, in as many passes as a reader needs, through a window of a
// few megabytes instead of the whole file in memory: a path in, the file's bytes by offset out.
// Past the end the window reads '\0', as a std::string's terminator reads, so that a reader
// written for bytes in memory reads a window alike.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/read_status.h"
#include "io/scratch_file.h"
#include "io/text_lines.h"

namespace meshprobe {

class FileWindow {
 public:
  FileWindow() = default;
  FileWindow(const FileWindow&) = delete;
  FileWindow& operator=(const FileWindow&) = delete;
  ~FileWindow();

  // Opens the file at `path` when it is a regular file; `regular` says whether it is one (a
  // FIFO, a device or a folder is not, and is left unopened with an ok status). Fails with
  // "cannot open the file (REASON)" as reading a file whole does.
  ReadStatus open(const std::string& path, bool& regular);

  // Opens what was appended to `scratch` (decompressed bytes, say), which it takes over: the
  // scratch file is left closed. Fails as the scratch file's flushing does.
  ReadStatus open(ScratchFile& scratch);

  // The file's size when it was opened.
  std::size_t size() const { return size_; }

  // The byte at `at`; '\0' past the end, and where the file has shrunk since it was opened.
  char operator[](std::size_t at) const {
    const std::size_t offset = at - begin_;
    return offset < held_ ? bytes_[offset] : byte_outside(at);
  }

  // The bytes [from, from + count), which must lie within the file, in one piece.
  std::string_view view(std::size_t from, std::size_t count) const;

  // `status`, unless the file has shrunk, grown or been written since it was opened, or could
  // not be read: then "the file changed while it was read", whatever `status` said, since what
  // was read from it is not the file.
  ReadStatus unless_changed(const ReadStatus& status) const;

 private:
  char byte_outside(std::size_t at) const;
  // Fills the window with the file's bytes from `from` on, `count` of them at least.
  void load(std::size_t from, std::size_t count) const;

  int descriptor_ = -1;
  std::size_t size_ = 0;
  std::int64_t modified_seconds_ = 0;
  std::int64_t modified_nanoseconds_ = 0;
  mutable std::vector<char> bytes_;
  mutable std::size_t begin_ = 0;  // the window holds the file's bytes [begin_, begin_ + held_)
  mutable std::size_t held_ = 0;
  mutable bool short_ = false;  // a read fell short of the size or failed
};

// The bytes [from, from + count) of bytes in memory or of a window, so that a reader is written
// once for both.
inline std::string_view view_of(const std::string& bytes, std::size_t from, std::size_t count) {
  return std::string_view(bytes).substr(from, count);
}
inline std::string_view view_of(const FileWindow& bytes, std::size_t from, std::size_t count) {
  return bytes.view(from, count);
}

// Whether the byte at `at` ends a line, as ends_line (text_lines.h) says, in bytes in memory or
// in a window: both read '\0' just past the end.
template <class Bytes>
bool ends_line_at(const Bytes& text, std::size_t at) {
  return text[at] == '\n' || (text[at] == '\r' && text[at + 1] != '\n');
}

// The length of a byte-order mark before the text (text_lines.h), in memory or in a window.
inline std::size_t mark_length(const std::string& bytes) {
  return byte_order_mark_length(bytes);
}
inline std::size_t mark_length(const FileWindow& bytes) {
  return byte_order_mark_length(bytes.view(0, bytes.size() < 3 ? bytes.size() : 3));
}

}  // namespace meshprobe
