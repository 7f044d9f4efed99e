// gzip input (RFC 1952, through zlib): a compressed file in, the bytes it holds out, in pieces, so
// that they go to memory or to a scratch file without both forms of the file held at once. A file
// of several members one after the other (as parallel compressors write) holds their bytes one
// after the other, as gunzip gives them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "io/file_window.h"
#include "io/read_status.h"
#include "io/scratch_file.h"

namespace meshprobe {

// True when `head` begins with gzip's magic bytes, 1f 8b.
bool begins_with_gzip_magic(std::string_view head);

// The compressed bytes from offset `from` on, as much as lies in one piece; empty at the end.
using CompressedPiece = std::function<std::string_view(std::uint64_t from)>;
// Takes the next piece of decompressed bytes; false stops the decompression.
using DecompressedPiece = std::function<bool(std::string_view piece)>;

// Decompresses every member of the gzip data that `input` gives, handing the bytes to `output`.
// Fails with one line: "the gzip data is damaged (WHY)" (a wrong check sum or length, an invalid
// block), "the gzip data is cut short", "the gzip data is followed by bytes that are not gzip"
// (zero bytes of padding are allowed) or "not enough memory to decompress the gzip data". An
// `output` that stops ends it with an ok status.
ReadStatus gunzip(const CompressedPiece& input, const DecompressedPiece& output);

// gunzip of a file, into `content`. A decompressed size that memory cannot hold is refused ("the
// gzip file holds more than N bytes, more than memory can hold"), `content` left empty, as on any
// failure; so is a file that changed while it was read.
ReadStatus gunzip_into(const FileWindow& file, std::string& content);

// gunzip of a file into `scratch` (created here), whose bytes need not fit in memory. Also fails
// with a full disk (the scratch file's words) and when the file changed while it was read.
ReadStatus gunzip_into(const FileWindow& file, ScratchFile& scratch);

}  // namespace meshprobe
