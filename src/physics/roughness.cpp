// Bed roughness from the scatter of the terrain points (run letter K): per
// bottom cell of block 1 the mean distance of the points inside it from the
// plane of its bottom face, times F 295; cells without points take values
// smoothed from their neighbours by the surface-equation solver. The result
// goes to Croughness, the column roughness, the bed cells and
// `bedrough.new`.
#include <cmath>
#include <cstdio>

#include "grid/geometry.h"
#include "state/outfile.h"
#include "state/log.h"
#include "io/terrain.h"
#include "physics/physics.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/terrain.h"
#include "surface/surfacesolver.h"

namespace {

inline bool isCell(int c) { return c >= 1 && c <= NoCells; }

int columnCell(int i, int j) {
  if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const int c = static_cast<int>(zval[i][j][0]);
  return isCell(c) ? c : 0;
}

bool inBlock1(int c) {
  const BlockRecord& b = block[1];
  return c >= b.firstCell && c <= b.lastCell;
}

double faceArea(int f) { return f >= 1 && f <= NoSurfaces ? Farea[f] : 0.0; }

// Neighbour weight: the area of the face towards it times the half cell size
// in its direction, 0 without a neighbour.
double weight(int neighbour, int face, double half) { return isCell(neighbour) ? faceArea(face) * half : 0.0; }

void fillCoefficients() {
  // Column cells of other blocks keep their values through the sweeps.
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellb[c] != 0 || inBlock1(c)) continue;
    Cae[c] = Caw[c] = Can[c] = Cas[c] = 0.0;
    Cap[c] = 1.0;
    Csource[c] = Croughness[c];
  }
  const BlockRecord& b = block[1];
  for (int i = b.i1; i <= b.i2; ++i)
    for (int j = b.j1; j <= b.j2; ++j) {
      const int c = columnCell(i, j);
      if (c == 0) continue;
      Cae[c] = weight(Ccelle[c], Cflatee[c], Cidist[c]);
      Caw[c] = weight(Ccellw[c], Cflatew[c], Cidist[c]);
      Can[c] = weight(Ccelln[c], Cflaten[c], Cjdist[c]);
      Cas[c] = weight(Ccells[c], Cflates[c], Cjdist[c]);
      Cap[c] = Cae[c] + Caw[c] + Can[c] + Cas[c] + 1e-20;
      Csource[c] = 0.0;
    }
}

void pointStatistics() {
  const BlockRecord& b = block[1];
  for (int i = b.i1; i <= b.i2; ++i)
    for (int j = b.j1; j <= b.j2; ++j) {
      const int c = columnCell(i, j);
      if (c == 0) continue;
      const int f = Cflateb[c];
      if (f < 1 || f > NoSurfaces) continue;
      const double nx = Fvx[f], ny = Fvy[f], nz = Fvz[f];
      const double d0 = nx * Cxcenter[c] + ny * Cycenter[c] + nz * (Czcenter[c] - Ckdist[c]);
      double sum = 0.0;
      long count = 0;
      for (int p = 0; p < NoGeo; ++p) {
        if (insideQuadCellGeo(p, c) != 1) continue;
        sum += std::fabs(nx * xg[p] + ny * yg[p] + nz * zg[p] - d0);
        ++count;
      }
      Croughness[c] = RoughnessFactor * sum / (count + 1e-10);
      if (count > 0) {
        Cap[c] = 1e20;
        Csource[c] = Croughness[c] * 1e20;
      }
    }
}

}  // namespace

int computeRoughness() {
  if (NoGeo == 0) readGeodata();
  // Letter K without terrain points would write no roughness and end as if
  // it had.
  if (NoGeo == 0 || !xg)
    fatal(-4, "Error: run letter K needs terrain points, and no terrain-point file holds any (geodata, geodatk, "
              "geodatm, geodatn, vastrin)\n");
  if (NoBlocks < 1 || !zval) return 0;
  // The geometry and the bed cells of the grid generated or read before.
  if (NoCells > 0) {
    metric();
    if (NoBCells == 0) BedMake();
  }
  double* const keep = Cf;
  Cf = Croughness;
  fillCoefficients();
  pointStatistics();
  // The lower bound of the grid-split prevention belongs to water levels,
  // not to roughness heights.
  const int split = FlagNoGridSplit;
  FlagNoGridSplit = 0;
  for (int n = 0; n < RoughnessIter; ++n) surfaceSolver(4);
  FlagNoGridSplit = split;
  Cf = keep;

  FILE* out = openWrite("bedrough.new", "w");
  if (!out) {
    setMessage("have not written the bedrough.new file ");
    logf("Error: cannot write the file 'bedrough.new'; the roughness of the columns is not changed\n");
    RunErrorReported = 1;
    return -1;
  }
  const BlockRecord& b = block[1];
  bool written = true;
  for (int i = b.i1; i <= b.i2; ++i)
    for (int j = b.j1; j <= b.j2; ++j) {
      const int c = columnCell(i, j);
      if (c == 0) continue;
      written = std::fprintf(out, "B %d %d %lf\n", i, j, Croughness[c]) > 0 && written;
      roughness[i][j] = Croughness[c];
      const int bc = Cbed[c];
      if (Broughness && bc >= 1 && bc < bedCellCapacity()) Broughness[bc] = Croughness[c];
    }
  const bool closed = closeWrite(out);
  if (!closed || !written) fatal(kWriteFailed, "Error: could not write file 'bedrough.new'\n");
  return 1;
}
