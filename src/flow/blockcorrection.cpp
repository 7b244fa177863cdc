// Block correction of a cell equation (K 5 values 1..3): the equations of all
// cells of a grid line (the water columns with the same j, or the same i) are
// summed into one equation per line, the lines form a tri-diagonal system,
// and each line's correction is added to every cell of its columns. First the
// j-lines, then the i-lines, each from the residuals of the current field.
// Long-wave errors, which the point solvers remove slowly, go at once.
#include <algorithm>
#include <cmath>
#include <vector>

#include "flow/stages.h"
#include "state/log.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }
inline double at(const double* phi, int c) { return cellOk(c) ? phi[c] : 0.0; }

// The lowest cell of column (i, j), 0 for a dry column or one outside the grid.
int lowestCell(int i, int j) {
  if (!zval || i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const double z = zval[i][j][0];
  if (!(z >= 1.0) || z > NoCells) return 0;
  return static_cast<int>(z);
}

// Which lateral coefficients of a column's cells couple within its line.
struct InLine {
  bool e, w, n, s;
};

struct LineSums {
  double B = 0, AF = 0, AB = 0, R = 0;
};

// Adds the cells of a column to the sums of its line; j-lines couple to the
// next line through Can, i-lines through Cae.
void addColumn(const double* phi, int i, int j, InLine in, bool jLine, LineSums& s) {
  int c = lowestCell(i, j);
  for (int guard = 0; cellOk(c) && guard < NoCells; c = Ccellt[c], ++guard) {
    if (!(Cap[c] < 1e15)) continue;
    double b = Cap[c] - Cat[c] - Cab[c];
    if (in.e) b -= Cae[c];
    if (in.w) b -= Caw[c];
    if (in.n) b -= Can[c];
    if (in.s) b -= Cas[c];
    s.B += b;
    s.AF += jLine ? Can[c] : Cae[c];
    s.AB += jLine ? Cas[c] : Caw[c];
    s.R += Csource[c] - Cap[c] * phi[c] + Caw[c] * at(phi, Ccellw[c]) + Cae[c] * at(phi, Ccelle[c]) +
           Cas[c] * at(phi, Ccells[c]) + Can[c] * at(phi, Ccelln[c]) + Cat[c] * at(phi, Ccellt[c]) +
           Cab[c] * at(phi, Ccellb[c]);
  }
}

void shiftColumn(double* phi, int i, int j, double delta) {
  int c = lowestCell(i, j);
  for (int guard = 0; cellOk(c) && guard < NoCells; c = Ccellt[c], ++guard) phi[c] += delta;
}

// The work vectors hold one entry per line of a sequence, entry 0 the start.
// They grow (outside the sweeps) when a sequence has more lines than the
// largest grid dimension they were allocated for.
double* measuredFor = nullptr;
std::size_t lineCapacity = 0;

void ensureLines(int lines) {
  if (Spt != measuredFor || !Sqt) {
    measuredFor = Spt;
    lineCapacity = Spt && Sqt ? alloc::extent(std::max({xnumber, ynumber, znumber}), 2) : 0;
  }
  const std::size_t need = static_cast<std::size_t>(lines) + 2;
  if (need <= lineCapacity) return;
  if (Spt) alloc::release(reinterpret_cast<void**>(&Spt));
  if (Sqt) alloc::release(reinterpret_cast<void**>(&Sqt));
  if (!allocate1(Spt, need) || !allocate1(Sqt, need))
    fatal(-2, "Error: no memory for the %d line sums of the block correction\n", lines);
  measuredFor = Spt;
  lineCapacity = need;
}

// The sums of every line of a sequence and, after the back substitution, the
// correction of each line; entry L for line L. Grown outside the sweeps.
struct LineWork {
  LineSums sums;
  double delta = 0.0;
};
std::vector<LineWork> lineWork;

// One tri-diagonal sequence of `lines` lines; columns(L, fn) calls
// fn(i, j, inLine) for every column of line L (1..lines). P and Q start at 0.
// The sums of a line read the field only and are formed column by column in
// the same order on any thread count; the lines are then corrected apart, on
// all threads when `disjoint` (no column lies in two lines of the sequence).
template <class Columns>
void solveSequence(double* phi, int lines, bool jLine, bool disjoint, Columns columns) {
  if (lines <= 0) return;
  ensureLines(lines);
  if (lineWork.size() < static_cast<std::size_t>(lines) + 1) lineWork.resize(static_cast<std::size_t>(lines) + 1);
  LineWork* const work = lineWork.data();
#pragma omp parallel for schedule(static) if (NoProcessesSolver > 0 && lines > 1)
  for (int L = 1; L <= lines; ++L) {
    LineSums s;
    columns(L, [&](int i, int j, InLine in) { addColumn(phi, i, j, in, jLine, s); });
    work[L].sums = s;
  }
  Spt[0] = Sqt[0] = 0.0;
  for (int L = 1; L <= lines; ++L) {
    const LineSums& s = work[L].sums;
    double den = s.B - s.AB * Spt[L - 1];
    if (std::fabs(den / (s.B + 1e-20)) < 1e-10) den = 1e30;
    Spt[L] = s.AF / den;
    Sqt[L] = (s.R + s.AB * Sqt[L - 1]) / den;
  }
  double delta = 0.0;
  for (int L = lines; L >= 1; --L) work[L].delta = delta = Spt[L] * delta + Sqt[L];
#pragma omp parallel for schedule(static) if (NoProcessesSolver > 0 && disjoint && lines > 1)
  for (int L = lines; L >= 1; --L) {
    const double d = work[L].delta;
    columns(L, [&](int i, int j, InLine) { shiftColumn(phi, i, j, d); });
  }
}

bool takesPart(const BlockRecord& b, bool needActive) { return b.kind == 0 && (!needActive || b.active == 1); }
int lastBlock() { return std::clamp(NoBlocks, 0, 99); }

// j-lines j1..j2 of block b: the columns i1..i2; Cae in-line except in
// column i2, Caw except in column i1.
template <class Fn>
void jLineColumns(const BlockRecord& b, int j, Fn fn) {
  for (int i = b.i1; i <= b.i2; ++i) fn(i, j, InLine{i != b.i2, i != b.i1, false, false});
}
template <class Fn>
void iLineColumns(const BlockRecord& b, int i, Fn fn) {
  for (int j = b.j1; j <= b.j2; ++j) fn(i, j, InLine{false, false, j != b.j2, j != b.j1});
}

void perBlock(double* phi) {
  for (int n = 1; n <= lastBlock(); ++n) {
    const BlockRecord& b = block[n];
    if (!takesPart(b, true)) continue;
    solveSequence(phi, b.j2 - b.j1 + 1, true, true, [&b](int L, auto fn) { jLineColumns(b, b.j1 + L - 1, fn); });
  }
  for (int n = 1; n <= lastBlock(); ++n) {
    const BlockRecord& b = block[n];
    if (!takesPart(b, true)) continue;
    solveSequence(phi, b.i2 - b.i1 + 1, false, true, [&b](int L, auto fn) { iLineColumns(b, b.i1 + L - 1, fn); });
  }
}

// Whether two blocks that take part share a column: their j-lines then
// correct that column twice, in the order of the lines.
bool windowsOverlap() {
  for (int n = 1; n <= lastBlock(); ++n)
    for (int m = 1; m < n; ++m) {
      const BlockRecord &a = block[n], &b = block[m];
      if (takesPart(a, true) && takesPart(b, true) && a.i1 <= b.i2 && b.i1 <= a.i2 && a.j1 <= b.j2 && b.j1 <= a.j2)
        return true;
    }
  return false;
}

void acrossBlocks(double* phi) {
  // The j-lines of all blocks, block by block, as one sequence.
  int lines = 0;
  for (int n = 1; n <= lastBlock(); ++n)
    if (takesPart(block[n], true)) lines += std::max(block[n].j2 - block[n].j1 + 1, 0);
  solveSequence(phi, lines, true, !windowsOverlap(), [](int L, auto fn) {
    for (int n = 1; n <= lastBlock(); ++n) {
      const BlockRecord& b = block[n];
      if (!takesPart(b, true)) continue;
      const int count = std::max(b.j2 - b.j1 + 1, 0);
      if (L <= count) {
        jLineColumns(b, b.j1 + L - 1, fn);
        return;
      }
      L -= count;
    }
  });
  // The i-lines 2..imax through every block: column (i, j) for each j of a
  // block's window, whatever its i window; a j shared by several blocks
  // enters once.
  int imax = 2;
  for (int n = 1; n <= lastBlock(); ++n)
    if (takesPart(block[n], true)) imax = std::max(imax, block[n].i2);
  const int jTop = block[lastBlock()].j2;
  solveSequence(phi, imax - 1, false, true, [jTop](int L, auto fn) {
    const int i = L + 1;
    for (int n = 1; n <= lastBlock(); ++n) {
      const BlockRecord& b = block[n];
      if (!takesPart(b, false)) continue;
      for (int j = b.j1; j <= b.j2; ++j) {
        bool seen = false;
        for (int m = 1; m < n && !seen; ++m)
          seen = takesPart(block[m], false) && j >= block[m].j1 && j <= block[m].j2;
        if (!seen) fn(i, j, InLine{false, false, j != jTop, j != 2});
      }
    }
  });
}

}  // namespace

void BlockCorrection() {
  const int eq = std::clamp(Equation, 0, kEquationTableSize - 1);
  if (sou[eq] == 1 && Caee) return;
  if (QNFlag > 0 || (BlockMethodFlag != 0 && BlockMethodFlag != 1)) return;
  double* phi = Cf;
  if (!phi || !zval) return;
  if (BlockMethodFlag == 0)
    perBlock(phi);
  else
    acrossBlocks(phi);
}
