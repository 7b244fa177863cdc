// Reference pressure of a discharge group from the top cells along its faces.
#include <algorithm>

#include "solvers/pressource.h"
#include "state/arrays.h"
#include "state/records.h"
#include "state/runstate.h"

double findMedianPressure(int g) {
  if (g < 1 || g > 9) return 0.0;
  const DischargeGroup& G = DischargeStruct[g];
  double value[49];
  int m = 0;
  for (int e = 1; e < G.surfno && e < MaxGroupFaces && m < 49; ++e) {
    const int f = G.face[e];
    if (f < 1 || f > NoSurfaces) continue;
    const int c = Fcell1[f] > 0 ? Fcell1[f] : Fcell2[f];
    if (c < 1 || c > NoCells || Ccellt[c] != 0) continue;
    value[m++] = Cpres[c];
  }
  if (m == 0) return 0.0;
  std::sort(value, value + m);
  return m < 3 ? value[m - 1] : value[m / 2 + 1];
}
