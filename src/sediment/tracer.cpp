// Tracer stones: positions moved with the bed-load speed of the column they
// lie in, recorded in `traceres`.
#include <cmath>
#include <cstdio>

#include "grid/geometry.h"
#include "sediment/statfiles.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/log.h"
#include "state/options.h"
#include "state/outputstate.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/scanner.h"

namespace {

constexpr int kMaxStones = 999;

// The bed cell of block 1 whose lowest cell holds stone s, 0 when none does.
int stoneBedCell(int s) {
  if (NoBlocks < 1) return 0;
  for (int b = block[1].firstBedCell; b <= block[1].lastBedCell; ++b)
    if (b >= 1 && b <= NoBCells && insideQuadCellTrace(s, Bcellt[b])) return b;
  return 0;
}

void readStones() {
  Scanner in;
  if (!in.open("tracer")) fatal(-1, "Could not read file 'tracer'. This file is required for the F 424 data set\n\n");
  int n = 0;
  for (long chars = 0; chars < 100000 && !in.atEnd(); ++chars) {
    if (in.get() != 'P') continue;
    double v[3];
    if (in.readDoubles(v, 3) != 3)
      fatal(-1, "Error in file 'tracer': stone number %d needs three numbers, x, y and diameter\n", n);
    if (n >= kMaxStones) fatal(-1, "Error in file 'tracer': at most %d stones are allowed\n", kMaxStones);
    tracerX[n] = v[0];
    tracerY[n] = v[1];
    DiamTracer[n] = v[2];
    ++n;
  }
  NoTracerStones = n;
  std::FILE* f = std::fopen("traceres", "w");
  if (!f) fatal(-1, "Could not open file 'traceres'\n\n");
  std::fprintf(f, "Time  ");
  for (int s = 0; s < n; ++s) std::fprintf(f, "X%d  Y%d   ", s, s);
  std::fprintf(f, "\n\n");
  std::fclose(f);
  for (int s = 0; s < n; ++s) {
    BedTracer[s] = stoneBedCell(s);
    if (BedTracer[s] == 0)
      logf("Tracer stone number %d at (%lf,%lf) lies in no column of block 1 and does not move\n", s, tracerX[s],
           tracerY[s]);
  }
}

}  // namespace

void computeStoneVelocity(int s) {
  const int b = BedTracer[s];
  if (b < 1 || b > NoBCells) return;
  const int c = Bcellt[b];
  if (c < 1 || c > NoCells) return;
  const double u = Cxvel[c], v = Cyvel[c];
  const double speed = Bconc[1][b] * Ckdist[c] / Cjdist[c];
  const double f = speed / std::sqrt(u * u + v * v + 1e-20);
  tracerX[s] += u * f * TimeStep;
  tracerY[s] += v * f * TimeStep;
  if (insideQuadCellTrace(s, c)) return;
  const int i = Bkooi[b], j = Bkooj[b];
  for (int di = -1; di <= 1; ++di)
    for (int dj = -1; dj <= 1; ++dj) {
      const int ni = i + di, nj = j + dj;
      if ((di == 0 && dj == 0) || ni < 0 || nj < 0 || ni > xnumber + 1 || nj > ynumber + 1) continue;
      const int nb = pointbed[ni][nj];
      if (nb < 1 || nb > NoBCells) continue;
      if (insideQuadCellTrace(s, Bcellt[nb])) {
        BedTracer[s] = nb;
        return;
      }
    }
  logf("Time step too large for stone number %d, cell indexes (%d,%d), b=%d, velocity = %lf\n\n", s, i, j, b, f);
}

void tracer() {
  if (!tracerX || !BedTracer) return;  // F 424 allocates the stones
  if (NoTracerStones < 0) readStones();
  for (int s = 0; s < NoTracerStones; ++s) computeStoneVelocity(s);
  std::FILE* f = std::fopen("traceres", "a");
  if (!f) fatal(-1, "Could not open file 'traceres'\n\n");
  std::fprintf(f, "%lf ", stimet);
  for (int s = 0; s < NoTracerStones; ++s) std::fprintf(f, "%lf %lf ", tracerX[s], tracerY[s]);
  std::fprintf(f, "\n");
  std::fclose(f);
}
