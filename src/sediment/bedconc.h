// The equilibrium (near-bed) concentration of every grain size at the wet bed
// cells: characteristic diameters, critical shear stress (Shields, hiding,
// bed slope, cohesion) and the formulas of the van Rijn family chosen by
// F 84. The pieces take their inputs explicitly so that each can be checked
// on its own; concRijn (sediment.h) strings them together per bed cell.
#pragma once

// Median and 90 % diameters and the mean diameter of the fractions
// f[1..lnumber] (sizes coarsest first, diameters gsize), each class counted
// at the middle of its share.
void characteristicDiameters(const double* f, double& d50, double& d90, double& dm);

// Shields value of curve 0..3 (F 251) at the grain Reynolds number R;
// values above 3 use curve 0.
double shieldsCurve(int curve, double R);

// What the critical shear stress of one bed cell depends on besides the size.
struct BedCellShear {
  int b = 0, c = 0, top = 1;
  double tau = 0.0;        // bed shear stress (Pa)
  double tauE = 0.0;       // effective bed shear stress (Pa)
  double d50 = 0.0, d90 = 0.0, dm = 0.0;
  double H = 0.0;          // water depth (m)
  double r = 1.0;          // depth-averaged / bottom-cell speed
  double speed = 0.0;      // horizontal speed of the bottom cell (m/s)
  bool bank = false;       // a dry neighbouring column
  double Ms = 1.0, Mc = 1.0, Ca = 0.0;  // side-erosion terms
  double stage = 0.0;      // summed transport stage of the sizes
  double commonLevel = -1.0;  // F 60 2: reference level of block 1 (m), negative for none
};

// Critical shear stress of one size with the factors it used.
struct CriticalShear {
  double tauc = 0.0;  // Pa
  double Sh = 0.0;    // Shields factor (Pa per m of diameter)
  double K = 1.0;     // bed-slope factor
  double h = 1.0;     // hiding factor
};

// Critical shear stress of size l at the bed cell (tau, d50, bank and top of
// the cell filled in): Shields, hiding, bed-slope correction, cohesion.
CriticalShear criticalShearStress(int l, const BedCellShear& cell);

// Hiding factor of size l at bed cell b with surface layer top.
double hidingFactor(int l, int b, int top, double d50);
// True where the bed-slope variant of F 182 acts at bed cell b: odd
// variants everywhere, even ones at bank cells, and only where the two
// lowest layers together are thicker than the coarsest grain.
bool bedSlopeActs(int b, bool bank);
// Bed-slope factor K of variant F 182 at bed cell b (bottom cell c), 1 where
// the variant does not act.
double bedSlopeFactor(int b, int c, bool bank);

// Standard normal distribution function, Abramowitz and Stegun 26.2.17.
double normalProbability(double x);

// Bed concentration of size l by F 84 before the side-erosion terms and the
// cap; adds the size's transport stage to cell.stage.
double bedConcentration(int l, BedCellShear& cell, const CriticalShear& cs);

// F 84 9 and 11: every size of bed cell b scaled to the total load of d50
// (at most by 10); K and h of the last size.
void scaleToD50Load(const BedCellShear& cell, const CriticalShear& last);

// Side-erosion terms (F 214..F 217) of a bank cell.
void sideErosionTerms(BedCellShear& cell);

// The bottom cell c and its eight neighbours of the side-erosion terms: c,
// south, east, north, west, south-east, north-east, north-west, south-west
// (0 where there is none).
void bankNeighbourhood(int c, int around[9]);

// Inputs of the sand-mud formula.
struct ParvelInput {
  double tau = 0.0, tauc = 0.0, d = 0.0, d50 = 0.0;
  double halfHeight = 0.0;   // Ckdist of the bottom cell (m)
  double H = 0.0;            // water depth (m)
  double roughness = 0.0;    // Croughness of the bottom cell (m)
  double fall = 0.0;         // fall velocity (m/s)
  double solid = 0.5;        // solid fraction of the surface layer
  const double* fractions = nullptr;  // surface layer, 1..lnumber
};
// Sand-mud bed concentration (volume fraction, 0 or more).
double computeConcentrationParvel(const ParvelInput& in);
double computeConcentrationParvel1(const ParvelInput& in);

// The formula lines and checks of the bed concentration, then concRijn.
void suspinit();
void concRijnDLL();
