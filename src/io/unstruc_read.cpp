// The grid file `unstruc` and the level files read beside it (run letter U).
#include <cmath>
#include <cstdarg>
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

constexpr int kMaxBlocks = 99;
constexpr int kMaxConnections = 200;
constexpr int kMaxSurfCells = 100;

char fileName[64];
const Scanner* reading = nullptr;  // the grid file while it is read, for the place of a fault
double xMin, xMax, yMin, yMax;  // extent of the grid lines met in the grid file

void extent(double x, double y) {
  if (x < xMin) xMin = x;
  if (x > xMax) xMax = x;
  if (y < yMin) yMin = y;
  if (y > yMax) yMax = y;
}

// A grid file that does not fit its own counts or the arrays ends here.
void need(bool ok, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void need(bool ok, const char* fmt, ...) {
  if (ok) return;
  logf("Error in reading '%s' file: ", fileName);
  va_list ap;
  va_start(ap, fmt);
  logv(fmt, ap);
  va_end(ap);
  logf("\n");
  if (reading) logRecordPlace(*reading, reading->position(), fileName);
  setMessage(" Error reading unstruc file");
  fatal(-1, nullptr);
}

[[noreturn]] void tooLarge() {
  setMessage(" Error reading unstruc file - arrays ");
  fatal(-5,
        "Error reading the '%s' file: the allocated arrays are smaller than the \n"
        "data in the file. Increase the values on the F 65 data set in the control\n"
        "file and try again\n\n",
        fileName);
}

void readPoints(Scanner& s) {
  for (int p = 1; p <= NoPoints; ++p) {
    double v[3];
    need(s.readDoubles(v, 3) == 3, "have only read %d of %d points", p - 1, NoPoints);
    Px[p] = v[0], Py[p] = v[1], Pz[p] = v[2];
  }
}

void readCells(Scanner& s) {
  int* const targets[20] = {Cpoint1, Cpoint2, Cpoint3, Cpoint4, Cpoint5, Cpoint6, Cpoint7,
                            Cpoint8, Cflates, Cflatee, Cflaten, Cflatew, Cflateb, Cflatet,
                            Ccells,  Ccelle,  Ccelln,  Ccellw,  Ccellb,  Ccellt};
  for (int c = 1; c <= NoCells; ++c) {
    int v[20];
    if (s.readInts(v, 20) != 20) {
      logf("Error in reading unstruc file. Have only read %d cells, while supposed to read %d cells\n", c - 1, NoCells);
      logRecordPlace(s, s.position(), fileName);
      fatal(-1, nullptr);
    }
    for (int k = 0; k < 20; ++k) {
      const int limit = k < 8 ? NoPoints : k < 14 ? NoSurfaces : NoCells;
      need(inRange(v[k], 0, limit), "cell %d refers to number %d outside the grid", c, v[k]);
      targets[k][c] = v[k];
    }
  }
}

void readFaces(Scanner& s) {
  int* const targets[6] = {Fpoint1, Fpoint2, Fpoint3, Fpoint4, Fcell1, Fcell2};
  for (int f = 1; f <= NoSurfaces; ++f) {
    int v[6];
    need(s.readInts(v, 6) == 6, "have only read %d of %d surfaces", f - 1, NoSurfaces);
    for (int k = 0; k < 6; ++k) {
      need(inRange(v[k], 0, k < 4 ? NoPoints : NoCells), "surface %d refers to number %d outside the grid", f, v[k]);
      targets[k][f] = v[k];
    }
  }
}

// Blocks; returns 0, or -54 / -55 for a block outside the G 1 sizes.
int readBlocks(Scanner& s) {
  for (int b = 1; b <= NoBlocks; ++b) {
    BlockRecord& B = block[b];
    int v[17];
    double d[2];
    need(s.readInts(v, 17) == 17 && s.readDoubles(d, 2) == 2, "have only read %d of %d blocks", b - 1, NoBlocks);
    B.i1 = v[0], B.i2 = v[1], B.j1 = v[2], B.j2 = v[3], B.nestLevel = v[4], B.bedFlag = v[5], B.levelCount = v[6];
    B.field14 = v[7], B.field15 = v[8], B.refSearch = v[9], B.firstCell = v[10], B.lastCell = v[11];
    B.firstSurface = v[12], B.lastSurface = v[13], B.firstPoint = v[14], B.lastPoint = v[15], B.kind = v[16];
    B.d1 = d[0], B.d2 = d[1];
    if (B.i2 > 2) B.active = 1;
    if (B.j2 >= ynumber) return -54;
    if (B.i2 >= xnumber) return -55;
    // Grid lines i1-1 and j1-1 must exist; the cell, face and point ranges
    // become work ranges of the solvers.
    need(B.i1 >= 1 && B.j1 >= 1, "block %d starts at column %d outside the grid", b, B.i1 < 1 ? B.i1 : B.j1);
    need(inRange(B.firstCell, 0, NoCells) && inRange(B.lastCell, 0, NoCells), "block %d has cells outside 0..%d", b,
         NoCells);
    need(inRange(B.firstSurface, 0, NoSurfaces) && inRange(B.lastSurface, 0, NoSurfaces),
         "block %d has surfaces outside 0..%d", b, NoSurfaces);
    need(inRange(B.firstPoint, 0, NoPoints) && inRange(B.lastPoint, 0, NoPoints), "block %d has points outside 0..%d",
         b, NoPoints);
  }
  return 0;
}

void readConnections(Scanner& s) {
  for (int k = 0; k < NoConnect; ++k) {
    int v[4];
    need(s.readInts(v, 4) == 4, "have only read %d of %d block connections", k, NoConnect);
    conn[k].iA = v[0], conn[k].iB = v[1], conn[k].jA = v[2], conn[k].jB = v[3];
  }
  for (int p = 1; p <= NoConnFlate; ++p) {
    int v[2];
    need(s.readInts(v, 2) == 2, "have only read %d of %d surface pairs", p - 1, NoConnFlate);
    need(inRange(v[0], 0, NoSurfaces) && inRange(v[1], 0, NoSurfaces), "surface pair %d refers to surface %d", p,
         inRange(v[0], 0, NoSurfaces) ? v[1] : v[0]);
    connFlate[p][0] = v[0], connFlate[p][1] = v[1];
  }
}

void readGroups(Scanner& s, int version) {
  if (version < 0) return;
  for (int g = 1; g <= 9; ++g) {
    DischargeGroup& G = DischargeStruct[g];
    const int ni = version > 0 ? 7 : 6;
    int v[7] = {};
    double d[2];
    need(s.readInts(v, ni) == ni && s.readDoubles(d, 2) == 2, "discharge group %d cannot be read", g);
    G.inflow = v[0], G.update = v[1], G.component = v[2], G.lowLevel = v[3], G.topLevel = v[4], G.surfno = v[5];
    G.xyno = version > 0 ? v[6] : 0;
    G.discharge = d[0], G.value = d[1];
    need(inRange(G.surfno, 0, MaxGroupFaces), "discharge group %d lists %d surfaces", g, G.surfno);
    need(inRange(G.xyno, 0, MaxGroupPoints), "discharge group %d lists %d polyline points", g, G.xyno);

    if (G.topLevel < znumber && FlagInOutLevels == 1) {
      G.topLevel = znumber;
    } else if (G.topLevel <= znumber && G.discharge > 1e-20) {
      logf("Warning, low value on TO integer in dialog box for discharge group %d\n", g);
      if (version > 0) {
        logf("Advice: if you are not sure what you are doing: increase number to at least %d \n", znumber + 2);
      } else {
        logf("Advice: if you are not sure what you are doing: increase number to at least %d,\n", znumber + 2);
        logf("Regenerate the discharge groups and make a new unstruc file\n\n");
      }
    }
    for (int e = 0; e < G.surfno; ++e) {
      int f;
      need(s.readInt(f), "discharge group %d: have only read %d surfaces", g, e);
      need(inRange(f, 0, NoSurfaces), "discharge group %d refers to surface %d", g, f);
      G.face[e] = f;
    }
    for (int e = 0; e < G.xyno; ++e) {
      double xy[2];
      need(s.readDoubles(xy, 2) == 2, "discharge group %d: have only read %d polyline points", g, e);
      G.x[e] = xy[0], G.y[e] = xy[1];
    }
  }
}

void readSurfaceRelease(Scanner& s) {
  for (int g = 0; g <= 9; ++g) {
    SurfDischargeGroup& G = SurfDischargeStruct[g];
    int v[2];
    double amount = 0.0;
    need(s.readInts(v, 2) == 2 && s.readDouble(amount), "surface-release group %d cannot be read", g);
    need(inRange(v[1], 0, kMaxSurfCells), "surface-release group %d lists %d cells", g, v[1]);
    G.component = v[0], G.cells = v[1], G.amount = amount;
    for (int e = 0; e < G.cells; ++e) {
      int c;
      need(s.readInt(c) && inRange(c, 0, NoCells), "surface-release group %d: cell %d is not a cell", g, e);
      G.cell[e] = c;
    }
  }
}

// The top cell of the column that cell c stands in.
int topCell(int c) {
  for (int steps = 0; steps < NoCells && Ccellt[c] >= 1 && Ccellt[c] <= NoCells; ++steps) c = Ccellt[c];
  return c;
}

// Column map (versions 0, 1, 2): rebuilds the block grid from the cells.
void readColumnMap(Scanner& s) {
  for (int i = 1; i <= xnumber + 1; ++i) {
    for (int j = 1; j <= ynumber + 1; ++j) {
      int c;
      const bool got = s.readInt(c);
      // Only the end of the file ends the map early; anything else that is
      // not a cell number is a fault of the file.
      need(got || s.atEnd(), "column (%d,%d) of the column map is not a cell number", i, j);
      const int after = got ? s.get() : -1;
      if (!got || after < 0) {
        if (got) {  // the last value of a file without a final line end
          need(inRange(c, 0, NoCells), "column (%d,%d) of the column map", i, j);
          zval[i][j][0] = c;
        }
        for (int r = i + 1; r <= xnumber + 1; ++r)
          for (int jj = 1; jj <= ynumber + 1; ++jj) zval[r][jj][0] = 0.0;
        return;
      }
      need(inRange(c, 0, NoCells), "column (%d,%d) of the column map", i, j);
      zval[i][j][0] = c;
      if (c > 0) {
        const int gi[4] = {i - 1, i, i, i - 1}, gj[4] = {j - 1, j - 1, j, j};
        const int bottom[4] = {Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c]};
        const int t = topCell(c);
        const int top[4] = {Cpoint5[t], Cpoint6[t], Cpoint7[t], Cpoint8[t]};
        for (int e = 0; e < 4; ++e) {
          xval[gi[e]][gj[e]] = Px[bottom[e]];
          yval[gi[e]][gj[e]] = Py[bottom[e]];
          zval[gi[e]][gj[e]][1] = Pz[bottom[e]];
          Surfaces[0][gi[e]][gj[e]] = Pz[bottom[e]];
          zval[gi[e]][gj[e]][znumber] = Pz[top[e]];
          zval[gi[e]][gj[e]][znumber + 1] = Pz[top[e]];
        }
        extent(xval[i][j], yval[i][j]);
      }
      if (after == '\n') {
        if (j <= ynumber) zval[i][j][0] = 0.0;
        break;
      }
    }
  }
}

void readGridLineValues(Scanner& s) {
  for (int b = 1; b <= NoBlocks; ++b) {
    const BlockRecord& B = block[b];
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j) {
        int c;
        double v[4];
        need(s.readInt(c) && s.readDoubles(v, 4) == 4, "grid line (%d,%d) cannot be read", i, j);
        need(inRange(c, 0, NoCells), "grid line (%d,%d) refers to a cell outside the grid", i, j);
        zval[i][j][0] = c;
        zval[i][j][1] = v[0];
        zval[i][j][znumber] = v[1];
        xval[i][j] = v[2];
        yval[i][j] = v[3];
        Surfaces[0][i][j] = v[0];
        zval[i][j][znumber + 1] = v[1];
        extent(v[2], v[3]);
      }
  }
}

void readNestedFaces(Scanner& s, int version) {
  if (!Ninoutwall) return;
  for (int n = 1; n <= NoNestflater; ++n) {
    int v[4];
    double flux;
    const bool got = s.readInts(v, 4) == 4 && s.readDouble(flux);
    if (!got && version == 4) return;  // a version-4 file holds none
    need(got, "have only read %d of %d nested surfaces", n - 1, NoNestflater);
    need(inRange(v[1], 0, NoSurfaces) && inRange(v[2], 0, NoCells) && inRange(v[3], 0, NoBlocks),
         "nested surface %d refers to surface %d outside the grid", n, v[1]);
    Ninoutwall[n] = v[0], Npflate[n] = v[1], Npcelle[n] = v[2], Npblock[n] = v[3], Nflux[n] = flux;
    for (int m = 0; m < 4; ++m) {
      int c;
      double w[4];
      need(s.readInt(c) && s.readDoubles(w, 4) == 4, "nested surface %d: donor %d cannot be read", n, m + 1);
      need(inRange(c, 0, NoCells), "nested surface %d: donor cell %d is not a cell", n, c);
      Ncell[n][m] = c;
      Nweight[n][m] = w[0];
      Nvect[n][m][0] = w[1], Nvect[n][m][1] = w[2], Nvect[n][m][2] = w[3];
    }
  }
}

void controlOverrides() {
  for (int g = 1; g <= 9; ++g) {
    if (discharges[g] > 0.0) DischargeStruct[g].discharge = discharges[g] * 1000.0;
    if (updates[g] >= 0) DischargeStruct[g].update = updates[g];
  }
  if (FlagOutflow >= 1 && FlagOutflow <= 9) DischargeStruct[FlagOutflow].inflow = 1;
}

int markOutBlocks() {
  int marked = 0;
  for (int r = 1; r <= OutBlockNo && r < 500; ++r) {
    const OutBlockRecord& o = OutBlock[r];
    for (int i = o.i1 < 0 ? 0 : o.i1; i <= o.i2 && i <= xnumber + 1; ++i)
      for (int j = o.j1 < 0 ? 0 : o.j1; j <= o.j2 && j <= ynumber + 1; ++j) {
        bedOutBlock[i][j] = 1;
        ++marked;
      }
  }
  return marked;
}

bool dry(int i, int j) { return zval[i][j][0] == 0.0; }

void smoothDryLines(int marked) {
  const int passes = NoBlocks > 1 ? (marked > 10 ? marked : 10) : marked;
  for (int p = 0; p < passes; ++p)
    for (int b = 1; b <= NoBlocks; ++b) {
      const BlockRecord& B = block[b];
      for (int i = B.i1 + 1; i <= B.i2 - 1; ++i)
        for (int j = B.j1 + 1; j <= B.j2 - 1; ++j)
          if (dry(i, j) && dry(i + 1, j) && dry(i, j + 1) && dry(i + 1, j + 1)) {
            xval[i][j] = 0.25 * (xval[i - 1][j] + xval[i + 1][j] + xval[i][j - 1] + xval[i][j + 1]);
            yval[i][j] = 0.25 * (yval[i - 1][j] + yval[i + 1][j] + yval[i][j - 1] + yval[i][j + 1]);
          }
    }
}

void groupReport() {
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    if (G.discharge <= 1e-20) continue;
    logf("In ReadUnstructure:\n");
    logf("Group %d, surfaces %d, xyno %d, discharge %lf l/s", g, G.surfno, G.xyno, G.discharge);
    if (G.update == 0) logf(" Dirichlet boundary condition");
    if (G.update == 1) logf(" zero gradient boundary condition");
    logf("\n");
  }
}

// The grid file itself; returns 0, or -54 / -55.
int readGridFile(Scanner& s) {
  int h[7];
  need(s.readInts(h, 7) == 7, "the header holds fewer than %d numbers", 7);
  NoPoints = h[0], NoCells = h[1], NoSurfaces = h[2], NoBlocks = h[3], NoConnect = h[4], NoConnFlate = h[5];
  NoNestflater = h[6];

  if ((WorkBlockNo > NoBlocks && FlagThixo == 0) || (FlagThixo > 0 && WorkBlockNo > NoBlocks + 1))
    fatal(1, "Error on first integer on G 25 data set in control file\n");

  int version = 0;
  if (NoPoints <= 10) {
    version = NoPoints;
    if (version > 0) need(s.readInt(NoPoints), "the header holds no number of points");
    if (version == 2) {
      int sizes[2];
      need(s.readInts(sizes, 2) == 2, "the header holds no G 1 sizes");
      if (sizes[0] != xnumber || sizes[1] != ynumber)
        fatal(0,
              "Error: The two first integers on the G 1 data set in the control file\n"
              "must be the same as when the unstruc file was created (G 1 %d %d ..).\n",
              sizes[0], sizes[1]);
    }
  }
  FlagReadUnstruc = version;
  s.skipSpace();

  NoBlocks0 = NoBlocks, NoCells0 = NoCells, NoSurfaces0 = NoSurfaces, NoConnect0 = NoConnect;
  NoConnFlate0 = NoConnFlate;

  if (NoCells < 0)
    fatal(-1, "Error in reading unstruc file. Have only read %d cells, while supposed to read %d cells\n", 0, NoCells);
  // The arrays hold elements 1..size-1.
  if (NoPoints >= MaxPunkter || NoCells >= MaxCeller || NoSurfaces >= MaxFlater || NoConnFlate >= MaxConnFlate ||
      NoNestflater >= MaxNester)
    tooLarge();
  need(NoPoints >= 0 && NoSurfaces >= 0 && NoBlocks >= 0 && NoConnect >= 0 && NoConnFlate >= 0 && NoNestflater >= 0,
       "the header holds a negative count");
  need(NoBlocks <= kMaxBlocks, "%d blocks, at most %d fit", NoBlocks, kMaxBlocks);
  need(NoConnect <= kMaxConnections, "%d block connections, at most %d fit", NoConnect, kMaxConnections);

  if (version != 4) {
    readPoints(s);
    readCells(s);
    readFaces(s);
  }
  if (int r = readBlocks(s); r < 0) return r;
  readConnections(s);
  readGroups(s, version);
  readSurfaceRelease(s);
  if (version >= 0 && version <= 2)
    readColumnMap(s);
  else if (version == 3 || version == 4)
    readGridLineValues(s);
  readNestedFaces(s, version);
  return 0;
}

}  // namespace

int ReadUnstructure() {
  if (!Cxvel && AllocateArrays(1, 1, 1) < -0.01) {
    logf("Error in allocation of arrays. The array size is probably\n");
    logf("larger than what is available of memory on your computer\n\n");
    setMessage(" Error in array allocation");
    return -1;
  }
  if (FlagMPI == 0 || FlagMPIkoosurf == 1)
    std::snprintf(fileName, sizeof fileName, "unstruc");
  else
    std::snprintf(fileName, sizeof fileName, "unstruc.mpi%d", FlagMPI);
  Scanner s;
  if (!s.open(fileName)) {
    char text[200];
    std::snprintf(text, sizeof text, "have not read '%s' file", fileName);
    setMessage(text);
    logf("Error: can not open '%s' file\n", fileName);
    return 1;
  }
  xMin = yMin = 1e20;
  xMax = yMax = -1e20;
  {
    struct Reading {  // cleared also when a fault ends the reading
      explicit Reading(const Scanner& s) { reading = &s; }
      ~Reading() { reading = nullptr; }
    } guard(s);
    if (int r = readGridFile(s); r < 0) return r;
  }

  controlOverrides();
  const int marked = markOutBlocks();
  if (FlagReadUnstruc >= 0 && FlagReadUnstruc <= 2) smoothDryLines(marked);

  // A new grid: its geometry is computed afresh, and the columns of a grid
  // read before stay available as the old columns.
  FlagHaveDoneMetric = 0;
  if (NoBCells > 0) FlagGridHasChanged = 1;
  if (FlagReadUnstruc != 4) metric();

  setMessage(" Have read unstruc file");
  if (FlagReadUnstruc != 4) groupFacesRead();
  if ((FlagGenerateUpFlux >= 1 || FlagGenerateDownFlux > 0) && DischargeStruct[1].surfno == 0) setFluxes();
  SetiPresjPres();
  groupReport();
  return readLevelFiles(xMin, xMax, yMin, yMax);
}
