// Reference levels of the free surface: the level and pressure at the
// reference column that every surface method measures its heads from, the
// second pair of the upstream end, and the level shift of F 539.
#include <cmath>
#include <cstdio>
#include <limits>

#include "flow/compterms.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/surface.h"

namespace {

// A second reference level (GlobZRef2) was set in this reference update: by
// the second column, the inflow group or the deposition levels. A level at or
// below 0 m is a real level, so GlobZRef2 itself cannot tell.
bool secondReference = false;

bool cellInGrid(int c) { return c >= 1 && c <= NoCells; }

bool gridLine(int i, int j) { return zval && i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }

// The lowest cell of the column at grid point (i, j); 0 when the point lies
// outside the grid lines or its column has no cell.
int columnCellAt(int i, int j) {
  if (!gridLine(i, j)) return 0;
  const double v = zval[i][j][0];
  return v >= 1.0 && v <= NoCells ? static_cast<int>(v) : 0;
}

// The top cell of the column of cell c (0 for no cell). The walk stops after
// NoCells steps, so a chain that runs in a circle cannot hold it.
int topCellOf(int c) {
  if (!cellInGrid(c)) return 0;
  for (int n = 0; n < NoCells; ++n) {
    const int t = Ccellt[c];
    if (!cellInGrid(t)) break;
    c = t;
  }
  return c;
}

bool isTopCell(int c) { return !cellInGrid(Ccellt[c]); }

double topFaceLevel(int c) { return Czcenter[c] + Ckdist[c]; }

bool groupInRange(int g) { return g >= 1 && g <= 9; }

// A group of the given direction (1 inflow, 0 outflow) that has faces.
bool groupWithFaces(int g, int inflow) {
  return groupInRange(g) && DischargeStruct[g].inflow == inflow && groupFaceCount(DischargeStruct[g]) > 0;
}

// The outflow group that has a face on the reference cell r.
void findOutletGroup(int r) {
  if (r < 1) return;
  for (int g = 1; g <= 9; ++g) {
    if (!groupWithFaces(g, 0)) continue;
    const DischargeGroup& G = DischargeStruct[g];
    const int n = groupFaceCount(G);
    for (int k = 0; k < n; ++k)
      if (groupFaceCell(G.face[k]) == r) FlagDSO1 = g;
  }
}

// The top cell of the column at the middle face of the outlet group found
// before; 0 when there is none.
int replacementCell() {
  if (!groupInRange(FlagDSO1)) return 0;
  const DischargeGroup& G = DischargeStruct[FlagDSO1];
  const int n = groupFaceCount(G);
  if (n < 1) return 0;
  return topCellOf(groupFaceCell(G.face[n / 2]));
}

[[noreturn]] void dryReferenceNoOutlet() {
  logf("Error 1 in Surface update, reference cell %d %d is dry\n", iPres, jPres);
  logf("This may be due to drying up of the reference cell area\n");
  logf("If the 2D index does not fit, the problem may be due to that\n");
  logf("the choise of the number of the G 6 data set was done when F 112 1\n");
  logf("was used in the control file.\n\n");
  logf("The problem may be solved by using G 6 0 0 X ... \n");
  logf("where X is the number of the discharge group of the outflow region\n\n");
  char text[200];
  std::snprintf(text, sizeof text, "Error, reference cell %d %d is dry      ", iPres, jPres);
  setProgram(text);
  fatal(-1, nullptr);
}

[[noreturn]] void dryReferenceNoReplacement() {
  logf("Error 2 in Surface update, reference cell is dry\n");
  logf("This is probablye due to a grid split where the cells in front \n");
  logf("of the outflow area have dried up\n\n");
  logf("Writing alldata file\n\n");
  WriteAllData();
  sprintflow();
  fatal(-5, nullptr);
}

// Pressure of the reference column: the top cell's, or with F 233 6 and 7 the
// mean over the column from r down (not a number for a column without cells,
// which the driver's check then stops).
double referencePressure(int r) {
  if (FlagNonHydrostaticSurf != 6 && FlagNonHydrostaticSurf != 7) return cellInGrid(r) ? Cpres[r] : Cpres[0];
  double sum = 0.0;
  int count = 0;
  for (int c = r; cellInGrid(c) && count < NoCells; c = Ccellb[c]) {
    sum += Cpres[c];
    ++count;
  }
  return count > 0 ? sum / count : std::numeric_limits<double>::quiet_NaN();
}

// The second pair from the faces of the inflow group kSurf2: the mean
// pressure of their cells and the mean top-face level of those cells that are
// top cells (no level when none is).
void inflowGroupReference() {
  if (!groupWithFaces(kSurf2, 1)) return;
  const DischargeGroup& G = DischargeStruct[kSurf2];
  const int n = groupFaceCount(G);
  double sumP = 0.0, sumZ = 0.0;
  int nP = 0, nZ = 0;
  for (int k = 0; k < n; ++k) {
    const int c = groupFaceCell(G.face[k]);
    if (c < 1) continue;
    sumP += Cpres[c];
    ++nP;
    if (isTopCell(c)) {
      sumZ += topFaceLevel(c);
      ++nZ;
    }
  }
  if (nP > 0) GlobPresRef2 = sumP / nP;
  if (nZ > 0) {
    GlobZRef2 = sumZ / nZ;
    secondReference = true;
  }
}

// F 416: the reference pressure is the mean over the outlet faces whose
// pressure counts (F 416 3: only those below the interval in magnitude), the
// level the mean top-face level of their top cells; with F 416 2 and 3 the
// whole pressure field is shifted so that this mean becomes 0. Without a
// counted top cell the level stays as it was.
void outletReference() {
  if (FlagPresDownstream <= 0 || kSurf <= 0 || !groupWithFaces(kSurf, 0)) return;
  const DischargeGroup& G = DischargeStruct[kSurf];
  const int n = groupFaceCount(G);
  double sumP = 0.0, sumZ = 0.0;
  int nP = 0, nZ = 0;
  for (int k = 0; k < n; ++k) {
    const int c = groupFaceCell(G.face[k]);
    if (c < 1) continue;
    const double p = Cpres[c];
    if (FlagPresDownstream == 3 && !(std::fabs(p) < IntervalPresDownstream)) continue;
    sumP += p;
    ++nP;
    if (isTopCell(c)) {
      sumZ += topFaceLevel(c);
      ++nZ;
    }
  }
  GlobPresRef = sumP / (nP + 1e-30);
  if (nZ > 0) GlobZRef = sumZ / nZ;
  if (FlagPresDownstream == 2 || FlagPresDownstream == 3) {
    for (int c = 1; c <= NoCells; ++c) Cpres[c] -= GlobPresRef;
    GlobPresRef = 0.0;
  }
}

// F 439: levels of record 0 of the series raised by the deposition depths.
void depositionLevels() {
  if (FlagDepthDeposit <= 0) return;
  if (TimeInNo < 1 || !TimeInHout || !TimeInHinn)
    fatal(2,
          "Error: F 439 %d raises the boundary levels of the time series 'timei', and this run has no such "
          "series\n\n",
          FlagDepthDeposit);
  const double out = depthDepositOut, in = depthDepositIn;
  switch (FlagDepthDeposit) {
    case 2:
      GlobZRef = TimeInHout[0] + out;
      GlobZRef2 = TimeInHinn[0] + in;
      secondReference = true;
      break;
    case 3: {
      const double m = 0.5 * (out + in);
      GlobZRef = TimeInHout[0] + m;
      GlobZRef2 = TimeInHinn[0] + m;
      secondReference = true;
      break;
    }
    case 4:
      GlobZRef = TimeInHout[0] + out + in;
      GlobZRef2 = TimeInHinn[0] + out + in;
      secondReference = true;
      break;
    default:  // 1 and every value above 4
      GlobZRef = TimeInHout[0] + out;
      break;
  }
}

}  // namespace

int computeSurfaceReferences() {
  GlobZRef2 = 0.0;
  secondReference = false;
  int r = topCellOf(columnCellAt(iPres, jPres));
  const int r2 = jSurf != 0 ? topCellOf(columnCellAt(iPres2, jPres2)) : 0;

  if (r == 0 && FlagDSO1 == -1 && FlagTFS != 3 && kSurf == 0) dryReferenceNoOutlet();

  stimeWL1 = stimeWL2;
  NoNumSurfUpdate += 1;
  stimeWL2 = stimet;

  if (FlagDSO1 == -1 && kSurf > 0) findOutletGroup(r);

  bool pointLevel = FlagTFS == 3;
  if (r == 0) {
    if (FlagDSO1 > 0) r = replacementCell();
    if (r == 0 && FlagTFS != 3) dryReferenceNoReplacement();
  }
  if (pointLevel) {
    // A reference grid point outside the grid lines has no level: the level
    // fixed before stays.
    if (gridLine(iPres, jPres)) GlobZRef = zval[iPres][jPres][znumber];
  } else if (TimeInNo > 0 || jSurf != 0 || kSurf != 0 || GlobZRef < -1e10) {
    GlobZRef = topFaceLevel(r);
  }

  GlobPresRef = referencePressure(r);

  if (r2 > 0) {
    GlobZRef2 = topFaceLevel(r2);
    GlobPresRef2 = Cpres[r2];
    secondReference = true;
  }
  if (kSurf2 > 0) inflowGroupReference();

  outletReference();

  const int n = TimeInNo;
  if (n > 0) {
    const SeriesPoint s = seriesNow();
    if (s.valid && TimeInHout) GlobZRef = s.of(TimeInHout);
    if (s.valid && TimeInHinn && r2 > 0) GlobZRef2 = s.of(TimeInHinn);
  }

  depositionLevels();

  if (n > 0 && FlagWaterlevelModify > 0) {
    if (Iter > 1) modifyWaterlevel();
    oldZvalDownstream = GlobZRef;
    oldZvalUpstream = GlobZRef2;
  }

  if (debugging == 'D')
    logf("In surface generation, iSurfLocal = %d, iSurfLocal2 = %d, ZRef = %lg, ZRef2 = %lg\n", r, r2, GlobZRef,
         GlobZRef2);
  return r;
}

void modifyWaterlevel() {
  if (NoBlocks < 1 || !xval || !yval) return;
  const BlockRecord& B = block[1];
  if (!gridLine(B.i1 - 1, B.j1 - 1) || !gridLine(B.i2, B.j2) || B.i2 < B.i1 || B.j2 < B.j1) return;
  const int jm = B.j2 / 2 + 1;
  if (!gridLine(0, jm - 1) || !gridLine(0, jm)) return;

  // Horizontal length of row i: from grid point (i-1, jm-1) to (i, jm).
  auto segment = [jm](int i) {
    return std::hypot(xval[i][jm] - xval[i - 1][jm - 1], yval[i][jm] - yval[i - 1][jm - 1]);
  };
  double L = 0.0;
  for (int i = B.i1; i <= B.i2; ++i) L += segment(i);
  if (!(L > 0.0)) return;

  const double dD = GlobZRef - oldZvalDownstream;
  const double dU = GlobZRef2 - oldZvalUpstream;
  const bool two = iPres2 > 0 && secondReference;
  double S = 0.0;
  for (int i = B.i1; i <= B.i2; ++i) {
    S += segment(i);
    const double w = S / L;
    const double dz = two ? dU * (1.0 - w) + dD * w : dD * w;
    for (int j = B.j1 - 1; j <= B.j2; ++j) zval[i][j][znumber] += dz;
  }
  if (two)
    for (int j = B.j1 - 1; j <= B.j2; ++j) zval[B.i1 - 1][j][znumber] += dU;
}
