// The steps that follow the corner update of a bed change.
#pragma once

// Bed at the inflow and outflow boundaries by F 222: 1 lowered at outflow
// edges to a column depth below the water level, 2 reset to the initial bed
// at inflow and outflow edges, 3 outflow columns reset to the initial bed.
void computeBedBoundary();
// Coarser blocks take the bed of the finer blocks nested in them, grid line
// by grid line.
void nestToCoarseByLines();
// Smoothing, boundary, slides, and every F 99 steps the grid generated anew
// for the new bed; the change of suspended mass through the regrid is booked
// in SuspVolChangeDef. full: the tail of the default bed change, with the
// slope check, the water-surface update and the grid-split levels.
// allFilters false: of the filters after the corner update only F 144 1
// and 3 (the corner-mean bed change). slides false: the caller has run the
// sand slides before its corner update. nestChange false: the nested copy
// of the bed cells leaves the accumulated change of the coarse corners.
void bedChangeTail(bool full, bool allFilters = true, bool slides = true, bool nestChange = true);
// Coarse bed cells take the corner level of the nested bed cells over them,
// and with withChange their accumulated change as well.
void nestToCoarseByBedCells(bool withChange = true);
