// A file that appears under its name only when completely written: the content goes to a
// temporary file of a short name in the same folder, which is synced and then replaces the target
// by rename on commit. Until then an existing file of that name is untouched, and the temporary
// file is removed on every way out, SIGINT, SIGTERM and SIGHUP included.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace meshprobe {

class AtomicFile {
 public:
  // Creates the temporary file beside `path`, named ".meshprobe-XXXXXX" so that it fits
  // whenever the target's name fits. Check is_open() before writing.
  explicit AtomicFile(const std::string& path);
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  // Removes the temporary file unless commit() succeeded.
  ~AtomicFile();

  bool is_open() const { return stream_ != nullptr; }
  std::FILE* stream() { return stream_; }
  // Flushes, syncs to the disk and closes the temporary file and renames it over the target.
  // False when any write, the sync, the close or the rename failed; the temporary file is then
  // gone and the target unchanged.
  bool commit();

 private:
  std::string path_;
  std::string temporary_path_;
  std::FILE* stream_ = nullptr;
  std::size_t slot_;  // where the signal handlers find the temporary path
  bool committed_ = false;
};

// True when a file can be created at `path` and later renamed into place there: the folder
// exists and takes a new file (checked by creating and removing a short probe file), the name
// fits the folder's limit, and `path` is not a folder. Otherwise false with `why` saying which,
// such as "the folder out does not exist". For checking every output before a long computation.
bool can_create(const std::string& path, std::string& why);

}  // namespace meshprobe
