// The modular wall law (F 305 1), face by face on all six faces, and the
// river law (F 305 2): no lid friction, and the bed friction of the
// velocities shared by the cells that lie within the bed-form height.
// Both work with Cmu 0.09 and leave Xkappa and XksWall alone.
#include <algorithm>
#include <cmath>

#include "physics/physics.h"
#include "physics/walllaw.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

struct FaceState {
  double y, kc, a, yplus, uplus;
};

// The quantities of cell c at the wall distance d.
FaceState faceState(int c, double d) {
  FaceState s;
  s.y = wallDistance(d);
  s.kc = Ckinen[c] > ArtMinKinen ? Ckinen[c] : ArtMinKinen;
  s.a = 31.62 * std::sqrt(300.0 * s.kc);
  s.yplus = 1e6 * s.y * std::sqrt(300.0 * Ckinen[c] * 0.001);
  s.uplus = wall_laws_uplus(s.yplus, s.y / (Croughness[c] + 1e-20));
  return s;
}

double faceDistance(const double* dist, int c) { return dist[c]; }

// The friction coefficient and the source of face f of cell c, with the
// full three-dimensional normal at every face.
void faceFriction(int c, int f, double d, double& cf, double& source) {
  const FaceState s = faceState(c, d);
  const double nx = Fvx[f], ny = Fvy[f], nz = Fvz[f];
  const double ne = Equation == 1 ? nx : Equation == 2 ? ny : nz;
  cf = s.a * Farea[f] / s.uplus;
  source = cf * (nx * Cxvel[c] + ny * Cyvel[c] + nz * Czvel[c]) * ne;
}

bool pairWall(int c, const int* f1, const int* f2) { return isWall(f1[c]) || isWall(f2[c]); }

// Height of the bed forms of the column of c; 0 without them.
double bedFormHeight(int c) {
  if (!Bedformheight) return 0.0;
  const int b = Cbed[c];
  return b >= 1 && b < bedCellCapacity() ? Bedformheight[b] : 0.0;
}

// The cells from c upwards whose centres lie within the bed-form height
// h, at least c itself: returns their count, and the cell above the last
// of them in 'beyond' (0 when the bed forms reach above the column).
int bedFormCells(int c, double h, int& beyond) {
  double z = Ckdist[c];
  int n = 1, cur = c;
  beyond = Ccellt[c];
  if (z > h) return 1;
  for (int guard = 0; guard <= NoCells; ++guard) {
    const int m = Ccellt[cur];
    beyond = m;
    if (m <= 0) return n;  // bed forms above the top centre: the whole column shares
    z += Ckdist[cur] + Ckdist[m];
    if (z > h) return n;
    ++n;
    cur = m;
  }
  return n;
}

// The bed friction of the river law for the cells of a..b: each cell gets
// its share of the friction of the bed faces below it in its column. A
// chunk writes only its own cells, so any cut of the range gives the same.
void riverBedShares(int a, int b) {
  for (int n = a; n <= b; ++n) {
    const int below = Ccellb[n];
    if (below >= a && below <= b) continue;  // the column is handled from its lowest cell in a..b
    int bottom = n;
    for (int guard = 0; Ccellb[bottom] > 0 && guard <= NoCells; ++guard) bottom = Ccellb[bottom];
    bool lowest = true;
    for (int m = bottom, guard = 0; m > 0 && m != n && guard <= NoCells; m = Ccellt[m], ++guard)
      if (m >= a && m <= b) lowest = false;
    if (!lowest) continue;
    for (int c = bottom, guard = 0; c > 0 && guard <= NoCells; c = Ccellt[c], ++guard) {
      if (!isWall(Cflateb[c])) continue;
      double cf, source;
      faceFriction(c, Cflateb[c], Ckdist[c], cf, source);
      if (c >= a && c <= b) Csource[c] += source;
      int beyond;
      const int count = bedFormCells(c, bedFormHeight(c), beyond);
      int m = c;
      for (int i = 0; i < count && m > 0; ++i, m = Ccellt[m])
        if (m >= a && m <= b) Cap[m] += cf / count;
    }
  }
}

}  // namespace

double wall_laws_uplus(double yplus, double r) {
  if (FlagWallAll == 5) return yplus < 11.63 ? yplus : 2.5 * std::log(9.0 * yplus);
  if (FlagWallAll == 8) {
    const double ksp = yplus / r;
    double up;
    if (ksp < 2.25)
      up = 2.5 * std::log(9.0 * yplus);
    else if (ksp <= 90.0)
      up = std::sin(0.4258 * (std::log(ksp) - 0.811)) * (3.0 - 2.5 * std::log(ksp)) + 2.5 * std::log(yplus) + 5.5;
    else
      up = 2.5 * std::log(30.0 * r);
    if (yplus < 11.7) up *= yplus / 11.7;
    return std::max(up, 0.025);
  }
  // F 15 0; the reader refuses the modular laws with the other families.
  return std::max(2.5 * std::log(30.0 * r), MinUPlus);
}

void wall_laws_surface_u(int c, const int* faces, const double* dist) {
  double cf, source;
  faceFriction(c, faces[c], faceDistance(dist, c), cf, source);
  Cap[c] += cf;
  Csource[c] += source;
}

void wall_laws_surface_k(int c, const double* dist) {
  const FaceState s = faceState(c, faceDistance(dist, c));
  Cap[c] += std::sqrt(s.kc) * 1000.0 * std::pow(0.09, 0.75) * s.uplus / s.y * Cvol[c];
  Csource[c] += s.a / s.uplus * speed2(c) / s.y * Cvol[c];
}

void wall_laws_surface_eps(int c, const double* dist) {
  if (TurbulenceModel == 14 || TurbulenceModel == 15) return;
  const double d = faceDistance(dist, c);
  const double kc = Ckinen[c] > ArtMinKinen ? Ckinen[c] : ArtMinKinen;
  Cap[c] += 1e30;
  if (TurbulenceModel == 16) {
    // omega = sqrt(k) / (Cmu^0.25 kappa y)
    Csource[c] += 1e30 * std::sqrt(kc) / (d >= 1000.0 ? 1000.0 * 0.21908 : 0.21908 * d + 1e-20);
  } else {
    Csource[c] += 0.1643 * 1e30 * std::pow(kc, 1.5) / (0.4 * wallDistance(d));
  }
}

void wall_laws_new(int a, int b) {
  for (int c = a; c <= b; ++c)
    if (touchesWall(c)) Cap[c] = Csource[c] = 0.0;
  if (Equation >= 1 && Equation <= 3) {
    for (int c = a; c <= b; ++c) {
      if (isWall(Cflatee[c])) wall_laws_surface_u(c, Cflatee, Cidist);
      if (isWall(Cflatew[c])) wall_laws_surface_u(c, Cflatew, Cidist);
      if (isWall(Cflates[c])) wall_laws_surface_u(c, Cflates, Cjdist);
      if (isWall(Cflaten[c])) wall_laws_surface_u(c, Cflaten, Cjdist);
      if (isWall(Cflatet[c])) wall_laws_surface_u(c, Cflatet, Ckdist);
      if (isWall(Cflateb[c])) wall_laws_surface_u(c, Cflateb, Ckdist);
    }
  } else if (Equation == 5 || Equation == 6) {
    auto term = Equation == 5 ? wall_laws_surface_k : wall_laws_surface_eps;
    for (int c = a; c <= b; ++c) {
      if (pairWall(c, Cflatee, Cflatew)) term(c, Cidist);
      if (pairWall(c, Cflaten, Cflates)) term(c, Cjdist);
      if (pairWall(c, Cflatet, Cflateb)) term(c, Ckdist);
    }
  }
}

void wall_laws_river(int a, int b) {
  if (!(Equation >= 1 && Equation <= 3) && Equation != 5 && Equation != 6) return;
  for (int c = a; c <= b; ++c)
    if (isWall(Cflatee[c]) || isWall(Cflatew[c]) || isWall(Cflates[c]) || isWall(Cflaten[c]) || isWall(Cflateb[c]))
      Cap[c] = Csource[c] = 0.0;
  if (Equation >= 1 && Equation <= 3) {
    for (int c = a; c <= b; ++c) {
      if (isWall(Cflatee[c])) wall_laws_surface_u(c, Cflatee, Cidist);
      if (isWall(Cflatew[c])) wall_laws_surface_u(c, Cflatew, Cidist);
      if (isWall(Cflates[c])) wall_laws_surface_u(c, Cflates, Cjdist);
      if (isWall(Cflaten[c])) wall_laws_surface_u(c, Cflaten, Cjdist);
    }
    riverBedShares(a, b);
    return;
  }
  auto term = Equation == 5 ? wall_laws_surface_k : wall_laws_surface_eps;
  for (int c = a; c <= b; ++c) {
    if (pairWall(c, Cflatee, Cflatew)) term(c, Cidist);
    if (pairWall(c, Cflaten, Cflates)) term(c, Cjdist);
    if (isWall(Cflateb[c])) term(c, Ckdist);
  }
}
