// What ReadUnstructure does after the grid file: the level files read beside
// it and the state derived from the grid.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "io/gridfiles.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "state/scanner.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool gridLine(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }

void notUsed(const char* fmt, const char* name) {
  char text[200];
  std::snprintf(text, sizeof text, fmt, name);
  setMessage(text);
}

[[noreturn]] void indexTooLarge(const Scanner& s, std::size_t at, const char* file, int i, int j) {
  logf("Error reading %s file.\nOne of the indexes (%d,%d) in the %s file is larger\n"
       "than the G 1 data set values in the control file\n\n",
       file, i, j, file);
  logRecordPlace(s, at, file);
  fatal(-1, nullptr);
}

void readKoordina() {
  char name[64];
  if (FlagMPI == 0 || FlagMPIkoosurf == 1)
    std::snprintf(name, sizeof name, "koordina");
  else
    std::snprintf(name, sizeof name, "koordina.mpi%d", FlagMPI);
  Scanner s;
  if (!s.open(name)) {
    notUsed("have not used %s file ", name);
    return;
  }
  const long limit = 5L * xnumber * ynumber;
  for (long n = 0; n < limit; ++n) {
    s.skipSpace();
    if (s.atEnd()) break;
    const std::size_t at = s.position();
    int ij[2];
    double v[4];
    const char* six = "six numbers are expected: i, j, x, y, bed level, water level";
    if (s.readInts(ij, 2) != 2 || s.readDoubles(v, 4) != 4) {
      recordFailed(s, at, name, six);
      break;
    }
    endOfRecordLine(s, at, name, six);
    const int i = ij[0], j = ij[1];
    // A line of another grid's extent is passed over, with a word.
    if (!gridLine(i, j)) {
      logf("Warning: the grid line (%d,%d) of the %s file lies outside the grid of G 1; the line is passed over\n", i,
           j, name);
      logRecordPlace(s, at, name);
      continue;
    }
    xval[i][j] = v[0];
    yval[i][j] = v[1];
    zval[i][j][1] = v[2];
    Surfaces[0][i][j] = v[2];
    zval[i][j][znumber] = v[3];
    zval[i][j][znumber + 1] = v[3];
  }
  if (FlagNewGrid == 0) {
    logf("\n\nWarning: if you start a computation with a new water level given in the koordina file,\n");
    logf("you should specify an F 112 1 option in the control file. Otherwise, the metric is not\n");
    logf("correct initially.\n\n\n");
  }
  if (FlagNestTop == 3 || FlagNestTop == 5) interpolateSurfaceNested();
}

void fixedPointsOfParts() {
  if (FlagMPI < 2 || NoBlocks < 1) return;
  const BlockRecord& B = block[1];
  for (int i = B.i1 - 1; i <= B.i1; ++i)
    for (int j = B.j1; j <= B.j2; ++j) {
      bool listed = false;
      for (int k = 1; k <= FastNo && !listed; ++k) listed = iFast[k] == i && jFast[k] == j;
      if (listed) continue;
      if (FastNo + 1 >= 20000)  // iFast, jFast hold 20000 entries
        fatal(-1, "Error, too many W 6 data sets\n");
      ++FastNo;
      iFast[FastNo] = i;
      jFast[FastNo] = j;
    }
}

// The non-erodible level z at grid line (i, j), not above the bed unless F 249.
void setFixedBed(int i, int j, double z, const char* file) {
  if (z > zval[i][j][1]) {
    logf("Warning, %s levels above koordina levels at grid line intersection (%d,%d).\n", file, i, j);
    if (FlagAllowNegatveSedimentthickness == 0) {
      logf("Lowering %s level from %lf m. to %lf m. at this point.\n", file, z, zval[i][j][1]);
      z = zval[i][j][1];
    }
  }
  Surfaces[3][i][j] = z;
  if (FlagThixo > 0) Surfaces[5][i][j] = z + 0.1;
}

int offLine(const char* file, int i, int j, double x, double y) {
  logf("Error in %s file for point (%d,%d)\n", file, i, j);
  logf("X-values: grid: %lf, koomin: %lf\n", xval[i][j], x);
  logf("Y-values: grid: %lf, koomin: %lf\n", yval[i][j], y);
  return -58;
}

// The files of the non-erodible level: i, j, x, y, the level, and for
// koomink one value more. Each line must lie on its grid line (within the
// tolerance; for koomin only while F 399 does not switch the test off). Returns 0,
// -58 for a line off its grid line, or 1 when the file does not exist.
int readFixedBedFile(const char* name, int doubles, bool testPosition, double tolerance) {
  Scanner s;
  if (!s.open(name)) return 1;
  const long limit = 5L * xnumber * ynumber;
  for (long n = 0; n < limit; ++n) {
    s.skipSpace();
    if (s.atEnd()) break;
    const std::size_t at = s.position();
    int ij[2];
    double v[4];
    const char* what = doubles == 3 ? "five numbers are expected: i, j, x, y, level"
                                    : "six numbers are expected: i, j, x, y, level and one more value";
    if (s.readInts(ij, 2) != 2 || s.readDoubles(v, doubles) != doubles) {
      recordFailed(s, at, name, what);
      break;
    }
    endOfRecordLine(s, at, name, what);
    const int i = ij[0], j = ij[1];
    // Every grid line the arrays hold is accepted: the engine's own writer
    // (koomin.bed) goes up to xnumber-1, ynumber-1.
    if (!gridLine(i, j)) indexTooLarge(s, at, name, i, j);
    if (testPosition && (std::fabs(v[0] - xval[i][j]) > tolerance || std::fabs(v[1] - yval[i][j]) > tolerance))
      return offLine(name, i, j, v[0], v[1]);
    setFixedBed(i, j, v[2], name);
  }
  return 0;
}

// A local grid spacing of block 1 near its middle, across the j lines.
double middleSpacing() {
  if (NoBlocks < 1) return 0.0;
  const BlockRecord& B = block[1];
  const int im = (B.i1 - 1 + B.i2) / 2;
  int jm = (B.j1 - 1 + B.j2) / 2;
  if (jm < B.j1) jm = B.j1;
  if (!gridLine(im, jm) || !gridLine(im, jm - 1)) return 0.0;
  return std::hypot(xval[im][jm] - xval[im][jm - 1], yval[im][jm] - yval[im][jm - 1]);
}

void defaultFixedBed() {
  if (FlagMinBedLev == 375 && NoBlocks >= 1) {
    const BlockRecord& B = block[1];
    const double s = 0.2 * std::sqrt(2.0) * middleSpacing();
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j) {
        const int fromEdge = std::min(j - (B.j1 - 1), B.j2 - j);
        const double depth = std::fmin(MaxDepthScour, s * fromEdge);
        Surfaces[3][i][j] = zval[i][j][1] - depth;
      }
  } else {
    for (int i = 1; i <= xnumber; ++i)
      for (int j = 1; j <= ynumber; ++j)
        Surfaces[3][i][j] = FlagMinBedLev == 41   ? zval[i][j][1] - MaxDepthScour
                            : FlagMinBedLev == 42 ? MinLevScour
                                                  : zval[i][j][1] - 10.0;
  }
  if (FlagGroyneArmour == 1)
    for (int i = 1; i <= xnumber; ++i)
      for (int j = 1; j <= ynumber; ++j) {
        const double depth =
            std::fmax(0.0, std::fmin(MaxDepthScour, zval[i][j][znumber] - zval[i][j][1] - GroyneArmour));
        Surfaces[3][i][j] = zval[i][j][1] - depth;
      }
  if (FlagThixo > 0)
    for (int i = 1; i <= xnumber; ++i)
      for (int j = 1; j <= ynumber; ++j) Surfaces[5][i][j] = std::fmax(Surfaces[3][i][j], 0.1);
}

void regenerate() {
  if (NoBlocks >= 1) {
    const BlockRecord& B = block[1];
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j) {
        if (FlagGeoScale) {
          xval[i][j] *= geoScaleX;
          yval[i][j] *= geoScaleY;
        }
        if (FlagNewSurface == 1) zval[i][j][znumber] = zval[i][j][znumber + 1] = level;
      }
  }
  Unstructure();
  // The grid lines of the file make no cell (levels or coordinates that
  // leave no water column): a run on it would compute and write nothing.
  if (NoCells == 0)
    fatal(-4, "Error: the grid generated from the grid lines of the unstruc file has no cells. Check its levels and "
              "coordinates\n");
  metric();
}

// Column and level of the print points of the time-series log.
void printPointColumns() {
  for (int r = 0; r < TimePrintNo && r < 20; ++r) {
    TimePrintEntry& e = TimePrint[r];
    for (int p = 0; p < e.n && p < 25; ++p) {
      int c = e.number[p];
      if (e.letter[p] == 'h' || e.letter[p] == 'z' || c < 1 || c > NoCells) continue;
      int k = 0;
      while (k < 21 && Ccellb[c] >= 1 && Ccellb[c] <= NoCells) {
        c = Ccellb[c];
        ++k;
      }
      e.k[p] = k;
      const int b = Cbed[c];
      if (b >= 1 && b <= NoBCells) {
        e.i[p] = Bkooi[b];
        e.j[p] = Bkooj[b];
      }
    }
  }
}

}  // namespace

int readLevelFiles(double xMin, double xMax, double yMin, double yMax) {
  readKoordina();
  fixedPointsOfParts();

  char koominName[64];
  if (FlagMPI == 0 || FlagMPIkoosurf == 1)
    std::snprintf(koominName, sizeof koominName, "koomin");
  else
    std::snprintf(koominName, sizeof koominName, "koomin.mpi%d", FlagMPI);
  const double tolerance = 1e-5 * std::fmax(xMax - xMin, yMax - yMin);
  int r = readFixedBedFile("koomink", 4, true, tolerance);
  if (r == 1) r = readFixedBedFile(koominName, 3, FlagErrorKoomin == 0, 0.01);
  if (r < 0) return r;
  if (r == 1) {
    notUsed("Have not used %s file", koominName);
    defaultFixedBed();
  }

  if (FlagOpenFOAMsurface == 1) {
    metric();
    OpenFOAM_MakeSurface();
  }
  readBedrough();
  ArmapMake();
  if (FlagReadUnstruc == 4 || FlagNewGrid == 1) regenerate();
  BedMake();
  printPointColumns();

  if (FlagThixo == 1 && NoBlocks >= 1) block[1].subBed = 1;
  if (FlagThixo == 2 && FlagGridStab1 == 1 && NoBlocks >= 2) block[2].field12 = 0;
  if (NoCells > 100000) graph = 'Z';
  if (FlagTFS2 > 0 && Bdeltah)
    for (int b = 1; b <= NoBCells; ++b) Bdeltah[b] = 0.0;
  if (FlagBedAngles > 0) readBedangle();
  nestlevmax = 0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b)
    if (block[b].nestLevel > nestlevmax) nestlevmax = block[b].nestLevel;
  return 0;
}
