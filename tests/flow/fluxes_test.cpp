// Face mass fluxes: interpolated velocity through the face area plus the
// Rhie-Chow pressure term.
#include <gtest/gtest.h>

#include <cmath>

#include "flow/cellequations.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

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
