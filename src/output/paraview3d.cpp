// The 3-D result of block 1 as a legacy VTK file of hexahedra: the grid
// points, the cells, the velocity at the points and one scalar field per G 24
// entry, cell values carried to the points by the node rule.
#include <algorithm>
#include <string>
#include <vector>

#include "state/numbered.h"
#include "state/outfile.h"
#include "output/output.h"
#include "output/plotfile.h"
#include "output/plotpoints.h"
#include "output/variables.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

std::string paraview3dName() {
  char stem[64];
  if (numberedOutput() || NoAlldataPrintout > 0) {
    if (FlagMPI > 0) {
      std::snprintf(stem, sizeof stem, "paru.mpi%d.", FlagMPI);
      return findFreeFileName(stem, 5, ".vtk");
    }
    return findFreeFileName("paru3_", 5, ".vtk");
  }
  if (FlagMPI > 0) {
    std::snprintf(stem, sizeof stem, "ParaView3U.mpi%d.dat", FlagMPI);
    return stem;
  }
  return "ParaView3U.vtk";
}

// Node values of the per-cell quantity f over the counting cells.
template <class F>
void nodeMeans(const NodeRule& rule, int last, F f, std::vector<double>& cellValues, std::vector<double>& out) {
  const std::vector<int>& cells = rule.cells();
  cellValues.resize(cells.size());
  const long n = static_cast<long>(cells.size());
#pragma omp parallel for schedule(static)
  for (long k = 0; k < n; ++k) cellValues[k] = f(cells[k]);
  rule.means(cellValues, last, true, out);
}

bool nodeGridLineLetter(char letter) { return isGridLineLetter(letter) || letter == 'X'; }

}  // namespace

void print_paraview3d(int) {
  const std::string name = paraview3dName();
  FILE* f = openOutputOrEnd(name);

  const int np = std::clamp(block[1].lastPoint, 0, MaxPunkter - 1);
  const int nc = std::clamp(block[1].lastCell, 0, MaxCeller - 1);
  fillNodeGridLines(block[1].i1, block[1].i2, block[1].j1, block[1].j2, 1, np);

  FiniteValues finite;
  std::fprintf(f, "# vtk DataFile Version 2.0\n");
  std::fprintf(f, "TOVAK 2 %s %lf seconds\n", plotTitle(false).c_str(), finite(stimet));
  std::fprintf(f, "ASCII\n");
  std::fprintf(f, "DATASET UNSTRUCTURED_GRID\n");
  // double: projected coordinates of millions of metres keep their decimals
  std::fprintf(f, "POINTS %d double\n", np);
  for (int n = 1; n <= np; ++n) std::fprintf(f, "%lf %lf %lf\n", finite(Px[n]), finite(Py[n]), finite(Pz[n]));
  std::fprintf(f, "\n");
  std::fprintf(f, "CELLS %d %d\n", nc, 9 * nc);
  for (int c = 1; c <= nc; ++c)
    std::fprintf(f, "8 %d %d %d %d %d %d %d %d\n", Cpoint1[c] - 1, Cpoint2[c] - 1, Cpoint3[c] - 1, Cpoint4[c] - 1,
                 Cpoint5[c] - 1, Cpoint6[c] - 1, Cpoint7[c] - 1, Cpoint8[c] - 1);

  if (nc >= 1 && Cconc)
    for (int c = 1; c <= nc; ++c) {
      double sum = 0.0;
      for (int k = 1; k <= lnumber; ++k) sum += Cconc[k][c];
      Cconc[0][c] = sum;
    }

  std::fprintf(f, "CELL_TYPES %d\n", nc);
  for (int c = 1; c <= nc; ++c) std::fprintf(f, "12\n");

  fillNodeTwinMap(1, np);
  NodeRule rule;
  rule.build();
  std::vector<double> cellValues, u, v, w;
  nodeMeans(rule, np, [](int c) { return Cxvel[c]; }, cellValues, u);
  nodeMeans(rule, np, [](int c) { return Cyvel[c]; }, cellValues, v);
  nodeMeans(rule, np, [](int c) { return Czvel[c]; }, cellValues, w);
  std::fprintf(f, "POINT_DATA %d\n", np);
  std::fprintf(f, "VECTORS Velocity float\n");
  for (int n = 1; n <= np; ++n) std::fprintf(f, "%lf %lf %lf\n", finite(u[n]), finite(v[n]), finite(w[n]));

  VtkNameSet names;
  std::vector<double> values;
  for (int e = 0; e < TecStrucNo && e < 300; ++e) {
    const TecVariable entry = TecStruc[e];
    const int layer = entryLayer(entry, PlotFile::Vtk3D);
    lnodem = entry.size;
    bnodem = layer;
    const std::string label = names.unique(vtkSafeName(variableName(entry, PlotFile::Vtk3D, layer), entry));
    std::fprintf(f, "\nSCALARS %s float\n", label.c_str());
    std::fprintf(f, "LOOKUP_TABLE default\n");
    if (nodeGridLineLetter(entry.letter)) {
      for (int n = 1; n <= np; ++n) std::fprintf(f, "%lf\n", finite(gridLineValue(entry.letter, Pi[n], Pj[n])));
      continue;
    }
    nodeMeans(rule, np, [&](int c) { return cellValue(entry, c, layer, PlotFile::Vtk3D); }, cellValues, values);
    for (int n = 1; n <= np; ++n) std::fprintf(f, "%lg\n", finite(values[n]));
  }
  closeOutput(f);
  finite.report(name);
}
