// Results at the interpolation points of `interpol`: the neighbourhood of a
// point and the weights of its cells and grid lines, shared by the interres
// records and the section files.
#pragma once

#include <vector>

// The four columns around a point: the top cell c whose corner 1 lies
// nearest to the point (within 10 000 m), its south s and west w neighbours
// and the south-west cell sw (0 for a missing cell), each weighted with
// 1/(d + 1e-6), d the horizontal distance from the point to its centre
// (weight 0 for a missing cell).
struct InterpolNeighbourhood {
  int cell[4] = {0, 0, 0, 0};  // c, s, w, sw
  double weight[4] = {0, 0, 0, 0};
};

// The top cells of the grid (no cell above) in cell order, with corner 1 in
// plan: the cells the neighbourhood search visits.
struct TopCell {
  int c;
  double x, y;
};
std::vector<TopCell> topCells();

// False when no top cell lies within 10 000 m of (x, y). `tops`: the list of
// topCells() when the caller searches for many points.
bool interpolNeighbourhood(double x, double y, InterpolNeighbourhood& nb, const std::vector<TopCell>* tops = nullptr);

// The column of the ordinary blocks whose centre lies nearest to a point,
// with the inverse-distance weights of its four corner grid lines
// (i-1, j-1), (i, j-1), (i, j), (i-1, j).
struct InterpolColumn {
  int i = 0, j = 0;
  double best = 1e300;  // squared distance to the centre of the nearest column so far
  double weight[4] = {0, 0, 0, 0};
  double sum = 0;       // sum of the weights
};

// Searches the columns of block b, keeping the nearest of the blocks
// searched so far in `col` (strictly nearer wins); fills the weights.
void nearestColumnOfBlock(int b, double x, double y, InterpolColumn& col);

// Weighted mean of a grid-line quantity over the column's four corners.
template <class F>
double columnMean(const InterpolColumn& col, F value) {
  const int ci[4] = {col.i - 1, col.i, col.i, col.i - 1}, cj[4] = {col.j - 1, col.j - 1, col.j, col.j};
  double s = 0;
  for (int k = 0; k < 4; ++k) s += col.weight[k] * value(ci[k], cj[k]);
  return s / (col.sum + 1e-20);
}

// Discharge per unit width (m2/s) normal to the direction (dx, dy) through
// the four columns of a neighbourhood, from the surface to the bed.
// The cell field f at height z in the column of cell n: linear between the
// enclosing cell centres, and the end cell's value beyond the lowest or the
// highest centre (an extrapolated concentration could turn negative); 0 for
// no cell or no field.
double fieldAtHeight(const double* f, int n, double z);
double unitDischarge(const InterpolNeighbourhood& nb, double dx, double dy);

// Unit direction along the line of points at point p (0..n-1) of the
// points (xs, ys); (0, 0) when there are fewer than two points.
void lineDirection(const double* xs, const double* ys, int n, int p, double& dx, double& dy);
