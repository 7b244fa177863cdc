// Editing of the block grid itself (xval, yval and the bed and water levels of
// the grid lines of block BlockID): the border lines redistributed between
// fixed points, the interior filled by linear interpolation or smoothed by
// averaging or by an elliptic equation with attraction to points and lines,
// and straight or circular lines of fixed points. The fixed points of the
// W 6 data sets keep their place. Nothing in a run calls these routines; they
// serve the preparation of a block grid.
#include <algorithm>
#include <cmath>

#include "grid/generate.h"
#include "state/log.h"
#include "state/alloc.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

struct Window {
  int i0, i2, j0, j2;  // border lines: i0 and i2 in i, j0 (= j1 - 1) and j2 in j
  bool ok = false;
};

// The block being edited; an index outside the blocks or a window outside the
// block grid edits nothing.
Window editedBlock() {
  if (BlockID == 0) BlockID = 1;
  Window w;
  if (BlockID < 1 || BlockID > NoBlocks || BlockID >= 100 || !xval) {
    logf("Error: block %d cannot be edited: there are %d blocks\n", BlockID, NoBlocks);
    return w;
  }
  const BlockRecord& b = block[BlockID];
  w.i0 = FlagMPI >= 2 ? b.i1 : b.i1 - 1;
  w.i2 = b.i2;
  w.j0 = b.j1 - 1;
  w.j2 = b.j2;
  w.ok = w.i0 >= 0 && w.j0 >= 0 && w.i2 <= xnumber + 1 && w.j2 <= ynumber + 1 && w.i0 <= w.i2 && w.j0 <= w.j2;
  if (!w.ok) logf("Error: the window of block %d lies outside the block grid\n", BlockID);
  return w;
}

bool fixedPoint(int i, int j) {
  for (int k = 1; k <= FastNo && k < MaxFastPoints; ++k)
    if (iFast[k] == i && jFast[k] == j) return true;
  return false;
}

bool connectionPoint(int i, int j) {
  for (int k = 0; k < NoConnect && k < 200; ++k)
    if ((conn[k].iA == i && conn[k].jA == j) || (conn[k].iB == i && conn[k].jB == j)) return true;
  return false;
}

enum Quantities { PlanOnly = 0, WithBed = 1, WithLevels = 2 };

// Points strictly between (ia, ja) and (ib, jb), index by index along one
// line, spaced evenly in index.
void interpolateLine(int ia, int ja, int ib, int jb, Quantities q) {
  const int steps = std::max(std::abs(ib - ia), std::abs(jb - ja));
  if (steps < 2) return;
  const int di = (ib > ia) - (ib < ia), dj = (jb > ja) - (jb < ja);
  for (int k = 1; k < steps; ++k) {
    const int i = ia + k * di, j = ja + k * dj;
    const double t = static_cast<double>(k) / steps;
    xval[i][j] = xval[ia][ja] + t * (xval[ib][jb] - xval[ia][ja]);
    yval[i][j] = yval[ia][ja] + t * (yval[ib][jb] - yval[ia][ja]);
    if (q >= WithBed) zval[i][j][1] = zval[ia][ja][1] + t * (zval[ib][jb][1] - zval[ia][ja][1]);
    if (q >= WithLevels)
      zval[i][j][znumber] = zval[ia][ja][znumber] + t * (zval[ib][jb][znumber] - zval[ia][ja][znumber]);
  }
}

// One border line from (ia, ja) to (ib, jb): the points between two fixed or
// connection points are spaced evenly.
void redistribute(int ia, int ja, int ib, int jb) {
  const int steps = std::max(std::abs(ib - ia), std::abs(jb - ja));
  const int di = (ib > ia) - (ib < ia), dj = (jb > ja) - (jb < ja);
  int pi = ia, pj = ja;
  for (int k = 1; k <= steps; ++k) {
    const int i = ia + k * di, j = ja + k * dj;
    if (k == steps || fixedPoint(i, j) || connectionPoint(i, j)) {
      interpolateLine(pi, pj, i, j, WithLevels);
      pi = i;
      pj = j;
    }
  }
}

double interpolated(double a, double b, int k, int n) { return a + (b - a) * k / n; }

}  // namespace

void sides() {
  const Window w = editedBlock();
  if (!w.ok) return;
  if (w.i2 > 1) {
    redistribute(w.i0, w.j0, w.i2, w.j0);
    redistribute(w.i0, w.j2, w.i2, w.j2);
  }
  if (w.j2 > 1) {
    if (FlagMPI < 1) redistribute(w.i0, w.j0, w.i0, w.j2);
    redistribute(w.i2, w.j0, w.i2, w.j2);
  }
}

void transfinite() {
  const Window w = editedBlock();
  if (!w.ok) return;
  for (int sweep = 0; sweep < 501; ++sweep)
    for (int i = w.i0 + 1; i <= w.i2 - 1; ++i)
      for (int j = w.j0 + 1; j <= w.j2 - 1; ++j) {
        if (fixedPoint(i, j)) continue;
        xval[i][j] = 0.25 * (xval[i + 1][j + 1] + xval[i - 1][j + 1] + xval[i + 1][j - 1] + xval[i - 1][j - 1]);
        yval[i][j] = 0.25 * (yval[i + 1][j + 1] + yval[i - 1][j + 1] + yval[i + 1][j - 1] + yval[i - 1][j - 1]);
      }
}

void Itransfinite() {
  const Window w = editedBlock();
  if (!w.ok) return;
  for (int i = w.i0 + 1; i <= w.i2 - 1; ++i) {
    int previous = w.j0;
    for (int j = w.j0 + 1; j <= w.j2; ++j)
      if (j == w.j2 || fixedPoint(i, j)) {
        interpolateLine(i, previous, i, j, WithLevels);
        previous = j;
      }
  }
}

void Jtransfinite() {
  const Window w = editedBlock();
  if (!w.ok) return;
  for (int j = w.j0 + 1; j <= w.j2 - 1; ++j) interpolateLine(w.i0, j, w.i2, j, WithBed);
}

void Mtransfinite() {
  const Window w = editedBlock();
  if (!w.ok) return;
  const int ni = w.i2 - w.i0, nj = w.j2 - w.j0;
  for (int i = w.i0 + 1; i <= w.i2 - 1; ++i)
    for (int j = w.j0 + 1; j <= w.j2 - 1; ++j) {
      const int ki = i - w.i0, kj = j - w.j0;
      xval[i][j] = 0.5 * (interpolated(xval[i][w.j0], xval[i][w.j2], kj, nj) +
                          interpolated(xval[w.i0][j], xval[w.i2][j], ki, ni));
      yval[i][j] = 0.5 * (interpolated(yval[i][w.j0], yval[i][w.j2], kj, nj) +
                          interpolated(yval[w.i0][j], yval[w.i2][j], ki, ni));
      zval[i][j][1] = 0.5 * (interpolated(zval[i][w.j0][1], zval[i][w.j2][1], kj, nj) +
                             interpolated(zval[w.i0][j][1], zval[w.i2][j][1], ki, ni));
    }
}

void addLineNoMovePoints() {
  if (FastNo < 2 || !xval) return;
  const int ia = iFast[FastNo - 1], ja = jFast[FastNo - 1], ib = iFast[FastNo], jb = jFast[FastNo];
  if (ia < 0 || ib < 0 || ja < 0 || jb < 0 || ia > xnumber + 1 || ib > xnumber + 1 || ja > ynumber + 1 ||
      jb > ynumber + 1)
    return;
  if (ja != jb && ia != ib) return;
  interpolateLine(ia, ja, ib, jb, WithBed);
  // The new fixed points in ascending order along the line.
  const int steps = std::max(std::abs(ib - ia), std::abs(jb - ja));
  if (FastNo + steps - 1 >= MaxFastPoints) {
    logf("Error: no room for %d more fixed grid points (W 6)\n", steps - 1);
    return;
  }
  for (int k = 1; k < steps; ++k) {
    ++FastNo;
    iFast[FastNo] = ja == jb ? std::min(ia, ib) + k : ia;
    jFast[FastNo] = ja == jb ? ja : std::min(ja, jb) + k;
  }
}

void computeCircle() {
  if (FastNo < 3 || !xval) return;
  const int a = FastNo - 2, m = FastNo - 1, c = FastNo;
  const int i = iFast[a];
  if (iFast[m] != i || iFast[c] != i || i < 0 || i > xnumber + 1) return;
  const int ja = jFast[a], jm = jFast[m], jc = jFast[c];
  if (ja < 0 || jc < 0 || jm < 0 || ja > ynumber + 1 || jc > ynumber + 1 || jm > ynumber + 1) return;
  const double ax = xval[i][ja], ay = yval[i][ja], bx = xval[i][jm], by = yval[i][jm], cx = xval[i][jc],
               cy = yval[i][jc];
  const double d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
  if (std::fabs(d) < 1e-12) {
    logf("Warning: the three last fixed points lie on a straight line: no circle\n");
    return;
  }
  const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
  const double ox = (a2 * (by - cy) + b2 * (cy - ay) + c2 * (ay - by)) / d;
  const double oy = (a2 * (cx - bx) + b2 * (ax - cx) + c2 * (bx - ax)) / d;
  const double r = std::hypot(ax - ox, ay - oy);
  const double ta = std::atan2(ay - oy, ax - ox), tb = std::atan2(by - oy, bx - ox), tc = std::atan2(cy - oy, cx - ox);
  // The arc from the third-last point to the last one through the middle one.
  const double pi2 = 2 * std::acos(-1.0);
  auto ccw = [pi2](double from, double to) {
    double t = std::fmod(to - from, pi2);
    return t < 0 ? t + pi2 : t;
  };
  const double sweep = ccw(ta, tb) <= ccw(ta, tc) ? ccw(ta, tc) : ccw(ta, tc) - pi2;
  const int n = jc - ja;
  const int step = n > 0 ? 1 : -1;
  for (int k = 1; k < std::abs(n); ++k) {
    const int j = ja + k * step;
    if (fixedPoint(i, j)) continue;
    const double t = ta + sweep * k / std::abs(n);
    xval[i][j] = ox + r * std::cos(t);
    yval[i][j] = oy + r * std::sin(t);
  }
}

void elliptic() {
  const Window w = editedBlock();
  if (!w.ok) return;
  // The attraction terms exist only for this smoothing.
  if (!P || !Q) {
    const std::size_t nx = alloc::extent(xnumber, 2), ny = alloc::extent(ynumber, 2);
    if (!allocate2(P, nx, ny) || !allocate2(Q, nx, ny)) {
      logf("Error: no memory for the attraction terms of the grid smoothing\n");
      return;
    }
  }
  // The extent of the block's own points: the scale of the attraction and the
  // box the points stay in, wherever the block lies.
  double xlo = xval[w.i0][w.j0], xhi = xlo, ylo = yval[w.i0][w.j0], yhi = ylo;
  for (int i = w.i0; i <= w.i2; ++i)
    for (int j = w.j0; j <= w.j2; ++j) {
      P[i][j] = Q[i][j] = 0;
      xlo = std::min(xlo, xval[i][j]);
      xhi = std::max(xhi, xval[i][j]);
      ylo = std::min(ylo, yval[i][j]);
      yhi = std::max(yhi, yval[i][j]);
    }
  const double L = std::max(xhi - xlo, yhi - ylo);
  if (!(L > 0) || !std::isfinite(L)) return;
  const double f = static_cast<double>(w.i2) * w.j2 / (L * L);
  auto sign = [](double d) { return d / (std::fabs(d) + 1e-20); };
  for (int r = 1; r <= AttractNo && r < 2000; ++r) {
    const AttractRecord& at = Attract[r];
    for (int i = w.i0; i <= w.i2; ++i)
      for (int j = w.j0; j <= w.j2; ++j) {
        const double di = i - at.i, dj = j - at.j;
        const double s = at.strength * f;
        switch (at.type) {
          case 0: P[i][j] -= sign(di) * std::exp(-at.decay * std::sqrt(di * di + dj * dj)) * s; break;
          case 1: Q[i][j] -= sign(dj) * std::exp(-at.decay * std::sqrt(di * di + dj * dj)) * s; break;
          case 2: P[i][j] -= sign(di) * std::exp(-at.decay * std::fabs(di)) * s * 0.2; break;
          case 3: Q[i][j] -= sign(dj) * std::exp(-at.decay * std::fabs(dj)) * s * 0.2; break;
          default: break;
        }
      }
  }
  for (int sweep = 0; sweep < 21; ++sweep)
    for (int i = w.i0 + 1; i <= w.i2 - 1; ++i)
      for (int j = w.j0 + 1; j <= w.j2 - 1; ++j) {
        if (fixedPoint(i, j)) continue;
        double** X = xval;
        double** Y = yval;
        const double xi = (X[i + 1][j] - X[i - 1][j]) / 2, xj = (X[i][j + 1] - X[i][j - 1]) / 2;
        const double yi = (Y[i + 1][j] - Y[i - 1][j]) / 2, yj = (Y[i][j + 1] - Y[i][j - 1]) / 2;
        const double J = xi * yj - yi * xj;
        // A degenerate point has no defined position: it stays.
        if (J == 0 || !std::isfinite(J)) continue;
        const double J2 = J * J;
        const double a = (xj * xj + yj * yj) / J2, g = (xi * xi + yi * yi) / J2, b = 2 * (xi * xj + yi * yj) / J2;
        if (!(a + g > 0)) continue;
        const double dxx = (X[i + 1][j + 1] - X[i + 1][j - 1] - X[i - 1][j + 1] + X[i - 1][j - 1]) / 4;
        const double dyy = (Y[i + 1][j + 1] - Y[i + 1][j - 1] - Y[i - 1][j + 1] + Y[i - 1][j - 1]) / 4;
        const double xn = (a * (X[i + 1][j] + X[i - 1][j]) + g * (X[i][j + 1] + X[i][j - 1]) + b * dxx +
                           P[i][j] * xi + Q[i][j] * xj) * 0.5 / (a + g);
        const double yn = (a * (Y[i + 1][j] + Y[i - 1][j]) + g * (Y[i][j + 1] + Y[i][j - 1]) + b * dyy +
                           P[i][j] * yi + Q[i][j] * yj) * 0.5 / (a + g);
        X[i][j] = 0.5 * std::clamp(xn, xlo, xhi) + 0.5 * X[i][j];
        Y[i][j] = 0.5 * std::clamp(yn, ylo, yhi) + 0.5 * Y[i][j];
      }
}
