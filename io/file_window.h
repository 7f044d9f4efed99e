// A mesh file's bytes as every reader reads them: a path in, the bytes by offset out. A regular
// file is read front to back, in as many passes as a reader needs, through a window of a few
// megabytes; bytes that cannot be read again (a FIFO's, or decompressed ones) are held whole, the
// window then being everything. Past the end the window reads '\0', so that a reader may look one
// byte ahead without testing for the end first.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/read_status.h"
#include "io/scratch_file.h"

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

  // Takes `bytes` (a file read whole) as the window's content, all of it held.
  void hold(std::string&& bytes);

  // Holds all of the file at once, for a reader that needs its bytes in one piece. Fails, where
  // memory cannot hold them, as reading a file whole does.
  ReadStatus hold_everything() const;

  // The file's size when it was opened.
  std::size_t size() const { return size_; }

  // The byte at `at`; '\0' past the end, and where the file has shrunk since it was opened.
  char operator[](std::size_t at) const {
    const std::size_t offset = at - begin_;
    return offset < held_ ? bytes_[offset] : byte_outside(at);
  }

  // The bytes [from, from + count), which must lie within the file, in one piece.
  std::string_view view(std::size_t from, std::size_t count) const;

  // Whether the byte at `at` ends a line, as ends_line (text_lines.h) says.
  bool ends_line_at(std::size_t at) const {
    const char c = (*this)[at];
    return c == '\n' || (c == '\r' && (*this)[at + 1] != '\n');
  }

  // The length of a byte-order mark before the text (text_lines.h).
  std::size_t mark_length() const;

  // `status`, unless the file has shrunk, grown or been written since it was opened, or could
  // not be read: then "the file changed while it was read", whatever `status` said, since what
  // was read from it is not the file. Bytes held whole cannot change.
  ReadStatus unless_changed(const ReadStatus& status) const;

 private:
  char byte_outside(std::size_t at) const;
  // Fills the window with the file's bytes from `from` on, `count` of them at least.
  void load(std::size_t from, std::size_t count) const;

  int descriptor_ = -1;
  std::size_t size_ = 0;
  std::int64_t modified_seconds_ = 0;
  std::int64_t modified_nanoseconds_ = 0;
  mutable std::string bytes_;
  mutable std::size_t begin_ = 0;  // the window holds the file's bytes [begin_, begin_ + held_)
  mutable std::size_t held_ = 0;
  mutable bool short_ = false;  // a read fell short of the size or failed
};

}  // namespace meshprobe
