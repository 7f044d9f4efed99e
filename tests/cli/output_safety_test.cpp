// What a run may never do to the files around it: replace an input, replace a special file or
// cut a link, lose permission bits, replace some outputs of a failed mesh and not others, leave a
// temporary file behind, give up a whole batch for one missing mesh or one file size limit, or
// let a mesh's name forge a header line. Each case is a shell command run by the meshprobe binary
// in a fresh folder, then a shell check of what it left. Cases that need a mount (a bind mount,
// a mount namespace without /proc) or chattr are skipped, with a message, where the machine
// refuses them.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

namespace fs = std::filesystem;

// Run in a folder holding tet.off and its copy orig.off, $MESHPROBE naming the binary: `setup`,
// then `run`, whose status, standard output and standard error must be as given; then `check`
// must succeed. Every check also requires that no temporary file is left. `needs`, when given,
// is tried in an empty folder first: the case is skipped when it fails. `cleanup` runs last,
// whatever happened (an immutable file or a mount point would keep the folder from going).
struct SafetyCase {
  std::string name;
  std::string setup;
  std::string run;
  int status;
  std::string out;
  std::string err;
  std::string check;
  std::string needs = "";
  std::string cleanup = "";
  // The sanitizers' runtime reads /proc itself (the leak checker, the symbolizer): a case that
  // takes /proc away runs in the plain build only.
  bool needs_proc = false;
};

// A grid of 100 x 100 vertices: its CSV (some 2 MB) passes a file size limit of 1 MB that its
// value file (100 KB) keeps within.
const std::string kLargeGrid =
    "python3 -c \"n=100\nprint('OFF', n*n, 2*(n-1)**2, 0)\n"
    "[print(i, j, (i*j)%7*0.01) for j in range(n) for i in range(n)]\n"
    "[print(3, j*n+i, j*n+i+1, j*n+i+n) or print(3, j*n+i+1, j*n+i+n+1, j*n+i+n) "
    "for j in range(n-1) for i in range(n-1)]\" > grid.off";

const std::string kClash = "meshprobe: the output ";
const std::string kUnchanged = "cmp -s tet.off orig.off && ! ls | grep -q _labels";

std::vector<SafetyCase> safety_cases() {
  return {
      // An output that is an input, however it is spelt or linked: nothing read, nothing written.
      {"-o names the mesh", "", "$MESHPROBE -o tet.off tet.off 0.01", 2, "",
       kClash + "tet.off would replace the input mesh tet.off\n", kUnchanged},
      {"-o spells the mesh with ./", "", "$MESHPROBE -o ./tet.off tet.off 0.01", 2, "",
       kClash + "./tet.off would replace the input mesh tet.off\n", kUnchanged},
      {"--csv names the mesh", "", "$MESHPROBE --csv=tet.off tet.off 0.01", 2, "",
       kClash + "tet.off would replace the input mesh tet.off\n", kUnchanged},
      {"--png names the mesh", "", "$MESHPROBE --png=tet.off tet.off 0.01", 2, "",
       kClash + "tet.off would replace the input mesh tet.off\n", kUnchanged},
      {"--stats names an OBJ mesh", "cp tet.off t.obj", "$MESHPROBE --stats=t.obj t.obj 0.01", 2,
       "", kClash + "t.obj would replace the input mesh t.obj\n", "cmp -s t.obj orig.off"},
      {"--ply names a PLY mesh", "cp tet.off x.ply", "$MESHPROBE --ply=x.ply x.ply 0.01", 2, "",
       kClash + "x.ply would replace the input mesh x.ply\n", "cmp -s x.ply orig.off"},
      {"--summary names the second of two meshes", "cp tet.off b.off",
       "$MESHPROBE --summary b.off -e 0.01 tet.off b.off", 2, "",
       kClash + "b.off would replace the input mesh b.off\n",
       kUnchanged + " && cmp -s b.off tet.off"},
      {"a symbolic link to the mesh", "ln -s tet.off link.lb", "$MESHPROBE -o link.lb tet.off 0.01",
       2, "", kClash + "link.lb would replace the input mesh tet.off\n",
       kUnchanged + " && test -L link.lb"},
      {"a hard link to the mesh", "ln tet.off hard.lb", "$MESHPROBE -o hard.lb tet.off 0.01", 2, "",
       kClash + "hard.lb would replace the input mesh tet.off\n", kUnchanged},

      // Special files are written in place, never replaced; links are followed and kept.
      {"a FIFO as the summary", "mkfifo s.csv",
       "cat s.csv > got.csv & $MESHPROBE --summary s.csv tet.off 0.01; status=$?; wait; "
       "exit $status",
       0, "", "", "test -p s.csv && grep -q '^tet.off,off,0.01,' got.csv"},
      {"a FIFO as the value file", "mkfifo v.lb",
       "cat v.lb > got.lb & $MESHPROBE -o v.lb tet.off 0.01; status=$?; wait; exit $status", 0, "",
       "", "test -p v.lb && test $(wc -l < got.lb) -eq 4"},
      {"/dev/stdout as the summary", "", "$MESHPROBE --summary /dev/stdout tet.off 0.01 > got.csv",
       0, "", "", "grep -q '^tet.off,off,0.01,' got.csv && test $(wc -l < tet_labels.lb) -eq 4"},
      {"/dev/null as the value file", "", "$MESHPROBE -o /dev/null tet.off 0.01", 0, "", "",
       "test -c /dev/null && ! ls | grep -q _labels"},
      {"- as the value file", "", "$MESHPROBE -o - tet.off 0.01 | grep -c ' $'", 0, "4\n", "",
       "! ls | grep -q _labels"},
      {"- as the value file keeps the missing file's words off standard output", "",
       "$MESHPROBE -o - missing.off 0.01", 1, "", "The file missing.off does not exist\n\n",
       "true"},
      {"a link to an existing file", "echo old > real.lb; ln -s real.lb link.lb",
       "$MESHPROBE -o link.lb tet.off 0.01", 0, "", "",
       "test -L link.lb && test $(wc -l < real.lb) -eq 4"},
      {"a link to a file not yet there", "mkdir d; ln -s d/real.lb link.lb",
       "$MESHPROBE -o link.lb tet.off 0.01", 0, "", "",
       "test -L link.lb && test $(wc -l < d/real.lb) -eq 4"},
      {"permission bits are kept", "echo old > v.lb; chmod 600 v.lb",
       "$MESHPROBE -o v.lb tet.off 0.01", 0, "", "",
       "test $(stat -c %a v.lb) = 600 && test $(wc -l < v.lb) -eq 4"},
      {"a folder is refused", "mkdir tet_labels.lb", "$MESHPROBE tet.off 0.01", 2, "",
       "meshprobe: cannot write tet_labels.lb: it is a folder\n", "test -d tet_labels.lb"},
      {"a socket is refused",
       "python3 -c \"import socket; socket.socket(socket.AF_UNIX).bind('s.lb')\"",
       "$MESHPROBE -o s.lb tet.off 0.01", 2, "",
       "meshprobe: cannot write s.lb: it is a socket, which no output replaces\n", "test -S s.lb"},

      // A mesh's outputs are replaced together: a picture that cannot be written (the file size
      // limit) keeps the value file written before it from taking its name.
      {"a failed output keeps the earlier ones", "echo old > tet_labels.lb",
       "trap '' XFSZ; ulimit -f 2; exec $MESHPROBE --png tet.off 0.01", 1, "",
       "meshprobe: cannot write tet_roughness.png: File too large\n",
       "test \"$(cat tet_labels.lb)\" = old && ! test -e tet_roughness.png"},
      // A file size limit fails the write that passes it, not the process (SIGXFSZ is ignored
      // by meshprobe itself here): the mesh fails, the next one and the summary are written.
      {"a file size limit fails one mesh", kLargeGrid + " && echo old > grid_fields.csv",
       "ulimit -f 1000; exec $MESHPROBE --csv --summary s.csv -e 0.05 grid.off tet.off", 1, "",
       "meshprobe: cannot write grid_fields.csv: File too large\n",
       "test \"$(cat grid_fields.csv)\" = old && ! test -e grid_labels.lb && "
       "test -f tet_fields.csv && grep -q '^tet.off,off,0.05,.*,ok$' s.csv && "
       "grep -q '^grid.off,.*File too large' s.csv"},

      // A full disk is named as the system names it.
      {"a full disk", kLargeGrid + " && mkdir small && mount -t tmpfs -o size=16k none small",
       "$MESHPROBE -e 0.05 -o small/v.lb grid.off", 1, "",
       "meshprobe: cannot write small/v.lb: No space left on device\n",
       "test -z \"$(ls -A small)\"", "mkdir m && mount -t tmpfs -o size=16k none m && umount m",
       "umount small"},

      // An output that cannot be replaced is found before anything is measured, and named with
      // the reason: every output of the mesh keeps its earlier content.
      {"an immutable output", "echo old > tet_fields.csv && chattr +i tet_fields.csv",
       "$MESHPROBE --ply --csv tet.off 0.01", 1, "",
       "meshprobe: cannot write tet_fields.csv: it is immutable or append-only, which no output "
       "replaces\n",
       "test \"$(cat tet_fields.csv)\" = old && ! test -e tet_labels.lb && "
       "! test -e tet_roughness.ply",
       "touch f && chattr +i f && chattr -i f", "chattr -i tet_fields.csv"},
      {"a bind mount as an output",
       "echo old > tet_fields.csv && echo bound > b.csv && mount --bind b.csv tet_fields.csv",
       "$MESHPROBE --ply --csv tet.off 0.01", 1, "",
       "meshprobe: cannot write tet_fields.csv: it is a mount point, which no output replaces\n",
       "test \"$(cat tet_fields.csv)\" = bound && ! test -e tet_labels.lb && "
       "! test -e tet_roughness.ply",
       "touch f g && mount --bind f g && umount g", "umount tet_fields.csv"},
      // Without /proc an unnamed temporary file cannot be named: a named one serves instead.
      {"no /proc", "",
       "unshare -m sh -c 'mount -t tmpfs none /proc && exec $MESHPROBE --ply --csv --stats "
       "--png tet.off 0.01'",
       0, "", "",
       "test $(wc -l < tet_labels.lb) -eq 4 && test -s tet_fields.csv && test -s tet_stats.json && "
       "test -s tet_roughness.png && test -s tet_roughness.ply",
       "unshare -m sh -c 'mount -t tmpfs none /proc'", "", true},

      // A name's control characters are escaped in the PLY's header: meshprobe reads it back.
      {"a line end in the mesh's name", "cp tet.off \"$(printf 'new\\nline.off')\"",
       "$MESHPROBE --ply \"$(printf 'new\\nline.off')\" 0.05 && "
       "$MESHPROBE -o - \"$(printf 'new\\nline_roughness.ply')\" 0.05 | wc -l",
       0, "4\n", "",
       "grep -aq '^comment meshprobe roughness map of new\\\\nline.off, epsilon 0.05$' "
       "\"$(printf 'new\\nline_roughness.ply')\""},

      // A batch goes on past a mesh that is missing; only folders the user named fail at once.
      {"a missing mesh in a batch", "cp tet.off b.off",
       "$MESHPROBE -e 0.05 --summary s.csv tet.off nodir/x.off b.off", 1, "",
       "meshprobe: cannot read nodir/x.off: cannot open the file (No such file or directory)\n",
       "test -f tet_labels.lb && test -f b_labels.lb && test $(wc -l < s.csv) -eq 4 && "
       "grep -q '^nodir/x.off,,0.05,.*cannot open' s.csv"},
      {"a missing folder for -o", "", "$MESHPROBE -o nodir/v.lb tet.off 0.01", 1, "",
       "meshprobe: cannot write nodir/v.lb: the folder nodir does not exist\n", kUnchanged},
      {"a missing folder for the summary", "", "$MESHPROBE --summary nodir/s.csv tet.off 0.01", 1,
       "", "meshprobe: cannot write nodir/s.csv: the folder nodir does not exist\n", kUnchanged},
      {"a file as the folder of -o", "", "$MESHPROBE -o /dev/null/v.lb tet.off 0.01", 1, "",
       "meshprobe: cannot write /dev/null/v.lb: /dev/null is not a folder\n", kUnchanged},
      {"a file as -d", "touch out", "$MESHPROBE -d out tet.off 0.01", 1, "",
       "meshprobe: cannot create the output folder out: Not a directory\n", kUnchanged},

      // Empty option values name nothing and are refused rather than ignored.
      {"--summary ''", "", "$MESHPROBE --summary '' tet.off 0.01", 2, "",
       "meshprobe: --summary needs a path, not an empty text\n", kUnchanged},
      {"-o ''", "", "$MESHPROBE -o '' tet.off 0.01", 2, "",
       "meshprobe: --output needs a path, not an empty text\n", kUnchanged},
      {"-d ''", "", "$MESHPROBE -d '' tet.off 0.01", 2, "",
       "meshprobe: --output-dir needs a path, not an empty text\n", kUnchanged},
      {"--png=", "", "$MESHPROBE --png= tet.off 0.01", 2, "",
       "meshprobe: --png needs a path, not an empty text\n", kUnchanged},
  };
}

void PrintTo(const SafetyCase& c, std::ostream* out) {
  *out << c.name;
}

class OutputSafety : public ::testing::TestWithParam<SafetyCase> {};

TEST_P(OutputSafety, RunLeavesTheFilesAroundItAsDocumented) {
  const SafetyCase& c = GetParam();
#ifdef __SANITIZE_ADDRESS__
  if (c.needs_proc) GTEST_SKIP() << "the sanitizers' runtime needs /proc; the plain build runs it";
#endif
  const std::string folder = testing::scratch_folder("output-safety");
  fs::remove_all(folder);
  fs::create_directories(folder);
  if (!c.needs.empty() && testing::run_program("/bin/sh", {"-c", c.needs}, folder).status != 0) {
    fs::remove_all(folder);
    GTEST_SKIP() << "this machine does not allow: " << c.needs;
  }
  fs::remove_all(folder);
  fs::create_directories(folder);
  // Runs the cleanup however the case ends, an assertion's early return included.
  struct Cleanup {
    const std::string& command;
    const std::string& folder;
    ~Cleanup() {
      if (!command.empty()) testing::run_program("/bin/sh", {"-c", command}, folder);
    }
  } cleanup{c.cleanup, folder};
  testing::write_file(folder + "/tet.off", testing::kTetrahedronOff);
  testing::write_file(folder + "/orig.off", testing::kTetrahedronOff);
  if (!c.setup.empty()) {
    ASSERT_EQ(testing::run_program("/bin/sh", {"-c", c.setup}, folder).status, 0);
  }
  const auto result = testing::run_program("/bin/bash", {"-c", c.run}, folder,
                                           {std::string("MESHPROBE=") + MESHPROBE_BINARY});
  EXPECT_EQ(result.status, c.status) << result.err;
  EXPECT_EQ(result.out, c.out);
  EXPECT_EQ(result.err, c.err);
  const auto checked = testing::run_program(
      "/bin/sh", {"-c", "(" + c.check + ") && ! ls -A | grep -q '^\\.meshprobe-'"}, folder);
  EXPECT_EQ(checked.status, 0) << "check failed: " << c.check;
}

INSTANTIATE_TEST_SUITE_P(Cases, OutputSafety, ::testing::ValuesIn(safety_cases()),
                         [](const ::testing::TestParamInfo<SafetyCase>& param) {
                           std::string name;
                           for (const char ch : param.param.name)
                             name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                           return name + "_" + std::to_string(param.index);
                         });

}  // namespace
}  // namespace meshprobe
