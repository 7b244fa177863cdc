// The start fields of G 18 records as the control file gives them: every
// value of a record reaches every cell, from cell 0 on.
#include <gtest/gtest.h>

#include <string>

#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/control_rows.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

// A record gives u, v, w, pressure, k and epsilon in this order; CinvAp and
// the total concentration start at 0. Records apply one after the other, so
// the last one wins, except that a pressure not above 0 leaves the pressure
// as it stood: the earlier record's, or the hydrostatic start of F 181
// (9810 x depth of the cell centre; three cells of 1 m under 3 m of water).
TEST(StartFields, EveryValueOfG18Records) {
  struct Case {
    const char* control;
    int gravity;
    double u, v, w, k, eps;
    double pres[3];  // cells 1..3, bottom first
  };
  const Case cases[] = {
      {"G 18 0.1 0.2 0.3 4000 0.05 0.006\n", 0, 0.1, 0.2, 0.3, 0.05, 0.006, {4000, 4000, 4000}},
      {"G 18 0.1 0.2 0.3 4000 0.05 0.006\nG 18 -0.4 0.5 -0.6 0 0.07 0.008\n", 0, -0.4, 0.5, -0.6, 0.07, 0.008,
       {4000, 4000, 4000}},
      {"G 18 1 2 3 -5 4 5\n", 1, 1, 2, 3, 4, 5, {24525, 14715, 4905}},
      {"G 18 1 2 3 700 4 5\n", 1, 1, 2, 3, 4, 5, {700, 700, 700}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.control);
    InProjectDir p;
    readControlText(k.control);
    SmallGrid g;
    g.nx = 1, g.ny = 1, g.nz = 3;
    g.water = [](int, int) { return 3.0; };
    MaxCeller = 100, MaxFlater = 400, MaxPunkter = 200;
    g.build();
    FlagGravity = k.gravity;
    for (int c = 0; c <= NoCells; ++c)
      Cxvel[c] = Cyvel[c] = Czvel[c] = Cpres[c] = Ckinen[c] = Cepsilon[c] = CinvAp[c] = Cconc[0][c] = 99.0;
    startup();
    for (int c = 0; c <= NoCells; ++c) {
      SCOPED_TRACE(c);
      EXPECT_DOUBLE_EQ(Cxvel[c], k.u);
      EXPECT_DOUBLE_EQ(Cyvel[c], k.v);
      EXPECT_DOUBLE_EQ(Czvel[c], k.w);
      EXPECT_DOUBLE_EQ(Ckinen[c], k.k);
      EXPECT_DOUBLE_EQ(Cepsilon[c], k.eps);
      EXPECT_EQ(CinvAp[c], 0.0);
      EXPECT_EQ(Cconc[0][c], 0.0);
    }
    for (int m = 1; m <= 3; ++m) EXPECT_DOUBLE_EQ(Cpres[g.cell(2, 2, m)], k.pres[m - 1]) << "cell " << m;
    // A record's pressure reaches cell 0 as well.
    if (k.gravity == 0 || k.pres[0] == k.pres[2]) { EXPECT_DOUBLE_EQ(Cpres[0], k.pres[0]); }
  }
}
