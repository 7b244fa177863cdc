// The G data sets: defaults, values read, and every refusal on the real engine.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "io/kread.h"
#include "state/scanner.h"
#include "state/options.h"
#include "support/case_runner.h"
#include "support/control_rows.h"
#include "support/in_dir.h"

namespace {

// Test names from the cases' names.
const auto caseName = [](const auto& info) { return std::string(info.param.name); };

struct ValueCase {
  const char* name;
  std::string control;
  std::function<double()> got;
  double want;
};

// " 1 2 ... n"
std::string counting(int n) {
  std::string s;
  for (int i = 1; i <= n; ++i) s += " " + std::to_string(i);
  return s;
}

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class GValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(GValue, IsReadOrKeepsItsDefault) {
  const ValueCase& c = GetParam();
  InProjectDir dir;
  readControlText(c.control);
  EXPECT_DOUBLE_EQ(c.got(), c.want) << c.control;
}

// With no data set every value holds its default.
INSTANTIATE_TEST_SUITE_P(Defaults, GValue,
                         ::testing::Values(ValueCase{"xnumber", "no values given\n", [] { return xnumber; }, 300},
                                           ValueCase{"ynumber", "no values given\n", [] { return ynumber; }, 300},
                                           ValueCase{"znumber", "no values given\n", [] { return znumber; }, 11},
                                           ValueCase{"lnumber", "no values given\n", [] { return lnumber; }, 1},
                                           ValueCase{"zdistrib0", "", [] { return zdistrib[0]; }, 0.0},
                                           ValueCase{"zdistrib1", "", [] { return zdistrib[1]; }, 0.0},
                                           ValueCase{"zdistrib6", "", [] { return zdistrib[6]; }, 0.5},
                                           ValueCase{"zdistrib11", "", [] { return zdistrib[11]; }, 1.0},
                                           ValueCase{"zdistrib12", "", [] { return zdistrib[12]; }, 0.0},
                                           ValueCase{"FlagReadG3", "", [] { return FlagReadG3; }, 0},
                                           ValueCase{"RelaxSurface", "", [] { return RelaxSurface; }, 0.1},
                                           ValueCase{"ConvSurface", "", [] { return ConvSurface; }, 0.01},
                                           ValueCase{"iSurf", "", [] { return iSurf; }, 0},
                                           ValueCase{"kSurf2", "", [] { return kSurf2; }, 0},
                                           ValueCase{"SurfUpdate1", "", [] { return SurfUpdate[1]; }, 1},
                                           ValueCase{"SurfUpdate98", "", [] { return SurfUpdate[98]; }, 1},
                                           ValueCase{"SurfUpdate99", "", [] { return SurfUpdate[99]; }, 0},
                                           ValueCase{"WorkBlockNo", "", [] { return WorkBlockNo; }, 0},
                                           ValueCase{"divisionMPI1", "", [] { return divisionMPI[1]; }, -1},
                                           ValueCase{"FlagOpenMP0", "", [] { return FlagOpenMP[0]; }, 0},
                                           ValueCase{"FlagOpenMP10", "", [] { return FlagOpenMP[10]; }, 1},
                                           ValueCase{"FlagOpenMP11", "", [] { return FlagOpenMP[11]; }, 1},
                                           ValueCase{"inflowMult19", "", [] { return inflowMult[19]; }, 1.0},
                                           ValueCase{"inflowMult20", "", [] { return inflowMult[20]; }, 0.0},
                                           ValueCase{"multCinn1", "", [] { return multCinn[1]; }, 1.0},
                                           ValueCase{"multCinn50", "", [] { return multCinn[50]; }, 1.0},
                                           ValueCase{"recordCounters", "",
                                                     [] {
                                                       return IONo + VolSourceNo + SedSourceNo + OutBlockNo +
                                                              DebugDumpNo + UInitNo + BridgeNo + TecStrucNo + NoWeirs +
                                                              NoQI + NoOGLprofs + NoVerttemp + FlagSurfaceUpdate;
                                                     },
                                                     0}),
                         caseName);

// Each data set stores what it reads.
INSTANTIATE_TEST_SUITE_P(
    Present, GValue,
    ::testing::Values(
        ValueCase{"G1x", "G 1 4 5 2 0\n", [] { return xnumber; }, 4},
        ValueCase{"G1y", "G 1 4 5 2 0\n", [] { return ynumber; }, 5},
        ValueCase{"G1z", "G 1 4 5 2 0\n", [] { return znumber; }, 2},
        ValueCase{"G1l", "G 1 4 5 2 0\n", [] { return lnumber; }, 0},
        ValueCase{"G1short", "G 1 20 30\n", [] { return znumber * 1000 + ynumber; }, 11030},
        ValueCase{"G1later", "G 1 20 30 5 2\nG 1 40 30 5 2\n", [] { return xnumber; }, 40},
        ValueCase{"G2", "G 1 10 12 5 1\nG 2 2 10 3 12\n", [] { return iblok1 + iblok2 + jblok1 + jblok2; }, 27},
        // Five levels over three lines; equal neighbours pass.
        ValueCase{"G3levels", "G 1 10 10 5 1\nG 3 0 0.2\n0.2 0.7\n 1.0\n",
                  [] { return zdistrib[1] + zdistrib[3] * 10 + zdistrib[4] * 100 + zdistrib[5] * 1000; }, 1072},
        ValueCase{"G3copiesFirst", "G 1 10 10 3 1\nG 3 -2 0 1\n", [] { return zdistrib[0]; }, -2},
        ValueCase{"G3flag", "G 1 10 10 3 1\nG 3 -2 0 1\n", [] { return FlagReadG3; }, 1},
        ValueCase{"G3readsOnlyZnumber", "G 1 10 10 3 1\nG 3 0 1 2 7\n", [] { return zdistrib[4]; }, 0.3},
        ValueCase{"G30afterG3", "G 1 10 10 3 1\nG 3 -2 0 1\nG 30 -1 0 3\n",
                  [] { return zdistrib[1] + zdistrib[3] * 10; }, 29},
        ValueCase{"G30keepsFlag", "G 1 10 10 3 1\nG 30 0 0 3\n", [] { return FlagReadG3; }, 0},
        ValueCase{"G4", "G 1 10 10 5 2\nG 4 14 3 9 0.5 0.25\n",
                  [] { return i_pointsource + pointsource[1] + pointsource[2]; }, 14.75},
        ValueCase{"G5", "G 1 10 10 5 1\nG 5 1 2 3 4 5 6 7.5\n",
                  [] { return i2_pointsource * 100 + k2_pointsource + pointsource[1]; }, 213.5},
        // Every size fits the point-source table, also with 50 sizes.
        ValueCase{"G4fifty", "G 1 10 10 5 50\nG 4 1 1 1" + counting(50) + "\n", [] { return pointsource[50]; }, 50},
        ValueCase{"G6", "G 6 7 2 3 0.5 1e6\n", [] { return iSurf + jSurf + kSurf + RelaxSurface + ConvSurface; },
                  1000012.5},
        ValueCase{"G6afterF65", "F 65 70000 90000 70000 100 100\nG 6 60000 0 0 0.1 0.01\n", [] { return iSurf; },
                  60000},
        ValueCase{"G62", "G 62 5 1 2 3 0.2 5\n", [] { return kSurf2 + ConvSurface + RelaxSurface; }, 8.2},
        // G 6 does not read the second outflow group, so an earlier F 250 beyond the groups does not refuse it.
        ValueCase{"G6afterF250", "F 250 12\nG 6 7 2 3 0.5 1e6\n",
                  [] { return iSurf + jSurf + kSurf + RelaxSurface + ConvSurface + kSurf2; }, 1000024.5},
        ValueCase{"G7", "G 7 1 2 3 4 5 6 7 8 1.5 2.5 3.5 4.5\nG 7 0 0 0 0 0 0 0 0 0 0 0 9\n",
                  [] { return IONo * 1000 + IO[1].n[7] * 10 + IO[1].v[3] + IO[2].v[3]; }, 2093.5},
        ValueCase{"G9", "G 1 10 10 5 1\nG 9 10\n", [] { return SpecEnergy; }, 10},
        ValueCase{"G10", "G 1 10 10 5 1\nG 10 2 11 2 11 2 6 3.5\n",
                  [] { return VolSourceNo * 100 + VolSource[1].k2 + VolSource[1].value + VolSource[1].value2; }, 111.5},
        ValueCase{"G11", "G 1 10 10 5 1\nG 10 2 3 2 3 2 3 1\nG 11 2 3 2 3 2 3 1 0.25\n",
                  [] { return VolSourceNo * 100 + VolSource[2].value2; }, 200.25},
        ValueCase{"G12", "G 1 10 10 5 3\nG 12 4 0.1 0.2 0.3\n",
                  [] { return SedSource[1].group + SedSource[1].conc[3] + SedSourceNo * 100; }, 104.3},
        ValueCase{"G13", "G 1 10 10 5 1\nG 13 4 2 11 3 5 2 6\n",
                  [] { return OutBlockNo * 100 + OutBlock[1].type * 10 + OutBlock[1].j2; }, 145},
        ValueCase{"G14", "G 1 10 10 5 1\nG 14 6 11 11 6\n", [] { return DebugDump[1].type + DebugDump[1].k * 10; }, 66},
        ValueCase{"G18", "G 18 1 2 3 4 5 6\n", [] { return UInit[1][1] + UInit[1][6] * 10 + UInitNo * 100; }, 161},
        ValueCase{"G22", "G 1 10 10 5 1\nG 22 2 3 4 10 1.5 2.5 0.5\n",
                  [] { return Bridge[1].j2 + Bridge[1].zhigh + Bridge[1].coefficient + BridgeNo * 100; }, 113},
        ValueCase{"G24", "F 236 1 0 0 0.8\nG 24 2 V 0 0 Z 104 0 0\n",
                  [] {
                    return TecStrucNo * 1000 + (TecStruc[0].letter == 'V') * 100 + (TecStruc[1].letter == 'Z') * 10 +
                           TecStruc[1].code;
                  },
                  2214},
        // The letters that depend on other data sets, after those data sets.
        ValueCase{"G24nAfterF37", "F 37 3\nG 24 1 N 0 1\n", [] { return TecStruc[0].letter; }, 'N'},
        ValueCase{"G24jAfterF385", "F 385 1 0\nG 24 1 j 0 1\n", [] { return TecStruc[0].letter; }, 'j'},
        ValueCase{"G24mAfterF404", "F 404 1 0.1\nG 24 1 M 0 1\n", [] { return TecStruc[0].letter; }, 'M'},
        ValueCase{"G24z100AfterF404", "F 404 1 0.1\nG 24 1 Z 100 0 1\n", [] { return TecStruc[0].code; }, 100},
        ValueCase{"G24levels", "G 1 10 10 5 3\nG 24 1 c 5 3\n",
                  [] { return TecStruc[0].level * 10 + TecStruc[0].size; }, 53},
        // Nine blanks are passed over; the tenth is the letter.
        ValueCase{"G24nineBlanks", "G 24 1" + std::string(9, ' ') + "x 0 0\n", [] { return TecStruc[0].letter; }, 'x'},
        ValueCase{"G24tenBlanks", "G 24 1" + std::string(10, ' ') + "0 0\n", [] { return TecStruc[0].letter; }, ' '},
        ValueCase{"G25", "G 25 3 1 0 20\n", [] { return WorkBlockNo * 100 + WorkBlock[1] + WorkBlock[3]; }, 321},
        ValueCase{"G26", "G 26 3 1 0 1\n",
                  [] { return SurfUpdate[1] * 1000 + SurfUpdate[2] * 100 + SurfUpdate[3] * 10 + SurfUpdate[4]; }, 1011},
        ValueCase{"G27", "F 308 3\nG 27 1 4 4\n", [] { return divisionMPI[1] * 100 + divisionMPI[3]; }, 104},
        ValueCase{"G28", "G 1 10 10 5 1\nG 28 2 3 4 8 101.5 1.5 3\n",
                  [] { return NoWeirs * 1000 + Weirs[0].j2 * 10 + Weirs[0].crest; }, 1181.5},
        ValueCase{"G29", "G 1 10 10 5 1\nG 29 2 10 3 10\n", [] { return i1Iff + i2Iff + j1Iff + j2Iff; }, 25},
        ValueCase{"G31", "G 31 20 2.5\n", [] { return inflowMult[20]; }, 2.5},
        ValueCase{"G40", "G 40 2 10 5 0 4\n", [] { return NoVerttemp * 100 + Verttemp[1][0] + Verttemp[2][1]; }, 214},
        ValueCase{"G41", "G 41 1 2 10 5 0 4\nG 41 0 1 3 3\n",
                  [] { return NoQI * 100 + NoVariable[0] * 10 + VertQInit[0][2][1] + VertQInit[1][1][0]; }, 217},
        ValueCase{"G42", "G 42 3 4\nG 42 5 6\n", [] { return NoOGLprofs * 100 + OglProf[1][1]; }, 206},
        ValueCase{"G50", "G 50 0 1 2 3 0 0 0 0 0 2\n", [] { return FlagOpenMP[3] * 10 + FlagOpenMP[9]; }, 32},
        // Every size has a multiplier, also with 50 sizes.
        ValueCase{"G51", "G 1 10 10 5 2\nG 51 0.5 2\n", [] { return multCinn[1] + multCinn[2]; }, 2.5},
        ValueCase{"G51fifty", "G 1 10 10 5 50\nG 51" + counting(50) + "\n", [] { return multCinn[50]; }, 50}),
    caseName);

// G 50 reports a switch outside 0..2 and keeps it; G 51 takes its
// multipliers (its refusals end the run, see the error-status table).
TEST(GDataSets, G50ReportsARefusedValueAndKeepsIt) {
  InProjectDir dir;
  readControlText("G 50 0 0 0 3 0 0 0 0 0 0\nG 1 10 10 5 2\nG 51 1 0.5\n");
  EXPECT_EQ(FlagOpenMP[3], 3);
  EXPECT_EQ(multCinn[2], 0.5);
  std::string log = dir.dir().boogie();
  EXPECT_NE(log.find("Error for G 50 data set in control file\nInteger no. 3 = 3\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("Error for G 51"), std::string::npos) << log;
}

// One row per refusal: the message and the exit status on the real engine.
struct Refusal {
  const char* name;
  std::string control;
  int status;
  const char* message;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class GRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(GRefusal, EndsWithItsMessageAndStatus) {
  const Refusal& r = GetParam();
  CaseResult res = runControl(r.control + "F 2 X\n");
  EXPECT_EQ(res.status, r.status) << res.boogie;
  // The message is the last thing the log holds, line ends included.
  EXPECT_TRUE(endsWith(res.boogie, r.message)) << res.boogie;
}

std::string repeat(const std::string& line, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += line;
  return s;
}

const std::string kGrid = "G 1 10 10 5 1\n";

INSTANTIATE_TEST_SUITE_P(
    G, GRefusal,
    ::testing::Values(
        Refusal{"G1x3", "G 1 3 10 10 1\n", 2, "Input error for G 1 in control"},
        Refusal{"G1y3", "G 1 10 3 10 1\n", 2, "Input error for G 1 in control"},
        Refusal{"G1z1", "G 1 10 10 1 1\n", 2, "Input error for G 1 in control"},
        Refusal{"G1l51", "G 1 10 10 10 51\n", 2, "Input error for G 1 in control"},
        Refusal{"G1lNegative", "G 1 10 10 10 -1\n", 2, "Input error for G 1 in control"},
        // The block grid cannot hold more than 4997 levels.
        Refusal{"G1z4998", "G 1 4 4 4998 1\n", 254, "Error - increase zdistrib array, nz = 5000\n"},
        // No sizes: the fractions of distribution 0 cannot sum to 1.
        Refusal{"G1l0", "G 1 10 10 5 0\n", 252,
                "Error, N - data sets : Sum of fractions = 0.000000e+00\nNumber of N data sets read: 0\n\n"},
        Refusal{"G2i1", kGrid + "G 2 1 5 2 5\n", 2, "Input error for G 2 in control"},
        Refusal{"G2i2", kGrid + "G 2 2 11 2 5\n", 2, "Input error for G 2 in control"},
        Refusal{"G2j", kGrid + "G 2 2 5 6 5\n", 2, "Input error for G 2 in control"},
        Refusal{"G3decreasing", kGrid + "G 3 0 1 0.5 2 3\n", 2, "Input error for G 3 in control, j= 3\n"},
        Refusal{"G3short", kGrid + "G 3 0 1 2\n", 2, "Input error for G 3 in control, j= 4\n"},
        // Levels beyond the table are refused before anything is stored.
        Refusal{"G3tooManyLevels", "G 1 4 4 6000 1\nG 3 0 1 2\n", 2, "Input error for G 3 in control, j= 4998\n"},
        Refusal{"G30tooManyLevels", "G 1 4 4 6000 1\nG 30 0 1 2\n", 2, "Input error for G 30 in control"},
        Refusal{"G30negativeFirst", "G 1 10 10 3 1\nG 30 -1 0 1\n", 2, "Input error for G 30 in control"},
        Refusal{"G30decreasing", "G 1 10 10 3 1\nG 30 0 2 1\n", 2, "Input error for G 30 in control"},
        Refusal{"G4index", kGrid + "G 4 15 2 2 0.1\n", 2, "Input error for G 4 in control"},
        Refusal{"G4negative", kGrid + "G 4 2 -1 2 0.1\n", 2, "Input error for G 4 in control"},
        Refusal{"G5first", kGrid + "G 5 2 3 2 3 10 10\n", 2, "Input error for G 5 in control\nWrong first indexes"},
        Refusal{"G5second", kGrid + "G 5 2 15 2 3 2 3\n", 2, "Input error for G 5 in control\nWrong second indexes"},
        Refusal{"G5match", kGrid + "G 5 2 3 4 3 2 3\n", 2,
                "Input error for G 5 in control\nWrong match beween indexes"},
        Refusal{"G6iSurf", "G 6 60000 0 0 0.1 0.01\n", 2, "Input error for G 6 in control\n"},
        Refusal{"G6relax", "G 6 0 0 0 0 0.01\n", 2, "Input error for G 6 in control\n"},
        Refusal{"G6conv", "G 6 0 0 0 0.1 2e7\n", 2, "Input error for G 6 in control\n"},
        // The surface reference names one of the discharge groups 0..9.
        Refusal{"G6group", "G 6 0 0 10 0.1 0.01\n", 2, "Input error for G 6 in control\n"},
        Refusal{"G62group", "G 62 0 0 1 10 0.1 1\n", 2,
                "Input error for one of the values on the G 62 data set in the in control file\n"},
        Refusal{"G7twentieth", repeat("G 7 1 0 0 0 0 0 0 0 0 0 0 0\n", 20), 2,
                "Input error for G 7 in control\nData sets must not exceed 19\n"},
        Refusal{"G9", kGrid + "G 9 11\n", 2, "Error for G 9 in control"},
        Refusal{"G9zero", "G 9 0\n", 2, "Error for G 9 in control"},
        // G 10 and G 11 count together.
        Refusal{"G10twentieth", kGrid + repeat("G 11 2 3 2 3 2 3 1 1\n", 10) + repeat("G 10 2 3 2 3 2 3 1\n", 10), 2,
                "Input error for G 10 in control\nData sets must not exceed 19\n"},
        Refusal{"G11twentieth", kGrid + repeat("G 10 2 3 2 3 2 3 1\n", 19) + "G 11 2 3 2 3 2 3 1 1\n", 2,
                "Input error for G 11 in control\nData sets must not exceed 19\n"},
        Refusal{"G10box", kGrid + "G 10 1 3 2 3 2 3 1\n", 2, "Input error for G 10 in control"},
        Refusal{"G10top", kGrid + "G 10 2 3 2 3 2 7 1\n", 2, "Input error for G 10 in control"},
        Refusal{"G11box", kGrid + "G 11 2 12 2 3 2 3 1 1\n", 2, "Input error for G 11 in control"},
        Refusal{"G12group", kGrid + "G 12 10 0.5\n", 2, "Input error for G 12, first parameter, in control"},
        Refusal{"G12conc", kGrid + "G 12 1 1.5\n", 2, "Input error for G 12, concentration, in control"},
        Refusal{"G12twentieth", kGrid + repeat("G 12 1 0.5\n", 20), 2,
                "Input error for G 12 in control\nData sets must not exceed 19\n"},
        Refusal{"G13type", kGrid + "G 13 5 2 3 2 3 2 3\n", 2, "Input error for G 13 in control"},
        Refusal{"G13box", kGrid + "G 13 0 2 3 2 12 2 3\n", 2, "Input error for G 13 in control"},
        Refusal{"G13fivehundredth", kGrid + repeat("G 13 0 2 3 2 3 2 3\n", 500), 2,
                "Input error for G 13 in control\nData sets must not exceed 499\n"},
        Refusal{"G14type", kGrid + "G 14 7 2 2 2\n", 2, "Input error for G 14 in control"},
        Refusal{"G14index", kGrid + "G 14 1 1 2 2\n", 2, "Input error for G 14 in control"},
        Refusal{"G14thirtieth", kGrid + repeat("G 14 1 2 2 2\n", 30), 2,
                "Input error for G 14 in control\nData sets must not exceed 29\n"},
        Refusal{"G18twentieth", repeat("G 18 0 0 0 0 0 0\n", 20), 254, "Increase array for G 18 and recompile\n"},
        Refusal{"G22coefficient", kGrid + "G 22 2 3 2 3 0 1 0\n", 2, "Input error for G 22 in control\n"},
        Refusal{"G22levels", kGrid + "G 22 2 3 2 3 2 1 1\n", 2, "Input error for G 22 in control\n"},
        Refusal{"G22window", kGrid + "G 22 2 11 2 3 0 1 1\n", 2, "Input error for G 22 in control\n"},
        Refusal{"G22twentieth", kGrid + repeat("G 22 2 3 2 3 0 1 1\n", 20), 2,
                "Input error for G 22 in control\nNumber of data sets must not exceed 19\n"},
        Refusal{"G24negative", "G 24 -1\n", 2, "The G 24 data set has to include a positive integer first\n"},
        Refusal{"G24tooMany", "G 24 300\n", 2, "Too many points in G 24 data set\n"},
        Refusal{"G24zCode", "G 24 1 Z 50 0 0\n", 2,
                "Error for G 24 data set. The Z variable needs an extra integer\n\n"},
        Refusal{"G24zSlides", "G 24 1 Z 100 0 0\n", 2,
                "Error for G 24 data set. The Z variable is only used with slides\n\n"},
        Refusal{"G24mSlides", "G 24 1 M 0 0\n", 2,
                "Error for G 24 data set. The M variable is only used with slides\n\n"},
        Refusal{"G24level", kGrid + "G 24 2 v 0 0 v 6 0\n", 2, "Error in G 24 data set, variable no. 2\n"},
        Refusal{"G24size", kGrid + "G 24 1 v 0 2\n", 2, "Error in G 24 data set, variable no. 1\n"},
        Refusal{"G24n", "G 24 1 N 0 1\n", 2,
                "Error in G 24 data set. The N variable can not be used when the F 37 data set is not 3\n"},
        Refusal{"G24j", "G 24 1 j 0 1\n", 2,
                "Error in G 24 data set. The j variable can only be used when the F 385 data set is above zero\n"},
        Refusal{"G25count", "G 25 0\n", 2, "Error first integer on G 25 data set\n"},
        Refusal{"G25countHigh", "G 25 100\n", 2, "Error first integer on G 25 data set\n"},
        Refusal{"G25flag", "G 25 3 1 21 0\n", 2, "Error for integer no. 3 on G 25 data set\n"},
        Refusal{"G26zero", "G 26 0\n", 2, "Error first integer on G 26 data set\n"},
        Refusal{"G26ninetyOne", "G 26 91\n", 2, "Error first integer on G 26 data set\n"},
        Refusal{"G26value", "G 26 3 1 0 11\n", 2, "Error after reading 4 integer in the G 26 data set\n"},
        Refusal{"G27withoutF308", "G 27 1 2\n", 255,
                "Error for G 27 data set in control file. The F 308 data set\n"
                "must be present in the control file and have an integer above 1\n\n"},
        Refusal{"G27order", "F 308 3\nG 27 1 5 4\n", 255,
                "Error in G 27 data set: integers have to be givein in rising order\n\n"},
        Refusal{"G27short", "F 308 3\nG 27 1 5\n", 255,
                "Error for G 27 data set: only 3 integers are present.Required number of integers are 3\n\n"},
        Refusal{"G28coefficient", kGrid + "G 28 2 3 2 3 1.0 0.5 1.5\n", 255,
                "Error for G 28 in the control file, 1 occurrence\n"},
        Refusal{"G28window", kGrid + "G 28 2 3 2 3 1.0 1.5 1.5\nG 28 2 9 2 3 1.0 1.5 1.5\n", 255,
                "Error for G 28 in the control file, 2 occurrence\n"},
        Refusal{"G28short", kGrid + "G 28 2 3 2 3 1.0 1.5\n", 255,
                "Error for G 28 in the control file, 1 occurrence\n"},
        Refusal{"G28negativeColumn", kGrid + "G 28 -3 3 2 3 1.0 1.5 1.5\n", 255,
                "Error for G 28 in the control file, 1 occurrence\n"},
        // The weir table holds 20 records.
        Refusal{"G28twentyFirst", kGrid + repeat("G 28 2 3 2 3 1.0 1.5 1.5\n", 21), 255,
                "Error for G 28 in the control file, 21 occurrence\n"},
        Refusal{"G29short", kGrid + "G 29 2 3 2\n", 255, "Error for G 29 in control file\n\n"},
        Refusal{"G29window", kGrid + "G 29 2 11 2 3\n", 255, "Error for G 29 in control file\n\n"},
        Refusal{"G31size", "G 31 21 1\n", 2, "Input error for G 31 in control - first parameter"},
        Refusal{"G31value", "G 31 2 -1\n", 2, "Input error for G 31 in control - second parameter"},
        Refusal{"G40count", "G 40 50\n", 2, "Input error for G 40 in control\n"},
        Refusal{"G41count", "G 41 0 0\n", 2, "Input error for G 41 in control"},
        Refusal{"G41countHigh", "G 41 0 50\n", 2, "Input error for G 41 in control"},
        Refusal{"G41eleventh", repeat("G 41 0 1 0 0\n", 11), 2, "Input error for G 41 in control - too many data sets"},
        // The pair table holds 20 pairs.
        Refusal{"G42twentyFirst", repeat("G 42 1 1\n", 21), 2, "Too many G 42 data sets\n"},
        Refusal{"G62short", "G 62 0 0 0 0 0.1\n", 2,
                "Input error for G 62 in control. Have you provided 6 parameters?\n"},
        Refusal{"G62conv", "G 62 0 0 0 0 0.1 11\n", 2,
                "Input error for one of the values on the G 62 data set in the in control file\n"},
        Refusal{"G62kSurf2", "G 62 0 0 0 -1 0.1 1\n", 2,
                "Input error for one of the values on the G 62 data set in the in control file\n"}),
    caseName);

}  // namespace
