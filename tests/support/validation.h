// Support of the cases that compare the engine with known answers: each case
// prints its figure, fails with a message that names the figure, its value
// and its limit, and writes a plot of computed against analytic values.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/svg_plot.h"

// A figure of merit and the largest value it may take. Unit is printed right
// after the numbers (" %", " m/s", "" for a plain ratio).
struct Figure {
  std::string what;
  double value;
  double limit;
  std::string unit;
};

// Prints "validation: <what> <value><unit> (limit <limit><unit>)" and
// succeeds when the value is at most the limit; a value above it, or one
// that is not a number, fails with the figure, the value, the limit and the
// excess.
::testing::AssertionResult withinLimit(const Figure& f);

// The directory of the plots: $TOVAK_VALIDATION_DIR when set, else
// validation/ in the build directory (beside the directory of the test
// binary). Created when missing.
std::string validationDir();

// Writes the plot as <validationDir()>/<name>.svg and prints its path; a plot
// that cannot be written is a failure of the calling test.
void writeValidationPlot(const std::string& name, const SvgPlot& plot);

// The "C n u v w k e p" and "F n flux" lines of a text result file.
struct ResultField {
  std::map<int, std::vector<double>> cells;  // n -> u v w k e p
  std::map<int, double> flux;                // face -> kg/s
};
ResultField readResultFile(const std::string& text);

// Discharge (kg/s, positive eastwards) through each plane x = const of the
// inner faces with an x normal of the grid in memory, by x rounded to 0.1 m
// (key: x in tenths of a metre). Inlet and outlet faces carry no face flux
// and belong to no plane.
std::map<long, double> xPlaneDischarges(const std::map<int, double>& flux);
