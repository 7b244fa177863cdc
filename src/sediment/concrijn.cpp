// The bed-concentration driver: per wet bed cell of the active blocks the
// surface fractions and their diameters, the bed shear, and per grain size
// the critical shear and the equilibrium concentration Bconc.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "grid/geometry.h"
#include "state/log.h"
#include "physics/bedshear.h"
#include "sediment/bedconc.h"
#include "sediment/bedforms.h"
#include "sediment/sediment.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

double speedOf(int c) { return std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]); }

int surfaceLayer(int b) {
  if (NoBedLayers == 2 && FlagTSC != 3) return 1;
  return std::clamp(BlayerTop[b], 0, NoBedLayers);
}

// The fraction checks of the surface layer: logged, the computation goes on.
void checkFractions(int b, int c, int top) {
  const int i = Bkooi[b], j = Bkooj[b];
  double sum = 0.0;
  for (int l = 1; l <= lnumber; ++l) {
    const double f = BSedDistrib[top][l][b];
    sum += f;
    if (f > 1.01) {
      logf("Error 1 in concRijn: One size fraction is above unity\n");
      logf("At iteration %d, bed cell %d, cell %d, size %d, 2d index (%d,%d), Top=%d\n", Iter, b, c, l, i, j, top);
      logf("BSedDistrib[%d,%d] = %lf %lf %lf %lf\n", l, b, f, BSedDistrib[top][0][b], BSedDistrib[0][l][b],
           BSedDistrib[0][0][b]);
    }
  }
  if ((sum < 0.99 || sum > 1.01) && BSedDistrib[top][0][b] > 1e-15) {
    logf("Error 2 in concRijn. Fractions do not sum up to unity but to %lf\n", sum);
    logf("At iteration %d, bed cell %d, cell no %d, 2d cell no (%d,%d)\n", Iter, b, c, i, j);
    for (int l = 1; l <= lnumber; ++l)
      logf("BSedDistrib[%d], size[%d] = %lf %lf %lf %lf\n", b, l, BSedDistrib[top][l][b], BSedDistrib[top][0][b],
           BSedDistrib[0][l][b], BSedDistrib[0][0][b]);
  }
}

// A dry column (lowest cell 0) beside (i, j) inside the block's window.
bool isBankCell(const BlockRecord& k, int i, int j) {
  auto dry = [&](int x, int y) {
    if (x < k.i1 || x > k.i2 || y < k.j1 || y > k.j2) return false;
    if (x < 0 || x > xnumber + 1 || y < 0 || y > ynumber + 1) return false;
    return zval[x][y][0] == 0.0;
  };
  return dry(i - 1, j) || dry(i + 1, j) || dry(i, j - 1) || dry(i, j + 1);
}

double columnDepth(int c) {
  double h = 0.0;
  for (int x = c, guard = 0; cellOk(x) && guard <= NoCells; x = Ccellt[x], ++guard) h += Ckdist[x];
  return 2.0 * h;
}

double shearOf(int x) { return cellOk(x) ? 300.0 * Ckinen[x] : 0.0; }

// F 279: the neighbour rules of the bed shear.
double neighbourShear(double tau, int b, int c, bool bank) {
  switch (FlagShearNB) {
    case 1:
      if (cellOk(Ccellt[c])) tau = std::max(tau, shearOf(Ccellt[c]));
      break;
    case 2:
      if (Faz[Cflateb[c]] < 0.95 * Barea[b])
        tau = std::max({tau, shearOf(Ccellw[c]), shearOf(Ccelle[c]), shearOf(Ccelln[c]), shearOf(Ccells[c])});
      break;
    case 4: {
      int top = c;
      for (int guard = 0; cellOk(Ccellt[top]) && guard <= NoCells; ++guard) top = Ccellt[top];
      const int f = Cflatet[top];
      const double u = Cxvel[top], v = Cyvel[top];
      tau = std::max(tau, 9810.0 * Bdepth[b] * (Fvx[f] * u + Fvy[f] * v) / std::sqrt(u * u + v * v + 1e-10));
      break;
    }
    case 5:
      if (!cellOk(Ccelln[c])) tau = std::min(tau, shearOf(Ccells[c]));
      if (!cellOk(Ccells[c])) tau = std::min(tau, shearOf(Ccelln[c]));
      break;
    case 6:
      if (bank) {
        auto deeper = [&](int x) { return cellOk(x) && Cbed[x] > 0 && Bdepth[Cbed[x]] > Bdepth[b]; };
        const bool e = cellOk(Ccelle[c]), w = cellOk(Ccellw[c]), n = cellOk(Ccelln[c]), s = cellOk(Ccells[c]);
        if (e != w) {
          const int o = e ? Ccelle[c] : Ccellw[c];
          if (deeper(o)) tau = std::min(tau, shearOf(o));
        }
        if (n != s) {
          const int o = n ? Ccelln[c] : Ccells[c];
          if (deeper(o)) tau = std::min(tau, shearOf(o));
        }
      }
      break;
    default: break;
  }
  return tau;
}

// F 459: the bed shear smoothed with the neighbours' k.
double smoothedShear(double tau, int c) {
  if (FlagShearSmooth < 1 || FlagShearSmooth > 5) return tau;
  double sum = 0.0, mx = 0.0;
  int count = 0;
  for (int x : {Ccellw[c], Ccells[c], Ccelln[c], Ccelle[c]})
    if (cellOk(x)) {
      sum += Ckinen[x];
      mx = std::max(mx, Ckinen[x]);
      ++count;
    }
  const double m = sum / (count + 1e-20);
  switch (FlagShearSmooth) {
    case 1: return 0.5 * tau + 0.5 * 300.0 * m;
    case 2: return 0.333 * tau + 0.667 * 300.0 * m;
    case 3: return 0.2 * tau + 0.8 * 300.0 * m;
    case 4: return std::max(tau, 300.0 * m);
    default: return std::max(tau, 300.0 * mx);
  }
}

// F 172 and F 90 4, 5: the shear that drives the transport. The bed-form
// ratio H/(H - x) has no meaning once the bed forms fill the depth; it then
// takes the upper limit F 172 sets.
double effectiveShear(const BedCellShear& cell) {
  double tauE = cell.tau;
  const double H = cell.H, hb = Bedformheight[cell.b];
  auto ratio = [&](double x) { return H - x > 0.0 ? H / (H - x) : ShearBedformLim; };
  if (FlagShearBedform == 1)
    tauE *= std::pow(std::min(ShearBedformLim, ratio(0.5 * (cell.d90 + hb))), ShearBedformCoeff);
  else if (FlagShearBedform == 2)
    tauE *= std::pow(std::min(ShearBedformLim, ratio(0.5 * hb)), ShearBedformCoeff);
  else if (FlagShearBedform == 3)
    tauE *= std::pow(std::clamp(ratio(0.5 * hb) - 0.25, 1.0, std::max(ShearBedformLim, 1.0)), ShearBedformCoeff);
  if (FlagRoughness == 4 || FlagRoughness == 5)
    tauE *= std::pow(std::min(1.0, 3.0 * cell.d90 / (Croughness[cell.c] + 1e-30)), 0.25);
  return tauE;
}

// Depth-averaged over bottom-cell speed, limited to 0.01..20.
double velocityRatio(int c, double H, double speed) {
  double sum = 0.0;
  for (int x = c, guard = 0; cellOk(x) && guard <= NoCells; x = Ccellt[x], ++guard) sum += Ckdist[x] * speedOf(x);
  const double r = (sum / (0.5 * H + 1e-30)) / (speed + 1e-30);
  return std::clamp(r, 0.01, 20.0);
}

void bedCell(const BlockRecord& k, int b, double commonLevel) {
  const int c = Bcellt[b];
  BedCellShear cell;
  cell.b = b;
  cell.c = c;
  cell.top = surfaceLayer(b);
  cell.commonLevel = commonLevel;
  checkFractions(b, c, cell.top);
  const int i = Bkooi[b], j = Bkooj[b];
  cell.bank = isBankCell(k, i, j);
  cell.H = columnDepth(c);
  cell.speed = speedOf(c);

  double f[51] = {0.0};
  for (int l = 1; l <= lnumber; ++l) f[l] = BSedDistrib[cell.top][l][b];
  characteristicDiameters(f, cell.d50, cell.d90, cell.dm);
  Bd50[b] = cell.d50;
  Bd90[b] = cell.d90;

  double tau = 300.0 * Ckinen[c];
  if (FlagDuneShearPartCross > 0 && bedshear && i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1)
    tau = bedshear[i][j];
  tau = neighbourShear(tau, b, c, cell.bank);
  tau = smoothedShear(tau, c);
  if (ShearGridCoeff[1] > 1.0) tau *= ShearGridCoeff[std::clamp(ant ? ant[i][j] : 1, 0, 10)];
  cell.tau = tau;
  cell.tauE = effectiveShear(cell);

  const bool side = FlagLEA2 > 0 || FlagLEA3 > 0 || FlagLEA4 > 0 || FlagLEA5 > 0;
  if (side && cell.bank) sideErosionTerms(cell);
  if (BedLoadFlag == 6 || BedLoadFlag == 8 || BedLoadFlag == 9 || BedLoadFlag == 11 || BedLoadFlag == 12 ||
      FlagDuneFormula >= 2)
    cell.r = velocityRatio(c, cell.H, cell.speed);

  CriticalShear last;
  for (int l = 1; l <= lnumber; ++l) {
    last = criticalShearStress(l, cell);
    double C = bedConcentration(l, cell, last);
    if (side) C = C * cell.Mc + cell.Ca;
    Bconc[l][b] = std::min(C, MaxBedConc);
  }
  if (BedLoadFlag == 9 || BedLoadFlag == 11) scaleToD50Load(cell, last);

  BedFormCell form;
  form.b = b;
  form.c = c;
  form.top = cell.top;
  form.H = cell.H;
  form.d90 = cell.d90;
  form.dm = cell.dm;
  form.tau = cell.tau;
  form.U = cell.r * cell.speed;
  form.speed = cell.speed;
  form.stage = cell.stage;
  bedFormsAndRoughness(form);
}

// F 60 2: the mean half height of the bottom cells of block 1; negative
// without a wet bed cell there (each cell then takes its own).
double commonReferenceLevel() {
  if (NoBlocks < 1) return -1.0;
  const int cap = bedCellCapacity();
  double sum = 0.0;
  int n = 0;
  for (int b = std::max(block[1].firstBedCell, 1); b <= block[1].lastBedCell && b < cap; ++b)
    if (cellOk(Bcellt[b])) {
      sum += Ckdist[Bcellt[b]];
      ++n;
    }
  return n > 0 ? sum / n : -1.0;
}

}  // namespace

void concRijn() {
  if (lnumber < 1 || !Bconc || !BSedDistrib || !Bcellt) return;
  // A grid that was generated or read without a flow step since has no bed
  // cells numbered yet.
  if (NoBCells == 0 && NoCells > 0) BedMake();

  const double commonLevel = TSCbedrouse == 2 ? commonReferenceLevel() : -1.0;
  if (FlagZeroGradSedim > 0) computeZeroGradSedim();
  if (FlagDuneShearPartCross > 0) computeBedshear();
  if (outflowFixShear > 1e-20) computeOutflowFix();
  if (FlagDrevan > 0) computeShearDrevan();

  const int cap = bedCellCapacity();
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& k = block[n];
    if (k.active != 1) continue;
    for (int b = std::max(k.firstBedCell, 1); b <= k.lastBedCell && b < cap; ++b)
      if (cellOk(Bcellt[b])) bedCell(k, b, commonLevel);
  }
  smoothRoughness();
}

void suspinit() {
  if (debugging != 'N') {
    setMessage(" Initializing sediment conc.");
    setProgram(" In suspinit                ");
    logf(" In suspinit\n\n");
  }
  switch (SedimentFormula) {
    case 'R':
      logf("Using van Rijn's method ");
      logf("with parameters: %lf %lf %lf\n", ConcFormCoeff, ConcFormTstar, ConcFormDstar);
      break;
    case 'E': logf("Using Engelund-Hansen's total load formula\n"); break;
    case 'I': logf("Using Einstein's beload formula\n"); break;
    case 'S': logf("Using Shen and Hung's formula\n"); break;
    case 'A': logf("Using Ackers and White's formula\n"); break;
    case 'Y': logf("Using Yang's streampower formula\n"); break;
    case 'M': logf("Using Mayer-Peter-Mueller's bedload formula\n"); break;
    default: fatal(1, "Error in bed concentration calling - suspinit\n");
  }
  bool bad = false;
  for (int l = 1; l <= lnumber; ++l)
    if (gsize[l] < 1e-30) {
      logf("Error, diameter for size %d = %lf\n", l, gsize[l]);
      bad = true;
    }
  if (bad) return;
  if (FlagBedDLL == 0) {
    if (SedimentFormula == 'R')
      concRijn();
    else
      concEngelund();
  }
  logf("Have calculated bed sediment concentration\n");
}

void concRijnDLL() {}
