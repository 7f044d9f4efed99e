// An input that cannot be read twice taken whole: a path in, the file's bytes out, read through
// one opening of the path and one pass over its bytes, so that a FIFO or a pipe (`<(...)`) reads
// like a file once a window holds them (io/file_window.h).
#pragma once

#include <string>

#include "io/read_status.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Reads the file at `path` whole, in binary, into `content`. Fails, `content` left empty, with
// "cannot open the file (REASON)", "it is a folder, not a mesh file", "cannot read the file
// (REASON)" or, where memory cannot hold its bytes, "the file's N bytes are more than memory can
// hold" ("the file holds more than N bytes, ..." for a pipe). A regular file's bytes are read into
// a buffer of its size; other files grow it.
ReadStatus read_file_bytes(const std::string& path, std::string& content);

// The refusal of a file of `size` bytes that memory cannot hold.
ReadStatus more_than_memory(std::size_t size);

}  // namespace meshprobe
