// The restart file alldata: the round trip through letter J's writer and
// letter B's reader, the layer rules of the reader and its refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/three_cell_state.h"

namespace {

// The three-cell grid with the restart steps of a user.
struct Restart : ThreeCellState {
  using ThreeCellState::ThreeCellState;
  // J, then the numbered file renamed to `alldata`, as a user restarts.
  std::string writeAndRename() const {
    WriteAllData();
    std::string text = dir().read("alldata.0");
    EXPECT_EQ(std::rename("alldata.0", "alldata"), 0);
    return text;
  }
};

void fillState() {
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 1.0 / 3.0 + c;
    Cyvel[c] = -2.5e-12 * c;
    Czvel[c] = 1e-300;
    Cpres[c] = 9810.123456789012 + c;
    Ckinen[c] = 3.3e-8 * c;
    Cepsilon[c] = 1e-9;
    for (int l = 0; l <= lnumber; ++l) Cconc[l][c] = 1.234567890123e-7 * (l + c);
  }
  for (int b = 1; b <= NoBCells; ++b)
    for (int l = 0; l <= 1; ++l) {
      BSedDistrib[l][0][b] = 0.1 * (b + l) + 1e-12;
      BSedDistrib[l][1][b] = 0.25 + 1e-13 * b;
      BSedDistrib[l][2][b] = 0.75 - 1e-13 * b;
    }
  stimet = 1234.5678901234567;
}

void clearState() {
  for (int c = 0; c <= NoCells; ++c) {
    Cxvel[c] = Cyvel[c] = Czvel[c] = Cpres[c] = Ckinen[c] = Cepsilon[c] = 0.0;
    for (int l = 0; l <= lnumber; ++l) Cconc[l][c] = 0.0;
  }
  for (int b = 0; b < bedCellCapacity(); ++b)
    for (int l = 0; l <= NoBedLayers; ++l)
      for (int k = 0; k <= lnumber; ++k) BSedDistrib[l][k][b] = 0.0;
  stimet = 0.0;
  NoCells0 = NoSurfaces0 = NoBlocks0 = NoConnect0 = NoConnFlate0 = 0;
}

TEST(AllData, ReadBackRestoresEveryValueAndWritesTheSameFileAgain) {
  Restart r;
  fillState();
  const std::string first = r.writeAndRename();
  EXPECT_EQ(first.rfind("3 3 16 1 0 0 0 16\n2 2 1234.5678901234567\n", 0), 0u) << first.substr(0, 80);
  clearState();
  ReadAllData();
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_EQ(Cxvel[c], 1.0 / 3.0 + c);
    EXPECT_EQ(Cyvel[c], -2.5e-12 * c);
    EXPECT_EQ(Czvel[c], 1e-300);
    EXPECT_EQ(Cpres[c], 9810.123456789012 + c);
    EXPECT_EQ(Ckinen[c], 3.3e-8 * c);
    EXPECT_EQ(Cepsilon[c], 1e-9) << "an epsilon of 1e-9 comes back exactly";
    for (int l = 0; l <= lnumber; ++l) EXPECT_EQ(Cconc[l][c], 1.234567890123e-7 * (l + c));
  }
  for (int b = 1; b <= 3; ++b) {
    EXPECT_EQ(BSedDistrib[1][0][b], 0.1 * (b + 1) + 1e-12);
    EXPECT_EQ(BSedDistrib[0][1][b], 0.25 + 1e-13 * b);
  }
  EXPECT_EQ(stimet, 1234.5678901234567);
  // The counts of the three-dimensional grid are those of the file, so that
  // J after B writes the whole grid again.
  EXPECT_EQ(NoCells0, 3);
  EXPECT_EQ(NoSurfaces0, 16);
  EXPECT_EQ(NoBlocks0, 1);
  EXPECT_EQ(FlagReadAlldata, 1);
  EXPECT_EQ(FlagInitialized, 1);
  WriteAllData();
  EXPECT_EQ(r.dir().read("alldata.0"), first);
}

TEST(AllData, WritesInSeriesAndNeverOverwritesTheRestartInput) {
  Restart r;
  r.dir().write("alldata", "kept");
  r.dir().write("alldata.1", "kept");
  WriteAllData();
  WriteAllData();
  EXPECT_EQ(r.dir().read("alldata"), "kept");
  EXPECT_EQ(r.dir().read("alldata.1"), "kept");
  EXPECT_TRUE(r.dir().exists("alldata.0"));
  EXPECT_TRUE(r.dir().exists("alldata.2"));
}

// Fractions that do not sum to 1 are divided by their sum, or shared equally
// in a layer without thickness.
TEST(AllData, LayerFractionsAreNormalisedOnReading) {
  struct Row {
    double thickness, f1, f2, want1, want2;
  };
  const Row rows[] = {
      {0.2, 0.45, 0.45, 0.5, 0.5},          // sum 0.9, thick: divided by 0.9
      {0.2, 0.09, 0.81, 0.1, 0.9},          // sum 0.9
      {0.0, 0.3, 0.6, 0.5, 0.5},            // no thickness: 1/lnumber each
      {1e-21, 0.3, 0.6, 0.5, 0.5},          // below 1e-20 m
      {0.2, 0.3, 0.7 + 5e-11, 0.3, 0.7 + 5e-11},  // within 1e-10 of 1: kept
      {0.2, 0.3, 0.7 + 5e-10, 0.3 / (1 + 5e-10), (0.7 + 5e-10) / (1 + 5e-10)},  // 5e-10 off: divided
      {0.2, 0.0, 0.0, 0.5, 0.5},            // nothing to divide by: equal parts
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.f1 + row.f2);
    Restart r;
    BSedDistrib[1][0][2] = row.thickness;
    BSedDistrib[1][1][2] = row.f1;
    BSedDistrib[1][2][2] = row.f2;
    r.writeAndRename();
    clearState();
    ReadAllData();
    EXPECT_NEAR(BSedDistrib[1][1][2], row.want1, 1e-15);
    EXPECT_NEAR(BSedDistrib[1][2][2], row.want2, 1e-15);
    EXPECT_EQ(BSedDistrib[1][0][2], row.thickness);
  }
}

// Records of grid lines without a bed cell store nothing in element 0 of the
// bed arrays.
TEST(AllData, GridLinesWithoutBedCellLeaveElementZeroAlone) {
  Restart r;
  for (int k = 0; k <= lnumber; ++k) BSedDistrib[1][k][0] = BSedDistrib[0][k][0] = 7.0;
  r.writeAndRename();
  for (int k = 0; k <= lnumber; ++k) BSedDistrib[1][k][0] = BSedDistrib[0][k][0] = 0.0;
  ReadAllData();
  for (int k = 0; k <= lnumber; ++k) {
    EXPECT_EQ(BSedDistrib[1][k][0], 0.0);
    EXPECT_EQ(BSedDistrib[0][k][0], 0.0);
  }
  EXPECT_EQ(Cbed[0], 0);
  EXPECT_EQ(pointbed[3][2], 2);
  EXPECT_EQ(Cbed[2], 2);
}

TEST(AllData, ControlFileDischargesAndUpdatesReplaceThoseOfTheFile) {
  Restart r;
  DischargeStruct[2].discharge = 77.0;
  DischargeStruct[1].update = 0;
  r.writeAndRename();
  discharges[2] = 0.5;
  updates[1] = 1;
  ReadAllData();
  EXPECT_EQ(DischargeStruct[2].discharge, 500.0);
  EXPECT_EQ(DischargeStruct[1].update, 1);
  // The bed-cell lists of the groups: the bottom cells under their faces.
  EXPECT_EQ(DischargeStruct[1].noBedCells, 1);
  EXPECT_EQ(DischargeStruct[1].bedCell[0], 1);
  EXPECT_EQ(DischargeStruct[2].noBedCells, 1);
  EXPECT_EQ(DischargeStruct[2].bedCell[0], 3);
}

TEST(AllData, LevelsOfTheFileAndTheirControlOptions) {
  Restart r;
  for (int k = 0; k <= 3; ++k) Surfaces[k][3][2] = 10.0 + k;
  r.writeAndRename();
  FlagSetZeroBedmove = 1;
  FlagSetLimBedOri = 1;
  ReadAllData();
  EXPECT_EQ(Surfaces[0][3][2], 10.0);
  EXPECT_EQ(Surfaces[1][3][2], 0.0);   // F 392
  EXPECT_EQ(Surfaces[2][3][2], 12.0);
  EXPECT_EQ(Surfaces[3][3][2], 10.0);  // F 393: the level of surface 0
}

TEST(AllData, MultiLayerStacksComeBackWithoutTheirThinLayers) {
  Restart r(2, 4);
  ASSERT_EQ(NoBedLayers, 4);
  const int b = 2;
  BlayerTop[b] = 2;
  const double t[3] = {0.3, 1e-12, 0.1};
  for (int l = 0; l <= 2; ++l) {
    BSedDistrib[l][0][b] = t[l];
    BSedDistrib[l][1][b] = 0.2 * (l + 1);
    BSedDistrib[l][2][b] = 1.0 - 0.2 * (l + 1);
  }
  BlayerTop[1] = 0;
  const std::string text = r.writeAndRename();
  // The bed cell leads the record; bed cell 0 (grid line 1) has no layers
  // and no line end: the next record goes on on the same line.
  EXPECT_NE(text.find("\n0 0 "), std::string::npos);
  BlayerTop[b] = 0;
  ReadAllData();
  EXPECT_EQ(BlayerTop[b], 1);
  EXPECT_DOUBLE_EQ(BSedDistrib[0][0][b], 0.3 + 1e-12);
  EXPECT_DOUBLE_EQ(BSedDistrib[1][0][b], 0.1);
  EXPECT_DOUBLE_EQ(BSedDistrib[1][1][b], 0.6);
  EXPECT_EQ(BlayerTop[1], 0);
}

TEST(AllData, Version4CarriesTheBedMovementStatistic) {
  Restart r(2, 2, [] { FlagMorphStatistics = 1; });
  ASSERT_EQ(surfaceCount(), 8);
  Surfaces[5][3][2] = 0.0123;
  const std::string text = r.writeAndRename();
  EXPECT_EQ(text.rfind("4 ", 0), 0u);
  EXPECT_NE(text.find("\n3 2 12.3"), std::string::npos);
  Surfaces[5][3][2] = 0.0;
  ReadAllData();
  EXPECT_NEAR(Surfaces[5][3][2], 0.0123, 1e-17);
}

// ---- Refusals ----

struct Refusal {
  const char* what;
  void (*prepare)(const CaseDir&);  // after the file has been renamed to alldata
  int status;
  std::string line;
};
void PrintTo(const Refusal& r, std::ostream* os) { *os << r.what; }

std::string replaceFirst(std::string text, const std::string& from, const std::string& to) {
  const auto p = text.find(from);
  EXPECT_NE(p, std::string::npos) << from;
  if (p != std::string::npos) text.replace(p, from.size(), to);
  return text;
}

class AllDataRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(AllDataRefusal, EndsWithItsStatusAndMessage) {
  GTEST_FLAG_SET(death_test_style, "fast");
  const Refusal& p = GetParam();
  Restart r;
  r.writeAndRename();
  p.prepare(r.dir());
  EXPECT_EXIT(ReadAllData(), ::testing::ExitedWithCode(p.status), "");
  EXPECT_NE(r.dir().boogie().find(p.line), std::string::npos) << r.dir().boogie();
}

INSTANTIATE_TEST_SUITE_P(
    Files, AllDataRefusal,
    ::testing::Values(
        Refusal{"no alldata file", [](const CaseDir&) { std::remove("alldata"); }, 2,
                "Error, have not been able to open alldata file\n"},
        Refusal{"version 4 without F 404",
                [](const CaseDir& d) { d.write("alldata", replaceFirst(d.read("alldata"), "3 3 16", "4 3 16")); }, 201,
                "Error, it is necessary to use F 404 with this alldata file\n\n"},
        Refusal{"two layers read with three", [](const CaseDir&) { NoBedLayers = 3; }, 251,
                "Error in reading alldata file\n"
                "The number of sediment sizes in allfile is 2. The number in the control file is 2.\n"
                "The number of bed layers in allfile is 2. The number in the control file is 3.\n"},
        Refusal{"cells at the F 65 size", [](const CaseDir&) { MaxCeller = 3; }, 251,
                "Error reading the alldata file: the allocated arrays are smaller than the \n"},
        Refusal{"a negative count",
                [](const CaseDir& d) { d.write("alldata", replaceFirst(d.read("alldata"), "3 3 16 1 0 0", "3 3 16 1 -1 0")); },
                2, "Error in reading 'alldata' file: the header holds a negative count"},
        Refusal{"block 1 not properly defined",
                [](const CaseDir& d) { d.write("alldata", replaceFirst(d.read("alldata"), "\n2 4 2 2 ", "\n2 4 2 1 ")); },
                2, "Error reading alldata file. Block 1 not properly defined: 2 4 2 1\n\n"},
        Refusal{"block beyond the G 1 sizes",
                [](const CaseDir& d) { d.write("alldata", replaceFirst(d.read("alldata"), "\n2 4 2 2 ", "\n2 6 2 2 ")); },
                2, "Error in reading 'alldata' file: block 1 spans the columns 2..6, 2..2, outside the G 1 sizes (6, 4)"},
        Refusal{"a cell refers to a point beyond the grid",
                [](const CaseDir& d) { d.write("alldata", replaceFirst(d.read("alldata"), "\n1 3 4 2 ", "\n1 3 4 17 ")); },
                2, "Error in reading 'alldata' file: cell 1 refers to number 17 outside 0..16"},
        Refusal{"a negative bed cell",
                [](const CaseDir& d) {
                  std::string text = d.read("alldata");
                  text.replace(text.rfind(" 2 \n"), 4, " -2 \n");  // the bed cell of column (3,2)
                  d.write("alldata", text);
                },
                2, "refers to bed cell -2 outside 0..62"},
        Refusal{"a value that is no number",
                [](const CaseDir& d) { d.write("alldata", replaceFirst(d.read("alldata"), "2 2 0\n", "2 2 x\n")); }, 2,
                "Error in reading alldata file: line 2 cannot be read"}));

}  // namespace

namespace {

TEST(AllDataDeathTest, AMultiLayerRecordThatCannotBeReadNamesTheVersion) {
  GTEST_FLAG_SET(death_test_style, "fast");
  Restart r(2, 3);
  std::string text = r.writeAndRename();
  // The first grid-line record follows the ten surface-release groups.
  const auto p = text.rfind("0 0 0 \n") + 7;
  ASSERT_EQ(text.compare(p, 4, "0 0 "), 0) << text.substr(p, 20);
  text.replace(p, 1, "x");
  r.dir().write("alldata", text);
  EXPECT_EXIT(ReadAllData(), ::testing::ExitedWithCode(157), "");
  EXPECT_TRUE(r.dir().boogieHas(
      "Error reading 'alldata' file with more than two layers. The file must be made with version 353 or later"))
      << r.dir().boogie();
}

}  // namespace
