// The readers take a file whole: its path in, its bytes handed to the reader of content out.
#pragma once

#include <string>

#include "io/read_status.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Reads the file at `path` whole, in binary, and hands its bytes to `read_content` with `mesh`.
// Fails with "cannot open the file" or "cannot read the file" when the bytes cannot be had.
ReadStatus read_whole_file(const std::string& path, Mesh& mesh,
                           ReadStatus (*read_content)(const std::string&, Mesh&));

}  // namespace meshprobe
