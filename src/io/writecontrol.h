// Control data written back, and the Z data sets of the level table.
#pragma once

// Writes `control.new`: the title, the run letters and the main data sets
// with their current values, in a form that kread reads back to the same
// values. Ends with status -4 when the file cannot be created.
void writeControl();

// Writes a minimal `control` (title, grid sizes, an even level table in per
// cent, W 1, W 2, K 1, K 2), replacing the existing one; sets the level table
// and the W 2 grid lines it writes. Returns the result of closing the file.
int writeControlMin();

// Reads `control` for Z data sets (level distributions in per cent of the
// depth for a window of grid columns) and P 3, and applies each Z data set to
// the level table zval of the block grid.
void gridchange();
