// The restart files of the sediment and water-quality state: concentrations
// per cell and size (`con2res`), water-quality components per cell
// (`compres`) and the bed layers per grid column (`fracres`).
//
//   con2res: "cells sizes", then per cell rows 0..lnumber of Cconc ("%e ")
//   compres: per cell the components 0..NoComponents-1 ("%e ")
//   fracres: per column "i j" and the layers (thickness and fractions, " %lf"):
//            layer 1 then 0 (two-layer bed), or every layer from the top down
//            (multi-layer bed); as input also "i j" and the fractions alone
//            (F 443 1).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "grid/geometry.h"
#include "state/outfile.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "state/numbered.h"
#include "state/scanner.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

void status(const char* fmt, const std::string& name) {
  char text[240];
  std::snprintf(text, sizeof text, fmt, name.c_str());
  setMessage(text);
}

// A file that cannot be created: status text and Error line; result 1.
int cannotCreate(const std::string& name) {
  status("cannot open file '%s' ", name);
  logf("Error: can not open file '%s' for writing\n", name.c_str());
  return 1;
}

std::string mpiStem(const char* stem) {
  char text[64];
  std::snprintf(text, sizeof text, "%s.mpi%d", stem, FlagMPI);
  return text;
}

bool twoLayerFracres() { return FlagTSC < 3 || NoBedLayers == 2; }

// Reads up to `count` values per cell into rows of `rows` for cells 1..NoCells
// (and into `old` when given). The end of the file ends the reading early; a
// value that is there but is no number ends the run. The number of cells read
// completely.
int readCellRows(Scanner& s, const char* file, double** rows, double** old, int first, int count) {
  for (int c = 1; c <= NoCells; ++c)
    for (int r = 0; r < count; ++r) {
      s.skipSpace();
      if (s.atEnd()) return c - 1;
      const std::size_t at = s.position();
      double v;
      if (!s.readDouble(v)) unreadableRecord(s, at, file, "a value is not a number");
      rows[first + r][c] = v;
      if (old) old[first + r][c] = v;
    }
  return NoCells;
}

[[noreturn]] void badSum(const Scanner& s, std::size_t at, int i, int j, int layer, double sum) {
  if (layer < 0)
    logf("Error in fracres, i=%d,j=%d, sum of fractions = %lf\n", i, j, sum);
  else
    logf("Error in fracres, i=%d,j=%d, layer %d, sum of fractions = %lf\n", i, j, layer, sum);
  logRecordPlace(s, at, "fracres");
  fatal(-3, nullptr);
}

// One layer of a record: thickness and fractions, stored at bed cell b when
// the grid line has one. The fractions must sum to 1 within 0.001.
void readFracresLayer(Scanner& s, const char* file, std::size_t at, int i, int j, int layer, int b, bool named) {
  double v[51] = {};
  for (int k = 0; k <= lnumber; ++k) {
    const std::size_t vat = s.position();
    if (!s.readDouble(v[k])) unreadableRecord(s, vat, file, "a layer is its thickness and the fractions of the sizes");
  }
  // A layer cannot be thinner than nothing: a negative thickness would take
  // sediment out of a bed that never held it.
  if (v[0] < 0.0) {
    logf("Error in fracres, i=%d,j=%d, layer %d, the thickness %lf is negative\n", i, j, layer, v[0]);
    logRecordPlace(s, at, "fracres");
    fatal(-3, nullptr);
  }
  if (b < 1) return;  // a grid line without a bed cell: nothing to restore
  double sum = 0.0;
  for (int k = 1; k <= lnumber; ++k) sum += v[k];
  if (sum < 0.999 || sum > 1.001) badSum(s, at, i, j, named ? layer : -1, sum);
  for (int k = 0; k <= lnumber; ++k) BSedDistrib[layer][k][b] = v[k];
}

// The fraction-only record: the fractions become those of every layer; with
// F 37 2 the two layers take their thickness from the movable depth.
void readFractionsOnly(Scanner& s, const char* file, std::size_t at, int i, int j, int b, double topThickness,
                       double* totals) {
  double v[51];
  for (int k = 1; k <= lnumber; ++k) {
    const std::size_t vat = s.position();
    if (!s.readDouble(v[k])) unreadableRecord(s, vat, file, "a record is i, j and the fractions of the sizes");
  }
  if (b < 1) return;
  double sum = 0.0;
  for (int k = 1; k <= lnumber; ++k) {
    sum += v[k];
    totals[k] += v[k];
  }
  if (std::fabs(sum - 1.0) > 0.0001) badSum(s, at, i, j, -1, sum);
  for (int k = 1; k <= lnumber; ++k) BSedDistrib[0][k][b] = v[k] / sum;
  for (int l = NoBedLayers - 1; l >= 1; --l)
    for (int k = 1; k <= lnumber; ++k) BSedDistrib[l][k][b] = BSedDistrib[0][k][b];
  if (FlagTSC != 2) return;
  const int gi[4] = {i, i - 1, i, i - 1}, gj[4] = {j, j, j - 1, j - 1};
  double bed = 0.0, fixed = 0.0;
  for (int e = 0; e < 4; ++e) {
    bed += zval[gi[e]][gj[e]][1];
    fixed += Surfaces[3][gi[e]][gj[e]];
  }
  const double d = 0.25 * (bed - fixed);
  BSedDistrib[1][0][b] = d > 0.0 ? std::min(d, topThickness) : 0.0;
  BSedDistrib[0][0][b] = d > 0.0 ? std::max(d - topThickness, 0.0) : 0.0;
}

// The bed layers of `fracres`: 0, 2 without the file, 88 for a record outside
// the block grid (reported).
int readFracres() {
  const std::string name = FlagMPI != 0 ? mpiStem("fracres") : std::string("fracres");
  Scanner s;
  if (!s.open(name.c_str())) {
    status("cannot open file %s ", name);
    if (FlagTSC >= 1) logf("Warning: have not been able to open the %s file; the bed layers are not restored\n", name.c_str());
    return 2;
  }
  if (NoBCells == 0) BedMake();
  double topThickness = TopThickness;
  if (topThickness <= 0.0) {
    topThickness = 0.0;
    for (int k = 1; k <= lnumber; ++k) topThickness = std::max(topThickness, gsize[k]);
  }
  double totals[51] = {};
  int fractionRecords = 0;
  const long limit = 20L * xnumber * ynumber;
  const int capacity = bedCellCapacity();
  for (long n = 0; n < limit; ++n) {
    s.skipSpace();
    const std::size_t at = s.position();
    int ij[2];
    if (s.readInts(ij, 2) != 2) break;
    const int i = ij[0], j = ij[1];
    if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) {
      logf("Error in fracres file: the record of grid line (%d,%d) lies outside the G 1 sizes (0..%d, 0..%d)\n", i, j,
           xnumber + 1, ynumber + 1);
      logRecordPlace(s, at, name.c_str());
      return 88;
    }
    const int b = pointbed[i][j] >= 1 && pointbed[i][j] < capacity ? pointbed[i][j] : 0;
    if (FlagFracresVersion == 1) {
      readFractionsOnly(s, name.c_str(), at, i, j, b, topThickness, totals);
      ++fractionRecords;
    } else if (twoLayerFracres()) {
      readFracresLayer(s, name.c_str(), at, i, j, 1, b, false);
      readFracresLayer(s, name.c_str(), at, i, j, 0, b, false);
    } else {
      for (int l = NoBedLayers - 1; l >= 0; --l) readFracresLayer(s, name.c_str(), at, i, j, l, b, true);
    }
  }
  s.skipSpace();
  if (!s.atEnd()) unreadableRecord(s, s.position(), name.c_str(), "a record starts with the grid-line indexes i and j");
  FlagReadFracres = 1;
  if (debugging == 'D' && fractionRecords > 0) {
    logf("Computed grain size distribution from fracres file: \n");
    for (int k = 1; k <= lnumber; ++k) logf("%d %lf %lf\n", k, gsize[k], totals[k] / fractionRecords);
  }
  return 0;
}

}  // namespace

int writeConcRes() {
  for (int c = 1; c <= NoCells; ++c) {
    double sum = 0.0;
    for (int l = 1; l <= lnumber; ++l) sum += Cconc[l][c];
    Cconc[0][c] = sum;
  }
  std::string name;
  if (PrintComp != 0)
    name = findFreeFileName(FlagMPI != 0 ? mpiStem("con2res") + "." : std::string("con2res."), 3, "");
  else
    name = FlagMPI != 0 ? mpiStem("con2res") + ".new" : std::string("con2res.new");
  std::FILE* f = openWrite(name.c_str(), "w");
  if (!f) return cannotCreate(name);
  std::fprintf(f, "%d %d\n", NoCells, lnumber);
  for (int c = 1; c <= NoCells; ++c) {
    for (int l = 0; l <= lnumber; ++l) std::fprintf(f, "%e ", Cconc[l][c]);
    std::fprintf(f, "\n");
  }
  closeOutput(f);
  setMessage("have written 'con2res' file ");
  return 0;
}

int writeConqRes() {
  if (NoComponents == 0 || !Ccomp) return -1;
  const std::string name = PrintComp != 0 ? findFreeFileName("compres.", 3, "") : std::string("compres");
  std::FILE* f = openWrite(name.c_str(), "w");
  if (!f) return cannotCreate(name);
  for (int c = 1; c <= NoCells; ++c) {
    for (int q = 0; q < NoComponents; ++q) std::fprintf(f, "%e ", Ccomp[q][c]);
    std::fprintf(f, "\n");
  }
  closeOutput(f);
  setMessage("have written 'compres' file ");
  return 0;
}

void print_fracres() {
  std::string name;
  if (numberedOutput())
    name = findFreeFileName(FlagMPI != 0 ? mpiStem("fracres") + "." : std::string("fracres_"), 5, ".new");
  else
    name = FlagMPI != 0 ? mpiStem("fracres") + ".new" : std::string("fracres.new");
  std::FILE* f = openOutputOrEnd(name);
  const int capacity = bedCellCapacity();
  auto layer = [f](int l, int b) {
    for (int k = 0; k <= lnumber; ++k) std::fprintf(f, " %lf", BSedDistrib[l][k][b]);
  };
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& B = block[n];
    const bool two = twoLayerFracres();
    const int iFrom = std::max(two ? B.i1 : B.i1 - 1, 0), jFrom = std::max(two ? B.j1 : B.j1 - 1, 0);
    for (int i = iFrom; i <= B.i2 && i <= xnumber + 1; ++i)
      for (int j = jFrom; j <= B.j2 && j <= ynumber + 1; ++j) {
        const int b = pointbed[i][j] >= 0 && pointbed[i][j] < capacity ? pointbed[i][j] : 0;
        std::fprintf(f, "%d %d", i, j);
        if (two) {
          layer(1, b);
          layer(0, b);
        } else {
          for (int l = NoBedLayers - 1; l >= 0; --l) layer(l, b);
        }
        std::fprintf(f, "\n");
      }
  }
  closeOutput(f);
}

int writeFracres() {
  print_fracres();
  return 0;
}

int readConRes() {
  if (NoComponents > 0 && Ccomp) {
    Scanner s;
    if (!s.open("compres")) {
      setMessage("could not open 'compres' file ");
    } else {
      const int cells = readCellRows(s, "compres", Ccomp, nullptr, 0, NoComponents);
      if (cells > 0) setMessage("have read 'compres' file ");
      if (cells < NoCells) logf("Warning: the compres file holds the components of %d of %d cells\n", cells, NoCells);
    }
  }
  if (FlagTSC >= 1) {
    const std::string name = FlagMPI != 0 ? mpiStem("con2res") : std::string("con2res");
    Scanner s;
    if (!s.open(name.c_str())) {
      status("have not used file '%s' ", name);
    } else {
      int h[2];
      if (s.readInts(h, 2) != 2) unreadableRecord(s, 0, name.c_str(), "the first line holds the numbers of cells and sizes");
      if (h[0] != NoCells || h[1] != lnumber) {
        logf("Error reading %s file\n", name.c_str());
        logf("con2res: No. cells = %d, no. sizes = %d\n", h[0], h[1]);
        fatal(-1, "Unstruc/control file: No. cells = %d, no. sizes = %d\n", NoCells, lnumber);
      }
      double** old = TimeStep > 1e-8 ? Cconc_old : nullptr;
      const int cells = readCellRows(s, name.c_str(), Cconc, old, 0, lnumber + 1);
      if (cells > 0) status("have read '%s' file ", name);
      if (cells < NoCells)
        logf("Warning: the %s file holds the concentrations of %d of %d cells\n", name.c_str(), cells, NoCells);
    }
  }
  if (FlagUseBedres > 0) return 0;
  return readFracres();
}
