// The variants of the SIMPLE corrections, each worked by hand on a channel of
// 1 m by 1 m columns with the pressure correction p' = 100 x + 30 y + 10 z:
// across a cell of sizes (dx, dy, dz) the differences are Di = 100 dx,
// Dj = 30 dy, Dk = 10 dz wherever the neighbour on one side exists, and 0
// along a direction with none. The plain change of a cell is then
//   du = (Cdxdi Ai Di + Cdxdj Aj Dj) / V, dv likewise with Cdydi, Cdydj,
//   dw = (Cdzdi Ai Di + Cdzdj Aj Dj + Cdzdk Ak Dk) / V,
// Ai = 1/ap Careax^2 and so on; each variant gives a share of it.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "solvers/corrections.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

// nx x ny columns of `cells` cells each, `depth` deep, 1/ap everywhere.
void channel(int nx, int ny, int cells, double depth, double invAp) {
  FlowGrid g = FlowGrid::box(nx, ny, depth);
  g.levels = cells + 2;
  ASSERT_TRUE(g.build());
  for (int c = 1; c <= NoCells; ++c) {
    CinvAp[c] = invAp;
    Cxvel[c] = Cyvel[c] = Czvel[c] = 0.0;
  }
}

std::vector<double> linearCorrection() {
  std::vector<double> p(NoCells + 1, 0.0);
  for (int c = 1; c <= NoCells; ++c) p[c] = 100.0 * Cxcenter[c] + 30.0 * Cycenter[c] + 10.0 * Czcenter[c];
  return p;
}

struct Plain {
  double u, v, w;
};
Plain plainChange(int c) {
  const double Di = Ccellw[c] > 0 || Ccelle[c] > 0 ? 100.0 * 2.0 * Cidist[c] : 0.0;
  const double Dj = Ccells[c] > 0 || Ccelln[c] > 0 ? 30.0 * 2.0 * Cjdist[c] : 0.0;
  const double Dk = Ccellb[c] > 0 || Ccellt[c] > 0 ? 10.0 * 2.0 * Ckdist[c] : 0.0;
  const double Ai = CinvAp[c] * Careax[c] * Careax[c], Aj = CinvAp[c] * Careay[c] * Careay[c],
               Ak = CinvAp[c] * Careaz[c] * Careaz[c], V = Cvol[c];
  return {(Cdxdi[c] * Ai * Di + Cdxdj[c] * Aj * Dj) / V, (Cdydi[c] * Ai * Di + Cdydj[c] * Aj * Dj) / V,
          (Cdzdi[c] * Ai * Di + Cdzdj[c] * Aj * Dj + Cdzdk[c] * Ak * Dk) / V};
}

// The cell of column (i, j) (1-based from the south-west), k-th from the bed.
int cellAt(int i, int j, int k = 1) {
  int c = static_cast<int>(zval[block[1].i1 + i - 1][block[1].j1 + j - 1][0]);
  for (int n = 1; n < k && c > 0; ++n) c = Ccellt[c];
  return c;
}

}  // namespace

// Velocity variants on single-cell columns (4 x 3 columns of one 1 m cell,
// Ckdist 0.5; a corner cell lacks w and s, an inner cell has all four) and
// on stacked columns (three cells):
//   1: a thin edge cell (single, Ckdist <= F 86 / 2, a lateral neighbour
//      missing) keeps its velocity: at F 86 1.0 the corner is thin, at 0.999
//      it is not; an inner cell is always corrected.
//   2: also the cells whose column's bottom cell has fewer than two lateral
//      neighbours (the ends of a single row of columns).
//   4: a single cell without a complete pair moves by 1/ap Careax Careay
//      (Careay doubled here: u twice, v half the plain change).
//   5: such a cell takes Ai for both terms (v a quarter) and its u change is
//      limited to 0.2 |u| (u = 1: 0.2; u = 0: none).
//   7: a thin single cell (Ckdist not above F 94 / 2) with a closed lateral
//      face keeps its velocity.
//   8: a one-sided Di is halved when the face on the missing side is closed.
//   9: as 8, times min(Cthixorat, 1)^3 = 0.125.
//   11: only the vertical term of w.
//   50: single cells without Dk and with a missing neighbour (even one of
//      four) at half.
//   51: 1/V capped at 3 / (1 m * 1 m * F 94): 0.5 with F 94 6.
//   D (F 291 third value 2): cells whose bed cell is over 1.1 times their
//      bottom face at 0.5 / 2.
//   F 69 third value 1 leaves w of variant 1 alone.
TEST(CorrectionVariants, VelocityShareOfEachVariant) {
  struct Case {
    const char* what;
    int nx, ny, cells;
    int i, j, k;  // the cell looked at
    std::function<void(int c)> set;
    double fu, fv, fw;
    double u0 = 0.0;  // u before the correction
  };
  static std::vector<double> thixo;
  const std::vector<Case> cases = {
      {"1, thin corner", 4, 3, 1, 1, 1, 1, [](int) { FlagSimpleCorrections = 1, MinVertDist = 1.0; }, 0, 0, 0},
      {"1, corner not thin", 4, 3, 1, 1, 1, 1, [](int) { FlagSimpleCorrections = 1, MinVertDist = 0.999; }, 1, 1, 1},
      {"1, thin inner cell", 4, 3, 1, 2, 2, 1, [](int) { FlagSimpleCorrections = 1, MinVertDist = 1.0; }, 1, 1, 1},
      {"1, stacked, w", 4, 3, 3, 2, 2, 2, [](int) { FlagSimpleCorrections = 1; }, 1, 1, 1},
      {"1, stacked, F 69 1", 4, 3, 3, 2, 2, 2, [](int) { FlagSimpleCorrections = 1, Seiche3 = 1; }, 1, 1, 0},
      {"2, end of a row", 4, 1, 1, 1, 1, 1, [](int) { FlagSimpleCorrections = 2; }, 0, 0, 0},
      {"2, inside a row", 4, 1, 1, 2, 1, 1, [](int) { FlagSimpleCorrections = 2; }, 1, 1, 1},
      {"4, corner", 4, 3, 1, 1, 1, 1, [](int c) { FlagSimpleCorrections = 4, Careay[c] *= 2.0; }, 2, 0.5, 0},
      {"4, inner cell", 4, 3, 1, 2, 2, 1, [](int c) { FlagSimpleCorrections = 4, Careay[c] *= 2.0; }, 1, 1, 1},
      {"5, corner, u 1", 4, 3, 1, 1, 1, 1,
       [](int c) { FlagSimpleCorrections = 5, Careay[c] *= 2.0, CinvAp[c] = 1.0; }, NAN, 0.25, 0, 1.0},
      {"5, corner, u 0", 4, 3, 1, 1, 1, 1,
       [](int c) { FlagSimpleCorrections = 5, Careay[c] *= 2.0, CinvAp[c] = 1.0; }, 0, 0.25, 0, 0.0},
      {"7, thin, closed west face", 4, 3, 1, 1, 1, 1,
       [](int c) { FlagSimpleCorrections = 7, MinVertDist0 = 1.0, Farea[Cflatew[c]] = 0.0; }, 0, 0, 0},
      {"7, not thin, closed west face", 4, 3, 1, 1, 1, 1,
       [](int c) { FlagSimpleCorrections = 7, MinVertDist0 = 0.999, Farea[Cflatew[c]] = 0.0; }, 1, 1, 1},
      {"7, thin, open faces", 4, 3, 1, 1, 1, 1, [](int) { FlagSimpleCorrections = 7, MinVertDist0 = 1.0; }, 1, 1, 1},
      {"8, closed west face", 4, 3, 1, 1, 1, 1,
       [](int c) { FlagSimpleCorrections = 8, Farea[Cflatew[c]] = 0.0; }, 0.5, 1, 1},
      {"8, open faces", 4, 3, 1, 1, 1, 1, [](int) { FlagSimpleCorrections = 8; }, 1, 1, 1},
      {"9, closed west face", 4, 3, 1, 1, 1, 1,
       [](int c) {
         FlagSimpleCorrections = 9, Farea[Cflatew[c]] = 0.0;
         thixo.assign(NoCells + 1, 0.5);
         Cthixorat = thixo.data();
       },
       0.0625, 0.125, 0.125},
      {"11, stacked", 4, 3, 3, 2, 2, 2, [](int) { FlagSimpleCorrections = 11; }, 0, 0, 1},
      {"50, single corner", 4, 3, 1, 1, 1, 1, [](int) { FlagSimpleCorrections = 50; }, 0.5, 0.5, 0.5},
      {"50, single inner cell", 4, 3, 1, 2, 2, 1, [](int) { FlagSimpleCorrections = 50; }, 1, 1, 1},
      {"50, single edge cell", 4, 3, 1, 2, 1, 1, [](int) { FlagSimpleCorrections = 50; }, 0.5, 0.5, 0.5},
      {"50, stacked corner", 4, 3, 3, 1, 1, 2, [](int) { FlagSimpleCorrections = 50; }, 1, 1, 1},
      {"51, cap below 1/V", 4, 3, 1, 2, 2, 1, [](int) { FlagSimpleCorrections = 51, MinVertDist0 = 6.0; }, 0.5, 0.5, 0.5},
      {"51, cap above 1/V", 4, 3, 1, 2, 2, 1, [](int) { FlagSimpleCorrections = 51, MinVertDist0 = 1.0; }, 1, 1, 1},
      {"D, steep cell", 4, 3, 3, 2, 2, 2,
       [](int c) { FlagSimpleCorrections = 1, FlagDamp3 = 2, Barea[Cbed[c]] = 1.5 * Faz[Cflateb[c]]; }, 0.25, 0.25, 0.25},
      {"D, plain cell", 4, 3, 3, 2, 2, 2,
       [](int c) { FlagSimpleCorrections = 1, FlagDamp3 = 2, Barea[Cbed[c]] = 1.05 * Faz[Cflateb[c]]; }, 1, 1, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    channel(k.nx, k.ny, k.cells, 1.0, 1e-3);
    std::vector<double> pc = linearCorrection();
    Cf = pc.data();
    const int c = cellAt(k.i, k.j, k.k);
    ASSERT_GT(c, 0);
    k.set(c);
    Cxvel[c] = k.u0;
    const Plain d = plainChange(c);
    ASSERT_GT(std::fabs(d.u), 0.0);
    SimpleCorrections(WFStart, WFEnd, c, c);
    const double du = std::isnan(k.fu) ? 0.2 * std::fabs(k.u0) * (d.u > 0 ? 1.0 : -1.0) : k.fu * d.u;
    EXPECT_NEAR(Cxvel[c], k.u0 - du, 1e-12 * (1.0 + std::fabs(du)));
    EXPECT_NEAR(Cyvel[c], -k.fv * d.v, 1e-12 * (1.0 + std::fabs(d.v)));
    EXPECT_NEAR(Czvel[c], -k.fw * d.w, 1e-12 * (1.0 + std::fabs(d.w)));
    Cthixorat = nullptr;
  }
}

// Variant 3: a column whose depth without its top cell, over the square root
// of its bottom face, is at most 0.1 has u and v changes limited to
// U = 4.54 (h / ks)^(1/6) sqrt(k) of its bottom cell and keeps w; a deeper
// column is corrected in full; a single cell (h = 0, U = 0) keeps all.
// Three cells in 0.12 m: h = 0.08; ks = 0.08 and k = 1e-4 give U = 0.0454.
TEST(CorrectionVariants, ShallowColumnsOfVariant3) {
  struct Case {
    const char* what;
    int cells;
    double depth;
    bool clipped, single;
  };
  const Case cases[] = {{"shallow", 3, 0.12, true, false}, {"deep", 3, 1.0, false, false}, {"single", 1, 1.0, true, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    channel(4, 3, k.cells, k.depth, 1.0);
    std::vector<double> pc = linearCorrection();
    Cf = pc.data();
    FlagSimpleCorrections = 3;
    const int b = cellAt(2, 2, 1), c = cellAt(2, 2, k.cells == 3 ? 2 : 1);
    Croughness[b] = 0.08;
    Ckinen[b] = 1e-4;
    const Plain d = plainChange(c);
    SimpleCorrections(WFStart, WFEnd, c, c);
    if (!k.clipped) {
      EXPECT_NEAR(Cxvel[c], -d.u, 1e-9 * std::fabs(d.u));
      EXPECT_NEAR(Czvel[c], -d.w, 1e-9 * std::fabs(d.w));
      continue;
    }
    const double U = k.single ? 0.0 : 0.0454;
    ASSERT_GT(d.u, U);
    ASSERT_GT(d.v, U);
    EXPECT_NEAR(Cxvel[c], -U, 1e-4 * U + 1e-15);
    EXPECT_NEAR(Cyvel[c], -U, 1e-4 * U + 1e-15);
    EXPECT_EQ(Czvel[c], 0.0);
  }
}

// Flux variants on the face between two single cells, a = 1000 A^2 / ap
// (equal 1/ap), p' difference -100 across it:
//   1: faces of a thin edge cell (Ckdist < F 86 / 2, strictly) unchanged;
//   2: also faces of cells whose bottom cell has fewer than two lateral
//      neighbours;
//   6: s = r^2 for r = (D1 + D2) / (2 F 86) < 1: depths 1 m, F 86 2: 0.25.
TEST(CorrectionVariants, FluxShareOfEachVariant) {
  struct Case {
    const char* what;
    int ny, variant;
    double minVert;
    int i;  // the face east of column i of the first row
    double s;
  };
  const Case cases[] = {
      {"1, thin edge cell", 3, 1, 1.01, 1, 0.0}, {"1, half height not below F 86 / 2", 3, 1, 1.0, 1, 1.0},
      {"2, end of a row", 1, 2, 0.001, 1, 0.0},  {"2, inside a row", 1, 2, 0.001, 2, 1.0},
      {"6, shallow", 3, 6, 2.0, 1, 0.25},        {"6, deep", 3, 6, 0.5, 1, 1.0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    channel(4, k.ny, 1, 1.0, 1e-3);
    std::vector<double> pc = linearCorrection();
    Cf = pc.data();
    FlagSimpleCorrections = k.variant;
    MinVertDist = k.minVert;
    const int c = cellAt(k.i, 1), f = Cflatee[c];
    ASSERT_EQ(Fcell1[f], c);
    ASSERT_GT(Fcell2[f], 0);
    const double before = Fflux[f], A = Farea[f];
    SimpleCorrections(f, f, 1, 0);
    EXPECT_NEAR(Fflux[f] - before, k.s * 1000.0 * A * A * 1e-3 * -100.0, 1e-9);
  }
}

// After the pressure update, on stacked columns of three cells in 1 m
// (half heights 1/6 m): F 372 2 while the slide layer is computed raises
// negative pressures to 0 and holds every cell at 9810 times the depth of
// its centre below the column top (1/6, 1/2, 5/6 m); F 36 11 gives a top
// cell p(below) kd / (2 kd + kd(below)) = p(below) / 3.
TEST(CorrectionVariants, PressureRulesAfterTheUpdate) {
  InProjectDir p;
  channel(2, 1, 3, 1.0, 1e-3);
  std::vector<double> pc(NoCells + 1, 0.0);
  Cf = pc.data();
  FlagSimpleCorrections = 52;  // nothing but the pressure rules
  const int b = cellAt(1, 1, 1), m = cellAt(1, 1, 2), t = cellAt(1, 1, 3);
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = 1e5;
  Cpres[m] = -5.0;
  for (int c : {b, m, t}) ASSERT_NEAR(Ckdist[c], 1.0 / 6.0, 1e-9);
  FlagFilterPressure = 2;
  SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
  EXPECT_EQ(Cpres[m], -5.0);  // not while the slide layer rests
  FlagThixoIsComputing = 1;
  SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
  FlagThixoIsComputing = 0;
  EXPECT_NEAR(Cpres[t], 9810.0 / 6.0, 1e-6);
  EXPECT_NEAR(Cpres[m], 0.0, 1e-12);
  EXPECT_NEAR(Cpres[b], 9810.0 * 5.0 / 6.0, 1e-6);
  FlagFilterPressure = 0;
  FlagTFS = 11;
  Cpres[m] = 900.0;
  SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
  EXPECT_NEAR(Cpres[t], 300.0, 1e-6);
  EXPECT_NEAR(Cpres[m], 900.0, 1e-12);
}
