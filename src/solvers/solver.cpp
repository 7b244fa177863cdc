// Point Gauss-Seidel relaxation of the cell equations and its dispatch.
#include "solvers/solver.h"

#include <omp.h>

#include "solvers/relaxed.h"
#include "solvers/share.h"
#include "solvers/stencils.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

int equationIndex() { return Equation >= 0 && Equation < kEquationTableSize ? Equation : 0; }

bool secondOrder() {
  return sou[equationIndex()] == 1 && Caee && Caww && Cann && Cass && Catt && Cabb;
}

template <bool kShared>
inline void update6(double* f, int c) {
  const double s = Cae[c] * ld<kShared>(f, Ccelle[c]) + Caw[c] * ld<kShared>(f, Ccellw[c]) +
                   Can[c] * ld<kShared>(f, Ccelln[c]) + Cas[c] * ld<kShared>(f, Ccells[c]) +
                   Cat[c] * ld<kShared>(f, Ccellt[c]) + Cab[c] * ld<kShared>(f, Ccellb[c]) + Csource[c];
  st<kShared>(f, c, s / Cap[c]);
}

// update6 with the value of the bottom neighbour (forward pass) or of the
// top neighbour (backward pass) given by the caller, the terms added in the
// same order. A column's cells are numbered upward one after another, so
// within a column that neighbour is the cell the pass relaxed just before:
// its new value passes on in a register instead of being read back from the
// store just made, which would add a store-to-load delay to every cell of
// the chain of divisions.
template <bool kShared>
inline double update6Bottom(double* f, int c, double fb) {
  const double s = Cae[c] * ld<kShared>(f, Ccelle[c]) + Caw[c] * ld<kShared>(f, Ccellw[c]) +
                   Can[c] * ld<kShared>(f, Ccelln[c]) + Cas[c] * ld<kShared>(f, Ccells[c]) +
                   Cat[c] * ld<kShared>(f, Ccellt[c]) + Cab[c] * fb + Csource[c];
  const double v = s / Cap[c];
  st<kShared>(f, c, v);
  return v;
}

template <bool kShared>
inline double update6Top(double* f, int c, double ft) {
  const double s = Cae[c] * ld<kShared>(f, Ccelle[c]) + Caw[c] * ld<kShared>(f, Ccellw[c]) +
                   Can[c] * ld<kShared>(f, Ccelln[c]) + Cas[c] * ld<kShared>(f, Ccells[c]) + Cat[c] * ft +
                   Cab[c] * ld<kShared>(f, Ccellb[c]) + Csource[c];
  const double v = s / Cap[c];
  st<kShared>(f, c, v);
  return v;
}

// One forward and one backward pass of update6 over first..last. The value
// is carried only between cells of the range, which the calling thread alone
// writes; the first cell of each run reads its neighbour from the field.
template <bool kShared>
void symmetricPass6(double* f, int first, int last) {
  for (int c = first; c <= last;) {
    double v = update6Bottom<kShared>(f, c, ld<kShared>(f, Ccellb[c]));
    for (++c; c <= last && Ccellb[c] == c - 1; ++c) v = update6Bottom<kShared>(f, c, v);
  }
  for (int c = last; c >= first;) {
    double v = update6Top<kShared>(f, c, ld<kShared>(f, Ccellt[c]));
    for (--c; c >= first && Ccellt[c] == c + 1; --c) v = update6Top<kShared>(f, c, v);
  }
}

template <bool kShared>
inline void update12(double* f, int c) {
  const int e = Ccelle[c], w = Ccellw[c], n = Ccelln[c], s = Ccells[c], t = Ccellt[c], b = Ccellb[c];
  double sum = Cae[c] * ld<kShared>(f, e) + Caw[c] * ld<kShared>(f, w) + Can[c] * ld<kShared>(f, n) +
               Cas[c] * ld<kShared>(f, s) + Cat[c] * ld<kShared>(f, t) + Cab[c] * ld<kShared>(f, b);
  sum += Caee[c] * ld<kShared>(f, Ccelle[e]) + Caww[c] * ld<kShared>(f, Ccellw[w]) +
         Cann[c] * ld<kShared>(f, Ccelln[n]) + Cass[c] * ld<kShared>(f, Ccells[s]) +
         Catt[c] * ld<kShared>(f, Ccellt[t]) + Cabb[c] * ld<kShared>(f, Ccellb[b]);
  st<kShared>(f, c, (sum + Csource[c]) / Cap[c]);
}

// The vertical second neighbours of the second-order scheme: the diagonal
// holds their coefficients, so the sweep reads them too (else a uniform
// field would not solve the equation of a column with them).
template <bool kShared>
inline double verticalSecond(const double* f, int c) {
  return Catt[c] * ld<kShared>(f, Ccellt[Ccellt[c]]) + Cabb[c] * ld<kShared>(f, Ccellb[Ccellb[c]]);
}

template <bool kShared>
inline void updateQN(double* f, int c, bool second) {
  double v = Cat[c] * ld<kShared>(f, Ccellt[c]) + Cab[c] * ld<kShared>(f, Ccellb[c]) + Csource[c];
  if (second) v += verticalSecond<kShared>(f, c);
  st<kShared>(f, c, qnSides<kShared>(f, c, second, v) / Cap[c]);
}

template <bool kShared>
void gaussKernel(int first, int last, int n) {
  double* f = Cf;
  if (!f || first > last) return;
  if (qnListsExist()) {
    // The sweeps of the equation (K 4), as in the other forms, and at least
    // one symmetric pass: a single pass left p' far from solved, so that a
    // grid with lists needed thirty times the iterations of the same grid
    // without F 137, and the second-order scheme diverged on it.
    const bool second = sou[equationIndex()] == 1 && Catt && Cabb;
    for (int sweep = 0; sweep < std::max(n, 1); ++sweep) {
      for (int c = first; c <= last; ++c) updateQN<kShared>(f, c, second);
      for (int c = last; c >= first; --c) updateQN<kShared>(f, c, second);
    }
    return;
  }
  if (secondOrder()) {
    for (int sweep = 0; sweep < n; ++sweep) {
      for (int c = first; c <= last; ++c) update12<kShared>(f, c);
      for (int c = last; c >= first; --c) update12<kShared>(f, c);
    }
    return;
  }
  for (int sweep = 0; sweep < n; ++sweep) symmetricPass6<kShared>(f, first, last);
}

inline void updateFast(int c, bool twelve) {
  const int e = Ccelle[c], w = Ccellw[c], n = Ccelln[c], s = Ccells[c], t = Ccellt[c], b = Ccellb[c];
  const double ae = Cae[c], aw = Caw[c], an = Can[c], as = Cas[c], at = Cat[c], ab = Cab[c];
  if (twelve) {
    const int ee = Ccelle[e], ww = Ccellw[w], nn = Ccelln[n], ss = Ccells[s], tt = Ccellt[t], bb = Ccellb[b];
    const double aee = Caee[c], aww = Caww[c], ann = Cann[c], ass = Cass[c], att = Catt[c], abb = Cabb[c];
    for (int r = 0; r < 5; ++r) {
      const double* f = Cff[r];
      const double sum = ae * f[e] + aw * f[w] + an * f[n] + as * f[s] + at * f[t] + ab * f[b] + aee * f[ee] +
                         aww * f[ww] + ann * f[nn] + ass * f[ss] + att * f[tt] + abb * f[bb];
      Cff[r][c] = (sum + Csourcem[r][c]) * CinvApf[r][c];
    }
  } else {
    for (int r = 0; r < 5; ++r) {
      const double* f = Cff[r];
      const double sum = ae * f[e] + aw * f[w] + an * f[n] + as * f[s] + at * f[t] + ab * f[b];
      Cff[r][c] = (sum + Csourcem[r][c]) * CinvApf[r][c];
    }
  }
}

bool fastCombinedStep() {
  // The fast driver solves its five fields together as equation 1; its
  // pressure correction and components come as other equation numbers.
  return FlagFastWatersolve == 1 && Equation == 1 && Cff && CinvApf && Csourcem && CsourcemRows >= 5;
}

}  // namespace

int solverSweeps() {
  const int n = sweeps[equationIndex()];
  return Equation == 4 ? 3 * n : n;
}

void Gauss(int first, int last, int n) { gaussKernel<false>(first, last, n); }

void GaussFast(int first, int last, int n) {
  if (!Cff || !CinvApf || !Csourcem || CsourcemRows < 5 || first > last) return;
  const bool twelve = (sou[equationIndex()] == 1 || QNFlag != 0) && Caee && Caww && Cann && Cass && Catt && Cabb;
  for (int sweep = 0; sweep < n; ++sweep) {
    for (int c = first; c <= last; ++c) updateFast(c, twelve);
    for (int c = last; c >= first; --c) updateFast(c, twelve);
  }
}

void GaussThixo(int first, int last, int n) {
  double* f = Cf;
  if (!f || first > last) return;
  if (sou[equationIndex()] == 1) {
    if (!Cthixolev || !secondOrder()) return;
    for (int sweep = 0; sweep < n; ++sweep)
      for (int c = first; c <= last; ++c)
        if (Cthixolev[c] > 1) update12<false>(f, c);
    return;
  }
  if (!Cthixorat) return;
  for (int sweep = 0; sweep < n; ++sweep)
    for (int c = first; c <= last; ++c) {
      if (Cthixorat[c] > 1.0)
        update6<false>(f, c);
      else
        f[c] = 0.0;
    }
}

void solver() {
  const int n = solverSweeps();
  const int first = WCStart, last = WCEnd;
  // The fast driver's five fields live in Cff, which only GaussFast relaxes:
  // whatever the thread options, that step is never handed to a kernel that
  // would relax Cf alone and leave the five fields unsolved.
  if (fastCombinedStep()) {
    GaussFast(first, last, n);
    return;
  }
  if (FlagThixo > 0 && FlagThixoIsComputing == 1 && Cthixolev) {
    Gauss(first, last, n);
    return;
  }
  if (FlagRapSolver > 20) {
    GaussN(first, last, n);
    return;
  }
  if (NoProcessesSolver == 0 || FlagOpenMP[8] == 1) {
    Gauss(first, last, n);
    return;
  }
  const int parts = NoProcessesSolver;
#pragma omp parallel
  {
    int begin, end;
    staticShare(parts, omp_get_num_threads(), omp_get_thread_num(), begin, end);
    for (int p = begin; p < end; ++p) {
      int lo, hi;
      blockOfRange(first, last, parts, p, lo, hi);
      gaussKernel<true>(lo, hi, n);
    }
  }
}
