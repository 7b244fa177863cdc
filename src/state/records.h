// Records shared by the whole engine: grid blocks, block connections,
// discharge groups and surface-release groups.
#pragma once

struct BlockRecord {
  int i1, i2, j1, j2;               // column window: grid lines i1-1..i2, j1-1..j2
  int firstBedCell, lastBedCell;
  int nestLevel;                    // 0 for an ordinary block
  int kind;                         // 0 three-dimensional; 1, 2 appended two-dimensional blocks
  int bedFlag, levelCount, gridLevel, active, field12, subBed, field14, field15, refSearch;
  int firstCell, lastCell, firstSurface, lastSurface, firstPoint, lastPoint;
  double d1, d2;
};

struct BlockConnection {
  int iA, iB, jA, jB;
  int spare1, spare2;
};

constexpr int MaxGroupPoints = 5000;
constexpr int MaxGroupFaces = 1000000;
constexpr int MaxGroupBedCells = 9999;

struct DischargeGroup {
  int inflow;        // 1 inflow, 0 outflow
  int update;        // 0 fixed value, 1 zero gradient
  int component;
  int lowLevel, topLevel;
  int surfno, xyno;
  double discharge;  // l/s
  double value;
  double kinen, epsilon, area;
  double x[MaxGroupPoints], y[MaxGroupPoints];
  int face[MaxGroupFaces];
  int faceLevel[MaxGroupFaces];
  int noBedCells;
  int bedCell[MaxGroupBedCells];
};

struct SurfDischargeGroup {
  int component;
  int cells;         // at most 100
  double amount;
  int cell[100];
};

inline BlockRecord block[100];
inline BlockConnection conn[200];
inline DischargeGroup DischargeStruct[10];
inline SurfDischargeGroup SurfDischargeStruct[10];

// Print points of the time-series log `timeo`, one record per O record of
// `timei` (records 0..TimePrintNo-1).
struct TimePrintEntry {
  double time;       // s
  int n;             // entries 0..25
  char letter[25];
  int number[25];
  int i[25], j[25], k[25];
  int size[25];      // grain size of a 'c' entry, component of a 'q' entry
};
inline TimePrintEntry TimePrint[20];

inline int NoBdatasets = -1;     // B: index of the last record, -1 none
inline int Bdatasets[20][5];       // B: value, i1, i2, j1, j2 per record

// Record defaults: every block field 0 but field12 (1); the discharge groups
// inflow 1, lowLevel 1, topLevel 151, everything else 0.
void setRecordsInitial();
