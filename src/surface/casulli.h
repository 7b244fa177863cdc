// The semi-implicit surface of F 36 9 with F 323 1: one implicit equation for
// the water level of every water column, couplings from the Manning law
// linearised with the face velocities, a storage term by F 322, and the line
// corrections of block 1 by F 343 1 and 2.
#pragma once

// Builds the level equation at each column's equation cell (the lowest cell,
// the top cell with TopBed 1) of the updated blocks; Cf starts at the mean of
// the column's corner levels.
void computeCoeffCasulli();
// F 322 2nd value 1: the difference of the face-normal velocities of
// neighbouring columns as a source.
void computeSourceCasulli();
// F 343 2: one level correction per grid line i of block 1 by a tridiagonal
// solve of the line sums.
void computeBlockCasulli();
// F 343 1: the levels of block 1 by a one-dimensional multilevel solution of
// the line sums along i.
void computeBlockCasulliMG();
// The inflow faces' share of the column sources (no driver calls it).
void computeFluxCorrectionsCasulli();
