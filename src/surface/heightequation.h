// The surface-height equation: one row per water column at its lowest cell,
// for the level change of the column (F 36 4, 7, 8), its link weights, and
// the corner-level update that turns the column values into new water levels
// at the grid points.
#pragma once

// ---- Coefficients ----

// Weight of one link of a column: cosv the cosine between the flow of the
// column and the direction to the neighbour (positive downstream), Fr a
// Froude number. The base formula (F 278 0; a second one for F 36 7) or the
// variant of F 278 1..21, plus SurfSmoothVal with F 154 5, plus F 406.
double computeCoeffSurf(double cosv, double Fr);
// Five-point equation of the level change with the column's own Froude
// number and the depth limiter (F 36 4); ends with the fixed rows.
// The nine slots of column cell c: itself, N, NW, W, SW, S, SE, E, NE (a
// diagonal found through either of its two sides; 0 where none).
void neighbourSlots(int c, int L[9]);
// The F 246 second-value treatment of a column row whose weights are (nearly)
// all 0: 2 a diagonal of at least 1, 4 a move to critical depth, 5 no move, 7
// a lift of 0.05 m. Grid point (i, j) gives the column's bed cell.
void applySurfLimit2(int c, int i, int j, double Fr);
// The F 233 7 head difference dp (m) of a link from the top cell t to the top
// cell T, less what the spread of their top corners already explains: 0
// until dp passes that spread.
double clippedHeadDifference(double dp, int t, int T);
void computeCoeffTFS4();
// Nine-point equation of the level change with Froude limiters (F 36 7); the
// caller adds the fixed rows.
void computeCoeffTFS7();
// Nine-point equation of the level change from the pressure differences
// between the top cells (F 36 8); ends with the fixed rows.
void computeCoeffTFS8();
// The per-column row of computeCoeffTFS8 for the column whose lowest cell is
// c (the driver's F 36 8 uses the same row).
void coeffTFS8Column(int c);
// Clears the equation over WCStart..WCEnd (Cap 0.0001, the rest 0; the
// nine-point form also its diagonal neighbours).
void clearSurfaceEquation(bool ninePoint);

// ---- The driver's F 36 8 ----

// Assembles, solves and applies the nine-point equation of F 36 8 for the
// move whose reference cell is ref (the column cell of the reference column).
void surfaceEquation8(int ref);

// ---- The driver's four-neighbour and nine-point equations ----

// The row of the column whose lowest cell is c at grid point (i, j):
// F 36 4 for the change of its level (limiters of F 246, F 427, F 438,
// F 422, F 431, F 322), F 36 21 for the level itself (start value in Cf),
// F 36 7 and 9 with its eight neighbours (F 36 9 keeps only its own row);
// the F 405 time term is the frame's.
void coeffDriver4Column(int i, int j, int c);
void coeffDriver21Column(int i, int j, int c);
void coeffDriver7Column(int c);
// The fixed rows of the driver's equations: the reference column of the
// reference cell ref (not F 36 21), the columns of the outlet group kSurf
// and, for F 36 4, 7 and 9, of the second group kSurf2 (with F 474 1 the
// west neighbour of an outlet column loses its source).
void fixDriverRows(int ref);
// Assembles, solves and applies the driver's equation of F 36 4 or 21
// (five-point) and of F 36 7 or 9 (nine-point).
void surfaceEquation4(int ref);
void surfaceEquation7(int ref);

// ---- Corner levels ----

// What the column values of a surface-height equation are: level changes,
// new levels (relaxed like changes towards them) or the new levels of the
// semi-implicit method (relaxed by F 466).
enum class ColumnValue { Change, Level, CasulliLevel };

// Every grid point of the updated blocks takes the relaxed mean of the values
// of the columns around it (level changes; levels with F 36 9), damped by
// F 346, checked by F 369, and block 1 clamped by F 381.
void surfaceUpdate();
// The same for column values of the given kind.
void surfaceUpdateOf(ColumnValue kind);
// The same mean weighted by how far the point lies downstream of each
// column's centre (F 282).
void surfaceUpdateDownwind();
// Raises corner levels where the flow leaves a column towards a dry
// neighbour (F 229 1) or in shallow fast columns (F 229 2); never lowers one.
void surfacePreventDiv();
