// Results at the interpolation points of `interpol` (print_interres): one
// record per point in `interres`, chosen by F 48, F 329 entry 10 and F 309;
// the discharge across the line of points (`interres14`); vertical sections
// along the points (`ParaView2c.vtk`, `ParaView2cc.vtk`); then the cross
// sections of P 18.
#include "output/interres.h"
#include "state/outfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "io/gridfiles.h"
#include "state/log.h"
#include "grid/geometry.h"
#include "state/numbered.h"
#include "output/output.h"
#include "output/plotfile.h"
#include "solvers/columns.h"
#include "solvers/gradients.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

constexpr double kFarAway = 10000.0;

int validCell(int c) { return (c > 0 && c < MaxCeller) ? c : 0; }
int below(int c) { return c > 0 ? validCell(Ccellb[c]) : 0; }

double surfaceAt(int row, int i, int j) {
  if (!Surfaces || row < 0 || row >= surfaceCount() || i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1)
    return 0.0;
  return Surfaces[row][i][j];
}
double levelAt(int slot, int i, int j) {
  if (!zval || slot < 0 || slot > znumber || i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1) return 0.0;
  return zval[i][j][slot];
}

double speed(int c) { return std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]); }
double conc(int k, int c) { return (Cconc && k >= 0 && k <= lnumber && Cconc[k]) ? Cconc[k][c] : 0.0; }
double comp(int k, int c) { return (Ccomp && k >= 0 && k < NoComponents && Ccomp[k]) ? Ccomp[k][c] : 0.0; }

// The four columns of a neighbourhood walked down cell by cell: a column
// without a cell below ends (cell 0, weight 0).
struct Walk {
  int cell[4];
  double weight[4];
  explicit Walk(const InterpolNeighbourhood& nb) {
    for (int k = 0; k < 4; ++k) {
      cell[k] = nb.cell[k];
      weight[k] = nb.cell[k] > 0 ? nb.weight[k] : 0.0;
    }
  }
  bool ended() const { return !cell[0] && !cell[1] && !cell[2] && !cell[3]; }
  template <class F>
  double mean(F value) const {
    double s = 0, w = 0;
    for (int k = 0; k < 4; ++k)
      if (cell[k] > 0) {
        s += weight[k] * value(cell[k]);
        w += weight[k];
      }
    return w > 0 ? s / w : 0.0;
  }
  void down() {
    for (int k = 0; k < 4; ++k) {
      if (cell[k] == 0) continue;
      cell[k] = below(cell[k]);
      if (cell[k] == 0) weight[k] = 0.0;
    }
  }
};

std::string interresName(int numbered) {
  if (numbered > 0 || numberedOutput()) return findFreeFileName("interres.", 3, "");
  return "interres";
}
std::string seriesName(const char* fixed, const char* stem, int width, const char* ending) {
  return numberedOutput() ? findFreeFileName(stem, width, ending) : std::string(fixed);
}

// ---- interres records ----

void writeNeighbourhoodRecord(FILE* f, FiniteValues& fin, double x, double y, int V, int A, int N,
                              const std::vector<TopCell>& tops) {
  InterpolNeighbourhood nb;
  if (!interpolNeighbourhood(x, y, nb, &tops)) {
    std::fprintf(f, "M %lf %lf point is more than 10 000 meters outside grid\n", x, y);
    return;
  }
  const int* c = nb.cell;
  const double* w = nb.weight;
  auto mLine = [&] {
    std::fprintf(f, "M %lf %lf %d %d %d %d %lf %lf %lf %lf\n", x, y, c[0], c[1], c[2], c[3], fin(w[0]), fin(w[1]),
                 fin(w[2]), fin(w[3]));
  };
  const int profileLines = 2 * znumber + 1;
  if (V == 2 || A == 2) {
    mLine();
    Walk walk(nb);
    for (int l = 0; l < profileLines && !walk.ended(); ++l, walk.down())
      std::fprintf(f, "%lf %lf %lf %lf %lf %lf\n", fin(walk.mean([](int n) { return Czcenter[n]; })),
                   fin(walk.mean([](int n) { return Cxvel[n]; })), fin(walk.mean([](int n) { return Cyvel[n]; })),
                   fin(walk.mean([](int n) { return Czvel[n]; })), fin(walk.mean([](int n) { return Ckinen[n]; })),
                   fin(walk.mean([](int n) { return Cepsilon[n]; })));
  } else if (V == 3 || A == 3) {
    std::fprintf(f, "Q %lf %lf\n", x, y);
    Walk walk(nb);
    for (int l = 0; l < profileLines && !walk.ended(); ++l, walk.down()) {
      std::fprintf(f, "%lf", fin(walk.mean([](int n) { return Czcenter[n]; })));
      for (int k = 0; k < NoComponents; ++k) std::fprintf(f, " %e", fin(walk.mean([k](int n) { return comp(k, n); })));
      std::fprintf(f, "\n");
    }
  } else if (A == 6 || V == 6) {
    std::fprintf(f, "C %lf %lf\n", x, y);
    Walk walk(nb);
    for (int l = 0; l < profileLines && !walk.ended(); ++l, walk.down()) {
      std::fprintf(f, "%lf", fin(walk.mean([](int n) { return Czcenter[n]; })));
      for (int k = 0; k <= lnumber; ++k) std::fprintf(f, " %e", fin(walk.mean([k](int n) { return conc(k, n); })));
      std::fprintf(f, "\n");
    }
  } else if (A == 5 || V == 5 || A == 18) {
    // inside: every cell of the neighbourhood within 4 half widths of c
    bool inside = true;
    for (int k = 0; k < 4; ++k)
      if (c[k] == 0 || 1.0 / w[k] > 4.0 * Cidist[c[0]]) inside = false;
    double value = 0.0;
    if (inside) {
      const Walk top(nb);
      value = A == 18 ? 300.0 * top.mean([](int n) { return Ckinen[n]; }) : top.mean(speed);
    }
    std::fprintf(f, "N %lf %lf %lf\n", x, y, fin(value));
  } else if (N == 101 || A == 16) {
    mLine();
    Walk walk(nb);
    for (int l = 0; l < znumber + 1 && !walk.ended(); ++l, walk.down()) {
      std::fprintf(f, "%lf %lf %lf %lf %lf %lf ", fin(walk.mean([](int n) { return Czcenter[n]; })),
                   fin(walk.mean([](int n) { return Cxvel[n]; })), fin(walk.mean([](int n) { return Cyvel[n]; })),
                   fin(walk.mean([](int n) { return Czvel[n]; })), fin(walk.mean([](int n) { return Ckinen[n]; })),
                   fin(walk.mean([](int n) { return Cepsilon[n]; })));
      for (int k = 1; k <= lnumber; ++k) std::fprintf(f, " %e", fin(walk.mean([k](int n) { return conc(k, n); })));
      std::fprintf(f, " %lf\n", fin(2.0 * walk.mean([](int n) { return Ckdist[n]; })));
    }
  }
}

bool ordinaryBlock(int b) { return block[b].subBed == 0; }

void writeColumnRecords(FILE* f, FiniteValues& fin, int p, bool eightValues) {
  const double x = xint[p], y = yint[p];
  InterpolColumn col;
  for (int b = 1; b <= NoBlocks && b <= 99; ++b) {
    if (!ordinaryBlock(b)) continue;
    nearestColumnOfBlock(b, x, y, col);
    if (col.i == 0) continue;  // no column in the blocks so far
    const double bed = columnMean(col, [](int i, int j) { return levelAt(1, i, j); });
    const double water = columnMean(col, [](int i, int j) { return levelAt(znumber, i, j); });
    if (eightValues) {
      const double slide = FlagThixo == 0 ? 0.0 : columnMean(col, [](int i, int j) { return surfaceAt(6, i, j); });
      std::fprintf(f, "Z %lf %lf %lf %lf %lf %lf %lf %lf\n", x, y, fin(bed), fin(water), fin(slide),
                   fin(columnMean(col, [](int i, int j) { return surfaceAt(1, i, j); })),
                   fin(columnMean(col, [](int i, int j) { return surfaceAt(0, i, j); })),
                   fin(columnMean(col, [](int i, int j) { return surfaceAt(3, i, j); })));
    } else if (FlagBechInt != 0 && bechint[p] <= 1e10) {
      const double change = bed - columnMean(col, [](int i, int j) { return surfaceAt(0, i, j); });
      std::fprintf(f, "Z %lf %lf %lf %lf %lf %lf\n", x, y, fin(bed), fin(water), fin(change), bechint[p]);
      bechStanddev += std::fabs(change - bechint[p]);
    } else {
      std::fprintf(f, "Z %lf %lf %lf %lf\n", x, y, fin(bed), fin(water));
    }
  }
}

// The smallest slide movement of ten grid lines of column i ending at the
// block edge; values of 1000 or more do not count. False when none counts.
bool smallestSlide(int i, int from, int to, double& least, int& at) {
  least = 1000.0;
  at = 0;
  for (int j = from; j <= to; ++j) {
    const double v = surfaceAt(6, i, j);
    if (v < 1000.0 && (at == 0 || v < least)) {
      least = v;
      at = j;
    }
  }
  return at != 0;
}

void writeSlideRecords(FILE* f, FiniteValues& fin, int p, double& sum, int& count) {
  const double x = xint[p], y = yint[p];
  InterpolColumn col;
  for (int b = 1; b <= NoBlocks && b <= 99; ++b) {
    if (!ordinaryBlock(b)) continue;
    nearestColumnOfBlock(b, x, y, col);
    if (col.i == 0) continue;
    const int i = col.i, j1 = block[b].j1, j2 = block[b].j2;
    int j = col.j;
    if (j >= j1 + 1 && j <= j1 + 10) j = j1;
    if (j >= j2 - 10 && j <= j2 - 1) j = j2;
    double least = 0;
    int at = 0;
    bool found = false;
    if (j == j1) found = smallestSlide(i, j1, std::min(j1 + 9, j2), least, at);
    else if (j == j2) found = smallestSlide(i, std::max(j2 - 9, j1), j2, least, at);
    if (found) {
      std::fprintf(f, "SM %lf %lf %lf %lf %d %d\n", x, y, fin(levelAt(znumber, i, at)), fin(least), i, at);
      sum += least;
      ++count;
    } else {
      std::fprintf(f, "SM %lf %lf %lf %lf %d %d direct value\n", x, y, fin(levelAt(znumber, i, j)),
                   fin(surfaceAt(6, i, j)), i, j);
    }
  }
}

void writeAveragedProfile(FILE* f, FiniteValues& fin, int p, double factor) {
  std::fprintf(f, "M %lf %lf\n", xint[p], yint[p]);
  if (p >= NoQuorPoints || !quorz || !quorxvel || !quoryvel || !quorzvel || !quork || !quoreps) return;
  for (int l = 0; l < 200; ++l) {
    std::fprintf(f, "%lf %lf %lf %lf %lf %lf ", fin(factor * quorz[p][l]), fin(factor * quorxvel[p][l]),
                 fin(factor * quoryvel[p][l]), fin(factor * quorzvel[p][l]), fin(factor * quork[p][l]),
                 fin(factor * quoreps[p][l]));
    quorz[p][l] = quorxvel[p][l] = quoryvel[p][l] = quorzvel[p][l] = quork[p][l] = quoreps[p][l] = 0.0;
    for (int k = 1; k <= lnumber; ++k) {
      const double v = quorc ? quorc[p][l][k] : 0.0;
      std::fprintf(f, " %le", fin(factor * v));
      if (quorc) quorc[p][l][k] = 0.0;
    }
    std::fprintf(f, "\n");
  }
}

void writeInterres(int numbered, int V, int A, int N) {
  const std::string name = interresName(numbered);
  FILE* f = openOutputOrEnd(name);
  FiniteValues fin;
  if (N == 101 || A == 16 || A == 19)
    std::fprintf(f,
                 "Variables: z-coordinate, velocity-x, velocity-y, velocity-z, k, epsilon, sediment sizes, bed cell "
                 "height\n");
  if (V == 1 || A == 7 || A == 17)
    std::fprintf(f,
                 "Variables: x-coordinate, y-coordinate, bed level, surface level, slide movement, bed movement, "
                 "original bed, limit movable bed level\n");
  const double factor = (A == 19 && NoQuorInterpols > 0) ? 1.0 / NoQuorInterpols : 0.0;
  double slideSum = 0.0;
  int slideCount = 0;
  const std::vector<TopCell> tops = (V > 1 || N > 0 || A > 0) ? topCells() : std::vector<TopCell>{};
  for (int p = 0; p < NoInterpol && p < 10000; ++p) {
    if (A == 19 && NoQuorInterpols > 0) writeAveragedProfile(f, fin, p, factor);
    else if (A == 17) writeSlideRecords(f, fin, p, slideSum, slideCount);
    else if (A == 7 || V == 1) writeColumnRecords(f, fin, p, true);
    else if (V == 4 || A == 4) writeColumnRecords(f, fin, p, false);
    else if (V > 1 || N > 0 || A > 0) writeNeighbourhoodRecord(f, fin, xint[p], yint[p], V, A, N, tops);
  }
  if (A == 17) std::fprintf(f, "Average slide movement: %lf\n", slideCount > 0 ? slideSum / slideCount : 0.0);
  closeOutput(f);
  fin.report(name);
}

// ---- interres14 ----

void writeUnitDischarges() {
  const std::string name = seriesName("interres14", "interres14.", 3, "");
  FILE* f = openOutputOrEnd(name);
  FiniteValues fin;
  const int n = std::min(NoInterpol, 10000);
  const std::vector<TopCell> tops = topCells();
  for (int p = 0; p < n; ++p) {
    double q = 0.0;
    InterpolNeighbourhood nb;
    if (interpolNeighbourhood(xint[p], yint[p], nb, &tops)) {
      double dx, dy;
      lineDirection(xint, yint, n, p, dx, dy);
      q = unitDischarge(nb, dx, dy);
    }
    std::fprintf(f, "Q %lf %lf ", xint[p], yint[p]);
    std::fprintf(f, "%lf\n", fin(q));
  }
  closeOutput(f);
  fin.report(name);
}

// ---- Sections along the points ----

struct SectionPoint {
  bool found = false;
  InterpolNeighbourhood nb;
  double s = 0;                // distance along the points
  std::vector<double> levels;  // node levels, surface down
};

std::vector<SectionPoint> sectionPoints() {
  const int n = std::min(NoInterpol, 10000);
  std::vector<SectionPoint> pts(std::max(n, 0));
  const std::vector<TopCell> tops = topCells();
  for (int p = 0; p < n; ++p) {
    SectionPoint& sp = pts[p];
    sp.found = interpolNeighbourhood(xint[p], yint[p], sp.nb, &tops);
    c_points[p] = sp.found ? sp.nb.cell[0] : 0;
    if (p > 0) sp.s = pts[p - 1].s + std::hypot(xint[p] - xint[p - 1], yint[p] - yint[p - 1]);
  }
  return pts;
}

double weightSum(const InterpolNeighbourhood& nb) {
  double s = 0;
  for (int k = 0; k < 4; ++k)
    if (nb.cell[k] > 0) s += nb.weight[k];
  return s;
}

// The znumber + 1 nodes of the speed and concentration sections: the
// weighted top face, then the weighted centres going down; a column at its
// bottom stays there, and once the nearest column could not go further, its
// bottom half height is taken off so that the nodes reach the bed.
void nodeLevels(SectionPoint& sp) {
  const int nodes = znumber + 1;
  sp.levels.assign(nodes, 0.0);
  if (!sp.found) return;
  const double wsum = weightSum(sp.nb) + 1e-20;
  int cell[4];
  for (int k = 0; k < 4; ++k) cell[k] = sp.nb.cell[k];
  auto weighted = [&](bool face) {
    double s = 0;
    for (int k = 0; k < 4; ++k)
      if (cell[k] > 0) s += sp.nb.weight[k] * (Czcenter[cell[k]] + (face ? Ckdist[cell[k]] : 0.0));
    return s;
  };
  sp.levels[0] = weighted(true) / wsum;
  if (nodes > 1) sp.levels[1] = weighted(false) / wsum;
  bool nearestAtBottom = false;
  for (int l = 2; l < nodes; ++l) {
    for (int k = 0; k < 4; ++k) {
      if (cell[k] == 0) continue;
      const int b = below(cell[k]);
      if (b > 0) cell[k] = b;
      else if (k == 0) nearestAtBottom = true;
    }
    double s = weighted(false);
    if (nearestAtBottom) s -= sp.nb.weight[0] * Ckdist[cell[0]];
    sp.levels[l] = s / wsum;
  }
}

// Values at the nodes of nodeLevels: the top cells for the first two nodes,
// then one cell further down per node; a column that has passed its bottom
// cell has weight 0.
template <class F>
void nodeValues(const SectionPoint& sp, F value, std::vector<double>& out) {
  const int nodes = znumber + 1;
  out.assign(nodes, 0.0);
  if (!sp.found) return;
  int cell[4];
  double w[4];
  for (int k = 0; k < 4; ++k) {
    cell[k] = sp.nb.cell[k];
    w[k] = cell[k] > 0 ? sp.nb.weight[k] : 0.0;
  }
  for (int l = 0; l < nodes; ++l) {
    if (l >= 2)
      for (int k = 0; k < 4; ++k) {
        if (w[k] == 0.0) continue;
        const int b = below(cell[k]);
        if (b > 0) cell[k] = b;
        else w[k] = 0.0;
      }
    double s = 0, ws = 0;
    for (int k = 0; k < 4; ++k)
      if (w[k] > 0) {
        s += w[k] * value(cell[k]);
        ws += w[k];
      }
    out[l] = s / (ws + 1e-20);
  }
}

void sectionHeader(FILE* f, int nodes, int points) {
  std::fprintf(f, "# vtk DataFile Version 2.0\n");
  std::fprintf(f, "TOVAK 2 %s \n", plotTitle(false).c_str());
  std::fprintf(f, "ASCII\n");
  std::fprintf(f, "DATASET STRUCTURED_GRID\n");
  std::fprintf(f, "DIMENSIONS %d %d %d\n", nodes, points, 1);
  std::fprintf(f, "POINTS %d float\n", nodes * points);
}

// Header and node levels of a section file, then the start of its point data.
void sectionGrid(FILE* f, std::vector<SectionPoint>& pts, FiniteValues& fin) {
  const int nodes = znumber + 1, np = static_cast<int>(pts.size());
  sectionHeader(f, nodes, np);
  for (SectionPoint& sp : pts) {
    nodeLevels(sp);
    for (double z : sp.levels) std::fprintf(f, "%lf %lf %lf\n", fin(sp.s), 0.0, fin(z));
  }
  std::fprintf(f, "\nPOINT_DATA %d\n", nodes * np);
}

void writeSpeedSection() {
  const std::string name = seriesName("ParaView2c.vtk", "pav2c_", 5, ".vtk");
  std::vector<SectionPoint> pts = sectionPoints();
  FILE* f = openOutputOrEnd(name);
  FiniteValues fin;
  sectionGrid(f, pts, fin);
  std::fprintf(f, "SCALARS Velocities float\n");
  std::fprintf(f, "LOOKUP_TABLE default\n");
  std::vector<double> values;
  for (const SectionPoint& sp : pts) {
    nodeValues(sp, speed, values);
    for (double v : values) std::fprintf(f, "%lf ", fin(v));
    std::fprintf(f, "\n");
  }
  closeOutput(f);
  fin.report(name);
}

void writeConcentrationSection() {
  const std::string name = seriesName("ParaView2cc.vtk", "pav2cc_", 5, ".vtk");
  std::vector<SectionPoint> pts = sectionPoints();
  FILE* f = openOutputOrEnd(name);
  FiniteValues fin;
  sectionGrid(f, pts, fin);
  std::vector<double> values;
  for (int k = 0; k <= lnumber; ++k) {
    std::fprintf(f, "SCALARS Concentrations_%d float\n", k);
    std::fprintf(f, "LOOKUP_TABLE default\n");
    for (const SectionPoint& sp : pts) {
      nodeValues(sp, [k](int c) { return conc(k, c); }, values);
      for (double v : values) std::fprintf(f, "%le ", fin(v));
      std::fprintf(f, "\n");
    }
  }
  closeOutput(f);
  fin.report(name);
}

// Levels evenly spaced from the surface to the bed, the concentrations
// interpolated in height in each of the four columns.
void writeEvenConcentrationSection() {
  const std::string name = seriesName("ParaView2cc.vtk", "pav2cc_", 5, ".vtk");
  std::vector<SectionPoint> pts = sectionPoints();
  const int m = std::max(3 * znumber / 2, 1), nodes = m + 1, np = static_cast<int>(pts.size());
  // per point: the weighted surface and bed levels
  std::vector<double> top(np, 0.0), bottom(np, 0.0);
  for (int p = 0; p < np; ++p) {
    const SectionPoint& sp = pts[p];
    if (!sp.found) continue;
    double t = 0, b = 0;
    for (int k = 0; k < 4; ++k) {
      const int c = sp.nb.cell[k];
      if (c == 0) continue;
      int low = c;
      for (int guard = 0; below(low) > 0 && guard < MaxCeller; ++guard) low = below(low);
      t += sp.nb.weight[k] * (Czcenter[c] + Ckdist[c]);
      b += sp.nb.weight[k] * (Czcenter[low] - Ckdist[low]);
    }
    const double ws = weightSum(sp.nb) + 1e-20;
    top[p] = t / ws;
    bottom[p] = b / ws;
  }
  auto level = [&](int p, int l) {
    const double r = static_cast<double>(l) / m;
    return (1.0 - r) * top[p] + r * bottom[p];
  };
  FILE* f = openOutputOrEnd(name);
  FiniteValues fin;
  sectionHeader(f, nodes, np);
  for (int p = 0; p < np; ++p)
    for (int l = 0; l < nodes; ++l) std::fprintf(f, "%lf %lf %lf\n", fin(pts[p].s), 0.0, fin(level(p, l)));
  std::fprintf(f, "\nPOINT_DATA %d\n", nodes * np);
  for (int k = 0; k <= lnumber; ++k) {
    std::fprintf(f, "SCALARS Concentrations_%d float\n", k);
    std::fprintf(f, "LOOKUP_TABLE default\n");
    const double* field = (Cconc && k <= lnumber) ? Cconc[k] : nullptr;
    for (int p = 0; p < np; ++p) {
      const SectionPoint& sp = pts[p];
      for (int l = 0; l < nodes; ++l) {
        double s = 0, ws = 0;
        if (sp.found && field)
          for (int q = 0; q < 4; ++q)
            if (sp.nb.cell[q] > 0) {
              s += sp.nb.weight[q] * fieldAtHeight(field, sp.nb.cell[q], level(p, l));
              ws += sp.nb.weight[q];
            }
        std::fprintf(f, "%le ", fin(s / (ws + 1e-20)));
      }
      std::fprintf(f, "\n");
    }
  }
  closeOutput(f);
  fin.report(name);
}

}  // namespace

std::vector<TopCell> topCells() {
  std::vector<TopCell> out;
  const int last = std::min(NoCells, MaxCeller - 1);
  for (int c = 1; c <= last; ++c) {
    if (Ccellt[c] != 0) continue;
    const int p = Cpoint1[c];
    if (p <= 0 || p >= MaxPunkter) continue;
    out.push_back({c, Px[p], Py[p]});
  }
  return out;
}

bool interpolNeighbourhood(double x, double y, InterpolNeighbourhood& nb, const std::vector<TopCell>* tops) {
  nb = InterpolNeighbourhood{};
  std::vector<TopCell> own;
  if (!tops) {
    own = topCells();
    tops = &own;
  }
  int best = 0;
  double bestD = kFarAway * kFarAway;
  for (const TopCell& t : *tops) {
    const double dx = t.x - x, dy = t.y - y, d = dx * dx + dy * dy;
    if (d < bestD) {
      bestD = d;
      best = t.c;
    }
  }
  if (best == 0) return false;
  const int s = validCell(Ccells[best]), w = validCell(Ccellw[best]);
  int sw = w > 0 ? validCell(Ccells[w]) : 0;
  if (sw == 0 && s > 0) sw = validCell(Ccellw[s]);
  const int cells[4] = {best, s, w, sw};
  for (int k = 0; k < 4; ++k) {
    nb.cell[k] = cells[k];
    if (cells[k] == 0) continue;
    const double d = std::hypot(Cxcenter[cells[k]] - x, Cycenter[cells[k]] - y);
    nb.weight[k] = 1.0 / (d + 1e-6);
  }
  return true;
}

void nearestColumnOfBlock(int b, double x, double y, InterpolColumn& col) {
  if (b < 1 || b > 99 || !xval || !yval) return;
  const BlockRecord& r = block[b];
  const int i1 = std::max(r.i1, 1), i2 = std::min(r.i2, xnumber + 1);
  const int j1 = std::max(r.j1, 1), j2 = std::min(r.j2, ynumber + 1);
  for (int i = i1; i <= i2; ++i)
    for (int j = j1; j <= j2; ++j) {
      const double cx = 0.25 * (xval[i - 1][j - 1] + xval[i][j - 1] + xval[i][j] + xval[i - 1][j]);
      const double cy = 0.25 * (yval[i - 1][j - 1] + yval[i][j - 1] + yval[i][j] + yval[i - 1][j]);
      const double d = (cx - x) * (cx - x) + (cy - y) * (cy - y);
      if (d < col.best) {
        col.best = d;
        col.i = i;
        col.j = j;
      }
    }
  if (col.i == 0) return;
  const int ci[4] = {col.i - 1, col.i, col.i, col.i - 1}, cj[4] = {col.j - 1, col.j - 1, col.j, col.j};
  col.sum = 0;
  for (int k = 0; k < 4; ++k) {
    const double dx = xval[ci[k]][cj[k]] - x, dy = yval[ci[k]][cj[k]] - y;
    col.weight[k] = 1.0 / std::sqrt(dx * dx + dy * dy + 1e-20);
    col.sum += col.weight[k];
  }
}

double fieldAtHeight(const double* f, int n, double z) {
  if (!f || !cellInGrid(n)) return 0.0;
  int lowest = n;
  forColumnDown(n, [&](int c) { lowest = c; });
  const double zlo = Czcenter[lowest], zhi = Czcenter[columnTopCell(n)];
  return interpolatevaluez(f, n, z < zlo ? zlo : (z > zhi ? zhi : z));
}

double unitDischarge(const InterpolNeighbourhood& nb, double dx, double dy) {
  int cell[4];
  double w[4];
  for (int k = 0; k < 4; ++k) {
    cell[k] = nb.cell[k];
    w[k] = cell[k] > 0 ? nb.weight[k] : 0.0;
  }
  double q = 0.0;
  for (int step = 0; step <= znumber; ++step) {
    double s = 0, ws = 0;
    for (int k = 0; k < 4; ++k) {
      if (w[k] == 0.0) continue;
      const int c = cell[k];
      s += w[k] * (Cxvel[c] * dy - Cyvel[c] * dx) * Ckdist[c];
      ws += w[k];
    }
    q += s / (ws + 1e-20);
    for (int k = 0; k < 4; ++k) {
      if (w[k] == 0.0) continue;
      const int b = below(cell[k]);
      if (b > 0) cell[k] = b;
      else w[k] = 0.0;  // its bottom cell counted once
    }
  }
  return 2.0 * std::fabs(q);
}

void lineDirection(const double* xs, const double* ys, int n, int p, double& dx, double& dy) {
  dx = dy = 0.0;
  if (n < 2 || p < 0 || p >= n) return;  // one point has no direction
  const int a = p == 0 ? 0 : (p == n - 1 ? n - 2 : p - 1);
  const int b = p == 0 ? 1 : (p == n - 1 ? n - 1 : p + 1);
  const double ex = xs[b] - xs[a], ey = ys[b] - ys[a], len = std::sqrt(ex * ex + ey * ey) + 1e-20;
  dx = ex / len;
  dy = ey / len;
}

void print_interres(int numbered) {
  bechStanddev = 0.0;
  if (NoInterpol == -2) return;
  if (NoInterpol == -1) readInterpol();
  const int V = FlagInterpolVal, A = PrintArrayFlags[10], N = FlagInterpolNew;
  // the records read the cell centres: after a new grid they are computed first
  if (NoInterpol > 0 && NoCells > 0) metric();

  if (!(A >= 100 && N <= 0 && !(V >= 1 && V <= 6))) writeInterres(numbered, V, A, N);
  NoQuorInterpols = 0;

  if (NoInterpol > 0) {
    if (V == 14 || A == 102) writeUnitDischarges();
    if (V == 12 || A == 103) writeSpeedSection();
    if (V == 16 || A == 104) writeConcentrationSection();
    if (V == 20 || A == 120) writeEvenConcentrationSection();
  }

  for (int n = 1; n <= NoCrossPrint && n < kMaxCrossPrint; ++n) {
    print_cross3d(1, CrossPrint[n]);
    if (NoBlocks >= 2 && block[2].subBed == 1) print_cross3d(2, CrossPrint[n]);
  }
}
