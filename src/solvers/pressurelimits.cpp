// Limits and filters of the pressure around the pressure step: column means in
// supercritical columns (F 93), the vertical fluxes of each column rebuilt from
// its mass defects (F 69), the column pressure limits of block 1 (F 426) and the
// cap of a divided run (F 316 8). All run on the main thread between the
// parallel stages and allocate nothing.
#include <algorithm>
#include <cmath>

#include "flow/stages.h"
#include "solvers/columns.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

double horizontalSpeed(int c) { return std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]); }

double faceFlux(int f) { return faceInGrid(f) ? Fflux[f] : 0.0; }
void setFaceFlux(int f, double v) {
  if (faceInGrid(f)) Fflux[f] = v;
}
double topArea(int c) { return faceInGrid(Cflatet[c]) ? Farea[Cflatet[c]] : 0.0; }

// w from the mean of the fluxes under and over c: 0.0005 (Fb + Ft) / A, or
// with F 69 1 relaxed.
void velocityFromFluxes(int c, double weightOld, double factor) {
  const double a = topArea(c);
  if (!(a > 0.0)) return;
  Czvel[c] = weightOld * Czvel[c] + factor * (faceFlux(Cflateb[c]) + faceFlux(Cflatet[c])) / a;
}

// F 69 4: the column's positive and negative defects scaled to the same
// magnitude, the mean of the two, so that they sum to zero.
void balanceDefects(int top) {
  double P = 0.0, N = 0.0;
  forColumnDown(top, [&](int c) {
    if (Csource[c] > 0.0)
      P += Csource[c];
    else
      N -= Csource[c];
  });
  const double m = 0.5 * (P + N);
  forColumnDown(top, [&](int c) { Csource[c] *= Csource[c] > 0.0 ? m / (P + 1e-10) : m / (N + 1e-10); });
}

// Variants 1, 3 and 4: from the top cell down, the face under each cell gets
// minus the running sum of the defects above it (relaxed by 0.8/0.2 with 1
// and 4), then w of each cell the mean of its two vertical fluxes.
void fromTop(int top, int variant) {
  if (variant == 4) balanceDefects(top);
  double s = 0.0;
  forColumnDown(top, [&](int c) {
    s -= Csource[c];
    const int f = Cflateb[c];
    setFaceFlux(f, variant == 3 ? s : 0.8 * faceFlux(f) + 0.2 * s);
  });
  forColumnDown(top, [&](int c) {
    if (variant == 1)
      velocityFromFluxes(c, 0.8, 0.0001);
    else
      velocityFromFluxes(c, 0.0, 0.0005);
  });
}

// Variant 2: w of each cell from its own defect, then the faces between the
// cells from the mean of the two velocities.
void fromBottomVelocities(int bottom) {
  forColumnUp(bottom, [](int c) {
    const double a = topArea(c);
    if (a > 0.0) Czvel[c] = -0.001 * Csource[c] / a;
  });
  forColumnUp(bottom, [](int c) {
    const int t = cellAbove(c);
    if (t != 0) setFaceFlux(Cflatet[c], 500.0 * (Czvel[c] + Czvel[t]) * topArea(c));
  });
}

// Variant 5: from the bottom cell up, the face over each cell but the top one
// carries the running sum of the defects below it (what the cells below must
// pass upward), then w of every cell from its two vertical fluxes.
void fromBottomFluxes(int bottom) {
  double s = 0.0;
  forColumnUp(bottom, [&](int c) {
    if (cellAbove(c) == 0) return;
    s += Csource[c];
    setFaceFlux(Cflatet[c], s);
  });
  forColumnUp(bottom, [](int c) { velocityFromFluxes(c, 0.0, 0.0005); });
}

// F 426 1: a slow column's pressures scaled toward the hydrostatic bed
// pressure, never raised; a column whose bottom pressure is not positive has
// no ratio and is left as it is.
void filterSlowColumn(int bottom) {
  double H = 0.0, U = 0.0;
  int n = 0;
  forColumnUp(bottom, [&](int c) {
    H += Ckdist[c];
    U += horizontalSpeed(c);
    ++n;
  });
  U /= n;
  const double pb = Cpres[bottom];
  if (!(pb > 0.0)) return;
  const double ph = 9810.0 * 2.0 * H;
  const double F = 3.0 * U / std::sqrt(9.81 * 2.0 * H + 1e-30);
  const double target = F >= 1.0 ? pb : (F <= 0.0 ? ph : F * pb + (1.0 - F) * ph);
  const double r = std::min(1.0, target / pb);
  forColumnUp(bottom, [r](int c) { Cpres[c] *= r; });
}

// F 426 2: at most twice the hydrostatic pressure at the cell centre.
void capTwiceHydrostatic(int top) {
  double above = 0.0;  // water over the top face of the cell
  forColumnDown(top, [&](int c) {
    Cpres[c] = std::min(Cpres[c], 2.0 * 9810.0 * (above + Ckdist[c]));
    above += 2.0 * Ckdist[c];
  });
}

// F 426 3: downward the pressure grows at most by twice the hydrostatic
// increase over the cell's height.
void capDownwardGrowth(int top) {
  forColumnDown(cellBelow(top), [](int c) {
    Cpres[c] = std::min(Cpres[c], Cpres[cellAbove(c)] + 39240.0 * Ckdist[c]);
  });
}

}  // namespace

void FroudeHystatFunction() {
  double* const p = Cf;
  // Every column of the flow's work range, from its bottom cell (the bed
  // cells need not be numbered in a flow run).
  for (int bottom = std::max(WCStart, 1); bottom <= WCEnd && bottom <= NoCells; ++bottom) {
    if (Ccellb[bottom] != 0) continue;
    double D = 0.0, U = 0.0, P = 0.0, Fm = 0.0;
    int n = 0;
    forColumnUp(bottom, [&](int c) {
      D += 2.0 * Ckdist[c];
      U += horizontalSpeed(c);
      P += Cpres[c];
      if (p) Fm += p[c];
      ++n;
    });
    U /= n;
    if (!(U * U > 9.81 * D)) continue;
    P /= n;
    Fm /= n;
    forColumnUp(bottom, [&](int c) {
      Cpres[c] = P;
      if (p) p[c] = Fm;
    });
  }
}

void SeicheFunctions() {
  const int v = Seiche4;
  if (v < 1 || v > 5) return;
  const bool topStart = v == 1 || v == 3 || v == 4;
  for (int c = std::max(WCStart, 1); c <= WCEnd && c <= NoCells; ++c) {
    const bool top = Ccellt[c] == 0 && Ccellb[c] != 0;
    const bool bottom = Ccellb[c] == 0 && Ccellt[c] != 0;
    if (topStart ? !top : !bottom) continue;
    if (topStart)
      fromTop(c, v);
    else if (v == 2)
      fromBottomVelocities(c);
    else
      fromBottomFluxes(c);
  }
}

void pressureFilter() {
  const int v = FlagPresFilter;
  if (v < 1 || v > 3 || NoBlocks < 1) return;
  // The columns of block 1 from their bottom cells, whether or not the bed
  // cells are numbered.
  const BlockRecord& B = block[1];
  for (int bottom = std::max(B.firstCell, 1); bottom <= B.lastCell && bottom <= NoCells; ++bottom) {
    if (Ccellb[bottom] != 0) continue;
    if (v == 1)
      filterSlowColumn(bottom);
    else if (v == 2)
      capTwiceHydrostatic(columnTopCell(bottom));
    else
      capDownwardGrowth(columnTopCell(bottom));
  }
}

void limitPressureMPI() {
  if (jPresUp[1] == 0 || NoBlocks < 1) return;
  // A reference column outside the grid or without cells gives no reference:
  // nothing is limited (its pressure 0 would empty every deeper cell).
  const int ref = lowestCellOf(block[1].i1, jPresUp[1]);
  if (ref == 0) return;
  const double pref = Cpres[ref];
  for (int c = std::max(WCStart, 1); c <= WCEnd && c <= NoCells; ++c)
    if (Cpres[c] > pref + 9810.0) Cpres[c] = pref;
}

void pressure_sourceMPI() {}
void pressure_sourceMPI2() {}
void pressure_transferMPI() {}
