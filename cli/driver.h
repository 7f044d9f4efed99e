// What the command-line programs share: exit statuses, the usage text, argument checks and the
// turning of an escaping failure into one line and status 1.
#pragma once

#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "io/mesh_file.h"
#include "io/read_status.h"
#include "measure/rules.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Exit statuses of the programs.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;  // unreadable input, unwritable output
constexpr int kExitUsage = 2;    // wrong arguments

// The usage text for a wrong number of arguments, on standard output: the program's original
// three paragraphs (program, formats, value file's name), then a line pointing to --help.
void print_usage();

// parse_epsilon for the program named `program`; when it refuses the text, says so on standard
// error ("PROGRAM: epsilon must be a number greater than 0, not "TEXT"") and returns false.
bool read_epsilon_argument(const char* program, const char* text, float& epsilon);

// True unless nothing is found at the path (checked without opening it: a FIFO would then lose
// its bytes); then prints "The file PATH does not exist" on `messages` (standard output, as the
// programs have always done, unless an output goes there) and returns false. Whether it can be
// read as a mesh is the reader's to say.
bool input_exists(const std::string& path, std::FILE* messages = stdout);

// Runs a program's `run` (argc, argv) and turns every exception that escapes it into status 1
// and one line on standard error: std::bad_alloc and std::length_error (a size beyond what can
// be allocated) as "PROGRAM: MESH is too large for the memory available", anything else as an
// internal error. Outputs are written through AtomicFile, whose destructors run while the
// exception unwinds, so an earlier output stays untouched and no temporary file remains.
template <class Run>
int run_catching(const char* program, int argc, char** argv, Run run) {
  const char* mesh = argc > 1 ? argv[1] : "the mesh";
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "%s: %s is too large for the memory available\n", program, mesh);
  } catch (const std::length_error&) {
    std::fprintf(stderr, "%s: %s is too large for the memory available\n", program, mesh);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: internal error: %s\n", program, error.what());
  } catch (...) {
    std::fprintf(stderr, "%s: internal error\n", program);
  }
  return kExitFailure;
}

}  // namespace meshprobe
