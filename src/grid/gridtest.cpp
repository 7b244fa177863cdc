// The pointer test of the grid (debugging letter A) and the point-in-triangle
// and point-in-cell tests in plan.
#include <cstdio>

#include "flow/stages.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/terrain.h"

namespace {

void report(int code, int c) {
  logf("Error %d in grid for cell %d\n", code, c);
  char text[80];
  std::snprintf(text, sizeof text, "Error %d in grid for cell %d ", code, c);
  setMessage(text);
}

inline bool cellIndex(int c) { return c >= 0 && c <= NoCells; }
inline bool faceIndex(int f) { return f >= 0 && f <= NoSurfaces; }

// Neighbour n of c points back to c (or to no cell) through `back`; an index
// outside the grid fails as well.
bool pointsBack(const int* back, int n, int c) { return cellIndex(n) && (back[n] == c || back[n] == 0); }

// The corner points of face f against the cell corners given.
void testCorners(int c, int f, int firstCode, const int* const corners[4]) {
  const int* const fp[4] = {Fpoint1, Fpoint2, Fpoint3, Fpoint4};
  for (int k = 0; k < 4; ++k)
    if (!faceIndex(f) || fp[k][f] != corners[k][c]) report(firstCode + k, c);
}

// A side face of c with an area, no neighbour of c on that side, while the
// cell `other` has one there.
bool openSide(int face, int neighbour, int otherNeighbour) {
  return faceIndex(face) && Farea[face] > 1e-10 && neighbour == 0 && otherNeighbour > 0;
}

double cross(double x, double y, double xa, double ya, double xb, double yb) {
  return (xb - xa) * (y - ya) - (yb - ya) * (x - xa);
}

// Strictly left of every edge of the counter-clockwise bottom outline of cell c.
int insideCellOutline(double x, double y, int c) {
  if (c < 1 || c > NoCells) return 0;
  const int p[4] = {Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c]};
  for (int k = 0; k < 4; ++k) {
    const int a = p[k], b = p[(k + 1) % 4];
    if (!(cross(x, y, Px[a], Py[a], Px[b], Py[b]) > 0.0)) return 0;
  }
  return 1;
}

}  // namespace

void gridTest() {
  const bool method2 = UMethod2 > 0;
  for (int c = WCStart; c <= WCEnd; ++c) {
    if (c < 1 || c > NoCells) continue;
    if (!pointsBack(Ccelln, Ccells[c], c)) report(1, c);
    if (!pointsBack(Ccells, Ccelln[c], c)) report(2, c);
    if (!pointsBack(Ccelle, Ccellw[c], c)) report(3, c);
    if (!pointsBack(Ccellw, Ccelle[c], c)) report(4, c);
    if (!pointsBack(Ccellt, Ccellb[c], c)) report(5, c);
    if (!pointsBack(Ccellb, Ccellt[c], c)) report(6, c);

    const int fe = Cflatee[c], fn = Cflaten[c], ft = Cflatet[c];
    const int fw = Cflatew[c], fs = Cflates[c], fb = Cflateb[c];
    // With the second grid generator a missing side face is no fault.
    auto side = [method2](int f) { return !method2 || f != 0; };
    if (side(fe) && (!faceIndex(fe) || Fcell1[fe] != c)) report(7, c);
    if (side(fn) && (!faceIndex(fn) || Fcell1[fn] != c)) report(8, c);
    if (!faceIndex(ft) || Fcell1[ft] != c) report(9, c);
    if (side(fw) && (!faceIndex(fw) || Fcell2[fw] != c)) report(10, c);
    if (side(fs) && (!faceIndex(fs) || Fcell2[fs] != c)) report(11, c);
    if (!faceIndex(fb) || Fcell2[fb] != c) report(12, c);

    if (side(fe)) {
      const int* const k[4] = {Cpoint2, Cpoint3, Cpoint7, Cpoint6};
      testCorners(c, fe, 13, k);
    }
    if (side(fs)) {
      const int* const k[4] = {Cpoint1, Cpoint5, Cpoint6, Cpoint2};
      testCorners(c, fs, 17, k);
    }
    if (side(fw)) {
      const int* const k[4] = {Cpoint1, Cpoint4, Cpoint8, Cpoint5};
      testCorners(c, fw, 21, k);
    }
    if (side(fn)) {
      const int* const k[4] = {Cpoint4, Cpoint8, Cpoint7, Cpoint3};
      testCorners(c, fn, 25, k);
    }
    {
      const int* const k[4] = {Cpoint1, Cpoint2, Cpoint3, Cpoint4};
      testCorners(c, fb, 29, k);
    }
    {
      const int* const k[4] = {Cpoint5, Cpoint6, Cpoint7, Cpoint8};
      testCorners(c, ft, 33, k);
    }
    if (method2) continue;

    // The second cell of a column against the bottom cell below it.
    const int b = Ccellb[c];
    if (b >= 1 && b <= NoCells && Ccellb[b] == 0) {
      if (openSide(fw, Ccellw[c], Ccellw[b])) report(100, c);
      if (openSide(fe, Ccelle[c], Ccelle[b])) report(101, c);
      if (openSide(fs, Ccells[c], Ccells[b])) report(102, c);
      if (openSide(fn, Ccelln[c], Ccelln[b])) report(103, c);
    }
    // Every cell against the bottom cell of its column.
    const int bed = Cbed[c];
    const int bottom = bed >= 1 && bed <= NoBCells ? Bcellt[bed] : 0;
    if (bottom >= 1 && bottom <= NoCells) {
      if (openSide(fe, Ccelle[c], Ccelle[bottom])) report(110, c);
      if (openSide(fw, Ccellw[c], Ccellw[bottom])) report(111, c);
      if (openSide(fs, Ccells[c], Ccells[bottom])) report(112, c);
      if (openSide(fn, Ccelln[c], Ccelln[bottom])) report(113, c);
    }
  }
}

int insideTriangle(double x, double y, double x1, double y1, double x2, double y2, double x3, double y3) {
  if (cross(x, y, x1, y1, x2, y2) < 1e-20 && cross(x, y, x2, y2, x3, y3) < 1e-20 && cross(x, y, x3, y3, x1, y1) < 1e-20)
    return 1;
  if (cross(x, y, x1, y1, x3, y3) < 1e-20 && cross(x, y, x3, y3, x2, y2) < 1e-20 && cross(x, y, x2, y2, x1, y1) < 1e-20)
    return -1;
  return 0;
}

int insideQuadCellGeo(int n, int c) {
  if (!xg || n < 0 || n >= NoGeo) return 0;
  return insideCellOutline(xg[n], yg[n], c);
}

int insideQuadCellTrace(int n, int c) {
  if (!tracerX || n < 0 || n >= 1000) return 0;
  return insideCellOutline(tracerX[n], tracerY[n], c);
}

int insideQuad(double x, double y, double x1, double y1, double x2, double y2, double x3, double y3, double x4,
               double y4) {
  const double px[5] = {x1, x2, x3, x4, x1}, py[5] = {y1, y2, y3, y4, y1};
  for (int k = 0; k < 4; ++k)
    if (!(cross(x, y, px[k], py[k], px[k + 1], py[k + 1]) < 0.0)) return 0;
  return 1;
}
