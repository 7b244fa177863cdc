// Cell equations of a test grid coupled to every existing neighbour: lateral
// weight h towards east, west, north and south, vertical weight v towards
// the cells above and below, the diagonal their sum plus extra. A missing
// neighbour has no coupling.
#pragma once

#include "state/arrays.h"
#include "state/runstate.h"

inline void neighbourCouplings(double h, double v, double extra = 0.0) {
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = Ccelle[c] ? h : 0.0;
    Caw[c] = Ccellw[c] ? h : 0.0;
    Can[c] = Ccelln[c] ? h : 0.0;
    Cas[c] = Ccells[c] ? h : 0.0;
    Cat[c] = Ccellt[c] ? v : 0.0;
    Cab[c] = Ccellb[c] ? v : 0.0;
    Cap[c] = Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c] + extra;
  }
}
