// The suspended-sediment equation (Equation 7) of every grain size: its
// coefficients, the bed-load slope terms, the inflow at the discharge groups
// and the solvers that hold the bottom cells at their bed value (F 37 1).
//
// The equation of size n reads, per cell,
//   ap C = sum of anb C(nb) + source,
// coefficients in kg/s of water (density 1000 written in), concentrations as
// volume fractions. The time loop completes it with 1000 Cvol / TimeStep.
#pragma once

// ---- Coefficients (faces first..last, the caller's face work range) ----

// One size: the six coefficients Cae .. Cat; power law, or the second-order
// upwind scheme with F 63 1 (the caller clears the second-neighbour arrays).
void coeff_make1(int first, int last);
// Every size: the horizontal faces into the shared Cae, Caw, Can, Cas, the
// vertical faces into Cabm[n], Catm[n].
void coeff_make2(int first, int last);
// Every size, all six sides per size (Caem .. Catm), power law (F 78 5..9).
void coeff_make2m(int first, int last);
// The four horizontal coefficients alone, without settling and without the
// Schmidt number, from the current face fluxes (turned bed velocities).
void coeff_make1H(int first, int last);
// The outflow of the outflow groups (and of nested blocks) into the balance
// Bap[n] of the bed cells beside them; for size 1 also into Binout.
void MakeAp(int n);

// ---- Bed-load slope terms (F 78) ----

// F 78 5..9: upwind coefficients of the bed-slope flux between neighbouring
// bottom cells, added to the completed per-size equations.
void coeff_make_bedvector(int first, int last);
// F 78 1 and 3: sediment of size n moved from each bottom cell into its
// down-slope neighbours, as sources (Csourcem[n], or Csource for one size).
void BedVectorSourceCalc(int n);

// ---- Inflow at the discharge groups ----

// One size with F 37 1 or 2: into Cap and Csource.
void InflowSediment();
// Size l of several sizes or of F 37 3: into Capm[l] and Csourcem[l].
void InflowSedimentM(int l);

// ---- Suspended load with fixed bed values (F 37 1) ----

// iter_morph inner iterations: solve, clip, hold the bottom cells at their
// bed value. One size (solver), several sizes (solver2, or solver2m with
// F 78 5..9, per size).
void morphology_tsc_solver_tsc1_single();
void morphology_tsc_solver_tsc1_multiple();
// 1000 x the bed volume (m3, pores included) that bed cell b (bottom cell c)
// can give of size l in a step: one size the whole layer 1; several sizes the
// share of size l in layer 1, by bedVol (F 160) 0 alone, 1 cut by the
// erodible depth at the four corners, 2 averaged with the neighbours; with
// more than two layers the deeper ones down to the first that one of the two
// first sizes holds still.
double erodibleMass(int l, int b, int c, bool several, int bedVol);
// Concentrations of size l below 1e-30 (negative ones included) become 0,
// over WCStart..WCEnd.
void clip(int l);

// ---- Suspended load with bed exchange (F 37 2 and 3) ----

// Pick-up from the bed into the bottom cells limited by supply and
// deposition, iter_morph inner iterations. F 37 2: one size; several sizes
// (F 303 0, 1); the bottom cells solved by themselves (F 303 2). F 37 3:
// Bupflux, and Bbedchange and Bedmove through computeBedmove. The solvers
// themselves are declared with the loop's stages (sediment/morphology.h).
// Scale of the effective bed concentrations of bed cell b: 1/s where the
// water carries the share s (0.02 < s < 1) of its equilibrium load, else 1.
double findSuspFraction(int b);

// Bed value of size l at bed cell b: max(deposition limit, min(supply
// limit, equilibrium)), from the current concentrations.
double bedValue(int l, int b);
// Bed-level change of bed cell b per size (Bbedchange) and in total
// (Bedmove) from settling and pick-up; the mass into SumBedChangeLoc.
void computeBedmove(int b);

// The timei series at stimet for the sediment routines: record k and the
// weight w of record k-1 (bounded to 0..1; one record holds at all times).
// False without a series.
bool sedimentSeriesWeight(int& k, double& w);

// BedVectorSourceCalc with the choice of where a bottom cell held at its bed
// value takes its share: throughBed adds it to Bsource of its bed cell,
// which the bed value reads, instead of to the equation that the fixed
// diagonal overrides.
void bedVectorSource(int n, bool throughBed);
