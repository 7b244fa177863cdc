// The parts of the sediment equations that the time loop assembles itself:
// the time term, the bed-load deflection of the bottom velocities, the terms
// of rising particles, the bed-cell source and diagonal for the bed-exchange
// solvers, the concentration cap after the solver, the discharges of the
// step with the sediment leaving through the outflow groups, and the bed
// change booked at the grid corners without a new grid.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "flow/stages.h"
#include "grid/fieldmap.h"
#include "state/log.h"
#include "sediment/morphology.h"
#include "sediment/suspended.h"
#include "solvers/secondneighbours.h"
#include "solvers/stencils.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

bool cellOk(int c) { return c >= 1 && c <= NoCells; }
int cellFirst() { return std::max(WCStart, 1); }
int cellLast() { return std::min(WCEnd, NoCells); }
int bedFirst() { return std::max(WBStart, 1); }
int bedLast() { return std::min(WBEnd, bedCellCapacity() - 1); }
// A neighbour's coefficient, 0 where there is no neighbour.
double at(const double* a, int c) { return cellOk(c) ? a[c] : 0.0; }

// One size with the two-layer methods keeps its equation in Cap, Csource.
bool singleEquation() { return lnumber == 1 && (FlagTSC == 1 || FlagTSC == 2); }
bool perSizeSides() { return BedLoadVectorFlag >= 5 && BedLoadVectorFlag <= 9; }

}  // namespace

// The diagonal of every equation is the time term plus the sum of every
// coefficient its solver reads: the second neighbours of the second-order
// scheme and, on cells with quasi-neighbour lists, the list coefficients in
// place of the side's own. So a uniform concentration without sources stays
// uniform, and what leaves one cell enters its neighbours.
void sedimentTimeTerm() {
  const bool second = sou[7] == 1 && Caee && Caww && Cann && Cass && Catt && Cabb;
  for (int c = cellFirst(); c <= cellLast(); ++c) {
    const double t = 1000.0 * Cvol[c] / TimeStep;
    if (singleEquation()) {
      Csource[c] = t * Cconc_old[1][c];
      Cap[c] = t + horizontalCoefficientSum(c, second) + Cab[c] + Cat[c];
      if (second) Cap[c] += Cabb[c] + Catt[c];
    } else if (perSizeSides()) {
      const double h2 = second ? Caee[c] + Caww[c] + Cann[c] + Cass[c] : 0.0;
      for (int l = 1; l <= lnumber; ++l) {
        Csourcem[l][c] = t * Cconc_old[l][c];
        Capm[l][c] = t + Caem[l][c] + Cawm[l][c] + Cabm[l][c] + Catm[l][c] + Canm[l][c] + Casm[l][c] + h2;
        if (second) Capm[l][c] += sizeSecondBelow(l)[c] + sizeSecondAbove(l)[c];
      }
    } else {
      const double h = horizontalCoefficientSum(c, second);
      for (int l = 1; l <= lnumber; ++l) {
        Csourcem[l][c] = t * Cconc_old[l][c];
        Capm[l][c] = t + h + Cabm[l][c] + Catm[l][c];
        if (second) Capm[l][c] += sizeSecondBelow(l)[c] + sizeSecondAbove(l)[c];
      }
    }
  }
}

void bedLoadDeflection() {
  if (!Cxvel_old || !Cyvel_old || lnumber < 1) return;
  for (int b = bedFirst(); b <= bedLast(); ++b) {
    const int c = Bcellt[b];
    if (!cellOk(c)) continue;
    Cxvel_old[c] = Cxvel[c];
    Cyvel_old[c] = Cyvel[c];
    const double shear = Ckinen[c] > 0.0 ? 300.0 * Ckinen[c] : 0.0;
    double theta = shear / (std::fabs(shieldscoeff) * gsize[1] * (density - 1.0) * 9810.0);
    if (BedLoadVectorFlag == 10) {
      double dm = 0.0;
      for (int l = 1; l <= lnumber; ++l) dm += gsize[l] * BSedDistrib[1][l][b];
      theta *= gsize[1] / std::max(dm, gsize[lnumber]);
    }
    // Without shear the grains do not move: the bottom velocity stays as it is.
    if (!(theta > 0.0) || !std::isfinite(theta)) continue;
    const int f = Cflateb[c];
    const double u = Cxvel[c], v = Cyvel[c];
    const double a = BedLoadVectorParam * std::pow(theta, -0.5) * std::sqrt(std::max(0.0, 1.0 - Fvz[f] * Fvz[f])) *
                     (Fvx[f] * v - Fvy[f] * u) /
                     (std::sqrt((u * u + v * v) * (Fvx[f] * Fvx[f] + Fvy[f] * Fvy[f])) + 1e-30);
    Cxvel[c] = u + a * Cyvel_old[c];
    Cyvel[c] = v - a * Cxvel_old[c];
  }
  sedimentLoopCalls.waterflow(WFStart, WFEnd);
  sedimentLoopCalls.coeffMake1H(WFStart, WFEnd);
  for (int b = bedFirst(); b <= bedLast(); ++b) {
    const int c = Bcellt[b];
    if (!cellOk(c)) continue;
    Cxvel[c] = Cxvel_old[c];
    Cyvel[c] = Cyvel_old[c];
  }
}

void plasticsTerms() {
  for (int l = 1; l <= lnumber; ++l) {
    if (!(fallvelo[l] < 0.0)) continue;
    double* ap = singleEquation() ? Cap : Capm[l];
    for (int c = cellFirst(); c <= cellLast(); ++c) {
      if (Ccellt[c] == 0 && Ccellb[c] != 0)
        ap[c] += Faz[Cflatet[c]] * fallvelo[l] * 1000.0;
      else if (Ccellt[c] != 0 && Ccellb[c] == 0)
        ap[c] -= Faz[Cflateb[c]] * fallvelo[l] * 1000.0;
    }
  }
}

namespace {

// What the cells on one lateral side of bottom cell c draw from it: the
// neighbour's coefficient toward c (back), or, where c lists the cells of a
// taller neighbour column on that side (a column of one cell), the
// coefficients of every listed cell toward c. The neighbour link names the
// first listed cell only, so the others would be left out and the held cell
// would hand the bed sediment that went to them.
double lateralDraw(int c, const int* count, int* const* list, const double* back, const int* neighbour) {
  if (!(QNFlag > 0 && count && list && count[c] > 0)) return at(back, neighbour[c]);
  double s = 0.0;
  const int n = std::min(count[c], std::max(znumber, 0));
  for (int m = 0; m < n; ++m) s += at(back, list[c][0] + m);
  return s;
}

}  // namespace

void bedCellTerms() {
  for (int b = bedFirst(); b <= bedLast(); ++b) Binout[b] = 0.0;
  auto diagonal = [](int c, const double* below) {
    return lateralDraw(c, Cncells, Cqncells, Can, Ccells) + lateralDraw(c, Cncelln, Cqncelln, Cas, Ccelln) +
           lateralDraw(c, Cncellw, Cqncellw, Cae, Ccellw) + lateralDraw(c, Cncelle, Cqncelle, Caw, Ccelle) +
           at(below, Ccellt[c]) + 1000.0 * Cvol[c] / TimeStep;
  };
  // With the second-order scheme the cells two away draw from a bottom cell
  // too (their second-neighbour coefficients): its balance takes them, as
  // its diagonal does, or the held cell would hand the bed what they carry.
  const bool second = FlagTSC == 1 && sou[7] == 1 && Caee && Caww && Cann && Cass && Catt && Cabb;
  auto secondDraws = [](int l, const double* abb) {
    for (int i = cellFirst(); i <= cellLast(); ++i)
      forSecondNeighbours(i, nullptr, abb, [l](int j, double a) {
        if (!cellOk(j) || Ccellb[j] != 0) return;
        const int x = Cbed[j];
        if (x >= bedFirst() && x <= bedLast() && Bcellt[x] == j) Bap[l][x] += a;
      });
  };
  if (singleEquation()) {
    sedimentLoopCalls.inflowSediment();
    if (NoNestflater > 0) {
      Equation = 7;
      sedimentLoopCalls.nestsource();
    }
    for (int b = bedFirst(); b <= bedLast(); ++b) {
      const int c = Bcellt[b];
      if (!cellOk(c)) continue;
      Bsource[1][b] = Csource[c];
      if (FlagTSC == 1) Bap[1][b] = diagonal(c, Cab);
    }
    if (second) secondDraws(1, Cabb);
    if (FlagTSC == 1) sedimentLoopCalls.makeAp(1);
  } else {
    for (int l = 1; l <= lnumber; ++l) {
      sedimentLoopCalls.inflowSedimentM(l);
      if (NoNestflater > 0) {
        Equation = l + 6;
        sedimentLoopCalls.nestsource();
      }
      for (int b = bedFirst(); b <= bedLast(); ++b) {
        const int c = Bcellt[b];
        if (!cellOk(c)) continue;
        Bsource[l][b] = Csourcem[l][c];
        if (FlagTSC == 1) Bap[l][b] = diagonal(c, Cabm[l]);
      }
      if (second) secondDraws(l, sizeSecondBelow(l));
      if (FlagTSC == 1) sedimentLoopCalls.makeAp(l);
    }
  }
  if (QNFlag > 0 && Cncelle && Cqncelle && Cqnae) {
    const int capacity = bedCellCapacity();
    auto side = [&](int c, const int* count, int* const* list, double* const* coeff) {
      if (count[c] < 1) return;
      const int n = list[c][0];
      if (!cellOk(n)) return;
      const int x = Cbed[n];
      // The first listed cell draws by the first list coefficient where it
      // is the bottom cell of its column.
      if (x < 1 || x >= capacity || Bcellt[x] != n) return;
      for (int l = 1; l <= lnumber; ++l) Bap[l][x] += coeff[c][0];
    };
    for (int b = bedFirst(); b <= bedLast(); ++b) {
      const int c = Bcellt[b];
      if (!cellOk(c)) continue;
      side(c, Cncelle, Cqncelle, Cqnae);
      side(c, Cncellw, Cqncellw, Cqnaw);
      side(c, Cncelln, Cqncelln, Cqnan);
      side(c, Cncells, Cqncells, Cqnas);
    }
  }
}

void concentrationCap() {
  const double limit = 1.5 * MaxBedConc;
  for (int c = cellFirst(); c <= cellLast(); ++c)
    for (int l = 1; l <= lnumber; ++l) {
      if (!(Cconc[l][c] > limit)) continue;
      const int b = std::clamp(Cbed[c], 0, bedCellCapacity() - 1);
      double depth = 0.0;
      int n = 0;
      for (int x = c; cellOk(x) && n <= NoCells; x = Ccellt[x], ++n) depth += 2.0 * Ckdist[x];
      logf("Warning for instability in TSC method: high sediment conc(%d,%d)=%lf, depth = %lf ", l, c, Cconc[l][c],
           depth);
      logf("Bconc[%d] = %lf, frac = %lf\n", b, Bconc[l][b], BSedDistrib[1][l][b]);
      logf("NoVcells = %d, c_bed = %d, 300k = %lf, velocity = %lf %lf %lf, Ckdist = %lf, Cconc[top] = %lf\n", n,
           Bcellt[b], 300.0 * Ckinen[c], Cxvel[c], Cyvel[c], Czvel[c], Ckdist[c], at(Cconc[l], Ccellt[c]));
      if (lnumber > 1)
        logf("Capm = %lf, Csourcem = %lf Bsource = %lf, Vol = %lf", Capm[l][c], Csourcem[l][c], Bsource[l][b],
             Cvol[c]);
      else
        logf("Cap = %lf, Csource = %lf Bsource = %lf, Vol = %le", Cap[c], Csource[c], Bsource[1][b], Cvol[c]);
      if (FlagDuneShearPartCross > 0 && bedshear) {
        const int i = Bkooi[b], j = Bkooj[b];
        logf(", bedshear = %lf", i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1 ? bedshear[i][j] : 0.0);
      }
      logf("\n");
      Cconc[l][c] = MaxBedConc;
    }
}

void dischargesAndOutflow() {
  int k = 0;
  double w = 0.0;
  if (!sedimentSeriesWeight(k, w)) {
    for (int g = 1; g <= 9; ++g) DischargeArray[g] = DischargeStruct[g].discharge;
  } else {
    // Between the records, or held at the first and the last one: the
    // discharges are never taken beyond what the series gives.
    const int lo = k > 0 ? k - 1 : 0;
    for (int g = 1; g <= 9; ++g)
      if (DischargeStruct[g].surfno > 0 || g <= 2)
        DischargeArray[g] = 1000.0 * ((1.0 - w) * QDinn[k][g] + w * QDinn[lo][g]);
  }
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    const int faces = groupFaceCount(G);
    if (G.inflow != 0 || faces <= 0) continue;
    const double r = DischargeArray[g] / (G.area + 1e-30);
    for (int i = 0; i < faces; ++i) {
      const int f = G.face[i];
      const int c = groupFaceCell(f);
      if (c == 0) continue;
      for (int l = 1; l <= lnumber; ++l) {
        const double m = Cconc[l][c] * Farea[f] * r * TimeStep * density;
        SumOutflow += m;
        kUt[l] += m;
      }
    }
  }
}

void cornerUpdateInPlace(bool advanceTime) {
  if (advanceTime) stimet += TimeStep;
  char text[200];
  std::snprintf(text, sizeof text, "Morphology_tsc, %lf sec.", stimet);
  setProgram(text);
  for (int n = 1; n <= std::clamp(NoBlocks, 0, 99); ++n) {
    const BlockRecord& B = block[n];
    if (B.kind != 0 || B.gridLevel != 0) continue;
    for (int i = std::max(B.i1, 1); i <= std::min(B.i2, xnumber + 1); ++i)
      for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber + 1); ++j) {
        const int c = static_cast<int>(zval[i][j][0]);
        if (!cellOk(c)) continue;
        const int b = Cbed[c];
        if (b < 1 || b >= bedCellCapacity() || Bcellt[b] <= 0) continue;
        if (!(std::fabs(Bedmove[b]) > 1e-12)) continue;
        const double q = 0.25 * Bedmove[b];
        Surfaces[1][i][j] += q;
        Surfaces[1][i - 1][j] += q;
        Surfaces[1][i][j - 1] += q;
        Surfaces[1][i - 1][j - 1] += q;
      }
  }
}
