// Atomic output: a signal during the write removes the temporary file and still ends the process
// by that signal; can_create tells, before any computation, whether an output can be written.
#include "outputs/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

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

// SIGKILL cannot be handled: the file being written has no name until it is complete, so
// nothing of it remains.
TEST(AtomicFile, SignalDuringTheWriteLeavesNothingAndEndsBySignal) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
    SCOPED_TRACE(signal_number);
    const std::string folder = testing::scratch_folder("atomic-signal");
    fs::remove_all(folder);
    fs::create_directories(folder);
    testing::write_file(folder + "/out.txt", "earlier\n");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      AtomicFile file(folder + "/out.txt");
      std::fputs("partial", file.stream());
      std::fflush(file.stream());
      // The signal arrives in the middle of the write, the target still the earlier file.
      if (testing::read_file(folder + "/out.txt") != "earlier\n") _exit(3);
      raise(signal_number);
      _exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal_number);
    EXPECT_EQ(names_in(folder), std::vector<std::string>{"out.txt"});
    EXPECT_EQ(testing::read_file(folder + "/out.txt"), "earlier\n");
  }
}

// Files committed inside a batch take their names only when the batch commits; a batch that
// ends without commit leaves every target as it was and no file behind.
TEST(AtomicFile, BatchReplacesItsFilesTogetherOrNotAtAll) {
  const std::string folder = testing::scratch_folder("atomic-batch");
  fs::remove_all(folder);
  fs::create_directories(folder);
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
      }
    }
    EXPECT_EQ(testing::read_file(folder + "/a.txt"), complete ? "new\n" : "old a\n");
    EXPECT_EQ(testing::read_file(folder + "/b.txt"), complete ? "new\n" : "old b\n");
    EXPECT_EQ(names_in(folder).size(), 2u);
  }
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
