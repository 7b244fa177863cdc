// Variants of the bed shear stress fed to the bed-concentration formulas.
#include "physics/bedshear.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

// The neighbour of c on the side opposite a boundary face of side code s
// (1 south, 2 east, 3 north, 4 west); 0 for other codes or no cell.
int inward(int c, int s) {
  if (!cellOk(c)) return 0;
  int n = 0;
  switch (s) {
    case 1: n = Ccelln[c]; break;
    case 2: n = Ccellw[c]; break;
    case 3: n = Ccells[c]; break;
    case 4: n = Ccelle[c]; break;
    default: return 0;
  }
  return cellOk(n) ? n : 0;
}

// Water depth of the column above bottom cell c: twice the half heights.
double columnDepth(int c) {
  double h = 0.0;
  for (int x = c, guard = 0; cellOk(x) && guard <= NoCells; x = Ccellt[x], ++guard) h += Ckdist[x];
  return 2.0 * h;
}

// Slope value of method 3 (Pa): 19600 x depth x tan of the inclination of the
// face below the column's top cell. A column of one cell has no such face
// above the bed: the bed face itself is taken.
double slopeShear(int c, int b) {
  int top = c;
  for (int guard = 0; cellOk(Ccellt[top]) && guard <= NoCells; ++guard) top = Ccellt[top];
  const int f = Cflateb[top];
  const double vz = std::clamp(Fvz[f], -1.0, 1.0);
  return 19600.0 * Bdepth[b] * std::tan(std::acos(vz));
}

// Window of block 1 inside the column arrays.
bool blockOneWindow(int& i1, int& i2, int& j1, int& j2) {
  if (NoBlocks < 1 || !zval || !pointbed || !bedshear) return false;
  i1 = std::max(block[1].i1, 1);
  i2 = std::min(block[1].i2, xnumber + 1);
  j1 = std::max(block[1].j1, 1);
  j2 = std::min(block[1].j2, ynumber + 1);
  return true;
}

int lowestCell(int i, int j) {
  const int c = static_cast<int>(zval[i][j][0]);
  return cellOk(c) ? c : 0;
}

int bedCellOf(int i, int j) {
  const int b = pointbed[i][j];
  return b > 0 && b < bedCellCapacity() ? b : 0;
}

// Kept values of computeOutflowFix per cell: the k before the raise and the
// k the raise left.
std::vector<double> fixBase, fixWritten;

}  // namespace

void computeZeroGradSedim() {
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& d = DischargeStruct[g];
    if (d.surfno < 1) continue;
    const bool in = d.inflow == 1;
    if (!in && FlagZeroGradSedim <= 19) continue;
    const int n = std::min(d.surfno, MaxGroupFaces);
    for (int m = 0; m < n; ++m) {
      const int f = d.face[m];
      if (f < 1 || f > NoSurfaces) continue;
      int c = Fcell1[f], s = Ftype1[f];
      if (c == 0) c = Fcell2[f], s = Ftype2[f];
      if (!cellOk(c) || Ccellb[c] != 0) continue;
      const int first = inward(c, s);
      if (first == 0) continue;
      const int second = inward(first, s);
      if (in) {
        const bool fromSecond = (FlagZeroGradSedim == 2 || FlagZeroGradSedim == 12) && second != 0;
        Ckinen[c] = Ckinen[fromSecond ? second : first];
      } else {
        const int from = (FlagZeroGradSedim == 21 && second != 0) ? second : first;
        Ckinen[c] = std::min(Ckinen[c], Ckinen[from]);
      }
    }
  }
}

void computeOutflowFix() {
  if (fixBase.size() < static_cast<std::size_t>(NoCells) + 1) {
    fixBase.assign(static_cast<std::size_t>(NoCells) + 1, 0.0);
    fixWritten.assign(static_cast<std::size_t>(NoCells) + 1, -1.0);
  }
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& d = DischargeStruct[g];
    if (d.inflow != 0 || d.surfno < 1) continue;
    const int n = std::min(d.surfno, MaxGroupFaces);
    for (int m = 0; m < n; ++m) {
      const int f = d.face[m];
      if (f < 1 || f > NoSurfaces) continue;
      int c = Fcell1[f];
      if (c == 0) c = Fcell2[f];
      if (!cellOk(c) || Ccellb[c] != 0) continue;
      if (!(columnDepth(c) < outflowFixDepth)) continue;
      // k is the raised value of the previous call unless a flow has run since
      if (Ckinen[c] != fixWritten[c]) fixBase[c] = Ckinen[c];
      Ckinen[c] = fixBase[c] + outflowFixShear / 300.0;
      fixWritten[c] = Ckinen[c];
    }
  }
}

double logLawShear(int c) {
  if (!cellOk(c)) return 0.0;
  const double ks = Croughness[c];
  if (!(ks > 0.0)) return 0.0;
  const double L = std::log(30.0 * Ckdist[c] / ks);
  // ks at or above 30 Ckdist: the cell centre lies within the roughness, the
  // log law gives no shear there
  if (!(L > 0.0)) return 0.0;
  const double r = 0.4 / L;
  return 1000.0 * (Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]) * r * r;
}

void computeBedshear() {
  int i1, i2, j1, j2;
  if (!blockOneWindow(i1, i2, j1, j2)) return;
  const int method = FlagDuneShearPartCross;
  if (method < 1 || method > 6) return;
  for (int i = i1; i <= i2; ++i) {
    double sumF = 0.0;
    int wet = 0;
    for (int j = j1; j <= j2; ++j) {
      const int c = lowestCell(i, j);
      if (c == 0) continue;
      const int b = bedCellOf(i, j);
      const double k300 = 300.0 * Ckinen[c];
      double value = 0.0;
      switch (method) {
        case 1: {
          double F = 1.0;
          const double H = Bedformheight[b];
          if (H > 1e-10) {
            const double kg = coeffRoughRijn * Bd90[b];
            const double depth = Bdepth[b] > 0.0 ? Bdepth[b] : 1e-20;
            const double kf = 1.1 * H * (1.0 - std::exp(-25.0 * H / (7.3 * depth)));
            F = std::pow(std::min(1.0, kg / (kf + kg + 1e-30)), 0.25);
          }
          value = k300 * F;
          sumF += F;
          ++wet;
          break;
        }
        case 2: value = logLawShear(c); break;
        case 3: value = slopeShear(c, b); break;
        case 4: value = std::max(logLawShear(c), k300); break;
        case 5: value = std::sqrt(std::max(0.0, logLawShear(c) * k300)); break;
        case 6: value = 0.33333 * (k300 + logLawShear(c) + slopeShear(c, b)); break;
      }
      bedshear[i][j] = value;
    }
    if (method == 1 && wet > 0) {
      const double scale = wet / (sumF + 1e-20);
      for (int j = j1; j <= j2; ++j)
        if (lowestCell(i, j) != 0) bedshear[i][j] *= scale;
    }
  }
}

void computeShearDrevan() {
  int i1, i2, j1, j2;
  if (!blockOneWindow(i1, i2, j1, j2)) return;
  for (int i = i1; i <= i2; ++i)
    for (int j = j1; j <= j2; ++j) {
      const int c = lowestCell(i, j);
      if (c == 0) continue;
      const double dz = Ckdist[c], ks = Croughness[c];
      // A column of one cell: its bottom cell is the only k there is.
      double kmax = cellOk(Ccellt[c]) ? 0.0 : Ckinen[c];
      double z = 0.0;
      int x = c;
      for (int guard = 0; cellOk(Ccellt[x]) && guard <= NoCells; ++guard) {
        z += dz;
        kmax = std::max(kmax, Ckinen[x]);
        if (z > ks) break;
        z += dz;
        x = Ccellt[x];
      }
      bedshear[i][j] = 300.0 * kmax;
    }
}

double dotproduct(double ax, double ay, double bx, double by) {
  return (ax * bx + ay * by) / (std::sqrt((ax * ax + ay * ay) * (bx * bx + by * by)) + 1e-20);
}

double crossproduct(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

double slopeangle(double a, double b, double c, double d, double e) {
  const double x = e * a - b * d;
  return std::asin(std::fabs(x) / (std::sqrt((c * e) * (c * e) + (c * d) * (c * d) + x * x) + 1e-20));
}

double computeSieve(const double* f, double p) {
  const int n = std::clamp(lnumber, 1, 50);
  const double target = p / 100.0;
  double below = 0.0;  // the classes finer than the current one
  for (int l = n; l >= 1; --l) {
    const double cum = below + 0.5 * f[l];
    if (cum > target) {
      if (l == n) return gsize[n];
      const double r = 2.0 * (cum - target) / (f[l] + f[l + 1] + 1e-30);
      return (1.0 - r) * gsize[l] + r * gsize[l + 1];
    }
    below += f[l];
  }
  return gsize[1];
}

double findMaxFallvelocity(int c) {
  if (!cellOk(c) || !CgammaV || !(Ckdist[c] > 0.0)) return 0.0;
  return 5.0 * CgammaV[c] * 0.0005 / Ckdist[c];
}
