// What the command-line programs share: argument checks, the value-file name, the choice of
// reader, and loading a mesh prepared as every run prepares it (normalised, degree flags set,
// facet and vertex normals computed).
#pragma once

#include <string>

#include "io/read_status.h"
#include "mesh/mesh.h"
#include "roughness/surface_analyzer.h"

namespace meshprobe {

// Exit statuses of the programs.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;  // unreadable input, unwritable output
constexpr int kExitUsage = 2;    // wrong arguments

// The three usage texts, printed one after the other on standard output.
void print_usage();

// The largest neighbourhood radius accepted: the normalised model's largest side. Beyond it the
// spheres hold the whole model at every vertex, which measures nothing local and makes every
// walk visit every vertex.
constexpr float kLargestEpsilon = 1.0f;

// Parses epsilon as "%f" does (leading white space skipped, trailing text ignored) and accepts
// it only when it is a number greater than 0 and at most kLargestEpsilon.
bool parse_epsilon(const char* text, float& epsilon);

// The part of the path before its last '.' (anywhere in the path; empty when there is none)
// followed by "_labels.lb".
std::string derive_output_name(const std::string& path);

// True when the last three characters of the path (the whole path when shorter) are "obj" in
// any letter case; such files are read as OBJ, every other file as OFF.
bool reads_as_obj(const std::string& path);

// Reads the mesh with the reader the path selects and prepares it. Fails, leaving a message,
// when the file is unreadable, holds no vertex, has a coordinate that is not finite, or has a
// bounding box of zero extent or one whose extent or centre single precision cannot hold.
ReadStatus load_prepared_mesh(const std::string& path, Mesh& mesh);

// Sets the roughness of every vertex of the prepared `mesh` for the neighbourhood radius
// `epsilon` (normalised units): the copy is smoothed over spheres of radius epsilon and the
// curvature averaged over spheres of radius 2 x epsilon. Fills `details` when given.
void measure_roughness(Mesh& mesh, float epsilon, RoughnessDetails* details = nullptr);

}  // namespace meshprobe
