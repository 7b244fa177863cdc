// Levels at the open boundaries of block 1 after a move of the transient
// kinematic surface:
//   - the levels of the time series `timei` at the faces of the discharge
//     groups (the first outflow group and every inflow group), with the
//     deposit depths of F 439;
//   - the outlet damping of F 353 1..6: the levels of the boundary grid points
//     from the Manning friction slope of the boundary column (set, extrapolate)
//     or the rows next to the boundary relaxed towards it, with the row
//     smoothing of F 452;
//   - the least water depth F 403 at the faces of the first outflow group.
// Every operation reaches only the grid points of the block that holds the
// boundary column: rows the block does not have are left out.
#include <algorithm>
#include <cmath>

#include "flow/compterms.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/tfs.h"

using namespace surfacegrid;

namespace {

// A face of a group with its cell, the column of that cell and the side of
// the column the face lies on (1 south, 2 east, 3 north, 4 west).
struct GroupFace {
  int cell = 0, low = 0, i = 0, j = 0, side = 0;
  bool found = false;
};

GroupFace groupFace(int f) {
  GroupFace g;
  const int c = groupFaceCell(f);
  if (c == 0) return g;
  const int side = Fcell1[f] != 0 ? Ftype1[f] : Ftype2[f];
  if (side < 1 || side > 4) return g;
  int low = c;
  forColumnDown(c, [&low](int x) { low = x; });
  const int b = Cbed[low];
  if (b < 1 || b > NoBCells) return g;
  g.cell = c;
  g.low = low;
  g.i = Bkooi[b];
  g.j = Bkooj[b];
  g.side = side;
  g.found = onGrid(g.i, g.j) && onGrid(g.i - 1, g.j - 1);
  return g;
}

template <typename F>
void forGroupFaces(int g, F visit) {
  if (!Cbed || !Bkooi || !Bkooj) return;
  const DischargeGroup& G = DischargeStruct[g];
  const int n = groupFaceCount(G);
  for (int k = 0; k < n; ++k) {
    const GroupFace f = groupFace(G.face[k]);
    if (f.found) visit(f);
  }
}

// The two grid points of the side of a column.
void sidePoints(const GroupFace& f, int pi[2], int pj[2]) {
  const int i = f.i, j = f.j;
  switch (f.side) {
    case 1: pi[0] = i - 1, pj[0] = j - 1, pi[1] = i, pj[1] = j - 1; break;
    case 2: pi[0] = i, pj[0] = j - 1, pi[1] = i, pj[1] = j; break;
    case 3: pi[0] = i, pj[0] = j, pi[1] = i - 1, pj[1] = j; break;
    default: pi[0] = i - 1, pj[0] = j, pi[1] = i - 1, pj[1] = j - 1; break;
  }
}

int firstOutflowGroup() {
  for (int g = 0; g <= 9; ++g)
    if (DischargeStruct[g].inflow == 0 && groupFaceCount(DischargeStruct[g]) > 0) return g;
  return -1;
}

// Sets level z at the side points of the faces of group g whose cell is the
// lowest of its column.
void setAtLowestFaces(int g, double z) {
  forGroupFaces(g, [z](const GroupFace& f) {
    if (Ccellb[f.cell] != 0) return;
    int pi[2], pj[2];
    sidePoints(f, pi, pj);
    for (int k = 0; k < 2; ++k) zs(pi[k], pj[k]) = z;
  });
}

// A series carries a level in a column when any of its records gives one
// there; a column of zeros is a series without levels. Levels of 0 m and
// below are real levels and are applied.
bool carriesLevels(const double* x, int n) {
  if (!x) return false;
  for (int r = 0; r < n; ++r)
    if (x[r] != 0.0) return true;
  return false;
}

// ---- Outlet damping ----

// Rows of the damping: point (i, j) of the block window w, or nothing.
struct Rows {
  Window w;
  bool has(int i, int j) const { return w.holds(i, j); }
};

// The level n rows inside from the boundary point of side s, at the grid
// line of the boundary point (bi, bj).
bool inner(const Rows& r, int side, int bi, int bj, int n, int& oi, int& oj) {
  oi = bi, oj = bj;
  switch (side) {
    case 1: oj = bj + n; break;
    case 2: oi = bi - n; break;
    case 3: oj = bj - n; break;
    default: oi = bi + n; break;
  }
  return r.has(oi, oj);
}

void setFromInside(const Rows& r, int side, int bi, int bj, double delta) {
  int oi, oj;
  if (r.has(bi, bj) && inner(r, side, bi, bj, 1, oi, oj)) zs(bi, bj) = zs(oi, oj) - delta;
}

// The boundary point from the four rows inside, each carried out along the
// slope; rows beyond the block drop out and the rest share their weights.
void extrapolate(const Rows& r, int side, int bi, int bj, double delta) {
  if (!r.has(bi, bj)) return;
  static const double weight[5] = {0.0, 0.5, 0.3, 0.15, 0.05};
  double sum = 0.0, ws = 0.0;
  for (int n = 1; n <= 4; ++n) {
    int oi, oj;
    if (!inner(r, side, bi, bj, n, oi, oj)) break;
    sum += weight[n] * (zs(oi, oj) - n * delta);
    ws += weight[n];
  }
  if (ws > 0.0) zs(bi, bj) = sum / ws;
}

void relaxEast(const Rows& r, int i, int jp, double delta) {
  for (int n = 1; n <= 9; ++n) {
    if (!r.has(i - n, jp) || !r.has(i - n + 1, jp)) break;
    const double w = (10.0 - n) / 10.0;
    zs(i - n, jp) = w * (zs(i - n + 1, jp) + delta) + (1.0 - w) * zs(i - n, jp);
  }
}

void relaxWest(const Rows& r, int i, int jp, double delta) {
  for (int n = 0; n <= 8; ++n) {
    if (!r.has(i + n, jp) || !r.has(i + n + 1, jp)) break;
    const double w = (9.0 - n) / 10.0;
    zs(i + n, jp) = w * (zs(i + n + 1, jp) - delta) + (1.0 - w) * zs(i + n, jp);
  }
}

void smoothRow(const Rows& r, int i, int jp) {
  if (r.has(i - 1, jp) && r.has(i, jp) && r.has(i + 1, jp))
    zs(i, jp) = 0.25 * (zs(i - 1, jp) + zs(i + 1, jp)) + 0.5 * zs(i, jp);
}

// F 452: rows i .. i + surfaceDampSec - 1 from the boundary row i - 1 inward.
void dampRows(const Rows& r, int i, int jp, bool capAtBoundary) {
  if (surfaceDampSec <= 0 || !r.has(i - 1, jp)) return;
  const double F1 = surfaceDampFactor1, F2 = surfaceDampFactor2;
  const double a = (1.0 - F2) * F1, b = (1.0 - F1) * (1.0 - F2);
  for (int n = i; n <= i + surfaceDampSec - 1; ++n) {
    if (!r.has(n, jp) || !r.has(n + 1, jp)) break;
    zs(n, jp) = a * zs(n + 1, jp) + F2 * zs(n, jp) + b * zs(n - 1, jp);
    if (capAtBoundary) zs(n, jp) = std::min(zs(n, jp), zs(i - 1, jp));
  }
}

// The boundary grid points of a side and the line across it.
void setSidePoints(const Rows& r, const GroupFace& f, double delta) {
  int pi[2], pj[2];
  sidePoints(f, pi, pj);
  for (int k = 0; k < 2; ++k) setFromInside(r, f.side, pi[k], pj[k], delta);
}

void extrapolateSidePoints(const Rows& r, const GroupFace& f, double delta) {
  int pi[2], pj[2];
  sidePoints(f, pi, pj);
  for (int k = 0; k < 2; ++k) extrapolate(r, f.side, pi[k], pj[k], delta);
}

// The volume one metre of level at grid point (i, j) stands for: a quarter of
// the area of each wet column around it.
double pointArea(int i, int j) {
  double a = 0.0;
  for (int di = 0; di <= 1; ++di)
    for (int dj = 0; dj <= 1; ++dj) {
      const int c = lowestCellOf(i + di, j + dj);
      if (c == 0) continue;
      const int b = Cbed[c];
      if (b >= 1 && b <= NoBCells) a += 0.25 * Barea[b];
    }
  return a;
}

// The two corners of the column away from the side of a face.
void innerPoints(const GroupFace& f, int pi[2], int pj[2]) {
  const int i = f.i, j = f.j;
  switch (f.side) {
    case 1: pi[0] = i - 1, pj[0] = j, pi[1] = i, pj[1] = j; break;
    case 2: pi[0] = i - 1, pj[0] = j - 1, pi[1] = i - 1, pj[1] = j; break;
    case 3: pi[0] = i - 1, pj[0] = j - 1, pi[1] = i, pj[1] = j - 1; break;
    default: pi[0] = i, pj[0] = j - 1, pi[1] = i, pj[1] = j; break;
  }
}

// Re-setting the boundary points of an inlet column from the rows behind them
// (set, extrapolate) must not throw away the water the column took in: the
// kinematic move puts the change of a subcritical inlet column on its
// upstream corners, which are these points. The volume the re-setting takes
// away (or adds) is given back at the column's two inner corners.
template <typename Op>
void keepingInletVolume(const GroupFace& f, Op op) {
  int bi[2], bj[2], ii[2], ij[2];
  sidePoints(f, bi, bj);
  innerPoints(f, ii, ij);
  const double before[2] = {zs(bi[0], bj[0]), zs(bi[1], bj[1])};
  op();
  double dV = 0.0;
  for (int k = 0; k < 2; ++k) dV += pointArea(bi[k], bj[k]) * (zs(bi[k], bj[k]) - before[k]);
  const double inner = pointArea(ii[0], ij[0]) + pointArea(ii[1], ij[1]);
  if (dV == 0.0 || !(inner > 0.0)) return;
  for (int k = 0; k < 2; ++k) zs(ii[k], ij[k]) -= dV / inner;
}

double frictionDelta(const GroupFace& f, bool inflow) {
  const int c = f.cell;
  double H = 0.0;
  forColumnDown(c, [&H](int x) { H += Ckdist[x]; });
  const double h = 2.0 * H, u = Cxvel[c], v = Cyvel[c], M = ManningInit;
  double S = (u * u + v * v) / (M * M * std::pow(h, 1.333) + 1e-20);
  if (inflow) S = -S;
  const double L = (f.side == 1 || f.side == 3) ? 2.0 * Cjdist[c] : 2.0 * Cidist[c];
  return S * L;
}

void dampFace(const GroupFace& f, bool inflow, bool outletFromSeries, bool inletFromSeries) {
  const int variant = surfaceDownstreamDamp;
  const double delta = frictionDelta(f, inflow);
  const Rows r{windowOfColumn(f.i, f.j)};
  auto setSide = [inflow](const Rows& rr, const GroupFace& ff, double d) {
    if (inflow)
      keepingInletVolume(ff, [&] { setSidePoints(rr, ff, d); });
    else
      setSidePoints(rr, ff, d);
  };
  auto extrapolateSide = [inflow](const Rows& rr, const GroupFace& ff, double d) {
    if (inflow)
      keepingInletVolume(ff, [&] { extrapolateSidePoints(rr, ff, d); });
    else
      extrapolateSidePoints(rr, ff, d);
  };
  const bool out = !inflow;
  const int i = f.i;
  switch (f.side) {
    case 1:
    case 3:
      if (out) setSide(r, f, delta);
      else if (variant <= 3) extrapolateSide(r, f, delta);
      return;
    case 2:
      if (variant == 1) {
        if (outletFromSeries) return;
        if (out) setSide(r, f, delta);
        else extrapolateSide(r, f, delta);
      } else if (out) {
        for (int jp : {f.j - 1, f.j}) relaxEast(r, i, jp, delta);
      } else if (variant <= 3) {
        extrapolateSide(r, f, delta);
      }
      return;
    default:  // west
      if (variant == 1) {
        if (out) setSide(r, f, delta);
        else extrapolateSide(r, f, delta);
      } else if (variant <= 3) {
        if (out) {
          setSide(r, f, delta);
        } else {
          extrapolateSide(r, f, delta);
          for (int jp : {f.j - 1, f.j}) smoothRow(r, i, jp);
        }
      } else if (variant == 4) {
        for (int jp : {f.j - 1, f.j}) relaxWest(r, i, jp, delta);
        if (out) setSide(r, f, delta);
      } else {
        if (!inletFromSeries) setSide(r, f, delta);
        for (int jp : {f.j - 1, f.j}) dampRows(r, i, jp, variant == 6);
        if (out) setSide(r, f, delta);
      }
      return;
  }
}

}  // namespace

TfsBoundaryLevels tfsBoundaryLevels() {
  TfsBoundaryLevels L;
  if (TimeInNo < 1 || !TimeInTime || !TimeInHout || !TimeInHinn) return L;
  SeriesPoint s = seriesNow();
  if (!s.valid) return L;
  // Before the first record the series holds record 0.
  s.w = std::min(s.w, 1.0);
  const int n = std::min(TimeInNo, ArrayTimeSteps + 1);
  L.outSet = carriesLevels(TimeInHout, n);
  L.inSet = carriesLevels(TimeInHinn, n);
  const double in = depthDepositIn, out = depthDepositOut;
  switch (FlagDepthDeposit) {
    case 3: L.out = TimeInHout[0] + 0.5 * (in + out); break;
    case 4: L.out = TimeInHout[0] + out + in; break;
    default: L.out = FlagDepthDeposit <= 0 ? s.of(TimeInHout) : TimeInHout[0] + out; break;
  }
  switch (FlagDepthDeposit) {
    case 2: L.in = TimeInHinn[0] + in; break;
    case 3: L.in = TimeInHinn[0] + 0.5 * (in + out); break;
    case 4: L.in = TimeInHinn[0] + in + out; break;
    default: L.in = s.of(TimeInHinn); break;
  }
  return L;
}

void tfsSeriesLevels() {
  const TfsBoundaryLevels L = tfsBoundaryLevels();
  if (L.outSet) {
    const int g = firstOutflowGroup();
    if (g >= 0) setAtLowestFaces(g, L.out);
  }
  if (L.inSet)
    for (int g = 0; g <= 9; ++g)
      if (DischargeStruct[g].inflow == 1 && groupFaceCount(DischargeStruct[g]) > 0) setAtLowestFaces(g, L.in);
}

void tfsOutletDamping() {
  if (surfaceDownstreamDamp < 1 || surfaceDownstreamDamp > 6) return;
  const TfsBoundaryLevels L = tfsBoundaryLevels();
  for (int g = 0; g <= 9; ++g) {
    const bool inflow = DischargeStruct[g].inflow == 1;
    forGroupFaces(g, [&](const GroupFace& f) {
      if (Ccellt[f.cell] == 0) dampFace(f, inflow, L.outSet, L.inSet);
    });
  }
}

void tfsMinimumOutletDepth() {
  const int g = firstOutflowGroup();
  if (g < 0) return;
  forGroupFaces(g, [](const GroupFace& f) {
    if (Ccellb[f.cell] != 0) return;
    int pi[2], pj[2];
    sidePoints(f, pi, pj);
    for (int k = 0; k < 2; ++k) zs(pi[k], pj[k]) = std::max(zs(pi[k], pj[k]), zval[pi[k]][pj[k]][1] + TFSminDepth);
  });
}
