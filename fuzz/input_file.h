// The file a fuzzed input stands for: its first byte picks the ending of the file's name (and so
// the reader, as the programs choose it from the name and the bytes), the rest is the file's
// content. The file lives in a private folder, so that the targets read it through the same
// entry as the programs, opening it by its path.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "read_checks.h"

namespace meshprobe::fuzzing {

// Endings picked by the low two bits of the first byte; the seed corpora keep these values.
constexpr const char* kEndings[] = {".off", ".obj", ".ply", ".stl"};

// One private folder per fuzzing process, removed when the process ends. /dev/shm keeps the
// file in memory where it exists; TMPDIR, when set, takes precedence.
inline const std::string& work_folder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    if (base == nullptr) base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/meshprobe-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) fail("cannot create the work folder");
    return pattern;
  }();
  static const int removed_at_exit = std::atexit([] { rmdir(work_folder().c_str()); });
  (void)removed_at_exit;
  return folder;
}

// Writes the input's content (all but its first byte) to a file named after its first byte and
// removes that file when it goes out of scope. Inputs without a first byte make no file.
class InputFile {
 public:
  InputFile(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    path_ = work_folder() + "/mesh" + kEndings[data[0] & 3];
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr) fail("cannot create the mesh file");
    const bool written = std::fwrite(data + 1, 1, size - 1, file) == size - 1;
    if (std::fclose(file) != 0 || !written) fail("cannot write the mesh file");
  }
  ~InputFile() {
    if (!path_.empty()) std::remove(path_.c_str());
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool exists() const { return !path_.empty(); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace meshprobe::fuzzing
