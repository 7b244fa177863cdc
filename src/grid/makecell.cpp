// The cell builder: appends one hexahedral cell with the surfaces and points it
// does not share with cells built before.
#include <cmath>

#include "grid/generate.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// Corners of the cell in the order Fpoint1..Fpoint4 of its surface on each side.
constexpr int kFaceCorner[7][4] = {{0, 0, 0, 0}, {1, 5, 6, 2}, {2, 3, 7, 6}, {4, 8, 7, 3},
                                   {1, 4, 8, 5}, {1, 2, 3, 4}, {5, 6, 7, 8}};
// Order in which MakeCell makes the missing corners of a new surface.
constexpr int kNewPointOrder[7][4] = {{0, 0, 0, 0}, {1, 2, 5, 6}, {2, 3, 6, 7}, {3, 4, 7, 8},
                                      {1, 4, 5, 8}, {1, 2, 3, 4}, {5, 6, 7, 8}};

int* cellPoint(int corner) {
  switch (corner) {
    case 1: return Cpoint1;
    case 2: return Cpoint2;
    case 3: return Cpoint3;
    case 4: return Cpoint4;
    case 5: return Cpoint5;
    case 6: return Cpoint6;
    case 7: return Cpoint7;
    default: return Cpoint8;
  }
}

int* cellFlate(int side) {
  switch (side) {
    case SideS: return Cflates;
    case SideE: return Cflatee;
    case SideN: return Cflaten;
    case SideW: return Cflatew;
    case SideB: return Cflateb;
    default: return Cflatet;
  }
}

int* cellNeighbour(int side) {
  switch (side) {
    case SideS: return Ccells;
    case SideE: return Ccelle;
    case SideN: return Ccelln;
    case SideW: return Ccellw;
    case SideB: return Ccellb;
    default: return Ccellt;
  }
}

int facePoint(int f, int q) {
  switch (q) {
    case 0: return Fpoint1[f];
    case 1: return Fpoint2[f];
    case 2: return Fpoint3[f];
    default: return Fpoint4[f];
  }
}

bool given(int side) { return NewCell.flate[side] >= 1; }

// Corners known from the surfaces given in NewCell (step 2), then the wedge
// collapse of F 299 (step 3).
void cornersFromGivenSurfaces(int corner[9]) {
  for (int m = 0; m < 9; ++m) corner[m] = 0;
  for (int side = SideS; side <= SideT; ++side) {
    if (!given(side)) continue;
    const int f = NewCell.flate[side];
    for (int q = 0; q < 4; ++q) corner[kFaceCorner[side][q]] = facePoint(f, q);
  }
  if (FlagUnstrucWedge > 0)
    for (int m = 1; m <= 4; ++m)
      if (NewCell.z[m + 4] - NewCell.z[m] < 1e-8 && corner[m] > 0) corner[m + 4] = corner[m];
}

int newPoint(int m) {
  const int p = ++NoPoints;
  Px[p] = NewCell.x[m];
  Py[p] = NewCell.y[m];
  Pz[p] = NewCell.z[m];
  return p;
}

// A new surface on `side`, its missing corners made in `order`.
int newSurface(int c, int side, int corner[9], const int order[4]) {
  const int f = ++NoSurfaces;
  cellFlate(side)[c] = f;
  if (side == SideS || side == SideW || side == SideB) {
    Fcell1[f] = 0;
    Fcell2[f] = c;
  } else {
    Fcell1[f] = c;
    Fcell2[f] = 0;
  }
  for (int q = 0; q < 4; ++q)
    if (corner[order[q]] == 0) corner[order[q]] = newPoint(order[q]);
  const int* t = kFaceCorner[side];
  Fpoint1[f] = corner[t[0]];
  Fpoint2[f] = corner[t[1]];
  Fpoint3[f] = corner[t[2]];
  Fpoint4[f] = corner[t[3]];
  return f;
}

void enterCell(int c, const int corner[9]) {
  for (int m = 1; m <= 8; ++m) cellPoint(m)[c] = corner[m];
  for (int side = SideS; side <= SideT; ++side) cellNeighbour(side)[c] = NewCell.cell[side];
}

// The first cell of column level kk = k..znumber of column (i, j), or 0.
int firstCellFrom(int i, int j, int k) {
  for (int kk = k; kk <= znumber; ++kk)
    if (num[i][j][kk] > 0) return num[i][j][kk];
  return 0;
}

}  // namespace

const int* cellCornersOfSide(int side) { return kFaceCorner[side >= SideS && side <= SideT ? side : 0]; }

bool MakeCellFits() {
  int corner[9];
  cornersFromGivenSurfaces(corner);
  int surfaces = 0, points = 0;
  for (int side = SideS; side <= SideT; ++side)
    if (!given(side)) ++surfaces;
  for (int m = 1; m <= 8; ++m)
    if (corner[m] == 0) ++points;
  return NoSurfaces + surfaces < MaxFlater - 1 && NoPoints + points < MaxPunkter - 1;
}

int MakeCell(int c) {
  int corner[9];
  cornersFromGivenSurfaces(corner);
  for (int side = SideS; side <= SideT; ++side) {
    if (given(side)) {
      const int f = NewCell.flate[side];
      cellFlate(side)[c] = f;
      if (Fcell1[f] == 0)
        Fcell1[f] = c;
      else
        Fcell2[f] = c;
    } else {
      newSurface(c, side, corner, kNewPointOrder[side]);
    }
  }
  enterCell(c, corner);
  return 0;
}

int MakeCellNew(int c, int i, int j, int k) {
  int corner[9];
  cornersFromGivenSurfaces(corner);

  // Corners from the column level above in the west and south columns.
  if (!given(SideW)) {
    const int w2 = num[i - 1][j][k + 1];
    if (w2 != 0 && corner[5] == 0 && corner[8] == 0) {
      corner[5] = Cpoint2[w2];
      corner[8] = Cpoint3[w2];
    }
  }
  if (!given(SideS)) {
    const int s2 = num[i][j - 1][k + 1];
    if (s2 != 0 && corner[5] == 0 && corner[6] == 0) {
      corner[5] = Cpoint4[s2];
      corner[6] = Cpoint3[s2];
    }
  }

  if (UMethod == 2) {
    if (k <= znumber && !given(SideS)) {
      const int s3 = firstCellFrom(i, j - 1, k);
      if (s3 > 0) {
        if (corner[1] == 0 && Pz[Cpoint4[s3]] - NewCell.z[1] < 1e-8) corner[1] = corner[5] = Cpoint4[s3];
        if (corner[2] == 0 && Pz[Cpoint3[s3]] - NewCell.z[2] < 1e-8) corner[2] = corner[6] = Cpoint3[s3];
      }
    }
    if (k <= znumber && !given(SideW)) {
      const int w3 = firstCellFrom(i - 1, j, k);
      if (w3 > 0) {
        if (corner[1] == 0 && Pz[Cpoint2[w3]] - NewCell.z[1] < 1e-8) corner[1] = corner[5] = Cpoint2[w3];
        if (corner[4] == 0 && Pz[Cpoint3[w3]] - NewCell.z[4] < 1e-8) corner[4] = corner[8] = Cpoint3[w3];
      }
    }
    if (num[i][j][k - 1] == 0) {
      NewCell.flate[SideB] = newSurface(c, SideB, corner, kNewPointOrder[SideB]);
      for (int m = 1; m <= 4; ++m)
        if (NewCell.z[m + 4] - NewCell.z[m] < 1e-8) corner[m + 4] = corner[m];
    }
  }

  for (int side = SideS; side <= SideT; ++side) {
    if (given(side)) {
      const int f = NewCell.flate[side];
      cellFlate(side)[c] = f;
      if (side == SideB)
        Fcell2[f] = c;
      else if (side == SideT)
        Fcell1[f] = c;
      else if (Fcell1[f] == 0)
        Fcell1[f] = c;
      else
        Fcell2[f] = c;
    } else {
      newSurface(c, side, corner, kFaceCorner[side]);
    }
  }
  enterCell(c, corner);
  return 0;
}

int checkXY(double xa, double xb, double xc, double xd, double ya, double yb, double yc, double yd) {
  const double L = ConnectLimit;
  if (std::fabs(xa - xc) < L && std::fabs(ya - yc) < L && std::fabs(xb - xd) < L && std::fabs(yb - yd) < L) return 1;
  if (std::fabs(xa - xd) < L && std::fabs(ya - yd) < L && std::fabs(xb - xc) < L && std::fabs(yb - yc) < L) return 2;
  return 0;
}
