// The total-load and bed-load formulas of F 10 letters A, E, I, M, S, Y:
// the transport rate q of each size turned into the bed concentration
// q / Q, Q the transport of a unit reference concentration with a Rouse
// profile through the water column. concEngelund (sediment.h) strings the
// pieces together per bed cell.
#pragma once

// The values of one water column that the formulas use.
struct TotalLoadColumn {
  int b = 0, c = 0, top = 1;
  double h = 0.0;      // water depth (m)
  double U = 0.0;      // depth-mean horizontal speed (m/s)
  double tau = 0.0;    // bed shear stress (Pa)
  double ustar = 0.0;  // shear velocity (m/s)
  double S = 0.0;      // energy slope
  double d90 = 0.0;    // 90 % diameter of the surface layer (m)
};

// Column values of bed cell b (its bottom cell must exist); tau already
// reduced to its grain share for F 90 4 and 5.
TotalLoadColumn totalLoadColumn(int b);

// Transport (m2/s) of a unit concentration at half the bottom cell with a
// Rouse profile for fall velocity w.
double rouseTransport(const TotalLoadColumn& col, double w);

// Critical shear stress (Pa) of diameter d: the F 11 Shields value when it
// is positive, the Shields curve at u* d / 1e-6 otherwise.
double totalLoadCriticalShear(double d, double ustar);

// Critical mean speed of Yang's formula at grain Reynolds number R; kept
// finite and positive below the range of the relation (R < 1.2).
double yangCriticalSpeed(double w, double R);

// Bed concentration of size l by the letter, before the F 256 cap; 0 where
// Q < 1e-10 (not for I, which uses the bottom cell's flux). Letter I with a
// still bottom cell ends the run.
double totalLoadConcentration(char letter, int l, const TotalLoadColumn& col, double Q, double tauc);
