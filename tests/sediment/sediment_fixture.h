// A generated box for the suspended-sediment tests: nx x ny columns of
// 1 m by 1 m, 10 cells of equal height per column, with the given number of
// grain sizes; discharge group 1 (inflow) along the west edge and group 2
// (outflow) along the east edge. Options that decide which arrays exist
// (F 37, F 78, F 63 ...) are set before build(). Use inside an InProjectDir.
#pragma once

#include <initializer_list>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"

struct SedimentBox {
  int nx = 3, ny = 2, sizes = 1;
  double depth = 1.0;

  bool build() const {
    FlowGrid g = FlowGrid::box(nx, ny, depth);
    g.sizes = sizes;
    if (!g.build()) return false;
    WBStart = 1;
    WBEnd = NoBCells;
    Equation = 7;
    return true;
  }
};

// The equation of one size completed as the time loop does it, with the
// time term T per cell (0: steady): one size into Cap and Csource, several
// into Capm[l] and Csourcem[l], the diagonal the sum of every coefficient
// (the second neighbours of F 63 1 included); the balance Bap of each bottom
// cell from the coefficients with which its neighbours draw from it.
inline void completeEquation(int l, bool several, double T) {
  const bool second = sou[7] == 1 && Caee;
  for (int c = 1; c <= NoCells; ++c) {
    double sum = Cae[c] + Caw[c] + Can[c] + Cas[c] + (several ? Cabm[l][c] + Catm[l][c] : Cab[c] + Cat[c]);
    if (second)
      sum += Caee[c] + Caww[c] + Cann[c] + Cass[c] +
             (several && Cattm ? Cattm[l][c] + Cabbm[l][c] : Catt[c] + Cabb[c]);
    if (several) {
      Capm[l][c] = T + sum;
      Csourcem[l][c] = T * Cconc[l][c];
    } else {
      Cap[c] = T + sum;
      Csource[c] = T * Cconc[l][c];
    }
  }
  for (int b = 1; b <= NoBCells; ++b) {
    const int c = Bcellt[b];
    const double* ab = several ? Cabm[l] : Cab;
    Bap[l][b] = Can[Ccells[c]] + Cas[Ccelln[c]] + Cae[Ccellw[c]] + Caw[Ccelle[c]] + ab[Ccellt[c]] + T;
    Bsource[l][b] = several ? Csourcem[l][c] : Csource[c];
  }
}

// The first face of the range whose cells meet it on the given sides.
inline int faceOfTypes(int t1, int t2) {
  for (int f = 1; f <= NoSurfaces; ++f)
    if (Ftype1[f] == t1 && Ftype2[f] == t2) return f;
  return 0;
}

// Every bed cell one layer-1 mixture of the given fractions over a thick
// inactive layer; k of every cell set.
inline void uniformBed(std::initializer_list<double> fractions, double k, double t1 = 0.01, double t0 = 1.0) {
  for (int b = 1; b <= NoBCells; ++b) {
    BSedDistrib[1][0][b] = t1;
    BSedDistrib[0][0][b] = t0;
    int l = 1;
    for (double f : fractions) {
      BSedDistrib[1][l][b] = f;
      BSedDistrib[0][l][b] = f;
      ++l;
    }
  }
  for (int c = 1; c <= NoCells; ++c) Ckinen[c] = k;
}
