// Cell velocity-gradient integrals shared by the eddy viscosity and the k
// and epsilon sources. Defined here, inline, so that the cell loops that call
// it for every cell compile it into their own loop.
#pragma once

#include "state/arrays.h"

namespace gradient_detail {

// Differences of u, v, w across cell P between the faces towards m (minus
// side) and p (plus side); a missing neighbour counts as the cell itself.
inline void faceDifference(int P, int m, int p, const double* dist, double d[3]) {
  const double dP = dist[P];
  const int mm = m > 0 ? m : P, pp = p > 0 ? p : P;
  const double fp = dP / (dP + dist[pp]), fm = dP / (dP + dist[mm]);
  const double* f[3] = {Cxvel, Cyvel, Czvel};
  for (int c = 0; c < 3; ++c) d[c] = fp * f[c][pp] - fm * f[c][mm] + (fm - fp) * f[c][P];
}

}  // namespace gradient_detail

// T[r][c]: the volume integral over cell P of d(u_c)/d(x_r) (m3/s), from the
// differences of the face-interpolated velocities along i, j and k and the
// mean area vectors of opposite faces (the side faces without z component).
inline void velocityGradientVolume(int P, double T[3][3]) {
  using gradient_detail::faceDifference;
  double di[3], dj[3], dk[3];
  faceDifference(P, Ccellw[P], Ccelle[P], Cidist, di);
  faceDifference(P, Ccells[P], Ccelln[P], Cjdist, dj);
  faceDifference(P, Ccellb[P], Ccellt[P], Ckdist, dk);
  const int fe = Cflatee[P], fw = Cflatew[P], fs = Cflates[P], fn = Cflaten[P], fb = Cflateb[P], ft = Cflatet[P];
  const double Ai[3] = {0.5 * (Fax[fe] + Fax[fw]), 0.5 * (Fay[fe] + Fay[fw]), 0.0};
  const double Aj[3] = {0.5 * (Fax[fs] + Fax[fn]), 0.5 * (Fay[fs] + Fay[fn]), 0.0};
  const double Ak[3] = {0.5 * (Fax[fb] + Fax[ft]), 0.5 * (Fay[fb] + Fay[ft]), 0.5 * (Faz[fb] + Faz[ft])};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) T[r][c] = di[c] * Ai[r] + dj[c] * Aj[r] + dk[c] * Ak[r];
}
