// The explicit LS surface (F 36 50). Inside the transient inner loop of the
// flow driver, once per time step, surface_LS adds to each column of block 1
// the rise that the flux into its top cell gives over the time step
// (Bdeltah). Every F 105 iterations surface_LS_update moves each grid point
// by the changes of the columns around it, smooths (F 154 1) and builds the
// grid anew with the fields carried over; that BedMake clears Bdeltah.
#include "surface/lssurface.h"

#include <algorithm>
#include <cmath>

#include "flow/stages.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/surface.h"

namespace {

double fluxOf(int f) { return faceInGrid(f) ? Fflux[f] : 0.0; }
double areaOf(int f) { return faceInGrid(f) ? Farea[f] : 0.0; }

bool bedCell(int b) { return b >= 1 && b < bedCellCapacity(); }

// The change of the column of cell x since the last regeneration; 0 for no
// cell or no column.
double columnChange(int x) {
  if (!cellInGrid(x) || !Cbed) return 0.0;
  const int b = Cbed[x];
  return bedCell(b) ? Bdeltah[b] : 0.0;
}

// The level change of grid point (i, j) by the corner rule of F 58 / F 227,
// false when the point keeps its level.
bool cornerChange(int i, int j, double& change) {
  if (!surfacegrid::anyColumnAround(i, j)) return false;
  int cell[4];
  const int n = surfacegrid::cornerColumns(i, j, cell);
  if (n == 0) return false;
  if (TFSfroudeforward <= 1) {
    double s = 0.0;
    for (int x : cell) s += columnChange(x);
    change = s / n;
    return true;
  }
  if (TFSfroudeforward != 2) return false;
  // The weighted mean of the column changes. Where every weight is 0 the
  // point takes the plain mean, so that no change is lost.
  double sw = 0.0, swd = 0.0, s = 0.0;
  for (int x : cell) {
    if (!x) continue;
    const double w = VectorWeight(x, i, j), d = columnChange(x);
    sw += w;
    swd += w * d;
    s += d;
  }
  change = sw > 1e-12 ? swd / sw : s / n;
  return true;
}

// Fields of the old grid kept for the carry-over of BedMake.
void keepFields() {
  if (!Cxvel_old || WCStart > WCEnd) return;
  const int lo = std::max(WCStart, 1), hi = std::min(WCEnd, NoCells);
  const double* now[6] = {Cxvel, Cyvel, Czvel, Cpres, Ckinen, Cepsilon};
  double* old[6] = {Cxvel_old, Cyvel_old, Czvel_old, Cpres_old, Ckinen_old, Cepsilon_old};
  for (int q = 0; q < 6; ++q)
    if (old[q] && now[q])
      for (int c = lo; c <= hi; ++c) old[q][c] = now[q][c];
}

}  // namespace

double surface_LS_coeff(double F, double Fr) {
  const double a = 0.95 * F, d = 0.05 * std::fabs(F);
  if (Fr <= 0.5 || Fr == 1.0) return std::max(-a, 0.0) + d;
  if (Fr < 1.0) return std::max(-a, 0.0) * (2.0 - 2.0 * Fr) + d;
  if (Fr < 1.5) return std::max(a, 0.0) * (2.0 * Fr - 2.0) + d;
  return std::max(a, 0.0) + d;
}

double surface_LS_source(double F, double, double, double, double, int b) {
  if (!Barea || !bedCell(b) || !(Barea[b] > 0.0)) return 0.0;
  return F * 0.001 * TimeStep / Barea[b];
}

double surface_EL(int a, int b) {
  if (!cellInGrid(a) || !cellInGrid(b)) return 0.0;
  const double L = std::hypot(Cxcenter[b] - Cxcenter[a], Cycenter[b] - Cycenter[a]);
  const double s = std::clamp((Cpres[b] - Cpres[a]) / (9810.0 * L + 1e-20), -0.3, 0.3);
  const double ztb = Czcenter[b] + Ckdist[b], zta = Czcenter[a] + Ckdist[a];
  return s * L - (ztb - zta);
}

void surface_LS() {
  if (!Bdeltah || NoBlocks < 1) return;
  Bdeltah[0] = 0.0;
  const int first = std::max(block[1].firstCell, 1), last = std::min(block[1].lastCell, NoCells);
  for (int c = first; c <= last; ++c) {
    if (Ccellb[c] != 0) continue;
    const int b = Cbed ? Cbed[c] : 0;
    if (!bedCell(b)) continue;
    // The flux through the face under the top cell; sides summed over the
    // whole column.
    double F = 0.0, Fw = 0.0, Fe = 0.0, Fs = 0.0, Fn = 0.0, Aw = 0.0, Ae = 0.0, As = 0.0, An = 0.0, S = 0.0;
    forColumnUp(c, [&](int x) {
      if (cellAbove(x)) F = fluxOf(Cflatet[x]);
      Fw += fluxOf(Cflatew[x]);
      Fe += fluxOf(Cflatee[x]);
      Fs += fluxOf(Cflates[x]);
      Fn += fluxOf(Cflaten[x]);
      Aw += areaOf(Cflatew[x]);
      Ae += areaOf(Cflatee[x]);
      As += areaOf(Cflates[x]);
      An += areaOf(Cflaten[x]);
      S += Ckdist[x];
    });
    // A column of one cell has no face under its top cell: what enters it
    // through its sides raises it (the bed face carries no flux).
    if (cellAbove(c) == 0) F = Fw - Fe + Fs - Fn;
    const double h = 2.0 * S;
    const double u = (Fw - Fe) * 0.001 / (Aw + Ae + 1e-20), v = (Fs - Fn) * 0.001 / (As + An + 1e-20);
    const double Fr = std::sqrt((u * u + v * v) / (9.81 * h + 1e-20));
    Caw[c] = surface_LS_coeff(Fw, Fr);
    Cae[c] = surface_LS_coeff(-Fe, Fr);
    Cas[c] = surface_LS_coeff(Fs, Fr);
    Can[c] = surface_LS_coeff(-Fn, Fr);
    const int fb = Cflateb[c];
    Cap[c] = Caw[c] + Cae[c] + Cas[c] + Can[c] + 1e-80 +
             h * (faceInGrid(fb) ? Faz[fb] : 0.0) * 1000.0 / (TimeStep + 1e-30);
    Bdeltah[b] += surface_LS_source(F, Caw[c], Cae[c], Cas[c], Can[c], b);
  }
}

double VectorWeight(int c, int i, int j) {
  if (!cellInGrid(c) || !surfacegrid::onGrid(i, j)) return 0.0;
  const double rx = xval[i][j] - Cxcenter[c], ry = yval[i][j] - Cycenter[c];
  const double U = Cxvel[c], V = Cyvel[c];
  const double r = std::hypot(rx, ry);
  // A centre on the grid point has no direction to it: neither upstream nor
  // downstream.
  const double cosine = r > 1e-12 ? (rx * U + ry * V) / (r * std::sqrt(U * U + V * V + 1e-20)) : 0.0;
  const double w = 0.5 * (1.0 - cosine);
  const int b = Cbed ? Cbed[c] : 0;
  const double Fr = BFroude && bedCell(b) ? BFroude[b] : 0.0;
  if (Fr > 1.5) return 1.0 - w;
  if (Fr < 0.5) return w;
  return w + (1.0 - 2.0 * w) * (Fr - 0.5);
}

void surface_LS_update() {
  if (!zval || !Bdeltah) return;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    if (B.gridLevel != 0) continue;
    if (TFSfroudeforward == 2) computeBFroude(B.firstBedCell, B.lastBedCell);
    const surfacegrid::Window w = surfacegrid::pointWindow(B);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j) {
        // A point shared with an earlier block has moved with it.
        if (surfacegrid::pointOfEarlierBlock(b, i, j)) continue;
        double change = 0.0;
        if (cornerChange(i, j, change)) surfacegrid::setLevel(i, j, surfacegrid::zs(i, j) + change);
      }
  }
  if (SurfSmoothFlag == 1) surface_smoother();
  if (FlagTSC != 0 && FlagSurfRegen != 1) return;
  keepFields();
  Unstructure();
  metric();
  BedMake();
  if (CinvAp)
    for (int c = 1; c <= NoCells; ++c) CinvAp[c] = 0.0;
  waterflow(WFStart, WFEnd);
  if (Flag2DAccSolver > 0 && NoBlocks >= 1 && NoBlocks < 100 && block[NoBlocks].kind == 0) AlgMGMake();
  FlagGridChange = 1;
}
