// The solver of the two-dimensional surface equation: one value per water
// column, held at the column's lowest cell in Cf,
//   Cap Cf = Cae Cf(E) + Caw Cf(W) + Can Cf(N) + Cas Cf(S) (+ the diagonal
//   neighbours in Caee NE, Cass SE, Cann NW, Caww SW) + Csource,
// over the blocks whose surface is updated (G 26) on the real grid.
#pragma once

// Modes: 4 five-point sweeps by cell number, forward then backward, at most
// F 239 2nd value times until the mean change falls below F 345; 43 the same
// held above BLevFroude; 8 nine-point sweeps by grid column in four
// directions, F 239 1st value times; 83 the same held above BLevFroude; 42
// three passes of five-point sweeps by grid column; 41 the sweeps of mode 4
// on Bdeltah. After every mode, with F 371, the column cells of block 1 are
// held at least at Bminlevdh.
void surfaceSolver(int mode);
// Reports column cells of implausible equations or values to `boogie`;
// location is printed only.
void surfaceBugtrap(int location);
