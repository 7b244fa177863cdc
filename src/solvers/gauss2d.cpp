// Point relaxation of equations whose cells couple only horizontally: the
// coarse levels of the column multigrid and the surface-height equation.
#include <omp.h>

#include "solvers/multigrid.h"
#include "solvers/relaxed.h"
#include "solvers/share.h"
#include "solvers/stencils.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

bool eightPoint() {
  const int e = Equation >= 0 && Equation < kEquationTableSize ? Equation : 0;
  return sou[e] == 1 && Caee && Caww && Cann && Cass;
}

bool secondOrderAsked() {
  const int e = Equation >= 0 && Equation < kEquationTableSize ? Equation : 0;
  return sou[e] == 1;
}

// The neighbour sum of c from h: E, W, N, S, then (eight-point) EE, WW, NN,
// SS.
template <bool kEight, bool kShared>
inline double horizontalSum(const double* h, int c) {
  const int e = Ccelle[c], w = Ccellw[c], n = Ccelln[c], s = Ccells[c];
  double sum = Cae[c] * ld<kShared>(h, e) + Caw[c] * ld<kShared>(h, w) + Can[c] * ld<kShared>(h, n) +
               Cas[c] * ld<kShared>(h, s);
  if constexpr (kEight)
    sum += Caee[c] * ld<kShared>(h, Ccelle[e]) + Caww[c] * ld<kShared>(h, Ccellw[w]) +
           Cann[c] * ld<kShared>(h, Ccelln[n]) + Cass[c] * ld<kShared>(h, Ccells[s]);
  return sum;
}

template <bool kEight, bool kShared, bool kSource>
void serialSweeps(double* f, int first, int last, int n) {
  auto update = [f](int c) {
    double s = horizontalSum<kEight, kShared>(f, c);
    if constexpr (kSource) s += Csource[c];
    st<kShared>(f, c, s / Cap[c]);
  };
  for (int sweep = 0; sweep < n; ++sweep) {
    for (int c = first; c <= last; ++c) update(c);
    for (int c = last; c >= first; --c) update(c);
  }
}

template <bool kShared>
void quasiNeighbourPass(double* f, int first, int last, bool second) {
  for (int c = first; c <= last; ++c) st<kShared>(f, c, qnSides<kShared>(f, c, second, Csource[c]) / Cap[c]);
  for (int c = last; c >= first; --c) st<kShared>(f, c, qnSides<kShared>(f, c, second, Csource[c]) / Cap[c]);
}

// The pressure correction's levels have the plain sum of their couplings on
// the diagonal: its Jacobi steps are damped (see the strategies of F 164), so
// that an odd-even error does not come back unchanged after each pair.
constexpr double kPressureJacobiWeight = 0.8;

template <bool kEight>
inline void jacobi2D(const double* from, double* to, int lo, int hi) {
  if (Equation == 4) {
    for (int c = lo; c <= hi; ++c) {
      const double v = (horizontalSum<kEight, false>(from, c) + Csource[c]) / Cap[c];
      to[c] = from[c] + kPressureJacobiWeight * (v - from[c]);
    }
    return;
  }
  for (int c = lo; c <= hi; ++c) to[c] = (horizontalSum<kEight, false>(from, c) + Csource[c]) / Cap[c];
}

// Cells outside the range keep their values through the call; the copy holds
// them there, not what an earlier solve left.
void copyOutsideNeighbours(const double* f, double* g, int first, int last, bool eight) {
  auto take = [&](int q) {
    if (q > 0 && (q < first || q > last)) g[q] = f[q];
  };
  for (int c = first; c <= last; ++c) {
    take(Ccelle[c]), take(Ccellw[c]), take(Ccelln[c]), take(Ccells[c]);
    if (eight) take(Ccelle[Ccelle[c]]), take(Ccellw[Ccellw[c]]), take(Ccelln[Ccelln[c]]), take(Ccells[Ccells[c]]);
  }
}

template <bool kEight>
void jacobiBarriers(double* f, double* g, int first, int last, int n) {
  const int len = last - first + 1;
#pragma omp parallel
  {
    int b, e;
    staticShare(len, omp_get_num_threads(), omp_get_thread_num(), b, e);
    for (int sweep = 0; sweep < n; ++sweep) {
      jacobi2D<kEight>(f, g, first + b, first + e - 1);
#pragma omp barrier
#pragma omp barrier
      jacobi2D<kEight>(g, f, first + b, first + e - 1);
#pragma omp barrier
    }
  }
}

void jacobiRegions(double* f, double* g, int first, int last, int n) {
  const int len = last - first + 1;
  for (int sweep = 0; sweep < n; ++sweep) {
#pragma omp parallel
    {
      int b, e;
      staticShare(len, omp_get_num_threads(), omp_get_thread_num(), b, e);
      jacobi2D<false>(f, g, first + b, first + e - 1);
    }
#pragma omp parallel
    {
      int b, e;
      staticShare(len, omp_get_num_threads(), omp_get_thread_num(), b, e);
      jacobi2D<false>(g, f, first + b, first + e - 1);
    }
  }
}

template <bool kShared>
void serialForms(double* f, int first, int last, int n) {
  if (qnListsExist()) {
    quasiNeighbourPass<kShared>(f, first, last, secondOrderAsked());
  } else if (eightPoint()) {
    serialSweeps<true, kShared, true>(f, first, last, n);
  } else {
    serialSweeps<false, kShared, true>(f, first, last, n);
  }
}

}  // namespace

void Gauss2D(int first, int last, int n) {
  double* f = Cf;
  if (!f || !Cap || first > last) return;
  // Inside a caller's parallel region the threads relax their own chunks
  // at the same time: neighbours in other chunks are read and written as
  // relaxed atomics.
  if (omp_in_parallel()) {
    serialForms<true>(f, first, last, n);
    return;
  }
  double* g = Cfn;
  const bool eight = eightPoint();
  const int s = FlagRapSolver;
  if (g && s == 27) {
    g[0] = 0.0;
    copyOutsideNeighbours(f, g, first, last, eight);
    eight ? jacobiBarriers<true>(f, g, first, last, n) : jacobiBarriers<false>(f, g, first, last, n);
  } else if (g && (s == 29 || s == 30 || s == 33) && last - first > 300 && !secondOrderAsked()) {
    g[0] = 0.0;
    copyOutsideNeighbours(f, g, first, last, false);
    jacobiRegions(f, g, first, last, n);
  } else {
    serialForms<false>(f, first, last, n);
  }
}

void Gauss2Dresi(int first, int last, int n) {
  double* f = Cf;
  if (!f || !Cap || first > last || qnListsExist()) return;
  if (eightPoint())
    serialSweeps<true, false, false>(f, first, last, n);
  else
    serialSweeps<false, false, false>(f, first, last, n);
}
