#include "tests/support/process.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/shapes.h"

namespace meshprobe::testing {

namespace {

std::string quoted(const std::string& text) {
  std::string result = "'";
  for (char c : text) {
    if (c == '\'') {
      result += "'\\''";
    } else {
      result += c;
    }
  }
  return result + "'";
}

}  // namespace

ProcessResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& working_directory,
                          const std::vector<std::string>& environment) {
  static int counter = 0;
  const auto capture =
      std::filesystem::temp_directory_path() /
      ("meshprobe-capture-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  const std::string out_path = capture.string() + ".out";
  const std::string err_path = capture.string() + ".err";
  std::string command = "cd " + quoted(working_directory) + " && env";
  for (const std::string& assignment : environment)
    command += " " + quoted(assignment);
  command += " " + quoted(program);
  for (const std::string& argument : arguments)
    command += " " + quoted(argument);
  command += " >" + quoted(out_path) + " 2>" + quoted(err_path);
  const int raw = std::system(command.c_str());
  ProcessResult result;
  result.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  result.out = read_file(out_path);
  result.err = read_file(err_path);
  std::filesystem::remove(out_path);
  std::filesystem::remove(err_path);
  return result;
}

}  // namespace meshprobe::testing
