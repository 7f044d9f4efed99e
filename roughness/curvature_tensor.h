// Principal curvatures from the normal-cycle curvature tensor: per vertex, a symmetric 3 x 3
// tensor summed over the edges of a neighbourhood (each edge adding its signed dihedral angle
// times its length inside the neighbourhood times the outer product of its unit direction),
// divided by the neighbourhood's area, diagonalised, and its eigenvalues taken by magnitude.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "roughness/exact_reads.h"
#include "roughness/jacobi_eigen.h"
#include "roughness/progress.h"
#include "roughness/sphere_walk.h"
#include "roughness/surface_view.h"

namespace meshprobe {

// The radius of the spheres the curvature is measured over, whatever epsilon is.
constexpr double kCurvatureRadius = 0.005;

// A 3 x 3 matrix of doubles, row-major.
using Matrix3 = std::array<std::array<double, 3>, 3>;

// out = x v v^T, overwriting all nine elements.
void scaled_outer_product(const std::array<double, 3>& v, Matrix3& out, double x);

// dst += src, element by element.
void add_matrix3(const Matrix3& src, Matrix3& dst);

// Adds the contributions of the edges inside the sphere of `radius` about the vertex (walked
// with the plain clipping rule; border edges and edges of zero or clipped-to-zero length add
// nothing), then divides the tensor by radius^2 * pi. The caller zeroes `tensor` first. A zero
// radius leaves the tensor at zero instead of dividing by zero.
void sphere_curvature_tensor(SphereWalker& walker, const SurfaceView& view, std::uint32_t vertex,
                             Matrix3& tensor, double radius);

// The three matrices one decomposition works in, allocated once and reused for every vertex.
struct EigenWorkspace {
  IndexedMatrix M{3};
  IndexedMatrix V{3};
  IndexedMatrix D{3};
};

// kmax and kmin are the largest and second-largest eigenvalue magnitudes of the tensor, with
// their unit eigenvectors rounded to single precision; among equal magnitudes the later
// eigenvector wins, so the zero tensor gives dir_kmax (0, 0, 1) and dir_kmin (1, 0, 0). A tensor
// without off-diagonal elements is taken as diagonal as it stands. False, with the outputs
// untouched, when the decomposition fails (off-diagonal elements that are not numbers).
bool principal_curvatures(const Matrix3& tensor, EigenWorkspace& work, double& kmax, double& kmin,
                          Vec3f& dir_kmax, Vec3f& dir_kmin);

// Per-vertex results of a curvature pass, in the view's vertex order. kmax is always filled;
// kmin and the directions only when the caller sized them, so that a run that needs kmax alone
// pays for nothing else.
struct CurvatureField {
  std::vector<double> kmax;
  std::vector<double> kmin;
  std::vector<Vec3f> dir_kmax;
  std::vector<Vec3f> dir_kmin;
};

// The pass over all vertices, each tensor taken over the sphere of `radius` about the vertex.
// Resizes field.kmax to one entry per vertex and fills kmin, dir_kmax and dir_kmin where they
// already hold one entry per vertex. A vertex whose eigen-decomposition fails (possible only
// with coordinates that are not numbers) gets zero curvatures and zero directions. Reports to
// `progress` as progress.h describes. `scope` may narrow the pass to some vertices (the others'
// entries are left as they are) and track which results are exact (roughness/exact_reads.h).
void estimate_curvature(const SurfaceView& view, double radius, CurvatureField& field,
                        const Progress& progress = {}, const PassScope& scope = {});

}  // namespace meshprobe
