// The stand-alone surface step and the downstream fixed values of the
// two-dimensional surface equation. The equation has one row per column at
// its lowest cell; a fixed row holds the level change that brings the column
// to its target level.
#include "surface/standalone.h"

#include <algorithm>

#include "flow/compterms.h"
#include "flow/stages.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "solvers/columns.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/surface.h"

namespace {

constexpr double kFixed = 1e20;

void fixRow(int c, double change) {
  if (!cellInGrid(c)) return;
  Cap[c] = kFixed;
  Csource[c] = kFixed * change;
}

double topLevelOfCell(int c) {
  const int t = columnTopCell(c);
  return Czcenter[t] + Ckdist[t];
}

// The downstream (upstream) level of timei at stimet; a single record holds
// at all times. False without a series.
bool seriesLevel(const double* values, double& zLevel) {
  if (!values) return false;
  const SeriesPoint s = seriesNow();
  if (!s.valid) return false;
  zLevel = s.of(values);
  return true;
}

// The lowest cells at the faces of an outflow group, each fixed to H less
// the level of its column.
void fixGroup(int g, double H) {
  if (g <= 0 || g > 9) return;
  const DischargeGroup& G = DischargeStruct[g];
  const int faces = std::min(G.surfno, MaxGroupFaces);
  for (int e = 0; e < faces; ++e) {
    const int f = G.face[e];
    if (!faceInGrid(f)) continue;
    const int c = cellInGrid(Fcell1[f]) ? Fcell1[f] : Fcell2[f];
    if (!cellInGrid(c) || Ccellb[c] != 0) continue;
    fixRow(c, H - topLevelOfCell(c));
  }
}

// The reference column's level and its target, the downstream level of the
// series or the level itself. False when the column has no cell.
bool referenceTarget(double& zLevel, double& target) {
  if (!surfaceColumnLevel(iPres, jPres, zLevel)) return false;
  target = zLevel;
  seriesLevel(TimeInHout, target);
  return true;
}

// Grid points of the blocks of the computed grid whose surface moves.
template <typename F>
void forUpdatedPoints(F visit) {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    visit(block[b]);
  }
}

bool wetByBed(int i, int j) {
  const int c = lowestCellOf(i, j);
  return c > 0 && Cbed && Cbed[c] > 0;
}

void takeLevel(int i, int j, int fi, int fj) {
  if (surfacegrid::onGrid(i, j) && surfacegrid::onGrid(fi, fj)) surfacegrid::setLevel(i, j, surfacegrid::zs(fi, fj));
}

// F 187 1: the levels across a wet/dry border take those of the wet side.
void levelEdges() {
  forUpdatedPoints([](const BlockRecord& B) {
    const surfacegrid::Window w = surfacegrid::pointWindow(B);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j) {
        if (lowestCellOf(i, j) == 0) continue;
        const bool north = wetByBed(i, j + 1), south = wetByBed(i, j - 1);
        if (!north && south) {
          takeLevel(i, j, i, j - 1);
          takeLevel(i - 1, j, i - 1, j - 1);
          continue;
        }
        if (north && !south) {
          takeLevel(i, j - 1, i, j);
          takeLevel(i - 1, j - 1, i - 1, j);
          continue;
        }
        const bool east = wetByBed(i + 1, j), west = wetByBed(i - 1, j);
        if (east && !west) {
          takeLevel(i - 1, j, i, j);
          takeLevel(i - 1, j - 1, i, j - 1);
        } else if (!east && west) {
          takeLevel(i, j, i - 1, j);
          takeLevel(i, j - 1, i - 1, j - 1);
        }
      }
  });
}

// F 154 1: in place on the working copy, line by line.
void smoothLevels() {
  const double s = SurfSmoothVal;
  forUpdatedPoints([s](const BlockRecord& B) {
    using surfacegrid::onGrid;
    using surfacegrid::zsCopy;
    auto L = [](int i, int j) { return onGrid(i, j) ? zsCopy(i, j) : 0.0; };
    auto put = [](int i, int j, double v) {
      if (onGrid(i, j)) surfacegrid::setLevel(i, j, v);
    };
    for (int i = std::max(B.i1, 1); i <= std::min(B.i2 - 1, xnumber); ++i) {
      for (int j = std::max(B.j1, 1); j <= std::min(B.j2 - 1, ynumber); ++j)
        put(i, j, (1.0 - s) * L(i, j) + 0.25 * s * (L(i - 1, j) + L(i, j - 1) + L(i + 1, j) + L(i, j + 1)));
      const int a = B.j1 - 1, z = B.j2;
      put(i, a, (1.0 - s) * L(i, a) + 0.3333333 * s * (L(i - 1, a) + L(i + 1, a) + L(i, a + 1)));
      put(i, z, (1.0 - s) * L(i, z) + 0.3333333 * s * (L(i - 1, z) + L(i + 1, z) + L(i, z - 1)));
    }
  });
}

// F 36 4: the level-change equation, solved, and the corners moved by the
// mean of their columns.
void levelChangeStep(double H) {
  if (!Cf) Cf = Cfn;
  if (!Cf) return;
  for (int c = 0; c <= NoCells; ++c) {
    Caw[c] = Cas[c] = Can[c] = Cae[c] = Cat[c] = Cab[c] = Csource[c] = Cf[c] = 0.0;
    Cap[c] = 0.0001;
  }
  if (surfacegrid::onGrid(iPres, jPres)) zval[iPres][jPres][znumber + 1] = H;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const surfacegrid::Window w = surfacegrid::pointWindow(block[b]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j) {
        const int c = lowestCellOf(i, j);
        if (c == 0) continue;
        Cap[c] = Caw[c] + Cae[c] + Cas[c] + Can[c] + 1e-20;
        if (FlagSurfDLL == 2 || FlagSurfDLL == 4) Caw[c] = Cae[c] = Cas[c] = Can[c] = 0.0;
        if (FlagSurfDLL == 3) Cap[c] *= 2.0;
      }
  }
  double zLevel;
  if (surfaceColumnLevel(iPres, jPres, zLevel)) fixRow(lowestCellOf(iPres, jPres), H - zLevel);
  fixGroup(kSurf, H);
  for (int c = 0; c <= NoCells; ++c) Cf[c] = 2.0 * Csource[c] / (Cap[c] + 1e-30);
  solver();
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const surfacegrid::Window w = surfacegrid::pointWindow(block[b]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j) {
        // A point shared with an earlier block has moved with it.
        if (surfacegrid::pointOfEarlierBlock(b, i, j)) continue;
        int cell[4];
        const int n = surfacegrid::cornerColumns(i, j, cell);
        if (n == 0) continue;
        double s = 0.0;
        for (int x : cell)
          if (x) s += Cf[x];
        surfacegrid::setLevel(i, j, surfacegrid::zs(i, j) + s / n * RelaxSurface);
      }
  }
}

}  // namespace

bool surfaceColumnLevel(int i, int j, double& zLevel) {
  const int c = lowestCellOf(i, j);
  if (c == 0) return false;
  zLevel = topLevelOfCell(c);
  return true;
}

void surface_solver_downstream() {
  if (!zval || !Cap || !Csource) return;
  double zs = 0.0, Hout = 0.0;
  const bool ref = referenceTarget(zs, Hout);
  if (!ref) {
    // Without a reference column the groups are fixed to the series level
    // alone; without a series there is no target.
    if (!seriesLevel(TimeInHout, Hout)) return;
  }
  if (ref) fixRow(lowestCellOf(iPres, jPres), Hout - zs);
  if (jSurf != 0) {
    double zs2 = 0.0;
    if (surfaceColumnLevel(iPres2, jPres2, zs2)) {
      double Hin = zs2;
      seriesLevel(TimeInHinn, Hin);
      fixRow(lowestCellOf(iPres2, jPres2), Hin - zs2);
    }
  }
  fixGroup(kSurf, Hout);
  fixGroup(kSurf2, Hout);
}

void surface2DLL() {
  if (!zval) return;
  if (FlagTSC == 0 && FlagTFS > 1) stimet += TimeStep;
  double zLevel = 0.0, H = 0.0;
  // The target of the reference: the series level, else the column's own
  // level; with neither there is nothing to fix and no level-change step.
  const bool target = referenceTarget(zLevel, H) || seriesLevel(TimeInHout, H);
  if (FlagTFS == 4 && target && Cap && Csource) levelChangeStep(H);
  if (FlagSurfEdge == 1) levelEdges();
  if (SurfSmoothFlag == 1) smoothLevels();
  if (FlagTSC != 0) {
    FlagGridChange = 1;
    return;
  }
  if (Cxvel_old) {
    const double* now[6] = {Cxvel, Cyvel, Czvel, Cpres, Ckinen, Cepsilon};
    double* old[6] = {Cxvel_old, Cyvel_old, Czvel_old, Cpres_old, Ckinen_old, Cepsilon_old};
    for (int q = 0; q < 6; ++q)
      if (old[q] && now[q])
        for (int c = 1; c <= NoCells; ++c) old[q][c] = now[q][c];
  }
  Unstructure();
  metric();
  BedMake();
  if (CinvAp)
    for (int c = 1; c <= NoCells; ++c) CinvAp[c] = 0.0;
  waterflow(WFStart, WFEnd);
  FlagGridChange = 1;
}
