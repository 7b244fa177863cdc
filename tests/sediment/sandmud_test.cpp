// The mud rate of the sand-mud bed concentration from the bed's bulk density,
// worked by hand: rho = 1 - phi + 2.65 phi, fb = 1 above 1.8 else rho / 1.8,
// taum = (0.029 fb^10 / d50 + 51796.8 d50) / 77.5, C = (tau / taum - 1) x
// 4e-6 / (w x 2650), 0 when taum exceeds tau.
#include <gtest/gtest.h>

#include <vector>

#include "sediment/bedconc.h"
#include "state/arrays.h"
#include "state/options.h"
#include "support/in_dir.h"

// A bed of 10 % mud (1 um) and 90 % sand, d50 0.4 mm, fall velocity 0.05 m/s:
//   phi 0.6: rho 1.99, fb 1, taum (72.5 + 20.71872) / 77.5 = 1.2028222 Pa;
//            at 3 Pa C = (3 / 1.2028222 - 1) x 3.0188679e-8 = 4.5105939e-8;
//   phi 0.4: rho 1.66, fb 0.9222222, fb^10 = 0.4449957, taum 0.6836246 Pa;
//            at 3 Pa C = 1.0229051e-7;
//   phi 0.6 at 1 Pa: taum above tau, no mud rate.
TEST(SandMudConcentration, MudRateFromTheBulkDensityOfTheBed) {
  struct Row {
    double solid, tau, C;
  };
  const std::vector<Row> rows = {{0.6, 3.0, 4.5105938880006643e-08}, {0.4, 3.0, 1.0229051012947345e-07}, {0.6, 1.0, 0.0}};
  for (const Row& r : rows) {
    InProjectDir p;
    lnumber = 2;
    gsize[1] = 0.0005, gsize[2] = 1e-6;
    double f[3] = {0, 0.9, 0.1};
    ParvelInput in;
    in.tau = r.tau, in.tauc = 0.2, in.d = 0.0005, in.d50 = 0.0004, in.halfHeight = 0.05, in.H = 1.0, in.fall = 0.05;
    in.solid = r.solid;
    in.fractions = f;
    EXPECT_NEAR(computeConcentrationParvel(in), r.C, 1e-6 * r.C + 1e-20) << r.solid << " " << r.tau;
  }
}
