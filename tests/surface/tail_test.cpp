// The regridding after a surface move: the adjustments of the new levels, the
// regeneration with the carry-over of the fields, the volume balance, the
// reset of the old grid's state and the end of the surface series line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "flow/stages.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "surface/surface.h"

namespace {

class Tail : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<InProjectDir>();
    setRunStateInitial();
  }
  void TearDown() override {
    dir_.reset();
    setRunStateInitial();
  }
  const CaseDir& dir() const { return dir_->dir(); }

  // Builds the grid of g with its geometry and bed cells.
  static bool build(const BlockGrid& g) {
    g.prepare();
    if (UnstructureBuild() != 1) return false;
    metric();
    BedMake();
    return NoCells > 0;
  }

  // Every grid point gets the water level w(i, j).
  static void setWater(const std::function<double(int, int)>& w) {
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber] = w(i, j);
  }

 private:
  std::unique_ptr<InProjectDir> dir_;
};

int cellsOfColumn(int i, int j) {
  int n = 0;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) ++n;
  return n;
}

// The cells of column (i, j) from the lowest up.
std::vector<int> column(int i, int j) {
  std::vector<int> v;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) v.push_back(c);
  return v;
}

// The death-test style for the statements of one test, put back afterwards.
class DeathStyle {
 public:
  explicit DeathStyle(const char* style) : kept_(GTEST_FLAG_GET(death_test_style)) {
    GTEST_FLAG_SET(death_test_style, style);
  }
  ~DeathStyle() { GTEST_FLAG_SET(death_test_style, kept_); }

 private:
  std::string kept_;
};

// A statement that opens parallel regions cannot run in a forked copy of a
// process that has used them: it runs in a new process instead (threadsafe
// style), which builds the test's fixture again in a project directory of
// its own. The environment tells it the parent's directory, where it writes
// its log.
constexpr const char* kParentDir = "TOVAK_TAIL_TEST_DIR";

class ParentDir {
 public:
  explicit ParentDir(const std::string& dir) : style_("threadsafe") { setenv(kParentDir, dir.c_str(), 0); }
  ~ParentDir() { unsetenv(kParentDir); }
  // In the process of the statement: into the parent's directory.
  static void enter() {
    if (const char* d = std::getenv(kParentDir))
      if (chdir(d) != 0) std::abort();
  }

 private:
  DeathStyle style_;
};

}  // namespace

// ---- Volume and mean depth ----

// 3 x 2 columns of 1 m x 1 m (grid points 1..4 x 1..3), bed 0 except grid
// point (3, 2), which stands at 0.9 m and is a corner of the four columns
// (3, 2), (4, 2), (3, 3), (4, 3).
//   water 1.0: every corner 1.0 deep, the high one 0.1:
//              V = 6 x 1.0 - 4 x 0.25 x 0.9 = 5.1 m3
//   water 0.8: the high corner is 0.1 m above the water and adds nothing:
//              V = 6 x 0.8 - 4 x 0.25 x 0.8 = 4.0 m3
// The balance of a move from 1.0 to 0.8 is 5.1 - 4.0 = 1.1 m3 (1.2 if the
// dry corner counted with its negative depth).
TEST_F(Tail, VolumeBalanceIsTheVolumeBeforeMinusTheVolumeAfterTheMove) {
  BlockGrid g;
  g.nx = 3;
  g.ny = 2;
  g.bed = [](int i, int j) { return i == 3 && j == 2 ? 0.9 : 0.0; };
  ASSERT_TRUE(build(g));
  EXPECT_NEAR(computeVolRes(), 5.1, 1e-12);

  FlagGlobFlux = 1;
  SurfVolDefect = computeVolRes();  // as the driver does before it moves the surface
  setWater([](int, int) { return 0.8; });
  computeTailSurf();
  for (int i = 2; i <= 4; ++i)
    for (int j = 2; j <= 3; ++j) ASSERT_GT(cellsOfColumn(i, j), 0) << i << " " << j;
  EXPECT_NEAR(computeVolRes(), 4.0, 1e-12);
  EXPECT_NEAR(SurfVolDefect, 1.1, 1e-12);
}

TEST_F(Tail, WithoutF287TheBalanceKeepsItsValue) {
  BlockGrid g;
  g.nx = 3;
  g.ny = 2;
  ASSERT_TRUE(build(g));
  SurfVolDefect = 7.5;
  computeTailSurf();
  EXPECT_EQ(SurfVolDefect, 7.5);
}

// The same block, water 1.0 over a flat bed: 6 columns of 1 m3. Only wet
// columns of updated blocks count.
TEST_F(Tail, VolumeCountsTheWetColumnsOfUpdatedBlocks) {
  struct Row {
    const char* what;
    std::function<void()> change;
    double volume;
  };
  const Row rows[] = {
      {"all columns", [] {}, 6.0},
      {"column (3, 2) dry", [] { zval[3][2][0] = 0.0; }, 5.0},
      {"a number below 1 is dry", [] { zval[4][3][0] = 0.99; }, 5.0},
      {"block not updated", [] { SurfUpdate[1] = 0; }, 0.0},
      {"block of a coarse level", [] { block[1].gridLevel = 2; }, 0.0},
      {"no block", [] { NoBlocks = 0; }, 0.0},
      // A corner below its bed adds nothing: grid point (2, 2) is a corner of
      // columns (2, 2), (3, 2), (2, 3), (3, 3).
      {"corner below its bed", [] { zval[2][2][znumber] = -0.5; }, 5.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    InProjectDir p;
    BlockGrid g;
    g.nx = 3;
    g.ny = 2;
    ASSERT_TRUE(build(g));
    r.change();
    EXPECT_NEAR(computeVolRes(), r.volume, 1e-12);
  }
}

// Mean depth over the grid points of block 1 (grid points 1..4 x 1..3 of the
// block of 3 x 2 columns): points that are not wet do not count.
TEST_F(Tail, MeanDepthOverTheWetGridPointsOfBlockOne) {
  struct Row {
    const char* what;
    std::function<void()> change;
    double depth;
  };
  const Row rows[] = {
      {"12 points 1 m deep", [] {}, 1.0},
      // (11 x 1.0 + 0.1) / 12
      {"one point 0.1 m deep", [] { zval[3][2][znumber] = 0.1; }, 11.1 / 12.0},
      // a point at its bed level is not wet: 11 x 1.0 / 11
      {"one point at its bed", [] { zval[3][2][znumber] = 0.0; }, 1.0},
      {"one point below its bed", [] { zval[3][2][znumber] = -2.0; }, 1.0},
      // the window is i1-1..i2, j1-1..j2: a deep point beyond it does not count
      {"a point beyond the block", [] { zval[5][2][znumber] = 9.0; zval[2][4][znumber] = 9.0; }, 1.0},
      // (2.0 + 11 x 1.0) / 12: the corner points of the window count
      {"the first corner point deeper", [] { zval[1][1][znumber] = 2.0; }, 13.0 / 12.0},
      {"the last corner point deeper", [] { zval[4][3][znumber] = 2.0; }, 13.0 / 12.0},
      {"nothing wet", [] { setWater([](int, int) { return -1.0; }); }, 0.0},
      {"no block", [] { NoBlocks = 0; }, 0.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    InProjectDir p;
    BlockGrid g;
    g.nx = 3;
    g.ny = 2;
    ASSERT_TRUE(build(g));
    r.change();
    EXPECT_NEAR(computeAvDepth(), r.depth, 1e-12);
  }
}

// ---- Regeneration ----

// The water rises 0.5 m over a bed falling 0.1 m per grid line eastwards:
// the columns get other cell counts, and every cell of a column carries the
// velocities its column had. A steady run whose surface moves keeps the old
// fields for that; a transient run with F 208 also moves the previous
// velocities two steps back.
TEST_F(Tail, RegenerationCarriesTheVelocitiesOfEachColumnOver) {
  struct Row {
    const char* what;
    std::function<void()> options;
    bool twoBack;
  };
  const Row rows[] = {
      {"steady, surface moves", [] { iSurf = 1; }, false},
      {"transient with F 208", [] { TimeStep = 1.0; FlagTimeOrder = 1; }, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    InProjectDir p;
    setRunStateInitial();
    r.options();
    BlockGrid g;
    g.nx = 6;
    g.ny = 3;
    g.bed = [](int i, int) { return -0.1 * (i - 1); };
    ASSERT_TRUE(build(g));
    ASSERT_TRUE(Cxvel_old && Cpres_old);
    ASSERT_EQ(Cxvel_old2 != nullptr, r.twoBack);

    const auto u = [](int i, int j) { return 10.0 * i + j; };
    std::vector<int> before(static_cast<size_t>((g.nx + 2) * (g.ny + 2)));
    const auto at = [&](int i, int j) -> int& { return before[static_cast<size_t>(i * (g.ny + 2) + j)]; };
    for (int i = 2; i <= g.nx + 1; ++i)
      for (int j = 2; j <= g.ny + 1; ++j) {
        at(i, j) = cellsOfColumn(i, j);
        for (int c : column(i, j)) {
          Cxvel[c] = u(i, j);
          Cyvel[c] = -u(i, j);
          Czvel[c] = 0.01 * u(i, j);
          Cxvel_old[c] = 1000.0 + c;  // the previous step: becomes two steps back
          Cyvel_old[c] = 2000.0 + c;
          Czvel_old[c] = 3000.0 + c;
        }
      }
    const int oldCells = NoCells;

    setWater([&](int i, int j) { return zval[i][j][znumber] + 0.5; });
    computeTailSurf();

    ASSERT_NE(NoCells, oldCells);
    int changed = 0;
    for (int i = 2; i <= g.nx + 1; ++i)
      for (int j = 2; j <= g.ny + 1; ++j) {
        const std::vector<int> cells = column(i, j);
        ASSERT_FALSE(cells.empty());
        changed += static_cast<int>(cells.size()) != at(i, j);
        for (int c : cells) {
          ASSERT_NEAR(Cxvel[c], u(i, j), 1e-9) << i << " " << j << " cell " << c;
          ASSERT_NEAR(Cyvel[c], -u(i, j), 1e-9) << i << " " << j << " cell " << c;
          ASSERT_NEAR(Czvel[c], 0.01 * u(i, j), 1e-9) << i << " " << j << " cell " << c;
        }
      }
    EXPECT_GT(changed, 0);
    if (r.twoBack)
      for (int c = 1; c <= oldCells; ++c) {
        ASSERT_EQ(Cxvel_old2[c], 1000.0 + c) << c;
        ASSERT_EQ(Cyvel_old2[c], 2000.0 + c) << c;
        ASSERT_EQ(Czvel_old2[c], 3000.0 + c) << c;
      }
    EXPECT_EQ(FlagGridChange, 1);
  }
}

// After the regeneration the inverse coefficients of the old grid are gone
// and the face fluxes come from the velocities alone. A uniform 0.5 m/s
// eastwards through 3 columns of water 1.3 m deep gives 1000 x 0.5 x 3 x 1.3
// = 1950 kg/s through every inner cross-section. A coefficient left over
// would add the pressure term of the pressures, which are anything but linear.
TEST_F(Tail, RegenerationClearsTheInverseCoefficientsAndRecomputesTheFluxes) {
  BlockGrid g;
  g.nx = 5;
  g.ny = 3;
  ASSERT_TRUE(build(g));
  invRelaxVelocity = 1.0;
  for (int c = 0; c < MaxCeller; ++c) {
    Cxvel[c] = 0.5;
    Cyvel[c] = Czvel[c] = 0.0;
    Cpres[c] = 100.0 * (c % 7);
    CinvAp[c] = 1.0;
  }
  for (int f = 0; f < MaxFlater; ++f) Fflux[f] = 777.0;
  setWater([](int, int) { return 1.3; });
  computeTailSurf();

  for (int c = 1; c <= NoCells; ++c) ASSERT_EQ(CinvAp[c], 0.0) << c;
  for (int i = 2; i <= g.nx; ++i) {
    double q = 0.0;
    for (int j = 2; j <= g.ny + 1; ++j)
      for (int c : column(i, j)) q += Fflux[Cflatee[c]];
    EXPECT_NEAR(q, 1950.0, 1e-9) << "grid line " << i;
  }
}

// A sediment run keeps its grid unless F 166 1 or a divided run (F 308)
// asks for the regeneration; the flag of a changed grid is set either way.
TEST_F(Tail, SedimentRunRegeneratesOnlyWhenAsked) {
  struct Row {
    int tsc, regen, mpi;
    bool regenerates;
  };
  const Row rows[] = {
      {0, 0, 0, true}, {1, 0, 0, false}, {2, 2, 0, false}, {1, 1, 0, true},
      {1, 0, 1, true}, {1, 0, -1, false}, {-1, 0, 0, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("F 37 " + std::to_string(r.tsc) + ", F 166 " + std::to_string(r.regen) + ", F 308 " +
                 std::to_string(r.mpi));
    InProjectDir p;
    setRunStateInitial();
    BlockGrid g;
    g.nx = 3;
    g.ny = 2;
    ASSERT_TRUE(build(g));
    for (int c = 1; c <= NoCells; ++c) CinvAp[c] = 3.0;
    const int faces = NoSurfaces;
    for (int f = 1; f <= faces; ++f) Fflux[f] = 777.0;
    FlagTSC = r.tsc;
    FlagSurfRegen = r.regen;
    FlagMPI = r.mpi;
    if (r.mpi > 0) MaxDepth209 = 1.0;  // a divided run generates to one fixed depth
    FlagGridChange = 0;
    computeTailSurf();
    EXPECT_EQ(FlagGridChange, 1);
    EXPECT_EQ(CinvAp[1] == 0.0, r.regenerates);
    EXPECT_EQ(Fflux[1] == 777.0, !r.regenerates);
  }
}

// A grid that cannot be built for the new levels ends the run instead of
// measuring a half-built grid: here the F 65 cell count is lowered below what
// the grid needs. (The generator stops before any parallel region.)
TEST_F(Tail, AGridThatCannotBeRegeneratedEndsTheRun) {
  DeathStyle fast("fast");
  BlockGrid g;
  g.nx = 6;
  g.ny = 3;
  ASSERT_TRUE(build(g));
  MaxCeller = NoCells;  // the generator stops before cell MaxCeller - 1
  EXPECT_EXIT(computeTailSurf(), ::testing::ExitedWithCode(255), "");
  const std::string log = dir().boogie();
  EXPECT_NE(log.find("Error: Unstructured arrays are too small. Increase with the F 65 data set.\n"),
            std::string::npos)
      << log;
  const std::string line = "Error: the grid could not be regenerated after the surface move (status -";
  EXPECT_NE(log.find(line), std::string::npos) << log;
}

// F 168: the coarse two-dimensional blocks are made again for the new grid:
// level 2 after the last block, one coarse cell per wet column of the new grid.
TEST_F(Tail, F168RebuildsTheCoarseBlocksAfterTheRegeneration) {
  ParentDir parent(dir().path());
  BlockGrid g;
  g.nx = 3;
  g.ny = 2;
  Flag2DAccSolver = 1;  // before the arrays: the level links exist with it
  ASSERT_TRUE(build(g));
  // Stale levels of the old grid must not stand.
  block[NoBlocks + 1].firstCell = block[NoBlocks + 1].lastCell = 0;
  computeTailSurf();
  const BlockRecord& two = block[NoBlocks + 1];
  EXPECT_EQ(two.kind, 2);
  EXPECT_EQ(two.gridLevel, 2);
  EXPECT_EQ(two.firstCell, NoCells + 1);
  EXPECT_EQ(two.lastCell - two.firstCell + 1, g.nx * g.ny);
  EXPECT_GE(NoMGlevels, 2);
}

// ---- Adjustments before the regeneration ----

// The adjustments not built yet are called under their options (a call ends
// the run with its name); the others leave them out. A sediment run keeps
// the grid here, so that the rows that go through are quick.
TEST_F(Tail, AdjustmentsAreCalledUnderTheirOptions) {
  struct Row {
    const char* what;
    std::function<void()> set;
    const char* called;  // part of the "not available" line, or null
  };
  DeathStyle fast("fast");  // the calls come before any parallel region
  const Row rows[] = {
      {"no outlet group", [] { FlagDSO1 = 0; }, nullptr},
      {"outlet group without bed-cell index", [] { FlagDSO1 = 2; Bkooi = nullptr; }, nullptr},
      {"F 425 -1", [] { FlagSmoothNewCorners = -1; }, nullptr},
      {"F 154 -1", [] { SurfSmoothFlag = -1; }, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    InProjectDir p;
    setRunStateInitial();
    BlockGrid g;
    g.nx = 3;
    g.ny = 2;
    ASSERT_TRUE(build(g));
    FlagTSC = 1;
    int* const kooi = Bkooi;
    r.set();
    if (r.called) {
      EXPECT_EXIT(computeTailSurf(), ::testing::ExitedWithCode(2), "");
      EXPECT_NE(p.dir().boogie().find(r.called), std::string::npos) << p.dir().boogie();
    } else {
      // A call that should not come would end this process: the tail runs in
      // a copy of it, which ends with 7 when the tail returned.
      EXPECT_EXIT(
          {
            computeTailSurf();
            std::exit(FlagGridChange == 1 ? 7 : 8);
          },
          ::testing::ExitedWithCode(7), "");
    }
    Bkooi = kooi;
  }
}

// The level adjustments act on the new levels before the grid is generated
// from them, in their order: on a box of 6 x 3 columns (grid points
// 1..7 x 1..4, 1 m of water) with its outflow group along the east edge the
// outlet pinning (reference 0.8 m) comes before the smoothing, which averages
// the pinned levels (F 154 3, s = 1: point (6, 2) between the pinned (7, 2)
// and (6, 1) and the untouched (5, 2) and (6, 3) takes 0.9 m); F 187 1
// copies across the dry border of the wall; F 154 1 draws a spike of 5 m at
// (4, 3) down to the mean of (3, 3) and (4, 2), which the sweep has just
// raised to 2 m each, and of the two 1 m points beyond: 1.5 m. A
// sediment run keeps the grid, so the levels stay as the adjustments left
// them.
TEST_F(Tail, TheLevelAdjustmentsActBeforeTheRegeneration) {
  struct Row {
    const char* what;
    std::function<void()> set;
    int i, j;
    double expected;
  };
  const Row rows[] = {
      {"outlet pinned", [] { FlagDSO1 = 2; }, 7, 3, 0.8},
      {"F 154 3 averages the pinned levels", [] { FlagDSO1 = 2; SurfSmoothFlag = 3; SurfSmoothVal = 1.0; }, 6, 2, 0.9},
      {"F 187 1", [] { FlagSurfEdge = 1; zval[3][1][znumber] = 5.0; }, 3, 1, 1.0},
      {"F 154 1", [] { SurfSmoothFlag = 1; SurfSmoothVal = 1.0; zval[4][3][znumber] = 5.0; }, 4, 3, 1.5},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    InProjectDir p;
    setRunStateInitial();
    FlowGrid g = FlowGrid::box(6, 3, 1.0);
    ASSERT_TRUE(g.build());
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber] = zval[i][j][znumber + 1] = 1.0;
    FlagTSC = 1;
    GlobZRef = 0.8;
    r.set();
    computeTailSurf();
    EXPECT_NEAR(zval[r.i][r.j][znumber], r.expected, 1e-12);
  }
}

// F 381: the water levels of the grid points of block 1 (i1-1..i2,
// j1-1..j2) are held between the minimum and the maximum; slot znumber+1 and
// the points outside block 1 keep theirs. Block 1 is narrowed to the columns
// 3..5 x 3..4 of a grid of 6 x 4 columns, so that its window is the grid
// points 2..5 x 2..4.
TEST_F(Tail, F381HoldsTheLevelsOfBlockOneBetweenItsLimits) {
  struct Row {
    int flag;
    double lo, hi, level, limited;
  };
  const Row rows[] = {
      {1, 0.7, 0.7, 1.0, 0.7}, {1, 0.9, 1.1, 1.2, 1.1}, {1, 0.9, 1.1, 0.8, 0.9},
      {1, 0.9, 1.1, 1.0, 1.0}, {0, 0.7, 0.7, 1.0, 1.0}, {2, 0.7, 0.7, 1.0, 1.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("flag " + std::to_string(r.flag) + " " + std::to_string(r.lo) + ".." + std::to_string(r.hi) +
                 " level " + std::to_string(r.level));
    InProjectDir p;
    setRunStateInitial();
    BlockGrid g;
    g.nx = 6;
    g.ny = 4;
    ASSERT_TRUE(build(g));
    FlagTSC = 1;  // keep the grid: the levels are what the generator gets
    block[1].i1 = 3, block[1].i2 = 5, block[1].j1 = 3, block[1].j2 = 4;
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        zval[i][j][znumber] = r.level;
        zval[i][j][znumber + 1] = 5.0;
      }
    FlagFlushWaterLevel = r.flag;
    FlushWaterLevelMin = r.lo;
    FlushWaterLevelMax = r.hi;
    computeTailSurf();
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        const bool inside = i >= 2 && i <= 5 && j >= 2 && j <= 4;
        ASSERT_EQ(zval[i][j][znumber], inside ? r.limited : r.level) << i << " " << j;
        ASSERT_EQ(zval[i][j][znumber + 1], 5.0) << i << " " << j;
      }
  }
}

// ---- State of the old grid ----

// F 271: the level changes of the columns start from 0 again.
TEST_F(Tail, F271ClearsTheLevelChangesOfTheColumns) {
  for (int flag : {1, 0}) {
    SCOPED_TRACE(flag);
    InProjectDir p;
    setRunStateInitial();
    FlagTFS2 = 1;  // allocates the level changes
    BlockGrid g;
    g.nx = 3;
    g.ny = 2;
    ASSERT_TRUE(build(g));
    ASSERT_TRUE(Bdeltah);
    FlagTSC = 1;  // no regeneration, which would clear them on its own
    FlagTFS2 = flag;
    for (int b = 1; b <= NoBCells; ++b) Bdeltah[b] = 0.25;
    computeTailSurf();
    for (int b = 1; b <= NoBCells; ++b) ASSERT_EQ(Bdeltah[b], flag ? 0.0 : 0.25) << b;
  }
}

// F 143: the regression starts again: counter 0 and the sums of the columns
// of updated blocks 0; other grid lines keep theirs.
TEST_F(Tail, F143StartsTheRegressionAgain) {
  for (int updated : {1, 0}) {
    SCOPED_TRACE(updated);
    InProjectDir p;
    setRunStateInitial();
    PresRegres = 1;
    BlockGrid g;
    g.nx = 3;
    g.ny = 2;
    ASSERT_TRUE(build(g));
    ASSERT_TRUE(PresRegresSumX && PresRegresN);
    FlagTSC = 1;
    SurfUpdate[1] = updated;
    RegIter = 33;
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        PresRegresSumX[i][j] = PresRegresSumXX[i][j] = 7.0;
        PresRegresSumPres[i][j] = PresRegresSumXPres[i][j] = 7.0;
        PresRegresN[i][j] = 7;
      }
    computeTailSurf();
    EXPECT_EQ(RegIter, 0);
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        const bool cleared = updated && i >= 2 && i <= 4 && j >= 2 && j <= 3;
        const double v = cleared ? 0.0 : 7.0;
        ASSERT_EQ(PresRegresSumX[i][j], v) << i << " " << j;
        ASSERT_EQ(PresRegresSumXX[i][j], v) << i << " " << j;
        ASSERT_EQ(PresRegresSumPres[i][j], v) << i << " " << j;
        ASSERT_EQ(PresRegresSumXPres[i][j], v) << i << " " << j;
        ASSERT_EQ(PresRegresN[i][j], cleared ? 0 : 7) << i << " " << j;
      }
  }
}

// F 128: the pressures of the new grid are reset (3: every cell of a column
// 9810 Pa per m of its water level above the reference level).
TEST_F(Tail, F128ResetsThePressuresOfTheNewGrid) {
  for (int flag : {3, 0}) {
    SCOPED_TRACE(flag);
    InProjectDir p;
    setRunStateInitial();
    BlockGrid g;
    g.nx = 3;
    g.ny = 2;
    ASSERT_TRUE(build(g));
    FlagPresSetZero = flag;
    GlobZRef = 1.0;
    for (int c = 0; c < MaxCeller; ++c) Cpres[c] = 123.0;
    setWater([](int, int) { return 1.2; });
    computeTailSurf();
    for (int c = 1; c <= NoCells; ++c) ASSERT_NEAR(Cpres[c], flag ? 1962.0 : 123.0, 1e-9) << c;
  }
}

// ---- The surface series ----

// The line the driver began gets the mean depth after the move, for the
// debug letters C, D and E only. Water 1.5 m over a flat bed.
TEST_F(Tail, TheSurfaceSeriesLineEndsWithTheMeanDepthForCDE) {
  for (char letter : {'C', 'D', 'E', 'J', 'N', 'P'}) {
    SCOPED_TRACE(letter);
    InProjectDir p;
    setRunStateInitial();
    BlockGrid g;
    g.nx = 3;
    g.ny = 2;
    g.water = [](int, int) { return 1.5; };
    ASSERT_TRUE(build(g));
    FlagTSC = 1;
    debugging = letter;
    p.dir().write("boogie-t", "begun ");
    computeTailSurf();
    const bool ends = letter == 'C' || letter == 'D' || letter == 'E';
    EXPECT_EQ(p.dir().read("boogie-t"), ends ? "begun 1.500000\n" : "begun ");
  }
}

// A trace file that cannot be opened costs its value and one warning; the
// move goes on.
TEST_F(Tail, ATraceFileThatCannotBeOpenedIsReportedAndTheMoveGoesOn) {
  BlockGrid g;
  g.nx = 3;
  g.ny = 2;
  ASSERT_TRUE(build(g));
  FlagTSC = 1;
  debugging = 'C';
  FlagPresSetZero = -1;
  PresRegres = 0;
  dir().mkdir("boogie-t");
  Cpres[1] = 5.0;
  FlagGridChange = 0;
  computeTailSurf();
  EXPECT_EQ(FlagGridChange, 1);
  EXPECT_EQ(Cpres[1], 0.0);
  EXPECT_TRUE(dir().boogieHas(
      "Warning: cannot open the surface trace file 'boogie-t'; the mean depth after this move is not written"))
      << dir().boogie();
  EXPECT_EQ(dir().boogie().find("Error"), std::string::npos) << dir().boogie();
}
