// Runs a program of the build the way a user would and captures what it says.
#pragma once

#include <string>
#include <vector>

namespace meshprobe::testing {

struct ProcessResult {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs `program` with `arguments` in the folder `working_directory`, with `environment`
// assignments (NAME=value) added to the inherited environment.
ProcessResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& working_directory,
                          const std::vector<std::string>& environment = {});

}  // namespace meshprobe::testing
