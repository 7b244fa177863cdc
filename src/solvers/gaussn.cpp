// The parallel strategies of F 164 above 20: Jacobi pairs through the copy
// Cfn, in-place relaxation over thread shares, and the hybrid that is
// Gauss-Seidel along the water columns and Jacobi across them, on thread
// shares or on blocks that never split a column. Values without a strategy
// of their own relax serially.
#include <omp.h>

#include <vector>

#include "solvers/relaxed.h"
#include "solvers/share.h"
#include "solvers/solver.h"
#include "solvers/stencils.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

bool twelvePoint() {
  const int e = Equation >= 0 && Equation < kEquationTableSize ? Equation : 0;
  return sou[e] == 1 && Caee && Caww && Cann && Cass && Catt && Cabb;
}

// The neighbour sum of cell c without the bottom and top terms, all read from
// h. Six-point: E, W, N, S; twelve-point adds EE, WW, NN, SS after T and B,
// which the callers insert in the order of the serial kernel.
template <bool kTwelve>
inline double sumAll(const double* h, int c) {
  const int e = Ccelle[c], w = Ccellw[c], n = Ccelln[c], s = Ccells[c], t = Ccellt[c], b = Ccellb[c];
  double sum = Cae[c] * h[e] + Caw[c] * h[w] + Can[c] * h[n] + Cas[c] * h[s] + Cat[c] * h[t] + Cab[c] * h[b];
  if constexpr (kTwelve)
    sum += Caee[c] * h[Ccelle[e]] + Caww[c] * h[Ccellw[w]] + Cann[c] * h[Ccelln[n]] + Cass[c] * h[Ccells[s]] +
           Catt[c] * h[Ccellt[t]] + Cabb[c] * h[Ccellb[b]];
  return sum + Csource[c];
}

// Hybrid sums: the vertical neighbours on one side from v, everything else
// from h. kDown: the bottom (and bottom-bottom) from v, the forward step;
// otherwise the top (and top-top) from v, the backward step. kShared: v is
// the array the step writes, read at a cell another thread may be writing.
template <bool kTwelve, bool kDown, bool kShared>
inline double sumHybrid(const double* h, const double* v, int c) {
  const int e = Ccelle[c], w = Ccellw[c], n = Ccelln[c], s = Ccells[c], t = Ccellt[c], b = Ccellb[c];
  const double ft = kDown ? h[t] : ld<kShared>(v, t);
  const double fb = kDown ? ld<kShared>(v, b) : h[b];
  double sum = Cae[c] * h[e] + Caw[c] * h[w] + Can[c] * h[n] + Cas[c] * h[s] + Cat[c] * ft + Cab[c] * fb;
  if constexpr (kTwelve) {
    const int tt = Ccellt[t], bb = Ccellb[b];
    const double ftt = kDown ? h[tt] : ld<kShared>(v, tt);
    const double fbb = kDown ? ld<kShared>(v, bb) : h[bb];
    sum += Caee[c] * h[Ccelle[e]] + Caww[c] * h[Ccellw[w]] + Cann[c] * h[Ccelln[n]] + Cass[c] * h[Ccells[s]] +
           Catt[c] * ftt + Cabb[c] * fbb;
  }
  return sum + Csource[c];
}

// The weight of the damped Jacobi steps of the pressure correction. Its
// diagonal is the plain sum of its couplings, so an undamped Jacobi step
// turns an odd-even (checkerboard) error into its negative, and a pair of
// steps gives it back unchanged: the continuity defect of that pattern would
// never go. The damped step keeps that pattern at -0.6 per step.
constexpr double kPressureJacobiWeight = 0.8;

template <bool kTwelve, bool kDamped>
inline void jacobiStep(const double* from, double* to, int lo, int hi) {
  for (int c = lo; c <= hi; ++c) {
    const double v = sumAll<kTwelve>(from, c) / Cap[c];
    if constexpr (kDamped)
      to[c] = from[c] + kPressureJacobiWeight * (v - from[c]);
    else
      to[c] = v;
  }
}

template <bool kTwelve>
inline void jacobi(const double* from, double* to, int lo, int hi) {
  if (Equation == 4)
    jacobiStep<kTwelve, true>(from, to, lo, hi);
  else
    jacobiStep<kTwelve, false>(from, to, lo, hi);
}

// Hybrid forward step into g over lo..hi upward; backward step into f
// downward.
template <bool kTwelve, bool kShared>
inline void hybridForward(const double* f, double* g, int lo, int hi) {
  for (int c = lo; c <= hi; ++c) st<kShared>(g, c, sumHybrid<kTwelve, true, kShared>(f, g, c) / Cap[c]);
}
template <bool kTwelve, bool kShared>
inline void hybridBackward(double* f, const double* g, int lo, int hi) {
  for (int c = hi; c >= lo; --c) st<kShared>(f, c, sumHybrid<kTwelve, false, kShared>(g, f, c) / Cap[c]);
}

// A cell outside first..last keeps its value through the call; the Jacobi
// steps that read the copy there read what the field holds, not what an
// earlier solve of another equation left in Cfn.
void copyOutsideNeighbours(const double* f, double* g, int first, int last, bool twelve) {
  if (first <= 1 && last >= NoCells) return;
  auto take = [&](int q) {
    if (q > 0 && (q < first || q > last)) g[q] = f[q];
  };
  for (int c = first; c <= last; ++c) {
    const int nb[6] = {Ccelle[c], Ccellw[c], Ccelln[c], Ccells[c], Ccellt[c], Ccellb[c]};
    for (int q : nb) take(q);
    if (twelve) {
      take(Ccelle[nb[0]]), take(Ccellw[nb[1]]), take(Ccelln[nb[2]]);
      take(Ccells[nb[3]]), take(Ccellt[nb[4]]), take(Ccellb[nb[5]]);
    }
  }
}

// 27: one region, Jacobi pairs, barriers between the steps.
template <bool kTwelve>
void jacobiBarriers(double* f, double* g, int first, int last, int n) {
  const int len = last - first + 1;
#pragma omp parallel
  {
    int b, e;
    staticShare(len, omp_get_num_threads(), omp_get_thread_num(), b, e);
    for (int sweep = 0; sweep < n; ++sweep) {
      jacobi<kTwelve>(f, g, first + b, first + e - 1);
#pragma omp barrier
#pragma omp barrier
      jacobi<kTwelve>(g, f, first + b, first + e - 1);
#pragma omp barrier
    }
  }
}

// 29: one region per Jacobi step.
template <bool kTwelve>
void jacobiRegions(double* f, double* g, int first, int last, int n) {
  const int len = last - first + 1;
  for (int sweep = 0; sweep < n; ++sweep) {
#pragma omp parallel
    {
      int b, e;
      staticShare(len, omp_get_num_threads(), omp_get_thread_num(), b, e);
      jacobi<kTwelve>(f, g, first + b, first + e - 1);
    }
#pragma omp parallel
    {
      int b, e;
      staticShare(len, omp_get_num_threads(), omp_get_thread_num(), b, e);
      jacobi<kTwelve>(g, f, first + b, first + e - 1);
    }
  }
}

// 28 (six-point): in place over the thread shares, the backward pass over the
// mirrored shares, a barrier after each pass.
void inPlaceShares(double* f, int first, int last, int n) {
  const int len = last - first + 1;
#pragma omp parallel
  {
    int b, e;
    staticShare(len, omp_get_num_threads(), omp_get_thread_num(), b, e);
    for (int sweep = 0; sweep < n; ++sweep) {
      for (int c = first + b; c < first + e; ++c) {
        const double s = Cae[c] * ld<true>(f, Ccelle[c]) + Caw[c] * ld<true>(f, Ccellw[c]) +
                         Can[c] * ld<true>(f, Ccelln[c]) + Cas[c] * ld<true>(f, Ccells[c]) +
                         Cat[c] * ld<true>(f, Ccellt[c]) + Cab[c] * ld<true>(f, Ccellb[c]) + Csource[c];
        st<true>(f, c, s / Cap[c]);
      }
#pragma omp barrier
      for (int c = last - b; c > last - e; --c) {
        const double s = Cae[c] * ld<true>(f, Ccelle[c]) + Caw[c] * ld<true>(f, Ccellw[c]) +
                         Can[c] * ld<true>(f, Ccelln[c]) + Cas[c] * ld<true>(f, Ccells[c]) +
                         Cat[c] * ld<true>(f, Ccellt[c]) + Cab[c] * ld<true>(f, Ccellb[c]) + Csource[c];
        st<true>(f, c, s / Cap[c]);
      }
#pragma omp barrier
    }
  }
}

// 30: the hybrid over thread shares; the cell below a share's first cell (or
// above its last) may be another thread's.
template <bool kTwelve>
void hybridShares(double* f, double* g, int first, int last, int n) {
  const int len = last - first + 1;
#pragma omp parallel
  {
    int b, e;
    staticShare(len, omp_get_num_threads(), omp_get_thread_num(), b, e);
    for (int c = first + b; c < first + e; ++c) g[c] = f[c];
  }
  for (int sweep = 0; sweep < n; ++sweep) {
#pragma omp parallel
    {
      int b, e;
      staticShare(len, omp_get_num_threads(), omp_get_thread_num(), b, e);
      hybridForward<kTwelve, true>(f, g, first + b, first + e - 1);
    }
#pragma omp parallel
    {
      int b, e;
      staticShare(len, omp_get_num_threads(), omp_get_thread_num(), b, e);
      hybridBackward<kTwelve, true>(f, g, last - e + 1, last - b);
    }
  }
}

// The bounds of the column-aligned blocks; entry k is the last cell of block
// k. Sized before the regions, so no sweep allocates.
std::vector<int>& blockBounds() {
  static std::vector<int> t(33);
  return t;
}

// 31, 32, 33: the hybrid on column-aligned blocks, each block in one thread.
template <bool kTwelve>
void hybridBlocks(double* f, double* g, int P, const int* B, int n) {
#pragma omp parallel
  {
    int b, e;
    staticShare(P, omp_get_num_threads(), omp_get_thread_num(), b, e);
    for (int p = b; p < e; ++p)
      for (int c = B[p] + 1; c <= B[p + 1]; ++c) g[c] = f[c];
  }
  for (int sweep = 0; sweep < n; ++sweep) {
#pragma omp parallel
    {
      int b, e;
      staticShare(P, omp_get_num_threads(), omp_get_thread_num(), b, e);
      for (int p = b; p < e; ++p) hybridForward<kTwelve, false>(f, g, B[p] + 1, B[p + 1]);
    }
#pragma omp parallel
    {
      int b, e;
      staticShare(P, omp_get_num_threads(), omp_get_thread_num(), b, e);
      for (int p = b; p < e; ++p) hybridBackward<kTwelve, false>(f, g, B[p] + 1, B[p + 1]);
    }
  }
}

// Serial forms: in place with the reciprocal diagonal (six-point), Jacobi
// pairs with copies (twelve-point), one Jacobi pair through the
// quasi-neighbour lists.
void serialForms(double* f, double* g, int first, int last, int n, bool twelve) {
  if (qnListsExist()) {
    for (int pass = 0; pass < 2; ++pass) {
      for (int c = first; c <= last; ++c) {
        double s = Cat[c] * f[Ccellt[c]] + Cab[c] * f[Ccellb[c]] + Csource[c];
        if (twelve) s += Catt[c] * f[Ccellt[Ccellt[c]]] + Cabb[c] * f[Ccellb[Ccellb[c]]];
        g[c] = qnSides<false>(f, c, twelve, s) * CnInvAp[c];
      }
      for (int c = first; c <= last; ++c) f[c] = g[c];
    }
    return;
  }
  if (twelve) {
    for (int sweep = 0; sweep < n; ++sweep)
      for (int pass = 0; pass < 2; ++pass) {
        for (int c = first; c <= last; ++c) g[c] = sumAll<true>(f, c) * CnInvAp[c];
        for (int c = first; c <= last; ++c) f[c] = g[c];
      }
    return;
  }
  for (int sweep = 0; sweep < n; ++sweep) {
    for (int c = first; c <= last; ++c) f[c] = sumAll<false>(f, c) * CnInvAp[c];
    for (int c = last; c >= first; --c) f[c] = sumAll<false>(f, c) * CnInvAp[c];
  }
}

int columnBlockCount() {
  if (FlagOpenMP[8] == 1) return 1;
  return NoProcessesSolver > 0 ? NoProcessesSolver : 1;
}

}  // namespace

void GaussN(int first, int last, int n) {
  double* f = Cf;
  double* g = Cfn;
  if (!f || !g || !Cap || first > last) return;
  if (first < 1) first = 1;
#pragma omp parallel for schedule(static) if (NoProcessesSolver > 0)
  for (int c = first; c <= last; ++c) CnInvAp[c] = 1.0 / Cap[c];
  f[0] = 0.0;
  g[0] = 0.0;
  const bool twelve = twelvePoint();
  const int s = FlagRapSolver;
  if (s == 27 || (s >= 29 && s <= 33)) copyOutsideNeighbours(f, g, first, last, twelve);
  if (s == 27) {
    twelve ? jacobiBarriers<true>(f, g, first, last, n) : jacobiBarriers<false>(f, g, first, last, n);
  } else if (s == 28 && !twelve) {
    inPlaceShares(f, first, last, n);
  } else if (s == 29) {
    twelve ? jacobiRegions<true>(f, g, first, last, n) : jacobiRegions<false>(f, g, first, last, n);
  } else if (s == 30) {
    twelve ? hybridShares<true>(f, g, first, last, n) : hybridShares<false>(f, g, first, last, n);
  } else if (s >= 31 && s <= 33) {
    const int P = s == 32 ? 16 : columnBlockCount();
    const int len = last - first + 1;
    const double step = s == 32 ? len * 0.0625 : static_cast<double>(len / P);
    std::vector<int>& bound = blockBounds();
    columnAlignedBounds(bound, P, first, last, step);
    twelve ? hybridBlocks<true>(f, g, P, bound.data(), n) : hybridBlocks<false>(f, g, P, bound.data(), n);
  } else {
    serialForms(f, g, first, last, n, twelve);
  }
}
