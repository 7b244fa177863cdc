// Bed layers in legacy VTK files: vertical sections along a row
// (ParaBed2D.vtk) or a column line (ParaBed2DC.vtk), the whole block in 3-D
// (ParaBed3D.vtk), the structured-grid variants (ParaBed3.vtk) and the
// continuity test file `bedtest`; the tracer share per bed cell.
#include "output/parabed.h"
#include "state/outfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "state/log.h"
#include "state/numbered.h"
#include "output/output.h"
#include "output/plotfile.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

const std::vector<int>& tracerSet(bool forFiles) {
  static const std::vector<int> none, s10{3, 5, 7, 9}, s14{3, 4, 6, 7, 9, 10, 12, 13},
      s18{2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 16, 17}, s22{3, 5, 7, 9, 11, 13, 15, 17, 19, 21};
  switch (lnumber) {
    case 10: return s10;
    case 18: return s18;
    case 14: return forFiles ? none : s14;
    case 22: return forFiles ? none : s22;
    default: return none;
  }
}

double surfaceAt(int row, int i, int j) {
  if (!Surfaces || row < 0 || row >= surfaceCount() || i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1)
    return 0.0;
  return Surfaces[row][i][j];
}
double cornerMean(int row, int i, int j) {
  return 0.25 * (surfaceAt(row, i - 1, j - 1) + surfaceAt(row, i, j - 1) + surfaceAt(row, i, j) +
                 surfaceAt(row, i - 1, j));
}

int bedCellOf(int i, int j) {
  if (!pointbed || i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1) return 0;
  const int b = pointbed[i][j];
  return (b > 0 && b < bedCellCapacity()) ? b : 0;
}
// Top layer of bed cell b (-1: no layer), within the layer rows.
int topLayer(int b) {
  if (b == 0 || !BlayerTop || !BSedDistrib) return -1;
  return std::min(BlayerTop[b], NoBedLayers);
}
double thickness(int L, int b) { return BSedDistrib[L][0][b]; }
// Fractions of layer L of bed cell b, f[1..lnumber].
void fractions(int L, int b, std::vector<double>& f) {
  f.assign(lnumber + 1, 0.0);
  for (int k = 1; k <= lnumber; ++k) f[k] = BSedDistrib[L][k][b];
}

// The layers of one column from the bottom up: their bottom and top levels.
struct Layer {
  int L;
  double zb, zt;
};
std::vector<Layer> columnLayers(int i, int j) {
  std::vector<Layer> out;
  const int b = bedCellOf(i, j), top = topLayer(b);
  double z = cornerMean(3, i, j);
  for (int L = 0; L <= top; ++L) {
    const double t = thickness(L, b);
    out.push_back({L, z, z + t});
    z += t;
  }
  return out;
}

struct SectionColumn {
  int i, j, b;
  std::vector<Layer> layers;
  double p[4][3];  // the four points of a layer, z filled per layer: (lower left, lower right, upper right, upper left)
};

void writeSmall(FILE* f, double v) {
  if (std::fabs(v) < 1e-14) std::fprintf(f, " 0.0");
  else std::fprintf(f, " %lg", v);
}

// Points, polygons and variables of a section of columns.
void writeSection(FILE* f, const std::string& name, std::vector<SectionColumn>& cols) {
  FiniteValues fin;
  int n = 0;
  for (const SectionColumn& c : cols) n += static_cast<int>(c.layers.size());
  std::fprintf(f, "# vtk DataFile Version 2.0\n");
  std::fprintf(f, "TOVAK 2 2D bed file %s \n", plotTitle(false).c_str());
  std::fprintf(f, "ASCII\n");
  std::fprintf(f, "DATASET POLYDATA\n");
  std::fprintf(f, "POINTS %d float\n", 4 * n);
  for (const SectionColumn& c : cols)
    for (const Layer& l : c.layers) {
      const double z[4] = {l.zb, l.zb, l.zt, l.zt};
      for (int k = 0; k < 4; ++k)
        std::fprintf(f, k < 3 ? "%lf %lf %lf  " : "%lf %lf %lf\n", fin(c.p[k][0]), fin(c.p[k][1]), fin(z[k]));
    }
  std::fprintf(f, "\n");
  std::fprintf(f, "POLYGONS %d %d\n", n, 5 * n);
  for (int k = 0; k < n; ++k) std::fprintf(f, "4 %d %d %d %d\n", 4 * k, 4 * k + 1, 4 * k + 2, 4 * k + 3);
  std::fprintf(f, "\n");
  std::fprintf(f, "CELL_DATA %d\n", n);

  std::vector<double> fr;
  auto variable = [&](const std::string& name, auto value) {
    std::fprintf(f, "\nSCALARS %s float 1\n", name.c_str());
    std::fprintf(f, "LOOKUP_TABLE default\n");
    for (const SectionColumn& c : cols) {
      for (const Layer& l : c.layers) {
        fractions(l.L, c.b, fr);
        value(fr.data());
      }
      std::fprintf(f, "\n");
    }
  };
  variable("D50", [&](const double* x) { writeSmall(f, fin(layerD50(x))); });
  if (FlagBedFractionsPrint > 0)
    for (int k = 1; k <= lnumber; ++k)
      variable("Sediment_fraction_" + std::to_string(k), [&](const double* x) { writeSmall(f, fin(x[k])); });
  variable("Dominant_size", [&](const double* x) { std::fprintf(f, " %lf", fin(dominantSize(x))); });
  if (FlagFractionsPrint > 0)
    variable("Tracer", [&](const double* x) { std::fprintf(f, " %lf", fin(tracerSum(x, true))); });
  fin.report(name);
}

// The continuity test file: per column of the block the bed defect against
// the layer thicknesses.
void writeBedtest(int blockNo) {
  if (!FlagBedtestCreated) {
    FILE* f = openWrite("bedtest", "w");
    if (!f) {
      logf("Warning: cannot open the continuity test file 'bedtest'\n");
      return;
    }
    std::fprintf(f,
                 "Continuity test file: Bed defect, Bedmove[b],Sum BSedDistrib[0], Surf[OR]-Surf[LB], Cxvel, Cyvel, "
                 "Ckinen\n\n");
    closeOutput(f);
    FlagBedtestCreated = 1;
  }
  FILE* f = openWrite("bedtest", "a");
  if (!f) {
    logf("Warning: cannot open the continuity test file 'bedtest'\n");
    return;
  }
  std::fprintf(f, "\nIter %d\n\n", Iter);
  const BlockRecord& r = block[blockNo];
  FiniteValues fin;
  for (int i = std::max(r.i1, 1); i <= std::min(r.i2, xnumber + 1); ++i)
    for (int j = std::max(r.j1, 1); j <= std::min(r.j2, ynumber + 1); ++j) {
      const int b = bedCellOf(i, j), top = topLayer(b);
      double T = 0;
      for (int L = 0; L <= top; ++L) T += thickness(L, b);
      const double S3 = cornerMean(3, i, j), d = cornerMean(0, i, j) - S3, m = surfaceAt(5, i, j);
      std::fprintf(f, "%lf %lf %lf %lf %lf %lf", fin(m - T + d), fin(m), fin(T - d), fin(T), fin(d), fin(S3));
      const int c = (b > 0 && Bcellt && Bcellt[b] > 0 && Bcellt[b] < MaxCeller) ? Bcellt[b] : 0;
      std::fprintf(f, " %lf %lf %lf\n", fin(Cxvel[c]), fin(Cyvel[c]), fin(Ckinen[c]));
    }
  closeOutput(f);
}

bool blockOk(int blockNo, const char* what) {
  if (blockNo >= 1 && blockNo <= NoBlocks && blockNo <= 99 && xval && zval) return true;
  logf("Warning: no %s of block %d: the grid has blocks 1..%d\n", what, blockNo, NoBlocks);
  return false;
}

std::string numberedOr(const char* fixed, const std::string& stem) {
  return PrintRes != 0 ? findFreeFileName(stem, 5, ".vtk") : std::string(fixed);
}

}  // namespace

double layerD50(const double* f) {
  const int n = lnumber;
  if (n < 1) return gsize[std::max(n, 0)];
  double c = f[n] / 2.0;
  if (c > 0.5 || n == 1) return gsize[n];
  for (int k = n - 1; k >= 1; --k) {
    c += f[k + 1] / 2.0 + f[k] / 2.0;
    if (c > 0.5) {
      const double w = std::clamp(2.0 * (c - 0.5) / (f[k + 1] + f[k] + 1e-20), 0.0, 1.0);
      return w * gsize[k + 1] + (1.0 - w) * gsize[k];
    }
  }
  return gsize[1];
}

double dominantSize(const double* f) {
  int best = 0;
  double largest = 0.0;
  for (int k = 1; k <= lnumber; ++k)
    if (f[k] > largest) {
      largest = f[k];
      best = k;
    }
  return gsize[best];
}

double tracerSum(const double* f, bool forFiles) {
  double s = 0.0;
  for (int k : tracerSet(forFiles)) s += f[k];
  return s;
}

void writeParaBed3(int blockNo, int j) {
  if (!blockOk(blockNo, "bed-layer section")) return;
  const BlockRecord& r = block[blockNo];
  if (j == 1 || j < 0 || j > r.j2) return;
  if (j == 0) j = (r.j1 + r.j2) / 2;
  if (j < r.j1 || j < 1 || j > ynumber + 1) {
    logf("Warning: no bed-layer section along row %d: block %d has the rows %d..%d\n", j, blockNo, r.j1, r.j2);
    return;
  }
  std::vector<SectionColumn> cols;
  double s = 0.0;
  for (int i = std::max(r.i1, 1); i <= std::min(r.i2, xnumber + 1); ++i) {
    SectionColumn c{i, j, bedCellOf(i, j), columnLayers(i, j), {}};
    const double d = std::hypot(xval[i][j] - xval[i - 1][j], yval[i][j] - yval[i - 1][j]);
    const double yw = 0.5 * (yval[i - 1][j - 1] + yval[i - 1][j]), ye = 0.5 * (yval[i][j - 1] + yval[i][j]);
    const double pts[4][2] = {{s, yw}, {s + d, ye}, {s + d, ye}, {s, yw}};
    for (int k = 0; k < 4; ++k) {
      c.p[k][0] = pts[k][0];
      c.p[k][1] = pts[k][1];
      c.p[k][2] = 0;
    }
    s += d;
    cols.push_back(std::move(c));
  }
  const std::string name = numberedOr("ParaBed2D.vtk", "pab2_" + std::to_string(j) + "_");
  FILE* f = openOutputOrEnd(name);
  writeSection(f, name, cols);
  closeOutput(f);
  setMessage("have written ParaBed file  ");
  if (FlagMorphStatistics == 5) writeBedtest(blockNo);
}

void writeParaBed5(int blockNo, int i) {
  if (!blockOk(blockNo, "bed-layer section")) return;
  const BlockRecord& r = block[blockNo];
  if (i == 1 || i < 0 || i > r.i2) return;
  if (i == 0) i = (r.i1 + r.i2) / 2;
  if (i < r.i1 || i < 1 || i > xnumber + 1) {
    logf("Warning: no bed-layer section along column line %d: block %d has the columns %d..%d\n", i, blockNo, r.i1,
         r.i2);
    return;
  }
  std::vector<SectionColumn> cols;
  for (int j = std::max(r.j1, 1); j <= std::min(r.j2, ynumber + 1); ++j) {
    SectionColumn c{i, j, bedCellOf(i, j), columnLayers(i, j), {}};
    const double xs = 0.5 * (xval[i - 1][j - 1] + xval[i][j - 1]), ys = yval[i][j - 1];
    const double xn = 0.5 * (xval[i - 1][j] + xval[i][j]), yn = yval[i][j];
    const double pts[4][2] = {{xs, ys}, {xn, yn}, {xn, yn}, {xs, ys}};
    for (int k = 0; k < 4; ++k) {
      c.p[k][0] = pts[k][0];
      c.p[k][1] = pts[k][1];
      c.p[k][2] = 0;
    }
    cols.push_back(std::move(c));
  }
  const std::string name = numberedOr("ParaBed2DC.vtk", "pabc2_" + std::to_string(i) + "_");
  FILE* f = openOutputOrEnd(name);
  writeSection(f, name, cols);
  closeOutput(f);
  setMessage("have written ParaBed file  ");
}

void writeParaBed4(int blockNo) {
  if (!blockOk(blockNo, "bed-layer 3-D file")) return;
  const BlockRecord& r = block[blockNo];
  struct Column {
    int i, j, b;
    std::vector<Layer> layers;
  };
  std::vector<Column> cols;
  int n = 0;
  for (int j = std::max(r.j1, 1); j <= std::min(r.j2, ynumber + 1); ++j)
    for (int i = std::max(r.i1, 1); i <= std::min(r.i2, xnumber + 1); ++i) {
      cols.push_back({i, j, bedCellOf(i, j), columnLayers(i, j)});
      n += static_cast<int>(cols.back().layers.size());
    }
  const std::string name = numberedOr("ParaBed3D.vtk", "pab3_");
  FILE* f = openOutputOrEnd(name);
  FiniteValues fin;
  std::fprintf(f, "# vtk DataFile Version 2.0\n");
  std::fprintf(f, "TOVAK 2 3D bed file %s \n", plotTitle(false).c_str());
  std::fprintf(f, "ASCII\n");
  std::fprintf(f, "DATASET UNSTRUCTURED_GRID\n");
  std::fprintf(f, "POINTS %d float\n", 8 * n);
  for (const Column& c : cols) {
    const int ci[4] = {c.i - 1, c.i, c.i, c.i - 1}, cj[4] = {c.j - 1, c.j - 1, c.j, c.j};
    for (const Layer& l : c.layers)
      for (double z : {l.zb, l.zt})
        for (int k = 0; k < 4; ++k)
          std::fprintf(f, k < 3 ? "%lf %lf %lf  " : "%lf %lf %lf\n", fin(xval[ci[k]][cj[k]]), fin(yval[ci[k]][cj[k]]),
                       fin(z));
  }
  std::fprintf(f, "\n");
  std::fprintf(f, "CELLS %d %d\n", n, 9 * n);
  for (int k = 0; k < n; ++k) {
    std::fprintf(f, "8");
    for (int p = 0; p < 8; ++p) std::fprintf(f, " %d", 8 * k + p);
    std::fprintf(f, "\n");
  }
  std::fprintf(f, "\n");
  std::fprintf(f, "CELL_TYPES %d\n", n);
  for (int k = 0; k < n; ++k) std::fprintf(f, "12\n");
  std::fprintf(f, "\n");
  std::fprintf(f, "CELL_DATA %d\n", n);
  std::vector<double> fr;
  auto variable = [&](const std::string& label, auto value) {
    std::fprintf(f, "\nSCALARS %s float 1\n", label.c_str());
    std::fprintf(f, "LOOKUP_TABLE default\n");
    for (const Column& c : cols) {
      for (const Layer& l : c.layers) {
        fractions(l.L, c.b, fr);
        const double v = fin(value(fr.data()));
        if (std::fabs(v) < 1e-14) std::fprintf(f, "0.0 ");
        else std::fprintf(f, "%lg ", v);
      }
      std::fprintf(f, "\n");
    }
  };
  if (FlagFractionsPrint == 0)
    for (int k = 1; k <= lnumber; ++k)
      variable("Sediment_fraction_" + std::to_string(k), [k](const double* x) { return x[k]; });
  else
    variable("Tracer", [](const double* x) { return tracerSum(x, true); });
  closeOutput(f);
  fin.report(name);
  setMessage("have written ParaBed file  ");
}

// ---- Structured-grid forms of the layers of a block ----

namespace {

int clampInto(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
double zAt(int slot, int i, int j) {
  if (!zval || i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1 || slot < 0 || slot > znumber) return 0.0;
  return zval[i][j][slot];
}
void writeFraction(FILE* f, FiniteValues& fin, double v) { writeSmall(f, fin(v)); }
double fractionOf(int L, int k, int b) {
  if (b == 0 || !BSedDistrib || L < 0 || L > NoBedLayers) return 0.0;
  return BSedDistrib[L][k][b];
}
void structuredHeader(FILE* f, int nx, int ny, int nz) {
  std::fprintf(f, "# vtk DataFile Version 2.0\n");
  std::fprintf(f, "TOVAK 2 bed file %s \n", plotTitle(false).c_str());
  std::fprintf(f, "ASCII\n");
  std::fprintf(f, "DATASET STRUCTURED_GRID\n");
  std::fprintf(f, "DIMENSIONS %d %d %d\n", nx, ny, nz);
  std::fprintf(f, "POINTS %d float\n", nx * ny * nz);
}
// The block window inside the block grid; false when it holds no column.
bool window(int blockNo, int& i1, int& i2, int& j1, int& j2) {
  const BlockRecord& r = block[blockNo];
  i1 = std::max(r.i1, 1);
  i2 = std::min(r.i2, xnumber);
  j1 = std::max(r.j1, 1);
  j2 = std::min(r.j2, ynumber);
  if (i1 > i2 || j1 > j2) {
    logf("Warning: block %d has no columns inside the block grid; no 'ParaBed3.vtk' written\n", blockNo);
    return false;
  }
  return true;
}

}  // namespace

void writeParaBed(int blockNo) {
  if (!blockOk(blockNo, "bed-layer grid file")) return;
  int i1, i2, j1, j2;
  if (!window(blockNo, i1, i2, j1, j2)) return;
  const int nx = i2 - i1 + 3, ny = j2 - j1 + 3, nz = NoBedLayers + 2;
  const std::string name = numberedOr("ParaBed3.vtk", "pab3_");
  FILE* f = openOutputOrEnd(name);
  FiniteValues fin;
  structuredHeader(f, nx, ny, nz);
  // the four grid points of a node: border lines at i1 - 1 and i2 + 1, column centres between
  auto lo = [](int i, int first) { return i <= first ? first - 1 : i - 1; };
  for (int l = -1; l <= NoBedLayers; ++l)
    for (int j = j1 - 1; j <= j2 + 1; ++j)
      for (int i = i1 - 1; i <= i2 + 1; ++i) {
        const int ih = std::min(i, i2), il = lo(i, i1), jh = std::min(j, j2), jl = lo(j, j1);
        const int pi[4] = {il, ih, ih, il}, pj[4] = {jl, jl, jh, jh};
        double x = 0, y = 0, bed = 0, s3 = 0;
        for (int k = 0; k < 4; ++k) {
          x += 0.25 * xval[pi[k]][pj[k]];
          y += 0.25 * yval[pi[k]][pj[k]];
          bed += 0.25 * zAt(1, pi[k], pj[k]);
          s3 += 0.25 * surfaceAt(3, pi[k], pj[k]);
        }
        double z = s3;
        if (l < NoBedLayers) {
          z = bed;
          const int b = bedCellOf(clampInto(i, i1, i2), clampInto(j, j1, j2)), top = topLayer(b);
          for (int L = top; l >= 0 && L >= 0 && L >= top - l; --L) z -= thickness(L, b);
          z = std::max(z, s3);
        }
        std::fprintf(f, "%lf %lf %lf\n", fin(x), fin(y), fin(z));
      }
  std::fprintf(f, "\n");
  std::fprintf(f, "POINT_DATA %d\n", nx * ny * nz);
  for (int k = 1; k <= lnumber; ++k) {
    std::fprintf(f, "\nSCALARS Sediment_fraction_%d float\n", k);
    std::fprintf(f, "LOOKUP_TABLE default\n");
    for (int l = -1; l <= NoBedLayers; ++l)
      for (int j = j1 - 1; j <= j2 + 1; ++j) {
        for (int i = i1 - 1; i <= i2 + 1; ++i) {
          const int b = bedCellOf(clampInto(i, i1, i2), clampInto(j, j1, j2));
          const int L = std::max(topLayer(b) - std::max(l, 0), 0);
          writeFraction(f, fin, fractionOf(L, k, b));
        }
        std::fprintf(f, "\n");
      }
  }
  closeOutput(f);
  fin.report(name);
  setMessage("have written ParaView 3D file  ");
}

void writeParaBed2(int blockNo) {
  if (!blockOk(blockNo, "bed-layer grid file")) return;
  int i1, i2, j1, j2;
  if (!window(blockNo, i1, i2, j1, j2)) return;
  const int nx = i2 - i1 + 2, ny = j2 - j1 + 2, nz = NoBedLayers + 1;
  const std::string name = numberedOr("ParaBed3.vtk", "pab3_");
  FILE* f = openOutputOrEnd(name);
  FiniteValues fin;
  structuredHeader(f, nx, ny, nz);
  for (int l = 0; l <= NoBedLayers; ++l)
    for (int j = j1 - 1; j <= j2; ++j)
      for (int i = i1 - 1; i <= i2; ++i) {
        double z = surfaceAt(3, i, j);
        if (l > 0) {
          // the thickest stack below layer l of the columns around the grid point
          double largest = 0.0;
          for (int ci : {i, i + 1})
            for (int cj : {j, j + 1}) {
              const int b = bedCellOf(clampInto(ci, i1, i2), clampInto(cj, j1, j2));
              const int top = topLayer(b);
              double t = 0.0;
              for (int L = 0; L < std::min(l, top); ++L) t += thickness(L, b);
              largest = std::max(largest, t);
            }
          z = std::min(z + largest, zAt(1, i, j));
        }
        std::fprintf(f, "%lf %lf %lf\n", fin(xval[i][j]), fin(yval[i][j]), fin(z));
      }
  std::fprintf(f, "\n");
  std::fprintf(f, "CELL_DATA %d\n", (i2 - i1 + 1) * (j2 - j1 + 1) * NoBedLayers);
  for (int k = 1; k <= lnumber; ++k) {
    std::fprintf(f, "\nSCALARS Sediment_fraction_%d float 1\n", k);
    std::fprintf(f, "LOOKUP_TABLE default\n");
    for (int m = 0; m < NoBedLayers; ++m)
      for (int j = j1; j <= j2; ++j) {
        for (int i = i1; i <= i2; ++i) {
          const int b = bedCellOf(i, j), top = topLayer(b);
          writeFraction(f, fin, top < 0 ? 0.0 : fractionOf(std::min(m, top), k, b));
        }
        std::fprintf(f, "\n");
      }
  }
  closeOutput(f);
  fin.report(name);
  setMessage("have written ParaView 3D file  ");
}

void make_Bfractionsprint() {
  if (FlagFractionsPrint == 0 || !Bfractionsprint || !BlayerTop || !BSedDistrib) return;
  if (lnumber != 10 && lnumber != 14 && lnumber != 18 && lnumber != 22) return;
  std::vector<double> fr;
  const int last = std::min(NoBCells, bedCellCapacity() - 1);
  for (int b = 1; b <= last; ++b) {
    const int top = topLayer(b);
    if (top < 0) {
      Bfractionsprint[b] = 0.0;
      continue;
    }
    double T = 0.0, S = 0.0;
    for (int L = top; L >= 0; --L) {
      fractions(L, b, fr);
      const double t = thickness(L, b);
      T += t;
      S += t * tracerSum(fr.data(), false);
      if (T > depthTracer) break;
    }
    Bfractionsprint[b] = S / (T + 1e-20);
  }
}
