// Runs a fuzz target's entry point once on every file of the folders given, in name order,
// outside libFuzzer: the seed corpus, which keeps the inputs of past findings too, becomes a test
// of the suite in every build. Fails when a folder cannot be read or holds no input; a broken
// promise or a sanitizer report ends the program as under libFuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::size_t inputs = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::directory_iterator entry(argv[i], error), end; !error && entry != end;
         entry.increment(error)) {
      if (entry->is_regular_file()) files.push_back(entry->path());
    }
    if (error) {
      std::fprintf(stderr, "cannot read the folder %s: %s\n", argv[i], error.message().c_str());
      return 1;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      std::ifstream in(file, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
      std::printf("%s\n", file.filename().c_str());
      std::fflush(stdout);
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++inputs;
    }
  }
  std::printf("%zu inputs\n", inputs);
  return inputs > 0 ? 0 : 1;
}
