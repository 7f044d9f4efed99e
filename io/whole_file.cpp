#include "io/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace meshprobe {

namespace {

// Closes the descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (descriptor_ >= 0) close(descriptor_);
  }
  int get() const { return descriptor_; }

 private:
  int descriptor_;
};

// Reads until the end of the input, into content[size, ...), growing it as the bytes come; a
// regular file's size is only a first guess, since the file may change while it is read.
bool read_to_end(int descriptor, std::string& content, std::size_t size) {
  constexpr std::size_t kFirstBuffer = 1 << 16;
  if (content.size() < kFirstBuffer) content.resize(kFirstBuffer);
  for (;;) {
    if (size == content.size()) content.resize(content.size() * 2);
    const ssize_t got = read(descriptor, &content[size], content.size() - size);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) break;
    size += static_cast<std::size_t>(got);
  }
  content.resize(size);
  return true;
}

}  // namespace

ReadStatus read_file_bytes(const std::string& path, std::string& content) {
  content.clear();
  const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    const int error = errno;
    return ReadStatus::system_failure(
        "cannot open the file (" + std::string(std::strerror(error)) + ")", error);
  }
  struct stat about {};
  if (fstat(file.get(), &about) != 0) {
    const int error = errno;
    return ReadStatus::system_failure(
        "cannot read the file (" + std::string(std::strerror(error)) + ")", error);
  }
  if (S_ISDIR(about.st_mode)) {
    return ReadStatus::system_failure("it is a folder, not a mesh file", EISDIR);
  }
  // A device such as /dev/zero never ends; FIFOs and pipes do, and are read like files.
  if (S_ISCHR(about.st_mode)) {
    return ReadStatus::failure("it is a character device, not a mesh file");
  }
  std::size_t size = 0;
  if (S_ISREG(about.st_mode) && about.st_size > 0) {
    // One byte more than the size, so that the read meeting the end needs no larger buffer.
    content.resize(static_cast<std::size_t>(about.st_size) + 1);
  }
  if (!read_to_end(file.get(), content, size)) {
    const int error = errno;
    content = std::string();
    return ReadStatus::system_failure(
        "cannot read the file (" + std::string(std::strerror(error)) + ")", error);
  }
  return ReadStatus{};
}

}  // namespace meshprobe
