// Differences of a cell field across a cell along the grid lines, shared by
// the pressure force and the pressure corrections.
#pragma once

#include "state/arrays.h"
#include "state/options.h"

// Across cell c from its neighbours lo and hi of one direction, of the value
// v(n) of each cell n: central with both, one-sided toward the one present,
// 0 with none.
template <typename V>
inline double differenceOf(const V& v, int c, int lo, int hi) {
  if (lo > 0 && hi > 0) return 0.5 * (v(hi) - v(lo));
  if (hi > 0) return v(hi) - v(c);
  if (lo > 0) return v(c) - v(lo);
  return 0.0;
}

// As differenceOf, but a one-sided end reaches one cell further (loLink and
// hiLink are the neighbour arrays of the direction) for second order.
template <typename V>
inline double secondOrderDifferenceOf(const V& v, int c, int lo, int hi, const int* loLink, const int* hiLink) {
  if (lo > 0 && hi > 0) return 0.5 * (v(hi) - v(lo));
  if (hi > 0) {
    const int hh = hiLink[hi];
    return hh > 0 ? 0.5 * (4.0 * v(hi) - 3.0 * v(c) - v(hh)) : v(hi) - v(c);
  }
  if (lo > 0) {
    const int ll = loLink[lo];
    return ll > 0 ? 0.5 * (3.0 * v(c) - 4.0 * v(lo) + v(ll)) : v(c) - v(lo);
  }
  return 0.0;
}

// The same of a cell field p.
inline double difference(const double* p, int c, int lo, int hi) {
  return differenceOf([p](int n) { return p[n]; }, c, lo, hi);
}
inline double secondOrderDifference(const double* p, int c, int lo, int hi, const int* loLink, const int* hiLink) {
  return secondOrderDifferenceOf([p](int n) { return p[n]; }, c, lo, hi, loLink, hiLink);
}

struct Diffs {
  double i, j, k;
};

// Differences next to thin faces: a lateral face whose height (area over the
// cell's width across it) is below 0.2 Ckdist and 0.1 F 86 carries no
// pressure, so the difference is taken one-sided toward the other neighbour
// (the west and south faces are tested first); a cell missing a neighbour
// along i and one along j gets no lateral difference. w, e, s, n are the
// neighbours to use (possibly substitutes); the faces are the cell's own.
inline Diffs thinFaceDiffs(const double* p, int c, int w, int e, int s, int n) {
  auto thin = [c](int face, double halfWidth) {
    const double height = Farea[face] / (2.0 * halfWidth);
    return height < 0.2 * Ckdist[c] && height < 0.1 * MinVertDist;
  };
  Diffs d{0.0, 0.0, difference(p, c, Ccellb[c], Ccellt[c])};
  if (w > 0 && e > 0) {
    if (thin(Cflatew[c], Cjdist[c]))
      d.i = p[e] - p[c];
    else if (thin(Cflatee[c], Cjdist[c]))
      d.i = p[c] - p[w];
    else
      d.i = 0.5 * (p[e] - p[w]);
  } else {
    d.i = difference(p, c, w, e);
  }
  if (s > 0 && n > 0) {
    if (thin(Cflates[c], Cidist[c]))
      d.j = p[n] - p[c];
    else if (thin(Cflaten[c], Cidist[c]))
      d.j = p[c] - p[s];
    else
      d.j = 0.5 * (p[n] - p[s]);
  } else {
    d.j = difference(p, c, s, n);
  }
  if ((w == 0 || e == 0) && (s == 0 || n == 0)) d.i = d.j = 0.0;
  return d;
}
