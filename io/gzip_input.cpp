#include "io/gzip_input.h"

// The input is never written through: zlib then declares it const.
#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <new>
#include <stdexcept>
#include <vector>

namespace meshprobe {

namespace {

// zlib counts its input and output in 32-bit numbers: the input goes to it in pieces of at most
// this many bytes, and comes out in pieces of kOutputBytes.
constexpr std::size_t kLargestPiece = std::size_t{1} << 30;
constexpr std::size_t kOutputBytes = std::size_t{1} << 18;
// The most bytes deflate can make of one byte of its output; a gzip file's own length field (the
// size modulo 2^32) is trusted as the size to reserve only up to this many times its size.
constexpr std::uint64_t kMostExpansion = 1032;
// 16 added to the window bits asks zlib for the gzip wrapper, whose check sum and length it
// then verifies at the end of every member.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;

// Ends the stream on every way out.
class Inflation {
 public:
  Inflation() { ready_ = inflateInit2(&stream_, kGzipWindowBits) == Z_OK; }
  Inflation(const Inflation&) = delete;
  Inflation& operator=(const Inflation&) = delete;
  ~Inflation() {
    if (ready_) inflateEnd(&stream_);
  }
  bool ready() const { return ready_; }
  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
  bool ready_ = false;
};

ReadStatus no_memory() {
  return ReadStatus::failure("not enough memory to decompress the gzip data");
}

ReadStatus damaged(const z_stream& stream) {
  return ReadStatus::failure(std::string("the gzip data is damaged (") +
                             (stream.msg != nullptr ? stream.msg : "no valid deflate data") + ")");
}

}  // namespace

bool begins_with_gzip_magic(std::string_view head) {
  return head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0x1f &&
         static_cast<unsigned char>(head[1]) == 0x8b;
}

ReadStatus gunzip(const CompressedPiece& input, const DecompressedPiece& output) {
  Inflation inflation;
  if (!inflation.ready()) return no_memory();
  z_stream& stream = inflation.stream();
  std::vector<unsigned char> buffer(kOutputBytes);
  std::uint64_t offset = 0;  // of the piece being decompressed
  std::string_view piece;
  bool in_member = true;  // false between members, where another may begin
  bool padding = false;   // zero bytes after the last member, as tape archives pad a file
  for (;;) {
    if (stream.avail_in == 0) {
      offset += piece.size();
      piece = input(offset).substr(0, kLargestPiece);
      if (piece.empty()) {
        return in_member ? ReadStatus::failure("the gzip data is cut short") : ReadStatus{};
      }
      stream.next_in = reinterpret_cast<const Bytef*>(piece.data());
      stream.avail_in = static_cast<uInt>(piece.size());
    }
    if (!in_member) {
      const unsigned char next = *stream.next_in;
      if (next == 0) {
        padding = true;
        ++stream.next_in;
        --stream.avail_in;
        continue;
      }
      if (padding || next != 0x1f) {
        return ReadStatus::failure("the gzip data is followed by bytes that are not gzip");
      }
      if (inflateReset(&stream) != Z_OK) return damaged(stream);
      in_member = true;
    }
    stream.next_out = buffer.data();
    stream.avail_out = static_cast<uInt>(buffer.size());
    const int result = inflate(&stream, Z_NO_FLUSH);
    if (result == Z_MEM_ERROR) return no_memory();
    if (result != Z_OK && result != Z_STREAM_END) return damaged(stream);
    const std::size_t made = buffer.size() - stream.avail_out;
    if (made > 0 && !output(std::string_view(reinterpret_cast<const char*>(buffer.data()), made))) {
      return ReadStatus{};
    }
    if (result == Z_STREAM_END) in_member = false;
  }
}

namespace {

// The compressed bytes of a window from `from` on: a piece of at most a megabyte, since the window
// holds a few megabytes of the file at a time.
std::string_view piece_of(const FileWindow& file, std::uint64_t from) {
  constexpr std::size_t kWindowPiece = std::size_t{1} << 20;
  if (from >= file.size()) return std::string_view();
  return file.view(static_cast<std::size_t>(from), static_cast<std::size_t>(std::min<std::uint64_t>(
                                                       kWindowPiece, file.size() - from)));
}

}  // namespace

ReadStatus gunzip_into(const FileWindow& file, std::string& content) {
  content = std::string();
  // The last member's length field: the whole size for a file of one member under 4 GiB, which
  // most are, so that the content is allocated once.
  if (file.size() >= 4) {
    const std::string_view field = file.view(file.size() - 4, 4);
    std::uint64_t length = 0;
    for (std::size_t k = 0; k < 4; ++k)
      length |= std::uint64_t{static_cast<unsigned char>(field[k])} << (8 * k);
    try {
      content.reserve(
          static_cast<std::size_t>(std::min<std::uint64_t>(length, kMostExpansion * file.size())));
    } catch (const std::exception&) {
      // Only a guess: the appending below finds out what memory can hold.
    }
  }
  bool too_large = false;
  const ReadStatus status = gunzip([&](std::uint64_t from) { return piece_of(file, from); },
                                   [&](std::string_view piece) {
                                     // std::string reports the memory it cannot have by
                                     // exceptions, which stop here.
                                     try {
                                       content.append(piece);
                                       return true;
                                     } catch (const std::bad_alloc&) {
                                       too_large = true;
                                     } catch (const std::length_error&) {
                                       too_large = true;
                                     }
                                     return false;
                                   });
  if (too_large) {
    const std::size_t held = content.size();
    content = std::string();
    return ReadStatus::failure("the gzip file holds more than " + std::to_string(held) +
                               " bytes, more than memory can hold");
  }
  if (!status.ok) content = std::string();
  return file.unless_changed(status);
}

ReadStatus gunzip_into(const FileWindow& file, ScratchFile& scratch) {
  ReadStatus status = scratch.create();
  if (!status.ok) return status;
  ReadStatus written;
  status = gunzip([&](std::uint64_t from) { return piece_of(file, from); },
                  [&](std::string_view piece) {
                    written = scratch.append(piece.data(), piece.size());
                    return written.ok;
                  });
  if (status.ok) status = written;
  if (status.ok) status = scratch.flush();
  return file.unless_changed(status);
}

}  // namespace meshprobe
