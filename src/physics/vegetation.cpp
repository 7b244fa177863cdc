// Terms of vegetation, porous zones and solid objects: the profiles of
// `vegdata` interpolated in time (or in scour depth) and in the vertical to
// one resistance value per cell (Cporosity), then the drag, the linear
// resistance or the wall terms of the equation in force. Runs on the main
// thread over all cells.
#include <cmath>

#include "state/log.h"
#include "physics/physics.h"
#include "physics/vegetation.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool isCell(int c) { return c >= 1 && c <= NoCells; }

int lowestCell(int i, int j) {
  const int c = static_cast<int>(zval[i][j][0]);
  return isCell(c) ? c : 0;
}

// The time level of this call and its weight.
int vegLevel = 0;
double vegWeight = 1.0;

// Scour of the deepest column whose lowest cell is solid (above 100), by the
// bed level read with the grid; 0 when no column qualifies.
double scourDepth() {
  double zmin = 0, d = 0;
  bool found = false;
  for (int i = 2; i <= xnumber + 1; ++i)
    for (int j = 2; j <= ynumber + 1; ++j) {
      if (FlagSinkScour > 30 && j != FlagSinkScour) continue;
      const int c = lowestCell(i, j);
      if (c == 0 || !(Cporosity[c] > 100.0)) continue;
      if (!found || Czcenter[c] < zmin) {
        found = true;
        zmin = Czcenter[c];
        d = Surfaces[0][i][j] - zval[i][j][1];
      }
    }
  return found ? d : 0.0;
}

void chooseTimeLevel() {
  vegLevel = 0;
  vegWeight = 1.0;
  if (VegTimes >= 2) vegTimeLevel(stimet, vegLevel, vegWeight);
  if (FlagSinkScour == 1 || FlagSinkScour > 30) {
    deltazscourG = std::fmax(deltazscourG, std::fmax(0.0, scourDepth() + deltaSinkScour));
    if (VegTimes >= 2) vegTimeLevel(deltazscourG, vegLevel, vegWeight);
  }
}

void cellValues() {
  const bool two = VegTimes >= 2 && vegLevel >= 1;
  for (int i = 2; i <= xnumber + 1; ++i)
    for (int j = 2; j <= ynumber + 1; ++j) {
      const int c0 = lowestCell(i, j);
      if (c0 == 0) continue;
      const int b = Cbed[c0];
      if (b < 1 || b >= bedCellCapacity()) continue;
      for (int c = c0, g = 0; isCell(c) && g <= NoCells; c = Ccellt[c], ++g) {
        const double z = Czcenter[c];
        double v = vegWeight * vegProfileValue(b, vegLevel, z);
        if (two) v += (1.0 - vegWeight) * vegProfileValue(b, vegLevel - 1, z);
        Cporosity[c] = v;
      }
    }
  if (presGradPorosBed > 0.0001 && NoBlocks >= 1) {
    // Open the bed cells under a steep pressure gradient.
    const BlockRecord& bl = block[1];
    for (int i = bl.i1; i <= bl.i2; ++i)
      for (int j = bl.j1; j <= bl.j2; ++j) {
        if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) continue;
        const int c = lowestCell(i, j);
        if (c == 0) continue;
        const int w = Ccellw[c], e = Ccelle[c], s = Ccells[c], n = Ccelln[c];
        if (!isCell(w) || !isCell(e) || !isCell(s) || !isCell(n)) continue;
        if (std::fabs(Cpres[w] - Cpres[e]) / (4.0 * Cidist[c]) > presGradPorosBed ||
            std::fabs(Cpres[n] - Cpres[s]) / (4.0 * Cjdist[c]) > presGradPorosBed)
          Cporosity[c] = 0.0;
      }
  }
  if (debugging != 'D') return;
  for (int i = 2; i <= xnumber + 1; ++i)
    for (int j = 2; j <= ynumber + 1; ++j) {
      const int c0 = lowestCell(i, j);
      if (c0 == 0) continue;
      const int b = Cbed[c0];
      if (b < 1 || b >= bedCellCapacity()) continue;
      for (int c = c0, g = 0; isCell(c) && g <= NoCells; c = Ccellt[c], ++g) {
        if (!(Cporosity[c] < -1e7 || Cporosity[c] > 1e6)) continue;
        logf("Error in setting porosity: value (%d) = %le \n", c, Cporosity[c]);
        // The run goes on, but it ends as a failure (status 2).
        RunErrorReported = 1;
        logf("i=%d,j=%d,b=%d,nx=%d,ny=%d,iTime=%d\n", i, j, b, xnumber + 2, ynumber + 2, vegLevel);
        logf("midt = %le,\n", vegWeight);
        for (int l = 0; l < 4 && l < VegLevels; ++l) {
          logf("Bveg[b][iTime][0][%d] = %le,Bveg[b][iTime][1][%d] = %le\n", l, Bveg[b][vegLevel][0][l], l,
               Bveg[b][vegLevel][1][l]);
          if (vegLevel >= 1)
            logf("Bveg[b][iTime-1][0][%d] = %le,Bveg[b][iTime-1][1][%d] = %le\n", l, Bveg[b][vegLevel - 1][0][l], l,
                 Bveg[b][vegLevel - 1][1][l]);
        }
      }
    }
}

double velocityOf(int eq, int c) { return eq == 1 ? Cxvel[c] : eq == 2 ? Cyvel[c] : Czvel[c]; }

bool solid(int c) { return Cporosity[c] > 0.01; }

// Open cells with a solid cell directly above or below.
bool besideSolid(int c) { return Cporosity[c] < 0.01 && (solid(Ccellb[c]) || solid(Ccellt[c])); }

void addTerms() {
  const int eq = Equation, kind = FlagTypeVegdata;
  if (eq == 3 && FlagDragDLL == 2) return;
  if (eq == 1 && FlagDragDLL == 101 && std::fabs(momentumAddInflow) > 1e-20) {
    // The momentum of F 513 shared out over the cells by volume times value.
    double sum = 0.0;
    for (int c = 1; c <= NoCells; ++c) sum += Cvol[c] * Cporosity[c];
    if (!(std::fabs(sum) > 1e-20)) return;
    for (int c = 1; c <= NoCells; ++c) Csource[c] += 1000.0 * momentumAddInflow * Cvol[c] * Cporosity[c] / sum;
    return;
  }
  if ((eq == 1 || eq == 2) && FlagDragDLL == 101 && kind != 4) return;
  if (eq >= 1 && eq <= 3 && kind == 4) {
    for (int c = 1; c <= NoCells; ++c) Cap[c] += 1000.0 * Cvol[c] * Cporosity[c];
  } else if (eq >= 1 && eq <= 3 && FlagDragDLL == 1) {
    for (int c = 1; c <= NoCells; ++c) {
      const double area = kind == 2 ? Farea[Cflateb[c]] : 1.0;
      Cap[c] += 1000.0 * Ckdist[c] * std::fabs(velocityOf(eq, c)) * Cporosity[c] * area;
    }
  } else if ((eq == 1 || eq == 2) && FlagDragDLL == 2) {
    for (int c = 1; c <= NoCells; ++c) {
      const double area = kind == 2 ? Farea[Cflateb[c]] : 1.0, u = velocityOf(eq, c);
      Csource[c] += 1000.0 * Ckdist[c] * u * std::fabs(u) * Cporosity[c] * area;
    }
  } else if ((eq == 5 || eq == 6) && kind == 4) {
    Cporosity[0] = 0.0;
    for (int c = 1; c <= NoCells; ++c) {
      if (!besideSolid(c)) continue;
      const double y = Ckdist[c], k = std::fmax(Ckinen[c], ArtMinKinen);
      if (eq == 5) {
        const double U2 = Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c] + Czvel[c] * Czvel[c];
        const double up = std::fmax(MinUPlusK, 2.5 * std::log(30.0 * y / XksWall));
        Cap[c] += 164.31676725154983 * std::sqrt(k) * up / y * Cvol[c];
        Csource[c] += 31.62 * std::sqrt(300.0 * k) * U2 / (up * y) * Cvol[c];
      } else {
        Cap[c] = 1e30;
        Csource[c] = 1.643e29 * std::pow(k, 1.5) / (0.4 * y);
      }
    }
  }
}

}  // namespace

double vegProfileValue(int b, int n, double z) {
  const double* L = Bveg[b][n][0];
  const double* V = Bveg[b][n][1];
  const int m = VegLevels;
  if (z < L[0]) return V[0];
  if (z >= L[m - 1]) return 0.0;
  int k = 1;
  while (k < m - 1 && !(z < L[k])) ++k;
  const double f = std::fmax(L[k] - z, 0.0) / (L[k] - L[k - 1] + 1e-20);
  return f * V[k - 1] + (1.0 - f) * V[k];
}

void vegTimeLevel(double t, int& n, double& w) {
  const int last = VegTimes - 1;
  n = 0;
  w = 1.0;
  if (last < 1) return;
  if (t > VegTime[last]) {
    n = last;
    return;
  }
  int found = -1;
  for (int k = 1; k <= last; ++k)
    if (VegTime[k - 1] <= t && t < VegTime[k]) found = k;
  if (found < 0) {
    // Before the first level, or at the last: that end level alone.
    n = t < VegTime[0] ? 0 : last;
    return;
  }
  n = found;
  w = (t - VegTime[n - 1]) / (VegTime[n] - VegTime[n - 1] + 1e-20);
}

void extra_source() {
  if (FlagDragDLL <= 0) return;
  if (FlagInitPoros == 0) readVegdata();
  if (!Bveg || !VegTime || !Cporosity || !zval || !Cbed) return;
  chooseTimeLevel();
  cellValues();
  addTerms();
}
