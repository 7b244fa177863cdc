// The classic update of the water surface: every grid point of an updated
// block moves from the mean pressure head of the top cells of its (up to) four
// corner columns towards the level at which its height above the reference
// level equals that head.
//
// Variants, tried in this order:
//   F 143 1, 2  regression: the pressures fitted over the flow iterations
//               since the last move (1 linear fit at RegIter, 2 the mean);
//   F 480 > 0   unrelaxed: the full difference, grid lines swept from i2 down;
//   otherwise   relaxed by RelaxSurface, with one reference column, or with
//               two (ref2 not 0), between which the reference pair is
//               interpolated by distance.
// Only slots znumber and znumber+1 of zval change (and, for F 143, the
// regression pressures become one fitted pressure per column).
//
// A grid point that two updated blocks share (the last grid line of one is the
// first of the next) is moved once per move, by the first block that reaches
// it: relaxing it again from its new level would move it by more than the
// relaxation allows.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/surface.h"

namespace {

// Pressure (Pa) to head (m of water).
constexpr double kHead = 0.000101937;

// How the level change is formed.
enum class Variant { OneReference, TwoReferences, Unrelaxed };

struct Sweep {
  Variant variant;
  double zRef, presRef;     // reference pair of this move
  double zRef2, presRef2;   // second pair (two references)
  double xRef, yRef;        // centre of the first reference column
  double xRef2, yRef2;      // centre of the second
  bool columnMeanPressure;  // F 233 6, 7 with Bpresavg
  bool regression;          // F 143: pressures of the regression sums
  int bedCells;             // bed cells that may be indexed
};

bool validCell(int c) { return c >= 1 && c <= NoCells; }

bool onGrid(int i, int j) { return i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }

// Column cell of column (i, j); 0 for no cell, a point off the grid, or a
// slot that holds no valid cell number.
int columnCell(int i, int j) {
  if (!onGrid(i, j)) return 0;
  const double v = zval[i][j][0];
  if (!(v >= 1.0) || v >= static_cast<double>(NoCells) + 1.0) return 0;
  return static_cast<int>(v);
}

// Neighbour of cell c in a neighbour array, 0 when c or the neighbour is not
// a valid cell.
int neighbour(const int* a, int c) {
  if (!validCell(c)) return 0;
  return validCell(a[c]) ? a[c] : 0;
}

int topCell(int c) {
  if (!validCell(c)) return 0;
  for (int steps = 0; steps < NoCells && validCell(Ccellt[c]); ++steps) c = Ccellt[c];
  return c;
}

bool updatedBlock(int b) {
  return b >= 1 && b < 100 && block[b].gridLevel == 0 && SurfUpdate[b] == 1;
}

// Marks of the grid points moved in this move, one byte per grid line (i, j).
std::vector<unsigned char> moved;

void clearMarks() {
  moved.assign(static_cast<std::size_t>(xnumber + 2) * static_cast<std::size_t>(ynumber + 2), 0);
}
std::size_t markIndex(int i, int j) {
  return static_cast<std::size_t>(i) * static_cast<std::size_t>(ynumber + 2) + static_cast<std::size_t>(j);
}

// The top cells around grid point (i, j): the columns (i, j), (i, j+1),
// (i+1, j+1), (i+1, j), in c[0..3]; with more than one block the missing ones
// are taken across block borders from the neighbours of the present ones.
// raw[0..3] are the top cells of the columns themselves, without that filling.
// Returns the number of cells in c (0: the point has no column).
int cornerCells(int i, int j, int c[4], int raw[4]) {
  c[0] = columnCell(i, j);
  c[1] = columnCell(i, j + 1);
  c[2] = columnCell(i + 1, j + 1);
  c[3] = columnCell(i + 1, j);
  if (c[0] + c[1] + c[2] + c[3] == 0) return 0;
  for (int k = 0; k < 4; ++k) raw[k] = topCell(c[k]);
  const bool topFirst = TopBed == 1;
  if (topFirst)
    for (int k = 0; k < 4; ++k) c[k] = raw[k];
  if (NoBlocks > 1) {
    int &c1 = c[0], &c2 = c[1], &c3 = c[2], &c4 = c[3];
    for (int pass = 0; pass < 2; ++pass) {
      if (c1 == 0) {
        c1 = neighbour(Ccells, c2);
        if (c1 == 0) c1 = neighbour(Ccellw, c4);
      }
      if (c2 == 0 && c1 != 0) {
        c2 = neighbour(Ccelln, c1);
        if (c2 == 0) c2 = neighbour(Ccellw, c3);
      }
      if (c3 == 0 && c2 != 0) {
        c3 = neighbour(Ccelle, c2);
        if (c3 == 0) c3 = neighbour(Ccelln, c4);
      }
      if (c4 == 0 && c1 != 0) {
        c4 = neighbour(Ccelle, c1);
        if (c4 == 0) c4 = neighbour(Ccells, c3);
      }
    }
  }
  if (!topFirst)
    for (int k = 0; k < 4; ++k) c[k] = topCell(c[k]);
  int n = 0;
  for (int k = 0; k < 4; ++k) n += c[k] != 0;
  return n;
}

// Bed cell of cell c, 0 when it has none the arrays hold.
int bedCell(const Sweep& s, int c) {
  const int b = Cbed[c];
  return b >= 1 && b <= s.bedCells ? b : 0;
}

// Regression pressure of the column of cell c (0 when its column is unknown).
double regressionPressure(const Sweep& s, int c) {
  const int b = bedCell(s, c);
  if (b == 0) return 0.0;
  const int i = Bkooi[b], j = Bkooj[b];
  return onGrid(i, j) ? PresRegresSumPres[i][j] : 0.0;
}

// Lowest depth at which the mean speed of the corner still has the Froude
// number F 132, for wet points.
double froudeFloor(double dz, double zs, double zb, double u, double v) {
  if (FroudeMaxSurface > 0.5 && zs > zb)
    dz = std::max(dz, (u * u + v * v) / (FroudeMaxSurface * FroudeMaxSurface * 9.81) - (zs - zb));
  return dz;
}

// The change bounded so that the slope to the present levels of the four
// neighbouring grid points of the block stays within F 148.
double slopeBound(double dz, const BlockRecord& B, int i, int j, double zs) {
  if (!(MaxSurfSlope > 0.0)) return dz;
  double hi = 100000.0, lo = -100000.0;
  const auto take = [&](int a, int b) {
    if (!onGrid(a, b)) return;
    const double l = std::hypot(xval[a][b] - xval[i][j], yval[a][b] - yval[i][j]);
    const double z = zval[a][b][znumber];
    hi = std::min(hi, z + l * MaxSurfSlope);
    lo = std::max(lo, z - l * MaxSurfSlope);
  };
  if (i >= B.i1) take(i - 1, j);
  if (i < B.i2) take(i + 1, j);
  if (j < B.j2) take(i, j + 1);
  if (j >= B.j1) take(i, j - 1);
  dz = std::min(dz, hi - zs);
  dz = std::max(dz, lo - zs);
  if (lo > hi) dz = 0.0;
  return dz;
}

// The two-reference head difference of a point at (x, y): the reference pair
// interpolated between the two reference columns by distance.
double twoReferenceDifference(const Sweep& s, double x, double y, double p, double zs) {
  const double d1 = std::hypot(x - s.xRef, y - s.yRef);
  const double d2 = std::hypot(x - s.xRef2, y - s.yRef2);
  const double w = d1 / (d2 + d1 + 1e-20);
  return (p - (1.0 - w) * s.presRef - w * s.presRef2) * kHead - (zs - (1.0 - w) * s.zRef - w * s.zRef2);
}

// Mean velocity of the cells present in c[0..3].
void meanVelocity(const int c[4], double& u, double& v) {
  u = v = 0.0;
  int n = 0;
  for (int k = 0; k < 4; ++k) {
    if (c[k] == 0) continue;
    u += Cxvel[c[k]];
    v += Cyvel[c[k]];
    ++n;
  }
  if (n > 0) {
    u /= n;
    v /= n;
  }
}

void movePoint(const Sweep& s, const BlockRecord& B, int i, int j) {
  if (!onGrid(i, j) || moved[markIndex(i, j)]) return;
  int c[4], raw[4];
  const int n = cornerCells(i, j, c, raw);
  if (n == 0) return;

  double p = 0.0;
  for (int k = 0; k < 4; ++k) {
    if (c[k] == 0) continue;
    if (s.regression) {
      p += regressionPressure(s, c[k]);
    } else if (s.columnMeanPressure && s.variant != Variant::TwoReferences) {
      const int b = bedCell(s, c[k]);
      p += b ? Bpresavg[b] : 0.0;
    } else {
      p += Cpres[c[k]];
    }
  }
  p /= n;
  double u, v;
  // The regression variant takes the speed of the block's own columns only.
  meanVelocity(s.regression ? raw : c, u, v);

  const double zs = zval[i][j][znumber], zb = zval[i][j][1];
  double dz = 0.0;
  switch (s.variant) {
    case Variant::OneReference:
      if (s.regression) {
        dz = RelaxSurface * ((p - s.presRef) * kHead - (zs - s.zRef));
        dz = froudeFloor(dz, zs, zb, u, v);
      } else {
        double h = (p - s.presRef) * kHead;
        if (FlagScaleFreeSource == 3) h *= scaleBackwater2;
        dz = scaleBackwater2 * RelaxSurface * (h - (zs - s.zRef));
        dz = froudeFloor(dz, zs, zb, u, v);
        if (FlagScaleSurfFroude == 1) {
          // The depth is kept above zero so that a dry point gets the
          // strongest reduction instead of a division by zero.
          const double depth = std::max({zs - zb, MinVertDist0, 1e-20});
          dz *= std::max(1.0 - std::sqrt(u * u + v * v) / depth, 0.01);
        }
      }
      break;
    case Variant::TwoReferences:
      dz = RelaxSurface * twoReferenceDifference(s, xval[i][j], yval[i][j], p, zs);
      if (s.regression) dz = froudeFloor(dz, zs, zb, u, v);
      break;
    case Variant::Unrelaxed:
      dz = (p - s.presRef) * kHead - (zs - s.zRef);
      dz = froudeFloor(dz, zs, zb, u, v);
      break;
  }
  dz = slopeBound(dz, B, i, j, zs);
  zval[i][j][znumber] = zval[i][j][znumber + 1] = zs + dz;
  moved[markIndex(i, j)] = 1;
}

// The regression sums of every column of the updated blocks with more than one
// value become the pressure of the column: the mean (F 143 2) or the linear
// fit over the iteration counter evaluated at RegIter (F 143 1).
void fitRegressionPressures() {
  for (int b = 1; b <= NoBlocks; ++b) {
    if (!updatedBlock(b)) continue;
    const BlockRecord& B = block[b];
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        if (!onGrid(i, j)) continue;
        const int n = PresRegresN[i][j];
        if (n <= 1) continue;
        const double mean = PresRegresSumPres[i][j] / n;
        if (PresRegres == 2) {
          PresRegresSumPres[i][j] = mean;
          continue;
        }
        const double sx = PresRegresSumX[i][j];
        const double covariance = (PresRegresSumXPres[i][j] - mean * sx) / (n - 1);
        const double variance = (PresRegresSumXX[i][j] - sx * sx / n) / (n - 1);
        // Values all taken at one iteration have no slope: the mean stands.
        const double slope = variance > 0.0 ? covariance / variance : 0.0;
        PresRegresSumPres[i][j] = slope * (RegIter - sx / n) + mean;
      }
  }
}

void sweepBlocks(const Sweep& s) {
  clearMarks();
  for (int b = 1; b <= NoBlocks; ++b) {
    if (!updatedBlock(b)) continue;
    const BlockRecord& B = block[b];
    if (s.regression) {
      // The first grid lines of the block stay where they are.
      for (int i = B.i1; i <= B.i2; ++i)
        for (int j = B.j1; j <= B.j2; ++j) movePoint(s, B, i, j);
    } else if (s.variant == Variant::Unrelaxed) {
      for (int i = B.i2; i >= B.i1 - 1; --i)
        for (int j = B.j1 - 1; j <= B.j2; ++j) movePoint(s, B, i, j);
    } else {
      for (int i = B.i1 - 1; i <= B.i2; ++i)
        for (int j = B.j1 - 1; j <= B.j2; ++j) movePoint(s, B, i, j);
    }
  }
}

}  // namespace

void surfaceClassicUpdate(int ref, int ref2) {
  if (!zval || !xval || !yval || !Cpres || !Cxvel || !Cyvel || !Cxcenter || !Cycenter || !Ccellt || !Ccells ||
      !Ccellw || !Ccelln || !Ccelle || !Cbed || !Bkooi || !Bkooj || xnumber < 0 || ynumber < 0)
    return;
  Cpres[0] = 0.0;
  Sweep s{};
  s.zRef = GlobZRef;
  s.presRef = GlobPresRef;
  s.zRef2 = GlobZRef2;
  s.presRef2 = GlobPresRef2;
  s.columnMeanPressure = (FlagNonHydrostaticSurf == 6 || FlagNonHydrostaticSurf == 7) && Bpresavg;
  s.bedCells = std::min(NoBCells, bedCellCapacity());
  if (!validCell(ref)) ref = 0;  // a missing reference reads the empty element 0
  if (!validCell(ref2)) ref2 = 0;
  s.xRef = Cxcenter[ref];
  s.yRef = Cycenter[ref];
  s.xRef2 = Cxcenter[ref2];
  s.yRef2 = Cycenter[ref2];
  // The regression sums exist when F 143 was set at the allocation; without
  // them the move falls back to the instantaneous pressures.
  const bool regressionSums =
      PresRegresSumPres && PresRegresSumXPres && PresRegresSumX && PresRegresSumXX && PresRegresN;

  if ((PresRegres == 1 || PresRegres == 2) && regressionSums) {
    fitRegressionPressures();
    if (onGrid(iPres, jPres)) GlobPresRef = PresRegresSumPres[iPres][jPres];
    s.presRef = GlobPresRef;
    s.regression = true;
    s.variant = ref2 != 0 ? Variant::TwoReferences : Variant::OneReference;
  } else if (FlagDeltaSurface > 0) {
    s.variant = Variant::Unrelaxed;
  } else {
    s.variant = ref2 != 0 ? Variant::TwoReferences : Variant::OneReference;
  }
  sweepBlocks(s);
}

double surfaceNonhydro(int c1, int c2, int c3, int c4) {
  double sum = 0.0;
  if (!Cpres || !Ccellb) return sum;
  for (int c : {c1, c2, c3, c4}) {
    if (!validCell(c)) continue;
    double s = 0.0;
    int n = 0;
    for (int cell = c; validCell(cell) && n < NoCells; cell = Ccellb[cell]) {
      s += Cpres[cell];
      ++n;
    }
    sum += s / n;
  }
  return sum;
}
