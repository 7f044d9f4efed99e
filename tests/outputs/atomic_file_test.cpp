// Atomic output: a signal during the write removes the temporary files, however many, and still
// ends the process by that signal; a batch whose last rename fails puts every earlier file back;
// can_create tells, before any computation, whether an output can be written. Each runs on the
// local file system and on a FUSE mount (bindfs), which has neither unnamed files nor
// exchanging renames; the FUSE cases are skipped, with a message, where none can be mounted.
#include "outputs/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

// A folder to write in: plain, or the same folder seen through a bindfs mount, unmounted when
// the test ends. Empty when the mount cannot be made.
class TestFolder {
 public:
  TestFolder(const std::string& name, bool fuse) {
    const std::string base = testing::scratch_folder(name);
    fs::remove_all(base);
    fs::create_directories(base + "/back");
    if (!fuse) {
      path_ = base + "/back";
      return;
    }
    fs::create_directories(base + "/mount");
    if (testing::run_program("bindfs", {base + "/back", base + "/mount"}, base).status == 0)
      mount_ = path_ = base + "/mount";
  }
  ~TestFolder() {
    if (!mount_.empty()) testing::run_program("fusermount", {"-u", mount_}, "/");
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string mount_;
};

const char kNoFuse[] = "no FUSE file system can be mounted here (bindfs, /dev/fuse)";

struct SignalCase {
  int signal_number;
  bool fuse;
  int files;  // written at once when the signal comes
};

void PrintTo(const SignalCase& c, std::ostream* out) {
  *out << "signal " << c.signal_number << (c.fuse ? " on FUSE, " : ", ") << c.files << " files";
}

class AtomicFileSignal : public ::testing::TestWithParam<SignalCase> {};

// SIGKILL cannot be handled: the file being written has no name until it is complete, so
// nothing of it remains, where the file system has unnamed files. Where it has none (FUSE),
// every hidden file is removed by the handler, however many are open.
TEST_P(AtomicFileSignal, DuringTheWriteLeavesNothingAndEndsBySignal) {
  const SignalCase& c = GetParam();
  const TestFolder test_folder("atomic-signal", c.fuse);
  if (test_folder.path().empty()) GTEST_SKIP() << kNoFuse;
  const std::string folder = test_folder.path();
  testing::write_file(folder + "/out0.txt", "earlier\n");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::vector<std::unique_ptr<AtomicFile>> files;
    for (int k = 0; k < c.files; ++k) {
      files.push_back(std::make_unique<AtomicFile>(folder + "/out" + std::to_string(k) + ".txt"));
      if (!files.back()->is_open()) _exit(5);
      std::fputs("partial", files.back()->stream());
      std::fflush(files.back()->stream());
    }
    // The signal arrives in the middle of the write, the target still the earlier file.
    if (testing::read_file(folder + "/out0.txt") != "earlier\n") _exit(3);
    raise(c.signal_number);
    _exit(4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), c.signal_number);
  EXPECT_EQ(names_in(folder), std::vector<std::string>{"out0.txt"});
  EXPECT_EQ(testing::read_file(folder + "/out0.txt"), "earlier\n");
}

INSTANTIATE_TEST_SUITE_P(
    Signals, AtomicFileSignal,
    ::testing::Values(SignalCase{SIGINT, false, 1}, SignalCase{SIGTERM, false, 1},
                      SignalCase{SIGHUP, false, 1}, SignalCase{SIGKILL, false, 1},
                      SignalCase{SIGTERM, false, 40}, SignalCase{SIGTERM, true, 1},
                      SignalCase{SIGTERM, true, 40}, SignalCase{SIGINT, true, 26}));

class AtomicBatch : public ::testing::TestWithParam<bool> {};

// Files committed inside a batch take their names only when the batch commits; a batch that
// ends without commit leaves every target as it was and no file behind.
TEST_P(AtomicBatch, ReplacesItsFilesTogetherOrNotAtAll) {
  const TestFolder test_folder("atomic-batch", GetParam());
  if (test_folder.path().empty()) GTEST_SKIP() << kNoFuse;
  const std::string folder = test_folder.path();
  for (const bool complete : {false, true}) {
    SCOPED_TRACE(complete);
    testing::write_file(folder + "/a.txt", "old a\n");
    testing::write_file(folder + "/b.txt", "old b\n");
    {
      OutputBatch batch;
      for (const char* name : {"a.txt", "b.txt"}) {
        AtomicFile file(folder + "/" + name);
        ASSERT_TRUE(file.is_open());
        std::fputs("new\n", file.stream());
        ASSERT_TRUE(file.commit());
      }
      EXPECT_EQ(testing::read_file(folder + "/a.txt"), "old a\n");
      if (complete) {
        EXPECT_TRUE(batch.commit());
        EXPECT_EQ(batch.failure(), "");
      }
    }
    EXPECT_EQ(testing::read_file(folder + "/a.txt"), complete ? "new\n" : "old a\n");
    EXPECT_EQ(testing::read_file(folder + "/b.txt"), complete ? "new\n" : "old b\n");
    EXPECT_EQ(names_in(folder).size(), 2u);
  }
}

// A rename that fails after others were made (here the last target became a folder while the
// files were written, which no check before the renames looks for) puts back every earlier
// file, existing or not, and says which file failed and why.
TEST_P(AtomicBatch, FailedRenameUndoesTheOnesBefore) {
  const TestFolder test_folder("atomic-undo", GetParam());
  if (test_folder.path().empty()) GTEST_SKIP() << kNoFuse;
  const std::string folder = test_folder.path();
  testing::write_file(folder + "/a.txt", "old a\n");
  testing::write_file(folder + "/c.txt", "old c\n");
  OutputBatch batch;
  for (const char* name : {"a.txt", "new.txt", "c.txt"}) {
    AtomicFile file(folder + "/" + name);
    ASSERT_TRUE(file.is_open());
    std::fputs("new\n", file.stream());
    ASSERT_TRUE(file.commit());
  }
  fs::remove(folder + "/c.txt");
  fs::create_directories(folder + "/c.txt/inside");
  EXPECT_FALSE(batch.commit());
  EXPECT_EQ(batch.failure(), folder + "/c.txt: Is a directory");
  EXPECT_EQ(testing::read_file(folder + "/a.txt"), "old a\n");
  std::vector<std::string> names = names_in(folder);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "c.txt"}));
}

INSTANTIATE_TEST_SUITE_P(FileSystems, AtomicBatch, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& fuse) {
                           return std::string(fuse.param ? "fuse" : "local");
                         });

// A write that passes the file size limit fails with the system's reason instead of ending the
// process, and leaves the target as it was.
TEST(AtomicFile, FileSizeLimitFailsTheWriteWithItsReason) {
  const std::string folder = testing::scratch_folder("atomic-size-limit");
  fs::remove_all(folder);
  fs::create_directories(folder);
  testing::write_file(folder + "/out.txt", "earlier\n");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 4096;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
    std::string failure;
    {
      OutputBatch batch;
      AtomicFile file(folder + "/out.txt");
      if (!file.is_open()) _exit(4);
      for (int k = 0; k < 1000; ++k)
        std::fputs("0.123456 \n", file.stream());
      if (file.commit()) _exit(5);
      failure = batch.failure();
    }
    _exit(failure == folder + "/out.txt: File too large" ? 0 : 6);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(names_in(folder), std::vector<std::string>{"out.txt"});
  EXPECT_EQ(testing::read_file(folder + "/out.txt"), "earlier\n");
}

TEST(AtomicFile, CanCreateSaysWhyAnOutputCannotBeWritten) {
  const std::string folder = testing::scratch_folder("atomic-can-create");
  fs::create_directories(folder + "/taken");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {folder + "/new.txt", ""},
      {folder + "/" + std::string(255, 'n'), ""},
      {folder + "/taken", "it is a folder"},
      {"/dev/null/new.txt", "/dev/null is not a folder"},
      {"/dev/null/deeper/new.txt", "/dev/null is not a folder"},
      {folder + "/missing/new.txt", "the folder " + folder + "/missing does not exist"},
      {folder + "/" + std::string(256, 'n'),
       "the name is longer than the 255 characters the folder allows"},
  };
  for (const auto& [path, expected] : cases) {
    std::string why;
    EXPECT_EQ(can_create(path, why), expected.empty()) << path;
    EXPECT_EQ(why, expected);
  }
  // The probe files are gone, and nothing was created under the names checked.
  EXPECT_EQ(names_in(folder), std::vector<std::string>{"taken"});

  // A file of the longest name the folder allows is written through a temporary file.
  AtomicFile file(folder + "/" + std::string(255, 'n'));
  ASSERT_TRUE(file.is_open());
  std::fputs("done\n", file.stream());
  EXPECT_TRUE(file.commit());
  EXPECT_EQ(testing::read_file(folder + "/" + std::string(255, 'n')), "done\n");
}

}  // namespace
}  // namespace meshprobe
