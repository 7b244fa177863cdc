// The second and third surface drivers (F 323 1 and 2) and the classic
// pressure-to-level update of the second one. surface2 runs the method of
// F 36 through its own routines and then the regridding tail; surface3 relaxes
// the corner levels of block 1 towards zero top-cell pressure.
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "state/log.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/casulli.h"
#include "surface/gridpoints.h"
#include "surface/heightequation.h"
#include "surface/surface.h"
#include "surface/surfacesolver.h"

namespace {

using surfacegrid::onGrid;

constexpr double kHeadPerPascal = 0.000101937;

int topOrZero(int c) { return c > 0 ? columnTopCell(c) : 0; }

// The column cells of (i, j), (i, j+1), (i+1, j+1), (i+1, j) around grid point (i, j).
void columnsAroundPoint(int i, int j, int c[4]) {
  c[0] = lowestCellOf(i, j);
  c[1] = lowestCellOf(i, j + 1);
  c[2] = lowestCellOf(i + 1, j + 1);
  c[3] = lowestCellOf(i + 1, j);
}

// Across block seams a missing column is taken from a neighbour of another.
void fillAcrossSeams(int& a, int& b, int& c, int& d) {
  auto nb = [](const int* arr, int x) { return cellInGrid(arr[x]) ? arr[x] : 0; };
  for (int pass = 0; pass < 2; ++pass) {
    if (a == 0 && b != 0) a = nb(Ccells, b);
    if (a == 0 && d != 0) a = nb(Ccellw, d);
    if (b == 0 && a != 0) b = nb(Ccelln, a);
    if (b == 0 && c != 0) b = nb(Ccellw, c);
    if (c == 0 && b != 0) c = nb(Ccelle, b);
    if (c == 0 && d != 0) c = nb(Ccelln, d);
    if (d == 0 && a != 0) d = nb(Ccelle, a);
    if (d == 0 && c != 0) d = nb(Ccells, c);
  }
}

void clearCfWorkRange() {
  for (int c = std::max(WCStart, 0); c <= WCEnd && c <= NoCells; ++c) Cf[c] = 0.0;
}

void semiImplicit() {
  computeCoeffCasulli();
  if (FlagMomentSurf == 1) computeSourceCasulli();
  setSurfaceBoundary();
  if (NoWeirs > 0) computeWeirs();
  setProgram("Surface block solver");
  otime[28] = omp_get_wtime();
  if (BlockCasulli == 1) computeBlockCasulliMG();
  if (BlockCasulli == 2) computeBlockCasulli();
  otime[29] = omp_get_wtime();
  setProgram("Surface solver");
  surfaceSolver(solverFroude != 0 ? 43 : 4);
  otime[30] = omp_get_wtime();
  setProgram("End surface solver");
  if (debugging == 'D' || debugging == 'E') surfaceBugtrap(1);
  Cf[0] = 0.0;
  surfaceUpdate();
}

void surfaceEnd() {
  computeTailSurf();
  if (debugging == 'P') {
    const double t = omp_get_wtime();
    logf("Surface genereation time: %lf seconds at %lf seconds\n", t - otime[72], t - otime[0]);
    otimeSurfsolve += t - otime[72];
  }
  setProgram("End Surface ");
}

}  // namespace

// F 36 3: every grid point of the ordinary blocks moves by the distance of
// the reference point to the reference level (or takes that level with F 236),
// once, even where two blocks share it.
void surfaceShiftToReference(bool setLevels) {
  if (!zval) return;
  const double dz = onGrid(iPres, jPres) ? GlobZRef - zval[iPres][jPres][znumber] : 0.0;
  std::vector<char> moved(static_cast<std::size_t>(xnumber + 2) * static_cast<std::size_t>(ynumber + 2), 0);
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    if (B.gridLevel != 0 || B.kind != 0 || B.subBed != 0) continue;
    const surfacegrid::Window w = surfacegrid::pointWindow(B);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j) {
        char& m = moved[static_cast<std::size_t>(i) * (ynumber + 2) + j];
        if (m) continue;
        m = 1;
        const double z = setLevels ? GlobZRef : zval[i][j][znumber] + dz;
        zval[i][j][znumber] = zval[i][j][znumber + 1] = z;
      }
  }
}

void computeSurfClassic() {
  if (!zval) return;
  Cpres[0] = 0.0;
  const int c1 = lowestCellOf(iPres, jPres);
  const int c2 = jSurf != 0 ? lowestCellOf(iPres2, jPres2) : 0;
  const bool two = c2 != 0;
  for (int bl = 1; bl <= NoBlocks && bl < 100; ++bl) {
    if (!surfacegrid::updatedBlock(bl)) continue;
    const BlockRecord& B = block[bl];
    const surfacegrid::Window w = surfacegrid::pointWindow(B);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j) {
        int c[4];
        columnsAroundPoint(i, j, c);
        if (c[0] == 0 && c[1] == 0 && c[2] == 0 && c[3] == 0) continue;
        if (TopBed == 1)
          for (int& x : c) x = topOrZero(x);
        if (NoBlocks > 1) fillAcrossSeams(c[0], c[1], c[2], c[3]);
        int n = 0;
        for (int x : c) n += x != 0;
        if (n == 0) continue;
        if (TopBed != 1)
          for (int& x : c) x = topOrZero(x);
        double p = 0;
        for (int x : c) {
          if (x == 0) continue;
          p += (FlagNonHydrostaticSurf == 6 || FlagNonHydrostaticSurf == 7) && Bpresavg ? Bpresavg[Cbed[x]] : Cpres[x];
        }
        p /= n;
        const double z = zval[i][j][znumber];
        double dz;
        if (!two) {
          dz = ((p - GlobPresRef) * kHeadPerPascal - (z - GlobZRef)) * RelaxSurface;
        } else {
          const double d1 = std::hypot(xval[i][j] - Cxcenter[c1], yval[i][j] - Cycenter[c1]);
          const double d2 = std::hypot(xval[i][j] - Cxcenter[c2], yval[i][j] - Cycenter[c2]);
          const double wgt = d1 / (d1 + d2 + 1e-20);
          dz = ((p - (1 - wgt) * GlobPresRef - wgt * GlobPresRef2) * kHeadPerPascal -
                (z - (1 - wgt) * GlobZRef - wgt * GlobZRef2)) *
               RelaxSurface;
        }
        const double zb = zval[i][j][1];
        if (FroudeMaxSurface > 0.5 && z > zb) {
          double u = 0, v = 0;
          for (int x : c)
            if (x != 0) {
              u += Cxvel[x];
              v += Cyvel[x];
            }
          u /= n;
          v /= n;
          dz = std::max(dz, (u * u + v * v) / (FroudeMaxSurface * FroudeMaxSurface * 9.81) - (z - zb));
        }
        if (MaxSurfSlope > 0) {
          double zmax = 100000, zmin = -100000;
          auto limitBy = [&](int ni, int nj) {
            const double zn = zval[ni][nj][znumber];
            const double dn = std::hypot(xval[ni][nj] - xval[i][j], yval[ni][nj] - yval[i][j]);
            zmax = std::min(zmax, zn + MaxSurfSlope * dn);
            zmin = std::max(zmin, zn - MaxSurfSlope * dn);
          };
          if (i > B.i1 - 1 && i - 1 >= w.iLo) limitBy(i - 1, j);
          if (i < B.i2 && i + 1 <= w.iHi) limitBy(i + 1, j);
          if (j < B.j2 && j + 1 <= w.jHi) limitBy(i, j + 1);
          if (j > B.j1 - 1 && j - 1 >= w.jLo) limitBy(i, j - 1);
          dz = std::min(dz, zmax - z);
          dz = std::max(dz, zmin - z);
          if (zmax < zmin) dz = 0;
        }
        zval[i][j][znumber] = zval[i][j][znumber + 1] = z + dz;
      }
  }
}

void surface2() {
  switch (FlagTFS) {
    case 3:
      surfaceShiftToReference(FlagThixo != 0);
      break;
    case 5: case 6:
      surface_continuity();
      break;
    case 30:
      backwater();
      break;
    case 4:
      computeCoeffTFS4();
      for (int c = 0; c <= NoCells; ++c) Cf[c] = 0.0;
      surfaceSolver(4);
      if (debugging == 'D' || debugging == 'E') surfaceBugtrap(5);
      Cf[0] = 0.0;
      surfaceUpdate();
      break;
    case 8:
      computeCoeffTFS8();
      clearCfWorkRange();
      surfaceSolver(8);
      if (debugging == 'E') surfaceBugtrap(6);
      Cf[0] = 0.0;
      surfaceUpdate();
      break;
    case 9:
      semiImplicit();
      break;
    case 10: {
      // The level each column would have without its top-cell pressure,
      // carried from the reference level shifted by that pressure head. The
      // shift belongs to this move only: the reference level itself stays.
      const int ref = lowestCellOf(iPres, jPres);
      const double zref = GlobZRef - Cpres[ref] * kHeadPerPascal;
      surfaceAlgo10(ref, zref);
      break;
    }
    case 7:
      computeCoeffTFS7();
      setSurfaceBoundary();
      clearCfWorkRange();
      surfaceSolver(solverFroude != 0 ? 83 : 8);
      if (debugging == 'E') surfaceBugtrap(7);
      Cf[0] = 0.0;
      if (FlagUpdateDownwind != 0)
        surfaceUpdateDownwind();
      else
        surfaceUpdate();
      if (FlagPreventDiv != 0) surfacePreventDiv();
      break;
    case 0: case 2:
      computeSurfClassic();
      break;
    default:
      break;
  }
  surfaceEnd();
}

void surface3() {
  if (NoBlocks < 1) fatal(-1, "Error, dry upstream/downstream surface3\n\n");
  const BlockRecord& B = block[1];
  const int c1 = lowestCellOf(iPres, jPres);
  const int c2 = iPres2 > 0 ? lowestCellOf(iPres2, jPres2) : lowestCellOf(B.i1, B.j2 / 2);
  if (c1 == 0 || c2 == 0) fatal(-1, "Error, dry upstream/downstream surface3\n\n");
  const surfacegrid::Window w = surfacegrid::pointWindow(B);
  for (int i = w.iLo; i <= w.iHi; ++i)
    for (int j = w.jLo; j <= w.jHi; ++j) {
      int c[4];
      columnsAroundPoint(i, j, c);
      double p = 0;
      int n = 0;
      for (int x : c)
        if (x != 0) {
          p += Cpres[columnTopCell(x)];
          ++n;
        }
      if (n > 0) zval[i][j][znumber] += 0.1 * (p / n) / 9810.0;
    }
  surfaceEnd();
}
