// Options of the G data sets.
#pragma once

inline int xnumber = 300;             // G 1
inline int ynumber = 300;             // G 1
inline int znumber = 11;              // G 1
inline int lnumber = 1;               // G 1, F 79
inline int WorkBlockNo = 0;           // G 25
inline int WorkBlock[100];            // G 25, entries 1..WorkBlockNo
inline double zdistrib[5000];         // G 3, G 30: vertical level table
constexpr int MaxZnumber = 4997;      // the largest znumber that zdistrib holds
inline int kSurf2 = 0;                        // G 62, F 250
inline int FlagOpenMP[40];                    // G 50 (entries 0..9), F 269 (entries 10, 11; default 1)

inline int iblok1 = 0, iblok2 = 0, jblok1 = 0, jblok2 = 0;  // G 2
inline int FlagReadG3 = 0;            // G 3: the level table was given

// G 4, G 5: point source box and its values per size (entries 1..lnumber).
inline int i_pointsource = 0, j_pointsource = 0, k_pointsource = 0;      // G 4, G 5
inline int i2_pointsource = 0, j2_pointsource = 0, k2_pointsource = 0;   // G 5
inline double pointsource[51];        // G 4, G 5

// G 6, G 62: reference of the free surface.
inline int iSurf = 0, jSurf = 0, kSurf = 0;                  // G 6, G 62
inline double RelaxSurface = 0.1, ConvSurface = 0.01;        // G 6, G 62

// G 7: in or out sign of the discharge groups (records 1..IONo).
struct IORecord {
  int n[8];
  double v[4];
};
inline IORecord IO[20];               // G 7
inline int IONo = 0;                  // G 7

inline int SpecEnergy = 0;            // G 9

// G 10, G 11: volume sources (records 1..VolSourceNo, shared by both).
struct VolumeSource {
  int i1, i2, j1, j2, k1, k2;
  double value, value2;
};
inline VolumeSource VolSource[20];    // G 10, G 11
inline int VolSourceNo = 0;           // G 10, G 11

// G 12: sediment sources (records 1..SedSourceNo).
struct SedimentSource {
  int group;            // discharge group 1..9
  double conc[51];      // concentration per size, entries 1..50
};
inline SedimentSource SedSource[20];  // G 12
inline int SedSourceNo = 0;           // G 12

// G 13: outblocked boxes (records 1..OutBlockNo).
struct OutBlockRecord {
  int type;             // 0..4
  int i1, i2, j1, j2, k1, k2;
};
inline OutBlockRecord OutBlock[500];  // G 13
inline int OutBlockNo = 0;            // G 13

// G 14: debugging points (records 1..DebugDumpNo).
struct DebugDumpRecord {
  int type;             // 1..6
  int i, j, k;
};
inline DebugDumpRecord DebugDump[30]; // G 14
inline int DebugDumpNo = 0;           // G 14

// G 18: initial flow values (records 1..UInitNo): entries 1..6 u, v, w, p, k, epsilon.
inline double UInit[20][7];           // G 18
inline int UInitNo = 0;               // G 18

// G 22: bridges (records 1..BridgeNo).
struct BridgeBox {
  int i1, i2, j1, j2;
  double zlow, zhigh;   // m
  double coefficient;
};
inline BridgeBox Bridge[20];          // G 22
inline int BridgeNo = 0;              // G 22

// G 24: plot variables (records 0..TecStrucNo-1).
struct TecVariable {
  int level;            // cell level or bed layer
  int size;             // grain size or component
  int code;             // after the letter Z: 100..1000; else 0
  char letter;
};
inline TecVariable TecStruc[300];     // G 24
inline int TecStrucNo = 0;            // G 24

inline int FlagSurfaceUpdate = 0;     // G 26: count of SurfUpdate entries
inline int SurfUpdate[100];           // G 26: per block 1 surface updated (entries 1..98 default 1)
inline int divisionMPI[1000];         // G 27: entries 1..FlagMPI (entry 1 default -1)

// G 28: weirs of the semi-implicit surface method (records 0..NoWeirs-1).
struct Weir {
  int i1, i2, j1, j2;
  double crest;         // crest level (m)
  double coefficient, exponent;
};
constexpr int MaxWeirs = 20;
inline Weir Weirs[MaxWeirs];          // G 28
inline int NoWeirs = 0;               // G 28

inline int i1Iff = 0, i2Iff = 0, j1Iff = 0, j2Iff = 0;  // G 29
inline double inflowMult[51];         // G 31: multiplier of the inflow concentration per size

// G 40: initial temperature profile, pairs 1..NoVerttemp of (z, value).
inline double Verttemp[50][2];        // G 40
inline int NoVerttemp = 0;            // G 40

// G 41: initial profiles of water-quality components, profiles 0..NoQI-1,
// each pairs 1..NoVertInit[n] of (z, value).
inline int NoQI = 0;                  // G 41
inline int NoVariable[10];            // G 41: component of each profile
inline int NoVertInit[10];            // G 41
inline double VertQInit[10][50][2];   // G 41

// G 42: pairs 0..NoOGLprofs-1.
constexpr int MaxOGLprofs = 20;
inline int OglProf[MaxOGLprofs][2];   // G 42
inline int NoOGLprofs = 0;            // G 42

// G 51: multiplier of each size's inflow concentration from timei (entries 0..50).
inline double multCinn[51];           // G 51
