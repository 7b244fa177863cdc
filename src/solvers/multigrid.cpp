// The column multigrid: the equation in force summed over each water column
// onto level 2 (one coarse cell per column) and further onto the coarser
// levels, relaxed from the coarsest level down with injection, and handed
// back to the columns. One way only, coarse to fine, no cycles.
#include <omp.h>

#include <algorithm>

#include "solvers/multigrid.h"
#include "solvers/share.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

constexpr double kFixed = 1e15;

inline bool coarseCell(int c) { return c >= 1 && c < MaxCeller; }

// The cells of block record r when it holds a coarse level at least 2 (its
// level field) and its cell range lies in the arrays; false otherwise.
bool levelCells(int r, int& first, int& last) {
  if (r < 1 || r >= 100) return false;
  const BlockRecord& B = block[r];
  first = B.firstCell;
  last = B.lastCell;
  return B.gridLevel >= 2 && first >= 1 && last >= first && last < MaxCeller;
}

// The column of a level-2 cell: bottom..top, consecutive 3-D cells.
inline bool columnOf(int c, int& bottom, int& top) {
  bottom = MGSCpoint[c][1];
  top = MGSCpoint[c][2];
  return bottom >= 1 && top >= bottom && top <= NoCells;
}

inline int child(int c, int k) {
  const int x = MGSCpoint[c][k];
  return coarseCell(x) ? x : 0;
}

bool hierarchyReady() { return MGSCpoint && MGSCpointCols >= 5 && Cf && Cap && Cae && Caw && Can && Cas && Csource; }

void clearElementZero() { Caw[0] = Cae[0] = Can[0] = Cas[0] = 0.0; }

// The outer couplings of a coarse cell from its children: west of the
// south-west and north-west child, south of south-west and south-east,
// north of north-west and north-east, east of north-east and south-east.
inline void outerCouplings(int c, int p1, int p2, int p3, int p4) {
  Caw[c] = Caw[p1] + Caw[p2];
  Cas[c] = Cas[p1] + Cas[p4];
  Can[c] = Can[p2] + Can[p3];
  Cae[c] = Cae[p3] + Cae[p4];
}
// The couplings between the four children of one coarse cell.
inline double internalCouplings(int p1, int p2, int p3, int p4) {
  return Caw[p3] + Caw[p4] + Cae[p1] + Cae[p2] + Can[p1] + Can[p4] + Cas[p2] + Cas[p3];
}

// Relaxes the coarse levels top..3 (records b+top-2 down to b+1) with n
// sweeps each, every level handing its values to its children.
void relaxCoarseLevels(int b, int top, int n) {
  for (int r = b + top - 2; r >= b + 1; --r) {
    int first, last;
    if (!levelCells(r, first, last) || block[r].gridLevel < 3) continue;
    Gauss2D(first, last, n);
    for (int c = first; c <= last; ++c)
      for (int k = 1; k <= 4; ++k)
        if (const int p = child(c, k)) Cf[p] = Cf[c];
  }
}

// Level 2 relaxed serially, or in F 206 chunks by the threads without a
// barrier between them.
void relaxLevelTwo(int first, int last, int n) {
  if (NoProcessesSolver <= 0 || FlagOpenMP[8] == 1 || FlagRapSolver > 26) {
    Gauss2D(first, last, n);
    return;
  }
  const int P = NoProcessesSolver;
#pragma omp parallel
  {
    int pb, pe;
    staticShare(P, omp_get_num_threads(), omp_get_thread_num(), pb, pe);
    for (int p = pb; p < pe; ++p) {
      int lo, hi;
      blockOfRange(first, last, P, p, lo, hi);
      Gauss2D(lo, hi, n);
    }
  }
}

double* residualArray(int eq) {
  switch (eq) {
    case 1: return Cxvel_res;
    case 2: return Cyvel_res;
    case 3: return Czvel_res;
    case 5: return Ckinen_res;
    case 6: return Cepsilon_res;
    default: return nullptr;
  }
}

void lineSolver() {
  if (FlagSolverVertTDMA == 1)
    solverVertTDMA();
  else if (FlagSolverVertTDMA == 2)
    solverTDMA();
}

// The column sums onto level 2 and the hand-back to the columns: each coarse
// cell owns its column, so the threads of F 206 share them without changing
// a bit of the result.
bool columnsInParallel() { return NoProcessesSolver > 0 && FlagOpenMP[8] == 0; }

void pressureForm(int b, int first, int last) {
  const bool parallel = columnsInParallel();
#pragma omp parallel for schedule(static) if (parallel)
  for (int c = first; c <= last; ++c) {
    int bottom, top;
    double e = 0, w = 0, n = 0, s = 0, src = 0;
    if (columnOf(c, bottom, top))
      for (int k = bottom; k <= top; ++k) {
        e += Cae[k], w += Caw[k], n += Can[k], s += Cas[k];
        if (FlagTFS != 16 || Cap[k] < kFixed) src += Csource[k];
      }
    Cae[c] = e, Caw[c] = w, Can[c] = n, Cas[c] = s;
    const double S = e + w + n + s;
    // A column without an open side has no equation of its own on this
    // level: it stays at 0 here and keeps its own field below.
    Cap[c] = S >= 1e-15 ? S : 1.0;
    Csource[c] = S >= 1e-15 ? src : 0.0;
    Cf[c] = 0.0;
  }
  const int levels = std::min(NoMGlevels, 100 - b + 1);
  if (Flag2DAccSolver > 1) {
    for (int r = b + 1; r <= b + levels - 2; ++r) {
      int lo, hi;
      if (!levelCells(r, lo, hi) || block[r].gridLevel < 3) continue;
      for (int c = lo; c <= hi; ++c) {
        const int p1 = child(c, 1), p2 = child(c, 2), p3 = child(c, 3), p4 = child(c, 4);
        double src = 0.0;
        for (int p : {p1, p2, p3, p4})
          if (p) src += Csource[p];
        Csource[c] = src;
        // The coarse equation is the sum of its children's: each coarse
        // coupling is the sum of the fine couplings across its side.
        outerCouplings(c, p1, p2, p3, p4);
        const double S = Cae[c] + Caw[c] + Can[c] + Cas[c];
        Cap[c] = S < 1e-15 ? 100.0 : S;
        Cf[c] = 0.0;
      }
    }
    relaxCoarseLevels(b, levels, NoMGloops);
  }
  relaxLevelTwo(first, last, Iter2DMG);
#pragma omp parallel for schedule(static) if (parallel)
  for (int c = first; c <= last; ++c) {
    int bottom, top;
    if (!columnOf(c, bottom, top) || Cae[c] + Caw[c] + Can[c] + Cas[c] < 1e-15) continue;
    for (int k = bottom; k <= top; ++k) Cf[k] = Cf[c];
  }
}

void correctionForm(int b, int first, int last, const double* R) {
  const bool parallel = columnsInParallel();
#pragma omp parallel for schedule(static) if (parallel)
  for (int c = first; c <= last; ++c) {
    int bottom, top;
    double e = 0, w = 0, n = 0, s = 0, r = 0;
    int count = 0;
    if (columnOf(c, bottom, top))
      for (int k = bottom; k <= top; ++k) {
        e += Cae[k], w += Caw[k], n += Can[k], s += Cas[k];
        r += R[k];
        ++count;
      }
    Cae[c] = e, Caw[c] = w, Can[c] = n, Cas[c] = s;
    const double S = e + w + n + s;
    // A closed column gets no correction (its diagonal would be 0).
    Csource[c] = S >= 1e-15 && count > 0 ? S * r / count : 0.0;
    Cap[c] = S >= 1e-15 ? 2.0 * S : 1.0;
    Cf[c] = 0.0;
  }
  const int levels = std::min(NoMGlevels, 100 - b + 1);
  if (Flag2DAccSolver > 1) {
    for (int r = b + 1; r <= b + levels - 2; ++r) {
      int lo, hi;
      if (!levelCells(r, lo, hi) || block[r].gridLevel < 3) continue;
      for (int c = lo; c <= hi; ++c) {
        const int p1 = child(c, 1), p2 = child(c, 2), p3 = child(c, 3), p4 = child(c, 4);
        double q = 0.0;
        int n = 0;
        for (int p : {p1, p2, p3, p4})
          if (p) q += Csource[p] / Cap[p], ++n;
        outerCouplings(c, p1, p2, p3, p4);
        double S = Cae[c] + Caw[c] + Can[c] + Cas[c];
        if (S < 1e-15) S = 100.0;
        Csource[c] = S * q / (n + 1e-20);
        Cap[c] = 2.0 * S;
        Cf[c] = 0.0;
      }
    }
    relaxCoarseLevels(b, levels, NoMGloops);
  }
  Gauss2D(first, last, 1);
#pragma omp parallel for schedule(static) if (parallel)
  for (int c = first; c <= last; ++c) {
    int bottom, top;
    if (!columnOf(c, bottom, top)) continue;
    for (int k = bottom; k <= top; ++k) Cf[k] += Cf[c];
  }
}

// The levels of the surface solvers: at most F 168 and NoMGlevels, less a
// coarsest level of at most 9 cells (two such levels in a row drop two).
int surfaceLevels(int b) {
  int n = std::min(Flag2DAccSolver, NoMGlevels);
  auto small = [b](int level) {
    const int r = b + level - 2;
    if (level < 2 || r < 1 || r >= 100) return false;
    return block[r].lastCell - block[r].firstCell <= 8;
  };
  if (n >= 2 && small(n)) {
    const bool twoSmall = small(n - 1);
    n -= twoSmall ? 2 : 1;
  }
  return n;
}

// Level 2 of the surface solvers from the columns' bottom cells.
void surfaceLevelTwo(int first, int last, bool casulli) {
  for (int c = first; c <= last; ++c) {
    const int k = MGSCpoint[c][1];
    if (k < 1 || k > NoCells) {
      Cae[c] = Caw[c] = Can[c] = Cas[c] = Csource[c] = 0.0;
      Cap[c] = 1.0;
      Cf[c] = 0.0;
      continue;
    }
    Csource[c] = Csource[k], Cae[c] = Cae[k], Caw[c] = Caw[k], Can[c] = Can[k], Cas[c] = Cas[k], Cap[c] = Cap[k];
    Cf[c] = casulli ? Cf[k] : 0.0;
    if (casulli && Cap[c] > kFixed) {
      Csource[c] = 0.0;
      Cap[c] = Caw[c] + Cae[c] + Can[c] + Cas[c];
    }
  }
}

void surfaceCoarse(int b, int n, bool casulli) {
  for (int r = b + 1; r <= b + n - 2 && r < 100; ++r) {
    int lo, hi;
    if (block[r].lastCell <= 0 || !levelCells(r, lo, hi)) continue;
    for (int c = lo; c <= hi; ++c) {
      const int p1 = child(c, 1), p2 = child(c, 2), p3 = child(c, 3), p4 = child(c, 4);
      double ap = 0.0, src = 0.0, f = 0.0;
      int wet = 0;
      for (int p : {p1, p2, p3, p4}) {
        if (!p) continue;
        if (!casulli || Cap[p] < kFixed) ap += Cap[p], src += Csource[p];
        if (casulli && Cap[p] > 1e-14) f += Cf[p], ++wet;
      }
      if (casulli) {
        Caw[c] = 0.5 * Caw[p1] + 0.5 * Caw[p2];
        Cas[c] = 0.5 * Cas[p1] + 0.5 * Cas[p4];
        Can[c] = 0.5 * Can[p2] + 0.5 * Can[p3];
        Cae[c] = 0.5 * Cae[p3] + 0.5 * Cae[p4];
        ap -= internalCouplings(p1, p2, p3, p4);
        ap -= 0.5 * (Caw[p1] + Caw[p2] + Cas[p1] + Cas[p4] + Can[p2] + Can[p3] + Cae[p3] + Cae[p4]);
      } else {
        outerCouplings(c, p1, p2, p3, p4);
        ap -= internalCouplings(p1, p2, p3, p4);
      }
      Cap[c] = std::max(ap, 1e-15);
      Csource[c] = src;
      Cf[c] = casulli && wet > 0 ? f / wet : 0.0;
      if (casulli && r > b + NoCasulliMG) {
        Cap[c] = std::max(Cap[c] - Can[c] - Cas[c], 1e-15);
        Can[c] = Cas[c] = 0.0;
      }
    }
  }
}

// F 343 3: every level tied to the fixed level of the reference column by an
// east link of the coarse cell above it. The links hold for this call only:
// the saved links are put back afterwards.
struct TieLinks {
  int cell[100];
  int link[100];
  int count = 0;
};

void tieToReference(int b, int n, TieLinks& saved) {
  if (iPres < 0 || jPres < 0 || iPres > xnumber + 1 || jPres > ynumber + 1) return;
  const int r = static_cast<int>(zval[iPres][jPres][0]);
  // A dry reference column holds no fixed value to tie to.
  if (r < 1 || r > NoCells || Cap[r] == 0.0) return;
  Cf[r] = Csource[r] / Cap[r];
  int c = r;
  for (int q = b; q <= b + n - 2 && q < 100; ++q) {
    if (block[q].active != 0 || block[q].lastCell <= 0) continue;
    c = MGSCpoint[c][0];
    if (!coarseCell(c)) break;
    if (Caw[c] > 0.0 && Cae[c] < 1e-15 && saved.count < 100) {
      saved.cell[saved.count] = c;
      saved.link[saved.count++] = Ccelle[c];
      Cae[c] = Caw[c];
      Cap[c] += Cae[c];
      Ccelle[c] = r;
    }
  }
}

void surfaceSolve(bool casulli) {
  if (!hierarchyReady()) return;
  const int b = multigridColumnBlock();
  int first, last;
  if (!levelCells(b, first, last)) return;
  const int n = surfaceLevels(b);
  if (n < 2) return;
  clearElementZero();
  surfaceLevelTwo(first, last, casulli);
  surfaceCoarse(b, n, casulli);
  TieLinks saved;
  if (casulli && BlockCasulli == 3) tieToReference(b, n, saved);
  if (Flag2DAccSolver > 1 && n > 2) relaxCoarseLevels(b, n, 6);
  relaxLevelTwo(first, last, 1);
  for (int k = saved.count - 1; k >= 0; --k) Ccelle[saved.cell[k]] = saved.link[k];
  for (int c = first; c <= last; ++c) {
    const int k = MGSCpoint[c][1];
    if (k >= 1 && k <= NoCells) Cf[k] = Cf[c];
  }
}

}  // namespace

int multigridColumnBlock() {
  for (int r = 1; r <= 19; ++r)
    if (block[r].kind > 0) return r;
  return 20;
}

void AlgMGSolve() {
  if (!hierarchyReady() || Equation < 1 || Equation > 6) return;
  const int b = multigridColumnBlock();
  int first, last;
  if (!levelCells(b, first, last)) return;
  clearElementZero();
  if (Equation == 4) {
    pressureForm(b, first, last);
  } else {
    const double* R = residualArray(Equation);
    if (!R) return;
    correctionForm(b, first, last, R);
  }
  lineSolver();
}

void AlgMGSurf() { surfaceSolve(false); }
void AlgMGSurfCasulli() { surfaceSolve(true); }

void AlgMGResidual(int first, int last, int, double* out) {
  if (!Cf || first > last) return;
  first = std::max(first, 1);
  last = std::min(last, MaxCeller - 1);
  if (Equation == 4) {
    if (Cpres_res)
      for (int c = first; c <= last; ++c) Cpres_res[c] = Csource[c];
    return;
  }
  double* R = FlagResidual == 1 ? residualArray(Equation) : out;
  if (!R) return;
  for (int c = first; c <= last; ++c) {
    if (Cap[c] >= kFixed || Cap[c] == 0.0) {
      R[c] = 0.0;
      continue;
    }
    R[c] = (Cae[c] * Cf[Ccelle[c]] + Caw[c] * Cf[Ccellw[c]] + Can[c] * Cf[Ccelln[c]] + Cas[c] * Cf[Ccells[c]] +
            Csource[c] - Cap[c] * Cf[c]) /
           Cap[c];
  }
}

// ---- Earlier forms of the two-dimensional acceleration (not called) ----

namespace {

// Walks the cells of the blocks of kind 0 in number order: a cell without a
// bottom neighbour opens the next coarse cell (from NoCells + 1 on), every
// cell calls visit(cell, coarse cell), a cell without a top neighbour closes
// it. Returns the last coarse cell; stops before the arrays end.
template <typename Visit>
int columnWalk(Visit visit) {
  int C = NoCells, open = 0;
  for (int r = 1; r <= NoBlocks && r < 100; ++r) {
    const BlockRecord& B = block[r];
    if (B.kind != 0) continue;
    const int first = std::max(B.firstCell, 1), last = std::min(B.lastCell, NoCells);
    for (int c = first; c <= last; ++c) {
      if (Ccellb[c] == 0) {
        if (C + 1 >= MaxCeller) return C;
        open = ++C;
      }
      if (open) visit(c, open, Ccellb[c] == 0, Ccellt[c] == 0);
      if (Ccellt[c] == 0) open = 0;
    }
  }
  return C;
}

}  // namespace

void Acc2D() {
  if (!hierarchyReady()) return;
  const int b = multigridColumnBlock();
  int first, last;
  if (!levelCells(b, first, last)) return;
  clearElementZero();
  columnWalk([](int c, int C, bool opens, bool closes) {
    if (opens) {
      Csource[C] = Csource[c], Cae[C] = Cae[c], Caw[C] = Caw[c], Can[C] = Can[c], Cas[C] = Cas[c];
      Cf[C] = 0.0;
    } else {
      Csource[C] += Csource[c], Cae[C] += Cae[c], Caw[C] += Caw[c], Can[C] += Can[c], Cas[C] += Cas[c];
    }
    if (closes) Cap[C] = Cae[C] + Caw[C] + Can[C] + Cas[C];
  });
  if (Flag2DAccSolver >= 2) {
    for (int r = b + 1; r <= std::min(Flag2DAccSolver, 99); ++r) {
      int lo, hi;
      if (!levelCells(r, lo, hi)) continue;
      for (int c = lo; c <= hi; ++c) {
        const int p1 = child(c, 1), p2 = child(c, 2), p3 = child(c, 3), p4 = child(c, 4);
        double src = 0.0;
        for (int p : {p1, p2, p3, p4})
          if (p) src += Csource[p];
        Csource[c] = src;
        outerCouplings(c, p1, p2, p3, p4);
        const double S = Cae[c] + Caw[c] + Can[c] + Cas[c];
        Cap[c] = S < 1e-15 ? 1e20 : S;
        Cf[c] = 0.0;
      }
    }
  }
  for (int r = std::min(NoBlocks + Flag2DAccSolver, 99); r >= b + 1; --r) {
    int lo, hi;
    if (!levelCells(r, lo, hi)) continue;
    Gauss2D(lo, hi, 1);
    for (int c = lo; c <= hi; ++c)
      for (int k = 1; k <= 4; ++k)
        if (const int p = child(c, k)) Cf[p] = Cf[c];
  }
  Gauss2D(first, last, 1);
  columnWalk([](int c, int C, bool, bool) { Cf[c] = Cf[C]; });
}

int Acc2Dcoeff(int levels) {
  if (!hierarchyReady()) return 0;
  const int b = multigridColumnBlock();
  const int n = std::min(Flag2DAccSolver, levels);
  clearElementZero();
  const int lastTwo = columnWalk([](int c, int C, bool opens, bool) {
    if (opens) Csource[C] = Cae[C] = Caw[C] = Can[C] = Cas[C] = Cap[C] = 0.0;
    Csource[C] += Csource[c], Cae[C] += Cae[c], Caw[C] += Caw[c], Can[C] += Can[c], Cas[C] += Cas[c];
    Cap[C] += Cap[c];
  });
  for (int r = b + 1; r <= std::min(n, 99); ++r) {
    int lo, hi;
    if (!levelCells(r, lo, hi)) continue;
    for (int c = lo; c <= hi; ++c) {
      const int p1 = child(c, 1), p2 = child(c, 2), p3 = child(c, 3), p4 = child(c, 4);
      double src = 0.0, ap = 0.0;
      for (int p : {p1, p2, p3, p4})
        if (p) src += Csource[p], ap += Cap[p];
      Csource[c] = src;
      Cap[c] = ap;
      outerCouplings(c, p1, p2, p3, p4);
    }
  }
  for (int C = NoCells + 1; C <= lastTwo; ++C) Cap[C] += Cae[C] + Caw[C] + Can[C] + Cas[C];
  for (int r = b + 1; r <= std::min(n, 99); ++r) {
    int lo, hi;
    if (!levelCells(r, lo, hi)) continue;
    for (int c = lo; c <= hi; ++c) Cap[c] += Cae[c] + Caw[c] + Can[c] + Cas[c];
  }
  return n;
}

int Acc2Dsolver(int levels) {
  if (!hierarchyReady()) return 0;
  double* R = residualArray(Equation);
  double* F = nullptr;
  switch (Equation) {
    case 1: F = Cxvel; break;
    case 2: F = Cyvel; break;
    case 3: F = Czvel; break;
    case 5: F = Ckinen; break;
    case 6: F = Cepsilon; break;
    default: break;
  }
  if (!R || !F) return 0;
  const int b = multigridColumnBlock();
  int first, last;
  if (!levelCells(b, first, last)) return 0;
  const int n = std::min(Flag2DAccSolver, levels);
  static thread_local int count;  // cells of the open column
  columnWalk([R](int c, int C, bool opens, bool closes) {
    if (opens) R[C] = 0.0, count = 0;
    R[C] += R[c];
    ++count;
    if (closes) R[C] /= count;
  });
  for (int r = b + 1; r <= std::min(n, 99); ++r) {
    int lo, hi;
    if (!levelCells(r, lo, hi)) continue;
    for (int c = lo; c <= hi; ++c) {
      double s = 0.0;
      int k = 0;
      for (int q = 1; q <= 4; ++q)
        if (const int p = child(c, q)) s += R[p], ++k;
      R[c] = k > 0 ? s / k : 0.0;
    }
  }
  // The levels relax the residual field; the caller's field pointer is put
  // back afterwards.
  double* const callerField = Cf;
  Cf = R;
  if (n >= 2)
    for (int r = std::min(NoBlocks + n, 99); r >= b + 1; --r) {
      int lo, hi;
      if (!levelCells(r, lo, hi)) continue;
      Gauss2D(lo, hi, 5);
      for (int c = lo; c <= hi; ++c)
        for (int k = 1; k <= 4; ++k)
          if (const int p = child(c, k)) R[p] = 0.5 * (R[p] + R[c]);
    }
  Gauss2D(first, last, 1);
  Cf = callerField;
  columnWalk([R, F](int c, int C, bool, bool) { F[c] += R[C]; });
  return n;
}
