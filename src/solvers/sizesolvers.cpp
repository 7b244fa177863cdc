// Point relaxation of the per-size sediment equations and of the bed-cell
// equations: serial, parallel in place, and column-aligned blocks working
// through the copy Cfn.
#include "solvers/sizesolvers.h"

#include <omp.h>

#include <algorithm>
#include <vector>

#include "solvers/relaxed.h"
#include "solvers/share.h"
#include "solvers/stencils.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

constexpr int kSweeps = 5;

// The coefficient rows of one size's equation, taken once per call. The
// second-order scheme adds the second neighbours (att, abb of the size, the
// four horizontal ones shared); with quasi-neighbour lists the horizontal
// sides are read through the lists. Either makes the stencil a full one.
struct Rows {
  const double *ae, *aw, *an, *as, *at, *ab, *ap, *src;
  const double *att = nullptr, *abb = nullptr;
  bool second = false, lists = false;
  bool full() const { return second || lists; }
};

// The full stencil of cell c: horizontal sides (through the lists where
// they exist, second neighbours with the second-order scheme) from h, the
// cells above from u, the cells below from d.
template <bool kShared>
inline double fullSum(const Rows& r, const double* h, const double* u, const double* d, int c) {
  double s;
  if (r.lists) {
    s = qnSides<kShared>(h, c, r.second, 0.0);
  } else {
    s = r.ae[c] * ld<kShared>(h, Ccelle[c]) + r.aw[c] * ld<kShared>(h, Ccellw[c]) +
        r.an[c] * ld<kShared>(h, Ccelln[c]) + r.as[c] * ld<kShared>(h, Ccells[c]);
    if (r.second)
      s += Caee[c] * ld<kShared>(h, Ccelle[Ccelle[c]]) + Caww[c] * ld<kShared>(h, Ccellw[Ccellw[c]]) +
           Cann[c] * ld<kShared>(h, Ccelln[Ccelln[c]]) + Cass[c] * ld<kShared>(h, Ccells[Ccells[c]]);
  }
  s += r.at[c] * ld<kShared>(u, Ccellt[c]) + r.ab[c] * ld<kShared>(d, Ccellb[c]);
  if (r.second) s += r.att[c] * ld<kShared>(u, Ccellt[Ccellt[c]]) + r.abb[c] * ld<kShared>(d, Ccellb[Ccellb[c]]);
  return s + r.src[c];
}

// The four horizontal neighbours of c in field h.
template <bool kShared>
inline double horizontal(const Rows& r, const double* h, int c) {
  return r.ae[c] * ld<kShared>(h, Ccelle[c]) + r.aw[c] * ld<kShared>(h, Ccellw[c]) +
         r.an[c] * ld<kShared>(h, Ccelln[c]) + r.as[c] * ld<kShared>(h, Ccells[c]);
}

// One in-place update of cell c (kBedOnly: the bottom cells alone, no
// vertical neighbours; others keep their value).
template <bool kShared, bool kBedOnly>
inline void relax(const Rows& r, double* f, int c) {
  if constexpr (kBedOnly) {
    if (Ccellb[c] != 0) return;
    st<kShared>(f, c, (horizontal<kShared>(r, f, c) + r.src[c]) / r.ap[c]);
  } else {
    const double s = horizontal<kShared>(r, f, c) + r.at[c] * ld<kShared>(f, Ccellt[c]) +
                     r.ab[c] * ld<kShared>(f, Ccellb[c]) + r.src[c];
    st<kShared>(f, c, s / r.ap[c]);
  }
}

// One update of c with its bottom (top) neighbour's value given: a column's
// cells are numbered upward one after another, so within a column that
// neighbour is the cell the pass relaxed just before, and its new value
// passes on in a register instead of being read back from the store just
// made. The terms are added in the order of relax: the same values result.
template <bool kShared>
inline double relaxBottom(const Rows& r, double* f, int c, double fb) {
  const double s = horizontal<kShared>(r, f, c) + r.at[c] * ld<kShared>(f, Ccellt[c]) + r.ab[c] * fb + r.src[c];
  const double v = s / r.ap[c];
  st<kShared>(f, c, v);
  return v;
}
template <bool kShared>
inline double relaxTop(const Rows& r, double* f, int c, double ft) {
  const double s = horizontal<kShared>(r, f, c) + r.at[c] * ft + r.ab[c] * ld<kShared>(f, Ccellb[c]) + r.src[c];
  const double v = s / r.ap[c];
  st<kShared>(f, c, v);
  return v;
}

// Upward pass over lo..hi and downward pass over hi..lo. The value is carried
// only between cells of the range, which the calling thread alone writes.
template <bool kShared, bool kBedOnly>
void upwardPass(const Rows& r, double* f, int lo, int hi) {
  if (!kBedOnly && r.full()) {
    for (int c = lo; c <= hi; ++c) st<kShared>(f, c, fullSum<kShared>(r, f, f, f, c) / r.ap[c]);
    return;
  }
  if constexpr (kBedOnly) {
    for (int c = lo; c <= hi; ++c) relax<kShared, true>(r, f, c);
  } else {
    for (int c = lo; c <= hi;) {
      double v = relaxBottom<kShared>(r, f, c, ld<kShared>(f, Ccellb[c]));
      for (++c; c <= hi && Ccellb[c] == c - 1; ++c) v = relaxBottom<kShared>(r, f, c, v);
    }
  }
}
template <bool kShared, bool kBedOnly>
void downwardPass(const Rows& r, double* f, int lo, int hi) {
  if (!kBedOnly && r.full()) {
    for (int c = hi; c >= lo; --c) st<kShared>(f, c, fullSum<kShared>(r, f, f, f, c) / r.ap[c]);
    return;
  }
  if constexpr (kBedOnly) {
    for (int c = hi; c >= lo; --c) relax<kShared, true>(r, f, c);
  } else {
    for (int c = hi; c >= lo;) {
      double v = relaxTop<kShared>(r, f, c, ld<kShared>(f, Ccellt[c]));
      for (--c; c >= lo && Ccellt[c] == c + 1; --c) v = relaxTop<kShared>(r, f, c, v);
    }
  }
}

template <bool kBedOnly>
void serialForm(const Rows& r, double* f, int first, int last) {
  for (int sweep = 0; sweep < kSweeps; ++sweep) {
    upwardPass<false, kBedOnly>(r, f, first, last);
    downwardPass<false, kBedOnly>(r, f, first, last);
  }
}

// Forward passes take each thread's static share of the range in increasing
// order; backward passes count the shares from the top of the range, so that
// thread 0 takes the highest cells.
template <bool kBedOnly>
void parallelInPlace(const Rows& r, double* f, int first, int last) {
  const int n = last - first + 1;
  if (n <= 0) return;
  for (int sweep = 0; sweep < kSweeps; ++sweep) {
#pragma omp parallel
    {
      int b, e;
      staticShare(n, omp_get_num_threads(), omp_get_thread_num(), b, e);
      upwardPass<true, kBedOnly>(r, f, first + b, first + e - 1);
    }
#pragma omp parallel
    {
      int b, e;
      staticShare(n, omp_get_num_threads(), omp_get_thread_num(), b, e);
      downwardPass<true, kBedOnly>(r, f, last - e + 1, last - b);
    }
  }
}

// Block bounds of the column-aligned form: bound 0 = first - 1, bound P =
// last, each inner bound moved up to the top cell of its water column so
// that a column never spans two blocks. Sized by the number of blocks; it
// grows (outside the sweeps) only when a run asks for more blocks.
std::vector<int>& blockTable() {
  static std::vector<int> t;
  return t;
}

int columnBlocks() {
  if (FlagOpenMP[8] >= 1) return 1;
  return std::max(1, NoProcessesSolver);
}

// Forward half-step: Cfn from the neighbours in Cf, the bottom neighbour
// (same column, same block, just relaxed) from Cfn. Backward half-step: Cf
// from the neighbours in Cfn, the top neighbour from Cf. Each thread writes
// only its own blocks, and reads of other blocks touch the array nobody
// writes in that half-step.
template <bool kBedOnly>
inline void forwardBlock(const Rows& r, const double* f, double* g, int lo, int hi) {
  if (!kBedOnly && r.full()) {
    for (int c = lo; c <= hi; ++c) g[c] = fullSum<false>(r, f, f, g, c) / r.ap[c];
    return;
  }
  for (int c = lo; c <= hi; ++c) {
    if constexpr (kBedOnly) {
      if (Ccellb[c] != 0) continue;
      g[c] = (horizontal<false>(r, f, c) + r.src[c]) / r.ap[c];
    } else {
      const double s = horizontal<false>(r, f, c) + r.at[c] * f[Ccellt[c]] + r.ab[c] * g[Ccellb[c]] + r.src[c];
      g[c] = s / r.ap[c];
    }
  }
}
template <bool kBedOnly>
inline void backwardBlock(const Rows& r, double* f, const double* g, int lo, int hi) {
  if (!kBedOnly && r.full()) {
    for (int c = hi; c >= lo; --c) f[c] = fullSum<false>(r, g, f, g, c) / r.ap[c];
    return;
  }
  for (int c = hi; c >= lo; --c) {
    if constexpr (kBedOnly) {
      if (Ccellb[c] != 0) continue;
      f[c] = (horizontal<false>(r, g, c) + r.src[c]) / r.ap[c];
    } else {
      const double s = horizontal<false>(r, g, c) + r.at[c] * f[Ccellt[c]] + r.ab[c] * g[Ccellb[c]] + r.src[c];
      f[c] = s / r.ap[c];
    }
  }
}

template <bool kBedOnly>
void columnAligned(const Rows& r, double* f, int first, int last) {
  if (!Cfn || first > last) return;
  double* g = Cfn;
  f[0] = 0.0;
  g[0] = 0.0;
  const int P = columnBlocks();
  std::vector<int>& bound = blockTable();
  columnAlignedBounds(bound, P, first, last, static_cast<double>(last - first + 1) / P);
  const int* B = bound.data();
#pragma omp parallel
  {
    int b, e;
    staticShare(P, omp_get_num_threads(), omp_get_thread_num(), b, e);
    for (int p = b; p < e; ++p)
      for (int c = B[p] + 1; c <= B[p + 1]; ++c) g[c] = f[c];
    for (int sweep = 0; sweep < kSweeps; ++sweep) {
#pragma omp barrier
      for (int p = b; p < e; ++p) forwardBlock<kBedOnly>(r, f, g, B[p] + 1, B[p + 1]);
#pragma omp barrier
      for (int p = b; p < e; ++p) backwardBlock<kBedOnly>(r, f, g, B[p] + 1, B[p + 1]);
    }
  }
}

enum class Form { Serial, InPlace, Columns };

Form perSizeForm() {
  if (FlagRapSolver == 31 || FlagRapSolver == 33) return Form::Columns;
  if (FlagRapSolver >= 21 && FlagRapSolver <= 29) return Form::Serial;
  return Form::InPlace;
}

template <bool kBedOnly>
void relaxInForm(Form form, const Rows& r) {
  double* f = Cf;
  const int first = std::max(WCStart, 1), last = std::min(WCEnd, NoCells);
  if (!f || first > last) return;
  switch (form) {
    case Form::Serial: serialForm<kBedOnly>(r, f, first, last); break;
    case Form::InPlace: parallelInPlace<kBedOnly>(r, f, first, last); break;
    case Form::Columns: columnAligned<kBedOnly>(r, f, first, last); break;
  }
}

bool sizeRowsExist(int n) { return n >= 1 && n <= lnumber && Capm && Catm && Cabm && Csourcem && n < CsourcemRows; }

bool secondOrderEquation() { return Equation >= 0 && Equation < kEquationTableSize && sou[Equation] == 1; }

// The stencil extensions of size n's equation: the second neighbours of the
// second-order scheme (the size's own rows above and below where they
// exist, else the shared ones) and the quasi-neighbour lists.
void extendStencil(Rows& r, int n, bool listsApply) {
  if (secondOrderEquation() && Caee && Caww && Cann && Cass && Catt && Cabb) {
    r.second = true;
    r.att = sizeSecondAbove(n);
    r.abb = sizeSecondBelow(n);
  }
  r.lists = listsApply && qnListsExist();
}

// Pick-up of size n into a bottom cell c (F 253): what the bed offers at
// equilibrium, at most the deposition flux plus what one time step can take
// from layer 1.
inline double bedExchange(int n, int c, double current) {
  const int b = Cbed[c];
  if (b <= 0 || b >= bedCellCapacity()) return 0.0;
  const double A = Barea[b], f = BSedDistrib[1][n][b], h = BSedDistrib[1][0][b], w = fallvelo[n];
  const double E = f * Bconc[n][b] * w * A * 1000.0;
  // Without a time step the layer offers nothing within one.
  const double layer = TimeStep > 0.0 ? A * f * h * 1000.0 * SolidFrac / TimeStep : 0.0;
  const double D = current * w * 1000.0 * A + layer;
  return E <= D ? E : D;
}

void implicitBedExchange(int n, const Rows& r) {
  double* f = Cf;
  const int first = std::max(WCStart, 1), last = std::min(WCEnd, NoCells);
  if (!f || first > last) return;
  auto update = [&](int c, bool store) {
    double s = r.full() ? fullSum<false>(r, f, f, f, c)
                        : horizontal<false>(r, f, c) + r.at[c] * f[Ccellt[c]] + r.ab[c] * f[Ccellb[c]] + r.src[c];
    if (Ccellb[c] == 0) {
      const double x = bedExchange(n, c, f[c]);
      s += x;
      if (store && Cbed[c] > 0 && Cbed[c] < bedCellCapacity()) Bsource[n][Cbed[c]] = x;
    }
    f[c] = s / r.ap[c];
  };
  for (int sweep = 0; sweep < kSweeps; ++sweep) {
    for (int c = first; c <= last; ++c) update(c, false);
    for (int c = last; c >= first; --c) update(c, true);
  }
}

}  // namespace

void solver2(int n) {
  if (!sizeRowsExist(n)) return;
  Rows r{Cae, Caw, Can, Cas, Catm[n], Cabm[n], Capm[n], Csourcem[n]};
  extendStencil(r, n, true);
  if (FlagImplicitSedim == 1) {
    implicitBedExchange(n, r);
    return;
  }
  relaxInForm<false>(perSizeForm(), r);
}

void solver2m(int n) {
  if (!sizeRowsExist(n) || !Caem || !Cawm || !Canm || !Casm) return;
  Rows r{Caem[n], Cawm[n], Canm[n], Casm[n], Catm[n], Cabm[n], Capm[n], Csourcem[n]};
  // The per-size sides carry no lists: their builder writes every side from
  // the faces of the cell itself.
  extendStencil(r, n, false);
  relaxInForm<false>(perSizeForm(), r);
}

void solver2bed(int n) {
  if (!sizeRowsExist(n)) return;
  const Rows r{Cae, Caw, Can, Cas, nullptr, nullptr, Capm[n], Csourcem[n]};
  Form form = Form::Serial;
  if (FlagRapSolver == 31 || FlagRapSolver == 33)
    form = Form::Columns;
  else if (NoProcessesSolver >= 20 && NoProcessesSolver <= 30)
    form = Form::InPlace;
  relaxInForm<true>(form, r);
}

void solverB(double* x, int first, int last, double max) {
  if (!x) return;
  first = std::max(first, 1);
  last = std::min(last, NoBCells);
  auto update = [&](int b) {
    const int c = Bcellt[b];
    if (c <= 0 || c > NoCells) return;
    const double north = b + 1 <= NoBCells ? x[b + 1] : 0.0;
    const double v = (Cae[c] * x[Cbed[Ccelle[c]]] + Can[c] * north + Cas[c] * x[b - 1] +
                      Caw[c] * x[Cbed[Ccellw[c]]] + Csource[c]) /
                     Cap[c];
    x[b] = std::min(max, v);
  };
  for (int sweep = 0; sweep < 3; ++sweep) {
    for (int b = first; b <= last; ++b) update(b);
    for (int b = last; b >= first; --b) update(b);
  }
}
