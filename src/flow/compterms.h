// Forms shared by the source terms of the water-quality components: the
// value of a timei series at the current time, the exponential change of a
// daily rate over one step, the vertical transfer of an amount between a cell
// and its neighbours in the column, and the component rows a term reads.
#pragma once

#include "state/options.h"

// Rates of the reaction terms are given per day; the engine's day factor is
// 1.182033e-5 per second (1/84600).
constexpr double kPerDay = 1.182033e-5;

// Where the current time stands in the timei series: value = w X[lo] +
// (1 - w) X[hi]. valid is false when there is no series to read.
struct SeriesPoint {
  bool valid = false;
  int lo = 0, hi = 0;
  double w = 0.0;
  double of(const double* x) const { return valid ? w * x[lo] + (1.0 - w) * x[hi] : 0.0; }
  double of(double* const* x, int column) const { return valid ? w * x[lo][column] + (1.0 - w) * x[hi][column] : 0.0; }
};

// The interval of the series around stimet: between records n-1 and n, n the
// first record from 1 upwards whose time exceeds stimet (at most the last);
// the line through records 0 and 1 before record 1, the last record after the
// series, and a single record at all times.
SeriesPoint seriesNow();

// (exp(1.182033e-5 r dt / N) - 1) V / dt for a daily rate r in cell c: the
// exponential change over one of the N inner iterations of a time step.
double expChange(int c, double r);

// Moves the amount F of cell c up (F > 0, to the cell above; a top cell
// keeps it) or down (F < 0, to the cell below; a bottom cell loses it out of
// the water), in Csource.
void verticalTransfer(int c, double F);

// 1000 x the area of the top (bottom) face of cell c; 0 without that face.
double topArea(int c);
double bottomArea(int c);

// True when the first n arguments of the term are component rows.
bool termRowsExist(const ReactionTerm& t, int n);

// theta^(T - 20) with T the water temperature of cell c when F 67 is 1,
// else 1; a coefficient that was not given (0 or less) means no dependence.
double temperatureFactor(int c, double theta);
