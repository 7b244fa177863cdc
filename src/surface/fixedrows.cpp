// Fixed rows of the two-dimensional surface-height equation (one row per water
// column, at its lowest cell).
//
// setSurfaceBoundary ties the reference columns and the columns along the
// outlet groups to the reference levels (the level change towards it, or
// with F 36 9 the level itself), and for F 36 9 adds the discharge of the
// groups to the column sources and raises the start values to the reference
// level. computeWeirs fixes the columns of each G 28 weir at the level the
// weir formula gives for the discharge across it; it runs after
// setSurfaceBoundary, so that a weir column on an outlet keeps the weir level.
#include <algorithm>
#include <cmath>

#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/surface.h"

namespace {

constexpr double kFixed = 1e20;  // diagonal of a fixed row
constexpr double kWeir = 1e30;   // diagonal of a weir row

int lowestOf(int c) {
  int low = 0;
  forColumnDown(c, [&low](int x) { low = x; });
  return low;
}

// The fixed value of a column whose top cell is t against the reference
// level z: the level itself for F 36 9, else the change towards it.
double fixedValue(int t, double z) { return FlagTFS == 9 ? z : z - (Czcenter[t] + Ckdist[t]); }

// Fixes the row of the lowest cell of the column of c.
void fixColumnOf(int c, double z) {
  if (!cellInGrid(c)) return;
  const int b = lowestOf(c);
  Cap[b] = kFixed;
  Csource[b] = kFixed * fixedValue(columnTopCell(c), z);
}

// The faces of an outlet group fix the columns of those of their cells that
// are the lowest cells of their columns.
void fixOutletGroup(int g, double z) {
  if (g < 1 || g > 9) return;
  const DischargeGroup& G = DischargeStruct[g];
  const int n = groupFaceCount(G);
  for (int k = 0; k < n; ++k) {
    const int x = groupFaceCell(G.face[k]);
    if (x == 0 || Ccellb[x] != 0) continue;
    Cap[x] = kFixed;
    Csource[x] = kFixed * fixedValue(columnTopCell(x), z);
  }
}

// F 36 9: the discharge of the groups of one direction (1 inflow, 0 outflow)
// into the sources of the columns of their faces, per face its share of the
// group's discharge over the plan area of the column.
void groupSources(int inflow, double sign) {
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    const int n = groupFaceCount(G);
    if (n <= 0 || G.inflow != inflow) continue;
    const double q = DischargeArray[g] * 0.001 / (G.area + 1e-30);
    for (int k = 0; k < n; ++k) {
      const int f = G.face[k];
      const int x = groupFaceCell(f);
      if (x == 0) continue;
      const int b = lowestOf(x);
      const int bottom = Cflateb[b];
      const double plan = faceInGrid(bottom) ? std::fabs(Faz[bottom]) : 0.0;
      if (!(plan > 0.0)) continue;
      Csource[b] += sign * Farea[f] * q / plan;
    }
  }
}

// Discharge (m3/s) across the columns of a weir: per cell of each column the
// mean area vector of the two faces across the weir line times the velocity.
double weirDischarge(const Weir& w, bool alongI) {
  double Q = 0.0;
  auto face = [](int f, const double* a) { return faceInGrid(f) ? a[f] : 0.0; };
  const int from = alongI ? w.i1 : w.j1, to = alongI ? w.i2 : w.j2;
  for (int m = from; m <= to; ++m) {
    const int c = alongI ? lowestCellOf(m, w.j1) : lowestCellOf(w.i1, m);
    forColumnUp(c, [&](int x) {
      const int a = alongI ? Cflatee[x] : Cflates[x];
      const int b = alongI ? Cflatew[x] : Cflaten[x];
      Q += 0.5 * (face(a, Fax) + face(b, Fax)) * Cxvel[x] + 0.5 * (face(a, Fay) + face(b, Fay)) * Cyvel[x];
    });
  }
  return Q;
}

double weirLevel(const Weir& w, double Q) {
  // Q = C (h - crest)^n. Without a discharge over the crest (none, or the
  // flow running back across the weir) the level holds at the crest.
  const double ratio = Q / w.coefficient;
  if (!(ratio > 0.0) || !(w.exponent > 0.0) || !std::isfinite(ratio)) return w.crest;
  return std::pow(ratio, 1.0 / w.exponent) + w.crest;
}

}  // namespace

void setSurfaceBoundary() {
  if (!zval) return;
  const int c1 = lowestCellOf(iPres, jPres);
  if (c1 != 0) fixColumnOf(c1, GlobZRef);
  if (jSurf > 0) {
    const int c2 = lowestCellOf(iPres2, jPres2);
    if (c2 != 0) fixColumnOf(c2, GlobZRef2);
  }
  if (kSurf > 0) fixOutletGroup(kSurf, GlobZRef);
  if (kSurf2 > 0) fixOutletGroup(kSurf2, GlobZRef2);
  if (FlagTFS != 9) return;

  groupSources(1, 1.0);
  groupSources(0, -1.0);
  if (jSurf != 0 || c1 == 0 || !Cf) return;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const BlockRecord& B = block[b];
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        const int c = lowestCellOf(i, j);
        if (c != 0) Cf[c] = std::max(Cf[c], GlobZRef);
      }
  }
}

void computeWeirs() {
  if (!zval) return;
  const int count = std::clamp(NoWeirs, 0, MaxWeirs);
  for (int k = 0; k < count; ++k) {
    const Weir& w = Weirs[k];
    bool alongI;
    if (w.j1 == w.j2)
      alongI = true;
    else if (w.i1 == w.i2)
      alongI = false;
    else
      continue;
    const double h = weirLevel(w, weirDischarge(w, alongI));
    const int from = alongI ? w.i1 : w.j1, to = alongI ? w.i2 : w.j2;
    for (int m = from; m <= to; ++m) {
      const int c = alongI ? lowestCellOf(m, w.j1) : lowestCellOf(w.i1, m);
      if (c == 0) continue;
      Cap[c] += kWeir;
      Csource[c] = kWeir * h;
    }
  }
}
