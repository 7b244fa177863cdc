// The concentration and bed-fraction restart files: con2res (letter F),
// compres (letter E), fracres (F 329 entry 15) and their reader (letter O).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/three_cell_state.h"

namespace {

void rename(const char* from, const char* to) { ASSERT_EQ(std::rename(from, to), 0) << from; }

TEST(Con2res, WrittenAndReadBackToTheSevenDigitsOfTheFile) {
  ThreeCellState s(2, 2, [] { FlagTSC = 1; });
  for (int c = 1; c <= NoCells; ++c)
    for (int l = 1; l <= 2; ++l) Cconc[l][c] = 1.2345678912e-5 * c / l;
  ASSERT_EQ(writeConcRes(), 0);
  const std::string text = s.dir().read("con2res.new");
  EXPECT_EQ(text.rfind("3 2\n", 0), 0u);
  EXPECT_NE(text.find("\n1.851852e-05 1.234568e-05 6.172839e-06 \n"), std::string::npos) << text;
  rename("con2res.new", "con2res");
  for (int c = 0; c <= NoCells; ++c)
    for (int l = 0; l <= 2; ++l) Cconc[l][c] = 0.0;
  EXPECT_EQ(readConRes(), 2);  // no fracres
  for (int c = 1; c <= NoCells; ++c) {
    for (int l = 1; l <= 2; ++l) EXPECT_NEAR(Cconc[l][c], 1.2345678912e-5 * c / l, 5e-7 * Cconc[l][c]);
    // Row 0 is the sum of the sizes at writing time.
    EXPECT_NEAR(Cconc[0][c], 1.2345678912e-5 * c * 1.5, 5e-7 * Cconc[0][c]);
  }
}

TEST(Con2res, ATransientRunAlsoRestoresThePreviousStep) {
  ThreeCellState s(1, 2, [] {
    FlagTSC = 1;
    TimeStep = 10.0;
  });
  ASSERT_NE(Cconc_old, nullptr);
  s.dir().write("con2res", "3 1\n1 1\n2 2\n3 3\n");
  readConRes();
  EXPECT_EQ(Cconc_old[1][2], 2.0);
  EXPECT_EQ(Cconc[1][3], 3.0);
}

TEST(Con2res, NumberedNamesWithP9) {
  ThreeCellState s(1, 2, [] { PrintComp = 1; });
  s.dir().write("con2res.000", "kept");
  ASSERT_EQ(writeConcRes(), 0);
  EXPECT_EQ(s.dir().read("con2res.000"), "kept");
  EXPECT_TRUE(s.dir().exists("con2res.001"));
}

TEST(Con2res, AFileThatCannotBeCreatedIsReported) {
  ThreeCellState s(1, 2);
  s.dir().mkdir("con2res.new");
  EXPECT_EQ(writeConcRes(), 1);
  EXPECT_TRUE(s.dir().boogieHas("Error: can not open file 'con2res.new' for writing")) << s.dir().boogie();
}

TEST(Con2resDeathTest, AHeaderOfAnotherGridEndsBeforeAnyValueIsRead) {
  GTEST_FLAG_SET(death_test_style, "fast");
  ThreeCellState s(1, 2, [] { FlagTSC = 1; });
  s.dir().write("con2res", "2 1\n0 1 0\n0 2 0\n");
  EXPECT_EXIT(readConRes(), ::testing::ExitedWithCode(255), "");
  EXPECT_NE(s.dir().boogie().find("Error reading con2res file\n"
                                  "con2res: No. cells = 2, no. sizes = 1\n"
                                  "Unstruc/control file: No. cells = 3, no. sizes = 1\n"),
            std::string::npos)
      << s.dir().boogie();
}

TEST(Compres, RoundTripAndAShortFileFillsTheCellsItHolds) {
  ThreeCellState s(1, 2, [] { NoComponents = 2; });
  ASSERT_NE(Ccomp, nullptr);
  for (int c = 1; c <= NoCells; ++c) Ccomp[0][c] = c, Ccomp[1][c] = 0.5 * c;
  ASSERT_EQ(writeConqRes(), 0);
  EXPECT_EQ(s.dir().read("compres"),
            "1.000000e+00 5.000000e-01 \n2.000000e+00 1.000000e+00 \n3.000000e+00 1.500000e+00 \n");
  s.dir().write("compres", "7 8\n9 10\n");
  readConRes();
  EXPECT_EQ(Ccomp[0][1], 7.0);
  EXPECT_EQ(Ccomp[1][2], 10.0);
  EXPECT_EQ(Ccomp[0][3], 3.0);  // not in the file: kept
  EXPECT_TRUE(s.dir().boogieHas("Warning: the compres file holds the components of 2 of 3 cells"));
}

TEST(Compres, NothingToWriteWithoutComponents) {
  ThreeCellState s(1, 2);
  EXPECT_EQ(writeConqRes(), -1);
  EXPECT_FALSE(s.dir().exists("compres"));
}

// ---- fracres ----

TEST(Fracres, WrittenAndReadBackInTheTwoLayerForm) {
  ThreeCellState s(2, 2, [] { FlagTSC = 1; });
  for (int b = 1; b <= 3; ++b) {
    BSedDistrib[1][0][b] = 0.1 * b, BSedDistrib[1][1][b] = 0.25, BSedDistrib[1][2][b] = 0.75;
    BSedDistrib[0][0][b] = 1.0, BSedDistrib[0][1][b] = 0.5, BSedDistrib[0][2][b] = 0.5;
  }
  ASSERT_EQ(writeFracres(), 0);
  const std::string text = s.dir().read("fracres.new");
  EXPECT_EQ(text,
            "2 2 0.100000 0.250000 0.750000 1.000000 0.500000 0.500000\n"
            "3 2 0.200000 0.250000 0.750000 1.000000 0.500000 0.500000\n"
            "4 2 0.300000 0.250000 0.750000 1.000000 0.500000 0.500000\n");
  rename("fracres.new", "fracres");
  for (int b = 1; b <= 3; ++b)
    for (int l = 0; l <= 1; ++l)
      for (int k = 0; k <= 2; ++k) BSedDistrib[l][k][b] = 0.0;
  EXPECT_EQ(readConRes(), 0);
  EXPECT_EQ(FlagReadFracres, 1);
  EXPECT_EQ(BSedDistrib[1][0][2], 0.2);
  EXPECT_EQ(BSedDistrib[1][2][3], 0.75);
  EXPECT_EQ(BSedDistrib[0][1][1], 0.5);
}

TEST(Fracres, TheMultiLayerFormReadsBackGridLinesWithoutBedCells) {
  ThreeCellState s(1, 3, [] { FlagTSC = 3; });
  for (int b = 1; b <= 3; ++b)
    for (int l = 0; l <= 2; ++l) BSedDistrib[l][0][b] = 0.1 * (l + 1), BSedDistrib[l][1][b] = 1.0;
  print_fracres();
  const std::string text = s.dir().read("fracres.new");
  EXPECT_EQ(text.rfind("1 1 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000\n", 0), 0u) << text;
  EXPECT_NE(text.find("\n3 2 0.300000 1.000000 0.200000 1.000000 0.100000 1.000000\n"), std::string::npos);
  rename("fracres.new", "fracres");
  BSedDistrib[2][0][2] = 0.0;
  EXPECT_EQ(readConRes(), 0);
  EXPECT_EQ(BSedDistrib[2][0][2], 0.3);
}

TEST(Fracres, NumberedNamesWithP10) {
  ThreeCellState s(1, 2, [] { PrintRes = 1; });
  print_fracres();
  print_fracres();
  EXPECT_TRUE(s.dir().exists("fracres_00000.new"));
  EXPECT_TRUE(s.dir().exists("fracres_00001.new"));
}

TEST(Fracres, BedresGivesTheFractionsInstead) {
  ThreeCellState s(1, 2, [] { FlagUseBedres = 1; });
  s.dir().write("fracres", "2 2 x\n");
  EXPECT_EQ(readConRes(), 0);
  EXPECT_EQ(FlagReadFracres, 0);
}

// The fraction sums a two-layer record may have.
TEST(FracresDeathTest, FractionSumsOfATwoLayerRecord) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Row {
    double f1;  // layer-1 fraction of size 1 (size 2 has 0.5)
    bool accepted;
  };
  for (const Row& r : {Row{0.4995, true}, Row{0.5005, true}, Row{0.498, false}, Row{0.502, false}}) {
    SCOPED_TRACE(r.f1);
    ThreeCellState s(2, 2, [] { FlagTSC = 1; });
    char rec[200];
    std::snprintf(rec, sizeof rec, "3 2 0.1 %.4f 0.5 1.0 0.5 0.5\n", r.f1);
    s.dir().write("fracres", rec);
    if (r.accepted) {
      EXPECT_EQ(readConRes(), 0);
      EXPECT_EQ(BSedDistrib[1][1][2], r.f1);
    } else {
      EXPECT_EXIT(readConRes(), ::testing::ExitedWithCode(253), "");
      char line[120];
      std::snprintf(line, sizeof line, "Error in fracres, i=3,j=2, sum of fractions = %lf", r.f1 + 0.5);
      EXPECT_TRUE(s.dir().boogieHas(line)) << s.dir().boogie();
    }
  }
}

// A layer thinner than nothing is refused with its record.
TEST(FracresDeathTest, ANegativeLayerThicknessEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "fast");
  ThreeCellState s(2, 2, [] { FlagTSC = 1; });
  s.dir().write("fracres", "3 2 -0.1 0.5 0.5 1.0 0.5 0.5\n");
  EXPECT_EXIT(readConRes(), ::testing::ExitedWithCode(253), "");
  EXPECT_TRUE(s.dir().boogieHas("Error in fracres, i=3,j=2, layer 1, the thickness -0.100000 is negative"))
      << s.dir().boogie();
  EXPECT_TRUE(s.dir().boogieHas("At line 1 of the fracres file: 3 2 -0.1 0.5 0.5 1.0 0.5 0.5")) << s.dir().boogie();
  // A layer of no thickness is a layer all the same.
  s.dir().write("fracres", "3 2 0.0 0.5 0.5 1.0 0.5 0.5\n");
  EXPECT_EQ(readConRes(), 0);
}

TEST(FracresDeathTest, FractionSumOfAMultiLayerRecordNamesTheLayer) {
  GTEST_FLAG_SET(death_test_style, "fast");
  ThreeCellState s(1, 3, [] { FlagTSC = 3; });
  s.dir().write("fracres", "3 2 0.1 1.0 0.1 0.9 0.1 1.0\n");
  EXPECT_EXIT(readConRes(), ::testing::ExitedWithCode(253), "");
  EXPECT_TRUE(s.dir().boogieHas("Error in fracres, i=3,j=2, layer 1, sum of fractions = 0.900000")) << s.dir().boogie();
}

// Fraction-only records (F 443 1): the fractions of every layer, with F 37 2
// the thicknesses from the movable depth, T = F 106.
TEST(Fracres, FractionOnlyRecordsSetEveryLayerAndTheThicknessesFromTheMovableDepth) {
  struct Row {
    double depth, top, bottom;
  };
  for (const Row& r : {Row{0.25, 0.1, 0.15}, Row{0.05, 0.05, 0.0}, Row{-0.1, 0.0, 0.0}}) {
    SCOPED_TRACE(r.depth);
    ThreeCellState s(2, 3, [] {
      FlagTSC = 2;
      FlagFracresVersion = 1;
      TopThickness = 0.1;
    });
    // Column (3,2): grid lines (3,2), (2,2), (3,1), (2,1).
    for (int i : {2, 3})
      for (int j : {1, 2}) {
        zval[i][j][1] = 1.0;
        Surfaces[3][i][j] = 1.0 - r.depth;
      }
    s.dir().write("fracres", "3 2 0.5 0.5\n");
    EXPECT_EQ(readConRes(), 0);
    EXPECT_NEAR(BSedDistrib[1][0][2], r.top, 1e-15);
    EXPECT_NEAR(BSedDistrib[0][0][2], r.bottom, 1e-15);
    for (int l = 0; l <= 2; ++l) EXPECT_EQ(BSedDistrib[l][1][2], 0.5) << l;
  }
}

TEST(FracresDeathTest, FractionOnlyRecordsMustSumToOne) {
  GTEST_FLAG_SET(death_test_style, "fast");
  {
    ThreeCellState s(3, 2, [] { FlagFracresVersion = 1; });
    s.dir().write("fracres", "3 2 0.5 0.25 0.25\n");
    EXPECT_EQ(readConRes(), 0);
    EXPECT_EQ(BSedDistrib[1][1][2], 0.5);
    EXPECT_EQ(BSedDistrib[0][3][2], 0.25);
  }
  ThreeCellState s(3, 2, [] { FlagFracresVersion = 1; });
  s.dir().write("fracres", "3 2 0.3 0.3 0.3\n");
  EXPECT_EXIT(readConRes(), ::testing::ExitedWithCode(253), "");
  EXPECT_TRUE(s.dir().boogieHas("Error in fracres, i=3,j=2, sum of fractions = 0.900000")) << s.dir().boogie();
}

TEST(Fracres, ARecordBeyondTheGridEndsTheReadingWith88) {
  for (const char* bad : {"8 2", "3 -1"}) {
    SCOPED_TRACE(bad);
    ThreeCellState s(1, 2, [] { FlagTSC = 1; });
    s.dir().write("fracres", std::string("2 2 0.7 1 0.8 1\n") + bad + " 0.1 1 0.1 1\n4 2 0.9 1 0.9 1\n");
    EXPECT_EQ(readConRes(), 88);
    EXPECT_EQ(BSedDistrib[1][0][1], 0.7);  // read before it: kept
    EXPECT_NE(BSedDistrib[1][0][3], 0.9);  // after it: not read
    EXPECT_EQ(FlagReadFracres, 0);
    EXPECT_NE(s.dir().boogie().find("Error in fracres file: the record of grid line"), std::string::npos);
  }
}

TEST(FracresDeathTest, LetterOEndsTheRunOnARecordBeyondTheGrid) {
  // Letter O on the real engine: the three-cell grid, then a bad fracres.
  CaseDir d;
  d.write("control", threeCellControl("UO", "F 37 1\n"));
  d.write("unstruc", ThreeCellGrid{}.text());
  d.write("fracres", "9 2 0.1 1 0.1 1\n");
  EXPECT_EQ(d.run(), 2) << d.boogie();
  EXPECT_TRUE(d.boogie().find("Error in fracres file: the record of grid line (9,2) lies outside the G 1 sizes") !=
              std::string::npos)
      << d.boogie();
}

}  // namespace
