// Coefficient trap of the parallel coefficient build (F 223): the neighbour
// coefficients are filled with a marker before the build, and every one still
// clearly negative afterwards was written by no chunk. Genuine coefficients
// are never negative.
#include <algorithm>

#include "flow/control.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

constexpr double kMarker = -10.0;
// Below this a coefficient was not set.
constexpr double kUnset = -0.01;

// The cells of first..last that the arrays hold.
inline int firstCell(int first) { return std::max(first, 1); }
inline int lastCell(int last) { return std::min({last, NoCells, MaxCeller - 1}); }

}  // namespace

// Writes only the cells of its own range: safe on each chunk of a parallel
// stage.
void ompbugtrapFunction(int first, int last) {
  if (!Cae || !Caw || !Can || !Cas || !Cat || !Cab) return;
  const int lo = firstCell(first), hi = lastCell(last);
  for (int c = lo; c <= hi; ++c) Cat[c] = Cab[c] = Caw[c] = Cae[c] = Cas[c] = Can[c] = kMarker;
  if (sou[1] != 1 || ompbugtrap != 2) return;
  if (!Catt || !Cabb || !Caww || !Caee || !Cass || !Cann) return;
  for (int c = lo; c <= hi; ++c) Catt[c] = Cabb[c] = Caww[c] = Caee[c] = Cass[c] = Cann[c] = kMarker;
}

// Main thread, after the build. Checks with F 223 1 and 2 alike: with 2 the
// markers would otherwise reach the solver unreported. The computation goes
// on; the run then ends with a failure status.
void computeOmpbugtrap() {
  if (ompbugtrap != 1 && ompbugtrap != 2) return;
  if (!Cae || !Caw || !Can || !Cas || !Cat || !Cab) return;
  const int lo = firstCell(WCStart), hi = lastCell(WCEnd);
  for (int c = lo; c <= hi; ++c) {
    if (Cab[c] < kUnset) logf("Error in setting coefficients: Cab[%d] = %lf for Iter = %d\n", c, Cab[c], Iter);
    if (Cat[c] < kUnset) logf("Error in setting coefficients: Cat[%d] = %lf for Iter = %d\n", c, Cat[c], Iter);
    if (Cas[c] < kUnset) logf("Error in setting coefficients: Cas[%d] = %lf for Iter = %d\n", c, Cas[c], Iter);
    if (Cae[c] < kUnset) logf("Error in setting coefficients: Cae[%d] = %lf for Iter = %d\n", c, Cae[c], Iter);
    if (Caw[c] < kUnset) logf("Error in setting coefficients: Caw[%d] = %lf for Iter = %d\n", c, Caw[c], Iter);
    if (Can[c] < kUnset) logf("Error in setting coefficients: Can[%d] = %lf for Iter = %d\n", c, Can[c], Iter);
    if (Cab[c] < kUnset || Cat[c] < kUnset || Cas[c] < kUnset || Cae[c] < kUnset || Caw[c] < kUnset || Can[c] < kUnset)
      RunErrorReported = 1;
  }
}
