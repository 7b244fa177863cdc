// The time-series log timeo: the line of every item letter on a small grid
// with hand-set fields, the print record in force as the time goes on, the
// print interval of the main flow driver and a log that cannot be opened.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "flow/flow.h"
#include "flow/stages.h"
#include "io/sidefiles.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// One item of a print record: letter, number (cell, variant or component),
// grid line (i, j) for h and z, component for q.
struct Item {
  char letter;
  int number = 0;
  int i = 0, j = 0, size = 0;
};

void setRecord(int r, double time, const std::vector<Item>& items) {
  TimePrintEntry& e = TimePrint[r];
  e.time = time;
  e.n = static_cast<int>(items.size());
  for (std::size_t p = 0; p < items.size(); ++p) {
    e.letter[p] = items[p].letter;
    e.number[p] = items[p].number;
    e.i[p] = items[p].i;
    e.j[p] = items[p].j;
    e.size[p] = items[p].size;
  }
}

// A fresh project with a grid of 3 x 2 columns of two cells, 1 m by 1 m,
// water 1 m deep. Cells by column (i, j), bottom cell first:
//
//   j = 3:   3  4 |  7  8 | 11 12
//   j = 2:   1  2 |  5  6 |  9 10
//            i = 2   i = 3   i = 4
//
// Cell centres at x = i - 1.5, y = j - 1.5; Ckdist 0.25, Cvol 0.5, Cidist and
// Cjdist 0.5; every face 1 m2 (the side faces 0.5 m2). Time 12.5 s.
class Timeo : public ::testing::Test {
 protected:
  void SetUp() override { start(grid_); }
  void TearDown() override { dir_.reset(); }

  void start(const SmallGrid& g) {
    dir_.reset();
    dir_ = std::make_unique<InProjectDir>();
    setRunStateInitial();
    setRecordsInitial();
    clearTimePrint();
    g.build();
    stimet = 12.5;
  }

  // The timeo line of one record with these items.
  std::string lineOf(const std::vector<Item>& items) {
    std::remove("timeo");
    TimePrintNo = 1;
    setRecord(0, 0.0, items);
    TimePrintFunction();
    return dir_->dir().read("timeo");
  }

  SmallGrid grid_ = [] {
    SmallGrid g;
    g.nx = 3, g.ny = 2, g.nz = 2;
    return g;
  }();
  std::unique_ptr<InProjectDir> dir_;
};

}  // namespace

// One row per item letter: the fields it reads set by hand, the line expected
// byte for byte.
TEST_F(Timeo, EveryItemLetterWritesItsValueInItsFormat) {
  struct Row {
    const char* what;
    std::function<void()> set;
    std::vector<Item> items;
    std::string line;
  };
  const std::vector<Row> rows = {
      {"u of cell 3", [] { Cxvel[3] = 0.125; }, {{'u', 3}}, "1.2500e+01 1.250000e-01 \n"},
      {"v of cell 5", [] { Cyvel[5] = -2.5; }, {{'v', 5}}, "1.2500e+01 -2.500000e+00 \n"},
      {"w of cell 8", [] { Czvel[8] = 3e-4; }, {{'w', 8}}, "1.2500e+01 3.000000e-04 \n"},
      {"k of cell 2", [] { Ckinen[2] = 0.01; }, {{'k', 2}}, "1.2500e+01 1.000000e-02 \n"},
      {"e of cell 2", [] { Cepsilon[2] = 1.5e-3; }, {{'e', 2}}, "1.2500e+01 1.500000e-03 \n"},
      {"d of cell 7", [] { Cgamma[7] = 1e-6; }, {{'d', 7}}, "1.2500e+01 1.000000e-06 \n"},
      {"p of cell 4", [] { Cpres[4] = 9810.0; }, {{'p', 4}}, "1.2500e+01 9.810000e+03 \n"},
      {"q: component 1 of cell 6",
       [] {
         NoComponents = 2;
         ASSERT_TRUE(allocate2(Ccomp, 2, NoCells + 1));
         Ccomp[0][6] = 1.0;
         Ccomp[1][6] = 7.25;
       },
       {{'q', 6, 0, 0, 1}},
       "1.2500e+01 7.250000e+00 \n"},
      {"n", [] {}, {{'n'}}, "1.2500e+01 12 \n"},
      {"g: discharge of group 1", [] { DischargeArray[1] = 1.5, DischargeArray[2] = 9.0; }, {{'g'}},
       "1.2500e+01 1.500000 \n"},
      {"h: water level at grid line (2, 3)", [] { zval[2][3][znumber] = 1.234, zval[2][3][1] = -7.0; },
       {{'h', 0, 2, 3}}, "1.2500e+01 1.234000e+00 \n"},
      {"z: bed level at grid line (3, 1)", [] { zval[3][1][1] = -0.5, zval[3][1][znumber] = 4.0; },
       {{'z', 0, 3, 1}}, "1.2500e+01 -5.000000e-01 \n"},
      {"b: backwater level and its scales",
       [] { maxBackwater = 0.75, scaleBackwater = 0.5, scaleBackwater2 = 0.125; }, {{'b'}},
       "1.2500e+01 0.750000 0.500000 0.125000 \n"},
      {"f ends the line: bed change, inflow and outflow of the sediment run",
       [] {
         MaxResidual[4] = 2.5e-3, MaxResidual[3] = 9.0;
         SumBedChange = 12.5, SumInflow = 40.0, SumOutflow = 27.25;
       },
       {{'f'}, {'n'}},
       "1.2500e+01 Cont: B I O R 1.250000e+01 4.000000e+01 2.725000e+01 2.500000e-03\n12 \n"},
      {"s: bed volume", [] { SurfacesBM = -0.375; }, {{'s'}}, "1.2500e+01 -0.375000 \n"},
      {"x: suspended-sediment error", [] { PrintMaxErrorSuspSed = 3.5; }, {{'x'}}, "1.2500e+01 3.50000e+00 \n"},
      {"t: median pressures", [] { medianPressure1 = 1234.5, medianPressure2 = -0.25; }, {{'t'}},
       "1.2500e+01 1.23450e+03 -2.50000e-01 \n"},
      {"c and Q write nothing", [] {}, {{'c', 1}, {'Q', 1}}, "1.2500e+01 \n"},
      {"a record without items", [] {}, {}, "1.2500e+01 \n"},
      // Depths 1, 2, 1, 3, 1, 1 m: mean 1.5 m.
      {"r: mean water depth",
       [] {
         Ckdist[3] = Ckdist[4] = 0.5;
         Ckdist[7] = Ckdist[8] = 0.75;
       },
       {{'r'}},
       "1.2500e+01 1.500000 \n"},
      // y: block 1 is i 2..4, j 2..3: grid lines i1-1 = 1 and i2 = 4 at jm = 3/2 + 1 = 2.
      {"y: upstream and downstream water levels",
       [] {
         zval[1][2][znumber] = 1.1, zval[4][2][znumber] = 0.9;
         zval[1][1][znumber] = zval[1][3][znumber] = zval[4][1][znumber] = zval[4][3][znumber] = 5.0;
         zval[0][2][znumber] = zval[2][2][znumber] = zval[3][2][znumber] = zval[5][2][znumber] = 5.0;
       },
       {{'y'}},
       "1.2500e+01 1.100000 0.900000 \n"},
      {"y: j2 = 6 reads jm = 4",
       [] {
         block[1].j2 = 6;
         zval[1][4][znumber] = 2.5, zval[4][4][znumber] = 2.25;
         zval[1][3][znumber] = zval[4][3][znumber] = zval[1][5][znumber] = zval[4][5][znumber] = 5.0;
       },
       {{'y'}},
       "1.2500e+01 2.500000 2.250000 \n"},
      // o 0: 300 k x bottom-face area over the bottom cells 1, 3, 7 (cell 7 on
      // 2 m2); cell 2 is no bottom cell: 300 x (0.01 + 0.02 + 0.06) = 27 N.
      {"o 0: turbulent bed shear",
       [] {
         Ckinen[1] = 0.01, Ckinen[3] = 0.02, Ckinen[7] = 0.03, Ckinen[2] = 0.5;
         Farea[Cflateb[7]] = 2.0;
       },
       {{'o', 0}},
       "1.2500e+01 2.70000e+01 \n"},
      // o 1: top faces of cells 2 and 8 tilted (tan 0.75 and 4/3), depth sums
      // 0.5 m: 2 x 9810 x 0.5 x (0.75 + 4/3) = 20437.5 N.
      {"o 1: surface-slope force",
       [] {
         Fvz[Cflatet[2]] = 0.8;
         Fvz[Cflatet[8]] = 0.6;
       },
       {{'o', 1}},
       "1.2500e+01 2.04375e+04 \n"},
      // o 2: bottom cell 1 with |u| = 5 m/s, 30 Ckdist / ks = e^2 (so
      // (0.4 / 2)^2 = 0.04) on a bed cell of 2 m2: 1000 x 25 x 0.04 x 2 = 2000 N.
      // Cell 2 (no bottom cell) does not count.
      {"o 2: log-law bed shear",
       [] {
         Cxvel[1] = 3.0, Cyvel[1] = 4.0, Croughness[1] = 7.5 / std::exp(2.0);
         Barea[Cbed[1]] = 2.0;
         Cxvel[2] = 10.0, Croughness[2] = 0.01;
       },
       {{'o', 2}},
       "1.2500e+01 2.00000e+03 \n"},
      // o 3: Cjdist 0.25; p 8 in cell 10, else 0. Top cell 6 (both i
      // neighbours): Gi = (8 - 0) / (4 x 0.5) = 4. Cell 10 (west only):
      // Gi = -8 / 1, Gj = (0 - 8) / 0.5 = -16. Cell 12 (south only): Gj = 8 / 0.5
      // = 16. Depth sums 0.5 m, top faces 1 m2: 4 + sqrt(320) + 16 N.
      {"o 3: surface pressure gradient",
       [] {
         for (int c = 1; c <= NoCells; ++c) Cjdist[c] = 0.25;
         Cpres[10] = 8.0;
       },
       {{'o', 3}},
       "1.2500e+01 3.78885e+01 \n"},
  };
  for (const Row& r : rows) {
    start(grid_);
    r.set();
    EXPECT_EQ(lineOf(r.items), r.line) << r.what;
  }
}

// The forces and the depth add to the time sums of the closing sediment log.
TEST_F(Timeo, ForcesAndDepthAddToTheirTimeSums) {
  Ckinen[1] = 0.01;                                // o 0: 3 N
  Fvz[Cflatet[2]] = 0.8;                           // o 1: 0.75 x 9810 = 7357.5 N
  Cxvel[1] = 3.0, Cyvel[1] = 4.0, Croughness[1] = 7.5 / std::exp(2.0);
  Barea[Cbed[1]] = 1.0;                            // o 2: 1000 N
  Cpres[6] = 2.0;                                  // o 3: 2 N at each of the tops 2, 6, 8, 10
  lineOf({{'o', 0}, {'o', 0}, {'o', 1}, {'o', 2}, {'o', 3}, {'r'}, {'r'}});
  EXPECT_DOUBLE_EQ(AvShearTimeo1, 6.0);
  EXPECT_NEAR(AvShearTimeo2, 7357.5, 1e-9);
  EXPECT_NEAR(AvShearTimeo3, 1000.0, 1e-9);
  EXPECT_NEAR(AvShearTimeo4, 8.0, 1e-12);
  EXPECT_DOUBLE_EQ(AvDepthTimeo, 2.0);
  EXPECT_EQ(NoDepthTimeo, 2);
}

// a: per discharge group with faces, the volume-weighted concentration of
// every size (row 0 the sum) over the cells at its faces. Group 1: cells 1
// (0.5 m3) and 3 (1.5 m3); group 3: cell 9; group 4: cell 11 without volume;
// group 2 has no faces.
TEST_F(Timeo, GroupConcentrationsAreVolumeWeightedMeansPerSize) {
  ASSERT_EQ(lnumber, 1);
  Cvol[3] = 1.5;
  Cvol[11] = 0.0;
  Cconc[0][1] = 0.2, Cconc[1][1] = 0.1;
  Cconc[0][3] = 0.6, Cconc[1][3] = 0.3;
  Cconc[0][9] = 0.4;
  Cconc[0][11] = 5.0;
  Cconc[0][2] = 9.0;  // not at a group face
  DischargeStruct[1].surfno = 2;
  DischargeStruct[1].face[0] = Cflatew[1];  // the cell is Fcell2 of a west face
  DischargeStruct[1].face[1] = Cflatew[3];
  DischargeStruct[3].surfno = 1;
  DischargeStruct[3].face[0] = Cflatee[9];
  DischargeStruct[4].surfno = 1;
  DischargeStruct[4].face[0] = Cflatee[11];
  ASSERT_EQ(Fcell1[Cflatew[1]], 0);
  ASSERT_EQ(Fcell1[Cflatee[9]], 9);
  EXPECT_EQ(lineOf({{'a'}, {'n'}}),
            "1.2500e+01 A 1 5.000000e-01 2.500000e-01  A 3 4.000000e-01 0.000000e+00  "
            "A 4 0.000000e+00 0.000000e+00  12 \n");
}

// m: distance from the release point of the component to the column with the
// largest depth-averaged value, and that value; written without a blank.
TEST_F(Timeo, LargestComponentColumnAndItsDistanceFromTheReleasePoint) {
  NoComponents = 2;
  ASSERT_TRUE(allocate2(Ccomp, 2, NoCells + 1));
  Ccomp[1][3] = 0.9, Ccomp[1][4] = 0.1;    // column (2, 3), top 4 at (0.5, 1.5): 0.5
  Ccomp[1][5] = 0.5, Ccomp[1][6] = 0.5;    // column (3, 2): 0.5, not larger
  Ccomp[1][11] = 0.2, Ccomp[1][12] = 0.6;  // column (4, 3): 0.4
  Ccomp[0][1] = 0.3, Ccomp[0][2] = 0.1;    // component 0: column (2, 2) at (0.5, 0.5): 0.2
  auto release = [](int r, int component, std::vector<int> cells) {
    SurfDischargeStruct[r].component = component;
    SurfDischargeStruct[r].cells = static_cast<int>(cells.size());
    for (std::size_t e = 0; e < cells.size(); ++e) SurfDischargeStruct[r].cell[e] = cells[e];
  };
  release(0, 1, {2});      // record 0 is not searched
  release(2, 1, {9, 1});   // (2.5, 0.5)
  release(5, 1, {11, 2});  // (2.5, 1.5): the last record of component 1 with cells
  release(6, 1, {});       // no cells: no release point
  release(8, 1, {1});      // record 8 is not searched
  // Component 1: 2 m from (2.5, 1.5). The second item (component 0) measures
  // from the same point: sqrt(4 + 1) m to (0.5, 0.5).
  EXPECT_EQ(lineOf({{'m', 1}, {'m', 0}, {'n'}}), "1.2500e+01 2.000000e+00 5.000000e-012.236068e+00 2.000000e-0112 \n");

  // A component without release records measures from the origin; no column
  // above 0 gives the top cell 0, the origin itself.
  release(2, 0, {}), release(5, 0, {}), release(6, 0, {});
  EXPECT_EQ(lineOf({{'m', 1}}), "1.2500e+01 1.581139e+00 5.000000e-01\n");
  for (int c = 1; c <= NoCells; ++c) Ccomp[1][c] = -1.0;
  EXPECT_EQ(lineOf({{'m', 1}}), "1.2500e+01 0.000000e+00 0.000000e+00\n");
}

// i: over the grid lines i1 + 3 .. i2 - 4 of block 1 (i 5 and 6 of a block of
// columns i 2..10, j 2..7, 2 m wide in j), the mean widest stretch of columns
// eroded deeper than F 94 below the bed as read and the mean width of the
// columns that hold cells. Erosion at the grid lines (bed as read minus bed):
//   i = 4: j 1..7 = 0.8 0 0 0.8 0.8 0 0.8;  i = 5: 0;  i = 6: 0.8 0.8 0.8 0 0 0 0.8
// so the column depths (mean of the four corners) are
//   line 5: 0.2 0 0.2 0.4 0.2 0.2  (stretches 1 and 4 columns, to the end)
//   line 6: 0.4 0.4 0.2 0 0 0.2    (stretches 3 and 1)
// Dry columns: (5, 3), (6, 3), (6, 7).
TEST_F(Timeo, ChannelWidthsOverTheInnerGridLinesOfBlockOne) {
  SmallGrid g;
  g.nx = 9, g.ny = 6, g.nz = 1, g.dy = 2.0;
  start(g);
  const double e4[8] = {0, 0.8, 0, 0, 0.8, 0.8, 0, 0.8}, e6[8] = {0, 0.8, 0.8, 0.8, 0, 0, 0, 0.8};
  for (int j = 1; j <= 7; ++j) {
    Surfaces[0][4][j] = zval[4][j][1] + e4[j];
    Surfaces[0][5][j] = zval[5][j][1];
    Surfaces[0][6][j] = zval[6][j][1] + e6[j];
  }
  // Lines outside the range are eroded everywhere: they must not count.
  for (int i : {1, 2, 3, 7, 8, 9, 10})
    for (int j = 1; j <= 7; ++j) Surfaces[0][i][j] = zval[i][j][1] + 5.0;
  zval[5][3][0] = zval[6][3][0] = zval[6][7][0] = 0;
  ASSERT_EQ(block[1].i1, 2);
  ASSERT_EQ(block[1].i2, 10);

  struct Row {
    double minDepth;
    int i2;
    std::string line;
  } rows[] = {
      {0.1, 10, "1.2500e+01 7.000000 9.000000\n"},   // (8 + 6) / 2, (10 + 8) / 2
      {0.2, 10, "1.2500e+01 3.000000 9.000000\n"},   // only depths above 0.2: (2 + 4) / 2
      {0.1, 9, "1.2500e+01 8.000000 10.000000\n"},   // line 5 alone
      {0.1, 8, "1.2500e+01 0.000000 0.000000\n"},    // no line
  };
  for (const Row& r : rows) {
    MinVertDist0 = r.minDepth;
    block[1].i2 = r.i2;
    EXPECT_EQ(lineOf({{'i'}}), r.line) << "F 94 " << r.minDepth << ", i2 " << r.i2;
  }
  MinVertDist0 = 0.1;
  block[1].i2 = 10;
  EXPECT_EQ(lineOf({{'i'}, {'n'}}), "1.2500e+01 7.000000 9.00000054 \n");  // no blank after i
}

// The record in force is the last one whose time has been reached; before the
// first time, the first record.
TEST_F(Timeo, TheLastRecordWhoseTimeHasComeIsPrinted) {
  DischargeArray[1] = 2.0;
  Cxvel[1] = 0.5;
  TimePrintNo = 3;
  setRecord(0, 10.0, {{'n'}});
  setRecord(1, 20.0, {{'g'}});
  setRecord(2, 30.0, {{'u', 1}});
  struct Row {
    double time;
    const char* line;
  } rows[] = {
      {5.0, "5.0000e+00 12 \n"},          {10.0, "1.0000e+01 12 \n"},         {15.0, "1.5000e+01 12 \n"},
      {20.0, "2.0000e+01 2.000000 \n"},   {25.0, "2.5000e+01 2.000000 \n"},   {30.0, "3.0000e+01 5.000000e-01 \n"},
      {99.0, "9.9000e+01 5.000000e-01 \n"},
  };
  std::string all;
  for (const Row& r : rows) {
    stimet = r.time;
    TimePrintFunction();
    all += r.line;
  }
  // Lines are appended.
  EXPECT_EQ(dir_->dir().read("timeo"), all);
}

// Out-of-range cells, components and grid lines print 0 instead of reading
// outside the arrays; so does a force variant other than 0..3, which adds to
// no time sum.
TEST_F(Timeo, NumbersOutsideTheGridPrintZero) {
  Cxvel[0] = 9.0;
  Ckinen[1] = 1.0;
  EXPECT_EQ(lineOf({{'u', 0}, {'u', 13}, {'p', -4}, {'q', 1, 0, 0, 0}, {'h', 0, -1, 2}, {'z', 0, 2, 99}, {'o', 4}}),
            "1.2500e+01 0.000000e+00 0.000000e+00 0.000000e+00 0.000000e+00 0.000000e+00 0.000000e+00 "
            "0.00000e+00 \n");
  EXPECT_EQ(AvShearTimeo1 + AvShearTimeo2 + AvShearTimeo3 + AvShearTimeo4, 0.0);
}

// A log that cannot be opened ends the run with status -3 and the reason in
// the log.
TEST_F(Timeo, ALogThatCannotBeOpenedEndsTheRunWithItsReason) {
  dir_->dir().mkdir("timeo");
  TimePrintNo = 1;
  setRecord(0, 0.0, {{'n'}});
  EXPECT_EXIT(TimePrintFunction(), ::testing::ExitedWithCode(253), "");
  EXPECT_TRUE(dir_->dir().boogieHas("Error: can not open file 'timeo' for appending")) << dir_->dir().boogie();
}

// The main flow driver prints at the start of every outer iteration that is a
// multiple of F 53, and at the second one, once the first record's time has
// come. The momentum stage leaves u = Iter in cell 1, so each line shows the
// iteration before it.
namespace {
void uIsIter(int) { Cxvel[1] = Iter; }
void nothing() {}
void nothingAt(int) {}
int goOn(int) { return 0; }
int noStop(int, double) { return 0; }
void noFluxes(int, int) {}
}  // namespace

TEST(TimeoInterval, TheDriverPrintsAtMultiplesOfF53AndAtTheSecondIteration) {
  struct Row {
    int every, outer;
    std::string lines;
  } rows[] = {
      {3, 7, "0.0000e+00 1.000000e+00 \n0.0000e+00 2.000000e+00 \n0.0000e+00 5.000000e+00 \n"},  // 2, 3, 6
      {1, 3, "0.0000e+00 0.000000e+00 \n0.0000e+00 1.000000e+00 \n0.0000e+00 2.000000e+00 \n"},  // 1, 2, 3
      {5, 6, "0.0000e+00 1.000000e+00 \n0.0000e+00 4.000000e+00 \n"},                             // 2, 5
  };
  const FlowDriverCalls saved = flowDriverCalls;
  for (const Row& r : rows) {
    InProjectDir dir;
    setRunStateInitial();
    setRecordsInitial();
    clearTimePrint();
    ASSERT_TRUE(FlowGrid::box(4, 2).build());
    FlowDriverCalls t = flowDriverCalls;
    t.metric = t.bedMake = t.startup = t.computeWCStart = t.setiPresjPres = t.gridTest = t.algMGMake = nothing;
    t.sprintflow = t.surface = t.surfaceLSUpdate = t.groundwater = t.computeSlideLocation = nothing;
    t.computeChangeTimestep = t.limitPressureMPI = t.boundary = t.modifyGrid = nothing;
    t.sialloc = [] { return 0; };
    t.surfaceTfs = t.printDebugTrekant = [](int, int) {};
    for (auto& thixo : t.thixoDamp) thixo = nothingAt;
    t.waterflow = noFluxes;
    t.momentumStage = uIsIter;
    t.explicitPredictor = t.turbulenceStage = t.componentStage = nothingAt;
    t.pressureStage = noStop;
    t.printEndWaterSolve = goOn;
    t.timePrintFunction = TimePrintFunction;
    flowDriverCalls = t;
    dir.dir().write("timeo", "from an earlier run\n");
    iterGlobalMax = r.outer;
    TransInnerIter = 1;
    PrintIterTime = r.every;
    TimePrintNo = 1;
    setRecord(0, 0.0, {{'u', 1}});
    Cxvel[1] = 0.0;
    stimet = 0.0;
    WaterSolve();
    flowDriverCalls = saved;
    EXPECT_EQ(dir.dir().read("timeo"), r.lines) << "F 53 " << r.every;
  }
}
