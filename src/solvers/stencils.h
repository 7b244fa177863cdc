// Stencil pieces shared by the point solvers: the horizontal sides of a cell
// with quasi-neighbour lists (F 137), and the column-aligned block bounds of
// the parallel forms that must never split a water column.
#pragma once

#include <algorithm>
#include <vector>

#include "solvers/relaxed.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"

// One horizontal side of a cell in the quasi-neighbour form. Without a list
// (count 0) the ordinary neighbour link[c] with coefficient ad[c]; with a
// list the count consecutive cells from its first entry, each with its own
// coefficient. The second-order form adds, for each term, the neighbour
// behind it in the same direction (link[q]) with its second coefficient.
template <bool kShared>
inline double qnSide(const double* f, int c, int count, int* const* list, double* const* a, double* const* a2,
                     const double* ad, const double* add, const int* link, bool second) {
  if (count <= 0) {
    const int nb = link[c];
    double t = ad[c] * ld<kShared>(f, nb);
    if (second && add) t = add[c] * ld<kShared>(f, link[nb]) + t;
    return t;
  }
  const int first = list[c][0];
  const double* ac = a[c];
  const double* a2c = second && a2 ? a2[c] : nullptr;
  double s = 0.0;
  for (int j = 0; j < count; ++j) {
    const int q = first + j;
    double t = ac[j] * ld<kShared>(f, q);
    if (a2c) t = a2c[j] * ld<kShared>(f, link[q]) + t;
    s += t;
  }
  return s;
}

// The quasi-neighbour lists exist (F 137 and its arrays).
inline bool qnListsExist() { return QNFlag != 0 && Cncelle && Cncellw && Cncells && Cncelln && Cqncelle && Cqnae; }

// s plus the sides e, w, s, n of cell c in the quasi-neighbour form, added in
// that order.
template <bool kShared>
inline double qnSides(const double* f, int c, bool second, double s) {
  s += qnSide<kShared>(f, c, Cncelle[c], Cqncelle, Cqnae, Cqnaee, Cae, Caee, Ccelle, second);
  s += qnSide<kShared>(f, c, Cncellw[c], Cqncellw, Cqnaw, Cqnaww, Caw, Caww, Ccellw, second);
  s += qnSide<kShared>(f, c, Cncells[c], Cqncells, Cqnas, Cqnass, Cas, Cass, Ccells, second);
  s += qnSide<kShared>(f, c, Cncelln[c], Cqncelln, Cqnan, Cqnann, Can, Cann, Ccelln, second);
  return s;
}

// The sum of the coefficients of the four horizontal sides of cell c as the
// quasi-neighbour stencil reads them: on a side with a list the list
// coefficients (and their second-neighbour ones), on the others the
// ordinary coefficient (and its second neighbour's). Added to the six
// ordinary vertical terms it is the diagonal that keeps an equation
// conservative on cells with lists.
inline double qnSideSum(int c, int count, const double* const* a, const double* const* a2, const double* ad,
                        const double* add, bool second) {
  if (count <= 0) return ad[c] + (second && add ? add[c] : 0.0);
  double s = 0.0;
  for (int j = 0; j < count; ++j) s += a[c][j] + (second && a2 ? a2[c][j] : 0.0);
  return s;
}
inline double horizontalCoefficientSum(int c, bool second) {
  if (!qnListsExist())
    return Cae[c] + Caw[c] + Can[c] + Cas[c] +
           (second && Caee ? Caee[c] + Caww[c] + Cann[c] + Cass[c] : 0.0);
  return qnSideSum(c, Cncelle[c], Cqnae, Cqnaee, Cae, Caee, second) +
         qnSideSum(c, Cncellw[c], Cqnaw, Cqnaww, Caw, Caww, second) +
         qnSideSum(c, Cncells[c], Cqnas, Cqnass, Cas, Cass, second) +
         qnSideSum(c, Cncelln[c], Cqnan, Cqnann, Can, Cann, second);
}

// The second neighbours above and below in the equation of sediment size n
// (second-order scheme): the size's own rows where they exist, else the
// shared ones.
inline double* sizeSecondAbove(int n) { return Cattm && Cattm[n] ? Cattm[n] : Catt; }
inline double* sizeSecondBelow(int n) { return Cabbm && Cabbm[n] ? Cabbm[n] : Cabb; }

// Column-aligned block bounds of P blocks over first..last: bound[0] =
// first - 1, bound[P] = last, and bound[k] the nominal end first - 1 +
// int(k step) moved up (at most znumber cells) to the top cell of its water
// column, so that a column never spans two blocks. The table grows when a run
// asks for more blocks; callers size it before their parallel regions.
inline void columnAlignedBounds(std::vector<int>& bound, int P, int first, int last, double step) {
  if (P < 1) P = 1;
  if (static_cast<int>(bound.size()) < P + 1) bound.resize(P + 1);
  bound[0] = first - 1;
  for (int k = 1; k < P; ++k) {
    int b = first - 1 + static_cast<int>(k * step);
    for (int n = 0; n < znumber && b >= first && b < last && Ccellt[b] != 0; ++n) ++b;
    bound[k] = std::clamp(b, bound[k - 1], last);
  }
  bound[P] = last;
}
