// The meshprobe binary in odd environments and on odd inputs: a folder, a FIFO or a pipe as the
// mesh, names at the file system's limit, an output that cannot be written (known before the
// mesh is read), too little memory, threads the system cannot start; OFF indices that are not whole
// numbers, a far but small mesh, control bytes in a message, and STL input. Every failure is status
// 1, one line, nothing written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::write_file;

std::size_t line_count(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A shell command run in a fresh folder holding tet.off, with $MESHPROBE the binary; then the
// expected status, standard error (exactly), and the value file expected with 4 lines (empty:
// the folder must be left as the command's set-up made it).
struct Environment {
  std::string name;
  std::string setup;  // shell commands run before the snapshot
  std::string run;
  int status;
  std::string err;
  std::string value_file;
};

const std::string kLong245 = std::string(241, 'm') + ".off";  // its value file: 251 characters
const std::string kLong250 = std::string(246, 'm') + ".off";  // 256, over the limit of 255

std::vector<Environment> environments() {
  return {
      {"folder with an ending", "mkdir scan.off", "$MESHPROBE scan.off 0.01", 1,
       "meshprobe: cannot read scan.off: it is a folder, not a mesh file\n", ""},
      {"folder without an ending", "mkdir scan", "$MESHPROBE scan 0.01", 1,
       "meshprobe: cannot read scan: it is a folder, not a mesh file\n", ""},
      {"FIFO", "", "mkfifo m.off; cat tet.off > m.off & exec timeout 60 $MESHPROBE m.off 0.01", 0,
       "", "m_labels.lb"},
      // A pipe's path (/dev/fd/63) names no file to derive the value file's name from.
      {"pipe", "", "exec timeout 60 bash -c '$MESHPROBE <(cat tet.off) 0.01'", 2,
       "meshprobe: the mesh /dev/fd/63 has no file name to name its outputs after: give their "
       "paths (-o PATH for the value file)\n",
       ""},
      {"pipe with its output named", "",
       "exec timeout 60 bash -c '$MESHPROBE -o piped.lb <(gzip -c tet.off) 0.01'", 0, "",
       "piped.lb"},
      {"name of 245 characters", "cp tet.off " + kLong245, "$MESHPROBE " + kLong245 + " 0.01", 0,
       "", std::string(241, 'm') + "_labels.lb"},
      {"name too long for its value file", "cp tet.off " + kLong250,
       "$MESHPROBE " + kLong250 + " 0.01", 1,
       "meshprobe: cannot write " + std::string(246, 'm') +
           "_labels.lb: the name is longer than the 255 characters the folder allows\n",
       ""},
      // Tiled, a pipe's bytes are held whole and decompressed into the scratch file.
      {"pipe of gzip, tiled", "",
       "exec timeout 60 bash -c '$MESHPROBE -o piped.lb --tiles 2 <(gzip -c tet.off) 0.01'", 0,
       "meshprobe: warning: /dev/fd/63: 1 tile used of the 2 asked: smaller tiles would measure "
       "their margins more than their vertices\n",
       "piped.lb"},
      // The output is checked before the mesh is read: the broken mesh is never looked at.
      {"output taken by a folder", "echo broken > bad.off; mkdir bad_labels.lb",
       "$MESHPROBE bad.off 0.01", 2, "meshprobe: cannot write bad_labels.lb: it is a folder\n", ""},
  };
}

TEST(Robustness, OddEnvironmentsEndAsDocumented) {
  for (const Environment& e : environments()) {
    SCOPED_TRACE(e.name);
    const std::string folder = testing::scratch_folder("robustness-environment");
    fs::remove_all(folder);
    fs::create_directories(folder);
    write_file(folder + "/tet.off", testing::kTetrahedronOff);
    if (!e.setup.empty()) {
      ASSERT_EQ(testing::run_program("/bin/sh", {"-c", e.setup}, folder).status, 0);
    }
    const auto before = testing::folder_contents(folder);
    const auto result = testing::run_program("/bin/sh", {"-c", e.run}, folder,
                                             {std::string("MESHPROBE=") + MESHPROBE_BINARY});
    EXPECT_EQ(result.status, e.status) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, e.err);
    if (e.value_file.empty()) {
      EXPECT_EQ(testing::folder_contents(folder), before);
    } else {
      EXPECT_EQ(line_count(read_file(folder + "/" + e.value_file)), 4u);
    }
  }
}

// A mesh file's content and what meshprobe says about it: the exact line on standard error
// (empty for success, then the value file has `lines` lines).
struct ReaderCase {
  std::string name;
  std::string content;
  std::string err;
  std::size_t lines;
};

std::string off_facet(const std::string& facet) {
  return "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n" + facet + "\n";
}

std::vector<ReaderCase> reader_cases() {
  const std::string prefix = "meshprobe: cannot read ";
  return {
      {"fraction.off", off_facet("3 0 1 2.7"),
       prefix + "fraction.off: line 6: facet 0: \"2.7\" is not a whole number\n", 0},
      {"letter.off", off_facet("3 0 1 2x"),
       prefix + "letter.off: line 6: facet 0: \"2x\" is not a whole number\n", 0},
      {"comma.off", off_facet("3 0 1,5 2"),
       prefix + "comma.off: line 6: facet 0: \"1,5\" is not a whole number\n", 0},
      {"hash.off", off_facet("3 0 1 2#c"),
       prefix + "hash.off: line 6: facet 0: \"2#c\" is not a whole number\n", 0},
      {"count.off", off_facet("3.0 0 1 2"),
       prefix + "count.off: line 6: facet 0: \"3.0\" is not a whole number\n", 0},
      {"below-two.off", off_facet("3 0 1.9 2"),
       prefix + "below-two.off: line 6: facet 0: \"1.9\" is not a whole number\n", 0},
      // A comment after the corners and colour numbers after them stay allowed.
      {"comment.off", off_facet("3 0 1 2 0.5 0.5 0.5 # coloured"), "", 3},
      // A tetrahedron of side 1e34 at 3e38: the box's centre is formed without overflow.
      {"far.off",
       "OFF\n4 4 0\n3e38 3e38 3e38\n3.0001e38 3e38 3e38\n3e38 3.0001e38 3e38\n"
       "3e38 3e38 3.0001e38\n3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n",
       "", 4},
      {"nul.obj", std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\0x\1\n", 35),
       prefix +
           "nul.obj: line 4: the vertex index of corner \"3\\0x\\x01\" is not a whole number\n",
       0},
  };
}

TEST(Robustness, ReaderCasesEndAsDocumented) {
  const std::string folder = testing::scratch_folder("robustness-readers");
  for (const ReaderCase& c : reader_cases()) {
    SCOPED_TRACE(c.name);
    write_file(folder + "/" + c.name, c.content);
    const auto before = testing::folder_contents(folder);
    const auto result = testing::run_program(MESHPROBE_BINARY, {c.name, "0.01"}, folder);
    EXPECT_EQ(result.err, c.err);
    if (c.err.empty()) {
      EXPECT_EQ(result.status, 0);
      const std::string values = c.name.substr(0, c.name.size() - 4) + "_labels.lb";
      EXPECT_EQ(line_count(read_file(folder + "/" + values)), c.lines);
    } else {
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(testing::folder_contents(folder), before);
    }
  }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

TEST(Robustness, TooLittleMemoryEndsWithOneLineAndLeavesTheOldOutput) {
  // The sanitizers reserve terabytes of address space, which the limit would refuse at start.
  if (kSanitized) GTEST_SKIP() << "an address-space limit cannot apply under the sanitizers";
  const std::string folder = testing::scratch_folder("robustness-memory");
  // A million vertices of 8 bytes each in the file need some 400 MB as a mesh, four times the
  // limit the shell sets for the run.
  std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  for (int i = 0; i < 1000000; ++i)
    obj += "v 0 0 0\n";
  write_file(folder + "/many.obj", obj + "f 1 2 3\n");
  write_file(folder + "/many_labels.lb", "earlier result\n");
  const auto before = testing::folder_contents(folder);
  const auto result = testing::run_program(
      "/bin/sh",
      {"-c", std::string("ulimit -v 100000; exec ") + MESHPROBE_BINARY + " many.obj 0.01"}, folder);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "meshprobe: many.obj is too large for the memory available\n");
  EXPECT_EQ(testing::folder_contents(folder), before);
}

std::string binary_stl_of_off(const std::string& off) {
  std::istringstream in(off);
  std::string keyword;
  std::size_t vertices = 0;
  std::size_t facets = 0;
  std::size_t edges = 0;
  in >> keyword >> vertices >> facets >> edges;
  std::vector<float> xyz(3 * vertices);
  for (float& c : xyz)
    in >> c;
  std::string bytes(80, ' ');
  const auto put = [&bytes](const void* value) {
    bytes.append(static_cast<const char*>(value), 4);  // this machine is little-endian
  };
  const auto count = static_cast<std::uint32_t>(facets);
  put(&count);
  for (std::size_t f = 0; f < facets; ++f) {
    std::size_t corners = 0;
    in >> corners;
    EXPECT_EQ(corners, 3u);
    bytes += std::string(12, '\0');
    for (std::size_t k = 0; k < 3; ++k) {
      std::size_t v = 0;
      in >> v;
      for (std::size_t a = 0; a < 3; ++a)
        put(&xyz[3 * v + a]);
    }
    bytes += std::string(2, '\0');
  }
  return bytes;
}

TEST(Robustness, BunnyAsStlGivesTheValuesOfTheBunnyAsOff) {
  const std::string folder = testing::scratch_folder("robustness-stl");
  const std::string off = read_file(MESHPROBE_DATA_DIR "/bunny.off");
  write_file(folder + "/bunny.off", off);
  write_file(folder + "/scan.stl", binary_stl_of_off(off));
  for (const char* mesh : {"bunny.off", "scan.stl"}) {
    const auto result = testing::run_program(MESHPROBE_BINARY, {mesh, "0.01"}, folder);
    ASSERT_EQ(result.status, 0) << mesh << ": " << result.err;
  }
  // The STL vertices come in order of first appearance: the same values, in another order.
  const auto sorted_lines = [](const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
  };
  const auto from_off = sorted_lines(read_file(folder + "/bunny_labels.lb"));
  EXPECT_EQ(from_off.size(), 1839u);
  EXPECT_EQ(sorted_lines(read_file(folder + "/scan_labels.lb")), from_off);
}

TEST(Robustness, ThreadsTheSystemCannotStartAreRefusedInOneLine) {
  // A limit of one process for the user leaves the run no thread to start; the superuser's
  // limits are not enforced, so it runs as the unprivileged user "nobody".
  if (sysconf(_SC_NPROCESSORS_ONLN) < 2)
    GTEST_SKIP() << "one processor: the run needs no second thread";
#ifdef __SANITIZE_ADDRESS__
  // The leak checker starts a thread of its own at exit, which the limit forbids too.
  GTEST_SKIP() << "the sanitizers' own threads fall under the same limit";
#endif
  const std::string folder = testing::scratch_folder("thread-limit");
  std::filesystem::permissions(folder, std::filesystem::perms::all);
  testing::write_file(folder + "/bunny.off", testing::read_file(MESHPROBE_DATA_DIR "/bunny.off"));
  std::vector<std::string> command = {"prlimit", "--nproc=1", MESHPROBE_BINARY, "-q", "-e", "0.01",
                                      "-j",      "2",         "bunny.off"};
  if (geteuid() == 0) {
    command.insert(command.begin(),
                   {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  }
  const testing::ProcessResult run =
      testing::run_program(command.front(), {command.begin() + 1, command.end()}, folder);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.err.find("libgomp"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("cannot start 2 threads"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
}

}  // namespace
}  // namespace meshprobe
