#include "io/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

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

// Grows `content` to `size` bytes; false, where memory cannot hold them, instead of the exception
// by which std::string says so.
bool grow(std::string& content, std::size_t size) {
  try {
    content.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

// `size`: the file's size, or with `more`, what was read of it before memory ran out.
ReadStatus too_large(std::size_t size, bool more) {
  return ReadStatus::failure(
      more
          ? "the file holds more than " + std::to_string(size) + " bytes, more than memory can hold"
          : "the file's " + std::to_string(size) + " bytes are more than memory can hold");
}

// Reads until the end of the input, into content[size, ...), growing it as the bytes come; a
// regular file's size is only a first guess, since the file may change while it is read. Fails
// with errno set when a read fails, and with errno 0 when memory cannot hold the bytes.
bool read_to_end(int descriptor, std::string& content, std::size_t size) {
  constexpr std::size_t kFirstBuffer = 1 << 16;
  const std::size_t first = std::max(content.size(), kFirstBuffer);
  if (!grow(content, first)) {
    errno = 0;
    return false;
  }
  for (;;) {
    if (size == content.size() && !grow(content, content.size() * 2)) {
      errno = 0;
      return false;
    }
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
  // One byte more than the size, so that the read meeting the end needs no larger buffer.
  if (S_ISREG(about.st_mode) && about.st_size > 0 &&
      !grow(content, static_cast<std::size_t>(about.st_size) + 1)) {
    content = std::string();
    return too_large(static_cast<std::size_t>(about.st_size), false);
  }
  if (!read_to_end(file.get(), content, size)) {
    const int error = errno;
    const std::size_t held = content.size();
    content = std::string();
    if (error == 0) return too_large(held, true);
    return ReadStatus::system_failure(
        "cannot read the file (" + std::string(std::strerror(error)) + ")", error);
  }
  return ReadStatus{};
}

ReadStatus more_than_memory(std::size_t size) {
  return too_large(size, false);
}

}  // namespace meshprobe
