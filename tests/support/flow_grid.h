// Grids for the solver and flow tests, made by the grid generator itself:
// a block of nx x ny columns of 1 m by 1 m, cut into cells by the level
// distribution, with its geometry and bed cells, and with discharge group 1
// (inflow) along the west and group 2 (outflow) along the east edge.
//
//   box():     flat bed at 0 m, water at 1 m (or the depth given)
//   sloping(): bed falling 0.1 m per metre eastwards and rising 0.1 m per
//              metre northwards, water at 2 m, so the cells follow the bed
//              and the columns hold different numbers of cells.
//   inclined(): the same bed with the water 1.5 m above it everywhere: every
//              column alike, every cell a parallelepiped.
//
// Use inside an InProjectDir (the generator writes to the log).
#pragma once

#include <functional>

#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

struct FlowGrid {
  int nx = 8, ny = 4;
  std::function<double(int, int)> bed = [](int, int) { return 0.0; };
  std::function<double(int, int)> water = [](int, int) { return 1.0; };
  double inflow = 1.5;   // group 1, m3/s
  double outflow = 1.0;  // group 2, m3/s
  int cells = 20000, faces = 80000, points = 40000;
  int sizes = 1;  // grain sizes (G 1)
  int levels = 11;  // znumber (G 1): levels - 2 cells per column

  static FlowGrid box(int nx = 8, int ny = 4, double depth = 1.0) {
    FlowGrid g;
    g.nx = nx;
    g.ny = ny;
    g.water = [depth](int, int) { return depth; };
    return g;
  }
  static FlowGrid sloping(int nx = 8, int ny = 4) {
    FlowGrid g;
    g.nx = nx;
    g.ny = ny;
    g.bed = [](int i, int j) { return -0.1 * (i - 1) + 0.1 * (j - 1); };
    g.water = [](int, int) { return 2.0; };
    return g;
  }

  static FlowGrid inclined(int nx = 8, int ny = 4) {
    FlowGrid g = sloping(nx, ny);
    g.water = [](int i, int j) { return 1.5 - 0.1 * (i - 1) + 0.1 * (j - 1); };
    return g;
  }

  // Generates the grid; false when a step failed.
  bool build() const {
    FlagGenerateUpFlux = 1;
    FlagGenerateDownFlux = 1;
    discharges[1] = inflow;
    discharges[2] = outflow;
    BlockGrid b;
    b.nx = nx;
    b.ny = ny;
    b.bed = bed;
    b.water = water;
    b.cells = cells;
    b.faces = faces;
    b.points = points;
    b.sizes = sizes;
    b.levels = levels;
    b.prepare();
    if (UnstructureBuild() != 1) return false;
    metric();
    BedMake();
    setFluxes();
    WCStart = 1;
    WCEnd = NoCells;
    WFStart = 1;
    WFEnd = NoSurfaces;
    return NoCells > 0 && DischargeStruct[1].surfno > 0 && DischargeStruct[2].surfno > 0;
  }
};
