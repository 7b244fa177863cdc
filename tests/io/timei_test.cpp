// The boundary time series `timei`: its records, their refusals, the
// repetition of the series and the echo `timei.out`.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "io/modelfiles.h"
#include "solvers/solver.h"
#include "state/alloc.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// A transient run with one inflow group carrying two grain sizes whose G 51
// factors are 2 and 0.5.
void transientRun() {
  TimeStep = 10.0;
  debugging = 'D';
}
void sediment() {
  FlagTSC = 1;
  lnumber = 2;
  multCinn[1] = 2.0;
  multCinn[2] = 0.5;
  DischargeStruct[1].inflow = 1;
  DischargeStruct[1].surfno = 4;
}
// Wind, two component inflows, irradiance and air temperature on M and N.
void quality() {
  Wind[0] = 1.0;
  CompInflowNo = 2;
  NoTerms = 2;
  QTerms[0].type = 42;
  QTerms[1].type = 1060;
}

int read(const InProjectDir& p, const std::string& text) {
  p.dir().write("timei", text);
  return ReadTimes();
}

std::string repeatText(const std::string& s, int n) {
  std::string out;
  for (int k = 0; k < n; ++k) out += s;
  return out;
}

}  // namespace

// Each kind of record lands in its arrays, and the echo lists the main series
// in its fixed layout.
TEST(Timei, RecordKindsAreStoredAndEchoed) {
  struct Case {
    const char* name;
    std::function<void()> setup;
    const char* file;
    int records;
    std::function<void()> check;
    const char* echo;
  };
  const Case cases[] = {
      {"H: levels", [] {}, "H 0 1.5 0.5\nH 3600 2.5 1.25\n", 2,
       [] {
         EXPECT_EQ(FlagJTime, 0);
         EXPECT_EQ(FlagDischargeTime, 0);
       },
       "Time q1 q2 q3 h1 h2 c0\n0.000000 0.000000 0.000000 1.500000 0.500000 \n"
       "3600.000000 0.000000 0.000000 2.500000 1.250000 \n"},
      {"I: discharges, levels and sediment with the G 51 factors", sediment,
       "I 0 1 0.5 10 9 3 4\nI 60 2 1 10.5 9.5 1 1\n", 2,
       [] {
         EXPECT_EQ(Cinn[0][1], 6.0);
         EXPECT_EQ(Cinn[0][2], 2.0);
         EXPECT_EQ(FlagDischargeTime, 1);
         EXPECT_EQ(FlagJTime, 0);
       },
       "Time q1 q2 q3 h1 h2 c0\n0.000000 1.000000 0.500000 10.000000 9.000000 6 2 \n"
       "60.000000 2.000000 1.000000 10.500000 9.500000 2 0.5 \n"},
      {"I: no discharge in group 1 leaves the discharges of the groups alone", [] {}, "I 0 0 2 1 1\n", 1,
       [] { EXPECT_EQ(FlagDischargeTime, 0); },
       "Time q1 q2 q3 h1 h2 c0\n0.000000 0.000000 2.000000 1.000000 1.000000 \n"},
      {"J: time steps, sediment without factors", sediment, "J 0 1 0.5 10 9 2.5 3 4\n", 1,
       [] {
         EXPECT_EQ(TimeInTimStep[0], 2.5);
         EXPECT_EQ(FlagJTime, 1);
         EXPECT_EQ(FlagDischargeTime, 0);
       },
       "Time q1 q2 q3 h1 h2 c0\n0.000000 1.000000 0.500000 10.000000 9.000000 3 4 \n"},
      {"D: nine discharges own the time axis", [] {},
       "D 0 1 2 3 4 5 6 7 8 9\nD 100 9 8 7 6 5 4 3 2 1\n", 2,
       [] {
         EXPECT_EQ(QDinn[0][9], 9.0);
         EXPECT_EQ(QDinn[1][3], 7.0);
         EXPECT_EQ(FlagDischargeTime, 1);
       },
       "Time q1 q2 q3 h1 h2 c0\n0.000000 1.000000 2.000000 0.000000 0.000000 \n"
       "100.000000 9.000000 8.000000 0.000000 0.000000 \n"},
      {"D with a water level (G 6)", [] { iSurf = 3; }, "D 0 1 2 3 4 5 6 7 8 9 12.5\n", 1, [] {},
       "Time q1 q2 q3 h1 h2 c0\n0.000000 1.000000 2.000000 0.000000 12.500000 \n"},
      {"H with Q and C at the same times", sediment,
       "H 0 1 2\nH 10 1 2\nQ 0 1 2 3 4 5 6 7 8 9\nQ 10.00005 2 2 2 2 2 2 2 2 2\nC 0 5 6\nC 10 7 8\n", 2,
       [] {
         EXPECT_EQ(QDinn[0][9], 9.0);
         EXPECT_EQ(QDinn[1][5], 2.0);
         EXPECT_EQ(Cinn[1][1], 7.0);
         EXPECT_EQ(Cinn[1][2], 8.0);
         EXPECT_EQ(FlagDischargeTime, 1);
       },
       "Time q1 q2 q3 h1 h2 c0\n0.000000 1.000000 2.000000 1.000000 2.000000 5 6 \n"
       "10.000000 2.000000 2.000000 1.000000 2.000000 7 8 \n"},
      {"M: wind, components, irradiance, air temperature", quality,
       "M 0 5 3 0.2 0.3 7 8 300 15\nM 50 6 4 0.1 0.2 9 10 310 16\n", 1,
       [] {
         // The M records fill their own positions; the series count is set once.
         EXPECT_EQ(TimeInTime[1], 50.0);
         EXPECT_EQ(TimeInTimStep[1], 6.0);
         EXPECT_EQ(Winn[1][0], 4.0);
         EXPECT_EQ(Winn[1][2], 0.2);
         EXPECT_EQ(Cinn[1][0], 9.0);
         EXPECT_EQ(Cinn[1][1], 10.0);
         EXPECT_EQ(Irradi[1], 310.0);
         EXPECT_EQ(AirTemp[1], 16.0);
         EXPECT_EQ(FlagJTime, 1);
       },
       "Time q1 q2 q3 h1 h2 c0\n0.000000 0.000000 0.000000 0.000000 0.000000 \n"},
      {"N: discharges, level, wind, components, irradiance, air temperature",
       [] {
         quality();
         kSurf = 2;
       },
       "N 0 5 1 2 3 4 5 6 7 8 9 11.5 3 0.2 0.3 7 8 300 15\n", 1,
       [] {
         EXPECT_EQ(TimeInTimStep[0], 5.0);
         EXPECT_EQ(QDinn[0][9], 9.0);
         EXPECT_EQ(Winn[0][1], 0.2);
         EXPECT_EQ(Cinn[0][1], 8.0);
         EXPECT_EQ(Irradi[0], 300.0);
         EXPECT_EQ(AirTemp[0], 15.0);
         EXPECT_EQ(FlagDischargeTime, 1);
       },
       "Time q1 q2 q3 h1 h2 c0\n0.000000 1.000000 2.000000 0.000000 11.500000 \n"},
      {"A: restart times", [] {}, "A 3600\nA 7200\n", 0,
       [] {
         EXPECT_EQ(NoAlldataPrintout, 2);
         EXPECT_EQ(AlldataPrintout[1], 7200.0);
       },
       "Time q1 q2 q3 h1 h2 c0\n"},
      {"O: print points",
       [] {
         lnumber = 2;
         NoComponents = 2;
       },
       "O 100 3\nu 12\nh 4 5\nc 7 2\nO 200 2\nq 3 1\nQ 8\n", 0,
       [] {
         ASSERT_EQ(TimePrintNo, 2);
         EXPECT_EQ(TimePrint[0].time, 100.0);
         EXPECT_EQ(TimePrint[0].n, 3);
         EXPECT_EQ(TimePrint[0].letter[0], 'u');
         EXPECT_EQ(TimePrint[0].number[0], 12);
         EXPECT_EQ(TimePrint[0].i[1], 4);
         EXPECT_EQ(TimePrint[0].j[1], 5);
         EXPECT_EQ(TimePrint[0].size[2], 2);
         EXPECT_EQ(TimePrint[1].letter[0], 'q');
         EXPECT_EQ(TimePrint[1].size[0], 1);
         EXPECT_EQ(TimePrint[1].letter[1], 'Q');
         EXPECT_EQ(TimePrint[1].number[1], 8);
       },
       "Time q1 q2 q3 h1 h2 c0\n"},
      {"H: a record at the time of the one before", [] {}, "H 10 1 2\nH 10 3 4\n", 2, [] {},
       "Time q1 q2 q3 h1 h2 c0\n10.000000 0.000000 0.000000 1.000000 2.000000 \n"
       "10.000000 0.000000 0.000000 3.000000 4.000000 \n"},
      {"text between records, a byte 0xFF in the middle", [] {}, "h 1 2; lower-case words.\n\xff\nH 0 1 2\n", 1,
       [] { EXPECT_EQ(TimeInHout[0], 2.0); }, "Time q1 q2 q3 h1 h2 c0\n0.000000 0.000000 0.000000 1.000000 2.000000 \n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    transientRun();
    c.setup();
    EXPECT_EQ(read(p, c.file), 0) << p.dir().boogie();
    EXPECT_EQ(TimeInNo, c.records);
    c.check();
    EXPECT_EQ(p.dir().read("timei.out"), c.echo);
    EXPECT_EQ(p.dir().boogie().find("Error"), std::string::npos) << p.dir().boogie();
  }
}

// Every refusal: its code, the code line followed by its message (or, for
// the codes without one, by the place of the record), the records kept and
// the status text.
TEST(Timei, ErrorCodesAndMessages) {
  struct Case {
    const char* name;
    std::function<void()> setup;
    const char* file;
    int code;
    const char* text;  // what follows "Error in timei file: code N\n"
    int kept;
  };
  auto none = [] {};
  auto twoSteps = [] { ArrayTimeSteps = 2; };
  auto level = [] { iSurf = 1; };
  auto components = [] { lnumber = 2, NoComponents = 2; };
  auto wind = [] { Wind[0] = 1.0; };
  auto irradiance = [] { NoTerms = 1, QTerms[0].type = 151; };
  const Case cases[] = {
      {"O: more than 25 entries", none, "O 10 26\n", 1, "At line 1 of the timei file: O 10 26\n", 0},
      {"O: a negative entry count", none, "O 10 -1\n", 1, "At line 1 of the timei file: O 10 -1\n", 0},
      {"O: no entry count", none, "O 10\n", 1, "At line 1 of the timei file: O 10\n", 0},
      {"O: negative time", none, "O -5 1\nu 3\n", 2, "At line 1", 0},
      {"O: time goes back", none, "O 20 1\nu 3\nO 10 1\nu 4\n", 3, "At line 3 of the timei file: O 10 1\n", 0},
      {"O: negative time after a later one", none, "O 10 1\nu 3\nO -5 1\nu 4\n", 3, "At line 3", 0},
      {"O: negative number", none, "O 10 1\nu -3\n", 4, "At line 1", 0},
      {"O: letter j", none, "O 10 1\nj 3\n", 5, "At line 1", 0},
      {"O: letter l", none, "O 10 1\nl 3\n", 5, "At line 1", 0},
      {"O: size above the sizes", components, "O 10 1\nc 3 3\n", 6, "At line 1", 0},
      {"O: no extra number on h", none, "O 10 1\nh 3\n", 6, "At line 1", 0},
      {"O: component out of range", components, "O 10 1\nq 3 2\n", 17, "At line 1", 0},
      {"I: four values", none, "I 0 1 2 3\n", 8,
       "Have not read five floats on the I data set, or the time is negative\nAt line 1 of the timei file: I 0 1 2 3\n", 0},
      {"J: negative time", none, "J -1 1 1 1 1 1\n", 8, "Have not read five floats", 0},
      {"D: no time", none, "D x\n", 8, "Have not read five floats", 0},
      {"M: negative time", none, "M -1 5\n", 8, "Have not read five floats", 0},
      {"H: time goes back", none, "H 10 1 1\nH 5 1 1\n", 9,
       "The times on the data set are not in increasing order\nAt line 2 of the timei file: H 5 1 1\n", 1},
      {"I: time goes back", none, "H 10 1 1\nI 5 1 1 1 1\n", 9, "The times on the data set are not", 1},
      {"D: time goes back", none, "D 10 1 1 0 0 0 0 0 0 0\nD 5 1 1 0 0 0 0 0 0 0\n", 9,
       "The times on the data set are not in increasing order\nAt line 2 of the timei file: D 5 1 1 0 0 0 0 0 0 0\n", 1},
      {"M: time goes back", none, "M 10 1\nM 5 1\n", 9,
       "The times on the data set are not in increasing order\nAt line 2 of the timei file: M 5 1\n", 1},
      {"N: negative time after a record", none, "H 10 1 1\nN -1 5\n", 9, "The times on the data set are not", 1},
      {"N: short discharge list (kept)", none, "N 0 5 1 2 3\n", 10, "Not read enough numbers on the data set\n", 1},
      {"M: short component list (kept)", [] { CompInflowNo = 2; }, "M 0 5 1\n", 10,
       "Not read enough numbers on the data set\n", 1},
      {"a third record with F 81 2", twoSteps, "H 0 1 1\nH 10 1 1\nH 20 1 1\n", 11,
       "Too many time steps given in the timei file. Use F 81 in the control file or increase its existing "
       "valueHave read 3 data sets from timei file: \n",
       3},
      {"I: wind not read", wind, "I 0 1 1 1 1 2 3\n", 12, "Have not read three wind parameters on the I data set\n", 0},
      {"J: negative time step (kept)", none, "J 0 1 1 1 1 -2\n", 12, "The time step on the data set is negative\n", 1},
      {"N: negative time step replaces a short list", [] { CompInflowNo = 2; }, "N 0 -5 1 2 3 4 5 6 7 8 9 1\n", 12,
       "The time step on the data set is negative\n", 1},
      {"I: irradiance not read", irradiance, "I 0 1 1 1 1\n", 13,
       "Have not read irradiance parameter on the I data set\n", 0},
      {"D: short list without a level", none, "D 0 1 2 3\n", 14, "At line 1 of the timei file: D 0 1 2 3\n", 0},
      {"D: level not read", level, "D 0 1 2 3 4 5 6 7 8 9\n", 14, "At line 1", 0},
      {"M: air temperature not read", [] { NoTerms = 1, QTerms[0].type = 1060; }, "M 0 5\n", 14, "At line 1", 0},
      {"Q: time differs by 0.001", none, "H 0 1 1\nQ 0.001 1 2 3 4 5 6 7 8 9\n", 15,
       "The times on the I/J and D data sets are not the same\nAt line 2", 1},
      {"D: time differs from the series", none, "H 0 1 1\nD 1 1 2 3 4 5 6 7 8 9\n", 15,
       "The times on the I/J and D data sets are not the same\n", 1},
      {"C: time differs from the series", none, "H 0 1 1\nC 3\n", 15,
       "The times on the I/J and D data sets are not the same\n", 1},
      {"C: short concentration list", sediment, "H 0 1 1\nC 0 1\n", 20,
       "Not read enough concentration numbers on the C data set\n", 1},
      {"I: sediment block larger than a record",
       [] {
         sediment();
         lnumber = 10;
         DischargeStruct[2].inflow = 1;
         DischargeStruct[2].surfno = 1;
       },
       "I 0 1 1 1 1\n", 21,
       "The sediment concentrations of 10 sizes for 2 inflow groups exceed the 19 values of a record\n", 0},
      {"Q: short discharge list", none, "H 0 1 1\nQ 0 1 2 3\n", 30,
       "Not read enough discharge numbers on the Q data set\n", 1},
      {"A: no time", none, "A x\n", 44, "At line 1 of the timei file: A x\n", 0},
      {"Q: no time", none, "Q\n", 63, "Have not read time step on the Q data set\n", 0},
      {"C: no time", none, "C x\n", 64, "Have not read time step on the C data set\n", 0},
      {"a capital word starts a record", none, "Comment: H 0 1 1\n", 64, "Have not read time step on the C", 0},
      {"H: two values", none, "H 0 1\n", 65, "Have not read three numbers on the H data set\n", 0},
      {"I: short sediment list", sediment, "I 0 1 1 1 1 3\n", 101,
       "Not read enough sediment concentrations on the I data set\n"
       "The number of floats should be 2 * 1 (sediment sizes * number of inflow groups)\n",
       1},
      {"D: short list with a level", level, "D 0 1 2 3\n", 102, "Have not read 9 discharges on the D data set\n", 1},
      {"J: short sediment list", sediment, "J 0 1 1 1 1 1 3\n", 103,
       "Not read enough sediment concentrations on the J data set\n"
       "The number of floats should be 2 * 1 (sediment sizes * number of inflow groups)\n",
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    transientRun();
    c.setup();
    EXPECT_EQ(read(p, c.file), c.code);
    const std::string log = p.dir().boogie();
    const std::string expected = "Error in timei file: code " + std::to_string(c.code) + "\n" + c.text;
    EXPECT_NE(log.find(expected), std::string::npos) << log;
    EXPECT_EQ(TimeInNo, c.kept);
    char line[64];
    std::snprintf(line, sizeof line, "Have read %d data sets from timei file: \n", c.kept);
    EXPECT_NE(log.find(line), std::string::npos) << log;
    const std::string status = c.code == 11 ? std::string("Error in 'timei': use F 81 or increase its value")
                                            : "Error in 'timei' file: code " + std::to_string(c.code) + " ";
    EXPECT_EQ(std::string(mc_message), status);
  }
}

// The list of the records kept after a refusal: time and nine discharges.
TEST(Timei, ErrorReportListsTheKeptRecords) {
  InProjectDir p;
  transientRun();
  EXPECT_EQ(read(p, "D 0 1 2 3 4 5 6 7 8 9\nD 10 9 8 7 6 5 4 3 2 1\nH 20 1\n"), 65);
  EXPECT_NE(p.dir().boogie().find("Have read 2 data sets from timei file: \n"
                                  "0.000000  1.000000 2.000000 3.000000 4.000000 5.000000 6.000000 7.000000 "
                                  "8.000000 9.000000\n"
                                  "10.000000  9.000000 8.000000 7.000000 6.000000 5.000000 4.000000 3.000000 "
                                  "2.000000 1.000000\n"),
            std::string::npos)
      << p.dir().boogie();
}

// Twenty print-point records fit; the 21st is refused before it is stored.
TEST(Timei, TwentyPrintRecordsAndNoMore) {
  for (int records : {20, 21}) {
    SCOPED_TRACE(records);
    InProjectDir p;
    transientRun();
    std::string file;
    for (int k = 1; k <= records; ++k) file += "O " + std::to_string(10 * k) + " 1\nu " + std::to_string(k) + "\n";
    EXPECT_EQ(read(p, file), records == 20 ? 0 : 7);
    EXPECT_EQ(TimePrintNo, 20);
    EXPECT_EQ(TimePrint[19].time, 200.0);
    EXPECT_EQ(TimePrint[19].number[0], 20);
  }
}

// F 81 is the number of records the series holds: the record after the last
// one refused, for each kind of position.
TEST(Timei, CapacityOfTheSeries) {
  struct Case {
    const char* name;
    const char* file;
    int code, kept;
  };
  const Case cases[] = {
      {"three H records", "H 0 1 1\nH 10 1 1\nH 20 1 1\n", 0, 3},
      {"four H records", "H 0 1 1\nH 10 1 1\nH 20 1 1\nH 30 1 1\n", 11, 4},
      {"four D records", "D 0 1 1 1 1 1 1 1 1 1\nD 1 1 1 1 1 1 1 1 1 1\nD 2 1 1 1 1 1 1 1 1 1\nD 3 1 1 1 1 1 1 1 1 1\n",
       11, 4},
      {"four Q records after three H records",
       "H 0 1 1\nH 1 1 1\nH 2 1 1\nQ 0 1 1 1 1 1 1 1 1 1\nQ 1 1 1 1 1 1 1 1 1 1\nQ 2 1 1 1 1 1 1 1 1 1\nQ 0 1 1 1 1 1 "
       "1 1 1 1\n",
       11, 3},
      {"four M records", "M 0 1\nM 1 1\nM 2 1\nM 3 1\n", 11, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    transientRun();
    ArrayTimeSteps = 3;
    EXPECT_EQ(read(p, c.file), c.code) << p.dir().boogie();
    EXPECT_EQ(TimeInNo, c.kept);
  }
}

// With one record the series holds its values at every time; with two the
// group discharges (l/s) are interpolated linearly in time and held beyond
// the ends.
TEST(Timei, DischargesTheGroupsTakeFromTheSeries) {
  struct Case {
    const char* file;
    double time, q1, q2;
  };
  const Case cases[] = {
      {"D 50 1.5 0.5 0 0 0 0 0 0 0\n", -5.0, 1500.0, 500.0},
      {"D 50 1.5 0.5 0 0 0 0 0 0 0\n", 50.0, 1500.0, 500.0},
      {"D 50 1.5 0.5 0 0 0 0 0 0 0\n", 500.0, 1500.0, 500.0},
      {"D 0 1 2 0 0 0 0 0 0 0\nD 100 2 1 0 0 0 0 0 0 0\n", 25.0, 1250.0, 1750.0},
      {"D 0 1 2 0 0 0 0 0 0 0\nD 100 2 1 0 0 0 0 0 0 0\n", 100.0, 2000.0, 1000.0},
      {"D 0 1 2 0 0 0 0 0 0 0\nD 100 2 1 0 0 0 0 0 0 0\n", 150.0, 2000.0, 1000.0},
      {"I 0 1 2 0 0\nI 40 3 0 0 0\nI 100 0 3 0 0\n", 70.0, 1500.0, 1500.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.time));
    InProjectDir p;
    transientRun();
    // A series of one record is not repeated: F 547 leaves it as it is.
    NoRepeatTimei = std::count(c.file, c.file + std::strlen(c.file), '\n') == 1 ? 2 : 0;
    ASSERT_EQ(read(p, c.file), 0) << p.dir().boogie();
    stimet = c.time;
    currentDischarges();
    EXPECT_NEAR(DischargeArray[1], c.q1, 1e-9);
    EXPECT_NEAR(DischargeArray[2], c.q2, 1e-9);
  }
}

// F 547 repeats the series after itself, each repetition shifted by the span
// of the series plus its first interval; a repetition that does not fit F 81
// is refused.
TEST(Timei, RepetitionOfTheSeries) {
  struct Case {
    const char* file;
    int repeats, steps, code;
    std::vector<double> times;
  };
  const Case cases[] = {
      {"H 0 1 2\nH 10 3 4\nH 20 5 6\n", 1, 200, 0, {0, 10, 20, 30, 40, 50}},
      {"H 0 1 2\nH 10 3 4\nH 20 5 6\n", 2, 9, 0, {0, 10, 20, 30, 40, 50, 60, 70, 80}},
      {"H 100 1 2\nH 110 3 4\nH 120 5 6\n", 1, 200, 0, {100, 110, 120, 130, 140, 150}},
      {"H 0 1 2\nH 10 3 4\nH 20 5 6\n", 2, 8, 11, {0, 10, 20}},
      {"H 5 1 2\n", 3, 200, 0, {5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " x " + std::to_string(c.repeats));
    InProjectDir p;
    transientRun();
    NoRepeatTimei = c.repeats;
    ArrayTimeSteps = c.steps;
    EXPECT_EQ(read(p, c.file), c.code);
    ASSERT_EQ(TimeInNo, static_cast<int>(c.times.size()));
    for (int r = 0; r < TimeInNo; ++r) {
      EXPECT_DOUBLE_EQ(TimeInTime[r], c.times[r]) << r;
      EXPECT_EQ(TimeInHinn[r], 1.0 + 2 * (r % 3)) << r;
      EXPECT_EQ(TimeInHout[r], 2.0 + 2 * (r % 3)) << r;
    }
    if (c.code == 11) {
      EXPECT_NE(p.dir().boogie().find("Error in timei file: code 11\nToo many time steps"), std::string::npos);
    }
  }
}

// Discharges and sediment of the first two groups are repeated with the times.
TEST(Timei, RepetitionCopiesDischargesAndSediment) {
  InProjectDir p;
  transientRun();
  sediment();
  NoRepeatTimei = 1;
  ASSERT_EQ(read(p, "I 0 1 2 3 4 5 6\nI 10 7 8 9 10 11 12\n"), 0);
  ASSERT_EQ(TimeInNo, 4);
  EXPECT_EQ(QDinn[3][1], 7.0);
  EXPECT_EQ(QDinn[2][2], 2.0);
  EXPECT_EQ(Cinn[2][1], 10.0);
  EXPECT_EQ(Cinn[3][2], 6.0);
}

// The file is read up to 3000 turns (records and skipped bytes) per record of
// F 81; what stands after that is not read.
TEST(Timei, TurnLimit) {
  for (int blanks : {2999, 3000}) {
    SCOPED_TRACE(blanks);
    InProjectDir p;
    transientRun();
    ArrayTimeSteps = 1;
    EXPECT_EQ(read(p, std::string(blanks, ' ') + "H 0 1 2\n"), 0);
    EXPECT_EQ(TimeInNo, blanks == 2999 ? 1 : 0);
  }
}

TEST(Timei, MissingFileIsNoError) {
  InProjectDir p;
  transientRun();
  EXPECT_EQ(ReadTimes(), 0);
  EXPECT_EQ(TimeInNo, 0);
  EXPECT_STREQ(mc_message, "have not used 'timei' file ");
  EXPECT_EQ(p.dir().read("timei.out"), "Time q1 q2 q3 h1 h2 c0\n");
}

// Each reading starts the series and the print points afresh; the restart
// times are kept until the control file is read again.
TEST(Timei, ASecondReadingStartsAfresh) {
  InProjectDir p;
  transientRun();
  ASSERT_EQ(read(p, "H 0 1 2\nH 10 1 2\nO 5 1\nu 1\nA 100\n"), 0);
  ASSERT_EQ(read(p, "H 0 3 4\nO 5 1\nu 2\nA 200\n"), 0);
  EXPECT_EQ(TimeInNo, 1);
  EXPECT_EQ(TimeInHinn[0], 3.0);
  EXPECT_EQ(TimePrintNo, 1);
  EXPECT_EQ(TimePrint[0].number[0], 2);
  ASSERT_EQ(NoAlldataPrintout, 2);
  EXPECT_EQ(AlldataPrintout[1], 200.0);
}

// A hundred restart times fit, the 101st is refused.
TEST(Timei, HundredRestartTimes) {
  for (int n : {100, 101}) {
    InProjectDir p;
    transientRun();
    EXPECT_EQ(read(p, repeatText("A 60\n", n)), n == 100 ? 0 : 44);
    EXPECT_EQ(NoAlldataPrintout, 100);
  }
}

// An echo that cannot be written is an error the run reports at its end.
TEST(Timei, EchoThatCannotBeWritten) {
  InProjectDir p;
  transientRun();
  p.dir().mkdir("timei.out");
  EXPECT_EQ(read(p, "H 0 1 2\n"), 0);
  EXPECT_NE(p.dir().boogie().find("Error opening timei.out file\n\n"), std::string::npos);
  EXPECT_EQ(RunErrorReported, 1);
}

// Without 'D' debugging there is no echo; with F 81 below 1 nothing is read.
TEST(Timei, NoEchoWithoutDebuggingAndNoReadingWithoutRecords) {
  {
    InProjectDir p;
    transientRun();
    debugging = 'N';
    EXPECT_EQ(read(p, "H 0 1 2\n"), 0);
    EXPECT_EQ(TimeInNo, 1);
    EXPECT_FALSE(p.dir().exists("timei.out"));
  }
  {
    InProjectDir p;
    transientRun();
    ArrayTimeSteps = 0;
    EXPECT_EQ(read(p, "H 0 1 2\n"), 0);
    EXPECT_EQ(TimeInNo, 0);
  }
}

// The reaction terms that need light make the records carry an irradiance,
// air temperature only term 1060; other types add nothing to a record.
TEST(Timei, TermsThatAddIrradianceOrAirTemperature) {
  struct Case {
    int type;
    int code;  // of an I record without irradiance, and of an M record without air temperature
  };
  const Case cases[] = {{42, 13},  {51, 13},  {132, 13}, {151, 13}, {152, 13},  {161, 13}, {162, 13},
                        {272, 13}, {281, 13}, {282, 13}, {6100, 13}, {1060, 14}, {41, 0},   {1061, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    InProjectDir p;
    transientRun();
    NoTerms = 2;
    QTerms[0].type = 1;
    QTerms[1].type = c.type;
    EXPECT_EQ(read(p, c.code == 14 ? "M 0 5\n" : "I 0 1 1 1 1\n"), c.code);
  }
}

// The sediment inflow of the first row is cleared at each reading: a file
// without concentrations leaves none from the reading before (the other
// values of a row stay until a record writes them).
TEST(Timei, FirstRowConcentrationsClearedAtEachReading) {
  InProjectDir p;
  transientRun();
  sediment();
  ASSERT_EQ(read(p, "I 0 1 1 1 1 3 4\n"), 0);
  ASSERT_EQ(Cinn[0][2], 2.0);
  ASSERT_EQ(read(p, "H 0 1 1\n"), 0);
  EXPECT_EQ(Cinn[0][1], 0.0);
  EXPECT_EQ(Cinn[0][2], 0.0);
  EXPECT_EQ(p.dir().read("timei.out"), "Time q1 q2 q3 h1 h2 c0\n0.000000 1.000000 1.000000 1.000000 1.000000 0 0 \n");
}

// Series arrays that do not fit the memory end the run with the allocation
// message and status -3 before anything is read.
TEST(Timei, SeriesArraysThatDoNotFitEndTheRun) {
  InProjectDir p;
  transientRun();
  ArrayTimeSteps = 1000000;
  p.dir().write("timei", "H 0 1 2\n");
  alloc::setMemoryLimit(alloc::liveBytes() + 1000);
  EXPECT_EXIT(ReadTimes(), ::testing::ExitedWithCode(253), "");
  alloc::setMemoryLimit(0);
  EXPECT_NE(p.dir().boogie().find("Error in allocation of the time-series arrays for 1000000 records of timei\n"),
            std::string::npos)
      << p.dir().boogie();
}
