// Files of the sediment time loop along the run: the bed fractions under the
// time-triggered interpolation points (interres30, and the top 0.3 m of a
// multi-layer bed in interres40), and the sediment balance of size 1 per grid
// line along the middle line of block 1 (profiles).
#include <algorithm>
#include <cmath>
#include <vector>

#include "io/gridfiles.h"
#include "state/outfile.h"
#include "state/log.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/outputstate.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

bool gridLine(int i, int j) { return i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }

int bedCellAt(int i, int j) {
  if (!pointbed || !gridLine(i, j)) return 0;
  const int b = pointbed[i][j];
  return (b > 0 && b < bedCellCapacity()) ? b : 0;
}

int topLayer(int b) {
  if (b <= 0 || !BlayerTop) return -1;
  return std::min(BlayerTop[b], NoBedLayers);
}

double layerValue(int layer, int k, int b) {
  if (!BSedDistrib || b <= 0 || layer < 0 || layer > NoBedLayers || k < 0 || k > lnumber) return 0.0;
  return BSedDistrib[layer][k][b];
}

int validCell(int c) { return (c > 0 && c < MaxCeller && c <= NoCells) ? c : 0; }
int validFace(int f) { return (f > 0 && f < MaxFlater && f <= NoSurfaces) ? f : 0; }

// The nearest grid line of block 1 to a point, the last line of each
// direction left out; (0, 0) when block 1 has no such line.
void nearestGridLine(double x, double y, int& gi, int& gj) {
  gi = gj = 0;
  if (NoBlocks < 1 || !xval || !yval) return;
  const BlockRecord& B = block[1];
  double best = 1000000.0;
  for (int i = std::max(B.i1, 0); i <= B.i2 - 1 && i <= xnumber + 1; ++i)
    for (int j = std::max(B.j1, 0); j <= B.j2 - 1 && j <= ynumber + 1; ++j) {
      const double d = std::hypot(xval[i][j] - x, yval[i][j] - y);
      if (d < best) {
        best = d;
        gi = i;
        gj = j;
      }
    }
}

void writeFractionsOfPoint(int p, std::FILE* f30, std::FILE* f40) {
  int i, j;
  nearestGridLine(xint[p], yint[p], i, j);
  std::fprintf(f30, "F %lf %lf %lf sec.  ", xint[p], yint[p], stimet);
  std::vector<double> sums(static_cast<std::size_t>(lnumber) + 1, 0.0);
  if (f40) std::fprintf(f40, "F %lf %lf %lf sec.  ", xint[p], yint[p], stimet);

  // The bed cells of the four columns around the grid line; the means run
  // over those that exist.
  int cells[4] = {bedCellAt(i, j), bedCellAt(i + 1, j), bedCellAt(i + 1, j + 1), bedCellAt(i, j + 1)};
  int present = 0;
  for (int b : cells) present += b > 0 ? 1 : 0;
  const int L = topLayer(cells[0]);
  double depth = 0.0, thickSum = 0.0;
  int summed = 0;
  bool thickWritten = false;
  for (int layer = L; layer >= 1 && present > 0; --layer) {
    double thick = 0.0;
    for (int b : cells) thick += layerValue(layer, 0, b);
    thick /= present;  // mean thickness of the layer
    std::fprintf(f30, "%d %lf ", layer, depth + 0.5 * thick);
    for (int k = 1; k <= lnumber; ++k) {
      double frac = 0.0;
      for (int b : cells) frac += layerValue(layer, k, b);
      frac /= present;
      std::fprintf(f30, "%lf ", frac);
      sums[k] += frac * thick;
    }
    std::fprintf(f30, "\n");
    depth += thick;
    thickSum += thick;
    ++summed;
    if (f40 && !thickWritten && depth > 0.3) {
      thickWritten = true;
      std::fprintf(f40, "Thick: %lf No_layers: %d Frac: ", depth, summed);
      for (int k = 1; k <= lnumber; ++k) std::fprintf(f40, "%lf ", sums[k] / (thickSum + 1e-20));
      std::fprintf(f40, "\n");
    }
  }
  if (present == 0) std::fprintf(f30, "\n");
  if (f40 && !thickWritten) std::fprintf(f40, "\n");  // the point's line ends even above a thin bed
}

}  // namespace

void print_fractions() {
  if (NoInterpol == -1) readInterpol();
  if (NoInterpol < 0) return;
  const char* mode = FlagHasOpenedInterres == 0 ? "w" : "a";
  FlagHasOpenedInterres = 1;
  std::FILE* f30 = openOutputOrEnd("interres30", mode);
  std::FILE* f40 = NoBedLayers > 2 ? openOutputOrEnd("interres40", mode) : nullptr;
  const int points = std::min(NoInterpol, 10000);
  for (int p = 0; p < points; ++p) {
    if (!(stimet > timeint[p]) || timeFlags[p] != 1) continue;
    timeFlags[p] = 0;
    writeFractionsOfPoint(p, f30, f40);
  }
  closeOutput(f30);
  if (f40) closeOutput(f40);
}

void print_profiles() {
  constexpr double kQuartz = 2.65;
  std::FILE* f = openWrite("profiles", "w");
  if (!f) fatal(-5, "Can not open profiles file\n\n");
  std::fprintf(f,
               "X, LB, zval[1], wl, LB+BSed[0], sdef [kg], sdefc [kg], sdefv [kg], sdefb [kg], bech [m], bmove [m], "
               "time = %lf sec\n\n",
               stimet);
  if (NoBlocks < 1 || !zval || !xval) {
    closeOutput(f);
    return;
  }
  const BlockRecord& B = block[1];
  const int jm = (B.j1 + B.j2) / 2;
  const double dt = TimeStep;
  auto conc = [](int c) { return (Cconc && lnumber >= 1 && c > 0) ? Cconc[1][c] : 0.0; };
  auto flux = [](int face) { return (Fflux && face > 0) ? Fflux[face] : 0.0; };
  auto row1 = [](double** a, int b) { return (a && lnumber >= 1 && b > 0) ? a[1][b] : 0.0; };
  auto surface3 = [](int i, int j) { return (Surfaces && gridLine(i, j)) ? Surfaces[3][i][j] : 0.0; };

  double sumD = 0, sumF = 0, sumT = 0, sumB = 0, pickup = 0, settling = 0, deltaAbs = 0, deltaMax = 0;
  int deltaMaxI = 0;
  for (int i = B.i1; i <= B.i2; ++i) {
    if (!gridLine(i - 1, jm) || !gridLine(i, jm)) continue;
    const int b = bedCellAt(i, jm);
    const int c0 = validCell(static_cast<int>(zval[i][jm][0]));
    const double X = 0.5 * (xval[i - 1][jm] + xval[i][jm]);
    double delta = 0.5 * (surface3(i - 1, jm) + surface3(i, jm)) - 0.5 * (zval[i - 1][jm][1] + zval[i][jm][1]);
    for (int layer = 0; layer <= topLayer(b); ++layer) delta += layerValue(layer, 0, b);

    // Flux defect and change of the suspended mass of the column. The inflow
    // enters through the source terms (in T); the outflow leaves through the
    // last column's open east side (the column's west flux times its own
    // concentration). The run totals of inflow and outflow are not booked at
    // the end lines: they would count both a second time, summed over the
    // whole run in a balance of one time step.
    double F = 0.0, T = 0.0;
    for (int c = c0, guard = 0; c > 0 && guard <= znumber + 1; c = validCell(Ccellt[c]), ++guard) {
      const double fw = flux(validFace(Cflatew[c])), fe = flux(validFace(Cflatee[c]));
      const int west = validCell(Ccellw[c]), east = validCell(Ccelle[c]);
      const double C = conc(c), Cw = conc(west), Ce = conc(east);
      F += std::max(fw, 0.0) * Cw + std::max(-fe, 0.0) * Ce - std::max(fe, 0.0) * C;
      if (fw < 0.0)
        F += fw * C;
      else if (east == 0)
        F -= fw * C;
      const double source = (Csourcem && CsourcemRows > 1) ? Csourcem[1][c] : 0.0;
      T += C * Cvol[c] * 1000.0 / dt - source;
    }
    // The balance weighs the masses with the grain density of quartz.
    F *= kQuartz * dt;
    T *= kQuartz * dt;
    const double bech = row1(Bbedchange, b);
    const double Bmass = b > 0 ? bech * Barea[b] * SolidFrac * 1000.0 * kQuartz : 0.0;
    const double D = Bmass - F + T;
    std::fprintf(f, "%lf %lf %lf %lf %lf %lf %lf\n", X, D, F, T, Bmass, bech, b > 0 && Bedmove ? Bedmove[b] : 0.0);
    if (FlagBedDefect == 2 && Bdefect && b > 0) Bdefect[b] = D;

    sumD += D;
    sumF += F;
    sumT += T;
    sumB += Bmass;
    pickup += row1(Bupflux, b) * density * dt;
    if (b > 0) settling += dt * conc(c0) * fallvelo[1] * Barea[b] * density * 1000.0;
    deltaAbs += std::fabs(delta);
    if (std::fabs(delta) > std::fabs(deltaMax)) {
      deltaMax = delta;
      deltaMaxI = i;
    }
  }
  std::fprintf(f, "Deltasum = %lf, deltamax[%d] = %lf\n", deltaAbs / std::max(B.i2 - B.i1 + 1, 1), deltaMaxI, deltaMax);
  std::fprintf(f, "Total defect: %lf kg, Flux defect: %lf kg, Time change: %lf kg, Bed change: %lf kg\n", sumD, sumF,
               sumT, sumB);
  std::fprintf(f, "Bupflux = %lf kg, downflux = %lf kg, difference: %lf kg.\n", pickup, settling, settling - pickup);
  closeOutput(f);
}
