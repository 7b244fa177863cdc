// The corner-level update: the surface-height equation gives one value per
// water column, the grid carries its water level at the grid points (the
// corners of the columns). Each point takes the mean of the columns around
// it (surfaceUpdate), or a mean weighted towards the columns it lies
// downstream of (surfaceUpdateDownwind); surfacePreventDiv then raises the
// levels where the flow leaves a column towards a dry one.
#include <algorithm>
#include <cmath>

#include "state/log.h"
#include "io/modelfiles.h"
#include "output/output.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/heightequation.h"

namespace {

using surfacegrid::Window;

using surfacegrid::cornerColumns;

bool columnsAround(int i, int j) { return surfacegrid::anyColumnAround(i, j); }

double froudeOf(int c) {
  if (!BFroude || !Cbed || !c) return 0.0;
  const int b = Cbed[c];
  return b >= 1 && b < bedCellCapacity() ? BFroude[b] : 0.0;
}

// A point that an earlier updated block holds as well was updated there.
bool updatedBefore(int b, int i, int j) {
  for (int e = 1; e < b; ++e)
    if (surfacegrid::updatedBlock(e) && surfacegrid::pointWindow(block[e]).holds(i, j)) return true;
  return false;
}

// Calls visit(i, j) once for every grid point of the updated blocks.
template <typename F>
void forEachPoint(F visit) {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const Window w = surfacegrid::pointWindow(block[b]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j)
        if (!updatedBefore(b, i, j)) visit(i, j);
  }
}

[[noreturn]] void stopOnSum(int i, int j, int n, double s, const int cell[4]) {
  logf("Error in surface update. index = %d, pres = %lf\n", n, s);
  logf("Location i=%d, j=%d, zval[0] = %d, %d, %d, %d\n", i, j, lowestCellOf(i, j), lowestCellOf(i + 1, j),
       lowestCellOf(i + 1, j + 1), lowestCellOf(i, j + 1));
  logf("Cpres[i1-4] = %lf %lf %lf %lf\n", Cpres[cell[0]], Cpres[cell[1]], Cpres[cell[2]], Cpres[cell[3]]);
  fatal(-99, "Error: the surface update found a column value that is not a number\n\n");
}

// F 369 1: the state of the run is written and the run ends. Levels that are
// not numbers cannot be read back from the restart file: they are written as
// 1000.0 and each such point is named in the log.
[[noreturn]] void stopOnLevel(int i, int j) {
  logf("surfaceUpdate: Bug found for z values in grid: (%d,%d), Iter = %d\n", i, j, Iter);
  logf("Z levels: %lf %lf\n", zval[i][j][1], zval[i][j][znumber]);
  for (int a = 0; a <= xnumber + 1; ++a)
    for (int b = 0; b <= ynumber + 1; ++b)
      if (std::isnan(zval[a][b][znumber])) {
        logf("Warning: the water level of grid point (%d,%d) is not a number; the restart file holds 1000.0 there\n", a,
             b);
        zval[a][b][znumber] = 1000.0;
      }
  WriteAllData();
  print_paraview3d(1);
  fatal(-1, "Error: the surface update stopped on an implausible water level\n\n");
}

bool implausible(double z) { return !(z >= -1000.0 && z <= 10000.0); }

// F 36 9: the new column levels differ from the old ones by less than 0.1 %
// of the depth in all.
bool casulliSettled() {
  double change = 0.0, depth = 0.0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const BlockRecord& B = block[b];
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        const int c = lowestCellOf(i, j);
        if (!c) continue;
        const int t = columnTopCell(c);
        change += std::fabs(Cf[c] - (Czcenter[t] + Ckdist[t]));
        forColumnUp(c, [&depth](int x) { depth += 2.0 * Ckdist[x]; });
      }
  }
  return change < 0.001 * depth;
}

double damping(double Fr) {
  if (FlagFroudeDamp == 1) return std::max(1.0 - Fr, 0.0001);
  if (FlagFroudeDamp == 2) return std::max(0.5 - Fr, 0.001);
  return 1.0;
}

void updatePoint(int i, int j, ColumnValue kind) {
  int cell[4] = {0, 0, 0, 0};
  const int n = columnsAround(i, j) ? cornerColumns(i, j, cell) : 0;
  if (n > 0) {
    const double s = Cf[cell[0]] + Cf[cell[1]] + Cf[cell[2]] + Cf[cell[3]];
    if (std::isnan(s)) stopOnSum(i, j, n, s, cell);
    const double m = s / n;
    const double L = zval[i][j][znumber];
    const double Fr = (froudeOf(cell[0]) + froudeOf(cell[1]) + froudeOf(cell[2]) + froudeOf(cell[3])) / n;
    double z;
    if (kind != ColumnValue::CasulliLevel) {
      double dh = (kind == ColumnValue::Level ? m - L : m) * RelaxSurface * scaleBackwater2;
      if (FlagFroudeDamp > 0 && dh < 0) dh *= damping(Fr);
      z = L + dh;
    } else {
      z = (1.0 - relaxCasulli) * m + relaxCasulli * L;
      if (FlagFroudeDamp > 0 && z < L) z = L - (L - z) * damping(Fr);
    }
    zval[i][j][znumber] = z;
    if (Surfaces) Surfaces[4][i][j] = z - zval[i][j][znumber + 1];
    zval[i][j][znumber + 1] = z;
  }
  if (FlagBugFind == 1 && implausible(zval[i][j][znumber])) stopOnLevel(i, j);
}

}  // namespace

void surfaceUpdate() { surfaceUpdateOf(FlagTFS == 9 ? ColumnValue::CasulliLevel : ColumnValue::Change); }

void surfaceUpdateOf(ColumnValue kind) {
  if (!zval || !Cf) return;
  Cf[0] = 0.0;
  if (kind == ColumnValue::CasulliLevel && casulliSettled()) return;
  Cpres[0] = 0.0;
  forEachPoint([kind](int i, int j) { updatePoint(i, j, kind); });
  if (FlagFlushWaterLevel > 0 && NoBlocks >= 1) {
    const Window w = surfacegrid::pointWindow(block[1]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j)
        zval[i][j][znumber] = std::max(FlushWaterLevelMin, std::min(FlushWaterLevelMax, zval[i][j][znumber]));
  }
}

void surfaceUpdateDownwind() {
  if (!zval || !Cf) return;
  Cf[0] = 0.0;
  forEachPoint([](int i, int j) {
    if (!columnsAround(i, j)) return;
    int cell[4];
    cornerColumns(i, j, cell);
    const double x = xval[i][j], y = yval[i][j];
    double sumW = 0.0, sum = 0.0;
    for (int k : cell) {
      if (!k) continue;
      const double w = (x - Cxcenter[k]) * Cxvel[k] + (y - Cycenter[k]) * Cyvel[k];
      const double weight = w > 0 ? w + 1e-10 : 1e-10;
      sumW += weight;
      sum += Cf[k] * weight;
    }
    const double dh = sum / (sumW + 1e-20);
    surfacegrid::setLevel(i, j, zval[i][j][znumber] + dh * RelaxSurface);
  });
}

namespace {

// Raises grid point (i, j) towards zf by the factor g, never lowering it.
void raiseTowards(int i, int j, double zf, double g) {
  if (!surfacegrid::onGrid(i, j)) return;
  const double L = zval[i][j][znumber];
  surfacegrid::setLevel(i, j, L + std::max(0.0, zf - L) * g);
}

double faceValue(const double* a, int f) { return faceInGrid(f) ? a[f] : 0.0; }

// F 229 1: a column whose flow leaves across a side with a dry column
// beyond raises the two grid points of that side towards the level the
// friction slope gives there.
void dryEdges(int i, int j, int c) {
  const int t = columnTopCell(c);
  const bool wetW = surfacegrid::wetColumn(i - 1, j), wetS = surfacegrid::wetColumn(i, j - 1);
  const bool wetE = surfacegrid::wetColumn(i + 1, j), wetN = surfacegrid::wetColumn(i, j + 1);
  const double u = Cxvel[t], v = Cyvel[t];
  const double speed = std::sqrt(u * u + v * v);
  const double zs = Czcenter[t] + Ckdist[t], h = 2.0 * Ckdist[t];
  struct Side {
    bool wet;
    int face;
    bool leavesBelow;  // west, south: leaving when the cosine is below -0.5
    double d;
    int i1, j1, i2, j2;
  };
  const Side sides[4] = {
      {wetW, Cflatew[t], true, Cidist[t], i - 1, j, i - 1, j - 1},
      {wetS, Cflates[t], true, Cjdist[t], i, j - 1, i - 1, j - 1},
      {wetE, Cflatee[t], false, Cidist[t], i, j, i, j - 1},
      {wetN, Cflaten[t], false, Cjdist[t], i, j, i - 1, j},
  };
  for (const Side& s : sides) {
    if (s.wet) continue;
    const double cs = (u * faceValue(Fvx, s.face) + v * faceValue(Fvy, s.face)) / (speed + 1e-20);
    if (s.leavesBelow ? !(cs < -0.5) : !(cs > 0.5)) continue;
    const double S = 1.0 / std::pow(ManningInit * std::pow(h, 0.666667) / (speed + 1e-20) + 1e-20, 2.0);
    const double zf = zs - s.d * S;
    const double Cr = TimeStep * speed / (s.d + 1e-20);
    const double g = Cr <= 1.0 ? std::fabs(cs) * Cr : std::fabs(cs);
    raiseTowards(s.i1, s.j1, zf, g);
    raiseTowards(s.i2, s.j2, zf, g);
  }
}

double largestCornerDepth(int i, int j) {
  double d = -1e300;
  const int pi[4] = {i, i - 1, i, i - 1}, pj[4] = {j, j, j - 1, j - 1};
  for (int m = 0; m < 4; ++m)
    if (surfacegrid::onGrid(pi[m], pj[m])) d = std::max(d, zval[pi[m]][pj[m]][znumber] - zval[pi[m]][pj[m]][1]);
  return d;
}

// F 229 2: a shallow column between two dry sides whose flow runs across
// them has its corners raised to MinVertDist0 (plus 1e-5) of depth.
void shallowColumn(int i, int j, int c) {
  if (!(froudeOf(c) > 0.1)) return;
  if (!(largestCornerDepth(i, j) < MinVertDist0)) return;
  const double u = Cxvel[c], v = Cyvel[c];
  const double speed = std::sqrt(u * u + v * v + 1e-20);
  auto across = [&](int f1, int f2, bool dry) {
    if (!dry) return;
    const double c2 = (u * (faceValue(Fvx, f1) + faceValue(Fvx, f2)) + v * (faceValue(Fvy, f1) + faceValue(Fvy, f2))) / speed;
    if (!(c2 > 0.5)) return;
    // A second raise of the same column only makes up what the first left.
    const double rise = MinVertDist0 - largestCornerDepth(i, j) + 1e-5;
    if (!(rise > 0)) return;
    const int pi[4] = {i, i - 1, i, i - 1}, pj[4] = {j, j, j - 1, j - 1};
    for (int m = 0; m < 4; ++m)
      if (surfacegrid::onGrid(pi[m], pj[m])) surfacegrid::setLevel(pi[m], pj[m], zval[pi[m]][pj[m]][znumber] + rise);
  };
  across(Cflaten[c], Cflates[c], !surfacegrid::wetColumn(i, j + 1) && !surfacegrid::wetColumn(i, j - 1));
  across(Cflatee[c], Cflatew[c], !surfacegrid::wetColumn(i + 1, j) && !surfacegrid::wetColumn(i - 1, j));
}

}  // namespace

void surfacePreventDiv() {
  if (!zval || (FlagPreventDiv != 1 && FlagPreventDiv != 2)) return;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const BlockRecord& B = block[b];
    for (int i = B.i1 + 1; i <= B.i2 - 1; ++i)
      for (int j = B.j1 + 1; j <= B.j2 - 1; ++j) {
        const int c = lowestCellOf(i, j);
        if (!c) continue;
        if (FlagPreventDiv == 1)
          dryEdges(i, j, c);
        else
          shallowColumn(i, j, c);
      }
  }
}
