// The hydrostatic (F 68 1) and depth-averaged (F 68 3) flow drivers and their
// momentum equations. Both solve the flow on the depth-averaged block, the
// last block of the grid (one cell per water column), for a fixed number of
// outer iterations: the depth-averaged driver copies that solution into every
// cell of the columns; the hydrostatic driver hands its pressure down the
// columns, solves the horizontal momentum of the three-dimensional cells under
// it and closes each cell's mass balance through the vertical fluxes.
#include <cmath>
#include <cstdio>
#include <vector>

#include "flow/cellequations.h"
#include "flow/components.h"
#include "flow/control.h"
#include "flow/equationdrivers.h"
#include "flow/flow.h"
#include "flow/hydrostatic.h"
#include "flow/stages.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "physics/physics.h"
#include "solvers/pressource.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

bool transient() { return TimeStep > 1e-8; }

bool ordinaryBlock(int b) { return block[b].nestLevel == 0 && block[b].kind == 0; }

// The lowest three-dimensional cell of the column of each depth-averaged
// cell (index: the cell minus the first cell of the block), from the column
// map the generator leaves in num[i][j][1]; 0 for none. Rebuilt at set-up
// and after every regenerated grid.
std::vector<int> columnBottom;

bool cellOk(int c) { return c >= 1 && c <= NoCells; }

int twoDFirst() { return NoBlocks >= 1 && NoBlocks < 100 ? block[NoBlocks].firstCell : 1; }
int twoDLast() { return NoBlocks >= 1 && NoBlocks < 100 ? block[NoBlocks].lastCell : 0; }

void mapColumns() {
  const int first = twoDFirst(), last = twoDLast();
  columnBottom.assign(last >= first ? static_cast<std::size_t>(last - first + 1) : 0, 0);
  if (!num) return;
  for (int b = 1; b < NoBlocks && b < 100; ++b) {
    if (!ordinaryBlock(b)) continue;
    const BlockRecord& k = block[b];
    for (int j = k.j1; j <= k.j2; ++j)
      for (int i = k.i1; i <= k.i2; ++i) {
        if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) continue;
        const int c2 = num[i][j][1], low = static_cast<int>(zval[i][j][0]);
        if (c2 >= first && c2 <= last && cellOk(low) && low < first) columnBottom[c2 - first] = low;
      }
  }
}

int bottomOf(int c2) {
  const int k = c2 - twoDFirst();
  return k >= 0 && k < static_cast<int>(columnBottom.size()) ? columnBottom[k] : 0;
}

// Calls f(cell) for each cell of the column from its bottom cell upwards.
template <class F>
void forColumn(int bottom, F f) {
  for (int c = bottom, n = 0; cellOk(c) && n <= NoCells; c = Ccellt[c], ++n) f(c);
}

// The relative density weight of cell c: its half height times the
// relative water density at its temperature; 0 for no cell.
double weight(int c) {
  if (c <= 0) return 0.0;
  const double T = TemperatureFlag == 1 && Ccomp ? Ccomp[0][c] : 4.029325;
  return waterDensity(T) * Ckdist[c];
}

// The temperature-driven pressure force on each cell of the column that
// starts at top cell t; add(cell, F) receives them.
template <class Add>
void columnDensityForces(int t, bool forU, Add add) {
  double DX = 0.0, DY = 0.0;
  int prev = 0;
  const double* A = forU ? Fax : Fay;
  for (int m = t, n = 0; cellOk(m) && n <= NoCells; m = Ccellb[m], ++n) {
    const int e = Ccelle[m], w = Ccellw[m], nn = Ccelln[m], s = Ccells[m];
    const int pe = prev ? Ccelle[prev] : 0, pw = prev ? Ccellw[prev] : 0, pn = prev ? Ccelln[prev] : 0,
              ps = prev ? Ccells[prev] : 0;
    const double Se = weight(e) + weight(pe), Sw = weight(w) + weight(pw), Sn = weight(nn) + weight(pn),
                 Ss = weight(s) + weight(ps), Sm = weight(m) + weight(prev);
    if (e && w)
      DX += 0.5 * (Se - Sw);
    else if (e)
      DX += Se - Sm;
    else if (w)
      DX += Sm - Sw;
    if (nn && s)
      DY += 0.5 * (Sn - Ss);
    else if (nn)
      DY += Sn - Sm;
    else if (s)
      DY += Sm - Ss;
    const double F = -9810.0 * 0.5 *
                     ((A[Cflatee[m]] + A[Cflatew[m]]) * DX + (A[Cflaten[m]] + A[Cflates[m]]) * DY);
    add(m, F);
    prev = m;
  }
}

int topOf(int c) {
  for (int n = 0; cellOk(c) && Ccellt[c] != 0 && n <= NoCells; ++n) c = Ccellt[c];
  return c;
}

void sourcesOfSimpleWater(int n, bool forU) {
  if (FlagCoriolis == 1)
    for (int c = WCStart; c <= WCEnd; ++c)
      Csource[c] += (forU ? Cyvel[c] : -Cxvel[c]) * Coriolis * 1000.0 * Cvol[c];
  if (Wind[0] > 1e-10) {
    double W = 0.0, dx = 0.0, dy = 0.0;
    windValues(W, dx, dy);
    const double D = windDrag(W), d = forU ? dx : dy;
    for (int c = WCStart; c <= WCEnd; ++c)
      if (Ccellt[c] == 0) Csource[c] += d * 0.0012 * D * Farea[Cflatet[c]];
  }
  if (TemperatureFlag == 1 && relaxDensityTurb > 0.0) {
    if (n == 3) {
      for (int c = WCStart; c <= WCEnd; ++c)
        if (Ccellt[c] == 0) columnDensityForces(c, forU, [](int m, double F) { Csource[m] += F; });
    } else {
      for (int c2 = WCStart; c2 <= WCEnd; ++c2) {
        const int b = bottomOf(c2);
        if (!b) continue;
        double sum = 0.0;
        columnDensityForces(topOf(b), forU, [&sum](int, double F) { sum += F; });
        Csource[c2] += sum;
      }
    }
  }
}

// Set when the last SimpleWater stopped at a zero diagonal.
bool simpleWaterFailed = false;

void reportZeroDiagonal(int c) {
  logf("Error 4, Cap(%d) = %e\n", c, Cap[c]);
  logf("Velocities: %e %e %e\n", Cxvel[c], Cyvel[c], Czvel[c]);
  logf("Volume = %e\n", Cvol[c]);
  logf("Neighbour indexes: %d %d %d %d %d %d\n", Ccellt[c], Ccellb[c], Ccelle[c], Ccelln[c], Ccellw[c], Ccells[c]);
  int b = c;
  for (int n = 0; cellOk(b) && Ccellb[b] != 0 && n <= NoCells; ++n) b = Ccellb[b];
  logf("Bed level: %e", Czcenter[b] - Ckdist[b]);
  if (Cbed && Cbed[b] > 0 && Bkooi && Bkooj) logf("b = %d, i = %d, j = %d\n", Cbed[b], Bkooi[Cbed[b]], Bkooj[Cbed[b]]);
  const int t = topOf(c);
  logf("Water level: %e", Czcenter[t] + Ckdist[t]);
  char text[120];
  std::snprintf(text, sizeof text, "Error, Cap(%d) = %e\n", c, Cap[c]);
  setMessage(text);
  FlagErrorBreak = 1;
  simpleWaterFailed = true;
}

bool printThisIteration(bool hydrostatic) {
  const double it = Iter;
  return debugging == 'D' || debugging == 'E' || Iter <= 9 || Iter == iterGlobalMax ||
         (Iter < 100 && multipleOf(it, 10)) || multipleOf(it, PrintIterBoogie) ||
         (hydrostatic && debugging == 'J' && multipleOf(it, 100));
}

void setRange(int c1, int c2, int f1, int f2) {
  WCStart = c1;
  WCEnd = c2;
  WFStart = f1;
  WFEnd = f2;
}

void twoDRange() {
  const BlockRecord& b = block[NoBlocks];
  setRange(b.firstCell, b.lastCell, b.firstSurface, b.lastSurface);
}

void threeDRange() {
  const int b = NoBlocks - 1;
  setRange(1, b >= 1 ? block[b].lastCell : 0, 1, b >= 1 ? block[b].lastSurface : 0);
}

// The vertical fluxes of the columns of the three-dimensional range from the
// horizontal defects in Csource, and their vertical velocities (F 69 4th
// value); columns of one cell keep theirs.
void verticalFluxes() {
  const int mode = Seiche4;
  if (mode < 0 || mode > 4) return;
  for (int c = WCStart; c <= WCEnd; ++c) {
    if (Ccellb[c] != 0 || Ccellt[c] == 0) continue;  // bottom cells of columns of two cells or more
    const int bottom = c, top = topOf(c);
    if (mode == 4) {
      double D = 0.0, H = 0.0;
      forColumn(bottom, [&](int m) {
        D += Csource[m];
        H += Ckdist[m];
      });
      forColumn(bottom, [&](int m) { Csource[m] -= Ckdist[m] * D / (H + 1e-20); });
    }
    if (mode == 0 || mode == 4) {
      double S = 0.0;
      for (int m = top, n = 0; cellOk(m) && n <= NoCells; m = Ccellb[m], ++n) {
        S += Csource[m];
        if (Ccellb[m] != 0) Fflux[Cflateb[m]] = -S;
      }
    } else if (mode == 1) {
      double S = 0.0;
      forColumn(bottom, [&](int m) {
        S += Csource[m];
        if (Ccellt[m] != 0) Fflux[Cflatet[m]] = -S;
      });
    } else {
      const bool relaxed = mode == 3;
      forColumn(bottom, [&](int m) {
        const double A = Farea[Cflatet[m]];
        Czvel[m] = relaxed ? 0.8 * Czvel[m] - 0.0002 * Csource[m] / A : -0.001 * Csource[m] / A;
      });
      forColumn(bottom, [&](int m) {
        const int up = Ccellt[m];
        if (!up) return;
        const double A = Farea[Cflatet[m]];
        Fflux[Cflatet[m]] = relaxed ? 0.8 * Fflux[Cflatet[m]] + 100.0 * (Czvel[m] + Czvel[up]) * A
                                    : 500.0 * (Czvel[m] + Czvel[up]) * A;
      });
      continue;
    }
    forColumn(bottom, [&](int m) {
      Czvel[m] = 0.0005 * (Fflux[Cflateb[m]] + Fflux[Cflatet[m]]) / Farea[Cflatet[m]];
    });
  }
}

// The shared frame of both drivers. hydrostatic: F 68 1, else F 68 3.
void depthAveragedDriver(bool hydrostatic) {
  const FlowDriverCalls& call = flowDriverCalls;
  const ModularDriverCalls& eqs = modularDriverCalls;
  double* const entryCf = Cf;
  double* const entryCfOld = Cf_old;

  call.metric();
  call.startup();
  if (FlagInitialized == 0) {
    call.boundary();
    call.waterflow(WFStart, WFEnd);
  }
  FlagInitialized = 1;
  if (TimePrintNo > 0 && FlagTSC == 0) truncateTimeo();
  if (NoBlocks < 2 || NoBlocks >= 100 || block[NoBlocks].kind != 1)
    fatal(2, "Error: the depth-averaged block of F 68 %d is missing: generate the grid (run letter Y) with F 68 in "
             "the control file\n",
          Hydrostatic);
  for (int c = 0; c <= NoCells; ++c) CflagDim[c] = 0;
  for (int c = twoDFirst(); c <= twoDLast(); ++c) CflagDim[c] = 1;
  mapColumns();
  // One flow solution per sediment step, in the loop's own Iter and time.
  const int firstIter = FlagTSC > 0 ? Iter : 1;
  const int lastIter = FlagTSC > 0 ? Iter : iterGlobalMax;
  if (FlagTSC == 0) {
    Iter = 1;
    if (transient()) stimet = 0.0;
  }
  for (int it = firstIter; it <= lastIter; ++it) {
    Iter = it;
    if (FlagTSC == 0) FlagPrint = printThisIteration(hydrostatic) ? 0 : 1;
    setRange(1, NoCells, 1, NoSurfaces);
    if (transient()) copyPreviousTimeStep();
    setProgram(" VA-Dave 2D ");
    for (int i = 1; i <= 20 * TransInnerIter; ++i) {
      if (FlagGridChange == 1) {
        FlagGridChange = 0;
        call.metric();
        call.startup();
        call.boundary();
        call.waterflow(WFStart, WFEnd);
        mapColumns();
      }
      if (!(i == 1 && Iter == 1)) call.boundary();
      Equation = 1;
      twoDRange();
      GammaCalc(WCStart, WCEnd);
      coeff_make(WFStart, WFEnd);
      SimpleWater(2);
      Cf = entryCf;
      Cf_old = entryCfOld;
      // A zero diagonal stops the computation: nothing was solved.
      if (simpleWaterFailed) {
        gFlagFlow = 0;
        return;
      }
      eqs.simplePressure(i);
      if (!(TurbulenceModel >= 4 && TurbulenceModel <= 7)) {
        eqs.simpleTurbulence(5);
        eqs.simpleTurbulence(6);
      }
      Cf = entryCf;
      Cf_old = entryCfOld;
      double largest = 0.0;
      int eq = 0;
      bool nan = false;
      for (int e = 1; e <= 6; ++e) {
        if (MaxResidual[e] < 1e-90) MaxResidual[e] = 0.0;
        if (std::isnan(MaxResidual[e])) {
          nan = true;
          if (eq == 0) eq = e;
        } else if (MaxResidual[e] > largest) {
          largest = MaxResidual[e];
          eq = e;
        }
      }
      if (i == TransInnerIter && FlagPrint == 0)
        logf("Iter: %d, Resid: %8.2e %8.2e %8.2e %8.2e %8.2e %8.2e\n", Iter, MaxResidual[1], MaxResidual[2],
             MaxResidual[3], MaxResidual[4], MaxResidual[5], MaxResidual[6]);
      char text[120];
      std::snprintf(text, sizeof text, "%d ResMax: %8.2e for eq: %d", Iter, nan ? NAN : largest, eq);
      setMessage(text);
      // A residual that is not a number is a divergence too.
      if (nan || largest > MaxCrashDef) {
        logf("Solution diverged\n");
        setMessage("Solution diverged  ");
        FlagErrorBreak = 1;
        gFlagFlow = 0;
        return;
      }
      if (transient() && largest < TimeBreakLimit) break;
    }

    // Transfer down the columns.
    for (int c2 = twoDFirst(); c2 <= twoDLast(); ++c2) {
      const int b = bottomOf(c2);
      if (!b) continue;
      forColumn(b, [c2, hydrostatic](int m) {
        Cpres[m] = Cpres[c2];
        if (hydrostatic) return;
        Cxvel[m] = Cxvel[c2];
        Cyvel[m] = Cyvel[c2];
        Ckinen[m] = Ckinen[c2];
        Cepsilon[m] = Cepsilon[c2];
        Cgamma[m] = Cgamma[c2];
        Czvel[m] = 0.0;
      });
    }

    if (hydrostatic) {
      setProgram(" VA-Dave 3D-Hystat    ");
      threeDRange();
      for (int k = 1; k <= TransInnerIter; ++k) {
        Equation = 1;
        GammaCalc(WCStart, WCEnd);
        coeff_make(WFStart, WFEnd);
        SimpleWater(3);
        Cf = entryCf;
        Cf_old = entryCfOld;
        if (simpleWaterFailed) {
          gFlagFlow = 0;
          return;
        }
        if (!(TurbulenceModel >= 4 && TurbulenceModel <= 7)) {
          eqs.simpleTurbulence(5);
          eqs.simpleTurbulence(6);
        }
        Cf = entryCf;
        Cf_old = entryCfOld;
      }
      call.waterflow(WFStart, WFEnd);
      for (int c = WCStart; c <= WCEnd; ++c)
        Csource[c] = -(Fflux[Cflatee[c]] - Fflux[Cflatew[c]] + Fflux[Cflaten[c]] - Fflux[Cflates[c]]);
      verticalFluxes();
      if (NoComponents > 0) {
        SimpleComponents();
        Cf = entryCf;
        Cf_old = entryCfOld;
        if (PrintComp != 0 && multipleOf(Iter, PrintComp)) writeConqRes();
      }
    } else {
      // The face fluxes of the three-dimensional grid follow the velocities
      // it has taken over, so that its results carry the discharge.
      threeDRange();
      call.waterflow(WFStart, WFEnd);
    }
    if (PrintRes != 0 && multipleOf(Iter, PrintRes)) call.sprintflow();
    if (TimePrintNo > 0 && FlagTSC == 0 && stimet >= TimePrint[0].time && (!hydrostatic || stimet > 1e-10) &&
        (multipleOf(Iter, PrintIterTime) || Iter == 2))
      call.timePrintFunction();
  }
  if (FlagTSC == 0) Iter = lastIter + 1;
  gFlagFlow = 0;
}

}  // namespace

void SimpleWater(int n) {
  const bool twoD = n == 2;
  simpleWaterFailed = false;
  for (int eq = 1; eq <= 2; ++eq) {
    const bool forU = eq == 1;
    Equation = eq;
    Cf = forU ? Cxvel : Cyvel;
    Cf_old = forU ? Cxvel_old : Cyvel_old;
    if (FlagTimeOrder > 0) Cf_old2 = forU ? Cxvel_old2 : Cyvel_old2;
    for (int c = WCStart; c <= WCEnd; ++c) Cap[c] = Csource[c] = 0.0;
    wall_laws(WCStart, WCEnd);
    pressure_source(WCStart, WCEnd);
    if (twoD) {
      if (static_cast<int>(columnBottom.size()) != twoDLast() - twoDFirst() + 1) mapColumns();
      for (int b = 1; b < NoBlocks && b < 100; ++b)
        if (ordinaryBlock(b))
          for (int c = block[b].firstCell; c <= block[b].lastCell && c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
      boundary();
      for (int c2 = WCStart; c2 <= WCEnd; ++c2) {
        const int b = bottomOf(c2);
        if (!b) continue;
        forColumn(b, [c2](int m) {
          Cap[c2] += Cap[m];
          Csource[c2] += Csource[m];
        });
      }
    } else {
      boundary();
    }
    sourcesOfSimpleWater(n, forU);
    const bool trans = TimeStep > 1e-8;
    if (TimeRelaxFlag == 1 && trans) addTimestep(WCStart, WCEnd);
    const bool second = sou[1] == 1 && Caee && Caww && Cann && Cass && Catt && Cabb;
    for (int c = WCStart; c <= WCEnd; ++c) {
      Cap[c] += Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c];
      if (second) Cap[c] += Caee[c] + Caww[c] + Cann[c] + Cass[c] + Catt[c] + Cabb[c];
      if (QNFlag > 0) Cap[c] += quasiNeighbourSum(c, sou[Equation] == 1);
      Cap[c] *= invRelaxVelocity;
      Csource[c] += (1.0 - relaxVelocity) * Cf[c] * Cap[c];
    }
    if (TimeRelaxFlag != 1 && trans) addTimestep(WCStart, WCEnd);
    if (forU)
      for (int c = WCStart; c <= WCEnd; ++c) {
        if (Cap[c] < 1e-30) {
          reportZeroDiagonal(c);
          return;
        }
        CinvAp[c] = 1.0 / Cap[c];
      }
    MaxResidual[Equation] = 0.0;
    residual(WCStart, WCEnd);
    solver();
    if (NoNestflater > 0 && NestInterpolRelax > 1e-8 && Cinterpolnest)
      for (int c = 1; c <= NoCells; ++c) {
        const int d = Cinterpolnest[c];
        if (d >= 1 && d <= NoCells) Cf[c] = NestInterpolRelax * Cf[d] + (1.0 - NestInterpolRelax) * Cf[c];
      }
  }
}

void WaterSolveHydrostatic() { depthAveragedDriver(true); }
void WaterSolve2D() { depthAveragedDriver(false); }
