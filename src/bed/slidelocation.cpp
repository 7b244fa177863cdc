// Slope stability of the sub-bed block: a strain field from the force balance
// of each soil column, the failing columns grouped into slides, a bowl-shaped
// failure surface per slide in Bthixolev, and the safety factor that keeps or
// dissolves each slide. The failure level is solved in an array of its own,
// never in the field Cf points at (under F 289 5 that is a live flow field).
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "bed/bed.h"
#include "bed/slides.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "solvers/columns.h"
#include "solvers/sizesolvers.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/slidestate.h"

namespace {

double* failLevel = nullptr;  // per cell: the failure level being solved

bool ensureLevelArray() {
  return failLevel || allocate1(failLevel, alloc::extent(MaxCeller, 1));
}

int lowest(int b) { return b >= 1 && b <= NoBCells && cellInGrid(Bcellt[b]) ? Bcellt[b] : 0; }

double topOfColumn(int c) {
  const int t = columnTopCell(c);
  return Czcenter[t] + Ckdist[t];
}

int bedAt(int i, int j) {
  if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const int b = pointbed[i][j];
  return b >= 1 && b <= NoBCells ? b : 0;
}

double groundwaterAt(int i, int j) {
  const int b = bedAt(i, j);
  return b && Bgroundwater ? Bgroundwater[b] : 0.0;
}

bool multiCell(const BlockRecord& B) {
  return B.lastCell - B.firstCell != B.lastBedCell - B.firstBedCell;
}

double planLength(double ax, double ay, double bx, double by) { return std::hypot(ax + bx, ay + by); }

bool fixedRow(int c) { return Cap[c] >= 1e19; }

double levelOf(int c) { return cellInGrid(c) ? failLevel[c] : 0.0; }

// Set after the first call of the older slope stability, which keeps its own.
int firstOlderLocation = 0;

}  // namespace

void resetSlideState() {
  std::memset(BVal, 0, sizeof BVal);
  for (int k = 0; k < MaxSlides; ++k) {
    BNo[k] = BCen[k] = 0;
    kLength[k] = kHeight[k] = kLevel[k] = kFac[k] = kStrain[k] = kSum[k] = 0;
    kA[k] = kB[k] = kC[k] = kD[k] = ikC[k] = 0;
    kSF[k] = kLastMult[k] = kDiff[k] = kFlux[k] = 0;
    kCohesion[k] = kFriction[k] = kGravityI[k] = kGravityJ[k] = kGroundwaterI[k] = kGroundwaterJ[k] = 0;
    kHeightN[k] = kHeightW[k] = kHeightD[k] = 0;
  }
  FlagFirstSlideLocation = 0;
  firstOlderLocation = 0;
}

void removeSlide(int k) {
  if (k < 0 || k >= MaxSlides) return;
  auto shift = [k](auto* a) {
    for (int m = k; m < MaxSlides - 1; ++m) a[m] = a[m + 1];
    a[MaxSlides - 1] = 0;
  };
  shift(BVal), shift(BNo), shift(BCen);
  for (double* a : {kLength, kHeight, kLevel, kFac, kStrain, kSum, kA, kB, kC, kD, ikC, kSF, kLastMult, kDiff, kFlux, kCohesion,
                    kFriction, kGravityI, kGravityJ, kGroundwaterI, kGroundwaterJ, kHeightN, kHeightW, kHeightD})
    shift(a);
}

double slideFailureLevelOfCell(int c) { return failLevel && cellInGrid(c) ? failLevel[c] : 0.0; }

namespace {

// One column of a slide: grid column (i, j), bed cell b, lowest cell c, the
// area a of the top face of c, the thickness H of the sliding layer, its part
// W below the groundwater table and its dry part D.
struct SlideColumn {
  int i, j, b, c;
  double a, H, W, D;
};

// Calls fn for every column of slide k in the first block of sub-bed flag 1
// (computeSlideSF takes that block); false when there is no such block.
template <class Fn>
bool forSlideColumns(int k, Fn fn) {
  const int s = slideBlock();
  if (s == 0) return false;
  const BlockRecord& B = block[s];
  for (int i = std::max(B.i1, 1); i <= B.i2 && i <= xnumber; ++i)
    for (int j = std::max(B.j1, 1); j <= B.j2 && j <= ynumber; ++j) {
      const int b = bedAt(i, j);
      const int c = lowestCellOf(i, j);
      if (b == 0 || c == 0 || Bcellth[b] != BVal[k]) continue;
      const double a = faceInGrid(Cflatet[c]) ? Faz[Cflatet[c]] : 0.0;
      const double zt = topOfColumn(c), zb = std::min(Bthixolev[b], zt), H = zt - zb;
      double W = 0, D = H;
      if (FlagGroundwater > 0 && Bgroundwater) {
        W = Bgroundwater[b] < zt ? Bgroundwater[b] - zb : H;
        W = std::max(W, 0.0);
        D = std::max(H - W, 0.0);
      }
      fn(SlideColumn{i, j, b, c, a, H, W, D});
    }
  return true;
}

// The resisting friction and cohesion of a slide column.
void addResistance(const SlideColumn& col, bool multi, double& F, double& C) {
  F += (0.825 * col.W + 1.36 * col.D) * ThixoMySlope * col.a * 9810.0;
  double coh = col.a * ThixoCritshear;
  if (Bthixolev[col.b] > BthixolevMin[col.b] + 0.01 && multi) coh *= ThixoCohesiveModifier;
  C += coh;
}

}  // namespace

double computeSlideSF(int k) {
  if (k < 0 || k >= MaxSlides) return 0.0;
  kCohesion[k] = kFriction[k] = kGravityI[k] = kGravityJ[k] = kGroundwaterI[k] = kGroundwaterJ[k] = 0;
  kHeightN[k] = kHeightW[k] = kHeightD[k] = 0;
  const int s = slideBlock();
  if (s == 0) return kSF[k] = 0.0;
  const bool multi = multiCell(block[s]);
  double A = 1e-20, C = 0, F = 0, GI = 0, GJ = 0, WI = 0, WJ = 0, HN = 0, HW = 0, HD = 0;
  bool any = false;
  forSlideColumns(k, [&](const SlideColumn& col) {
    const int i = col.i, j = col.j, c = col.c;
    const double a = col.a, H = col.H, W = col.W, D = col.D;
    any = true;
    A += a;
    HN += a * H;
    HW += a * W;
    HD += a * D;
    const int e = Ccelle[c], w = Ccellw[c], n = Ccelln[c], so = Ccells[c];
    if (cellInGrid(e) && cellInGrid(w)) {
      const double dist = std::hypot(Cxcenter[e] - Cxcenter[w], Cycenter[e] - Cycenter[w]) + 1e-20;
      const int be = bedAt(i + 1, j), bw = bedAt(i - 1, j);
      GI += (Bthixolev[be] - Bthixolev[bw]) * 13600.0 / dist * H * a;
      if (FlagGroundwater > 0) WI += (groundwaterAt(i + 1, j) - groundwaterAt(i - 1, j)) / dist * 9810.0 * H * a;
    }
    if (cellInGrid(n) && cellInGrid(so)) {
      const double dist = std::hypot(Cxcenter[n] - Cxcenter[so], Cycenter[n] - Cycenter[so]) + 1e-20;
      const int bn = bedAt(i, j + 1), bs = bedAt(i, j - 1);
      GJ += (Bthixolev[bn] - Bthixolev[bs]) * 13600.0 / dist * H * a;
      if (FlagGroundwater > 0) WJ += (groundwaterAt(i, j + 1) - groundwaterAt(i, j - 1)) / dist * 9810.0 * H * a;
    }
    addResistance(col, multi, F, C);
  });
  const double SF = any ? (C + F) / (std::sqrt((GI + WI) * (GI + WI) + (GJ + WJ) * (GJ + WJ)) + 1e-20) : 0.0;
  kFriction[k] = F / A;
  kCohesion[k] = C / A;
  kGravityI[k] = GI / A;
  kGravityJ[k] = GJ / A;
  kGroundwaterI[k] = WI / A;
  kGroundwaterJ[k] = WJ / A;
  kHeightN[k] = HN / A;
  kHeightW[k] = HW / A;
  kHeightD[k] = HD / A;
  return kSF[k] = SF;
}

double computeSlideSF_old(int k) {
  if (k < 0 || k >= MaxSlides) return 0.0;
  const int s = slideBlock();
  if (s == 0) return kSF[k] = 0.0;
  const bool multi = multiCell(block[s]);
  double A = 1e-20, C = 0, F = 0, DI = 0, DJ = 0;
  bool any = false;
  forSlideColumns(k, [&](SlideColumn col) {
    // The layer below the groundwater table reaches from the failure level up
    // to the table.
    if (FlagGroundwater > 0 && Bgroundwater) {
      col.W = std::max(Bgroundwater[col.b] - Bthixolev[col.b], 0.0);
      col.D = std::max(col.H - col.W, 0.0);
    }
    any = true;
    A += col.a;
    // The weight of the column along the inclination of its top face.
    const int top = columnTopCell(col.c), f = faceInGrid(Cflatet[top]) ? Cflatet[top] : 0;
    const double weight = 9810.0 * col.a * (0.825 * col.W + 1.36 * col.D);
    if (f > 0 && std::fabs(Fvz[f]) > 1e-20) {
      DI += Fvx[f] / Fvz[f] * weight;
      DJ += Fvy[f] / Fvz[f] * weight;
    }
    // Seepage down the groundwater gradient, on the side faces of the layer.
    if (FlagGroundwater > 0 && Bgroundwater) {
      const double gi = (groundwaterAt(col.i + 1, col.j) - groundwaterAt(col.i - 1, col.j)) * 0.25 / Cidist[col.c];
      const double gj = (groundwaterAt(col.i, col.j + 1) - groundwaterAt(col.i, col.j - 1)) * 0.25 / Cjdist[col.c];
      DI -= gi * 9810.0 * col.H * col.a;
      DJ -= gj * 9810.0 * col.H * col.a;
    }
    addResistance(col, multi, F, C);
  });
  kFriction[k] = F / A;
  kCohesion[k] = C / A;
  return kSF[k] = any ? (C + F) / (std::sqrt(DI * DI + DJ * DJ) + 1e-20) : 0.0;
}

int slideStop(int k) {
  if (k < 0 || k >= MaxSlides || BVal[k] <= 0) return 0;
  const int s = slideBlock();
  if (s == 0) return 0;
  const BlockRecord& B = block[s];
  int n = 0;
  double heights = 0, energy = 0, area = 0, gwLow = 1e300, gwHigh = -1e300;
  for (int b = B.firstBedCell + 1; b <= B.lastBedCell; ++b) {
    if (b < 1 || b > NoBCells || Bcellth[b] != BVal[k]) continue;
    const int c = lowest(b);
    if (c == 0) continue;
    ++n;
    const int above = Ccellt[c];
    if (cellInGrid(above) && faceInGrid(Cflatet[above])) area += Faz[Cflatet[above]];
    for (int t = above; cellInGrid(t); t = Ccellt[t]) {
      heights += 2.0 * Ckdist[t];
      energy += (Cxvel[t] * Cxvel[t] + Cyvel[t] * Cyvel[t]) * Cvol[t];
    }
    if (Bgroundwater) {
      gwLow = std::min(gwLow, Bgroundwater[b]);
      gwHigh = std::max(gwHigh, Bgroundwater[b]);
    }
  }
  if (n == 0) return 0;
  const double h = heights / n, L = kLength[k] + 1e-20;
  const double range = Bgroundwater ? gwHigh - gwLow : 0.0;
  const double balance = 1000.0 * energy + (kHeight[k] / L * h * 1.36 * 1000.0 * 9.81 + range / L * h * 9810.0) * area -
                         area * (13341.6 * h * ThixoMySlope + 0.8 * ThixoCritshear);
  return balance <= 0.0 && h >= 1e-6 ? 1 : 0;
}

namespace {

// The window of the slide block: its bed cells first..last.
struct SlideWindow {
  int s = 0, first = 0, last = -1;
};

// Finds the slide block, makes sure the geometry, the bed cells and the
// level array exist; an empty window when there is nothing to compute.
SlideWindow slideWindow() {
  SlideWindow w;
  w.s = slideBlock();
  if (w.s == 0 || !Bthixolev || !BthixolevMin || !Bstrain) {
    w.s = 0;
    return w;
  }
  Cvol[0] = 0;
  if (FlagHaveDoneMetric == 0) metric();
  // The sub-bed columns get their bed cells from BedMake after the build that
  // appended them.
  if (NoBCells == 0 || block[w.s].lastBedCell < 1) BedMake();
  if (!ensureLevelArray()) fatal(-1, "Error: the arrays of the slope stability cannot be allocated\n");
  w.first = std::max(block[w.s].firstBedCell, 1);
  w.last = std::min(block[w.s].lastBedCell, NoBCells);
  return w;
}

// The strain equation on the lowest cell of every column: eastWest times the
// cell's j half-size across its i-faces, northSouth times its i half-size
// across its j-faces, nothing towards a missing neighbour.
void strainEquation(const SlideWindow& w, double eastWest, double northSouth) {
  for (int b = w.first; b <= w.last; ++b) {
    const int c = lowest(b);
    if (c == 0) continue;
    Cae[c] = cellInGrid(Ccelle[c]) ? eastWest * Cjdist[c] : 0.0;
    Caw[c] = cellInGrid(Ccellw[c]) ? eastWest * Cjdist[c] : 0.0;
    Can[c] = cellInGrid(Ccelln[c]) ? northSouth * Cidist[c] : 0.0;
    Cas[c] = cellInGrid(Ccells[c]) ? northSouth * Cidist[c] : 0.0;
    Cap[c] = std::max(1.0, Cae[c] + Caw[c] + Can[c] + Cas[c]);
    Cat[c] = Cab[c] = 0.0;
    Csource[c] = 0.0;
  }
}

// Start levels: the first call starts every column at its top, later calls
// at the stored failure level; with F 408 1 the edge columns hold strain 0.
void startLevels(const SlideWindow& w, bool firstCall) {
  const BlockRecord& B = block[w.s];
  for (int b = w.first; b <= w.last; ++b) {
    const int c = lowest(b);
    if (c == 0) continue;
    if (firstCall) {
      const double top = topOfColumn(c);
      failLevel[c] = Bthixolev[b] = BthixolevMin[b] = top;
      if (Cthixorat) Cthixorat[c] = top;
      Bstrain[b] = 0;
      if (Bsolidfraction) Bsolidfraction[1][b] = 0.5;
    } else {
      failLevel[c] = Bthixolev[b];
      if (Cthixorat) Cthixorat[c] = Bthixolev[b];
    }
    if (FlagBoundaryThixo == 1) {
      const bool s0 = !cellInGrid(Ccells[c]), n0 = !cellInGrid(Ccelln[c]), e0 = !cellInGrid(Ccelle[c]),
                 w0 = !cellInGrid(Ccellw[c]);
      bool edge;
      if (B.i1 == B.i2)
        edge = s0 || n0;
      else if (B.j1 == B.j2)
        edge = e0 || w0;
      else
        edge = s0 || n0 || e0 || w0;
      if (edge) {
        Cap[c] = 1e20;
        Csource[c] = 0;
      }
    }
  }
}

double columnHeight(int c) {
  double height = 0;
  forColumnUp(c, [&height](int x) { height += 2 * Ckdist[x]; });
  return height;
}

// The balance of every free column: balance(b, c, i, j) gives its resisting
// and driving force; their difference goes to Csource (none for a column
// that cannot move), their ratio to level 7 of Surfaces (0 for a held
// column).
struct ColumnForces {
  double resist, drive;
  bool still = false;
};
template <class Balance>
void columnBalances(const SlideWindow& w, Balance balance) {
  const bool level7 = surfaceCount() > 7;
  for (int b = w.first; b <= w.last; ++b) {
    const int c = lowest(b);
    const int i = Bkooi[b], j = Bkooj[b];
    if (c == 0 || i < 1 || j < 1) continue;
    if (fixedRow(c)) {
      if (level7) Surfaces[7][i][j] = 0;
      continue;
    }
    const ColumnForces F = balance(b, c, i, j);
    Csource[c] = F.still ? 0.0 : F.resist - F.drive;
    if (level7) Surfaces[7][i][j] = F.resist / F.drive;
  }
  Csource[0] = 0;
}

// Force balance of each free column: resisting minus driving per unit volume
// in Csource, their ratio in level 7 of Surfaces. A column lower than
// minHeight gets no source.
void forceBalance(const SlideWindow& w, bool multi, double minHeight) {
  columnBalances(w, [multi, minHeight](int b, int c, int i, int j) {
    auto sAt = [](int ii, int jj) { return zval[ii][jj][znumber]; };
    const double Li2 = planLength(xval[i][j - 1] - xval[i - 1][j - 1], yval[i][j - 1] - yval[i - 1][j - 1],
                                  xval[i][j] - xval[i - 1][j], yval[i][j] - yval[i - 1][j]) +
                       1e-20;
    const double Lj2 = planLength(xval[i - 1][j] - xval[i - 1][j - 1], yval[i - 1][j] - yval[i - 1][j - 1],
                                  xval[i][j] - xval[i][j - 1], yval[i][j] - yval[i][j - 1]) +
                       1e-20;
    const double gI = 13600.0 * (sAt(i, j - 1) + sAt(i, j) - sAt(i - 1, j - 1) - sAt(i - 1, j)) / Li2;
    const double gJ = 13600.0 * (sAt(i - 1, j) + sAt(i, j) - sAt(i - 1, j - 1) - sAt(i, j - 1)) / Lj2;
    double wI = 0, wJ = 0;
    if (FlagGroundwater > 0 && Bgroundwater) {
      if (cellInGrid(Ccelle[c]) && cellInGrid(Ccellw[c]))
        wI = 9810.0 * (groundwaterAt(i + 1, j) - groundwaterAt(i - 1, j)) / Li2;
      if (cellInGrid(Ccelln[c]) && cellInGrid(Ccells[c]))
        wJ = 9810.0 * (groundwaterAt(i, j + 1) - groundwaterAt(i, j - 1)) / Lj2;
    }
    const double D = std::sqrt((gI + wI) * (gI + wI) + (gJ + wJ) * (gJ + wJ)) + 1e-20;
    double T = 0;
    for (int x = cellAbove(c), n = 0; x != 0 && n < NoCells; x = cellAbove(x), ++n) T += 2 * Ckdist[x];
    T = std::max({T, 8 * ThixoCritshear / 17903.25, topOfColumn(c) - BthixolevMin[b]});
    const double m = Bthixolev[b] > BthixolevMin[b] + 0.01 && multi ? ThixoCohesiveModifier : 1.0;
    const double resist = ThixoCritshear * m / (T + 1e-20) + 13600.0 * ThixoMySlope;
    return ColumnForces{resist, D, minHeight > 0 && columnHeight(c) < minHeight};
  });
}

// The strain solve: passes calls of the bed-cell solver, no strain above max;
// with a status text, each pass names itself.
void strainSolve(const SlideWindow& w, int passes, double max, const char* status) {
  char text[80];
  for (int pass = 0; pass < passes; ++pass) {
    if (status) {
      std::snprintf(text, sizeof text, status, pass);
      setProgram(text);
    }
    solverB(Bstrain, w.first, w.last, max);
  }
}

// Every column that resists (strain above -1e-8) or is lower than the least
// column height is held at its failure level.
void holdResisting(const SlideWindow& w) {
  for (int b = w.first; b <= w.last; ++b) {
    const int c = lowest(b);
    if (c == 0) continue;
    if (Bstrain[b] > -1e-8 || columnHeight(c) < MinVertDist0) {
      Csource[c] = Bthixolev[b] * 1e20;
      Cap[c] = 1e20;
    }
  }
}

// The failure-level equation: each slide column is tied to its neighbours by
// coef, every other column held at its failure level; all start there.
void levelEquation(const SlideWindow& w, double coef) {
  for (int b = w.first; b <= w.last; ++b) {
    const int c = lowest(b);
    if (c == 0) continue;
    if (Bcellth[b] > 0) {
      Cae[c] = cellInGrid(Ccelle[c]) ? coef : 0.0;
      Caw[c] = cellInGrid(Ccellw[c]) ? coef : 0.0;
      Can[c] = cellInGrid(Ccelln[c]) ? coef : 0.0;
      Cas[c] = cellInGrid(Ccells[c]) ? coef : 0.0;
      Cap[c] = Cae[c] + Caw[c] + Can[c] + Cas[c];
      Csource[c] = 0;
    } else {
      Cap[c] = 1e20;
      Csource[c] = Bthixolev[b] * 1e20;
    }
    failLevel[c] = Bthixolev[b];
  }
}

// The list index of the slide bed cell b belongs to, -1 when none.
int slideOf(int b) {
  for (int k = 0; k < MaxSlides - 1; ++k)
    if (BVal[k] == Bcellth[b]) return k;
  return -1;
}

template <class Visit>
void forSlideCells(const SlideWindow& w, int k, Visit visit) {
  for (int b = w.first; b <= w.last; ++b)
    if (Bcellth[b] == BVal[k] && lowest(b)) visit(b, lowest(b));
}

// The source that pulls the level down inside each slide, deeper for a
// longer slide: a bowl with its rim at the fixed levels around it.
void bowlSources(const SlideWindow& w) {
  const double p = FlagGridStab1 == 0 ? 1.4 : 0.77;
  for (int b = w.first; b <= w.last; ++b) {
    const int c = lowest(b);
    if (c == 0 || Bcellth[b] <= 0) continue;
    const int k = slideOf(b);
    if (k >= 0) Csource[c] = -0.05 * kLength[k] / std::pow(BNo[k] + 1e-20, p);
  }
}

// 30 double sweeps of the failure-level equation over the slide columns, no
// level above the top of the column's lowest cell.
void levelSweeps(const SlideWindow& w) {
  for (int sweep = 0; sweep < 30; ++sweep) {
    auto update = [&](int b) {
      const int c = lowest(b);
      if (c == 0 || Bcellth[b] <= 0) return;
      const double v = (Cae[c] * levelOf(Ccelle[c]) + Caw[c] * levelOf(Ccellw[c]) + Can[c] * levelOf(Ccelln[c]) +
                        Cas[c] * levelOf(Ccells[c]) + Csource[c]) /
                       (Cap[c] + 1e-30);
      failLevel[c] = std::min(v, Czcenter[c] + Ckdist[c]);
    };
    for (int b = w.first; b <= w.last; ++b) update(b);
    for (int b = w.last; b >= w.first; --b) update(b);
  }
}

// The correction r = 0.5 (kLevel - level at the centre column) / scale of
// every listed slide with scale above 1e-7, limited to -limit..limit, each
// slide's sources scaled by 1 - r; the mean and the largest |r|.
void scaleSources(const SlideWindow& w, const double* scale, double limit, double& sum, double& diffmax, int& n) {
  for (int k = 0; k < MaxSlides - 1; ++k) {
    if (BVal[k] <= 0 || scale[k] <= 1e-7) continue;
    const double r = std::clamp(0.5 * (kLevel[k] - levelOf(lowest(BCen[k]))) / (scale[k] + 1e-15), -limit, limit);
    forSlideCells(w, k, [r](int, int c) { Csource[c] *= 1 - r; });
    sum += std::fabs(r);
    diffmax = std::max(diffmax, std::fabs(r));
    ++n;
  }
}

// An accepted solve: every column keeps the lowest level it has reached and
// takes the solved level, not below the mean non-erodible level of its
// corners.
void acceptLevels(const SlideWindow& w) {
  for (int b = w.first; b <= w.last; ++b) {
    const int c = lowest(b);
    const int i = Bkooi[b], j = Bkooj[b];
    if (c == 0 || i < 1 || j < 1) continue;
    const double L = failLevel[c];
    BthixolevMin[b] = std::min({BthixolevMin[b], Bthixolev[b], L});
    const double floor =
        0.25 * (Surfaces[3][i - 1][j - 1] + Surfaces[3][i][j - 1] + Surfaces[3][i][j] + Surfaces[3][i - 1][j]);
    Bthixolev[b] = std::max(L, floor);
  }
}

// A dissolved slide: its columns back at their tops and without a label.
void dissolveColumns(const SlideWindow& w, int k) {
  forSlideCells(w, k, [](int b, int c) {
    Bthixolev[b] = topOfColumn(c);
    Bcellth[b] = 0;
  });
}

// The older force balance of each free column: the weight along the
// inclination of its top face, 13500 sin(inclination), and the seepage down
// the groundwater gradient (differences over four half sizes, along the line
// of the neighbour centres) drive; friction 13500 tan(phi) and the cohesion
// over the column height resist; all per unit thickness of the column area.
void inclinationBalance(const SlideWindow& w) {
  columnBalances(w, [](int, int c, int i, int j) {
    const int f = Cflatet[columnTopCell(c)];
    double gx = 0, gy = 0;
    if (faceInGrid(f)) {
      const double len = std::sqrt(Fvx[f] * Fvx[f] + Fvy[f] * Fvy[f] + Fvz[f] * Fvz[f]) + 1e-30;
      const double up = Fvz[f] < 0 ? -1.0 : 1.0;
      // The top rises against the horizontal component of its upward normal.
      gx = -13500.0 * up * Fvx[f] / len;
      gy = -13500.0 * up * Fvy[f] / len;
    }
    if (FlagGroundwater > 0 && Bgroundwater) {
      auto seepage = [&](int hi, int lo, double rise, double half) {
        if (!cellInGrid(hi) || !cellInGrid(lo)) return;
        const double dx = Cxcenter[hi] - Cxcenter[lo], dy = Cycenter[hi] - Cycenter[lo];
        const double d = std::hypot(dx, dy) + 1e-20;
        const double grad = 9810.0 * rise / (4.0 * half + 1e-20);
        gx += grad * dx / d;
        gy += grad * dy / d;
      };
      seepage(Ccelle[c], Ccellw[c], groundwaterAt(i + 1, j) - groundwaterAt(i - 1, j), Cidist[c]);
      seepage(Ccelln[c], Ccells[c], groundwaterAt(i, j + 1) - groundwaterAt(i, j - 1), Cjdist[c]);
    }
    const double a = faceInGrid(Cflatet[c]) ? Faz[Cflatet[c]] : 0.0;
    return ColumnForces{a * (ThixoCritshear / (columnHeight(c) + 1e-20) + 13500.0 * ThixoMySlope),
                        a * std::hypot(gx, gy) + 1e-20};
  });
}

}  // namespace

void computeSlideLocation() {
  setProgram("ComputeSlideLocation");
  double t0 = 0, t1 = 0, t2 = 0, t3 = 0;
  if (debugging == 'P') t0 = omp_get_wtime();
  const SlideWindow w = slideWindow();
  if (w.s == 0) return;
  const bool multi = FlagFirstSlideLocation == 1 && multiCell(block[w.s]);
  if (w.last < w.first) return;

  const double Gm = FlagModulus == 1 ? GModulus : EModulus;
  strainEquation(w, 2 * Gm, 2 * EModulus);
  startLevels(w, FlagFirstSlideLocation == 0);
  forceBalance(w, multi, 0.0);
  if (debugging == 'P') t1 = omp_get_wtime();

  strainSolve(w, IterSlideHoriz, 0.0, "ComputeSlideLocation - horiz solver %d");
  if (debugging == 'P') t2 = omp_get_wtime();

  holdResisting(w);
  slideModify();
  levelEquation(w, 0.25);
  for (int k = 0; k < MaxSlides - 1; ++k)
    if (BVal[k] > 0) {
      kSF[k] = 1000;
      kLastMult[k] = 1.2;
    }
  bowlSources(w);
  if (debugging == 'P') t3 = omp_get_wtime();

  char text[80];
  double diffav = 0, diffmax = 0;
  for (int pass = 0; pass < IterSlideVert; ++pass) {
    levelSweeps(w);
    double sum = 0;
    int n = 0;
    diffmax = 0;
    if (FlagSlide == 7) {
      for (int b = w.first; b <= w.last; ++b)
        if (Bcellth[b] > 0 && slideOf(b) < 0) {
          logf("Error: bed cell %d carries the slide label %d, which is not in the slide list\n", b, Bcellth[b]);
          fatal(-88, nullptr);
        }
      for (int k = 0; k < MaxSlides - 1 && BVal[k] != 0; ++k) {
        kDiff[k] = 0;
        forSlideCells(w, k, [k](int, int c) {
          kDiff[k] = std::max(kDiff[k], (kA[k] * Cxcenter[c] + kB[k] * Cycenter[c] + kD[k]) * ikC[k] - failLevel[c]);
        });
        const double d = kDiff[k] - kLength[k] * kFac[k];
        forSlideCells(w, k, [d, k](int, int c) { Csource[c] = std::min(Csource[c] + d / (BNo[k] + 1e-20), 0.0); });
        sum += std::fabs(d);
        diffmax = std::max(diffmax, std::fabs(d));
        ++n;
      }
    } else if (FlagSlide == 6) {
      for (int k = 0; k < MaxSlides - 1; ++k) {
        if (BVal[k] <= 0) continue;
        const double d = kLevel[k] - levelOf(lowest(BCen[k]));
        forSlideCells(w, k, [d, k](int, int c) { Csource[c] += d / (BNo[k] + 1e-20); });
        sum += std::fabs(d);
        diffmax = std::max(diffmax, std::fabs(d));
        ++n;
      }
    } else if (FlagSlide == 5) {
      for (int k = 0; k < MaxSlides - 1; ++k) {
        if (BVal[k] <= 0) continue;
        const double old = kSF[k], SF = computeSlideSF(k);
        double m = kLastMult[k];
        if (SF > old) m = m <= 1.0 ? 0.98 / m : 1.02 / m;
        if (old - SF > 1e-8 && SF > 1e-8) forSlideCells(w, k, [m](int, int c) { Csource[c] *= m; });
        kSF[k] = SF;
        kLastMult[k] = m;
        diffmax = std::max(diffmax, std::fabs(old - SF));
        ++n;
      }
    } else if (FlagSlide >= 1) {
      scaleSources(w, kLength, 0.5, sum, diffmax, n);
    }
    diffav = n > 0 && FlagSlide != 5 && FlagSlide > 0 ? sum / n : 0.0;
    if (n == 0 || FlagSlide == 5 || FlagSlide <= 0 || diffav < 0.01) break;
    std::snprintf(text, sizeof text, "ComputeSlideLocation - depth solver %d", pass);
    setProgram(text);
  }

  FlagFirstSlideLocation = 1;
  if (BVal[0] > 0) {
    if (std::fabs(diffav) < 0.1) {
      acceptLevels(w);
    } else if (debugging == 'D') {
      logf("Sand slide not converged, BVal = %d, diff = %lf, diffav = %lf, diffmax = %lf\n", BVal[0],
           (kLevel[0] - levelOf(lowest(BCen[0]))) / (kHeight[0] + 1e-20), diffav, diffmax);
    }
  }
  if (debugging == 'D') {
    int noslides = 0;
    while (noslides < MaxSlides - 1 && BVal[noslides] != 0) ++noslides;
    double sf1 = 10;
    if (FlagSlide == 5 && noslides > 0) sf1 = kSF[noslides - 1];
    logf("Sand slide data, noslides = %d, diffmax = %lf, diffav = %lf, sf1 = %lf\n", noslides, diffmax, diffav, sf1);
  }
  if (debugging == 'P') {
    const double t4 = omp_get_wtime();
    logf("Slides time: Intro: %lf, HorSolver: %lf, IntroVert: %lf, VertSolver: %lf seconds\n", t1 - t0, t2 - t1,
         t3 - t2, t4 - t3);
    otimeSlideVertSolve += t4 - t3;
  }

  // Stability test: a stable slide is dissolved and leaves the list with all
  // of its values.
  if (FlagSlide >= 1) {
    BVal[MaxSlides - 1] = 0;
    const double limit = multi ? ThixoSlideModifier : 1.0;
    for (int k = MaxSlides - 2; k >= 0; --k) {
      if (BVal[k] <= 0) continue;
      const double SF = computeSlideSF(k);
      if (debugging == 'S') {
        logf("Slide no. %d, sf = %lf, Cohesion, Friction, Gravity, Groundw = %lf %lf %lf %lf %lf %lf", k, SF,
             kCohesion[k], kFriction[k], kGravityI[k], kGravityJ[k], kGroundwaterI[k], kGroundwaterJ[k]);
        logf(" Heights: %lf %lf %lf\n", kHeightN[k], kHeightW[k], kHeightD[k]);
      }
      if (SF <= limit && kLength[k] >= 0.0001) continue;
      dissolveColumns(w, k);
      if (FlagThixo == 3)
        kGravityI[k] = kGravityJ[k] = kGroundwaterI[k] = kGroundwaterJ[k] = 0;
      else
        removeSlide(k);
    }
  }
  setProgram("End ComputeSlideLocation");
}

void computeSlideLocation_original() {
  setProgram("ComputeSlideLocation");
  const SlideWindow w = slideWindow();
  if (w.s == 0 || w.last < w.first) return;

  strainEquation(w, 2e8, 2e8);
  startLevels(w, firstOlderLocation == 0);
  inclinationBalance(w);
  strainSolve(w, IterSlideHoriz, 0.0, "ComputeSlideLocation - horiz solver %d");
  holdResisting(w);
  slideModify();
  levelEquation(w, 1000.0);
  bowlSources(w);

  char text[80];
  double diffav = 0;
  for (int pass = 0; pass < IterSlideVert; ++pass) {
    levelSweeps(w);
    double sum = 0, diffmax = 0;
    int n = 0;
    // Relative to the slide's height; a slide without height has no target.
    scaleSources(w, kHeight, 0.2, sum, diffmax, n);
    diffav = n > 0 ? sum / n : 0.0;
    if (n == 0 || diffav < 0.02) break;
    std::snprintf(text, sizeof text, "ComputeSlideLocation - depth solver %d", pass);
    setProgram(text);
  }
  firstOlderLocation = 1;
  const double diff = BVal[0] > 0 ? (kLevel[0] - levelOf(lowest(BCen[0]))) / (kHeight[0] + 1e-20) : 0.0;
  if (BVal[0] > 0) {
    if (std::fabs(diffav) < 0.1)
      acceptLevels(w);
    else if (debugging == 'D')
      logf("Sand slide not converged, BVal = %d, diff = %lf\n", BVal[0], diff);
  }
  if (debugging == 'D')
    logf("Sand slide data, BVal = %d, diff = %lf, kLevel = %lf kHeight = %lf, kLength = %lf\n\n", BVal[0], diff,
         kLevel[0], kHeight[0], kLength[0]);

  // A slide at rest is dissolved and leaves the list with all of its values.
  for (int k = MaxSlides - 2; k >= 0; --k) {
    if (BVal[k] <= 0 || slideStop(k) != 1) continue;
    logf("Stopped slide no. %d\n", k);
    dissolveColumns(w, k);
    removeSlide(k);
  }
  setProgram("End ComputeSlideLocation");
}

void computeSlidemovement2() {
  const SlideWindow w = slideWindow();
  if (w.s == 0 || w.last < w.first) return;
  const bool multi = FlagFirstSlideLocation == 1 && multiCell(block[w.s]);
  const double thin = 1.5 * TFSminDepth;

  strainEquation(w, 2e8, 2e8);
  forceBalance(w, multi, thin);
  strainSolve(w, 201, 0.0, nullptr);
  // The resisting columns are held; the slides start again from no strain.
  for (int b = w.first; b <= w.last; ++b) {
    const int c = lowest(b);
    if (c != 0 && Bstrain[b] > -1e-8) {
      Cap[c] = 1e20;
      Csource[c] = 0;
    }
  }
  for (int b = w.first; b <= w.last; ++b) Bstrain[b] = 0;
  slideModify();

  // The strain equation again over the slide columns; every other column
  // holds strain 0 (the slide search left it held at its failure level,
  // which is no strain).
  strainEquation(w, 2e8, 2e8);
  for (int b = w.first; b <= w.last; ++b) {
    const int c = lowest(b);
    if (c != 0 && Bcellth[b] <= 0) Cap[c] = 1e20;
  }
  forceBalance(w, multi, thin);
  strainSolve(w, 201, 10000.0, nullptr);

  // Each slide column moves by its strain against the slide's mean, scaled so
  // that the largest strain moves a tenth of the slide's height.
  const bool level6 = surfaceCount() > 6;
  for (int k = 0; k < MaxSlides - 1 && BVal[k] != 0; ++k) {
    double largest = 0, sum = 0;
    int n = 0;
    forSlideCells(w, k, [&](int b, int) {
      largest = std::max(largest, std::fabs(Bstrain[b]));
      sum += Bstrain[b];
      ++n;
    });
    kStrain[k] = largest;
    kSum[k] = n > 0 ? sum / n : 0.0;
    forSlideCells(w, k, [&](int b, int) {
      const double move = (Bstrain[b] - kSum[k]) / (largest + 1e-20) * 0.1 * kHeight[k];
      if (Bedmove) Bedmove[b] = move;
      const int i = Bkooi[b], j = Bkooj[b];
      if (i < 1 || j < 1) return;
      for (int ci : {i - 1, i})
        for (int cj : {j - 1, j}) {
          if (level6) Surfaces[6][ci][cj] += 0.25 * move;
          zval[ci][cj][znumber] += 0.25 * move;
        }
    });
  }
}
