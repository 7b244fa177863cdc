// The driver's own surface equations on small grids of one-cell columns:
// the four-neighbour rows of F 36 4 and 21, the nine-point rows of F 36 7
// and 9, the corner update of solved levels, the column water balance of
// F 36 5 / 6 and algorithm 10.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "surface/driver_parts.h"
#include "surface/heightequation.h"
#include "surface/surface.h"

namespace {

// nx x ny columns of one cell, dx apart, 1 m deep (bed 0, water 1), with
// the arrays of the nine-point form and the residual field.
// The grid-line counts of the first build of a test stay with its arrays,
// also where a case of a table restores the control defaults.
SmallGrid grid(int nx, int ny, double dx = 1.0) {
  static int lines[3];
  SmallGrid g;
  g.nx = nx;
  g.ny = ny;
  g.nz = 1;
  g.dx = dx;
  if (Cflatee) {
    xnumber = lines[0];
    ynumber = lines[1];
    znumber = lines[2];
  }
  g.build();
  lines[0] = xnumber;
  lines[1] = ynumber;
  lines[2] = znumber;
  for (double** a : {&Caee, &Caww, &Cass, &Cann, &Cpres_res})
    if (!*a) allocate1(*a, static_cast<std::size_t>(NoCells + 1));
  Cf = Cfn;
  for (int c = 0; c <= NoCells; ++c) {
    Cxvel[c] = Cyvel[c] = Cpres[c] = Cpres_res[c] = 0.0;
    Cf[c] = 0.0;
  }
  for (int f = 0; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  for (int b = 1; b <= NoBCells; ++b) {
    Bdepth[b] = 1.0;
    BFroude[b] = 0.0;
  }
  for (int k = 1; k <= 9; ++k) {
    DischargeStruct[k].surfno = 0;
    DischargeArray[k] = 0.0;
  }
  return g;
}

void setVelocity(double u, double v) {
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = u;
    Cyvel[c] = v;
  }
}

// Level of every grid point of block 1.
std::vector<double> levels() {
  std::vector<double> z;
  const BlockRecord& B = block[1];
  for (int i = B.i1 - 1; i <= B.i2; ++i)
    for (int j = B.j1 - 1; j <= B.j2; ++j) z.push_back(zval[i][j][znumber]);
  return z;
}

}  // namespace

// ---- F 36 4 ----

// The middle column of 3 x 3, 2 m apart along x, flow eastwards at 0.5 m/s
// in 1 m of water (Fr = 0.5 / sqrt 9.81), the east column 1 cm lower in head:
// only the downstream link weighs, 0.03 + 1 / Fr (no division by the
// distance), and its level difference is the whole centimetre.
TEST(DriverEquation4, SubcriticalRowByHand) {
  InProjectDir d;
  const SmallGrid g = grid(3, 3, 2.0);
  FlagTFS = 4;
  setVelocity(0.5, 0.0);
  const int c = g.cell(3, 3, 1);
  Cpres[c] = 98.1;
  coeffDriver4Column(3, 3, c);
  const double Fr = 0.5 / std::sqrt(9.81);
  EXPECT_NEAR(Cae[c], 0.03 + 1.0 / Fr, 1e-9);
  EXPECT_EQ(Caw[c], 0.0);
  EXPECT_EQ(Can[c], 0.0);
  EXPECT_EQ(Cas[c], 0.0);
  EXPECT_NEAR(Cap[c], Cae[c] + 1e-20, 1e-12);
  EXPECT_NEAR(Csource[c], 0.01 * Cae[c], 1e-9);
}

// A column without neighbours by F 246's second value: nothing couples it
// (Cap 1e-20, source 0); 5 makes it an identity of change 0; 4 moves it to
// the critical depth of its Froude number, B (Fr^2)^(1/3) - B.
TEST(DriverEquation4, AColumnWithoutNeighbours) {
  InProjectDir d;
  struct Row {
    const char* what;
    int limit2;
    double cap, source;
  };
  const double B = 0.8, U = 2.0, Fr = U / std::sqrt(9.81 * 1.0);
  const Row rows[] = {
      {"no limiter", 0, 1e-20, 0.0},
      {"F 246 2nd 5", 5, 1.0, 0.0},
      {"F 246 2nd 4", 4, 1.0, B * std::pow(Fr * Fr, 0.3333333) - B},
  };
  for (const Row& r : rows) {
    setControlDefaults();
    const SmallGrid g = grid(1, 1);
    FlagTFS = 4;
    setVelocity(U, 0.0);
    Bdepth[g.bedCell(2, 2)] = B;
    FlagSurfLimit2 = r.limit2;
    const int c = g.cell(2, 2, 1);
    coeffDriver4Column(2, 2, c);
    EXPECT_EQ(Cap[c], r.cap) << r.what;
    EXPECT_NEAR(Csource[c], r.source, 1e-12) << r.what;
    EXPECT_EQ(Caw[c] + Cae[c] + Cas[c] + Can[c], 0.0) << r.what;
  }
}

// Flow at 4 m/s in 1 m of water (Fr 1.28) running with cosine -0.4 towards
// the west column and -0.92 towards the south one: the upstream links floor
// the level difference at the limiting depth less the depth. F 246 1st 5
// blends towards that floor between cosine 0 and -0.4 and reaches it at
// -0.4, so that it gives the same row as the plain floor of value 2; the
// floor binds (the row without it differs).
TEST(DriverEquation4, BlendedFloorMeetsThePlainFloorAtMinusZeroPointFour) {
  InProjectDir d;
  const double u = 1.6, v = std::sqrt(16.0 - u * u);
  auto row = [&](int limit1) {
    setControlDefaults();
    const SmallGrid g = grid(3, 3);
    FlagTFS = 4;
    setVelocity(u, v);
    FlagSurfLimit1 = limit1;
    const int c = g.cell(3, 3, 1);
    coeffDriver4Column(3, 3, c);
    return std::vector<double>{Csource[c], Cap[c], Caw[c], Cas[c]};
  };
  const std::vector<double> plain = row(0), floor2 = row(2), blend = row(5);
  EXPECT_GT(plain[2], 0.0);  // the west link weighs: Fr x 0.4
  EXPECT_NEAR(plain[2], 4.0 / std::sqrt(9.81) * 0.4, 1e-9);
  EXPECT_NEAR(blend[0], floor2[0], 1e-9);
  EXPECT_GT(floor2[0], plain[0] + 0.01);
  for (int k = 1; k < 4; ++k) EXPECT_EQ(blend[k], plain[k]);
}

// Options that keep or drop the level differences, on the subcritical row
// with the east column 1 cm lower in head.
TEST(DriverEquation4, MasksOfTheLevelDifference) {
  InProjectDir d;
  const double Fr = 0.5 / std::sqrt(9.81), east = 0.03 + 1.0 / Fr;
  struct Row {
    const char* what;
    std::function<void(const SmallGrid&)> set;
    double source;
  };
  const std::vector<Row> rows = {
      {"F 427 5 with a residual field of zeros keeps dh",
       [](const SmallGrid&) {
         FlagSurfLimit5 = 5;
         SurfResLimit5 = meanPressureResidual3();
       },
       0.01 * east},
      {"F 427 4 drops dh where the residuals exceed 0.005",
       [](const SmallGrid& g) {
         FlagSurfLimit5 = 4;
         Cpres_res[g.cell(4, 3, 1)] = 0.006;
       },
       0.0},
      {"F 427 4 keeps dh at 0.005",
       [](const SmallGrid& g) {
         FlagSurfLimit5 = 4;
         Cpres_res[g.cell(4, 3, 1)] = 0.005;
       },
       0.01 * east},
      {"F 427 6 keeps dh of a column with all four neighbours", [](const SmallGrid&) { FlagSurfLimit5 = 6; },
       0.01 * east},
      {"F 427 2 drops dh towards a column that was dry",
       [](const SmallGrid&) {
         FlagSurfLimit5 = 2;
         pointcell_old[4][3] = 0;
       },
       0.0},
      {"F 427 2 keeps dh towards a column that was wet",
       [](const SmallGrid&) {
         FlagSurfLimit5 = 2;
         pointcell_old[4][3] = 5;
       },
       0.01 * east},
      {"F 427 1: a side 1 m deep against M0 0.1 keeps dh",
       [](const SmallGrid&) {
         FlagSurfLimit5 = 1;
         SurfMinVertDist0 = MinVertDist0 = 0.1;
       },
       0.01 * east},
      {"F 427 1: a side shallower than M0 drops dh",
       [](const SmallGrid&) {
         FlagSurfLimit5 = 1;
         SurfMinVertDist0 = MinVertDist0 = 2.0;
       },
       0.0},
      {"F 427 1: in between it scales dh by h / M0 - M0",
       [](const SmallGrid&) {
         FlagSurfLimit5 = 1;
         SurfMinVertDist0 = MinVertDist0 = 0.8;
       },
       0.01 * east * (1.0 / 0.8 - 0.8)},
      {"F 438 above 2 takes the top cell's velocity, as 0 does", [](const SmallGrid&) { FlagWeightComp = 3; },
       0.01 * east},
      {"F 246 1st 4 uses the pressure difference, as 0 does", [](const SmallGrid&) { FlagSurfLimit1 = 4; },
       0.01 * east},
      {"scaleBackwater scales dh", [](const SmallGrid&) { scaleBackwater = 0.5; }, 0.005 * east},
  };
  for (const Row& r : rows) {
    setControlDefaults();
    setRunStateInitial();
    const SmallGrid g = grid(3, 3);
    FlagTFS = 4;
    setVelocity(0.5, 0.0);
    const int c = g.cell(3, 3, 1);
    if (!pointcell_old) FAIL() << "pointcell_old is not allocated";
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) pointcell_old[i][j] = 1;
    Cpres[c] = 98.1;
    r.set(g);
    coeffDriver4Column(3, 3, c);
    EXPECT_NEAR(Csource[c], r.source, 1e-9) << r.what;
    EXPECT_NEAR(Cae[c], east, 1e-9) << r.what;
  }
}

// The diagonal of the subcritical row by F 322's first value and F 246's
// first value 8; F 431 adds to every link of a shallow column.
TEST(DriverEquation4, DiagonalTermsAndTheShallowLinkWeight) {
  InProjectDir d;
  const double Fr = 0.5 / std::sqrt(9.81), east = 0.03 + 1.0 / Fr;
  struct Row {
    const char* what;
    std::function<void()> set;
    double cap;
  };
  const std::vector<Row> rows = {
      {"F 322 1 adds Fr", [] { FlagTimeSurf = 1; }, east + Fr},
      {"F 322 2 adds nothing", [] { FlagTimeSurf = 2; }, east},
      {"F 322 4 adds 4 Fr", [] { FlagTimeSurf = 4; }, east + 4 * Fr},
      {"F 322 5 adds 1", [] { FlagTimeSurf = 5; }, east + 1},
      {"F 322 6 adds sqrt(area) / dt",
       [] {
         FlagTimeSurf = 6;
         TimeStep = 2.0;
         for (int b = 1; b <= NoBCells; ++b) Barea[b] = 4.0;
       },
       east + 1.0},
      {"F 322 7 adds 1 / dt",
       [] {
         FlagTimeSurf = 7;
         TimeStep = 4.0;
       },
       east + 0.25},
      {"F 246 1st 8 adds 0.1", [] { FlagSurfLimit1 = 8; }, east + 0.1},
      {"F 246 2nd 2 keeps a diagonal above 1", [] { FlagSurfLimit2 = 2; }, east},
  };
  for (const Row& r : rows) {
    setControlDefaults();
    const SmallGrid g = grid(3, 3);
    FlagTFS = 4;
    setVelocity(0.5, 0.0);
    r.set();
    const int c = g.cell(3, 3, 1);
    coeffDriver4Column(3, 3, c);
    EXPECT_NEAR(Cap[c], r.cap, 1e-9) << r.what;
  }
  // F 431: x = 15 - (D / F 94) v = 15 - 100 x 0.1 = 5 on every link.
  setControlDefaults();
  const SmallGrid g = grid(3, 3);
  FlagTFS = 4;
  setVelocity(0.5, 0.0);
  FlagAddAnbShallow = 1;
  ValAddAnbShallow = 0.1;
  MinVertDist1 = 0.01;
  const int c = g.cell(3, 3, 1);
  Cpres[c] = 98.1;
  coeffDriver4Column(3, 3, c);
  EXPECT_NEAR(Cae[c], east + 5.0, 1e-9);
  EXPECT_NEAR(Caw[c], 5.0, 1e-9);
  EXPECT_NEAR(Csource[c], 0.01 * (east + 4 * 5.0), 1e-9);  // every neighbour 1 cm lower in head
}

// F 246 1st 3 on a column of one cell takes the friction-law difference of
// the face flux for every link, without the backwater scaling: 1 m3/s
// through the east face of 1 m2 with ks 0.01.
TEST(DriverEquation4, FrictionLawDifferenceOfSingleCellColumns) {
  InProjectDir d;
  const SmallGrid g = grid(3, 3);
  FlagTFS = 4;
  setVelocity(0.5, 0.0);
  const int c = g.cell(3, 3, 1), e = g.cell(4, 3, 1);
  for (int x = 1; x <= NoCells; ++x) Croughness[x] = 0.01;
  Cpres[c] = 98.1;  // ignored by the friction law
  Fflux[Cflatee[c]] = 1000.0;
  scaleBackwater = 0.5;
  FlagSurfLimit1 = 3;
  coeffDriver4Column(3, 3, c);
  const double M = 26.0 / std::pow(0.33333 * 0.01, 1.0 / 6.0);
  const double dh = computeDhMann(1.0, M, e, c, Cflatee[c], 1);
  EXPECT_NEAR(dh, 1.0 / (M * M), 1e-9);  // slope q^2 / (M^2 (2 x 0.5)^1.33)
  EXPECT_NEAR(Csource[c], dh * Cae[c], 1e-12);
  scaleBackwater = 1.0;
}

// F 427 6 drops every level difference of a column on the border of the
// grid: the west column of a row of three, its east neighbour 1 cm lower.
TEST(DriverEquation4, BorderColumnsLoseTheirLevelDifferencesUnderMaskSix) {
  InProjectDir d;
  const SmallGrid g = grid(3, 1);
  FlagTFS = 4;
  setVelocity(0.5, 0.0);
  const int c = g.cell(2, 2, 1);
  Cpres[c] = 98.1;
  coeffDriver4Column(2, 2, c);
  EXPECT_GT(Csource[c], 0.0);
  FlagSurfLimit5 = 6;
  coeffDriver4Column(2, 2, c);
  EXPECT_EQ(Csource[c], 0.0);
  EXPECT_GT(Cae[c], 0.0);
}

// F 438 2 weighs by the water entering through each face: a column whose
// faces carry no flux has direction 0 on every side (the subcritical weight
// of cosine 0 is 0).
TEST(DriverEquation4, FaceFluxDirectionWithoutFluxIsZero) {
  InProjectDir d;
  const SmallGrid g = grid(3, 3);
  FlagTFS = 4;
  FlagWeightComp = 2;
  setVelocity(0.5, 0.0);
  const int c = g.cell(3, 3, 1);
  coeffDriver4Column(3, 3, c);
  EXPECT_EQ(Caw[c] + Cae[c] + Cas[c] + Can[c], 0.0);
  // Water entering from the west: the west link is the one that weighs.
  Fflux[Cflatew[c]] = 1000.0;
  Fflux[Cflatee[c]] = 1000.0;
  coeffDriver4Column(3, 3, c);
  EXPECT_GT(Caw[c], 0.0);
  EXPECT_EQ(Cae[c], 0.0);
}

// ---- F 36 21 ----

// The row of the level itself: the start value is the mean of the column's
// corner levels, the source the weight times the head difference (the level
// differences of the grid do not enter).
TEST(DriverEquation21, RowOfTheLevel) {
  InProjectDir d;
  const SmallGrid g = grid(3, 3, 2.0);
  FlagTFS = 21;
  setVelocity(0.5, 0.0);
  const int c = g.cell(3, 3, 1);
  Cpres[c] = 98.1;
  zval[2][2][znumber] = 1.4;  // one corner of column (3, 3) 0.4 m higher
  coeffDriver21Column(3, 3, c);
  const double Fr = 0.5 / std::sqrt(9.81), east = 0.03 + 1.0 / Fr;
  EXPECT_NEAR(Cf[c], 1.1, 1e-12);
  EXPECT_NEAR(Cae[c], east, 1e-9);
  EXPECT_NEAR(Csource[c], 2.0 * (98.1 / (9810.0 * 2.0)) * east, 1e-9);
}

// F 36 21 fixes the outlet columns to the reference level itself and has no
// reference-column row; F 36 4 fixes both to the change towards it.
TEST(DriverEquation21, FixedRowsAreLevels) {
  InProjectDir d;
  const SmallGrid g = grid(3, 1);
  const int out = g.cell(4, 2, 1), ref = g.cell(2, 2, 1);
  DischargeGroup& G = DischargeStruct[2];
  G.surfno = 1;
  G.face[0] = Cflatee[out];
  kSurf = 2;
  GlobZRef = 1.2;
  for (int method : {21, 4}) {
    FlagTFS = method;
    for (int c = 1; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
    fixDriverRows(ref);
    EXPECT_EQ(Cap[out], 1e20) << method;
    EXPECT_NEAR(Csource[out] / Cap[out], method == 21 ? 1.2 : 0.2, 1e-12) << method;
    if (method == 21)
      EXPECT_EQ(Cap[ref], 0.0);
    else
      EXPECT_NEAR(Csource[ref] / Cap[ref], 0.2, 1e-12);
  }
}

// F 36 21 without an outflow group has nothing that holds its level: the
// move says so in the log.
TEST(DriverEquation21, WithoutAnOutflowGroupTheLogWarns) {
  InProjectDir d;
  grid(3, 1);
  FlagTFS = 21;
  kSurf = 0;
  surfaceEquation4(0);
  EXPECT_NE(d.dir().boogie().find("Warning: F 36 21 holds its levels only at the faces of the outflow group of G 6"),
            std::string::npos);
}

// The corner update of solved levels relaxes each point towards the mean
// level of its columns; of changes it adds the relaxed mean change.
TEST(DriverEquation21, CornerUpdateOfLevelsAndOfChanges) {
  InProjectDir d;
  const SmallGrid g = grid(1, 1);
  RelaxSurface = 0.5;
  const int c = g.cell(2, 2, 1);
  Cf[c] = 1.2;
  surfaceUpdateOf(ColumnValue::Level);
  for (double z : levels()) EXPECT_NEAR(z, 1.1, 1e-12);
  Cf[c] = 0.2;
  surfaceUpdateOf(ColumnValue::Change);
  for (double z : levels()) EXPECT_NEAR(z, 1.2, 1e-12);
}

// ---- F 36 7 and 9 ----

// Water at rest has no flow direction: every cosine is 0, the row stays
// finite, and the head differences still drive it.
TEST(DriverEquation7, WaterAtRestGivesFiniteRows) {
  InProjectDir d;
  const SmallGrid g = grid(3, 3);
  FlagTFS = 7;
  FlagTFS3 = 5;  // every link weighs 1, whatever its direction
  const int c = g.cell(3, 3, 1);
  Cpres[c] = 98.1;
  coeffDriver7Column(c);
  EXPECT_TRUE(std::isfinite(Cap[c]));
  EXPECT_NEAR(Cap[c], 8.0 + 1e-20, 1e-12);
  EXPECT_NEAR(Csource[c], 8 * 0.01 * 0.981 * 1.01937, 1e-6);  // 0.000101937 per Pa
  for (double* a : {Can, Cann, Caw, Caww, Cas, Cass, Cae, Caee}) EXPECT_EQ(a[c], 1.0);
  // With F 246 2nd 1 the bump of the diagonal uses the sum of |cos|: 0.
  FlagSurfLimit2 = 1;
  BFroude[g.bedCell(3, 3)] = 1.0;
  coeffDriver7Column(c);
  EXPECT_NEAR(Cap[c], 8.0 + 1e-20, 1e-12);
}

// F 36 9 keeps only the column's own row; F 36 7 stores the eight links.
TEST(DriverEquation7, NineKeepsNoNeighbourLinks) {
  InProjectDir d;
  const SmallGrid g = grid(3, 3);
  FlagTFS3 = 5;
  const int c = g.cell(3, 3, 1);
  Cpres[c] = 98.1;
  for (int method : {9, 7}) {
    FlagTFS = method;
    for (double* a : {Can, Cann, Caw, Caww, Cas, Cass, Cae, Caee}) a[c] = 0.0;
    coeffDriver7Column(c);
    double links = 0.0;
    for (double* a : {Can, Cann, Caw, Caww, Cas, Cass, Cae, Caee}) links += a[c];
    EXPECT_EQ(links, method == 9 ? 0.0 : 8.0) << method;
    EXPECT_NEAR(Cap[c], 8.0, 1e-12) << method;
  }
}

// Options of the nine-point row on the middle column (flow eastwards at
// 0.5 m/s, Fr 0.5 everywhere, every link of weight 1).
TEST(DriverEquation7, OptionsOfTheRow) {
  InProjectDir d;
  struct Row {
    const char* what;
    std::function<void(const SmallGrid&)> set;
    double cap, source;
  };
  const double h = 0.01 * 0.981 * 1.01937;  // 1 cm of head in the factor 0.000101937
  const std::vector<Row> rows = {
      {"base", [](const SmallGrid&) {}, 8.0, 8 * h},
      {"F 428 scales the diagonal links (the north-east one 2 cm lower)",
       [](const SmallGrid& g) {
         reduceCornersSurf = 0.5;
         Cpres[g.cell(4, 4, 1)] = -98.1;
       },
       6.0, 6.5 * h},
      {"F 322 adds FlagTimeSurf x Fr", [](const SmallGrid&) { FlagTimeSurf = 2; }, 9.0, 8 * h},
      {"F 246 2nd 6 keeps 0.3 of the source", [](const SmallGrid&) { FlagSurfLimit2 = 6; }, 8.0, 0.3 * 8 * h},
      {"F 246 2nd 2 at least 1", [](const SmallGrid&) { FlagSurfLimit2 = 2; }, 8.0, 8 * h},
      {"F 246 3rd -1 with F 246 1st 2 floors at crit - depth (0 below Fr 1)",
       [](const SmallGrid&) {
         FlagSurfLimit1 = 2;
         FlagSurfLimit3 = -1;
       },
       8.0, 8 * h},
      {"F 246 3rd -6 (Fr above 0.5) floors a fall at 0",
       [](const SmallGrid& g) {
         FlagSurfLimit1 = 2;
         FlagSurfLimit3 = -6;
         for (int b = 1; b <= NoBCells; ++b) BFroude[b] = 0.6;
         Cpres[g.cell(3, 3, 1)] = -98.1;
       },
       8.0, 0.0},
      {"F 422 1 weighs by the mean distance over the own",
       [](const SmallGrid&) { FlagTestNB = 1; },
       4 * (1 + std::sqrt(2.0)) / 2 + 4 * (1 + std::sqrt(2.0)) / 2 / std::sqrt(2.0),
       (4 * (1 + std::sqrt(2.0)) / 2 + 4 * (1 + std::sqrt(2.0)) / 2 / std::sqrt(2.0)) * h},
  };
  for (const Row& r : rows) {
    setControlDefaults();
    const SmallGrid g = grid(3, 3);
    FlagTFS = 7;
    FlagTFS3 = 5;
    setVelocity(0.5, 0.0);
    for (int b = 1; b <= NoBCells; ++b) BFroude[b] = 0.5;
    const int c = g.cell(3, 3, 1);
    Cpres[c] = 98.1;
    r.set(g);
    coeffDriver7Column(c);
    EXPECT_NEAR(Cap[c], r.cap, 1e-6) << r.what;
    EXPECT_NEAR(Csource[c], r.source, 1e-6) << r.what;
  }
}

// The driver's F 36 9: the solve gives each column its own Csource / Cap,
// and the corner update takes those as level changes.
TEST(DriverEquation7, NineMovesEachColumnByItsSourceOverItsDiagonal) {
  InProjectDir d;
  const SmallGrid g = grid(1, 1);
  FlagTFS = 9;
  RelaxSurface = 1.0;
  iPres = jPres = 0;
  const int c = g.cell(2, 2, 1);
  // One column alone: only the F 405 time term gives it a diagonal.
  FlagTFS7 = 2;
  TimeStep = 4.0;
  Cpres[c] = 98.1;
  BFroude[g.bedCell(2, 2)] = 1.5;
  FlagSurfLimit2 = 4;  // a row without links moves to the critical depth
  surfaceEquation7(0);
  const double change = (std::pow(1.5 * 1.5, 0.3333333) - 1.0) / (1.0 + 0.5);
  EXPECT_NEAR(Cf[c], change, 1e-9);
  for (double z : levels()) EXPECT_NEAR(z, 1.0 + change, 1e-9);
}

// ---- Column water balance (F 36 5, 6) ----

// Three columns in a row with 1000 kg/s through every east-west face, the
// boundary faces included: every column is balanced, nothing moves, in a
// steady and in a transient run.
TEST(ColumnBalance, ABalancedFlowMovesNoLevel) {
  InProjectDir d;
  for (double dt : {1e-20, 2.0}) {
    setControlDefaults();
    const SmallGrid g = grid(3, 1);
    TimeStep = dt;
    for (int i = 2; i <= 4; ++i) {
      const int c = g.cell(i, 2, 1);
      Fflux[Cflatew[c]] = Fflux[Cflatee[c]] = 1000.0;
    }
    const std::vector<double> before = levels();
    surface_continuity();
    const std::vector<double> after = levels();
    for (std::size_t k = 0; k < before.size(); ++k) EXPECT_NEAR(after[k], before[k], 1e-12) << dt;
  }
}

// A transient step of 2 s: a single column receiving 0.01 m3/s through its
// west face rises by the volume over its plan area of 2 m x 1 m, 1 cm.
TEST(ColumnBalance, AColumnThatOnlyReceivesRisesByItsInflowVolume) {
  InProjectDir d;
  const SmallGrid g = grid(1, 1, 2.0);
  TimeStep = 2.0;
  const int c = g.cell(2, 2, 1);
  Fflux[Cflatew[c]] = 10.0;
  continuityColumnRow(c);
  EXPECT_NEAR(Cap[c], 1.0, 1e-12);         // 2 m2 / 2 s
  EXPECT_NEAR(Csource[c], 0.01, 1e-12);    // m3/s
  EXPECT_NEAR(Caw[c], 0.01 / 2.0, 1e-12);  // 10 kg/s over twice the 1 m side
  surface_continuity();
  for (double z : levels()) EXPECT_NEAR(z, 1.01, 1e-9);
}

// The same inflow as the discharge of an inflow group through a boundary
// face that carries no flux of its own.
TEST(ColumnBalance, AnInflowGroupFeedsItsColumn) {
  InProjectDir d;
  const SmallGrid g = grid(1, 1, 2.0);
  TimeStep = 2.0;
  const int c = g.cell(2, 2, 1);
  DischargeGroup& G = DischargeStruct[1];
  G.inflow = 1;
  G.surfno = 1;
  G.face[0] = Cflatew[c];
  G.area = Farea[Cflatew[c]];
  DischargeArray[1] = 10.0;  // l/s
  surface_continuity();
  for (double z : levels()) EXPECT_NEAR(z, 1.01, 1e-9);
  G.surfno = 0;
  DischargeArray[1] = 0.0;
}

// A column that gives water east to its neighbour: its own diagonal carries
// the outflow, the neighbour's west link the inflow; in a steady run a
// column receiving more than it passes on is held at its inflow.
TEST(ColumnBalance, UpwindLinksAndTheSteadyDiagonal) {
  InProjectDir d;
  const SmallGrid g = grid(2, 1);
  TimeStep = 1e-20;
  const int a = g.cell(2, 2, 1), b = g.cell(3, 2, 1);
  Fflux[Cflatee[a]] = 500.0;  // 0.5 m3/s through a side 1 m deep
  continuityColumnRow(a);
  continuityColumnRow(b);
  EXPECT_NEAR(Cap[a], 0.25, 1e-12);
  EXPECT_EQ(Cae[a], 0.0);
  EXPECT_NEAR(Caw[b], 0.25, 1e-12);
  EXPECT_NEAR(Cap[b], 0.25, 1e-12);  // no outflow: held at its inflow
  EXPECT_NEAR(Csource[a], -0.5, 1e-12);
  EXPECT_NEAR(Csource[b], 0.5, 1e-12);
  // A column with no flux at all keeps its level.
  Fflux[Cflatee[a]] = 0.0;
  continuityColumnRow(a);
  EXPECT_EQ(Cap[a], 1.0);
  EXPECT_EQ(Csource[a], 0.0);
}

// A steady column that receives 10 kg/s and passes on 1 kg/s changes by
// the defect over its inflow link, 0.009 / 0.005 = 1.8 m, more than its
// depth: the log warns that the flow has not settled.
TEST(ColumnBalance, AChangeLargerThanTheDepthIsReported) {
  InProjectDir d;
  const SmallGrid g = grid(1, 1);
  TimeStep = 1e-20;
  FlagTFS = 5;
  const int c = g.cell(2, 2, 1);
  Fflux[Cflatew[c]] = 10.0;
  Fflux[Cflatee[c]] = 1.0;
  surface_continuity();
  EXPECT_NEAR(Cf[c], 1.8, 1e-9);
  EXPECT_NE(d.dir().boogie().find("Warning: the column water balance (F 36 5) changed the level of cell 1 by "
                                  "1.800000 m, more than its depth of 1.000000 m"),
            std::string::npos)
      << d.dir().boogie();
}

// In a column of two cells the upper cell is held at zero and the side
// fluxes of both cells count.
TEST(ColumnBalance, UpperCellsAreHeldAndTheWholeColumnCounts) {
  InProjectDir d;
  SmallGrid g;
  g.nx = 1;
  g.ny = 1;
  g.nz = 2;
  g.build();
  Cf = Cfn;
  for (int f = 0; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  for (int k = 1; k <= 9; ++k) DischargeStruct[k].surfno = 0;
  TimeStep = 1.0;
  const int low = g.cell(2, 2, 1), up = g.cell(2, 2, 2);
  Fflux[Cflatew[low]] = 3.0;
  Fflux[Cflatew[up]] = 5.0;
  continuityColumnRow(low);
  continuityColumnRow(up);
  EXPECT_EQ(Cap[up], 1e20);
  EXPECT_EQ(Csource[up], 0.0);
  EXPECT_NEAR(Csource[low], 0.008, 1e-12);
}

// ---- Algorithm 10 ----

// A supercritical column 1 m deep at Froude number 2 is held at its bed
// plus the critical depth 4^(1/3) = 1.587 m less its top-cell head, or at
// the reference level where that is higher.
TEST(Algorithm10, SupercriticalColumnIsHeldAtCriticalDepth) {
  InProjectDir d;
  const SmallGrid g = grid(3, 1);
  setVelocity(1.0, 0.0);
  const int c = g.cell(3, 2, 1);
  BFroude[g.bedCell(3, 2)] = 2.0;
  Cpres[c] = 981.0;  // 0.1 m of head in the factor 0.0001019
  algo10ColumnRow(c, 0.5);
  EXPECT_EQ(Cap[c], 1e20);
  EXPECT_NEAR(Csource[c] / Cap[c], std::cbrt(4.0) - 981.0 * 0.0001019, 1e-6);
  EXPECT_NEAR(std::cbrt(4.0), 1.587, 0.001);
  algo10ColumnRow(c, 2.0);
  EXPECT_NEAR(Csource[c] / Cap[c], 2.0, 1e-12);
  // Subcritical: the mean of the downstream neighbour; upstream links 1e-20.
  BFroude[g.bedCell(3, 2)] = 0.5;
  algo10ColumnRow(c, 0.5);
  EXPECT_NEAR(Cae[c], 1.0, 1e-12);
  EXPECT_EQ(Caw[c], 1e-20);
  EXPECT_NEAR(Cap[c], 1.0 + 1e-20, 1e-12);
  EXPECT_EQ(Csource[c], 0.0);
}

// A column without neighbours keeps its start value (an identity row).
TEST(Algorithm10, AnIsolatedColumnKeepsItsStartValue) {
  InProjectDir d;
  const SmallGrid g = grid(1, 1);
  const int c = g.cell(2, 2, 1);
  Cf[c] = 0.7;
  algo10ColumnRow(c, 0.7);
  EXPECT_EQ(Cap[c], 1.0);
  EXPECT_EQ(Csource[c], 0.7);
}

// The whole method on 3 x 1 subcritical columns: every column takes the
// reference level, each grid point moves RelaxSurface of the way to it plus
// the mean top-cell head; the reference row wins over a supercritical fix of
// the same column.
TEST(Algorithm10, LevelsFollowTheReferencePlusTheHead) {
  InProjectDir d;
  const SmallGrid g = grid(3, 1);
  setVelocity(1.0, 0.0);
  RelaxSurface = 0.5;
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = 981.0;
  const int ref = g.cell(4, 2, 1);
  BFroude[g.bedCell(4, 2)] = 2.0;
  surfaceAlgo10(ref, 0.8);
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Cf[c], 0.8, 1e-9) << c;
  const double target = 0.8 + 981.0 * 0.0001019;
  for (double z : levels()) EXPECT_NEAR(z, 1.0 + 0.5 * (target - 1.0), 1e-9);
}

// The driver's F 36 10 lowers a copy of the reference level by the head of
// the reference column: two moves on the same field give the same reference
// row, and GlobZRef stays.
TEST(Algorithm10, TwoMovesOnTheSameFieldKeepTheReference) {
  InProjectDir d;
  const SmallGrid g = grid(3, 1);
  setVelocity(1.0, 0.0);
  FlagTFS = 10;
  iPres = 4;
  jPres = 2;
  GlobZRef = 1.0;
  const int ref = g.cell(4, 2, 1);
  Cpres[ref] = 981.0;
  surfaceAlgo10Move(ref);
  const double first = Cf[ref];
  surfaceAlgo10Move(ref);
  EXPECT_EQ(GlobZRef, 1.0);
  EXPECT_EQ(Cf[ref], first);
  EXPECT_NEAR(first, 1.0 - 981.0 * 0.000101937, 1e-9);
}
