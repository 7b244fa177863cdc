// Linear-elastic soil stress (run letter N, F 248 1): the three displacement
// components u, v, w (held in Cxvel, Cyvel, Czvel) are solved as cell
// equations loaded by the weight of the cells, the bed holding the soil and
// the top free; the stresses follow from the displacement gradients (rows of
// Cstress) and the ratio of the horizontal and vertical normal stress gives
// each cell its class (Cthixorat, Cthixolev). F 259 chooses the coefficient
// set (9 by default; 2 and 5 their own; any other value takes 9's).
#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "bed/soilstress.h"
#include "flow/stages.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "solvers/gradients.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

// The coefficient of side `type` (1 s, 2 e, 3 n, 4 w, 5 b, 6 t) of cell c.
void setSide(int c, int type, double a) {
  if (!cellOk(c)) return;
  switch (type) {
    case 1: Cas[c] = a; break;
    case 2: Cae[c] = a; break;
    case 3: Can[c] = a; break;
    case 4: Caw[c] = a; break;
    case 5: Cab[c] = a; break;
    case 6: Cat[c] = a; break;
    default: break;
  }
}
inline bool horizontal(int type) { return type >= 1 && type <= 4; }

// Variant 9: the normal stiffness along the displacement, the shear stiffness
// across it. The bed under a bottom cell holds the soil: its side takes the
// normal or shear stiffness over the distance from the centre to the face.
void variant9(int equation, int f) {
  const double nu = PoissonRatio, E = EModulus, A = Farea[f];
  const int c1 = Fcell1[f], c2 = Fcell2[f];
  const bool both = cellOk(c1) && cellOk(c2);
  auto stiffness = [&](int type, double d) {
    if (!(d > 0.0)) return 0.0;
    const bool normal = equation == 3 ? !horizontal(type) : horizontal(type);
    return normal ? A * E / ((1.0 - nu * nu) * d) : A * E / ((2.0 + nu) * d);
  };
  if (both) {
    const double d = Fdist1[f] + Fdist2[f];
    setSide(c1, Ftype1[f], stiffness(Ftype1[f], d));
    setSide(c2, Ftype2[f], stiffness(Ftype2[f], d));
    return;
  }
  const int c = cellOk(c1) ? c1 : c2;
  const int type = cellOk(c1) ? Ftype1[f] : Ftype2[f];
  if (!cellOk(c)) return;
  if (type == 5) {
    const double d = cellOk(c1) ? Fdist1[f] : Fdist2[f];
    setSide(c, 5, stiffness(5, d > 0.0 ? d : Ckdist[c]));
  } else {
    setSide(c, type, 0.0);
  }
}

void variant2(int equation, int f) {
  const double E = EModulus;
  const int c1 = Fcell1[f], c2 = Fcell2[f];
  const bool both = cellOk(c1) && cellOk(c2);
  const double a = both ? 0.5 * Farea[f] * E : 0.0;
  const int t1 = Ftype1[f], t2 = Ftype2[f];
  if (horizontal(t1)) setSide(c1, t1, Fflux[f] < 0.0 && Fdist1[f] > 0.0 ? a / Fdist1[f] : 0.0);
  if (horizontal(t2)) setSide(c2, t2, Fflux[f] > 0.0 && Fdist2[f] > 0.0 ? a / Fdist2[f] : 0.0);
  if (t2 == 5) setSide(c2, 5, 0.0);
  if (t1 == 6 && cellOk(c1)) {
    const int above = cellOk(c2) ? c2 : 0;
    if (equation == 3) {
      const double d = Ckdist[above] + Ckdist[c1];
      setSide(c1, 6, d > 0.0 ? E * Faz[f] / d : 0.0);
    } else if (equation == 2 && Fflux[f] < 0.0 && Fdist1[f] > 0.0) {
      setSide(c1, 6, 0.5 * E * std::fabs(Fay[f]) / Fdist1[f]);
    }
  }
}

void variant5(int f) {
  const int c1 = Fcell1[f], c2 = Fcell2[f];
  const bool both = cellOk(c1) && cellOk(c2);
  const double a = both ? Faz[f] * MModulus : 0.0, d = Fdist1[f] + Fdist2[f];
  if (Ftype1[f] == 2) setSide(c2, 2, a);
  if (Ftype1[f] == 1) setSide(c2, 1, a);
  if (Ftype1[f] == 6) setSide(c1, 6, d > 0.0 ? a / d : 0.0);
  if (Ftype2[f] == 5) setSide(c2, 5, d > 0.0 ? a / d : 0.0);
}

double* fieldOf(int equation) { return equation == 1 ? Cxvel : equation == 2 ? Cyvel : Czvel; }
double* oldOf(int equation) { return equation == 1 ? Cxvel_old : equation == 2 ? Cyvel_old : Czvel_old; }

// Rows 3, 5 and 6 of variant 9 from the u field, and the lines of cell 950.
void neighbourRows() {
  double* u = Cxvel;
  u[0] = 0.0;
  for (int c = 1; c <= NoCells; ++c) {
    const int w = Ccellw[c], e = Ccelle[c], t = Ccellt[c], b = Ccellb[c];
    const double axe = Fax[Cflatee[c]], axw = Fax[Cflatew[c]];
    const double sumAx = axe + axw;
    Cstress[6][c] = sumAx != 0.0 ? 2.0 * ((u[w] - u[c]) * Caw[c] + (u[e] - u[c]) * Cae[c]) / sumAx : 0.0;
    const double az = Faz[Cflatet[c]];
    const double up = cellOk(t) ? (u[t] - u[c]) * Cat[c] : 0.0, down = cellOk(b) ? (u[b] - u[c]) * Cab[c] : 0.0;
    double r3 = 0.0, r5 = 0.0;
    if (az != 0.0) {
      if (cellOk(t) && cellOk(b)) {
        r3 = 0.5 * (up + down) / az;
        r5 = 0.5 * (up - down) / az;
      } else if (cellOk(t)) {
        r3 = r5 = up / az;
      } else {
        r3 = r5 = -down / az;
      }
    }
    Cstress[3][c] = r3;
    Cstress[5][c] = r5;
  }
  if (NoCells >= 950) {
    const int c = 950;
    const double az = Faz[Cflatet[c]];
    logf("Forces cell %d (Newton): %lf %lf %lf %lf %lf\n", c, 0.5 * (Fax[Cflatee[c]] + Fax[Cflatew[c]]) * Cstress[5][c],
         az * Cstress[6][c], az * Cstress[3][c], Csource[c], Ckdist[c]);
    logf("Stresses cell %d (Pa): %lf %lf %lf %lf\n", c, Cstress[5][c], Cstress[6][c], Cstress[3][c], Cstress[2][c]);
  }
}

void cellStresses() {
  const double E = EModulus, nu = PoissonRatio;
  for (int c = 1; c <= NoCells; ++c) {
    const double vol = Cvol[c] > 0.0 ? Cvol[c] : 1e-30;
    switch (FlagStressStrain) {
      case 9: {
        const double dw = d_dx_orth_x(Czvel, 3, c);
        Cstress[0][c] = E / (1.0 - nu * nu) * d_dx_orth_x(Cxvel, 1, c) + E * nu * dw;
        Cstress[2][c] = E / (1.0 - nu * nu) * dw;
        // No vertical stress: no ratio.
        Cstress[4][c] = Cstress[2][c] != 0.0 ? Cstress[6][c] / Cstress[2][c] : 0.0;
        Cstress[1][c] = Cstress[2][c] != 0.0 ? Cstress[5][c] / Cstress[2][c] : 0.0;
        break;
      }
      case 4: {
        const double xu = d_di_orth_xA(Cxvel, 1, c) / vol, xw = d_di_orth_xA(Czvel, 3, c) / vol;
        Cstress[0][c] = (2.0 * MModulus + LModulus) * xu + LModulus * xw;
        Cstress[2][c] = (2.0 * MModulus + LModulus) * xw + LModulus * xu;
        break;
      }
      default:
        Cstress[0][c] = MModulus * d_di_orth_xA(Cxvel, 1, c) / vol + LModulus * Cstress[4][c];
        Cstress[2][c] = MModulus * d_di_orth_xA(Czvel, 3, c) / vol;
        break;
    }
  }
}

}  // namespace

void computeSoilModuli() {
  const double E = EModulus, nu = PoissonRatio;
  MModulus = E / (1.0 + nu);
  GModulus = E / (2.0 * (1.0 + nu));
  LModulus = E * nu / ((1.0 - 2.0 * nu) * (1.0 + nu));
}

int stressRatioClass(double r) {
  if (r > 1.1) return 2;
  if (r >= 0.9) return 1;
  return 0;
}

void coeff_make_stress(int equation, int firstFace, int lastFace) {
  Cidist[0] = 0.0;
  Cjdist[0] = 0.0;
  Ckdist[0] = 0.0;
  const int v = FlagStressStrain;
  for (int f = std::max(firstFace, 1); f <= std::min(lastFace, NoSurfaces); ++f) {
    if (v == 2)
      variant2(equation, f);
    else if (v == 5)
      variant5(f);
    else
      variant9(equation, f);
  }
}

double computeSourceStressNu(const double* field, int direction, int cell) {
  if ((direction != 1 && direction != 2) || !cellOk(cell)) return 0.0;
  // The vertical derivative in the column of neighbour n at the pair of its
  // cells around the centre of `cell`.
  auto verticalDerivative = [&](int n, bool& found) {
    found = false;
    if (!cellOk(n)) return 0.0;
    const int t = Ccellt[n], b = Ccellb[n];
    const int lo = cellOk(b) ? b : n, hi = cellOk(t) ? t : n;
    if (lo == hi) return 0.0;
    const double dz = Czcenter[hi] - Czcenter[lo];
    if (dz == 0.0) return 0.0;
    found = true;
    return (field[hi] - field[lo]) / dz;
  };
  bool fe = false, fw = false;
  const double de = verticalDerivative(Ccelle[cell], fe), dw = verticalDerivative(Ccellw[cell], fw);
  if (!fe && !fw) return 0.0;
  const double* area = direction == 1 ? Fax : Fay;
  return (de - dw) * 0.25 * (area[Cflatew[cell]] + area[Cflatee[cell]]);
}

int computeSoilStress() {
  WCStart = 1;
  WCEnd = NoCells;
  WFStart = 1;
  WFEnd = NoSurfaces;
  computeSoilModuli();
  Cvol[0] = 0.0;
  if (NoBCells == 0) BedMake();
  if (!Cstress || !Cthixorat || !Cthixolev || NoCells < 1) return 0;
  const bool keepOld = TimeStep > 1e-8;
  for (int c = 0; c <= NoCells; ++c) {
    Cxvel[c] = Cyvel[c] = Czvel[c] = 0.0;
    Cstress[0][c] = Cstress[1][c] = Cstress[2][c] = 0.0;
    if (keepOld && Cxvel_old && Cyvel_old && Czvel_old) Cxvel_old[c] = Cyvel_old[c] = Czvel_old[c] = 0.0;
  }
  const double nu = PoissonRatio;
  for (int outer = 0; outer < iterGlobalMax; ++outer) {
    waterflow(WFStart, WFEnd);
    for (int c = 1; c <= NoCells; ++c)
      if (!cellOk(Ccellt[c])) {
        const int f = Cflatet[c];
        if (f >= 1 && f <= NoSurfaces) Fflux[f] = (Faz[f] * Czvel[c] + Fax[f] * Cxvel[c]) * 1000.0;
      }
    for (int equation : {3, 2, 1}) {
      Equation = equation;
      Cf = fieldOf(equation);
      Cf_old = oldOf(equation);
      for (int c = 0; c <= NoCells; ++c) Cae[c] = Caw[c] = Can[c] = Cas[c] = Cab[c] = Cat[c] = 0.0;
      coeff_make_stress(equation, WFStart, WFEnd);
      for (int c = 1; c <= NoCells; ++c) {
        if (!cellOk(Ccellt[c])) Cat[c] = 0.0;
        if (!cellOk(Ccelle[c])) Cae[c] = 0.0;
        if (!cellOk(Ccellw[c])) Caw[c] = 0.0;
        Cap[c] = std::max(Cab[c] + Cat[c] + Cas[c] + Can[c] + Cae[c] + Caw[c], 1e-5);
        if (equation == 3) {
          Csource[c] = -9810.0 * Cvol[c];
        } else {
          const int d = equation == 2 ? 2 : 1;
          const double half = d == 2 ? Cjdist[c] : Cidist[c];
          const double az = Faz[Cflatet[c]];
          Csource[c] = (half > 0.0 ? nu * d_di_orth_xA(Cstress[2], d, c) * Ckdist[c] / half : 0.0) +
                       ((1.0 + nu) * 2.0 * az / (1.0 - nu * nu)) * d_di_orth_x(Cstress[2], d, c);
        }
      }
      solver();
      if (keepOld && Cf_old)
        for (int c = 1; c <= NoCells; ++c) Cf_old[c] = Cf[c];
    }
    if (FlagStressStrain == 9) neighbourRows();
    cellStresses();
    for (int c = 1; c <= NoCells; ++c) {
      const double r = std::fabs((Cstress[0][c] - Cstress[2][c]) / (Cstress[0][c] + Cstress[2][c] + 1e-20));
      Cthixorat[c] = r;
      Cthixolev[c] = stressRatioClass(r);
    }
  }
  return 0;
}
