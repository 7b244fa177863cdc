// Where the plot files put their values: the plan grid of a block with its
// boundary ring (the plan files), and the grid points of the unstructured grid
// with the node rule that carries cell values to them (the 3-D files).
#pragma once

#include <vector>

// ---- Plan grid ----

// One point of the plan grid: rows j = j1-1..j2+1, points i = i1-1..i2+1.
struct PlanPoint {
  int i, j;              // the point's own indices
  int iA, iB, jhi, jlo;  // its four grid-line points (iA, jhi), (iB, jhi), (iB, jlo), (iA, jlo)
  int ci, cj;            // its plot column
  double x, y;           // the mean of the four grid-line points
};

struct PlanGrid {
  int block = 0, i1 = 0, i2 = 0, j1 = 0, j2 = 0;
  int nx = 0, ny = 0;
  std::vector<PlanPoint> points;  // rows j outer, points i inner
};

// Builds the plan grid of block `blockNo`. False (and an empty grid) when the
// block has no columns inside the block grid.
bool makePlanGrid(int blockNo, PlanGrid& grid);

// Mean of a grid-line quantity (variables.h: gridLineValue) at the point's
// four grid-line points.
double planMean(char letter, const PlanPoint& p);

// The cell at `position` from the bottom of column (i, j): 0 and 1 give the
// bottom cell, a shorter column gives its top cell, an empty column (or one
// outside the block grid) gives 0.
int columnCell(int i, int j, int position);

// ---- Node maps (Pi, Pj, Pc) ----

// Pi, Pj of the points first..last: first cleared, then set from the corners
// of the cells of the columns i1..i2, j1..j2.
void fillNodeGridLines(int i1, int i2, int j1, int j2, int first, int last);

// Pc of the points first..last: the point itself, then for each joined pair
// of surfaces the twin on the second surface for the corners of the first.
void fillNodeTwinMap(int first, int last);

// ---- Node values ----

// The cells that meet at each grid point, over every column of the block
// grid. A point on a joined block interface also collects the cells that meet
// at its twin point(s) on the other side, so that node values along joins come
// from the cells of both blocks.
class NodeRule {
 public:
  void build();
  // The counting cells, each once.
  const std::vector<int>& cells() const { return cells_; }
  // Node values of points 1..last from one value per counting cell (in the
  // order of cells()). `vtkMean`: sum/(count + 1e-20); else sum/count, and 0
  // where no cell counts.
  void means(const std::vector<double>& cellValues, int last, bool vtkMean, std::vector<double>& out) const;
  // Number of cells that count at point n (its twins included).
  int count(int n) const;

 private:
  std::vector<int> cells_;
  std::vector<int> corners_;  // 8 slots per counting cell: its distinct corners, 0 for none
  std::vector<int> own_;      // per point: the cells that have it as a corner
  std::vector<int> twinStart_, twins_;
  mutable std::vector<double> sum_;
};
