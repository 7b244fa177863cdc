// The thixotropic (sliding) layer: the ratio of driving to resisting stress
// of its cells (F 289 variants 0 to 3), the moving state of each cell, the
// level of the lower boundary of the moving layer, the damping of the
// velocities of resting cells and the friction of the layer on its bed.
#include <algorithm>
#include <climits>
#include <cmath>

#include "flow/cellequations.h"
#include "flow/stages.h"
#include "physics/physics.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

struct Layer {
  int first = 0, last = -1;
  bool ok = false;
};

// The cells of block n, checked against the grid and the layer arrays.
Layer layerOf(int n) {
  Layer L;
  if (n < 1 || n > NoBlocks || n >= 100 || !Cthixorat || !Cthixolev) return L;
  L.first = std::max(block[n].firstCell, 1);
  L.last = std::min(block[n].lastCell, NoCells);
  L.ok = L.first <= L.last;
  return L;
}

bool inLayer(const Layer& L, int c) { return c >= L.first && c <= L.last; }
bool isTop(const Layer& L, int c) { return Ccellt[c] < L.first; }

bool bedOk(int b) { return b >= 1 && b < bedCellCapacity(); }
// The layer level of the column of c, null without one.
double* levelOf(int c) {
  if (!Bthixolev || !Cbed) return nullptr;
  const int b = Cbed[c];
  return bedOk(b) ? &Bthixolev[b] : nullptr;
}

// Area of the bottom face of c, guarded against a zero face.
double bedFaceAz(int c) {
  const double az = Faz[Cflateb[c]];
  return std::fabs(az) > 1e-20 ? az : 1e-20;
}

double resistance(int k) { return Cpres[k] * ThixoMySlope + ThixoCritshear + 1e-20; }

// The inertia of the layer, 2 rho |u| h / dt per unit bed area: it resists
// a change of motion whichever way the layer moves. Without the previous
// time step (a steady run) there is none.
double inertia(int k) {
  if (!Cxvel_old || !(TimeStep > 1e-8)) return 0.0;
  return 2.0 * 1000.0 * std::fabs(Cxvel_old[k]) * Ckdist[k] / TimeStep;
}

// Step A: the driving force of the layer accumulated from the top of each
// column down, and the ratio of each cell by the variant.
void drivingRatio(const Layer& L, int variant) {
  const int F = L.first;
  auto p = [](int c) { return Cpres[c]; };
  auto z = [](int c) { return Czcenter[c]; };
  for (int c = L.first; c <= L.last; ++c) {
    if (!isTop(L, c)) continue;
    double S = 0.0;
    for (int k = c, guard = 0; inLayer(L, k) && guard <= NoCells; k = Ccellb[k], ++guard) {
      double A = 4.0 * Ckdist[k] * Cjdist[k];
      if (Ccellt[k] == 0) A *= 0.5;
      const int t = Ccellt[k], b = Ccellb[k];
      double dpv = 0.0, dzv = 1e-20;
      if (b > 0 && t > F) {
        dpv = p(t) - p(b);
        dzv = z(t) - z(b);
        if (variant == 2) {
          const int bb = Ccellb[b];
          if (bb > 0) {
            dpv = 0.67 * dpv + 0.33 * (p(t) - p(bb));
            dzv = 0.67 * dzv + 0.33 * (z(t) - z(bb));
          }
          const int tt = Ccellt[t];
          if (tt > 0) {
            dpv = 0.67 * dpv + 0.33 * (p(tt) - p(b));
            dzv = 0.67 * dzv + 0.33 * (z(tt) - z(b));
          }
        }
      } else if (b == 0 && t > F) {
        dpv = p(t) - p(k);
        dzv = z(t) - z(k);
      } else if (b > 0 && t < F) {
        dpv = p(k) - p(b);
        dzv = z(k) - z(b);
      }
      const int w = Ccellw[k], e = Ccelle[k];
      double G = 0.0;
      if (w > 0 || e > 0) {
        const int hi = e > 0 ? e : k, lo = w > 0 ? w : k;
        const double dph = p(hi) - p(lo);
        const double dx = Cxcenter[hi] - Cxcenter[lo], dy = Cycenter[hi] - Cycenter[lo], dz = z(hi) - z(lo);
        double Lxy = std::sqrt(dx * dx + dy * dy);
        if (w > 0 && e > 0) Lxy *= 0.5;
        const double L3 = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (L3 > 0.0) {
          const double theta = std::asin(std::clamp(dz / L3, -1.0, 1.0));
          const double alpha = 1.570796326 - theta;
          const double beta =
              std::atan((dph * dzv / (L3 * (dpv + 1e-20)) - std::cos(alpha)) / std::sin(alpha));
          G = std::sin(beta) * (dpv + 1e-20) / (dzv * std::cos(beta)) * Lxy;
        }
      }
      S += A * G;
      const double drive = std::fabs(S) / bedFaceAz(k);
      const double R = drive / resistance(k);
      if (variant == 0) {
        Cthixorat[k] = 0.9 * Cthixorat[k] + 0.1 * (inertia(k) + drive) / resistance(k);
      } else if (variant == 2) {
        Cthixorat[k] = 0.95 * Cthixorat[k] + 0.05 * R;
      } else {
        Cap[k] = std::max(Cae[k] + Caw[k] + Can[k] + Cas[k] + Cat[k] + Cab[k], 1e-20);
        Csource[k] = (Cap[k] + 1e-20) * (R - 1.0);
      }
      if (variant == 0 || variant == 2) {
        if (w > 0 && e > 0)
          Cthixorat[k] = 0.75 * Cthixorat[k] + 0.125 * Cthixorat[e] + 0.125 * Cthixorat[w];
        else if (w > 0 || e > 0)
          Cthixorat[k] = 0.875 * Cthixorat[k] + 0.125 * Cthixorat[w > 0 ? w : e];
      }
    }
  }
}

// A resting cell below a moving one makes every cell above it move.
void spreadUpwards(const Layer& L) {
  for (int c = L.first; c <= L.last; ++c) {
    if (Ccellb[c] != 0) continue;
    for (int k = Ccellt[c], guard = 0; inLayer(L, k) && guard <= NoCells; k = Ccellt[k], ++guard) {
      const int below = Ccellb[k];
      if (Cthixolev[k] <= 1 && below > 0 && Cthixolev[below] > 1) Cthixolev[k] = 2;
    }
  }
}

// The ratio never decreases upwards in a column.
void ratioUpwards(const Layer& L) {
  for (int c = L.first; c <= L.last; ++c) {
    if (Ccellb[c] != 0) continue;
    for (int k = Ccellt[c], guard = 0; inLayer(L, k) && guard <= NoCells; k = Ccellt[k], ++guard)
      Cthixorat[k] = std::max(Cthixorat[k], Cthixorat[Ccellb[k]]);
  }
}

// Whether the cell above k (none: the top of the layer) lies above the
// layer level of k's column.
bool aboveLevel(int k) {
  const int t = Ccellt[k];
  if (t <= 0) return true;
  const double* B = levelOf(k);
  return B && Czcenter[t] > *B;
}

// The neighbours of bed cell b along its grid line (bed cells b - 1 and
// b + 1 of the same i, at j - 1 and j + 1); false at the ends of a line.
bool lineNeighbours(int b) {
  if (!bedOk(b - 1) || !bedOk(b + 1)) return false;
  if (!Bkooi || !Bkooj) return true;
  return Bkooi[b - 1] == Bkooi[b] && Bkooi[b + 1] == Bkooi[b] && Bkooj[b - 1] == Bkooj[b] - 1 &&
         Bkooj[b + 1] == Bkooj[b] + 1;
}

// Step D: no level above both neighbours along the grid line, none deeper
// than the lower neighbour less the height of the bottom cell. Levels at
// the ends of a grid line are not compared across to the next line.
void smoothLevels(const Layer& L) {
  if (!Bthixolev || !Cbed) return;
  const int b1 = Cbed[L.first], b2 = Cbed[L.last];
  if (!bedOk(b1) || !bedOk(b2) || b1 + 1 >= b2) return;
  double* B = Bthixolev;
  for (int b = b1 + 1; b < b2; ++b)
    if (lineNeighbours(b)) B[b] = std::min(B[b], std::max(B[b - 1], B[b + 1]));
  for (int b = b1 + 1; b < b2; ++b) {
    if (!lineNeighbours(b)) continue;
    const int bottom = Bcellt[b];
    const double h = bottom >= 1 && bottom <= NoCells ? 2.0 * Ckdist[bottom] : 0.0;
    B[b] = std::max(B[b], std::min(B[b - 1], B[b + 1]) - h);
  }
}

// A counter raised by the integer part of a ratio, kept far from overflow.
int raisedCounter(int count, double ratio) {
  const double step = std::floor(std::min(ratio, 1e6));
  return static_cast<int>(std::min(static_cast<double>(count) + step, 1e9));
}

void thixoDampVariant(int n, int variant) {
  const Layer L = layerOf(n);
  if (!L.ok) return;
  Cthixolev[0] = 0;
  Cthixorat[0] = 0.0;
  if (variant == 1) coeff_make(block[n].firstSurface, block[n].lastSurface);
  drivingRatio(L, variant);
  // Step B.
  if (variant == 0) {
    for (int c = L.first; c <= L.last; ++c) {
      if (!isTop(L, c)) continue;
      for (int k = c, guard = 0; inLayer(L, k) && guard <= NoCells; k = Ccellb[k], ++guard) {
        if (Ccellb[k] == 0)
          Cthixolev[k] = 0;
        else if (Cthixorat[k] > 1.1 && aboveLevel(k))
          Cthixolev[k] = raisedCounter(Cthixolev[k], 1.0);
        else if (Cthixorat[k] < 0.9)
          --Cthixolev[k];
      }
    }
    spreadUpwards(L);
  } else {
    if (variant == 1) {
      // The ratio solved on the layer's cells alone.
      double* savedCf = Cf;
      const int s = WCStart, e = WCEnd;
      Cf = Cthixorat;
      WCStart = L.first;
      WCEnd = L.last;
      solver();
      WCStart = s;
      WCEnd = e;
      Cf = savedCf;
    } else if (Cbed && Bcellt) {
      const int b1 = Cbed[L.first], b2 = Cbed[L.last];
      for (int b = std::max(b1, 1); b <= b2 && bedOk(b); ++b)
        for (int k = Bcellt[b], guard = 0; k > 0 && guard <= NoCells; k = Ccellt[k], ++guard) {
          if (!inLayer(L, k)) continue;
          const int e = Ccelle[k], w = Ccellw[k];
          if (e > 0 && w > 0 && Cthixorat[k] > Cthixorat[e] && Cthixorat[k] > Cthixorat[w])
            Cthixorat[k] = std::min(Cthixorat[k], 0.525 * (Cthixorat[e] + Cthixorat[w]));
        }
    }
    ratioUpwards(L);
  }
  // Step C.
  if (Bthixolev && Cbed) {
    for (int c = L.first; c <= L.last; ++c) {
      const bool rests = variant == 0 ? Cthixolev[c] <= 1 : Cthixorat[c] < 1.0;
      double* B = levelOf(c);
      if (!rests || !B) continue;
      const int t = Ccellt[c];
      if (t <= 0) {
        *B = 0.9 * *B + 0.1 * (Czcenter[c] + Ckdist[c]);
      } else if (variant == 0) {
        if (Cthixolev[t] > 1) *B = 0.9 * *B + 0.05 * (Czcenter[t] + Czcenter[c]);
      } else if (Cthixorat[t] > 1.0) {
        // Towards the height at which the ratio, linear between the two
        // centres, passes 1.
        const double f = (1.0 - Cthixorat[c]) / (Cthixorat[t] - Cthixorat[c]);
        *B = 0.9 * *B + 0.1 * ((1.0 - f) * Czcenter[c] + f * Czcenter[t]);
      }
    }
  }
  smoothLevels(L);
  // Step E.
  for (int c = L.first; c <= L.last; ++c) {
    const double* B = levelOf(c);
    if (!B) continue;
    if (variant == 0) {
      if (Czcenter[c] > *B && Cthixolev[c] <= 1)
        ++Cthixolev[c];
      else if (Czcenter[c] < *B && Cthixolev[c] > 0)
        --Cthixolev[c];
    } else {
      Cthixolev[c] = *B > Czcenter[c] ? 0 : 2;
    }
  }
  Cthixolev[0] = 0;
  Cthixorat[0] = 0.0;
}

}  // namespace

void ThixoDamp(int n) { thixoDampVariant(n, 0); }
void ThixoDamp1(int n) { thixoDampVariant(n, 1); }
void ThixoDamp2(int n) { thixoDampVariant(n, 2); }

double computeAccHystatForce(int cell, double z) {
  double S = 0.0;
  for (int c = cell, guard = 0; c > 0 && c <= NoCells && guard <= NoCells; c = Ccellb[c], ++guard) {
    const double bottom = Czcenter[c] - Ckdist[c], top = Czcenter[c] + Ckdist[c];
    if (bottom > level)
      S += 2.0 * Ckdist[c] * Cpres[c];
    else if (top > level)
      S += (top - z) * Cpres[c];
    else
      break;
  }
  return S;
}

void ThixoDamp3(int n) {
  const Layer L = layerOf(n);
  if (!L.ok) return;
  Cthixolev[0] = 0;
  // Ratio from the difference of the pressure loads on the two sides.
  for (int c = L.first; c <= L.last; ++c) {
    if (!isTop(L, c)) continue;
    const int w = Ccellw[c], e = Ccelle[c];
    for (int d = c, guard = 0; inLayer(L, d) && guard <= NoCells; d = Ccellb[d], ++guard) {
      const double zd = Czcenter[d];
      double F = 0.0;
      if (w > 0 && e > 0)
        F = std::fabs(computeAccHystatForce(w, zd) - computeAccHystatForce(e, zd));
      else if (w > 0)
        F = std::fabs(2.0 * (computeAccHystatForce(w, zd) - computeAccHystatForce(c, zd)));
      else if (e > 0)
        F = std::fabs(2.0 * (computeAccHystatForce(c, zd) - computeAccHystatForce(e, zd)));
      Cthixorat[d] = (inertia(d) + F * Cjdist[d] / bedFaceAz(d)) / resistance(d);
    }
  }
  // Counters from the ratio.
  for (int c = L.first; c <= L.last; ++c) {
    if (!isTop(L, c)) continue;
    for (int d = c, guard = 0; inLayer(L, d) && guard <= NoCells; d = Ccellb[d], ++guard) {
      const double r = Cthixorat[d];
      if (Ccellb[d] == 0)
        Cthixolev[d] = 0;
      else if (r > 1.1 && (isTop(L, d) || aboveLevel(d)))
        Cthixolev[d] = raisedCounter(Cthixolev[d], r);
      else if (r < 0.9)
        --Cthixolev[d];
    }
  }
  spreadUpwards(L);
  Cthixolev[0] = 0;
  // Layer level of the resting cells.
  if (Bthixolev && Cbed) {
    for (int c = L.first; c <= L.last; ++c) {
      double* B = levelOf(c);
      if (Cthixolev[c] > 1 || !B) continue;
      const int t = Ccellt[c];
      if (isTop(L, c))
        *B = 0.9 * *B + 0.1 * (Czcenter[c] + Ckdist[c]);
      else if (t > 0 && Cthixolev[t] > 0)
        *B = 0.9 * *B + 0.05 * (Czcenter[t] + Czcenter[c]);
    }
  }
  smoothLevels(L);
  for (int c = L.first; c <= L.last; ++c) {
    const double* B = levelOf(c);
    if (!B) continue;
    if (Czcenter[c] > *B && Cthixolev[c] <= 1)
      ++Cthixolev[c];
    else if (Czcenter[c] < *B && Cthixolev[c] > 0)
      --Cthixolev[c];
  }
  Cthixolev[0] = 0;
}

void ThixoVelDamp() {
  if (!Cthixolev || !Cthixorat || NoBlocks < 1) return;
  int n = 0;
  if (block[1].subBed > 0)
    n = 1;
  else if (NoBlocks >= 2 && block[2].subBed > 0)
    n = 2;
  if (n == 0) return;
  const int first = std::max(block[n].firstCell, 1), last = std::min(block[n].lastCell, NoCells);
  const int rule = FlagThixoDampVel;
  auto scale = [](int c, double f) {
    Cxvel[c] *= f;
    Cyvel[c] *= f;
    Czvel[c] *= f;
  };
  for (int c = first; c <= last; ++c) {
    const double r = Cthixorat[c];
    switch (rule) {
      case 1:
        if (Cthixolev[c] < 1) scale(c, 0.0);
        break;
      case 2:
        if (r < 0.0) scale(c, 0.0);
        break;
      case 3:
        if (r < 1.0) scale(c, 0.0);
        break;
      case 4:
        // A damping factor between 0 and 1: a negative ratio stops the cell.
        scale(c, std::clamp(r, 0.0, 1.0));
        break;
      case 5: {
        double f = std::min(1.0, r);
        const int fw = Cflatew[c];
        if (Fflux[fw] < 0.0 && Ccelle[c] > 0) f = std::min(f, Cthixorat[Ccelle[c]]);
        if (Fflux[fw] > 0.0 && Ccellw[c] > 0) f = std::min(f, Cthixorat[Ccellw[c]]);
        if (Ccells[c] > 0) f = std::min(f, Cthixorat[Ccells[c]]);
        if (Ccelln[c] > 0) f = std::min(f, Cthixorat[Ccelln[c]]);
        f = std::max(f, 0.0);
        scale(c, f * f * f * f);
        break;
      }
      case 6: {
        const double* B = levelOf(c);
        if (B && Czcenter[c] < *B) scale(c, 0.0);
        break;
      }
      case 7:
        if (Ccellb[c] == 0) scale(c, 0.0);
        break;
      default:
        break;
    }
  }
}

void wall_thixo() {
  int n = 0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b)
    if (block[b].subBed == 1) n = b;
  if (n == 0 || !Bcellt) return;
  const int first = std::max(block[n].firstBedCell, 1), last = block[n].lastBedCell;
  if (last == 0 || first > last) return;
  for (int b = first; b <= last && bedOk(b); ++b) {
    const int bottom = Bcellt[b];
    if (bottom < 1 || bottom > NoCells) continue;
    const int c = Ccellt[bottom];
    if (c > 0 && c <= NoCells) Cap[c] += ThixoMinGamma * Farea[Cflateb[c]] / Ckdist[c];
  }
}
