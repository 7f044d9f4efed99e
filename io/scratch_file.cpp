#include "io/scratch_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace meshprobe {

namespace {

// Appends go to the file in pieces of this size: large enough that the writes cost nothing next
// to what is computed from the data, small next to any mesh worth keeping out of memory.
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

std::string scratch_folder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && folder[0] != '\0' ? folder : "/tmp";
}

}  // namespace

ScratchFile::ScratchFile(ScratchFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)),
      written_(std::exchange(other.written_, 0)),
      buffer_(std::move(other.buffer_)) {}

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept {
  if (this != &other) {
    close_file();
    descriptor_ = std::exchange(other.descriptor_, -1);
    written_ = std::exchange(other.written_, 0);
    buffer_ = std::move(other.buffer_);
  }
  return *this;
}

ScratchFile::~ScratchFile() {
  close_file();
}

void ScratchFile::close_file() {
  if (descriptor_ >= 0) close(descriptor_);
  descriptor_ = -1;
  written_ = 0;
  buffer_ = std::vector<unsigned char>();
}

ReadStatus ScratchFile::failure(const char* what, int error) const {
  // Not the mesh file's fault: no system error is passed on, so that no front end reports the
  // mesh as missing or unreadable.
  return ReadStatus::failure(std::string(what) + " in " + scratch_folder() + " (" +
                             std::strerror(error) + ")");
}

ReadStatus ScratchFile::create() {
  close_file();
  const std::string folder = scratch_folder();
  // A file without a name from the start; where the file system cannot make one, a named file
  // that is unlinked at once.
  descriptor_ = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (descriptor_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    std::string name = folder + "/meshprobe-XXXXXX";
    descriptor_ = mkostemp(&name[0], O_CLOEXEC);
    if (descriptor_ >= 0) unlink(name.c_str());
  }
  if (descriptor_ < 0) return failure("cannot create a scratch file", errno);
  buffer_.reserve(kBufferBytes);
  return ReadStatus{};
}

ReadStatus ScratchFile::append(const void* bytes, std::size_t size) {
  const auto* from = static_cast<const unsigned char*>(bytes);
  while (size > 0) {
    const std::size_t room = kBufferBytes - buffer_.size();
    const std::size_t taken = size < room ? size : room;
    buffer_.insert(buffer_.end(), from, from + taken);
    from += taken;
    size -= taken;
    if (buffer_.size() == kBufferBytes) {
      const ReadStatus flushed = flush();
      if (!flushed.ok) return flushed;
    }
  }
  return ReadStatus{};
}

ReadStatus ScratchFile::flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t put = pwrite(descriptor_, buffer_.data() + done, buffer_.size() - done,
                               static_cast<off_t>(written_ + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      return failure("cannot write the scratch file", errno);
    }
    done += static_cast<std::size_t>(put);
  }
  written_ += buffer_.size();
  buffer_.clear();
  return ReadStatus{};
}

ReadStatus ScratchFile::hand_over(int& descriptor) {
  descriptor = -1;
  const ReadStatus status = flush();
  if (!status.ok) return status;
  descriptor = std::exchange(descriptor_, -1);
  close_file();
  return status;
}

ReadStatus ScratchFile::read(std::uint64_t offset, void* bytes, std::size_t size) const {
  auto* to = static_cast<unsigned char*>(bytes);
  while (size > 0) {
    const ssize_t got = pread(descriptor_, to, size, static_cast<off_t>(offset));
    if (got < 0) {
      if (errno == EINTR) continue;
      return failure("cannot read the scratch file", errno);
    }
    // Only what was written is read: a file that ends early was cut short by someone else.
    if (got == 0) return failure("cannot read the scratch file", EIO);
    to += got;
    offset += static_cast<std::uint64_t>(got);
    size -= static_cast<std::size_t>(got);
  }
  return ReadStatus{};
}

}  // namespace meshprobe
