// Bed levels of the grid lines from the terrain points (run letter V): per
// grid line the nearest point of each quadrant, weighted by distance; with
// F 129 2 the lines far from every point are filled from their rows. Also
// the carrying of nested bed levels to the coarser grid and the deletion
// triangle of the terrain points.
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "state/log.h"
#include "state/outfile.h"
#include "io/modelfiles.h"
#include "io/terrain.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/terrain.h"

namespace {

enum Quadrant { NE = 0, NW = 1, SW = 2, SE = 3 };

// What one grid line found, for the log lines written after the parallel
// region (in grid-line order, whatever the thread count).
struct LineNote {
  bool approximate = false;  // neither pair of opposite quadrants complete
  bool exact = false;        // a point closer than InterLimit gave the level (debugging D)
  bool interpolated = false; // at least one quadrant had a point
  int index[4] = {-1, -1, -1, -1};
  double d[4] = {}, w[4] = {}, zq[4] = {};
  double z = 0.0;
};

constexpr double kMarker = -1e10;  // F 129 2: too far from every point, filled from the row

inline bool interpolatedBlock(const BlockRecord& B) { return B.bedFlag == 1 && B.kind != 1 && B.gridLevel == 0; }

// The grid lines of a block that lie inside the block grid.
struct Window {
  int ia, ib, ja, jb;
};
Window linesOf(const BlockRecord& B) {
  return {std::max(B.i1 - 1, 0), std::min(B.i2, xnumber + 1), std::max(B.j1 - 1, 0), std::min(B.j2, ynumber + 1)};
}

// The nearest terrain point of each quadrant of (x, y): index (-1 when the
// quadrant has no point that counts) and distance.
void nearestPerQuadrant(double x, double y, int index[4], double dist[4]) {
  const bool radius = InterALimit <= 10000.0;
  double bestSq[4];
  for (int q = 0; q < 4; ++q) {
    index[q] = -1;
    dist[q] = 1e10;
    bestSq[q] = 1e20;
  }
  for (int p = 0; p < NoGeo; ++p) {
    const double dx = xg[p] - x, dy = yg[p] - y;
    const int q = dx >= 0.0 ? (dy >= 0.0 ? NE : SE) : (dy >= 0.0 ? NW : SW);
    const double dd = dx * dx + dy * dy;
    // Only a point whose square is smaller can be strictly nearer.
    if (!(dd < bestSq[q])) continue;
    const double d = std::sqrt(dd);
    if (d < dist[q] && (!radius || d < InterALimit)) {
      dist[q] = d;
      index[q] = p;
      bestSq[q] = dd;
    }
  }
}

// The new level of grid line (i, j); the note tells the log what happened.
void interpolateLine(int i, int j, LineNote& note) {
  const double x = xval[i][j], y = yval[i][j];
  int* idx = note.index;
  double* d = note.d;
  nearestPerQuadrant(x, y, idx, d);
  const bool has[4] = {idx[NE] >= 0, idx[NW] >= 0, idx[SW] >= 0, idx[SE] >= 0};
  double* zq = note.zq;
  for (int q = 0; q < 4; ++q) zq[q] = has[q] ? zg[idx[q]] : 0.0;

  bool exact = false;
  if (debugging == 'D')
    for (int q : {SE, SW, NW, NE})
      if (has[q] && d[q] < InterLimit) {
        zval[i][j][1] = zq[q];
        if (FlagMakeKoomin > 0) Surfaces[3][i][j] = zq[q] - FlagMakeKoomin;
        note.exact = exact = true;
        note.z = zq[q];
        break;
      }

  if (FlagBedInterpol == 2) {
    double dmin = 1e6;
    for (int q = 0; q < 4; ++q)
      if (has[q]) dmin = std::min(dmin, d[q]);
    const double A = armap[std::max(i, 2)][std::max(j, 2)];
    if (dmin > 2.0 * std::sqrt(A)) {
      zval[i][j][1] = kMarker;
      return;
    }
  }
  if (exact) return;

  const double dNE = d[NE], dNW = d[NW], dSW = d[SW], dSE = d[SE];
  const double zNE = zq[NE], zNW = zq[NW], zSW = zq[SW], zSE = zq[SE];
  double* w = note.w;
  double z;
  if (!has[NE] && !has[NW] && !has[SW] && !has[SE]) return;
  if (has[NE] && has[NW] && has[SW] && has[SE]) {
    if (FlagBedInterpol == 1) {
      const double S = dNE + dNW + dSW + dSE;
      const double a = (dNW + dSE) / S, b = (dNE + dSW) / S;
      w[NE] = a * dSW / (dNE + dSW);
      w[SW] = a * dNE / (dNE + dSW);
      w[NW] = b * dSE / (dNW + dSE);
      w[SE] = b * dNW / (dNW + dSE);
      z = a * (dSW / (dNE + dSW) * zNE + dNE / (dNE + dSW) * zSW) +
          b * (dSE / (dNW + dSE) * zNW + dNW / (dNW + dSE) * zSE);
    } else {
      double inv[4], sum = 0.0;
      for (int q = 0; q < 4; ++q) sum += inv[q] = 1.0 / (d[q] + 1e-20);
      z = 0.0;
      for (int q = 0; q < 4; ++q) {
        w[q] = inv[q] / sum;
        z += w[q] * zq[q];
      }
    }
  } else if (has[NE] && has[SW]) {
    w[NE] = dSW / (dNE + dSW);
    w[SW] = dNE / (dNE + dSW);
    z = w[NE] * zNE + w[SW] * zSW;
  } else if (has[NW] && has[SE]) {
    w[NW] = dSE / (dNW + dSE);
    w[SE] = dNW / (dNW + dSE);
    z = w[NW] * zNW + w[SE] * zSE;
  } else {
    int n = 0;
    z = 0.0;
    for (int q = 0; q < 4; ++q)
      if (has[q]) {
        z += zq[q];
        ++n;
      }
    z /= n;
    for (int q = 0; q < 4; ++q) w[q] = has[q] ? 1.0 / n : 0.0;
    note.approximate = true;
  }
  zval[i][j][1] = z;
  if (FlagMakeKoomin > 0) Surfaces[3][i][j] = z - FlagMakeKoomin;
  note.interpolated = true;
  note.z = z;
}

// F 129 2: the lines of a block that kept the marker take the level of their
// row neighbours, nearer ones weighing more; a line filled earlier serves the
// lines after it. A line no neighbour of its row can fill keeps the level it
// had before the interpolation. Returns the number of such lines.
int fillMarked(const Window& w, const std::vector<double>& before) {
  int kept = 0;
  const int ny = ynumber + 2;
  for (int i = w.ia; i <= w.ib; ++i)
    for (int j = w.ja; j <= w.jb; ++j) {
      if (!(zval[i][j][1] < -1e9)) continue;
      int im = -1, ip = -1;
      for (int k = i - 1; k >= w.ia && im < 0; --k)
        if (zval[k][j][1] > -1e9) im = k;
      for (int k = i + 1; k <= w.ib && ip < 0; ++k)
        if (zval[k][j][1] > -1e9) ip = k;
      double z = -1e9;
      if (im >= 0 && ip >= 0) {
        const double zm = zval[im][j][1], zp = zval[ip][j][1];
        if (zm < -1e8) {
          z = zp;
        } else if (zp < -1e8) {
          z = zm;
        } else {
          const double wp = (1.0 / (ip - i)) / (1.0 / (i - im) + 1.0 / (ip - i));
          z = wp * zp + (1.0 - wp) * zm;
        }
      } else if (ip >= 0) {
        z = zval[ip][j][1];
      } else if (im >= 0 && zval[im][j][1] >= -1e8) {
        z = zval[im][j][1];
      }
      zval[i][j][1] = z;
    }
  // Only after the whole pass: a kept level must not serve as a neighbour.
  for (int i = w.ia; i <= w.ib; ++i)
    for (int j = w.ja; j <= w.jb; ++j)
      if (zval[i][j][1] <= -1e9) {
        zval[i][j][1] = before[static_cast<std::size_t>(i) * ny + j];
        ++kept;
      }
  return kept;
}

// The log lines of a block: the warnings of every grid line, and with the
// debug letter D the details kept for each line.
void writeNotes(std::FILE* log, const Window& w, const std::vector<unsigned char>& approximate,
                const std::vector<LineNote>& details) {
  const int nj = w.jb - w.ja + 1;
  for (int i = w.ia; i <= w.ib; ++i)
    for (int j = w.ja; j <= w.jb; ++j) {
      const std::size_t k = static_cast<std::size_t>(i - w.ia) * nj + (j - w.ja);
      const LineNote* n = details.empty() ? nullptr : &details[k];
      if (n) {
        if (n->exact)
          std::fprintf(log, "Using exact value for %d %d: %lf\n", i, j, n->z);
        else
          std::fprintf(log, "Interpolation point (%6d,%6d) from %6d %6d %6d %6d\n", i, j, n->index[NE], n->index[NW],
                       n->index[SW], n->index[SE]);
      }
      if (approximate[k]) {
        std::fprintf(log, "\nWarning, using approximate value for i,j=%d %d\n", i, j);
        std::fprintf(log, "Warning, scewed value for i,j=%d %d\n", i, j);
      }
      if (n && n->interpolated) {
        std::fprintf(log, "Details point (%d,%d) z-value: %lf ", i, j, n->z);
        std::fprintf(log, "d: %lf %lf %lf %lf, w: %lf %lf %lf %lf, zg: %lf %lf %lf %lf\n", n->d[NE], n->d[NW],
                     n->d[SW], n->d[SE], n->w[NE], n->w[NW], n->w[SW], n->w[SE], n->zq[NE], n->zq[NW], n->zq[SW],
                     n->zq[SE]);
      }
    }
}

[[noreturn]] void bedLogMissing() {
  setMessage("cannot open file 'boogie.bed' ");
  fatal(-3, "Error: cannot open the log file 'boogie.bed' of the bed interpolation\n\n");
}

}  // namespace

int bedinter() {
  if (NoGeo == 0) {
    const double r = readGeodata();
    if (r == -1.0) bedLogMissing();
    // Letter V without terrain points would leave the bed as it is and end as
    // if it had been interpolated.
    if (r == -2.0)
      fatal(-4,
            "Error: run letter V needs terrain points, and there is no terrain-point file (geodata, geodatk, "
            "geodatm, geodatn, vastrin)\n");
    if (r > 0.0)
      fatal(-3,
            "Error: the arrays of the terrain points do not fit in memory (%.0lf bytes could not be allocated).\n"
            "The bed levels have not been interpolated\n\n",
            r);
    if (NoGeo == 0) fatal(-4, "Error: run letter V needs terrain points, and the terrain-point file holds none\n");
  }
  if (FlagMakeKoomin > 0 && NoBlocks >= 1) {
    const Window w = linesOf(block[1]);
    for (int i = w.ia; i <= w.ib; ++i)
      for (int j = w.ja; j <= w.jb; ++j) Surfaces[3][i][j] = zval[i][j][1];
  }
  std::FILE* log = openWrite("boogie.bed", "a");
  if (!log) bedLogMissing();

  // F 129 2: the levels before the interpolation, for the lines that nothing can fill.
  std::vector<double> before;
  if (FlagBedInterpol == 2) {
    const int nx = xnumber + 2, ny = ynumber + 2;
    before.resize(static_cast<std::size_t>(nx) * ny);
    for (int i = 0; i < nx; ++i)
      for (int j = 0; j < ny; ++j) before[static_cast<std::size_t>(i) * ny + j] = zval[i][j][1];
  }

  // Per grid line of a block: the approximate-value warning, and with the
  // debug letter D everything the line found.
  std::vector<unsigned char> approximate;
  std::vector<LineNote> details;
  const bool detailed = debugging == 'D';
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!interpolatedBlock(block[b])) continue;
    char text[64];
    std::snprintf(text, sizeof text, " Interpolating block %d ", b);
    setMessage(text);
    const Window w = linesOf(block[b]);
    if (w.ia > w.ib || w.ja > w.jb) continue;
    const int nj = w.jb - w.ja + 1;
    const std::size_t lines = static_cast<std::size_t>(w.ib - w.ia + 1) * nj;
    approximate.assign(lines, 0);
    details.assign(detailed ? lines : 0, LineNote{});
    unsigned char* warn = approximate.data();
    LineNote* detail = details.data();
#pragma omp parallel for schedule(static)
    for (int i = w.ia; i <= w.ib; ++i)
      for (int j = w.ja; j <= w.jb; ++j) {
        const std::size_t k = static_cast<std::size_t>(i - w.ia) * nj + (j - w.ja);
        LineNote n;
        interpolateLine(i, j, n);
        warn[k] = n.approximate ? 1 : 0;
        if (detailed) detail[k] = n;
      }
    writeNotes(log, w, approximate, details);
  }

  if (FlagBedInterpol == 2)
    for (int b = 1; b <= NoBlocks && b < 100; ++b) {
      if (!interpolatedBlock(block[b])) continue;
      const Window w = linesOf(block[b]);
      const int kept = fillMarked(w, before);
      if (kept > 0)
        std::fprintf(log,
                     "Warning: %d grid lines of block %d lie far from every terrain point and from the lines of their "
                     "rows; they keep their levels\n",
                     kept, b);
    }
  // The interpolated bed is the bed as read: the start of the bed changes.
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!interpolatedBlock(block[b])) continue;
    const Window w = linesOf(block[b]);
    for (int i = w.ia; i <= w.ib; ++i)
      for (int j = w.ja; j <= w.jb; ++j) Surfaces[0][i][j] = zval[i][j][1];
  }
  setMessage("Finished bed interpolation");
  closeOutput(log);
  return 0;
}

void nestbedinterpol() {
  auto validCell = [](double v) {
    const int c = static_cast<int>(v);
    return c >= 1 && c <= NoCells ? c : 0;
  };
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& N = block[n];
    if (N.nestLevel <= 0 || N.gridLevel != 0) continue;
    const Window wn = linesOf(N);
    if (wn.ia > wn.ib || wn.ja > wn.jb) continue;
    double xmin = 1e300, xmax = -1e300, ymin = 1e300, ymax = -1e300;
    for (int i : {wn.ia, wn.ib})
      for (int j : {wn.ja, wn.jb}) {
        xmin = std::min(xmin, xval[i][j]);
        xmax = std::max(xmax, xval[i][j]);
        ymin = std::min(ymin, yval[i][j]);
        ymax = std::max(ymax, yval[i][j]);
      }
    for (int p = 1; p <= NoBlocks && p < 100; ++p) {
      const BlockRecord& P = block[p];
      if (p == n || P.gridLevel != 0 || P.nestLevel >= N.nestLevel) continue;
      const Window wp = linesOf(P);
      for (int i = wp.ia; i <= wp.ib; ++i)
        for (int j = wp.ja; j <= wp.jb; ++j) {
          const double x = xval[i][j], y = yval[i][j];
          if (!(x > xmin && x < xmax && y > ymin && y < ymax)) continue;
          double best = 1e6;
          int bi = -1, bj = -1;
          // Columns of the nested block; a dry column has no cell to be near.
          for (int ii = std::max(N.i1, 1); ii <= std::min(N.i2, xnumber); ++ii)
            for (int jj = std::max(N.j1, 1); jj <= std::min(N.j2, ynumber); ++jj) {
              const int c = validCell(zval[ii][jj][0]);
              if (c == 0) continue;
              const double dx = Cxcenter[c] - x, dy = Cycenter[c] - y, dd = dx * dx + dy * dy;
              if (dd < best) {
                best = dd;
                bi = ii;
                bj = jj;
              }
            }
          const int cP = validCell(zval[i][j][0]);
          if (bi < 0 || cP == 0) continue;
          if (std::sqrt(best) < 2.0 * (Cidist[cP] + Cjdist[cP])) {
            zval[i][j][1] = zval[bi][bj][1];
            Surfaces[1][i][j] = Surfaces[1][bi][bj];
          }
        }
    }
  }
}

int insideTriGeo(int p) {
  for (int e = 1; e <= 3; ++e) {
    const double xa = xDelGeo[e], ya = yDelGeo[e], xb = xDelGeo[e + 1], yb = yDelGeo[e + 1];
    if ((xb - xa) * (yg[p] - ya) - (yb - ya) * (xg[p] - xa) < 0.0) return 0;
  }
  return 1;
}

int delGeodataValues() {
  const double x1 = xDelGeo[1], y1 = yDelGeo[1], x2 = xDelGeo[2], y2 = yDelGeo[2], x3 = xDelGeo[3], y3 = yDelGeo[3];
  if ((x2 - x1) * (y3 - y1) - (y2 - y1) * (x3 - x1) < 0.0) return -1;
  xDelGeo[4] = xDelGeo[1];
  yDelGeo[4] = yDelGeo[1];
  if (!ig) return 0;
#pragma omp parallel for schedule(static)
  for (int p = 0; p < NoGeo; ++p)
    if (insideTriGeo(p) == 1) ig[p] = 1;
  return 0;
}
