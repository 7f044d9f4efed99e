// A scratch file for what a run need not keep in memory: bytes appended in, the same bytes read
// back from any offset out. The file is created unlinked in $TMPDIR (or /tmp), so nothing is left
// behind however the process ends, and the disk space it takes goes back when it is closed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/read_status.h"

namespace meshprobe {

class ScratchFile {
 public:
  ScratchFile() = default;
  ScratchFile(ScratchFile&& other) noexcept;
  ScratchFile& operator=(ScratchFile&& other) noexcept;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile();

  // Creates the file, empty; any earlier one is closed. Fails with "cannot create a scratch file
  // in FOLDER (REASON)".
  ReadStatus create();
  bool is_open() const { return descriptor_ >= 0; }

  // Appends `size` bytes, through a buffer that goes to the file when full and at flush(). Fails
  // with "cannot write the scratch file in FOLDER (REASON)", a full disk say.
  ReadStatus append(const void* bytes, std::size_t size);
  ReadStatus flush();
  // Bytes appended so far, those still in the buffer included.
  std::uint64_t size() const { return written_ + buffer_.size(); }

  // Flushes and hands over the file's descriptor, which the caller then closes; the ScratchFile
  // is left closed. `descriptor` is -1 when the flushing fails.
  ReadStatus hand_over(int& descriptor);

  // Reads `size` bytes at `offset` from what has been flushed. Fails with "cannot read the
  // scratch file in FOLDER (REASON)".
  ReadStatus read(std::uint64_t offset, void* bytes, std::size_t size) const;

 private:
  ReadStatus failure(const char* what, int error) const;
  void close_file();

  int descriptor_ = -1;
  std::uint64_t written_ = 0;
  std::vector<unsigned char> buffer_;
};

}  // namespace meshprobe
