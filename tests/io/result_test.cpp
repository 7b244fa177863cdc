// The flow result file: names, text and binary round trips through readres,
// the grid-count checks and the refusals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "grid/geometry.h"
#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Values a restart must keep: tiny epsilon and k, small and negative
// velocities, numbers with no short decimal form.
void fillFlowField() {
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 1.0 / 3.0 + c * 1e-9;
    Cyvel[c] = -2.5e-12 * c;
    Czvel[c] = std::sqrt(2.0) * 1e-5;
    Ckinen[c] = 3.3e-8 * c;
    Cepsilon[c] = 1e-7;
    Cpres[c] = 9810.123456789012 + c;
  }
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = std::exp(-f) - 0.1;
}

struct Field {
  std::vector<double> u, v, w, k, e, p, flux;
};
Field takeField() {
  Field f;
  for (int c = 0; c <= NoCells; ++c) {
    f.u.push_back(Cxvel[c]);
    f.v.push_back(Cyvel[c]);
    f.w.push_back(Czvel[c]);
    f.k.push_back(Ckinen[c]);
    f.e.push_back(Cepsilon[c]);
    f.p.push_back(Cpres[c]);
  }
  for (int n = 0; n <= NoSurfaces; ++n) f.flux.push_back(Fflux[n]);
  return f;
}
void clearField() {
  for (int c = 0; c <= NoCells; ++c) Cxvel[c] = Cyvel[c] = Czvel[c] = Ckinen[c] = Cepsilon[c] = Cpres[c] = 0;
  for (int n = 0; n <= NoSurfaces; ++n) Fflux[n] = 0;
}
// Equal values, or (digits > 0) equal to that many significant digits: half
// a unit of the last digit kept, relative.
void expectSameField(const Field& a, const Field& b, int digits = 0) {
  ASSERT_EQ(a.u.size(), b.u.size());
  const double rel = digits > 0 ? 0.5 * std::pow(10.0, 1 - digits) : 0.0;
  auto same = [rel](double x, double y) { return rel == 0.0 ? x == y : std::fabs(x - y) <= rel * std::fabs(x); };
  for (std::size_t c = 1; c < a.u.size(); ++c) {
    EXPECT_TRUE(same(a.u[c], b.u[c])) << "u of cell " << c << ": " << a.u[c] << " " << b.u[c];
    EXPECT_TRUE(same(a.v[c], b.v[c])) << "v of cell " << c << ": " << a.v[c] << " " << b.v[c];
    EXPECT_TRUE(same(a.w[c], b.w[c])) << "w of cell " << c << ": " << a.w[c] << " " << b.w[c];
    EXPECT_TRUE(same(a.k[c], b.k[c])) << "k of cell " << c << ": " << a.k[c] << " " << b.k[c];
    EXPECT_TRUE(same(a.e[c], b.e[c])) << "epsilon of cell " << c << ": " << a.e[c] << " " << b.e[c];
    EXPECT_TRUE(same(a.p[c], b.p[c])) << "p of cell " << c << ": " << a.p[c] << " " << b.p[c];
  }
  for (std::size_t n = 1; n < a.flux.size(); ++n)
    EXPECT_TRUE(same(a.flux[n], b.flux[n])) << "flux of surface " << n << ": " << a.flux[n] << " " << b.flux[n];
}

bool exists(const char* name) {
  struct stat st;
  return stat(name, &st) == 0;
}

// The file name print_result chooses for each option set.
struct NameRow {
  int crash, printRes, printAlways, interpol, mpi;
  const char* name;
  bool binary;
};
class ResultName : public ::testing::TestWithParam<NameRow> {};

TEST_P(ResultName, FollowsTheOptionsInTheirOrder) {
  const NameRow& r = GetParam();
  InProjectDir d;
  SmallGrid{}.build();
  FlagCrashGrid = r.crash;
  PrintRes = r.printRes;
  PrintResAlways = r.printAlways;
  FlagInterpolVal = r.interpol;
  FlagMPI = r.mpi;
  print_result();
  ASSERT_TRUE(exists(r.name)) << r.name;
  std::string text = d.dir().read(r.name);
  // The binary file is the seven arrays and nothing else.
  const std::size_t rawBytes = 8 * (6 * (NoCells + 1) + (NoSurfaces + 1));
  EXPECT_EQ(text.size() == rawBytes && text.find("Results, iter") == std::string::npos, r.binary) << r.name;
}

INSTANTIATE_TEST_SUITE_P(Options, ResultName,
                         ::testing::Values(NameRow{0, 0, 0, 0, 0, "result.end", false},
                                           NameRow{0, 0, 0, 0, 3, "result.mpi3", false},
                                           NameRow{0, 0, 0, 15, 3, "resultb", true},
                                           NameRow{0, 5, 0, 0, 0, "result.0000", false},
                                           NameRow{0, 0, 7, 0, 0, "result.0000", false},
                                           NameRow{0, 5, 0, 15, 0, "result.0000", true},
                                           NameRow{0, 5, 0, 0, 2, "result.mpi2.0000", false},
                                           NameRow{2, 5, 0, 15, 0, "result.csh", false}));

TEST(PrintResult, SuccessiveNumberedWritesTakeTheNextNumbers) {
  InProjectDir d;
  SmallGrid{}.build();
  PrintRes = 1;
  d.dir().write("result.0001", "kept");
  for (int n = 0; n < 3; ++n) print_result();
  EXPECT_TRUE(exists("result.0000"));
  EXPECT_EQ(d.dir().read("result.0001"), "kept");
  EXPECT_TRUE(exists("result.0002"));
  EXPECT_TRUE(exists("result.0003"));
  EXPECT_FALSE(exists("result.0004"));
}

TEST(PrintResult, TextLayout) {
  InProjectDir d;
  SmallGrid g;
  g.nx = 1;
  g.ny = 1;
  g.build();
  std::strcpy(Title + 1, "Flume case");
  stimet = 12.5;
  Iter = 40;
  XksWall = 0.05;
  fillFlowField();
  print_result();
  std::string t = d.dir().read("result.end");
  EXPECT_EQ(t.substr(0, t.find("C 1")),
            "Flume case 12.500000 seconds\nResults, iter = 40\n"
            "Residuals: 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000\nRoughness : 0.050000\n"
            "U 12 2 11 1 0 0\n i     u     v     w     k    e     p\n");
  EXPECT_NE(t.find("\nC 2 "), std::string::npos);
  EXPECT_NE(t.find("\nF 11 "), std::string::npos);
  EXPECT_EQ(t.find("\nF 12 "), std::string::npos);
}

TEST(Readres, TextRoundTripRestoresEveryValueToNineDigits) {
  InProjectDir d;
  SmallGrid g;
  g.nz = 3;
  g.build();
  fillFlowField();
  const Field written = takeField();
  print_result();
  ASSERT_EQ(std::rename("result.end", "result"), 0);
  clearField();
  readres();
  // "%14.8e": one digit before the point and eight after it.
  expectSameField(written, takeField(), 9);
  // Eddy viscosity from k and epsilon, with the limits of F 72 and F 88.
  const double k = Ckinen[2], e = Cepsilon[2];
  EXPECT_DOUBLE_EQ(Cgamma[2], std::min(MaxGamma, 90 * k * k / (e + 1e-20) + MinGamma + ArtEddyVisc));
  EXPECT_EQ(CgammaV[2], Cgamma[2]);
  EXPECT_EQ(FlagInitialized, 1);
  EXPECT_EQ(FlagReadRes, 1);
  EXPECT_TRUE(d.dir().boogieHas("Have not used 'bedres' file"));
  EXPECT_NE(d.dir().boogie().find("Have read " + std::to_string(NoCells) + " cell values from result file\n"),
            std::string::npos);
}

// A transient run reads the field onto the grid just built (letter Y, then
// R): the field belongs to that grid, and the next BedMake (the start-up of
// letter S) keeps it instead of carrying over the columns of no earlier grid.
TEST(Readres, AFieldReadOntoAFreshGridIsKeptByTheNextBedMake) {
  InProjectDir d;
  TimeStep = 1.0;  // transient: the previous-step fields exist
  SmallGrid g;
  g.nz = 3;
  g.build();
  ASSERT_NE(Cxvel_old, nullptr);
  fillFlowField();
  const Field written = takeField();
  print_result();
  ASSERT_EQ(std::rename("result.end", "result"), 0);
  clearField();
  FlagNeedsToBeInterpolated = 1;  // as a grid build leaves it
  readres();
  EXPECT_EQ(FlagNeedsToBeInterpolated, 0);
  BedMake();
  expectSameField(written, takeField(), 9);
}

TEST(Readres, WriterAndReaderCountTheGridWithoutItsAppendedBlocks) {
  // A grid whose builder appended an auxiliary block behind the first 6 cells
  // and 30 surfaces: the file holds those, and the same grid reads it back.
  InProjectDir d;
  SmallGrid{}.build();
  NoCells0 = 6;
  NoSurfaces0 = 30;
  NoBlocks0 = 1;
  fillFlowField();
  print_result();
  const std::string t = d.dir().read("result.end");
  EXPECT_NE(t.find("\nU 27 6 30 1 0 0\n"), std::string::npos) << t;
  EXPECT_EQ(t.find("\nC 7 "), std::string::npos);
  ASSERT_EQ(std::rename("result.end", "result"), 0);
  const double u6 = Cxvel[6];
  clearField();
  readres();
  EXPECT_NEAR(Cxvel[6], u6, 5e-9 * std::fabs(u6));  // "%14.8e"
  EXPECT_TRUE(d.dir().boogieHas("Have read 6 cell values from result file")) << d.dir().boogie();
}

TEST(Readres, ATitleWithRecordLettersIsNotRead) {
  InProjectDir d;
  SmallGrid{}.build();
  fillFlowField();
  std::strcpy(Title + 1, "C 1 9 9 9 9 9 9");
  print_result();
  ASSERT_EQ(std::rename("result.end", "result"), 0);
  const double u1 = Cxvel[1];
  clearField();
  readres();
  EXPECT_NEAR(Cxvel[1], u1, 5e-9 * std::fabs(u1));  // "%14.8e"
}

TEST(Readres, ResultOfAnotherGridIsReportedAndEndsTheRun) {
  InProjectDir d;
  SmallGrid small;
  small.gridLinesX = 8;
  small.build();
  fillFlowField();
  print_result();
  ASSERT_EQ(std::rename("result.end", "result"), 0);
  SmallGrid wider = small;
  wider.nx = 3;
  wider.build();
  clearField();
  FlagInitialized = 0;
  EXPECT_EXIT(readres(), ::testing::ExitedWithCode(252), "");
  const std::string log = d.dir().boogie();
  EXPECT_NE(log.find("Error reading result file, array size is not the same as in the grid\n"
                     "Number of cells in grid is 12, and number of cells in result file is 8\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("No. points in grid: 36, no. points in result file: 27\n"), std::string::npos);
  EXPECT_NE(log.find("an H at the end of the F 2 data set. Then read this file before reading the result file\n"),
            std::string::npos);
  EXPECT_EQ(log.find("Have read"), std::string::npos);
}

TEST(Readres, BinaryRoundTripIsBitForBit) {
  InProjectDir d;
  SmallGrid{}.build();
  FlagInterpolVal = 15;
  fillFlowField();
  Cxvel[0] = 7.0;  // element 0 travels too
  const Field written = takeField();
  print_result();
  clearField();
  readres();
  expectSameField(written, takeField());
  EXPECT_EQ(Cxvel[0], 7.0);
  EXPECT_EQ(FlagInitialized, 1);
  EXPECT_TRUE(d.dir().boogieHas("Have read 8 cell values from resultb file"));
}

TEST(Readres, HeaderlessBinaryOfTheRightLengthIsRead) {
  InProjectDir d;
  SmallGrid{}.build();
  FlagInterpolVal = 15;
  std::vector<double> raw;
  for (int a = 0; a < 6; ++a)
    for (int c = 0; c <= NoCells; ++c) raw.push_back(a * 100 + c);
  for (int n = 0; n <= NoSurfaces; ++n) raw.push_back(-n);
  d.dir().write("resultb", std::string(reinterpret_cast<const char*>(raw.data()), raw.size() * sizeof(double)));
  readres();
  EXPECT_EQ(Cxvel[3], 3.0);
  EXPECT_EQ(Cpres[3], 503.0);
  EXPECT_EQ(Fflux[NoSurfaces], -NoSurfaces);
}

// The earlier binary form, a mark and the two counts before the arrays, is
// still read when its counts are the grid's.
TEST(Readres, MarkedBinaryOfTheEarlierFormIsRead) {
  InProjectDir d;
  SmallGrid{}.build();
  FlagInterpolVal = 15;
  const std::int32_t counts[2] = {NoCells, NoSurfaces};
  std::vector<double> raw;
  for (int a = 0; a < 6; ++a)
    for (int c = 0; c <= NoCells; ++c) raw.push_back(a * 100 + c);
  for (int n = 0; n <= NoSurfaces; ++n) raw.push_back(-n);
  d.dir().write("resultb", std::string("TVKRESB1") + std::string(reinterpret_cast<const char*>(counts), sizeof counts) +
                               std::string(reinterpret_cast<const char*>(raw.data()), raw.size() * sizeof(double)));
  readres();
  EXPECT_EQ(Cyvel[2], 102.0);
  EXPECT_EQ(Fflux[NoSurfaces], -NoSurfaces);
}

// Refusals: each ends the process with its status and log line.
struct Refusal {
  const char* what;
  void (*prepare)(const CaseDir&);
  int status;
  const char* message;
};
void PrintTo(const Refusal& r, std::ostream* os) { *os << r.what; }

class ReadresRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(ReadresRefusal, EndsWithItsStatusAndMessage) {
  const Refusal& r = GetParam();
  InProjectDir d;
  SmallGrid g;
  g.gridLinesX = 8;
  g.build();
  r.prepare(d.dir());
  EXPECT_EXIT(readres(), ::testing::ExitedWithCode(r.status), "");
  EXPECT_TRUE(d.dir().boogieHas(r.message)) << d.dir().boogie();
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadresRefusal,
    ::testing::Values(
        Refusal{"missing result", [](const CaseDir&) {}, 253,
                "Error: have not been able to open the file 'result' for reading"},
        Refusal{"missing resultb", [](const CaseDir&) { FlagInterpolVal = 15; }, 253,
                " cannot open file 'resultb' for reading "},
        Refusal{"resultb of another grid",
                [](const CaseDir&) {
                  FlagInterpolVal = 15;
                  print_result();
                  SmallGrid g;
                  g.gridLinesX = 8;
                  g.nx = 3;
                  g.build();
                },
                252, "Error reading 'resultb' file: 728 bytes do not fit a grid of 12 cells and 52 surfaces"},
        Refusal{"resultb of the earlier marked form from another grid",
                [](const CaseDir& d) {
                  FlagInterpolVal = 15;
                  const std::int32_t counts[2] = {8, 36};
                  d.write("resultb", std::string("TVKRESB1") +
                                         std::string(reinterpret_cast<const char*>(counts), sizeof counts));
                  SmallGrid g;
                  g.gridLinesX = 8;
                  g.nx = 3;
                  g.build();
                },
                252, "Error reading 'resultb' file: it holds 8 cells and 36 surfaces, the grid has 12 cells and 52 surfaces"},
        Refusal{"a cell without a record",
                [](const CaseDir& d) {
                  std::string t = "title\n";
                  for (int c : {1, 2, 4, 5, 6, 7, 8}) t += "C " + std::to_string(c) + " 1 1 1 1 1 1\n";
                  for (int n = 1; n <= 36; ++n) t += "F " + std::to_string(n) + " 0.5\n";
                  d.write("result", t);
                },
                2, "Cell 3 has no record"},
        Refusal{"headerless resultb of another length",
                [](const CaseDir& d) {
                  FlagInterpolVal = 15;
                  d.write("resultb", std::string(8 * 20, '\0'));
                },
                252, "Error reading 'resultb' file: 160 bytes do not fit a grid of 8 cells and 36 surfaces"},
        Refusal{"cell number outside the grid",
                [](const CaseDir& d) { d.write("result", "title\nU 27 8 36 1 0 0\nC 9 1 1 1 1 1 1\n"); }, 252,
                "Error reading result file: the grid has no cell 9"},
        Refusal{"cell given twice",
                [](const CaseDir& d) { d.write("result", "title\nC 1 1 1 1 1 1 1\nC 2 1 1 1 1 1 1\nC 1 2 2 2 2 2 2\n"); },
                252, "Error reading result file: a second record of cell 1"},
        Refusal{"cell given twice: the place",
                [](const CaseDir& d) { d.write("result", "title\nC 1 1 1 1 1 1 1\nC 2 1 1 1 1 1 1\nC 1 2 2 2 2 2 2\n"); },
                252, "At line 4 of the result file: C 1 2 2 2 2 2 2"},
        Refusal{"surface given twice",
                [](const CaseDir& d) { d.write("result", "title\nF 3 1.0\nF 3 1.0\n"); }, 252,
                "Error reading result file: a second record of surface 3"},
        Refusal{"surface number outside the grid",
                [](const CaseDir& d) { d.write("result", "title\nF 0 1.0\n"); }, 252,
                "Error reading result file: the grid has no surface 0"}));

TEST(PrintResult, AFileThatCannotBeCreatedEndsWithStatusMinus3) {
  InProjectDir d;
  SmallGrid{}.build();
  d.dir().mkdir("result.end");
  EXPECT_EXIT(print_result(), ::testing::ExitedWithCode(253), "");
  EXPECT_TRUE(d.dir().boogieHas("Error: can not open file 'result.end' for writing"));
}

}  // namespace
