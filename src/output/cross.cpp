// A vertical cross section of one block along grid line i as a legacy VTK
// polygon file: one quadrilateral per cell of the columns (i, j1..j2), in the
// plane of the distance along the section and the level, with the velocity
// across the section and the G 24 variables.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "state/log.h"
#include "state/outfile.h"
#include "state/numbered.h"
#include "output/output.h"
#include "output/plotfile.h"
#include "output/variables.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

std::string crossName(int b, int i) {
  char text[96];
  if (numberedOutput() || NoAlldataPrintout > 0) {
    if (FlagMPI > 0) {
      std::snprintf(text, sizeof text, "parc.mpi%d.", FlagMPI);
      return findFreeFileName(text, 5, ".vtk");
    }
    std::snprintf(text, sizeof text, "parc%d_%d_", b, i);
    return findFreeFileName(text, 5, ".vtk");
  }
  if (FlagMPI > 0)
    std::snprintf(text, sizeof text, "ParaCross_%d_%d.mpi%d.vtk", b, i, FlagMPI);
  else
    std::snprintf(text, sizeof text, "ParaCross_%d_%d.vtk", b, i);
  return text;
}

int validCell(int c) { return (c > 0 && c < MaxCeller) ? c : 0; }
int validPoint(int p) { return (p > 0 && p < MaxPunkter) ? p : 0; }

// Letters the cross section does not evaluate: written as 0.
bool zeroInSection(char letter) {
  if (letter < 'A' || letter > 'x') return true;
  switch (letter) {
    case 'M': case 'S': case 'Z': case 'g': case 'n': case 's': case 't': case 'v': case 'y': case 'z':
      return true;
    default:
      return false;
  }
}

struct SectionColumn {
  double s0 = 0, s1 = 0;   // distance along the section at its two sides
  std::vector<int> cells;  // bottom up
};

}  // namespace

void print_cross3d(int blockNo, int line) {
  if (blockNo < 1 || blockNo > NoBlocks || blockNo > 99) {
    logf("Warning: no cross section of block %d: the grid has blocks 1..%d\n", blockNo, NoBlocks);
    return;
  }
  const BlockRecord& blk = block[blockNo];
  if (line < blk.i1 || line > blk.i2 || line < 1 || line > xnumber + 1) {
    logf("Warning: no cross section along grid line %d: block %d has the grid lines %d..%d\n", line, blockNo,
         blk.i1, blk.i2);
    return;
  }
  const int j1 = std::max(blk.j1, 1), j2 = std::min(blk.j2, ynumber + 1);

  // The columns of the section with their cells and their extent along it.
  std::vector<SectionColumn> columns;
  int n = 0;
  double s = 0.0;
  for (int j = j1; j <= j2; ++j) {
    SectionColumn col;
    col.s0 = s;
    s += std::hypot(xval[line][j] - xval[line][j - 1], yval[line][j] - yval[line][j - 1]);
    col.s1 = s;
    for (int c = validCell(static_cast<int>(zval[line][j][0])), guard = 0; c > 0 && guard < MaxCeller;
         c = validCell(Ccellt[c]), ++guard)
      col.cells.push_back(c);
    n += static_cast<int>(col.cells.size());
    columns.push_back(std::move(col));
  }

  const std::string name = crossName(blockNo, line);
  FILE* f = openOutputOrEnd(name);
  FiniteValues finite;
  std::fprintf(f, "# vtk DataFile Version 2.0\n");
  std::fprintf(f, "TOVAK 2 2D cross-section file %s \n", plotTitle(false).c_str());
  std::fprintf(f, "ASCII\n");
  std::fprintf(f, "DATASET POLYDATA\n");
  std::fprintf(f, "POINTS %d float\n", 4 * n);
  double su = 0.0, sv = 0.0;
  for (const SectionColumn& col : columns)
    for (int c : col.cells) {
      const double z1 = Pz[validPoint(Cpoint1[c])], z4 = Pz[validPoint(Cpoint4[c])];
      const double z8 = Pz[validPoint(Cpoint8[c])], z5 = Pz[validPoint(Cpoint5[c])];
      std::fprintf(f, "%lf %lf %lf  %lf %lf %lf  %lf %lf %lf  %lf %lf %lf\n", col.s0, 0.0, finite(z1), col.s1, 0.0,
                   finite(z4), col.s1, 0.0, finite(z8), col.s0, 0.0, finite(z5));
      su += Cxvel[c];
      sv += Cyvel[c];
    }
  std::fprintf(f, "\n");
  std::fprintf(f, "POLYGONS %d %d\n", n, 5 * n);
  for (int k = 0; k < n; ++k) std::fprintf(f, "4 %d %d %d %d\n", 4 * k, 4 * k + 1, 4 * k + 2, 4 * k + 3);
  std::fprintf(f, "\n");

  std::fprintf(f, "CELL_DATA %d\n", n);
  std::fprintf(f, "VECTORS Velocity float\n");
  const double norm = std::sqrt(su * su + sv * sv + 1e-20);
  for (const SectionColumn& col : columns) {
    if (col.cells.empty()) continue;
    for (int c : col.cells) {
      double across;
      if (blk.subBed != 0) {
        const int face = Cflaten[c];
        const bool ok = face > 0 && face < MaxFlater;
        across = ok ? Cxvel[c] * Fvx[face] + Cyvel[c] * Fvy[face] : 0.0;
      } else {
        across = (su * Cyvel[c] - sv * Cxvel[c]) / norm;
      }
      std::fprintf(f, "%lf 0.0 %lf   ", finite(across), finite(Czvel[c]));
    }
    std::fprintf(f, "\n");
  }

  VtkNameSet names;
  for (int e = 0; e < TecStrucNo && e < 300; ++e) {
    const TecVariable entry = TecStruc[e];
    const int layer = entry.level <= 1 ? 0 : entry.level - 1;
    lnodem = entry.size;
    bnodem = layer;
    const std::string label =
        names.unique(vtkSafeName(variableName(entry, PlotFile::CrossSection, layer), entry));
    std::fprintf(f, "\nSCALARS %s float\n", label.c_str());
    std::fprintf(f, "LOOKUP_TABLE default\n");
    const bool zero = zeroInSection(entry.letter);
    for (const SectionColumn& col : columns) {
      if (col.cells.empty()) continue;
      for (int c : col.cells) {
        const double v = zero ? 0.0 : finite(cellValue(entry, c, layer, PlotFile::CrossSection));
        if (std::fabs(v) < 1e-14)
          std::fprintf(f, "0.0 ");
        else
          std::fprintf(f, "%lg ", v);
      }
      std::fprintf(f, "\n");
    }
  }
  closeOutput(f);
  finite.report(name);
  setMessage("have written ParaCross file  ");
}
