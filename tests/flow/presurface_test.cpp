// Free-surface condition of the pressure correction on small hand-made
// columns. Every cell c starts with Cap = 10 c, Cab = c, Csource = 100 c and a
// half height of 0.5 m; a case lists the cells it expects changed, and every
// other cell must keep its start values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "flow/control.h"
#include "io/kread.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

using Column = std::vector<int>;  // cell numbers, bottom cell first

double cap0(int c) { return 10.0 * c; }
double cab0(int c) { return 1.0 * c; }
double source0(int c) { return 100.0 * c; }

// Columns of cells built by hand: Ccellt, Ccellb, Ckdist, Cbed (the column's
// number as its bed cell) and Bcellt (the bottom cell of each bed cell).
struct Columns {
  explicit Columns(const std::vector<Column>& cols) {
    SetArraysZero();
    setControlDefaults();
    setRunStateInitial();
    xnumber = ynumber = 1;  // room for 16 bed cells
    int n = 0;
    for (const Column& col : cols)
      for (int c : col) n = std::max(n, c);
    NoCells = n;
    const std::size_t nc = static_cast<std::size_t>(n) + 1;
    bool ok = allocate1(Bcellt, static_cast<std::size_t>(bedCellCapacity()));
    for (int** p : {&Ccellt, &Ccellb, &Cbed}) ok = ok && allocate1(*p, nc);
    for (double** p : {&Cap, &Cab, &Csource, &Ckdist, &Cpres}) ok = ok && allocate1(*p, nc);
    EXPECT_TRUE(ok);
    for (int c = 1; c <= n; ++c) {
      Cap[c] = cap0(c);
      Cab[c] = cab0(c);
      Csource[c] = source0(c);
      Ckdist[c] = 0.5;
    }
    for (std::size_t k = 0; k < cols.size(); ++k) {
      const Column& col = cols[k];
      const int bed = static_cast<int>(k) + 1;
      Bcellt[bed] = col.front();
      for (std::size_t i = 0; i < col.size(); ++i) {
        Cbed[col[i]] = bed;
        Ccellb[col[i]] = i > 0 ? col[i - 1] : 0;
        Ccellt[col[i]] = i + 1 < col.size() ? col[i + 1] : 0;
      }
    }
  }
  ~Columns() {
    SetArraysZero();
    setControlDefaults();
    setRunStateInitial();
  }
  Columns(const Columns&) = delete;
  Columns& operator=(const Columns&) = delete;
};

struct Expect {
  int cell;
  double cap, cab, source;
};

void near(double actual, double expected, const char* what, const char* name, int cell) {
  EXPECT_NEAR(actual, expected, 1e-12 * std::max(1.0, std::fabs(expected))) << name << ": " << what << " of cell " << cell;
}

// Checks the listed cells and that every other cell kept its start values.
void check(const char* name, const std::vector<Expect>& expect) {
  for (int c = 1; c <= NoCells; ++c) {
    Expect e{c, cap0(c), cab0(c), source0(c)};
    for (const Expect& x : expect)
      if (x.cell == c) e = x;
    near(Cap[c], e.cap, "Cap", name, c);
    near(Cab[c], e.cab, "Cab", name, c);
    near(Csource[c], e.source, "Csource", name, c);
  }
}

struct Case {
  const char* name;
  int mode;
  double C;
  std::vector<Column> columns;
  std::function<void()> tweak;  // heights, pressures or broken links
  int first, last;              // 0, 0: every cell
  std::vector<Expect> expect;
};

const double third = 1e20 / 3.0;

}  // namespace

TEST(PresSurface, ConditionByHandOnSmallColumns) {
  const Case cases[] = {
      // d = db: Cab/Cap = d/(2d + db) = 1/3.
      {"fix, equal heights", 0, 1e30, {{1, 2}}, nullptr, 0, 0, {{2, 1e20, third, 200}}},
      // d = 0.1, db = 0.3: 0.1/(0.2 + 0.3) = 1/5.
      {"fix, unequal heights", 0, 1e30, {{1, 2}}, [] { Ckdist[1] = 0.3, Ckdist[2] = 0.1; }, 0, 0,
       {{2, 1e20, 2e19, 200}}},
      {"0 on a one-cell column", 0, 1e30, {{1}}, nullptr, 0, 0, {}},
      {"1 on a one-cell column", 1, 1e30, {{1}}, nullptr, 0, 0, {{1, 10, 1, 0}}},
      {"1 fixes and clears the top cell", 1, 1e30, {{1, 2}}, nullptr, 0, 0, {{2, 1e20, third, 0}}},
      // The bottom of the three-cell column and the single cell are the
      // lowest cells of their columns; the middle cell and the fixed top cell
      // keep their defects.
      {"2 clears the lowest cells", 2, 1e30, {{1, 2, 3}, {4}}, nullptr, 0, 0,
       {{1, 10, 1, 0}, {3, 1e20, third, 300}, {4, 40, 4, 0}}},
      {"-3 moves the defect down", -3, 1e30, {{1, 2, 3}, {4}}, nullptr, 0, 0,
       {{3, 1e20, third, 0}, {2, 20, 2, 200 + 300}}},
      // p = 9810 at d = 0.5: r = (9810/(9810*0.5))^4 = 16, C r = 8;
      // Cap = 20 * 9 = 180, Cab = 2 + 0.3333333333 * 8 * 20.
      {"-2 strengthens by the pressure", -2, 0.5, {{1, 2}}, [] { Cpres[2] = 9810.0; }, 0, 0,
       {{2, 180, 55.333333328, 200}}},
      // C r = 1.6e31: Cap = 20 (1 + 1.6e31) = 3.2e32,
      // Cab = 2 + 0.3333333333 * 1.6e31 * 20 = 1.06666666656e32, ratio 1/3.
      {"-2 with a huge C keeps Cab/Cap at 1/3", -2, 1e30, {{1, 2}}, [] { Cpres[2] = 9810.0; }, 0, 0,
       {{2, 3.2e32, 1.06666666656e32, 200}}},
      {"-2 on a one-cell column", -2, 0.5, {{1}}, [] { Cpres[1] = 9810.0; }, 0, 0, {}},
      // Soft condition, C = 105: factors 1/3, 3/5, 5/7 give 35, 63, 75 on
      // Cab. A cell acts only while the cell below has a cell below, so a
      // column of k cells has min(N, k - 2) acting cells from the top.
      {"soft 3: columns of 2, 3, 4 and 5 cells",
       3,
       105,
       {{1, 2}, {3, 4, 5}, {6, 7, 8, 9}, {10, 11, 12, 13, 14}},
       nullptr,
       0,
       0,
       {{5, 50 + 105, 5 + 35, 500},
        {9, 90 + 105, 9 + 35, 900},
        {8, 80 + 105, 8 + 63, 800},
        {14, 140 + 105, 14 + 35, 1400},
        {13, 130 + 105, 13 + 63, 1300},
        {12, 120 + 105, 12 + 75, 1200}}},
      // C = 315: 1/3, 3/5, 5/7, 7/9 give 105, 189, 225, 245.
      {"soft 4: six cells",
       4,
       315,
       {{1, 2, 3, 4, 5, 6}},
       nullptr,
       0,
       0,
       {{6, 60 + 315, 6 + 105, 600},
        {5, 50 + 315, 5 + 189, 500},
        {4, 40 + 315, 4 + 225, 400},
        {3, 30 + 315, 3 + 245, 300}}},
      // Two columns of four cells with interleaved numbers: the walk goes
      // down each column, not to the next lower number.
      {"soft 3: interleaved columns",
       3,
       105,
       {{1, 3, 5, 7}, {2, 4, 6, 8}},
       nullptr,
       0,
       0,
       {{7, 70 + 105, 7 + 35, 700},
        {5, 50 + 105, 5 + 63, 500},
        {8, 80 + 105, 8 + 35, 800},
        {6, 60 + 105, 6 + 63, 600}}},
      {"-1", -1, 1e30, {{1, 2}, {3}}, nullptr, 0, 0, {}},
      // Only top cells inside the range act: the top cell 4 lies outside.
      {"range 1..3 with 0", 0, 1e30, {{1, 2}, {3, 4}}, nullptr, 1, 3, {{2, 1e20, third, 200}}},
      {"range 3..4 with 0", 0, 1e30, {{1, 2}, {3, 4}}, nullptr, 3, 4, {{4, 1e20, third, 400}}},
      // A chunk holding only the top cell still writes the cells below it.
      {"range of the top cell, soft 3",
       3,
       105,
       {{1, 2, 3, 4}},
       nullptr,
       4,
       4,
       {{4, 40 + 105, 4 + 35, 400}, {3, 30 + 105, 3 + 63, 300}}},
      {"range of the top cell, -3", -3, 1e30, {{1, 2, 3}}, nullptr, 3, 3, {{3, 1e20, third, 0}, {2, 20, 2, 500}}},
      // Broken links: a cell number outside the grid counts as no cell.
      {"0 with the cell below outside the grid", 0, 1e30, {{1, 2}}, [] { Ccellb[2] = 7; }, 0, 0, {}},
      {"soft 3 with a link outside the grid", 3, 105, {{1, 2, 3, 4}}, [] { Ccellb[2] = -1; }, 0, 0,
       {{4, 40 + 105, 4 + 35, 400}}},
      {"2 with a bed cell outside the bed arrays", 2, 1e30, {{1}}, [] { Cbed[1] = 1000; }, 0, 0, {}},
  };
  for (const Case& k : cases) {
    Columns cols(k.columns);
    if (k.tweak) k.tweak();
    FlagPresSurf = k.mode;
    CoeffPresSurf = k.C;
    if (k.first == 0 && k.last == 0)
      presSurfFunction(1, NoCells);
    else
      presSurfFunction(k.first, k.last);
    check(k.name, k.expect);
  }
}

TEST(PresSurface, NegativeValuesBelowMinusThreeChangeNothing) {
  for (int mode = -10; mode <= -4; ++mode) {
    Columns cols({{1, 2, 3}, {4}});
    Cpres[3] = 9810.0;
    FlagPresSurf = mode;
    CoeffPresSurf = 2.0;
    presSurfFunction(1, NoCells);
    const std::string name = "F 357 " + std::to_string(mode);
    check(name.c_str(), {});
  }
}

// A range wider than the grid is cut to 1..NoCells.
TEST(PresSurface, RangeBeyondTheGridIsCut) {
  Columns cols({{1, 2}});
  FlagPresSurf = 1;
  presSurfFunction(-5, 1000);
  check("wide range", {{2, 1e20, third, 0}});
}

// Corrupt links that close a loop (2 below 3 and 3 below 2) cannot keep the
// walk going for the N steps asked: it ends after NoCells = 3 steps, having
// stood on 3, 2, 3 with the factors 1/3, 3/5, 5/7 (C = 105).
TEST(PresSurface, SoftWalkEndsOnALoopOfLinks) {
  Columns cols({{1, 2, 3}});
  Ccellb[2] = 3;
  FlagPresSurf = 1000000;
  CoeffPresSurf = 105.0;
  presSurfFunction(1, NoCells);
  check("loop", {{3, 30 + 2 * 105, 3 + 35 + 75, 300}, {2, 20 + 105, 2 + 63, 200}});
}
