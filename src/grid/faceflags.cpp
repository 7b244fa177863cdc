// Flow flags and orientation of the faces, the face levels of the discharge
// groups, the donor cells of nested-block faces and the parent cells of
// nested cells: the last geometry steps of metric.
#include <omp.h>

#include <cmath>

#include "grid/fieldmap.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool isCell(int c) { return c >= 1 && c <= NoCells; }
inline bool isFace(int f) { return f >= 1 && f <= NoSurfaces; }

// Bottom cell of the column of c: the cells of a column are numbered
// consecutively from the bottom up.
int bottomByNumber(int c) {
  while (c > 1 && Ccellb[c] > 0) --c;
  return c;
}

int flowFlag(int f) {
  const int c1 = Fcell1[f], c2 = Fcell2[f], t1 = Ftype1[f], t2 = Ftype2[f];
  const int w = WallFlag;
  if (c1 > 0 && c2 > 0) return 1;
  if (w == 5) return t1 == 6 && c2 == 0 ? -1 : 0;
  if (t1 == 6 && c2 == 0 && w != 4) return 0;
  if (c1 == 0 && t2 == 5) return -1;
  if (Farea[f] < SmallNumberUnstruc) return findFlagflowTriangle(f);
  if (w == 0 || w == 3 || w == 4) return -1;
  if (w == 1 && t1 == 0 && t2 == 5) return -1;
  return 0;
}

void groupFacesOpen() {
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    for (int e = 0; e < G.surfno && e < MaxGroupFaces; ++e)
      if (isFace(G.face[e])) Fflagflow[G.face[e]] = 0;
  }
}

void openCutLines() {
  const BlockRecord& B = block[1];
  if (FlagMPI <= 0 || B.j1 > B.j2) return;
  for (int j = B.j1; j <= B.j2; ++j) {
    if (j < 0 || j > ynumber + 1) continue;
    const int columns[2] = {B.i1, B.i2};
    for (int k = 0; k < 2; ++k) {
      const int i = columns[k];
      if (i < 0 || i > xnumber + 1) continue;
      int c = static_cast<int>(zval[i][j][0]);
      for (int steps = 0; isCell(c) && steps < NoCells; ++steps) {
        const int f = k == 0 ? Cflatew[c] : Cflatee[c];
        if (isFace(f) && Fflagflow[f] < 0) Fflagflow[f] = 0;
        c = Ccellt[c];
      }
    }
  }
}

int* linkOnSide(int side) {
  switch (side) {
    case 1: return Ccells;
    case 2: return Ccelle;
    case 3: return Ccelln;
    case 4: return Ccellw;
    default: return nullptr;
  }
}

void cutTinyFaces() {
  if (FlagGridStab5 != 5 && FlagGridStab5 != 6) return;
  for (int f = 1; f <= NoSurfaces; ++f) {
    if (!(Farea[f] < SmallNumberUnstruc) || Fcell1[f] < 1 || Fcell2[f] < 1) continue;
    if (int* link = linkOnSide(Ftype1[f]); link && isCell(Fcell1[f])) {
      link[Fcell1[f]] = 0;
      Fflagflow[f] = 0;
      Fcell1[f] = 0;
    }
    if (int* link = linkOnSide(Ftype2[f]); link && isCell(Fcell2[f])) {
      link[Fcell2[f]] = 0;
      Fflagflow[f] = 0;
      Fcell2[f] = 0;
    }
  }
}

void nestingFaces() {
  if (!Npflate) return;
  for (int n = 1; n <= NoNestflater && n < MaxNester; ++n) {
    const int f = Npflate[n];
    if (!isFace(f)) continue;
    const bool bottom = Ftype1[f] == 5 || Ftype2[f] == 5;
    const int b = Npblock[n];
    const bool keep = bottom && b >= 1 && b < 100 && block[b].bedFlag == 1;
    if (!keep) Fflagflow[f] = 0;
  }
}

void faceLevels() {
  if (FlagCyclic == 0 && inflowj < 1) return;
  for (int g = 1; g <= 9; ++g) {
    DischargeGroup& G = DischargeStruct[g];
    for (int e = 0; e < G.surfno && e < MaxGroupFaces; ++e) {
      const int f = G.face[e];
      int c = isFace(f) ? (Fcell1[f] != 0 ? Fcell1[f] : Fcell2[f]) : 0;
      int n = 0;
      for (int steps = 0; isCell(c) && steps < NoCells; ++steps) {
        ++n;
        c = Ccellb[c];
      }
      G.faceLevel[e] = n;
    }
  }
}

void donorCells() {
  if (NoNestflater <= 1 || !Npflate || !Ncell || !Nvect) return;
  if (FlagNestDLL >= 1) {
    for (int b = 1; b <= NoBlocks && b < 100; ++b) blocknested[b] = block[b].nestLevel == 1 ? 1 : 0;
    return;
  }
  const int first = block[1].firstCell < 1 ? 1 : block[1].firstCell;
  const int last = block[1].lastCell > NoCells ? NoCells : block[1].lastCell;
  for (int n = 1; n <= NoNestflater && n < MaxNester; ++n) {
    const int f = Npflate[n];
    for (int m = 0; m < 4; ++m) Ncell[n][m] = 0;
    if (isFace(f)) {
      const int pts[4] = {Fpoint1[f], Fpoint2[f], Fpoint3[f], Fpoint4[f]};
      double xf = 0, yf = 0, zf = 0;
      for (int p : pts) xf += 0.25 * Px[p], yf += 0.25 * Py[p], zf += 0.25 * Pz[p];
      if (NestSurf > 0 && Ftype1[f] == 6) {
        double best = 1e30;
        for (int c = first; c <= last; ++c) {
          if (!(Czcenter[c] > zf)) continue;
          const double dx = Cxcenter[c] - xf, dy = Cycenter[c] - yf, dz = Czcenter[c] - zf;
          const double d = dx * dx + dy * dy + dz * dz;
          if (d < best) {
            best = d;
            Ncell[n][0] = c;
          }
        }
      } else {
        const double sign = Fcell1[f] == 0 ? -1.0 : 1.0;
        for (int m = 0; m < 4; ++m) {
          double best = 1e30;
          for (int c = first; c <= last; ++c) {
            if (Ccellt[c] != 0) continue;
            if (!(sign * ((Cxcenter[c] - xf) * Fvx[f] + (Cycenter[c] - yf) * Fvy[f]) > 0.0)) continue;
            bool taken = false;
            for (int k = 0; k < m; ++k) taken = taken || Ncell[n][k] == c;
            if (taken) continue;
            const double dx = Cxcenter[c] - xf, dy = Cycenter[c] - yf;
            const double d = dx * dx + dy * dy;
            if (d < best) {
              best = d;
              Ncell[n][m] = c;
            }
          }
        }
        // Each chosen column gives its cell nearest in level to the face.
        for (int m = 0; m < 4; ++m) {
          int c = Ncell[n][m];
          if (c == 0) {
            Ncell[n][m] = m > 0 ? Ncell[n][m - 1] : 0;
            continue;
          }
          double best = 1e30;
          int chosen = c;
          for (int steps = 0; isCell(c) && steps < NoCells; ++steps) {
            const double d = std::fabs(Czcenter[c] - zf);
            if (d < best) {
              best = d;
              chosen = c;
            }
            c = Ccellb[c];
          }
          Ncell[n][m] = chosen;
        }
      }
      for (int m = 0; m < 4; ++m) {
        const int c = Ncell[n][m];
        if (!isCell(c)) {
          Nvect[n][m][0] = Nvect[n][m][1] = Nvect[n][m][2] = 0.0;
          continue;
        }
        const double dx = Cxcenter[c] - xf, dy = Cycenter[c] - yf, dz = Czcenter[c] - zf;
        const double len = std::sqrt(dx * dx + dy * dy + dz * dz + 1e-20);
        Nvect[n][m][0] = dx / len, Nvect[n][m][1] = dy / len, Nvect[n][m][2] = dz / len;
      }
    } else {
      for (int m = 0; m < 4; ++m) Nvect[n][m][0] = Nvect[n][m][1] = Nvect[n][m][2] = 0.0;
    }
  }
}

}  // namespace

int findFlagflowTriangle(int f) {
  int c = Fcell1[f];
  if (isCell(c) && Ccellb[c] > 0) {
    const int k = bottomByNumber(c);
    if (Ftype1[f] == 2) return Ccelle[k] > 0 ? 2 : 0;
    if (Ftype1[f] == 3) return Ccelln[k] > 0 ? 2 : 0;
  }
  c = Fcell2[f];
  if (!isCell(c) || Ccellb[c] == 0) return 0;
  const int k = bottomByNumber(c);
  if (Ftype2[f] == 1) return Ccells[k] > 0 ? 2 : 0;
  if (Ftype2[f] == 4) return Ccellw[k] > 0 ? 2 : 0;
  return 0;
}

void setFaceFlowFlags() {
  for (int f = 1; f <= NoSurfaces; ++f) {
    Fflagflow[f] = flowFlag(f);
    const int t2 = Ftype2[f];
    Fin[f] = t2 == 1 || t2 == 4 || t2 == 5 ? 1 : -1;
  }
  Fflagflow[0] = 0;
  groupFacesOpen();
  openCutLines();
  cutTinyFaces();
  nestingFaces();
  // A new grid leaves the group lists of the grid before until the groups
  // are attached again; the same grid measured again keeps its group faces.
  if (FlagHaveDoneMetric == 0)
    groupFacesOfNewGrid();
  else
    remarkGroupFaces();
  faceLevels();
  otime[45] = omp_get_wtime();
  donorCells();
  otime[46] = omp_get_wtime();
  if (Cinterpolnest) {
    for (int c = 1; c <= NoCells; ++c) Cinterpolnest[c] = 0;
    if (NestInterpolRelax > 1e-8 || (FlagCoupledNesting >= 1 && FlagCoupledNesting != 10) || FlagNestTop == 4)
      computeCinterpolnest();
  }
  otime[47] = omp_get_wtime();
}
