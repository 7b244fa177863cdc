// The array families that exist only under an option; null while it is off.
// Each family names the option that calls for it; allocateOptionalArrays()
// (allocate_optional.cpp) allocates it, zero-filled, with the sizes of F 65,
// G 1 and the other size options. "Bed cells" is bedCellCapacity().
#pragma once

// ---- Per cell [MaxCeller] unless stated ----
// Coarse cell and interpolation flag of nested grids (F 65 4th value above 1)
inline int *Ccoarsenest, *Cinterpolnest;
// Side neighbours of the lowest cell of a column, for cells above it (F 114 = 20)
inline int *CcellAe, *CcellAw, *CcellAs, *CcellAn;
// Quasi-neighbour counts, lists [MaxCeller][znumber] and coefficients (F 137 above 0)
inline int *Cncelle, *Cncellw, *Cncells, *Cncelln;
inline int **Cqncelle, **Cqncellw, **Cqncells, **Cqncelln;
inline double **Cqnae, **Cqnaw, **Cqnas, **Cqnan;
// Their second-neighbour coefficients [MaxCeller][znumber] (F 137 with second-order convection)
inline double **Cqnaee, **Cqnaww, **Cqnass, **Cqnann;
// Second-neighbour coefficients (second-order convection, or F 36 7..10)
inline double *Caee, *Caww, *Cass, *Cann, *Catt, *Cabb;
// Porosity (F 115 above 0)
inline double* Cporosity;
// Per-size coefficients [lnumber+1][MaxCeller] (several sizes, or F 37 = 3)
inline double **Catm, **Cabm, **Capm;
// Their second neighbours above and below [lnumber+1][MaxCeller] (the same
// with the second-order sediment scheme, F 63 1): the settling makes them
// differ per size
inline double **Cattm, **Cabbm;
// Per-size sources [lnumber+1][MaxCeller]; five rows for the fast driver (F 170)
inline double** Csourcem;
inline int CsourcemRows = 0;  // rows allocated in Csourcem
// Fast driver: five field rows and their inverse diagonals [5][MaxCeller] (F 170 above 0)
inline double **CinvApf, **Cff;
// Bed-load direction coefficients [lnumber+1][MaxCeller] (F 78 5..99)
inline double **Caem, **Canm, **Casm, **Cawm;
// Previous time step (transient runs)
inline double *Cxvel_old, *Cyvel_old, *Czvel_old, *Cpres_old, *Ckinen_old, *Cepsilon_old, *CinvAp_old;
// Concentrations of the previous time step [lnumber+1][MaxCeller] (transient runs)
inline double** Cconc_old;
// The time step before (transient runs with F 208 above 0)
inline double *Cxvel_old2, *Cyvel_old2, *Czvel_old2;
// Pressure-velocity coupling variants (F 171 above 0; the velocities not for F 171 1)
inline double* CinvApP;
inline double *CxvelP, *CyvelP, *CzvelP;
// Water-quality components [NoComponents][MaxCeller] (F 50 / F 67); previous step when transient
inline double **Ccomp, **Ccomp_old;
// Residual fields (F 153 = 1)
inline double *Cxvel_res, *Cyvel_res, *Czvel_res, *Cpres_res, *Ckinen_res, *Cepsilon_res;
// Thixotropy level and rate (F 236 or F 248 above 0)
inline int* Cthixolev;
inline double* Cthixorat;
// Soil stress [13][MaxCeller] and slide movement (F 248 above 0)
inline double** Cstress;
inline double *Cxmove, *Cymove, *Czmove;
// Shallow-water fields [3][MaxCeller] (F 311 above 0)
inline double **CU, **CF, **CG;
// Density damping of turbulence (F 71 = 5)
inline double* CdampDensity;
// Grid sequencing: coarse cell and its fine cells [MaxCeller][2 or 5] (F 152, F 168)
inline int** MGSCpoint;
inline int MGSCpointCols = 0;  // columns allocated in MGSCpoint
// Line-solver work per cell (F 186, F 261 = 18, F 343 = 2)
inline double *Cpt, *Cqt;
// Geometry of the previous grid for the carry-over (F 147 second value 0 / 2)
inline double* Czcenter_old;
inline double* Ckdist_old;

// ---- Per face ----
// Shallow-water face values [4][MaxFlater] (F 311 above 0)
inline double **FF, **FG;

// ---- Nested-block faces [MaxNester] (F 65 4th value above 0) ----
inline int *Ninoutwall, *Npflate, *Npcelle, *Npblock;
inline double* Nflux;
inline int** Ncell;        // [MaxNester][4]
inline double** Nweight;   // [MaxNester][4]
inline double*** Nvect;    // [MaxNester][4][3]

// ---- Boundary time series [ArrayTimeSteps+1] (transient runs) ----
inline double *TimeInTime, *TimeInTimStep, *TimeInHinn, *TimeInHout, *Irradi, *AirTemp;
inline double** QDinn;     // [ArrayTimeSteps+1][10]
inline double** Cinn;      // [ArrayTimeSteps+1][20]
inline double** Winn;      // [ArrayTimeSteps+1][3]

// ---- Structured maps of the grid generators, int [xnumber+2][ynumber+2] unless stated ----
inline int **crackI, **crackJ, **vn;                          // F 64 = 9
inline int **ridgeI, **ridgeJ;                                // F 394 above 1000
inline int*** numc;                                           // F 64 14 or 15 [..][..][znumber+2]
inline int **antlinT, **antT, **pointint, **intSurfI, **intSurfJ, **intSurfK;  // F 488 above 0
inline double **thickturb, **thickturbIJ, **TurbTop;           // F 488 above 0
inline double** bedshear;                                     // F 499 or F 189 above 0
inline int** DuneIndex;                                       // F 552 above 0 [xnumber+3][ynumber+3]

// ---- Per bed cell [bed cells] unless stated ----
inline double* Bedlev;                    // F 255 above 1, F 37 = 3, F 236 above 0
inline double** Bsolidfraction;           // same [NoBedLayers+1][bed cells]
inline double** Bcohesion;                // F 385 or F 330 above 0 [NoBedLayers+1][bed cells]
inline double* BcohesionLevel;            // F 385 above 4
inline double *Bthixolev, *BthixolevMin, *Bstrain;  // F 236 or F 248 above 0
inline int* Barmourthick;                 // F 37 = 3
inline double **Bbedchange, **Bupflux;    // F 37 = 3 [lnumber+1][bed cells]
inline double*** BCompDistrib;            // F 400 above 0 [NoBedLayers+1][lnumber+1][bed cells]
inline int* Bcelltt_old;                  // F 339 above 0
inline int* Bnestcoarse;                  // F 261 above 0 or F 238 above 2
inline double* Bpresavg;                  // F 233 6 or 7
inline double** BQvar;                    // F 79 above 0 [F 79][bed cells]
inline double* Bdeltah;                   // F 36 = 50 or F 271 above 0
inline double* BsourceLS;                 // F 36 = 50
inline double* Bgroundwater;              // F 262 above 0
inline double *BrooksUp, *BrooksDown, *BrooksLimit, *Bavalanche;  // F 274 above 0
inline double* Bdefect;                   // F 277 above 0
inline double* BLevFroude;                // F 351 above 0
inline double *Bminwaterlevel, *Bminlevdh;  // F 371 above 0; Bminwaterlevel -1000 (none) from bed cell 1
inline int* Bponds;                       // F 394 above 0
inline double *BfGzeroTime, *BfGzeroHeight;  // F 285 = 3
inline double* Bfractionsprint;           // F 433 above 0
inline double** BplasticDeposits;         // F 417 above 0 [lnumber+1][bed cells]
inline int* Btriedges;                    // F 548 above 0
inline double *BTugrad, *BTdischarge, *BTheight;  // F 71 above 0
// Vegetation [bed cells][VegTimes][VegVars+1][VegLevels] and its times [VegTimes+1] (F 115 above 0)
inline double**** Bveg;
inline double* VegTime;

// ---- Fixed sizes ----
inline double *tracerX, *tracerY, *DiamTracer;  // F 424 above 0 [1000]
inline int* BedTracer;                          // F 424 above 0 [1000]
inline double **quorz, **quorxvel, **quoryvel, **quorzvel, **quork, **quoreps;  // F 329 entry 10 = 19 [points][200]
inline double*** quorc;                         // F 329 entry 10 = 19 [points][200][lnumber+1]
inline int NoQuorPoints = 0;                    // points the quor tables hold (makeQuorvel sizes them)

// True when some equation may be solved with the second-order stencil, so
// that the second-neighbour coefficients must exist.
bool secondNeighboursNeeded();
