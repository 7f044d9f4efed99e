#include "roughness/curvature_tensor.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "roughness/jacobi_eigen.h"
#include "roughness/parallel_failure.h"

namespace meshprobe {

namespace {

// The dihedral angle is clamped to these values, not to pi / 2 at full precision.
constexpr double kRightAngle = 1.570796326795;
// Pi as the area of the sphere's great disc is normalised with.
constexpr double kPi = 3.14159265359;
// Jacobi tolerance and rotation limit for the 3 x 3 tensors.
constexpr double kJacobiTolerance = 1e-15;
constexpr int kJacobiRotationLimit = 10000;
// Vertices handed to a thread at a time: walks differ in size, so work is dealt out as it goes.
constexpr std::uint32_t kVerticesPerTask = 256;

double length(const Vec3f& v) {
  return std::sqrt(dot(v, v));
}

// Adds beta * L * e' e'^T, e' = e / L: the edge's signed dihedral angle between the facet
// normals na and nb about the edge e of length L. Swapping the ends negates both na x nb and e,
// so the term does not depend on the end the edge is seen from.
void add_dihedral_term(const Vec3f& na, const Vec3f& nb, const Vec3f& e, double L,
                       Matrix3& tensor) {
  const double cx = static_cast<double>(na.y) * nb.z - static_cast<double>(na.z) * nb.y;
  const double cy = static_cast<double>(na.z) * nb.x - static_cast<double>(na.x) * nb.z;
  const double cz = static_cast<double>(na.x) * nb.y - static_cast<double>(na.y) * nb.x;
  const double sigma = (cx * e.x + cy * e.y + cz * e.z) / L;
  double beta;
  if (sigma >= 1.0) {
    beta = kRightAngle;
  } else if (sigma <= -1.0) {
    beta = -kRightAngle;
  } else {
    beta = std::asin(sigma);  // not a number stays not a number
  }
  Matrix3 term;
  scaled_outer_product({e.x, e.y, e.z}, term, beta / L);
  add_matrix3(term, tensor);
}

// Divides the tensor by the neighbourhood's area. An area of zero would turn the tensor into
// values that are not numbers; such a vertex gets the zero tensor instead.
void divide_by_area(Matrix3& tensor, double area) {
  const double inverse = 1.0 / area;
  if (std::isinf(inverse)) {
    tensor = Matrix3{};
    return;
  }
  for (auto& row : tensor) {
    for (double& element : row)
      element *= inverse;
  }
}

bool has_zero_off_diagonal(const Matrix3& t) {
  // A value that is not a number compares unequal to 0 and counts as non-zero.
  return t[0][1] == 0.0 && t[0][2] == 0.0 && t[1][0] == 0.0 && t[1][2] == 0.0 && t[2][0] == 0.0 &&
         t[2][1] == 0.0;
}

Vec3f column(const IndexedMatrix& V, int j) {
  return Vec3f{static_cast<float>(V[1][j]), static_cast<float>(V[2][j]),
               static_cast<float>(V[3][j])};
}

}  // namespace

void scaled_outer_product(const std::array<double, 3>& v, Matrix3& out, double x) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j)
      out[i][j] = x * v[i] * v[j];
  }
}

void add_matrix3(const Matrix3& src, Matrix3& dst) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j)
      dst[i][j] += src[i][j];
  }
}

namespace {

// sphere_curvature_tensor; with kTrack, `exact` is cleared when the walk reads a position or a
// facet normal that is not the whole mesh's.
template <bool kTrack>
void tensor_over_sphere(SphereWalker& walker, const SurfaceView& view, std::uint32_t vertex,
                        Matrix3& tensor, double radius, const ExactReads* reads, bool& exact) {
  walker.walk_sphere(vertex, radius, /*guarded=*/false, [&](const SphereEdge& e) {
    const std::int32_t fa = view.facet[e.halfedge];
    const std::int32_t fb = view.opposite_facet[e.halfedge];
    if constexpr (kTrack) {
      if (!reads->reads_exact(e) || (fa != kNoFacet && reads->facet_exact[fa] == 0) ||
          (fb != kNoFacet && reads->facet_exact[fb] == 0)) {
        exact = false;
      }
    }
    if (fa == kNoFacet || fb == kNoFacet) return;
    if (length(e.full_edge) == 0.0) return;
    const double L = length(e.edge);
    if (L == 0.0) return;
    add_dihedral_term(view.facet_normals[fa], view.facet_normals[fb], e.edge, L, tensor);
  });
  divide_by_area(tensor, radius * radius * kPi);
}

}  // namespace

void sphere_curvature_tensor(SphereWalker& walker, const SurfaceView& view, std::uint32_t vertex,
                             Matrix3& tensor, double radius) {
  bool unused = false;
  tensor_over_sphere<false>(walker, view, vertex, tensor, radius, nullptr, unused);
}

bool principal_curvatures(const Matrix3& tensor, EigenWorkspace& work, double& kmax, double& kmin,
                          Vec3f& dir_kmax, Vec3f& dir_kmin) {
  IndexedMatrix& M = work.M;
  IndexedMatrix& V = work.V;
  IndexedMatrix& D = work.D;
  for (int i = 1; i <= 3; ++i) {
    for (int j = 1; j <= 3; ++j)
      M[i][j] = tensor[i - 1][j - 1];
  }
  if (has_zero_off_diagonal(tensor)) {
    // Already diagonal: the decomposition is skipped.
    for (int i = 1; i <= 3; ++i) {
      for (int j = 1; j <= 3; ++j) {
        D[i][j] = M[i][j];
        V[i][j] = i == j ? 1.0 : 0.0;
      }
    }
  } else if (jacobi_eigen(3, M, kJacobiTolerance, kJacobiRotationLimit, V, D) == -1) {
    return false;
  }
  for (int i = 1; i <= 3; ++i) {
    for (int j = 1; j <= 3; ++j)
      D[i][j] = std::fabs(D[i][j]);
  }
  sort_eigen_descending(D, V, 3);
  kmax = D[1][1];
  kmin = D[2][2];
  dir_kmax = column(V, 1);
  dir_kmin = column(V, 2);
  return true;
}

void estimate_curvature(const SurfaceView& view, double radius, CurvatureField& field,
                        const Progress& progress, const PassScope& scope) {
  const std::uint32_t all = view.vertex_count();
  field.kmax.resize(all);
  const bool with_kmin = field.kmin.size() == all;
  const bool with_directions = field.dir_kmax.size() == all && field.dir_kmin.size() == all;
  const std::uint32_t n = scope.count(all);
  const std::uint32_t tasks = (n + kVerticesPerTask - 1) / kVerticesPerTask;
  ProgressCounter counter(progress, n);
  // Every vertex's values depend only on the surface: the vertices can be shared among threads
  // in any way, each thread walking with its own walker.
  ParallelFailure failure;
#pragma omp parallel
  {
    std::optional<SphereWalker> walker;
    std::optional<EigenWorkspace> work;
    failure.capture([&] {
      walker.emplace(view);
      work.emplace();
    });
#pragma omp for schedule(dynamic, 1)
    for (std::uint32_t task = 0; task < tasks; ++task) {
      if (counter.stopped()) continue;  // the run is abandoned
      failure.capture([&] {
        const std::uint32_t first = task * kVerticesPerTask;
        const std::uint32_t end = std::min(n, first + kVerticesPerTask);
        for (std::uint32_t k = first; k < end; ++k) {
          const std::uint32_t v = scope.vertex(k);
          Matrix3 tensor{};
          if (scope.tracks()) {
            bool exact = scope.reads->walkable[v] != 0;
            tensor_over_sphere<true>(*walker, view, v, tensor, radius, scope.reads, exact);
            (*scope.exact)[v] = exact ? 1 : 0;
          } else {
            sphere_curvature_tensor(*walker, view, v, tensor, radius);
          }
          double kmax = 0.0;
          double kmin = 0.0;
          Vec3f dir_kmax;
          Vec3f dir_kmin;
          const bool decomposed =
              principal_curvatures(tensor, *work, kmax, kmin, dir_kmax, dir_kmin);
          if (!decomposed) {
            kmax = 0.0;
            kmin = 0.0;
            dir_kmax = Vec3f{};
            dir_kmin = Vec3f{};
          }
          field.kmax[v] = kmax;
          if (with_kmin) field.kmin[v] = kmin;
          if (with_directions) {
            field.dir_kmax[v] = dir_kmax;
            field.dir_kmin[v] = dir_kmin;
          }
        }
        counter.add(end - first);
      });
    }
  }
  failure.rethrow();
  counter.finish();
}

}  // namespace meshprobe
