// The bed-layer stack of a bed cell: the per-size bed change applied to it,
// and the merging, splitting and moving of its layers.
#include "sediment/layers.h"

#include <algorithm>
#include <cmath>

#include "state/log.h"
#include "sediment/fractions.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"

void JoinLayers(int b, int k) {
  if (k < 1) k = 1;
  const int top = BlayerTop[b];
  if (k > top || top > NoBedLayers) return;
  double*** L = BSedDistrib;
  const double t1 = L[k - 1][0][b], t2 = L[k][0][b];
  for (int n = 1; n <= lnumber; ++n) L[k - 1][n][b] = (L[k][n][b] * t2 + L[k - 1][n][b] * t1) / (t1 + t2 + 1e-80);
  if (Bsolidfraction)
    Bsolidfraction[k - 1][b] = ((t2 + 1e-100) * Bsolidfraction[k][b] + (t1 + 1e-100) * Bsolidfraction[k - 1][b]) /
                               (t1 + t2 + 2e-100);
  L[k - 1][0][b] = t1 + t2;
  for (int m = k; m < top; ++m) {
    for (int n = 0; n <= lnumber; ++n) L[m][n][b] = L[m + 1][n][b];
    if (Bsolidfraction) Bsolidfraction[m][b] = Bsolidfraction[m + 1][b];
  }
  for (int n = 0; n <= lnumber; ++n) L[top][n][b] = 0.0;
  BlayerTop[b] = top - 1;
}

int removeZerolayers(int b) {
  if (BlayerTop[b] <= 0) return 0;
  int count = 0;
  int k = 1;
  for (int pass = 0; pass < 2 * NoBedLayers + 1 && k <= BlayerTop[b]; ++pass) {
    if (BSedDistrib[k][0][b] < 1e-10) {
      JoinLayers(b, k);
      ++count;
    } else {
      ++k;
    }
  }
  if (BSedDistrib[0][0][b] < 1e-10 && BlayerTop[b] > 0) JoinLayers(b, 1);
  return count;
}

namespace {

// Solid fraction of layer k of bed cell b: the stored one where the model
// keeps them per layer, else that of new deposits (F 26).
inline double solidOf(int k, int b) { return Bsolidfraction ? Bsolidfraction[k][b] : SolidFrac; }
inline void setSolid(int k, int b, double s) {
  if (Bsolidfraction) Bsolidfraction[k][b] = s;
}
inline int sizeCount() { return std::clamp(lnumber, 0, 50); }

// Whether the erosion into the layers below stops after layer j.
inline bool stopBelow(int j, int b, double r) {
  if (r > -1e-15 || j <= 0 || FlagErodeUnder == 0) return true;
  return FlagErodeUnder == 2 && Barmourthick && j <= Barmourthick[b];
}

void checkStack(int b, double change, int removed) {
  const int N = sizeCount();
  for (int k = 0; k <= BlayerTop[b]; ++k) {
    const double t = BSedDistrib[k][0][b];
    double sum = 0.0;
    for (int n = 1; n <= N; ++n) sum += BSedDistrib[k][n][b];
    const bool badSum = std::fabs(sum - 1.0) > 1e-6 && t > 1e-5;
    const bool tooThin = !(t >= 1e-15) && BlayerTop[b] != 0;
    if (!badSum && !tooThin) continue;
    logf("Error in function ChangeLayers: sum of grain sizes layer %d = %lf for bedcell %d\n", k, sum, b);
    for (int n = 1; n <= N; ++n) logf("size=%d, fraction=%lg\n", n, BSedDistrib[k][n][b]);
    logf("Thickness of active layer: %lg meters, movement = %lg meters.\n", t, change);
    fatal(-4, "Number of top layer: %d, removed layers = %d\n", BlayerTop[b], removed);
  }
}

void deposit(int b) {
  const int N = sizeCount();
  if (BlayerTop[b] >= NoBedLayers - 1) JoinLayers(b, FindJoinLayer(b));
  const int top = BlayerTop[b];
  double left[51] = {};
  for (int n = 1; n <= N; ++n) {
    if (!(Bbedchange[n][b] < 0.0)) continue;
    double deficit = SolidFrac * Bbedchange[n][b];
    for (int j = top; j >= 0; --j) {
      deficit = erodeLayerUnder(b, j, n, deficit);
      if (stopBelow(j, b, deficit)) break;
    }
    left[n] = deficit;
  }
  double S = 0.0;
  for (int n = 1; n <= N; ++n) S += std::max(Bbedchange[n][b], 0.0);
  // The slot above the top; a stack of one layer takes the deposit in the
  // spare slot NoBedLayers and merges it at once.
  const int L = top + 1;
  BlayerTop[b] = L;
  BSedDistrib[L][0][b] = S;
  for (int n = 1; n <= N; ++n) {
    if (Bbedchange[n][b] >= 0.0) {
      BSedDistrib[L][n][b] = Bbedchange[n][b] / (S + 1e-80);
    } else {
      BSedDistrib[L][n][b] = 0.0;
      Bvolleft[n][b] = left[n];
    }
  }
  setSolid(L, b, SolidFrac);
  if (L > NoBedLayers - 1) JoinLayers(b, L);
}

void erode(int b, double E) {
  const int N = sizeCount();
  const int top = BlayerTop[b];
  double d[51] = {}, a[51] = {};
  const double sfTop = solidOf(top, b);
  for (int n = 1; n <= N; ++n) d[n] = -Bbedchange[n][b] * sfTop;
  double R = 0.0;
  int L = 0;
  bool stopped = false;
  for (int k = top; k >= 0; --k) {
    const double t = BSedDistrib[k][0][b], G = t * solidOf(k, b);
    for (int n = 1; n <= N; ++n) a[n] += G * BSedDistrib[k][n][b];
    R += t;
    if (R > E) {
      L = k;
      stopped = true;
      break;
    }
    BSedDistrib[k][0][b] = 0.0;
  }
  BlayerTop[b] = L;
  double Q = 0.0;
  for (int n = 1; n <= N; ++n) {
    double r = a[n] - d[n];
    if (r < 0.0 && stopped && L >= 1 && FlagErodeUnder > 0)
      for (int j = L - 1; j >= 0; --j) {
        r = erodeLayerUnder(b, j, n, r);
        if (stopBelow(j, b, r)) break;
      }
    if (std::fabs(r) < 1e-15) {
      r = 0.0;
    } else if (r <= -1e-15) {
      Bvolleft[n][b] = r;
      r = 0.0;
    }
    a[n] = r;
    Q += r;
  }
  const double sf = solidOf(L, b);
  BSedDistrib[L][0][b] = sf > 0.0 ? Q / sf : 0.0;
  for (int n = 1; n <= N; ++n) BSedDistrib[L][n][b] = a[n] / (Q + 1e-80);
}

}  // namespace

double erodeLayerUnder(int b, int j, int n, double deficit) {
  const double sf = solidOf(j, b);
  const double G = BSedDistrib[j][0][b] * sf;
  const double A = BSedDistrib[j][n][b] * G;
  const double e = std::min(A, -deficit);
  const double G2 = std::max(G - e, 1e-40);
  for (int m = 1; m <= sizeCount(); ++m)
    if (m != n) BSedDistrib[j][m][b] *= G / G2;
  BSedDistrib[j][n][b] = std::max(deficit + A, 0.0) / G2;
  BSedDistrib[j][0][b] = sf > 0.0 ? G2 / sf : 0.0;
  return deficit + A < 0.0 ? deficit + A : 0.0;
}

void ChangeLayers(int b, double change) {
  if (!BSedDistrib || !BlayerTop || !Bbedchange || !Bvolleft) return;
  BlayerTop[b] = std::clamp(BlayerTop[b], 0, std::max(NoBedLayers - 1, 0));
  if (change > 0.0)
    deposit(b);
  else if (change < 0.0)
    erode(b, -change);
  const int removed = removeZerolayers(b);
  if (FlagSplitLayers > 0 && BlayerTop[b] < NoBedLayers - 2) SplitLayers(b);
  checkStack(b, change, removed);
}

int FindJoinLayer(int b) {
  const int top = BlayerTop[b];
  const double T = activeThickness();
  if (top <= 0 || BSedDistrib[top - 1][0][b] < 1.5 * T) return top;
  for (int k = 1; k <= top; ++k)
    if (BSedDistrib[k][0][b] + BSedDistrib[k - 1][0][b] < 1e-7) return k;
  double best = 1e7;
  int chosen = top;
  for (int k = 1; k <= top; ++k) {
    double s = 0.0;
    for (int n = 1; n <= sizeCount(); ++n) s += std::fabs(BSedDistrib[k][n][b] - BSedDistrib[k - 1][n][b]);
    if (s < best) {
      best = s;
      chosen = k;
    }
  }
  return chosen;
}

void SplitLayers(int b) {
  const int top = BlayerTop[b];
  if (top >= NoBedLayers) return;
  const double T = activeThickness();
  int k = -1;
  for (int m = top; m >= 0; --m)
    if (BSedDistrib[m][0][b] > 3.0 * T) {
      k = m;
      break;
    }
  if (k < 0) return;
  // The layers k..top move up one slot, each with its solid fraction, so
  // that layers k and k+1 hold the same sediment.
  for (int m = top; m >= k; --m) {
    for (int n = 0; n <= sizeCount(); ++n) BSedDistrib[m + 1][n][b] = BSedDistrib[m][n][b];
    setSolid(m + 1, b, solidOf(m, b));
  }
  BlayerTop[b] = top + 1;
  const double t = BSedDistrib[k][0][b];
  if (FlagSplitLayers == 1) {
    BSedDistrib[k + 1][0][b] = T;
    BSedDistrib[k][0][b] = t - T;
  } else {
    // 2, and any other value: two halves.
    BSedDistrib[k + 1][0][b] = 0.5 * t;
    BSedDistrib[k][0][b] = t - 0.5 * t;
  }
}

void MoveSediment(int from, int to, int b, double t) {
  const double sf1 = solidOf(from, b), sf2 = solidOf(to, b);
  const double t2 = BSedDistrib[to][0][b];
  const double sfNew = t2 + t > 0.0 ? (sf1 * t + sf2 * t2) / (t2 + t) : sf2;
  for (int n = 1; n <= sizeCount(); ++n)
    BSedDistrib[to][n][b] = (BSedDistrib[from][n][b] * t * sf1 + BSedDistrib[to][n][b] * t2 * sf2) /
                            ((t2 + t) * sfNew + 1e-20);
  setSolid(to, b, sfNew);
  BSedDistrib[from][0][b] -= t;
  BSedDistrib[to][0][b] += t;
}

void ErosionLayers(int b, int n, double change) {
  const int N = sizeCount();
  const int top = std::clamp(BlayerTop[b], 0, NoBedLayers);
  if (change > 0.0) {
    const double t = BSedDistrib[top][0][b], t2 = t + change;
    for (int m = 1; m <= N; ++m)
      if (m != n) BSedDistrib[top][m][b] *= t / t2;
    BSedDistrib[top][n][b] = (BSedDistrib[top][n][b] * t + change) / (t2 + 1e-40);
    BSedDistrib[top][0][b] = t2;
  } else if (change < 0.0) {
    double rest = -change;
    for (int k = top; k >= 0 && rest > 0.0; --k) {
      double* L[51];
      for (int m = 0; m <= N; ++m) L[m] = &BSedDistrib[k][m][b];
      const double f = *L[n], t = *L[0], own = f * t;
      if (own < rest) {
        *L[0] = t * (1.0 - f);
        for (int m = 1; m <= N; ++m)
          if (m != n) *L[m] /= (1.0 - f) + 1e-30;
        *L[n] = 0.0;
        rest -= own;
        if (k > 0) rest *= solidOf(k, b) / (solidOf(k - 1, b) + 1e-30);
      } else {
        const double g = 1.0 - (rest / (own + 1e-30)) * f;
        *L[0] = t * g;
        *L[n] = (own - rest) / (*L[0] + 1e-30);
        for (int m = 1; m <= N; ++m)
          if (m != n) *L[m] /= g + 1e-30;
        rest = 0.0;
      }
    }
  }
  for (int k = top; k >= std::max(top - 1, 0); --k) {
    double sum = 0.0;
    for (int m = 1; m <= N; ++m) sum += BSedDistrib[k][m][b];
    const double t = BSedDistrib[k][0][b];
    if (!((sum < 0.99 || sum > 1.01) && t > 1e-5) && !(t < -1e-10)) continue;
    logf("Error in function ErosionLayers: sum of grain sizes active layer = %lf for bedcell %d\n", sum, b);
    for (int m = 1; m <= N; ++m) logf("size=%d, fraction=%lg\n", m, BSedDistrib[k][m][b]);
    logf("Thickness of active layer: %lg meters, movement = %lg meters.\n", t, change);
  }
}
