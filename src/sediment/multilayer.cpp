// The multi-layer bed fractions of a time step (F 37 3): every bed cell's
// stack takes the per-size change of the step, the porosity rule of F 264
// updates the solid fractions (or keeps the active layer at its thickness),
// and Bedmove becomes the change of the stack's thickness. The bed cells run
// on F 206 threads in contiguous chunks; the uneroded masses are summed
// afterwards in bed-cell order, so any thread count gives the same bits.
#include "sediment/multilayer.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "state/log.h"
#include "sediment/layers.h"
#include "sediment/morphology.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

inline int sizeCount() { return std::clamp(lnumber, 0, 50); }
inline int firstBed() { return std::max(WBStart, 1); }
inline int lastBed() { return std::min(WBEnd, bedCellCapacity() - 1); }
inline int topOf(int b) { return std::clamp(BlayerTop[b], 0, std::max(NoBedLayers - 1, 0)); }
inline bool wet(int b) { return Bcellt && Bcellt[b] >= 1; }

double stackThickness(int b) {
  double s = 0.0;
  for (int k = topOf(b); k >= 0; --k) s += BSedDistrib[k][0][b];
  return s;
}

// F 264 -1: the solid fraction of a layer from the spread of its grain
// sizes on the log2 scale; the grain volume stays.
void densityFromSpread(int b) {
  const int N = sizeCount();
  for (int k = topOf(b); k >= 0; --k) {
    double s = 0.64;
    if (N > 0) {
      double m = 0.0, v = 0.0;
      for (int n = 1; n <= N; ++n)
        m += BSedDistrib[k][n][b] * (gsize[n] > 0.0 ? std::log(gsize[n]) / 0.6931471805599453 : 0.0);
      for (int n = 1; n <= N; ++n) {
        const double g = gsize[n] > 0.0 ? std::log(gsize[n]) / 0.6931471805599453 : 0.0;
        v += BSedDistrib[k][n][b] * (g - m) * (g - m);
      }
      s = 1.0 - (0.36 - 0.06 * v);
      if (s <= 0.05) s = 0.05;
      if (s > 0.99) s = 0.99;
    }
    BSedDistrib[k][0][b] *= Bsolidfraction[k][b] / s;
    Bsolidfraction[k][b] = s;
  }
}

// F 264 above 0: the top layer kept at the active thickness T by moving
// sediment to or from the layer under it. A single layer stays as it is; a
// refill takes at most what the layer under the top holds.
void keepActiveLayer(int b, double T) {
  const int top = topOf(b);
  if (top < 1 || !(stackThickness(b) > T)) return;
  const double d = BSedDistrib[top][0][b] - T;
  if (d > 0.0)
    MoveSediment(top, top - 1, b, d);
  else if (d < 0.0) {
    const double t = std::min(-d, BSedDistrib[top - 1][0][b]);
    if (t > 0.0) MoveSediment(top - 1, top, b, t);
  }
}

// The stack check of the debugging letter D, on the main thread.
void reportStack(int b) {
  const int N = sizeCount();
  for (int k = topOf(b); k >= 0; --k) {
    double sum = 0.0;
    for (int n = 1; n <= N; ++n) sum += BSedDistrib[k][n][b];
    const double t = BSedDistrib[k][0][b];
    if (!(((sum < 0.99 || sum > 1.01) && t > 1e-5) || t < -1e-10)) continue;
    logf("Error after function morphology3_fractions sum of grain sizes active layer = %lf for bedcell %d\n", sum, b);
    for (int n = 1; n <= N; ++n) logf("size=%d, fraction=%lg\n", n, BSedDistrib[k][n][b]);
    logf("Thickness of layer %d: %lg meters\n", k, t);
  }
}

}  // namespace

void morphology3_fractions_parallel(int b, double T) {
  const int N = sizeCount();
  for (int n = 1; n <= N; ++n) Bvolleft[n][b] = 0.0;
  if (!wet(b)) return;
  const double change = Bedmove[b];
  Bedmove[b] = -stackThickness(b);
  ChangeLayers(b, change);
  if (FlagDensityAlgo == -2) {
    for (int k = topOf(b); k >= 0; --k) Bsolidfraction[k][b] = SolidFrac;
  } else if (FlagDensityAlgo == -1) {
    densityFromSpread(b);
  } else if (FlagDensityAlgo > 0) {
    keepActiveLayer(b, T);
  }
  Bedmove[b] += stackThickness(b);
}

void morphology3_fractions(double T) {
  if (!BSedDistrib || !BlayerTop || !Bsolidfraction || !Bbedchange || !Bvolleft || !Bedmove || !Barea) return;
  const int first = firstBed(), last = lastBed();
  if (last < first) return;
  const int threads = NoProcessesSolver;
  if (threads <= 0) {
    for (int b = first; b <= last; ++b) {
      char text[64];
      std::snprintf(text, sizeof text, " Morphology_fractions cell b=%d         ", b);
      setMessage(text);
      morphology3_fractions_parallel(b, T);
    }
  } else {
    const int count = last - first + 1;
#pragma omp parallel num_threads(threads)
    {
      const int t = omp_get_thread_num(), p = omp_get_num_threads();
      const int q = count / p, r = count % p;
      const int start = first + (t < r ? t * (q + 1) : r + t * q);
      const int size = t < r ? q + 1 : q;
      for (int b = start; b < start + size; ++b) morphology3_fractions_parallel(b, T);
    }
  }
  const int N = sizeCount();
  for (int b = first; b <= last; ++b) {
    if (debugging == 'D' && wet(b)) reportStack(b);
    for (int n = 1; n <= N; ++n) Bvollefttot[n] += Bvolleft[n][b] * Barea[b] * 1000.0 * density;
  }
}

double computeArmourDepth(int b, double T) {
  const int top = topOf(b);
  const double move = Bedmove ? Bedmove[b] : 0.0;
  auto change = [&](int n) { return Bbedchange && n <= lnumber ? Bbedchange[n][b] : 0.0; };
  auto fraction = [&](int n) { return n <= lnumber ? BSedDistrib[top][n][b] : 0.0; };
  double d;
  switch (FlagArmourDepth) {
    case 0: d = T - move; break;
    case 1: d = gsize[1] - move; break;
    case 2: d = std::max(-move, gsize[1]); break;
    case 3: d = std::max(-move, T); break;
    case 4: d = (gsize[1] - change(1)) * 0.5; break;
    case 5:
      // With one size the second is missing: rule 4.
      if (lnumber < 2)
        d = (gsize[1] - change(1)) * 0.5;
      else
        d = std::min((gsize[1] - change(1)) * 0.5 / (fraction(1) + 0.05),
                     (gsize[2] - change(2)) * 0.5 / (fraction(2) + 0.05));
      break;
    case 6: d = gsize[1]; break;
    case 8: d = BSedDistrib[top][0][b]; break;
    case 9: d = BSedDistrib[top][0][b] + (top > 0 ? BSedDistrib[top - 1][0][b] : 0.0); break;
    default: d = T; break;
  }
  if (!(d > 0.0)) d = 0.0;
  int armour = 0;
  if (top > 0) {
    double sum = 0.0;
    for (int k = top; k >= 1; --k) {
      sum += BSedDistrib[k][0][b];
      if (sum > d) {
        armour = k;
        break;
      }
    }
  }
  if (Barmourthick) Barmourthick[b] = armour;
  return -d;
}
