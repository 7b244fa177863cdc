// The quasi-neighbour grid of F 137: shared levels at every grid line, cells
// of a column at num[i][j][2 .. ant + 1], and the lists of the cells that a
// top cell faces in a taller neighbour column.
#pragma once

// Builds the cells of every block (F 64 is not read) and then the lists;
// D is the largest depth of this build. 0, or -1 when the F 65 sizes were
// reached (no lists; the overflow report is the caller's).
int UnstrucQN(double D);

// Fraction of the depth above the bed of the bottom (top false) or top
// corner of the cell at level L of a column of A cells, on a grid line of a
// levels whose surrounding columns hold m..M cells.
double quasiCornerFraction(int a, int m, int M, int L, int A, bool top);
