// Interpolation points `interpol`: the records are found by their letter,
// every other character is passed over.
//   M x y          a point
//   N x y change   a point with a measured bed change (m)
//   T time x y     a point with a time (s)
//   C              marks the point read last
#include "io/gridfiles.h"
#include "state/log.h"
#include "state/scanner.h"
#include "state/runstate.h"

namespace {
constexpr int kMaxPoints = 10000;
}  // namespace

void readInterpol() {
  Scanner s;
  if (!s.open("interpol")) {
    logf("Warning: Have not been able to open interpol file\n\n");
    NoInterpol = -2;
    return;
  }
  FlagBechInt = 0;
  bechMeasAv = 0.0;
  int n = 0;
  for (;;) {
    const std::size_t at = s.position();
    const int ch = s.get();
    if (ch < 0) break;
    if (ch == 'C') {
      if (n > 0)
        cint[n - 1] = 1;
      else
        logf("Warning: a C record before the first point of the interpol file is passed over\n");
      continue;
    }
    if (ch != 'M' && ch != 'N' && ch != 'T') continue;
    if (n >= kMaxPoints) {
      logf("Warning: the interpol file holds more than %d points; the first %d are used\n", kMaxPoints, kMaxPoints);
      break;
    }
    double v[3];
    const int count = ch == 'M' ? 2 : 3;
    if (s.readDoubles(v, count) != count) {
      recordFailed(s, at, "interpol", ch == 'M'   ? "an M record is x and y"
                                      : ch == 'N' ? "an N record is x, y and the measured bed change"
                                                  : "a T record is the time, x and y",
                   true);
      break;
    }
    cint[n] = 0;
    timeFlags[n] = ch == 'T' ? 1 : 0;
    if (ch == 'T') {
      timeint[n] = v[0];
      xint[n] = v[1];
      yint[n] = v[2];
    } else {
      xint[n] = v[0];
      yint[n] = v[1];
    }
    if (ch == 'N') {
      bechint[n] = v[2];
      ++FlagBechInt;
      bechMeasAv += v[2] < 0 ? -v[2] : v[2];
    }
    ++n;
  }
  NoInterpol = n;
  logf("Have read %d M/N data sets from the interpol file\n", n);
}
