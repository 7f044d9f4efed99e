// Which reader a file goes to, decided once for every way of reading it (into memory, into a
// scratch store, the bytes inside a gzip file): from the file's name, its first bytes and its size.
// A file that is no mesh in a format read here is refused at this point, in words that say what it
// is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/file_layout.h"

namespace meshprobe {

// The first bytes that settle every format but OFF, whose keyword may follow any number of
// comment lines: the choice looks at this many, and at the whole file only where they do not tell.
constexpr std::size_t kFormatHeadBytes = std::size_t{1} << 16;

struct FormatChoice {
  enum class Kind {
    kMesh,       // read `format`
    kGzip,       // decompress, then choose again for the bytes inside
    kRefused,    // `refusal` says what the file is
    kUndecided,  // the head given was too short to tell: choose again with the whole file
  };
  Kind kind = Kind::kUndecided;
  MeshFormat format = MeshFormat::kOff;
  std::string refusal;
};

// The choice for a file of `size` bytes whose first bytes are `head` (the whole file, or at least
// its first min(size, kFormatHeadBytes) bytes), in this order: empty, refused; gzip magic 1f 8b,
// gzip; a name whose last three characters are "obj" in any case, OBJ; the PLY magic line, PLY; a
// size of 84 + 50 x the triangle count at byte 80, binary STL; the word "solid", STL; a VTK
// header, refused; an OFF keyword after white space and comments, OFF; a name ending in ".stl" in
// any case, STL (whose reader then says why it is none); anything else refused, naming the
// formats read. `inside_gzip` words the refusals for the bytes a gzip file holds (and refuses a
// gzip file inside one); `name` is then the path without its ".gz".
FormatChoice choose_format(const std::string& name, std::string_view head, std::uint64_t size,
                           bool inside_gzip);

// True when the last three characters of the path (the whole path when shorter) are "obj" in
// any letter case; such files are read as OBJ, whatever they hold.
bool reads_as_obj(const std::string& path);

// The path without a trailing ".gz" in any letter case; the path itself when it has none. The
// bytes inside a gzip file, and the names derived from it, go by this name.
std::string without_gzip_ending(const std::string& path);

}  // namespace meshprobe
