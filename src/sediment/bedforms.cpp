// Bed-form height and bed roughness of the bed cells: the dune height from
// the transport stage (or Karim's relation), its relaxation in time, the
// roughness of grains and bed forms handed to the wall laws by startup, and
// the smoothing of that roughness along the grid.
#include "sediment/bedforms.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "grid/geometry.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// Thickness of the surface layer and of layer 0: what the flow can move.
double movableThickness(int b, int top) { return BSedDistrib[top][0][b] + (top != 0 ? BSedDistrib[0][0][b] : 0.0); }

double stageHeight(const BedFormCell& cell) {
  const double T = cell.stage / std::max(lnumber, 1), H = cell.H;
  if (!(T <= 25.0) || !(H > 0.0) || !(cell.dm > 0.0)) return 0.0;
  return 0.11 * H * std::pow(cell.dm / H, 0.3) * (1.0 - std::exp(-0.5 * T)) * (25.0 - T);
}

// Karim: Fr from the depth-mean speed. Still water has no bed forms (the
// relation goes to 0 with Fr).
double karimHeight(const BedFormCell& cell) {
  const double H = cell.H;
  if (!(H > 0.0)) return 0.0;
  const double Fr = cell.U / std::sqrt(9.81 * H), F2 = Fr * Fr;
  if (!(F2 > 1e-20)) return 0.0;
  const double S = std::max(0.0, cell.tau / (9810.0 * H) - 0.0168 * std::pow(cell.dm / H, 0.33) * F2);
  return H * std::min(2.0, std::pow(std::pow(6.28 * F2, 1.2) * S / (KarimCoeff * F2), 0.73));
}

bool okBed(int b) { return b >= 1 && b < bedCellCapacity(); }

}  // namespace

double duneHeight(const BedFormCell& cell) {
  switch (FlagDuneFormula) {
    case 1: return stageHeight(cell);
    case 2:
    case 3: return karimHeight(cell);
    default: {
      const double D = stageHeight(cell);
      return std::min({D, 0.5 * movableThickness(cell.b, cell.top), 3.0 * cell.H});
    }
  }
}

double relaxedDuneHeight(double Dold, double Dnew, double R) {
  if (Dnew == 0.0 || !(R < 1.0)) return Dnew;
  return Dold + (Dnew - Dold) * std::max(R, 0.0);
}

double relaxationShare(const BedFormCell& cell, double D) {
  const double cross = 0.5 * 7.3 * D * cell.H;
  if (!(cross > 0.0)) return 1.0;
  double conc = 0.0;
  for (int l = 1; l <= lnumber; ++l) conc += Bconc[l][cell.b] * BSedDistrib[cell.top][l][cell.b];
  return conc * (2.0 * Ckdist[cell.c] * cell.speed * TimeStep) / cross;
}

bool bedRoughness(double d90, double D, double H, double Th, double& ks) {
  if (FlagRoughness < 2 || FlagRoughness > 6) return false;
  const double kg = coeffRoughRijn * d90;
  const double kf = H > 0.0 ? 1.1 * D * (1.0 - std::exp(-25.0 * D / (7.3 * H))) : 0.0;
  double fixedBed;
  switch (Flag2BedRoughness) {
    case 0:
    case 2: fixedBed = std::max(std::min(d90, XksWall), coeffRoughRijn * Th); break;
    case 1: fixedBed = XksWall; break;
    case 3: fixedBed = std::max(XksWall, coeffRoughRijn * Th); break;
    default: return false;
  }
  if (FlagRoughness == 2)
    ks = Th <= d90 ? fixedBed : kg;
  else
    ks = d90 < Th ? kg + kf : fixedBed;
  return true;
}

void bedFormsAndRoughness(const BedFormCell& cell) {
  const int b = cell.b;
  if (!okBed(b) || !Bedformheight) return;
  double D = duneHeight(cell);
  if (Flag2BedRoughness == 2) D = relaxedDuneHeight(Bedformheight[b], D, relaxationShare(cell, D));
  Bedformheight[b] = D;
  double ks = 0.0;
  if (Broughness && bedRoughness(cell.d90, D, cell.H, movableThickness(b, cell.top), ks)) Broughness[b] = ks;
}

void totalLoadBedForms(const BedFormCell& cell) {
  const int b = cell.b;
  if (!okBed(b) || !Bedformheight) return;
  const double Th = movableThickness(b, cell.top), H = cell.H;
  const double D = std::min({stageHeight(cell), 0.5 * Th, 3.0 * H});
  Bedformheight[b] = D;
  if (!Broughness || FlagRoughness < 2 || FlagRoughness > 6 || Flag2BedRoughness < 0 || Flag2BedRoughness > 1) return;
  if (!(Th > cell.d90)) {
    Broughness[b] = Flag2BedRoughness == 0 ? std::max(XksWall, coeffRoughRijn * Th) : XksWall;
    return;
  }
  double ks = coeffRoughRijn * cell.d90;
  if (FlagRoughness >= 3) ks += H > 0.0 ? 1.1 * D * (1.0 - std::exp(-25.0 * D / (7.3 * H))) : 0.0;
  Broughness[b] = ks;
}

void smoothRoughness() {
  if (FlagRoughness <= 1 || !Broughness || (FlagSmoothKs != 1 && FlagSmoothKs != 2)) return;
  double* ks = Broughness;
  const int cap = bedCellCapacity();
  auto window = [&](const BlockRecord& k, int& first, int& last) {
    first = std::max(k.firstBedCell, 1);
    last = std::min(k.lastBedCell, cap - 1);
    return last >= first;
  };
  if (FlagSmoothKs == 1) {
    std::vector<double> before;
    for (int n = 1; n <= NoBlocks && n < 100; ++n) {
      const BlockRecord& k = block[n];
      int first, last;
      if (k.active != 1 || k.j1 != k.j2 || !window(k, first, last)) continue;
      before.assign(ks + first, ks + last + 1);
      for (int b = first + 1; b <= last - 1; ++b) {
        const double v = (before[b - 1 - first] + before[b - first] + before[b + 1 - first]) * 0.33333;
        if (v > 1e-20) ks[b] = v;
      }
    }
    return;
  }
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& k = block[n];
    int first, last;
    if (k.active != 1 || k.j1 != k.j2 || !window(k, first, last) || last - first < 1) continue;
    for (int b = first + 1; b <= last - 1; ++b) ks[b] = (ks[b - 1] + ks[b] + ks[b + 1]) * 0.33333333;
    for (int b = last - 1; b >= first + 2; --b) ks[b] = (ks[b - 1] + ks[b] + ks[b + 1]) * 0.33333333;
    ks[first] = ks[first + 1];
  }
  if (!pointbed) return;
  auto at = [&](int i, int j) -> int {
    if (i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1) return 0;
    const int p = pointbed[i][j];
    return p >= 1 && p < cap ? p : 0;
  };
  // A column without a bed cell counts with 0 (element 0) and is itself
  // left alone.
  ks[0] = 0.0;
  auto step = [&](int i, int j) {
    const int p = at(i, j);
    if (p < 1) return;
    ks[p] = (4.0 * ks[p] + ks[at(i + 1, j)] + ks[at(i - 1, j)] + ks[at(i, j + 1)] + ks[at(i, j - 1)]) * 0.125;
  };
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& k = block[n];
    if (k.active != 1 || !(k.j1 < k.j2)) continue;
    for (int i = k.i1 + 1; i <= k.i2 - 1; ++i)
      for (int j = k.j1 + 1; j <= k.j2 - 1; ++j) step(i, j);
    for (int i = k.i2 - 1; i >= k.i1 + 1; --i)
      for (int j = k.j2 - 1; j >= k.j1 + 1; --j) step(i, j);
  }
}
