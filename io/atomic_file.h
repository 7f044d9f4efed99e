// A file that appears under its name only when completely written: the content goes to a
// temporary file in the same folder, which replaces the target by rename on commit. Until then
// an existing file of that name is untouched, and the temporary file is removed on every way out.
#pragma once

#include <cstdio>
#include <string>

namespace meshprobe {

class AtomicFile {
 public:
  // Creates the temporary file beside `path`. Check is_open() before writing.
  explicit AtomicFile(const std::string& path);
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  // Removes the temporary file unless commit() succeeded.
  ~AtomicFile();

  bool is_open() const { return stream_ != nullptr; }
  std::FILE* stream() { return stream_; }
  // Flushes and closes the temporary file and renames it over the target. False when any write,
  // the close or the rename failed; the temporary file is then gone and the target unchanged.
  bool commit();

 private:
  std::string path_;
  std::string temporary_path_;
  std::FILE* stream_ = nullptr;
  bool committed_ = false;
};

}  // namespace meshprobe
