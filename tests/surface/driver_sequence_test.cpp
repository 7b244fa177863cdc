// One whole surface move on a block of 3 x 2 columns of 1 m (nine cells per
// column), the water level falling 0.01 m per grid line eastwards: the stop on
// a reference pressure that is not a number, the skip of F 477 1, the methods
// F 36 3 and 10 that the driver performs itself, and the hand-over of F 323
// to the second and third drivers, which close the move with their own tail.
#include <gtest/gtest.h>

#include <dirent.h>
#include <omp.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

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

// Grid points i = 1..4, j = 1..3 of block 1 (columns i = 2..4, j = 2..3).
constexpr int kI0 = 1, kI1 = 4, kJ0 = 1, kJ1 = 3;
double startLevel(int i) { return 1.0 - 0.01 * i; }

// The block with the outlet group 2 along its east edge as the reference
// group (F 416 1: the reference level is the mean top-face level of the
// east column row, (0.97 + 0.96) / 2 = 0.965 m) and the reference grid
// point (2, 2) at 0.98 m; the water volume before and after the move is kept
// (F 287).
void build() {
  setRunStateInitial();
  FlowGrid g = FlowGrid::box(3, 2);
  g.water = [](int i, int) { return startLevel(i); };
  ASSERT_TRUE(g.build());
  ASSERT_EQ(block[1].i1, 2);
  ASSERT_EQ(block[1].i2, 4);
  ASSERT_EQ(block[1].j2, 3);
  kSurf = 2;
  FlagPresDownstream = 1;
  iPres = 2;
  jPres = 2;
  FlagGlobFlux = 1;
  FlagGridChange = 0;
}

int topOf(int c) {
  while (Ccellt[c] != 0) c = Ccellt[c];
  return c;
}

// Pressure of every cell of the columns of row i (all rows with i = 0).
void setPressure(int i, double p) {
  for (int ii = 2; ii <= 4; ++ii)
    for (int j = 2; j <= 3; ++j) {
      if (i != 0 && ii != i) continue;
      for (int c = static_cast<int>(zval[ii][j][0]); c != 0; c = Ccellt[c]) Cpres[c] = p;
    }
}

void setTopPressure(int i, double p) {
  for (int j = 2; j <= 3; ++j) Cpres[topOf(static_cast<int>(zval[i][j][0]))] = p;
}

bool anyAlldataFile(const std::string& dir) {
  bool found = false;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (std::string(e->d_name).rfind("alldata", 0) == 0) found = true;
    closedir(d);
  }
  return found;
}

}  // namespace

// The method of the move by F 323 and F 36. Each row gives the level every
// grid point has after the move, worked by hand:
//   F 36 3: dz = 0.965 - 0.98 = -0.015 at every point, also where the block
//     is not updated (G 26 0);
//   F 36 10: every column takes the reference level lowered by the head of
//     the reference column, 0.965 - 981 x 0.000101937 (no velocity: all
//     links alike, the reference row fixes them); each point moves
//     RelaxSurface 0.1 of the way to that plus the head of its columns,
//     981 x 0.0001019;
//   F 323 1 performs F 36 3 itself and has no method for F 36 1;
// the shift of F 36 3 also writes the copy of the level (slot znumber + 1).
//   F 323 2 raises every point by 0.1 x the top-cell head, 0.1 x 981 / 9810
//     (the second reference column given by the state, not used by G 62).
// With one tail the volume kept by F 287 is the volume before less the
// volume after: 6 m2 x the uniform change (NaN: not checked).
TEST(SurfaceMove, MethodOfF323AndF36) {
  const double zt10 = 0.965 - 981.0 * 0.000101937 + 981.0 * 0.0001019;
  struct Row {
    const char* what;
    int f323, f36, surfUpdate;
    double shift;     // uniform change, or NaN
    double relaxTo;   // F 36 10: the level each point relaxes towards
  };
  const double none = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Row> rows = {
      {"F 36 3 by the driver", 0, 3, 1, -0.015, none},
      {"F 36 3 with the block not updated", 0, 3, 0, -0.015, none},
      {"F 323 1 with F 36 3", 1, 3, 1, -0.015, none},
      {"F 323 1 without a method for F 36 1", 1, 1, 1, 0.0, none},
      {"F 323 2", 2, 3, 1, 0.01, none},
      {"F 36 10 by the driver", 0, 10, 1, none, zt10},
  };
  for (const Row& r : rows) {
    InProjectDir d;
    build();
    FlagSurface2 = r.f323;
    FlagTFS = r.f36;
    SurfUpdate[1] = r.surfUpdate;
    setPressure(0, 981.0);
    // The third driver's second column (its default, column (i1, j2 / 2),
    // lies outside this block).
    iPres2 = 4;
    jPres2 = 2;
    surface();
    EXPECT_EQ(FlagGridChange, 1) << r.what;
    for (int i = kI0; i <= kI1; ++i)
      for (int j = kJ0; j <= kJ1; ++j) {
        const double z0 = startLevel(i);
        const double want = std::isnan(r.shift) ? z0 + 0.1 * (r.relaxTo - z0) : z0 + r.shift;
        EXPECT_NEAR(zval[i][j][znumber], want, 1e-9) << r.what << " at " << i << "," << j;
        if (r.f36 == 3 && r.f323 != 2) { EXPECT_NEAR(zval[i][j][znumber + 1], want, 1e-9) << r.what << " at " << i << "," << j; }
      }
    if (!std::isnan(r.shift) && r.surfUpdate == 1) {
      EXPECT_NEAR(SurfVolDefect, -6.0 * r.shift, 1e-9) << r.what;
    }
  }
}

// Without F 323 the driver's own update of F 36 1 moves the surface, where
// the second driver leaves it (the row above): the hand-over decides.
TEST(SurfaceMove, TheDriverMovesTheSurfaceForF36One) {
  InProjectDir d;
  build();
  FlagTFS = 1;
  setPressure(0, 981.0);
  surface();
  EXPECT_EQ(FlagGridChange, 1);
  EXPECT_GT(std::fabs(zval[1][2][znumber] - startLevel(1)), 1e-4);
}

// F 477 1: the backwater rise over the head between the inlet and outlet
// groups (west and east top cells) below F 479 0.05 ends the move before the
// method and the tail, also before a hand-over; a ratio above it moves. The
// friction rise of 1.5 m3/s over 3 m is small but positive, so a head of
// 100 m or a negative head skips and no head (ratio rise / 1e-7) moves.
TEST(SurfaceMove, BackwaterRatioOfF477OneSkipsTheMove) {
  struct Row {
    const char* what;
    int f323;
    double headWest, headEast;  // m
    bool moves;
  };
  const std::vector<Row> rows = {
      {"a head of 100 m", 0, 100.0, 0.0, false},
      {"a negative head", 0, 0.0, 0.1, false},
      {"a negative head before the hand-over", 1, 0.0, 0.1, false},
      {"no head", 0, 0.0, 0.0, true},
      {"no head, handed over", 1, 0.0, 0.0, true},
  };
  for (const Row& r : rows) {
    InProjectDir d;
    build();
    FlagSurface2 = r.f323;
    FlagTFS = 3;
    FlagScaleFreeSource = 1;
    DischargeArray[1] = 1500.0;
    setTopPressure(2, 9810.0 * r.headWest);
    setTopPressure(4, 9810.0 * r.headEast);
    surface();
    EXPECT_GT(maxBackwater, 1e-6) << r.what;
    EXPECT_LT(maxBackwater, 1.0) << r.what;
    EXPECT_EQ(FlagGridChange, r.moves ? 1 : 0) << r.what;
    // The upstream line (the backwater sets the downstream line in any case).
    for (int j = kJ0; j <= kJ1; ++j)
      EXPECT_NEAR(zval[1][j][znumber], startLevel(1) + (r.moves ? -0.015 : 0.0), 1e-9) << r.what;
  }
}

// A reference pressure that is not a number stops the run after the
// reference step: the log line with the time, a restart file, status -1, and
// no grid regenerated after the line.
TEST(SurfaceMoveDeathTest, AReferencePressureThatIsNotANumberStopsTheRun) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir d;
  build();
  kSurf = 0;
  FlagPresDownstream = 0;
  FlagTFS = 2;
  stimet = 12.5;
  Cpres[topOf(static_cast<int>(zval[2][2][0]))] = std::numeric_limits<double>::quiet_NaN();
  // One thread in the forked copy: the thread pool of the parent is not there
  // (a move that went on would otherwise wait for it).
  EXPECT_EXIT(
      {
        omp_set_num_threads(1);
        surface();
      },
      ::testing::ExitedWithCode(255), "");
  const std::string log = d.dir().boogie();
  const std::size_t at = log.find("Stopped after 12.500000 seconds due to NAN value for pressure reference\n\n");
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_EQ(log.find("End Unstructure", at), std::string::npos) << log;
  EXPECT_TRUE(anyAlldataFile(d.dir().path()));
}
