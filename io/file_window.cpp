#include "io/file_window.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "io/text_lines.h"
#include "io/whole_file.h"

namespace meshprobe {

namespace {

// The window's size, and how much of it lies behind the byte that moved it: a reader may look
// back as far as the start of the token or line it is at.
constexpr std::size_t kWindowBytes = std::size_t{4} << 20;
constexpr std::size_t kBehindBytes = std::size_t{1} << 20;

}  // namespace

FileWindow::~FileWindow() {
  if (descriptor_ >= 0) close(descriptor_);
}

ReadStatus FileWindow::open(const std::string& path, bool& regular) {
  regular = false;
  // Only a regular file is opened: opening a FIFO and closing it unread could leave its writer
  // without a reader. O_NONBLOCK keeps a FIFO put in the path's place meanwhile from blocking.
  struct stat named {};
  if (stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) return ReadStatus{};
  descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor_ < 0) {
    const int error = errno;
    return ReadStatus::system_failure(
        "cannot open the file (" + std::string(std::strerror(error)) + ")", error);
  }
  struct stat about {};
  if (fstat(descriptor_, &about) != 0 || !S_ISREG(about.st_mode)) {
    close(descriptor_);
    descriptor_ = -1;
    return ReadStatus{};
  }
  regular = true;
  size_ = static_cast<std::size_t>(about.st_size);
  modified_seconds_ = about.st_mtim.tv_sec;
  modified_nanoseconds_ = about.st_mtim.tv_nsec;
  return ReadStatus{};
}

ReadStatus FileWindow::open(ScratchFile& scratch) {
  int descriptor = -1;
  const ReadStatus status = scratch.hand_over(descriptor);
  if (!status.ok) return status;
  if (descriptor_ >= 0) close(descriptor_);
  descriptor_ = descriptor;
  struct stat about {};
  if (fstat(descriptor_, &about) != 0) {
    const int error = errno;
    return ReadStatus::failure("cannot read the scratch file (" +
                               std::string(std::strerror(error)) + ")");
  }
  size_ = static_cast<std::size_t>(about.st_size);
  modified_seconds_ = about.st_mtim.tv_sec;
  modified_nanoseconds_ = about.st_mtim.tv_nsec;
  return ReadStatus{};
}

void FileWindow::hold(std::string&& bytes) {
  if (descriptor_ >= 0) close(descriptor_);
  descriptor_ = -1;
  bytes_ = std::move(bytes);
  size_ = bytes_.size();
  begin_ = 0;
  held_ = size_;
  short_ = false;
}

ReadStatus FileWindow::hold_everything() const {
  if (begin_ == 0 && held_ == size_) return ReadStatus{};
  try {
    if (bytes_.size() < size_) bytes_.resize(size_);
  } catch (const std::bad_alloc&) {
    return more_than_memory(size_);
  } catch (const std::length_error&) {
    return more_than_memory(size_);
  }
  load(0, size_);
  return ReadStatus{};
}

std::size_t FileWindow::mark_length() const {
  return byte_order_mark_length(view(0, size_ < 3 ? size_ : 3));
}

char FileWindow::byte_outside(std::size_t at) const {
  if (at >= size_) return '\0';
  load(at > kBehindBytes ? at - kBehindBytes : 0, 1 + std::min(at, kBehindBytes));
  const std::size_t offset = at - begin_;
  return offset < held_ ? bytes_[offset] : '\0';
}

std::string_view FileWindow::view(std::size_t from, std::size_t count) const {
  if (from < begin_ || from + count > begin_ + held_) load(from, count);
  const std::size_t offset = from - begin_;
  return std::string_view(bytes_.data() + offset, std::min(count, held_ - offset));
}

void FileWindow::load(std::size_t from, std::size_t count) const {
  if (from >= size_) {
    begin_ = from;
    held_ = 0;
    return;
  }
  const std::size_t wanted = std::min(std::max(count, kWindowBytes), size_ - from);
  if (bytes_.size() < wanted) bytes_.resize(wanted);
  begin_ = from;
  held_ = 0;
  while (held_ < wanted) {
    const ssize_t got =
        pread(descriptor_, bytes_.data() + held_, wanted - held_, static_cast<off_t>(from + held_));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      short_ = true;
      break;
    }
    held_ += static_cast<std::size_t>(got);
  }
}

ReadStatus FileWindow::unless_changed(const ReadStatus& status) const {
  if (descriptor_ < 0) return status;
  struct stat about {};
  const bool same = !short_ && fstat(descriptor_, &about) == 0 &&
                    static_cast<std::size_t>(about.st_size) == size_ &&
                    about.st_mtim.tv_sec == modified_seconds_ &&
                    about.st_mtim.tv_nsec == modified_nanoseconds_;
  return same ? status : ReadStatus::failure("the file changed while it was read");
}

}  // namespace meshprobe
