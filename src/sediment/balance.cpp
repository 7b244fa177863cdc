// The sediment balance: the running sums of a step after the bed change, the
// continuity report of a step with the balance table per size, and the
// closing report of the run. Serial, on the main thread.
#include "sediment/balance.h"

#include <algorithm>
#include <cmath>

#include "state/log.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

int sizeCount() { return std::clamp(lnumber, 0, 50); }
int cellFirst() { return std::max(WCStart, 1); }
int cellLast() { return std::min(WCEnd, NoCells); }
int bedFirst() { return std::max(WBStart, 1); }
int bedLast() { return std::min(WBEnd, bedCellCapacity() - 1); }
int blockCount() { return std::clamp(NoBlocks, 0, 99); }
bool gridPoint(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }
int layerTop(int b) { return std::clamp(BlayerTop[b], 0, NoBedLayers); }

// The mean of a level slot over the four corners of column (i, j).
double cornerMean(double** level, int i, int j) {
  return 0.25 * (level[i][j] + level[i - 1][j] + level[i][j - 1] + level[i - 1][j - 1]);
}
double cornerBedMean(int i, int j) {
  return 0.25 * (zval[i][j][1] + zval[i - 1][j][1] + zval[i][j - 1][1] + zval[i - 1][j - 1][1]);
}

// The columns of the blocks with grid level 0 and no sub-bed flag.
template <class F>
void forBedColumns(F visit) {
  for (int n = 1; n <= blockCount(); ++n) {
    const BlockRecord& B = block[n];
    if (B.gridLevel != 0 || B.subBed != 0) continue;
    for (int i = std::max(B.i1, 1); i <= std::min(B.i2, xnumber + 1); ++i)
      for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber + 1); ++j) visit(i, j);
  }
}

void twoLayerMasses(double out[51]) {
  const int L = sizeCount();
  for (int l = 0; l <= L; ++l) out[l] = 0.0;
  if (!BSedDistrib || !Barea) return;
  const double perVolume = SolidFrac * 1000.0 * density;
  for (int b = bedFirst(); b <= bedLast(); ++b) {
    const double f = Barea[b] * perVolume;
    out[0] += (BSedDistrib[0][0][b] + BSedDistrib[1][0][b]) * f;
    for (int l = 1; l <= L; ++l)
      out[l] += (BSedDistrib[0][0][b] * BSedDistrib[0][l][b] + BSedDistrib[1][0][b] * BSedDistrib[1][l][b]) * f;
  }
}

void multiLayerMasses(double out[51]) {
  const int L = sizeCount();
  for (int l = 0; l <= L; ++l) out[l] = 0.0;
  if (!BSedDistrib || !Barea || !BlayerTop) return;
  for (int b = bedFirst(); b <= bedLast(); ++b)
    for (int k = 0; k <= layerTop(b); ++k) {
      const double solid = Bsolidfraction ? Bsolidfraction[k][b] : SolidFrac;
      const double m = BSedDistrib[k][0][b] * Barea[b] * solid * density * 1000.0;
      out[0] += m;
      for (int l = 1; l <= L; ++l) out[l] += m * BSedDistrib[k][l][b];
    }
}

// The checks of the multi-layer stacks: the largest departure of a layer's
// fractions from a sum of 1 and where it is, the mean solid fraction of the
// layers, the layer thickness per bed cell and the mean thickness of the
// bed above the fixed bed (corner levels less Surfaces[3]).
void stackChecks() {
  kSumfrac = kSumSolid = kSumBSed0 = kSumThick = 0.0;
  kSumfracBed = kSumfracLayer = 0;
  if (!BSedDistrib || !BlayerTop) return;
  const int L = sizeCount();
  double solid = 0.0, layers = 0.0, beds = 0.0, thick = 0.0;
  const bool levels = zval && Surfaces && surfaceCount() > 3 && Bkooi && Bkooj;
  for (int b = bedFirst(); b <= bedLast(); ++b) {
    beds += 1.0;
    for (int k = 0; k <= layerTop(b); ++k) {
      double sum = 0.0;
      for (int l = 1; l <= L; ++l) sum += BSedDistrib[k][l][b];
      const double def = std::fabs(1.0 - sum);
      if (def > kSumfrac || kSumfracBed == 0) {
        kSumfrac = def;
        kSumfracBed = b;
        kSumfracLayer = k;
      }
      solid += Bsolidfraction ? Bsolidfraction[k][b] : SolidFrac;
      layers += 1.0;
      kSumBSed0 += BSedDistrib[k][0][b];
    }
    const int i = Bkooi[b], j = Bkooj[b];
    if (levels && gridPoint(i, j) && gridPoint(i - 1, j - 1))
      thick += cornerBedMean(i, j) - cornerMean(Surfaces[3], i, j);
  }
  kSumSolid = layers > 0.0 ? solid / layers : 0.0;
  kSumBSed0 = beds > 0.0 ? kSumBSed0 / beds : 0.0;
  kSumThick = beds > 0.0 ? thick / beds : 0.0;
}

// The time in the unit the closing line chooses.
void timeLine() {
  if (stimet < 10000.0)
    logf("Time: %lf seconds\n", stimet);
  else if (stimet >= 5000000.0)
    logf("Time: %lf days\n", stimet / 86400.0);
  else
    logf("Time: %lf hours\n", stimet / 3600.0);
}

}  // namespace

BedChangeSummary sedimentBalanceSums() {
  const int L = sizeCount();
  double layer[51];
  // 1., 2. The bed change and the layer masses now against the start.
  if (FlagTSC == 1 || FlagTSC == 2) {
    if (Bedmove && Barea)
      for (int b = bedFirst(); b <= bedLast(); ++b)
        SumBedChange += Bedmove[b] * Barea[b] * 1000.0 * density * SolidFrac;
    twoLayerMasses(layer);
    for (int l = 0; l <= L; ++l) kLayer2[l] = layer[l] - kLayer1[l];
  } else if (FlagTSC == 3) {
    stackChecks();
    multiLayerMasses(layer);
    for (int l = 0; l <= L; ++l) kLayer2[l] = layer[l] - kLayer1[l];
  }
  // 3. The suspended mass now, and the totals over the sizes.
  kSusp[0] = kSuspo[0] = kIn[0] = kUt[0] = kBedmove[0] = 0.0;
  for (int l = 1; l <= L; ++l) {
    double sum = 0.0;
    if (Cconc && Cvol)
      for (int c = cellFirst(); c <= cellLast(); ++c) sum += Cconc[l][c] * Cvol[c] * 1000.0 * density;
    kSusp[l] = sum;
    kSusp[0] += kSusp[l];
    kSuspo[0] += kSuspo[l];
    kIn[0] += kIn[l];
    kUt[0] += kUt[l];
    kBedmove[0] += kBedmove[l];
  }
  // 4. The bed volume change held at the grid corners.
  SurfacesBM = 0.0;
  if (Surfaces && armap)
    for (int i = 2; i <= xnumber; ++i)
      for (int j = 2; j <= ynumber; ++j) SurfacesBM += armap[i][j] * cornerMean(Surfaces[1], i, j);
  // 5. Mean and largest bed change over the columns with water.
  BedChangeSummary s;
  if (Bedmove && Bcellt) {
    double sum = 0.0, count = 0.0;
    for (int b = bedFirst(); b <= bedLast(); ++b) {
      if (Bcellt[b] <= 0) continue;
      sum += Bedmove[b];
      count += 1.0;
      if (std::fabs(Bedmove[b]) > std::fabs(s.largest)) s.largest = Bedmove[b];
    }
    s.mean = sum / (count + 1e-20);
  }
  // 7. F 277 1: the bed change of the step less the change of the stack.
  if (FlagBedDefect == 1 && Bdefect && BSedDistrib && BlayerTop && Bedmove)
    for (int b = bedFirst(); b <= bedLast(); ++b) {
      for (int k = 0; k <= layerTop(b); ++k) Bdefect[b] -= BSedDistrib[k][0][b];
      Bdefect[b] += Bedmove[b];
    }
  // 8. F 448: the defect of each size relative to a chosen measure.
  if (FlagDefectRatio > 0)
    for (int l = 1; l <= L; ++l) {
      const double N = kIn[l] - kUt[l] - (kSusp[l] - kSuspo[l]) - kLayer2[l];
      if (FlagDefectRatio == 1)
        kDefectRatio[l] = N / (kSusp[l] + 1e-20);
      else if (FlagDefectRatio == 2)
        kDefectRatio[l] = std::clamp(N / (kIn[l] + kSusp[l] + kUt[l] + 1e-20), -1.0, 1.0);
      else if (FlagDefectRatio == 3)
        kDefectRatio[l] = std::clamp(N / (kIn[l] + kSusp[l] + kUt[l] + 1e-20), -10.0, 10.0);
    }
  return s;
}

bool continuityReportDue() { return debugging == 'D' || debugging == 'E' || (debugging == 'J' && FlagPrint == 0); }

void continuityReport(const BedChangeSummary& s) {
  logf("Time: %lf. Continuity: Bedchange %lf kg, Inflow %lf kg, Outflow %lf kg, Volume bed change %lf m3\n", stimet,
       SumBedChange, SumInflow, SumOutflow, SurfacesBM);
  logf("Defect from erosion under non-movable bed: %lf kg\n", kLimDef);
  logf("Bed outflow move defect: %lf kg\n", SumBedMoveDef);
  logf("Susp. volume change defect: %lg kg\n", SuspVolChangeDef);
  const int fb = kSumfracBed, fl = kSumfracLayer;
  const bool stack = FlagTSC == 3 && fb > 0 && BSedDistrib && BlayerTop;
  if (stack)
    logf("Max def. fractions: %lg (%d,%d) BSD[0]=%lg, BtopL=%d, delta solidfrac: %lg, AvBedThick %lg, AvSedD0: %lg\n",
         kSumfrac, fb, fl, BSedDistrib[fl][0][fb], BlayerTop[fb], kSumSolid - SolidFrac, kSumThick, kSumBSed0);
  logf("Size   Inflow (kg)     Outflow (kg)    Suspension      BedLayerCh      Bedchange  Defect     Defect2    "
       "Def,PST    Def2,PST\n");
  PrintMaxErrorSuspSed = 0.0;
  double lastDefect = 0.0;
  for (int l = 0; l <= sizeCount(); ++l) {
    const double suspChange = kSusp[l] - kSuspo[l];
    const double defect = kIn[l] - kUt[l] - suspChange - kLayer2[l];
    const double defect2 = kIn[l] - kUt[l] - suspChange - kBedmove[l] * density;
    const double M = std::max(std::fabs(kIn[l]), std::fabs(kUt[l])) + 1e-10;
    const double pst = 100.0 * defect / M, pst2 = 100.0 * defect2 / M;
    logf("  %2d %15lg %15lg %15lg %15lg %15lg %10lg %10lg %10lg %10lg\n", l, kIn[l], kUt[l], kSusp[l], kLayer2[l],
         kBedmove[l] * density, defect, defect2, pst, pst2);
    PrintMaxErrorSuspSed = std::max({PrintMaxErrorSuspSed, pst, pst2});
    lastDefect = defect;
  }
  if (FlagTSC == 3)
    for (int l = 1; l <= sizeCount(); ++l)
      if (std::fabs(Bvollefttot[l]) > 1e-8) logf("Bvollefttot[%d] = %lf kg\n", l, Bvollefttot[l]);
  if (lastDefect > 10.0 && lnumber == 1 && BedLoadVectorFlag == 1)
    logf("Possible cause of continuity error: F 78 1. Try F 78 3 instead\n");
  if (FlagBugFind == 1 && std::isnan(SuspVolChangeDef) && NoCells >= 1 && Cvol && Cconc && lnumber >= 1)
    logf("Bugfind: Vol(1) = %lf, Cconc[1][1] = %lf\n", Cvol[1], Cconc[1][1]);
  logf("Average bedchange: %lf, max: %lf\n", s.mean, s.largest);
  // Fractions of a layer that no longer sum to 1 mean a broken stack: the
  // run ends, unless it is an empty bottom layer.
  if (stack && std::fabs(kSumfrac) > 0.5 && !(fl == 0 && BSedDistrib[fl][0][fb] <= 1e-7)) {
    logf("Error sum fractions = %lf. Bedmove[%d] = %le, lb=%d, BlayerTop = %d\n", kSumfrac, fb,
         Bedmove ? Bedmove[fb] : 0.0, fl, BlayerTop[fb]);
    fatal(-4, "BSedDistrib[%d][0][%d] = %le\n", fl, fb, BSedDistrib[fl][0][fb]);
  }
}

void closingReport() {
  // 1. The bed change, the shear and the suspended transport of every column.
  if (debugging == 'B' && Bedmove && Bcellt) {
    logf("\n2D cell, 3D cell, Bedmove (m), 1/2 cell height (m), Bed shear (Pa), sediment transp. (kg/s/m)\n");
    for (int b = bedFirst(); b <= bedLast(); ++b) {
      const int c = Bcellt[b];
      if (!cellInGrid(c)) continue;
      double transport = 0.0;
      forColumnUp(c, [&](int n) {
        double conc = 0.0;
        for (int l = 1; l <= sizeCount(); ++l) conc += Cconc[l][n];
        transport += 2.0 * std::hypot(Cxvel[n], Cyvel[n]) * conc * Ckdist[n] * 2650.0;
      });
      logf("%8d %8d %16lg %12lf %16lg %16lg\n", b, c, Bedmove[b], Ckdist[c], 300.0 * Ckinen[c], transport);
    }
  }
  // 2., 3. The time and the run's balance.
  timeLine();
  logf("Continuity: Bedchange %lg kg, Inflow %lg kg, Outflow %lg kg\n", SumBedChange, SumInflow, SumOutflow);
  logf("BedMoveDefAbs+Move: %lg %lg (kg)\n", BedMoveDefectAbs, BedMoveDefectSum);
  logf("Bed outflow move defect: %lf (kg)\n", SumBedMoveDef);
  logf("Susp. volume change defect: %lg (kg)\n", SuspVolChangeDef);
  // 4. Surface updates.
  if (NoNumSurfUpdate > 0) logf("Surface updated %d times\n", NoNumSurfUpdate);
  if (NoNumNoSurfUpdate > 0) {
    logf("Surface update failed %d times\n", NoNumNoSurfUpdate);
    if (NoNumNoSurfUpdate > NoNumSurfUpdate / 10) {
      logf("Advice for solving problem of too few surface updates: \n");
      logf("1. Increase the number of inner iterations for each time step: F 33 data set\n");
      logf("2. Decrease relaxation coefficients: K 3 data set\n");
      logf("3. Use multi-grid method: F 168 / K 5 data sets\n");
      logf("4. Increase the residual criteria for updates: F 224 data set\n");
      logf("5. Increase scaling parameters for k and epsilon: F 200 data set\n");
    }
  }
  // 5. Shoreline corrections and the grid.
  for (int i = 0; i <= 26; ++i)
    if (NoErrorsTrekant[i] > 0) logf("NoErrorsTrekant[%d]=%d\n", i, NoErrorsTrekant[i]);
  logf("Grid size: Cells: %d, Surfaces: %d, Points: %d\n", NoCells, NoSurfaces, NoPoints);
  // 6. The deposit in the G 29 window.
  if (i1Iff > 0 && Surfaces && pointbed && Barea) {
    double volume = 0.0;
    for (int i = i1Iff; i <= i2Iff; ++i)
      for (int j = j1Iff; j <= j2Iff; ++j) {
        if (!gridPoint(i, j)) continue;
        const int b = pointbed[i][j];
        if (b >= 1 && b < bedCellCapacity()) volume += Surfaces[1][i][j] * Barea[b];
      }
    logf("G 29 data set deposited volume: %lf m3\n", volume);
  }
  // 7. The bed statistics of F 358.
  if (BedStatI1 > 0 && BedStatNo > 0 && bedStatDepth && bedStatBed && bedStatDev && bedStatK && Surfaces) {
    const double n = BedStatNo;
    logf("\nBed statistics after %d samples\n", BedStatNo);
    logf("i, j, depth [m], orig. bedlevel [m], bedlevel [m], bedlevel deviation [m]\n");
    double depth = 0.0, dev = 0.0, K = 0.0, count = 0.0;
    for (int i = BedStatI1; i <= BedStatI2; ++i)
      for (int j = BedStatJ1; j <= BedStatJ2; ++j) {
        if (!gridPoint(i, j)) continue;
        logf("%d %d %lf %lf %lf %lf\n", i, j, bedStatDepth[i][j] / n, Surfaces[0][i][j], bedStatBed[i][j] / n,
             bedStatDev[i][j] / n);
        depth += bedStatDepth[i][j] / n;
        dev += bedStatDev[i][j] / n;
        K += bedStatK[i][j] / n;
        count += 1.0;
      }
    const double m = std::max(count, 1.0);
    logf("Average depth: %lf m, Average bed deviation: %lf m\n", depth / m, dev / m);
    logf("Average K factor: %lf\n\n", K / m);
  }
}

void closingReportAfterRestart() {
  // 8. The time-averaged depth and shears of the timeo file.
  if (NoDepthTimeo > 0) {
    const double n = NoDepthTimeo;
    logf("Time-averaged depth: %lf m, shears: %10.5le %10.5le %10.5le %10.5le Newton\n", AvDepthTimeo / n,
         AvShearTimeo1 / n, AvShearTimeo2 / n, AvShearTimeo3 / n, AvShearTimeo4 / n);
  }
  // 9., 10. The bed volume change since the grid was made, and the slides.
  if (zval && Surfaces && armap) {
    double V = 0.0, slides = 0.0, slidesAbs = 0.0;
    const bool slideSums = FlagThixo > 0 && surfaceCount() > 6;
    forBedColumns([&](int i, int j) {
      V += armap[i][j] * (cornerBedMean(i, j) - cornerMean(Surfaces[0], i, j));
      if (slideSums) {
        const double s = armap[i][j] * cornerMean(Surfaces[6], i, j);
        slides += s;
        slidesAbs += std::fabs(s);
      }
    });
    logf("Total change in bed levels: %e qubic meters or %e kg\n", V, V * 2650.0 * SolidFrac);
    if (FlagThixo > 0)
      logf("Total volume change due to slides: %e m3. Absolute change: %e m3\n", slides, slidesAbs);
  }
  // 11. Measured against computed bed changes.
  if (FlagBechInt > 0) {
    bechStanddev /= FlagBechInt;
    bechMeasAv /= FlagBechInt;
    logf("Standard deviation measured-computed bed changes: %lf meters. Av. measured: %lf meters.\n\n", bechStanddev,
         bechMeasAv);
  }
  // 12. Where the time went.
  if (debugging == 'P')
    logf("Time: Watersolve: %lf, Sediments: %lf, Slides: %lf, Grid: %lf, Surface: %lf, SlideVert: %lf\n",
         otimeWatersolve, otimeSedimsolve, otimeSlidesolve, otimeGridsolve, otimeSurfsolve, otimeSlideVertSolve);
}
