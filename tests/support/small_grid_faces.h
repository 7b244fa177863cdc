// The face data a SmallGrid leaves to metric, filled from its own topology
// (metric would need the face corner points, which SmallGrid does not set):
// the side codes of both cells, the centre-to-face distances and the cells
// beyond each side of a face.
#pragma once

#include "state/arrays.h"
#include "state/runstate.h"

inline void fillSmallGridFaces() {
  auto ok = [](int c) { return c >= 1 && c <= NoCells; };
  for (int f = 1; f <= NoSurfaces; ++f) {
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    const int axis = Fvx[f] != 0.0 ? 0 : Fvy[f] != 0.0 ? 1 : 2;
    static constexpr int high[3] = {2, 3, 6}, low[3] = {4, 1, 5};
    Ftype1[f] = high[axis];
    Ftype2[f] = low[axis];
    const double* half = axis == 0 ? Cidist : axis == 1 ? Cjdist : Ckdist;
    const int* before = axis == 0 ? Ccellw : axis == 1 ? Ccells : Ccellb;
    const int* beyond = axis == 0 ? Ccelle : axis == 1 ? Ccelln : Ccellt;
    Fdist1[f] = ok(c1) ? half[c1] : 0.0;
    Fdist2[f] = ok(c2) ? half[c2] : 0.0;
    Fcell11[f] = ok(c1) ? before[c1] : 0;
    Fcell22[f] = ok(c2) ? beyond[c2] : 0;
    Faz[f] = axis == 2 ? Farea[f] : 0.0;
  }
}
