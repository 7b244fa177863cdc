// The momentum sources of a velocity equation in their fixed order, and the
// terms that only this sequence adds: turbidity-current and thermocline
// buoyancy, the one-cell term, the diagonal doublings, the damping at shallow
// faces and the drag of bridge boxes. Everything here runs on the calling
// thread between the parallel stages; several terms write cells outside the
// work range.
#include <cmath>
#include <initializer_list>

#include "flow/cellequations.h"
#include "flow/stages.h"
#include "grid/fieldmap.h"
#include "physics/physics.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool isCell(int c) { return c >= 1 && c <= NoCells; }

// The lowest cell of grid column (i, j), 0 for a dry column or an index
// outside the block grid.
int lowestCell(int i, int j) {
  if (!zval || i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const int c = static_cast<int>(zval[i][j][0]);
  return isCell(c) ? c : 0;
}

inline double gridLevel(int i, int j, int k) { return zval[i][j][k]; }

}  // namespace

double waterDensity(double T) {
  return 0.9999726 * (1.0 - 9.297173e-6 * std::pow(std::fabs(T - 4.029325), 1.894816));
}

double steepnessRatio(int c) {
  if (!isCell(c) || !Barea || !Cbed || !Cflateb) return 0.0;
  const int b = Cbed[c], f = Cflateb[c];
  if (b < 1 || b >= bedCellCapacity() || f < 1 || f > NoSurfaces || !(Faz[f] > 0.0)) return 0.0;
  return Barea[b] / Faz[f];
}

void doubleDiagonal(int c, const double* phi) {
  Cap[c] *= 2.0;
  Csource[c] += 0.5 * Cap[c] * phi[c];
}

void doubleSteepCells(const double* phi) {
  if (FlagDamp2 < 1 || FlagDamp2 > 3 || !phi) return;
  for (int c = WCStart; c <= WCEnd; ++c) {
    if (FlagDamp2 == 1 && (Ccellb[c] != 0 || Ccellt[c] != 0)) continue;
    if (!(steepnessRatio(c) > 1.1)) continue;
    doubleDiagonal(c, phi);
    if (FlagDamp2 != 3) continue;
    // The lateral neighbours follow at once, also those outside the range.
    for (int n : {Ccellw[c], Ccells[c], Ccelle[c], Ccelln[c]})
      if (isCell(n)) doubleDiagonal(n, phi);
  }
}

void turbiditycurrentSource() {
  if (!Cconc) return;
  const double g = 1000.0 * 9.81 * (density - 1.0) * SourDens;
  for (int c = WCStart; c <= WCEnd; ++c) Csource[c] -= Cvol[c] * g * Cconc[0][c];
}

void thermoclineBuoyancy() {
  if (!Ccomp) return;
  // The density difference times the mass of the cell's water; no gravity
  // factor enters.
  const double r0 = waterDensity(Thermocline);
  for (int c = WCStart; c <= WCEnd; ++c) Csource[c] += 1000.0 * Cvol[c] * (r0 - waterDensity(Ccomp[0][c]));
}

void oneCellSource() {
  if (!Conecell) return;
  for (int c = WCStart; c <= WCEnd; ++c)
    if (Conecell[c] == 1) Cap[c] += 1000.0 * Cvol[c];
}

void sourceShallowDamp() {
  if (NoBlocks < 1 || !zval) return;
  const BlockRecord& b = block[1];
  const int zs = znumber;
  // east: the faces at grid line i between columns i and i+1; north: at j.
  for (int side = 0; side < 2; ++side) {
    const int iEnd = side == 0 ? b.i2 - 1 : b.i2, jEnd = side == 0 ? b.j2 : b.j2 - 1;
    for (int i = b.i1; i <= iEnd; ++i)
      for (int j = b.j1; j <= jEnd; ++j) {
        const int c = lowestCell(i, j);
        if (c == 0 || i < 1 || j < 1) continue;
        const int e = side == 0 ? Ccelle[c] : Ccelln[c], f = side == 0 ? Cflatee[c] : Cflaten[c];
        if (!isCell(e) || f < 1 || f > NoSurfaces || Fflagflow[f] != 1) continue;
        const int i0 = side == 0 ? i : i - 1, j0 = side == 0 ? j - 1 : j;
        const double d = gridLevel(i, j, zs) + gridLevel(i0, j0, zs) - gridLevel(i, j, 1) - gridLevel(i0, j0, 1);
        const double h = d > 0.0 ? 0.5 * d : 0.0;
        const double r = h / (Ckdist[c] + Ckdist[e]);
        if (!(r < 0.5)) continue;
        const double F = 1000.0 * (1.0 - r * r);
        int x = c, y = e;
        for (int guard = 0; isCell(x) && isCell(y) && guard <= NoCells; ++guard) {
          Cap[x] += F * std::fabs(Cxvel[x] * Fvx[f] + Cyvel[x] * Fvy[f]);
          Cap[y] += F * std::fabs(Cxvel[y] * Fvx[f] + Cyvel[y] * Fvy[f]);
          x = Ccellt[x];
          y = Ccellt[y];
        }
      }
  }
}

void sourceBridge() {
  if (!Barea || !Cbed) return;
  for (int n = 1; n <= BridgeNo && n < 20; ++n) {
    const BridgeBox& box = Bridge[n];
    for (int i = box.i1; i <= box.i2; ++i)
      for (int j = box.j1; j <= box.j2; ++j) {
        const int c0 = lowestCell(i, j);
        if (c0 == 0) continue;
        const int bc = Cbed[c0];
        if (bc < 1 || bc >= bedCellCapacity()) continue;
        const double L = std::sqrt(std::fabs(Barea[bc]));
        for (int c = c0, guard = 0; isCell(c) && guard <= NoCells; c = Ccellt[c], ++guard) {
          const double top = Czcenter[c] + Ckdist[c], bottom = Czcenter[c] - Ckdist[c];
          double o = std::fmax(0.0, std::fmin(top, box.zhigh) - std::fmax(bottom, box.zlow));
          if (box.coefficient < 0.7) o *= std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]);
          Cap[c] += o * box.coefficient * L * 1000.0;
        }
      }
  }
}

void VelocitySources() {
  const int eq = Equation;
  boundary();
  if (FlagDragDLL > 0) extra_source();
  if (FlagDragDune == 1 && eq <= 3) computeDragDune();
  if (FlagThixoIsComputing == 0) stamp(5);
  if (FlagGravity > 0 || FlagGravityTerm > 0) GravityFunction(eq, WCStart, WCEnd);
  if (NoNestflater > 0) nestsource();
  if (Wind[0] > 1e-10 && eq != 3) WindFunction(eq);
  if (TemperatureFlag == 1 && FlagThermocline == 0) DensityGradients(3);
  if (FlagThermocline == 1 && eq == 3) thermoclineBuoyancy();
  if (FlagCoriolis == 1) CoriolisFunction();
  if (SourDens > 0.001 && eq == 3) turbiditycurrentSource();
  if (eq >= 0 && eq < kEquationTableSize && sou[eq] > 9) coeff_make_source(WFStart, WFEnd);
  if (OneCellSource == 1) oneCellSource();
  if (FlagCorrTrekant == 11 && Ctrekant && Cf)
    for (int c = WCStart; c <= WCEnd; ++c)
      if (Ctrekant[c] > 0) doubleDiagonal(c, Cf);
  doubleSteepCells(Cf);
  if (FlagShallowDamp > 0) sourceShallowDamp();
  if (BridgeNo > 0) sourceBridge();
}
