// Jacobi eigen-decomposition and the descending sort: pivot choice, rotation limit, tie rules.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "roughness/jacobi_eigen.h"

namespace meshprobe {
namespace {

IndexedMatrix matrix(const std::vector<std::vector<double>>& rows) {
  const int n = static_cast<int>(rows.size());
  IndexedMatrix m(n);
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j)
      m[i][j] = rows[i - 1][j - 1];
  }
  return m;
}

TEST(Jacobi, DiagonalInputIsReportedWithIdentityAndZeroResult) {
  IndexedMatrix a = matrix({{2, 0, 0}, {0, 5, 0}, {0, 0, -1}});
  IndexedMatrix V(3), D(3);
  D[2][2] = 7;
  EXPECT_EQ(jacobi_eigen(3, a, 1e-15, 10000, V, D), -1);
  for (int i = 1; i <= 3; ++i) {
    for (int j = 1; j <= 3; ++j) {
      EXPECT_EQ(V[i][j], i == j ? 1.0 : 0.0);
      EXPECT_EQ(D[i][j], 0.0);
    }
  }
  EXPECT_EQ(a[2][2], 5.0);

  IndexedMatrix one = matrix({{4}});
  IndexedMatrix V1(1), D1(1);
  EXPECT_EQ(jacobi_eigen(1, one, 1e-15, 10000, V1, D1), -1);
  EXPECT_EQ(V1[1][1], 1.0);
  EXPECT_EQ(D1[1][1], 0.0);
}

TEST(Jacobi, EqualDiagonalEntriesRotateByFortyFiveDegrees) {
  IndexedMatrix a = matrix({{2, 1, 0}, {1, 2, 0}, {0, 0, 1}});
  IndexedMatrix V(3), D(3);
  EXPECT_EQ(jacobi_eigen(3, a, 1e-15, 10000, V, D), 0);
  EXPECT_NEAR(D[1][1], 3.0, 1e-15);
  EXPECT_NEAR(D[2][2], 1.0, 1e-15);
  EXPECT_EQ(D[3][3], 1.0);
  EXPECT_EQ(D[1][2], 0.0);
  const double s = 1 / std::sqrt(2.0);
  EXPECT_EQ(V[1][1], s);
  EXPECT_EQ(V[2][1], s);
  EXPECT_EQ(V[1][2], -s);
  EXPECT_EQ(V[2][2], s);
  EXPECT_EQ(V[3][3], 1.0);
}

TEST(Jacobi, RotationLimitIsTestedAfterCounting) {
  // The largest off-diagonal element is a[1][3]; with a limit of 0 exactly one rotation is made,
  // which annihilates it and leaves the others.
  const std::vector<std::vector<double>> rows = {{4, 1, 2}, {1, 3, 1.5}, {2, 1.5, 5}};
  IndexedMatrix once = matrix(rows);
  IndexedMatrix V(3), D(3);
  EXPECT_EQ(jacobi_eigen(3, once, 1e-15, 0, V, D), 0);
  EXPECT_EQ(D[1][3], 0.0);
  EXPECT_NE(D[1][2], 0.0);
  EXPECT_NE(D[2][3], 0.0);

  IndexedMatrix full = matrix(rows);
  EXPECT_EQ(jacobi_eigen(3, full, 1e-15, 10000, V, D), 0);
  EXPECT_LT(std::fabs(D[1][2]) + std::fabs(D[1][3]) + std::fabs(D[2][3]), 1e-7);
}

TEST(Jacobi, LowerTriangleIsIgnoredAndCopiedThrough) {
  IndexedMatrix symmetric = matrix({{1, 2, 3}, {2, 4, 5}, {3, 5, 6}});
  IndexedMatrix garbage = matrix({{1, 2, 3}, {-9, 4, 5}, {17, 0.5, 6}});
  IndexedMatrix V1(3), D1(3), V2(3), D2(3);
  jacobi_eigen(3, symmetric, 1e-15, 10000, V1, D1);
  jacobi_eigen(3, garbage, 1e-15, 10000, V2, D2);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(D1[i][i], D2[i][i]);
    for (int j = 1; j <= 3; ++j)
      EXPECT_EQ(V1[i][j], V2[i][j]);
  }
  EXPECT_EQ(D2[2][1], -9.0);
  EXPECT_EQ(D2[3][1], 17.0);
  EXPECT_EQ(D2[3][2], 0.5);
}

TEST(Jacobi, DiagonalisesRandomSymmetricMatrices) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> value(-10, 10);
  for (int trial = 0; trial < 200; ++trial) {
    double A[3][3];
    for (int i = 0; i < 3; ++i) {
      for (int j = i; j < 3; ++j)
        A[i][j] = A[j][i] = value(random);
    }
    IndexedMatrix a(3), V(3), D(3);
    for (int i = 1; i <= 3; ++i) {
      for (int j = 1; j <= 3; ++j)
        a[i][j] = A[i - 1][j - 1];
    }
    ASSERT_EQ(jacobi_eigen(3, a, 1e-15, 10000, V, D), 0);
    // A v_j = lambda_j v_j up to what the tolerance leaves (it bounds the remaining off-diagonal
    // energy relative to the whole, so the elements themselves to about its square root), and
    // the columns of V are orthonormal.
    for (int j = 1; j <= 3; ++j) {
      for (int i = 0; i < 3; ++i) {
        double Av = 0;
        for (int k = 0; k < 3; ++k)
          Av += A[i][k] * V[k + 1][j];
        EXPECT_NEAR(Av, D[j][j] * V[i + 1][j], 1e-6);
      }
      for (int l = 1; l <= 3; ++l) {
        double product = 0;
        for (int m = 1; m <= 3; ++m)
          product += V[m][j] * V[m][l];
        EXPECT_NEAR(product, j == l ? 1.0 : 0.0, 1e-12);
      }
    }
  }
}

TEST(EigenSort, DescendingWithTheLastOfEqualValuesFirst) {
  IndexedMatrix D = matrix({{2, 0.5, 0}, {0, 5, 0}, {0, 0, 5}});
  IndexedMatrix V = matrix({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  sort_eigen_descending(D, V, 3);
  EXPECT_EQ(D[1][1], 5.0);
  EXPECT_EQ(D[2][2], 5.0);
  EXPECT_EQ(D[3][3], 2.0);
  EXPECT_EQ(D[1][2], 0.5);  // off-diagonal elements stay
  for (int m = 1; m <= 3; ++m) {
    EXPECT_EQ(V[m][1], 3.0 * m);      // old column 3
    EXPECT_EQ(V[m][2], 3.0 * m - 1);  // old column 2
    EXPECT_EQ(V[m][3], 3.0 * m - 2);  // old column 1
  }

  IndexedMatrix sorted = matrix({{9, 0, 0}, {0, 4, 0}, {0, 0, 1}});
  IndexedMatrix W = matrix({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  sort_eigen_descending(sorted, W, 3);
  EXPECT_EQ(sorted[1][1], 9.0);
  EXPECT_EQ(sorted[3][3], 1.0);
  EXPECT_EQ(W[1][1], 1.0);
  EXPECT_EQ(W[3][3], 9.0);
}

}  // namespace
}  // namespace meshprobe
