// The mass defect of the pressure-correction source, cell by cell, with and
// without F 206 threads: each cell of the work range gets its inflow minus
// its outflow through its six faces, the first and the last cell of the
// range included, and the cells outside the range keep their source.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <vector>

#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

TEST(MassDefectThreads, EveryCellOfTheRangeOnAnyThreadCount) {
  struct Row {
    int chunks, threads;
  };
  for (const Row r : {Row{0, 1}, Row{4, 4}, Row{3, 2}}) {
    InProjectDir p;
    const FlowGrid g = FlowGrid::sloping();
    ASSERT_TRUE(g.build());
    // No discharge: the source is the defect of the fluxes alone.
    discharges[1] = discharges[2] = 0.0;
    DischargeStruct[1].discharge = DischargeStruct[2].discharge = 0.0;
    // Fluxes of distinct sizes on every face, 0.01 kg/s apart or more.
    for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.25 * (f % 13) - 1.5 + 0.01 * (f % 7);
    Fflux[0] = 0.0;
    const int first = 2, last = NoCells - 1;
    ASSERT_GT(last - first, 8);
    WCStart = first;
    WCEnd = last;
    for (int c = 0; c <= NoCells; ++c) Csource[c] = 99.0;
    NoProcessesSolver = r.chunks;
    const int saved = omp_get_max_threads();
    omp_set_num_threads(r.threads);
    pressure_fluxes();
    omp_set_num_threads(saved);
    NoProcessesSolver = 0;
    for (int c = 1; c <= NoCells; ++c) {
      if (c < first || c > last) {
        EXPECT_EQ(Csource[c], 99.0) << r.chunks << " chunks, cell " << c;
        continue;
      }
      // In through west, south and bottom; out through east, north and top.
      const double in = Fflux[Cflatew[c]] + Fflux[Cflates[c]] + Fflux[Cflateb[c]];
      const double out = Fflux[Cflatee[c]] + Fflux[Cflaten[c]] + Fflux[Cflatet[c]];
      EXPECT_NEAR(Csource[c], in - out, 1e-12) << r.chunks << " chunks, cell " << c;
    }
  }
}
