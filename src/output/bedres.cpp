// The bed restart file: block-grid levels per grid line and the bed values
// per bed cell, written by the dispatcher and read back by run letter R.
//
// Layout:
//   title line (kBedresTitle, with Iter)
//   "K xnumber ynumber znumber lnumber NoBCells MaxDepth NoCells"
//   per ordinary block (grid level 0, kind 0), i = i1-1..i2, j = j1-1..j2:
//     "i j lowest-cell bed-level water-level non-erodible-level bed-movement"
//   per bed cell b = 1..NoBCells:
//     "b Bcellt Broughness Croughness Bedformheight " then the layers, top
//     layer first, each thickness and the fractions of sizes 1..lnumber.
// Reals are fixed-point fields: the bed and water levels with 14 decimals in
// 20 characters, every other real with six decimals.
#include <cstdio>
#include <cstring>
#include <string>

#include "grid/generate.h"
#include "state/outfile.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "state/numbered.h"
#include "state/scanner.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// The blocks whose grid lines the file holds, for writer and reader alike.
bool ordinaryBlock(const BlockRecord& b) { return b.gridLevel == 0 && b.kind == 0; }

bool multiLayerForm() { return BlayerTop != nullptr && NoBedLayers > 2 && FlagTSC == 3; }

// The layers of a bed-cell record, top first.
int layerList(char letter, int* layers) {
  int n = 0;
  if (multiLayerForm()) {
    for (int l = NoBedLayers - 1; l >= 0; --l) layers[n++] = l;
  } else {
    layers[n++] = 1;
    if (letter != 'H') layers[n++] = 0;
  }
  return n;
}

int lastBedCell() { return NoBCells < bedCellCapacity() ? NoBCells : bedCellCapacity() - 1; }

[[noreturn]] void refuse(const char* fmt, int a = 0, int b = 0, int c = 0, int d = 0) {
  char text[300];
  std::snprintf(text, sizeof text, fmt, a, b, c, d);
  setMessage(" Error reading bedres file");
  fatal(-3, "Error in reading bedres file: %s", text);
}

// A record of the file that does not fit: the reason, then where it stands.
[[noreturn]] void refuseRecord(const Scanner& s, std::size_t at, const char* file, const char* fmt, int a = 0,
                               int b = 0, int c = 0, int d = 0) {
  char text[300];
  std::snprintf(text, sizeof text, fmt, a, b, c, d);
  setMessage(" Error reading bedres file");
  logf("Error in reading bedres file: %s", text);
  logRecordPlace(s, at, file);
  fatal(-3, nullptr);
}

}  // namespace

bool bedresWanted() {
  return PrintArrayFlags[1] > 0 && NoBCells > 0 && Bcellt && Broughness && Bedformheight && BSedDistrib;
}

std::string writeBedres() {
  std::string name;
  char stem[64];
  if (numberedOutput()) {
    if (FlagMPI > 0)
      std::snprintf(stem, sizeof stem, "bedres.mpi%d.", FlagMPI);
    else
      std::snprintf(stem, sizeof stem, "bedres.");
    name = findFreeFileName(stem, 4, "");
  } else {
    if (FlagMPI > 0)
      std::snprintf(stem, sizeof stem, "bedres.mpi%d.t", FlagMPI);
    else
      std::snprintf(stem, sizeof stem, "bedres.t");
    name = stem;
  }
  std::FILE* f = openOutputOrEnd(name);
  std::fprintf(f, kBedresTitle, Iter);
  std::fprintf(f, "K %d %d %d %d %d %22.17lf %d\n", xnumber, ynumber, znumber, lnumber, NoBCells, MaxDepth, NoCells);
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& b = block[n];
    if (!ordinaryBlock(b)) continue;
    for (int i = b.i1 - 1; i <= b.i2; ++i)
      for (int j = b.j1 - 1; j <= b.j2; ++j) {
        if (i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1) continue;
        std::fprintf(f, "%d %d %6.1lf %20.14lf %20.14lf %lf %lf\n", i, j, zval[i][j][0], zval[i][j][1],
                     zval[i][j][znumber], Surfaces[3][i][j], Surfaces[1][i][j]);
      }
  }
  int layers[5001];
  const int nl = layerList('K', layers);
  for (int b = 1; b <= lastBedCell(); ++b) {
    int c = Bcellt[b];
    double cr = (c >= 0 && c <= NoCells) ? Croughness[c] : 0.0;
    std::fprintf(f, "%d %d %lf %lf %lf ", b, c, Broughness[b], cr, Bedformheight[b]);
    for (int n = 0; n < nl; ++n)
      for (int k = 0; k <= lnumber; ++k) std::fprintf(f, "%lf ", BSedDistrib[layers[n]][k][b]);
    std::fprintf(f, "\n");
  }
  closeOutput(f);
  return name;
}

void regenerateGrid() {
  Unstructure();
  metric();
  BedMake();
}

bool readBedres(void (*regenerate)()) {
  char name[64];
  if (FlagMPI > 0)
    std::snprintf(name, sizeof name, "bedres.mpi%d", FlagMPI);
  else
    std::snprintf(name, sizeof name, "bedres");
  Scanner s;
  if (!s.open(name)) {
    logf("Have not used 'bedres' file\n");
    return false;
  }
  // The title: this engine's own, or the shorter form of earlier files.
  std::string first = s.readLine();
  const char* prefix = "Results from TOVAK 2";
  if (first.compare(0, std::strlen(prefix), prefix) != 0 || first.find(", iter = ") == std::string::npos)
    refuse("the first line is not the title of a bedres file\n");

  char letter = 0;
  int sizes[5] = {0, 0, 0, 0, 0};
  double depth = 0;
  int cells = 0;
  s.skipSpace();
  if (const std::size_t at = s.position();
      !s.readChar(letter) || s.readInts(sizes, 5) != 5 || !s.readDouble(depth) || s.readInts(&cells, 1) != 1)
    refuseRecord(s, at, name, "the second line does not hold a letter, five integers, the depth and the cell count\n");
  const int want[4] = {xnumber, ynumber, znumber, lnumber};
  if (sizes[0] != want[0] || sizes[1] != want[1] || sizes[2] != want[2] || sizes[3] != want[3]) {
    logf("Error in reading bedres file: array size is not correct\n");
    if (sizes[0] != want[0])
      logf("Number of bedres grid lines in i direction is %d, and in control file %d.\n", sizes[0], want[0]);
    if (sizes[1] != want[1])
      logf("Number of bedres grid lines in j direction is %d, and in control file %d.\n", sizes[1], want[1]);
    if (sizes[2] != want[2])
      logf("Number of bedres grid lines in k direction is %d, and in control file %d.\n", sizes[2], want[2]);
    if (sizes[3] != want[3]) logf("Number of bedres sediment sizes is %d, and in control file %d.\n", sizes[3], want[3]);
    fatal(-3, nullptr);
  }
  MaxDepth = depth;

  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& b = block[n];
    if (!ordinaryBlock(b)) continue;
    if (b.i1 < 1 || b.i2 > xnumber + 1 || b.j1 < 1 || b.j2 > ynumber + 1)
      refuse("block %d lies outside the block grid\n", n);
    for (int i = b.i1 - 1; i <= b.i2; ++i)
      for (int j = b.j1 - 1; j <= b.j2; ++j) {
        int ij[2] = {0, 0};
        double v[5];
        s.skipSpace();
        const std::size_t at = s.position();
        if (s.readInts(ij, 2) != 2 || s.readDoubles(v, 5) != 5)
          refuseRecord(s, at, name, "grid line %d %d can not be read\n", i, j);
        if (ij[0] != i || ij[1] != j)
          refuseRecord(s, at, name, "grid line %d %d stands where %d %d was expected\n", ij[0], ij[1], i, j);
        zval[i][j][0] = v[0];
        zval[i][j][1] = v[1];
        zval[i][j][znumber] = v[2];
        Surfaces[3][i][j] = v[3];
        Surfaces[1][i][j] = v[4];
      }
  }

  // The grid of the restored levels; the bed-cell records belong to it.
  regenerate();

  if (NoBCells >= bedCellCapacity()) refuse("%d bed cells do not fit the bed arrays\n", NoBCells);
  int layers[5001];
  const int nl = layerList(letter, layers);
  int otherBottom = 0;
  for (int b = 1; b <= NoBCells; ++b) {
    int head[2] = {0, 0};
    double v[3];
    s.skipSpace();
    const std::size_t at = s.position();
    if (s.readInts(head, 2) != 2 || s.readDoubles(v, 3) != 3) refuseRecord(s, at, name, "bed cell %d can not be read\n", b);
    if (head[0] != b) refuseRecord(s, at, name, "bed cell %d stands where bed cell %d was expected\n", head[0], b);
    // The bottom cell is the grid's own; the file's is only compared.
    if (head[1] != Bcellt[b]) ++otherBottom;
    Broughness[b] = v[0];
    if (Bcellt[b] >= 1 && Bcellt[b] <= NoCells) Croughness[Bcellt[b]] = v[1];
    Bedformheight[b] = v[2];
    for (int n = 0; n < nl; ++n)
      for (int k = 0; k <= lnumber; ++k) {
        double x;
        if (!s.readDouble(x)) refuseRecord(s, at, name, "bed cell %d: layer %d can not be read\n", b, layers[n]);
        BSedDistrib[layers[n]][k][b] = x;
      }
  }
  if (otherBottom > 0)
    logf("Warning: %d bed cells of the bedres file have another bottom cell than the grid\n", otherBottom);
  return true;
}
