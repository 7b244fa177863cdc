// Cell and face geometry of the unstructured grid and the bed-cell index.
//
// Grid-changed protocol: whoever reads or builds a grid sets
// FlagHaveDoneMetric to 0 (a build also sets FlagGridHasChanged and
// FlagNeedsToBeInterpolated to 1); the next metric computes the geometry once,
// the next BedMake rebuilds the water columns, keeps those of the previous
// grid in the _old columns and carries the fields over.
#pragma once

// Edge vectors, half lengths, centres, areas and volumes of the cells; areas,
// normals, side codes, far cells and distances of the faces; the solving
// order. Returns at once while the geometry of the present grid is complete
// (unless F 523). Ends the process (status -1) on a degenerate cell.
void metric();

// Plan area of every column of the working blocks (armap).
void ArmapMake();

// Bed cells: numbers the water columns on the first call, ties every cell to
// its bed cell, keeps the previous grid's columns, carries the fields over.
void BedMake();
// The bed cells under the faces of each discharge group that has faces: the
// bed cell of every face whose cell (Fcell1, else Fcell2) is a bottom cell.
void groupBedCellLists();

// Lowers the bottom corners of the bottom cell of the work range with the
// largest k residual to F 395's depth below the water level (with F 395 above
// 1 also the outer bottom corners of its four neighbours) and measures the
// grid again.
void ModifyGrid();
