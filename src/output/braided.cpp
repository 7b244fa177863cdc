// Braiding statistics of block 1: the channels of each cross-section, runs
// of at least F 368 BraidCells neighbouring columns across the river, and
// their mean over the cross-sections (the braiding index), with the
// sinuosity of the thalweg and the share of cross-sections with active banks.
#include "output/braided.h"
#include "state/outfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "state/log.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/outputstate.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/surface.h"

namespace {

bool gridLine(int i, int j) { return zval && i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }
int validCell(int c) { return (c > 0 && c < MaxCeller && c <= NoCells) ? c : 0; }
int lowestCell(int i, int j) { return gridLine(i, j) ? validCell(static_cast<int>(zval[i][j][0])) : 0; }

// Water depth summed over the four corner grid lines of column (i, j).
double cornerDepthSum(int i, int j) {
  double s = 0.0;
  const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
  for (int k = 0; k < 4; ++k)
    if (gridLine(ci[k], cj[k])) s += zval[ci[k]][cj[k]][znumber] - zval[ci[k]][cj[k]][1];
  return s;
}

double bedLevel(int c) { return Czcenter[c] - Ckdist[c]; }

}  // namespace

double columnShear(int i, int j) {
  const int c = lowestCell(i, j);
  return (c > 0 && Ckinen) ? 300.0 * Ckinen[c] : 0.0;
}

void ChannelCounter::column(Column state, bool last) {
  if (state == Column::Active) {
    ++run;
    if (last && run >= BraidCells) channels += 1.0;
  } else if (state == Column::Ends) {
    if (run >= BraidCells) channels += 1.0;
    run = 0;
  }
}

ChannelCounter::Column shearState(double tau, double threshold) {
  if (tau > threshold) return ChannelCounter::Column::Active;
  if (tau <= BraidedTot) return ChannelCounter::Column::Ends;
  return ChannelCounter::Column::Passes;
}

double computeBI() {
  if (NoBlocks < 1) return 0.0;
  const BlockRecord& B = block[1];
  if (IBraidedStart > B.i2) return 0.0;
  double channels = 0.0;
  for (int i = IBraidedStart; i <= B.i2; ++i) {
    ChannelCounter count;
    for (int j = B.j1; j <= B.j2; ++j) count.column(shearState(columnShear(i, j), BraidedActive), j == B.j2);
    channels += count.channels;
  }
  return channels / (B.i2 - IBraidedStart + 1 + 1e-20);
}

void writeBraided() {
  std::FILE* thalweg = nullptr;
  if (FlagThalweg > 0) {
    thalweg = openWrite("thalweg", "a");
    if (!thalweg) fatal(-1, "Error in opening thalweg file\n\n");
    std::fprintf(thalweg, "\n\nTime %lf sec.\n", stimet);
  }
  std::FILE* f = openWrite("braided", "a");
  if (!f) fatal(-1, "Error in opening braided file\n\n");

  double sums[6] = {0, 0, 0, 0, 0, 0};
  double length = 0.0, straight = 0.0;
  int banks = 0, sections = 0;
  if (NoBlocks >= 1 && zval) {
    const BlockRecord& B = block[1];
    const double thresholds[3] = {BraidedActive, BraidedActive2, BraidedActive3};
    int previous = 0;  // thalweg cell of the cross-section before
    for (int i = IBraidedStart; i <= B.i2; ++i) {
      ++sections;
      ChannelCounter count[6];
      int thalwegCell = 0;
      for (int j = B.j1; j <= B.j2; ++j) {
        const bool last = j == B.j2;
        const double tau = columnShear(i, j);
        for (int t = 0; t < 3; ++t) count[t].column(shearState(tau, thresholds[t]), last);
        count[3].column(tau > BraidedTot ? ChannelCounter::Column::Active : ChannelCounter::Column::Ends, last);
        const int c = lowestCell(i, j);
        count[4].column(c > 0 ? ChannelCounter::Column::Active : ChannelCounter::Column::Ends, last);
        count[5].column(cornerDepthSum(i, j) > 0 ? ChannelCounter::Column::Active : ChannelCounter::Column::Ends,
                        last);
        if (c > 0 && (thalwegCell == 0 || bedLevel(c) < bedLevel(thalwegCell))) thalwegCell = c;
      }
      for (int k = 0; k < 6; ++k) sums[k] += count[k].channels;
      if (columnShear(i, B.j1) > 0.01 || columnShear(i, B.j2) > 0.01) ++banks;

      // The thalweg: a cross-section without water keeps the cell before.
      if (thalwegCell > 0 && previous > 0) {
        length += std::hypot(Cxcenter[thalwegCell] - Cxcenter[previous], Cycenter[thalwegCell] - Cycenter[previous]);
        straight += Cidist[thalwegCell] + Cidist[previous];
      }
      const int t = thalwegCell > 0 ? thalwegCell : previous;
      if (thalweg && t > 0) {
        // vertex of the parabola through the levels south, here and north,
        // kept inside the cell
        const double zc = Czcenter[t];
        const int s = validCell(Ccells[t]), n = validCell(Ccelln[t]);
        const double zs = s > 0 ? Czcenter[s] : zc, zn = n > 0 ? Czcenter[n] : zc;
        const double shift = std::clamp((zn - zs) / (zn + zs - 2.0 * zc + 1e-10), -1.0, 1.0);
        std::fprintf(thalweg, "%lf %lf %lf\n", Cxcenter[t], Cycenter[t] - shift * Cjdist[t], bedLevel(t));
      }
      previous = t;
    }
  }

  // No cross-section to examine gives a line of zeros.
  const double per = sections > 0 ? 1.0 / sections : 0.0;
  const double bi1 = sums[0] * per;
  std::fprintf(f, "%lf %lf %lf %lf %lf %lf %lf %lf %lf\n", stimet, bi1, sums[1] * per, sums[2] * per, sums[3] * per,
               sums[4] * per, sums[5] * per, length / (straight + 1e-20), banks * per);
  if (bi1 < 0.3 * oldbraided && NoBlocks >= 1) {
    const BlockRecord& B = block[1];
    auto level = [](int i, int j) { return gridLine(i, j) ? zval[i][j][znumber] : 0.0; };
    logf("Drop in BI index, %lf -> %lf, wl downstream %lf, wl upstream %lf\n\n", oldbraided, bi1,
         level(B.i2, B.j2 / 2), level(B.i1, B.j2 / 2));
  }
  oldbraided = bi1;
  if (stimet < 252000.0)
    braid1 += bi1;
  else if (stimet < 504000.0)
    braid2 += bi1;
  else
    braid3 += bi1;
  if (stimet > 755999.0 && stimet < 756001.0) {
    const double calls = 2520.0 / TimeStep;  // calls in 252000 s at one call per 100 steps
    braid1 /= calls;
    braid2 /= calls;
    braid3 /= calls;
    std::fprintf(f, "Averaged BI: %lf %lf %lf\n", braid1, braid2, braid3);
  }
  closeOutput(f);
  if (thalweg) closeOutput(thalweg);
}
