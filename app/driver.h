// What the command-line programs share: argument checks, the value-file name, the choice of
// reader, loading a mesh prepared as every run prepares it (normalised, degree flags set, facet
// and vertex normals computed) and the words of the warning about facets left out.
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

// Parses epsilon as "%f" does (leading white space skipped, trailing text ignored) and accepts
// it only when it is a finite number greater than 0.
bool parse_epsilon(const char* text, float& epsilon);

// parse_epsilon for the program named `program`; when it refuses the text, says so on standard
// error ("PROGRAM: epsilon must be a number greater than 0, not "TEXT"") and returns false.
bool read_epsilon_argument(const char* program, const char* text, float& epsilon);

// True when the input file can be opened for reading; otherwise prints "The file PATH does not
// exist" on standard output, as the programs have always done, and returns false.
bool input_exists(const std::string& path);

// The part of the path before its last '.' (anywhere in the path; empty when there is none)
// followed by "_labels.lb".
std::string derive_output_name(const std::string& path);

// True when the last three characters of the path (the whole path when shorter) are "obj" in
// any letter case; such files are read as OBJ, whatever they hold.
bool reads_as_obj(const std::string& path);

// The reader for a path: OBJ when reads_as_obj says so, otherwise PLY when the file begins with
// the PLY magic line ("ply" and a line end), otherwise OFF.
enum class MeshFormat { kObj, kPly, kOff };
MeshFormat choose_format(const std::string& path);

// The format's name as outputs and statistics give it: "obj", "ply" or "off".
const char* format_name(MeshFormat format);

// Fails, saying why, when the mesh holds no vertex, has a coordinate that is not finite, or has
// a bounding box that is empty or too large for single precision. Sets the bounding box.
ReadStatus check_geometry(Mesh& mesh);

// Reads the mesh with the reader choose_format selects, its points as the file gives them. Fails,
// leaving a message, when the file is unreadable, holds no vertex, has a coordinate that is not
// finite or has a bounding box of zero extent. On success the status tells of facets left out.
ReadStatus load_mesh(const std::string& path, Mesh& mesh);

// Prepares a mesh that load_mesh accepted: normalises its points (centred, largest bounding-box
// side 1, the original box kept in bbox_min / bbox_max), sets the degree flags and computes
// facet and vertex normals.
void prepare_mesh(Mesh& mesh);

// load_mesh, then prepare_mesh when it succeeded.
ReadStatus load_prepared_mesh(const std::string& path, Mesh& mesh);

// For a status with facets left out, the warning's words after the file name, such as "12
// facets the surface cannot hold were left out (the first is facet 3051)"; for OBJ input the
// first one's line follows its index. Empty when no facet was left out.
std::string left_out_warning(const ReadStatus& status);

// Sets the roughness of every vertex of the prepared `mesh` for the neighbourhood radius
// `epsilon` (normalised units): the copy is smoothed over spheres of radius epsilon and the
// curvature averaged over spheres of radius 2 x epsilon. Fills `details` when given.
void measure_roughness(Mesh& mesh, float epsilon, RoughnessDetails* details = nullptr);

}  // namespace meshprobe
