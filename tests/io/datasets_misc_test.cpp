// The S, N, M, Q, H, L, T and I data sets: defaults, values read, and every
// refusal on the real engine.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
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

// " 1 2 ... n"
std::string counting(int n) {
  std::string s;
  for (int i = 1; i <= n; ++i) s += " " + std::to_string(i);
  return s;
}

struct ValueCase {
  const char* name;
  std::string control;
  std::function<double()> got;
  double want;
  int components = 0;  // NoComponents before the text is read
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class MiscValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(MiscValue, IsReadOrKeepsItsDefault) {
  const ValueCase& c = GetParam();
  InProjectDir dir;
  NoComponents = c.components;
  readControlText(c.control);
  EXPECT_DOUBLE_EQ(c.got(), c.want) << c.control;
}

INSTANTIATE_TEST_SUITE_P(
    Defaults, MiscValue,
    ::testing::Values(
        ValueCase{"gsize", "", [] { return gsize[1] + fallvelo[1]; }, 0},
        ValueCase{"sample01", "", [] { return SedimentSample[0][1]; }, 1.0},
        ValueCase{"sample02", "", [] { return SedimentSample[0][2]; }, 0.0},
        ValueCase{"FlagReadNdata", "", [] { return FlagReadNdata; }, 0},
        ValueCase{"CompInflowOrder", "", [] { return CompInflow[1].order[0] + CompInflow[9].order[19]; }, -2},
        ValueCase{"CompInflowNo", "", [] { return CompInflowNo; }, 0},
        ValueCase{"NoTerms", "", [] { return NoTerms; }, 0}, ValueCase{"Bio13", "", [] { return Bio[13].count; }, 0},
        ValueCase{"Bio14count", "", [] { return Bio[14].count; }, 7},
        ValueCase{"Bio14first", "",
                  [] { return Bio[14].coefficient[1] * 100 + Bio[14].variable1[1] * 10 + Bio[14].variable2[1]; }, -68},
        ValueCase{"Bio14last", "", [] { return Bio[14].coefficient[7] + Bio[14].variable1[7]; }, 107},
        ValueCase{"contourNo", "", [] { return contourNo; }, 0},
        ValueCase{"Title", "", [] { return std::strlen(Title + 1) + Title[0]; }, 0},
        ValueCase{"inflow", "", [] { return inflow[0] + inflow[1]; }, 0}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Present, MiscValue,
    ::testing::Values(
        ValueCase{"S", "G 1 10 10 5 2\nS 1 0.004 0.2\nS 2 0.004 -1e6\n",
                  [] { return gsize[2] * 1000 + fallvelo[1] * 10 + fallvelo[2]; }, 4 + 2 - 1e6},
        // Without G 1 there is one size, and S may give size 2.
        ValueCase{"S2withoutG1", "S 1 0.004 0.2\nS 2 0.001 0.1\n", [] { return gsize[2] * 1000; }, 1},
        ValueCase{"SfinerFirstWithF260", "F 37 2\nF 260 1\nS 1 0.002 0.1\nS 2 0.004 0.2\n", [] { return gsize[2] * 1000; }, 4},
        ValueCase{"N", "G 1 10 10 5 2\nN 0 1 0.75 N 0 2\n0.25\n",
                  [] { return SedimentSample[0][1] * 100 + SedimentSample[0][2] * 10 + FlagReadNdata; }, 79.5},
        // k up to lnumber, or below NoComponents.
        ValueCase{"Msize", "G 1 10 10 5 6\nM 3 5 0.125\n", [] { return CompInflow[3].value[5]; }, 0.125},
        ValueCase{"Mcomponent", "G 1 10 10 5 0\nM 3 1 0.5\n", [] { return CompInflow[3].value[1]; }, 0.5, 2},
        ValueCase{"Morder", "M 2 1 0.5\nM 4 0 0.25\n",
                  [] { return CompInflow[2].order[1] * 10 + CompInflow[4].order[0] + CompInflowNo * 100; }, 201},
        ValueCase{"Mrepeated", "M 2 1 0.5\nM 2 1 0.75\n",
                  [] { return CompInflow[2].order[1] * 10 + CompInflow[2].value[1]; }, 10.75},
        ValueCase{"Q230", "Q 230 1 0 1 0.5 1.5 2.5\n",
                  [] {
                    const ReactionTerm& t = QTerms[0];
                    return NoTerms * 1000 + t.type + t.component * 0.1 + t.arg[1] * 0.01 + t.parameter[2] * 0.001;
                  },
                  1230.1125, 2},
        // The one-integer types accept an index equal to NoComponents.
        ValueCase{"Q2", "Q 2 0 2 0.5\n", [] { return NoTerms * 10 + QTerms[0].arg[0]; }, 12, 2},
        ValueCase{"Q6100", "Q 6100 0 0 1 0 1 0 1 1 2 3 4 5 6 7 8 9 10\n",
                  [] { return QTerms[0].arg[5] * 100 + QTerms[0].parameter[9]; }, 110, 2},
        ValueCase{"QotherType", "Q 999 0 5 5 5\n", [] { return NoTerms; }, 0, 2},
        ValueCase{"Qname", "Q 0 1 oxygen\n",
                  [] { return std::strcmp(QualityName[1], "oxygen") == 0 ? NoTerms + 1 : -1; }, 1, 2},
        ValueCase{"Qname39", "Q 0 0 " + std::string(39, 'a') + "\n", [] { return std::strlen(QualityName[0]); }, 39, 1},
        ValueCase{
            "H", "H 3 2 0.5 1 16 -2 0 3\n",
            [] { return Bio[3].count * 100 + Bio[3].variable1[2] * 10 + Bio[3].variable2[2] + Bio[3].coefficient[1]; },
            203.5},
        ValueCase{"Hnone", "H 3 0 1.0 17 17\n", [] { return Bio[3].count; }, 0},
        ValueCase{"H15skipped", "H 15 3 1.0 1 1\n", [] { return Bio[14].count; }, 7},
        ValueCase{"L", "L 3 1.5 2.5 3.5\n", [] { return contourNo + contourLevels[0] + contourLevels[2]; }, 8},
        ValueCase{"L20", "L 20" + counting(20) + "\n", [] { return contourNo * 100 + contourLevels[19]; }, 2020},
        ValueCase{"I", "I 0 5.5\nI 1 2.5\n", [] { return inflow[0] + inflow[1] * 10; }, 30.5}),
    caseName);

// Each reaction-term type reads its integers and doubles and no more: a
// value after them is free text.
TEST(ReactionTerms, EachTypeReadsItsOwnValues) {
  struct Shape {
    const char* types;
    int ints, doubles;
  };
  const Shape shapes[] = {
      {"1 5 11 1001 2001", 0, 1},
      {"1102", 0, 2},
      {"2030", 0, 3},
      {"42", 0, 4},
      {"51", 0, 5},
      {"1060", 0, 6},
      {"81", 0, 8},
      {"2 113 1002 1012 2002", 1, 1},
      {"120 121 122 123", 1, 2},
      {"131 132 133", 1, 3},
      {"151 152", 1, 5},
      {"161 162", 1, 6},
      {"17", 1, 7},
      {"3 1003 2003", 2, 1},
      {"4 221 1004 2004", 2, 2},
      {"230", 2, 3},
      {"251 252", 2, 5},
      {"261", 2, 6},
      {"272", 2, 7},
      {"281 282", 2, 8},
      {"291", 2, 9},
      {"340", 3, 4},
      {"361", 3, 6},
      {"371", 3, 7},
      {"2149", 4, 9},
      {"6100", 6, 10},
  };
  for (const Shape& sh : shapes) {
    std::istringstream types(sh.types);
    for (int type; types >> type;) {
      InProjectDir dir;
      NoComponents = 3;
      // Integers 2, 2, ...; doubles 1, 2, ...; then one value too many.
      std::string control = "Q " + std::to_string(type) + " 1";
      for (int i = 0; i < sh.ints; ++i) control += " 2";
      control += counting(sh.doubles) + " 99\n";
      readControlText(control);
      ASSERT_EQ(NoTerms, 1) << control;
      const ReactionTerm& t = QTerms[0];
      EXPECT_EQ(t.type, type);
      EXPECT_EQ(t.component, 1);
      for (int i = 0; i < 6; ++i) EXPECT_EQ(t.arg[i], i < sh.ints ? 2 : 0) << control;
      for (int i = 0; i < 10; ++i) EXPECT_EQ(t.parameter[i], i < sh.doubles ? i + 1 : 0) << control;
    }
  }
}

// The title: from the blank after T, at most 68 characters; the character at
// the stopping position becomes a blank, and the rest of the line is text in
// which data-set letters count.
TEST(TitleDataSet, KeepsSixtyEightCharactersAndScansTheRest) {
  InProjectDir dir;
  std::string text(67, 'a');
  readControlText("T" + std::string(" ") + text + "bG 1 20 30 5 2 and more\n");
  EXPECT_EQ(Title[0], 0);
  EXPECT_EQ(std::string(Title + 1), " " + text + " ");
  EXPECT_EQ(xnumber, 20);
  EXPECT_EQ(lnumber, 2);
}

TEST(TitleDataSet, EndsAtTheLineEndOrAnUnprintableByte) {
  struct Case {
    std::string control;
    std::string title;
    int xnumber;
  };
  const Case cases[] = {
      {"T a short title\nG 1 40 30 5 2\n", " a short title ", 40},
      {"T tab\there G 1 50 30 5 2\n", " tab ", 50},
      {"T umlaut\xC3\xA4 G 1 60 30 5 2\n", " umlaut ", 60},
      // A second title overwrites only the positions it reaches.
      {"T a long first title\nT short\n", " short  first title ", 300},
      // A T after the values of another data set starts a title.
      {"G 1 10 10 5 1 T the case\n", " the case ", 10},
  };
  for (const Case& c : cases) {
    InProjectDir dir;
    readControlText(c.control);
    EXPECT_EQ(std::string(Title + 1), c.title) << c.control;
    EXPECT_EQ(xnumber, c.xnumber) << c.control;
  }
}

TEST(WarningDataSets, IWritesItsWarningAndGoesOn) {
  InProjectDir dir;
  readControlText("I 0 1.5\n");
  std::string log = dir.dir().boogie();
  EXPECT_NE(log.find("Warning, the values on the I data set in the control file are not used in TOVAK 2\n"
                     "Use the timei file or the M data set instead\n\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(inflow[0], 1.5);
}

struct Refusal {
  const char* name;
  std::string control;
  const char* message;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class MiscRefusal : public ::testing::TestWithParam<Refusal> {};

// Every refusal of these data sets ends with status 1, which the engine
// reports as 2.
TEST_P(MiscRefusal, EndsWithItsMessageAndStatus) {
  const Refusal& r = GetParam();
  CaseResult res = runControl(r.control + "\nF 2 X\n");
  EXPECT_EQ(res.status, 2) << res.boogie;
  // The message is the last thing the log holds, line ends included.
  EXPECT_TRUE(endsWith(res.boogie, r.message)) << res.boogie;
}

INSTANTIATE_TEST_SUITE_P(
    Misc, MiscRefusal,
    ::testing::Values(
        Refusal{"S3withoutG1", "S 1 0.004 0.2 S 2 0.002 0.1 S 3 0.001 0.1",
                "Input error for S in control: incorrect first integer\n"},
        // The size table holds sizes 1..50.
        Refusal{"S51", "G 1 10 10 5 50\nS 51 0.001 0.1", "Input error for S in control: incorrect first integer\n"},
        Refusal{"SfinerFirst", "G 1 10 10 5 2\nS 1 0.002 0.1\nS 2 0.004 0.2",
                "Input error for S 2 in control file: The coarsest sediment sizes have to be given first\n"},
        Refusal{"S2beforeS1", "G 1 10 10 5 2\nS 2 0.002 0.1\nS 1 0.004 0.2",
                "Input error for S 2 in control file: The coarsest sediment sizes have to be given first\n"},
        Refusal{"Sshort", "S 1 0.002", "Input error for S in control in second or third float for i=1\n"},
        Refusal{"Sdiameter", "S 1 -0.002 0.1", "Input error for S in control in second or third float for i=1\n"},
        Refusal{"SfallVelocity", "S 1 0.002 -2e6", "Input error for S in control in second or third float for i=1\n"},
        Refusal{"Nsize50", "N 0 50 0.5", "Input error for N data set in control file, size 50, fraction 0.500000\n"},
        Refusal{"Nsize0", "N 0 0 0.5", "Input error for N data set in control file, size 0, fraction 0.500000\n"},
        Refusal{"Nfraction", "N 0 1 1.5", "Input error for N data set in control file, size 1, fraction 1.500000\n"},
        // Only distribution 0 exists.
        Refusal{"NsecondDistribution", "N 1 3 0.5",
                "Input error for N data set in control file: in TOVAK 2 there is only\n"
                "one grain size distribution for the N data sets, and it has number 0.\n"
                "If you want a spatially varying grain size distribution, use the fracres file\n\n"},
        // The distribution table holds distributions 0..19.
        Refusal{"Ndistribution20", "N 20 1 0.5",
                "Input error for N data set in control file, size 1, fraction 0.500000\n"},
        Refusal{"NdistributionNegative", "N -1 1 0.5",
                "Input error for N data set in control file, size 1, fraction 0.500000\n"},
        Refusal{"MaboveSizes", "G 1 10 10 5 4\nM 3 5 0.1",
                "Error for M 3 5 data set\n"
                "Second integer less than zero, or larger than what is given on F 50 data set\n"},
        Refusal{"Mnegative", "M 3 -1 0.1",
                "Error for M 3 -1 data set\n"
                "Second integer less than zero, or larger than what is given on F 50 data set\n"},
        // A row holds the entries 0..19.
        Refusal{"M20", "G 1 10 10 5 50\nM 3 20 0.1",
                "Error for M 3 20 data set\n"
                "Second integer less than zero, or larger than what is given on F 50 data set\n"},
        Refusal{"Mshort", "M 3 1", "Error for M 3 1 data set\n"},
        Refusal{"Q230beforeComponents", "Q 230 0 0 1 0.5 1.5 2.5", "Input error for Q 230 in control\n"},
        Refusal{"Q230index", "F 67 1\nQ 230 0 0 1 0.5 1.5 2.5", "Input error for Q 230 0 in control\n"},
        Refusal{"Q230short", "F 67 1\nQ 230 0 0 0 0.5 1.5", "Input error for Q 230 0 in control\n"},
        Refusal{"Q2index", "F 67 1\nQ 2 0 2 0.5", "Input error for Q 2 0 in control\n"},
        // A name holds 39 characters.
        Refusal{"QnameTooLong", "F 67 1\nQ 0 0 " + std::string(40, 'a'), "Input error for Q 0 0 in control\n"},
        Refusal{"Q201stTerm",
                "F 67 1\n" +
                    [] {
                      std::string s;
                      for (int i = 0; i < 201; ++i) s += "Q 1 0 0.5\n";
                      return s;
                    }(),
                "Input error for Q 1 0 in control\n"},
        Refusal{"Hcount", "H 3 21", "Input error for H 3 in control\nData points must not exceed 20\n"},
        Refusal{"Hvariable", "H 3 2 0.5 1 2 0.5 17 2", "Input error for H 3 in control\n"},
        Refusal{"HvariableNegative", "H 0 1 0.5 1 -1", "Input error for H 0 in control\n"},
        // The contour table holds 20 levels.
        Refusal{"L21", "L 21 1 2 3", "Input error for L in control: at most 20 contour levels\n"},
        Refusal{"IaboveSizes", "I 2 0.5", "Input error for I in control"}),
    caseName);

}  // namespace
