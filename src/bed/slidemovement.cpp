// Movement of the slide block: the block computed as a thick flow for a step
// (computeSlidemovement, F 236 2 and letter D), or each slide moved by the
// part of its driving force that exceeds its resistance (computeSlideBlock,
// F 236 3). Neither advances the simulated time.
#include <omp.h>

#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "bed/slides.h"
#include "flow/flow.h"
#include "flow/stages.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "output/output.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/slidestate.h"
#include "surface/surface.h"

namespace {

// The slide block whose flow a slide step computes.
int movingBlock = 0;

// The cells and faces of the slide block (with F 339 the cells from the
// block's first cell moved on by its bed cells less one). Without F 37 the
// flow driver takes it as its work range as well: the work-block rule gives
// a grid whose last block is the sub-bed block the blocks before it, which
// would compute the water instead of the slide.
void slideBlockRange() {
  const BlockRecord& B = block[movingBlock];
  WCStart = B.firstCell + (FlagUnstrucThixo != 0 ? B.lastBedCell - B.firstBedCell : 0);
  WCEnd = B.lastCell;
  WFStart = B.firstSurface;
  WFEnd = B.lastSurface;
}

}  // namespace

int computeSlidemovement() {
  double t0 = 0, t1 = 0, t2 = 0, t3 = 0, t4 = 0;
  if (debugging == 'P') t0 = omp_get_wtime();
  setProgram("Slide movement");
  const int s = slideBlock();
  if (s == 0) {
    logf("Error: Tried to compute sand slide in block %d, which is not prepared for slides\n\n", 0);
    return -1;
  }
  const double savedTime = stimet, savedStep = TimeStep;
  const int savedInner = TransInnerIter;
  if (IterThixo > 0) {
    TransInnerIter = IterThixo;
    TimeStep = TimeStepThixo;
  }
  movingBlock = s;
  if (FlagTSC != 0) {
    slideBlockRange();
  } else {
    WorkBlockNo = s;
    WorkBlock[1] = 0;
    WorkBlock[s] = 1;
  }
  FlagThixoIsComputing = 1;
  {
    // The run control's rule is put back however the flow ends (a fuzz
    // build's end of the process returns through here).
    struct RangeRule {
      void (*saved)() = flowDriverCalls.computeWCStart;
      ~RangeRule() { flowDriverCalls.computeWCStart = saved; }
    } rule;
    if (FlagTSC == 0) flowDriverCalls.computeWCStart = slideBlockRange;
    WaterSolve();
  }
  if (debugging == 'P') t1 = omp_get_wtime();
  surface_tfs(0, 2);
  if (debugging == 'P') t2 = t3 = t4 = omp_get_wtime();
  FlagThixoIsComputing = 0;
  if (FlagThixoDamp == 4) {
    if (FlagGroundwater == 2) groundwater();
    if (debugging == 'P') t3 = omp_get_wtime();
    computeSlideLocation();
    if (debugging == 'P') t4 = omp_get_wtime();
  }
  TransInnerIter = savedInner;
  TimeStep = savedStep;
  stimet = savedTime;
  if (debugging == 'P')
    logf("Slides time: WaterSolve: %lf, SurfceTFS: %lf, Groundwater: %lf, SlideLocation: %lf seconds\n", t1 - t0,
         t2 - t1, t3 - t2, t4 - t3);
  if (FlagErrorBreak == 1) {
    setV1("Written from morphology due to error");
    sprintflow();
    return -1;
  }
  setProgram("End slide movement");
  return 0;
}

void setSlideVelocities() {
  auto listed = [](int k) { return k < MaxSlides - 1 && BVal[k] != 0; };
  const int s = slideBlock();
  if (s == 0) return;
  const BlockRecord& B = block[s];
  for (int c = std::max(B.firstCell, 1); c <= B.lastCell && c <= NoCells; ++c) Cxvel[c] = Cyvel[c] = Czvel[c] = 0;
  auto nv = [](int f, const double* a) { return faceInGrid(f) ? a[f] : 0.0; };
  const int firstBed = std::max(B.firstBedCell, 1), lastBed = std::min(B.lastBedCell, NoBCells);
  for (int k = 0; listed(k); ++k) {
    const double PI0 = kGravityI[k] + kGroundwaterI[k], PJ0 = kGravityJ[k] + kGroundwaterJ[k];
    const double D = std::sqrt(PI0 * PI0 + PJ0 * PJ0), R = kFriction[k] + kCohesion[k];
    const double f = std::max(0.0, (D - R) / (D + 1e-20));
    const double PI = f * PI0, PJ = f * PJ0;
    const int lb = BVal[k] >= 1 && BVal[k] <= NoBCells && cellInGrid(Bcellt[BVal[k]]) ? Bcellt[BVal[k]] : 0;
    const double vmax = lb ? std::min({Cidist[lb], Cjdist[lb], kHeightN[k]}) / TimeStep : 0.0;
    for (int b = firstBed; b <= lastBed; ++b) {
      if (Bcellth[b] != BVal[k] || !cellInGrid(Bcellt[b])) continue;
      const int c = cellAbove(Bcellt[b]) ? cellAbove(Bcellt[b]) : Bcellt[b];
      const int e = Cflatee[c], w = Cflatew[c], n = Cflaten[c], so = Cflates[c], bo = Cflateb[c];
      double u = -0.5 * ((nv(e, Fvx) + nv(w, Fvx)) * PI + (nv(so, Fvx) + nv(n, Fvx)) * PJ) * kHeightN[k] / ThixoEddyvisc;
      double v = -0.5 * ((nv(e, Fvy) + nv(w, Fvy)) * PI + (nv(so, Fvy) + nv(n, Fvy)) * PJ) * kHeightN[k] / ThixoEddyvisc;
      u = std::clamp(u, -vmax, vmax);
      v = std::clamp(v, -vmax, vmax);
      Cxvel[c] = u;
      Cyvel[c] = v;
      Czvel[c] = -0.5 * (nv(bo, Fvx) * u + nv(bo, Fvy) * v);
    }
  }
}

void computeSlideBlock() {
  // One bound for every pass over the slide list.
  auto listed = [](int k) { return k < MaxSlides - 1 && BVal[k] != 0; };
  for (int k = 0; listed(k); ++k) kGravityI[k] = kGroundwaterI[k] = kGravityJ[k] = kGroundwaterJ[k] = 0;
  if (FlagGroundwater == 2) groundwater();
  computeSlideLocation();
  Unstructure();
  metric();
  BedMake();
  const int s = slideBlock();
  if (s == 0) return;
  setSlideVelocities();
  const BlockRecord& B = block[s];
  const double relax = RelaxRhieChow;
  RelaxRhieChow = 0;
  waterflow(B.firstSurface, B.lastSurface);
  RelaxRhieChow = relax;
  surface_tfs(0, 2);
}
