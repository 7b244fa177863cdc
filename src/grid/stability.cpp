// Stability rules of the adaptive grid: corrections of the level counts per
// grid line (Grid1Stability, before the cells per column are counted) and of
// the cells per column (Grid2Stability, afterwards). Several rules also move
// bed or water levels of grid lines so that the geometry agrees with the
// counts. Every sweep runs j outer and i inner and works in place.
#include <algorithm>
#include <cmath>

#include "grid/generate.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

bool inLines(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }
// Level count of a grid line; a line outside the block grid counts as dry.
int A(int i, int j) { return inLines(i, j) ? antlin[i][j] : 1; }
bool wet(int i, int j) { return A(i, j) > 1; }
// Cells of a column; a column outside the block grid is empty.
int C(int i, int j) { return inLines(i, j) ? ant[i][j] : 0; }
double D(int i, int j) { return zval[i][j][znumber] - zval[i][j][1]; }
double& bed(int i, int j) { return zval[i][j][1]; }
double water(int i, int j) { return zval[i][j][znumber]; }

void open(int i, int j) {
  antlin[i][j] = 2;
  bed(i, j) = std::min(bed(i, j), water(i, j) - MinVertDist0 - 1e-6);
}

void deepen(int i, int j, double t) { bed(i, j) = std::min(bed(i, j), water(i, j) - t); }

// Corners of column (i, j) in the order (i-1,j-1), (i,j-1), (i,j), (i-1,j).
struct Corners {
  int ci[4], cj[4];
  explicit Corners(int i, int j) : ci{i - 1, i, i, i - 1}, cj{j - 1, j - 1, j, j} {}
};

double cornerDepthSum(int i, int j) { return D(i - 1, j - 1) + D(i, j - 1) + D(i, j) + D(i - 1, j); }
int dryCorners(int i, int j) {
  return !wet(i - 1, j - 1) + !wet(i, j - 1) + !wet(i, j) + !wet(i - 1, j);
}

// Connected side neighbours: not empty, and at least one of the two corners
// on that side wet.
int connectedNeighbours(int i, int j) {
  int n = 0;
  if (C(i + 1, j) > 0 && (wet(i, j - 1) || wet(i, j))) ++n;
  if (C(i - 1, j) > 0 && (wet(i - 1, j - 1) || wet(i - 1, j))) ++n;
  if (C(i, j + 1) > 0 && (wet(i - 1, j) || wet(i, j))) ++n;
  if (C(i, j - 1) > 0 && (wet(i - 1, j - 1) || wet(i, j - 1))) ++n;
  return n;
}

// F 508: limit the count of a grid line by its neighbours, or raise it.
void limitOrRaise(int i, int j, bool raise) {
  const int pairs[2][2][2] = {{{i - 1, j}, {i + 1, j}}, {{i, j - 1}, {i, j + 1}}};
  for (const auto& p : pairs) {
    const int a = A(p[0][0], p[0][1]), b = A(p[1][0], p[1][1]);
    int& self = antlin[i][j];
    if (raise) {
      if ((a <= 1 && b > 2) || (b <= 1 && a > 2)) self = std::max(self, 2);
      continue;
    }
    const bool wa = a > 1, wb = b > 1;
    if (wa && wb) continue;
    if (wa != wb) {
      self = std::min(self, wa ? a : b);
    } else {
      if (a >= 1) self = std::min(self, a);
      if (b >= 1) self = std::min(self, b);
    }
  }
}

void sweepForward(int ia, int ib, int ja, int jb, bool raise) {
  for (int j = ja; j <= jb; ++j)
    for (int i = ia; i <= ib; ++i) limitOrRaise(i, j, raise);
}
void sweepBackward(int ia, int ib, int ja, int jb, bool raise) {
  for (int j = jb; j >= ja; --j)
    for (int i = ib; i >= ia; --i) limitOrRaise(i, j, raise);
}

// F 159 2nd 2, 3, 11, 12, 14: open pairs of dry lines between wet ones.
void openPairs(int i1, int i2, int j1, int j2, int mode) {
  if (j1 + 1 < j2)
    for (int j = j1 + 1; j <= j2 - 1; ++j)
      for (int i = i1 + 1; i <= i2; ++i) {
        if (A(i, j) != 1 || A(i + 1, j) != 1) continue;
        bool ok;
        if (mode == 0) {
          ok = wet(i, j - 1) && wet(i + 1, j - 1) && wet(i, j + 1) && wet(i + 1, j + 1);
        } else {
          ok = (wet(i, j + 1) || wet(i + 1, j + 1)) && (wet(i, j - 1) || wet(i + 1, j - 1));
          if (mode == 1) ok = ok && A(i - 1, j) <= 1 && A(i + 2, j) <= 1;
        }
        if (ok) {
          open(i, j);
          open(i + 1, j);
        }
      }
  if (j1 + 1 <= j2)
    for (int j = j1 + 1; j <= j2; ++j)
      for (int i = i1 + 1; i <= i2 - 1; ++i) {
        if (A(i, j) != 1 || A(i, j + 1) != 1) continue;
        bool ok;
        if (mode == 0) {
          ok = wet(i - 1, j) && wet(i - 1, j + 1) && wet(i + 1, j) && wet(i + 1, j + 1);
        } else {
          ok = (wet(i - 1, j) || wet(i - 1, j + 1)) && (wet(i + 1, j) || wet(i + 1, j + 1));
          if (mode == 1) ok = ok && A(i, j - 1) < 2 && A(i, j + 2) < 2;
        }
        if (ok) {
          open(i, j);
          open(i, j + 1);
        }
      }
}

// Rule 1.10 on one grid line.
void openBetweenWet(int i, int j) {
  if (A(i, j) != 1 || D(i, j) <= 0) return;
  if ((wet(i - 1, j) && wet(i + 1, j)) || (wet(i, j - 1) && wet(i, j + 1))) {
    antlin[i][j] = 2;
    antlinT[i][j] = 2;
    bed(i, j) = std::min(bed(i, j), water(i, j) - MinVertDist0);
  }
}

// F 159 2nd 1, 4, 5, 6, 7, 8 on the edge of grid lines (ia, ja), (ib, jb)
// between the columns (ca_i, ca_j) and (cb_i, cb_j); far_a / far_b are the
// columns beyond each of them, away from the edge.
void deepenEdge(int ia, int ja, int ib, int jb, int cai, int caj, int cbi, int cbj, int fai, int faj, int fbi,
                int fbj) {
  if (C(cai, caj) <= 0 || C(cbi, cbj) <= 0) return;
  const double d1 = D(ia, ja), d2 = D(ib, jb);
  const int mode = FlagGridStab2;
  if (mode == 1 || mode == 4 || mode == 7) {
    const double limit = mode == 1 ? 1.6 * MinVertDist0 : mode == 4 ? 4 * MinVertDist0 : MinVertDist1;
    const double t = mode == 1 ? 0.8 * MinVertDist0 : mode == 4 ? 2 * MinVertDist0 : MinVertDist1;
    if (d1 + d2 < limit) {
      deepen(ia, ja, t);
      deepen(ib, jb, t);
    }
    return;
  }
  double t = mode == 8 ? MinVertDist1 : MinVertDist0;
  if (mode == 6) {
    t = std::max({t, cornerDepthSum(cai, caj) / 16, cornerDepthSum(cbi, cbj) / 16});
  } else {  // 5 and 8: only single-cell columns with an empty far neighbour count
    if (C(cai, caj) == 1 && C(fai, faj) == 0) t = std::max(t, cornerDepthSum(cai, caj) / 16);
    if (C(cbi, cbj) == 1 && C(fbi, fbj) == 0) t = std::max(t, cornerDepthSum(cbi, cbj) / 16);
  }
  if ((d1 + d2) / 2 >= t) return;
  if (mode == 8) {
    if (wet(ia, ja)) deepen(ia, ja, t);
    if (wet(ib, jb)) deepen(ib, jb, t);
  } else {
    deepen(ia, ja, t);
    deepen(ib, jb, t);
  }
}

}  // namespace

void Grid1Stability(int i1, int i2, int j1, int j2) {
  // 1.1 Lines next to shallow lines get two levels (bed layer).
  if (FlagGridStab10 == 2 && antlinT && j1 < j2)
    for (int j = j1; j <= j2 - 1; ++j)
      for (int i = i1; i <= i2 - 1; ++i) {
        if (A(i, j) < 3) continue;
        auto shallow = [](int a, int b) { return MinVertDist0 < D(a, b) && D(a, b) < MinVertDist1; };
        if (shallow(i - 1, j) || shallow(i + 1, j) || shallow(i, j - 1) || shallow(i, j + 1)) {
          antlin[i][j] = 2;
          antlinT[i][j] = 2;
        }
      }

  // 1.2 Dry diagonal corners limit the other two.
  if (FlagGridStab6 == 1)
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i) {
        if (dryCorners(i, j) == 4) continue;
        if (D(i, j) < MinVertDist0 && D(i - 1, j - 1) < MinVertDist0) {
          antlin[i][j - 1] = std::min(antlin[i][j - 1], 2);
          antlin[i - 1][j] = std::min(antlin[i - 1][j], 2);
        }
        if (D(i - 1, j) < MinVertDist0 && D(i, j - 1) < MinVertDist0) {
          antlin[i][j] = std::min(antlin[i][j], 2);
          antlin[i - 1][j - 1] = std::min(antlin[i - 1][j - 1], 2);
        }
      }

  // 1.3 Smoothing against the smallest counts of the columns around a line.
  if (FlagGridStab6 == 2) {
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i)
        antmin[i][j] = std::min({antlin[i - 1][j - 1], antlin[i][j - 1], antlin[i][j], antlin[i - 1][j]});
    if (j1 < j2)
      for (int j = j1; j <= j2 - 1; ++j)
        for (int i = i1; i <= i2 - 1; ++i) {
          const int m = std::min({antmin[i - 1][j - 1], antmin[i][j - 1], antmin[i - 1][j], antmin[i][j]});
          const int s = m + antlin[i][j];
          antlin[i][j] = std::min(antlin[i][j], s < 6 ? 2 : s / 2);
        }
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i) antmin[i][j] = 0;
  }

  // 1.4 Counts next to dry lines.
  switch (FlagGridStab9) {
    case 1: sweepForward(i1 - 1, i2, j1 - 1, j2, false); break;
    case 2: sweepForward(i1, i2 - 1, j1, j2 - 1, false); break;
    case 3:
    case 4:
      sweepForward(i1 - 1, i2, j1 - 1, j2, FlagGridStab9 == 4);
      sweepBackward(i1 - 1, i2, j1 - 1, j2, FlagGridStab9 == 4);
      break;
    default: break;
  }

  // 1.5 Open dry pairs between wet lines; 1.6 close sign-change pairs.
  if (FlagGridStab2 == 2 || FlagGridStab2 == 3 || FlagGridStab2 == 11) openPairs(i1, i2, j1, j2, 0);
  if (FlagGridStab2 == 3) {
    const double limit = 0.1 * MinVertDist0;
    if (j1 + 1 < j2)
      for (int j = j1 + 1; j <= j2 - 1; ++j)
        for (int i = i1 + 1; i <= i2; ++i)
          if (D(i, j) * D(i + 1, j) < 0 && D(i, j) + D(i + 1, j) < limit) antlin[i][j] = antlin[i + 1][j] = 1;
    if (j1 + 1 <= j2)
      for (int j = j1 + 1; j <= j2; ++j)
        for (int i = i1 + 1; i <= i2 - 1; ++i)
          if (D(i, j) * D(i, j + 1) < 0 && D(i, j) + D(i, j + 1) < limit) antlin[i][j] = antlin[i][j + 1] = 1;
  }
  // 1.7 and 1.8 Open isolated pairs.
  if (FlagGridStab2 == 11 || FlagGridStab2 == 12) openPairs(i1, i2, j1, j2, 1);
  if (FlagGridStab2 == 14) openPairs(i1, i2, j1, j2, 2);

  // 1.9 An isolated wet line becomes dry.
  if (FlagPresDebug != 2)
    for (int j = j1 - 1; j <= j2; ++j)
      for (int i = i1 - 1; i <= i2; ++i)
        if (wet(i, j) && !wet(i - 1, j) && !wet(i + 1, j) && !wet(i, j - 1) && !wet(i, j + 1)) antlin[i][j] = 1;

  // 1.10 Dry lines between wet ones are opened (bed layer).
  if (FlagGridStab10 == 1 && antlinT) {
    for (int j = j1; j <= j2 - 1; ++j)
      for (int i = i1; i <= i2 - 1; ++i) openBetweenWet(i, j);
    for (int j = j2 - 1; j >= j1; --j)
      for (int i = i2 - 1; i >= i1; --i) openBetweenWet(i, j);
  }

  // 1.11 Block-edge lines take the inner count.
  if (FlagGridStab4 == 2) {
    for (int j = j1; j <= j2; ++j) {
      antlin[i1 - 1][j] = std::max(antlin[i1 - 1][j], antlin[i1][j]);
      antlin[i2][j] = std::max(antlin[i2][j], antlin[i2 - 1][j]);
    }
    for (int i = i1; i <= i2; ++i) {
      antlin[i][j1 - 1] = std::max(antlin[i][j1 - 1], antlin[i][j1]);
      antlin[i][j2] = std::max(antlin[i][j2], antlin[i][j2 - 1]);
    }
  }

  // 1.12 Columns with a negative depth sum limit their corners.
  if (UMethod == 114)
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i) {
        if (ant[i][j] <= 0 || cornerDepthSum(i, j) >= 0) continue;
        const Corners c(i, j);
        for (int q = 0; q < 4; ++q) antlin[c.ci[q]][c.cj[q]] = std::min(antlin[c.ci[q]][c.cj[q]], 2);
      }

  // 1.13 The bed layer never has more levels than the line.
  if (UMethod2 > 0 && antlinT)
    for (int j = j1 - 1; j <= j2; ++j)
      for (int i = i1 - 1; i <= i2; ++i) antlinT[i][j] = std::min(antlinT[i][j], antlin[i][j]);
}

void Grid2Stability(int i1, int i2, int j1, int j2) {
  // 2.1 Shallow columns of F 64 111 to 113.
  if (UMethod == 111 || UMethod == 113 || UMethod == 112)
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i) {
        if (ant[i][j] <= 0) continue;
        const double sum = cornerDepthSum(i, j);
        if (UMethod == 112 ? sum / 4 < MinVertDist2 : sum < 0) ant[i][j] = 0;
      }

  // 2.2 F 380.
  if (FlagGridStab7 >= 1 && FlagGridStab7 <= 8)
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i) {
        const Corners c(i, j);
        double positive = 0;
        for (int q = 0; q < 4; ++q) positive += std::max(D(c.ci[q], c.cj[q]), 0.0);
        const double mean = cornerDepthSum(i, j) / 4;
        auto roughnessHeight = [&] {
          const int b = pointbed[i][j];
          const double ks = std::max(b > 0 && Broughness ? Broughness[b] : 0.0, 3 * gsize[lnumber]);
          return std::max(ks, 1e-20);
        };
        switch (FlagGridStab7) {
          case 1:
            if (ant[i][j] > 0 && ((D(i, j) < 0 && D(i - 1, j - 1) < 0) || (D(i - 1, j) < 0 && D(i, j - 1) < 0)))
              ant[i][j] = 0;
            break;
          case 2:
            if (ant[i][j] > 0 && Iter >= 2 && positive / roughnessHeight() < 0.4) ant[i][j] = 0;
            break;
          case 3:
            if (ant[i][j] > 0 && positive / 4 / roughnessHeight() < 0.1) ant[i][j] = 0;
            break;
          case 4:
            if (ant[i][j] > 0 && mean < MinVertDist0) ant[i][j] = 0;
            break;
          case 5: {
            if (ant[i][j] <= 0 || pointcell_old[i][j] != 0) break;
            const int oi[4] = {i, i - 1, i, i - 1}, oj[4] = {j, j, j - 1, j - 1};
            int best = -1;
            for (int q = 0; q < 4; ++q)
              if (D(oi[q], oj[q]) > 0 && (best < 0 || D(oi[q], oj[q]) > D(oi[best], oj[best]))) best = q;
            if (best < 0) break;  // no corner under water: nothing to level against
            const double S = water(oi[best], oj[best]);
            const double L = std::hypot(xval[i][j] - xval[i - 1][j - 1], yval[i][j] - yval[i - 1][j - 1]);
            for (int q = 0; q < 4; ++q) {
              double& s = zval[oi[q]][oj[q]][znumber];
              s = std::clamp(s, S - 0.02 * L, S + 0.02 * L);
            }
            break;
          }
          case 6: {
            int shallow = 0;
            for (int q = 0; q < 4; ++q) shallow += D(c.ci[q], c.cj[q]) < MinVertDist0;
            if (shallow == 3)
              for (int q = 0; q < 4; ++q)
                if (D(c.ci[q], c.cj[q]) >= MinVertDist0)
                  bed(c.ci[q], c.cj[q]) = std::max(bed(c.ci[q], c.cj[q]), water(c.ci[q], c.cj[q]) - MinVertDist0);
            break;
          }
          case 7:
            if (ant[i][j] > 0 && mean < 0) ant[i][j] = 0;
            break;
          case 8:
            if (ant[i][j] > 0 && positive / 4 < MinVertDist0) ant[i][j] = 0;
            break;
        }
      }

  // 2.3 Mostly dry edge columns.
  if (FlagGridStab4 == 5)
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i) {
        if (ant[i][j] <= 0 || dryCorners(i, j) < 3) continue;
        if ((C(i + 1, j) != 0 && !wet(i, j - 1) && !wet(i, j)) || (C(i - 1, j) == 0 && !wet(i - 1, j - 1) && !wet(i - 1, j)) ||
            (C(i, j + 1) == 0 && !wet(i - 1, j) && !wet(i, j)) || (C(i, j - 1) == 0 && !wet(i - 1, j - 1) && !wet(i, j - 1)))
          ant[i][j] = 0;
      }

  // 2.4 Columns with fewer than two connected neighbours.
  if (FlagGridStab1 == 1 && j1 < j2)
    for (int pass = 0; pass < 30; ++pass)
      for (int j = j1; j <= j2; ++j)
        for (int i = i1; i <= i2; ++i)
          if (ant[i][j] > 0 && connectedNeighbours(i, j) < 2) ant[i][j] = 0;

  // 2.5 Columns without a connected neighbour, until nothing changes.
  if ((FlagGridStab4 == 1 || FlagGridStab4 >= 5) && j1 < j2 && i1 < i2) {
    long previous = 0;
    for (int cycle = 0; cycle < 15; ++cycle) {
      long sum = 0;
      auto visit = [&sum](int i, int j) {
        if (ant[i][j] <= 0) return;
        if (connectedNeighbours(i, j) == 0)
          ant[i][j] = 0;
        else
          sum += ant[i][j];
      };
      for (int j = j1; j <= j2; ++j)
        for (int i = i1; i <= i2; ++i) visit(i, j);
      for (int j = j2; j >= j1; --j)
        for (int i = i2; i >= i1; --i) visit(i, j);
      if (sum == previous) break;
      previous = sum;
    }
  }

  // 2.6 Shallow edges between wet columns are deepened.
  if (FlagGridStab2 == 1 || (FlagGridStab2 >= 4 && FlagGridStab2 <= 8)) {
    for (int j = j1; j <= j2 - 1; ++j)
      for (int i = i1; i <= i2; ++i) deepenEdge(i - 1, j, i, j, i, j, i, j + 1, i, j - 1, i, j + 2);
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2 - 1; ++i) deepenEdge(i, j - 1, i, j, i, j, i + 1, j, i - 1, j, i + 2, j);
  }

  // 2.7 Wet corners of wet columns at least MinVertDist1 deep.
  if (FlagGridStab5 == 1)
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i) {
        if (ant[i][j] <= 0) continue;
        const Corners c(i, j);
        for (int q = 0; q < 4; ++q)
          if (wet(c.ci[q], c.cj[q])) deepen(c.ci[q], c.cj[q], MinVertDist1);
      }

  // 2.8 A lone deep corner at an outer corner of the wet area.
  if (FlagGridStab8 > 0)
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i) {
        if (ant[i][j] <= 0) continue;
        // corner, and the two side columns that must be empty
        const int cand[4][6] = {{i, j, i + 1, j, i, j + 1},
                                {i - 1, j, i - 1, j, i, j + 1},
                                {i, j - 1, i + 1, j, i, j - 1},
                                {i - 1, j - 1, i - 1, j, i, j - 1}};
        const Corners c(i, j);
        for (const auto& k : cand) {
          if (C(k[2], k[3]) != 0 || C(k[4], k[5]) != 0 || A(k[0], k[1]) <= 2) continue;
          bool othersLow = true;
          for (int q = 0; q < 4; ++q)
            if (!(c.ci[q] == k[0] && c.cj[q] == k[1]) && A(c.ci[q], c.cj[q]) >= 3) othersLow = false;
          if (!othersLow) continue;
          antlin[k[0]][k[1]] = 2;
          ant[i][j] = 1;
        }
      }

  // 2.9 A column only becomes wet next to one that was wet.
  if (FlagLimitExpansion > 0)
    for (int j = j1 + 1; j <= j2 - 1; ++j)
      for (int i = i1 + 1; i <= i2 - 1; ++i)
        if (ant[i][j] > 0 && pointcell_old[i + 1][j] == 0 && pointcell_old[i - 1][j] == 0 &&
            pointcell_old[i][j + 1] == 0 && pointcell_old[i][j - 1] == 0)
          ant[i][j] = 0;

  // 2.10 A newly wet column shallower than MinVertDist2 stays empty.
  if (FlagGridStab11 == 1)
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i)
        if (pointcell_old[i][j] == 0 && cornerDepthSum(i, j) / 4 < MinVertDist2) ant[i][j] = 0;
}
