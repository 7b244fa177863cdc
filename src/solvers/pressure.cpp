// The pressure-correction equation: face coefficients and mass defect.
#include <omp.h>

#include <algorithm>
#include <cmath>

#include "io/sidefiles.h"
#include "solvers/share.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// The distance-weighted inverse momentum diagonal at a face: the nearer
// cell weighs more.
inline double faceInvAp(int f) {
  const double d1 = Fdist1[f], d2 = Fdist2[f];
  return (d1 * CinvAp[Fcell2[f]] + d2 * CinvAp[Fcell1[f]]) / (d1 + d2);
}

inline double plainCoefficient(int f) { return 1000.0 * Farea[f] * Farea[f] * faceInvAp(f); }

// 0.2 times the mean area of the inner side faces (two cells, facing i or j)
// of the face range; 0 when the range has none.
double minimumSideArea() {
  double sum = 0.0;
  int n = 0;
  for (int f = WFStart; f <= WFEnd; ++f)
    if (Fcell1[f] > 0 && Fcell2[f] > 0 && (Ftype1[f] == 2 || Ftype1[f] == 3)) {
      sum += Farea[f];
      ++n;
    }
  return n > 0 ? 0.2 * sum / n : 0.0;
}

inline bool oneCellColumn(int c) { return Ccellb[c] == 0 && Ccellt[c] == 0; }

double faceCoefficient(int f, double areaMin) {
  const int c1 = Fcell1[f], c2 = Fcell2[f];
  if (c1 < 1 || c2 < 1) return 0.0;
  const double A = Farea[f];
  if (FlagTFS2 == 1) {
    double a = plainCoefficient(f);
    // The storage of the free surface couples neighbouring columns, not the
    // cells of one column: a face on top of its first cell is left out.
    const int nb = Bnocells[Cbed[c1]];
    if (Ftype1[f] != 6 && TimeStep > 0.0 && nb > 0)
      a += 0.125 * (Farea[Cflatet[c1]] + Farea[Cflatet[c2]]) / (9.81 * TimeStep) / nb;
    return a;
  }
  switch (FlagPCalg) {
    case 1: {
      const double Am = std::max(A, areaMin);
      return 1000.0 * Am * Am * faceInvAp(f);
    }
    case 2: {
      const double a = plainCoefficient(f);
      if (Ftype1[f] <= 4 && (oneCellColumn(c1) || oneCellColumn(c2)) && Fdz[f] > 0.0)
        return std::max(a, A / std::sqrt(9810.0 * Fdz[f]));
      return a;
    }
    case 3: return 1000.0 * A * A * std::max(CinvAp[c1], CinvAp[c2]);
    case 5: {
      const double Am = std::max(A, 0.3 * Farea[Cflatet[c2]]);
      return 1000.0 * Am * Am * faceInvAp(f);
    }
    default: return plainCoefficient(f);
  }
}

// A side of cell c bordering several cells of the neighbouring column: each
// neighbour gets the plain coefficient of its facing face, the cell's list
// the same values, and the cell's ordinary coefficient on that side is 0.
void quasiSide(int c, int count, int* const* list, double* const* qa, const int* facing, double* back,
               double* own) {
  if (count <= 0) return;
  const int first = list[c][0];
  for (int j = 0; j < count; ++j) {
    const int nb = first + j;
    const int f = facing[nb];
    const double a = f > 0 && Fcell1[f] > 0 && Fcell2[f] > 0 ? plainCoefficient(f) : 0.0;
    back[nb] = a;
    qa[c][j] = a;
  }
  own[c] = 0.0;
}

}  // namespace

SideCoefficients::SideCoefficients() : a{nullptr, Cas, Cae, Can, Caw, Cab, Cat} {}

double* sideCoefficientArray(int code) { return SideCoefficients()(code); }

void pressure_coeff() {
  const double areaMin = FlagTFS2 != 1 && FlagPCalg == 1 ? minimumSideArea() : 0.0;
  const int first = WFStart, n = WFEnd - WFStart + 1;
  const SideCoefficients side;
#pragma omp parallel
  {
    int begin, end;
    staticShare(n, omp_get_num_threads(), omp_get_thread_num(), begin, end);
    for (int f = first + begin; f < first + end; ++f) {
      const double a = faceCoefficient(f, areaMin);
      // A boundary face has no cell on one side: nothing is stored there, so
      // that no two threads write the element 0 of a coefficient array.
      if (double* s1 = side(Ftype1[f]); s1 && Fcell1[f] > 0) s1[Fcell1[f]] = a;
      if (double* s2 = side(Ftype2[f]); s2 && Fcell2[f] > 0) s2[Fcell2[f]] = a;
    }
  }
  if (QNFlag > 0 && Cncelle && Cqncelle && Cqnae) {
    for (int c = WCStart; c <= WCEnd; ++c) {
      quasiSide(c, Cncelle[c], Cqncelle, Cqnae, Cflatew, Caw, Cae);
      quasiSide(c, Cncellw[c], Cqncellw, Cqnaw, Cflatee, Cae, Caw);
      quasiSide(c, Cncelln[c], Cqncelln, Cqnan, Cflates, Cas, Can);
      quasiSide(c, Cncells[c], Cqncells, Cqnas, Cflaten, Can, Cas);
    }
  }
}
