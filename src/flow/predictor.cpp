// Explicit predictor of F 171 2, 4 and 5: velocities predicted from the
// momentum equations without the pressure force, then an equation for the
// pressure itself from the mass defects of the predicted fluxes; with 5 the
// velocities follow from the new pressure without a momentum solve.
#include <algorithm>
#include <utility>

#include "flow/cellequations.h"
#include "flow/control.h"
#include "flow/stages.h"
#include "grid/fieldmap.h"
#include "physics/physics.h"
#include "solvers/pressource.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

double* velocity(int eq) { return eq == 1 ? Cxvel : eq == 2 ? Cyvel : Czvel; }
double* velocityOld(int eq) { return eq == 1 ? Cxvel_old : eq == 2 ? Cyvel_old : Czvel_old; }
double* velocityOld2(int eq) { return eq == 1 ? Cxvel_old2 : eq == 2 ? Cyvel_old2 : Czvel_old2; }
double* predicted(int eq) { return eq == 1 ? CxvelP : eq == 2 ? CyvelP : CzvelP; }

// The neighbour sum plus the source, divided by the central coefficient of u.
void predictComponent(int eq) {
  const double* f = velocity(eq);
  double* out = predicted(eq);
  const bool second = sou[eq] == 1 && Caee && Caww && Cann && Cass && Catt && Cabb;
  for (int c = WCStart; c <= WCEnd; ++c) {
    double s = Cae[c] * f[Ccelle[c]] + Caw[c] * f[Ccellw[c]] + Can[c] * f[Ccelln[c]] + Cas[c] * f[Ccells[c]] +
               Cat[c] * f[Ccellt[c]] + Cab[c] * f[Ccellb[c]] + Csource[c];
    if (second)
      s += Caee[c] * f[Ccelle[Ccelle[c]]] + Caww[c] * f[Ccellw[Ccellw[c]]] + Cann[c] * f[Ccelln[Ccelln[c]]] +
           Cass[c] * f[Ccells[Ccells[c]]] + Catt[c] * f[Ccellt[Ccellt[c]]] + Cabb[c] * f[Ccellb[Ccellb[c]]];
    out[c] = s * CinvAp[c];
  }
}

// Faces next to a boundary get the flux of the predicted velocity
// interpolated quadratically along the line of cells through the face: 0.75
// for the cell on the side of the far cell, 0.375 for the cell across and
// -0.125 for the far cell.
void boundaryLineFluxes() {
  for (int i = std::max(WFStart, 1); i <= WFEnd && i <= NoSurfaces; ++i) {
    const int c1 = Fcell1[i], c2 = Fcell2[i], c11 = Fcell11[i], c22 = Fcell22[i];
    if (!cellOk(c1) || !cellOk(c2)) continue;
    int near, across, far;
    if (cellOk(c11) && c22 == 0)
      near = c1, across = c2, far = c11;
    else if (c11 == 0 && cellOk(c22))
      near = c2, across = c1, far = c22;
    else
      continue;
    auto at = [&](const double* v) { return 0.75 * v[near] + 0.375 * v[across] - 0.125 * v[far]; };
    Fflux[i] = 1000.0 * (at(CxvelP) * Fax[i] + at(CyvelP) * Fay[i] + at(CzvelP) * Faz[i]);
  }
}

void netOutflowDefect() {
  for (int c = WCStart; c <= WCEnd; ++c)
    Csource[c] = -(Fflux[Cflatee[c]] - Fflux[Cflatew[c]] + Fflux[Cflaten[c]] - Fflux[Cflates[c]] +
                   Fflux[Cflatet[c]] - Fflux[Cflateb[c]]);
}

}  // namespace

void explicitPredictor(int i) {
  if (!CxvelP || !CyvelP || !CzvelP || !CinvAp) return;
  double* const pc = Cf;  // the driver's own array, p'
  Equation = 1;
  GammaCalc(WCStart, WCEnd);
  coeff_make(WFStart, WFEnd);
  for (int eq = 1; eq <= 3; ++eq) {
    Equation = eq;
    Cf_old = velocityOld(eq);
    if (FlagTimeOrder > 0) Cf_old2 = velocityOld2(eq);
    if (eq > 1 && sou[eq] != sou[eq - 1]) coeff_make(WFStart, WFEnd);
    // The terms of the assembly read the component as the current field.
    assembleVelocityEquation(eq, false, true);
    predictComponent(eq);
  }

  // The equation of the pressure itself.
  Equation = 4;
  Cf = Cpres;
  if (FlagInitializedInvAp == 1) {
    const double savedRelax = RelaxRhieChow;
    RelaxRhieChow = 0.0;
    std::swap(Cxvel, CxvelP);
    std::swap(Cyvel, CyvelP);
    std::swap(Czvel, CzvelP);
    waterflow(WFStart, WFEnd);
    std::swap(Cxvel, CxvelP);
    std::swap(Cyvel, CyvelP);
    std::swap(Czvel, CzvelP);
    RelaxRhieChow = savedRelax;
  }
  boundaryLineFluxes();
  pressure_coeff();
  pressure_fluxes();
  if (NoNestflater > 0) nestsource();
  for (int c = WCStart; c <= WCEnd; ++c)
    Cap[c] = std::max(Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c], 1e-10);
  recordContinuity();
  const int b = blockcorr[4];
  if (b == 1 || (b == 2 && i == 1) || (b == 3 && i == 1 && Iter == 1)) BlockCorrection();
  solver();
  Cf = pc;
  Cf_old = pc;

  if (FlagSIMPLE == 5) {
    for (int eq = 1; eq <= 3; ++eq) {
      Equation = eq;
      for (int c = WCStart; c <= WCEnd; ++c) Csource[c] = 0.0;
      pressure_source(WCStart, WCEnd);
      double* u = velocity(eq);
      const double* up = predicted(eq);
      for (int c = WCStart; c <= WCEnd; ++c) u[c] = Csource[c] * CinvAp[c] + up[c];
    }
    Equation = 4;
    waterflow(WFStart, WFEnd);
    netOutflowDefect();
    MaxResidual[4] = 0.0;
    residual(WCStart, WCEnd);
  }
  if (FlagSIMPLE == 4 || FlagSIMPLE == 5) stamp(17);
}
