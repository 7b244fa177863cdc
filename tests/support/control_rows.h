// Table-driven checks of control-file data sets: reading a control text
// in-process, and the rows of refusals run on the real engine.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "io/kread.h"
#include "state/scanner.h"
#include "support/case_runner.h"

// Reads a control text with the first pass of the reader (no checks after it).
inline void readControlText(const std::string& text) {
  Scanner s(text);
  readControlFirstPass(s);
}

// A value after the defaults and after reading `control`.
struct ValueRow {
  const char* control;
  const char* what;
  std::function<double()> get;
  double byDefault;
  double afterReading;
};

// VALUE("F 8 0.5", MaxBedChange, 0.1, 0.5)
#define VALUE(control, expr, def, val) \
  ValueRow { control, #expr, [] { return static_cast<double>(expr); }, def, val }

// Runs every row in a fresh default state (inside an InProjectDir).
inline void expectValues(const std::vector<ValueRow>& rows) {
  for (const ValueRow& r : rows) {
    SCOPED_TRACE(std::string("control \"") + r.control + "\", " + r.what);
    setControlDefaults();
    EXPECT_DOUBLE_EQ(r.get(), r.byDefault);
    readControlText(r.control);
    EXPECT_DOUBLE_EQ(r.get(), r.afterReading);
  }
  setControlDefaults();
}

// A refusal: the engine ends with `status` and the log ends with `message`
// exactly (the data sets after the refused one are never read).
struct RefusalRow {
  const char* control;
  int status;
  const char* message;
};

inline void PrintTo(const RefusalRow& r, std::ostream* os) { *os << '"' << r.control << '"'; }

inline bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

inline void expectRefusal(const RefusalRow& r) {
  CaseResult res = runControl(r.control);
  EXPECT_EQ(res.status, r.status) << res.boogie;
  EXPECT_TRUE(endsWith(res.boogie, r.message)) << "log:\n" << res.boogie << "\nexpected at its end:\n" << r.message;
}
