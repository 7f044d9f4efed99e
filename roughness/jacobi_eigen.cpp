#include "roughness/jacobi_eigen.h"

#include <cmath>

namespace meshprobe {

namespace {

// Below this absolute difference of the two diagonal entries the rotation is taken as exactly
// 45 degrees.
constexpr double kEqualDiagonal = 2e-16;

struct Pivot {
  int p = 0;
  int q = 0;
};

// The off-diagonal element of largest magnitude, scanning rows then columns; the first of equal
// magnitudes wins, and zeros and values that are not numbers never qualify.
bool find_pivot(int n, const IndexedMatrix& a, Pivot& pivot) {
  double best = 0.0;
  bool found = false;
  for (int p = 1; p < n; ++p) {
    for (int q = p + 1; q <= n; ++q) {
      const double magnitude = std::fabs(a[p][q]);
      if (magnitude > best) {
        best = magnitude;
        pivot = Pivot{p, q};
        found = true;
      }
    }
  }
  return found;
}

// Applies the rotation in the (p, q) plane to V and to the upper triangle of a; every right-hand
// side reads the values from before the rotation. Returns the diagonal energy gained.
double rotate(int n, IndexedMatrix& a, IndexedMatrix& V, int p, int q, double ct, double st) {
  for (int m = 1; m <= n; ++m) {
    const double vp = V[m][p];
    const double vq = V[m][q];
    V[m][p] = ct * vp + st * vq;
    V[m][q] = ct * vq - st * vp;
  }
  for (int l = 1; l < p; ++l) {
    const double lp = a[l][p];
    const double lq = a[l][q];
    a[l][p] = ct * lp + st * lq;
    a[l][q] = ct * lq - st * lp;
  }
  for (int l = p + 1; l < q; ++l) {
    const double pl = a[p][l];
    const double lq = a[l][q];
    a[p][l] = ct * pl + st * lq;
    a[l][q] = ct * lq - st * pl;
  }
  for (int l = q + 1; l <= n; ++l) {
    const double pl = a[p][l];
    const double ql = a[q][l];
    a[p][l] = ct * pl + st * ql;
    a[q][l] = ct * ql - st * pl;
  }
  const double pp = a[p][p];
  const double qq = a[q][q];
  const double pq = a[p][q];
  a[p][p] = ct * ct * pp + 2 * ct * st * pq + st * st * qq;
  a[q][q] = st * st * pp + ct * ct * qq - 2 * ct * st * pq;
  a[p][q] = 0.0;
  return 2 * pq * pq;
}

}  // namespace

int jacobi_eigen(int n, IndexedMatrix& a, double eps, int max_rotations, IndexedMatrix& V,
                 IndexedMatrix& D) {
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      V[i][j] = 0.0;
      D[i][j] = 0.0;
    }
    V[i][i] = 1.0;
  }
  double S = 0.0;
  double U = 0.0;
  for (int i = 1; i <= n; ++i)
    S += a[i][i] * a[i][i];
  for (int i = 1; i < n; ++i) {
    for (int j = i + 1; j <= n; ++j)
      U += a[i][j] * a[i][j];
  }
  const double F = S + 2 * U;  // fixed for the whole run; S is carried forward

  int rotations = 0;
  for (;;) {
    Pivot pivot;
    if (!find_pivot(n, a, pivot)) {
      if (rotations == 0) return -1;
      break;
    }
    const int p = pivot.p;
    const int q = pivot.q;
    const double delta = a[p][p] - a[q][q];
    double ct;
    double st;
    if (std::fabs(delta) > kEqualDiagonal) {
      const double d = delta > 0 ? 2 * a[p][q] : -2 * a[p][q];
      const double B = std::sqrt(d * d + delta * delta);
      ct = std::sqrt((1 + std::fabs(delta) / B) / 2);
      st = d / (2 * B * ct);
    } else {
      ct = 1 / std::sqrt(2.0);
      st = a[p][q] > 0 ? ct : -ct;
    }
    S += rotate(n, a, V, p, q, ct, st);
    ++rotations;
    // A measure that is not a number never passes the test, so only the limit ends such runs.
    if (std::fabs(1 - F / S) < eps) break;
    if (rotations > max_rotations) break;
  }
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j)
      D[i][j] = a[i][j];
  }
  return 0;
}

void sort_eigen_descending(IndexedMatrix& D, IndexedMatrix& V, int n) {
  for (int i = 1; i < n; ++i) {
    int k = i;
    double best = D[i][i];
    for (int j = i + 1; j <= n; ++j) {
      if (D[j][j] >= best) {
        k = j;
        best = D[j][j];
      }
    }
    if (k != i) {
      D[k][k] = D[i][i];
      D[i][i] = best;
      for (int m = 1; m <= n; ++m) {
        const double swap = V[m][i];
        V[m][i] = V[m][k];
        V[m][k] = swap;
      }
    }
  }
}

}  // namespace meshprobe
