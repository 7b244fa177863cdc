// Epsilon of the one-equation turbulence models: after the k equation the
// dissipation rate follows from k and a length, in place of its own equation.
//   F 24 18: coeffEpsilon k^2 / Cgamma (coeffEpsilon 90 inverts the k-epsilon
//            viscosity 90 k^2/epsilon; the default F 527 value is 1)
//   F 24 19: coeffEpsilon k^1.5 / (height of the near-bed density current)
//   F 24 20: coeffEpsilon k^1.5 / (water depth of the column)
#include <cmath>

#include "state/log.h"
#include "physics/physics.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

[[noreturn]] void refuse() { fatal(-8, "Error in combination of F 24 and F 328 in control file\n\n"); }

// The length of the column of cell c from the bed-cell array `len`.
double columnLength(const double* len, int c) {
  const int b = Cbed[c];
  return b >= 1 && b < bedCellCapacity() ? len[b] : 0.0;
}

}  // namespace

void computeEpsilon() {
  const int model = TurbulenceModel;
  if (model < 18 || model > 20 || (model == 19 && !BTheight) || (model == 20 && !Bdepth)) refuse();
  const double a = coeffEpsilon;
  for (int c = WCStart; c <= WCEnd; ++c) {
    const double k = Ckinen[c];
    if (model == 18)
      Cepsilon[c] = a * k * k / (Cgamma[c] + 1e-20);
    else
      Cepsilon[c] = a * std::pow(k, 1.5) / (columnLength(model == 19 ? BTheight : Bdepth, c) + 1e-20);
  }
}
