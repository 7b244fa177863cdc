// The output dispatcher: which files a pass writes for which options, the
// numbered series, and how an unopenable file ends or skips a row.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "output/output.h"
#include "output/plot_grid.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

const std::vector<std::string> kCandidates = {"result.end", "bedres.t",     "TreskPkt.dat", "beddata.sim",
                                              "brolek",     "habitat",      "boogie.spe",   "koosurf.0000",
                                              "bedfluxes",  "result.0000", "bedres.0000",  "tecplot2.dat",
                                              "tecplfe.dat", "ParaView3U.vtk", "pav2_00000.vtk", "ParaView2_n1.vtk"};

std::set<std::string> written(const CaseDir& d) {
  std::set<std::string> out;
  for (const auto& n : kCandidates)
    if (d.exists(n)) out.insert(n);
  return out;
}

struct Row {
  const char* what;
  void (*set)();
  std::set<std::string> files;
  const char* spe;  // words of boogie.spe, when it is written
};
void PrintTo(const Row& r, std::ostream* os) { *os << r.what; }
class DispatcherRows : public ::testing::TestWithParam<Row> {};

TEST_P(DispatcherRows, WriteTheFilesTheirOptionsSelect) {
  const Row& r = GetParam();
  InProjectDir d;
  SmallGrid g;
  g.nx = 4;
  g.ny = 3;
  g.build();
  r.set();
  sprintflow();
  EXPECT_EQ(written(d.dir()), r.files);
  if (r.spe) { EXPECT_NE(d.dir().read("boogie.spe").find(r.spe), std::string::npos) << d.dir().read("boogie.spe"); }
  EXPECT_STREQ(mc_message, "have written output files  ");
  EXPECT_EQ(gFlagWriteR, 0);
  FlagFirstP = 0;
}

#define FLAGS(...) [] { __VA_ARGS__; }
INSTANTIATE_TEST_SUITE_P(
    Options, DispatcherRows,
    ::testing::Values(
        Row{"defaults", FLAGS(), {"result.end", "bedres.t"}, nullptr},
        Row{"defaults without bed cells", FLAGS(NoBCells = 0), {"result.end"}, nullptr},
        Row{"nothing", FLAGS(PrintArrayFlags[0] = 0; PrintArrayFlags[1] = 0), {}, nullptr},
        Row{"P 10", FLAGS(PrintRes = 1), {"result.0000", "bedres.0000"}, nullptr},
        Row{"points, bed, outline by F 329",
            FLAGS(PrintArrayFlags[8] = 1; PrintArrayFlags[9] = 1; PrintArrayFlags[11] = 1),
            {"result.end", "bedres.t", "TreskPkt.dat", "beddata.sim", "brolek"},
            nullptr},
        Row{"F 48 13", FLAGS(FlagInterpolVal = 13), {"result.end", "bedres.t", "TreskPkt.dat"}, nullptr},
        Row{"F 48 22", FLAGS(FlagInterpolVal = 22), {"result.end", "bedres.t", "beddata.sim"}, nullptr},
        Row{"F 48 17", FLAGS(FlagInterpolVal = 17), {"result.end", "bedres.t", "brolek"}, nullptr},
        Row{"F 48 25", FLAGS(FlagInterpolVal = 25), {"result.end", "bedres.t", "habitat"}, nullptr},
        Row{"F 212 8", FLAGS(FlagWriteSpecial = 8), {"result.end", "bedres.t", "boogie.spe"}, "Fraction of sloping"},
        Row{"F 212 9", FLAGS(FlagWriteSpecial = 9), {"result.end", "bedres.t", "boogie.spe"}, "Discharge (l/s)"},
        // Both summaries: the later row's file replaces the earlier one.
        Row{"[13] and [14] 1", FLAGS(PrintArrayFlags[13] = 1; PrintArrayFlags[14] = 1),
            {"result.end", "bedres.t", "boogie.spe"}, "Discharge (l/s)"},
        Row{"[14] 6", FLAGS(PrintArrayFlags[14] = 6), {"result.end", "bedres.t", "koosurf.0000"}, nullptr},
        Row{"[14] 2", FLAGS(PrintArrayFlags[14] = 2), {"result.end", "bedres.t", "boogie.spe"}, " seconds\nX, Zsurf, Zthixo, Zgroundwater\n\n"},
        Row{"[14] 3", FLAGS(PrintArrayFlags[14] = 3), {"result.end", "bedres.t", "boogie.spe"}, "\nX, Zsurf, Zthixo, Zgroundwater\n\n\nTime: "},
        Row{"[14] 4", FLAGS(PrintArrayFlags[14] = 4), {"result.end", "bedres.t", "bedfluxes"}, nullptr},
        Row{"[14] 7", FLAGS(PrintArrayFlags[14] = 7), {"result.end", "bedres.t"}, nullptr},
        // F 48 codes of the plot files: 7/87 the Tecplot plan file, 8/88 it and
        // the Tecplot 3-D file, 9/89 the 3-D file, 10/90 the 3-D VTK file,
        // 11/91 the numbered plan VTK file, 19 a plan VTK file per block.
        Row{"F 48 7", FLAGS(FlagInterpolVal = 7), {"result.end", "bedres.t", "tecplot2.dat"}, nullptr},
        Row{"F 48 87", FLAGS(FlagInterpolVal = 87), {"result.end", "bedres.t", "tecplot2.dat"}, nullptr},
        Row{"F 48 8", FLAGS(FlagInterpolVal = 8), {"result.end", "bedres.t", "tecplot2.dat", "tecplfe.dat"}, nullptr},
        Row{"F 48 88", FLAGS(FlagInterpolVal = 88), {"result.end", "bedres.t", "tecplot2.dat", "tecplfe.dat"}, nullptr},
        Row{"F 48 9", FLAGS(FlagInterpolVal = 9), {"result.end", "bedres.t", "tecplfe.dat"}, nullptr},
        Row{"F 48 89", FLAGS(FlagInterpolVal = 89), {"result.end", "bedres.t", "tecplfe.dat"}, nullptr},
        Row{"F 48 10", FLAGS(FlagInterpolVal = 10), {"result.end", "bedres.t", "ParaView3U.vtk"}, nullptr},
        Row{"F 48 90", FLAGS(FlagInterpolVal = 90), {"result.end", "bedres.t", "ParaView3U.vtk"}, nullptr},
        Row{"F 48 11", FLAGS(FlagInterpolVal = 11), {"result.end", "bedres.t", "pav2_00000.vtk"}, nullptr},
        Row{"F 48 91", FLAGS(FlagInterpolVal = 91), {"result.end", "bedres.t", "pav2_00000.vtk"}, nullptr},
        Row{"F 48 19", FLAGS(FlagInterpolVal = 19), {"result.end", "bedres.t", "ParaView2_n1.vtk"}, nullptr}));

TEST(Dispatcher, RepeatedPassesWithP10NeverOverwriteAFile) {
  InProjectDir d;
  SmallGrid{}.build();
  PrintRes = 10;
  d.dir().write("result.0001", "earlier run");
  for (int pass = 0; pass < 3; ++pass) sprintflow();
  for (const char* n : {"result.0000", "result.0002", "result.0003", "bedres.0000", "bedres.0001", "bedres.0002"})
    EXPECT_TRUE(d.dir().exists(n)) << n;
  EXPECT_EQ(d.dir().read("result.0001"), "earlier run");
  EXPECT_FALSE(d.dir().exists("result.0004"));
  EXPECT_FALSE(d.dir().exists("bedres.0003"));
}

TEST(Dispatcher, AnUnopenableHabitatFileEndsThePass) {
  InProjectDir d;
  SmallGrid{}.build();
  PrintArrayFlags[12] = 1;
  PrintArrayFlags[13] = 1;
  PrintArrayFlags[14] = 4;
  d.dir().mkdir("habitat");
  sprintflow();
  EXPECT_FALSE(d.dir().exists("boogie.spe"));
  EXPECT_FALSE(d.dir().exists("bedfluxes"));
  EXPECT_STREQ(mc_message, "Writing output files");
  EXPECT_EQ(gFlagWriteR, 1);
  EXPECT_TRUE(d.dir().boogieHas("Warning: can not open file 'habitat' for writing"));
}

TEST(Dispatcher, AnUnopenableBedFileIsSkipped) {
  InProjectDir d;
  SmallGrid{}.build();
  PrintArrayFlags[9] = 1;
  PrintArrayFlags[11] = 1;
  d.dir().mkdir("beddata.sim");
  sprintflow();
  EXPECT_TRUE(d.dir().exists("brolek"));
  EXPECT_TRUE(d.dir().exists("bedres.t"));
  EXPECT_STREQ(mc_message, "have written output files  ");
}

TEST(Dispatcher, ARestartFileThatCannotBeOpenedEndsTheRun) {
  InProjectDir d;
  SmallGrid{}.build();
  d.dir().mkdir("result.end");
  EXPECT_EXIT(sprintflow(), ::testing::ExitedWithCode(253), "");
  EXPECT_TRUE(d.dir().boogieHas("Error: can not open file 'result.end' for writing"));
}

TEST(Dispatcher, SubBedCellsStopWithTheSlideOption) {
  InProjectDir d;
  SmallGrid g;
  g.build();
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = Cyvel[c] = Czvel[c] = 1.0;
  block[2] = block[1];
  block[2].subBed = 1;
  block[2].firstBedCell = 2;
  block[2].lastBedCell = 3;
  NoBlocks = 2;
  PrintArrayFlags[0] = PrintArrayFlags[1] = 0;
  sprintflow();
  EXPECT_EQ(Cxvel[Bcellt[2]], 1.0);  // without F 236 nothing changes
  FlagThixo = 1;
  sprintflow();
  for (int b = 1; b <= NoBCells; ++b) {
    const double expect = (b == 2 || b == 3) ? 0.0 : 1.0;
    EXPECT_EQ(Cxvel[Bcellt[b]], expect) << b;
    EXPECT_EQ(Cyvel[Bcellt[b]], expect) << b;
    EXPECT_EQ(Czvel[Bcellt[b]], expect) << b;
    EXPECT_EQ(Cxvel[Bcellt[b] + 1], 1.0) << b;  // only the bottom cell of the column
  }
}

// The bed-layer sections of the 3-D VTK row (more than two bed layers), by
// F 449 second value, told apart by their numbered names (P 10: the row of a
// section in "pab2_<j>_", the column line in "pabc2_<i>_", the 3-D layer file
// "pab3_"). Block 1 is i 2..33, j 3..24; every division drops the fraction:
//   -9 (j2 > 20): rows 3 x 24 / 4 = 18, 24 / 2 + 1 = 13, 3 + 24 / 4 = 9;
//       lines 3 x 33 / 4 = 24, 33 / 2 + 1 = 17, 2 + 33 / 4 = 10;
//   -8: the same rows; lines 24, 5 x 33 / 8 = 20, 17, 10, 2 + 3 x 33 / 8 = 14;
//    0: the middle row (3 + 24) / 2 = 13;  -10: the 3-D layer file;
//   otherwise the rows F 449 1st..2nd (none when the 2nd is below the 1st).
// F 522 adds the column line of its 2nd value first; with two bed layers
// there are no sections, and a block whose j2 is 20 takes -9 as a row range.
TEST(Dispatcher, BedLayerSectionsOfThe3DRowByF449) {
  struct Case {
    const char* what;
    int layers, j2, tracer1, tracer2, barcelona;
    std::set<std::string> files;
  };
  const std::string v = "_00000.vtk";
  const Case cases[] = {
      {"-9", 4, 24, 0, -9, 0,
       {"pab2_18" + v, "pab2_13" + v, "pab2_9" + v, "pabc2_24" + v, "pabc2_17" + v, "pabc2_10" + v}},
      {"-8", 4, 24, 0, -8, 0,
       {"pab2_18" + v, "pab2_13" + v, "pab2_9" + v, "pabc2_24" + v, "pabc2_20" + v, "pabc2_17" + v,
        "pabc2_10" + v, "pabc2_14" + v}},
      {"0", 4, 24, 0, 0, 0, {"pab2_13" + v}},
      {"-10", 4, 24, 0, -10, 0, {"pab3" + v}},
      {"5..7", 4, 24, 5, 7, 0, {"pab2_5" + v, "pab2_6" + v, "pab2_7" + v}},
      {"7..5", 4, 24, 7, 5, 0, {}},
      {"-9 on j2 = 20 with 1st value -12", 4, 20, -12, -9, 0, {}},
      {"-9 on j2 = 20 with 1st value -9", 4, 20, -9, -9, 0, {}},
      {"F 522 line 7, then 0", 4, 24, 0, 0, 7, {"pabc2_7" + v, "pab2_13" + v}},
      {"two bed layers", 2, 24, 0, -8, 7, {}},
  };
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.what);
    InProjectDir d;
    NoBedLayers = cs.layers;
    allocatePlotModel(35, 26, 3, 1);
    addBoxBlock({2, 33, 3, cs.j2, 1, 0.0, 0.0, 1.0, 1.0, 0.5, 0.0});
    PrintArrayFlags[0] = PrintArrayFlags[1] = 0;
    PrintArrayFlags[5] = 1;
    PrintRes = 1;
    tracerJ1 = cs.tracer1;
    tracerJ2 = cs.tracer2;
    FlagBarcelona = cs.barcelona > 0 ? 10 : 0;
    CrossBarcelona = cs.barcelona;
    sprintflow();
    std::set<std::string> sections;
    for (const auto& e : std::filesystem::directory_iterator(d.dir().path())) {
      const std::string n = e.path().filename().string();
      if (n.rfind("pab", 0) == 0) sections.insert(n);
    }
    EXPECT_EQ(sections, cs.files);
  }
}

}  // namespace
