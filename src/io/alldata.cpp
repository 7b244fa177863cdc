// The restart file of the whole model: grid, fields, records, block grid and
// bed layers. Run letter J writes it as the first free "alldata.N", run letter
// B reads it back from `alldata`.
//
// Layout, in file order:
//   header "version cells surfaces blocks connections pairs nested points"
//          (version 4 with the bed-movement statistics of F 404, else 3)
//   "lnumber NoBedLayers time"
//   points: x y z
//   cells: 20 integers (corners 1..8, faces s e n w b t, neighbours s e n w b t),
//          then u v w p k epsilon and the concentrations of rows 0..lnumber
//   surfaces: corners 1..4, cell 1, cell 2
//   blocks (as in the grid file), block connections, surface pairs
//   discharge groups 1..9: header, face list, polyline points
//   surface-release groups 0..9
//   per block and grid line: levels and the bed layers of its bed cell
//     two-layer form: "lowest bed water x y S0 S1 S2 S3 bedcell" + layers 1, 0
//     multi-layer form: "bedcell lowest bed water x y S0 S1 S2 S3" and, for a
//     bed cell above 0, its top layer index and the layers from the top down
//   nested surfaces with their four donors
//   version 4: per block and grid line "i j 1000*bed-movement statistic"
// Reals are written with 17 significant digits, so that a restart starts from
// exactly the state that was written (small values such as epsilon included).
#include "io/alldata.h"
#include "state/outfile.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "flow/stages.h"
#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "io/gridcounts.h"
#include "io/gridfiles.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "state/numbered.h"
#include "state/scanner.h"
#include "sediment/layers.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

constexpr int kMaxBlocks = 99;
constexpr int kMaxConnections = 200;
constexpr int kMaxSurfCells = 100;
const char* const kFile = "alldata";

bool twoLayerForm() { return NoBedLayers == 2; }

inline bool gridLine(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }
inline int bedCellAt(int i, int j) {
  const int b = pointbed[i][j];
  return b >= 0 && b < bedCellCapacity() ? b : 0;
}

// ---- Writing ----

void real(std::FILE* f, double v, const char* after) { std::fprintf(f, "%.17g%s", v, after); }

void writeCells(std::FILE* f, int cells) {
  int* const ints[20] = {Cpoint1, Cpoint2, Cpoint3, Cpoint4, Cpoint5, Cpoint6, Cpoint7,
                         Cpoint8, Cflates, Cflatee, Cflaten, Cflatew, Cflateb, Cflatet,
                         Ccells,  Ccelle,  Ccelln,  Ccellw,  Ccellb,  Ccellt};
  for (int c = 1; c <= cells; ++c) {
    for (int* a : ints) std::fprintf(f, "%d ", a[c]);
    std::fprintf(f, "\n");
    for (const double* a : {Cxvel, Cyvel, Czvel, Cpres, Ckinen, Cepsilon}) real(f, a[c], " ");
    for (int l = 0; l <= lnumber; ++l) real(f, Cconc[l][c], " ");
    std::fprintf(f, "\n");
  }
}

void writeGroups(std::FILE* f) {
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    const int faces = G.surfno < 0 ? 0 : G.surfno > MaxGroupFaces ? MaxGroupFaces : G.surfno;
    const int points = G.xyno < 0 ? 0 : G.xyno > MaxGroupPoints ? MaxGroupPoints : G.xyno;
    std::fprintf(f, "%d %d %d %d %d %d %d ", G.inflow, G.update, G.component, G.lowLevel, G.topLevel, faces, points);
    real(f, G.discharge, " ");
    real(f, G.value, "\n");
    for (int e = 0; e < faces; ++e) std::fprintf(f, "%d ", G.face[e]);
    std::fprintf(f, "\n");
    for (int e = 0; e < points; ++e) {
      real(f, G.x[e], " ");
      real(f, G.y[e], "\n");
    }
  }
  for (int g = 0; g <= 9; ++g) {
    const SurfDischargeGroup& G = SurfDischargeStruct[g];
    const int cells = G.cells < 0 ? 0 : G.cells > kMaxSurfCells ? kMaxSurfCells : G.cells;
    std::fprintf(f, "%d %d ", G.component, cells);
    real(f, G.amount, " ");
    for (int e = 0; e < cells; ++e) std::fprintf(f, "%d ", G.cell[e]);
    std::fprintf(f, "\n");
  }
}

void writeLayer(std::FILE* f, int layer, int b, const char* before, const char* after) {
  for (int k = 0; k <= lnumber; ++k) {
    std::fprintf(f, "%s", before);
    real(f, BSedDistrib[layer][k][b], after);
  }
}

// The grid lines i1-1..i2, j1-1..j2 of block n that lie in the block grid.
template <class Visit>
void forGridLines(int n, Visit visit) {
  const BlockRecord& B = block[n];
  for (int i = B.i1 - 1 < 0 ? 0 : B.i1 - 1; i <= B.i2 && i <= xnumber + 1; ++i)
    for (int j = B.j1 - 1 < 0 ? 0 : B.j1 - 1; j <= B.j2 && j <= ynumber + 1; ++j) visit(i, j);
}

void writeBed(std::FILE* f, int blocks) {
  for (int n = 1; n <= blocks && n <= kMaxBlocks; ++n)
    forGridLines(n, [f](int i, int j) {
      const int lowest = static_cast<int>(zval[i][j][0]);
      const int b = bedCellAt(i, j);
      if (twoLayerForm()) {
        std::fprintf(f, "%d ", lowest);
      } else {
        std::fprintf(f, "%d %d ", b, lowest);
      }
      for (double v : {zval[i][j][1], zval[i][j][znumber], xval[i][j], yval[i][j]}) real(f, v, " ");
      for (int s = 0; s <= 3; ++s) real(f, Surfaces[s][i][j], " ");
      if (twoLayerForm()) {
        std::fprintf(f, "%d \n", b);
        writeLayer(f, 1, b, " ", "");
        writeLayer(f, 0, b, " ", "");
        std::fprintf(f, "\n");
      } else if (b > 0) {
        const int top = BlayerTop[b] < 0 ? 0 : BlayerTop[b] > NoBedLayers - 1 ? NoBedLayers - 1 : BlayerTop[b];
        std::fprintf(f, "%d\n", top);
        for (int l = top; l >= 0; --l) {
          writeLayer(f, l, b, "", " ");
          std::fprintf(f, "\n");
        }
      }
    });
}

void writeNested(std::FILE* f) {
  if (!Ninoutwall) return;
  for (int n = 1; n <= NoNestflater && n < MaxNester; ++n) {
    std::fprintf(f, "%d %d %d %d ", Ninoutwall[n], Npflate[n], Npcelle[n], Npblock[n]);
    real(f, Nflux[n], "\n");
    for (int m = 0; m < 4; ++m) {
      std::fprintf(f, "%d ", Ncell[n][m]);
      real(f, Nweight[n][m], " ");
      real(f, Nvect[n][m][0], " ");
      real(f, Nvect[n][m][1], " ");
      real(f, Nvect[n][m][2], "\n");
    }
  }
}

// ---- Reading ----

// A file that does not fit the grid or its own counts ends here (status 2).
[[noreturn]] void refuse(const Scanner& s, std::size_t at, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
[[noreturn]] void refuse(const Scanner& s, std::size_t at, const char* fmt, ...) {
  char text[300];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(text, sizeof text, fmt, ap);
  va_end(ap);
  setMessage(" Error reading alldata file");
  logf("Error in reading 'alldata' file: %s\n", text);
  logRecordPlace(s, at, kFile);
  fatal(2, nullptr);
}

// Where the next record starts, for the place of a fault.
std::size_t start(Scanner& s) {
  s.skipSpace();
  return s.position();
}

void readInts(Scanner& s, int* v, int n, const char* what) {
  const std::size_t at = start(s);
  if (s.readInts(v, n) != n) unreadableRecord(s, at, kFile, what);
}
void readReals(Scanner& s, double* v, int n, const char* what) {
  const std::size_t at = start(s);
  if (s.readDoubles(v, n) != n) unreadableRecord(s, at, kFile, what);
}
void checkIndex(const Scanner& s, std::size_t at, int v, int hi, const char* what, int record) {
  if (!inRange(v, 0, hi)) refuse(s, at, "%s %d refers to number %d outside 0..%d", what, record, v, hi);
}

void readHeaderAndSizes(Scanner& s, int& version) {
  int h[8];
  readInts(s, h, 8, "the header holds eight integers");
  version = h[0];
  NoCells = h[1], NoSurfaces = h[2], NoBlocks = h[3], NoConnect = h[4], NoConnFlate = h[5], NoNestflater = h[6];
  NoPoints = h[7];
  if (version == 4 && FlagMorphStatistics == 0)
    fatal(-55, "Error, it is necessary to use F 404 with this alldata file\n\n");
  if (version != 3 && version != 4) refuse(s, 0, "version %d is not a version of this file (3 or 4)", version);
  if (NoCells < 0 || NoSurfaces < 0 || NoBlocks < 0 || NoConnect < 0 || NoConnFlate < 0 || NoNestflater < 0 ||
      NoPoints < 0)
    refuse(s, 0, "the header holds a negative count");
  // The arrays hold elements 1..size-1.
  if (NoPoints >= MaxPunkter || NoCells >= MaxCeller || NoSurfaces >= MaxFlater || NoConnFlate >= MaxConnFlate ||
      (NoNestflater > 0 && NoNestflater >= MaxNester)) {
    setMessage(" Error reading alldata file - arrays ");
    fatal(-5,
          "Error reading the alldata file: the allocated arrays are smaller than the \n"
          "data in the file. Increase the values on the F 65 data set in the control\n"
          "file and try again\n\n");
  }
  if (NoBlocks > kMaxBlocks) refuse(s, 0, "%d blocks, at most %d fit", NoBlocks, kMaxBlocks);
  if (NoConnect > kMaxConnections) refuse(s, 0, "%d block connections, at most %d fit", NoConnect, kMaxConnections);
  NoBlocks0 = NoBlocks, NoCells0 = NoCells, NoSurfaces0 = NoSurfaces, NoConnect0 = NoConnect;
  NoConnFlate0 = NoConnFlate;

  int sizes[2];
  readInts(s, sizes, 2, "the second line holds the number of sizes, of bed layers and the time");
  readReals(s, &stimet, 1, "the second line holds the number of sizes, of bed layers and the time");
  if (sizes[0] != lnumber || sizes[1] != NoBedLayers) {
    logf("Error in reading alldata file\n");
    logf("The number of sediment sizes in allfile is %d. The number in the control file is %d.\n", sizes[0], lnumber);
    fatal(-5, "The number of bed layers in allfile is %d. The number in the control file is %d.\n", sizes[1],
          NoBedLayers);
  }
}

void readGrid(Scanner& s) {
  for (int p = 1; p <= NoPoints; ++p) {
    double v[3];
    readReals(s, v, 3, "a point is x, y and z");
    Px[p] = v[0], Py[p] = v[1], Pz[p] = v[2];
  }
  int* const ints[20] = {Cpoint1, Cpoint2, Cpoint3, Cpoint4, Cpoint5, Cpoint6, Cpoint7,
                         Cpoint8, Cflates, Cflatee, Cflaten, Cflatew, Cflateb, Cflatet,
                         Ccells,  Ccelle,  Ccelln,  Ccellw,  Ccellb,  Ccellt};
  double* const fields[6] = {Cxvel, Cyvel, Czvel, Cpres, Ckinen, Cepsilon};
  for (int c = 1; c <= NoCells; ++c) {
    const std::size_t at = start(s);
    int v[20];
    readInts(s, v, 20, "a cell is 20 integers: corners, faces and neighbours");
    for (int k = 0; k < 20; ++k)
      checkIndex(s, at, v[k], k < 8 ? NoPoints : k < 14 ? NoSurfaces : NoCells, "cell", c);
    for (int k = 0; k < 20; ++k) ints[k][c] = v[k];
    double f[6];
    readReals(s, f, 6, "the fields of a cell are u, v, w, p, k and epsilon and the concentrations");
    for (int k = 0; k < 6; ++k) fields[k][c] = f[k];
    for (int l = 0; l <= lnumber; ++l)
      readReals(s, &Cconc[l][c], 1, "the fields of a cell are u, v, w, p, k and epsilon and the concentrations");
  }
  int* const faceInts[6] = {Fpoint1, Fpoint2, Fpoint3, Fpoint4, Fcell1, Fcell2};
  for (int n = 1; n <= NoSurfaces; ++n) {
    const std::size_t at = start(s);
    int v[6];
    readInts(s, v, 6, "a surface is four corners and two cells");
    for (int k = 0; k < 6; ++k) checkIndex(s, at, v[k], k < 4 ? NoPoints : NoCells, "surface", n);
    for (int k = 0; k < 6; ++k) faceInts[k][n] = v[k];
  }
}

void readBlocks(Scanner& s) {
  for (int n = 1; n <= NoBlocks; ++n) {
    const std::size_t at = start(s);
    int v[17];
    double d[2];
    readInts(s, v, 17, "a block is 17 integers and two reals");
    readReals(s, d, 2, "a block is 17 integers and two reals");
    BlockRecord& B = block[n];
    B.i1 = v[0], B.i2 = v[1], B.j1 = v[2], B.j2 = v[3], B.nestLevel = v[4], B.bedFlag = v[5], B.levelCount = v[6];
    B.field14 = v[7], B.field15 = v[8], B.refSearch = v[9], B.firstCell = v[10], B.lastCell = v[11];
    B.firstSurface = v[12], B.lastSurface = v[13], B.firstPoint = v[14], B.lastPoint = v[15], B.kind = v[16];
    B.d1 = d[0], B.d2 = d[1];
    // Its grid lines i1-1..i2, j1-1..j2 must lie in the block grid; its
    // ranges become work ranges of the solvers.
    if (B.i1 < 1 || B.j1 < 1 || B.i2 >= xnumber || B.j2 >= ynumber)
      refuse(s, at, "block %d spans the columns %d..%d, %d..%d, outside the G 1 sizes (%d, %d)", n, B.i1, B.i2, B.j1,
             B.j2, xnumber, ynumber);
    if (!inRange(B.firstCell, 0, NoCells) || !inRange(B.lastCell, 0, NoCells) ||
        !inRange(B.firstSurface, 0, NoSurfaces) || !inRange(B.lastSurface, 0, NoSurfaces) ||
        !inRange(B.firstPoint, 0, NoPoints) || !inRange(B.lastPoint, 0, NoPoints))
      refuse(s, at, "block %d has cells, surfaces or points outside the grid", n);
  }
  if (block[1].i2 < 2 || block[1].j2 < 2 || NoBlocks < 1) {
    setMessage(" Error reading alldata file");
    fatal(2, "Error reading alldata file. Block 1 not properly defined: %d %d %d %d\n\n", block[1].i1, block[1].i2,
          block[1].j1, block[1].j2);
  }
  for (int k = 0; k < NoConnect; ++k) {
    int v[4];
    readInts(s, v, 4, "a block connection is four integers");
    conn[k].iA = v[0], conn[k].iB = v[1], conn[k].jA = v[2], conn[k].jB = v[3];
  }
  for (int p = 1; p <= NoConnFlate; ++p) {
    const std::size_t at = start(s);
    int v[2];
    readInts(s, v, 2, "a surface pair is two surfaces");
    checkIndex(s, at, v[0], NoSurfaces, "surface pair", p);
    checkIndex(s, at, v[1], NoSurfaces, "surface pair", p);
    connFlate[p][0] = v[0], connFlate[p][1] = v[1];
  }
}

void readGroups(Scanner& s) {
  for (int g = 1; g <= 9; ++g) {
    DischargeGroup& G = DischargeStruct[g];
    const std::size_t at = start(s);
    int v[7];
    double d[2];
    readInts(s, v, 7, "a discharge group starts with seven integers and two reals");
    readReals(s, d, 2, "a discharge group starts with seven integers and two reals");
    if (!inRange(v[5], 0, MaxGroupFaces))
      refuse(s, at, "discharge group %d lists %d surfaces, at most %d fit", g, v[5], MaxGroupFaces);
    if (!inRange(v[6], 0, MaxGroupPoints))
      refuse(s, at, "discharge group %d lists %d polyline points, at most %d fit", g, v[6], MaxGroupPoints);
    G.inflow = v[0], G.update = v[1], G.component = v[2], G.lowLevel = v[3], G.topLevel = v[4], G.surfno = v[5];
    G.xyno = v[6], G.discharge = d[0], G.value = d[1];
    for (int e = 0; e < G.surfno; ++e) {
      const std::size_t fat = start(s);
      int f;
      if (!s.readInt(f)) unreadableRecord(s, fat, kFile, "the face list of a discharge group is shorter than its count");
      checkIndex(s, fat, f, NoSurfaces, "discharge group", g);
      G.face[e] = f;
    }
    for (int e = 0; e < G.xyno; ++e) {
      double xy[2];
      readReals(s, xy, 2, "a polyline point of a discharge group is x and y");
      G.x[e] = xy[0], G.y[e] = xy[1];
    }
  }
  for (int g = 0; g <= 9; ++g) {
    SurfDischargeGroup& G = SurfDischargeStruct[g];
    const std::size_t at = start(s);
    int v[2];
    double amount;
    readInts(s, v, 2, "a surface-release group is its component, its number of cells and its amount");
    readReals(s, &amount, 1, "a surface-release group is its component, its number of cells and its amount");
    if (!inRange(v[1], 0, kMaxSurfCells))
      refuse(s, at, "surface-release group %d lists %d cells, at most %d fit", g, v[1], kMaxSurfCells);
    G.component = v[0], G.cells = v[1], G.amount = amount;
    for (int e = 0; e < G.cells; ++e) {
      const std::size_t cat = start(s);
      int c;
      readInts(s, &c, 1, "the cells of a surface-release group");
      checkIndex(s, cat, c, NoCells, "surface-release group", g);
      G.cell[e] = c;
    }
  }
}

// Fractions of a layer that do not sum to 1 are divided by their sum; a layer
// of (almost) no thickness, or one without any fraction, gets equal parts.
void normaliseLayer(int layer, int b) {
  double sum = 0.0;
  for (int k = 1; k <= lnumber; ++k) sum += BSedDistrib[layer][k][b];
  if (std::fabs(sum - 1.0) <= 1e-10) return;
  const bool thick = BSedDistrib[layer][0][b] > 1e-20;
  for (int k = 1; k <= lnumber; ++k)
    BSedDistrib[layer][k][b] = thick && sum > 0.0 ? BSedDistrib[layer][k][b] / sum : 1.0 / lnumber;
}

// The values of one layer: stored at bed cell b, or passed over when the grid
// line has no bed cell (element 0 of the bed arrays belongs to nothing).
void readLayer(Scanner& s, int layer, int b) {
  for (int k = 0; k <= lnumber; ++k) {
    double v;
    readReals(s, &v, 1, "a bed layer is its thickness and the fractions of the sizes");
    if (b > 0) BSedDistrib[layer][k][b] = v;
  }
  if (b > 0) normaliseLayer(layer, b);
}

void readBed(Scanner& s) {
  const int capacity = bedCellCapacity();
  for (int n = 1; n <= NoBlocks; ++n)
    forGridLines(n, [&s, capacity](int i, int j) {
      const std::size_t at = start(s);
      int lowest = 0, b = 0;
      double v[4];
      if (twoLayerForm()) {
        readInts(s, &lowest, 1, "a grid line starts with its lowest cell, bed and water level, x and y");
        readReals(s, v, 4, "a grid line starts with its lowest cell, bed and water level, x and y");
      } else {
        int ib[2];
        if (s.readInts(ib, 2) != 2 || s.readDoubles(v, 4) != 4) {
          logf("Error reading 'alldata' file with more than two layers. The file must be made with version 353 or "
               "later\n\n");
          logRecordPlace(s, at, kFile);
          fatal(-99, nullptr);
        }
        b = ib[0], lowest = ib[1];
      }
      double lev[4];
      readReals(s, lev, 4, "the levels 0..3 of a grid line");
      if (twoLayerForm()) readInts(s, &b, 1, "the bed cell of a grid line");
      checkIndex(s, at, lowest, NoCells, "the lowest cell of grid line", i);
      if (!inRange(b, 0, capacity - 1))
        refuse(s, at, "grid line (%d,%d) refers to bed cell %d outside 0..%d", i, j, b, capacity - 1);
      zval[i][j][0] = lowest;
      zval[i][j][1] = v[0];
      zval[i][j][znumber] = v[1];
      xval[i][j] = v[2];
      yval[i][j] = v[3];
      for (int k = 0; k <= 3; ++k) Surfaces[k][i][j] = lev[k];
      if (FlagSetZeroBedmove == 1) Surfaces[1][i][j] = 0.0;
      if (FlagSetLimBedOri == 1) Surfaces[3][i][j] = Surfaces[0][i][j];

      if (twoLayerForm() || b > 0) {
        if (lowest > 0) Cbed[lowest] = b;
        pointbed[i][j] = b;
        if (b > 0 && Bkooi) {
          Bkooi[b] = i;
          Bkooj[b] = j;
        }
      }
      if (twoLayerForm()) {
        readLayer(s, 1, b);
        readLayer(s, 0, b);
      } else if (b > 0) {
        const std::size_t tat = start(s);
        int top;
        readInts(s, &top, 1, "the top layer index of a bed cell");
        if (!inRange(top, 0, NoBedLayers - 1))
          refuse(s, tat, "bed cell %d has the top layer %d outside 0..%d", b, top, NoBedLayers - 1);
        BlayerTop[b] = top;
        for (int l = top; l >= 0; --l) readLayer(s, l, b);
        removeZerolayers(b);
      }
    });
}

void readNested(Scanner& s) {
  if (NoNestflater > 0 && !Ninoutwall) refuse(s, s.position(), "the file holds nested surfaces, F 65 none");
  for (int n = 1; n <= NoNestflater; ++n) {
    const std::size_t at = start(s);
    int v[4];
    double flux;
    readInts(s, v, 4, "a nested surface is four integers and its flux");
    readReals(s, &flux, 1, "a nested surface is four integers and its flux");
    checkIndex(s, at, v[1], NoSurfaces, "nested surface", n);
    checkIndex(s, at, v[2], NoCells, "nested surface", n);
    checkIndex(s, at, v[3], NoBlocks, "nested surface", n);
    Ninoutwall[n] = v[0], Npflate[n] = v[1], Npcelle[n] = v[2], Npblock[n] = v[3], Nflux[n] = flux;
    for (int m = 0; m < 4; ++m) {
      const std::size_t dat = start(s);
      int c;
      double w[4];
      readInts(s, &c, 1, "a donor of a nested surface is its cell, its weight and a vector");
      readReals(s, w, 4, "a donor of a nested surface is its cell, its weight and a vector");
      checkIndex(s, dat, c, NoCells, "nested surface", n);
      Ncell[n][m] = c;
      Nweight[n][m] = w[0];
      Nvect[n][m][0] = w[1], Nvect[n][m][1] = w[2], Nvect[n][m][2] = w[3];
    }
  }
}

void readBedStatistics(Scanner& s) {
  for (int n = 1; n <= NoBlocks; ++n)
    forGridLines(n, [&s](int, int) {
      const std::size_t at = start(s);
      int ij[2];
      double v;
      readInts(s, ij, 2, "a bed-movement line is i, j and the statistic");
      readReals(s, &v, 1, "a bed-movement line is i, j and the statistic");
      if (!gridLine(ij[0], ij[1]))
        refuse(s, at, "the bed-movement line of grid line (%d,%d) lies outside the G 1 sizes", ij[0], ij[1]);
      Surfaces[5][ij[0]][ij[1]] = v / 1000.0;
    });
}

}  // namespace

std::string writeAllDataFile() {
  const std::string name = findFreeFileName("alldata.", 1, "");
  std::FILE* f = openWrite(name.c_str(), "w");
  if (!f) return std::string();
  const GridCounts g = gridCounts3D();
  const int version = FlagMorphStatistics == 1 ? 4 : 3;
  std::fprintf(f, "%d %d %d %d %d %d %d %d\n", version, g.cells, g.surfaces, g.blocks, g.connect, g.connFlate,
               NoNestflater, g.points);
  std::fprintf(f, "%d %d ", lnumber, NoBedLayers);
  real(f, stimet, "\n");
  for (int p = 1; p <= g.points; ++p) {
    real(f, Px[p], " ");
    real(f, Py[p], " ");
    real(f, Pz[p], "\n");
  }
  writeCells(f, g.cells);
  for (int n = 1; n <= g.surfaces; ++n)
    std::fprintf(f, "%d %d %d %d %d %d \n", Fpoint1[n], Fpoint2[n], Fpoint3[n], Fpoint4[n], Fcell1[n], Fcell2[n]);
  for (int n = 1; n <= g.blocks && n <= kMaxBlocks; ++n) {
    const BlockRecord& B = block[n];
    std::fprintf(f, "%d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d ", B.i1, B.i2, B.j1, B.j2, B.nestLevel,
                 B.bedFlag, B.levelCount, B.field14, B.field15, B.refSearch, B.firstCell, B.lastCell, B.firstSurface,
                 B.lastSurface, B.firstPoint, B.lastPoint, B.kind);
    real(f, B.d1, " ");
    real(f, B.d2, "\n");
  }
  for (int k = 0; k < g.connect && k < kMaxConnections; ++k)
    std::fprintf(f, "%d %d %d %d\n", conn[k].iA, conn[k].iB, conn[k].jA, conn[k].jB);
  for (int p = 1; p <= g.connFlate; ++p) std::fprintf(f, "%d %d\n", connFlate[p][0], connFlate[p][1]);
  writeGroups(f);
  writeBed(f, g.blocks);
  writeNested(f);
  if (version == 4)
    for (int n = 1; n <= g.blocks && n <= kMaxBlocks; ++n)
      forGridLines(n, [f](int i, int j) {
        std::fprintf(f, "%d %d ", i, j);
        real(f, 1000.0 * Surfaces[5][i][j], "\n");
      });
  if (!closeWrite(f)) return std::string();
  return name;
}

void WriteAllData() {
  const std::string name = writeAllDataFile();
  if (name.empty()) {
    setMessage("cannot open file 'alldata' ");
    fatal(2, "Error: can not write the restart file '%s'\n", findFreeFileName("alldata.", 1, "").c_str());
  }
}

void ReadAllData() {
  Scanner s;
  if (!s.open(kFile)) {
    setMessage(" Error reading alldata file");
    fatal(2, "Error, have not been able to open alldata file\n");
  }
  int version = 3;
  readHeaderAndSizes(s, version);
  readGrid(s);
  readBlocks(s);
  readGroups(s);
  readBed(s);
  readNested(s);
  if (version == 4) readBedStatistics(s);

  groupBedCellLists();
  for (int g = 1; g <= 9; ++g) {
    if (discharges[g] > 0.0) DischargeStruct[g].discharge = discharges[g] * 1000.0;
    if (updates[g] >= 0) DischargeStruct[g].update = updates[g];
  }

  FlagReadAlldata = 1;
  // A new grid: its geometry is computed afresh (grid-changed protocol).
  FlagHaveDoneMetric = 0;
  if (FlagNewGrid == 2) Unstructure();
  metric();
  // The face lists read belong to this grid unless it was generated again.
  if (FlagNewGrid != 2) groupFacesRead();
  ArmapMake();
  SetiPresjPres();
  readBedrough();
  if (FlagBedAngles > 0) readBedangle();
  BedMake();
  if (NoBlocks >= 1) waterflow(block[1].firstSurface < 1 ? 1 : block[1].firstSurface, block[1].lastSurface);
  FlagInitialized = 1;
  FlagInitialFinished = 1;
  setMessage(" Have read alldata file");
}
