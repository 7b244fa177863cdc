// Table rows for the tests of the data-set families: what a control text
// stores (read in-process) and how a refused data set ends (real engine).
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/control_rows.h"
#include "support/in_dir.h"

// One option: its default before the file is read, its value after.
struct Expect {
  const char* name;
  void* target;
  bool isInt;
  double def;
  double value;
};
#define EI(var, def, val) Expect{#var, &(var), true, static_cast<double>(def), static_cast<double>(val)}
#define ED(var, def, val) Expect{#var, &(var), false, static_cast<double>(def), static_cast<double>(val)}

struct ReadCase {
  const char* control;
  void (*setup)();  // options of other data sets that must stand earlier in the file
  std::vector<Expect> expect;
};
inline void PrintTo(const ReadCase& c, std::ostream* os) { *os << '"' << c.control << '"'; }

// A refusal: the status and the last bytes of the log.
using RefusalCase = RefusalRow;

inline double currentValue(const Expect& e) {
  return e.isInt ? *static_cast<int*>(e.target) : *static_cast<double*>(e.target);
}

// Defaults hold before the text is read, the values after it.
inline void checkReadCase(const ReadCase& c) {
  InProjectDir dir;
  for (const Expect& e : c.expect) EXPECT_DOUBLE_EQ(currentValue(e), e.def) << e.name << " default";
  if (c.setup) c.setup();
  readControlText(c.control);
  for (const Expect& e : c.expect) EXPECT_DOUBLE_EQ(currentValue(e), e.value) << e.name << " after reading";
}

// The engine ends with the status, and the message is the last thing logged.
inline void checkRefusal(const RefusalCase& c) { expectRefusal(c); }
