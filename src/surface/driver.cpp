// The free-surface driver: one move of the water surface. It fixes the
// reference level and pressure, writes the trace line of `boogie-t`, scales
// by the backwater when asked, moves the corner levels by the method of F 323
// and F 36, and closes with the regridding tail.
#include <omp.h>

#include <cmath>
#include <cstdio>

#include "flow/stages.h"
#include "state/outfile.h"
#include "grid/fieldmap.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "solvers/pressource.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/driver_parts.h"
#include "surface/heightequation.h"
#include "surface/surface.h"

namespace {

// 1 once the header of `boogie-t` has been written in this run.
int PBFlag = 0;
// A trace line was begun that the move has not ended yet.
bool traceLineOpen = false;
bool traceWarned = false;

bool gridPoint(int i, int j) { return zval && i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }

int columnCell(int i, int j) {
  if (!gridPoint(i, j)) return 0;
  const int c = static_cast<int>(zval[i][j][0]);
  return c >= 1 && c <= NoCells ? c : 0;
}

double waterLevel(int i, int j) { return gridPoint(i, j) ? zval[i][j][znumber] : 0.0; }

bool traceLetter() {
  if (debugging == 'C' || debugging == 'D' || debugging == 'E') return true;
  return debugging == 'J' && std::fabs(std::fmod(static_cast<double>(Iter), 100.0)) > 0.001;
}

FILE* openTrace(const char* mode) {
  FILE* f = openWrite("boogie-t", mode);
  if (!f && !traceWarned) {
    traceWarned = true;
    logf("Warning: cannot open the surface trace file 'boogie-t'; the surface moves go on without it\n\n");
  }
  return f;
}

// Ends a begun trace line with the mean depth after the move (the tail does
// this for the letters C, D and E; a 'J' line and a skipped move end here).
void endTraceLine() {
  if (!traceLineOpen) return;
  traceLineOpen = false;
  if (FILE* f = openTrace("a")) {
    std::fprintf(f, "%lf\n", computeAvDepth());
    closeOutput(f);
  }
}

void writeTraceLine(int ref) {
  FILE* f = nullptr;
  if (PBFlag == 0) {
    f = openTrace("w");
    if (f) {
      std::fputs("Time   dh  Czcenter  Ckdist  iSurfLocal  iPres  jPres   zval   GlobZRef GlobPresRef residualP BI1 "
                 "dep1 dep2\n",
                 f);
      PBFlag = 1;
    }
  } else {
    f = openTrace("a");
  }
  const double bi = computeBI();
  if (f) {
    const double zs = waterLevel(iPres, jPres);
    std::fprintf(f, "%lf %lf %lf %lf %d %d %d %lf %lf %lf %lf %lf %lf ", stimet, GlobZRef - zs, Czcenter[ref],
                 Ckdist[ref], ref, iPres, jPres, zs, GlobZRef, GlobPresRef, MaxResidual[4], bi, computeAvDepth());
    closeOutput(f);
    traceLineOpen = true;
  }
  if (bi < 0.1 && iterWriteAllData < 0 && Iter > 1000) WriteAllData();
}


}  // namespace

int surfaceReferenceCell(int r) {
  int ref = columnCell(iPres, jPres);
  if (ref == 0 && r >= 1 && r <= NoCells) {
    ref = r;
    for (int steps = 0; steps < NoCells && Ccellb[ref] >= 1 && Ccellb[ref] <= NoCells; ++steps) ref = Ccellb[ref];
  }
  if (ref == 0) logf("Error 9 in surface computation, reference cell is zero. iPres=%d, jPres=%d, i=%d\n\n\n", iPres, jPres, r);
  return ref;
}

bool backwaterScaling() {
  if (FlagScaleFreeSource > 0 || (FlagTFS == 4 && BlockCasulli == 30 && maxBackwater < 0)) backwater();
  const bool casulli30 = FlagTFS == 4 && BlockCasulli == 30;
  const bool scaled = FlagScaleFreeSource >= 1 && FlagScaleFreeSource <= 3;
  if (casulli30 || scaled) {
    medianPressure1 = findMedianPressure(1);
    medianPressure2 = findMedianPressure(2);
  }
  return backwaterFactors(medianPressure1, medianPressure2);
}

bool backwaterFactors(double m1, double m2) {
  if (FlagTFS == 4 && BlockCasulli == 30) {
    const double dh = std::fabs(m1 - m2) / 9810.0;
    scaleBackwater = maxBackwater / ((dh > maxBackwater ? dh : maxBackwater) + 1e-7);
  } else {
    scaleBackwater = 1.0;
  }
  if (FlagScaleFreeSource < 1 || FlagScaleFreeSource > 3) {
    scaleBackwater2 = 1.0;
    return true;
  }
  const double dp = (m1 - m2) / 9810.0;
  double r;
  switch (FlagScaleFreeSource) {
    case 1:
      r = maxBackwater / (dp + 1e-7);
      if (r < updateRatioCriteria) {
        scaleBackwater2 = r;
        return false;
      }
      scaleBackwater2 = r < 1.0 ? r : 1.0;
      return true;
    case 2: {
      const BlockRecord& B = block[1];
      const int jm = B.j2 / 2 + 1;
      const double dz = waterLevel(B.i1 - 1, jm) - waterLevel(B.i2, jm);
      r = (maxBackwater - dz) / (dp - dz + 1e-30);
      break;
    }
    default:
      r = maxBackwater / (dp + 1e-30);
      break;
  }
  scaleBackwater2 = r >= 1.0 ? 1.0 : (r > 0.0 ? r : 0.0);
  return true;
}

void surface() {
  setProgram(" Surface ");
  if (debugging == 'P') otime[72] = omp_get_wtime();
  SurfMinVertDist0 = MinVertDist0;
  if (FlagNoGridSplit > 0) NoGridSplit();
  Ccells[0] = Ccellw[0] = Ccelln[0] = Ccelle[0] = 0;
  Cpres[0] = 0.0;
  Fflux[0] = 0.0;
  if (Bpresavg) Bpresavg[0] = 0.0;
  GlobZRef2 = 0.0;
  if (FlagGlobFlux > 0) SurfVolDefect = computeVolRes();
  if (FlagSurfLimit5 == 5) SurfResLimit5 = meanPressureResidual3();
  if (FlagNestTop == 4) scalePressureNested();
  if (FlagTFS == 4 || FlagTFS == 7 || FlagTFS == 8 || FlagTFS == 9 ||
      ((FlagNonHydrostaticSurf == 6 || FlagNonHydrostaticSurf == 7) && Bpresavg))
    for (int b = 1; b <= NoBlocks; ++b)
      if (block[b].gridLevel == 0) computeBFroude(block[b].firstBedCell, block[b].lastBedCell);
  if (FlagPresMPIboundary == 8) limitPressureMPI();

  const int r = computeSurfaceReferences();
  const int ref = surfaceReferenceCell(r);
  const int ref2 = jSurf != 0 ? columnCell(iPres2, jPres2) : 0;

  if (traceLetter()) {
    endTraceLine();
    writeTraceLine(ref);
  }
  if (GlobPresRef != GlobPresRef) {
    logf("Stopped after %lf seconds due to NAN value for pressure reference\n\n", stimet);
    WriteAllData();
    fatal(-1, "Error: the surface move has no reference pressure\n\n");
  }
  if (!backwaterScaling()) {
    // The move is skipped: no level changes, no regeneration.
    endTraceLine();
    return;
  }

  if (FlagSurface2 == 1 || FlagSurface2 == 2) {
    // The second and third drivers run their method and the tail themselves.
    if (FlagSurface2 == 1)
      surface2();
    else
      surface3();
    if (debugging == 'J') endTraceLine();
    traceLineOpen = false;
    return;
  }
  switch (FlagTFS) {
    case 3:
      surfaceShiftToReference(false);
      break;
    case 5: case 6:
      surface_continuity();
      break;
    case 30:
      backwater();
      break;
    case 8:
      surfaceEquation8(ref);
      break;
    case 4: case 21:
      surfaceEquation4(ref);
      break;
    case 7: case 9:
      surfaceEquation7(ref);
      break;
    case 10:
      surfaceAlgo10Move(ref);
      break;
    default:
      surfaceClassicUpdate(ref, ref2);
      break;
  }
  computeTailSurf();
  if (debugging == 'J') endTraceLine();
  traceLineOpen = false;
}

void surfaceAlgo10Move(int ref) {
  // The reference level less the head of the reference column, for this move
  // only: GlobZRef itself stays, so that a held reference does not drift.
  const double zref = GlobZRef - 0.000101937 * Cpres[columnCell(iPres, jPres)];
  surfaceAlgo10(ref, zref);
}

double meanPressureResidual3() {
  if (NoCells < 1 || !Cpres_res) return 0.0;
  double s = 0.0;
  for (int c = 1; c <= NoCells; ++c) s += std::fabs(Cpres_res[c]);
  return 3.0 * s / NoCells;
}

void resetSurfaceDriver() {
  PBFlag = 0;
  traceLineOpen = traceWarned = false;
}
