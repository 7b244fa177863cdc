// The semi-implicit surface equation (F 36 9 with F 323 1) and the classic
// update of the second driver on a small in-process grid: Manning couplings
// with the face-velocity bounds of F 470 and the cap of F 473, the storage
// terms of F 322, the line correction of F 343 2, and the pressure-to-level
// update with its Froude and slope limits and two references.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "surface/casulli.h"
#include "surface/heightequation.h"
#include "surface/surface.h"
#include "surface/surfacesolver.h"

namespace {

// 4 x 3 columns of 4 m x 2 m, two cells of 0.75 m each, water 1.5 m deep.
SmallGrid casulliGrid() {
  SmallGrid g;
  g.water = [](int, int) { return 1.5; };
  g.nx = 4;
  g.ny = 3;
  g.nz = 2;
  g.dx = 4.0;
  g.dy = 2.0;
  return g;
}

void prepare(const SmallGrid& g) {
  g.build();
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j) armap[i][j] = g.dx * g.dy;
  for (int f = 1; f <= NoSurfaces; ++f) Faz[f] = Farea[f] * Fvz[f];
  for (int b = 1; b < 100; ++b) SurfUpdate[b] = 1;
  WCStart = 1;
  WCEnd = NoCells;
  ManningInit = 40.0;
  TimeStep = 2.0;
}

void setWestFluxes(double perCell) {
  for (int c = 1; c <= NoCells; ++c) Fflux[Cflatew[c]] = perCell;
}

}  // namespace

// Couplings of the middle column (3, 3): a = A M^2 h^(4/3) / (u dx) over the
// plan area, with h = 1.5 m, A = 3 m2 west and 6 m2 south, u from the fluxes
// of the west faces, raised to the F 470 bound (0.2 u_ref, u_ref = 1/3 m/s
// from 3000 l/s over the 9 m2 of a line) and capped by F 473 at
// 2 sqrt(9.81 h).
TEST(CasulliCoefficients, ManningCouplingsWithTheVelocityBoundsAndCap) {
  InProjectDir dir;
  const SmallGrid g = casulliGrid();
  prepare(g);
  DischargeArray[1] = 3000.0;
  struct Row {
    int f470, f473;
    double westFlux;  // kg/s per cell
    double uWE, uSN;
  };
  const double cap = 2.0 * std::sqrt(9.81 * 1.5), bound = 0.2 / 3.0;
  const Row rows[] = {
      {0, 0, 600.0, 0.4, 1e-4},   {0, 0, 0.0, 1e-4, 1e-4},         {1, 0, 0.0, bound, 1e-4},
      {2, 0, 0.0, bound, bound}, {0, 0, 1e5, 200.0 / 3.0, 1e-4}, {0, 1, 1e5, cap, 1e-4},
  };
  const double M2h = 1600.0 * std::pow(1.5, 1.33333);
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.f470 << " " << r.f473 << " " << r.westFlux);
    FlagCasulliCoeff = r.f470;
    FlagCasulliLimit = r.f473;
    setWestFluxes(r.westFlux);
    computeCoeffCasulli();
    const int e = g.cell(3, 3, 1), w = g.cell(2, 3, 1), s = g.cell(3, 2, 1);
    const double aWE = 3.0 * M2h / (r.uWE * 4.0), aSN = 6.0 * M2h / (r.uSN * 2.0);
    EXPECT_NEAR(Caw[e], aWE / 8.0, 1e-9 * aWE);
    EXPECT_NEAR(Cae[w], aWE / 8.0, 1e-9 * aWE);
    EXPECT_NEAR(Cas[e], aSN / 8.0, 1e-9 * aSN);
    EXPECT_NEAR(Can[s], aSN / 8.0, 1e-9 * aSN);
    EXPECT_NEAR(Cap[e], Cae[e] + Caw[e] + Can[e] + Cas[e], 1e-9 * Cap[e]);
    // The block edges carry nothing out.
    EXPECT_EQ(Caw[g.cell(2, 3, 1)], 0.0);
    EXPECT_EQ(Cae[g.cell(5, 3, 1)], 0.0);
    EXPECT_EQ(Cas[g.cell(3, 2, 1)], 0.0);
    EXPECT_EQ(Can[g.cell(3, 4, 1)], 0.0);
  }
}

// The storage term of F 322 on the diagonal and, times the start level (the
// mean of the four corner levels), in the source.
TEST(CasulliCoefficients, StorageTermByF322) {
  InProjectDir dir;
  const SmallGrid g = casulliGrid();
  prepare(g);
  setWestFluxes(600.0);
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j) zval[i][j][znumber] = 1.0 + 0.01 * i + 0.001 * j;
  InnerTimestep = 0.5;
  struct Row {
    int flag;
    double t;
  };
  const Row rows[] = {{0, 0.0}, {1, 0.5}, {6, 0.5}, {2, 2.0}, {3, 1.0}, {4, 0.05}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.flag);
    FlagTimeSurf = r.flag;
    computeCoeffCasulli();
    const int e = g.cell(3, 3, 1);
    const double start = 0.25 * (zval[2][2][znumber] + zval[2][3][znumber] + zval[3][2][znumber] + zval[3][3][znumber]);
    EXPECT_NEAR(Cf[e], start, 1e-12);
    EXPECT_NEAR(Cap[e] - (Cae[e] + Caw[e] + Can[e] + Cas[e]), r.t, 1e-9);
    EXPECT_NEAR(Csource[e], start * r.t, 1e-9);
  }
}

// F 343 2: one correction per grid line i, the same for every column of the
// line, after which the residuals of each line add up to zero.
TEST(CasulliBlockCorrection, LineSumsOfTheResidualsVanish) {
  InProjectDir dir;
  BlockCasulli = 2;
  const SmallGrid g = casulliGrid();
  prepare(g);
  ASSERT_TRUE(Cpt);
  setWestFluxes(600.0);
  FlagTimeSurf = 1;
  computeCoeffCasulli();
  // A source at the west end and start levels that do not solve the equation.
  for (int j = 2; j <= 4; ++j) Csource[g.cell(2, j, 1)] += 0.3;
  for (int i = 2; i <= 5; ++i)
    for (int j = 2; j <= 4; ++j) Cf[g.cell(i, j, 1)] = 1.0 + 0.05 * ((i * 7 + j * 3) % 5);
  double before[6][5];
  for (int i = 2; i <= 5; ++i)
    for (int j = 2; j <= 4; ++j) before[i][j] = Cf[g.cell(i, j, 1)];
  computeBlockCasulli();
  for (int i = 2; i <= 5; ++i) {
    double R = 0, scale = 0;
    const double shift = Cf[g.cell(i, 2, 1)] - before[i][2];
    for (int j = 2; j <= 4; ++j) {
      const int c = g.cell(i, j, 1);
      EXPECT_NEAR(Cf[c] - before[i][j], shift, 1e-12);
      R += Can[c] * Cf[Ccelln[c]] + Cas[c] * Cf[Ccells[c]] + Cae[c] * Cf[Ccelle[c]] + Caw[c] * Cf[Ccellw[c]] +
           Csource[c] - Cap[c] * Cf[c];
      scale += Cap[c];
    }
    EXPECT_NEAR(R, 0.0, 1e-9 * scale) << i;
  }
}

namespace {

// Top-cell pressures equal to the reference, levels at the reference level.
void stillClassic(const SmallGrid& g) {
  prepare(g);
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j) zval[i][j][znumber] = zval[i][j][znumber + 1] = 1.0;
  GlobZRef = 1.0;
  GlobPresRef = 500.0;
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = 500.0;
  iPres = 3;
  jPres = 3;
  jSurf = 0;
  RelaxSurface = 0.1;
}

}  // namespace

// The classic update: nothing moves in equilibrium; a column whose top
// pressure stands 0.1 m of head above the reference lifts the grid point it
// alone touches by the relaxed 1 cm, and the points it shares with others by
// the mean; the slope limit of F 148 and the Froude limit of F 132 bound it.
TEST(SurfClassic, PressureHeadUpdateWithItsLimits) {
  InProjectDir dir;
  const SmallGrid g = casulliGrid();
  stillClassic(g);
  computeSurfClassic();
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 4; ++j) ASSERT_DOUBLE_EQ(zval[i][j][znumber], 1.0);

  const double head = 0.1 / 0.000101937;  // Pa of 0.1 m
  Cpres[g.cell(2, 2, 2)] = 500.0 + head;
  computeSurfClassic();
  EXPECT_NEAR(zval[1][1][znumber], 1.01, 1e-9);           // column (2, 2) alone
  EXPECT_NEAR(zval[2][2][znumber], 1.0 + 0.0025, 1e-9);   // one of four columns
  EXPECT_NEAR(zval[1][1][znumber + 1], zval[1][1][znumber], 0.0);

  // F 148: at most 0.001 m per m towards the unmoved neighbours (2 m north).
  stillClassic(g);
  Cpres[g.cell(2, 2, 2)] = 500.0 + head;
  MaxSurfSlope = 0.001;
  computeSurfClassic();
  EXPECT_NEAR(zval[1][1][znumber], 1.002, 1e-9);
  MaxSurfSlope = -0.1;

  // F 132 0.6: 2.5 m/s needs a depth of 6.25 / (0.36 g) = 1.77 m.
  stillClassic(g);
  FroudeMaxSurface = 0.6;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 2.5;
  computeSurfClassic();
  EXPECT_NEAR(zval[1][1][znumber], 6.25 / (0.36 * 9.81), 1e-9);
  FroudeMaxSurface = 0.0;
}

// Two references: the grid point takes the pair weighted by its distances to
// the two reference cells.
TEST(SurfClassic, TwoReferencesAreWeightedByDistance) {
  InProjectDir dir;
  const SmallGrid g = casulliGrid();
  stillClassic(g);
  jSurf = 1;
  iPres2 = 5;
  jPres2 = 4;
  GlobZRef2 = 1.2;
  GlobPresRef2 = 500.0;
  computeSurfClassic();
  // Grid point (1, 1) at (0, 0); reference cells at (6, 3) and (14, 5).
  const double d1 = std::hypot(6.0, 3.0), d2 = std::hypot(14.0, 5.0);
  const double w = d1 / (d1 + d2);
  EXPECT_NEAR(zval[1][1][znumber], 1.0 + 0.1 * (w * 0.2), 1e-9);
}

// F 36 3 of the second driver: two blocks sharing the grid line i = 3 move
// every grid point once by the distance of the reference point to GlobZRef;
// with F 236 every point takes GlobZRef. The sub-bed block stays.
TEST(SurfShift, SharedGridPointsMoveOnce) {
  InProjectDir dir;
  const SmallGrid g = casulliGrid();
  stillClassic(g);
  // Block 1 split into columns 2..3 and 4..5: the lines i = 3 are in both.
  NoBlocks = 3;
  block[2] = block[1];
  block[1].i2 = 3;
  block[2].i1 = 4;
  block[3] = block[1];
  block[3].subBed = 1;
  block[3].j1 = 6;
  block[3].j2 = 6;
  zval[3][6][znumber] = 0.5;
  GlobZRef = 1.25;
  surfaceShiftToReference(FlagThixo != 0);
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 4; ++j) {
      ASSERT_DOUBLE_EQ(zval[i][j][znumber], 1.25) << i << " " << j;
      ASSERT_DOUBLE_EQ(zval[i][j][znumber + 1], 1.25);
    }
  EXPECT_DOUBLE_EQ(zval[3][6][znumber], 0.5);
  // The reference point moved as well: a second call moves nothing.
  surfaceShiftToReference(FlagThixo != 0);
  EXPECT_DOUBLE_EQ(zval[3][3][znumber], 1.25);
  zval[2][2][znumber] = 1.5;
  FlagThixo = 2;
  GlobZRef = 1.1;
  surfaceShiftToReference(FlagThixo != 0);
  EXPECT_DOUBLE_EQ(zval[2][2][znumber], 1.1);
  EXPECT_DOUBLE_EQ(zval[5][4][znumber], 1.1);
}

// G 28 with F 36 9: the columns of a weir take the weir-formula level
// crest + (Q / C)^(1/n) for the discharge across them, and keep it through the
// solve of the semi-implicit equation.
TEST(CasulliWeir, WeirColumnsTakeTheWeirLevel) {
  InProjectDir dir;
  const SmallGrid g = casulliGrid();
  prepare(g);
  FlagTFS = 9;
  for (int f = 1; f <= NoSurfaces; ++f) {
    Fax[f] = Farea[f] * Fvx[f];
    Fay[f] = Farea[f] * Fvy[f];
  }
  setWestFluxes(600.0);
  for (int c = 1; c <= NoCells; ++c) Cyvel[c] = 0.5;
  iPres = 5;
  jPres = 3;
  GlobZRef = 1.5;
  NoWeirs = 1;
  Weirs[0] = {3, 3, 2, 4, 0.5, 1.7, 1.5};
  computeCoeffCasulli();
  setSurfaceBoundary();
  computeWeirs();
  surfaceSolver(4);
  // Across the weir line: per cell 0.5 (3 + 3) m2 x 0.5 m/s, six cells.
  const double level = 0.5 + std::pow(9.0 / 1.7, 1.0 / 1.5);
  for (int j = 2; j <= 4; ++j) EXPECT_NEAR(Cf[g.cell(3, j, 1)], level, 0.01) << j;
  EXPECT_NEAR(Cf[g.cell(5, 3, 1)], 1.5, 1e-6);  // the reference column
}
