// Face mass fluxes from the cell velocities, with the Rhie-Chow pressure term
// that ties each face flux to the pressure difference across it.
#include <algorithm>
#include <cmath>

#include "flow/cellequations.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// How the pressure term of a face is formed; fixed for one call.
struct FluxRule {
  bool active = true;         // false: the faces keep their fluxes
  bool crankNicolson = true;  // face velocity averaged with the old one
  bool seicheRule = true;     // no pressure term on bottom/top faces (F 69 Seiche2 >= 10)
  bool oneFarCell = false;    // a pressure term when one far cell exists
  bool oneSidedFar = false;   // missing far cell: the plain difference (else the second-order end form)
  bool unweighted = false;    // bracket (g1 + g2)/2 - dp instead of the distance-weighted one
  bool hydrostatic = false;   // side faces carry the hydrostatic part (F 36 11)
  bool doubleAtTriangles = false;
  bool thinColumns = false;   // single-cell columns thinner than MinVertDist0 get none
  bool density = false;       // density-gradient form (F 69 Seiche6)
  int limit = 0;              // 1 always, 2 only at triangle cells: |R| <= 0.2 |V|
  bool shallowSides = false;  // side faces with Fdz < MinVertDist carry nothing (F 113 2)
};

FluxRule fluxRule() {
  FluxRule r;
  if (FlagTFS == 11) {
    r.hydrostatic = true;
    return r;
  }
  if (FlagCorrTrekant == 13) {
    r.crankNicolson = r.seicheRule = false;
    r.doubleAtTriangles = true;
    return r;
  }
  switch (FlagRhieChow) {
    case 1:
      return r;
    case 2:
      r.shallowSides = true;
      return r;
    case 3:
    case 4:
      r.oneFarCell = r.oneSidedFar = true;
      r.limit = FlagRhieChow == 4 ? 1 : 0;
      return r;
    case 5:
      r.oneFarCell = true;
      r.crankNicolson = false;
      r.thinColumns = true;
      return r;
    case 6:
      r.oneFarCell = r.unweighted = true;
      return r;
    case 7:
      r.unweighted = true;
      r.limit = 1;
      return r;
    case 8:
      r.unweighted = true;
      r.crankNicolson = r.seicheRule = false;
      r.limit = 2;
      return r;
    default:
      break;
  }
  if (Seiche6 > 0) {
    r.oneFarCell = r.density = true;
    return r;
  }
  if (FlagRhieChow == 0 && Seiche6 == 0) return r;
  r.active = false;
  return r;
}

inline bool triangle(int c) { return Ctrekant && Ctrekant[c] > 0; }

double faceFlux(int i, const FluxRule& r, bool cn) {
  const int c1 = Fcell1[i], c2 = Fcell2[i];
  if (c1 <= 0 || c2 <= 0 || c1 > NoCells || c2 > NoCells) return 0.0;
  const double w1 = Fdist2[i] / (Fdist1[i] + Fdist2[i] + 1e-30), w2 = 1.0 - w1;
  double uf = w1 * Cxvel[c1] + w2 * Cxvel[c2];
  double vf = w1 * Cyvel[c1] + w2 * Cyvel[c2];
  double wf = w1 * Czvel[c1] + w2 * Czvel[c2];
  if (cn && r.crankNicolson) {
    uf = 0.5 * (uf + w1 * Cxvel_old[c1] + w2 * Cxvel_old[c2]);
    vf = 0.5 * (vf + w1 * Cyvel_old[c1] + w2 * Cyvel_old[c2]);
    wf = 0.5 * (wf + w1 * Czvel_old[c1] + w2 * Czvel_old[c2]);
  }
  const double V = uf * Fax[i] + vf * Fay[i] + wf * Faz[i];

  const int c11 = Fcell11[i], c22 = Fcell22[i];
  const bool has11 = c11 > 0 && c11 <= NoCells, has22 = c22 > 0 && c22 <= NoCells;
  double R = 0.0;
  bool seicheZero = false;
  if (has11 && has22 ? true : (r.oneFarCell && (has11 || has22))) {
    const double* p = Cpres;
    const double dp = p[c2] - p[c1];
    double g1, g2;
    if (has11) {
      g1 = 0.5 * (p[c2] - p[c11]);
    } else {
      g1 = r.oneSidedFar ? dp : 0.5 * (4.0 * p[c2] - 3.0 * p[c1] - p[c22]);
    }
    if (has22) {
      g2 = 0.5 * (p[c22] - p[c1]);
    } else {
      g2 = r.oneSidedFar ? dp : 0.5 * (3.0 * p[c2] - 4.0 * p[c1] + p[c11]);
    }
    double K = (w1 * CinvAp[c1] + w2 * CinvAp[c2]) * invRelaxVelocity * std::fabs(RelaxRhieChow) * Farea[i] * Farea[i];
    if (r.doubleAtTriangles && (triangle(c1) || triangle(c2))) K *= 2.0;
    double bracket;
    if (r.hydrostatic && Ftype1[i] <= 4) {
      const double* z = Czcenter;
      bracket = w1 * (g1 + 4905.0 * (z[c2] - (has11 ? z[c11] : z[c1]))) +
                w2 * (g2 + 4905.0 * (z[has22 ? c22 : c2] - z[c1])) - dp - 9810.0 * (z[c2] - z[c1]);
    } else if (r.unweighted) {
      bracket = 0.5 * (g1 + g2) - dp;
    } else {
      if (r.density) {
        if (Ftype1[i] == 1 || Ftype2[i] == 1) {
          g1 += 0.5 * Cdensgradj[c1];
          g2 += 0.5 * Cdensgradj[c2];
        } else if (Ftype1[i] == 2 || Ftype2[i] == 2) {
          g1 += 0.5 * Cdensgradi[c1];
          g2 += 0.5 * Cdensgradi[c2];
        }
      }
      bracket = w1 * g1 + w2 * g2 - dp;
      if (r.density && (Ftype1[i] == 1 || Ftype2[i] == 1 || Ftype1[i] == 2 || Ftype2[i] == 2)) bracket -= Fdgrad[i];
    }
    R = K * bracket;
    if (r.thinColumns && Ccellb[c1] == 0 && Ccellt[c1] == 0 && Ccellb[c2] == 0 && Ccellt[c2] == 0 &&
        (Ckdist[c2] < MinVertDist0 || Ckdist[c1] < MinVertDist0))
      R = 0.0;
    if (r.seicheRule && Seiche2 >= 10 && (Ftype1[i] == 5 || Ftype2[i] == 5)) {
      R = 0.0;
      seicheZero = true;
    }
    if (!seicheZero && (r.limit == 1 || (r.limit == 2 && (triangle(c1) || triangle(c2))))) {
      const double cap = 0.2 * std::fabs(V);
      if (std::fabs(R) > cap) R = R > 0.0 ? cap : -cap;
    }
  }
  double F = 1000.0 * (V + R);
  if (r.shallowSides && Ftype1[i] <= 4 && Fdz[i] < MinVertDist) F = 0.0;
  return F;
}

// F 203 4: flux through a flat top face between two cells limited by the
// horizontal speed of the pair.
void limitFlatTopFace(int i) {
  const int c1 = Fcell1[i], c2 = Fcell2[i];
  if (c1 <= 0 || c2 <= 0 || c1 > NoCells || c2 > NoCells) return;
  if (Ftype1[i] != 6 && Ftype2[i] != 6) return;
  const double r =
      (Ckdist[c1] + Ckdist[c2]) / (Cidist[c1] + Cidist[c2] + Cjdist[c1] + Cjdist[c2] + 1e-30);
  if (!(r < 0.01)) return;
  const double uh1 = std::hypot(Cxvel[c1], Cyvel[c1]), uh2 = std::hypot(Cxvel[c2], Cyvel[c2]);
  const double cap = 1000.0 * Farea[i] * r * 0.5 * (uh1 + uh2);
  Fflux[i] = std::clamp(Fflux[i], -cap, cap);
}

// The flux through a top face from the velocity of the cell below it.
void topFaceFlux(int i, bool cn) {
  const int c = Fcell1[i];
  if (c <= 0 || c > NoCells || Cflatet[c] != i) return;
  double u = Cxvel[c], v = Cyvel[c], w = Czvel[c];
  if (cn) {
    u = 0.5 * (u + Cxvel_old[c]);
    v = 0.5 * (v + Cyvel_old[c]);
    w = 0.5 * (w + Czvel_old[c]);
  }
  Fflux[i] = 1000.0 * (u * Fax[i] + v * Fay[i] + w * Faz[i]);
}

inline bool faceOk(int f) { return f >= 1 && f <= NoSurfaces; }
inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

// Own face of cell c on one side takes the sum of the opposite faces of its
// quasi-neighbour list cells.
void sumListFaces(const int* count, int* const* list, const int* own, const int* opposite) {
  if (!count || !list) return;
  for (int c = 1; c <= NoCells; ++c) {
    const int n = count[c];
    if (n <= 0 || !list[c]) continue;
    const int first = list[c][0];
    double s = 0.0;
    for (int k = 0; k < n; ++k) {
      const int q = first + k;
      if (cellOk(q) && faceOk(opposite[q])) s += Fflux[opposite[q]];
    }
    if (faceOk(own[c])) Fflux[own[c]] = s;
  }
}

// Sum of Fflux over one side of every cell of the columns (i, j), j over
// the window, each walked up from its lowest cell.
template <typename Fn>
void forEdgeColumns(int i, int j1, int j2, Fn fn) {
  if (!zval || i < 0 || i > xnumber + 1) return;
  for (int j = std::max(j1, 0); j <= std::min(j2, ynumber + 1); ++j) {
    int c = static_cast<int>(zval[i][j][0]);
    for (int guard = 0; cellOk(c) && guard <= NoCells; c = Ccellt[c], ++guard) fn(c);
  }
}

}  // namespace

void waterflowFaces(int first, int last) {
  first = std::max(first, 1);
  last = std::min(last, NoSurfaces);
  const FluxRule r = fluxRule();
  const bool cn = CrankNicols > 1e-8 && Cxvel_old && Cyvel_old && Czvel_old;
  if (r.active)
    for (int i = first; i <= last; ++i) Fflux[i] = faceFlux(i, r, cn);
  if (FlagVertVelStab == 4)
    for (int i = first; i <= last; ++i) limitFlatTopFace(i);
  if (FlagTFS == 50 || FlagSurfFlux == 1)
    for (int i = first; i <= last; ++i) topFaceFlux(i, cn);
}

void sumQuasiNeighbourFluxes() {
  sumListFaces(Cncelle, Cqncelle, Cflatee, Cflatew);
  sumListFaces(Cncellw, Cqncellw, Cflatew, Cflatee);
  sumListFaces(Cncells, Cqncells, Cflates, Cflaten);
  sumListFaces(Cncelln, Cqncelln, Cflaten, Cflates);
}

void waterflowWhole() {
  if (Npflate)
    for (int k = 1; k <= NoNestflater; ++k)
      if (faceOk(Npflate[k])) Fflux[Npflate[k]] = 0.0;
  if (QNFlag > 0) sumQuasiNeighbourFluxes();
  if (UnevenConnect > 0) correctFluxUneven();
}

void waterflow(int first, int last) {
  waterflowFaces(first, last);
  waterflowWhole();
}

void waterflowStage(bool parallel) {
  if (!parallel) {
    waterflow(WFStart, WFEnd);
    return;
  }
  forEachChunk([](int p) {
    int lo, hi;
    faceChunk(p, lo, hi);
    if (lo <= hi) waterflowFaces(lo, hi);
  });
  waterflowWhole();
}

void correctFluxUneven() {
  if (NoBlocks < 2) return;
  const BlockRecord &b1 = block[1], &b2 = block[2];
  // Set E: the columns whose east faces are scaled; set W: west faces.
  int iE, jE1, jE2, iW, jW1, jW2;
  if (UnevenConnect == 1) {
    iE = b1.i2, jE1 = b1.j1, jE2 = b1.j2;
    iW = b2.i1, jW1 = b2.j1, jW2 = b2.j2;
  } else {
    iE = b2.i1, jE1 = b2.j1, jE2 = b2.j2;
    iW = b1.i2, jW1 = b1.j1, jW2 = b1.j2;
  }
  double QE = 0.0, QW = 0.0;
  forEdgeColumns(iE, jE1, jE2, [&](int c) {
    if (faceOk(Cflatee[c])) QE += Fflux[Cflatee[c]];
  });
  forEdgeColumns(iW, jW1, jW2, [&](int c) {
    if (faceOk(Cflatew[c])) QW += Fflux[Cflatew[c]];
  });
  // An edge that carries nothing cannot be scaled to the mean; leave both.
  if (QE == 0.0 || QW == 0.0) return;
  const double Q = 0.5 * (QE + QW), sE = Q / QE, sW = Q / QW;
  forEdgeColumns(iE, jE1, jE2, [&](int c) {
    if (faceOk(Cflatee[c])) Fflux[Cflatee[c]] *= sE;
  });
  forEdgeColumns(iW, jW1, jW2, [&](int c) {
    if (faceOk(Cflatew[c])) Fflux[Cflatew[c]] *= sW;
  });
}
