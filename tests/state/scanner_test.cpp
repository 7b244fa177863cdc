#include "state/scanner.h"

#include <gtest/gtest.h>

TEST(Scanner, ReadsNumbersAcrossLinesAndStopsAtTheFirstBadByte) {
  Scanner s("  12\n -3.5e2 x 7");
  int i = 0;
  double d = 0;
  ASSERT_TRUE(s.readInt(i));
  EXPECT_EQ(i, 12);
  ASSERT_TRUE(s.readDouble(d));
  EXPECT_DOUBLE_EQ(d, -350.0);
  // A failed conversion leaves the byte for the next read.
  EXPECT_FALSE(s.readInt(i));
  EXPECT_EQ(i, 12);
  EXPECT_EQ(s.get(), 'x');
  EXPECT_TRUE(s.readInt(i));
  EXPECT_EQ(i, 7);
  EXPECT_FALSE(s.readInt(i));
  EXPECT_TRUE(s.atEnd());
}

TEST(Scanner, RefusesNonDecimalFloatingPointForms) {
  for (const char* text : {"nan", "inf", "-inf", "abc", ".", "-"}) {
    Scanner s(text);
    double d = 5.0;
    EXPECT_FALSE(s.readDouble(d)) << text;
    EXPECT_EQ(d, 5.0) << text;
  }
  Scanner s(".5 1.");
  double a = 0, b = 0;
  EXPECT_TRUE(s.readDouble(a));
  EXPECT_TRUE(s.readDouble(b));
  EXPECT_DOUBLE_EQ(a, 0.5);
  EXPECT_DOUBLE_EQ(b, 1.0);
}

TEST(Scanner, SaturatesIntegersBeyondTheRange) {
  Scanner s("99999999999999 -99999999999999");
  int a = 0, b = 0;
  ASSERT_TRUE(s.readInt(a));
  ASSERT_TRUE(s.readInt(b));
  EXPECT_EQ(a, 2147483647);
  EXPECT_EQ(b, -2147483647 - 1);
}

TEST(Scanner, WordsAreLimitedToTheirBuffer) {
  Scanner s("  averyveryverylongword next");
  char buf[8];
  ASSERT_TRUE(s.readWord(buf, sizeof buf));
  EXPECT_STREQ(buf, "averyve");
  std::string rest = s.readLine();
  EXPECT_EQ(rest, "ryverylongword next");
}

TEST(Scanner, CountsConvertedValues) {
  Scanner s("1 2 x");
  int v[3] = {0, 0, 9};
  EXPECT_EQ(s.readInts(v, 3), 2);
  EXPECT_EQ(v[2], 9);
}
