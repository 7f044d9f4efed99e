#include "io/whole_file.h"

#include <fstream>
#include <iterator>

namespace meshprobe {

ReadStatus read_whole_file(const std::string& path, Mesh& mesh,
                           ReadStatus (*read_content)(const std::string&, Mesh&)) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return ReadStatus::failure("cannot open the file");
  const std::string content((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
  if (file.bad()) return ReadStatus::failure("cannot read the file");
  return read_content(content, mesh);
}

}  // namespace meshprobe
