// An input stream over bytes already in memory, without copying them: std::istringstream would
// hold a second copy of a file that may be gigabytes long. Seeking and tellg work as on a file.
#pragma once

#include <istream>
#include <streambuf>
#include <string_view>

namespace meshprobe {

class MemoryBuffer : public std::streambuf {
 public:
  explicit MemoryBuffer(std::string_view bytes) {
    char* begin = const_cast<char*>(bytes.data());  // the get area is only ever read
    setg(begin, begin, begin + bytes.size());
  }

 protected:
  pos_type seekoff(off_type offset, std::ios_base::seekdir way,
                   std::ios_base::openmode which) override {
    if ((which & std::ios_base::in) == 0) return pos_type(off_type(-1));
    off_type base = 0;
    if (way == std::ios_base::cur) base = gptr() - eback();
    if (way == std::ios_base::end) base = egptr() - eback();
    return seekpos(pos_type(base + offset), which);
  }

  pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
    const off_type at = off_type(position);
    if ((which & std::ios_base::in) == 0 || at < 0 || at > egptr() - eback()) {
      return pos_type(off_type(-1));
    }
    setg(eback(), eback() + at, egptr());
    return position;
  }
};

// The stream of a MemoryBuffer; `bytes` must outlive it.
class MemoryStream : public std::istream {
 public:
  explicit MemoryStream(std::string_view bytes) : std::istream(nullptr), buffer_(bytes) {
    rdbuf(&buffer_);
  }

 private:
  MemoryBuffer buffer_;
};

}  // namespace meshprobe
