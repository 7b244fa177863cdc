// Forces of a water density that varies with the temperature (component 0):
// the horizontal pressure-gradient force of the density field less the share
// of the whole column's force, in the level-wise, column-mean or
// surface-following form, and the damping of vertical motion in stably
// stratified water. Heads are metres times relative density; 9810 turns them
// into pascals.
#include <cmath>

#include "physics/physics.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

inline bool isCell(int c) { return c >= 1 && c <= NoCells; }
inline int cellOr0(int c) { return isCell(c) ? c : 0; }

double temperature(int c) { return isCell(c) ? Ccomp[0][c] : 0.0; }
double rhoOf(int c) { return waterDensity(temperature(c)); }
// Half-cell head; the empty cell 0 has none.
double q(int c) { return isCell(c) ? waterDensity(Ccomp[0][c]) * Ckdist[c] : 0.0; }

enum Side { West, East, South, North };
int neighbour(int c, int side) {
  if (!isCell(c)) return 0;
  switch (side) {
    case West: return cellOr0(Ccellw[c]);
    case East: return cellOr0(Ccelle[c]);
    case South: return cellOr0(Ccells[c]);
    default: return cellOr0(Ccelln[c]);
  }
}

// The difference of the values on the two sides of a cell, one-sided where
// one of them is missing.
double difference(double pLow, double pHigh, double pOwn, int low, int high) {
  if (low > 0 && high > 0) return 0.5 * (pHigh - pLow);
  if (low == 0 && high > 0) return pHigh - pOwn;
  if (high == 0 && low > 0) return pOwn - pLow;
  return 0.0;
}

double faceComponent(int f) {
  if (f < 1 || f > NoSurfaces) return 0.0;
  return Equation == 1 ? Fax[f] : Fay[f];
}

// Force on cell c from the pressure differences in x and y.
double force(int c, double dPx, double dPy) {
  return 9810.0 * 0.5 *
         (dPx * (faceComponent(Cflatee[c]) + faceComponent(Cflatew[c])) +
          dPy * (faceComponent(Cflaten[c]) + faceComponent(Cflates[c])));
}

// Head increments of one level of the walk down a column (own cell x, own
// cell above it xa): the own column and the four sides.
struct Increments {
  double own, side[4];
};
Increments increments(int x, int xa) {
  Increments in;
  in.own = q(xa) + q(x);
  for (int s = 0; s < 4; ++s) in.side[s] = q(neighbour(xa, s)) + q(neighbour(x, s));
  return in;
}

// Level-wise walk state of one column.
struct LevelWalk {
  double dPx = 0, dPy = 0, De = 0, Dn = 0;
  void step(int x, const Increments& in) {
    dPx += difference(in.side[West], in.side[East], in.own, neighbour(x, West), neighbour(x, East));
    dPy += difference(in.side[South], in.side[North], in.own, neighbour(x, South), neighbour(x, North));
    if (neighbour(x, East) > 0) De += in.side[East] - in.own;
    if (neighbour(x, North) > 0) Dn += in.side[North] - in.own;
  }
};

bool offLevel(int x) {
  for (int s = 0; s < 4; ++s) {
    const int m = neighbour(x, s);
    if (m > 0 && std::fabs(Czcenter[m] - Czcenter[x]) > 1e-7) return true;
  }
  return false;
}

void levelWiseForm() {
  for (int t = WCStart; t <= WCEnd; ++t) {
    if (Ccellt[t] != 0) continue;
    LevelWalk w;
    double H = 0, sumG = 0, sumPx = 0, sumPy = 0, sumDe = 0, kE = 0, sumDn = 0, kN = 0;
    for (int x = t, xa = 0, guard = 0; isCell(x) && guard <= NoCells; xa = x, x = Ccellb[x], ++guard) {
      if (offLevel(x)) break;
      w.step(x, increments(x, xa));
      const double k = Ckdist[x];
      H += k;
      sumG += force(x, w.dPx, w.dPy);
      sumPx += w.dPx * k;
      sumPy += w.dPy * k;
      if (neighbour(x, East) > 0) sumDe += w.De * k, kE += k;
      if (neighbour(x, North) > 0) sumDn += w.Dn * k, kN += k;
    }
    if (!(H > 0.0)) continue;
    const double mx = sumPx / H, my = sumPy / H, mDe = sumDe / (kE + 1e-30), mDn = sumDn / (kN + 1e-30);
    LevelWalk v;
    for (int x = t, xa = 0, guard = 0; isCell(x) && guard <= NoCells; xa = x, x = Ccellb[x], ++guard) {
      if (offLevel(x)) break;
      v.step(x, increments(x, xa));
      Csource[x] -= relaxDensityTurb * (force(x, v.dPx, v.dPy) - Ckdist[x] / H * sumG);
      Cdensgradi[x] = v.dPx - mx;
      Cdensgradj[x] = v.dPy - my;
      if (neighbour(x, East) > 0 && Cflatee[x] >= 1 && Cflatee[x] <= NoSurfaces) Fdgrad[Cflatee[x]] = v.De - mDe;
      if (neighbour(x, North) > 0 && Cflaten[x] >= 1 && Cflaten[x] <= NoSurfaces) Fdgrad[Cflaten[x]] = v.Dn - mDn;
    }
  }
}

void columnMeanForm() {
  for (int t = WCStart; t <= WCEnd; ++t) {
    if (Ccellt[t] != 0) continue;
    int n = 0, b = t;
    for (int x = t; isCell(x) && n <= NoCells; x = Ccellb[x]) ++n, b = x;
    // Mean densities of the own column and of the four beside it.
    double sq[5] = {0, 0, 0, 0, 0}, sk[5] = {0, 0, 0, 0, 0};
    int at[5] = {t, neighbour(t, West), neighbour(t, East), neighbour(t, South), neighbour(t, North)};
    for (int step = 0; step < n; ++step)
      for (int s = 0; s < 5; ++s) {
        if (at[s] > 0) sq[s] += q(at[s]), sk[s] += Ckdist[at[s]];
        at[s] = at[s] > 0 ? cellOr0(Ccellb[at[s]]) : 0;
      }
    const double H = sk[0];
    if (!(H > 0.0)) continue;
    double mean[5];
    mean[0] = sq[0] / H;
    for (int s = 1; s < 5; ++s) mean[s] = sq[s] / (sk[s] + 1e-30);
    const double drx = difference(mean[1], mean[2], mean[0], neighbour(b, West), neighbour(b, East));
    const double dry = difference(mean[3], mean[4], mean[0], neighbour(b, South), neighbour(b, North));
    const double Fcol = 9810.0 * H * 0.5 * H *
                        (drx * (faceComponent(Cflatee[b]) + faceComponent(Cflatew[b])) +
                         dry * (faceComponent(Cflaten[b]) + faceComponent(Cflates[b]))) /
                        Ckdist[b];
    double f = 1.0;
    if (Seiche1 == 3) {
      LevelWalk w;
      double R = 0;
      for (int x = t, xa = 0, guard = 0; isCell(x) && guard <= NoCells; xa = x, x = Ccellb[x], ++guard) {
        w.step(x, increments(x, xa));
        R += relaxDensityTurb * force(x, w.dPx, w.dPy);
      }
      f = Fcol / (R - 1e-30);
      if (!(f > 0.1)) f = 0.1;
      if (f >= 1.0) f = 1.0;
    }
    LevelWalk w;
    for (int x = t, xa = 0, guard = 0; isCell(x) && guard <= NoCells; xa = x, x = Ccellb[x], ++guard) {
      w.step(x, increments(x, xa));
      Csource[x] -= relaxDensityTurb * (f * force(x, w.dPx, w.dPy) - Ckdist[x] / H * Fcol);
    }
  }
}

// Temperature of the column of start at level z, between the centres of the
// first cell below z and the cell above it. The level is held inside the
// column: beyond its end cells the end cell's temperature serves. found
// gets the cell below z (0 when no cell lies below z).
double temperatureAt(int start, double z, int& found) {
  int k = cellOr0(start), last = k;
  for (int guard = 0; k > 0 && Czcenter[k] >= z && guard <= NoCells; ++guard) last = k, k = cellOr0(Ccellb[k]);
  found = k;
  if (k == 0) return temperature(last);
  const int u = cellOr0(Ccellt[k]);
  if (u == 0) return temperature(k);
  double a = (Czcenter[u] - z) / (Czcenter[u] - Czcenter[k] + 1e-30);
  if (a < 0.0) a = 0.0;
  if (a > 1.0) a = 1.0;
  return a * temperature(k) + (1.0 - a) * temperature(u);
}

int topOf(int c) {
  for (int guard = 0; isCell(c) && isCell(Ccellt[c]) && guard <= NoCells; ++guard) c = Ccellt[c];
  return c;
}

inline bool sameLevel(int a, int b) { return std::fabs(Czcenter[a] - Czcenter[b]) < 1e-7; }

// Pressure differences at the level of c in the surface-following form.
void surfaceFollowingDifferences(int t, int c, const double dz[4], double& dPx, double& dPy) {
  double P[4], own = 0;
  int number[4];
  for (int x = t; x != c && isCell(x); x = Ccellb[x]) own += 2.0 * q(x);
  own += q(c);
  for (int s = 0; s < 4; ++s) {
    double p = 0;
    int endAt = c;
    for (int x = t; x != c && isCell(x); x = Ccellb[x]) {
      const int m = neighbour(x, s);
      if (m == 0) {
        endAt = x;
        break;
      }
      if (sameLevel(x, m)) {
        p += 2.0 * q(m);
      } else {
        int found;
        p += 2.0 * Ckdist[x] * waterDensity(temperatureAt(m, Czcenter[x] - dz[s], found));
      }
    }
    const int m = neighbour(c, s);
    number[s] = 0;
    if (m > 0 && sameLevel(c, m)) {
      p += q(m);
      number[s] = m;
    } else if (m > 0) {
      int found;
      p += Ckdist[endAt] * waterDensity(temperatureAt(neighbour(t, s), Czcenter[endAt] - dz[s], found));
      number[s] = found;
    }
    P[s] = p;
  }
  dPx = difference(P[West], P[East], own, number[West], number[East]);
  dPy = difference(P[South], P[North], own, number[South], number[North]);
}

void surfaceFollowingForm() {
  for (int t = WCStart; t <= WCEnd; ++t) {
    if (Ccellt[t] != 0) continue;
    const double surf = Czcenter[t] + Ckdist[t];
    double dz[4] = {0, 0, 0, 0};
    for (int s = 0; s < 4; ++s) {
      const int m = neighbour(t, s);
      if (m == 0) continue;
      const int top = topOf(m);
      dz[s] = surf - (Czcenter[top] + Ckdist[top]);
    }
    double H = 0, sumG = 0;
    for (int c = t, guard = 0; isCell(c) && guard <= NoCells; c = Ccellb[c], ++guard) {
      double dPx, dPy;
      surfaceFollowingDifferences(t, c, dz, dPx, dPy);
      sumG += force(c, dPx, dPy);
      H += Ckdist[c];
    }
    if (!(H > 0.0)) continue;
    for (int c = t, guard = 0; isCell(c) && guard <= NoCells; c = Ccellb[c], ++guard) {
      double dPx, dPy;
      surfaceFollowingDifferences(t, c, dz, dPx, dPy);
      Csource[c] -= relaxDensityTurb * (force(c, dPx, dPy) - Ckdist[c] / H * sumG);
    }
  }
}

void stratificationDamping() {
  for (int c = WCStart; c <= WCEnd; ++c) {
    const int b = cellOr0(Ccellb[c]), t = cellOr0(Ccellt[c]);
    double d = 0.0;
    if (t == 0 && b > 0)
      d = (rhoOf(b) - rhoOf(c)) / (Ckdist[b] + Ckdist[c]);
    else if (b == 0 && t > 0)
      d = (rhoOf(c) - rhoOf(t)) / (Ckdist[t] + Ckdist[c]);
    else if (b > 0 && t > 0)
      d = (rhoOf(b) - rhoOf(t)) / (Czcenter[t] - Czcenter[b]);
    const double K = std::fmax(0.0, Cvol[c] * TimeStep * d * 1000.0 * 9.81);
    const double w = Czvel[c], S = Csource[c];
    const double r = S / (w * K + 1e-10);
    if (r <= 0.0) {
      Cap[c] += K;
    } else if (r < 1.0) {
      Csource[c] -= r * K * w;
      Cap[c] += (1.0 - r) * K;
    } else {
      Csource[c] -= K * w;
    }
  }
}

}  // namespace

void DensityGradients(int) {
  if (TemperatureFlag != 1 || !(relaxDensityTurb > 0.0) || !Ccomp || NoComponents < 1) return;
  if (Equation == 1 || Equation == 2) {
    if (Seiche2 == 3)
      surfaceFollowingForm();
    else if (Seiche1 == 2 || Seiche1 == 3)
      columnMeanForm();
    else if (Seiche1 <= 1 && UMethod == 0)
      levelWiseForm();
  } else if (Equation == 3 && Seiche1 > 0 && NoVerttemp > 0) {
    stratificationDamping();
  }
}
