// The special result files the dispatcher writes itself: measurement points,
// bed levels, the outline, habitat classes, the boogie.spe summaries, the
// grid-line levels, slide profiles and the bed-flux comparison.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "state/log.h"
#include "state/numbered.h"
#include "state/outfile.h"
#include "state/scanner.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

bool validCell(int c) { return c >= 1 && c <= NoCells; }

// The lowest cell of column (i, j) from slot 0 of zval, 0 when dry or when the
// slot does not hold a cell of this grid.
int lowestCell(int i, int j) {
  if (i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1) return 0;
  long c = std::lround(zval[i][j][0]);
  return (c >= 1 && c <= NoCells) ? static_cast<int>(c) : 0;
}

// The top cell of the column that holds cell c (walking up through Ccellt).
int topCell(int c) {
  for (int guard = 0; guard < NoCells && validCell(Ccellt[c]); ++guard) c = Ccellt[c];
  return c;
}

bool bottomCell(int c) { return Ccellb[c] == 0; }

// Block 1's column window clipped to the block grid.
struct Window {
  int i1, i2, j1, j2;
};
Window block1() {
  const BlockRecord& b = block[1];
  return {b.i1, b.i2, b.j1, b.j2};
}
bool lineInGrid(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }

// Files whose failure only skips them or ends the pass: a log line, so that
// the user sees why the file is missing.
std::FILE* openOrNote(const char* name, const char* mode) {
  std::FILE* f = openWrite(name, mode);
  if (!f) logf("Warning: can not open file '%s' for writing\n", name);
  return f;
}

const char* title() { return Title + 1; }

}  // namespace

bool numberedOutput() { return PrintRes != 0 || PrintResAlways != 0; }

std::FILE* openOutputOrEnd(const std::string& name, const char* mode) {
  std::FILE* f = openWrite(name, mode);
  if (f) return f;
  char text[240];
  std::snprintf(text, sizeof text, "cannot open file '%s' ", name.c_str());
  setMessage(text);
  fatal(-3, "Error: can not open file '%s' for writing\n", name.c_str());
}

void writeMeasurementPoints() {
  std::string name = numberedOutput() ? findFreeFileName("tresk_", 5, ".dat") : std::string("TreskPkt.dat");
  std::FILE* f = openOutputOrEnd(name);
  for (int c = 1; c <= NoCells; ++c)
    std::fprintf(f, "%lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %le\n", Cxcenter[c], Cycenter[c], Czcenter[c], Cxvel[c],
                 Cyvel[c], Czvel[c], Cpres[c], Ckinen[c], Cepsilon[c], Cgamma[c], Cconc[0][c]);
  closeOutput(f);
}

void writeBedData() {
  std::FILE* f = openOrNote("beddata.sim", "w");
  if (!f) return;
  for (int c = 1; c <= NoCells; ++c)
    if (bottomCell(c)) std::fprintf(f, "%lf %lf %lf\n", Cxcenter[c], Cycenter[c], Czcenter[c] - Ckdist[c]);
  closeOutput(f);
}

void writeOutline() {
  std::FILE* f = openOrNote("brolek", "w");
  if (!f) return;
  auto mid = [f](int p, int q) { std::fprintf(f, "%lf %lf\n", 0.5 * (Px[p] + Px[q]), 0.5 * (Py[p] + Py[q])); };
  for (int c = 1; c <= NoCells; ++c) {
    if (!bottomCell(c)) continue;
    if (Ccells[c] == 0) mid(Cpoint1[c], Cpoint2[c]);
    if (Ccelle[c] == 0) mid(Cpoint2[c], Cpoint3[c]);
    if (Ccelln[c] == 0) mid(Cpoint3[c], Cpoint4[c]);
    if (Ccellw[c] == 0) mid(Cpoint1[c], Cpoint4[c]);
  }
  closeOutput(f);
}

bool writeHabitat() {
  constexpr int kClasses = 20;
  // First pass: depth, speed and area of every column.
  double dmax = 0, vmax = 0;
  auto column = [](int c, double& depth, double& speed) {
    double s = 0, q = 0;
    for (int k = c, guard = 0; validCell(k) && guard <= NoCells; k = Ccellt[k], ++guard) {
      s += Ckdist[k];
      q += Ckdist[k] * std::sqrt(Cxvel[k] * Cxvel[k] + Cyvel[k] * Cyvel[k]);
    }
    depth = 2 * s;
    speed = q / s;
  };
  const int c0 = std::max(WCStart, 1), c1 = std::min(WCEnd, NoCells);
  for (int c = c0; c <= c1; ++c) {
    if (!bottomCell(c)) continue;
    double d, v;
    column(c, d, v);
    if (d > dmax) dmax = d;
    if (v > vmax) vmax = v;
  }
  auto classOf = [](double value, double top) {
    double x = 20.0 * value / top - 0.01;
    if (std::isnan(x) || x < 0) return 0;
    return x >= kClasses - 1 ? kClasses - 1 : static_cast<int>(x);
  };
  double areaD[kClasses] = {}, areaV[kClasses] = {};
  for (int c = c0; c <= c1; ++c) {
    if (!bottomCell(c)) continue;
    double d, v;
    column(c, d, v);
    double a = Farea[Cflateb[c]];
    areaD[classOf(d, dmax)] += a;
    areaV[classOf(v, vmax)] += a;
  }
  std::FILE* f = openOrNote("habitat", "w");
  if (!f) return false;
  std::fprintf(f, "Depth (m), area (m2), velocity (m/s), area(m2)\n");
  for (int n = 0; n < kClasses; ++n)
    std::fprintf(f, "%lf %lf %lf %lf\n", (n + 1) * dmax / kClasses, areaD[n], (n + 1) * vmax / kClasses, areaV[n]);
  closeOutput(f);
  return true;
}

bool writeSlopingFraction() {
  std::FILE* f = openOrNote("boogie.spe", "w");
  if (!f) return false;
  double flat = 0, sloping = 0;
  const int c0 = std::max(WCStart, 1), c1 = std::min(WCEnd, NoCells);
  for (int c = c0; c <= c1; ++c) {
    if (!bottomCell(c)) continue;
    int t = topCell(c);
    int fb = Cflateb[c];
    double u = Cxvel[t], v = Cyvel[t];
    double cosPhi = (u * Fvx[fb] + v * Fvy[fb]) / std::sqrt((u * u + v * v) * (Fvx[fb] * Fvx[fb] + Fvy[fb] * Fvy[fb]) + 1e-20);
    double nz = std::fmax(-1.0, std::fmin(1.0, Fvz[fb]));
    double alpha = std::acos(nz);
    if (alpha * cosPhi > 0.2967)
      sloping += Farea[fb];
    else
      flat += Farea[fb];
  }
  std::fprintf(f, "Fraction of sloping area: %lf\n", sloping / (flat + sloping + 1e-20));
  closeOutput(f);
  return true;
}

bool writeDischargeLine() {
  std::FILE* f = openOrNote("boogie.spe", "w");
  if (!f) return false;
  double flux = 0, va = 0;
  Window w = block1();
  // The middle column of block 1, kept inside the block's window.
  int ic = std::min(std::max(w.i2 / 2 - 1, w.i1), w.i2);
  int jc = std::min(std::max(w.j2 / 2 - 1, w.j1), w.j2);
  int c = lowestCell(ic, jc);
  if (c > 0) {
    int t = topCell(c);
    for (int guard = 0; guard < NoCells && validCell(Ccells[t]); ++guard) t = Ccells[t];
    for (int guard = 0; validCell(t) && guard <= NoCells; t = Ccelln[t], ++guard) {
      for (int k = t, g2 = 0; validCell(k) && g2 <= NoCells; k = Ccellb[k], ++g2) {
        int e = Cflatee[k];
        flux += Fflux[e];
        va += Cxvel[k] * Farea[e];
      }
    }
  }
  std::fprintf(f, "Discharge (l/s): flux: %lf, velocity*area: %lf\n", flux, 1000.0 * va);
  closeOutput(f);
  return true;
}

bool writeKoosurfLevels() {
  std::string name = findFreeFileName("koosurf.", 4, "");
  std::FILE* f = openOrNote(name.c_str(), "w");
  if (!f) return false;
  Window w = block1();
  for (int i = w.i1 - 1; i <= w.i2; ++i)
    for (int j = w.j1 - 1; j <= w.j2; ++j)
      if (lineInGrid(i, j))
        std::fprintf(f, "%d %d %lf %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], zval[i][j][1], zval[i][j][znumber]);
  closeOutput(f);
  return true;
}

bool writeSlideProfiles(bool append) {
  std::FILE* f = nullptr;
  if (!append) {
    std::string name = numberedOutput() ? findFreeFileName("boogie.spe", 4, "") : std::string("boogie.spe");
    f = openOrNote(name.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "%s time: %lf seconds\n", title(), stimet);
    std::fprintf(f, "X, Zsurf, Zthixo, Zgroundwater\n\n");
  } else {
    if (FlagFirstP == 0) {
      f = openOrNote("boogie.spe", "w");
      if (!f) return false;
      closeOutput(f);
    }
    f = openOrNote("boogie.spe", "a");
    if (!f) return false;
    if (FlagFirstP == 0) std::fprintf(f, "%s\nX, Zsurf, Zthixo, Zgroundwater\n\n", title());
    std::fprintf(f, "\nTime: %lf seconds\n", stimet);
    FlagFirstP = 1;
  }
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& b = block[n];
    if (b.subBed != 1) continue;
    int j = (b.j1 + b.j2) / 2;
    for (int i = b.i1; i <= b.i2; ++i) {
      int c = lowestCell(i, j);
      int bc = Cbed[c];
      if (bc < 0 || bc >= bedCellCapacity()) bc = 0;
      int t = topCell(c);
      // Without the slide or groundwater option the level has no array: 0.
      std::fprintf(f, "%lf %lf %lf %lf\n", Cxcenter[t], Czcenter[t] + Ckdist[t], Bthixolev ? Bthixolev[bc] : 0.0,
                   Bgroundwater ? Bgroundwater[bc] : 0.0);
    }
  }
  closeOutput(f);
  return true;
}

void writeBedFluxes() {
  std::FILE* f = openWrite("bedfluxes", "w");
  if (!f) fatal(-7, "Error opening bedfluxes file\n\n");
  Window w = block1();
  std::fprintf(f, "Grid %d %d %d, Time: %lf seconds\n", w.i2, w.j2, znumber, stimet);
  Cflatee[0] = 0;
  Cflaten[0] = 0;
  for (int i = w.i1; i <= w.i2; ++i)
    for (int j = w.j1; j <= w.j2; ++j) {
      int c = lowestCell(i, j);
      int e = Cflatee[c], n = Cflaten[c];
      if (c > 0 && e > 0 && n > 0)
        std::fprintf(f, "%d %d %lf %lf\n", i, j, Fflux[e] / Farea[e], Fflux[n] / Farea[n]);
      else
        std::fprintf(f, "0 0 0.0 0.0\n");
    }
  closeOutput(f);
}

void compareBedFluxes() {
  std::FILE* out = openWrite("fluxres", "w");
  if (!out) fatal(-7, "Error opening fluxres file\n\n");
  Scanner s;
  if (!s.open("bedfluxes")) {
    closeOutput(out);
    fatal(-14, "Error, can not open bedfluxes file\n\n");
  }
  auto fail = [out](const char* text) {
    closeOutput(out);
    fatal(-14, "%s", text);
  };
  char text[200];
  char word[16];
  int I = 0, J = 0, K = 0;
  if (!s.readWord(word, sizeof word) || std::string(word) != "Grid" || s.readInts(&I, 1) != 1 ||
      s.readInts(&J, 1) != 1 || s.readInts(&K, 1) != 1)
    fail("Error in bedfluxes file: the first line can not be read\n\n");
  s.skipLine();
  if (K != znumber) {
    closeOutput(out);
    fatal(-14, "Error in bedfluxes file, vertical cell numbers: %d %d\n\n", K, znumber);
  }
  Window w = block1();
  // The stored grid must have two lines at least and not be finer than this one.
  if (I < 2 || J < 2 || I > w.i2 || J > w.j2) {
    std::snprintf(text, sizeof text, "Error in bedfluxes file: its grid %d %d can not be compared with the grid %d %d\n\n",
                  I, J, w.i2, w.j2);
    fail(text);
  }
  const int si = (w.i2 - 1) / (I - 1), sj = (w.j2 - 1) / (J - 1);
  double R = 0;
  int N = 0;
  for (int i = w.i1; i <= w.i2; i += si)
    for (int j = w.j1; j <= w.j2; j += sj) {
      int a = 0, b = 0;
      double xy[2] = {0, 0};
      if (s.readInts(&a, 1) != 1 || s.readInts(&b, 1) != 1 || s.readDoubles(xy, 2) != 2) {
        std::snprintf(text, sizeof text, "Error in bedfluxes file: no line for grid line %d %d\n\n", i, j);
        fail(text);
      }
      double x = xy[0], y = xy[1];
      if (!(a > 0 && b > 0 && std::fabs(x) > 1e-10 && std::fabs(y) > 1e-9)) continue;
      double sum = 0;
      int m = 0;
      for (int ii = i; ii < i + si && ii <= w.i2; ++ii) {
        int c = lowestCell(ii, j);
        if (c > 0 && Cflatee[c] > 0 && Cflaten[c] > 0) {
          sum += Fflux[Cflaten[c]] / Farea[Cflaten[c]];
          ++m;
        }
      }
      if (m > 0) {
        double fm = sum / m;
        R += std::fabs(fm - y) / std::sqrt(x * x + y * y + fm * fm + 1e-10);
        ++N;
      }
    }
  std::fprintf(out, "Ratio: %lf\n\n", N > 0 ? R / N : 0.0);
  closeOutput(out);
}
