// Diagnostic dumps of the flow solver: the lines written for one cell of a
// 3 x 3 x 3 grid whose values are set by hand, the choice of the cells with a
// suspicious pressure correction, and the dump that ends the run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "flow/control.h"
#include "state/log.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

std::string logText() {
  std::ifstream in("boogie");
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Cell 14 is the middle cell of the 3 x 3 x 3 grid (column (3,3), level 2).
// Its neighbours, by the numbering of SmallGrid: w 5, s 11, e 23, n 17,
// t 15, b 13; the bottom cell of its column is 13, the top cell 15.
constexpr int kCell = 14;
enum Dir { W, S, E, N, T, B };

struct Fixture {
  InProjectDir dir;
  SmallGrid grid;
  int face[6] = {};  // faces of cell 14 by Dir
  int far[6] = {};   // far face of each neighbour by Dir

  Fixture() {
    setRunStateInitial();
    grid.nx = grid.ny = grid.nz = 3;
    grid.build();
    EXPECT_TRUE(allocate1(Cpres_res, static_cast<std::size_t>(MaxCeller)));
    const int c = kCell;
    face[W] = Cflatew[c], face[S] = Cflates[c], face[E] = Cflatee[c];
    face[N] = Cflaten[c], face[T] = Cflatet[c], face[B] = Cflateb[c];
    far[W] = Cflatew[5], far[S] = Cflates[11], far[E] = Cflatee[23];
    far[N] = Cflaten[17], far[T] = Cflatet[15], far[B] = Cflateb[13];

    Cf[c] = 1.5;
    Cap[c] = 2.25;
    Csource[c] = -3.125;
    Cxvel[c] = 0.5, Cyvel[c] = -0.25, Czvel[c] = 0.125;
    Cgamma[c] = 0.01, Ckinen[c] = 0.002, Cepsilon[c] = 3e-5, Cvol[c] = 0.75;
    Caw[c] = 1, Cas[c] = 2, Cae[c] = 3, Can[c] = 4, Cat[c] = 5, Cab[c] = 6;
    CinvAp[c] = 0.5;
    CinvAp[5] = 0.1, CinvAp[11] = 0.2, CinvAp[23] = 0.3, CinvAp[17] = 0.4, CinvAp[15] = 0.6, CinvAp[13] = 0.7;
    // Face values by direction: w 1, s 2, e 3, n 4, t 5, b 6.
    const double code[6] = {1, 2, 3, 4, 5, 6};
    for (int d = 0; d < 6; ++d) {
      Farea[face[d]] = code[d];
      Fflux[face[d]] = 10 + code[d];
      Fvx[face[d]] = 0.1 * code[d];
      Fvy[face[d]] = 0.01 * code[d];
      Fvz[face[d]] = -code[d];
      Fflagflow[face[d]] = static_cast<int>(code[d]);
      Ftype1[face[d]] = 10 + static_cast<int>(code[d]);
      Ftype2[face[d]] = 20 + static_cast<int>(code[d]);
      Fflux[far[d]] = 30 + code[d];
    }
    logTruncate();
  }
};

// The cell-dump lines common to the two dumps, for cell 14 of the fixture.
const char* kCellLines =
    "Cf = 1.500000, Cap = 2.250000, Csource = -3.125000\n"
    "Velocities: 0.500000 -0.250000 0.125000, Diffusion, k, epsilon: 0.010000 2.000000e-03 3.000000e-05, "
    "Volume: 0.750000\n"
    "Neigbours id: wsentb: 5 11 23 17 15 13\n"
    "Neigbours anb: wsentb: 1.000000e+00 2.000000e+00 3.000000e+00 4.000000e+00 5.000000e+00 6.000000e+00\n";
const char* kAreaFluxLines =
    "Neigbours areas: wsen: 1.000000e+00 2.000000e+00 3.000000e+00 4.000000e+00\n"
    "Neigbours fluxes: wsentb: 1.100000e+01 1.200000e+01 1.300000e+01 1.400000e+01 1.500000e+01 1.600000e+01\n";

}  // namespace

TEST(CellDump, LinesOfTheChosenCell) {
  Fixture x;
  Iter = 7;
  Equation = 2;
  PrintDebugBoogie = kCell;
  printDebug(1);
  char faces[128];
  std::snprintf(faces, sizeof faces, "Neigbour surfaces id: %d %d %d %d %d %d\n", x.face[W], x.face[S], x.face[E],
                x.face[N], x.face[T], x.face[B]);
  // The faces toward cells numbered lower belong to those cells: the west
  // face runs from 5 to 14, the east face from 14 to 23, and so on.
  EXPECT_EQ(logText(), std::string("Bugtrap, values for Iter = 7, cellno = 14, Equation = 2, InnerIter = 1\n") +
                           kCellLines + faces +
                           "Neigbour surfaces neighbours id 1: 5 11 14 14 14 13\n"
                           "Neigbour surfaces neighbours id 2: 14 14 23 17 15 14\n" +
                           kAreaFluxLines +
                           "invAp: lwsentb: 0.500000 0.100000 0.200000 0.300000 0.400000 0.600000 0.700000\n");
}

// A missing neighbour reads the empty slot 0; a cell the grid does not have
// is not dumped.
TEST(CellDump, MissingNeighboursReadTheEmptySlotAndNoSuchCellWritesNothing) {
  Fixture x;
  CinvAp[1] = 0.25, CinvAp[2] = 0.5, CinvAp[4] = 0.75, CinvAp[10] = 1.25;
  // A neighbour number beyond the grid reads the empty slot as well.
  CinvAp[NoCells + 1] = 9.0;
  Ccells[1] = NoCells + 1;
  PrintDebugBoogie = 1;  // neighbours w 0, s 28, e 10, n 4, t 2, b 0
  printDebug(2);
  const std::string text = logText();
  EXPECT_NE(text.find("Neigbours id: wsentb: 0 28 10 4 2 0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("invAp: lwsentb: 0.250000 0.000000 0.000000 1.250000 0.750000 0.500000 0.000000\n"),
            std::string::npos)
      << text;
  for (int c : {-1, 0, 28, 1000000}) {
    logTruncate();
    PrintDebugBoogie = c;
    printDebug(1);
    EXPECT_EQ(logText(), "") << "cell " << c;
  }
}

TEST(PressureCorrectionDump, CleanFieldWritesNothingAndKeepsTheSwitch) {
  Fixture x;
  for (int c = 1; c <= NoCells; ++c) Cf[c] = 0.0, Cap[c] = 1.0;
  Cf[3] = 1e5, Cf[4] = -1e5, Cap[5] = 0.001;  // on the limits: not suspicious
  FlagPresDebug = 1;
  printDebug2();
  EXPECT_EQ(logText(), "");
  EXPECT_EQ(FlagPresDebug, 1);
}

// One suspicious cell at a time: beyond 1e5 in magnitude, a diagonal below
// 0.001, or a value that is not a number.
TEST(PressureCorrectionDump, SuspiciousCells) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double p, ap;
    bool dumped;
  };
  const Case cases[] = {{1e5, 1.0, false},       {-1e5, 1.0, false},    {100000.5, 1.0, true},
                        {-100000.5, 1.0, true},  {0.0, 0.001, false},   {0.0, 0.000999, true},
                        {0.0, -5.0, true},       {0.0, 0.0, true},      {nan, 1.0, true},
                        {0.0, nan, true}};
  for (const Case& k : cases) {
    Fixture x;
    for (int c = 1; c <= NoCells; ++c) Cf[c] = 0.0, Cap[c] = 1.0;
    Cf[8] = k.p, Cap[8] = k.ap;
    FlagPresDebug = 1;
    printDebug2();
    const std::string text = logText();
    EXPECT_EQ(text.find("Debug, Pressure-correction, l=8\n") == 0, k.dumped) << k.p << " " << k.ap << "\n" << text;
    EXPECT_EQ(text.find("Debug, Pressure-correction, l=") == std::string::npos, !k.dumped) << text;
    EXPECT_EQ(FlagPresDebug, k.dumped ? 99 : 1) << k.p << " " << k.ap;
  }
}

TEST(PressureCorrectionDump, LinesOfEachCellAndTheStopSwitch) {
  Fixture x;
  for (int c = 1; c <= NoCells; ++c)
    if (c != kCell) Cf[c] = 0.0, Cap[c] = 1.0;
  Cf[kCell] = -2e5;
  Cap[kCell] = 2.25;
  Cf[20] = 3e5;  // a later cell of the range is dumped after the switch
  FlagPresDebug = 1;
  printDebug2();
  EXPECT_EQ(FlagPresDebug, 99);
  const std::string text = logText();
  const std::string first = std::string("Debug, Pressure-correction, l=14\n") +
                            "Cf = -200000.000000, Cap = 2.250000, Csource = -3.125000\n" +
                            (kCellLines + std::string(kCellLines).find("Velocities")) + kAreaFluxLines +
                            "Neigbours+l invAp: lwsentb: 0.500000 0.100000 0.200000 0.300000 0.400000 0.600000 "
                            "0.700000\n";
  ASSERT_EQ(text.substr(0, first.size()), first);
  EXPECT_EQ(text.find("Debug, Pressure-correction, l=20\n"), first.size());
  EXPECT_EQ(text.find("Debug, Pressure-correction, l=", first.size() + 1), std::string::npos);

  // Only the work range is searched; another switch value stays as it is.
  logTruncate();
  WCStart = 15;
  WCEnd = 19;
  FlagPresDebug = 5;
  printDebug2();
  EXPECT_EQ(logText(), "");
  WCEnd = 20;
  printDebug2();
  EXPECT_EQ(logText().rfind("Debug, Pressure-correction, l=20\n", 0), 0u);
  EXPECT_EQ(FlagPresDebug, 5);
}

TEST(TriangleCellDump, Lines) {
  Fixture x;
  Iter = 3;
  MaxResidual[4] = 0.02;
  Cpres_res[kCell] = 0.004;
  Ctrekant[kCell] = 3;
  Croughness[kCell] = 0.05;
  Cidist[kCell] = 0.5, Cjdist[kCell] = 0.25, Ckdist[kCell] = 0.125;
  Careax[kCell] = 1, Careay[kCell] = 2, Careaz[kCell] = 3;
  // Cell values of c, e, n, w, s: 0, 1, 2, 3, 4 after the point.
  const int cells[5] = {kCell, 23, 17, 5, 11};
  for (int k = 0; k < 5; ++k) {
    Cpres[cells[k]] = 100 + k;
    Cxvel[cells[k]] = 0.1 * k;
    Cyvel[cells[k]] = 0.5 - 0.1 * k;
    Czvel[cells[k]] = 0.01 * k;
    Cpres_res[cells[k]] = 0.004 + 0.001 * k;
    CinvAp[cells[k]] = 2 + k;
  }
  printDebugTrekant(kCell, 2);
  EXPECT_EQ(logText(),
            "\nBugtrap - trekant, Iter = 3, InnerIter = 2, Cellno = 14\n"
            "Cpres_res: 0.004000, MaxResidual[4]: 0.020000, Ctrekant: 3\n"
            "Croughness: 0.050000\n"
            "Geometry: Cdistances: 0.500000 0.250000 0.125000\n"
            "Geometry: Careas: 1.000000 2.000000 3.000000\n"
            "Geometry: Fflagflow (senwbt): 2 3 4 1 6 5\n"
            "Geometry: Fareas: 2.000000 3.000000 4.000000 1.000000 6.000000 5.000000\n"
            "Surface fluxes: 12.000000 13.000000 14.000000 11.000000 16.000000 15.000000\n"
            "Surface vec_x: 0.200000 0.300000 0.400000 0.100000 0.600000 0.500000\n"
            "Surface vec_y: 0.020000 0.030000 0.040000 0.010000 0.060000 0.050000\n"
            "Surface vec_z: -2.000000 -3.000000 -4.000000 -1.000000 -6.000000 -5.000000\n"
            "Pressures(penws): 100.000000 101.000000 102.000000 103.000000 104.000000\n"
            "Velocities,x: 0.000000 0.100000 0.200000 0.300000 0.400000\n"
            "Velocities,y: 0.500000 0.400000 0.300000 0.200000 0.100000\n"
            "Velocities,z: 0.000000 0.010000 0.020000 0.030000 0.040000\n"
            "Cpres_res: 0.004000 0.005000 0.006000 0.007000 0.008000\n"
            "CinvAp: 2.000000 3.000000 4.000000 5.000000 6.000000\n");
}

namespace {

// Values of the ending dump for cell 14: neighbours t 15, b 13, e 23, n 17,
// w 5, s 11; the column runs from 13 (bed cell 5 at i 3, j 3) to 15.
void setErrorCell() {
  const int c = kCell;
  Cap[c] = 1e-40;
  Ckdist[c] = 0.125;
  const int nb[6] = {15, 13, 23, 17, 5, 11};  // t b e n w s
  Cidist[c] = 1, Cjdist[c] = 10;
  for (int k = 0; k < 6; ++k) {
    Cidist[nb[k]] = 2 + k;
    Cjdist[nb[k]] = 20 + 10 * k;
    Cgamma[nb[k]] = CgammaV[nb[k]] = 9.0;  // the value not read
  }
  CgammaV[15] = 0.2, CgammaV[13] = 0.3;
  Cgamma[23] = 0.4, Cgamma[17] = 0.5, Cgamma[5] = 0.6, Cgamma[11] = 0.7;
  Czcenter[13] = 2.5, Ckdist[13] = 0.5;   // bed at 2
  Czcenter[15] = 4.0, Ckdist[15] = 0.25;  // water at 4.25
  Cbed[c] = 0;                            // the bottom cell's bed cell counts
  Cbed[13] = 5;
  Bkooi[5] = 3, Bkooj[5] = 3;
}

const char* kErrorHead =
    "Error 2, Cap(14) = 1.000000e-40\n"
    "Velocities: 5.000000e-01 -2.500000e-01 1.250000e-01\n"
    "Volume = 7.500000e-01, Ckdist = 1.250000e-01\n"
    "Neighbour indexes: 15 13 23 17 5 11\n"
    "Ftype1: 15 16 13 14 11 12\n"
    "Ftype2: 25 26 23 24 21 22\n"
    "Neighbour anb: 5.000000e+00 6.000000e+00 3.000000e+00 4.000000e+00 1.000000e+00 2.000000e+00\n";
const char* kErrorTail =
    "Cidist, l+nb: 1.000000e+00 2.000000e+00 3.000000e+00 4.000000e+00 5.000000e+00 6.000000e+00 7.000000e+00\n"
    "Cjdist, l+nb: 1.000000e+01 2.000000e+01 3.000000e+01 4.000000e+01 5.000000e+01 6.000000e+01 7.000000e+01\n"
    "Side fluxes (tbenws): 1.500000e+01 1.600000e+01 1.300000e+01 1.400000e+01 1.100000e+01 1.200000e+01\n"
    "Side-side fluxes (tbenws): 3.500000e+01 3.600000e+01 3.300000e+01 3.400000e+01 3.100000e+01 3.200000e+01\n"
    "Side areas (tbenws): 5.000000e+00 6.000000e+00 3.000000e+00 4.000000e+00 1.000000e+00 2.000000e+00\n"
    "Gammas: l+anbb: 1.000000e-02 2.000000e-01 3.000000e-01 4.000000e-01 5.000000e-01 6.000000e-01 "
    "7.000000e-01\n"
    "Bed level: 2.000000e+00\n";

// Ends the dump in the child: the status text and the error flag of the
// ending process go to stderr, where the death test reads them.
void reportAtExit() {
  std::fprintf(stderr, "message=[%s] break=%d\n", mc_message, FlagErrorBreak);
}

}  // namespace

TEST(CoefficientDumpDeathTest, EndsWithAFailureStatusAfterItsLines) {
  GTEST_FLAG_SET(death_test_style, "fast");
  Fixture x;
  setErrorCell();
  EXPECT_EXIT(
      {
        std::atexit(reportAtExit);
        printErrorAp(kCell);
      },
      ::testing::ExitedWithCode(2), "message=\\[Error, Cap\\(14\\) = 1\\.000000e-40\n\\] break=1");
  EXPECT_EQ(logText(), std::string(kErrorHead) + kErrorTail + "b = 5, i = 3, j = 3\nWater level: 4.250000e+00\n");
}

TEST(CoefficientDumpDeathTest, SecondNeighbourLineOnlyWithTheirArrays) {
  GTEST_FLAG_SET(death_test_style, "fast");
  Fixture x;
  setErrorCell();
  for (double** a : {&Caee, &Caww, &Cass, &Cann, &Catt, &Cabb})
    ASSERT_TRUE(allocate1(*a, static_cast<std::size_t>(MaxCeller)));
  Caww[kCell] = 0.1, Cass[kCell] = 0.2, Caee[kCell] = 0.3, Cann[kCell] = 0.4, Catt[kCell] = 0.5, Cabb[kCell] = 0.6;
  EXPECT_EXIT(printErrorAp(kCell), ::testing::ExitedWithCode(2), "");
  EXPECT_EQ(logText(), std::string(kErrorHead) +
                           "Neighbour anbb: 5.000000e-01 6.000000e-01 3.000000e-01 4.000000e-01 1.000000e-01 "
                           "2.000000e-01\n" +
                           kErrorTail + "b = 5, i = 3, j = 3\nWater level: 4.250000e+00\n");
}

// A column without a bed cell, a bed-cell index beyond the bed arrays and a
// column chain that runs in a circle: the dump still ends the run.
TEST(CoefficientDumpDeathTest, BedCellLineAndBrokenColumns) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Case {
    const char* what;
    void (*set)();
    const char* bedLine;  // the line after "Bed level: ..."
  };
  const Case cases[] = {
      {"no bed cell", [] { Cbed[13] = 0, Cbed[kCell] = 5; }, ""},
      {"bed cell beyond the arrays", [] { Cbed[13] = bedCellCapacity(); }, nullptr},
      {"no bed arrays", [] { Bkooi = Bkooj = nullptr; }, nullptr},
  };
  for (const Case& k : cases) {
    Fixture x;
    setErrorCell();
    int* const kooi = Bkooi;
    int* const kooj = Bkooj;
    k.set();
    EXPECT_EXIT(printErrorAp(kCell), ::testing::ExitedWithCode(2), "") << k.what;
    Bkooi = kooi, Bkooj = kooj;
    std::string bedLine = k.bedLine ? k.bedLine : "";
    if (!k.bedLine) {
      char b[80];
      std::snprintf(b, sizeof b, "b = %d, i = 0, j = 0\n", Cbed[13]);
      bedLine = b;
    }
    EXPECT_EQ(logText(), std::string(kErrorHead) + kErrorTail + bedLine + "Water level: 4.250000e+00\n") << k.what;
  }
  // 13 below 14 and 14 below 13: the walk down stops after NoCells steps.
  Fixture x;
  setErrorCell();
  Ccellb[13] = kCell;
  Ccellt[15] = kCell, Ccellt[kCell] = 15;
  EXPECT_EXIT(
      {
        alarm(20);
        printErrorAp(kCell);
      },
      ::testing::ExitedWithCode(2), "");
  EXPECT_NE(logText().find("Water level: "), std::string::npos);
}

// A cell number the grid does not have reads the empty slot and still ends.
TEST(CoefficientDumpDeathTest, CellOutsideTheGrid) {
  GTEST_FLAG_SET(death_test_style, "fast");
  Fixture x;
  EXPECT_EXIT(printErrorAp(1000000), ::testing::ExitedWithCode(2), "");
  const std::string text = logText();
  EXPECT_EQ(text.rfind("Error 2, Cap(1000000) = 0.000000e+00\nVelocities: 0.000000e+00", 0), 0u) << text;
  EXPECT_NE(text.find("Neighbour indexes: 0 0 0 0 0 0\n"), std::string::npos) << text;
}
