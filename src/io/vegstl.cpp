// Vegetation (`vegdata.sl`) and terrain points (`geodata.sl`) from the closed
// surface of an ASCII STL file (`stlfile.stl`), run letter P.
#include "io/vegstl.h"
#include "state/outfile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "grid/geometry.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "state/scanner.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/terrain.h"

namespace {

constexpr const char* kStl = "stlfile.stl";
constexpr double kEmpty = -1e20;  // an empty level slot
inline bool filled(double level) { return level > -1e15; }

// The triangles of the file: every facet with its three vertex records.
// With store, vertex coordinates go to STLarray (triangles from 1) and the
// first vertex of each triangle to geo as a terrain point. Words are
// separated by white space; the numbers of the normal and the words outer,
// loop, endloop, solid and endsolid and the name of the solid are passed over.
long readTriangles(Scanner& s, bool store, std::FILE* geo, long total) {
  s.seek(0);
  long count = 0;
  int vertices = -1;  // -1 outside a facet
  std::size_t facetAt = 0;
  double v[3][3];
  char word[64];
  char text[80];
  auto incomplete = [&s, &facetAt]() {
    unreadableRecord(s, facetAt, kStl, "a facet holds three vertex records of three numbers each before endfacet");
  };
  while (true) {
    s.skipSpace();
    const std::size_t at = s.position();
    if (!s.readWord(word, sizeof word)) break;
    if (std::strcmp(word, "facet") == 0) {
      if (vertices > 0 && vertices < 3) incomplete();
      vertices = 0;
      facetAt = at;
    } else if (std::strcmp(word, "endfacet") == 0) {
      if (vertices >= 0 && vertices < 3) incomplete();
      vertices = -1;
    } else if (std::strcmp(word, "vertex") == 0 && vertices >= 0) {
      if (vertices == 3) incomplete();
      if (s.readDoubles(v[vertices], 3) != 3) unreadableRecord(s, at, kStl, "a vertex record holds three numbers: x, y, z");
      if (++vertices < 3) continue;
      ++count;
      if (store) {
        double* T = STLarray + 9 * count;
        for (int a = 0; a < 3; ++a)
          for (int k = 0; k < 3; ++k) T[3 * a + k] = v[a][k];
        std::fprintf(geo, "E %lf %lf %lf\n", v[0][0], v[0][1], v[0][2]);
        std::snprintf(text, sizeof text, "Point %ld of %ld ", count, total);
      } else {
        std::snprintf(text, sizeof text, "Point %ld  ", count);
      }
      setMessage(text);
    }
  }
  if (vertices > 0 && vertices < 3) incomplete();
  return count;
}

// Column windows of block 1 inside the block grid (corner lines i-1, j-1 exist).
struct Columns {
  int i1, i2, j1, j2;
};
Columns columnsOfBlock1() {
  if (NoBlocks < 1) return {1, 0, 1, 0};
  const BlockRecord& B = block[1];
  return {std::max(B.i1, 1), std::min(B.i2, xnumber + 1), std::max(B.j1, 1), std::min(B.j2, ynumber + 1)};
}

int bedCellOf(int i, int j) {
  const int b = pointbed[i][j];
  return b >= 1 && b <= NoBCells ? b : 0;
}

int filledSlots(const double* lev) {
  int n = 0;
  while (n < VegLevels && filled(lev[n])) ++n;
  return n;
}

// Removes slot k (and with two, slot k + 1 as well) of a column; the slots
// after them move down and the freed slots at the end become empty.
void removeSlots(double* lev, double* ori, int k, int count) {
  for (int l = k; l < VegLevels; ++l) {
    const int from = l + count;
    lev[l] = from < VegLevels ? lev[from] : kEmpty;
    ori[l] = from < VegLevels ? ori[from] : 0.0;
  }
}

// The converter's crossings carry the orientation of their triangle in plan
// (1 clockwise, -1 counter-clockwise). Two crossings at one level with the
// same orientation are one surface met on an edge or corner shared by its
// triangles: one of them goes. With opposite orientations the vertical line
// touches the surface where it folds over: both go. This holds whatever the
// number of crossings, also when every slot is filled.
void cleanOriented(double* lev, double* ori) {
  int n = filledSlots(lev);
  int k = 0;
  while (k < n - 1) {
    if (std::fabs(lev[k + 1] - lev[k]) < 0.0001) {
      const int count = ori[k] == ori[k + 1] ? 1 : 2;
      removeSlots(lev, ori, k, count);
      n -= count;
    } else {
      ++k;
    }
  }
}

// Levels without orientations (given otherwise than by the converter): the
// parity of the number of crossings decides. An even number loses both of
// two coincident crossings, an odd number one of them.
void cleanByParity(double* lev, double* ori) {
  const int n = filledSlots(lev);
  if (n == 1 || n == VegLevels) return;
  const int count = n % 2 == 0 ? 2 : 1;
  for (int k = 0; k <= n - 2; ++k)
    if (filled(lev[k + 1]) && std::fabs(lev[k + 1] - lev[k]) < 0.0001) removeSlots(lev, ori, k, count);
}

// The record of one column with n crossings (n even) and G level pairs.
void writeColumn(std::FILE* f, int i, int j, const double* L, int n, int G) {
  const double d = deltaLevelPorosity;
  std::fprintf(f, "N %ld %ld %lf ", static_cast<long>(i), static_cast<long>(j), L[0] - 10.0);
  for (int k = 0; k < n; k += 2) std::fprintf(f, "%lf %lf %lf %lf ", L[k] - d, L[k], L[k + 1], L[k + 1] + d);
  for (int k = n; k < G; k += 2) {
    const double base = L[n - 1] + 10.0 + k;
    std::fprintf(f, "%lf %lf %lf %lf ", base, base + 0.2, base + 0.4, base + 0.6);
  }
  std::fprintf(f, "%lf ", L[n - 1] + 100.0);
  std::fprintf(f, "0.0 ");
  for (int k = 0; k < n; k += 2) std::fprintf(f, "0.0 1000.0 1000.0 0.0 ");
  for (int k = n; k < G; k += 2) std::fprintf(f, "0.0 0.0 0.0 0.0 ");
  std::fprintf(f, "0.0 \n");
}

void writeVegdata(std::FILE* f) {
  const Columns w = columnsOfBlock1();
  int M = 0;
  for (int i = w.i1; i <= w.i2; ++i)
    for (int j = w.j1; j <= w.j2; ++j)
      if (const int b = bedCellOf(i, j)) M = std::max(M, filledSlots(Bveg[b][0][0]));
  int G = std::max(M, (VegLevels - 2) / 2);
  if (G % 2 != 0) ++G;
  std::fprintf(f, "U 1 %ld 1\n", static_cast<long>(2 * G + 2));
  for (int i = w.i1; i <= w.i2; ++i)
    for (int j = w.j1; j <= w.j2; ++j) {
      const int b = bedCellOf(i, j);
      if (b == 0) continue;
      const double* L = Bveg[b][0][0];
      const int n = filledSlots(L);
      if (n % 2 != 0) {
        // An odd number of crossings has no inside and outside: the column
        // gets no record, and the run reports the error at its end.
        logf("Error for cell (%ld,%ld), number of surfaces is %d\n\n", static_cast<long>(i), static_cast<long>(j), n);
        RunErrorReported = 1;
        continue;
      }
      if (n >= 2) writeColumn(f, i, j, L, n, G);
    }
}

}  // namespace

double computeVegdataVertLevel(int t, double x, double y) {
  const double* T = STLarray + 9 * t;
  const double a[3] = {T[0] - T[3], T[1] - T[4], T[2] - T[5]};  // P1 - P2
  const double b[3] = {T[0] - T[6], T[1] - T[7], T[2] - T[8]};  // P1 - P3
  const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  const double size = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(std::fabs(n[2]) > 1e-12 * size)) return std::numeric_limits<double>::quiet_NaN();
  return (n[0] * T[0] + n[1] * T[1] + n[2] * T[2] - n[0] * x - n[1] * y) / n[2];
}

void computeVegdataBubblesort() {
  if (!Bveg || VegLevels <= 1) return;
  const Columns w = columnsOfBlock1();
  for (int i = w.i1; i <= w.i2; ++i)
    for (int j = w.j1; j <= w.j2; ++j) {
      const int b = bedCellOf(i, j);
      if (b == 0) continue;
      double* lev = Bveg[b][0][0];
      double* ori = Bveg[b][0][1];
      if (!filled(lev[0])) continue;
      for (int pass = 0; pass < VegLevels - 1; ++pass) {
        bool swapped = false;
        for (int l = 1; l < VegLevels; ++l)
          if (filled(lev[l]) && lev[l - 1] > lev[l]) {
            std::swap(lev[l - 1], lev[l]);
            std::swap(ori[l - 1], ori[l]);
            swapped = true;
          }
        if (!swapped) break;
      }
      const int n = filledSlots(lev);
      bool oriented = true;
      for (int k = 0; k < n; ++k) oriented = oriented && std::fabs(ori[k]) == 1.0;
      if (oriented)
        cleanOriented(lev, ori);
      else
        cleanByParity(lev, ori);
    }
}

int computeVegdataFromSTL() {
  Scanner stl;
  if (!stl.open(kStl)) fatal(-4, "Could not read 'stlfile.stl' or 'stlfileb.stl' files\n\n");
  // The files are closed however the conversion ends.
  using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
  // A conversion that stops early leaves no file behind (closeWrite of an
  // unfinished file is not asked to succeed); a finished one is checked.
  auto drop = [](std::FILE* f) { return closeWrite(f) ? 0 : EOF; };
  File vegFile(openWrite("vegdata.sl", "w"), drop);
  if (!vegFile) fatal(-4, "Could not open 'vegdata.sl' file\n\n");
  File geoFile(openWrite("geodata.sl", "w"), drop);
  if (!geoFile) fatal(-4, "Could not open 'geodata.sl' file\n\n");
  std::FILE* veg = vegFile.get();
  std::FILE* geo = geoFile.get();

  const long counted = readTriangles(stl, false, nullptr, 0);
  logf("Have read %ld triangles from stlfile.stl file\n", counted);
  if (counted == 0) {
    logf("Error: stlfile.stl holds no triangle (a facet with three vertex records); nothing converted\n\n");
    return -1;
  }
  constexpr long kMaxTriangles = INT_MAX / 9 - 1;
  if (counted > kMaxTriangles) {
    logf("Error: stlfile.stl holds more than %ld triangles; nothing converted\n\n", kMaxTriangles);
    return -1;
  }

  const double before = alloc::bytes();
  if (STLarray) alloc::release(reinterpret_cast<void**>(&STLarray));
  bool ok = allocate1(STLarray, alloc::product(static_cast<std::size_t>(counted) + 1, 9));
  if (ok && !Bveg)
    ok = allocate4(Bveg, alloc::extent(bedCellCapacity()), alloc::extent(VegTimes), alloc::extent(VegVars, 1),
                   alloc::extent(VegLevels));
  if (!ok) {
    logf("Allocated %lf Mbyte when out of memory\n", (alloc::bytes() - before) * 1e-6);
    return -1;
  }
  logf("Have allocated %lf MB arrays of vegparameters and %ld triangles\n", (alloc::bytes() - before) * 1e-6, counted);

  NoSTLTriangles = static_cast<int>(readTriangles(stl, true, geo, counted));
  std::fprintf(geo, "Z 0 0 0 \n");
  closeOutput(geoFile.release());

  // A grid just generated has no bed cells yet: they are numbered first.
  if (NoCells > 0 && NoBCells == 0) BedMake();
  for (int b = 1; b <= NoBCells; ++b)
    for (int l = 0; l < VegLevels; ++l) {
      Bveg[b][0][0][l] = kEmpty;
      Bveg[b][0][1][l] = 0.0;
    }

  const Columns w = columnsOfBlock1();
  const int nj = std::max(w.j2 - w.j1 + 1, 0);
  std::vector<unsigned char> full(static_cast<std::size_t>(std::max(w.i2 - w.i1 + 1, 0)) * nj, 0);
  unsigned char* dropped = full.data();
#pragma omp parallel for schedule(static)
  for (int i = w.i1; i <= w.i2; ++i)
    for (int j = w.j1; j <= w.j2; ++j) {
      const int b = bedCellOf(i, j);
      if (b == 0) continue;
      const double xc = 0.25 * (xval[i][j] + xval[i - 1][j] + xval[i][j - 1] + xval[i - 1][j - 1]);
      const double yc = 0.25 * (yval[i][j] + yval[i - 1][j] + yval[i][j - 1] + yval[i - 1][j - 1]);
      double* lev = Bveg[b][0][0];
      double* ori = Bveg[b][0][1];
      for (int t = 1; t <= NoSTLTriangles; ++t) {
        const double* T = STLarray + 9 * t;
        const int o = insideTriangle(xc, yc, T[0], T[1], T[3], T[4], T[6], T[7]);
        if (o == 0) continue;
        const double z = computeVegdataVertLevel(t, xc, yc);
        if (!std::isfinite(z)) continue;  // a vertical triangle has no level above the centre
        int slot = 0;
        while (slot < VegLevels && filled(lev[slot])) ++slot;
        if (slot == VegLevels) {
          dropped[static_cast<std::size_t>(i - w.i1) * nj + (j - w.j1)] = 1;
          continue;
        }
        lev[slot] = z;
        ori[slot] = o;
      }
    }
  for (int i = w.i1; i <= w.i2; ++i)
    for (int j = w.j1; j <= w.j2; ++j)
      if (dropped[static_cast<std::size_t>(i - w.i1) * nj + (j - w.j1)])
        logf("Warning for cell (%d,%d): the surface is crossed more than %d times (F 201); the further crossings are left out\n",
             i, j, VegLevels);

  computeVegdataBubblesort();
  writeVegdata(veg);
  closeOutput(vegFile.release());
  return 0;
}
