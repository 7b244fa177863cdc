// The channel count of the braiding statistics (computeBI is declared in
// surface/surface.h, writeBraided in output/output.h).
#pragma once

// Bed shear of column (i, j) of the block grid: 300 k of its lowest cell
// (Pa); 0 for a dry column.
double columnShear(int i, int j);

// Runs of at least F 368 BraidCells columns across one cross-section. Each
// column either lengthens the run, ends it (a run long enough counts as one
// channel) or passes without either; a run still open at the last column
// counts when that column lengthens it.
struct ChannelCounter {
  enum class Column { Active, Ends, Passes };
  int run = 0;
  double channels = 0.0;
  void column(Column state, bool last);
};

// A column by its shear: above the threshold it is active, at or below
// F 368 BraidedTot it ends a run, in between it passes.
ChannelCounter::Column shearState(double tau, double threshold);
