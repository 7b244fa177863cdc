// The inflow terms and the residuals of the fast flow driver's five rows.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "flow/fast.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Two columns of two cells; group 1 enters through the west faces of the
// west column, group 2 leaves through the east faces of the east column.
struct FastRows {
  SmallGrid g;
  int westFaces[2] = {0, 0}, eastFaces[2] = {0, 0};
  FastRows() {
    g.nx = 2;
    g.ny = 1;
    g.nz = 2;
    g.build();
    EXPECT_TRUE(allocate2(Csourcem, 5, NoCells + 1));
    EXPECT_TRUE(allocate2(CinvApf, 5, NoCells + 1));
    EXPECT_TRUE(allocate2(Cff, 5, NoCells + 1));
    CsourcemRows = 5;
    WCStart = 1;
    WCEnd = NoCells;
    for (int k = 1; k <= 2; ++k) {
      westFaces[k - 1] = Cflatew[g.cell(2, 2, k)];
      eastFaces[k - 1] = Cflatee[g.cell(3, 2, k)];
    }
    for (int f = 1; f <= NoSurfaces; ++f) Fin[f] = 1;
    DischargeGroup& in = DischargeStruct[1];
    in.inflow = 1;
    in.surfno = 2;
    in.face[0] = westFaces[0];
    in.face[1] = westFaces[1];
    in.area = Farea[westFaces[0]] + Farea[westFaces[1]];
    in.discharge = 500.0;  // kg/s
    in.kinen = 0.01;
    in.epsilon = 0.002;
    DischargeGroup& out = DischargeStruct[2];
    out.inflow = 0;
    out.surfno = 2;
    out.face[0] = eastFaces[0];
    out.face[1] = eastFaces[1];
  }
  ~FastRows() {
    CsourcemRows = 0;
    for (int g = 1; g <= 2; ++g) DischargeStruct[g] = DischargeGroup{};
  }
  static int cellOf(int f) { return Fcell1[f] != 0 ? Fcell1[f] : Fcell2[f]; }
};

}  // namespace

// An inflow of Q kg/s through area A: every row gets A_f Q/A on the diagonal,
// u and v the momentum 0.001 (Q/A)^2 A_f times the normal, k and epsilon the
// group's values times the mass flux, w nothing; outflow cells are marked -2.
TEST(BoundaryFast, InflowTermsOfTheFiveRows) {
  InProjectDir dir;
  FastRows s;
  boundaryFast();
  const DischargeGroup& G = DischargeStruct[1];
  const double m = G.discharge / G.area;
  for (int f : s.westFaces) {
    const int c = FastRows::cellOf(f);
    ASSERT_GT(c, 0);
    EXPECT_EQ(Cinout[c], 1);
    for (int r = 0; r < 5; ++r) EXPECT_NEAR(CinvApf[r][c], Farea[f] * m, 1e-12) << r;
    EXPECT_NEAR(Csourcem[0][c], Fvx[f] * Farea[f] * 0.001 * m * m, 1e-12);
    EXPECT_NEAR(Csourcem[1][c], Fvy[f] * Farea[f] * 0.001 * m * m, 1e-12);
    EXPECT_EQ(Csourcem[2][c], 0.0);
    EXPECT_NEAR(Csourcem[3][c], 0.01 * m * Farea[f], 1e-12);
    EXPECT_NEAR(Csourcem[4][c], 0.002 * m * Farea[f], 1e-12);
  }
  for (int f : s.eastFaces) EXPECT_EQ(Cinout[FastRows::cellOf(f)], -2);
}

// A zero or negative inflow feeds no row (a negative mass flux would lower the
// diagonals); without a series the group's own discharge decides. In a series,
// a negative interpolated value falls back on the group's discharge, which is
// already in kg/s and is not scaled again; a series of one record holds its
// value at every time.
TEST(BoundaryFast, OnlyAPositiveInflowFeedsTheRows) {
  InProjectDir dir;
  FastRows s;
  const int c = FastRows::cellOf(s.westFaces[0]);
  const double A = DischargeStruct[1].area, Af = Farea[s.westFaces[0]];
  for (double q : {0.0, -300.0}) {
    DischargeStruct[1].discharge = q;
    for (int r = 0; r < 5; ++r) CinvApf[r][c] = Csourcem[r][c] = 0.0;
    boundaryFast();
    for (int r = 0; r < 5; ++r) EXPECT_EQ(CinvApf[r][c], 0.0) << "Q " << q << " row " << r;
  }

  double times[] = {0.0, 100.0};
  double rows[2][10] = {};
  double* rowp[2] = {rows[0], rows[1]};
  TimeInTime = times;
  QDinn = rowp;
  FlagDischargeTime = 1;
  struct Case {
    const char* name;
    int records;
    double q0, q1, stored, stime, expected;  // series in m3/s, stored in kg/s
  };
  const Case cases[] = {{"interpolated", 2, 0.2, 0.6, 50.0, 25.0, 300.0},
                        {"negative value: the stored discharge", 2, -0.2, -0.2, 50.0, 25.0, 50.0},
                        {"interpolated zero", 2, 0.0, 0.0, 50.0, 25.0, 0.0},
                        {"one record", 1, 0.4, 0.0, 50.0, 500.0, 400.0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    rows[0][1] = k.q0;
    rows[1][1] = k.q1;
    TimeInNo = k.records;
    stimet = k.stime;
    DischargeStruct[1].discharge = k.stored;
    for (int r = 0; r < 5; ++r) CinvApf[r][c] = Csourcem[r][c] = 0.0;
    boundaryFast();
    EXPECT_NEAR(CinvApf[0][c], Af * k.expected / A, 1e-9);
  }
  TimeInTime = nullptr;
  QDinn = nullptr;
  TimeInNo = 0;
  FlagDischargeTime = 0;
}

// The residual of a row is the sum over the cells of the change one Jacobi
// step would make, |(sum a_nb phi_nb + b)/a_P - phi|, over the normalisation;
// the per-cell changes go into the residual fields; the fields do not change.
TEST(ResidualFast, SumsTheJacobiScaledChangesPerRow) {
  InProjectDir dir;
  FastRows s;
  ASSERT_TRUE(allocate1(Cxvel_res, NoCells + 1) && allocate1(Cyvel_res, NoCells + 1) &&
              allocate1(Czvel_res, NoCells + 1) && allocate1(Ckinen_res, NoCells + 1) &&
              allocate1(Cepsilon_res, NoCells + 1));
  FlagResidual = 1;
  for (int e = 1; e <= 6; ++e) NormResidual[e] = 2.0;
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = Ccelle[c] ? 3.0 : 0.0;
    Caw[c] = Ccellw[c] ? 3.0 : 0.0;
    Cat[c] = Ccellt[c] ? 1.0 : 0.0;
    Cab[c] = Ccellb[c] ? 1.0 : 0.0;
    Can[c] = Cas[c] = 0.0;
    for (int r = 0; r < 5; ++r) {
      Cff[r][c] = 0.1 * (r + 1) * c;
      Csourcem[r][c] = 0.5 * r;
      CinvApf[r][c] = 1.0 / (10.0 + r);
    }
  }
  CinvApf[2][1] = 1e-15;  // a fixed cell of row 2: left out
  double expect[5] = {};
  double d1[5] = {};
  for (int c = 1; c <= NoCells; ++c)
    for (int r = 0; r < 5; ++r) {
      if (r == 2 && c == 1) continue;
      const double* f = Cff[r];
      const double sum = Cae[c] * f[Ccelle[c]] + Caw[c] * f[Ccellw[c]] + Cat[c] * f[Ccellt[c]] + Cab[c] * f[Ccellb[c]];
      const double d = (sum + Csourcem[r][c]) * CinvApf[r][c] - f[c];
      expect[r] += std::fabs(d);
      if (c == 1) d1[r] = d;
    }
  MaxResidual[4] = 0.125;
  residualFast();
  EXPECT_NEAR(MaxResidual[1], expect[0] / 2.0, 1e-12);
  EXPECT_NEAR(MaxResidual[2], expect[1] / 2.0, 1e-12);
  EXPECT_NEAR(MaxResidual[3], expect[2] / 2.0, 1e-12);
  EXPECT_EQ(MaxResidual[4], 0.125);
  EXPECT_NEAR(MaxResidual[5], expect[3] / 2.0, 1e-12);
  EXPECT_NEAR(MaxResidual[6], expect[4] / 2.0, 1e-12);
  EXPECT_NEAR(Cxvel_res[1], d1[0], 1e-12);
  EXPECT_NEAR(Cepsilon_res[1], d1[4], 1e-12);
  EXPECT_EQ(Cff[0][1], 0.1);
  // F 153 other than 1: only the sums.
  Cxvel_res[1] = 42.0;
  FlagResidual = 0;
  residualFast();
  EXPECT_EQ(Cxvel_res[1], 42.0);
}

// A missing residual normalisation ends the run with status 2 and its line.
TEST(ResidualFastCase, MissingNormalisationEndsWithStatus2) {
  EXPECT_EXIT(
      {
        InProjectDir dir;
        FastRows s;
        for (int e = 1; e <= 6; ++e) NormResidual[e] = 1.0;
        NormResidual[3] = 0.0;
        residualFast();
      },
      ::testing::ExitedWithCode(2), "");
}
