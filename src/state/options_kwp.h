// Options of the K, W and P data sets.
#pragma once

// ---- K: solver control ---------------------------------------------------
// The per-equation tables are indexed by the equation number: 1, 2, 3 the
// velocity components, 4 the pressure correction, 5 k, 6 epsilon, 7 the
// sediment concentration, 8 and above the water-quality components.
constexpr int kEquationTableSize = 50;

inline int iterGlobalMax = 40000;     // K 1: outer iterations or time steps
inline int IterSurface = 50000;       // K 1: interval of the water-surface updates
inline int FlagWall = 0;              // K 2 (no effect)
inline int FlagRoof = 1;              // K 2: 1 free surface may move, 0 fixed lid

// Under-relaxation factor per equation (K 3, entries 1..6).
// Defaults: 0.8 for 1..3, 0.2 for 4, 0.5 for 5 and 6, 0 elsewhere.
inline double relax[kEquationTableSize];
// Solver sweeps per equation (K 4, entries 1..6). Defaults: 1, and 5 for 4.
inline int sweeps[kEquationTableSize];
// Block-correction mode per equation (K 5, entries 1..6). Defaults: 0.
inline int blockcorr[kEquationTableSize];
// Convection scheme per equation (K 6 entries 1..6; F 63 sets 7, 8 and 9). Defaults: 0.
inline int sou[kEquationTableSize];

// ---- W: water level, discharge and block-grid records --------------------
inline double ManningInit = 50.0;     // W 1: Manning coefficient (m^(1/3)/s)
inline double discharge = 1.0;        // W 1: discharge (m3/s)
inline double level = 1.0;            // W 1: water level (m); see W1Given

constexpr int kInitArraySize = 300;
inline int initnumber = 0;                 // W 2: count of grid lines (at most 299)
inline int initarray[kInitArraySize];      // W 2: grid lines in entries 1..initnumber

// W 4: wall patches, records 1..MWallNo (at most 29).
struct WallPatch {
  int dir;                 // 1..3: the patch lies in a plane of constant i, j or k
  int posneg;              // -1..1
  int node;                // index of the plane
  int first1, last1;       // first range in the plane: j (dir 1) or i (dir 2, 3)
  int first2, last2;       // second range: k (dir 1, 2) or j (dir 3)
};
constexpr int kMaxWallPatches = 30;
inline WallPatch MWall[kMaxWallPatches];   // W 4
// The grid sizes along a W 4 plane: its node range and its two index ranges
// (dir 1 (i) spans j and k, dir 2 (j) spans i and k, dir 3 (k) spans i and j).
void wallPatchLimits(int dir, int limits[3]);
inline int MWallNo = 0;                    // W 4

// W 6: fixed grid points, entries 1..FastNo (at most 19999); the grid
// reader may append more.
constexpr int MaxFastPoints = 20000;
inline int iFast[MaxFastPoints];         // W 6
inline int jFast[MaxFastPoints];         // W 6
inline int FastNo = 0;                     // W 6

// W 7: attraction records of the grid generator, records 1..AttractNo.
struct AttractRecord {
  int i, j;
  int type;                // 0..3
  double strength, decay;
};
constexpr int kMaxAttractions = 199;       // records filled by W 7 (the table holds 2000)
inline AttractRecord Attract[2000];        // W 7
inline int AttractNo = 0;                  // W 7

// ---- P: printing and plotting --------------------------------------------
inline double xscale = 1.0;           // P 2 (no effect)
inline double yscale = 1.0;           // P 2
inline double zscale = 1.0;           // P 2
inline double movex = 0.0;            // P 2
inline double movey = 0.0;            // P 2
inline int xnode = 2;                 // P 3 (no effect)
inline int ynode = 2;                 // P 3: j index of the plan plots
inline int znode = 2;                 // P 3: level of the plan plots
inline int lnode = 1;                 // P 3: grain size of the plan plots
inline char graph = 'g';              // P 4: letter of the plan-plot variable
inline int OGLindex = 0;              // P 5 (no effect)
inline double OGLmin = 0.0;           // P 6 (no effect)
inline double OGLmax = 0.0;           // P 6
inline int OGLminmax = 0;             // P 6: 1 when given
inline char VerHorPar = 0;            // P 7 (no effect)
inline int FlagGraphAvg = 0;          // P 8 (no effect)
inline int PrintComp = 0;             // P 9: interval of the component result files
inline int PrintRes = 0;              // P 10: interval of the result files; numbered names
inline int PrintSpecials = 0;         // P 11: extra lines in the iteration log

constexpr int kMaxPlotLines = 50;
inline int PlotCrossStart = 0;             // P 12 (no effect)
inline int PlotCrossNo = 0;                // P 12
inline int PlotCross[kMaxPlotLines + 1];   // P 12: entries 1..PlotCrossNo
inline int PlotLongStart = 0;              // P 13 (no effect)
inline int PlotLongNo = 0;                 // P 13
inline int PlotLong[kMaxPlotLines + 1];    // P 13: entries 1..PlotLongNo

inline double TimeTimerPrint = 0.0;   // P 14 (no effect)
inline int PrintResAlways = 0;        // P 15: iteration after which results are written every iteration
inline int PrintIStart = 0;           // P 16 (no effect)
inline int PrintIEnd = 0;             // P 16
inline int PrintJStart = 0;           // P 16
inline int PrintJEnd = 0;             // P 16

// P 17: vertical velocity profiles, records 1..NoVProfiles (at most 999).
struct VelocityBox {
  int i1, i2, j1, j2, istep, jstep;
};
constexpr int kMaxVProfiles = 1000;
inline VelocityBox VProfiles[kMaxVProfiles];  // P 17
inline int NoVProfiles = 0;                   // P 17

// P 18: grid lines of the cross sections written with the interpolated
// results, entries 1..NoCrossPrint (at most 999).
constexpr int kMaxCrossPrint = 1000;
inline int CrossPrint[kMaxCrossPrint];     // P 18
inline int NoCrossPrint = 0;               // P 18
