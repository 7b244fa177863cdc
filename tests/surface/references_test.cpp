// Reference levels of a surface move: the level and pressure of the reference
// column, its replacement by an outlet column when it has dried up, the second
// pair of the upstream end, the outlet mean of F 416, the boundary series of
// `timei`, the deposition levels of F 439 and the level shift of F 539, on a
// hand-built grid of 3 x 2 columns of two cells.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include "state/log.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "surface/surface.h"

namespace {

std::string logText() {
  std::ifstream in("boogie");
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Columns (i, j), i = 2..4, j = 2..3, cells bottom/top:
//   (2,2) 1/2   (3,2) 5/6    (4,2) 9/10
//   (2,3) 3/4   (3,3) 7/8    (4,3) 11/12
// Water level of column (i, j): 1 + 0.1 (i - 2) + 0.01 (j - 2) over a flat bed at 0.
double columnLevel(int i, int j) { return 1.0 + 0.1 * (i - 2) + 0.01 * (j - 2); }

struct Refs {
  InProjectDir dir;
  SmallGrid grid;

  Refs() {
    setRunStateInitial();
    grid.nx = 3;
    grid.ny = 2;
    grid.nz = 2;
    grid.water = columnLevel;
    grid.build();
    logTruncate();  // the log holds the lines of the surface routines only
    // Every cell its own pressure: cell c has 100 c Pa.
    for (int c = 1; c <= NoCells; ++c) Cpres[c] = 100.0 * c;
    iPres = 3;
    jPres = 2;  // top cell 6, level 1.1
  }

  // A discharge group whose faces are the east (outflow) or west (inflow)
  // faces of the listed cells, in this order.
  static void group(int g, int inflow, std::initializer_list<int> cells) {
    DischargeGroup& G = DischargeStruct[g];
    G.inflow = inflow;
    G.surfno = 0;
    for (int c : cells) G.face[G.surfno++] = inflow ? Cflatew[c] : Cflatee[c];
  }

  static void series(std::initializer_list<double> t, std::initializer_list<double> out,
                     std::initializer_list<double> in) {
    for (double** a : {&TimeInTime, &TimeInHout, &TimeInHinn}) {
      if (!*a) {
        ASSERT_TRUE(allocate1(*a, static_cast<std::size_t>(ArrayTimeSteps + 1)));
      }
    }
    int k = 0;
    for (double v : t) TimeInTime[k++] = v;
    TimeInNo = k;
    k = 0;
    for (double v : out) TimeInHout[k++] = v;
    k = 0;
    for (double v : in) TimeInHinn[k++] = v;
  }
};

}  // namespace

TEST(SurfaceReferences, WetReferenceFixesTheLevelOnceAndFollowsThePressure) {
  Refs x;
  stimet = 40.0;
  stimeWL2 = 25.0;
  NoNumSurfUpdate = 3;
  EXPECT_EQ(computeSurfaceReferences(), 6);
  EXPECT_NEAR(GlobZRef, 1.1, 1e-12);
  EXPECT_DOUBLE_EQ(GlobPresRef, 600.0);
  EXPECT_EQ(GlobZRef2, 0.0);
  EXPECT_EQ(stimeWL1, 25.0);
  EXPECT_EQ(stimeWL2, 40.0);
  EXPECT_EQ(NoNumSurfUpdate, 4);
  EXPECT_EQ(FlagDSO1, -1);  // no outflow group asked for: no search

  // The column rises and its pressure changes: the level stays fixed.
  Ckdist[6] += 0.2;
  Cpres[6] = 650.0;
  EXPECT_EQ(computeSurfaceReferences(), 6);
  EXPECT_NEAR(GlobZRef, 1.1, 1e-12);
  EXPECT_DOUBLE_EQ(GlobPresRef, 650.0);
}

// Each source named here makes every move take the level of the reference
// column again.
TEST(SurfaceReferences, LevelFollowsTheColumnWhenASourceAsksForIt) {
  struct Case {
    const char* what;
    void (*set)();
  };
  const Case cases[] = {
      // Records counted, but no series levels to take the level from.
      {"time series", [] { TimeInNo = 1; }},
      {"second column G 62", [] { jSurf = 1; }},
      {"outflow group G 6", [] { kSurf = 5; }},
  };
  for (const Case& k : cases) {
    Refs x;
    k.set();
    FlagWaterlevelModify = 0;
    computeSurfaceReferences();
    Ckdist[6] += 0.2;
    computeSurfaceReferences();
    EXPECT_NEAR(GlobZRef, 1.3, 1e-12) << k.what;
  }
}

TEST(SurfaceReferences, ColumnMeanPressureWithNonHydrostaticSurface) {
  for (int f233 : {0, 5, 6, 7, 8}) {
    Refs x;
    FlagNonHydrostaticSurf = f233;
    computeSurfaceReferences();
    // Column (3,2): cells 5 and 6 with 500 and 600 Pa.
    EXPECT_DOUBLE_EQ(GlobPresRef, f233 == 6 || f233 == 7 ? 550.0 : 600.0) << f233;
  }
}

// A broken column chain (6 above 5 and 5 above 6) ends the walk up.
TEST(SurfaceReferences, ColumnChainInACircleEndsTheWalk) {
  Refs x;
  Ccellt[6] = 5;
  const int r = computeSurfaceReferences();
  EXPECT_TRUE(r == 5 || r == 6) << r;
}

TEST(SurfaceReferences, OutletSearchFindsTheLastOutflowGroupOfTheReferenceCell) {
  Refs x;
  iPres = 4;
  jPres = 2;  // top cell 10
  kSurf = 2;
  Refs::group(1, 1, {9, 10});          // inflow: never the outlet
  Refs::group(2, 0, {9, 10, 11, 12});  // outflow with the reference cell
  Refs::group(3, 0, {11, 12});         // outflow without it
  Refs::group(4, 0, {10});             // outflow with it, found last
  EXPECT_EQ(computeSurfaceReferences(), 10);
  EXPECT_EQ(FlagDSO1, 4);

  // Found once: the search is not repeated.
  Refs::group(5, 0, {10});
  computeSurfaceReferences();
  EXPECT_EQ(FlagDSO1, 4);
}

TEST(SurfaceReferences, DryReferenceTakesTheColumnAtTheMiddleFaceOfTheOutlet) {
  Refs x;
  iPres = 4;
  jPres = 2;
  kSurf = 2;
  // The middle entry (5 / 2 = 2) is the face of cell 11, whose top cell is 12;
  // the other entries lie in other columns.
  Refs::group(2, 0, {9, 10, 11, 1, 2});
  computeSurfaceReferences();
  ASSERT_EQ(FlagDSO1, 2);
  zval[4][2][0] = 0.0;  // the reference column dries up
  EXPECT_EQ(computeSurfaceReferences(), 12);
  EXPECT_NEAR(GlobZRef, columnLevel(4, 3), 1e-12);
  EXPECT_DOUBLE_EQ(GlobPresRef, 1200.0);
}

TEST(SurfaceReferences, PointLevelWithFlagTFS3) {
  // Wet: the grid point's level, not the column's top face.
  {
    Refs x;
    FlagTFS = 3;
    zval[3][2][znumber] = 1.75;
    EXPECT_EQ(computeSurfaceReferences(), 6);
    EXPECT_EQ(GlobZRef, 1.75);
    EXPECT_DOUBLE_EQ(GlobPresRef, 600.0);
  }
  // Dry without a replacement: the point's level, pressure 0, no reference
  // cell; with the column-mean pressure the empty column gives no number.
  for (int f233 : {0, 6}) {
    Refs x;
    FlagTFS = 3;
    FlagNonHydrostaticSurf = f233;
    zval[3][2][0] = 0.0;
    zval[3][2][znumber] = 1.75;
    EXPECT_EQ(computeSurfaceReferences(), 0);
    EXPECT_EQ(GlobZRef, 1.75);
    if (f233 == 0)
      EXPECT_EQ(GlobPresRef, 0.0);
    else
      EXPECT_TRUE(std::isnan(GlobPresRef));
  }
}

namespace {
void reportProgram() { std::fprintf(stderr, "program=[%s]\n", mc_program); }

const char* const kError1Lines =
    "This may be due to drying up of the reference cell area\n"
    "If the 2D index does not fit, the problem may be due to that\n"
    "the choise of the number of the G 6 data set was done when F 112 1\n"
    "was used in the control file.\n\n"
    "The problem may be solved by using G 6 0 0 X ... \n"
    "where X is the number of the discharge group of the outflow region\n\n";
}  // namespace

// A dry reference column, an index outside the grid lines and a column number
// beyond the cells all mean "no cell": Error 1 without an outflow group.
TEST(SurfaceReferencesDeathTest, DryReferenceWithoutOutflowGroupIsError1) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Case {
    const char* what;
    void (*set)();
  };
  const Case cases[] = {
      {"dry column", [] { zval[3][2][0] = 0.0; }},
      {"i beyond the grid lines", [] { iPres = xnumber + 2; }},
      {"j below the grid lines", [] { jPres = -1; }},
      {"column number beyond the cells", [] { zval[3][2][0] = NoCells + 1; }},
  };
  for (const Case& k : cases) {
    Refs x;
    k.set();
    char head[120], program[120];
    std::snprintf(head, sizeof head, "Error 1 in Surface update, reference cell %d %d is dry\n", iPres, jPres);
    std::snprintf(program, sizeof program, "program=\\[Error, reference cell %d %d is dry      \\]", iPres, jPres);
    EXPECT_EXIT(
        {
          std::atexit(reportProgram);
          computeSurfaceReferences();
        },
        ::testing::ExitedWithCode(255), program)
        << k.what;
    EXPECT_EQ(logText(), std::string(head) + kError1Lines) << k.what;
  }
}

// Error 2 writes its lines, the restart file and the results, and the run
// ends with status -5.
TEST(SurfaceReferencesDeathTest, DryReferenceWithoutReplacementIsError2) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Case {
    const char* what;
    void (*set)();
  };
  const Case cases[] = {
      {"outflow group never found", [] { kSurf = 2; }},
      {"middle face outside the faces",
       [] {
         kSurf = 2;
         FlagDSO1 = 2;
         Refs::group(2, 0, {9, 10, 11});
         DischargeStruct[2].face[1] = NoSurfaces + 1;
       }},
      {"found group is no group", [] { kSurf = 2, FlagDSO1 = 12; }},
  };
  for (const Case& k : cases) {
    Refs x;
    zval[3][2][0] = 0.0;
    k.set();
    EXPECT_EXIT(computeSurfaceReferences(), ::testing::ExitedWithCode(251), "") << k.what;
    EXPECT_EQ(logText(),
              "Error 2 in Surface update, reference cell is dry\n"
              "This is probablye due to a grid split where the cells in front \n"
              "of the outflow area have dried up\n\n"
              "Writing alldata file\n\n")
        << k.what;
    EXPECT_TRUE(x.dir.dir().exists("alldata.0")) << k.what;
  }
}

TEST(SurfaceReferences, SecondPairFromTheSecondColumn) {
  Refs x;
  jSurf = 1;
  iPres2 = 2;
  jPres2 = 3;  // column (2,3): top cell 4
  EXPECT_EQ(computeSurfaceReferences(), 6);
  EXPECT_NEAR(GlobZRef2, columnLevel(2, 3), 1e-12);
  EXPECT_DOUBLE_EQ(GlobPresRef2, 400.0);
  // Without G 62 the second column is not read.
  jSurf = 0;
  GlobPresRef2 = -1.0;
  computeSurfaceReferences();
  EXPECT_EQ(GlobZRef2, 0.0);
  EXPECT_EQ(GlobPresRef2, -1.0);
}

TEST(SurfaceReferences, SecondPairFromTheInflowGroup) {
  {
    Refs x;
    kSurf2 = 1;
    Refs::group(1, 1, {1, 2, 3, 4});
    computeSurfaceReferences();
    EXPECT_DOUBLE_EQ(GlobPresRef2, 250.0);  // (100 + 200 + 300 + 400) / 4
    // Top cells 2 and 4: levels 1.0 and 1.01.
    EXPECT_NEAR(GlobZRef2, 1.005, 1e-12);
  }
  {
    // An outflow group gives no second pair.
    Refs x;
    kSurf2 = 1;
    Refs::group(1, 0, {1, 2, 3, 4});
    GlobPresRef2 = -1.0;
    computeSurfaceReferences();
    EXPECT_EQ(GlobPresRef2, -1.0);
    EXPECT_EQ(GlobZRef2, 0.0);
  }
  {
    // Bottom cells only: a pressure but no level.
    Refs x;
    kSurf2 = 1;
    Refs::group(1, 1, {1, 3});
    computeSurfaceReferences();
    EXPECT_DOUBLE_EQ(GlobPresRef2, 200.0);
    EXPECT_EQ(GlobZRef2, 0.0);
  }
}

TEST(SurfaceReferences, OutletMeanPressureOfF416) {
  struct Case {
    int flag;
    double interval;
    double presRef, zRef;
    double shift;  // subtracted from every cell pressure
  };
  // Outlet cells 9, 10, 11, 12 with 900 .. 1200 Pa; top cells 10 (level 1.2)
  // and 12 (level 1.21).
  const Case cases[] = {
      {1, 100.0, 1050.0, 1.205, 0.0},
      {2, 100.0, 0.0, 1.205, 1050.0},
      {3, 1050.0, 0.0, 1.2, 950.0},  // 900 and 1000 count, top cell 10
  };
  for (const Case& k : cases) {
    Refs x;
    kSurf = 2;
    Refs::group(2, 0, {9, 10, 11, 12});
    FlagPresDownstream = k.flag;
    IntervalPresDownstream = k.interval;
    computeSurfaceReferences();
    EXPECT_NEAR(GlobPresRef, k.presRef, 1e-9) << k.flag;
    EXPECT_NEAR(GlobZRef, k.zRef, 1e-12) << k.flag;
    EXPECT_NEAR(Cpres[1], 100.0 - k.shift, 1e-9) << k.flag;
    EXPECT_NEAR(Cpres[12], 1200.0 - k.shift, 1e-9) << k.flag;
  }
}

// F 416 3 where no top cell of the outlet counts: the level stays as it was,
// it does not drop to 0 m.
TEST(SurfaceReferences, OutletWithoutCountedTopCellKeepsTheLevel) {
  Refs x;
  kSurf = 2;
  Refs::group(2, 0, {9, 10, 11, 12});
  FlagPresDownstream = 3;
  IntervalPresDownstream = 950.0;  // only cell 9 (bottom) counts
  computeSurfaceReferences();
  EXPECT_NEAR(GlobPresRef, 0.0, 1e-9);
  EXPECT_NEAR(Cpres[9], 0.0, 1e-9);
  // The column level of step 7 (kSurf set) and no outlet level after it.
  EXPECT_NEAR(GlobZRef, 1.1, 1e-12);
}

// Downstream level H(TimeInHout) at stimet from records at 0, 100, 200 s with
// 1, 2, 4 m; the upstream level from TimeInHinn (10, 20, 40 m) with a second
// column only.
TEST(SurfaceReferences, LevelsOfTheTimeSeries) {
  struct Case {
    double t;
    double out, in;
  };
  const Case cases[] = {
      {50.0, 1.5, 15.0},   // inside the first interval
      {100.0, 2.0, 20.0},  // on a record
      {150.0, 3.0, 30.0},  // inside the last interval
      {250.0, 4.0, 40.0},  // after the last record: the last level
      {-50.0, 0.5, 5.0},   // before the first: the first interval extended
  };
  for (const Case& k : cases) {
    for (int second : {0, 1}) {
      Refs x;
      Refs::series({0.0, 100.0, 200.0}, {1.0, 2.0, 4.0}, {10.0, 20.0, 40.0});
      stimet = k.t;
      jSurf = second;
      iPres2 = 2;
      jPres2 = 2;
      computeSurfaceReferences();
      EXPECT_NEAR(GlobZRef, k.out, 1e-9) << k.t;
      EXPECT_NEAR(GlobZRef2, second ? k.in : 0.0, 1e-9) << k.t << " second " << second;
    }
  }
  // One record holds at every time.
  for (double t : {-10.0, 0.0, 1e6}) {
    Refs x;
    Refs::series({100.0}, {3.5}, {7.0});
    stimet = t;
    computeSurfaceReferences();
    EXPECT_EQ(GlobZRef, 3.5) << t;
  }
}

TEST(SurfaceReferences, DepositionLevelsOfF439) {
  struct Case {
    int flag;
    double zRef, zRef2;
  };
  // Record 0: 2.0 m downstream, 3.0 m upstream; deposits 0.4 m out, 0.1 m in.
  // The series at stimet (5.0 / 6.0 m) is replaced.
  const Case cases[] = {
      {1, 2.4, 0.0}, {2, 2.4, 3.1}, {3, 2.25, 3.25}, {4, 2.5, 3.5}, {5, 2.4, 0.0},
  };
  for (const Case& k : cases) {
    Refs x;
    Refs::series({0.0, 10.0}, {2.0, 5.0}, {3.0, 6.0});
    stimet = 20.0;
    depthDepositOut = 0.4;
    depthDepositIn = 0.1;
    FlagDepthDeposit = k.flag;
    computeSurfaceReferences();
    EXPECT_NEAR(GlobZRef, k.zRef, 1e-12) << k.flag;
    EXPECT_NEAR(GlobZRef2, k.zRef2, 1e-12) << k.flag;
  }
}

// F 439 without a series to raise: a clear error, not a read of missing arrays.
TEST(SurfaceReferencesDeathTest, DepositionLevelsWithoutTimeSeriesEndTheRun) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Case {
    const char* what;
    void (*set)();
  };
  const Case cases[] = {
      {"no records", [] {}},
      {"records without arrays", [] { TimeInNo = 2; }},
  };
  for (const Case& k : cases) {
    Refs x;
    FlagDepthDeposit = 1;
    k.set();
    EXPECT_EXIT(computeSurfaceReferences(), ::testing::ExitedWithCode(2), "") << k.what;
    EXPECT_EQ(logText(),
              "Error: F 439 1 raises the boundary levels of the time series 'timei', and this run has no such "
              "series\n\n")
        << k.what;
  }
}

namespace {

// Grid lines i = 1..4 of block 1 at x = 0, 1, 3, 6 m plus 0.5 (j - 1) m (the
// lines lean), j at y = j - 1. The middle line is jm = 3 / 2 + 1 = 2, so the
// rows measure from (i-1, 1) to (i, 2): sqrt(1.5^2 + 1), sqrt(2.5^2 + 1),
// sqrt(3.5^2 + 1), in all L = 8.1354130. Running shares w = S / L at
// i = 2, 3, 4: 0.2215961, 0.5525667, 1.
const double kShare[5] = {0.0, 0.0, 0.2215961, 0.5525667, 1.0};

void unevenRows() {
  const double x[5] = {0.0, 0.0, 1.0, 3.0, 6.0};
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 3; ++j) {
      xval[i][j] = x[i] + 0.5 * (j - 1);
      yval[i][j] = j - 1.0;
      zval[i][j][znumber] = 10.0;
    }
}

}  // namespace

// F 539 with one reference: the first line keeps its level, the others rise
// by the downstream change times their running share. No shift in the first
// iteration, but the levels are stored then.
TEST(SurfaceReferences, LevelShiftWithOneReference) {
  Refs x;
  unevenRows();
  Refs::series({0.0}, {2.0}, {5.0});
  FlagWaterlevelModify = 1;
  Iter = 1;
  computeSurfaceReferences();
  EXPECT_EQ(oldZvalDownstream, 2.0);
  EXPECT_EQ(oldZvalUpstream, 0.0);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(zval[i][2][znumber], 10.0) << i;

  TimeInHout[0] = 2.3;
  Iter = 2;
  computeSurfaceReferences();
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(zval[i][j][znumber], 10.0 + 0.3 * kShare[i], 1e-6) << i << " " << j;
  EXPECT_EQ(oldZvalDownstream, 2.3);

  // Without F 539, or without a series, nothing moves.
  for (auto off : {+[] { FlagWaterlevelModify = 0; }, +[] { TimeInNo = 0; }}) {
    unevenRows();
    FlagWaterlevelModify = 1;
    TimeInNo = 1;
    TimeInHout[0] = 2.3;
    oldZvalDownstream = 2.0;
    off();
    computeSurfaceReferences();
    EXPECT_EQ(zval[4][2][znumber], 10.0);
  }
}

// With a second reference the first line follows the upstream change, the
// last the downstream change and the lines between are blended by the
// running share; levels at and below 0 m are real levels.
TEST(SurfaceReferences, LevelShiftWithTwoReferences) {
  Refs x;
  unevenRows();
  Refs::series({0.0}, {-3.0}, {-2.0});
  FlagWaterlevelModify = 1;
  jSurf = 1;
  iPres2 = 2;
  jPres2 = 2;
  Iter = 1;
  computeSurfaceReferences();
  EXPECT_EQ(oldZvalUpstream, -2.0);
  TimeInHout[0] = -3.3;  // dD = -0.3
  TimeInHinn[0] = -1.5;  // dU = +0.5
  Iter = 5;
  computeSurfaceReferences();
  EXPECT_NEAR(zval[1][2][znumber], 10.5, 1e-9);
  for (int i = 2; i <= 4; ++i)
    for (int j = 1; j <= 3; ++j)
      EXPECT_NEAR(zval[i][j][znumber], 10.0 + 0.5 * (1.0 - kShare[i]) - 0.3 * kShare[i], 1e-6) << i << " " << j;
  EXPECT_EQ(oldZvalUpstream, -1.5);
}

TEST(SurfaceReferences, DebugLetterDWritesTheReferenceLine) {
  Refs x;
  debugging = 'D';
  jSurf = 1;
  iPres2 = 2;
  jPres2 = 3;
  zval[2][3][0] = 0.0;  // second column dry
  computeSurfaceReferences();
  EXPECT_EQ(logText(), "In surface generation, iSurfLocal = 6, iSurfLocal2 = 0, ZRef = 1.1, ZRef2 = 0\n");
}
