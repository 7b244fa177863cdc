// Face mass fluxes: interpolated velocity through the face area plus the
// Rhie-Chow pressure term.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "flow/cellequations.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

void fillCells(double* a, double v) {
  for (int c = 1; c <= NoCells; ++c) a[c] = v;
}

void uniformState(double u, double v, double w, double invAp) {
  fillCells(Cxvel, u);
  fillCells(Cyvel, v);
  fillCells(Czvel, w);
  fillCells(CinvAp, invAp);
  fillCells(Cpres, 0.0);
}

// An east-west face whose two cells and both far cells exist.
int innerEastFace() {
  for (int f = 1; f <= NoSurfaces; ++f)
    if (Ftype1[f] == 2 && Fcell1[f] > 0 && Fcell2[f] > 0 && Fcell11[f] > 0 && Fcell22[f] > 0) return f;
  return 0;
}

// An east-west face whose low cell lies at the west wall (no cell beyond it).
int westEdgeEastFace() {
  for (int f = 1; f <= NoSurfaces; ++f)
    if (Ftype1[f] == 2 && Fcell1[f] > 0 && Fcell2[f] > 0 && Fcell11[f] == 0 && Fcell22[f] > 0) return f;
  return 0;
}

}  // namespace

// Pressure linear in space: the difference across the face equals the mean
// of the differences across the two cells, so the pressure term vanishes and
// the flux is 1000 times the volume flux of the interpolated velocity.
TEST(FaceFlux, LinearPressureOnUniformSpacingGivesThePlainVolumeFlux) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(6, 4).build());
  uniformState(0.3, -0.2, 0.05, 2e-3);
  relaxVelocity = 0.5;
  invRelaxVelocity = 2.0;
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = 100.0 * Cxcenter[c] + 50.0 * Cycenter[c] + 7.0 * Czcenter[c];
  waterflow(1, NoSurfaces);
  int checked = 0;
  for (int f = 1; f <= NoSurfaces; ++f) {
    if (Ftype1[f] < 1 || Ftype1[f] > 4 || !Fcell1[f] || !Fcell2[f] || !Fcell11[f] || !Fcell22[f]) continue;
    const double V = 0.3 * Fax[f] - 0.2 * Fay[f] + 0.05 * Faz[f];
    EXPECT_NEAR(Fflux[f], 1000.0 * V, 1e-9) << "face " << f;
    ++checked;
  }
  EXPECT_GT(checked, 20);
}

// One face, worked by hand: cells c11 | c1 | c2 | c22 in a row, pressure
// 1000 Pa in c2 and 0 elsewhere, no velocity. g1 = (p2 - p11)/2 = 500,
// g2 = (p22 - p1)/2 = 0, bracket = 0.5*500 + 0.5*0 - 1000 = -750.
// K = 1/ap * (1/relax) * |F 21| * A^2 = 2e-4 * 2 * 1 * A^2, so the flux is
// 1000 * K * (-750) = -300 A^2 kg/s, whatever the sign of F 21.
TEST(FaceFlux, RhieChowTermOfOneFaceByHand) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(6, 4).build());
  const int f = innerEastFace();
  ASSERT_GT(f, 0);
  const double A = Farea[f];
  for (double rrc : {1.0, -1.0}) {
    uniformState(0.0, 0.0, 0.0, 2e-4);
    RelaxRhieChow = rrc;
    relaxVelocity = 0.5;
    invRelaxVelocity = 2.0;
    Cpres[Fcell2[f]] = 1000.0;
    waterflow(f, f);
    EXPECT_NEAR(Fflux[f], -300.0 * A * A, 1e-9 * A * A) << "F 21 " << rrc;
  }
}

// The pressure-term forms of F 113 at a face next to the west wall, where the
// far cell c11 is missing: p1 = 0, p2 = 1000, p22 = 3000, 1/ap = 1e-4,
// relaxation 1, u = 1 m/s.
//   0 (standard): both far cells needed, no term.
//   3: g1 = p2 - p1 = 1000, g2 = (p22 - p1)/2 = 1500; bracket 500 + 750 - 1000 = 250.
//   4: as 3, limited to 0.2 |V|.
//   5: g1 = (4 p2 - 3 p1 - p22)/2 = 500; bracket 250 + 750 - 1000 = 0.
//   7: both far cells needed, no term.
TEST(FaceFlux, FarCellFormsOfF113AtAWallFace) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(6, 4).build());
  const int f = westEdgeEastFace();
  ASSERT_GT(f, 0);
  const double A = Farea[f], V = Fax[f];
  const double K = 1e-4 * A * A;
  struct Case {
    int rule;
    double flux;
  };
  const double limited = 1000.0 * (V + std::min(250.0 * K, 0.2 * std::fabs(V)));
  const Case cases[] = {{0, 1000.0 * V},
                        {3, 1000.0 * (V + 250.0 * K)},
                        {4, limited},
                        {5, 1000.0 * V},
                        {7, 1000.0 * V}};
  for (const Case& k : cases) {
    uniformState(1.0, 0.0, 0.0, 1e-4);
    relaxVelocity = invRelaxVelocity = 1.0;
    Cpres[Fcell2[f]] = 1000.0;
    Cpres[Fcell22[f]] = 3000.0;
    FlagRhieChow = k.rule;
    waterflow(f, f);
    EXPECT_NEAR(Fflux[f], k.flux, 1e-9 * std::fabs(k.flux) + 1e-12) << "F 113 " << k.rule;
  }
  // The limit holds the term at 0.2 |V| when the pressure pushes harder.
  uniformState(1.0, 0.0, 0.0, 1.0);
  relaxVelocity = invRelaxVelocity = 1.0;
  Cpres[Fcell2[f]] = 1000.0;
  Cpres[Fcell22[f]] = 3000.0;
  FlagRhieChow = 4;
  waterflow(f, f);
  EXPECT_NEAR(Fflux[f], 1000.0 * 1.2 * V, 1e-9);
}

// Every face with a missing cell (walls, bed, lid, and the faces of the
// inflow and outflow groups) carries no flux, whatever the fields.
TEST(FaceFlux, FacesWithAMissingCellCarryNothing) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::sloping(6, 4).build());
  uniformState(0.7, 0.4, -0.3, 1e-3);
  relaxVelocity = invRelaxVelocity = 1.0;
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = 9810.0 * (2.0 - Czcenter[c]) + 30.0 * c;
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 99.0;
  waterflow(1, NoSurfaces);
  int boundaryFaces = 0, walls = 0, beds = 0, lids = 0, groups = 0;
  for (int f = 1; f <= NoSurfaces; ++f) {
    if (Fcell1[f] > 0 && Fcell2[f] > 0) {
      EXPECT_NE(Fflux[f], 99.0);
      continue;
    }
    ++boundaryFaces;
    const int t = Fcell1[f] > 0 ? Ftype1[f] : Ftype2[f];
    walls += t >= 1 && t <= 4;
    beds += t == 5;
    lids += t == 6;
    EXPECT_EQ(Fflux[f], 0.0) << "face " << f << " side " << t;
  }
  for (int g : {1, 2}) groups += DischargeStruct[g].surfno;
  EXPECT_GT(walls, groups);  // side walls besides the group faces
  EXPECT_GT(beds, 0);
  EXPECT_GT(lids, 0);
  EXPECT_GT(boundaryFaces, 0);
}

// With Seiche2 of 10 or more the bottom/top faces carry only the volume
// flux; side faces keep their pressure term.
TEST(FaceFlux, SeicheRuleDropsThePressureTermOnBottomFaces) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(4, 3, 3.0).build());
  int vf = 0;
  for (int f = 1; f <= NoSurfaces && !vf; ++f)
    if (Ftype1[f] == 6 && Fcell1[f] && Fcell2[f] && Fcell11[f] && Fcell22[f]) vf = f;
  ASSERT_GT(vf, 0) << "needs a column of four cells";
  for (int seiche : {0, 10}) {
    uniformState(0.0, 0.0, 0.2, 1e-3);
    relaxVelocity = invRelaxVelocity = 1.0;
    Cpres[Fcell2[vf]] = 500.0;
    Seiche2 = seiche;
    waterflow(vf, vf);
    const double plain = 1000.0 * 0.2 * Faz[vf];
    if (seiche == 10)
      EXPECT_NEAR(Fflux[vf], plain, 1e-9);
    else
      EXPECT_GT(std::fabs(Fflux[vf] - plain), 1e-6);
  }
}

// F 226 1: a top face takes the flux of the velocity of the cell below it.
TEST(FaceFlux, TopFacesCarryTheFluxOfTheirCellWithF226) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(4, 3).build());
  uniformState(0.0, 0.0, 0.02, 1e-3);
  relaxVelocity = invRelaxVelocity = 1.0;
  FlagSurfFlux = 1;
  waterflow(1, NoSurfaces);
  int tops = 0;
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellt[c] != 0) continue;
    const int f = Cflatet[c];
    if (Fcell1[f] != c) continue;
    EXPECT_NEAR(Fflux[f], 1000.0 * 0.02 * Faz[f], 1e-12);
    EXPECT_NE(Fflux[f], 0.0);
    ++tops;
  }
  EXPECT_EQ(tops, 4 * 3);
}

// The faces of chunks computed one after the other equal one call over all.
TEST(FaceFlux, ChunksGiveTheFluxesOfOneCall) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::sloping(6, 4).build());
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 0.1 * std::sin(c);
    Cyvel[c] = 0.05 * std::cos(c);
    Czvel[c] = 0.01;
    CinvAp[c] = 1e-3;
    Cpres[c] = 9810.0 * (2.0 - Czcenter[c]) + 10.0 * std::sin(3.0 * c);
  }
  relaxVelocity = invRelaxVelocity = 1.0;
  waterflow(1, NoSurfaces);
  std::vector<double> whole(Fflux, Fflux + NoSurfaces + 1);
  NoProcessesSolver = 4;
  computeChunkSizes();
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  waterflowStage(true);
  for (int f = 1; f <= NoSurfaces; ++f) EXPECT_EQ(Fflux[f], whole[f]) << f;
}

// Limits and triangle rules on the inner face of the hand-worked case
// (bracket -750 Pa, u = 1 m/s so V = Fax):
//   7: |R| <= 0.2 |V| always; 8: only next to a triangle cell;
//   F 235 13: K doubled next to a triangle cell.
TEST(FaceFlux, LimitsAndTriangleRules) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(6, 4).build());
  const int f = innerEastFace();
  ASSERT_GT(f, 0);
  const double A = Farea[f], V = Fax[f];
  struct Case {
    const char* name;
    int rule, trekant;
    bool triangle;
    double invAp;
    double flux;
  };
  const double small = 1e-7, Rsmall = small * A * A * -750.0;
  const Case cases[] = {
      {"7, large term", 7, 0, false, 1.0, 1000.0 * 0.8 * V},
      {"7, small term", 7, 0, false, small, 1000.0 * (V + Rsmall)},
      {"8, no triangle", 8, 0, false, 1.0, 1000.0 * (V - 750.0 * A * A)},
      {"8, triangle", 8, 0, true, 1.0, 1000.0 * 0.8 * V},
      {"F 235 13, triangle", 0, 13, true, small, 1000.0 * (V + 2.0 * Rsmall)},
      {"F 235 13, none", 0, 13, false, small, 1000.0 * (V + Rsmall)},
  };
  for (const Case& k : cases) {
    uniformState(1.0, 0.0, 0.0, k.invAp);
    relaxVelocity = invRelaxVelocity = 1.0;
    Cpres[Fcell2[f]] = 1000.0;
    for (int c = 1; c <= NoCells; ++c) Ctrekant[c] = 0;
    Ctrekant[Fcell1[f]] = k.triangle ? 1 : 0;
    FlagRhieChow = k.rule;
    FlagCorrTrekant = k.trekant;
    waterflow(f, f);
    EXPECT_NEAR(Fflux[f], k.flux, 1e-9 * std::fabs(k.flux)) << k.name;
  }
}

// Option forms of the pressure term on the inner face of the hand-worked
// case (p2 = 1000 Pa, every other pressure 0, u = 1 m/s, 1/ap = 1e-4,
// relaxation 1, so R = 1e-4 A^2 * bracket and the flux 1000 (V + R)):
//   F 36 11, cell centres z11 = z1 = 0, z2 = 0.1, z22 = 0.5 m:
//     0.5 (500 + 4905 * 0.1) + 0.5 (0 + 4905 * 0.5) - 1000 - 9810 * 0.1 = -259.5
//   F 69 Seiche6 1, east-west face, density gradients 200 in c1, 600 in c2,
//     Fdgrad 100: 0.5 (500 + 100) + 0.5 (0 + 300) - 1000 - 100 = -650
//   F 113 6 with the face at a quarter of the way from c1 (w1 = 0.75):
//     (500 + 0) / 2 - 1000 = -750 where the weighted bracket is
//     0.75 * 500 - 1000 = -625
//   F 113 2: a side face lower than F 86 (Fdz 0.01 < 0.05) carries nothing.
TEST(FaceFlux, OptionFormsOfThePressureTerm) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(6, 4).build());
  const int f = innerEastFace();
  ASSERT_GT(f, 0);
  const int c1 = Fcell1[f], c2 = Fcell2[f], c11 = Fcell11[f], c22 = Fcell22[f];
  const double A = Farea[f], V = Fax[f], K = 1e-4 * A * A;
  const std::vector<double> z(Czcenter, Czcenter + NoCells + 1);
  const double d1 = Fdist1[f], d2 = Fdist2[f], dz = Fdz[f];
  struct Case {
    const char* name;
    int tfs, seiche6, rule;
    bool quarter, shallow;
    double bracket;
    bool nothing;
  };
  const Case cases[] = {
      {"standard", 0, 0, 0, false, false, -750.0, false},
      {"F 36 11", 11, 0, 0, false, false, -259.5, false},
      {"Seiche6", 0, 1, 0, false, false, -650.0, false},
      {"F 113 0, quarter", 0, 0, 0, true, false, -625.0, false},
      {"F 113 6, quarter", 0, 0, 6, true, false, -750.0, false},
      {"F 113 2, deep face", 0, 0, 2, false, false, -750.0, false},
      {"F 113 2, shallow face", 0, 0, 2, false, true, 0.0, true},
  };
  for (const Case& k : cases) {
    uniformState(1.0, 0.0, 0.0, 1e-4);
    relaxVelocity = invRelaxVelocity = 1.0;
    Cpres[c2] = 1000.0;
    for (int c = 1; c <= NoCells; ++c) Czcenter[c] = z[c];
    if (k.tfs == 11) Czcenter[c11] = Czcenter[c1] = 0.0, Czcenter[c2] = 0.1, Czcenter[c22] = 0.5;
    Cdensgradi[c1] = 200.0, Cdensgradi[c2] = 600.0;
    Fdgrad[f] = 100.0;
    Fdist1[f] = k.quarter ? 0.25 * (d1 + d2) : d1;
    Fdist2[f] = k.quarter ? 0.75 * (d1 + d2) : d2;
    Fdz[f] = k.shallow ? 0.01 : dz;
    MinVertDist = 0.05;
    FlagTFS = k.tfs;
    Seiche6 = k.seiche6;
    FlagRhieChow = k.rule;
    waterflow(f, f);
    const double expect = k.nothing ? 0.0 : 1000.0 * (V + K * k.bracket);
    EXPECT_NEAR(Fflux[f], expect, 1e-9 * std::fabs(expect) + 1e-12) << k.name;
  }
  ASSERT_GT(dz, 0.05);
}

// F 203 4: a top face between two cells whose half heights are small against
// their plan sizes, r = (kd1 + kd2) / (id1 + id2 + jd1 + jd2) < 0.01, carries
// at most 1000 A r (|uh1| + |uh2|) / 2. With kd 0.005 in 1 m columns
// r = 0.01 / 2 = 0.005; uh = 1 (u 0.6, v 0.8) in both: the bound is 5 A.
TEST(FaceFlux, FlatTopFacesLimitedByTheHorizontalSpeed) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(4, 3).build());
  int f = 0;
  for (int i = 1; i <= NoSurfaces && !f; ++i)
    if (Ftype1[i] == 6 && Fcell1[i] && Fcell2[i]) f = i;
  ASSERT_GT(f, 0);
  const int c1 = Fcell1[f], c2 = Fcell2[f];
  const double A = Farea[f];
  ASSERT_NEAR(Cidist[c1] + Cjdist[c1], 1.0, 1e-9);
  struct Case {
    double kd, w, flux;
  };
  const Case cases[] = {{0.005, 0.2, 5.0 * A},     {0.005, -0.2, -5.0 * A},   {0.005, 0.002, 2.0 * A},
                        {0.05, 0.2, 200.0 * A}};
  for (int flag : {0, 4})
    for (const Case& k : cases) {
      uniformState(0.6, 0.8, k.w, 1e-3);
      relaxVelocity = invRelaxVelocity = 1.0;
      Ckdist[c1] = Ckdist[c2] = k.kd;
      FlagVertVelStab = flag;
      waterflow(f, f);
      const double expect = flag == 4 ? k.flux : 1000.0 * k.w * A;
      EXPECT_NEAR(Fflux[f], expect, 1e-9 * std::fabs(expect)) << "F 203 " << flag << ", kd " << k.kd << ", w " << k.w;
    }
}

// F 348: the flux across the edge where blocks 1 and 2 meet. Three columns of
// two cells; block 1 is the west column, block 2 the east one. Per cell the
// east faces of the west column carry 1, the west faces of the east column 2,
// the outer east faces 1 and the outer west faces 3.
//   1: set E = east faces of block 1's last column (QE = 2), set W = west
//      faces of block 2's first column (QW = 4); both scaled to Q = 3: 1.5.
//   2: set E = east faces of block 2's first column (QE = 2), set W = west
//      faces of block 1's last column (QW = 6); both scaled to Q = 4: 2.
TEST(FaceFlux, UnevenBlockEdgeBalanced) {
  struct Case {
    int connect;
    double eastOfWest, westOfEast, outerEast, outerWest;
  };
  const Case cases[] = {{0, 1.0, 2.0, 1.0, 3.0}, {1, 1.5, 1.5, 1.0, 3.0}, {2, 1.0, 2.0, 2.0, 2.0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.connect);
    InProjectDir p;
    SmallGrid g;
    g.nx = 3, g.ny = 1, g.nz = 2;
    g.build();
    NoBlocks = 2;
    block[1].i2 = 2;
    block[2] = block[1];
    block[2].i1 = block[2].i2 = 4;
    for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
    for (int z = 1; z <= 2; ++z) {
      Fflux[Cflatee[g.cell(2, 2, z)]] = 1.0;
      Fflux[Cflatew[g.cell(4, 2, z)]] = 2.0;
      Fflux[Cflatee[g.cell(4, 2, z)]] = 1.0;
      Fflux[Cflatew[g.cell(2, 2, z)]] = 3.0;
    }
    UnevenConnect = k.connect;
    waterflow(1, 0);  // no face of its own: only the whole-grid steps
    for (int z = 1; z <= 2; ++z) {
      EXPECT_DOUBLE_EQ(Fflux[Cflatee[g.cell(2, 2, z)]], k.eastOfWest);
      EXPECT_DOUBLE_EQ(Fflux[Cflatew[g.cell(4, 2, z)]], k.westOfEast);
      EXPECT_DOUBLE_EQ(Fflux[Cflatee[g.cell(4, 2, z)]], k.outerEast);
      EXPECT_DOUBLE_EQ(Fflux[Cflatew[g.cell(2, 2, z)]], k.outerWest);
    }
  }
}
