// Nested grids: the maps between a nested block and the coarser block it lies
// in, the water surface and pressure level of the nested blocks taken from the
// coarse grid, and the coupling terms of the nested-block faces.
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
inline bool isBedCell(int b) { return b >= 1 && b <= NoBCells; }

inline bool inGrid(int i, int j) { return i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }

int bottomCellOf(int i, int j) {
  if (!inGrid(i, j)) return 0;
  const int c = static_cast<int>(zval[i][j][0]);
  return isCell(c) ? c : 0;
}

double planDistance(int i, int j, int i2, int j2) {
  const double dx = xval[i][j] - xval[i2][j2], dy = yval[i][j] - yval[i2][j2];
  return std::sqrt(dx * dx + dy * dy);
}

// How far a parent column may lie: the larger of the half sizes of the
// block's middle column and the side of one of its columns.
double searchRadius(const BlockRecord& Q) {
  const int mi = (Q.i1 + Q.i2) / 2, mj = (Q.j1 + Q.j2) / 2;
  double r = 0.0;
  const int c = bottomCellOf(mi, mj);
  if (c >= 1) r = Cidist[c] + Cjdist[c];
  if (inGrid(mi, mj) && armap) r = std::fmax(r, std::sqrt(std::fmax(armap[mi][mj], 0.0)));
  return r;
}

bool validWindow(const BlockRecord& B) {
  return B.i1 >= 1 && B.j1 >= 1 && B.i2 <= xnumber && B.j2 <= ynumber && B.i1 <= B.i2 && B.j1 <= B.j2;
}

// Parent search before the bed cells exist: the nearest cell centre of the
// coarser blocks within a limit that allows ten times the vertical distance
// in square. Each cell is searched on its own, so the result does not depend
// on how the cells are shared among threads.
void parentOfCell(int c, int level) {
  double limit = 4.0 * Cidist[c] * Cidist[c] + 4.0 * Cjdist[c] * Cjdist[c] + 10.0 * 4.0 * Ckdist[c] * Ckdist[c];
  for (int q = 1; q <= NoBlocks - 1 && q < 100; ++q) {
    const BlockRecord& Q = block[q];
    if (Q.nestLevel != level - 1) continue;
    const int first = Q.firstCell < 1 ? 1 : Q.firstCell, last = Q.lastCell > NoCells ? NoCells : Q.lastCell;
    for (int k = first; k <= last; ++k) {
      const double dx = Cxcenter[k] - Cxcenter[c], dy = Cycenter[k] - Cycenter[c], dz = Czcenter[k] - Czcenter[c];
      const double d = dx * dx + dy * dy + dz * dz;
      if (d < limit) {
        Cinterpolnest[c] = k;
        limit = d;
      }
    }
  }
}

void parentsByCells() {
  const bool serial = NoProcessesSolver == 0 || FlagOpenMP[11] == 1;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    if (B.nestLevel <= 0) continue;
    const int first = B.firstCell < 1 ? 1 : B.firstCell, last = B.lastCell > NoCells ? NoCells : B.lastCell;
    const int level = B.nestLevel;
    if (serial) {
      for (int c = first; c <= last; ++c) parentOfCell(c, level);
    } else {
#pragma omp parallel for schedule(static)
      for (int c = first; c <= last; ++c) parentOfCell(c, level);
    }
  }
}

void parentsByColumns() {
  int lo = NoBCells, hi = 0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b)
    if (block[b].nestLevel > 0) {
      if (block[b].firstBedCell < lo) lo = block[b].firstBedCell;
      if (block[b].lastBedCell > hi) hi = block[b].lastBedCell;
    }
  if (lo < 1) lo = 1;
  if (hi > NoBCells) hi = NoBCells;
  for (int b = lo; b <= hi; ++b) {
    const int bc = Bnestcoarse[b];
    if (!isBedCell(bc)) continue;
    const int cc = bottomCellOf(Bkooi[bc], Bkooj[bc]);
    const int fc = bottomCellOf(Bkooi[b], Bkooj[b]);
    if (cc < 1 || fc < 1) continue;
    const int north = Ccelln[cc], east = Ccelle[cc];
    int northEast = isCell(north) ? Ccelle[north] : 0;
    if (northEast == 0 && isCell(east)) northEast = Ccelln[east];
    const int candidates[4] = {cc, north, east, northEast};
    double best = 1e30;
    int chosen = cc;
    for (int k : candidates) {
      double d = 1e30;
      if (isCell(k)) {
        const double dx = Cxcenter[k] - Cxcenter[fc], dy = Cycenter[k] - Cycenter[fc];
        d = dx * dx + dy * dy;
      }
      if (d < best) {
        best = d;
        chosen = k;
      }
    }
    int f = fc;
    for (int steps = 0; isCell(f) && steps < NoCells; ++steps) {
      double nearest = 1e30;
      int parent = 0;
      int k = chosen;
      for (int s = 0; isCell(k) && s < NoCells; ++s) {
        const double d = std::fabs(Czcenter[k] - Czcenter[f]);
        if (d < nearest) {
          nearest = d;
          parent = k;
        }
        k = Ccellt[k];
      }
      Cinterpolnest[f] = parent;
      f = Ccellt[f];
    }
  }
}

// Face flux u . Fa, positive into the nested block.
double inflowFlux(int c, int f) {
  if (!isCell(c) || !isFace(f)) return 0.0;
  const double q = Cxvel[c] * Fax[f] + Cyvel[c] * Fay[f] + Czvel[c] * Faz[f];
  return Fcell2[f] == 0 ? -q : q;
}

void donorWeights() {
  for (int n = 1; n <= NoNestflater && n < MaxNester; ++n) {
    const int f = Npflate[n];
    double w[4], s = 0.0;
    for (int k = 0; k < 4; ++k) {
      const int c = Ncell[n][k];
      w[k] = isCell(c) ? std::fabs(Cxvel[c] * Nvect[n][k][0] + Cyvel[c] * Nvect[n][k][1] + Czvel[c] * Nvect[n][k][2])
                       : 0.0;
      s += w[k];
    }
    const double inv = 1.0 / (s + 1e-20);
    double ux = 0, uy = 0, uz = 0;
    for (int k = 0; k < 4; ++k) {
      w[k] *= inv;
      const int c = Ncell[n][k];
      if (!isCell(c)) continue;
      ux += w[k] * Cxvel[c], uy += w[k] * Cyvel[c], uz += w[k] * Czvel[c];
    }
    double q = 0.0;
    if (isFace(f)) {
      q = ux * Fax[f] + uy * Fay[f] + uz * Faz[f];
      if (Fcell2[f] == 0) q = -q;
    }
    Nflux[n] = q;
    for (int k = 0; k < 4; ++k) Nweight[n][k] = q >= 0.0 ? w[k] * 1000.0 * q : 0.0;
  }
}

void addDonorTerms(const double* phi, double* ap, double* source) {
  if (!phi || !ap || !source) return;
  for (int n = 1; n <= NoNestflater && n < MaxNester; ++n) {
    const int c = Npcelle[n];
    if (!isCell(c)) continue;
    for (int k = 0; k < 4; ++k) {
      ap[c] += Nweight[n][k];
      const int d = Ncell[n][k];
      if (isCell(d)) source[c] += phi[d] * Nweight[n][k];
    }
  }
}

void continuityTerms() {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const int level = block[b].nestLevel;
    if (level <= 0) continue;
    const int mode = level == 1 ? 0 : FlagNestFluxInterpol;
    double P = 0.0, N = 0.0;
    bool scaled = true;
    for (int n = 1; n <= NoNestflater && n < MaxNester; ++n) {
      if (Npblock[n] != b) continue;
      const double qo = inflowFlux(Npcelle[n], Npflate[n]);
      double& q = Nflux[n];
      switch (mode) {
        case 0: q = 0.5 * qo + 0.5 * q; break;
        case 1:
          if (!(q > 0.0)) q = qo < 0.0 ? qo : 0.5 * qo + 0.5 * q;
          break;
        case 2:
          if (qo < 0.0)
            q = qo;
          else if (!(q > 0.0))
            q = 0.5 * qo + 0.5 * q;
          break;
        case 3:
          if (qo > 0.0) {
            q = 0.5 * qo + 0.5 * q;
            if (q > 0.0) P += q;
          }
          break;
        default: scaled = false; break;
      }
      if (mode >= 0 && mode <= 2) {
        if (q > 0.0)
          P += q;
        else
          N += std::fabs(q);
      }
    }
    if (mode == 3) N = 0.001 * DischargeArray[1];
    const double R = scaled ? P / (N + 1e-30) : 0.0;
    for (int n = 1; n <= NoNestflater && n < MaxNester; ++n) {
      if (Npblock[n] != b) continue;
      if (Nflux[n] < 0.0) Nflux[n] *= R;
      if (isCell(Npcelle[n])) Csource[Npcelle[n]] += 1000.0 * Nflux[n];
    }
  }
}

}  // namespace

void computeBnestcoarse() {
  if (!Bnestcoarse) return;
  for (int b = 1; b <= NoBCells; ++b) Bnestcoarse[b] = 0;
  Bnestcoarse[0] = 0;
  for (int bb = 1; bb <= NoBlocks && bb < 100; ++bb) {
    const BlockRecord& B = block[bb];
    if (B.nestLevel <= 0 || !validWindow(B)) continue;
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        const int fineBed = Cbed[bottomCellOf(i, j)];
        if (fineBed < 1) continue;  // a dry column has no bed cell to map
        for (int q = 1; q <= NoBlocks && q < 100; ++q) {
          const BlockRecord& Q = block[q];
          if (Q.nestLevel != B.nestLevel - 1 || !validWindow(Q)) continue;
          const double r = searchRadius(Q);
          double best = 1e20;
          int bi = 0, bj = 0;
          for (int i2 = Q.i1; i2 <= Q.i2; ++i2)
            for (int j2 = Q.j1; j2 <= Q.j2; ++j2) {
              if (bottomCellOf(i2, j2) < 1) continue;
              const double d = planDistance(i2, j2, i, j);
              if (d < best && d < r) {
                best = d;
                bi = i2;
                bj = j2;
              }
            }
          if (bi != 0) Bnestcoarse[fineBed] = Cbed[bottomCellOf(bi, bj)];
        }
      }
  }
  if (!pointnest) return;
  for (int bb = 1; bb <= NoBlocks && bb < 100; ++bb) {
    const BlockRecord& B = block[bb];
    if (!validWindow(B)) continue;
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j) pointnest[i][j][0] = pointnest[i][j][1] = 0;
  }
  for (int cb = 1; cb <= NoBlocks && cb < 100; ++cb) {
    const BlockRecord& C = block[cb];
    if ((C.nestLevel != 0 && C.nestLevel != 1) || !validWindow(C)) continue;
    const double r = searchRadius(C);
    const bool wetMiddle = bottomCellOf((C.i1 + C.i2) / 2, (C.j1 + C.j2) / 2) >= 1;
    if (!wetMiddle) continue;
    for (int i = C.i1 - 1; i <= C.i2; ++i)
      for (int j = C.j1 - 1; j <= C.j2; ++j) {
        double best = 1e20;
        for (int fb = 1; fb <= NoBlocks && fb < 100; ++fb) {
          const BlockRecord& F = block[fb];
          if (F.nestLevel != C.nestLevel + 1 || !validWindow(F)) continue;
          for (int i2 = F.i1 - 1; i2 <= F.i2; ++i2)
            for (int j2 = F.j1 - 1; j2 <= F.j2; ++j2) {
              const double d = planDistance(i2, j2, i, j);
              if (d < best && d < r) {
                best = d;
                pointnest[i][j][0] = i2;
                pointnest[i][j][1] = j2;
              }
            }
        }
      }
  }
}

void computeCinterpolnest() {
  if (!Cinterpolnest) return;
  if (NoBCells == 0 || !Bnestcoarse)
    parentsByCells();
  else
    parentsByColumns();
}

void interpolateSurfaceNested() {
  if (!Bnestcoarse) return;
  Bnestcoarse[0] = 0;
  if (FlagNestTop == 5) computeBnestcoarse();
  const int top = znumber;
  for (int bb = 2; bb <= NoBlocks && bb < 100; ++bb) {
    const BlockRecord& B = block[bb];
    if (B.nestLevel <= 0 || !validWindow(B)) continue;
    auto coarseOf = [&](int i, int j) {
      if (i < B.i1 || i > B.i2 || j < B.j1 || j > B.j2) return 0;
      const int bed = Cbed[bottomCellOf(i, j)];
      return isBedCell(bed) ? Bnestcoarse[bed] : 0;
    };
    for (int j = B.j1 - 1; j <= B.j2; ++j)
      for (int i = B.i1 - 1; i <= B.i2; ++i) {
        const int ii = i > B.i1 ? i : B.i1, jj = j > B.j1 ? j : B.j1;
        int bc = coarseOf(ii, jj);
        const int tries[4][2] = {{ii + 1, jj}, {ii - 1, jj}, {ii, jj + 1}, {ii, jj - 1}};
        for (int t = 0; t < 4 && bc == 0; ++t) bc = coarseOf(tries[t][0], tries[t][1]);
        if (!isBedCell(bc) || !isCell(Bcellt[bc])) continue;
        int c = Bcellt[bc];
        for (int steps = 0; steps < NoCells && isCell(Ccellt[c]); ++steps) c = Ccellt[c];
        zval[i][j][top] = Czcenter[c] + Ckdist[c];
      }
    auto smooth = [&](int i, int j) {
      zval[i][j][top] = 0.5 * zval[i][j][top] +
                        0.125 * (zval[i - 1][j][top] + zval[i + 1][j][top] + zval[i][j - 1][top] + zval[i][j + 1][top]);
    };
    for (int j = B.j1; j <= B.j2 - 1; ++j)
      for (int i = B.i1; i <= B.i2 - 1; ++i) smooth(i, j);
    for (int j = B.j2 - 1; j >= B.j1; --j)
      for (int i = B.i2 - 1; i >= B.i1; --i) smooth(i, j);
  }
}

void scalePressureNested() {
  if (!Cinterpolnest) return;
  for (int bb = 1; bb <= NoBlocks && bb < 100; ++bb) {
    const BlockRecord& B = block[bb];
    if (B.nestLevel <= 0) continue;
    const int first = B.firstCell < 1 ? 1 : B.firstCell, last = B.lastCell > NoCells ? NoCells : B.lastCell;
    double own = 0.0, parent = 0.0;
    int m = 0;
    for (int c = first; c <= last; ++c)
      if (isCell(Cinterpolnest[c])) {
        own += Cpres[c];
        parent += Cpres[Cinterpolnest[c]];
        ++m;
      }
    if (m == 0) continue;
    const double shift = (parent - own) / m;
    for (int c = first; c <= last; ++c) Cpres[c] += shift;
  }
}

void nestsource() {
  if (FlagNestDLL > 0 || !Npflate || !Ncell || !Nweight || !Nvect || !Nflux) return;
  if ((Equation == 1 || Equation == 4 || Equation == 5 || Equation == 8) && NoNestflater >= 1) donorWeights();
  switch (Equation) {
    case 1: addDonorTerms(Cxvel, Cap, Csource); break;
    case 2: addDonorTerms(Cyvel, Cap, Csource); break;
    case 3: addDonorTerms(Czvel, Cap, Csource); break;
    case 5: addDonorTerms(Ckinen, Cap, Csource); break;
    case 6: addDonorTerms(Cepsilon, Cap, Csource); break;
    case 4: continuityTerms(); break;
    default:
      if (Equation > 6 && FlagTSC >= 1) {
        if (lnumber == 1) {
          addDonorTerms(Cconc[1], Cap, Csource);
        } else {
          const int s = Equation - 6;
          if (s >= 1 && s <= lnumber && s < CsourcemRows && Capm && Csourcem) addDonorTerms(Cconc[s], Capm[s], Csourcem[s]);
        }
      }
      break;
  }
}
