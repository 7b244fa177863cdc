// Names of files written in series: padding, the first free number, what
// counts as taken, and the last counter.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "state/numbered.h"
#include "support/in_dir.h"

namespace {

struct NameCase {
  const char* stem;
  int width;
  const char* ending;
  int counter;
  const char* expected;
};

class NumberedName : public ::testing::TestWithParam<NameCase> {};

TEST_P(NumberedName, PadsTheCounterToTheFamilyWidth) {
  const NameCase& c = GetParam();
  EXPECT_EQ(numberedName(c.stem, c.counter, c.width, c.ending), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Widths, NumberedName,
                         ::testing::Values(NameCase{"tec2_", 5, ".dat", 0, "tec2_00000.dat"},
                                           NameCase{"tec2_", 5, ".dat", 12345, "tec2_12345.dat"},
                                           NameCase{"tec2_", 5, ".dat", 123456, "tec2_123456.dat"},
                                           NameCase{"interres.", 3, "", 1000, "interres.1000"},
                                           NameCase{"bedres.", 4, "", 0, "bedres.0000"},
                                           NameCase{"boogie.spe", 4, "", 7, "boogie.spe0007"},
                                           NameCase{"bedres.mpi2.", 4, "", 31, "bedres.mpi2.0031"}));

TEST(FindFreeFileName, TakesTheFirstGapThenTheNextFreeNumber) {
  InProjectDir d;
  EXPECT_EQ(findFreeFileName("result.", 4, ""), "result.0000");
  for (const char* n : {"result.0000", "result.0001", "result.0003"}) d.dir().write(n, "x");
  EXPECT_EQ(findFreeFileName("result.", 4, ""), "result.0002");
  d.dir().write("result.0002", "x");
  EXPECT_EQ(findFreeFileName("result.", 4, ""), "result.0004");
  // Families are independent of each other.
  EXPECT_EQ(findFreeFileName("bedres.", 4, ""), "bedres.0000");
}

TEST(FindFreeFileName, ANameIsTakenWhenAnythingOfThatNameExists) {
  // A directory or a dangling link cannot be opened for reading as a file,
  // yet writing to that name would fail or write elsewhere: they are taken.
  InProjectDir d;
  d.dir().mkdir("tresk_00000.dat");
  ASSERT_EQ(symlink("elsewhere/none", "tresk_00001.dat"), 0);
  EXPECT_EQ(findFreeFileName("tresk_", 5, ".dat"), "tresk_00002.dat");
}

TEST(FindFreeFileName, WhenEveryNameIsTakenTheLastOneIsReturned) {
  InProjectDir d;
  for (const char* n : {"k.0", "k.1", "k.2"}) d.dir().write(n, "x");
  EXPECT_EQ(findFreeFileName("k.", 1, "", 2), "k.2");
  EXPECT_EQ(findFreeFileName("k.", 1, "", 3), "k.3");
}

}  // namespace
