// Small routines of the sediment time loop, called once per step or per bed
// cell: the work range of a G 25 pass, the deposit depths of block 1, the
// sediment a bed column can give up, and the suspended volume kept across a
// grid move.
#pragma once

// Sets the cell, face and bed-cell work ranges and the active flags of the
// blocks for work-block pass n (without G 25: the whole grid, the sub-bed
// block left out). False when the pass holds no block: the ranges are then
// empty (WCStart 0, the ends equal to the starts) and the pass has no work.
bool computeWorkBlocks(int n);

// Mean deposit depths at the downstream and upstream ends of block 1 (F 439,
// F 463): depthDepositOut, depthDepositIn, never negative.
void computeDepthDeposit();

// a[1..lnumber]: the grain volume per unit area (m) of each size in the top
// -depth metres of bed cell b (layer fraction x thickness x solid fraction;
// the layer that reaches the depth only in part); all 0 for a positive depth.
// Scaled by F 445 below 0.999999.
void computeAvailableFraction(int b, double a[], double depth);
// The same walk in metres of bed per size (pores included): sums to -depth,
// or to the whole stack when it is thinner.
void computeAvailableFractionMeters(int b, double a[], double depth);
// f[1..lnumber]: the mean fraction of each size in the top depth metres
// (depth positive) of bed cell b; a thinner stack gives fractions summing
// below 1.
void computeFractionBed(double f[], int b, double depth);
// Per column of block 1, the cells from the bottom up whose summed
// concentration is at least 0.0001: their number (ant) and height
// (thickturb); per grid point the largest of the four columns around it
// (antlinT, thickturbIJ, whole metres). Needs the arrays of F 488.
void computeThickTurb();

// totalsusp[l] = 1e-30 + the suspended volume of size l (m3) over all cells.
void scaleConcGridMove1();
// After a grid move: scales Cconc and Cconc_old of each size so that its
// suspended volume equals totalsusp (times 1 + the F 448 defect ratio,
// limited to 0.9..1.1). A sum that is not a number writes the results and
// ends the run with status -99.
void scaleConcGridMove2();
