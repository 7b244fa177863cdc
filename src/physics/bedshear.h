// Bed shear stress of the water columns for the bed-concentration formulas:
// by default 300 k of a column's bottom cell; these routines adjust k at the
// open boundaries or fill the separate field `bedshear` of block 1, which the
// bed concentration then reads in place of 300 k. Also the small plane-vector
// helpers of the sediment and bed routines. All serial, main thread.
#pragma once

// F 320: k of bottom cells beside inflow faces copied from the cells inside
// (and, from 20 on, k beside outflow faces lowered to theirs).
void computeZeroGradSedim();
// F 512: the bed shear of bottom cells beside outflow faces in columns
// shallower than the F 512 depth raised by the F 512 shear (Pa). The raise
// is added to the k the flow left: a cell whose k is still the value raised
// by the previous call (no new flow since) is raised from its kept base, so
// that repeated calls do not add the shear again.
void computeOutflowFix();
// F 499: bedshear of the wet columns of block 1 by methods 1..6 (bed-form
// share, log law, slope, and their mixes).
void computeBedshear();
// F 189: bedshear of the wet columns of block 1 from the largest k below the
// roughness height.
void computeShearDrevan();

// Log-law bed shear (Pa) of a bottom cell: 1000 |u|^2 (0.4 / ln(30 Ckdist /
// ks))^2; 0 where the logarithm is not positive (the roughness reaches the
// cell centre) or ks is not positive.
double logLawShear(int c);

// Cosine of the angle between (ax, ay) and (bx, by); 0 with a zero vector.
double dotproduct(double ax, double ay, double bx, double by);
// ax by - ay bx.
double crossproduct(double ax, double ay, double bx, double by);
// asin(|e a - b d| / sqrt((c e)^2 + (c d)^2 + (e a - b d)^2)), radians.
double slopeangle(double a, double b, double c, double d, double e);
// Diameter (m) at which the share p/100 of the sediment with fractions
// f[1..lnumber] (coarsest first) is finer, each class counted at its size.
double computeSieve(const double* f, double p);
// 5 x CgammaV x 0.0005 / Ckdist of cell c.
double findMaxFallvelocity(int c);
