// A plan view of one block as a legacy VTK structured grid: the plan points
// with their boundary ring at the bed level, one scalar field per G 24 entry
// and the velocity vectors of the cell level P 3.
#include <cmath>
#include <string>

#include "state/log.h"
#include "state/outfile.h"
#include "state/numbered.h"
#include "output/output.h"
#include "output/plotfile.h"
#include "output/plotpoints.h"
#include "output/variables.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

std::string paraview2dName(int numbered, int blockNo) {
  char text[80];
  if (blockNo > 0) {
    if (PrintRes != 0) {
      std::snprintf(text, sizeof text, "pav2_n%d_", blockNo);
      return findFreeFileName(text, 5, ".vtk");
    }
    if (FlagMPI > 0)
      std::snprintf(text, sizeof text, "ParaView2_n%d.mpi%d.vtk", blockNo, FlagMPI);
    else
      std::snprintf(text, sizeof text, "ParaView2_n%d.vtk", blockNo);
    return text;
  }
  if (numbered != 0 || PrintRes != 0) {
    if (FlagMPI > 0) {
      std::snprintf(text, sizeof text, "pav2.mpi%d.", FlagMPI);
      return findFreeFileName(text, 5, ".vtk");
    }
    return findFreeFileName("pav2_", 5, ".vtk");
  }
  if (FlagMPI > 0) {
    std::snprintf(text, sizeof text, "ParaView2.mpi%d.vtk", FlagMPI);
    return text;
  }
  return "ParaView2.vtk";
}

// F 268 = 1: the last nested block (block 1 when there is none); else block 1.
int planBlock() {
  if (FlagViewNested != 1) return 1;
  int chosen = 1;
  for (int b = 1; b <= NoBlocks && b <= 99; ++b)
    if (block[b].nestLevel > 0) chosen = b;
  return chosen;
}

bool bedCellAt(int i, int j, int& b) {
  b = 0;
  if (!pointbed || i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1) return false;
  b = pointbed[i][j];
  if (b < 0 || b >= bedCellCapacity()) b = 0;
  return b != 0;
}

// The value of one entry at one plan point.
double planValue(const TecVariable& v, int layer, const PlanPoint& p, bool bedRoute) {
  if (isGridLineLetter(v.letter) || v.letter == 'M') return planMean(v.letter, p);
  if (v.letter == 'X') return gridLineValue('X', p.ci, p.cj);
  if (bedRoute && onBedRoute(v)) {
    int b;
    bedCellAt(p.ci, p.cj, b);
    return bedRouteValue(v, b, layer);
  }
  if (v.letter == 'Z' && v.code == 106 && FlagPlastics > 0) {
    int b;
    bedCellAt(p.i, p.j, b);
    return (BplasticDeposits && v.size >= 0 && v.size <= lnumber) ? BplasticDeposits[v.size][b] : 0.0;
  }
  if (v.letter == 'Z' && v.code == 108)
    return (FlagWriteDune2D > 0 && DuneIndex) ? static_cast<double>(DuneIndex[p.ci][p.cj]) : 0.0;
  return cellValue(v, columnCell(p.ci, p.cj, znode), layer, PlotFile::VtkPlan);
}

}  // namespace

void print_paraview2d(int numbered, int blockNo) {
  const std::string name = paraview2dName(numbered, blockNo);
  FILE* f = openOutputOrEnd(name);
  FiniteValues finite;

  std::fprintf(f, "# vtk DataFile Version 2.0\n");
  std::fprintf(f, "TOVAK 2 %s %lf seconds.\n", plotTitle(false).c_str(), finite(stimet));
  std::fprintf(f, "ASCII\n");
  std::fprintf(f, "DATASET STRUCTURED_GRID\n");

  PlanGrid grid;
  if (!makePlanGrid(planBlock(), grid))
    logf("Warning: block %d has no columns inside the block grid; the plan file '%s' is empty\n", planBlock(),
         name.c_str());
  const int np = grid.nx * grid.ny;
  std::fprintf(f, "DIMENSIONS %d %d %d\n", grid.nx, grid.ny, 1);
  std::fprintf(f, "POINTS %d double\n", np);
  for (const PlanPoint& p : grid.points)
    std::fprintf(f, "%lf %lf %lf\n", finite(p.x), finite(p.y), finite(planMean('z', p)));
  std::fprintf(f, "\n");
  std::fprintf(f, "POINT_DATA %d\n", np);

  // The variables: the G 24 list, or the P 4 letter alone.
  int count = TecStrucNo;
  TecVariable single{};
  if (count <= 0) {
    single.letter = graph;
    single.size = lnode;
    single.level = TecStruc[0].level;
    single.code = 0;
    count = 1;
  }
  const bool bedRoute = NoBCells != 0 && grid.nx > 0 && pointbed && pointbed[grid.i1][grid.j1] != 0;

  VtkNameSet names;
  for (int e = 0; e < count && e < 300; ++e) {
    TecVariable v = TecStrucNo > 0 ? TecStruc[e] : single;
    const int layer = entryLayer(v, PlotFile::VtkPlan);
    lnodem = v.size;
    bnodem = layer;
    // the default variable's name takes its numbers from the first list record
    TecVariable named = v;
    if (TecStrucNo <= 0) named.size = TecStruc[0].size;
    const std::string label = names.unique(vtkSafeName(variableName(named, PlotFile::VtkPlan, layer), named));
    std::fprintf(f, "\nSCALARS %s float\n", label.c_str());
    std::fprintf(f, "LOOKUP_TABLE default\n");
    for (int row = 0; row < grid.ny; ++row) {
      for (int col = 0; col < grid.nx; ++col) {
        const double value = finite(planValue(v, layer, grid.points[static_cast<std::size_t>(row) * grid.nx + col], bedRoute));
        if (std::fabs(value) < 1e-14)
          std::fprintf(f, " 0.0");
        else
          std::fprintf(f, " %lg", value);
      }
      std::fprintf(f, "\n");
    }
  }

  std::fprintf(f, "\nVECTORS Velocities float\n");
  if (Cxvel && Cyvel && Czvel) Cxvel[0] = Cyvel[0] = Czvel[0] = 0.0;
  for (const PlanPoint& p : grid.points) {
    const int c = columnCell(p.i, p.j, znode);
    const double u = Cxvel ? Cxvel[c] : 0.0, v = Cyvel ? Cyvel[c] : 0.0, w = Czvel ? Czvel[c] : 0.0;
    std::fprintf(f, "%lf %lf %lf\n", finite(u), finite(v), finite(w));
  }
  closeOutput(f);
  finite.report(name);
  setMessage("have written ParaView 2D file  ");
}
