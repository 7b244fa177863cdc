// Work ranges, deposit depths, available bed sediment and the suspended
// volume across a grid move: the small routines of the sediment time loop.
#include "sediment/steproutines.h"

#include <algorithm>
#include <cmath>

#include "state/log.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

bool gridPoint(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }
bool bedCellOk(int b) { return b >= 1 && b < bedCellCapacity(); }
int blockCount() { return std::clamp(NoBlocks, 0, 99); }

// Solid fraction of layer k of bed cell b: the layer's own where the stack
// keeps one (F 37 3 and the bed-change options that need it), else F 26.
double solidFraction(int k, int b) { return Bsolidfraction ? Bsolidfraction[k][b] : SolidFrac; }

// The walk from the top layer down, shared by the two available-sediment
// routines: per layer its share weight(k) x thickness, the last layer only
// down to the depth.
template <class Weight>
void availableWalk(int b, double a[], double depth, Weight weight) {
  for (int l = 1; l <= lnumber; ++l) a[l] = 0.0;
  if (depth > 0.0 || !bedCellOk(b) || !BSedDistrib || !BlayerTop) return;
  const int top = std::clamp(BlayerTop[b], 0, NoBedLayers);
  double T = 0.0;
  for (int k = top; k >= 0; --k) {
    const double thick = BSedDistrib[k][0][b];
    T += thick;
    const double w = weight(k);
    for (int l = 1; l <= lnumber; ++l) a[l] += BSedDistrib[k][l][b] * thick * w;
    if (T > -depth) {
      for (int l = 1; l <= lnumber; ++l) a[l] -= BSedDistrib[k][l][b] * (T + depth) * w;
      break;
    }
  }
  if (relaxAvailable < 0.999999)
    for (int l = 1; l <= lnumber; ++l) a[l] *= relaxAvailable;
}

}  // namespace

bool computeWorkBlocks(int n) {
  const int L = blockCount();
  auto activate = [](int last) {
    for (int k = 1; k <= last; ++k) block[k].active = block[k].gridLevel == 0 ? 1 : 0;
  };
  auto empty = [L] {
    // No block is worked on: an empty range, so that nothing of an earlier
    // range is taken for this one.
    for (int k = 1; k <= L; ++k) block[k].active = 0;
    WCStart = WFStart = WBStart = 0;
    WCEnd = WFEnd = WBEnd = -1;
    return false;
  };
  if (WorkBlockNo == 0) {
    const int sub = L >= 1 ? block[L].subBed : 0;
    if (sub < 0) return empty();
    if (sub == 0) {
      WCStart = WFStart = WBStart = 1;
      WCEnd = NoCells;
      WFEnd = NoSurfaces;
      WBEnd = NoBCells;
      activate(L);
      return true;
    }
    WCStart = WFStart = WBStart = 1;
    WCEnd = L >= 2 ? block[L - 1].lastCell : 0;
    WFEnd = L >= 2 ? block[L - 1].lastSurface : 0;
    WBEnd = L >= 2 ? block[L - 1].lastBedCell : 0;
    activate(L - 1);
    if (L >= 1) block[L].active = 0;
    return true;
  }
  bool any = false;
  for (int k = 1; k <= L; ++k) block[k].active = 0;
  for (int k = 1; k <= std::min(WorkBlockNo, L); ++k) {
    if (WorkBlock[k] != n) continue;
    block[k].active = 1;
    if (!any) {
      WCStart = block[k].firstCell;
      WFStart = block[k].firstSurface;
      WBStart = block[k].firstBedCell;
      any = true;
    }
    WCEnd = block[k].lastCell;
    WFEnd = block[k].lastSurface;
    WBEnd = block[k].lastBedCell;
  }
  return any ? true : empty();
}

void computeDepthDeposit() {
  if (NoBlocks < 1 || !zval || !Surfaces) return;
  const BlockRecord& B = block[1];
  auto d = [](int i, int j) { return gridPoint(i, j) ? zval[i][j][1] - Surfaces[0][i][j] : 0.0; };
  auto mean = [&](int ia, int ib) {
    double sum = 0.0;
    int count = 0;
    for (int i = ia; i <= ib; ++i)
      for (int j = B.j1 - 1; j <= B.j2 - 1; ++j) {
        sum += d(i, j);
        ++count;
      }
    return count > 0 ? sum / count : 0.0;
  };
  if (NoDownstreamDeposit == 0) NoDownstreamDeposit = B.i2 / 6;
  const int N = NoDownstreamDeposit;
  depthDepositOut = N > 0 ? mean(B.i2 - N, B.i2 - 1) : 0.0;
  const int iu = std::max(B.i2 / 5, B.i1 + 2);
  depthDepositIn = B.i1 < iu ? mean(B.i1, iu - 1) : 0.0;
  depthDepositOut = std::max(0.0, depthDepositOut);
  depthDepositIn = std::max(0.0, depthDepositIn);
}

void computeAvailableFraction(int b, double a[], double depth) {
  availableWalk(b, a, depth, [b](int k) { return solidFraction(k, b); });
}

void computeAvailableFractionMeters(int b, double a[], double depth) {
  availableWalk(b, a, depth, [](int) { return 1.0; });
}

void computeFractionBed(double f[], int b, double depth) {
  for (int l = 1; l <= lnumber; ++l) f[l] = 0.0;
  if (!bedCellOk(b) || !BSedDistrib || !BlayerTop) return;
  double T = 0.0;
  for (int k = std::clamp(BlayerTop[b], 0, NoBedLayers); k >= 0; --k) {
    const double thick = BSedDistrib[k][0][b];
    const double part = T + thick > depth ? std::max(0.0, depth - T) : thick;
    for (int l = 1; l <= lnumber; ++l) f[l] += BSedDistrib[k][l][b] * part;
    T += thick;
    if (T > depth) break;
  }
  for (int l = 1; l <= lnumber; ++l) f[l] /= depth + 1e-50;
}

void computeThickTurb() {
  if (NoBlocks < 1 || !pointcell || !ant || !thickturb || !antlinT || !thickturbIJ || !Cconc) return;
  const BlockRecord& B = block[1];
  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j) {
      if (!gridPoint(i, j)) continue;
      int n = 0;
      double h = 0.0;
      for (int c = pointcell[i][j]; c >= 1 && c <= NoCells; c = Ccellt[c]) {
        double sum = 0.0;
        for (int l = 1; l <= lnumber; ++l) sum += Cconc[l][c];
        if (sum < 0.0001) break;
        ++n;
        h += 2.0 * Ckdist[c];
      }
      ant[i][j] = n;
      thickturb[i][j] = h;
    }
  for (int i = B.i1 - 1; i <= B.i2; ++i)
    for (int j = B.j1 - 1; j <= B.j2; ++j) {
      if (!gridPoint(i, j)) continue;
      int n = 0;
      double h = 0.0;
      for (int di = 0; di <= 1; ++di)
        for (int dj = 0; dj <= 1; ++dj)
          if (gridPoint(i + di, j + dj)) {
            n = std::max(n, ant[i + di][j + dj]);
            h = std::max(h, thickturb[i + di][j + dj]);
          }
      antlinT[i][j] = n;
      thickturbIJ[i][j] = std::trunc(h);
    }
}

void scaleConcGridMove1() {
  for (int l = 1; l <= std::min(lnumber, 50); ++l) {
    double sum = 1e-30;
    if (Cconc)
      for (int c = 1; c <= NoCells; ++c) sum += Cconc[l][c] * Cvol[c];
    totalsusp[l] = sum;
  }
}

void scaleConcGridMove2() {
  if (!Cconc) return;
  for (int l = 1; l <= std::min(lnumber, 50); ++l) {
    double M = 1e-30;
    for (int c = 1; c <= NoCells; ++c) {
      M += Cconc[l][c] * Cvol[c];
      if (std::isnan(M)) {
        logf("Error in scaleConcGridMove2, l=%d, i=%d, Cconc = %le, Cvol = %le\n\n", l, c, Cconc[l][c], Cvol[c]);
        sprintflow();
        fatal(-99, nullptr);
      }
    }
    double f = totalsusp[l] / M;
    if (FlagDefectRatio > 0) f *= std::clamp(1.0 + kDefectRatio[l], 0.9, 1.1);
    for (int c = 1; c <= NoCells; ++c) {
      Cconc[l][c] *= f;
      if (Cconc_old) Cconc_old[l][c] *= f;
    }
  }
}
