// F data sets 1 to 99: defaults, values read, side effects and refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "state/options.h"
#include "support/control_rows.h"
#include "support/in_dir.h"

// Every data set of the table, read with its default when absent and with
// the value read when present; multi-value data sets check their first and
// last values, so that the reading order is shown.
TEST(DataSetsF001, EachValueHasItsDefaultAndTakesTheValueRead) {
  InProjectDir dir;
  expectValues({
      VALUE("F 1 D", debugging, 'N', 'D'),
      VALUE("F 3 0.001", convergence, 1e-6, 0.001),
      VALUE("F 4 0.3 20 0.05", relax_morph, 0.5, 0.3),
      VALUE("F 4 0.3 20 0.05", iter_morph, 50, 20),
      VALUE("F 4 0.3 20 0.05", conv_morph, 0.01, 0.05),
      VALUE("F 5 30", SinReposeAngle, 1.0, std::sin(3.1415926535897 * 30 / 180)),
      VALUE("F 6 0.02 1.4 0.2", ConcFormCoeff, 0.015, 0.02),
      VALUE("F 6 0.02 1.4 0.2", ConcFormDstar, 0.3, 0.2),
      VALUE("F 8 0.5", MaxBedChange, 0.1, 0.5),
      VALUE("F 9 2", EddyMult, 1.0, 2),
      VALUE("F 10 E", SedimentFormula, 'R', 'E'),
      VALUE("F 11 2.5 0.05", density, 2.65, 2.5),
      VALUE("F 11 2.5 0.05", shieldscoeff, -0.047, 0.05),
      VALUE("F 12 0.7", Schmidt, 1.0, 0.7),
      VALUE("F 13 1", StressDiff, 0, 1),
      VALUE("F 14 0.01", ArtDiff, 0, 0.01),
      VALUE("F 15 20", FlagWallAll, 0, 20),
      VALUE("F 16 0.05", XksWall, -2.0, 0.05),
      VALUE("F 17 2.5", TimeStep, 1e-20, 2.5),
      VALUE("F 18 0.5", SourDens, 0, 0.5),
      VALUE("F 19 3", InitPres, 0, 3),
      VALUE("F 20 3", IterF2, 1, 3),
      VALUE("F 21 0.5", RelaxRhieChow, 1.0, 0.5),
      VALUE("F 22 0.4 1.5", MinPorosity, 0.35, 0.4),
      VALUE("F 22 0.4 1.5", RelaxPorosity, 2.0, 1.5),
      VALUE("F 23 0.5 0.1", FillPart, 0, 0.5),
      VALUE("F 23 0.5 0.1", FillCriteria, 0, 0.1),
      VALUE("F 24 20", TurbulenceModel, 0, 20),
      VALUE("F 25 0.3 1 0.4 0.6 7", MinPorosity, 0.35, 0.3),
      VALUE("F 25 0.3 1 0.4 0.6 7", RoughPoros1, 0.5, 0.4),
      VALUE("F 25 0.3 1 0.4 0.6 7", RoughPoros2, 0.8, 0.6),
      VALUE("F 25 0.3 1 0.4 0.6 7", DiamPoros, 5, 7),
      VALUE("F 26 0.6", SolidFrac, 0.5, 0.6),
      VALUE("F 27 1", SedimentScheme, 0, 1),
      VALUE("F 28 0 3 40 2.5", ADFlag, 1, 0),
      VALUE("F 28 0 3 40 2.5", ADSmearNo, 2, 3),
      VALUE("F 28 0 3 40 2.5", ADConvNo, 0, 40),
      VALUE("F 28 0 3 40 2.5", ADSmearLim, 1.0, 2.5),
      VALUE("F 30 1 2 3 4 5 6", BedFlags[0], 0, 1),
      VALUE("F 30 1 2 3 4 5 6", BedFlags[5], 0, 6),
      VALUE("F 31 0.1 0.2", PorosMult1, 0.8, 0.1),
      VALUE("F 31 0.1 0.2", PorosMult2, 0.8, 0.2),
      VALUE("F 32 5", twoDratio, 0, 5),
      VALUE("F 33 10 4", TimeStep, 1e-20, 10),
      VALUE("F 33 10 4", TransInnerIter, 1, 4),
      VALUE("F 34 0.01", ArtEddyVisc, 0, 0.01),
      VALUE("F 35 0.2", relaxBedShear, 0.5, 0.2),
      VALUE("F 36 200", FlagTFS, 0, 200),
      VALUE("F 37 3", FlagTSC, 0, 3),
      VALUE("F 38 100", InputErrorLimit, 1e12, 100),
      VALUE("F 39 2", AccBedChange, 1.0, 2),
      VALUE("F 40 1.5", relaxDensityTurb, 0, 1.5),
      VALUE("F 41 3.5", MaxDepthScour, 0, 3.5),
      VALUE("F 42 -20", MinLevScour, 0, -20),
      VALUE("F 47 0.2 500", InterLimit, 0.05, 0.2),
      VALUE("F 47 0.2 500", InterALimit, 1e10, 500),
      VALUE("F 47 0.2\nF 2 X", InterALimit, 1e10, 1e10),
      VALUE("F 48 100", FlagInterpolVal, 0, 100),
      VALUE("F 50 10", NoComponents, 0, 10),
      VALUE("F 51 -1e-4", Coriolis, 0, -1e-4),
      VALUE("F 52 5 0.6 -0.8", Wind[0], 0, 5),
      VALUE("F 52 5 0.6 -0.8", Wind[2], 0, -0.8),
      VALUE("F 53 50 60 2 3", PrintIterBoogie, 100, 50),
      VALUE("F 53 50 60 2 3", PrintIterRes, 100, 60),
      VALUE("F 53 50 60 2 3", PrintIterForce, 1, 2),
      VALUE("F 53 50 60 2 3", PrintIterTime, 1, 3),
      VALUE("F 54 0.01", TimeBreakLimit, 0.002, 0.01),
      VALUE("F 56 3 0.6", IterAvalanche, 0, 3),
      VALUE("F 56 3 0.6", AngleAvalanche, 1.0, 0.6),
      VALUE("F 58 0 1 1 0 0.5 3 4 0.1 0.2 7", TFStimeterm, 1, 0),
      VALUE("F 58 0 1 1 0 0.5 3 4 0.1 0.2 7", TFSfroudeforward, 1, 0),
      VALUE("F 58 0 1 1 0 0.5 3 4 0.1 0.2 7", TFSdampwall, 2.0, 3),
      VALUE("F 58 0 1 1 0 0.5 3 4 0.1 0.2 7", TFSuslope, 0, 7),
      VALUE("F 60 1 2", TSCbedrouse, 0, 1),
      VALUE("F 60 1 2", TSCbedforms, 0, 2),
      VALUE("F 61 0.5", CrankNicols, 0, 0.5),
      VALUE("F 62 1", FlagTComp, 0, 1),
      VALUE("F 63 2", SouComp, 0, 2),
      VALUE("F 64 9", UMethod, 11, 9),
      VALUE("F 65 100 200 300 40 50", MaxCeller, 50000, 100),
      VALUE("F 65 100 200 300 40 50", MaxFlater, 80000, 200),
      VALUE("F 65 100 200 300 40 50", MaxPunkter, 50000, 300),
      VALUE("F 65 100 200 300 40 50", MaxNester, 10000, 40),
      VALUE("F 65 100 200 300 40 50", MaxConnFlate, 1000, 50),
      VALUE("F 66 0.5", NestInterpolRelax, 0, 0.5),
      VALUE("F 67 1", TemperatureFlag, 0, 1),
      VALUE("F 68 10", Hydrostatic, 0, 10),
      VALUE("F 69 1 2 3 4 5 6 7", Seiche1, 0, 1),
      VALUE("F 69 1 2 3 4 5 6 7", Seiche7, 0, 7),
      VALUE("F 70 100", WallFlag, 0, 100),
      VALUE("F 71 3", TurbDensFlag, 0, 3),
      VALUE("F 72 0.01", MinGamma, 0.001, 0.01),
      VALUE("F 73 2", WindFlag, 0, 2),
      VALUE("F 74 2", TimeRelaxFlag, 0, 2),
      VALUE("F 75 12", Thermocline, 0, 12),
      VALUE("F 76 2 3 0.5", TDChoriz, 1.0, 2),
      VALUE("F 76 2 3 0.5", TDCdistrib, 0, 0.5),
      VALUE("F 77 0.5 0.25", TChoriz, 1.0, 0.5),
      VALUE("F 77 0.5 0.25", TCvert, 1.0, 0.25),
      VALUE("F 78 2 0.3", BedLoadVectorFlag, 0, 2),
      VALUE("F 78 2 0.3", BedLoadVectorParam, 0.6, 0.3),
      VALUE("F 79 10 50", FlagBedCalc, 0, 10),
      VALUE("F 79 10 50", lnumber, 1, 50),
      VALUE("F 80 1e-4 0.5", Coriolis, 0, 1e-4),
      VALUE("F 80 1e-4 0.5", relaxCoriolis, 0, 0.5),
      VALUE("F 81 500", ArrayTimeSteps, 200, 500),
      VALUE("F 82 -1 5 -2 4 0.001", TurbDensAlphaU, -0.5, -1),
      VALUE("F 82 -1 5 -2 4 0.001", TDvelo, 1e-6, 0.001),
      VALUE("F 83 0.1 2 0.4 1", ConcFormBCoeff, 0.053, 0.1),
      VALUE("F 83 0.1 2 0.4 1", ConcFormBD50, 1.5, 1),
      VALUE("F 84 2", BedLoadFlag, 0, 2),
      VALUE("F 85 1", ContinuityFlag, 0, 1),
      VALUE("F 86 0.004", MinVertDist, 0.001, 0.004),
      VALUE("F 87 0.8", GridDistCoeff, 0.6, 0.8),
      VALUE("F 88 50", MaxGamma, 1000, 50),
      VALUE("F 89 0.001", DistGridHoriz, 0.5, 0.001),
      VALUE("F 90 10", FlagRoughness, 0, 10),
      VALUE("F 91 12 7", iPres, 0, 12),
      VALUE("F 91 12 7", jPres, 0, 7),
      VALUE("F 92 3", PorosWallFlag, 0, 3),
      VALUE("F 93 0.8", FroudeHystat, 1.0, 0.8),
      VALUE("F 94 0.02 0.3", MinVertDist0, -0.001, 0.02),
      VALUE("F 94 0.02 0.3", MinVertDist1, 0.01, 0.3),
      VALUE("F 95 0.1 0.3", BPWparam1, 0.5, 0.1),
      VALUE("F 95 0.1 0.3", BPWparam2, 0.2, 0.3),
      VALUE("F 96 1", OneCellSource, 0, 1),
      VALUE("F 98 2", BlockMethodFlag, 0, 2),
      VALUE("F 99 5", BedRecIter, 1, 5),
  });
}

// Values that change other globals, and data sets whose order in the file
// decides; the edge cases of the table.
TEST(DataSetsF001, SideEffectsAndOrder) {
  InProjectDir dir;
  expectValues({
      VALUE("F 16 0.05", XksInflow, 0, 0.05),
      VALUE("F 36 11", FlagGravity, 0, 1),
      VALUE("F 36 11", FlagSimpleCorrections, 0, 30),
      VALUE("F 36 1", FlagGravity, 0, 1),
      VALUE("F 36 1", FlagSimpleCorrections, 0, 0),
      VALUE("F 36 19", FlagGravity, 0, 1),
      VALUE("F 36 20", FlagGravity, 0, 0),
      VALUE("F 36 20", FlagSimpleCorrections, 0, 0),
      VALUE("F 36 10", FlagGravity, 0, 0),
      VALUE("F 41 2", FlagMinBedLev, 0, 41),
      VALUE("F 42 2", FlagMinBedLev, 0, 42),
      VALUE("F 42 2 F 41 2", FlagMinBedLev, 0, 41),
      VALUE("F 51 0", FlagCoriolis, 0, 1),
      VALUE("F 80 0 0", FlagCoriolis, 0, 1),
      // Convection schemes of components and sediment.
      VALUE("F 63 1", sou[8], 0, 1),
      VALUE("F 63 1", sou[9], 0, 1),
      VALUE("F 63 1", sou[7], 0, 0),
      VALUE("F 37 1 F 63 1", sou[7], 0, 1),
      VALUE("F 63 1 F 37 1", sou[7], 0, 0),
      VALUE("F 37 2 F 63 5", sou[7], 0, 5),
      VALUE("F 37 2 F 63 5", sou[8], 0, 0),
      VALUE("F 63 1 K 6 2 2 2 2 2 2", sou[8], 0, 1),
      // Grid algorithm and the bed at the top of the column.
      VALUE("F 64 11", TopBed, 0, 0),
      VALUE("F 64 9", TopBed, 0, 1),
      VALUE("F 64 38", TopBed, 0, 0),
      VALUE("F 64 0", TopBed, 0, 1),
      VALUE("F 64 99", TopBed, 0, 1),
      VALUE("F 64 100", TopBed, 0, 0),
      VALUE("F 64 500", TopBed, 0, 0),
      VALUE("F 65 100 200 300 0 0", MaxNester, 10000, 2),
      VALUE("F 65 100 200 300 0 0", MaxConnFlate, 1000, 2),
      VALUE("F 67 1", NoComponents, 0, 1),
      VALUE("F 50 3 F 67 1", NoComponents, 0, 3),
      VALUE("F 50 0 F 67 1", NoComponents, 0, 1),
      VALUE("F 67 1 F 50 0", NoComponents, 0, 0),
      VALUE("F 67 0", NoComponents, 0, 0),
      VALUE("F 75 -0.5", FlagThermocline, 0, 1),
      VALUE("F 86 0.004", MinVertDist1, 0.01, 0.004),
      VALUE("F 86 0.004", MinVertDist0, -0.001, 0.001),
      VALUE("F 94 0.02 0.3", MinVertDist, 0.001, 0.3),
      VALUE("F 86 0.004 F 94 0.02 0.3", MinVertDist0, -0.001, 0.02),
      VALUE("F 94 0.02 0.3 F 86 0.004", MinVertDist0, -0.001, 0.001),
      VALUE("F 93 2", FlagFroudeHystat, 0, 1),
      VALUE("F 95 1 1", PorosWallFlag, 0, 2),
      VALUE("F 92 3 F 95 1 1", PorosWallFlag, 0, 3),
      VALUE("F 95 1 1 F 92 0", PorosWallFlag, 0, 0),
      VALUE("F 15 5 F 120 0", FlagWallAll, 0, 1000),
      VALUE("F 120 0 F 15 5", FlagWallAll, 0, 5),
      // A second occurrence wins; a shortened one keeps what it does not read.
      VALUE("F 24 3\nF 24 5", TurbulenceModel, 0, 5),
      VALUE("F 4 0.3 20 0.05 F 4 0.4", conv_morph, 0.01, 0.05),
      VALUE("F 4 0.3 20 0.05 F 4 0.4", relax_morph, 0.5, 0.4),
      // Values on the following lines belong to the data set.
      VALUE("F 53 50\n60\n  2\n3\n", PrintIterTime, 1, 3),
      // A value without a conversion leaves the default (no count required).
      VALUE("F 9 x", EddyMult, 1.0, 1.0),
      VALUE("F 5 x", SinReposeAngle, 1.0, 1.0),
  });
}

TEST(DataSetsF001, RunLettersKeepTwentyCharactersFromTheBlank) {
  InProjectDir dir;
  readControlText("F 2 WM\n");
  std::string run20(run, 20);
  EXPECT_EQ(run20, std::string(" WM\n") + std::string(16, ' '));

  setControlDefaults();
  EXPECT_EQ(std::string(run, 20), std::string(20, '\0'));
  readControlText("F 2 ABCDEFGHIJKLMNOPQRSTUVWXY\n");
  EXPECT_EQ(std::string(run, 20), " ABCDEFGHIJKLMNOPQRS");
}

TEST(DataSetsF001, OptionLettersSetTheirFlagsUpToTheLineEnd) {
  InProjectDir dir;
  EXPECT_EQ(FlagDiffNonVert, 1);
  EXPECT_EQ(FlagInZero, 1);
  readControlText("F 7 NB\nF 2 W\n");
  EXPECT_EQ(std::string(options + 1, 8), std::string(" NB\n") + std::string(4, ' '));
  EXPECT_EQ(FlagBedGradient, 1);
  EXPECT_EQ(FlagBedslopeCorrection, 1);
  EXPECT_EQ(run[1], 'W');  // the next line is read as the next data set

  struct Letter {
    const char* control;
    int* flag;
    int value;
  };
  for (const Letter& l : {Letter{"F 7 V", &FlagPlotVertical, 1}, Letter{"F 7 I", &FlagInflowDirection, 1},
                          Letter{"F 7 A", &FlagDiffNonVert, 0}, Letter{"F 7 Z", &FlagZ0Small, 1},
                          Letter{"F 7 X", &FlagXCYC, 1}, Letter{"F 7 C", &FlagInZero, 0},
                          Letter{"F 7 P", &FlagBedPoros, 1}, Letter{"F 7 G", &FlagBedPoros, 2},
                          Letter{"F 7 E", &FlagFlowDirCor, 1}, Letter{"F 7 B\nF 182 0", &FlagBedslopeCorrection, 0},
                          Letter{"F 182 0 F 7 B", &FlagBedslopeCorrection, 1}}) {
    SCOPED_TRACE(l.control);
    setControlDefaults();
    readControlText(l.control);
    EXPECT_EQ(*l.flag, l.value);
  }
  // Only eight characters: the ninth is scanned as text and starts F 24.
  setControlDefaults();
  readControlText("F 7 NNNNNNNF 24 4\n");
  EXPECT_EQ(std::string(options + 1, 8), " NNNNNNN");
  EXPECT_EQ(TurbulenceModel, 4);
  EXPECT_EQ(options[0], 0);
}

TEST(DataSetsF001, TemperatureNamesTheFirstComponent) {
  InProjectDir dir;
  readControlText("F 67 1\n");
  EXPECT_EQ(std::memcmp(QualityName[0], "Temperature" "        " "\0", 20), 0);
}

TEST(DataSetsF001, LogLinesOfAcceptedValues) {
  InProjectDir dir;
  readControlText("F 27 0\n");
  EXPECT_EQ(dir.dir().boogie(), "Using SOU scheme for sediment calculations\n");
}

// The refusals, each on the real engine: message byte for byte at the end of
// the log, and the status (1 becomes 2; -1 is 255).
class DataSetsF001Refusal : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(DataSetsF001Refusal, EndsWithItsMessageAndStatus) { expectRefusal(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    DataSetsF001, DataSetsF001Refusal,
    ::testing::Values(
        RefusalRow{"F 7 NS\nF 2 X\n", 255,
                   "Error for F 7 data set in control file\nUse 10 spaces after the letters on the F 7 data set\n"},
        RefusalRow{"F 7 F\n", 255,
                   "Error for F 7 data set in control file\nUse 10 spaces after the letters on the F 7 data set\n"},
        RefusalRow{"F 8 1.5\nF 2 X\n", 2, "Error for F 8 in control"},
        RefusalRow{"F 8 -0.1\n", 2, "Error for F 8 in control"},
        RefusalRow{"F 9 0.05\n", 2, "Error for F 9 in control"},
        RefusalRow{"F 10 Q\n", 2, "Error for F 10 in control"},
        RefusalRow{"F 11 0.5 -0.05\n", 2, "Error for F 11 in control"},
        RefusalRow{"F 11 2.65 1.5\n", 2, "Error for F 11 in control"},
        RefusalRow{"F 12 0\n", 2, "Error for F 12 in control"},
        RefusalRow{"F 12 5.1\n", 2, "Error for F 12 in control"},
        RefusalRow{"F 13 6\n", 2, "Error for F 13 in control"},
        RefusalRow{"F 14 -1\n", 2, "Error for F 14 in control"},
        RefusalRow{"F 15 -1\n", 2, "Error for F 15 in control"},
        RefusalRow{"F 15 21\n", 2, "Error for F 15 in control"},
        RefusalRow{"F 16 -3.5\n", 2, "Error for F 16 in control"},
        RefusalRow{"F 16 11\n", 2, "Error for F 16 in control"},
        RefusalRow{"F 17 1e-11\n", 2, "Error for F 17 in control"},
        RefusalRow{"F 18 0\n", 2, "Error for F 18 in control"},
        RefusalRow{"F 19 11\n", 2, "Error for F 19 in control"},
        RefusalRow{"F 20 0\n", 2, "Error for F 20 in control"},
        RefusalRow{"F 21 -1.5\n", 2, "Error for F 21 in control"},
        RefusalRow{"F 22 0.0005 1\n", 2, "Error for F 22 in control"},
        RefusalRow{"F 22 0.3 11\n", 2, "Error for F 22 in control"},
        RefusalRow{"F 23 1.5 0\n", 2, "Error for F 23 in control"},
        RefusalRow{"F 23 0.5 -1\n", 2, "Error for F 23 in control"},
        RefusalRow{"F 24 21\n", 2, "Error for F 24 in control"},
        RefusalRow{"F 25 0.3 1 0.5 0.8 8\n", 2, "Error for F 25 in control"},
        RefusalRow{"F 25 0.3 1 0 0.8 5\n", 2, "Error for F 25 in control"},
        RefusalRow{"F 26 16\n", 2, "Error for F 26 in control"},
        RefusalRow{"F 27 11\n", 2, "Error for F 27 in control"},
        RefusalRow{"F 28 2 2 10 1\n", 2, "Error for F 28 in control"},
        RefusalRow{"F 28 1 2 10 101\n", 2, "Error for F 28 in control"},
        RefusalRow{"F 30 0 0 7 0 0 0\n", 2, "Error for F 30 in control"},
        RefusalRow{"F 31 0.8 11\n", 2, "Error for F 31 in control"},
        RefusalRow{"F 32 1001\n", 2, "Error for F 32 in control"},
        RefusalRow{"F 33 0.5\nF 2 X\n", 2, "Two numbers are required on F 33 data set\n"},
        RefusalRow{"F 33 0 1\n", 2, "Error for F 33 in control"},
        RefusalRow{"F 33 1 -1\n", 2, "Error for F 33 in control"},
        RefusalRow{"F 34 -0.1\n", 2, "Error for F 34 in control"},
        RefusalRow{"F 35 1.1\n", 2, "Error for F 35 in control"},
        RefusalRow{"F 36 201\n", 2, "Error for F 36 in control"},
        RefusalRow{"F 37 4\n", 2, "Error for F 37 in control"},
        RefusalRow{"F 38 -1\n", 2, "Error for F 38 in control"},
        RefusalRow{"F 39 -1\n", 2, "Error for F 39 in control"},
        RefusalRow{"F 40 11\n", 2, "Error for F 40 in control"},
        RefusalRow{"F 41 10001\n", 2, "Error for F 41 in control"},
        RefusalRow{"F 42 -10001\n", 2, "Error for F 42 in control"},
        RefusalRow{"F 47 -0.1 5\n", 2, "Error for F 47 in control"},
        RefusalRow{"F 48 101\n", 2, "Error for F 48 in control"},
        RefusalRow{"F 50 11\n", 2, "Error for F 50 in control"},
        RefusalRow{"F 51 -2.5\n", 2, "Error for F 51 in control"},
        RefusalRow{"F 52 5 1.5 1\n", 2, "Error for F 52 in control"},
        RefusalRow{"F 52 0 0 0\n", 2, "Error for F 52 in control"},
        RefusalRow{"F 52 5 0.5\n", 2, "Error for F 52 in control"},
        RefusalRow{"F 53 0 1 1 1\n", 2, "Error for F 53 in control"},
        RefusalRow{"F 53 10 10 1\n", 2, "Error for F 53 in control"},
        RefusalRow{"F 54 -1\n", 2, "Error for F 54 in control"},
        RefusalRow{"F 56 -1 1\n", 2, "Error for F 56 in control"},
        RefusalRow{"F 56 1 60\n", 2, "Error for F 56 in control"},
        RefusalRow{"F 56 1\n", 2, "Error for F 56 in control"},
        // The slide methods 202..205 of F 56 need an F 37 3 earlier in the file.
        RefusalRow{"F 56 202 1\n", 2,
                   "Error for F 56/F 37 data sets: F 56 204/205 should only be used with F 37 3\n\n"},
        RefusalRow{"F 56 203 0.6\nF 37 3\n", 2,
                   "Error for F 56/F 37 data sets: F 56 204/205 should only be used with F 37 3\n\n"},
        RefusalRow{"F 37 2\nF 56 205 0.6\n", 2,
                   "Error for F 56/F 37 data sets: F 56 204/205 should only be used with F 37 3\n\n"},
        RefusalRow{"F 58 2 0 0 1 0.02 2 2 0 1 0\n", 2, "Error for F 58 in control"},
        RefusalRow{"F 58 1 0 0 1 0.02 6 2 0 1 0\n", 2, "Error for F 58 in control"},
        RefusalRow{"F 58 1 0 0 1 0.02 2 2 -0.1 1 0\n", 2, "Error for F 58 in control"},
        RefusalRow{"F 60 11 0\n", 2, "Error for F 60 in control"},
        RefusalRow{"F 60 1\n", 2, "Error for F 60 in control"},
        RefusalRow{"F 61 1.5\n", 2, "Error for F 61 in control"},
        RefusalRow{"F 61 x\n", 2, "Error for F 61 in control"},
        RefusalRow{"F 62 2\n", 2, "Error for F 62 in control"},
        RefusalRow{"F 63 101\n", 2, "Error for F 63 in control"},
        RefusalRow{"F 64 501\n", 2, "Error for F 64 in control"},
        RefusalRow{"F 65 0 200 300 0 0\n", 2, "Error for F 65 in control: too low numbers"},
        RefusalRow{"F 65 100 5 300 0 0\n", 2, "Error for F 65 in control: too low numbers"},
        RefusalRow{"F 65 100 200 300\n", 2, "Error for F 65 in control: Have only read 3 numbers."},
        RefusalRow{"F 66 1.5\n", 2, "Error for F 66 in control"},
        RefusalRow{"F 67 2\n", 2, "Error for F 67 in control"},
        RefusalRow{"F 68 11\n", 2, "Error for F 68 in control"},
        RefusalRow{"F 69 1 2 3 4 5 6\n", 2, "Error for F 69 in control"},
        RefusalRow{"F 70 101\n", 2, "Error for F 70 in control"},
        RefusalRow{"F 71 -1\n", 2, "Error for F 71 in control"},
        RefusalRow{"F 72 101\n", 2, "Error for F 72 in control"},
        RefusalRow{"F 73 101\n", 2, "Error for F 73 in control"},
        RefusalRow{"F 74 3\n", 2, "Error for F 74 in control"},
        RefusalRow{"F 75 41\n", 2, "Error for F 75 in control"},
        RefusalRow{"F 76 1 1001 0\n", 2, "Error for F 76 in control"},
        RefusalRow{"F 76 1 1 1.5\n", 2, "Error for F 76 in control"},
        RefusalRow{"F 77 1 -1\n", 2, "Error for F 77 in control"},
        RefusalRow{"F 78 -1 0.6\n", 2, "Error for F 78 in control"},
        RefusalRow{"F 79 11 1\n", 2, "Error for F 79 in control"},
        RefusalRow{"F 79 0 51\n", 2, "Error for F 79 in control"},
        RefusalRow{"F 80 2.5 0\n", 2, "Error for F 80 in control"},
        RefusalRow{"F 80 1 -1\n", 2, "Error for F 80 in control"},
        RefusalRow{"F 81 0\n", 2, "Error for F 81 in control"},
        RefusalRow{"F 82 -1 5 -2 4\n", 2, "Error for F 82 in control, have read 4 of 5 floating point numbers,"},
        RefusalRow{"F 82 1 5 -2 4 0\n", 2, "Error for F 82 in control, have read 5 of 5 floating point numbers,"},
        RefusalRow{"F 82 -1 5 -2 -4 0\n", 2, "Error for F 82 in control, have read 5 of 5 floating point numbers,"},
        RefusalRow{"F 83 1 2 3\n", 2, "Error for F 83 in control"},
        RefusalRow{"F 84 -1\n", 2, "Error for F 84 in control"},
        RefusalRow{"F 85 -1\n", 2, "Error for F 85 in control"},
        RefusalRow{"F 86 11\n", 2, "Error for F 86 in control"},
        RefusalRow{"F 87 -1\n", 2, "Error for F 87 in control"},
        RefusalRow{"F 88 -1\n", 2, "Error for F 88 in control"},
        RefusalRow{"F 89 0\n", 2, "Error for F 89 in control"},
        RefusalRow{"F 90 11\n", 2, "Error for F 90 in control"},
        RefusalRow{"F 91 1 -1\n", 2, "Error for F 91 in control"},
        RefusalRow{"F 92 -1\n", 2, "Error for F 92 in control"},
        RefusalRow{"F 93 1001\n", 2, "Error for F 93 in control"},
        RefusalRow{"F 94 0 -1\n", 2, "Error for F 94 in control"},
        RefusalRow{"F 95 -1 1\n", 2, "Error for F 95 in control"},
        RefusalRow{"F 96 -1\n", 2, "Error for F 96 in control"},
        RefusalRow{"F 98 -1\n", 2, "Error for F 98 in control"},
        RefusalRow{"F 99 0\n", 2, "Error for F 99 in control"}));

// Data sets after an F 56 203 that follows F 37 3 are read; the combination
// is accepted. F 56 206, and F 270 with any mode, are not tested against F 37.
TEST(DataSetsF001, SlideModesAfterTheLayerMethodAreAccepted) {
  struct Row {
    const char* control;
    int mode, tsc;
  };
  const Row rows[] = {{"F 37 3\nF 56 203 0.6\n", 203, 3},
                      {"F 56 206 1\nF 37 2\n", 206, 2},
                      {"F 270 204 0.5 1\nF 37 2\n", 204, 2},
                      {"F 270 202 0.5 1\n", 202, 0}};
  for (const Row& r : rows) {
    InProjectDir dir;
    readControlText(r.control);
    EXPECT_EQ(IterAvalanche, r.mode) << r.control;
    EXPECT_EQ(FlagTSC, r.tsc) << r.control;
  }
}

// Numbers no table dispatches are skipped silently, with their values.
TEST(DataSetsF001, NumbersWithoutATableAreSkipped) {
  CaseResult r = runControl(
      "F 29 -9\nF 43 -9\nF 44 -9\nF 45 -9\nF 46 -9\nF 49 -9\nF 55 -9\nF 57 -9\nF 59 -9\nF 97 -9\n"
      "F 100 -9\nF 107 -9\nF 108 -9\nF 117 -9\nF 118 -9\nF 119 -9\nF 122 -9\nF 123 -9\nF 124 -9\n"
      "F 127 -9\nF 133 -9\nF 142 -9\nF 145 -9\nF 146 -9\nF 150 -9\nF 151 -9\nF 155 -9\nF 158 -9\n"
      "F 161 -9\nF 167 -9\nF 173 -9\nF 190 -9\nF 194 -9\nF 195 -9\nF 196 -9\nF 197 -9\nF 199 -9\n"
      "K 0 -9\nK 7 -9\nK -1 -9\nW 0 -9\nW 3 -9\nW 5 -9\nW 8 -9\nP 1 -9\nP 19 -9\n");
  EXPECT_EQ(r.status, 1) << r.boogie;
  EXPECT_EQ(r.boogie.find("rror"), std::string::npos) << r.boogie;
}

// The F 65 sizes reach the allocation of the unstructured arrays: the
// reported total grows by the same amount for each equal step of one size.
static double allocatedMbytes(const std::string& control) {
  CaseResult r = runControl(control);
  EXPECT_EQ(r.status, 1) << r.boogie;
  std::size_t end = r.boogie.find(" Mbytes unstructured arrays");
  std::size_t p = r.boogie.rfind("Have allocated ", end);
  if (end == std::string::npos || p == std::string::npos) return -1;
  return std::strtod(r.boogie.c_str() + p + 15, nullptr);
}

TEST(DataSetsF001, SizesOfF65ReachTheUnstructuredArrays) {
  struct Step {
    const char* one;
    const char* two;
    const char* three;
  };
  for (const Step& s : {Step{"F 65 20000 30000 30000 10 10", "F 65 40000 30000 30000 10 10",
                             "F 65 60000 30000 30000 10 10"},
                        Step{"F 65 20000 30000 30000 10 10", "F 65 20000 60000 30000 10 10",
                             "F 65 20000 90000 30000 10 10"},
                        Step{"F 65 20000 30000 30000 10 10", "F 65 20000 30000 60000 10 10",
                             "F 65 20000 30000 90000 10 10"}}) {
    SCOPED_TRACE(s.two);
    double m1 = allocatedMbytes(s.one), m2 = allocatedMbytes(s.two), m3 = allocatedMbytes(s.three);
    EXPECT_GT(m2, m1 + 0.1);
    EXPECT_NEAR(m3 - m2, m2 - m1, 0.01 * (m2 - m1) + 0.002);
  }
}
