#include "grid/inflowprofile.h"

#include <algorithm>
#include <cmath>

#include "state/arrays.h"
#include "state/groups.h"
#include "state/options.h"

double logInflowWeight(double z, double zb, double ks) {
  const double w = std::log(30.0 * (z - zb) / ks);
  return w >= 1e-7 && std::isfinite(w) ? w : 1e-7;
}

void logInflowFluxes(const DischargeGroup& G, double Q, std::vector<double>& flux) {
  const int n = groupFaceCount(G);
  flux.assign(static_cast<std::size_t>(n), 0.0);
  double zb = 100000.0;
  for (int e = 0; e < n; ++e) {
    const int c = groupFaceCell(G.face[e]);
    if (c && Ccellb[c] == 0) zb = std::min(zb, Czcenter[c] - Ckdist[c]);
  }
  double sum = 0.0;
  for (int pass = 0; pass < 2; ++pass) {
    const double q = pass == 1 ? Q / (sum + 1e-30) : 0.0;
    for (int e = n - 1; e >= 0; --e) {
      const int f = G.face[e], c = groupFaceCell(f);
      if (!c) continue;
      if (FlagLogInflow == 2 && Ccellb[c] == 0) zb = Czcenter[c] - Ckdist[c];
      const double wa = logInflowWeight(Czcenter[c], zb, XksInflow) * Farea[f];
      if (pass == 0)
        sum += wa;
      else
        flux[static_cast<std::size_t>(e)] = wa * q;
    }
  }
}

void inflowFaceFluxes(const DischargeGroup& G, double Q, std::vector<double>& flux) {
  if (FlagLogInflow > 0) return logInflowFluxes(G, Q, flux);
  const int n = groupFaceCount(G);
  flux.assign(static_cast<std::size_t>(n), 0.0);
  const double q = Q / (G.area + 1e-30);
  for (int e = 0; e < n; ++e)
    if (groupFaceCell(G.face[e])) flux[static_cast<std::size_t>(e)] = Farea[G.face[e]] * q;
}
