// The time-series log timeo: one line per call with the simulated time and the
// quantities that the current print record of `timei` names, item by item.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "flow/stages.h"
#include "state/outfile.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

constexpr int MaxPrintRecords = 20;
constexpr int MaxPrintItems = 25;

bool isCell(int c) { return c >= 1 && c <= NoCells; }
bool isFace(int f) { return f >= 1 && f <= NoSurfaces; }

// A cell field at cell c; 0 for a missing field or a number outside the grid.
double cellValue(const double* field, int c) { return field && isCell(c) ? field[c] : 0.0; }
double faceArea(int f) { return Farea && isFace(f) ? Farea[f] : 0.0; }

bool gridLine(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }
// Level k of grid line (i, j); 0 outside the block grid.
double gridLevel(int i, int j, int k) {
  return zval && gridLine(i, j) && k >= 0 && k <= znumber + 1 ? zval[i][j][k] : 0.0;
}

// The print record in force: the last one whose time has been reached (the
// records stand in time order); the first one before its time.
const TimePrintEntry& currentRecord() {
  const int n = std::min(TimePrintNo, MaxPrintRecords);
  int r = 0;
  for (int k = 1; k < n; ++k)
    if (TimePrint[k].time <= stimet) r = k;
  return TimePrint[r];
}

// Sum of the half heights of the cells from c along `next` (up from a bottom
// cell, down from a top cell): half the water depth of the column.
double depthSum(int c, const int* next) {
  double s = 0.0;
  for (int steps = 0; isCell(c) && steps < NoCells; ++steps, c = next[c]) s += Ckdist[c];
  return s;
}

// a: mean suspended concentration per size over the cells next to the faces
// of each discharge group that has faces.
void groupConcentrations(std::FILE* f) {
  const int sizes = std::max(lnumber, 0);
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    const int faces = groupFaceCount(G);
    if (faces < 1) continue;
    std::fprintf(f, "A %d", g);
    double V = 0.0;
    for (int e = 0; e < faces; ++e) V += cellValue(Cvol, groupFaceCell(G.face[e]));
    for (int l = 0; l <= sizes; ++l) {
      double S = 0.0;
      if (Cconc)
        for (int e = 0; e < faces; ++e) {
          const int c = groupFaceCell(G.face[e]);
          if (c > 0) S += Cconc[l][c] * Cvol[c];
        }
      std::fprintf(f, " %10.6e", S / (V + 1e-30));
    }
    std::fprintf(f, "  ");
  }
}

// i: over the inner grid lines of block 1 across the flow, the mean width of
// the widest stretch of columns eroded deeper than F 94 below the bed as read,
// and the mean width of the columns that hold cells.
void channelWidths(double& stretch, double& wet) {
  stretch = wet = 0.0;
  if (NoBlocks < 1 || !xval || !yval || !zval || !Surfaces) return;
  const BlockRecord& B = block[1];
  if (!gridLine(B.i1 - 1, B.j1 - 1) || !gridLine(B.i2, B.j2)) return;
  const int first = B.i1 + 3, last = B.i2 - 4;
  if (first > last) return;
  const double* const* bedAsRead = Surfaces[0];
  double sumStretch = 0.0, sumWet = 0.0;
  for (int i = first; i <= last; ++i) {
    double W = 0.0, widest = 0.0, run = 0.0;
    for (int j = B.j1; j <= B.j2; ++j) {
      const double dx = xval[i][j] + xval[i - 1][j] - xval[i][j - 1] - xval[i - 1][j - 1];
      const double dy = yval[i][j] + yval[i - 1][j] - yval[i][j - 1] - yval[i - 1][j - 1];
      const double width = 0.5 * std::sqrt(dx * dx + dy * dy);
      const double depth = 0.25 * ((bedAsRead[i][j] - zval[i][j][1]) + (bedAsRead[i - 1][j] - zval[i - 1][j][1]) +
                                   (bedAsRead[i][j - 1] - zval[i][j - 1][1]) +
                                   (bedAsRead[i - 1][j - 1] - zval[i - 1][j - 1][1]));
      if (zval[i][j][0] >= 1) W += width;
      if (depth > MinVertDist0) {
        run += width;
        widest = std::max(widest, run);
      } else {
        run = 0.0;
      }
    }
    sumStretch += widest;
    sumWet += W;
  }
  const double N = last - first + 1;
  stretch = sumStretch / (N + 1e-20);
  wet = sumWet / (N + 1e-20);
}

// m: the column with the largest depth-averaged value of component C, as its
// top cell (0 when no column mean exceeds 0) and that mean.
void largestColumnMean(int C, int& top, double& M) {
  top = 0;
  M = 0.0;
  if (!Ccomp || C < 0 || C >= NoComponents) return;
  const double* comp = Ccomp[C];
  for (int t = 1; t <= NoCells; ++t) {
    if (Ccellt[t] != 0) continue;
    double sum = 0.0;
    int n = 0;
    for (int c = t; isCell(c) && n < NoCells; c = Ccellb[c], ++n) sum += comp[c];
    const double mean = n > 0 ? sum / n : 0.0;
    if (mean > M) {
      M = mean;
      top = t;
    }
  }
}

// The first cell of the last surface-release record (1..7) of component C
// that lists cells; 0 (the origin) when none does.
int releaseCell(int C) {
  int cell = 0;
  for (int r = 1; r <= 7; ++r) {
    const SurfDischargeGroup& G = SurfDischargeStruct[r];
    if (G.component == C && G.cells >= 1) cell = isCell(G.cell[0]) ? G.cell[0] : 0;
  }
  return cell;
}

// o: force on the bed or the surface over the whole grid (N) by variant; the
// variants 0..3 add to their time sums.
double gridForce(int variant) {
  if (NoCells < 1) return 0.0;
  double F = 0.0;
  switch (variant) {
    case 0:  // turbulent bed shear, 300 k per unit area
      for (int c = 1; c <= NoCells; ++c)
        if (Ccellb[c] == 0) F += 300.0 * Ckinen[c] * faceArea(Cflateb[c]);
      AvShearTimeo1 += F;
      break;
    case 1:  // surface slope: rho g x depth x slope x area
      for (int c = 1; c <= NoCells; ++c) {
        if (Ccellt[c] != 0) continue;
        const int f = Cflatet[c];
        if (!isFace(f)) continue;
        const double slope = std::tan(std::acos(std::clamp(Fvz[f], -1.0, 1.0)));
        F += slope * 2.0 * 9810.0 * depthSum(c, Ccellb) * Farea[f];
      }
      AvShearTimeo2 += F;
      break;
    case 2: {  // log-law bed shear from the velocity of the bottom cell
      const int bedCells = bedCellCapacity();
      for (int c = 1; c <= NoCells; ++c) {
        if (Ccellb[c] != 0 || Croughness[c] <= 0.0 || Ckdist[c] <= 0.0) continue;
        const int b = Cbed[c];
        if (!Barea || b < 1 || b >= bedCells) continue;
        const double kappa = 0.4 / std::log(30.0 * Ckdist[c] / Croughness[c]);
        F += 1000.0 * (Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]) * kappa * kappa * Barea[b];
      }
      AvShearTimeo3 += F;
      break;
    }
    case 3:  // surface pressure gradient x depth
      for (int c = 1; c <= NoCells; ++c) {
        if (Ccellt[c] != 0) continue;
        auto gradient = [c](int plus, int minus, double half) {
          const bool p = isCell(plus), m = isCell(minus);
          if (p && m) return (Cpres[plus] - Cpres[minus]) / (4.0 * half);
          if (p) return (Cpres[plus] - Cpres[c]) / (2.0 * half);
          if (m) return (Cpres[minus] - Cpres[c]) / (2.0 * half);
          return 0.0;
        };
        const double Gi = gradient(Ccelle[c], Ccellw[c], Cidist[c]);
        const double Gj = gradient(Ccelln[c], Ccells[c], Cjdist[c]);
        F += 2.0 * depthSum(c, Ccellb) * std::sqrt(Gi * Gi + Gj * Gj) * faceArea(Cflatet[c]);
      }
      AvShearTimeo4 += F;
      break;
    default:
      break;
  }
  return F;
}

// r: twice the mean over the columns of their depth sums; adds to the time sums.
double meanDepth() {
  double sum = 0.0;
  int n = 0;
  for (int c = 1; c <= NoCells; ++c)
    if (Ccellb[c] == 0) {
      sum += depthSum(c, Ccellt);
      ++n;
    }
  const double d = n > 0 ? 2.0 * sum / n : 0.0;
  AvDepthTimeo += d;
  NoDepthTimeo += 1;
  return d;
}

}  // namespace

void TimePrintFunction() {
  if (TimePrintNo < 1) return;
  std::FILE* f = openWrite("timeo", "a");
  if (!f) {
    setMessage(" cannot open file 'timeo' ");
    fatal(-3, "Error: can not open file 'timeo' for appending\n");
  }
  const TimePrintEntry& rec = currentRecord();
  std::fprintf(f, "%10.4e ", stimet);

  bool haveReference = false;
  double refX = 0.0, refY = 0.0;
  const int items = std::clamp(rec.n, 0, MaxPrintItems);
  for (int p = 0; p < items; ++p) {
    const int c = rec.number[p];
    switch (rec.letter[p]) {
      case 'a':
        groupConcentrations(f);
        break;
      case 'b':
        std::fprintf(f, "%lf %lf %lf ", maxBackwater, scaleBackwater, scaleBackwater2);
        break;
      case 'd':
        std::fprintf(f, "%10.6e ", cellValue(Cgamma, c));
        break;
      case 'e':
        std::fprintf(f, "%10.6e ", cellValue(Cepsilon, c));
        break;
      case 'f':
        std::fprintf(f, "Cont: B I O R %10.6e %10.6e %10.6e %10.6e\n", SumBedChange, SumInflow, SumOutflow,
                     MaxResidual[4]);
        break;
      case 'g':
        std::fprintf(f, "%lf ", DischargeArray[1]);
        break;
      case 'h':
        std::fprintf(f, "%10.6e ", gridLevel(rec.i[p], rec.j[p], znumber));
        break;
      case 'i': {
        double stretch, wet;
        channelWidths(stretch, wet);
        std::fprintf(f, "%lf %lf", stretch, wet);
        break;
      }
      case 'k':
        std::fprintf(f, "%10.6e ", cellValue(Ckinen, c));
        break;
      case 'm': {
        if (!haveReference) {
          const int r = releaseCell(c);
          refX = r > 0 ? Cxcenter[r] : 0.0;
          refY = r > 0 ? Cycenter[r] : 0.0;
          haveReference = true;
        }
        int top;
        double M;
        largestColumnMean(c, top, M);
        const double x = top > 0 ? Cxcenter[top] : 0.0, y = top > 0 ? Cycenter[top] : 0.0;
        std::fprintf(f, "%10.6e %10.6e", std::sqrt((x - refX) * (x - refX) + (y - refY) * (y - refY)), M);
        break;
      }
      case 'n':
        std::fprintf(f, "%d ", NoCells);
        break;
      case 'o':
        std::fprintf(f, "%10.5le ", gridForce(c));
        break;
      case 'p':
        std::fprintf(f, "%10.6e ", cellValue(Cpres, c));
        break;
      case 'q': {
        const int comp = rec.size[p];
        std::fprintf(f, "%10.6e ", Ccomp && comp >= 0 && comp < NoComponents ? cellValue(Ccomp[comp], c) : 0.0);
        break;
      }
      case 'r':
        std::fprintf(f, "%lf ", meanDepth());
        break;
      case 's':
        std::fprintf(f, "%lf ", SurfacesBM);
        break;
      case 't':
        std::fprintf(f, "%10.5le %10.5le ", medianPressure1, medianPressure2);
        break;
      case 'u':
        std::fprintf(f, "%10.6e ", cellValue(Cxvel, c));
        break;
      case 'v':
        std::fprintf(f, "%10.6e ", cellValue(Cyvel, c));
        break;
      case 'w':
        std::fprintf(f, "%10.6e ", cellValue(Czvel, c));
        break;
      case 'x':
        std::fprintf(f, "%10.5le ", PrintMaxErrorSuspSed);
        break;
      case 'y': {
        const BlockRecord& B = block[1];
        const int jm = B.j2 / 2 + 1;
        std::fprintf(f, "%lf %lf ", gridLevel(B.i1 - 1, jm, znumber), gridLevel(B.i2, jm, znumber));
        break;
      }
      case 'z':
        std::fprintf(f, "%10.6e ", gridLevel(rec.i[p], rec.j[p], 1));
        break;
      default:  // c and Q (and anything else) print nothing
        break;
    }
  }
  std::fprintf(f, "\n");
  closeOutput(f);
}

void truncateTimeo() {
  std::FILE* f = openWrite("timeo", "w");
  if (!f) {
    setMessage(" cannot open file 'timeo' ");
    fatal(-3, "Error: can not open file 'timeo' for writing\n");
  }
  closeOutput(f);
}
