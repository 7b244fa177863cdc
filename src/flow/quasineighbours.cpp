// Coefficients of cells that face several cells on one lateral side (F 137):
// the neighbouring column has more cells, so the cell keeps a list of the
// cells on that side, each coupled through its own face. The list cells are
// consecutive cell numbers from the first entry of the list.
#include <algorithm>
#include <cmath>

#include "flow/cellequations.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }
inline bool faceOk(int f) { return f >= 1 && f <= NoSurfaces; }

// One side of a list: its count, list, coefficients, the face of a list cell
// toward the listing cell, the coefficient of the list cell toward it, the
// cell beyond a list cell on the same side and the neighbour of a list cell
// on the side facing the listing cell.
struct ListSide {
  int* count;
  int** cells;
  double** coeff;
  double** second;
  int* listFace;      // per list cell
  double* backCoeff;  // per list cell
  int* beyond;        // per list cell
  int* facing;        // per list cell
  bool cIsFirst;      // the listing cell is Fcell1 of the list faces (east, north)
  bool alongI;        // half sizes Cidist (east, west) or Cjdist (north, south)
  double* ordinary;   // the listing cell's own coefficient on that side
};

ListSide sideOf(int k) {
  switch (k) {
    case 0: return {Cncelle, Cqncelle, Cqnae, Cqnaee, Cflatew, Caw, Ccelle, Ccellw, true, true, Cae};
    case 1: return {Cncellw, Cqncellw, Cqnaw, Cqnaww, Cflatee, Cae, Ccellw, Ccelle, false, true, Caw};
    case 2: return {Cncelln, Cqncelln, Cqnan, Cqnann, Cflates, Cas, Ccelln, Ccells, true, false, Can};
    default: return {Cncells, Cqncells, Cqnas, Cqnass, Cflaten, Can, Ccells, Ccelln, false, false, Cas};
  }
}

// Power-law diffusion of a list face: D A(Pe), without the equation's factor,
// floor or damping.
double listDiffusion(int f) {
  const int a = Fcell1[f], b = Fcell2[f];
  const double dist = Fdist1[f] + Fdist2[f] + 1e-20;
  const double ga = cellOk(a) ? Cgamma[a] : 0.0, gb = cellOk(b) ? Cgamma[b] : 0.0;
  const double G = (Fdist2[f] * ga + Fdist1[f] * gb) / dist;
  const double D = Farea[f] * G / dist;
  const double Pe = std::fabs(Fflux[f]) / (D + 1e-20);
  if (Pe > 20.0) return 0.0;
  const double t = 1.0 - 0.1 * Pe;
  return D * (t > 0.0 ? t * t * t * t * t : 0.0);
}

// The count of a list, within the list capacity (znumber entries per cell).
int listCount(const ListSide& s, int c) {
  if (!s.count || !s.cells || !s.coeff) return 0;
  return std::clamp(s.count[c], 0, std::max(znumber, 0));
}

}  // namespace

void QNGridCoeff() {
  if (!Cncelle || !Cncellw || !Cncelln || !Cncells) return;
  const bool second = sou[std::clamp(Equation, 0, kEquationTableSize - 1)] == 1;
  const int lo = std::max(WCStart, 1), hi = std::min(WCEnd, NoCells);
  for (int c = lo; c <= hi; ++c)
    for (int k = 0; k < 4; ++k) {
      const ListSide s = sideOf(k);
      const int n = listCount(s, c);
      if (n == 0) continue;
      const int first = s.cells[c][0];
      for (int m = 0; m < n; ++m) {
        const int q = first + m;
        double& a = s.coeff[c][m];
        double* a2 = second && s.second ? &s.second[c][m] : nullptr;
        a = 0.0;
        if (a2) *a2 = 0.0;
        if (!cellOk(q)) continue;
        const int f = s.listFace[q];
        if (!faceOk(f)) continue;
        const double F = Fflux[f], D = listDiffusion(f);
        // Positive F runs from Fcell1 to Fcell2 of the list face.
        const bool intoC = s.cIsFirst ? F < 0.0 : F > 0.0;
        const bool intoQ = s.cIsFirst ? F > 0.0 : F < 0.0;
        if (!second) {
          a = D + (intoC ? std::fabs(F) : 0.0);
          s.backCoeff[q] = D + (intoQ ? std::fabs(F) : 0.0);
          continue;
        }
        if (!intoC) {
          a = D;
          continue;
        }
        const int b = s.beyond[q];
        if (!cellOk(b)) {
          a = D + std::fabs(F);
          continue;
        }
        const double* d = s.alongI ? Cidist : Cjdist;
        double r = (2.0 * d[q] + d[b]) / (d[q] + d[b] + 1e-30);
        if (a2) *a2 = -(r - 1.0) * std::fabs(F);
        // The flow equations weight an inflowing list face by 1.33 more. The
        // sediment and the components (Equation 7 and above) do not: the
        // listed cell gives only r |F| - (r - 1) |F| of its own outflow, so
        // the extra third would make or lose mass.
        if (s.facing[q] != 0 && Equation < 7) r *= 1.33;
        a = D + r * std::fabs(F);
      }
      s.ordinary[c] = 0.0;
    }
}

double quasiNeighbourSum(int c, bool second) {
  if (!Cncelle || !Cncellw || !Cncelln || !Cncells || !cellOk(c)) return 0.0;
  double sum = 0.0;
  for (int k = 0; k < 4; ++k) {
    const ListSide s = sideOf(k);
    const int n = listCount(s, c);
    for (int m = 0; m < n; ++m) {
      sum += s.coeff[c][m];
      if (second && s.second) sum += s.second[c][m];
    }
  }
  return sum;
}
