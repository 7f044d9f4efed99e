#include "io/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace meshprobe {

namespace {

// New files get the usual permissions (rw for all, minus the umask), which mkstemp's 0600 lacks.
void give_default_permissions(int descriptor) {
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
}

}  // namespace

AtomicFile::AtomicFile(const std::string& path) : path_(path) {
  std::string pattern = path + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = mkstemp(name.data());
  if (descriptor < 0) return;
  temporary_path_ = name.data();
  give_default_permissions(descriptor);
  stream_ = fdopen(descriptor, "w");
  if (stream_ == nullptr) {
    close(descriptor);
    std::remove(temporary_path_.c_str());
    temporary_path_.clear();
  }
}

AtomicFile::~AtomicFile() {
  if (stream_ != nullptr) std::fclose(stream_);
  if (!committed_ && !temporary_path_.empty()) std::remove(temporary_path_.c_str());
}

bool AtomicFile::commit() {
  if (stream_ == nullptr) return false;
  const bool written = std::ferror(stream_) == 0 && std::fflush(stream_) == 0;
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (!written || !closed) return false;
  if (std::rename(temporary_path_.c_str(), path_.c_str()) != 0) return false;
  committed_ = true;
  return true;
}

}  // namespace meshprobe
