// Bed-form (dune) height and bed roughness of a bed cell, shared by the two
// bed-concentration routines, and the smoothing of the roughness (F 460).
#pragma once

// What the bed-form height and the roughness of one bed cell depend on.
struct BedFormCell {
  int b = 0, c = 0, top = 1;
  double H = 0.0;      // water depth (m)
  double d90 = 0.0;    // 90 % diameter of the surface layer (m)
  double dm = 0.0;     // mean diameter of the surface layer (m)
  double tau = 0.0;    // bed shear stress (Pa)
  double U = 0.0;      // depth-mean speed of the column (m/s)
  double speed = 0.0;  // horizontal speed of the bottom cell (m/s)
  double stage = 0.0;  // transport stage summed over the sizes
};

// Height of the bed forms by F 476 before the time relaxation: 0 the stage
// formula limited to half the movable thickness and three depths, 1 without
// the limits, 2 and 3 Karim's with the depth-mean speed.
double duneHeight(const BedFormCell& cell);

// F 103 2: the new height Dnew reached the share R of the way from Dold;
// all of it when R >= 1 or Dnew is 0.
double relaxedDuneHeight(double Dold, double Dnew, double R);

// Share R of the relaxation: the volume the bed cell's concentrations carry
// through the bottom cell in a time step against the cross-section of a bed
// form of height D and length 7.3 H.
double relaxationShare(const BedFormCell& cell, double D);

// Bed roughness ks of F 90 and F 103 from d90, the bed-form height D, the
// depth H and the movable thickness Th; returns false where the options
// leave the roughness as it is.
bool bedRoughness(double d90, double D, double H, double Th, double& ks);

// Bedformheight of the bed cell and, for F 90 2..6, its Broughness.
void bedFormsAndRoughness(const BedFormCell& cell);

// The total-load formulas' own bed forms and roughness: the stage height
// limited to half the movable thickness and three depths (whatever F 476
// and F 103 2 say), and the roughness of F 90 2..6 with F 103 0 or 1, the
// fixed bed taking max(XksWall, F 398 x thickness) or XksWall; other
// combinations leave Broughness as it is.
void totalLoadBedForms(const BedFormCell& cell);

// F 460 1 and 2 over the active blocks, after all bed cells (F 90 above 1).
void smoothRoughness();
