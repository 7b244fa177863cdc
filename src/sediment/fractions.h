// The two-layer bed (F 37 1 and 2): layer 1 of BSedDistrib is the active
// layer of nominal thickness T, layer 0 the inactive layer under it. Once per
// time step, after the suspended load, one of these turns the solution into
// the bed change of each size, stores their sum in Bedmove (positive:
// deposition) and moves sediment between the water and the two layers.
#pragma once

// F 37 1: the flux of each size from the balance of the bottom cell held at
// its bed value.
void morphology_fractions(double T);
// F 37 2: settling minus pick-up.
void morphology2_fractions(double T);
// F 137 above 0: the balance with the quasi-neighbour sides.
void morphology_QNfractions(double T);
// Variants of morphology2_fractions kept for comparison runs.
void morphology2_fractions1(double T);
void morphology2_fractions2(double T);

void printErrorMorphology1(int b, double a, double d);
void printErrorMorphology2(int b, double sum, double d);
void printErrorMorphology3(int iteration, int b, int c, int l, const double* a, double d, double thick2, double sum);

// The active thickness: F 106 when positive, else the largest grain.
double activeThickness();

// The layer update of one bed cell for several sizes with the fluxes
// flux[1..lnumber] (m); replacing: always replace the active mixture on
// deposition onto an inactive layer (F 37 2), else the F 37 1 choice.
// Returns the bed change dz the layers carried out; sets thick2 and SumG.
double updateTwoLayers(int b, const double* flux, double T, bool alwaysReplace, double* a, double& thick2,
                       double& SumG);
