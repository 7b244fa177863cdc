// The second neighbours of a cell in the second-order scheme (F 63 1), as the
// sediment solvers read them: horizontally on the ordinary sides and through
// the second list coefficients on the sides with quasi-neighbour lists,
// vertically two above (att) or two below (abb).
#pragma once

#include "solvers/stencils.h"

// Calls draw(j, a) for every second neighbour j that cell c reads, with its
// coefficient a; att and abb may be null.
template <class Draw>
inline void forSecondNeighbours(int c, const double* att, const double* abb, Draw draw) {
  auto side = [&](const int* count, int* const* list, double* const* a2, const double* add, const int* link) {
    if (count && list && a2 && count[c] > 0) {
      for (int m = 0; m < count[c]; ++m) draw(link[list[c][0] + m], a2[c][m]);
    } else if (add) {
      draw(link[link[c]], add[c]);
    }
  };
  const bool lists = qnListsExist();
  side(lists ? Cncelle : nullptr, Cqncelle, Cqnaee, Caee, Ccelle);
  side(lists ? Cncellw : nullptr, Cqncellw, Cqnaww, Caww, Ccellw);
  side(lists ? Cncelln : nullptr, Cqncelln, Cqnann, Cann, Ccelln);
  side(lists ? Cncells : nullptr, Cqncells, Cqnass, Cass, Ccells);
  if (att) draw(Ccellt[Ccellt[c]], att[c]);
  if (abb) draw(Ccellb[Ccellb[c]], abb[c]);
}

// What cell c reads from its second neighbours in field f, above through
// att: with the first-neighbour sums the whole inflow the solver gives c.
inline double secondNeighbourInflow(const double* f, int c, const double* att) {
  double s = 0.0;
  forSecondNeighbours(c, att, nullptr, [&](int j, double a) { s += a * f[j]; });
  return s;
}
