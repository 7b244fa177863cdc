// End-of-iteration control of the flow drivers, called directly with the
// residuals set by hand: when the iteration lines are written and what they
// hold, the stop rules in their order (convergence, flush, divergence,
// continuity, debug stop), the flush ladder with its field reset, and the
// crash report with its emergency output.
#include <gtest/gtest.h>
#include <omp.h>

#include <dirent.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "flow/control.h"
#include "flow/endcontrol.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

std::string readFile(const char* name) {
  std::ifstream in(name);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
bool fileExists(const char* name) { return access(name, F_OK) == 0; }
// True when a file whose name starts with the prefix is in the working directory.
bool fileStartingWith(const std::string& prefix) {
  DIR* d = opendir(".");
  if (!d) return false;
  bool found = false;
  while (dirent* e = readdir(d))
    if (std::string(e->d_name).compare(0, prefix.size(), prefix) == 0) found = true;
  closedir(d);
  return found;
}
std::string boogie() { return readFile("boogie"); }
// Empties the log, so that a test sees only the lines of the call it makes.
void clearLog() { std::ofstream("boogie", std::ios::trunc); }
bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

void setResiduals(double r1, double r2, double r3, double r4, double r5, double r6) {
  const double r[7] = {0.0, r1, r2, r3, r4, r5, r6};
  for (int i = 1; i <= 6; ++i) MaxResidual[i] = r[i];
}
void setResiduals(double r) { setResiduals(r, r, r, r, r, r); }

// The relaxation factors as the driver sets them at an outer iteration.
void setRelaxation() {
  relaxVelocity = 0.8;
  invRelaxVelocity = 1.25;
  relaxPressure = 0.3;
  relaxK = 0.6;
  relaxEpsilon = 0.5;
}
bool relaxationHalved() {
  return relaxVelocity == 0.4 && invRelaxVelocity == 2.5 && relaxPressure == 0.15 && relaxK == 0.3 &&
         relaxEpsilon == 0.25;
}
bool relaxationKept() {
  return relaxVelocity == 0.8 && invRelaxVelocity == 1.25 && relaxPressure == 0.3 && relaxK == 0.6 &&
         relaxEpsilon == 0.5;
}

// A fresh project directory and model state; a steady computation in outer
// iteration 3 whose iteration line is wanted after inner iteration 2 of 2,
// with residuals of 0.01 (neither converged nor large) and no mass defect.
class EndControl : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<InProjectDir>();
    setEndControlMax(0.0);
    Iter = 3;
    TransInnerIter = 2;
    FlagPrint = 0;
    NormResidual[4] = 1.0;
    setResiduals(0.01);
    setRelaxation();
  }
  void TearDown() override {
    setEndControlMax(0.0);
    dir_.reset();
  }
  // A box of 4 x 3 columns (or nx x ny) of 1 m x 1 m, 1 m deep, with its fields.
  static bool buildGrid(int nx = 4, int ny = 3) {
    if (!FlowGrid::box(nx, ny).build()) return false;
    setRelaxation();
    clearLog();
    return true;
  }

 private:
  std::unique_ptr<InProjectDir> dir_;
};

const char* kIterLine = "Iter: 3, Resid: ";

// ---- When the iteration lines are written ----

struct PrintCase {
  const char* name;
  int flagPrint, inner;
  double timeStep, max;
  int mpi;
  bool written;
  const char* shown;  // the largest residual as the line shows it
};

TEST_F(EndControl, IterationAndTrivikLinesAreWrittenByTheTable) {
  const PrintCase cases[] = {
      {"steady, last inner iteration", 0, 2, 1e-20, 0.0015, 0, true, "1.50e-03"},
      {"print not wanted", 1, 2, 1e-20, 0.0015, 0, false, "1.50e-03"},
      {"steady, earlier inner iteration", 0, 1, 1e-20, 0.0015, 0, false, "1.50e-03"},
      {"steady at the threshold, below the break limit", 0, 1, 1e-8, 0.0015, 0, false, "1.50e-03"},
      {"transient, below the break limit", 0, 1, 0.5, 0.0015, 0, true, "1.50e-03"},
      {"transient, at the break limit", 0, 1, 0.5, 0.002, 0, false, "2.00e-03"},
      {"transient, above the break limit", 0, 1, 0.5, 0.0025, 0, false, "2.50e-03"},
      {"transient below the limit, divided run", 0, 1, 0.5, 0.0015, 1, false, "1.50e-03"},
      {"transient divided run, last inner iteration", 0, 2, 0.5, 0.0015, 1, true, "1.50e-03"},
      {"transient below the limit, print not wanted", 1, 1, 0.5, 0.0015, 0, false, "1.50e-03"},
  };
  for (const PrintCase& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    setEndControlMax(0.0);
    Iter = 3;
    TransInnerIter = 2;
    NormResidual[4] = 1.0;
    FlagTrivik = 1;
    FlagPrint = c.flagPrint;
    TimeStep = c.timeStep;
    FlagMPI = c.mpi;
    setResiduals(c.max, 0.001, 0.0, 0.0005, 0.0, 0.0);
    EXPECT_EQ(printEndWaterSolve(c.inner), 0);
    const std::string line = std::string("Iter: 3, Resid: ") + c.shown + " 1.00e-03 0.00e+00 5.00e-04 0.00e+00 0.00e+00\n";
    EXPECT_EQ(count(boogie(), line), c.written ? 1 : 0) << boogie();
    EXPECT_EQ(count(readFile("trivik"), "\n"), c.written ? 1 : 0);
  }
}

TEST_F(EndControl, TrivikIsLeftAloneWithoutItsOption) {
  EXPECT_EQ(printEndWaterSolve(2), 0);
  EXPECT_TRUE(has(boogie(), kIterLine));
  EXPECT_FALSE(fileExists("trivik"));
}

TEST_F(EndControl, TinyAndNegativeResidualsArePrintedAsZero) {
  FlagTrivik = 1;
  setResiduals(0.5, 1e-91, -0.2, 1e-90, 0.3, 0.0);
  EXPECT_EQ(printEndWaterSolve(2), 0);
  EXPECT_EQ(boogie(), "Iter: 3, Resid: 5.00e-01 0.00e+00 0.00e+00 1.00e-90 3.00e-01 0.00e+00\n");
  EXPECT_EQ(readFile("trivik"), "3 0.500000 0.000000 0.000000 0.000000 0.300000 0.000000\n");
  EXPECT_EQ(MaxResidual[2], 0.0);
  EXPECT_EQ(MaxResidual[3], 0.0);
  EXPECT_EQ(MaxResidual[4], 1e-90);
}

TEST_F(EndControl, StatusTextNamesTheLargestResidualAndItsEquation) {
  TimeStep = 0.5;  // transient: no convergence
  setResiduals(0.2, 0.5, 0.5, 0.1, 0.0, 0.0);
  EXPECT_EQ(printEndWaterSolve(2), 0);
  EXPECT_STREQ(mc_message, "3 ResMax: 5.00e-01 for eq: 2");
  EXPECT_EQ(endControlMax(), 0.5);
  setResiduals(0.0);
  EXPECT_EQ(printEndWaterSolve(2), 0);
  EXPECT_STREQ(mc_message, "3 ResMax: 0.00e+00 for eq: 0");
}

TEST_F(EndControl, DebugLinesInTheirOrder) {
  debugging = 'D';
  TimeStep = 0.5;
  TimeInNo = 2;
  stimet = 9999.0;
  GlobContinuity = 1.5e-7;
  GlobDefMax = 2.5;
  DischargeArray[1] = 1500.0;
  DischargeArray[2] = 0.0;
  DischargeArray[3] = 5.0;
  DischargeArray[4] = 0.0;
  DischargeArray[5] = 7.0;
  DischargeStruct[1].surfno = 8;
  EXPECT_EQ(printEndWaterSolve(2), 0);
  EXPECT_EQ(boogie(),
            "Iter: 3, Resid: 1.00e-02 1.00e-02 1.00e-02 1.00e-02 1.00e-02 1.00e-02\n"
            "Cont: 1.50000000e-07, DefMax: 2.50000000e+00, U,V,W(0): 0.00000000e+00 0.00000000e+00 "
            "0.00000000e+00\n"
            "Time: 9999.000000 seconds\n"
            "Water discharge (l/s), group 1: 1500.000000, surfno: 8\n"
            "Water discharge (l/s), group 2: 0.000000, surfno: 0\n"
            "Water discharge (l/s), group 3: 5.000000\n"
            "NoCells = 0, NoSurfaces = 0, NoPoints = 0, InnerIter = 2\n");
}

TEST_F(EndControl, DebugLinesOfASteadyRunHaveNoTimeNorDischarge) {
  debugging = 'D';
  TimeInNo = 2;
  DischargeArray[1] = 1500.0;
  EXPECT_EQ(printEndWaterSolve(2), 0);
  const std::string log = boogie();
  EXPECT_TRUE(has(log, "Cont: "));
  EXPECT_TRUE(has(log, "NoCells = 0"));
  EXPECT_FALSE(has(log, "Time: "));
  EXPECT_FALSE(has(log, "Water discharge"));
}

TEST_F(EndControl, TimeLineUnitByTheSimulatedTime) {
  const struct {
    double stimet;
    const char* line;
  } cases[] = {
      {9999.0, "Time: 9999.000000 seconds\n"},
      {10000.0, "Time: 2.777778 hours\n"},
      {4999999.0, "Time: 1388.888611 hours\n"},
      {5e6, "Time: 57.870370 days\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    InProjectDir p;
    Iter = 3;
    TransInnerIter = 2;
    NormResidual[4] = 1.0;
    setResiduals(0.01);
    debugging = 'D';
    TimeStep = 0.5;
    TimeInNo = 1;
    stimet = c.stimet;
    printEndWaterSolve(2);
    EXPECT_TRUE(has(boogie(), c.line)) << boogie();
  }
}

TEST_F(EndControl, DischargeListStopsAtTheFirstGroupWithoutDischargeFromGroupThreeOn) {
  const struct {
    double d[10];
    int groupsFrom3;
  } cases[] = {
      {{0, 0, 0, 5, 7, 0, 9}, 2},
      {{0, 0, 0, 1e-20, 7}, 0},
      {{0, 0, 0, 0, 7}, 0},
      {{0, 0, 0, 1, 1, 1, 1, 1, 1, 1}, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.groupsFrom3);
    InProjectDir p;
    Iter = 3;
    TransInnerIter = 2;
    NormResidual[4] = 1.0;
    setResiduals(0.01);
    debugging = 'D';
    TimeStep = 0.5;
    TimeInNo = 1;
    for (int g = 0; g < 10; ++g) DischargeArray[g] = c.d[g];
    DischargeArray[10] = 3.0;  // beyond the nine groups
    printEndWaterSolve(2);
    const std::string log = boogie();
    EXPECT_EQ(count(log, ", surfno: "), 2);  // groups 1 and 2 always
    EXPECT_EQ(count(log, "Water discharge (l/s), group "), 2 + c.groupsFrom3);
    for (int g = 3; g < 3 + c.groupsFrom3; ++g)
      EXPECT_TRUE(has(log, "group " + std::to_string(g) + ": ")) << g;
  }
}

TEST_F(EndControl, StageTimesWithP) {
  debugging = 'P';
  otime[0] = 10.0;
  for (int i = 1; i <= 33; ++i) otime[i] = 10.0 + 0.5 * i;
  EXPECT_EQ(printEndWaterSolve(2), 0);
  std::string log = boogie();
  EXPECT_EQ(count(log, "OpenMP "), 32);
  EXPECT_TRUE(has(log, "OpenMP 1 = 0.5,         0.500000\n"));
  EXPECT_TRUE(has(log, "OpenMP 32 = 16,         0.500000\n"));
  EXPECT_FALSE(has(log, "OpenMP 33 "));

  FlagThixoIsComputing = 1;  // a slide computation prints no stage times
  printEndWaterSolve(2);
  EXPECT_EQ(count(boogie(), "OpenMP "), 32);
}

// ---- P 11 special lines, on the 4 x 3 box (12 m3 of water) ----

TEST_F(EndControl, AmountOfComponentOne) {
  ASSERT_TRUE(buildGrid());
  NoComponents = 2;
  ASSERT_TRUE(allocate2(Ccomp, 2, static_cast<size_t>(NoCells) + 1));
  for (int c = 1; c <= NoCells; ++c) Ccomp[1][c] = 2.0, Ccomp[0][c] = 50.0;
  PrintSpecials = 1;
  printEndWaterSolve(2);
  EXPECT_TRUE(has(boogie(), "Amount: 2.400000e+01\n")) << boogie();

  NoComponents = 1;  // one component has no component 1
  printEndWaterSolve(2);
  EXPECT_EQ(count(boogie(), "Amount: "), 1);
}

TEST_F(EndControl, AverageSurfaceConcentrationOverTopCells) {
  ASSERT_TRUE(buildGrid());
  NoComponents = 1;
  ASSERT_TRUE(allocate2(Ccomp, 1, static_cast<size_t>(NoCells) + 1));
  for (int c = 1; c <= NoCells; ++c) Ccomp[0][c] = Ccellt[c] == 0 ? 5.0 : 100.0;
  PrintSpecials = 2;
  printEndWaterSolve(2);
  EXPECT_TRUE(has(boogie(), "Average surface conc.: 5.000000e+00\n")) << boogie();
}

TEST_F(EndControl, AverageTopVelocity) {
  ASSERT_TRUE(buildGrid());
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = Ccellt[c] == 0 ? 3.0 : 100.0;
    Cyvel[c] = Ccellt[c] == 0 ? 4.0 : 100.0;
  }
  PrintSpecials = 3;
  printEndWaterSolve(2);
  EXPECT_TRUE(has(boogie(), "Average top velocity: 5.000000e+00\n")) << boogie();
}

TEST_F(EndControl, GridCounts) {
  ASSERT_TRUE(buildGrid());
  PrintSpecials = 4;
  printEndWaterSolve(2);
  EXPECT_TRUE(has(boogie(), "Number of cells: " + std::to_string(NoCells) + ", surfaces: " +
                                std::to_string(NoSurfaces) + ", points: " + std::to_string(NoPoints) + "\n"));
}

// 288 columns: more lines than the log takes in one block.
TEST_F(EndControl, BedProfileOnePerColumn) {
  ASSERT_TRUE(buildGrid(24, 12));
  for (int c = 1; c <= NoCells; ++c) Ckinen[c] = Ccellb[c] == 0 ? 0.01 : 1.0;
  PrintSpecials = 5;
  printEndWaterSolve(2);
  const std::string log = boogie();
  EXPECT_EQ(count(log, "x,z_bed,z_surf,shear\n"), 1);
  // Bed at 0 m, surface at 1 m, 300 x k = 3 Pa, one line per column; the
  // column centres lie half a metre inside their grid lines.
  EXPECT_EQ(count(log, " 0.000000 1.000000 3.000000\n"), 24 * 12) << log;
  for (int i = 0; i < 24; ++i)
    EXPECT_EQ(count(log, "\n" + std::to_string(i) + ".500000 0.000000 1.000000 3.000000\n"), 12) << i;
}

// ---- Convergence ----

TEST_F(EndControl, ConvergenceByTheTable) {
  const struct {
    const char* name;
    double timeStep;
    int stopTime, mpi, flagPrint;
    double max;
    bool converged;
  } cases[] = {
      {"steady, below 0.001", 1e-20, 0, 0, 0, 0.0009, true},
      {"steady, line not wanted", 1e-20, 0, 0, 1, 0.0009, true},
      {"steady, at 0.001", 1e-20, 0, 0, 0, 0.001, false},
      {"transient", 0.5, 0, 0, 0, 0.0005, false},
      {"transient with the stop at convergence", 0.5, 1, 0, 0, 0.0005, true},
      {"steady, divided run", 1e-20, 0, 1, 0, 0.0005, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    ASSERT_TRUE(buildGrid());
    setEndControlMax(0.0);
    Iter = 3;
    TransInnerIter = 2;
    NormResidual[4] = 1.0;
    gFlagFlow = 1;
    TimeStep = c.timeStep;
    FlagStopTime = c.stopTime;
    FlagMPI = c.mpi;
    FlagPrint = c.flagPrint;
    setResiduals(c.max, 0.0, 0.0, 0.0, 0.0, 0.0);
    EXPECT_EQ(printEndWaterSolve(2), c.converged ? 1 : 0);
    EXPECT_EQ(has(boogie(), "Solution converged\n"), c.converged);
    EXPECT_EQ(fileExists("result.end"), c.converged);
    if (c.converged) {
      EXPECT_EQ(gFlagFlow, 0);
      EXPECT_STREQ(mc_v1, "Written from watersolver due to convergence");
    }
    EXPECT_EQ(FlagErrorBreak, 0);
    EXPECT_EQ(RunErrorReported, 0);
  }
}

// ---- Flush and divergence ----

TEST_F(EndControl, FlushOrDivergenceByTheTable) {
  enum Outcome { None, Flush, Diverge };
  const struct {
    const char* name;
    int flush, done;
    double last, max;
    Outcome outcome;
  } cases[] = {
      {"growing above 5e8", 3, 0, 6e8, 7e8, Flush},
      {"at 5e8", 3, 0, 0.0, 5e8, None},
      {"falling", 3, 0, 8e8, 7e8, None},
      {"unchanged", 3, 0, 7e8, 7e8, None},
      {"last flush left", 3, 2, 6e8, 7e8, Flush},
      {"no flush left, below the crash limit", 3, 3, 6e8, 7e8, None},
      {"above the crash limit, growing, flush left", 3, 0, 1e9, 2e10, Flush},
      {"above the crash limit, falling, flushes left", 3, 1, 3e10, 2e10, None},
      {"above the crash limit, falling, no flush left", 3, 3, 3e10, 2e10, Diverge},
      {"no flush asked, above the crash limit", 0, 0, 0.0, 2e10, Diverge},
      {"no flush asked, at the crash limit", 0, 0, 0.0, 1e10, None},
      {"not a number, flushes left", 3, 0, 0.0, NaN, Diverge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    ASSERT_TRUE(buildGrid());
    Iter = 3;
    TransInnerIter = 2;
    NormResidual[4] = 1.0;
    FlagFlush = c.flush;
    FlagFlushIter = c.done;
    setEndControlMax(c.last);
    setResiduals(1.0, c.max, 1.0, 1.0, 1.0, 1.0);
    const int result = printEndWaterSolve(2);
    const std::string log = boogie();
    EXPECT_EQ(result, c.outcome == Diverge ? 1 : 0);
    EXPECT_EQ(count(log, "Solution flushed at Iter=3, InnerIter=2, "), c.outcome == Flush ? 1 : 0) << log;
    EXPECT_EQ(FlagFlushIter, c.done + (c.outcome == Flush ? 1 : 0));
    EXPECT_EQ(has(log, "Solution diverged after 2 inner and 3 outer iterations\n"), c.outcome == Diverge) << log;
    EXPECT_EQ(FlagErrorBreak, c.outcome == Diverge ? 1 : 0);
    EXPECT_EQ(RunErrorReported, c.outcome == Diverge ? 1 : 0);
  }
}

// Velocities that run away while the residual stays small: a speed above
// 1000 m/s is a divergence whatever the residual (and whatever the timing
// of the threads that decides the residual).
TEST_F(EndControl, ASpeedAboveTheBoundIsADivergence) {
  const struct {
    const char* name;
    double u, w;
    bool diverged;
  } cases[] = {
      {"just below the bound", 999.0, 40.0, false},
      {"just above the bound", 999.0, 50.0, true},  // sqrt(999^2 + 50^2) = 1000.25
      {"not a number", NaN, 0.0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    ASSERT_TRUE(buildGrid());
    Iter = 3;
    TransInnerIter = 2;
    NormResidual[4] = 1.0;
    WCStart = 1;
    WCEnd = NoCells;
    setResiduals(0.01);
    Cxvel[5] = c.u;
    Czvel[5] = c.w;
    EXPECT_EQ(printEndWaterSolve(2), c.diverged ? 1 : 0);
    const std::string log = boogie();
    EXPECT_EQ(has(log, "Solution diverged after 2 inner and 3 outer iterations\n"), c.diverged) << log;
    EXPECT_EQ(has(log, "The velocity of cell 5 is "), c.diverged) << log;
    EXPECT_EQ(RunErrorReported, c.diverged ? 1 : 0);
  }
}

// On a grid large enough for the check to run on all threads (F 206), the
// cell named is the first of the fastest, wherever the thread shares end.
TEST_F(EndControl, TheFirstFastestCellIsNamedOnAnyThreadCount) {
  const int kept = omp_get_max_threads();
  ASSERT_TRUE(buildGrid(40, 30));
  ASSERT_GT(NoCells, 10001);
  const int early = 7, late = NoCells - 3;
  const struct {
    const char* name;
    double earlySpeed, lateSpeed;
    int named;
  } cases[] = {
      {"equal speeds", 2000.0, 2000.0, early},
      {"the later one faster", 2000.0, 2000.5, late},
      {"the earlier one faster", 2000.5, 2000.0, early},
  };
  for (int threads : {1, 4}) {
    NoProcessesSolver = threads == 1 ? 0 : threads;
    omp_set_num_threads(threads);
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.name << ", " << threads << " threads");
      clearLog();
      RunErrorReported = FlagErrorBreak = 0;
      WCStart = 1;
      WCEnd = NoCells;
      for (int cell = 1; cell <= NoCells; ++cell) Cxvel[cell] = Cyvel[cell] = Czvel[cell] = 0.0;
      Cxvel[early] = c.earlySpeed;
      Cyvel[late] = c.lateSpeed;
      EXPECT_EQ(printEndWaterSolve(2), 1);
      EXPECT_TRUE(has(boogie(), "The velocity of cell " + std::to_string(c.named) + " is ")) << boogie();
    }
  }
  NoProcessesSolver = 0;
  omp_set_num_threads(kept);
}

TEST_F(EndControl, FlushLineCountersAndFirstRemedy) {
  ASSERT_TRUE(buildGrid());
  FlagFlush = 3;
  FlushedNo = 4;
  FlagPrint = 1;
  setEndControlMax(6e8);
  setResiduals(1.0, 7e8, 1.0, 1.0, 1.0, 1.0);
  EXPECT_EQ(printEndWaterSolve(2), 0);
  EXPECT_EQ(boogie(),
            "Solution flushed at Iter=3, InnerIter=2, Residual=700000000.000000, relax=0.300000, "
            "TotalFlushings = 5\n");
  EXPECT_EQ(FlagFlushIter, 1);
  EXPECT_EQ(FlushedNo, 5);
  EXPECT_TRUE(relaxationHalved());
  EXPECT_EQ(FlagErrorBreak, 0);
  EXPECT_EQ(RunErrorReported, 0);
}

TEST_F(EndControl, FlushMakesTheRemedyOfItsNumberInTheComputation) {
  ASSERT_TRUE(buildGrid());
  FlagFlush = 5;
  FlagFlushIter = 3;  // the next flush is the fourth: Rhie-Chow switched on
  FlushedNo = 7;
  FlagRhieChow = 0;
  setEndControlMax(6e8);
  setResiduals(7e8);
  EXPECT_EQ(printEndWaterSolve(2), 0);
  EXPECT_EQ(FlagFlushIter, 4);
  EXPECT_EQ(FlushedNo, 8);
  EXPECT_EQ(FlagRhieChow, 7);
  EXPECT_TRUE(relaxationKept());
  EXPECT_TRUE(has(boogie(), "TotalFlushings = 8\n"));
}

TEST_F(EndControl, FlushIsFollowedByTheContinuityTest) {
  ASSERT_TRUE(buildGrid());
  FlagFlush = 1;
  setEndControlMax(6e8);
  setResiduals(7e8);
  GlobContinuity = 0.5;
  EXPECT_EQ(printEndWaterSolve(2), 1);
  const std::string log = boogie();
  EXPECT_TRUE(has(log, "Solution flushed at Iter=3"));
  EXPECT_TRUE(has(log, "Error in continuity, WaterSolve. Defect = 0.500000 l/s\n"));
  EXPECT_EQ(FlagErrorBreak, 1);
}

struct RemedyCase {
  int n;
  int acc, rhieChow, stab2, stab5, stab2ori, stab5ori;
  bool halved;
  int accAfter, rhieChowAfter, stab2After, stab5After;
};

TEST_F(EndControl, RemedyLadder) {
  const RemedyCase cases[] = {
      {1, 0, 0, 0, 0, 0, 0, true, 0, 0, 0, 0},
      {4, 0, 0, 0, 0, 0, 0, false, 0, 7, 0, 0},
      {4, 0, 3, 0, 0, 0, 0, false, 0, 0, 0, 0},
      {5, 2, 0, 0, 0, 0, 0, false, 1, 0, 0, 0},
      {5, 1, 0, 0, 0, 0, 0, true, 1, 0, 0, 0},
      {6, 0, 0, 0, 0, 0, 0, true, 0, 0, 0, 0},
      // Another corner-level rule stays in force.
      {2, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, 2},
      // With that rule already in force the shallow columns are cut, for the
      // one regeneration: both rules go back to their values as read.
      {2, 0, 0, 0, 2, 0, 0, false, 0, 0, 0, 0},
      {3, 0, 0, 0, 2, 0, 0, false, 0, 0, 0, 0},
      {3, 0, 0, 9, 0, 9, 0, false, 0, 0, 9, 0},
  };
  for (const RemedyCase& c : cases) {
    SCOPED_TRACE("flush " + std::to_string(c.n) + " stab2 " + std::to_string(c.stab2) + " stab5 " +
                 std::to_string(c.stab5));
    InProjectDir p;
    ASSERT_TRUE(buildGrid());
    Flag2DAccSolver = c.acc;
    FlagRhieChow = c.rhieChow;
    FlagGridStab2 = c.stab2;
    FlagGridStab5 = c.stab5;
    FlagGridStab2ori = c.stab2ori;
    FlagGridStab5ori = c.stab5ori;
    flushFunction(c.n);
    EXPECT_EQ(relaxationHalved(), c.halved);
    if (!c.halved) {
      EXPECT_TRUE(relaxationKept());
    }
    EXPECT_EQ(Flag2DAccSolver, c.accAfter);
    EXPECT_EQ(FlagRhieChow, c.rhieChowAfter);
    EXPECT_EQ(FlagGridStab2, c.stab2After);
    EXPECT_EQ(FlagGridStab5, c.stab5After);
  }
}

// A steady computation has no previous-step fields: the current ones are
// limited in their place.
TEST_F(EndControl, SteadyFlushLimitsTheCurrentFields) {
  ASSERT_TRUE(buildGrid());
  ASSERT_EQ(Cxvel_old, nullptr);
  ASSERT_EQ(Ckinen_old, nullptr);
  ASSERT_GE(NoCells, 6);
  const double u[] = {3.0, NaN, -0.5, 0.25, -7.0};
  const double w[] = {-0.5, NaN, 0.05, 0.3, -0.1};
  const double k[] = {NaN, 0.0, -1.0, 0.3, 1e-9};
  const double uWant[] = {1.0, -1.0, -0.5, 0.25, -1.0};
  const double wWant[] = {-0.1, -0.1, 0.05, 0.1, -0.1};
  const double kWant[] = {1e-4, 1e-4, 1e-4, 0.3, 1e-9};
  for (int n = 0; n < 5; ++n) {
    const int c = n + 1;
    Cxvel[c] = u[n];
    Cyvel[c] = -u[n];
    Czvel[c] = w[n];
    Ckinen[c] = k[n];
    Cepsilon[c] = k[n];
    Cpres[c] = 5000.0;
  }
  WCEnd = NoCells - 1;
  Cxvel[NoCells] = 3.0;  // outside the work range
  Cpres[NoCells] = 5000.0;
  flushFunction(1);
  for (int n = 0; n < 5; ++n) {
    SCOPED_TRACE(n + 1);
    const int c = n + 1;
    EXPECT_EQ(Cxvel[c], uWant[n]);
    EXPECT_EQ(Cyvel[c], std::isnan(u[n]) ? -1.0 : -uWant[n]);
    EXPECT_EQ(Czvel[c], wWant[n]);
    EXPECT_EQ(Ckinen[c], kWant[n]);
    EXPECT_EQ(Cepsilon[c], kWant[n]);
    EXPECT_EQ(Cpres[c], 0.0);
  }
  EXPECT_EQ(Cxvel[NoCells], 3.0);
  EXPECT_EQ(Cpres[NoCells], 5000.0);
}

TEST_F(EndControl, TransientFlushTakesThePreviousStepLimited) {
  ASSERT_TRUE(buildGrid());
  const size_t n = static_cast<size_t>(NoCells) + 1;
  for (double** a : {&Cxvel_old, &Cyvel_old, &Czvel_old, &Ckinen_old, &Cepsilon_old})
    ASSERT_TRUE(allocate1(*a, n));
  for (int c = 1; c <= 2; ++c) Cxvel[c] = Cyvel[c] = Czvel[c] = 0.2, Ckinen[c] = Cepsilon[c] = 0.7;
  Cxvel_old[1] = 3.0, Cyvel_old[1] = NaN, Czvel_old[1] = -0.05, Ckinen_old[1] = 0.02, Cepsilon_old[1] = 0.003;
  Cxvel_old[2] = -0.4, Cyvel_old[2] = 0.6, Czvel_old[2] = NaN, Ckinen_old[2] = -1.0, Cepsilon_old[2] = 0.0;
  Cpres[1] = Cpres[2] = 100.0;
  flushFunction(1);
  EXPECT_EQ(Cxvel[1], 1.0);
  EXPECT_EQ(Cyvel[1], -1.0);
  EXPECT_EQ(Czvel[1], -0.05);
  EXPECT_EQ(Ckinen[1], 0.02);
  EXPECT_EQ(Cepsilon[1], 0.003);
  EXPECT_EQ(Cxvel[2], -0.4);
  EXPECT_EQ(Cyvel[2], 0.6);
  EXPECT_EQ(Czvel[2], -0.1);
  EXPECT_EQ(Ckinen[2], -1.0);  // the previous step is taken as it is
  EXPECT_EQ(Cepsilon[2], 0.0);
  EXPECT_EQ(Cpres[1], 0.0);
  EXPECT_EQ(Cpres[2], 0.0);
}

TEST_F(EndControl, FlushWithMultigridStartsFromRest) {
  for (bool transient : {false, true}) {
    SCOPED_TRACE(transient ? "with previous step" : "steady");
    InProjectDir p;
    ASSERT_TRUE(buildGrid());
    const size_t n = static_cast<size_t>(NoCells) + 1;
    if (transient) {
      for (double** a : {&Cxvel_old, &Cyvel_old, &Czvel_old, &Ckinen_old, &Cepsilon_old})
        ASSERT_TRUE(allocate1(*a, n));
    }
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = Cyvel[c] = Czvel[c] = Cpres[c] = 0.3;
      Ckinen[c] = Cepsilon[c] = 0.5;
      if (transient) Cxvel_old[c] = Cyvel_old[c] = Czvel_old[c] = Ckinen_old[c] = Cepsilon_old[c] = 0.3;
    }
    Flag2DAccSolver = 2;
    flushFunction(1);
    for (int c = 1; c <= NoCells; ++c) {
      ASSERT_EQ(Cxvel[c], 0.0) << c;
      ASSERT_EQ(Cyvel[c], 0.0) << c;
      ASSERT_EQ(Czvel[c], 0.0) << c;
      ASSERT_EQ(Cpres[c], 0.0) << c;
      ASSERT_EQ(Ckinen[c], 1e-4) << c;
      ASSERT_EQ(Cepsilon[c], 1e-4) << c;
      if (transient) {
        ASSERT_EQ(Cxvel_old[c], 0.0) << c;
        ASSERT_EQ(Cyvel_old[c], 0.0) << c;
        ASSERT_EQ(Czvel_old[c], 0.0) << c;
        ASSERT_EQ(Ckinen_old[c], 1e-4) << c;
        ASSERT_EQ(Cepsilon_old[c], 1e-4) << c;
      }
    }
    EXPECT_TRUE(relaxationHalved());
  }
}

// F 549 1: after a flush every column is hydrostatic below its water level
// (1 m): 9810 x (1.0 - 0.4) = 5886 Pa in every cell, whatever F 128 says,
// and F 128 keeps its value. Without F 549 the flushed pressures stay 0.
TEST_F(EndControl, FlushWithPressureResetMakesTheColumnsHydrostatic) {
  for (int crash : {1, 0}) {
    SCOPED_TRACE(crash);
    InProjectDir p;
    ASSERT_TRUE(buildGrid());
    for (int c = 1; c <= NoCells; ++c) Cpres[c] = 0.3;
    GlobZRef = 0.4;
    FlagPresSetZero = 2;
    FlagPresCrash = crash;
    flushFunction(1);
    EXPECT_EQ(FlagPresSetZero, 2);
    for (int c = 1; c <= NoCells; ++c) ASSERT_NEAR(Cpres[c], crash ? 5886.0 : 0.0, 1e-9) << c;
  }
}

// ---- The crash report ----

TEST_F(EndControl, DivergenceWritesTheCrashReport) {
  ASSERT_TRUE(buildGrid());
  FlagPrint = 1;  // the report's iteration line is written all the same
  TimeStep = 0.5;
  stimet = 12.5;
  DischargeArray[1] = 1500.0;
  DischargeArray[2] = 1000.0;
  DischargeArray[3] = 0.0;
  DischargeArray[4] = 7.0;
  Glob_dmI = 5;
  GlobContinuity = 0.25;  // the continuity test never comes
  gFlagFlow = 1;
  setResiduals(2e10, 1.0, 1.0, 1.0, 1.0, 1.0);
  EXPECT_EQ(printEndWaterSolve(2), 1);
  const std::string log = boogie();
  EXPECT_TRUE(has(log,
                  "Solution diverged after 2 inner and 3 outer iterations\n"
                  "Max residual is 2.000000e+10\n"
                  "A possible reason is that an older version of the unstruc file is used\n"
                  "and the corresponding koordina file is not read or the G 1 data set is changed\n\n"
                  "Iter: 3, Resid: 2.00e+10 1.00e+00 1.00e+00 1.00e+00 1.00e+00 1.00e+00\n"
                  "Cont: 2.50000000e-01, DefMax: 0.00000000e+00, U,V,W(5): "))
      << log;
  EXPECT_EQ(count(log, kIterLine), 1);
  EXPECT_TRUE(has(log, "Largest residual is in cell b=" + std::to_string(Cbed[5]) + ", c=5, i=" +
                           std::to_string(Bkooi[Cbed[5]]) + ", j=" + std::to_string(Bkooj[Cbed[5]]) + "\n"));
  EXPECT_TRUE(has(log,
                  "Please look at the ParaView2.vtk file to find out where the problem is\n\n"
                  "Time: 12.500000 seconds\n"
                  "Water discharge (l/s), group 1: 1500.000000\n"
                  "Water discharge (l/s), group 2: 1000.000000\n"
                  "Debugging information: Cell height: "))
      << log;
  EXPECT_FALSE(has(log, "group 4"));
  EXPECT_TRUE(has(log, "Horizontal cell distances: 1.000000 1.000000 meters\n"));
  EXPECT_TRUE(has(log, "Roughness "));
  EXPECT_TRUE(has(log, "Neighbour areas (wsen): "));
  EXPECT_TRUE(has(log, "Bed surface vector components: "));
  EXPECT_TRUE(has(log, "Bed area components: "));
  EXPECT_TRUE(has(log, "Have checked grid from cell "));  // the topology check
  EXPECT_FALSE(has(log, "Error in continuity"));
  EXPECT_EQ(FlagErrorBreak, 1);
  EXPECT_EQ(RunErrorReported, 1);
  EXPECT_EQ(gFlagFlow, 0);
  EXPECT_EQ(FlagInterpolVal, 91);
  // The plan-view file, under its plain or its numbered name.
  EXPECT_TRUE(fileExists("ParaView2.vtk") || fileStartingWith("pav2_"));
  EXPECT_FALSE(fileExists("unstruc.dbg"));
  EXPECT_FALSE(fileExists("result.csh"));
}

TEST_F(EndControl, OldGridHintOnlyForOlderGridFiles) {
  for (int version : {1, 2}) {
    SCOPED_TRACE(version);
    InProjectDir p;
    ASSERT_TRUE(buildGrid());
    Iter = 3;
    TransInnerIter = 2;
    NormResidual[4] = 1.0;
    FlagReadUnstruc = version;
    setResiduals(2e10);
    EXPECT_EQ(printEndWaterSolve(2), 1);
    EXPECT_EQ(has(boogie(), "A possible reason is that an older version"), version < 2);
  }
}

TEST_F(EndControl, DivergedCellLinesWithD) {
  ASSERT_TRUE(buildGrid());
  debugging = 'D';
  FlagReadUnstruc = 2;
  int c = 1;
  while (c <= NoCells && Ccellb[c] != 0) ++c;
  ASSERT_LE(c, NoCells);
  Glob_dmI = c;
  const int i = Bkooi[Cbed[c]], j = Bkooj[Cbed[c]];
  // Bed levels that tell the grid lines apart; the non-erodible level flat.
  for (int gi = 0; gi <= xnumber + 1; ++gi)
    for (int gj = 0; gj <= ynumber + 1; ++gj) {
      zval[gi][gj][1] = 10.0 * gi + gj;
      Surfaces[3][gi][gj] = -2.5;
    }
  Cepsilon[c] = 0.25;
  Csource[c] = 2.0;
  Cap[c] = 4.0;
  setResiduals(NaN);
  EXPECT_EQ(printEndWaterSolve(2), 1);
  const std::string log = boogie();
  char corners[200];
  std::snprintf(corners, sizeof corners, "Corner zval[1]:       %lf %lf %lf %lf\n", 10.0 * (i - 1) + (j - 1),
                10.0 * i + (j - 1), 10.0 * i + j, 10.0 * (i - 1) + j);
  const double h = 2.0 * Ckdist[c];  // the four vertical edges of a box cell
  char heights[200];
  std::snprintf(heights, sizeof heights, "Corner heights Pz(1-4): %lf %lf %lf %lf\n\n", h, h, h, h);
  EXPECT_TRUE(has(log, "Max. water defect in cell " + std::to_string(c) + "\n" + heights + corners +
                           "Corner zval[znumber]: 1.000000 1.000000 1.000000 1.000000\n"
                           "Corner Surfaces[LB]:  -2.500000 -2.500000 -2.500000 -2.500000\n"
                           "Epsilon = 0.250000, Source = 2.000000, Cap = 4.000000, S/Cap = 0.500000\n"))
      << log;
  EXPECT_FALSE(has(log, "A possible reason"));
}

// The emergency grid and results go to their crash names. The run may end
// inside the writers (a writer this build does not hold), so the report runs
// in a child and the files are looked for afterwards.
TEST_F(EndControl, CrashGridFilesWithF257) {
  GTEST_FLAG_SET(death_test_style, "fast");
  ASSERT_TRUE(buildGrid());
  FlagCrashGrid = 1;
  EXPECT_EXIT(
      {
        printAtCrash();
        std::exit(FlagCrashGrid == 2 ? 0 : 9);
      },
      [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) != 9; }, "");
  EXPECT_TRUE(fileExists("unstruc.dbg"));
  EXPECT_FALSE(fileExists("unstruc"));
}

TEST_F(EndControl, TopologyCheckLeftOutWithF488) {
  ASSERT_TRUE(buildGrid());
  UMethod2 = 1;
  printAtCrash();
  EXPECT_FALSE(has(boogie(), "Have checked grid"));
}

TEST_F(EndControl, CrashVariablesOfThePlanViewFile) {
  const struct {
    int before, residual, after;
  } cases[] = {{0, 1, 11}, {0, 0, 9}, {3, 1, 5}, {3, 0, 3}, {294, 1, 296}, {295, 1, 295}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.before) + " " + std::to_string(c.residual));
    InProjectDir p;
    ASSERT_TRUE(buildGrid());
    for (int n = 0; n < c.before; ++n) TecStruc[n] = TecVariable{0, 0, 0, 'v'};
    TecStrucNo = c.before;
    FlagResidual = c.residual;
    printAtCrash();
    ASSERT_EQ(TecStrucNo, c.after);
    if (c.before == 0) {
      const char letters[] = "yvmpsuwizRK";
      for (int n = 0; n < c.after; ++n) {
        EXPECT_EQ(TecStruc[n].letter, letters[n]) << n;
        EXPECT_EQ(TecStruc[n].level, n < 9 ? 0 : 1) << n;
        EXPECT_EQ(TecStruc[n].size, 0) << n;
      }
    } else if (c.after > c.before) {
      EXPECT_EQ(TecStruc[c.before].letter, 'R');
      EXPECT_EQ(TecStruc[c.before].level, 1);
      EXPECT_EQ(TecStruc[c.before + 1].letter, 'K');
      EXPECT_EQ(TecStruc[c.before + 1].level, 1);
    }
  }
}

// ---- Continuity and the debug stop ----

TEST_F(EndControl, ContinuityByTheTable) {
  const struct {
    const char* name;
    double defect, norm;
    int tfs, flag;
    bool fails;
  } cases[] = {
      {"at 1e-6 of the norm", 4e-6, 4.0, 0, 0, false},
      {"just above", 4.04e-6, 4.0, 0, 0, true},
      {"negative, just above", -4.04e-6, 4.0, 0, 0, true},
      {"large, free surface algorithm", 0.5, 1.0, 1, 0, false},
      {"large, continuity test off", 0.5, 1.0, 0, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    ASSERT_TRUE(buildGrid());
    Iter = 3;
    TransInnerIter = 2;
    setResiduals(0.01);
    gFlagFlow = 1;
    GlobContinuity = c.defect;
    NormResidual[4] = c.norm;
    FlagTFS = c.tfs;
    ContinuityFlag = c.flag;
    EXPECT_EQ(printEndWaterSolve(2), c.fails ? 1 : 0);
    EXPECT_EQ(has(boogie(), "Error in continuity, WaterSolve. Defect = "), c.fails);
    EXPECT_EQ(FlagErrorBreak, c.fails ? 1 : 0);
    EXPECT_EQ(RunErrorReported, c.fails ? 1 : 0);
    EXPECT_EQ(gFlagFlow, c.fails ? 0 : 1);
    EXPECT_FALSE(fileExists("result.end"));  // no results from a continuity error
  }
}

TEST_F(EndControl, ContinuityErrorComesBeforeTheDebugStop) {
  ASSERT_TRUE(buildGrid());
  GlobContinuity = -0.002;
  FlagPresDebug = 99;
  EXPECT_EQ(printEndWaterSolve(2), 1);
  EXPECT_TRUE(has(boogie(), "Error in continuity, WaterSolve. Defect = -0.002000 l/s\n"));
  EXPECT_STREQ(mc_message, "Error in continuity  ");
  EXPECT_FALSE(fileExists("result.end"));
}

TEST_F(EndControl, DebugStopWritesResultsAndFails) {
  for (int debug : {99, 98}) {
    SCOPED_TRACE(debug);
    InProjectDir p;
    ASSERT_TRUE(buildGrid());
    Iter = 3;
    TransInnerIter = 2;
    NormResidual[4] = 1.0;
    setResiduals(0.01);
    gFlagFlow = 1;
    FlagPresDebug = debug;
    const bool stops = debug == 99;
    EXPECT_EQ(printEndWaterSolve(2), stops ? 1 : 0);
    EXPECT_EQ(fileExists("result.end"), stops);
    EXPECT_EQ(FlagErrorBreak, stops ? 1 : 0);
    EXPECT_EQ(RunErrorReported, stops ? 1 : 0);
    EXPECT_EQ(gFlagFlow, stops ? 0 : 1);
  }
}

}  // namespace
