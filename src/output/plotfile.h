// Pieces shared by the plot writers (Tecplot and legacy VTK files).
#pragma once

#include <cstdio>
#include <set>
#include <string>

// The case title as the plot files print it (the T data set's text).
// `forQuotes`: a double quote inside would end a quoted Tecplot string early,
// so it becomes a single quote.
std::string plotTitle(bool forQuotes);

// Values that a reader cannot parse (NaN, infinity) are written as 0; the
// writer counts them and logs one warning per file.
class FiniteValues {
 public:
  double operator()(double v) {
    if (v == v && v - v == 0.0) return v;
    ++replaced_;
    return 0.0;
  }
  // "Warning: ..." in boogie when any value was replaced.
  void report(const std::string& file) const;

 private:
  int replaced_ = 0;
};

// Array names of one VTK file: the reader keeps one array per name, so a name
// met again gets "_2", "_3", ... (its trailing blanks dropped first).
class VtkNameSet {
 public:
  std::string unique(const std::string& name);

 private:
  std::set<std::string> used_;
};
