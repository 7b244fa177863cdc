// Reference pressure of a discharge group from the top cells along its faces.
#include <algorithm>

#include "solvers/pressource.h"
#include "state/arrays.h"
#include "state/groups.h"
#include "state/records.h"
#include "state/runstate.h"

// The top-cell pressures of the group's faces, every face of its list in
// order, at most 49 of them; the value at position m/2 + 1 of the sorted m
// values, counted from 0 (the largest when fewer than three were found, 0
// when none).
double findMedianPressure(int g) {
  if (g < 1 || g > 9) return 0.0;
  const DischargeGroup& G = DischargeStruct[g];
  double value[49];
  int m = 0;
  const int n = groupFaceCount(G);
  for (int e = 0; e < n && m < 49; ++e) {
    const int c = groupFaceCell(G.face[e]);
    if (c == 0 || Ccellt[c] != 0) continue;
    value[m++] = Cpres[c];
  }
  if (m == 0) return 0.0;
  std::sort(value, value + m);
  return m < 3 ? value[m - 1] : value[m / 2 + 1];
}
