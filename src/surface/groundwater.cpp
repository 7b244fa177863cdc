// Groundwater levels in the sub-bed block: a depth-integrated Darcy flow with
// a storage term, one unknown per sub-bed column on its lowest cell, solved
// step by step with symmetric Gauss-Seidel sweeps. The level is held at the
// water level under wet columns and capped at the ground under dry ones.
// The sweeps are serial and work in the engine's own level arrays, so that
// no field of the flow (which Cf may point at) is touched.
#include <algorithm>
#include <cstdio>

#include "grid/fieldmap.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "state/scanner.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/surface.h"

namespace {

// Level and previous level of the groundwater equation per cell.
double* gwLevel = nullptr;
double* gwOld = nullptr;

constexpr double kFixed = 1e30;
inline bool fixedRow(int c) { return Cap[c] >= 1e10; }

struct SubBed {
  int g = 0;  // block record; 0 when there is none
  int i1 = 0, i2 = 0, j1 = 0, j2 = 0, off = 0;
};

SubBed findSubBed() {
  SubBed s;
  for (int b = std::min(NoBlocks, 99); b >= 2; --b)
    if (block[b].subBed == 1) {
      s.g = b;
      break;
    }
  if (s.g == 0) return s;
  const BlockRecord& r = block[s.g];
  s.i1 = std::max(r.i1, 1);
  s.i2 = std::min(r.i2, xnumber);
  s.j1 = std::max(r.j1, 1);
  s.j2 = std::min(r.j2, ynumber);
  s.off = r.j2 - block[s.g - 1].j2;
  return s;
}

bool bedCellOk(int b) { return b >= 1 && b <= NoBCells; }
bool cellOk(int c) { return c >= 1 && c <= NoCells; }

// Bed cell of the sub-bed column and of the water column above it.
int subBedCell(int i, int j) { return pointbed[i][j]; }
int waterBedCell(const SubBed& s, int i, int j) {
  const int jh = j - s.off;
  return jh >= 0 && jh <= ynumber + 1 ? pointbed[i][jh] : 0;
}
// The lowest cell of a sub-bed column, 0 when it has none.
int lowestCell(int i, int j) {
  const int b = subBedCell(i, j);
  if (!bedCellOk(b)) return 0;
  const int c = Bcellt[b];
  return cellOk(c) ? c : 0;
}
int topOf(int c) {
  for (int n = 0; n < NoCells && cellOk(Ccellt[c]); ++n) c = Ccellt[c];
  return c;
}

bool ensureWorkArrays() {
  if (gwLevel && gwOld) return true;
  const std::size_t n = alloc::extent(MaxCeller, 1);
  return allocate1(gwLevel, n) && allocate1(gwOld, n);
}

// wlinit: "%d %d %lf" records, at most 5 NoCells of them, up to the first
// record that does not convert; only columns with a bed cell count.
int readWlinit(Scanner& sc) {
  int counted = 0;
  const long limit = 5L * NoCells;
  for (long r = 0; r < limit; ++r) {
    sc.skipSpace();
    if (sc.atEnd()) break;
    int i = 0, j = 0;
    double level = 0;
    if (!sc.readInt(i) || !sc.readInt(j) || !sc.readDouble(level)) break;
    if (i <= 0 || i >= xnumber || j <= 0 || j >= ynumber) continue;
    const int b = pointbed[i][j];
    if (!bedCellOk(b)) continue;
    Bgroundwater[b] = level;
    ++counted;
  }
  return counted;
}

double cornerMean(const SubBed& s, int i, int j, int slot) {
  const int jh = j - s.off;
  return 0.25 * (zval[i][jh][slot] + zval[i - 1][jh][slot] + zval[i][jh - 1][slot] + zval[i - 1][jh - 1][slot]);
}

void firstCall(const SubBed& s) {
  Scanner sc;
  const bool haveFile = sc.open("wlinit");
  if (haveFile) {
    const int n = readWlinit(sc);
    logf("Have read %d water level points from wlinit file\n", n);
  } else {
    setMessage("have not used 'wlinit' file ");
    for (int b = 1; b <= NoBCells; ++b) Bgroundwater[b] = 1.1;
  }
  if (s.g == 0) {
    logf("Error in groundwater computation: groundwater grid not generated\n");
    fatal(-9, "Data sets F ??? are missing in your control file\n\n");
  }
  for (int j = s.j1; j <= s.j2; ++j)
    for (int i = s.i1; i <= s.i2; ++i) {
      const int b = subBedCell(i, j);
      if (!bedCellOk(b)) continue;
      if (!haveFile && s.g == 2) Bgroundwater[b] = cornerMean(s, i, j, znumber);
      if (Bthixolev) Bthixolev[b] = cornerMean(s, i, j, 1);
    }
  ArmapMake();
  GroundwaterFirstCallDone = 1;
}

double side(const int* flate, int c) { return Farea[flate[c]]; }

}  // namespace

void groundwater_coeff() {
  const SubBed s = findSubBed();
  if (s.g == 0) {
    // Without the sub-bed block there is no equation to build.
    fatal(-8, "Error in groundwater computation: no sub-bed block to build the groundwater equation on\n");
  }
  if (!ensureWorkArrays()) fatal(-1, "Error: the arrays of the groundwater computation cannot be allocated\n");
  for (int j = s.j1; j <= s.j2; ++j)
    for (int i = s.i1; i <= s.i2; ++i)
      if (const int c = lowestCell(i, j)) gwLevel[c] = gwOld[c] = Bgroundwater[subBedCell(i, j)];
  Farea[0] = 0;
  const double K = Conductivity, dt = TimeStep;
  for (int j = s.j1; j <= s.j2; ++j)
    for (int i = s.i1; i <= s.i2; ++i) {
      const int c = lowestCell(i, j);
      if (c == 0) continue;
      const int up = cellOk(Ccellt[c]) ? Ccellt[c] : 0;
      Cas[c] = j > s.j1 ? K * (side(Cflates, c) + side(Cflates, up)) / (2 * Cjdist[c]) : 0.0;
      Can[c] = j < s.j2 ? K * (side(Cflaten, c) + side(Cflaten, up)) / (2 * Cjdist[c]) : 0.0;
      Caw[c] = i > s.i1 ? K * (side(Cflatew, c) + side(Cflatew, up)) / (2 * Cidist[c]) : 0.0;
      Cae[c] = i < s.i2 ? K * (side(Cflatee, c) + side(Cflatee, up)) / (2 * Cidist[c]) : 0.0;
      Cap[c] = Cae[c] + Cas[c] + Can[c] + Caw[c] + armap[i][j] / dt;
      Csource[c] = gwOld[c] * armap[i][j] / dt;
    }
  for (int j = s.j1; j <= s.j2; ++j)
    for (int i = s.i1; i <= s.i2; ++i) {
      const int c = lowestCell(i, j);
      if (c == 0) continue;
      const int b = subBedCell(i, j), bw = waterBedCell(s, i, j);
      const int jh = j - s.off;
      const int wetLowest = jh >= 0 ? static_cast<int>(zval[i][jh][0]) : 0;
      if (cellOk(wetLowest)) {
        const int t = topOf(wetLowest);
        const double zs = Czcenter[t] + Ckdist[t];
        Cap[c] = kFixed;
        Csource[c] = kFixed * zs;
        gwLevel[c] = zs;
      } else {
        // The table cannot stand above the ground. The cap goes to the
        // lowest cell, where the column's equation lives.
        const int ts = topOf(c);
        const double zg = Czcenter[ts] + Ckdist[ts];
        Bgroundwater[b] = std::min(Bgroundwater[b], zg);
        gwLevel[c] = gwOld[c] = Bgroundwater[b];
        if (!fixedRow(c)) Csource[c] = Bgroundwater[b] * armap[i][j] / dt;
        if (bedCellOk(bw)) Bgroundwater[bw] = std::min(Bgroundwater[bw], zg);
      }
    }
}

void groundwater() {
  setProgram(" Groundwater ");
  const int steps = FlagGroundwater == 1 ? iterGlobalMax : 20;
  SubBed s = findSubBed();
  if (s.g > 0 && (NoBCells == 0 || pointbed[s.i1][s.j1] == 0)) BedMake();
  if (FlagHaveDoneMetric == 0 && NoCells > 0) metric();
  if (GroundwaterFirstCallDone == 0) firstCall(s);
  groundwater_coeff();

  for (int n = 1; n <= steps; ++n) {
    for (int j = s.j2; j >= s.j1; --j)
      for (int i = s.i2; i >= s.i1; --i) {
        const int c = lowestCell(i, j);
        if (c == 0 || fixedRow(c)) continue;
        const int b = subBedCell(i, j);
        gwOld[c] = Bgroundwater[b];
        Csource[c] = Bgroundwater[b] * Faz[Cflateb[c]] / TimeStep;
      }
    auto update = [](int c) {
      double sum = Csource[c];
      if (cellOk(Ccelle[c])) sum += Cae[c] * gwLevel[Ccelle[c]];
      if (cellOk(Ccellw[c])) sum += Caw[c] * gwLevel[Ccellw[c]];
      if (cellOk(Ccelln[c])) sum += Can[c] * gwLevel[Ccelln[c]];
      if (cellOk(Ccells[c])) sum += Cas[c] * gwLevel[Ccells[c]];
      gwLevel[c] = sum / Cap[c];
    };
    for (int pass = 0; pass < TransInnerIter; ++pass) {
      for (int j = s.j1; j <= s.j2; ++j)
        for (int i = s.i1; i <= s.i2; ++i)
          if (const int c = lowestCell(i, j)) update(c);
      for (int j = s.j2; j >= s.j1; --j)
        for (int i = s.i2; i >= s.i1; --i) {
          const int c = lowestCell(i, j);
          if (c == 0) continue;
          update(c);
          if (fixedRow(c)) continue;
          const int b = subBedCell(i, j);
          gwOld[c] = Bgroundwater[b];
          Csource[c] = (0.5 * gwLevel[c] + 0.5 * Bgroundwater[b]) * Faz[Cflateb[c]] / TimeStep;
        }
    }
    for (int j = s.j1; j <= s.j2; ++j)
      for (int i = s.i1; i <= s.i2; ++i) {
        const int c = lowestCell(i, j);
        if (c == 0) continue;
        Bgroundwater[subBedCell(i, j)] = gwLevel[c];
        if (const int bw = waterBedCell(s, i, j); bedCellOk(bw)) Bgroundwater[bw] = gwLevel[c];
      }
    if (FlagGroundwater != 1) continue;
    stimet += TimeStep;
    if (n % 100 != 0) continue;
    // The surface move every 100 steps needs a reference level.
    if (GlobZRef <= -1e19) {
      logf("Groundwater step %d: no reference water level set, the water surface is not moved\n", n);
      continue;
    }
    if (NoBlocks >= 2) block[2].subBed = 0;
    surface2();
    s = findSubBed();
    groundwater_coeff();
  }
  setProgram("End groundwater");
}

double groundwaterLevelOfCell(int c) { return gwLevel && cellOk(c) ? gwLevel[c] : 0.0; }
