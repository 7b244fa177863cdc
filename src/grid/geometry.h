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

// Point tests in plan. c(a, b) is the cross product of the edge from corner a
// to corner b with the vector from a to the point (positive to the left).
// insideTriangle: 1 when the point lies inside or on a clockwise triangle, -1
// inside or on a counter-clockwise one, 0 outside.
int insideTriangle(double x, double y, double x1, double y1, double x2, double y2, double x3, double y3);
// 1 when terrain point n (xg, yg) / tracer stone n (tracerX, tracerY) lies
// strictly inside the counter-clockwise bottom outline (corners 1..4) of
// cell c, else 0 (also on an edge, and for a clockwise cell).
int insideQuadCellGeo(int n, int c);
int insideQuadCellTrace(int n, int c);
// 1 when (x, y) lies strictly inside the clockwise quadrilateral of the four
// corners, else 0.
int insideQuad(double x, double y, double x1, double y1, double x2, double y2, double x3, double y3, double x4,
               double y4);
