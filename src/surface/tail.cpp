// The regridding that closes a surface move. The surface methods only move the
// water levels of the grid points (slot znumber of zval); the tail adjusts
// those levels by the boundary, smoothing and limiting rules in force, builds
// the grid anew for them, carries the fields over, recomputes geometry and face
// fluxes, and resets what belonged to the old grid: the inverse momentum
// coefficients, the level changes, the volume balance, the pressures and the
// pressure-regression sums.
#include <algorithm>
#include <cstdio>

#include "flow/stages.h"
#include "state/outfile.h"
#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/surface.h"

namespace {

// A block of the computed grid whose water surface moves (G 26).
bool updatedBlock(int b) { return b >= 1 && b < 100 && block[b].gridLevel == 0 && SurfUpdate[b] == 1; }

// Grid-point window of a block clipped to the grid lines zval holds.
struct Window {
  int iLo, iHi, jLo, jHi;
};

Window pointWindow(const BlockRecord& B) {
  return {std::max(B.i1 - 1, 0), std::min(B.i2, xnumber + 1), std::max(B.j1 - 1, 0), std::min(B.j2, ynumber + 1)};
}

// Column window (i1..i2, j1..j2) clipped so that the column and its corner
// points (i-1, j-1) lie on the grid.
Window columnWindow(const BlockRecord& B) {
  return {std::max(B.i1, 1), std::min(B.i2, xnumber + 1), std::max(B.j1, 1), std::min(B.j2, ynumber + 1)};
}

double pointDepth(int i, int j) { return std::max(0.0, zval[i][j][znumber] - zval[i][j][1]); }

// Lowest cell of column (i, j); 0 for a dry column or a value that is no cell.
int columnCell(int i, int j) {
  const double v = zval[i][j][0];
  return v >= 1.0 && v < static_cast<double>(NoCells) + 1.0 ? static_cast<int>(v) : 0;
}

// Current fields become the previous ones (and the previous ones those of two
// steps back) over the cells of the old grid, for the carry-over of BedMake.
void keepPreviousFields() {
  const int lo = std::max(WCStart, 1), hi = std::min(WCEnd, NoCells);
  if (Cxvel_old2 && Cyvel_old2 && Czvel_old2 && Cxvel_old && Cyvel_old && Czvel_old)
    for (int c = lo; c <= hi; ++c) {
      Cxvel_old2[c] = Cxvel_old[c];
      Cyvel_old2[c] = Cyvel_old[c];
      Czvel_old2[c] = Czvel_old[c];
    }
  const double* now[6] = {Cxvel, Cyvel, Czvel, Cpres, Ckinen, Cepsilon};
  double* old[6] = {Cxvel_old, Cyvel_old, Czvel_old, Cpres_old, Ckinen_old, Cepsilon_old};
  for (int q = 0; q < 6; ++q)
    if (old[q] && now[q])
      for (int c = lo; c <= hi; ++c) old[q][c] = now[q][c];
}

void regenerate() {
  keepPreviousFields();
  const int r = UnstructureBuild();
  if (r < 0) fatal(-1, "Error: the grid could not be regenerated after the surface move (status %d)\n\n", r);
  metric();
  BedMake();
  if (CinvAp)
    for (int c = 1; c <= NoCells; ++c) CinvAp[c] = 0.0;
  waterflow(WFStart, WFEnd);
  if (Flag2DAccSolver > 0 && NoBlocks >= 1 && NoBlocks < 100 && block[NoBlocks].kind == 0) AlgMGMake();
}

void limitFlushLevels() {
  if (NoBlocks < 1 || !zval) return;
  const Window w = pointWindow(block[1]);
  for (int i = w.iLo; i <= w.iHi; ++i)
    for (int j = w.jLo; j <= w.jHi; ++j)
      zval[i][j][znumber] = std::max(FlushWaterLevelMin, std::min(FlushWaterLevelMax, zval[i][j][znumber]));
}

void clearRegressionSums() {
  RegIter = 0;
  if (!PresRegresSumX || !PresRegresSumXX || !PresRegresSumPres || !PresRegresSumXPres || !PresRegresN) return;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!updatedBlock(b)) continue;
    const Window w = columnWindow(block[b]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j) {
        PresRegresSumX[i][j] = PresRegresSumXX[i][j] = 0.0;
        PresRegresSumPres[i][j] = PresRegresSumXPres[i][j] = 0.0;
        PresRegresN[i][j] = 0;
      }
  }
}

// Ends the line of the surface series that the driver began with the mean
// depth after the move.
void endSurfaceSeries() {
  FILE* f = openWrite("boogie-t", "a");
  if (!f) {
    logf("Warning: cannot open the surface trace file 'boogie-t'; the mean depth after this move is not written\n\n");
    return;
  }
  std::fprintf(f, "%lf\n", computeAvDepth());
  closeOutput(f);
}

}  // namespace

void computeTailSurf() {
  if (FlagDSO1 > 0 && Bkooi) computeSurfDownstream();
  if (FlagSurfEdge != 0) surfaceEdge(GlobZRef);
  if (FlagNestTop == 3 || FlagNestTop == 5) interpolateSurfaceNested();
  if (FlagFlushWaterLevel == 1) limitFlushLevels();
  if (FlagSmoothNewCorners > 0) smoothNewCorners();
  if (SurfSmoothFlag > 0) surface_smoother();
  if (FlagNoGridSplit > 0 && solverFroude != 2) NoGridSplitRise();
  if (FlagReducePonds == 1) reducePonds();

  // A sediment run keeps its grid unless F 166 or a divided run asks for the
  // regeneration.
  const bool keepGrid = FlagTSC != 0 && FlagSurfRegen != 1 && FlagMPI <= 0;
  if (!keepGrid) regenerate();

  if (FlagTFS2 > 0 && Bdeltah)
    for (int b = 1; b <= NoBCells; ++b) Bdeltah[b] = 0.0;
  if (FlagGlobFlux > 0) SurfVolDefect -= computeVolRes();
  // Also without a regeneration: the flow driver then measures the unchanged
  // grid again, which costs time but changes nothing.
  FlagGridChange = 1;
  if (FlagPresSetZero != 0) computeSetPresZero();
  if (PresRegres > 0) clearRegressionSums();
  if (debugging == 'C' || debugging == 'D' || debugging == 'E') endSurfaceSeries();
}

double computeVolRes() {
  if (NoBlocks < 1 || !zval || !Cbed || !Barea) return 0.0;
  double sum = 0.0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!updatedBlock(b)) continue;
    const Window w = columnWindow(block[b]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j) {
        const int c = columnCell(i, j);
        if (c == 0) continue;
        const int bed = Cbed[c];
        if (bed < 1 || bed > NoBCells) continue;
        const double d = pointDepth(i, j) + pointDepth(i - 1, j) + pointDepth(i - 1, j - 1) + pointDepth(i, j - 1);
        sum += 0.25 * d * Barea[bed];
      }
  }
  return sum;
}

double computeAvDepth() {
  if (NoBlocks < 1 || !zval) return 0.0;
  const Window w = pointWindow(block[1]);
  double sum = 0.0, count = 0.0;
  for (int i = w.iLo; i <= w.iHi; ++i)
    for (int j = w.jLo; j <= w.jHi; ++j) {
      const double d = zval[i][j][znumber] - zval[i][j][1];
      if (d > 0.0) {
        sum += d;
        count += 1.0;
      }
    }
  return sum / (count + 1e-20);
}
