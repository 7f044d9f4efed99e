// Eigen-decomposition of a symmetric matrix by Jacobi's method of plane rotations, each of which
// annihilates the largest off-diagonal element, and the ordering of the result by eigenvalue.
#pragma once

#include <vector>

namespace meshprobe {

// An n x n matrix of doubles addressed from 1 to n; row 0 and column 0 exist but are unused.
// Storage is allocated once, at construction.
class IndexedMatrix {
 public:
  explicit IndexedMatrix(int n)
      : n_(n), values_(static_cast<std::size_t>((n + 1) * (n + 1)), 0.0) {}

  int size() const { return n_; }
  double* operator[](int row) { return &values_[static_cast<std::size_t>(row * (n_ + 1))]; }
  const double* operator[](int row) const {
    return &values_[static_cast<std::size_t>(row * (n_ + 1))];
  }

 private:
  int n_;
  std::vector<double> values_;
};

// Diagonalises the symmetric matrix given by the diagonal and strict upper triangle of `a`
// (overwritten as the working matrix; its lower triangle is only copied to D). On return column j
// of V is the unit eigenvector of eigenvalue D[j][j]. Iterates until |1 - F / S| < eps, F the
// squared Frobenius norm and S the diagonal energy, or until more than max_rotations rotations.
// Returns 0, or -1 when no off-diagonal element is a non-zero number (V = identity, D = 0).
int jacobi_eigen(int n, IndexedMatrix& a, double eps, int max_rotations, IndexedMatrix& V,
                 IndexedMatrix& D);

// Orders the diagonal of D descending by selection sort and permutes the columns of V alike.
// Among equal values the last one found wins; off-diagonal elements of D stay where they are.
void sort_eigen_descending(IndexedMatrix& D, IndexedMatrix& V, int n);

}  // namespace meshprobe
